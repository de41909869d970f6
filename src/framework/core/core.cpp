// CORE: the framework core's function tables, in module order.
#include "framework/core/core.hpp"

#include "framework/core/hsubmemo.hpp"
#include "framework/core/pathval.hpp"
#include "framework/core/textio.hpp"
#include "framework/core/trelbeg.hpp"

namespace xb::fw {

void registerCore(rt::Runtime& rt) {
    rt.registerBuiltins(trelbeg::builtins());
    rt.registerBuiltins(pathval::builtins());
    rt.registerBuiltins(textio::builtins());
    rt.registerBuiltins(hsubmemo::builtins());
}

}  // namespace xb::fw
