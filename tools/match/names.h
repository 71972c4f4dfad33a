// Player names for the robots of a match, derived from their script file names.
#pragma once

#include <string>
#include <vector>

namespace match {

constexpr size_t kMaxNameLength = 32;  // characters; the server accepts up to 255, the table stays narrow

// The name of a robot whose script is at `path`: the file name without its directory and its
// ".robot" extension, with each run of characters other than letters, digits, "_", "-" and "."
// made one "_" and leading dots dropped; "robot" when nothing is left.
std::string NameFromScript(const std::string& path);

// One name per script, in order, all different: repeated names get "-2", "-3", ... appended.
std::vector<std::string> UniqueNames(const std::vector<std::string>& scripts);

}  // namespace match
