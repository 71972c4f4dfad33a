// Tests of the tournament's pieces: its command line, result files, standings and progress line.
#include "match/league/tournament.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "match/outcome/game_result.h"
#include "match/league/leaderboard.h"
#include "match/options.h"
#include "match/league/progress.h"
#include "match/web/report.h"

namespace match {
namespace {

TEST(TournamentOptions, ModesAndTheirMistakes) {
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const Case cases[] = {
        {{"--tournament", "--table", "3", "--rounds", "4", "a", "b", "c"}, ""},
        {{"--report", "out/t"}, ""},
        {{"--result", "r.json", "a", "b"}, ""},
        {{"--tournament", "--out", "d", "--plan", "p", "a", "b"}, ""},
        {{"--tournament", "a"}, "a tournament needs at least two scripts"},
        {{"--tournament", "--table", "3", "a", "b"},
         "--table 3 needs at least that many scripts (there are 2)"},
        {{"--tournament", "--table", "1", "a", "b"},
         "--table needs a whole number from 2 to 101, not '1'"},
        {{"--table", "2", "a", "b"}, "--table, --rounds and --plan need --tournament"},
        {{"--rounds", "3", "a", "b"}, "--table, --rounds and --plan need --tournament"},
        {{"--check", "--report", "d"},
         "--check plays nothing: it does not go with --tournament, --report or --result"},
        {{"--tournament", "--plan", "p", "a", "b"},
         "--plan needs --out DIR (where the games write their results)"},
        {{"--tournament", "--games", "3", "a", "b"},
         "--games does not go with --tournament (use --rounds)"},
        {{"--report", "d", "a"}, "--report DIR takes no scripts and no other mode"},
        {{"--result", "r.json", "--games", "2", "a"},
         "--result plays one game: no --tournament or --games"},
    };
    for (const Case& c : cases) {
        MatchOptions o;
        EXPECT_EQ(ParseOptions(c.args, o), c.error) << c.args.front();
    }
}

TEST(TournamentOptions, ShellQuotingKeepsEveryCharacter) {
    EXPECT_EQ(ShellQuote("out/game-0001/result.json"), "out/game-0001/result.json");
    EXPECT_EQ(ShellQuote("my robot's.robot"), "'my robot'\\''s.robot'");
    EXPECT_EQ(ShellQuote(""), "''");
    EXPECT_EQ(ShellQuote("$(rm x);`y`"), "'$(rm x);`y`'");
}

// A game folder with a server log (refused orders, one player out with a reason, one without)
// and robot logs, as a real game leaves them.
class GameResultFiles : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "tournament_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        std::ofstream(dir_ + "/game.jsonl")
            << R"({"event":"start","game":1,"seed":9,"max_turns":5,"players":["a","b","c"]})"
               "\n"
            << R"({"event":"turn","game":1,"turn":1,"orders":[],"refused":[{"player":"b","order":"buy 1 1","reason":"low"},{"player":"b","order":"x","reason":"y"}],"players":[]})"
               "\n"
            << R"({"event":"end","game":1,"turn":5,"reason":"turn_limit","winner":"c","players":[)"
            << R"({"name":"a","money":-300,"out":true,"out_turn":2},)"
            << R"({"name":"b","money":500,"out":true,"out_turn":3,"out_reason":"disconnected"},)"
            << R"({"name":"c","money":900,"out":false,"out_turn":null}]})"
               "\n";
        std::ofstream(dir_ + "/robot-a.log")
            << "~Game: Turn [1]\n\n~Error: Division by zero :: 12\n~Error: again :: 3\n";
        setup_.scripts = {"s/a.robot", "s/b.robot", "s/c.robot"};
        setup_.names = {"a", "b", "c"};
        setup_.seed = 9;
        setup_.turns = 5;
        setup_.out_dir = dir_;
        std::ifstream log(dir_ + "/game.jsonl");
        outcome_.record = ReadGameLog(log);
        outcome_.ok = true;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string dir_;
    GameSetup setup_;
    GameOutcome outcome_;
};

TEST_F(GameResultFiles, ResultTellsPlacesReasonsRefusalsAndErrors) {
    GameResult r = MakeGameResult(setup_, outcome_);
    ASSERT_EQ(r.players.size(), 3u);
    const PlayerOutcome &a = r.players[0], &b = r.players[1], &c = r.players[2];
    EXPECT_EQ(std::make_tuple(a.place, b.place, c.place), std::make_tuple(3, 2, 1));
    EXPECT_TRUE(c.won);
    EXPECT_TRUE(a.bankrupt) << "out with a debt and no reason given";
    EXPECT_FALSE(b.bankrupt) << "out for another reason";
    EXPECT_EQ(b.out_reason, "disconnected");
    EXPECT_EQ(std::make_tuple(a.refused, b.refused, c.refused), std::make_tuple(0, 2, 0));
    EXPECT_EQ(std::make_tuple(a.runtime_errors, b.runtime_errors), std::make_tuple(2, 0));
    EXPECT_EQ(a.script, "s/a.robot");
}

TEST_F(GameResultFiles, ResultFileReadsBackTheSame) {
    GameResult r = MakeGameResult(setup_, outcome_);
    r.seed = 18446744073709551615u;
    ASSERT_EQ(WriteGameResult(r, dir_ + "/result.json"), "");
    std::optional<std::string> text = ReadTextFile(dir_ + "/result.json");
    ASSERT_TRUE(text);
    std::optional<GameResult> back = ParseGameResult(*text);
    ASSERT_TRUE(back);
    EXPECT_EQ(GameResultJson(*back), *text);
    EXPECT_EQ(back->seed, r.seed);
    EXPECT_FALSE(ParseGameResult("{\"players\":[]}"));
    EXPECT_FALSE(ParseGameResult("{\"match_result\":1,"));
}

// Three scripts, two games; the second game's result is missing.
class Standing : public testing::Test {
protected:
    Standing() {
        roster_.scripts = {"x", "y", "z"};
        roster_.seed = 5;
        roster_.turns = 10;
        roster_.table = 3;
        roster_.rounds = 2;
        roster_.games = {{1, 1, 5, {0, 1, 2}}, {2, 2, 6, {2, 0, 1}}};
    }

    GameResult Played(std::uint64_t seed, std::vector<std::string> scripts,
                      std::vector<int> places) {
        GameResult r;
        r.seed = seed;
        for (size_t i = 0; i < scripts.size(); ++i) {
            PlayerOutcome p;
            p.script = scripts[i];
            p.place = places[i];
            p.won = places[i] == 1;
            p.money = 100 * (4 - places[i]);
            p.bankrupt = places[i] == 3;
            r.players.push_back(p);
        }
        return r;
    }

    TournamentRoster roster_;
};

TEST_F(Standing, MissingAndForeignGamesAreLeftOut) {
    Standings s = ComputeStandings(roster_, {Played(5, {"x", "y", "z"}, {2, 1, 3}), std::nullopt});
    EXPECT_EQ(s.games_played, 1);
    EXPECT_EQ(s.games_total, 2);
    ASSERT_EQ(s.history.size(), 3u) << "start and two rounds";
    EXPECT_EQ(s.board[0].script, "y");
    EXPECT_EQ(s.board[2].script, "z");
    EXPECT_EQ(s.board[2].bankruptcies, 1);
    EXPECT_EQ(s.ahead[0][2], 1);  // x ahead of z
    EXPECT_EQ(s.ahead[2][0], 0);
    EXPECT_EQ(s.together[0][2], 1);
    Standings foreign = ComputeStandings(
        roster_, {Played(5, {"x", "z", "y"}, {2, 1, 3}), Played(7, {"z", "x", "y"}, {1, 2, 3})});
    EXPECT_EQ(foreign.games_played, 0) << "wrong seats, then wrong seed";
}

TEST_F(Standing, TotalsAndTablesOverTwoGames) {
    Standings s = ComputeStandings(
        roster_, {Played(5, {"x", "y", "z"}, {1, 2, 3}), Played(6, {"z", "x", "y"}, {3, 1, 2})});
    const EntryStanding& x = s.board[0];
    EXPECT_EQ(x.script, "x");
    EXPECT_EQ(std::make_tuple(x.games, x.wins, x.MeanPlace(), x.MeanMoney()),
              std::make_tuple(2, 2, 1.0, 300.0));
    EXPECT_GT(x.rating.mu, s.board[1].rating.mu);
    EXPECT_EQ(s.ahead[0][1], 2);
    std::string table = FormatHeadToHead(s);
    EXPECT_NE(table.find("#2 y      0/2    -  2/2\n"), std::string::npos) << table;
    std::string json = StandingsJson(roster_, s);
    EXPECT_NE(json.find("{\"rank\":1,\"name\":\"x\",\"script\":\"x\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"games_played\":2"), std::string::npos);
}

// Rows are named as a match names its robots: by file name, a repeat with "-2".
TEST_F(Standing, ScriptEnteredTwiceGetsRowsThatCanBeToldApart) {
    roster_.scripts = {"s/x.robot", "s/x.robot", "z"};
    Standings s = ComputeStandings(
        roster_, {Played(5, {"s/x.robot", "s/x.robot", "z"}, {2, 1, 3}), std::nullopt});
    EXPECT_EQ(std::make_tuple(s.board[0].name, s.board[1].name), std::make_tuple("x-2", "x"));
    EXPECT_NE(FormatLeaderboard(s).find("\n   1  x-2 "), std::string::npos) << FormatLeaderboard(s);
    EXPECT_NE(FormatHeadToHead(s).find("\n#1 x-2 "), std::string::npos) << FormatHeadToHead(s);
    EXPECT_NE(StandingsJson(roster_, s).find("\"opponent\":\"x-2\""), std::string::npos);
}

TEST_F(Standing, ReportIsOnePageThatLinksEveryPlayedGame) {
    std::vector<std::optional<GameResult>> results = {Played(5, {"x", "y", "z"}, {1, 2, 3}),
                                                      std::nullopt};
    roster_.scripts[0] = "<b>&x";
    results[0]->players[0].script = roster_.scripts[0];
    std::string page = RenderTournamentReport(roster_, ComputeStandings(roster_, results), results);
    EXPECT_NE(page.find("<a href=\"game-0001/replay.html\">"), std::string::npos);
    EXPECT_EQ(page.find("game-0002/replay.html"), std::string::npos) << "not played";
    EXPECT_NE(page.find("1 of 2 games played (1 missing)"), std::string::npos);
    EXPECT_NE(page.find("&nbsp;_b_x</td>"), std::string::npos) << "named as its robot";
    EXPECT_EQ(page.find("<b>&x"), std::string::npos);
    EXPECT_NE(page.find("<polyline"), std::string::npos);
    for (const char* external : {"<script", "<link", "src=", "@import", "url("})
        EXPECT_EQ(page.find(external), std::string::npos) << external;
}

TEST(TournamentFile, ReadsBackAndRefusesBadSeats) {
    TournamentRoster roster;
    roster.seed = 18446744073709551615u;
    roster.turns = 7;
    roster.table = 2;
    roster.rounds = 1;
    roster.scripts = {"a b", "c\"d"};
    roster.games = {{1, 1, 18446744073709551615u, {1, 0}}};
    std::optional<TournamentRoster> back = ParseTournament(TournamentJson(roster));
    ASSERT_TRUE(back);
    EXPECT_EQ(TournamentJson(*back), TournamentJson(roster));
    std::string bad = TournamentJson(roster);
    bad.replace(bad.find("[1,0]"), 5, "[1,2]");
    std::string error;
    EXPECT_FALSE(ParseTournament(bad, &error));
    EXPECT_EQ(error, "game 1 names an unknown script");
}

TEST(Progress, CountsRateAndTimeLeft) {
    EXPECT_EQ(FormatProgress(0, 40, 0), "0/40 games (0%)");
    EXPECT_EQ(FormatProgress(12, 40, 4), "12/40 games (30%), 3.0 games/s, about 9 s left");
    EXPECT_EQ(FormatProgress(40, 40, 2), "40/40 games (100%), 20 games/s");
    EXPECT_EQ(FormatDuration(185), "3 min 5 s");
    EXPECT_EQ(FormatDuration(7800), "2 h 10 min");
}

TEST(Progress, PlainLinesOffATerminalOneRewrittenLineOnIt) {
    std::ostringstream plain, terminal;
    Progress p(plain, false, 2), t(terminal, true, 2);
    p.GameDone("game 1");
    t.GameDone("game 1");
    t.GameDone("game 2");
    t.Finish();
    EXPECT_EQ(plain.str().rfind("game 1; 1/2 games (50%)", 0), 0u) << plain.str();
    EXPECT_EQ(terminal.str().find('\n'), terminal.str().size() - 1) << "one line, ended once";
    EXPECT_NE(terminal.str().find("\r2/2 games (100%)"), std::string::npos);
}

}  // namespace
}  // namespace match
