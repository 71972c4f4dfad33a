// The robot's usage text and version line.
#include "usage.h"

#include <cstdio>
#include <cstring>

#include "game.h"

namespace {

void PrintUsage() {
    std::printf(
        "Usage: robot SCRIPT [-printlex|-pl] [-name|-n NAME] [-host|-h IPV4] [-wait|-w COUNT]\n"
        "                    [-debug|-d] [-inf|-i]\n"
        "       robot --help | --version\n"
        "\n"
        "Compiles the robot script SCRIPT and plays the trading game with it on the game server\n"
        "at IPV4, TCP port %d. The script path comes first; the options follow in any order.\n"
        "\n"
        "  -printlex, -pl    print the lexeme list after the lexical analysis\n"
        "  -name, -n NAME    the robot's name in the game, at most %zu characters (default %s)\n"
        "  -host, -h IPV4    the server's numeric IPv4 address (default %s)\n"
        "  -wait, -w COUNT   when the robot creates a game: how many other players it waits for\n"
        "                    (default %d)\n"
        "  -debug, -d        trace the compilation and every run of the script\n"
        "  -inf, -i          play one game after another without end\n"
        "  --help            print this text and exit, as the only argument\n"
        "  --version         print the version and exit, as the only argument\n",
        CGame::kPort, CGame::kMaxNameLength, CGame::kDefaultName, CGame::kDefaultHost,
        CGame::kDefaultWait);
}

}  // namespace

bool AnswerInfoRequest(int argc, char** argv, const char* version) {
    if (argc != 2 || !argv[1]) return false;
    if (std::strcmp(argv[1], "--help") == 0) {
        PrintUsage();
        return true;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("robot %s\n", version);
        return true;
    }
    return false;
}
