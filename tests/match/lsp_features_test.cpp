// Tests of the language features: each feature on a few scripts with a cursor marked "|", the
// table of words against the robot's names and the guide, and formatting against the examples'
// compiled programs.
#include "match/lsp/features.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "lang/builtins.h"
#include "lang/dump.h"
#include "lang/run.h"
#include "lang/syn.h"
#include "match/check/check.h"
#include "match/lsp/words.h"
#include "robot/data.h"
#include "scratch_dir.h"

namespace match::lsp {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The script without its "|" and the position the "|" stood at (ASCII scripts).
std::pair<std::string, Position> Cursor(const std::string& marked) {
    const std::size_t at = marked.find('|');
    const std::string before = marked.substr(0, at);
    Position p;
    p.line = static_cast<int>(std::count(before.begin(), before.end(), '\n'));
    p.character = static_cast<int>(at - (before.rfind('\n') == std::string::npos ? 0 : before.rfind('\n') + 1));
    return {before + marked.substr(at + 1), p};
}

std::size_t Offset(const std::string& text, const json& position) {
    std::size_t offset = 0;
    for (int line = 0; line < position["line"].get<int>(); ++line) offset = text.find('\n', offset) + 1;
    return offset + position["character"].get<std::size_t>();
}

// The text with the TextEdits applied (ASCII texts), the last first.
std::string Apply(std::string text, json edits) {
    std::sort(edits.begin(), edits.end(), [&](const json& a, const json& b) {
        return Offset(text, a["range"]["start"]) > Offset(text, b["range"]["start"]);
    });
    for (const json& e : edits) {
        const std::size_t first = Offset(text, e["range"]["start"]);
        text.replace(first, Offset(text, e["range"]["end"]) - first, e["newText"].get<std::string>());
    }
    return text;
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const fs::path kRoot = PROJECT_SOURCE_DIR;

TEST(LspWords, DataNamesAndMacrosAreTheRobots) {
    std::set<std::string> robot, table;
    for (const char* record : {".you", ".market"})
        for (const std::string& field : CData::FieldNames(record)) robot.insert(record + field);
    for (const std::string& field : CData::FieldNames(".players")) robot.insert(".players[i]" + field);
    for (const std::string& name : CData::FieldNames(nullptr)) robot.insert(name);
    for (int i = 0; MacroName(i); ++i) robot.insert(MacroName(i));
    for (const Word& w : Words()) {
        if (w.kind == WordKind::kData) table.insert(w.name);
        if (w.kind == WordKind::kPlayerData) table.insert(".players[i]" + w.name);
        if (w.kind == WordKind::kMacro) table.insert(w.name);
    }
    EXPECT_EQ(robot, table);
}

// Each word has a row in a table of the guide that shows its form and ends with its meaning.
TEST(LspWords, GuideStatesEveryMeaning) {
    std::istringstream guide(Read(kRoot / "docs" / "script-guide.md"));
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(guide, line);) {
        if (line.rfind("| ", 0) != 0) continue;
        std::vector<std::string> cells;
        std::string cell;
        for (std::size_t i = 1; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '|') {
                cell += line[++i];
            } else if (line[i] == '|') {
                cells.push_back(cell.substr(1, cell.size() - 2));
                cell.clear();
            } else {
                cell += line[i];
            }
        }
        rows.push_back(cells);
    }
    for (const Word& w : Words()) {
        const bool stated = std::any_of(rows.begin(), rows.end(), [&](const std::vector<std::string>& cells) {
            return !cells.empty() && cells.back() == w.meaning &&
                   std::any_of(cells.begin(), cells.end(), [&](const std::string& c) {
                       return c.find("`" + w.form + "`") != std::string::npos;
                   });
        });
        EXPECT_TRUE(stated) << "the guide has no row `" << w.form << "` | " << w.meaning;
    }
}

TEST(LspFeatures, CompletionOffersWhatFitsThePlace) {
    struct Row {
        const char* script;
        std::vector<std::string> offered;
        const char* not_offered;
    };
    const Row rows[] = {
        {"{ $a := .|", {".you.money", ".turn_number", ".market.raw"}, "?buy"},
        {"{ $a := .you.m|", {".you.money"}, ".market.raw"},
        {"{ $a := .players[$i].|", {".money", ".auto_plants"}, ".turn_number"},
        {"{ ?|", {"?buy", "?turn", "?macro"}, "if"},
        {"{ $a := ?macro \"|", {"\"YouProd\"", "\".you.money\""}, "?buy"},
        {"{ $a := ?macro \"Opt|\" }", {"\"OptiProd\""}, "?buy"},
        {"{ ?print \"money .|", {}, ".you.money"},
        {"{ @top; $n := 1; goto |", {"@top"}, "$n"},
        {"{ $cash := 1; $x := $|", {"$cash", "$x"}, "@top"},
        {"{ $cash := 1; |", {"if", "goto", "?sell", "$cash"}, ".you.money"},
    };
    for (const Row& row : rows) {
        const auto [text, at] = Cursor(row.script);
        std::set<std::string> labels;
        for (const json& item : Completion(text, at)) labels.insert(item["label"].get<std::string>());
        for (const std::string& label : row.offered) EXPECT_EQ(labels.count(label), 1U) << row.script << ": " << label;
        EXPECT_EQ(labels.count(row.not_offered), 0U) << row.script;
    }
    const auto [text, at] = Cursor("{ $a := .you.mo|");
    const json money = Completion(text, at)[0];
    EXPECT_EQ(money["detail"], "your money");
    EXPECT_EQ(Apply(text, json::array({money["textEdit"]})), "{ $a := .you.money");
    const auto [in_string, at_macro] = Cursor("{ $a := ?macro \"Opt|\" }");
    const json macros = Completion(in_string, at_macro);
    const auto opti = std::find_if(macros.begin(), macros.end(), [](const json& m) { return m["label"] == "\"OptiProd\""; });
    ASSERT_NE(opti, macros.end());
    EXPECT_EQ(Apply(in_string, json::array({(*opti)["textEdit"]})),
              "{ $a := ?macro \"OptiProd\" }");
}

TEST(LspFeatures, HoverTellsTheMeaning) {
    const std::pair<const char*, const char*> rows[] = {
        {"{ $a := .you.mo|ney }", "`.you.money`: your money"},
        {"{ $a := .yo|u.money }", "`.you.money`: your money"},
        {"{ $a := .players[$i].pr|od }", "`.players[i].prod`: player i's products"},
        {"{ $a := .turn_|number }", "turns completed"},
        {"{ $a := .players[.turn_|number].raw }", "turns completed"},
        {"{ ?se|ll 1, 2 }", "offer N products at P each"},
        {"{ $a := ?macro \"Opti|Prod\" }", "what you can make this turn"},
        {"{ $a := 1 |& 2 }", "bitwise and"},
        {"{ i|f (1) ?turn }", "runs the statement"},
        {"{ $a :|= 1 }", "stores a value"},
        {"{ $a := 1; $b := $|a }", "first assigned on line 1"},
    };
    for (const auto& [script, expected] : rows) {
        const auto [text, at] = Cursor(script);
        const json hover = Hover(text, at);
        ASSERT_TRUE(hover.is_object()) << script;
        EXPECT_NE(hover["contents"]["value"].get<std::string>().find(expected), std::string::npos) << script;
    }
    EXPECT_TRUE(Hover("{   }", {0, 2}).is_null());
}

// Lines of the locations, in order.
std::vector<int> Lines(const json& locations) {
    std::vector<int> lines;
    for (const json& l : locations) lines.push_back(l["range"]["start"]["line"].get<int>());
    return lines;
}

TEST(LspFeatures, DefinitionAndReferencesOfLabelsAndVariables) {
    const std::string script = "{\n  goto @end;\n  $x := 1;\n  $x := $x + 1;\n  @end;\n  ?print \"%d\", $x\n}\n";
    struct Row {
        Position at;
        int definition;  // -1: none
        std::vector<int> references;
    };
    const Row rows[] = {
        {{1, 8}, 4, {1, 4}},
        {{1, 3}, 4, {1, 4}},
        {{5, 16}, 2, {2, 3, 3, 5}},
        {{3, 9}, 2, {2, 3, 3, 5}},
        {{5, 4}, -1, {}},
    };
    for (const Row& row : rows) {
        const json def = Definition("file:///a.robot", script, row.at);
        EXPECT_EQ(def.is_null() ? -1 : def["range"]["start"]["line"].get<int>(), row.definition) << row.at.line;
        EXPECT_EQ(Lines(References("file:///a.robot", script, row.at, true)), row.references) << row.at.line;
    }
    EXPECT_EQ(Lines(References("u", script, {1, 8}, false)), std::vector<int>{1});
    std::vector<std::string> names;
    for (const json& s : DocumentSymbols(script)) names.push_back(s["name"].get<std::string>());
    EXPECT_EQ(names, (std::vector<std::string>{"@end", "$x"}));
}

TEST(LspFeatures, PositionsCountUtf16Units) {
    // "é" and "€" are one UTF-16 unit each, the emoji two.
    const std::string script = "{ ?print \"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 %d\", $x; $x := 1 }";
    const json def = Definition("u", script, {0, 21});
    ASSERT_TRUE(def.is_object());
    EXPECT_EQ(def["range"]["start"]["character"], 24);
    EXPECT_EQ(References("u", script, {0, 20}, true)[0]["range"]["start"]["character"], 20);
}

TEST(LspFeatures, RenameChecksTheNewName) {
    const std::string script = "{ @a; $n := $n + 1; goto @a }";
    std::string error;
    const json edit = Rename("u", script, {0, 7}, "count", error);
    ASSERT_TRUE(edit.is_object()) << error;
    EXPECT_EQ(Apply(script, edit["changes"]["u"]), "{ @a; $count := $count + 1; goto @a }");
    EXPECT_EQ(Apply(script, Rename("u", script, {0, 26}, "@top", error)["changes"]["u"]),
              "{ @top; $n := $n + 1; goto @top }");
    for (const char* bad : {"", "$", "two words", "@n", "$a"}) {
        error.clear();
        EXPECT_TRUE(Rename("u", script + " $a := 1", {0, 7}, bad, error).is_null()) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(LspFeatures, FormatIndentsBlocksAndKeepsLineEnds) {
    const std::pair<std::string, std::string> rows[] = {
        {"{\n$a := 1;\n      if ($a > 0) {\n?turn\n}\n}\n", "{\n  $a := 1;\n  if ($a > 0) {\n    ?turn\n  }\n}\n"},
        {"{\r\nif (1)\r\n?turn;\r\nelse\r\n?upgrade\r\n}\r\n", "{\r\n  if (1)\r\n    ?turn;\r\n  else\r\n    ?upgrade\r\n}\r\n"},
        {"{\n  ?print \"two\n lines\", 1 +\n2\n}\n", "{\n  ?print \"two\n lines\", 1 +\n    2\n}\n"},
        {"{\n$a := 1 +\n2;\n?turn\n}", "{\n  $a := 1 +\n    2;\n  ?turn\n}"},
    };
    for (const auto& [input, formatted] : rows) EXPECT_EQ(Apply(input, Format(input)), formatted) << input;
}

// The program the robot compiles from a script, as its dump lists it.
std::string Program(const std::string& text) {
    CLexic lexic(text.data(), text.size(), CLexic::FromMemory{});
    if (!lexic.MakeAnalysis()) return "lexical error";
    CExecuter executer(nullptr, nullptr);
    CRun run(&executer);
    CSyntax syntax(lexic.GetBegin(), &run);
    if (!syntax.MakeAnalysis()) return "syntax error";
    return DumpProgram(executer);
}

TEST(LspFeatures, FormattingTheExamplesChangesNoProgram) {
    for (const fs::path& folder : {kRoot / "examples", kRoot / "examples" / "guide"}) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().extension() != ".robot") continue;
            const std::string text = Read(entry.path());
            const std::string formatted = Apply(text, Format(text));
            EXPECT_EQ(Program(formatted), Program(text)) << entry.path();
            // The examples are the house style, whatever indentation they come with.
            EXPECT_EQ(formatted, text) << entry.path();
            const std::string flat = std::regex_replace(text, std::regex("\n[ \t]+"), "\n\t ");
            EXPECT_EQ(Apply(flat, Format(flat)), text) << entry.path();
        }
    }
}

TEST(LspFeatures, CodeActionsFixWhatTheCheckerSays) {
    const std::pair<const char*, const char*> rows[] = {
        {"{\r\n  $a := .you.monye;\r\n  ?turn\r\n}\r\n", "{\r\n  $a := .you.money;\r\n  ?turn\r\n}\r\n"},
        {"{\r\n  $a := .players[$i].mony;\r\n  ?turn\r\n}\r\n", "{\r\n  $a := .players[$i].money;\r\n  ?turn\r\n}\r\n"},
        {"{\r\n  $a := ?macro \"YouProd2\";\r\n  ?turn\r\n}\r\n", "{\r\n  $a := ?macro \"YouProd\";\r\n  ?turn\r\n}\r\n"},
        {"{\r\n  if ($a <= .you.money) ?turn;\r\n  ?turn\r\n}\r\n",
         "{\r\n  if (!($a > .you.money)) ?turn;\r\n  ?turn\r\n}\r\n"},
        {"{\r\n  if ((1) != -$b[2]) ?turn;\r\n  ?turn\r\n}\r\n", "{\r\n  if (!((1) = -$b[2])) ?turn;\r\n  ?turn\r\n}\r\n"},
        {"{\r\n  $a := 2 - -$b >= 1;\r\n  ?turn\r\n}\r\n", "{\r\n  $a := 2 - !(-$b < 1);\r\n  ?turn\r\n}\r\n"},
        {"{\r\n  if ($a > 0) ?turn\r\n}\r\n", "{\r\n  if ($a > 0) ?turn;\r\n  ?turn\r\n}\r\n"},
        {"{\r\n  $a := 1;\r\n}\r\n", "{\r\n  $a := 1;\r\n  ?turn\r\n}\r\n"},
    };
    const ScratchDir dir("lsp_features");
    for (const auto& [script, fixed] : rows) {
        ASSERT_TRUE(dir.Put("a.robot", script));
        json diagnostics = json::array();
        for (const Diagnostic& d : CheckScriptFile(dir.path() + "/a.robot").diagnostics)
            diagnostics.push_back({{"range", {{"start", {{"line", d.line - 1}, {"character", 0}}},
                                              {"end", {{"line", d.line - 1}, {"character", 0}}}}},
                                   {"message", d.text}});
        const json actions = CodeActions("u", script, diagnostics);
        ASSERT_EQ(actions.size(), 1U) << script << diagnostics.dump();
        EXPECT_EQ(Apply(script, actions[0]["edit"]["changes"]["u"]), fixed) << diagnostics.dump();
    }
}

}  // namespace
}  // namespace match::lsp
