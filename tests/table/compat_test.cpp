// Interchange with standard readers and writers: tables and orders the engine writes are read
// by python3-dbfread and Perl XBase (whose NTX reader walks our orders), and a table written by
// python3-dbf is read by the engine. Skipped where a tool is not installed.
#include <gtest/gtest.h>

#include <cstdio>

#include "runtime/date.hpp"
#include "table/table_test_util.hpp"

namespace xb::table::test {
namespace {

const char* kPython = "/usr/bin/python3";

std::string run(const std::string& cmd) {
    std::string out;
    if (FILE* p = ::popen((cmd + " 2>&1").c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

bool have(const std::string& probe) {
    return run(probe + " && echo yes").find("yes") != std::string::npos;
}

// A table with every field type, a wide character field, memos and a deleted record, plus an
// order of 400 keys (several levels of pages).
void writeSample(Engine& e, const TempFolder& tmp, MemoKind memo, const std::string& name) {
    ASSERT_TRUE(Table::create(e.rt, tmp.file(name + ".DBF"),
                              {{"NAME", 'C', 12, 0},
                               {"AMT", 'N', 10, 2},
                               {"DAY", 'D', 8, 0},
                               {"OK", 'L', 1, 0},
                               {"NOTE", 'M', 10, 0},
                               {"WIDE", 'C', 300, 0}},
                              memo));
    ASSERT_TRUE(e.wa().use(1, tmp.file(name), "", {}));
    Table& t = *e.wa().table();
    for (int i = 0; i < 400; ++i) {
        t.append();
        t.putField(0, rt::Value("n" + std::to_string((i * 7919) % 400)));
        t.putField(1, num(i * 1.25 - 100, 10, 2));
        t.putField(2, rt::Value::date(i % 3 ? rt::julianOf(2016, 1 + i % 12, 1 + i % 28) : 0));
        if (i % 4) t.putField(3, rt::Value(i % 2 == 0));
        if (i % 5 == 0) t.putField(4, rt::Value("memo " + std::to_string(i) + "\r\nline 2"));
        t.putField(5, rt::Value(std::string(290, 'w') + std::to_string(i)));
        if (i == 7) t.deleteRecord();
    }
    ASSERT_TRUE(t.createOrder(tmp.file(name + ".NTX"), "NAME", fieldKey(e, 1, "NAME"), "", nullptr,
                              false, false));
    e.wa().closeArea(1);
}

TEST(Compatibility, DbfreadReadsOurTablesAndMemos) {
    if (!have(std::string(kPython) + " -c 'import dbfread'"))
        GTEST_SKIP() << "python3-dbfread missing";
    for (MemoKind memo : {MemoKind::Dbt, MemoKind::Fpt}) {
        SCOPED_TRACE(memo == MemoKind::Dbt ? "DBT" : "FPT");
        TempFolder tmp;
        Engine e;
        writeSample(e, tmp, memo, "SAMPLE");
        writeFile(tmp.file("read.py"), R"(import sys, dbfread
t = dbfread.DBF(sys.argv[1], load=True, char_decode_errors='replace')
rows = t.records + t.deleted
print(len(t.records), len(t.deleted), t.header.numrecords)
r = t.records[0]
print(repr(r['NAME']), repr(r['AMT']), r['DAY'], r['OK'], repr(r['NOTE']), len(r['WIDE']))
r = t.records[2]
print(repr(r['NAME']), repr(r['AMT']), r['DAY'], r['OK'], repr(r['NOTE']), r['WIDE'][-3:])
print(sum(1 for r in rows if r['NOTE']))
)");
        std::string out =
            run(std::string(kPython) + " " + tmp.file("read.py") + " " + tmp.file("SAMPLE.DBF"));
        EXPECT_EQ(out,
                  "399 1 400\n"
                  "'n0' -100.0 None None 'memo 0\\r\\nline 2' 291\n"  // blanks trimmed
                  "'n238' -97.5 2016-03-03 True None ww2\n"
                  "80\n");
    }
}

TEST(Compatibility, PerlXBaseWalksOurOrders) {
    if (!have("perl -MXBase -e 1")) GTEST_SKIP() << "Perl XBase missing";
    TempFolder tmp;
    Engine e;
    writeSample(e, tmp, MemoKind::Dbt, "SAMPLE");
    writeFile(tmp.file("walk.pl"), R"(use XBase;
my $t = new XBase $ARGV[0] or die XBase->errstr;
my $c = $t->prepare_select_with_index($ARGV[1], "NAME") or die $t->errstr;
my ($n, $prev, $bad) = (0, "", 0);
while (my @d = $c->fetch) { $n++; $bad++ if $d[0] lt $prev; $prev = $d[0]; }
$c = $t->prepare_select_with_index($ARGV[1], "NAME", "AMT");
$c->find_eq("n25");
my @d = $c->fetch;
print "$n $bad $d[0] $d[1]\n";
)");
    std::string out = run("perl " + tmp.file("walk.pl") + " " + tmp.file("SAMPLE.DBF") + " " +
                          tmp.file("SAMPLE.NTX"));
    // 399 live records in order (the reader skips the deleted one); n25 is record 376.
    EXPECT_EQ(out, "399 0 n25 368.75\n");
}

TEST(Compatibility, EngineReadsATableWrittenByPythonDbf) {
    if (!have(std::string(kPython) + " -c 'import dbf'")) GTEST_SKIP() << "python3-dbf missing";
    TempFolder tmp;
    writeFile(tmp.file("write.py"), R"(import sys, dbf, datetime
t = dbf.Table(sys.argv[1], 'name C(10); amt N(8,2); day D; ok L; txt M', dbf_type='db3')
t.open(dbf.READ_WRITE)
t.append(('alpha', 12.5, datetime.date(2016, 2, 29), True, 'first memo'))
t.append(('beta', -3.25, None, False, ''))
t.append(('gamma', 0, datetime.date(1999, 12, 31), None, 'x' * 700))
dbf.delete(t[1])
t.close()
)");
    std::string out =
        run(std::string(kPython) + " " + tmp.file("write.py") + " " + tmp.file("py.dbf"));
    ASSERT_EQ(out, "");
    Engine e;
    e.rt.settings().deleted = false;
    ASSERT_TRUE(e.wa().use(1, tmp.file("PY.DBF"), "", {true, true}));  // found ignoring case
    Table& t = *e.wa().table();
    EXPECT_EQ(t.lastRec(), 3u);
    std::string rows;
    for (t.goTop(); !t.eof(); t.skip(1)) {
        for (int i = 0; i < t.fieldCount(); ++i) {
            rt::Value v;
            t.getField(i, v);
            std::string r = rt::repr(v);
            rows += (i ? " " : "") +
                    (r.size() > 40 ? r.substr(0, 10) + "..." + std::to_string(v.str().size()) : r);
        }
        rows += t.deleted() ? " *\n" : "\n";
    }
    EXPECT_EQ(rows,
              "\"alpha     \" 12.50 0d20160229 .T. \"first memo\"\n"
              "\"beta      \" -3.25 0d00000000 .F. \"\" *\n"
              "\"gamma     \" 0.00 0d19991231 .F. \"xxxxxxxxx...700\n");
    EXPECT_TRUE(e.errors.empty());
}

}  // namespace
}  // namespace xb::table::test
