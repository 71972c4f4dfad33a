// Checks the editor grammars against the language: each kind of lexeme gets its own highlight,
// and what the robot refuses is marked as an error.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "example_script.h"
#include "run_program.h"

namespace {

namespace fs = std::filesystem;
using examples::kRoot;
using examples::Lines;
using examples::ReadBytes;

// One lexeme and the highlight it must get.
struct Highlight {
    const char* lexeme;
    const char* vim_group;
    const char* textmate_scope;
};

const Highlight kHighlights[] = {
    {"if", "robotKeyword", "keyword.control.robot"},
    {"goto", "robotKeyword", "keyword.control.robot"},
    {"$money_left", "robotVariable", "variable.other.robot"},
    {"@loop", "robotLabel", "entity.name.label.robot"},
    {".you", "robotData", "variable.language.data.robot"},
    {"2000", "robotNumber", "constant.numeric.integer.decimal.robot"},
    {":=", "robotAssign", "keyword.operator.assignment.robot"},
    {"?sell", "robotStatement", "support.function.robot"},
    {"?turn", "robotStatement", "support.function.robot"},
    {"?macro", "robotMacro", "support.function.macro.robot"},
    {"?build", "robotBadFunction", "invalid.illegal.function.robot"},
    {"<", "robotOperator", "keyword.operator.comparison.robot"},
    {"&", "robotOperator", "keyword.operator.bitwise.robot"},
    {"<=", "robotBadOperator", "invalid.illegal.operator.robot"},
    {"!=", "robotBadOperator", "invalid.illegal.operator.robot"},
    {"#", "robotBadChar", "invalid.illegal.character.robot"},
    {":", "robotBadChar", "invalid.illegal.character.robot"},
};

// The TextMate grammar's single-match rules, in the order the grammar tries them.
std::vector<std::pair<std::string, std::regex>> TextMateRules() {
    static const std::regex rule(R"re("name":\s*"([^"]+)",\s*"match":\s*"((?:[^"\\]|\\.)*)")re");
    const std::string grammar = ReadBytes(kRoot / "editors/vscode/robot.tmLanguage.json");
    std::vector<std::pair<std::string, std::regex>> rules;
    for (std::sregex_iterator it(grammar.begin(), grammar.end(), rule), end; it != end; ++it) {
        std::string pattern;
        const std::string escaped = (*it)[2];
        for (std::size_t i = 0; i < escaped.size(); ++i) pattern += escaped[i] == '\\' ? escaped[++i] : escaped[i];
        rules.emplace_back((*it)[1], std::regex(pattern));
    }
    return rules;
}

TEST(TextMateGrammar, GivesEachLexemeItsScope) {
    const auto rules = TextMateRules();
    ASSERT_GE(rules.size(), 15u);
    for (const Highlight& h : kHighlights) {
        // Like a TextMate engine: the first rule that matches where the lexeme begins wins.
        const std::string lexeme = h.lexeme;
        std::string scope = "(none)";
        for (const auto& [name, pattern] : rules) {
            std::smatch m;
            if (!std::regex_search(lexeme, m, pattern, std::regex_constants::match_continuous)) continue;
            scope = m.length(0) == static_cast<long>(lexeme.size()) ? name : "(part) " + name;
            break;
        }
        EXPECT_EQ(scope, h.textmate_scope) << lexeme;
    }
}

TEST(VimSyntax, GivesEachLexemeItsGroup) {
    const std::string vim = "/usr/bin/vim";
    if (access(vim.c_str(), X_OK) != 0) GTEST_SKIP() << "vim is not installed";
    std::string line;
    std::string columns;
    for (const Highlight& h : kHighlights) {
        columns += (columns.empty() ? "" : ",") + std::to_string(line.size() + 1);
        line += std::string(h.lexeme) + " ";
    }
    const fs::path dir = fs::temp_directory_path() / ("vim_syntax_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path script = dir / "probe.robot";
    const fs::path out = dir / "groups.txt";
    std::FILE* file = std::fopen(script.c_str(), "wb");
    std::fputs((line + "\r\n").c_str(), file);
    std::fclose(file);
    const ProgramResult run = RunProgram(
        vim, {"-N", "-u", "NONE", "-i", "NONE", "-es", "--cmd", "set rtp^=" + (kRoot / "editors/vim").string(),
              "-c", "filetype on", "-c", "syntax on", "-c", "edit " + script.string(), "-c",
              "call writefile(map([" + columns + "], 'synIDattr(synID(1, v:val, 1), \"name\")') + [&filetype, "
              "&fileformat], '" + out.string() + "')",
              "-c", "qall!"},
        "");
    const std::vector<std::string> groups = Lines(ReadBytes(out));
    fs::remove_all(dir);
    ASSERT_FALSE(run.timed_out);
    ASSERT_EQ(groups.size(), std::size(kHighlights) + 2) << run.out << run.err;
    for (std::size_t i = 0; i < std::size(kHighlights); ++i)
        EXPECT_EQ(groups[i], kHighlights[i].vim_group) << kHighlights[i].lexeme;
    EXPECT_EQ(groups[std::size(kHighlights)], "robot");
    EXPECT_EQ(groups[std::size(kHighlights) + 1], "dos");
}

}  // namespace
