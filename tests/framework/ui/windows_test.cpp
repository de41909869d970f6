// Windows, frames, palettes and the screen window on the headless 80x25 console.
#include <gtest/gtest.h>

#include "framework/ui/hopt.hpp"
#include "framework/ui/screen.hpp"
#include "framework/ui/userintf.hpp"
#include "ui_fixture.hpp"

namespace xb::fw::ui::testing {
namespace {

using rt::Value;

Value arr(std::initializer_list<Value> items) { return Value::newArray(std::vector<Value>(items)); }
Value n(int v) { return Value::integer(v); }

TEST(ScreenWindow, FillsRowsOneToMaxRowMinusOneWithShadeAndRestoresOnEnd) {
    UiFixture ui;
    ui.console().setPos(0, 0);
    ui.console().dispOut("header row", 0x1F);
    std::string before0 = ui.row(0), before24 = ui.row(24);
    std::string beforeAll;
    for (int r = 0; r < 25; ++r) beforeAll += ui.row(r) + ui.attrs(r);

    Value scr = ui.call("H_NEWSCREEN", {Value(""), n(1), n(0), n(23), n(79), Value(),
                                        Value("BACKGROUND"), arr({Value("\xB0")})});
    EXPECT_EQ(rt::repr(slot(scr, Slot::Kind)), "\"s\"");
    ui.call("H_BEGWINDOW", {Value(), scr});

    std::uint8_t normal = UiFixture::colour(paletteColour("BACKGROUND", 2));
    for (int r = 1; r <= 22; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(ui.row(r), std::string(80, '\xB0'));
        EXPECT_EQ(ui.attrs(r), std::string(80, static_cast<char>(normal)));
    }
    EXPECT_EQ(ui.row(23), std::string(80, '\xC4'));  // the bottom row is a box one row high
    EXPECT_EQ(ui.row(0), before0);
    EXPECT_EQ(ui.row(24), before24);
    EXPECT_EQ(slotInt(scr, Slot::StateCode), 3);

    // A screen is only a background: activating it stops the program.
    rt::FatalStop stop = ui.fatal([&] { actWindow(ui.rt, scr); });
    EXPECT_EQ(stop.code, 2);
    EXPECT_EQ(stop.message, "Fereastra de tip ECRAN nu poate fi activata !");
    state(ui.rt).active = false;
    setSlotInt(scr, Slot::StateCode, 3);

    ui.call("H_ENDWINDOW", {Value(), scr});
    std::string after;
    for (int r = 0; r < 25; ++r) after += ui.row(r) + ui.attrs(r);
    EXPECT_EQ(after, beforeAll);
}

TEST(ScreenWindow, TitleGoesCentredInColumnsTwentyToFiftyNineOfRowZero) {
    UiFixture ui;
    Value scr = ui.call("H_NEWSCREEN", {Value(""), Value(), Value(), Value(), Value(),
                                        Value("Titlu"), Value("BACKGROUND"), Value()});
    ui.call("H_BEGWINDOW", {Value(), scr});
    EXPECT_EQ(ui.text(0, 20, 59), std::string(17, ' ') + "Titlu" + std::string(18, ' '));
    EXPECT_EQ(ui.attr(0, 37), UiFixture::colour(paletteColour("BACKGROUND", 8)));
    EXPECT_EQ(ui.row(5), std::string(80, ' '));  // no items: a blank fill
    ui.call("H_ENDWINDOW", {Value(), scr});
    EXPECT_EQ(ui.row(0), std::string(80, ' '));
}

// The upgrade's confirmation dialog: 4 lines, a title of 11 characters and three buttons.
struct Dialog {
    explicit Dialog(UiFixture& f) : ui(f) {
        win = ui.call("H_NEWOPTIONS",
                      {Value("OW"), Value(), Value(), Value(), Value(), Value("Actualizare"),
                       Value("WARNING"),
                       arr({arr({Value(""), Value("Baza de date: DATA1"), Value(""),
                                 Value("Executati update-ul ?")}),
                            arr({Value(" Update "), Value(" BD urmatoare "), Value(" Abandon ")})}),
                       arr({n(1)})});
    }
    Value run() {
        ui.call("H_BEGWINDOW", {win});
        Value r = ui.call("H_RUNWINDOW");
        chosen = static_cast<int>(slot(win, Slot::State).array().items[0].numVal());
        ui.call("H_ENDWINDOW", {win});
        return r;
    }
    UiFixture& ui;
    Value win;
    int chosen = 0;
};

TEST(OptionsDialog, ConfirmationDialogIsCentredWithFrameTitleAndButtonsWhereTheLayoutPutsThem) {
    UiFixture ui;
    Dialog d(ui);
    ui.call("H_BEGWINDOW", {d.win});
    // Height 1 + 2 + 4 + 3 + 1 = 11 from row (24 - 11) / 2 = 6; the buttons are the widest
    // content (10 + 16 + 11 - 2 = 35), so the width is 39 from column (79 - 39) / 2 = 20.
    EXPECT_EQ(slotInt(d.win, Slot::Top), 6);
    EXPECT_EQ(slotInt(d.win, Slot::Bottom), 16);
    EXPECT_EQ(slotInt(d.win, Slot::Left), 20);
    EXPECT_EQ(slotInt(d.win, Slot::Right), 58);
    EXPECT_EQ(ui.text(6, 20, 58), "\xDA" + std::string(37, '\xC4') + "\xBF");
    EXPECT_EQ(ui.text(7, 20, 58),
              "\xB3" + std::string(13, ' ') + "Actualizare" + std::string(13, ' ') + "\xB3");
    EXPECT_EQ(ui.text(8, 20, 58), "\xC3" + std::string(37, '\xC4') + "\xB4");
    EXPECT_EQ(ui.text(9, 20, 58), "\xB3" + std::string(37, ' ') + "\xB3");
    EXPECT_EQ(ui.text(10, 20, 58), "\xB3 Baza de date: DATA1" + std::string(17, ' ') + "\xB3");
    EXPECT_EQ(ui.text(12, 20, 58), "\xB3 Executati update-ul ?" + std::string(15, ' ') + "\xB3");
    EXPECT_EQ(ui.text(13, 21, 57), std::string(37, ' '));
    EXPECT_EQ(ui.text(14, 20, 58), "\xB3  Update    BD urmatoare    Abandon  \xB3");
    EXPECT_EQ(ui.text(15, 21, 57), std::string(37, ' '));
    EXPECT_EQ(ui.text(16, 20, 58), "\xC0" + std::string(37, '\xC4') + "\xD9");
    EXPECT_EQ(ui.text(5, 0, 79), std::string(80, ' '));
    // Origin below the title separator; slot 14 holds the button row and columns.
    EXPECT_EQ(slotInt(d.win, Slot::OriginRow), 9);
    EXPECT_EQ(slotInt(d.win, Slot::OriginCol), 21);
    EXPECT_EQ(rt::repr(slot(d.win, Slot::Work)), "{14, {22, 32, 48}}");

    auto c = [](int i) { return UiFixture::colour(paletteColour("WARNING", i)); };
    EXPECT_EQ(ui.attr(6, 20), c(10));  // active frame: ACTBORDER
    EXPECT_EQ(ui.attr(8, 20), c(10));  // the title junction belongs to the frame
    EXPECT_EQ(ui.attr(7, 34), c(8));   // title
    EXPECT_EQ(ui.attr(8, 30), c(9));   // separator: BORDER
    EXPECT_EQ(ui.attr(10, 22), c(2));  // lines: NORMAL
    EXPECT_EQ(ui.attr(14, 22), c(3));  // the preselected button: SELECTED
    EXPECT_EQ(ui.attr(14, 32), c(2));
    EXPECT_EQ(ui.attr(14, 48), c(2));
    // The hint on the message line, in the dialog's HELP colour; the warning beep sounded.
    EXPECT_EQ(ui.text(24, 17, 61), "Shift F1-ajutor, ENTER-acceptare, ESC-abandon");
    EXPECT_EQ(ui.attr(24, 17), c(11));
    ASSERT_FALSE(ui.device().tones().empty());
    EXPECT_EQ(ui.device().tones().back().hz, 300);
    ui.call("H_ENDWINDOW", {d.win});
}

TEST(OptionsDialog, ArrowsHomeAndEndMoveTheHighlightWithWrapAround) {
    struct Case {
        const char* name;
        std::vector<int> keys;
        int want;
    };
    const Case cases[] = {
        {"Right Right Enter", {4, 4, 13}, 3},
        {"Left from the first", {19, 13}, 3},
        {"Right from the last", {6, 4, 13}, 1},
        {"End", {6, 13}, 3},
        {"Home", {6, 1, 13}, 1},
        {"Right Left", {4, 4, 19, 13}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UiFixture ui;
        Dialog d(ui);
        for (int k : c.keys) ui.device().pushKey(k);
        Value r = d.run();
        EXPECT_EQ(rt::repr(r), ".T.");
        EXPECT_EQ(d.chosen, c.want);
    }
}

TEST(OptionsDialog, HighlightFollowsTheSelectionOnScreen) {
    UiFixture ui;
    Dialog d(ui);
    ui.snapshotsOnF9();
    std::vector<std::uint8_t> seen;
    setGlobalKey(ui.rt,
                 newKey(-8, "", Value(rt::nativeBlock([&](rt::Runtime&, std::span<const Value>) {
                     seen = {ui.attr(14, 22), ui.attr(14, 32), ui.attr(14, 48)};
                     return Value();
                 }))));
    ui.keys({4, -8, 13});
    d.run();
    auto c = [](int i) { return UiFixture::colour(paletteColour("WARNING", i)); };
    EXPECT_EQ(seen, (std::vector<std::uint8_t>{c(2), c(3), c(2)}));
}

TEST(OptionsDialog, EscReturnsFalseAndKeepsTheLastHighlightedButton) {
    UiFixture ui;
    Dialog d(ui);
    ui.keys({4, 27});
    EXPECT_EQ(rt::repr(d.run()), ".F.");
    EXPECT_EQ(d.chosen, 2);
}

TEST(OptionsDialog, LettersGiveTheKeyBeepAndSelectNothing) {
    UiFixture ui;
    Dialog d(ui);
    ui.keys({'A', 'b', 13});
    std::size_t before = ui.device().tones().size();
    EXPECT_EQ(rt::repr(d.run()), ".T.");
    EXPECT_EQ(d.chosen, 1);
    int keyBeeps = 0;
    for (std::size_t i = before; i < ui.device().tones().size(); ++i)
        if (ui.device().tones()[i].hz == 150) ++keyBeeps;
    EXPECT_EQ(keyBeeps, 2);
}

TEST(OptionsDialog, ClickOnAButtonChoosesIt) {
    UiFixture ui;
    Dialog d(ui);
    // The button zone spans the rows above and below the caption.
    ui.click(15, 52);
    ui.keys({0});
    EXPECT_EQ(rt::repr(d.run()), ".T.");
    EXPECT_EQ(d.chosen, 3);
    EXPECT_EQ(rt::repr(slot(d.win, Slot::MouseHandOver)), "\"E\"");
}

TEST(OptionsDialog, WithTheMouseInUseShowsMessageLineButtonsAndACloseBox) {
    UiFixture ui;
    ui.call("H_MPRESENT", {Value(true)});
    Dialog d(ui);
    ui.call("H_BEGWINDOW", {d.win});
    // "Help", "Fx", "Esc": 6 + 4 + 5 + 2 = 17 columns from (79 - 17) / 2 = 31.
    EXPECT_EQ(ui.row(24), std::string(31, ' ') + " Help   Fx   Esc " + std::string(32, ' '));
    EXPECT_EQ(ui.text(6, 55, 57), " X ");
    ui.call("H_ENDWINDOW", {d.win});
    struct Case {
        const char* name;
        int row, col;
        const char* want;
    };
    const Case cases[] = {{"the Esc button", 24, 44, ".F."},
                          {"the close box", 6, 56, ".F."},
                          {"a button", 13, 33, ".T."}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.click(c.row, c.col);
        ui.keys({0});
        EXPECT_EQ(rt::repr(d.run()), c.want);
    }
    EXPECT_EQ(d.chosen, 2);
}

TEST(LifeCycle, DraggingAWindowMovesItAndItsBackground) {
    UiFixture ui;
    ui.snapshotsOnF9();
    Value w =
        ui.call("H_NEWMESSAGE", {Value(""), Value(), Value(), Value(), Value(), Value("Info"),
                                 Value("HELP"), arr({Value("Prima linie"), Value("A doua")})});
    ui.click(9, 35, 1002);
    ui.click(9, 35, 1005);  // taken by the double-click wait
    ui.click(11, 40, 1001);
    ui.click(11, 40, 1003);
    ui.keys({-8, 27});
    EXPECT_EQ(rt::repr(ui.call("H_POPUPWINDOW", {w})), ".F.");
    EXPECT_EQ(slotInt(w, Slot::Top), 11);
    EXPECT_EQ(slotInt(w, Slot::Left), 37);
    EXPECT_EQ(slotInt(w, Slot::Bottom), 16);
    EXPECT_EQ(slotInt(w, Slot::Right), 51);
    ASSERT_EQ(ui.shots.size(), 1u);
    EXPECT_EQ(ui.shots[0][11].substr(37, 15), "\xDA" + std::string(13, '\xC4') + "\xBF");
    EXPECT_EQ(ui.shots[0][9], std::string(80, ' '));
    EXPECT_EQ(ui.shots[0][14].substr(37, 15), "\xB3 Prima linie \xB3");
    EXPECT_EQ(ui.shots[0][15].substr(37, 15), "\xB3 A doua      \xB3");
    EXPECT_EQ(ui.row(11), std::string(80, ' '));
}

TEST(OptionsDialog, PreselectionIsClampedAndSurvivesBetweenRuns) {
    struct Case {
        Value pre;
        int want;
    };
    const Case cases[] = {{n(0), 1}, {Value(), 1}, {n(7), 3}, {n(2), 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(rt::repr(c.pre));
        UiFixture ui;
        Dialog d(ui);
        slot(d.win, Slot::State) = arr({c.pre});
        ui.keys({13});
        d.run();
        EXPECT_EQ(d.chosen, c.want);
        ui.keys({4, 27});
        d.run();
        ui.keys({13});
        d.run();
        EXPECT_EQ(d.chosen, c.want % 3 + 1);
    }
}

TEST(OptionsDialog, HeightAndWidthFollowContent) {
    UiFixture ui;
    std::string longTitle(100, 'T');
    struct Case {
        Value title;
        int height, width;
    };
    const Case cases[] = {
        {Value(), 2 + 5, 14}, {Value("Scurt"), 2 + 7, 14}, {Value(longTitle), 2 + 7, 80}};
    for (const Case& c : cases) {
        SCOPED_TRACE(rt::repr(c.title));
        Value w =
            ui.call("H_NEWOPTIONS",
                    {Value(""), Value(), Value(), Value(), Value(), c.title, Value(),
                     arr({arr({Value("unu"), Value("doi")}), arr({Value(" Da "), Value(" Nu ")})}),
                     arr({n(1)})});
        ui.call("H_BEGWINDOW", {w});
        EXPECT_EQ(slotInt(w, Slot::Bottom) - slotInt(w, Slot::Top) + 1, c.height);
        EXPECT_EQ(slotInt(w, Slot::Right) - slotInt(w, Slot::Left) + 1, c.width);
        ui.call("H_ENDWINDOW", {w});
    }
}

TEST(RetryQuestion, StartedShowsTheErrorDialogAndAnswersTryAgainOnlyForReluare) {
    struct Case {
        std::vector<int> keys;
        bool want;
    };
    const Case cases[] = {{{13}, true}, {{4, 13}, false}, {{27}, false}};
    for (const Case& c : cases) {
        UiFixture ui;
        std::vector<std::string> rows;
        setGlobalKey(
            ui.rt, newKey(-8, "", Value(rt::nativeBlock([&](rt::Runtime&, std::span<const Value>) {
                for (int r = 0; r < 25; ++r) rows.push_back(ui.row(r));
                return Value();
            }))));
        ui.keys({-8});
        for (int k : c.keys) ui.device().pushKey(k);
        std::string before = ui.row(11);
        EXPECT_EQ(retryQuestion(ui.rt, "Fisierul este blocat"), c.want);
        ASSERT_EQ(rows.size(), 25u);
        // Lines "" and the text, buttons " Reluare " and " Abandon ", kind "OE" without a title:
        // height 7 from row 8, width 24 from column 27.
        EXPECT_EQ(rows[8].substr(27, 24), "\xDA" + std::string(22, '\xC4') + "\xBF");
        EXPECT_EQ(rows[10].substr(27, 24), "\xB3 Fisierul este blocat \xB3");
        EXPECT_EQ(rows[12].substr(27, 24), "\xB3  Reluare    Abandon  \xB3");
        EXPECT_EQ(ui.row(11), before);  // the pop-up put back what was under it
    }
}

TEST(RetryQuestion, BeforeTheStartUsesAnAlertBox) {
    UiFixture ui;
    ui.setStarted(false);
    ui.snapshotsOnF9();
    std::uint8_t text = 0, first = 0, second = 0;
    setGlobalKey(ui.rt,
                 newKey(-9, "", Value(rt::nativeBlock([&](rt::Runtime&, std::span<const Value>) {
                     text = ui.attr(11, 30);
                     first = ui.attr(14, 30);
                     second = ui.attr(14, 41);
                     return Value();
                 }))));
    std::string before = ui.row(11);
    ui.keys({-8, -9, 4, 13});
    EXPECT_FALSE(retryQuestion(ui.rt, "Fisierul este blocat"));
    // Lines "", the text, "" and the buttons: 7 rows from row 9, 24 columns from column 28.
    ASSERT_EQ(ui.shots.size(), 1u);
    EXPECT_EQ(ui.shots[0][9].substr(28, 24), "\xDA" + std::string(22, '\xC4') + "\xBF");
    EXPECT_EQ(ui.shots[0][11].substr(28, 24), "\xB3 Fisierul este blocat \xB3");
    EXPECT_EQ(ui.shots[0][13].substr(28, 24), "\xB3" + std::string(22, ' ') + "\xB3");
    EXPECT_EQ(ui.shots[0][14].substr(28, 24), "\xB3  Reluare    Abandon  \xB3");
    EXPECT_EQ(ui.shots[0][15].substr(28, 24), "\xC0" + std::string(22, '\xC4') + "\xD9");
    EXPECT_EQ(text, UiFixture::colour("w+/n"));
    EXPECT_EQ(first, UiFixture::colour("n/w"));  // the highlighted button in reverse
    EXPECT_EQ(second, UiFixture::colour("w+/n"));
    EXPECT_EQ(ui.row(11), before);
    ui.keys({13});
    EXPECT_TRUE(retryQuestion(ui.rt, "Fisierul este blocat"));
    ui.keys({'a'});
    EXPECT_FALSE(retryQuestion(ui.rt, "Fisierul este blocat"));  // a caption's first letter
    ui.keys({27});
    EXPECT_FALSE(retryQuestion(ui.rt, "Fisierul este blocat"));
}

TEST(EndMessage, BottomRowAfterTheStartAlertBoxBefore) {
    UiFixture ui;
    ui.keys({'k'});
    endMessage(ui.rt, 2, "Fereastra nu poate fi distrusa !");
    // "EROARE: " + message + "..." (43) centred in 79 columns from column 1.
    EXPECT_EQ(ui.row(24), std::string(19, ' ') + "EROARE: Fereastra nu poate fi distrusa !..." +
                              std::string(18, ' '));
    EXPECT_EQ(ui.device().pending(), 0u);  // it waited for the key
    EXPECT_EQ(ui.device().tones().size(), 2u);
    ui.setStarted(false);
    ui.snapshotsOnF9();
    ui.keys({-8, 13});
    endMessage(ui.rt, 0, "Gata");
    ASSERT_EQ(ui.shots.size(), 1u);
    // The widest content is "Gata..." (7): 11 columns from column 34, buttons below a blank row.
    EXPECT_EQ(ui.shots[0][11].substr(34, 11), "\xB3 Gata... \xB3");
    EXPECT_EQ(ui.shots[0][14].substr(34, 11), "\xB3   Ok    \xB3");
    ui.rt.declarePublic(ui.rt.intern("APELBAT"), Value(true));
    endMessage(ui.rt, 1, "In batch");  // nothing shown, nothing waited for
}

TEST(Palettes, MissingDamagedOrEmptyTableStopsTheProgram) {
    UiFixture ui(false);
    std::vector<PaletteRow> inactive = standardPalettes();
    for (auto& r : inactive) r.active = false;
    ui.folder.write("EMPTY.DBF", paletteTableBytes(inactive));
    ui.folder.write("BAD.DBF", "this is not a table at all, not even close to one");
    std::string truncated = paletteTableBytes(standardPalettes()).substr(0, 40);
    ui.folder.write("TRUNC.DBF", truncated);
    for (const char* name : {"NONE", "EMPTY", "BAD", "TRUNC", ""}) {
        SCOPED_TRACE(name);
        rt::FatalStop s = ui.fatal([&] {
            ui.call("H_LOADCOLORS", {Value(ui.folder.path().string() + "/"), Value(name)});
        });
        EXPECT_EQ(s.code, 1);
        EXPECT_EQ(s.message, "Fisierul Palete de culori absent/eronat !");
    }
}

TEST(Palettes, LoadingReadsActiveRecordsInOrderAndSelectsBackground) {
    UiFixture ui(false);
    auto rows = standardPalettes();
    rows[1].active = false;  // HELP
    rows[2].deleted = true;  // WARNING
    ui.folder.write("palete.dbf", paletteTableBytes(rows));
    ui.call("H_LOADCOLORS", {Value(ui.folder.path().string() + "/"), Value(" PALETE ")});
    EXPECT_EQ(state(ui.rt).palettes.size(), 4u);
    EXPECT_EQ(state(ui.rt).palettes[1][0], "ERROR");
    EXPECT_EQ(rt::repr(ui.call("H_PALETTENUMBER", {Value("menu ")})), "3");
    EXPECT_EQ(rt::repr(ui.call("H_SETPALETTE")), "1");
    EXPECT_EQ(ui.console().colourText().substr(0, 3), "W/B");
    // Colour index 2 is the composite NORMAL, SELECTED,,, UNSELECT.
    EXPECT_EQ(ui.console().attr(term::kEnhanced), UiFixture::colour("N/W"));
    EXPECT_EQ(ui.console().attr(term::kUnselected), UiFixture::colour("W+/B"));
    ui.call("H_SETCOLOR", {n(13)});
    EXPECT_EQ(ui.console().attr(), UiFixture::colour("W+/R"));
}

TEST(Palettes, UnnamedOrStarNamesRotateToTheNextUnnamedPalette) {
    UiFixture ui;
    // Palettes: 1 BACKGROUND ... 5 MENU, 6 unnamed; no current window counts as palette 1.
    EXPECT_EQ(paletteNumber(ui.rt, Value("*")), 6);
    EXPECT_EQ(paletteNumber(ui.rt, Value("NOSUCH")), 6);
    EXPECT_EQ(paletteNumber(ui.rt, Value("warning")), 3);
    // Without any unnamed palette the current window's own palette is returned.
    UiFixture named(false);
    auto rows = standardPalettes();
    rows.pop_back();
    named.folder.write("P.DBF", paletteTableBytes(rows));
    loadColors(named.rt, named.folder.path().string() + "/", "P");
    Value w =
        named.call("H_NEWWINDOW", {Value(""), n(2), n(2), n(5), n(20), Value(), Value("MENU")});
    named.call("H_BEGWINDOW", {w});
    EXPECT_EQ(paletteNumber(named.rt, Value("*")), 5);
    named.call("H_ENDWINDOW", {w});
}

TEST(Coordinates, OriginDependsOnFrameAndTitle) {
    struct Case {
        const char* name;
        bool frame;
        Value title;
        int row, col;
    };
    const Case cases[] = {{"plain", false, Value(), 5, 10},
                          {"frame and title", true, Value("T"), 8, 11},
                          {"frame only", true, Value(), 6, 11},
                          {"title only", false, Value("T"), 6, 10}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UiFixture ui;
        Value w = ui.call("H_NEWWINDOW", {Value(""), n(5), n(10), n(15), n(40), c.title});
        if (!c.frame) slot(w, Slot::FrameBlock) = Value();
        ui.call("H_BEGWINDOW", {w});
        EXPECT_EQ(slotInt(w, Slot::OriginRow), c.row);
        EXPECT_EQ(slotInt(w, Slot::OriginCol), c.col);
        EXPECT_EQ(rt::repr(ui.call("H_SCREENROW", {n(2)})), std::to_string(c.row + 2));
        ui.call("H_SETPOS", {n(1), n(3)});
        EXPECT_EQ(rt::repr(ui.call("H_ROW")), "1");
        EXPECT_EQ(rt::repr(ui.call("H_COL")), "3");
        if (std::string(c.name) == "frame and title") {
            EXPECT_EQ(rt::repr(ui.call("H_MAXROW")), "6");
            EXPECT_EQ(rt::repr(ui.call("H_MAXCOL")), "28");
        }
        ui.call("H_ENDWINDOW", {w});
    }
    UiFixture ui;
    rt::FatalStop s = ui.fatal([&] { ui.call("H_ROW"); });
    EXPECT_EQ(s.code, 2);
    EXPECT_EQ(s.message, "Nu exista fereastra activa !");
}

TEST(Coordinates, CentringHelpers) {
    UiFixture ui;
    EXPECT_EQ(rt::repr(ui.call("H_WTOP", {n(11)})), "7");
    EXPECT_EQ(rt::repr(ui.call("H_WBOTTOM", {n(11)})), "17");
    EXPECT_EQ(rt::repr(ui.call("H_WLEFT", {n(41)})), "19");
    EXPECT_EQ(rt::repr(ui.call("H_WRIGHT", {n(41)})), "59");
    EXPECT_EQ(rt::repr(ui.call("H_WTOP", {n(10)})), "7");
}

TEST(LifeCycle, OverlappingWindowsRestoreWhatWasUnderThemInOrder) {
    UiFixture ui;
    Value scr = ui.call("H_NEWSCREEN", {Value(""), Value(), Value(), Value(), Value(), Value(),
                                        Value("BACKGROUND"), arr({Value("\xB0")})});
    ui.call("H_BEGWINDOW", {Value(), scr});
    auto image = [&] {
        std::string s;
        for (int r = 0; r < 25; ++r) s += ui.row(r) + ui.attrs(r);
        return s;
    };
    std::string withScreen = image();
    Value a = ui.call("H_NEWWINDOW",
                      {Value("O"), n(3), n(5), n(12), n(40), Value("Prima"), Value("MENU")});
    Value b = ui.call("H_NEWWINDOW",
                      {Value(""), n(8), n(30), n(18), n(70), Value("A doua"), Value("HELP")});
    ui.call("H_BEGWINDOW", {a});
    std::string withA = image();
    // "O": the shadow margin row below and column to the right are saved with it.
    EXPECT_EQ(slot(a, Slot::Background).str().size(), 2u * 11 * 37);
    ui.call("H_BEGWINDOW", {b});
    EXPECT_EQ(slotInt(a, Slot::StateCode), 3);
    EXPECT_EQ(slotInt(b, Slot::StateCode), 2);
    // The inactive frame of a is redrawn in BORDER; b's frame in ACTBORDER.
    EXPECT_EQ(ui.attr(3, 5), UiFixture::colour(paletteColour("MENU", 9)));
    EXPECT_EQ(ui.attr(8, 30), UiFixture::colour(paletteColour("HELP", 10)));
    EXPECT_EQ(ui.row(8)[40], '\xC4');  // b covers a's right edge
    ui.call("H_ENDWINDOW", {b});
    EXPECT_EQ(slotInt(a, Slot::StateCode), 2);  // a is active again
    EXPECT_EQ(ui.row(12).substr(5, 36), "\xC0" + std::string(34, '\xC4') + "\xD9");
    EXPECT_EQ(ui.attr(3, 5), UiFixture::colour(paletteColour("MENU", 10)));
    // Apart from the message line (a's hint area) the screen is as after a's creation.
    std::string now = image();
    EXPECT_EQ(now.substr(0, now.size() - 160), withA.substr(0, withA.size() - 160));
    ui.call("H_ENDWINDOW", {a});
    now = image();
    EXPECT_EQ(now.substr(0, 24 * 160), withScreen.substr(0, 24 * 160));
    ui.call("H_ENDWINDOW", {Value(), scr});
}

TEST(LifeCycle, ShadowMarginOnlyWhenTheWindowStopsShortOfTheRightEdge) {
    UiFixture ui;
    struct Case {
        int right;
        std::size_t cells;
    };
    for (const Case& c : {Case{78, 6u * 12}, Case{79, 5u * 11}}) {
        SCOPED_TRACE(c.right);
        Value w = ui.call("H_NEWWINDOW", {Value("O"), n(2), n(c.right - 10), n(6), n(c.right)});
        ui.call("H_BEGWINDOW", {w});
        EXPECT_EQ(slot(w, Slot::Background).str().size(), 2 * c.cells);
        ui.call("H_ENDWINDOW", {w});
        EXPECT_EQ(ui.row(7), std::string(80, ' '));
    }
}

TEST(LifeCycle, MisuseStopsTheProgramWithItsMessage) {
    struct Case {
        const char* want;
        std::function<void(UiFixture&, const Value&, const Value&)> act;
    };
    const Case cases[] = {
        {"Fereastra este deja creata !",
         [](UiFixture& ui, const Value& w, const Value&) {
             createWindow(ui.rt, w);
             createWindow(ui.rt, w);
         }},
        {"Fereastra nu poate fi activata !",
         [](UiFixture& ui, const Value& w, const Value&) { actWindow(ui.rt, w); }},
        {"Exista deja o fereastra activa !",
         [](UiFixture& ui, const Value& w, const Value& v) {
             ui.call("H_BEGWINDOW", {w});
             createWindow(ui.rt, v);
             actWindow(ui.rt, v);
         }},
        {"Fereastra nu poate fi distrusa !",
         [](UiFixture& ui, const Value& w, const Value&) { destroyWindow(ui.rt, w); }},
        {"Nu exista fereastra activa !",
         [](UiFixture& ui, const Value&, const Value&) { ui.call("H_RUNWINDOW"); }},
        {"Secventa h_BegWindow, h_EndWindow eronata !",
         [](UiFixture& ui, const Value& w, const Value& v) {
             ui.call("H_BEGWINDOW", {w});
             ui.call("H_ENDWINDOW", {v});
         }},
        {"Nu exista fereastra activa !",
         [](UiFixture& ui, const Value&, const Value&) {
             setExitKey(ui.rt, Value(), newKey(13, "x", trueBlock()));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.want);
        UiFixture ui;
        Value w = ui.call("H_NEWWINDOW", {Value(""), n(2), n(2), n(6), n(20)});
        Value v = ui.call("H_NEWWINDOW", {Value(""), n(3), n(3), n(7), n(21)});
        rt::FatalStop s = ui.fatal([&] { c.act(ui, w, v); });
        EXPECT_EQ(s.code, 2);
        EXPECT_EQ(s.message, c.want);
    }
}

TEST(LifeCycle, PopupDeactivatesTheActiveWindowAndReactivatesItAfterwards) {
    UiFixture ui;
    Value a = ui.call("H_NEWWINDOW", {Value(""), n(2), n(2), n(10), n(30), Value("A")});
    ui.call("H_BEGWINDOW", {a});
    Value b = ui.call("H_NEWWINDOW",
                      {Value(""), n(5), n(5), n(12), n(50), Value("B"), Value(), Value(), Value(),
                       Value(rt::nativeBlock([](rt::Runtime& r, std::span<const Value>) {
                           return Value::integer(activeWindow(r).isArray() ? 42 : 0);
                       }))});
    EXPECT_EQ(rt::repr(ui.call("H_POPUPWINDOW", {b})), "42");
    EXPECT_TRUE(activeWindow(ui.rt).identical(a));
    EXPECT_EQ(slotInt(b, Slot::StateCode), 1);
    ui.call("H_ENDWINDOW", {a});
    EXPECT_TRUE(activeWindow(ui.rt).isNil());
}

}  // namespace
}  // namespace xb::fw::ui::testing
