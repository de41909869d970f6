#include "term/codepage.hpp"

#include <gtest/gtest.h>

#include <set>

namespace xb::term {
namespace {

const char* const kPages[] = {"RO852", "ROWIN", "HU852", "HUWIN"};

TEST(CodePage, EveryTranslationIsAPermutationThatRoundTrips) {
    for (const char* term : kPages)
        for (const char* host : kPages) {
            SCOPED_TRACE(std::string(term) + " <- " + host);
            auto tr = makeTranslation(term, host);
            ASSERT_TRUE(tr);
            std::set<int> targets;
            for (int b = 0; b < 256; ++b) {
                targets.insert(tr->out[static_cast<std::size_t>(b)]);
                EXPECT_EQ(tr->in[tr->out[static_cast<std::size_t>(b)]], b);
            }
            EXPECT_EQ(targets.size(), 256u);
            for (int b = 0; b < 128; ++b) EXPECT_EQ(tr->out[static_cast<std::size_t>(b)], b);
        }
    EXPECT_FALSE(makeTranslation("RO852", "KOI8"));
    EXPECT_FALSE(makeTranslation("", "ROWIN"));
}

TEST(CodePage, LettersKeepTheirLookAndBoxCharactersStay) {
    struct Case {
        const char* term;
        const char* host;
        std::u32string letters;
    };
    const Case cases[] = {
        {"RO852", "ROWIN", U"\u0102\u0103\u00C2\u00E2\u00CE\u00EE\u015E\u015F\u0162\u0163"},
        {"ROWIN", "RO852", U"\u0102\u0103\u00C2\u00E2\u00CE\u00EE\u015E\u015F\u0162\u0163"},
        {"HU852", "HUWIN",
         U"\u00C1\u00E1\u00C9\u00E9\u00CD\u00ED\u00D3\u00F3\u00D6\u00F6"
         U"\u0150\u0151\u00DA\u00FA\u00DC\u00FC\u0170\u0171"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.term) + " <- " + c.host);
        auto tr = makeTranslation(c.term, c.host);
        ASSERT_TRUE(tr);
        const GlyphTable& hostGlyphs = *glyphsOf(c.host);
        const GlyphTable& termGlyphs = *glyphsOf(c.term);
        for (char32_t letter : c.letters) {
            auto hb = byteOf(letter, hostGlyphs);
            ASSERT_TRUE(hb);
            EXPECT_EQ(termGlyphs[tr->out[*hb]], letter) << std::hex << unsigned(letter);
        }
    }
    // Single frames and shades are no Romanian letters in either page: they are not moved.
    // (Bytes that are letters in 1250, such as 0xC3, are letters to a 1250 program.)
    auto tr = makeTranslation("RO852", "ROWIN");
    for (unsigned char b : std::string("\xDA\xC4\xBF\xB3\xD9\xC0\xCD\xB0\xB1\xB2\xDB"))
        EXPECT_EQ(tr->out[b], b) << int(b);
}

TEST(CodePage, GlyphTablesShowClassicConsoleCharacters) {
    EXPECT_EQ(toUtf8("\xDA\xC4\xBF\xB0\xB1\xB2\xDB", kCp437), "┌─┐░▒▓█");
    EXPECT_EQ(toUtf8("\xC9\xCD\xBB\xBA\xC8\xBC", kCp852), "╔═╗║╚╝");
    EXPECT_EQ(toUtf8("\xD2\xB5\xD0\xC6", kCp437), "╥╡╨╞");  // the double-single junctions
    EXPECT_EQ(toUtf8("\xC7\xB6\xD8\xD4", kCp852), "ăÂěď");  // ...are letters in 852
    EXPECT_EQ(toUtf8(std::string("\x00\x01\x10\x1E\x7F", 5), kCp852), " ☺►▲⌂");
    std::string s;
    for (char32_t c : {U'a', U'\u0103', U'\u2500', U'\U0001F600'}) appendUtf8(s, c);
    std::string_view rest = s;
    for (char32_t want : {U'a', U'\u0103', U'\u2500', U'\U0001F600'}) {
        char32_t got = 0;
        std::size_t n = decodeUtf8(rest, got);
        ASSERT_GT(n, 0u);
        EXPECT_EQ(got, want);
        rest.remove_prefix(n);
    }
    char32_t c = 0;
    EXPECT_EQ(decodeUtf8("\xE2\x94", c), 0u);  // incomplete
    EXPECT_EQ(decodeUtf8("\xFF", c), 1u);
    EXPECT_EQ(c, U'\uFFFD');
}

}  // namespace
}  // namespace xb::term
