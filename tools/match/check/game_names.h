// Warnings about names the game does not know: game data reads and "?macro" names that the
// robot looks up only when the script runs, and then stops on.
#pragma once

#include <vector>

#include "match/check/source.h"

namespace match {

// What a warning about an unknown game data name says after the name it quotes.
inline constexpr char kNoGameData[] = "' is no game data the robot has";

// Game data names (".you.money", ".players[$i].prod", ".turn_number") the robot cannot read,
// each with the nearest real name when one is close.
std::vector<Diagnostic> DataNameWarnings(const ScriptText& text, const std::vector<Token>& tokens);

// "?macro" names the robot does not know, with the nearest one when one is close.
std::vector<Diagnostic> MacroWarnings(const std::vector<Token>& tokens);

}  // namespace match
