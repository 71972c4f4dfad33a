// Checks the server fuzz target makes after every input: robot markers only in their own
// messages, and the game log's holdings and money as the rules allow.
#ifndef FUZZ_SERVER_CHECKS_H
#define FUZZ_SERVER_CHECKS_H

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include <nlohmann/json_fwd.hpp>

namespace fuzz {

// What a line sent to a client may carry. Returns "" when the line is sound, else the marker
// it misuses (a relayed chat line "NAME: text" may carry none).
std::string MisusedMarker(const std::string& line);

// Follows the server's JSON Lines game log and checks every player's record against the one
// before: holdings (raw, products, plants) never negative, and money changed exactly by the
// turn's orders, trades, production and upkeep.
class LedgerCheck {
public:
    // One complete log line; returns "" when it agrees with the rules, else what is wrong.
    std::string Feed(const std::string& line);

private:
    std::string Check(const nlohmann::json& line);  // Feed's checks of one parsed line

    struct Holdings {
        std::int64_t money = 0, raw = 0, prod = 0, fabrics = 0, auto_plants = 0;
        bool out = false;
    };
    using Key = std::pair<std::int64_t, std::string>;  // game number, player name

    std::map<Key, Holdings> last_;
};

}  // namespace fuzz

#endif
