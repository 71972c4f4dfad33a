// What the lobby keeps beyond its own lifetime: the numbers it gives games, and their results.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "server/json_game_log.h"

namespace gs {

// A finished game as it goes into the results file.
struct GameResult {
    int game = 0;
    std::time_t start = 0;  // UTC seconds
    std::time_t end = 0;
    int turns = 0;
    std::string reason;  // a protocol::game_log::game_end word
    std::string winner;  // "" for none
    std::vector<PlayerRecord> players;  // join order
};

// Durable game numbers and results: the server keeps them in its state folder; a lobby without
// one counts from 1 and keeps nothing.
class GameRecords {
public:
    virtual ~GameRecords() = default;
    // A number no game has had, nor will have even after a crash; 0 when none can be promised.
    virtual int NewGameNumber() = 0;
    // Queues the result; it is on disk before any later byte reaches a client.
    virtual void GameEnded(const GameResult& result) = 0;
};

}  // namespace gs
