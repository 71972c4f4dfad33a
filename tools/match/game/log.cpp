// Reads the server's JSON Lines game log: "start" gives the players, "turn" the money series,
// "end" the final states.
#include "match/game/log.h"

#include <fstream>

#include "match/json/view.h"
#include "protocol/game_log.h"

namespace match {
namespace {

namespace key = protocol::game_log::key;
namespace event = protocol::game_log::event;

MoneySeries& SeriesFor(GameRecord& record, const std::string& name) {
    for (MoneySeries& s : record.money)
        if (s.name == name) return s;
    record.money.push_back(MoneySeries{name, {}, {}, false});
    return record.money.back();
}

void ReadStart(JsonView line, GameRecord& record) {
    record.seed = line[key::kSeed].AsInt();
    record.players.clear();
    for (JsonView p : line[key::kPlayers].Items()) {
        record.players.push_back(p.AsString());
        SeriesFor(record, p.AsString());
    }
}

void ReadTurn(JsonView line, GameRecord& record) {
    std::int64_t turn = line[key::kTurn].AsInt();
    for (JsonView p : line[key::kPlayers].Items()) {
        MoneySeries& s = SeriesFor(record, p[key::kName].AsString());
        if (s.out) continue;  // its line ended at the turn it went out
        s.turns.push_back(turn);
        s.money.push_back(p[key::kMoney].AsInt());
        s.out = p[key::kOut].AsBool();
        const JsonView timed_out = p[key::kTimedOut];
        if (!timed_out->is_boolean()) continue;
        TurnTimes& times = record.turn_times[s.name];
        ++times.turns;
        if (timed_out.AsBool()) times.timed_out.push_back(turn);
    }
    // Logs written before refusals were recorded have no "refused" key: nothing was refused then.
    for (JsonView r : line[key::kRefused].Items())
        record.refused[r[key::kPlayer].AsString()].push_back(
            Refusal{turn, r[key::kOrder].AsString(), r[key::kReason].AsString()});
}

void ReadEnd(JsonView line, GameRecord& record) {
    record.ended = true;
    record.last_turn = line[key::kTurn].AsInt();
    record.reason = line[key::kReason].AsString();
    if (line[key::kWinner]->is_string()) record.winner = line[key::kWinner].AsString();
    record.final_states.clear();
    for (JsonView p : line[key::kPlayers].Items()) {
        FinalState f;
        f.name = p[key::kName].AsString();
        f.money = p[key::kMoney].AsInt();
        f.raw = p[key::kRaw].AsInt();
        f.prod = p[key::kProd].AsInt();
        f.fabrics = p[key::kFabrics].AsInt();
        f.auto_plants = p[key::kAutoPlants].AsInt();
        f.out = p[key::kOut].AsBool();
        if (p[key::kOutTurn]->is_number()) f.out_turn = p[key::kOutTurn].AsInt();
        f.out_reason = p[key::kOutReason].AsString();
        record.final_states.push_back(f);
    }
}

}  // namespace

std::int64_t TurnFollower::TurnInPlay(std::int64_t game) {
    std::ifstream in(path_, std::ios::binary);
    in.seekg(read_);
    std::string line;
    // A line without its newline yet is left for the next call.
    while (std::getline(in, line) && !in.eof()) {
        read_ += static_cast<std::streamoff>(line.size()) + 1;
        std::optional<Json> parsed = ParseJson(line);
        if (!parsed) continue;
        const JsonView entry = *parsed;
        if (entry[key::kEvent].AsString() == event::kTurn && entry[key::kGame].AsInt() == game)
            completed_ = entry[key::kTurn].AsInt();
    }
    return completed_ + 1;
}

GameRecord ReadGameLog(std::istream& in, std::int64_t game, int* warnings) {
    GameRecord record;
    record.game = game;
    int bad = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        std::optional<Json> parsed = ParseJson(line);
        if (!parsed || !parsed->is_object()) {
            ++bad;
            continue;
        }
        const JsonView entry = *parsed;
        const std::string& kind = entry[key::kEvent].AsString();
        std::int64_t id = entry[key::kGame].AsInt(-1);
        if (record.game == 0 && id > 0) record.game = id;
        if (id != record.game) continue;
        if (kind == event::kStart) ReadStart(entry, record);
        else if (kind == event::kTurn) ReadTurn(entry, record);
        else if (kind == event::kEnd) ReadEnd(entry, record);
    }
    if (warnings) *warnings = bad;
    return record;
}

}  // namespace match
