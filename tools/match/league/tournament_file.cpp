// Writes and reads tournament.json.
#include "match/league/tournament_file.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "match/json/view.h"
#include "match/json/writer.h"
#include "match/names.h"

namespace match {

std::uint64_t SeedFromText(const std::string& text) {
    return std::strtoull(text.c_str(), nullptr, 10);
}

constexpr int kGameNumberDigits = 4;  // game-0001: folders sort in play order up to 9999 games

std::string TournamentGameDir(const std::string& out_dir, int index) {
    std::string number = std::to_string(index);
    if (number.size() < kGameNumberDigits) number.insert(0, kGameNumberDigits - number.size(), '0');
    return out_dir + "/game-" + number;
}

std::string TournamentJson(const TournamentRoster& roster) {
    std::ostringstream out;
    // Seeds are written as strings: JSON readers keep numbers as doubles, exact only below 2^53.
    out << "{\"match_tournament\":1,\"seed\":\"" << roster.seed << "\",\"turns\":" << roster.turns
        << ",\"turn_timeout\":" << roster.turn_timeout_s << ",\"table\":" << roster.table
        << ",\"rounds\":" << roster.rounds << ",\n\"scripts\":[";
    for (size_t i = 0; i < roster.scripts.size(); ++i)
        out << (i ? "," : "") << JsonQuote(roster.scripts[i]);
    // The robots' names, as every table shows them; a reader derives them from the scripts.
    out << "],\n\"names\":[";
    const std::vector<std::string> names = UniqueNames(roster.scripts);
    for (size_t i = 0; i < names.size(); ++i) out << (i ? "," : "") << JsonQuote(names[i]);
    out << "],\n\"games\":[";
    for (size_t i = 0; i < roster.games.size(); ++i) {
        const ScheduledGame& g = roster.games[i];
        out << (i ? ",\n" : "\n") << "{\"index\":" << g.index << ",\"round\":" << g.round
            << ",\"seed\":\"" << g.seed << "\",\"seats\":[";
        for (size_t s = 0; s < g.seats.size(); ++s) out << (s ? "," : "") << g.seats[s];
        out << "]}";
    }
    out << "]}\n";
    return out.str();
}

std::optional<TournamentRoster> ParseTournament(const std::string& text, std::string* error) {
    std::optional<Json> parsed = ParseJson(text, error);
    if (!parsed) return std::nullopt;
    const JsonView doc = *parsed;
    if (doc["match_tournament"].AsInt() != 1) {
        if (error) *error = "not a match tournament file";
        return std::nullopt;
    }
    TournamentRoster roster;
    roster.seed = SeedFromText(doc["seed"].AsString());
    roster.turns = static_cast<int>(doc["turns"].AsInt());
    roster.turn_timeout_s = static_cast<int>(doc["turn_timeout"].AsInt());
    roster.table = static_cast<int>(doc["table"].AsInt());
    roster.rounds = static_cast<int>(doc["rounds"].AsInt());
    for (JsonView s : doc["scripts"].Items()) roster.scripts.push_back(s.AsString());
    const int entries = static_cast<int>(roster.scripts.size());
    for (JsonView g : doc["games"].Items()) {
        ScheduledGame game;
        game.index = static_cast<int>(g["index"].AsInt());
        game.round = static_cast<int>(g["round"].AsInt());
        game.seed = SeedFromText(g["seed"].AsString());
        for (JsonView s : g["seats"].Items()) {
            std::int64_t seat = s.AsInt(-1);
            if (seat < 0 || seat >= entries) {
                if (error)
                    *error = "game " + std::to_string(game.index) + " names an unknown script";
                return std::nullopt;
            }
            game.seats.push_back(static_cast<int>(seat));
        }
        if (game.index != static_cast<int>(roster.games.size()) + 1 || game.seats.size() < 2) {
            if (error) *error = "game " + std::to_string(roster.games.size() + 1) + " is malformed";
            return std::nullopt;
        }
        roster.games.push_back(std::move(game));
    }
    return roster;
}

std::optional<std::string> ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace match
