// Numbers in the server's lines and lines of its event log.
#include "server/server_text.h"

#include <ostream>

namespace gs {

std::string Num(std::int64_t value) { return std::to_string(value); }

void LogEvent(std::ostream* events, const std::string& line) {
    if (events != nullptr) *events << line << '\n' << std::flush;
}

}  // namespace gs
