// Parses the game server's command line: "--name value" or "--name=value", strictly checked.
#include "server/options.h"

#include <arpa/inet.h>

#include <charconv>
#include <functional>
#include <ostream>

#include "protocol/robot_protocol.h"

namespace gs {
namespace {

constexpr int kMaxClientsLimit = 1000000;  // connections; far beyond any open-file limit
constexpr int kMaxTurnsLimit = 1000000;    // turns per game
constexpr int kMaxTimeoutLimit = 86400;    // seconds: one day

// Reads a whole decimal number in [low, high]; false on anything else.
template <typename Int>
bool ParseNumber(const std::string& text, Int low, Int high, Int& value) {
    Int parsed{};
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, parsed);
    if (text.empty() || ec != std::errc() || ptr != end || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

// One option that takes a value: its name, what the value must be, and how it is stored.
struct ValueOption {
    const char* name;
    std::string expects;
    std::function<bool(const std::string&, ServerOptions&)> store;
};

// Stores a whole number in [low, high] into a field of the core's or the network's settings.
template <typename Part>
std::function<bool(const std::string&, ServerOptions&)> IntIn(Part ServerOptions::*part,
                                                              int Part::*field, int low, int high) {
    return [=](const std::string& text, ServerOptions& o) {
        return ParseNumber(text, low, high, o.*part.*field);
    };
}

std::string NumberFrom1To(int high) { return "a number from 1 to " + std::to_string(high); }

const std::vector<ValueOption>& ValueOptions() {
    static const std::vector<ValueOption> table = {
        {"--host", "a numeric IPv4 address",
         [](const std::string& text, ServerOptions& o) {
             in_addr addr{};
             if (inet_pton(AF_INET, text.c_str(), &addr) != 1) return false;
             o.net.host = text;
             return true;
         }},
        {"--port", "a port number from 0 to 65535",
         IntIn(&ServerOptions::net, &NetConfig::port, 0, 65535)},
        {"--seed", "a number from 0 to 18446744073709551615",
         [](const std::string& text, ServerOptions& o) {
             o.seed_given = ParseNumber<std::uint64_t>(text, 0, UINT64_MAX, o.core.seed);
             return o.seed_given;
         }},
        {"--max-turns", NumberFrom1To(kMaxTurnsLimit),
         IntIn(&ServerOptions::core, &CoreOptions::max_turns, 1, kMaxTurnsLimit)},
        {"--turn-timeout", "seconds from 0 to " + std::to_string(kMaxTimeoutLimit),
         IntIn(&ServerOptions::core, &CoreOptions::turn_timeout_s, 0, kMaxTimeoutLimit)},
        {"--max-players", NumberFrom1To(protocol::kMaxPlayersPerGame),
         IntIn(&ServerOptions::core, &CoreOptions::max_players, 1, protocol::kMaxPlayersPerGame)},
        {"--max-clients", NumberFrom1To(kMaxClientsLimit),
         IntIn(&ServerOptions::net, &NetConfig::max_clients, 1, kMaxClientsLimit)},
        {"--log", "a file name",
         [](const std::string& text, ServerOptions& o) {
             o.log_path = text;
             return !text.empty();
         }},
    };
    return table;
}

const ValueOption* FindValueOption(const std::string& name) {
    for (const ValueOption& option : ValueOptions()) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

}  // namespace

OptionsAction ParseOptions(const std::vector<std::string>& args, ServerOptions& options,
                           std::string& error) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool inline_value = false;
        if (auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            inline_value = true;
        }
        if (!inline_value) {
            if (name == "--help" || name == "-h") return OptionsAction::kHelp;
            if (name == "--version") return OptionsAction::kVersion;
            if (name == "--quiet") {
                options.quiet = true;
                continue;
            }
            if (name == "--turn-stats") {
                options.net.time_turns = true;
                continue;
            }
        }
        const ValueOption* option = FindValueOption(name);
        if (option == nullptr) {
            error = "unknown option: " + args[i];
            return OptionsAction::kError;
        }
        if (!inline_value) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value: " + option->expects;
                return OptionsAction::kError;
            }
            value = args[++i];
        }
        if (!option->store(value, options)) {
            error =
                "bad value for " + name + ": '" + value + "' (expected " + option->expects + ")";
            return OptionsAction::kError;
        }
    }
    return OptionsAction::kRun;
}

void PrintUsage(std::ostream& out) {
    out << "usage: gameserver [--host IPV4] [--port N] [--seed N] [--max-turns N]\n"
           "                  [--turn-timeout SECONDS] [--max-players N] [--max-clients N]\n"
           "                  [--log FILE] [--quiet] [--turn-stats] [--help] [--version]\n"
           "\n"
           "  --host IPV4            address to listen on (default 127.0.0.1)\n"
        << "  --port N               TCP port (default " << protocol::kRobotPort
        << "; 0: any free port)\n"
           "  --seed N               seed of the market and tie-breaks (default: from the clock)\n"
           "  --max-turns N          turns in one game (default 100)\n"
           "  --turn-timeout SECONDS time a turn may last, 0 for no limit (default 60)\n"
        << "  --max-players N        players in one game, creator included, 1.."
        << protocol::kMaxPlayersPerGame << " (default " << CoreOptions{}.max_players
        << ")\n"
           "  --max-clients N        connections served at once (default 1024)\n"
           "  --log FILE             write a JSON Lines log of every game to FILE\n"
           "  --quiet                no log lines on standard error\n"
           "  --turn-stats           on stopping, print the time from reading each turn's last\n"
           "                         order to writing its last end of turn (percentiles)\n"
           "  --help                 print this text\n"
           "  --version              print the version\n";
}

}  // namespace gs
