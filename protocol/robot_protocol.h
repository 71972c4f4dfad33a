// What the robot, the game server and match agree on: the robot's port, the limits on names,
// players and turn timeouts, the markers a robot waits for in the server's output, and the order words.
#pragma once

#include <cstddef>

namespace protocol {

constexpr int kRobotPort = 4774;            // TCP port a robot dials; the server's default
constexpr std::size_t kMaxNameBytes = 255;  // bytes in a player name
constexpr int kMaxPlayersPerGame = 101;     // creator included: a robot keeps track of 100 others
constexpr int kSecondsPerDay = 24 * 3600;
constexpr int kMaxTurnTimeoutS = kSecondsPerDay;  // seconds: the longest --turn-timeout a server takes

// Markers: texts a robot searches the server's output for. Only the server's own message for
// each may contain one; nothing a client says may carry it to another client.
constexpr char kMarkerWaitingGame[] = "waiting  #";           // ".who": a game that can be joined
constexpr char kMarkerGamesPlayed[] = "games are played";     // ".who": the last line
constexpr char kMarkerCreated[] = " has created the game #";  // ".create": NAME + this + N
constexpr char kMarkerJoin[] = "@+ JOIN ";                    // to a game's members: who joined
// ".join N": begins every refusal of a join (no such game, already running, full), then why.
constexpr char kMarkerJoinRefused[] = "! error: join refused:";
constexpr char kMarkerBotstart[] = "botstart";                // to a game's creator: start it
constexpr char kMarkerStart[] = "& START";
constexpr char kMarkerMarket[] = "& MARKET";
constexpr char kMarkerInfo[] = "& INFO";
constexpr char kMarkerPlayers[] = "& PLAYERS";
constexpr char kMarkerBankrupt[] = "# You are a bankrupt,";
constexpr char kMarkerEndTurn[] = "& ENDTURN";
constexpr char kMarkerYouWin[] = "& YOU_WIN";

constexpr const char* kRobotMarkers[] = {
    kMarkerWaitingGame, kMarkerGamesPlayed, kMarkerCreated,  kMarkerJoin,
    kMarkerJoinRefused, kMarkerBotstart,    kMarkerStart,    kMarkerMarket,
    kMarkerInfo,        kMarkerPlayers,     kMarkerBankrupt, kMarkerEndTurn,
    kMarkerYouWin,
};

// The words of a player's requests during a game.
constexpr char kOrderMarket[] = "market";
constexpr char kOrderInfo[] = "info";
constexpr char kOrderBuy[] = "buy";
constexpr char kOrderSell[] = "sell";
constexpr char kOrderProd[] = "prod";
constexpr char kOrderUpgrade[] = "upgrade";
constexpr char kOrderAbuild[] = "abuild";
constexpr char kOrderTurn[] = "turn";

// Where a script failed. When this environment variable names a file, the robot appends one
// line "NUMBER LINE\n" to it for each runtime error it reports (-700, -750), just before the
// report: the error's number and the line of the script (from 1, as an editor counts lines; 0
// when unknown) where the statement that failed begins. The robot's own output is the same
// with or without it; match sets it for every robot it starts.
constexpr char kErrorLinesVariable[] = "ROBOT_ERROR_LINES";

}  // namespace protocol
