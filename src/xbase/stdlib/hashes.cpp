// Hash functions. A hash keeps its pairs in insertion order; positions count from 1.
// Keys are scalars and character keys are case-sensitive ("a" and "A" differ).
#include <cmath>

#include "xbase/stdlib/stdlib.hpp"
#include "xbase/stdlib/tables.hpp"

namespace xb::stdlib {

namespace {

rt::Hash& hashArg(rt::Frame& f, int n) {
    if (!f.arg(n).isHash()) f.argError();
    return f.arg(n).hash();
}

const rt::Value& keyArg(rt::Frame& f, int n) {
    if (!rt::Hash::validKey(f.arg(n))) f.argError();
    return f.arg(n);
}

// The 0-based index of a 1-based position argument, or the size when out of range.
std::size_t posArg(rt::Frame& f, int n, std::size_t size) {
    if (!f.arg(n).isNumber()) f.argError();
    double p = f.arg(n).numVal();
    if (!(p >= 1) || p > static_cast<double>(size)) return size;
    return static_cast<std::size_t>(p) - 1;
}

void boundError(rt::Frame& f) {
    rt::XbError e;
    e.genCode = rt::eg::kBound;
    e.subSystem = "BASE";
    e.subCode = 1132;
    e.description = "Bound error: array access";
    e.canSubstitute = true;
    f.fail(std::move(e));
}

// HASH(k1, v1, k2, v2, ...)
void fn_HASH(rt::Frame& f) {
    if (f.argc() % 2 != 0) f.argError();
    rt::Value h = rt::Value::newHash();
    for (int i = 1; i < f.argc(); i += 2) {
        if (!h.hash().set(keyArg(f, i), f.arg(i + 1))) f.argError();
    }
    f.ret(h);
}

void fn_HB_HHASKEY(rt::Frame& f) {
    rt::Hash& h = hashArg(f, 1);
    f.ret(h.find(f.arg(2)) != rt::Hash::npos);
}

void fn_HB_HKEYS(rt::Frame& f) {
    rt::Hash& h = hashArg(f, 1);
    std::vector<rt::Value> out;
    out.reserve(h.size());
    for (std::size_t i = 0; i < h.size(); ++i) out.push_back(h.at(i).first);
    f.ret(rt::Value::newArray(std::move(out)));
}

void fn_HB_HVALUES(rt::Frame& f) {
    rt::Hash& h = hashArg(f, 1);
    std::vector<rt::Value> out;
    out.reserve(h.size());
    for (std::size_t i = 0; i < h.size(); ++i) out.push_back(h.at(i).second);
    f.ret(rt::Value::newArray(std::move(out)));
}

void fn_HB_HGET(rt::Frame& f) {
    rt::Hash& h = hashArg(f, 1);
    if (rt::Value* v = h.get(keyArg(f, 2))) return f.ret(*v);
    boundError(f);
}

void fn_HB_HGETDEF(rt::Frame& f) {
    rt::Hash& h = hashArg(f, 1);
    rt::Value* v = h.get(f.arg(2));
    f.ret(v ? *v : f.arg(3));
}

void fn_HB_HSET(rt::Frame& f) {
    rt::Hash& h = hashArg(f, 1);
    h.set(keyArg(f, 2), f.arg(3));
    f.ret(f.arg(1));
}

void fn_HB_HDEL(rt::Frame& f) {
    rt::Hash& h = hashArg(f, 1);
    h.erase(f.arg(2));
    f.ret(f.arg(1));
}

void fn_HB_HPOS(rt::Frame& f) {
    rt::Hash& h = hashArg(f, 1);
    std::size_t i = h.find(f.arg(2));
    f.ret(integer(i == rt::Hash::npos ? 0 : static_cast<long long>(i) + 1));
}

void fn_HB_HKEYAT(rt::Frame& f) {
    rt::Hash& h = hashArg(f, 1);
    std::size_t i = posArg(f, 2, h.size());
    if (i >= h.size()) return boundError(f);
    f.ret(h.at(i).first);
}

// HB_HVALUEAT(hash, pos, newValue): the value at pos; with a third argument it is replaced.
void fn_HB_HVALUEAT(rt::Frame& f) {
    rt::Hash& h = hashArg(f, 1);
    std::size_t i = posArg(f, 2, h.size());
    if (i >= h.size()) return boundError(f);
    if (f.argc() >= 3) h.at(i).second = f.arg(3);
    f.ret(h.at(i).second);
}

void fn_HB_HPAIRAT(rt::Frame& f) {
    rt::Hash& h = hashArg(f, 1);
    std::size_t i = posArg(f, 2, h.size());
    if (i >= h.size()) return boundError(f);
    f.ret(rt::Value::newArray({h.at(i).first, h.at(i).second}));
}

void fn_HB_HDELAT(rt::Frame& f) {
    rt::Hash& h = hashArg(f, 1);
    std::size_t i = posArg(f, 2, h.size());
    if (i >= h.size()) return boundError(f);
    rt::Value key = h.at(i).first;
    h.erase(key);
    f.ret(f.arg(1));
}

void fn_HB_HCLONE(rt::Frame& f) {
    rt::Hash& h = hashArg(f, 1);
    rt::Value c = rt::Value::newHash();
    for (std::size_t i = 0; i < h.size(); ++i) c.hash().set(h.at(i).first, h.at(i).second);
    f.ret(c);
}

void fn_HB_HCLEAR(rt::Frame& f) {
    hashArg(f, 1).clear();
    f.ret(f.arg(1));
}

// HB_HMERGE(target, source): copies every pair of source into target.
void fn_HB_HMERGE(rt::Frame& f) {
    rt::Hash& dst = hashArg(f, 1);
    rt::Value src = f.arg(2);
    if (!src.isHash()) f.argError();
    std::vector<std::pair<rt::Value, rt::Value>> pairs;
    for (std::size_t i = 0; i < src.hash().size(); ++i) pairs.push_back(src.hash().at(i));
    for (auto& [k, v] : pairs) dst.set(k, v);
    f.ret(f.arg(1));
}

// HB_HEVAL(hash, block): calls block(key, value, position) for each pair.
void fn_HB_HEVAL(rt::Frame& f) {
    hashArg(f, 1);
    if (!f.arg(2).isBlock()) f.argError();
    rt::Value keep = f.arg(1);
    rt::Value block = f.arg(2);
    for (std::size_t i = 0; i < keep.hash().size(); ++i) {
        auto pair = keep.hash().at(i);
        rt::Value args[] = {pair.first, pair.second, integer(static_cast<long long>(i) + 1)};
        f.runtime().eval(block, args);
    }
    f.ret(keep);
}

// HB_HSCAN(hash, valueOrBlock): position of the first matching value (a block gets key,
// value and position), 0 if none.
void fn_HB_HSCAN(rt::Frame& f) {
    hashArg(f, 1);
    rt::Value keep = f.arg(1);
    rt::Value what = f.arg(2);
    for (std::size_t i = 0; i < keep.hash().size(); ++i) {
        auto pair = keep.hash().at(i);
        bool hit;
        if (what.isBlock()) {
            rt::Value args[] = {pair.first, pair.second, integer(static_cast<long long>(i) + 1)};
            rt::Value r = f.runtime().eval(what, args);
            hit = r.isLogical() && r.logical();
        } else {
            hit = softEquals(pair.second, what, true);
        }
        if (hit) return f.ret(integer(static_cast<long long>(i) + 1));
    }
    f.ret(integer(0));
}

const rt::Builtin kBuiltins[] = {
    {"HASH", fn_HASH, 1123},
    {"HB_HASH", fn_HASH, 1123},
    {"HB_HHASKEY", fn_HB_HHASKEY, 1123},
    {"HB_HKEYS", fn_HB_HKEYS, 1123},
    {"HB_HVALUES", fn_HB_HVALUES, 1123},
    {"HB_HGET", fn_HB_HGET, 1123},
    {"HB_HGETDEF", fn_HB_HGETDEF, 1123},
    {"HB_HSET", fn_HB_HSET, 1123},
    {"HB_HDEL", fn_HB_HDEL, 1123},
    {"HB_HPOS", fn_HB_HPOS, 1123},
    {"HB_HKEYAT", fn_HB_HKEYAT, 1123},
    {"HB_HVALUEAT", fn_HB_HVALUEAT, 1123},
    {"HB_HPAIRAT", fn_HB_HPAIRAT, 1123},
    {"HB_HDELAT", fn_HB_HDELAT, 1123},
    {"HB_HCLONE", fn_HB_HCLONE, 1123},
    {"HB_HCOPY", fn_HB_HMERGE, 1123},
    {"HB_HMERGE", fn_HB_HMERGE, 1123},
    {"HB_HCLEAR", fn_HB_HCLEAR, 1123},
    {"HB_HEVAL", fn_HB_HEVAL, 1123},
    {"HB_HSCAN", fn_HB_HSCAN, 1123},
};
}  // namespace

std::span<const rt::Builtin> hashBuiltins() { return kBuiltins; }

}  // namespace xb::stdlib
