// HOPT: options dialog, retry question and alert box.
#include "framework/ui/hopt.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "framework/ui/console.hpp"
#include "framework/ui/hmes.hpp"
#include "framework/ui/screen.hpp"
#include "framework/ui/userintf.hpp"
#include "framework/ui/window_kit.hpp"
#include "term/screen.hpp"

namespace xb::fw::ui {

using rt::Value;

namespace {

std::vector<std::string> linesOf(const Value& win) {
    return strings(item(slot(win, Slot::Items), 0));
}
std::vector<std::string> buttonsOf(const Value& win) {
    return strings(item(slot(win, Slot::Items), 1));
}

void layoutOptions(rt::Runtime& rt, const Value& win) {
    auto lines = linesOf(win);
    auto buttons = buttonsOf(win);
    int nb = static_cast<int>(buttons.size());
    setStateChoice(win, std::clamp(stateChoice(win), 1, std::max(nb, 1)));
    const Value& title = slot(win, Slot::Title);
    bool titled = !title.isNil();
    int height = 1 + (titled ? 2 : 0) + static_cast<int>(lines.size()) + 3 + 1;
    int top =
        slot(win, Slot::Top).isNumber() ? slotInt(win, Slot::Top) : (con::maxRow(rt) - height) / 2;
    int widest = title.isString() ? static_cast<int>(title.str().size()) : 0;
    for (const auto& l : lines) widest = std::max(widest, static_cast<int>(l.size()));
    int buttonsWidth = -2;
    for (const auto& b : buttons) buttonsWidth += static_cast<int>(b.size()) + 2;
    widest = std::max(widest, buttonsWidth);
    int width = std::min(widest + 4, con::maxCol(rt) + 1);
    int left =
        slot(win, Slot::Left).isNumber() ? slotInt(win, Slot::Left) : (con::maxCol(rt) - width) / 2;
    setSlotInt(win, Slot::Top, top);
    setSlotInt(win, Slot::Bottom, top + height - 1);
    setSlotInt(win, Slot::Left, left);
    setSlotInt(win, Slot::Right, left + width - 1);
}

void drawButton(rt::Runtime& rt, const Value& win, int n, bool selected) {
    auto buttons = buttonsOf(win);
    const Value& w14 = slot(win, Slot::Work);
    const Value& cols = item(w14, 1);
    if (n < 1 || n > static_cast<int>(buttons.size()) || !cols.isArray()) return;
    int old = setColorIndex(rt, selected ? colour::kSelected : colour::kNormal);
    con::write(rt, intOf(item(w14, 0), 0), intOf(item(cols, static_cast<std::size_t>(n - 1)), 0),
               buttons[static_cast<std::size_t>(n - 1)]);
    setColorIndex(rt, old);
}

void drawOptions(rt::Runtime& rt, const Value& win) {
    setColorIndex(rt, colour::kNormal);
    auto lines = linesOf(win);
    auto buttons = buttonsOf(win);
    int left = slotInt(win, Slot::Left), right = slotInt(win, Slot::Right);
    int width = right - left + 1;
    int row = slotInt(win, Slot::OriginRow);
    for (const auto& l : lines) con::write(rt, row++, left + 2, padRight(l, right - left - 3));
    slot(win, Slot::MouseZones) = Value::newArray();
    addCloseZone(rt, win);
    int buttonRow = row + 1;
    int total = -2;
    for (const auto& b : buttons) total += static_cast<int>(b.size()) + 2;
    int pos = left + ((width - 4) - total) / 2;
    int chosen = stateChoice(win);
    Value cols = Value::newArray();
    Value& zones = zonesOf(win);
    for (int i = 1; i <= static_cast<int>(buttons.size()); ++i) {
        const std::string& b = buttons[static_cast<std::size_t>(i - 1)];
        int col = pos + 2;
        int old = setColorIndex(rt, i == chosen ? colour::kSelected : colour::kNormal);
        con::write(rt, buttonRow, col, b);
        setColorIndex(rt, old);
        int end = col + static_cast<int>(b.size()) - 1;
        zones.array().items.push_back(
            Value::newArray({Value("M"), num(buttonRow - 1), num(col), num(buttonRow + 1), num(end),
                             num(i), Value(true)}));
        cols.array().items.push_back(num(col));
        pos = end + 1;
    }
    slot(win, Slot::Work) = Value::newArray({num(buttonRow), cols});
    if (mousePresent(rt))
        bld24MZones(rt, zones,
                    Value::newArray({Value::newArray({Value("?"), Value("Help")}),
                                     Value::newArray({Value("f"), Value("Fx")}),
                                     Value::newArray({Value("x"), Value("Esc")})}));
    slot(win, Slot::MessageLine) = Value("Shift F1-ajutor, ENTER-acceptare, ESC-abandon");
}

Value runOptions(rt::Runtime& rt, const Value& win) {
    rt::PrivateScope scope(rt);
    if (!hasKind(win, 'K')) rt.declarePrivate(rt.intern("H_DOCOPEL"), Value("wopt"));
    int nb = static_cast<int>(buttonsOf(win).size());
    con::clearTypeahead(rt);
    int sel = std::clamp(stateChoice(win), 1, std::max(nb, 1));
    bool hover = false;
    Value result;
    for (bool done = false; !done;) {
        int k;
        const Value& hand = slot(win, Slot::MouseHandOver);
        if (hand.isString() && hand.str() == "A" && mzone(rt, win, "")) {
            k = slotInt(win, Slot::LastKey, 0);
        } else {
            k = inkey(rt, 0.0);
        }
        slot(win, Slot::MouseHandOver) = Value("");
        bool click = k == key::kLeftDown || k == key::kLeftDouble;
        auto hit = mEvent(k) ? mzone(rt, win, "") : std::nullopt;
        int next = sel;
        Value entry;
        if (k == key::kMouseMove && hit && hit->id == "M") {
            next = intOf(hit->value, sel);
        } else if (k == key::kLeftUp || k == key::kRightUp) {
        } else if (k == key::kLeft) {
            next = sel <= 1 ? nb : sel - 1;
        } else if (k == key::kRight) {
            next = sel >= nb ? 1 : sel + 1;
        } else if (k == key::kEnd) {
            next = nb;
        } else if (k == key::kHome) {
            next = 1;
        } else if (click && hit && hit->id == "M") {
            next = intOf(hit->value, sel);
            slot(win, Slot::MouseHandOver) = Value("E");
            result = Value(true);
            done = true;
        } else if (click && hit && (hit->id == "X" || hit->id == "x")) {
            result = Value(false);
            done = true;
        } else if (click && hit && hit->id == "f") {
            fx(rt, win);
        } else if (click && hit && hit->id == "?") {
            optionsHelp(rt, win);
        } else if (isExitKey(rt, win, k, &entry) && (!mEvent(k) || mmWin(rt, Value(), win) > 0)) {
            result = exitKeyValue(rt, entry);
            done = true;
        } else if (k == key::kMouseMove) {
            hoverFeedback(rt, win, hover);
        } else {
            beepKey(rt, false);
        }
        if (nb > 0 && next != sel) {
            drawButton(rt, win, sel, false);
            drawButton(rt, win, next, true);
            sel = next;
        }
        setStateChoice(win, sel);
    }
    return result;
}

}  // namespace

void optionsHelp(rt::Runtime& rt, const Value& given) {
    Value win = given.isNil() ? activeWindow(rt) : given;
    Value nav = Value::newArray(
        {Value(" "), Value(std::string("\x1B") + "          - Cu o optiune la stinga"),
         Value(std::string("\x1A") + "          - Cu o optiune la dreapta"),
         Value("Home       - Prima optiune"), Value("End        - Ultima optiune"), Value(" "),
         Value("Enter      - Acceptare optiune"), Value(" ")});
    Value navPage = newMessage(rt, Value("O"), Value(), Value(), Value(), Value(),
                               Value("Taste de navigare"), Value("HELP"), nav);
    setFuncKey(rt, navPage, newKey(key::kShiftF1, "", Value()));
    Value pages = Value::newArray({hlpExitKeys(rt, win), navPage, hlpFuncKeys(rt, win)});
    pMessages(rt, pages, state(rt).optionsHelpLast);
}

Value newOptions(rt::Runtime& rt, const Value& kind, const Value& top, const Value& left,
                 const Value& title, const Value& palette, const Value& items, const Value& st) {
    std::string k = kind.isString() ? kind.str() : "";
    if (k.find('o') == std::string::npos) k += 'o';
    Value win =
        newWindow(rt, Value(k), top, left, Value(), Value(), title, palette,
                  items.isArray() ? items : Value::newArray({Value::newArray(), Value::newArray()}),
                  st.isArray() ? st : Value::newArray({num(1)}),
                  Value(rt::nativeBlock([](rt::Runtime& r, std::span<const Value> a) {
                      return runOptions(r, a[0]);
                  })));
    setFuncKey(rt, win,
               newKey(key::kShiftF1, "Shift F1   - Ajutor documentatie si taste",
                      Value(rt::nativeBlock([](rt::Runtime& r, std::span<const Value>) {
                          optionsHelp(r, Value());
                          return Value();
                      }))));
    setExitKey(rt, win, newKey(key::kEsc, "Esc        - Abandonare", falseBlock()));
    setExitKey(rt, win,
               newKey(key::kEnter, "Enter      - Terminare cu acceptare optiune", trueBlock()));
    setLayoutAndDraw(win, layoutOptions, drawOptions);
    return win;
}

// --- retry question and alert box ---

bool frameworkStarted(rt::Runtime& rt) {
    if (rt.findFunction("H_TRELSTARTED") < 0) return false;
    Value v = rt.call("H_TRELSTARTED", std::initializer_list<Value>{});
    return v.isLogical() && v.logical();
}

bool retryQuestion(rt::Runtime& rt, std::string_view text) {
    if (!frameworkStarted(rt))
        return alertBox(rt, {"", std::string(text), ""}, {" Reluare ", " Abandon "}, "w+/n") == 1;
    Value dialog =
        newOptions(rt, Value("OE"), Value(), Value(), Value(), Value("ERROR"),
                   Value::newArray({Value::newArray({Value(""), Value(text)}),
                                    Value::newArray({Value(" Reluare "), Value(" Abandon ")})}),
                   Value::newArray({num(1)}));
    Value r = popupWindow(rt, dialog);
    return r.isLogical() && r.logical() && stateChoice(dialog) == 1;
}

int alertBox(rt::Runtime& rt, const std::vector<std::string>& lines,
             const std::vector<std::string>& buttons, std::string_view colourSpec) {
    std::vector<std::string> caps = buttons.empty() ? std::vector<std::string>{"Ok"} : buttons;
    int mr = con::maxRow(rt), mc = con::maxCol(rt);
    int buttonsWidth = -2;
    for (const auto& b : caps) buttonsWidth += static_cast<int>(b.size()) + 2;
    int widest = buttonsWidth;
    for (const auto& l : lines) widest = std::max(widest, static_cast<int>(l.size()));
    int width = std::min(widest + 4, mc + 1);
    int height = static_cast<int>(lines.size()) + 4;
    int top = std::max((mr + 1 - height) / 2, 0), left = std::max((mc + 1 - width) / 2, 0);
    int bottom = top + height - 1, right = left + width - 1;
    std::uint8_t attr = term::parseColour(colourSpec);
    std::uint8_t inverse = static_cast<std::uint8_t>(((attr & 0x07) << 4) | ((attr >> 4) & 0x07));
    int shape = con::cursorShape(rt), crow = con::cursorRow(rt), ccol = con::cursorCol(rt);
    std::string saved = con::saveRect(rt, top, left, bottom, right);
    con::setCursorShape(rt, 0);
    con::beginUpdate(rt);
    std::string blank(static_cast<std::size_t>(width), ' ');
    for (int r = top; r <= bottom; ++r) con::writeAttr(rt, r, left, blank, attr);
    std::string edge(static_cast<std::size_t>(std::max(width - 2, 0)), '\xC4');
    con::writeAttr(rt, top, left, "\xDA" + edge + "\xBF", attr);
    con::writeAttr(rt, bottom, left, "\xC0" + edge + "\xD9", attr);
    for (int r = top + 1; r < bottom; ++r) {
        con::writeAttr(rt, r, left, "\xB3", attr);
        con::writeAttr(rt, r, right, "\xB3", attr);
    }
    int row = top + 1;
    for (const auto& l : lines) con::writeAttr(rt, row++, left + 2, padCentre(l, width - 4), attr);
    int buttonRow = row + 1;
    std::vector<int> cols;
    int pos = left + 2 + (width - 4 - buttonsWidth) / 2;
    for (const auto& b : caps) {
        cols.push_back(pos);
        pos += static_cast<int>(b.size()) + 2;
    }
    int sel = 0;
    auto draw = [&] {
        for (std::size_t i = 0; i < caps.size(); ++i)
            con::writeAttr(rt, buttonRow, cols[i], caps[i],
                           static_cast<int>(i) == sel ? inverse : attr);
    };
    draw();
    con::endUpdate(rt);
    int result = 0;
    for (;;) {
        int k = inkey(rt, 0.0);
        int n = static_cast<int>(caps.size());
        if (k == key::kLeft) {
            sel = (sel + n - 1) % n;
        } else if (k == key::kRight) {
            sel = (sel + 1) % n;
        } else if (k == key::kHome) {
            sel = 0;
        } else if (k == key::kEnd) {
            sel = n - 1;
        } else if (k == key::kEnter) {
            result = sel + 1;
            break;
        } else if (k == key::kEsc) {
            break;
        } else if (k == key::kLeftDown || k == key::kLeftDouble) {
            int mrow = con::mouseRow(rt), mcol = con::mouseCol(rt);
            bool hit = false;
            for (int i = 0; i < n; ++i)
                if (mrow == buttonRow && mcol >= cols[static_cast<std::size_t>(i)] &&
                    mcol < cols[static_cast<std::size_t>(i)] +
                               static_cast<int>(caps[static_cast<std::size_t>(i)].size())) {
                    result = i + 1;
                    hit = true;
                }
            if (hit) break;
        } else if (k > 32 && k < 256) {
            char c = static_cast<char>(std::toupper(k));
            for (int i = 0; i < n; ++i) {
                std::string t = trimmed(caps[static_cast<std::size_t>(i)]);
                if (!t.empty() && std::toupper(static_cast<unsigned char>(t[0])) ==
                                      static_cast<unsigned char>(c)) {
                    result = i + 1;
                    break;
                }
            }
            if (result) break;
        }
        draw();
    }
    con::restoreRect(rt, top, left, bottom, right, saved);
    con::setCursorShape(rt, shape);
    con::setCursor(rt, crow, ccol);
    return result;
}

void endMessage(rt::Runtime& rt, int code, std::string_view message) {
    if (message.empty() || batchOn(rt)) return;
    std::string text =
        (code == 0 ? std::string() : std::string("EROARE: ")) + std::string(message) + "...";
    if (!frameworkStarted(rt)) {
        alertBox(rt, {"", text, ""}, {}, "w+/n");
        return;
    }
    int mr = con::maxRow(rt), mc = con::maxCol(rt);
    con::fill(rt, mr, 0, mr, mc);
    con::write(rt, mr, 1, padCentre(text, mc));
    if (code != 0) beepErr(rt, false);
    if (rt.findFunction("H_IDLE") >= 0) rt.call("H_IDLE", {Value("<")});
    consInkey(rt, 0.0);
    if (rt.findFunction("H_IDLE") >= 0) rt.call("H_IDLE", {Value(">")});
}

namespace {

void fn_H_NEWOPTIONS(rt::Frame& f) {
    f.ret(newOptions(f.runtime(), f.arg(1), f.arg(2), f.arg(3), f.arg(6), f.arg(7), f.arg(8),
                     f.arg(9)));
}
void fn_WAIT_FOR_LAN(rt::Frame& f) {
    const Value& t = f.arg(1);
    f.ret(retryQuestion(f.runtime(), t.isString() ? t.str() : std::string()));
}
// ALERT(message, options, colour): ";" separates the lines of the message.
void fn_ALERT(rt::Frame& f) {
    std::vector<std::string> lines;
    std::string text = f.arg(1).isString() ? f.arg(1).str() : rt::repr(f.arg(1));
    std::size_t start = 0;
    for (;;) {
        std::size_t semi = text.find(';', start);
        lines.push_back(
            text.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
        if (semi == std::string::npos) break;
        start = semi + 1;
    }
    f.ret(num(alertBox(f.runtime(), lines, strings(f.arg(2)), f.strOr(3, "W+/R"))));
}

const rt::Builtin kBuiltins[] = {
    {"H_NEWOPTIONS", fn_H_NEWOPTIONS},
    {"WAIT_FOR_LAN", fn_WAIT_FOR_LAN},
    {"ALERT", fn_ALERT},
};

}  // namespace

std::span<const rt::Builtin> hoptBuiltins() { return kBuiltins; }

}  // namespace xb::fw::ui
