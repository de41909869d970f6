// USERINTF: window records, life cycle, frames, palettes and coordinates.
#include "framework/ui/userintf.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "framework/core/trelbeg.hpp"
#include "framework/ui/console.hpp"
#include "framework/ui/hmes.hpp"
#include "framework/ui/palette_table.hpp"
#include "framework/ui/screen.hpp"
#include "framework/ui/window_kit.hpp"

namespace xb::fw::ui {

using rt::Value;

const int UiState::kTag = 0;

UiState& state(rt::Runtime& rt) { return rt.extension<UiState>(); }

// --- small helpers ---

Value num(int n) { return Value::integer(n); }

void setStateChoice(const Value& win, int n) {
    Value& st = slot(win, Slot::State);
    if (!st.isArray()) st = Value::newArray();
    if (st.array().items.empty()) st.array().items.resize(1);
    st.array().items[0] = num(n);
}

void setLayoutAndDraw(const Value& win, WindowStep layout, WindowStep draw) {
    slot(win, Slot::LayoutBlock) =
        Value(rt::nativeBlock([layout](rt::Runtime& r, std::span<const Value> a) {
            layout(r, a[0]);
            return Value();
        }));
    slot(win, Slot::DrawBlock) =
        Value(rt::nativeBlock([draw](rt::Runtime& r, std::span<const Value> a) {
            draw(r, a[0]);
            return Value();
        }));
}

std::string padRight(std::string_view s, int width) {
    if (width <= 0) return {};
    std::string out(s.substr(0, static_cast<std::size_t>(width)));
    out.resize(static_cast<std::size_t>(width), ' ');
    return out;
}

std::string padCentre(std::string_view s, int width) {
    if (width <= 0) return {};
    if (static_cast<int>(s.size()) >= width)
        return std::string(s.substr(0, static_cast<std::size_t>(width)));
    int left = (width - static_cast<int>(s.size())) / 2;
    std::string out(static_cast<std::size_t>(left), ' ');
    out += s;
    out.resize(static_cast<std::size_t>(width), ' ');
    return out;
}

std::string trimmed(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return std::string(s.substr(b, e - b));
}

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool isWindow(const Value& v) {
    return v.isArray() && static_cast<int>(v.array().items.size()) >= kWindowSlots;
}

Value& slot(const Value& win, Slot s) {
    XB_ASSERT(isWindow(win));
    return win.array().items[static_cast<std::size_t>(static_cast<int>(s) - 1)];
}

bool hasKind(const Value& win, char letter) {
    const Value& k = slot(win, Slot::Kind);
    return k.isString() && k.str().find(letter) != std::string::npos;
}

int slotInt(const Value& win, Slot s, int def) { return intOf(slot(win, s), def); }

void setSlotInt(const Value& win, Slot s, int n) { slot(win, s) = num(n); }

Value callHook(rt::Runtime& rt, const Value& win, Slot s, std::span<const Value> extra) {
    Value block = slot(win, s);  // the hook may replace its own slot
    if (!block.isBlock()) return {};
    std::vector<Value> args;
    args.reserve(extra.size() + 1);
    args.push_back(win);
    args.insert(args.end(), extra.begin(), extra.end());
    return rt.eval(block, args);
}

void misuse(rt::Runtime& rt, std::string_view message) { trelbeg::hEnd(rt, 2, message); }

bool hasFrame(const Value& win) { return slot(win, Slot::FrameBlock).isBlock(); }

bool boxSd(rt::Runtime& rt) {
    UiState& ui = state(rt);
    if (!ui.boxSd) {
        const char* env = std::getenv("BOX_SD");
        std::string v = env ? env : "";
        while (!v.empty() && v.back() == ' ') v.pop_back();
        ui.boxSd = upper(v) == "ON";
    }
    return *ui.boxSd;
}

static std::string_view inactiveJunctions(rt::Runtime& rt) {
    return boxSd(rt) ? std::string_view(kJunctionsSd) : std::string_view(kJunctionsPlain);
}

// --- palettes and colours ---

static void applyColour(rt::Runtime& rt) {
    UiState& ui = state(rt);
    if (ui.palettes.empty() || ui.palette < 1 ||
        ui.palette > static_cast<int>(ui.palettes.size())) {
        con::setColour(rt, "n/w");
        return;
    }
    const Palette& p = ui.palettes[static_cast<std::size_t>(ui.palette - 1)];
    int i = ui.colourIndex;
    if (i == colour::kNormal) {
        con::setColour(rt, p[1] + "," + p[2] + ",,," + p[3]);
    } else if (i >= 1 && i <= 13) {
        con::setColour(rt, p[static_cast<std::size_t>(i - 1)]);
    } else {
        con::setColour(rt, p[1]);
    }
}

int setColorIndex(rt::Runtime& rt, std::optional<int> index) {
    UiState& ui = state(rt);
    int old = ui.colourIndex;
    if (index) {
        ui.colourIndex = *index;
        applyColour(rt);
    }
    return old;
}

int setPalette(rt::Runtime& rt, std::optional<int> n) {
    UiState& ui = state(rt);
    int old = ui.palette;
    if (n) {
        int count = static_cast<int>(ui.palettes.size());
        ui.palette = std::clamp(*n, 1, std::max(count, 1));
        applyColour(rt);
    }
    return old;
}

int paletteNumber(rt::Runtime& rt, const Value& name) {
    UiState& ui = state(rt);
    int count = static_cast<int>(ui.palettes.size());
    if (name.isString() && trimmed(name.str()) != "*") {
        std::string want = upper(trimmed(name.str()));
        for (int i = 0; i < count; ++i)
            if (!want.empty() && ui.palettes[static_cast<std::size_t>(i)][0] == want) return i + 1;
    }
    int start = 1;
    if (isWindow(ui.current)) start = slotInt(ui.current, Slot::PaletteNumber, 1);
    if (count == 0) return start;
    start = std::clamp(start, 1, count);
    int n = start;
    do {
        n = n % count + 1;
        if (ui.palettes[static_cast<std::size_t>(n - 1)][0].empty()) return n;
    } while (n != start);
    return start;
}

void installPalettes(rt::Runtime& rt, std::vector<Palette> palettes) {
    UiState& ui = state(rt);
    ui.palettes = std::move(palettes);
    ui.palette = 1;
    ui.colourIndex = 2;
    setPalette(rt, paletteNumber(rt, Value("BACKGROUND")));
    setColorIndex(rt, 2);
}

void loadColors(rt::Runtime& rt, std::string_view path, std::string_view name) {
    std::string n = trimmed(name);
    std::string p = trimmed(path);
    std::optional<std::vector<Palette>> list;
    if (!n.empty()) list = readPaletteTable(rt, p, n);
    if (!list || list->empty()) trelbeg::hEnd(rt, 1, kPaletteError);
    installPalettes(rt, std::move(*list));
}

int setCursorShape(rt::Runtime& rt, int shape) {
    int old = con::cursorShape(rt);
    con::setCursorShape(rt, shape);
    return old;
}

// --- construction ---

// The default frame: the box on the outer rectangle, the title junctions where the title
// separator meets it, and the close box.
static Value frameDrawer(rt::Runtime& rt, std::span<const Value> args) {
    if (args.empty() || !isWindow(args[0])) return {};
    const Value& win = args[0];
    std::string boxChars = args.size() > 1 && args[1].isString() ? args[1].str() : kBoxSingle;
    std::string junctions =
        args.size() > 2 && args[2].isString() ? args[2].str() : std::string(kJunctionsPlain);
    int top = slotInt(win, Slot::Top), left = slotInt(win, Slot::Left);
    int bottom = slotInt(win, Slot::Bottom), right = slotInt(win, Slot::Right);
    con::box(rt, top, left, bottom, right, boxChars);
    if (!slot(win, Slot::Title).isNil() && !hasKind(win, 's') && junctions.size() >= 4) {
        con::write(rt, top + 2, left, junctions.substr(3, 1));
        con::write(rt, top + 2, right, junctions.substr(1, 1));
    }
    if (mExit(rt, win)) con::write(rt, top, right - 3, " X ");
    return {};
}

void drawFrame(rt::Runtime& rt, const Value& win, std::string_view junctions) {
    Value extra[] = {Value(std::string(kBoxSingle)), Value(junctions),
                     Value(std::string(kJunctionsPlain))};
    callHook(rt, win, Slot::FrameBlock, extra);
}

Value newWindow(rt::Runtime& rt, const Value& kind, const Value& top, const Value& left,
                const Value& bottom, const Value& right, const Value& title, const Value& palette,
                const Value& items, const Value& st, const Value& runBlock) {
    Value win = Value::newArray(kWindowSlots);
    std::string k = kind.isString() ? kind.str() : "";
    slot(win, Slot::Kind) = Value(k);
    slot(win, Slot::Top) = top;
    slot(win, Slot::Left) = left;
    slot(win, Slot::Bottom) = bottom;
    slot(win, Slot::Right) = right;
    slot(win, Slot::Title) = title;
    Value pal = palette;
    if (pal.isNil()) {
        if (k.find('H') != std::string::npos)
            pal = Value("HELP");
        else if (k.find('W') != std::string::npos)
            pal = Value("WARNING");
        else if (k.find('E') != std::string::npos)
            pal = Value("ERROR");
    }
    slot(win, Slot::Palette) = pal;
    slot(win, Slot::ColourIndex) = num(2);
    slot(win, Slot::CursorShape) = num(0);
    slot(win, Slot::ExitKeys) = Value::newArray();
    slot(win, Slot::FuncKeys) = Value::newArray();
    slot(win, Slot::Items) = items;
    slot(win, Slot::State) = st;
    slot(win, Slot::StateCode) = num(1);
    slot(win, Slot::FrameBlock) = Value(rt::nativeBlock(frameDrawer));
    slot(win, Slot::RunBlock) = runBlock;
    slot(win, Slot::MouseHandOver) = Value("");
    setExitKey(rt, win, newKey(key::kEsc, "Esc        - Abandonare", falseBlock()));
    setFuncKey(rt, win,
               newKey(key::kShiftF1, "Shift F1   - Ajutor documentatie si taste",
                      keysHelpBlock(&UiState::windowHelpLast)));
    return win;
}

// --- life cycle ---

namespace {
// Switches the output device to the screen for a scope and puts the previous one back.
struct ScreenDevice {
    explicit ScreenDevice(rt::Runtime& r) : rt(r), previous(state(r).device) {
        state(r).device = "SCREEN";
    }
    ~ScreenDevice() { state(rt).device = previous; }
    rt::Runtime& rt;
    std::string previous;
};

struct Rect {
    int top, left, bottom, right;
};

// The rectangle a window saves: its own, plus one row and one column of shadow margin for
// "O" windows that do not reach the right edge.
Rect savedRect(rt::Runtime& rt, const Value& win) {
    Rect r{slotInt(win, Slot::Top), slotInt(win, Slot::Left), slotInt(win, Slot::Bottom),
           slotInt(win, Slot::Right)};
    if (hasKind(win, 'O') && r.right <= con::maxCol(rt) - 1) {
        ++r.bottom;
        ++r.right;
    }
    return r;
}
}  // namespace

void createWindow(rt::Runtime& rt, const Value& win) {
    UiState& ui = state(rt);
    ScreenDevice device(rt);
    if (slotInt(win, Slot::StateCode) != 1) misuse(rt, "Fereastra este deja creata !");
    int oldShape = con::cursorShape(rt);
    int oldRow = con::cursorRow(rt), oldCol = con::cursorCol(rt);
    con::setCursorShape(rt, 0);
    slot(win, Slot::Parent) = ui.current;
    slot(win, Slot::LastKey) = Value();
    slot(win, Slot::FuncKeysAllowed) = Value();
    slot(win, Slot::SavedDevice) = Value();

    int count = static_cast<int>(ui.palettes.size());
    const Value& wanted = slot(win, Slot::Palette);
    int pal = wanted.isNumber()
                  ? std::clamp(static_cast<int>(wanted.numVal()), 1, std::max(count, 1))
                  : paletteNumber(rt, wanted);
    slot(win, Slot::PaletteNumber) = num(pal);
    int oldPalette = setPalette(rt, pal);
    int oldIndex = setColorIndex(rt, 2);

    callHook(rt, win, Slot::LayoutBlock);
    int top = slotInt(win, Slot::Top), left = slotInt(win, Slot::Left);
    int bottom = slotInt(win, Slot::Bottom), right = slotInt(win, Slot::Right);

    Rect r = savedRect(rt, win);
    slot(win, Slot::Background) = Value(con::saveRect(rt, r.top, r.left, r.bottom, r.right));

    if (!hasKind(win, 's')) {
        con::fill(rt, top, left, bottom, right);
        con::setCursor(rt, top, left);
    }
    bool framed = hasFrame(win);
    if (framed) {
        setColorIndex(rt, colour::kBorder);
        drawFrame(rt, win, inactiveJunctions(rt));
    }
    int clientTop = framed ? top + 1 : top;
    int clientLeft = framed ? left + 1 : left;
    int clientRight = framed ? right - 1 : right;
    int clientWidth = clientRight - clientLeft + 1;
    con::setCursor(rt, clientTop, clientLeft);
    const Value& title = slot(win, Slot::Title);
    if (!title.isNil()) {
        setColorIndex(rt, colour::kTitle);
        std::string text = title.isString() ? title.str() : std::string();
        con::write(rt, clientTop, clientLeft, padCentre(text, clientWidth));
        int next = clientTop + 1;
        if (framed) {
            setColorIndex(rt, colour::kBorder);
            con::write(rt, next, clientLeft,
                       std::string(static_cast<std::size_t>(std::max(clientWidth, 0)), '\xC4'));
            ++next;
        }
        con::setCursor(rt, next, clientLeft);
    }
    setColorIndex(rt, slotInt(win, Slot::ColourIndex, 2));
    slot(win, Slot::CursorRow) = slot(win, Slot::OriginRow) = num(con::cursorRow(rt));
    slot(win, Slot::CursorCol) = slot(win, Slot::OriginCol) = num(con::cursorCol(rt));

    callHook(rt, win, Slot::DrawBlock);

    setPalette(rt, oldPalette);
    setColorIndex(rt, oldIndex);
    con::setCursorShape(rt, oldShape);
    if (oldShape != 0) con::setCursor(rt, oldRow, oldCol);
    setSlotInt(win, Slot::StateCode, 3);
}

Value activeWindow(rt::Runtime& rt) {
    UiState& ui = state(rt);
    return ui.active ? ui.current : Value();
}

void actWindow(rt::Runtime& rt, const Value& win) {
    UiState& ui = state(rt);
    if (slotInt(win, Slot::StateCode) != 3) misuse(rt, "Fereastra nu poate fi activata !");
    if (ui.active) misuse(rt, "Exista deja o fereastra activa !");
    ui.current = win;
    ui.active = true;
    setSlotInt(win, Slot::StateCode, 2);
    std::string previousDevice = ui.device;
    ui.device = "SCREEN";

    setPalette(rt, slotInt(win, Slot::PaletteNumber, 1));
    setColorIndex(rt, slotInt(win, Slot::ColourIndex, 2));
    if (hasFrame(win) && !hasKind(win, '-')) {
        setColorIndex(rt, colour::kActBorder);
        drawFrame(rt, win, kJunctionsPlain);
        setColorIndex(rt, slotInt(win, Slot::ColourIndex, 2));
    }

    const Value& zones = slot(win, Slot::MouseZones);
    bool buttons = false;
    if (mousePresent(rt) && zones.isArray()) {
        int r24 = con::maxRow(rt) - 1;
        for (const Value& z : zones.array().items)
            if (z.isArray() && z.array().items.size() >= 7 && z.array().items[1].isNumber() &&
                static_cast<int>(z.array().items[1].numVal()) == r24 &&
                z.array().items[6].isLogical() && z.array().items[6].logical())
                buttons = true;
    }
    const Value hint = slot(win, Slot::MessageLine);
    if (buttons) {
        pMessMZone(rt, zones);
    } else if (hint.isString()) {
        if (static_cast<int>(hint.str().size()) > con::maxCol(rt) + 1) {
            int mr = con::maxRow(rt);
            con::restoreRect(rt, mr, 0, mr, con::maxCol(rt), hint.str());
        } else {
            mesHlp(rt, hint.str());
        }
    }

    callHook(rt, win, Slot::ActivateBlock);

    int shape = slotInt(win, Slot::CursorShape, 0);
    con::setCursorShape(rt, shape);
    if (shape == 2) ui.insertMode = true;
    if (shape == 1) ui.insertMode = false;
    if (shape != 0 && slot(win, Slot::CursorRow).isNumber() &&
        slot(win, Slot::CursorCol).isNumber())
        con::setCursor(rt, slotInt(win, Slot::CursorRow), slotInt(win, Slot::CursorCol));

    if (hasKind(win, 'W'))
        beepWar(rt, false);
    else if (hasKind(win, 'E'))
        beepErr(rt, false);

    if (slot(win, Slot::SavedDevice).isNil())
        slot(win, Slot::SavedDevice) = Value(previousDevice);
    else
        ui.device = previousDevice;
}

Value runWindow(rt::Runtime& rt) {
    UiState& ui = state(rt);
    if (!ui.active) misuse(rt, kNoActiveWindow);
    Value win = ui.current;
    return callHook(rt, win, Slot::RunBlock);
}

Value deactWindow(rt::Runtime& rt, bool final, bool quiet) {
    UiState& ui = state(rt);
    if (!ui.active) return {};
    Value win = ui.current;
    std::string previousDevice = ui.device;
    ui.device = "SCREEN";
    callHook(rt, win, Slot::DeactivateBlock);
    setSlotInt(win, Slot::ColourIndex, ui.colourIndex);
    setSlotInt(win, Slot::CursorShape, con::cursorShape(rt));
    setSlotInt(win, Slot::CursorRow, con::cursorRow(rt));
    setSlotInt(win, Slot::CursorCol, con::cursorCol(rt));
    if (hasFrame(win) && !hasKind(win, '-')) {
        int index = ui.colourIndex;
        setColorIndex(rt, colour::kBorder);
        drawFrame(rt, win, inactiveJunctions(rt));
        setColorIndex(rt, index);
    }
    int mr = con::maxRow(rt);
    slot(win, Slot::MessageLine) = Value(con::saveRect(rt, mr, 0, mr, con::maxCol(rt)));
    if (!quiet) {
        Value* wait = rt.findVar("H_MESWAIT");
        mesHlp(rt, wait && wait->isString() ? wait->str() : std::string("Asteptati !"));
    }
    setSlotInt(win, Slot::StateCode, 3);
    ui.active = false;
    if (final) {
        const Value& saved = slot(win, Slot::SavedDevice);
        if (saved.isString()) previousDevice = saved.str();
        slot(win, Slot::SavedDevice) = Value();
        ui.current = slot(win, Slot::Parent);
    }
    con::setCursorShape(rt, 0);
    ui.device = previousDevice;
    return win;
}

void destroyWindow(rt::Runtime& rt, const Value& given) {
    UiState& ui = state(rt);
    Value win = given.isNil() ? ui.current : given;
    if (!isWindow(win)) misuse(rt, "Fereastra nu poate fi distrusa !");
    ScreenDevice device(rt);
    if (slotInt(win, Slot::StateCode) != 3) misuse(rt, "Fereastra nu poate fi distrusa !");
    setSlotInt(win, Slot::StateCode, 1);
    callHook(rt, win, Slot::DestroyBlock);
    const Value& bg = slot(win, Slot::Background);
    if (bg.isString()) {
        Rect r = savedRect(rt, win);
        con::restoreRect(rt, r.top, r.left, r.bottom, r.right, bg.str());
    }
    for (Slot s :
         {Slot::CursorRow, Slot::CursorCol, Slot::SavedDevice, Slot::Background, Slot::MessageLine})
        slot(win, s) = Value();
}

Value popupWindow(rt::Runtime& rt, const Value& win, const Value& background) {
    Value previous = deactWindow(rt, false);
    if (isWindow(background)) createWindow(rt, background);
    createWindow(rt, win);
    actWindow(rt, win);
    Value result = runWindow(rt);
    deactWindow(rt, true);
    destroyWindow(rt, win);
    if (isWindow(background)) destroyWindow(rt, background);
    if (isWindow(previous)) actWindow(rt, previous);
    return result;
}

Value execWindow(rt::Runtime& rt, const Value& win) {
    Value previous = deactWindow(rt, false);
    actWindow(rt, win);
    Value result = runWindow(rt);
    deactWindow(rt, true);
    if (isWindow(previous)) actWindow(rt, previous);
    return result;
}

void begWindow(rt::Runtime& rt, const Value& win, const Value& background) {
    UiState& ui = state(rt);
    Value previous = deactWindow(rt, false);
    ui.begEnd.push_back({win, background, previous});
    if (isWindow(background)) createWindow(rt, background);
    if (isWindow(win)) {
        createWindow(rt, win);
        actWindow(rt, win);
    }
}

void endWindow(rt::Runtime& rt, const Value& win, const Value& background) {
    UiState& ui = state(rt);
    if (ui.begEnd.empty() || !ui.begEnd.back().window.identical(win) ||
        !ui.begEnd.back().background.identical(background))
        misuse(rt, "Secventa h_BegWindow, h_EndWindow eronata !");
    Value previous = ui.begEnd.back().previous;
    ui.begEnd.pop_back();
    if (isWindow(win)) {
        deactWindow(rt, true);
        destroyWindow(rt, win);
    }
    if (isWindow(background)) destroyWindow(rt, background);
    if (isWindow(previous)) actWindow(rt, previous);
}

// --- multi-window groups ---

bool inMultiWindow(rt::Runtime& rt, const Value& win) {
    for (const Value& g : state(rt).groups)
        for (const Value& m : g.array().items)
            if (m.identical(win)) return true;
    return false;
}

Value multiWindow(rt::Runtime& rt, const Value& windows, const Value& background,
                  const Value& startArg, const Value& endBlock) {
    UiState& ui = state(rt);
    if (!windows.isArray()) return {};
    std::vector<Value> members;
    for (const Value& w : windows.array().items)
        if (isWindow(w)) members.push_back(w);
    int count = static_cast<int>(members.size());
    ui.groups.push_back(windows);
    int start = startArg.isNumber() ? static_cast<int>(startArg.numVal()) : 1;
    start = std::clamp(start, 1, std::max(count, 1));

    Value previous = deactWindow(rt, false);
    if (isWindow(background)) createWindow(rt, background);

    auto inactive = [&](int i) { return hasKind(members[static_cast<std::size_t>(i - 1)], 'I'); };
    int live = 0;
    for (int i = 1; i <= count; ++i)
        if (!inactive(i)) ++live;
    std::vector<std::pair<bool, bool>> added(static_cast<std::size_t>(count), {false, false});
    Value yes = trueBlock();
    for (int i = 0; i < count; ++i) {
        const Value& m = members[static_cast<std::size_t>(i)];
        if (live > 1) {
            if (!isExitKey(rt, m, key::kTab, nullptr) && !hasKind(m, 'e')) {
                setExitKey(rt, m,
                           newKey(key::kTab, "Tab        - Salt la fereastra urmatoare", yes));
                added[static_cast<std::size_t>(i)].first = true;
            }
            if (!isExitKey(rt, m, key::kShiftTab, nullptr)) {
                setExitKey(
                    rt, m,
                    newKey(key::kShiftTab, "Shift Tab  - Salt la fereastra precedenta", yes));
                added[static_cast<std::size_t>(i)].second = true;
            }
        }
        if (!isExitKey(rt, m, key::kLeftDown, nullptr))
            setExitKey(rt, m, newKey(key::kLeftDown, "", yes));
        if (!isExitKey(rt, m, key::kLeftDouble, nullptr))
            setExitKey(rt, m, newKey(key::kLeftDouble, "", yes));
        createWindow(rt, m);
    }

    Value result;
    int current = start;
    if (live == 0) {
        start = 0;
    } else {
        while (inactive(current)) current = current % count + 1;
        auto step = [&](int from, int dir, bool wrap) -> int {
            int i = from;
            for (int n = 0; n < count; ++n) {
                i += dir;
                if (i > count) {
                    if (!wrap) return 0;
                    i = 1;
                }
                if (i < 1) {
                    if (!wrap) return 0;
                    i = count;
                }
                if (i == from) return 0;
                if (!inactive(i)) return i;
            }
            return 0;
        };
        for (;;) {
            const Value& m = members[static_cast<std::size_t>(current - 1)];
            actWindow(rt, m);
            result = runWindow(rt);
            deactWindow(rt, true);
            start = current;
            if (result.isLogical() && !result.logical()) break;
            int k = slotInt(m, Slot::LastKey, 0);
            int next = 0;
            if (k == key::kEnter) {
                next = step(current, 1, false);
            } else if (k == key::kTab) {
                next = step(current, 1, true);
            } else if (k == key::kShiftTab) {
                next = step(current, -1, true);
            } else if (k == key::kLeftDown || k == key::kLeftDouble) {
                int other = mmWin(rt, windows, m);
                if (other > 0) {
                    const Value& o = windows.array().items[static_cast<std::size_t>(other - 1)];
                    int mr = con::mouseRow(rt), mc = con::mouseCol(rt);
                    int top = slotInt(o, Slot::Top), right = slotInt(o, Slot::Right);
                    if (mExit(rt, o) && mr == top && mc >= right - 3 && mc <= right - 1) break;
                    for (int i = 1; i <= count; ++i)
                        if (members[static_cast<std::size_t>(i - 1)].identical(o)) next = i;
                    if (next > 0) {
                        slot(o, Slot::MouseHandOver) = Value("A");
                        slot(o, Slot::LastKey) = num(k);
                    }
                } else if (mOverW(rt, m) && !mzone(rt, m, "M")) {
                    beepKey(rt, false);
                    continue;
                }
            }
            if (next == 0) break;
            current = next;
        }
    }
    if (endBlock.isBlock()) {
        Value args[] = {num(start), result};
        result = rt.eval(endBlock, args);
    }
    for (int i = 0; i < count; ++i) {
        const Value& m = members[static_cast<std::size_t>(i)];
        if (slotInt(m, Slot::StateCode) == 3) destroyWindow(rt, m);
        if (added[static_cast<std::size_t>(i)].first)
            setExitKey(rt, m, newKey(key::kTab, "", Value()));
        if (added[static_cast<std::size_t>(i)].second)
            setExitKey(rt, m, newKey(key::kShiftTab, "", Value()));
    }
    if (isWindow(background)) destroyWindow(rt, background);
    ui.groups.pop_back();
    if (isWindow(previous)) actWindow(rt, previous);
    return result;
}

bool moveWindow(rt::Runtime& rt, const Value& win, const Value& moveBlock) {
    UiState& ui = state(rt);
    int maxRow = con::maxRow(rt), maxCol = con::maxCol(rt);
    int lastRow = con::mouseRow(rt), lastCol = con::mouseCol(rt);
    // The console is read directly: the key reader drops the release that ends the drag.
    while (ui.leftDown) {
        int k = con::readKey(rt, 0.0);
        if (k == key::kLeftUp) {
            ui.leftDown = false;
            break;
        }
        if (k != key::kMouseMove) {
            if (k != key::kLeftDown) beepKey(rt, false);
            continue;
        }
        int mr = con::mouseRow(rt), mc = con::mouseCol(rt);
        int top = slotInt(win, Slot::Top), left = slotInt(win, Slot::Left);
        int bottom = slotInt(win, Slot::Bottom), right = slotInt(win, Slot::Right);
        int dr = std::clamp(mr - lastRow, -top, maxRow - 1 - bottom);
        int dc = std::clamp(mc - lastCol, -left, maxCol - right);
        lastRow = mr;
        lastCol = mc;
        if (dr == 0 && dc == 0) continue;
        con::beginUpdate(rt);
        std::string image = con::saveRect(rt, top, left, bottom, right);
        Rect r = savedRect(rt, win);
        const Value& bg = slot(win, Slot::Background);
        if (bg.isString()) con::restoreRect(rt, r.top, r.left, r.bottom, r.right, bg.str());
        for (Slot s : {Slot::Top, Slot::Bottom, Slot::OriginRow})
            if (slot(win, s).isNumber()) setSlotInt(win, s, slotInt(win, s) + dr);
        for (Slot s : {Slot::Left, Slot::Right, Slot::OriginCol})
            if (slot(win, s).isNumber()) setSlotInt(win, s, slotInt(win, s) + dc);
        const Value& zones = slot(win, Slot::MouseZones);
        if (zones.isArray()) {
            for (const Value& z : zones.array().items) {
                if (!z.isArray() || z.array().items.size() < 5) continue;
                auto& it = z.array().items;
                if (it[1].isNumber() && it[3].isNumber() &&
                    static_cast<int>(it[1].numVal()) == maxRow - 1 &&
                    static_cast<int>(it[3].numVal()) == maxRow)
                    continue;
                for (int i : {1, 3})
                    if (it[static_cast<std::size_t>(i)].isNumber())
                        it[static_cast<std::size_t>(i)] =
                            num(static_cast<int>(it[static_cast<std::size_t>(i)].numVal()) + dr);
                for (int i : {2, 4})
                    if (it[static_cast<std::size_t>(i)].isNumber())
                        it[static_cast<std::size_t>(i)] =
                            num(static_cast<int>(it[static_cast<std::size_t>(i)].numVal()) + dc);
            }
        }
        if (moveBlock.isBlock()) {
            Value args[] = {win, num(dr), num(dc)};
            rt.eval(moveBlock, args);
        }
        r = savedRect(rt, win);
        slot(win, Slot::Background) = Value(con::saveRect(rt, r.top, r.left, r.bottom, r.right));
        con::restoreRect(rt, top + dr, left + dc, bottom + dr, right + dc, image);
        con::setCursor(rt, con::cursorRow(rt) + dr, con::cursorCol(rt) + dc);
        con::endUpdate(rt);
    }
    return true;
}

// --- the screen window ---

Value newScreen(rt::Runtime& rt, const Value& kind, const Value& top, const Value& bottom,
                const Value& title, const Value& palette, const Value& items) {
    std::string k = kind.isString() ? kind.str() : "";
    if (k.find('s') == std::string::npos) k += 's';
    Value fillChar(" ");
    if (items.isArray() && !items.array().items.empty()) fillChar = items.array().items[0];
    Value its = Value::newArray({fillChar, title});
    int t = top.isNumber() ? static_cast<int>(top.numVal()) : 1;
    int b = bottom.isNumber() ? static_cast<int>(bottom.numVal()) : con::maxRow(rt) - 1;
    Value win = newWindow(rt, Value(k), num(t), num(0), num(b), num(con::maxCol(rt)), Value(),
                          palette, its, Value(), Value());
    slot(win, Slot::FrameBlock) = Value();
    slot(win, Slot::Work) = Value::newArray({Value()});
    slot(win,
         Slot::DrawBlock) = Value(rt::nativeBlock([](rt::Runtime& r, std::span<const Value> a) {
        const Value& w = a[0];
        int mr = con::maxRow(r), mc = con::maxCol(r);
        slot(w, Slot::MessageLine) = Value(con::saveRect(r, mr, 0, mr, mc));
        auto& it = slot(w, Slot::Items).array().items;
        if (it.size() > 1 && !it[1].isNil()) {
            std::string text = it[1].isString() ? it[1].str() : std::string();
            if (text.empty()) text = std::string(40, ' ');
            slot(w, Slot::Work).array().items[0] = Value(con::saveRect(r, 0, 20, 0, 59));
            int old = setColorIndex(r, colour::kTitle);
            con::write(r, 0, 20, padCentre(text, 40));
            setColorIndex(r, old);
        }
        std::string f = it[0].isString() && !it[0].str().empty() ? it[0].str().substr(0, 1) : " ";
        int wt = slotInt(w, Slot::Top), wl = slotInt(w, Slot::Left);
        int wb = slotInt(w, Slot::Bottom), wr = slotInt(w, Slot::Right);
        con::fill(r, wt, wl, wb, wr, f[0]);
        if (wb == mr - 1) con::box(r, wb, wl, wb, wr, kBoxSingle);
        return Value();
    }));
    slot(win, Slot::DestroyBlock) =
        Value(rt::nativeBlock([](rt::Runtime& r, std::span<const Value> a) {
            const Value& w = a[0];
            Value& saved = slot(w, Slot::Work).array().items[0];
            if (saved.isString()) con::restoreRect(r, 0, 20, 0, 59, saved.str());
            saved = Value();
            const Value& line = slot(w, Slot::MessageLine);
            int mr = con::maxRow(r);
            if (line.isString()) con::restoreRect(r, mr, 0, mr, con::maxCol(r), line.str());
            return Value();
        }));
    auto refuse = Value(rt::nativeBlock([](rt::Runtime& r, std::span<const Value>) -> Value {
        misuse(r, "Fereastra de tip ECRAN nu poate fi activata !");
    }));
    slot(win, Slot::ActivateBlock) = refuse;
    slot(win, Slot::DeactivateBlock) = refuse;
    return win;
}

// --- coordinates ---

int wTop(rt::Runtime& rt, int height) { return (con::maxRow(rt) + 1 - height) / 2; }
int wLeft(rt::Runtime& rt, int width) { return (con::maxCol(rt) + 1 - width) / 2; }

namespace {

Value requireActive(rt::Runtime& rt) {
    Value w = activeWindow(rt);
    if (!isWindow(w)) misuse(rt, kNoActiveWindow);
    return w;
}

int frameInset(const Value& w) { return hasFrame(w) ? 1 : 0; }

// Floor division of a classic centring value: half of the even value, or of the value minus
// one when odd, which for non-negative values is integer division.
int halfDown(int v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }

Value windowArg(rt::Frame& f, int n) {
    const Value& v = f.arg(n);
    if (!isWindow(v)) f.argError();
    return v;
}

std::optional<int> optInt(rt::Frame& f, int n) {
    if (f.arg(n).isNumber()) return static_cast<int>(std::floor(f.arg(n).numVal()));
    return std::nullopt;
}

void fn_H_NEWWINDOW(rt::Frame& f) {
    f.ret(newWindow(f.runtime(), f.arg(1), f.arg(2), f.arg(3), f.arg(4), f.arg(5), f.arg(6),
                    f.arg(7), f.arg(8), f.arg(9), f.arg(10)));
}
void fn_H_NEWSCREEN(rt::Frame& f) {
    f.ret(newScreen(f.runtime(), f.arg(1), f.arg(2), f.arg(4), f.arg(6), f.arg(7), f.arg(8)));
}
void fn_H_CREATEWINDOW(rt::Frame& f) { createWindow(f.runtime(), windowArg(f, 1)); }
void fn_H_ACTWINDOW(rt::Frame& f) {
    if (f.arg(1).isNil()) {
        f.ret(activeWindow(f.runtime()));
        return;
    }
    actWindow(f.runtime(), windowArg(f, 1));
}
void fn_H_RUNWINDOW(rt::Frame& f) { f.ret(runWindow(f.runtime())); }
void fn_H_DEACTWINDOW(rt::Frame& f) {
    f.ret(deactWindow(f.runtime(), f.logOr(1, false), f.logOr(2, false)));
}
void fn_H_DESTROYWINDOW(rt::Frame& f) { destroyWindow(f.runtime(), f.arg(1)); }
void fn_H_POPUPWINDOW(rt::Frame& f) { f.ret(popupWindow(f.runtime(), windowArg(f, 1), f.arg(2))); }
void fn_H_EXECWINDOW(rt::Frame& f) { f.ret(execWindow(f.runtime(), windowArg(f, 1))); }
void fn_H_BEGWINDOW(rt::Frame& f) { begWindow(f.runtime(), f.arg(1), f.arg(2)); }
void fn_H_ENDWINDOW(rt::Frame& f) { endWindow(f.runtime(), f.arg(1), f.arg(2)); }
void fn_H_MULTIWINDOW(rt::Frame& f) {
    f.ret(multiWindow(f.runtime(), f.arg(1), f.arg(2), f.arg(3), f.arg(4)));
}
void fn_H_INMULTIWINDOWL(rt::Frame& f) { f.ret(inMultiWindow(f.runtime(), f.arg(1))); }
void fn_H_MOVEWINDOW(rt::Frame& f) { f.ret(moveWindow(f.runtime(), windowArg(f, 1), f.arg(2))); }
void fn_H_LOADCOLORS(rt::Frame& f) { loadColors(f.runtime(), f.strOr(1, ""), f.strOr(2, "")); }
void fn_H_SETPALETTE(rt::Frame& f) {
    UiState& ui = state(f.runtime());
    if (f.ref(2)) {
        Value copy;
        if (ui.palette >= 1 && ui.palette <= static_cast<int>(ui.palettes.size())) {
            copy = Value::newArray();
            for (const std::string& s : ui.palettes[static_cast<std::size_t>(ui.palette - 1)])
                copy.array().items.emplace_back(s);
        }
        f.setRef(2, copy);
    }
    f.ret(num(setPalette(f.runtime(), optInt(f, 1))));
}
void fn_H_PALETTENUMBER(rt::Frame& f) { f.ret(num(paletteNumber(f.runtime(), f.arg(1)))); }
void fn_H_SETCOLOR(rt::Frame& f) { f.ret(num(setColorIndex(f.runtime(), optInt(f, 1)))); }
void fn_H_SETCURSOR(rt::Frame& f) {
    rt::Runtime& rt = f.runtime();
    int old = con::cursorShape(rt);
    if (auto s = optInt(f, 1)) con::setCursorShape(rt, *s);
    f.ret(num(old));
}
void fn_H_ROW(rt::Frame& f) {
    Value w = requireActive(f.runtime());
    f.ret(num(con::cursorRow(f.runtime()) - slotInt(w, Slot::OriginRow)));
}
void fn_H_COL(rt::Frame& f) {
    Value w = requireActive(f.runtime());
    f.ret(num(con::cursorCol(f.runtime()) - slotInt(w, Slot::OriginCol)));
}
void fn_H_SETPOS(rt::Frame& f) {
    rt::Runtime& rt = f.runtime();
    Value w = requireActive(rt);
    int row =
        f.arg(1).isNumber() ? slotInt(w, Slot::OriginRow) + *optInt(f, 1) : con::cursorRow(rt);
    int col =
        f.arg(2).isNumber() ? slotInt(w, Slot::OriginCol) + *optInt(f, 2) : con::cursorCol(rt);
    con::setCursor(rt, row, col);
}
void fn_H_MAXROW(rt::Frame& f) {
    Value w = requireActive(f.runtime());
    f.ret(num(slotInt(w, Slot::Bottom) - slotInt(w, Slot::OriginRow) - frameInset(w)));
}
void fn_H_MAXCOL(rt::Frame& f) {
    Value w = requireActive(f.runtime());
    f.ret(num(slotInt(w, Slot::Right) - slotInt(w, Slot::OriginCol) - frameInset(w)));
}
void fn_H_SCREENROW(rt::Frame& f) {
    Value w = requireActive(f.runtime());
    f.ret(num(slotInt(w, Slot::OriginRow) + optInt(f, 1).value_or(0)));
}
void fn_H_SCREENCOL(rt::Frame& f) {
    Value w = requireActive(f.runtime());
    f.ret(num(slotInt(w, Slot::OriginCol) + optInt(f, 1).value_or(0)));
}
void fn_H_SCREENOUT(rt::Frame& f) {
    rt::Runtime& rt = f.runtime();
    Value text = f.arg(1);
    if (!text.isString() || !f.arg(2).isNil()) {
        if (rt.findFunction("TRANSFORM") >= 0)
            text = rt.call("TRANSFORM", {f.arg(1), f.arg(2).isNil() ? Value("") : f.arg(2)});
        else
            text = Value(rt::repr(f.arg(1)));
    }
    if (text.isString()) con::write(rt, con::cursorRow(rt), con::cursorCol(rt), text.str());
}
void fn_H_WTOP(rt::Frame& f) {
    f.ret(num(halfDown(con::maxRow(f.runtime()) + 1 - static_cast<int>(f.numOr(1, 0)))));
}
void fn_H_WBOTTOM(rt::Frame& f) {
    int h = static_cast<int>(f.numOr(1, 0));
    f.ret(num(halfDown(con::maxRow(f.runtime()) + 1 - h) + h - 1));
}
void fn_H_WLEFT(rt::Frame& f) {
    f.ret(num(halfDown(con::maxCol(f.runtime()) + 1 - static_cast<int>(f.numOr(1, 0)))));
}
void fn_H_WRIGHT(rt::Frame& f) {
    int w = static_cast<int>(f.numOr(1, 0));
    f.ret(num(halfDown(con::maxCol(f.runtime()) + 1 - w) + w - 1));
}
void fn_H_BOXSD(rt::Frame& f) { f.ret(boxSd(f.runtime())); }
void fn_H_SCRISUNICODE(rt::Frame& f) { f.ret(false); }

const rt::Builtin kBuiltins[] = {
    {"H_NEWWINDOW", fn_H_NEWWINDOW},
    {"H_NEWSCREEN", fn_H_NEWSCREEN},
    {"H_CREATEWINDOW", fn_H_CREATEWINDOW},
    {"H_ACTWINDOW", fn_H_ACTWINDOW},
    {"H_RUNWINDOW", fn_H_RUNWINDOW},
    {"H_DEACTWINDOW", fn_H_DEACTWINDOW},
    {"H_DESTROYWINDOW", fn_H_DESTROYWINDOW},
    {"H_POPUPWINDOW", fn_H_POPUPWINDOW},
    {"H_EXECWINDOW", fn_H_EXECWINDOW},
    {"H_BEGWINDOW", fn_H_BEGWINDOW},
    {"H_ENDWINDOW", fn_H_ENDWINDOW},
    {"H_MULTIWINDOW", fn_H_MULTIWINDOW},
    {"H_INMULTIWINDOWL", fn_H_INMULTIWINDOWL},
    {"H_MOVEWINDOW", fn_H_MOVEWINDOW},
    {"H_LOADCOLORS", fn_H_LOADCOLORS},
    {"H_SETPALETTE", fn_H_SETPALETTE},
    {"H_PALETTENUMBER", fn_H_PALETTENUMBER},
    {"H_SETCOLOR", fn_H_SETCOLOR},
    {"H_SETCURSOR", fn_H_SETCURSOR},
    {"H_ROW", fn_H_ROW},
    {"H_COL", fn_H_COL},
    {"H_SETPOS", fn_H_SETPOS},
    {"H_MAXROW", fn_H_MAXROW},
    {"H_MAXCOL", fn_H_MAXCOL},
    {"H_SCREENROW", fn_H_SCREENROW},
    {"H_SCREENCOL", fn_H_SCREENCOL},
    {"H_SCREENOUT", fn_H_SCREENOUT},
    {"H_WTOP", fn_H_WTOP},
    {"H_WBOTTOM", fn_H_WBOTTOM},
    {"H_WLEFT", fn_H_WLEFT},
    {"H_WRIGHT", fn_H_WRIGHT},
    {"H_BOXSD", fn_H_BOXSD},
    {"H_SCRISUNICODE", fn_H_SCRISUNICODE},
};

}  // namespace

std::span<const rt::Builtin> userintfBuiltins() { return kBuiltins; }

}  // namespace xb::fw::ui
