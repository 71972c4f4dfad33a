// The server's configuration file: its settings, the command line over them, and the refusal of
// a bad file with its line.
#include <gtest/gtest.h>

#include "scratch_dir.h"
#include "server/options.h"

namespace gs {
namespace {

// Parses "gameserver --config FILE ARGS..." with FILE holding `text`.
OptionsAction ParseWithFile(const std::string& text, std::vector<std::string> args,
                            ServerOptions& options, std::string& error, std::string& file) {
    ScratchDir dir("server_config");
    file = dir.path() + "/gameserver.toml";
    EXPECT_TRUE(dir.Put("gameserver.toml", text));
    args.insert(args.begin(), {"gameserver", "--config", file});
    return ParseOptions(args, options, error);
}

TEST(ConfigFile, SettingsApplyAndTheCommandLineWins) {
    ServerOptions options;
    std::string error, file;
    ASSERT_EQ(ParseWithFile("# a comment\nhost = \"127.0.64.1\"\nport = 0\nmax-turns = 7\n"
                            "turn-timeout = 2\nquiet = true\nturn-stats = false\nlog = \"g.jsonl\"\n",
                            {"--max-turns", "3", "--port=9"}, options, error, file),
              OptionsAction::kRun)
        << error;
    EXPECT_EQ(options.net.host, "127.0.64.1");
    EXPECT_EQ(options.net.port, 9);
    EXPECT_EQ(options.core.max_turns, 3);
    EXPECT_EQ(options.core.turn_timeout_s, 2);
    EXPECT_TRUE(options.quiet);
    EXPECT_FALSE(options.net.time_turns);
    EXPECT_EQ(options.log_path, "g.jsonl");
}

TEST(ConfigFile, BadFilesAreRefusedWithTheirLine) {
    const struct {
        const char* text;
        const char* error;  // after "FILE:"; the TOML reader's own words are not compared
    } cases[] = {
        {"port = 1\n\nverbose = true\n", "3: unknown key 'verbose'"},
        {"config = \"other.toml\"\n", "1: unknown key 'config'"},
        {"port = 1\nport = 70000\n", "2: "},
        {"\nport = 70000\n", "2: bad value for --port: '70000' (expected a port number from 0 to 65535)"},
        {"host = \"--quiet\"\n", "1: bad value for --host: '--quiet' (expected a numeric IPv4 address)"},
        {"turn-timeout = 1.5\n", "1: bad value for --turn-timeout: '1.5' (expected seconds from 0 to 86400)"},
        {"quiet = \"yes\"\n", "1: bad value for --quiet: 'yes' (expected true or false)"},
        {"max-turns = \n", "1: "},
        {"[server]\nport = 1\n",
         "1: server takes a single value (a number, a string, true or false), not a section or a list"},
    };
    for (const auto& c : cases) {
        ServerOptions options;
        std::string error, file;
        EXPECT_EQ(ParseWithFile(c.text, {}, options, error, file), OptionsAction::kError) << c.text;
        EXPECT_EQ(error.rfind(file + ":" + c.error, 0), 0u) << error;
    }
}

TEST(ConfigFile, AMissingFileIsRefused) {
    ServerOptions options;
    std::string error;
    EXPECT_EQ(ParseOptions({"gameserver", "--config", "/nonexistent/gameserver.toml"}, options, error),
              OptionsAction::kError);
    EXPECT_EQ(error, "/nonexistent/gameserver.toml: cannot read the configuration file: "
                     "No such file or directory");
}

}  // namespace
}  // namespace gs
