// CORE: the framework core's function tables, registered with a runtime in one call.
#pragma once

#include "runtime/runtime.hpp"

namespace xb::fw {

// Registers every xBase function of the core modules (TRELBEG, PATHVAL, DIRDBF, TEXTIO,
// HSUBMEMO) with `rt`.
void registerCore(rt::Runtime& rt);

}  // namespace xb::fw
