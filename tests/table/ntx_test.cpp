// NTX orders: the header bytes, key encodings, and the B-tree under inserts and removals.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "runtime/date.hpp"
#include "table/ntx.hpp"
#include "table/table_test_util.hpp"

namespace xb::table::test {
namespace {

TEST(NtxKeys, EncodingsSortLikeTheirValues) {
    std::vector<double> nums = {-1000, -100.5, -2, -1.5, -0.25, 0, 0.25, 3, 99.99, 1000};
    std::vector<std::string> keys;
    for (double d : nums) {
        std::string k;
        ASSERT_TRUE(keyBytes(rt::Value::number(d, 10, 2), 10, 2, k));
        keys.push_back(k);
    }
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end())) << ::testing::PrintToString(keys);
    EXPECT_EQ(keys[5], "0000000.00");
    EXPECT_EQ(keys[7], "0000003.00");

    struct Case {
        rt::Value v;
        int len;
        const char* want;
    };
    const Case cases[] = {
        {rt::Value("ab"), 4, "ab  "},
        {rt::Value("abcdef"), 4, "abcd"},
        {rt::Value::date(rt::julianOf(2016, 3, 1)), 8, "20160301"},
        {rt::Value::date(0), 8, "        "},
        {rt::Value(true), 1, "T"},
        {rt::Value(false), 1, "F"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.want);
        std::string k;
        ASSERT_TRUE(keyBytes(c.v, c.len, 0, k));
        EXPECT_EQ(k, c.want);
    }
}

struct OrderFixture {
    TempFolder tmp;
    Engine e;
    Table* t = nullptr;
    explicit OrderFixture(int keyLen = 6) {
        EXPECT_TRUE(
            Table::create(e.rt, tmp.file("T.DBF"), {{"K", 'C', keyLen, 0}, {"N", 'N', 6, 0}}));
        EXPECT_TRUE(e.wa().use(1, tmp.file("T"), "", {}));
        t = e.wa().table();
    }
    void add(const std::string& k, double n = 0) {
        ASSERT_TRUE(t->append());
        t->putField(0, rt::Value(k));
        t->putField(1, num(n, 6, 0));
    }
    // Keys in order, with record numbers.
    std::vector<std::pair<std::string, std::uint32_t>> walk(int order = 1) {
        std::vector<std::pair<std::string, std::uint32_t>> r;
        t->order(order).walk([&](std::string_view k, std::uint32_t n) {
            r.emplace_back(std::string(k), n);
            return true;
        });
        return r;
    }
};

TEST(NtxFormat, HeaderHoldsExpressionsAndFlagsAtTheClassicOffsets) {
    OrderFixture f;
    f.add("b");
    f.add("a");
    ASSERT_TRUE(f.t->createOrder(
        f.tmp.file("K.NTX"), "K", fieldKey(f.e, 1, "K"), "N > 0", [] { return rt::Value(true); },
        true, true));
    ASSERT_TRUE(f.t->createOrder(f.tmp.file("P.NTX"), "K", fieldKey(f.e, 1, "K"), "", nullptr,
                                 false, false));
    std::string h = readFile(f.tmp.file("K.NTX"));
    ASSERT_EQ(h.size() % 1024, 0u);
    EXPECT_EQ(h[0], 7);
    EXPECT_EQ(h[12], 14);  // item size
    EXPECT_EQ(h[14], 6);   // key length
    EXPECT_EQ(h.substr(22, 2), std::string("K\0", 2));
    EXPECT_EQ(h[278], 1);
    EXPECT_EQ(h[280], 1);
    EXPECT_EQ(h.substr(282, 6), std::string("N > 0\0", 6));
    std::string p = readFile(f.tmp.file("P.NTX"));
    EXPECT_EQ(p[0], 6);
    EXPECT_EQ(p[278], 0);
    // The root page: two keys, offsets table, items (child, record, key).
    std::uint32_t root = static_cast<unsigned char>(p[4]) | static_cast<unsigned char>(p[5]) << 8;
    EXPECT_EQ(p[root], 2);
    int off0 = static_cast<unsigned char>(p[root + 2]) | static_cast<unsigned char>(p[root + 3])
                                                             << 8;
    EXPECT_EQ(p.substr(root + off0, 14), std::string("\0\0\0\0\x02\0\0\0a     ", 14));
}

TEST(NtxTree, StaysOrderedAndCompleteUnderInsertsChangesAndRemovals) {
    // 200-byte keys give 3 keys a page, so a few hundred records make a deep tree.
    OrderFixture f(200);
    ASSERT_TRUE(f.t->createOrder(f.tmp.file("K.NTX"), "K", fieldKey(f.e, 1, "K"), "", nullptr,
                                 false, false));
    std::mt19937 rng(7);
    auto randomKey = [&] {
        return std::string(1, static_cast<char>('a' + rng() % 20)) + std::to_string(rng() % 50);
    };
    for (int i = 0; i < 400; ++i) f.add(randomKey());
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 300; ++i) {
            f.t->goTo(1 + rng() % f.t->lastRec());
            f.t->putField(0, rt::Value(round == 2 ? std::string("same") : randomKey()));
        }
        f.t->flush();
        std::vector<std::string> report;
        EXPECT_TRUE(f.t->verifyOrder(1, report)) << ::testing::PrintToString(report);
        auto w = f.walk();
        EXPECT_EQ(w.size(), 400u);
        EXPECT_TRUE(
            std::is_sorted(w.begin(), w.end(), [](auto& a, auto& b) { return a.first < b.first; }));
    }
    EXPECT_TRUE(f.e.errors.empty());
}

TEST(NtxTree, EqualKeysGoAfterTheExistingOnes) {
    OrderFixture f;
    ASSERT_TRUE(f.t->createOrder(f.tmp.file("K.NTX"), "K", fieldKey(f.e, 1, "K"), "", nullptr,
                                 false, false));
    for (int i = 0; i < 50; ++i) f.add(i % 2 ? "x" : "y");
    f.t->goTo(3);  // a "y" becomes "x": it goes after every existing "x"
    f.t->putField(0, rt::Value("x"));
    f.t->flush();
    auto w = f.walk();
    std::vector<std::uint32_t> xs;
    for (auto& [k, r] : w)
        if (k[0] == 'x') xs.push_back(r);
    ASSERT_EQ(xs.size(), 26u);
    EXPECT_EQ(xs.back(), 3u);
    EXPECT_TRUE(std::is_sorted(xs.begin(), xs.end() - 1));
}

TEST(NtxTree, DescendingUniqueAndForOrders) {
    OrderFixture f;
    for (auto k : {"b", "a", "c", "a", "b"}) f.add(k, k[0] == 'a' ? 0 : 1);
    ASSERT_TRUE(f.t->createOrder(f.tmp.file("D.NTX"), "K", fieldKey(f.e, 1, "K"), "", nullptr,
                                 false, true));
    ASSERT_TRUE(f.t->createOrder(f.tmp.file("U.NTX"), "K", fieldKey(f.e, 1, "K"), "", nullptr, true,
                                 false));
    Expr nPos = [&f] {
        rt::Value v;
        f.t->getField(1, v);
        return rt::Value(v.numVal() > 0);
    };
    ASSERT_TRUE(f.t->createOrder(f.tmp.file("F.NTX"), "K", fieldKey(f.e, 1, "K"), "N > 0", nPos,
                                 false, false));
    auto recs = [&](int o) {
        std::vector<std::uint32_t> r;
        for (auto& [k, n] : f.walk(o)) r.push_back(n);
        return r;
    };
    EXPECT_EQ(recs(1), (std::vector<std::uint32_t>{3, 1, 5, 2, 4}));
    EXPECT_EQ(recs(2), (std::vector<std::uint32_t>{2, 1, 3}));
    EXPECT_EQ(recs(3), (std::vector<std::uint32_t>{1, 5, 3}));
    f.add("d", 1);  // maintained in all three
    f.add("a", 5);
    f.t->flush();
    EXPECT_EQ(recs(1), (std::vector<std::uint32_t>{6, 3, 1, 5, 2, 4, 7}));
    EXPECT_EQ(recs(2), (std::vector<std::uint32_t>{2, 1, 3, 6}));
    EXPECT_EQ(recs(3), (std::vector<std::uint32_t>{7, 1, 5, 3, 6}));
    for (int o = 1; o <= 3; ++o) {
        std::vector<std::string> report;
        EXPECT_TRUE(f.t->verifyOrder(o, report)) << o << ::testing::PrintToString(report);
    }
}

TEST(NtxTree, DamagedPageIsACorruptionErrorNotACrash) {
    OrderFixture f;
    for (int i = 0; i < 300; ++i) f.add(std::to_string(1000 + i));
    ASSERT_TRUE(f.t->createOrder(f.tmp.file("K.NTX"), "K", fieldKey(f.e, 1, "K"), "", nullptr,
                                 false, false));
    f.e.wa().closeArea(1);
    std::string b = readFile(f.tmp.file("K.NTX"));
    for (std::size_t off = 1024; off < b.size(); off += 1024) {
        b[off] = '\xFF';  // key count far beyond a page
        b[off + 5] = '\x7F';
    }
    writeFile(f.tmp.file("K.NTX"), b);
    f.e.wa().setCompiler([&f](const std::string& text) { return fieldKey(f.e, 1, text); });
    ASSERT_TRUE(f.e.wa().use(1, f.tmp.file("T"), "", {}));
    Table& t = *f.e.wa().table();
    ASSERT_TRUE(t.addOrder(f.tmp.file("K.NTX")));
    t.goTop();
    EXPECT_TRUE(t.eof());
    t.seek(rt::Value("1100"), false);
    EXPECT_FALSE(t.found());
    EXPECT_EQ(f.e.lastError(), "32/0");
    std::vector<std::string> report;
    EXPECT_FALSE(t.verifyOrder(1, report));
    EXPECT_FALSE(report.empty());
    t.setControllingOrder(0);
    ASSERT_TRUE(t.reindex());
    report.clear();
    EXPECT_TRUE(t.verifyOrder(1, report)) << ::testing::PrintToString(report);
}

}  // namespace
}  // namespace xb::table::test
