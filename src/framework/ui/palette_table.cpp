// PALETTE TABLE: reading the colour palettes from the palette table.
#include "framework/ui/palette_table.hpp"

#include <array>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace xb::fw::ui {

namespace {

namespace fs = std::filesystem;

constexpr std::array<const char*, 13> kFields = {
    "PALETTE", "NORMAL", "SELECTED",  "UNSELECT", "BRIGHT",  "LOCKED", "BLIND",
    "TITLE",   "BORDER", "ACTBORDER", "HELP",     "WARNING", "ERROR"};

std::uint32_t le32(const std::string& b, std::size_t off) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[off])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[off + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[off + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[off + 3])) << 24;
}
unsigned le16(const std::string& b, std::size_t off) {
    return static_cast<unsigned>(static_cast<unsigned char>(b[off])) |
           static_cast<unsigned>(static_cast<unsigned char>(b[off + 1])) << 8;
}

// The file in `dir` whose name equals `name` ignoring case ("" when none).
std::string findFile(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    fs::path exact = dir / name;
    if (fs::is_regular_file(exact, ec)) return exact.string();
    std::string want = upper(name);
    for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end; !ec && it != end;
         it.increment(ec))
        if (upper(it->path().filename().string()) == want && it->is_regular_file(ec))
            return it->path().string();
    return {};
}

}  // namespace

std::optional<std::vector<Palette>> readPaletteFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 33) return std::nullopt;
    std::uint32_t count = le32(bytes, 4);
    std::size_t headerLen = le16(bytes, 8), recLen = le16(bytes, 10);
    if (headerLen < 33 || recLen < 1 || headerLen > bytes.size()) return std::nullopt;
    struct Fd {
        std::string name;
        char type;
        std::size_t offset, len;
    };
    std::vector<Fd> fields;
    std::size_t offset = 1;
    for (std::size_t p = 32; p + 32 <= headerLen && bytes[p] != '\x0D'; p += 32) {
        std::string name = bytes.substr(p, 11);
        name = name.substr(0, name.find('\0'));
        char type = bytes[p + 11];
        std::size_t len = static_cast<unsigned char>(bytes[p + 16]);
        if (type == 'C')
            len |= static_cast<std::size_t>(static_cast<unsigned char>(bytes[p + 17])) << 8;
        fields.push_back({upper(trimmed(name)), type, offset, len});
        offset += len;
    }
    if (offset > recLen) return std::nullopt;
    std::array<const Fd*, 13> map{};
    const Fd* active = nullptr;
    for (const Fd& f : fields) {
        if (f.name == "ACTIVE" && f.type == 'L') active = &f;
        for (std::size_t i = 0; i < kFields.size(); ++i)
            if (f.name == kFields[i] && f.type == 'C') map[i] = &f;
    }
    if (!map[0] || !active) return std::nullopt;
    // A count beyond the file's size is a damaged header: read only the records present.
    std::size_t present = (bytes.size() - headerLen) / recLen;
    std::vector<Palette> out;
    for (std::size_t r = 0; r < std::min<std::size_t>(count, present); ++r) {
        std::string_view rec(bytes.data() + headerLen + r * recLen, recLen);
        if (rec[0] == '*') continue;
        char a = rec[active->offset];
        if (a != 'T' && a != 't' && a != 'Y' && a != 'y') continue;
        Palette p;
        for (std::size_t i = 0; i < kFields.size(); ++i)
            if (map[i]) p[i] = trimmed(rec.substr(map[i]->offset, map[i]->len));
        p[0] = upper(p[0]);
        out.push_back(std::move(p));
    }
    return out;
}

std::optional<std::vector<Palette>> readPaletteTable(rt::Runtime&, std::string_view path,
                                                     std::string_view name) {
    std::string file = std::string(name) + ".DBF";
    std::string found = findFile(fs::path("."), file);
    if (found.empty() && !path.empty()) {
        // The folder path ends with its separator; a name with a folder part is taken as given.
        fs::path full = fs::path(std::string(path) + file);
        found = findFile(full.parent_path(), full.filename().string());
    }
    if (found.empty()) return std::nullopt;
    return readPaletteFile(found);
}

}  // namespace xb::fw::ui
