#include <gtest/gtest.h>

#include "cases.hpp"

namespace {

TEST(Regex, MatchSearchAndFullMatch) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"x(HB_REGEX("(\d+)-(\d+)", "ab 12-34 cd"))x", R"x({"12-34", "12", "34"})x"},
                      {R"x(HB_REGEX("x", "abc"))x", "{}"},
                      {R"x(HB_REGEX("A", "abc", .F.))x", R"x({"a"})x"},
                      {R"x(HB_REGEX("A", "abc"))x", "{}"},
                      {R"x(HB_REGEX("(a)|(b)", "b"))x", R"x({"b", "", "b"})x"},
                      {R"x(HB_REGEXHAS("b.", "abc"))x", ".T."},
                      {R"x(HB_REGEXMATCH("z", "abc"))x", ".F."},
                      {R"x(HB_REGEXLIKE("b.", "abc"))x", ".F."},
                      {R"x(HB_REGEXLIKE("a.c", "abc"))x", ".T."},
                      {R"x(HB_REGEXHAS("^b", "a" + CHR(10) + "b"))x", ".F."},
                      {R"x(HB_REGEXHAS("^b", "a" + CHR(10) + "b", .T., .T.))x", ".T."},
                      {R"x(HB_REGEXHAS("b", "a" + CHR(0) + "b"))x", ".T."},  // NUL is a byte
                      {R"x(HB_REGEX("(", "abc"))x", "E 1 BASE/3015 Invalid regular expression"},
                      {R"x(HB_REGEX(1, "abc"))x", "E 1 BASE/3012 Argument error"},
                      {R"x(HB_REGEX("a", NIL))x", "E 1 BASE/3012 Argument error"},
                  });
}

TEST(Regex, AllSplitReplaceAtx) {
    EvalFixture ev;
    expectAll(
        ev, {
                {R"x(HB_REGEXALL("\d", "a1b2c3"))x", R"x({{"1"}, {"2"}, {"3"}})x"},
                {R"x(HB_REGEXALL("(\w)(\d)", "a1 b2", , , , 3))x", R"x({"1", "2"})x"},
                {R"x(HB_REGEXALL("\d", "a1b2c3", , , 2))x", R"x({{"1"}, {"2"}})x"},
                {R"x(HB_REGEXALL("\d", "a1b2", , , , 1, .F.))x", R"x({{"1", 2, 2}, {"2", 4, 4}})x"},
                {R"x(HB_REGEXALL("x*", "ab"))x", R"x({{""}, {""}, {""}})x"},  // empty matches end
                {R"x(HB_REGEXALL("x", "ab"))x", "{}"},
                {R"x(HB_REGEXSPLIT(",\s*", "a, b,c"))x", R"x({"a", "b", "c"})x"},
                {R"x(HB_REGEXSPLIT(",", "abc"))x", R"x({"abc"})x"},
                {R"x(HB_REGEXSPLIT(",", "a,b,c", , , 1))x", R"x({"a", "b,c"})x"},
                {R"x(HB_REGEXREPLACE("(\d\d)/(\d\d)", "x 12/34 y 56/78", "$2-$1"))x",
                 R"x("x 34-12 y 78-56")x"},
                {R"x(HB_REGEXREPLACE("a", "banana", "${0}$$", , , 2))x", R"x("ba$na$na")x"},
                {R"x(HB_REGEXATX("b(c)", "abc"))x", R"x({{"bc", 2, 3}, {"c", 3, 3}})x"},
                {R"x(HB_REGEXATX("z", "abc"))x", "{}"},
            });
}

TEST(Regex, CompiledPatternsAreReusable) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"x((r := HB_REGEXCOMP("B+", .F.), VALTYPE(r)))x", R"x("O")x"},
                      {R"x(HB_REGEX(r, "abbc"))x", R"x({"bb"})x"},
                      {R"x(HB_REGEXSPLIT(r, "abbcBd"))x", R"x({"a", "c", "d"})x"},
                      {R"x(HB_REGEXCOMP("["))x", "E 1 BASE/3015 Invalid regular expression"},
                  });
}

// A page header of a printed list: form feed, CR, line ends, the company, the file name and
// a date; the date is found and replaced in every header.
TEST(Regex, ListHeaderDatesAreFoundAndReplaced) {
    EvalFixture ev;
    ev.eval(R"x(t := CHR(12) + CHR(13) + CHR(13) + CHR(10) + "  FIRMA SRL   LISTA1 31/01/24")x"
            R"x( + " Pag.   1" + CHR(13) + CHR(10) + "x" + CHR(12) + CHR(13))x"
            R"x( + "  FIRMA SRL   LISTA1 31/01/24 Pag.   2" + CHR(13) + CHR(10))x");
    ev.eval(
        R"x(p := CHR(12) + CHR(13) + "((?:\r\n)*) +FIRMA SRL.*LISTA1 (\d\d/\d\d/\d\d) Pag\. +\d+\r\n")x");
    expectAll(ev, {
                      {"LEN(HB_REGEXALL(p, t))", "2"},
                      {"HB_REGEXALL(p, t, , , , 3)", R"x({"31/01/24", "31/01/24"})x"},
                      {"LEN(HB_REGEXALL(p, STRTRAN(t, CHR(13) + CHR(10), CHR(10))))", "0"},
                  });
}

}  // namespace
