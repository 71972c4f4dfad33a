// The ban list's file: [{"address": "203.0.113.7", "until": 1800000000}, ...]; "until" is
// seconds since the epoch, or null for a ban with no end.
#include "server/bans.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>

namespace gs {
namespace {

constexpr char kAddressKey[] = "address";
constexpr char kUntilKey[] = "until";

bool Active(std::int64_t until, std::int64_t now) { return until == kBanForever || until > now; }

}  // namespace

bool BanList::Load(std::string& error) {
    std::ifstream in(path_);
    if (!in) {
        if (errno == ENOENT) return true;
        error = "cannot read " + path_ + ": " + std::strerror(errno);
        return false;
    }
    try {
        const nlohmann::json list = nlohmann::json::parse(in);
        std::map<std::string, std::int64_t> loaded;
        for (const nlohmann::json& ban : list) {
            const nlohmann::json& until = ban.at(kUntilKey);
            loaded[ban.at(kAddressKey).get<std::string>()] =
                until.is_null() ? kBanForever : until.get<std::int64_t>();
        }
        until_ = std::move(loaded);
        return true;
    } catch (const nlohmann::json::exception& e) {
        error = path_ + " is not a ban list: " + e.what();
        return false;
    }
}

bool BanList::Ban(const std::string& address, std::int64_t until_unix_s, std::int64_t now_unix_s,
                  std::string& error) {
    until_[address] = until_unix_s;
    return Save(now_unix_s, error);
}

bool BanList::Unban(const std::string& address, std::int64_t now_unix_s, std::string& error) {
    if (until_.erase(address) == 0) return false;
    return Save(now_unix_s, error);
}

bool BanList::Banned(const std::string& address, std::int64_t now_unix_s) const {
    auto it = until_.find(address);
    return it != until_.end() && Active(it->second, now_unix_s);
}

std::size_t BanList::Count(std::int64_t now_unix_s) const {
    std::size_t count = 0;
    for (const auto& [address, until] : until_) count += Active(until, now_unix_s) ? 1 : 0;
    return count;
}

// Ended bans are dropped as the list is saved.
bool BanList::Save(std::int64_t now_unix_s, std::string& error) {
    nlohmann::json list = nlohmann::json::array();
    for (auto it = until_.begin(); it != until_.end();) {
        if (!Active(it->second, now_unix_s)) {
            it = until_.erase(it);
            continue;
        }
        nlohmann::json until = it->second == kBanForever ? nlohmann::json() : nlohmann::json(it->second);
        list.push_back({{kAddressKey, it->first}, {kUntilKey, until}});
        ++it;
    }
    const std::string fresh = path_ + ".new";
    {
        std::ofstream out(fresh, std::ios::trunc);
        out << list.dump(1) << "\n";
        out.flush();
        if (!out) {
            error = "cannot write " + fresh + ": " + std::strerror(errno);
            return false;
        }
    }
    if (std::rename(fresh.c_str(), path_.c_str()) != 0) {
        error = "cannot replace " + path_ + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace gs
