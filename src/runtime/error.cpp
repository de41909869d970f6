#include "runtime/error.hpp"

#include <algorithm>
#include <cctype>

#include "runtime/runtime.hpp"

namespace xb::rt {

namespace {
Value numOf(int v) { return Value::integer(v); }
}  // namespace

bool ErrorObject::send(Runtime& /*rt*/, std::string_view msg, std::span<const Value> args,
                       Value& result) {
    const bool assign = !msg.empty() && msg.front() == '_';
    std::string_view name = assign ? msg.substr(1) : msg;
    const Value arg = args.empty() ? Value() : args.front();
    auto setStr = [&](std::string& field) {
        if (assign && arg.isString()) field = arg.str();
        result = Value(field);
    };
    auto setInt = [&](int& field) {
        if (assign && arg.isNumber()) field = static_cast<int>(arg.numVal());
        result = numOf(field);
    };
    auto setBool = [&](bool& field) {
        if (assign && arg.isLogical()) field = arg.logical();
        result = Value(field);
    };
    if (name == "GENCODE")
        setInt(e_.genCode);
    else if (name == "OSCODE")
        setInt(e_.osCode);
    else if (name == "SUBSYSTEM")
        setStr(e_.subSystem);
    else if (name == "SUBCODE")
        setInt(e_.subCode);
    else if (name == "DESCRIPTION")
        setStr(e_.description);
    else if (name == "OPERATION")
        setStr(e_.operation);
    else if (name == "FILENAME")
        setStr(e_.fileName);
    else if (name == "CANDEFAULT")
        setBool(e_.canDefault);
    else if (name == "CANRETRY")
        setBool(e_.canRetry);
    else if (name == "CANSUBSTITUTE")
        setBool(e_.canSubstitute);
    else if (name == "TRIES")
        setInt(e_.tries);
    else if (name == "SEVERITY")
        result = numOf(2);
    else if (name == "CARGO") {
        if (assign) e_.cargo = arg;
        result = e_.cargo;
    } else if (name == "ARGS") {
        if (assign && arg.isArray()) e_.args = arg.array().items;
        result = Value::newArray(e_.args);
    } else {
        return false;
    }
    return true;
}

XbError* errorOf(const Value& v) noexcept {
    if (!v.isObject()) return nullptr;
    auto* eo = dynamic_cast<ErrorObject*>(&v.object());
    return eo ? &eo->error() : nullptr;
}

std::string errorLine(const XbError& e) {
    return "E " + std::to_string(e.genCode) + " " + e.subSystem + "/" + std::to_string(e.subCode) +
           " " + e.description;
}

}  // namespace xb::rt
