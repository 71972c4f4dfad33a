// Tests of the element frames, the operators, the stack and the run loop's reports.
#include <climits>
#include <functional>
#include <memory>
#include <stdexcept>

#include "lang/dump.h"
#include "runtime_fixture.h"

namespace {

// Records the operands the binary frame hands to Operate.
class RecordingOp : public PolizFuncPlus {
public:
    int Operate(int a, int b) override {
        first = a;
        second = b;
        return 0;
    }
    int first = 0, second = 0;
};

// Pops with the label pop, which nothing in a script can satisfy.
class LabelPop : public PolizFunc {
public:
    PolizElem* EvaluateFunc() override {
        std::unique_ptr<PolizElem> v(PopTestLabel());
        return nullptr;
    }

protected:
    PolizElem* PopTest() override { return PopTestInt(); }
};

// Throws whatever make() gives.
template <class Make>
class Thrower : public PolizElem {
public:
    explicit Thrower(Make m) : make(m) {}
    void Evaluate() override { make(this); }
    Make make;
};
template <class Make>
PolizElem* MakeThrower(Make m) {
    return new Thrower<Make>(m);
}

// Counts its evaluations.
class Counter : public PolizElem {
public:
    explicit Counter(int* n) : count(n) {}
    void Evaluate() override { ++*count; }
    int* count;
};

}  // namespace

struct BinaryCase {
    const char* op;
    int left, right, expected;
};

void PrintTo(const BinaryCase& c, std::ostream* os) {
    *os << c.left << ' ' << c.op << ' ' << c.right;
}

class BinaryOperator : public RuntimeTest, public ::testing::WithParamInterface<BinaryCase> {};

PolizElem* MakeOperator(const std::string& op) {
    if (op == "+") return new PolizFuncPlus;
    if (op == "-") return new PolizFuncMinus;
    if (op == "*") return new PolizFuncMult;
    if (op == "/") return new PolizFuncDiv;
    if (op == "%") return new PolizFuncMod;
    if (op == "=") return new PolizFuncEq;
    if (op == "<") return new PolizFuncLower;
    if (op == ">") return new PolizFuncHigher;
    if (op == "&") return new PolizFuncAnd;
    return new PolizFuncOr;
}

TEST_P(BinaryOperator, ComputesLeftOpRight) {
    const BinaryCase& c = GetParam();
    Int(c.left).Int(c.right).Add(MakeOperator(c.op));
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(Drain(), std::vector<int>{c.expected});
}

INSTANTIATE_TEST_SUITE_P(
    Table, BinaryOperator,
    ::testing::Values(BinaryCase{"+", 7, 2, 9}, BinaryCase{"-", 7, 2, 5}, BinaryCase{"*", 7, 2, 14},
                      BinaryCase{"/", 7, 2, 3}, BinaryCase{"%", 7, 2, 1}, BinaryCase{"<", 7, 2, 0},
                      BinaryCase{">", 7, 2, 1}, BinaryCase{"=", 7, 2, 0}, BinaryCase{"=", 4, 4, 1},
                      BinaryCase{"<", 2, 7, 1}, BinaryCase{"/", -7, 2, -3},
                      BinaryCase{"%", -7, 2, -1}, BinaryCase{"/", 7, -2, -3},
                      BinaryCase{"%", 7, -2, 1}, BinaryCase{"/", 7, 0, 0}, BinaryCase{"%", 7, 0, 0},
                      BinaryCase{"/", INT_MIN, -1, INT_MIN}, BinaryCase{"%", INT_MIN, -1, 0},
                      BinaryCase{"/", INT_MIN, 1, INT_MIN}, BinaryCase{"+", INT_MAX, 1, INT_MIN},
                      BinaryCase{"-", INT_MIN, 1, INT_MAX}, BinaryCase{"*", INT_MAX, 2, -2},
                      BinaryCase{"*", INT_MIN, -1, INT_MIN}, BinaryCase{"&", 2, 1, 0},
                      BinaryCase{"|", 2, 1, 3}, BinaryCase{"&", 6, 3, 2}));

struct UnaryCase {
    bool negate;
    int operand, expected;
};

void PrintTo(const UnaryCase& c, std::ostream* os) { *os << (c.negate ? '-' : '!') << c.operand; }

class UnaryOperator : public RuntimeTest, public ::testing::WithParamInterface<UnaryCase> {};

TEST_P(UnaryOperator, ComputesFromOneOperand) {
    const UnaryCase& c = GetParam();
    Int(c.operand).Add(c.negate ? new PolizFuncPriMinus : new PolizFuncWow);
    Run();
    EXPECT_EQ(Drain(), std::vector<int>{c.expected});
}

INSTANTIATE_TEST_SUITE_P(Table, UnaryOperator,
                         ::testing::Values(UnaryCase{true, -3, 3}, UnaryCase{true, 5, -5},
                                           UnaryCase{true, INT_MIN, INT_MIN},
                                           UnaryCase{false, 0, 1}, UnaryCase{false, 5, 0},
                                           UnaryCase{false, -1, 0}));

TEST_F(RuntimeTest, BinaryFrameHandsTheTopValueFirst) {
    auto* op = new RecordingOp;
    Int(7).Int(2).Add(op);
    Run();
    EXPECT_EQ(op->first, 2);
    EXPECT_EQ(op->second, 7);
    EXPECT_EQ(Drain(), std::vector<int>{0});
}

TEST_F(RuntimeTest, ConstantPushesAFreshCloneEachTime) {
    PolizConstInt c(4);
    c.Evaluate_main(&exe);
    c.Evaluate_main(&exe);
    PolizElem* top = exe.Pop();
    PolizElem* below = exe.Pop();
    EXPECT_NE(top, below);
    EXPECT_NE(top, &c);
    EXPECT_EQ(static_cast<PolizConstInt*>(below)->Get(), 4);
    delete top;
    delete below;
    EXPECT_EQ(c.Get(), 4);
}

struct ReportCase {
    const char* name;
    std::function<void(RuntimeTest&)> build;
    const char* message;
};

void PrintTo(const ReportCase& c, std::ostream* os) { *os << c.name; }

class RunLoopReport : public RuntimeTest, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(RunLoopReport, EndsTheRunWithItsMessage) {
    int after = 0;
    GetParam().build(*this);
    Add(new Counter(&after));
    std::string out = Run();
    std::string report = Report(GetParam().message);
    ASSERT_GE(out.size(), report.size());
    EXPECT_EQ(out.substr(out.size() - report.size()), report);
    EXPECT_EQ(Count(out, "~Error:"), 1);
    EXPECT_EQ(after, 0) << "nothing runs after a run-ending error";
}

INSTANTIATE_TEST_SUITE_P(
    Table, RunLoopReport,
    ::testing::Values(
        ReportCase{"TextWhereIntExpected",
                   [](RuntimeTest& t) { t.Int(1).Str("\"a\"").Add(new PolizFuncPlus); },
                   "Const int waiting on stack."},
        ReportCase{"IntWhereTextExpected",
                   [](RuntimeTest& t) { t.Int(1).Add(new PolizFuncRobPrint); },
                   "Const str waiting on stack."},
        ReportCase{"LabelPop", [](RuntimeTest& t) { t.Int(1).Add(new LabelPop); },
                   "PolizEx throw."},
        ReportCase{"JumpWithoutTarget",
                   [](RuntimeTest& t) { t.Add(new PolizFuncPassGo("@nowhere")); },
                   "Wrong operation address."},
        ReportCase{"WrongMacros",
                   [](RuntimeTest& t) {
                       t.Add(MakeThrower([](PolizElem* self) { throw PolizExWrongMacros(self); }));
                   },
                   "Wrong macros parameter."},
        ReportCase{"OtherPolizEx",
                   [](RuntimeTest& t) {
                       t.Add(MakeThrower([](PolizElem* self) { throw PolizEx(self); }));
                   },
                   "PolizEx throw."},
        ReportCase{"AnythingElse",
                   [](RuntimeTest& t) {
                       t.Add(MakeThrower([](PolizElem*) { throw std::runtime_error("x"); }));
                   },
                   "Undefined error."}),
    [](const ::testing::TestParamInfo<ReportCase>& info) { return std::string(info.param.name); });

TEST_F(RuntimeTest, EmptyStackGivesTwoReportsInARow) {
    Int(3).Add(new PolizFuncMinus);
    std::string out = Run();
    EXPECT_EQ(out, Report("Stack access: stack is empty.") + Report("Const int waiting on stack."));
}

TEST_F(RuntimeTest, ValuesLeftByAnEndedRunStayForLaterRuns) {
    Int(9).Add(new PolizFuncPassGo("@nowhere"));
    Run();
    Run();
    EXPECT_EQ(Drain(), (std::vector<int>{9, 9}));
}

TEST_F(RuntimeTest, PopTakesAValueLeftBelowByAnEarlierRun) {
    exe.Push(new PolizConstInt(5));
    Add(new PolizFuncPriMinus);
    EXPECT_EQ(Run(), "");
    EXPECT_EQ(Drain(), std::vector<int>{-5});
}

TEST_F(RuntimeTest, DumpListsOneElementPerLine) {
    Int(2).Add(new PolizFuncVarWrite("$i")).Add(new PolizFuncPlus);
    Add(new PolizFuncVarRead("$x")).Add(new PolizFuncPassIf(Label("@@1"), Label("@@else1")));
    Add(new PolizFuncLabelRead("@@1")).Str("\"hi %d\"").Add(new PolizFuncWow);
    Add(new PolizFuncRoboWrite(".you", ".money", DataShape::kTwoNames))
        .Add(new PolizFuncRoboWrite(".win", nullptr, DataShape::kName));
    Add(new PolizFuncRobMacros("\"Online\"")).Add(new PolizFuncRobBuy);
    EXPECT_EQ(DumpProgram(exe),
              "1 PolizConst<int> 2\n"
              "2 PolizFuncVarWrite $i\n"
              "3 PolizFuncPlus\n"
              "4 PolizFuncVarRead $x\n"
              "5 PolizFuncPassIf @@1 @@else1\n"
              "6 PolizFuncLabelRead @@1\n"
              "7 PolizConst<char*> \"hi %d\"\n"
              "8 PolizFuncWow\n"
              "9 PolizFuncRoboWrite .you .money 2\n"
              "10 PolizFuncRoboWrite .win 1\n"
              "11 PolizFuncRobMacros \"Online\"\n"
              "12 PolizFuncRobBuy\n");
}
