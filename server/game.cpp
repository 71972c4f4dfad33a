// A game's requests, orders and end of turn.
#include "server/game.h"

#include <algorithm>
#include <ctime>
#include <ostream>

#include "protocol/game_log.h"
#include "protocol/robot_protocol.h"
#include "server/server_text.h"

namespace gs {
namespace {

namespace game_end = protocol::game_log::game_end;
namespace trade_kind = protocol::game_log::trade_kind;

bool IsOrder(RequestKind kind) {
    return kind != RequestKind::kNone && kind != RequestKind::kMarket && kind != RequestKind::kInfo;
}

// The order's word alone ("buy"), for orders too malformed to have a canonical text.
std::string OrderWord(RequestKind kind) {
    Request bare;
    bare.kind = kind;
    const std::string text = RequestText(bare);
    return text.substr(0, text.find(' '));
}

}  // namespace

Game::Game(int number, std::vector<Seat> seats, const CoreOptions& options, SendFn send,
           SendFn send_turn_end, GameLog& log, std::ostream* events,
           GameRecords* records)
    : number_(number),
      options_(options),
      send_(std::move(send)),
      send_turn_end_(std::move(send_turn_end)),
      log_(log),
      events_(events),
      records_(records),
      rng_(Rng::ForGame(options.seed, static_cast<std::uint64_t>(number))) {
    for (Seat& seat : seats) {
        Player player;
        player.seat = std::move(seat);
        players_.push_back(std::move(player));
    }
}

void Game::Start(std::int64_t now_ms) {
    std::vector<std::string> names;
    std::string listed;
    for (const Player& player : players_) {
        names.push_back(player.seat.name);
        listed += (listed.empty() ? "" : ", ") + player.seat.name;
    }
    for (const Player& player : players_) Send(player, protocol::kMarkerStart);
    log_.Start(number_, options_.seed, options_.max_turns, names);
    start_time_ = std::time(nullptr);
    LogEvent(events_, "game " + Num(number_) + " started: " + listed);
    turn_ = 0;
    market_.mood = kStartMood;
    NextTurn(now_ms);
}

void Game::Handle(ClientId client, const Request& request, std::int64_t now_ms) {
    Player* player = Find(client);
    if (player == nullptr) return;
    if (!request.error.empty()) {
        if (!finished_ && IsOrder(request.kind))
            Refuse(*player, OrderWord(request.kind), request.error);
        send_(client, request.error);
        return;
    }
    switch (request.kind) {
        case RequestKind::kMarket:
            ReplyMarket(client);
            break;
        case RequestKind::kInfo:
            ReplyInfo(client);
            break;
        case RequestKind::kNone:
            break;
        default:
            Order(*player, request, now_ms);
            break;
    }
}

void Game::Detach(ClientId client, std::int64_t now_ms) {
    Player* player = Find(client);
    if (player == nullptr || !player->attached) return;
    player->attached = false;
    if (!finished_) EndTurnIfReady(now_ms);
}

void Game::OnTimer(std::int64_t now_ms) {
    if (finished_ || deadline_ms_ < 0 || now_ms < deadline_ms_) return;
    std::string late;
    for (Player& player : players_) {
        if (!Trades(player) || player.done) continue;
        player.timed_out = true;
        late += (late.empty() ? "" : ", ") + player.seat.name;
    }
    LogEvent(events_, "game " + Num(number_) + ": turn " + Num(turn_) + " timed out waiting for " + late);
    EndTurn(now_ms);
}

void Game::Abort(const std::string& reason, const std::string& last_line) {
    if (finished_) return;
    for (const Player& player : players_) {
        if (!player.out) Send(player, last_line);
    }
    Finish(reason);
}

int Game::PlayersIn() const {
    return static_cast<int>(
        std::count_if(players_.begin(), players_.end(), [](const Player& p) { return !p.out; }));
}

bool Game::IsPlaying(ClientId client) const {
    const Player* player = Find(client);
    return !finished_ && player != nullptr && Trades(*player);
}

std::vector<ClientId> Game::PlayingClients() const {
    std::vector<ClientId> clients;
    if (finished_) return clients;
    for (const Player& player : players_) {
        if (Trades(player)) clients.push_back(player.seat.client);
    }
    return clients;
}

Game::Player* Game::Find(ClientId client) {
    for (Player& player : players_) {
        if (player.seat.client == client) return &player;
    }
    return nullptr;
}

const Game::Player* Game::Find(ClientId client) const {
    return const_cast<Game*>(this)->Find(client);
}

void Game::Send(const Player& player, const std::string& line) {
    if (player.attached) send_(player.seat.client, line);
}

void Game::SendTurnEnd(const Player& player) {
    if (player.attached) send_turn_end_(player.seat.client, protocol::kMarkerEndTurn);
}

void Game::ReplyMarket(ClientId client) {
    send_(client, std::string(protocol::kMarkerMarket) + " " + Num(market_.raw) + " " +
                      Num(market_.min_raw_price) + " " + Num(market_.prod) + " " +
                      Num(market_.max_prod_price));
}

void Game::ReplyInfo(ClientId client) {
    if (winner_ >= 0 && players_[static_cast<std::size_t>(winner_)].seat.client == client)
        send_(client, protocol::kMarkerYouWin);
    for (const Player& p : players_) {
        if (p.out) continue;
        send_(client, std::string(protocol::kMarkerInfo) + " " + p.seat.name + " " + Num(p.raw) +
                          " " + Num(p.prod) + " " + Num(p.money) + " " + Num(p.fabrics) + " " +
                          Num(p.auto_plants));
    }
    send_(client, std::string(protocol::kMarkerPlayers) + " " + Num(PlayersIn()));
}

void Game::Order(Player& player, const Request& request, std::int64_t now_ms) {
    if (finished_) {
        send_(player.seat.client, "! error: game #" + Num(number_) + " is over");
        return;
    }
    if (!Trades(player)) {
        Refuse(player, RequestText(request), "! error: you are out of the game");
        send_(player.seat.client, "! error: you are out of the game");
        return;
    }
    if (player.done) {
        Refuse(player, RequestText(request), "! wait: turn already ended for you");
        Send(player, "! wait: turn already ended for you");
        return;
    }
    std::string reply;
    switch (request.kind) {
        case RequestKind::kBuy:
            reply = Buy(player, request);
            break;
        case RequestKind::kSell:
            reply = Sell(player, request);
            break;
        case RequestKind::kProd:
            reply = Prod(player, request);
            break;
        case RequestKind::kUpgrade:
            reply = Upgrade(player);
            break;
        case RequestKind::kAbuild:
            reply = Abuild(player);
            break;
        case RequestKind::kTurn:
            player.done = true;
            player.done_ms = now_ms;
            Send(player, "ok: turn " + Num(turn_) + " ended for you");
            EndTurnIfReady(now_ms);
            return;
        default:
            return;
    }
    if (reply.rfind("ok:", 0) == 0)
        orders_.push_back({player.seat.name, RequestText(request)});
    else
        Refuse(player, RequestText(request), reply);
    Send(player, reply);
}

// The log keeps every refusal with its reason: the protocol never tells a robot's author.
void Game::Refuse(const Player& player, const std::string& order, const std::string& reply) {
    std::string reason = reply;
    for (const char* prefix : {"! error: ", "! wait: "}) {
        if (reason.rfind(prefix, 0) == 0) reason.erase(0, std::string(prefix).size());
    }
    refused_.push_back({player.seat.name, order, reason});
}

void Game::GoOut(Player& player, const char* reason) {
    player.out = true;
    player.out_turn = turn_;
    player.out_reason = reason;
    LogEvent(events_, "game " + Num(number_) + ": " + player.seat.name + " out at turn " + Num(turn_) + " (" +
          reason + ")");
}

std::string Game::Buy(Player& player, const Request& request) {
    const std::int64_t n = request.count;
    const std::int64_t price = request.price;
    if (n < 1) return "! error: buy at least 1 raw";
    if (price < market_.min_raw_price)
        return "! error: the lowest raw price this turn is " + Num(market_.min_raw_price);
    // n * price <= money, written so that it cannot overflow.
    if (n > player.money / price) return "! error: not enough money: you have " + Num(player.money);
    player.bid = Lot{n, price};
    return "ok: bid for " + Num(n) + " raw at " + Num(price);
}

std::string Game::Sell(Player& player, const Request& request) {
    const std::int64_t n = request.count;
    const std::int64_t price = request.price;
    if (n < 1) return "! error: sell at least 1 product";
    if (n > player.prod) return "! error: you have only " + Num(player.prod) + " products";
    if (price < 1) return "! error: the price must be at least 1";
    if (price > market_.max_prod_price)
        return "! error: the highest product price this turn is " + Num(market_.max_prod_price);
    player.offer = Lot{n, price};
    return "ok: offer of " + Num(n) + " products at " + Num(price);
}

std::string Game::Prod(Player& player, const Request& request) {
    const std::int64_t n = request.count;
    const std::int64_t capacity =
        kFabricCapacity * player.fabrics + kAutoPlantCapacity * player.auto_plants;
    if (n > player.raw) return "! error: you have only " + Num(player.raw) + " raw";
    if (n > capacity)
        return "! error: your plants make at most " + Num(capacity) + " products a turn";
    if (n > player.money / kProductCost)
        return "! error: not enough money: you have " + Num(player.money);
    player.make = n;
    return "ok: making " + Num(n) + " products";
}

std::string Game::Upgrade(Player& player) {
    if (player.fabrics <= static_cast<std::int64_t>(player.upgrades_due.size()))
        return "! error: no ordinary plant left to upgrade";
    if (player.money < kUpgradeCost)
        return "! error: not enough money: an upgrade costs " + Num(kUpgradeCost);
    player.money -= kUpgradeCost;
    player.upgrades_due.push_back(turn_ + kUpgradeTurns);
    return "ok: upgrading a plant, done at the end of turn " + Num(turn_ + kUpgradeTurns);
}

std::string Game::Abuild(Player& player) {
    if (player.money < kBuildCost)
        return "! error: not enough money: a new plant costs " + Num(kBuildCost);
    player.money -= kBuildCost;
    player.builds_due.push_back(turn_ + kBuildTurns);
    return "ok: building an automatic plant, ready at the end of turn " + Num(turn_ + kBuildTurns);
}

void Game::EndTurnIfReady(std::int64_t now_ms) {
    for (const Player& player : players_) {
        if (Trades(player) && !player.done) return;
    }
    EndTurn(now_ms);
}

void Game::EndTurn(std::int64_t now_ms) {
    ++turns_resolved_;
    std::vector<TradeRecord> trades;
    RawAuction(trades);
    ProductAuction(trades);
    Production();
    Building();
    Upkeep();
    Bankruptcies();

    const int in = PlayersIn();
    std::string reason;
    if (in == 0) {
        reason = game_end::kAllOut;
    } else if (players_.size() >= 2 && in == 1) {
        reason = game_end::kLastPlayer;
        for (std::size_t i = 0; i < players_.size(); ++i) {
            if (!players_[i].out) winner_ = static_cast<int>(i);
        }
    } else if (turn_ >= options_.max_turns) {
        reason = game_end::kTurnLimit;
        CloseAtTurnLimit();
    }
    for (const Player& player : players_) {
        if (!player.out) SendTurnEnd(player);
    }
    log_.Turn(number_, turn_, market_, orders_, refused_, trades, TurnRecords(now_ms));
    if (reason.empty()) {
        market_.mood = NextMood(market_.mood, rng_);
        NextTurn(now_ms);
    } else {
        Finish(reason);
    }
}

void Game::RawAuction(std::vector<TradeRecord>& trades) {
    std::vector<Player*> bidders;
    for (Player& player : players_) {
        if (Trades(player) && player.bid) bidders.push_back(&player);
    }
    // Shuffled first, then sorted stably: equal prices keep a seeded random order.
    rng_.Shuffle(bidders);
    std::stable_sort(bidders.begin(), bidders.end(), [](const Player* a, const Player* b) {
        return a->bid->price > b->bid->price;
    });
    std::int64_t left = market_.raw;
    for (Player* player : bidders) {
        const std::int64_t n = std::min(player->bid->count, left);
        if (n <= 0) continue;
        left -= n;
        player->raw += n;
        player->money -= n * player->bid->price;
        trades.push_back({player->seat.name, trade_kind::kRaw, n, player->bid->price});
    }
}

void Game::ProductAuction(std::vector<TradeRecord>& trades) {
    std::vector<Player*> sellers;
    for (Player& player : players_) {
        if (Trades(player) && player.offer) sellers.push_back(&player);
    }
    rng_.Shuffle(sellers);
    std::stable_sort(sellers.begin(), sellers.end(), [](const Player* a, const Player* b) {
        return a->offer->price < b->offer->price;
    });
    std::int64_t left = market_.prod;
    for (Player* player : sellers) {
        const std::int64_t n = std::min({player->offer->count, left, player->prod});
        if (n <= 0) continue;
        left -= n;
        player->prod -= n;
        player->money += n * player->offer->price;
        trades.push_back({player->seat.name, trade_kind::kProd, n, player->offer->price});
    }
}

void Game::Production() {
    for (Player& player : players_) {
        if (!Trades(player) || !player.make) continue;
        const std::int64_t capacity =
            kFabricCapacity * player.fabrics + kAutoPlantCapacity * player.auto_plants;
        const std::int64_t affordable = std::max<std::int64_t>(0, player.money / kProductCost);
        const std::int64_t n = std::min({*player.make, player.raw, capacity, affordable});
        if (n <= 0) continue;
        player.raw -= n;
        player.prod += n;
        player.money -= n * kProductCost;
    }
}

void Game::Building() {
    for (Player& player : players_) {
        if (player.out) continue;
        const int turn = turn_;
        auto due = [turn](int at) { return at <= turn; };
        const auto upgraded =
            std::count_if(player.upgrades_due.begin(), player.upgrades_due.end(), due);
        player.fabrics -= upgraded;
        player.auto_plants += upgraded;
        player.auto_plants +=
            std::count_if(player.builds_due.begin(), player.builds_due.end(), due);
        player.upgrades_due.erase(
            std::remove_if(player.upgrades_due.begin(), player.upgrades_due.end(), due),
            player.upgrades_due.end());
        player.builds_due.erase(
            std::remove_if(player.builds_due.begin(), player.builds_due.end(), due),
            player.builds_due.end());
    }
}

void Game::Upkeep() {
    for (Player& player : players_) {
        if (player.out) continue;
        player.money -= kRawUpkeep * player.raw + kProdUpkeep * player.prod +
                        kFabricUpkeep * player.fabrics + kAutoPlantUpkeep * player.auto_plants;
    }
}

void Game::Bankruptcies() {
    for (Player& player : players_) {
        if (player.out || (player.attached && player.money >= 0)) continue;
        GoOut(player, player.attached ? out_reason::kBankrupt : out_reason::kDisconnected);
        Send(player,
             std::string(protocol::kMarkerBankrupt) + " your money fell to " + Num(player.money));
    }
}

void Game::CloseAtTurnLimit() {
    // The richest player still in wins; on equal money the earliest joined, as players_ is in join
    // order.
    for (std::size_t i = 0; i < players_.size(); ++i) {
        if (players_[i].out) continue;
        if (winner_ < 0 || players_[i].money > players_[static_cast<std::size_t>(winner_)].money) {
            winner_ = static_cast<int>(i);
        }
    }
    const std::string& name = players_[static_cast<std::size_t>(winner_)].seat.name;
    for (std::size_t i = 0; i < players_.size(); ++i) {
        Player& player = players_[i];
        if (player.out || static_cast<int>(i) == winner_) continue;
        GoOut(player, out_reason::kTurnLimit);
        Send(player,
             std::string(protocol::kMarkerBankrupt) + " the game is over (winner: " + name + ")");
    }
}

void Game::NextTurn(std::int64_t now_ms) {
    ++turn_;
    market_ = MarketFor(market_.mood, PlayersIn());
    orders_.clear();
    refused_.clear();
    for (Player& player : players_) {
        player.bid.reset();
        player.offer.reset();
        player.make.reset();
        player.done = false;
        player.timed_out = false;
    }
    turn_start_ms_ = now_ms;
    deadline_ms_ =
        options_.turn_timeout_s > 0 ? now_ms + options_.turn_timeout_s * kMsPerSecond : -1;
}

void Game::Finish(const std::string& reason) {
    finished_ = true;
    deadline_ms_ = -1;
    const std::string winner =
        winner_ >= 0 ? players_[static_cast<std::size_t>(winner_)].seat.name : "";
    log_.End(number_, turn_, reason, winner, Records());
    if (records_) {
        records_->GameEnded(
            {number_, start_time_, std::time(nullptr), turn_, reason, winner, Records()});
    }
    LogEvent(events_, "game " + Num(number_) + " ended after " + Num(turn_) +
                          (turn_ == 1 ? " turn: " : " turns: ") +
                          (winner.empty() ? "no winner" : "winner " + winner));
}

std::vector<PlayerRecord> Game::Records() const {
    std::vector<PlayerRecord> records;
    for (const Player& p : players_) {
        records.push_back({p.seat.name, p.money, p.raw, p.prod, p.fabrics, p.auto_plants, p.out,
                           p.out_turn, p.out_reason});
        if (p.out) continue;  // plants of a player who is out are never finished
        records.back().upgrading = static_cast<std::int64_t>(p.upgrades_due.size());
        records.back().building = static_cast<std::int64_t>(p.builds_due.size());
    }
    return records;
}

std::vector<PlayerRecord> Game::TurnRecords(std::int64_t now_ms) const {
    std::vector<PlayerRecord> records = Records();
    for (std::size_t i = 0; i < players_.size(); ++i) {
        const Player& p = players_[i];
        // Out before this turn began: it had no turn to take.
        if (p.out && p.out_turn != turn_) continue;
        PlayerRecord& record = records[i];
        record.timed = true;
        record.took_ms = std::max<std::int64_t>(0, (p.done ? p.done_ms : now_ms) - turn_start_ms_);
        record.timed_out = p.timed_out;
    }
    return records;
}

}  // namespace gs
