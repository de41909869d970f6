#include <gtest/gtest.h>

#include "cases.hpp"

namespace {

TEST(Hashes, KeepInsertionOrder) {
    EvalFixture ev;
    expectAll(ev, {
                      {R"(HASH("B", 1, "A", 2))", R"({"B" => 1, "A" => 2})"},
                      {R"(HASH())", "{=>}"},
                      {R"(HASH("A"))", "E 1 BASE/1123 Argument error"},
                      {R"(HASH({}, 1))", "E 1 BASE/1123 Argument error"},
                      {R"((h := HASH("B", 1, "A", 2), HB_HKEYS(h)))", R"({"B", "A"})"},
                      {R"(HB_HVALUES(h))", "{1, 2}"},
                      {R"(HB_HHASKEY(h, "A"))", ".T."},
                      {R"(HB_HHASKEY(h, "a"))", ".F."},  // keys are case-sensitive
                      {R"(HB_HHASKEY(h, {}))", ".F."},
                      {R"(HB_HPOS(h, "A"))", "2"},
                      {R"(HB_HPOS(h, "Z"))", "0"},
                      {R"(HB_HKEYAT(h, 1))", R"("B")"},
                      {R"(HB_HVALUEAT(h, 2))", "2"},
                      {R"(HB_HVALUEAT(h, 2, 5))", "5"},
                      {R"(HB_HPAIRAT(h, 2))", R"({"A", 5})"},
                      {R"(HB_HKEYAT(h, 3))", "E 2 BASE/1132 Bound error: array access"},
                      {R"(HB_HGET(h, "B"))", "1"},
                      {R"(HB_HGET(h, "Z"))", "E 2 BASE/1132 Bound error: array access"},
                      {R"(HB_HGETDEF(h, "Z", "dflt"))", R"("dflt")"},
                      {R"(HB_HSET(h, "C", 3))", R"({"B" => 1, "A" => 5, "C" => 3})"},
                      {R"(HB_HSET(h, "B", 0))", R"({"B" => 0, "A" => 5, "C" => 3})"},
                      {R"(HB_HDEL(h, "A"))", R"({"B" => 0, "C" => 3})"},
                      {R"(HB_HDEL(h, "nope"))", R"({"B" => 0, "C" => 3})"},
                      {R"(HB_HDELAT(h, 1))", R"({"C" => 3})"},
                      {R"(LEN(h))", "1"},
                      {R"(HB_HKEYS(5))", "E 1 BASE/1123 Argument error"},
                  });
}

TEST(Hashes, CloneMergeEvalScan) {
    EvalFixture ev;
    expectAll(
        ev,
        {
            {R"((h := HASH(1, "a", 0d20240101, "b", .T., "c"), c := HB_HCLONE(h), HB_HSET(c, 2, "d"), LEN(h)))",
             "3"},
            {R"(HB_HMERGE(HASH("a", 1), HASH("b", 2, "a", 3)))", R"({"a" => 3, "b" => 2})"},
            {R"((s := "", HB_HEVAL(HASH("a", 1, "b", 2), {|k, v, i| s += k + STR(v, 1) + STR(i, 1)}), s))",
             R"("a11b22")"},
            {R"(HB_HSCAN(HASH("a", 1, "b", 2), 2))", "2"},
            {R"(HB_HSCAN(HASH("a", 1, "b", 2), {|k, v| k == "a"}))", "1"},
            {R"(HB_HCLEAR(HASH("a", 1)))", "{=>}"},
        });
}

}  // namespace
