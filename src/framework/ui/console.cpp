// CONSOLE ACCESS: the window system's narrow view of the runtime's console.
#include "framework/ui/console.hpp"

#include <algorithm>

#include "term/console.hpp"

namespace xb::fw::ui::con {

namespace {
term::Console& c(rt::Runtime& rt) { return term::Console::of(rt); }
}  // namespace

int maxRow(rt::Runtime& rt) { return c(rt).maxRow(); }
int maxCol(rt::Runtime& rt) { return c(rt).maxCol(); }

std::string colour(rt::Runtime& rt) { return c(rt).colourText(); }
void setColour(rt::Runtime& rt, std::string_view colours) { c(rt).setColour(colours); }
std::uint8_t standardAttr(rt::Runtime& rt) { return c(rt).attr(term::kStandard); }

void write(rt::Runtime& rt, int row, int col, std::string_view text) {
    writeAttr(rt, row, col, text, standardAttr(rt));
}

void writeAttr(rt::Runtime& rt, int row, int col, std::string_view text, std::uint8_t attr) {
    term::Console& con = c(rt);
    con.setPos(row, col);
    con.dispOut(text, attr);
}

void fill(rt::Runtime& rt, int top, int left, int bottom, int right, char ch) {
    term::Console& con = c(rt);
    if (bottom < top || right < left) return;
    con.screen().fill(top, left, bottom, right,
                      term::Cell{static_cast<std::uint8_t>(ch), con.attr(term::kStandard)});
    con.refresh();
}

void box(rt::Runtime& rt, int top, int left, int bottom, int right, std::string_view chars) {
    c(rt).box(top, left, bottom, right, chars.substr(0, 8));
}

std::string saveRect(rt::Runtime& rt, int top, int left, int bottom, int right) {
    return c(rt).saveScreen(top, left, bottom, right);
}

void restoreRect(rt::Runtime& rt, int top, int left, int bottom, int right, std::string_view img) {
    c(rt).restScreen(top, left, bottom, right, img);
}

std::uint8_t attrAt(rt::Runtime& rt, int row, int col) {
    term::Screen& s = c(rt).screen();
    return s.inside(row, col) ? s.at(row, col).attr : 0x07;
}

int cursorRow(rt::Runtime& rt) { return c(rt).row(); }
int cursorCol(rt::Runtime& rt) { return c(rt).col(); }
void setCursor(rt::Runtime& rt, int row, int col) { c(rt).setPos(row, col); }
int cursorShape(rt::Runtime& rt) { return static_cast<int>(c(rt).screen().cursorShape()); }
void setCursorShape(rt::Runtime& rt, int shape) {
    c(rt).setCursor(static_cast<term::CursorShape>(std::clamp(shape, 0, 4)));
}

void beginUpdate(rt::Runtime& rt) { c(rt).dispBegin(); }
void endUpdate(rt::Runtime& rt) { c(rt).dispEnd(); }

int readKey(rt::Runtime& rt, std::optional<double> seconds) { return c(rt).inkey(seconds); }
void clearTypeahead(rt::Runtime& rt) { c(rt).clearKeys(); }
void pushKey(rt::Runtime& rt, int key) { c(rt).pushKey(key); }
bool hasMouse(rt::Runtime& rt) { return c(rt).mousePresent(); }
int mouseRow(rt::Runtime& rt) { return c(rt).mouseRow(); }
int mouseCol(rt::Runtime& rt) { return c(rt).mouseCol(); }
bool leftButtonDown(rt::Runtime& rt) { return c(rt).mouseLeftDown(); }
int eventMask(rt::Runtime& rt) { return c(rt).eventMask(); }
void setEventMask(rt::Runtime& rt, int mask) { c(rt).setEventMask(mask); }

void tone(rt::Runtime& rt, double freq, double duration) { c(rt).tone(freq, duration); }

}  // namespace xb::fw::ui::con
