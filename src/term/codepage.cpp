#include "term/codepage.hpp"

#include <algorithm>
#include <cctype>
#include <vector>

namespace xb::term {

namespace {

constexpr char32_t kRomanian[] = {0x0102, 0x0103, 0x00C2, 0x00E2, 0x00CE,
                                  0x00EE, 0x015E, 0x015F, 0x0162, 0x0163};
constexpr char32_t kHungarian[] = {0x00C1, 0x00E1, 0x00C9, 0x00E9, 0x00CD, 0x00ED,
                                   0x00D3, 0x00F3, 0x00D6, 0x00F6, 0x0150, 0x0151,
                                   0x00DA, 0x00FA, 0x00DC, 0x00FC, 0x0170, 0x0171};

struct CodePage {
    const GlyphTable* glyphs;
    bool romanian;
};

std::optional<CodePage> lookup(std::string_view name) {
    std::string n;
    for (char c : name)
        if (c != ' ') n.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    if (n == "RO852") return CodePage{&kCp852, true};
    if (n == "ROWIN") return CodePage{&kCp1250, true};
    if (n == "HU852") return CodePage{&kCp852, false};
    if (n == "HUWIN") return CodePage{&kCp1250, false};
    return std::nullopt;
}

}  // namespace

ByteMap identityMap() noexcept {
    ByteMap m{};
    for (int i = 0; i < 256; ++i) m[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    return m;
}

const GlyphTable* glyphsOf(std::string_view codePage) noexcept {
    auto cp = lookup(codePage);
    return cp ? cp->glyphs : nullptr;
}

std::optional<std::uint8_t> byteOf(char32_t c, const GlyphTable& glyphs) noexcept {
    // Printable ASCII first: the low control bytes also show glyphs, never letters.
    for (int i = 32; i < 256; ++i)
        if (glyphs[static_cast<std::size_t>(i)] == c) return static_cast<std::uint8_t>(i);
    for (int i = 0; i < 32; ++i)
        if (glyphs[static_cast<std::size_t>(i)] == c) return static_cast<std::uint8_t>(i);
    return std::nullopt;
}

std::optional<Translation> makeTranslation(std::string_view terminal, std::string_view host) {
    auto t = lookup(terminal);
    auto h = lookup(host);
    if (!t || !h) return std::nullopt;
    Translation tr{identityMap(), identityMap()};
    std::array<bool, 256> srcSet{}, dstUsed{};
    auto map = [&](const char32_t* letters, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            auto hb = byteOf(letters[i], *h->glyphs);
            auto tb = byteOf(letters[i], *t->glyphs);
            if (!hb || !tb || srcSet[*hb] || dstUsed[*tb]) continue;
            tr.out[*hb] = *tb;
            srcSet[*hb] = true;
            dstUsed[*tb] = true;
        }
    };
    if (t->romanian || h->romanian) map(kRomanian, std::size(kRomanian));
    if (!t->romanian || !h->romanian) map(kHungarian, std::size(kHungarian));
    // Complete the permutation: every other byte keeps its value when that value is free;
    // the few displaced ones take the free values in order.
    std::vector<int> displaced;
    for (int b = 0; b < 256; ++b) {
        if (srcSet[static_cast<std::size_t>(b)]) continue;
        if (!dstUsed[static_cast<std::size_t>(b)]) {
            tr.out[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(b);
            dstUsed[static_cast<std::size_t>(b)] = true;
        } else {
            displaced.push_back(b);
        }
    }
    int next = 0;
    for (int b : displaced) {
        while (dstUsed[static_cast<std::size_t>(next)]) ++next;
        tr.out[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(next);
        dstUsed[static_cast<std::size_t>(next)] = true;
    }
    for (int b = 0; b < 256; ++b)
        tr.in[tr.out[static_cast<std::size_t>(b)]] = static_cast<std::uint8_t>(b);
    return tr;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::size_t decodeUtf8(std::string_view s, char32_t& c) noexcept {
    if (s.empty()) return 0;
    auto b0 = static_cast<unsigned char>(s[0]);
    std::size_t len;
    if (b0 < 0x80) {
        c = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        c = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        c = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        c = b0 & 0x07;
    } else {
        c = 0xFFFD;
        return 1;
    }
    for (std::size_t i = 1; i < len; ++i) {
        if (i >= s.size()) return 0;
        auto b = static_cast<unsigned char>(s[i]);
        if ((b & 0xC0) != 0x80) {
            c = 0xFFFD;
            return 1;
        }
        c = (c << 6) | (b & 0x3F);
    }
    return len;
}

std::string toUtf8(std::string_view bytes, const GlyphTable& glyphs) {
    std::string out;
    out.reserve(bytes.size());
    for (char b : bytes) appendUtf8(out, glyphs[static_cast<unsigned char>(b)]);
    return out;
}

}  // namespace xb::term
