// Parses the match command line into MatchOptions, with a clear message for every mistake.
#include "match/options.h"

#include "match/league/tournament.h"

#include <cerrno>
#include <cstdlib>

#include "match/game/address.h"

namespace match {
namespace {

// Reads a whole decimal number in [min, max].
std::optional<std::uint64_t> ReadNumber(const std::string& text, std::uint64_t min, std::uint64_t max) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    errno = 0;
    unsigned long long n = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE || n < min || n > max) return std::nullopt;
    return n;
}

// A numeric option, its field and its allowed range.
struct IntOption {
    const char* name;
    int MatchOptions::*field;
    int min;
    int max;
};

const IntOption kIntOptions[] = {
    {"--turns", &MatchOptions::turns, 1, 100000},
    {"--turn-timeout", &MatchOptions::turn_timeout_s, 0, 86400},
    {"--time-limit", &MatchOptions::time_limit_s, 1, 7 * 86400},
    {"--games", &MatchOptions::games, 1, 10000},
    {"--jobs", &MatchOptions::jobs, 1, 64},
    {"--table", &MatchOptions::table, 2, 101},
    {"--rounds", &MatchOptions::rounds, 1, 100000},
};

// An option that takes a text, and its field.
struct TextOption {
    const char* name;
    std::string MatchOptions::*field;
};

const TextOption kTextOptions[] = {
    {"--out", &MatchOptions::out_dir},
    {"--host-range", &MatchOptions::host_range},
    {"--robot", &MatchOptions::robot_program},
    {"--server", &MatchOptions::server_program},
    {"--plan", &MatchOptions::plan_file},
    {"--report", &MatchOptions::report_dir},
    {"--result", &MatchOptions::result_file},
};

// Applies option `name` with `value`; returns an error, empty when done, or nullopt when the
// name is not an option that takes a value.
std::optional<std::string> ApplyValueOption(const std::string& name, const std::string& value,
                                            MatchOptions& options) {
    if (name == "--seed") {
        std::optional<std::uint64_t> n = ReadNumber(value, 0, UINT64_MAX);
        if (!n) return "--seed needs a whole number from 0 to " + std::to_string(UINT64_MAX) + ", not '" + value + "'";
        options.seed = *n;
        return std::string();
    }
    for (const IntOption& o : kIntOptions) {
        if (name != o.name) continue;
        std::optional<std::uint64_t> n = ReadNumber(value, static_cast<std::uint64_t>(o.min),
                                                    static_cast<std::uint64_t>(o.max));
        if (!n)
            return name + " needs a whole number from " + std::to_string(o.min) + " to " +
                   std::to_string(o.max) + ", not '" + value + "'";
        options.*o.field = static_cast<int>(*n);
        return std::string();
    }
    if (name == "--on-error") {
        if (value != "stop" && value != "continue") return "--on-error needs stop or continue, not '" + value + "'";
        options.on_error = value == "stop" ? OnError::kStop : OnError::kContinue;
        return std::string();
    }
    for (const TextOption& o : kTextOptions) {
        if (name != o.name) continue;
        if (value.empty()) return name + " needs a value";
        options.*o.field = value;
        return std::string();
    }
    return std::nullopt;
}

}  // namespace

std::string ParseOptions(const std::vector<std::string>& args, MatchOptions& options) {
    bool only_scripts = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (only_scripts || arg.size() < 2 || arg[0] != '-') {
            options.scripts.push_back(arg);
            continue;
        }
        if (arg == "--") {
            only_scripts = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg == "--version") {
            options.version = true;
            continue;
        }
        if (arg == "--check" || arg == "--werror") {
            (arg == "--check" ? options.check : options.werror) = true;
            continue;
        }
        if (arg == "--tournament") {
            options.tournament = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> inline_value;
        size_t eq = arg.find('=');
        if (eq != std::string::npos) {
            name = arg.substr(0, eq);
            inline_value = arg.substr(eq + 1);
        }
        std::string value;
        if (inline_value) {
            value = *inline_value;
        } else if (i + 1 < args.size()) {
            value = args[i + 1];
        }
        MatchOptions probe = options;
        std::optional<std::string> error = ApplyValueOption(name, value, probe);
        if (!error) return "unknown option '" + arg + "' (see --help)";
        if (!inline_value && i + 1 >= args.size()) return name + " needs a value";
        if (!error->empty()) return *error;
        options = probe;
        if (!inline_value) ++i;
    }
    if (options.help || options.version) return std::string();
    if (options.werror && !options.check) return "--werror goes with --check";
    if (options.check && (options.tournament || !options.report_dir.empty() || !options.result_file.empty()))
        return "--check plays nothing: it does not go with --tournament, --report or --result";
    if (options.scripts.empty() && options.report_dir.empty()) return "no robot scripts given (see --help)";
    std::string range_error;
    if (!options.host_range.empty() && !ParseHostRange(options.host_range, &range_error))
        return "--host-range: " + range_error;
    return CheckTournamentOptions(options);
}

int GameTimeLimit(const MatchOptions& options) {
    if (options.time_limit_s > 0) return options.time_limit_s;
    // Every turn may take its whole timeout when a robot hangs; without one, allow two seconds a turn.
    long per_turn = options.turn_timeout_s > 0 ? options.turn_timeout_s : 2;
    long limit = 30 + per_turn * options.turns;
    return limit > 7 * 86400 ? 7 * 86400 : static_cast<int>(limit);
}

std::string UsageText() {
    return "usage: match [options] SCRIPT...\n"
           "Plays the robot scripts against each other on a private game server and prints the\n"
           "results. Robots join in the order given; with one script the robot plays alone.\n"
           "\n"
           "  --seed N          seed of the first game (default: from the clock; printed)\n"
           "  --turns N         turns per game (default 30)\n"
           "  --turn-timeout S  seconds a turn may last before it ends without a slow robot (default 5, 0: none)\n"
           "  --time-limit S    seconds a whole game may last (default: 30 + turns x turn timeout)\n"
           "  --games K         play K games with seeds N, N+1, ... and total the wins (default 1)\n"
           "  --jobs J          play up to J games at the same time (default 1)\n"
           "  --out DIR         where logs and charts go (default out/match-SEED)\n"
           "  --host-range A-B  loopback addresses to try for the servers (default 127.77.0.1-127.77.255.254)\n"
           "  --robot PROG      the robot program (default: next to match, else in PATH)\n"
           "  --server PROG     the game server program (default: next to match, else in PATH)\n"
           "  --on-error stop|continue\n"
           "                    a robot's runtime error stops it (default), or is answered \"y\" so it\n"
           "                    plays on; connection faults always stop it\n"
           "  --check           compile the scripts and print their errors and warnings; play nothing\n"
           "  --werror          with --check: warnings fail the check too\n"
           "  --version         print the version\n"
           "  --help            this text\n"
           "\n"
           "Tournaments: match --tournament [--table T] [--rounds R] [options] SCRIPT...\n"
           "  --tournament      play the scripts against each other in games of T players over R rounds,\n"
           "                    every pair meeting about equally often and every script in every seat;\n"
           "                    prints a rated leaderboard and writes results.json and report.html\n"
           "  --table T         players per game (default: 4, or fewer scripts)\n"
           "  --rounds R        rounds (default 5); every script plays the same number of games in each\n"
           "  --plan FILE       with --tournament and --out DIR: play nothing, write one shell command per\n"
           "                    game to FILE (for GNU parallel, Slurm, ...); each writes its result under DIR\n"
           "  --report DIR      the leaderboard and report of the results found in tournament folder DIR\n"
           "  --result FILE     play one game and write its result file (what --plan's commands do)\n";
}

}  // namespace match
