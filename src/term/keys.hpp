// KEYS: the classic key codes, input events, and the decoder that turns the bytes a terminal
// sends into events.
//
// Codes: a character key is its byte (in the program's code page); control and extended
// keys have fixed codes (below); Ctrl with a letter is 512 + the letter's control code
// (Ctrl-A 513 ... Ctrl-Z 538), so it never collides with Backspace 8, Tab 9 or Enter 13;
// Alt with a letter is 256 + the PC scan code of the letter (Alt-X 301); mouse events are
// 1001 and up and carry the pointer's row and column.
//
// The decoder is a pure function over a byte buffer so that it can be tested without a
// terminal: decodeInput() looks at the start of the buffer and says how many bytes make
// the first event, or that more bytes are needed. Esc alone is only known when no further
// byte follows quickly: the reader calls again with `final` set after a short pause.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace xb::term {

namespace key {
inline constexpr int kNone = 0;
inline constexpr int kHome = 1, kCtrlRight = 2, kPgDn = 3, kRight = 4, kUp = 5, kEnd = 6, kDel = 7,
                     kBackspace = 8, kTab = 9, kCtrlEnter = 10, kEnter = 13, kPgUp = 18, kLeft = 19,
                     kIns = 22, kCtrlEnd = 23, kDown = 24, kCtrlLeft = 26, kEsc = 27, kF1 = 28,
                     kCtrlHome = 29, kCtrlPgDn = 30, kCtrlPgUp = 31, kCtrlBackspace = 127;
inline constexpr int kAltEsc = 257, kAltBackspace = 270, kShiftTab = 271, kAltEnter = 284;
inline constexpr int kCtrlUp = 397, kCtrlDown = 401, kCtrlIns = 402, kCtrlDel = 403, kCtrlTab = 404,
                     kAltHome = 407, kAltUp = 408, kAltPgUp = 409, kAltLeft = 411, kAltRight = 413,
                     kAltEnd = 415, kAltDown = 416, kAltPgDn = 417, kAltIns = 418, kAltDel = 419,
                     kAltTab = 421;
// F1 is 28, F2..F10 are -1..-9, F11 -40, F12 -41.
inline constexpr int kF2 = -1, kF9 = -8, kF10 = -9, kF11 = -40, kF12 = -41;
// Shift-F1..F10 -10..-19, Ctrl-F1..F10 -20..-29, Alt-F1..F10 -30..-39;
// Shift/Ctrl/Alt-F11 -42/-44/-46, F12 -43/-45/-47.
inline constexpr int kShiftF1 = -10, kCtrlF1 = -20, kAltF1 = -30;
inline constexpr int kCtrlBase = 512;  // Ctrl-letter = kCtrlBase + (letter & 0x1F)

// Mouse events.
inline constexpr int kMouseMove = 1001, kLeftDown = 1002, kLeftUp = 1003, kRightDown = 1004,
                     kRightUp = 1005, kLeftDouble = 1006, kRightDouble = 1007, kMiddleDown = 1008,
                     kMiddleUp = 1009, kMiddleDouble = 1010, kMoveLeftDown = 1011,
                     kMoveRightDown = 1012, kMoveMiddleDown = 1013, kWheelForward = 1014,
                     kWheelBackward = 1015;
inline constexpr bool isMouse(int code) noexcept { return code >= 1001 && code <= 1015; }

// The code of function key n (1..12) with modifiers.
int functionKey(int n, bool shift, bool ctrl, bool alt) noexcept;
// Alt with a printable ASCII character: letters and digits have codes, others give 0.
int altKey(char c) noexcept;
}  // namespace key

// Event masks (Inkey's second argument): which kinds of event a read accepts.
namespace mask {
inline constexpr int kMove = 1, kLeftDown = 2, kLeftUp = 4, kRightDown = 8, kRightUp = 16,
                     kMiddle = 32, kWheel = 64, kKeyboard = 128, kAll = 255;
// The mask bit an event code belongs to.
int of(int code) noexcept;
}  // namespace mask

// One input event. A key whose code is 0 and whose `ch` is set is a character outside ASCII
// (the console maps it into the code page); mouse events carry row and column (0-based).
struct KeyEvent {
    int code = 0;
    char32_t ch = 0;
    int row = -1;
    int col = -1;
    bool operator==(const KeyEvent&) const = default;
};

struct DecodeResult {
    enum class Status { Event, Incomplete, Skip };
    Status status = Status::Incomplete;
    std::size_t used = 0;  // bytes consumed (Event, Skip)
    KeyEvent event;        // for Event
};

struct DecodeOptions {
    // The terminal sends 0x08 for Backspace (its terminfo kbs is ^H); otherwise 0x08 is
    // Ctrl-H and 0x7F is Backspace.
    bool backspaceIsCtrlH = false;
};

// Decodes the first event at the start of `bytes`. Incomplete: the bytes are a prefix of a
// longer sequence; call again with more bytes, or with final = true when none came in time
// (then a lone Esc is the Esc key, and Esc + character is Alt + character). Skip: a
// sequence that means nothing to the console (focus reports, unknown sequences) to drop.
DecodeResult decodeInput(std::string_view bytes, bool final, const DecodeOptions& opt = {});

}  // namespace xb::term
