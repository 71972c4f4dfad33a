// The write loop of server/write_fully.h.
#include "server/write_fully.h"

#include <unistd.h>

#include <cerrno>

namespace gs {

bool WriteFully(int fd, std::string_view text, std::size_t& written) {
    written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            if (n == 0) errno = ENOSPC;
            return false;
        }
    }
    return true;
}

}  // namespace gs
