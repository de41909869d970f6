// The console functions that expressions and scripts call by name: cursor, output, colours,
// screen images, boxes, keys, mouse, tones, the console window services and the clipboard.
#include <algorithm>
#include <cctype>
#include <cmath>

#include "runtime/date.hpp"
#include "runtime/number.hpp"
#include "term/console.hpp"
#include "term/headless.hpp"

namespace xb::term {

namespace {

Console& con(rt::Frame& f) { return Console::of(f.runtime()); }

std::string dateText(rt::Runtime& rt, std::int32_t julian) {
    const std::string& fmt = rt.settings().dateFormat;
    rt::Ymd d = rt::ymdOf(julian);
    std::string out;
    for (std::size_t i = 0; i < fmt.size();) {
        auto run = [&](char c) {
            std::size_t n = 0;
            while (i + n < fmt.size() && std::tolower(static_cast<unsigned char>(fmt[i + n])) == c)
                ++n;
            return n;
        };
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(fmt[i])));
        std::size_t n = (c == 'y' || c == 'm' || c == 'd') ? run(c) : 0;
        if (n == 0) {
            out.push_back(fmt[i++]);
            continue;
        }
        int v = c == 'y' ? d.year : c == 'm' ? d.month : d.day;
        std::string digits = std::to_string(v);
        if (digits.size() < n) digits.insert(0, n - digits.size(), '0');
        digits = digits.substr(digits.size() - n);
        if (julian == 0) digits.assign(n, ' ');
        out += digits;
        i += n;
    }
    return out;
}

// How ? and DispOut() write a value.
std::string displayText(rt::Runtime& rt, const rt::Value& v) {
    using T = rt::Value::Type;
    switch (v.type()) {
        case T::Nil:
            return "NIL";
        case T::Character:
        case T::Memo:
            return v.str();
        case T::Number:
            return rt::formatNumber(v.num());
        case T::Date:
            return dateText(rt, v.julian());
        case T::Logical:
            return v.logical() ? ".T." : ".F.";
        case T::Array:
            return "{ ... }";
        case T::Hash:
            return "{ => }";
        case T::Block:
            return "{||...}";
        case T::Object:
            return "<object " + v.object().className() + ">";
    }
    return "";
}

int coord(const rt::Frame& f, int n, int def) {
    double d = f.numOr(n, def);
    return std::isfinite(d) ? static_cast<int>(std::clamp(d, -100000.0, 100000.0)) : def;
}

std::optional<std::uint8_t> colourArg(const rt::Frame& f, int n) {
    if (f.isNil(n)) return std::nullopt;
    return parseColour(f.str(n));
}

// ROW() / COL() / MAXROW() / MAXCOL() -> number
void fn_ROW(rt::Frame& f) { f.ret(rt::Value::integer(con(f).row())); }
void fn_COL(rt::Frame& f) { f.ret(rt::Value::integer(con(f).col())); }
void fn_MAXROW(rt::Frame& f) { f.ret(rt::Value::integer(con(f).maxRow())); }
void fn_MAXCOL(rt::Frame& f) { f.ret(rt::Value::integer(con(f).maxCol())); }

// SETPOS(row, col) / DEVPOS(row, col) -> NIL; a missing coordinate keeps the current one
void fn_SETPOS(rt::Frame& f) {
    Console& c = con(f);
    c.setPos(coord(f, 1, c.row()), coord(f, 2, c.col()));
}
void fn_DEVPOS(rt::Frame& f) { fn_SETPOS(f); }

// DISPOUT(value, colour) / DEVOUT(value, colour) -> NIL; writes at the cursor, no wrap
void fn_DISPOUT(rt::Frame& f) {
    Console& c = con(f);
    std::string text = displayText(f.runtime(), f.arg(1));
    auto a = colourArg(f, 2);
    c.dispOut(text, a.value_or(c.attr(kStandard)));
}
void fn_DEVOUT(rt::Frame& f) { fn_DISPOUT(f); }

void conOutArgs(rt::Frame& f) {
    Console& c = con(f);
    c.dispBegin();
    for (int i = 1; i <= f.argc(); ++i) {
        if (i > 1) c.conOut(" ");
        c.conOut(displayText(f.runtime(), f.arg(i)));
    }
    c.dispEnd();
}
// QOUT(values...) -> NIL: a new line, then the values separated by blanks
void fn_QOUT(rt::Frame& f) {
    con(f).newline();
    conOutArgs(f);
}
// QQOUT(values...) -> NIL: the values at the cursor
void fn_QQOUT(rt::Frame& f) { conOutArgs(f); }

// SETCOLOR(colours) -> the previous colour string
void fn_SETCOLOR(rt::Frame& f) {
    Console& c = con(f);
    if (f.isNil(1))
        f.ret(c.colourText());
    else
        f.ret(c.setColour(f.str(1)));
}

// SETCURSOR(shape) -> previous shape (0 none, 1 normal, 2 insert, 3, 4 special)
void fn_SETCURSOR(rt::Frame& f) {
    Console& c = con(f);
    int prev = static_cast<int>(c.screen().cursorShape());
    if (!f.isNil(1)) {
        long long s = f.intOr(1, prev);
        if (s >= 0 && s <= 4) c.setCursor(static_cast<CursorShape>(s));
    }
    f.ret(rt::Value::integer(prev));
}

// SAVESCREEN(top, left, bottom, right) -> image; RESTSCREEN(top, left, bottom, right, image)
void fn_SAVESCREEN(rt::Frame& f) {
    Console& c = con(f);
    f.ret(c.saveScreen(coord(f, 1, 0), coord(f, 2, 0), coord(f, 3, c.maxRow()),
                       coord(f, 4, c.maxCol())));
}
void fn_RESTSCREEN(rt::Frame& f) {
    Console& c = con(f);
    if (f.isNil(5)) return;
    c.restScreen(coord(f, 1, 0), coord(f, 2, 0), coord(f, 3, c.maxRow()), coord(f, 4, c.maxCol()),
                 f.str(5));
}

// DISPBOX(top, left, bottom, right, box string or 1/2, colour) -> NIL
void fn_DISPBOX(rt::Frame& f) {
    Console& c = con(f);
    std::string frame(kBoxSingle);
    const rt::Value& b = f.arg(5);
    if (b.isString() && !b.str().empty())
        frame = b.str();
    else if (b.isNumber() && b.numVal() == 2)
        frame = kBoxDouble;
    c.box(coord(f, 1, 0), coord(f, 2, 0), coord(f, 3, 0), coord(f, 4, 0), frame, colourArg(f, 6));
}

// DISPBEGIN() / DISPEND() -> NIL; DISPCOUNT() -> open DispBegin() calls
void fn_DISPBEGIN(rt::Frame& f) { con(f).dispBegin(); }
void fn_DISPEND(rt::Frame& f) { con(f).dispEnd(); }
void fn_DISPCOUNT(rt::Frame& f) { f.ret(rt::Value::integer(con(f).dispCount())); }

// SCROLL(top, left, bottom, right, rows, cols) -> NIL; without shifts it clears
void fn_SCROLL(rt::Frame& f) {
    Console& c = con(f);
    c.scroll(coord(f, 1, 0), coord(f, 2, 0), coord(f, 3, c.maxRow()), coord(f, 4, c.maxCol()),
             coord(f, 5, 0), coord(f, 6, 0));
}

// INKEY(seconds, mask) -> key code: no seconds = do not wait, 0 = without limit
void fn_INKEY(rt::Frame& f) {
    std::optional<double> secs;
    if (!f.isNil(1)) secs = f.numOr(1, 0);
    std::optional<int> m;
    if (!f.isNil(2)) m = static_cast<int>(f.intOr(2, mask::kAll));
    f.ret(rt::Value::integer(con(f).inkey(secs, m)));
}
// NEXTKEY(mask) -> the waiting key without taking it; LASTKEY() -> the last key read
void fn_NEXTKEY(rt::Frame& f) {
    std::optional<int> m;
    if (!f.isNil(1)) m = static_cast<int>(f.intOr(1, mask::kAll));
    f.ret(rt::Value::integer(con(f).nextKey(m)));
}
void fn_LASTKEY(rt::Frame& f) { f.ret(rt::Value::integer(con(f).lastKey())); }

// __KEYBOARD(keys) -> NIL: empties the keyboard buffer and stuffs the keys: a string's
// bytes, a key code, or an array of both; without argument it only empties the buffer.
void stuff(Console& c, const rt::Value& v) {
    if (v.isString()) {
        for (char ch : v.str()) c.pushKey(static_cast<unsigned char>(ch));
    } else if (v.isNumber()) {
        if (v.numVal() != 0) c.pushKey(static_cast<int>(v.numVal()));
    } else if (v.isArray()) {
        for (const rt::Value& item : v.array().items) stuff(c, item);
    }
}
void fn___KEYBOARD(rt::Frame& f) {
    Console& c = con(f);
    c.clearKeys();
    stuff(c, f.arg(1));
}

// TONE(frequency, duration in 1/18.2 s) -> NIL
void fn_TONE(rt::Frame& f) { con(f).tone(f.numOr(1, 0), f.numOr(2, 1)); }

// MROW() / MCOL() -> the mouse pointer's cell; MPRESENT(), MLEFTDOWN(), MRIGHTDOWN()
void fn_MROW(rt::Frame& f) { f.ret(rt::Value::integer(con(f).mouseRow())); }
void fn_MCOL(rt::Frame& f) { f.ret(rt::Value::integer(con(f).mouseCol())); }
void fn_MPRESENT(rt::Frame& f) { f.ret(con(f).mousePresent()); }
void fn_MLEFTDOWN(rt::Frame& f) { f.ret(con(f).mouseLeftDown()); }
void fn_MRIGHTDOWN(rt::Frame& f) { f.ret(con(f).mouseRightDown()); }

// SETMODE(rows, cols) -> .T. when the console has that size afterwards. A terminal's size
// belongs to the terminal: only the headless console really changes.
void fn_SETMODE(rt::Frame& f);

// --- console window services ---

// SETCONSOLETITLE(title) -> .T.: the terminal's title sequence
void fn_SETCONSOLETITLE(rt::Frame& f) {
    con(f).setTitle(f.strOr(1, ""));
    f.ret(true);
}
// DELCLOSEMENU() -> .F.: a terminal has no close item to remove
void fn_DELCLOSEMENU(rt::Frame& f) { f.ret(false); }
// H_READCONSOLESIZE() -> {columns, rows} of the terminal
void fn_H_READCONSOLESIZE(rt::Frame& f) {
    auto [rows, cols] = con(f).backend().size();
    f.ret(rt::Value::newArray({rt::Value::integer(cols), rt::Value::integer(rows)}));
}
// GETCONSOLEFONT() -> {0, {0, 0}, 0, 0, ""}: a terminal does not tell its font
void fn_GETCONSOLEFONT(rt::Frame& f) {
    f.ret(rt::Value::newArray({rt::Value::integer(0),
                               rt::Value::newArray({rt::Value::integer(0), rt::Value::integer(0)}),
                               rt::Value::integer(0), rt::Value::integer(0), rt::Value("")}));
}
// SETCONSOLEFONT(font) -> NIL: the terminal's font is not ours to set
void fn_SETCONSOLEFONT(rt::Frame&) {}
// H_IDLE(phase) -> .F.: the idle hook around timed waits does nothing
void fn_H_IDLE(rt::Frame& f) { f.ret(false); }

// GETCLIPBOARD() -> text; SETCLIPBOARD(text) -> .T. (kept inside the process)
void fn_GETCLIPBOARD(rt::Frame& f) { f.ret(con(f).clipboard()); }
void fn_SETCLIPBOARD(rt::Frame& f) {
    con(f).setClipboard(f.strOr(1, ""));
    f.ret(true);
}

void fn_SETMODE(rt::Frame& f) {
    Console& c = con(f);
    int rows = coord(f, 1, c.screen().rows());
    int cols = coord(f, 2, c.screen().cols());
    if (auto* h = c.headless(); h && rows > 0 && cols > 0) {
        h->resize(rows, cols);
        c.refresh();
    }
    f.ret(c.screen().rows() == rows && c.screen().cols() == cols);
}

}  // namespace

extern const rt::Builtin kConsoleBuiltins[] = {
    {"ROW", fn_ROW},
    {"COL", fn_COL},
    {"MAXROW", fn_MAXROW},
    {"MAXCOL", fn_MAXCOL},
    {"SETPOS", fn_SETPOS},
    {"DEVPOS", fn_DEVPOS},
    {"DEVOUT", fn_DEVOUT},
    {"DISPOUT", fn_DISPOUT},
    {"QOUT", fn_QOUT},
    {"QQOUT", fn_QQOUT},
    {"SETCOLOR", fn_SETCOLOR},
    {"SETCURSOR", fn_SETCURSOR},
    {"SAVESCREEN", fn_SAVESCREEN},
    {"RESTSCREEN", fn_RESTSCREEN},
    {"DISPBOX", fn_DISPBOX},
    {"DISPBEGIN", fn_DISPBEGIN},
    {"DISPEND", fn_DISPEND},
    {"DISPCOUNT", fn_DISPCOUNT},
    {"SCROLL", fn_SCROLL},
    {"INKEY", fn_INKEY},
    {"NEXTKEY", fn_NEXTKEY},
    {"LASTKEY", fn_LASTKEY},
    {"__KEYBOARD", fn___KEYBOARD},
    {"TONE", fn_TONE},
    {"MROW", fn_MROW},
    {"MCOL", fn_MCOL},
    {"MPRESENT", fn_MPRESENT},
    {"MLEFTDOWN", fn_MLEFTDOWN},
    {"MRIGHTDOWN", fn_MRIGHTDOWN},
    {"SETMODE", fn_SETMODE},
    {"SETCONSOLETITLE", fn_SETCONSOLETITLE},
    {"DELCLOSEMENU", fn_DELCLOSEMENU},
    {"H_READCONSOLESIZE", fn_H_READCONSOLESIZE},
    {"GETCONSOLEFONT", fn_GETCONSOLEFONT},
    {"SETCONSOLEFONT", fn_SETCONSOLEFONT},
    {"H_IDLE", fn_H_IDLE},
    {"GETCLIPBOARD", fn_GETCLIPBOARD},
    {"SETCLIPBOARD", fn_SETCLIPBOARD},
};

void registerConsole(rt::Runtime& rt) { rt.registerBuiltins(kConsoleBuiltins); }

}  // namespace xb::term
