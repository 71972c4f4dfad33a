// Keeps the example robots and the script guide honest: every example compiles, every faulty
// one fails with the reports the guide shows, and every script the guide quotes is its file.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "example_script.h"

namespace {

namespace fs = std::filesystem;
using namespace examples;

TEST(Examples, EveryRobotPassesBothAnalyses) {
    const std::vector<fs::path> robots = ExampleFiles(".robot");
    ASSERT_GE(robots.size(), 4u);
    for (const fs::path& robot : robots) {
        SCOPED_TRACE(robot.string());
        ExampleScript script(robot);
        EXPECT_TRUE(script.LexicalOk()) << script.Output();
        EXPECT_TRUE(script.Passed()) << script.Output();
        EXPECT_EQ(script.Output().find("~Error"), std::string::npos) << script.Output();
    }
}

// The robot counts lines by carriage returns, and needs a character after the last lexeme.
TEST(Examples, EveryScriptHasCrLfLineEnds) {
    std::vector<fs::path> scripts = ExampleFiles(".robot");
    for (const fs::path& faulty : ExampleFiles(".bad")) scripts.push_back(faulty);
    for (const fs::path& path : scripts) {
        SCOPED_TRACE(path.string());
        const std::string text = ReadBytes(path);
        ASSERT_GE(text.size(), 2u);
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        for (std::size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare line feed at byte " << i;
    }
}

TEST(Examples, FaultyScriptsFailWithTheirDocumentedReports) {
    const std::vector<fs::path> faulty = ExampleFiles(".bad");
    ASSERT_FALSE(faulty.empty());
    for (const fs::path& path : faulty) {
        SCOPED_TRACE(path.string());
        fs::path expect = path;
        expect.replace_extension(".expect");
        ASSERT_TRUE(fs::exists(expect));
        ExampleScript script(path);
        EXPECT_FALSE(script.Passed());
        for (const std::string& line : Lines(ReadBytes(expect)))
            EXPECT_NE(script.Output().find(line), std::string::npos)
                << "missing: " << line << "\nin:\n" << script.Output();
    }
}

// A script with a NAME.out beside it prints exactly that in its first turn.
TEST(Examples, GuideScriptsPrintWhatTheGuideShows) {
    int checked = 0;
    for (const fs::path& robot : ExampleFiles(".robot")) {
        fs::path expected = robot;
        expected.replace_extension(".out");
        if (!fs::exists(expected)) continue;
        SCOPED_TRACE(robot.string());
        ExampleScript script(robot);
        ASSERT_TRUE(script.Passed()) << script.Output();
        EXPECT_EQ(script.Run(), ReadBytes(expected));
        ++checked;
    }
    EXPECT_GE(checked, 5);
}

// A quote in a document: the marker line and the fenced block after it.
struct Quote {
    std::string path;
    int first = 0;  // 0: the whole file
    int last = 0;
    std::string block;
};

std::vector<Quote> QuotesIn(const fs::path& document) {
    static const std::regex marker(R"(<!-- example: (\S+)(?: lines (\d+)-(\d+))? -->)");
    const std::vector<std::string> lines = Lines(ReadBytes(document));
    std::vector<Quote> quotes;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        if (!std::regex_match(lines[i], m, marker)) continue;
        Quote quote{m[1], m[2].matched ? std::stoi(m[2]) : 0, m[3].matched ? std::stoi(m[3]) : 0, ""};
        std::size_t j = i + 2;  // skip the opening fence
        for (; j < lines.size() && lines[j] != "```"; ++j) quote.block += lines[j] + "\n";
        quotes.push_back(quote);
        i = j;
    }
    return quotes;
}

std::string Excerpt(const std::string& path, int first, int last) {
    const std::vector<std::string> lines = Lines(WithoutCr(ReadBytes(kRoot / path)));
    std::string text;
    for (int n = 1; n <= static_cast<int>(lines.size()); ++n)
        if (first == 0 || (n >= first && n <= last)) text += lines[n - 1] + "\n";
    return text;
}

TEST(ScriptGuide, QuotedScriptsAreTheirFiles) {
    const std::vector<Quote> quotes = QuotesIn(kRoot / "docs" / "script-guide.md");
    ASSERT_GE(quotes.size(), 20u);
    for (const Quote& quote : quotes) {
        SCOPED_TRACE(quote.path + " " + std::to_string(quote.first));
        ASSERT_TRUE(fs::exists(kRoot / quote.path));
        EXPECT_EQ(quote.block, Excerpt(quote.path, quote.first, quote.last));
    }
}

TEST(ScriptGuide, EveryExamplePathMentionedExists) {
    static const std::regex mention(R"(examples/[A-Za-z0-9_./-]*[A-Za-z0-9_/])");
    for (const char* document : {"docs/script-guide.md", "examples/README.md"}) {
        const std::string text = ReadBytes(kRoot / document);
        for (std::sregex_iterator it(text.begin(), text.end(), mention), end; it != end; ++it) {
            SCOPED_TRACE(std::string(document) + ": " + it->str());
            EXPECT_TRUE(fs::exists(kRoot / it->str()));
        }
    }
}

}  // namespace
