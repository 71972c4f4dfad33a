// Finds the robot and server programs: next to the match program first, then in PATH.
#pragma once

#include <string>

namespace match {

// Where the match finds its programs when the command line does not name them.
struct ProgramSearch {
    std::string self_dir;   // folder of the match program
    std::string path_list;  // the PATH value
};

// The folder of the running program (from /proc/self/exe, else from argv0), without a trailing "/".
std::string SelfDirectory(const std::string& argv0);

bool IsExecutableFile(const std::string& path);

// The program a command line names: a path is taken as it is, a bare name is looked up in
// `path_list`; `fallback_name` is searched next to match and in PATH when `given` is empty.
// Empty when there is no such executable.
std::string ResolveProgram(const std::string& given, const std::string& fallback_name, const std::string& self_dir,
                           const std::string& path_list);

// `dir`/`name` when that is an executable file, else the first executable `name` in `path_list`
// (a PATH value); empty when there is none.
std::string FindProgram(const std::string& name, const std::string& dir, const std::string& path_list);

// Why the `name` program (the one `given` on the command line, or else the one searched for)
// cannot be run.
std::string MissingProgram(const std::string& name, const std::string& given, const ProgramSearch& search);

}  // namespace match
