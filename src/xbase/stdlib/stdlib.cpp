#include "xbase/stdlib/stdlib.hpp"

#include "xbase/stdlib/tables.hpp"

namespace xb::stdlib {

void registerStdlib(rt::Runtime& rt) {
    for (auto table :
         {stringBuiltins(), numberBuiltins(), transformBuiltins(), dateBuiltins(), memoBuiltins(),
          arrayBuiltins(), hashBuiltins(), regexBuiltins(), fileBuiltins(), setBuiltins()}) {
        rt.registerBuiltins(table);
    }
}

}  // namespace xb::stdlib
