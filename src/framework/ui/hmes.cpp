// HMES: message line, questions, beeps, batch mode, message windows and the help menu.
#include "framework/ui/hmes.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "framework/core/trelbeg.hpp"
#include "framework/ui/console.hpp"
#include "framework/ui/menu.hpp"
#include "framework/ui/screen.hpp"
#include "framework/ui/userintf.hpp"
#include "framework/ui/window_kit.hpp"

namespace xb::fw::ui {

using rt::Value;

namespace {

std::string chr(int code) { return std::string(1, static_cast<char>(((code % 256) + 256) % 256)); }

bool beepOff() {
    const char* env = std::getenv("BEEP");
    std::string v = env ? env : "";
    while (!v.empty() && v.back() == ' ') v.pop_back();
    return upper(v) == "OFF";
}

// Saves and restores what a message routine changes: colour index, cursor and device.
struct LineState {
    explicit LineState(rt::Runtime& r)
        : rt(r),
          index(state(r).colourIndex),
          shape(con::cursorShape(r)),
          row(con::cursorRow(r)),
          col(con::cursorCol(r)),
          device(state(r).device) {}
    void restore() {
        state(rt).device = device;
        setColorIndex(rt, index);
        con::setCursorShape(rt, shape);
        con::setCursor(rt, row, col);
    }
    rt::Runtime& rt;
    int index, shape, row, col;
    std::string device;
};

std::string lineImage(rt::Runtime& rt) {
    int mr = con::maxRow(rt);
    return con::saveRect(rt, mr, 0, mr, con::maxCol(rt));
}

void putLine(rt::Runtime& rt, const std::string& image) {
    int mr = con::maxRow(rt);
    con::restoreRect(rt, mr, 0, mr, con::maxCol(rt), image);
}

void clearLine(rt::Runtime& rt) {
    int mr = con::maxRow(rt);
    con::fill(rt, mr, 0, mr, con::maxCol(rt));
}

void beep(rt::Runtime& rt, bool silent, bool flash,
          std::initializer_list<std::pair<double, double>> tones) {
    std::string saved;
    if (flash) {
        int mr = con::maxRow(rt), mc = con::maxCol(rt);
        con::beginUpdate(rt);
        saved = lineImage(rt);
        int index = setColorIndex(rt, colour::kWarning);
        clearLine(rt);
        std::uint8_t flashAttr = con::attrAt(rt, mr, 0);
        setColorIndex(rt, index);
        std::string recoloured = saved;
        if (recoloured.size() >= 2) {
            char first = recoloured[1];
            for (std::size_t i = 1; i < recoloured.size(); i += 2)
                if (recoloured[i] == first) recoloured[i] = static_cast<char>(flashAttr);
        }
        con::restoreRect(rt, mr, 0, mr, mc, recoloured);
        con::endUpdate(rt);
    }
    if (!silent && !beepOff()) {
        for (auto [hz, ticks] : tones) con::tone(rt, hz, ticks);
    } else {
        inkey(rt, 0.1);
    }
    if (flash) putLine(rt, saved);
}

// Sets the help context H_DOCOPEL as a private of the caller's scope, unless the kind keeps
// the caller's context ("K").
void docOpelScope(rt::Runtime& rt, const Value& win, const char* topic) {
    if (!hasKind(win, 'K')) rt.declarePrivate(rt.intern("H_DOCOPEL"), Value(topic));
}

}  // namespace

// --- beeps ---

void beepKey(rt::Runtime& rt, bool silent) { beep(rt, silent, true, {{150, 1}}); }
void beepWar(rt::Runtime& rt, bool silent) { beep(rt, silent, true, {{300, 5}}); }
void beepErr(rt::Runtime& rt, bool silent) { beep(rt, silent, false, {{349, 3}, {300, 5}}); }

// --- batch mode ---

bool batchOn(rt::Runtime& rt) {
    Value* v = rt.findVar("APELBAT");
    return v && v->isLogical() && v->logical();
}

static void collect(rt::Runtime& rt, const std::string& text) {
    UiState& ui = state(rt);
    if (!ui.batchList.isArray()) ui.batchList = Value::newArray();
    ui.batchList.array().items.emplace_back(text);
}

Value mesBat(rt::Runtime& rt, const Value& text) {
    UiState& ui = state(rt);
    if (text.isString() && batchOn(rt)) {
        const std::string& t = text.str();
        if (t.rfind("*** ", 0) != 0 && t.rfind("*   ", 0) != 0)
            trelbeg::hEnd(rt, 1, "h_MesBat() -mesaj fara \"*\" in fata !");
        collect(rt, t);
    }
    return ui.batchList;
}

int errBat(rt::Runtime& rt) {
    UiState& ui = state(rt);
    int result = 0;
    if (ui.batchList.isArray()) {
        result = 2;
        for (const Value& m : ui.batchList.array().items)
            if (m.isString() && m.str().rfind("***", 0) == 0) result = 1;
    }
    rt.assignVar(rt.intern("X_RET"), num(result));
    return result;
}

// --- the message line ---

Value message(rt::Runtime& rt, int level, std::string_view text, std::optional<double> wait) {
    UiState& ui = state(rt);
    LineState saved(rt);
    std::string image = lineImage(rt);
    if (level > 0 && batchOn(rt) && !ui.stopOnError) {
        collect(rt, "*   " + std::string(text));
        if (ui.batchBlock.isBlock()) {
            Value args[] = {Value(text)};
            rt.eval(ui.batchBlock, args);
        }
        return {};
    }
    ui.device = "SCREEN";
    std::string shown = wait && *wait == 0 ? trimmed(text) + " ..." : std::string(text);
    int mr = con::maxRow(rt), mc = con::maxCol(rt);
    int w = std::min(static_cast<int>(shown.size()), mc);
    int start = (mc + 1 - w) / 2;
    setColorIndex(rt, colour::kHelp + level);
    clearLine(rt);
    con::write(rt, mr, start, shown);
    if (level > 0 && batchOn(rt) && ui.stopOnError) {
        if (ui.batchBlock.isBlock()) {
            Value args[] = {Value(text)};
            rt.eval(ui.batchBlock, args);
        }
        trelbeg::hEnd(rt, 1, text);
    }
    if (level == 2) beepErr(rt, false);
    if (level == 1) beepWar(rt, false);
    if (!wait) {
        saved.restore();
        return Value(" ");
    }
    con::clearTypeahead(rt);
    con::setCursorShape(rt, 1);
    con::setCursor(rt, mr, start + static_cast<int>(shown.size()));
    int mask = con::eventMask(rt);
    con::setEventMask(rt, 238);
    int k = inkey(rt, std::max(*wait, 0.0));
    con::setEventMask(rt, mask);
    putLine(rt, image);
    saved.restore();
    return Value(chr(k));
}

Value mesHlp(rt::Runtime& rt, std::string_view text, std::optional<double> wait) {
    return message(rt, 0, text, wait);
}
Value mesWar(rt::Runtime& rt, std::string_view text, std::optional<double> wait) {
    return message(rt, 1, text, wait);
}
Value mesErr(rt::Runtime& rt, std::string_view text, std::optional<double> wait) {
    return message(rt, 2, text, wait);
}

// --- the question ---

bool mesQry(rt::Runtime& rt, std::string_view prompt, std::string_view choicesIn,
            std::string& answer) {
    UiState& ui = state(rt);
    LineState saved(rt);
    std::string choices = upper(choicesIn);
    int mr = con::maxRow(rt), mc = con::maxCol(rt);
    setColorIndex(rt, colour::kNormal);
    clearLine(rt);
    ui.device = "SCREEN";

    std::string slash, comma;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (i) {
            slash += '/';
            comma += ',';
        }
        slash += choices[i];
        comma += choices[i];
    }
    const std::string forms[] = {"[" + slash + "] :", "[" + comma + "] :", "[" + slash + "]",
                                 "[" + comma + "]"};
    std::string p(prompt);
    while (!p.empty() && p.back() == ' ') p.pop_back();
    std::string matched;
    for (const auto& f : forms)
        if (p.size() >= f.size() && p.compare(p.size() - f.size(), f.size(), f) == 0) {
            matched = f;
            break;
        }
    char def = answer.empty()
                   ? ' '
                   : static_cast<char>(std::toupper(static_cast<unsigned char>(answer[0])));
    bool accepted = false;

    if (mousePresent(rt) && !matched.empty() && !choices.empty()) {
        // Button style.
        con::setCursorShape(rt, 0);
        std::string text = trimmed(p.substr(0, p.size() - matched.size()));
        int len = static_cast<int>(text.size());
        int start = (mc + 1 - len - 1) / 2;
        con::write(rt, mr, start, text);
        int first = start + len + 1;
        std::size_t sel = choices.find(def);
        if (sel == std::string::npos) sel = 0;
        auto draw = [&] {
            for (std::size_t i = 0; i < choices.size(); ++i) {
                setColorIndex(rt, i == sel ? colour::kSelected : colour::kUnselect);
                std::string b = i == sel ? std::string("<") + choices[i] + ">"
                                         : std::string(" ") + choices[i] + " ";
                con::write(rt, mr, first + static_cast<int>(i) * 4, b);
            }
        };
        auto buttonAt = [&](int col) -> int {
            for (std::size_t i = 0; i < choices.size(); ++i) {
                int c = first + static_cast<int>(i) * 4;
                if (col >= c && col <= c + 2) return static_cast<int>(i);
            }
            return -1;
        };
        draw();
        for (;;) {
            int k = inkey(rt, 0.0);
            bool chosen = false;
            int n = static_cast<int>(choices.size());
            if (k == key::kLeft) {
                sel = (sel + choices.size() - 1) % choices.size();
            } else if (k == key::kRight) {
                sel = (sel + 1) % choices.size();
            } else if (k == key::kHome) {
                sel = 0;
            } else if (k == key::kEnd) {
                sel = static_cast<std::size_t>(n - 1);
            } else if (k == key::kEnter) {
                accepted = true;
                break;
            } else if (k == key::kEsc) {
                break;
            } else if (k >= 32 && k < 128 &&
                       choices.find(static_cast<char>(std::toupper(k))) != std::string::npos) {
                sel = choices.find(static_cast<char>(std::toupper(k)));
                chosen = true;
            } else if ((k == key::kLeftDown || k == key::kLeftDouble) &&
                       con::mouseRow(rt) >= mr - 1 && buttonAt(con::mouseCol(rt)) >= 0) {
                sel = static_cast<std::size_t>(buttonAt(con::mouseCol(rt)));
                chosen = true;
            } else if (k == key::kMouseMove && con::mouseRow(rt) == mr &&
                       buttonAt(con::mouseCol(rt)) >= 0) {
                sel = static_cast<std::size_t>(buttonAt(con::mouseCol(rt)));
            } else if (k != key::kMouseMove) {
                beepKey(rt, false);
            }
            draw();
            if (chosen) {
                inkey(rt, 0.3);
                accepted = true;
                break;
            }
        }
        answer = std::string(1, choices[sel]);
    } else {
        // Field style.
        con::setCursorShape(rt, 1);
        std::string text = trimmed(p) + " ";
        int len = static_cast<int>(text.size());
        int start = (mc + 1 - len - 1) / 2;
        con::write(rt, mr, start, text);
        int field = start + len + 1;
        char shown = def;
        bool valid = def != ' ' && choices.find(def) != std::string::npos;
        auto show = [&](char c) {
            int old = setColorIndex(rt, colour::kSelected);
            con::write(rt, mr, field, std::string(1, c));
            setColorIndex(rt, old);
            con::setCursor(rt, mr, field);
        };
        if (valid) {
            show(def);
        } else {
            con::setCursor(rt, mr, field);
            beepKey(rt, false);
        }
        for (;;) {
            con::clearTypeahead(rt);
            int k = inkey(rt, 0.0);
            bool onField = con::mouseRow(rt) == mr && con::mouseCol(rt) == field;
            if (k >= 32 && k <= 127) {
                shown = static_cast<char>(std::toupper(k));
                show(shown);
                valid = choices.find(shown) != std::string::npos;
                if (!valid) beepKey(rt, false);
            } else if (k == key::kEnter) {
                if (valid) {
                    accepted = true;
                    break;
                }
                beepKey(rt, false);
            } else if (k == key::kEsc) {
                break;
            } else if (valid && (k == key::kLeftDown || k == key::kLeftDouble) && onField) {
                accepted = true;
                break;
            } else if (k == key::kRightDown && onField) {
                std::string line = lineImage(rt);
                Value cmds = Value::newArray();
                for (char c : choices)
                    cmds.array().items.push_back(
                        newPCmd(Value(std::string(1, c)), Value(), Value(), Value()));
                int height = static_cast<int>(choices.size()) + 2;
                Value menu = newPullDown(rt, Value(""), num(std::max(mr - height, 0)),
                                         num(std::max(field - 2, 0)), Value(), Value(), Value(),
                                         Value("HELP"), cmds, Value::newArray({num(1)}));
                setExitKey(rt, menu,
                           newKey(key::kEnter, "Enter      - Selectare optiune", trueBlock()));
                Value r = popupWindow(rt, menu);
                putLine(rt, line);
                int chosen = intOf(item(slot(menu, Slot::State), 0), 0);
                if (r.isLogical() && r.logical() && chosen >= 1 &&
                    chosen <= static_cast<int>(choices.size())) {
                    shown = choices[static_cast<std::size_t>(chosen - 1)];
                    show(shown);
                    valid = true;
                } else {
                    beepKey(rt, false);
                }
            } else if (k == key::kMouseMove) {
                // ignored
            } else {
                beepKey(rt, false);
            }
        }
        answer = shown == ' ' ? std::string() : std::string(1, shown);
    }
    saved.restore();
    return accepted;
}

// --- message windows ---

static void layoutMessage(rt::Runtime& rt, const Value& win) {
    const Value& lines = slot(win, Slot::Items);
    int n = lines.isArray() ? static_cast<int>(lines.array().items.size()) : 0;
    const Value& title = slot(win, Slot::Title);
    int height = n + 2 + (title.isNil() ? 0 : 2);
    int top =
        slot(win, Slot::Top).isNumber() ? slotInt(win, Slot::Top) : (con::maxRow(rt) - height) / 2;
    int longest = title.isString() ? static_cast<int>(title.str().size()) : 0;
    if (lines.isArray())
        for (const Value& l : lines.array().items)
            if (l.isString()) longest = std::max(longest, static_cast<int>(l.str().size()));
    int width = std::min(longest + 4, con::maxCol(rt) + 1);
    int left = slot(win, Slot::Left).isNumber() ? slotInt(win, Slot::Left)
                                                : (con::maxCol(rt) + 1 - width) / 2;
    setSlotInt(win, Slot::Top, top);
    setSlotInt(win, Slot::Bottom, top + height - 1);
    setSlotInt(win, Slot::Left, left);
    setSlotInt(win, Slot::Right, left + width - 1);
}

static void drawMessage(rt::Runtime& rt, const Value& win) {
    setColorIndex(rt, colour::kNormal);
    const Value& lines = slot(win, Slot::Items);
    int row = slotInt(win, Slot::OriginRow), col = slotInt(win, Slot::OriginCol);
    int clientWidth = slotInt(win, Slot::Right) - (hasFrame(win) ? 1 : 0) - col + 1;
    if (lines.isArray())
        for (const Value& l : lines.array().items)
            con::write(rt, row++, col + 1,
                       padRight(l.isString() ? l.str() : std::string(), clientWidth - 2));
    slot(win, Slot::MessageLine) = Value("Enter,ESC-revenire ...");
    Value enter;
    if (isExitKey(rt, win, key::kEnter, &enter) && !isExitKey(rt, win, key::kLeftDouble, nullptr))
        setExitKey(
            rt, win,
            newKey(key::kLeftDouble, "", item(enter, 2).isNil() ? falseBlock() : item(enter, 2)));
    slot(win, Slot::MouseZones) = Value::newArray();
    if (mousePresent(rt)) {
        bld24MZones(rt, slot(win, Slot::MouseZones),
                    Value::newArray({Value::newArray({Value("?"), Value("Help")}),
                                     Value::newArray({Value("f"), Value("Fx")}),
                                     Value::newArray({Value("x"), Value("Esc")})}));
        addCloseZone(rt, win);
    }
}

static void windowHelp(rt::Runtime& rt, const Value& win) {
    Value entry;
    if (isFuncKey(rt, win, key::kShiftF1, &entry) && item(entry, 2).isBlock()) {
        Value args[] = {Value(""), num(0), Value("")};
        rt.eval(item(entry, 2), args);
    }
}

static Value runMessage(rt::Runtime& rt, const Value& win) {
    rt::PrivateScope scope(rt);
    docOpelScope(rt, win, "wmes");
    bool hover = false;
    for (;;) {
        con::clearTypeahead(rt);
        int k = inkey(rt, 0.0);
        bool click = k == key::kLeftDown || k == key::kLeftDouble;
        auto hit = click ? mzone(rt, win, "") : std::nullopt;
        Value entry;
        if (hit && (hit->id == "X" || hit->id == "x")) return Value(false);
        if (hit && hit->id == "f") {
            fx(rt, win);
            continue;
        }
        if (hit && hit->id == "?") {
            windowHelp(rt, win);
            continue;
        }
        if (hit && (hit->id == "d" || hit->id == "u")) return Value(true);
        if (k == key::kLeftDown && mOverW(rt, win) && state(rt).leftDown) {
            moveWindow(rt, win, Value());
            continue;
        }
        if (isExitKey(rt, win, k, &entry)) return exitKeyValue(rt, entry);
        if (k == key::kMouseMove) {
            hoverFeedback(rt, win, hover);
            continue;
        }
        beepKey(rt, false);
    }
}

Value newMessage(rt::Runtime& rt, const Value& kind, const Value& top, const Value& left,
                 const Value& bottom, const Value& right, const Value& title, const Value& palette,
                 const Value& lines) {
    std::string k = kind.isString() ? kind.str() : "";
    if (k.find('m') == std::string::npos) k += 'm';
    Value win = newWindow(rt, Value(k), top, left, bottom, right, title, palette,
                          lines.isArray() ? lines : Value::newArray(), Value::newArray(),
                          Value(rt::nativeBlock([](rt::Runtime& r, std::span<const Value> a) {
                              return runMessage(r, a[0]);
                          })));
    setExitKey(rt, win, newKey(key::kEnter, "Enter      - Revenire", falseBlock()));
    setExitKey(rt, win, newKey(key::kEsc, "Esc        - Revenire", falseBlock()));
    setFuncKey(rt, win,
               newKey(key::kShiftF1, "Shift F1   - Ajutor documentatie si taste",
                      keysHelpBlock(&UiState::messageHelpLast)));
    setLayoutAndDraw(win, layoutMessage, drawMessage);
    return win;
}

Value keysHelpBlock(Value UiState::*last) {
    return Value(rt::nativeBlock([last](rt::Runtime& r, std::span<const Value>) {
        Value pages = Value::newArray({hlpExitKeys(r, Value()), hlpFuncKeys(r, Value())});
        pMessages(r, pages, state(r).*last);
        return Value();
    }));
}

int messages(rt::Runtime& rt, const Value& windows, Value& startRef) {
    if (!windows.isArray()) return 0;
    auto& wins = windows.array().items;
    int n = static_cast<int>(wins.size());
    int live = 0;
    for (const Value& w : wins)
        if (!w.isNil()) ++live;
    if (live == 0) return 0;
    if (live > 1)
        for (const Value& w : wins)
            if (isWindow(w)) {
                setExitKey(rt, w, newKey(key::kPgDn, "PgDn       - Pagina urmatoare", trueBlock()));
                setExitKey(rt, w,
                           newKey(key::kPgUp, "PgUp       - Pagina precedenta", trueBlock()));
            }
    Value previous = deactWindow(rt, false);
    int current = startRef.isNumber() ? intOf(startRef, 1) : 1;
    if (current < 1 || current > n) current = 1;
    auto nextLive = [&](int from, int dir) {
        int i = from;
        for (int c = 0; c < n; ++c) {
            i += dir;
            if (i > n) i = 1;
            if (i < 1) i = n;
            if (!wins[static_cast<std::size_t>(i - 1)].isNil()) return i;
        }
        return from;
    };
    if (wins[static_cast<std::size_t>(current - 1)].isNil()) current = nextLive(current, 1);
    for (;;) {
        const Value& w = wins[static_cast<std::size_t>(current - 1)];
        if (!isWindow(w) || !hasKind(w, 'm'))
            trelbeg::hEnd(rt, 2, "Nu este fereastra de tip: MESSAGE !");
        createWindow(rt, w);
        if (mousePresent(rt)) {
            Value zones = Value::newArray();
            for (const Value& z : slot(w, Slot::MouseZones).isArray()
                                      ? slot(w, Slot::MouseZones).array().items
                                      : std::vector<Value>{})
                if (!isMessageButton(rt, z)) zones.array().items.push_back(z);
            Value buttons = Value::newArray();
            if (isFuncKey(rt, w, key::kShiftF1, nullptr))
                buttons.array().items.push_back(Value::newArray({Value("?"), Value("Help")}));
            for (auto [id, cap] : {std::pair{"f", "Fx"}, {"u", "<<"}, {"d", ">>"}, {"x", "Esc"}})
                buttons.array().items.push_back(Value::newArray({Value(id), Value(cap)}));
            bld24MZones(rt, zones, buttons);
            slot(w, Slot::MouseZones) = zones;
        } else if (live > 1) {
            slot(w, Slot::MessageLine) =
                Value("PgDn,PgUp-pagina urmatoare,precedenta, Enter,ESC-revenire ...");
        }
        actWindow(rt, w);
        runWindow(rt);
        int k = slotInt(w, Slot::LastKey, 0);
        auto hit = mEvent(k) ? mzone(rt, w, "") : std::nullopt;
        std::string id = hit ? hit->id : std::string();
        deactWindow(rt, true);
        destroyWindow(rt, w);
        if (live == 1) break;
        bool click = k == key::kLeftDown || k == key::kLeftDouble;
        if (click && (id == "X" || id == "x")) break;
        if (click && id == "f") {
            fx(rt, w);
            continue;
        }
        if (click && id == "?") {
            windowHelp(rt, w);
            continue;
        }
        if (k == key::kPgDn || (click && id == "d")) {
            current = nextLive(current, 1);
            continue;
        }
        if (k == key::kPgUp || (click && id == "u")) {
            current = nextLive(current, -1);
            continue;
        }
        if (k == key::kMouseMove) continue;
        break;
    }
    if (isWindow(previous)) actWindow(rt, previous);
    startRef = num(current);
    return current;
}

Value pMessages(rt::Runtime& rt, const Value& windows, Value& lastRef) {
    struct Entry {
        std::string caption;
        std::string command;  // general command to run, or "" for a window / separator
        int window = 0;       // 1-based index into windows
    };
    std::vector<Entry> entries;
    Value* fil = rt.findVar("FIL_GCMD");
    if (fil && fil->isNumber() && rt.findFunction("GCMD_LIST") >= 0) {
        auto list = [&](const char* prefix) { return rt.call("GCMD_LIST", {Value(prefix)}); };
        Value utl = list("DOCUTI"), ope = list("DOCOPE"), doc = list("DOCUM");
        if (utl.isArray() && !utl.array().items.empty())
            entries.push_back({"Documentatie utilizare", "DOCUTI", 0});
        if (ope.isArray() && !ope.array().items.empty())
            entries.push_back({"Documentatie operare", "DOCOPE", 0});
        if (doc.isArray())
            for (const Value& d : doc.array().items)
                entries.push_back({item(d, 1).isString() ? item(d, 1).str() : std::string(),
                                   item(d, 0).isString() ? item(d, 0).str() : std::string(), 0});
        if (!entries.empty()) entries.push_back({"", "", -1});
    }
    int docCount = static_cast<int>(entries.size());
    if (windows.isArray()) {
        int i = 0;
        for (const Value& w : windows.array().items) {
            ++i;
            if (!isWindow(w)) continue;
            if (!hasKind(w, 'm')) trelbeg::hEnd(rt, 2, "Nu este fereastra de tip: MESSAGE !");
            const Value& t = slot(w, Slot::Title);
            entries.push_back({t.isString() ? t.str() : std::string(), "", i});
        }
    }
    std::size_t longest = 0;
    for (const auto& e : entries) longest = std::max(longest, e.caption.size());
    Value cmds = Value::newArray();
    for (auto& e : entries) {
        if (e.window == -1) e.caption = std::string(longest, '-');
        cmds.array().items.push_back(newPCmd(Value(e.caption), Value(), Value(), Value()));
    }
    int count = static_cast<int>(entries.size());
    int last = lastRef.isNumber() ? intOf(lastRef, 1) : 1;
    Value menu = newPullDown(rt, Value("OHF"), num(wTop(rt, count + 4)),
                             num(wLeft(rt, static_cast<int>(longest) + 2)), Value(), Value(),
                             Value("Ajutor"), Value("HELP"), cmds, Value::newArray({num(last)}));
    setExitKey(rt, menu, newKey(key::kEnter, "Enter      - Afisare ferestra ajutor", trueBlock()));
    setFuncKey(rt, menu, newKey(key::kShiftF1, "", Value()));
    Value r = popupWindow(rt, menu);
    if (!(r.isLogical() && r.logical())) return lastRef;
    int chosen = intOf(item(slot(menu, Slot::State), 0), 0);
    if (chosen < 1 || chosen > count) return lastRef;
    const Entry& e = entries[static_cast<std::size_t>(chosen - 1)];
    if (e.window == -1) {
        beepKey(rt, false);
    } else if (e.window == 0) {
        if (rt.findFunction("GCMD_EXEC") >= 0) rt.call("GCMD_EXEC", {Value(e.command)});
    } else {
        Value start = num(e.window);
        int shown = messages(rt, windows, start);
        for (int i = docCount; i < count; ++i)
            if (entries[static_cast<std::size_t>(i)].window == shown) chosen = i + 1;
    }
    lastRef = num(chosen);
    return lastRef;
}

// --- bindings ---

namespace {

std::optional<double> waitArg(rt::Frame& f, int n) {
    if (f.arg(n).isNumber()) return f.arg(n).numVal();
    return std::nullopt;
}

std::string textArg(rt::Frame& f, int n) {
    const Value& v = f.arg(n);
    if (v.isString()) return v.str();
    if (v.isNil()) return {};
    return rt::repr(v);
}

void fn_H_MESHLP(rt::Frame& f) { f.ret(mesHlp(f.runtime(), textArg(f, 1), waitArg(f, 2))); }
void fn_H_MESWAR(rt::Frame& f) { f.ret(mesWar(f.runtime(), textArg(f, 1), waitArg(f, 2))); }
void fn_H_MESERR(rt::Frame& f) { f.ret(mesErr(f.runtime(), textArg(f, 1), waitArg(f, 2))); }
void fn_H_MESQRY(rt::Frame& f) {
    std::string answer = f.arg(3).isString() ? f.arg(3).str() : std::string();
    bool ok = mesQry(f.runtime(), textArg(f, 1), f.strOr(2, ""), answer);
    f.setRef(3, Value(answer));
    f.ret(ok);
}
void fn_H_BEEPKEY(rt::Frame& f) {
    beepKey(f.runtime(), f.arg(1).isLogical() && f.arg(1).logical());
    f.ret(f.arg(1));
}
void fn_H_BEEPWAR(rt::Frame& f) {
    beepWar(f.runtime(), f.arg(1).isLogical() && f.arg(1).logical());
    f.ret(f.arg(1));
}
void fn_H_BEEPERR(rt::Frame& f) {
    beepErr(f.runtime(), f.arg(1).isLogical() && f.arg(1).logical());
    f.ret(f.arg(1));
}
void fn_H_SETBAT(rt::Frame& f) {
    rt::Runtime& rt = f.runtime();
    UiState& ui = state(rt);
    Value* v = rt.findVar("APELBAT");
    if (!v || !v->isLogical()) {
        f.ret(false);
        return;
    }
    bool previous = v->logical();
    const Value& on = f.arg(1);
    if (on.isLogical()) *v = on;
    if (on.isLogical() && !on.logical()) {
        ui.stopOnError = false;
        ui.batchList = Value();
        ui.batchBlock = Value();
    } else {
        bool changed = on.isLogical() && on.logical() != previous;
        if (f.arg(2).isLogical()) {
            if (f.arg(2).logical() != ui.stopOnError) changed = true;
            ui.stopOnError = f.arg(2).logical();
        }
        if (changed) {
            ui.batchList = Value();
            ui.batchBlock = Value();
        }
        if (f.arg(3).isBlock()) ui.batchBlock = f.arg(3);
    }
    f.ret(previous);
}
void fn_H_GETBAT(rt::Frame& f) {
    rt::Runtime& rt = f.runtime();
    UiState& ui = state(rt);
    bool on = batchOn(rt);
    f.setRef(1, Value(on));
    f.setRef(2, Value(ui.stopOnError));
    f.setRef(3, ui.batchBlock);
    f.ret(on);
}
void fn_H_MESBAT(rt::Frame& f) { f.ret(mesBat(f.runtime(), f.arg(1))); }
void fn_H_ERRBAT(rt::Frame& f) { f.ret(num(errBat(f.runtime()))); }
void fn_H_NEWMESSAGE(rt::Frame& f) {
    f.ret(newMessage(f.runtime(), f.arg(1), f.arg(2), f.arg(3), f.arg(4), f.arg(5), f.arg(6),
                     f.arg(7), f.arg(8)));
}
void fn_H_MESSAGES(rt::Frame& f) {
    Value start = f.arg(2);
    int shown = messages(f.runtime(), f.arg(1), start);
    f.setRef(2, start);
    f.ret(num(shown));
}
void fn_H_PMESSAGES(rt::Frame& f) {
    Value last = f.arg(2);
    Value r = pMessages(f.runtime(), f.arg(1), last);
    f.setRef(2, last);
    f.ret(r);
}
void fn_H_UTVERDOS(rt::Frame& f) {
    mesErr(f.runtime(), "Pentru aceasta operatie utilizati versiunea Windows a programului !", 0.0);
    f.ret(false);
}

const rt::Builtin kBuiltins[] = {
    {"H_MESHLP", fn_H_MESHLP},     {"H_MESWAR", fn_H_MESWAR},
    {"H_MESERR", fn_H_MESERR},     {"H_MESQRY", fn_H_MESQRY},
    {"H_BEEPKEY", fn_H_BEEPKEY},   {"H_BEEPWAR", fn_H_BEEPWAR},
    {"H_BEEPERR", fn_H_BEEPERR},   {"H_SETBAT", fn_H_SETBAT},
    {"H_GETBAT", fn_H_GETBAT},     {"H_MESBAT", fn_H_MESBAT},
    {"H_ERRBAT", fn_H_ERRBAT},     {"H_NEWMESSAGE", fn_H_NEWMESSAGE},
    {"H_MESSAGES", fn_H_MESSAGES}, {"H_PMESSAGES", fn_H_PMESSAGES},
    {"H_UTVERDOS", fn_H_UTVERDOS},
};

}  // namespace

std::span<const rt::Builtin> hmesBuiltins() { return kBuiltins; }

}  // namespace xb::fw::ui
