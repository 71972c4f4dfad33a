// Runs a program as a child process with given arguments and standard input, and captures
// its standard output and exit status; a child that outlives its time limit is killed.
#ifndef TESTS_SUPPORT_RUN_PROGRAM_H
#define TESTS_SUPPORT_RUN_PROGRAM_H

#include <chrono>
#include <string>
#include <vector>

// What a run of a program produced.
struct ProgramResult {
    std::string out;        // everything written to standard output
    std::string err;        // everything written to standard error
    bool exited = false;    // ended through exit(); `status` is then its exit status
    int status = -1;        // exit status as the shell sees it (0..255)
    int signal = 0;         // the signal that ended it, when it did not exit
    bool timed_out = false; // killed because it ran past the time limit
    std::string error;      // why the program could not be run at all
};

// How to run a program.
struct ProgramRun {
    std::string path;                  // the program to execute
    std::vector<std::string> args;     // arguments after the program name
    std::string input;                 // standard input; closed once written
    std::string dir;                   // working directory; empty: the current one
    std::chrono::milliseconds timeout{10000};
};

// Runs the program to its end, or kills it at the time limit. Never hangs.
ProgramResult RunProgram(const ProgramRun& run);

// Convenience form: the program, its arguments and its standard input.
ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& args,
                         const std::string& input,
                         std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));

#endif
