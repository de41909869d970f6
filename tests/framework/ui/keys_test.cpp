// The key reader, key tables, the function-key menu, mouse zones and multi-window groups.
#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/ui/menu.hpp"
#include "framework/ui/screen.hpp"
#include "framework/ui/userintf.hpp"
#include "ui_fixture.hpp"

namespace xb::fw::ui::testing {
namespace {

using rt::Value;

Value arr(std::initializer_list<Value> items) { return Value::newArray(std::vector<Value>(items)); }
Value n(int v) { return Value::integer(v); }

Value counter(int& runs) {
    return Value(rt::nativeBlock([&runs](rt::Runtime&, std::span<const Value>) {
        ++runs;
        return Value();
    }));
}

TEST(KeyReader, MouseEventsArriveAsTheRunLoopsExpect) {
    struct Case {
        const char* name;
        std::vector<std::array<int, 3>> events;  // code, row, col
        std::vector<int> want;
    };
    const Case cases[] = {
        {"double click", {{1002, 3, 3}, {1006, 3, 3}}, {1006}},
        {"click then a key loses the key", {{1002, 3, 3}, {'a', 0, 0}, {'b', 0, 0}}, {1002, 'b'}},
        {"a release never arrives", {{1003, 3, 3}, {'a', 0, 0}}, {'a'}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UiFixture ui;
        for (auto [code, r, col] : c.events) {
            if (code > 1000)
                ui.click(r, col, code);
            else
                ui.device().pushKey(code);
        }
        std::vector<int> got;
        for (std::size_t i = 0; i < c.want.size(); ++i) got.push_back(inkey(ui.rt, std::nullopt));
        EXPECT_EQ(got, c.want);
    }
}

TEST(KeyReader, FunctionKeysRunInsideTheReaderUnlessTheWindowRefusesThem) {
    UiFixture ui;
    int own = 0, global = 0;
    Value w = ui.call("H_NEWWINDOW", {Value(""), n(2), n(2), n(8), n(30)});
    ui.call("H_BEGWINDOW", {w});
    setFuncKey(ui.rt, Value(), newKey(-3, "F4         - Propriu", counter(own)));
    setGlobalKey(ui.rt, newKey(-4, "F5         - Global", counter(global)));
    ui.keys({-3, -4, 'z'});
    EXPECT_EQ(inkey(ui.rt, 0.0), 'z');
    EXPECT_EQ(own, 1);
    EXPECT_EQ(global, 1);
    EXPECT_EQ(slotInt(w, Slot::LastKey), 'z');
    slot(w, Slot::FuncKeysAllowed) = Value(false);
    ui.keys({-3, -4, 'y'});
    EXPECT_EQ(inkey(ui.rt, 0.0), 'y');
    EXPECT_EQ(own, 1);  // refused with the key beep
    EXPECT_EQ(global, 2);
    EXPECT_EQ(ui.device().tones().back().hz, 150);
    ui.call("H_ENDWINDOW", {w});
}

TEST(KeyTables, ReRegisteringKeepsThePlaceAndANilActionRemoves) {
    UiFixture ui;
    Value w = ui.call("H_NEWWINDOW", {Value(""), n(2), n(2), n(8), n(30)});
    setExitKey(ui.rt, w, newKey(13, "Enter      - Unu", trueBlock()));
    setExitKey(ui.rt, w, newKey(9, "Tab        - Doi", trueBlock()));
    Value old = setExitKey(ui.rt, w, newKey(13, "Enter      - Trei", falseBlock()));
    EXPECT_EQ(old.array().items[1].str(), "Enter      - Unu");
    auto texts = [&] {
        std::vector<std::string> t;
        for (const Value& e : slot(w, Slot::ExitKeys).array().items)
            t.push_back(e.array().items[1].str());
        return t;
    };
    EXPECT_EQ(texts(), (std::vector<std::string>{"Esc        - Abandonare", "Enter      - Trei",
                                                 "Tab        - Doi"}));
    Value removed = ui.call("H_SETEXITKEY", {w, arr({n(9), Value(), Value()})});
    EXPECT_EQ(removed.array().items[1].str(), "Tab        - Doi");
    EXPECT_EQ(texts(), (std::vector<std::string>{"Esc        - Abandonare", "Enter      - Trei"}));
    EXPECT_EQ(rt::repr(ui.call("H_SETEXITKEY", {w, arr({Value(), Value("x"), trueBlock()})})),
              "{NIL, \"\", NIL}");
    Value page = hlpExitKeys(ui.rt, w);
    EXPECT_EQ(rt::repr(slot(page, Slot::Items)),
              "{\"Esc        - Abandonare\", \"Enter      - Trei\"}");
    EXPECT_EQ(rt::repr(slot(page, Slot::Title)), "\"Taste de iesire\"");
    EXPECT_FALSE(isFuncKey(ui.rt, page, -10, nullptr));  // the page's own Shift-F1 is removed
}

TEST(KeyTables, GlobalSwitchKeepsOnlyF9AndCtrlF1) {
    UiFixture ui;
    int runs = 0;
    for (int code : {-8, -20, -4}) setGlobalKey(ui.rt, newKey(code, "x", counter(runs)));
    EXPECT_EQ(rt::repr(ui.call("H_SWICHGLOBALKEYS", {Value(false)})), ".T.");
    EXPECT_TRUE(isGlobalKey(ui.rt, -8, nullptr));
    EXPECT_TRUE(isGlobalKey(ui.rt, -20, nullptr));
    EXPECT_FALSE(isGlobalKey(ui.rt, -4, nullptr));
    EXPECT_EQ(rt::repr(ui.call("H_SWICHGLOBALKEYS", {Value(true)})), ".F.");
    EXPECT_TRUE(isGlobalKey(ui.rt, -4, nullptr));
}

TEST(FunctionKeyMenu, ChoosingAnEntryRunsItsAction) {
    struct Case {
        const char* name;
        std::vector<int> keys;
        bool result;
        int runs;
    };
    const Case cases[] = {
        {"Enter on the first entry", {13}, true, 1},
        {"Esc", {27}, false, 0},
        {"the key's own code is its shortcut", {-4}, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UiFixture ui;
        int runs = 0;
        setGlobalKey(ui.rt, newKey(-4, "F5         - Calcul", counter(runs)));
        Value w = ui.call("H_NEWWINDOW", {Value(""), n(2), n(2), n(8), n(30)});
        ui.call("H_BEGWINDOW", {w});
        for (int k : c.keys) ui.device().pushKey(k);
        EXPECT_EQ(fx(ui.rt, Value()), c.result);
        EXPECT_EQ(runs, c.runs);
        EXPECT_TRUE(state(ui.rt).funcKeysOn);
        ui.call("H_ENDWINDOW", {w});
    }
}

TEST(PullDown, DownWrapsPastSeparatorsAndEnterWithoutExitKeyRunsTheAction) {
    UiFixture ui;
    int first = 0, third = 0;
    Value cmds = arr({Value(newPCmd(Value("Unu"), counter(first), Value(), Value())),
                      Value(newPCmd(Value("-----"), Value(), Value(), Value())),
                      Value(newPCmd(Value("Trei"), counter(third), Value(), Value()))});
    Value m = newPullDown(ui.rt, Value(""), Value(), Value(), Value(), Value(), Value(),
                          Value("MENU"), cmds, Value());
    // Down skips the separator; Down again wraps to 1; Enter runs "Unu" and stays; Up wraps
    // to 3; Esc ends with .F.
    ui.keys({24, 24, 13, 5, 27});
    EXPECT_EQ(rt::repr(ui.call("H_POPUPWINDOW", {m})), ".F.");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(third, 0);
    EXPECT_EQ(rt::repr(slot(m, Slot::State)), "{3}");
    // Placed by its right edge it ends exactly there.
    Value r = newPullDown(ui.rt, Value(""), n(2), Value(), Value(), n(70), Value(), Value(), cmds,
                          Value());
    ui.keys({27});
    ui.call("H_POPUPWINDOW", {r});
    EXPECT_EQ(slotInt(r, Slot::Right), 70);
    EXPECT_EQ(slotInt(r, Slot::Left), 62);
}

TEST(PullDown, EscEntryAddedAtCreationEndsWithNil) {
    UiFixture ui;
    Value m = newPullDown(ui.rt, Value(""), Value(), Value(), Value(), Value(), Value(), Value(),
                          arr({Value(newPCmd(Value("Unu"), Value(), Value(), Value()))}), Value());
    setExitKey(ui.rt, m, newKey(27, "", Value()));
    ui.keys({27});
    EXPECT_EQ(rt::repr(ui.call("H_POPUPWINDOW", {m})), "NIL");
}

TEST(MouseZones, MessageLineButtonsAreCentredAndHitTestedByPrefix) {
    UiFixture ui;
    Value zones = Value::newArray();
    ui.call("H_BLD24MZONES",
            {zones, arr({arr({Value("?"), Value("Help")}), arr({Value("f"), Value("Fx")}),
                         arr({Value("u"), Value("<<")}), arr({Value("d"), Value(">>")}),
                         arr({Value("x"), Value("Esc")})})});
    ASSERT_EQ(zones.array().items.size(), 5u);
    EXPECT_EQ(rt::repr(zones.array().items[0]), "{\"?\", 23, 26, 24, 31, \" Help \", .T.}");
    EXPECT_EQ(rt::repr(zones.array().items[1]), "{\"f\", 23, 33, 24, 36, \" Fx \", .T.}");
    EXPECT_EQ(rt::repr(zones.array().items[4]), "{\"x\", 23, 48, 24, 52, \" Esc \", .T.}");
    Value w = ui.call("H_NEWWINDOW", {Value(""), n(2), n(2), n(8), n(30)});
    slot(w, Slot::MouseZones) = zones;
    ui.click(24, 34, 1001);
    ui.keys({0});
    inkey(ui.rt, std::nullopt);  // moves the pointer
    auto any = mzone(ui.rt, w, "");
    ASSERT_TRUE(any);
    EXPECT_EQ(any->id, "f");
    EXPECT_EQ(any->index, 2);
    EXPECT_FALSE(mzone(ui.rt, w, "x"));
    ui.call("H_MSETACTIVE", {w, Value(false), n(2)});
    EXPECT_FALSE(mzone(ui.rt, w, ""));
}

TEST(MouseSwitch, OffAtStartFollowsTheEnvironmentAfterMStart) {
    UiFixture ui;
    EXPECT_EQ(rt::repr(ui.call("H_MPRESENT")), ".F.");
    ::setenv("H_MOUSE", "off ", 1);
    EXPECT_EQ(rt::repr(ui.call("H_MSTART")), ".T.");
    EXPECT_EQ(rt::repr(ui.call("H_MPRESENT")), ".F.");
    ::unsetenv("H_MOUSE");
    ui.call("H_MSTART");
    EXPECT_EQ(rt::repr(ui.call("H_MPRESENT")), ".T.");
    ui.device().setMousePresent(false);
    EXPECT_EQ(rt::repr(ui.call("H_MPRESENT")), ".F.");  // no mouse on the console
}

TEST(MultiWindow, TabMovesBetweenMembersAndEnterOnTheLastFinishes) {
    UiFixture ui;
    std::vector<int> order;
    auto member = [&](int id, int left) {
        return ui.call(
            "H_NEWWINDOW",
            {Value(""), n(3), n(left), n(10), n(left + 20), Value(), Value(), Value(), Value(),
             Value(rt::nativeBlock([&order, id](rt::Runtime& r, std::span<const Value>) {
                 order.push_back(id);
                 inkey(r, 0.0);
                 return Value(true);
             }))});
    };
    Value a = member(1, 2), b = member(2, 30);
    Value group = arr({a, b});
    ui.keys({9, 9, 271, 13});
    Value r = ui.call("H_MULTIWINDOW", {group, Value(), n(1)});
    EXPECT_EQ(rt::repr(r), ".T.");
    EXPECT_EQ(order, (std::vector<int>{1, 2, 1, 2}));
    // The Tab keys it added are gone again; the members are destroyed.
    EXPECT_FALSE(isExitKey(ui.rt, a, 9, nullptr));
    EXPECT_EQ(slotInt(a, Slot::StateCode), 1);
    EXPECT_FALSE(activeWindow(ui.rt).isArray());
}

}  // namespace
}  // namespace xb::fw::ui::testing
