// JSON Lines output of games: built by hand so that the key order and bytes are fixed, and
// because appending to one string is faster than building a JSON tree per turn. Every event and
// key is named in protocol/game_log.h, which match's readers use too.
#include "server/json_game_log.h"

#include <charconv>
#include <cstdio>
#include <ostream>
#include <string_view>

namespace gs {
namespace {

namespace key = protocol::game_log::key;
namespace event = protocol::game_log::event;

// Characters of the longest integer written: the largest uint64, or the smallest int64 and sign.
constexpr std::size_t kMaxIntegerChars = 20;

// Appends `text` as a JSON string literal. Non-ASCII bytes are escaped one by one too, so the log
// is always valid ASCII JSON whatever bytes a client sent.
void AppendString(std::string& json, const std::string& text) {
    json += '"';
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            json += escape;
        } else {
            json += c;
        }
    }
    json += '"';
}

// One JSON text written front to back: each value is preceded by a comma unless it opens its
// object or array, so a writer only says keys and values in order.
class JsonLine {
public:
    JsonLine& Open(char bracket) {
        Separate();
        text_ += bracket;
        first_ = true;
        return *this;
    }
    JsonLine& Close(char bracket) {
        text_ += bracket;
        first_ = false;
        return *this;
    }
    JsonLine& Key(const char* key) {
        Separate();
        text_ += '"';
        text_ += key;
        text_ += "\":";
        first_ = true;  // its value follows without a comma
        return *this;
    }
    template <typename Integer>
    JsonLine& Number(Integer n) {
        char digits[kMaxIntegerChars];
        const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, n);
        return Raw(std::string_view(digits, static_cast<std::size_t>(end.ptr - digits)));
    }
    JsonLine& Bool(bool b) { return Raw(b ? "true" : "false"); }
    JsonLine& Null() { return Raw("null"); }
    JsonLine& Text(const std::string& text) {
        Separate();
        AppendString(text_, text);
        return *this;
    }
    const std::string& str() const { return text_; }

private:
    JsonLine& Raw(std::string_view json) {
        Separate();
        text_ += json;
        return *this;
    }
    void Separate() {
        if (!first_) text_ += ',';
        first_ = false;
    }

    std::string text_;
    bool first_ = true;
};

// The line's opening: {"event":EVENT,"game":GAME
JsonLine EventLine(const char* name, int game) {
    JsonLine line;
    line.Open('{').Key(key::kEvent).Text(name).Key(key::kGame).Number(game);
    return line;
}

void AddPlayers(JsonLine& line, const std::vector<PlayerRecord>& players, bool with_out_turn) {
    line.Key(key::kPlayers).Open('[');
    for (const PlayerRecord& p : players) {
        line.Open('{').Key(key::kName).Text(p.name).Key(key::kMoney).Number(p.money);
        line.Key(key::kRaw).Number(p.raw).Key(key::kProd).Number(p.prod);
        line.Key(key::kFabrics).Number(p.fabrics).Key(key::kAutoPlants).Number(p.auto_plants);
        line.Key(key::kOut).Bool(p.out);
        if (with_out_turn) {
            line.Key(key::kOutTurn);
            p.out ? line.Number(p.out_turn) : line.Null();
        }
        if (p.out && !p.out_reason.empty()) line.Key(key::kOutReason).Text(p.out_reason);
        line.Key(key::kUpgrading).Number(p.upgrading).Key(key::kBuilding).Number(p.building);
        if (p.timed) line.Key(key::kTookMs).Number(p.took_ms).Key(key::kTimedOut).Bool(p.timed_out);
        line.Close('}');
    }
    line.Close(']');
}

void AddMarket(JsonLine& line, const MarketRow& m) {
    line.Key(key::kMarket).Open('{').Key(key::kMood).Number(m.mood);
    line.Key(key::kRaw).Number(m.raw).Key(key::kMinRawPrice).Number(m.min_raw_price);
    line.Key(key::kProd).Number(m.prod).Key(key::kMaxProdPrice).Number(m.max_prod_price);
    line.Close('}');
}

}  // namespace

void GameLog::Start(int game, std::uint64_t seed, int max_turns,
                    const std::vector<std::string>& players) {
    JsonLine line = EventLine(event::kStart, game);
    line.Key(key::kSeed).Number(seed).Key(key::kMaxTurns).Number(max_turns);
    line.Key(key::kPlayers).Open('[');
    for (const std::string& name : players) line.Text(name);
    Write(line.Close(']').Close('}').str());
}

void GameLog::Turn(int game, int turn, const MarketRow& market,
                   const std::vector<OrderRecord>& orders,
                   const std::vector<RefusalRecord>& refused,
                   const std::vector<TradeRecord>& trades,
                   const std::vector<PlayerRecord>& players) {
    JsonLine line = EventLine(event::kTurn, game);
    line.Key(key::kTurn).Number(turn);
    AddMarket(line, market);
    line.Key(key::kOrders).Open('[');
    for (const OrderRecord& o : orders)
        line.Open('{').Key(key::kPlayer).Text(o.player).Key(key::kOrder).Text(o.order).Close('}');
    line.Close(']').Key(key::kRefused).Open('[');
    for (const RefusalRecord& r : refused) {
        line.Open('{').Key(key::kPlayer).Text(r.player).Key(key::kOrder).Text(r.order);
        line.Key(key::kReason).Text(r.reason).Close('}');
    }
    line.Close(']').Key(key::kTrades).Open('[');
    for (const TradeRecord& t : trades) {
        line.Open('{').Key(key::kPlayer).Text(t.player).Key(key::kKind).Text(t.kind);
        line.Key(key::kN).Number(t.n).Key(key::kPrice).Number(t.price).Close('}');
    }
    line.Close(']');
    AddPlayers(line, players, false);
    Write(line.Close('}').str());
}

void GameLog::End(int game, int turn, const std::string& reason, const std::string& winner,
                  const std::vector<PlayerRecord>& players) {
    JsonLine line = EventLine(event::kEnd, game);
    line.Key(key::kTurn).Number(turn).Key(key::kReason).Text(reason).Key(key::kWinner);
    winner.empty() ? line.Null() : line.Text(winner);
    AddPlayers(line, players, true);
    Write(line.Close('}').str());
}

void GameLog::Write(const std::string& line) {
    if (out_ == nullptr) return;
    // Flushed per line: a reader following the file sees each event as soon as it happens.
    *out_ << line << '\n' << std::flush;
}

}  // namespace gs
