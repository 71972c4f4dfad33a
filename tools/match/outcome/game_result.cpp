// Builds, writes and reads the result file of one tournament game.
#include "match/outcome/game_result.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "match/json/view.h"
#include "match/json/writer.h"
#include "match/outcome/results.h"
#include "match/league/tournament_file.h"
#include "protocol/game_log.h"

namespace match {
namespace {

namespace log_key = protocol::game_log::key;
namespace log_event = protocol::game_log::event;
namespace log_out_reason = protocol::game_log::out_reason;

constexpr int kResultVersion = 1;  // bumped when the file's meaning changes

// What the game log tells beyond the record match already reads: refused orders per player and
// why players went out. Logs without these keys give nothing.
struct LogExtras {
    std::map<std::string, int> refused;
    std::map<std::string, std::string> out_reason;
};

LogExtras ReadLogExtras(const std::string& path) {
    LogExtras extras;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::optional<Json> parsed = ParseJson(line);
        if (!parsed) continue;
        const JsonView event = *parsed;
        const std::string& kind = event[log_key::kEvent].AsString();
        if (kind == log_event::kTurn)
            for (JsonView r : event[log_key::kRefused].Items())
                ++extras.refused[r[log_key::kPlayer].AsString()];
        if (kind == log_event::kEnd)
            for (JsonView p : event[log_key::kPlayers].Items()) {
                const JsonView reason = p[log_key::kOutReason];
                if (reason->is_string())
                    extras.out_reason[p[log_key::kName].AsString()] = reason.AsString();
            }
    }
    return extras;
}

std::string PlayerJson(const PlayerOutcome& p) {
    std::ostringstream out;
    out << "{\"script\":" << JsonQuote(p.script) << ",\"name\":" << JsonQuote(p.name)
        << ",\"place\":" << p.place << ",\"money\":" << p.money
        << ",\"won\":" << (p.won ? "true" : "false") << ",\"out\":" << (p.out ? "true" : "false")
        << ",\"out_turn\":" << (p.out_turn ? std::to_string(*p.out_turn) : "null")
        << ",\"out_reason\":" << (p.out_reason.empty() ? "null" : JsonQuote(p.out_reason))
        << ",\"bankrupt\":" << (p.bankrupt ? "true" : "false") << ",\"refused\":" << p.refused
        << ",\"runtime_errors\":" << p.runtime_errors << "}";
    return out.str();
}

PlayerOutcome ReadPlayer(JsonView p) {
    PlayerOutcome o;
    o.script = p["script"].AsString();
    o.name = p["name"].AsString();
    o.place = static_cast<int>(p["place"].AsInt());
    o.money = p["money"].AsInt();
    o.won = p["won"].AsBool();
    o.out = p["out"].AsBool();
    if (p["out_turn"]->is_number()) o.out_turn = p["out_turn"].AsInt();
    o.out_reason = p["out_reason"].AsString();
    o.bankrupt = p["bankrupt"].AsBool();
    o.refused = static_cast<int>(p["refused"].AsInt());
    o.runtime_errors = static_cast<int>(p["runtime_errors"].AsInt());
    return o;
}

}  // namespace

int CountRuntimeErrors(const std::string& log_path) {
    std::ifstream in(log_path);
    std::string line;
    int count = 0;
    while (std::getline(in, line))
        if (line.find("~Error:") != std::string::npos) ++count;
    return count;
}

GameResult MakeGameResult(const GameSetup& setup, const GameOutcome& outcome) {
    GameResult result;
    result.seed = setup.seed;
    result.turns = setup.turns;
    result.turn_timeout_s = setup.turn_timeout_s;
    result.last_turn = outcome.record.last_turn;
    result.reason = outcome.record.reason;
    std::map<std::string, std::string> scripts;
    for (size_t i = 0; i < setup.names.size(); ++i) scripts[setup.names[i]] = setup.scripts[i];
    std::vector<PlayerResult> ranked = RankPlayers(outcome.record, scripts);
    LogExtras extras = ReadLogExtras(setup.out_dir + "/game.jsonl");
    for (size_t i = 0; i < setup.names.size(); ++i) {
        PlayerOutcome p;
        p.script = setup.scripts[i];
        p.name = setup.names[i];
        for (size_t r = 0; r < ranked.size(); ++r)
            if (ranked[r].name == p.name)
                p.place = static_cast<int>(r + 1), p.money = ranked[r].money, p.won = ranked[r].won;
        for (const FinalState& f : outcome.record.final_states)
            if (f.name == p.name) p.out = f.out, p.out_turn = f.out_turn;
        auto reason = extras.out_reason.find(p.name);
        if (reason != extras.out_reason.end()) p.out_reason = reason->second;
        // Without the server's word, a player out with a debt went bankrupt; one out with money
        // left disconnected.
        p.bankrupt = p.out_reason.empty() ? p.out && p.money < 0
                                          : p.out_reason == log_out_reason::kBankrupt;
        p.refused = extras.refused.count(p.name) ? extras.refused[p.name] : 0;
        p.runtime_errors = CountRuntimeErrors(setup.out_dir + "/robot-" + p.name + ".log");
        result.players.push_back(p);
    }
    return result;
}

std::string GameResultJson(const GameResult& result) {
    std::ostringstream out;
    out << "{\"match_result\":" << kResultVersion << ",\"seed\":\"" << result.seed
        << "\",\"turns\":" << result.turns << ",\"turn_timeout\":" << result.turn_timeout_s
        << ",\"last_turn\":" << result.last_turn << ",\"reason\":" << JsonQuote(result.reason)
        << ",\"players\":[";
    for (size_t i = 0; i < result.players.size(); ++i)
        out << (i ? ",\n  " : "\n  ") << PlayerJson(result.players[i]);
    out << "\n]}\n";
    return out.str();
}

std::optional<GameResult> ParseGameResult(const std::string& text, std::string* error) {
    std::optional<Json> parsed = ParseJson(text, error);
    if (!parsed) return std::nullopt;
    const JsonView doc = *parsed;
    if (doc["match_result"].AsInt() != kResultVersion || doc["players"].Items().empty()) {
        if (error) *error = "not a match result file";
        return std::nullopt;
    }
    GameResult result;
    result.seed = SeedFromText(doc["seed"].AsString());
    result.turns = static_cast<int>(doc["turns"].AsInt());
    result.turn_timeout_s = static_cast<int>(doc["turn_timeout"].AsInt());
    result.last_turn = doc["last_turn"].AsInt();
    result.reason = doc["reason"].AsString();
    for (JsonView p : doc["players"].Items()) result.players.push_back(ReadPlayer(p));
    return result;
}

std::string WriteGameResult(const GameResult& result, const std::string& path) {
    std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << GameResultJson(result);
        if (!out.flush()) return "cannot write " + temporary;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
        return "cannot rename " + temporary + " to " + path;
    return std::string();
}

}  // namespace match
