// NUMBER: how numbers are rounded and written as text, shared by Str(), the canonical value
// form, numeric DBF fields and index keys.
//
// Rounding is half away from zero on the shortest decimal text of the double (15 significant
// digits), so 2.675 rounds to 2.68 as the operator reads it, not to the binary neighbour.
#pragma once

#include <string>

#include "runtime/value.hpp"

namespace xb::rt {

// Rounds half away from zero to `decimals` places (negative decimals round to tens, ...).
double roundHalfAway(double v, int decimals);

// Right-aligns v, rounded to `decimals`, in `width` characters; a value that does not fit
// gives `width` asterisks. A value rounded to zero is written without a minus sign.
std::string formatNumber(double v, int width, int decimals);

// The number as Str() writes it without a length: in its own width and decimals.
std::string formatNumber(const Value::Number& n);

// Decimal text of v rounded to `decimals` places, without padding ("-12.50").
std::string plainNumber(double v, int decimals);

}  // namespace xb::rt
