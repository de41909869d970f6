// The table workloads (W1, W1X, W2, W2X, W3, W4X, W4S), the DECL rows of W5 and the data
// folder generator (`xbbench gen DIR`).
//
// The generator is deterministic (a fixed-seed generator): the same program writes the same
// folder. Its shape follows the workload descriptions: FAC (1,000,000 invoices, DBT memo,
// FACD/FACN/FACJ orders), W2KEYS.TXT, DECL, JRNL0/ (the empty journal with JR1..JR3; W4 works
// on the copy in DIR itself, which the timing harness refreshes from JRNL0/ before each run),
// and CAT/ (a file catalogue and 200 small tables with three orders each).
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/date.hpp"
#include "runtime/number.hpp"
#include "table/work_areas.hpp"
#include "xbase/xbase.hpp"
#include "xbbench.hpp"
#if __has_include("xbase/stdlib/stdlib.hpp")
#include "xbase/stdlib/stdlib.hpp"
#define XB_BENCH_STDLIB 1
#endif

namespace xb::bench {

namespace {
using rt::Value;
using table::Field;
using table::Table;

// --- deterministic random numbers ---
struct Rng {
    std::uint64_t s;
    explicit Rng(std::uint64_t seed) : s(seed) {}
    std::uint64_t next() {
        s += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = s;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    double unit() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }
    bool chance(double p) { return unit() < p; }
};

std::string digits(Rng& r, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s.push_back(static_cast<char>('0' + r.below(10)));
    return s;
}

std::string zeroPad(long long v, int width) {
    std::string s = std::to_string(v);
    if (static_cast<int>(s.size()) < width)
        s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
    return s;
}

void setupRuntime(rt::Runtime& rt) {
    xbase::registerCore(rt);
#if defined(XB_BENCH_STDLIB)
    stdlib::registerStdlib(rt);
#endif
    table::WorkAreas& wa = table::WorkAreas::of(rt);
    wa.setCompiler([&rt](const std::string& text) { return xbase::callable(rt, text); });
    rt.setErrorBlock(Value(rt::nativeBlock([](rt::Runtime&, std::span<const Value> a) {
        if (!a.empty())
            if (const rt::XbError* e = rt::errorOf(a[0]))
                std::fprintf(stderr, "%s: %s\n", rt::errorLine(*e).c_str(), e->fileName.c_str());
        return Value(false);
    })));
}

std::string path(const std::string& dir, const char* name) { return dir + "/" + name; }

// A key from fixed slices of the record bytes (generator orders need no evaluator).
table::Expr sliceKey(Table& t, std::vector<std::pair<int, int>> parts) {
    return [&t, parts] {
        std::string k;
        for (auto [off, len] : parts)
            k.append(t.recordBytes() + off, static_cast<std::size_t>(len));
        return Value(k);
    };
}

int fieldOffset(Table& t, const char* name) { return t.field(t.fieldIndex(name)).offset; }

// --- FAC ---

const char* kWords1[] = {"DUNAREA", "CARPATI",      "MURES",   "SOMES",  "OLTUL",
                         "BUCEGI",  "TRANSILVANIA", "MOLDOVA", "DELTA",  "ARGES",
                         "CRISUL",  "TIMIS",        "PRAHOVA", "SIRETUL"};
const char* kWords2[] = {"TRANS", "COM",  "IMPEX",   "CONSTRUCT", "DISTRIBUTIE", "AGRO",
                         "SERV",  "PROD", "TRADING", "LOGISTIC",  "MEDIA",       "TEHNO"};
const char* kSurnames[] = {"POPESCU",  "IONESCU", "POP",     "RADU",   "DUMITRU",  "STAN", "STOICA",
                           "GHEORGHE", "MATEI",   "CIOBANU", "ROTARU", "MUNTEANU", "LUPU"};
const char* kFirst[] = {"MARIA", "ION",   "ELENA",  "GHEORGHE", "ANA", "VASILE",
                        "IOANA", "MIHAI", "ANDREI", "CRISTINA", "DAN", "ALEXANDRU"};
const char* kOperators[] = {"ADMIN", "MARIA", "GEORGE", "ELENA", "DAN", "VIORICA", "CRISTI"};
const char* kOrdinary[] = {"Termen de plata: 30 zile de la data facturii",
                           "Livrare conform contract nr. 1243/2011",
                           "Marfa se transporta pe riscul cumparatorului",
                           "Plata prin ordin de plata in contul IBAN indicat",
                           "Garantie 24 luni de la data livrarii",
                           "Factura circula fara semnatura si stampila",
                           "Comanda telefonica din data emiterii"};

struct Partner {
    bool company;
    std::string code, name, fiscal;
};

std::vector<Partner> partners(Rng& r) {
    std::vector<Partner> ps;
    for (int i = 0; i < 5000; ++i) {
        Partner p;
        p.company = r.chance(0.9);
        if (p.company) {
            p.code = "C" + zeroPad(i + 1, 5);
            p.name = std::string("SC ") + kWords1[r.below(14)] + " " + kWords2[r.below(12)] +
                     (r.chance(0.8) ? " SRL" : " SA");
            p.fiscal = "RO" + digits(r, 8);
        } else {
            p.code = "P" + zeroPad(i + 1, 5);
            p.name = std::string(kSurnames[r.below(13)]) + " " + kFirst[r.below(12)];
            p.fiscal = std::to_string(1 + r.below(2)) + digits(r, 12);
        }
        ps.push_back(std::move(p));
    }
    return ps;
}

std::string memoText(Rng& r) {
    std::string t;
    auto addLine = [&](const std::string& l) {
        if (!t.empty()) t += "\r\n";
        t += l;
    };
    double k = r.unit();
    if (k < 0.22) {
        addLine("Numar bonuri fiscale: " + digits(r, 4) + ", " + digits(r, 4));
        addLine("Numar case de marcat: AMEF DA" + digits(r, 8));
        int more = 1 + r.below(2);
        for (int i = 0; i < more; ++i) addLine(kOrdinary[r.below(7)]);
    } else if (k < 0.24) {
        addLine("Numar bonuri fiscale: " + digits(r, 4));
        addLine(kOrdinary[r.below(7)]);
    } else {
        int lines = 1 + r.below(4);
        for (int i = 0; i < lines; ++i) addLine(kOrdinary[r.below(7)]);
    }
    return t;
}

bool writeFac(rt::Runtime& rt, const std::string& dir, std::vector<std::string>& keys) {
    std::vector<Field> fields = {
        {"STARE", 'C', 1, 0},      {"TIP", 'C', 5, 0},       {"NRJUR", 'C', 5, 0},
        {"NRFAC", 'C', 10, 0},     {"DATAFAC", 'D', 8, 0},   {"NRRS", 'C', 10, 0},
        {"TIPBENEF", 'C', 1, 0},   {"CODBENEF", 'C', 10, 0}, {"DENBENEF", 'C', 40, 0},
        {"CODFISC", 'C', 13, 0},   {"GESTIUNE", 'C', 4, 0},  {"AGENT", 'C', 4, 0},
        {"OPTVA", 'C', 2, 0},      {"MONEDA", 'C', 3, 0},    {"CURS", 'N', 10, 4},
        {"VALINC", 'N', 15, 2},    {"VALICM", 'N', 15, 2},   {"VALVAL", 'N', 15, 2},
        {"SCADENTA", 'D', 8, 0},   {"ACHITAT", 'L', 1, 0},   {"TIPARIT", 'L', 1, 0},
        {"OPERATOR", 'C', 10, 0},  {"DATAOP", 'D', 8, 0},    {"DELEGAT", 'C', 30, 0},
        {"MIJTRANSP", 'C', 10, 0}, {"TXTLIB", 'M', 10, 0}};
    std::string fac = path(dir, "FAC.DBF");
    if (!Table::create(rt, fac, fields, table::MemoKind::Dbt)) return false;
    table::EngineState st;
    Table t(rt, st, 0);
    if (!t.open(fac, {})) return false;
    Rng r(20240229);
    std::vector<Partner> ps = partners(r);
    const char* journals[] = {"MVF", "MVF2", "VNZ", "EXP", "BON"};
    const char* series[] = {"MVF", "MVB", "VNZ", "EXP", "BF0"};
    const double journalP[] = {0.45, 0.20, 0.15, 0.08, 0.12};
    long long seq[5] = {0, 0, 0, 0, 0};
    const std::int32_t first = rt::julianOf(2010, 1, 3), last = rt::julianOf(2019, 12, 31);
    const int n = 1000000;
    keys.clear();
    keys.reserve(n);
    for (int i = 0; i < n; ++i) {
        double u = r.unit();
        int j = 0;
        for (double acc = journalP[0]; u >= acc && j < 4; acc += journalP[++j]) {
        }
        std::string tip =
            j == 4 ? "BVINZ" : (u = r.unit(), u < 0.9 ? "FACT " : (u < 0.95 ? "AVIZ " : "FACTS"));
        std::string nrjur = journals[j];
        nrjur.resize(5, ' ');
        std::string nrfac = std::string(series[j]) + zeroPad(++seq[j], 7);
        std::int32_t day =
            first + static_cast<std::int32_t>(static_cast<long long>(i) * (last - first) / n) +
            r.below(3) - 1;
        day = std::clamp(day, first, last);
        const Partner& p = ps[static_cast<std::size_t>(r.below(5000))];
        rt::Ymd ymd = rt::ymdOf(day);
        int rate = ymd.year < 2016 ? 24 : (ymd.year == 2016 ? 20 : 19);
        double v = r.unit();
        double amount = v < 0.5 ? 10 + r.unit() * 990
                                : (v < 0.85 ? 1000 + r.unit() * 9000 : 10000 + r.unit() * 90000);
        amount = rt::roundHalfAway(amount, 2);
        if (tip == "FACTS") amount = -amount;
        double ov = r.unit();
        std::string optva = ov < 0.85 ? "TN" : (ov < 0.90 ? "TI" : (ov < 0.95 ? "SC" : "NI"));
        double mv = r.unit();
        std::string moneda = mv < 0.9 ? "" : (mv < 0.98 ? "EUR" : "USD");
        double curs = moneda.empty() ? 0 : rt::roundHalfAway(4.2 + r.unit() * 0.5999, 4);
        double icm = optva == "TN" ? rt::roundHalfAway(amount * rate / (100.0 + rate), 2) : 0;
        double val = moneda.empty() ? 0 : rt::roundHalfAway(amount / curs, 2);
        const int scad[] = {0, 15, 30, 60};
        double sv = r.unit();
        std::string stare = sv < 0.95 ? "V" : (sv < 0.98 ? "A" : " ");

        t.append();
        int f = 0;
        t.putField(f++, Value(stare));
        t.putField(f++, Value(tip));
        t.putField(f++, Value(nrjur));
        t.putField(f++, Value(nrfac));
        t.putField(f++, Value::date(day));
        t.putField(f++, Value(r.chance(0.6) ? digits(r, 6) : std::string()));
        t.putField(f++, Value(p.company ? "C" : "P"));
        t.putField(f++, Value(p.code));
        t.putField(f++, Value(p.name));
        t.putField(f++, Value(p.fiscal));
        t.putField(f++, Value("G" + zeroPad(1 + r.below(12), 2)));
        t.putField(f++, Value("A" + zeroPad(1 + r.below(40), 3)));
        t.putField(f++, Value(optva));
        t.putField(f++, Value(moneda));
        t.putField(f++, Value::number(curs, 10, 4));
        t.putField(f++, Value::number(amount, 15, 2));
        t.putField(f++, Value::number(icm, 15, 2));
        t.putField(f++, Value::number(val, 15, 2));
        t.putField(f++, Value::date(day + scad[r.below(4)]));
        t.putField(f++, Value(r.chance(0.8)));
        t.putField(f++, Value(r.chance(0.97)));
        t.putField(f++, Value(kOperators[r.below(7)]));
        t.putField(f++, Value::date(day + r.below(4)));
        t.putField(f++, Value(r.chance(0.6)
                                  ? std::string(kSurnames[r.below(13)]) + " " + kFirst[r.below(12)]
                                  : std::string()));
        t.putField(f++,
                   Value(r.chance(0.5) ? "CJ " + zeroPad(1 + r.below(99), 2) + " " +
                                             std::string(1, static_cast<char>('A' + r.below(26))) +
                                             std::string(1, static_cast<char>('A' + r.below(26))) +
                                             std::string(1, static_cast<char>('A' + r.below(26)))
                                       : std::string()));
        if (r.chance(0.5)) t.putField(f, Value(memoText(r)));
        if (r.chance(0.01)) t.deleteRecord();
        keys.push_back(nrjur + nrfac);
    }
    t.flush();
    int od = fieldOffset(t, "DATAFAC"), oj = fieldOffset(t, "NRJUR"), on = fieldOffset(t, "NRFAC"),
        ot = fieldOffset(t, "TIP");
    bool ok = t.createOrder(path(dir, "FACD.NTX"), "DTOS(DATAFAC)+NRJUR+NRFAC",
                            sliceKey(t, {{od, 8}, {oj, 5}, {on, 10}}), "", nullptr, false, false) &&
              t.createOrder(path(dir, "FACN.NTX"), "TIP+NRFAC", sliceKey(t, {{ot, 5}, {on, 10}}),
                            "", nullptr, false, false) &&
              t.createOrder(path(dir, "FACJ.NTX"), "NRJUR+NRFAC", sliceKey(t, {{oj, 5}, {on, 10}}),
                            "", nullptr, false, false);
    t.close();
    return ok;
}

bool writeKeys(const std::string& dir, const std::vector<std::string>& keys) {
    Rng r(77);
    std::ofstream out(path(dir, "W2KEYS.TXT"), std::ios::binary);
    const char* journals[] = {"MVF  ", "MVF2 ", "VNZ  ", "EXP  ", "BON  "};
    const char* series[] = {"MVF", "MVB", "VNZ", "EXP", "BF0"};
    for (int i = 0; i < 100000; ++i) {
        if (r.chance(0.9)) {
            out << keys[static_cast<std::size_t>(r.below(static_cast<int>(keys.size())))] << '\n';
        } else {
            int j = r.below(5);
            out << journals[j] << series[j] << (9000000 + r.below(1000000)) << '\n';
        }
    }
    return static_cast<bool>(out);
}

bool writeDecl(rt::Runtime& rt, const std::string& dir) {
    std::vector<Field> fields = {
        {"E500", 'C', 7, 0},   {"E500AS", 'N', 5, 2}, {"E5", 'C', 1, 0},     {"E5A0", 'C', 1, 0},
        {"E5A01", 'C', 1, 0},  {"E5D1", 'C', 10, 0},  {"E5HB", 'N', 15, 2},  {"E5HT", 'N', 15, 2},
        {"T2I11", 'N', 15, 2}, {"T2I12", 'N', 15, 2}, {"T2I21", 'N', 15, 2}, {"T2I22", 'N', 15, 2},
        {"T2I25", 'N', 15, 2}, {"T2I26", 'N', 15, 2}, {"T2I31", 'N', 15, 2}};
    std::string file = path(dir, "DECL.DBF");
    if (!Table::create(rt, file, fields)) return false;
    table::EngineState st;
    Table t(rt, st, 0);
    if (!t.open(file, {})) return false;
    Rng r(5);
    for (int i = 0; i < 1000; ++i) {
        t.append();
        t.putField(0, Value(std::to_string(2016 + i / 120) + "." + zeroPad(1 + (i / 10) % 12, 2)));
        t.putField(1, Value::number(20, 5, 2));
        t.putField(2, Value(std::string(1, static_cast<char>('A' + r.below(3)))));
        t.putField(3, Value(i % 2 ? "C" : "V"));
        t.putField(4, Value("N"));
        t.putField(5, Value(digits(r, 10)));
        for (int f = 6; f < 15; ++f)
            t.putField(f, Value::number(rt::roundHalfAway(r.unit() * 99999.99, 2), 15, 2));
    }
    t.close();
    return true;
}

bool writeJournal(rt::Runtime& rt, const std::string& dir) {
    std::vector<Field> fields = {{"A1", 'C', 5, 0},    {"A2", 'C', 10, 0}, {"A3", 'D', 8, 0},
                                 {"B1", 'C', 5, 0},    {"B2", 'C', 10, 0}, {"B21", 'C', 10, 0},
                                 {"B3", 'D', 8, 0},    {"D0", 'C', 1, 0},  {"D1", 'C', 10, 0},
                                 {"D2", 'C', 40, 0},   {"D5", 'C', 13, 0}, {"E", 'C', 2, 0},
                                 {"H1", 'N', 15, 2},   {"H2", 'N', 15, 2}, {"H3", 'N', 15, 2},
                                 {"I1", 'N', 5, 2},    {"M0", 'C', 4, 0},  {"ST1", 'C', 1, 0},
                                 {"ST100", 'C', 7, 0}, {"TR", 'C', 1, 0},  {"ZZZZ", 'C', 1, 0}};
    for (const std::string& d : {path(dir, "JRNL0"), dir}) {
        ::mkdir(d.c_str(), 0777);
        std::string file = path(d, "JRNL.DBF");
        if (!Table::create(rt, file, fields)) return false;
        table::EngineState st;
        Table t(rt, st, 0);
        if (!t.open(file, {})) return false;
        int a1 = fieldOffset(t, "A1"), a2 = fieldOffset(t, "A2"), a3 = fieldOffset(t, "A3"),
            m0 = fieldOffset(t, "M0"), d0 = fieldOffset(t, "D0"), d1 = fieldOffset(t, "D1"),
            b3 = fieldOffset(t, "B3");
        bool ok =
            t.createOrder(path(d, "JR1.NTX"), "A1+A2+M0", sliceKey(t, {{a1, 5}, {a2, 10}, {m0, 4}}),
                          "", nullptr, false, false) &&
            t.createOrder(path(d, "JR2.NTX"), "DTOS(A3)+A1+A2",
                          sliceKey(t, {{a3, 8}, {a1, 5}, {a2, 10}}), "", nullptr, false, false) &&
            t.createOrder(path(d, "JR3.NTX"), "D0+D1+DTOS(B3)",
                          sliceKey(t, {{d0, 1}, {d1, 10}, {b3, 8}}), "", nullptr, false, false);
        t.close();
        if (!ok) return false;
    }
    return true;
}

bool writeCatalogue(rt::Runtime& rt, const std::string& dir) {
    std::string cat = path(dir, "CAT");
    ::mkdir(cat.c_str(), 0777);
    std::vector<Field> ff = {{"ALIAS", 'C', 4, 0},
                             {"NAME", 'C', 12, 0},
                             {"PATH", 'C', 60, 0},
                             {"USER", 'C', 40, 0},
                             {"OPEN", 'C', 10, 0}};
    for (int i = 1; i <= 8; ++i) ff.push_back({"INDF" + std::to_string(i), 'C', 12, 0});
    ff.push_back({"INDK1", 'C', 100, 0});
    ff.push_back({"PACK", 'L', 1, 0});
    ff.push_back({"SORTPACK", 'L', 1, 0});
    if (!Table::create(rt, path(cat, "FILES.DBF"), ff)) return false;
    table::EngineState st;
    Table files(rt, st, 0);
    if (!files.open(path(cat, "FILES.DBF"), {})) return false;
    files.append();
    files.putField(0, Value("file"));
    files.putField(1, Value("FILES"));
    files.putField(3, Value("CATALOG FISIERE"));
    files.putField(13, Value("ALIAS"));
    Rng r(200);
    for (int n = 1; n <= 200; ++n) {
        std::string nnn = zeroPad(n, 3), tb = "TB" + nnn;
        files.append();
        files.putField(0, Value("t" + nnn));
        files.putField(1, Value(tb));
        files.putField(3, Value("Tabela de lucru " + nnn));
        files.putField(4, Value(r.chance(0.5) ? "Mt" : ""));
        files.putField(5, Value(tb + "A"));
        files.putField(6, Value(tb + "B"));
        files.putField(7, Value(tb + "C"));
        files.putField(13, Value("COD"));
        std::vector<Field> tf = {{"COD", 'C', 10, 0}, {"DEN", 'C', 40, 0}, {"TIP", 'C', 2, 0},
                                 {"DATA", 'D', 8, 0}, {"VAL", 'N', 15, 2}, {"CANT", 'N', 12, 3},
                                 {"ACTIV", 'L', 1, 0}};
        int extra = r.below(9);
        for (int x = 1; x <= extra; ++x)
            tf.push_back({"X" + zeroPad(x, 2), 'C', 5 + r.below(30), 0});
        std::string file = path(cat, (tb + ".DBF").c_str());
        if (!Table::create(rt, file, tf)) return false;
        Table t(rt, st, 0);
        if (!t.open(file, {})) return false;
        int recs = r.below(2001);
        for (int i = 0; i < recs; ++i) {
            t.append();
            t.putField(0, Value("K" + zeroPad(r.below(1000000), 7)));
            t.putField(1, Value(std::string(kWords1[r.below(14)]) + " " + kWords2[r.below(12)]));
            t.putField(2, Value(std::string(1, static_cast<char>('A' + r.below(5))) + "1"));
            t.putField(3, Value::date(rt::julianOf(2015, 1, 1) + r.below(2000)));
            t.putField(4, Value::number(rt::roundHalfAway(r.unit() * 10000, 2), 15, 2));
            t.putField(5, Value::number(rt::roundHalfAway(r.unit() * 100, 3), 12, 3));
            t.putField(6, Value(r.chance(0.9)));
        }
        int cod = fieldOffset(t, "COD"), tip = fieldOffset(t, "TIP"), data = fieldOffset(t, "DATA");
        bool ok = t.createOrder(path(cat, (tb + "A.NTX").c_str()), "COD", sliceKey(t, {{cod, 10}}),
                                "", nullptr, false, false) &&
                  t.createOrder(path(cat, (tb + "B.NTX").c_str()), "TIP+COD",
                                sliceKey(t, {{tip, 2}, {cod, 10}}), "", nullptr, false, false) &&
                  t.createOrder(path(cat, (tb + "C.NTX").c_str()), "DTOS(DATA)+COD",
                                sliceKey(t, {{data, 8}, {cod, 10}}), "", nullptr, false, false);
        t.close();
        if (!ok) return false;
    }
    files.close();
    return true;
}

// --- workloads ---

int fail(const char* what) {
    std::fprintf(stderr, "xbbench: %s\n", what);
    return 1;
}

int w1(const std::string& dir, bool exclusive) {
    rt::Runtime rt;
    setupRuntime(rt);
    table::WorkAreas& wa = table::WorkAreas::of(rt);
    if (!wa.use(1, path(dir, "FAC"), "fac", {!exclusive, true})) return fail("cannot open FAC");
    auto cond = xbase::callable(rt, R"(TIP <> "BVINZ" .AND. YEAR(DATAFAC) >= 2016)");
    if (!cond) return fail("cannot compile the condition");
    Table& t = *wa.table(1);
    long long visited = 0, matched = 0;
    for (t.goTop(); !t.eof(); t.skip(1)) {
        ++visited;
        Value v = cond();
        if (v.isLogical() && v.logical()) ++matched;
    }
    std::printf("visited %lld\nmatched %lld\n", visited, matched);
    return 0;
}

int w2(const std::string& dir, bool exclusive) {
    rt::Runtime rt;
    setupRuntime(rt);
    table::WorkAreas& wa = table::WorkAreas::of(rt);
    if (!wa.use(1, path(dir, "FAC"), "fac", {!exclusive, true})) return fail("cannot open FAC");
    Table& t = *wa.table(1);
    for (const char* o : {"FACD", "FACN", "FACJ"})
        if (!t.addOrder(path(dir, o))) return fail("cannot open the FAC orders");
    t.setControllingOrder(3);
    std::ifstream in(path(dir, "W2KEYS.TXT"), std::ios::binary);
    if (!in) return fail("no W2KEYS.TXT");
    int valinc = t.fieldIndex("VALINC");
    long long seeks = 0, found = 0;
    double sum = 0;
    std::string line;
    Value key(std::string(15, ' ')), v;
    while (std::getline(in, line)) {
        key.strMut() = line;
        ++seeks;
        if (t.seek(key, false)) {
            ++found;
            t.getField(valinc, v);
            sum += v.numVal();
        }
    }
    std::printf("seeks %lld\nfound %lld\nsum %.2f\n", seeks, found, sum);
    return 0;
}

int w3(const std::string& dir) {
    rt::Runtime rt;
    setupRuntime(rt);
    table::WorkAreas& wa = table::WorkAreas::of(rt);
    if (!wa.use(1, path(dir, "FAC"), "fac", {false, false})) return fail("cannot open FAC");
    Table& t = *wa.table(1);
    for (const char* o : {"FACD", "FACN", "FACJ"})
        if (!t.addOrder(path(dir, o))) return fail("cannot open the FAC orders");
    t.setControllingOrder(1);
    t.seek(Value("2016"), true);
    int tip = t.fieldIndex("TIP"), txt = t.fieldIndex("TXTLIB");
    const std::string first = "Numar bonuri fiscale:", second = "Numar case de marcat:";
    long long visited = 0, read = 0, changed = 0, before = 0, after = 0;
    Value tv, mv;
    for (; !t.eof(); t.skip(1)) {
        ++visited;
        t.getField(tip, tv);
        if (tv.str() == "BVINZ") continue;
        t.getField(txt, mv);
        ++read;
        const std::string& s = mv.str();
        before += static_cast<long long>(s.size());
        std::size_t len = s.size();
        if (s.compare(0, first.size(), first) == 0) {
            std::size_t p = s.find("\r\n");
            if (p != std::string::npos && s.compare(p + 2, second.size(), second) == 0) {
                std::size_t q = s.find("\r\n", p + 2);
                if (q != std::string::npos) {
                    std::string rest = s.substr(q + 2);
                    len = rest.size();
                    t.putField(txt, Value::memo(std::move(rest)));
                    ++changed;
                }
            }
        }
        after += static_cast<long long>(len);
    }
    wa.closeAll();
    std::printf("visited %lld\nread %lld\nchanged %lld\nbytes_before %lld\nbytes_after %lld\n",
                visited, read, changed, before, after);
    return 0;
}

int w4(const std::string& dir, bool shared) {
    rt::Runtime rt;
    setupRuntime(rt);
    table::WorkAreas& wa = table::WorkAreas::of(rt);
    if (!wa.use(1, path(dir, "FAC"), "fac", {true, true})) return fail("cannot open FAC");
    if (!wa.use(2, path(dir, "JRNL"), "jrnl", {shared, false})) return fail("cannot open JRNL");
    Table& fac = *wa.table(1);
    Table& j = *wa.table(2);
    for (const char* o : {"JR1", "JR2", "JR3"})
        if (!j.addOrder(path(dir, o))) return fail("cannot open the JRNL orders");
    j.setControllingOrder(1);
    if (j.lastRec() != 0) return fail("JRNL is not empty: copy JRNL0/* into the folder first");
    auto fi = [&](const char* n) { return fac.fieldIndex(n); };
    auto ji = [&](const char* n) { return j.fieldIndex(n); };
    const int fNRJUR = fi("NRJUR"), fNRFAC = fi("NRFAC"), fDATAFAC = fi("DATAFAC"),
              fTIP = fi("TIP"), fNRRS = fi("NRRS"), fTIPB = fi("TIPBENEF"), fCODB = fi("CODBENEF"),
              fDENB = fi("DENBENEF"), fCODF = fi("CODFISC"), fOPTVA = fi("OPTVA"),
              fVALINC = fi("VALINC"), fVALICM = fi("VALICM");
    const int jA1 = ji("A1"), jA2 = ji("A2"), jA3 = ji("A3"), jB1 = ji("B1"), jB2 = ji("B2"),
              jB21 = ji("B21"), jB3 = ji("B3"), jD0 = ji("D0"), jD1 = ji("D1"), jD2 = ji("D2"),
              jD5 = ji("D5"), jE = ji("E"), jH1 = ji("H1"), jH2 = ji("H2"), jH3 = ji("H3"),
              jI1 = ji("I1"), jM0 = ji("M0"), jST1 = ji("ST1"), jST100 = ji("ST100"),
              jTR = ji("TR"), jZZZZ = ji("ZZZZ");
    long long count = 0;
    double sumH3 = 0;
    Value v, inc, icm, date;
    const Value m0("0001"), blank(" "), one("1");
    fac.goTop();
    for (; count < 200000 && !fac.eof(); fac.skip(1)) {
        if (!j.append()) return fail("append failed");
        fac.getField(fNRJUR, v), j.putField(jA1, v);
        fac.getField(fNRFAC, v), j.putField(jA2, v), j.putField(jB2, v);
        fac.getField(fDATAFAC, date), j.putField(jA3, date), j.putField(jB3, date);
        fac.getField(fTIP, v), j.putField(jB1, v);
        fac.getField(fNRRS, v), j.putField(jB21, v);
        fac.getField(fTIPB, v), j.putField(jD0, v);
        fac.getField(fCODB, v), j.putField(jD1, v);
        fac.getField(fDENB, v), j.putField(jD2, v);
        fac.getField(fCODF, v), j.putField(jD5, v);
        fac.getField(fOPTVA, v), j.putField(jE, v);
        fac.getField(fVALINC, inc);
        fac.getField(fVALICM, icm);
        j.putField(jH1, Value::number(inc.numVal() - icm.numVal(), 15, 2));
        j.putField(jH2, icm);
        j.putField(jH3, inc);
        rt::Ymd ymd = rt::ymdOf(date.julian());
        j.putField(jI1, Value::number(ymd.year < 2016 ? 24 : (ymd.year == 2016 ? 20 : 19), 5, 2));
        j.putField(jM0, m0);
        j.putField(jST1, blank);
        j.putField(jTR, blank);
        char st100[16];
        std::snprintf(st100, sizeof st100, "%04d.%02d", ymd.year, ymd.month);
        j.putField(jST100, Value(st100));
        j.putField(jZZZZ, one);
        sumH3 += inc.numVal();
        ++count;
    }
    long long records = j.lastRec();
    wa.closeAll();
    std::printf("records %lld\nsum_h3 %.2f\n", records, sumH3);
    return 0;
}
}  // namespace

bool openDeclRows(rt::Runtime& rt, const std::string& dir, RowSource& out) {
    std::string file = path(dir, "DECL.DBF");
    struct stat st;
    if (::stat(file.c_str(), &st) != 0) return false;
    table::WorkAreas& wa = table::WorkAreas::of(rt);
    if (!wa.use(0, file, "decl", {true, true})) return false;
    Table* t = wa.table();
    out.records = static_cast<int>(t->lastRec());
    out.load = [t](int rec) { t->goTo(static_cast<std::uint32_t>(rec + 1)); };
    return true;
}

int generateFolder(const std::string& dir) {
    ::mkdir(dir.c_str(), 0777);
    rt::Runtime rt;
    setupRuntime(rt);
    std::vector<std::string> keys;
    if (!writeFac(rt, dir, keys)) return fail("cannot write FAC");
    if (!writeKeys(dir, keys)) return fail("cannot write W2KEYS.TXT");
    if (!writeDecl(rt, dir)) return fail("cannot write DECL");
    if (!writeJournal(rt, dir)) return fail("cannot write JRNL");
    if (!writeCatalogue(rt, dir)) return fail("cannot write CAT");
    std::printf("folder %s\n", dir.c_str());
    return 0;
}

int runTableWorkload(std::string_view name, const std::string& dir) {
    if (name == "W1") return w1(dir, false);
    if (name == "W1X") return w1(dir, true);
    if (name == "W2") return w2(dir, false);
    if (name == "W2X") return w2(dir, true);
    if (name == "W3") return w3(dir);
    if (name == "W4X") return w4(dir, false);
    if (name == "W4S") return w4(dir, true);
    return -1;
}

}  // namespace xb::bench
