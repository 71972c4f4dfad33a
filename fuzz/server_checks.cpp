// The server target's checks. The marker rules are written from the messages' formats (one
// pattern per marker), not taken from the server, so that the server's own filter is tested.
#include "server_checks.h"

#include <regex>
#include <vector>

#include <nlohmann/json.hpp>

#include "protocol/game_log.h"
#include "protocol/robot_protocol.h"
#include "server/rules.h"

namespace fuzz {
namespace {

using Json = nlohmann::json;
namespace key = protocol::game_log::key;
namespace event = protocol::game_log::event;

// A marker and the only lines that may contain it: the server's message for it.
struct MarkerRule {
    const char* marker;
    std::regex own_message;
};

const std::vector<MarkerRule>& Rules() {
    // A player name as the server accepts it.
    const std::string name = "[A-Za-z0-9_.-]{1,255}";
    static const std::vector<MarkerRule> rules = {
        {"waiting  #", std::regex("game [0-9]+ \\(" + name + ", [0-9]+ players?\\) is waiting  #[0-9]+")},
        {"games are played", std::regex("[0-9]+ games are played")},
        {" has created the game #", std::regex(name + " has created the game #[0-9]+")},
        {"@+ JOIN ", std::regex("@\\+ JOIN " + name)},
        {"botstart", std::regex("botstart " + name)},
        {"& START", std::regex("& START")},
        {"& MARKET", std::regex("& MARKET( -?[0-9]+){4}")},
        {"& INFO", std::regex("& INFO " + name + "( -?[0-9]+){5}")},
        {"& PLAYERS", std::regex("& PLAYERS [0-9]+")},
        {"# You are a bankrupt,", std::regex("# You are a bankrupt, (your money fell to -?[0-9]+|"
                                             "the game is over \\(winner: " + name + "\\))")},
        {"& ENDTURN", std::regex("& ENDTURN")},
        {"& YOU_WIN", std::regex("& YOU_WIN")},
    };
    return rules;
}

// A key the line may lack (logs of older servers, hand-written test lines) reads as -1 or empty;
// a value of the wrong type throws, and Feed reports the line.
std::int64_t Int(const Json& object, const char* name) {
    return object.value(name, std::int64_t{-1});
}
std::string Text(const Json& object, const char* name) { return object.value(name, std::string()); }
Json Items(const Json& object, const char* name) { return object.value(name, Json::array()); }

}  // namespace

std::string MisusedMarker(const std::string& line) {
    for (const MarkerRule& rule : Rules()) {
        if (line.find(rule.marker) == std::string::npos) continue;
        if (std::regex_match(line, rule.own_message)) continue;
        return rule.marker;
    }
    return "";
}

std::string LedgerCheck::Feed(const std::string& text) {
    const Json line = Json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (line.is_discarded()) return "log line is not JSON: " + text;
    if (!line.is_object()) return "log line is not a JSON object: " + text;
    try {
        return Check(line);
    } catch (const Json::exception& e) {
        return std::string("log line has a value of the wrong type (") + e.what() + "): " + text;
    }
}

std::string LedgerCheck::Check(const Json& line) {
    const std::int64_t game = Int(line, key::kGame);
    const std::string kind = Text(line, key::kEvent);
    if (kind == event::kStart) {
        for (const Json& name : Items(line, key::kPlayers)) {
            last_[{game, name.get<std::string>()}] = {gs::kStartMoney,   gs::kStartRaw,
                                                      gs::kStartProd,    gs::kStartFabrics,
                                                      gs::kStartAutoPlants, false};
        }
        return "";
    }
    if (kind != event::kTurn) return "";

    // What the turn's log says each player paid for and traded.
    std::map<std::string, std::int64_t> paid, sold_n, bought_n;
    for (const Json& order : Items(line, key::kOrders)) {
        const std::string what = Text(order, key::kOrder);
        if (what == protocol::kOrderUpgrade) paid[Text(order, key::kPlayer)] += gs::kUpgradeCost;
        if (what == protocol::kOrderAbuild) paid[Text(order, key::kPlayer)] += gs::kBuildCost;
    }
    for (const Json& trade : Items(line, key::kTrades)) {
        const std::string who = Text(trade, key::kPlayer);
        const std::int64_t n = Int(trade, key::kN), price = Int(trade, key::kPrice);
        if (Text(trade, key::kKind) == protocol::game_log::trade_kind::kRaw) {
            bought_n[who] += n;
            paid[who] += n * price;
        } else {
            sold_n[who] += n;
            paid[who] -= n * price;
        }
    }
    for (const Json& record : Items(line, key::kPlayers)) {
        const std::string who = Text(record, key::kName);
        const Holdings now{Int(record, key::kMoney),   Int(record, key::kRaw),
                           Int(record, key::kProd),    Int(record, key::kFabrics),
                           Int(record, key::kAutoPlants), record.value(key::kOut, false)};
        const std::string where = "game " + std::to_string(game) + ", turn " +
                                  std::to_string(Int(line, key::kTurn)) + ", " + who + ": ";
        if (now.raw < 0 || now.prod < 0 || now.fabrics < 0 || now.auto_plants < 0)
            return where + "negative holdings";
        auto it = last_.find({game, who});
        if (it == last_.end()) return where + "player not in the game's start";
        const Holdings before = it->second;
        it->second = now;
        if (before.out) {
            if (now.money != before.money || now.raw != before.raw || now.prod != before.prod)
                return where + "changed after going out";
            continue;
        }
        const std::int64_t made = now.prod - before.prod + sold_n[who];
        if (made < 0 || now.raw != before.raw + bought_n[who] - made)
            return where + "raw and products do not add up";
        const std::int64_t upkeep = gs::kRawUpkeep * now.raw + gs::kProdUpkeep * now.prod +
                                    gs::kFabricUpkeep * now.fabrics +
                                    gs::kAutoPlantUpkeep * now.auto_plants;
        const std::int64_t expected = before.money - paid[who] - gs::kProductCost * made - upkeep;
        if (now.money != expected)
            return where + "money " + std::to_string(now.money) + ", the rules give " +
                   std::to_string(expected);
    }
    return "";
}

}  // namespace fuzz
