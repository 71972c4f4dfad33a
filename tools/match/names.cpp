// Derives server-safe, unique player names from script file names.
#include "match/names.h"

#include <set>

#include "protocol/robot_protocol.h"

namespace match {
namespace {

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

// The server refuses names that contain a robot marker; "botstart" is the only one a name can hold.
void DefuseMarker(std::string& name) {
    const std::string marker = protocol::kMarkerBotstart;
    for (size_t at = name.find(marker); at != std::string::npos; at = name.find(marker, at))
        name.replace(at, marker.size(), "bot_start");
}

}  // namespace

std::string NameFromScript(const std::string& path) {
    std::string base = path;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    size_t slash = base.find_last_of('/');
    if (slash != std::string::npos) base = base.substr(slash + 1);
    const std::string ext = ".robot";
    if (base.size() > ext.size() && base.compare(base.size() - ext.size(), ext.size(), ext) == 0)
        base.resize(base.size() - ext.size());
    // A run of other bytes (a space, the bytes of one non-ASCII letter) becomes one "_".
    std::string name;
    for (char c : base) {
        if (IsNameChar(c))
            name += c;
        else if (name.empty() || name.back() != '_')
            name += '_';
    }
    // The server takes a leading "." for a command.
    name.erase(0, name.find_first_not_of('.'));
    DefuseMarker(name);
    if (name.size() > kMaxNameLength) name.resize(kMaxNameLength);
    if (name.find_first_not_of('_') == std::string::npos) name = "robot";
    return name;
}

std::vector<std::string> UniqueNames(const std::vector<std::string>& scripts) {
    std::vector<std::string> bases;
    std::set<std::string> taken;
    for (const std::string& s : scripts) bases.push_back(NameFromScript(s));
    // Reserve every plain name first, so "a", "a", "a-2" gives "a", "a-3", "a-2".
    for (const std::string& b : bases) taken.insert(b);
    std::vector<std::string> names;
    std::set<std::string> used;
    for (const std::string& b : bases) {
        std::string name = b;
        for (int n = 2; used.count(name) || (name != b && taken.count(name)); ++n)
            name = b + "-" + std::to_string(n);
        used.insert(name);
        taken.insert(name);
        names.push_back(name);
    }
    return names;
}

}  // namespace match
