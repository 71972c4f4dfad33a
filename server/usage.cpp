// Prints the usage lines and --help of the server's programs from their CLI11 declarations.
#include "server/usage.h"

#include <sstream>

namespace gs {
namespace {

// "--name VALUE", or "--name" for a flag.
std::string NameAndValue(const CLI::Option& option) {
    const std::string value = option.get_type_name();
    return "--" + option.get_lnames().front() + (value.empty() ? "" : " " + value);
}

}  // namespace

std::string UsageFormatter::make_usage(const CLI::App* app, std::string name) const {
    const std::string lead = "usage: " + name + " ";
    std::string text = lead;
    std::size_t line_start = 0;
    for (const CLI::Option* option : app->get_options()) {
        const std::string item = "[" + NameAndValue(*option) + "]";
        const bool first_on_line = text.size() - line_start == lead.size();
        if (!first_on_line && text.size() - line_start + 1 + item.size() > kUsageColumns) {
            line_start = text.size() + 1;
            text += "\n" + std::string(lead.size(), ' ') + item;
        } else {
            text += (first_on_line ? "" : " ") + item;
        }
    }
    return text + "\n";
}

std::string UsageFormatter::make_help(const CLI::App* app, std::string name, CLI::AppFormatMode) const {
    std::ostringstream help;
    help << make_usage(app, name) << "\n";
    const std::string margin(kOptionTextColumn, ' ');
    for (const CLI::Option* option : app->get_options()) {
        help << "  " << NameAndValue(*option);
        const std::size_t used = 2 + NameAndValue(*option).size();
        help << (used < kOptionTextColumn ? std::string(kOptionTextColumn - used, ' ') : "\n" + margin);
        for (char c : option->get_description()) {
            help << c;
            if (c == '\n') help << margin;
        }
        help << "\n";
    }
    return help.str();
}

std::vector<std::string> ArgumentsForCli11(const std::vector<std::string>& argv) {
    std::vector<std::string> reversed;
    for (std::size_t i = argv.size(); i-- > 1;) {
        const std::string& arg = argv[i];
        if (arg.size() > 3 && arg.rfind("--", 0) == 0 && arg.find('=') == arg.size() - 1) {
            reversed.push_back("");
            reversed.push_back(arg.substr(0, arg.size() - 1));
        } else {
            reversed.push_back(arg);
        }
    }
    return reversed;
}

CLI::Option* AddStrictFlag(CLI::App& app, const std::string& name, bool& field,
                           const std::string& help,
                           std::function<std::string(const std::string&)> refusal) {
    // A flag given plainly reads as "true"; anything else came after an "=".
    CLI::Validator no_value(
        [refusal](std::string& given) -> std::string {
            if (given != "true") throw OptionRefusal(refusal(given));
            return std::string();
        },
        "");
    return app.add_flag(name, field, help)->check(no_value);
}

}  // namespace gs
