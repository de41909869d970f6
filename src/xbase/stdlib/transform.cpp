// Transform(): a value formatted by a picture.
//
// A picture is "@" + function letters, a blank, then a template; or only the functions; or
// only a template. Functions: "!" upper case, "B" numbers left-justified, "C" " CR" after
// positive numbers, "X" " DB" after negative ones, "(" negative numbers in parentheses, "D"
// the SET DATEFORMAT form, "E" European form (dd/mm/yy dates; "." and "," swapped in
// numbers), "R" template literals inserted into character values, "Z" zero or empty shown as
// blanks, "S<n>" at most n characters, "K" (edit-only) ignored.
// Template characters: for text, A N X 9 # L Y take the next character and "!" takes it in
// upper case; any other character is a literal, inserted with "R" and otherwise standing in
// for the character at its place. For numbers, 9 # $ * are digit places ("$" and "*" fill the
// unused leading places), "." the decimal point, "," a separator shown only between digits;
// a number that does not fit fills the digit places with "*". For logicals, "Y" gives Y/N
// and "L" T/F.
#include <cmath>

#include "runtime/number.hpp"
#include "xbase/stdlib/stdlib.hpp"
#include "xbase/stdlib/tables.hpp"

namespace xb::stdlib {

namespace {

struct Picture {
    std::string functions;  // upper case
    std::string tmpl;
    long long scroll = 0;  // @S<n>
    bool has(char c) const { return functions.find(c) != std::string::npos; }
};

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

Picture parsePicture(std::string_view pic) {
    Picture p;
    if (pic.empty() || pic[0] != '@') {
        p.tmpl = std::string(pic);
        return p;
    }
    std::size_t sp = pic.find(' ');
    std::string_view fn =
        pic.substr(1, sp == std::string_view::npos ? std::string_view::npos : sp - 1);
    if (sp != std::string_view::npos) p.tmpl = std::string(pic.substr(sp + 1));
    for (std::size_t i = 0; i < fn.size(); ++i) {
        char c = upperAscii(fn[i]);
        if (c == 'S') {
            long long n = 0;
            while (i + 1 < fn.size() && fn[i + 1] >= '0' && fn[i + 1] <= '9' && n < 100000) {
                n = n * 10 + (fn[++i] - '0');
            }
            p.scroll = n;
        }
        p.functions.push_back(c);
    }
    return p;
}

bool isTextPlace(char c) {
    c = upperAscii(c);
    return c == 'A' || c == 'N' || c == 'X' || c == '9' || c == '#' || c == '!' || c == 'L' ||
           c == 'Y';
}

std::string transformText(std::string_view s, const Picture& p, const rt::Settings& settings) {
    std::string tmpl = p.tmpl;
    bool insert = p.has('R');
    if (p.has('D') && tmpl.empty()) {
        for (char c : settings.dateFormat) {
            char u = upperAscii(c);
            tmpl.push_back(u == 'D' || u == 'M' || u == 'Y' ? '9' : c);
        }
        insert = true;
    }
    const bool allUpper = p.has('!');
    std::string out;
    if (tmpl.empty()) {
        out = std::string(s);
        if (allUpper) {
            for (char& c : out) c = upperAscii(c);
        }
        return out;
    }
    std::size_t si = 0;
    for (char t : tmpl) {
        if (isTextPlace(t)) {
            char c = si < s.size() ? s[si] : ' ';
            ++si;
            if (allUpper || t == '!') c = upperAscii(c);
            out.push_back(c);
        } else {
            out.push_back(t);
            if (!insert) ++si;  // the literal stands in for the character at its place
        }
    }
    return out;
}

bool isDigitPlace(char c) { return c == '9' || c == '#' || c == '$' || c == '*'; }

// Formats |v| (and the sign unless the caller shows it otherwise) into a numeric template.
std::string numberByTemplate(double v, const std::string& tmpl, bool showMinus) {
    std::size_t dot = tmpl.find('.');
    int decimals = 0;
    if (dot != std::string::npos) {
        for (std::size_t i = dot + 1; i < tmpl.size(); ++i) {
            if (isDigitPlace(tmpl[i])) ++decimals;
        }
    }
    if (!std::isfinite(v)) {  // an overflowed result fills every digit place
        std::string out = tmpl;
        for (char& c : out) {
            if (isDigitPlace(c) || c == ',') c = '*';
        }
        return out;
    }
    std::string text = rt::plainNumber(std::fabs(v), decimals);
    std::string intDigits = text.substr(0, text.find('.'));
    std::string frac = decimals > 0 ? text.substr(text.find('.') + 1) : std::string();
    bool neg = v < 0 && text.find_first_not_of("0.") != std::string::npos;
    bool minusPending = neg && showMinus;
    const bool starFill = tmpl.find('*') != std::string::npos;

    std::string out = tmpl;
    const std::size_t intEnd = dot == std::string::npos ? tmpl.size() : dot;
    bool anyIntPlace = false;
    for (std::size_t i = 0; i < intEnd; ++i) anyIntPlace = anyIntPlace || isDigitPlace(tmpl[i]);
    // A lone zero integer part is shown only when the template has places for it.
    if (intDigits == "0" && decimals > 0 && !anyIntPlace) intDigits.clear();
    std::size_t left = intDigits.size();  // digits still to place, from the right
    bool overflow = false;
    for (std::size_t i = intEnd; i-- > 0;) {
        char t = tmpl[i];
        if (isDigitPlace(t)) {
            if (left > 0) {
                out[i] = intDigits[--left];
            } else if (minusPending) {
                out[i] = '-';
                minusPending = false;
            } else {
                out[i] = t == '*' ? '*' : t == '$' ? '$' : ' ';
            }
        } else if (t == ',') {
            if (left > 0) {
                out[i] = ',';
            } else if (minusPending) {
                out[i] = '-';
                minusPending = false;
            } else {
                out[i] = starFill ? '*' : ' ';
            }
        }
    }
    if (left > 0 || minusPending) overflow = true;
    if (dot != std::string::npos) {
        std::size_t fi = 0;
        for (std::size_t i = dot + 1; i < tmpl.size(); ++i) {
            if (isDigitPlace(tmpl[i])) out[i] = fi < frac.size() ? frac[fi++] : '0';
        }
    }
    if (overflow) {
        for (std::size_t i = 0; i < out.size(); ++i) {
            if (isDigitPlace(tmpl[i]) || tmpl[i] == ',') out[i] = '*';
        }
    }
    return out;
}

std::string transformNumber(const rt::Value::Number& n, const Picture& p) {
    const bool parens = p.has('(');
    const bool debit = p.has('X');
    const bool neg = n.v < 0 && rt::roundHalfAway(n.v, n.decimals) != 0;
    std::string out;
    if (p.tmpl.empty()) {
        out = rt::formatNumber(parens || debit ? std::fabs(n.v) : n.v, n.width, n.decimals);
    } else {
        out = numberByTemplate(n.v, p.tmpl, !parens && !debit);
    }
    if (p.has('Z') && n.v == 0) return std::string(out.size(), ' ');
    if (p.has('E')) {
        for (char& c : out) c = c == '.' ? ',' : c == ',' ? '.' : c;
    }
    if (p.has('B')) {
        std::size_t b = out.find_first_not_of(' ');
        std::string t = b == std::string::npos ? std::string() : out.substr(b);
        t.append(out.size() - t.size(), ' ');
        out = t;
    }
    if (parens && neg) {
        std::size_t b = out.find_first_not_of(' ');
        if (b != std::string::npos && b > 0) {
            out[b - 1] = '(';
        } else {
            out.insert(0, "(");
        }
        out.push_back(')');
    } else if (parens) {
        out.push_back(' ');
    }
    if (p.has('C') && n.v > 0) out += " CR";
    if (debit && neg) out += " DB";
    return out;
}

std::string transformDate(std::int32_t julian, const Picture& p, const rt::Settings& s) {
    if (p.has('Z') && julian == 0) return std::string(dtoc(s, 0).size(), ' ');
    if (p.has('E')) {
        bool century = s.dateFormat.find("yyyy") != std::string::npos ||
                       s.dateFormat.find("YYYY") != std::string::npos;
        return dtoc(julian, century ? "dd/mm/yyyy" : "dd/mm/yy");
    }
    return dtoc(s, julian);
}

std::string transformLogical(bool b, const Picture& p) {
    if (p.tmpl.empty()) return b ? "T" : "F";
    std::string out;
    for (char t : p.tmpl) {
        char u = upperAscii(t);
        if (u == 'Y') {
            out.push_back(b ? 'Y' : 'N');
        } else if (u == 'L' || u == '!' || u == 'X' || u == '#') {
            out.push_back(b ? 'T' : 'F');
        } else {
            out.push_back(t);
        }
    }
    return out;
}

}  // namespace

std::string transform(rt::Runtime& rt, const rt::Value& v, std::string_view picture) {
    Picture p = parsePicture(picture);
    std::string out;
    switch (v.type()) {
        case rt::Value::Type::Character:
        case rt::Value::Type::Memo:
            out = transformText(v.str(), p, rt.settings());
            break;
        case rt::Value::Type::Number:
            out = transformNumber(v.num(), p);
            break;
        case rt::Value::Type::Date:
            out = transformDate(v.julian(), p, rt.settings());
            break;
        case rt::Value::Type::Logical:
            out = transformLogical(v.logical(), p);
            break;
        default:
            return {};
    }
    if (p.scroll > 0 && out.size() > static_cast<std::size_t>(p.scroll)) {
        out.resize(static_cast<std::size_t>(p.scroll));
    }
    return out;
}

namespace {

void fn_TRANSFORM(rt::Frame& f) {
    const rt::Value& v = f.arg(1);
    std::string pic = f.arg(2).isString() ? f.arg(2).str() : std::string();
    if (!f.arg(2).isNil() && !f.arg(2).isString()) f.argError();
    if (v.isNil()) return f.ret("");
    if (v.isArray() || v.isHash() || v.isBlock() || v.isObject()) f.argError();
    f.ret(transform(f.runtime(), v, pic));
}

const rt::Builtin kBuiltins[] = {
    {"TRANSFORM", fn_TRANSFORM, 1122},
};
}  // namespace

std::span<const rt::Builtin> transformBuiltins() { return kBuiltins; }

}  // namespace xb::stdlib
