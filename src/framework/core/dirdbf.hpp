// DIRDBF: a directory listing held in a table, so that the browse windows can show, sort and
// pick files like records.
//
// The table has the fields MNAME C 12, MDATE D 8, MTIME C 8, MSIZE N 12, MATTR C 3 and is
// used exclusively in the current work area. Lifecycle: dirDbf(Create) makes and opens it ->
// dirDbf(Fill) any number of times -> dirDbf(Remove) closes the area and erases the file.
#pragma once

#include <span>
#include <string_view>

#include "runtime/runtime.hpp"

namespace xb::fw::dirdbf {

enum class Operation { Create = 1, Fill = 2, Remove = 3 };

// Create: makes the table `file` and opens it exclusively in the current area; false when it
// cannot be made or opened.
// Fill: file is a mask; unless keep, the records are removed first. The entries of the mask
// listed with attributes are appended (newest first when byDate is true, by file-name sort
// key when false, as listed when NIL), those for which the block filter, when given,
// returns true. Ends on the first record; false when no table is open in the current area.
// Remove: closes the current area and erases file.
bool dirDbf(rt::Runtime& rt, Operation op, std::string_view file, bool keep = false,
            const rt::Value& byDate = {}, std::string_view attributes = {},
            const rt::Value& filter = {});

std::span<const rt::Builtin> builtins();

}  // namespace xb::fw::dirdbf
