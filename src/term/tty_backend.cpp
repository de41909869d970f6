#include "term/tty_backend.hpp"

#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <langinfo.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <thread>
#include <vector>

#include "runtime/error.hpp"
#include "term/terminfo.hpp"

namespace xb::term {

namespace {

// Classic colour number (bit 0 blue, 1 green, 2 red) to the ANSI one (bit 0 red, 2 blue).
constexpr int kAnsi[8] = {0, 4, 2, 6, 1, 5, 3, 7};

bool utf8Locale() {
    std::setlocale(LC_CTYPE, "");
    const char* cs = nl_langinfo(CODESET);
    return cs && (std::strcmp(cs, "UTF-8") == 0 || std::strcmp(cs, "utf8") == 0);
}

// What a glyph looks like on a terminal that cannot show it.
char asciiFallback(char32_t c) {
    if (c < 0x80) return static_cast<char>(c);
    if (c == 0x2500 || c == 0x2550) return '-';
    if (c == 0x2502 || c == 0x2551) return '|';
    if (c >= 0x2500 && c <= 0x257F) return '+';
    if (c >= 0x2580 && c <= 0x259F) return '#';
    return '?';
}

void appendInt(std::string& out, int v) {
    char buf[12];
    int n = 0;
    if (v == 0) buf[n++] = '0';
    while (v > 0) {
        buf[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
    while (n > 0) out.push_back(buf[--n]);
}

void appendCup(std::string& out, int row, int col) {
    out += "\x1b[";
    appendInt(out, row + 1);
    out.push_back(';');
    appendInt(out, col + 1);
    out.push_back('H');
}

double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// --- what the signal handlers and the exit hooks need to give the terminal back ---
struct RestoreState {
    volatile sig_atomic_t active = 0;
    int fd = -1;
    termios original{};
    char sequence[160] = {};
    std::size_t length = 0;
};
RestoreState g_restore;
volatile sig_atomic_t g_winch = 0;
bool g_hooksInstalled = false;
std::terminate_handler g_previousTerminate = nullptr;

void restoreNow() noexcept {
    if (!g_restore.active) return;
    g_restore.active = 0;
    ssize_t w = ::write(g_restore.fd, g_restore.sequence, g_restore.length);
    (void)w;
    ::tcsetattr(g_restore.fd, TCSAFLUSH, &g_restore.original);
}

void onFatalSignal(int sig) {
    restoreNow();
    // The handler was installed with SA_RESETHAND: the default action (end, core) follows.
    ::raise(sig);
}

void onWinch(int) { g_winch = 1; }

void installHooks() {
    if (g_hooksInstalled) return;
    g_hooksInstalled = true;
    struct sigaction sa {};
    sa.sa_handler = onFatalSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND;
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGSEGV, SIGQUIT, SIGABRT, SIGBUS, SIGFPE})
        ::sigaction(sig, &sa, nullptr);
    struct sigaction wa {};
    wa.sa_handler = onWinch;
    sigemptyset(&wa.sa_mask);
    wa.sa_flags = 0;  // no SA_RESTART: a resize interrupts the wait for input
    ::sigaction(SIGWINCH, &wa, nullptr);
    std::atexit(restoreNow);
    g_previousTerminate = std::set_terminate([] {
        restoreNow();
        if (g_previousTerminate) g_previousTerminate();
        std::abort();
    });
}

}  // namespace

// --- the renderer ---

struct Renderer::Impl {
    int rows = 0;
    int cols = 0;
    bool clearFirst = true;
    std::vector<std::uint32_t> shadow;  // attr << 8 | ch; kUnknown = not known
    static constexpr std::uint32_t kUnknown = 0xFFFFFFFFu;
    std::array<std::string, 256> glyph;
    std::array<std::string, 256> sgr;
    int colours = 256;
    bool utf8 = true;
    std::string cursorShapeSeq[5];  // empty when the terminal cannot change the shape
    // The terminal's state as far as we know it.
    int termRow = -1, termCol = -1;
    int termAttr = -1;
    bool cursorVisible = true;
    int shapeSent = -1;

    void buildSgr() {
        for (int a = 0; a < 256; ++a) {
            int fg = a & 0x0F, bg = (a >> 4) & 0x0F;
            std::string s = "\x1b[0";
            if (colours >= 16) {
                s += ';';
                appendInt(s, (fg & 8 ? 90 : 30) + kAnsi[fg & 7]);
                s += ';';
                appendInt(s, (bg & 8 ? 100 : 40) + kAnsi[bg & 7]);
            } else {
                if (fg & 8) s += ";1";
                s += ';';
                appendInt(s, 30 + kAnsi[fg & 7]);
                s += ';';
                appendInt(s, 40 + kAnsi[bg & 7]);
            }
            s += 'm';
            sgr[static_cast<std::size_t>(a)] = s;
        }
    }
};

Renderer::Renderer(int rows, int cols) : impl_(std::make_unique<Impl>()) {
    impl_->buildSgr();
    setGlyphs(kCp852);
    impl_->cursorShapeSeq[1] = "\x1b[0 q";
    impl_->cursorShapeSeq[2] = impl_->cursorShapeSeq[3] = impl_->cursorShapeSeq[4] = "\x1b[2 q";
    invalidate(rows, cols);
}

Renderer::~Renderer() = default;

void Renderer::setGlyphs(const GlyphTable& glyphs) {
    for (std::size_t b = 0; b < 256; ++b) {
        std::string s;
        if (impl_->utf8)
            appendUtf8(s, glyphs[b]);
        else
            s.push_back(asciiFallback(glyphs[b]));
        impl_->glyph[b] = s;
    }
    std::fill(impl_->shadow.begin(), impl_->shadow.end(), Impl::kUnknown);
}

void Renderer::invalidate(int rows, int cols) {
    impl_->rows = rows;
    impl_->cols = cols;
    impl_->shadow.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols),
                         Impl::kUnknown);
    impl_->clearFirst = true;
    impl_->termRow = impl_->termCol = -1;
    impl_->termAttr = -1;
    impl_->shapeSent = -1;
}

void Renderer::render(Screen& screen, std::string& out) {
    Impl& m = *impl_;
    if (screen.rows() != m.rows || screen.cols() != m.cols)
        invalidate(screen.rows(), screen.cols());
    if (m.clearFirst) {
        out += "\x1b[0m\x1b[H\x1b[2J";
        m.clearFirst = false;
        m.termAttr = -1;
        m.termRow = m.termCol = 0;
    }
    const auto& cells = screen.cells();
    for (int r = 0; r < m.rows; ++r) {
        std::size_t base = static_cast<std::size_t>(r) * static_cast<std::size_t>(m.cols);
        // Rows the screen did not touch still match, unless the shadow is unknown there.
        if (!screen.rowDirty(r) && m.shadow[base] != Impl::kUnknown) continue;
        for (int c = 0; c < m.cols; ++c) {
            const Cell& cell = cells[base + static_cast<std::size_t>(c)];
            std::uint32_t v = static_cast<std::uint32_t>(cell.attr) << 8 | cell.ch;
            std::uint32_t& sh = m.shadow[base + static_cast<std::size_t>(c)];
            if (sh == v) continue;
            sh = v;
            if (m.termRow != r || m.termCol != c) appendCup(out, r, c);
            if (m.termAttr != cell.attr) {
                out += m.sgr[cell.attr];
                m.termAttr = cell.attr;
            }
            out += m.glyph[cell.ch];
            m.termRow = r;
            m.termCol = c + 1;
        }
    }
    // The cursor.
    int shape = static_cast<int>(screen.cursorShape());
    bool visible = shape != 0 && screen.inside(screen.row(), screen.col());
    if (visible) {
        if (m.termRow != screen.row() || m.termCol != screen.col()) {
            appendCup(out, screen.row(), screen.col());
            m.termRow = screen.row();
            m.termCol = screen.col();
        }
        if (shape != m.shapeSent && shape >= 0 && shape < 5) {
            out += m.cursorShapeSeq[shape];
            m.shapeSent = shape;
        }
        if (!m.cursorVisible) out += "\x1b[?25h";
    } else if (m.cursorVisible) {
        out += "\x1b[?25l";
    }
    m.cursorVisible = visible;
    screen.clearDirty();
}

// --- the terminal backend ---

class TtyBackend final : public Backend {
public:
    TtyBackend(int fd, int rows, int cols, bool utf8) : fd_(fd), renderer_(rows, cols) {
        renderer_.impl_->utf8 = utf8;
        rows_ = rows;
        cols_ = cols;
    }
    ~TtyBackend() override { suspend(); }

    bool start(std::string& why);
    const char* name() const noexcept override { return "terminal"; }
    std::pair<int, int> size() override { return {rows_, cols_}; }
    bool resized() override;
    void setGlyphs(const GlyphTable& glyphs) override { renderer_.setGlyphs(glyphs); }
    void flush(Screen& screen) override;
    std::optional<KeyEvent> read(double seconds) override;
    bool mousePresent() const override { return mouse_; }
    bool leftButtonDown() const override { return left_; }
    bool rightButtonDown() const override { return right_; }
    void tone(double hz, double seconds) override;
    void setTitle(std::string_view utf8) override;
    void suspend() override;
    void resume() override;

private:
    void send(const std::string& s);
    bool querySize(int& rows, int& cols) const;
    void enterRaw();
    KeyEvent cook(KeyEvent e);

    int fd_;
    Renderer renderer_;
    int rows_ = 25, cols_ = 80;
    bool active_ = false;
    bool mouse_ = false;
    bool left_ = false, right_ = false;
    DecodeOptions decode_;
    std::string input_;
    std::string out_;
    termios original_{};
    termios raw_{};
    int lastRow_ = 0, lastCol_ = 0;  // cursor of the last flush
    // Double clicks: the last press of each button, its cell and time.
    int lastPressCode_ = 0, lastPressRow_ = -1, lastPressCol_ = -1;
    double lastPressTime_ = 0;
};

bool TtyBackend::querySize(int& rows, int& cols) const {
    winsize ws{};
    if (::ioctl(fd_, TIOCGWINSZ, &ws) != 0 || ws.ws_row == 0 || ws.ws_col == 0) return false;
    rows = ws.ws_row;
    cols = ws.ws_col;
    return true;
}

void TtyBackend::send(const std::string& s) {
    std::size_t done = 0;
    while (done < s.size()) {
        ssize_t n = ::write(fd_, s.data() + done, s.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;  // the terminal is gone; nothing sensible is left to do with output
        }
        done += static_cast<std::size_t>(n);
    }
}

bool TtyBackend::start(std::string& why) {
    if (::tcgetattr(fd_, &original_) != 0) {
        why = "cannot read the terminal settings";
        return false;
    }
    raw_ = original_;
    raw_.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                           ICRNL | IXON | IXOFF | IXANY);
    raw_.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    raw_.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    raw_.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
    raw_.c_cflag |= CS8;
    raw_.c_cc[VMIN] = 1;
    raw_.c_cc[VTIME] = 0;

    decode_.backspaceIsCtrlH = terminfo::str("kbs") == std::optional<std::string>("\b");
    int colours = terminfo::num("colors");
    renderer_.impl_->colours = colours > 0 ? colours : 8;
    renderer_.impl_->buildSgr();
    if (!terminfo::str("Ss")) {
        for (auto& s : renderer_.impl_->cursorShapeSeq) s.clear();
    }
    const char* mouseEnv = std::getenv("H_MOUSE");
    std::string m = mouseEnv ? mouseEnv : "";
    while (!m.empty() && m.back() == ' ') m.pop_back();
    for (char& c : m) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    mouse_ = m != "OFF";

    // What gives the terminal back, prepared now so that a signal handler only writes it.
    std::string restore = "\x1b[0m\x1b[?1006l\x1b[?1003l\x1b[?1000l\x1b[?25h";
    if (!renderer_.impl_->cursorShapeSeq[1].empty()) restore += "\x1b[0 q";
    std::memcpy(g_restore.sequence, restore.data(), restore.size());
    g_restore.length = restore.size();
    g_restore.fd = fd_;
    g_restore.original = original_;
    installHooks();

    // Scroll what the shell showed into the scroll-back instead of wiping it.
    std::string init(static_cast<std::size_t>(rows_), '\n');
    send("\r" + init);
    resume();
    return true;
}

void TtyBackend::enterRaw() {
    ::tcsetattr(fd_, TCSAFLUSH, &raw_);
    g_restore.active = 1;
}

void TtyBackend::resume() {
    if (active_) return;
    enterRaw();
    active_ = true;
    int r, c;
    if (querySize(r, c)) {
        rows_ = r;
        cols_ = c;
    }
    renderer_.invalidate(rows_, cols_);
    if (mouse_) send("\x1b[?1000h\x1b[?1003h\x1b[?1006h");
}

void TtyBackend::suspend() {
    if (!active_) return;
    active_ = false;
    std::string s(g_restore.sequence, g_restore.length);
    // Leave the cursor where the program's output ended, on a line of its own.
    int row = std::clamp(lastRow_, 0, rows_ - 1);
    int col = std::clamp(lastCol_, 0, cols_);
    appendCup(s, row, std::min(col, cols_ - 1));
    if (col > 0) s += "\r\n";
    send(s);
    g_restore.active = 0;
    ::tcsetattr(fd_, TCSAFLUSH, &original_);
}

bool TtyBackend::resized() {
    if (!g_winch) return false;
    g_winch = 0;
    int r, c;
    if (!querySize(r, c)) return false;
    rows_ = r;
    cols_ = c;
    renderer_.invalidate(r, c);
    return true;
}

void TtyBackend::flush(Screen& screen) {
    if (!active_) return;
    out_.clear();
    renderer_.render(screen, out_);
    lastRow_ = screen.row();
    lastCol_ = screen.col();
    if (!out_.empty()) send(out_);
}

KeyEvent TtyBackend::cook(KeyEvent e) {
    switch (e.code) {
        case key::kLeftDown:
        case key::kRightDown: {
            double t = now();
            bool dbl = e.code == lastPressCode_ && e.row == lastPressRow_ &&
                       e.col == lastPressCol_ && t - lastPressTime_ < 0.4;
            lastPressCode_ = dbl ? 0 : e.code;
            lastPressRow_ = e.row;
            lastPressCol_ = e.col;
            lastPressTime_ = t;
            if (e.code == key::kLeftDown) left_ = true;
            if (e.code == key::kRightDown) right_ = true;
            if (dbl) e.code = e.code == key::kLeftDown ? key::kLeftDouble : key::kRightDouble;
            break;
        }
        case key::kLeftUp:
            left_ = false;
            break;
        case key::kRightUp:
            right_ = false;
            break;
        default:
            break;
    }
    return e;
}

std::optional<KeyEvent> TtyBackend::read(double seconds) {
    constexpr double kEscDelay = 0.025;  // Esc alone: no further byte within 25 ms
    const double start = now();
    bool final = false;
    for (;;) {
        while (!input_.empty()) {
            DecodeResult r = decodeInput(input_, final, decode_);
            if (r.status == DecodeResult::Status::Incomplete) break;
            input_.erase(0, r.used);
            final = false;
            if (r.status == DecodeResult::Status::Event) return cook(r.event);
        }
        // Wait for input: a pending prefix only for the Esc delay.
        int timeoutMs;
        if (!input_.empty()) {
            timeoutMs = static_cast<int>(kEscDelay * 1000);
        } else if (seconds < 0) {
            timeoutMs = -1;
        } else {
            double left = seconds - (now() - start);
            if (left <= 0 && seconds > 0) return std::nullopt;
            timeoutMs = static_cast<int>(std::max(0.0, left) * 1000 + 0.5);
        }
        pollfd p{fd_, POLLIN, 0};
        int n = ::poll(&p, 1, timeoutMs);
        if (n < 0) {
            if (errno == EINTR) {
                if (g_winch) return std::nullopt;  // the console asks resized()
                continue;
            }
            throw rt::FatalStop{1, "The terminal cannot be read"};
        }
        if (n == 0) {
            if (!input_.empty()) {
                final = true;  // the sequence stays a prefix: decide it now
                continue;
            }
            return std::nullopt;
        }
        char buf[4096];
        ssize_t got = ::read(fd_, buf, sizeof buf);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            throw rt::FatalStop{1, "The terminal cannot be read"};
        }
        if (got == 0) throw rt::FatalStop{1, "The terminal was closed"};
        input_.append(buf, static_cast<std::size_t>(got));
    }
}

void TtyBackend::tone(double hz, double seconds) {
    if (hz > 0) send("\a");
    if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void TtyBackend::setTitle(std::string_view utf8) {
    std::string s = "\x1b]0;";
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x20) s.push_back(c);
    s += '\a';
    send(s);
}

std::unique_ptr<Backend> openTerminal(std::string& why) {
    const int fd = STDOUT_FILENO;
    if (!::isatty(STDIN_FILENO) || !::isatty(fd)) {
        why = "standard input and output are not a terminal";
        return nullptr;
    }
    if (!terminfo::setup(fd)) {
        why = "unknown terminal type (TERM)";
        return nullptr;
    }
    bool utf8 = utf8Locale();
    winsize ws{};
    int rows = 25, cols = 80;
    if (::ioctl(fd, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 && ws.ws_col > 0) {
        rows = ws.ws_row;
        cols = ws.ws_col;
    }
    auto tty = std::make_unique<TtyBackend>(fd, rows, cols, utf8);
    if (!tty->start(why)) return nullptr;
    return tty;
}

}  // namespace xb::term
