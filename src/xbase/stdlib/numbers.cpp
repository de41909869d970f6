// Numeric functions. Results carry the decimals classic programs print them with: Round()
// its own, Sqrt()/Log()/Exp() those of SET DECIMALS, Abs() and Max()/Min() their argument's.
#include <cmath>

#include "runtime/number.hpp"
#include "xbase/stdlib/stdlib.hpp"
#include "xbase/stdlib/tables.hpp"

namespace xb::stdlib {

rt::Value round(double v, int decimals) {
    if (decimals > 30) decimals = 30;
    double r = rt::roundHalfAway(v, decimals);
    if (r == 0) r = 0;  // no negative zero
    return rt::Value::number(r, decimals > 0 ? decimals : 0);
}

double mod(double a, double b) {
    if (b == 0) return a;
    double r = std::fmod(a, b);
    if (r != 0 && ((r < 0) != (b < 0))) r += b;
    return r;
}

namespace {

void fn_ROUND(rt::Frame& f) {
    double v = f.num(1);
    double d = f.num(2);
    int dec = std::isfinite(d) ? static_cast<int>(std::clamp(d, -30.0, 30.0)) : 0;
    f.ret(round(v, dec));
}

void fn_INT(rt::Frame& f) {
    double v = f.num(1);
    double t = std::trunc(v);
    f.ret(rt::Value::integer(t == 0 ? 0 : t));
}

void fn_ABS(rt::Frame& f) {
    if (!f.arg(1).isNumber()) f.argError();
    rt::Value::Number n = f.arg(1).num();
    n.v = std::fabs(n.v);
    f.ret(rt::Value(n));
}

void fn_MOD(rt::Frame& f) {
    if (!f.arg(1).isNumber() || !f.arg(2).isNumber()) f.argError();
    const auto& a = f.arg(1).num();
    const auto& b = f.arg(2).num();
    int dec = std::max(a.decimals, b.decimals);
    f.ret(rt::Value::number(mod(a.v, b.v), dec));
}

bool greater(const rt::Value& a, const rt::Value& b) {
    if (a.isNumber()) return a.numVal() > b.numVal();
    if (a.isDate()) return a.julian() > b.julian();
    if (a.isString()) return a.str() > b.str();
    return a.logical() && !b.logical();
}

bool comparable(const rt::Value& a, const rt::Value& b) {
    if (a.isString() && b.isString()) return true;
    if (a.type() != b.type()) return false;
    return a.isNumber() || a.isDate() || a.isLogical();
}

void fn_MAX(rt::Frame& f) {
    if (!comparable(f.arg(1), f.arg(2))) f.argError();
    f.ret(greater(f.arg(2), f.arg(1)) ? f.arg(2) : f.arg(1));
}

void fn_MIN(rt::Frame& f) {
    if (!comparable(f.arg(1), f.arg(2))) f.argError();
    f.ret(greater(f.arg(1), f.arg(2)) ? f.arg(2) : f.arg(1));
}

rt::Value withSetDecimals(rt::Frame& f, double v) {
    int dec = f.runtime().settings().decimals;
    if (!std::isfinite(v)) return rt::Value::number(v, 10 + (dec > 0 ? dec + 1 : 0), dec);
    return rt::Value::number(v, dec);
}

void fn_SQRT(rt::Frame& f) {
    double v = f.num(1);
    f.ret(withSetDecimals(f, v > 0 ? std::sqrt(v) : 0.0));
}

void fn_LOG(rt::Frame& f) {
    double v = f.num(1);
    // The logarithm of zero or less is an overflow, which prints as asterisks.
    f.ret(withSetDecimals(f, v > 0 ? std::log(v) : -HUGE_VAL));
}

void fn_EXP(rt::Frame& f) { f.ret(withSetDecimals(f, std::exp(f.num(1)))); }

const rt::Builtin kBuiltins[] = {
    {"ROUND", fn_ROUND, 1094}, {"INT", fn_INT, 1090}, {"ABS", fn_ABS, 1089},
    {"MOD", fn_MOD, 1085},     {"MAX", fn_MAX, 1093}, {"MIN", fn_MIN, 1092},
    {"SQRT", fn_SQRT, 1097},   {"LOG", fn_LOG, 1095}, {"EXP", fn_EXP, 1096},
};
}  // namespace

std::span<const rt::Builtin> numberBuiltins() { return kBuiltins; }

}  // namespace xb::stdlib
