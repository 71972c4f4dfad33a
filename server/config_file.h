// The server's configuration file: a TOML file of "key = value" lines, one key per command-line
// option, read into the settings it holds with the line each one is on.
#pragma once

#include <string>
#include <vector>

namespace gs {

// One "key = value" of the file. The value is as a command line would give it: a number or a
// string as its text, a boolean as "true" or "false" (is_boolean).
struct ConfigSetting {
    std::string key;
    std::string value;
    bool is_boolean = false;
    int line = 0;
};

// Reads the file's settings in the order of their lines. False, with "FILE:LINE: reason" (or
// "FILE: reason" when it cannot be read) in error, on a file that cannot be read, is not TOML,
// or holds a section or an array where a single value belongs.
bool ReadConfigFile(const std::string& path, std::vector<ConfigSetting>& settings,
                    std::string& error);

}  // namespace gs
