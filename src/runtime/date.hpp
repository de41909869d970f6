// DATE: calendar arithmetic on Julian day numbers (proleptic Gregorian calendar).
//
// Day 0 is the empty date everywhere; every function here maps it to empty results
// ("        " for DToS-style text is the caller's choice: dtos() gives "").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace xb::rt {

struct Ymd {
    int year, month, day;
};

// Julian day number of a valid calendar date, or 0 when the date does not exist.
std::int32_t julianOf(int year, int month, int day) noexcept;
// The calendar date of a Julian day number; {0, 0, 0} for 0.
Ymd ymdOf(std::int32_t julian) noexcept;
bool isLeapYear(int year) noexcept;
int daysInMonth(int year, int month) noexcept;
// 1 = Sunday ... 7 = Saturday; 0 for the empty date.
int dayOfWeek(std::int32_t julian) noexcept;

// "YYYYMMDD", or eight blanks for the empty date (the DBF form).
std::string dtos(std::int32_t julian);
// Parses "YYYYMMDD"; blanks or an invalid date give 0.
std::int32_t stod(std::string_view s) noexcept;

}  // namespace xb::rt
