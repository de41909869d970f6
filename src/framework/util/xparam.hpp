// XPARAM: site parameters in small INI-style texts, kept in a memo section of the state
// table's DESCR field or in INI files on disk.
//
// Text syntax (the same in both places):
//   [SECTION]               opens a section; it ends at the next line beginning with "["
//   NAME = expression       a parameter; ":=" works as "=" too
//   // comment              skipped, as are empty lines; lines are trimmed first
// A parameter line is read this way: everything from its last "//" on is dropped; the name is
// the longest run of letters, digits and "_" at the start; the one character after the name
// is skipped (so "X=5" is not a parameter but "X = 5" and "X:=5" are); after blanks the rest
// must begin with "=" or ":="; the trimmed remainder is an xBase expression, evaluated when
// the section is read. An empty or uncompilable value gives "".
//
// A parameter list is an xBase array of pairs {name, value} in the order the names were
// first met; names compare exactly (case matters) and a name met again replaces its value.
// Invariants: reading never removes pairs from a list (callers pre-fill it with defaults);
// the state table is put back as it was found and the previous work area is reselected.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "runtime/runtime.hpp"

namespace xb::fw::xparam {

// The memo section that holds the applications' parameters.
inline constexpr std::string_view kParamPart = "S_PARAM";

struct ParamLine {
    std::string name;
    std::string valueText;
};
// A trimmed line as a parameter, or nullopt when it has another form.
std::optional<ParamLine> parseLine(std::string_view line);

// Sets name's value in a list of pairs (replacing the pair of that name, else appending).
void setParam(rt::Value& list, std::string_view name, rt::Value value);
// The value of the first pair named `name`, or nullptr.
const rt::Value* findParam(const rt::Value& list, std::string_view name);

// Reads the section (the whole text when section is nullopt) into list; list becomes an
// array when it is not one. A section that is not in the text leaves the list unchanged.
void readSection(rt::Runtime& rt, std::string_view text, std::optional<std::string_view> section,
                 rt::Value& list);
// XPARAM_SCT: from the memo section `part` of the state table; false when the table could not
// be opened.
bool readStateSection(rt::Runtime& rt, std::string_view part,
                      std::optional<std::string_view> section, rt::Value& list);
// XPARAM_ISCT: from an INI file (".INI" added when the name has no extension); false when
// the file does not exist.
bool readIniSection(rt::Runtime& rt, std::optional<std::string_view> section, rt::Value& list,
                    std::string_view iniFile);
// XPARAM_SGM: the memo section's text; nullopt when the state table cannot be opened.
std::optional<std::string> stateMemoSection(rt::Runtime& rt, std::string_view part);

// Convenience readers on the memo section S_PARAM.
// XPARAM_V: the value or the default; a state table that cannot be opened is a fatal stop.
rt::Value paramValue(rt::Runtime& rt, std::string_view section, std::string_view name,
                     const rt::Value& def);
// XPARAM_GDANU: whether the value (default "DA" or "NU") begins with "da" in lower case.
bool paramDaNu(rt::Runtime& rt, std::string_view section, std::string_view name,
               const rt::Value& def);
// XPARAM_LIST: the pairs of the section whose names begin with prefix, in list order.
rt::Value paramList(rt::Runtime& rt, std::string_view section, std::string_view prefix);
// XPARAM_EV: the value of name + "_" + suffix (first name beginning with it), else of name
// (first name beginning with it), else the default.
rt::Value paramEv(rt::Runtime& rt, std::string_view section, std::string_view name,
                  std::string_view suffix, const rt::Value& def);

// The module's xBase functions.
extern const rt::Builtin kBuiltins[];
extern const std::size_t kBuiltinCount;

}  // namespace xb::fw::xparam
