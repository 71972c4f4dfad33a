// The admin client: finds the socket, sends the command line, reads the reply up to its end
// line and turns its status into the exit status.
#include "server/admin_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>

#include "server/admin.h"
#include "server/options.h"
#include "server/usage.h"

namespace gs {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // an error reply, or no server to ask
constexpr int kExitUsage = 2;

// Closes the descriptor when it goes out of scope.
struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
};

// Connects to the socket; -1 with a reason on failure.
int ConnectTo(const std::string& path, std::string& error) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) {
        error = "admin socket path too long: " + path;
        return -1;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return error = std::string("socket: ") + std::strerror(errno), -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        error = "no server answers on " + path + " (" + std::strerror(errno) + "): is it running?";
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads the reply's lines up to its end line; false with a reason when it does not come whole.
bool ReadReply(int fd, std::vector<std::string>& lines, std::string& error) {
    std::string pending;
    for (;;) {
        std::size_t lf;
        while ((lf = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, lf);
            pending.erase(0, lf + 1);
            if (line == kAdminReplyEnd) return true;
            lines.push_back(line);
        }
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, kAdminReplyTimeoutMs) <= 0)
            return error = "no reply from the server", false;
        char chunk[4096];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0) return error = "the server closed the connection before its reply ended", false;
        pending.append(chunk, static_cast<std::size_t>(n));
    }
}

bool SendAll(int fd, const std::string& text) {
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

int RunAdminClient(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("sends one command to a running server's admin socket and prints the reply",
                 "gameserver admin");
    std::string socket_path;
    std::string state_dir;
    app.add_option("--admin-socket", socket_path, "the admin socket (default: admin.sock in the state folder)")
        ->type_name("PATH");
    app.add_option("--state-dir", state_dir, "the server's state folder")->type_name("DIR");
    app.prefix_command();  // the first word that is not an option begins the command
    std::vector<std::string> argv = {"gameserver admin"};
    argv.insert(argv.end(), args.begin(), args.end());
    try {
        app.parse(ArgumentsForCli11(argv));
    } catch (const CLI::CallForHelp&) {
        out << "usage: gameserver admin [--admin-socket PATH | --state-dir DIR] COMMAND [ARGS...]\n"
               "commands: stats, clients, games, kick NAME, ban ADDRESS [MINUTES], unban ADDRESS,\n"
               "          end GAME, say TEXT, drain, help\n";
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        err << "gameserver admin: " << e.what() << "\n";
        return kExitUsage;
    }
    const std::vector<std::string> words = app.remaining();
    if (words.empty()) {
        err << "gameserver admin: no command given (try 'gameserver admin help')\n";
        return kExitUsage;
    }
    if (socket_path.empty())
        socket_path = DefaultAdminSocket(state_dir.empty() ? DefaultStateDir() : state_dir);

    std::string command;
    for (const std::string& word : words) command += (command.empty() ? "" : " ") + word;
    std::string error;
    const FdCloser fd{ConnectTo(socket_path, error)};
    std::vector<std::string> lines;
    bool answered = fd.fd >= 0;
    if (answered && !SendAll(fd.fd, command + "\n")) {
        error = "cannot send the command: " + std::string(std::strerror(errno));
        answered = false;
    }
    if (answered) {
        ::shutdown(fd.fd, SHUT_WR);  // one command: the server closes after its reply
        answered = ReadReply(fd.fd, lines, error) && !lines.empty();
    }
    if (!answered) {
        err << "gameserver admin: " << (error.empty() ? "no reply from the server" : error) << "\n";
        return kExitFailed;
    }
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        out << (line.rfind("..", 0) == 0 ? line.substr(1) : line) << "\n";
    }
    if (lines[0] != kAdminOk) {
        const std::string prefix = kAdminErrorPrefix;
        const std::string reason =
            lines[0].rfind(prefix, 0) == 0 ? lines[0].substr(prefix.size()) : lines[0];
        err << "gameserver admin: " << command << ": " << reason << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace gs
