#include "term/screen.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "runtime/runtime.hpp"

namespace xb::term {

Screen::Screen(int rows, int cols)
    : rows_(std::max(1, rows)),
      cols_(std::max(1, cols)),
      cells_(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols_)),
      dirty_(static_cast<std::size_t>(rows_), 1) {}

void Screen::resize(int rows, int cols) {
    rows = std::max(1, rows);
    cols = std::max(1, cols);
    if (rows == rows_ && cols == cols_) return;
    std::vector<Cell> cells(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
    for (int r = 0; r < std::min(rows, rows_); ++r)
        for (int c = 0; c < std::min(cols, cols_); ++c)
            cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) +
                  static_cast<std::size_t>(c)] = ref(r, c);
    cells_ = std::move(cells);
    rows_ = rows;
    cols_ = cols;
    dirty_.assign(static_cast<std::size_t>(rows_), 1);
    anyDirty_ = true;
}

const Cell& Screen::at(int row, int col) const {
    XB_ASSERT(inside(row, col));
    return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) +
                  static_cast<std::size_t>(col)];
}

void Screen::set(int row, int col, Cell c) {
    if (!inside(row, col)) return;
    Cell& cell = ref(row, col);
    if (cell == c) return;
    cell = c;
    touch(row);
}

int Screen::write(int row, int col, std::string_view text, std::uint8_t attr) {
    const int n = static_cast<int>(text.size());
    if (row < 0 || row >= rows_) return n;
    int from = std::max(0, -col);
    int to = std::min(n, cols_ - col);
    bool changed = false;
    for (int i = from; i < to; ++i) {
        Cell c{static_cast<std::uint8_t>(text[static_cast<std::size_t>(i)]), attr};
        Cell& cell = ref(row, col + i);
        if (!(cell == c)) {
            cell = c;
            changed = true;
        }
    }
    if (changed) touch(row);
    return n;
}

void Screen::fill(int top, int left, int bottom, int right, Cell c) {
    top = std::max(top, 0);
    left = std::max(left, 0);
    bottom = std::min(bottom, rows_ - 1);
    right = std::min(right, cols_ - 1);
    for (int r = top; r <= bottom; ++r) {
        bool changed = false;
        for (int col = left; col <= right; ++col) {
            Cell& cell = ref(r, col);
            if (!(cell == c)) {
                cell = c;
                changed = true;
            }
        }
        if (changed) touch(r);
    }
}

void Screen::clear(std::uint8_t attr) { fill(0, 0, rows_ - 1, cols_ - 1, Cell{' ', attr}); }

void Screen::scroll(int top, int left, int bottom, int right, int rows, int cols,
                    std::uint8_t attr) {
    top = std::max(top, 0);
    left = std::max(left, 0);
    bottom = std::min(bottom, rows_ - 1);
    right = std::min(right, cols_ - 1);
    if (top > bottom || left > right) return;
    const int height = bottom - top + 1;
    const int width = right - left + 1;
    const Cell blank{' ', attr};
    if ((rows == 0 && cols == 0) || std::abs(rows) >= height || std::abs(cols) >= width) {
        fill(top, left, bottom, right, blank);
        return;
    }
    // Copy in the direction that never reads a cell already overwritten.
    std::vector<Cell> src;
    src.reserve(static_cast<std::size_t>(height) * static_cast<std::size_t>(width));
    for (int r = top; r <= bottom; ++r)
        for (int c = left; c <= right; ++c) src.push_back(ref(r, c));
    for (int r = 0; r < height; ++r) {
        bool changed = false;
        for (int c = 0; c < width; ++c) {
            int sr = r + rows;
            int sc = c + cols;
            Cell v = (sr >= 0 && sr < height && sc >= 0 && sc < width)
                         ? src[static_cast<std::size_t>(sr) * static_cast<std::size_t>(width) +
                               static_cast<std::size_t>(sc)]
                         : blank;
            Cell& cell = ref(top + r, left + c);
            if (!(cell == v)) {
                cell = v;
                changed = true;
            }
        }
        if (changed) touch(top + r);
    }
}

std::string Screen::save(int top, int left, int bottom, int right) const {
    std::string out;
    if (top > bottom || left > right) return out;
    out.reserve(static_cast<std::size_t>(bottom - top + 1) *
                static_cast<std::size_t>(right - left + 1) * 2);
    for (int r = top; r <= bottom; ++r)
        for (int c = left; c <= right; ++c) {
            Cell v = inside(r, c) ? at(r, c) : Cell{};
            out.push_back(static_cast<char>(v.ch));
            out.push_back(static_cast<char>(v.attr));
        }
    return out;
}

void Screen::restore(int top, int left, int bottom, int right, std::string_view image) {
    std::size_t i = 0;
    for (int r = top; r <= bottom; ++r)
        for (int c = left; c <= right; ++c) {
            if (i + 2 > image.size()) return;
            set(r, c,
                Cell{static_cast<std::uint8_t>(image[i]), static_cast<std::uint8_t>(image[i + 1])});
            i += 2;
        }
}

void Screen::box(int top, int left, int bottom, int right, std::string_view frame,
                 std::uint8_t attr) {
    if (top > bottom || left > right) return;
    auto ch = [&](std::size_t i) -> Cell {
        return Cell{static_cast<std::uint8_t>(i < frame.size() ? frame[i] : ' '), attr};
    };
    if (top == bottom) {
        fill(top, left, bottom, right, ch(1));
        return;
    }
    if (left == right) {
        fill(top, left, bottom, right, ch(7));
        return;
    }
    set(top, left, ch(0));
    fill(top, left + 1, top, right - 1, ch(1));
    set(top, right, ch(2));
    fill(top + 1, right, bottom - 1, right, ch(3));
    set(bottom, right, ch(4));
    fill(bottom, left + 1, bottom, right - 1, ch(5));
    set(bottom, left, ch(6));
    fill(top + 1, left, bottom - 1, left, ch(7));
    if (frame.size() >= 9) fill(top + 1, left + 1, bottom - 1, right - 1, ch(8));
}

void Screen::setPos(int row, int col) noexcept {
    if (row == curRow_ && col == curCol_) return;
    curRow_ = row;
    curCol_ = col;
    anyDirty_ = true;
}

void Screen::setCursorShape(CursorShape s) noexcept {
    if (s == shape_) return;
    shape_ = s;
    anyDirty_ = true;
}

std::string Screen::rowText(int row) const {
    std::string s;
    if (row < 0 || row >= rows_) return s;
    s.reserve(static_cast<std::size_t>(cols_));
    for (int c = 0; c < cols_; ++c) s.push_back(static_cast<char>(at(row, c).ch));
    return s;
}

std::string Screen::rowAttrs(int row) const {
    std::string s;
    if (row < 0 || row >= rows_) return s;
    s.reserve(static_cast<std::size_t>(cols_));
    for (int c = 0; c < cols_; ++c) s.push_back(static_cast<char>(at(row, c).attr));
    return s;
}

void Screen::markAllDirty() noexcept {
    std::fill(dirty_.begin(), dirty_.end(), std::uint8_t{1});
    anyDirty_ = true;
}

void Screen::clearDirty() noexcept {
    std::fill(dirty_.begin(), dirty_.end(), std::uint8_t{0});
    anyDirty_ = false;
}

// --- colour strings ---

namespace {

// One side of a colour ("GR+", "15", "") as a colour number; flags collect "+", "*".
int parseSide(std::string_view s, bool& bright, bool& blink, bool& inverse, bool& blank,
              bool& underline) {
    int colour = 0;
    bool digits = false;
    int number = 0;
    for (char raw : s) {
        char ch = static_cast<char>(std::toupper(static_cast<unsigned char>(raw)));
        switch (ch) {
            case 'B':
                colour |= 1;
                break;
            case 'G':
                colour |= 2;
                break;
            case 'R':
                colour |= 4;
                break;
            case 'W':
                colour |= 7;
                break;
            case 'N':
                break;
            case '+':
                bright = true;
                break;
            case '*':
                blink = true;
                break;
            case 'I':
                inverse = true;
                break;
            case 'X':
                blank = true;
                break;
            case 'U':
                underline = true;
                break;
            default:
                if (ch >= '0' && ch <= '9') {
                    digits = true;
                    number = std::min(number * 10 + (ch - '0'), 255);
                }
                break;
        }
    }
    if (digits) colour |= number;
    return colour;
}

}  // namespace

std::uint8_t parseColour(std::string_view text) {
    text = text.substr(0, text.find(','));
    std::size_t slash = text.find('/');
    std::string_view fore = text.substr(0, slash);
    std::string_view back =
        slash == std::string_view::npos ? std::string_view{} : text.substr(slash + 1);
    bool bright = false, blink = false, inverse = false, blank = false, underline = false;
    int fg = parseSide(fore, bright, blink, inverse, blank, underline);
    bool bInverse = false, bBlank = false, bUnderline = false;
    int bg = parseSide(back, bright, blink, bInverse, bBlank, bUnderline);
    if (underline && fg == 0) fg = 1;
    if (inverse) {
        fg = 0;
        bg = 7;
    }
    if (fg > 15) fg &= 0x0F;
    if (bg > 15) bg &= 0x0F;
    if (bg > 7) {  // a numeric bright background is the blink bit
        blink = true;
        bg &= 7;
    }
    if (bright) fg |= 8;
    if (blink) bg |= 8;
    if (blank || bBlank) fg = bg & 7;
    return static_cast<std::uint8_t>((bg << 4) | fg);
}

ColourSet parseColours(std::string_view text, const ColourSet& base) {
    ColourSet out = base;
    int part = 0;
    std::size_t pos = 0;
    while (part < kColourParts) {
        std::size_t comma = text.find(',', pos);
        std::string_view item = text.substr(
            pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
        bool empty = item.find_first_not_of(' ') == std::string_view::npos;
        if (!empty) out.attr[static_cast<std::size_t>(part)] = parseColour(item);
        if (comma == std::string_view::npos) break;
        pos = comma + 1;
        ++part;
    }
    return out;
}

std::string colourString(std::uint8_t attr) {
    static const char* const kLetters[8] = {"N", "B", "G", "BG", "R", "RB", "GR", "W"};
    std::string s = kLetters[attr & 7];
    if (attr & 0x08) s += '+';
    s += '/';
    s += kLetters[(attr >> 4) & 7];
    if (attr & 0x80) s += '*';
    return s;
}

std::string colourString(const ColourSet& set) {
    std::string s;
    for (int i = 0; i < kColourParts; ++i) {
        if (i) s += ',';
        s += colourString(set.attr[static_cast<std::size_t>(i)]);
    }
    return s;
}

}  // namespace xb::term
