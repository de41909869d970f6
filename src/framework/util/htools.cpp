#include "framework/util/htools.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_set>

#include "framework/util/util.hpp"
#include "runtime/number.hpp"
#include "xbase/stdlib/stdlib.hpp"
#include "xbase/xbase.hpp"

namespace xb::fw::htools {

namespace {

char fillChar(std::string_view fill) { return fill.empty() ? ' ' : fill.front(); }
std::size_t widthOf(int width) { return width > 0 ? static_cast<std::size_t>(width) : 0; }

bool isBlank(char c) { return c == ' '; }
std::string allTrim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isNameStart(char c) { return isAlpha(c) || c == '_'; }
bool isNameChar(char c) { return isNameStart(c) || isDigit(c); }
char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The first line of an array's joined text, as padR fits it.
std::string firstLine(std::string_view t, std::size_t width, std::string_view breakChars) {
    std::string_view head = t.substr(0, width);
    if (std::size_t cr = head.find('\r'); cr != std::string_view::npos)
        return allTrim(t.substr(0, cr));
    if (t.size() <= width) return allTrim(t);
    std::size_t pos = head.find_last_of(breakChars);
    if (pos == std::string_view::npos) return allTrim(head);
    return allTrim(head.substr(0, pos + 1));
}

}  // namespace

// --- width fitting ---

std::string padR(std::string_view s, int width, std::string_view fill) {
    std::size_t w = widthOf(width);
    if (s.size() >= w) return std::string(s.substr(0, w));
    std::string r(s);
    r.append(w - s.size(), fillChar(fill));
    return r;
}

std::string padL(std::string_view s, int width, std::string_view fill) {
    std::size_t w = widthOf(width);
    if (s.size() >= w) return std::string(s.substr(0, w));
    std::string r(w - s.size(), fillChar(fill));
    r.append(s);
    return r;
}

std::string padC(std::string_view s, int width, std::string_view fill) {
    std::size_t w = widthOf(width);
    if (s.size() >= w) return std::string(s.substr(0, w));
    std::size_t left = (w - s.size()) / 2;
    std::string r(left, fillChar(fill));
    r.append(s);
    r.append(w - r.size(), fillChar(fill));
    return r;
}

std::string padM(std::string_view left, std::string_view right, int width) {
    std::size_t w = widthOf(width);
    if (left.size() + right.size() >= w) {
        std::string both(left);
        both.append(right);
        both.resize(w);
        return both;
    }
    std::string r(left);
    r.append(w - left.size() - right.size(), ' ');
    r.append(right);
    return r;
}

std::string padText(rt::Runtime& rt, const rt::Value& v) {
    switch (v.type()) {
        case rt::Value::Type::Character:
        case rt::Value::Type::Memo:
            return v.str();
        case rt::Value::Type::Number:
            return allTrim(rt::formatNumber(v.num()));
        case rt::Value::Type::Date:
            return stdlib::dtoc(rt.settings(), v.julian());
        case rt::Value::Type::Logical:
            return v.logical() ? ".T." : ".F.";
        default:
            return {};
    }
}

std::string padR(rt::Runtime& rt, const rt::Value& v, int width, std::string_view fill,
                 std::string_view breakChars) {
    if (v.isArray()) {
        std::string joined;
        std::string_view sep = fill.empty() ? std::string_view(" ") : fill;
        bool first = true;
        for (const rt::Value& item : v.array().items) {
            if (!first) joined.append(sep);
            first = false;
            joined += allTrim(padText(rt, item));
        }
        return padR(firstLine(joined, widthOf(width), breakChars), width, fill);
    }
    return padR(padText(rt, v), width, fill);
}

std::string padL(rt::Runtime& rt, const rt::Value& v, int width, std::string_view fill) {
    return padL(padText(rt, v), width, fill);
}

std::string padC(rt::Runtime& rt, const rt::Value& v, int width, std::string_view fill) {
    return padC(padText(rt, v), width, fill);
}

std::string padM(rt::Runtime& rt, const rt::Value& left, const rt::Value& right, int width) {
    return padM(padText(rt, left), padText(rt, right), width);
}

// --- numbers ---

namespace {
// How far a rounded value may differ from the exact one and still count as equal: rounding
// works on the 15-digit decimal text, so binary noise below that must not trigger the
// one-unit correction (0.7 * 3 is 2.1 to the operator, not 2.0999999999999996).
bool beyond(double a, double b) { return a - b > 1e-12 * std::max(1.0, std::fabs(b)); }
}  // namespace

double dRound(double x, int decimals) {
    double r = rt::roundHalfAway(x, decimals);
    if (beyond(std::fabs(r), std::fabs(x))) {
        double unit = std::pow(10.0, -decimals);
        r = rt::roundHalfAway(x > 0 ? r - unit : r + unit, decimals);
    }
    return r;
}

double uRound(double x, int decimals) {
    double r = rt::roundHalfAway(x, decimals);
    if (beyond(std::fabs(x), std::fabs(r))) {
        double unit = std::pow(10.0, -decimals);
        r = rt::roundHalfAway(x > 0 ? r + unit : r - unit, decimals);
    }
    return r;
}

double oRound(double x) {
    if (rt::roundHalfAway(x, 4) <= 0) return 0;
    return std::max(1.0, rt::roundHalfAway(x, 0));
}

double hDiv(double a, double b, std::optional<int> decimals) {
    if (decimals) b = rt::roundHalfAway(b, *decimals);
    if (b == 0) return 0;
    double q = a / b;
    return decimals ? rt::roundHalfAway(q, *decimals) : q;
}

std::vector<double> repartN(std::optional<double> total, const std::vector<double>& weights,
                            double factor, int decimals) {
    std::vector<double> shares;
    shares.reserve(weights.size());
    double rest = total.value_or(0);
    std::size_t largest = 0;
    for (double w : weights) {
        double share = rt::roundHalfAway(w * factor, decimals);
        if (total) rest = rt::roundHalfAway(rest - share, decimals);
        if (!shares.empty() && std::fabs(share) > std::fabs(shares[largest])) {
            largest = shares.size();
        }
        shares.push_back(share);
    }
    if (total && !shares.empty()) {
        shares[largest] = rt::roundHalfAway(shares[largest] + rest, decimals);
    }
    return shares;
}

namespace {

const char* const kUnits[] = {"",      "unu",  "doi",   "trei", "patru",
                              "cinci", "sase", "sapte", "opt",  "noua"};
const char* const kTens[] = {"",      "un",  "doua",  "trei", "patru",
                             "cinci", "sai", "sapte", "opt",  "noua"};

std::string unitWord(int u, Gender g) {
    if (u == 1 && g == Gender::Feminine) return "una";
    if (u == 2 && g != Gender::Masculine) return "doua";
    return kUnits[u];
}

// Words of 0 to 999 in a gender ("" for 0).
std::string groupWords(int v, Gender g) {
    std::string w;
    int h = v / 100, r = v % 100;
    if (h == 1) {
        w = "unasuta";
    } else if (h == 2) {
        w = "douasute";
    } else if (h > 2) {
        w = kUnits[h];
        w += "sute";
    }
    if (r == 0) return w;
    if (r < 10) return w + unitWord(r, g);
    if (r == 10) return w + "zece";
    if (r < 20) return w + kTens[r % 10] + "sprezece";
    w += kTens[r / 10];
    w += "zeci";
    if (r % 10 != 0) w += "si" + unitWord(r % 10, g);
    return w;
}

// Appends words so that, with a width, a group never straddles the end of a line: the
// current line is filled with "-" first.
void appendFitted(std::string& out, std::string_view words, std::size_t width, std::size_t need) {
    if (width > 0 && out.size() % width + need > width) {
        out.append(width - out.size() % width, '-');
    }
    out.append(words);
}

// The numeric value of a text read the way Val() reads it: leading blanks, a sign, digits.
double leadingValue(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
    double v = 0;
    bool frac = false;
    double scale = 1;
    for (; i < s.size(); ++i) {
        if (isDigit(s[i])) {
            if (frac) {
                scale /= 10;
                v += (s[i] - '0') * scale;
            } else {
                v = v * 10 + (s[i] - '0');
            }
        } else if (s[i] == '.' && !frac) {
            frac = true;
        } else {
            break;
        }
    }
    return neg ? -v : v;
}

}  // namespace

std::optional<std::string> numberText(const rt::Value& v) {
    if (v.isNumber()) return allTrim(rt::formatNumber(v.num()));
    if (v.isString()) return v.str();
    return std::nullopt;
}

std::string nrLitere(rt::Runtime& rt, std::string_view digits, int width, Gender g) {
    std::string_view text = digits.substr(0, digits.find('.'));
    if (leadingValue(text) == 0) return "zero";
    std::size_t w = width >= 35 ? static_cast<std::size_t>(width) : 0;
    std::string t = allTrim(text);
    if (t.empty() || !std::all_of(t.begin(), t.end(), isDigit)) {
        util::fatalStop(rt, 1, "parametru h_NrLitere");
    }
    if (t.size() > 12) return w ? std::string(w, '*') : std::string("***");
    t.insert(0, 12 - t.size(), '0');
    auto group = [&](int i) {
        return (t[static_cast<std::size_t>(i)] - '0') * 100 +
               (t[static_cast<std::size_t>(i) + 1] - '0') * 10 +
               (t[static_cast<std::size_t>(i) + 2] - '0');
    };
    std::string out;
    auto add = [&](const std::string& words) {
        if (!words.empty()) appendFitted(out, words, w, words.size());
    };
    int bil = group(0), mil = group(3), th = group(6), un = group(9);
    if (bil == 1) {
        add("unmiliard");
    } else if (bil > 1) {
        add(groupWords(bil, Gender::Neuter) + "miliarde");
    }
    if (mil == 1) {
        add("unmilion");
    } else if (mil > 1) {
        add(groupWords(mil, Gender::Neuter) + "milioane");
    }
    if (th == 1) {
        add("unamie");
    } else if (th > 1) {
        add(groupWords(th, Gender::Feminine) + "mii");
    }
    add(groupWords(un, g));
    return out;
}

std::string monLitere(rt::Runtime& rt, std::string_view amount, std::string_view currency,
                      int width) {
    bool lei = allTrim(currency).empty();
    std::string unit = lei ? std::string("lei") : std::string(currency);
    std::string centWord = lei ? "bani" : "";
    std::size_t w = width >= 35 ? static_cast<std::size_t>(width) : 0;
    std::size_t dot = amount.find('.');
    std::string cents = "00";
    if (dot != std::string_view::npos) {
        double frac = rt::roundHalfAway(leadingValue(amount.substr(dot)), 2);
        cents = rt::formatNumber(rt::roundHalfAway(frac * 100, 0), 2, 0);
        if (cents[0] == ' ') cents[0] = '0';
    }
    std::string words = nrLitere(rt, amount.substr(0, dot), static_cast<int>(w));
    std::string out;
    if (words == "unu" && lei) {
        out = "un leu";
    } else {
        out = words;
        if (w > 0 && out.size() % w + 4 > w) {
            appendFitted(out, unit, w, 4);
        } else {
            out += " " + unit;
        }
    }
    if (words.empty() || words[0] != '*') {
        std::string tail = cents + " " + centWord;
        if (w > 0 && out.size() % w + 8 > w) {
            appendFitted(out, tail, w, 8);
        } else {
            out += " " + tail;
        }
    }
    if (w > 0) out.append(w - out.size() % w, '-');
    if (!out.empty()) out[0] = upper(out[0]);
    return out;
}

std::string incNrDoc(std::string_view number) {
    std::size_t last = number.find_last_of("0123456789");
    if (last == std::string_view::npos) return std::string(number);
    std::size_t first = last;
    while (first > 0 && isDigit(number[first - 1])) --first;
    std::string r(number);
    for (std::size_t i = last + 1; i-- > first;) {
        if (r[i] == '9') {
            r[i] = '0';
        } else {
            ++r[i];
            break;
        }
    }
    return r;
}

std::string swapPointComma(std::string s) {
    for (char& c : s) {
        if (c == '.') {
            c = ',';
        } else if (c == ',') {
            c = '.';
        }
    }
    return s;
}

std::string romanianPicture(std::string_view picture) {
    std::size_t blank = picture.find(' ');
    if (blank == std::string_view::npos) return swapPointComma(std::string(picture));
    return std::string(picture.substr(0, blank + 1)) +
           swapPointComma(std::string(picture.substr(blank + 1)));
}

// --- text ---

std::string trimDbSpace(std::string_view s) {
    std::string r;
    r.reserve(s.size());
    for (char c : s) {
        if (c == ' ' && !r.empty() && r.back() == ' ') continue;
        r.push_back(c);
    }
    return r;
}

namespace {
// The element split: each separator once, in order; nullopt otherwise.
std::optional<rt::Value> splitElements(std::string_view text, std::string_view seps) {
    std::vector<rt::Value> parts;
    std::size_t from = 0;
    for (char sep : seps) {
        std::size_t at = text.find(sep, from);
        if (at == std::string_view::npos) return std::nullopt;
        parts.emplace_back(text.substr(from, at - from));
        from = at + 1;
    }
    parts.emplace_back(text.substr(from));
    for (char sep : seps) {
        if (std::count(text.begin(), text.end(), sep) != 1) return std::nullopt;
    }
    return rt::Value::newArray(std::move(parts));
}

std::vector<std::string_view> splitList(std::string_view text, char sep) {
    std::vector<std::string_view> pieces;
    std::size_t from = 0;
    for (;;) {
        std::size_t at = text.find(sep, from);
        if (at == std::string_view::npos) {
            if (from < text.size()) pieces.push_back(text.substr(from));
            return pieces;
        }
        pieces.push_back(text.substr(from, at - from));
        from = at + 1;
    }
}
}  // namespace

std::optional<rt::Value> splitStr(std::string_view text, std::optional<std::string_view> listSep,
                                  std::optional<std::string_view> elemSeps) {
    if (listSep && listSep->size() != 1) return std::nullopt;
    if (elemSeps && elemSeps->empty()) return std::nullopt;
    if (listSep && elemSeps && elemSeps->find((*listSep)[0]) != std::string_view::npos) {
        return std::nullopt;
    }
    if (!listSep && !elemSeps) return std::nullopt;
    if (text.empty()) return rt::Value::newArray();
    if (!listSep) return splitElements(text, *elemSeps);
    std::vector<rt::Value> out;
    for (std::string_view piece : splitList(text, (*listSep)[0])) {
        if (!elemSeps) {
            out.emplace_back(piece);
            continue;
        }
        std::optional<rt::Value> elems = splitElements(piece, *elemSeps);
        if (!elems) return std::nullopt;
        out.push_back(std::move(*elems));
    }
    return rt::Value::newArray(std::move(out));
}

std::string replaceChars(std::string_view text, std::string_view from, std::string_view to) {
    std::array<int, 256> map;
    map.fill(-1);
    // The first occurrence of a byte in `from` decides.
    for (std::size_t i = from.size(); i-- > 0;) {
        auto b = static_cast<unsigned char>(from[i]);
        map[b] = i < to.size() ? static_cast<unsigned char>(to[i]) : -1;
    }
    std::string r(text);
    for (char& c : r) {
        int m = map[static_cast<unsigned char>(c)];
        if (m >= 0) c = static_cast<char>(m);
    }
    return r;
}

namespace {
const unsigned char kDiaFrom[] = {199, 140, 131, 173, 238, 198, 215, 182, 184, 221, 160,
                                  181, 130, 144, 161, 146, 162, 224, 148, 153, 139, 138,
                                  163, 233, 129, 154, 251, 235, 132, 142, 137, 211};
const char kDiaTo[] = "aiastAIASTaAeEiIoOoOoOuUuUuUaAeE";
static_assert(sizeof kDiaFrom == sizeof kDiaTo - 1);

const char kFold852[] =
    "CueaauccleOoiZACELIooLlSsOUTtLxcaiouAaZzEe-zcS<>   ||AAES||--Zz----|-|Aa----|-| "
    "dDDEdNIIe--  TU O ONnnSsRUrUyYt' ~         uRr  ";
const char kFold437[] =
    "CueaaaaceeeiiiAAE  ooouuyOU    faiounN   --   <>   ||||--||--------|-|||----|-|--------||--"
    "                                     ";
const char kFold1250[] =
    "  , \"     S<STZZ ''\"\".--  s>stzz   L A|   S<-  Z   l'    as>L~lzRAAAALCCCEEEEIIDDNNOOOOxRUU"
    "UUYT raaaalccceeeeiiddnnoooo ruuuuyt ";
static_assert(sizeof kFold852 == 129 && sizeof kFold437 == 129 && sizeof kFold1250 == 129);

const std::uint16_t kCp437[128] = {
    199,  252,  233,  226,  228,  224,  229,  231,  234,  235,  232,  239,  238,  236,  196,  197,
    201,  230,  198,  244,  246,  242,  251,  249,  255,  214,  220,  162,  163,  165,  8359, 402,
    225,  237,  243,  250,  241,  209,  170,  186,  191,  8976, 172,  189,  188,  161,  171,  187,
    9617, 9618, 9619, 9474, 9508, 9569, 9570, 9558, 9557, 9571, 9553, 9559, 9565, 9564, 9563, 9488,
    9492, 9524, 9516, 9500, 9472, 9532, 9566, 9567, 9562, 9556, 9577, 9574, 9568, 9552, 9580, 9575,
    9576, 9572, 9573, 9561, 9560, 9554, 9555, 9579, 9578, 9496, 9484, 9608, 9604, 9612, 9616, 9600,
    945,  223,  915,  960,  931,  963,  181,  964,  934,  920,  937,  948,  8734, 966,  949,  8745,
    8801, 177,  8805, 8804, 8992, 8993, 247,  8776, 176,  8729, 183,  8730, 8319, 178,  9632, 160,
};
const std::uint16_t kCp852[128] = {
    199,  252,  233,  226,  228,  367,  263, 231, 322,  235,  336,  337,  238,  377,  196,  262,
    201,  313,  314,  244,  246,  317,  318, 346, 347,  214,  220,  356,  357,  321,  215,  269,
    225,  237,  243,  250,  260,  261,  381, 382, 280,  281,  172,  378,  268,  351,  171,  187,
    9617, 9618, 9619, 9474, 9508, 193,  194, 282, 350,  9571, 9553, 9559, 9565, 379,  380,  9488,
    9492, 9524, 9516, 9500, 9472, 9532, 258, 259, 9562, 9556, 9577, 9574, 9568, 9552, 9580, 164,
    273,  272,  270,  203,  271,  327,  205, 206, 283,  9496, 9484, 9608, 9604, 354,  366,  9600,
    211,  223,  212,  323,  324,  328,  352, 353, 340,  218,  341,  368,  253,  221,  355,  180,
    173,  733,  731,  711,  728,  167,  247, 184, 176,  168,  729,  369,  344,  345,  9632, 160,
};
const std::uint16_t kCp1250[128] = {
    8364, 0,    8218, 0,    8222, 8230, 8224, 8225, 0,   8240, 352, 8249, 346, 356, 381, 377,
    0,    8216, 8217, 8220, 8221, 8226, 8211, 8212, 0,   8482, 353, 8250, 347, 357, 382, 378,
    160,  711,  728,  321,  164,  260,  166,  167,  168, 169,  350, 171,  172, 173, 174, 379,
    176,  177,  731,  322,  180,  181,  182,  183,  184, 261,  351, 187,  317, 733, 318, 380,
    340,  193,  194,  258,  196,  313,  262,  199,  268, 201,  280, 203,  282, 205, 206, 270,
    272,  323,  327,  211,  212,  336,  214,  215,  344, 366,  218, 368,  220, 221, 354, 223,
    341,  225,  226,  259,  228,  314,  263,  231,  269, 233,  281, 235,  283, 237, 238, 271,
    273,  324,  328,  243,  244,  337,  246,  247,  345, 367,  250, 369,  252, 253, 355, 729,
};
}  // namespace

std::string_view defaultDiacriticsFrom() {
    return {reinterpret_cast<const char*>(kDiaFrom), sizeof kDiaFrom};
}
std::string_view defaultDiacriticsTo() { return {kDiaTo, sizeof kDiaTo - 1}; }

std::string_view foldingString(std::string_view codePage) {
    if (codePage == "852") return {kFold852, 128};
    if (codePage == "437") return {kFold437, 128};
    if (codePage == "1250") return {kFold1250, 128};
    return {};
}

std::string cvChar(std::string_view text) {
    return replaceChars(text, defaultDiacriticsFrom(), defaultDiacriticsTo());
}

LocKey cvLoc(std::string_view text) {
    std::string f = cvChar(text);
    for (char& c : f) {
        c = upper(c);
        if (c == 'I') c = 'A';
    }
    LocKey k;
    int depth = 0;
    for (std::size_t i = 0; i < f.size(); ++i) {
        char c = f[i];
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (depth > 0) --depth;
        } else if (depth == 0 && ((c >= 'A' && c <= 'Z') || isDigit(c))) {
            k.key.push_back(c);
            k.positions.push_back(static_cast<int>(i) + 1);
        }
    }
    return k;
}

int unicodeOf(std::string_view codePage, unsigned char byte) {
    if (byte < 128) return byte;
    const std::uint16_t* table = codePage == "437"    ? kCp437
                                 : codePage == "852"  ? kCp852
                                 : codePage == "1250" ? kCp1250
                                                      : nullptr;
    return table ? table[byte - 128] : 0;
}

HtmlRules defaultHtmlRules() {
    HtmlRules r;
    for (int code : {10, 21, 34, 38, 39, 62, 60, 94, 126}) {
        r.specials.push_back(
            {std::string(1, static_cast<char>(code)), "&#" + std::to_string(code) + ";"});
    }
    return r;
}

std::string cvHtml(std::string_view text, const HtmlRules& rules) {
    std::array<const std::string*, 256> special{};
    for (std::size_t i = rules.specials.size(); i-- > 0;) {
        const HtmlPair& p = rules.specials[i];
        if (!p.from.empty()) special[static_cast<unsigned char>(p.from[0])] = &p.to;
    }
    std::array<const std::string*, 256> high{};
    for (std::size_t i = rules.highs.size(); i-- > 0;) {
        const HtmlPair& p = rules.highs[i];
        if (!p.from.empty()) high[static_cast<unsigned char>(p.from[0])] = &p.to;
    }
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        if (special[b]) {
            out += *special[b];
        } else if (b > 127 && !rules.codePage.empty()) {
            int u = unicodeOf(rules.codePage, b);
            out += u ? "&#" + std::to_string(u) + ";" : std::string(" ");
        } else if (b > 127 && high[b]) {
            out += *high[b];
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string eolConv(std::string_view target, std::string_view text) {
    std::string out;
    if (target == "W") {
        out.reserve(text.size() + text.size() / 16);
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n' && (i == 0 || (text[i - 1] != '\r' &&
                                               static_cast<unsigned char>(text[i - 1]) != 141))) {
                out.push_back('\r');
            }
            out.push_back(text[i]);
        }
        return out;
    }
    if (target == "L") {
        out.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
            out.push_back(text[i]);
        }
        return out;
    }
    return std::string(text);
}

namespace {
std::string upperName(std::string_view text, std::size_t& i) {
    std::string name;
    if (i < text.size() && isNameStart(text[i])) {
        while (i < text.size() && isNameChar(text[i])) name.push_back(upper(text[i++]));
    }
    return name;
}
}  // namespace

bool isHtmXml(std::string_view text) {
    std::unordered_set<std::string> opened;
    for (std::size_t i = text.find('<'); i != std::string_view::npos; i = text.find('<', i)) {
        ++i;
        while (i < text.size() && text[i] == ' ') ++i;
        bool closing = i < text.size() && text[i] == '/';
        if (closing) {
            ++i;
            while (i < text.size() && text[i] == ' ') ++i;
        }
        std::string name = upperName(text, i);
        if (name.empty()) continue;
        if (closing) {
            if (opened.count(name)) return true;
        } else {
            opened.insert(std::move(name));
        }
    }
    return false;
}

std::optional<std::string> getAtom(std::string_view text, int pos) {
    if (pos < 1 || static_cast<std::size_t>(pos) > text.size()) return std::nullopt;
    std::size_t i = static_cast<std::size_t>(pos) - 1;
    if (!isNameStart(text[i])) return std::nullopt;
    std::size_t b = i;
    while (i < text.size() && isNameChar(text[i])) ++i;
    return std::string(text.substr(b, i - b));
}

namespace {
// M-> and FIELD-> name the kind of a variable, not a work area: they stay as written.
bool isPseudoAlias(std::string_view name) {
    std::string u;
    for (char c : name) u.push_back(upper(c));
    return u == "M" || u == "MEMVAR" || u == "FIELD" || u == "_FIELD";
}
}  // namespace

std::string parenthesizeAliases(std::string_view expr) {
    std::string out;
    out.reserve(expr.size() + 8);
    char quote = 0;
    std::size_t i = 0;
    while (i < expr.size()) {
        char c = expr[i];
        if (quote) {
            if (c == quote) quote = 0;
            out.push_back(c);
            ++i;
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
            out.push_back(c);
            ++i;
            continue;
        }
        if (isNameStart(c) && (i == 0 || !isNameChar(expr[i - 1]))) {
            std::size_t b = i;
            while (i < expr.size() && isNameChar(expr[i])) ++i;
            std::size_t j = i;
            while (j < expr.size() && expr[j] == ' ') ++j;
            std::string_view name = expr.substr(b, i - b);
            if (expr.substr(j, 2) == "->" && !isPseudoAlias(name)) {
                out += "(";
                out += name;
                out += ")";
            } else {
                out += name;
            }
            continue;
        }
        out.push_back(c);
        ++i;
    }
    return out;
}

// --- bindings ---

namespace {

using rt::Frame;
using rt::Value;

int widthArg(const Frame& f, int n) {
    const Value& v = f.arg(n);
    if (!v.isNumber()) return 0;
    double d = v.numVal();
    if (!(d > 0)) return 0;
    return d > 1e6 ? 1000000 : static_cast<int>(d);
}
std::string_view strArgOr(const Frame& f, int n, std::string_view def) {
    const Value& v = f.arg(n);
    return v.isString() ? std::string_view(v.str()) : def;
}
int decimalsArg(const Frame& f, int n, int def) {
    long long d = f.intOr(n, def);
    return static_cast<int>(std::clamp<long long>(d, -15, 15));
}

// H_PADR(value, width, fill, breakChars) -> character of exactly width bytes
void fn_H_PADR(Frame& f) {
    f.ret(padR(f.runtime(), f.arg(1), widthArg(f, 2), strArgOr(f, 3, " "),
               strArgOr(f, 4, kBreakChars)));
}
void fn_H_PADL(Frame& f) {
    f.ret(padL(f.runtime(), f.arg(1), widthArg(f, 2), strArgOr(f, 3, " ")));
}
void fn_H_PADC(Frame& f) {
    f.ret(padC(f.runtime(), f.arg(1), widthArg(f, 2), strArgOr(f, 3, " ")));
}
// H_PADM(left, right, width)
void fn_H_PADM(Frame& f) { f.ret(padM(f.runtime(), f.arg(1), f.arg(2), widthArg(f, 3))); }

// DROUND(x, decimals), UROUND(x, decimals)
void fn_DROUND(Frame& f) {
    int d = decimalsArg(f, 2, 0);
    f.ret(Value::number(dRound(f.num(1), d), std::max(d, 0)));
}
void fn_UROUND(Frame& f) {
    int d = decimalsArg(f, 2, 0);
    f.ret(Value::number(uRound(f.num(1), d), std::max(d, 0)));
}
void fn_OROUND(Frame& f) { f.ret(Value::integer(oRound(f.num(1)))); }

// H_DIV(a, b, decimals)
void fn_H_DIV(Frame& f) {
    double a = f.num(1), b = f.num(2);
    if (f.isNil(3)) {
        f.ret(Value::number(hDiv(a, b), f.runtime().settings().decimals));
        return;
    }
    int d = decimalsArg(f, 3, 0);
    f.ret(Value::number(hDiv(a, b, d), std::max(d, 0)));
}

// H_REPARTN(total, weights, factor, decimals) -> array of shares
void fn_H_REPARTN(Frame& f) {
    std::optional<double> total;
    if (!f.isNil(1)) total = f.num(1);
    if (!f.arg(2).isArray()) f.argError();
    std::vector<double> weights;
    for (const Value& w : f.arg(2).array().items) weights.push_back(w.isNumber() ? w.numVal() : 0);
    double factor = f.numOr(3, 1);
    int d = decimalsArg(f, 4, 2);
    std::vector<Value> out;
    for (double s : repartN(total, weights, factor, d))
        out.push_back(Value::number(s, std::max(d, 0)));
    f.ret(Value::newArray(std::move(out)));
}

Gender genderArg(const Frame& f, int n) {
    std::string_view g = strArgOr(f, n, "");
    if (!g.empty() && upper(g[0]) == 'F') return Gender::Feminine;
    if (!g.empty() && upper(g[0]) == 'N') return Gender::Neuter;
    return Gender::Masculine;
}

// H_NRLITERE(number, width, gender)
void fn_H_NRLITERE(Frame& f) {
    std::optional<std::string> text = numberText(f.arg(1));
    if (!text) util::fatalStop(f.runtime(), 1, "parametru h_NrLitere");
    f.ret(nrLitere(f.runtime(), *text, widthArg(f, 2), genderArg(f, 3)));
}
// H_MONLITERE(amount, currency, width)
void fn_H_MONLITERE(Frame& f) {
    std::optional<std::string> text = numberText(f.arg(1));
    if (!text) util::fatalStop(f.runtime(), 1, "parametru h_LeiLiter");
    f.ret(monLitere(f.runtime(), *text, strArgOr(f, 2, ""), widthArg(f, 3)));
}
// H_LEILITERE(amount, width)
void fn_H_LEILITERE(Frame& f) {
    std::optional<std::string> text = numberText(f.arg(1));
    if (!text) util::fatalStop(f.runtime(), 1, "parametru h_LeiLiter");
    f.ret(monLitere(f.runtime(), *text, "", widthArg(f, 2)));
}

// H_INCNRDOC(number)
void fn_H_INCNRDOC(Frame& f) {
    f.ret(f.arg(1).isString() ? Value(incNrDoc(f.arg(1).str())) : f.arg(1));
}

// H_TRANSFORM(value, picture)
void fn_H_TRANSFORM(Frame& f) {
    std::string picture = romanianPicture(strArgOr(f, 2, ""));
    f.ret(swapPointComma(stdlib::transform(f.runtime(), f.arg(1), picture)));
}

// H_TRIMDBSPACE(text)
void fn_H_TRIMDBSPACE(Frame& f) {
    f.ret(f.arg(1).isString() ? Value(trimDbSpace(f.arg(1).str())) : f.arg(1));
}

// H_SPLITSTR(text, listSep, elemSeps) -> array or NIL
void fn_H_SPLITSTR(Frame& f) {
    const Value& text = f.arg(1);
    const Value& ls = f.arg(2);
    const Value& es = f.arg(3);
    if (!text.isString() || (!ls.isNil() && !ls.isString()) || (!es.isNil() && !es.isString())) {
        return;
    }
    std::optional<std::string_view> listSep, elemSeps;
    if (ls.isString()) listSep = ls.str();
    if (es.isString()) elemSeps = es.str();
    if (std::optional<Value> r = splitStr(text.str(), listSep, elemSeps)) f.ret(std::move(*r));
}

[[noreturn]] void cvCharStop(Frame& f) {
    util::fatalStop(f.runtime(), 1, "tip parametru eronat in h_CvChar()");
}

// H_CVCHAR(text, table)
void fn_H_CVCHAR(Frame& f) {
    if (!f.arg(1).isString()) cvCharStop(f);
    const std::string& text = f.arg(1).str();
    const Value& table = f.arg(2);
    if (table.isArray()) {
        const auto& items = table.array().items;
        if (items.size() < 2 || !items[0].isString() || !items[1].isString()) cvCharStop(f);
        f.ret(replaceChars(text, items[0].str(), items[1].str()));
        return;
    }
    if (table.isString()) {
        std::string_view fold = foldingString(table.str());
        if (fold.empty()) cvCharStop(f);
        std::string from;
        for (int c = 128; c < 256; ++c) from.push_back(static_cast<char>(c));
        f.ret(replaceChars(text, from, fold));
        return;
    }
    f.ret(cvChar(text));
}

// H_CVLOC(text) -> {text, key, positions}
void fn_H_CVLOC(Frame& f) {
    if (!f.arg(1).isString()) {
        f.ret(Value::newArray({Value(""), Value(""), Value::newArray()}));
        return;
    }
    LocKey k = cvLoc(f.arg(1).str());
    std::vector<Value> pos;
    for (int p : k.positions) pos.push_back(Value::integer(p));
    f.ret(Value::newArray({f.arg(1), Value(std::move(k.key)), Value::newArray(std::move(pos))}));
}

// Reads a non-empty array of {string, string} pairs; false when it is anything else.
bool readPairs(const Value& v, std::vector<HtmlPair>& out) {
    if (!v.isArray() || v.array().items.empty()) return false;
    for (const Value& p : v.array().items) {
        if (!p.isArray() || p.array().items.size() < 2) return false;
        const Value& a = p.array().items[0];
        const Value& b = p.array().items[1];
        if (!a.isString() || !b.isString()) return false;
        out.push_back({a.str(), b.str()});
    }
    return true;
}

// H_CVHTML(text, specials, codepage)
void fn_H_CVHTML(Frame& f) {
    auto stop = [&] { util::fatalStop(f.runtime(), 1, "tip parametru eronat in h_CvHtml()"); };
    if (!f.arg(1).isString()) stop();
    HtmlRules rules;
    const Value& sp = f.arg(2);
    if (sp.isNil() || (sp.isLogical() && sp.logical())) {
        rules = defaultHtmlRules();
    } else if (sp.isArray()) {
        if (!readPairs(sp, rules.specials)) stop();
    } else if (!sp.isLogical()) {
        stop();
    }
    const Value& cp = f.arg(3);
    if (cp.isString()) {
        const std::string& name = cp.str();
        if (name != "" && name != "437" && name != "852" && name != "1250") stop();
        rules.codePage = name;
    } else if (cp.isArray()) {
        if (!readPairs(cp, rules.highs)) stop();
    } else if (!cp.isNil()) {
        stop();
    }
    f.ret(cvHtml(f.arg(1).str(), rules));
}

// H_EOLCONV(target, text)
void fn_H_EOLCONV(Frame& f) {
    if (!f.arg(2).isString()) {
        f.ret(f.arg(2));
        return;
    }
    f.ret(eolConv(strArgOr(f, 1, ""), f.arg(2).str()));
}

void fn_H_ISHTMXML(Frame& f) { f.ret(f.arg(1).isString() && isHtmXml(f.arg(1).str())); }

// H_GETATOM(text, position, @name) -> logical
void fn_H_GETATOM(Frame& f) {
    if (!f.arg(1).isString()) {
        f.ret(false);
        return;
    }
    long long pos = f.intOr(2, 1);
    std::optional<std::string> name = pos > 0 && pos < (1LL << 31)
                                          ? getAtom(f.arg(1).str(), static_cast<int>(pos))
                                          : std::nullopt;
    if (name) f.setRef(3, Value(std::move(*name)));
    f.ret(name.has_value());
}

// The numeric arguments of H_MLPOS as the standard memo functions read them.
long long countArg(const Frame& f, int n, long long def) {
    double d = f.numOr(n, static_cast<double>(def));
    return std::isfinite(d) && d <= 1e9 && d >= -1e9 ? static_cast<long long>(d) : def;
}

// H_MLPOS(text, width, line, tab, wrap, extra): the standard MLPos(); `extra` is not used.
void fn_H_MLPOS(Frame& f) {
    if (!f.arg(1).isString()) {
        f.ret(Value::integer(1));
        return;
    }
    stdlib::MemoLayout l;
    l.width = static_cast<int>(countArg(f, 2, 79));
    l.tab = static_cast<int>(countArg(f, 4, 4));
    l.wrap = f.logOr(5, true);
    f.ret(Value::integer(static_cast<double>(stdlib::mlPos(f.arg(1).str(), l, countArg(f, 3, 1)))));
}

// H_TYPE(expression) -> type letter
void fn_H_TYPE(Frame& f) {
    if (!f.arg(1).isString()) {
        f.ret("U");
        return;
    }
    f.ret(xbase::typeOf(f.runtime(), parenthesizeAliases(f.arg(1).str())));
}

}  // namespace

extern const rt::Builtin kBuiltins[] = {
    {"H_PADR", fn_H_PADR},
    {"H_PADL", fn_H_PADL},
    {"H_PADC", fn_H_PADC},
    {"H_PADM", fn_H_PADM},
    {"DROUND", fn_DROUND},
    {"UROUND", fn_UROUND},
    {"OROUND", fn_OROUND},
    {"H_DIV", fn_H_DIV},
    {"H_REPARTN", fn_H_REPARTN},
    {"H_NRLITERE", fn_H_NRLITERE},
    {"H_MONLITERE", fn_H_MONLITERE},
    {"H_LEILITERE", fn_H_LEILITERE},
    {"H_INCNRDOC", fn_H_INCNRDOC},
    {"H_TRANSFORM", fn_H_TRANSFORM},
    {"H_TRIMDBSPACE", fn_H_TRIMDBSPACE},
    {"H_SPLITSTR", fn_H_SPLITSTR},
    {"H_CVCHAR", fn_H_CVCHAR},
    {"H_CVLOC", fn_H_CVLOC},
    {"H_CVHTML", fn_H_CVHTML},
    {"H_EOLCONV", fn_H_EOLCONV},
    {"H_ISHTMXML", fn_H_ISHTMXML},
    {"H_GETATOM", fn_H_GETATOM},
    {"H_MLPOS", fn_H_MLPOS},
    {"H_TYPE", fn_H_TYPE},
};
extern const std::size_t kBuiltinCount = std::size(kBuiltins);

}  // namespace xb::fw::htools
