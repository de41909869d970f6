// UI: registration of the subsystem's functions, in module order.
#include "framework/ui/ui.hpp"

#include "framework/ui/hmes.hpp"
#include "framework/ui/hopt.hpp"
#include "framework/ui/menu.hpp"
#include "framework/ui/screen.hpp"
#include "framework/ui/userintf.hpp"

namespace xb::fw::ui {

void registerUi(rt::Runtime& rt) {
    rt.registerBuiltins(userintfBuiltins());
    rt.registerBuiltins(screenBuiltins());
    rt.registerBuiltins(hmesBuiltins());
    rt.registerBuiltins(hoptBuiltins());
    rt.registerBuiltins(menuBuiltins());
}

}  // namespace xb::fw::ui
