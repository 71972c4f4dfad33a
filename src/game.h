// The game driver: owns the session, the robot, the executor and the compiled program,
// compiles the script once and plays games turn by turn.
#ifndef GAME_H
#define GAME_H

#include <memory>

#include "lang/exec.h"
#include "lang/lex.h"
#include "lang/syn.h"
#include "robot/data.h"
#include "robot/habitat.h"
#include "robot/robot.h"
#include "robot/socket.h"
#include "ui/onerror.h"
#include "protocol/robot_protocol.h"

// The object that owns everything else for the whole run of the program.
class CGame {
public:
    static constexpr int kPort = protocol::kRobotPort;
    static constexpr const char* kDefaultHost = "127.0.0.1";
    static constexpr const char* kDefaultName = "vemobot";
    static constexpr int kDefaultWait = 1;
    static constexpr size_t kMaxNameLength = protocol::kMaxNameBytes;  // characters

    CGame();
    ~CGame();
    CGame(const CGame&) = delete;
    CGame& operator=(const CGame&) = delete;

    // Reads the script into lexemes and translates it; success is Syntax->GetPassed().
    // A null path is treated like a file that cannot be opened.
    void Compile(const char* path);
    // Plays one game with the host, name and wait count from the command line.
    void PlayBot(char** argv);
    // Plays one game: opens the session, runs the script once per turn until it is over.
    void GoBot(const char* host, int port, const char* name, int wait);

    std::unique_ptr<CError> Error;
    CHabitat Habitat;
    std::unique_ptr<CRobot> Robot;
    CData* Data;
    CSocket* Socket;
    std::unique_ptr<CExecuter> Executer;
    std::unique_ptr<CLexic> Lexic;
    std::unique_ptr<CSyntax> Syntax;
    std::unique_ptr<CRun> Run;
};

#endif
