// Tests of the syntax error reports (message, line and lexeme) and of the recovery after them.
#include <gtest/gtest.h>

#include "lang/syn.h"
#include "syntax_fixture.h"

namespace {

// The console text of one syntax report.
std::string Report(int line, const std::string& message, const std::string& lexeme) {
    return "\n\n~Error: Syntax :: Line " + std::to_string(line) + " --> " + message + "~ '" +
           lexeme + "' :: -550";
}

struct ErrorCase {
    const char* name;
    std::string script;
    std::string output;
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }

class SyntaxErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(SyntaxErrors, ReportsMessageWithLineAndLexeme) {
    CompiledScript compiled(GetParam().script);
    EXPECT_FALSE(compiled.Passed());
    EXPECT_EQ(compiled.Output(), GetParam().output);
}

const ErrorCase kMessages[] = {
    {"NotMatchStatement", CrLf({"{", " 5 ;", "}"}), Report(2, "Not match statement. ", "5")},
    {"MissedBrace", CrLf({"{", "$x := 1", "$y := 2", "}"}), Report(3, "Missed '}'. ", "$y")},
    {"BlockRunsOutOfLexemes", CrLf({"{", "$x := 1 ;"}),
     Report(3, "Lexems are over. May be missed '}'. ", ";")},
    {"LexemesRunOut", CrLf({"$x := "}), Report(1, "lexems are over. ", ":=")},
    {"ExpectAssign", CrLf({"{", "", "", "$x 5;", "}"}), Report(4, "Expect ':='. ", "5")},
    {"MissedBracketInArray", CrLf({"{", "$a[1 ; ", "}"}),
     Report(2, "Missed ']' in array. ", ";")},
    {"GotoNeedsLabel", CrLf({"{", "goto loop ;", "}"}),
     Report(2, "Goto parameter is incorrect. ", "loop")},
    {"MissedOpeningParenthesis", CrLf({"{", "if ; ", "}"}), Report(2, "Missed '('. ", ";")},
    {"MissedClosingParenthesisOfIf", CrLf({"{", "if (1 ; ", "}"}),
     Report(2, "Missed ')' in 'if' statement. ", ";")},
    {"DoubleElse", CrLf({"if (1) ?turn else else ?turn"}), Report(1, "Double 'else'. ", "else")},
    {"UnknownRobotFunction", CrLf({"{", "?jump ;", "}"}),
     Report(2, "Such robot function not found.", "?jump")},
    {"MacroIsNoStatement", CrLf({"{", "?macro ;", "}"}),
     Report(2, "Such robot function not found.", "?macro")},
    {"SellWithoutComma", CrLf({"{", "?sell 10 50 ;", "}"}),
     Report(2, "Missed ',' in function '?sell'. ", "50")},
    {"BuyWithoutComma", CrLf({"{", "?buy 10 50 ;", "}"}),
     Report(2, "Missed ',' in function '?buy'. ", "50")},
    {"PrintWithoutString", CrLf({"{", "?print 5 ;", "}"}),
     Report(2, "String in '?print' missed. ", "5")},
    {"StringAsOperand", CrLf({"{", "$x := \"s\" ;", "}"}),
     Report(2, "Using wrong operand in expression. ", "\"s\"")},
    {"MissedClosingParenthesis", CrLf({"{", "$x := (1 ; ", "}"}), Report(2, "Missed ')'. ", ";")},
    {"MissedMacroName", CrLf({"{", "$x := ?macro 5 ;", "}"}),
     Report(2, "Missed macros name. ", "5")},
    {"WrongOperand", CrLf({"{", "$x := ; ", "}"}),
     Report(2, "Not match expression, wrong operand. ", ";")},
    {"MissedBracketInGameData", CrLf({"{", "$x := .players[1 ; ", "}"}),
     Report(2, "Missed ']' in array (robot_data). ", ";")},
    {"GameDataIndexWithoutField", CrLf({"{", "$x := .players[1] ;", "}"}),
     Report(2, "An Inadmissible robodata.", "]")},
    {"SecondComparisonEndsExpression", CrLf({"{", "$r := 1 < 2 < 3 ;", "}"}),
     Report(2, "Missed '}'. ", "<")},
};
INSTANTIATE_TEST_SUITE_P(Messages, SyntaxErrors, ::testing::ValuesIn(kMessages),
                         [](const auto& info) { return std::string(info.param.name); });

// An error ends the statement in progress; the block goes on with the next statement, and a
// separator out of place is reported until the lexemes line up again.
const ErrorCase kRecovery[] = {
    {"SellWithParenthesesFailsTwice", CrLf({"?sell(10, 50)"}),
     Report(1, "Missed ')'. ", ",") + Report(1, "Missed ',' in function '?sell'. ", "50")},
    {"SeparatorTakenByFailedOperand", CrLf({"{", "$x := 1 + ; $y := 2", "}"}),
     Report(2, "Not match expression, wrong operand. ", ";") + Report(2, "Missed '}'. ", "$y")},
    {"MisplacedLexemesReportedUntilAligned", CrLf({"{", "$a[1 := 2 ;", "}"}),
     Report(2, "Missed ']' in array. ", ":=") + Report(2, "Missed '}'. ", "2")},
};
INSTANTIATE_TEST_SUITE_P(Recovery, SyntaxErrors, ::testing::ValuesIn(kRecovery),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SyntaxRecovery, BlockGoesOnAfterFailedStatement) {
    CompiledScript compiled(CrLf({"{", "$x := 1;", "$y 2;", "$z := 3", "}"}));
    EXPECT_FALSE(compiled.Passed());
    EXPECT_EQ(compiled.Output(), Report(3, "Expect ':='. ", "2"));
    EXPECT_EQ(compiled.Dump(), Numbered({"PolizConst<int> 1", "PolizFuncVarRead $x",
                                         "PolizConst<int> 3", "PolizFuncVarRead $z"}));
}

TEST(SyntaxRecovery, ExpressionIsFinishedAfterBadOperand) {
    CompiledScript compiled(CrLf({"{", "$x := 1 + \"s\";", "$y := 4", "}"}));
    EXPECT_EQ(compiled.Output(), Report(2, "Using wrong operand in expression. ", "\"s\""));
    // The operands read before the error stay, and the pending operators are still emitted.
    EXPECT_EQ(compiled.Dump(),
              Numbered({"PolizConst<int> 1", "PolizFuncPlus", "PolizFuncVarRead $x",
                        "PolizConst<int> 4", "PolizFuncVarRead $y"}));
}

TEST(SyntaxRecovery, LexemesOfAFailedLexicalAnalysisAreNoStatement) {
    CompiledScript compiled(CrLf({"{", "#x;", "$y := 1", "}"}));
    EXPECT_FALSE(compiled.Passed());
    EXPECT_EQ(compiled.Output(), Report(2, "Not match statement. ", "#x"));
    EXPECT_EQ(compiled.Dump(), Numbered({"PolizConst<int> 1", "PolizFuncVarRead $y"}));
}

TEST(SyntaxOperatorStack, FlushWithoutOpeningEntryRaisesBracketError) {
    CExecuter executer(nullptr, nullptr);
    CRun run(&executer);
    CSyntax syntax(nullptr, &run);
    try {
        syntax.StackToPOLIZ();
        ADD_FAILURE() << "no error raised";
    } catch (const char* message) {
        EXPECT_STREQ(message, " Poliz_Expression Bracks Error.");
    }
}

}  // namespace
