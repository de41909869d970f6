// CONTROL: the functions of the language that steer evaluation: EVAL, BREAK, ERRORBLOCK,
// PROCNAME, PROCLINE and TYPE.
#include "xbase/nodes.hpp"

namespace xb::xbase {

namespace {

using rt::Frame;
using rt::Value;

// EVAL(block, args...) -> the block's value
void fn_EVAL(Frame& f) {
    std::vector<Value> args;
    for (int i = 2; i <= f.argc(); ++i) args.push_back(f.arg(i));
    f.ret(f.runtime().eval(f.arg(1), args));
}

// BREAK([value]): leaves for the nearest recovery block, carrying value.
void fn_BREAK(Frame& f) { throw rt::Break{f.arg(1)}; }

// ERRORBLOCK([block]) -> the handler block in force before the call
void fn_ERRORBLOCK(Frame& f) {
    rt::Runtime& rt = f.runtime();
    Value old = rt.errorBlock();
    if (f.arg(1).isBlock()) rt.setErrorBlock(f.arg(1));
    f.ret(std::move(old));
}

// The entry `level` calls above the caller of PROCNAME/PROCLINE (0 = that caller), or null.
const rt::CallInfo* callerAt(Frame& f) {
    const auto& stack = f.runtime().callStack();
    long long level = f.intOr(1, 0);
    // The top entry is PROCNAME/PROCLINE itself.
    long long i = static_cast<long long>(stack.size()) - 2 - level;
    if (level < 0 || i < 0) return nullptr;
    return &stack[static_cast<std::size_t>(i)];
}

// PROCNAME([level]) -> name of the calling function, "" beyond the outermost
void fn_PROCNAME(Frame& f) {
    const rt::CallInfo* c = callerAt(f);
    f.ret(Value(c ? std::string(c->name) : std::string()));
}

// PROCLINE([level]) -> line number in the calling function, 0 when unknown
void fn_PROCLINE(Frame& f) {
    const rt::CallInfo* c = callerAt(f);
    f.ret(Value::integer(c ? c->line : 0));
}

// TYPE(text) -> the type letter of the expression text, "U", "UE" or "UI"
void fn_TYPE(Frame& f) { f.ret(Value(typeOf(f.runtime(), f.str(1)))); }

const rt::Builtin kCore[] = {
    {"EVAL", fn_EVAL, 0},         {"BREAK", fn_BREAK, 0},       {"ERRORBLOCK", fn_ERRORBLOCK, 0},
    {"PROCNAME", fn_PROCNAME, 0}, {"PROCLINE", fn_PROCLINE, 0}, {"TYPE", fn_TYPE, 1121},
};

}  // namespace

void registerCore(rt::Runtime& rt) {
    detail::state(rt);
    rt.registerBuiltins(kCore);
}

}  // namespace xb::xbase
