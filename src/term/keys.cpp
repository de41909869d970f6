#include "term/keys.hpp"

#include <array>
#include <optional>
#include <vector>

#include "term/codepage.hpp"

namespace xb::term {

namespace key {

int functionKey(int n, bool shift, bool ctrl, bool alt) noexcept {
    if (n < 1 || n > 12) return 0;
    if (n <= 10) {
        if (alt) return -(29 + n);
        if (ctrl) return -(19 + n);
        if (shift) return -(9 + n);
        return n == 1 ? kF1 : -(n - 1);
    }
    int i = n - 11;  // 0 for F11, 1 for F12
    if (alt) return -46 - i;
    if (ctrl) return -44 - i;
    if (shift) return -42 - i;
    return -40 - i;
}

int altKey(char c) noexcept {
    // PC scan codes of the letters A..Z; Alt-letter is 256 + scan code.
    static constexpr std::array<int, 26> kScan = {
        0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
        0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    if (c >= 'a' && c <= 'z') return 256 + kScan[static_cast<std::size_t>(c - 'a')];
    if (c >= 'A' && c <= 'Z') return 256 + kScan[static_cast<std::size_t>(c - 'A')];
    if (c >= '1' && c <= '9') return 376 + (c - '1');
    if (c == '0') return 385;
    if (c == '-') return 386;
    if (c == '=') return 387;
    return 0;
}

}  // namespace key

namespace mask {
int of(int code) noexcept {
    switch (code) {
        case key::kMouseMove:
        case key::kMoveLeftDown:
        case key::kMoveRightDown:
        case key::kMoveMiddleDown:
            return kMove;
        case key::kLeftDown:
        case key::kLeftDouble:
            return kLeftDown;
        case key::kLeftUp:
            return kLeftUp;
        case key::kRightDown:
        case key::kRightDouble:
            return kRightDown;
        case key::kRightUp:
            return kRightUp;
        case key::kMiddleDown:
        case key::kMiddleUp:
        case key::kMiddleDouble:
            return kMiddle;
        case key::kWheelForward:
        case key::kWheelBackward:
            return kWheel;
        default:
            return kKeyboard;
    }
}
}  // namespace mask

namespace {

using Status = DecodeResult::Status;

DecodeResult event(std::size_t used, int code) {
    return DecodeResult{Status::Event, used, KeyEvent{code}};
}
DecodeResult skip(std::size_t used) { return DecodeResult{Status::Skip, used, {}}; }
DecodeResult incomplete() { return DecodeResult{Status::Incomplete, 0, {}}; }

struct Mods {
    bool shift = false, alt = false, ctrl = false;
};
// xterm modifier parameter: 1 + (1 shift, 2 alt, 4 ctrl, 8 meta).
Mods modsOf(int m) {
    Mods r;
    if (m > 1) {
        int bits = m - 1;
        r.shift = bits & 1;
        r.alt = (bits & 2) || (bits & 8);
        r.ctrl = bits & 4;
    }
    return r;
}

enum class Nav { Up, Down, Left, Right, Home, End, PgUp, PgDn, Ins, Del };

int navKey(Nav k, Mods m) {
    struct Row {
        int plain, ctrl, alt;
    };
    static constexpr Row kRows[] = {
        {key::kUp, key::kCtrlUp, key::kAltUp},       {key::kDown, key::kCtrlDown, key::kAltDown},
        {key::kLeft, key::kCtrlLeft, key::kAltLeft}, {key::kRight, key::kCtrlRight, key::kAltRight},
        {key::kHome, key::kCtrlHome, key::kAltHome}, {key::kEnd, key::kCtrlEnd, key::kAltEnd},
        {key::kPgUp, key::kCtrlPgUp, key::kAltPgUp}, {key::kPgDn, key::kCtrlPgDn, key::kAltPgDn},
        {key::kIns, key::kCtrlIns, key::kAltIns},    {key::kDel, key::kCtrlDel, key::kAltDel},
    };
    const Row& r = kRows[static_cast<int>(k)];
    if (m.ctrl) return r.ctrl;
    if (m.alt) return r.alt;
    return r.plain;
}

// The final bytes CSI and SS3 sequences share: the arrows, Home and End (A-D, H, F) and
// F1-F4 (P-S), with the modifiers.
std::optional<int> letterKey(char fin, Mods m) {
    switch (fin) {
        case 'A':
            return navKey(Nav::Up, m);
        case 'B':
            return navKey(Nav::Down, m);
        case 'C':
            return navKey(Nav::Right, m);
        case 'D':
            return navKey(Nav::Left, m);
        case 'H':
            return navKey(Nav::Home, m);
        case 'F':
            return navKey(Nav::End, m);
        case 'P':
        case 'Q':
        case 'R':
        case 'S':
            return key::functionKey(fin - 'P' + 1, m.shift, m.ctrl, m.alt);
        default:
            return std::nullopt;
    }
}

// A key given by its character code and modifiers (CSI u and modifyOtherKeys reports).
int codeWithMods(int ch, Mods m) {
    if (ch == 27) return m.alt ? key::kAltEsc : key::kEsc;
    if (ch == 13) return m.alt ? key::kAltEnter : (m.ctrl ? key::kCtrlEnter : key::kEnter);
    if (ch == 9) {
        if (m.ctrl) return key::kCtrlTab;
        if (m.alt) return key::kAltTab;
        return m.shift ? key::kShiftTab : key::kTab;
    }
    if (ch == 127 || ch == 8) {
        if (m.alt) return key::kAltBackspace;
        return m.ctrl ? key::kCtrlBackspace : key::kBackspace;
    }
    if (ch > 0 && ch < 128) {
        char c = static_cast<char>(ch);
        if (m.alt) {
            int a = key::altKey(c);
            if (a) return a;
        }
        if (m.ctrl && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '@' ||
                       (c >= '[' && c <= '_')))
            return key::kCtrlBase + (c & 0x1F);
        return ch;
    }
    return 0;
}

// Mouse report: button byte b (SGR numbering), 1-based x and y, press or release.
DecodeResult mouseEvent(std::size_t used, int b, int x, int y, bool release) {
    int code;
    if (b & 64) {
        code = (b & 1) ? key::kWheelBackward : key::kWheelForward;
    } else if (b & 32) {
        code = key::kMouseMove;
    } else {
        int button = b & 3;
        if (release) {
            code = button == 2 ? key::kRightUp : button == 1 ? key::kMiddleUp : key::kLeftUp;
        } else {
            code = button == 2   ? key::kRightDown
                   : button == 1 ? key::kMiddleDown
                   : button == 0 ? key::kLeftDown
                                 : key::kLeftUp;  // X10 "release" of an unknown button
        }
    }
    DecodeResult r = event(used, code);
    r.event.row = y - 1;
    r.event.col = x - 1;
    return r;
}

DecodeResult decodeCsi(std::string_view s, bool final) {
    // s starts with ESC [
    constexpr std::size_t kMaxCsi = 40;
    if (s.size() >= 3 && s[2] == 'M') {  // X10 mouse: ESC [ M b x y, each + 32
        if (s.size() < 6) return final ? skip(s.size()) : incomplete();
        int b = static_cast<unsigned char>(s[3]) - 32;
        int x = static_cast<unsigned char>(s[4]) - 32;
        int y = static_cast<unsigned char>(s[5]) - 32;
        return mouseEvent(6, b, x, y, (b & 3) == 3 && !(b & 64) && !(b & 32));
    }
    if (s.size() >= 3 && s[2] == '[') {  // Linux console F1-F5: ESC [ [ A..E
        if (s.size() < 4) return final ? skip(3) : incomplete();
        char c = s[3];
        if (c >= 'A' && c <= 'E')
            return event(4, key::functionKey(c - 'A' + 1, false, false, false));
        return skip(4);
    }
    std::size_t i = 2;
    char prefix = 0;
    if (i < s.size() && (s[i] == '<' || s[i] == '?' || s[i] == '>' || s[i] == '=')) prefix = s[i++];
    std::vector<int> params;
    int cur = -1;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c >= '0' && c <= '9') {
            cur = (cur < 0 ? 0 : cur) * 10 + (c - '0');
            if (cur > 100000) cur = 100000;
        } else if (c == ';' || c == ':') {
            params.push_back(cur);
            cur = -1;
        } else if (c >= 0x20 && c <= 0x2F) {
            // intermediate bytes: ignored
        } else if (c >= 0x40 && c <= 0x7E) {
            break;
        } else {
            return skip(i);  // malformed: drop what was read
        }
    }
    if (i >= s.size()) {
        if (s.size() > kMaxCsi) return skip(s.size());
        return final ? skip(s.size()) : incomplete();
    }
    params.push_back(cur);
    const std::size_t used = i + 1;
    const char fin = s[i];
    auto param = [&](std::size_t n, int def) {
        return n < params.size() && params[n] >= 0 ? params[n] : def;
    };
    if (prefix == '<') {
        if (fin != 'M' && fin != 'm') return skip(used);
        return mouseEvent(used, param(0, 0), param(1, 1), param(2, 1), fin == 'm');
    }
    if (prefix) return skip(used);
    Mods m = modsOf(param(1, 1));
    if (auto k = letterKey(fin, m)) return event(used, *k);
    switch (fin) {
        case 'Z':
            return event(used, key::kShiftTab);
        case 'u': {
            int code = codeWithMods(param(0, 0), m);
            return code ? event(used, code) : skip(used);
        }
        case '~':
            break;
        default:
            return skip(used);
    }
    int n = param(0, 0);
    switch (n) {
        case 1:
        case 7:
            return event(used, navKey(Nav::Home, m));
        case 2:
            return event(used, navKey(Nav::Ins, m));
        case 3:
            return event(used, navKey(Nav::Del, m));
        case 4:
        case 8:
            return event(used, navKey(Nav::End, m));
        case 5:
            return event(used, navKey(Nav::PgUp, m));
        case 6:
            return event(used, navKey(Nav::PgDn, m));
        case 27: {  // modifyOtherKeys: ESC [ 27 ; mods ; code ~
            int code = codeWithMods(param(2, 0), m);
            return code ? event(used, code) : skip(used);
        }
        default:
            break;
    }
    static constexpr std::array<int, 14> kFkeys = {11, 12, 13, 14, 15, 17, 18,
                                                   19, 20, 21, 23, 24, 0,  0};
    for (int f = 0; f < 12; ++f)
        if (kFkeys[static_cast<std::size_t>(f)] == n)
            return event(used, key::functionKey(f + 1, m.shift, m.ctrl, m.alt));
    return skip(used);
}

DecodeResult decodeSs3(std::string_view s, bool final) {
    // s starts with ESC O; an optional modifier digit may precede the final byte.
    std::size_t i = 2;
    int mod = 1;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') mod = s[i++] - '0';
    if (i >= s.size()) {
        if (final) {
            if (s.size() == 2) return event(2, key::altKey('O'));
            return skip(s.size());
        }
        return incomplete();
    }
    Mods m = modsOf(mod);
    const std::size_t used = i + 1;
    if (auto k = letterKey(s[i], m)) return event(used, *k);
    if (s[i] == 'M') return event(used, key::kEnter);  // keypad Enter
    return skip(used);
}

// A single byte or UTF-8 character that is not an escape sequence.
DecodeResult decodePlain(std::string_view s, bool final, const DecodeOptions& opt) {
    auto b = static_cast<unsigned char>(s[0]);
    if (b == 0x7F) return event(1, opt.backspaceIsCtrlH ? key::kCtrlBackspace : key::kBackspace);
    if (b == 0x08) return event(1, opt.backspaceIsCtrlH ? key::kBackspace : key::kCtrlBase + 8);
    if (b == 0x09) return event(1, key::kTab);
    if (b == 0x0D) return event(1, key::kEnter);
    if (b < 0x20) return event(1, key::kCtrlBase + b);
    if (b < 0x80) return event(1, b);
    char32_t c = 0;
    std::size_t n = decodeUtf8(s, c);
    if (n == 0) return final ? skip(s.size()) : incomplete();
    DecodeResult r = event(n, 0);
    r.event.ch = c;
    return r;
}

}  // namespace

DecodeResult decodeInput(std::string_view s, bool final, const DecodeOptions& opt) {
    if (s.empty()) return incomplete();
    if (s[0] != '\x1B') return decodePlain(s, final, opt);
    if (s.size() == 1) return final ? event(1, key::kEsc) : incomplete();
    switch (s[1]) {
        case '[':
            return decodeCsi(s, final);
        case 'O':
            return decodeSs3(s, final);
        case '\x1B':
            return event(1, key::kEsc);  // Esc pressed twice: one at a time
        default:
            break;
    }
    // Esc + key: Alt with that key.
    DecodeResult inner = decodePlain(s.substr(1), final, opt);
    if (inner.status != Status::Event) {
        if (inner.status == Status::Incomplete) return inner;
        return skip(1 + inner.used);
    }
    inner.used += 1;
    const int c = inner.event.code;
    if (c == key::kEnter) {
        inner.event.code = key::kAltEnter;
    } else if (c == key::kTab) {
        inner.event.code = key::kAltTab;
    } else if (c == key::kBackspace || c == key::kCtrlBackspace || c == key::kCtrlBase + 8) {
        inner.event.code = key::kAltBackspace;
    } else if (c > 0 && c < 128) {
        int a = key::altKey(static_cast<char>(c));
        if (a) inner.event.code = a;
    }
    return inner;
}

}  // namespace xb::term
