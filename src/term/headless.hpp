// HEADLESS: the console device of tests and batch runs: no terminal, keys from a queue.
//
// The screen itself lives in the Console (read it back with Console::screen(): rowText,
// rowAttrs, at); this device only records what a terminal would have done: the last title,
// the tones, how many flushes happened. Reads never wait: an empty queue answers "nothing"
// at once, so a test that forgot to queue a key cannot hang. A program that keeps reading an
// empty queue "without limit" is stopped after `starveLimit` such reads with rt::FatalStop
// (code 9), which turns an endless modal loop in a test into a failure.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "term/backend.hpp"

namespace xb::term {

class HeadlessBackend final : public Backend {
public:
    HeadlessBackend(int rows = 25, int cols = 80) : rows_(rows), cols_(cols) {}
    const char* name() const noexcept override { return "headless"; }

    std::pair<int, int> size() override { return {rows_, cols_}; }
    bool resized() override;
    // Simulates the device changing size; the console notices at its next read.
    void resize(int rows, int cols);

    void setGlyphs(const GlyphTable& glyphs) override { glyphs_ = glyphs; }
    const GlyphTable& glyphs() const { return glyphs_; }
    void flush(Screen& screen) override;

    std::optional<KeyEvent> read(double seconds) override;
    bool mousePresent() const override { return mouse_; }
    void setMousePresent(bool on) { mouse_ = on; }
    bool leftButtonDown() const override { return left_; }
    bool rightButtonDown() const override { return right_; }

    void tone(double hz, double seconds) override { tones_.push_back({hz, seconds}); }
    void setTitle(std::string_view utf8) override { title_ = utf8; }

    // --- feeding input ---
    void pushKey(int code) { queue_.push_back(KeyEvent{code}); }
    void pushKeys(std::initializer_list<int> codes) {
        for (int c : codes) pushKey(c);
    }
    // A mouse event at (row, col); also moves the pointer and tracks the buttons.
    void pushMouse(int code, int row, int col) { queue_.push_back(KeyEvent{code, 0, row, col}); }
    // A character outside ASCII, as a UTF-8 terminal would deliver it.
    void pushChar(char32_t c) { queue_.push_back(KeyEvent{0, c}); }
    // Raw terminal bytes, decoded as the terminal backend decodes them (the end of the
    // bytes counts as a pause, so a trailing Esc is the Esc key).
    void pushBytes(std::string_view bytes);
    std::size_t pending() const { return queue_.size(); }

    // --- reading back ---
    struct Tone {
        double hz;
        double seconds;
    };
    const std::vector<Tone>& tones() const { return tones_; }
    const std::string& title() const { return title_; }
    int flushes() const { return flushes_; }
    // The screen as the device shows it (glyphs applied), one UTF-8 string per row.
    std::vector<std::string> utf8Lines(const Screen& screen) const;

    int starveLimit = 10000;

private:
    int rows_;
    int cols_;
    bool resized_ = false;
    bool mouse_ = true;
    bool left_ = false;
    bool right_ = false;
    GlyphTable glyphs_ = kCp852;
    std::deque<KeyEvent> queue_;
    std::vector<Tone> tones_;
    std::string title_;
    int flushes_ = 0;
    int starved_ = 0;
};

}  // namespace xb::term
