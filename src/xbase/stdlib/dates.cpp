// Date and time functions. Date texts follow the SET DATEFORMAT template: runs of "d", "m"
// and "y" (either case) stand for the day, month and year digits, anything else is copied.
#include <chrono>
#include <cmath>
#include <ctime>

#include "runtime/date.hpp"
#include "xbase/stdlib/stdlib.hpp"
#include "xbase/stdlib/tables.hpp"

namespace xb::stdlib {

namespace {
char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool isDateLetter(char c) {
    c = lowerAscii(c);
    return c == 'd' || c == 'm' || c == 'y';
}

// The last n digits of v, zero-padded.
std::string lastDigits(int v, std::size_t n) {
    std::string s = std::to_string(v < 0 ? -v : v);
    if (s.size() < n) s.insert(0, n - s.size(), '0');
    return s.substr(s.size() - n);
}

const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                             "Thursday", "Friday", "Saturday"};
const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};
}  // namespace

std::string dtoc(std::int32_t julian, std::string_view format) {
    rt::Ymd d = rt::ymdOf(julian);
    std::string out;
    std::size_t i = 0;
    while (i < format.size()) {
        char c = lowerAscii(format[i]);
        if (!isDateLetter(c)) {
            out.push_back(format[i++]);
            continue;
        }
        std::size_t n = 0;
        while (i < format.size() && lowerAscii(format[i]) == c) ++i, ++n;
        if (julian <= 0) {
            out.append(n, ' ');
        } else {
            int v = c == 'd' ? d.day : c == 'm' ? d.month : d.year;
            out += lastDigits(v, n);
        }
    }
    return out;
}

std::string dtoc(const rt::Settings& s, std::int32_t julian) { return dtoc(julian, s.dateFormat); }

std::int32_t ctod(std::string_view text, std::string_view format, int epoch) {
    // The order of the fields and, for templates without separators, their positions.
    struct Field {
        char kind;
        std::size_t pos, len;
    };
    std::vector<Field> fields;
    bool separators = false;
    for (std::size_t i = 0; i < format.size();) {
        char c = lowerAscii(format[i]);
        if (!isDateLetter(c)) {
            separators = true;
            ++i;
            continue;
        }
        std::size_t start = i;
        while (i < format.size() && lowerAscii(format[i]) == c) ++i;
        fields.push_back({c, start, i - start});
    }
    // Groups of digits in the text, in order; each with its digit count.
    struct Group {
        long value;
        std::size_t digits;
    };
    std::vector<Group> groups;
    if (separators) {
        for (std::size_t i = 0; i < text.size() && groups.size() < fields.size();) {
            if (text[i] < '0' || text[i] > '9') {
                ++i;
                continue;
            }
            long v = 0;
            std::size_t n = 0;
            for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++n) {
                if (v < 100000) v = v * 10 + (text[i] - '0');
            }
            groups.push_back({v, n});
        }
    } else {
        for (const Field& fd : fields) {
            long v = 0;
            std::size_t n = 0;
            for (std::size_t k = 0; k < fd.len && fd.pos + k < text.size(); ++k) {
                char ch = text[fd.pos + k];
                if (ch == ' ') continue;
                if (ch < '0' || ch > '9') return 0;
                v = v * 10 + (ch - '0');
                ++n;
            }
            if (n == 0) return 0;
            groups.push_back({v, n});
        }
    }
    if (groups.size() < fields.size() || fields.empty()) return 0;
    long day = 0, month = 0, year = 0;
    bool haveYear = false;
    for (std::size_t k = 0; k < fields.size(); ++k) {
        const Group& g = groups[k];
        switch (fields[k].kind) {
            case 'd':
                day = g.value;
                break;
            case 'm':
                month = g.value;
                break;
            default:
                year = g.value;
                haveYear = true;
                if (g.digits <= 2) {
                    long base = (epoch / 100) * 100 + year;
                    if (base < epoch) base += 100;
                    year = base;
                }
                break;
        }
    }
    if (!haveYear || day > 31 || month > 12) return 0;
    return rt::julianOf(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day));
}

std::int32_t ctod(const rt::Settings& s, std::string_view text) {
    return ctod(text, s.dateFormat, s.epoch);
}

std::string cdow(std::int32_t julian) {
    int d = rt::dayOfWeek(julian);
    return d == 0 ? std::string() : std::string(kDays[d - 1]);
}

std::string cmonth(std::int32_t julian) {
    if (julian <= 0) return {};
    return kMonths[rt::ymdOf(julian).month - 1];
}

namespace {
std::tm localNow(double* fraction = nullptr) {
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    if (fraction) {
        auto us = std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch());
        *fraction = static_cast<double>(us.count() % 1000000) / 1e6;
    }
    return tm;
}
}  // namespace

std::int32_t today() {
    std::tm tm = localNow();
    return rt::julianOf(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

std::string timeOfDay() {
    std::tm tm = localNow();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

double secondsOfDay() {
    double frac = 0;
    std::tm tm = localNow(&frac);
    double s = tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec + frac;
    return std::floor(s * 100) / 100;
}

namespace {

void fn_DATE(rt::Frame& f) { f.ret(rt::Value::date(today())); }
void fn_TIME(rt::Frame& f) { f.ret(timeOfDay()); }
void fn_SECONDS(rt::Frame& f) { f.ret(rt::Value::number(secondsOfDay(), 2)); }

// HB_MILLISECONDS(): milliseconds of a monotonic clock, for measuring intervals.
void fn_HB_MILLISECONDS(rt::Frame& f) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    f.ret(rt::Value::integer(static_cast<double>(ms.count())));
}

void fn_DTOC(rt::Frame& f) {
    if (!f.arg(1).isDate()) f.argError();
    f.ret(dtoc(f.runtime().settings(), f.arg(1).julian()));
}

void fn_CTOD(rt::Frame& f) { f.ret(rt::Value::date(ctod(f.runtime().settings(), f.str(1)))); }

void fn_DTOS(rt::Frame& f) {
    if (!f.arg(1).isDate()) f.argError();
    f.ret(rt::dtos(f.arg(1).julian()));
}

void fn_STOD(rt::Frame& f) {
    if (!f.arg(1).isString()) return f.ret(rt::Value::date(0));
    f.ret(rt::Value::date(rt::stod(f.arg(1).str())));
}

std::int32_t dateArg(rt::Frame& f) {
    if (!f.arg(1).isDate()) f.argError();
    return f.arg(1).julian();
}

void fn_YEAR(rt::Frame& f) { f.ret(rt::Value::number(rt::ymdOf(dateArg(f)).year, 5, 0)); }
void fn_MONTH(rt::Frame& f) { f.ret(rt::Value::number(rt::ymdOf(dateArg(f)).month, 3, 0)); }
void fn_DAY(rt::Frame& f) { f.ret(rt::Value::number(rt::ymdOf(dateArg(f)).day, 3, 0)); }
void fn_DOW(rt::Frame& f) { f.ret(rt::Value::number(rt::dayOfWeek(dateArg(f)), 3, 0)); }
void fn_CDOW(rt::Frame& f) { f.ret(cdow(dateArg(f))); }
void fn_CMONTH(rt::Frame& f) { f.ret(cmonth(dateArg(f))); }

// HB_DATE(year, month, day): the date, or the empty date when it does not exist.
void fn_HB_DATE(rt::Frame& f) {
    if (f.argc() == 0) return f.ret(rt::Value::date(today()));
    auto part = [&](int n) {
        double v = f.arg(n).isNumber() ? f.arg(n).numVal() : 0;
        return std::isfinite(v) && std::fabs(v) < 1e6 ? static_cast<int>(v) : 0;
    };
    f.ret(rt::Value::date(rt::julianOf(part(1), part(2), part(3))));
}

const rt::Builtin kBuiltins[] = {
    {"DATE", fn_DATE},           {"TIME", fn_TIME},
    {"SECONDS", fn_SECONDS},     {"DTOC", fn_DTOC, 1118},
    {"CTOD", fn_CTOD, 1119},     {"DTOS", fn_DTOS, 1120},
    {"STOD", fn_STOD},           {"YEAR", fn_YEAR, 1112},
    {"MONTH", fn_MONTH, 1113},   {"DAY", fn_DAY, 1114},
    {"DOW", fn_DOW, 1115},       {"CDOW", fn_CDOW, 1117},
    {"CMONTH", fn_CMONTH, 1116}, {"HB_DATE", fn_HB_DATE},
    {"HB_STOD", fn_STOD},        {"HB_MILLISECONDS", fn_HB_MILLISECONDS},
};
}  // namespace

std::span<const rt::Builtin> dateBuiltins() { return kBuiltins; }

}  // namespace xb::stdlib
