// Entry point of the robot: scans the command line, compiles the script once and plays.
#include <cstdio>
#include <cstring>

#include "flags.h"
#include "game.h"
#include "robot/data.h"
#include "ui/onerror.h"
#include "usage.h"

int main(int argc, char** argv) {
    // Line by line even into a file or pipe, so whoever stops the robot (a match at its time
    // limit, a kill) still finds every line it printed; the bytes themselves do not change.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    if (AnswerInfoRequest(argc, argv, ROBOT_VERSION)) return 0;
    if (argc < 2) {
        CError("Program was started without parameters.\n Please, use this form: main <bot_path> .\n",
               -100);
    }
    GetFlags(argc, argv);
    CGame game;
    const CData initial;
    // Without a script path the run goes on as for a script file that cannot be opened.
    game.Compile(argc >= 2 ? argv[1] : nullptr);
    if (game.Syntax->GetPassed()) {
        do {
            std::memcpy(static_cast<void*>(game.Data), &initial, sizeof(CData));
            game.PlayBot(argv);
        } while (flag_colvo != 0);
    }
    return 0;
}
