// The match: validates its inputs, plays the games on a pool of worker threads and prints tables.
#include "match.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "address.h"
#include "game_runner.h"
#include "names.h"
#include "programs.h"
#include "results.h"
#include "robot_protocol.h"

namespace match {
namespace {

constexpr size_t kMaxRobots = protocol::kMaxPlayersPerGame;  // players in one game

std::string CheckScript(const std::string& path) {
    struct stat st{};
    if (stat(path.c_str(), &st) != 0) return "cannot read script '" + path + "': " + std::strerror(errno);
    if (!S_ISREG(st.st_mode)) return "script '" + path + "' is not a file";
    if (access(path.c_str(), R_OK) != 0) return "cannot read script '" + path + "': " + std::strerror(errno);
    return std::string();
}

std::string ReasonText(const std::string& reason) {
    if (reason == "turn_limit") return "turn limit reached";
    if (reason == "last_player") return "one player left";
    if (reason == "all_out") return "every player went out";
    return reason;
}

// The label of each player in the tables: its script, with the player's name when a script plays twice.
std::map<std::string, std::string> PlayerLabels(const std::vector<std::string>& scripts,
                                                const std::vector<std::string>& names) {
    std::map<std::string, int> uses;
    for (const std::string& s : scripts) ++uses[s];
    std::map<std::string, std::string> labels;
    for (size_t i = 0; i < scripts.size(); ++i)
        labels[names[i]] = uses[scripts[i]] > 1 ? scripts[i] + " (" + names[i] + ")" : scripts[i];
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
    if (!options.host_range.empty()) {
        std::string error;
        std::optional<HostRange> range = ParseHostRange(options.host_range, &error);
        if (!range) return "--host-range: " + error;
        plan.range = *range;
    }
    plan.robot = ResolveProgram(options.robot_program, "robot", search.self_dir, search.path_list);
    plan.server = ResolveProgram(options.server_program, "gameserver", search.self_dir, search.path_list);
    if (plan.robot.empty()) return MissingProgram("robot", options.robot_program, search);
    if (plan.server.empty()) return MissingProgram("gameserver", options.server_program, search);
    plan.names = UniqueNames(options.scripts);
    plan.labels = PlayerLabels(options.scripts, plan.names);
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
std::vector<PlayerResult> RankOurPlayers(const GameRecord& record, const MatchPlan& plan) {
    std::vector<PlayerResult> ranked = RankPlayers(record, plan.labels);
    ranked.erase(std::remove_if(ranked.begin(), ranked.end(),
                                [&](const PlayerResult& r) { return plan.labels.count(r.name) == 0; }),
                 ranked.end());
    return ranked;
}

void PrintNotes(const GameOutcome& outcome, std::ostream& out) {
    for (const std::string& note : outcome.notes) out << "note: " << note << '\n';
}

void PrintSingleGame(const GameOutcome& outcome, const MatchPlan& plan, std::ostream& out) {
    const GameRecord& r = outcome.record;
    out << "\ngame over after " << r.last_turn << " turns (" << ReasonText(r.reason) << "), "
        << WinnerText(r, plan) << "\n\n"
        << FormatResultsTable(RankOurPlayers(r, plan)) << '\n';
    PrintNotes(outcome, out);
    if (!outcome.chart_path.empty()) out << "chart: " << outcome.chart_path << '\n';
    out << "logs:  " << plan.out_dir << "/\n";
}

}  // namespace

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
        << plan.seed << ", " << options.turns << " turns" << (options.games > 1 ? ", " + std::to_string(options.games) + " games" : "")
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
            GameOutcome outcome = RunGame(setup);
            if (options.games > 1) {
                std::lock_guard<std::mutex> lock(print_mutex);
                out << "game " << (i + 1) << "/" << options.games << ", seed " << setup.seed << ": "
                    << (outcome.ok ? WinnerText(outcome.record, plan) + " after " +
                                         std::to_string(outcome.record.last_turn) + " turns"
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
            AddToTotals(RankOurPlayers(o.record, plan), totals);
            PrintNotes(o, out);
        }
        out << '\n' << played << " of " << options.games << " games played\n\n" << FormatTotalsTable(totals) << '\n'
            << "charts: " << plan.out_dir << "/game-*/money.svg\n";
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
