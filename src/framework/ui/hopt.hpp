// HOPT: the options dialog (kind "o"), the retry question, and the plain alert box used
// before the framework has started.
//
// The options dialog shows text lines above a row of push buttons; slot 12 is {lines,
// buttons}, slot 13 is {chosen button} (the preselection on entry, the highlighted button on
// return: it survives between runs), slot 14 is {button row, button columns}. The run result
// is .T. for Enter or a click on a button, .F. for Esc or the close box, and in general the
// value of the exit key's action; callers test it before the button number.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/runtime.hpp"

namespace xb::fw::ui {

rt::Value newOptions(rt::Runtime& rt, const rt::Value& kind, const rt::Value& top,
                     const rt::Value& left, const rt::Value& title, const rt::Value& palette,
                     const rt::Value& items, const rt::Value& state);
// The dialog help pages (exit keys, navigation, function keys) of an options dialog.
void optionsHelp(rt::Runtime& rt, const rt::Value& win);

// True once the framework has started (H_TRELSTARTED); until then messages use alert boxes.
bool frameworkStarted(rt::Runtime& rt);
// The retry question (WAIT_FOR_LAN): " Reluare " / " Abandon "; true means try again.
bool retryQuestion(rt::Runtime& rt, std::string_view text);
// A plain centred box (single frame, the lines centred, a blank row, the buttons) in one
// colour, independent of palettes and windows; Left/Right/Home/End move, Enter or a click
// chooses, the first letter of a caption chooses it. Returns the chosen button (1-based), 0
// after Esc. What lay under the box is put back.
int alertBox(rt::Runtime& rt, const std::vector<std::string>& lines,
             const std::vector<std::string>& buttons, std::string_view colour);

// The final message of the program's end (H_END) for a message that is not empty: nothing
// when APELBAT is true; before the start an alert box ("", [EROARE: ]message..., "") in
// "w+/n"; after it the bottom row, centred from column 1 in the width minus one, with the
// error beep for codes above 0; then a wait for any key. Code 0 has no "EROARE: ".
void endMessage(rt::Runtime& rt, int code, std::string_view message);

std::span<const rt::Builtin> hoptBuiltins();

}  // namespace xb::fw::ui
