// Writes what a played game comes to: the result text and the summary files of its folder.
#include "match/outcome/summary.h"

#include <algorithm>
#include <cstdint>
#include <fstream>

#include "protocol/game_log.h"

namespace match {
namespace {

std::string ReasonText(const std::string& reason) {
    if (reason == protocol::game_log::game_end::kTurnLimit) return "turn limit reached";
    if (reason == protocol::game_log::game_end::kLastPlayer) return "one player left";
    if (reason == protocol::game_log::game_end::kAllOut) return "every player went out";
    return reason;
}

// Each robot whose turns the timeout ended: how many and which.
std::string FormatTimeouts(const std::vector<PlayerResult>& ranked, const GameRecord& record) {
    std::string text;
    for (const PlayerResult& r : ranked) {
        auto times = record.turn_times.find(r.name);
        if (times == record.turn_times.end() || times->second.timed_out.empty()) continue;
        const std::vector<std::int64_t>& turns = times->second.timed_out;
        text += r.script + ": " + std::to_string(turns.size()) + " of " + Turns(times->second.turns) + " (" +
                TurnList(turns) + ")\n";
    }
    return text;
}

// One robot's summary file: its script, ending, final state, every report and every refused order.
std::string RobotSummary(const PlayerResult& r, const std::string& script, const std::vector<ErrorReport>& reports) {
    std::string text = "robot:   " + r.name + "\nscript:  " + script + "\nending:  " + r.ending.Describe() +
                       "\nmoney:   " + std::to_string(r.money) + "\nplants:  " + std::to_string(r.fabrics) +
                       " ordinary, " + std::to_string(r.auto_plants) + " automatic\nturns:   " +
                       std::to_string(r.turns) + "\n\nerror reports: " + std::to_string(reports.size()) + "\n" +
                       FormatErrorReports(reports);
    text += "\nrefused orders: " + std::to_string(r.refused.size()) + "\n";
    for (const Refusal& refusal : r.refused) text += "  " + RefusalText(refusal) + "\n";
    return text;
}

}  // namespace

std::string RobotSummaryName(const std::string& name) { return "robot-" + name + ".summary.txt"; }

std::map<std::string, std::string> PlayerLabels(const std::vector<std::string>& names) {
    std::map<std::string, std::string> labels;
    for (const std::string& name : names) labels[name] = name;
    return labels;
}

std::string Count(std::int64_t n, const std::string& noun) {
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

std::string Turns(std::int64_t n) { return Count(n, "turn"); }

std::string TurnList(const std::vector<std::int64_t>& turns) {
    std::string list;
    for (size_t i = 0; i < turns.size();) {
        size_t end = i;  // the last turn of the run that starts at i
        while (end + 1 < turns.size() && turns[end + 1] == turns[end] + 1) ++end;
        if (!list.empty()) list += ", ";
        if (end >= i + 2) {
            list += std::to_string(turns[i]) + "-" + std::to_string(turns[end]);
        } else {
            end = i;
            list += std::to_string(turns[i]);
        }
        i = end + 1;
    }
    return (turns.size() == 1 ? "turn " : "turns ") + list;
}

std::string FormatErrorReports(const std::vector<ErrorReport>& reports) {
    std::vector<std::pair<const ErrorReport*, std::vector<std::int64_t>>> groups;
    for (const ErrorReport& e : reports) {
        auto same = std::find_if(groups.begin(), groups.end(), [&](const auto& g) {
            return g.first->number == e.number && g.first->line == e.line && g.first->text == e.text;
        });
        if (same == groups.end()) same = groups.insert(groups.end(), {&e, {}});
        same->second.push_back(e.turn);
    }
    std::string text;
    for (const auto& [report, turns] : groups) {
        text += "  error " + std::to_string(report->number) + LineText(report->line, false) + ": " + report->text;
        std::vector<std::int64_t> distinct = turns;
        std::sort(distinct.begin(), distinct.end());
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        const std::string times = turns.size() > 1 ? std::to_string(turns.size()) + " times" : "";
        if (distinct.front() == 0)  // some turns are unknown
            text += times.empty() ? "" : " (" + times + ")";
        else
            text += " (" + TurnList(distinct) + (turns.size() > distinct.size() ? "; " + times : "") + ")";
        text += "\n";
    }
    return text;
}

std::string WinnerText(const GameRecord& record, const Lineup& lineup) {
    if (!record.winner) return "no winner";
    auto it = lineup.labels.find(*record.winner);
    return "winner " + (it == lineup.labels.end() ? *record.winner : it->second);
}

std::vector<PlayerResult> RankOurPlayers(const GameOutcome& outcome, const Lineup& lineup) {
    std::vector<PlayerResult> ranked = RankPlayers(outcome.record, lineup.labels);
    ranked.erase(std::remove_if(ranked.begin(), ranked.end(),
                                [&](const PlayerResult& r) { return lineup.labels.count(r.name) == 0; }),
                 ranked.end());
    AttachEndings(outcome.endings, outcome.record, ranked);
    return ranked;
}

std::string GameSummary(const GameOutcome& outcome, const Lineup& lineup, size_t refusals_shown) {
    const GameRecord& r = outcome.record;
    std::vector<PlayerResult> ranked = RankOurPlayers(outcome, lineup);
    std::string refusals = FormatRefusals(ranked, refusals_shown);
    // At the time limit the match stopped the robots, and the server's reason only tells how it
    // saw them go.
    const std::string why = outcome.time_limit_reached ? "the match's time limit ended it" : ReasonText(r.reason);
    std::string timeouts = FormatTimeouts(ranked, r);
    return "game over after " + Turns(r.last_turn) + " (" + why + "), " + WinnerText(r, lineup) + "\n\n" +
           FormatResultsTable(ranked) + (timeouts.empty() ? "" : "\nturns timed out:\n" + timeouts) +
           (refusals.empty() ? "" : "\nrefused orders:\n" + refusals);
}

void WriteSummaries(GameOutcome& outcome, const Lineup& lineup, const std::string& dir) {
    auto write = [&](const std::string& file, const std::string& text) {
        std::ofstream out(dir + "/" + file, std::ios::trunc);
        out << text;
        out.close();
        if (!out) outcome.notes.push_back("cannot write " + dir + "/" + file);
    };
    std::string notes;
    for (const std::string& note : outcome.notes) notes += "note: " + note + "\n";
    write(kSummaryFile, "seed " + std::to_string(outcome.record.seed) + "\n" +
                            GameSummary(outcome, lineup, SIZE_MAX) + (notes.empty() ? "" : "\n" + notes));
    for (const PlayerResult& r : RankOurPlayers(outcome, lineup)) {
        auto at = std::find(lineup.names.begin(), lineup.names.end(), r.name);
        std::string script =
            at == lineup.names.end() ? "" : lineup.scripts[static_cast<size_t>(at - lineup.names.begin())];
        auto reports = outcome.reports.find(r.name);
        write(RobotSummaryName(r.name),
              RobotSummary(r, script, reports == outcome.reports.end() ? std::vector<ErrorReport>{} : reports->second));
    }
}

void WriteGameSummaries(GameOutcome& outcome, const GameSetup& setup) {
    WriteSummaries(outcome, Lineup{setup.names, setup.scripts, PlayerLabels(setup.names)}, setup.out_dir);
}

}  // namespace match
