// Tests of the command-line scan: option forms, value indexes and the scan's quirks.
#include "flags.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Settings {
    bool printlex;
    int botname, host, wait, debug, colvo;
    bool operator==(const Settings& o) const {
        return printlex == o.printlex && botname == o.botname && host == o.host &&
               wait == o.wait && debug == o.debug && colvo == o.colvo;
    }
};

std::ostream& operator<<(std::ostream& os, const Settings& s) {
    return os << "{pl=" << s.printlex << " name=" << s.botname << " host=" << s.host
              << " wait=" << s.wait << " debug=" << s.debug << " inf=" << s.colvo << "}";
}

const Settings kDefaults = {false, -1, -1, -1, -1, 0};

// Scans `args` (the program name is added in front) from the initial settings.
Settings Scan(std::vector<std::string> args) {
    flag_printlex = kDefaults.printlex;
    flag_botname = kDefaults.botname;
    flag_host = kDefaults.host;
    flag_wait = kDefaults.wait;
    flag_debug = kDefaults.debug;
    flag_colvo = kDefaults.colvo;
    args.insert(args.begin(), "robot");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    GetFlags(static_cast<int>(args.size()), argv.data());
    return {flag_printlex, flag_botname, flag_host, flag_wait, flag_debug, flag_colvo};
}

struct FlagCase {
    const char* name;
    std::vector<std::string> args;
    Settings expected;
};

void PrintTo(const FlagCase& c, std::ostream* os) { *os << c.name; }

class FlagsCases : public testing::TestWithParam<FlagCase> {};

TEST_P(FlagsCases, SetsGlobals) { EXPECT_EQ(Scan(GetParam().args), GetParam().expected); }

const FlagCase kCases[] = {
    {"ScriptOnly", {"a.robot"}, kDefaults},
    {"LongForms",
     {"a.robot", "-printlex", "-name", "bob", "-host", "127.0.0.2", "-wait", "3", "-debug", "-inf"},
     {true, 4, 6, 8, 1, 1}},
    {"ShortForms", {"a.robot", "-pl", "-n", "bob", "-h", "1.2.3.4", "-w", "2", "-d", "-i"},
     {true, 4, 6, 8, 1, 1}},
    {"UnknownArgumentsIgnored", {"a.robot", "--name", "x", "-N", "-debugx"}, kDefaults},
    {"ValueThatIsAnOptionActsAsOption", {"a.robot", "-name", "-d"}, {false, 3, -1, -1, 1, 0}},
    {"ScriptPathThatIsAnOption", {"-i"}, {false, -1, -1, -1, -1, 1}},
    {"ValueOptionAsLastArgumentIsAbsent", {"a.robot", "-pl", "-name"}, {true, -1, -1, -1, -1, 0}},
    {"LastOptionWithoutValueKeepsEarlierOne", {"a.robot", "-w", "4", "-w"}, {false, -1, -1, 3, -1, 0}},
    {"LaterOptionWins", {"a.robot", "-n", "a", "-n", "b"}, {false, 5, -1, -1, -1, 0}},
};
INSTANTIATE_TEST_SUITE_P(CommandLine, FlagsCases, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<FlagCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
