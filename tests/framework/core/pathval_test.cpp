#include "framework/core/pathval.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core_fixture.hpp"
#include "runtime/date.hpp"

namespace xb::fw::testing {
namespace {

using rt::Value;
namespace fs = std::filesystem;

// Writes a case given with "\" for the "/" separator.
std::string slashes(std::string s) {
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}
Value slashes(const Value& v) { return v.isString() ? Value(slashes(v.str())) : v; }

struct StrCase {
    const char* fn;
    std::vector<Value> args;
    Value want;
};

// The string functions give the same answers with either separator.
TEST(PathStrings, ComposeAndSplitWithBothSeparators) {
    const Value nil;
    const std::vector<StrCase> cases = {
        {"H_ADDPATH", {"A.DBF", "DATA"}, "DATA\\A.DBF"},
        {"H_ADDPATH", {"\\X\\A.DBF", "DATA"}, "\\X\\A.DBF"},  // absolute name as it is
        {"H_ADDPATH", {"C:B.DBF", "DATA"}, "C:B.DBF"},
        {"H_ADDPATH", {"", "C:"}, "C:"},  // no separator after a bare drive
        {"H_ADDPATH", {"SUB", "", true}, "SUB\\"},
        {"H_ADDPATH", {"  A.DBF ", " DATA\\ "}, "DATA\\A.DBF"},
        {"H_ADDPATH", {Value::integer(1), "DATA"}, "DATA\\"},
        {"H_ADDSL", {"C:"}, "C:"},
        {"H_ADDSL", {""}, ""},
        {"H_ADDSL", {"A"}, "A\\"},
        {"H_ADDSL", {"A\\ "}, "A\\"},
        {"H_ADDSL", {nil}, ""},
        {"H_CUTSL", {"A\\"}, "A"},
        {"H_CUTSL", {"A"}, "A"},
        {"H_CUTSL", {"\\"}, ""},
        {"H_DRIVE", {"c:\\A"}, "c:"},
        {"H_DRIVE", {"1:\\A"}, ""},
        {"H_DRIVE", {"\\A"}, ""},
        {"H_FILENAME", {"C:\\A\\"}, ""},
        {"H_FILENAME", {"C:B.TXT"}, "B.TXT"},
        {"H_FILENAME", {"A\\B\\C.TXT"}, "C.TXT"},
        {"H_FILENAME", {" B.TXT "}, "B.TXT"},
        {"H_FILENAME", {Value::integer(3)}, ""},
        {"H_FILE", {"A\\B.TXT"}, "B.TXT"},
        {"H_FILEEXT", {"ARH.2016\\DATE"}, ""},  // the "." is in a folder name
        {"H_FILEEXT", {"A\\B.TXT"}, "TXT"},
        {"H_FILEEXT", {"A.B.C"}, "C"},
        {"H_FILEFNAME", {"A\\B.TXT"}, "B"},
        {"H_FILEFNAME", {".profile"}, ""},
        {"H_FILEFNAME", {"A.B.C"}, "A.B"},
        {"H_FILEFNAME", {"ARH.2016\\DATE"}, "DATE"},
        {"H_PATH", {"C:\\A\\B.TXT"}, "C:\\A\\"},
        {"H_PATH", {"B.TXT"}, ""},
        {"H_PATH", {"C:B.TXT"}, "C:"},
        {"H_PATH", {"C:\\A*"}, ""},  // invalid path
        {"H_RESOURCE", {"\\\\SRV\\SHARE"}, true},
        {"H_RESOURCE", {"\\SRV"}, false},
        {"H_RESOURCE", {"\\\\"}, false},
        {"H_VALFNAME", {"A.TXT"}, true},
        {"H_VALFNAME", {" "}, false},
        {"H_VALFNAME", {"A\\B"}, false},
        {"H_VALFNAME", {"A:B"}, false},
        {"H_VALFNAME", {"A*"}, false},
        {"H_VALFNAME", {Value::integer(1)}, false},
        {"H_ALIGNEXT", {"ABC.DBF"}, "ABC      DBF"},
        {"H_ALIGNEXT", {"A.HTML"}, "A        HTM"},
        {"H_ALIGNEXT", {".X"}, ".X"},
        {"H_ALIGNEXT", {"NOEXT"}, "NOEXT"},
        {"H_ALIGNEXT", {"LONGNAME10.TXT"}, "LONGNAME10TXT"},
        {"H_DELTODIGIT", {"RO123"}, "123"},
        {"H_DELTODIGIT", {"RO 1A2"}, "1A2"},
        {"H_DELTODIGIT", {"ABC"}, ""},
        {"H_ALLF", {}, "*.*"},
        {"H_HFDATTRIB", {"X"}, true},
    };
    for (bool windows : {true, false}) {
        CoreFixture fx;
        if (windows)
            fx.windowsRules();
        else
            fx.linuxRules();
        for (const auto& c : cases) {
            std::vector<Value> args = c.args;
            Value want = c.want;
            if (!windows) {
                for (auto& a : args) a = slashes(a);
                want = slashes(want);
            }
            SCOPED_TRACE(std::string(windows ? "\\ " : "/ ") + c.fn + " " +
                         (args.empty() ? std::string() : rt::repr(args[0])));
            EXPECT_EQ(fx.repr(c.fn, args), rt::repr(want));
        }
    }
}

TEST(PathValid, GrammarAndDepthWithBothSeparators) {
    struct Case {
        const char* path;
        const char* options;
        bool valid;
        int depth;
    };
    static const Case cases[] = {
        {"C:\\A\\..\\..\\B", "", false, 0},  // above the root
        {"", "", false, 0},
        {"C:\\A*", "", false, 0},
        {"C:\\A*", "G", true, 1},
        {"C:\\*\\A", "G", false, 0},  // wildcards only in the last component
        {"C:\\A\\*.DBF", "G", true, 2},
        {"..\\B", "", true, 0},  // relative: no depth
        {"C:\\A\\B", "", true, 2},
        {"C:\\A\\B\\", "", true, 2},
        {"C:\\A\\..", "", true, 0},
        {"C:", "", true, 0},
        {"C:\\", "", true, 0},
        {"C:A\\B", "", true, 0},
        {"C:..\\B", "", true, 0},
        {"\\", "", true, 0},
        {"\\A\\B\\C", "", true, 3},
        {"\\A\\..\\..", "", false, 0},
        {"\\\\", "", false, 0},
        {"\\\\\\A", "", false, 0},
        {"\\\\SRV", "", true, 0},
        {"\\\\SRV\\", "", true, 0},
        {"\\\\SRV\\SHARE", "", true, 0},
        {"\\\\SRV\\SHARE\\A\\B", "", true, 2},
        {"\\\\SRV\\..", "", false, 0},
        {"A\\\\B", "", false, 0},
        {"AB:C", "", false, 0},
        {"A?", "", false, 0},
        {"A?", "G", true, 0},
        {"...\\A", "", true, 0},
        {" C:\\A ", "", true, 1},
    };
    for (bool windows : {true, false}) {
        CoreFixture fx;
        if (windows)
            fx.windowsRules();
        else
            fx.linuxRules();
        for (const auto& c : cases) {
            std::string path = windows ? c.path : slashes(std::string(c.path));
            SCOPED_TRACE(path + " " + c.options);
            std::vector<Value> args = {Value(path), Value::integer(99), Value(c.options)};
            EXPECT_EQ(rt::repr(fx.callRef("H_PATHVALID", args)), c.valid ? ".T." : ".F.");
            EXPECT_EQ(rt::repr(args[1]), std::to_string(c.depth));
        }
    }
}

TEST(PathValid, SlashIsANameCharacterErrorOnlyUnderBackslash) {
    CoreFixture fx;
    fx.windowsRules();
    EXPECT_EQ(fx.repr("H_PATHVALID", {"C:\\A/B"}), ".F.");
    EXPECT_EQ(fx.repr("H_PATHVALID", {Value::integer(1)}), ".F.");
}

TEST(AbsPath, MakesPathsAbsoluteUnderBothRules) {
    struct Case {
        bool windows;
        const char* path;
        const char* want;
    };
    static const Case cases[] = {
        {true, "", "C:\\WORK\\"},
        {true, "A", "C:\\WORK\\A"},
        {true, "\\A", "C:\\A"},
        {true, "/A/B", "C:\\A\\B"},  // the other separator is translated first
        {true, "D:X", "D:\\X"},      // another drive: its own current directory
        {true, "c:", "c:\\WORK\\"},
        {true, "\\\\SRV\\A", "C:\\\\SRV\\A"},
        {false, "", "/home/u/"},
        {false, "a", "/home/u/a"},
        {false, "\\x\\y", "/x/y"},
        {false, "C:\\DATA", "/mnt/c/DATA"},  // a drive resolved through its variable
        {false, "C:", "/mnt/c/"},
        {false, "D:\\DATA", "D:/DATA"},  // unset: left as it is
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        CoreFixture fx;
        if (c.windows)
            fx.windowsRules();
        else
            fx.linuxRules();
        fx.env["C"] = "/mnt/c";
        EXPECT_EQ(fx.repr("H_ABSPATH", {c.path}), rt::repr(Value(c.want)));
    }
}

TEST(TruePath, FoldsParentComponents) {
    struct Case {
        bool windows;
        const char* path;
        const char* want;
    };
    static const Case cases[] = {
        {true, "C:\\A\\B\\..\\C", "C:\\A\\C"}, {true, "C:\\A\\..", "C:\\"},
        {true, "C:\\A\\..\\", "C:\\"},         {true, "C:\\A\\.\\B", "C:\\A\\.\\B"},  // "." stays
        {true, "X\\..\\Y", "C:\\WORK\\Y"},     {true, "C:\\A\\B\\..\\..\\C\\*.DBF", "C:\\C\\*.DBF"},
        {true, "C:\\..\\B", "C:\\B"},  // the drive is never folded away
        {false, "/a/b/../c", "/a/c"},          {false, "/a/..", "/"},
        {false, "b/../c", "/home/u/c"},        {false, "../x", "/home/x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        CoreFixture fx;
        if (c.windows)
            fx.windowsRules();
        else
            fx.linuxRules();
        EXPECT_EQ(fx.repr("H_TRUEPATH", {c.path}), rt::repr(Value(c.want)));
    }
}

TEST(TruePath, InvalidPathIsFatalStopTwo) {
    CoreFixture fx;
    fx.windowsRules();
    auto s = fatalOf([&] { fx.call("H_TRUEPATH", {"C:\\A\\..\\..\\B"}); });
    EXPECT_EQ(s.code, 2);
    EXPECT_EQ(s.message, "Catalog eronat C:\\A\\..\\..\\B ! ");
    CoreFixture lx;
    lx.linuxRules();
    s = fatalOf([&] { lx.call("H_TRUEPATH", {"/a/b:c"}); });
    EXPECT_EQ(s.message, "Catalog eronat /a/b:c ! ");
}

TEST(MapPath, ReplacesLeadingEnvironmentReference) {
    CoreFixture fx;
    fx.windowsRules();
    fx.env["DATE_BD"] = "D:\\BD  ";
    EXPECT_EQ(fx.repr("H_OSPATH", {"%DATE_BD%\\FIRMA"}), R"("D:\\BD\\FIRMA")");
    EXPECT_EQ(fx.repr("H_OSPATH", {"%DATE_BD%/FIRMA"}), R"("D:\\BD\\FIRMA")");
    EXPECT_EQ(fx.repr("H_MAPPATH", {"%DATE_BD%FIRMA"}), R"("D:\\BDFIRMA")");  // nothing inserted
    EXPECT_EQ(fx.repr("H_MAPPATH", {"X%DATE_BD%"}), R"("X%DATE_BD%")");
    EXPECT_EQ(fx.repr("H_MAPPATH", {"%DATE_BD"}), R"("%DATE_BD")");
    fx.linuxRules();
    fx.env["DATE_BD"] = "/srv/bd";
    EXPECT_EQ(fx.repr("H_OSPATH", {"%DATE_BD%\\FIRMA"}), R"("/srv/bd/FIRMA")");
}

TEST(MapPath, UndefinedOrBadVariableStopsOrReportsWhenQuiet) {
    struct Case {
        const char* path;
        const char* fatal;
        const char* quiet;
    };
    static const Case cases[] = {
        {"%DATE_BD%\\FIRMA", "variabila de mediu: DATE_BD nu este definita !",
         "Variabila de mediu: DATE_BD nu este definita !"},
        {"%BLANK%\\X", "variabila de mediu: BLANK nu este definita !",
         "Variabila de mediu: BLANK nu este definita !"},
        {"%A-B%\\X", "variabila de mediu incorecta la mapare: %A-B%",
         "Variabila de mediu incorecta la mapare: %A-B%"},
        {"%%X", "variabila de mediu incorecta la mapare: %%",
         "Variabila de mediu incorecta la mapare: %%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        CoreFixture fx;
        fx.windowsRules();
        fx.env["BLANK"] = "   ";
        auto s = fatalOf([&] { fx.call("H_OSPATH", {c.path}); });
        EXPECT_EQ(s.code, 1);
        EXPECT_EQ(s.message, c.fatal);
        std::vector<Value> args = {Value(c.path), Value(true), Value()};
        EXPECT_EQ(rt::repr(fx.callRef("H_MAPPATH", args)), rt::repr(Value(c.path)));
        EXPECT_EQ(rt::repr(args[2]), rt::repr(Value(c.quiet)));
    }
}

TEST(TrPath, TranslatesForTargetOrStops) {
    CoreFixture fx;
    EXPECT_EQ(fx.repr("H_TRPATH", {"A/B\\C", "L"}), R"("A/B/C")");
    EXPECT_EQ(fx.repr("H_TRPATH", {"A/B\\C", "W"}), R"("A\\B\\C")");
    EXPECT_EQ(fx.repr("H_TRPATH", {"A/B\\C"}), R"("A\\B\\C")");
    auto s = fatalOf([&] { fx.call("H_TRPATH", {"A", "X"}); });
    EXPECT_EQ(s.code, 1);
    EXPECT_EQ(s.message, "h_TrPath() -targetOS -parametru eronat !");
}

TEST(StPath, WritesServerPathsThroughTheDriveMap) {
    {
        CoreFixture fx;
        fx.windowsRules();
        fx.env = {{"F", "C:\\WORK\\DATA"}, {"G", "C:\\WORK"}};
        EXPECT_EQ(fx.repr("H_STPATH", {"DATA\\A.BAT"}), R"("F:\\A.BAT")");  // longest first
        EXPECT_EQ(fx.repr("H_STPATH", {"B.BAT"}), R"("G:\\B.BAT")");
        EXPECT_EQ(fx.repr("H_STPATH", {"\\X\\B.BAT"}), R"("C:\\X\\B.BAT")");
    }
    {
        CoreFixture fx;
        fx.linuxRules();
        fx.env = {{"F", "/srv/data"}, {"H_STOS", "Linux "}};
        EXPECT_EQ(fx.repr("H_STPATH", {"/srv/data/x/../a.bat"}), R"("F:/a.bat")");
    }
    {
        CoreFixture fx;
        fx.linuxRules();
        fx.env = {{"F", "/srv/data"}};
        EXPECT_EQ(fx.repr("H_STPATH", {"/srv/data/a.bat"}), R"("F:\\a.bat")");
    }
}

void fnSocData(rt::Frame& f) {
    f.ret(f.arg(1).isString() && f.arg(1).str() == "COD_FISCAL" ? Value("RO 123") : Value(""));
}
const rt::Builtin kSocData[] = {{"X_SOCDATA", fnSocData}};

TEST(TrsfFName, DefaultPairsReplaceLongYearFirst) {
    struct Case {
        const char* tmpl;
        const char* want;
    };
    static const Case cases[] = {
        {"cif_aaaa.xml", "123_2016.xml"}, {"Raaaall", "R201603"}, {"Raall", "R1603"},
        {"Lss.TXT", "L5 .TXT"},           {" CIF ", "CIF"},  // case-sensitive; trimmed
    };
    CoreFixture fx;
    fx.rt.registerBuiltins(kSocData);
    fx.rt.declarePublic(fx.rt.intern("DATAAPPL"), Value::date(rt::julianOf(2016, 3, 15)));
    fx.env["STATION"] = "5";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tmpl);
        EXPECT_EQ(fx.repr("H_TRSFFNAME", {c.tmpl}), rt::repr(Value(c.want)));
        EXPECT_EQ(fx.repr("H_TRSFFNAME", {c.tmpl, Value::newArray()}), rt::repr(Value(c.want)));
    }
}

TEST(TrsfFName, GivenPairsAreTrimmedInPlace) {
    CoreFixture fx;
    Value pair = Value::newArray({Value(" x "), Value(" Y ")});
    Value pairs = Value::newArray({pair, Value::newArray({Value(""), Value("Z")})});
    EXPECT_EQ(fx.repr("H_TRSFFNAME", {"axbx", pairs}), R"("aYbY")");
    EXPECT_EQ(rt::repr(pair), R"({"x", "Y"})");
}

TEST(TrsfFName, BadPairsStop) {
    struct Case {
        Value pairs;
        const char* message;
    };
    const Case cases[] = {
        {Value::integer(5), "tip parametru eronat in h_TrsfFname()"},
        {Value("aa"), "tip parametru eronat in h_TrsfFname()"},
        {Value::newArray({Value::newArray({Value("a")})}), "parametru eronat in h_TrsfFname()"},
        {Value::newArray({Value("a")}), "parametru eronat in h_TrsfFname()"},
        {Value::newArray({Value::newArray({Value("a"), Value::integer(1)})}),
         "parametru eronat in h_TrsfFname()"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(rt::repr(c.pairs));
        CoreFixture fx;
        auto s = fatalOf([&] { fx.call("H_TRSFFNAME", {"x", c.pairs}); });
        EXPECT_EQ(s.code, 1);
        EXPECT_EQ(s.message, c.message);
    }
}

TEST(SetFileCase, ChangesOnlyWhenApplied) {
    CoreFixture fx;
    EXPECT_EQ(fx.repr("H_SETFILECASE", {Value::integer(1)}), "0");
    EXPECT_EQ(pathval::state(fx.rt).fileCase, 0);
    EXPECT_EQ(fx.repr("H_SETFILECASE", {Value::integer(1), true}), "0");
    EXPECT_EQ(fx.repr("H_SETFILECASE", {"x", true}), "1");
    EXPECT_EQ(pathval::state(fx.rt).fileCase, 2);  // not a number: upper
    EXPECT_EQ(pathval::applyFileCase(fx.rt, "dir/log.txt"), "dir/LOG.TXT");
}

// --- the file system ---

TEST(FdExist, KindsOfEntries) {
    TempFolder tmp;
    tmp.write("DATA/APLIC.DBF", "x");
    tmp.write("DATA/COMPANY.DBF", "x");
    tmp.write("DATA/NOTE.TXT", "x");
    struct Case {
        Value path;
        const char* want;
    };
    const Case cases[] = {
        {"DATA", "D"},
        {"DATA/", "D"},  // trailing separator
        {"data", "D"},   // case ignored
        {tmp.str() + "/DATA/APLIC.DBF", "F"},
        {"DATA/aplic.dbf", "F"},
        {"DATA/*.TXT", "F"},  // a mask with one match
        {"DATA/*.DBF", ""},   // several matches
        {"DATA/MISSING", ""},
        {"DATA/A*B/X", ""},  // invalid
        {"/", "V"},
        {"C:/", "V"},
        {Value::integer(1), ""},
    };
    CoreFixture fx;
    for (const auto& c : cases) {
        SCOPED_TRACE(rt::repr(c.path));
        EXPECT_EQ(fx.repr("H_FDEXIST", {c.path}), rt::repr(Value(c.want)));
    }
    EXPECT_EQ(fx.repr("H_FILEEX", {"data/*.dbf"}), ".T.");
    EXPECT_EQ(fx.repr("H_FILEEX", {"DATA/note.txt"}), ".T.");
    EXPECT_EQ(fx.repr("H_FILEEX", {"DATA"}), ".F.");
    EXPECT_EQ(fx.repr("H_FILEEX", {"DATA/*.XLS"}), ".F.");
    EXPECT_EQ(fx.repr("H_ISDIR", {"DATA"}), ".T.");
    EXPECT_EQ(fx.repr("H_ISDIR", {"DATA/NOTE.TXT"}), ".F.");
}

TEST(FdExist, DriveLettersResolveThroughTheirVariable) {
    TempFolder tmp;
    tmp.write("BD/FIRMA/FILES.DBF", "x");
    CoreFixture fx;
    fx.env["D"] = tmp.str();
    EXPECT_EQ(fx.repr("H_FDEXIST", {"D:\\BD\\FIRMA\\files.dbf"}), R"("F")");
    EXPECT_EQ(fx.repr("H_FDEXIST", {"D:/BD/FIRMA/"}), R"("D")");
}

TEST(Directory, ListsByMaskAndAttributes) {
    TempFolder tmp;
    tmp.write("b.TXT", "12345");
    tmp.write("A.txt", "");
    tmp.write(".hidden", "");
    tmp.write("C.DBF", "");
    fs::create_directory(tmp.path() / "SUB");
    CoreFixture fx;
    auto names = [&](Value list) {
        std::string r;
        for (const auto& e : list.array().items) r += e.array().items[0].str() + ",";
        return r;
    };
    EXPECT_EQ(names(fx.call("H_DIRECTORY", {"*.TXT"})), "A.txt,b.TXT,");
    EXPECT_EQ(names(fx.call("H_DIRECTORY", {"*.*"})), "A.txt,b.TXT,C.DBF,");
    EXPECT_EQ(names(fx.call("H_DIRECTORY", {"*.*", "D"})), ".,..,A.txt,b.TXT,C.DBF,SUB,");
    EXPECT_EQ(names(fx.call("H_DIRECTORY", {"*.*", "H"})), ".hidden,A.txt,b.TXT,C.DBF,");
    EXPECT_EQ(names(fx.call("H_DIRECTORY", {tmp.str() + "/c.dbf"})), "C.DBF,");
    EXPECT_EQ(names(fx.call("H_DIRECTORY", {"NOFOLDER/*.*"})), "");
    Value b = fx.call("H_DIRECTORY", {"B.TXT"}).array().items.at(0);
    EXPECT_EQ(rt::repr(b.array().items[1]), "5");
    EXPECT_TRUE(b.array().items[2].isDate());
    EXPECT_EQ(b.array().items[3].str().size(), 8u);
    EXPECT_EQ(rt::repr(b.array().items[4]), R"("A")");
}

TEST(DirRec, FilesFirstThenEachSubfolderAndItsContents) {
    TempFolder tmp;
    tmp.write("T/z.txt", "");
    tmp.write("T/a.txt", "");
    tmp.write("T/SUB/b.txt", "");
    tmp.write("T/SUB/DEEP/c.txt", "");
    tmp.write("T/EMPTY/.keep", "");
    fs::create_directory_symlink("..", tmp.path() / "T/SUB/LOOP");  // must not recurse forever
    CoreFixture fx;
    auto names = [&](Value list) {
        std::string r;
        for (const auto& e : list.array().items) r += e.array().items[0].str() + ",";
        return r;
    };
    EXPECT_EQ(names(fx.call("H_DIRREC", {"T"})),
              "T/a.txt,T/z.txt,T/EMPTY,T/SUB,T/SUB/b.txt,T/SUB/DEEP,T/SUB/DEEP/c.txt,T/SUB/LOOP,");
    ASSERT_EQ(pathval::dirChange(fx.rt, "T/SUB/DEEP"), 0);
    EXPECT_EQ(names(fx.call("H_DIRREC", {})), "c.txt,");
    EXPECT_EQ(names(fx.call("H_DIRREC", {Value::integer(1)})), "");
}

TEST(MakeDir, CreatesMissingParents) {
    TempFolder tmp;
    tmp.write("FILE", "x");
    CoreFixture fx;
    EXPECT_EQ(fx.repr("H_MD", {"a/b/c/"}), ".T.");
    EXPECT_TRUE(fs::is_directory(tmp.path() / "a/b/c"));
    EXPECT_EQ(fx.repr("H_MD", {tmp.str() + "/a/b"}), ".T.");  // exists already
    EXPECT_EQ(fx.repr("H_MD", {"A/B/D"}), ".T.");             // existing parts in any case
    EXPECT_TRUE(fs::is_directory(tmp.path() / "a/b/D"));
    EXPECT_EQ(fx.repr("H_MD", {"FILE/x"}), ".F.");  // a file is in the way
    EXPECT_EQ(fx.repr("H_MD", {""}), ".T.");
}

TEST(PushPop, ReturnsToWhereItWas) {
    TempFolder tmp;
    fs::create_directories(tmp.path() / "one/two");
    CoreFixture fx;
    const auto start = fs::current_path();
    EXPECT_EQ(fx.repr("H_PUSHD", {"one"}), ".T.");
    EXPECT_EQ(fx.repr("H_PUSHD", {"TWO"}), ".T.");
    EXPECT_EQ(fs::current_path(), start / "one/two");
    EXPECT_EQ(fx.repr("H_POPD"), ".T.");
    EXPECT_EQ(fs::current_path(), start / "one");
    EXPECT_EQ(fx.repr("H_POPD"), ".T.");
    EXPECT_EQ(fs::current_path(), start);
    EXPECT_EQ(fx.repr("H_POPD"), ".F.");
    EXPECT_EQ(fx.repr("H_PUSHD", {Value::integer(1)}), ".F.");
    EXPECT_TRUE(pathval::state(fx.rt).dirStack.empty());
    EXPECT_EQ(fx.repr("H_DIRCHANGE", {Value::integer(1)}), "-1");
    EXPECT_EQ(fx.repr("H_DIRCHANGE", {"missing"}), "3");
    EXPECT_EQ(fx.repr("H_DISKCHANGE", {"one"}), "-1");
    EXPECT_EQ(fx.repr("H_CURDRIVE"), R"("")");
}

TEST(CopyFile, CopiesAndSendsFailuresToTheHandler) {
    TempFolder tmp;
    tmp.write("SRC.TXT", std::string(20000, 'x') + "end");
    CoreFixture fx;
    EXPECT_EQ(fx.repr("H_COPYFILE", {"src.txt", "DST.TXT"}), ".T.");
    EXPECT_EQ(tmp.read("DST.TXT"), tmp.read("SRC.TXT"));

    std::vector<rt::XbError> seen;
    fx.rt.setErrorBlock(Value(rt::nativeBlock([&](rt::Runtime&, std::span<const Value> a) {
        seen.push_back(*rt::errorOf(a[0]));
        return Value(false);  // default: give up
    })));
    EXPECT_EQ(fx.repr("H_COPYFILE", {"MISSING.TXT", "X.TXT"}), ".F.");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].genCode, rt::eg::kOpen);
    EXPECT_EQ(seen[0].osCode, 2);
    EXPECT_EQ(seen[0].fileName, "MISSING.TXT");
    EXPECT_EQ(fx.repr("H_COPYFILE", {"SRC.TXT", "NODIR/X.TXT"}), ".F.");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].genCode, rt::eg::kCreate);
    EXPECT_EQ(seen[1].osCode, 3);
}

}  // namespace
}  // namespace xb::fw::testing
