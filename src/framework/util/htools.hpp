// HTOOLS: fitting values to a width, numbers (rounding, distribution, amounts in Romanian
// words, document numbers, pictures) and small text utilities (splitting, diacritics,
// character references, line ends, markup test).
//
// Everything here works on bytes in the data's code page. Invariants: every width-fitting
// function returns exactly `width` bytes (nothing for a width of 0 or less) and never centres
// or right-aligns a value that is already too long: it keeps its first `width` bytes. The
// fatal stops of the number-to-words and conversion functions end the program through the
// framework's fatal stop (code 1) with the exact messages scripts and logs expect.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/runtime.hpp"

namespace xb::fw::htools {

inline constexpr std::string_view kBreakChars = " ,.;:-";

// --- width fitting ---
// Plain text forms: cut a text of at least `width` bytes to its first `width` bytes, else pad
// with the first byte of `fill` (a blank when fill is empty).
std::string padR(std::string_view s, int width, std::string_view fill = " ");
std::string padL(std::string_view s, int width, std::string_view fill = " ");
// The odd fill byte goes to the right.
std::string padC(std::string_view s, int width, std::string_view fill = " ");
// left, blanks, right; when the two together reach width, the first width bytes of both.
std::string padM(std::string_view left, std::string_view right, int width);

// The text a value is fitted as: character as is, number as LTrim(Str()), date in the
// standard text form, logical ".T."/".F.", anything else "".
std::string padText(rt::Runtime& rt, const rt::Value& v);
// Value forms. padR joins an array first: its elements trimmed and separated by `fill`, then
// its first line of at most `width` bytes (broken after the last of breakChars within the
// width, at a carriage return, or at width), trimmed.
std::string padR(rt::Runtime& rt, const rt::Value& v, int width, std::string_view fill = " ",
                 std::string_view breakChars = kBreakChars);
std::string padL(rt::Runtime& rt, const rt::Value& v, int width, std::string_view fill = " ");
std::string padC(rt::Runtime& rt, const rt::Value& v, int width, std::string_view fill = " ");
std::string padM(rt::Runtime& rt, const rt::Value& left, const rt::Value& right, int width);

// --- numbers ---
// Rounds toward zero / away from zero at `decimals` places.
double dRound(double x, int decimals);
double uRound(double x, int decimals);
// 0 when x rounded to 4 places is not positive, else x rounded to an integer but at least 1.
double oRound(double x);
// a / b, 0 when b is 0; with decimals, b is rounded first and the quotient after.
double hDiv(double a, double b, std::optional<int> decimals = std::nullopt);
// Shares weight × factor rounded to decimals; with a total, the rounding remainder goes to
// the share of largest magnitude (the first on ties).
std::vector<double> repartN(std::optional<double> total, const std::vector<double>& weights,
                            double factor, int decimals);

enum class Gender { Masculine, Feminine, Neuter };
// The integer part of a number's digit text in Romanian words, without blanks. `digits` is
// the text of the number (anything after a "." is ignored); a width of 35 or more fills lines
// with "-" so that no group of words is split across lines. Fatal stop
// "parametru h_NrLitere" when the text is not made of digits.
std::string nrLitere(rt::Runtime& rt, std::string_view digits, int width = 0,
                     Gender g = Gender::Masculine);
// The amount in words with its currency and hundredths ("Doi lei 05 bani"). `amount` is the
// number's text with its own decimals; an empty currency means lei and bani.
std::string monLitere(rt::Runtime& rt, std::string_view amount, std::string_view currency = "",
                      int width = 0);
// The number text of a value as the words functions read it (Str() with its own decimals,
// trimmed); nullopt for a value that is neither number nor character.
std::optional<std::string> numberText(const rt::Value& v);

// The document number with its last run of digits increased by one, keeping its width.
std::string incNrDoc(std::string_view number);
// A picture written with "." for thousands and "," for decimals, as the ordinary picture.
std::string romanianPicture(std::string_view picture);
std::string swapPointComma(std::string s);

// --- text ---
std::string trimDbSpace(std::string_view s);
// nullopt for bad arguments; an empty listSep/elemSeps means "not given".
std::optional<rt::Value> splitStr(std::string_view text, std::optional<std::string_view> listSep,
                                  std::optional<std::string_view> elemSeps);
// Replaces each byte found in `from` by the byte at the same position in `to`.
std::string replaceChars(std::string_view text, std::string_view from, std::string_view to);
// The default diacritics pairs (code page 852 byte -> plain letter) and the folding strings of
// the code pages "852", "437" and "1250" for bytes 128 to 255 (empty for another name).
std::string_view defaultDiacriticsFrom();
std::string_view defaultDiacriticsTo();
std::string_view foldingString(std::string_view codePage);
std::string cvChar(std::string_view text);  // with the default pairs
struct LocKey {
    std::string key;
    std::vector<int> positions;  // 1-based positions in the folded text
};
LocKey cvLoc(std::string_view text);

// Unicode code point of a byte in code page "437", "852" or "1250"; 0 when undefined there.
int unicodeOf(std::string_view codePage, unsigned char byte);
struct HtmlPair {
    std::string from;  // the first byte is the character replaced
    std::string to;
};
struct HtmlRules {
    std::vector<HtmlPair> specials;
    std::string codePage;         // "437", "852", "1250" or empty
    std::vector<HtmlPair> highs;  // used for bytes above 127 when no code page is named
};
HtmlRules defaultHtmlRules();  // the default specials, no code page
std::string cvHtml(std::string_view text, const HtmlRules& rules);

// target "W": lone line feeds become CR LF; "L": CR LF becomes LF; else unchanged.
std::string eolConv(std::string_view target, std::string_view text);
bool isHtmXml(std::string_view text);
// The name (letter or "_", then letters, digits, "_") beginning at 1-based `pos`, if any.
std::optional<std::string> getAtom(std::string_view text, int pos = 1);
// The expression with every alias name in front of "->" put in parentheses (M->, MEMVAR->,
// FIELD-> and _FIELD-> are not aliases and stay as written).
std::string parenthesizeAliases(std::string_view expr);

// The module's xBase functions.
extern const rt::Builtin kBuiltins[];
extern const std::size_t kBuiltinCount;

}  // namespace xb::fw::htools
