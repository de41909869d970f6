// XBBENCH: the performance workloads, run as whole processes: `xbbench WORKLOAD DIR` and
// `xbbench gen DIR`. Each workload prints its check values, one "name value" per line.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "runtime/runtime.hpp"

namespace xb::bench {

// W5M, W5B, W50 (xbbench_w5.cpp). Returns the exit code, or -1 for another workload name.
int runFormulaWorkload(std::string_view name, const std::string& dir);

// Where W5 takes its rows from: `records` rows, and a callback that makes row `rec` (0-based)
// current, so that the formula's names read that row (fields of the current work area, or
// memory variables of the same names).
struct RowSource {
    int records = 0;
    std::function<void(int rec)> load;
};

// The table workloads and the generator (xbbench_tables.cpp, when the table engine is part
// of the build). runTableWorkload returns -1 for a name it does not know.
int runTableWorkload(std::string_view name, const std::string& dir);
int generateFolder(const std::string& dir);
// DECL.DBF of `dir` opened shared and read-only in the runtime's current work area, as a
// row source for W5; false when the folder has no DECL.DBF. Optional (a weak symbol): W5
// generates its rows in memory when no table code defines it.
[[gnu::weak]] bool openDeclRows(rt::Runtime& rt, const std::string& dir, RowSource& out);

}  // namespace xb::bench
