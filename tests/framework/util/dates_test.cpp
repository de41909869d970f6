#include <gtest/gtest.h>

#include <deque>

#include "framework/util/xtools.hpp"
#include "runtime/date.hpp"
#include "util_fixture.hpp"

using xb::rt::julianOf;
namespace xt = xb::fw::xtools;

TEST(Str0, FillsBlanksWithZeros) {
    UtilFixture fx;
    expectAll(fx, {
                      {"STR0(7, 3)", R"("007")"},
                      {"STR0(7)", R"("000000000000007")"},
                      {"STR0(-5, 4)", R"("00-5")"},
                      {"STR0(3.14159, 6, 2)", R"("003.14")"},
                      {"STR0(12345, 3)", R"("***")"},
                      {"STR0('x')", "E 1 BASE/0 Argument error"},
                  });
}

TEST(DateTemplates, DtocWritesTemplatesInLowerCase) {
    UtilFixture fx;
    expectAll(fx, {
                      {"H_DTOC(0d20160315, 'zz.ll.aaaa')", R"("15.03.2016")"},
                      {"H_DTOC(0d20160315, 'zz l..l aaaa')", R"("15 martie 2016")"},
                      {"H_DTOC(0d20160315, 'ZZ.LL.AA')", R"("15.03.16")"},
                      {"H_DTOC(0d20160315, 'Data: zz.ll.aaaa')", R"("data: 15.03.2016")"},
                      {"H_DTOC(0d20160315, 'aaaall')", R"("201603")"},
                      {"H_DTOC(0d20160315)", R"("15/03/2016")"},
                      {"H_DTOC(0d00000000, 'zz.ll.aaaa')", R"("  .  .    ")"},
                      {"H_DTOC(0d00000000, 'zz.ll.aaaa', '0')", R"("00.00.0000")"},
                      {"H_DTOC(0d20160315, 'zz.ll.aaaa', '0')", R"("15.03.2016")"},
                      {"H_DTOC(0d00000000)", R"("  /  /    ")"},
                      {"H_DTOC('x', 'zz')", "E 1 BASE/0 Argument error"},
                  });
}

TEST(DateTemplates, CtodReadsOnlyWhatFitsTheTemplate) {
    UtilFixture fx;
    expectAll(fx, {
                      {"H_CTOD('15 martie 2016', 'zz l..l aaaa')", "0d20160315"},
                      {"H_CTOD('15 MARTIE 2016', 'zz l..l aaaa')", "0d20160315"},
                      {"H_CTOD('01 iunie 2016', 'zz l..l aaaa')", "0d20160601"},
                      {"H_CTOD('15 mar 2016', 'zz l..l aaaa')", "0d00000000"},
                      {"H_CTOD('15.03.2016', 'zz.ll.aaaa')", "0d20160315"},
                      {"H_CTOD('15.3.2016', 'zz.ll.aaaa')", "0d00000000"},  // lengths differ
                      {"H_CTOD('31.02.2016', 'zz.ll.aaaa')", "0d00000000"},
                      {"H_CTOD(' 5.03.2016', 'zz.ll.aaaa')", "0d20160305"},
                      {"H_CTOD('5 .03.2016', 'zz.ll.aaaa')", "0d00000000"},
                      {"H_CTOD('15-03-2016', 'zz.ll.aaaa')", "0d00000000"},
                      {"H_CTOD('1x.03.2016', 'zz.ll.aaaa')", "0d00000000"},
                      {"H_CTOD('15.03.16', 'zz.ll.aa')", "0d20160315"},
                      {"H_CTOD('15.03.49', 'zz.ll.aa')", "0d20490315"},
                      {"H_CTOD('15.03.50', 'zz.ll.aa')", "0d19500315"},
                      {"H_CTOD('2016.03', 'aaaa.ll')", "0d00000000"},  // no day
                      {"H_CTOD('  .  .    ', 'zz.ll.aaaa')", "0d00000000"},
                      {"H_CTOD('15/03/2016')", "0d20160315"},
                      {"H_CTOD(5, 'zz')", "0d00000000"},
                  });
}

TEST(DateParts, MonthDayNamesLastDayOfMonthDayOfWeek) {
    UtilFixture fx;
    expectAll(fx, {
                      {"H_CMONTH(0d20161201)", R"("decembrie")"},
                      {"H_CMONTH(0d00000000)", R"("")"},
                      {"H_LDOM(0d20160210)", "0d20160229"},
                      {"H_LDOM(0d20151210)", "0d20151231"},
                      {"H_LDOM(0d00000000)", "0d00000000"},
                      {"H_DOW(0d20160502)", "1"},
                      {"H_DOW(0d20160508)", "7"},
                      {"H_DOW(0d00000000)", "0"},
                      {"H_CDOW(0d20160502)", R"("luni")"},
                      {"H_CDOW(0d20160507)", R"("simbata")"},
                      {"H_CDOW(0d20160508)", R"("duminica")"},
                      {"H_CDOW(0d00000000)", R"("")"},
                  });
}

TEST(DateDifferences, YearsMonthsDaysWithMonthEnds) {
    UtilFixture fx;
    auto dif = [](const char* later, const char* earlier) {
        return std::string("(y := 9, m := 9, d := 9, {H_DIFDATE(") + later + ", " + earlier +
               ", @y, @m, @d), y, m, d})";
    };
    struct Case {
        const char* later;
        const char* earlier;
        const char* want;
    };
    const Case cases[] = {
        {"0d20160331", "0d20160131", "{.T., 0, 2, 0}"},  // month ends count as whole months
        {"0d20160315", "0d20160120", "{.T., 0, 1, 24}"},
        {"0d20170315", "0d20160120", "{.T., 1, 1, 23}"},  // February 2017 has 28 days
        {"0d20160315", "0d20150120", "{.T., 1, 1, 24}"},
        {"0d20160120", "0d20160120", "{.T., 0, 0, 0}"},
        {"0d20160301", "0d20160229", "{.T., 0, 0, 1}"},
        {"0d20160120", "0d20160315", "{.F., 0, 0, 0}"},
        {"0d00000000", "0d20160315", "{.F., 0, 0, 0}"},
        {"'x'", "0d20160315", "{.F., 0, 0, 0}"},
    };
    for (const Case& c : cases) {
        std::string expr = dif(c.later, c.earlier);
        SCOPED_TRACE(expr);
        EXPECT_EQ(fx.run(expr), c.want);
    }
    expectAll(fx, {
                      {"(n := 0, {H_DIFYEAR(0d20200229, 0d20160229, @n), n})", "{4, 4}"},
                      {"(n := 0, {H_DIFMONTH(0d20170315, 0d20160120, @n), n})", "{13, 13}"},
                      {"(n := 0, {H_DIFDAY(0d20160301, 0d20160228, @n), n})", "{2, 2}"},
                      {"(n := 7, {H_DIFDAY(0d20160228, 0d20160301, @n), n})", "{0, 7}"},
                      {"(n := 7, {H_DIFDAY(0d00000000, 0d20160301, @n), n})", "{0, 7}"},
                  });
}

TEST(Periods, AddAndDifferenceOfPeriods) {
    UtilFixture fx;
    expectAll(fx, {
                      {"H_ADDPERIOADA('2016.11', 2)", R"("2017.01")"},
                      {"H_ADDPERIOADA('2016.01', -1)", R"("2015.12")"},
                      {"H_ADDPERIOADA('2016.12', 0)", R"("2016.12")"},
                      {"H_ADDPERIOADA('2016.05', 24)", R"("2018.05")"},
                      {"H_ADDPERIOADA('2016.05', -17)", R"("2014.12")"},
                      {"H_ADDPERIOADA('2016.13', 1)", R"("")"},
                      {"H_ADDPERIOADA('2016.1', 1)", R"("")"},
                      {"H_ADDPERIOADA('2016.05', 'x')", R"("")"},
                      {"H_ADDPERIOADA('    .  ', 3)", R"("    .  ")"},
                      {"H_ADDPERIOADA(5, 1)", R"("")"},
                      {"(e := 'x', {H_DIFPERIOADE('2016.11', '2017.02', @e), e})", R"({3, ""})"},
                      {"(e := 'x', {H_DIFPERIOADE('2017.02', '2016.11', @e), e})", R"({-3, ""})"},
                      {"(e := '', {H_DIFPERIOADE('2016.13', '2017.01', @e), e})",
                       R"({0, "Tip parametrii incorecti!"})"},
                      {"(e := '', {H_DIFPERIOADE(NIL, '2017.01', @e), e})",
                       R"({0, "Tip parametrii incorecti!"})"},
                  });
}

TEST(Holidays, OrthodoxEasterMatchesTheJulianRule) {
    // Orthodox Easter Sundays by the Julian-calendar rule, converted to the Gregorian calendar
    // with an independent implementation.
    static const int kEaster[][3] = {
        {2000, 4, 30}, {2001, 4, 15}, {2002, 5, 5},  {2003, 4, 27}, {2004, 4, 11}, {2005, 5, 1},
        {2006, 4, 23}, {2007, 4, 8},  {2008, 4, 27}, {2009, 4, 19}, {2010, 4, 4},  {2011, 4, 24},
        {2012, 4, 15}, {2013, 5, 5},  {2014, 4, 20}, {2015, 4, 12}, {2016, 5, 1},  {2017, 4, 16},
        {2018, 4, 8},  {2019, 4, 28}, {2020, 4, 19}, {2021, 5, 2},  {2022, 4, 24}, {2023, 4, 16},
        {2024, 5, 5},  {2025, 4, 20}, {2026, 4, 12}, {2027, 5, 2},  {2028, 4, 16}, {2029, 4, 8},
        {2030, 4, 28}, {2031, 4, 13}, {2032, 5, 2},  {2033, 4, 24}, {2034, 4, 9},  {2035, 4, 29},
        {2036, 4, 20}, {2037, 4, 5},  {2038, 4, 25}, {2039, 4, 17}, {2040, 5, 6},
    };
    for (const auto& e : kEaster) {
        SCOPED_TRACE(e[0]);
        xt::MovingHolidays h = xt::orthodoxHolidays(e[0]);
        EXPECT_EQ(h.easter, julianOf(e[0], e[1], e[2]));
        EXPECT_EQ(h.easterMonday, h.easter + 1);
        EXPECT_EQ(h.pentecost, h.easter + 49);
        EXPECT_EQ(h.pentecostMonday, h.easter + 50);
    }
    EXPECT_EQ(xt::orthodoxHolidays(2016).pentecost, julianOf(2016, 6, 19));
}

TEST(Holidays, ZiSarbTestsWeekdaysAndHolidayCodes) {
    UtilFixture fx;
    expectAll(fx,
              {
                  {"H_ZISARB(0d20160502, {}, {'rusa2'})", ".T."},
                  {"H_ZISARB(0d20160501, {}, {'RUSA1 Pasti'})", ".T."},
                  {"H_ZISARB(0d20160502, {}, {'rusa1'})", ".F."},
                  {"H_ZISARB(0d20160619, {}, {'past1'})", ".T."},
                  {"H_ZISARB(0d20160620, {}, {'past2'})", ".T."},
                  {"H_ZISARB(0d20160507, {6}, {})", ".T."},  // a Saturday
                  {"H_ZISARB(0d20160508, {6}, {})", ".F."},
                  {"H_ZISARB(0d20161201, {}, {5, '12.01'})", ".T."},
                  {"H_ZISARB(0d20161202, {}, {'12.01'})", ".F."},
                  {"H_ZISARB(0d20160101, {'x', 6}, {'01.01'})", ".T."},
                  {"H_ZISARB('x', {}, {})",
                   "STOP 1 parametrul data nu este data calendaristica in h_ZiSarb()"},
                  {"H_ZISARB(0d00000000, {}, {})", "STOP 1 parametrul data este vid in h_ZiSarb()"},
                  {"H_ZISARB(0d20160502, 6, {})",
                   "STOP 1 parametrul aZile_Neluc nu este vector in h_ZiSarb()"},
                  {"H_ZISARB(0d20160502, {1, 2, 3, 4, 5, 6, 7}, {})",
                   "STOP 1 toate zilele saptaminii sint marcate ca zile nelucr.in h_ZiSarb() !"},
                  {"H_ZISARB(0d20160502, {}, 'rusa2')",
                   "STOP 1 parametrul aZile_Sarb nu este vector in h_ZiSarb()"},
              });
}

namespace {
// A clock that answers a scripted sequence of readings, then repeats the last one.
struct ScriptedClock {
    std::deque<xt::ClockReading> readings;
    xt::ClockReading operator()() {
        xt::ClockReading r = readings.front();
        if (readings.size() > 1) readings.pop_front();
        return r;
    }
};
}  // namespace

TEST(Clock, ReadingsBelongToTheSameMomentAcrossMidnight) {
    UtilFixture fx;
    std::int32_t d = julianOf(2016, 3, 15);
    // The date changes between the two readings: the pair is read again.
    xt::setClock(fx.rt, ScriptedClock{{{d, 86399.5}, {d + 1, 0.5}, {d + 1, 0.6}, {d + 1, 0.7}}});
    EXPECT_EQ(fx.run("(a := b := NIL, {H_GETDATESEC(@a, @b), a, b})"), "{.T., 0d20160316, 0.70}");
    xt::setClock(fx.rt,
                 ScriptedClock{{{d, 86399.9}, {d + 1, 1.2}, {d + 1, 3661.0}, {d + 1, 3661.0}}});
    EXPECT_EQ(fx.run("(a := b := NIL, {H_DATETIME(@a, @b), a, b})"),
              R"({.T., 0d20160316, "01:01:01"})");
}

TEST(Clock, TimerCountsAcrossMidnight) {
    UtilFixture fx;
    std::int32_t d = julianOf(2016, 3, 15);
    xt::setClock(fx.rt, ScriptedClock{{{d, 86390.0}}});
    EXPECT_EQ(fx.run("H_TIMER()"), "NIL");  // not started
    EXPECT_EQ(fx.run("H_TIMER('<')"), "NIL");
    xt::setClock(fx.rt, ScriptedClock{{{d + 1, 20.25}}});
    EXPECT_EQ(fx.run("H_TIMER()"), "30.25");
    EXPECT_EQ(fx.run("H_TIMER('>')"), "NIL");
    EXPECT_EQ(fx.run("H_TIMER()"), "NIL");
}
