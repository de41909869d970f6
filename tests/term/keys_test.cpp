#include "term/keys.hpp"

#include <gtest/gtest.h>

namespace xb::term {
namespace {

using Status = DecodeResult::Status;

std::string printable(std::string_view s) {
    std::string out;
    for (char c : s) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", b);
            out += buf;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

TEST(KeyDecoder, TerminalSequencesGiveTheClassicCodes) {
    struct Case {
        const char* bytes;
        int code;
    };
    static const Case cases[] = {
        // function keys, with Shift, Ctrl, Alt
        {"\x1bOP", 28},
        {"\x1bOQ", -1},
        {"\x1b[11~", 28},
        {"\x1b[[A", 28},
        {"\x1b[1;2P", -10},
        {"\x1b[1;5P", -20},
        {"\x1b[1;3P", -30},
        {"\x1bO2P", -10},
        {"\x1b[15~", -4},
        {"\x1b[15;2~", -14},
        {"\x1b[20~", -8},
        {"\x1b[21~", -9},
        {"\x1b[21;5~", -29},
        {"\x1b[23~", -40},
        {"\x1b[24~", -41},
        {"\x1b[23;2~", -42},
        {"\x1b[24;2~", -43},
        {"\x1b[24;5~", -45},
        {"\x1b[24;3~", -47},
        // navigation
        {"\x1b[A", 5},
        {"\x1bOB", 24},
        {"\x1b[C", 4},
        {"\x1b[D", 19},
        {"\x1b[H", 1},
        {"\x1b[F", 6},
        {"\x1b[1~", 1},
        {"\x1b[4~", 6},
        {"\x1b[7~", 1},
        {"\x1b[2~", 22},
        {"\x1b[3~", 7},
        {"\x1b[5~", 18},
        {"\x1b[6~", 3},
        {"\x1b[Z", 271},
        {"\x1b[1;2A", 5},  // Shift with an arrow is the arrow
        // with Ctrl and Alt
        {"\x1b[1;5A", 397},
        {"\x1b[1;5B", 401},
        {"\x1b[1;5C", 2},
        {"\x1b[1;5D", 26},
        {"\x1b[1;5H", 29},
        {"\x1b[1;5F", 23},
        {"\x1b[5;5~", 31},
        {"\x1b[6;5~", 30},
        {"\x1b[2;5~", 402},
        {"\x1b[3;5~", 403},
        {"\x1b[1;3A", 408},
        {"\x1b[1;3D", 411},
        {"\x1b[6;3~", 417},
        // Alt with letters, digits and keys
        {"\x1bx", 301},
        {"\x1bX", 301},
        {"\x1bt", 276},
        {"\x1bl", 294},
        {"\x1bv", 303},
        {"\x1b"
         "a",
         286},
        {"\x1bz", 300},
        {"\x1b"
         "1",
         376},
        {"\x1b"
         "0",
         385},
        {"\x1b\r", 284},
        {"\x1b\x7f", 270},
        // Ctrl with letters: 512 + control code; the plain control keys keep theirs
        {"\x19", 537},
        {"\x0c", 524},
        {"\x0e", 526},
        {"\x11", 529},
        {"\x13", 531},
        {"\x03", 515},
        {"\x14", 532},
        {"\x15", 533},
        {"\x16", 534},
        {"\x17", 535},
        {"\x01", 513},
        {"\x1a", 538},
        {"\x7f", 8},
        {"\t", 9},
        {"\r", 13},
        {"a", 97},
        {"~", 126},
        // kitty / modifyOtherKeys reports
        {"\x1b[121;5u", 537},
        {"\x1b[27;3;120~", 301},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(printable(c.bytes));
        std::string_view in(c.bytes);
        DecodeResult r = decodeInput(in, false);
        ASSERT_EQ(r.status, Status::Event);
        EXPECT_EQ(r.used, in.size());
        EXPECT_EQ(r.event.code, c.code);
    }
}

TEST(KeyDecoder, EscAloneNeedsThePauseAndPrefixesWaitForMore) {
    EXPECT_EQ(decodeInput("\x1b", false).status, Status::Incomplete);
    DecodeResult esc = decodeInput("\x1b", true);
    EXPECT_EQ(esc.status, Status::Event);
    EXPECT_EQ(esc.event.code, 27);
    EXPECT_EQ(esc.used, 1u);
    for (const char* prefix : {"\x1b[", "\x1b[6", "\x1b[6;5", "\x1bO", "\x1b[<0;1", "\xC4"}) {
        SCOPED_TRACE(printable(prefix));
        EXPECT_EQ(decodeInput(prefix, false).status, Status::Incomplete);
        DecodeResult r = decodeInput(prefix, true);  // nothing more came: never stuck
        EXPECT_NE(r.status, Status::Incomplete);
        EXPECT_GT(r.used, 0u);
    }
    // Esc pressed twice arrives as two Esc keys; only the first event is consumed.
    DecodeResult twice = decodeInput("\x1b\x1b", false);
    EXPECT_EQ(twice.event.code, 27);
    EXPECT_EQ(twice.used, 1u);
    DecodeResult first = decodeInput("\x1bOP\x1b[A", false);
    EXPECT_EQ(first.event.code, 28);
    EXPECT_EQ(first.used, 3u);
}

TEST(KeyDecoder, MouseReportsGiveCodesWithRowAndColumn) {
    struct Case {
        std::string bytes;
        int code, row, col;
    };
    const Case cases[] = {
        {"\x1b[<0;11;6M", 1002, 5, 10},
        {"\x1b[<0;11;6m", 1003, 5, 10},
        {"\x1b[<2;1;1M", 1004, 0, 0},
        {"\x1b[<2;1;1m", 1005, 0, 0},
        {"\x1b[<1;4;2M", 1008, 1, 3},
        {"\x1b[<35;80;25M", 1001, 24, 79},
        {"\x1b[<32;5;5M", 1001, 4, 4},
        {"\x1b[<64;3;3M", 1014, 2, 2},
        {"\x1b[<65;3;3M", 1015, 2, 2},
        {"\x1b[<16;7;8M", 1002, 7, 6},  // Ctrl-click
        {std::string("\x1b[M") + char(32) + char(32 + 11) + char(32 + 6), 1002, 5, 10},
        {std::string("\x1b[M") + char(32 + 3) + char(33) + char(33), 1003, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(printable(c.bytes));
        DecodeResult r = decodeInput(c.bytes, false);
        ASSERT_EQ(r.status, Status::Event);
        EXPECT_EQ(r.used, c.bytes.size());
        EXPECT_EQ(r.event.code, c.code);
        EXPECT_EQ(r.event.row, c.row);
        EXPECT_EQ(r.event.col, c.col);
        EXPECT_TRUE(key::isMouse(r.event.code));
    }
}

TEST(KeyDecoder, CharactersOutsideAsciiAndUnknownSequences) {
    DecodeResult a = decodeInput("\xC4\x83", false);  // U+0103 a-breve
    ASSERT_EQ(a.status, Status::Event);
    EXPECT_EQ(a.event.code, 0);
    EXPECT_EQ(a.event.ch, U'\u0103');
    EXPECT_EQ(a.used, 2u);
    for (const char* junk : {"\x1b[I", "\x1b[O", "\x1b[?1;2c", "\x1b[200~", "\x1b[99~"}) {
        SCOPED_TRACE(printable(junk));
        DecodeResult r = decodeInput(junk, false);
        EXPECT_EQ(r.status, Status::Skip);
        EXPECT_EQ(r.used, std::string_view(junk).size());
    }
    DecodeOptions bsIsCtrlH{true};
    EXPECT_EQ(decodeInput("\x08", false, bsIsCtrlH).event.code, 8);
    EXPECT_EQ(decodeInput("\x08", false).event.code, 520);
}

TEST(KeyCodes, MasksSortEventsByKind) {
    EXPECT_EQ(mask::of(1001), mask::kMove);
    EXPECT_EQ(mask::of(1006), mask::kLeftDown);
    EXPECT_EQ(mask::of(1005), mask::kRightUp);
    EXPECT_EQ(mask::of(1015), mask::kWheel);
    EXPECT_EQ(mask::of(27), mask::kKeyboard);
    EXPECT_EQ(mask::of(-10), mask::kKeyboard);
    EXPECT_EQ(238, mask::kAll & ~mask::kMove & ~mask::kRightUp);
}

}  // namespace
}  // namespace xb::term
