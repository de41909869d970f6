#include "term/console.hpp"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>

#include "term/headless.hpp"

namespace xb::term {

namespace {

std::string envUpperTrimmed(const char* name) {
    const char* v = std::getenv(name);
    std::string s = v ? v : "";
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

Console::Console(rt::Runtime& /*rt*/) : backend_(makeBackend(backendChoice())) { init(); }

Console::Console(std::unique_ptr<Backend> backend) : backend_(std::move(backend)) { init(); }

Console::~Console() {
    try {
        if (screen_.anyDirty()) backend_->flush(screen_);
        backend_->suspend();
    } catch (...) {
        // Nothing may escape a destructor; the backend restores the terminal on its own.
    }
}

void Console::init() {
    boxSd_ = envUpperTrimmed("BOX_SD") == "ON";
    translation_ = Translation{identityMap(), identityMap()};
    auto [rows, cols] = backend_->size();
    screen_.resize(rows, cols);
    screen_.clear(0x07);
    screen_.setPos(0, 0);
    applyGlyphs();
    screen_.markAllDirty();
    refresh();
}

HeadlessBackend* Console::headless() { return dynamic_cast<HeadlessBackend*>(backend_.get()); }

void Console::setBackend(std::unique_ptr<Backend> backend) {
    backend_->suspend();
    backend_ = std::move(backend);
    noticeResize();
    applyGlyphs();
    screen_.markAllDirty();
    refresh();
}

void Console::suspend() {
    if (screen_.anyDirty()) backend_->flush(screen_);
    backend_->suspend();
}

void Console::resume() {
    backend_->resume();
    noticeResize();
    screen_.markAllDirty();
    refresh();
}

void Console::applyGlyphs() {
    const GlyphTable* table = termCp_.empty() ? &kCp852 : glyphsOf(termCp_);
    if (!table) table = &kCp852;
    if (boxSd_ && table == &kCp852) table = &kCp437;
    for (std::size_t b = 0; b < 256; ++b) glyphs_[b] = (*table)[translation_.out[b]];
    backend_->setGlyphs(glyphs_);
    screen_.markAllDirty();
}

void Console::noticeResize() {
    auto [rows, cols] = backend_->size();
    if (rows != screen_.rows() || cols != screen_.cols()) screen_.resize(rows, cols);
    screen_.markAllDirty();
}

void Console::refresh() {
    if (dispCount_ > 0) return;
    if (backend_->resized()) noticeResize();
    if (screen_.anyDirty()) backend_->flush(screen_);
}

void Console::dispEnd() {
    if (dispCount_ > 0) --dispCount_;
    if (dispCount_ == 0) refresh();
}

void Console::setPos(int row, int col) {
    screen_.setPos(std::max(row, 0), std::max(col, 0));
    refresh();
}

void Console::dispOut(std::string_view text) { dispOut(text, attr(kStandard)); }

void Console::dispOut(std::string_view text, std::uint8_t a) {
    int n = screen_.write(screen_.row(), screen_.col(), text, a);
    screen_.setPos(screen_.row(), screen_.col() + n);
    refresh();
}

void Console::newline() {
    int r = screen_.row();
    if (r < screen_.maxRow()) {
        screen_.setPos(r + 1, 0);
    } else {
        screen_.scroll(0, 0, screen_.maxRow(), screen_.maxCol(), 1, 0, attr(kStandard));
        screen_.setPos(screen_.maxRow(), 0);
    }
    refresh();
}

void Console::conOut(std::string_view text) {
    dispBegin();
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\n') {
            newline();
            ++i;
        } else if (c == '\r') {
            screen_.setPos(screen_.row(), 0);
            ++i;
        } else if (c == '\b') {
            screen_.setPos(screen_.row(), std::max(0, screen_.col() - 1));
            ++i;
        } else {
            // A run of ordinary bytes, wrapped at the right edge as console output is.
            if (screen_.col() > screen_.maxCol()) newline();
            std::size_t end = text.find_first_of("\n\r\b", i);
            if (end == std::string_view::npos) end = text.size();
            std::size_t room = static_cast<std::size_t>(screen_.cols() - screen_.col());
            std::size_t n = std::min(end - i, room);
            dispOut(text.substr(i, n));
            i += n;
            if (i < end) newline();
        }
    }
    dispEnd();
}

void Console::clear() {
    screen_.clear(attr(kStandard));
    screen_.setPos(0, 0);
    refresh();
}

void Console::scroll(int top, int left, int bottom, int right, int rows, int cols) {
    screen_.scroll(top, left, bottom, right, rows, cols, attr(kStandard));
    refresh();
}

void Console::box(int top, int left, int bottom, int right, std::string_view frame,
                  std::optional<std::uint8_t> a) {
    screen_.box(top, left, bottom, right, frame, a.value_or(attr(kStandard)));
    screen_.setPos(top + 1, left + 1);
    refresh();
}

void Console::restScreen(int top, int left, int bottom, int right, std::string_view image) {
    screen_.restore(top, left, bottom, right, image);
    refresh();
}

CursorShape Console::setCursor(CursorShape shape) {
    CursorShape prev = screen_.cursorShape();
    screen_.setCursorShape(shape);
    refresh();
    return prev;
}

std::string Console::setColour(std::string_view text) {
    std::string prev = colourText();
    colours_ = text.find_first_not_of(' ') == std::string_view::npos ? ColourSet{}
                                                                     : parseColours(text, colours_);
    return prev;
}

// --- keys ---

int Console::setEventMask(int m) {
    int prev = eventMask_;
    eventMask_ = m;
    return prev;
}

void Console::keyboard(std::string_view keys) {
    buffer_.clear();
    peeked_.reset();
    for (char c : keys) buffer_.push_back(KeyEvent{static_cast<unsigned char>(c)});
}

void Console::pushKey(int code) { buffer_.push_back(KeyEvent{code}); }

std::optional<std::uint8_t> Console::fromChar(char32_t c) const {
    if (c < 0x80) return static_cast<std::uint8_t>(c);
    auto b = byteOf(c, glyphs_);
    if (b && *b >= 0x80) return b;
    return std::nullopt;
}

int Console::codeOf(const KeyEvent& e) const {
    if (e.code != 0) return e.code;
    if (e.ch == 0) return 0;
    auto b = fromChar(e.ch);
    return b ? *b : 0;
}

std::optional<KeyEvent> Console::nextEvent(double seconds) {
    if (peeked_) {
        KeyEvent e = *peeked_;
        peeked_.reset();
        return e;
    }
    if (!buffer_.empty()) {
        KeyEvent e = buffer_.front();
        buffer_.pop_front();
        return e;
    }
    return backend_->read(seconds);
}

int Console::inkey(std::optional<double> seconds, std::optional<int> eventMask) {
    const int m = eventMask.value_or(eventMask_);
    refresh();
    const bool forever = seconds && *seconds <= 0;
    const double deadline = seconds && *seconds > 0 ? now() + *seconds : 0;
    for (;;) {
        double wait = !seconds ? 0 : forever ? -1 : std::max(0.0, deadline - now());
        std::optional<KeyEvent> e = nextEvent(wait);
        if (!e) {
            if (backend_->resized()) {
                noticeResize();
                refresh();
                if (seconds && (forever || now() < deadline)) continue;
            }
            return 0;
        }
        if (key::isMouse(e->code) && e->row >= 0) {
            mouseRow_ = e->row;
            mouseCol_ = e->col;
        }
        if (!(mask::of(e->code) & m)) continue;
        int code = codeOf(*e);
        if (code == 0) continue;  // a character the code page cannot hold
        lastKey_ = code;
        return code;
    }
}

int Console::nextKey(std::optional<int> eventMask) {
    const int m = eventMask.value_or(eventMask_);
    for (;;) {
        if (!peeked_ && buffer_.empty()) {
            peeked_ = backend_->read(0);
            if (!peeked_) return 0;
            if (key::isMouse(peeked_->code) && peeked_->row >= 0) {
                mouseRow_ = peeked_->row;
                mouseCol_ = peeked_->col;
            }
        }
        const KeyEvent& e = peeked_ ? *peeked_ : buffer_.front();
        int code = codeOf(e);
        if ((mask::of(e.code) & m) && code != 0) return code;
        if (peeked_)
            peeked_.reset();
        else
            buffer_.pop_front();
    }
}

// --- the rest of the device ---

void Console::tone(double hz, double ticks) {
    refresh();
    backend_->tone(hz, std::max(0.0, ticks) / 18.2);
}

void Console::setTitle(std::string_view title) {
    title_ = title;
    std::string clean;
    for (char c : title) clean.push_back(static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
    backend_->setTitle(toUtf8(clean));
}

bool Console::setCodePages(std::string_view terminal, std::string_view host) {
    auto trim = [](std::string_view s) {
        std::string r;
        for (char c : s)
            if (c != ' ')
                r.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        return r;
    };
    std::string t = trim(terminal), h = trim(host);
    if (h.empty()) h = hostCp_;
    if (t.empty()) {
        if (!glyphsOf(h)) return false;
        termCp_.clear();
        hostCp_ = h;
        translation_ = Translation{identityMap(), identityMap()};
        applyGlyphs();
        refresh();
        return true;
    }
    auto tr = makeTranslation(t, h);
    if (!tr) return false;
    termCp_ = t;
    hostCp_ = h;
    translation_ = *tr;
    applyGlyphs();
    refresh();
    return true;
}

bool Console::setCodePagesFromEnvironment() {
    std::string terminal = envUpperTrimmed("H_TERMCP");
    if (terminal.empty()) return setCodePages("", "");
    return setCodePages(terminal, envUpperTrimmed("H_HOSTCP"));
}

std::string Console::toUtf8(std::string_view bytes) const { return term::toUtf8(bytes, glyphs_); }

}  // namespace xb::term
