// UI: the user-interface subsystem of the framework: windows, keys and mouse zones
// (USERINTF, SCREEN), messages and the help menu (HMES), the options dialog (HOPT) and
// pull-down menus (MENU).
#pragma once

#include "runtime/runtime.hpp"

namespace xb::fw::ui {

// Registers every xBase function of the subsystem with the runtime.
void registerUi(rt::Runtime& rt);

}  // namespace xb::fw::ui
