// The compiling child and its report. The child runs the robot's lexer, writes the lexemes in a
// length-prefixed form, renumbers each lexeme's line to its place in the list and runs the
// syntax analyser: its reports ("Syntax :: Line N --> ...") then name the lexeme by number,
// whatever line ends the file uses. Its standard input is /dev/null, so a report that asks
// gets "no" at once.
#include "match/check/compile.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lang/exec.h"
#include "lang/syn.h"

namespace match {
namespace {

const char kDumpMarker[] = "\n~check lexemes~\n";
const char kEndMarker[] = "\n~check end~ ";
const char kReportStart[] = "~Error: Syntax :: Line ";
const char kReportMessageStart[] = " --> ";
const char kReportLexemeStart[] = "~ '";

// The line a lexeme keeps when the lexer never completed it.
constexpr int kNeverCompletedLine = 0;

// Writes the lexemes and numbers them from 1 in their line field for the syntax reports.
void DumpLexemes(Lexeme* first) {
    std::size_t count = 0;
    for (Lexeme* l = first; l; l = l->Next())
        if (l->id != lx_begin) ++count;
    std::printf("%s%zu\n", kDumpMarker, count);
    int number = 0;
    for (Lexeme* l = first; l; l = l->Next()) {
        if (l->id == lx_begin) continue;
        std::size_t size = std::strlen(l->s);
        std::printf("%d %d %d %zu\n", static_cast<int>(l->id), l->sign == lxCorrect::ok ? 1 : 0,
                    l->line == kNeverCompletedLine ? 0 : 1, size);
        std::fwrite(l->s, 1, size, stdout);
        std::putchar('\n');
        l->line = ++number;
    }
}

[[noreturn]] void CompileInChild(const std::string& bytes, int out_fd) {
    int null_in = open("/dev/null", O_RDONLY);
    if (null_in >= 0) {
        dup2(null_in, STDIN_FILENO);
        close(null_in);
    } else {
        close(STDIN_FILENO);
    }
    dup2(out_fd, STDOUT_FILENO);
    close(out_fd);
    {
        CLexic lexic(bytes.data(), bytes.size(), CLexic::FromMemory{});
        bool lexed = lexic.MakeAnalysis();
        DumpLexemes(lexic.GetBegin());
        std::printf("%d\n", lexed ? 1 : 0);
        if (lexed) {
            CExecuter executer(nullptr, nullptr);
            CRun run(&executer);
            CSyntax syntax(lexic.GetBegin(), &run);
            bool passed = syntax.MakeAnalysis();
            std::printf("%s%d\n", kEndMarker, passed ? 1 : 0);
        }
    }
    std::fflush(stdout);
    _exit(0);
}

std::string ReadAll(int fd) {
    std::string data;
    char chunk[65536];
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n > 0) {
            data.append(chunk, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            return data;
        }
    }
}

// The text of the robot's last "~Error:" report in `output`, if any.
std::string LastRobotError(const std::string& output) {
    std::size_t at = output.rfind("~Error: ");
    if (at == std::string::npos) return std::string();
    at += std::strlen("~Error: ");
    std::size_t end = output.find(" :: ", at);
    return output.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

std::string ChildFailure(int status, const std::string& output) {
    std::string why = WIFSIGNALED(status) ? "was killed by signal " + std::to_string(WTERMSIG(status))
                                          : "ended with status " + std::to_string(WEXITSTATUS(status));
    std::string robot = LastRobotError(output);
    return "the robot's analyser " + why + (robot.empty() ? "" : ": " + robot);
}

// Reads the next line of the dump, without its line feed; false when the dump is cut short.
bool ReadLine(const std::string& s, std::size_t& pos, std::string& line) {
    std::size_t end = s.find('\n', pos);
    if (end == std::string::npos) return false;
    line = s.substr(pos, end - pos);
    pos = end + 1;
    return true;
}

// Reads a lexeme's "KIND GOOD COMPLETE SIZE" line. By hand rather than with sscanf: a long
// script has one such line per lexeme, and the language server reads them after every edit.
bool ReadTokenHeader(const std::string& line, int& kind, int& good, int& complete, std::size_t& size) {
    const char* at = line.c_str();
    char* end = nullptr;
    for (int* field : {&kind, &good, &complete}) {
        const long value = std::strtol(at, &end, 10);
        if (end == at || value < INT_MIN || value > INT_MAX) return false;
        *field = static_cast<int>(value);
        at = end;
    }
    const unsigned long long bytes = std::strtoull(at, &end, 10);
    if (end == at) return false;
    size = static_cast<std::size_t>(bytes);
    return true;
}

bool ReadTokens(const std::string& s, std::size_t& pos, std::vector<Token>& tokens) {
    std::string line;
    if (!ReadLine(s, pos, line)) return false;
    unsigned long count = std::strtoul(line.c_str(), nullptr, 10);
    for (unsigned long i = 0; i < count; ++i) {
        int kind = 0, good = 0, complete = 0;
        std::size_t size = 0;
        if (!ReadLine(s, pos, line) ||
            !ReadTokenHeader(line, kind, good, complete, size) ||
            size > s.size() - pos)
            return false;
        Token t;
        t.kind = static_cast<lxType>(kind);
        t.ok = good == 1;
        t.complete = complete == 1;
        if (t.complete) t.text = s.substr(pos, size);
        tokens.push_back(t);
        pos += size + 1;
    }
    return true;
}

// Reads the analyser's reports up to the end marker. The cited lexeme's text is skipped by
// its known length, so a string constant that looks like a report cannot be taken for one.
void ReadReports(const std::string& s, std::size_t pos, Compilation& c) {
    for (;;) {
        std::size_t report = s.find(kReportStart, pos);
        std::size_t end = s.find(kEndMarker, pos);
        if (end == std::string::npos) return;
        if (report == std::string::npos || report > end) {
            c.parsed = s.compare(end + std::strlen(kEndMarker), 1, "1") == 0;
            return;
        }
        pos = report + std::strlen(kReportStart);
        unsigned long number = std::strtoul(s.c_str() + pos, nullptr, 10);
        std::size_t text = s.find(kReportMessageStart, pos);
        std::size_t lexeme = s.find(kReportLexemeStart, pos);
        if (text == std::string::npos || lexeme == std::string::npos || lexeme < text) return;
        text += std::strlen(kReportMessageStart);
        SyntaxReport r;
        r.message = s.substr(text, lexeme - text);
        while (!r.message.empty() && r.message.back() == ' ') r.message.pop_back();
        pos = lexeme + std::strlen(kReportLexemeStart);
        if (number >= 1 && number <= c.tokens.size()) {
            r.token = number - 1;
            pos += c.tokens[r.token].text.size();
        }
        c.reports.push_back(r);
    }
}

}  // namespace

Compilation ReadCompilation(const std::string& output) {
    Compilation c;
    std::size_t pos = output.find(kDumpMarker);
    std::string lexed;
    if (pos == std::string::npos) {
        c.failure = "the robot's analyser wrote no lexemes";
        return c;
    }
    pos += std::strlen(kDumpMarker);
    if (!ReadTokens(output, pos, c.tokens) || !ReadLine(output, pos, lexed)) {
        c.failure = "the robot's analyser stopped while listing the lexemes";
        return c;
    }
    c.lexed = lexed == "1";
    if (c.lexed) ReadReports(output, pos, c);
    return c;
}

Compilation CompileScript(const std::string& bytes) {
    Compilation c;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        c.failure = std::string("cannot start the robot's analyser: ") + std::strerror(errno);
        return c;
    }
    // What the parent has buffered must not be written a second time by the child.
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        c.failure = std::string("cannot start the robot's analyser: ") + std::strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return c;
    }
    if (pid == 0) {
        close(fds[0]);
        CompileInChild(bytes, fds[1]);
    }
    close(fds[1]);
    std::string output = ReadAll(fds[0]);
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    c = ReadCompilation(output);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) c.failure = ChildFailure(status, output);
    return c;
}

}  // namespace match
