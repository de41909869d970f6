// EvalFixture: a fresh runtime with the start-up settings and the evaluator (and, in test
// binaries that define XB_HAVE_STDLIB, the standard functions), for table-driven tests that
// compare what `xbtool eval` would print.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>

#include "runtime/error.hpp"
#include "runtime/runtime.hpp"
#include "xbase/xbase.hpp"
#if defined(XB_HAVE_STDLIB)
#include "xbase/stdlib/stdlib.hpp"
#endif

namespace xb::rt {
// gtest prints values in their canonical form.
inline void PrintTo(const Value& v, std::ostream* os) { *os << repr(v); }
}  // namespace xb::rt

struct EvalFixture {
    xb::rt::Runtime rt;

    EvalFixture() {
        xb::xbase::registerCore(rt);
#if defined(XB_HAVE_STDLIB)
        xb::stdlib::registerStdlib(rt);
#endif
    }

    // Evaluates a text; errors without a handler arrive as xb::rt::Break.
    xb::rt::Value eval(std::string_view text) { return xb::xbase::evaluate(rt, text); }

    // The canonical form of the value, or "E <gencode> <subsystem>/<subcode> <description>"
    // for a run-time error ("E BREAK <value>" for an unrecovered BREAK), exactly as
    // `xbtool eval` prints it.
    std::string repr(std::string_view text) {
        try {
            return xb::rt::repr(eval(text));
        } catch (const xb::rt::Break& b) {
            if (const xb::rt::XbError* e = xb::rt::errorOf(b.value)) return xb::rt::errorLine(*e);
            return "E BREAK " + xb::rt::repr(b.value);
        }
    }
};

struct ExprCase {
    const char* expr;
    const char* want;
};

// Evaluates each expression in order in the same runtime and compares its canonical form.
inline void expectAll(EvalFixture& ev, std::initializer_list<ExprCase> cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expr);
        EXPECT_EQ(ev.repr(c.expr), c.want);
    }
}
