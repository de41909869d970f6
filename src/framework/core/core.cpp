// CORE: the framework core's function tables, in module order.
#include "framework/core/core.hpp"

#if defined(XB_FW_CORE_HAVE_TABLE)
#include "framework/core/dirdbf.hpp"
#endif
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
#if defined(XB_FW_CORE_HAVE_TABLE)
    rt.registerBuiltins(dirdbf::builtins());
#endif
}

}  // namespace xb::fw
