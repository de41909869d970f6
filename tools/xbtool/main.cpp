// XBTOOL: the administrator's command-line tool. main() only parses arguments, wires the
// layers and runs one subcommand from the command table.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "commands.hpp"
#include "runtime/error.hpp"
#include "runtime/runtime.hpp"
#include "xbase/xbase.hpp"
#if defined(XB_HAVE_STDLIB)
#include "xbase/stdlib/stdlib.hpp"
#endif
#if defined(XB_HAVE_UI)
#include "framework/core/core.hpp"
#include "framework/ui/ui.hpp"
#include "term/backend.hpp"
#include "term/console.hpp"
#endif
#if defined(XB_HAVE_TABLES)
namespace xb::stdlib {
// Defined by the table functions' library (work areas, aliases, DbUseArea ...).
void registerTableFunctions(rt::Runtime& rt);
}  // namespace xb::stdlib
#endif

namespace {

void usage(std::FILE* out) {
    std::fprintf(out,
                 "usage: xbtool COMMAND [ARGS...]\n"
                 "commands:\n"
                 "  eval [--folder DIR] [--screen] EXPR...  evaluate xBase expressions, one line "
                 "each\n"
                 "  run [--folder DIR] FILE                 run a script text\n"
                 "  check FILE                              check a script's structure and "
                 "syntax\n"
                 "  dbf info|dump|verify|index FILE ...     inspect and check tables\n"
                 "  --help                                  this text\n");
}

void wireRuntime(xb::rt::Runtime& rt) {
    xb::xbase::registerCore(rt);
#if defined(XB_HAVE_STDLIB)
    xb::stdlib::registerStdlib(rt);
#endif
#if defined(XB_HAVE_TABLES)
    xb::stdlib::registerTableFunctions(rt);
#endif
}

// eval [--folder DIR] [--screen] EXPR...
// One line per expression: its canonical form, "E <gencode> <subsystem>/<subcode> <description>"
// for an error (no handler is installed, so errors arrive as breaks carrying the error), or
// "E BREAK <canonical value>" for a BREAK(value) that nothing recovered. Exit 1 when any failed.
// --screen runs on the terminal, with the framework's windows, and without batch mode; the
// result lines are printed once the terminal is given back.
int evalCommand(int argc, char** argv) {
    std::vector<std::string_view> exprs;
    bool screen = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (a == "--folder") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "xbtool eval: --folder needs a directory\n");
                return 2;
            }
            const char* dir = argv[++i];
            if (::chdir(dir) != 0) {
                std::fprintf(stderr, "xbtool eval: cannot open the folder %s: %s\n", dir,
                             std::strerror(errno));
                return 2;
            }
        } else if (a == "--screen") {
#if defined(XB_HAVE_UI)
            screen = true;
#else
            std::fprintf(stderr, "xbtool eval: --screen is not available in this build\n");
            return 2;
#endif
        } else {
            exprs.push_back(a);
        }
    }
    if (exprs.empty()) {
        std::fprintf(stderr, "xbtool eval: no expression given\n");
        return 2;
    }
    std::vector<std::string> lines;
    int status = 0;
    try {
#if defined(XB_HAVE_UI)
        if (screen) xb::term::setBackendChoice({xb::term::BackendKind::Terminal});
#endif
        xb::rt::Runtime rt;
        wireRuntime(rt);
#if defined(XB_HAVE_UI)
        if (screen) {
            xb::term::registerConsole(rt);
            xb::fw::registerCore(rt);
            xb::fw::ui::registerUi(rt);
            xb::term::Console::of(rt);  // takes the terminal now
        }
#endif
        for (std::string_view e : exprs) {
            std::string line;
            try {
                line = xb::rt::repr(xb::xbase::evaluate(rt, e));
            } catch (const xb::rt::Break& b) {
                status = 1;
                if (const xb::rt::XbError* err = xb::rt::errorOf(b.value)) {
                    line = xb::rt::errorLine(*err);
                } else {
                    line = "E BREAK " + xb::rt::repr(b.value);
                }
            }
            if (screen) {
                lines.push_back(std::move(line));
            } else {
                std::fprintf(stdout, "%s\n", line.c_str());
            }
        }
    } catch (const xb::rt::FatalStop& f) {
        lines.push_back(f.message);
        status = f.code;
    }
    // The runtime (and with it the console) is gone: the terminal is back to normal.
    for (const std::string& l : lines) std::fprintf(stdout, "%s\n", l.c_str());
    return status;
}

int notYet(int /*argc*/, char** argv) {
    std::fprintf(stderr, "xbtool %s: not available yet\n", argv[0]);
    return 2;
}

struct Command {
    const char* name;
    int (*fn)(int, char**);
};

const Command kCommands[] = {
    {"eval", evalCommand},
    {"run", notYet},
    {"check", notYet},
    {"dbf", dbfCommand},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const Command& c : kCommands) {
        if (std::strcmp(argv[1], c.name) == 0) return c.fn(argc - 1, argv + 1);
    }
    std::fprintf(stderr, "xbtool: unknown command %s\n", argv[1]);
    usage(stderr);
    return 2;
}
