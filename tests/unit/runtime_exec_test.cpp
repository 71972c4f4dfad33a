// Tests of the executor: variable table, labels and jumps, runs that follow each other, traces.
#include "runtime_fixture.h"

namespace {

const std::string kBound = "Array bound corrupted.  ";

// "$name[index] := value" as the parser emits it.
void StoreCell(RuntimeTest& t, const char* name, int index, int value) {
    t.Int(index).Int(value).Add(new PolizFuncVarArrayRead(name));
}

}  // namespace

TEST_F(RuntimeTest, ReadingAnUnknownNameCreatesZeroCells) {
    Add(new PolizFuncVarWrite("$v")).Int(2).Add(new PolizFuncVarArrayWrite("$a"));
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(Drain(), (std::vector<int>{0, 0}));
    EXPECT_EQ(Cells("$v"), std::vector<int>{0});
    EXPECT_EQ(Cells("$a"), (std::vector<int>{0, 0, 0}));
}

TEST_F(RuntimeTest, WriteBeyondTheEndGrowsToExactlyIndexPlusOne) {
    StoreCell(*this, "$a", 1, 11);
    Int(1).Add(new PolizFuncVarRead("$a"));
    StoreCell(*this, "$a", 4, 7);
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(Cells("$a"), (std::vector<int>{1, 11, 0, 0, 7}));
}

TEST_F(RuntimeTest, ScalarAndCellZeroAreTheSameCell) {
    Int(5).Add(new PolizFuncVarRead("$x"));
    Int(0).Add(new PolizFuncVarArrayWrite("$x"));
    Run();
    EXPECT_EQ(Drain(), std::vector<int>{5});
}

TEST_F(RuntimeTest, ReadOutsideTheCellsReportsTheNameAndGivesZero) {
    StoreCell(*this, "$a", 4, 7);
    Int(5).Add(new PolizFuncVarArrayWrite("$a"));
    Int(-1).Add(new PolizFuncVarArrayWrite("$a"));
    std::string out = Run();
    EXPECT_EQ(out, Report(kBound + "'$a'") + Report(kBound + "'$a'"));
    EXPECT_EQ(Drain(), (std::vector<int>{0, 0}));
    EXPECT_EQ(Cells("$a").size(), 5u);
}

TEST_F(RuntimeTest, NegativeIndexStoresNothing) {
    StoreCell(*this, "$a", 0, 3);
    StoreCell(*this, "$a", -2, 9);                     // existing name: kept as it was
    StoreCell(*this, "$new", -1, 9);                   // new name: not added
    Int(-3).Add(new PolizFuncVarArrayWrite("$read"));  // read of a new name: not added
    std::string out = Run();
    EXPECT_EQ(out,
              Report(kBound + "'$a'") + Report(kBound + "'$new'") + Report(kBound + "'$read'"));
    EXPECT_EQ(Cells("$a"), std::vector<int>{3});
    EXPECT_EQ(Entry("$new"), nullptr);
    EXPECT_EQ(Entry("$read"), nullptr);
    EXPECT_EQ(Drain(), std::vector<int>{0});
}

TEST_F(RuntimeTest, WriteBeyondTheCellLimitIsAFailedAllocation) {
    StoreCell(*this, "$a", 2, 1);
    StoreCell(*this, "$a", CExecuter::kMaxCells, 5);
    StoreCell(*this, "$b", 2147483647, 5);
    Int(CExecuter::kMaxCells).Add(new PolizFuncVarArrayWrite("$c"));
    StoreCell(*this, "$big", CExecuter::kMaxCells - 1, 8);  // the largest allowed cell
    std::string out = Run();
    EXPECT_EQ(Count(out, "Undefined error in VarTable\n :: -750"), 3);
    EXPECT_EQ(Cells("$a"), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(Entry("$b"), nullptr);
    EXPECT_EQ(Entry("$c"), nullptr);
    EXPECT_EQ(Entry("$big")->GetCount(), CExecuter::kMaxCells);
    EXPECT_EQ(Drain(), std::vector<int>{0});
}

TEST_F(RuntimeTest, VariablesKeepTheirValuesFromRunToRun) {
    Add(new PolizFuncVarWrite("$n")).Int(1).Add(new PolizFuncPlus).Add(new PolizFuncVarRead("$n"));
    Run();
    Run();
    Run();
    EXPECT_EQ(Cells("$n"), std::vector<int>{3});
    EXPECT_TRUE(exe.IsStackEmpty());
}

TEST_F(RuntimeTest, TablePrintsScalarsAndArraysDifferently) {
    Int(4).Add(new PolizFuncVarRead("$x"));
    StoreCell(*this, "$y", 1, 6);
    Add(new PolizFuncLabelRead("@end"));
    std::string out = RunDebug();
    EXPECT_NE(out.find(" :: Var Table :: \n @end = 6; \n $x = 4; \n $y[0] = 0;  $y[1] = 6; \n"),
              std::string::npos)
        << out;
}

TEST_F(RuntimeTest, EntriesKeepTheOrderNamesWereFirstMet) {
    Add(new PolizFuncVarWrite("$b")).Add(new PolizFuncVarRead("$a"));
    Add(new PolizFuncLabelRead("@l"));
    Run();
    const CExecuter::CVarTable& t = exe.GetVarTable();
    ASSERT_EQ(t.GetCount(), 3);
    EXPECT_STREQ(t.GetEntry(0).GetName(), "@l");  // labels are collected before the run
    EXPECT_STREQ(t.GetEntry(1).GetName(), "$b");
    EXPECT_STREQ(t.GetEntry(2).GetName(), "$a");
}

// "{ @loop; $i := $i + 1; if ($i < 10) goto @loop }"
TEST_F(RuntimeTest, LoopThroughLabelAndConditionalJump) {
    Add(new PolizFuncLabelRead("@loop"));
    Add(new PolizFuncVarWrite("$i")).Int(1).Add(new PolizFuncPlus).Add(new PolizFuncVarRead("$i"));
    Add(new PolizFuncVarWrite("$i")).Int(10).Add(new PolizFuncLower);
    char* end = Label("@@1");
    Add(new PolizFuncPassIf(end, Label("@@else1")));
    Add(new PolizFuncPassGo("@loop"))
        .Add(new PolizFuncPassGo(end))
        .Add(new PolizFuncLabelRead(end));
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(Cells("$i"), std::vector<int>{10});
    EXPECT_EQ(Cells("@@1"), std::vector<int>{12});
    EXPECT_EQ(Cells("@@else1"), std::vector<int>{0}) << "a false condition adds the else label";
}

// "if ($c) $r := 1; else $r := 2" for both values of $c.
TEST_F(RuntimeTest, ConditionalChoosesItsBranch) {
    char* end = Label("@@1");
    char* other = Label("@@else1");
    Add(new PolizFuncVarWrite("$c")).Add(new PolizFuncPassIf(end, other));
    Int(1).Add(new PolizFuncVarRead("$r")).Add(new PolizFuncPassGo(end));
    Add(new PolizFuncLabelRead(other)).Int(2).Add(new PolizFuncVarRead("$r"));
    Add(new PolizFuncLabelRead(end));
    Run();
    EXPECT_EQ(Cells("$r"), std::vector<int>{2});
    exe.SetVar("$c", 5, 0);
    Run();
    EXPECT_EQ(Cells("$r"), std::vector<int>{1});
}

TEST_F(RuntimeTest, GotoUndefinedLabelEndsTheRunAndAddsTheName) {
    Add(new PolizFuncPassGo("@none")).Int(1).Add(new PolizFuncVarRead("$after"));
    EXPECT_EQ(Run(), Report("Wrong operation address."));
    EXPECT_EQ(Cells("@none"), std::vector<int>{0});
    EXPECT_EQ(Entry("$after"), nullptr);
}

TEST_F(RuntimeTest, JumpPastTheEndEndsTheRunNormally) {
    Int(1).Int(2).Int(3);
    EXPECT_EQ(exe.SetCur(4, false), 4u);
    EXPECT_EQ(exe.SetCur(1000, false), 4u);  // clamped: no walk past the list
    EXPECT_EQ(exe.SetCur(2, false), 2u);
    exe.SetVar("@far", 1000, 0);
    Add(new PolizFuncPassGo("@far")).Int(9);
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(Drain(), (std::vector<int>{3, 2, 1}));
}

TEST_F(RuntimeTest, EmptyProgramTraces) {
    const std::string first = RunDebug();
    EXPECT_EQ(first,
              "\n\n\n\t--- DEBUG MODE ---\n"
              "\nLabel Collect ::\n\n :: Label Collect\n"
              "\n Execution end.\n\n :: Var Table :: \n"
              "\n\n\t=== DEBUG MODE ===\n");
    EXPECT_EQ(RunDebug(),
              "\n\n\n\t--- DEBUG MODE ---\n"
              "\n Execution end.\n\n :: Var Table :: \n"
              "\n\n\t=== DEBUG MODE ===\n");
}

TEST_F(RuntimeTest, SmallProgramTracesEveryElement) {
    Add(new PolizFuncLabelRead("@a")).Int(2).Int(3).Add(new PolizFuncPlus);
    Add(new PolizFuncPriMinus).Add(new PolizFuncVarRead("$x"));
    EXPECT_EQ(RunDebug(),
              "\n\n\n\t--- DEBUG MODE ---\n"
              "\nLabel Collect ::\nVTWriteLabel[@a] ->Label Addr: 1\n :: Label Collect\n"
              "\n ElemAddr: 1 =VTWriteLabel[@a] ->"
              "\n ElemAddr: 2 = Const pushed -> "
              "\n ElemAddr: 3 = Const pushed -> "
              "\n ElemAddr: 4 = EvaluateFunc ->  Oper-Pop1 ->  Oper-Pop2 -> |+|"
              "\n ElemAddr: 5 = EvaluateFunc ->  FuncOperMinus::PopTest operand 1 -> |-|"
              "\n ElemAddr: 6 =\n next==NULL EvaluateFunc -> FuncVar[$x] ->VTWriteVar[$x] ->"
              "\n Execution end.\n\n :: Var Table :: \n @a = 1; \n $x = -5; \n"
              "\n\n\t=== DEBUG MODE ===\n");
}

TEST_F(RuntimeTest, RunEndingErrorIsTheLastOutputOfTheRun) {
    Add(new PolizFuncPassGo("@none")).Int(1);
    EXPECT_EQ(RunDebug(),
              "\n\n\n\t--- DEBUG MODE ---\n"
              "\nLabel Collect ::\n\n :: Label Collect\n"
              "\n ElemAddr: 1 = Passage -> |GetVar for undefined var|" +
                  Report("Wrong operation address."));
    EXPECT_EQ(Drain(), std::vector<int>{});
}

TEST_F(RuntimeTest, FalseConditionTracesTheEndLabel) {
    char* end = Label("@@3");
    Int(0).Add(new PolizFuncPassIf(end, Label("@@else3"))).Add(new PolizFuncLabelRead(end));
    std::string out = RunDebug();
    EXPECT_NE(out.find(" Passage -> |GetVar for undefined var| goto @@3"), std::string::npos)
        << out;
}

TEST_F(RuntimeTest, LabelsAreCollectedOnce) {
    Add(new PolizFuncLabelRead("@a"));
    std::string out = RunDebug() + RunDebug() + RunDebug();
    EXPECT_EQ(Count(out, "\nLabel Collect ::\n"), 1);
    EXPECT_EQ(Count(out, "VTWriteLabel[@a] ->"), 4);
}

TEST_F(RuntimeTest, TraceTextsNeverReadMissingArguments) {
    exe.SetDebugMode(1);
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(run.Debug("|%| %d %n %s %%", nullptr));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "|%| %d %n (null) %");
    exe.SetDebugMode(-1);
    EXPECT_FALSE(run.Debug("quiet"));
}

// "{ @loop; $i := $i + 1; goto @loop }": without a budget it would never end.
TEST_F(RuntimeTest, StepBudgetEndsEndlessLoopQuietlyEachRun) {
    Add(new PolizFuncLabelRead("@loop"));
    Add(new PolizFuncVarWrite("$i")).Int(1).Add(new PolizFuncPlus).Add(new PolizFuncVarRead("$i"));
    Add(new PolizFuncPassGo("@loop"));
    run.SetStepBudget(60);  // 6 elements a round
    EXPECT_EQ(Run(), "");
    EXPECT_TRUE(run.BudgetExhausted());
    EXPECT_EQ(Cells("$i"), std::vector<int>{10});
    Run();  // each Execute() gets the whole budget again
    EXPECT_EQ(Cells("$i"), std::vector<int>{20});
}

TEST_F(RuntimeTest, StepBudgetIsNotExhaustedByAProgramThatEnds) {
    Int(4).Add(new PolizFuncVarRead("$x"));
    run.SetStepBudget(2);  // exactly the program's length
    Run();
    EXPECT_FALSE(run.BudgetExhausted());
    EXPECT_EQ(Cells("$x"), std::vector<int>{4});
}
