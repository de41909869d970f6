#include <gtest/gtest.h>

#include "eval_fixture.hpp"

TEST(Literals, EveryKindReadsBack) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"("abc")", R"("abc")"},
                      {"'it''s'", "E 7 BASE/1449 Syntax error at position 5: unexpected 's'"},
                      {"[x'y\"]", R"("x'y\"")"},
                      {"42", "42"},
                      {"3.50", "3.50"},
                      {".5", "0.5"},
                      {"0x1F", "31"},
                      {"0d20240229", "0d20240229"},
                      {"0d00000000", "0d00000000"},
                      {".t.", ".T."},
                      {".F.", ".F."},
                      {".y.", ".T."},
                      {".N.", ".F."},
                      {"nil", "NIL"},
                      {"{1, 'a', {}}", R"({1, "a", {}})"},
                      {"{1,,3}", "{1, NIL, 3}"},
                      {"{=>}", "{=>}"},
                      {R"({"a" => 1, "b" => {2}})", R"({"a" => 1, "b" => {2}})"},
                      {"{|a, b| a + b}", "{|a, b| a + b}"},
                      {"(1, 2, 3)", "3"},
                  });
}

TEST(Precedence, ClassicOrder) {
    EvalFixture ev;
    expectAll(ev, {
                      {"1 + 2 * 3", "7"},
                      {"(1 + 2) * 3", "9"},
                      {"2 ** 3 ** 2", "64.00"},  // left to right
                      {"-2 ^ 2", "4.00"},        // unary minus binds tighter than ^
                      {"10 - 4 - 3", "3"},
                      {"7 % 4 * 2", "6"},
                      {"1 + 1 = 2 .AND. 3 > 2", ".T."},
                      {".T. .OR. .F. .AND. .F.", ".T."},
                      {"!.T. .OR. .T.", ".T."},
                      {".NOT. 1 = 2", ".T."},
                      {"1 = 1 == .T.", ".T."},
                      {"'b' $ 'abc' .AND. !('d' $ 'abc')", ".T."},
                  });
}

TEST(Numbers, WidthAndDecimalsFollowTheClassicRules) {
    EvalFixture ev;
    expectAll(ev, {
                      {"1/3", "0.33"},
                      {"10/4", "2.50"},
                      {"1.5 + 1.25", "2.75"},
                      {"1.5 * 1.25", "1.875"},
                      {"2 * 3", "6"},
                      {"-3.50", "-3.50"},
                  });
}

TEST(Lexing, BracketsDotsAndLetterCase) {
    EvalFixture ev;
    ev.eval("a := {'x', 'y'}");
    expectAll(ev, {
                      {"a[2]", R"("y")"},        // after an operand: indexing
                      {"[a] + [2]", R"("a2")"},  // where an operand is expected: strings
                      {"Eval({|s| s}, [b])", R"("b")"},
                      {"{[k] => 1}[[k]]", "1"},
                      {"(a)[1]", R"("x")"},
                      {".t. .and. .F. .Or. .NoT. .f.", ".T."},
                      {"1.AND.2", "E 1 BASE/1078 Argument error"},
                      {"3.5.AND..T.", "E 1 BASE/1078 Argument error"},
                      {"1 != 2 .AND. 1 # 2 .AND. 1 <> 2", ".T."},
                      {"1\r\n+\t2", "3"},
                      {"  7  ", "7"},
                  });
}
