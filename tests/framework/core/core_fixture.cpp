#include "core_fixture.hpp"

#include <fstream>
#include <sstream>

namespace xb::fw::testing {

void TempFolder::write(const std::string& rel, const std::string& bytes) const {
    std::filesystem::path p = path_ / rel;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string TempFolder::read(const std::string& rel) const {
    std::ifstream in(path_ / rel, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace xb::fw::testing
