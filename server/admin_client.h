// "gameserver admin CMD...": sends one command to a running server's admin socket and prints
// the reply.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace gs {

constexpr char kAdminSubcommand[] = "admin";  // gameserver's first word that selects this
constexpr int kAdminReplyTimeoutMs = 10000;   // ms to wait for a reply before giving up

// args: the words after "gameserver admin". Prints the reply's data on out and problems on err;
// returns the exit status: 0 for an ok reply, 1 for an error reply or no server, 2 for a bad
// command line.
int RunAdminClient(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace gs
