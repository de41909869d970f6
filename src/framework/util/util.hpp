// UTIL: the utilities' function tables, registered with a runtime in one call, and the
// few services of other layers that the utility modules use (fatal stop, pictures, memo
// lines, date texts, expression compiling and the type probe).
//
// Every xBase function of HTOOLS, XTOOLS and XPARAM is registered by registerUtil(); the
// modules' tables are listed here in one place, in module order.
#pragma once

#include <cstdint>
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

// Transform(value, picture).
rt::Value transform(rt::Runtime& rt, const rt::Value& v, std::string_view picture);
// MLPos(text, width, line, tab, wrap) with the standard function's defaults and checks.
rt::Value mlPos(rt::Runtime& rt, const rt::Value& text, const rt::Value& width,
                const rt::Value& line, const rt::Value& tab, const rt::Value& wrap);
// The lines of a text under the memo-line rule at `width` (word wrap), trailing blanks kept
// as MemoLine() gives them.
std::vector<std::string> memoLines(std::string_view text, int width);
// Type(text): the type letter, "U", "UE" or "UI".
std::string typeOf(rt::Runtime& rt, std::string_view text);
// The date in the standard text form (SET DATE / CENTURY), blanks for the empty date.
std::string dtoc(rt::Runtime& rt, std::int32_t julian);
// The standard parse of a date text; 0 when it is not a date.
std::int32_t ctod(rt::Runtime& rt, std::string_view text);
// Compiles and evaluates an expression text; nullopt when it does not compile.
std::optional<rt::Value> evaluateIfCompiles(rt::Runtime& rt, std::string_view text);

}  // namespace xb::fw::util
