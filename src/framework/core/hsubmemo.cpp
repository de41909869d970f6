// HSUBMEMO: named sections of a memo field.
#include "framework/core/hsubmemo.hpp"

#include <cstdio>
#include <vector>

#include "framework/core/trelbeg.hpp"

namespace xb::fw::hsubmemo {

namespace {

constexpr std::size_t kLine = 20;
constexpr std::string_view kOldName = "PgDescr:";

struct Section {
    std::string name;  // 8 characters
    std::string check;
    std::string text;
};

[[noreturn]] void damaged(rt::Runtime& rt) { trelbeg::hEnd(rt, 1, "Submemo distrus"); }

std::string nameKey(std::string_view name) {
    std::string k(name.substr(0, 8));
    k.resize(8, ' ');
    return k;
}

// A start field: blanks, then digits; 0 when it is anything else.
std::size_t startOf(std::string_view f) {
    std::size_t i = 0, v = 0;
    while (i < f.size() && f[i] == ' ') ++i;
    if (i == f.size()) return 0;
    for (; i < f.size(); ++i) {
        if (f[i] < '0' || f[i] > '9') return 0;
        v = v * 10 + static_cast<std::size_t>(f[i] - '0');
    }
    return v;
}

std::vector<Section> parse(rt::Runtime& rt, std::string_view m) {
    std::vector<Section> out;
    if (m.empty()) return out;
    if (m.size() == 40 && m.substr(0, 8) == kOldName) {
        std::string_view rest = m.substr(8);
        rest = rest.substr(0, rest.find_first_of("\r\n"));
        while (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
        if (!rest.empty())
            out.push_back({std::string(kOldName), std::string(kCheck), std::string(rest)});
        return out;
    }
    if (m.substr(0, kMarker.size()) != kMarker) damaged(rt);
    if (m.size() < kMarker.size() + kLine) damaged(rt);
    const std::size_t header = startOf(m.substr(kMarker.size() + 8, 5));
    if (header < kMarker.size() + kLine + 1 || header - 1 > m.size() ||
        (header - 1 - kMarker.size()) % kLine != 0)
        damaged(rt);
    const std::size_t n = (header - 1 - kMarker.size()) / kLine;
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < n; ++i) {
        std::string_view line = m.substr(kMarker.size() + i * kLine, kLine);
        std::size_t s = startOf(line.substr(8, 5));
        if (line.substr(18, 2) != "\r\n" || s < header || s > m.size() + 1 ||
            (!starts.empty() && s < starts.back()))
            damaged(rt);
        starts.push_back(s);
        out.push_back({std::string(line.substr(0, 8)), std::string(line.substr(13, 5)), {}});
    }
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t end = i + 1 < n ? starts[i + 1] : m.size() + 1;
        out[i].text = std::string(m.substr(starts[i] - 1, end - starts[i]));
    }
    return out;
}

}  // namespace

std::string getSubMemo(rt::Runtime& rt, std::string_view memo, std::string_view name) {
    const std::string key = nameKey(name);
    for (Section& s : parse(rt, memo)) {
        if (s.name != key) continue;
        if (s.check != kCheck) damaged(rt);
        return std::move(s.text);
    }
    return {};
}

bool putSubMemo(rt::Runtime& rt, std::string& memo, std::string_view name, std::string_view text) {
    const std::string key = nameKey(name);
    std::vector<Section> out;
    bool found = false;
    std::size_t textArea = 0;
    for (Section& s : parse(rt, memo)) {
        if (s.name == key) {
            if (found) continue;  // a duplicate name keeps only its first place
            found = true;
            if (text.empty()) continue;
            s = {key, std::string(kCheck), std::string(text)};
        }
        textArea += s.text.size();
        out.push_back(std::move(s));
        if (textArea > kMaxMemo) return false;
    }
    if (!found && !text.empty()) {
        out.push_back({key, std::string(kCheck), std::string(text)});
        textArea += text.size();
    }
    if (out.empty()) {
        memo.clear();
        return true;
    }
    const std::size_t header = kMarker.size() + kLine * out.size();
    if (header + textArea > kMaxMemo) return false;
    std::string r;
    r.reserve(header + textArea);
    r += kMarker;
    std::size_t start = header + 1;
    for (const Section& s : out) {
        char field[8];
        std::snprintf(field, sizeof field, "%5zu", start);
        r += s.name;
        r += field;
        r += s.check;
        r += "\r\n";
        start += s.text.size();
    }
    for (const Section& s : out) r += s.text;
    memo = std::move(r);
    return true;
}

namespace {

// H_GETSUBMEMO(memo, name) -> the section's text, "" when absent
void fn_H_GETSUBMEMO(rt::Frame& f) {
    const rt::Value& memo = f.arg(1);
    const rt::Value& name = f.arg(2);
    if (!memo.isString() || !name.isString()) {
        f.ret(std::string());
        return;
    }
    f.ret(getSubMemo(f.runtime(), memo.str(), name.str()));
}

// H_PUTSUBMEMO(@memo, name, text) -> logical; NIL or "" text removes the section
void fn_H_PUTSUBMEMO(rt::Frame& f) {
    const rt::Value& memoArg = f.arg(1);
    if (!memoArg.isNil() && !memoArg.isString()) f.argError();
    const std::string& name = f.str(2);
    std::string text = f.strOr(3, "");
    std::string memo = memoArg.isString() ? memoArg.str() : std::string();
    bool ok = putSubMemo(f.runtime(), memo, name, text);
    if (ok) f.setRef(1, memoArg.isMemo() ? rt::Value::memo(memo) : rt::Value(memo));
    f.ret(ok);
}

const rt::Builtin kBuiltins[] = {
    {"H_GETSUBMEMO", fn_H_GETSUBMEMO},
    {"H_PUTSUBMEMO", fn_H_PUTSUBMEMO},
};

}  // namespace

std::span<const rt::Builtin> builtins() { return kBuiltins; }

}  // namespace xb::fw::hsubmemo
