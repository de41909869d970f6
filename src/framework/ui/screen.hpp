// SCREEN: the key reader, key tables (exit, function and global keys), mouse zones and the
// message-line buttons.
//
// Every run loop reads keys through inkey(). A function key of the active window or a global
// key runs its action inside the reader and is never seen by the caller; exit keys are only
// looked up by the run loops. A key entry is the xBase array {code, help text, action}; a
// table holds at most one entry per code, in registration order, so a re-registered key
// keeps its place in the help pages. A mouse zone is {identifier, top, left, bottom, right,
// value, enabled}; a zone spanning the last two rows is a message-line button.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "runtime/runtime.hpp"
#include "term/keys.hpp"

namespace xb::fw::ui {

namespace key = term::key;

// Blocks that yield a constant, for key actions.
rt::Value trueBlock();
rt::Value falseBlock();

// --- reading keys ---
// seconds: nullopt returns at once when no key is waiting, 0 waits without limit, otherwise
// at most that long. 0 is "no key".
int inkey(rt::Runtime& rt, std::optional<double> seconds, std::string_view flags = "");
int xInkey(rt::Runtime& rt, std::optional<double> seconds, std::string_view flags = "");
int consInkey(rt::Runtime& rt, std::optional<double> seconds);

// --- key tables ---
rt::Value newKey(int code, std::string_view text, const rt::Value& action);
rt::Value newKey(const rt::Value& code, const rt::Value& text, const rt::Value& action);
// win NIL: the active window (none active ends the program). Returns the previous entry.
rt::Value setExitKey(rt::Runtime& rt, const rt::Value& win, const rt::Value& entry);
rt::Value setFuncKey(rt::Runtime& rt, const rt::Value& win, const rt::Value& entry);
rt::Value setGlobalKey(rt::Runtime& rt, const rt::Value& entry);
// Look-ups; `entry` (when not null) receives the entry or an empty one.
bool isExitKey(rt::Runtime& rt, const rt::Value& win, int code, rt::Value* entry);
bool isFuncKey(rt::Runtime& rt, const rt::Value& win, int code, rt::Value* entry);
bool isGlobalKey(rt::Runtime& rt, int code, rt::Value* entry);
bool switchGlobalKeys(rt::Runtime& rt, bool on);
// The key-help pages (message windows) or NIL.
rt::Value hlpExitKeys(rt::Runtime& rt, const rt::Value& win);
rt::Value hlpFuncKeys(rt::Runtime& rt, const rt::Value& win);
// The function-key menu: true when a function was chosen and run.
bool fx(rt::Runtime& rt, const rt::Value& win);
// The action of an exit key entry (NIL without one), evaluated without arguments.
rt::Value exitKeyValue(rt::Runtime& rt, const rt::Value& entry);

// --- mouse ---
bool mousePresent(rt::Runtime& rt);
bool mEvent(int code);
struct ZoneHit {
    std::string id;
    rt::Value value;
    int top = 0, left = 0, bottom = 0, right = 0, index = 0;
};
// The first enabled zone of the window whose identifier begins with `id` and that holds
// the pointer.
std::optional<ZoneHit> mzone(rt::Runtime& rt, const rt::Value& win, std::string_view id = "");
bool mOverW(rt::Runtime& rt, const rt::Value& win);
int mmWin(rt::Runtime& rt, const rt::Value& group, const rt::Value& win);
bool mExit(rt::Runtime& rt, const rt::Value& win);
int row24MZones(rt::Runtime& rt);
void bld24MZones(rt::Runtime& rt, const rt::Value& zones, const rt::Value& buttons);
void pMessMZone(rt::Runtime& rt, const rt::Value& zones);
// Adds the close box zone "X" when the window shows one.
void addCloseZone(rt::Runtime& rt, const rt::Value& win);
// The zones array of a window (created when missing).
rt::Value& zonesOf(const rt::Value& win);
bool isMessageButton(rt::Runtime& rt, const rt::Value& zone);
// Hover feedback of the run loops on a mouse move; `shown` remembers a highlight.
void hoverFeedback(rt::Runtime& rt, const rt::Value& win, bool& shown);

std::span<const rt::Builtin> screenBuiltins();

}  // namespace xb::fw::ui
