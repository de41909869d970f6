#include <gtest/gtest.h>

#include "runtime/runtime.hpp"

using namespace xb::rt;

TEST(MemVars, PrivatesHideOuterBindingsUntilTheirScopeEnds) {
    Runtime rt;
    Symbol x = rt.intern("x");
    EXPECT_EQ(rt.intern("X"), x);
    rt.declarePublic(x, Value("public"));
    {
        PrivateScope s1(rt);
        rt.declarePrivate(x, Value("p1"));
        {
            PrivateScope s2(rt);
            rt.assignVar(x, Value("changed"));  // assigns the visible private in place
            Symbol y = rt.intern("y");
            rt.assignVar(y, Value::integer(1));  // created in the innermost scope
            EXPECT_NE(rt.findVar(y), nullptr);
        }
        EXPECT_EQ(rt.findVar("Y"), nullptr);
        EXPECT_EQ(rt.findVar(x)->str(), "changed");
    }
    EXPECT_EQ(rt.findVar(x)->str(), "public");
    EXPECT_TRUE(rt.isPublic(x));
    EXPECT_TRUE(rt.declarePublic(rt.intern("fresh")).logical() == false);
}

namespace {
void fn_TWICE(Frame& f) { f.ret(Value::integer(f.num(1) * 2)); }
void fn_BUMP(Frame& f) {
    Value* r = f.ref(1);
    f.setRef(1, Value::integer(r && r->isNumber() ? r->numVal() + 1 : 0));
}
const Builtin kTestFns[] = {{"Twice", fn_TWICE, 9999}, {"BUMP", fn_BUMP}};
}  // namespace

TEST(Functions, CaseInsensitiveCallsAndReferences) {
    Runtime rt;
    rt.registerBuiltins(kTestFns);
    EXPECT_EQ(repr(rt.call("twice", {Value::integer(21)})), "42");
    Value var = Value::integer(5);
    Value args[] = {var};
    Value* refs[] = {&var};
    rt.call(rt.findFunction("bump"), args, refs);
    EXPECT_EQ(repr(var), "6");
}

TEST(Errors, HandlerAnswersSubstituteDefaultRetryOrBreaks) {
    Runtime rt;
    rt.registerBuiltins(kTestFns);
    // Without a handler the error object breaks off.
    try {
        rt.call("twice", {Value("x")});
        FAIL();
    } catch (Break& b) {
        XbError* e = errorOf(b.value);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(errorLine(*e), "E 1 BASE/9999 Argument error");
        EXPECT_EQ(e->operation, "Twice");
    }
    // A substitute becomes the result; the handler runs before anything unwinds.
    int seenDepth = -1;
    rt.setErrorBlock(Value(nativeBlock([&](Runtime& r, std::span<const Value>) {
        seenDepth = static_cast<int>(r.callStack().size());
        return Value::integer(7);
    })));
    EXPECT_EQ(repr(rt.call("twice", {Value("x")})), "7");
    EXPECT_EQ(seenDepth, 1);
    EXPECT_EQ(repr(rt.call("nosuch", {})), "7");
    // .T. asks for a retry while the operation allows one; .F. fails quietly (NIL).
    int calls = 0;
    rt.setErrorBlock(Value(nativeBlock([&](Runtime&, std::span<const Value> a) {
        ++calls;
        return Value(errorOf(a[0])->canRetry && calls < 3);
    })));
    XbError lock;
    lock.genCode = eg::kLock;
    lock.canRetry = true;
    EXPECT_TRUE(rt.raiseValue(lock).isNil());
    EXPECT_EQ(calls, 3);
}

TEST(Errors, RecursionIsBoundedWithABreak) {
    Runtime rt;
    Value blk(
        nativeBlock([&](Runtime& r, std::span<const Value>) { return r.eval(*r.findVar("B")); }));
    rt.declarePublic(rt.intern("B"), blk);
    EXPECT_THROW(rt.eval(blk), Break);
    EXPECT_EQ(rt.depth(), 0);
}
