// Ranking and plain-text tables for the end of a match.
#include "match/outcome/results.h"

#include <algorithm>
#include <iomanip>
#include <sstream>

namespace match {
namespace {

// A plain-text table: the first row is the header; columns flagged numeric are right-aligned.
std::string FormatTable(const std::vector<std::vector<std::string>>& rows, const std::vector<bool>& numeric) {
    std::vector<size_t> width(numeric.size(), 0);
    for (const auto& row : rows)
        for (size_t c = 0; c < row.size() && c < width.size(); ++c) width[c] = std::max(width[c], row[c].size());
    std::ostringstream out;
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size() && c < width.size(); ++c) {
            std::string pad(width[c] - row[c].size(), ' ');
            line += numeric[c] ? pad + row[c] : row[c] + pad;
            if (c + 1 < row.size()) line += "  ";
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out << line << '\n';
    }
    return out.str();
}

// Sort key: lower sorts first.
struct RankKey {
    int group;               // 0 winner, 1 still in, 2 out
    std::int64_t primary;    // negated money or negated out turn
    std::int64_t secondary;  // negated money
    size_t join_index;

    bool operator<(const RankKey& o) const {
        if (group != o.group) return group < o.group;
        if (primary != o.primary) return primary < o.primary;
        if (secondary != o.secondary) return secondary < o.secondary;
        return join_index < o.join_index;
    }
};

}  // namespace

std::vector<PlayerResult> RankPlayers(const GameRecord& record, const std::map<std::string, std::string>& scripts) {
    std::vector<std::pair<RankKey, PlayerResult>> keyed;
    for (size_t i = 0; i < record.final_states.size(); ++i) {
        const FinalState& f = record.final_states[i];
        PlayerResult r;
        auto it = scripts.find(f.name);
        r.script = it == scripts.end() ? f.name : it->second;
        r.name = f.name;
        r.money = f.money;
        r.fabrics = f.fabrics;
        r.auto_plants = f.auto_plants;
        r.won = record.winner && *record.winner == f.name;
        r.turns = f.out_turn ? *f.out_turn : record.last_turn;
        r.ending.kind = r.won ? RobotEnding::Kind::kWon : RobotEnding::Kind::kLost;
        RankKey key{r.won ? 0 : (f.out ? 2 : 1), f.out && !r.won ? -r.turns : -r.money, -r.money, i};
        keyed.emplace_back(key, r);
    }
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<PlayerResult> ranked;
    for (auto& k : keyed) ranked.push_back(std::move(k.second));
    return ranked;
}

std::string FormatResultsTable(const std::vector<PlayerResult>& ranked) {
    std::vector<std::vector<std::string>> rows = {{"rank", "robot", "money", "plants", "turns", "refused", "ending"}};
    for (size_t i = 0; i < ranked.size(); ++i) {
        const PlayerResult& r = ranked[i];
        rows.push_back({std::to_string(i + 1), r.script, std::to_string(r.money),
                        std::to_string(r.fabrics) + "+" + std::to_string(r.auto_plants), std::to_string(r.turns),
                        std::to_string(r.refused.size()), r.ending.Describe()});
    }
    return FormatTable(rows, {true, false, true, true, true, true, false});
}

void AttachEndings(const std::map<std::string, RobotEnding>& endings, const GameRecord& record,
                   std::vector<PlayerResult>& ranked) {
    for (PlayerResult& r : ranked) {
        auto ending = endings.find(r.name);
        if (ending != endings.end()) r.ending = ending->second;
        auto refused = record.refused.find(r.name);
        if (refused != record.refused.end()) r.refused = refused->second;
    }
}

std::string RefusalText(const Refusal& refusal) {
    return "turn " + std::to_string(refusal.turn) + ": " + refusal.order + ": " + refusal.reason;
}

std::string FormatRefusals(const std::vector<PlayerResult>& ranked, size_t shown) {
    std::string text;
    for (const PlayerResult& r : ranked) {
        if (r.refused.empty()) continue;
        size_t n = r.refused.size();
        text += r.script + ": " + std::to_string(n) + (n == 1 ? " order" : " orders") + " refused\n";
        for (size_t i = 0; i < n && i < shown; ++i) text += "  " + RefusalText(r.refused[i]) + "\n";
        if (n > shown) text += "  ... " + std::to_string(n - shown) + " more\n";
    }
    return text;
}

void AddToTotals(const std::vector<PlayerResult>& ranked, std::vector<ScriptTotals>& totals) {
    for (const PlayerResult& r : ranked) {
        auto it = std::find_if(totals.begin(), totals.end(), [&](const ScriptTotals& t) { return t.script == r.script; });
        if (it == totals.end()) {
            totals.push_back(ScriptTotals{r.script, 0, 0, 0});
            it = totals.end() - 1;
        }
        ++it->games;
        it->wins += r.won ? 1 : 0;
        it->money_sum += r.money;
    }
}

std::string FormatTotalsTable(std::vector<ScriptTotals> totals) {
    std::stable_sort(totals.begin(), totals.end(), [](const ScriptTotals& a, const ScriptTotals& b) {
        if (a.wins != b.wins) return a.wins > b.wins;
        // Compare averages without dividing: a.sum / a.games > b.sum / b.games.
        return static_cast<long double>(a.money_sum) * b.games > static_cast<long double>(b.money_sum) * a.games;
    });
    std::vector<std::vector<std::string>> rows = {{"robot", "wins", "games", "average money"}};
    for (const ScriptTotals& t : totals) {
        std::int64_t average = t.games > 0 ? t.money_sum / t.games : 0;
        rows.push_back({t.script, std::to_string(t.wins), std::to_string(t.games), std::to_string(average)});
    }
    return FormatTable(rows, {false, true, true, true});
}

std::string FormatTextTable(const std::vector<std::vector<std::string>>& rows, const std::vector<bool>& numeric) {
    return FormatTable(rows, numeric);
}

}  // namespace match
