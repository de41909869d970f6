// Array functions, and the value comparisons that AScan() and ASort() use.
//
// Arrays are shared references and code blocks may change the array they are handed (grow,
// shrink, replace elements) while AEval(), AScan() or ASort() runs: every loop re-reads the
// size, and ASort() sorts a copy with a merge sort (safe with any answer a block gives) and
// writes it back only where the array still has room.
#include <cmath>
#include <unordered_map>

#include "xbase/stdlib/stdlib.hpp"
#include "xbase/stdlib/tables.hpp"

namespace xb::stdlib {

namespace {
// Arrays larger than this are refused, so that Array(1e9) raises an error instead of
// exhausting memory.
constexpr double kMaxArray = 16.0 * 1024 * 1024;

std::string_view trimmedRight(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return s.substr(0, n);
}

int typeRank(const rt::Value& v) {
    switch (v.type()) {
        case rt::Value::Type::Nil:
            return 0;
        case rt::Value::Type::Logical:
            return 1;
        case rt::Value::Type::Date:
            return 2;
        case rt::Value::Type::Number:
            return 3;
        case rt::Value::Type::Character:
        case rt::Value::Type::Memo:
            return 4;
        default:
            return 5;
    }
}
}  // namespace

bool softEquals(const rt::Value& a, const rt::Value& b, bool exact) {
    if (a.isString() && b.isString()) {
        std::string_view x = a.str(), y = b.str();
        if (exact) return trimmedRight(x) == trimmedRight(y);
        return x.size() >= y.size() && x.compare(0, y.size(), y) == 0;
    }
    if (a.type() != b.type()) return false;
    switch (a.type()) {
        case rt::Value::Type::Nil:
            return true;
        case rt::Value::Type::Number:
            return a.numVal() == b.numVal();
        case rt::Value::Type::Date:
            return a.julian() == b.julian();
        case rt::Value::Type::Logical:
            return a.logical() == b.logical();
        default:
            return a.identical(b);
    }
}

bool lessThan(const rt::Value& a, const rt::Value& b) {
    int ra = typeRank(a), rb = typeRank(b);
    if (ra != rb) return ra < rb;
    switch (ra) {
        case 1:
            return !a.logical() && b.logical();
        case 2:
            return a.julian() < b.julian();
        case 3:
            return a.numVal() < b.numVal();
        case 4:
            return a.str() < b.str();
        default:
            return false;
    }
}

namespace {

rt::Array& arrayArg(rt::Frame& f, int n) {
    if (!f.arg(n).isArray()) f.argError();
    return f.arg(n).array();
}

// The 0-based range [from, to) of a start/count pair over an array of `size` elements.
void rangeOf(rt::Frame& f, int startArg, int countArg, std::size_t size, std::size_t& from,
             std::size_t& to) {
    double s = f.arg(startArg).isNumber() ? f.arg(startArg).numVal() : 1;
    if (!(s >= 1)) s = 1;
    from = s > static_cast<double>(size) ? size : static_cast<std::size_t>(s) - 1;
    to = size;
    if (f.arg(countArg).isNumber()) {
        double c = f.arg(countArg).numVal();
        if (!(c > 0)) c = 0;
        if (c < static_cast<double>(to - from)) to = from + static_cast<std::size_t>(c);
    }
}

bool isTrue(const rt::Value& v) { return v.isLogical() && v.logical(); }

rt::Value makeArray(rt::Frame& f, int dim) {
    double n = f.arg(dim).numVal();
    if (!(n >= 0) || n > kMaxArray) f.argError();
    rt::Value a = rt::Value::newArray(static_cast<std::size_t>(n));
    if (dim < f.argc()) {
        for (auto& item : a.array().items) item = makeArray(f, dim + 1);
    }
    return a;
}

// ARRAY(n1, n2, ...): a multi-dimensional array of NIL.
void fn_ARRAY(rt::Frame& f) {
    if (f.argc() == 0) return f.ret(rt::Value());
    double total = 1;
    for (int i = 1; i <= f.argc(); ++i) {
        if (!f.arg(i).isNumber()) f.argError();
        total *= std::max(1.0, f.arg(i).numVal());
        if (total > kMaxArray) f.argError();
    }
    f.ret(makeArray(f, 1));
}

void fn_AADD(rt::Frame& f) {
    rt::Array& a = arrayArg(f, 1);
    a.items.push_back(f.arg(2));
    f.ret(f.arg(2));
}

void fn_ASIZE(rt::Frame& f) {
    rt::Array& a = arrayArg(f, 1);
    double n = f.num(2);
    if (n > kMaxArray) f.argError();
    a.items.resize(n >= 1 ? static_cast<std::size_t>(n) : 0);
    f.ret(f.arg(1));
}

// ASCAN(array, valueOrBlock, start, count): the 1-based index of the first match, 0 if none.
// HB_ASCAN(..., lExact) compares text byte for byte when lExact is true.
void scan(rt::Frame& f, bool identical) {
    if (!f.arg(1).isArray()) return f.ret(integer(0));
    rt::Value keep = f.arg(1);
    rt::Value what = f.arg(2);
    const bool exact = f.runtime().settings().exact;
    std::size_t from, to;
    rangeOf(f, 3, 4, keep.array().items.size(), from, to);
    for (std::size_t i = from; i < to && i < keep.array().items.size(); ++i) {
        rt::Value item = keep.array().items[i];
        bool hit;
        if (what.isBlock()) {
            rt::Value args[] = {item, integer(static_cast<long long>(i + 1))};
            hit = isTrue(f.runtime().eval(what, args));
        } else if (identical && item.isString() && what.isString()) {
            hit = item.str() == what.str();
        } else {
            hit = softEquals(item, what, exact);
        }
        if (hit) return f.ret(integer(static_cast<long long>(i + 1)));
    }
    f.ret(integer(0));
}
void fn_ASCAN(rt::Frame& f) { scan(f, false); }
void fn_HB_ASCAN(rt::Frame& f) { scan(f, f.arg(5).isLogical() && f.arg(5).logical()); }

// ASORT(array, start, count, block): sorts in place; the block answers "x before y".
void fn_ASORT(rt::Frame& f) {
    if (!f.arg(1).isArray()) return f.ret(rt::Value());
    rt::Value keep = f.arg(1);
    rt::Value block = f.arg(4).isBlock() ? f.arg(4) : rt::Value();
    std::size_t from, to;
    rangeOf(f, 2, 3, keep.array().items.size(), from, to);
    std::vector<rt::Value> v(keep.array().items.begin() + static_cast<std::ptrdiff_t>(from),
                             keep.array().items.begin() + static_cast<std::ptrdiff_t>(to));
    auto before = [&](const rt::Value& x, const rt::Value& y) {
        if (block.isNil()) return lessThan(x, y);
        rt::Value args[] = {x, y};
        return isTrue(f.runtime().eval(block, args));
    };
    // Bottom-up merge sort: stable, and any block answer keeps it in bounds.
    std::vector<rt::Value> tmp(v.size());
    for (std::size_t width = 1; width < v.size(); width *= 2) {
        for (std::size_t lo = 0; lo < v.size(); lo += 2 * width) {
            std::size_t mid = std::min(lo + width, v.size()),
                        hi = std::min(lo + 2 * width, v.size());
            std::size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi) tmp[k++] = before(v[j], v[i]) ? v[j++] : v[i++];
            while (i < mid) tmp[k++] = v[i++];
            while (j < hi) tmp[k++] = v[j++];
        }
        v.swap(tmp);
    }
    auto& items = keep.array().items;
    for (std::size_t i = 0; i < v.size() && from + i < items.size(); ++i) items[from + i] = v[i];
    f.ret(keep);
}

// AEVAL(array, block, start, count): calls block(element, index) for each element.
void fn_AEVAL(rt::Frame& f) {
    if (!f.arg(1).isArray() || !f.arg(2).isBlock()) f.argError();
    rt::Value keep = f.arg(1);
    rt::Value block = f.arg(2);
    std::size_t from, to;
    rangeOf(f, 3, 4, keep.array().items.size(), from, to);
    for (std::size_t i = from; i < to && i < keep.array().items.size(); ++i) {
        rt::Value args[] = {keep.array().items[i], integer(static_cast<long long>(i + 1))};
        f.runtime().eval(block, args);
    }
    f.ret(keep);
}

// ACOPY(source, target, start, count, targetPos)
void fn_ACOPY(rt::Frame& f) {
    if (!f.arg(1).isArray() || !f.arg(2).isArray()) return f.ret(f.arg(2));
    auto src = f.arg(1).array().items;  // a copy: source and target may be the same array
    auto& dst = f.arg(2).array().items;
    std::size_t from, to;
    rangeOf(f, 3, 4, src.size(), from, to);
    double tp = f.arg(5).isNumber() ? f.arg(5).numVal() : 1;
    if (!(tp >= 1)) tp = 1;
    if (tp > static_cast<double>(dst.size())) return f.ret(f.arg(2));
    std::size_t t = static_cast<std::size_t>(tp) - 1;
    for (std::size_t i = from; i < to && t < dst.size(); ++i, ++t) dst[t] = src[i];
    f.ret(f.arg(2));
}

// Nesting deeper than this is shared instead of copied, so that a script's pathological
// structure cannot exhaust the C++ stack.
constexpr int kMaxCloneDepth = 1000;

rt::Value cloneDeep(const rt::Value& v, std::unordered_map<const void*, rt::Value>& seen,
                    int depth = 0) {
    if (depth > kMaxCloneDepth) return v;
    if (v.isArray()) {
        auto it = seen.find(&v.array());
        if (it != seen.end()) return it->second;
        rt::Value c = rt::Value::newArray();
        seen.emplace(&v.array(), c);
        for (const rt::Value& e : v.array().items)
            c.array().items.push_back(cloneDeep(e, seen, depth + 1));
        return c;
    }
    if (v.isHash()) {
        auto it = seen.find(&v.hash());
        if (it != seen.end()) return it->second;
        rt::Value c = rt::Value::newHash();
        seen.emplace(&v.hash(), c);
        for (std::size_t i = 0; i < v.hash().size(); ++i) {
            c.hash().set(v.hash().at(i).first, cloneDeep(v.hash().at(i).second, seen, depth + 1));
        }
        return c;
    }
    return v;
}

void fn_ACLONE(rt::Frame& f) {
    if (!f.arg(1).isArray() && !f.arg(1).isHash()) return f.ret(rt::Value());
    std::unordered_map<const void*, rt::Value> seen;
    f.ret(cloneDeep(f.arg(1), seen));
}

std::size_t positionArg(rt::Frame& f, int n, std::size_t size) {
    double p = f.arg(n).isNumber() ? f.arg(n).numVal() : 1;
    if (!(p >= 1) || p > static_cast<double>(size)) return size;  // out of range: no change
    return static_cast<std::size_t>(p) - 1;
}

// ADEL(array, pos): removes the element and puts NIL at the end; the size stays.
void fn_ADEL(rt::Frame& f) {
    if (!f.arg(1).isArray()) return f.ret(rt::Value());
    auto& items = f.arg(1).array().items;
    std::size_t p = positionArg(f, 2, items.size());
    if (p < items.size()) {
        items.erase(items.begin() + static_cast<std::ptrdiff_t>(p));
        items.emplace_back();
    }
    f.ret(f.arg(1));
}

// AINS(array, pos): inserts NIL at pos; the last element falls off.
void fn_AINS(rt::Frame& f) {
    if (!f.arg(1).isArray()) return f.ret(rt::Value());
    auto& items = f.arg(1).array().items;
    std::size_t p = positionArg(f, 2, items.size());
    if (p < items.size()) {
        items.pop_back();
        items.insert(items.begin() + static_cast<std::ptrdiff_t>(p), rt::Value());
    }
    f.ret(f.arg(1));
}

// HB_ADEL(array, pos, lAutoSize): ADel() that also shrinks the array when asked.
void fn_HB_ADEL(rt::Frame& f) {
    if (!f.arg(1).isArray()) return f.ret(rt::Value());
    auto& items = f.arg(1).array().items;
    std::size_t p = positionArg(f, 2, items.size());
    if (p < items.size()) {
        items.erase(items.begin() + static_cast<std::ptrdiff_t>(p));
        if (!(f.arg(3).isLogical() && f.arg(3).logical())) items.emplace_back();
    }
    f.ret(f.arg(1));
}

// HB_AINS(array, pos, value, lAutoSize): AIns() with a value, growing the array when asked
// (then pos may be one past the end).
void fn_HB_AINS(rt::Frame& f) {
    if (!f.arg(1).isArray()) return f.ret(rt::Value());
    auto& items = f.arg(1).array().items;
    const bool grow = f.arg(4).isLogical() && f.arg(4).logical();
    std::size_t p = positionArg(f, 2, items.size() + (grow ? 1 : 0));
    if (p < items.size() + (grow ? 1 : 0)) {
        if (!grow) items.pop_back();
        items.insert(items.begin() + static_cast<std::ptrdiff_t>(p), f.arg(3));
    }
    f.ret(f.arg(1));
}

void fn_ATAIL(rt::Frame& f) {
    if (!f.arg(1).isArray() || f.arg(1).array().items.empty()) return f.ret(rt::Value());
    f.ret(f.arg(1).array().items.back());
}

// AFILL(array, value, start, count)
void fn_AFILL(rt::Frame& f) {
    if (!f.arg(1).isArray()) return f.ret(rt::Value());
    auto& items = f.arg(1).array().items;
    std::size_t from, to;
    rangeOf(f, 3, 4, items.size(), from, to);
    for (std::size_t i = from; i < to; ++i) items[i] = f.arg(2);
    f.ret(f.arg(1));
}

const rt::Builtin kBuiltins[] = {
    {"ARRAY", fn_ARRAY, 1131}, {"AADD", fn_AADD, 1123},   {"ASIZE", fn_ASIZE, 2023},
    {"ASCAN", fn_ASCAN},       {"HB_ASCAN", fn_HB_ASCAN}, {"HB_ADEL", fn_HB_ADEL},
    {"HB_AINS", fn_HB_AINS},   {"ASORT", fn_ASORT},       {"AEVAL", fn_AEVAL, 2017},
    {"ACOPY", fn_ACOPY},       {"ACLONE", fn_ACLONE},     {"ADEL", fn_ADEL},
    {"AINS", fn_AINS},         {"ATAIL", fn_ATAIL},       {"AFILL", fn_AFILL},
};
}  // namespace

std::span<const rt::Builtin> arrayBuiltins() { return kBuiltins; }

}  // namespace xb::stdlib
