// TERMINFO: the few capability look-ups the terminal backend needs, kept in their own file
// because the terminfo headers define a macro for every capability name.
#pragma once

#include <optional>
#include <string>

namespace xb::term::terminfo {

// Loads the description of $TERM for a terminal descriptor; false when TERM is unknown.
bool setup(int fd);
// A string capability ("kbs", "Ss"), nullopt when the terminal lacks it.
std::optional<std::string> str(const char* name);
// A numeric capability ("colors"), -1 when absent.
int num(const char* name);

}  // namespace xb::term::terminfo
