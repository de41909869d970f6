#include "xbase/lexer.hpp"

#include <cctype>
#include <charconv>
#include <cstring>

#include "runtime/date.hpp"

namespace xb::xbase {

namespace {

bool identStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool identChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Dotted words: .T. .F. .Y. .N. .AND. .OR. .NOT. ; returns the length matched (0 = none).
std::size_t dottedWord(std::string_view s, Tok& kind) {
    static const struct {
        const char* w;
        Tok k;
    } kWords[] = {{".T.", Tok::True},  {".F.", Tok::False}, {".Y.", Tok::True}, {".N.", Tok::False},
                  {".AND.", Tok::And}, {".OR.", Tok::Or},   {".NOT.", Tok::Not}};
    for (const auto& w : kWords) {
        std::size_t n = std::strlen(w.w);
        if (s.size() >= n && iequals(s.substr(0, n), w.w)) {
            kind = w.k;
            return n;
        }
    }
    return 0;
}

// True when the previous token ends an operand, so "[" indexes instead of opening a string.
bool endsOperand(Tok t) {
    switch (t) {
        case Tok::Number:
        case Tok::String:
        case Tok::Date:
        case Tok::Ident:
        case Tok::MacroName:
        case Tok::True:
        case Tok::False:
        case Tok::RParen:
        case Tok::RBracket:
        case Tok::RBrace:
        case Tok::Inc:
        case Tok::Dec:
            return true;
        default:
            return false;
    }
}

}  // namespace

const char* tokenName(Tok t) {
    switch (t) {
        case Tok::End:
            return "end of expression";
        case Tok::Number:
            return "number";
        case Tok::String:
            return "string";
        case Tok::Date:
            return "date";
        case Tok::Ident:
            return "name";
        case Tok::MacroName:
            return "macro";
        case Tok::MacroParen:
            return "&(";
        case Tok::True:
            return ".T.";
        case Tok::False:
            return ".F.";
        case Tok::Plus:
            return "+";
        case Tok::Minus:
            return "-";
        case Tok::Star:
            return "*";
        case Tok::Slash:
            return "/";
        case Tok::Percent:
            return "%";
        case Tok::Power:
            return "**";
        case Tok::Inc:
            return "++";
        case Tok::Dec:
            return "--";
        case Tok::Assign:
            return ":=";
        case Tok::PlusAssign:
            return "+=";
        case Tok::MinusAssign:
            return "-=";
        case Tok::StarAssign:
            return "*=";
        case Tok::SlashAssign:
            return "/=";
        case Tok::PercentAssign:
            return "%=";
        case Tok::PowerAssign:
            return "^=";
        case Tok::Eq:
            return "=";
        case Tok::EqEq:
            return "==";
        case Tok::Ne:
            return "<>";
        case Tok::Lt:
            return "<";
        case Tok::Le:
            return "<=";
        case Tok::Gt:
            return ">";
        case Tok::Ge:
            return ">=";
        case Tok::Dollar:
            return "$";
        case Tok::And:
            return ".AND.";
        case Tok::Or:
            return ".OR.";
        case Tok::Not:
            return ".NOT.";
        case Tok::LParen:
            return "(";
        case Tok::RParen:
            return ")";
        case Tok::LBracket:
            return "[";
        case Tok::RBracket:
            return "]";
        case Tok::LBrace:
            return "{";
        case Tok::RBrace:
            return "}";
        case Tok::Comma:
            return ",";
        case Tok::Pipe:
            return "|";
        case Tok::Colon:
            return ":";
        case Tok::Arrow:
            return "->";
        case Tok::HashArrow:
            return "=>";
        case Tok::At:
            return "@";
        case Tok::Error:
            return "invalid character";
    }
    return "?";
}

std::vector<Token> tokenize(std::string_view s) {
    std::vector<Token> out;
    std::size_t i = 0;
    const std::size_t n = s.size();
    auto prevKind = [&]() { return out.empty() ? Tok::End : out.back().kind; };
    auto push = [&](Tok k, std::size_t start, std::size_t end) {
        Token t;
        t.kind = k;
        t.pos = static_cast<std::uint32_t>(start);
        t.end = static_cast<std::uint32_t>(end);
        out.push_back(std::move(t));
    };
    auto fail = [&](std::size_t at, std::string why) {
        push(Tok::Error, at, at + 1);
        out.back().text = std::move(why);
        push(Tok::End, n, n);
        return out;
    };

    while (i < n) {
        char c = s[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            ++i;
            continue;
        }
        const std::size_t start = i;
        // Numbers and date literals.
        if (digit(c) || (c == '.' && i + 1 < n && digit(s[i + 1]))) {
            if (c == '0' && i + 1 < n && (s[i + 1] == 'd' || s[i + 1] == 'D')) {
                std::size_t j = i + 2;
                while (j < n && digit(s[j])) ++j;
                if (j - (i + 2) != 8) return fail(start, "date literal needs 8 digits");
                std::string_view d = s.substr(i + 2, 8);
                std::int32_t jul = 0;
                if (d != "00000000") {
                    jul = rt::stod(d);
                    if (jul == 0) return fail(start, "invalid date literal");
                }
                push(Tok::Date, start, j);
                out.back().julian = jul;
                i = j;
                continue;
            }
            if (c == '0' && i + 1 < n && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
                std::size_t j = i + 2;
                double v = 0;
                while (j < n && std::isxdigit(static_cast<unsigned char>(s[j]))) {
                    int dv = digit(s[j])
                                 ? s[j] - '0'
                                 : std::toupper(static_cast<unsigned char>(s[j])) - 'A' + 10;
                    v = v * 16 + dv;
                    ++j;
                }
                if (j == i + 2) return fail(start, "hexadecimal number needs digits");
                push(Tok::Number, start, j);
                out.back().number = v;
                i = j;
                continue;
            }
            std::size_t j = i;
            while (j < n && digit(s[j])) ++j;
            const std::size_t intDigits = j - i;
            std::int16_t dec = 0;
            if (j + 1 < n && s[j] == '.' && digit(s[j + 1])) {
                ++j;
                std::size_t d0 = j;
                while (j < n && digit(s[j])) ++j;
                dec = static_cast<std::int16_t>(j - d0 > 30 ? 30 : j - d0);
            }
            if (j < n && identChar(s[j])) return fail(j, "invalid number");
            double v = 0;
            auto r = std::from_chars(s.data() + i, s.data() + j, v);
            if (r.ec != std::errc()) return fail(start, "invalid number");
            push(Tok::Number, start, j);
            Token& t = out.back();
            t.number = v;
            t.decimals = dec;
            // A literal keeps the width its text shows, at least the classic 10 columns.
            std::size_t w = (intDigits == 0 ? 1 : intDigits) + (dec ? dec + 1 : 0);
            t.width = static_cast<std::int16_t>(w < 10 ? 10 : (w > 60 ? 60 : w));
            t.text.assign(s.substr(i, j - i));
            i = j;
            continue;
        }
        // Names, possibly with macro pieces.
        if (identStart(c) || (c == '&' && i + 1 < n && identStart(s[i + 1]))) {
            std::vector<MacroPiece> pieces;
            bool macro = false;
            std::size_t j = i;
            while (j < n) {
                if (identChar(s[j])) {
                    std::size_t k = j;
                    while (k < n && identChar(s[k])) ++k;
                    if (!pieces.empty() && !pieces.back().isVar) {
                        pieces.back().text.append(s.substr(j, k - j));
                    } else {
                        pieces.push_back({false, std::string(s.substr(j, k - j))});
                    }
                    j = k;
                } else if (s[j] == '&' && j + 1 < n && identStart(s[j + 1])) {
                    std::size_t k = j + 1;
                    while (k < n && identChar(s[k])) ++k;
                    pieces.push_back({true, std::string(s.substr(j + 1, k - j - 1))});
                    macro = true;
                    j = k;
                    // A period right after the variable name ends it and is dropped, unless it
                    // begins a dotted operator such as .AND.
                    Tok dummy;
                    if (j < n && s[j] == '.' && dottedWord(s.substr(j), dummy) == 0) ++j;
                } else {
                    break;
                }
            }
            if (!macro) {
                push(Tok::Ident, start, j);
                out.back().text = std::move(pieces.front().text);
            } else {
                push(Tok::MacroName, start, j);
                out.back().pieces = std::move(pieces);
                out.back().text.assign(s.substr(start, j - start));
            }
            i = j;
            continue;
        }
        if (c == '&') {
            std::size_t j = i + 1;
            while (j < n && (s[j] == ' ' || s[j] == '\t')) ++j;
            if (j < n && s[j] == '(') {
                push(Tok::MacroParen, start, j + 1);
                i = j + 1;
                continue;
            }
            return fail(start, "& must be followed by a name or (");
        }
        // Strings.
        if (c == '"' || c == '\'' || (c == '[' && !endsOperand(prevKind()))) {
            char close = c == '[' ? ']' : c;
            std::size_t j = i + 1;
            while (j < n && s[j] != close) ++j;
            if (j >= n) return fail(start, "unterminated string");
            push(Tok::String, start, j + 1);
            out.back().text.assign(s.substr(i + 1, j - i - 1));
            i = j + 1;
            continue;
        }
        if (c == '.') {
            Tok k;
            std::size_t len = dottedWord(s.substr(i), k);
            if (len == 0) return fail(start, "unexpected .");
            push(k, start, i + len);
            i += len;
            continue;
        }
        auto two = [&](char a, char b) { return c == a && i + 1 < n && s[i + 1] == b; };
        Tok k = Tok::End;
        std::size_t len = 2;
        if (two('*', '*')) {
            k = (i + 2 < n && s[i + 2] == '=') ? Tok::PowerAssign : Tok::Power;
            len = k == Tok::PowerAssign ? 3 : 2;
        } else if (two('+', '+'))
            k = Tok::Inc;
        else if (two('-', '-'))
            k = Tok::Dec;
        else if (two('-', '>'))
            k = Tok::Arrow;
        else if (two(':', '='))
            k = Tok::Assign;
        else if (two('+', '='))
            k = Tok::PlusAssign;
        else if (two('-', '='))
            k = Tok::MinusAssign;
        else if (two('*', '='))
            k = Tok::StarAssign;
        else if (two('/', '='))
            k = Tok::SlashAssign;
        else if (two('%', '='))
            k = Tok::PercentAssign;
        else if (two('^', '='))
            k = Tok::PowerAssign;
        else if (two('=', '='))
            k = Tok::EqEq;
        else if (two('=', '>'))
            k = Tok::HashArrow;
        else if (two('!', '='))
            k = Tok::Ne;
        else if (two('<', '>'))
            k = Tok::Ne;
        else if (two('<', '='))
            k = Tok::Le;
        else if (two('>', '='))
            k = Tok::Ge;
        else {
            len = 1;
            switch (c) {
                case '+':
                    k = Tok::Plus;
                    break;
                case '-':
                    k = Tok::Minus;
                    break;
                case '*':
                    k = Tok::Star;
                    break;
                case '/':
                    k = Tok::Slash;
                    break;
                case '%':
                    k = Tok::Percent;
                    break;
                case '^':
                    k = Tok::Power;
                    break;
                case '=':
                    k = Tok::Eq;
                    break;
                case '#':
                    k = Tok::Ne;
                    break;
                case '<':
                    k = Tok::Lt;
                    break;
                case '>':
                    k = Tok::Gt;
                    break;
                case '$':
                    k = Tok::Dollar;
                    break;
                case '!':
                    k = Tok::Not;
                    break;
                case '(':
                    k = Tok::LParen;
                    break;
                case ')':
                    k = Tok::RParen;
                    break;
                case '[':
                    k = Tok::LBracket;
                    break;
                case ']':
                    k = Tok::RBracket;
                    break;
                case '{':
                    k = Tok::LBrace;
                    break;
                case '}':
                    k = Tok::RBrace;
                    break;
                case ',':
                    k = Tok::Comma;
                    break;
                case '|':
                    k = Tok::Pipe;
                    break;
                case ':':
                    k = Tok::Colon;
                    break;
                case '@':
                    k = Tok::At;
                    break;
                default:
                    return fail(start, "unexpected character");
            }
        }
        push(k, start, i + len);
        i += len;
    }
    push(Tok::End, n, n);
    return out;
}

}  // namespace xb::xbase
