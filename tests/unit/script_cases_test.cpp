// Runs the robot program on every case in tests/cases: a script with its command line,
// console answers, expected standard output and exit status in files beside it.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "run_program.h"
#include "scratch_dir.h"

namespace {

const std::string kCasesDir = std::string(TEST_SOURCE_DIR) + "/cases";
constexpr std::chrono::seconds kCaseTimeout{60};  // generous: sanitizer builds are slow

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

// The expected output with the robot's version in place of each "@VERSION@".
std::string WithVersion(std::string text) {
    const std::string mark = "@VERSION@";
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at))
        text.replace(at, mark.size(), ROBOT_VERSION);
    return text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Every case has an expected output file NAME.out.
std::vector<std::string> CaseNames() {
    std::vector<std::string> names;
    if (DIR* dir = opendir(kCasesDir.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string file = entry->d_name;
            if (file.size() > 4 && file.compare(file.size() - 4, 4, ".out") == 0) {
                names.push_back(file.substr(0, file.size() - 4));
            }
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The files of one case: NAME.robot (the script, absent for a missing one), NAME.path
// (the script path argument, default NAME.robot; an empty file gives no argument at all),
// NAME.args (extra arguments, one per line), NAME.stdin (console answers, default none),
// NAME.out (expected standard output) and NAME.status (expected exit status, default 0).
struct Case {
    std::string name;
    std::string base() const { return kCasesDir + "/" + name; }
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class ScriptCase : public testing::TestWithParam<Case> {};

TEST_P(ScriptCase, ProducesExpectedOutputAndStatus) {
    const std::string base = GetParam().base();
    std::string script, path_text, args_text, input, expected, status_text;
    bool has_script = ReadFile(base + ".robot", script);
    bool has_path = ReadFile(base + ".path", path_text);
    ReadFile(base + ".args", args_text);
    ReadFile(base + ".stdin", input);
    ASSERT_TRUE(ReadFile(base + ".out", expected));
    int expected_status = ReadFile(base + ".status", status_text) ? std::stoi(status_text) : 0;

    std::vector<std::string> path_lines = Lines(path_text);
    std::string script_path = has_path ? (path_lines.empty() ? "" : path_lines[0])
                                       : GetParam().name + ".robot";
    ScratchDir dir("robot_case");
    ASSERT_FALSE(dir.path().empty());
    if (has_script) {
        ASSERT_TRUE(dir.Put(script_path, script));
    }

    ProgramRun run;
    run.path = ROBOT_BINARY;
    if (!script_path.empty()) run.args.push_back(script_path);
    for (const std::string& a : Lines(args_text)) run.args.push_back(a);
    run.input = input;
    run.dir = dir.path();
    run.timeout = kCaseTimeout;
    ProgramResult result = RunProgram(run);

    ASSERT_TRUE(result.error.empty()) << result.error;
    ASSERT_FALSE(result.timed_out) << "still running after " << kCaseTimeout.count() << " s";
    ASSERT_TRUE(result.exited) << "ended by signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.out, WithVersion(expected));
    EXPECT_EQ(result.status, expected_status) << result.err;
}

std::vector<Case> AllCases() {
    std::vector<Case> cases;
    for (const std::string& n : CaseNames()) cases.push_back({n});
    return cases;
}

std::string TestName(const testing::TestParamInfo<Case>& info) {
    std::string name = info.param.name;
    for (char& c : name) {
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, ScriptCase, testing::ValuesIn(AllCases()), TestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ScriptCase);

// A script of a million lexemes is read, translated and released without exhausting the
// stack; the robot then fails to reach a server and ends at the refused prompt.
TEST(ScriptCaseLarge, MillionLexemeScriptCompilesAndEnds) {
    std::string script = "{\r\n";
    for (int i = 0; i < 250000; ++i) script += "$a := 1;\r\n";
    script += "}\r\n";
    ScratchDir dir("robot_case");
    ASSERT_TRUE(dir.Put("big.robot", script));
    ProgramRun run;
    run.path = ROBOT_BINARY;
    run.args = {"big.robot", "-host", "127.0.10.250"};
    run.dir = dir.path();
    run.timeout = std::chrono::seconds(120);
    ProgramResult result = RunProgram(run);
    ASSERT_FALSE(result.timed_out);
    ASSERT_TRUE(result.exited) << "ended by signal " << result.signal;
    EXPECT_NE(result.out.find("~Info: Syntax analysis was passed."), std::string::npos);
    EXPECT_EQ(result.status, -4 & 0xFF) << result.err;
}

}  // namespace
