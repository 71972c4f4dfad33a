// Finds the robot and server programs: next to the match program first, then in PATH.
#pragma once

#include <string>

namespace match {

// The folder of the running program (from /proc/self/exe, else from argv0), without a trailing "/".
std::string SelfDirectory(const std::string& argv0);

// `dir`/`name` when that is an executable file, else the first executable `name` in `path_list`
// (a PATH value); empty when there is none.
std::string FindProgram(const std::string& name, const std::string& dir, const std::string& path_list);

}  // namespace match
