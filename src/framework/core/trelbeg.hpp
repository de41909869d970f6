// TRELBEG: starting and ending an application on a data folder.
//
// Ending the program is a single path: hEnd() throws rt::FatalStop, which unwinds every C++
// frame (so tables are flushed and closed by their owners) up to main, where the console is
// restored and the process exits with the code. Nothing below main calls std::exit.
// Code 0 is the normal end; 1 a fatal error; 2 a fatal error reported with the chain of
// calls starting at the caller; 3 a fatal error raised by the error handler.
#pragma once

#include <span>
#include <string_view>

#include "runtime/runtime.hpp"

namespace xb::fw::trelbeg {

// Ends the program with `code` and `message` (H_END). Never returns.
[[noreturn]] void hEnd(rt::Runtime& rt, int code, std::string_view message);

// The module's xBase functions (H_END).
std::span<const rt::Builtin> builtins();

}  // namespace xb::fw::trelbeg
