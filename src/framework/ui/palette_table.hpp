// PALETTE TABLE: reading the colour palettes from the palette table (a DBF file).
//
// Fields, in palette order: PALETTE (name), NORMAL, SELECTED, UNSELECT, BRIGHT, LOCKED, BLIND,
// TITLE, BORDER, ACTBORDER, HELP, WARNING, ERROR, plus the logical ACTIVE. Only records with
// ACTIVE true are read, in record order (deleted records are hidden by the SET DELETED
// state as everywhere); each value is trimmed and the name upper-cased.
// The table is looked for as NAME.DBF in the current directory (the local colours) and then
// under the folder path (the general colours); file names match without regard to case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/ui/userintf.hpp"

namespace xb::fw::ui {

// The palettes of the table, or nullopt when it is missing or not a readable palette table.
std::optional<std::vector<Palette>> readPaletteTable(rt::Runtime& rt, std::string_view path,
                                                     std::string_view name);
// Reads one table, opened shared and read-only in a free work area under the alias "col"
// and closed again (the previously selected area stays selected); nullopt when it cannot be
// opened or read, or lacks the PALETTE or ACTIVE field.
std::optional<std::vector<Palette>> readPaletteFile(rt::Runtime& rt, const std::string& file);

}  // namespace xb::fw::ui
