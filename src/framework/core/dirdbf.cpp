// DIRDBF: a directory listing held in a table.
#include "framework/core/dirdbf.hpp"

#include <unistd.h>

#include <algorithm>
#include <vector>

#include "framework/core/pathval.hpp"
#include "table/work_areas.hpp"

namespace xb::fw::dirdbf {

namespace {

constexpr std::size_t kNameWidth = 12;

// The table's file name: ".DBF" added when the name has no extension.
std::string tableName(rt::Runtime& rt, std::string_view file) {
    std::string name = pathval::trimBlanks(file);
    if (pathval::fileExt(name, pathval::separator(rt)).empty()) name += ".DBF";
    return name;
}

bool create(rt::Runtime& rt, std::string_view file) {
    std::string name = tableName(rt, file);
    // The structure is given directly: a structure table in the temporary folder would
    // overwrite and then erase any STR.DBF the user keeps there.
    std::vector<table::Field> fields = {
        {"MNAME", 'C', static_cast<int>(kNameWidth), 0, 0},
        {"MDATE", 'D', 8, 0, 0},
        {"MTIME", 'C', 8, 0, 0},
        {"MSIZE", 'N', 12, 0, 0},
        {"MATTR", 'C', 3, 0, 0},
    };
    std::string host = pathval::hostPath(rt, pathval::applyFileCase(rt, name));
    if (!table::Table::create(rt, host, std::move(fields), table::MemoKind::None)) return false;
    if (rt.findFunction("H_NETUSE") >= 0) {
        rt::Value ok = rt.call("H_NETUSE", {rt::Value(pathval::trimBlanks(file)), rt::Value("E"),
                                            rt::Value::integer(5), rt::Value("Lista director")});
        return ok.isLogical() && ok.logical();
    }
    return table::WorkAreas::of(rt).use(0, host, "", table::OpenOptions{false, false});
}

bool fill(rt::Runtime& rt, std::string_view mask, bool keep, const rt::Value& byDate,
          std::string_view attributes, const rt::Value& filter) {
    table::Table* t = table::WorkAreas::of(rt).table(0);
    if (t == nullptr) return false;
    if (!keep && !t->zap()) return false;
    rt::Value list = pathval::directory(rt, mask, attributes);
    std::vector<rt::Value> entries = list.array().items;
    if (byDate.isLogical() && byDate.logical()) {
        std::stable_sort(entries.begin(), entries.end(),
                         [](const rt::Value& a, const rt::Value& b) {
                             const auto& x = a.array().items;
                             const auto& y = b.array().items;
                             if (x[2].julian() != y[2].julian())
                                 return x[2].julian() > y[2].julian();
                             return x[3].str() > y[3].str();
                         });
    } else if (byDate.isLogical()) {
        auto key = [](const rt::Value& e) {
            std::string n = e.array().items[0].str();
            for (char& c : n)
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            return pathval::alignExt(n);
        };
        std::stable_sort(entries.begin(), entries.end(),
                         [&](const rt::Value& a, const rt::Value& b) { return key(a) < key(b); });
    }
    const int fName = t->fieldIndex("MNAME"), fDate = t->fieldIndex("MDATE"),
              fTime = t->fieldIndex("MTIME"), fSize = t->fieldIndex("MSIZE"),
              fAttr = t->fieldIndex("MATTR");
    for (const rt::Value& e : entries) {
        if (filter.isBlock()) {
            rt::Value take = rt.eval(filter, std::span<const rt::Value>(&e, 1));
            if (!take.isLogical() || !take.logical()) continue;
        }
        const auto& f = e.array().items;
        if (!t->append()) return false;
        t->putField(fName, rt::Value(f[0].str().substr(0, kNameWidth)));
        t->putField(fDate, f[2]);
        t->putField(fTime, f[3]);
        t->putField(fSize, f[1]);
        t->putField(fAttr, rt::Value(f[4].str().substr(0, 3)));
    }
    t->goTop();
    return true;
}

bool remove(rt::Runtime& rt, std::string_view file) {
    table::WorkAreas::of(rt).closeArea(0);
    std::string host = pathval::hostPath(rt, tableName(rt, file));
    if (!host.empty()) ::unlink(host.c_str());
    return true;
}

}  // namespace

bool dirDbf(rt::Runtime& rt, Operation op, std::string_view file, bool keep,
            const rt::Value& byDate, std::string_view attributes, const rt::Value& filter) {
    switch (op) {
        case Operation::Create:
            return create(rt, file);
        case Operation::Fill:
            return fill(rt, file, keep, byDate, attributes, filter);
        case Operation::Remove:
            return remove(rt, file);
    }
    return false;
}

namespace {

// H_DIRDBF(operation, file, keep, byDate, attributes, filter) -> logical
void fn_H_DIRDBF(rt::Frame& f) {
    const rt::Value& op = f.arg(1);
    int n = op.isNumber() ? static_cast<int>(op.numVal()) : 0;
    if (n < 1 || n > 3) {
        f.ret(false);
        return;
    }
    f.ret(dirDbf(f.runtime(), static_cast<Operation>(n), pathval::pathArg(f.arg(2)),
                 f.arg(3).isLogical() && f.arg(3).logical(), f.arg(4), pathval::pathArg(f.arg(5)),
                 f.arg(6)));
}

const rt::Builtin kBuiltins[] = {
    {"H_DIRDBF", fn_H_DIRDBF},
};

}  // namespace

std::span<const rt::Builtin> builtins() { return kBuiltins; }

}  // namespace xb::fw::dirdbf
