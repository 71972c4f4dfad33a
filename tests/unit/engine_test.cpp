// Tests of the lowered engine: its two forms agree, the step budget, the limit on the cells
// of all variables together, and the operator table.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "example_script.h"
#include "lang/builtins.h"
#include "lang/dump.h"
#include "lang/engine.h"
#include "robot/data.h"
#include "runtime_fixture.h"
#include "syntax_fixture.h"

namespace {

namespace fs = std::filesystem;

// Every script of the tree that a test or a user runs.
std::vector<fs::path> TreeScripts() {
    std::vector<fs::path> scripts;
    for (const char* folder : {"examples", "tests", "bench/programs"})
        for (const auto& entry : fs::recursive_directory_iterator(examples::kRoot / folder))
            if (entry.path().extension() == ".robot") scripts.push_back(entry.path());
    std::sort(scripts.begin(), scripts.end());
    return scripts;
}

// Answers every prompt "y", as the runtime tests do.
class EngineForms : public RuntimeTest {};

// The fused form (plain runs) and the one-element-per-operation form (debug runs and runs
// with a budget) print the same and leave the same variables, turn after turn.
TEST_F(EngineForms, FusedAndElementwiseRunsAgreeOnEveryScript) {
    for (const fs::path& path : TreeScripts()) {
        std::string text = examples::ReadBytes(path);
        // The benchmark loops run millions of turns of their loop; a smaller bound keeps
        // the comparison quick and still goes round every loop.
        for (const char* big : {"10000000", "2000000", "100000"}) {
            for (size_t at = text.find(big); at != std::string::npos; at = text.find(big))
                text.replace(at, std::string(big).size(), "300");
        }
        CompiledScript fused(text), elementwise(text);
        if (!fused.Passed()) continue;
        elementwise.SetStepBudget(UINT64_MAX);
        for (int turn = 0; turn < 3; ++turn) {
            ASSERT_EQ(fused.Run(), elementwise.Run()) << path << " turn " << turn;
            ASSERT_EQ(fused.Variables(), elementwise.Variables()) << path << " turn " << turn;
            ASSERT_EQ(fused.ErrorLines(), elementwise.ErrorLines()) << path << " turn " << turn;
        }
    }
}

// Scripts that go where fusing has to be careful: labels defined twice, jumps nowhere,
// refused array cells, values left on the stack from one statement (and run) to the next,
// else labels met only by a false condition; the errors on several lines.
const char* const kTrickyScripts[] = {
    "{ @a; $n := $n + 1; if ($n < 3) goto @a; @a; $m := $m + 1; if ($m < 5) goto @a;\n"
    " $x[-1] := 4; $y := $z[5] + $z[-2]; ?print \"%d %d %d\", 1, 2, 3; ?print \"%d\";\n"
    " if (0) $q := 1; if (!$q) $r := -$n * 2 / 0 % 3; else $r := 9; $t := -$y }",
    "{ $i := 0; @l; $a[$i] := $i * $i - 7 / 2; $i := $i + 1;"
    " if (($i < 20) & !($i = 13)) goto @l; else { $b := $a[3] | $a[4] & 1; goto @none };"
    " $c := 1 }",
    "{ if ($k > 2) goto @out; $k := $k + 1; $v := $v - $k; @out; ?print \"%d %d\", $k }",
};

TEST_F(EngineForms, FusedAndElementwiseRunsAgreeOnTrickyScripts) {
    for (const char* text : kTrickyScripts) {
        CompiledScript fused(text), elementwise(text);
        ASSERT_TRUE(fused.Passed()) << text;
        elementwise.SetStepBudget(UINT64_MAX);
        for (int turn = 0; turn < 4; ++turn) {
            ASSERT_EQ(fused.Run(), elementwise.Run()) << text << " turn " << turn;
            ASSERT_EQ(fused.Variables(), elementwise.Variables()) << text << " turn " << turn;
            ASSERT_EQ(fused.ErrorLines(), elementwise.ErrorLines()) << text << " turn " << turn;
        }
    }
}

// What the fusion passes make of common statements, one operation name a line: labels with
// a fixed place vanish and the jumps to them go straight there.
TEST_F(EngineForms, FusionMakesOneOperationOfEachCommonSequence) {
    const struct {
        const char* script;
        const char* fused;
    } kCases[] = {
        {"$a := $b + 1", "BinVKSt\nEnd\n"},
        {"$a := $b * $c", "BinVVSt\nEnd\n"},
        {"$a := 5; $b := $a", "SetK\nMove\nEnd\n"},
        {"$a := -$b", "UnaryV\nStore\nEnd\n"},
        {"$a := ($b + 1) * $c", "BinVK\nBinSVSt\nEnd\n"},
        {"{ @l; $n := $n + 1; if ($n < 3) goto @l }", "BinVKSt\nBinVKIf\nJump\nJump\nEnd\n"},
        {"{ if ($n > 2) goto @out; ?prod $n; @out; ?turn }",
         "BinVKIf\nJump\nJump\nLoad\nProd\nTurn\nEnd\n"},
    };
    for (const auto& c : kCases) {
        CompiledScript script(std::string("{") + c.script + "}");
        ASSERT_TRUE(script.Passed()) << c.script;
        script.Run();  // collects the labels the fusion relies on
        CEngine engine(&script.Executer());
        EXPECT_EQ(engine.FusedListing(), c.fused) << c.script;
    }
}

TEST_F(EngineForms, BudgetEndsTheRunQuietlyAfterThatManyElements) {
    CompiledScript endless(CrLf({"{ @a; $n := $n + 1; goto @a }"}));
    ASSERT_TRUE(endless.Passed());
    endless.SetStepBudget(6 * 10);  // ten rounds of the label, the assignment's four, the jump
    EXPECT_EQ(endless.Run(), "");
    EXPECT_TRUE(endless.BudgetExhausted());
    EXPECT_EQ(endless.Variables().at("$n"), std::vector<int>{10});
    endless.Run();  // each run counts afresh
    EXPECT_EQ(endless.Variables().at("$n"), std::vector<int>{20});

    CompiledScript finite(CrLf({"$n := 1"}));
    finite.SetStepBudget(3);  // exactly the program's length: it ends on its own
    finite.Run();
    EXPECT_FALSE(finite.BudgetExhausted());
}

TEST_F(EngineForms, BudgetRunEndsWithTheDebugTrailer) {
    CompiledScript endless(CrLf({"{ @a; goto @a }"}), true);
    endless.SetStepBudget(4);
    std::string out = endless.Run();
    EXPECT_NE(out.find("\n Execution end.\n\n :: Var Table :: \n @a = 1; \n"), std::string::npos)
        << out;
}

// Scripts of cells: each array's last cell written once, "count" arrays of "cells" cells.
std::string ArraysScript(int count, int cells) {
    std::string text = "{";
    for (int i = 0; i < count; ++i)
        text += "$a" + std::to_string(i) + "[" + std::to_string(cells - 1) + "] := 1;";
    return text + "?turn}";
}

TEST_F(RuntimeTest, AllVariablesTogetherHaveACellLimit) {
    // 33 arrays of the largest size: two fill the limit, each later one is refused.
    CompiledScript arrays(ArraysScript(33, CExecuter::kMaxCells));
    ASSERT_TRUE(arrays.Passed());
    std::string out = arrays.Run();
    EXPECT_EQ(Count(out, Report("Undefined error in VarTable")), 31);
    auto vars = arrays.Variables();
    EXPECT_EQ(vars.size(), 2u) << "a refused store leaves no entry";
    EXPECT_EQ(vars.at("$a1").size(), static_cast<size_t>(CExecuter::kMaxCells));
}

TEST_F(RuntimeTest, CellLimitCountsGrowthOfAVariableToo) {
    const int half = static_cast<int>(CVariables::kMaxTotalCells / 2);
    Int(half - 1).Int(7).Add(new PolizFuncVarArrayRead("$a"));
    Int(half - 1).Int(7).Add(new PolizFuncVarArrayRead("$b"));
    Int(5).Add(new PolizFuncVarRead("$c"));  // one cell over: refused
    std::string out = Run();
    EXPECT_EQ(out, Report("Undefined error in VarTable"));
    EXPECT_EQ(Entry("$c"), nullptr);
    EXPECT_EQ(Cells("$b").size(), static_cast<size_t>(half));
}

// A game data read as the parser emits it: names and shape, with the index pushed first for
// an indexed read.
struct DataRead {
    const char* name1;
    const char* name2;
    DataShape shape;
    int index;
};

// The engine resolves data names once, when it lowers the program; every run must still give
// the value and the reports (texts and order) of a read by name, turn after turn.
TEST_F(RuntimeTest, DataReadsGiveWhatReadsByNameGive) {
    const DataRead kReads[] = {
        {".you", ".money", DataShape::kTwoNames, 0},
        {".players", ".raw", DataShape::kIndexedName, 2},
        {".market", ".min_raw_price", DataShape::kTwoNames, 0},
        {".turn_number", nullptr, DataShape::kName, 0},
        {".players", ".money", DataShape::kIndexedName, 100},
        {".players", ".money", DataShape::kIndexedName, -1},
        {".ab", nullptr, DataShape::kName, 0},
        {".you", ".ab", DataShape::kTwoNames, 0},
        {".nothing", nullptr, DataShape::kName, 0},
        {".you", nullptr, DataShape::kName, 0},
        {".turn_number", ".money", DataShape::kTwoNames, 0},
        {".market", ".money", DataShape::kTwoNames, 0},
    };
    CData data;
    data.turn_number = 3;
    data.you.money = 1234;
    data.players[2].raw = 17;
    data.market.min_raw_price = 500;
    exe.SetData(&data);
    std::string expected;
    std::vector<int> values;
    ::testing::internal::CaptureStdout();
    for (const DataRead& read : kReads) {
        if (read.shape == DataShape::kIndexedName) Int(read.index);
        Add(new PolizFuncRoboWrite(read.name1, read.name2, read.shape));
        const char* name2 = read.shape == DataShape::kName ? nullptr : read.name2;
        values.insert(values.begin(), data.Get(read.name1, name2, read.index));
    }
    expected = ::testing::internal::GetCapturedStdout();
    for (int turn = 0; turn < 2; ++turn) {
        EXPECT_EQ(Run(), expected) << "turn " << turn;
        EXPECT_EQ(Drain(), values) << "turn " << turn;
    }
}

TEST(OperatorTable, ParserDumpAndElementsAgree) {
    for (int code = 0; code < kOperatorCount; ++code) {
        std::unique_ptr<PolizElem> elem(NewOperatorElem(static_cast<OperatorCode>(code)));
        EXPECT_EQ(OperatorOfElem(elem.get()), code);
        EXPECT_EQ(DumpElem(elem.get()), kOperators[code].dump_name);
        if (!kOperators[code].unary) {
            EXPECT_EQ(FindOperator(kOperators[code].symbol), code);
        }
    }
    EXPECT_EQ(FindOperator('-'), kOpMinus) << "a symbol stands for its binary operator first";
    EXPECT_EQ(FindOperator('!'), kOpNot);
    EXPECT_EQ(FindOperator('('), -1);
    EXPECT_EQ(OperatorPriority('!'), 0);
}

}  // namespace
