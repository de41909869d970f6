#include "framework/core/textio.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <optional>

#include "core_fixture.hpp"

namespace xb::fw::testing {
namespace {

using rt::Value;
const std::string kZ(1, '\x1A');

struct Put {
    const char* text;
    std::optional<const char*> ending;
};

TEST(PutLine, WritesExactlyTheBytesDescribed) {
    struct Case {
        const char* name;
        std::vector<Put> lines;
        std::optional<const char*> tail;  // nullopt: H_CLOSEOUT()
        std::string want;
    };
    const Case cases[] = {
        {"crlf", {{"abc", {}}}, "", "abc\r\n"},
        {"no ending", {{"abc", ""}}, "", "abc"},
        {"own ending", {{"a", "\n"}, {"b", "|"}}, "", "a\nb|"},
        {"ctrl-z", {{"abc", ""}}, {}, "abc" + kZ},
        {"tail", {{"x", {}}}, "END", "x\r\nEND"},
        {"empty", {}, {}, kZ},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder tmp;
        CoreFixture fx;
        fx.call("H_OPENOUT", {"OUT.TXT"});
        for (const auto& l : c.lines) {
            std::vector<Value> args = {Value(l.text)};
            if (l.ending) args.emplace_back(*l.ending);
            EXPECT_EQ(fx.repr("H_PUTLINE", args), ".T.");
        }
        EXPECT_EQ(fx.repr("H_CLOSEOUT",
                          c.tail ? std::vector<Value>{Value(*c.tail)} : std::vector<Value>{}),
                  ".T.");
        EXPECT_EQ(tmp.read("OUT.TXT"), c.want);
    }
}

TEST(OpenOut, AppendsOrCreates) {
    TempFolder tmp;
    CoreFixture fx;
    fx.call("H_OPENOUT", {"LOG.TXT", true});  // missing: created
    fx.call("H_PUTLINE", {"one"});
    fx.call("H_CLOSEOUT", {""});
    fx.call("H_OPENOUT", {"LOG.TXT", true});  // the new lines follow the old content
    fx.call("H_PUTLINE", {"two"});
    fx.call("H_CLOSEOUT", {""});
    EXPECT_EQ(tmp.read("LOG.TXT"), "one\r\ntwo\r\n");
    fx.call("H_OPENOUT", {"log.txt"});  // without append: emptied (found whatever its case)
    fx.call("H_CLOSEOUT", {""});
    EXPECT_EQ(tmp.read("LOG.TXT"), "");
    EXPECT_FALSE(std::filesystem::exists(tmp.path() / "log.txt"));
}

TEST(OpenOut, CreatesNamesInTheFileCaseSetting) {
    TempFolder tmp;
    CoreFixture fx;
    fx.call("H_SETFILECASE", {Value::integer(2), true});
    fx.call("H_OPENOUT", {"sub.txt"});
    fx.call("H_CLOSEOUT", {""});
    EXPECT_TRUE(std::filesystem::exists(tmp.path() / "SUB.TXT"));
    EXPECT_EQ(fx.repr("H_OPENINP", {"sub.txt"}), ".T.");
    EXPECT_EQ(fx.repr("H_CLOSEINP"), ".T.");
}

struct Got {
    bool ok;
    std::string line, ending;
};

std::vector<Got> readAll(CoreFixture& fx, const std::string& file) {
    std::vector<Got> out;
    fx.call("H_OPENINP", {Value(file)});
    for (int guard = 0; guard < 100; ++guard) {
        std::vector<Value> args = {Value("junk"), Value("junk")};
        bool ok = fx.callRef("H_GETLINE", args).logical();
        out.push_back({ok, args[0].str(), args[1].str()});
        if (!ok) break;
    }
    fx.call("H_CLOSEINP");
    return out;
}

TEST(GetLine, ReadsEveryEnding) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<Got> want;
    };
    const std::string x511(511, 'x'), x1023(1023, 'x');
    const Case cases[] = {
        {"empty file", "", {{false, "", ""}}},
        {"crlf then last line", "a\r\nb", {{true, "a", "\r\n"}, {true, "b", ""}, {false, "", ""}}},
        {"lf cr is one ending",
         "a\n\rb\n",
         {{true, "a", "\n\r"}, {true, "b", "\n"}, {false, "", ""}}},
        {"cr, ff",
         "a\rb\fc",
         {{true, "a", "\r"}, {true, "b", "\f"}, {true, "c", ""}, {false, "", ""}}},
        {"empty lines", "\r\n\r\n", {{true, "", "\r\n"}, {true, "", "\r\n"}, {false, "", ""}}},
        {"lone cr", "\r", {{true, "", "\r"}, {false, "", ""}}},
        {"one byte", "z", {{true, "z", ""}, {false, "", ""}}},
        {"ctrl-z ends reading", "ab" + kZ + "cd\r\n", {{true, "ab", ""}, {false, "", ""}}},
        {"ctrl-z at a line start", "ab\r\n" + kZ + "cd", {{true, "ab", "\r\n"}, {false, "", ""}}},
        {"cr lf across blocks",
         x511 + "\r\ny",
         {{true, x511, "\r\n"}, {true, "y", ""}, {false, "", ""}}},
        {"lf cr across blocks", x1023 + "\n\r", {{true, x1023, "\n\r"}, {false, "", ""}}},
        {"block-sized line",
         std::string(512, 'q') + "\n",
         {{true, std::string(512, 'q'), "\n"}, {false, "", ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder tmp;
        tmp.write("IN.TXT", c.bytes);
        CoreFixture fx;
        auto got = readAll(fx, "IN.TXT");
        ASSERT_EQ(got.size(), c.want.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(got[i].ok, c.want[i].ok);
            EXPECT_EQ(got[i].line, c.want[i].line);
            EXPECT_EQ(got[i].ending, c.want[i].ending);
        }
    }
}

TEST(GetChar, LooksAheadAndRepeatsCtrlZAtTheEnd) {
    TempFolder tmp;
    tmp.write("IN.TXT", "ab");
    CoreFixture fx;
    EXPECT_EQ(fx.repr("H_IHANDLE"), "0");
    fx.call("H_OPENINP", {"IN.TXT"});
    EXPECT_NE(fx.repr("H_IHANDLE"), "0");
    EXPECT_EQ(fx.repr("H_NEXTCHAR"), R"("a")");
    EXPECT_EQ(fx.repr("H_GETCHAR"), R"("a")");
    EXPECT_EQ(fx.repr("H_NEXTCHAR"), R"("b")");
    EXPECT_EQ(fx.repr("H_GETCHAR"), R"("b")");
    EXPECT_EQ(fx.repr("H_NEXTCHAR"), R"("\x1A")");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(fx.repr("H_GETCHAR"), R"("\x1A")");
    fx.call("H_CLOSEINP");
    EXPECT_EQ(fx.repr("H_IHANDLE"), "0");
}

// A file-operations double that records write sizes and fails what it is told to.
class FaultyOps : public textio::FileOps {
public:
    std::vector<std::size_t> writes;
    int failRead = 0, failWrite = 0, failClose = 0;
    long read(int fd, char* buf, std::size_t n, int& err) override {
        if (failRead) {
            err = failRead;
            return -1;
        }
        return FileOps::read(fd, buf, n, err);
    }
    long write(int fd, const char* buf, std::size_t n, int& err) override {
        writes.push_back(n);
        if (failWrite) {
            err = failWrite;
            return -1;
        }
        return FileOps::write(fd, buf, n, err);
    }
    bool close(int fd, int& err) override {
        bool ok = FileOps::close(fd, err);
        if (failClose) {
            err = failClose;
            return false;
        }
        return ok;
    }
};

TEST(MemoWrit, WritesInPiecesAndReadsBack) {
    TempFolder tmp;
    CoreFixture fx;
    auto ops = std::make_shared<FaultyOps>();
    textio::state(fx.rt).ops = ops;
    std::string text(600, 'm');
    text[10] = '\0';
    text[20] = '\x1A';
    EXPECT_EQ(fx.repr("H_MEMOWRIT", {"M.TXT", Value(text)}), ".T.");
    EXPECT_EQ(ops->writes, (std::vector<std::size_t>{256, 256, 88}));
    EXPECT_EQ(tmp.read("M.TXT"), text);  // no Ctrl-Z added
    EXPECT_EQ(rt::repr(fx.call("H_MEMOREAD", {"m.txt"})), rt::repr(Value(text)));
    EXPECT_EQ(fx.repr("H_MEMOWRIT", {"M.TXT", Value::integer(5)}), ".T.");
    EXPECT_EQ(tmp.read("M.TXT"), "");
    EXPECT_EQ(fx.repr("H_MEMOREAD", {"MISSING.TXT"}), R"("")");
    EXPECT_EQ(fx.repr("H_MEMOREAD", {Value::integer(1)}), R"("")");
    ops->failRead = EIO;
    EXPECT_EQ(fx.repr("H_MEMOREAD", {"M.TXT"}), R"("")");  // unreadable: "" and no stop
}

TEST(TextFiles, OperatingSystemErrorsStopNamingTheFile) {
    struct Case {
        const char* name;
        std::function<void(CoreFixture&, FaultyOps&)> run;
        const char* message;
    };
    const Case cases[] = {
        {"open input missing",
         [](CoreFixture& fx, FaultyOps&) { fx.call("H_OPENINP", {" missing.txt "}); },
         "Eroare DOS 2 ptr. fisierul MISSING.TXT"},
        {"open input no folder",
         [](CoreFixture& fx, FaultyOps&) { fx.call("H_OPENINP", {"nodir/x.txt"}); },
         "Eroare DOS 3 ptr. fisierul NODIR/X.TXT"},
        {"append no folder",
         [](CoreFixture& fx, FaultyOps&) {
             fx.call("H_OPENOUT", {"nodir/x.txt", true});
         },
         "Eroare DOS 3 ptr. fisierul NODIR/X.TXT"},
        {"create on a folder", [](CoreFixture& fx, FaultyOps&) { fx.call("H_OPENOUT", {"."}); },
         "Eroare DOS 5 ptr. fisierul ."},
        {"put without open", [](CoreFixture& fx, FaultyOps&) { fx.call("H_PUTLINE", {"x"}); },
         "Eroare DOS 6 ptr. fisierul "},
        {"read without open", [](CoreFixture& fx, FaultyOps&) { fx.call("H_GETCHAR"); },
         "Eroare DOS 6 ptr. fisierul "},
        {"disk full",
         [](CoreFixture& fx, FaultyOps& ops) {
             fx.call("H_OPENOUT", {"out.txt"});
             ops.failWrite = ENOSPC;
             fx.call("H_PUTLINE", {"x"});
         },
         "Eroare DOS 112 ptr. fisierul OUT.TXT"},
        {"read fails",
         [](CoreFixture& fx, FaultyOps& ops) {
             fx.call("H_OPENINP", {"in.txt"});
             ops.failRead = EACCES;
             std::vector<Value> args(2);
             fx.callRef("H_GETLINE", args);
         },
         "Eroare DOS 5 ptr. fisierul IN.TXT"},
        {"close fails",
         [](CoreFixture& fx, FaultyOps& ops) {
             fx.call("H_OPENOUT", {"out.txt"});
             ops.failClose = EIO;
             fx.call("H_CLOSEOUT", {""});
         },
         "Eroare DOS 31 ptr. fisierul OUT.TXT"},
        {"memowrit fails",
         [](CoreFixture& fx, FaultyOps& ops) {
             ops.failWrite = EACCES;
             fx.call("H_MEMOWRIT", {"m.txt", "abc"});
         },
         "Eroare DOS 5 ptr. fisierul M.TXT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder tmp;
        tmp.write("in.txt", "abc\r\n");
        CoreFixture fx;
        auto ops = std::make_shared<FaultyOps>();
        textio::state(fx.rt).ops = ops;
        auto s = fatalOf([&] { c.run(fx, *ops); });
        EXPECT_EQ(s.code, 1);
        EXPECT_EQ(s.message, c.message);
    }
}

TEST(FileErr, StopsOnlyAfterAFailure) {
    TempFolder tmp;
    CoreFixture fx;
    EXPECT_EQ(fx.repr("H_FILEERR", {"X"}), ".T.");
    fx.call("H_MEMOREAD", {"missing"});
    auto s = fatalOf([&] { fx.call("H_FILEERR", {" a.txt"}); });
    EXPECT_EQ(s.message, "Eroare DOS 2 ptr. fisierul A.TXT");
}

}  // namespace
}  // namespace xb::fw::testing
