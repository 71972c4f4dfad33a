// Reads the server's TOML configuration file with toml++, which knows the line of every key.
#include "server/config_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include <toml++/toml.h>

namespace gs {
namespace {

std::string At(const std::string& path, int line) { return path + ":" + std::to_string(line) + ": "; }

// The value as command-line text; false for a section or an array.
bool ValueText(const toml::node& node, ConfigSetting& setting) {
    if (const auto* text = node.as_string()) {
        setting.value = text->get();
    } else if (const auto* boolean = node.as_boolean()) {
        setting.value = boolean->get() ? "true" : "false";
        setting.is_boolean = true;
    } else if (const auto* integer = node.as_integer()) {
        setting.value = std::to_string(integer->get());
    } else if (const auto* real = node.as_floating_point()) {
        std::ostringstream number;  // no option takes one: the text only shows in the refusal
        number << real->get();
        setting.value = number.str();
    } else {
        return false;  // a table, an array, a date or a time
    }
    return true;
}

}  // namespace

bool ReadConfigFile(const std::string& path, std::vector<ConfigSetting>& settings,
                    std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot read the configuration file: " + std::strerror(errno);
        return false;
    }
    toml::table table;
    try {
        table = toml::parse(file, path);
    } catch (const toml::parse_error& bad) {
        error = At(path, static_cast<int>(bad.source().begin.line)) + std::string(bad.description());
        return false;
    }
    settings.clear();
    for (const auto& [key, node] : table) {
        ConfigSetting setting;
        setting.key = std::string(key.str());
        setting.line = static_cast<int>(key.source().begin.line);
        if (!ValueText(node, setting)) {
            error = At(path, setting.line) + setting.key + " takes a single value (a number, a " +
                    "string, true or false), not a section or a list";
            return false;
        }
        settings.push_back(setting);
    }
    // The table keeps its keys sorted; errors are reported for the first line that has one.
    std::sort(settings.begin(), settings.end(),
              [](const ConfigSetting& a, const ConfigSetting& b) { return a.line < b.line; });
    return true;
}

}  // namespace gs
