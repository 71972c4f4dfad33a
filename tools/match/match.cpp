// The match: validates its inputs, plays the games on a pool of worker threads and prints tables.
#include "match/match.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

#include "match/game/address.h"
#include "match/game/runner.h"
#include "match/names.h"
#include "match/programs.h"
#include "match/outcome/results.h"
#include "protocol/game_log.h"
#include "protocol/robot_protocol.h"

namespace match {
namespace {

constexpr size_t kMaxRobots = protocol::kMaxPlayersPerGame;  // players in one game
constexpr size_t kRefusalsShown = 3;       // refused orders listed per robot on the console

std::string Turns(std::int64_t n) { return std::to_string(n) + (n == 1 ? " turn" : " turns"); }

std::string CheckScript(const std::string& path) {
    struct stat st{};
    if (stat(path.c_str(), &st) != 0) return "cannot read script '" + path + "': " + std::strerror(errno);
    if (S_ISDIR(st.st_mode))
        return "'" + path + "' is a folder, not a robot script (name the script files in it, such as " + path +
               (path.empty() || path.back() == '/' ? "" : "/") + "*.robot)";
    if (!S_ISREG(st.st_mode)) return "script '" + path + "' is not a file";
    if (access(path.c_str(), R_OK) != 0) return "cannot read script '" + path + "': " + std::strerror(errno);
    return std::string();
}

std::string ReasonText(const std::string& reason) {
    if (reason == protocol::game_log::game_end::kTurnLimit) return "turn limit reached";
    if (reason == protocol::game_log::game_end::kLastPlayer) return "one player left";
    if (reason == protocol::game_log::game_end::kAllOut) return "every player went out";
    return reason;
}

// The label of each player in tables, summaries, logs and the chart: its player name, which is
// derived from its script and unique in the match (careful, careful-2, ...).
std::map<std::string, std::string> PlayerLabels(const std::vector<std::string>& names) {
    std::map<std::string, std::string> labels;
    for (const std::string& name : names) labels[name] = name;
    return labels;
}

std::uint64_t ClockSeed() {
    auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::seconds>(now).count()) % 1000000;
}

std::string MissingProgram(const std::string& name, const std::string& given, const ProgramSearch& search) {
    if (!given.empty()) return "cannot run '" + given + "': no such executable";
    return "cannot find the " + name + " program (looked in " + search.self_dir +
           " and in PATH); build it first (./match builds everything)";
}

// Everything checked and resolved before the first game starts.
struct MatchPlan {
    std::vector<std::string> names;
    std::vector<std::string> scripts;  // one per name
    std::map<std::string, std::string> labels;
    std::string robot;
    std::string server;
    HostRange range;
    std::uint64_t seed = 0;
    std::string out_dir;
};

// Checks the command line against the file system; returns an error message, empty when all is well.
std::string MakePlan(const MatchOptions& options, const ProgramSearch& search, MatchPlan& plan) {
    for (const std::string& s : options.scripts) {
        std::string error = CheckScript(s);
        if (!error.empty()) return error;
    }
    if (options.scripts.size() > kMaxRobots)
        return "at most " + std::to_string(kMaxRobots) + " robots can play in one game";
    plan.range = DefaultHostRange();
    if (!options.host_range.empty()) plan.range = ParseHostRange(options.host_range).value_or(plan.range);
    plan.robot = ResolveProgram(options.robot_program, "robot", search.self_dir, search.path_list);
    plan.server = ResolveProgram(options.server_program, "gameserver", search.self_dir, search.path_list);
    if (plan.robot.empty()) return MissingProgram("robot", options.robot_program, search);
    if (plan.server.empty()) return MissingProgram("gameserver", options.server_program, search);
    plan.names = UniqueNames(options.scripts);
    plan.labels = PlayerLabels(plan.names);
    plan.scripts = options.scripts;
    plan.seed = options.seed ? *options.seed : ClockSeed();
    plan.out_dir = options.out_dir.empty() ? "out/match-" + std::to_string(plan.seed) : options.out_dir;
    return std::string();
}

std::string GameDir(const MatchOptions& options, const MatchPlan& plan, int index) {
    if (options.games == 1) return plan.out_dir;
    return plan.out_dir + "/game-" + std::to_string(plan.seed + static_cast<std::uint64_t>(index));
}

std::string WinnerText(const GameRecord& record, const MatchPlan& plan) {
    if (!record.winner) return "no winner";
    auto it = plan.labels.find(*record.winner);
    return "winner " + (it == plan.labels.end() ? *record.winner : it->second);
}

// The ranked robots of the match; anyone else in the game (the solo helper, should it ever be
// let in) is left out of the tables.
std::vector<PlayerResult> RankOurPlayers(const GameOutcome& outcome, const MatchPlan& plan) {
    std::vector<PlayerResult> ranked = RankPlayers(outcome.record, plan.labels);
    ranked.erase(std::remove_if(ranked.begin(), ranked.end(),
                                [&](const PlayerResult& r) { return plan.labels.count(r.name) == 0; }),
                 ranked.end());
    AttachEndings(outcome.endings, outcome.record, ranked);
    return ranked;
}

void PrintNotes(const GameOutcome& outcome, std::ostream& out) {
    for (const std::string& note : outcome.notes) out << "note: " << note << '\n';
}

// The game's result as printed after a single game and kept in its folder's summary.
std::string GameSummary(const GameOutcome& outcome, const MatchPlan& plan, size_t refusals_shown) {
    const GameRecord& r = outcome.record;
    std::vector<PlayerResult> ranked = RankOurPlayers(outcome, plan);
    std::string refusals = FormatRefusals(ranked, refusals_shown);
    return "game over after " + Turns(r.last_turn) + " (" + ReasonText(r.reason) + "), " + WinnerText(r, plan) +
           "\n\n" + FormatResultsTable(ranked) + (refusals.empty() ? "" : "\nrefused orders:\n" + refusals);
}

// One robot's summary file: its script, ending, final state, every report and every refused order.
std::string RobotSummary(const PlayerResult& r, const std::string& script, const std::vector<ErrorReport>& reports) {
    std::string text = "robot:   " + r.name + "\nscript:  " + script + "\nending:  " + r.ending.Describe() +
                       "\nmoney:   " + std::to_string(r.money) + "\nplants:  " + std::to_string(r.fabrics) +
                       " ordinary, " + std::to_string(r.auto_plants) + " automatic\nturns:   " +
                       std::to_string(r.turns) + "\n\nerror reports: " + std::to_string(reports.size()) + "\n";
    for (const ErrorReport& e : reports) text += "  error " + std::to_string(e.number) + ": " + e.text + "\n";
    text += "\nrefused orders: " + std::to_string(r.refused.size()) + "\n";
    for (const Refusal& refusal : r.refused) text += "  " + RefusalText(refusal) + "\n";
    return text;
}

// Writes summary.txt and one robot-NAME.summary.txt per robot into the game's folder.
void WriteSummaries(GameOutcome& outcome, const MatchPlan& plan, const std::string& dir) {
    auto write = [&](const std::string& file, const std::string& text) {
        std::ofstream out(dir + "/" + file, std::ios::trunc);
        out << text;
        out.close();
        if (!out) outcome.notes.push_back("cannot write " + dir + "/" + file);
    };
    std::string notes;
    for (const std::string& note : outcome.notes) notes += "note: " + note + "\n";
    write(kSummaryFile, "seed " + std::to_string(outcome.record.seed) + "\n" +
                            GameSummary(outcome, plan, SIZE_MAX) + (notes.empty() ? "" : "\n" + notes));
    for (const PlayerResult& r : RankOurPlayers(outcome, plan)) {
        auto at = std::find(plan.names.begin(), plan.names.end(), r.name);
        std::string script = at == plan.names.end() ? "" : plan.scripts[static_cast<size_t>(at - plan.names.begin())];
        auto reports = outcome.reports.find(r.name);
        write(RobotSummaryName(r.name),
              RobotSummary(r, script, reports == outcome.reports.end() ? std::vector<ErrorReport>{} : reports->second));
    }
}

void PrintSingleGame(const GameOutcome& outcome, const MatchPlan& plan, std::ostream& out) {
    out << '\n' << GameSummary(outcome, plan, kRefusalsShown) << '\n';
    PrintNotes(outcome, out);
    if (!outcome.chart_path.empty()) out << "chart:   " << outcome.chart_path << '\n';
    if (!outcome.replay_path.empty()) out << "replay:  " << outcome.replay_path << '\n';
    out << "summary: " << plan.out_dir << "/" << kSummaryFile << " (and robot-NAME.summary.txt for each robot)\n"
        << "logs:    " << plan.out_dir << "/\n";
}

}  // namespace

void WriteGameSummaries(GameOutcome& outcome, const GameSetup& setup) {
    MatchPlan plan;
    plan.names = setup.names;
    plan.scripts = setup.scripts;
    plan.labels = PlayerLabels(plan.names);
    plan.seed = setup.seed;
    plan.out_dir = setup.out_dir;
    WriteSummaries(outcome, plan, setup.out_dir);
}

int RunMatch(const MatchOptions& options, const ProgramSearch& search, std::ostream& out, std::ostream& err) {
    MatchPlan plan;
    std::string error = MakePlan(options, search, plan);
    if (!error.empty()) {
        err << "match: " << error << '\n';
        return 1;
    }
    std::vector<std::string> dirs;
    for (int i = 0; i < options.games; ++i) {
        dirs.push_back(GameDir(options, plan, i));
        std::error_code ec;
        std::filesystem::create_directories(dirs.back(), ec);
        if (ec) {
            err << "match: cannot create " << dirs.back() << ": " << ec.message() << '\n';
            return 1;
        }
    }
    out << "match: " << options.scripts.size() << (options.scripts.size() == 1 ? " robot" : " robots") << ", seed "
        << plan.seed << ", " << Turns(options.turns) << (options.games > 1 ? ", " + std::to_string(options.games) + " games" : "")
        << "; logs in " << plan.out_dir << "/\n";
    out.flush();

    AddressPool pool(plan.range, static_cast<std::uint32_t>(getpid()) * 2654435761u);
    std::vector<GameOutcome> outcomes(static_cast<size_t>(options.games));
    std::atomic<int> next{0};
    std::mutex print_mutex;
    auto worker = [&]() {
        for (int i = next++; i < options.games; i = next++) {
            GameSetup setup;
            setup.scripts = options.scripts;
            setup.names = plan.names;
            setup.robot_program = plan.robot;
            setup.server_program = plan.server;
            setup.seed = plan.seed + static_cast<std::uint64_t>(i);
            setup.turns = options.turns;
            setup.turn_timeout_s = options.turn_timeout_s;
            setup.time_limit_s = GameTimeLimit(options);
            setup.out_dir = dirs[static_cast<size_t>(i)];
            setup.addresses = &pool;
            setup.on_error = options.on_error;
            GameOutcome outcome = RunGame(setup);
            if (outcome.ok) WriteSummaries(outcome, plan, setup.out_dir);
            if (options.games > 1) {
                std::lock_guard<std::mutex> lock(print_mutex);
                out << "game " << (i + 1) << "/" << options.games << ", seed " << setup.seed << ": "
                    << (outcome.ok ? WinnerText(outcome.record, plan) + " after " + Turns(outcome.record.last_turn)
                                   : "failed")
                    << '\n';
                out.flush();
            }
            outcomes[static_cast<size_t>(i)] = std::move(outcome);
        }
    };
    std::vector<std::thread> threads;
    for (int j = 0; j < std::min(options.jobs, options.games); ++j) threads.emplace_back(worker);
    for (std::thread& t : threads) t.join();

    int status = 0;
    if (options.games == 1) {
        if (outcomes[0].ok) PrintSingleGame(outcomes[0], plan, out);
    } else {
        std::vector<ScriptTotals> totals;
        int played = 0;
        for (const GameOutcome& o : outcomes) {
            if (!o.ok) continue;
            ++played;
            AddToTotals(RankOurPlayers(o, plan), totals);
            PrintNotes(o, out);
        }
        out << '\n' << played << " of " << options.games << " games played\n\n" << FormatTotalsTable(totals) << '\n'
            << "charts:  " << plan.out_dir << "/game-*/money.svg\n"
            << "replays: " << plan.out_dir << "/game-*/replay.html\n";
    }
    for (size_t i = 0; i < outcomes.size(); ++i) {
        if (outcomes[i].ok) continue;
        err << "match: " << (options.games > 1 ? "game seed " + std::to_string(plan.seed + i) + ": " : "")
            << outcomes[i].error << '\n';
        status = 1;
    }
    return status;
}

}  // namespace match
