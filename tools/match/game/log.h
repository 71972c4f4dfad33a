// Reads the server's JSON Lines game log into what the results table and the money chart need.
#pragma once

#include <cstdint>
#include <istream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace match {

// One player's state at the end of the game, from the "end" event.
struct FinalState {
    std::string name;
    std::int64_t money = 0;
    std::int64_t raw = 0;
    std::int64_t prod = 0;
    std::int64_t fabrics = 0;
    std::int64_t auto_plants = 0;
    bool out = false;
    std::optional<std::int64_t> out_turn;  // the turn in which the player went out
    std::string out_reason;                // a protocol::game_log::out_reason word; "" unknown
};

// An order the server refused, with its reason ("the lowest raw price this turn is 350").
struct Refusal {
    std::int64_t turn = 0;
    std::string order;
    std::string reason;
};

// One player's money after each completed turn; `money[i]` belongs to `turns[i]`.
struct MoneySeries {
    std::string name;
    std::vector<std::int64_t> turns;
    std::vector<std::int64_t> money;
    bool out = false;  // went out: its line ends at the turn it went out
};

// How one player's turns went, from the "turn" events' "took_ms" and "timed_out" (older logs
// have neither, and give nothing).
struct TurnTimes {
    std::int64_t turns = 0;                // turns it began, as far as the log tells
    std::vector<std::int64_t> timed_out;   // turns the turn timeout ended before it did, in order
};

// Everything a match reports about one game.
struct GameRecord {
    std::int64_t game = 0;
    std::int64_t seed = 0;
    std::vector<std::string> players;  // join order, from the "start" event
    std::vector<MoneySeries> money;    // one series per player, join order
    bool ended = false;                // an "end" event was read
    std::int64_t last_turn = 0;        // turn of the "end" event
    std::string reason;                // a protocol::game_log::game_end word
    std::optional<std::string> winner;
    std::vector<FinalState> final_states;
    std::map<std::string, std::vector<Refusal>> refused;  // per player, in the order given
    std::map<std::string, TurnTimes> turn_times;          // per player
};

// Follows a game log while the server writes it, to tell which turn is in play.
class TurnFollower {
public:
    explicit TurnFollower(std::string path) : path_(std::move(path)) {}
    // Reads what the server added since the last call; the turn in play is one after the last
    // completed turn of `game`.
    std::int64_t TurnInPlay(std::int64_t game);

private:
    std::string path_;
    std::streamoff read_ = 0;  // bytes of whole lines read so far
    std::int64_t completed_ = 0;
};

// Reads the log of one server; when it holds several games, `game` picks one (0: the first
// game it mentions). Lines that are not JSON or not about that game are skipped; `warnings`
// counts the lines that could not be read.
GameRecord ReadGameLog(std::istream& in, std::int64_t game = 0, int* warnings = nullptr);

}  // namespace match
