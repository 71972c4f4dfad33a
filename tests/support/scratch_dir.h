// A scratch folder for one test: made fresh under the test's temporary folder, removed with
// everything in it when the test is done.
#ifndef TESTS_SUPPORT_SCRATCH_DIR_H
#define TESTS_SUPPORT_SCRATCH_DIR_H

#include <string>

// A folder of a test's own; a test that cannot have one fails rather than share another's.
class ScratchDir {
public:
    // prefix names the folder ("robot_games" -> /tmp/robot_games_XXXXXX).
    explicit ScratchDir(const std::string& prefix);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    // Writes a file into the folder; false when it cannot be written.
    bool Put(const std::string& name, const std::string& text) const;

private:
    std::string path_;
};

#endif
