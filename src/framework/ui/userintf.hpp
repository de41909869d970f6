// USERINTF: window records, their life cycle, frames, palettes, coordinates relative to the
// active window, the full-screen background window and multi-window groups.
//
// A window is an xBase array of 35 slots, because scripts read slots by number (the options
// dialog's choice is slot 13, element 1). C++ names the slots instead of using bare numbers.
// Each kind (options, message, menu, ...) fills the hooks in slots 27-33, which the life cycle
// calls at fixed points:
//   state 1 (constructed) --createWindow--> 3 (drawn, background saved)
//   3 --actWindow--> 2 (active: receives keys; at most one window is active)
//   2 --deactWindow(final?)--> 3;  3 --destroyWindow--> 1 (background put back)
// Invariants: a window in state 3 or 2 holds in slot 20 exactly the image of the rectangle it
// covers (plus the shadow margin), taken before it was drawn; destroying it puts that back.
// Misuse of the life cycle is a programming error and stops the program (code 2).
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/runtime.hpp"

namespace xb::fw::ui {

inline constexpr int kWindowSlots = 35;

enum class Slot : int {
    Kind = 1,
    Top,
    Left,
    Bottom,
    Right,
    Title,
    Palette,
    ColourIndex,
    CursorShape,
    ExitKeys,
    FuncKeys,
    Items,
    State,
    Work,
    CursorRow,
    CursorCol,
    OriginRow,
    OriginCol,
    SavedDevice,
    Background,
    MessageLine,
    Parent,
    StateCode,
    PaletteNumber,
    LastKey,
    FuncKeysAllowed,
    FrameBlock,
    LayoutBlock,
    DrawBlock,
    ActivateBlock,
    RunBlock,
    DeactivateBlock,
    DestroyBlock,
    MouseZones,
    MouseHandOver
};

// Colour indexes of a palette (the field order of the palette table).
namespace colour {
inline constexpr int kName = 1, kNormal = 2, kSelected = 3, kUnselect = 4, kBright = 5, kLocked = 6,
                     kBlind = 7, kTitle = 8, kBorder = 9, kActBorder = 10, kHelp = 11,
                     kWarning = 12, kError = 13;
}

// The box string and the junction sets (down-tee, left-tee, up-tee, right-tee) of frames.
inline constexpr char kBoxSingle[] = "\xDA\xC4\xBF\xB3\xD9\xC4\xC0\xB3";
inline constexpr char kJunctionsPlain[] = "\xC2\xB4\xC1\xC3";
inline constexpr char kJunctionsSd[] = "\xD2\xB5\xD0\xC6";

using Palette = std::array<std::string, 13>;

// Process-wide state of the user interface, owned by the runtime.
struct UiState {
    static const int kTag;
    explicit UiState(rt::Runtime&) {}

    std::vector<Palette> palettes;
    int palette = 1;      // current palette number (1-based)
    int colourIndex = 2;  // current colour index
    bool active = false;  // a window is active
    rt::Value current;    // the active window, or the parent after a final deactivation
    struct BegEnd {
        rt::Value window, background, previous;
    };
    std::vector<BegEnd> begEnd;
    std::vector<rt::Value> groups;  // running multi-window groups (arrays of windows)
    std::optional<bool> boxSd;
    std::string device = "SCREEN";
    bool insertMode = false;

    // Keys (SCREEN).
    rt::Value globalKeys = rt::Value::newArray();
    rt::Value fullGlobalKeys;  // NIL until the first switch
    bool globalKeysOn = true;
    bool funcKeysOn = true;
    enum class MouseSwitch { Off, On, Environment } mouse = MouseSwitch::Off;
    bool leftDown = false;

    // Batch mode (HMES).
    bool stopOnError = false;
    rt::Value batchList;
    rt::Value batchBlock;

    // Help-menu memories, one per caller.
    rt::Value optionsHelpLast = rt::Value::integer(1);
    rt::Value messageHelpLast = rt::Value::integer(1);
    rt::Value menuHelpLast = rt::Value::integer(1);
    rt::Value windowHelpLast = rt::Value::integer(1);
};
UiState& state(rt::Runtime& rt);

// --- window record access ---
bool isWindow(const rt::Value& v);
// The slot of a window record (XB_ASSERTs that it is one: check isWindow() for script input).
rt::Value& slot(const rt::Value& win, Slot s);
bool hasKind(const rt::Value& win, char letter);
int slotInt(const rt::Value& win, Slot s, int def = 0);
void setSlotInt(const rt::Value& win, Slot s, int n);
// Evaluates the block in `slot` with the window as first argument; a NIL slot gives NIL.
rt::Value callHook(rt::Runtime& rt, const rt::Value& win, Slot slot,
                   std::span<const rt::Value> extra = {});
// Ends the program as a life-cycle misuse (code 2).
[[noreturn]] void misuse(rt::Runtime& rt, std::string_view message);
inline constexpr char kNoActiveWindow[] = "Nu exista fereastra activa !";

// --- life cycle ---
rt::Value newWindow(rt::Runtime& rt, const rt::Value& kind, const rt::Value& top,
                    const rt::Value& left, const rt::Value& bottom, const rt::Value& right,
                    const rt::Value& title, const rt::Value& palette, const rt::Value& items,
                    const rt::Value& state, const rt::Value& runBlock);
void createWindow(rt::Runtime& rt, const rt::Value& win);
void actWindow(rt::Runtime& rt, const rt::Value& win);
rt::Value activeWindow(rt::Runtime& rt);  // NIL when none is active
rt::Value runWindow(rt::Runtime& rt);
rt::Value deactWindow(rt::Runtime& rt, bool final, bool quiet = false);
void destroyWindow(rt::Runtime& rt, const rt::Value& win);
rt::Value popupWindow(rt::Runtime& rt, const rt::Value& win, const rt::Value& background = {});
rt::Value execWindow(rt::Runtime& rt, const rt::Value& win);
void begWindow(rt::Runtime& rt, const rt::Value& win, const rt::Value& background = {});
void endWindow(rt::Runtime& rt, const rt::Value& win, const rt::Value& background = {});
rt::Value multiWindow(rt::Runtime& rt, const rt::Value& windows, const rt::Value& background,
                      const rt::Value& start, const rt::Value& endBlock);
bool inMultiWindow(rt::Runtime& rt, const rt::Value& win);
bool moveWindow(rt::Runtime& rt, const rt::Value& win, const rt::Value& moveBlock);
bool hasFrame(const rt::Value& win);
// Redraws the frame of a window with the given title-junction set.
void drawFrame(rt::Runtime& rt, const rt::Value& win, std::string_view junctions);

// The full-screen background window (H_NEWSCREEN).
rt::Value newScreen(rt::Runtime& rt, const rt::Value& kind, const rt::Value& top,
                    const rt::Value& bottom, const rt::Value& title, const rt::Value& palette,
                    const rt::Value& items);

// --- palettes ---
// Loads the active records of the palette table; any failure ends the program with
// "Fisierul Palete de culori absent/eronat !".
void loadColors(rt::Runtime& rt, std::string_view path, std::string_view name);
// Installs a palette list (what loadColors does after reading the table).
void installPalettes(rt::Runtime& rt, std::vector<Palette> palettes);
int setPalette(rt::Runtime& rt, std::optional<int> n);
int paletteNumber(rt::Runtime& rt, const rt::Value& name);
int setColorIndex(rt::Runtime& rt, std::optional<int> index);
int setCursorShape(rt::Runtime& rt, int shape);
bool boxSd(rt::Runtime& rt);
inline constexpr char kPaletteError[] = "Fisierul Palete de culori absent/eronat !";

// --- coordinates (relative to the active window's client area) ---
int wTop(rt::Runtime& rt, int height);
int wLeft(rt::Runtime& rt, int width);

// The xBase functions of this module.
std::span<const rt::Builtin> userintfBuiltins();

// Small text helpers shared by the kinds.
std::string padRight(std::string_view s, int width);   // cut or pad with blanks
std::string padCentre(std::string_view s, int width);  // cut, or centre (odd blank right)
std::string trimmed(std::string_view s);
std::string upper(std::string_view s);
rt::Value num(int n);

}  // namespace xb::fw::ui
