#include <gtest/gtest.h>

#include "cases.hpp"
#include "xbase/eval_fixture.hpp"
#include "xbase/stdlib/stdlib.hpp"

namespace {

TEST(Substr, CountsFromOneAndClampsLikeTheLanguage) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(SUBSTR("abcdef", 2, 3))", R"("bcd")"},
                      {R"(SUBSTR("abcdef", -2))", R"("ef")"},  // from the end
                      {R"(SUBSTR("abc", -5))", R"("abc")"},
                      {R"(SUBSTR("abc", 5))", R"("")"},
                      {R"(SUBSTR("abc", 0, 2))", R"("ab")"},  // start 0 behaves as 1
                      {R"(SUBSTR("abc", 2, -1))", R"("")"},
                      {R"(SUBSTR("abc", 2, 100))", R"("bc")"},
                      {R"(SUBSTR("abc", 2, NIL))", R"("bc")"},
                      {R"(SUBSTR("", 1, 1))", R"("")"},
                      {R"(SUBSTR(123, 1))", "E 1 BASE/1110 Argument error"},
                      {R"(SUBSTR("abc"))", "E 1 BASE/1110 Argument error"},
                      {R"(SUBSTR("abc", "1"))", "E 1 BASE/1110 Argument error"},
                  });
}

TEST(LeftRightAt, ClampLengthsAndFindPositions) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(LEFT("abc", 2))", R"("ab")"},
                      {R"(LEFT("abc", 0))", R"("")"},
                      {R"(LEFT("abc", -1))", R"("")"},
                      {R"(LEFT("abc", 10))", R"("abc")"},
                      {R"(LEFT(NIL, 1))", "E 1 BASE/1124 Argument error"},
                      {R"(RIGHT("abc", 2))", R"("bc")"},
                      {R"(RIGHT("abc", -2))", R"("")"},
                      {R"(RIGHT("abc", 9))", R"("abc")"},
                      {R"(AT("b", "abcb"))", "2"},
                      {R"(AT("", "abc"))", "0"},
                      {R"(AT("x", "abc"))", "0"},
                      {R"(AT(1, "abc"))", "E 1 BASE/1108 Argument error"},
                      {R"(RAT("b", "abcb"))", "4"},
                      {R"(HB_AT("b", "abcb", 3))", "4"},
                      {R"(STR(AT("c", "abc")))", R"("         3")"},  // positions are 10 wide
                  });
}

TEST(StrTranStuff, ReplaceAndSplice) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(STRTRAN("a.b.c", "."))", R"("abc")"},
                      {R"(STRTRAN("a.b.c", ".", "--"))", R"("a--b--c")"},
                      {R"(STRTRAN("a.b.c.d", ".", "!", 2))", R"("a.b!c!d")"},
                      {R"(STRTRAN("a.b.c.d", ".", "!", 1, 1))", R"("a!b.c.d")"},
                      {R"(STRTRAN("a.b.c.d", ".", "!", 2, 1))", R"("a.b!c.d")"},
                      {R"(STRTRAN("aaa", "", "x"))", R"("aaa")"},
                      {R"(STRTRAN("aaaa", "aa", "b"))", R"("bb")"},
                      {R"(STRTRAN(1, "a"))", "E 1 BASE/1126 Argument error"},
                      {R"(STUFF("abcdef", 2, 3, "XY"))", R"("aXYef")"},
                      {R"(STUFF("abc", 0, 0, "X"))", R"("Xabc")"},
                      {R"(STUFF("abc", 10, 2, "X"))", R"("abcX")"},
                      {R"(STUFF("abc", 2, -1, "X"))", R"("aXbc")"},
                      {R"(STUFF("abc", 2, 100, ""))", R"("a")"},
                  });
}

TEST(Pads, FitToWidthOnEitherSide) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(PADR("ab", 4))", R"("ab  ")"},
                      {R"(PADR("abcdef", 3))", R"("abc")"},
                      {R"(PADL("ab", 4, "*"))", R"("**ab")"},
                      {R"(PADL("abcdef", 3))", R"("abc")"},
                      {R"(PADC("ab", 5))", R"(" ab  ")"},
                      {R"(PADC("ab", 6, "-"))", R"("--ab--")"},
                      {R"(PADR("ab", 0))", R"("")"},
                      {R"(PADR("ab", -3))", R"("")"},
                      {R"(PADR(12, 4))", R"("12  ")"},
                      {R"(PADL(0d20240131, 12))", R"("  31/01/2024")"},
                      {R"(PADR(NIL, 3))", "NIL"},
                  });
}

TEST(Trims, BlanksOnTheRightTabsAndNewlinesAlsoOnTheLeft) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(ALLTRIM("  a b  "))", R"("a b")"},
                      {R"(LTRIM(CHR(9) + " a "))", R"("a ")"},
                      {R"(RTRIM(" a  "))", R"(" a")"},
                      {R"(TRIM("a" + CHR(9)))", R"("a\x09")"},  // only blanks on the right
                      {R"(ALLTRIM(""))", R"("")"},
                      {R"(ALLTRIM(5))", "E 1 BASE/2022 Argument error"},
                      {R"(TRIM(NIL))", "E 1 BASE/1100 Argument error"},
                  });
}

TEST(CaseAndRepeat, ChangeAsciiLettersOnly) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(UPPER("abc-Z" + CHR(228)))", R"("ABC-Z\xE4")"},
                      {R"(LOWER("ABC-z"))", R"("abc-z")"},
                      {R"(UPPER(1))", "E 1 BASE/1102 Argument error"},
                      {R"(REPLICATE("ab", 3))", R"("ababab")"},
                      {R"(REPLICATE("ab", 0))", R"("")"},
                      {R"(REPLICATE("ab", -2))", R"("")"},
                      {R"(REPLICATE("ab", 1000000000000))", "E 3 BASE/1234 String overflow"},
                      {R"(SPACE(3))", R"("   ")"},
                      {R"(SPACE(-1))", R"("")"},
                      {R"(SPACE("3"))", "E 1 BASE/1105 Argument error"},
                  });
}

TEST(CharacterCodes, ChrAscAndClassProbes) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(CHR(65))", R"("A")"},
                      {R"(CHR(256 + 66))", R"("B")"},
                      {R"(CHR(0))", R"("\x00")"},
                      {R"(ASC("AB"))", "65"},
                      {R"(ASC(""))", "0"},
                      {R"(ASC(CHR(200)))", "200"},
                      {R"(ISDIGIT("1a"))", ".T."},
                      {R"(ISDIGIT(""))", ".F."},
                      {R"(ISALPHA("a1"))", ".T."},
                      {R"(ISALPHA("_"))", ".F."},
                      {R"(ISUPPER("Ab"))", ".T."},
                      {R"(ISLOWER("Ab"))", ".F."},
                      {R"(ISDIGIT(5))", ".F."},
                  });
}

TEST(LenEmptyValType, ProbeEveryType) {
    EvalFixture ev;
    expectAll(ev,
              {
                  {R"(LEN("abc"))", "3"},
                  {R"(LEN({1, 2}))", "2"},
                  {R"(LEN(HASH("a", 1)))", "1"},
                  {R"(LEN(5))", "E 1 BASE/1111 Argument error"},
                  {R"(LEN(NIL))", "E 1 BASE/1111 Argument error"},
                  {R"(EMPTY(NIL))", ".T."},
                  {R"(EMPTY(" " + CHR(9) + CHR(13) + CHR(10)))", ".T."},
                  {R"(EMPTY(" x"))", ".F."},
                  {R"(EMPTY(0))", ".T."},
                  {R"(EMPTY(0.001))", ".F."},
                  {R"(EMPTY(CTOD("")))", ".T."},
                  {R"(EMPTY(.F.))", ".T."},
                  {R"(EMPTY({}))", ".T."},
                  {R"(EMPTY({=>}))", ".T."},
                  {R"(EMPTY({|| 0}))", ".F."},
                  {R"(VALTYPE("a") + VALTYPE(1) + VALTYPE(DATE()) + VALTYPE(.T.))", R"("CNDL")"},
                  {R"(VALTYPE({}) + VALTYPE({=>}) + VALTYPE({|| 1}) + VALTYPE(NIL))", R"("AHBU")"},
              });
}

TEST(StrVal, PrintInTheClassicWidths) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(STR(5))", R"("         5")"},
                      {R"(STR(-5))", R"("        -5")"},
                      {R"(STR(12345678901))", R"("12345678901")"},
                      {R"(STR(3.7, 5))", R"("    4")"},  // a length without decimals rounds
                      {R"(STR(3.14159, 8, 3))", R"("   3.142")"},
                      {R"(STR(2.675, 6, 2))", R"("  2.68")"},
                      {R"(STR(-2.5, 4))", R"("  -3")"},
                      {R"(STR(123456, 3))", R"("***")"},
                      {R"(STR(1, 0))", R"("         1")"},  // a length below 1 is ignored
                      {R"(STR(1, 5, -2))", R"("    1")"},
                      {R"(STR(-0.001, 6, 2))", R"("  0.00")"},
                      {R"(STR(ROUND(1/3, 4)))", R"("         0.3333")"},
                      {R"(STR("5"))", "E 1 BASE/1099 Argument error"},
                      {R"(STR(NIL))", "E 1 BASE/1099 Argument error"},
                      {R"(STRZERO(5, 4))", R"("0005")"},
                      {R"(STRZERO(-5, 4))", R"("-005")"},
                      {R"(STRZERO(3.5, 6, 2))", R"("003.50")"},
                      {R"(STRZERO(12345, 3))", R"("***")"},
                      {R"(STR(VAL("3.50")))", R"("3.50")"},
                      {R"(STR(VAL("  12")))", R"("  12")"},
                      {R"(STR(VAL("-7")))", R"("-7")"},
                      {R"(VAL("1,5"))", "1"},
                      {R"(VAL("abc"))", "0"},
                      {R"(VAL(""))", "0"},
                      {R"(VAL(".5"))", "0.5"},
                      {R"(VAL("  -12.250xyz"))", "-12.250"},
                      {R"(VAL("1e3"))", "1"},
                      {R"(VAL(1))", "E 1 BASE/1098 Argument error"},
                      {R"(VAL("12") + 1)", "13"},
                      {R"(HB_NTOS(12.50))", R"("12.50")"},
                      {R"(STR(1.23456789012345, 20, 15))", R"("   1.234567890123450")"},
                      {R"(STR(VAL("1.123456789")))", R"("1.123456789")"},
                      {R"(STR(2.5, , 2))", R"("         2.50")"},
                      {R"(STR(1/3 * 3, 12, 10))", R"("1.0000000000")"},
                  });
}

TEST(HugeNumbers, AreClampedNotConverted) {
    EvalFixture ev;
    ev.rt.assignVar(ev.rt.intern("BIG"), xb::rt::Value::number(1e300, 0));
    ev.rt.assignVar(ev.rt.intern("NBIG"), xb::rt::Value::number(-1e300, 0));
    expectAll(ev, {
                      {R"(LEFT("abc", BIG))", R"("abc")"},
                      {R"(RIGHT("abc", NBIG))", R"("")"},
                      {R"(SUBSTR("abc", 2, BIG))", R"("bc")"},
                      {R"(SUBSTR("abc", NBIG))", R"("abc")"},
                      {R"(STUFF("abc", BIG, NBIG, "x"))", R"("abcx")"},
                      {R"(PADR("a", NBIG))", R"("")"},
                      {R"(PADL("a", BIG))", R"("")"},
                      {R"(REPLICATE("", BIG))", R"("")"},
                      {R"(STR(1, BIG))", R"("         1")"},
                      {R"(STRTRAN("aa", "a", "b", BIG, BIG))", R"("aa")"},
                      {R"(CHR(BIG))", R"("\x00")"},
                      {R"(ROUND(1.5, BIG))", "1.500000000000000000000000000000"},
                      {R"(LEN(MEMOLINE("abc", BIG, BIG)))", "79"},  // out of range: the defaults
                  });
}

TEST(HbATokens, SplitsOnADelimiter) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(HB_ATOKENS("a  b c"))", R"({"a", "b", "c"})"},
                      {R"(HB_ATOKENS("a;;b", ";"))", R"({"a", "", "b"})"},
                      {R"(HB_ATOKENS("", ";"))", R"({""})"},
                  });
}

TEST(StringApi, TypedCallsMatchTheBindings) {
    using namespace xb::stdlib;
    EXPECT_EQ(subStr("abcdef", -3, 2), "de");
    EXPECT_EQ(padC("x", 4, '.'), ".x..");
    EXPECT_EQ(strTran("xx", "x", "yy"), "yyyy");
    EXPECT_EQ(at("c", "abcabc", 4), 6u);
    EXPECT_EQ(str(xb::rt::Value::Number{1.5, 10, 1}), "       1.5");
    EXPECT_EQ(str(xb::rt::Value::Number{1.5, 10, 1}, 6, 2), "  1.50");
}

}  // namespace
