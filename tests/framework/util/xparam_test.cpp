#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "framework/core/core.hpp"
#include "framework/util/xparam.hpp"
#include "util_fixture.hpp"

using xb::rt::Value;

namespace {

const char* const kText =
    "[MFP_01]\r\n"
    "// partner verification\r\n"
    "MFP_TIMP = 10 // seconds\r\n"
    "MFP_X=5\r\n"
    "MFP_Y:=5\r\n"
    "  MFP_S = \"abc\"  \r\n"
    "\r\n"
    "MFP_URL = \"http://a.ro\"\r\n"
    "MFP_URL2 = \"http://a.ro\" // address\r\n"
    "MFP_BAD = 1 +\r\n"
    "MFP_EMPTY =\r\n"
    "MFP_TIMP := 12\r\n"
    "[MFP_02]\r\n"
    "MFP_TIMP = 20\r\n";

// Reads kText's section into the memory variable L and shows it.
std::string readText(UtilFixture& fx, const char* section, const char* initial = "{}") {
    fx.rt.assignVar(fx.rt.intern("TXT"), Value(kText));
    return fx.run(std::string("(l := ") + initial + ", XPARAM_SSCT('', " + section +
                  ", @l, TXT), l)");
}

}  // namespace

TEST(ParamText, ParameterLinesFollowTheNameAndEqualsRule) {
    UtilFixture fx;
    EXPECT_EQ(readText(fx, "'MFP_01'"),
              R"({{"MFP_TIMP", 12}, {"MFP_Y", 5}, {"MFP_S", "abc"}, {"MFP_URL", ""}, )"
              R"({"MFP_URL2", "http://a.ro"}, {"MFP_BAD", ""}, {"MFP_EMPTY", ""}})");
    // The second section starts after its own header line and ends at the end of the text.
    EXPECT_EQ(readText(fx, "'MFP_02'"), R"({{"MFP_TIMP", 20}})");
    // A pre-filled default is kept when absent and replaced when present; names match exactly.
    EXPECT_EQ(readText(fx, "'MFP_02'", "{{'A', 1}, {'mfp_timp', 2}, {'MFP_TIMP', 3}}"),
              R"({{"A", 1}, {"mfp_timp", 2}, {"MFP_TIMP", 20}})");
    // A section that is not in the text leaves the list as it was.
    EXPECT_EQ(readText(fx, "'mfp_01'", "{{'A', 1}}"), R"({{"A", 1}})");
    // Without a section the whole text is read up to the first line beginning with "[".
    EXPECT_EQ(fx.run("(l := {}, XPARAM_SSCT('', NIL, @l, 'A = 1' + CHR(13) + CHR(10) + "
                     "'B = 1 + 1' + CHR(13) + CHR(10) + '[S]' + CHR(13) + CHR(10) + 'C = 3'), l)"),
              R"({{"A", 1}, {"B", 2}})");
    EXPECT_EQ(fx.run("XPARAM_SSCT('', 'S', {}, 5)"), "STOP 1 parametru in xparam_Ssct()");
}

TEST(ParamText, ParseLineRules) {
    using xb::fw::xparam::parseLine;
    struct Case {
        const char* line;
        const char* name;  // nullptr: not a parameter line
        const char* value;
    };
    const Case cases[] = {
        {"A = 1", "A", "1"},       {"A=1", nullptr, nullptr},      {"A:=1", "A", "1"},
        {"A := 1", "A", "1"},      {"A  =  x + 1 ", "A", "x + 1"}, {"A = 1 // c", "A", "1"},
        {"= 1", nullptr, nullptr}, {"A 1", nullptr, nullptr},      {"A_b9 =", "A_b9", ""},
        {"A", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        auto p = parseLine(c.line);
        ASSERT_EQ(p.has_value(), c.name != nullptr);
        if (p) {
            EXPECT_EQ(p->name, c.name);
            EXPECT_EQ(p->valueText, c.value);
        }
    }
}

TEST(ParamText, GvLooksUpTheFirstPairByExactName) {
    UtilFixture fx;
    expectAll(fx,
              {
                  {"(v := 0, {XPARAM_GV({{'a', 1}, {'A', 2}, {'A', 3}}, 'A', @v), v})", "{.T., 2}"},
                  {"(v := 0, {XPARAM_GV({{'a', 1}}, 'b', @v), v})", "{.F., 0}"},
                  {"XPARAM_GV(NIL, 'b')", ".F."},
              });
}

TEST(ParamText, IniFilesAreFoundWithoutRegardToCase) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("xb_xparam_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    { std::ofstream(dir / "mfp.ini", std::ios::binary) << kText; }
    UtilFixture fx;
    fx.rt.assignVar(fx.rt.intern("DIR"), Value(dir.string() + "/"));
    expectAll(fx,
              {
                  {"(l := {}, {XPARAM_ISCT('', 'MFP_02', @l, DIR + 'MFP'), l})",
                   R"({.T., {{"MFP_TIMP", 20}}})"},
                  {"(l := {}, {XPARAM_ISCT('', 'MFP_02', @l, DIR + 'MFP.INI'), l})",
                   R"({.T., {{"MFP_TIMP", 20}}})"},
                  {"(l := {}, {XPARAM_ISCT('', 'MFP_02', @l, DIR + 'MFP.TXT'), l})", "{.F., {}}"},
                  {"XPARAM_ISCT('', 'MFP_02', {}, 5)", "STOP 1 parametru in xparam_Isct()"},
              });
    fs::remove_all(dir);
}

namespace {

// A state table seen through the data hooks, opened by stand-ins of the catalogue functions.
struct FakeState : xb::rt::DataHooks {
    static constexpr int kStatArea = 7;
    int current = 1;
    bool open = false;
    bool openable = true;
    int opens = 0;
    std::string descr;

    int currentArea() override { return current; }
    void selectArea(int area) override { current = area; }
    int areaOfAlias(std::string_view) override { return 0; }
    bool fieldGet(int area, std::string_view name, Value& out) override {
        if ((area == 0 ? current : area) != kStatArea || !open || name != "DESCR") return false;
        out = Value::memo(descr);
        return true;
    }
    bool fieldPut(int, std::string_view, const Value&) override { return false; }
};
FakeState* gState = nullptr;

void fn_USEALIAS(xb::rt::Frame& f) {
    ++gState->opens;
    if (!gState->openable) {
        f.ret(false);
        return;
    }
    EXPECT_EQ(f.arg(1).str(), "stat");
    EXPECT_NE(f.arg(3).str().find('R'), std::string::npos);  // read-only
    gState->open = true;
    gState->current = FakeState::kStatArea;
    f.arg(2).array().items.push_back(Value::newArray({Value("stat")}));
    f.ret(true);
}
void fn_CLOSEALIAS(xb::rt::Frame& f) {
    if (f.arg(2).isArray() && !f.arg(2).array().items.empty()) gState->open = false;
    if (f.arg(2).isArray()) f.arg(2).array().items.clear();
}
const xb::rt::Builtin kStandIns[] = {{"H_USEALIAS", fn_USEALIAS}, {"H_CLOSEALIAS", fn_CLOSEALIAS}};

// A memo in section format with one section.
std::string sectionMemo(const std::string& name, const std::string& text) {
    std::string n = name;
    n.resize(8, ' ');
    return "HSUBMEMO\r\n" + n + "   31    0\r\n" + text;
}

struct StateFixture : UtilFixture {
    FakeState state;
    StateFixture() {
        xb::fw::registerCore(rt);
        rt.registerBuiltins(kStandIns);
        rt.setDataHooks(&state);
        gState = &state;
        state.descr =
            sectionMemo("S_PARAM",
                        "[GEN]\r\nTVA = 19\r\nCONT_X = 'x'\r\nCONT_Y = 'y'\r\nCONT = 'c'\r\n"
                        "PRINT = 'NU'\r\nBON = 'da, cu'\r\n[ALT]\r\nTVA = 24\r\n");
    }
    ~StateFixture() { gState = nullptr; }
};

}  // namespace

TEST(ParamState, ReadsTheMemoSectionAndPutsTheTableBack) {
    StateFixture fx;
    expectAll(
        fx,
        {
            {"(l := {}, {XPARAM_SCT('S_PARAM', 'ALT', @l), l})", R"({.T., {{"TVA", 24}}})"},
            {"XPARAM_V('GEN', 'TVA', 0)", "19"},
            {"XPARAM_V('GEN', 'NOPE', 5)", "5"},
            {"XPARAM_GDANU('GEN', 'PRINT', 'DA')", ".F."},
            {"XPARAM_GDANU('GEN', 'BON', 'NU')", ".T."},
            {"XPARAM_GDANU('GEN', 'NOPE', 'NU')", ".F."},
            {"XPARAM_GDANU('GEN', 'NOPE', 'xx')", ".T."},
            {"XPARAM_GDANU('GEN', 'NOPE', 'nu')", ".F."},
            {"XPARAM_LIST('GEN', 'CONT')", R"({{"CONT_X", "x"}, {"CONT_Y", "y"}, {"CONT", "c"}})"},
            {"XPARAM_EV('GEN', 'CONT', 'Y', 0)", R"("y")"},
            {"XPARAM_EV('GEN', 'CONT', 'Z', 0)", R"("x")"},  // first name beginning with CONT
            {"XPARAM_EV('GEN', 'CONT', '', 0)", R"("x")"},
            {"XPARAM_EV('GEN', 'NOPE', 'Y', 0)", "0"},
            {"LEN(XPARAM_SGM('S_PARAM')) > 0", ".T."},
            {"XPARAM_SGM('OTHER')", R"("")"},
        });
    EXPECT_FALSE(fx.state.open);
    EXPECT_EQ(fx.state.current, 1);  // the previous work area is selected again
}

TEST(ParamState, AnUnreadableStateTable) {
    StateFixture fx;
    fx.state.openable = false;
    expectAll(fx, {
                      {"(l := {{'A', 1}}, {XPARAM_SCT('S_PARAM', 'GEN', @l), l})",
                       R"({.F., {{"A", 1}}})"},
                      {"XPARAM_SGM('S_PARAM')", ".F."},
                      {"XPARAM_GDANU('GEN', 'PRINT', 'NU')", ".T."},
                      {"XPARAM_LIST('GEN', '')", "{}"},
                      {"XPARAM_V('GEN', 'TVA', 0)", "STOP 1 parametru GEN/TVA"},
                  });
    EXPECT_EQ(fx.state.current, 1);
}
