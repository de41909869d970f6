// PARSER: recursive descent over the token list, building the tree of a Compiled.
//
// Nesting is counted on every subexpression and prefix operator; beyond kMaxNesting the text is
// refused with a syntax error instead of exhausting the stack.
#include <algorithm>
#include <cstring>

#include "xbase/tree.hpp"

namespace xb::xbase {

using detail::Arg;
using detail::Node;
using rt::Value;

namespace {

constexpr int kMaxNesting = 256;

struct ParseError {
    std::uint32_t pos;
    std::string message;
};

std::string upper(std::string_view s) {
    std::string r(s);
    for (char& ch : r) {
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    }
    return r;
}

// Standard functions that only compute a value from their arguments or read state, so the
// type probe may call them.
bool pureFunction(std::string_view upperName) {
    static const char* const kPure[] = {
        "ABS",        "ALIAS",    "ALLTRIM",   "ARRAY",    "ASC",      "AT",        "BOF",
        "CDOW",       "CHR",      "CMONTH",    "CTOD",     "DATE",     "DAY",       "DELETED",
        "DESCEND",    "DOW",      "DTOC",      "DTOS",     "EMPTY",    "EOF",       "EXP",
        "FCOUNT",     "FIELDGET", "FIELDNAME", "FOUND",    "HASH",     "INT",       "ISALPHA",
        "ISDIGIT",    "ISLOWER",  "ISUPPER",   "LASTREC",  "LEFT",     "LEN",       "LOG",
        "LOWER",      "LTRIM",    "MAX",       "MIN",      "MOD",      "MONTH",     "PADC",
        "PADL",       "PADR",     "RAT",       "RECCOUNT", "RECNO",    "REPLICATE", "RIGHT",
        "ROUND",      "RTRIM",    "SECONDS",   "SELECT",   "SPACE",    "SQRT",      "STOD",
        "STR",        "STRTRAN",  "STRZERO",   "STUFF",    "SUBSTR",   "TIME",      "TRANSFORM",
        "TRIM",       "TYPE",     "UPPER",     "USED",     "VAL",      "VALTYPE",   "YEAR",
        "HB_HHASKEY", "HHASKEY",  "HB_HGET",   "HGET",     "HB_HKEYS", "HKEYS",     "HB_HVALUES",
        "HVALUES",    "HLEN",     "ATAIL",     "ASCAN",
    };
    for (const char* p : kPure) {
        if (upperName == p) return true;
    }
    return false;
}

Op assignOp(Tok t) {
    switch (t) {
        case Tok::PlusAssign:
            return Op::Add;
        case Tok::MinusAssign:
            return Op::Sub;
        case Tok::StarAssign:
            return Op::Mul;
        case Tok::SlashAssign:
            return Op::Div;
        case Tok::PercentAssign:
            return Op::Mod;
        default:
            return Op::Pow;
    }
}

}  // namespace

class Parser {
public:
    Parser(rt::Runtime& rt, Compiled& unit, std::string_view text)
        : rt_(rt), unit_(unit), text_(text), toks_(tokenize(text)) {}

    Node* parseTop() {
        const Token& t0 = peek();
        Node* first = parseExpr();
        if (peek().kind == Tok::Comma) {
            std::vector<const Node*> items{first};
            while (accept(Tok::Comma)) items.push_back(parseExpr());
            first = make<detail::ListNode>(t0.pos, std::move(items));
        }
        if (peek().kind != Tok::End) unexpected();
        return first;
    }

private:
    struct Nest {
        explicit Nest(Parser& p) : parser(p) {
            if (++parser.depth_ > kMaxNesting) {
                throw ParseError{parser.peek().pos, "expression nested too deeply"};
            }
        }
        ~Nest() { --parser.depth_; }
        Parser& parser;
    };

    template <class T, class... A>
    T* make(A&&... a) {
        auto n = std::make_unique<T>(std::forward<A>(a)...);
        T* raw = n.get();
        unit_.nodes_.push_back(std::move(n));
        return raw;
    }

    const Token& peek(std::size_t ahead = 0) const {
        std::size_t i = std::min(pos_ + ahead, toks_.size() - 1);
        return toks_[i];
    }
    const Token& next() {
        const Token& t = toks_[pos_];
        if (pos_ + 1 < toks_.size()) ++pos_;
        return t;
    }
    bool accept(Tok k) {
        if (peek().kind != k) return false;
        next();
        return true;
    }
    [[noreturn]] void unexpected() const {
        const Token& t = peek();
        if (t.kind == Tok::Error) throw ParseError{t.pos, t.text};
        if (t.kind == Tok::End) throw ParseError{t.pos, "unexpected end of expression"};
        throw ParseError{
            t.pos, std::string("unexpected ") + std::string(text_.substr(t.pos, t.end - t.pos))};
    }
    void expect(Tok k) {
        if (peek().kind != k) {
            const Token& t = peek();
            if (t.kind == Tok::Error) throw ParseError{t.pos, t.text};
            throw ParseError{t.pos, std::string("expected ") + tokenName(k)};
        }
        next();
    }

    Node* parseExpr() {
        Nest nest(*this);
        Node* lhs = parseOr();
        Tok k = peek().kind;
        if (k == Tok::Assign || k == Tok::PlusAssign || k == Tok::MinusAssign ||
            k == Tok::StarAssign || k == Tok::SlashAssign || k == Tok::PercentAssign ||
            k == Tok::PowerAssign) {
            const Token& op = next();
            if (!lhs->assignable()) throw ParseError{op.pos, "cannot assign to this"};
            Node* rhs = parseExpr();
            if (k == Tok::Assign) return make<detail::AssignNode>(op.pos, lhs, rhs);
            return make<detail::CompoundNode>(op.pos, assignOp(k), lhs, rhs);
        }
        return lhs;
    }

    Node* parseOr() {
        Node* a = parseAnd();
        while (peek().kind == Tok::Or) {
            std::uint32_t p = next().pos;
            Node* b = parseAnd();
            a = make<detail::LogicNode>(p, false, a, b);
        }
        return a;
    }

    Node* parseAnd() {
        Node* a = parseNot();
        while (peek().kind == Tok::And) {
            std::uint32_t p = next().pos;
            Node* b = parseNot();
            a = make<detail::LogicNode>(p, true, a, b);
        }
        return a;
    }

    Node* parseNot() {
        if (peek().kind == Tok::Not) {
            Nest nest(*this);
            std::uint32_t p = next().pos;
            Node* x = parseNot();
            return make<detail::UnaryNode>(p, detail::UnOp::Not, x);
        }
        return parseRel();
    }

    Node* parseRel() {
        Node* a = parseAdd();
        for (;;) {
            Op op;
            switch (peek().kind) {
                case Tok::Eq:
                    op = Op::Eq;
                    break;
                case Tok::EqEq:
                    op = Op::ExactEq;
                    break;
                case Tok::Ne:
                    op = Op::Ne;
                    break;
                case Tok::Lt:
                    op = Op::Lt;
                    break;
                case Tok::Le:
                    op = Op::Le;
                    break;
                case Tok::Gt:
                    op = Op::Gt;
                    break;
                case Tok::Ge:
                    op = Op::Ge;
                    break;
                case Tok::Dollar:
                    op = Op::Contains;
                    break;
                default:
                    return a;
            }
            std::uint32_t p = next().pos;
            Node* b = parseAdd();
            a = make<detail::BinaryNode>(p, op, a, b);
        }
    }

    Node* parseAdd() {
        Node* a = parseMul();
        for (;;) {
            Tok k = peek().kind;
            if (k != Tok::Plus && k != Tok::Minus) return a;
            std::uint32_t p = next().pos;
            Node* b = parseMul();
            a = make<detail::BinaryNode>(p, k == Tok::Plus ? Op::Add : Op::Sub, a, b);
        }
    }

    Node* parseMul() {
        Node* a = parsePow();
        for (;;) {
            Tok k = peek().kind;
            Op op;
            if (k == Tok::Star)
                op = Op::Mul;
            else if (k == Tok::Slash)
                op = Op::Div;
            else if (k == Tok::Percent)
                op = Op::Mod;
            else
                return a;
            std::uint32_t p = next().pos;
            Node* b = parsePow();
            a = make<detail::BinaryNode>(p, op, a, b);
        }
    }

    Node* parsePow() {
        Node* a = parseUnary();
        while (peek().kind == Tok::Power) {
            std::uint32_t p = next().pos;
            Node* b = parseUnary();
            a = make<detail::BinaryNode>(p, Op::Pow, a, b);
        }
        return a;
    }

    Node* parseUnary() {
        const Token& t = peek();
        if (t.kind == Tok::Minus || t.kind == Tok::Plus || t.kind == Tok::Not ||
            t.kind == Tok::Inc || t.kind == Tok::Dec) {
            Nest nest(*this);
            return prefixed(t);
        }
        return parsePostfix();
    }

    Node* prefixed(const Token& t) {
        switch (t.kind) {
            case Tok::Minus: {
                next();
                Node* x = parseUnary();
                return make<detail::UnaryNode>(t.pos, detail::UnOp::Neg, x);
            }
            case Tok::Plus: {
                next();
                Node* x = parseUnary();
                return make<detail::UnaryNode>(t.pos, detail::UnOp::Plus, x);
            }
            case Tok::Not: {
                // "!" after an operator of higher precedence (a == !b) applies to one operand.
                next();
                Node* x = parseUnary();
                return make<detail::UnaryNode>(t.pos, detail::UnOp::Not, x);
            }
            case Tok::Inc:
            case Tok::Dec: {
                std::uint32_t p = t.pos;
                int delta = t.kind == Tok::Inc ? 1 : -1;
                next();
                Node* x = parseUnary();
                if (!x->assignable()) throw ParseError{p, "cannot increment this"};
                return make<detail::IncDecNode>(p, x, delta, true);
            }
            default:
                return parsePostfix();
        }
    }

    Node* parsePostfix() {
        Node* x = parsePrimary();
        for (;;) {
            const Token& t = peek();
            if (t.kind == Tok::LBracket) {
                next();
                do {
                    Node* idx = parseExpr();
                    x = make<detail::IndexNode>(t.pos, x, idx);
                } while (accept(Tok::Comma));
                expect(Tok::RBracket);
            } else if (t.kind == Tok::Colon) {
                next();
                const Token& m = peek();
                if (m.kind != Tok::Ident) throw ParseError{m.pos, "expected a message name"};
                next();
                std::string msg = upper(m.text);
                if (peek().kind == Tok::LParen) {
                    std::vector<Arg> args = parseArgs();
                    x = make<detail::SendNode>(t.pos, x, std::move(msg), std::move(args), true);
                } else {
                    x = make<detail::SendNode>(t.pos, x, std::move(msg), std::vector<Arg>{}, false);
                }
            } else if (t.kind == Tok::Inc || t.kind == Tok::Dec) {
                if (!x->assignable()) return x;  // let the caller report what follows
                next();
                x = make<detail::IncDecNode>(t.pos, x, t.kind == Tok::Inc ? 1 : -1, false);
            } else {
                return x;
            }
        }
    }

    // "(" args ")": empty places are omitted arguments; "@name" passes by reference.
    std::vector<Arg> parseArgs() {
        expect(Tok::LParen);
        std::vector<Arg> args;
        if (accept(Tok::RParen)) return args;
        for (;;) {
            Arg a;
            Tok k = peek().kind;
            if (k == Tok::Comma || k == Tok::RParen) {
                // omitted
            } else if (k == Tok::At) {
                const Token& at = next();
                const Token& nm = peek();
                if (nm.kind != Tok::Ident) throw ParseError{at.pos, "@ needs a variable name"};
                next();
                a.node = nameNode(nm);
                a.byRef = true;
            } else {
                a.node = parseExpr();
            }
            args.push_back(a);
            if (accept(Tok::Comma)) continue;
            expect(Tok::RParen);
            return args;
        }
    }

    bool isLocal(const std::string& name) const {
        std::string u = upper(name);
        for (const auto& scope : scopes_) {
            if (std::find(scope.begin(), scope.end(), u) != scope.end()) return true;
        }
        return false;
    }

    // A plain name: a block parameter (innermost first) or a field/memory variable.
    Node* nameNode(const Token& t) {
        std::string u = upper(t.text);
        int up = 0;
        for (auto it = scopes_.rbegin(); it != scopes_.rend(); ++it) {
            if (it->empty()) continue;
            auto f = std::find(it->begin(), it->end(), u);
            if (f != it->end()) {
                return make<detail::LocalVar>(t.pos, up, static_cast<int>(f - it->begin()));
            }
            ++up;
        }
        return make<detail::NameNode>(t.pos, rt_.intern(t.text), t.text);
    }

    Node* call(const Token& nameTok) {
        std::string u = upper(nameTok.text);
        std::vector<Arg> args = parseArgs();
        if ((u == "IF" || u == "IIF") && (args.size() == 2 || args.size() == 3)) {
            bool plain = std::all_of(args.begin(), args.end(),
                                     [](const Arg& a) { return a.node && !a.byRef; });
            if (plain) {
                return make<detail::IfNode>(nameTok.pos, args[0].node, args[1].node,
                                            args.size() == 3 ? args[2].node : nullptr);
            }
        }
        if (blockDepth_ == 0 && !pureFunction(u)) unit_.impure_ = true;
        rt::FunctionId id = rt_.findFunction(u);
        return make<detail::CallNode>(nameTok.pos, std::move(u), id, std::move(args));
    }

    // After "->": a field name, "(expr)", or a macro name.
    Node* aliased(std::uint32_t p, detail::AreaRef area) {
        const Token& t = peek();
        if (t.kind == Tok::Ident) {
            next();
            return make<detail::FieldNode>(p, std::move(area), upper(t.text));
        }
        if (t.kind == Tok::LParen) {
            next();
            Node* e = parseList(t.pos);
            expect(Tok::RParen);
            return make<detail::AliasExprNode>(p, std::move(area), e);
        }
        throw ParseError{t.pos, "expected a field name or ( after ->"};
    }

    // e1, e2, ... up to a closing token; one item gives the item itself.
    Node* parseList(std::uint32_t p) {
        Node* first = parseExpr();
        if (peek().kind != Tok::Comma) return first;
        std::vector<const Node*> items{first};
        while (accept(Tok::Comma)) items.push_back(parseExpr());
        return make<detail::ListNode>(p, std::move(items));
    }

    Node* parsePrimary() {
        const Token& t = peek();
        switch (t.kind) {
            case Tok::Number: {
                next();
                if (t.decimals == 0) return make<detail::Literal>(t.pos, Value::integer(t.number));
                return make<detail::Literal>(t.pos, Value::number(t.number, t.width, t.decimals));
            }
            case Tok::String:
                next();
                return make<detail::Literal>(t.pos, Value(t.text));
            case Tok::Date:
                next();
                return make<detail::Literal>(t.pos, Value::date(t.julian));
            case Tok::True:
                next();
                return make<detail::Literal>(t.pos, Value(true));
            case Tok::False:
                next();
                return make<detail::Literal>(t.pos, Value(false));
            case Tok::Ident: {
                next();
                std::string u = upper(t.text);
                if (peek().kind == Tok::LParen) return call(t);
                if (peek().kind == Tok::Arrow) {
                    std::uint32_t p = next().pos;
                    // MEMVAR and FIELD may be shortened to four letters, as in the language.
                    auto isWord = [&u](std::string_view w) {
                        return u == w || (u.size() >= 4 && w.substr(0, u.size()) == u);
                    };
                    if (u == "M" || isWord("MEMVAR")) {
                        const Token& v = peek();
                        if (v.kind != Tok::Ident) throw ParseError{v.pos, "expected a name"};
                        next();
                        return make<detail::MemvarNode>(v.pos, rt_.intern(v.text), upper(v.text));
                    }
                    detail::AreaRef area;
                    if (!isWord("FIELD")) area.alias = u;
                    return aliased(p, std::move(area));
                }
                if (u == "NIL" && !isLocal(u)) return make<detail::Literal>(t.pos, Value());
                return nameNode(t);
            }
            case Tok::MacroName: {
                next();
                auto* text = make<detail::MacroTextNode>(t.pos, t.pieces);
                if (peek().kind == Tok::LParen) {
                    std::vector<Arg> args = parseArgs();
                    if (blockDepth_ == 0) unit_.impure_ = true;
                    return make<detail::MacroCallNode>(t.pos, text, std::move(args));
                }
                if (peek().kind == Tok::Arrow) {
                    std::uint32_t p = next().pos;
                    detail::AreaRef area;
                    area.expr = text;
                    return aliased(p, std::move(area));
                }
                return make<detail::MacroNode>(t.pos, text, nullptr);
            }
            case Tok::MacroParen: {
                next();
                Node* e = parseList(t.pos);
                expect(Tok::RParen);
                return make<detail::MacroNode>(t.pos, nullptr, e);
            }
            case Tok::LParen: {
                next();
                Node* e = parseList(t.pos);
                expect(Tok::RParen);
                if (peek().kind == Tok::Arrow) {
                    std::uint32_t p = next().pos;
                    detail::AreaRef area;
                    area.expr = e;
                    return aliased(p, std::move(area));
                }
                return e;
            }
            case Tok::LBrace:
                return braces();
            default:
                unexpected();
        }
    }

    // { ... }: a block {|a| ...}, a hash {k => v}, {=>}, or an array {a, b}.
    Node* braces() {
        const Token& open = next();
        if (peek().kind == Tok::Pipe) return block(open);
        if (peek().kind == Tok::HashArrow) {
            next();
            expect(Tok::RBrace);
            return make<detail::HashLitNode>(open.pos, std::vector<const Node*>{},
                                             std::vector<const Node*>{});
        }
        if (accept(Tok::RBrace))
            return make<detail::ArrayLitNode>(open.pos, std::vector<const Node*>{});
        std::vector<const Node*> items;
        auto item = [&]() -> Node* {
            Tok k = peek().kind;
            if (k == Tok::Comma || k == Tok::RBrace) return nullptr;
            return parseExpr();
        };
        Node* first = item();
        if (first && peek().kind == Tok::HashArrow) {
            std::vector<const Node*> keys{first}, vals;
            next();
            vals.push_back(parseExpr());
            while (accept(Tok::Comma)) {
                keys.push_back(parseExpr());
                expect(Tok::HashArrow);
                vals.push_back(parseExpr());
            }
            expect(Tok::RBrace);
            return make<detail::HashLitNode>(open.pos, std::move(keys), std::move(vals));
        }
        items.push_back(first);
        while (accept(Tok::Comma)) items.push_back(item());
        expect(Tok::RBrace);
        return make<detail::ArrayLitNode>(open.pos, std::move(items));
    }

    Node* block(const Token& open) {
        expect(Tok::Pipe);
        std::vector<std::string> params;
        if (peek().kind != Tok::Pipe) {
            for (;;) {
                const Token& p = peek();
                if (p.kind != Tok::Ident) throw ParseError{p.pos, "expected a parameter name"};
                next();
                std::string u = upper(p.text);
                if (std::find(params.begin(), params.end(), u) != params.end()) {
                    throw ParseError{p.pos, "duplicate parameter " + u};
                }
                params.push_back(std::move(u));
                if (!accept(Tok::Comma)) break;
            }
        }
        expect(Tok::Pipe);
        int count = static_cast<int>(params.size());
        scopes_.push_back(std::move(params));
        ++blockDepth_;
        std::vector<const Node*> body;
        if (peek().kind != Tok::RBrace) {
            body.push_back(parseExpr());
            while (accept(Tok::Comma)) body.push_back(parseExpr());
        }
        const Token& close = peek();
        expect(Tok::RBrace);
        --blockDepth_;
        scopes_.pop_back();
        std::string text(text_.substr(open.pos, close.end - open.pos));
        return make<detail::BlockLitNode>(open.pos, count, std::move(body), std::move(text));
    }

    rt::Runtime& rt_;
    Compiled& unit_;
    std::string_view text_;
    std::vector<Token> toks_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    int blockDepth_ = 0;
    std::vector<std::vector<std::string>> scopes_;
};

namespace detail {

std::shared_ptr<Compiled> parseText(rt::Runtime& rt, std::string_view text, SyntaxError& err) {
    auto unit = std::make_shared<Compiled>();
    unit->text_ = std::string(text);
    try {
        Parser p(rt, *unit, unit->text_);
        unit->root_ = p.parseTop();
        return unit;
    } catch (const ParseError& e) {
        err.position = static_cast<int>(e.pos) + 1;
        err.message = "Syntax error at position " + std::to_string(err.position) + ": " + e.message;
        return nullptr;
    }
}

}  // namespace detail
}  // namespace xb::xbase
