// XBBENCH main: the workload table and the command line.
#include <cstdio>
#include <cstring>
#include <string>

#include "xbbench.hpp"

namespace {

struct Workload {
    const char* name;
    const char* what;
};

const Workload kWorkloads[] = {
    {"W1", "sequential scan with a condition (FAC shared)"},
    {"W1X", "W1 with FAC exclusive"},
    {"W2", "random exact seeks (FAC shared)"},
    {"W2X", "W2 with FAC exclusive"},
    {"W3", "soft seek, scan, memo edit (changes FAC)"},
    {"W4X", "appends with three orders, exclusive (changes JRNL)"},
    {"W4S", "appends with three orders, shared (changes JRNL)"},
    {"W5M", "stored formula 1,000,000 times, compiled from its text each time"},
    {"W5B", "stored formula 1,000,000 times, compiled once into a block"},
    {"W50", "the W5 loops without evaluating"},
    {"W6", "table scan written as a stored script"},
    {"W7", "catalogue load and opening 200 tables by alias"},
    {"W7x10", "W7 ten times"},
    {"W7x0", "W7 without opening"},
};

void usage() {
    std::fprintf(stderr, "usage: xbbench WORKLOAD DIR | xbbench gen DIR\nworkloads:\n");
    for (const Workload& w : kWorkloads) std::fprintf(stderr, "  %-6s %s\n", w.name, w.what);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        usage();
        return 2;
    }
    std::string name = argv[1];
    std::string dir = argv[2];
    if (name == "gen") {
#if defined(XB_BENCH_TABLES)
        return xb::bench::generateFolder(dir);
#else
        std::fprintf(stderr, "xbbench gen: the table engine is not part of this build\n");
        return 2;
#endif
    }
    bool known = false;
    for (const Workload& w : kWorkloads) known = known || name == w.name;
    if (!known) {
        std::fprintf(stderr, "xbbench: unknown workload %s\n", name.c_str());
        usage();
        return 2;
    }
    int rc = xb::bench::runFormulaWorkload(name, dir);
    if (rc >= 0) return rc;
#if defined(XB_BENCH_TABLES)
    rc = xb::bench::runTableWorkload(name, dir);
    if (rc >= 0) return rc;
#endif
    std::fprintf(stderr, "xbbench %s: not available in this build\n", name.c_str());
    return 2;
}
