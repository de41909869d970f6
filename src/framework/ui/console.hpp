// CONSOLE ACCESS: the few console operations the window system is built on.
//
// The window system never talks to a terminal: everything goes through the runtime's console
// (the term layer's cell screen and its key queue). This file narrows that API to what windows,
// messages and dialogs need, in the units they think in: screen rows and columns counting from
// 0, colours as classic colour strings, screen images as byte strings of one character byte
// and one attribute byte per cell (so that a saved image is an ordinary xBase value that a
// window slot can hold, and a saved message line is told from a hint by its length).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/runtime.hpp"

namespace xb::fw::ui::con {

int maxRow(rt::Runtime& rt);
int maxCol(rt::Runtime& rt);

// The colour setting (classic colour string, "W+/B,N/W,,,W/B"); writes use its first colour.
std::string colour(rt::Runtime& rt);
void setColour(rt::Runtime& rt, std::string_view colours);
// The attribute byte of the standard (first) colour of the current setting.
std::uint8_t standardAttr(rt::Runtime& rt);

// Writes bytes from (row, col) in the standard colour, clipped at the right edge; the cursor
// ends after the text.
void write(rt::Runtime& rt, int row, int col, std::string_view text);
void writeAttr(rt::Runtime& rt, int row, int col, std::string_view text, std::uint8_t attr);
// Fills a rectangle with a character in the standard colour.
void fill(rt::Runtime& rt, int top, int left, int bottom, int right, char ch = ' ');
// Draws a box with the 8 characters top-left, top, top-right, right, bottom-right, bottom,
// bottom-left, left, without touching the inside.
void box(rt::Runtime& rt, int top, int left, int bottom, int right, std::string_view chars);

std::string saveRect(rt::Runtime& rt, int top, int left, int bottom, int right);
void restoreRect(rt::Runtime& rt, int top, int left, int bottom, int right, std::string_view img);
std::uint8_t attrAt(rt::Runtime& rt, int row, int col);

int cursorRow(rt::Runtime& rt);
int cursorCol(rt::Runtime& rt);
void setCursor(rt::Runtime& rt, int row, int col);
int cursorShape(rt::Runtime& rt);  // 0 none, 1 normal, 2 insert
void setCursorShape(rt::Runtime& rt, int shape);

// Groups screen output into one update (nested calls are counted).
void beginUpdate(rt::Runtime& rt);
void endUpdate(rt::Runtime& rt);

// One event from the console: nullopt does not wait, 0 waits without limit, otherwise at most
// that many seconds. 0 when none came.
int readKey(rt::Runtime& rt, std::optional<double> seconds);
void clearTypeahead(rt::Runtime& rt);
void pushKey(rt::Runtime& rt, int key);
bool hasMouse(rt::Runtime& rt);
int mouseRow(rt::Runtime& rt);
int mouseCol(rt::Runtime& rt);
bool leftButtonDown(rt::Runtime& rt);
int eventMask(rt::Runtime& rt);
void setEventMask(rt::Runtime& rt, int mask);

void tone(rt::Runtime& rt, double freq, double duration);

}  // namespace xb::fw::ui::con
