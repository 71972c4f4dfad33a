// Helpers of the syntax analyser tests: compile a script text in process, keep the program
// with its lexemes alive, and capture what the analysis and the runs print.
#ifndef TESTS_UNIT_SYNTAX_FIXTURE_H
#define TESTS_UNIT_SYNTAX_FIXTURE_H

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lang/exec.h"
#include "lang/run.h"
#include "lang/lex.h"

// Everything printed on standard output while `action` runs.
std::string CaptureStdout(const std::function<void()>& action);

// The lines joined with CR LF line ends, the way scripts are written.
std::string CrLf(std::initializer_list<const char*> lines);

// The dump expected for these elements: each numbered from 1, one per line.
std::string Numbered(std::initializer_list<const char*> elements);

// A compiled script: the lexemes, the executor and the program, with what compiling printed.
class CompiledScript {
public:
    // Compiles `text` (debug traces on when `debug`), with no game data and no robot.
    explicit CompiledScript(const std::string& text, bool debug = false);

    bool Passed() const { return passed; }
    // Standard output of the syntax analysis alone.
    const std::string& Output() const { return output; }
    std::string Dump() const;
    // Runs the program once; returns its standard output.
    std::string Run();
    // Step budget of the later runs (see CRun::SetStepBudget); any budget runs the program
    // one element per operation, so a budget too large to run out compares the two forms.
    void SetStepBudget(std::uint64_t steps) { run->SetStepBudget(steps); }
    bool BudgetExhausted() const { return run->BudgetExhausted(); }
    // Lines of the runtime errors of the last run (see CRun::ErrorLines).
    const std::vector<int>& ErrorLines() const { return run->ErrorLines(); }
    CExecuter& Executer() { return *executer; }
    // The variable table: every name with its cells.
    std::map<std::string, std::vector<int>> Variables() const;

private:
    std::unique_ptr<CLexic> lexic;
    std::unique_ptr<CExecuter> executer;
    std::unique_ptr<CRun> run;
    bool passed = false;
    std::string output;
};

#endif
