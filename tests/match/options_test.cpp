// Tests of the match command line.
#include "match/options.h"

#include <gtest/gtest.h>

namespace match {
namespace {

std::string Parse(std::vector<std::string> args, MatchOptions& options) { return ParseOptions(args, options); }

TEST(Options, DefaultsMakeAShortSingleGame) {
    MatchOptions o;
    EXPECT_EQ(Parse({"a.robot", "b.robot"}, o), "");
    EXPECT_EQ(o.scripts, (std::vector<std::string>{"a.robot", "b.robot"}));
    EXPECT_FALSE(o.seed);
    EXPECT_EQ(o.turns, 30);
    EXPECT_EQ(o.games, 1);
    EXPECT_EQ(o.jobs, 1);
    EXPECT_EQ(GameTimeLimit(o), 30 + 5 * 30);
}

TEST(Options, ValuesInBothSpellings) {
    MatchOptions o;
    EXPECT_EQ(Parse({"--seed", "18446744073709551615", "--turns=12", "x.robot", "--turn-timeout", "0", "--games", "3",
                     "--jobs=2", "--out", "o/d", "--host-range", "127.0.40.1-127.0.40.9", "--time-limit", "9",
                     "--robot", "./r", "--server=./s", "--", "--odd.robot"},
                    o),
              "");
    EXPECT_EQ(o.seed, std::optional<std::uint64_t>(18446744073709551615u));
    EXPECT_EQ(o.turns, 12);
    EXPECT_EQ(o.turn_timeout_s, 0);
    EXPECT_EQ(o.games, 3);
    EXPECT_EQ(o.jobs, 2);
    EXPECT_EQ(o.out_dir, "o/d");
    EXPECT_EQ(o.host_range, "127.0.40.1-127.0.40.9");
    EXPECT_EQ(GameTimeLimit(o), 9);
    EXPECT_EQ(o.robot_program, "./r");
    EXPECT_EQ(o.server_program, "./s");
    EXPECT_EQ(o.scripts, (std::vector<std::string>{"x.robot", "--odd.robot"}));
}

TEST(Options, MistakesAreExplained) {
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const Case cases[] = {
        {{}, "no robot scripts given (see --help)"},
        {{"--turns"}, "--turns needs a value"},
        {{"a", "--turns", "0"}, "--turns needs a whole number from 1 to 100000, not '0'"},
        {{"a", "--turns=-3"}, "--turns needs a whole number from 1 to 100000, not '-3'"},
        {{"a", "--games", "x"}, "--games needs a whole number from 1 to 10000, not 'x'"},
        {{"a", "--jobs", "65"}, "--jobs needs a whole number from 1 to 64, not '65'"},
        {{"a", "--seed", "18446744073709551616"},
         "--seed needs a whole number from 0 to 18446744073709551615, not '18446744073709551616'"},
        {{"a", "--out="}, "--out needs a value"},
        {{"a", "--colour", "red"}, "unknown option '--colour' (see --help)"},
        {{"a", "-x"}, "unknown option '-x' (see --help)"},
        {{"a", "--on-error", "ask"}, "--on-error needs stop or continue, not 'ask'"},
        {{"a", "--host-range", "10.0.0.1-10.0.0.9"},
         "--host-range: '10.0.0.1-10.0.0.9' is not a loopback address or range (like 127.77.0.1-127.77.0.200)"},
        {{"a", "--host-range", "127.0.0.9-127.0.0.1"}, "--host-range: in '127.0.0.9-127.0.0.1' the first address comes after the last"},
        {{"a", "--host-range=127.0.0.1-"},
         "--host-range: '127.0.0.1-' is not a loopback address or range (like 127.77.0.1-127.77.0.200)"},
        {{"--lsp"}, ""},
        {{"--stdio", "--lsp"}, ""},
        {{"--lsp", "a"}, "--lsp takes no scripts and no other options"},
        {{"--lsp", "--check"}, "--lsp takes no scripts and no other options"},
        {{"--stdio", "a"}, "--stdio goes with --lsp"},
    };
    for (const Case& c : cases) {
        MatchOptions o;
        EXPECT_EQ(Parse(c.args, o), c.error);
    }
}

TEST(Options, OnErrorAnswersRuntimeErrorsOnly) {
    MatchOptions o;
    EXPECT_EQ(o.on_error, OnError::kStop);
    EXPECT_EQ(Parse({"--on-error=continue", "a"}, o), "");
    EXPECT_EQ(o.on_error, OnError::kContinue);
}

TEST(Options, HelpAndVersionNeedNoScripts) {
    MatchOptions o;
    EXPECT_EQ(Parse({"--version"}, o), "");
    EXPECT_TRUE(o.version);
    EXPECT_EQ(Parse({"--help"}, o), "");
    EXPECT_TRUE(o.help);
    EXPECT_NE(UsageText().find("--host-range"), std::string::npos);
}

// What the option library might read otherwise: a flag given "=true", the first of two
// mistakes, help among mistakes, and the last of a repeated value.
TEST(Options, LibraryReadsAsTheUserMeans) {
    MatchOptions o;
    EXPECT_EQ(Parse({"--check=true", "a"}, o), "");
    EXPECT_TRUE(o.check);
    EXPECT_EQ(Parse({"--turns", "0", "--games", "x", "a"}, o),
              "--turns needs a whole number from 1 to 100000, not '0'");
    MatchOptions h;
    EXPECT_EQ(Parse({"--help", "--colour"}, h), "");
    EXPECT_TRUE(h.help);
    MatchOptions r;
    EXPECT_EQ(Parse({"--turns", "5", "--turns", "7", "a"}, r), "");
    EXPECT_EQ(r.turns, 7);
}

}  // namespace
}  // namespace match
