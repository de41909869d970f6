#include "framework/util/xtools.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

#include "framework/util/util.hpp"
#include "runtime/date.hpp"
#include "runtime/number.hpp"
#include "xbase/stdlib/stdlib.hpp"

namespace xb::fw::xtools {

namespace {

const char* const kMonths[] = {"ianuarie",   "februarie", "martie",    "aprilie",
                               "mai",        "iunie",     "iulie",     "august",
                               "septembrie", "octombrie", "noiembrie", "decembrie"};
const char* const kDays[] = {"luni", "marti", "miercuri", "joi", "vineri", "simbata", "duminica"};

std::string lower(std::string_view s) {
    std::string r(s);
    for (char& c : r) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return r;
}

void replaceAll(std::string& s, std::string_view what, std::string_view with) {
    for (std::size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + with.size())) {
        s.replace(p, what.size(), with);
    }
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A collected field: leading blanks, then digits only; nullopt otherwise (a trailing or inner
// blank, or nothing but blanks).
std::optional<int> fieldValue(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    if (i == s.size()) return std::nullopt;
    int v = 0;
    for (; i < s.size(); ++i) {
        if (!isDigit(s[i])) return std::nullopt;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

}  // namespace

std::string str0(double v, int width, int decimals) {
    std::string s = rt::formatNumber(v, width, decimals);
    std::replace(s.begin(), s.end(), ' ', '0');
    return s;
}

std::string_view monthName(int month) {
    return month >= 1 && month <= 12 ? kMonths[month - 1] : "";
}
std::string_view dayName(int d) { return d >= 1 && d <= 7 ? kDays[d - 1] : ""; }

int dow(std::int32_t julian) {
    int d = rt::dayOfWeek(julian);  // 1 = Sunday
    return d == 0 ? 0 : (d + 5) % 7 + 1;
}

std::int32_t lastDayOfMonth(std::int32_t julian) {
    if (julian <= 0) return 0;
    rt::Ymd d = rt::ymdOf(julian);
    return rt::julianOf(d.year, d.month, rt::daysInMonth(d.year, d.month));
}

std::string hDtoc(std::int32_t julian, std::string_view tmpl,
                  std::optional<std::string_view> fill) {
    std::string s = rt::dtos(julian);
    if (julian <= 0 && fill) {
        std::string filled;
        for (char c : s) {
            if (c == ' ') {
                filled.append(*fill);
            } else {
                filled.push_back(c);
            }
        }
        s = filled;
    }
    // Positions in the eight-character form (after the fill, as the classic code takes them).
    auto part = [&](std::size_t from, std::size_t n) {
        return from < s.size() ? s.substr(from, n) : std::string();
    };
    std::string t = lower(tmpl);
    std::string year4 = part(0, 4), year2 = part(2, 2), month = part(4, 2), day = part(6, 2);
    replaceAll(t, "aaaa", year4);
    replaceAll(t, "aa", year2);
    replaceAll(t, "l..l", julian > 0 ? monthName(rt::ymdOf(julian).month) : "");
    replaceAll(t, "ll", month);
    replaceAll(t, "zz", day);
    return t;
}

std::int32_t hCtod(std::string_view textIn, std::string_view tmplIn) {
    std::string text(textIn);
    std::string tmpl = lower(tmplIn);
    if (std::size_t p = tmpl.find("l..l"); p != std::string::npos) {
        if (p > text.size()) return 0;
        std::string rest = lower(std::string_view(text).substr(p));
        int month = 0;
        for (int m = 1; m <= 12 && month == 0; ++m) {
            if (rest.starts_with(kMonths[m - 1])) month = m;
        }
        if (month == 0) return 0;
        char digits[3] = {static_cast<char>('0' + month / 10), static_cast<char>('0' + month % 10),
                          0};
        text.replace(p, std::string_view(kMonths[month - 1]).size(), digits);
        tmpl.replace(p, 4, "ll");
    }
    if (text.size() != tmpl.size()) return 0;
    bool hasYear = tmpl.find("aa") != std::string::npos;
    if (!hasYear || tmpl.find("ll") == std::string::npos || tmpl.find("zz") == std::string::npos) {
        return 0;
    }
    std::string year, month, day;
    for (std::size_t i = 0; i < tmpl.size(); ++i) {
        char t = tmpl[i], c = text[i];
        std::string* field = t == 'a' ? &year : t == 'l' ? &month : t == 'z' ? &day : nullptr;
        if (field) {
            if (!isDigit(c) && c != ' ') return 0;
            field->push_back(c);
        } else if (c != t) {
            return 0;
        }
    }
    std::optional<int> y = fieldValue(year), m = fieldValue(month), d = fieldValue(day);
    if (!y || !m || !d) return 0;
    int yy = *y;
    if (year.size() <= 2) yy += yy >= 50 ? 1900 : 2000;
    return rt::julianOf(yy, *m, *d);
}

std::optional<DateDiff> difDate(std::int32_t later, std::int32_t earlier) {
    if (later <= 0 || earlier <= 0 || later < earlier) return std::nullopt;
    // The last day of a month is day 0 of the next month.
    auto split = [](std::int32_t j, int& y, int& m, int& d) {
        rt::Ymd v = rt::ymdOf(j);
        y = v.year;
        m = v.month;
        d = v.day;
        if (d == rt::daysInMonth(y, m)) {
            d = 0;
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
    };
    int y1, m1, d1, y2, m2, d2;
    split(later, y1, m1, d1);
    split(earlier, y2, m2, d2);
    if (d1 < d2) {
        int py = m1 == 1 ? y1 - 1 : y1;
        int pm = m1 == 1 ? 12 : m1 - 1;
        d1 += rt::daysInMonth(py, pm);
        y1 = py;
        m1 = pm;
    }
    DateDiff r;
    r.days = d1 - d2;
    if (m1 < m2) {
        m1 += 12;
        --y1;
    }
    r.months = m1 - m2;
    r.years = y1 - y2;
    return r;
}

bool validPeriod(std::string_view period) {
    if (period.size() != 7) return false;
    std::string probe(period);
    probe += ".01";
    return hDtoc(hCtod(probe, "aaaa.ll.zz"), "aaaa.ll") == period;
}

std::string addPerioada(std::string_view period, long long months) {
    if (period.find_first_not_of(". ") == std::string_view::npos) return std::string(period);
    if (!validPeriod(period)) return {};
    rt::Ymd d = rt::ymdOf(hCtod(std::string(period) + ".01", "aaaa.ll.zz"));
    long long t = static_cast<long long>(d.year) * 12 + d.month + months;
    long long y = t / 12, m = t % 12;
    if (m == 0) {
        y -= 1;
        m = 12;
    }
    return str0(static_cast<double>(y), 4) + "." + str0(static_cast<double>(m), 2);
}

std::optional<int> difPerioade(std::string_view first, std::string_view second) {
    if (!validPeriod(first) || !validPeriod(second)) return std::nullopt;
    rt::Ymd a = rt::ymdOf(hCtod(std::string(first) + ".01", "aaaa.ll.zz"));
    rt::Ymd b = rt::ymdOf(hCtod(std::string(second) + ".01", "aaaa.ll.zz"));
    return (b.year * 12 + b.month) - (a.year * 12 + a.month);
}

MovingHolidays orthodoxHolidays(int year) {
    int a = year % 4, b = year % 7, c = year % 19;
    int d = (19 * c + 15) % 30;
    int e = (2 * a + 4 * b - d + 34) % 7;
    int month = (d + e + 114) / 31;
    int day = (d + e + 114) % 31 + 1;
    // (year, month, day) is a date of the Julian calendar; its day number is the Gregorian
    // date directly (13 days later between 1900 and 2099).
    long aa = (14 - month) / 12;
    long yy = year + 4800 - aa;
    long mm = month + 12 * aa - 3;
    auto easter = static_cast<std::int32_t>(day + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - 32083);
    return {easter, easter + 1, easter + 49, easter + 50};
}

bool isNonWorkingDay(std::int32_t julian, const std::vector<int>& nonWorking,
                     const std::vector<std::string>& holidays) {
    if (julian <= 0) return false;
    if (std::find(nonWorking.begin(), nonWorking.end(), dow(julian)) != nonWorking.end()) {
        return true;
    }
    int year = rt::ymdOf(julian).year;
    MovingHolidays mh = orthodoxHolidays(year);
    for (const std::string& h : holidays) {
        std::string code = lower(h);
        std::int32_t when;
        if (code.starts_with("rusa1")) {
            when = mh.easter;
        } else if (code.starts_with("rusa2")) {
            when = mh.easterMonday;
        } else if (code.starts_with("past1")) {
            when = mh.pentecost;
        } else if (code.starts_with("past2")) {
            when = mh.pentecostMonday;
        } else {
            when = hCtod(code + "." + str0(year, 4), "ll.zz.aaaa");
        }
        if (when == julian) return true;
    }
    return false;
}

// --- the clock ---

namespace {
struct ClockState {
    static constexpr char kTag = 0;
    explicit ClockState(rt::Runtime&) {}
    ClockFn clock;
    std::optional<ClockReading> timerStart;
};

ClockReading systemClock() {
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    auto cs =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000 / 10;
    ClockReading r;
    r.date = rt::julianOf(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    r.seconds = tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec + static_cast<double>(cs) / 100;
    return r;
}

ClockReading readClock(rt::Runtime& rt) {
    ClockState& s = rt.extension<ClockState>();
    return s.clock ? s.clock() : systemClock();
}

std::string timeText(double seconds) {
    auto s = static_cast<long>(seconds);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02ld:%02ld:%02ld", s / 3600 % 24, s / 60 % 60, s % 60);
    return buf;
}
}  // namespace

void setClock(rt::Runtime& rt, ClockFn clock) {
    rt.extension<ClockState>().clock = std::move(clock);
}

ClockReading dateSeconds(rt::Runtime& rt) {
    // The date read before and after the seconds must agree, or midnight passed in between.
    for (;;) {
        std::int32_t before = readClock(rt).date;
        ClockReading r = readClock(rt);
        if (r.date == before) return r;
    }
}

DateTime dateTime(rt::Runtime& rt) {
    for (;;) {
        double t0 = std::floor(readClock(rt).seconds);
        ClockReading r = readClock(rt);
        if (!(t0 > std::floor(r.seconds))) return {r.date, timeText(r.seconds)};
    }
}

std::optional<double> timer(rt::Runtime& rt, std::string_view command) {
    ClockState& s = rt.extension<ClockState>();
    if (command == "<") {
        s.timerStart = dateSeconds(rt);
        return std::nullopt;
    }
    if (command == ">") {
        s.timerStart.reset();
        return std::nullopt;
    }
    if (!s.timerStart) return std::nullopt;
    ClockReading now = dateSeconds(rt);
    return now.seconds + static_cast<double>(now.date - s.timerStart->date) * 86400 -
           s.timerStart->seconds;
}

// --- bindings ---

namespace {

using rt::Frame;
using rt::Value;

std::int32_t dateArg(const Frame& f, int n) { return f.dateOr(n, 0); }
int intArg(const Frame& f, int n, int def) {
    return static_cast<int>(std::clamp<long long>(f.intOr(n, def), -1000000, 1000000));
}

// STR0(number, width, decimals)
void fn_STR0(Frame& f) {
    int width = std::clamp(intArg(f, 2, 15), 0, 255);
    f.ret(str0(f.num(1), width, std::clamp(intArg(f, 3, 0), 0, 20)));
}

// H_DTOC(date, template, fill)
void fn_H_DTOC(Frame& f) {
    std::int32_t d = dateArg(f, 1);
    if (!f.arg(2).isString()) {
        f.ret(stdlib::dtoc(f.runtime().settings(), d));
        return;
    }
    std::optional<std::string_view> fill;
    if (f.arg(3).isString()) fill = f.arg(3).str();
    f.ret(hDtoc(d, f.arg(2).str(), fill));
}

// H_CTOD(text, template)
void fn_H_CTOD(Frame& f) {
    if (!f.arg(1).isString()) {
        f.ret(Value::date(0));
    } else if (!f.arg(2).isString()) {
        f.ret(Value::date(stdlib::ctod(f.runtime().settings(), f.arg(1).str())));
    } else {
        f.ret(Value::date(hCtod(f.arg(1).str(), f.arg(2).str())));
    }
}

void fn_H_CMONTH(Frame& f) {
    std::int32_t d = dateArg(f, 1);
    f.ret(std::string(d > 0 ? monthName(rt::ymdOf(d).month) : ""));
}
void fn_H_LDOM(Frame& f) { f.ret(Value::date(lastDayOfMonth(dateArg(f, 1)))); }
void fn_H_DOW(Frame& f) { f.ret(Value::integer(dow(dateArg(f, 1)))); }
void fn_H_CDOW(Frame& f) { f.ret(std::string(dayName(dow(dateArg(f, 1))))); }

// Dates for the difference functions: anything but a date counts as empty.
std::int32_t anyDate(const Frame& f, int n) { return f.arg(n).isDate() ? f.arg(n).julian() : 0; }

// H_DIFDATE(later, earlier, @years, @months, @days) -> logical
void fn_H_DIFDATE(Frame& f) {
    std::optional<DateDiff> d = difDate(anyDate(f, 1), anyDate(f, 2));
    DateDiff r = d.value_or(DateDiff{});
    f.setRef(3, Value::integer(r.years));
    f.setRef(4, Value::integer(r.months));
    f.setRef(5, Value::integer(r.days));
    f.ret(d.has_value());
}
// H_DIFYEAR(later, earlier, @years)
void fn_H_DIFYEAR(Frame& f) {
    int y = difDate(anyDate(f, 1), anyDate(f, 2)).value_or(DateDiff{}).years;
    f.setRef(3, Value::integer(y));
    f.ret(Value::integer(y));
}
// H_DIFMONTH(later, earlier, @months)
void fn_H_DIFMONTH(Frame& f) {
    DateDiff d = difDate(anyDate(f, 1), anyDate(f, 2)).value_or(DateDiff{});
    Value m = Value::integer(d.years * 12 + d.months);
    f.setRef(3, m);
    f.ret(m);
}
// H_DIFDAY(later, earlier, @days): 0 (days untouched) when later is before earlier; an empty
// date has no day number to subtract, so it counts the same way.
void fn_H_DIFDAY(Frame& f) {
    std::int32_t later = anyDate(f, 1), earlier = anyDate(f, 2);
    if (later <= 0 || earlier <= 0 || later < earlier) {
        f.ret(Value::integer(0));
        return;
    }
    Value d = Value::integer(later - earlier);
    f.setRef(3, d);
    f.ret(d);
}

// H_ADDPERIOADA(period, months)
void fn_H_ADDPERIOADA(Frame& f) {
    if (!f.arg(1).isString()) {
        f.ret("");
        return;
    }
    const std::string& p = f.arg(1).str();
    if (p.find_first_not_of(". ") == std::string::npos) {
        f.ret(p);
        return;
    }
    if (!f.arg(2).isNumber() || !std::isfinite(f.arg(2).numVal()) ||
        std::fabs(f.arg(2).numVal()) > 1e7) {
        f.ret("");
        return;
    }
    f.ret(addPerioada(p, static_cast<long long>(f.arg(2).numVal())));
}

// H_DIFPERIOADE(first, second, @error)
void fn_H_DIFPERIOADE(Frame& f) {
    std::optional<int> d;
    if (f.arg(1).isString() && f.arg(2).isString()) d = difPerioade(f.arg(1).str(), f.arg(2).str());
    f.setRef(3, Value(d ? "" : "Tip parametrii incorecti!"));
    f.ret(Value::integer(d.value_or(0)));
}

// H_ZISARB(date, nonWorkingDays, holidays) -> logical
void fn_H_ZISARB(Frame& f) {
    rt::Runtime& r = f.runtime();
    if (!f.arg(1).isDate())
        util::fatalStop(r, 1, "parametrul data nu este data calendaristica in h_ZiSarb()");
    if (f.arg(1).julian() <= 0) util::fatalStop(r, 1, "parametrul data este vid in h_ZiSarb()");
    if (!f.arg(2).isArray())
        util::fatalStop(r, 1, "parametrul aZile_Neluc nu este vector in h_ZiSarb()");
    std::vector<int> nonWorking;
    for (const Value& v : f.arg(2).array().items) {
        if (v.isNumber() && std::isfinite(v.numVal()) && std::fabs(v.numVal()) < 1e9) {
            nonWorking.push_back(static_cast<int>(v.numVal()));
        }
    }
    bool all = true;
    for (int d = 1; d <= 7; ++d) {
        all = all && std::find(nonWorking.begin(), nonWorking.end(), d) != nonWorking.end();
    }
    if (all)
        util::fatalStop(r, 1,
                        "toate zilele saptaminii sint marcate ca zile nelucr.in h_ZiSarb() !");
    if (!f.arg(3).isArray())
        util::fatalStop(r, 1, "parametrul aZile_Sarb nu este vector in h_ZiSarb()");
    std::vector<std::string> holidays;
    for (const Value& v : f.arg(3).array().items) {
        if (v.isString()) holidays.push_back(v.str());
    }
    f.ret(isNonWorkingDay(f.arg(1).julian(), nonWorking, holidays));
}

// H_DATETIME(@date, @time) -> .T.
void fn_H_DATETIME(Frame& f) {
    DateTime dt = dateTime(f.runtime());
    f.setRef(1, Value::date(dt.date));
    f.setRef(2, Value(dt.time));
    f.ret(true);
}

// H_GETDATESEC(@date, @seconds) -> .T.
void fn_H_GETDATESEC(Frame& f) {
    ClockReading r = dateSeconds(f.runtime());
    f.setRef(1, Value::date(r.date));
    f.setRef(2, Value::number(r.seconds, 2));
    f.ret(true);
}

// H_TIMER(command) -> seconds or NIL
void fn_H_TIMER(Frame& f) {
    std::string cmd = f.arg(1).isString() ? f.arg(1).str() : std::string();
    if (std::optional<double> s = timer(f.runtime(), cmd)) f.ret(Value::number(*s, 2));
}

}  // namespace

extern const rt::Builtin kBuiltins[] = {
    {"STR0", fn_STR0},
    {"H_DTOC", fn_H_DTOC},
    {"H_CTOD", fn_H_CTOD},
    {"H_CMONTH", fn_H_CMONTH},
    {"H_LDOM", fn_H_LDOM},
    {"H_DIFDATE", fn_H_DIFDATE},
    {"H_DIFYEAR", fn_H_DIFYEAR},
    {"H_DIFMONTH", fn_H_DIFMONTH},
    {"H_DIFDAY", fn_H_DIFDAY},
    {"H_DOW", fn_H_DOW},
    {"H_CDOW", fn_H_CDOW},
    {"H_ADDPERIOADA", fn_H_ADDPERIOADA},
    {"H_DIFPERIOADE", fn_H_DIFPERIOADE},
    {"H_ZISARB", fn_H_ZISARB},
    {"H_DATETIME", fn_H_DATETIME},
    {"H_GETDATESEC", fn_H_GETDATESEC},
    {"H_TIMER", fn_H_TIMER},
};
extern const std::size_t kBuiltinCount = std::size(kBuiltins);

}  // namespace xb::fw::xtools
