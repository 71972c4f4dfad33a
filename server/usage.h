// The command lines of the server's programs (gameserver, server_loadtest) as CLI11 reads and
// prints them: the usage lines and --help drawn from the options' declarations.
#pragma once

#include <CLI/CLI.hpp>

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace gs {

constexpr std::size_t kUsageColumns = 90;     // the usage lines wrap before passing this column
constexpr std::size_t kOptionTextColumn = 25;  // where --help's option texts start

// A value an option refuses; its text is the whole message. Thrown from an option's check, it
// passes through CLI11 untouched, where CLI11's own errors would be reworded.
struct OptionRefusal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Usage: "usage: PROGRAM [--name VALUE] ..." wrapped under itself. Help: the usage, a blank line,
// then each option with its text, in the order declared.
class UsageFormatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override;
};

// argv as CLI11's parse takes it: without the program name, in reverse order, and "--name=" as
// "--name" and an empty value (CLI11 would take the next word as its value).
std::vector<std::string> ArgumentsForCli11(const std::vector<std::string>& argv);

// A flag that refuses "--flag=VALUE" with `refusal(VALUE)`'s message.
CLI::Option* AddStrictFlag(CLI::App& app, const std::string& name, bool& field,
                           const std::string& help,
                           std::function<std::string(const std::string&)> refusal);

}  // namespace gs
