#include "term/screen.hpp"

#include <gtest/gtest.h>

namespace xb::term {
namespace {

TEST(Colour, ParsesClassicColourStrings) {
    struct Case {
        const char* text;
        int attr;
    };
    static const Case cases[] = {
        {"W+/B", 0x1F},     {"w/n", 0x07},  {"N/W*", 0xF0}, {"GR+/RB", 0x5E},
        {"RG+/BR", 0x5E},  // letters in any order
        {"+W/B", 0x1F},     {"W/B+", 0x1F}, {"BG/R", 0x43}, {"GB/R", 0x43},
        {"15/1", 0x1F},     {"0/7", 0x70},  {"7/9", 0x97},  // a numeric bright back blinks
        {"I", 0x70},        {"X/B", 0x11},  {"U/N", 0x01},  {"W", 0x07},
        {"/W", 0x70},       {"", 0x00},     {"N+/N", 0x08}, {" w + / b ", 0x1F},
        {"W+/B,N/W", 0x1F},  // only the first part counts
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseColour(c.text), c.attr);
    }
}

TEST(Colour, AttributeTextRoundTripsForEveryAttribute) {
    for (int a = 0; a < 256; ++a) {
        std::string text = colourString(static_cast<std::uint8_t>(a));
        SCOPED_TRACE(text);
        EXPECT_EQ(parseColour(text), a);
    }
    EXPECT_EQ(colourString(0x1F), "W+/B");
    EXPECT_EQ(colourString(0xF0), "N/W*");
    EXPECT_EQ(colourString(0x6E), "GR+/GR");
}

TEST(Colour, CompositeStringsSetNumberedPartsAndKeepEmptyOnes) {
    ColourSet base;
    EXPECT_EQ(colourString(base), "W/N,N/W,N/N,N/N,N/W");
    ColourSet a = parseColours("W+/B,N/W*,,,GR+/R", base);
    EXPECT_EQ(a.attr[kStandard], 0x1F);
    EXPECT_EQ(a.attr[kEnhanced], 0xF0);
    EXPECT_EQ(a.attr[kBorder], 0x00);
    EXPECT_EQ(a.attr[kBackground], 0x00);
    EXPECT_EQ(a.attr[kUnselected], 0x4E);
    ColourSet b = parseColours(",R/W", a);  // empty first part keeps the standard colour
    EXPECT_EQ(b.attr[kStandard], 0x1F);
    EXPECT_EQ(b.attr[kEnhanced], 0x74);
    EXPECT_EQ(b.attr[kUnselected], 0x4E);
    EXPECT_EQ(parseColours("W/N,N/W,N/N,N/N,N/W,R/G,B/B").attr, ColourSet{}.attr);
}

// A screen whose every cell differs: character 'A' + (r * 7 + c) % 26, attribute r * 16 + c.
Screen patterned(int rows = 10, int cols = 20) {
    Screen s(rows, cols);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            s.set(r, c,
                  Cell{static_cast<std::uint8_t>('A' + (r * 7 + c) % 26),
                       static_cast<std::uint8_t>(r * 16 + c)});
    return s;
}

TEST(Screen, OverlappingSavesRestoredInReverseOrderGiveBackTheScreen) {
    Screen s = patterned();
    const std::vector<Cell> original = s.cells();
    std::string under1 = s.save(2, 2, 6, 10);
    ASSERT_EQ(under1.size(), 5u * 9u * 2u);
    s.box(2, 2, 6, 10, std::string(kBoxDouble) + " ", 0x1F);
    const std::vector<Cell> withWindow1 = s.cells();
    std::string under2 = s.save(4, 5, 8, 15);  // overlaps window 1 and the background
    s.box(4, 5, 8, 15, std::string(kBoxSingle) + "\xB0", 0x4E);
    s.restore(4, 5, 8, 15, under2);
    EXPECT_EQ(s.cells(), withWindow1);
    s.restore(2, 2, 6, 10, under1);
    EXPECT_EQ(s.cells(), original);
}

TEST(Screen, RectanglesPartlyOutsideTheScreenSaveAndRestoreTheirInside) {
    Screen s = patterned();
    const std::vector<Cell> original = s.cells();
    std::string img = s.save(8, 17, 11, 22);  // 4 rows x 6 columns, 2x3 of them inside
    ASSERT_EQ(img.size(), 4u * 6u * 2u);
    EXPECT_EQ(img[0], static_cast<char>(s.at(8, 17).ch));
    s.fill(0, 0, 9, 19, Cell{' ', 0x07});
    s.restore(8, 17, 11, 22, img);
    EXPECT_EQ(s.at(9, 19), original[9 * 20 + 19]);
    EXPECT_EQ(s.at(8, 16), (Cell{' ', 0x07}));
    // A short image restores as far as it goes and leaves the rest.
    s.restore(0, 0, 0, 19, std::string("x\x1Fy", 3));
    EXPECT_EQ(s.at(0, 0), (Cell{'x', 0x1F}));
    EXPECT_EQ(s.at(0, 1), (Cell{' ', 0x07}));
}

TEST(Screen, ScrollMovesTheRectangleAndBlanksWhatItLeaves) {
    struct Case {
        int rows, cols;
        int probeR, probeC;  // a cell inside the rectangle (1..3, 1..5)
        int fromR, fromC;    // where its content came from; -1 = blank
    };
    static const Case cases[] = {
        {1, 0, 1, 1, 2, 1},   {1, 0, 3, 2, -1, -1},   // up: the last row is blank
        {-1, 0, 2, 3, 1, 3},  {-1, 0, 1, 3, -1, -1},  // down
        {0, 2, 1, 1, 1, 3},   {0, 2, 2, 5, -1, -1},   // left
        {0, -1, 3, 2, 3, 1},  {0, -1, 3, 1, -1, -1},  // right
        {1, 1, 2, 2, 3, 3},   {0, 0, 2, 2, -1, -1},   // diagonal; 0,0 clears
        {3, 0, 1, 1, -1, -1},                         // a shift of the full height clears
    };
    const Screen before = patterned();
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.rows << "," << c.cols << " @" << c.probeR << "," << c.probeC);
        Screen s = before;
        s.scroll(1, 1, 3, 5, c.rows, c.cols, 0x1E);
        Cell want = c.fromR < 0 ? Cell{' ', 0x1E} : before.at(c.fromR, c.fromC);
        EXPECT_EQ(s.at(c.probeR, c.probeC), want);
        EXPECT_EQ(s.at(0, 1), before.at(0, 1));  // outside the rectangle: untouched
        EXPECT_EQ(s.at(4, 1), before.at(4, 1));
        EXPECT_EQ(s.at(2, 6), before.at(2, 6));
    }
}

TEST(Screen, BoxDrawsFrameFillAndDegenerateLines) {
    Screen s(6, 12);
    s.box(1, 1, 4, 6, kBoxSingle, 0x1F);
    EXPECT_EQ(s.rowText(1).substr(1, 6), "\xDA\xC4\xC4\xC4\xC4\xBF");
    EXPECT_EQ(s.rowText(2).substr(1, 6), "\xB3    \xB3");
    EXPECT_EQ(s.rowText(4).substr(1, 6), "\xC0\xC4\xC4\xC4\xC4\xD9");
    EXPECT_EQ(s.at(2, 2).attr, 0x07);  // eight characters: the inside is not filled
    s.box(1, 1, 4, 6, std::string(9, '\xB0'), 0x70);
    EXPECT_EQ(s.rowText(2).substr(1, 6), std::string(6, '\xB0'));
    EXPECT_EQ(s.at(2, 3).attr, 0x70);
    s.box(5, 0, 5, 11, kBoxSingle, 0x07);  // one row high: a line of the top character
    EXPECT_EQ(s.rowText(5), std::string(12, '\xC4'));
    s.box(0, 11, 5, 11, kBoxDouble, 0x07);  // one column wide: the left character
    EXPECT_EQ(s.at(3, 11).ch, 0xBA);
}

TEST(Screen, WriteClipsAtTheEdgesAndTracksDirtyRows) {
    Screen s(3, 5);
    s.clearDirty();
    EXPECT_EQ(s.write(1, 3, "abcd", 0x1F), 4);
    EXPECT_EQ(s.rowText(1), "   ab");
    EXPECT_EQ(s.write(2, -2, "xyz", 0x07), 3);
    EXPECT_EQ(s.rowText(2), "z    ");
    EXPECT_FALSE(s.rowDirty(0));
    EXPECT_TRUE(s.rowDirty(1));
    s.clearDirty();
    s.write(0, 0, "   ", 0x07);  // writes what is already there: nothing changes
    EXPECT_FALSE(s.rowDirty(0));
    s.resize(4, 3);
    EXPECT_EQ(s.rowText(1), "   ");
    EXPECT_EQ(s.rowText(2), "z  ");
    EXPECT_EQ(s.rowText(3), "   ");
}

}  // namespace
}  // namespace xb::term
