// Tests of match --check: errors on the editor's line whatever the line ends, each warning on
// a script of its own, the bundled examples, and the editors' patterns against real output.
#include "match/check/check.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "match/options.h"

namespace match {
namespace {

namespace fs = std::filesystem;

// Scripts written into a scratch folder and checked as match --check would.
class CheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("check_test_" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // Checks the scripts; returns the exit status and keeps what was printed.
    int Check(const std::vector<std::string>& paths, bool werror = false) {
        std::ostringstream out, err;
        int status = RunCheck(paths, werror, out, err);
        out_ = out.str();
        err_ = err.str();
        return status;
    }

    fs::path dir_;
    std::string out_;
    std::string err_;
};

// The lines joined with `end` after each.
std::string Joined(std::initializer_list<const char*> lines, const char* end) {
    std::string text;
    for (const char* line : lines) text += std::string(line) + end;
    return text;
}

TEST_F(CheckTest, ErrorIsOnTheEditorsLineWhateverTheLineEnds) {
    const std::pair<const char*, const char*> ends[] = {{"crlf", "\r\n"}, {"lf", "\n"}, {"cr", "\r"}};
    for (const auto& [name, end] : ends) {
        const std::string path = Write(std::string(name) + ".robot", Joined({"{", "  $x := 1;", "  $y := ;", "  ?turn", "}"}, end));
        EXPECT_EQ(Check({path}), 1) << name;
        EXPECT_NE(out_.find(path + ":3: error: Not match expression, wrong operand. (at ';')\n"), std::string::npos)
            << name << "\n" << out_;
    }
    EXPECT_EQ(Check({Write("good.robot", Joined({"{", "  $x := 1;", "  ?turn", "}"}, "\r\n"))}), 0);
    EXPECT_EQ(out_, "");
}

TEST_F(CheckTest, LexicalErrorsNameTheirReason) {
    const std::pair<std::string, const char*> cases[] = {
        {"{\r\n  $x : = 1;\r\n  ?turn\r\n}\r\n", ":2: error: Lexical analysis did not pass: ':' without '=' (at ':')"},
        {"{\r\n  ?print \"open\r\n}\r\n", ":2: error: Lexical analysis did not pass: a string without its closing '\"' (at '\"open\\r\\n}\\r\\n')"},
        {"{ $ := 1; ?turn }\r\n", ":1: error: Lexical analysis did not pass: '$' without a name (at '$')"},
        {"?turn", ":1: error: Lexical analysis did not pass: the file ends inside its first lexeme (at '?turn')"},
        // A string that looks like the analyser's report is cited, not taken for a second report.
        // Nesting far beyond the analyser's limit is one report, not a crash.
        {"{ $x := " + std::string(100000, '(') + "1" + std::string(100000, ')') + "; ?turn }", ":1: error: Nesting is too deep. (at '(')"},
        {"{\r\n\r\n $x := \"~Error: Syntax :: Line 1 --> x~ 'y\"; ?turn }\r\n", ":3: error: Using wrong operand in expression."},
    };
    for (const auto& [script, expected] : cases) {
        const std::string path = Write("lexical.robot", script);
        EXPECT_EQ(Check({path}), 1) << script;
        EXPECT_EQ(out_.rfind(path + expected, 0), 0u) << out_;
        EXPECT_EQ(std::count(out_.begin(), out_.end(), '\n'), 1) << out_;
    }
}

TEST_F(CheckTest, EachWarningFiresOnItsOwnScript) {
    struct Case {
        const char* script;
        const char* diagnostic;  // the start of the one line printed
    };
    const Case cases[] = {
        {"{\n  ?turn\n}\n", ":1: warning: 3 lines end with LF alone"},
        {"{\r  ?turn\r}\r", ":1: warning: 3 lines end with CR alone"},
        {"\xEF\xBB\xBF{ ?turn }\r\n", ":1: warning: the file starts with a UTF-8 byte order mark"},
        {"{\r\n  $x := 1 \xE2\x80\x9C; ?turn\r\n}\r\n", ":2: warning: non-ASCII byte 0xE2 outside a string"},
        {"{\r\n  ?turn;\r\n  turn\r\n}\r\n", ":3: warning: statement has no effect: the word 'turn' is skipped; did you mean '?turn'?"},
        {"{\r\n  ?buy 1, 2\r\n}\r\n", ":1: warning: no '?turn' anywhere"},
        {"{\r\n  ?print \"%d and %d\", 1;\r\n  ?turn\r\n}\r\n", ":2: warning: '?print' text has 2 \"%d\" but 1 value is given"},
        {"{\r\n  ?print \"none\", (1 + 2);\r\n  ?turn\r\n}\r\n", ":2: warning: '?print' text has 0 \"%d\" but 1 value is given"},
        {"{ $a := .you.money;\r\n  $b := $a + 1 < 2; ?turn }\r\n", ":2: warning: '+' and '<' without parentheses"},
        {"{\r\n  if (.you.raw > 0 & .you.prod > 0) ?prod 1;\r\n  ?turn\r\n}\r\n", ":2: warning: '&' and '>' without parentheses"},
        {"{\r\n  if (0 < .players[0].money < 10) ?prod 1;\r\n  ?turn\r\n}\r\n", ":2: warning: two comparisons in a row ('<' then '<')"},
    };
    for (const Case& c : cases) {
        const std::string path = Write("warn.robot", c.script);
        Check({path});
        std::istringstream lines(out_);
        std::vector<std::string> warnings;
        for (std::string line; std::getline(lines, line);)
            if (line.find(": warning: ") != std::string::npos) warnings.push_back(line);
        ASSERT_EQ(warnings.size(), 1u) << c.script << "\n" << out_;
        EXPECT_EQ(warnings[0].rfind(path + c.diagnostic, 0), 0u) << warnings[0];
    }
}

// Traps the robot compiles without a word, or reports without a clue: each is named, on its line.
TEST_F(CheckTest, EachTrapIsNamedOnItsLine) {
    struct Case {
        std::string script;
        const char* diagnostic;  // a line printed, after the path
    };
    const Case cases[] = {
        {"{ $m := .you.monye; ?turn }\r\n",
         ":1: warning: '.you.monye' is no game data the robot has: reading it stops the robot with error -700; "
         "did you mean .you.money?"},
        {"{ $m := .players[ $i ].prodd + .mony + .yuo.raw + .you.cash; ?turn }\r\n",
         ":1: warning: '.players[$i].prodd' is no game data the robot has: reading it stops the robot with error "
         "-700; did you mean .players[$i].prod?"},
        {"{ $m := .mony; ?turn }\r\n", ":1: warning: '.mony' is no game data the robot has: reading it stops the "
                                       "robot with error -700; did you mean .money?"},
        {"{ $m := .you.cash; ?turn }\r\n",
         ":1: warning: '.you.cash' is no game data the robot has: reading it stops the robot with error -700\n"},
        {"{\r\n  ?prod ?macro \"OptProd\";\r\n  ?turn\r\n}\r\n",
         ":2: warning: '?macro \"OptProd\"' is no macro the robot knows: the run stops there with error -750 "
         "(Wrong macros parameter.); did you mean ?macro \"OptiProd\"?"},
        {"{\r\n  @next;\r\n  goto @nxt;\r\n  ?turn\r\n}\r\n",
         ":3: error: label '@nxt' is not defined: the jump stops the run with error -750 (Wrong operation "
         "address.); did you mean @next?"},
        {"{\r\n  ?sell 1, 2;\r\n  if (.you.money > 0) ?turn\r\n}\r\n",
         ":3: warning: when 'if (.you.money > 0)' is false, the run reaches the end of the script without "
         "'?turn': the turn then lasts until the server's turn timeout"},
        {"{\r\n  if (.you.prod > 0) ?turn\r\n  else if (.you.raw > 0) ?turn\r\n}\r\n",
         ":3: warning: when 'if (.you.prod > 0)' is false and 'if (.you.raw > 0)' is false, the run reaches"},
        {"{ if ($x) if (1) ?turn; else ?prod 1; ?print \"a\" }\r\n",  // both branches of the first if miss it
         ":1: warning: when 'if ($x)' is false, the run reaches"},
        {"{ if (.you.raw > 0) { ?prod 1; goto @done }; ?turn; @done }\r\n",
         ":1: warning: when 'if (.you.raw > 0)' is true, the run reaches the end"},
        {"{\r\n  goto @end;\r\n  ?turn;\r\n  @end\r\n}\r\n",
         ":3: warning: no run reaches '?turn': the turn then lasts until the server's turn timeout"},
        {"$count := $count + 1;\r\n?print \"never\";\r\n?turn\r\n",
         ":1: warning: the script is not between '{' and '}', so the robot runs only its first statement, '$count "
         ":= $count + 1', every turn; the robot never reads the rest, from line 2; no run reaches '?turn'"},
        {"?turn;\r\n?sell 1, 2\r\n",
         ":1: warning: the script compiles to nothing: the robot takes a script whose second lexeme is ';' for "
         "one empty statement and runs nothing, every turn"},
        {"{ ?turn }\r\n?sell 1, 2\r\n", ":1: warning: the script ends with the '}' on line 1: the robot never "
                                        "reads the rest, from line 2"},
        {std::string("\x7F" "ELF\x02\x01\x01\0\0\0\0\0", 12) + std::string(4000, '\x01'),
         ":1: error: this is not a text file (it holds NUL bytes): a script is text; is it the right file?\n"},
        {"\xEF\xBB\xBF{ ?turn }\r\n",
         ":1: warning: the file starts with a UTF-8 byte order mark (bytes EF BB BF), which the robot refuses as a "
         "lexical error; save the file as UTF-8 without a byte order mark, or as plain ASCII\n"},
        {"{\r\n  if (.you.raw <= 3) ?buy 1, 2;\r\n  ?turn\r\n}\r\n",
         ":2: error: Not match expression, wrong operand. (at '='); there is no '<=': write '!(a > b)' for a <= b\n"},
        {"{\r\n  if ((.you.raw > 3) && (.you.prod > 0)) ?prod 1;\r\n  ?turn\r\n}\r\n",
         ":2: error: Not match expression, wrong operand. (at '&'); there is no '&&': write '(a) & (b)'"},
        {"{ $b := .you.money + 1 < 2; ?turn }\r\n",
         ":1: warning: '+' and '<' without parentheses: the robot compares before doing arithmetic, so '.you.money "
         "+ 1 < 2' means '.you.money + (1 < 2)'; add parentheses"},
        {"{ if (.you.raw > 0 & -$p * 2 > 0) ?turn; ?turn }\r\n",
         ":1: warning: '&' and '>' without parentheses: the robot does '&' and '|' before comparing, so '.you.raw > "
         "0 & -$p * 2 > 0' means '(.you.raw > (0 & -$p)) * (2 > 0)'"},
        {"{ if (1 + 0 < $a[2] < 10 | 1) ?prod 1; ?turn }\r\n",
         ":1: warning: two comparisons in a row ('<' then '<'): the robot allows one; write '(1 + 0 < $a[2]) & "
         "($a[2] < 10)'"},
    };
    for (const Case& c : cases) {
        const std::string path = Write("trap.robot", c.script);
        Check({path});
        EXPECT_NE(("\n" + out_).find("\n" + path + c.diagnostic), std::string::npos) << c.diagnostic << "\n" << out_;
    }
}

// Scripts that look like the traps but are not: the checker must stay silent on them.
TEST_F(CheckTest, NearMissesOfTheTrapsPassSilently) {
    const char* const scripts[] = {
        // Every path ends its turn: an else after ';', a nested if in both branches, a loop that ends.
        "{ if (.you.prod > 0) ?turn; else ?turn }",
        "{ if (.you.prod > 0) { if (.you.raw > 0) ?turn else ?turn } else ?turn }",
        "{ $i := 0; @next; if ($i < .players_count) { $i := $i + 1; goto @next }; ?turn }",
        // A label defined after its jump, a jump over the turn to a later one.
        "{ goto @late; ?print \"skipped\"; @late; ?turn }",
        // Names the robot reads, single and indexed; every kind of macro name.
        ("{ $a[.players_count] := .players[$a[0]].auto_plants + .min_raw_price + .market.prod + .win; "
         "$b := ?macro \"AllEffect\" + ?macro \".market.max_prod_price\"; ?turn }"),
        // Parentheses that settle the operators; one unbraced statement that is the whole script.
        "{ if ((.you.raw > 0) & ((.you.money + 1) < 2)) ?prod 1; ?turn }",
        "if (.you.raw > 0) ?turn else ?turn ",
    };
    for (const char* script : scripts) {
        EXPECT_EQ(Check({Write("quiet.robot", std::string(script) + "\r\n")}, true), 0) << script;
        EXPECT_EQ(out_, "") << script;
    }
}

TEST_F(CheckTest, WarningsFailOnlyWithWerror) {
    const std::string path = Write("noturn.robot", "{ ?buy 1, 2 }\r\n");
    EXPECT_EQ(Check({path}), 0);
    EXPECT_EQ(Check({path}, true), 1);
    MatchOptions options;
    EXPECT_EQ(ParseOptions({"--check", "--werror", "a.robot"}, options), "");
    EXPECT_TRUE(options.check && options.werror);
    MatchOptions alone;
    EXPECT_EQ(ParseOptions({"--werror", "a.robot"}, alone), "--werror goes with --check");
}

TEST_F(CheckTest, UnreadableScriptsFailWithAClearMessage) {
    EXPECT_EQ(Check({dir_.string(), (dir_ / "missing.robot").string()}), 1);
    EXPECT_NE(err_.find("is a folder, not a script"), std::string::npos) << err_;
    EXPECT_NE(err_.find("missing.robot': No such file or directory"), std::string::npos) << err_;
}

// The guide's priorities and one-statement examples show their traps on purpose; the faulty
// examples each fail.
TEST_F(CheckTest, BundledExamples) {
    const fs::path root = PROJECT_SOURCE_DIR;
    std::vector<std::string> scripts;
    for (const char* folder : {"examples", "examples/guide"})
        for (const auto& entry : fs::directory_iterator(root / folder))
            if (entry.path().extension() == ".robot") scripts.push_back(entry.path().string());
    ASSERT_GE(scripts.size(), 15u);
    EXPECT_EQ(Check(scripts), 0);
    const std::string priorities = (root / "examples/guide/priorities.robot").string();
    const std::string one_statement = (root / "examples/guide/one-statement.robot").string();
    const std::vector<std::string> expected{one_statement + ":1: warning: the script is not between '{' and '}'",
                                            priorities + ":10: warning: '&' and '>' without",
                                            priorities + ":2: warning: '+' and '<' without"};  // sorted
    std::istringstream lines(out_);
    std::vector<std::string> seen;
    for (std::string line; std::getline(lines, line);) seen.push_back(line);
    std::sort(seen.begin(), seen.end());
    ASSERT_EQ(seen.size(), expected.size()) << out_;
    for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i].rfind(expected[i], 0), 0u) << seen[i];
    for (const auto& entry : fs::directory_iterator(root / "examples/guide/faulty"))
        if (entry.path().extension() == ".bad") {
            EXPECT_EQ(Check({entry.path().string()}), 1) << entry.path();
        }
}

// An errorformat converted to regular expressions: %f file, %l line, %t type letter, %m message,
// %.%# anything; "%-G" patterns drop a line.
struct FormatPattern {
    bool ignore;
    std::regex regex;
};

std::vector<FormatPattern> VimErrorFormat() {
    std::ifstream in(fs::path(PROJECT_SOURCE_DIR) / "editors/vim/compiler/robot.vim");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::smatch m;
    EXPECT_TRUE(std::regex_search(text, m, std::regex(R"(CompilerSet errorformat=((?:\\.|\S)+))")));
    std::vector<FormatPattern> patterns;
    std::string pattern;
    const std::string value = m[1].str() + ",";
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            pattern += value[++i];
        } else if (c == ',') {
            const bool ignore = pattern.rfind("%-G", 0) == 0;
            std::string re;
            for (std::size_t j = ignore ? 3 : 0; j < pattern.size(); ++j) {
                if (pattern[j] != '%') {
                    re += std::isalnum(static_cast<unsigned char>(pattern[j])) ? std::string(1, pattern[j])
                                                                               : std::string("\\") + pattern[j];
                    continue;
                }
                const std::string code = pattern.substr(j + 1, pattern[j + 1] == '.' ? 3 : 1);
                re += code == "f" ? "(.+)" : code == "l" ? "(\\d+)" : code == "t" ? "(.)" : code == "m" ? "(.*)" : ".*";
                j += code.size();
            }
            patterns.push_back({ignore, std::regex(re)});
            pattern.clear();
        } else {
            pattern += c;
        }
    }
    return patterns;
}

TEST_F(CheckTest, EditorsReadTheDiagnostics) {
    const std::string path = Write("both.robot", "{\r\n  turn;\r\n  $x := ;\r\n  ?turn\r\n}\r\n");
    Check({path});
    ASSERT_NE(out_, "");
    std::ifstream json(fs::path(PROJECT_SOURCE_DIR) / "editors/vscode/package.json");
    std::string package((std::istreambuf_iterator<char>(json)), std::istreambuf_iterator<char>());
    std::smatch m;
    ASSERT_TRUE(std::regex_search(package, m, std::regex(R"re("regexp":\s*"((?:[^"\\]|\\.)*)")re")));
    const std::regex vscode(std::regex_replace(m[1].str(), std::regex(R"(\\\\)"), "\\"));
    const std::vector<FormatPattern> vim = VimErrorFormat();
    std::istringstream lines(out_ + err_);
    for (std::string line; std::getline(lines, line);) {
        const bool diagnostic = line.rfind(path + ":", 0) == 0;
        const std::string line_number = diagnostic ? line.substr(path.size() + 1, 1) : "";
        const std::string type = line.find(": error: ") != std::string::npos ? "e" : "w";
        std::smatch v;
        EXPECT_EQ(std::regex_match(line, v, vscode), diagnostic) << line;
        if (diagnostic) {
            EXPECT_EQ(v[1].str() + v[2].str() + v[3].str().substr(0, 1), path + line_number + type);
        }
        // Like Vim: the first pattern that matches decides; a line no pattern takes stays as text.
        std::smatch f;
        auto p = std::find_if(vim.begin(), vim.end(), [&](const FormatPattern& p) { return std::regex_match(line, f, p.regex); });
        ASSERT_NE(p, vim.end()) << line;
        EXPECT_EQ(p->ignore, !diagnostic) << line;
        if (diagnostic) {
            EXPECT_EQ(f[1].str() + f[2].str() + f[3].str(), path + line_number + type) << line;
        }
    }
}

}  // namespace
}  // namespace match
