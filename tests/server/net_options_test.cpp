// The server's command line: defaults, accepted forms, and the refusal of bad values.
#include <gtest/gtest.h>

#include "server/options.h"

namespace gs {
namespace {

OptionsAction Parse(std::vector<std::string> args, ServerOptions& options, std::string& error) {
    args.insert(args.begin(), "gameserver");
    return ParseOptions(args, options, error);
}

TEST(ServerOptions, EveryOptionInBothForms) {
    ServerOptions options;
    std::string error;
    ASSERT_EQ(Parse({"--host", "127.0.30.9", "--port=0", "--seed", "18446744073709551615",
                     "--max-turns=3", "--turn-timeout", "0", "--max-players", "101",
                     "--max-clients=5", "--log", "g.jsonl", "--quiet", "--turn-stats",
                     "--chat-rate=30/5", "--no-chat-log"},
                    options, error),
              OptionsAction::kRun)
        << error;
    EXPECT_EQ(options.net.host, "127.0.30.9");
    EXPECT_EQ(options.net.port, 0);
    EXPECT_TRUE(options.seed_given);
    EXPECT_EQ(options.core.seed, UINT64_MAX);
    EXPECT_EQ(options.core.max_turns, 3);
    EXPECT_EQ(options.core.turn_timeout_s, 0);
    EXPECT_EQ(options.core.max_players, 101);
    EXPECT_EQ(options.net.max_clients, 5);
    EXPECT_EQ(options.log_path, "g.jsonl");
    EXPECT_TRUE(options.quiet);
    EXPECT_TRUE(options.net.time_turns);
    EXPECT_EQ(options.core.chat_burst, 30);
    EXPECT_EQ(options.core.chat_per_second, 5);
    EXPECT_FALSE(options.core.chat_log);
}

TEST(ServerOptions, HelpWinsOverTheOptionsAroundIt) {
    ServerOptions options;
    std::string error;
    EXPECT_EQ(Parse({"--port", "1", "--help", "--bogus"}, options, error), OptionsAction::kHelp);
}

struct BadCase {
    std::vector<std::string> args;
    const char* error;
};

TEST(ServerOptions, BadValuesAreRefusedWithTheReason) {
    const BadCase cases[] = {
        {{"--host", "localhost"},
         "bad value for --host: 'localhost' (expected a numeric IPv4 address)"},
        {{"--port", "65536"},
         "bad value for --port: '65536' (expected a port number from 0 to 65535)"},
        {{"--port", "12ab"},
         "bad value for --port: '12ab' (expected a port number from 0 to 65535)"},
        {{"--seed", "18446744073709551616"},
         "bad value for --seed: '18446744073709551616' (expected a number from 0 to "
         "18446744073709551615)"},
        {{"--max-turns", "0"},
         "bad value for --max-turns: '0' (expected a number from 1 to 1000000)"},
        {{"--turn-timeout", "1.5"},
         "bad value for --turn-timeout: '1.5' (expected seconds from 0 to 86400)"},
        {{"--max-players", "102"},
         "bad value for --max-players: '102' (expected a number from 1 to 101)"},
        {{"--max-clients", ""},
         "bad value for --max-clients: '' (expected a number from 1 to 1000000)"},
        {{"--log="}, "bad value for --log: '' (expected a file name)"},
        {{"--max-turns"}, "--max-turns needs a value: a number from 1 to 1000000"},
        {{"--verbose"}, "unknown option: --verbose"},
        {{"--quiet=yes"}, "unknown option: --quiet=yes"},
        {{"--chat-rate", "10"},
         "bad value for --chat-rate: '10' (expected BURST/RATE, two numbers from 1 to 1000000, "
         "such as 10/2)"},
        {{"--chat-rate", "10/0"},
         "bad value for --chat-rate: '10/0' (expected BURST/RATE, two numbers from 1 to "
         "1000000, such as 10/2)"},
        {{"--chat-rate", "/2"},
         "bad value for --chat-rate: '/2' (expected BURST/RATE, two numbers from 1 to 1000000, "
         "such as 10/2)"},
    };
    for (const BadCase& c : cases) {
        ServerOptions options;
        std::string error;
        EXPECT_EQ(Parse(c.args, options, error), OptionsAction::kError) << c.error;
        EXPECT_EQ(error, c.error);
    }
}

struct MetricsAddressCase {
    std::string text;
    std::string host;  // "" when the text is refused
    int port;
};

TEST(ServerOptions, MetricsAddressDefaultsToLoopback) {
    const MetricsAddressCase cases[] = {
        {"9100", "127.0.0.1", 9100},   {":0", "127.0.0.1", 0},
        {"0.0.0.0:80", "0.0.0.0", 80}, {"localhost:80", "", 0},
        {"127.0.0.1:", "", 0},         {"70000", "", 0},
        {"1.2.3.4:9x", "", 0},         {"", "", 0},
    };
    for (const MetricsAddressCase& c : cases) {
        ServerOptions options;
        std::string error;
        const OptionsAction action = Parse({"--metrics", c.text}, options, error);
        if (c.host.empty()) {
            EXPECT_EQ(action, OptionsAction::kError) << c.text;
            EXPECT_EQ(error.rfind("bad value for --metrics: '" + c.text + "'", 0), 0u) << error;
            continue;
        }
        EXPECT_EQ(action, OptionsAction::kRun) << c.text << ": " << error;
        EXPECT_EQ(options.net.metrics_host, c.host);
        EXPECT_EQ(options.net.metrics_port, c.port);
    }
    ServerOptions options;
    std::string error;
    ASSERT_EQ(Parse({}, options, error), OptionsAction::kRun);
    EXPECT_EQ(options.net.metrics_port, -1) << "the page is off unless asked for";
}

}  // namespace
}  // namespace gs
