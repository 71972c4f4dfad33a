// Program lookup for the match tool.
#include "match/programs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace match {
namespace {

std::string Dirname(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

bool IsExecutableFile(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string ResolveProgram(const std::string& given, const std::string& fallback_name, const std::string& self_dir,
                           const std::string& path_list) {
    if (given.empty()) return FindProgram(fallback_name, self_dir, path_list);
    if (given.find('/') == std::string::npos) return FindProgram(given, "", path_list);
    return IsExecutableFile(given) ? given : std::string();
}

std::string SelfDirectory(const std::string& argv0) {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0) return Dirname(std::string(buf, static_cast<size_t>(n)));
    return Dirname(argv0);
}

std::string FindProgram(const std::string& name, const std::string& dir, const std::string& path_list) {
    if (!dir.empty() && IsExecutableFile(dir + "/" + name)) return dir + "/" + name;
    if (path_list.empty()) return std::string();
    size_t start = 0;
    while (start <= path_list.size()) {
        size_t colon = path_list.find(':', start);
        if (colon == std::string::npos) colon = path_list.size();
        std::string entry = path_list.substr(start, colon - start);
        if (entry.empty()) entry = ".";
        if (IsExecutableFile(entry + "/" + name)) return entry + "/" + name;
        start = colon + 1;
    }
    return std::string();
}

std::string MissingProgram(const std::string& name, const std::string& given, const ProgramSearch& search) {
    if (!given.empty()) return "cannot run '" + given + "': no such executable";
    return "cannot find the " + name + " program (looked in " + search.self_dir +
           " and in PATH); build it first (./match builds everything)";
}

}  // namespace match
