// SCREEN: the console's cell grid, its cursor, and the classic colour strings.
//
// A cell is one character byte (in the program's code page: box and shade characters are
// those of code page 437, national letters those of the data's code page) and one colour
// attribute byte. The backend turns bytes into glyphs; nothing here knows about terminals.
//
// Attribute byte: bits 0-3 foreground (bit 3 = bright), bits 4-6 background, bit 7 blink,
// which consoles show as a bright background. Colour numbers are the classic ones:
//   0 N black   1 B blue    2 G green   3 BG cyan   4 R red   5 RB magenta   6 GR brown
//   7 W white;  8-15 the same with "+" (N+ dark grey, GR+ yellow, W+ bright white).
//
// Coordinates count from 0 (row 0 at the top). Every operation clips to the grid, so a
// rectangle partly or wholly outside the screen is legal and touches only the cells inside.
// Invariants: the grid always holds rows()*cols() cells; a saved image of a rectangle is
// exactly 2 bytes per cell of the rectangle as given (cells outside the grid save as a blank
// in attribute 0x07 and are ignored on restore), so restoring an image over the same
// rectangle gives back exactly the same cells.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xb::term {

struct Cell {
    std::uint8_t ch = ' ';
    std::uint8_t attr = 0x07;
    bool operator==(const Cell&) const = default;
};

// Cursor shapes as SetCursor() numbers them.
enum class CursorShape : int { None = 0, Normal = 1, Insert = 2, Special1 = 3, Special2 = 4 };

// Classic box strings: top-left, top, top-right, right, bottom-right, bottom, bottom-left,
// left, and an optional ninth fill character.
inline constexpr std::string_view kBoxSingle = "\xDA\xC4\xBF\xB3\xD9\xC4\xC0\xB3";
inline constexpr std::string_view kBoxDouble = "\xC9\xCD\xBB\xBA\xBC\xCD\xC8\xBA";
inline constexpr std::string_view kBoxSingleDouble = "\xD6\xC4\xB7\xBA\xBD\xC4\xD3\xBA";
inline constexpr std::string_view kBoxDoubleSingle = "\xD5\xCD\xB8\xB3\xBE\xCD\xD4\xB3";

class Screen {
public:
    explicit Screen(int rows = 25, int cols = 80);

    int rows() const noexcept { return rows_; }
    int cols() const noexcept { return cols_; }
    int maxRow() const noexcept { return rows_ - 1; }
    int maxCol() const noexcept { return cols_ - 1; }
    bool inside(int row, int col) const noexcept {
        return row >= 0 && row < rows_ && col >= 0 && col < cols_;
    }
    // Changes the size, keeping what fits at the top left; new cells are blanks in 0x07.
    void resize(int rows, int cols);

    // The cell at (row, col); must be inside.
    const Cell& at(int row, int col) const;
    void set(int row, int col, Cell c);  // ignored outside

    // Writes the bytes from (row, col) in one attribute, cut at the right edge (no wrap).
    // Returns the number of columns the text advanced, cut or not (text.size()).
    int write(int row, int col, std::string_view text, std::uint8_t attr);
    // Fills a rectangle (inclusive corners) with one cell.
    void fill(int top, int left, int bottom, int right, Cell c);
    // The whole grid becomes blanks in `attr`.
    void clear(std::uint8_t attr);
    // Scrolls the rectangle by `rows` (> 0 moves the content up, < 0 down) and `cols` (> 0
    // moves it left, < 0 right); vacated cells become blanks in `attr`. Both 0, or a shift
    // as large as the rectangle, clears the rectangle.
    void scroll(int top, int left, int bottom, int right, int rows, int cols, std::uint8_t attr);
    // The image of a rectangle: (character, attribute) byte pairs, row by row.
    std::string save(int top, int left, int bottom, int right) const;
    // Puts an image back over a rectangle, row by row; a short image stops where it ends.
    void restore(int top, int left, int bottom, int right, std::string_view image);
    // Draws a box with a classic box string (see kBoxSingle) in `attr`; a ninth character
    // fills the inside. A box one row high is a line of the top character across its width;
    // one column wide, a line of the left character.
    void box(int top, int left, int bottom, int right, std::string_view frame, std::uint8_t attr);

    // The cursor may stand outside the grid (after writing up to the right edge its column
    // is cols()); the backend then hides it.
    int row() const noexcept { return curRow_; }
    int col() const noexcept { return curCol_; }
    void setPos(int row, int col) noexcept;
    CursorShape cursorShape() const noexcept { return shape_; }
    void setCursorShape(CursorShape s) noexcept;

    // Reading back (tests and the backends).
    std::string rowText(int row) const;   // the character bytes of one row
    std::string rowAttrs(int row) const;  // the attribute bytes of one row
    const std::vector<Cell>& cells() const noexcept { return cells_; }

    // Change tracking for the backends: a row is dirty once any of its cells was written
    // since the last clearDirty(); the cursor is dirty once moved or reshaped.
    bool rowDirty(int row) const noexcept { return dirty_[static_cast<std::size_t>(row)] != 0; }
    bool anyDirty() const noexcept { return anyDirty_; }
    void markAllDirty() noexcept;
    void clearDirty() noexcept;

private:
    Cell& ref(int row, int col) {
        return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) +
                      static_cast<std::size_t>(col)];
    }
    void touch(int row) noexcept {
        dirty_[static_cast<std::size_t>(row)] = 1;
        anyDirty_ = true;
    }
    int rows_;
    int cols_;
    std::vector<Cell> cells_;
    std::vector<std::uint8_t> dirty_;
    bool anyDirty_ = true;
    int curRow_ = 0;
    int curCol_ = 0;
    CursorShape shape_ = CursorShape::Normal;
};

// --- colour strings ---
//
// A colour is "fore/back": each side is letters (N B G R W, in any order: "RB" = "BR"), a
// colour number ("15/1"), or empty (black); "+" anywhere makes the foreground bright and "*"
// anywhere sets the blink (bright background) bit. "I" is inverse (N/W), "U" underline (shown
// as blue on colour consoles), "X" blank (foreground = background). Case is ignored and
// unknown characters are skipped. A composite string "a,b,c,d,e" sets the numbered parts
// below; an empty or missing part keeps the value it had.
enum ColourPart : int {
    kStandard = 0,    // ordinary output
    kEnhanced = 1,    // the current get, the selected menu item
    kBorder = 2,      // the screen border (kept, not shown by terminals)
    kBackground = 3,  // kept for compatibility
    kUnselected = 4,  // other gets
};
inline constexpr int kColourParts = 5;

struct ColourSet {
    // The start-up colours "W/N,N/W,N/N,N/N,N/W".
    std::array<std::uint8_t, kColourParts> attr{0x07, 0x70, 0x00, 0x00, 0x70};
    bool operator==(const ColourSet&) const = default;
};

// One colour (the first part of a composite string) as an attribute byte.
std::uint8_t parseColour(std::string_view text);
// A composite colour string applied over `base`.
ColourSet parseColours(std::string_view text, const ColourSet& base = {});
// "W+/B", "N/W*": the canonical string of an attribute.
std::string colourString(std::uint8_t attr);
// All five parts, "W/N,N/W,N/N,N/N,N/W".
std::string colourString(const ColourSet& set);

}  // namespace xb::term
