// Chat limits as the lobby applies them: a flood is cut to its burst while the flooder's orders
// are all answered, and chat goes to the human log with its sender unless turned off.
#include <algorithm>

#include "server_fixture.h"

namespace gs_test {
namespace {

class ChatCore : public ServerTest {
protected:
    static long Count(const Lines& lines, const std::string& prefix) {
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    }
};

TEST_F(ChatCore, FloodIsCutToItsBurstButEveryOrderIsAnswered) {
    options.chat_burst = 10;
    options.chat_per_second = 2;
    const std::vector<ClientId> ids = Play({"ann", "bob"});
    const ClientId ann = ids[0], bob = ids[1];
    for (int i = 0; i < 100; ++i) {
        Say(ann, "chat " + std::to_string(i));
        if (i == 40) Say(ann, "market");
        if (i == 50) Say(ann, "prod 1");
    }
    Say(ann, "turn");
    const Lines to_ann = Take(ann);
    EXPECT_EQ(Count(to_ann, "! error: chat not sent: more than 10 lines at once or 2 a second"), 1);
    EXPECT_EQ(Count(to_ann, "& MARKET "), 1);
    EXPECT_EQ(Count(to_ann, "ok: making 1 products"), 1);
    EXPECT_EQ(Count(to_ann, "ok: turn 1 ended for you"), 1);
    EXPECT_EQ(Count(Take(bob), "ann: chat "), 10);
    EXPECT_EQ(Core().ChatLinesDropped(), 90u);

    now_ms += 5000;  // the bucket has refilled: chat flows again, and bob's turn still ends it
    Say(ann, "again");
    EndTurn({bob});
    EXPECT_EQ(Take(bob), (Lines{"ann: again", "ok: turn 1 ended for you", "& ENDTURN"}));
    EXPECT_EQ(Count(Take(ann), "& ENDTURN"), 1);
}

TEST_F(ChatCore, ChatIsLoggedWithItsSenderUnlessTurnedOff) {
    for (const bool chat_log : {true, false}) {
        SCOPED_TRACE(chat_log);
        options.chat_log = chat_log;
        Restart();
        const ClientId ann = Named("ann" + std::to_string(chat_log));
        Named("bob" + std::to_string(chat_log));
        Say(ann, "hello \x01 all");
        const std::string line =
            "chat in lobby from ann" + std::to_string(chat_log) + ": hello ? all\n";
        EXPECT_EQ(events.str().find(line) != std::string::npos, chat_log) << events.str();
    }
}

}  // namespace
}  // namespace gs_test
