// RUNTIME: one xBase run-time: memory variables, the function registry, call frames, the
// error handler, the SET state and the hooks through which the table layer shows fields.
//
// Memory variables are interned symbols. Each symbol has a stack of bindings: a public one
// (at the bottom, when it exists) and private ones pushed by PrivateScope objects; the top
// binding is the visible one (dynamic scope). Invariants: scopes are strictly nested, so a
// scope's destructor pops exactly the bindings it pushed; a binding's storage never moves
// while it lives, so references taken with `@` stay valid for the call.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "runtime/error.hpp"
#include "runtime/value.hpp"

#if defined(XB_ENABLE_ASSERT)
#define XB_ASSERT(cond) ((cond) ? (void)0 : ::xb::rt::assertFailed(#cond, __FILE__, __LINE__))
#else
#define XB_ASSERT(cond) ((void)0)
#endif

namespace xb::rt {

[[noreturn]] void assertFailed(const char* cond, const char* file, int line);

using Symbol = std::uint32_t;
class Frame;
class Runtime;

using BuiltinFn = void (*)(Frame&);
// An entry of a module's function table. The xBase spelling appears once; lookup ignores
// case. subCode is the BASE subcode of the function's argument error (0: generic).
struct Builtin {
    const char* name;
    BuiltinFn fn;
    int subCode = 0;
};
using FunctionId = std::int32_t;  // index into the registry; -1 = unknown

// The SET state. Defaults are the start-up settings of the application.
struct Settings {
    bool exact = false;
    bool deleted = true;
    bool softSeek = false;
    bool fixed = false;
    bool exclusive = true;
    bool confirm = false;
    bool century = true;
    bool unique = false;
    int epoch = 1950;
    int decimals = 2;
    std::string dateFormat = "dd/mm/yyyy";
};

// What the table layer supplies so that expressions see fields and aliases. Areas count
// from 1; area 0 means "the current one".
class DataHooks {
public:
    virtual ~DataHooks() = default;
    virtual int currentArea() = 0;
    virtual void selectArea(int area) = 0;
    // The area of an alias (case-insensitive), or 0 when no open table has it.
    virtual int areaOfAlias(std::string_view alias) = 0;
    // False when the area has no table open or no field of that name.
    virtual bool fieldGet(int area, std::string_view name, Value& out) = 0;
    // False when there is no such field; type and lock errors go through the error protocol.
    virtual bool fieldPut(int area, std::string_view name, const Value& v) = 0;

    // Fast path for compiled expressions that read the same field many times: a field's
    // 1-based position in the table open in an area (0 when none), and the identity of that
    // table (it changes whenever another table is opened in the area, so a cached position
    // is valid while the identity is unchanged).
    virtual int fieldIndex(int /*area*/, std::string_view /*name*/) { return 0; }
    virtual const void* tableIdentity(int /*area*/) { return nullptr; }
    virtual bool fieldGetAt(int /*area*/, int /*index*/, Value& /*out*/) { return false; }
};

// One entry of the call stack, for ProcName()/ProcLine() and the chain of calls that fatal
// stops print.
struct CallInfo {
    std::string_view name;
    int line = 0;
};

class Runtime {
public:
    Runtime();
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    // --- memory variables ---
    Symbol intern(std::string_view name);  // case-insensitive
    const std::string& symbolName(Symbol s) const;
    // The visible binding, or nullptr when the variable does not exist.
    Value* findVar(Symbol s);
    Value* findVar(std::string_view name);
    // Assigns the visible binding, or creates a private in the innermost scope.
    Value& assignVar(Symbol s, Value v);
    // PUBLIC: creates the public binding (initialised to .F. as the language does, unless a
    // value is given) when none exists; an existing public keeps its value.
    Value& declarePublic(Symbol s);
    Value& declarePublic(Symbol s, Value v);
    // PRIVATE in the innermost scope; hides outer bindings until that scope ends. Declaring
    // the same name twice in one scope reuses its binding.
    Value& declarePrivate(Symbol s, Value v = {});
    // Removes the public binding (RELEASE of a public); privates are released by scopes.
    void releasePublic(Symbol s);
    bool isPublic(Symbol s) const;

    // --- functions ---
    void registerBuiltins(std::span<const Builtin> table);
    FunctionId findFunction(std::string_view name) const;  // case-insensitive
    const Builtin& function(FunctionId id) const { return functions_[id]; }
    // Calls a function with arguments; refs[i] (when given and not null) is the variable
    // argument i+1 was passed by reference from. Unknown names raise EG_NOFUNC.
    Value call(FunctionId id, std::span<Value> args, std::span<Value* const> refs = {});
    Value call(std::string_view name, std::span<Value> args);
    Value call(std::string_view name, std::initializer_list<Value> args);
    // Calls a code block (any value: a non-block raises the argument error of EVAL).
    Value eval(const Value& block, std::span<const Value> args = {});

    // --- errors ---
    // Asks the installed handler. Without one, the error breaks off to the nearest recovery
    // block with the error object as the break value.
    ErrorAnswer raise(XbError e);
    // Raises until the answer is not Retry or the operation cannot retry; convenience for
    // operations that have nothing to redo: returns the substitute, or NIL for default.
    Value raiseValue(XbError e);
    const Value& errorBlock() const { return errorBlock_; }
    // Installs a handler block and returns the previous one.
    Value setErrorBlock(Value block);

    // --- call stack ---
    const std::vector<CallInfo>& callStack() const { return calls_; }
    void pushCall(std::string_view name, int line = 0) { calls_.push_back({name, line}); }
    void popCall() { calls_.pop_back(); }
    void setLine(int line) {
        if (!calls_.empty()) calls_.back().line = line;
    }
    // Guards against runaway recursion of blocks and macros.
    int depth() const { return depth_; }
    struct DepthGuard {
        explicit DepthGuard(Runtime& r);
        ~DepthGuard() { --rt.depth_; }
        Runtime& rt;
    };
    static constexpr int kMaxDepth = 400;

    // --- state shared with the layers below ---
    Settings& settings() { return settings_; }
    DataHooks* data() const { return data_; }
    void setDataHooks(DataHooks* h) { data_ = h; }
    // Per-layer state, owned by the runtime so it lives exactly as long (work areas, the
    // console, the compiled-expression cache ...). Keyed by a tag object's address.
    template <class T>
    T& extension() {
        auto& slot = extensions_[&T::kTag];
        if (!slot) slot = std::shared_ptr<void>(std::make_shared<T>(*this));
        return *static_cast<T*>(slot.get());
    }
    template <class T>
    T* findExtension() {
        auto it = extensions_.find(&T::kTag);
        return it == extensions_.end() ? nullptr : static_cast<T*>(it->second.get());
    }

private:
    friend class PrivateScope;
    struct Binding {
        Value value;
        std::uint32_t scope;  // scope depth that owns it; 0 = public
    };
    struct SymbolData {
        std::string name;
        std::vector<std::unique_ptr<Binding>> stack;  // top = visible
    };
    Value& pushPrivate(Symbol s, Value v);

    std::unordered_map<std::string, Symbol> symbolIndex_;
    std::vector<SymbolData> symbols_;
    std::vector<std::vector<Symbol>> scopes_;  // scopes_[0] is the outermost (program) scope

    std::vector<Builtin> functions_;
    std::unordered_map<std::string, FunctionId> functionIndex_;

    std::vector<CallInfo> calls_;
    int depth_ = 0;
    Value errorBlock_;
    Settings settings_;
    DataHooks* data_ = nullptr;
    std::unordered_map<const void*, std::shared_ptr<void>> extensions_;
};

// Opens a private-variable scope for its lifetime: privates declared or created by
// assignment while it is the innermost scope vanish when it is destroyed.
class PrivateScope {
public:
    explicit PrivateScope(Runtime& rt);
    ~PrivateScope();
    PrivateScope(const PrivateScope&) = delete;
    PrivateScope& operator=(const PrivateScope&) = delete;

private:
    Runtime& rt_;
};

// The arguments and result of one call of a built-in function. Arguments count from 1, as
// in xBase; a missing argument is NIL.
class Frame {
public:
    Frame(Runtime& rt, FunctionId id, std::span<Value> args, std::span<Value* const> refs)
        : rt_(rt), id_(id), args_(args), refs_(refs) {}

    Runtime& runtime() const { return rt_; }
    std::string_view name() const;
    int argc() const { return static_cast<int>(args_.size()); }
    const Value& arg(int n) const;
    // Non-null when argument n was passed by reference (`@name`).
    Value* ref(int n) const;
    // Assigns through the reference of argument n, if it was passed by reference.
    void setRef(int n, Value v) const;

    // Typed access. A wrong type raises the function's argument error through the error
    // protocol; the handler's substitute becomes the function's result.
    const std::string& str(int n) const;
    std::string strOr(int n, std::string_view def) const;
    double num(int n) const;
    double numOr(int n, double def) const;
    long long intOr(int n, long long def) const;
    bool logOr(int n, bool def) const;
    std::int32_t dateOr(int n, std::int32_t def) const;
    bool isNil(int n) const { return arg(n).isNil(); }

    // Raises this function's argument error now (BASE/<subcode> "Argument error").
    [[noreturn]] void argError() const;
    // Raises any error on behalf of this function; Substitute and Default end the function
    // with that result (NIL for default); Retry returns so the caller can try again.
    void fail(XbError e) const;

    void ret(Value v) { result_ = std::move(v); }
    Value& result() { return result_; }

private:
    Runtime& rt_;
    FunctionId id_;
    std::span<Value> args_;
    std::span<Value* const> refs_;
    Value result_;
};

// Thrown out of a builtin by Frame::argError()/fail(): the call ends with this result.
struct EndCall {
    Value result;
};
// Thrown when the handler asked to retry a call that failed its argument check.
struct RetryCall {};

}  // namespace xb::rt
