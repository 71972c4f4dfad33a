// Making, filling and removing a test's scratch folder.
#include "scratch_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <system_error>

ScratchDir::ScratchDir(const std::string& prefix) {
    std::string pattern = ::testing::TempDir() + prefix + "_XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "cannot make a scratch folder " << pattern;
        return;
    }
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;  // a folder left behind in /tmp must not fail the test
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

bool ScratchDir::Put(const std::string& name, const std::string& text) const {
    std::ofstream out(path_ + "/" + name, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}
