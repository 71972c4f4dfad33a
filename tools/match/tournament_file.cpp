// Writes and reads tournament.json.
#include "tournament_file.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "json.h"
#include "json_writer.h"

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

std::string TournamentJson(const TournamentSpec& spec) {
    std::ostringstream out;
    // Seeds are written as strings: JSON readers keep numbers as doubles, exact only below 2^53.
    out << "{\"match_tournament\":1,\"seed\":\"" << spec.seed << "\",\"turns\":" << spec.turns
        << ",\"turn_timeout\":" << spec.turn_timeout_s << ",\"table\":" << spec.table
        << ",\"rounds\":" << spec.rounds << ",\n\"scripts\":[";
    for (size_t i = 0; i < spec.scripts.size(); ++i)
        out << (i ? "," : "") << JsonQuote(spec.scripts[i]);
    out << "],\n\"games\":[";
    for (size_t i = 0; i < spec.games.size(); ++i) {
        const ScheduledGame& g = spec.games[i];
        out << (i ? ",\n" : "\n") << "{\"index\":" << g.index << ",\"round\":" << g.round
            << ",\"seed\":\"" << g.seed << "\",\"seats\":[";
        for (size_t s = 0; s < g.seats.size(); ++s) out << (s ? "," : "") << g.seats[s];
        out << "]}";
    }
    out << "]}\n";
    return out.str();
}

std::optional<TournamentSpec> ParseTournament(const std::string& text, std::string* error) {
    std::optional<JsonValue> doc = ParseJson(text, error);
    if (!doc) return std::nullopt;
    if ((*doc)["match_tournament"].AsInt() != 1) {
        if (error) *error = "not a match tournament file";
        return std::nullopt;
    }
    TournamentSpec spec;
    spec.seed = SeedFromText((*doc)["seed"].AsString());
    spec.turns = static_cast<int>((*doc)["turns"].AsInt());
    spec.turn_timeout_s = static_cast<int>((*doc)["turn_timeout"].AsInt());
    spec.table = static_cast<int>((*doc)["table"].AsInt());
    spec.rounds = static_cast<int>((*doc)["rounds"].AsInt());
    for (const JsonValue& s : (*doc)["scripts"].Items()) spec.scripts.push_back(s.AsString());
    const int entries = static_cast<int>(spec.scripts.size());
    for (const JsonValue& g : (*doc)["games"].Items()) {
        ScheduledGame game;
        game.index = static_cast<int>(g["index"].AsInt());
        game.round = static_cast<int>(g["round"].AsInt());
        game.seed = SeedFromText(g["seed"].AsString());
        for (const JsonValue& s : g["seats"].Items()) {
            std::int64_t seat = s.AsInt(-1);
            if (seat < 0 || seat >= entries) {
                if (error)
                    *error = "game " + std::to_string(game.index) + " names an unknown script";
                return std::nullopt;
            }
            game.seats.push_back(static_cast<int>(seat));
        }
        if (game.index != static_cast<int>(spec.games.size()) + 1 || game.seats.size() < 2) {
            if (error) *error = "game " + std::to_string(spec.games.size() + 1) + " is malformed";
            return std::nullopt;
        }
        spec.games.push_back(std::move(game));
    }
    return spec;
}

std::optional<std::string> ReadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace match
