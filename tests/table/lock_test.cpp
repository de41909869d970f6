// Sharing and locks between two real processes: the child is forked after the parent has
// taken its locks, opens the files itself and reports what it could do in its exit code.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "table/table_test_util.hpp"

namespace xb::table::test {
namespace {

// Runs fn in a child process with its own runtime; returns fn's result (0..255).
int inChild(const std::function<int(Engine&)>& fn) {
    pid_t pid = ::fork();
    if (pid == 0) {
        int code = 255;
        try {
            Engine e;
            code = fn(e);
        } catch (...) {
        }
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Shared {
    TempFolder tmp;
    Engine e;
    std::string name;
    Shared() : name(tmp.file("S")) {
        EXPECT_TRUE(Table::create(e.rt, name, {{"K", 'C', 4, 0}}));
        EXPECT_TRUE(e.wa().use(1, name, "", {true, false}));
        for (int i = 0; i < 5; ++i) {
            EXPECT_TRUE(e.wa().table()->append());
            e.wa().table()->putField(0, rt::Value("r" + std::to_string(i + 1)));
        }
        e.wa().table()->unlockAll();
    }
};

TEST(Sharing, ExclusiveAndSharedOpensExcludeEachOther) {
    Shared s;
    // Shared here: another shared open works, an exclusive one is refused with NetErr set.
    EXPECT_EQ(inChild([&](Engine& e) {
                  int r = e.wa().use(1, s.name, "", {true, false}) ? 1 : 0;
                  e.wa().closeArea(1);
                  bool excl = e.wa().use(1, s.name, "", {false, false});
                  return r | (excl ? 2 : 0) | (e.wa().netErr() ? 4 : 0) |
                         (e.lastError() == "21/32" ? 8 : 0);
              }),
              1 | 4 | 8);
    s.e.wa().closeArea(1);
    ASSERT_TRUE(s.e.wa().use(1, s.name, "", {false, false}));  // exclusive here
    EXPECT_EQ(inChild([&](Engine& e) {
                  bool sh = e.wa().use(1, s.name, "", {true, true});
                  return (sh ? 1 : 0) | (e.wa().netErr() ? 2 : 0);
              }),
              2);
}

TEST(Sharing, RecordAndFileLocksConflictAcrossProcesses) {
    Shared s;
    Table& t = *s.e.wa().table();
    ASSERT_TRUE(t.lockRecord(3, true));
    EXPECT_EQ(inChild([&](Engine& e) {
                  if (!e.wa().use(1, s.name, "", {true, false})) return 100;
                  Table& c = *e.wa().table();
                  return (c.lockRecord(3, false) ? 1 : 0) | (c.lockRecord(4, false) ? 2 : 0) |
                         (c.lockFile() ? 4 : 0);
              }),
              2);
    ASSERT_TRUE(t.lockFile());
    EXPECT_EQ(inChild([&](Engine& e) {
                  if (!e.wa().use(1, s.name, "", {true, false})) return 100;
                  Table& c = *e.wa().table();
                  bool appended = c.append();
                  return (c.lockRecord(1, true) ? 1 : 0) | (appended ? 2 : 0) |
                         (e.wa().netErr() ? 4 : 0) | (e.lastError() == "40/32" ? 8 : 0);
              }),
              4 | 8);
    t.unlockAll();
    EXPECT_EQ(inChild([&](Engine& e) {
                  if (!e.wa().use(1, s.name, "", {true, false})) return 100;
                  return e.wa().table()->lockFile() ? 1 : 0;
              }),
              1);
}

TEST(Sharing, LocksSurviveClosingAnotherHandleOfTheSameFile) {
    Shared s;
    ASSERT_TRUE(s.e.wa().table()->lockRecord(2, true));
    ASSERT_TRUE(s.e.wa().use(2, s.name, "S2", {true, false}));
    s.e.wa().closeArea(2);
    EXPECT_EQ(inChild([&](Engine& e) {
                  if (!e.wa().use(1, s.name, "", {true, false})) return 100;
                  return e.wa().table()->lockRecord(2, true) ? 1 : 0;
              }),
              0);
}

TEST(Sharing, AppendLocksTheNewRecordAndKeepsTheFileConsistent) {
    Shared s;
    Table& t = *s.e.wa().table();
    ASSERT_TRUE(t.append());
    EXPECT_EQ(t.recNo(), 6u);
    EXPECT_EQ(inChild([&](Engine& e) {
                  if (!e.wa().use(1, s.name, "", {true, false})) return 100;
                  Table& c = *e.wa().table();
                  bool ok =
                      c.lastRec() == 6 && !c.lockRecord(6, true) && c.append() && c.recNo() == 7;
                  return ok ? 1 : 0;
              }),
              1);
    // Killed while appending: the child appends and dies without closing.
    inChild([&](Engine& e) {
        if (!e.wa().use(1, s.name, "", {true, false})) return 100;
        for (int i = 0; i < 20; ++i) {
            e.wa().table()->append();
            e.wa().table()->putField(0, rt::Value("k" + std::to_string(i)));
        }
        ::_exit(0);
    });
    t.unlockAll();
    s.e.wa().closeArea(1);
    auto size = std::filesystem::file_size(s.name + ".DBF");
    ASSERT_TRUE(s.e.wa().use(1, s.name, "", {false, true}));
    const DbfHeader& h = s.e.wa().table()->header();
    EXPECT_EQ(h.count, 27u);
    EXPECT_EQ(size, static_cast<std::uintmax_t>(h.headerLen) + h.count * h.recLen + 1);
}

}  // namespace
}  // namespace xb::table::test
