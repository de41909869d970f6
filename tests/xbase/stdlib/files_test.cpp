#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "cases.hpp"
#include "xbase/stdlib/stdlib.hpp"

namespace {

namespace fs = std::filesystem;

// A folder made for one test and removed after it; the expression variable D holds its path
// with a trailing "/".
struct TempFolder {
    fs::path path;
    TempFolder() {
        std::string tmpl = (fs::temp_directory_path() / "xbstdlibXXXXXX").string();
        path = ::mkdtemp(tmpl.data());
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string dir() const { return path.string() + "/"; }
    void write(const std::string& name, const std::string& data) const {
        std::ofstream(path / name, std::ios::binary) << data;
    }
};

struct FilesTest : ::testing::Test {
    TempFolder tmp;
    EvalFixture ev;
    void SetUp() override { ev.rt.assignVar(ev.rt.intern("D"), xb::rt::Value(tmp.dir())); }
};

TEST_F(FilesTest, MemoReadAndWriteRoundTripBytes) {
    expectAll(ev, {
                      {R"(MEMOWRIT(D + "a.txt", "x" + CHR(0) + "y" + CHR(13) + CHR(10)))", ".T."},
                      {R"(MEMOREAD(D + "a.txt"))", R"("x\x00y\x0D\x0A")"},
                      {R"(MEMOREAD(D + "missing.txt"))", R"("")"},
                      {R"(MEMOREAD(D + "A.TXT"))", R"("x\x00y\x0D\x0A")"},  // any letter case
                      {R"(MEMOWRIT(D + "no/such/dir.txt", "x"))", ".F."},
                      {R"(MEMOWRIT(NIL, "x"))", ".F."},
                  });
    tmp.write("eof.txt", std::string("abc\x1A"));
    EXPECT_EQ(ev.repr(R"(MEMOREAD(D + "eof.txt"))"), R"("abc")");
}

TEST_F(FilesTest, FileFindsNamesAndWildcardsIgnoringCase) {
    tmp.write("APLIC.DBF", "x");
    tmp.write("notes.txt", "x");
    expectAll(ev, {
                      {R"(FILE(D + "APLIC.DBF"))", ".T."},
                      {R"(FILE(D + "aplic.dbf"))", ".T."},
                      {R"(FILE(D + "*.dbf"))", ".T."},
                      {R"(FILE(D + "APL?C.*"))", ".T."},
                      {R"(FILE(D + "*.ntx"))", ".F."},
                      {R"(FILE(D + "nothing"))", ".F."},
                      {R"(FILE(""))", ".F."},
                      {R"(FILE(NIL))", ".F."},
                  });
}

TEST_F(FilesTest, EraseAndRenameReportClassicCodes) {
    tmp.write("a.txt", "1");
    tmp.write("b.txt", "2");
    expectAll(ev, {
                      {R"(FRENAME(D + "a.txt", D + "c.txt"))", "0"},
                      {R"(FILE(D + "c.txt"))", ".T."},
                      {R"(FRENAME(D + "c.txt", D + "b.txt"))", "-1"},  // never replaces
                      {R"(MEMOREAD(D + "b.txt"))", R"("2")"},
                      {R"(FERASE(D + "c.txt"))", "0"},
                      {R"(FERASE(D + "c.txt"))", "-1"},
                      {R"(FERROR())", "2"},
                      {R"(FERASE(D + "nodir/c.txt"))", "-1"},
                      {R"(FERROR())", "3"},
                      {R"(FERASE(5))", "-1"},
                  });
}

TEST_F(FilesTest, LowLevelReadWriteSeek) {
    expectAll(ev, {
                      {R"((h := FCREATE(D + "f.bin"), h > 0))", ".T."},
                      {R"(FWRITE(h, "hello world"))", "11"},
                      {R"(FWRITE(h, "abc", 2))", "2"},
                      {R"(FCLOSE(h))", ".T."},
                      {R"(FCLOSE(h))", ".F."},
                      {R"(FERROR())", "6"},
                      {R"((h := FOPEN(D + "f.bin"), h > 0))", ".T."},
                      {R"((buf := SPACE(5), FREAD(h, @buf, 5)))", "5"},
                      {R"(buf)", R"("hello")"},
                      {R"((buf := SPACE(3), FREAD(h, @buf, 10)))", "3"},  // at most its length
                      {R"(buf)", R"(" wo")"},
                      {R"(FSEEK(h, 0, 2))", "13"},
                      {R"(FSEEK(h, -2, 2))", "11"},
                      {R"(FREADSTR(h, 10))", R"("ab")"},
                      {R"(FSEEK(h, 0))", "0"},
                      {R"(FREADSTR(h, 5))", R"("hello")"},
                      {R"(FREADSTR(h, 0))", R"("")"},
                      {R"(FCLOSE(h))", ".T."},
                      {R"(FOPEN(D + "none.bin"))", "-1"},
                      {R"(FERROR())", "2"},
                      {R"(FOPEN(D + "nodir/none.bin"))", "-1"},
                      {R"(FERROR())", "3"},
                      {R"(FCLOSE(0))", ".F."},  // not a handle this runtime opened
                      {R"(FREAD(12345, @buf, 1))", "0"},
                      {R"(FWRITE("x", "y"))", "0"},
                  });
}

TEST_F(FilesTest, ReadStrStopsAtNul) {
    tmp.write("z.bin", std::string("ab\0cd", 5));
    expectAll(ev, {
                      {R"((h := FOPEN(D + "z.bin"), FREADSTR(h, 5)))", R"("ab")"},
                      {R"(FREADSTR(h, 5))", R"("")"},  // the NUL is next
                      {R"(FCLOSE(h))", ".T."},
                  });
}

TEST_F(FilesTest, DirectoryListsFiveColumnsWithAttributes) {
    tmp.write("B.TXT", "12345");
    tmp.write("a.txt", "1");
    tmp.write(".hidden", "1");
    fs::create_directory(tmp.path / "SUB");
    expectAll(ev, {
                      {R"(LEN(DIRECTORY(D + "*.*")))", "2"},
                      {R"(DIRECTORY(D + "*.txt")[1][1])", R"("B.TXT")"},
                      {R"(DIRECTORY(D + "*.txt")[1][2])", "5"},
                      {R"(VALTYPE(DIRECTORY(D + "*.txt")[1][3]))", R"("D")"},
                      {R"(LEN(DIRECTORY(D + "*.txt")[1][4]))", "8"},
                      {R"(DIRECTORY(D + "*.txt")[1][5])", R"("A")"},
                      {R"(LEN(DIRECTORY(D + "*.*", "D")))", "3"},
                      {R"(DIRECTORY(D + "S*", "D")[1][5])", R"("D")"},
                      {R"(LEN(DIRECTORY(D + "*", "HD")))", "4"},
                      {R"(DIRECTORY(D + ".h*", "H")[1][5])", R"("HA")"},
                      {R"(DIRECTORY(D + "nomatch*"))", "{}"},
                      {R"(DIRECTORY(D + "nodir/*.*"))", "{}"},
                      {R"(LEN(DIRECTORY(D)))", "2"},
                  });
}

TEST_F(FilesTest, FoldersCanBeMadeAndEntered) {
    std::string before = fs::current_path().string();
    expectAll(ev, {
                      {R"(MAKEDIR(D + "new"))", "0"},
                      {R"(MAKEDIR(D + "new"))", "80"},
                      {R"(MAKEDIR(D + "x/y"))", "3"},
                      {R"(HB_DIREXISTS(D + "new"))", ".T."},
                      {R"(HB_FILEEXISTS(D + "new"))", ".F."},
                      {R"(DIRCHANGE(D + "missing"))", "2"},
                      {R"(DIRCHANGE(D + "new"))", "0"},
                      {R"("/" + CURDIR() == D + "new")", ".T."},
                      {R"(MEMOWRIT("rel.txt", "r"))", ".T."},
                      {R"(FILE(D + "new/rel.txt"))", ".T."},
                      {R"(DISKSPACE() > 0)", ".T."},
                  });
    fs::current_path(before);
}

TEST(Environment, GetEnvGivesTextOrDefault) {
    ::setenv("XB_STDLIB_TEST_VAR", "val", 1);
    EvalFixture ev;
    expectAll(ev, {
                      {R"(GETENV("XB_STDLIB_TEST_VAR"))", R"("val")"},
                      {R"(GETENV("XB_STDLIB_NO_SUCH_VAR"))", R"("")"},
                      {R"(GETENV("XB_STDLIB_NO_SUCH_VAR", "d"))", R"("d")"},
                      {R"(GETENV(""))", R"("")"},
                      {R"(GETENV(5))", R"("")"},
                  });
}

TEST(Wildcards, MatchIgnoringCase) {
    using xb::stdlib::wildMatch;
    EXPECT_TRUE(wildMatch("*.*", "noext"));
    EXPECT_TRUE(wildMatch("*.dbf", "APLIC.DBF"));
    EXPECT_TRUE(wildMatch("a*b*c", "aXXbYYc"));
    EXPECT_FALSE(wildMatch("a*b*c", "aXXbYY"));
    EXPECT_TRUE(wildMatch("?x", "ax"));
    EXPECT_FALSE(wildMatch("?x", "x"));
    EXPECT_EQ(xb::stdlib::dosError(EACCES), 5);
    EXPECT_EQ(xb::stdlib::dosError(EMFILE), 4);
    EXPECT_EQ(xb::stdlib::dosError(EAGAIN), 32);
}

}  // namespace
