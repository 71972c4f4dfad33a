// The side file of runtime error lines: one line appended per runtime error report.
#include "ui/error_lines.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "protocol/robot_protocol.h"

void AppendErrorLine(int number, int line) {
    // Looked up at each report, not once: reports are rare, and a run without the variable
    // pays nothing anywhere else.
    const char* path = std::getenv(protocol::kErrorLinesVariable);
    if (!path || !*path) return;
    char text[32];
    int size = std::snprintf(text, sizeof text, "%d %d\n", number, line);
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    // One write of the whole line, so a reader never sees half of one. A failed write loses
    // the line alone: the console report follows all the same.
    [[maybe_unused]] const ssize_t written = write(fd, text, static_cast<std::size_t>(size));
    close(fd);
}
