// Fuzz target "script": the bytes are a script file. It is read and translated as the robot
// does; when it compiles, it runs for a few turns against an in-memory game data image, and
// the robot's orders go down a socket pair whose other end a thread reads and throws away.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <thread>

#include "fuzz_support.h"
#include "game.h"

namespace {

// The robot's end of the order stream; each input adopts a duplicate of it.
int robot_end = -1;

void StartOrderSink() {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) std::abort();
    robot_end = ends[0];
    const int sink = ends[1];
    std::thread([sink] {
        char chunk[4096];
        while (read(sink, chunk, sizeof chunk) > 0) {
        }
    }).detach();
}

void RunScript(const std::uint8_t* data, std::size_t size) {
    CGame game;
    game.Lexic = fuzz::LexerFromBytes(data, size);
    // As the robot's compile step: a lexical fault is reported and, answered "yes", goes on.
    if (!game.Lexic->MakeAnalysis())
        game.Error->OnError("Lexical analysis did not pass.", -510, false);
    game.Syntax.reset(new CSyntax(game.Lexic->GetBegin(), game.Run.get()));
    if (!game.Syntax->MakeAnalysis()) return;

    const int fd = dup(robot_end);
    if (fd < 0) std::abort();
    game.Socket->Adopt(fd);
    fuzz::FillGameImage(*game.Data);
    game.Run->SetStepBudget(fuzz::kStepsPerTurn);
    for (int turn = 0; turn < fuzz::kTurnsPerScript && game.Robot->IsWin() == 0; ++turn) {
        game.Run->Execute();
        fuzz::AdvanceTurn(*game.Data, turn);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::Setup();
    StartOrderSink();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > fuzz::kMaxScriptBytes) return 0;
    fuzz::BeginInput();
    try {
        RunScript(data, size);
    } catch (const fuzz::Stopped&) {
        // A report was refused: the robot would have ended here.
    }
    return 0;
}
