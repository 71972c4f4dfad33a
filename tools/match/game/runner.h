// Plays one game: a private server, one robot per script joining in order, then the game's log.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "match/game/address.h"
#include "match/outcome/ending.h"
#include "match/game/log.h"
#include "match/options.h"

namespace match {

// What one game needs to know.
struct GameSetup {
    std::vector<std::string> scripts;
    std::vector<std::string> names;  // one per script, all different
    std::string robot_program;
    std::string server_program;
    std::uint64_t seed = 0;
    int turns = kDefaultTurns;
    int turn_timeout_s = kDefaultTurnTimeoutS;
    int time_limit_s = 180;  // the whole game, from the server's start to its end
    std::string out_dir;     // exists; receives server.log, game.jsonl, robot-NAME.log, money.svg, replay.html
    AddressPool* addresses = nullptr;
    OnError on_error = OnError::kStop;
};

// How one game went.
struct GameOutcome {
    bool ok = false;
    std::string error;               // why the game could not be played
    bool time_limit_reached = false;  // the match stopped the robots at the game's time limit
    std::string address;             // where its server listened
    GameRecord record;
    std::string chart_path;          // empty when no chart was written
    std::string replay_path;         // empty when no replay page was written
    std::vector<std::string> notes;  // robots that failed or had to be stopped, with their logs
    std::map<std::string, RobotEnding> endings;              // per player name
    std::map<std::string, std::vector<ErrorReport>> reports;  // per player name, from its log
};

// The file in the game's folder that keeps a robot's console output.
std::string RobotLogName(const std::string& name);
// The file in the game's folder where the robot notes the script line of each runtime error.
std::string RobotErrorLinesName(const std::string& name);

constexpr auto kStartTimeout = std::chrono::seconds(15);  // for the server's "listening on" and each robot's join
constexpr auto kLeaveGrace = std::chrono::seconds(1);     // for a robot to leave by itself once its game is over
constexpr char kServerStateDir[] = "server-state";  // the server's --state-dir, in the match folder
constexpr auto kStopGrace = std::chrono::seconds(2);      // between SIGTERM and SIGKILL
constexpr auto kExitGrace = std::chrono::seconds(5);      // for the server to end a game after robots were killed
constexpr int kServerStartAttempts = 4;                    // addresses tried when a server cannot listen

GameOutcome RunGame(const GameSetup& setup);

// The last `count` lines of a text file, for error messages that point into a log.
std::string LastLines(const std::string& path, int count);

}  // namespace match
