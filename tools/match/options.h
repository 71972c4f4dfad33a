// The match command line: scripts, seeds, limits, where the logs go and which programs play; each
// option declared once (CLI11) with its default, its check and its help text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "match/game/on_error.h"
#include "match/league/sprt.h"

namespace match {

constexpr int kDefaultTurns = 30;        // turns of a game: a quick local match
constexpr int kDefaultTurnTimeoutS = 5;  // seconds a turn may last (0: no limit)
constexpr int kDefaultRounds = 5;        // rounds of a tournament when --rounds is not given
constexpr int kDefaultTable = 4;         // players per tournament game when --table is not given
constexpr int kDefaultVersusGames = 1000;  // games of an A/B test that reaches no verdict sooner
constexpr int kDefaultWatchTurns = 20;   // turns of watch mode's quick game

// Everything the command line sets; defaults are those of a quick local match.
struct MatchOptions {
    std::vector<std::string> scripts;
    std::optional<std::uint64_t> seed;            // none: taken from the clock
    int turns = kDefaultTurns;                    // the server's --max-turns
    int turn_timeout_s = kDefaultTurnTimeoutS;    // the server's --turn-timeout (0: no limit)
    int time_limit_s = 0;               // per game; 0: derived from turns and turn timeout
    int games = 1;
    int jobs = 1;
    std::string out_dir;                // empty: out/match-<seed>
    std::string host_range;             // empty: the default loopback range
    std::string robot_program;          // empty: next to match, else PATH
    std::string server_program;
    OnError on_error = OnError::kStop;  // the answer to a robot's "Try to continue?"
    bool help = false;
    bool check = false;                 // --check: compile the scripts, play nothing
    bool werror = false;                // --werror: with --check, warnings fail too
    bool lsp = false;                   // --lsp: the language server on standard input and output
    bool stdio = false;                 // --stdio: with --lsp, what editors' clients add; changes nothing
    // Tournaments (see league/tournament.h)
    bool tournament = false;
    int table = 0;                      // players per game; 0: min(scripts, kDefaultTable)
    int rounds = 0;                     // rounds of a tournament; 0: kDefaultRounds
    std::string plan_file;              // write the games as shell commands instead of playing them
    std::string report_dir;             // report on the results found in this tournament folder
    std::string result_file;            // play one game and write its result file here
    bool version = false;
    // A/B tests (see league/versus.h) and watch mode (see check/watch.h)
    bool versus = false;                // --versus NEW OLD: the scripts are NEW and OLD
    bool watch = false;                 // --watch: check and play the scripts on every save
    std::vector<std::string> opponents; // more players in every game of --versus and --watch
    SprtSettings sprt;
    int max_games = kDefaultVersusGames;
};

// Parses argv[1..]; returns an error message, or an empty string when the line is valid.
std::string ParseOptions(const std::vector<std::string>& args, MatchOptions& options);

// The --help text.
std::string UsageText();

// The time a game may take in all, in seconds, before the match gives up on it.
int GameTimeLimit(const MatchOptions& options);

// The tournament options' own checks (which options go together); empty when they are fine.
std::string CheckTournamentOptions(const MatchOptions& options);

// The checks of --versus and --watch and their options; empty when they are fine.
std::string CheckVersusAndWatchOptions(const MatchOptions& options);

// True when the command line asks for one of the tournament modes.
bool IsTournamentCommand(const MatchOptions& options);

}  // namespace match
