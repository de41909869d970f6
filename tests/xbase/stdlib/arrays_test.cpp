#include <gtest/gtest.h>

#include "cases.hpp"

namespace {

TEST(ArrayBuild, ArrayAAddASizeATail) {
    EvalFixture ev;
    expectAll(ev, {
                      {"ARRAY(2)", "{NIL, NIL}"},
                      {"ARRAY(2, 3)", "{{NIL, NIL, NIL}, {NIL, NIL, NIL}}"},
                      {"ARRAY(0)", "{}"},
                      {"ARRAY()", "NIL"},
                      {"ARRAY(-1)", "E 1 BASE/1131 Argument error"},
                      {"ARRAY(1000000000)", "E 1 BASE/1131 Argument error"},
                      {"ARRAY(5000, 5000)", "E 1 BASE/1131 Argument error"},
                      {"ARRAY('x')", "E 1 BASE/1131 Argument error"},
                      {"AADD({1}, 2)", "2"},
                      {"AADD(NIL, 2)", "E 1 BASE/1123 Argument error"},
                      {"(a := {1}, AADD(a, {2}), a)", "{1, {2}}"},
                      {"ASIZE({1, 2, 3}, 2)", "{1, 2}"},
                      {"ASIZE({1}, 3)", "{1, NIL, NIL}"},
                      {"ASIZE({1}, -1)", "{}"},
                      {"ASIZE(5, 1)", "E 1 BASE/2023 Argument error"},
                      {"ATAIL({1, 2})", "2"},
                      {"ATAIL({})", "NIL"},
                  });
}

TEST(AScan, ValuesFollowSetExactAndBlocksGetElementAndIndex) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(ASCAN({"abc", "ab"}, "ab"))", "1"},  // non-exact: prefix of "abc"
                      {R"(ASCAN({"abc", "ab"}, ""))", "1"},
                      {R"(ASCAN({1, "1", 1.0}, "1"))", "2"},
                      {R"(ASCAN({1, 2, 3}, 3))", "3"},
                      {R"(ASCAN({1, 2, 3}, 4))", "0"},
                      {R"(ASCAN({1, 2, 1}, 1, 2))", "3"},
                      {R"(ASCAN({1, 2, 1}, 1, 2, 1))", "0"},
                      {R"(ASCAN({0d20240101}, 0d20240101))", "1"},
                      {R"(ASCAN({NIL, .T.}, .T.))", "2"},
                      {R"(ASCAN({NIL, .T.}, NIL))", "1"},
                      {R"(ASCAN({5, 6, 7}, {|x| x > 5}))", "2"},
                      {R"(ASCAN({5, 6, 7}, {|x, i| i == 3}))", "3"},
                      {R"(ASCAN({5, 6, 7}, {|x| "no"}))", "0"},
                      {R"(ASCAN(NIL, 1))", "0"},
                      {R"(ASCAN({}, 1))", "0"},
                      {R"(SET(1, .T.))", ".F."},
                      {R"(ASCAN({"abc", "ab "}, "ab"))", "2"},  // exact ignores trailing blanks
                      {R"(ASCAN({"abc"}, "ab"))", "0"},
                  });
}

TEST(ASort, DefaultOrderBlocksAndRanges) {
    EvalFixture ev;
    expectAll(ev, {
                      {"ASORT({3, 1, 2})", "{1, 2, 3}"},
                      {R"(ASORT({"b", "B", "a"}))", R"({"B", "a", "b"})"},
                      {"ASORT({0d20240102, 0d20240101})", "{0d20240101, 0d20240102}"},
                      {"ASORT({3, 1, 2}, , , {|x, y| x > y})", "{3, 2, 1}"},
                      {"ASORT({5, 4, 3, 2, 1}, 2, 3)", "{5, 2, 3, 4, 1}"},
                      {"ASORT({})", "{}"},
                      {"ASORT({{2, 'b'}, {1, 'a'}}, , , {|x, y| x[1] < y[1]})",
                       R"({{1, "a"}, {2, "b"}})"},
                      // A block that gives no logical answer keeps the order and ends.
                      {"ASORT({3, 1, 2}, , , {|x, y| NIL})", "{3, 1, 2}"},
                      {"ASORT({3, 1, 2}, , , {|x, y| .T.})", "{2, 1, 3}"},
                      {R"(ASORT({2, "a", 1, .T., NIL}))", R"({NIL, .T., 1, 2, "a"})"},
                  });
}

TEST(ASort, ABlockThatShrinksTheArrayCannotBreakTheSort) {
    EvalFixture ev;
    EXPECT_EQ(ev.repr("(a := {4, 3, 2, 1}, ASORT(a, , , {|x, y| ASIZE(a, 1), x < y}))"), "{1}");
}

TEST(AEvalACopyAClone, WalkCopyAndCloneDeeply) {
    EvalFixture ev;
    expectAll(ev, {
                      {"(s := 0, AEVAL({1, 2, 3}, {|x| s := s + x}), s)", "6"},
                      {"(s := 0, AEVAL({1, 2, 3}, {|x, i| s := s + i}, 2), s)", "5"},
                      {"(s := 0, AEVAL({1, 2, 3}, {|x| s := s + x}, 1, 2), s)", "3"},
                      {"(b := {1, 2, 3}, AEVAL(b, {|x| ASIZE(b, 1)}), b)", "{1}"},
                      {"AEVAL({1}, NIL)", "E 1 BASE/2017 Argument error"},
                      {"ACOPY({1, 2, 3}, {0, 0, 0, 0}, 2, 2, 3)", "{0, 0, 2, 3}"},
                      {"ACOPY({1, 2, 3}, {0})", "{1}"},
                      {"ACOPY({1, 2}, {0, 0}, 1, 2, 5)", "{0, 0}"},
                      {"(a := {1, {2}}, c := ACLONE(a), c[2][1] := 9, a)", "{1, {2}}"},
                      {"(a := {1}, c := ACLONE(a), AADD(a, 2), c)", "{1}"},
                      {"ACLONE(5)", "NIL"},
                  });
}

TEST(ADelAInsAFill, KeepTheSize) {
    EvalFixture ev;
    expectAll(ev, {
                      {"ADEL({1, 2, 3}, 2)", "{1, 3, NIL}"},
                      {"ADEL({1, 2, 3}, 5)", "{1, 2, 3}"},
                      {"ADEL({1, 2, 3}, 0)", "{1, 2, 3}"},
                      {"AINS({1, 2, 3}, 2)", "{1, NIL, 2}"},
                      {"AINS({1, 2, 3}, 9)", "{1, 2, 3}"},
                      {"AINS({}, 1)", "{}"},
                      {"AFILL(ARRAY(3), 0)", "{0, 0, 0}"},
                      {"AFILL({1, 2, 3}, 0, 2)", "{1, 0, 0}"},
                      {"AFILL({1, 2, 3}, 0, 2, 1)", "{1, 0, 3}"},
                  });
}

TEST(HbArrayVariants, ExactScanAndResizingDelIns) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(HB_ASCAN({"abc", "ab"}, "ab", , , .T.))", "2"},
                      {R"(HB_ASCAN({"abc", "ab"}, "ab"))", "1"},
                      {"HB_ADEL({1, 2, 3}, 2, .T.)", "{1, 3}"},
                      {"HB_ADEL({1, 2, 3}, 2)", "{1, 3, NIL}"},
                      {"HB_AINS({1, 2}, 1, 0, .T.)", "{0, 1, 2}"},
                      {"HB_AINS({1, 2}, 3, 0, .T.)", "{1, 2, 0}"},
                      {"HB_AINS({1, 2}, 1, 0)", "{0, 1}"},
                  });
}

TEST(AClone, ACycleIsClonedOnce) {
    EvalFixture ev;
    EXPECT_EQ(ev.repr("(a := {1}, AADD(a, a), c := ACLONE(a), LEN(c[2][2]))"), "2");
    EXPECT_EQ(ev.repr("c[2] == c"), ".T.");  // the clone refers to itself, not to a
    ev.eval("(ASIZE(a, 1), ASIZE(c, 1))");   // shared references: break the cycles
}

}  // namespace
