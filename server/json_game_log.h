// The JSON Lines game log: one object per game start, per completed turn and per game end,
// keys in a fixed order and no spaces, so that the same game always gives the same bytes.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "protocol/game_log.h"
#include "server/market.h"

namespace gs {

// A player's state as logged after a turn or at the end of a game.
struct PlayerRecord {
    std::string name;
    std::int64_t money = 0;
    std::int64_t raw = 0;
    std::int64_t prod = 0;
    std::int64_t fabrics = 0;
    std::int64_t auto_plants = 0;
    bool out = false;
    int out_turn = 0;        // turn in which the player went out; 0 while it is in
    std::string out_reason;  // why it went out (an out_reason word); "" while it is in
    std::int64_t upgrading = 0;  // plants being upgraded to automatic ones
    std::int64_t building = 0;   // new automatic plants being built
    // How the player's turn went; turn events only, and only for a player in when it began.
    bool timed = false;
    std::int64_t took_ms = 0;  // from the turn's start until the player ended it
    bool timed_out = false;    // the turn timeout ended the turn first
};

// Why a player went out: the words of the log's "out_reason" key.
namespace out_reason = protocol::game_log::out_reason;

// One accepted order, in its canonical text ("buy 2 600").
struct OrderRecord {
    std::string player;
    std::string order;
};

// One refused order: its text and the server's reason, the reply without its "! error: ".
struct RefusalRecord {
    std::string player;
    std::string order;
    std::string reason;
};

// One auction result: `kind` is a protocol::game_log::trade_kind word.
struct TradeRecord {
    std::string player;
    std::string kind;
    std::int64_t n = 0;
    std::int64_t price = 0;
};

// Writes the log's lines to a stream, or nothing when there is no stream.
class GameLog {
public:
    explicit GameLog(std::ostream* out) : out_(out) {}

    void Start(int game, std::uint64_t seed, int max_turns,
               const std::vector<std::string>& players);
    void Turn(int game, int turn, const MarketRow& market, const std::vector<OrderRecord>& orders,
              const std::vector<RefusalRecord>& refused, const std::vector<TradeRecord>& trades,
              const std::vector<PlayerRecord>& players);
    // reason: a protocol::game_log::game_end word; winner "" for none.
    void End(int game, int turn, const std::string& reason, const std::string& winner,
             const std::vector<PlayerRecord>& players);

private:
    void Write(const std::string& line);

    std::ostream* out_;
};

}  // namespace gs
