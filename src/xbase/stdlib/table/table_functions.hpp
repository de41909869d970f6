// TABLE_FUNCTIONS: the table functions of the language (DbUseArea, DbSeek, FieldGet, OrdCreate,
// RLock, ...) registered under their classic names, over the engine's work areas.
//
// Registration installs the work areas as the runtime's data hooks (so that field names and
// `alias->field` resolve) and gives the engine the evaluator as its compiler for the key, FOR
// and filter texts stored in index files and set by scripts. Functions that only ask (Eof(),
// RecNo(), Alias() ...) answer neutral values when the area is empty; functions that move or
// change raise "Workarea not in use" (DBCMD/2001) there.
#pragma once

#include "runtime/runtime.hpp"
#include "table/work_areas.hpp"

namespace xb::stdlib {

void registerTableFunctions(rt::Runtime& rt);

// The work areas of a runtime, with the evaluator installed as the engine's compiler.
table::WorkAreas& workAreas(rt::Runtime& rt);

}  // namespace xb::stdlib
