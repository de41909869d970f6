// XTOOLS: dates with Romanian month and day names, letter templates, differences between
// dates, accounting periods, non-working days with the Orthodox moving holidays, and reading
// the clock consistently.
//
// Dates are Julian day numbers; 0 is the empty date, and every function here answers an empty
// date with the empty result its xBase form documents. Templates are read in lower case:
// "aaaa" year, "aa" two-digit year, "ll" month, "l..l" month name, "zz" day. A period is the
// text "aaaa.ll" (year, ".", month). Invariant: a valid period survives the round trip
// hCtod(period + ".01", "aaaa.ll.zz") -> hDtoc(..., "aaaa.ll") unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/runtime.hpp"

namespace xb::fw::xtools {

// Str(v, width, decimals) with every blank turned into "0" ("00-5" for -5 in 4).
std::string str0(double v, int width = 15, int decimals = 0);

// "ianuarie" ... "decembrie" for 1 to 12; "" otherwise.
std::string_view monthName(int month);
// "luni" ... "duminica" for Monday 1 to Sunday 7; "" otherwise.
std::string_view dayName(int dow);
// Day of the week, Monday 1 to Sunday 7; 0 for the empty date.
int dow(std::int32_t julian);
// The last day of the date's month (0 for the empty date).
std::int32_t lastDayOfMonth(std::int32_t julian);

// The date written under a letter template. The template is lowered (its literal text too);
// with `fill`, the blanks of an empty date become fill.
std::string hDtoc(std::int32_t julian, std::string_view tmpl,
                  std::optional<std::string_view> fill = std::nullopt);
// Reads a date written under a letter template; 0 when anything does not fit.
std::int32_t hCtod(std::string_view text, std::string_view tmpl);

struct DateDiff {
    int years = 0, months = 0, days = 0;
};
// Whole years, months and days from earlier to later; the last day of a month counts as day
// 0 of the next. nullopt when either date is empty or later is before earlier.
std::optional<DateDiff> difDate(std::int32_t later, std::int32_t earlier);

// Periods "aaaa.ll".
bool validPeriod(std::string_view period);
// The period moved by months; "" for an invalid period; dots and blanks come back unchanged.
std::string addPerioada(std::string_view period, long long months);
// Months from first to second; nullopt when either is not a valid period.
std::optional<int> difPerioade(std::string_view first, std::string_view second);

// The moving holidays of a year by the Julian-calendar Easter rule, as Gregorian dates.
struct MovingHolidays {
    std::int32_t easter, easterMonday, pentecost, pentecostMonday;
};
MovingHolidays orthodoxHolidays(int year);
// True when the (non-empty) date is a non-working day: its day of the week (Monday 1) is in
// nonWorking, or it matches a holiday code ("rusa1", "rusa2", "past1", "past2" or "ll.zz").
bool isNonWorkingDay(std::int32_t julian, const std::vector<int>& nonWorking,
                     const std::vector<std::string>& holidays);

// The clock, read as one moment: the date and the seconds since midnight (with hundredths).
// Tests replace it per runtime with setClock().
struct ClockReading {
    std::int32_t date = 0;
    double seconds = 0;
};
using ClockFn = std::function<ClockReading()>;
void setClock(rt::Runtime& rt, ClockFn clock);
// H_GETDATESEC: the date and the seconds since midnight of the same day.
ClockReading dateSeconds(rt::Runtime& rt);
// H_DATETIME: the date and the time "hh:mm:ss" of the same moment.
struct DateTime {
    std::int32_t date = 0;
    std::string time;
};
DateTime dateTime(rt::Runtime& rt);
// H_TIMER: "<" starts, ">" stops; a read gives the seconds since the start across midnights,
// nullopt when not started (and for "<" and ">").
std::optional<double> timer(rt::Runtime& rt, std::string_view command);

// The module's xBase functions.
extern const rt::Builtin kBuiltins[];
extern const std::size_t kBuiltinCount;

}  // namespace xb::fw::xtools
