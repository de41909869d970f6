#include <gtest/gtest.h>

#include "framework/util/htools.hpp"
#include "util_fixture.hpp"

TEST(Rounding, DroundTowardZeroUroundAwayFromZero) {
    UtilFixture fx;
    expectAll(fx, {
                      {"DROUND(2.567, 2)", "2.56"},
                      {"DROUND(-2.567, 2)", "-2.56"},
                      {"DROUND(2.56, 2)", "2.56"},
                      {"DROUND(2.675, 2)", "2.67"},
                      {"DROUND(0.7 * 3, 1)", "2.1"},  // binary noise is not a rounding up
                      {"DROUND(7.9)", "7"},
                      {"UROUND(2.561, 2)", "2.57"},
                      {"UROUND(-2.561, 2)", "-2.57"},
                      {"UROUND(2.56, 2)", "2.56"},
                      {"UROUND(1.1 * 3, 1)", "3.3"},
                      {"UROUND(7.1)", "8"},
                      {"OROUND(0.4)", "1"},
                      {"OROUND(2.5)", "3"},
                      {"OROUND(0)", "0"},
                      {"OROUND(-3)", "0"},
                      {"OROUND(0.00004)", "0"},
                      {"OROUND(0.00005)", "1"},
                      {"DROUND('x', 2)", "E 1 BASE/0 Argument error"},
                  });
}

TEST(Rounding, HDivGuardsZeroAndRoundsWithDecimals) {
    UtilFixture fx;
    expectAll(fx, {
                      {"H_DIV(10, 4)", "2.50"},
                      {"H_DIV(1, 0)", "0.00"},
                      {"H_DIV(10, 3, 2)", "3.33"},
                      {"H_DIV(1, 0.004, 2)", "0.00"},  // the divisor rounds to 0 first
                      {"H_DIV(1, 0.005, 2)", "100.00"},
                  });
}

TEST(Repartition, RemainderGoesToTheLargestShare) {
    UtilFixture fx;
    expectAll(fx, {
                      {"H_REPARTN(100, {1, 1, 1}, 100 / 3, 2)", "{33.34, 33.33, 33.33}"},
                      {"H_REPARTN(10, {1, 1, 2}, 2.5, 0)", "{3, 3, 4}"},
                      {"H_REPARTN(-10, {-1, -1, -2}, 2.5, 0)", "{-3, -3, -4}"},
                      {"H_REPARTN(NIL, {1, 1, 1}, 100 / 3, 2)", "{33.33, 33.33, 33.33}"},
                      {"H_REPARTN(100, {}, 1, 2)", "{}"},
                      {"H_REPARTN(5, {1, 'x'}, 2, 2)", "{5.00, 0.00}"},
                      {"H_REPARTN(5, 'x')", "E 1 BASE/0 Argument error"},
                  });
}

TEST(Words, NrLitereWritesRomanianNumbersWithoutBlanks) {
    UtilFixture fx;
    expectAll(fx,
              {
                  {"H_NRLITERE(0)", R"("zero")"},
                  {"H_NRLITERE(1)", R"("unu")"},
                  {"H_NRLITERE(1, , 'F')", R"("una")"},
                  {"H_NRLITERE(2, , 'F')", R"("doua")"},
                  {"H_NRLITERE(2, , 'N')", R"("doua")"},
                  {"H_NRLITERE(1, , 'N')", R"("unu")"},
                  {"H_NRLITERE(10)", R"("zece")"},
                  {"H_NRLITERE(11)", R"("unsprezece")"},
                  {"H_NRLITERE(12)", R"("douasprezece")"},
                  {"H_NRLITERE(16)", R"("saisprezece")"},
                  {"H_NRLITERE(21)", R"("douazecisiunu")"},
                  {"H_NRLITERE(21, , 'F')", R"("douazecisiuna")"},
                  {"H_NRLITERE(60)", R"("saizeci")"},
                  {"H_NRLITERE(100)", R"("unasuta")"},
                  {"H_NRLITERE(200)", R"("douasute")"},
                  {"H_NRLITERE(312)", R"("treisutedouasprezece")"},
                  {"H_NRLITERE(1000)", R"("unamie")"},
                  {"H_NRLITERE(11000)", R"("unsprezecemii")"},
                  {"H_NRLITERE(2534)", R"("douamiicincisutetreizecisipatru")"},
                  {"H_NRLITERE(2001000)", R"("douamilioaneunamie")"},
                  {"H_NRLITERE(1000001)", R"("unmilionunu")"},
                  {"H_NRLITERE(22000000)", R"("douazecisidouamilioane")"},
                  {"H_NRLITERE(1000000000)", R"("unmiliard")"},
                  {"H_NRLITERE(2000000000)", R"("douamiliarde")"},
                  {"H_NRLITERE(999999999999)",
                   R"("nouasutenouazecisinouamiliardenouasutenouazecisinouamilioane)"
                   R"(nouasutenouazecisinouamiinouasutenouazecisinoua")"},
                  {"H_NRLITERE(7.9)", R"("sapte")"},  // the integer part, not rounded
                  {"H_NRLITERE(' 42 ')", R"("patruzecisidoi")"},
                  {"H_NRLITERE(1234567890123)", R"("***")"},
                  {"H_NRLITERE(1234567890123, 36)", R"("************************************")"},
                  {"H_NRLITERE(-5)", "STOP 1 parametru h_NrLitere"},
                  {"H_NRLITERE('12a')", "STOP 1 parametru h_NrLitere"},
                  {"H_NRLITERE(NIL)", "STOP 1 parametru h_NrLitere"},
                  {"H_NRLITERE({})", "STOP 1 parametru h_NrLitere"},
              });
}

TEST(Words, NrLitereNeverSplitsAGroupAcrossLines) {
    UtilFixture fx;
    expectAll(fx, {
                      // 28 + 25 characters do not fit in 35: the first line is filled with "-"
                      {"H_NRLITERE(777777, 35)",
                       R"("saptesutesaptezecisisaptemii-------saptesutesaptezecisisapte")"},
                      {"H_NRLITERE(2534, 35)", R"("douamiicincisutetreizecisipatru")"},
                      {"H_NRLITERE(777777, 34)",  // below 35 counts as no width
                       R"("saptesutesaptezecisisaptemiisaptesutesaptezecisisapte")"},
                  });
}

TEST(Words, MonLitereAddsUnitAndHundredths) {
    UtilFixture fx;
    expectAll(fx, {
                      {"H_MONLITERE(1234.56)", R"("Unamiedouasutetreizecisipatru lei 56 bani")"},
                      {"H_LEILITERE(1)", R"("Un leu 00 bani")"},
                      {"H_LEILITERE(2.05)", R"("Doi lei 05 bani")"},
                      {"H_LEILITERE(0.5)", R"("Zero lei 50 bani")"},
                      {"H_LEILITERE('17')", R"("Saptesprezece lei 00 bani")"},
                      {"H_LEILITERE(0.999)", R"("Zero lei ** bani")"},
                      {"H_MONLITERE(10, 'EUR')", R"("Zece EUR 00 ")"},
                      {"H_MONLITERE(1, 'EUR')", R"("Unu EUR 00 ")"},
                      {"H_LEILITERE(1234567890123)", R"("*** lei")"},
                      {"H_LEILITERE(.T.)", "STOP 1 parametru h_LeiLiter"},
                      {"H_MONLITERE(NIL)", "STOP 1 parametru h_LeiLiter"},
                      {"H_LEILITERE(-5)", "STOP 1 parametru h_NrLitere"},
                  });
}

TEST(Words, MonLitereFillsLinesWithDashes) {
    UtilFixture fx;
    // 29 + " lei" fits in 40; " 56 bani" does not, so the line is filled first; the last
    // line is filled to the end.
    std::string want = "Unamiedouasutetreizecisipatru lei-------56 bani" + std::string(33, '-');
    EXPECT_EQ(fx.eval("H_LEILITERE(1234.56, 40)").str(), want);
    // A result that exactly fills its line gets one more line of dashes.
    std::string s = fx.eval("H_LEILITERE(2, 35)").str();
    EXPECT_EQ(s.size() % 35, 0u);
    EXPECT_EQ(s.substr(0, 15), "Doi lei 00 bani");
}

TEST(DocumentNumbers, IncNrDocIncreasesTheLastDigitRun) {
    UtilFixture fx;
    expectAll(fx, {
                      {"H_INCNRDOC('FA0099/B')", R"("FA0100/B")"},
                      {"H_INCNRDOC('999')", R"("000")"},
                      {"H_INCNRDOC('A1B2')", R"("A1B3")"},
                      {"H_INCNRDOC('ABC')", R"("ABC")"},
                      {"H_INCNRDOC('')", R"("")"},
                      {"H_INCNRDOC(5)", "5"},
                  });
}

TEST(Pictures, HTransformUsesTheRomanianSeparators) {
    EXPECT_EQ(xb::fw::htools::romanianPicture("999.999,99"), "999,999.99");
    EXPECT_EQ(xb::fw::htools::romanianPicture("@Z 9.999,9"), "@Z 9,999.9");
    UtilFixture fx;
    expectAll(fx, {
                      {"H_TRANSFORM(1234.5, '999.999,99')", R"("  1.234,50")"},
                      {"H_TRANSFORM(-7.25, '9.999,99')", R"("   -7,25")"},
                  });
}
