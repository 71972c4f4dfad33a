// The server target's checks. The marker rules are written from the messages' formats (one
// pattern per marker), not taken from the server, so that the server's own filter is tested.
#include "server_checks.h"

#include <regex>
#include <vector>

#include "match/json.h"
#include "server/rules.h"

namespace fuzz {
namespace {

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

std::int64_t Int(const match::JsonValue& v) { return v.AsInt(-1); }

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
    const auto parsed = match::ParseJson(text);
    if (!parsed) return "log line is not JSON: " + text;
    const match::JsonValue& event = *parsed;
    const std::int64_t game = Int(event["game"]);
    const std::string& kind = event["event"].AsString();
    if (kind == "start") {
        for (const match::JsonValue& name : event["players"].Items()) {
            last_[{game, name.AsString()}] = {gs::kStartMoney, gs::kStartRaw, gs::kStartProd,
                                              gs::kStartFabrics, gs::kStartAutoPlants, false};
        }
        return "";
    }
    if (kind != "turn") return "";

    // What the turn's log says each player paid for and traded.
    std::map<std::string, std::int64_t> paid, sold_n, bought_n;
    for (const match::JsonValue& order : event["orders"].Items()) {
        const std::string& what = order["order"].AsString();
        if (what == "upgrade") paid[order["player"].AsString()] += gs::kUpgradeCost;
        if (what == "abuild") paid[order["player"].AsString()] += gs::kBuildCost;
    }
    for (const match::JsonValue& trade : event["trades"].Items()) {
        const std::string& who = trade["player"].AsString();
        const std::int64_t n = Int(trade["n"]), price = Int(trade["price"]);
        if (trade["kind"].AsString() == "raw") {
            bought_n[who] += n;
            paid[who] += n * price;
        } else {
            sold_n[who] += n;
            paid[who] -= n * price;
        }
    }
    for (const match::JsonValue& record : event["players"].Items()) {
        const std::string& who = record["name"].AsString();
        const Holdings now{Int(record["money"]), Int(record["raw"]),     Int(record["prod"]),
                           Int(record["fabrics"]), Int(record["auto_plants"]), record["out"].AsBool()};
        const std::string where = "game " + std::to_string(game) + ", turn " +
                                  std::to_string(Int(event["turn"])) + ", " + who + ": ";
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
