#include "framework/util/util.hpp"

#include <span>

#include "framework/core/trelbeg.hpp"
#include "framework/util/htools.hpp"
#include "framework/util/xtools.hpp"
#include "runtime/date.hpp"
#if defined(XB_UTIL_HAVE_STDLIB)
#include "xbase/stdlib/stdlib.hpp"
#endif
#if defined(XB_UTIL_HAVE_XBASE)
#include "xbase/xbase.hpp"
#endif

namespace xb::fw {

void registerUtil(rt::Runtime& rt) {
    rt.registerBuiltins(std::span(htools::kBuiltins, htools::kBuiltinCount));
    rt.registerBuiltins(std::span(xtools::kBuiltins, xtools::kBuiltinCount));
}

}  // namespace xb::fw

namespace xb::fw::util {

void fatalStop(rt::Runtime& rt, int code, std::string_view message) {
    trelbeg::hEnd(rt, code, message);
}

namespace {
// Calls a function of another layer by name when it is registered.
std::optional<rt::Value> callIfKnown(rt::Runtime& rt, std::string_view name,
                                     std::initializer_list<rt::Value> args) {
    if (rt.findFunction(name) < 0) return std::nullopt;
    return rt.call(name, args);
}
}  // namespace

rt::Value transform(rt::Runtime& rt, const rt::Value& v, std::string_view picture) {
#if defined(XB_UTIL_HAVE_STDLIB)
    return rt::Value(stdlib::transform(rt, v, picture));
#else
    return rt.call("TRANSFORM", {v, rt::Value(picture)});
#endif
}

rt::Value mlPos(rt::Runtime& rt, const rt::Value& text, const rt::Value& width,
                const rt::Value& line, const rt::Value& tab, const rt::Value& wrap) {
    return rt.call("MLPOS", {text, width, line, tab, wrap});
}

std::vector<std::string> memoLines(std::string_view text, int width) {
    std::vector<std::string> lines;
#if defined(XB_UTIL_HAVE_STDLIB)
    stdlib::MemoLayout l;
    l.width = width;
    long long n = stdlib::mlCount(text, l);
    for (long long i = 1; i <= n; ++i) lines.push_back(stdlib::memoLine(text, l, i));
#else
    // Hard and soft returns end a line; a longer line breaks after its last blank that fits.
    std::size_t i = 0;
    auto w = static_cast<std::size_t>(width > 0 ? width : 1);
    while (i < text.size()) {
        std::size_t end = text.find('\n', i);
        std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        std::size_t stop = end;
        if (stop > i &&
            (text[stop - 1] == '\r' || static_cast<unsigned char>(text[stop - 1]) == 0x8D)) {
            --stop;
        }
        std::string_view line = text.substr(i, stop - i);
        while (line.size() > w) {
            std::size_t cut = line.substr(0, w + 1).find_last_of(' ');
            std::size_t take = cut == std::string_view::npos || cut == 0 ? w : cut + 1;
            lines.emplace_back(line.substr(0, take));
            line.remove_prefix(take);
        }
        lines.emplace_back(line);
        i = next;
    }
#endif
    return lines;
}

std::string typeOf(rt::Runtime& rt, std::string_view text) {
#if defined(XB_UTIL_HAVE_XBASE)
    return xbase::typeOf(rt, text);
#else
    std::optional<rt::Value> r = callIfKnown(rt, "TYPE", {rt::Value(text)});
    return r && r->isString() ? r->str() : std::string("U");
#endif
}

#if !defined(XB_UTIL_HAVE_STDLIB)
namespace {
// The date written under a SET DATE template: runs of d, m and y; 4 y's give the century.
std::string formatDate(std::int32_t julian, std::string_view fmt) {
    rt::Ymd d = rt::ymdOf(julian);
    std::string out;
    for (std::size_t i = 0; i < fmt.size();) {
        char c = static_cast<char>(fmt[i] | 0x20);
        std::size_t n = 1;
        while (i + n < fmt.size() && static_cast<char>(fmt[i + n] | 0x20) == c) ++n;
        int value = c == 'd' ? d.day : c == 'm' ? d.month : c == 'y' ? d.year : -1;
        if (value < 0) {
            out.append(fmt.substr(i, n));
        } else if (julian == 0) {
            out.append(n, ' ');
        } else {
            std::string digits = std::to_string(value);
            digits.insert(0, digits.size() < n ? n - digits.size() : 0, '0');
            out.append(digits.substr(digits.size() - n));
        }
        i += n;
    }
    return out;
}
}  // namespace
#endif

std::string dtoc(rt::Runtime& rt, std::int32_t julian) {
#if defined(XB_UTIL_HAVE_STDLIB)
    return stdlib::dtoc(rt.settings(), julian);
#else
    return formatDate(julian, rt.settings().dateFormat);
#endif
}

std::int32_t ctod(rt::Runtime& rt, std::string_view text) {
#if defined(XB_UTIL_HAVE_STDLIB)
    return stdlib::ctod(rt.settings(), text);
#else
    std::optional<rt::Value> r = callIfKnown(rt, "CTOD", {rt::Value(text)});
    return r && r->isDate() ? r->julian() : 0;
#endif
}

std::optional<rt::Value> evaluateIfCompiles(rt::Runtime& rt, std::string_view text) {
#if defined(XB_UTIL_HAVE_XBASE)
    if (xbase::checkSyntax(rt, text)) return std::nullopt;
    return xbase::evaluate(rt, text);
#else
    (void)rt;
    (void)text;
    return std::nullopt;
#endif
}

}  // namespace xb::fw::util
