#include "table/table_test_util.hpp"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace xb::table::test {

TempFolder::TempFolder() {
    char tmpl[] = "/tmp/xbtable-XXXXXX";
    path = ::mkdtemp(tmpl);
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

Engine::Engine() {
    rt.setErrorBlock(rt::Value(rt::nativeBlock([this](rt::Runtime&, std::span<const rt::Value> a) {
        if (!a.empty())
            if (const rt::XbError* e = rt::errorOf(a[0])) errors.push_back(*e);
        return rt::Value(false);
    })));
    wa();
}

std::string Engine::lastError() const {
    if (errors.empty()) return "";
    return std::to_string(errors.back().genCode) + "/" + std::to_string(errors.back().osCode);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

Expr fieldKey(Engine& e, int area, const std::string& name) {
    return [&e, area, name] {
        rt::Value v;
        e.wa().fieldGet(area, name, v);
        return v;
    };
}

Expr concatKey(Engine& e, int area, std::vector<std::string> names) {
    return [&e, area, names] {
        std::string s;
        for (const auto& n : names) {
            rt::Value v;
            e.wa().fieldGet(area, n, v);
            s += v.isString() ? v.str() : "";
        }
        return rt::Value(s);
    };
}

}  // namespace xb::table::test
