// fuzz_table: arbitrary bytes as a table, its memo file and an NTX order. The input is
//   byte 0      memo kind (even DBT, odd FPT)
//   bytes 1-2   length of the DBF part (little-endian), bytes 3-4 length of the memo part
//   then        the DBF part, the memo part, and the rest as the NTX file.
// The engine opens them, walks the records in both orders reading every field, seeks and
// verifies the order; any failure must be a reported error, never a crash or a bad read.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "runtime/runtime.hpp"
#include "table/work_areas.hpp"

namespace {
using xb::rt::Value;

void put(const std::string& path, const std::uint8_t* p, std::size_t n) {
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        if (n) std::fwrite(p, 1, n, f);
        std::fclose(f);
    }
}

const std::string& folder() {
    static std::string dir = [] {
        char tmpl[] = "/tmp/fuzz_table-XXXXXX";
        return std::string(::mkdtemp(tmpl));
    }();
    return dir;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    bool fpt = data[0] & 1;
    std::size_t dbfLen = data[1] | (data[2] << 8), memoLen = data[3] | (data[4] << 8);
    data += 5, size -= 5;
    dbfLen = std::min(dbfLen, size);
    memoLen = std::min(memoLen, size - dbfLen);
    const std::string dir = folder();
    put(dir + "/F.DBF", data, dbfLen);
    put(dir + (fpt ? "/F.FPT" : "/F.DBT"), data + dbfLen, memoLen);
    ::unlink((dir + (fpt ? "/F.DBT" : "/F.FPT")).c_str());
    put(dir + "/F.NTX", data + dbfLen + memoLen, size - dbfLen - memoLen);

    xb::rt::Runtime rt;
    rt.setErrorBlock(Value(xb::rt::nativeBlock(
        [](xb::rt::Runtime&, std::span<const Value>) { return Value(false); })));
    auto& wa = xb::table::WorkAreas::of(rt);
    wa.setCompiler([&wa](const std::string&) -> xb::table::Expr {
        return [&wa] {
            Value v;
            if (xb::table::Table* t = wa.table(1); t && t->fieldCount() > 0) t->getField(0, v);
            return v;
        };
    });
    if (!wa.use(1, dir + "/F", "", {false, true})) return 0;
    xb::table::Table& t = *wa.table(1);
    Value v;
    auto walk = [&] {
        int steps = 0;
        for (t.goTop(); !t.eof() && steps < 200; t.skip(1), ++steps)
            for (int i = 0; i < t.fieldCount(); ++i) t.getField(i, v);
        t.goBottom();
        t.skip(-3);
    };
    walk();
    if (t.addOrder(dir + "/F.NTX")) {
        walk();
        t.seek(Value("A"), true);
        std::vector<std::string> report;
        t.verifyOrder(1, report);
    }
    wa.closeAll();
    return 0;
}
