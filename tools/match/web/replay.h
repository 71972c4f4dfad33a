// A game's replay: one self-contained HTML page that steps turn by turn through the server's
// JSON Lines log (market, orders, trades, holdings, who went out, a money chart).
#pragma once

#include <cstdint>
#include <istream>
#include <map>
#include <string>

namespace match {

// The game's data as the page reads it: a JSON text that is also safe inside a <script> element
// (no '<', '>' or '&' anywhere, so no name can close the element). `game` picks the game of the
// log (0: the first one it mentions); lines that are not JSON or about another game are skipped.
// `endings` (player name -> the match's words for how its game ended, as in the results table)
// tells the page why a player went out where the server's log only knows that its connection
// closed (a runtime error, a crash).
using PlayerEndings = std::map<std::string, std::string>;
std::string ReplayData(std::istream& log, std::int64_t game, const std::string& title,
                       const PlayerEndings& endings = {});

// The whole page for that game.
std::string RenderReplay(std::istream& log, std::int64_t game, const std::string& title,
                         const PlayerEndings& endings = {});

// Reads the log at `log_path` and writes the page to `html_path`; returns an error message,
// empty on success.
std::string WriteReplay(const std::string& log_path, std::int64_t game, const std::string& title,
                        const std::string& html_path, const PlayerEndings& endings = {});

// The page around `data_json` (a text from ReplayData); defined with the page's template.
std::string ReplayPage(const std::string& data_json);

}  // namespace match
