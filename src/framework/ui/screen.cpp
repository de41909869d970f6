// SCREEN: key reader, key tables, mouse zones and message-line buttons.
#include "framework/ui/screen.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "framework/ui/console.hpp"
#include "framework/ui/hmes.hpp"
#include "framework/ui/menu.hpp"
#include "framework/ui/userintf.hpp"
#include "framework/ui/window_kit.hpp"

namespace xb::fw::ui {

using rt::Value;

Value trueBlock() {
    return Value(rt::nativeBlock([](rt::Runtime&, std::span<const Value>) { return Value(true); }));
}
Value falseBlock() {
    return Value(
        rt::nativeBlock([](rt::Runtime&, std::span<const Value>) { return Value(false); }));
}

namespace {

void callIdle(rt::Runtime& rt, const char* phase) {
    if (rt.findFunction("H_IDLE") >= 0) rt.call("H_IDLE", {Value(phase)});
}

std::optional<int> entryCode(const Value& entry) {
    if (!entry.isArray() || entry.array().items.empty()) return std::nullopt;
    const Value& c = entry.array().items[0];
    if (!c.isNumber()) return std::nullopt;
    return static_cast<int>(std::lround(c.numVal()));
}

Value emptyEntry() { return Value::newArray({Value(), Value(""), Value()}); }

Value copyEntry(const Value& e) { return Value::newArray({item(e, 0), item(e, 1), item(e, 2)}); }

// Registers, replaces or (NIL action) removes an entry in a key table.
Value setKeyIn(Value& table, const Value& entry) {
    if (!table.isArray()) table = Value::newArray();
    auto code = entryCode(entry);
    if (!code) return emptyEntry();
    auto& items = table.array().items;
    auto it = std::find_if(items.begin(), items.end(),
                           [&](const Value& e) { return entryCode(e) == code; });
    const Value& text = item(entry, 1);
    const Value& action = item(entry, 2);
    if (!action.isNil()) {
        if (it != items.end()) {
            Value old = copyEntry(*it);
            it->array().items.resize(3);
            it->array().items[1] = text.isString() ? text : Value("");
            it->array().items[2] = action;
            return old;
        }
        items.push_back(Value::newArray({num(*code), text.isString() ? text : Value(""), action}));
        return emptyEntry();
    }
    if (it == items.end()) return emptyEntry();
    Value old = copyEntry(*it);
    items.erase(it);
    return old;
}

bool findIn(const Value& table, int code, Value* entry) {
    if (table.isArray())
        for (const Value& e : table.array().items)
            if (entryCode(e) == code) {
                if (entry) *entry = e;
                return true;
            }
    if (entry) *entry = emptyEntry();
    return false;
}

Value windowOrActive(rt::Runtime& rt, const Value& win) {
    return win.isNil() ? activeWindow(rt) : win;
}

Value requiredWindow(rt::Runtime& rt, const Value& win) {
    Value w = windowOrActive(rt, win);
    if (!isWindow(w)) misuse(rt, kNoActiveWindow);
    return w;
}

bool contains(const Value& zone, int row, int col) {
    auto& z = zone.array().items;
    auto n = [&](std::size_t i) { return z[i].isNumber() ? static_cast<int>(z[i].numVal()) : -1; };
    return row >= n(1) && row <= n(3) && col >= n(2) && col <= n(4);
}

bool validZone(const Value& z) { return z.isArray() && z.array().items.size() >= 7; }

std::string zoneId(const Value& z) {
    const Value& id = z.array().items[0];
    return id.isString() ? id.str() : std::string();
}

bool zoneEnabled(const Value& z) {
    const Value& e = z.array().items[6];
    return e.isLogical() && e.logical();
}

// The help texts of a window's function keys, globals first (those the window does not
// override), each with its entry.
std::vector<Value> functionEntries(rt::Runtime& rt, const Value& win) {
    std::vector<Value> out;
    const Value& funcs = isWindow(win) ? slot(win, Slot::FuncKeys) : Value();
    for (const Value& e : state(rt).globalKeys.array().items) {
        const Value& text = item(e, 1);
        auto code = entryCode(e);
        if (text.isString() && !text.str().empty() && code && !findIn(funcs, *code, nullptr))
            out.push_back(e);
    }
    if (funcs.isArray())
        for (const Value& e : funcs.array().items) {
            const Value& text = item(e, 1);
            if (text.isString() && !text.str().empty()) out.push_back(e);
        }
    return out;
}

Value keyPage(rt::Runtime& rt, const std::vector<Value>& entries, const char* title) {
    Value lines = Value::newArray();
    for (const Value& e : entries) lines.array().items.push_back(item(e, 1));
    Value page = newMessage(rt, Value("O"), Value(), Value(), Value(), Value(), Value(title),
                            Value("HELP"), lines);
    setFuncKey(rt, page, newKey(key::kShiftF1, "", Value()));
    return page;
}

}  // namespace

// --- reading keys ---

int consInkey(rt::Runtime& rt, std::optional<double> seconds) {
    UiState& ui = state(rt);
    for (;;) {
        int k = con::readKey(rt, seconds);
        if (k == key::kLeftDown) ui.leftDown = true;
        if (k == key::kLeftUp) {
            ui.leftDown = false;
            continue;
        }
        return k;
    }
}

int xInkey(rt::Runtime& rt, std::optional<double> seconds, std::string_view flags) {
    callIdle(rt, "<");
    int k = consInkey(rt, seconds);
    if (k == key::kLeftDown && flags.find('*') == std::string_view::npos) {
        int mask = con::eventMask(rt);
        con::setEventMask(rt, mask & ~term::mask::kMove);
        int next = consInkey(rt, 0.2);
        con::setEventMask(rt, mask);
        if (next == key::kLeftDouble) k = key::kLeftDouble;
    }
    callIdle(rt, ">");
    return k;
}

int inkey(rt::Runtime& rt, std::optional<double> seconds, std::string_view flags) {
    UiState& ui = state(rt);
    for (;;) {
        Value win = activeWindow(rt);
        int k = xInkey(rt, seconds, flags);
        if (k == 0) return 0;
        if (isWindow(win)) slot(win, Slot::LastKey) = num(k);
        if (!ui.funcKeysOn) return k;
        Value entry;
        Value action;
        if (isWindow(win) && isFuncKey(rt, win, k, &entry) && !item(entry, 2).isNil()) {
            const Value& allowed = slot(win, Slot::FuncKeysAllowed);
            if (allowed.isLogical() && !allowed.logical()) {
                beepKey(rt, false);
                continue;
            }
            action = item(entry, 2);
        } else if (isGlobalKey(rt, k, &entry) && !item(entry, 2).isNil()) {
            action = item(entry, 2);
        } else {
            return k;
        }
        const auto& calls = rt.callStack();
        std::string proc = calls.size() >= 2 ? std::string(calls[calls.size() - 2].name)
                           : calls.empty()   ? std::string()
                                             : std::string(calls.back().name);
        int line = calls.size() >= 2 ? calls[calls.size() - 2].line : 0;
        Value args[] = {Value(proc), num(line), Value("")};
        rt.eval(action, args);
    }
}

// --- key tables ---

Value newKey(int code, std::string_view text, const Value& action) {
    return Value::newArray({num(code), Value(text), action});
}

Value newKey(const Value& code, const Value& text, const Value& action) {
    return Value::newArray({code, text.isString() ? text : Value(""), action});
}

Value setExitKey(rt::Runtime& rt, const Value& win, const Value& entry) {
    Value w = requiredWindow(rt, win);
    return setKeyIn(slot(w, Slot::ExitKeys), entry);
}

Value setFuncKey(rt::Runtime& rt, const Value& win, const Value& entry) {
    Value w = requiredWindow(rt, win);
    return setKeyIn(slot(w, Slot::FuncKeys), entry);
}

Value setGlobalKey(rt::Runtime& rt, const Value& entry) {
    return setKeyIn(state(rt).globalKeys, entry);
}

bool isExitKey(rt::Runtime& rt, const Value& win, int code, Value* entry) {
    Value w = windowOrActive(rt, win);
    if (!isWindow(w)) return findIn(Value(), code, entry);
    return findIn(slot(w, Slot::ExitKeys), code, entry);
}

bool isFuncKey(rt::Runtime& rt, const Value& win, int code, Value* entry) {
    Value w = windowOrActive(rt, win);
    if (!isWindow(w)) return findIn(Value(), code, entry);
    return findIn(slot(w, Slot::FuncKeys), code, entry);
}

bool isGlobalKey(rt::Runtime& rt, int code, Value* entry) {
    return findIn(state(rt).globalKeys, code, entry);
}

bool switchGlobalKeys(rt::Runtime& rt, bool on) {
    UiState& ui = state(rt);
    bool previous = ui.globalKeysOn;
    if (ui.fullGlobalKeys.isNil()) {
        ui.fullGlobalKeys = Value::newArray();
        for (const Value& e : ui.globalKeys.array().items)
            ui.fullGlobalKeys.array().items.push_back(e);
    }
    Value table = Value::newArray();
    for (const Value& e : ui.fullGlobalKeys.array().items) {
        auto c = entryCode(e);
        if (on || c == key::kF9 || c == key::kCtrlF1) table.array().items.push_back(e);
    }
    ui.globalKeys = table;
    ui.globalKeysOn = on;
    return previous;
}

Value hlpExitKeys(rt::Runtime& rt, const Value& win) {
    Value w = windowOrActive(rt, win);
    if (!isWindow(w)) return {};
    const Value& exits = slot(w, Slot::ExitKeys);
    if (!exits.isArray() || exits.array().items.empty()) return {};
    std::vector<Value> entries;
    for (const Value& e : exits.array().items) {
        const Value& text = item(e, 1);
        if (text.isString() && !text.str().empty()) entries.push_back(e);
    }
    return keyPage(rt, entries, "Taste de iesire");
}

Value hlpFuncKeys(rt::Runtime& rt, const Value& win) {
    std::vector<Value> entries = functionEntries(rt, windowOrActive(rt, win));
    if (entries.empty()) return {};
    return keyPage(rt, entries, "Taste functionale");
}

Value exitKeyValue(rt::Runtime& rt, const Value& entry) {
    const Value& action = item(entry, 2);
    return action.isBlock() ? rt.eval(action) : Value();
}

bool fx(rt::Runtime& rt, const Value& win) {
    UiState& ui = state(rt);
    std::vector<Value> entries = functionEntries(rt, windowOrActive(rt, win));
    Value commands = Value::newArray();
    for (const Value& e : entries)
        commands.array().items.push_back(newPCmd(item(e, 1), item(e, 2), Value(), item(e, 0)));
    Value menu =
        newPullDown(rt, Value("OF"), Value(), Value(), Value(), Value(), Value("Taste functionale"),
                    Value("HELP"), commands, Value::newArray({num(1)}));
    setExitKey(rt, menu, newKey(key::kEnter, "Enter      - Selectare optiune", trueBlock()));
    setExitKey(rt, menu, newKey(key::kLeftDown, "", trueBlock()));
    setExitKey(rt, menu, newKey(key::kLeftDouble, "", trueBlock()));
    ui.funcKeysOn = false;
    Value result;
    try {
        result = popupWindow(rt, menu);
    } catch (...) {
        ui.funcKeysOn = true;
        throw;
    }
    ui.funcKeysOn = true;
    if (!(result.isLogical() && result.logical())) return false;
    const Value& st = slot(menu, Slot::State);
    int chosen = st.isArray() && !st.array().items.empty() && st.array().items[0].isNumber()
                     ? static_cast<int>(st.array().items[0].numVal())
                     : 0;
    if (chosen < 1 || chosen > static_cast<int>(entries.size())) return false;
    const Value& action = item(entries[static_cast<std::size_t>(chosen - 1)], 2);
    if (action.isBlock()) rt.eval(action);
    return true;
}

// --- mouse ---

bool mousePresent(rt::Runtime& rt) {
    UiState& ui = state(rt);
    if (ui.mouse == UiState::MouseSwitch::Environment) {
        const char* env = std::getenv("H_MOUSE");
        std::string v = env ? env : "";
        while (!v.empty() && v.back() == ' ') v.pop_back();
        ui.mouse = upper(v) == "OFF" ? UiState::MouseSwitch::Off : UiState::MouseSwitch::On;
    }
    return ui.mouse == UiState::MouseSwitch::On && con::hasMouse(rt);
}

bool mEvent(int code) { return code >= 1001 && code <= 1007; }

Value& zonesOf(const Value& win) {
    Value& z = slot(win, Slot::MouseZones);
    if (!z.isArray()) z = Value::newArray();
    return z;
}

std::optional<ZoneHit> mzone(rt::Runtime& rt, const Value& win, std::string_view id) {
    if (!isWindow(win)) return std::nullopt;
    const Value& zones = slot(win, Slot::MouseZones);
    if (!zones.isArray()) return std::nullopt;
    int row = con::mouseRow(rt), col = con::mouseCol(rt);
    int index = 0;
    for (const Value& z : zones.array().items) {
        ++index;
        if (!validZone(z) || !zoneEnabled(z)) continue;
        std::string zid = zoneId(z);
        if (zid.compare(0, id.size(), id) != 0) continue;
        if (!contains(z, row, col)) continue;
        auto& it = z.array().items;
        auto n = [&](std::size_t i) {
            return it[i].isNumber() ? static_cast<int>(it[i].numVal()) : 0;
        };
        return ZoneHit{zid, it[5], n(1), n(2), n(3), n(4), index};
    }
    return std::nullopt;
}

bool mOverW(rt::Runtime& rt, const Value& win) {
    if (!isWindow(win)) return false;
    int row = con::mouseRow(rt), col = con::mouseCol(rt);
    return row >= slotInt(win, Slot::Top) && row <= slotInt(win, Slot::Bottom) &&
           col >= slotInt(win, Slot::Left) && col <= slotInt(win, Slot::Right);
}

int mmWin(rt::Runtime& rt, const Value& groupArg, const Value& win) {
    UiState& ui = state(rt);
    Value group = groupArg;
    if (group.isNil()) {
        if (ui.groups.empty()) return 0;
        group = ui.groups.back();
    }
    if (!group.isArray()) return 0;
    auto& members = group.array().items;
    if (!win.isNil() && std::none_of(members.begin(), members.end(),
                                     [&](const Value& m) { return m.identical(win); }))
        return 0;
    for (std::size_t i = 0; i < members.size(); ++i) {
        const Value& m = members[i];
        if (!isWindow(m) || m.identical(win) || hasKind(m, 'I')) continue;
        if (mOverW(rt, m)) return static_cast<int>(i + 1);
    }
    return 0;
}

bool mExit(rt::Runtime& rt, const Value& win) {
    if (!isWindow(win) || !mousePresent(rt) || hasKind(win, 'I') || !hasFrame(win)) return false;
    bool dash = hasKind(win, '-');
    return dash ? hasKind(win, 'X') : !hasKind(win, 'x');
}

int row24MZones(rt::Runtime& rt) { return con::maxRow(rt) - 1; }

bool isMessageButton(rt::Runtime& rt, const Value& z) {
    if (!validZone(z)) return false;
    auto& it = z.array().items;
    return it[1].isNumber() && it[3].isNumber() &&
           static_cast<int>(it[1].numVal()) == con::maxRow(rt) - 1 &&
           static_cast<int>(it[3].numVal()) == con::maxRow(rt);
}

void bld24MZones(rt::Runtime& rt, const Value& zones, const Value& buttons) {
    if (!zones.isArray() || !buttons.isArray()) return;
    int total = 0, n = 0;
    for (const Value& b : buttons.array().items) {
        const Value& cap = item(b, 1);
        total += (cap.isString() ? static_cast<int>(cap.str().size()) : 0) + 2;
        ++n;
    }
    if (n == 0) return;
    total += n - 1;
    int start = (con::maxCol(rt) - total);
    start = start >= 0 ? start / 2 : -((-start + 1) / 2);
    int mr = con::maxRow(rt);
    for (const Value& b : buttons.array().items) {
        const Value& cap = item(b, 1);
        std::string caption = cap.isString() ? cap.str() : std::string();
        int end = start + static_cast<int>(caption.size()) + 1;
        const Value& enabled = item(b, 2);
        zones.array().items.push_back(Value::newArray(
            {item(b, 0), num(mr - 1), num(start), num(mr), num(end), Value(" " + caption + " "),
             enabled.isLogical() ? enabled : Value(true)}));
        start = end + 2;
    }
}

void pMessMZone(rt::Runtime& rt, const Value& zones) {
    if (!zones.isArray()) return;
    UiState& ui = state(rt);
    int row = con::cursorRow(rt), col = con::cursorCol(rt);
    int shape = con::cursorShape(rt);
    int index = ui.colourIndex;
    std::string device = ui.device;
    ui.device = "SCREEN";
    con::setCursorShape(rt, 0);
    int mr = con::maxRow(rt), mc = con::maxCol(rt);
    int prow = con::mouseRow(rt), pcol = con::mouseCol(rt);
    con::beginUpdate(rt);
    setColorIndex(rt, colour::kHelp);
    con::fill(rt, mr, 0, mr, mc);
    for (const Value& z : zones.array().items) {
        if (!isMessageButton(rt, z)) continue;
        auto& it = z.array().items;
        int left = static_cast<int>(it[2].numVal()),
            right = it[4].isNumber() ? static_cast<int>(it[4].numVal()) : left;
        int c = colour::kUnselect;
        if (!zoneEnabled(z))
            c = colour::kHelp;
        else if (prow >= mr - 1 && pcol >= left && pcol <= right)
            c = colour::kSelected;
        setColorIndex(rt, c);
        con::write(rt, mr, left, it[5].isString() ? it[5].str() : std::string());
    }
    const Value* closeBox = nullptr;
    for (const Value& z : zones.array().items)
        if (validZone(z) && zoneId(z) == "X" && zoneEnabled(z)) closeBox = &z;
    if (closeBox) {
        auto& it = closeBox->array().items;
        bool hovered = contains(*closeBox, prow, pcol);
        bool was = it[5].isString() && it[5].str() == "X";
        if (hovered != was) {
            it[5] = hovered ? Value("X") : Value();
            setColorIndex(rt, hovered ? colour::kSelected : colour::kBorder);
            con::write(rt, static_cast<int>(it[1].numVal()), static_cast<int>(it[2].numVal()),
                       " X ");
        }
    }
    con::endUpdate(rt);
    setColorIndex(rt, index);
    con::setCursor(rt, row, col);
    con::setCursorShape(rt, shape);
    ui.device = device;
}

void addCloseZone(rt::Runtime& rt, const Value& win) {
    if (!mExit(rt, win)) return;
    int top = slotInt(win, Slot::Top), right = slotInt(win, Slot::Right);
    zonesOf(win).array().items.push_back(Value::newArray(
        {Value("X"), num(top), num(right - 3), num(top), num(right - 1), Value(), Value(true)}));
}

void hoverFeedback(rt::Runtime& rt, const Value& win, bool& shown) {
    const Value& zones = slot(win, Slot::MouseZones);
    if (!zones.isArray()) return;
    int row = con::mouseRow(rt), col = con::mouseCol(rt);
    bool over = false;
    for (const Value& z : zones.array().items)
        if (validZone(z) && zoneEnabled(z) && (isMessageButton(rt, z) || zoneId(z) == "X") &&
            contains(z, row, col))
            over = true;
    if (over) {
        pMessMZone(rt, zones);
        shown = true;
    } else if (shown) {
        pMessMZone(rt, zones);
        shown = false;
    }
}

// --- bindings ---

namespace {

std::optional<double> secondsArg(rt::Frame& f, int n) {
    if (f.arg(n).isNumber()) return f.arg(n).numVal();
    return std::nullopt;
}

void fn_H_INKEY(rt::Frame& f) { f.ret(num(inkey(f.runtime(), secondsArg(f, 1), f.strOr(2, "")))); }
void fn_X_INKEY(rt::Frame& f) { f.ret(num(xInkey(f.runtime(), secondsArg(f, 1), f.strOr(2, "")))); }
void fn_H_CONSINKEY(rt::Frame& f) { f.ret(num(consInkey(f.runtime(), secondsArg(f, 1)))); }
void fn_H_NEWKEY(rt::Frame& f) { f.ret(newKey(f.arg(1), f.arg(2), f.arg(3))); }
void fn_H_SETEXITKEY(rt::Frame& f) { f.ret(setExitKey(f.runtime(), f.arg(1), f.arg(2))); }
void fn_H_SETFUNCKEY(rt::Frame& f) { f.ret(setFuncKey(f.runtime(), f.arg(1), f.arg(2))); }
void fn_H_SETGLOBALKEY(rt::Frame& f) { f.ret(setGlobalKey(f.runtime(), f.arg(1))); }

template <bool (*Look)(rt::Runtime&, const Value&, int, Value*)>
void lookUpKey(rt::Frame& f) {
    Value entry;
    bool found =
        f.arg(2).isNumber() &&
        Look(f.runtime(), f.arg(1), static_cast<int>(std::lround(f.arg(2).numVal())), &entry);
    if (!found) entry = emptyEntry();
    f.setRef(3, entry);
    f.ret(found);
}
void fn_H_ISEXITKEY(rt::Frame& f) { lookUpKey<isExitKey>(f); }
void fn_H_ISFUNCKEY(rt::Frame& f) { lookUpKey<isFuncKey>(f); }
void fn_H_ISGLOBALKEY(rt::Frame& f) {
    Value entry;
    bool found = f.arg(1).isNumber() &&
                 isGlobalKey(f.runtime(), static_cast<int>(std::lround(f.arg(1).numVal())), &entry);
    if (!found) entry = emptyEntry();
    f.setRef(2, entry);
    f.ret(found);
}
void fn_H_SWICHGLOBALKEYS(rt::Frame& f) {
    if (!f.arg(1).isLogical()) {
        f.ret(state(f.runtime()).globalKeysOn);
        return;
    }
    f.ret(switchGlobalKeys(f.runtime(), f.arg(1).logical()));
}
void fn_H_HLPEXITKEYS(rt::Frame& f) { f.ret(hlpExitKeys(f.runtime(), f.arg(1))); }
void fn_H_HLPFUNCKEYS(rt::Frame& f) { f.ret(hlpFuncKeys(f.runtime(), f.arg(1))); }
void fn_H_FX(rt::Frame& f) { f.ret(fx(f.runtime(), f.arg(1))); }
void fn_H_MPRESENT(rt::Frame& f) {
    if (f.arg(1).isLogical())
        state(f.runtime()).mouse =
            f.arg(1).logical() ? UiState::MouseSwitch::On : UiState::MouseSwitch::Off;
    f.ret(mousePresent(f.runtime()));
}
void fn_H_MSTART(rt::Frame& f) {
    state(f.runtime()).mouse = UiState::MouseSwitch::Environment;
    f.ret(true);
}
void fn_H_MLEFTDOWN(rt::Frame& f) {
    UiState& ui = state(f.runtime());
    if (f.arg(1).isLogical()) ui.leftDown = f.arg(1).logical();
    f.ret(ui.leftDown);
}
void fn_H_MEVENT(rt::Frame& f) {
    f.ret(f.arg(1).isNumber() && mEvent(static_cast<int>(f.arg(1).numVal())));
}
void fn_H_MZONE(rt::Frame& f) {
    for (int i = 3; i <= 8; ++i) f.setRef(i, Value());
    std::string id = f.arg(2).isString() ? f.arg(2).str() : std::string();
    auto hit = mzone(f.runtime(), f.arg(1), id);
    if (!hit) {
        f.ret(false);
        return;
    }
    f.setRef(2, Value(hit->id));
    f.setRef(3, hit->value);
    f.setRef(4, num(hit->top));
    f.setRef(5, num(hit->left));
    f.setRef(6, num(hit->bottom));
    f.setRef(7, num(hit->right));
    f.setRef(8, num(hit->index));
    f.ret(true);
}
void fn_H_MSETACTIVE(rt::Frame& f) {
    rt::Runtime& rt = f.runtime();
    const Value& win = f.arg(1);
    if (!isWindow(win) || !slot(win, Slot::MouseZones).isArray()) return;
    auto& zones = slot(win, Slot::MouseZones).array().items;
    int index = f.arg(3).isNumber() ? static_cast<int>(f.arg(3).numVal()) : 0;
    if (index == 0) {
        int row = con::mouseRow(rt), col = con::mouseCol(rt);
        for (std::size_t i = 0; i < zones.size(); ++i)
            if (validZone(zones[i]) && contains(zones[i], row, col)) {
                index = static_cast<int>(i + 1);
                break;
            }
        if (index > 0) f.setRef(3, num(index));
    }
    if (index < 1 || index > static_cast<int>(zones.size()) ||
        !validZone(zones[static_cast<std::size_t>(index - 1)]))
        return;
    Value& enabled = zones[static_cast<std::size_t>(index - 1)].array().items[6];
    Value previous = enabled;
    if (f.arg(2).isLogical()) enabled = f.arg(2);
    f.ret(previous);
}
void fn_H_MOVERW(rt::Frame& f) { f.ret(mOverW(f.runtime(), f.arg(1))); }
void fn_H_MMWIN(rt::Frame& f) { f.ret(num(mmWin(f.runtime(), f.arg(1), f.arg(2)))); }
void fn_H_MEXIT(rt::Frame& f) { f.ret(mExit(f.runtime(), f.arg(1))); }
void fn_H_ROW24MZONES(rt::Frame& f) { f.ret(num(row24MZones(f.runtime()))); }
void fn_H_BLD24MZONES(rt::Frame& f) { bld24MZones(f.runtime(), f.arg(1), f.arg(2)); }
void fn_H_PMESSMZONE(rt::Frame& f) { pMessMZone(f.runtime(), f.arg(1)); }
void fn_H_WATCHKEY(rt::Frame& f) { f.ret(!(f.arg(1).isString() && f.arg(1).str() == "?")); }

const rt::Builtin kBuiltins[] = {
    {"H_INKEY", fn_H_INKEY},
    {"X_INKEY", fn_X_INKEY},
    {"H_CONSINKEY", fn_H_CONSINKEY},
    {"H_NEWKEY", fn_H_NEWKEY},
    {"H_SETEXITKEY", fn_H_SETEXITKEY},
    {"H_SETFUNCKEY", fn_H_SETFUNCKEY},
    {"H_SETGLOBALKEY", fn_H_SETGLOBALKEY},
    {"H_ISEXITKEY", fn_H_ISEXITKEY},
    {"H_ISFUNCKEY", fn_H_ISFUNCKEY},
    {"H_ISGLOBALKEY", fn_H_ISGLOBALKEY},
    {"H_SWICHGLOBALKEYS", fn_H_SWICHGLOBALKEYS},
    {"H_HLPEXITKEYS", fn_H_HLPEXITKEYS},
    {"H_HLPFUNCKEYS", fn_H_HLPFUNCKEYS},
    {"H_FX", fn_H_FX},
    {"H_MPRESENT", fn_H_MPRESENT},
    {"H_MSTART", fn_H_MSTART},
    {"H_MLEFTDOWN", fn_H_MLEFTDOWN},
    {"H_MEVENT", fn_H_MEVENT},
    {"H_MZONE", fn_H_MZONE},
    {"H_MSETACTIVE", fn_H_MSETACTIVE},
    {"H_MOVERW", fn_H_MOVERW},
    {"H_MMWIN", fn_H_MMWIN},
    {"H_MEXIT", fn_H_MEXIT},
    {"H_ROW24MZONES", fn_H_ROW24MZONES},
    {"H_BLD24MZONES", fn_H_BLD24MZONES},
    {"H_PMESSMZONE", fn_H_PMESSMZONE},
    {"H_WATCHKEY", fn_H_WATCHKEY},
};

}  // namespace

std::span<const rt::Builtin> screenBuiltins() { return kBuiltins; }

}  // namespace xb::fw::ui
