#include <gtest/gtest.h>

#include "runtime/date.hpp"
#include "runtime/number.hpp"
#include "runtime/value.hpp"

using namespace xb::rt;

TEST(FormatNumber, RoundsHalfAwayFromZeroAndOverflowsToStars) {
    struct Case {
        double v;
        int width, dec;
        const char* want;
    };
    static const Case cases[] = {
        {2.675, 10, 2, "      2.68"},  // decimal text rounding, not the binary neighbour
        {-2.5, 5, 0, "   -3"},
        {2.5, 3, 0, "  3"},
        {0.005, 6, 2, "  0.01"},
        {-0.004, 6, 2, "  0.00"},   // rounded to zero: no minus sign
        {999.996, 6, 2, "******"},  // 1000.00 does not fit
        {123456789012.0, 12, 0, "123456789012"},
        {1234.5, 3, 0, "***"},
        {0.0, 4, 1, " 0.0"},
        {99.95, 5, 1, "100.0"},
        {1e-20, 8, 3, "   0.000"},
        {839956162.43, 15, 2, "   839956162.43"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.want);
        EXPECT_EQ(formatNumber(c.v, c.width, c.dec), c.want);
    }
    EXPECT_DOUBLE_EQ(roundHalfAway(1.005, 2), 1.01);
    EXPECT_DOUBLE_EQ(roundHalfAway(-1250, -2), -1300);
}

TEST(Dates, JulianRoundTripsAndRejectsImpossibleDates) {
    EXPECT_EQ(julianOf(2000, 1, 1), 2451545);
    EXPECT_EQ(julianOf(2023, 2, 29), 0);
    EXPECT_EQ(julianOf(2024, 2, 29) - julianOf(2024, 2, 28), 1);
    EXPECT_EQ(dtos(stod("19991231")), "19991231");
    EXPECT_EQ(stod("        "), 0);
    EXPECT_EQ(stod("20241301"), 0);
    EXPECT_EQ(dtos(0), "        ");
    EXPECT_EQ(dayOfWeek(julianOf(2026, 12, 11)), 6);  // a Friday
    for (std::int32_t j = julianOf(1899, 12, 25); j < julianOf(1900, 3, 5); ++j) {
        Ymd d = ymdOf(j);
        ASSERT_EQ(julianOf(d.year, d.month, d.day), j);
    }
}

TEST(Repr, CanonicalFormOfEveryType) {
    Value h = Value::newHash();
    h.hash().set(Value("B"), Value::integer(2));
    h.hash().set(Value("A"), Value(true));
    struct Case {
        Value v;
        const char* want;
    };
    const Case cases[] = {
        {Value(), "NIL"},
        {Value("a\"b\\c\x01\xE9"), R"("a\"b\\c\x01\xE9")"},
        {Value::integer(-42), "-42"},
        {Value::number(1.0 / 3, 2), "0.33"},
        {Value::date(0), "0d00000000"},
        {Value::date(julianOf(2016, 1, 31)), "0d20160131"},
        {Value(false), ".F."},
        {Value::newArray({Value::integer(1), Value("x"), Value::newArray()}), R"({1, "x", {}})"},
        {h, R"({"B" => 2, "A" => .T.})"},
        {Value::newHash(), "{=>}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.want);
        EXPECT_EQ(repr(c.v), c.want);
    }
}

TEST(Hash, KeepsInsertionOrderThroughReplaceAndErase) {
    Hash h;
    for (const char* k : {"x", "y", "z"}) h.set(Value(k), Value(k));
    h.set(Value("x"), Value::integer(1));  // replaced in place
    EXPECT_TRUE(h.erase(Value("y")));
    EXPECT_FALSE(h.erase(Value("y")));
    ASSERT_EQ(h.size(), 2u);
    EXPECT_EQ(h.at(0).first.str(), "x");
    EXPECT_EQ(h.find(Value("z")), 1u);
    EXPECT_EQ(h.find(Value("Z")), Hash::npos);  // keys are case-sensitive
    EXPECT_FALSE(h.set(Value::newArray(), Value()));
    EXPECT_NE(h.find(Value::integer(0)), 0u);
}
