// STDLIB: the standard xBase function library: strings, numbers, dates, arrays, hashes,
// regular expressions, memo lines, files and SET.
//
// Every function has a typed C++ API below, which C++ code calls directly, and a thin binding
// that scripts reach by name (registerStdlib() adds them all to a runtime). Strings are bytes
// in the data's code page: case changes and character classes touch ASCII letters only.
// Numbers come back with the width and decimals that Str() prints classic programs' output
// with: counts and positions are integers of width 10, Round(x, n) has n decimals, Val()
// keeps the decimals written in its text, Year() is 5 wide and Month()/Day() 3.
// Bad arguments never crash: functions that the language lets fail raise the BASE argument
// error through the runtime's error protocol; the lenient ones answer an empty result.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/runtime.hpp"
#include "runtime/value.hpp"

namespace xb::stdlib {

// Registers every standard function with the runtime.
void registerStdlib(rt::Runtime& rt);

// --- strings ---
// SubStr with 1-based start; a negative start counts from the end, 0 behaves as 1; a
// negative count gives "".
std::string subStr(std::string_view s, long long start, std::optional<long long> count = {});
std::string left(std::string_view s, long long n);
std::string right(std::string_view s, long long n);
// 1-based position of needle in hay, 0 when absent or needle is empty.
std::size_t at(std::string_view needle, std::string_view hay, std::size_t from = 1);
std::size_t rat(std::string_view needle, std::string_view hay);
// Replaces `count` occurrences (all when negative) starting with occurrence `start`.
std::string strTran(std::string_view s, std::string_view search, std::string_view repl,
                    long long start = 1, long long count = -1);
std::string stuff(std::string_view s, long long start, long long del, std::string_view ins);
std::string padR(std::string_view s, long long n, char fill = ' ');
std::string padL(std::string_view s, long long n, char fill = ' ');
std::string padC(std::string_view s, long long n, char fill = ' ');
std::string allTrim(std::string_view s);
std::string lTrim(std::string_view s);  // blanks, tabs, CR and LF
std::string rTrim(std::string_view s);  // blanks only, as the language does
std::string upper(std::string_view s);
std::string lower(std::string_view s);
std::string replicate(std::string_view s, long long n);

// --- numbers and conversions ---
// Str(n, width, decimals): no width prints in the number's own width and decimals; a width
// without decimals prints no decimals. Too narrow gives asterisks.
std::string str(const rt::Value::Number& n, std::optional<int> width = {},
                std::optional<int> decimals = {});
std::string strZero(const rt::Value::Number& n, std::optional<int> width = {},
                    std::optional<int> decimals = {});
// Val(): leading blanks, sign, digits, point, digits; stops at the first other character.
rt::Value val(std::string_view s);
// Round half away from zero; the result has `decimals` decimals (none when <= 0).
rt::Value round(double v, int decimals);
// Classic Mod(): the result takes the sign of the divisor; a zero divisor gives the dividend.
double mod(double a, double b);

// --- values ---
bool empty(const rt::Value& v);
// The classic `=` of two values, used by AScan(): strings compare as prefixes of the right
// operand unless `exact`, in which case trailing blanks do not count.
bool softEquals(const rt::Value& a, const rt::Value& b, bool exact);
// Total order for ASort() without a block: type first (NIL, L, D, N, C), then value.
bool lessThan(const rt::Value& a, const rt::Value& b);

// --- Transform() ---
std::string transform(rt::Runtime& rt, const rt::Value& v, std::string_view picture);

// --- dates ---
// Date text under a SET DATEFORMAT template ("dd/mm/yyyy", "mm/dd/yy", "yyyy.mm.dd").
std::string dtoc(std::int32_t julian, std::string_view format);
std::string dtoc(const rt::Settings& s, std::int32_t julian);
// Reads a date written under the template; two-digit years fall in [epoch, epoch + 99];
// blank or invalid text gives the empty date (0).
std::int32_t ctod(std::string_view text, std::string_view format, int epoch);
std::int32_t ctod(const rt::Settings& s, std::string_view text);
std::string cdow(std::int32_t julian);    // "Monday", "" for the empty date
std::string cmonth(std::int32_t julian);  // "January", "" for the empty date
std::int32_t today();
std::string timeOfDay();  // "hh:mm:ss"
double secondsOfDay();    // since midnight, with hundredths

// --- memo lines ---
// Lines end at CR LF, at a soft return (0x8D LF) and at a lone LF; a line longer than
// `width` columns breaks after its last blank that fits (word wrap) or at the width. Tabs
// advance to the next multiple of `tab`.
struct MemoLayout {
    int width = 79;
    int tab = 4;
    bool wrap = true;
};
// The text of line n (1-based) padded to the width, tabs expanded; "" past the end.
std::string memoLine(std::string_view text, const MemoLayout& l, long long line);
long long mlCount(std::string_view text, const MemoLayout& l);
// 1-based position where line n begins; length + 1 past the end.
long long mlPos(std::string_view text, const MemoLayout& l, long long line);
// Replaces hard returns (CR LF) by `hard` and soft returns (0x8D LF) by `soft`.
std::string memoTran(std::string_view text, std::string_view hard = ";",
                     std::string_view soft = " ");
std::string hardCR(std::string_view text);

// --- files ---
// The classic operating-system error code of an errno value: 2 not found, 3 path not found,
// 4 too many open files, 5 access denied, 32 sharing violation.
int dosError(int err) noexcept;
// Reads a whole file; nullopt when it cannot be read.
std::optional<std::string> memoRead(const std::string& path);
bool memoWrit(const std::string& path, std::string_view data);
// Case-insensitive wildcard match of a file name against a mask ("*.*" matches any name).
bool wildMatch(std::string_view mask, std::string_view name);
// The plain match behind wildMatch: "*" any run, "?" one character, ASCII case ignored,
// and no special meaning for "*.*" (which then needs a dot in the name).
bool globMatch(std::string_view mask, std::string_view name);
// Directory(mask, attributes): one row {name, size, date, time, attributes} per entry.
rt::Value directory(const std::string& mask, std::string_view attributes);

// --- SET ---
// The classic numeric SET identifiers (Set(_SET_EXACT) is Set(1)).
namespace set {
inline constexpr int kExact = 1, kFixed = 2, kDecimals = 3, kDateFormat = 4, kEpoch = 5, kPath = 6,
                     kDefault = 7, kExclusive = 8, kSoftSeek = 9, kUnique = 10, kDeleted = 11,
                     kConfirm = 27;
// The pseudo-identifier of SET CENTURY (the classic set has no number for it).
inline constexpr int kCentury = 1000;
}  // namespace set
// Reads a setting and, when `newValue` is given, changes it; returns the old value. Unknown
// identifiers keep any value in a side store, so scripts setting screen options do not fail.
rt::Value setValue(rt::Runtime& rt, int id, const rt::Value* newValue);
// The identifier for a name ("EXACT", "_SET_EXACT"), or 0.
int setIdOf(std::string_view name);

}  // namespace xb::stdlib
