#include <gtest/gtest.h>

#include "framework/util/htools.hpp"
#include "util_fixture.hpp"

TEST(TextTools, TrimDbSpaceAndSplitStr) {
    UtilFixture fx;
    expectAll(fx, {
                      {"H_TRIMDBSPACE('a  b   c ')", R"("a b c ")"},
                      {"H_TRIMDBSPACE(3)", "3"},
                      {"H_SPLITSTR('a;b;', ';')", R"({"a", "b"})"},
                      {"H_SPLITSTR('a;;b', ';')", R"({"a", "", "b"})"},
                      {"H_SPLITSTR(';a', ';')", R"({"", "a"})"},
                      {"H_SPLITSTR('', ';')", "{}"},
                      {"H_SPLITSTR('12.05-2016', , '.-')", R"({"12", "05", "2016"})"},
                      {"H_SPLITSTR('12.05-2016', , '-.')", "NIL"},
                      {"H_SPLITSTR('12.05.2016', , '.-')", "NIL"},  // "." twice
                      {"H_SPLITSTR('1.2;3.4', ';', '.')", R"({{"1", "2"}, {"3", "4"}})"},
                      {"H_SPLITSTR('1.2;34', ';', '.')", "NIL"},
                      {"H_SPLITSTR('a;b', ';', ';')", "NIL"},  // listSep among elemSeps
                      {"H_SPLITSTR('a;b', ';;')", "NIL"},
                      {"H_SPLITSTR('a;b', , '')", "NIL"},
                      {"H_SPLITSTR('a;b')", "NIL"},
                      {"H_SPLITSTR(NIL, ';')", "NIL"},
                      {"H_SPLITSTR(5, ';')", "NIL"},
                      {"H_SPLITSTR('a', 5)", "NIL"},
                  });
}

TEST(TextTools, CvCharReplacesDiacritics) {
    UtilFixture fx;
    expectAll(fx,
              {
                  {"H_CVCHAR(CHR(199) + CHR(140) + CHR(131) + CHR(173) + CHR(238))", R"("aiast")"},
                  {"H_CVCHAR(CHR(198) + CHR(215) + CHR(182) + CHR(184) + CHR(221))", R"("AIAST")"},
                  {"H_CVCHAR('abc' + CHR(200))", R"("abc\xC8")"},  // not a pair: kept
                  {"H_CVCHAR(CHR(128) + CHR(184), '852')", R"("CS")"},
                  {"H_CVCHAR(CHR(128) + CHR(130), '437')", R"("Ce")"},
                  {"H_CVCHAR(CHR(138) + CHR(170), '1250')", R"("SS")"},
                  {"H_CVCHAR('abc', {'ab', 'xy'})", R"("xyc")"},
                  {"H_CVCHAR('abc', 5)", R"("abc")"},  // any other type: the defaults
                  {"H_CVCHAR('abc', '999')", "STOP 1 tip parametru eronat in h_CvChar()"},
                  {"H_CVCHAR(5)", "STOP 1 tip parametru eronat in h_CvChar()"},
              });
    // Every folding string covers the 128 high bytes.
    for (const char* cp : {"852", "437", "1250"}) {
        EXPECT_EQ(xb::fw::htools::foldingString(cp).size(), 128u) << cp;
    }
}

TEST(TextTools, CvLocBuildsAKeyOutsideParentheses) {
    UtilFixture fx;
    expectAll(
        fx, {
                {"H_CVLOC('Iasi (jud. Iasi)')", R"#({"Iasi (jud. Iasi)", "AASA", {1, 2, 3, 4}})#"},
                {"H_CVLOC('Tg-Jiu 2')", R"({"Tg-Jiu 2", "TGJAU2", {1, 2, 4, 5, 6, 8}})"},
                {"H_CVLOC(CHR(238) + 'a')", R"({"\xEEa", "TA", {1, 2}})"},
                {"H_CVLOC(5)", R"({"", "", {}})"},
            });
}

TEST(TextTools, CvHtmlWritesCharacterReferences) {
    UtilFixture fx;
    expectAll(fx, {
                      {"H_CVHTML('a<b & c')", R"("a&#60;b &#38; c")"},
                      {"H_CVHTML('\"x\"' + CHR(39) + '>^~' + CHR(10))",
                       R"("&#34;x&#34;&#39;&#62;&#94;&#126;&#10;")"},
                      {"H_CVHTML('a<b', .F.)", R"("a<b")"},
                      {"H_CVHTML('a<b', {{'<', '&lt;'}})", R"("a&lt;b")"},
                      {"H_CVHTML(CHR(170), , '1250')", R"("&#350;")"},
                      {"H_CVHTML(CHR(129), , '1250')", R"(" ")"},  // undefined in code page 1250
                      {"H_CVHTML(CHR(198) + CHR(184), , '852')", R"("&#258;&#350;")"},
                      {"H_CVHTML(CHR(128), , '437')", R"("&#199;")"},
                      {"H_CVHTML(CHR(200), , '')", R"("\xC8")"},
                      {"H_CVHTML(CHR(200) + CHR(201), , {{CHR(200), 'E'}})", R"("E\xC9")"},
                      {"H_CVHTML(5)", "STOP 1 tip parametru eronat in h_CvHtml()"},
                      {"H_CVHTML('a', {})", "STOP 1 tip parametru eronat in h_CvHtml()"},
                      {"H_CVHTML('a', {{'<'}})", "STOP 1 tip parametru eronat in h_CvHtml()"},
                      {"H_CVHTML('a', 'x')", "STOP 1 tip parametru eronat in h_CvHtml()"},
                      {"H_CVHTML('a', , '999')", "STOP 1 tip parametru eronat in h_CvHtml()"},
                      {"H_CVHTML('a', , 852)", "STOP 1 tip parametru eronat in h_CvHtml()"},
                  });
    // Code page 852 maps every high byte to a defined character.
    for (int b = 128; b < 256; ++b) {
        EXPECT_NE(xb::fw::htools::unicodeOf("852", static_cast<unsigned char>(b)), 0) << b;
    }
}

TEST(TextTools, EolConvAndMarkup) {
    UtilFixture fx;
    expectAll(fx,
              {
                  {"H_EOLCONV('W', 'a' + CHR(10) + 'b' + CHR(13) + CHR(10) + 'c')",
                   R"("a\x0D\x0Ab\x0D\x0Ac")"},
                  {"H_EOLCONV('W', CHR(10) + 'a' + CHR(141) + CHR(10))", R"("\x0D\x0Aa\x8D\x0A")"},
                  {"H_EOLCONV('L', 'a' + CHR(13) + CHR(10) + 'b' + CHR(13))", R"("a\x0Ab\x0D")"},
                  {"H_EOLCONV('X', 'a' + CHR(10))", R"("a\x0A")"},
                  {"H_EOLCONV('W', 5)", "5"},
                  {"H_ISHTMXML('<a>x</a>')", ".T."},
                  {"H_ISHTMXML('< B >x</ b >')", ".T."},
                  {"H_ISHTMXML('<p><_x1/></_X1>')", ".T."},
                  {"H_ISHTMXML('a < b and c > d')", ".F."},
                  {"H_ISHTMXML('<x></y>')", ".F."},
                  {"H_ISHTMXML('</a><a>')", ".F."},
                  {"H_ISHTMXML('<1a></1a>')", ".F."},
                  {"H_ISHTMXML(5)", ".F."},
              });
}

TEST(TextTools, GetAtomAndTypeWithAliases) {
    UtilFixture fx;
    expectAll(fx, {
                      {"(n := '', {H_GETATOM('  abc1 x', 3, @n), n})", R"({.T., "abc1"})"},
                      {"(n := '?', {H_GETATOM('_a', , @n), n})", R"({.T., "_a"})"},
                      {"(n := '?', {H_GETATOM('1abc', 1, @n), n})", R"({.F., "?"})"},
                      {"H_GETATOM('abc', 9)", ".F."},
                      {"H_GETATOM('abc', 0)", ".F."},
                      {"H_TYPE('1 + 2')", R"("N")"},
                      {"H_TYPE('nosuchvar')", R"("U")"},
                      {"H_TYPE(5)", R"("U")"},
                  });
    using xb::fw::htools::parenthesizeAliases;
    EXPECT_EQ(parenthesizeAliases("comp->NAME + x ->y"), "(comp)->NAME + (x) ->y");
    EXPECT_EQ(parenthesizeAliases("'a->b' + (c)->d"), "'a->b' + (c)->d");
    EXPECT_EQ(parenthesizeAliases("m->x + Field->y"), "m->x + Field->y");
    EXPECT_EQ(fx.run("(x := 5, H_TYPE('M->x'))"), R"("N")");
}

TEST(TextTools, MlPosIsTheStandardMemoLinePosition) {
    UtilFixture fx;
    EXPECT_EQ(fx.run("H_MLPOS('abc def ghi', 4, 2)"), fx.run("MLPOS('abc def ghi', 4, 2)"));
    EXPECT_EQ(fx.run("H_MLPOS('abc def ghi', 4, 3)"), "9");
    EXPECT_EQ(fx.run("H_MLPOS(5)"), "1");
}
