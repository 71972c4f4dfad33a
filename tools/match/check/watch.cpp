// Watch mode: inotify on the folders of the scripts (a save by rename replaces the file, so the
// folder is what stays watchable), a short quiet time so that an editor's burst of events makes
// one round, and each round a check and, when it passes, one game through the ordinary match.
#include "match/check/watch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "match/check/check.h"
#include "match/game/process.h"
#include "match/match.h"

namespace match {
namespace {

constexpr int kPollMs = 250;   // how often a wait looks at Ctrl-C
constexpr int kQuietMs = 300;  // events closer together than this make one save
constexpr char kDefaultWatchDir[] = "out/watch";
constexpr std::uint32_t kSaveEvents = IN_CLOSE_WRITE | IN_MOVED_TO;

// The watched folders and, per folder, the file names that count.
class SaveWatcher {
public:
    explicit SaveWatcher(const std::vector<std::string>& scripts) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        for (const std::string& script : scripts) {
            const std::filesystem::path path(script);
            const std::string dir = path.has_parent_path() ? path.parent_path().string() : ".";
            const int wd = fd_ < 0 ? -1 : inotify_add_watch(fd_, dir.c_str(), kSaveEvents);
            if (wd >= 0) names_[wd].insert(path.filename().string());
        }
    }
    ~SaveWatcher() {
        if (fd_ >= 0) close(fd_);
    }
    SaveWatcher(const SaveWatcher&) = delete;
    SaveWatcher& operator=(const SaveWatcher&) = delete;

    // Why watching cannot work; empty when it can.
    std::string Error() const {
        if (fd_ < 0) return "cannot watch files (inotify): " + std::string(std::strerror(errno));
        return names_.empty() ? "cannot watch the folders of the scripts" : std::string();
    }

    // Waits until a script was saved and no more events came for a short while; false when a
    // stop was requested first.
    bool AwaitSave() {
        bool saved = false;
        while (!StopRequested()) {
            const bool got = Wait(saved ? kQuietMs : kPollMs);
            if (saved && !got) return true;
            saved = ReadEvents() || saved;
        }
        return false;
    }

private:
    bool Wait(int ms) {
        pollfd p{fd_, POLLIN, 0};
        return poll(&p, 1, ms) > 0;
    }

    // Reads what is there; true when an event named a watched script.
    bool ReadEvents() {
        alignas(inotify_event) char buffer[8192];
        bool hit = false;
        for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                auto names = names_.find(event->wd);
                hit = hit || (event->len > 0 && names != names_.end() && names->second.count(event->name) > 0);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return hit;
    }

    int fd_;
    std::map<int, std::set<std::string>> names_;  // per watch descriptor
};

void CheckAndPlay(const MatchOptions& game, const std::vector<std::string>& watched, const ProgramSearch& search,
                  std::ostream& out, std::ostream& err) {
    out << "\nmatch: checking " << watched.size() << (watched.size() == 1 ? " script" : " scripts") << '\n';
    if (RunCheck(watched, false, out, out) != 0) {
        out << "match: no game until the errors are fixed; watching for the next save\n";
        out.flush();
        return;
    }
    RunMatch(game, search, out, err);
    if (!StopRequested()) out << "match: watching for the next save (Ctrl-C ends)\n";
    out.flush();
}

}  // namespace

int RunWatch(const MatchOptions& options, const ProgramSearch& search, std::ostream& out, std::ostream& err) {
    SaveWatcher watcher(options.scripts);
    const std::string error = watcher.Error();
    if (!error.empty()) {
        err << "match: " << error << '\n';
        return 1;
    }
    MatchOptions game = options;
    game.watch = false;
    game.scripts.insert(game.scripts.end(), options.opponents.begin(), options.opponents.end());
    game.opponents.clear();
    if (game.out_dir.empty()) game.out_dir = kDefaultWatchDir;
    if (!game.seed) {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        game.seed = static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::seconds>(now).count()) % 1000000;
    }
    for (bool again = true; again; again = watcher.AwaitSave()) CheckAndPlay(game, options.scripts, search, out, err);
    out << "match: watch ended\n";
    return 0;
}

}  // namespace match
