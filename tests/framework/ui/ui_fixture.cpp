#include "ui_fixture.hpp"

#include <unistd.h>

#include <atomic>
#include <fstream>

#include "framework/ui/screen.hpp"
#include "framework/ui/ui.hpp"
#include "term/screen.hpp"

namespace xb::fw::ui::testing {

namespace {

void put16(std::string& b, std::size_t off, unsigned v) {
    b[off] = static_cast<char>(v & 0xFF);
    b[off + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& b, std::size_t off, unsigned v) {
    for (int i = 0; i < 4; ++i)
        b[off + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

const char* const kFieldNames[] = {"PALETTE", "NORMAL",  "SELECTED", "UNSELECT", "BRIGHT",
                                   "LOCKED",  "BLIND",   "TITLE",    "BORDER",   "ACTBORDER",
                                   "HELP",    "WARNING", "ERROR"};

struct Named {
    const char* name;
    const char* colours[12];
};
// Within the palettes the tests look at, every colour differs, so an attribute on the screen
// names the field it came from.
const Named kPalettes[] = {
    {"BACKGROUND",
     {"W/B", "N/W", "W+/B", "GR+/B", "R/B", "B/B", "GR+/BG", "W/B", "W+/B", "W/R", "GR+/R",
      "W+/R"}},
    {"HELP",
     {"N/BG", "W+/N", "N/W", "GR+/BG", "R/BG", "BG/BG", "W+/BG", "N/BG", "W+/BG", "N/BG", "GR+/BG",
      "W+/R"}},
    {"WARNING",
     {"W+/R", "N/W", "W/R", "GR+/R", "B/R", "R/R", "G+/R", "W/RB", "GR+/N", "GR+/B", "R+/N",
      "W+/G"}},
    {"ERROR",
     {"W+/RB", "N/G", "W/RB", "GR+/RB", "B/RB", "RB/RB", "G+/RB", "W/RB", "G+/N", "BG+/RB", "GR+/N",
      "R+/W"}},
    {"MENU",
     {"N/W", "W+/N", "B/W", "R/W", "G/W", "W/W", "B/W", "N/W", "W+/W", "N/W", "GR+/W", "R/W"}},
    {"",
     {"W/G", "N/W", "W+/G", "GR+/G", "R/G", "G/G", "GR+/G", "W/G", "W+/G", "W/G", "GR+/G", "W+/R"}},
};

}  // namespace

std::vector<PaletteRow> standardPalettes() {
    std::vector<PaletteRow> rows;
    for (const Named& n : kPalettes) {
        PaletteRow r;
        r.name = n.name;
        for (const char* c : n.colours) r.colours.emplace_back(c);
        rows.push_back(r);
    }
    return rows;
}

const char* paletteColour(const std::string& palette, int index) {
    for (const Named& n : kPalettes)
        if (palette == n.name) return n.colours[index - 2];
    return "n/w";
}

std::string paletteTableBytes(const std::vector<PaletteRow>& rows) {
    const int nFields = 14;
    const unsigned headerLen = 32 + 32 * nFields + 1;
    const unsigned recLen = 1 + 10 + 12 * 16 + 1;
    std::string b(headerLen, '\0');
    b[0] = 0x03;
    b[1] = 126;
    b[2] = 1;
    b[3] = 1;
    put32(b, 4, static_cast<unsigned>(rows.size()));
    put16(b, 8, headerLen);
    put16(b, 10, recLen);
    for (int i = 0; i < nFields; ++i) {
        std::size_t p = 32 + 32 * static_cast<std::size_t>(i);
        std::string name = i < 13 ? kFieldNames[i] : "ACTIVE";
        for (std::size_t k = 0; k < name.size(); ++k) b[p + k] = name[k];
        b[p + 11] = i < 13 ? 'C' : 'L';
        b[p + 16] = static_cast<char>(i == 0 ? 10 : i < 13 ? 16 : 1);
    }
    b[headerLen - 1] = 0x0D;
    for (const PaletteRow& r : rows) {
        std::string rec(1, r.deleted ? '*' : ' ');
        std::string name = r.name;
        name.resize(10, ' ');
        rec += name;
        for (int i = 0; i < 12; ++i) {
            std::string c = i < static_cast<int>(r.colours.size())
                                ? r.colours[static_cast<std::size_t>(i)]
                                : "";
            c.resize(16, ' ');
            rec += c;
        }
        rec += r.active ? 'T' : 'F';
        b += rec;
    }
    b += '\x1A';
    return b;
}

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("xb_ui_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TempFolder::write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / name, std::ios::binary) << bytes;
}

namespace {
// Stands in for the core's started flag: the public TEST_STARTED.
void fn_H_TRELSTARTED(rt::Frame& f) {
    rt::Value* v = f.runtime().findVar("TEST_STARTED");
    f.ret(v && v->isLogical() && v->logical());
}
}  // namespace

UiFixture::UiFixture(bool loadPalettes) {
    registerUi(rt);
    static const rt::Builtin started[] = {{"H_TRELSTARTED", fn_H_TRELSTARTED}};
    rt.registerBuiltins(started);
    rt.declarePublic(rt.intern("TEST_STARTED"), rt::Value(true));
    if (loadPalettes) {
        folder.write("PALETE.DBF", paletteTableBytes(standardPalettes()));
        loadColors(rt, folder.path().string() + "/", "PALETE");
    }
}

std::uint8_t UiFixture::colour(const char* colours) { return term::parseColour(colours); }

void UiFixture::snapshotsOnF9() {
    setGlobalKey(rt,
                 newKey(key::kF9, "",
                        rt::Value(rt::nativeBlock([this](rt::Runtime&, std::span<const rt::Value>) {
                            std::vector<std::string> rows;
                            for (int r = 0; r < screen().rows(); ++r) rows.push_back(row(r));
                            shots.push_back(rows);
                            return rt::Value();
                        }))));
}

}  // namespace xb::fw::ui::testing
