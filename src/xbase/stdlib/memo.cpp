// Memo lines: MemoLine(), MLCount(), MLPos(), MemoTran(), HardCR().
//
// A memo is divided into lines by one rule, shared by all five functions and by the script
// interpreter: a line ends at CR LF, at a soft return (0x8D LF, written by the memo editor
// where it wrapped) or at a lone LF. A line wider than the width (tabs advance to the next
// multiple of the tab size) breaks after its last blank when word wrap is on; without a blank,
// or with wrap off, it breaks at the width. A blank that would start past the width ends the
// line and is dropped. The end of line of a line that exactly fills the width belongs to it.
#include <cmath>

#include "xbase/stdlib/stdlib.hpp"
#include "xbase/stdlib/tables.hpp"

namespace xb::stdlib {

namespace {
constexpr char kSoftCR = static_cast<char>(0x8D);

struct LineSpan {
    std::size_t begin, end, next;  // content [begin, end); the following line starts at next
};

MemoLayout normalised(MemoLayout l) {
    if (l.width < 1) l.width = 79;
    if (l.tab < 1) l.tab = 1;
    if (l.tab >= l.width) l.tab = l.width > 1 ? l.width - 1 : 1;
    return l;
}

// The line that starts at pos; false at the end of the text.
bool lineAt(std::string_view t, std::size_t pos, const MemoLayout& l, LineSpan& out) {
    const std::size_t n = t.size();
    if (pos >= n) return false;
    out.begin = pos;
    int col = 0;
    std::size_t lastBlank = std::string_view::npos;
    for (std::size_t i = pos; i < n; ++i) {
        char c = t[i];
        if ((c == '\r' || c == kSoftCR) && i + 1 < n && t[i + 1] == '\n') {
            out.end = i;
            out.next = i + 2;
            return true;
        }
        if (c == '\n') {
            out.end = i;
            out.next = i + 1;
            return true;
        }
        int w = c == '\t' ? l.tab - col % l.tab : 1;
        if (col + w > l.width) {
            if (col == 0) {  // a character wider than the whole line still makes progress
                out.end = out.next = i + 1;
            } else if (c == ' ') {
                out.end = i;
                out.next = i + 1;
            } else if (l.wrap && lastBlank != std::string_view::npos) {
                out.end = out.next = lastBlank + 1;
            } else {
                out.end = out.next = i;
            }
            return true;
        }
        if (c == ' ' || c == '\t') lastBlank = i;
        col += w;
    }
    out.end = out.next = n;
    return true;
}
}  // namespace

std::string memoLine(std::string_view text, const MemoLayout& layout, long long line) {
    MemoLayout l = normalised(layout);
    if (line < 1) line = 1;
    LineSpan s{};
    std::size_t pos = 0;
    for (long long k = 1;; ++k) {
        if (!lineAt(text, pos, l, s)) return {};
        if (k == line) break;
        pos = s.next;
    }
    std::string out;
    for (std::size_t i = s.begin; i < s.end; ++i) {
        if (text[i] == '\t') {
            out.append(static_cast<std::size_t>(l.tab - static_cast<int>(out.size()) % l.tab), ' ');
        } else {
            out.push_back(text[i]);
        }
    }
    if (out.size() < static_cast<std::size_t>(l.width)) {
        out.append(static_cast<std::size_t>(l.width) - out.size(), ' ');
    }
    return out;
}

long long mlCount(std::string_view text, const MemoLayout& layout) {
    MemoLayout l = normalised(layout);
    long long count = 0;
    LineSpan s{};
    for (std::size_t pos = 0; lineAt(text, pos, l, s); pos = s.next) ++count;
    return count;
}

long long mlPos(std::string_view text, const MemoLayout& layout, long long line) {
    MemoLayout l = normalised(layout);
    if (line <= 1) return 1;
    LineSpan s{};
    std::size_t pos = 0;
    for (long long k = 1; k < line; ++k) {
        if (!lineAt(text, pos, l, s)) return static_cast<long long>(text.size()) + 1;
        pos = s.next;
    }
    return static_cast<long long>(pos) + 1;
}

std::string memoTran(std::string_view text, std::string_view hard, std::string_view soft) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool pair = i + 1 < text.size() && text[i + 1] == '\n';
        if (pair && text[i] == '\r') {
            out.append(hard);
            ++i;
        } else if (pair && text[i] == kSoftCR) {
            out.append(soft);
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string hardCR(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        if (out[i] == kSoftCR && out[i + 1] == '\n') out[i] = '\r';
    }
    return out;
}

namespace {

// Layout arguments are lenient, as the language has them: anything but a number in range
// (or a logical for wrap) means the default.
long long intArg(rt::Frame& f, int n, long long def) {
    if (!f.arg(n).isNumber()) return def;
    double d = f.arg(n).numVal();
    if (!std::isfinite(d) || d > 1e9 || d < -1e9) return def;
    return static_cast<long long>(d);
}

MemoLayout layoutArgs(rt::Frame& f, int width, int tab, int wrap) {
    MemoLayout l;
    l.width = static_cast<int>(intArg(f, width, 79));
    l.tab = static_cast<int>(intArg(f, tab, 4));
    l.wrap = f.arg(wrap).isLogical() ? f.arg(wrap).logical() : true;
    return l;
}

// MEMOLINE(text, width, line, tab, wrap)
void fn_MEMOLINE(rt::Frame& f) {
    if (!f.arg(1).isString()) return f.ret("");
    const std::string& s = f.arg(1).str();
    MemoLayout l = layoutArgs(f, 2, 4, 5);
    f.ret(memoLine(s, l, intArg(f, 3, 1)));
}

// MLCOUNT(text, width, tab, wrap)
void fn_MLCOUNT(rt::Frame& f) {
    if (!f.arg(1).isString()) return f.ret(integer(0));
    const std::string& s = f.arg(1).str();
    f.ret(integer(mlCount(s, layoutArgs(f, 2, 3, 4))));
}

// MLPOS(text, width, line, tab, wrap)
void fn_MLPOS(rt::Frame& f) {
    if (!f.arg(1).isString()) return f.ret(integer(1));
    const std::string& s = f.arg(1).str();
    MemoLayout l = layoutArgs(f, 2, 4, 5);
    f.ret(integer(mlPos(s, l, intArg(f, 3, 1))));
}

void fn_MEMOTRAN(rt::Frame& f) {
    if (!f.arg(1).isString()) return f.ret("");
    const std::string& s = f.arg(1).str();
    f.ret(memoTran(s, f.arg(2).isString() ? f.arg(2).str() : std::string(";"),
                   f.arg(3).isString() ? f.arg(3).str() : std::string(" ")));
}

void fn_HARDCR(rt::Frame& f) {
    f.ret(f.arg(1).isString() ? hardCR(f.arg(1).str()) : std::string());
}

const rt::Builtin kBuiltins[] = {
    {"MEMOLINE", fn_MEMOLINE}, {"MLCOUNT", fn_MLCOUNT}, {"MLPOS", fn_MLPOS},
    {"MEMOTRAN", fn_MEMOTRAN}, {"HARDCR", fn_HARDCR},
};
}  // namespace

std::span<const rt::Builtin> memoBuiltins() { return kBuiltins; }

}  // namespace xb::stdlib
