#include "runtime/runtime.hpp"

#include <cstdio>
#include <cstdlib>

namespace xb::rt {

void assertFailed(const char* cond, const char* file, int line) {
    std::fprintf(stderr, "assertion failed: %s (%s:%d)\n", cond, file, line);
    std::abort();
}

namespace {
std::string upper(std::string_view s) {
    std::string r(s);
    for (char& c : r) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return r;
}
}  // namespace

Runtime::Runtime() { scopes_.emplace_back(); }

Runtime::~Runtime() {
    // Layer state may hold values that refer back to the runtime: drop it first.
    extensions_.clear();
}

// --- memory variables ---

Symbol Runtime::intern(std::string_view name) {
    std::string key = upper(name);
    auto it = symbolIndex_.find(key);
    if (it != symbolIndex_.end()) return it->second;
    Symbol s = static_cast<Symbol>(symbols_.size());
    symbols_.push_back({key, {}});
    symbolIndex_.emplace(std::move(key), s);
    return s;
}

const std::string& Runtime::symbolName(Symbol s) const { return symbols_[s].name; }

Value* Runtime::findVar(Symbol s) {
    auto& st = symbols_[s].stack;
    return st.empty() ? nullptr : &st.back()->value;
}

Value* Runtime::findVar(std::string_view name) {
    auto it = symbolIndex_.find(upper(name));
    return it == symbolIndex_.end() ? nullptr : findVar(it->second);
}

Value& Runtime::pushPrivate(Symbol s, Value v) {
    auto depth = static_cast<std::uint32_t>(scopes_.size());
    auto& st = symbols_[s].stack;
    if (!st.empty() && st.back()->scope == depth) {
        st.back()->value = std::move(v);
        return st.back()->value;
    }
    st.push_back(std::make_unique<Binding>(Binding{std::move(v), depth}));
    scopes_.back().push_back(s);
    return st.back()->value;
}

Value& Runtime::assignVar(Symbol s, Value v) {
    if (Value* cur = findVar(s)) {
        *cur = std::move(v);
        return *cur;
    }
    return pushPrivate(s, std::move(v));
}

Value& Runtime::declarePublic(Symbol s) {
    auto& st = symbols_[s].stack;
    if (!st.empty() && st.front()->scope == 0) return st.front()->value;
    st.insert(st.begin(), std::make_unique<Binding>(Binding{Value(false), 0}));
    return st.front()->value;
}

Value& Runtime::declarePublic(Symbol s, Value v) {
    Value& slot = declarePublic(s);
    slot = std::move(v);
    return slot;
}

Value& Runtime::declarePrivate(Symbol s, Value v) { return pushPrivate(s, std::move(v)); }

void Runtime::releasePublic(Symbol s) {
    auto& st = symbols_[s].stack;
    if (!st.empty() && st.front()->scope == 0) st.erase(st.begin());
}

bool Runtime::isPublic(Symbol s) const {
    const auto& st = symbols_[s].stack;
    return !st.empty() && st.back()->scope == 0;
}

PrivateScope::PrivateScope(Runtime& rt) : rt_(rt) { rt_.scopes_.emplace_back(); }

PrivateScope::~PrivateScope() {
    auto& created = rt_.scopes_.back();
    for (auto it = created.rbegin(); it != created.rend(); ++it) {
        auto& st = rt_.symbols_[*it].stack;
        XB_ASSERT(!st.empty() && st.back()->scope == rt_.scopes_.size());
        st.pop_back();
    }
    rt_.scopes_.pop_back();
}

// --- functions ---

void Runtime::registerBuiltins(std::span<const Builtin> table) {
    for (const Builtin& b : table) {
        std::string key = upper(b.name);
        auto it = functionIndex_.find(key);
        if (it != functionIndex_.end()) {
            functions_[static_cast<std::size_t>(it->second)] = b;  // a later layer overrides
        } else {
            functionIndex_.emplace(std::move(key), static_cast<FunctionId>(functions_.size()));
            functions_.push_back(b);
        }
    }
}

FunctionId Runtime::findFunction(std::string_view name) const {
    auto it = functionIndex_.find(upper(name));
    return it == functionIndex_.end() ? -1 : it->second;
}

Runtime::DepthGuard::DepthGuard(Runtime& r) : rt(r) {
    if (++rt.depth_ > kMaxDepth) {
        --rt.depth_;
        XbError e;
        e.genCode = eg::kLimit;
        e.subSystem = "BASE";
        e.subCode = 1301;
        e.description = "Recursion limit";
        throw Break{Value(std::make_shared<ErrorObject>(std::move(e)))};
    }
}

Value Runtime::call(FunctionId id, std::span<Value> args, std::span<Value* const> refs) {
    if (id < 0 || static_cast<std::size_t>(id) >= functions_.size()) {
        XbError e;
        e.genCode = eg::kNoFunc;
        e.subSystem = "BASE";
        e.subCode = 1001;
        e.description = "Undefined function";
        e.canSubstitute = true;
        return raiseValue(std::move(e));
    }
    DepthGuard guard(*this);
    const Builtin& b = functions_[static_cast<std::size_t>(id)];
    pushCall(b.name);
    struct Pop {
        Runtime& r;
        ~Pop() { r.popCall(); }
    } pop{*this};
    for (;;) {
        Frame f(*this, id, args, refs);
        try {
            b.fn(f);
            return std::move(f.result());
        } catch (EndCall& end) {
            return std::move(end.result);
        } catch (RetryCall&) {
            continue;
        }
    }
}

Value Runtime::call(std::string_view name, std::span<Value> args) {
    FunctionId id = findFunction(name);
    if (id < 0) {
        XbError e;
        e.genCode = eg::kNoFunc;
        e.subSystem = "BASE";
        e.subCode = 1001;
        e.description = "Undefined function";
        e.operation = upper(name);
        e.canSubstitute = true;
        return raiseValue(std::move(e));
    }
    return call(id, args);
}

Value Runtime::call(std::string_view name, std::initializer_list<Value> args) {
    std::vector<Value> v(args);
    return call(name, std::span<Value>(v));
}

Value Runtime::eval(const Value& block, std::span<const Value> args) {
    if (!block.isBlock()) {
        XbError e;
        e.genCode = eg::kNoMethod;
        e.subSystem = "BASE";
        e.subCode = 1004;
        e.description = "No exported method";
        e.operation = "EVAL";
        e.args.push_back(block);
        e.canSubstitute = true;
        return raiseValue(std::move(e));
    }
    DepthGuard guard(*this);
    auto keep = block.blockPtr();  // the block may drop its last other owner while running
    return keep->call(*this, args);
}

// --- errors ---

Value Runtime::setErrorBlock(Value block) {
    Value old = std::move(errorBlock_);
    errorBlock_ = std::move(block);
    return old;
}

ErrorAnswer Runtime::raise(XbError e) {
    ++e.tries;
    auto obj = std::make_shared<ErrorObject>(std::move(e));
    Value errValue(obj);
    if (!errorBlock_.isBlock()) throw Break{errValue};
    Value handler = errorBlock_;
    Value answer = eval(handler, std::span<const Value>(&errValue, 1));
    const XbError& err = obj->error();
    ErrorAnswer a;
    if (answer.isLogical()) {
        if (answer.logical() && err.canRetry) {
            a.kind = ErrorAnswer::Kind::Retry;
        } else {
            a.kind = ErrorAnswer::Kind::Default;
        }
    } else if (!answer.isNil() || err.canSubstitute) {
        a.kind = ErrorAnswer::Kind::Substitute;
        a.value = std::move(answer);
    }
    return a;
}

Value Runtime::raiseValue(XbError e) {
    for (;;) {
        ErrorAnswer a = raise(e);
        ++e.tries;
        if (a.kind == ErrorAnswer::Kind::Retry && e.tries < 1000) continue;
        return a.kind == ErrorAnswer::Kind::Substitute ? std::move(a.value) : Value();
    }
}

// --- Frame ---

std::string_view Frame::name() const {
    return id_ >= 0 ? std::string_view(rt_.function(id_).name) : std::string_view();
}

const Value& Frame::arg(int n) const {
    static const Value kNil;
    if (n < 1 || n > argc()) return kNil;
    return args_[static_cast<std::size_t>(n - 1)];
}

Value* Frame::ref(int n) const {
    if (n < 1 || static_cast<std::size_t>(n) > refs_.size()) return nullptr;
    return refs_[static_cast<std::size_t>(n - 1)];
}

void Frame::setRef(int n, Value v) const {
    if (Value* r = ref(n)) *r = std::move(v);
}

void Frame::argError() const {
    XbError e;
    e.genCode = eg::kArg;
    e.subSystem = "BASE";
    e.subCode = id_ >= 0 ? rt_.function(id_).subCode : 0;
    e.description = "Argument error";
    e.operation = std::string(name());
    e.args.assign(args_.begin(), args_.end());
    e.canSubstitute = true;
    ErrorAnswer a = rt_.raise(std::move(e));
    if (a.kind == ErrorAnswer::Kind::Retry) throw RetryCall{};
    throw EndCall{a.kind == ErrorAnswer::Kind::Substitute ? std::move(a.value) : Value()};
}

void Frame::fail(XbError e) const {
    if (e.operation.empty()) e.operation = std::string(name());
    ErrorAnswer a = rt_.raise(std::move(e));
    if (a.kind == ErrorAnswer::Kind::Retry) return;
    throw EndCall{a.kind == ErrorAnswer::Kind::Substitute ? std::move(a.value) : Value()};
}

const std::string& Frame::str(int n) const {
    const Value& v = arg(n);
    if (!v.isString()) argError();
    return v.str();
}

std::string Frame::strOr(int n, std::string_view def) const {
    const Value& v = arg(n);
    if (v.isNil()) return std::string(def);
    if (!v.isString()) argError();
    return v.str();
}

double Frame::num(int n) const {
    const Value& v = arg(n);
    if (!v.isNumber()) argError();
    return v.numVal();
}

double Frame::numOr(int n, double def) const {
    const Value& v = arg(n);
    if (v.isNil()) return def;
    if (!v.isNumber()) argError();
    return v.numVal();
}

long long Frame::intOr(int n, long long def) const {
    const Value& v = arg(n);
    if (v.isNil()) return def;
    if (!v.isNumber()) argError();
    double d = v.numVal();
    if (!(d > -9.2e18 && d < 9.2e18)) return def;
    return static_cast<long long>(d);
}

bool Frame::logOr(int n, bool def) const {
    const Value& v = arg(n);
    if (v.isNil()) return def;
    if (!v.isLogical()) argError();
    return v.logical();
}

std::int32_t Frame::dateOr(int n, std::int32_t def) const {
    const Value& v = arg(n);
    if (v.isNil()) return def;
    if (!v.isDate()) argError();
    return v.julian();
}

}  // namespace xb::rt
