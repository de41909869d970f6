// Navigation, seeks, filters, changes and the errors of bad files.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "table/os_file.hpp"
#include "table/table_test_util.hpp"

namespace xb::table::test {
namespace {

// Records 1..5 with K = c a d b e; record 2 ("a") is deleted; order 1 on K.
struct NavFixture {
    TempFolder tmp;
    Engine e;
    Table* t = nullptr;
    NavFixture() {
        EXPECT_TRUE(Table::create(e.rt, tmp.file("NAV.DBF"), {{"K", 'C', 3, 0}, {"N", 'N', 4, 0}}));
        EXPECT_TRUE(e.wa().use(1, tmp.file("NAV"), "", {}));
        t = e.wa().table();
        int n = 0;
        for (auto k : {"c", "a", "d", "b", "e"}) {
            t->append();
            t->putField(0, rt::Value(k));
            t->putField(1, num(++n, 4, 0));
        }
        t->goTo(2);
        t->deleteRecord();
        EXPECT_TRUE(t->createOrder(tmp.file("NAVK.NTX"), "K", fieldKey(e, 1, "K"), "", nullptr,
                                   false, false));
    }
    std::string key() {
        rt::Value v;
        e.wa().table()->getField(0, v);  // the table open now (tests reopen the area)
        return v.str();
    }
    // "recno key E/B flags"
    std::string pos() {
        return std::to_string(t->recNo()) + " " + key() + (t->eof() ? " E" : "") +
               (t->bof() ? " B" : "");
    }
};

TEST(Navigation, MovesLikeClassicEnginesInBothOrders) {
    struct Step {
        const char* what;
        std::function<void(Table&)> act;
        const char* natural;
        const char* ordered;
    };
    const std::vector<Step> steps = {
        {"top", [](Table& t) { t.goTop(); }, "1 c  ", "4 b  "},
        {"back from the first", [](Table& t) { t.skip(-1); }, "1 c   B", "4 b   B"},
        {"bottom", [](Table& t) { t.goBottom(); }, "5 e  ", "5 e  "},
        {"past the end", [](Table& t) { t.skip(1); }, "6     E", "6     E"},
        {"further", [](Table& t) { t.skip(1); }, "6     E", "6     E"},
        {"back from the phantom", [](Table& t) { t.skip(-1); }, "5 e  ", "5 e  "},
        {"two back", [](Table& t) { t.skip(-2); }, "3 d  ", "1 c  "},
        {"back past the first", [](Table& t) { t.skip(-5); }, "1 c   B", "4 b   B"},
        {"goto a deleted record", [](Table& t) { t.goTo(2); }, "2 a  ", "2 a  "},
        {"skip from it", [](Table& t) { t.skip(1); }, "3 d  ", "4 b  "},
        {"goto 0", [](Table& t) { t.goTo(0); }, "6     E", "6     E"},
        {"skip 0 keeps", [](Table& t) { t.skip(0); }, "6     E", "6     E"},
    };
    for (int order : {0, 1}) {
        NavFixture f;
        f.t->setControllingOrder(order);
        for (const auto& s : steps) {
            SCOPED_TRACE(std::string(order ? "ordered: " : "natural: ") + s.what);
            s.act(*f.t);
            EXPECT_EQ(f.pos(), order ? s.ordered : s.natural);
        }
    }
}

TEST(Navigation, DeletedSettingFilterAndEmptyView) {
    NavFixture f;
    f.e.rt.settings().deleted = false;
    f.t->goTop();
    EXPECT_EQ(f.pos(), "2 a  ");
    f.e.rt.settings().deleted = true;
    f.t->setFilter([&f] { return rt::Value(f.key()[0] > 'c'); }, "K > \"c\"");
    EXPECT_EQ(f.t->filterText(), "K > \"c\"");
    f.t->goTop();
    EXPECT_EQ(f.pos(), "3 d  ");
    f.t->skip(1);
    EXPECT_EQ(f.pos(), "5 e  ");
    f.t->setFilter([] { return rt::Value(false); }, ".F.");
    f.t->goTop();
    EXPECT_EQ(f.pos(), "6     E B");
    f.t->goBottom();
    EXPECT_EQ(f.pos(), "6     E B");
    f.t->clearFilter();
    EXPECT_EQ(f.t->filterText(), "");
}

TEST(Seek, ExactSoftLastAndDeletedRecords) {
    NavFixture f;
    struct Case {
        const char* key;
        bool soft, last;
        const char* want;
        bool found;
    };
    const Case cases[] = {
        {"d", false, false, "3 d  ", true},     {"d  ", false, false, "3 d  ", true},
        {"", false, false, "4 b  ", true},       // an empty key matches the first
        {"bb", false, false, "6     E", false},  // not found: the phantom
        {"bb", true, false, "1 c  ", false},     // soft: the next greater key
        {"a", false, false, "6     E", false},   // only a deleted record has it
        {"a", true, false, "4 b  ", false},     {"z", true, false, "6     E", false},
        {"e", false, true, "5 e  ", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(f.t->seek(rt::Value(c.key), c.soft, c.last), c.found);
        EXPECT_EQ(f.t->found(), c.found);
        EXPECT_EQ(f.pos(), c.want);
    }
    for (auto k : {"d", "d"}) {  // duplicates: first and last
        f.t->append();
        f.t->putField(0, rt::Value(k));
    }
    f.t->seek(rt::Value("d"), false, false);
    EXPECT_EQ(f.t->recNo(), 3u);
    f.t->seek(rt::Value("d"), false, true);
    EXPECT_EQ(f.t->recNo(), 7u);
    f.t->skip(1);
    EXPECT_EQ(f.key(), "e  ");
    f.t->setControllingOrder(0);
    EXPECT_FALSE(f.t->seek(rt::Value("d"), false));
    EXPECT_EQ(f.e.lastError(), "36/0");
}

TEST(Changes, KeyChangeMovesTheRecordAndZapPackKeepOrders) {
    NavFixture f;
    f.t->seek(rt::Value("b"), false);
    f.t->putField(0, rt::Value("zz"));
    f.t->skip(1);  // written on the move; the record now sorts last
    EXPECT_TRUE(f.t->eof());
    f.t->goBottom();
    EXPECT_EQ(f.pos(), "4 zz ");
    f.t->goTo(3);
    f.t->recall();
    f.t->goTo(2);
    f.t->recall();
    f.t->goTo(5);
    f.t->deleteRecord();
    ASSERT_TRUE(f.t->pack());
    EXPECT_EQ(f.t->lastRec(), 4u);
    std::vector<std::string> report;
    EXPECT_TRUE(f.t->verifyOrder(1, report)) << ::testing::PrintToString(report);
    f.t->goTop();
    EXPECT_EQ(f.pos(), "2 a  ");
    ASSERT_TRUE(f.t->zap());
    EXPECT_EQ(f.t->lastRec(), 0u);
    EXPECT_EQ(f.pos(), "1     E B");
    f.t->append();
    f.t->putField(0, rt::Value("q"));
    f.t->commit();
    EXPECT_TRUE(f.t->seek(rt::Value("q"), false));
    auto size = std::filesystem::file_size(f.tmp.file("NAV.DBF"));
    EXPECT_EQ(size,
              static_cast<std::uintmax_t>(f.t->header().headerLen + f.t->header().recLen + 1));
}

TEST(Changes, WritesNeedALockWhenSharedAndWriteAccess) {
    NavFixture f;
    f.e.wa().closeArea(1);
    ASSERT_TRUE(f.e.wa().use(1, f.tmp.file("NAV"), "", {true, false}));
    Table& t = *f.e.wa().table();
    t.goTo(1);
    EXPECT_FALSE(t.putField(0, rt::Value("x")));
    EXPECT_EQ(f.e.lastError(), "38/0");
    EXPECT_TRUE(t.lockRecord(1, true));
    EXPECT_TRUE(t.putField(0, rt::Value("x")));
    EXPECT_FALSE(t.zap());
    EXPECT_EQ(f.e.lastError(), "37/0");
    f.e.wa().closeArea(1);
    ASSERT_TRUE(f.e.wa().use(1, f.tmp.file("NAV"), "", {false, true}));
    f.e.wa().table()->goTo(1);
    EXPECT_EQ(f.key(), "x  ");
    EXPECT_FALSE(f.e.wa().table()->putField(0, rt::Value("y")));
    EXPECT_EQ(f.e.lastError(), "39/0");
    EXPECT_FALSE(f.e.wa().table()->append());
}

TEST(BadFiles, GiveClearErrorsNeverCrashes) {
    TempFolder tmp;
    Engine e;
    ASSERT_TRUE(Table::create(e.rt, tmp.file("GOOD.DBF"), {{"A", 'C', 4, 0}, {"M", 'M', 10, 0}}));
    ASSERT_TRUE(e.wa().use(1, tmp.file("GOOD"), "", {}));
    for (int i = 0; i < 3; ++i) {
        e.wa().table()->append();
        e.wa().table()->putField(0, rt::Value("r" + std::to_string(i)));
    }
    e.wa().closeArea(1);
    std::string good = readFile(tmp.file("GOOD.DBF"));
    std::filesystem::create_directory(tmp.file("ADIR.DBF"));

    struct Case {
        const char* what;
        std::string bytes;  // written to BAD.DBF unless empty
        std::string open;
        const char* error;
        bool opens;
    };
    std::string countBeyond = good;
    countBeyond[4] = 50;
    std::string badHeaderLen = good;
    badHeaderLen[8] = 5, badHeaderLen[9] = 0;
    std::string hugeHeaderLen = good;
    hugeHeaderLen[8] = '\xFF', hugeHeaderLen[9] = '\xFF';
    std::string zeroField = good;
    zeroField[32 + 16] = 0;
    std::string shortDate = good;  // the 4-byte field A typed as a date
    shortDate[32 + 11] = 'D';
    const Case cases[] = {
        {"missing file", "", tmp.file("NONE"), "21/2", false},
        {"missing folder", "", tmp.file("NODIR/X"), "21/3", false},
        {"a directory", "", tmp.file("ADIR"), "21/5", false},
        {"truncated", good.substr(0, 20), tmp.file("BAD"), "32/0", false},
        {"short header length", badHeaderLen, tmp.file("BAD"), "32/0", false},
        {"header length past the end", hugeHeaderLen, tmp.file("BAD"), "32/0", false},
        {"field of length 0", zeroField, tmp.file("BAD"), "32/0", false},
        {"date field not 8 long", shortDate, tmp.file("BAD"), "32/0", false},
        {"count beyond the file", countBeyond, tmp.file("BAD"), "32/0", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.bytes.empty()) {
            writeFile(tmp.file("BAD.DBF"), c.bytes);
            writeFile(tmp.file("BAD.DBT"), readFile(tmp.file("GOOD.DBT")));
        }
        e.errors.clear();
        EXPECT_EQ(e.wa().use(1, c.open, "", {}), c.opens);
        EXPECT_EQ(e.lastError(), c.error);
        if (c.opens) {
            EXPECT_EQ(e.wa().table()->lastRec(), 3u);
        }
        e.wa().closeArea(1);
    }
    // A memo pointer past the end of the memo file reads as a corruption and an empty text.
    std::string pastEnd = good;
    std::size_t rec1 = static_cast<std::size_t>(32 + 2 * 32 + 1) + 1 + 4;
    pastEnd.replace(rec1, 10, "     99999");
    writeFile(tmp.file("BAD.DBF"), pastEnd);
    ASSERT_TRUE(e.wa().use(1, tmp.file("BAD"), "", {}));
    e.errors.clear();
    rt::Value v;
    e.wa().table()->getField(1, v);
    EXPECT_EQ(v.str(), "");
    EXPECT_EQ(e.lastError(), "32/0");
}

// Fails chosen calls, as a full disk or a process out of descriptors would.
struct FailingOps : FileOps {
    int failOpenWith = 0;
    bool failWrites = false;
    int open(const char* path, int flags, mode_t mode) override {
        if (failOpenWith) {
            errno = failOpenWith;
            return -1;
        }
        return FileOps::open(path, flags, mode);
    }
    ssize_t pwrite(int fd, const void* buf, std::size_t n, off_t off) override {
        if (failWrites) {
            errno = ENOSPC;
            return -1;
        }
        return FileOps::pwrite(fd, buf, n, off);
    }
};

TEST(FaultInjection, RefusedOpensAndFailedWritesReachTheHandler) {
    TempFolder tmp;
    Engine e;
    ASSERT_TRUE(Table::create(e.rt, tmp.file("T.DBF"), {{"A", 'C', 4, 0}}));
    FailingOps ops;
    ScopedFileOps guard(ops);
    struct Case {
        int err;
        const char* want;
    };
    for (auto c : {Case{EMFILE, "21/4"}, Case{EACCES, "21/5"}, Case{EWOULDBLOCK, "21/32"}}) {
        SCOPED_TRACE(c.want);
        ops.failOpenWith = c.err;
        e.wa().setNetErr(false);
        EXPECT_FALSE(e.wa().use(1, tmp.file("T"), "", {}));
        EXPECT_EQ(e.lastError(), c.want);
        EXPECT_EQ(e.wa().netErr(), c.err == EWOULDBLOCK);
    }
    ops.failOpenWith = 0;
    ASSERT_TRUE(e.wa().use(1, tmp.file("T"), "", {}));
    Table& t = *e.wa().table();
    ASSERT_TRUE(t.append());
    t.putField(0, rt::Value("abcd"));
    ops.failWrites = true;
    EXPECT_FALSE(t.flush());
    EXPECT_EQ(e.errors.back().genCode, rt::eg::kWrite);
    ops.failWrites = false;
}

// Runs `before` once, just before the next read lock on an order is requested: another
// handle's change lands while a reader waits for that lock.
struct LockHookOps : FileOps {
    std::function<void()> before;
    int lockRange(int fd, short type, off_t start, off_t len, bool wait) override {
        if (before && type == F_RDLCK && static_cast<std::uint64_t>(start) == kNtxLockOffset) {
            auto run = std::move(before);
            before = nullptr;
            run();
        }
        return FileOps::lockRange(fd, type, start, len, wait);
    }
};

// A shared reader whose cached pages are still current seeks without the lock; the tree a
// writer changes before it reads the file is noticed (at the start, or when it takes the lock
// for a page it lacks) and the seek answers from the new tree.
TEST(Seek, SharedReaderFollowsChangesOfAnotherHandle) {
    TempFolder tmp;
    Engine e;
    ASSERT_TRUE(Table::create(e.rt, tmp.file("S.DBF"), {{"K", 'C', 10, 0}}));
    ASSERT_TRUE(e.wa().use(1, tmp.file("S"), "", {}));
    Table* t = e.wa().table();
    char buf[16];
    for (int i = 1; i <= 6000; ++i) {
        std::snprintf(buf, sizeof buf, "k%05d", i);
        t->append();
        t->putField(0, rt::Value(buf));
    }
    ASSERT_TRUE(
        t->createOrder(tmp.file("SK.NTX"), "K", fieldKey(e, 1, "K"), "", nullptr, false, false));
    e.wa().closeArea(1);
    ASSERT_TRUE(e.wa().use(1, tmp.file("S"), "R", {true, true}));
    ASSERT_TRUE(e.wa().use(2, tmp.file("S"), "W", {true, false}));
    Table& reader = *e.wa().table(1);
    Table& writer = *e.wa().table(2);
    for (int area : {1, 2}) {
        e.wa().setCompiler([&e, area](const std::string& text) { return fieldKey(e, area, text); });
        ASSERT_TRUE(e.wa().table(area)->addOrder(tmp.file("SK.NTX")));
    }
    reader.setControllingOrder(1);
    writer.setControllingOrder(1);
    auto add = [&](const char* k) {
        ASSERT_TRUE(writer.append());
        writer.putField(0, rt::Value(k));
        ASSERT_TRUE(writer.commit());
        writer.unlockAll();
    };
    EXPECT_TRUE(reader.seek(rt::Value("k06000"), false));  // caches the root and the last leaves
    add("k06001");                                         // changed before the seek starts
    EXPECT_TRUE(reader.seek(rt::Value("k06001"), false));
    EXPECT_EQ(reader.recNo(), 6001u);
    EXPECT_TRUE(reader.seek(rt::Value("k05999"), false));  // all cached: no lock needed
    EXPECT_EQ(reader.recNo(), 5999u);

    LockHookOps ops;
    ScopedFileOps guard(ops);
    ops.before = [&] {  // the first leaf is not cached yet: the reader waits for the lock
        for (auto k : {"a0", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "a9"}) add(k);
    };
    EXPECT_TRUE(reader.seek(rt::Value("a5"), false));
    EXPECT_FALSE(ops.before);
    EXPECT_EQ(reader.recNo(), 6007u);
    EXPECT_TRUE(reader.seek(rt::Value("k00001"), false));
    EXPECT_EQ(reader.recNo(), 1u);

    // A decoded field lasts only as long as the buffer it came from.
    rt::Value v;
    reader.getField(0, v);
    EXPECT_EQ(v.str(), "k00001    ");
    writer.goTo(1);
    ASSERT_TRUE(writer.lockRecord(1, true));
    writer.putField(0, rt::Value("z"));
    writer.getField(0, v);
    EXPECT_EQ(v.str(), "z         ");
    ASSERT_TRUE(writer.commit());
    writer.unlockAll();
    reader.getField(0, v);
    EXPECT_EQ(v.str(), "k00001    ");
    reader.goTo(1);
    reader.getField(0, v);
    EXPECT_EQ(v.str(), "z         ");
    EXPECT_TRUE(e.errors.empty());
}

}  // namespace
}  // namespace xb::table::test

namespace xb::table::test {
namespace {

TEST(Changes, ClosingTheAreaStillIndexesTheLastChangedRecord) {
    TempFolder tmp;
    Engine e;
    ASSERT_TRUE(Table::create(e.rt, tmp.file("C.DBF"), {{"K", 'C', 4, 0}}));
    e.wa().setCompiler([&e](const std::string& text) { return fieldKey(e, 2, text); });
    ASSERT_TRUE(e.wa().use(2, tmp.file("C"), "", {}));
    Table* t = e.wa().table(2);
    ASSERT_TRUE(
        t->createOrder(tmp.file("CK.NTX"), "K", fieldKey(e, 2, "K"), "", nullptr, false, false));
    t->append();
    t->putField(0, rt::Value("last"));
    e.wa().closeArea(2);  // the key is evaluated through area 2 while it closes
    ASSERT_TRUE(e.wa().use(2, tmp.file("C"), "", {}));
    t = e.wa().table(2);
    ASSERT_TRUE(t->addOrder(tmp.file("CK")));
    std::vector<std::string> report;
    EXPECT_TRUE(t->verifyOrder(1, report)) << ::testing::PrintToString(report);
    EXPECT_TRUE(t->seek(rt::Value("last"), false));
    EXPECT_TRUE(e.errors.empty());
}

}  // namespace
}  // namespace xb::table::test
