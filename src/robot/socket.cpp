// The robot's TCP connection: sending command lines, waiting for markers anywhere in the
// server's byte stream and reading the blank-separated tokens behind them.
#include "robot/socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr char kBlank = ' ';

// Value of a decimal text in the manner of atoi (leading white space, optional sign, digits
// up to the first non-digit), clamped to the int range instead of overflowing.
int ClampedAtoi(const char* s) {
    while (*s == ' ' || (*s >= '\t' && *s <= '\r')) ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = (*s++ == '-');
    long long value = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    for (; *s >= '0' && *s <= '9'; ++s) {
        value = value * 10 + (*s - '0');
        if (value > limit) value = limit;
    }
    return static_cast<int>(negative ? -value : value);
}

// Keeps the last bytes of the stream, as many as a marker has, and tells when they equal it.
class MarkerWindow {
public:
    explicit MarkerWindow(const char* marker) : marker_(marker ? marker : "") {}
    bool Feed(char c) {
        window_.push_back(c);
        if (window_.size() > marker_.size()) window_.erase(0, 1);
        return window_ == marker_;
    }
    const std::string& Marker() const { return marker_; }

private:
    std::string marker_;
    std::string window_;
};

}  // namespace

CSocket::CSocket() : socketfd(-1), addr(), buf(1, '\0'), buf_size(1), pending_pos(0) {}

// The descriptor is owned: one still open when the connection object goes is closed with it.
CSocket::~CSocket() {
    CloseHost();
    buffree();
}

void CSocket::ConnectTo(const char* host, int portno) {
    CloseHost();  // a connection still open from an earlier game is not leaked
    socketfd = socket(AF_INET, SOCK_STREAM, 0);
    if (socketfd < 0) error.OnError("Cann't create socket.", -2, false);
    std::memset(&addr, 0, sizeof(addr));
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(portno));
    if (host == nullptr || inet_aton(host, &addr.sin_addr) == 0)
        error.OnError("Wrong remote IP or PORT.", -3, false);
    if (connect(socketfd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        error.OnError("Cann't open remote host.", -4, false);
        return;
    }
    // Orders are short lines sent one after another without waiting for answers; without
    // this each one would wait for the acknowledgement of the one before.
    int on = 1;
    setsockopt(socketfd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
}

void CSocket::Adopt(int fd) {
    CloseHost();
    socketfd = fd;
}

void CSocket::CloseHost() {
    if (socketfd >= 0) close(socketfd);
    socketfd = -1;
    DropPending();
}

void CSocket::DropPending() {
    pending.clear();
    pending_pos = 0;
}

void CSocket::bufalloc(int new_size, char copy) {
    if (new_size < 0) new_size = 0;
    // A growing copy keeps the old bytes; otherwise the content is fresh (zeroed here).
    if (new_size > buf_size && copy == 1)
        buf.resize(static_cast<std::size_t>(new_size), '\0');
    else
        buf.assign(static_cast<std::size_t>(new_size), '\0');
    buf_size = new_size;
}

void CSocket::buffree() {
    buf.clear();
    buf.shrink_to_fit();
    buf_size = 0;
}

char CSocket::NextByte() {
    if (pending_pos < pending.size()) return pending[pending_pos++];
    pending.resize(kReceiveChunkBytes);
    pending_pos = 0;
    ssize_t got;
    do {
        got = recv(socketfd, pending.data(), pending.size(), 0);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        pending.clear();
        error.OnError("Connection fault.", -5, false);
        return '\0';
    }
    pending.resize(static_cast<std::size_t>(got));
    return pending[pending_pos++];
}

// Like one read call: hands out up to size bytes, waiting only for the first one; the buffer
// is cut to the bytes actually read.
void CSocket::Read(int size) {
    bufalloc(size, 0);
    FillFrom(0, size);
}

void CSocket::ReadNext(int size) {
    int old = buf_size;
    bufalloc(old + size, 1);
    FillFrom(old, size);
}

void CSocket::FillFrom(int pos, int size) {
    int got = 0;
    while (got < size) {
        buf[static_cast<std::size_t>(pos + got++)] = NextByte();
        if (pending_pos >= pending.size()) break;
    }
    buf.resize(static_cast<std::size_t>(pos + got));
    buf_size = pos + got;
}

void CSocket::Write(const char* s) {
    if (s == nullptr) s = "";
    std::size_t left = std::strlen(s);
    while (left > 0) {
        // MSG_NOSIGNAL: a closed peer is a reported fault, not a SIGPIPE that kills the robot.
        ssize_t sent = send(socketfd, s, left, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) {
            error.OnError("Connection fault.", -5, false);
            return;
        }
        s += sent;
        left -= static_cast<std::size_t>(sent);
    }
}

void CSocket::SendCommand(const char* s) {
    std::string line = s ? s : "";
    line += '\n';
    Write(line.c_str());
}

// Numbers are written in full: a cut form would send a different number than was asked for.
void CSocket::SendCommandWithInt(const char* s, int i) {
    SendCommand((std::string(s ? s : "") + std::to_string(i)).c_str());
}

void CSocket::SendCommandWithInt2(const char* s, int i, int i2) {
    SendCommand(
        (std::string(s ? s : "") + std::to_string(i) + kBlank + std::to_string(i2)).c_str());
}

void CSocket::SetBufText(const char* s, std::size_t n) {
    bufalloc(static_cast<int>(n) + 1, 0);
    std::memcpy(buf.data(), s, n);
    buf[n] = '\0';
}

int CSocket::Wait(const char* s) {
    MarkerWindow window(s);
    // The first byte is always read, so an empty marker ends the wait after one byte.
    while (!window.Feed(NextByte())) {
    }
    SetBufText(window.Marker().data(), window.Marker().size());
    return 1;
}

int CSocket::Wait2(const char* s, const char* s2) {
    MarkerWindow first(s);
    MarkerWindow second(s2);
    for (;;) {
        char c = NextByte();
        bool first_seen = first.Feed(c);
        // The second marker wins a tie: both are fed before either is looked at.
        if (second.Feed(c)) {
            SetBufText(second.Marker().data(), second.Marker().size());
            return -1;
        }
        if (first_seen) {
            SetBufText(first.Marker().data(), first.Marker().size());
            return 1;
        }
    }
}

bool CSocket::ValidLength(int length) {
    if (length > 0 || length == -1) return true;
    error.OnError("Lenght in ReadAferWait_Int incorrect.", -6, false);
    return false;
}

int CSocket::ReadAfterWait_Int(const char* s, int /*space*/, int length) {
    if (!ValidLength(length)) return 0;
    Wait(s);
    return Read_Int();
}

int CSocket::ReadAfterWait2_Int(const char* s, const char* s2, int /*space*/, int length) {
    if (!ValidLength(length)) return 0;
    if (Wait2(s, s2) == 1) return Read_Int();
    error.OnQuietError(-5000);
    return -1;
}

// A token ends at a stop byte (line feed, NUL, and "$" for numbers), which stays in the
// buffer, or at the first blank after a non-blank byte, which is consumed with it. Leading
// blanks stay in the token. Beyond kMaxTokenBytes the bytes are read and dropped; a token
// cut that way is NUL-terminated here and the result is true.
bool CSocket::ReadToken(bool stop_at_dollar) {
    buf.clear();
    bool cut = false;
    char prev = '\0';
    char cur = NextByte();
    buf.push_back(cur);
    for (;;) {
        if (cur == '\n' || cur == '\0' || (stop_at_dollar && cur == '$')) break;
        prev = cur;
        cur = NextByte();
        if (buf.size() < static_cast<std::size_t>(kMaxTokenBytes))
            buf.push_back(cur);
        else
            cut = true;
        if (cur == kBlank && prev != kBlank) break;
    }
    if (cut) buf.push_back('\0');
    buf_size = static_cast<int>(buf.size());
    return cut;
}

int CSocket::Read_Int() {
    if (ReadToken(true)) return ClampedAtoi(buf.data());
    if (buf.back() == '\n')
        buf.back() = '\0';
    else
        bufalloc(buf_size + 1, 1);  // the new last byte is already NUL
    return ClampedAtoi(buf.data());
}

int CSocket::Read_Str() {
    if (ReadToken(false)) return buf_size;
    if (buf.back() == '\n' || buf.back() == kBlank)
        buf.back() = '\0';
    else
        bufalloc(buf_size + 1, 1);
    return buf_size;
}

void CSocket::DelSpacesInBuf() {
    int count = 0;
    while (count < buf_size && buf[static_cast<std::size_t>(count)] == kBlank) ++count;
    if (count == 0 || count == buf_size - 1) return;
    buf.erase(buf.begin(), buf.begin() + count);
    buf_size -= count;
}
