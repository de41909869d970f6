#include "xbase/xbase.hpp"

#include <pthread.h>

#include "xbase/ops.hpp"
#include "xbase/tree.hpp"

namespace xb::xbase {

namespace detail {

namespace {
// The cache is emptied when it grows past either bound; the texts of one program (scripts,
// stored formulas) stay far below them, so only texts built at run time cause clearing.
constexpr std::size_t kMaxEntries = 20000;
constexpr std::size_t kMaxBytes = std::size_t(64) << 20;
}  // namespace

const int EvalState::kTag = 0;

EvalState& state(rt::Runtime& rt) { return rt.extension<EvalState>(); }

namespace {
const char* findStackFloor() {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return nullptr;
    void* low = nullptr;
    std::size_t size = 0;
    int rc = pthread_attr_getstack(&attr, &low, &size);
    pthread_attr_destroy(&attr);
    if (rc != 0 || !low) return nullptr;
    std::size_t reserve = size / 8 > (std::size_t(512) << 10) ? size / 8 : std::size_t(512) << 10;
    if (reserve >= size) return nullptr;
    return static_cast<const char*>(low) + reserve;
}
}  // namespace

void checkStack() {
    // Finding the stack reads the process's memory map: once per thread.
    thread_local const char* floor = nullptr;
    thread_local bool known = false;
    if (!known) {
        floor = findStackFloor();
        known = true;
    }
    const char* here = static_cast<const char*>(__builtin_frame_address(0));
    if (!floor || here > floor) return;
    rt::XbError e;
    e.genCode = rt::eg::kLimit;
    e.subSystem = "BASE";
    e.subCode = 1301;
    e.description = "Recursion limit";
    throw rt::Break{Value(std::make_shared<rt::ErrorObject>(std::move(e)))};
}

const CacheEntry& EvalState::lookup(std::string_view text) {
    auto it = cache.find(text);
    if (it != cache.end()) return it->second;
    if (cache.size() >= kMaxEntries || cacheBytes > kMaxBytes) {
        cache.clear();
        cacheBytes = 0;
    }
    CacheEntry e;
    std::shared_ptr<Compiled> unit = parseText(rt, text, e.error);
    if (unit) {
        unit->state_ = this;
        cacheBytes += unit->nodes_.size() * 96;
        e.unit = std::move(unit);
    }
    cacheBytes += 2 * text.size() + 64;
    return cache.emplace(std::string(text), std::move(e)).first->second;
}

Value raiseSyntax(rt::Runtime& rt, std::string_view text, const SyntaxError& err) {
    rt::XbError e;
    e.genCode = rt::eg::kSyntax;
    e.subSystem = "BASE";
    e.subCode = 1449;
    e.description = err.message;
    e.operation = std::string(text);
    e.canDefault = true;
    e.canSubstitute = true;
    rt::ErrorAnswer a = rt.raise(std::move(e));
    return a.kind == rt::ErrorAnswer::Kind::Substitute ? std::move(a.value) : Value();
}

}  // namespace detail

using detail::Ctx;
using rt::Value;

std::shared_ptr<const Compiled> compile(rt::Runtime& rt, std::string_view text) {
    detail::EvalState& st = detail::state(rt);
    const detail::CacheEntry& e = st.lookup(text);
    if (e.unit) return e.unit;
    SyntaxError err = e.error;
    detail::raiseSyntax(rt, text, err);
    return nullptr;
}

Value run(rt::Runtime& rt, const Compiled& c) {
    Ctx ctx{rt, *c.state_, nullptr, &c};
    return c.root().eval(ctx);
}

Value evaluate(rt::Runtime& rt, std::string_view text) {
    detail::EvalState& st = detail::state(rt);
    const detail::CacheEntry& e = st.lookup(text);
    if (!e.unit) {
        SyntaxError err = e.error;
        return detail::raiseSyntax(rt, text, err);
    }
    std::shared_ptr<const Compiled> keep = e.unit;  // evaluation may clear the cache
    Ctx ctx{rt, st, nullptr, keep.get()};
    return keep->root().eval(ctx);
}

std::optional<SyntaxError> checkSyntax(rt::Runtime& rt, std::string_view text) {
    const detail::CacheEntry& e = detail::state(rt).lookup(text);
    if (e.unit) return std::nullopt;
    return e.error;
}

namespace {
struct ProbeFailed {
    int genCode;
};
}  // namespace

std::string typeOf(rt::Runtime& rt, std::string_view text) {
    detail::EvalState& st = detail::state(rt);
    std::shared_ptr<const Compiled> unit;
    {
        const detail::CacheEntry& e = st.lookup(text);
        if (!e.unit) return "UE";
        unit = e.unit;
    }
    if (unit->impure_) return "UI";
    // Errors end the probe at once: the handler installed here throws past everything.
    struct Restore {
        rt::Runtime& r;
        detail::EvalState& s;
        Value block;
        bool probing;
        ~Restore() {
            r.setErrorBlock(std::move(block));
            s.probing = probing;
        }
    } restore{
        rt, st,
        rt.setErrorBlock(Value(rt::nativeBlock([](rt::Runtime&, std::span<const Value> a) -> Value {
            rt::XbError* e = a.empty() ? nullptr : rt::errorOf(a[0]);
            throw ProbeFailed{e ? e->genCode : 0};
        }))),
        st.probing};
    st.probing = true;
    try {
        Value v = run(rt, *unit);
        return std::string(1, v.typeLetter());
    } catch (const ProbeFailed& f) {
        if (f.genCode == rt::eg::kNoFunc) return "UI";
        return (f.genCode == rt::eg::kNoVar || f.genCode == rt::eg::kNoAlias) ? "U" : "UE";
    } catch (const detail::ProbeIndeterminate&) {
        return "UI";
    } catch (const rt::Break&) {
        return "UE";
    }
}

Value blockFromText(rt::Runtime& rt, std::string_view text) {
    {
        const detail::CacheEntry& e = detail::state(rt).lookup(text);
        if (e.unit && e.unit->root().isBlockLiteral()) {
            std::shared_ptr<const Compiled> keep = e.unit;
            return run(rt, *keep);
        }
    }
    std::shared_ptr<const Compiled> unit = compile(rt, "{||" + std::string(text) + "}");
    if (!unit) return Value();
    return run(rt, *unit);
}

std::function<Value()> callable(rt::Runtime& rt, std::string_view text) {
    std::shared_ptr<const Compiled> unit = compile(rt, text);
    if (!unit) return {};
    return [&rt, unit]() { return run(rt, *unit); };
}

Value sequence(rt::Runtime& /*rt*/, const std::function<Value()>& body,
               const std::function<Value(const Value&)>& recover) {
    try {
        return body();
    } catch (const rt::Break& b) {
        return recover(b.value);
    }
}

Value binaryOp(rt::Runtime& rt, Op op, const Value& a, const Value& b) {
    switch (op) {
        case Op::Add:
            if (a.isNumber() && b.isNumber()) {
                const auto& x = a.num();
                const auto& y = b.num();
                return ops::numberResult(x.v + y.v,
                                         x.decimals > y.decimals ? x.decimals : y.decimals);
            }
            return ops::add(rt, a, b);
        case Op::Sub:
            return ops::sub(rt, a, b);
        case Op::Mul:
            return ops::mul(rt, a, b);
        case Op::Div:
            return ops::div(rt, a, b);
        case Op::Mod:
            return ops::mod(rt, a, b);
        case Op::Pow:
            return ops::power(rt, a, b);
        default:
            return ops::relation(rt, op, a, b);
    }
}

void clearCache(rt::Runtime& rt) {
    detail::EvalState& st = detail::state(rt);
    st.cache.clear();
    st.cacheBytes = 0;
}

}  // namespace xb::xbase
