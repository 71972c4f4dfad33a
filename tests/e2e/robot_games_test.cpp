// Robots running the example scripts play whole games on the game server: each robot's console
// shows the markets and its own state as the server's log records them, and exactly one robot
// wins, the one the log names.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "background_program.h"
#include "scratch_dir.h"

namespace {

constexpr std::chrono::seconds kWait{120};  // generous: sanitizer builds on a busy machine
const std::string kPort = "4774";
const std::string kLost = " looser! :'-( \n";
const std::string kWon = " won! :-) \n";

// The four numbers of a market, or a player's holdings: compared as wholes.
using Numbers = std::vector<long>;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Holdings of the players listed in one turn, by name.
using Listing = std::map<std::string, Numbers>;

// What one robot's console shows of its game: the market and the listed players with their
// holdings at the start of each turn, and the turns it saw end.
struct RobotView {
    std::vector<Numbers> markets;
    std::vector<Listing> listed;
    int turns = 0;
};

RobotView ReadConsole(const std::string& out) {
    RobotView view;
    const std::vector<std::string> lines = Lines(out);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        long a, b, c, d, e;
        char name[256];
        const char* next = lines[i + 1].c_str();
        if (std::sscanf(lines[i].c_str(), "~Game: ~Market: raw = %ld, min price = %ld;", &a, &b) ==
                2 &&
            std::sscanf(next, "~Game: ~Market: prod = %ld, max price = %ld.", &c, &d) == 2) {
            view.markets.push_back({a, b, c, d});
            view.listed.emplace_back();
        }
        if (!view.listed.empty() &&
            std::sscanf(lines[i].c_str(), "~Game: ~Info: %255s :  raw  = %ld, prod  = %ld;", name,
                        &a, &b) == 3 &&
            std::sscanf(next, "~Game: ~Info: %*s : money = %ld; plants [%ld_%ld].", &c, &d, &e) ==
                3)
            view.listed.back()[name] = {a, b, c, d, e};
        if (lines[i].rfind("~Game: Turn [", 0) == 0) ++view.turns;
    }
    return view;
}

constexpr std::size_t kMoney = 2;  // place of the money among a player's holdings

Listing WithoutOthersMoney(Listing listing, const std::string& name) {
    for (auto& [player, holdings] : listing)
        if (player != name) holdings.at(kMoney) = 0;
    return listing;
}

// What the server's log says of one game: the market of each turn, the players still in after
// each turn with their holdings (raw, prod, money, fabrics, auto plants), and the end.
struct GameRecord {
    std::vector<std::string> players;  // in join order
    std::vector<Numbers> markets;
    std::vector<Listing> in_after;
    int end_turn = -1;
    std::string winner;                   // "" when the end names none
    std::map<std::string, int> out_turn;  // -1: still in at the end
};

GameRecord ReadLog(const std::string& log, int game) {
    static const std::regex market(
        R"re("market":\{"mood":\d+,"raw":(\d+),"min_raw_price":(\d+),"prod":(\d+),"max_prod_price":(\d+)\})re");
    static const std::regex player(
        R"re(\{"name":"([^"]+)","money":(-?\d+),"raw":(\d+),"prod":(\d+),"fabrics":(\d+),"auto_plants":(\d+),"out":(true|false))re");
    static const std::regex end(R"re("turn":(\d+),"reason":"\w+","winner":(null|"[^"]*"))re");
    static const std::regex out(R"re(\{"name":"([^"]+)",[^}]*"out_turn":(\d+|null)[,}])re");
    GameRecord record;
    const std::string own_game = "\"game\":" + std::to_string(game) + ",";
    std::smatch m;
    for (const std::string& line : Lines(log)) {
        if (line.find(own_game) == std::string::npos) continue;
        if (line.rfind("{\"event\":\"turn\"", 0) == 0 && std::regex_search(line, m, market)) {
            record.markets.push_back(
                {std::stol(m[1]), std::stol(m[2]), std::stol(m[3]), std::stol(m[4])});
            record.in_after.emplace_back();
            for (std::sregex_iterator p(line.begin(), line.end(), player), last; p != last; ++p) {
                if (record.markets.size() == 1) record.players.push_back((*p)[1]);
                if ((*p)[7] == "false")
                    record.in_after.back()[(*p)[1]] = {std::stol((*p)[3]), std::stol((*p)[4]),
                                                       std::stol((*p)[2]), std::stol((*p)[5]),
                                                       std::stol((*p)[6])};
            }
        }
        if (line.rfind("{\"event\":\"end\"", 0) == 0 && std::regex_search(line, m, end)) {
            record.end_turn = std::stoi(m[1]);
            record.winner = m[2] == "null" ? "" : m[2].str().substr(1, m[2].length() - 2);
            for (std::sregex_iterator p(line.begin(), line.end(), out), last; p != last; ++p)
                record.out_turn[(*p)[1]] = (*p)[2] == "null" ? -1 : std::stoi((*p)[2]);
        }
    }
    return record;
}

// A robot program playing one example script under a name.
struct Robot {
    std::string name;
    std::unique_ptr<BackgroundProgram> program;
    std::string out_path;
};

// A game server on this test's own address, and robots playing on it.
class RobotsOnGameserver : public ::testing::Test {
protected:
    void TearDown() override {
        for (Robot& robot : robots_) {
            robot.program.reset();
            std::remove(robot.out_path.c_str());
        }
        server_.reset();
    }

    void StartServer(const std::string& host, int seed) {
        host_ = host;
        server_ = std::make_unique<BackgroundProgram>(
            GAMESERVER_BINARY,
            std::vector<std::string>{"--host", host, "--port", kPort, "--seed",
                                     std::to_string(seed), "--max-turns", "15", "--turn-timeout",
                                     "10", "--log", dir_ + "/server.jsonl", "--state-dir", dir_},
            "/dev/null");
        ASSERT_NE(AwaitServer("listening on " + host + ":" + kPort), "") << server_->Err();
    }
    // The server's next event line that begins with prefix ("" at a timeout or its end).
    std::string AwaitServer(const std::string& prefix) {
        return server_->AwaitErrLine(prefix, kWait);
    }
    void StartRobot(const std::string& script, const std::string& name,
                    const std::vector<std::string>& options = {}) {
        Robot robot{name, nullptr, dir_ + "/" + name + ".out"};
        std::vector<std::string> args = {
            std::string(PROJECT_SOURCE_DIR) + "/examples/" + script + ".robot", "-host", host_,
            "-name", name};
        args.insert(args.end(), options.begin(), options.end());
        robot.program = std::make_unique<BackgroundProgram>(ROBOT_BINARY, args, robot.out_path);
        robots_.push_back(std::move(robot));
    }
    // Waits for the robot to end; its console text, or "" when it did not end normally.
    std::string Finished(Robot& robot) {
        BackgroundProgram& program = *robot.program;
        if (!program.WaitExit(kWait)) {
            ADD_FAILURE() << robot.name << " did not end";
            return "";
        }
        EXPECT_TRUE(program.Exited()) << robot.name << ": signal " << program.TermSignal();
        EXPECT_EQ(program.ExitStatus(), 0) << robot.name;
        EXPECT_EQ(program.Err(), "") << robot.name;
        return ReadWholeFile(robot.out_path);
    }
    std::string Log() { return ReadWholeFile(dir_ + "/server.jsonl"); }

    // The robot's console agrees with the log: in each turn the same market and the same
    // players, those still in after the turn before, with their holdings; as many turns as
    // it played, and its result. Another player's money may already be lower: an upgrade or
    // a plant is paid for as soon as it is ordered, possibly before this robot asked.
    static void ExpectConsoleMatchesLog(const std::string& out, const std::string& name,
                                        const GameRecord& game) {
        SCOPED_TRACE(name);
        const RobotView view = ReadConsole(out);
        const bool won = game.winner == name;
        const int played = won ? game.end_turn : game.out_turn.at(name);
        EXPECT_EQ(view.turns, played);
        ASSERT_EQ(view.markets.size(), static_cast<std::size_t>(played));
        Listing at_start;
        for (const std::string& player : game.players) at_start[player] = {4, 2, 10000, 2, 0};
        for (int turn = 1; turn <= played; ++turn) {
            EXPECT_EQ(view.markets[turn - 1], game.markets.at(turn - 1)) << "turn " << turn;
            const Listing& before = turn == 1 ? at_start : game.in_after.at(turn - 2);
            EXPECT_EQ(WithoutOthersMoney(view.listed[turn - 1], name),
                      WithoutOthersMoney(before, name))
                << "turn " << turn;
        }
        const std::string result = "~Game: " + name + (won ? kWon : kLost);
        EXPECT_NE(out.find(result + "\n~Info: Closed connection.\n"), std::string::npos);
    }

    ScratchDir scratch_{"robot_games_e2e"};
    const std::string dir_ = scratch_.path();
    std::string host_;
    std::unique_ptr<BackgroundProgram> server_;
    std::vector<Robot> robots_;
};

// Example robots, the address of the server and the seed of a game that ends with a winner.
struct GameCase {
    const char* label;
    const char* host;
    int seed;
    std::vector<std::string> scripts;
};

void PrintTo(const GameCase& c, std::ostream* os) { *os << c.label; }

class RobotsPlayAGame : public RobotsOnGameserver,
                        public ::testing::WithParamInterface<GameCase> {};

// The first robot creates the game and waits for the others; each next one starts once the
// one before it is in, so the join order, and with the seed the whole game, is fixed.
TEST_P(RobotsPlayAGame, ToTheEndWithOneWinnerAsTheLogSays) {
    const GameCase& c = GetParam();
    StartServer(c.host, c.seed);
    const std::string others = std::to_string(c.scripts.size() - 1);
    for (const std::string& script : c.scripts) {
        const bool first = robots_.empty();
        StartRobot(script, script,
                   first ? std::vector<std::string>{"-wait", others} : std::vector<std::string>{});
        ASSERT_NE(
            AwaitServer(first ? "game 1 created by " + script : "game 1: " + script + " joined"),
            "")
            << server_->Err();
    }
    const std::string ended = AwaitServer("game 1 ended after ");
    ASSERT_NE(ended, "") << server_->Err();

    std::vector<std::string> outs;
    for (Robot& robot : robots_) outs.push_back(Finished(robot));
    const GameRecord game = ReadLog(Log(), 1);
    ASSERT_NE(game.winner, "") << ended;
    EXPECT_EQ(ended, "game 1 ended after " + std::to_string(game.end_turn) +
                         (game.end_turn == 1 ? " turn" : " turns") + ": winner " + game.winner);
    int winners = 0;
    for (std::size_t i = 0; i < robots_.size(); ++i) {
        winners += outs[i].find(kWon) != std::string::npos;
        EXPECT_NE(outs[i].find("~Info: The game is started.\n"), std::string::npos);
        ExpectConsoleMatchesLog(outs[i], robots_[i].name, game);
    }
    EXPECT_EQ(winners, 1);
}

INSTANTIATE_TEST_SUITE_P(
    ExampleRobots, RobotsPlayAGame,
    ::testing::Values(
        GameCase{"Two", "127.0.50.100", 1, {"careful", "builder"}},
        GameCase{"Four", "127.0.50.101", 2, {"careful", "builder", "undercutter", "minimal"}}),
    [](const auto& info) { return std::string(info.param.label); });

// A robot with "-inf" creates a game after each one ends; each game starts from nothing known.
// While it waits for a third opponent the server stops, and the robot ends on the lost
// connection with the console closed.
TEST_F(RobotsOnGameserver, InfiniteRobotPlaysTwoGamesInARow) {
    StartServer("127.0.50.102", 5);
    StartRobot("careful", "endless", {"-inf"});
    ASSERT_NE(AwaitServer("game 1 created by endless"), "") << server_->Err();
    StartRobot("minimal", "first");
    const std::string first_end = AwaitServer("game 1 ended after ");
    ASSERT_NE(AwaitServer("game 2 created by endless"), "") << server_->Err();
    StartRobot("builder", "second");
    const std::string second_end = AwaitServer("game 2 ended after ");
    ASSERT_NE(AwaitServer("game 3 created by endless"), "") << server_->Err();
    const std::string first_out = Finished(robots_[1]);
    const std::string second_out = Finished(robots_[2]);
    server_->Signal(SIGTERM);
    ASSERT_TRUE(server_->WaitExit(kWait));
    EXPECT_EQ(server_->ExitStatus(), 0);
    ASSERT_TRUE(robots_[0].program->WaitExit(kWait));
    EXPECT_EQ(robots_[0].program->ExitStatus(), static_cast<unsigned char>(-5));

    const std::string out = ReadWholeFile(robots_[0].out_path);
    const std::string playbot = "\n\n\n --- Playbot ---\n";
    std::vector<std::string> games;
    for (std::size_t at = out.find(playbot); at != std::string::npos;) {
        const std::size_t next = out.find(playbot, at + 1);
        games.push_back(out.substr(at, next == std::string::npos ? next : next - at));
        at = next;
    }
    ASSERT_EQ(games.size(), 3u) << out;
    const std::string log = Log();
    const GameRecord records[2] = {ReadLog(log, 1), ReadLog(log, 2)};
    const std::string ends[2] = {first_end, second_end};
    const std::string* opponents[2] = {&first_out, &second_out};
    for (int g = 0; g < 2; ++g) {
        SCOPED_TRACE("game " + std::to_string(g + 1));
        EXPECT_NE(games[g].find("~Info: endless has created the game #" + std::to_string(g + 1)),
                  std::string::npos);
        // One opponent known at the start of each game, none left over from the one before.
        EXPECT_NE(games[g].find("~Game: players quantity = 2; at the beginning = 2.\n"),
                  std::string::npos);
        EXPECT_NE(ends[g].find("winner " + records[g].winner), std::string::npos) << ends[g];
        ExpectConsoleMatchesLog(games[g], "endless", records[g]);
        ExpectConsoleMatchesLog(*opponents[g], robots_[g + 1].name, records[g]);
    }
    EXPECT_NE(games[2].find("~Info: endless waiting 1 gamers.\n\n\n~Error: Connection fault. :: "
                            "-5\n~Try to continue (may be errors)? [y/n]"),
              std::string::npos)
        << games[2];
}

}  // namespace
