// Runtime errors name the line of the statement that failed, in the engine's fused and
// element-wise forms alike, whatever the line ends, and reach the side file match reads.
#include <stdlib.h>

#include <cstdint>
#include <fstream>
#include <sstream>

#include "protocol/robot_protocol.h"
#include "robot/data.h"
#include "runtime_fixture.h"
#include "scratch_dir.h"
#include "syntax_fixture.h"

namespace {

class RuntimeLines : public RuntimeTest {};

// The script with each "\n" made `end`.
std::string WithLineEnds(const std::string& script, const std::string& end) {
    std::string out;
    for (char c : script) out += c == '\n' ? end : std::string(1, c);
    return out;
}

// The lines of the runtime errors of one run, fused or element-wise.
std::vector<int> ErrorLinesOf(const std::string& script, bool elementwise) {
    CData data;
    CompiledScript compiled(script);
    EXPECT_TRUE(compiled.Passed()) << script;
    compiled.Executer().SetData(&data);
    if (elementwise) compiled.SetStepBudget(UINT64_MAX);
    compiled.Run();
    return compiled.ErrorLines();
}

TEST_F(RuntimeLines, EachErrorNamesTheFirstLineOfItsStatement) {
    const struct {
        const char* script;
        std::vector<int> lines;
    } kCases[] = {
        {"{\n  $a := 1;\n  $b := $a[3];\n  ?turn\n}\n", {3}},
        // in the branch of an if, below the if's own line
        {"{\n  if (1 = 1)\n    $a[-1] := 4;\n  $c := 2\n}\n", {3}},
        // a statement that runs over lines, and the if around it
        {"{\n  $a := 0;\n  if ($a[2]\n      = 0) ?buy 1,\n  $a[7];\n}\n", {3, 4}},
        // a jump to a label defined nowhere ends the run
        {"{\n  $a := 1;\n\n  goto @nowhere;\n  $b := $a[9]\n}\n", {4}},
        // line ends inside a string count too
        {"{\n  $a := 1; ?print \"two\n  lines\";\n  $b := $a[3]\n}\n", {4}},
        // a game data name that does not exist, and an unknown macro, which ends the run
        {"{\n  $m := .you.monye;\n  $n := ?macro \"Nope\"\n}\n", {2, 3}},
    };
    for (const auto& c : kCases) {
        for (const char* end : {"\n", "\r\n", "\r"}) {
            const std::string script = WithLineEnds(c.script, end);
            EXPECT_EQ(ErrorLinesOf(script, false), c.lines) << c.script << " fused";
            EXPECT_EQ(ErrorLinesOf(script, true), c.lines) << c.script << " element-wise";
        }
    }
}

TEST_F(RuntimeLines, TheSideFileGetsNumberAndLineOfEachError) {
    ScratchDir dir("runtime_lines");
    const std::string path = dir.path() + "/robot.error-lines";
    ASSERT_EQ(setenv(protocol::kErrorLinesVariable, path.c_str(), 1), 0);
    ErrorLinesOf("{\n  $a := 1;\n  $b := $a[3];\n  $m := .you.monye\n}\n", false);
    unsetenv(protocol::kErrorLinesVariable);
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    EXPECT_EQ(text.str(), "-750 3\n-700 4\n");
}

}  // namespace
