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
#include "match/outcome/results.h"
#include "match/outcome/summary.h"
#include "match/programs.h"
#include "protocol/robot_protocol.h"

namespace match {
namespace {

constexpr size_t kMaxRobots = protocol::kMaxPlayersPerGame;  // players in one game
constexpr size_t kRefusalsShown = 3;       // refused orders listed per robot on the console

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

std::uint64_t ClockSeed() {
    auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::seconds>(now).count()) % 1000000;
}

// Everything checked and resolved before the first game starts.
struct MatchPlan {
    Lineup lineup;
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
    plan.lineup.names = UniqueNames(options.scripts);
    plan.lineup.labels = PlayerLabels(plan.lineup.names);
    plan.lineup.scripts = options.scripts;
    plan.seed = options.seed ? *options.seed : ClockSeed();
    plan.out_dir = options.out_dir.empty() ? "out/match-" + std::to_string(plan.seed) : options.out_dir;
    return std::string();
}

std::string GameDir(const MatchOptions& options, const MatchPlan& plan, int index) {
    if (options.games == 1) return plan.out_dir;
    return plan.out_dir + "/game-" + std::to_string(plan.seed + static_cast<std::uint64_t>(index));
}

void PrintNotes(const GameOutcome& outcome, std::ostream& out) {
    for (const std::string& note : outcome.notes) out << "note: " << note << '\n';
}

void PrintSingleGame(const GameOutcome& outcome, const MatchPlan& plan, std::ostream& out) {
    out << '\n' << GameSummary(outcome, plan.lineup, kRefusalsShown) << '\n';
    PrintNotes(outcome, out);
    if (!outcome.chart_path.empty()) out << "chart:   " << outcome.chart_path << '\n';
    if (!outcome.replay_path.empty()) out << "replay:  " << outcome.replay_path << '\n';
    out << "summary: " << plan.out_dir << "/" << kSummaryFile << " (and robot-NAME.summary.txt for each robot)\n"
        << "logs:    " << plan.out_dir << "/\n";
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
    out << "match: " << Count(static_cast<std::int64_t>(options.scripts.size()), "robot") << ", seed "
        << plan.seed << ", " << Turns(options.turns) << (options.games > 1 ? ", " + Count(options.games, "game") : "")
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
            setup.names = plan.lineup.names;
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
            if (outcome.ok) WriteSummaries(outcome, plan.lineup, setup.out_dir);
            if (options.games > 1) {
                std::lock_guard<std::mutex> lock(print_mutex);
                out << "game " << (i + 1) << "/" << options.games << ", seed " << setup.seed << ": "
                    << (outcome.ok ? WinnerText(outcome.record, plan.lineup) + " after " + Turns(outcome.record.last_turn)
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
            AddToTotals(RankOurPlayers(o, plan.lineup), totals);
            PrintNotes(o, out);
        }
        out << '\n' << played << " of " << Count(options.games, "game") << " played\n\n" << FormatTotalsTable(totals) << '\n'
            << "charts:  " << plan.out_dir << "/game-*/money.svg\n"
            << "replays: " << plan.out_dir << "/game-*/replay.html\n";
    }
    for (size_t i = 0; i < outcomes.size(); ++i) {
        const GameOutcome& o = outcomes[i];
        if (o.ok && !o.time_limit_reached) continue;
        err << "match: " << (options.games > 1 ? "game seed " + std::to_string(plan.seed + i) + ": " : "")
            << (o.ok ? "the game reached its time limit of " + std::to_string(GameTimeLimit(options)) +
                           " s and its robots were stopped (see --time-limit and --turn-timeout)"
                     : o.error)
            << '\n';
        status = 1;
    }
    return status;
}

}  // namespace match
