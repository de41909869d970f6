// MENU: pull-down menus and the menu help.
#include "framework/ui/menu.hpp"

#include <algorithm>
#include <cmath>

#include "framework/ui/console.hpp"
#include "framework/ui/hmes.hpp"
#include "framework/ui/screen.hpp"
#include "framework/ui/userintf.hpp"
#include "framework/ui/window_kit.hpp"

namespace xb::fw::ui {

using rt::Value;

namespace {

std::string captionOf(const Value& cmd) {
    const Value& c = item(cmd, 0);
    return c.isString() ? c.str() : std::string();
}

std::vector<Value>& commandsOf(const Value& win) {
    Value& c = slot(win, Slot::Items);
    if (!c.isArray()) c = Value::newArray();
    return c.array().items;
}

// Draws command n (1-based) highlighted or not.
void drawCommand(rt::Runtime& rt, const Value& win, int n, bool current) {
    auto& cmds = commandsOf(win);
    if (n < 1 || n > static_cast<int>(cmds.size())) return;
    const Value& w14 = slot(win, Slot::Work);
    int col = intOf(item(w14, 0), slotInt(win, Slot::Left) + 1);
    int first = intOf(item(w14, 1), slotInt(win, Slot::Top) + 1);
    int inner = slotInt(win, Slot::Right) - slotInt(win, Slot::Left) - 1;
    int old = setColorIndex(rt, current ? colour::kSelected : colour::kNormal);
    con::write(rt, first + n - 1, col,
               padRight(" " + captionOf(cmds[static_cast<std::size_t>(n - 1)]), inner));
    setColorIndex(rt, old);
}

void layoutPullDown(rt::Runtime& rt, const Value& win) {
    auto& cmds = commandsOf(win);
    int n = static_cast<int>(cmds.size());
    const Value& title = slot(win, Slot::Title);
    bool titled = !title.isNil();
    int height = n + (titled ? 2 : 0) + 2;
    int top =
        slot(win, Slot::Top).isNumber() ? slotInt(win, Slot::Top) : (con::maxRow(rt) - height) / 2;
    int bottom = top + height - 1;
    int first = top + 1 + (titled ? 2 : 0);
    int longest = title.isString() ? static_cast<int>(title.str().size()) : 0;
    for (const Value& c : cmds) longest = std::max(longest, static_cast<int>(captionOf(c).size()));
    int width = longest + 4;
    int left;
    const Value& l = slot(win, Slot::Left);
    const Value& r = slot(win, Slot::Right);
    if (l.isNil() && r.isNil()) {
        int v = con::maxCol(rt) - width;
        left = v >= 0 ? v / 2 : -((-v + 1) / 2);
    } else if (l.isNil()) {
        left = intOf(r, 0) - width + 1;
    } else {
        left = intOf(l, 0);
    }
    setSlotInt(win, Slot::Top, top);
    setSlotInt(win, Slot::Bottom, bottom);
    setSlotInt(win, Slot::Left, left);
    setSlotInt(win, Slot::Right, left + width - 1);
    Value parent = item(slot(win, Slot::Work), 2);
    slot(win, Slot::Work) = Value::newArray({num(left + 1), num(first), parent});
    setStateChoice(win, std::clamp(stateChoice(win), 1, std::max(n, 1)));
    if (!isExitKey(rt, win, key::kEsc, nullptr))
        slot(win, Slot::ExitKeys)
            .array()
            .items.push_back(
                Value::newArray({num(key::kEsc), Value("Esc        - Revenire"), Value()}));
}

void drawPullDown(rt::Runtime& rt, const Value& win) {
    auto& cmds = commandsOf(win);
    int current = stateChoice(win);
    const Value& w14 = slot(win, Slot::Work);
    int col = intOf(item(w14, 0), 0), first = intOf(item(w14, 1), 0);
    int right = slotInt(win, Slot::Right);
    slot(win, Slot::MouseZones) = Value::newArray();
    Value& zones = zonesOf(win);
    for (int i = 1; i <= static_cast<int>(cmds.size()); ++i) {
        drawCommand(rt, win, i, i == current);
        zones.array().items.push_back(
            Value::newArray({Value("M"), num(first + i - 1), num(col), num(first + i - 1),
                             num(right - 1), num(i), Value(true)}));
    }
    addCloseZone(rt, win);
    Value enter;
    if (isExitKey(rt, win, key::kEnter, &enter)) {
        for (int k : {key::kLeftDown, key::kLeftDouble})
            if (!isExitKey(rt, win, k, nullptr))
                setExitKey(rt, win,
                           newKey(k, "", item(enter, 2).isNil() ? trueBlock() : item(enter, 2)));
    }
    if (mousePresent(rt)) {
        Value buttons = hasKind(win, 'F')
                            ? Value::newArray({Value::newArray({Value("x"), Value("Esc")})})
                            : Value::newArray({Value::newArray({Value("?"), Value("Help")}),
                                               Value::newArray({Value("f"), Value("Fx")}),
                                               Value::newArray({Value("x"), Value("Esc")})});
        bld24MZones(rt, zones, buttons);
    }
    if (slot(win, Slot::MessageLine).isNil())
        slot(win, Slot::MessageLine) = Value("Shift F1-ajutor, ENTER-acceptare, ESC-revenire");
}

bool onParentBarZone(rt::Runtime& rt, const Value& win) {
    const Value& parent = item(slot(win, Slot::Work), 2);
    return isWindow(parent) && mzone(rt, parent, "").has_value();
}

Value runPullDown(rt::Runtime& rt, const Value& win) {
    rt::PrivateScope scope(rt);
    if (!hasKind(win, 'K')) rt.declarePrivate(rt.intern("H_DOCOPEL"), Value("wpulld"));
    auto& cmds = commandsOf(win);
    int n = static_cast<int>(cmds.size());
    if (n == 0) {
        beepKey(rt, false);
        return Value(false);
    }
    auto step = [&](int from, int dir) {
        int i = from;
        for (int c = 0; c < n; ++c) {
            i += dir;
            if (i > n) i = 1;
            if (i < 1) i = n;
            if (i == from) return 0;
            if (!isSeparator(cmds[static_cast<std::size_t>(i - 1)])) return i;
        }
        return 0;
    };
    auto firstFrom = [&](int from, int dir) {
        for (int i = from; i >= 1 && i <= n; i += dir)
            if (!isSeparator(cmds[static_cast<std::size_t>(i - 1)])) return i;
        return from;
    };
    int current = stateChoice(win);
    drawCommand(rt, win, current, true);
    bool shortcutUsed = false;
    bool hover = false;
    Value result;
    for (bool done = false; !done;) {
        int k = inkey(rt, 0.0);
        slot(win, Slot::MouseHandOver) = Value("");
        int next = current;
        Value exitEntry;
        auto hit = mzone(rt, win, "");
        bool click = k == key::kLeftDown || k == key::kLeftDouble;
        bool onItem = hit && hit->id == "M";
        int shortcutItem = 0;
        if (!shortcutUsed)
            for (int i = 1; i <= n; ++i) {
                const Value& sc = item(cmds[static_cast<std::size_t>(i - 1)], 3);
                if (sc.isNumber() && static_cast<int>(std::lround(sc.numVal())) == k) {
                    shortcutItem = i;
                    break;
                }
            }
        if (k == key::kMouseMove && onItem &&
            !isSeparator(cmds[static_cast<std::size_t>(intOf(hit->value, 1) - 1)])) {
            if (hover) {
                pMessMZone(rt, slot(win, Slot::MouseZones));
                hover = false;
            }
            next = intOf(hit->value, current);
        } else if (shortcutItem > 0) {
            shortcutUsed = true;
            next = shortcutItem;
            con::pushKey(rt, key::kEnter);
        } else if (k == key::kDown || k == key::kUp) {
            int s = step(current, k == key::kDown ? 1 : -1);
            if (s == 0)
                beepKey(rt, false);
            else
                next = s;
        } else if (k == key::kHome) {
            next = firstFrom(1, 1);
        } else if (k == key::kEnd) {
            next = firstFrom(n, -1);
        } else if ((k == key::kEnter || (click && onItem)) && !isExitKey(rt, win, k, nullptr)) {
            if (click) next = intOf(hit->value, current);
            const Value& action = item(cmds[static_cast<std::size_t>(next - 1)], 1);
            if (next != current) {
                drawCommand(rt, win, current, false);
                drawCommand(rt, win, next, true);
                current = next;
                setStateChoice(win, current);
            }
            if (action.isBlock()) rt.eval(action);
        } else if (click && hit && hit->id == "X") {
            result = Value(false);
            done = true;
        } else if (click && hit && hit->id == "x") {
            slot(win, Slot::LastKey) = num(key::kEsc);
            result = Value(false);
            done = true;
        } else if (click && hit && hit->id == "f") {
            fx(rt, win);
        } else if (click && hit && hit->id == "?") {
            hlpMenu(rt, win);
        } else if (isExitKey(rt, win, k, &exitEntry) &&
                   (!mEvent(k) || onItem || mmWin(rt, Value(), win) > 0 ||
                    onParentBarZone(rt, win))) {
            if (mEvent(k)) {
                slot(win, Slot::MouseHandOver) = Value("E");
                next = onItem ? intOf(hit->value, 0) : 0;
            }
            if (next != current) {
                drawCommand(rt, win, current, false);
                if (next > 0) drawCommand(rt, win, next, true);
                current = next;
                setStateChoice(win, current);
            }
            result = exitKeyValue(rt, exitEntry);
            done = true;
        } else if (k == key::kMouseMove) {
            hoverFeedback(rt, win, hover);
        } else if (k == key::kLeftDown) {
            // a press elsewhere: nothing
        } else {
            beepKey(rt, false);
        }
        if (!done && next != current) {
            drawCommand(rt, win, current, false);
            drawCommand(rt, win, next, true);
            current = next;
        }
        setStateChoice(win, current);
    }
    return result;
}

}  // namespace

bool isSeparator(const Value& command) {
    std::string c = trimmed(captionOf(command));
    if (c.empty()) return false;
    return (c.front() == '\xC4' && c.back() == '\xC4') || (c.front() == '-' && c.back() == '-');
}

Value newPCmd(const Value& caption, const Value& action, const Value& reserved,
              const Value& shortcut) {
    return Value::newArray({caption, action, reserved, shortcut});
}

Value newPullDown(rt::Runtime& rt, const Value& kind, const Value& top, const Value& left,
                  const Value& bottom, const Value& right, const Value& title, const Value& palette,
                  const Value& commands, const Value& st) {
    std::string k = kind.isString() ? kind.str() : "";
    if (k.find('p') == std::string::npos) k += 'p';
    Value state = st.isArray() ? st : Value::newArray({num(1)});
    Value win = newWindow(rt, Value(k), top, left, bottom, right, title, palette,
                          commands.isArray() ? commands : Value::newArray(), state,
                          Value(rt::nativeBlock([](rt::Runtime& r, std::span<const Value> a) {
                              return runPullDown(r, a[0]);
                          })));
    slot(win, Slot::Work) = Value::newArray({Value(), Value(), Value()});
    setFuncKey(rt, win,
               newKey(key::kShiftF1, "Shift F1   - Ajutor documentatie si taste",
                      Value(rt::nativeBlock([](rt::Runtime& r, std::span<const Value>) {
                          hlpMenu(r, Value());
                          return Value();
                      }))));
    setExitKey(rt, win, newKey(key::kEsc, "Esc        - Revenire fara selectie", falseBlock()));
    setLayoutAndDraw(win, layoutPullDown, drawPullDown);
    return win;
}

Value winHlpMenu(rt::Runtime& rt, const Value& given, bool companion) {
    Value win = given.isNil() ? activeWindow(rt) : given;
    const std::string arrows = std::string("\x1A , \x1B") + "      - comanda dreapta, stinga";
    const std::string upDown = std::string("\x18 , \x19") + "      - optiune sus, jos";
    std::vector<std::string> lines;
    if (isWindow(win) && hasKind(win, 'b')) {
        auto& cmds = commandsOf(win);
        int cur = stateChoice(win);
        bool submenu = cur >= 1 && cur <= static_cast<int>(cmds.size()) &&
                       item(cmds[static_cast<std::size_t>(cur - 1)], 1).isArray();
        const Value& w14 = slot(win, Slot::Work);
        bool onSelect = item(w14, 2).isLogical() && item(w14, 2).logical();
        if (companion) {
            lines = {arrows, submenu ? "Enter      - meniu" : "Enter      - acceptare comanda"};
        } else if (submenu && onSelect) {
            lines = {arrows, "Home, End  - prima, ultima comanda", "Enter      - meniu"};
        } else if (submenu) {
            lines = {arrows, upDown, "Home, End  - prima, ultima optiune",
                     "Enter      - acceptare comanda+optiune"};
        } else {
            lines = {arrows, "Home, End  - prima, ultima comanda",
                     "Enter      - acceptare comanda"};
        }
    } else {
        lines = {upDown, "Home, End  - prima, ultima optiune", "Enter      - acceptare optiune"};
    }
    Value arr = Value::newArray();
    for (auto& l : lines) arr.array().items.emplace_back(l);
    std::string title = "Taste de navigare si selectare";
    if (companion) title += " in meniu";
    Value page = newMessage(rt, Value("O"), Value(), Value(), Value(), Value(), Value(title),
                            Value("HELP"), arr);
    setFuncKey(rt, page, newKey(key::kShiftF1, "", Value()));
    return page;
}

void hlpMenu(rt::Runtime& rt, const Value& given) {
    Value win = given.isNil() ? activeWindow(rt) : given;
    Value pages =
        Value::newArray({hlpExitKeys(rt, win), winHlpMenu(rt, win, false), hlpFuncKeys(rt, win)});
    pMessages(rt, pages, state(rt).menuHelpLast);
}

namespace {

void fn_H_NEWPULLDOWN(rt::Frame& f) {
    f.ret(newPullDown(f.runtime(), f.arg(1), f.arg(2), f.arg(3), f.arg(4), f.arg(5), f.arg(6),
                      f.arg(7), f.arg(8), f.arg(9)));
}
void fn_H_NEWPCMD(rt::Frame& f) { f.ret(newPCmd(f.arg(1), f.arg(2), f.arg(3), f.arg(4))); }
void fn_H_HLPMENU(rt::Frame& f) { hlpMenu(f.runtime(), f.arg(1)); }
void fn_WINHLPMENU(rt::Frame& f) { f.ret(winHlpMenu(f.runtime(), f.arg(1), f.logOr(2, false))); }

const rt::Builtin kBuiltins[] = {
    {"H_NEWPULLDOWN", fn_H_NEWPULLDOWN},
    {"H_NEWPCMD", fn_H_NEWPCMD},
    {"H_HLPMENU", fn_H_HLPMENU},
    {"WINHLPMENU", fn_WINHLPMENU},
};

}  // namespace

std::span<const rt::Builtin> menuBuiltins() { return kBuiltins; }

}  // namespace xb::fw::ui
