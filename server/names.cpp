// Name validation and robot-marker detection.
#include "server/names.h"

#include "protocol/robot_protocol.h"
#include "server/reserved_names.h"

namespace gs {
namespace {

bool IsNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

}  // namespace

std::string NameError(const std::string& name) {
    if (name.empty()) return "a name needs at least one character";
    if (name.size() > kMaxNameBytes) {
        return "a name has at most " + std::to_string(kMaxNameBytes) + " characters";
    }
    for (char c : name) {
        if (!IsNameByte(c)) return "a name may contain only letters, digits, '_', '-' and '.'";
    }
    // Lines beginning with '.' are commands; a name like ".who" would only confuse its owner.
    if (name[0] == '.') return "a name may not begin with '.'";
    if (ContainsRobotMarker(name)) return "this name is reserved";
    if (IsReservedName(name)) return "this name would read like the server's own lines";
    return "";
}

bool ContainsRobotMarker(const std::string& text) {
    for (const char* marker : protocol::kRobotMarkers) {
        if (text.find(marker) != std::string::npos) return true;
    }
    return false;
}

std::string PrintableChat(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E) c = '?';
    }
    return out;
}

}  // namespace gs
