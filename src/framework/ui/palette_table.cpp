// PALETTE TABLE: reading the colour palettes from the palette table.
#include "framework/ui/palette_table.hpp"

#include <array>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "table/table.hpp"
#include "table/work_areas.hpp"

namespace xb::fw::ui {

namespace {

namespace fs = std::filesystem;

constexpr std::array<const char*, 13> kFields = {
    "PALETTE", "NORMAL", "SELECTED",  "UNSELECT", "BRIGHT",  "LOCKED", "BLIND",
    "TITLE",   "BORDER", "ACTBORDER", "HELP",     "WARNING", "ERROR"};

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

std::optional<std::vector<Palette>> readPaletteFile(rt::Runtime& rt, const std::string& file) {
    table::WorkAreas& areas = table::WorkAreas::of(rt);
    int previous = areas.current();
    int area = areas.freeArea(1);
    std::optional<std::vector<Palette>> out;
    try {
        if (areas.use(area, file, "col", table::OpenOptions{true, true})) {
            table::Table* t = areas.table(area);
            bool usable = t && t->fieldIndex("PALETTE") >= 0 && t->fieldIndex("ACTIVE") >= 0 &&
                          t->field(t->fieldIndex("ACTIVE")).type == 'L';
            if (usable) {
                std::vector<Palette> list;
                for (t->goTop(); !t->eof(); t->skip(1)) {
                    rt::Value active;
                    if (!areas.fieldGet(area, "ACTIVE", active) || !active.isLogical() ||
                        !active.logical())
                        continue;
                    Palette p;
                    for (std::size_t i = 0; i < kFields.size(); ++i) {
                        rt::Value v;
                        if (areas.fieldGet(area, kFields[i], v) && v.isString())
                            p[i] = trimmed(v.str());
                    }
                    p[0] = upper(p[0]);
                    list.push_back(std::move(p));
                }
                out = std::move(list);
            }
        }
    } catch (const rt::Break&) {
        // An unreadable table reached no recovery of its own: it counts as missing.
        out.reset();
    }
    if (areas.table(area)) areas.closeArea(area);
    areas.selectArea(previous);
    return out;
}

std::optional<std::vector<Palette>> readPaletteTable(rt::Runtime& rt, std::string_view path,
                                                     std::string_view name) {
    std::string file = std::string(name) + ".DBF";
    std::string found = findFile(fs::path("."), file);
    if (found.empty() && !path.empty()) {
        // The folder path ends with its separator; a name with a folder part is taken as given.
        fs::path full = fs::path(std::string(path) + file);
        found = findFile(full.parent_path(), full.filename().string());
    }
    if (found.empty()) return std::nullopt;
    return readPaletteFile(rt, found);
}

}  // namespace xb::fw::ui
