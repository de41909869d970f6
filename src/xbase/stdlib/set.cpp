// Set(): reads and changes the SET state.
//
// The settings the engines and functions use live in rt::Settings; the others (screen and
// console options that scripts set and read back) are kept in a side store with their
// classic defaults. SET CENTURY and SET DATEFORMAT stay consistent: switching the century
// turns "yy" into "yyyy" in the format and back, and a format with "yyyy" has the century on.
#include <cmath>
#include <map>

#include "xbase/stdlib/stdlib.hpp"
#include "xbase/stdlib/tables.hpp"

namespace xb::stdlib {

namespace {

struct SideSettings {
    static constexpr char kTag = 0;
    explicit SideSettings(rt::Runtime&) {
        values[12] = true;                                             // CANCEL
        values[14] = integer(50);                                      // TYPEAHEAD
        values[15] = rt::Value("W/N,N/W,N,N,N/W");                     // COLOR
        values[16] = integer(1);                                       // CURSOR
        values[17] = true;                                             // CONSOLE
        values[20] = rt::Value("SCREEN");                              // DEVICE
        values[25] = integer(0);                                       // MARGIN
        values[28] = true;                                             // ESCAPE
        values[31] = true;                                             // INTENSITY
        values[32] = true;                                             // SCOREBOARD
        values[34] = rt::Value("::");                                  // DELIMCHARS
        values[36] = integer(0);                                       // MESSAGE
        values[38] = true;                                             // SCROLLBREAK
        for (int id : {6, 7, 19, 22, 24}) values[id] = rt::Value("");  // PATH, DEFAULT, files
        for (int id : {13, 18, 21, 23, 26, 29, 30, 33, 35, 37}) values[id] = false;
    }
    std::map<int, rt::Value> values;
};

struct Named {
    const char* name;
    int id;
};
const Named kNames[] = {
    {"EXACT", 1},       {"FIXED", 2},       {"DECIMALS", 3},     {"DATEFORMAT", 4},
    {"DATE", 4},        {"EPOCH", 5},       {"PATH", 6},         {"DEFAULT", 7},
    {"EXCLUSIVE", 8},   {"SOFTSEEK", 9},    {"UNIQUE", 10},      {"DELETED", 11},
    {"CANCEL", 12},     {"DEBUG", 13},      {"TYPEAHEAD", 14},   {"COLOR", 15},
    {"CURSOR", 16},     {"CONSOLE", 17},    {"ALTERNATE", 18},   {"ALTFILE", 19},
    {"DEVICE", 20},     {"EXTRA", 21},      {"EXTRAFILE", 22},   {"PRINTER", 23},
    {"PRINTFILE", 24},  {"MARGIN", 25},     {"BELL", 26},        {"CONFIRM", 27},
    {"ESCAPE", 28},     {"INSERT", 29},     {"EXIT", 30},        {"INTENSITY", 31},
    {"SCOREBOARD", 32}, {"DELIMITERS", 33}, {"DELIMCHARS", 34},  {"WRAP", 35},
    {"MESSAGE", 36},    {"MCENTER", 37},    {"SCROLLBREAK", 38}, {"CENTURY", set::kCentury},
};

// A logical setting's new value: a logical, or "ON"/"OFF" as the commands write it.
bool logicalOf(const rt::Value& v, bool current) {
    if (v.isLogical()) return v.logical();
    if (v.isString()) {
        std::string u = upper(allTrim(v.str()));
        if (u == "ON") return true;
        if (u == "OFF") return false;
    }
    return current;
}

void setCentury(rt::Settings& s, bool on) {
    s.century = on;
    std::string& f = s.dateFormat;
    std::size_t y = f.find_first_of("yY");
    if (y == std::string::npos) return;
    std::size_t e = y;
    while (e < f.size() && (f[e] == 'y' || f[e] == 'Y')) ++e;
    f.replace(y, e - y, on ? "yyyy" : "yy");
}

}  // namespace

int setIdOf(std::string_view name) {
    std::string u = upper(allTrim(name));
    if (u.rfind("_SET_", 0) == 0) u = u.substr(5);
    for (const Named& n : kNames) {
        if (u == n.name) return n.id;
    }
    return 0;
}

rt::Value setValue(rt::Runtime& rt, int id, const rt::Value* nv) {
    rt::Settings& s = rt.settings();
    auto flag = [&](bool& field) {
        rt::Value old(field);
        if (nv) field = logicalOf(*nv, field);
        return old;
    };
    switch (id) {
        case set::kExact:
            return flag(s.exact);
        case set::kFixed:
            return flag(s.fixed);
        case set::kExclusive:
            return flag(s.exclusive);
        case set::kSoftSeek:
            return flag(s.softSeek);
        case set::kUnique:
            return flag(s.unique);
        case set::kDeleted:
            return flag(s.deleted);
        case set::kConfirm:
            return flag(s.confirm);
        case set::kCentury: {
            rt::Value old(s.century);
            if (nv) setCentury(s, logicalOf(*nv, s.century));
            return old;
        }
        case set::kDecimals: {
            rt::Value old = integer(s.decimals);
            if (nv && nv->isNumber() && nv->numVal() >= 0 && nv->numVal() <= 30) {
                s.decimals = static_cast<int>(nv->numVal());
            }
            return old;
        }
        case set::kEpoch: {
            rt::Value old = integer(s.epoch);
            if (nv && nv->isNumber() && nv->numVal() >= 0 && nv->numVal() <= 9999) {
                s.epoch = static_cast<int>(nv->numVal());
            }
            return old;
        }
        case set::kDateFormat: {
            rt::Value old(s.dateFormat);
            if (nv && nv->isString() && !nv->str().empty()) {
                s.dateFormat = nv->str();
                s.century = s.dateFormat.find("yyyy") != std::string::npos ||
                            s.dateFormat.find("YYYY") != std::string::npos;
            }
            return old;
        }
        default:
            break;
    }
    auto& side = rt.extension<SideSettings>().values;
    rt::Value old = side.count(id) ? side[id] : rt::Value();
    if (nv && !nv->isNil()) {
        if (old.isLogical()) {
            side[id] = rt::Value(logicalOf(*nv, old.logical()));
        } else {
            side[id] = *nv;
        }
    }
    return old;
}

namespace {

// SET(id, newValue): id is a classic _SET_ number or a name ("EXACT", "_SET_EXACT").
void fn_SET(rt::Frame& f) {
    int id = 0;
    if (f.arg(1).isNumber()) {
        double d = f.arg(1).numVal();
        id = d >= 1 && d <= 1000 ? static_cast<int>(d) : 0;
    } else if (f.arg(1).isString()) {
        id = setIdOf(f.arg(1).str());
    }
    if (id == 0) f.argError();
    f.ret(setValue(f.runtime(), id, f.argc() >= 2 ? &f.arg(2) : nullptr));
}

// __SETCENTURY(onOff): SET CENTURY; returns the old state.
void fn___SETCENTURY(rt::Frame& f) {
    f.ret(setValue(f.runtime(), set::kCentury, f.argc() >= 1 ? &f.arg(1) : nullptr));
}

const rt::Builtin kBuiltins[] = {
    {"SET", fn_SET, 2020},
    {"__SETCENTURY", fn___SETCENTURY},
};
}  // namespace

std::span<const rt::Builtin> setBuiltins() { return kBuiltins; }

}  // namespace xb::stdlib
