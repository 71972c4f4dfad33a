// The robot's TCP connection to the game server: command lines out, markers and
// blank-separated tokens in.
#ifndef MOD_ROBOT_SOCKET_H
#define MOD_ROBOT_SOCKET_H

#include <netinet/in.h>

#include <cstddef>
#include <vector>

#include "ui/onerror.h"

// One connection to the game server; the server's output is read as an unframed byte stream
// in which replies are found by waiting for marker texts.
class CSocket {
public:
    // Longest token kept by Read_Int / Read_Str, in bytes; the rest of a longer token is read
    // and dropped, so an endless token costs neither unbounded memory nor quadratic time.
    static constexpr int kMaxTokenBytes = 64 * 1024;
    // Most bytes fetched from the stream by one receive call.
    static constexpr int kReceiveChunkBytes = 4096;

    CSocket();
    ~CSocket();
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;

    void ConnectTo(const char* host, int portno);
    // Uses an already connected stream descriptor (one end of a socket pair, say) instead of
    // dialling; the connection owns it from now on.
    void Adopt(int fd);
    void CloseHost();

    void Read(int size);
    void ReadNext(int size);

    void Write(const char* s);
    void SendCommand(const char* s);
    void SendCommandWithInt(const char* s, int i);
    void SendCommandWithInt2(const char* s, int i, int i2);

    int Wait(const char* s);
    int Wait2(const char* s, const char* s2);
    int ReadAfterWait_Int(const char* s, int space, int length);
    int ReadAfterWait2_Int(const char* s, const char* s2, int space, int length);

    int Read_Int();
    int Read_Str();
    void DelSpacesInBuf();

    char* GetBufAddr() { return buf.data(); }
    int GetBufSize() const { return buf_size; }
    // The connection's reporter; its number carries the quiet result of ReadAfterWait2_Int.
    CError& GetError() { return error; }

private:
    void bufalloc(int new_size, char copy);
    void buffree();
    // Reads up to size bytes into the buffer from position pos, which must have room for them.
    void FillFrom(int pos, int size);
    // Next byte of the stream, or NUL after a reported connection fault.
    char NextByte();
    // Reads one token; stop_at_dollar adds "$" to its stop bytes. True when it was cut.
    bool ReadToken(bool stop_at_dollar);
    void SetBufText(const char* s, std::size_t n);
    bool ValidLength(int length);
    void DropPending();

    int socketfd;
    sockaddr_in addr;
    std::vector<char> buf;
    int buf_size;
    CError error;
    // Bytes received but not yet consumed; reading hands them out one by one.
    std::vector<char> pending;
    std::size_t pending_pos;
};

#endif
