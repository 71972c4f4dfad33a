// The operator's admin socket: a Unix stream socket served from the server's own event loop,
// one command per line, one reply per command.
//
// A reply is a status line, "ok" or "error: REASON", then zero or more lines of data, then a
// line holding a single "." that ends it. A data line that begins with "." gets one more "."
// in front, so that no data line reads as the end.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "server/bans.h"
#include "server/core.h"
#include "server/net.h"
#include "server/net_buffers.h"

namespace gs {

constexpr int kMaxAdminConnections = 8;           // admin connections served at once
constexpr std::int64_t kMaxBanMinutes = 525600;   // a year; a longer ban is one with no end
constexpr char kAdminReplyEnd[] = ".";            // the line that ends a reply
constexpr char kAdminOk[] = "ok";                 // the status line of a command that worked
constexpr char kAdminErrorPrefix[] = "error: ";   // the status line of one that did not

// What a command answers: its status and its data lines.
struct AdminReply {
    std::string error;  // "" for ok
    std::vector<std::string> lines;
};

// Serves the admin socket: reads commands, runs them on the core and the network layer, and
// writes the replies.
class AdminServer {
public:
    AdminServer(NetServer& net, ServerCore& core, BanList& bans, std::ostream* events);
    ~AdminServer();
    AdminServer(const AdminServer&) = delete;
    AdminServer& operator=(const AdminServer&) = delete;

    // Listens on path with permissions 0600. A socket file left by a server that is gone is
    // replaced; one that a live server listens on, or a file that is no socket, is an error.
    bool Open(const std::string& path, std::string& error);
    // Runs one command line.
    AdminReply Execute(const std::string& line);
    // The reply as it is written on the socket.
    static std::string Format(const AdminReply& reply);
    // The line a banned address is refused with at connection time, or "".
    std::string Refusal(const std::string& address) const;

private:
    struct Connection {
        int fd = -1;
        std::uint64_t tag = 0;
        InputBuffer in;
        OutputBuffer out;
        bool peer_eof = false;
        bool writing = false;  // EPOLLOUT is watched
    };
    struct Command;
    static const std::vector<Command>& Commands();

    void Accept();
    void OnEvent(int fd, std::uint32_t events);
    void Read(Connection& connection);
    void Write(Connection& connection);
    void CloseConnection(int fd);

    AdminReply Stats();
    AdminReply ListClients();
    AdminReply ListGames();
    AdminReply Kick(const std::vector<std::string>& words);
    AdminReply Ban(const std::vector<std::string>& words);
    AdminReply Unban(const std::vector<std::string>& words);
    AdminReply End(const std::vector<std::string>& words);
    AdminReply Say(const std::string& text);
    AdminReply Drain();
    AdminReply Help();

    NetServer& net_;
    ServerCore& core_;
    BanList& bans_;
    std::ostream* events_;
    std::string path_;
    int listen_fd_ = -1;
    std::uint64_t listen_tag_ = 0;
    std::int64_t started_ms_ = 0;
    std::map<int, Connection> connections_;  // by descriptor
};

}  // namespace gs
