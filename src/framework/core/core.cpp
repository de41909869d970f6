// CORE: the framework core's function tables, in module order.
#include "framework/core/core.hpp"

#include "framework/core/trelbeg.hpp"

namespace xb::fw {

void registerCore(rt::Runtime& rt) { rt.registerBuiltins(trelbeg::builtins()); }

}  // namespace xb::fw
