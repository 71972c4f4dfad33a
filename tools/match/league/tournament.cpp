// The tournament modes of match. A local run and a planned run share everything but who plays
// the games: both draw the same schedule from the seed, write tournament.json and one result
// file per game, and make the leaderboard from those files in play order.
#include "match/league/tournament.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>

#include "match/game/address.h"
#include "match/outcome/game_result.h"
#include "match/outcome/summary.h"
#include "match/game/runner.h"
#include "match/league/entries.h"
#include "match/league/leaderboard.h"
#include "match/match.h"
#include "match/names.h"
#include "match/game/process.h"
#include "match/programs.h"
#include "match/league/progress.h"
#include "match/web/report.h"
#include "match/league/tournament_file.h"
#include "match/league/workers.h"

namespace match {
namespace {

constexpr const char* kResultsJson = "results.json";
constexpr const char* kReportHtml = "report.html";

using Results = std::vector<std::optional<GameResult>>;

std::string CheckScripts(const std::vector<std::string>& scripts) {
    for (const std::string& path : scripts) {
        struct stat st {};
        if (stat(path.c_str(), &st) != 0)
            return "cannot read script '" + path + "': " + std::strerror(errno);
        if (!S_ISREG(st.st_mode)) return "script '" + path + "' is not a file";
    }
    return std::string();
}

}  // namespace

std::string Resolve(const MatchOptions& options, const ProgramSearch& search, Setting& setting) {
    std::string error = CheckScripts(options.scripts);
    if (!error.empty()) return error;
    setting.range = DefaultHostRange();
    if (!options.host_range.empty()) {
        std::optional<HostRange> range = ParseHostRange(options.host_range, &error);
        if (!range) return "--host-range: " + error;
        setting.range = *range;
    }
    setting.robot =
        ResolveProgram(options.robot_program, "robot", search.self_dir, search.path_list);
    setting.server =
        ResolveProgram(options.server_program, "gameserver", search.self_dir, search.path_list);
    if (setting.robot.empty())
        return "cannot find the robot program (build it first, or name it with --robot)";
    if (setting.server.empty())
        return "cannot find the gameserver program (build it first, or name it with --server)";
    auto now = std::chrono::system_clock::now().time_since_epoch();
    setting.seed = options.seed
                       ? *options.seed
                       : static_cast<std::uint64_t>(
                             std::chrono::duration_cast<std::chrono::seconds>(now).count()) %
                             1000000;
    setting.out_dir = options.out_dir.empty() ? "out/tournament-" + std::to_string(setting.seed)
                                              : options.out_dir;
    return std::string();
}

namespace {

GameSetup MakeSetup(const MatchOptions& options, const Setting& setting,
                    const std::vector<std::string>& scripts, std::uint64_t seed,
                    const std::string& dir, AddressPool* pool) {
    GameSetup setup;
    setup.scripts = scripts;
    setup.names = UniqueNames(scripts);
    setup.robot_program = setting.robot;
    setup.server_program = setting.server;
    setup.seed = seed;
    setup.turns = options.turns;
    setup.turn_timeout_s = options.turn_timeout_s;
    setup.time_limit_s = GameTimeLimit(options);
    setup.on_error = options.on_error;
    setup.out_dir = dir;
    setup.addresses = pool;
    return setup;
}

std::vector<std::string> SeatScripts(const TournamentRoster& roster, const ScheduledGame& game) {
    std::vector<std::string> scripts;
    for (int e : game.seats) scripts.push_back(roster.scripts[static_cast<size_t>(e)]);
    return scripts;
}

// The tournament's names of a game's players in seat order.
std::vector<std::string> SeatLabels(const TournamentRoster& roster, const ScheduledGame& game) {
    const std::vector<std::string> labels = UniqueNames(roster.scripts);
    std::vector<std::string> seated;
    for (int e : game.seats) seated.push_back(labels[static_cast<size_t>(e)]);
    return seated;
}

// "winner LABEL", with `seat_labels` naming the players in seat order.
std::string WinnerOf(const GameResult& result, const std::vector<std::string>& seat_labels) {
    for (size_t seat = 0; seat < result.players.size(); ++seat) {
        if (!result.players[seat].won) continue;
        return "winner " +
               (seat < seat_labels.size() ? seat_labels[seat] : result.players[seat].script);
    }
    return "no winner";
}

bool SameSettings(const TournamentRoster& roster, const GameResult& result) {
    return result.turns == roster.turns && result.turn_timeout_s == roster.turn_timeout_s;
}

}  // namespace

// The result file of game `game`, when there is one that belongs to this tournament.
std::optional<GameResult> ReadResult(const TournamentRoster& roster, const ScheduledGame& game,
                                     const std::string& dir, std::ostream& err) {
    std::string path = TournamentGameDir(dir, game.index) + "/" + kResultFile;
    std::optional<std::string> text = ReadTextFile(path);
    if (!text) return std::nullopt;
    std::string error;
    std::optional<GameResult> result = ParseGameResult(*text, &error);
    if (!result) {
        err << "match: " << path << ": " << error << "; game ignored\n";
        return std::nullopt;
    }
    if (!ResultMatchesGame(roster, game, *result) || !SameSettings(roster, *result)) {
        err << "match: " << path << " is not from this tournament's game " << game.index
            << "; game ignored\n";
        return std::nullopt;
    }
    return result;
}

namespace {

// Prints and writes the standings; returns an error message, empty on success.
std::string Publish(const TournamentRoster& roster, const Results& results, const std::string& dir,
                    std::ostream& out) {
    Standings standings = ComputeStandings(roster, results);
    out << '\n' << standings.games_played << " of " << Count(standings.games_total, "game") << " played";
    if (standings.games_played < standings.games_total)
        out << ", " << standings.games_total - standings.games_played << " missing";
    out << "\n\n"
        << FormatLeaderboard(standings)
        << "\nhead to head (row finished ahead of column, of games together):\n"
        << FormatHeadToHead(standings) << '\n';
    const std::string json_path = dir + "/" + kResultsJson, html_path = dir + "/" + kReportHtml;
    std::ofstream json(json_path, std::ios::trunc);
    json << StandingsJson(roster, standings);
    if (!json.flush()) return "cannot write " + json_path;
    std::ofstream html(html_path, std::ios::trunc);
    html << RenderTournamentReport(roster, standings, results);
    if (!html.flush()) return "cannot write " + html_path;
    out << "results: " << json_path << "\nreport:  " << html_path << '\n';
    return std::string();
}

}  // namespace

std::string CreateFolder(const std::string& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return ec ? "cannot create " + dir + ": " + ec.message() : std::string();
}

namespace {

TournamentRoster DrawTournament(const MatchOptions& options, const Setting& setting) {
    TournamentRoster roster;
    roster.seed = setting.seed;
    roster.turns = options.turns;
    roster.turn_timeout_s = options.turn_timeout_s;
    roster.scripts = options.scripts;
    const int entries = static_cast<int>(roster.scripts.size());
    roster.table = options.table > 0 ? options.table : std::min(entries, kDefaultTable);
    roster.rounds = options.rounds ? options.rounds : kDefaultRounds;
    roster.games = DrawSchedule(entries, roster.table, roster.rounds, roster.seed);
    return roster;
}

std::string Absolute(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    return ec ? path : p.lexically_normal().string();
}

// One shell command that plays game `game` unless its result file is already there; it needs the
// same folders and programs at the same paths wherever it runs.
std::string PlanLine(const MatchOptions& options, const Setting& setting,
                     const TournamentRoster& roster, const ScheduledGame& game,
                     const std::string& match_program) {
    const std::string dir = TournamentGameDir(setting.out_dir, game.index);
    const std::string result = dir + "/" + kResultFile;
    // The scripts and folders are named as on the planning machine's command line, so the line
    // first moves to the folder the plan was made in.
    std::error_code ec;
    std::string line =
        "cd " + ShellQuote(std::filesystem::current_path(ec).string()) + " && { test -e " +
        ShellQuote(result) + " || " + ShellQuote(match_program) + " --result " +
        ShellQuote(result) + " --out " + ShellQuote(dir) + " --seed " + std::to_string(game.seed) +
        " --turns " + std::to_string(roster.turns) + " --turn-timeout " +
        std::to_string(roster.turn_timeout_s) + " --robot " + ShellQuote(Absolute(setting.robot)) +
        " --server " + ShellQuote(Absolute(setting.server));
    if (options.time_limit_s > 0) line += " --time-limit " + std::to_string(options.time_limit_s);
    if (!options.host_range.empty()) line += " --host-range " + ShellQuote(options.host_range);
    if (options.on_error == OnError::kContinue) line += " --on-error continue";
    line += " --";
    for (const std::string& script : SeatScripts(roster, game)) line += " " + ShellQuote(script);
    return line + "; }";
}

}  // namespace

int WritePlan(const MatchOptions& options, const ProgramSearch& search, const Setting& setting,
              const TournamentRoster& roster, std::ostream& out, std::ostream& err) {
    std::ofstream plan(options.plan_file, std::ios::trunc);
    const std::string match_program = Absolute(search.self_dir + "/match");
    // Games whose results were already collected here are left out, so a plan made again after a
    // partial run lists only what is still to play.
    size_t written = 0;
    for (const ScheduledGame& game : roster.games) {
        if (ReadResult(roster, game, setting.out_dir, err)) continue;
        plan << PlanLine(options, setting, roster, game, match_program) << '\n';
        ++written;
    }
    if (!plan.flush()) {
        err << "match: cannot write " << options.plan_file << '\n';
        return 1;
    }
    if (written < roster.games.size())
        out << "match: " << roster.games.size() - written << " of " << roster.games.size()
            << " games already have results in " << setting.out_dir << "; planning the other "
            << written << '\n';
    out << "match: " << Count(static_cast<std::int64_t>(written), "game") << " of "
        << roster.scripts.size() << " scripts written to " << options.plan_file << " (seed "
        << roster.seed << "); run them, e.g.\n"
        << "  parallel < " << ShellQuote(options.plan_file) << "\nthen: match --report "
        << ShellQuote(setting.out_dir) << '\n';
    return 0;
}

std::string PlayScheduledGame(const MatchOptions& options, const Setting& setting,
                              const TournamentRoster& roster, const ScheduledGame& game,
                              AddressPool* pool, std::optional<GameResult>& result) {
    const std::string dir = TournamentGameDir(setting.out_dir, game.index);
    std::string error = CreateFolder(dir);
    if (!error.empty()) return error;
    GameSetup setup = MakeSetup(options, setting, SeatScripts(roster, game), game.seed, dir, pool);
    GameOutcome outcome = RunGame(setup);
    if (!outcome.ok) return outcome.error;
    WriteGameSummaries(outcome, setup);
    result = MakeGameResult(setup, outcome);
    return WriteGameResult(*result, dir + "/" + kResultFile);
}

namespace {

// Plays every game whose result is not there yet, `options.jobs` at a time.
int PlayTournament(const MatchOptions& options, const Setting& setting, const TournamentRoster& roster,
                   std::ostream& out, std::ostream& err) {
    Results results(roster.games.size());
    std::vector<size_t> to_play;
    for (size_t i = 0; i < roster.games.size(); ++i) {
        results[i] = ReadResult(roster, roster.games[i], setting.out_dir, err);
        if (!results[i]) to_play.push_back(i);
    }
    out << "match: tournament of " << roster.scripts.size() << " scripts, tables of " << roster.table
        << ", " << Count(roster.rounds, "round") << ", "
        << Count(static_cast<std::int64_t>(roster.games.size()), "game") << " of "
        << Turns(roster.turns) << ", seed " << roster.seed << "; logs in "
        << setting.out_dir << "/\n";
    if (to_play.size() < roster.games.size())
        out << "match: " << Count(static_cast<std::int64_t>(roster.games.size() - to_play.size()), "game")
            << " already played there; playing the other " << to_play.size() << '\n';
    out.flush();
    AddressPool pool(setting.range, static_cast<std::uint32_t>(getpid()) * 2654435761u);
    Progress progress(out, &out == &std::cout && isatty(STDOUT_FILENO),
                      static_cast<int>(to_play.size()));
    std::vector<std::string> errors(roster.games.size());
    RunOnWorkers(options.jobs, to_play.size(), [&](size_t n) {
        const ScheduledGame& game = roster.games[to_play[n]];
        const std::string error =
            PlayScheduledGame(options, setting, roster, game, &pool, results[to_play[n]]);
        errors[to_play[n]] = error;
        const std::string winner =
            error.empty() ? WinnerOf(*results[to_play[n]], SeatLabels(roster, game)) : "failed";
        progress.GameDone("game " + std::to_string(game.index) + " (round " +
                          std::to_string(game.round) + "): " + winner);
    });
    progress.Finish();
    int status = 0;
    for (size_t i = 0; i < errors.size(); ++i) {
        if (errors[i].empty()) continue;
        err << "match: game " << roster.games[i].index << ", seed " << roster.games[i].seed << ": "
            << errors[i] << '\n';
        status = 1;
    }
    std::string error = Publish(roster, results, setting.out_dir, out);
    if (!error.empty()) err << "match: " << error << '\n';
    return error.empty() ? status : 1;
}

// Leaves the scripts that do not compile out of `entered`, saying so; false (after the reason)
// when the tournament cannot go on without them: a plan must hold every script, and a
// tournament needs two scripts and enough for a table.
bool EnterScripts(const MatchOptions& options, MatchOptions& entered, std::vector<LeftOut>& left_out,
                  std::ostream& out, std::ostream& err) {
    left_out = ScriptsThatDoNotCompile(options.scripts);
    entered = options;
    if (left_out.empty()) return true;
    entered.scripts = ScriptsLeftIn(options.scripts, left_out);
    std::string refusal;
    if (!options.plan_file.empty())
        refusal = "a plan needs every script to compile; fix or remove the scripts above";
    else if (entered.scripts.size() < 2)
        refusal = "a tournament needs two scripts that compile; " +
                  Count(static_cast<std::int64_t>(entered.scripts.size()), "script") + " left";
    else if (static_cast<size_t>(options.table) > entered.scripts.size())
        refusal = "--table " + std::to_string(options.table) + " needs as many scripts that compile; " +
                  std::to_string(entered.scripts.size()) + " left";
    (refusal.empty() ? out : err) << FormatLeftOut(left_out);
    if (refusal.empty()) return true;
    err << "match: " << refusal << '\n';
    return false;
}

// The tournament of the scripts that compile.
int RunEntered(const MatchOptions& options, const ProgramSearch& search, Setting& setting,
               std::ostream& out, std::ostream& err) {
    std::string error = CreateFolder(setting.out_dir);
    TournamentRoster roster = DrawTournament(options, setting);
    const std::string roster_path = setting.out_dir + "/" + kTournamentFile;
    if (error.empty()) {
        std::ofstream file(roster_path, std::ios::trunc);
        file << TournamentJson(roster);
        if (!file.flush()) error = "cannot write " + roster_path;
    }
    if (!error.empty()) {
        err << "match: " << error << '\n';
        return 1;
    }
    if (!options.plan_file.empty()) return WritePlan(options, search, setting, roster, out, err);
    return PlayTournament(options, setting, roster, out, err);
}

int RunTournament(const MatchOptions& options, const ProgramSearch& search, std::ostream& out,
                  std::ostream& err) {
    Setting setting;
    std::string error = Resolve(options, search, setting);
    if (!error.empty()) {
        err << "match: " << error << '\n';
        return 1;
    }
    MatchOptions entered;
    std::vector<LeftOut> left_out;
    if (!EnterScripts(options, entered, left_out, out, err)) return kExitRefused;
    const int status = RunEntered(entered, search, setting, out, err);
    if (left_out.empty() || status != 0) return status;
    err << "match: " << Count(static_cast<std::int64_t>(left_out.size()), "script")
        << " did not compile and played no game (listed above)\n";
    return 1;
}

int RunReport(const std::string& dir, std::ostream& out, std::ostream& err) {
    const std::string path = dir + "/" + kTournamentFile;
    std::optional<std::string> text = ReadTextFile(path);
    if (!text) {
        err << "match: cannot read " << path << " (is " << dir << " a tournament folder?)\n";
        return 1;
    }
    std::string error;
    std::optional<TournamentRoster> roster = ParseTournament(*text, &error);
    if (!roster) {
        err << "match: " << path << ": " << error << '\n';
        return 1;
    }
    Results results;
    for (const ScheduledGame& game : roster->games)
        results.push_back(ReadResult(*roster, game, dir, err));
    error = Publish(*roster, results, dir, out);
    if (!error.empty()) err << "match: " << error << '\n';
    return error.empty() ? 0 : 1;
}

// One game of a plan: plays it and writes its result file; a failed game leaves no file, so a
// re-run of the plan plays it again.
int RunResultGame(const MatchOptions& options, const ProgramSearch& search, std::ostream& out,
                  std::ostream& err) {
    Setting setting;
    MatchOptions single = options;
    if (single.out_dir.empty())
        single.out_dir = std::filesystem::path(options.result_file).parent_path().string();
    if (single.out_dir.empty()) single.out_dir = ".";
    std::string error = Resolve(single, search, setting);
    if (error.empty()) error = CreateFolder(setting.out_dir);
    if (!error.empty()) {
        err << "match: " << error << '\n';
        return 1;
    }
    AddressPool pool(setting.range, static_cast<std::uint32_t>(getpid()) * 2654435761u);
    GameSetup setup =
        MakeSetup(single, setting, single.scripts, setting.seed, setting.out_dir, &pool);
    GameOutcome outcome = RunGame(setup);
    if (!outcome.ok) {
        err << "match: game seed " << setting.seed << ": " << outcome.error << '\n';
        return 1;
    }
    WriteGameSummaries(outcome, setup);
    GameResult result = MakeGameResult(setup, outcome);
    error = WriteGameResult(result, options.result_file);
    if (!error.empty()) {
        err << "match: " << error << '\n';
        return 1;
    }
    out << "game seed " << setting.seed << ": " << WinnerOf(result, setup.names) << " after "
        << Turns(std::max<std::int64_t>(result.last_turn, 0))
        << "; result in " << options.result_file << '\n';
    return 0;
}

}  // namespace

std::string ShellQuote(const std::string& text) {
    bool plain = !text.empty();
    for (char c : text)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || std::strchr("/._-+,:=@%", c)))
            plain = false;
    if (plain) return text;
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

int RunTournamentCommand(const MatchOptions& options, const ProgramSearch& search,
                         std::ostream& out, std::ostream& err) {
    if (!options.report_dir.empty()) return RunReport(options.report_dir, out, err);
    if (!options.result_file.empty()) return RunResultGame(options, search, out, err);
    return RunTournament(options, search, out, err);
}

}  // namespace match
