// ERROR: the error record of the classic protocol, and the two things that are thrown.
//
// A failing operation fills an XbError and asks the installed handler through
// Runtime::raise() before anything unwinds; the handler's answer (a substitute value,
// "default" or "retry") tells the operation what to do. Only Break and FatalStop travel as
// C++ exceptions.
#pragma once

#include <string>
#include <vector>

#include "runtime/value.hpp"

namespace xb::rt {

// Generic error codes of the classic protocol.
namespace eg {
inline constexpr int kArg = 1, kBound = 2, kStrOverflow = 3, kNumOverflow = 4, kZeroDiv = 5,
                     kNumErr = 6, kSyntax = 7, kComplexity = 8, kMem = 11, kNoFunc = 12,
                     kNoMethod = 13, kNoVar = 14, kNoAlias = 15, kNoVarMethod = 16, kBadAlias = 17,
                     kDupAlias = 18, kCreate = 20, kOpen = 21, kClose = 22, kRead = 23, kWrite = 24,
                     kPrint = 25, kUnsupported = 30, kLimit = 31, kCorruption = 32, kDataType = 33,
                     kDataWidth = 34, kNoTable = 35, kNoOrder = 36, kShared = 37, kUnlocked = 38,
                     kReadOnly = 39, kAppendLock = 40, kLock = 41;
}  // namespace eg

struct XbError {
    int genCode = 0;
    int osCode = 0;
    std::string subSystem;  // "BASE", "DBFNTX", "TERM", ...
    int subCode = 0;
    std::string description;
    std::string operation;
    std::string fileName;
    bool canDefault = false;
    bool canRetry = false;
    bool canSubstitute = false;
    std::vector<Value> args;
    int tries = 0;
    Value cargo;
};

// The handler's answer.
struct ErrorAnswer {
    enum class Kind { Substitute, Default, Retry };
    Kind kind = Kind::Default;
    Value value;  // for Substitute
};

// A non-local exit carrying a value to the nearest recovery block.
struct Break {
    Value value;
};

// Ends the program: unwinds to main, which restores the terminal and exits with `code`.
struct FatalStop {
    int code = 0;
    std::string message;
};

// The error record as the object that error handlers receive (class "ERROR"): genCode,
// osCode, subSystem, subCode, description, operation, filename, canDefault, canRetry,
// canSubstitute, args, tries and cargo read and assign the fields.
class ErrorObject final : public Object {
public:
    explicit ErrorObject(XbError e) : e_(std::move(e)) {}
    std::string className() const override { return "ERROR"; }
    bool send(Runtime& rt, std::string_view message, std::span<const Value> args,
              Value& result) override;
    XbError& error() noexcept { return e_; }

private:
    XbError e_;
};

// The record inside a value that is an error object, or nullptr.
XbError* errorOf(const Value& v) noexcept;
// "E <generic code> <subsystem>/<subcode> <description>", as the command-line tools print it.
std::string errorLine(const XbError& e);

}  // namespace xb::rt
