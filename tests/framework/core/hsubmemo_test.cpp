#include "framework/core/hsubmemo.hpp"

#include <gtest/gtest.h>

#include "core_fixture.hpp"

namespace xb::fw::testing {
namespace {

using rt::Value;

// Puts through the binding with the memo passed by reference; returns the result.
bool put(CoreFixture& fx, std::string& memo, const Value& name, const Value& text) {
    std::vector<Value> args = {Value(memo), name, text};
    std::vector<rt::Value*> refs = {&args[0], nullptr, nullptr};
    std::vector<Value> copy = args;
    Value r = fx.rt.call(fx.rt.findFunction("H_PUTSUBMEMO"), std::span<Value>(copy),
                         std::span<Value* const>(refs));
    memo = args[0].str();
    return r.logical();
}

TEST(PutSubMemo, WritesTheExactHeader) {
    CoreFixture fx;
    std::string memo;
    EXPECT_TRUE(put(fx, memo, "S_PARAM", "abc"));
    EXPECT_EQ(memo, "HSUBMEMO\r\nS_PARAM    31    0\r\nabc");
}

TEST(PutSubMemo, ReplacesAddsAndRemovesSections) {
    struct Step {
        const char* name;
        Value text;
        std::string want;
    };
    const Step steps[] = {
        {"A", "12", "HSUBMEMO\r\nA          31    0\r\n12"},
        {"B", "xyz", "HSUBMEMO\r\nA          51    0\r\nB          53    0\r\n12xyz"},
        {"A", "1234",  // a longer text moves the later starts
         "HSUBMEMO\r\nA          51    0\r\nB          55    0\r\n1234xyz"},
        {"LONGNAME9", "q",  // names are cut to 8
         "HSUBMEMO\r\nA          71    0\r\nB          75    0\r\nLONGNAME   78    0\r\n"
         "1234xyzq"},
        {"B", Value(), "HSUBMEMO\r\nA          51    0\r\nLONGNAME   55    0\r\n1234q"},
        {"a", "", "HSUBMEMO\r\nA          51    0\r\nLONGNAME   55    0\r\n1234q"},  // case
        {"LONGNAME", "", "HSUBMEMO\r\nA          31    0\r\n1234"},
        {"A", "", ""},  // no sections: the memo is empty
    };
    CoreFixture fx;
    std::string memo;
    for (const auto& s : steps) {
        SCOPED_TRACE(std::string(s.name) + " " + rt::repr(s.text));
        EXPECT_TRUE(put(fx, memo, s.name, s.text));
        EXPECT_EQ(memo, s.want);
    }
}

TEST(PutSubMemo, KeepsOtherSectionsCheckFieldsAndMemoType) {
    CoreFixture fx;
    std::string memo = "HSUBMEMO\r\nA          51    7\r\nB          53    0\r\n12xyz";
    EXPECT_TRUE(put(fx, memo, "B", "q"));
    EXPECT_EQ(memo, "HSUBMEMO\r\nA          51    7\r\nB          53    0\r\n12q");
    std::vector<Value> args = {Value::memo("")};
    std::vector<rt::Value*> refs = {&args[0]};
    std::vector<Value> call = {Value::memo(""), Value("X"), Value("t")};
    fx.rt.call(fx.rt.findFunction("H_PUTSUBMEMO"), std::span<Value>(call),
               std::span<Value* const>(refs));
    EXPECT_TRUE(args[0].isMemo());
}

TEST(PutSubMemo, RefusesToExceedTheSizeLimit) {
    CoreFixture fx;
    std::string memo;
    EXPECT_TRUE(put(fx, memo, "A", std::string(99999 - 30, 'a')));
    EXPECT_EQ(memo.size(), 99999u);
    const std::string before = memo;
    EXPECT_FALSE(put(fx, memo, "A", std::string(99999 - 29, 'a')));
    EXPECT_FALSE(put(fx, memo, "B", "b"));
    EXPECT_EQ(memo, before);
}

TEST(GetSubMemo, ReadsByName) {
    CoreFixture fx;
    const std::string memo = "HSUBMEMO\r\nA          51    0\r\nB          53    0\r\n12xyz";
    struct Case {
        Value memo, name;
        const char* want;
    };
    const Case cases[] = {
        {memo, "A", "12"},
        {memo, "B", "xyz"},
        {memo, "b", ""},  // case matters
        {memo, "C", ""},
        {"", "A", ""},
        {Value::integer(1), "A", ""},
        {memo, Value(), ""},
        {"PgDescr:hello" + std::string(27, ' '), "PgDescr:", "hello"},  // the older form
        {"PgDescr:" + std::string(32, ' '), "PgDescr:", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(rt::repr(c.memo) + " " + rt::repr(c.name));
        EXPECT_EQ(fx.repr("H_GETSUBMEMO", {c.memo, c.name}), rt::repr(Value(c.want)));
    }
}

TEST(PutSubMemo, ConvertsTheOlderForm) {
    CoreFixture fx;
    std::string memo = "PgDescr:hello" + std::string(27, ' ');
    EXPECT_TRUE(put(fx, memo, "X", "1"));
    EXPECT_EQ(memo, "HSUBMEMO\r\nPgDescr:   51    0\r\nX          56    0\r\nhello1");
}

TEST(SubMemo, DamagedMemoStops) {
    struct Case {
        const char* name;
        std::string memo;
        const char* section;
    };
    const Case cases[] = {
        {"not a section memo", "plain text", "A"},
        {"39-character PgDescr", "PgDescr:" + std::string(31, ' '), "PgDescr:"},
        {"cut header", "HSUBMEMO\r\nA    ", "A"},
        {"start not a number", "HSUBMEMO\r\nA          3x    0\r\nabc", "A"},
        {"start inside header", "HSUBMEMO\r\nA          21    0\r\nabc", "A"},
        {"start past the end", "HSUBMEMO\r\nA          51    0\r\nB          99    0\r\n12", "A"},
        {"starts out of order", "HSUBMEMO\r\nA          53    0\r\nB          51    0\r\n12xyz",
         "A"},
        {"line end missing", "HSUBMEMO\r\nA          31    0xxabc", "A"},
        {"check field of the section", "HSUBMEMO\r\nA          31    1\r\nabc", "A"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CoreFixture fx;
        auto s = fatalOf([&] { fx.call("H_GETSUBMEMO", {Value(c.memo), c.section}); });
        EXPECT_EQ(s.code, 1);
        EXPECT_EQ(s.message, "Submemo distrus");
        if (std::string(c.name) != "check field of the section") {
            std::string memo = c.memo;
            s = fatalOf([&] { put(fx, memo, "Z", "z"); });
            EXPECT_EQ(s.message, "Submemo distrus");
        }
    }
    CoreFixture fx;  // a bad check field elsewhere does not stop reading another section
    EXPECT_EQ(fx.repr("H_GETSUBMEMO",
                      {"HSUBMEMO\r\nA          51    1\r\nB          53    0\r\n12xyz", "B"}),
              R"("xyz")");
}

TEST(PutSubMemo, NonCharacterArgumentsAreArgumentErrors) {
    CoreFixture fx;
    int errors = 0;
    fx.rt.setErrorBlock(Value(rt::nativeBlock([&](rt::Runtime&, std::span<const Value>) {
        ++errors;
        return Value();
    })));
    std::string memo = "HSUBMEMO\r\nA          31    0\r\nabc";
    EXPECT_EQ(fx.repr("H_PUTSUBMEMO", {Value(memo), "A", Value::integer(1)}), "NIL");
    EXPECT_EQ(fx.repr("H_PUTSUBMEMO", {Value(memo), Value::integer(1), "x"}), "NIL");
    EXPECT_EQ(fx.repr("H_PUTSUBMEMO", {Value::integer(1), "A", "x"}), "NIL");
    EXPECT_EQ(errors, 3);
}

}  // namespace
}  // namespace xb::fw::testing
