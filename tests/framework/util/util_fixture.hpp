// UtilFixture: the evaluator fixture with the utility functions registered, for tests that
// write their cases as expressions. A fatal stop comes back as "STOP <code> <message>".
#pragma once

#include <string>
#include <string_view>

#include "eval_fixture.hpp"
#include "framework/core/trelbeg.hpp"
#include "framework/util/util.hpp"

struct UtilFixture : EvalFixture {
    UtilFixture() {
        rt.registerBuiltins(xb::fw::trelbeg::builtins());
        xb::fw::registerUtil(rt);
    }

    std::string run(std::string_view text) {
        try {
            return repr(text);
        } catch (const xb::rt::FatalStop& s) {
            return "STOP " + std::to_string(s.code) + " " + s.message;
        }
    }
};

// Runs each case and compares its canonical result text.
inline void expectAll(UtilFixture& fx, std::initializer_list<ExprCase> cases) {
    for (const ExprCase& c : cases) {
        SCOPED_TRACE(c.expr);
        EXPECT_EQ(fx.run(c.expr), c.want);
    }
}
