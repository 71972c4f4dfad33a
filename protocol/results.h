// The server's results file (results.jsonl in its state folder): one JSON object per finished
// game, written by the server and read by anyone who keeps a season's table.
#pragma once

namespace protocol::results {

// A line: {"game", "start", "end" (UTC, "2026-12-10T01:40:00Z"), "turns", "reason" (a
// game_log::game_end word), "winner" (a name or null), "players" (in join order)}.
// A player: {"name", "money" (at the end), "out" (a game_log::out_reason word, or null for a
// player still in at the end), "out_turn" (null while in)}.
namespace key {
constexpr char kGame[] = "game";
constexpr char kStart[] = "start";
constexpr char kEnd[] = "end";
constexpr char kTurns[] = "turns";
constexpr char kReason[] = "reason";
constexpr char kWinner[] = "winner";
constexpr char kPlayers[] = "players";
constexpr char kName[] = "name";
constexpr char kMoney[] = "money";
constexpr char kOut[] = "out";
constexpr char kOutTurn[] = "out_turn";
}  // namespace key

constexpr char kFileName[] = "results.jsonl";

}  // namespace protocol::results
