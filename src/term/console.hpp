// CONSOLE: the program's one console: the screen, the current colours, the keyboard buffer,
// the mouse, and the device (backend) that shows them. Owned by the runtime
// (Console::of(rt), a runtime extension), so it lives exactly as long as the run.
//
// Output: every operation changes the Screen and then shows the change at once, unless a
// DispBegin() is open: then nothing is sent until the matching DispEnd() closes the
// outermost one, so a complex redraw appears in one piece.
//
// Input: inkey() takes the next key from the keyboard buffer (keys stuffed by keyboard()
// and pushKey()), otherwise from the device. Waits follow Inkey(): no argument = do not
// wait, 0 = wait without limit, n = at most n seconds. The event mask (Inkey's second
// argument, default all events) drops the events it excludes; mouse events still move the
// pointer that mouseRow()/mouseCol() report.
//
// Code pages: cells and keys are in the program's code page. setCodePages(terminal, host)
// installs the translation of H_TERMCP/H_HOSTCP; without it bytes 0x80-0xFF show as code
// page 852, or 437 when the environment variable BOX_SD is "ON".
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "runtime/runtime.hpp"
#include "term/backend.hpp"
#include "term/codepage.hpp"
#include "term/keys.hpp"
#include "term/screen.hpp"

namespace xb::term {

class HeadlessBackend;

class Console {
public:
    static constexpr char kTag = 0;  // runtime extension key

    // The device comes from makeBackend(backendChoice()).
    explicit Console(rt::Runtime& rt);
    explicit Console(std::unique_ptr<Backend> backend);
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    static Console& of(rt::Runtime& rt) { return rt.extension<Console>(); }

    // --- device ---
    Backend& backend() { return *backend_; }
    // The headless device, or nullptr when the console runs on another one.
    HeadlessBackend* headless();
    // Replaces the device (the screen keeps its cells and is redrawn on the new one).
    void setBackend(std::unique_ptr<Backend> backend);
    // Gives the terminal back (end of the run, external programs) / takes it again.
    void suspend();
    void resume();

    // --- screen ---
    Screen& screen() { return screen_; }
    int maxRow() const { return screen_.maxRow(); }
    int maxCol() const { return screen_.maxCol(); }
    // Sends pending changes unless a DispBegin() is open; also notices a resize.
    void refresh();
    void dispBegin() { ++dispCount_; }
    void dispEnd();
    int dispCount() const { return dispCount_; }

    int row() const { return screen_.row(); }
    int col() const { return screen_.col(); }
    void setPos(int row, int col);
    // Writes at the cursor and moves it past the text (no wrap), in the standard colour or
    // a given attribute.
    void dispOut(std::string_view text);
    void dispOut(std::string_view text, std::uint8_t attr);
    // Console output, as ? and ?? write it: newline() moves to column 0 of the next row,
    // scrolling the screen up one row at the bottom; conOut() writes in the standard colour,
    // wraps at the right edge, and obeys CR, LF and BS; qout() is newline() then the text.
    void newline();
    void conOut(std::string_view text);
    void qout(std::string_view text) {
        newline();
        conOut(text);
    }
    void qqout(std::string_view text) { conOut(text); }
    void clear();  // blanks in the standard colour, cursor to (0, 0)
    void scroll(int top, int left, int bottom, int right, int rows, int cols);
    void box(int top, int left, int bottom, int right, std::string_view frame,
             std::optional<std::uint8_t> attr = {});
    std::string saveScreen(int top, int left, int bottom, int right) const {
        return screen_.save(top, left, bottom, right);
    }
    void restScreen(int top, int left, int bottom, int right, std::string_view image);
    // Returns the previous shape.
    CursorShape setCursor(CursorShape shape);

    // --- colours ---
    const ColourSet& colours() const { return colours_; }
    std::uint8_t attr(ColourPart part = kStandard) const { return colours_.attr[part]; }
    // Applies a colour string (empty parts keep their colour) and returns the previous
    // colours as a string; an empty text restores "W/N,N/W,N/N,N/N,N/W".
    std::string setColour(std::string_view text);
    std::string colourText() const { return colourString(colours_); }

    // --- keys ---
    int inkey(std::optional<double> seconds, std::optional<int> eventMask = {});
    // The next key without taking it (0 when none is waiting).
    int nextKey(std::optional<int> eventMask = {});
    int lastKey() const { return lastKey_; }
    void setLastKey(int code) { lastKey_ = code; }
    int eventMask() const { return eventMask_; }
    int setEventMask(int m);  // returns the previous mask
    // The keyboard buffer: keyboard() empties it and stuffs the bytes of `keys` (the
    // KEYBOARD command); pushKey() appends one code; clearKeys() empties it.
    void keyboard(std::string_view keys);
    void pushKey(int code);
    void clearKeys() { buffer_.clear(); }
    std::size_t bufferedKeys() const { return buffer_.size(); }

    // --- mouse ---
    int mouseRow() const { return mouseRow_; }
    int mouseCol() const { return mouseCol_; }
    bool mousePresent() const { return backend_->mousePresent(); }
    bool mouseLeftDown() const { return backend_->leftButtonDown(); }
    bool mouseRightDown() const { return backend_->rightButtonDown(); }

    // --- the rest of the device ---
    // Tone(frequency, duration in 1/18.2 s ticks).
    void tone(double hz, double ticks);
    // The window title, in the program's code page.
    void setTitle(std::string_view title);
    const std::string& title() const { return title_; }
    // Clipboard text. On Linux it is kept inside the process: terminals give no portable
    // way to read the desktop's clipboard.
    const std::string& clipboard() const { return clipboard_; }
    void setClipboard(std::string text) { clipboard_ = std::move(text); }

    // --- code pages ---
    // terminal empty: no translation. host empty: the current host page ("RO852" at start).
    // False for an unknown name (nothing changes).
    bool setCodePages(std::string_view terminal, std::string_view host);
    // The same from the environment variables H_TERMCP and H_HOSTCP (trimmed, upper case):
    // an empty H_TERMCP sets up no translation, even when H_HOSTCP is set.
    bool setCodePagesFromEnvironment();
    const std::string& terminalCodePage() const { return termCp_; }
    const std::string& hostCodePage() const { return hostCp_; }
    // The bytes of the program shown as UTF-8, as the device shows them.
    std::string toUtf8(std::string_view bytes) const;
    // The program byte of a character typed at the terminal, nullopt when none shows it.
    std::optional<std::uint8_t> fromChar(char32_t c) const;

private:
    void init();
    void applyGlyphs();
    void noticeResize();
    // Next event from the buffer or the device; nullopt when none came in time.
    std::optional<KeyEvent> nextEvent(double seconds);
    int codeOf(const KeyEvent& e) const;

    std::unique_ptr<Backend> backend_;
    Screen screen_;
    ColourSet colours_;
    int dispCount_ = 0;
    int lastKey_ = 0;
    int eventMask_ = mask::kAll;
    std::deque<KeyEvent> buffer_;
    std::optional<KeyEvent> peeked_;  // read from the device by nextKey(), not yet taken
    int mouseRow_ = 0;
    int mouseCol_ = 0;
    std::string title_;
    std::string clipboard_;
    std::string termCp_;
    std::string hostCp_ = "RO852";
    Translation translation_;
    GlyphTable glyphs_{};
    bool boxSd_ = false;
};

// Registers the console functions (Row, Col, MaxRow, ..., Inkey, SaveScreen, the console
// window services and the clipboard) with the runtime.
void registerConsole(rt::Runtime& rt);

}  // namespace xb::term
