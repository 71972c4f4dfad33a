// Command-line options of the game server: their values, defaults and parser.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "server/core.h"
#include "server/net.h"

namespace gs {

// Everything the server program can be told on its command line: the settings of the game core
// and of the network layer, as they are handed to each, and the program's own.
struct ServerOptions {
    CoreOptions core;
    NetConfig net;
    bool seed_given = false;  // false: the seed comes from the clock
    std::string log_path;     // JSON Lines log; empty: none
    std::string state_dir;    // what the server keeps across restarts; see DefaultStateDir
    std::string admin_socket;  // the operator's Unix socket; see DefaultAdminSocket
    bool admin_socket_given = false;  // named on the command line, not the default
    bool quiet = false;       // no human log lines on standard error
    bool no_chat_log = false;  // chat is not written to the human log (core.chat_log)
};

// The folder the service manager gave the server for its state ($STATE_DIRECTORY, its first
// entry), else the current folder: a server run by hand keeps its state where it was started.
std::string DefaultStateDir();

constexpr char kAdminSocketName[] = "admin.sock";  // the admin socket's file in the state folder
// Where the admin socket is when no path is given: in the state folder.
std::string DefaultAdminSocket(const std::string& state_dir);

// What the program should do after reading its command line.
enum class OptionsAction { kRun, kHelp, kVersion, kError };

// Reads argv (argv[0] is the program name). On kError, error holds a one-line reason.
OptionsAction ParseOptions(const std::vector<std::string>& args, ServerOptions& options,
                           std::string& error);

// The usage text printed by --help and after an option error.
void PrintUsage(std::ostream& out);

}  // namespace gs
