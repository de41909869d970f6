#include <gtest/gtest.h>

#include "cases.hpp"
#include "xbase/stdlib/stdlib.hpp"

namespace {

TEST(MemoLines, WrapAtBlanksBreakLongWordsAndPad) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(MEMOLINE("hello world foo", 10, 1))", R"("hello     ")"},
                      {R"(MEMOLINE("hello world foo", 10, 2))", R"("world foo ")"},
                      {R"(MLCOUNT("hello world foo", 10))", "2"},
                      {R"(MEMOLINE("abcdefghijklmnop", 10, 2))", R"("klmnop    ")"},
                      {R"(MLCOUNT("abcdefghijklmnop", 10))", "2"},
                      {R"(MEMOLINE("abcdefghij klm", 10, 2))", R"("klm       ")"},  // blank dropped
                      {R"(MLCOUNT("abcdefghij" + CHR(13) + CHR(10) + "k", 10))", "2"},
                      {R"(MEMOLINE("hello world foo", 10, 1, 4, .F.))", R"("hello worl")"},
                      {R"(MEMOLINE("hello world foo", 10, 2, 4, .F.))", R"("d foo     ")"},
                      {R"(MEMOLINE("a" + CHR(9) + "b", 10))", R"("a   b     ")"},
                      {R"(MEMOLINE("ab" + CHR(9) + "c", 10, 1, 8))", R"("ab      c ")"},
                      {R"(MEMOLINE("abc", 10, 5))", R"("")"},
                      {R"(MEMOLINE("abc", 10, 0))", R"("abc       ")"},
                  });
    // The default width is 79.
    EXPECT_EQ(ev.repr(R"(LEN(MEMOLINE("abc")))"), "79");
}

TEST(MemoLines, HardSoftAndLoneLineEnds) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(MLCOUNT(""))", "0"},
                      {R"(MLCOUNT("ab" + CHR(13) + CHR(10)))", "1"},
                      {R"(MLCOUNT(CHR(13) + CHR(10) + CHR(13) + CHR(10)))", "2"},
                      {R"(MLCOUNT("ab" + CHR(141) + CHR(10) + "cd"))", "2"},
                      {R"(MLCOUNT("ab" + CHR(10) + "cd"))", "2"},
                      {R"(MLCOUNT("ab" + CHR(13) + "cd"))", "1"},
                      {R"(MEMOLINE("ab" + CHR(13) + CHR(10) + "cd", 5, 2))", R"("cd   ")"},
                      {R"(MLPOS("ab" + CHR(13) + CHR(10) + "cd", 10, 2))", "5"},
                      {R"(MLPOS("abc", 10, 2))", "4"},
                      {R"(MLPOS("abc", 10, 1))", "1"},
                      {R"(MLPOS("hello world foo", 10, 2))", "7"},
                      {R"(MEMOTRAN("a" + CHR(13) + CHR(10) + "b" + CHR(141) + CHR(10) + "c"))",
                       R"("a;b c")"},
                      {R"(MEMOTRAN("a" + CHR(13) + CHR(10) + "b", "|"))", R"("a|b")"},
                      {R"(HARDCR("a" + CHR(141) + CHR(10) + "b"))", R"("a\x0D\x0Ab")"},
                      {R"(MLCOUNT(5))", "0"},  // not a text: nothing to count
                      {R"(MEMOLINE(NIL, 5))", R"("")"},
                  });
}

TEST(MemoLines, DegenerateWidthsStillEnd) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(MLCOUNT("abc", 0))", "1"},  // width 0 means the default
                      {R"(MLCOUNT("abc", -5))", "1"},
                      {R"(MLCOUNT("abc", 1))", "3"},
                      {R"(MLCOUNT(CHR(9) + CHR(9), 1))", "2"},
                      {R"(MLCOUNT("a b", 2, 8))", "2"},
                      {R"(MLCOUNT("abc def", "x", NIL, "y"))", "1"},  // not numbers: defaults
                  });
}

// Script lines are cut with width 254 and tab 4: a longer line breaks after its last blank
// before column 254 and each piece is a line; the next line starts where MLPos says.
TEST(MemoLines, ScriptWidthSplitsAtTheLastBlank) {
    using namespace xb::stdlib;
    std::string first(250, 'a');
    std::string text = first + " bbbbbbbbbb #IF x\r\nnext\r\n";
    MemoLayout l{254, 4, true};
    EXPECT_EQ(mlCount(text, l), 3);
    EXPECT_EQ(rTrim(memoLine(text, l, 1)), first);
    EXPECT_EQ(rTrim(memoLine(text, l, 2)), "bbbbbbbbbb #IF x");
    EXPECT_EQ(mlPos(text, l, 2), 252);
    EXPECT_EQ(text.substr(static_cast<std::size_t>(mlPos(text, l, 3)) - 1), "next\r\n");
    EXPECT_EQ(mlPos(text, l, 9), static_cast<long long>(text.size()) + 1);
}

}  // namespace
