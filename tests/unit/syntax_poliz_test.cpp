// Tests of the POLIZ that the syntax analyser emits, compared as whole program dumps.
#include <gtest/gtest.h>

#include "syntax_fixture.h"

namespace {

struct PolizCase {
    const char* name;
    std::string script;
    std::string dump;
};

void PrintTo(const PolizCase& c, std::ostream* os) { *os << c.name; }

class SyntaxPoliz : public ::testing::TestWithParam<PolizCase> {};

TEST_P(SyntaxPoliz, TranslatesToExpectedProgram) {
    CompiledScript compiled(GetParam().script);
    EXPECT_TRUE(compiled.Passed()) << compiled.Output();
    EXPECT_EQ(compiled.Output(), "");
    EXPECT_EQ(compiled.Dump(), GetParam().dump);
}

const PolizCase kWorkedExamples[] = {
    {"ProductBeforeSum", CrLf({"$x := 2 + 3 * 4"}),
     Numbered({"PolizConst<int> 2", "PolizConst<int> 3", "PolizConst<int> 4", "PolizFuncMult",
               "PolizFuncPlus", "PolizFuncVarRead $x"})},
    {"ArrayCellGetsNegatedVariable", CrLf({"$a[$i] := -$b"}),
     Numbered({"PolizFuncVarWrite $i", "PolizFuncVarWrite $b", "PolizFuncPriMinus",
               "PolizFuncVarArrayRead $a"})},
    {"IfWithElse", CrLf({"if ($a < 5) $a := $a + 1; else $a := 0"}),
     Numbered({"PolizFuncVarWrite $a", "PolizConst<int> 5", "PolizFuncLower",
               "PolizFuncPassIf @@1 @@else1", "PolizFuncVarWrite $a", "PolizConst<int> 1",
               "PolizFuncPlus", "PolizFuncVarRead $a", "PolizFuncPassGo @@1",
               "PolizFuncLabelRead @@else1", "PolizConst<int> 0", "PolizFuncVarRead $a",
               "PolizFuncLabelRead @@1"})},
    {"IfWithoutElse", CrLf({"{ if ($a < 5) $a := $a + 1 }"}),
     Numbered({"PolizFuncVarWrite $a", "PolizConst<int> 5", "PolizFuncLower",
               "PolizFuncPassIf @@1 @@else1", "PolizFuncVarWrite $a", "PolizConst<int> 1",
               "PolizFuncPlus", "PolizFuncVarRead $a", "PolizFuncPassGo @@1",
               "PolizFuncLabelRead @@1"})},
    {"LoopWithLabelAndGoto", CrLf({"{ @loop; $i := $i + 1; if ($i < 10) goto @loop }"}),
     Numbered({"PolizFuncLabelRead @loop", "PolizFuncVarWrite $i", "PolizConst<int> 1",
               "PolizFuncPlus", "PolizFuncVarRead $i", "PolizFuncVarWrite $i",
               "PolizConst<int> 10", "PolizFuncLower", "PolizFuncPassIf @@1 @@else1",
               "PolizFuncPassGo @loop", "PolizFuncPassGo @@1", "PolizFuncLabelRead @@1"})},
    {"PrintWithGameData", CrLf({"{ ?print \"money %d\", .you.money }"}),
     Numbered({"PolizFuncRoboWrite .you .money 2", "PolizConst<char*> \"money %d\"",
               "PolizFuncRobPrint"})},
};
INSTANTIATE_TEST_SUITE_P(WorkedExamples, SyntaxPoliz, ::testing::ValuesIn(kWorkedExamples),
                         [](const auto& info) { return std::string(info.param.name); });

const PolizCase kForms[] = {
    {"RobotStatements",
     CrLf({"{ ?turn; ?upgrade; ?auto; ?prod 2; ?sell 10, 50; ?buy 1, 2 + 3;",
           "  ?print \"%d and %d\", 7, $v; ?sell (10), 50 }"}),
     Numbered({"PolizFuncRobTurn", "PolizFuncRobUpgrade", "PolizFuncRobAuto",
               "PolizConst<int> 2", "PolizFuncRobProd", "PolizConst<int> 10",
               "PolizConst<int> 50", "PolizFuncRobSell", "PolizConst<int> 1",
               "PolizConst<int> 2", "PolizConst<int> 3", "PolizFuncPlus", "PolizFuncRobBuy",
               "PolizConst<int> 7", "PolizFuncVarWrite $v", "PolizConst<char*> \"%d and %d\"",
               "PolizFuncRobPrint", "PolizConst<int> 10", "PolizConst<int> 50",
               "PolizFuncRobSell"})},
    {"GameDataInAllThreeShapes", CrLf({"{ $x := .players[$i + 1].money - .you.raw * .turn }"}),
     Numbered({"PolizFuncVarWrite $i", "PolizConst<int> 1", "PolizFuncPlus",
               "PolizFuncRoboWrite .players .money 3", "PolizFuncRoboWrite .you .raw 2",
               "PolizFuncRoboWrite .turn 1", "PolizFuncMult", "PolizFuncMinus",
               "PolizFuncVarRead $x"})},
    {"MacroOperandKeepsQuotes", CrLf({"$x := ?macro \"fabrics\" + 1"}),
     Numbered({"PolizFuncRobMacros \"fabrics\"", "PolizConst<int> 1", "PolizFuncPlus",
               "PolizFuncVarRead $x"})},
    {"ArrayCellInExpression", CrLf({"$x := $a[$a[1]] * 2"}),
     Numbered({"PolizConst<int> 1", "PolizFuncVarArrayWrite $a", "PolizFuncVarArrayWrite $a",
               "PolizConst<int> 2", "PolizFuncMult", "PolizFuncVarRead $x"})},
    {"NestedIfGetsTheNextNumber", CrLf({"{ if (1) if (2) ?turn; if (3) ?auto }"}),
     Numbered({"PolizConst<int> 1", "PolizFuncPassIf @@1 @@else1", "PolizConst<int> 2",
               "PolizFuncPassIf @@2 @@else2", "PolizFuncRobTurn", "PolizFuncPassGo @@2",
               "PolizFuncLabelRead @@2", "PolizFuncPassGo @@1", "PolizFuncLabelRead @@1",
               "PolizConst<int> 3", "PolizFuncPassIf @@3 @@else3", "PolizFuncRobAuto",
               "PolizFuncPassGo @@3", "PolizFuncLabelRead @@3"})},
    {"ElseWithoutSemicolon", CrLf({"if (1) $a := 1 else $a := 2"}),
     Numbered({"PolizConst<int> 1", "PolizFuncPassIf @@1 @@else1", "PolizConst<int> 1",
               "PolizFuncVarRead $a", "PolizFuncPassGo @@1", "PolizFuncLabelRead @@else1",
               "PolizConst<int> 2", "PolizFuncVarRead $a", "PolizFuncLabelRead @@1"})},
    {"EmptyBlock", CrLf({"{ }"}), ""},
    {"BlockOfEmptyStatements", CrLf({"{ ; ; }"}), ""},
    {"IgnoredStatementsAreDropped", CrLf({"{ else; foo; \"text\"; , ; $x := 1 }"}),
     Numbered({"PolizConst<int> 1", "PolizFuncVarRead $x"})},
    {"OnlyTheFirstStatementWithoutBraces", CrLf({"$x := 1; $y := 2"}),
     Numbered({"PolizConst<int> 1", "PolizFuncVarRead $x"})},
    {"NothingAfterTheBlockIsExamined", CrLf({"{ $x := 1 } $y"}),
     Numbered({"PolizConst<int> 1", "PolizFuncVarRead $x"})},
    {"LiteralsAreClampedToTheIntRange",
     CrLf({"$x := 2147483647 + 2147483648 + 99999999999999999999999 + 0012"}),
     Numbered({"PolizConst<int> 2147483647", "PolizConst<int> 2147483647", "PolizFuncPlus",
               "PolizConst<int> 2147483647", "PolizFuncPlus", "PolizConst<int> 12",
               "PolizFuncPlus", "PolizFuncVarRead $x"})},
};
INSTANTIATE_TEST_SUITE_P(Forms, SyntaxPoliz, ::testing::ValuesIn(kForms),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SyntaxTrace, DebugModePrintsEachExpressionRuleOnEntry) {
    CompiledScript compiled(CrLf({"$x := (1 + 2)"}), true);
    EXPECT_EQ(compiled.Output(),
              "\n| MAIN_EXPRESS-AND-OR-BOOL-TERM--PRI."
              "\n| MAIN_EXPRESS-AND-OR-BOOL-TERM--PRI.TERM--PRI.");
}

}  // namespace
