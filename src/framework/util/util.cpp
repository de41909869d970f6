#include "framework/util/util.hpp"

#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>

#include "framework/core/pathval.hpp"
#include "framework/core/trelbeg.hpp"
#include "framework/util/htools.hpp"
#include "framework/util/xparam.hpp"
#include "framework/util/xtools.hpp"
#include "xbase/stdlib/stdlib.hpp"
#include "xbase/xbase.hpp"

namespace xb::fw {

void registerUtil(rt::Runtime& rt) {
    rt.registerBuiltins(std::span(htools::kBuiltins, htools::kBuiltinCount));
    rt.registerBuiltins(std::span(xtools::kBuiltins, xtools::kBuiltinCount));
    rt.registerBuiltins(std::span(xparam::kBuiltins, xparam::kBuiltinCount));
}

}  // namespace xb::fw

namespace xb::fw::util {

void fatalStop(rt::Runtime& rt, int code, std::string_view message) {
    trelbeg::hEnd(rt, code, message);
}

std::vector<std::string> memoLines(std::string_view text, int width) {
    stdlib::MemoLayout l;
    l.width = width;
    std::vector<std::string> lines;
    long long n = stdlib::mlCount(text, l);
    for (long long i = 1; i <= n; ++i) lines.push_back(stdlib::memoLine(text, l, i));
    return lines;
}

std::optional<std::string> readFile(rt::Runtime& rt, std::string_view name) {
    std::string host = pathval::hostPath(rt, name);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(host, ec)) return std::nullopt;
    std::ifstream in(host, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::optional<rt::Value> evaluateIfCompiles(rt::Runtime& rt, std::string_view text) {
    if (xbase::checkSyntax(rt, text)) return std::nullopt;
    return xbase::evaluate(rt, text);
}

}  // namespace xb::fw::util
