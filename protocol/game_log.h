// The server's JSON Lines game log as the server writes it and match reads it: the events, the
// keys of each, and the words for how a game ended and why a player went out. Both sides use
// these names, so a key renamed here is renamed in the writer and in every reader at once.
#pragma once

namespace protocol::game_log {

// The "event" of each line: one "start" per game, one "turn" per completed turn, one "end";
// "lines_lost" when the server could write to the file again after failing: it has no "game".
namespace event {
constexpr char kStart[] = "start";
constexpr char kTurn[] = "turn";
constexpr char kEnd[] = "end";
constexpr char kLinesLost[] = "lines_lost";
}  // namespace event

// The keys. A line: {"event", "game", then per event:
//   start: "seed", "max_turns", "players" (names, in join order)
//   turn:  "turn", "market", "orders", "refused", "trades", "players" (player records)
//   end:   "turn", "reason" (a game_end word), "winner" (a name or null), "players"}
// The lines_lost line: {"event", "lines" (how many lines could not be written)}.
namespace key {
constexpr char kEvent[] = "event";
constexpr char kGame[] = "game";
constexpr char kSeed[] = "seed";
constexpr char kMaxTurns[] = "max_turns";
constexpr char kPlayers[] = "players";
constexpr char kTurn[] = "turn";
constexpr char kMarket[] = "market";
constexpr char kOrders[] = "orders";
constexpr char kRefused[] = "refused";
constexpr char kTrades[] = "trades";
constexpr char kReason[] = "reason";
constexpr char kWinner[] = "winner";
constexpr char kLines[] = "lines";

// A player record: "name", holdings, "out"; at the end also "out_turn" (null while in); once out
// "out_reason" (an out_reason word) when the server knows it; then "upgrading", "building".
constexpr char kName[] = "name";
constexpr char kMoney[] = "money";
constexpr char kRaw[] = "raw";
constexpr char kProd[] = "prod";
constexpr char kFabrics[] = "fabrics";
constexpr char kAutoPlants[] = "auto_plants";
constexpr char kOut[] = "out";
constexpr char kOutTurn[] = "out_turn";
constexpr char kOutReason[] = "out_reason";
constexpr char kUpgrading[] = "upgrading";
constexpr char kBuilding[] = "building";
// In a "turn" event, the record of a player still in when the turn began also holds "took_ms"
// (milliseconds from the turn's start until it ended its turn; the whole turn when it did not)
// and "timed_out" (true when the turn timeout ended the turn first). Older logs lack both.
constexpr char kTookMs[] = "took_ms";
constexpr char kTimedOut[] = "timed_out";

// The market: "mood", "raw", "min_raw_price", "prod", "max_prod_price".
constexpr char kMood[] = "mood";
constexpr char kMinRawPrice[] = "min_raw_price";
constexpr char kMaxProdPrice[] = "max_prod_price";

// An order {"player", "order"}, a refusal {"player", "order", "reason"} and a trade
// {"player", "kind" (a trade_kind word), "n", "price"}.
constexpr char kPlayer[] = "player";
constexpr char kOrder[] = "order";
constexpr char kKind[] = "kind";
constexpr char kN[] = "n";
constexpr char kPrice[] = "price";
}  // namespace key

// A trade's "kind": raw material bought, or products sold.
namespace trade_kind {
constexpr char kRaw[] = "raw";
constexpr char kProd[] = "prod";
}  // namespace trade_kind

// The end's "reason".
namespace game_end {
constexpr char kLastPlayer[] = "last_player";  // one player is left in: it wins
constexpr char kTurnLimit[] = "turn_limit";    // the last turn was played
constexpr char kAllOut[] = "all_out";          // every player went out in the same turn
// Ended with no winner by the server, not by play:
constexpr char kDrainTimeout[] = "drain_timeout";    // still running when a drain's time was up
constexpr char kServerStopped[] = "server_stopped";  // the server was told to stop at once
constexpr char kOperator[] = "operator";             // an operator ended it from the admin socket
}  // namespace game_end

// A player record's "out_reason".
namespace out_reason {
constexpr char kBankrupt[] = "bankrupt";          // its money fell below zero
constexpr char kDisconnected[] = "disconnected";  // its connection closed, or it left
constexpr char kTurnLimit[] = "turn_limit";       // not the richest at the game's last turn
}  // namespace out_reason

}  // namespace protocol::game_log
