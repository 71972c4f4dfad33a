// Tests of the analyser's limits: nesting depth, scripts too short to translate.
#include <gtest/gtest.h>

#include "syntax_fixture.h"

namespace {

std::string Repeat(const std::string& piece, int times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

int CountReports(const std::string& output) {
    int count = 0;
    for (size_t at = output.find("~Error:"); at != std::string::npos;
         at = output.find("~Error:", at + 1))
        ++count;
    return count;
}

struct NestingCase {
    const char* name;
    std::string prefix;
    std::string open;   // repeated before the innermost part
    std::string inner;  // the innermost part
    std::string close;  // repeated after it
    const char* cited;  // the lexeme at which the limit is crossed
};

void PrintTo(const NestingCase& c, std::ostream* os) { *os << c.name; }

std::string Nested(const NestingCase& c, int depth) {
    return c.prefix + Repeat(c.open, depth) + c.inner + Repeat(c.close, depth) + "\r\n";
}

class SyntaxNesting : public ::testing::TestWithParam<NestingCase> {};

TEST_P(SyntaxNesting, HundredThousandLevelsFailWithOneReport) {
    CompiledScript compiled(Nested(GetParam(), 100000));
    EXPECT_FALSE(compiled.Passed());
    EXPECT_EQ(CountReports(compiled.Output()), 1) << compiled.Output().substr(0, 500);
    EXPECT_NE(compiled.Output().find(std::string("Nesting is too deep. ~ '") +
                                     GetParam().cited + "'"),
              std::string::npos)
        << compiled.Output().substr(0, 500);
}

TEST_P(SyntaxNesting, NineHundredLevelsTranslate) {
    CompiledScript compiled("{ " + Nested(GetParam(), 900) + " }\r\n");
    EXPECT_TRUE(compiled.Passed()) << compiled.Output().substr(0, 500);
}

const NestingCase kNestings[] = {
    {"Parentheses", "$x := ", "(", "1", ")", "("},
    {"UnaryMinus", "$x := ", "- ", "1", "", "-"},
    {"LogicalNot", "$x := ", "! ", "1", "", "!"},
    {"ArrayIndexes", "$x := ", "$a[", "1", "]", "["},
    {"GameDataIndexes", "$x := ", ".players[", "1", "].money", "["},
    {"Blocks", "", "{ ", "?turn", " }", "{"},
    {"IfStatements", "", "if (1) ", "?turn", "", "("},
};
INSTANTIATE_TEST_SUITE_P(Limits, SyntaxNesting, ::testing::ValuesIn(kNestings),
                         [](const auto& info) { return std::string(info.param.name); });

struct ShortCase {
    const char* name;
    std::string script;
    std::string output;
};

void PrintTo(const ShortCase& c, std::ostream* os) { *os << c.name; }

class SyntaxShortScript : public ::testing::TestWithParam<ShortCase> {};

TEST_P(SyntaxShortScript, FailsWithReportAndEmptyProgram) {
    CompiledScript compiled(GetParam().script);
    EXPECT_FALSE(compiled.Passed());
    EXPECT_EQ(compiled.Output(), GetParam().output);
    EXPECT_EQ(compiled.Dump(), "");
}

const char kEmptyReport[] = "\n\n~Error: Syntax :: Line 1 --> Script is empty. ~ '' :: -550";

const ShortCase kShortScripts[] = {
    {"NoLexemes", "", kEmptyReport},
    {"WhiteSpaceOnly", " \r\n\t\r\n", kEmptyReport},
    {"OpeningBraceAlone", "{ ", "\n\n~Error: Syntax :: Line 1 --> lexems are over. ~ '{' :: -550"},
    {"OneStatementLexeme", "?turn\r\n",
     "\n\n~Error: Syntax :: Line 2 --> lexems are over. ~ '?turn' :: -550"},
};
INSTANTIATE_TEST_SUITE_P(Limits, SyntaxShortScript, ::testing::ValuesIn(kShortScripts),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
