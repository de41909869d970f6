// Fixtures for the user-interface tests: a runtime with the UI registered on a headless
// 80x25 console, palettes read from a palette table written into a temporary folder, and
// helpers to read the screen back and to drive modal loops with queued keys.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/ui/userintf.hpp"
#include "runtime/runtime.hpp"
#include "term/console.hpp"
#include "term/headless.hpp"

namespace xb::fw::ui::testing {

inline void PrintTo(const rt::Value& v, std::ostream* os) { *os << rt::repr(v); }

// A DBF palette table: PALETTE C10, NORMAL..ERROR C16, ACTIVE L1.
struct PaletteRow {
    std::string name;
    std::vector<std::string> colours;  // the 12 colour fields
    bool active = true;
    bool deleted = false;
};
std::string paletteTableBytes(const std::vector<PaletteRow>& rows);
// The palettes the tests use: BACKGROUND, HELP, WARNING, ERROR, MENU and one unnamed.
std::vector<PaletteRow> standardPalettes();

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::filesystem::path& path() const { return path_; }
    void write(const std::string& name, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

struct UiFixture {
    rt::Runtime rt;
    TempFolder folder;
    // H_TRELSTARTED answers the public TEST_STARTED (.T. unless a test sets it).
    void setStarted(bool on) { *rt.findVar("TEST_STARTED") = rt::Value(on); }

    // Registers the UI; loads the standard palettes unless told not to.
    explicit UiFixture(bool loadPalettes = true);

    term::Console& console() { return term::Console::of(rt); }
    term::HeadlessBackend& device() { return *console().headless(); }
    const term::Screen& screen() { return console().screen(); }
    std::string row(int r) { return screen().rowText(r); }
    std::string attrs(int r) { return screen().rowAttrs(r); }
    std::uint8_t attr(int r, int c) { return screen().at(r, c).attr; }
    // Text of columns [left, right] of a row.
    std::string text(int r, int left, int right) { return row(r).substr(left, right - left + 1); }
    // The attribute byte of a colour string.
    static std::uint8_t colour(const char* colours);

    void keys(std::initializer_list<int> codes) { device().pushKeys(codes); }
    void click(int row, int col, int code = 1002) { device().pushMouse(code, row, col); }

    rt::Value call(const char* name, std::initializer_list<rt::Value> args = {}) {
        return rt.call(name, args);
    }
    // Runs `fn` and returns the fatal stop it ended with (code -1 when none).
    template <class F>
    rt::FatalStop fatal(F&& fn) {
        try {
            fn();
        } catch (const rt::FatalStop& s) {
            return s;
        }
        return rt::FatalStop{-1, ""};
    }
    // Registers F9 as a global key whose action records the screen rows into `shots`.
    void snapshotsOnF9();
    std::vector<std::vector<std::string>> shots;
};

// The palette colours of the standard table, by palette and colour index (2..13).
const char* paletteColour(const std::string& palette, int index);

}  // namespace xb::fw::ui::testing
