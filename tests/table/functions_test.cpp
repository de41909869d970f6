// The table functions through the evaluator, as scripts and formulas call them.
#include <gtest/gtest.h>

#include "table/table_test_util.hpp"
#include "xbase/eval_fixture.hpp"
#include "xbase/stdlib/table/table_functions.hpp"

namespace xb::table::test {
namespace {

struct TableEval : EvalFixture {
    TempFolder tmp;
    TableEval() { xb::stdlib::registerTableFunctions(rt); }
    // Replaces every "@" in text with the temporary folder.
    std::string at(std::string text) const {
        for (std::size_t p; (p = text.find('@')) != std::string::npos;)
            text.replace(p, 1, tmp.path + "/");
        return text;
    }
    void run(const std::vector<std::string>& steps) {
        for (const auto& s : steps) {
            SCOPED_TRACE(s);
            EXPECT_EQ(repr(at(s)).substr(0, 2) == "E " ? repr(at(s)) : "ok", "ok");
        }
    }
    void check(const std::vector<std::pair<std::string, std::string>>& cases) {
        for (const auto& [expr, want] : cases) {
            SCOPED_TRACE(expr);
            EXPECT_EQ(repr(at(expr)), want);
        }
    }
};

const char* kCreate =
    R"(DbCreate("@CUST", {{"CODE", "C", 5, 0}, {"NAME", "C", 20, 0}, {"AMT", "N", 10, 2}, )"
    R"({"DAY", "D", 8, 0}, {"OK", "L", 1, 0}, {"NOTE", "M", 10, 0}}))";

TEST(TableFunctions, AreasFieldsAndStructure) {
    TableEval ev;
    ev.run({kCreate, R"(DbUseArea(.T., NIL, "@CUST", "cust", .T.))", "FLock()",
            R"((DbAppend(), FieldPut(1, "C01"), FieldPut(2, "Alpha"), FieldPut(3, 12.345)))",
            R"((DbAppend(), cust->CODE := "C02", cust->NOTE := "two", FieldPut(5, .T.)))",
            R"(DbSelectArea(201))", R"(DbUseArea(.F., NIL, "@CUST", "again", .T., .T.))"});
    ev.check({
        {"Select()", "201"},
        {"Alias()", R"("AGAIN")"},
        {R"(Select("cust"))", "1"},
        {R"(Alias(1))", R"("CUST")"},
        {"Used()", ".T."},
        {"(1)->CODE", R"("C02  ")"},
        {"cust->AMT", "0.00"},
        {"(DbSelectArea(\"cust\"), DbGoTop(), RecNo())", "1"},
        {"AMT", "12.35"},
        {"Str(AMT)", R"("     12.35")"},
        {"FieldGet(2)", R"("Alpha               ")"},
        {"FieldPos(\"name\")", "2"},
        {"FieldName(6)", R"("NOTE")"},
        {"FCount()", "6"},
        {"(DbSkip(), NOTE)", R"("two")"},
        {"ValType(NOTE)", R"("M")"},
        {"OK", ".T."},
        {"DbStruct()[3]", R"({"AMT", "N", 10, 2})"},
        {"Len(DbStruct())", "6"},
        {"Header()", "225"},
        {"RecSize()", "55"},
        {"LastRec()", "2"},
        {"RecCount()", "2"},
        {"Eval(FieldBlock(\"CODE\"))", R"("C02  ")"},
        {"Eval(FieldWBlock(\"CODE\", 201))", R"("C01  ")"},
        {"(Eval(FieldBlock(\"NAME\"), \"Beta\"), NAME)", R"("Beta                ")"},
        {"Dbf()", R"("CUST")"},
        {"(DbSkip(), Eof())", ".T."},
        {"RecNo()", "3"},
        {"CODE", R"("     ")"},
        {"(DbGoTop(), DbSkip(-1), Bof())", ".T."},
        {"(DbCloseArea(), Used())", ".F."},
        {"Select(\"cust\")", "0"},
    });
}

TEST(TableFunctions, OrdersSeekFilterLocateAndEval) {
    TableEval ev;
    ev.run({kCreate, R"(DbUseArea(.T., NIL, "@CUST", NIL, .F.))"});
    for (auto [code, amt] : {std::pair{"B2", 20}, {"A1", 10}, {"C3", 30}, {"A2", 5}})
        ev.run({std::string("(DbAppend(), FIELD->CODE := \"") + code +
                "\", FIELD->AMT := " + std::to_string(amt) + ")"});
    ev.run(
        {R"(DbCreateIndex("@CUSTC", "CODE", {|| CODE}))",
         R"((OrdCondSet("AMT > 6", {|| AMT > 6}, , , , , , , , , .T.), OrdCreate("@CUSTD", , "CODE")))",
         R"((OrdListClear(), DbSetIndex("@CUSTC"), DbSetIndex("@CUSTD")))"});
    ev.check({
        {"IndexOrd()", "1"},
        {"IndexKey()", R"("CODE")"},
        {"OrdFor(2)", R"("AMT > 6")"},
        {"OrdName(2)", R"("CUSTD")"},
        {"OrdBagName(1)", R"("CUSTC.NTX")"},
        {"OrdNumber(\"custd\")", "2"},
        {"IndexExt()", R"(".NTX")"},
        {"(DbSeek(\"A\"), RecNo())", "2"},
        {"Found()", ".T."},
        {"(DbSeek(\"B\"), CODE)", R"("B2   ")"},
        {"DbSeek(\"AZ\")", ".F."},
        {"Eof()", ".T."},
        {"(DbSeek(\"AZ\", .T.), CODE)", R"("B2   ")"},
        {"(DbSeek(\"A\", .F., .T.), RecNo())", "4"},
        {"OrdSetFocus(2)", R"("CUSTC")"},
        {"(DbGoTop(), CODE)", R"("C3   ")"},  // descending, A2 left out by the FOR condition
        {"(DbSkip(2), CODE)", R"("A1   ")"},
        {"(DbSkip(), Eof())", ".T."},
        {"(DbSetOrder(0), DbSetFilter({|| AMT >= 20}, \"AMT >= 20\"), DbFilter())",
         R"("AMT >= 20")"},
        {"(DbGoTop(), RecNo())", "1"},
        {"(DbSkip(), RecNo())", "3"},
        {"(DbClearFilter(), DbFilter())", R"("")"},
        {"(__dbLocate({|| AMT < 20}), RecNo())", "2"},
        {"Found()", ".T."},
        {"(__dbContinue(), RecNo())", "4"},
        {"(__dbContinue(), Found())", ".F."},
        {"Eof()", ".T."},
        {"(M->n := 0, DbEval({|| M->n := M->n + AMT}, {|| AMT > 6}), M->n)", "60.00"},
        {"(DbGoto(3), DbDelete(), Deleted())", ".T."},
        {"(DbSetOrder(1), DbSeek(\"C3\"))", ".F."},
        {"(__dbPack(), LastRec())", "3"},
        {"(DbSetOrder(1), DbGoBottom(), CODE)", R"("B2   ")"},
        {"(__dbZap(), LastRec())", "0"},
    });
}

TEST(TableFunctions, ErrorsLocksAndCreateFromAStructureTable) {
    TableEval ev;
    ev.check({
        {R"(DbUseArea(.T., NIL, "@NOPE"))", "E 21 DBFNTX/1001 Open error"},
        {"DbSkip()", "E 35 DBCMD/2001 Workarea not in use"},
        {"Eof()", ".T."},
        {"DbSelectArea(\"ghost\")", "E 15 BASE/1002 Alias does not exist"},
    });
    ev.run({R"(DbCreate("@STRU", {{"FIELD_NAME", "C", 10, 0}, {"FIELD_TYPE", "C", 1, 0}, )"
            R"({"FIELD_LEN", "N", 3, 0}, {"FIELD_DEC", "N", 3, 0}}, NIL, .T., "stru"))",
            R"((DbAppend(), FieldPut(1, "MNAME"), FieldPut(2, "C"), FieldPut(3, 12)))",
            R"((DbAppend(), FieldPut(1, "MSIZE"), FieldPut(2, "N"), FieldPut(3, 12)))",
            R"((DbAppend(), FieldPut(1, "MTEXT"), FieldPut(2, "M"), FieldPut(3, 10)))",
            R"(DbCloseArea())", R"(DbCreate("@DIR", "@STRU", "DBFFPT", .T.))"});
    ev.check({
        {"DbStruct()", R"({{"MNAME", "C", 12, 0}, {"MSIZE", "N", 12, 0}, {"MTEXT", "M", 10, 0}})"},
        {"(DbAppend(), FIELD->MTEXT := \"x\", DbCommit(), MTEXT)", R"("x")"},
        {"(DbCloseArea(), DbUseArea(.T., NIL, \"@DIR\", \"d\", .T.), NetErr())", ".F."},
        {"(DbGoTop(), d->MNAME := \"a\")", "E 38 DBFNTX/1022 Lock required"},
        {"RLock()", ".T."},
        {"(d->MNAME := \"a\", DbUnlock(), DbGoTop(), MNAME)", R"("a           ")"},
        {"(DbAppend(), NetErr())", ".F."},
        {"RecNo()", "2"},
        {"DbRLock(1)", ".T."},
        {"FLock()", ".T."},
        {"(DbUnlockAll(), DbCommitAll(), LastRec())", "2"},
    });
}

}  // namespace
}  // namespace xb::table::test
