#include "framework/util/xparam.hpp"

#include <fstream>
#include <iterator>
#include <sstream>

#include "framework/core/hsubmemo.hpp"
#include "framework/util/util.hpp"

namespace xb::fw::xparam {

namespace {

using rt::Value;

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
bool isSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

// Lines of the memo-line rule keep at most this many characters.
constexpr int kLineWidth = 254;

}  // namespace

std::optional<ParamLine> parseLine(std::string_view line) {
    if (std::size_t c = line.rfind("//"); c != std::string_view::npos) line = line.substr(0, c);
    std::size_t n = 0;
    while (n < line.size() && isNameChar(line[n])) ++n;
    if (n == 0) return std::nullopt;
    ParamLine p;
    p.name = std::string(line.substr(0, n));
    std::string_view rest = line.substr(std::min(n + 1, line.size()));
    while (!rest.empty() && isSpace(rest.front())) rest.remove_prefix(1);
    if (rest.starts_with(":=")) {
        rest.remove_prefix(2);
    } else if (rest.starts_with("=")) {
        rest.remove_prefix(1);
    } else {
        return std::nullopt;
    }
    p.valueText = std::string(trim(rest));
    return p;
}

void setParam(Value& list, std::string_view name, Value value) {
    if (!list.isArray()) list = Value::newArray();
    for (Value& pair : list.array().items) {
        if (pair.isArray() && !pair.array().items.empty() && pair.array().items[0].isString() &&
            pair.array().items[0].str() == name) {
            auto& items = pair.array().items;
            if (items.size() < 2) items.resize(2);
            items[1] = std::move(value);
            return;
        }
    }
    list.array().items.push_back(Value::newArray({Value(name), std::move(value)}));
}

const Value* findParam(const Value& list, std::string_view name) {
    if (!list.isArray()) return nullptr;
    for (const Value& pair : list.array().items) {
        if (pair.isArray() && !pair.array().items.empty() && pair.array().items[0].isString() &&
            pair.array().items[0].str() == name) {
            static const Value kNil;
            return pair.array().items.size() > 1 ? &pair.array().items[1] : &kNil;
        }
    }
    return nullptr;
}

void readSection(rt::Runtime& rt, std::string_view text, std::optional<std::string_view> section,
                 Value& list) {
    if (!list.isArray()) list = Value::newArray();
    if (section) {
        std::string marker = "[" + std::string(*section) + "]";
        std::size_t at = text.find(marker);
        if (at == std::string_view::npos) return;
        std::size_t eol = text.find('\n', at);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    }
    for (const std::string& raw : util::memoLines(text, kLineWidth)) {
        std::string_view line = trim(raw);
        if (line.starts_with("[")) break;
        if (line.empty() || line.starts_with("//")) continue;
        std::optional<ParamLine> p = parseLine(line);
        if (!p) continue;
        Value v("");
        if (!p->valueText.empty()) {
            if (std::optional<Value> r = util::evaluateIfCompiles(rt, p->valueText))
                v = std::move(*r);
        }
        setParam(list, p->name, std::move(v));
    }
}

namespace {

// Runs `use` with the DESCR memo of the state table's current record, the table opened
// read-only and shared through an open list and put back as found afterwards; false when
// the table could not be opened.
template <class F>
bool withStateMemo(rt::Runtime& rt, F&& use) {
    rt::DataHooks* data = rt.data();
    if (!data || rt.findFunction("H_USEALIAS") < 0) return false;
    int previous = data->currentArea();
    Value openList = Value::newArray();
    auto putBack = [&] {
        if (rt.findFunction("H_CLOSEALIAS") >= 0) rt.call("H_CLOSEALIAS", {Value(), openList});
        if (previous != 0) data->selectArea(previous);
    };
    Value opened = rt.call("H_USEALIAS", {Value("stat"), openList, Value("RS")});
    if (!opened.isLogical() || !opened.logical()) {
        putBack();
        return false;
    }
    try {
        Value memo;
        if (!data->fieldGet(0, "DESCR", memo) || !memo.isString()) memo = Value("");
        use(memo.str());
    } catch (...) {
        putBack();
        throw;
    }
    putBack();
    return true;
}

std::string subMemo(rt::Runtime& rt, const std::string& memo, std::string_view part) {
    return hsubmemo::getSubMemo(rt, memo, part);
}

}  // namespace

bool readStateSection(rt::Runtime& rt, std::string_view part,
                      std::optional<std::string_view> section, Value& list) {
    if (!list.isArray()) list = Value::newArray();
    return withStateMemo(rt, [&](const std::string& memo) {
        readSection(rt, subMemo(rt, memo, part), section, list);
    });
}

std::optional<std::string> stateMemoSection(rt::Runtime& rt, std::string_view part) {
    std::string text;
    if (!withStateMemo(rt, [&](const std::string& memo) { text = subMemo(rt, memo, part); })) {
        return std::nullopt;
    }
    return text;
}

bool readIniSection(rt::Runtime& rt, std::optional<std::string_view> section, Value& list,
                    std::string_view iniFile) {
    if (!list.isArray()) list = Value::newArray();
    std::string name(iniFile);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    std::size_t base = name.find_last_of("/\\");
    base = base == std::string::npos ? 0 : base + 1;
    if (name.find('.', base) == std::string::npos) name += ".INI";
    std::optional<std::string> text = util::readFile(rt, name);
    if (!text) return false;
    readSection(rt, *text, section, list);
    return true;
}

namespace {
std::string lowerAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}
}  // namespace

Value paramValue(rt::Runtime& rt, std::string_view section, std::string_view name,
                 const Value& def) {
    Value list = Value::newArray({Value::newArray({Value(name), def})});
    if (!readStateSection(rt, kParamPart, section, list)) {
        util::fatalStop(rt, 1, "parametru " + std::string(section) + "/" + std::string(name));
    }
    const Value* v = findParam(list, name);
    return v ? *v : def;
}

bool paramDaNu(rt::Runtime& rt, std::string_view section, std::string_view name, const Value& def) {
    std::string d = def.isString() ? def.str() : std::string();
    for (char& c : d) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (d != "DA" && d != "NU") d = "DA";
    Value list = Value::newArray({Value::newArray({Value(name), Value(d)})});
    Value v("DA");
    if (readStateSection(rt, kParamPart, section, list)) {
        if (const Value* found = findParam(list, name)) v = *found;
    }
    return v.isString() && lowerAscii(v.str()).starts_with("da");
}

Value paramList(rt::Runtime& rt, std::string_view section, std::string_view prefix) {
    Value list = Value::newArray();
    readStateSection(rt, kParamPart, section, list);
    std::vector<Value> kept;
    for (const Value& pair : list.array().items) {
        if (pair.isArray() && !pair.array().items.empty() && pair.array().items[0].isString() &&
            pair.array().items[0].str().starts_with(prefix)) {
            kept.push_back(pair);
        }
    }
    return Value::newArray(std::move(kept));
}

Value paramEv(rt::Runtime& rt, std::string_view section, std::string_view name,
              std::string_view suffix, const Value& def) {
    Value pairs = paramList(rt, section, name);
    auto valueOf = [](const Value& pair) {
        return pair.array().items.size() > 1 ? pair.array().items[1] : Value();
    };
    if (!suffix.empty()) {
        std::string full = std::string(name) + "_" + std::string(suffix);
        for (const Value& pair : pairs.array().items) {
            if (pair.array().items[0].str().starts_with(full)) return valueOf(pair);
        }
    }
    if (!pairs.array().items.empty()) return valueOf(pairs.array().items[0]);
    return def;
}

// --- bindings ---

namespace {

using rt::Frame;

std::string strArg(const Frame& f, int n) {
    return f.arg(n).isString() ? f.arg(n).str() : std::string();
}
std::optional<std::string_view> sectionArg(const Frame& f, int n) {
    if (f.arg(n).isString()) return std::string_view(f.arg(n).str());
    return std::nullopt;
}

// XPARAM_SCT(part, section, @list) -> logical
void fn_XPARAM_SCT(Frame& f) {
    Value list = f.arg(3);  // an array is shared, so filling it shows even without "@"
    bool ok = readStateSection(f.runtime(), strArg(f, 1), sectionArg(f, 2), list);
    f.setRef(3, list);
    f.ret(ok);
}

// XPARAM_ISCT(part, section, @list, iniFile) -> logical
void fn_XPARAM_ISCT(Frame& f) {
    if (!f.arg(4).isString()) util::fatalStop(f.runtime(), 1, "parametru in xparam_Isct()");
    Value list = f.arg(3);
    bool ok = readIniSection(f.runtime(), sectionArg(f, 2), list, f.arg(4).str());
    f.setRef(3, list);
    f.ret(ok);
}

// XPARAM_SSCT(part, section, @list, text) -> .T.
void fn_XPARAM_SSCT(Frame& f) {
    if (!f.arg(4).isString()) util::fatalStop(f.runtime(), 1, "parametru in xparam_Ssct()");
    Value list = f.arg(3);
    readSection(f.runtime(), f.arg(4).str(), sectionArg(f, 2), list);
    f.setRef(3, list);
    f.ret(true);
}

// XPARAM_SGM(part) -> text or .F.
void fn_XPARAM_SGM(Frame& f) {
    std::optional<std::string> text = stateMemoSection(f.runtime(), strArg(f, 1));
    if (text) {
        f.ret(std::move(*text));
    } else {
        f.ret(false);
    }
}

// XPARAM_GV(list, name, @value) -> logical
void fn_XPARAM_GV(Frame& f) {
    const Value* v = f.arg(2).isString() ? findParam(f.arg(1), f.arg(2).str()) : nullptr;
    if (v) f.setRef(3, *v);
    f.ret(v != nullptr);
}

void fn_XPARAM_V(Frame& f) { f.ret(paramValue(f.runtime(), strArg(f, 1), strArg(f, 2), f.arg(3))); }
void fn_XPARAM_GDANU(Frame& f) {
    f.ret(paramDaNu(f.runtime(), strArg(f, 1), strArg(f, 2), f.arg(3)));
}
void fn_XPARAM_LIST(Frame& f) { f.ret(paramList(f.runtime(), strArg(f, 1), strArg(f, 2))); }
void fn_XPARAM_EV(Frame& f) {
    f.ret(paramEv(f.runtime(), strArg(f, 1), strArg(f, 2), strArg(f, 3), f.arg(4)));
}

}  // namespace

extern const rt::Builtin kBuiltins[] = {
    {"XPARAM_SCT", fn_XPARAM_SCT},     {"XPARAM_ISCT", fn_XPARAM_ISCT},
    {"XPARAM_SSCT", fn_XPARAM_SSCT},   {"XPARAM_SGM", fn_XPARAM_SGM},
    {"XPARAM_GV", fn_XPARAM_GV},       {"XPARAM_V", fn_XPARAM_V},
    {"XPARAM_GDANU", fn_XPARAM_GDANU}, {"XPARAM_LIST", fn_XPARAM_LIST},
    {"XPARAM_EV", fn_XPARAM_EV},
};
extern const std::size_t kBuiltinCount = std::size(kBuiltins);

}  // namespace xb::fw::xparam
