// The core functions as scripts call them: by name, any case, with @ references.
#include <gtest/gtest.h>

#include "core_fixture.hpp"
#include "xbase/eval_fixture.hpp"

namespace xb::fw::testing {
namespace {

TEST(CoreFromScripts, ReferencesAndNamesWork) {
    TempFolder tmp;
    tmp.write("IN.TXT", "one\r\ntwo");
    EvalFixture ev;
    registerCore(ev.rt);
    struct Case {
        const char* expr;
        const char* want;
    };
    static const Case cases[] = {
        {R"(h_AddPath("A.DBF", "DATA"))", R"("DATA/A.DBF")"},
        {R"(d := 0)", "0"},
        {R"(H_PATHVALID("/A/B/C", @d))", ".T."},
        {"d", "3"},
        {R"(H_OPENINP("in.txt"))", ".T."},
        {R"(l := "")", R"("")"},
        {R"(e := "")", R"("")"},
        {R"(H_GETLINE(@l, @e))", ".T."},
        {"l + e", R"("one\x0D\x0A")"},
        {R"(H_GETLINE(@l, @e))", ".T."},
        {R"(l + "|" + e)", R"("two|")"},
        {R"(H_GETLINE(@l, @e))", ".F."},
        {"H_CLOSEINP()", ".T."},
        {R"(m := "")", R"("")"},
        {R"(H_PUTSUBMEMO(@m, "S_PARAM", "abc"))", ".T."},
        {R"(H_GETSUBMEMO(m, "S_PARAM"))", R"("abc")"},
        {R"(H_ERR := "")", R"("")"},
        {R"(H_MAPPATH("%NO_SUCH_VAR_X%/A", .T., @H_ERR))", R"("%NO_SUCH_VAR_X%/A")"},
        {"H_ERR", R"("Variabila de mediu: NO_SUCH_VAR_X nu este definita !")"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expr);
        EXPECT_EQ(ev.repr(c.expr), c.want);
    }
}

}  // namespace
}  // namespace xb::fw::testing
