// JSON Lines output of games: built by hand so that the key order and bytes are fixed.
#include "server/json_game_log.h"

#include <cstdio>
#include <ostream>

namespace gs {
namespace {

std::string PlayerJson(const PlayerRecord& p, bool with_out_turn) {
    std::string json = "{\"name\":" + JsonString(p.name) + ",\"money\":" + std::to_string(p.money) +
                       ",\"raw\":" + std::to_string(p.raw) + ",\"prod\":" + std::to_string(p.prod) +
                       ",\"fabrics\":" + std::to_string(p.fabrics) +
                       ",\"auto_plants\":" + std::to_string(p.auto_plants) +
                       ",\"out\":" + (p.out ? "true" : "false");
    if (with_out_turn) {
        json += ",\"out_turn\":" + (p.out ? std::to_string(p.out_turn) : std::string("null"));
    }
    if (p.out && !p.out_reason.empty()) json += ",\"out_reason\":" + JsonString(p.out_reason);
    json += ",\"upgrading\":" + std::to_string(p.upgrading) +
            ",\"building\":" + std::to_string(p.building);
    return json + "}";
}

std::string PlayersJson(const std::vector<PlayerRecord>& players, bool with_out_turn) {
    std::string json = "[";
    for (std::size_t i = 0; i < players.size(); ++i) {
        if (i > 0) json += ",";
        json += PlayerJson(players[i], with_out_turn);
    }
    return json + "]";
}

std::string MarketJson(const MarketRow& m) {
    return "{\"mood\":" + std::to_string(m.mood) + ",\"raw\":" + std::to_string(m.raw) +
           ",\"min_raw_price\":" + std::to_string(m.min_raw_price) +
           ",\"prod\":" + std::to_string(m.prod) +
           ",\"max_prod_price\":" + std::to_string(m.max_prod_price) + "}";
}

}  // namespace

std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            // Non-ASCII bytes are escaped one by one too, so the log is always valid ASCII JSON.
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            json += escape;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

void GameLog::Start(int game, std::uint64_t seed, int max_turns,
                    const std::vector<std::string>& players) {
    std::string line = "{\"event\":\"start\",\"game\":" + std::to_string(game) +
                       ",\"seed\":" + std::to_string(seed) +
                       ",\"max_turns\":" + std::to_string(max_turns) + ",\"players\":[";
    for (std::size_t i = 0; i < players.size(); ++i) {
        if (i > 0) line += ",";
        line += JsonString(players[i]);
    }
    Write(line + "]}");
}

void GameLog::Turn(int game, int turn, const MarketRow& market,
                   const std::vector<OrderRecord>& orders,
                   const std::vector<RefusalRecord>& refused,
                   const std::vector<TradeRecord>& trades,
                   const std::vector<PlayerRecord>& players) {
    std::string line = "{\"event\":\"turn\",\"game\":" + std::to_string(game) +
                       ",\"turn\":" + std::to_string(turn) + ",\"market\":" + MarketJson(market) +
                       ",\"orders\":[";
    for (std::size_t i = 0; i < orders.size(); ++i) {
        if (i > 0) line += ",";
        line += "{\"player\":" + JsonString(orders[i].player) +
                ",\"order\":" + JsonString(orders[i].order) + "}";
    }
    line += "],\"refused\":[";
    for (std::size_t i = 0; i < refused.size(); ++i) {
        if (i > 0) line += ",";
        line += "{\"player\":" + JsonString(refused[i].player) +
                ",\"order\":" + JsonString(refused[i].order) +
                ",\"reason\":" + JsonString(refused[i].reason) + "}";
    }
    line += "],\"trades\":[";
    for (std::size_t i = 0; i < trades.size(); ++i) {
        const TradeRecord& t = trades[i];
        if (i > 0) line += ",";
        line += "{\"player\":" + JsonString(t.player) + ",\"kind\":" + JsonString(t.kind) +
                ",\"n\":" + std::to_string(t.n) + ",\"price\":" + std::to_string(t.price) + "}";
    }
    Write(line + "],\"players\":" + PlayersJson(players, false) + "}");
}

void GameLog::End(int game, int turn, const std::string& reason, const std::string& winner,
                  const std::vector<PlayerRecord>& players) {
    Write("{\"event\":\"end\",\"game\":" + std::to_string(game) +
          ",\"turn\":" + std::to_string(turn) + ",\"reason\":" + JsonString(reason) +
          ",\"winner\":" + (winner.empty() ? "null" : JsonString(winner)) +
          ",\"players\":" + PlayersJson(players, true) + "}");
}

void GameLog::Write(const std::string& line) {
    if (out_ == nullptr) return;
    // Flushed per line: a reader following the file sees each event as soon as it happens.
    *out_ << line << '\n' << std::flush;
}

}  // namespace gs
