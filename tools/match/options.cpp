// Declares the match command line to CLI11, one option at a time with its default, its check and
// its help text, and turns what CLI11 finds into MatchOptions or one clear message.
#include "match/options.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <stdexcept>

#include "match/game/address.h"
#include "protocol/robot_protocol.h"

namespace match {
namespace {

constexpr int kMaxTurns = 100000;                             // turns per game
constexpr int kMaxTimeLimitS = 7 * protocol::kSecondsPerDay;  // seconds a game may last: a week
constexpr int kMaxGames = 10000;                              // games of one match
constexpr int kMaxJobs = 64;                                  // games played at the same time
constexpr int kMaxRounds = 100000;                            // rounds of a tournament
constexpr int kSecondsPerTurnWithoutTimeout = 2;              // for the time limit with no turn timeout
constexpr int kStartSeconds = 30;                             // for the time limit: starting up
constexpr std::size_t kHelpColumn = 20;                       // where --help's option texts start

constexpr char kMainGroup[] = "Options";
constexpr char kTournamentGroup[] =
    "Tournaments: match --tournament [--table T] [--rounds R] [options] SCRIPT...";
constexpr char kVersusGroup[] =
    "A/B tests and watch mode: match --versus NEW OLD [options] | match --watch [options] SCRIPT...";
constexpr int kMaxVersusGames = 100000;  // games of one A/B test
constexpr char kUsage[] =
    "usage: match [options] SCRIPT...\n"
    "Plays the robot scripts against each other on a private game server and prints the\n"
    "results. Robots join in the order given; with one script the robot plays alone.\n";

// A value an option refuses; its text is the whole message. Thrown from an option's check, it
// passes through CLI11 untouched, where CLI11's own errors would be reworded.
struct Refusal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

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

std::uint64_t WholeNumber(const std::string& name, const std::string& text, std::uint64_t min,
                          std::uint64_t max) {
    std::optional<std::uint64_t> n = ReadNumber(text, min, max);
    if (!n)
        throw Refusal(name + " needs a whole number from " + std::to_string(min) + " to " +
                      std::to_string(max) + ", not '" + text + "'");
    return *n;
}

// An option that takes a value; `store` checks the text and keeps it, or throws a Refusal.
CLI::Option* AddValue(CLI::App& app, const std::string& name, const std::string& type,
                      const std::string& help, std::function<void(const std::string&)> store) {
    return app.add_option_function<std::string>(name, std::move(store), help)->type_name(type);
}

CLI::Option* AddNumber(CLI::App& app, const std::string& name, const std::string& type, int& field,
                       int min, int max, const std::string& help) {
    return AddValue(app, name, type, help, [name, &field, min, max](const std::string& text) {
        field = static_cast<int>(WholeNumber(name, text, static_cast<std::uint64_t>(min),
                                             static_cast<std::uint64_t>(max)));
    });
}

CLI::Option* AddText(CLI::App& app, const std::string& name, const std::string& type,
                     std::string& field, const std::string& help) {
    return AddValue(app, name, type, help, [name, &field](const std::string& text) {
        if (text.empty()) throw Refusal(name + " needs a value");
        field = text;
    });
}

// A flag; "--flag=VALUE" is no option of match's.
CLI::Option* AddFlag(CLI::App& app, const std::string& name, bool& field, const std::string& help) {
    CLI::Validator no_value(
        [name](std::string& given) -> std::string {
            if (given != "true") throw Refusal("unknown option '" + name + "=" + given + "' (see --help)");
            return std::string();
        },
        "");
    return app.add_flag(name, field, help)->check(no_value);
}

std::string HostRangeText(const HostRange& range) {
    return FormatAddress(range.first) + "-" + FormatAddress(range.last);
}

std::string FormatReal(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

// Reads a whole decimal number with a fraction, such as "-1.5", in (min, max).
double RealNumber(const std::string& name, const std::string& text, double min, double max) {
    char* end = nullptr;
    errno = 0;
    const double value = text.empty() ? 0 : std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno == ERANGE || !(value > min && value < max))
        throw Refusal(name + " needs a number between " + FormatReal(min) + " and " + FormatReal(max) +
                      ", not '" + text + "'");
    return value;
}

CLI::Option* AddReal(CLI::App& app, const std::string& name, double& field, double min, double max,
                     const std::string& help) {
    return AddValue(app, name, "X", help, [name, &field, min, max](const std::string& text) {
        field = RealNumber(name, text, min, max);
    });
}

void DeclareVersusAndWatch(CLI::App& app, MatchOptions& o) {
    app.option_defaults()->group(kVersusGroup);
    AddFlag(app, "--versus", o.versus,
            "play NEW against OLD in pairs of games (one seed, seats swapped) until a\n"
            "sequential test decides whether NEW is better; --jobs and --plan work here too");
    app.add_option("--opponents", o.opponents,
                   "more scripts that play in every game of --versus or --watch (give them\n"
                   "after the other scripts)")
        ->type_name("SCRIPT...")
        ->expected(1, -1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    AddReal(app, "--elo0", o.sprt.elo0, -1000, 1000, "H0: NEW is better than OLD by at most this many Elo (default 0)");
    AddReal(app, "--elo1", o.sprt.elo1, -1000, 1000, "H1: NEW is better than OLD by at least this many Elo (default 5)");
    AddReal(app, "--alpha", o.sprt.alpha, 0, 1, "chance of accepting H1 when H0 holds (default 0.05)");
    AddReal(app, "--beta", o.sprt.beta, 0, 1, "chance of accepting H0 when H1 holds (default 0.05)");
    AddNumber(app, "--max-games", "N", o.max_games, 2, kMaxVersusGames,
              "stop --versus without a verdict after N games (default " +
                  std::to_string(kDefaultVersusGames) + ")");
    AddFlag(app, "--watch", o.watch,
            "check the scripts on every save and, when they pass, play a quick game of\n"
            "them (and --opponents) of " + std::to_string(kDefaultWatchTurns) +
                " turns unless --turns says otherwise; Ctrl-C ends it");
}

// Options that only mean something with --versus, given without it; empty when there are none.
std::string VersusOnlyOption(const CLI::App& app, const MatchOptions& o) {
    if (o.versus) return std::string();
    for (const char* name : {"--elo0", "--elo1", "--alpha", "--beta", "--max-games"})
        if (app.count(name) > 0) return std::string(name) + " goes with --versus";
    if (!o.opponents.empty() && !o.watch) return "--opponents goes with --versus or --watch";
    return std::string();
}

void DeclareOptions(CLI::App& app, MatchOptions& o) {
    app.add_option("SCRIPT", o.scripts)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)->group(kMainGroup);
    AddValue(app, "--seed", "N", "seed of the first game (default: from the clock; printed)",
             [&o](const std::string& text) { o.seed = WholeNumber("--seed", text, 0, UINT64_MAX); });
    AddNumber(app, "--turns", "N", o.turns, 1, kMaxTurns,
              "turns per game (default " + std::to_string(kDefaultTurns) + ")");
    AddNumber(app, "--turn-timeout", "S", o.turn_timeout_s, 0, protocol::kMaxTurnTimeoutS,
              "seconds a turn may last before it ends without a slow robot (default " +
                  std::to_string(kDefaultTurnTimeoutS) + ", 0: none)");
    AddNumber(app, "--time-limit", "S", o.time_limit_s, 1, kMaxTimeLimitS,
              "seconds a whole game may last (default: " + std::to_string(kStartSeconds) +
                  " + turns x turn timeout)");
    AddNumber(app, "--games", "K", o.games, 1, kMaxGames,
              "play K games with seeds N, N+1, ... and total the wins (default 1)");
    AddNumber(app, "--jobs", "J", o.jobs, 1, kMaxJobs, "play up to J games at the same time (default 1)");
    AddText(app, "--out", "DIR", o.out_dir, "where logs and charts go (default out/match-SEED)");
    AddValue(app, "--host-range", "A-B",
             "loopback addresses to try for the servers (default " + HostRangeText(DefaultHostRange()) + ")",
             [&o](const std::string& text) {
                 std::string error;
                 if (text.empty()) throw Refusal("--host-range needs a value");
                 if (!ParseHostRange(text, &error)) throw Refusal("--host-range: " + error);
                 o.host_range = text;
             });
    AddText(app, "--robot", "PROG", o.robot_program, "the robot program (default: next to match, else in PATH)");
    AddText(app, "--server", "PROG", o.server_program,
            "the game server program (default: next to match, else in PATH)");
    AddValue(app, "--on-error", "stop|continue",
             "a robot's runtime error stops it (default), or is answered \"y\" so it\n"
             "plays on; connection faults always stop it",
             [&o](const std::string& text) {
                 if (text != "stop" && text != "continue")
                     throw Refusal("--on-error needs stop or continue, not '" + text + "'");
                 o.on_error = text == "stop" ? OnError::kStop : OnError::kContinue;
             });
    AddFlag(app, "--check", o.check, "compile the scripts and print their errors and warnings; play nothing");
    AddFlag(app, "--werror", o.werror, "with --check: warnings fail the check too");
    AddFlag(app, "--lsp", o.lsp,
            "be the language server of the robot language for an editor, speaking the\n"
            "Language Server Protocol on standard input and output; play nothing");
    AddFlag(app, "--stdio", o.stdio, "with --lsp: accepted for editors' clients that add it");
    AddFlag(app, "--version", o.version, "print the version");
    app.set_help_flag("--help,-h", "this text");

    app.option_defaults()->group(kTournamentGroup);
    AddFlag(app, "--tournament", o.tournament,
            "play the scripts against each other in games of T players over R rounds,\n"
            "every pair meeting about equally often and every script in every seat;\n"
            "prints a rated leaderboard and writes results.json and report.html");
    AddNumber(app, "--table", "T", o.table, 2, protocol::kMaxPlayersPerGame,
              "players per game (default: " + std::to_string(kDefaultTable) + ", or fewer scripts)");
    AddNumber(app, "--rounds", "R", o.rounds, 1, kMaxRounds,
              "rounds (default " + std::to_string(kDefaultRounds) +
                  "); every script plays the same number of games in each");
    AddText(app, "--plan", "FILE", o.plan_file,
            "with --tournament and --out DIR: play nothing, write one shell command per\n"
            "game to FILE (for GNU parallel, Slurm, ...); each writes its result under DIR");
    AddText(app, "--report", "DIR", o.report_dir,
            "the leaderboard and report of the results found in tournament folder DIR");
    AddText(app, "--result", "FILE", o.result_file,
            "play one game and write its result file (what --plan's commands do)");
    DeclareVersusAndWatch(app, o);
}

// One option of --help: its name and value, then its text from kHelpColumn on.
std::string HelpRow(const CLI::Option& option) {
    std::string name = "  --" + option.get_lnames().front();
    if (!option.get_type_name().empty()) name += " " + option.get_type_name();
    const std::string indent(kHelpColumn, ' ');
    std::string row = name.size() < kHelpColumn ? name + std::string(kHelpColumn - name.size(), ' ')
                                                : name + "\n" + indent;
    for (char c : option.get_description()) row += c == '\n' ? "\n" + indent : std::string(1, c);
    return row + '\n';
}

// --help: the usage, then the options in the order declared, each group after its heading.
class HelpFormatter : public CLI::Formatter {
public:
    std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode) const override {
        std::string text = std::string(kUsage) + '\n';
        std::string group = kMainGroup;
        for (const CLI::Option* option : app->get_options()) {
            if (option->get_lnames().empty()) continue;  // the scripts, named in the usage line
            if (option->get_group() != group) text += '\n' + (group = option->get_group()) + '\n';
            text += HelpRow(*option);
        }
        return text;
    }
};

std::unique_ptr<CLI::App> MakeApp(MatchOptions& options) {
    auto app = std::make_unique<CLI::App>("", "match");
    app->formatter(std::make_shared<HelpFormatter>());
    app->allow_extras();  // unknown options are reported in match's words
    DeclareOptions(*app, options);
    return app;
}

// CLI11's reading of the arguments: in reverse order, and "--name=" as "--name" with an empty
// value (CLI11 would take the next word as its value).
std::vector<std::string> ForCli11(const std::vector<std::string>& args) {
    std::vector<std::string> reversed;
    bool only_scripts = false;
    for (const std::string& arg : args) {
        only_scripts = only_scripts || arg == "--";
        const bool empty_value = !only_scripts && arg.size() > 3 && arg.compare(0, 2, "--") == 0 &&
                                 arg.back() == '=' && arg.find('=') == arg.size() - 1;
        reversed.insert(reversed.begin(), empty_value ? arg.substr(0, arg.size() - 1) : arg);
        if (empty_value) reversed.insert(reversed.begin(), std::string());
    }
    return reversed;
}

// Reads the arguments into `options`; an error message, or empty.
std::string ReadArguments(const std::vector<std::string>& args, MatchOptions& options) {
    std::unique_ptr<CLI::App> app = MakeApp(options);
    try {
        app->parse(ForCli11(args));
    } catch (const Refusal& refusal) {
        return refusal.what();
    } catch (const CLI::CallForHelp&) {
        options.help = true;
        return std::string();
    } catch (const CLI::ArgumentMismatch&) {
        // CLI11 ran out of words for the last option's value.
        return args.back() + " needs a value";
    }
    // CLI11 leaves the "--" that ends the options among the words it did not use.
    for (const std::string& word : app->remaining())
        if (word != "--") return "unknown option '" + word + "' (see --help)";
    if (options.watch && app->count("--turns") == 0) options.turns = kDefaultWatchTurns;
    return VersusOnlyOption(*app, options);
}

// --lsp takes nothing but --stdio: the editor gives the scripts through the protocol.
std::string LanguageServerOnly(const std::vector<std::string>& args, const MatchOptions& options) {
    const std::size_t words = options.stdio ? 2 : 1;
    return args.size() == words ? std::string() : "--lsp takes no scripts and no other options";
}

}  // namespace

std::string ParseOptions(const std::vector<std::string>& args, MatchOptions& options) {
    std::string error = ReadArguments(args, options);
    if (!error.empty()) return error;
    if (options.help || options.version) return std::string();
    if (options.stdio && !options.lsp) return "--stdio goes with --lsp";
    if (options.lsp) return LanguageServerOnly(args, options);
    if (options.werror && !options.check) return "--werror goes with --check";
    if (options.check && (options.tournament || !options.report_dir.empty() || !options.result_file.empty()))
        return "--check plays nothing: it does not go with --tournament, --report or --result";
    if (options.scripts.empty() && options.report_dir.empty()) return "no robot scripts given (see --help)";
    std::string versus_error = CheckVersusAndWatchOptions(options);
    if (!versus_error.empty()) return versus_error;
    return CheckTournamentOptions(options);
}

std::string CheckVersusAndWatchOptions(const MatchOptions& o) {
    if (!o.versus && !o.watch) return std::string();
    if (o.versus && o.watch) return "--versus and --watch are two modes: give one";
    const std::string mode = o.versus ? "--versus" : "--watch";
    if (o.check || o.tournament || !o.report_dir.empty() || !o.result_file.empty() || o.games != 1)
        return mode + " does not go with --check, --tournament, --report, --result or --games";
    if (o.scripts.size() + o.opponents.size() > static_cast<size_t>(protocol::kMaxPlayersPerGame))
        return "at most " + std::to_string(protocol::kMaxPlayersPerGame) + " robots can play in one game";
    if (o.watch) return o.plan_file.empty() ? std::string() : "--plan does not go with --watch";
    if (o.scripts.size() != 2) return "--versus needs two scripts: NEW and OLD";
    if (!(o.sprt.elo1 > o.sprt.elo0)) return "--elo1 must be greater than --elo0";
    if (o.sprt.alpha + o.sprt.beta >= 1) return "--alpha and --beta must add up to less than 1";
    if (!o.plan_file.empty() && o.out_dir.empty())
        return "--plan needs --out DIR (where the games write their results)";
    return std::string();
}

std::string CheckTournamentOptions(const MatchOptions& o) {
    const bool tournament_only = o.table != 0 || o.rounds != 0 || (!o.plan_file.empty() && !o.versus);
    if (!o.tournament && tournament_only) return "--table, --rounds and --plan need --tournament";
    if (!o.report_dir.empty() && (o.tournament || !o.scripts.empty() || !o.result_file.empty()))
        return "--report DIR takes no scripts and no other mode";
    if (!o.result_file.empty() && (o.tournament || o.games != 1))
        return "--result plays one game: no --tournament or --games";
    if (!o.tournament) return std::string();
    const size_t entries = o.scripts.size();
    if (o.games != 1) return "--games does not go with --tournament (use --rounds)";
    if (entries < 2) return "a tournament needs at least two scripts";
    if (o.table != 0 && static_cast<size_t>(o.table) > entries)
        return "--table " + std::to_string(o.table) +
               " needs at least that many scripts (there are " + std::to_string(entries) + ")";
    if (!o.plan_file.empty() && o.out_dir.empty())
        return "--plan needs --out DIR (where the games write their results)";
    return std::string();
}

bool IsTournamentCommand(const MatchOptions& o) {
    return o.tournament || !o.report_dir.empty() || !o.result_file.empty();
}

int GameTimeLimit(const MatchOptions& options) {
    if (options.time_limit_s > 0) return options.time_limit_s;
    // Every turn may take its whole timeout when a robot hangs; without one, allow two seconds a turn.
    long per_turn = options.turn_timeout_s > 0 ? options.turn_timeout_s : kSecondsPerTurnWithoutTimeout;
    long limit = kStartSeconds + per_turn * options.turns;
    return limit > kMaxTimeLimitS ? kMaxTimeLimitS : static_cast<int>(limit);
}

std::string UsageText() {
    MatchOptions unused;
    return MakeApp(unused)->help();
}

}  // namespace match
