#include "runtime/date.hpp"

#include <cstdio>

namespace xb::rt {

bool isLeapYear(int y) noexcept { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) noexcept {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12) return 0;
    return m == 2 && isLeapYear(y) ? 29 : kDays[m - 1];
}

std::int32_t julianOf(int y, int m, int d) noexcept {
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m)) return 0;
    int a = (14 - m) / 12;
    long yy = y + 4800 - a;
    long mm = m + 12 * a - 3;
    return static_cast<std::int32_t>(d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 +
                                     yy / 400 - 32045);
}

Ymd ymdOf(std::int32_t j) noexcept {
    if (j <= 0) return {0, 0, 0};
    long a = j + 32044;
    long b = (4 * a + 3) / 146097;
    long c = a - 146097 * b / 4;
    long d = (4 * c + 3) / 1461;
    long e = c - 1461 * d / 4;
    long m = (5 * e + 2) / 153;
    Ymd r;
    r.day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
    r.month = static_cast<int>(m + 3 - 12 * (m / 10));
    r.year = static_cast<int>(100 * b + d - 4800 + m / 10);
    return r;
}

int dayOfWeek(std::int32_t j) noexcept {
    if (j <= 0) return 0;
    return static_cast<int>((j + 1) % 7) + 1;
}

std::string dtos(std::int32_t j) {
    if (j <= 0) return std::string(8, ' ');
    Ymd d = ymdOf(j);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year % 10000, d.month, d.day);
    return buf;
}

std::int32_t stod(std::string_view s) noexcept {
    if (s.size() < 8) return 0;
    int v[3] = {0, 0, 0};
    const int lens[3] = {4, 2, 2};
    std::size_t p = 0;
    for (int k = 0; k < 3; ++k) {
        for (int i = 0; i < lens[k]; ++i, ++p) {
            char c = s[p];
            if (c < '0' || c > '9') return 0;
            v[k] = v[k] * 10 + (c - '0');
        }
    }
    return julianOf(v[0], v[1], v[2]);
}

}  // namespace xb::rt
