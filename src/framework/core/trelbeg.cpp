// TRELBEG: starting and ending an application on a data folder.
#include "framework/core/trelbeg.hpp"

#include <string>

namespace xb::fw::trelbeg {

void hEnd(rt::Runtime& /*rt*/, int code, std::string_view message) {
    throw rt::FatalStop{code, std::string(message)};
}

namespace {

// H_END(code, message): code defaults to 0, a message that is not a string is none.
void fn_H_END(rt::Frame& f) {
    const rt::Value& c = f.arg(1);
    const rt::Value& m = f.arg(2);
    int code = c.isNumber() ? static_cast<int>(c.numVal()) : 0;
    hEnd(f.runtime(), code, m.isString() ? std::string_view(m.str()) : std::string_view());
}

const rt::Builtin kBuiltins[] = {
    {"H_END", fn_H_END},
};

}  // namespace

std::span<const rt::Builtin> builtins() { return kBuiltins; }

}  // namespace xb::fw::trelbeg
