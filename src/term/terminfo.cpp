#include "term/terminfo.hpp"

#include <curses.h>
#include <term.h>

namespace xb::term::terminfo {

bool setup(int fd) {
    int err = 0;
    return setupterm(nullptr, fd, &err) == OK;
}

std::optional<std::string> str(const char* name) {
    const char* s = tigetstr(const_cast<char*>(name));
    if (!s || s == reinterpret_cast<const char*>(-1)) return std::nullopt;
    return std::string(s);
}

int num(const char* name) { return tigetnum(const_cast<char*>(name)); }

}  // namespace xb::term::terminfo
