#include <gtest/gtest.h>

#include "framework/util/htools.hpp"
#include "framework/util/util.hpp"
#include "runtime/date.hpp"
#include "runtime/runtime.hpp"

using namespace xb;
using rt::Value;

namespace {
Value call(rt::Runtime& r, const char* name, std::initializer_list<Value> args) {
    return r.call(name, args);
}
}  // namespace

TEST(WidthFitting, CutsLongTextsAndPadsShortOnes) {
    struct Case {
        const char* fn;
        Value v;
        int width;
        Value fill;
        const char* want;
    };
    const Case cases[] = {
        {"H_PADR", Value("abcdefghij"), 5, Value(), "abcde"},
        {"H_PADL", Value("abcdefghij"), 5, Value(), "abcde"},  // no right alignment when long
        {"H_PADC", Value("abcdefghij"), 5, Value(), "abcde"},  // no centring when long
        {"H_PADR", Value("ab"), 5, Value(), "ab   "},
        {"H_PADL", Value("ab"), 5, Value("*"), "***ab"},
        {"H_PADC", Value("ab"), 5, Value(), " ab  "},  // the odd blank goes right
        {"H_PADC", Value("ab"), 6, Value("."), "..ab.."},
        {"H_PADR", Value(""), 3, Value(), "   "},
        {"H_PADR", Value(), 3, Value(), "   "},
        {"H_PADR", Value::integer(42), 5, Value(), "42   "},
        {"H_PADL", Value::number(3.5, 2), 6, Value(), "  3.50"},
        {"H_PADR", Value(true), 4, Value(), ".T. "},
        {"H_PADR", Value("abc"), 0, Value(), ""},
        {"H_PADR", Value("abc"), -2, Value(), ""},
        {"H_PADL", Value("abc"), 3, Value(), "abc"},
        {"H_PADR", Value("ab"), 4, Value(""), "ab  "},
        {"H_PADR", Value("ab"), 4, Value::integer(5), "ab  "},  // a fill that is no text
        {"H_PADR", Value::memo("memo text"), 4, Value(), "memo"},
    };
    rt::Runtime r;
    fw::registerUtil(r);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fn) + " " + rt::repr(c.v) + " " + std::to_string(c.width));
        Value got = call(r, c.fn, {c.v, Value::integer(c.width), c.fill});
        EXPECT_EQ(rt::repr(got), rt::repr(Value(c.want)));
    }
}

TEST(WidthFitting, DatesUseTheStandardTextForm) {
    rt::Runtime r;
    fw::registerUtil(r);
    Value d = Value::date(rt::julianOf(2016, 3, 15));
    EXPECT_EQ(call(r, "H_PADR", {d, Value::integer(12)}).str(), "15/03/2016  ");
    EXPECT_EQ(call(r, "H_PADR", {Value::date(0), Value::integer(11)}).str(), "  /  /     ");
}

TEST(WidthFitting, ArraysAreJoinedAndBrokenAtTheirFirstLine) {
    struct Case {
        std::vector<Value> items;
        int width;
        Value fill;
        Value breaks;
        const char* want;
    };
    const Case cases[] = {
        {{Value(" Str. Lunga "), Value("nr. 5")}, 20, Value(), Value(), "Str. Lunga nr. 5    "},
        // broken after the last break character within the width, then trimmed and padded
        {{Value("Strada Mare"), Value("numarul 12")}, 15, Value(), Value(), "Strada Mare    "},
        {{Value("Strada"), Value("Mare")}, 9, Value(), Value(), "Strada   "},
        {{Value("abcdefghijkl")}, 5, Value(), Value(), "abcde"},    // no break character: cut
        {{Value("ab\r\ncd")}, 10, Value(), Value(), "ab        "},  // carriage return ends it
        {{Value("a"), Value("b")}, 5, Value("-"), Value(), "a-b--"},
        {{Value("x,y"), Value("zz")}, 4, Value(), Value(","), "x,  "},
        {{}, 3, Value(), Value(), "   "},
        {{Value::integer(5), Value(), Value("x")}, 6, Value(), Value(), "5  x  "},
    };
    rt::Runtime r;
    fw::registerUtil(r);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.want);
        Value got = call(r, "H_PADR",
                         {Value::newArray(c.items), Value::integer(c.width), c.fill, c.breaks});
        EXPECT_EQ(got.str(), c.want);
    }
}

TEST(WidthFitting, PadMPutsBlanksBetweenOrCutsBoth) {
    struct Case {
        Value left, right;
        int width;
        const char* want;
    };
    const Case cases[] = {
        {Value("Total"), Value("100"), 12, "Total    100"},
        {Value("Total"), Value("1000000"), 12, "Total1000000"},
        {Value("Total general"), Value("100"), 12, "Total genera"},
        {Value(), Value("100"), 5, "  100"},
        {Value("ab"), Value(), 4, "ab  "},
        {Value(), Value(), 2, "  "},
        {Value("ab"), Value("cd"), 0, ""},
    };
    rt::Runtime r;
    fw::registerUtil(r);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.want);
        EXPECT_EQ(call(r, "H_PADM", {c.left, c.right, Value::integer(c.width)}).str(), c.want);
    }
    // A width that is not a number fits to nothing.
    EXPECT_EQ(call(r, "H_PADL", {Value("ab"), Value("x")}).str(), "");
    EXPECT_EQ(call(r, "H_PADM", {Value("ab"), Value("cd")}).str(), "");
    // The typed forms agree with the bindings.
    EXPECT_EQ(fw::htools::padM("Total", "100", 12), "Total    100");
    EXPECT_EQ(fw::htools::padC("x", 4, "*"), "*x**");
}
