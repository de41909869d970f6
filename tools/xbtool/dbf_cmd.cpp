// XBTOOL dbf: shows a table's structure and records, checks its orders against its records
// (and rebuilds damaged ones), creates an order.
//
//   xbtool dbf info FILE [NTX...]           structure, counts, and the orders' headers
//   xbtool dbf dump FILE [--index NTX] [--all] [--limit N]
//                                           records in natural or index order, one a line
//   xbtool dbf verify FILE NTX... [--repair]
//                                           exit 1 when an order disagrees with the records
//   xbtool dbf index FILE NTX KEY [--for EXPR] [--unique] [--descending]
// Errors of the engine are printed as `E <generic code> <subsystem>/<subcode> <description>`
// with the file name; the exit code is then 1. Bad usage exits 2.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "commands.hpp"

#if defined(XB_HAVE_TABLES)
#include "runtime/date.hpp"
#include "runtime/error.hpp"
#include "runtime/runtime.hpp"
#include "table/work_areas.hpp"
#include "xbase/stdlib/table/table_functions.hpp"
#include "xbase/xbase.hpp"
#if defined(XB_HAVE_STDLIB)
#include "xbase/stdlib/stdlib.hpp"
#endif

namespace {
using xb::rt::Value;
namespace tb = xb::table;

struct Tool {
    xb::rt::Runtime rt;
    int errors = 0;
    Tool() {
        xb::xbase::registerCore(rt);
#if defined(XB_HAVE_STDLIB)
        xb::stdlib::registerStdlib(rt);
#endif
        xb::stdlib::registerTableFunctions(rt);
        rt.setErrorBlock(
            Value(xb::rt::nativeBlock([this](xb::rt::Runtime&, std::span<const Value> a) {
                if (!a.empty())
                    if (const xb::rt::XbError* e = xb::rt::errorOf(a[0])) {
                        ++errors;
                        std::fprintf(stderr, "%s", xb::rt::errorLine(*e).c_str());
                        if (!e->fileName.empty()) std::fprintf(stderr, ": %s", e->fileName.c_str());
                        if (e->osCode) std::fprintf(stderr, " (OS code %d)", e->osCode);
                        std::fprintf(stderr, "\n");
                    }
                return Value(false);
            })));
    }
    tb::WorkAreas& wa() { return xb::stdlib::workAreas(rt); }
    tb::Table* open(const std::string& file, bool write) {
        tb::OpenOptions o;
        o.shared = !write;
        o.readOnly = !write;
        if (!wa().use(1, file, "", o)) return nullptr;
        return wa().table(1);
    }
};

int usage() {
    std::fprintf(stderr,
                 "usage: xbtool dbf info FILE [NTX...]\n"
                 "       xbtool dbf dump FILE [--index NTX] [--all] [--limit N]\n"
                 "       xbtool dbf verify FILE NTX... [--repair]\n"
                 "       xbtool dbf index FILE NTX KEY [--for EXPR] [--unique] [--descending]\n");
    return 2;
}

const char* memoName(tb::MemoKind k) {
    switch (k) {
        case tb::MemoKind::Dbt:
            return "DBT";
        case tb::MemoKind::Fpt:
            return "FPT";
        default:
            return "none";
    }
}

void printOrder(tb::Table& t, int n) {
    const tb::NtxInfo& i = t.order(n).info();
    std::printf("order %d: %s\n  key %s (length %d, decimals %d)%s%s\n", n, t.orderBag(n).c_str(),
                i.keyExpr.c_str(), i.keyLen, i.keyDec, i.unique ? ", unique" : "",
                i.descending ? ", descending" : "");
    if (!i.forExpr.empty()) std::printf("  for %s\n", i.forExpr.c_str());
}

int info(Tool& tool, const std::vector<std::string>& args) {
    if (args.empty()) return usage();
    tb::Table* t = tool.open(args[0], false);
    if (!t) return 1;
    const tb::DbfHeader& h = t->header();
    std::printf("table %s\nversion 0x%02X, memo %s, last update %04d-%02d-%02d\n",
                t->path().c_str(), h.version, memoName(t->memoKind()), h.year, h.month, h.day);
    std::printf("records %u, header %d bytes, record %d bytes\n", t->lastRec(), h.headerLen,
                h.recLen);
    std::printf("%-4s %-10s %-4s %5s %3s %6s\n", "#", "name", "type", "len", "dec", "offset");
    for (int i = 0; i < t->fieldCount(); ++i) {
        const tb::Field& f = t->field(i);
        std::printf("%-4d %-10s %-4c %5d %3d %6d\n", i + 1, f.name.c_str(), f.type, f.len, f.dec,
                    f.offset);
    }
    for (std::size_t k = 1; k < args.size(); ++k)
        if (t->addOrder(args[k])) printOrder(*t, t->orderCount());
    return tool.errors ? 1 : 0;
}

int dump(Tool& tool, const std::vector<std::string>& args) {
    std::string file, index;
    bool all = false;
    long long limit = -1;
    for (std::size_t k = 0; k < args.size(); ++k) {
        if (args[k] == "--index" && k + 1 < args.size()) {
            index = args[++k];
        } else if (args[k] == "--all") {
            all = true;
        } else if (args[k] == "--limit" && k + 1 < args.size()) {
            limit = std::atoll(args[++k].c_str());
        } else if (file.empty()) {
            file = args[k];
        } else {
            return usage();
        }
    }
    if (file.empty()) return usage();
    tool.rt.settings().deleted = !all;
    tb::Table* t = tool.open(file, false);
    if (!t) return 1;
    if (!index.empty() && !t->addOrder(index)) return 1;
    for (int i = 0; i < t->fieldCount(); ++i)
        std::printf("%s%s", i ? "\t" : "#\t\t", t->field(i).name.c_str());
    std::printf("\n");
    Value v;
    for (t->goTop(); !t->eof() && limit != 0; t->skip(1), --limit) {
        std::printf("%u\t%c", t->recNo(), t->deleted() ? '*' : ' ');
        for (int i = 0; i < t->fieldCount(); ++i) {
            t->getField(i, v);
            std::printf("\t%s", xb::rt::repr(v).c_str());
        }
        std::printf("\n");
    }
    return tool.errors ? 1 : 0;
}

int verify(Tool& tool, const std::vector<std::string>& args) {
    std::vector<std::string> files;
    bool repair = false;
    for (const auto& a : args) {
        if (a == "--repair") {
            repair = true;
        } else {
            files.push_back(a);
        }
    }
    if (files.size() < 2) return usage();
    tb::Table* t = tool.open(files[0], repair);
    if (!t) return 1;
    int bad = 0;
    for (std::size_t k = 1; k < files.size(); ++k) {
        int before = tool.errors;
        bool opened = t->addOrder(files[k]);
        std::vector<std::string> report;
        bool ok = opened && t->verifyOrder(t->orderCount(), report) && tool.errors == before;
        std::printf("%s: %s\n", files[k].c_str(), ok ? "ok" : "damaged");
        for (const auto& line : report) std::printf("  %s\n", line.c_str());
        if (ok) continue;
        if (!repair) {
            ++bad;
            continue;
        }
        // Rebuild from the key and FOR texts of the header (or give up when unreadable).
        std::string keyText, forText;
        bool unique = false, desc = false;
        if (opened) {
            const tb::NtxInfo& i = t->order(t->orderCount()).info();
            keyText = i.keyExpr, forText = i.forExpr, unique = i.unique, desc = i.descending;
        }
        if (keyText.empty()) {
            std::printf("  cannot rebuild: the key expression is unreadable\n");
            ++bad;
            continue;
        }
        t->clearOrders();
        auto key = xb::xbase::callable(tool.rt, keyText);
        auto cond = forText.empty() ? tb::Expr() : xb::xbase::callable(tool.rt, forText);
        report.clear();
        if (key && t->createOrder(files[k], keyText, key, forText, cond, unique, desc) &&
            t->verifyOrder(t->orderCount(), report)) {
            std::printf("  rebuilt\n");
        } else {
            std::printf("  rebuild failed\n");
            ++bad;
        }
    }
    return bad ? 1 : 0;
}

int index(Tool& tool, const std::vector<std::string>& args) {
    std::vector<std::string> pos;
    std::string forText;
    bool unique = false, desc = false;
    for (std::size_t k = 0; k < args.size(); ++k) {
        if (args[k] == "--for" && k + 1 < args.size()) {
            forText = args[++k];
        } else if (args[k] == "--unique") {
            unique = true;
        } else if (args[k] == "--descending") {
            desc = true;
        } else {
            pos.push_back(args[k]);
        }
    }
    if (pos.size() != 3) return usage();
    tb::Table* t = tool.open(pos[0], true);
    if (!t) return 1;
    auto key = xb::xbase::callable(tool.rt, pos[2]);
    auto cond = forText.empty() ? tb::Expr() : xb::xbase::callable(tool.rt, forText);
    if (!key || (!forText.empty() && !cond)) return 1;
    if (!t->createOrder(pos[1], pos[2], key, forText, cond, unique, desc)) return 1;
    printOrder(*t, t->orderCount());
    t->commit();
    return tool.errors ? 1 : 0;
}
}  // namespace

int dbfCommand(int argc, char** argv) {
    if (argc < 2) return usage();
    std::string_view sub = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    try {
        Tool tool;
        if (sub == "info") return info(tool, args);
        if (sub == "dump") return dump(tool, args);
        if (sub == "verify") return verify(tool, args);
        if (sub == "index") return index(tool, args);
    } catch (const xb::rt::Break& b) {
        const xb::rt::XbError* e = xb::rt::errorOf(b.value);
        std::fprintf(stderr, "%s\n", e ? xb::rt::errorLine(*e).c_str() : "break");
        return 1;
    }
    return usage();
}

#else

int dbfCommand(int /*argc*/, char** /*argv*/) {
    std::fprintf(stderr, "xbtool dbf: not available in this build\n");
    return 2;
}

#endif
