// Reads the server's JSON Lines game log: "start" gives the players, "turn" the money series,
// "end" the final states.
#include "match/game/log.h"

#include "match/json.h"

namespace match {
namespace {

MoneySeries& SeriesFor(GameRecord& record, const std::string& name) {
    for (MoneySeries& s : record.money)
        if (s.name == name) return s;
    record.money.push_back(MoneySeries{name, {}, {}, false});
    return record.money.back();
}

void ReadStart(const JsonValue& event, GameRecord& record) {
    record.seed = event["seed"].AsInt();
    record.players.clear();
    for (const JsonValue& p : event["players"].Items()) {
        record.players.push_back(p.AsString());
        SeriesFor(record, p.AsString());
    }
}

void ReadTurn(const JsonValue& event, GameRecord& record) {
    std::int64_t turn = event["turn"].AsInt();
    for (const JsonValue& p : event["players"].Items()) {
        MoneySeries& s = SeriesFor(record, p["name"].AsString());
        if (s.out) continue;  // its line ended at the turn it went out
        s.turns.push_back(turn);
        s.money.push_back(p["money"].AsInt());
        s.out = p["out"].AsBool();
    }
    // Logs written before refusals were recorded have no "refused" key: nothing was refused then.
    for (const JsonValue& r : event["refused"].Items())
        record.refused[r["player"].AsString()].push_back(
            Refusal{turn, r["order"].AsString(), r["reason"].AsString()});
}

void ReadEnd(const JsonValue& event, GameRecord& record) {
    record.ended = true;
    record.last_turn = event["turn"].AsInt();
    record.reason = event["reason"].AsString();
    if (event["winner"].kind() == JsonValue::Kind::kString) record.winner = event["winner"].AsString();
    record.final_states.clear();
    for (const JsonValue& p : event["players"].Items()) {
        FinalState f;
        f.name = p["name"].AsString();
        f.money = p["money"].AsInt();
        f.raw = p["raw"].AsInt();
        f.prod = p["prod"].AsInt();
        f.fabrics = p["fabrics"].AsInt();
        f.auto_plants = p["auto_plants"].AsInt();
        f.out = p["out"].AsBool();
        if (p["out_turn"].kind() == JsonValue::Kind::kNumber) f.out_turn = p["out_turn"].AsInt();
        f.out_reason = p["out_reason"].AsString();
        record.final_states.push_back(f);
    }
}

}  // namespace

GameRecord ReadGameLog(std::istream& in, std::int64_t game, int* warnings) {
    GameRecord record;
    record.game = game;
    int bad = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        std::optional<JsonValue> event = ParseJson(line);
        if (!event || event->kind() != JsonValue::Kind::kObject) {
            ++bad;
            continue;
        }
        const std::string& kind = (*event)["event"].AsString();
        std::int64_t id = (*event)["game"].AsInt(-1);
        if (record.game == 0 && id > 0) record.game = id;
        if (id != record.game) continue;
        if (kind == "start") ReadStart(*event, record);
        else if (kind == "turn") ReadTurn(*event, record);
        else if (kind == "end") ReadEnd(*event, record);
    }
    if (warnings) *warnings = bad;
    return record;
}

}  // namespace match
