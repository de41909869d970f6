// TTY_BACKEND: the console on a POSIX terminal, through the terminfo level of ncursesw.
//
// The terminal is put in raw mode without flow control or signal keys (Ctrl-C, Ctrl-Q and
// Ctrl-S arrive as keys) and without the alternate screen, so that what the program leaves
// on the screen stays visible after it ends. Output is built from terminfo capabilities and
// sent in one write per flush: only cells that differ from what the terminal shows are sent
// (a shadow copy of the terminal is kept), with one SGR change per colour change. Bytes are
// shown through the console's glyph table as UTF-8 (ASCII look-alikes on other locales).
// Input is read from the terminal's file descriptor and decoded by decodeInput(); xterm mouse
// reporting (SGR mode 1006) is switched on unless H_MOUSE is "OFF".
//
// The terminal is always given back: by the destructor, by suspend(), at exit, and from the
// handlers of SIGINT, SIGTERM, SIGHUP and SIGSEGV (which then let the signal take its course).
#pragma once

#include <memory>
#include <string>

#include "term/backend.hpp"

namespace xb::term {

// Opens the terminal on standard input/output; nullptr (with the reason) when they are not
// a terminal or the terminal type is unknown.
std::unique_ptr<Backend> openTerminal(std::string& why);

// The output side of the terminal backend without a terminal: renders a screen into an
// escape-sequence string as the backend would send it (xterm capabilities). For the
// benchmark and tests of the renderer.
class Renderer {
public:
    Renderer(int rows, int cols);
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;
    void setGlyphs(const GlyphTable& glyphs);
    // Appends to `out` what brings the terminal from its last known state to `screen`.
    void render(Screen& screen, std::string& out);
    // Forget what the terminal shows (after a resize or a resume): the next render sends
    // every cell.
    void invalidate(int rows, int cols);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    friend class TtyBackend;
};

}  // namespace xb::term
