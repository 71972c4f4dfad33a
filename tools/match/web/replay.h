// A game's replay: one self-contained HTML page that steps turn by turn through the server's
// JSON Lines log (market, orders, trades, holdings, who went out, a money chart) and what each
// robot printed in each turn.
#pragma once

#include <cstdint>
#include <istream>
#include <map>
#include <string>

namespace match {

// What the match knows of a player beyond the server's log.
struct ReplayPlayer {
    // How its game ended, in the results table's words; it tells the page why a player went out
    // where the server's log only knows that its connection closed (a runtime error, a crash).
    std::string ending;
    std::int64_t void_turn = 0;  // the turn in which a runtime error stopped it: its orders there are void
    std::string console_path;    // its console log, shown turn by turn; empty: none
};
using ReplayPlayers = std::map<std::string, ReplayPlayer>;  // by player name

// The game's data as the page reads it: a JSON text that is also safe inside a <script> element
// (no '<', '>' or '&' anywhere, so no name can close the element). `game` picks the game of the
// log (0: the first one it mentions); lines that are not JSON or about another game are skipped.
std::string ReplayData(std::istream& log, std::int64_t game, const std::string& title,
                       const ReplayPlayers& known = {});

// The whole page for that game.
std::string RenderReplay(std::istream& log, std::int64_t game, const std::string& title,
                         const ReplayPlayers& known = {});

// Reads the log at `log_path` and writes the page to `html_path`; returns an error message,
// empty on success.
std::string WriteReplay(const std::string& log_path, std::int64_t game, const std::string& title,
                        const std::string& html_path, const ReplayPlayers& known = {});

// The page around `data_json` (a text from ReplayData); defined with the page's template.
std::string ReplayPage(const std::string& data_json);

}  // namespace match
