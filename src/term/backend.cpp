#include "term/backend.hpp"

#include "runtime/error.hpp"
#include "term/headless.hpp"
#include "term/tty_backend.hpp"

namespace xb::term {

namespace {
BackendChoice& choice() {
    static BackendChoice c;
    return c;
}
}  // namespace

void setBackendChoice(const BackendChoice& c) { choice() = c; }
const BackendChoice& backendChoice() { return choice(); }

std::unique_ptr<Backend> makeBackend(const BackendChoice& c) {
    if (c.kind == BackendKind::Terminal) {
        std::string why;
        if (auto tty = openTerminal(why)) return tty;
        throw rt::FatalStop{1, "Cannot use the terminal: " + why};
    }
    return std::make_unique<HeadlessBackend>(c.rows, c.cols);
}

}  // namespace xb::term
