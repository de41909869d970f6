#include "framework/core/dirdbf.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <filesystem>

#include "core_fixture.hpp"
#include "table/work_areas.hpp"

namespace xb::fw::testing {
namespace {

using rt::Value;

void setTime(const TempFolder& tmp, const std::string& rel, std::time_t t) {
    struct utimbuf ub {
        t, t
    };
    ::utime((tmp.path() / rel).c_str(), &ub);
}

// The MNAME of every record, in record order.
std::string names(rt::Runtime& rt) {
    table::Table* t = table::WorkAreas::of(rt).table(0);
    if (!t) return "<no table>";
    std::string r;
    for (bool ok = t->goTop(); ok && !t->eof(); t->skip(1)) {
        Value v;
        t->getField(t->fieldIndex("MNAME"), v);
        r += pathval::trimBlanks(v.str()) + ",";
        if (t->recNo() >= t->lastRec()) break;
    }
    return r;
}

TEST(DirDbf, CreatesFillsSortsFiltersAndRemoves) {
    TempFolder tmp;
    tmp.write("L/b.txt", "12");
    tmp.write("L/A.DBF", "");
    tmp.write("L/c.txt", "");
    tmp.write("L/A_VERY_LONG_NAME.TXT", "");
    std::filesystem::create_directory(tmp.path() / "L/SUB");
    setTime(tmp, "L/b.txt", 1000000000);
    setTime(tmp, "L/A.DBF", 1100000000);
    setTime(tmp, "L/c.txt", 1200000000);
    setTime(tmp, "L/A_VERY_LONG_NAME.TXT", 900000000);
    CoreFixture fx;
    ASSERT_EQ(fx.repr("H_DIRDBF", {Value::integer(1), "LIST"}), ".T.");
    EXPECT_TRUE(std::filesystem::exists(tmp.path() / "LIST.DBF"));
    table::Table* t = table::WorkAreas::of(fx.rt).table(0);
    ASSERT_NE(t, nullptr);
    EXPECT_FALSE(t->shared());
    ASSERT_EQ(t->fieldCount(), 5);
    EXPECT_EQ(t->field(0).name, "MNAME");
    EXPECT_EQ(t->field(3).type, 'N');
    EXPECT_EQ(t->field(3).len, 12);

    struct Case {
        const char* name;
        Value byDate;
        Value attrs;
        Value filter;
        const char* want;
    };
    auto onlyTxt = Value(rt::nativeBlock([](rt::Runtime&, std::span<const Value> a) {
        return Value(a[0].array().items[0].str().find(".txt") != std::string::npos);
    }));
    const Case cases[] = {
        {"listing order", Value(), Value(), Value(), "A.DBF,A_VERY_LONG_,b.txt,c.txt,"},
        {"by name key", false, Value(), Value(), "A.DBF,A_VERY_LONG_,b.txt,c.txt,"},
        {"newest first", true, Value(), Value(), "c.txt,A.DBF,b.txt,A_VERY_LONG_,"},
        {"with folders", false, "D", Value(), ".,..,A.DBF,A_VERY_LONG_,b.txt,c.txt,SUB,"},
        {"filtered", true, Value(), onlyTxt, "c.txt,b.txt,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(
            fx.repr("H_DIRDBF", {Value::integer(2), "L/*.*", Value(), c.byDate, c.attrs, c.filter}),
            ".T.");
        EXPECT_EQ(t->recNo(), 1u);  // on the first record
        EXPECT_EQ(names(fx.rt), c.want);
    }
    // keep: the new records follow the old ones
    fx.call("H_DIRDBF", {Value::integer(2), "L/b.txt"});
    fx.call("H_DIRDBF", {Value::integer(2), "L/c.txt", true});
    EXPECT_EQ(names(fx.rt), "b.txt,c.txt,");
    Value size, date;
    t->goTop();
    t->getField(t->fieldIndex("MSIZE"), size);
    t->getField(t->fieldIndex("MDATE"), date);
    EXPECT_EQ(rt::repr(size), "2");
    EXPECT_TRUE(date.isDate() && date.julian() != 0);

    EXPECT_EQ(fx.repr("H_DIRDBF", {Value::integer(3), "LIST"}), ".T.");
    EXPECT_EQ(table::WorkAreas::of(fx.rt).table(0), nullptr);
    EXPECT_FALSE(std::filesystem::exists(tmp.path() / "LIST.DBF"));
}

TEST(DirDbf, FailsWithoutATable) {
    TempFolder tmp;
    CoreFixture fx;
    EXPECT_EQ(fx.repr("H_DIRDBF", {Value::integer(2), "*.*"}), ".F.");
    EXPECT_EQ(fx.repr("H_DIRDBF", {Value::integer(9), "X"}), ".F.");
    EXPECT_EQ(fx.repr("H_DIRDBF", {"1", "X"}), ".F.");
}

}  // namespace
}  // namespace xb::fw::testing
