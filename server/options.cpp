// The game server's command line: one table row per option (its name, value, check and help),
// declared to CLI11, which reads "--name value" and "--name=value" and prints --help from it.
#include "server/options.h"

#include <arpa/inet.h>

#include <charconv>
#include <cstdlib>
#include <functional>
#include <memory>
#include <ostream>

#include "protocol/robot_protocol.h"
#include "server/config_file.h"
#include "server/usage.h"

namespace gs {
namespace {

constexpr int kMaxClientsLimit = 1000000;  // connections; far beyond any open-file limit
constexpr int kMaxTurnsLimit = 1000000;    // turns per game
constexpr int kMaxLobbyTimeoutS = 24 * 60 * 60;  // seconds of --start-timeout, --name-timeout

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

// One option that takes a value: its name, its value in the usage, what the value must be, its
// help text, and how it is stored (false: refused).
struct ValueOption {
    const char* name;
    const char* value;
    std::string expects;
    std::string help;
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

std::string Default(int value) { return "(default " + std::to_string(value) + ")"; }

// Reads "BURST/PER_SECOND" (two whole numbers from 1 to kMaxChatRate) into the chat limit.
bool StoreChatRate(const std::string& text, ServerOptions& o) {
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) return false;
    int burst = 0, per_second = 0;
    if (!ParseNumber(text.substr(0, slash), 1, kMaxChatRate, burst) ||
        !ParseNumber(text.substr(slash + 1), 1, kMaxChatRate, per_second))
        return false;
    o.core.chat_burst = burst;
    o.core.chat_per_second = per_second;
    return true;
}

// Reads "ADDR:PORT", ":PORT" or "PORT" (the last two on the loopback address).
bool StoreMetricsAddress(const std::string& text, ServerOptions& o) {
    const std::size_t colon = text.rfind(':');
    const std::string host = colon == std::string::npos ? "" : text.substr(0, colon);
    const std::string port = colon == std::string::npos ? text : text.substr(colon + 1);
    in_addr addr{};
    if (!host.empty() && inet_pton(AF_INET, host.c_str(), &addr) != 1) return false;
    if (!ParseNumber(port, 0, 65535, o.net.metrics_port)) return false;
    o.net.metrics_host = host.empty() ? NetConfig().metrics_host : host;
    return true;
}

const std::vector<ValueOption>& ValueOptions() {
    static const CoreOptions core;
    static const NetConfig net;
    static const std::vector<ValueOption> table = {
        {"--host", "IPV4", "a numeric IPv4 address", "address to listen on (default " + net.host + ")",
         [](const std::string& text, ServerOptions& o) {
             in_addr addr{};
             if (inet_pton(AF_INET, text.c_str(), &addr) != 1) return false;
             o.net.host = text;
             return true;
         }},
        {"--port", "N", "a port number from 0 to 65535",
         "TCP port (default " + std::to_string(net.port) + "; 0: any free port)",
         IntIn(&ServerOptions::net, &NetConfig::port, 0, 65535)},
        {"--seed", "N", "a number from 0 to 18446744073709551615",
         "seed of the market and tie-breaks (default: from the clock)",
         [](const std::string& text, ServerOptions& o) {
             o.seed_given = ParseNumber<std::uint64_t>(text, 0, UINT64_MAX, o.core.seed);
             return o.seed_given;
         }},
        {"--max-turns", "N", NumberFrom1To(kMaxTurnsLimit), "turns in one game " + Default(core.max_turns),
         IntIn(&ServerOptions::core, &CoreOptions::max_turns, 1, kMaxTurnsLimit)},
        {"--turn-timeout", "SECONDS", "seconds from 0 to " + std::to_string(protocol::kMaxTurnTimeoutS),
         "time a turn may last, 0 for no limit " + Default(core.turn_timeout_s),
         IntIn(&ServerOptions::core, &CoreOptions::turn_timeout_s, 0, protocol::kMaxTurnTimeoutS)},
        {"--max-players", "N", NumberFrom1To(protocol::kMaxPlayersPerGame),
         "players in one game, creator included, 1.." + std::to_string(protocol::kMaxPlayersPerGame) +
             " " + Default(core.max_players),
         IntIn(&ServerOptions::core, &CoreOptions::max_players, 1, protocol::kMaxPlayersPerGame)},
        {"--max-clients", "N", NumberFrom1To(kMaxClientsLimit),
         "connections served at once " + Default(net.max_clients),
         IntIn(&ServerOptions::net, &NetConfig::max_clients, 1, kMaxClientsLimit)},
        {"--chat-rate", "BURST/RATE",
         "BURST/RATE, two numbers from 1 to " + std::to_string(kMaxChatRate) + ", such as 10/2",
         "chat lines a client may send at once, then a second (default " +
             std::to_string(core.chat_burst) + "/" + std::to_string(core.chat_per_second) + ")",
         StoreChatRate},
        {"--max-per-address", "N", "a number from 0 to " + std::to_string(kMaxClientsLimit),
         "connections from one IPv4 address, 0 for no limit " + Default(net.max_per_address),
         IntIn(&ServerOptions::net, &NetConfig::max_per_address, 0, kMaxClientsLimit)},
        {"--start-timeout", "SECONDS", "seconds from 0 to " + std::to_string(kMaxLobbyTimeoutS),
         "after a waiting game's first join, its creator is asked to\n"
         "start it; as long again, and the server starts it (0: never) " +
             Default(core.start_timeout_s),
         IntIn(&ServerOptions::core, &CoreOptions::start_timeout_s, 0, kMaxLobbyTimeoutS)},
        {"--name-timeout", "SECONDS", "seconds from 0 to " + std::to_string(kMaxLobbyTimeoutS),
         "time a new connection has to send its name, 0 for no limit " +
             Default(core.name_timeout_s),
         IntIn(&ServerOptions::core, &CoreOptions::name_timeout_s, 0, kMaxLobbyTimeoutS)},
        {"--drain-timeout", "SECONDS", "seconds from 0 to " + std::to_string(protocol::kSecondsPerDay),
         "on SIGTERM, time the running games may go on\n"
         "before they are ended " + Default(core.drain_timeout_s),
         IntIn(&ServerOptions::core, &CoreOptions::drain_timeout_s, 0, protocol::kSecondsPerDay)},
        {"--admin-socket", "PATH", "a file name",
         "the operator's Unix socket (default: admin.sock in the\nstate folder)",
         [](const std::string& text, ServerOptions& o) {
             o.admin_socket = text;
             o.admin_socket_given = true;
             return !text.empty();
         }},
        {"--metrics", "ADDR:PORT", "IPV4:PORT, :PORT or PORT with a port from 0 to 65535",
         "serve the server's figures for Prometheus at http://ADDR:PORT/metrics\n"
         "(off by default; ADDR defaults to " + net.metrics_host + ")",
         StoreMetricsAddress},
        {"--state-dir", "DIR", "a folder name",
         "folder for what the server keeps across restarts\n"
         "(default: $STATE_DIRECTORY, else the current folder)",
         [](const std::string& text, ServerOptions& o) {
             o.state_dir = text;
             return !text.empty();
         }},
        {"--log", "FILE", "a file name", "write a JSON Lines log of every game to FILE",
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

std::string UnknownOption(const std::string& arg) { return "unknown option: " + arg; }

// Declares every option; `version` is set by --version, `config_path` by --config.
std::unique_ptr<CLI::App> MakeApp(ServerOptions& options, bool& version, std::string& config_path) {
    auto app = std::make_unique<CLI::App>("", "gameserver");
    app->formatter(std::make_shared<UsageFormatter>());
    app->allow_extras();  // unknown options are reported in the server's words
    app->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    for (const ValueOption& option : ValueOptions()) {
        auto store = [&option, &options](const std::string& text) {
            if (!option.store(text, options))
                throw OptionRefusal("bad value for " + std::string(option.name) + ": '" + text +
                                    "' (expected " + option.expects + ")");
        };
        app->add_option_function<std::string>(option.name, store, option.help)->type_name(option.value);
    }
    const auto refusal = [](const std::string& flag) {
        return [flag](const std::string& value) { return UnknownOption(flag + "=" + value); };
    };
    AddStrictFlag(*app, "--quiet", options.quiet, "no log lines on standard error", refusal("--quiet"));
    AddStrictFlag(*app, "--no-chat-log", options.no_chat_log,
                  "leave chat out of the log on standard error", refusal("--no-chat-log"));
    AddStrictFlag(*app, "--turn-stats", options.net.time_turns,
                  "on stopping, print the time from reading each turn's last\n"
                  "order to writing its last end of turn (percentiles)",
                  refusal("--turn-stats"));
    app->add_option_function<std::string>(
           "--config",
           [&config_path](const std::string& path) {
               if (path.empty()) throw OptionRefusal("bad value for --config: '' (expected a file name)");
               config_path = path;
           },
           "read options from a TOML file of \"name = value\" lines\n"
           "(names without the dashes); the command line wins")
        ->type_name("FILE");
    app->set_help_flag("--help,-h", "print this text");
    AddStrictFlag(*app, "--version", version, "print the version", refusal("--version"));
    return app;
}

// Reads argv into options (and --config's file name into config_path), as typed.
OptionsAction ParseCommandLine(const std::vector<std::string>& args, ServerOptions& options,
                               std::string& config_path, std::string& error) {
    bool version = false;
    std::unique_ptr<CLI::App> app = MakeApp(options, version, config_path);
    try {
        app->parse(ArgumentsForCli11(args));
    } catch (const CLI::CallForHelp&) {
        return OptionsAction::kHelp;
    } catch (const OptionRefusal& refusal) {
        error = refusal.what();
        return OptionsAction::kError;
    } catch (const CLI::ArgumentMismatch&) {
        // CLI11 ran out of words for the last option's value.
        const ValueOption* option = FindValueOption(args.back());
        error = args.back() + " needs a value" + (option ? ": " + option->expects : std::string());
        return OptionsAction::kError;
    }
    if (version) return OptionsAction::kVersion;
    if (!app->remaining().empty()) {
        error = UnknownOption(app->remaining().front());
        return OptionsAction::kError;
    }
    return OptionsAction::kRun;
}

// Options that are actions or name the file itself: no key of the configuration file.
bool IsCommandLineOnly(const std::string& name) {
    return name == "--config" || name == "--help" || name == "--version";
}

// The command line that gives one setting of the configuration file: "--key=value" for an
// option with a value, "--key" for a flag set to true, nothing for one set to false.
bool SettingAsArguments(const ConfigSetting& setting, std::vector<std::string>& args,
                        std::string& error) {
    ServerOptions unused;
    bool version = false;
    std::string config_path;
    const std::unique_ptr<CLI::App> app = MakeApp(unused, version, config_path);
    const std::string name = "--" + setting.key;
    const CLI::Option* option = IsCommandLineOnly(name) ? nullptr : app->get_option_no_throw(name);
    if (option == nullptr) {
        error = "unknown key '" + setting.key + "'";
        return false;
    }
    args = {"gameserver"};
    if (option->get_expected_min() != 0) {
        args.push_back(name + "=" + setting.value);  // "=": a value that starts with "-" stays one
    } else if (!setting.is_boolean) {
        error = "bad value for " + name + ": '" + setting.value + "' (expected true or false)";
        return false;
    } else if (setting.value == "true") {
        args.push_back(name);
    }
    return true;
}

// Applies the file's settings one at a time, each checked as its option on the command line
// would be, so that an error names the line it is on.
bool ApplyConfigFile(const std::string& path, ServerOptions& options, std::string& error) {
    std::vector<ConfigSetting> settings;
    if (!ReadConfigFile(path, settings, error)) return false;
    for (const ConfigSetting& setting : settings) {
        std::vector<std::string> args;
        std::string reason;
        std::string nested_config;
        if (!SettingAsArguments(setting, args, reason) ||
            ParseCommandLine(args, options, nested_config, reason) != OptionsAction::kRun) {
            error = path + ":" + std::to_string(setting.line) + ": " + reason;
            return false;
        }
    }
    return true;
}

}  // namespace

std::string DefaultStateDir() {
    const char* given = std::getenv("STATE_DIRECTORY");
    std::string dir = given ? given : "";
    dir = dir.substr(0, dir.find(':'));  // several folders are separated by colons
    return dir.empty() ? "." : dir;
}

std::string DefaultAdminSocket(const std::string& state_dir) {
    return state_dir + "/" + kAdminSocketName;
}

OptionsAction ParseOptions(const std::vector<std::string>& args, ServerOptions& options,
                           std::string& error) {
    const ServerOptions given = options;
    std::string config_path;
    const OptionsAction action = ParseCommandLine(args, options, config_path, error);
    if (action != OptionsAction::kRun) return action;
    if (!config_path.empty()) {
        // The file first, then the command line once more over it: the command line wins.
        ServerOptions merged = given;
        if (!ApplyConfigFile(config_path, merged, error)) return OptionsAction::kError;
        ParseCommandLine(args, merged, config_path, error);
        options = merged;
    }
    options.core.chat_log = !options.no_chat_log;
    if (options.state_dir.empty()) options.state_dir = DefaultStateDir();
    if (options.admin_socket.empty()) options.admin_socket = DefaultAdminSocket(options.state_dir);
    return OptionsAction::kRun;
}

void PrintUsage(std::ostream& out) {
    ServerOptions unused;
    bool version = false;
    std::string config_path;
    out << MakeApp(unused, version, config_path)->help();
}

}  // namespace gs
