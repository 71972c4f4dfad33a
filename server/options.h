// Command-line options of the game server: their values, defaults and parser.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace gs {

// Everything the server program can be told on its command line.
struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 4774;          // 0: any free port (the one chosen is printed)
    bool seed_given = false;  // false: the seed comes from the clock
    std::uint64_t seed = 0;
    int max_turns = 100;
    int turn_timeout_s = 60;  // seconds; 0: no limit
    int max_players = 16;     // creator included
    int max_clients = 1024;   // connections served at once
    std::string log_path;     // JSON Lines log; empty: none
    bool quiet = false;       // no human log lines on standard error
    bool turn_stats = false;  // on stopping, print how long the server took to resolve turns
};

// What the program should do after reading its command line.
enum class OptionsAction { kRun, kHelp, kVersion, kError };

// Reads argv (argv[0] is the program name). On kError, error holds a one-line reason.
OptionsAction ParseOptions(const std::vector<std::string>& args, ServerOptions& options,
                           std::string& error);

// The usage text printed by --help and after an option error.
void PrintUsage(std::ostream& out);

}  // namespace gs
