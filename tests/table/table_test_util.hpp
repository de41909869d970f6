// Fixtures of the table tests: a temporary folder, a runtime whose error handler records
// every error and answers "default", and small helpers to build tables.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "runtime/error.hpp"
#include "runtime/runtime.hpp"
#include "table/table.hpp"
#include "table/work_areas.hpp"

namespace xb::table::test {

struct TempFolder {
    std::string path;
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string file(const std::string& name) const { return path + "/" + name; }
};

// A runtime with work areas and a recording error handler.
struct Engine {
    rt::Runtime rt;
    std::vector<rt::XbError> errors;
    Engine();
    WorkAreas& wa() { return WorkAreas::of(rt); }
    // The generic code and OS code of the last error, "" when none: "21/2".
    std::string lastError() const;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

// A key expression that reads field `name` of the table in `area` (no evaluator needed).
Expr fieldKey(Engine& e, int area, const std::string& name);
Expr concatKey(Engine& e, int area, std::vector<std::string> names);

inline rt::Value num(double v, int w, int d) { return rt::Value::number(v, w, d); }

}  // namespace xb::table::test
