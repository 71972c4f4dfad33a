// Turns one game of the server's JSON Lines log into the replay page's data: the players with
// their colours, and per turn the market, the orders, the trades and every player's holdings.
#include "match/web/replay.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "match/json.h"
#include "match/json_writer.h"
#include "match/web/palette.h"

namespace match {
namespace {

// Each player's columns in a turn's holdings, in this order; the page takes the names from the
// data, so this table is the only place that lists them. Keys missing from the log give null.
const char* const kHoldingFields[] = {"money",     "raw",      "prod", "fabrics",   "auto_plants",
                                      "upgrading", "building", "out",  "out_reason"};
const char* const kMarketFields[] = {"mood", "raw", "min_raw_price", "prod", "max_prod_price"};

// A number, flag or text of the log as JSON; anything else (absent, array, object) as null.
std::string Scalar(const JsonValue& value) {
    switch (value.kind()) {
        case JsonValue::Kind::kNumber: {
            const double n = value.AsNumber();
            if (n == std::floor(n) && std::fabs(n) < 9e15) return std::to_string(value.AsInt());
            char text[32];
            std::snprintf(text, sizeof text, "%.17g", n);
            return text;
        }
        case JsonValue::Kind::kBool: return value.AsBool() ? "true" : "false";
        case JsonValue::Kind::kString: return JsonQuoteForScript(value.AsString());
        default: return "null";
    }
}

template <typename Items, typename Fn>
std::string JsonArray(const Items& items, Fn item_json) {
    std::string json = "[";
    for (const auto& item : items) json += (json.size() > 1 ? "," : "") + item_json(item);
    return json + "]";
}

// Collects the events of one game and writes them in the page's shape.
class ReplayBuilder {
public:
    explicit ReplayBuilder(std::int64_t game) : game_(game) {}

    void Add(const JsonValue& event) {
        const std::int64_t id = event["game"].AsInt(-1);
        if (game_ == 0 && id > 0) game_ = id;
        if (id != game_) return;
        const std::string& kind = event["event"].AsString();
        if (kind == "start") Start(event);
        else if (kind == "turn") turns_.push_back(Turn(event));
        else if (kind == "end") end_ = End(event);
    }

    std::string Json(const std::string& title, const PlayerEndings& endings) const {
        auto quoted = [](const std::string& s) { return JsonQuoteForScript(s); };
        std::string players = "[";
        for (std::size_t i = 0; i < players_.size(); ++i) {
            auto ending = endings.find(players_[i]);
            std::string ending_json =
                ending == endings.end() ? std::string("null") : JsonQuoteForScript(ending->second);
            players += std::string(i ? "," : "") + "{\"name\":" + JsonQuoteForScript(players_[i]) +
                       ",\"colour\":" + JsonQuoteForScript(PlayerColour(i)) +
                       ",\"ending\":" + ending_json + "}";
        }
        return "{\"title\":" + JsonQuoteForScript(title) + ",\"game\":" + std::to_string(game_) +
               ",\"seed\":" + seed_ + ",\"max_turns\":" + max_turns_ + ",\"players\":" + players +
               "],\"fields\":" + JsonArray(kHoldingFields, quoted) +
               ",\"turns\":" + JsonArray(turns_, [](const std::string& t) { return t; }) +
               ",\"end\":" + end_ + "}";
    }

private:
    std::size_t PlayerIndex(const std::string& name) {
        auto it = index_.find(name);
        if (it != index_.end()) return it->second;
        players_.push_back(name);
        return index_[name] = players_.size() - 1;
    }

    std::string Ref(const JsonValue& record) {
        return "{\"p\":" + std::to_string(PlayerIndex(record["player"].AsString()));
    }

    void Start(const JsonValue& event) {
        seed_ = Scalar(event["seed"]);
        max_turns_ = Scalar(event["max_turns"]);
        for (const JsonValue& name : event["players"].Items()) PlayerIndex(name.AsString());
    }

    // A turn: {"turn","market","orders","refused","trades","holdings"}; holdings[i] belongs to
    // players[i], null for a player missing from this turn's record.
    std::string Turn(const JsonValue& event) {
        std::string market = "{";
        for (const char* key : kMarketFields)
            market += std::string(market.size() > 1 ? "," : "") + "\"" + key + "\":" + Scalar(event["market"][key]);
        auto order = [&](const JsonValue& o) {
            return Ref(o) + ",\"order\":" + Scalar(o["order"]) + ",\"reason\":" + Scalar(o["reason"]) + "}";
        };
        auto trade = [&](const JsonValue& t) {
            return Ref(t) + ",\"kind\":" + Scalar(t["kind"]) + ",\"n\":" + Scalar(t["n"]) +
                   ",\"price\":" + Scalar(t["price"]) + "}";
        };
        std::map<std::size_t, std::string> held;
        for (const JsonValue& p : event["players"].Items())
            held[PlayerIndex(p["name"].AsString())] =
                JsonArray(kHoldingFields, [&](const char* key) { return Scalar(p[key]); });
        std::string holdings = "[";
        for (std::size_t i = 0; i < players_.size(); ++i)
            holdings += (i ? "," : "") + (held.count(i) ? held[i] : std::string("null"));
        return "{\"turn\":" + Scalar(event["turn"]) + ",\"market\":" + market +
               "},\"orders\":" + JsonArray(event["orders"].Items(), order) +
               ",\"refused\":" + JsonArray(event["refused"].Items(), order) +
               ",\"trades\":" + JsonArray(event["trades"].Items(), trade) + ",\"holdings\":" + holdings + "]}";
    }

    // The end: {"turn","reason","winner","out_turn"}; winner is a player index or null, out_turn[i]
    // the turn in which players[i] went out (null: stayed in or unknown).
    std::string End(const JsonValue& event) {
        const JsonValue& winner = event["winner"];
        std::string winner_json =
            winner.kind() == JsonValue::Kind::kString ? std::to_string(PlayerIndex(winner.AsString())) : "null";
        std::map<std::size_t, std::string> out_turn;
        for (const JsonValue& p : event["players"].Items())
            out_turn[PlayerIndex(p["name"].AsString())] = Scalar(p["out_turn"]);
        std::string outs = "[";
        for (std::size_t i = 0; i < players_.size(); ++i)
            outs += (i ? "," : "") + (out_turn.count(i) ? out_turn[i] : std::string("null"));
        return "{\"turn\":" + Scalar(event["turn"]) + ",\"reason\":" + Scalar(event["reason"]) +
               ",\"winner\":" + winner_json + ",\"out_turn\":" + outs + "]}";
    }

    std::int64_t game_;
    std::vector<std::string> players_;  // join order, then order of first appearance
    std::map<std::string, std::size_t> index_;
    std::string seed_ = "null";
    std::string max_turns_ = "null";
    std::vector<std::string> turns_;  // each turn's JSON, in log order
    std::string end_ = "null";
};

}  // namespace

std::string ReplayData(std::istream& log, std::int64_t game, const std::string& title,
                       const PlayerEndings& endings) {
    ReplayBuilder builder(game);
    std::string line;
    while (std::getline(log, line)) {
        std::optional<JsonValue> event = ParseJson(line);
        if (event && event->kind() == JsonValue::Kind::kObject) builder.Add(*event);
    }
    return builder.Json(title, endings);
}

std::string RenderReplay(std::istream& log, std::int64_t game, const std::string& title,
                         const PlayerEndings& endings) {
    return ReplayPage(ReplayData(log, game, title, endings));
}

std::string WriteReplay(const std::string& log_path, std::int64_t game, const std::string& title,
                        const std::string& html_path, const PlayerEndings& endings) {
    std::ifstream log(log_path);
    if (!log) return "cannot read " + log_path + " for the replay";
    std::ofstream out(html_path, std::ios::trunc);
    if (!out) return "cannot write " + html_path;
    out << RenderReplay(log, game, title, endings);
    out.close();
    return out ? std::string() : "cannot write " + html_path;
}

}  // namespace match
