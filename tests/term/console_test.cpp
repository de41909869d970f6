#include "term/console.hpp"

#include <gtest/gtest.h>

#include "runtime/error.hpp"
#include "term/headless.hpp"
#include "term/tty_backend.hpp"

namespace xb::term {
namespace {

using rt::Value;

// A runtime with the console functions and a headless 25x80 console.
struct HeadlessScreen {
    HeadlessScreen() {
        registerConsole(rt);
        dev = con.headless();
    }
    Value call(std::string_view name, std::initializer_list<Value> args = {}) {
        return rt.call(name, args);
    }
    std::string line(int row) { return con.screen().rowText(row); }
    rt::Runtime rt;
    Console& con = Console::of(rt);
    HeadlessBackend* dev = nullptr;
};

TEST(Console, DefaultsToAHeadlessScreenOfTheChosenSize) {
    HeadlessScreen t;
    ASSERT_NE(t.dev, nullptr);
    EXPECT_EQ(t.call("MAXROW").numVal(), 24);
    EXPECT_EQ(t.call("MAXCOL").numVal(), 79);
    Value size = t.call("H_READCONSOLESIZE");
    ASSERT_TRUE(size.isArray());
    EXPECT_EQ(size.array().items[0].numVal(), 80);
    EXPECT_EQ(size.array().items[1].numVal(), 25);
    EXPECT_EQ(t.line(0), std::string(80, ' '));
}

TEST(Console, OutputFunctionsWriteAtTheCursorInTheirColours) {
    HeadlessScreen t;
    EXPECT_EQ(t.call("SETCOLOR", {"W+/B,N/W"}).str(), "W/N,N/W,N/N,N/N,N/W");
    EXPECT_EQ(t.call("SETCOLOR").str(), "W+/B,N/W,N/N,N/N,N/W");
    t.call("SETPOS", {Value::integer(3), Value::integer(5)});
    t.call("DISPOUT", {"abc"});
    t.call("DEVOUT", {"de", "R/W"});
    EXPECT_EQ(t.line(3).substr(5, 5), "abcde");
    EXPECT_EQ(t.con.screen().at(3, 5).attr, 0x1F);
    EXPECT_EQ(t.con.screen().at(3, 8).attr, 0x74);
    EXPECT_EQ(t.call("ROW").numVal(), 3);
    EXPECT_EQ(t.call("COL").numVal(), 10);
    t.call("DEVPOS", {Value::integer(4), Value::integer(0)});
    t.call("DISPOUT", {Value::integer(5)});  // numbers as Str() writes them
    t.call("QQOUT", {true, Value()});
    EXPECT_EQ(t.line(4).substr(0, 17), "         5.T. NIL");
    // QOUT at the last row scrolls the screen up.
    t.call("SETPOS", {Value::integer(24), Value::integer(0)});
    t.call("QOUT", {"last"});
    EXPECT_EQ(t.line(24).substr(0, 4), "last");
    EXPECT_EQ(t.line(2).substr(5, 5), "abcde");
    EXPECT_EQ(t.line(3).substr(0, 10), "         5");
}

TEST(Console, SaveScreenDispBoxAndRestScreenThroughTheFunctions) {
    HeadlessScreen t;
    t.call("DISPOUT", {"background text"});
    Value img = t.call("SAVESCREEN", {Value::integer(0), Value::integer(0), Value::integer(4),
                                      Value::integer(20)});
    ASSERT_EQ(img.str().size(), 5u * 21u * 2u);
    t.call("DISPBOX", {Value::integer(0), Value::integer(0), Value::integer(4), Value::integer(20),
                       Value::integer(2), "GR+/B"});
    EXPECT_EQ(t.line(0).substr(0, 3), "\xC9\xCD\xCD");
    EXPECT_EQ(t.con.screen().at(0, 0).attr, 0x1E);
    EXPECT_EQ(t.call("ROW").numVal(), 1);  // a box leaves the cursor inside it
    EXPECT_EQ(t.call("COL").numVal(), 1);
    t.call("RESTSCREEN",
           {Value::integer(0), Value::integer(0), Value::integer(4), Value::integer(20), img});
    EXPECT_EQ(t.line(0).substr(0, 15), "background text");
    EXPECT_EQ(t.con.screen().at(0, 0).attr, 0x07);
    // Whole screen by default; SCROLL() without arguments clears.
    EXPECT_EQ(t.call("SAVESCREEN").str().size(), 25u * 80u * 2u);
    t.call("SCROLL");
    EXPECT_EQ(t.line(0), std::string(80, ' '));
}

TEST(Console, DispBeginHoldsBackOutputUntilTheOutermostDispEnd) {
    HeadlessScreen t;
    int before = t.dev->flushes();
    t.call("DISPBEGIN");
    t.call("DISPBEGIN");
    t.call("DISPOUT", {"x"});
    t.call("DISPEND");
    EXPECT_EQ(t.dev->flushes(), before);
    EXPECT_EQ(t.call("DISPCOUNT").numVal(), 1);
    t.call("DISPEND");
    EXPECT_EQ(t.dev->flushes(), before + 1);
}

TEST(Console, InkeyWaitsFollowTheClassicRulesAndNeverHang) {
    HeadlessScreen t;
    EXPECT_EQ(t.call("INKEY").numVal(), 0);                       // no wait, nothing there
    EXPECT_EQ(t.call("INKEY", {Value::integer(0)}).numVal(), 0);  // "no limit" ends at once
    t.dev->pushKeys({28, -10});
    EXPECT_EQ(t.call("NEXTKEY").numVal(), 28);
    EXPECT_EQ(t.call("NEXTKEY").numVal(), 28);  // looking does not take it
    EXPECT_EQ(t.call("INKEY", {Value::integer(0)}).numVal(), 28);
    EXPECT_EQ(t.call("INKEY", {Value::number(0.5, 1)}).numVal(), -10);
    EXPECT_EQ(t.call("LASTKEY").numVal(), -10);
    EXPECT_EQ(t.call("INKEY").numVal(), 0);
    EXPECT_EQ(t.call("LASTKEY").numVal(), -10);  // a timeout is not a key
    // A modal loop that keeps waiting on an empty queue is stopped, not left hanging.
    t.dev->starveLimit = 5;
    EXPECT_THROW(
        {
            for (int i = 0; i < 10; ++i) t.con.inkey(0.0);
        },
        rt::FatalStop);
}

TEST(Console, EventMaskDropsExcludedEventsButTheMouseStillMoves) {
    HeadlessScreen t;
    t.dev->pushMouse(1001, 7, 9);
    t.dev->pushMouse(1005, 7, 9);
    t.dev->pushMouse(1002, 3, 4);
    EXPECT_EQ(t.call("INKEY", {Value::integer(0), Value::integer(238)}).numVal(), 1002);
    EXPECT_EQ(t.call("MROW").numVal(), 3);
    EXPECT_EQ(t.call("MCOL").numVal(), 4);
    EXPECT_TRUE(t.call("MLEFTDOWN").logical());
    t.dev->pushMouse(1001, 10, 11);
    t.dev->pushKey('a');
    EXPECT_EQ(t.con.inkey(std::nullopt, mask::kKeyboard), 'a');
    EXPECT_EQ(t.con.mouseRow(), 10);
    EXPECT_EQ(t.con.inkey(std::nullopt), 0);
}

TEST(Console, KeyboardBufferComesFirstAndKeyboardEmptiesIt) {
    HeadlessScreen t;
    t.dev->pushKey('z');  // typed on the device
    t.con.pushKey(30);
    t.call("__KEYBOARD", {"ab"});  // empties the buffer (30 goes), then stuffs
    t.con.pushKey(-9);
    std::vector<int> got;
    while (int k = t.con.inkey(std::nullopt)) got.push_back(k);
    EXPECT_EQ(got, (std::vector<int>{'a', 'b', -9, 'z'}));
    t.call("__KEYBOARD", {Value::newArray({Value::integer(30), "x"})});
    EXPECT_EQ(t.con.inkey(std::nullopt), 30);
    EXPECT_EQ(t.con.inkey(std::nullopt), 'x');
}

TEST(Console, TypedCharactersAndScreenBytesFollowTheCodePages) {
    HeadlessScreen t;
    // Without a translation the program's bytes are code page 852.
    t.dev->pushBytes("\xC4\x83\x1b[A\x1b");  // a-breve, Up, Esc
    EXPECT_EQ(t.con.inkey(std::nullopt), 0xC7);
    EXPECT_EQ(t.con.inkey(std::nullopt), 5);
    EXPECT_EQ(t.con.inkey(std::nullopt), 27);
    // The program speaks Windows-1250, the terminal 852.
    ASSERT_TRUE(t.con.setCodePages("RO852", "ROWIN"));
    t.dev->pushChar(U'\u0103');
    EXPECT_EQ(t.con.inkey(std::nullopt), 0xE3);
    t.con.dispOut("\xE3\xAA\xC4");  // a-breve and S-cedilla in 1250, then a frame line
    auto lines = t.dev->utf8Lines(t.con.screen());
    EXPECT_EQ(lines[0].substr(0, 7), "ăŞ─");
    EXPECT_FALSE(t.con.setCodePages("KOI8", ""));
    ASSERT_TRUE(t.con.setCodePages("", ""));
    EXPECT_EQ(t.con.terminalCodePage(), "");
}

TEST(Console, CodePagesFromTheEnvironmentNeedTheTerminalPage) {
    HeadlessScreen t;
    ::setenv("H_TERMCP", "", 1);
    ::setenv("H_HOSTCP", "ROWIN", 1);
    EXPECT_TRUE(t.con.setCodePagesFromEnvironment());
    EXPECT_EQ(t.con.terminalCodePage(), "");  // no translation without H_TERMCP
    EXPECT_EQ(t.con.toUtf8("\xE3"), "Ń");     // still shown as 852
    ::setenv("H_TERMCP", " ro852 ", 1);
    EXPECT_TRUE(t.con.setCodePagesFromEnvironment());
    EXPECT_EQ(t.con.terminalCodePage(), "RO852");
    EXPECT_EQ(t.con.hostCodePage(), "ROWIN");
    EXPECT_EQ(t.con.toUtf8("\xE3"), "ă");
    ::unsetenv("H_TERMCP");
    ::unsetenv("H_HOSTCP");
}

TEST(Console, WindowServicesAndClipboard) {
    HeadlessScreen t;
    EXPECT_TRUE(t.call("SETCONSOLETITLE", {"Vintro - /data/\xC7"}).logical());
    EXPECT_EQ(t.dev->title(), "Vintro - /data/ă");
    EXPECT_FALSE(t.call("DELCLOSEMENU").logical());
    Value font = t.call("GETCONSOLEFONT");
    ASSERT_TRUE(font.isArray());
    EXPECT_EQ(font.array().items.size(), 5u);
    EXPECT_TRUE(t.call("SETCONSOLEFONT", {font}).isNil());
    EXPECT_FALSE(t.call("H_IDLE", {"<"}).logical());
    EXPECT_EQ(t.call("GETCLIPBOARD").str(), "");
    t.call("SETCLIPBOARD", {"123"});
    EXPECT_EQ(t.call("GETCLIPBOARD").str(), "123");
    t.call("TONE", {Value::integer(349), Value::integer(3)});
    ASSERT_EQ(t.dev->tones().size(), 1u);
    EXPECT_NEAR(t.dev->tones()[0].seconds, 3 / 18.2, 1e-9);
    EXPECT_EQ(t.call("SETCURSOR", {Value::integer(0)}).numVal(), 1);
    EXPECT_EQ(t.call("SETCURSOR").numVal(), 0);
}

TEST(Console, ResizeIsNoticedAtTheNextRead) {
    HeadlessScreen t;
    t.con.dispOut("keep");
    t.dev->resize(30, 100);
    t.con.inkey(std::nullopt);
    EXPECT_EQ(t.con.maxRow(), 29);
    EXPECT_EQ(t.con.maxCol(), 99);
    EXPECT_EQ(t.line(0).substr(0, 4), "keep");
    EXPECT_TRUE(t.call("SETMODE", {Value::integer(25), Value::integer(80)}).logical());
    EXPECT_EQ(t.con.maxRow(), 24);
}

// The terminal renderer sends only what changed since the last flush.
TEST(Renderer, SendsOnlyChangedCellsAndTheCursor) {
    Screen s(25, 80);
    Renderer r(25, 80);
    std::string out;
    r.render(s, out);
    EXPECT_GT(out.size(), 25u * 80u);  // the first frame paints everything
    out.clear();
    r.render(s, out);
    EXPECT_EQ(out, "");
    s.write(10, 20, "\xC4", 0x1F);
    r.render(s, out);
    EXPECT_EQ(out, "\x1b[11;21H\x1b[0;97;44m─\x1b[1;1H");
    out.clear();
    s.write(10, 20, "\xC4", 0x1F);  // the same again: nothing to send
    s.setCursorShape(CursorShape::None);
    r.render(s, out);
    EXPECT_EQ(out, "\x1b[?25l");
}

}  // namespace
}  // namespace xb::term
