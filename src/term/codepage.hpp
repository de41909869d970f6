// CODEPAGE: which Unicode character a cell byte shows as, and the translation between the
// terminal's code page and the code page of the program's texts.
//
// Glyph tables map every byte to a character: 0x00-0x1F and 0x7F are the classic console
// glyphs (smileys, arrows, the house), 0x20-0x7E ASCII, 0x80-0xFF the code page.
//
// Translation: the code pages "RO852", "ROWIN", "HU852" and "HUWIN" are a language (Romanian,
// Hungarian) in a byte coding (852 = the DOS Latin-2 console page, WIN = Windows-1250). A
// translation between two of them moves that language's letters to their bytes in the other
// page; it is always a permutation of the 256 bytes, so text that goes out and comes back is
// unchanged, and every byte that is not a letter of the language (box characters above all)
// stays where it is whenever possible.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace xb::term {

using GlyphTable = std::array<char32_t, 256>;
extern const GlyphTable kCp437;
extern const GlyphTable kCp852;
extern const GlyphTable kCp1250;

using ByteMap = std::array<std::uint8_t, 256>;
ByteMap identityMap() noexcept;

struct Translation {
    ByteMap out;  // program byte -> terminal byte
    ByteMap in;   // terminal byte -> program byte (the inverse of out)
};

// The glyph table of a code page name ("RO852" ...), nullptr for an unknown name.
const GlyphTable* glyphsOf(std::string_view codePage) noexcept;
// The translation from host (program) to terminal code page; nullopt for an unknown name.
// Equal pages give the identity.
std::optional<Translation> makeTranslation(std::string_view terminal, std::string_view host);

// UTF-8 helpers.
void appendUtf8(std::string& out, char32_t c);
// Decodes one character at the start of s; returns bytes used (0 when s is an incomplete
// prefix, 1 with U+FFFD for an invalid byte).
std::size_t decodeUtf8(std::string_view s, char32_t& c) noexcept;
// Bytes shown through a glyph table as UTF-8.
std::string toUtf8(std::string_view bytes, const GlyphTable& glyphs);
// The byte that shows `c` in a glyph table, or nullopt.
std::optional<std::uint8_t> byteOf(char32_t c, const GlyphTable& glyphs) noexcept;

}  // namespace xb::term
