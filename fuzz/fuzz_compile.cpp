// Fuzzes the expression compiler, the type probe and the evaluator on arbitrary text. Only
// the core functions are registered (no file or table access); the error handler answers
// "default", so run-time errors are survived the way a lenient application survives them.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "runtime/error.hpp"
#include "runtime/runtime.hpp"
#include "xbase/xbase.hpp"

// Arrays, hashes and blocks are shared references, so a script can build a cycle
// (a[1] := a) that lives until the program ends, as in the language; such cycles are not
// faults of the compiler. The test suites run with leak detection on.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

// The entropic schedule spends most of its time on feature bookkeeping with this many
// features (the whole evaluator is instrumented); the plain schedule runs several times more
// inputs in the same time. A "-entropic=" on the command line still wins.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static std::vector<char*> args;
    static char plain[] = "-entropic=0";
    bool given = false;
    for (int i = 0; i < *argc; ++i) {
        given = given || std::string_view((*argv)[i]).rfind("-entropic=", 0) == 0;
    }
    if (given) return 0;
    args.assign(*argv, *argv + *argc);
    args.insert(args.begin() + 1, plain);
    args.push_back(nullptr);
    *argc += 1;
    *argv = args.data();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    xb::rt::Runtime rt;
    xb::xbase::registerCore(rt);
    rt.setErrorBlock(xb::rt::Value(xb::rt::nativeBlock(
        [](xb::rt::Runtime&, std::span<const xb::rt::Value>) { return xb::rt::Value(false); })));
    (void)xb::xbase::checkSyntax(rt, text);
    (void)xb::xbase::typeOf(rt, text);
    try {
        xb::rt::Value v = xb::xbase::evaluate(rt, text);
        (void)xb::rt::repr(v);
        (void)xb::xbase::evaluate(rt, text);  // the cached form behaves the same way
    } catch (const xb::rt::Break&) {
    } catch (const xb::rt::FatalStop&) {
    }
    return 0;
}
