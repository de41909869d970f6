#include "xbase/ops.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace xb::xbase::ops {

using rt::Value;

namespace {

constexpr std::size_t kMaxString = std::size_t(1) << 28;  // 256 MiB
constexpr int kMaxDecimals = 20;
constexpr std::int32_t kMaxJulian = 5373484;  // 31/12/9999

Value argError(rt::Runtime& rt, int subCode, const char* op, const Value& a, const Value* b) {
    rt::XbError e;
    e.genCode = rt::eg::kArg;
    e.subSystem = "BASE";
    e.subCode = subCode;
    e.description = "Argument error";
    e.operation = op;
    e.args.push_back(a);
    if (b) e.args.push_back(*b);
    e.canSubstitute = true;
    return rt.raiseValue(std::move(e));
}

Value zeroDiv(rt::Runtime& rt, int subCode, const char* op, const Value& a, const Value& b) {
    rt::XbError e;
    e.genCode = rt::eg::kZeroDiv;
    e.subSystem = "BASE";
    e.subCode = subCode;
    e.description = "Zero divisor";
    e.operation = op;
    e.args = {a, b};
    e.canSubstitute = true;
    return rt.raiseValue(std::move(e));
}

Value stringOverflow(rt::Runtime& rt, const char* op) {
    rt::XbError e;
    e.genCode = rt::eg::kStrOverflow;
    e.subSystem = "BASE";
    e.subCode = 1209;
    e.description = "String overflow";
    e.operation = op;
    e.canSubstitute = true;
    return rt.raiseValue(std::move(e));
}

int decOf(const Value& v) { return v.num().decimals; }

Value dateResult(std::int32_t julian, double delta) {
    if (julian == 0) return Value::date(0);
    double r = static_cast<double>(julian) + std::trunc(delta);
    if (!(r >= 1 && r <= kMaxJulian)) return Value::date(0);
    return Value::date(static_cast<std::int32_t>(r));
}

}  // namespace

Value numberResult(double v, int decimals) {
    if (decimals > kMaxDecimals) decimals = kMaxDecimals;
    // Fast path: up to 9 digits and a sign fit the classic 10 integer places.
    if (v > -1e9 && v < 1e9) {
        if (decimals <= 0) return Value(Value::Number{v, 10, 0});
        return Value(Value::Number{v, static_cast<std::int16_t>(11 + decimals),
                                   static_cast<std::int16_t>(decimals)});
    }
    if (decimals <= 0) return Value::integer(v);
    return Value::number(v, decimals);
}

int compareStrings(std::string_view l, std::string_view r, bool exactMode) noexcept {
    if (!exactMode && r.size() < l.size()) l = l.substr(0, r.size());
    std::size_t m = std::min(l.size(), r.size());
    if (m <= 16) {  // short keys and codes: no library call
        for (std::size_t i = 0; i < m; ++i) {
            auto a = static_cast<unsigned char>(l[i]), b = static_cast<unsigned char>(r[i]);
            if (a != b) return a < b ? -1 : 1;
        }
    } else if (int c = std::memcmp(l.data(), r.data(), m)) {
        return c < 0 ? -1 : 1;
    }
    if (l.size() == r.size()) return 0;
    if (!exactMode) return l.size() < r.size() ? -1 : 1;
    // Trailing blanks do not count: compare the rest of the longer one with blanks.
    std::string_view rest = l.size() > r.size() ? l.substr(m) : r.substr(m);
    int sign = l.size() > r.size() ? 1 : -1;
    for (unsigned char ch : rest) {
        if (ch != ' ') return ch > ' ' ? sign : -sign;
    }
    return 0;
}

Value add(rt::Runtime& rt, const Value& a, const Value& b) {
    if (a.isNumber() && b.isNumber()) {
        return numberResult(a.numVal() + b.numVal(), std::max(decOf(a), decOf(b)));
    }
    if (a.isString() && b.isString()) {
        if (a.str().size() + b.str().size() > kMaxString) return stringOverflow(rt, "+");
        std::string s;
        s.reserve(a.str().size() + b.str().size());
        s += a.str();
        s += b.str();
        return Value(std::move(s));
    }
    if (a.isDate() && b.isNumber()) return dateResult(a.julian(), b.numVal());
    if (a.isNumber() && b.isDate()) return dateResult(b.julian(), a.numVal());
    return argError(rt, 1081, "+", a, &b);
}

Value sub(rt::Runtime& rt, const Value& a, const Value& b) {
    if (a.isNumber() && b.isNumber()) {
        return numberResult(a.numVal() - b.numVal(), std::max(decOf(a), decOf(b)));
    }
    if (a.isString() && b.isString()) {
        if (a.str().size() + b.str().size() > kMaxString) return stringOverflow(rt, "-");
        const std::string& l = a.str();
        std::size_t keep = l.find_last_not_of(' ');
        keep = keep == std::string::npos ? 0 : keep + 1;
        std::string s;
        s.reserve(l.size() + b.str().size());
        s.append(l, 0, keep);
        s += b.str();
        s.append(l.size() - keep, ' ');
        return Value(std::move(s));
    }
    if (a.isDate() && b.isNumber()) return dateResult(a.julian(), -b.numVal());
    if (a.isDate() && b.isDate()) {
        return Value::integer(static_cast<double>(a.julian()) - static_cast<double>(b.julian()));
    }
    return argError(rt, 1082, "-", a, &b);
}

Value mul(rt::Runtime& rt, const Value& a, const Value& b) {
    if (a.isNumber() && b.isNumber()) {
        return numberResult(a.numVal() * b.numVal(), decOf(a) + decOf(b));
    }
    return argError(rt, 1083, "*", a, &b);
}

Value div(rt::Runtime& rt, const Value& a, const Value& b) {
    if (a.isNumber() && b.isNumber()) {
        if (b.numVal() == 0) return zeroDiv(rt, 1340, "/", a, b);
        return numberResult(a.numVal() / b.numVal(), rt.settings().decimals);
    }
    return argError(rt, 1084, "/", a, &b);
}

Value mod(rt::Runtime& rt, const Value& a, const Value& b) {
    if (a.isNumber() && b.isNumber()) {
        if (b.numVal() == 0) return zeroDiv(rt, 1341, "%", a, b);
        return numberResult(std::fmod(a.numVal(), b.numVal()), std::max(decOf(a), decOf(b)));
    }
    return argError(rt, 1085, "%", a, &b);
}

Value power(rt::Runtime& rt, const Value& a, const Value& b) {
    if (a.isNumber() && b.isNumber()) {
        return numberResult(std::pow(a.numVal(), b.numVal()), rt.settings().decimals);
    }
    return argError(rt, 1088, "^", a, &b);
}

Value negate(rt::Runtime& rt, const Value& a) {
    if (a.isNumber()) {
        const auto& n = a.num();
        if (n.decimals == 0) return Value::integer(-n.v);
        return Value::number(-n.v, n.width, n.decimals);
    }
    return argError(rt, 1080, "-", a, nullptr);
}

Value plus(rt::Runtime& rt, const Value& a) {
    if (a.isNumber()) return a;
    return argError(rt, 1080, "+", a, nullptr);
}

Value step(rt::Runtime& rt, const Value& a, int delta) {
    if (a.isNumber()) {
        const auto& n = a.num();
        if (n.decimals == 0) return Value::integer(n.v + delta);
        return Value::number(n.v + delta, n.width, n.decimals);
    }
    if (a.isDate()) return dateResult(a.julian(), delta);
    return argError(rt, delta > 0 ? 1086 : 1087, delta > 0 ? "++" : "--", a, nullptr);
}

namespace {

struct RelInfo {
    int subCode;
    const char* text;
};

RelInfo relInfo(Op op) {
    switch (op) {
        case Op::ExactEq:
            return {1070, "=="};
        case Op::Eq:
            return {1071, "="};
        case Op::Ne:
            return {1072, "<>"};
        case Op::Lt:
            return {1073, "<"};
        case Op::Le:
            return {1074, "<="};
        case Op::Gt:
            return {1075, ">"};
        case Op::Ge:
            return {1076, ">="};
        case Op::Contains:
            return {1109, "$"};
        default:
            return {0, "?"};
    }
}

bool fromCompare(Op op, int c) {
    switch (op) {
        case Op::Eq:
        case Op::ExactEq:
            return c == 0;
        case Op::Ne:
            return c != 0;
        case Op::Lt:
            return c < 0;
        case Op::Le:
            return c <= 0;
        case Op::Gt:
            return c > 0;
        case Op::Ge:
            return c >= 0;
        default:
            return false;
    }
}

template <class T>
int cmp3(T x, T y) {
    return x < y ? -1 : (y < x ? 1 : 0);
}

}  // namespace

Value relation(rt::Runtime& rt, Op op, const Value& a, const Value& b) {
    if (op == Op::Contains) {
        if (a.isString() && b.isString()) {
            if (a.str().empty()) return Value(false);
            return Value(b.str().find(a.str()) != std::string::npos);
        }
        RelInfo ri = relInfo(op);
        return argError(rt, ri.subCode, ri.text, a, &b);
    }
    if (a.isString() && b.isString()) {
        if (op == Op::ExactEq) return Value(a.str() == b.str());
        return Value(fromCompare(op, compareStrings(a.str(), b.str(), rt.settings().exact)));
    }
    if (a.isNumber() && b.isNumber()) return Value(fromCompare(op, cmp3(a.numVal(), b.numVal())));
    if (a.isDate() && b.isDate()) return Value(fromCompare(op, cmp3(a.julian(), b.julian())));
    if (a.isLogical() && b.isLogical()) {
        return Value(fromCompare(op, cmp3(int(a.logical()), int(b.logical()))));
    }
    const bool equality = op == Op::Eq || op == Op::ExactEq || op == Op::Ne;
    if (equality && (a.isNil() || b.isNil())) {
        bool same = a.isNil() && b.isNil();
        return Value(op == Op::Ne ? !same : same);
    }
    // Reference types compare by identity with == (and = / <> for the same kind).
    if (equality && a.type() == b.type() &&
        (a.isArray() || a.isHash() || a.isBlock() || a.isObject())) {
        bool same = a.identical(b);
        return Value(op == Op::Ne ? !same : same);
    }
    RelInfo ri = relInfo(op);
    return argError(rt, ri.subCode, ri.text, a, &b);
}

Value andError(rt::Runtime& rt, const Value& a, const Value& b) {
    return argError(rt, 1078, ".AND.", a, &b);
}
Value orError(rt::Runtime& rt, const Value& a, const Value& b) {
    return argError(rt, 1079, ".OR.", a, &b);
}
Value notError(rt::Runtime& rt, const Value& a) { return argError(rt, 1077, ".NOT.", a, nullptr); }

}  // namespace xb::xbase::ops
