// MENU: pull-down menus (kind "p"), the framed vertical command lists behind the help menu
// "Ajutor", the function-key menu and every other choice list; and the menu help pages.
//
// A pull-down command is {caption, action, reserved, shortcut}. A caption that, trimmed,
// begins and ends with Chr(196) or with "-" is a separator: the cursor keys and the pointer
// skip it. The pull-down window keeps {current item} in slot 13 and {item column, row of
// the first item, parent menu bar} in slot 14; the current item survives between runs.
#pragma once

#include <span>

#include "runtime/runtime.hpp"

namespace xb::fw::ui {

rt::Value newPCmd(const rt::Value& caption, const rt::Value& action, const rt::Value& reserved,
                  const rt::Value& shortcut);
rt::Value newPullDown(rt::Runtime& rt, const rt::Value& kind, const rt::Value& top,
                      const rt::Value& left, const rt::Value& bottom, const rt::Value& right,
                      const rt::Value& title, const rt::Value& palette, const rt::Value& commands,
                      const rt::Value& state);
bool isSeparator(const rt::Value& command);
// The menu help (exit keys, navigation, function keys) of a menu window.
void hlpMenu(rt::Runtime& rt, const rt::Value& win);
// The navigation page "Taste de navigare si selectare".
rt::Value winHlpMenu(rt::Runtime& rt, const rt::Value& win, bool companion);

std::span<const rt::Builtin> menuBuiltins();

}  // namespace xb::fw::ui
