#include <gtest/gtest.h>

#include "cases.hpp"

namespace {

TEST(TransformText, TemplatesAndFunctions) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(TRANSFORM("abc", "@!"))", R"("ABC")"},
                      {R"(TRANSFORM("abcdef", "!!X"))", R"("ABc")"},  // cut to the template
                      {R"(TRANSFORM("ab", "XXXX"))", R"("ab  ")"},
                      {R"(TRANSFORM("1234567890", "@R 999-999"))", R"("123-456")"},
                      {R"(TRANSFORM("1234567890", "999-999"))", R"("123-567")"},
                      {R"(TRANSFORM("abc", "@R! X-X-X"))", R"("A-B-C")"},
                      {R"(TRANSFORM("abcdef", "@S3"))", R"("abc")"},
                      {R"(TRANSFORM("abcdef", "@S3!"))", R"("ABC")"},
                      {R"(TRANSFORM("31012024", "@D"))", R"("31/01/2024")"},
                      {R"(TRANSFORM("abc", ""))", R"("abc")"},
                      {R"(TRANSFORM("abc", NIL))", R"("abc")"},
                      {R"(TRANSFORM("abc", "@K"))", R"("abc")"},
                  });
}

TEST(TransformNumber, DigitPlacesSeparatorsAndSigns) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(TRANSFORM(1234.5, "9999.99"))", R"("1234.50")"},
                      {R"(TRANSFORM(1234.567, "9,999.99"))", R"("1,234.57")"},
                      {R"(TRANSFORM(34.5, "9,999.99"))", R"("   34.50")"},
                      {R"(TRANSFORM(1234567, "999,999,999"))", R"("  1,234,567")"},
                      {R"(TRANSFORM(-34.5, "9999.99"))", R"(" -34.50")"},
                      {R"(TRANSFORM(-1234, "9999"))", R"("****")"},  // no room for the sign
                      {R"(TRANSFORM(12345, "999"))", R"("***")"},
                      {R"(TRANSFORM(12345.6, "999.9"))", R"("***.*")"},
                      {R"(TRANSFORM(0, "999"))", R"("  0")"},
                      {R"(TRANSFORM(0.5, ".99"))", R"(".50")"},
                      {R"(TRANSFORM(0.5, "9.99"))", R"("0.50")"},
                      {R"(TRANSFORM(42, "$999"))", R"("$ 42")"},  // "$" fills its own place
                      {R"(TRANSFORM(42, "***99"))", R"("***42")"},
                      {R"(TRANSFORM(42, "@Z 999"))", R"(" 42")"},
                      {R"(TRANSFORM(0, "@Z 999.99"))", R"("      ")"},
                      {R"(TRANSFORM(42, "@B 99999"))", R"("42   ")"},
                      {R"(TRANSFORM(-42, "@( 9999"))", R"x(" (42)")x"},
                      {R"(TRANSFORM(42, "@( 9999"))", R"("  42 ")"},
                      {R"(TRANSFORM(42, "@C 999"))", R"(" 42 CR")"},
                      {R"(TRANSFORM(-42, "@X 999"))", R"(" 42 DB")"},
                      {R"(TRANSFORM(1234.5, "@E 9,999.99"))", R"("1.234,50")"},
                      {R"(TRANSFORM(12.5, "99 USD"))", R"("13 USD")"},
                      {R"(TRANSFORM(5, ""))", R"("         5")"},
                      {R"(TRANSFORM(-5, "@("))", R"x("        (5)")x"},
                      {R"(TRANSFORM(2.675, "9.99"))", R"("2.68")"},
                      {R"(TRANSFORM(1234.5, "@S4 9999.99"))", R"("1234")"},
                  });
}

TEST(TransformDateAndLogical, FollowSetDateAndLetters) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(TRANSFORM(0d20240131, "@D"))", R"("31/01/2024")"},
                      {R"(TRANSFORM(0d20240131, ""))", R"("31/01/2024")"},
                      {R"(TRANSFORM(CTOD(""), "@D"))", R"("  /  /    ")"},
                      {R"(TRANSFORM(CTOD(""), "@Z"))", R"("          ")"},
                      {R"(TRANSFORM(0d20240131, "@E"))", R"("31/01/2024")"},
                      {R"(TRANSFORM(.T., ""))", R"("T")"},
                      {R"(TRANSFORM(.F., "Y"))", R"("N")"},
                      {R"(TRANSFORM(.T., "@R [Y]"))", R"("[Y]")"},
                      {R"(TRANSFORM(.F., "L"))", R"("F")"},
                      {R"(SET(4, "mm/dd/yy"))", R"("dd/mm/yyyy")"},
                      {R"(TRANSFORM(0d20240131, "@D"))", R"("01/31/24")"},
                      {R"(TRANSFORM(0d20240131, "@E"))", R"("31/01/24")"},
                  });
}

TEST(TransformErrors, BadValuesAndPictures) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(TRANSFORM(NIL, "@!"))", R"("")"},
                      {R"(TRANSFORM({1}, "@!"))", "E 1 BASE/1122 Argument error"},
                      {R"(TRANSFORM("a", 5))", "E 1 BASE/1122 Argument error"},
                      {R"(TRANSFORM("abc", "@"))", R"("abc")"},
                      {R"(TRANSFORM(5, "@S"))", R"("         5")"},
                      {R"(TRANSFORM(1.5, "...."))", R"("....")"},
                      {R"(TRANSFORM(LOG(0), "9,999.99"))", R"("*****.**")"},
                  });
}

}  // namespace
