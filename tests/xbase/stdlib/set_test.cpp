#include <gtest/gtest.h>

#include "cases.hpp"
#include "xbase/stdlib/stdlib.hpp"

namespace {

TEST(Set, ReturnsTheOldValueAndChangesTheSettings) {
    EvalFixture ev;
    expectAll(ev, {
                      {"SET(1)", ".F."},  // EXACT
                      {"SET(1, .T.)", ".F."},
                      {"SET(1)", ".T."},
                      {R"(SET(1, "OFF"))", ".T."},
                      {"SET(1)", ".F."},
                      {"SET(1, NIL)", ".F."},
                      {"SET(1)", ".F."},
                      {"SET(11)", ".T."},  // DELETED
                      {"SET(9)", ".F."},   // SOFTSEEK
                      {"SET(8)", ".T."},   // EXCLUSIVE
                      {"SET(2)", ".F."},   // FIXED
                      {"SET(27)", ".F."},  // CONFIRM
                      {"SET(3)", "2"},     // DECIMALS
                      {"SET(3, -1)", "2"},
                      {"SET(3)", "2"},
                      {"SET(5)", "1950"},  // EPOCH
                      {"SET(4)", R"("dd/mm/yyyy")"},
                      {R"(SET("_SET_SOFTSEEK", .T.))", ".F."},
                      {R"(SET("softseek"))", ".T."},
                      {R"(SET("CENTURY"))", ".T."},
                      {"SET(0)", "E 1 BASE/2020 Argument error"},
                      {R"(SET("NOSUCH"))", "E 1 BASE/2020 Argument error"},
                      {"SET(15)", R"("W/N,N/W,N,N,N/W")"},  // kept in the side store
                      {R"(SET(15, "W+/B"))", R"("W/N,N/W,N,N,N/W")"},
                      {"SET(15)", R"("W+/B")"},
                      {"SET(26, .T.)", ".F."},
                      {"SET(26)", ".T."},
                  });
    EXPECT_TRUE(ev.rt.settings().softSeek);
    EXPECT_FALSE(ev.rt.settings().exact);
}

TEST(Set, CenturyAndDateFormatStayConsistent) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(SET("CENTURY", .F.))", ".T."},
                      {"SET(4)", R"("dd/mm/yy")"},
                      {"DTOC(0d20240131)", R"("31/01/24")"},
                      {"__SETCENTURY(.T.)", ".F."},
                      {"DTOC(0d20240131)", R"("31/01/2024")"},
                      {R"(SET(4, "mm-dd-yy"))", R"("dd/mm/yyyy")"},
                      {R"(SET("CENTURY"))", ".F."},
                      {R"(SET(4, "yyyy/mm/dd"))", R"("mm-dd-yy")"},
                      {R"(SET("CENTURY"))", ".T."},
                      {R"(SET(4, ""))", R"("yyyy/mm/dd")"},  // an empty format is refused
                      {"SET(4)", R"("yyyy/mm/dd")"},
                  });
}

TEST(Set, ExactChangesStringMatching) {
    EvalFixture ev;
    EXPECT_EQ(ev.repr(R"(ASCAN({"abc"}, "ab"))"), "1");
    xb::stdlib::setValue(ev.rt, xb::stdlib::set::kExact, nullptr);
    xb::rt::Value on(true);
    xb::stdlib::setValue(ev.rt, xb::stdlib::set::kExact, &on);
    EXPECT_EQ(ev.repr(R"(ASCAN({"abc"}, "ab"))"), "0");
    EXPECT_EQ(xb::stdlib::setIdOf("_set_epoch"), xb::stdlib::set::kEpoch);
    EXPECT_EQ(xb::stdlib::setIdOf("bogus"), 0);
}

}  // namespace
