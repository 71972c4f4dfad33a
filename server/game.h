// One running game: its players, their orders during a turn, and the end of turn that turns
// the orders into trades, production, plants, upkeep, bankruptcies and finally a winner.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "server/core.h"
#include "server/game_records.h"
#include "server/json_game_log.h"
#include "server/market.h"
#include "server/request.h"
#include "server/rng.h"
#include "server/rules.h"

namespace gs {

// A client taking part in a game, as the lobby hands it over at the start.
struct Seat {
    ClientId client = 0;
    std::string name;
};

// A game from its start to its end, and afterwards the record its players may still ask about.
class Game {
public:
    using SendFn = std::function<void(ClientId, const std::string&)>;

    // send takes the game's lines, except the line that ends a turn for a player: send_turn_end.
    Game(int number, std::vector<Seat> seats, const CoreOptions& options, SendFn send,
         SendFn send_turn_end, GameLog& log, std::ostream* events,
         GameRecords* records = nullptr);

    // Tells every player "& START", logs the start and opens turn 1.
    void Start(std::int64_t now_ms);
    // A well-formed or malformed game request from one of the game's players (in or out).
    void Handle(ClientId client, const Request& request, std::int64_t now_ms);
    // The player's client is gone (disconnected or left): it goes out at the end of this turn
    // and no longer holds the turn up.
    void Detach(ClientId client, std::int64_t now_ms);
    // Ends the turn when its timeout has passed.
    void OnTimer(std::int64_t now_ms);
    // Ends the game now, in the middle of its turn, with no winner: the end record gives reason
    // (a game_end word) and every player still following the game gets last_line.
    void Abort(const std::string& reason, const std::string& last_line);

    int number() const { return number_; }
    int turn() const { return turn_; }
    int turns_resolved() const { return turns_resolved_; }
    bool finished() const { return finished_; }
    std::int64_t deadline_ms() const { return deadline_ms_; }  // -1: none
    int PlayersIn() const;
    // The player is still in the running game and its client still attached.
    bool IsPlaying(ClientId client) const;
    std::vector<ClientId> PlayingClients() const;

private:
    struct Lot {
        std::int64_t count = 0;
        std::int64_t price = 0;
    };

    struct Player {
        Seat seat;
        bool attached = true;  // its client still follows the game
        bool out = false;
        int out_turn = 0;
        std::string out_reason;
        std::int64_t money = kStartMoney;
        std::int64_t raw = kStartRaw;
        std::int64_t prod = kStartProd;
        std::int64_t fabrics = kStartFabrics;
        std::int64_t auto_plants = kStartAutoPlants;
        std::vector<int> upgrades_due;     // turns at whose end an upgrade completes
        std::vector<int> builds_due;       // turns at whose end a new automatic plant is ready
        std::optional<Lot> bid;            // this turn's "buy"
        std::optional<Lot> offer;          // this turn's "sell"
        std::optional<std::int64_t> make;  // this turn's "prod"
        bool done = false;                 // sent "turn"
        std::int64_t done_ms = 0;          // when it sent "turn"
        bool timed_out = false;            // the turn timeout ended this turn before it did
    };

    Player* Find(ClientId client);
    const Player* Find(ClientId client) const;
    void Send(const Player& player, const std::string& line);
    void SendTurnEnd(const Player& player);

    void ReplyMarket(ClientId client);
    void ReplyInfo(ClientId client);
    void Order(Player& player, const Request& request, std::int64_t now_ms);
    void Refuse(const Player& player, const std::string& order, const std::string& reply);
    void GoOut(Player& player, const char* reason);
    std::string Buy(Player& player, const Request& request);
    std::string Sell(Player& player, const Request& request);
    std::string Prod(Player& player, const Request& request);
    std::string Upgrade(Player& player);
    std::string Abuild(Player& player);

    bool Trades(const Player& player) const { return !player.out && player.attached; }
    void EndTurnIfReady(std::int64_t now_ms);
    void EndTurn(std::int64_t now_ms);
    void RawAuction(std::vector<TradeRecord>& trades);
    void ProductAuction(std::vector<TradeRecord>& trades);
    void Production();
    void Building();
    void Upkeep();
    void Bankruptcies();
    void CloseAtTurnLimit();
    void NextTurn(std::int64_t now_ms);
    void Finish(const std::string& reason);
    std::vector<PlayerRecord> Records() const;
    // Records() with how long each player that began the turn took over it.
    std::vector<PlayerRecord> TurnRecords(std::int64_t now_ms) const;

    int number_;
    std::vector<Player> players_;  // join order
    CoreOptions options_;
    SendFn send_;
    SendFn send_turn_end_;
    GameLog& log_;
    std::ostream* events_;
    GameRecords* records_;       // where the result goes at the end, or nullptr
    std::time_t start_time_ = 0;  // UTC seconds of the start
    Rng rng_;
    int turn_ = 0;
    MarketRow market_;
    std::vector<OrderRecord> orders_;     // accepted orders of this turn, in arrival order
    std::vector<RefusalRecord> refused_;  // refused orders of this turn, in arrival order
    std::int64_t deadline_ms_ = -1;
    std::int64_t turn_start_ms_ = 0;
    bool finished_ = false;
    int winner_ = -1;  // index into players_, or -1
    int turns_resolved_ = 0;
};

}  // namespace gs
