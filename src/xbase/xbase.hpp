// XBASE: the expression compiler and evaluator: texts become compiled trees, cached by text,
// that run against a runtime's memory variables, functions and work-area fields.
//
// Grammar, in short (precedence from loose to tight):
//   assignment   := += -= *= /= %= ^=  (right to left; targets: names, M->/FIELD->/alias->
//                fields, a[i], h:name, o:p, &macro)
//   .OR.  .AND.  .NOT. / !
//   relations    = == != <> # < <= > >= $   (one level, left to right)
//   + -    * / %    ** ^    unary - +, prefix ++ --
//   postfix      ++ --, calls f(...), indexing a[i, j], sends o:m(...), aliases x->y
//   operands     literals ("..", '..', [..] where an operand is expected, numbers, 0dYYYYMMDD,
//                .T. .F. .Y. .N., NIL), names, &macros, {a, b}, {"K" => v}, {=>},
//                {|a, b| e1, e2}, (e1, e2) giving the last value, IF()/IIF() with one branch
//                evaluated, @name as a call argument (by reference)
//
// Names: a block parameter first, then a field of the current work area (through
// rt.data(), when set), then a memory variable; an unknown name raises BASE/1003. Assignment to
// a plain name assigns a memory variable (creating a private in the innermost scope).
// Function names resolve case-insensitively, at compile time when known, else at run time;
// a missing function raises BASE/1001 when the call is reached, never at compile time.
//
// Numbers keep {value, width, decimals} so that Str() prints what classic programs print:
//   - an integer literal has width 10 (more for longer digits) and no decimals; a literal
//     with decimals keeps them ("3.50" has 2) and has the width of its text, at least 10;
//   - + - % : decimals are the larger of the operands'; * : the sum of the operands'
//     (at most 20); / ** ^ : SET DECIMALS at the time of the operation;
//   - a result without decimals has the integer form (width 10, more when it needs more
//     digits); a result with decimals has 10 integer places: width 11 + decimals, so that
//     Str(1/3) with 2 decimals is "         0.33";
//   - unary minus and plus keep the operand's width and decimals; ++/-- keep the decimals;
//   - date - date is an integer; date + n and date - n are dates (an empty date stays empty).
// Strings: + joins; - moves the trailing blanks of the left operand to the end of the result;
// = and the other relations (except ==) compare as many characters as the right operand has
// when SET EXACT is off ("" on the right matches anything) and ignore trailing blanks when
// it is on; == compares exactly.
//
// Invariants: a Compiled tree is immutable once built (its per-node caches of field
// positions and late-resolved functions are private to it and belong to the runtime it was
// compiled in); the compile cache gives back the same tree for the same text, and a text that
// does not compile raises its syntax error again at every evaluation, as if compiled anew.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/runtime.hpp"

namespace xb::xbase {

// Installs the evaluator state into the runtime and registers the control functions EVAL,
// BREAK, ERRORBLOCK, PROCNAME, PROCLINE and TYPE.
void registerCore(rt::Runtime& rt);

class Compiled;

// Compiles a text (cached by text). A syntax error is raised through rt.raise (EG_SYNTAX
// BASE/1449 "Syntax error at position N: ...", operation = the text); the result is then
// nullptr.
std::shared_ptr<const Compiled> compile(rt::Runtime& rt, std::string_view text);
rt::Value run(rt::Runtime& rt, const Compiled& c);
// The & macro path: compile (cached) and run. A syntax error gives the handler's substitute
// (NIL for default).
rt::Value evaluate(rt::Runtime& rt, std::string_view text);

// Compiles without raising: the position (1-based) and message of the first syntax error.
struct SyntaxError {
    int position = 0;
    std::string message;  // "Syntax error at position N: ..."
};
std::optional<SyntaxError> checkSyntax(rt::Runtime& rt, std::string_view text);

// The type probe behind TYPE(); never raises. "UE": the text does not compile or its
// evaluation fails with an error other than an undefined variable or alias; "UI": knowing
// the type needs a call of a function that is not known to be free of side effects (or a
// missing function); "U": NIL, or an undefined variable; else the value's letter
// ("C", "M", "N", "D", "L", "A", "H", "B", "O").
std::string typeOf(rt::Runtime& rt, std::string_view text);

// "{|a| a + 1}" -> a code block value; a text that is not a block literal becomes the body of
// a block without parameters. A syntax error is raised as by compile() and gives NIL.
rt::Value blockFromText(rt::Runtime& rt, std::string_view text);

// A compiled callable for key and filter expressions of the table layer. A syntax error is
// raised as by compile(), and the result is then empty (test before calling).
std::function<rt::Value()> callable(rt::Runtime& rt, std::string_view text);

// BEGIN SEQUENCE ... RECOVER USING for C++ callers: runs body; a Break on the way out gives
// recover(break value) instead. Error objects raised without a handler arrive as breaks too.
rt::Value sequence(rt::Runtime& rt, const std::function<rt::Value()>& body,
                   const std::function<rt::Value(const rt::Value&)>& recover);

// The binary operators, for library functions that compare or combine values as the
// language does (ASCAN compares with =, ASORT orders with <).
enum class Op { Add, Sub, Mul, Div, Mod, Pow, Eq, ExactEq, Ne, Lt, Le, Gt, Ge, Contains };
rt::Value binaryOp(rt::Runtime& rt, Op op, const rt::Value& a, const rt::Value& b);

// Forgets every cached compiled text (the next evaluation compiles again).
void clearCache(rt::Runtime& rt);

}  // namespace xb::xbase
