// The game driver: construction order, the compile step and the per-turn main loop.
#include "game.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "flags.h"

CGame::CGame()
    : Data(Habitat.GetDataAddr()),
      Socket(Habitat.GetSocketAddr()) {
    Robot.reset(new CRobot(Data, Socket));
    Executer.reset(new CExecuter(Data, Robot.get()));
    Executer->SetDebugMode(flag_debug);
    Run.reset(new CRun(Executer.get()));
    Error.reset(new CError);
}

// The program elements point into the lexeme texts and the executor refers to the robot,
// but no destructor follows those links, so the order of release is free of hazards.
CGame::~CGame() {
    Robot.reset();
    Executer.reset();
    Run.reset();
    Error.reset();
    Lexic.reset();
    Syntax.reset();
}

void CGame::Compile(const char* path) {
    Lexic.reset(new CLexic(path));
    if (!Lexic->MakeAnalysis()) Error->OnError("Lexical analysis did not pass.", -510, false);
    if (flag_printlex) Lexic->Print();
    std::printf("\n~Info: Lexical analysis was passed.\n");
    Syntax.reset(new CSyntax(Lexic->GetBegin(), Run.get(), Lexic.get()));
    if (Syntax->MakeAnalysis()) std::printf("\n~Info: Syntax analysis was passed.\n");
}

void CGame::PlayBot(char** argv) {
    std::printf("\n\n\n --- Playbot ---");
    std::printf("\n");
    const char* host = flag_host > 0 ? argv[flag_host] : kDefaultHost;
    std::string name = flag_botname > 0 ? argv[flag_botname] : kDefaultName;
    if (name.size() > kMaxNameLength) {
        Error->OnError("Gamer name is so long. \n It must be not more 255 symbols. \n", -101,
                       false);
        // Going on: the name as the session can hold it.
        name.resize(kMaxNameLength);
    }
    int wait = flag_wait > 0 ? std::atoi(argv[flag_wait]) : kDefaultWait;
    if (wait < 1) Error->OnError("To wait number is to low. \n", -102, false);
    GoBot(host, kPort, name.c_str(), wait);
}

void CGame::GoBot(const char* host, int port, const char* name, int wait) {
    Habitat.Init(host, port, name, wait);
    do {
        Habitat.Analyze();
        std::printf("\n");
        Run->Execute();
        std::printf("\n");
        Habitat.WaitingTurn();
    } while (Robot->IsWin() == 0);
    Habitat.Destroy();
}
