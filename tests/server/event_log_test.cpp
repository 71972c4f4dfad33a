// The human log: its time stamps, and a line for every connection, name and disconnection with
// the reason, written by a real server.
#include "server/event_log.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "protocol_harness.h"

namespace gs_test {
namespace {

using namespace std::chrono;

TEST(EventLog, EachLineStartsWithItsTimeInUtc) {
    system_clock::time_point now = system_clock::time_point(milliseconds(1796241662345));
    std::ostringstream out;
    gs::TimestampedLines stamped(out.rdbuf(), [&] { return now; });
    std::ostream log(&stamped);
    log << "first line\nsecond";
    now += milliseconds(1000);  // the time of a line is when it began
    log << " line\n" << std::flush;
    EXPECT_EQ(out.str(),
              "2026-12-02T20:01:02.345Z first line\n"
              "2026-12-02T20:01:02.345Z second line\n");
}

TEST(EventLog, EveryConnectionIsLoggedWithItsNameAddressAndWhyItEnded) {
    std::ostringstream events;
    {
        ServerUnderTest server("127.0.63.3", {}, 1024, false, gs::NetConfig{}.max_per_address,
                               &events);
        auto quitter = LogIn(server, "quitter");
        quitter->SendLine(".quit");
        quitter->WaitClosed();
        LogIn(server, "hangup").reset();
        LineClient bad_name(server.host(), server.port());
        bad_name.SendLine("bad!name");
        bad_name.WaitClosed();
        auto long_line = LogIn(server, "longline");
        long_line->Send(std::string(5000, 'x'));
        long_line->WaitClosed();
        auto stays = LogIn(server, "stays");
        auto witness = LogIn(server, "witness");  // a last round trip, after the hang-up
        witness->SendLine(".who");
        witness->ReadLine();
        server.StopAndTurnTimes();
    }
    const std::string log = events.str();
    const char* expected[] = {
        R"(client 1 connected from 127\.[0-9.]+:\d+)",
        R"(client 1 is quitter)",
        R"(client 1 \(quitter, 127\.[0-9.]+:\d+\) disconnected: quit)",
        R"(client 2 \(hangup, 127\.[0-9.]+:\d+\) disconnected: closed by peer)",
        R"(client 3 \(127\.[0-9.]+:\d+\) disconnected: bad name)",
        R"(client 4 \(longline, 127\.[0-9.]+:\d+\) disconnected: line too long)",
        R"(client 5 \(stays, 127\.[0-9.]+:\d+\) disconnected: server stopping)",
    };
    for (const char* line : expected) {
        EXPECT_TRUE(std::regex_search(log, std::regex(std::string("(^|\n)") + line + "\n")))
            << line << "\nin:\n"
            << log;
    }
}

}  // namespace
}  // namespace gs_test
