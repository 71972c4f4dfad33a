// Helpers of the example tests: the example files, and a script compiled in process the way
// the robot compiles it, ready to run one turn without a server.
#ifndef TESTS_UNIT_EXAMPLE_SCRIPT_H
#define TESTS_UNIT_EXAMPLE_SCRIPT_H

#include <filesystem>
#include <string>
#include <vector>

#include "lang/exec.h"
#include "lang/run.h"
#include "lang/lex.h"
#include "robot/data.h"

namespace examples {

extern const std::filesystem::path kRoot;      // the project's source tree
extern const std::filesystem::path kExamples;  // its examples/ folder

std::string ReadBytes(const std::filesystem::path& path);
std::string WithoutCr(std::string text);
std::vector<std::string> Lines(const std::string& text);
// Every file under examples/ with this extension (".robot"), in a stable order.
std::vector<std::filesystem::path> ExampleFiles(const std::string& extension);
// The state every player starts a game with, in a market of two players at its middle mood.
void FillStartingState(CData& data);

// A script file compiled in process the way the robot does it, ready to run without a server.
class ExampleScript {
public:
    explicit ExampleScript(const std::filesystem::path& path);

    // The game data image the runs read; a robot attached with SetRobot must use it too.
    CData& Data() { return data; }
    void SetRobot(CRobot* robot) { executer.SetRobot(robot); }
    bool Passed() const { return lexical_ok && syntax_ok; }
    bool LexicalOk() const { return lexical_ok; }
    // What compiling printed, and after a lexical failure the lexeme listing.
    const std::string& Output() const { return output; }
    // One turn's run; without a robot only "?print" shows.
    std::string Run();

private:
    CData data;
    CLexic lexic;
    CExecuter executer;
    CRun run;
    bool lexical_ok = false;
    bool syntax_ok = false;
    std::string output;
};

}  // namespace examples

#endif
