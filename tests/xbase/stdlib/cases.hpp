// Table-driven expression cases for the standard library tests.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>

#include "xbase/eval_fixture.hpp"

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
