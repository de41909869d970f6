// String functions, Str()/Val() and the value probes Len(), Empty() and ValType().
#include <cmath>
#include <cstdlib>

#include "runtime/date.hpp"
#include "runtime/number.hpp"
#include "xbase/stdlib/stdlib.hpp"
#include "xbase/stdlib/tables.hpp"

namespace xb::stdlib {

namespace {
// Strings longer than this are refused with the string-overflow error instead of
// exhausting memory on Replicate("x", 1e12).
constexpr long long kMaxString = 256LL * 1024 * 1024;

bool isBlankChar(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isAsciiUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }
bool isAsciiLower(unsigned char c) { return c >= 'a' && c <= 'z'; }

std::size_t clampSize(long long n) { return n <= 0 ? 0 : static_cast<std::size_t>(n); }
}  // namespace

std::string subStr(std::string_view s, long long start, std::optional<long long> count) {
    const long long len = static_cast<long long>(s.size());
    long long from;  // 0-based
    if (start > 0) {
        from = start - 1;
    } else if (start < 0) {
        from = len + start;
        if (from < 0) from = 0;
    } else {
        from = 0;
    }
    if (from >= len) return {};
    long long n = count ? *count : len - from;
    if (n <= 0) return {};
    if (n > len - from) n = len - from;
    return std::string(s.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(n)));
}

std::string left(std::string_view s, long long n) {
    return std::string(s.substr(0, std::min(clampSize(n), s.size())));
}

std::string right(std::string_view s, long long n) {
    std::size_t k = std::min(clampSize(n), s.size());
    return std::string(s.substr(s.size() - k));
}

std::size_t at(std::string_view needle, std::string_view hay, std::size_t from) {
    if (needle.empty() || from < 1 || from > hay.size()) return 0;
    std::size_t p = hay.find(needle, from - 1);
    return p == std::string_view::npos ? 0 : p + 1;
}

std::size_t rat(std::string_view needle, std::string_view hay) {
    if (needle.empty()) return 0;
    std::size_t p = hay.rfind(needle);
    return p == std::string_view::npos ? 0 : p + 1;
}

std::string strTran(std::string_view s, std::string_view search, std::string_view repl,
                    long long start, long long count) {
    if (search.empty() || count == 0) return std::string(s);
    if (start < 1) start = 1;
    std::string out;
    long long seen = 0, done = 0;
    std::size_t pos = 0;
    for (;;) {
        std::size_t p = s.find(search, pos);
        if (p == std::string_view::npos) break;
        ++seen;
        if (seen >= start && (count < 0 || done < count)) {
            out.append(s.substr(pos, p - pos));
            out.append(repl);
            ++done;
        } else {
            out.append(s.substr(pos, p - pos + search.size()));
        }
        pos = p + search.size();
        if (count >= 0 && done >= count) break;
    }
    out.append(s.substr(pos));
    return out;
}

std::string stuff(std::string_view s, long long start, long long del, std::string_view ins) {
    std::size_t from = start < 1 ? 0 : std::min(static_cast<std::size_t>(start - 1), s.size());
    std::size_t n = std::min(clampSize(del), s.size() - from);
    std::string out(s.substr(0, from));
    out.append(ins);
    out.append(s.substr(from + n));
    return out;
}

std::string padR(std::string_view s, long long n, char fill) {
    std::size_t w = clampSize(n);
    if (s.size() >= w) return std::string(s.substr(0, w));
    std::string out(s);
    out.append(w - s.size(), fill);
    return out;
}

std::string padL(std::string_view s, long long n, char fill) {
    std::size_t w = clampSize(n);
    if (s.size() >= w) return std::string(s.substr(0, w));
    return std::string(w - s.size(), fill) + std::string(s);
}

std::string padC(std::string_view s, long long n, char fill) {
    std::size_t w = clampSize(n);
    if (s.size() >= w) return std::string(s.substr(0, w));
    std::size_t before = (w - s.size()) / 2;
    std::string out(before, fill);
    out.append(s);
    out.append(w - out.size(), fill);
    return out;
}

std::string lTrim(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && isBlankChar(s[i])) ++i;
    return std::string(s.substr(i));
}

std::string rTrim(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return std::string(s.substr(0, n));
}

std::string allTrim(std::string_view s) { return lTrim(rTrim(s)); }

std::string upper(std::string_view s) {
    std::string r(s);
    for (char& c : r) {
        if (isAsciiLower(static_cast<unsigned char>(c))) c = static_cast<char>(c - 'a' + 'A');
    }
    return r;
}

std::string lower(std::string_view s) {
    std::string r(s);
    for (char& c : r) {
        if (isAsciiUpper(static_cast<unsigned char>(c))) c = static_cast<char>(c - 'A' + 'a');
    }
    return r;
}

std::string replicate(std::string_view s, long long n) {
    std::string r;
    if (n <= 0 || s.empty()) return r;
    r.reserve(s.size() * static_cast<std::size_t>(n));
    for (long long i = 0; i < n; ++i) r.append(s);
    return r;
}

// --- numbers as text ---

std::string str(const rt::Value::Number& n, std::optional<int> width, std::optional<int> decimals) {
    if (!width || *width < 1) {
        if (decimals) {
            int d = std::max(0, *decimals);
            return rt::formatNumber(rt::Value::number(n.v, d).num());
        }
        return rt::formatNumber(n);
    }
    int d = decimals ? std::max(0, *decimals) : 0;
    return rt::formatNumber(n.v, *width, d);
}

std::string strZero(const rt::Value::Number& n, std::optional<int> width,
                    std::optional<int> decimals) {
    std::string s = str(n, width, decimals);
    if (s.find('*') != std::string::npos) return s;
    bool neg = false;
    for (char& c : s) {
        if (c == ' ') {
            c = '0';
        } else if (c == '-') {
            neg = true;
            c = '0';
        } else {
            break;
        }
    }
    if (neg) s[0] = '-';
    return s;
}

rt::Value val(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        neg = s[i] == '-';
        ++i;
    }
    std::string digits;
    int intDigits = 0, decimals = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        digits.push_back(s[i++]);
        ++intDigits;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        digits.push_back('.');
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            digits.push_back(s[i++]);
            ++decimals;
        }
    }
    double v = digits.empty() || digits == "." ? 0.0 : std::strtod(digits.c_str(), nullptr);
    if (neg) v = -v;
    if (v == 0) v = 0;  // no negative zero
    // The width is the text's length, as classic programs print Str(Val(x)); never less
    // than the number needs.
    int need = std::max(intDigits, 1) + (neg ? 1 : 0) + (decimals > 0 ? decimals + 1 : 0);
    int width = static_cast<int>(std::min<std::size_t>(s.size(), 40));
    if (width < need) width = need;
    return rt::Value::number(v, width, decimals);
}

// --- value probes ---

bool empty(const rt::Value& v) {
    using T = rt::Value::Type;
    switch (v.type()) {
        case T::Nil:
            return true;
        case T::Character:
        case T::Memo:
            for (char c : v.str()) {
                if (!isBlankChar(c)) return false;
            }
            return true;
        case T::Number:
            return v.numVal() == 0;
        case T::Date:
            return v.julian() == 0;
        case T::Logical:
            return !v.logical();
        case T::Array:
            return v.array().items.empty();
        case T::Hash:
            return v.hash().size() == 0;
        case T::Block:
        case T::Object:
            return false;
    }
    return true;
}

namespace {

void fn_SUBSTR(rt::Frame& f) {
    const std::string& s = f.str(1);
    double start = f.num(2);
    std::optional<long long> count;
    if (!f.isNil(3)) count = clampedInt(f.num(3));
    if (!std::isfinite(start)) start = 0;
    f.ret(subStr(s, static_cast<long long>(std::clamp(start, -1e15, 1e15)), count));
}

void fn_LEFT(rt::Frame& f) {
    const std::string& s = f.str(1);
    f.ret(left(s, clampedInt(f.num(2))));
}

void fn_RIGHT(rt::Frame& f) {
    if (!f.arg(1).isString() || !f.arg(2).isNumber()) return f.ret("");
    f.ret(right(f.arg(1).str(), clampedInt(f.arg(2).numVal())));
}

void fn_AT(rt::Frame& f) {
    const std::string& needle = f.str(1);
    const std::string& hay = f.str(2);
    f.ret(integer(static_cast<long long>(at(needle, hay))));
}

// HB_AT(needle, hay, start, end)
void fn_HB_AT(rt::Frame& f) {
    const std::string& needle = f.str(1);
    const std::string& hay = f.str(2);
    long long from = f.intOr(3, 1);
    long long to = f.intOr(4, static_cast<long long>(hay.size()));
    if (from < 1) from = 1;
    if (to > static_cast<long long>(hay.size())) to = static_cast<long long>(hay.size());
    if (to < from) return f.ret(integer(0));
    std::string_view part(hay.data(), static_cast<std::size_t>(to));
    f.ret(integer(static_cast<long long>(at(needle, part, static_cast<std::size_t>(from)))));
}

void fn_RAT(rt::Frame& f) {
    if (!f.arg(1).isString() || !f.arg(2).isString()) return f.ret(integer(0));
    f.ret(integer(static_cast<long long>(rat(f.arg(1).str(), f.arg(2).str()))));
}

void fn_STRTRAN(rt::Frame& f) {
    const std::string& s = f.str(1);
    const std::string& search = f.str(2);
    std::string repl = f.strOr(3, "");
    long long start = f.intOr(4, 1);
    long long count = f.isNil(5) ? -1 : std::max(0LL, f.intOr(5, 0));
    f.ret(strTran(s, search, repl, start, count));
}

void fn_STUFF(rt::Frame& f) {
    if (!f.arg(1).isString()) return f.ret("");
    std::string ins = f.arg(4).isString() ? f.arg(4).str() : std::string();
    long long start = f.arg(2).isNumber() ? clampedInt(f.arg(2).numVal()) : 0;
    long long del = f.arg(3).isNumber() ? clampedInt(f.arg(3).numVal()) : 0;
    f.ret(stuff(f.arg(1).str(), start, del, ins));
}

// Pad functions accept numbers and dates as classic programs pass them.
bool padSource(rt::Frame& f, std::string& out) {
    const rt::Value& v = f.arg(1);
    if (v.isString()) {
        out = v.str();
    } else if (v.isNumber()) {
        out = lTrim(rt::formatNumber(v.num()));
    } else if (v.isDate()) {
        out = dtoc(f.runtime().settings(), v.julian());
    } else {
        return false;
    }
    return true;
}

template <std::string (*Pad)(std::string_view, long long, char)>
void padWith(rt::Frame& f) {
    std::string s;
    if (!padSource(f, s) || !f.arg(2).isNumber()) return f.ret(rt::Value());
    std::string fill = f.arg(3).isString() ? f.arg(3).str() : std::string(" ");
    long long n = clampedInt(f.arg(2).numVal());
    if (n > kMaxString) n = 0;
    f.ret(Pad(s, n, fill.empty() ? ' ' : fill[0]));
}
void fn_PADR(rt::Frame& f) { padWith<padR>(f); }
void fn_PADL(rt::Frame& f) { padWith<padL>(f); }
void fn_PADC(rt::Frame& f) { padWith<padC>(f); }

void fn_ALLTRIM(rt::Frame& f) { f.ret(allTrim(f.str(1))); }
void fn_LTRIM(rt::Frame& f) { f.ret(lTrim(f.str(1))); }
void fn_RTRIM(rt::Frame& f) {
    const rt::Value& v = f.arg(1);
    if (!v.isString()) f.argError();
    rt::Value r(rTrim(v.str()));
    f.ret(v.isMemo() ? rt::Value::memo(r.str()) : r);
}
void fn_UPPER(rt::Frame& f) { f.ret(upper(f.str(1))); }
void fn_LOWER(rt::Frame& f) { f.ret(lower(f.str(1))); }

void stringOverflow(rt::Frame& f) {
    rt::XbError e;
    e.genCode = rt::eg::kStrOverflow;
    e.subSystem = "BASE";
    e.subCode = 1234;
    e.description = "String overflow";
    e.canSubstitute = true;
    f.fail(std::move(e));
}

void fn_REPLICATE(rt::Frame& f) {
    const std::string& s = f.str(1);
    double n = f.num(2);
    if (s.empty()) return f.ret("");
    if (n >= 1 && static_cast<double>(s.size()) * n > static_cast<double>(kMaxString)) {
        stringOverflow(f);
        return f.ret("");
    }
    f.ret(replicate(s, n >= 1 ? clampedInt(n) : 0));
}

void fn_SPACE(rt::Frame& f) {
    double n = f.num(1);
    if (n > static_cast<double>(kMaxString)) {
        stringOverflow(f);
        return f.ret("");
    }
    f.ret(std::string(n >= 1 ? static_cast<std::size_t>(n) : 0, ' '));
}

void fn_LEN(rt::Frame& f) {
    const rt::Value& v = f.arg(1);
    if (v.isString()) return f.ret(integer(static_cast<long long>(v.str().size())));
    if (v.isArray()) return f.ret(integer(static_cast<long long>(v.array().items.size())));
    if (v.isHash()) return f.ret(integer(static_cast<long long>(v.hash().size())));
    f.argError();
}

void fn_EMPTY(rt::Frame& f) { f.ret(empty(f.arg(1))); }

void fn_VALTYPE(rt::Frame& f) { f.ret(std::string(1, f.arg(1).typeLetter())); }

void fn_VAL(rt::Frame& f) { f.ret(val(f.str(1))); }

std::optional<int> optInt(rt::Frame& f, int n) {
    if (f.isNil(n)) return std::nullopt;
    double d = f.num(n);
    if (!std::isfinite(d) || d > 1000 || d < -1000) return std::nullopt;
    return static_cast<int>(d);
}

void fn_STR(rt::Frame& f) {
    if (!f.arg(1).isNumber()) f.argError();
    std::optional<int> w = optInt(f, 2);
    std::optional<int> d = optInt(f, 3);
    f.ret(str(f.arg(1).num(), w, d));
}

void fn_STRZERO(rt::Frame& f) {
    if (!f.arg(1).isNumber()) f.argError();
    std::optional<int> w = optInt(f, 2);
    std::optional<int> d = optInt(f, 3);
    f.ret(strZero(f.arg(1).num(), w, d));
}

// HB_NTOS(n): the number without leading blanks.
void fn_HB_NTOS(rt::Frame& f) {
    if (!f.arg(1).isNumber()) return f.ret("");
    f.ret(lTrim(rt::formatNumber(f.arg(1).num())));
}

// HB_VALTOSTR(v): any value as display text.
void fn_HB_VALTOSTR(rt::Frame& f) {
    const rt::Value& v = f.arg(1);
    switch (v.type()) {
        case rt::Value::Type::Character:
        case rt::Value::Type::Memo:
            return f.ret(v.str());
        case rt::Value::Type::Number:
            return f.ret(rt::formatNumber(v.num()));
        case rt::Value::Type::Date:
            return f.ret(dtoc(f.runtime().settings(), v.julian()));
        case rt::Value::Type::Logical:
            return f.ret(v.logical() ? ".T." : ".F.");
        case rt::Value::Type::Nil:
            return f.ret("NIL");
        default:
            return f.ret(rt::repr(v));
    }
}

void fn_CHR(rt::Frame& f) {
    double n = f.num(1);
    long long k = std::isfinite(n) ? static_cast<long long>(std::fmod(n, 256.0)) : 0;
    if (k < 0) k += 256;
    f.ret(std::string(1, static_cast<char>(static_cast<unsigned char>(k))));
}

void fn_ASC(rt::Frame& f) {
    const std::string& s = f.str(1);
    f.ret(integer(s.empty() ? 0 : static_cast<unsigned char>(s[0])));
}

template <bool (*Test)(unsigned char)>
void firstCharIs(rt::Frame& f) {
    const rt::Value& v = f.arg(1);
    f.ret(v.isString() && !v.str().empty() && Test(static_cast<unsigned char>(v.str()[0])));
}
bool digitChar(unsigned char c) { return c >= '0' && c <= '9'; }
bool alphaChar(unsigned char c) { return isAsciiUpper(c) || isAsciiLower(c); }
void fn_ISDIGIT(rt::Frame& f) { firstCharIs<digitChar>(f); }
void fn_ISALPHA(rt::Frame& f) { firstCharIs<alphaChar>(f); }
void fn_ISUPPER(rt::Frame& f) { firstCharIs<isAsciiUpper>(f); }
void fn_ISLOWER(rt::Frame& f) { firstCharIs<isAsciiLower>(f); }

// HB_ATOKENS(text, delimiter = " "): the pieces between delimiters (blank runs count as one
// delimiter when the delimiter is a blank).
void fn_HB_ATOKENS(rt::Frame& f) {
    const std::string& s = f.str(1);
    std::string delim = f.arg(2).isString() && !f.arg(2).str().empty() ? f.arg(2).str() : " ";
    std::vector<rt::Value> out;
    if (delim == " ") {
        std::size_t i = 0;
        while (i < s.size()) {
            while (i < s.size() && s[i] == ' ') ++i;
            if (i >= s.size()) break;
            std::size_t j = s.find(' ', i);
            if (j == std::string::npos) j = s.size();
            out.emplace_back(s.substr(i, j - i));
            i = j;
        }
    } else {
        std::size_t pos = 0;
        for (;;) {
            std::size_t p = s.find(delim, pos);
            if (p == std::string::npos) {
                out.emplace_back(s.substr(pos));
                break;
            }
            out.emplace_back(s.substr(pos, p - pos));
            pos = p + delim.size();
        }
    }
    f.ret(rt::Value::newArray(std::move(out)));
}

// Type probes HB_ISxxx(v).
template <rt::Value::Type T>
void isType(rt::Frame& f) {
    f.ret(f.arg(1).type() == T);
}
void fn_HB_ISSTRING(rt::Frame& f) { f.ret(f.arg(1).isString()); }

const rt::Builtin kBuiltins[] = {
    {"SUBSTR", fn_SUBSTR, 1110},
    {"LEFT", fn_LEFT, 1124},
    {"RIGHT", fn_RIGHT},
    {"AT", fn_AT, 1108},
    {"HB_AT", fn_HB_AT, 1108},
    {"RAT", fn_RAT},
    {"STRTRAN", fn_STRTRAN, 1126},
    {"STUFF", fn_STUFF},
    {"PADR", fn_PADR},
    {"PAD", fn_PADR},
    {"PADL", fn_PADL},
    {"PADC", fn_PADC},
    {"ALLTRIM", fn_ALLTRIM, 2022},
    {"LTRIM", fn_LTRIM, 1101},
    {"RTRIM", fn_RTRIM, 1100},
    {"TRIM", fn_RTRIM, 1100},
    {"UPPER", fn_UPPER, 1102},
    {"LOWER", fn_LOWER, 1103},
    {"REPLICATE", fn_REPLICATE, 1106},
    {"SPACE", fn_SPACE, 1105},
    {"LEN", fn_LEN, 1111},
    {"EMPTY", fn_EMPTY},
    {"VALTYPE", fn_VALTYPE},
    {"VAL", fn_VAL, 1098},
    {"STR", fn_STR, 1099},
    {"STRZERO", fn_STRZERO, 1099},
    {"HB_NTOS", fn_HB_NTOS},
    {"HB_VALTOSTR", fn_HB_VALTOSTR},
    {"HB_CSTR", fn_HB_VALTOSTR},
    {"CHR", fn_CHR, 1104},
    {"ASC", fn_ASC, 1107},
    {"ISDIGIT", fn_ISDIGIT},
    {"ISALPHA", fn_ISALPHA},
    {"ISUPPER", fn_ISUPPER},
    {"ISLOWER", fn_ISLOWER},
    {"HB_ATOKENS", fn_HB_ATOKENS, 1123},
    {"HB_ISSTRING", fn_HB_ISSTRING},
    {"HB_ISCHAR", isType<rt::Value::Type::Character>},
    {"HB_ISMEMO", isType<rt::Value::Type::Memo>},
    {"HB_ISNUMERIC", isType<rt::Value::Type::Number>},
    {"HB_ISDATE", isType<rt::Value::Type::Date>},
    {"HB_ISLOGICAL", isType<rt::Value::Type::Logical>},
    {"HB_ISARRAY", isType<rt::Value::Type::Array>},
    {"HB_ISHASH", isType<rt::Value::Type::Hash>},
    {"HB_ISBLOCK", isType<rt::Value::Type::Block>},
    {"HB_ISOBJECT", isType<rt::Value::Type::Object>},
    {"HB_ISNIL", isType<rt::Value::Type::Nil>},
};
}  // namespace

std::span<const rt::Builtin> stringBuiltins() { return kBuiltins; }

}  // namespace xb::stdlib
