// Regular expressions (Perl syntax) on byte strings.
//
// Every function takes a pattern text or a compiled pattern from HB_REGEXCOMP(), then the
// subject, then lCaseSensitive (default true) and lNewLine (default false: "^" and "$" match
// only at the ends of the subject; true: at every line). Subjects may hold any byte,
// including NUL. Patterns are compiled without UTF-8 mode, so each byte is one character, as
// the data's code page requires. A pattern that does not compile raises the argument error.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cmath>
#include <memory>
#include <unordered_map>

#include "xbase/stdlib/stdlib.hpp"
#include "xbase/stdlib/tables.hpp"

namespace xb::stdlib {

namespace {

struct CodeDeleter {
    void operator()(pcre2_code* c) const { pcre2_code_free(c); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* m) const { pcre2_match_data_free(m); }
};
using CodePtr = std::shared_ptr<pcre2_code>;

// A compiled pattern as a script value (ValType "O").
class RegexObject final : public rt::Object {
public:
    RegexObject(CodePtr code, std::string pattern)
        : code_(std::move(code)), pattern_(std::move(pattern)) {}
    std::string className() const override { return "REGEX"; }
    bool send(rt::Runtime&, std::string_view msg, std::span<const rt::Value>,
              rt::Value& result) override {
        if (msg == "PATTERN") {
            result = rt::Value(pattern_);
            return true;
        }
        return false;
    }
    const CodePtr& code() const { return code_; }

private:
    CodePtr code_;
    std::string pattern_;
};

// Patterns compiled from text, kept per runtime so that a script matching in a loop compiles
// each pattern once. Bounded: when full it is simply emptied.
struct PatternCache {
    static constexpr char kTag = 0;
    explicit PatternCache(rt::Runtime&) {}
    std::unordered_map<std::string, CodePtr> entries;
    static constexpr std::size_t kMaxEntries = 64;
};

CodePtr compile(std::string_view pattern, bool caseSensitive, bool newLine) {
    std::uint32_t opts = 0;
    if (!caseSensitive) opts |= PCRE2_CASELESS;
    if (newLine) opts |= PCRE2_MULTILINE;
    int err = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* c = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                  opts, &err, &offset, nullptr);
    if (!c) return nullptr;
    return CodePtr(c, CodeDeleter());
}

void badPattern(rt::Frame& f) {
    rt::XbError e;
    e.genCode = rt::eg::kArg;
    e.subSystem = "BASE";
    e.subCode = 3015;
    e.description = "Invalid regular expression";
    e.canSubstitute = true;
    f.fail(std::move(e));
}

// The compiled pattern of argument 1 (options from arguments 3 and 4).
CodePtr patternArg(rt::Frame& f, int caseArg = 3, int lineArg = 4) {
    const rt::Value& p = f.arg(1);
    if (p.isObject()) {
        if (auto* r = dynamic_cast<RegexObject*>(&p.object())) return r->code();
    }
    if (!p.isString()) f.argError();
    bool cs = f.arg(caseArg).isLogical() ? f.arg(caseArg).logical() : true;
    bool nl = f.arg(lineArg).isLogical() ? f.arg(lineArg).logical() : false;
    auto& cache = f.runtime().extension<PatternCache>().entries;
    std::string key = std::string(cs ? "c" : "i") + (nl ? "m" : "s") + p.str();
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    CodePtr c = compile(p.str(), cs, nl);
    if (!c) {
        badPattern(f);
        throw rt::EndCall{rt::Value()};
    }
    if (cache.size() >= PatternCache::kMaxEntries) cache.clear();
    cache.emplace(std::move(key), c);
    return c;
}

// One match: offsets of the whole match and each group (npos for an unset group).
struct Match {
    std::vector<std::pair<std::size_t, std::size_t>> groups;
};

// Calls fn for each successive non-overlapping match, at most `max` (0: all); an empty match
// moves on by one byte so the walk always ends.
template <class Fn>
void eachMatch(const CodePtr& code, std::string_view s, long long max, std::uint32_t flags, Fn fn) {
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> md(
        pcre2_match_data_create_from_pattern(code.get(), nullptr));
    if (!md) return;
    std::size_t pos = 0;
    long long n = 0;
    while (pos <= s.size()) {
        int rc = pcre2_match(code.get(), reinterpret_cast<PCRE2_SPTR>(s.data()), s.size(), pos,
                             flags, md.get(), nullptr);
        if (rc < 0) break;
        PCRE2_SIZE* ov = pcre2_get_ovector_pointer(md.get());
        std::uint32_t count = pcre2_get_ovector_count(md.get());
        Match m;
        for (std::uint32_t i = 0; i < count; ++i) {
            if (ov[2 * i] == PCRE2_UNSET) {
                m.groups.emplace_back(std::string_view::npos, std::string_view::npos);
            } else {
                m.groups.emplace_back(ov[2 * i], ov[2 * i + 1]);
            }
        }
        // Only the groups the pattern has; the ovector may be larger.
        std::uint32_t captures = 0;
        pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &captures);
        if (m.groups.size() > captures + 1) m.groups.resize(captures + 1);
        if (!fn(m)) break;
        ++n;
        if (max > 0 && n >= max) break;
        std::size_t end = m.groups[0].second;
        pos = end > m.groups[0].first ? end : end + 1;
        if (flags & PCRE2_ANCHORED) break;
    }
}

std::string groupText(std::string_view s, const std::pair<std::size_t, std::size_t>& g) {
    if (g.first == std::string_view::npos) return {};
    return std::string(s.substr(g.first, g.second - g.first));
}

bool firstMatch(const CodePtr& code, std::string_view s, std::uint32_t flags, Match& out) {
    bool found = false;
    eachMatch(code, s, 1, flags, [&](const Match& m) {
        out = m;
        found = true;
        return false;
    });
    return found;
}

rt::Value groupsArray(std::string_view s, const Match& m) {
    std::vector<rt::Value> out;
    for (const auto& g : m.groups) out.emplace_back(groupText(s, g));
    return rt::Value::newArray(std::move(out));
}

long long maxArg(rt::Frame& f, int n) {
    if (!f.arg(n).isNumber()) return 0;
    double d = f.arg(n).numVal();
    return d >= 1 && d < 1e15 ? static_cast<long long>(d) : 0;
}

// HB_REGEXCOMP(pattern, lCaseSensitive, lNewLine): the compiled pattern.
void fn_HB_REGEXCOMP(rt::Frame& f) {
    if (!f.arg(1).isString()) f.argError();
    CodePtr c = patternArg(f, 2, 3);
    f.ret(rt::Value(std::make_shared<RegexObject>(c, f.arg(1).str())));
}

// HB_REGEX(pattern, subject, lCase, lNewLine): {whole, group1, ...} of the first match, or {}.
void fn_HB_REGEX(rt::Frame& f) {
    CodePtr c = patternArg(f);
    const std::string& s = f.str(2);
    Match m;
    f.ret(firstMatch(c, s, 0, m) ? groupsArray(s, m) : rt::Value::newArray());
}

// HB_REGEXHAS / HB_REGEXMATCH: true when the pattern occurs anywhere in the subject.
void fn_HB_REGEXHAS(rt::Frame& f) {
    CodePtr c = patternArg(f);
    const std::string& s = f.str(2);
    Match m;
    f.ret(firstMatch(c, s, 0, m));
}

// HB_REGEXLIKE: true when the pattern matches the whole subject.
void fn_HB_REGEXLIKE(rt::Frame& f) {
    CodePtr c = patternArg(f);
    const std::string& s = f.str(2);
    Match m;
    f.ret(firstMatch(c, s, PCRE2_ANCHORED | PCRE2_ENDANCHORED, m));
}

// HB_REGEXATX(pattern, subject, lCase, lNewLine): {{text, start, end}, ...} for the whole
// first match and each group (1-based positions, 0 for an unset group), or {}.
void fn_HB_REGEXATX(rt::Frame& f) {
    CodePtr c = patternArg(f);
    const std::string& s = f.str(2);
    Match m;
    if (!firstMatch(c, s, 0, m)) return f.ret(rt::Value::newArray());
    std::vector<rt::Value> out;
    for (const auto& g : m.groups) {
        bool set = g.first != std::string_view::npos;
        out.push_back(rt::Value::newArray({rt::Value(groupText(s, g)),
                                           integer(set ? static_cast<long long>(g.first) + 1 : 0),
                                           integer(set ? static_cast<long long>(g.second) : 0)}));
    }
    f.ret(rt::Value::newArray(std::move(out)));
}

// HB_REGEXSPLIT(pattern, subject, lCase, lNewLine, nMaxMatches): the pieces between matches.
void fn_HB_REGEXSPLIT(rt::Frame& f) {
    CodePtr c = patternArg(f);
    const std::string& s = f.str(2);
    std::vector<rt::Value> out;
    std::size_t from = 0;
    eachMatch(c, s, maxArg(f, 5), 0, [&](const Match& m) {
        if (m.groups[0].second == m.groups[0].first) return true;  // empty matches do not split
        out.emplace_back(s.substr(from, m.groups[0].first - from));
        from = m.groups[0].second;
        return true;
    });
    out.emplace_back(s.substr(from));
    f.ret(rt::Value::newArray(std::move(out)));
}

// HB_REGEXALL(pattern, subject, lCase, lNewLine, nMaxMatches, nGetMatch, lOnlyMatch):
// every match. nGetMatch 0 (default) gives per match the array of the whole match and its
// groups; nGetMatch 1 gives only the whole match, 2 only the first group, and so on. With
// lOnlyMatch false each text becomes {text, start, end} (1-based, 0 for an unset group).
void fn_HB_REGEXALL(rt::Frame& f) {
    CodePtr c = patternArg(f);
    const std::string& s = f.str(2);
    long long getMatch = maxArg(f, 6);
    bool onlyMatch = f.arg(7).isLogical() ? f.arg(7).logical() : true;
    auto item = [&](const std::pair<std::size_t, std::size_t>& g) {
        if (onlyMatch) return rt::Value(groupText(s, g));
        bool set = g.first != std::string_view::npos;
        return rt::Value::newArray({rt::Value(groupText(s, g)),
                                    integer(set ? static_cast<long long>(g.first) + 1 : 0),
                                    integer(set ? static_cast<long long>(g.second) : 0)});
    };
    std::vector<rt::Value> out;
    eachMatch(c, s, maxArg(f, 5), 0, [&](const Match& m) {
        if (getMatch > 0) {
            auto idx = static_cast<std::size_t>(getMatch - 1);
            out.push_back(idx < m.groups.size() ? item(m.groups[idx]) : rt::Value());
        } else {
            std::vector<rt::Value> row;
            for (const auto& g : m.groups) row.push_back(item(g));
            out.push_back(rt::Value::newArray(std::move(row)));
        }
        return true;
    });
    f.ret(rt::Value::newArray(std::move(out)));
}

// Expands $0..$99 and ${n} in a replacement; "$$" is a dollar.
std::string expand(std::string_view repl, std::string_view s, const Match& m) {
    std::string out;
    for (std::size_t i = 0; i < repl.size(); ++i) {
        char ch = repl[i];
        if (ch != '$' || i + 1 >= repl.size()) {
            out.push_back(ch);
            continue;
        }
        char nx = repl[i + 1];
        if (nx == '$') {
            out.push_back('$');
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool braced = nx == '{';
        if (braced) ++j;
        std::size_t n = 0, digits = 0;
        while (j < repl.size() && repl[j] >= '0' && repl[j] <= '9' && digits < 2) {
            n = n * 10 + static_cast<std::size_t>(repl[j] - '0');
            ++j;
            ++digits;
        }
        if (digits == 0 || (braced && (j >= repl.size() || repl[j] != '}'))) {
            out.push_back(ch);
            continue;
        }
        if (braced) ++j;
        if (n < m.groups.size()) out += groupText(s, m.groups[n]);
        i = j - 1;
    }
    return out;
}

// HB_REGEXREPLACE(pattern, subject, replacement, lCase, lNewLine, nMaxMatches): the subject
// with each match replaced; the replacement may name groups as $1 or ${1}.
void fn_HB_REGEXREPLACE(rt::Frame& f) {
    CodePtr c = patternArg(f, 4, 5);
    const std::string& s = f.str(2);
    std::string repl = f.strOr(3, "");
    std::string out;
    std::size_t from = 0;
    eachMatch(c, s, maxArg(f, 6), 0, [&](const Match& m) {
        out.append(s, from, m.groups[0].first - from);
        out += expand(repl, s, m);
        from = m.groups[0].second;
        return true;
    });
    out.append(s, from, std::string::npos);
    f.ret(out);
}

const rt::Builtin kBuiltins[] = {
    {"HB_REGEXCOMP", fn_HB_REGEXCOMP, 3012},       {"HB_REGEX", fn_HB_REGEX, 3012},
    {"HB_REGEXHAS", fn_HB_REGEXHAS, 3012},         {"HB_REGEXMATCH", fn_HB_REGEXHAS, 3012},
    {"HB_REGEXLIKE", fn_HB_REGEXLIKE, 3012},       {"HB_REGEXATX", fn_HB_REGEXATX, 3012},
    {"HB_REGEXSPLIT", fn_HB_REGEXSPLIT, 3012},     {"HB_REGEXALL", fn_HB_REGEXALL, 3012},
    {"HB_REGEXREPLACE", fn_HB_REGEXREPLACE, 3012},
};
}  // namespace

std::span<const rt::Builtin> regexBuiltins() { return kBuiltins; }

}  // namespace xb::stdlib
