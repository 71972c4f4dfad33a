// Banned client addresses with the time each ban ends, kept in a JSON file in the state folder
// so that a ban outlasts a restart of the server.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace gs {

constexpr char kBansFileName[] = "bans.json";  // the ban list's file in the state folder
constexpr std::int64_t kBanForever = 0;        // a ban's end time: it has none

// The ban list and its file. The file is rewritten whole (through a new file and a rename) at
// every change, so a crash leaves the old list or the new one, never half of one.
class BanList {
public:
    explicit BanList(std::string path) : path_(std::move(path)) {}

    // Reads the file; a missing file is an empty list. False with a reason when it cannot be read
    // or is not a ban list.
    bool Load(std::string& error);
    // Bans the address until until_unix_s (kBanForever: no end) and saves the list.
    bool Ban(const std::string& address, std::int64_t until_unix_s, std::int64_t now_unix_s,
             std::string& error);
    // Lifts the ban on the address; false when there was none (error empty) or saving failed.
    bool Unban(const std::string& address, std::int64_t now_unix_s, std::string& error);
    bool Banned(const std::string& address, std::int64_t now_unix_s) const;
    std::size_t Count(std::int64_t now_unix_s) const;
    const std::string& path() const { return path_; }

private:
    bool Save(std::int64_t now_unix_s, std::string& error);

    std::string path_;
    std::map<std::string, std::int64_t> until_;  // end of each ban by address
};

}  // namespace gs
