// Replays: the same seed and the same lines give the same log, byte for byte; and no sequence
// of arbitrary bytes from clients crashes the core or breaks marker hygiene.
#include "server/rng.h"
#include "server_fixture.h"

namespace gs_test {
namespace {

using Replay = ServerTest;

// Three players trading against each other until they all run out of money, as (player, line)
// pairs.
std::vector<std::pair<int, std::string>> Script() {
    std::vector<std::pair<int, std::string>> script = {
        {0, "ann"},     {1, "bob"},     {2, "cid"},  {0, ".create"},
        {1, ".join 1"}, {2, ".join 1"}, {0, "start"}};
    for (int turn = 0; turn < 10; ++turn) {
        script.insert(script.end(), {{0, "buy 2 600"},
                                     {1, "buy 2 600"},
                                     {2, "buy 3 560"},
                                     {0, "sell 1 3000"},
                                     {1, "sell 1 3000"},
                                     {2, "sell 2 2900"},
                                     {0, "prod 2"},
                                     {1, "prod 2"},
                                     {2, "prod 1"},
                                     {0, "turn"},
                                     {1, "turn"},
                                     {2, "turn"}});
    }
    return script;
}

std::string RunScript(std::uint64_t seed) {
    gs::CoreOptions options;
    options.seed = seed;
    RecordingTransport transport;
    std::ostringstream log;
    gs::ServerCore core(options, transport, &log, nullptr);
    for (ClientId id = 1; id <= 3; ++id) core.OnConnect(id, 0);
    for (const auto& [player, line] : Script())
        core.OnLine(static_cast<ClientId>(player + 1), line, 0);
    return log.str();
}

TEST_F(Replay, SameSeedAndLinesGiveTheSameLogBytes) {
    const std::string first = RunScript(42);
    EXPECT_NE(first.find(R"({"event":"end","game":1,"turn":7,)"), std::string::npos) << first;
    EXPECT_EQ(RunScript(42), first);
    EXPECT_NE(RunScript(43), first) << "the seed drives the market";
}

TEST_F(Replay, ArbitraryBytesNeitherCrashNorLeakMarkers) {
    gs::Rng rng(2024);
    const std::string words[] = {"buy ",   "sell ",   "prod ",    ".join ",       "start", "turn",
                                 "info",   "& START", "botstart", "999999999999", "-1 ",   "0 ",
                                 "market", ".leave",  ".create",  "\r",           "\xff",  " "};
    options.turn_timeout_s = 1;
    std::vector<ClientId> ids = Play({"ann", "bob", "cid", "dan"});
    for (int i = 0; i < 4000; ++i) {
        std::string line;
        const std::uint64_t parts = 1 + rng.Below(5);
        for (std::uint64_t p = 0; p < parts; ++p) {
            if (rng.Below(2) == 0) {
                line += words[rng.Below(std::size(words))];
            } else {
                line += static_cast<char>(rng.Below(256));
            }
        }
        Say(ids[rng.Below(ids.size())], line);
        if (i % 500 == 499) {
            now_ms += 1000;
            Core().OnTimer(now_ms);
        }
    }
    for (ClientId id : ids) Drop(id);
}

}  // namespace
}  // namespace gs_test
