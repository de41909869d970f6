// BACKEND: what a console device does for the Console: show the screen, deliver input
// events, sound tones, set the title. Two implementations: the terminal (tty_backend.hpp)
// and the headless one for tests and batch runs (headless.hpp); a Windows console backend
// would be a third beside them.
//
// makeBackend() is the one place that picks a device. The process-wide choice starts as
// Headless, so tests and batch tools never touch the terminal; a full-screen program calls
// setBackendChoice({BackendKind::Terminal}) in main before the first Console is made.
#pragma once

#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "term/codepage.hpp"
#include "term/keys.hpp"
#include "term/screen.hpp"

namespace xb::term {

class Backend {
public:
    virtual ~Backend() = default;
    virtual const char* name() const noexcept = 0;

    // The device's size as (rows, cols).
    virtual std::pair<int, int> size() = 0;
    // True once after the device changed size; `size()` then gives the new one.
    virtual bool resized() { return false; }

    // How cell bytes look: the glyph of each byte after the code-page translation.
    virtual void setGlyphs(const GlyphTable& glyphs) = 0;
    // Shows the screen: the cells that differ from what the device shows, then the cursor.
    // Clears the screen's dirty marks.
    virtual void flush(Screen& screen) = 0;

    // Waits for one input event: seconds < 0 without limit, 0 only what is already there,
    // > 0 at most that long. nullopt when nothing came.
    virtual std::optional<KeyEvent> read(double seconds) = 0;
    virtual bool mousePresent() const { return false; }
    virtual bool leftButtonDown() const { return false; }
    virtual bool rightButtonDown() const { return false; }

    // A tone of `hz` for `seconds`; returns after it (or its pause) is over.
    virtual void tone(double hz, double seconds) = 0;
    // The window title, UTF-8.
    virtual void setTitle(std::string_view utf8) = 0;

    // Gives the device back to the operating system (external programs, end of the run)
    // and takes it again; the next flush redraws everything. Both are idempotent.
    virtual void suspend() {}
    virtual void resume() {}
};

enum class BackendKind { Headless, Terminal };
struct BackendChoice {
    BackendKind kind = BackendKind::Headless;
    int rows = 25;  // headless size
    int cols = 80;
};
void setBackendChoice(const BackendChoice& choice);
const BackendChoice& backendChoice();
// Makes the device of a choice. A terminal that cannot be opened (no tty) throws
// rt::FatalStop with code 1.
std::unique_ptr<Backend> makeBackend(const BackendChoice& choice);

}  // namespace xb::term
