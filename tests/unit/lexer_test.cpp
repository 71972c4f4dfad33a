// Tests of the lexical analyser: input, every lexeme kind, failures, the listing.
#include "lang/lex.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A script written to a temporary file that is removed with the object.
class ScriptFile {
public:
    explicit ScriptFile(const std::string& text) {
        char name[] = "/tmp/lexer_testXXXXXX";
        int fd = mkstemp(name);
        path_ = name;
        if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
            ADD_FAILURE() << "cannot write " << path_;
        }
        if (fd >= 0) close(fd);
    }
    ~ScriptFile() { unlink(path_.c_str()); }
    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
};

const char* KindName(lxType id) {
    static const char* const names[] = {"error", "begin", "robotdata", "assign",
                                        "spacer", "int_const", "str_const", "var",
                                        "label", "func", "keyword"};
    return names[id];
}

// One line per lexeme: "kind 'text' line", with " not_ok" for a malformed one.
std::string Dump(const Lexeme* l) {
    std::string out;
    for (; l; l = l->Next()) {
        out += std::string(KindName(l->id)) + " '" + l->s + "' " + std::to_string(l->line);
        if (l->sign == lxCorrect::not_ok) out += " not_ok";
        out += "\n";
    }
    return out;
}

struct Lexed {
    bool passed;
    std::string dump;
    std::string listing;  // what -printlex shows
};

Lexed Analyse(CLexic& lexic) {
    bool passed = lexic.MakeAnalysis();
    testing::internal::CaptureStdout();
    lexic.Print();
    return {passed, Dump(lexic.GetBegin()), testing::internal::GetCapturedStdout()};
}

Lexed Lex(const std::string& text) {
    ScriptFile file(text);
    CLexic lexic(file.path());
    return Analyse(lexic);
}

Lexed LexFromMemory(const std::string& text) {
    CLexic lexic(text.data(), text.size(), CLexic::FromMemory{});
    return Analyse(lexic);
}

std::string Listing(const std::string& text) { return Lex(text).listing; }

struct LexCase {
    const char* name;
    std::string text;
    bool passed;
    const char* dump;
};

void PrintTo(const LexCase& c, std::ostream* os) { *os << c.name; }

class LexerCases : public testing::TestWithParam<LexCase> {};

TEST_P(LexerCases, GivesLexemes) {
    Lexed got = Lex(GetParam().text);
    EXPECT_EQ(got.dump, GetParam().dump);
    EXPECT_EQ(got.passed, GetParam().passed);
}

// Bytes in memory give what a file holding them gives: lexemes, verdict and listing.
TEST_P(LexerCases, ReadFromMemoryAsFromFile) {
    Lexed from_file = Lex(GetParam().text);
    Lexed from_memory = LexFromMemory(GetParam().text);
    EXPECT_EQ(from_memory.dump, from_file.dump);
    EXPECT_EQ(from_memory.passed, from_file.passed);
    EXPECT_EQ(from_memory.listing, from_file.listing);
}

const LexCase kWellFormed[] = {
    {"Assignment", "$a:=12;\n", true,
     "var '$a' 1\nassign ':=' 1\nint_const '12' 1\nspacer ';' 1\n"},
    {"AssignWithExtraEquals", ":==\n", true, "assign ':==' 1\n"},
    {"NumberThenWord", "12ab\n", true, "int_const '12' 1\nkeyword 'ab' 1\n"},
    {"WordThenNumber", "ab12\n", true, "keyword 'ab' 1\nint_const '12' 1\n"},
    {"UnderscoreIsLetter", "_a_b $x_1\n", true, "keyword '_a_b' 1\nvar '$x_1' 1\n"},
    {"RobotDataPath", ".players[1].money\n", true,
     "robotdata '.players' 1\nspacer '[' 1\nint_const '1' 1\nspacer ']' 1\n"
     "robotdata '.money' 1\n"},
    {"StringKeepsQuotes", "\"abc\"\n", true, "str_const '\"abc\"' 1\n"},
    {"StringKeepsWhiteSpace", "\"a b\tc\"x\n", true,
     "str_const '\"a b\tc\"' 1\nkeyword 'x' 1\n"},
    {"LabelAndFunction", "@end ?buy\n", true, "label '@end' 1\nfunc '?buy' 1\n"},
    {"EverySeparatorAlone", "+-*/%()|[]<>={},&;!\n", true,
     "spacer '+' 1\nspacer '-' 1\nspacer '*' 1\nspacer '/' 1\nspacer '%' 1\nspacer '(' 1\n"
     "spacer ')' 1\nspacer '|' 1\nspacer '[' 1\nspacer ']' 1\nspacer '<' 1\nspacer '>' 1\n"
     "spacer '=' 1\nspacer '{' 1\nspacer '}' 1\nspacer ',' 1\nspacer '&' 1\nspacer ';' 1\n"
     "spacer '!' 1\n"},
    {"LessOrEqualIsTwoSpacers", "<=\n", true, "spacer '<' 1\nspacer '=' 1\n"},
    {"LastLexemeEndedByEndOfFile", "a b", true, "keyword 'a' 1\nkeyword 'b' 1\n"},
    {"AssignEndedByEndOfFile", "x :=", true, "keyword 'x' 1\nassign ':=' 1\n"},
    {"EmptyFile", "", true, ""},
    {"WhiteSpaceOnly", " \t\r\n\n", true, ""},
    {"OneLexemeWithLineEnd", "x\n", true, "keyword 'x' 1\n"},
    // Lexemes on both sides of 64 KB, the size of one read of a file.
    {"LexemesAroundSixtyFourKilobytes", std::string(65533, ' ') + "ab;cd;\n", true,
     "keyword 'ab' 1\nspacer ';' 1\nkeyword 'cd' 1\nspacer ';' 1\n"},
};
INSTANTIATE_TEST_SUITE_P(WellFormed, LexerCases, testing::ValuesIn(kWellFormed),
                         [](const testing::TestParamInfo<LexCase>& info) {
                             return std::string(info.param.name);
                         });

// Every malformed input of the failure table; the analysis reads on past each one.
const LexCase kMalformed[] = {
    {"UnknownCharacterTakesNext", "#(\n", false, "error '#(' 1\n"},
    {"UnknownCharacterBeforeSpace", "a # b\n", false,
     "keyword 'a' 1\nerror '#' 1\nkeyword 'b' 1\n"},
    {"UnknownCharacterAtEnd", "a #", false, "keyword 'a' 1\nerror '#' 1\n"},
    {"UnknownCharacterTakesQuote", "#\"x\n", false, "error '#\"' 1\nkeyword 'x' 1\n"},
    {"UnknownCharacterBeforeCarriageReturn", "a #\r\nb\n", false,
     "keyword 'a' 1\nerror '#' 2\nkeyword 'b' 2\n"},
    {"UnknownCharacterAloneInFile", "#", false,
     "begin '__begin~' -1\nerror '___error' 0 not_ok\n"},
    {"ByteFFEndsFile", "$a\xFF", false, "var '$a' 1\nerror '\xFF' 1\n"},
    {"PrefixAloneAtEnd", "x $", false, "keyword 'x' 1\nvar '$' 1 not_ok\n"},
    {"ColonWithoutEquals", ":x\n", false, "error ':' 1\nkeyword 'x' 1\n"},
    {"UnclosedString", "x \"ab\r\ncd", false, "keyword 'x' 1\nerror '\"ab\r\ncd' 2\n"},
    {"LoneQuoteAtEnd", "x \"", false, "keyword 'x' 1\nerror '\"' 1\n"},
    {"PrefixesAlone", ". $ @ ?\n", false,
     "robotdata '.' 1 not_ok\nvar '$' 1 not_ok\nlabel '@' 1 not_ok\nfunc '?' 1 not_ok\n"},
    {"ByteFFIsOrdinary", "a \xFF b\n", false, "keyword 'a' 1\nerror '\xFF' 1\nkeyword 'b' 1\n"},
    {"ByteFFInsideString", "\"\xFF\" x\n", true, "str_const '\"\xFF\"' 1\nkeyword 'x' 1\n"},
    {"EndOfFileInFirstLexeme", "x", false, "begin '__begin~' -1\nerror '___error' 0 not_ok\n"},
    {"EndOfFileInFirstString", "\"abc", false,
     "begin '__begin~' -1\nerror '___error' 0 not_ok\n"},
    {"NulByteEndsTheText", std::string("a \0b \"c\0d\" e\n", 13), false,
     "keyword 'a' 1\nerror '' 1\nstr_const '\"c' 1\nkeyword 'e' 1\n"},
};
INSTANTIATE_TEST_SUITE_P(Malformed, LexerCases, testing::ValuesIn(kMalformed),
                         [](const testing::TestParamInfo<LexCase>& info) {
                             return std::string(info.param.name);
                         });

// Lines are counted on carriage returns; a lexeme ended by one carries the next number.
const LexCase kLines[] = {
    {"CrLfLines", "$x := 1;\r\n$y := 2;\r\n", true,
     "var '$x' 1\nassign ':=' 1\nint_const '1' 1\nspacer ';' 2\n"
     "var '$y' 2\nassign ':=' 2\nint_const '2' 2\nspacer ';' 3\n"},
    {"NumbersEndedByCarriageReturns", "12\r34\r", true, "int_const '12' 2\nint_const '34' 3\n"},
    {"LineFeedsDoNotCount", "a\nb\nc\n", true, "keyword 'a' 1\nkeyword 'b' 1\nkeyword 'c' 1\n"},
    {"CarriageReturnInsideString", "\"a\r\nb\" x\r\n", true,
     "str_const '\"a\r\nb\"' 2\nkeyword 'x' 3\n"},
};
INSTANTIATE_TEST_SUITE_P(Lines, LexerCases, testing::ValuesIn(kLines),
                         [](const testing::TestParamInfo<LexCase>& info) {
                             return std::string(info.param.name);
                         });

const std::string kRule = "-------------------------------------------------\n";

}  // namespace

TEST(CharacterClass, Helpers) {
    EXPECT_TRUE(IsStr('b', "abc"));
    EXPECT_FALSE(IsStr('\0', "abc"));
    EXPECT_FALSE(IsStr('d', "abc"));
    EXPECT_TRUE(IsDigit('0') && IsDigit('9') && !IsDigit('a') && !IsDigit(-1));
    EXPECT_TRUE(IsLetter('A') && IsLetter('z') && IsLetter('_') && !IsLetter('1'));
    EXPECT_FALSE(IsLetter(0xE9));
    EXPECT_TRUE(IsSpacer('!') && IsSpacer('|') && !IsSpacer(':') && !IsSpacer('.'));
    EXPECT_FALSE(IsSpacer(0) || IsSpacer(-1) || IsSpacer(0xFF));
}

TEST(Lexer, UnopenedFileRefusedEndsProcess) {
    EXPECT_EXIT(
        {
            if (!std::freopen("/dev/null", "r", stdin)) std::abort();
            CLexic lexic("/nonexistent/dir/script.robot");
            std::exit(0);
        },
        testing::ExitedWithCode(-511 & 0xFF), "");
}

TEST(Lexer, UnopenedFileAcceptedReadsAsEmpty) {
    ScriptFile answers("y\n");  // made here: the child ends with exit(), skipping destructors
    EXPECT_EXIT(
        {
            if (!std::freopen(answers.path(), "r", stdin)) std::abort();
            std::fflush(stdout);
            CLexic lexic("/nonexistent/dir/script.robot");
            bool empty_and_passed = lexic.MakeAnalysis() && lexic.GetBegin() == nullptr;
            std::exit(empty_and_passed ? 5 : 6);
        },
        testing::ExitedWithCode(5), "");
}

TEST(Lexer, MillionLexemeListIsReleasedWithoutDeepRecursion) {
    const std::string text(1000000, ';');
    long count = 0;
    {
        CLexic lexic(text.data(), text.size(), CLexic::FromMemory{});
        EXPECT_TRUE(lexic.MakeAnalysis());
        for (const Lexeme* l = lexic.GetBegin(); l; l = l->Next()) ++count;
    }
    EXPECT_EQ(count, 1000000);
}

// The store hands out records one after another and never past what was reserved.
TEST(LexemeStore, ListEndsAtItsLastRecordAndRefusesMoreThanReserved) {
    CLexemeStore store;
    store.ReserveLexemes(2);
    Lexeme* first = store.NewLexeme();
    first->s = store.KeepText("a", 1);
    EXPECT_EQ(first->Next(), nullptr);
    Lexeme* second = store.NewLexeme();
    second->s = store.KeepText("b", 1);
    EXPECT_EQ(first->Next(), second);
    EXPECT_EQ(second->Next(), nullptr);
    EXPECT_THROW(store.NewLexeme(), std::length_error);
}

// Far past the store's largest blocks, whose unused ends are given back after the analysis.
TEST(Lexer, LargeScriptKeepsEveryLexeme) {
    constexpr int kStatements = 100000;  // over 2 MB of texts and far more of records
    std::string text;
    std::string expected;
    for (int line = 1; line <= kStatements; ++line) {
        text += "$variable_1 := 2222;\r";
        const std::string at = std::to_string(line);
        expected += "var '$variable_1' " + at + "\nassign ':=' " + at + "\nint_const '2222' " +
                    at + "\nspacer ';' " + std::to_string(line + 1) + "\n";
    }
    CLexic lexic(text.data(), text.size(), CLexic::FromMemory{});
    EXPECT_TRUE(lexic.MakeAnalysis());
    EXPECT_EQ(Dump(lexic.GetBegin()), expected);
}

TEST(Lexer, LongLexemeIsKept) {
    std::string digits(200000, '7');
    Lexed got = Lex(digits + "\n");
    EXPECT_TRUE(got.passed);
    EXPECT_EQ(got.dump, "int_const '" + digits + "' 1\n");
}

TEST(LexerListing, PrintsEveryLexemeWithKindAndMark) {
    EXPECT_EQ(Listing("$a := \"s\";\r\n$\r\n"),
              kRule + " Line    ::  1\t\tType    ::  _var\n Lexeme:  '$a'\n" +
              kRule + " Line    ::  1\t\tType    ::  _assign\n Lexeme:  ':='\n" +
              kRule + " Line    ::  1\t\tType    ::  _str_const\n Lexeme:  '\"s\"'\n" +
              kRule + " Line    ::  2\t\tType    ::  _spacer\n Lexeme:  ';'\n" +
              kRule + " Line    ::  3\t\tType    ::  _var\n Lexeme:  '$'\n" +
              "\n\t\t:: [not_ok] \n");
}

TEST(LexerListing, EarlyStopShowsHeadAndUnfinishedLexeme) {
    EXPECT_EQ(Listing("abc"),
              kRule + " Line    ::  -1\t\tType    ::  _\n Lexeme:  '__begin~'\n" +
              kRule + " Line    ::  0\t\tType    ::  _error\n Lexeme:  '___error'\n" +
              "\n\t\t:: [not_ok] \n");
}

TEST(LexerListing, EmptyScriptPrintsNothing) { EXPECT_EQ(Listing(" \r\n"), ""); }
