// The message line, questions, batch mode, message windows and the help menu.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

#include "framework/ui/hmes.hpp"
#include "framework/ui/screen.hpp"
#include "framework/ui/userintf.hpp"
#include "ui_fixture.hpp"

namespace xb::fw::ui::testing {
namespace {

using rt::Value;

Value arr(std::initializer_list<Value> items) { return Value::newArray(std::vector<Value>(items)); }
Value n(int v) { return Value::integer(v); }

int countTones(UiFixture& ui, double hz, std::size_t from = 0) {
    int count = 0;
    for (std::size_t i = from; i < ui.device().tones().size(); ++i)
        if (ui.device().tones()[i].hz == hz) ++count;
    return count;
}

bool shows(const std::vector<std::string>& shot, const std::string& text) {
    for (const auto& r : shot)
        if (r.find(text) != std::string::npos) return true;
    return false;
}

TEST(MessageLine, ErrorWaitsForAKeyThenRestoresTheLine) {
    UiFixture ui;
    ui.console().setPos(24, 0);
    ui.console().dispOut("linia de mesaje veche", 0x07);
    std::string before = ui.row(24), beforeAttrs = ui.attrs(24);
    ui.snapshotsOnF9();
    ui.keys({-8, 'x'});
    EXPECT_EQ(rt::repr(ui.call("H_MESERR", {Value("Eroare de test  "), n(0)})), "\"x\"");
    ASSERT_EQ(ui.shots.size(), 1u);
    // Wait 0: trimmed, " ..." appended, centred: 18 characters from column 31.
    EXPECT_EQ(ui.shots[0][24], std::string(31, ' ') + "Eroare de test ..." + std::string(31, ' '));
    EXPECT_EQ(ui.row(24), before);
    EXPECT_EQ(ui.attrs(24), beforeAttrs);
    EXPECT_EQ(countTones(ui, 349), 1);  // the error beep: 349 Hz, then 300 Hz
    EXPECT_EQ(countTones(ui, 300), 1);
}

TEST(MessageLine, TimedWaitWithoutAKeyGivesChrZero) {
    UiFixture ui;
    EXPECT_EQ(rt::repr(ui.call("H_MESERR", {Value("Timp"), n(5)})), "\"\\x00\"");
}

TEST(MessageLine, WithoutWaitTheTextStaysInTheLevelColour) {
    struct Case {
        const char* fn;
        int index;
    };
    for (const Case& c : {Case{"H_MESHLP", 11}, Case{"H_MESWAR", 12}, Case{"H_MESERR", 13}}) {
        SCOPED_TRACE(c.fn);
        UiFixture ui;
        EXPECT_EQ(rt::repr(ui.call(c.fn, {Value("Corectiile nu au fost efectuate")})), "\" \"");
        EXPECT_EQ(ui.text(24, 24, 54), "Corectiile nu au fost efectuate");
        EXPECT_EQ(ui.attr(24, 0), UiFixture::colour(paletteColour("BACKGROUND", c.index)));
        // The colour setting is put back.
        EXPECT_EQ(ui.console().attr(), UiFixture::colour(paletteColour("BACKGROUND", 2)));
    }
    UiFixture ui;
    std::string longText(90, 'L');
    ui.call("H_MESHLP", {Value(longText)});
    EXPECT_EQ(ui.row(24), std::string(80, 'L'));  // longer than the screen: from column 0
}

TEST(MessageLine, FunctionKeysStillWorkWhileAMessageWaits) {
    UiFixture ui;
    int runs = 0;
    setGlobalKey(ui.rt, newKey(-9, "F10        - Test",
                               Value(rt::nativeBlock([&](rt::Runtime&, std::span<const Value>) {
                                   ++runs;
                                   return Value();
                               }))));
    ui.keys({-9, -9, 13});
    EXPECT_EQ(rt::repr(ui.call("H_MESHLP", {Value("Tastati"), n(0)})), "\"\\x0D\"");
    EXPECT_EQ(runs, 2);
}

TEST(Beeps, BeepOffReplacesTheToneWithAPauseThatTakesAKey) {
    UiFixture ui;
    ::setenv("BEEP", "off", 1);
    ui.keys({'k', 'l'});
    std::string before = ui.row(24);
    ui.call("H_BEEPKEY");
    ::unsetenv("BEEP");
    EXPECT_TRUE(ui.device().tones().empty());
    EXPECT_EQ(ui.row(24), before);  // the flash is undone
    EXPECT_EQ(inkey(ui.rt, std::nullopt), 'l');
    ui.call("H_BEEPERR", {Value(true)});  // silent: a pause as well
    EXPECT_TRUE(ui.device().tones().empty());
    ui.call("H_BEEPWAR");
    ASSERT_EQ(ui.device().tones().size(), 1u);
    EXPECT_EQ(ui.device().tones()[0].hz, 300);
}

TEST(Batch, WarningsAndErrorsAreCollectedInsteadOfShown) {
    UiFixture ui;
    ui.rt.declarePublic(ui.rt.intern("APELBAT"), Value(true));
    std::vector<std::string> seen;
    ui.call("H_SETBAT", {Value(true), Value(false),
                         Value(rt::nativeBlock([&](rt::Runtime&, std::span<const Value> a) {
                             seen.push_back(a[0].str());
                             return Value();
                         }))});
    std::string before = ui.row(24);
    EXPECT_EQ(rt::repr(ui.call("H_MESERR", {Value("Eroare unu"), n(0)})), "NIL");
    EXPECT_EQ(rt::repr(ui.call("H_MESWAR", {Value("Atentie doi")})), "NIL");
    EXPECT_EQ(ui.row(24), before);
    EXPECT_TRUE(ui.device().tones().empty());
    EXPECT_EQ(rt::repr(ui.call("H_MESBAT")), "{\"*   Eroare unu\", \"*   Atentie doi\"}");
    EXPECT_EQ(seen, (std::vector<std::string>{"Eroare unu", "Atentie doi"}));
    EXPECT_EQ(rt::repr(ui.call("H_ERRBAT")), "2");
    EXPECT_EQ(rt::repr(*ui.rt.findVar("X_RET")), "2");
    // Help texts are still shown.
    ui.call("H_MESHLP", {Value("Asteptati !")});
    EXPECT_NE(ui.row(24).find("Asteptati !"), std::string::npos);
    ui.call("H_MESBAT", {Value("*** Grav")});
    EXPECT_EQ(rt::repr(ui.call("H_ERRBAT")), "1");
    rt::FatalStop s = ui.fatal([&] { ui.call("H_MESBAT", {Value("fara prefix")}); });
    EXPECT_EQ(s.code, 1);
    EXPECT_EQ(s.message, "h_MesBat() -mesaj fara \"*\" in fata !");
    // Switching batch mode off empties the list.
    EXPECT_EQ(rt::repr(ui.call("H_SETBAT", {Value(false)})), ".T.");
    EXPECT_EQ(rt::repr(ui.call("H_ERRBAT")), "0");
}

TEST(Batch, StopOnErrorEndsTheProgramWithTheFirstWarning) {
    UiFixture ui;
    ui.rt.declarePublic(ui.rt.intern("APELBAT"), Value(true));
    ui.call("H_SETBAT", {Value(true), Value(true)});
    rt::FatalStop s = ui.fatal([&] { ui.call("H_MESWAR", {Value("Oprire")}); });
    EXPECT_EQ(s.code, 1);
    EXPECT_EQ(s.message, "Oprire");
}

TEST(Batch, WithoutApelBatNothingChanges) {
    UiFixture ui;
    EXPECT_EQ(rt::repr(ui.call("H_SETBAT", {Value(true)})), ".F.");
    EXPECT_EQ(rt::repr(ui.call("H_ERRBAT")), "0");
    ui.call("H_MESERR", {Value("Se vede")});
    EXPECT_NE(ui.row(24).find("Se vede"), std::string::npos);
}

TEST(Question, FieldStyleRefusesEnterUntilAValidLetter) {
    UiFixture ui;
    ui.snapshotsOnF9();
    // 'x' is shown and refused, Enter is refused, 'd' is accepted.
    ui.keys({13, 'x', -8, 13, 'd', -8, 13});
    Value answer("");
    std::string a;
    bool ok = mesQry(ui.rt, "Salvati ? [D/N] : ", "DN", a);
    EXPECT_TRUE(ok);
    EXPECT_EQ(a, "D");
    // The prompt plus a blank (18) from column (80 - 18 - 1) / 2 = 30; the field at 49.
    ASSERT_EQ(ui.shots.size(), 2u);
    EXPECT_EQ(ui.shots[0][24].substr(30, 20), "Salvati ? [D/N] :  X");
    EXPECT_EQ(ui.shots[1][24].substr(49, 1), "D");
    // A beep at once (no default), one for the enter, one for 'x', one for the second Enter.
    EXPECT_EQ(countTones(ui, 150), 4);
}

TEST(Question, DefaultIsAcceptedAndEscRefuses) {
    UiFixture ui;
    ui.keys({13});
    std::string a = "n";
    EXPECT_TRUE(mesQry(ui.rt, "Stergeti ? [D/N] : ", "DN", a));
    EXPECT_EQ(a, "N");
    EXPECT_EQ(countTones(ui, 150), 0);
    ui.keys({27});
    EXPECT_FALSE(mesQry(ui.rt, "Stergeti ? [D/N] : ", "DN", a));
    // Through the binding, the answer comes back by reference.
    ui.keys({'d', 13});
    ui.rt.declarePublic(ui.rt.intern("ANS"), Value("N"));
    Value* ans = ui.rt.findVar("ANS");
    Value args[] = {Value("Stergeti ? [D/N] : "), Value("DN"), *ans};
    Value* refs[] = {nullptr, nullptr, ans};
    EXPECT_EQ(rt::repr(ui.rt.call(ui.rt.findFunction("H_MESQRY"), args, refs)), ".T.");
    EXPECT_EQ(rt::repr(*ans), "\"D\"");
}

TEST(Question, ButtonStyleWhenTheMouseIsInUse) {
    struct Case {
        const char* name;
        std::vector<std::array<int, 3>> events;  // code, row, col (0 for keys)
        bool ok;
        const char* answer;
    };
    const Case cases[] = {
        {"Left then Enter", {{19, 0, 0}, {13, 0, 0}}, true, "D"},
        {"Right wraps", {{4, 0, 0}, {13, 0, 0}}, true, "D"},
        {"a letter chooses", {{'n', 0, 0}, {0, 0, 0}}, true, "N"},
        {"a click chooses", {{1002, 24, 46}, {0, 0, 0}, {0, 0, 0}}, true, "D"},
        {"Esc", {{27, 0, 0}}, false, "N"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UiFixture ui;
        ui.call("H_MPRESENT", {Value(true)});
        ui.snapshotsOnF9();
        ui.keys({-8});
        for (auto [code, r, col] : c.events) {
            if (code > 1000)
                ui.click(r, col, code);
            else
                ui.device().pushKey(code);
        }
        std::string a = "n";
        EXPECT_EQ(mesQry(ui.rt, "Salvati ? [D/N] : ", "DN", a), c.ok);
        EXPECT_EQ(a, c.answer);
        // "Salvati ?" from column 35, the letters as buttons from column 45, four apart.
        ASSERT_EQ(ui.shots.size(), 1u);
        EXPECT_EQ(ui.shots[0][24].substr(35, 17), "Salvati ?  D  <N>");
    }
}

TEST(HelpMenu, DocumentationEntriesComeFirstWhenTheCommandStoreIsThere) {
    UiFixture ui;
    static std::vector<std::string> ran;
    ran.clear();
    static const rt::Builtin fakes[] = {
        {"GCMD_LIST",
         [](rt::Frame& f) {
             std::string prefix = f.str(1);
             Value out = Value::newArray();
             if (prefix == "DOCUTI")
                 out.array().items.push_back(arr({Value("DOCUTI"), Value("Utilizare"), arr({})}));
             if (prefix == "DOCUM")
                 out.array().items.push_back(arr({Value("DOCUM1"), Value("Manual"), arr({})}));
             f.ret(out);
         }},
        {"GCMD_EXEC", [](rt::Frame& f) { ran.push_back(f.str(1)); }},
    };
    ui.rt.registerBuiltins(fakes);
    ui.rt.declarePublic(ui.rt.intern("FIL_GCMD"), n(5));
    Value page = ui.call("H_NEWMESSAGE", {Value(""), Value(), Value(), Value(), Value(),
                                          Value("Pagina"), Value("HELP"), arr({Value("x")})});
    Value pages = arr({page});
    ui.snapshotsOnF9();
    // Items: "Documentatie utilizare", "Manual", the separator, "Pagina".
    ui.keys({-8, 24, 13});
    Value last = n(1);
    EXPECT_EQ(rt::repr(pMessages(ui.rt, pages, last)), "2");
    EXPECT_EQ(ran, (std::vector<std::string>{"DOCUM1"}));
    ASSERT_EQ(ui.shots.size(), 1u);
    EXPECT_TRUE(shows(ui.shots[0], "\xB3 Documentatie utilizare \xB3"));
    EXPECT_TRUE(shows(ui.shots[0], "\xB3 ---------------------- \xB3"));
    // Down from 2 skips the separator to the page; Esc on the page; the menu gave item 4.
    ui.keys({24, 13, 27});
    EXPECT_EQ(rt::repr(pMessages(ui.rt, pages, last)), "4");
    ui.keys({27});
    EXPECT_EQ(rt::repr(pMessages(ui.rt, pages, last)), "4");  // Esc keeps the last item
}

TEST(MessageWindow, LayoutLinesAndExitKeys) {
    UiFixture ui;
    Value w =
        ui.call("H_NEWMESSAGE", {Value(""), Value(), Value(), Value(), Value(), Value("Info"),
                                 Value("HELP"), arr({Value("Prima linie"), Value("A doua")})});
    EXPECT_EQ(rt::repr(slot(w, Slot::Kind)), "\"m\"");
    ui.keys({'q', 13});
    std::size_t tones = ui.device().tones().size();
    EXPECT_EQ(rt::repr(ui.call("H_POPUPWINDOW", {w})), ".F.");
    EXPECT_EQ(countTones(ui, 150, tones), 1);  // 'q' is refused
    // Height 2 + 2 + 2 = 6 from row (24 - 6) / 2 = 9; width 11 + 4 = 15 from column 32.
    EXPECT_EQ(slotInt(w, Slot::Top), 9);
    EXPECT_EQ(slotInt(w, Slot::Bottom), 14);
    EXPECT_EQ(slotInt(w, Slot::Left), 32);
    EXPECT_EQ(slotInt(w, Slot::Right), 46);
    // The double click was added with Enter's action.
    EXPECT_TRUE(isExitKey(ui.rt, w, 1006, nullptr));
}

TEST(MessageWindow, PagingWrapsAndSkipsNilEntries) {
    UiFixture ui;
    auto page = [&](const char* title) {
        return ui.call("H_NEWMESSAGE", {Value(""), Value(), Value(), Value(), Value(), Value(title),
                                        Value("HELP"), arr({Value(title)})});
    };
    Value pages = arr({page("Unu"), Value(), page("Doi")});
    ui.snapshotsOnF9();
    ui.keys({-8, 3, -8, 27});
    Value start = n(3);
    EXPECT_EQ(messages(ui.rt, pages, start), 1);
    EXPECT_EQ(rt::repr(start), "1");
    ASSERT_EQ(ui.shots.size(), 2u);
    EXPECT_TRUE(shows(ui.shots[0], "Doi"));
    EXPECT_TRUE(shows(ui.shots[1], "Unu"));
    EXPECT_TRUE(
        shows(ui.shots[0], "PgDn,PgUp-pagina urmatoare,precedenta, Enter,ESC-revenire ..."));
    Value none = arr({Value(), Value()});
    EXPECT_EQ(messages(ui.rt, none, start), 0);
}

TEST(HelpPages, ShiftF1InTheDialogListsExitAndFunctionKeys) {
    UiFixture ui;
    ui.snapshotsOnF9();
    setGlobalKey(ui.rt, newKey(-20, "Ctrl F1    - Calculator",
                               Value(rt::nativeBlock(
                                   [](rt::Runtime&, std::span<const Value>) { return Value(); }))));
    Value d =
        ui.call("H_NEWOPTIONS",
                {Value("OW"), Value(), Value(), Value(), Value(), Value("Titlu"), Value("WARNING"),
                 arr({arr({Value("Text")}), arr({Value(" Da "), Value(" Nu ")})}), arr({n(1)})});
    // Shift-F1: the help menu; Enter on its first item pages from "Taste de iesire"; PgDn
    // twice reaches "Taste functionale"; Esc leaves the pages, Esc ends the dialog.
    ui.keys({-10, -8, 13, -8, 3, -8, 3, -8, 27, 27});
    ui.call("H_BEGWINDOW", {d});
    EXPECT_EQ(rt::repr(ui.call("H_RUNWINDOW")), ".F.");
    ui.call("H_ENDWINDOW", {d});
    ASSERT_EQ(ui.shots.size(), 4u);
    // The "Ajutor" menu: 3 items, centred for 7 rows and 19 columns: rows 9-15 from column 30.
    EXPECT_EQ(ui.shots[0][10].substr(30, 21), "\xB3      Ajutor       \xB3");
    EXPECT_EQ(ui.shots[0][12].substr(30, 21), "\xB3 Taste de iesire   \xB3");
    EXPECT_EQ(ui.shots[0][13].substr(30, 21), "\xB3 Taste de navigare \xB3");
    EXPECT_EQ(ui.shots[0][14].substr(30, 21), "\xB3 Taste functionale \xB3");
    EXPECT_TRUE(shows(ui.shots[1], "Taste de iesire"));
    EXPECT_TRUE(shows(ui.shots[1], "Esc        - Abandonare"));
    EXPECT_TRUE(shows(ui.shots[1], "Enter      - Terminare cu acceptare optiune"));
    EXPECT_TRUE(shows(ui.shots[2], "Taste de navigare"));
    EXPECT_TRUE(shows(ui.shots[2], "\x1B          - Cu o optiune la stinga"));
    EXPECT_TRUE(shows(ui.shots[3], "Taste functionale"));
    EXPECT_TRUE(shows(ui.shots[3], "Ctrl F1    - Calculator"));
    EXPECT_TRUE(shows(ui.shots[3], "Shift F1   - Ajutor documentatie si taste"));
    // The pages put everything back.
    EXPECT_EQ(ui.row(12), std::string(80, ' '));
}

}  // namespace
}  // namespace xb::fw::ui::testing
