// The fuzz targets' shared set-up. The lexer reads a file by path, so the bytes are put into
// an anonymous memory file and the lexer opens that file's /proc path.
#include "fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "mod/lang/lex.h"
#include "ui/onerror.h"

namespace fuzz {
namespace {

int answers_given = 0;

bool AnswerYesAWhile() { return answers_given++ < kYesAnswersPerInput; }

[[noreturn]] void ThrowStopped(int number) { throw Stopped{number}; }

}  // namespace

void Setup() {
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    CError::SetAnswerSource(AnswerYesAWhile);
    CError::SetStopAction(ThrowStopped);
}

void BeginInput() { answers_given = 0; }

std::unique_ptr<CLexic> LexerFromBytes(const std::uint8_t* data, std::size_t size) {
    const int fd = memfd_create("script", 0);
    if (fd < 0) std::abort();
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = write(fd, data + written, size - written);
        if (n <= 0) std::abort();
        written += static_cast<std::size_t>(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    // The lexer opens its own description of the file, so this one may close at once; a
    // report that throws out of the constructor must not leak it either.
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    return std::make_unique<CLexic>(path.c_str());
}

}  // namespace fuzz
