// Standings of a tournament: the games are rated in play order, so the same results always
// give the same leaderboard, whichever order they were played in.
#include "match/league/leaderboard.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "match/json/writer.h"
#include "match/names.h"
#include "match/outcome/results.h"

namespace match {
namespace {

constexpr size_t kMaxConsoleHeadToHead = 12;  // scripts; a larger table is only in the report

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void AddGame(const ScheduledGame& game, const GameResult& result, const RatingModel& model,
             Standings& s, std::vector<Rating>& ratings) {
    std::vector<Rating> table;
    std::vector<int> places;
    for (size_t seat = 0; seat < game.seats.size(); ++seat) {
        const int e = game.seats[seat];
        const PlayerOutcome& p = result.players[seat];
        EntryStanding& row = s.board[static_cast<size_t>(e)];
        ++row.games;
        row.wins += p.won ? 1 : 0;
        row.place_sum += p.place;
        row.money_sum += p.money;
        row.bankruptcies += p.bankrupt ? 1 : 0;
        row.runtime_errors += p.runtime_errors;
        row.refused += p.refused;
        table.push_back(ratings[static_cast<size_t>(e)]);
        places.push_back(p.place);
        for (size_t other = 0; other < game.seats.size(); ++other) {
            if (other == seat) continue;
            const size_t o = static_cast<size_t>(game.seats[other]);
            ++s.together[static_cast<size_t>(e)][o];
            if (p.place < result.players[other].place) ++s.ahead[static_cast<size_t>(e)][o];
        }
    }
    model.Rate(table, places);
    for (size_t seat = 0; seat < game.seats.size(); ++seat)
        ratings[static_cast<size_t>(game.seats[seat])] = table[seat];
}

std::vector<double> Conservative(const std::vector<Rating>& ratings) {
    std::vector<double> values;
    for (const Rating& r : ratings) values.push_back(r.Conservative());
    return values;
}

}  // namespace

bool ResultMatchesGame(const TournamentRoster& roster, const ScheduledGame& game,
                       const GameResult& result) {
    if (result.players.size() != game.seats.size() || result.seed != game.seed) return false;
    for (size_t seat = 0; seat < game.seats.size(); ++seat) {
        const PlayerOutcome& p = result.players[seat];
        if (p.script != roster.scripts[static_cast<size_t>(game.seats[seat])] || p.place < 1 ||
            p.place > static_cast<int>(game.seats.size()))
            return false;
    }
    return true;
}

Standings ComputeStandings(const TournamentRoster& roster,
                           const std::vector<std::optional<GameResult>>& results) {
    const size_t n = roster.scripts.size();
    Standings s;
    s.ahead.assign(n, std::vector<int>(n, 0));
    s.together.assign(n, std::vector<int>(n, 0));
    const std::vector<std::string> names = UniqueNames(roster.scripts);
    for (size_t e = 0; e < n; ++e) {
        s.board.emplace_back();
        s.board.back().entry = static_cast<int>(e);
        s.board.back().name = names[e];
        s.board.back().script = roster.scripts[e];
    }
    RatingModel model;
    std::vector<Rating> ratings(n);
    s.history.push_back(Conservative(ratings));
    s.games_total = static_cast<int>(roster.games.size());
    for (size_t i = 0; i < roster.games.size(); ++i) {
        const ScheduledGame& game = roster.games[i];
        if (i < results.size() && results[i] && ResultMatchesGame(roster, game, *results[i])) {
            AddGame(game, *results[i], model, s, ratings);
            ++s.games_played;
            s.played_games.push_back(game.index);
        }
        bool round_ends = i + 1 == roster.games.size() || roster.games[i + 1].round != game.round;
        if (round_ends) s.history.push_back(Conservative(ratings));
    }
    for (size_t e = 0; e < n; ++e) s.board[e].rating = ratings[e];
    std::stable_sort(s.board.begin(), s.board.end(),
                     [](const EntryStanding& a, const EntryStanding& b) {
                         if (a.rating.Conservative() != b.rating.Conservative())
                             return a.rating.Conservative() > b.rating.Conservative();
                         return a.entry < b.entry;
                     });
    return s;
}

std::string FormatLeaderboard(const Standings& standings) {
    std::vector<std::vector<std::string>> rows = {{"rank", "robot", "rating", "mu +- sigma",
                                                   "games", "wins", "mean rank", "mean money",
                                                   "bankrupt", "errors", "refused"}};
    for (size_t i = 0; i < standings.board.size(); ++i) {
        const EntryStanding& e = standings.board[i];
        rows.push_back({std::to_string(i + 1), e.name, Fixed(e.rating.Conservative(), 1),
                        Fixed(e.rating.mu, 1) + " +- " + Fixed(e.rating.sigma, 1),
                        std::to_string(e.games), std::to_string(e.wins), Fixed(e.MeanPlace(), 2),
                        Fixed(e.MeanMoney(), 0), std::to_string(e.bankruptcies),
                        std::to_string(e.runtime_errors), std::to_string(e.refused)});
    }
    return FormatTextTable(rows,
                           {true, false, true, true, true, true, true, true, true, true, true});
}

std::string FormatHeadToHead(const Standings& standings) {
    const size_t n = standings.board.size();
    if (n > kMaxConsoleHeadToHead)
        return "(head-to-head table of " + std::to_string(n) + " robots: see the report)\n";
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>{"ahead of"});
    std::vector<bool> numeric = {false};
    for (size_t c = 0; c < n; ++c)
        rows[0].push_back("#" + std::to_string(c + 1)), numeric.push_back(true);
    for (size_t r = 0; r < n; ++r) {
        const size_t a = static_cast<size_t>(standings.board[r].entry);
        std::vector<std::string> row = {"#" + std::to_string(r + 1) + " " + standings.board[r].name};
        for (size_t c = 0; c < n; ++c) {
            const size_t b = static_cast<size_t>(standings.board[c].entry);
            row.push_back(a == b ? "-"
                                 : std::to_string(standings.ahead[a][b]) + "/" +
                                       std::to_string(standings.together[a][b]));
        }
        rows.push_back(row);
    }
    return FormatTextTable(rows, numeric);
}

std::string StandingsJson(const TournamentRoster& roster, const Standings& s) {
    std::ostringstream out;
    out << "{\n\"seed\":\"" << roster.seed << "\",\"turns\":" << roster.turns
        << ",\"table\":" << roster.table << ",\"rounds\":" << roster.rounds
        << ",\"games_total\":" << s.games_total << ",\"games_played\":" << s.games_played
        << ",\n\"leaderboard\":[";
    for (size_t i = 0; i < s.board.size(); ++i) {
        const EntryStanding& e = s.board[i];
        out << (i ? ",\n" : "\n") << "{\"rank\":" << i + 1 << ",\"name\":" << JsonQuote(e.name)
            << ",\"script\":" << JsonQuote(e.script)
            << ",\"rating\":" << JsonNumber(e.rating.Conservative(), 4)
            << ",\"mu\":" << JsonNumber(e.rating.mu, 4)
            << ",\"sigma\":" << JsonNumber(e.rating.sigma, 4) << ",\"games\":" << e.games
            << ",\"wins\":" << e.wins << ",\"mean_rank\":" << JsonNumber(e.MeanPlace(), 4)
            << ",\"mean_money\":" << JsonNumber(e.MeanMoney(), 2)
            << ",\"bankruptcies\":" << e.bankruptcies << ",\"runtime_errors\":" << e.runtime_errors
            << ",\"refused_orders\":" << e.refused << "}";
    }
    out << "],\n\"head_to_head\":[";
    bool first = true;
    const std::vector<std::string> names = UniqueNames(roster.scripts);
    for (size_t a = 0; a < roster.scripts.size(); ++a)
        for (size_t b = 0; b < roster.scripts.size(); ++b) {
            if (a == b || s.together[a][b] == 0) continue;
            out << (first ? "\n" : ",\n") << "{\"name\":" << JsonQuote(names[a])
                << ",\"opponent\":" << JsonQuote(names[b]) << ",\"ahead\":" << s.ahead[a][b]
                << ",\"games\":" << s.together[a][b] << "}";
            first = false;
        }
    out << "],\n\"rating_history\":[";
    for (size_t r = 0; r < s.history.size(); ++r) {
        out << (r ? ",\n" : "\n") << "[";
        for (size_t e = 0; e < s.history[r].size(); ++e)
            out << (e ? "," : "") << JsonNumber(s.history[r][e], 4);
        out << "]";
    }
    out << "],\n\"scripts\":[";
    for (size_t e = 0; e < roster.scripts.size(); ++e)
        out << (e ? "," : "") << JsonQuote(roster.scripts[e]);
    out << "]\n}\n";
    return out.str();
}

}  // namespace match
