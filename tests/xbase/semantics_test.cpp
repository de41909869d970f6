#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "eval_fixture.hpp"

using xb::rt::Value;

namespace {

// Two work areas: 1 "CUST" (NAME, AMT) and 2 "INV" (NAME, QTY); area 0 is the current one.
// Reads count whether they took the position fast path.
class FakeData final : public xb::rt::DataHooks {
public:
    struct Table {
        std::string alias;
        std::vector<std::string> names;
        std::vector<Value> values;
    };
    std::map<int, Table> areas;
    int current = 1;
    int slowReads = 0;
    int fastReads = 0;

    FakeData() {
        areas[1] = {"CUST", {"NAME", "AMT"}, {Value("Ion"), Value::number(12.5, 15, 2)}};
        areas[2] = {"INV", {"NAME", "QTY"}, {Value("Box"), Value::integer(3)}};
    }
    int currentArea() override { return current; }
    void selectArea(int a) override { current = a; }
    int areaOfAlias(std::string_view alias) override {
        for (auto& [n, t] : areas) {
            if (equalsNoCase(t.alias, alias)) return n;
        }
        return 0;
    }
    bool fieldGet(int area, std::string_view name, Value& out) override {
        ++slowReads;
        int i = fieldIndex(area, name);
        if (i == 0) return false;
        out = areas[area ? area : current].values[static_cast<std::size_t>(i - 1)];
        return true;
    }
    bool fieldPut(int area, std::string_view name, const Value& v) override {
        int i = fieldIndex(area, name);
        if (i == 0) return false;
        areas[area ? area : current].values[static_cast<std::size_t>(i - 1)] = v;
        return true;
    }
    int fieldIndex(int area, std::string_view name) override {
        auto it = areas.find(area ? area : current);
        if (it == areas.end()) return 0;
        for (std::size_t i = 0; i < it->second.names.size(); ++i) {
            if (equalsNoCase(it->second.names[i], name)) return static_cast<int>(i + 1);
        }
        return 0;
    }
    const void* tableIdentity(int area) override {
        auto it = areas.find(area ? area : current);
        return it == areas.end() ? nullptr : &it->second;
    }
    bool fieldGetAt(int area, int index, Value& out) override {
        ++fastReads;
        out = areas[area ? area : current].values[static_cast<std::size_t>(index - 1)];
        return true;
    }

private:
    static bool equalsNoCase(std::string_view a, std::string_view b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (std::toupper(static_cast<unsigned char>(a[i])) !=
                std::toupper(static_cast<unsigned char>(b[i])))
                return false;
        }
        return true;
    }
};

// A test object with a property P and a method TWICE(n).
class Probe final : public xb::rt::Object {
public:
    std::string className() const override { return "PROBE"; }
    bool send(xb::rt::Runtime&, std::string_view msg, std::span<const Value> args,
              Value& result) override {
        if (msg == "P") {
            result = p;
        } else if (msg == "_P") {
            p = args.empty() ? Value() : args[0];
            result = p;
        } else if (msg == "TWICE") {
            result = Value::integer(args.empty() ? 0 : args[0].numVal() * 2);
        } else {
            return false;
        }
        return true;
    }
    Value p = Value::integer(7);
};

void fn_BUMP(xb::rt::Frame& f) {
    const Value& v = f.arg(1);
    f.setRef(1, Value::integer(v.isNumber() ? v.numVal() + 1 : 1));
    f.ret(Value(f.ref(1) != nullptr));
}
void fn_MKPROBE(xb::rt::Frame& f) { f.ret(Value(std::make_shared<Probe>())); }
int sideEffects = 0;
void fn_SIDE(xb::rt::Frame& f) {
    ++sideEffects;
    f.ret(Value::integer(sideEffects));
}
// LEN for these tests only (the standard library has the real one).
void fn_TLEN(xb::rt::Frame& f) {
    const Value& v = f.arg(1);
    f.ret(Value::integer(v.isString()  ? static_cast<double>(v.str().size())
                         : v.isArray() ? static_cast<double>(v.array().items.size())
                                       : 0));
}
const xb::rt::Builtin kTestFns[] = {
    {"BUMP", fn_BUMP}, {"MKPROBE", fn_MKPROBE}, {"SIDE", fn_SIDE}, {"TLEN", fn_TLEN}};

struct Ev : EvalFixture {
    Ev() { rt.registerBuiltins(kTestFns); }
};

}  // namespace

TEST(Strings, ComparisonFollowsExactSetting) {
    Ev ev;
    struct C {
        const char* expr;
        const char* off;  // SET EXACT OFF
        const char* on;   // SET EXACT ON
    };
    static const C cases[] = {
        {R"("abc" = "ab")", ".T.", ".F."},    {R"("ab" = "abc")", ".F.", ".F."},
        {R"("abc" = "")", ".T.", ".F."},      {R"("" = "abc")", ".F.", ".F."},
        {R"("abc" = "abc  ")", ".F.", ".T."}, {R"("abc  " = "abc")", ".T.", ".T."},
        {R"("abc" == "ab")", ".F.", ".F."},   {R"("abc" == "abc ")", ".F.", ".F."},
        {R"("abc" != "ab")", ".F.", ".T."},   {R"("abc" <> "abd")", ".T.", ".T."},
        {R"("abc" # "ab")", ".F.", ".T."},    {R"("ab" < "abc")", ".T.", ".T."},
        {R"("abc" < "ab")", ".F.", ".F."},    {R"("abc" >= "ab")", ".T.", ".T."},
        {R"("B" > "A")", ".T.", ".T."},       {R"("a" > "B")", ".T.", ".T."},
    };
    for (bool exact : {false, true}) {
        ev.rt.settings().exact = exact;
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.expr) + (exact ? " exact" : " not exact"));
            EXPECT_EQ(ev.repr(c.expr), exact ? c.on : c.off);
        }
    }
}

TEST(Operators, StringsDatesAndNumbers) {
    Ev ev;
    expectAll(ev, {
                      {R"("ab  " + "cd")", R"("ab  cd")"},
                      {R"("ab  " - "cd ")", R"("abcd   ")"},
                      {R"("b" $ "abc")", ".T."},
                      {R"("" $ "abc")", ".F."},
                      {"0d20240228 + 2", "0d20240301"},
                      {"1 + 0d20240228", "0d20240229"},
                      {"0d20240301 - 1", "0d20240229"},
                      {"0d20240301 - 0d20240101", "60"},
                      {"0d00000000 + 5", "0d00000000"},
                      {"0d20240101 < 0d20240102", ".T."},
                      {".F. < .T.", ".T."},
                      {"NIL = NIL", ".T."},
                      {"NIL == 1", ".F."},
                      {"1 != NIL", ".T."},
                      {"-7 % 3", "-1"},
                      {"2 ^ 10", "1024.00"},
                      {"0.1 + 0.2", "0.3"},
                      {"1 + 1.50", "2.50"},
                      {"100000 * 100000", "10000000000"},
                  });
}

TEST(Numbers, DivisionUsesSetDecimals) {
    Ev ev;
    ev.rt.settings().decimals = 4;
    EXPECT_EQ(ev.repr("2/3"), "0.6667");
    ev.rt.settings().decimals = 0;
    EXPECT_EQ(ev.repr("7/2"), "4");
    ev.rt.settings().decimals = 2;
    Value v = ev.eval("1/3");
    EXPECT_EQ(v.num().width, 13);
    EXPECT_EQ(v.num().decimals, 2);
    EXPECT_EQ(ev.eval("3.50").num().width, 10);
    EXPECT_EQ(ev.eval("3.50").num().decimals, 2);
    EXPECT_EQ(ev.eval("5").num().width, 10);
    EXPECT_EQ(ev.eval("12345678901").num().width, 11);
    EXPECT_EQ(ev.eval("1.5 + 2").num().width, 12);
}

TEST(Variables, AssignmentAndUpdateOperators) {
    Ev ev;
    expectAll(ev, {
                      {"x := 1", "1"},
                      {"x + 1", "2"},
                      {"x += 4", "5"},
                      {"x -= 1", "4"},
                      {"x *= 3", "12"},
                      {"x /= 4", "3.00"},
                      {"x := 5", "5"},
                      {"x++", "5"},
                      {"x", "6"},
                      {"++x", "7"},
                      {"x--", "7"},
                      {"--x", "5"},
                      {"y := z := 2", "2"},
                      {"y + z", "4"},
                      {"d := 0d20240101", "0d20240101"},
                      {"++d", "0d20240102"},
                      {"a := {1, {2, 3}}", "{1, {2, 3}}"},
                      {"a[2, 1] := 9", "9"},
                      {"a[2][2] += 1", "4"},
                      {"a[1]++", "1"},
                      {"a", "{2, {9, 4}}"},
                      {"b := a", "{2, {9, 4}}"},
                      {"b[1] := 0", "0"},
                      {"a[1]", "0"},  // arrays are shared references
                      {R"(h := {"NAME" => "x"})", R"({"NAME" => "x"})"},
                      {"h:name", R"("x")"},
                      {"h:Name := 'y'", R"("y")"},
                      {"h:other := 1", "1"},
                      {R"(h["NAME"] + h["OTHER"] := "z")",
                       R"(E 7 BASE/1449 Syntax error at position 24: cannot assign to this)"},
                      {"h", R"({"NAME" => "y", "OTHER" => 1})"},
                      {"unknownvar", "E 14 BASE/1003 Variable does not exist"},
                      {"unknownvar += 1", "E 14 BASE/1003 Variable does not exist"},
                      {"M->x", "5"},
                      {"MEMVAR->x := 8", "8"},
                  });
}

TEST(Objects, MessagesAndPropertyAssignment) {
    Ev ev;
    expectAll(ev, {
                      {"o := MkProbe()", "<object PROBE>"},
                      {"o:p", "7"},
                      {"o:p := 'new'", R"("new")"},
                      {"o:P", R"("new")"},
                      {"o:twice(21)", "42"},
                      {"o:missing()", "E 13 BASE/1004 No exported method"},
                      {"o:missing := 1", "E 16 BASE/1005 No exported variable"},
                      {"{|a| a * 2}:eval(4)", "8"},
                  });
}

TEST(Blocks, ParametersShadowMemvarsAndScopeIsDynamic) {
    Ev ev;
    expectAll(ev, {
                      {"a := 100", "100"},
                      {"Eval({|a, b| a + b}, 1, 2)", "3"},
                      {"a", "100"},
                      {"Eval({|a| a := a + 1, a * 10}, 1)", "20"},
                      {"Eval({|| a + 1})", "101"},
                      {"blk := {|| a * 2}", "{|| a * 2}"},
                      {"a := 5", "5"},
                      {"Eval(blk)", "10"},
                      {"Eval({|x| Eval({|y| x + y}, 10)}, 1)", "11"},
                      {"mk := {|n| {|m| n * m}}", "{|n| {|m| n * m}}"},
                      {"Eval(Eval(mk, 3), 4)", "12"},
                      {"Eval({|| })", "NIL"},
                      {"Eval({|a| a}, )", "NIL"},
                      {"Eval({|nil| nil}, 3)", "3"},
                      {"Eval(1)", "E 13 BASE/1004 No exported method"},
                  });
}

TEST(Blocks, SeeThePrivatesOfTheCallerAtCallTime) {
    Ev ev;
    xb::rt::Runtime& rt = ev.rt;
    rt.declarePublic(rt.intern("who"), Value("public"));
    Value blk = ev.eval("{|| who}");
    {
        xb::rt::PrivateScope scope(rt);
        rt.declarePrivate(rt.intern("who"), Value("private"));
        EXPECT_EQ(xb::rt::repr(rt.eval(blk)), R"("private")");
        ev.eval("created := 1");  // assignment creates a private in the innermost scope
        EXPECT_EQ(ev.repr("created"), "1");
    }
    EXPECT_EQ(xb::rt::repr(rt.eval(blk)), R"("public")");
    EXPECT_EQ(ev.repr("created"), "E 14 BASE/1003 Variable does not exist");
    EXPECT_EQ(ev.repr("MEMV->who + FIEL->who"), "E 14 BASE/1003 Variable does not exist");
    EXPECT_EQ(ev.repr("MEMV->who"), R"("public")");
}

TEST(Calls, ByReferenceArgumentsAndLetterCase) {
    Ev ev;
    expectAll(ev, {
                      {"n := 1", "1"},
                      {"bump(@n)", ".T."},
                      {"n", "2"},
                      {"BuMp(n)", ".F."},
                      {"n", "2"},
                      {"bump(@fresh)", ".T."},
                      {"fresh", "1"},
                      {"Eval({|v| bump(@v), v}, 5)", "6"},
                      {"nosuchfn(1)", "E 12 BASE/1001 Undefined function"},
                      {"IIF(.T., 1, nosuchfn())", "1"},
                      {"IF(.F., nosuchfn(), 'else')", R"("else")"},
                      {"IIF(.F., 1)", "NIL"},
                      {".F. .AND. nosuchfn()", ".F."},
                      {".T. .OR. nosuchfn()", ".T."},
                  });
}

TEST(Macros, VariablesTextSubstitutionAndExpressions) {
    Ev ev;
    expectAll(
        ev, {
                {"cv := 'val'", R"("val")"},
                {"val := 10", "10"},
                {"valx := 20", "20"},
                {"&cv", "10"},
                {"&cv.x", "20"},
                {"&cv. + 1", "11"},
                {"&cv.x + &cv", "30"},
                {"pre&cv := 3", "3"},
                {"preval", "3"},
                {"&('1 + ' + '2')", "3"},
                {"cf := 'tlen'", R"("tlen")"},
                {"&cf('abcd')", "4"},
                {"&cv := 11", "11"},
                {"val", "11"},
                {"bad := '1 +'", R"("1 +")"},
                {"&bad", "E 7 BASE/1449 Syntax error at position 4: unexpected end of expression"},
                {"num := 1", "1"},
                {"&num", "E 1 BASE/1065 Argument error"},
                {"&nosuch", "E 14 BASE/1003 Variable does not exist"},
                {"self := '&self'", R"("&self")"},
                {"&self", "E 31 BASE/1301 Recursion limit"},
            });
}

TEST(Aliases, FieldsFirstThenMemvars) {
    Ev ev;
    FakeData data;
    ev.rt.setDataHooks(&data);
    expectAll(ev, {
                      {"name", R"("Ion")"},
                      {"cust->name", R"("Ion")"},
                      {"inv->name", R"("Box")"},
                      {"INV->(name + '!')", R"("Box!")"},
                      {"Eval({|| inv->(name)})", R"("Box")"},
                      {"(2)->qty", "3"},
                      {"('inv')->qty", "3"},
                      {"FIELD->amt", "12.50"},
                      {"name := 'memvar'", R"("memvar")"},  // assigns a memory variable
                      {"name", R"("Ion")"},                 // the field still wins
                      {"M->name", R"("memvar")"},
                      {"cust->amt := 99", "99"},
                      {"amt", "99"},
                      {"cust->nofield", "E 14 BASE/1003 Variable does not exist"},
                      {"nosuch->name", "E 15 BASE/1002 Alias does not exist"},
                      {"(7)->name", "E 14 BASE/1003 Variable does not exist"},  // an empty area
                      {"al := 'inv'", R"("inv")"},
                      {"&al->qty", "3"},
                      {"qty", "E 14 BASE/1003 Variable does not exist"},
                  });
    EXPECT_EQ(data.current, 1);  // alias->(expr) restored the area
    // A repeated read of the same field goes through the cached position.
    data.fastReads = data.slowReads = 0;
    auto unit = xb::xbase::compile(ev.rt, "amt + 1");
    for (int i = 0; i < 3; ++i) xb::xbase::run(ev.rt, *unit);
    EXPECT_EQ(data.fastReads, 3);
    EXPECT_EQ(data.slowReads, 0);
    // Another table in the area (new identity) is looked up again.
    data.areas[1] = {"CUST", {"X", "AMT"}, {Value(), Value::integer(1)}};
    EXPECT_EQ(xb::rt::repr(xb::xbase::run(ev.rt, *unit)), "2");
}

TEST(Errors, OperatorCodesFollowTheClassicTable) {
    Ev ev;
    expectAll(ev, {
                      {"1 + 'a'", "E 1 BASE/1081 Argument error"},
                      {"'a' - 1", "E 1 BASE/1082 Argument error"},
                      {"'a' * 2", "E 1 BASE/1083 Argument error"},
                      {"'a' / 2", "E 1 BASE/1084 Argument error"},
                      {"'a' % 2", "E 1 BASE/1085 Argument error"},
                      {"1 / 0", "E 5 BASE/1340 Zero divisor"},
                      {"1 % 0", "E 5 BASE/1341 Zero divisor"},
                      {"1 == 'a'", "E 1 BASE/1070 Argument error"},
                      {"1 = 'a'", "E 1 BASE/1071 Argument error"},
                      {"1 <> 'a'", "E 1 BASE/1072 Argument error"},
                      {"1 < 'a'", "E 1 BASE/1073 Argument error"},
                      {"1 <= 'a'", "E 1 BASE/1074 Argument error"},
                      {"1 > 'a'", "E 1 BASE/1075 Argument error"},
                      {"1 >= 'a'", "E 1 BASE/1076 Argument error"},
                      {"1 $ 'a'", "E 1 BASE/1109 Argument error"},
                      {".NOT. 1", "E 1 BASE/1077 Argument error"},
                      {"1 .AND. .T.", "E 1 BASE/1078 Argument error"},
                      {".F. .OR. 1", "E 1 BASE/1079 Argument error"},
                      {"-'a'", "E 1 BASE/1080 Argument error"},
                      {"{1}[2]", "E 2 BASE/1132 Bound error: array access"},
                      {"{1}[0]", "E 2 BASE/1132 Bound error: array access"},
                      {"(a := {1}, a[3] := 1)", "E 2 BASE/1133 Bound error: array assign"},
                      {"{1}['x']", "E 1 BASE/1068 Argument error"},
                      {"'abc'[1]", "E 1 BASE/1068 Argument error"},
                      {"{'a' => 1}['b']", "E 2 BASE/1132 Bound error: array access"},
                      {"IIF(1, 2, 3)", "E 1 BASE/1066 Argument error"},
                  });
}

TEST(Errors, HandlerSubstitutesDefaultsOrRetries) {
    Ev ev;
    xb::rt::Runtime& rt = ev.rt;
    std::vector<std::string> seen;
    // The handler sees the error before anything unwinds and answers per generic code.
    rt.setErrorBlock(Value(xb::rt::nativeBlock([&](xb::rt::Runtime& r, std::span<const Value> a) {
        xb::rt::XbError* e = xb::rt::errorOf(a[0]);
        seen.push_back(xb::rt::errorLine(*e));
        if (e->genCode == xb::rt::eg::kZeroDiv) return Value::integer(0);  // substitute
        if (e->genCode == xb::rt::eg::kNoVar) {
            r.assignVar(r.intern("late"), Value::integer(41));  // make it exist, then retry
            return Value(true);
        }
        return Value(false);  // default
    })));
    EXPECT_EQ(ev.repr("10 / 0 + 5"), "5");
    EXPECT_EQ(ev.repr("late + 1"), "42");
    EXPECT_EQ(ev.repr("1 + 'a'"), "NIL");
    EXPECT_EQ(ev.repr("1 +"), "NIL");
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], "E 5 BASE/1340 Zero divisor");
    EXPECT_EQ(seen[1], "E 14 BASE/1003 Variable does not exist");
    EXPECT_EQ(seen[3], "E 7 BASE/1449 Syntax error at position 4: unexpected end of expression");
    // ERRORBLOCK() hands the handler to scripts.
    EXPECT_EQ(ev.repr("ValTypeOfOld := ErrorBlock({|e| 'sub'})"), "{||...}");
    EXPECT_EQ(ev.repr("1 + 'a'"), R"("sub")");
    EXPECT_EQ(ev.repr("ErrorBlock({|e| Break(e:subCode)}), 1 + 'a'"), "E BREAK 1081");
}

TEST(Control, BreakCarriesValueToTheRecoveryBlock) {
    Ev ev;
    Value got = xb::xbase::sequence(
        ev.rt, [&] { return ev.eval("Break('out'), 'not reached'"); },
        [](const Value& v) { return v; });
    EXPECT_EQ(xb::rt::repr(got), R"("out")");
    EXPECT_EQ(ev.repr("Break()"), "E BREAK NIL");
    EXPECT_EQ(ev.repr("ProcName()"), R"("")");
    EXPECT_EQ(ev.repr("Eval({|| ProcName()})"), R"("EVAL")");
    EXPECT_EQ(ev.repr("Eval({|| ProcName(1)})"), R"("")");
    EXPECT_EQ(ev.repr("ProcLine()"), "0");
}

TEST(Syntax, ErrorsNameTheirPosition) {
    Ev ev;
    expectAll(
        ev, {
                {"1 + * 2", "E 7 BASE/1449 Syntax error at position 5: unexpected *"},
                {"(1 + 2", "E 7 BASE/1449 Syntax error at position 7: expected )"},
                {"'abc", "E 7 BASE/1449 Syntax error at position 1: unterminated string"},
                {"1 2", "E 7 BASE/1449 Syntax error at position 3: unexpected 2"},
                {"f(", "E 7 BASE/1449 Syntax error at position 3: unexpected end of expression"},
                {"{|a, a| a}", "E 7 BASE/1449 Syntax error at position 6: duplicate parameter A"},
                {"5 := 1", "E 7 BASE/1449 Syntax error at position 3: cannot assign to this"},
                {"0d2024", "E 7 BASE/1449 Syntax error at position 1: date literal needs 8 digits"},
                {"0d20241301", "E 7 BASE/1449 Syntax error at position 1: invalid date literal"},
                {"a.b", "E 7 BASE/1449 Syntax error at position 2: unexpected ."},
                {"", "E 7 BASE/1449 Syntax error at position 1: unexpected end of expression"},
            });
    auto err = xb::xbase::checkSyntax(ev.rt, "x := (1 + ");
    ASSERT_TRUE(err.has_value());
    EXPECT_EQ(err->position, 11);
    EXPECT_FALSE(xb::xbase::checkSyntax(ev.rt, "x := 1").has_value());
}

TEST(Syntax, DeepNestingIsACompileErrorNotACrash) {
    Ev ev;
    std::string deep(5000, '(');
    deep += "1";
    deep += std::string(5000, ')');
    EXPECT_EQ(ev.repr(deep).rfind("E 7 BASE/1449 Syntax error at position", 0), 0u);
    std::string nots(100000, '!');
    nots += ".T.";
    EXPECT_EQ(ev.repr(nots).rfind("E 7 BASE/1449", 0), 0u);
    std::string fine(100, '(');
    fine += "1";
    fine += std::string(100, ')');
    EXPECT_EQ(ev.repr(fine), "1");
}

TEST(Syntax, DeepRecursionThroughDeepTreesStopsWithAnError) {
    Ev ev;
    // Each level of recursion evaluates a tree 200 levels deep before recursing again.
    std::string body = "Eval(b, n - 1)";
    for (int i = 0; i < 200; ++i) body = "1 + (" + body + ")";
    ev.eval("b := {|n| IF(n > 0, " + body + ", 0)}");
    EXPECT_EQ(ev.repr("Eval(b, 3)"), "600");
    EXPECT_EQ(ev.repr("Eval(b, 100000)"), "E 31 BASE/1301 Recursion limit");
    std::string macro = "&m";
    for (int i = 0; i < 200; ++i) macro = "(1 + " + macro + ")";
    ev.eval("m := '" + macro + "'");
    EXPECT_EQ(ev.repr("&m"), "E 31 BASE/1301 Recursion limit");
}

TEST(TypeProbe, LettersWithoutRaising) {
    Ev ev;
    ev.eval("cc := 'x'");
    ev.eval("nn := 1");
    ev.eval("codeText := 'nn + 1'");
    sideEffects = 0;
    struct C {
        const char* text;
        const char* want;
    };
    static const C cases[] = {
        {"cc", "C"},          {"nn + 1", "N"},       {"0d20240101", "D"},
        {".T.", "L"},         {"{1}", "A"},          {"{=>}", "H"},
        {"{|| side()}", "B"}, {"MkProbe()", "UI"},   {"side()", "UI"},
        {"nosuchfn()", "UI"}, {"undefinedvar", "U"}, {"NIL", "U"},
        {"1 +", "UE"},        {"1 + 'a'", "UE"},     {"nosuch->fld", "U"},
        {"&codeText", "N"},   {"Type('cc')", "C"},   {"IIF(.T., 1, side())", "UI"},
        {"1 / 0", "UE"},      {"Upper('a')", "UI"},  // a known pure name, but not registered
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(xb::xbase::typeOf(ev.rt, c.text), c.want);
    }
    EXPECT_EQ(sideEffects, 0);
    ev.eval("codeText := 'side()'");
    EXPECT_EQ(xb::xbase::typeOf(ev.rt, "&codeText"), "UI");
    EXPECT_EQ(sideEffects, 0);
    EXPECT_EQ(ev.repr("Type('cc')"), R"("C")");
    EXPECT_TRUE(ev.rt.errorBlock().isNil());  // the probe put the handler back
}

TEST(Cache, SameTextBehavesAsIfCompiledAnew) {
    Ev ev;
    auto a = xb::xbase::compile(ev.rt, "q + 1");
    auto b = xb::xbase::compile(ev.rt, "q + 1");
    EXPECT_EQ(a.get(), b.get());
    EXPECT_EQ(ev.repr("q + 1"), "E 14 BASE/1003 Variable does not exist");
    ev.eval("q := 1");
    EXPECT_EQ(ev.repr("q + 1"), "2");
    ev.eval("q := 'a'");
    EXPECT_EQ(ev.repr("q + 1"), "E 1 BASE/1081 Argument error");
    // A syntax error is raised again every time.
    EXPECT_EQ(ev.repr("1 +"), ev.repr("1 +"));
    // A function registered after the first compile is found at run time.
    EXPECT_EQ(ev.repr("later(2)"), "E 12 BASE/1001 Undefined function");
    static const xb::rt::Builtin kLater[] = {
        {"LATER", [](xb::rt::Frame& f) { f.ret(Value::integer(f.num(1) * 10)); }}};
    ev.rt.registerBuiltins(kLater);
    EXPECT_EQ(ev.repr("later(2)"), "20");
    xb::xbase::clearCache(ev.rt);
    EXPECT_EQ(ev.repr("later(3)"), "30");
}

TEST(Api, BlocksAndCallablesFromText) {
    Ev ev;
    Value b = xb::xbase::blockFromText(ev.rt, "{|a| a + 1}");
    ASSERT_TRUE(b.isBlock());
    Value one = Value::integer(1);
    EXPECT_EQ(xb::rt::repr(ev.rt.eval(b, std::span<const Value>(&one, 1))), "2");
    Value plain = xb::xbase::blockFromText(ev.rt, "40 + 2");
    ASSERT_TRUE(plain.isBlock());
    EXPECT_EQ(xb::rt::repr(ev.rt.eval(plain)), "42");
    ev.eval("k := 'key'");
    auto fn = xb::xbase::callable(ev.rt, "k + '!'");
    ASSERT_TRUE(fn);
    EXPECT_EQ(xb::rt::repr(fn()), R"("key!")");
    ev.rt.setErrorBlock(Value(xb::rt::nativeBlock(
        [](xb::rt::Runtime&, std::span<const Value>) { return Value(false); })));
    EXPECT_FALSE(xb::xbase::callable(ev.rt, "k +"));
    EXPECT_EQ(xb::rt::repr(xb::xbase::binaryOp(ev.rt, xb::xbase::Op::Lt, Value("a"), Value("b"))),
              ".T.");
}
