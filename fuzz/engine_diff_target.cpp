// Fuzz target "engine_diff": the bytes are a script, compiled twice. One copy runs in the
// engine's one-operation-per-element form (a step budget selects it), the other in the fused
// form of plain runs, turn after turn against identical game images. Each turn must print the
// same, send the same orders, name the same script lines for its runtime errors, leave the same
// variables and stack, and end the same way; the target aborts on the first difference. The fused form has no budget, so a turn runs fused
// only after the element-wise run of it ended within its budget.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzz_support.h"
#include "lang/exec.h"
#include "lang/lex.h"
#include "lang/syn.h"
#include "robot/data.h"
#include "robot/robot.h"

namespace {

constexpr std::size_t kShownBytes = 80;  // bytes of each side shown around a difference

// The robot's commands as lines in a string instead of a socket.
class RecordingRobot : public CRobot {
public:
    explicit RecordingRobot(CData* data) : CRobot(data, nullptr) {}
    void Turn() override { orders += "turn\n"; }
    void Upgrade() override { orders += "upgrade\n"; }
    void Prod(int n) override { orders += "prod " + std::to_string(n) + "\n"; }
    void Sell(int n, int cost) override { Record("sell ", n, cost); }
    void Buy(int n, int cost) override { Record("buy ", n, cost); }

    std::string orders;

private:
    void Record(const char* word, int n, int cost) {
        orders += word + std::to_string(n) + " " + std::to_string(cost) + "\n";
    }
};

// One compiled copy of the script with its own game image, robot and executor.
struct Side {
    std::unique_ptr<CData> data = std::make_unique<CData>();
    RecordingRobot robot{data.get()};
    std::unique_ptr<CLexic> lexic;
    std::unique_ptr<CSyntax> syntax;
    CExecuter exe{data.get(), &robot};
    CRun run{&exe};

    // Reads and translates the script as the robot's compile step does.
    bool Compile(const std::uint8_t* bytes, std::size_t size) {
        fuzz::BeginInput();
        lexic = fuzz::LexerFromBytes(bytes, size);
        if (!lexic->MakeAnalysis()) CError().OnError("Lexical analysis did not pass.", -510, false);
        syntax = std::make_unique<CSyntax>(lexic->GetBegin(), &run);
        if (!syntax->MakeAnalysis()) return false;
        fuzz::FillGameImage(*data);
        return true;
    }
};

// What one turn of one side showed.
struct Turn {
    std::string console;
    std::string orders;
    std::string error_lines;  // the script line of each runtime error, in order
    std::string outcome;
};

// Standard output goes to a memory file, emptied before each run and read after it.
int console_fd = -1;

void StartConsoleCapture() {
    console_fd = memfd_create("engine_diff_console", 0);
    if (console_fd < 0 || dup2(console_fd, fileno(stdout)) < 0) std::abort();
}

void ClearConsole() {
    std::fflush(stdout);
    if (ftruncate(console_fd, 0) != 0 || lseek(console_fd, 0, SEEK_SET) != 0) std::abort();
}

std::string ReadConsole() {
    std::fflush(stdout);
    off_t size = lseek(console_fd, 0, SEEK_CUR);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (size < 0 || pread(console_fd, &text[0], text.size(), 0) != size) std::abort();
    return text;
}

Turn RunTurn(Side& side) {
    fuzz::BeginInput();  // each side's turn gets the same answers to its reports
    side.robot.orders.clear();
    ClearConsole();
    Turn turn;
    bool stopped = false;
    try {
        side.run.Execute();
        turn.outcome = side.run.BudgetExhausted() ? "budget spent" : "ended";
    } catch (const fuzz::Stopped& stop) {
        turn.outcome = "stopped by report " + std::to_string(stop.number);
        stopped = true;
    }
    turn.console = ReadConsole();
    turn.orders = std::move(side.robot.orders);
    for (int line : side.run.ErrorLines()) turn.error_lines += std::to_string(line) + "\n";
    // A stop ends the robot inside an operation, where a fused one may not have pushed what its
    // element-wise parts had: the stack there is never seen again, so only a finished run's is
    // compared.
    if (!stopped) {
        const CValueStack& stack = side.exe.Values();
        turn.outcome +=
            ", " + std::to_string(stack.Top() - stack.Base()) + " values left on the stack";
    }
    return turn;
}

[[noreturn]] void Differ(int turn, const char* what, const std::string& detail) {
    std::fprintf(stderr, "engine_diff: turn %d: the fused and element-wise runs differ in %s%s\n",
                 turn, what, detail.c_str());
    std::abort();
}

// Up to twice kShownBytes of text from byte from, with control bytes written as escapes.
std::string Excerpt(const std::string& text, std::size_t from) {
    std::string shown;
    for (unsigned char c : text.substr(from, 2 * kShownBytes)) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, c == '\n' ? "\\n" : "\\x%02x", c);
        shown += c >= ' ' && c != 0x7f ? std::string(1, static_cast<char>(c)) : escaped;
    }
    return shown;
}

void CompareText(int turn, const char* what, const std::string& elementwise,
                 const std::string& fused) {
    if (elementwise == fused) return;
    const std::size_t common = std::min(elementwise.size(), fused.size());
    const std::size_t at = static_cast<std::size_t>(
        std::mismatch(elementwise.begin(), elementwise.begin() + common, fused.begin()).first -
        elementwise.begin());
    std::size_t from = at > kShownBytes ? at - kShownBytes : 0;
    Differ(turn, what,
           " at byte " + std::to_string(at) + "\n  element-wise: \"" +
               Excerpt(elementwise, from) + "\"\n  fused:        \"" +
               Excerpt(fused, from) + "\"");
}

// The tables must list the same names in the same order with the same cells.
void CompareVariables(int turn, const CVariables& elementwise, const CVariables& fused) {
    if (elementwise.GetCount() != fused.GetCount())
        Differ(turn, "the variable count", ": " + std::to_string(elementwise.GetCount()) + " and " +
                                               std::to_string(fused.GetCount()));
    for (int i = 0; i < elementwise.GetCount(); ++i) {
        const CVar& a = elementwise.GetEntry(i);
        const CVar& b = fused.GetEntry(i);
        const int cells = a.GetCount();
        bool same = a.IsNameEq(b.GetName()) && cells == b.GetCount() &&
                    std::equal(a.GetValueAddr(), a.GetValueAddr() + cells, b.GetValueAddr());
        if (same) continue;
        std::string shown;
        for (const CVar* var : {&a, &b}) {
            shown += std::string("\n  ") + var->GetName() + " (" + std::to_string(var->GetCount()) +
                     " cells):";
            for (int c = 0; c < std::min(var->GetCount(), 8); ++c)
                shown += " " + std::to_string(var->GetValue(c));
        }
        Differ(turn, "variable entry ", std::to_string(i) + shown);
    }
}

void RunBothForms(const std::uint8_t* bytes, std::size_t size) {
    Side elementwise, fused;
    if (!elementwise.Compile(bytes, size) || !fused.Compile(bytes, size)) return;
    elementwise.run.SetStepBudget(fuzz::kStepsPerTurn);
    for (int t = 0; t < fuzz::kTurnsPerScript; ++t) {
        Turn a = RunTurn(elementwise);
        if (elementwise.run.BudgetExhausted()) return;  // the fused run might never end
        Turn b = RunTurn(fused);
        CompareText(t, "the outcome", a.outcome, b.outcome);
        CompareText(t, "the orders", a.orders, b.orders);
        CompareText(t, "the console output", a.console, b.console);
        CompareText(t, "the lines of the runtime errors", a.error_lines, b.error_lines);
        CompareVariables(t, elementwise.exe.GetVarTable(), fused.exe.GetVarTable());
        if (a.outcome.rfind("stopped", 0) == 0) return;  // the robot would have ended here
        fuzz::AdvanceTurn(*elementwise.data, t);
        fuzz::AdvanceTurn(*fused.data, t);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::Setup();
    StartConsoleCapture();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > fuzz::kMaxScriptBytes) return 0;
    try {
        RunBothForms(data, size);
    } catch (const fuzz::Stopped&) {
        // A compile report was refused: the robot would have ended before running.
    }
    return 0;
}
