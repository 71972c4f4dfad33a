// The match program: plays robot scripts against each other on a private game server.
#include <signal.h>

#include <cstdlib>
#include <iostream>

#include "match/check/check.h"
#include "match/match.h"
#include "match/game/process.h"
#include "match/programs.h"
#include "match/league/tournament.h"
#include "match/league/versus.h"
#include "match/check/watch.h"
#include "match/lsp/server.h"

namespace {

void OnStopSignal(int) { match::RequestStop(); }

// Ctrl-C, a closed terminal or a kill end the games cleanly: servers and robots are stopped.
void CatchStopSignals() {
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    for (int signo : {SIGINT, SIGTERM, SIGHUP}) sigaction(signo, &sa, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    match::MatchOptions options;
    std::string error = match::ParseOptions(args, options);
    if (!error.empty()) {
        std::cerr << "match: " << error << '\n';
        return match::kExitRefused;
    }
    if (options.help) {
        std::cout << match::UsageText();
        return 0;
    }
    if (options.version) {
        std::cout << "match " << MATCH_VERSION << '\n';
        return 0;
    }
    if (options.lsp) {
        // A client that goes away must end the server through a failed write, not a signal.
        signal(SIGPIPE, SIG_IGN);
        return match::lsp::RunLanguageServer(std::cin, std::cout, MATCH_VERSION);
    }
    if (options.check) return match::RunCheck(options.scripts, options.werror, std::cout, std::cerr);
    CatchStopSignals();
    const char* path = std::getenv("PATH");
    match::ProgramSearch search{match::SelfDirectory(argc > 0 ? argv[0] : "match"), path ? path : ""};
    if (options.watch) return match::RunWatch(options, search, std::cout, std::cerr);
    int status = match::IsVersusCommand(options)       ? match::RunVersusCommand(options, search, std::cout, std::cerr)
                 : match::IsTournamentCommand(options) ? match::RunTournamentCommand(options, search, std::cout, std::cerr)
                                                       : match::RunMatch(options, search, std::cout, std::cerr);
    return match::StopRequested() ? 130 : status;
}
