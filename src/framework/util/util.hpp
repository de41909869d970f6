// UTIL: the utilities' function tables, registered with a runtime in one call, and the
// few services the utility modules share (fatal stop, memo lines, files, expressions).
//
// Every xBase function of HTOOLS, XTOOLS and XPARAM is registered by registerUtil(); the
// modules' tables are listed here in one place, in module order.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/runtime.hpp"

namespace xb::fw {

// Registers every xBase function of the utility modules with `rt`.
void registerUtil(rt::Runtime& rt);

}  // namespace xb::fw

namespace xb::fw::util {

// Ends the program through the framework's fatal stop (H_END) with code and message.
[[noreturn]] void fatalStop(rt::Runtime& rt, int code, std::string_view message);

// The lines of a text under the memo-line rule at `width` (word wrap), as MemoLine() gives
// them (padded to the width).
std::vector<std::string> memoLines(std::string_view text, int width);
// The whole content of a file named as the framework names files (a name that differs only
// in case from the one on disk is found); nullopt when there is no such file.
std::optional<std::string> readFile(rt::Runtime& rt, std::string_view name);
// Evaluates an expression text; nullopt, without raising anything, when it does not compile.
std::optional<rt::Value> evaluateIfCompiles(rt::Runtime& rt, std::string_view text);

}  // namespace xb::fw::util
