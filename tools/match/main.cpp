// The match program: plays robot scripts against each other on a private game server.
#include <cstdlib>
#include <iostream>

#include "match.h"
#include "programs.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    match::MatchOptions options;
    std::string error = match::ParseOptions(args, options);
    if (!error.empty()) {
        std::cerr << "match: " << error << '\n';
        return 2;
    }
    if (options.help) {
        std::cout << match::UsageText();
        return 0;
    }
    const char* path = std::getenv("PATH");
    match::ProgramSearch search{match::SelfDirectory(argc > 0 ? argv[0] : "match"), path ? path : ""};
    return match::RunMatch(options, search, std::cout, std::cerr);
}
