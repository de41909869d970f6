#include <gtest/gtest.h>

#include "cases.hpp"
#include "runtime/date.hpp"
#include "xbase/stdlib/stdlib.hpp"

namespace {

TEST(DateText, DtocAndCtodFollowTheFormatAndEpoch) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(DTOC(0d20240131))", R"("31/01/2024")"},
                      {R"(DTOC(CTOD("")))", R"("  /  /    ")"},
                      {R"(CTOD("31/01/2024"))", "0d20240131"},
                      {R"(CTOD("1/2/2024"))", "0d20240201"},
                      {R"(CTOD("31/01/49"))", "0d20490131"},  // epoch 1950: 49 is 2049
                      {R"(CTOD("31/01/50"))", "0d19500131"},
                      {R"(CTOD("31/02/2024"))", "0d00000000"},  // no such day
                      {R"(CTOD("29/02/2023"))", "0d00000000"},
                      {R"(CTOD("29/02/2024"))", "0d20240229"},
                      {R"(CTOD("  /  /    "))", "0d00000000"},
                      {R"(CTOD("abc"))", "0d00000000"},
                      {R"(CTOD("31/01"))", "0d00000000"},
                      {R"(CTOD(20240131))", "E 1 BASE/1119 Argument error"},
                      {R"(DTOC("31/01/2024"))", "E 1 BASE/1118 Argument error"},
                      {R"(SET(5, 1980))", "1950"},
                      {R"(CTOD("01/01/79"))", "0d20790101"},
                      {R"(CTOD("01/01/80"))", "0d19800101"},
                      {R"(SET(4, "yyyy.mm.dd"))", R"("dd/mm/yyyy")"},
                      {R"(DTOC(0d20240131))", R"("2024.01.31")"},
                      {R"(CTOD("2024.01.31"))", "0d20240131"},
                      {R"(SET(4, "mm/dd/yy"))", R"("yyyy.mm.dd")"},
                      {R"(DTOC(0d20240131))", R"("01/31/24")"},
                      {R"(CTOD("01/31/24"))", "0d20240131"},
                      {R"(DTOC(CTOD("")))", R"("  /  /  ")"},
                  });
}

TEST(DateText, TemplatesWithoutSeparatorsReadByPosition) {
    using xb::stdlib::ctod;
    EXPECT_EQ(ctod("20240131", "yyyymmdd", 1950), xb::rt::julianOf(2024, 1, 31));
    EXPECT_EQ(ctod("2024 131", "yyyymmdd", 1950), xb::rt::julianOf(2024, 1, 31));  // blank-padded
    EXPECT_EQ(ctod("2024x131", "yyyymmdd", 1950), 0);
    EXPECT_EQ(xb::stdlib::dtoc(xb::rt::julianOf(2024, 1, 31), "DD-MM-YYYY"), "31-01-2024");
}

TEST(DateParts, WidthsAndEmptyDates) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(DTOS(0d20240131))", R"("20240131")"},
                      {R"(DTOS(CTOD("")))", R"("        ")"},
                      {R"(STOD("20240131"))", "0d20240131"},
                      {R"(STOD(""))", "0d00000000"},
                      {R"(STOD("2024013x"))", "0d00000000"},
                      {R"(STR(YEAR(0d20240131)))", R"(" 2024")"},
                      {R"(STR(MONTH(0d20240131)))", R"("  1")"},
                      {R"(STR(DAY(0d20240131)))", R"(" 31")"},
                      {R"(YEAR(CTOD("")))", "0"},
                      {R"(DOW(0d20240131))", "4"},  // a Wednesday
                      {R"(DOW(CTOD("")))", "0"},
                      {R"(CDOW(0d20240131))", R"("Wednesday")"},
                      {R"(CMONTH(0d20240131))", R"("January")"},
                      {R"(CDOW(CTOD("")))", R"("")"},
                      {R"(CMONTH(CTOD("")))", R"("")"},
                      {R"(YEAR("2024"))", "E 1 BASE/1112 Argument error"},
                      {R"(DTOS(NIL))", "E 1 BASE/1120 Argument error"},
                      {R"(HB_DATE(2024, 2, 30))", "0d00000000"},
                      {R"(HB_DATE(2024, 2, 29))", "0d20240229"},
                  });
}

TEST(Clock, TodayTimeAndSecondsAgree) {
    EvalFixture ev;
    EXPECT_EQ(ev.repr("VALTYPE(DATE())"), R"("D")");
    EXPECT_EQ(ev.repr("EMPTY(DATE())"), ".F.");
    EXPECT_EQ(ev.repr("LEN(TIME())"), "8");
    EXPECT_EQ(ev.repr(R"(SUBSTR(TIME(), 3, 1) + SUBSTR(TIME(), 6, 1))"), R"("::")");
    EXPECT_EQ(ev.repr("SECONDS() >= 0 .AND. SECONDS() < 86400"), ".T.");
}

}  // namespace
