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

constexpr std::size_t kMaxScriptBytes = 64 * 1024;  // bytes; longer inputs are skipped
constexpr int kTurns = 3;                           // turns run per compiled script
constexpr std::uint64_t kStepsPerTurn = 4000;       // program elements per turn

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

// A game in its third turn: the robot and three others, a market with some of everything.
void FillImage(CData& data) {
    data.turn_number = 3;
    data.game_number = 7;
    CopyGamerName(data.you.gamer_name, "fuzzbot");
    data.you.money = 10000;
    data.you.raw = 4;
    data.you.prod = 2;
    data.you.fabrics = 2;
    data.you.auto_plants = 1;
    const char* const others[] = {"alice", "bob", "carol"};
    for (int i = 0; i < 3; ++i) {
        CGamer& g = data.players[data.AddGamer(others[i])];
        g.money = 5000 * (i + 1);
        g.raw = i;
        g.prod = 2 * i;
        g.fabrics = 2;
        g.auto_plants = i;
    }
    data.players[2].money = -1;  // out of the game
    data.market.raw = 6;
    data.market.min_raw_price = 500;
    data.market.prod = 4;
    data.market.max_prod_price = 5500;
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
    FillImage(*game.Data);
    game.Run->SetStepBudget(kStepsPerTurn);
    for (int turn = 0; turn < kTurns && game.Robot->IsWin() == 0; ++turn) {
        game.Run->Execute();
        ++game.Data->turn_number;
        game.Data->market.raw += turn;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::Setup();
    StartOrderSink();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxScriptBytes) return 0;
    fuzz::BeginInput();
    try {
        RunScript(data, size);
    } catch (const fuzz::Stopped&) {
        // A report was refused: the robot would have ended here.
    }
    return 0;
}
