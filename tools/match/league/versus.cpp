// match --versus: draws the pairs, plays them on the tournament's workers (or plans them), and runs
// the sequential test over whole pairs in their order, so the verdict is the same however many
// games ran at once and whether they were played here or through a plan.
#include "match/league/versus.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <mutex>

#include "match/check/check.h"
#include "match/game/address.h"
#include "match/json/view.h"
#include "match/json/writer.h"
#include "match/league/tournament.h"
#include "match/league/tournament_file.h"
#include "match/league/workers.h"
#include "match/names.h"

namespace match {
namespace {

constexpr int kVersusFileVersion = 1;
constexpr int kExitInconclusive = 3;   // the game limit came before a verdict
constexpr int kExitPlanRefused = 2;    // --plan with a script that does not compile
constexpr int kSettingDecimals = 6;    // digits kept of elo0, elo1, alpha and beta in versus.json
constexpr int kPairPoints = 2;         // a pair's points run from 0 to 2

using Results = std::vector<std::optional<GameResult>>;

std::string Fixed(double value, int decimals, bool sign = false) {
    if (std::isinf(value)) return value > 0 ? "+inf" : "-inf";
    if (std::fabs(value) < 0.5 * std::pow(10.0, -decimals)) value = 0;  // no "-0.0"
    char text[64];
    std::snprintf(text, sizeof text, sign ? "%+.*f" : "%.*f", decimals, value);
    return text;
}

// An Elo difference as the options give it: "5", "-2.5".
std::string EloText(double elo) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", elo);
    return text;
}

std::string VersusJson(const SprtSettings& s) {
    return std::string("{\"match_versus\":") + std::to_string(kVersusFileVersion) +
           ",\"elo0\":" + JsonNumber(s.elo0, kSettingDecimals) + ",\"elo1\":" + JsonNumber(s.elo1, kSettingDecimals) +
           ",\"alpha\":" + JsonNumber(s.alpha, kSettingDecimals) + ",\"beta\":" + JsonNumber(s.beta, kSettingDecimals) +
           "}\n";
}

std::optional<SprtSettings> ReadVersusFile(const std::string& dir) {
    std::optional<std::string> text = ReadTextFile(dir + "/" + kVersusFile);
    std::optional<Json> parsed = text ? ParseJson(*text) : std::nullopt;
    if (!parsed) return std::nullopt;
    const JsonView doc = *parsed;
    if (doc["match_versus"].AsInt() != kVersusFileVersion) return std::nullopt;
    return SprtSettings{doc["elo0"].AsNumber(), doc["elo1"].AsNumber(), doc["alpha"].AsNumber(),
                        doc["beta"].AsNumber()};
}

// NEW's score in a game with a result: NEW and OLD are entries 0 and 1.
double ScoreOfGame(const ScheduledGame& game, const GameResult& result) {
    const PlayerOutcome* players[2] = {nullptr, nullptr};
    for (size_t seat = 0; seat < game.seats.size() && seat < result.players.size(); ++seat)
        if (game.seats[seat] == 0 || game.seats[seat] == 1) players[game.seats[seat]] = &result.players[seat];
    return players[0] && players[1] ? VersusScore(*players[0], *players[1]) : 0.5;
}

// The test's progress over the pairs in their order.
struct VersusState {
    VersusTally tally;
    size_t pairs_counted = 0;
    SprtVerdict verdict = SprtVerdict::kContinue;
};

// Counts the next pair when both its games have results; false when it cannot be counted yet.
bool CountNextPair(const TournamentRoster& roster, const Results& results, const SprtSettings& settings,
                   VersusState& state) {
    const size_t first = 2 * state.pairs_counted;
    if (state.verdict != SprtVerdict::kContinue || first + 1 >= results.size() || !results[first] ||
        !results[first + 1])
        return false;
    state.tally.AddPair(ScoreOfGame(roster.games[first], *results[first]),
                        ScoreOfGame(roster.games[first + 1], *results[first + 1]));
    ++state.pairs_counted;
    state.verdict = Decide(LogLikelihoodRatio(state.tally.pairs, settings.elo0, settings.elo1), BoundsOf(settings));
    return true;
}

// The verdict line and the exit status of a test that counted what it could.
int Conclude(const VersusState& state, const SprtSettings& settings, const TournamentRoster& roster,
             std::ostream& out) {
    const std::vector<std::string> names = UniqueNames(roster.scripts);
    out << VerdictText(state.verdict, state.tally.Games(), settings, names[0], names[1]) << '\n';
    return state.verdict == SprtVerdict::kContinue ? kExitInconclusive : 0;
}

TournamentRoster MakeRoster(const MatchOptions& options, const Setting& setting) {
    TournamentRoster roster;
    roster.seed = setting.seed;
    roster.turns = options.turns;
    roster.turn_timeout_s = options.turn_timeout_s;
    roster.scripts = options.scripts;
    roster.scripts.insert(roster.scripts.end(), options.opponents.begin(), options.opponents.end());
    roster.table = static_cast<int>(roster.scripts.size());
    roster.rounds = (options.max_games + 1) / 2;
    roster.games = DrawPairs(roster.rounds, static_cast<int>(options.opponents.size()), setting.seed);
    return roster;
}

// Every script must compile before a game is played or planned; prints the first error of each
// that does not.
bool ScriptsCompile(const std::vector<std::string>& scripts, std::ostream& err) {
    bool all = true;
    for (const std::string& path : scripts) {
        CheckResult check = CheckScriptFile(path);
        if (!check.HasErrors()) continue;
        all = false;
        if (!check.read_error.empty()) err << "match: " << check.read_error << '\n';
        for (const Diagnostic& d : check.diagnostics)
            if (d.severity == Severity::kError) {
                err << FormatDiagnostic(path, d) << '\n';
                break;
            }
    }
    if (!all) err << "match: a script does not compile (see match --check); no game played\n";
    return all;
}

// Plays the pairs `options.jobs` games at a time until the test decides or the pairs run out.
int PlayPairs(const MatchOptions& options, const Setting& setting, const TournamentRoster& roster,
              std::ostream& out, std::ostream& err) {
    Results results(roster.games.size());
    for (size_t i = 0; i < roster.games.size(); ++i)
        results[i] = ReadResult(roster, roster.games[i], setting.out_dir, err);
    VersusState state;
    std::mutex mutex;
    bool failed = false;
    auto count_pairs = [&]() {
        while (CountNextPair(roster, results, options.sprt, state))
            out << "pair " << state.pairs_counted << ": " << TallyLine(state.tally, options.sprt) << '\n';
        out.flush();
    };
    count_pairs();
    AddressPool pool(setting.range, static_cast<std::uint32_t>(getpid()) * 2654435761u);
    RunOnWorkers(
        options.jobs, roster.games.size(),
        [&](size_t n) {
            std::optional<GameResult> result;
            if (results[n]) return;  // played before, in this folder
            const std::string error = PlayScheduledGame(options, setting, roster, roster.games[n], &pool, result);
            std::lock_guard<std::mutex> lock(mutex);
            results[n] = std::move(result);
            if (!error.empty()) {
                err << "match: game " << roster.games[n].index << ", seed " << roster.games[n].seed << ": " << error
                    << '\n';
                failed = true;
            }
            count_pairs();
        },
        [&]() {
            std::lock_guard<std::mutex> lock(mutex);
            return failed || state.verdict != SprtVerdict::kContinue;
        });
    if (failed && state.verdict == SprtVerdict::kContinue) return 1;
    return Conclude(state, options.sprt, roster, out);
}

int RunVersus(const MatchOptions& options, const ProgramSearch& search, std::ostream& out, std::ostream& err) {
    std::vector<std::string> scripts = options.scripts;
    scripts.insert(scripts.end(), options.opponents.begin(), options.opponents.end());
    MatchOptions all = options;
    all.scripts = scripts;
    Setting setting;
    std::string error = Resolve(all, search, setting);
    if (!error.empty()) {
        err << "match: " << error << '\n';
        return 1;
    }
    if (!ScriptsCompile(scripts, err)) return options.plan_file.empty() ? 1 : kExitPlanRefused;
    if (options.out_dir.empty()) setting.out_dir = "out/versus-" + std::to_string(setting.seed);
    const TournamentRoster roster = MakeRoster(options, setting);
    error = CreateFolder(setting.out_dir);
    for (const auto& [name, text] : {std::make_pair(kTournamentFile, TournamentJson(roster)),
                                     std::make_pair(kVersusFile, VersusJson(options.sprt))}) {
        if (!error.empty()) break;
        std::ofstream file(setting.out_dir + "/" + name, std::ios::trunc);
        file << text;
        if (!file.flush()) error = "cannot write " + setting.out_dir + "/" + name;
    }
    if (!error.empty()) {
        err << "match: " << error << '\n';
        return 1;
    }
    if (!options.plan_file.empty()) return WritePlan(options, search, setting, roster, out, err);
    const SprtBounds bounds = BoundsOf(options.sprt);
    const std::vector<std::string> names = UniqueNames(roster.scripts);
    out << "match: " << names[0] << " (NEW) against " << names[1] << " (OLD)"
        << (options.opponents.empty() ? "" : " with " + std::to_string(options.opponents.size()) + " more")
        << ", pairs of games of " << options.turns << " turns from seed " << setting.seed << ", at most "
        << roster.games.size() << " games; H0 Elo " << EloText(options.sprt.elo0) << ", H1 Elo "
        << EloText(options.sprt.elo1) << ", LLR bounds (" << Fixed(bounds.lower, 2) << ", "
        << Fixed(bounds.upper, 2) << "); logs in " << setting.out_dir << "/\n";
    out.flush();
    return PlayPairs(options, setting, roster, out, err);
}

int RunVersusReport(const std::string& dir, std::ostream& out, std::ostream& err) {
    const std::optional<SprtSettings> settings = ReadVersusFile(dir);
    std::optional<std::string> text = ReadTextFile(dir + "/" + kTournamentFile);
    std::string error = "cannot read it";
    std::optional<TournamentRoster> roster = text ? ParseTournament(*text, &error) : std::nullopt;
    if (!settings || !roster || roster->scripts.size() < 2) {
        err << "match: " << dir << " is not the folder of a --versus test: " << error << '\n';
        return 1;
    }
    Results results;
    for (const ScheduledGame& game : roster->games) results.push_back(ReadResult(*roster, game, dir, err));
    VersusState state;
    while (CountNextPair(*roster, results, *settings, state)) {
    }
    out << state.pairs_counted << " of " << roster->rounds << " pairs counted (a pair counts once both its games "
        << "have results, in order)\n"
        << TallyLine(state.tally, *settings) << '\n';
    return Conclude(state, *settings, *roster, out);
}

}  // namespace

double VersusScore(const PlayerOutcome& new_player, const PlayerOutcome& old_player) {
    const bool same_end = new_player.out == old_player.out && new_player.out_turn == old_player.out_turn;
    if (same_end && new_player.money == old_player.money) return 0.5;
    return new_player.place < old_player.place ? 1 : 0;
}

void VersusTally::AddPair(double first_score, double second_score) {
    for (double score : {first_score, second_score}) ++(score > 0.5 ? wins : score < 0.5 ? losses : draws);
    const long points = std::lround((first_score + second_score) * kPairPoints);
    pairs[static_cast<size_t>(std::min<long>(std::max<long>(points, 0), 2 * kPairPoints))] += 1;
}

std::vector<ScheduledGame> DrawPairs(int pairs, int opponents, std::uint64_t seed) {
    std::vector<ScheduledGame> games;
    for (int k = 0; k < pairs; ++k)
        for (int swapped = 0; swapped < 2; ++swapped) {
            ScheduledGame game;
            game.index = static_cast<int>(games.size()) + 1;
            game.round = k + 1;
            game.seed = seed + static_cast<std::uint64_t>(k);
            game.seats = swapped ? std::vector<int>{1, 0} : std::vector<int>{0, 1};
            for (int o = 0; o < opponents; ++o) game.seats.push_back(2 + o);
            games.push_back(game);
        }
    return games;
}

std::string TallyLine(const VersusTally& tally, const SprtSettings& settings) {
    const EloEstimate elo = EstimateElo(tally.pairs);
    const SprtBounds bounds = BoundsOf(settings);
    const int games = tally.Games();
    return std::to_string(games) + (games == 1 ? " game" : " games") + ", W-D-L " + std::to_string(tally.wins) +
           "-" + std::to_string(tally.draws) + "-" + std::to_string(tally.losses) + ", score " +
           Fixed(100 * elo.score, 1) + "%, Elo " + Fixed(elo.elo, 1, true) + " +/- " +
           (std::isinf(elo.margin) ? "inf" : Fixed(elo.margin, 1)) + ", LLR " +
           Fixed(LogLikelihoodRatio(tally.pairs, settings.elo0, settings.elo1), 2) + " (" +
           Fixed(bounds.lower, 2) + ", " + Fixed(bounds.upper, 2) + ")";
}

std::string VerdictText(SprtVerdict verdict, int games, const SprtSettings& settings, const std::string& new_name,
                        const std::string& old_name) {
    const std::string after = " after " + std::to_string(games) + (games == 1 ? " game" : " games");
    switch (verdict) {
    case SprtVerdict::kAcceptH1:
        return "H1 accepted" + after + ": " + new_name + " is better than " + old_name + " by at least " +
               EloText(settings.elo1) + " Elo";
    case SprtVerdict::kAcceptH0:
        return "H0 accepted" + after + ": " + new_name + " is not better than " + old_name + " by more than " +
               EloText(settings.elo0) + " Elo";
    case SprtVerdict::kContinue:
        break;
    }
    return "inconclusive" + after + ": no verdict yet (raise --max-games, or widen --elo0 and --elo1)";
}

bool IsVersusCommand(const MatchOptions& options) {
    return options.versus || (!options.report_dir.empty() && ReadVersusFile(options.report_dir).has_value());
}

int RunVersusCommand(const MatchOptions& options, const ProgramSearch& search, std::ostream& out,
                     std::ostream& err) {
    if (!options.report_dir.empty()) return RunVersusReport(options.report_dir, out, err);
    return RunVersus(options, search, out, err);
}

}  // namespace match
