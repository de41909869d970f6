// W5: a stored formula evaluated 1,000,000 times: for each of 1,000 rows, 1,000 evaluations
// of IF(E5A0="V",T2I31,T2I11+T2I21+T2I25), each result added to a sum.
//   W5M  every evaluation goes through the text (the & macro path, cache included)
//   W5B  the text is compiled once into a code block, each evaluation runs the block
//   W50  the same loops without evaluating
// The rows come from DECL.DBF when the folder has one and the table engine is built in;
// otherwise from 1,000 rows generated in memory with the same fields, read as memory
// variables (same names, so the formula cannot tell).
#include <cstdint>
#include <cstdio>
#include <vector>

#include "runtime/runtime.hpp"
#include "xbase/xbase.hpp"
#include "xbbench.hpp"

namespace xb::bench {

namespace {

constexpr const char* kFormula = "IF(E5A0=\"V\",T2I31,T2I11+T2I21+T2I25)";
constexpr int kRows = 1000;
constexpr int kPerRow = 1000;

struct Row {
    bool v;
    double t11, t21, t25, t31;
};

// Deterministic rows: half "V", half "C"; amounts in cents below 100,000.00.
std::vector<Row> memoryRows() {
    std::vector<Row> rows;
    std::uint64_t s = 0x9E3779B97F4A7C15ull;
    auto amount = [&]() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<double>(s % 10000000) / 100.0;
    };
    for (int i = 0; i < kRows; ++i) {
        Row r;
        r.v = (i % 2) == 0;
        r.t11 = amount();
        r.t21 = amount();
        r.t25 = amount();
        r.t31 = amount();
        rows.push_back(r);
    }
    return rows;
}

RowSource memorySource(rt::Runtime& rt, std::vector<Row>& rows) {
    rows = memoryRows();
    rt::Symbol e5a0 = rt.intern("E5A0"), t11 = rt.intern("T2I11"), t21 = rt.intern("T2I21"),
               t25 = rt.intern("T2I25"), t31 = rt.intern("T2I31");
    RowSource src;
    src.records = kRows;
    src.load = [&rt, &rows, e5a0, t11, t21, t25, t31](int rec) {
        const Row& r = rows[static_cast<std::size_t>(rec)];
        auto amount = [](double v) { return rt::Value::number(v, 15, 2); };
        rt.assignVar(e5a0, rt::Value(r.v ? "V" : "C"));
        rt.assignVar(t11, amount(r.t11));
        rt.assignVar(t21, amount(r.t21));
        rt.assignVar(t25, amount(r.t25));
        rt.assignVar(t31, amount(r.t31));
    };
    return src;
}

}  // namespace

int runFormulaWorkload(std::string_view name, const std::string& dir) {
    if (name != "W5M" && name != "W5B" && name != "W50") return -1;
    rt::Runtime rt;
    xbase::registerCore(rt);
    std::vector<Row> rows;
    RowSource src;
    if (openDeclRows == nullptr || !openDeclRows(rt, dir, src)) src = memorySource(rt, rows);
    long long evaluations = 0;
    double sum = 0;
    try {
        if (name == "W5M") {
            for (int rec = 0; rec < src.records; ++rec) {
                src.load(rec);
                for (int i = 0; i < kPerRow; ++i) {
                    rt::Value v = xbase::evaluate(rt, kFormula);
                    if (v.isNumber()) sum += v.numVal();
                    ++evaluations;
                }
            }
        } else if (name == "W5B") {
            rt::Value block = xbase::blockFromText(rt, std::string("{||") + kFormula + "}");
            for (int rec = 0; rec < src.records; ++rec) {
                src.load(rec);
                for (int i = 0; i < kPerRow; ++i) {
                    rt::Value v = rt.eval(block);
                    if (v.isNumber()) sum += v.numVal();
                    ++evaluations;
                }
            }
        } else {
            for (int rec = 0; rec < src.records; ++rec) {
                src.load(rec);
                for (int i = 0; i < kPerRow; ++i) ++evaluations;
            }
        }
    } catch (const rt::Break& b) {
        const rt::XbError* e = rt::errorOf(b.value);
        std::fprintf(stderr, "xbbench %.*s: %s\n", static_cast<int>(name.size()), name.data(),
                     e ? rt::errorLine(*e).c_str() : "break");
        return 1;
    }
    std::printf("evaluations %lld\n", evaluations);
    if (name != "W50") std::printf("sum %.2f\n", sum);
    return 0;
}

}  // namespace xb::bench
