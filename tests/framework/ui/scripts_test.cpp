// Window records seen from scripts: slots by number, code blocks as hooks and key actions,
// results through references.
#include <gtest/gtest.h>

#include "ui_fixture.hpp"
#include "xbase/xbase.hpp"

namespace xb::fw::ui::testing {
namespace {

struct ScriptFixture : UiFixture {
    ScriptFixture() { xbase::registerCore(rt); }
    std::string run(std::string_view text) {
        try {
            return rt::repr(xbase::evaluate(rt, text));
        } catch (const rt::Break& b) {
            if (const rt::XbError* e = rt::errorOf(b.value)) return rt::errorLine(*e);
            return "E BREAK " + rt::repr(b.value);
        }
    }
};

TEST(Scripts, TheConfirmationDialogRunsFromExpressions) {
    ScriptFixture ui;
    ui.rt.declarePublic(ui.rt.intern("D"));
    ui.rt.declarePublic(ui.rt.intern("CNT"), rt::Value::integer(0));
    ui.rt.declarePublic(ui.rt.intern("DOC"), rt::Value(""));
    ui.rt.declarePublic(ui.rt.intern("H_DOCOPEL"), rt::Value(""));
    ui.keys({-4, 4, 4, -4, 13});
    struct Step {
        const char* expr;
        const char* want;
    };
    const Step steps[] = {
        {R"(D := H_NEWOPTIONS("OW", NIL, NIL, NIL, NIL, "Titlu", "WARNING", )"
         R"({{"", "Executati update-ul ?"}, {" Update ", " BD urmatoare ", " Abandon "}}, {1}))",
         nullptr},
        {"D[35]", "\"\""},
        {"D[1]", "\"OWo\""},
        {R"(H_SETFUNCKEY(D, H_NEWKEY(-4, "F5         - Numara", {|p, l, v| CNT := CNT + 1, DOC := H_DOCOPEL})))",
         "{NIL, \"\", NIL}"},
        {"H_BEGWINDOW(D)", "NIL"},
        {"D[23]", "2"},
        {"H_RUNWINDOW()", ".T."},
        {"D[13][1]", "3"},
        {"D[25]", "13"},
        {"CNT", "2"},
        {"DOC", "\"wopt\""},  // the dialog's help context while it runs
        {"H_DOCOPEL", "\"\""},
        {"H_ENDWINDOW(D)", "NIL"},
        {"D[23]", "1"},
        {"H_ACTWINDOW()", "NIL"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.expr);
        std::string got = ui.run(s.expr);
        if (s.want) {
            EXPECT_EQ(got, s.want);
        }
    }
}

TEST(Scripts, KeyLookUpsAnswerThroughReferences) {
    ScriptFixture ui;
    ui.rt.declarePublic(ui.rt.intern("W"));
    ui.rt.declarePublic(ui.rt.intern("E"));
    ui.run(R"(W := H_NEWWINDOW("", 2, 2, 8, 30))");
    EXPECT_EQ(ui.run("W[5]"), "30");
    EXPECT_EQ(ui.run("H_ISEXITKEY(W, 27, @E)"), ".T.");
    EXPECT_EQ(ui.run("E[2]"), "\"Esc        - Abandonare\"");
    EXPECT_EQ(ui.run("H_ISEXITKEY(W, 13, @E)"), ".F.");
    EXPECT_EQ(ui.run("E"), "{NIL, \"\", NIL}");
    EXPECT_EQ(ui.run("H_ISFUNCKEY(W, -10)"), ".T.");
}

}  // namespace
}  // namespace xb::fw::ui::testing
