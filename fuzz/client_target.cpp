// Fuzz target "client": the bytes are the game server's output. The robot's session reads them
// over a socket pair: it introduces itself, joins or creates a game and follows turns (market,
// players, end of turn) until the game is over, the bytes run out or a report stops it.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"
#include "robot/habitat.h"
#include "robot/robot.h"

namespace {

// Bytes of server output per input: the whole of it is written before the session reads, so
// it must fit the socket pair's buffer.
constexpr std::size_t kMaxStreamBytes = 64 * 1024;
constexpr int kMaxTurns = 50;   // turns followed per input
constexpr int kOthersToWait = 2;  // gamers a created game waits for

void WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n <= 0) std::abort();
        data += n;
        size -= static_cast<std::size_t>(n);
    }
}

// The robot's loop without a script: each turn it refreshes its image and ends the turn.
void PlaySession(CHabitat& habitat) {
    CRobot robot(habitat.GetDataAddr(), habitat.GetSocketAddr());
    habitat.Introduce("fuzzbot", kOthersToWait);
    for (int turn = 0; turn < kMaxTurns && robot.IsWin() == 0; ++turn) {
        habitat.Analyze();
        robot.GetPlayingGamers();
        robot.GetAllPlayers_Producing();
        robot.Turn();
        habitat.WaitingTurn();
    }
    habitat.Destroy();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::Setup();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxStreamBytes) return 0;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) std::abort();
    const int server_end = ends[1];
    WriteAll(server_end, data, size);
    // The end of the bytes is the server closing its side: the session then reads a fault.
    shutdown(server_end, SHUT_WR);
    fuzz::BeginInput();
    {
        CHabitat habitat;
        habitat.GetSocketAddr()->Adopt(ends[0]);
        try {
            PlaySession(habitat);
        } catch (const fuzz::Stopped&) {
            // A report was refused: the robot would have ended here.
        }
    }
    close(server_end);
    return 0;
}
