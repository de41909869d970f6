// Byte-exact checks of the DBF, DBT and FPT files the engine writes.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "runtime/date.hpp"
#include "runtime/number.hpp"
#include "table/table_test_util.hpp"

namespace xb::table::test {
namespace {

std::vector<Field> sampleFields() {
    return {{"NAME", 'C', 10, 0},
            {"AMT", 'N', 8, 2},
            {"DAY", 'D', 8, 0},
            {"OK", 'L', 1, 0},
            {"TXT", 'M', 10, 0}};
}

std::uint32_t le32(const std::string& b, std::size_t off) {
    auto u = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(b[off + i]));
    };
    return u(0) | u(1) << 8 | u(2) << 16 | u(3) << 24;
}

TEST(DbfFormat, CreateWritesTheClassicHeaderAndAnEmptyMemoFile) {
    TempFolder tmp;
    Engine e;
    ASSERT_TRUE(Table::create(e.rt, tmp.file("T.DBF"), sampleFields(), MemoKind::Dbt));
    std::string b = readFile(tmp.file("T.DBF"));
    ASSERT_EQ(b.size(), 32u + 5 * 32 + 1 + 1);
    EXPECT_EQ(static_cast<unsigned char>(b[0]), 0x83);
    EXPECT_EQ(le32(b, 4), 0u);
    EXPECT_EQ(static_cast<unsigned char>(b[8]) | static_cast<unsigned char>(b[9]) << 8, 193);
    EXPECT_EQ(static_cast<unsigned char>(b[10]) | static_cast<unsigned char>(b[11]) << 8, 38);
    EXPECT_EQ(b.substr(32, 11), std::string("NAME\0\0\0\0\0\0\0", 11));
    EXPECT_EQ(b[32 + 11], 'C');
    EXPECT_EQ(b[32 + 16], 10);
    EXPECT_EQ(b[64 + 11], 'N');
    EXPECT_EQ(b[64 + 16], 8);
    EXPECT_EQ(b[64 + 17], 2);
    EXPECT_EQ(b[192], 0x0D);
    EXPECT_EQ(b[193], 0x1A);
    std::string m = readFile(tmp.file("T.DBT"));
    ASSERT_EQ(m.size(), 512u);
    EXPECT_EQ(le32(m, 0), 1u);
    EXPECT_EQ(m[16], 3);

    ASSERT_TRUE(Table::create(e.rt, tmp.file("P.DBF"), {{"A", 'C', 3, 0}}, MemoKind::Dbt));
    EXPECT_EQ(static_cast<unsigned char>(readFile(tmp.file("P.DBF"))[0]), 0x03);
    ASSERT_TRUE(Table::create(e.rt, tmp.file("F.DBF"), sampleFields(), MemoKind::Fpt));
    EXPECT_EQ(static_cast<unsigned char>(readFile(tmp.file("F.DBF"))[0]), 0xF5);
    std::string f = readFile(tmp.file("F.FPT"));
    ASSERT_EQ(f.size(), 512u);
    EXPECT_EQ(f.substr(0, 8), std::string("\0\0\0\x08\0\0\0\x40", 8));
}

TEST(DbfFormat, WideCharacterFieldKeepsTheHighByteInTheDecimals) {
    TempFolder tmp;
    Engine e;
    ASSERT_TRUE(Table::create(e.rt, tmp.file("W.DBF"), {{"LONGTEXT", 'C', 300, 0}}));
    std::string b = readFile(tmp.file("W.DBF"));
    EXPECT_EQ(static_cast<unsigned char>(b[32 + 16]), 44);
    EXPECT_EQ(static_cast<unsigned char>(b[32 + 17]), 1);
    ASSERT_TRUE(e.wa().use(1, tmp.file("W"), "", {}));
    EXPECT_EQ(e.wa().table()->field(0).len, 300);
    EXPECT_EQ(e.wa().table()->header().recLen, 301);
}

TEST(DbfFormat, RecordsAreStoredAsClassicProgramsWriteThem) {
    TempFolder tmp;
    Engine e;
    ASSERT_TRUE(Table::create(e.rt, tmp.file("T.DBF"), sampleFields()));
    ASSERT_TRUE(e.wa().use(1, tmp.file("T"), "", {}));
    Table& t = *e.wa().table();
    ASSERT_TRUE(t.append());
    EXPECT_TRUE(t.putField(0, rt::Value("abc")));
    EXPECT_TRUE(t.putField(1, num(1.005, 10, 3)));  // rounds half away from zero: 1.01
    EXPECT_TRUE(t.putField(2, rt::Value::date(rt::julianOf(2024, 2, 29))));
    EXPECT_TRUE(t.putField(3, rt::Value(true)));
    EXPECT_TRUE(t.putField(4, rt::Value("memo text")));
    ASSERT_TRUE(t.append());  // a blank record
    ASSERT_TRUE(t.append());
    EXPECT_TRUE(t.putField(1, num(-2.5, 10, 1)));
    EXPECT_TRUE(t.putField(3, rt::Value(false)));
    e.wa().closeArea(1);
    EXPECT_TRUE(e.errors.empty());

    std::string b = readFile(tmp.file("T.DBF"));
    ASSERT_EQ(b.size(), 193u + 3 * 38 + 1);
    EXPECT_EQ(le32(b, 4), 3u);
    EXPECT_EQ(b.substr(193, 38), " abc           1.0120240229T         1");
    EXPECT_EQ(b.substr(193 + 38, 38), std::string(38, ' '));
    EXPECT_EQ(b.substr(193 + 76, 38), " " + std::string(10, ' ') + "   -2.50" +
                                          std::string(8, ' ') + "F" + std::string(10, ' '));
    EXPECT_EQ(b.back(), 0x1A);
    std::string m = readFile(tmp.file("T.DBT"));
    ASSERT_EQ(m.size(), 1024u);
    EXPECT_EQ(le32(m, 0), 2u);
    EXPECT_EQ(m.substr(512, 11), "memo text\x1A\x1A");

    // Read back: blank numeric 0, empty date, unset logical false.
    ASSERT_TRUE(e.wa().use(1, tmp.file("T"), "", {}));
    Table& r = *e.wa().table();
    rt::Value v;
    r.goTo(2);
    r.getField(1, v);
    EXPECT_EQ(v.numVal(), 0);
    EXPECT_EQ(v.num().width, 8);
    r.getField(2, v);
    EXPECT_EQ(v.julian(), 0);
    r.getField(3, v);
    EXPECT_FALSE(v.logical());
    r.goTo(1);
    r.getField(1, v);
    EXPECT_DOUBLE_EQ(v.numVal(), 1.01);
    EXPECT_EQ(v.num().decimals, 2);
    r.getField(4, v);
    EXPECT_TRUE(v.isMemo());
    EXPECT_EQ(v.str(), "memo text");
}

TEST(DbfFormat, NumberTooWideForTheFieldIsADataWidthError) {
    TempFolder tmp;
    Engine e;
    ASSERT_TRUE(Table::create(e.rt, tmp.file("T.DBF"), sampleFields()));
    ASSERT_TRUE(e.wa().use(1, tmp.file("T"), "", {}));
    Table& t = *e.wa().table();
    ASSERT_TRUE(t.append());
    EXPECT_TRUE(t.putField(1, num(12.5, 10, 2)));
    EXPECT_FALSE(t.putField(1, num(123456.5, 10, 2)));
    EXPECT_EQ(e.lastError(), "34/0");
    EXPECT_FALSE(t.putField(0, num(1, 10, 0)));
    EXPECT_EQ(e.lastError(), "33/0");
    rt::Value v;
    t.getField(1, v);
    EXPECT_DOUBLE_EQ(v.numVal(), 12.5);
}

TEST(MemoFiles, TextsGrowShrinkAndKeepEveryByte) {
    for (MemoKind kind : {MemoKind::Dbt, MemoKind::Fpt}) {
        SCOPED_TRACE(kind == MemoKind::Dbt ? "DBT" : "FPT");
        TempFolder tmp;
        Engine e;
        ASSERT_TRUE(Table::create(e.rt, tmp.file("M.DBF"), sampleFields(), kind));
        ASSERT_TRUE(e.wa().use(1, tmp.file("M"), "", {}));
        Table& t = *e.wa().table();
        std::string binary = kind == MemoKind::Fpt ? std::string("a\0b\x1A\xFFz", 6) : "a\tb\xFFz";
        std::vector<std::string> texts = {"short", std::string(600, 'x') + "end", "y", binary, ""};
        ASSERT_TRUE(t.append());
        ASSERT_TRUE(t.append());
        ASSERT_TRUE(t.putField(4, rt::Value("neighbour")));
        for (const auto& text : texts) {
            t.goTo(1);
            ASSERT_TRUE(t.putField(4, rt::Value(text)));
            t.goTo(2);
            t.goTo(1);
            rt::Value v;
            t.getField(4, v);
            EXPECT_EQ(v.str(), text);
            t.goTo(2);
            t.getField(4, v);
            EXPECT_EQ(v.str(), "neighbour");
        }
        EXPECT_TRUE(e.errors.empty());
    }
}

TEST(MemoFiles, FptBlocksAreBigEndianWithTypeAndLength) {
    TempFolder tmp;
    Engine e;
    ASSERT_TRUE(Table::create(e.rt, tmp.file("F.DBF"), {{"T", 'M', 10, 0}}, MemoKind::Fpt));
    ASSERT_TRUE(e.wa().use(1, tmp.file("F"), "", {}));
    Table& t = *e.wa().table();
    ASSERT_TRUE(t.append());
    ASSERT_TRUE(t.putField(0, rt::Value("ab")));
    e.wa().closeArea(1);
    std::string f = readFile(tmp.file("F.FPT"));
    ASSERT_EQ(f.size(), 576u);
    EXPECT_EQ(f.substr(0, 4), std::string("\0\0\0\x09", 4));
    EXPECT_EQ(f.substr(512, 10), std::string("\0\0\0\x01\0\0\0\x02"
                                             "ab",
                                             10));
    std::string d = readFile(tmp.file("F.DBF"));
    EXPECT_EQ(d.substr(32 + 32 + 1 + 1, 10), "         8");
}

}  // namespace
}  // namespace xb::table::test

namespace xb::table::test {
namespace {

TEST(DbfFormat, NumericFieldsMatchStrForEveryValue) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> mag(-7, 7);
    std::vector<double> values = {0,      -0.004, 0.005, 1.005, 2.675,
                                  -2.675, 0.5,    -0.5,  1e9,   123456.785};
    for (int i = 0; i < 20000; ++i) {
        double v = std::pow(10.0, mag(rng)) * (rng() % 2 ? 1 : -1);
        if (i % 3 == 0) v = std::round(v * 1000) / 1000;  // many exact decimals and ties
        values.push_back(v);
    }
    for (double v : values) {
        for (auto [len, dec] : {std::pair{10, 2}, {15, 2}, {8, 0}, {12, 4}, {6, 3}}) {
            Field f{"N", 'N', len, dec};
            std::string got(static_cast<std::size_t>(len), '?');
            bool overflow = false;
            ASSERT_TRUE(encodeField(f, rt::Value::number(v, 20, 6), got.data(), overflow));
            std::string want = rt::formatNumber(v, len, dec);
            if (want[0] == '*') {
                EXPECT_TRUE(overflow) << v;
            } else {
                EXPECT_EQ(got, want) << v << " " << len << "," << dec;
            }
        }
    }
}

}  // namespace
}  // namespace xb::table::test
