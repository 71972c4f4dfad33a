// Turns one game of the server's JSON Lines log into the replay page's data: the players with
// their colours, and per turn the market, the orders, the trades, every player's holdings and
// what each robot printed.
#include "match/web/replay.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <vector>

#include "match/json/view.h"
#include "match/json/writer.h"
#include "match/web/palette.h"
#include "match/web/turn_output.h"
#include "protocol/game_log.h"

namespace match {
namespace {

namespace key = protocol::game_log::key;
namespace event = protocol::game_log::event;

// Each player's columns in a turn's holdings, in this order; the page takes the names from the
// data, so this table is the only place that lists them. Keys missing from the log give null.
const char* const kHoldingFields[] = {key::kMoney,     key::kRaw,      key::kProd,
                                      key::kFabrics,   key::kAutoPlants, key::kUpgrading,
                                      key::kBuilding,  key::kOut,      key::kOutReason,
                                      key::kTookMs,    key::kTimedOut};
const char* const kMarketFields[] = {key::kMood, key::kRaw, key::kMinRawPrice, key::kProd,
                                     key::kMaxProdPrice};

// A number, flag or text of the log as JSON; anything else (absent, array, object) as null.
std::string Scalar(JsonView value) {
    if (value->is_number()) {
        // Through a double, as the page's script reads it.
        const double n = value.AsNumber();
        if (n == std::floor(n) && std::fabs(n) < 9e15)
            return std::to_string(static_cast<std::int64_t>(n));
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", n);
        return text;
    }
    if (value->is_boolean()) return value.AsBool() ? "true" : "false";
    if (value->is_string()) return JsonQuoteForScript(value.AsString());
    return "null";
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

    void Add(JsonView line) {
        const std::int64_t id = line[key::kGame].AsInt(-1);
        if (game_ == 0 && id > 0) game_ = id;
        if (id != game_) return;
        const std::string& kind = line[key::kEvent].AsString();
        if (kind == event::kStart) Start(line);
        else if (kind == event::kTurn) turns_.push_back(Turn(line));
        else if (kind == event::kEnd) end_ = End(line);
    }

    std::string Json(const std::string& title, const ReplayPlayers& known) const {
        auto quoted = [](const std::string& s) { return JsonQuoteForScript(s); };
        std::string players = "[";
        std::vector<std::vector<TurnOutput>> printed(turns_.size(), std::vector<TurnOutput>(players_.size()));
        for (std::size_t i = 0; i < players_.size(); ++i) {
            auto it = known.find(players_[i]);
            const ReplayPlayer player = it == known.end() ? ReplayPlayer() : it->second;
            players += std::string(i ? "," : "") + "{\"name\":" + JsonQuoteForScript(players_[i]) +
                       ",\"colour\":" + JsonQuoteForScript(PlayerColour(i)) +
                       ",\"ending\":" + (player.ending.empty() ? "null" : JsonQuoteForScript(player.ending)) +
                       ",\"void_turn\":" + (player.void_turn > 0 ? std::to_string(player.void_turn) : "null") + "}";
            PlacePrinted(i, player.console_path, printed);
        }
        return "{\"title\":" + JsonQuoteForScript(title) + ",\"game\":" + std::to_string(game_) +
               ",\"seed\":" + seed_ + ",\"max_turns\":" + max_turns_ + ",\"players\":" + players +
               "],\"fields\":" + JsonArray(kHoldingFields, quoted) +
               ",\"turns\":" + JsonArray(turns_, [](const std::string& t) { return t; }) +
               ",\"printed\":" + JsonArray(printed, PrintedJson) + ",\"end\":" + end_ + "}";
    }

private:
    // How a player stood in one turn, for placing its output.
    struct Played {
        bool played = false;     // it was in when the turn began
        bool timed_out = false;  // the turn timeout ended the turn before it did
    };

    // Gives each turn that player `p` played the output it printed then: the k-th part of its
    // console to the k-th turn it ended itself. A timed-out turn ended without the robot, so its
    // output runs on into the next part; what is left over goes to the turn after the last one it
    // ended (an error, a script that never ends its turn), or else to its last turn.
    void PlacePrinted(std::size_t p, const std::string& console_path,
                      std::vector<std::vector<TurnOutput>>& printed) const {
        if (console_path.empty()) return;
        std::ifstream console(console_path);
        std::vector<TurnOutput> parts = SplitIntoTurns(console, turns_.size() + 1);
        std::vector<std::size_t> ended, played;
        for (std::size_t t = 0; t < played_.size(); ++t) {
            const Played state = p < played_[t].size() ? played_[t][p] : Played();
            if (!state.played) continue;
            played.push_back(t);
            if (!state.timed_out) ended.push_back(t);
        }
        if (played.empty()) return;
        std::size_t k = 0;
        for (; k < parts.size() && k < ended.size(); ++k) printed[ended[k]][p] = std::move(parts[k]);
        if (k == parts.size()) return;
        const std::size_t rest = LeftoverTurn(played, k > 0 ? std::optional<std::size_t>(ended[k - 1]) : std::nullopt);
        for (; k < parts.size(); ++k) Append(printed[rest][p], parts[k]);
    }

    // The first of the `played` turns after `last_given`, the last turn given its own part; the
    // last played turn when there is none.
    static std::size_t LeftoverTurn(const std::vector<std::size_t>& played, std::optional<std::size_t> last_given) {
        for (std::size_t t : played)
            if (!last_given || t > *last_given) return t;
        return played.back();
    }

    // One turn's output of every player: null where it printed nothing.
    static std::string PrintedJson(const std::vector<TurnOutput>& outputs) {
        return JsonArray(outputs, [](const TurnOutput& out) {
            if (out.lines.empty()) return std::string("null");
            return "{\"lines\":" + JsonArray(out.lines, JsonQuoteForScript) + ",\"cut\":" + std::to_string(out.cut) + "}";
        });
    }

    std::size_t PlayerIndex(const std::string& name) {
        auto it = index_.find(name);
        if (it != index_.end()) return it->second;
        players_.push_back(name);
        return index_[name] = players_.size() - 1;
    }

    std::string Ref(JsonView record) {
        return "{\"p\":" + std::to_string(PlayerIndex(record[key::kPlayer].AsString()));
    }

    void Start(JsonView line) {
        seed_ = Scalar(line[key::kSeed]);
        max_turns_ = Scalar(line[key::kMaxTurns]);
        for (JsonView name : line[key::kPlayers].Items()) PlayerIndex(name.AsString());
    }

    // A turn: {"turn","market","orders","refused","trades","holdings"}; holdings[i] belongs to
    // players[i], null for a player missing from this turn's record. These keys are the page's
    // own: they stay when the log's are renamed.
    std::string Turn(JsonView line) {
        std::string market = "{";
        for (const char* field : kMarketFields)
            market += std::string(market.size() > 1 ? "," : "") + "\"" + field + "\":" +
                      Scalar(line[key::kMarket][field]);
        auto order = [&](JsonView o) {
            return Ref(o) + ",\"order\":" + Scalar(o[key::kOrder]) +
                   ",\"reason\":" + Scalar(o[key::kReason]) + "}";
        };
        auto trade = [&](JsonView t) {
            return Ref(t) + ",\"kind\":" + Scalar(t[key::kKind]) + ",\"n\":" + Scalar(t[key::kN]) +
                   ",\"price\":" + Scalar(t[key::kPrice]) + "}";
        };
        std::map<std::size_t, std::string> held;
        std::vector<Played> played;
        for (JsonView p : line[key::kPlayers].Items()) {
            const std::size_t index = PlayerIndex(p[key::kName].AsString());
            held[index] = JsonArray(kHoldingFields, [&](const char* field) { return Scalar(p[field]); });
            played.resize(players_.size());
            out_.resize(players_.size());
            // It played every turn up to the one in which it went out, that one included.
            played[index] = {!out_[index], p[key::kTimedOut].AsBool()};
            if (p[key::kOut].AsBool()) out_[index] = true;
        }
        played_.push_back(std::move(played));
        std::string holdings = "[";
        for (std::size_t i = 0; i < players_.size(); ++i)
            holdings += (i ? "," : "") + (held.count(i) ? held[i] : std::string("null"));
        return "{\"turn\":" + Scalar(line[key::kTurn]) + ",\"market\":" + market +
               "},\"orders\":" + JsonArray(line[key::kOrders].Items(), order) +
               ",\"refused\":" + JsonArray(line[key::kRefused].Items(), order) +
               ",\"trades\":" + JsonArray(line[key::kTrades].Items(), trade) + ",\"holdings\":" + holdings + "]}";
    }

    // The end: {"turn","reason","winner","out_turn"}; winner is a player index or null, out_turn[i]
    // the turn in which players[i] went out (null: stayed in or unknown).
    std::string End(JsonView line) {
        const JsonView winner = line[key::kWinner];
        std::string winner_json =
            winner->is_string() ? std::to_string(PlayerIndex(winner.AsString())) : "null";
        std::map<std::size_t, std::string> out_turn;
        for (JsonView p : line[key::kPlayers].Items())
            out_turn[PlayerIndex(p[key::kName].AsString())] = Scalar(p[key::kOutTurn]);
        std::string outs = "[";
        for (std::size_t i = 0; i < players_.size(); ++i)
            outs += (i ? "," : "") + (out_turn.count(i) ? out_turn[i] : std::string("null"));
        return "{\"turn\":" + Scalar(line[key::kTurn]) +
               ",\"reason\":" + Scalar(line[key::kReason]) + ",\"winner\":" + winner_json +
               ",\"out_turn\":" + outs + "]}";
    }

    std::int64_t game_;
    std::vector<std::string> players_;  // join order, then order of first appearance
    std::map<std::string, std::size_t> index_;
    std::string seed_ = "null";
    std::string max_turns_ = "null";
    std::vector<std::string> turns_;  // each turn's JSON, in log order
    std::vector<std::vector<Played>> played_;  // per turn as in turns_, by player index
    std::vector<bool> out_;                    // by player index: out in a turn read so far
    std::string end_ = "null";
};

}  // namespace

std::string ReplayData(std::istream& log, std::int64_t game, const std::string& title,
                       const ReplayPlayers& known) {
    ReplayBuilder builder(game);
    std::string line;
    while (std::getline(log, line)) {
        std::optional<Json> parsed = ParseJson(line);
        if (parsed && parsed->is_object()) builder.Add(*parsed);
    }
    return builder.Json(title, known);
}

std::string RenderReplay(std::istream& log, std::int64_t game, const std::string& title,
                         const ReplayPlayers& known) {
    return ReplayPage(ReplayData(log, game, title, known));
}

std::string WriteReplay(const std::string& log_path, std::int64_t game, const std::string& title,
                        const std::string& html_path, const ReplayPlayers& known) {
    std::ifstream log(log_path);
    if (!log) return "cannot read " + log_path + " for the replay";
    std::ofstream out(html_path, std::ios::trunc);
    if (!out) return "cannot write " + html_path;
    out << RenderReplay(log, game, title, known);
    out.close();
    return out ? std::string() : "cannot write " + html_path;
}

}  // namespace match
