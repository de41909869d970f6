// The function tables of the standard library's modules, joined by registerStdlib().
#pragma once

#include <span>

#include "runtime/runtime.hpp"

namespace xb::stdlib {

std::span<const rt::Builtin> stringBuiltins();
std::span<const rt::Builtin> numberBuiltins();
std::span<const rt::Builtin> transformBuiltins();
std::span<const rt::Builtin> dateBuiltins();
std::span<const rt::Builtin> memoBuiltins();
std::span<const rt::Builtin> arrayBuiltins();
std::span<const rt::Builtin> hashBuiltins();
std::span<const rt::Builtin> regexBuiltins();
std::span<const rt::Builtin> fileBuiltins();
std::span<const rt::Builtin> setBuiltins();

// A script's number as an integer count or position: NaN gives 0 and the magnitude is capped,
// so a huge or broken value never reaches an undefined conversion.
inline long long clampedInt(double d) {
    if (!(d == d)) return 0;
    if (d > 1e15) return 1000000000000000LL;
    if (d < -1e15) return -1000000000000000LL;
    return static_cast<long long>(d);
}

// Integer results (counts, positions, codes) in the default width of 10.
inline rt::Value integer(long long v) { return rt::Value::integer(static_cast<double>(v)); }

}  // namespace xb::stdlib
