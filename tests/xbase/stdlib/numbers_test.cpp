#include <gtest/gtest.h>

#include "cases.hpp"
#include "xbase/stdlib/stdlib.hpp"

namespace {

TEST(Round, HalfAwayFromZeroWithItsOwnDecimals) {
    EvalFixture ev;
    expectAll(ev, {
                      {"ROUND(2.675, 2)", "2.68"},
                      {"ROUND(-2.5, 0)", "-3"},
                      {"ROUND(2.5, 0)", "3"},
                      {"ROUND(1234.5678, -2)", "1200"},
                      {"ROUND(0.125, 2)", "0.13"},
                      {"ROUND(-0.001, 2)", "0.00"},
                      {"ROUND(1.23456789012, 10)", "1.2345678901"},
                      {"STR(ROUND(3.14159, 2))", R"("         3.14")"},
                      {"STR(ROUND(3.7, 0))", R"("         4")"},
                      {"ROUND(1)", "E 1 BASE/1094 Argument error"},
                      {R"(ROUND("1", 2))", "E 1 BASE/1094 Argument error"},
                  });
}

TEST(IntAbsMod, ClassicSignRules) {
    EvalFixture ev;
    expectAll(ev, {
                      {"INT(3.99)", "3"},
                      {"INT(-3.99)", "-3"},
                      {"INT(-0.5)", "0"},
                      {"STR(INT(7.5))", R"("         7")"},
                      {"ABS(-3.25)", "3.25"},
                      {"ABS(0)", "0"},
                      {"STR(ABS(-5))", R"("         5")"},
                      {"MOD(7, 3)", "1"},
                      {"MOD(-7, 3)", "2"},  // the result takes the divisor's sign
                      {"MOD(7, -3)", "-2"},
                      {"MOD(7.5, 2)", "1.5"},
                      {"MOD(7, 0)", "7"},
                      {"MOD(7)", "E 1 BASE/1085 Argument error"},
                      {"INT(NIL)", "E 1 BASE/1090 Argument error"},
                      {R"(ABS("x"))", "E 1 BASE/1089 Argument error"},
                  });
}

TEST(MaxMin, KeepTheChosenArgument) {
    EvalFixture ev;
    expectAll(ev, {
                      {"MAX(1, 2.50)", "2.50"},
                      {"MIN(1, 2.50)", "1"},
                      {"MAX(0d20240101, 0d20231231)", "0d20240101"},
                      {"MIN(0d20240101, CTOD(''))", "0d00000000"},
                      {R"(MAX("b", "abc"))", R"("b")"},
                      {"MAX(-1, -1.5)", "-1"},
                      {"MAX(1, 0d20240101)", "E 1 BASE/1093 Argument error"},
                      {"MIN(NIL, 1)", "E 1 BASE/1092 Argument error"},
                  });
}

TEST(SqrtLogExp, UseSetDecimals) {
    EvalFixture ev;
    expectAll(ev, {
                      {"SQRT(16)", "4.00"},
                      {"SQRT(2)", "1.41"},
                      {"SQRT(-4)", "0.00"},
                      {"EXP(1)", "2.72"},
                      {"LOG(EXP(2))", "2.00"},
                      {"STR(LOG(0))", R"("*************")"},  // overflow prints asterisks
                      {"SET(3, 4)", "2"},
                      {"SQRT(2)", "1.4142"},
                      {"SQRT('4')", "E 1 BASE/1097 Argument error"},
                  });
}

TEST(NumberApi, TypedCallsMatchTheBindings) {
    using namespace xb::stdlib;
    EXPECT_EQ(xb::rt::repr(round(2.345, 2)), "2.35");
    EXPECT_EQ(round(2.345, 2).num().decimals, 2);
    EXPECT_DOUBLE_EQ(mod(-1, 3), 2);
    EXPECT_DOUBLE_EQ(mod(5, 0), 5);
}

}  // namespace
