// OPS: the operators of the expression language on values, with the classic error protocol.
//
// Each function takes evaluated operands and returns the result; a type mismatch or a zero
// divisor is raised through rt.raise() and the handler's substitute (NIL for "default")
// becomes the result. How numbers keep width and decimals is told in xbase.hpp.
#pragma once

#include <string_view>

#include "runtime/runtime.hpp"
#include "xbase/xbase.hpp"

namespace xb::xbase::ops {

rt::Value add(rt::Runtime& rt, const rt::Value& a, const rt::Value& b);
rt::Value sub(rt::Runtime& rt, const rt::Value& a, const rt::Value& b);
rt::Value mul(rt::Runtime& rt, const rt::Value& a, const rt::Value& b);
rt::Value div(rt::Runtime& rt, const rt::Value& a, const rt::Value& b);
rt::Value mod(rt::Runtime& rt, const rt::Value& a, const rt::Value& b);
rt::Value power(rt::Runtime& rt, const rt::Value& a, const rt::Value& b);
rt::Value negate(rt::Runtime& rt, const rt::Value& a);
rt::Value plus(rt::Runtime& rt, const rt::Value& a);
// ++ and -- on numbers and dates.
rt::Value step(rt::Runtime& rt, const rt::Value& a, int delta);
// The relational operators and $: a logical result, or the handler's substitute.
rt::Value relation(rt::Runtime& rt, Op op, const rt::Value& a, const rt::Value& b);
// An operand of .AND., .OR. or .NOT. that is not logical: raises 1078, 1079 or 1077.
rt::Value andError(rt::Runtime& rt, const rt::Value& a, const rt::Value& b);
rt::Value orError(rt::Runtime& rt, const rt::Value& a, const rt::Value& b);
rt::Value notError(rt::Runtime& rt, const rt::Value& a);

// String comparison: with `exactMode` off the left operand is cut to the right's length
// (so "" on the right matches anything); with it on, trailing blanks do not count.
int compareStrings(std::string_view l, std::string_view r, bool exactMode) noexcept;

// The number of a computed result: integers keep the integer form (width 10 or more),
// others get 10 integer places plus their decimals.
rt::Value numberResult(double v, int decimals);

}  // namespace xb::xbase::ops
