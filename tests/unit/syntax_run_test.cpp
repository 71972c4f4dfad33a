// End-to-end tests in process: scripts compiled by the syntax analyser and run by the
// executor, checked through the variable table and the debug traces.
#include <gtest/gtest.h>

#include "syntax_fixture.h"

namespace {

using Table = std::map<std::string, std::vector<int>>;

struct ValueCase {
    const char* script;
    int value;
};

void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.script; }

class SyntaxRunValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(SyntaxRunValue, StoresExpectedValue) {
    CompiledScript compiled(CrLf({GetParam().script}));
    ASSERT_TRUE(compiled.Passed()) << compiled.Output();
    compiled.Run();
    EXPECT_EQ(compiled.Variables(), (Table{{"$r", {GetParam().value}}}));
}

// The operator priorities, including the unusual ones: comparisons bind tighter than
// arithmetic, and "&" and "|" tighter than comparisons.
const ValueCase kValues[] = {
    {"$r := 1 + 2 < 3", 2},     {"$r := (1 + 2) < 3", 0},   {"$r := 2 * 3 - 4", 2},
    {"$r := 10 - 4 - 3", 3},    {"$r := - 2 * 3", -6},      {"$r := ! 0 + 1", 2},
    {"$r := 1 < 3 & 2", 1},     {"$r := 4 - 1 | 2", 1},     {"$r := 2 + 3 * 4", 14},
    {"$r := 7 % 4 * 3", 9},     {"$r := 3 > 1 * 5", 5},     {"$r := 100 / 10 / 5", 2},
};
INSTANTIATE_TEST_SUITE_P(Priorities, SyntaxRunValue, ::testing::ValuesIn(kValues));

TEST(SyntaxRun, LabelsGotoNestedIfAndArrays) {
    CompiledScript compiled(CrLf({
        "{",
        "  $i := 0;",
        "  @fill;",
        "  $a[$i] := $i * $i;",
        "  $i := $i + 1;",
        "  if ($i < 5) goto @fill;",
        "  $j := 0;",
        "  @sum;",
        "  if ($j < 5) {",
        "    if ($a[$j] > 4) $big := $big + 1; else $small := $small + 1;",
        "    $s := $s + $a[$j];",
        "    $j := $j + 1;",
        "    goto @sum",
        "  }",
        "}",
    }));
    ASSERT_TRUE(compiled.Passed()) << compiled.Output();
    compiled.Run();
    Table vars = compiled.Variables();
    EXPECT_EQ(vars["$a"], (std::vector<int>{0, 1, 4, 9, 16}));
    EXPECT_EQ(vars["$i"], std::vector<int>{5});
    EXPECT_EQ(vars["$j"], std::vector<int>{5});
    EXPECT_EQ(vars["$s"], std::vector<int>{30});
    EXPECT_EQ(vars["$big"], std::vector<int>{2});
    EXPECT_EQ(vars["$small"], std::vector<int>{3});
}

TEST(SyntaxRunTrace, AssignmentOfASum) {
    CompiledScript compiled(CrLf({"$x := 1 + 2"}), true);
    EXPECT_EQ(compiled.Output(), "\n| MAIN_EXPRESS-AND-OR-BOOL-TERM--PRI.TERM--PRI.");
    EXPECT_EQ(compiled.Run(),
              "\n\n\n\t--- DEBUG MODE ---\n"
              "\nLabel Collect ::\n"
              "\n :: Label Collect\n"
              "\n ElemAddr: 1 = Const pushed -> "
              "\n ElemAddr: 2 = Const pushed -> "
              "\n ElemAddr: 3 = EvaluateFunc ->  Oper-Pop1 ->  Oper-Pop2 -> |+|"
              "\n ElemAddr: 4 =\n next==NULL EvaluateFunc -> FuncVar[$x] ->VTWriteVar[$x] ->"
              "\n Execution end."
              "\n\n :: Var Table :: \n $x = 3; \n"
              "\n\n\t=== DEBUG MODE ===\n");
}

TEST(SyntaxRunTrace, FalseIfWithoutElse) {
    CompiledScript compiled(CrLf({"{ if (0) $x := 1 }"}), true);
    EXPECT_EQ(compiled.Output(),
              "\n| MAIN_EXPRESS-AND-OR-BOOL-TERM--PRI.\n| MAIN_EXPRESS-AND-OR-BOOL-TERM--PRI.");
    EXPECT_EQ(compiled.Run(),
              "\n\n\n\t--- DEBUG MODE ---\n"
              "\nLabel Collect ::\n"
              "VTWriteLabel[@@1] ->Label Addr: 6"
              "\n :: Label Collect\n"
              "\n ElemAddr: 1 = Const pushed -> "
              "\n ElemAddr: 2 = Passage -> |GetVar for undefined var| goto @@1"
              "\n ElemAddr: 6 =\n next==NULL"
              "VTWriteLabel[@@1] ->"
              "\n Execution end."
              "\n\n :: Var Table :: \n @@1 = 6; \n @@else1 = 0; \n"
              "\n\n\t=== DEBUG MODE ===\n");
}

}  // namespace
