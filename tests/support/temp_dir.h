// A fresh directory in the program's temporary folder for one test, removed with everything in it
// when the test ends.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

// Everything in a directory, hidden files (where temporaries go) included, by name.
inline std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

struct TempDir {
    explicit TempDir(const std::string& prefix) : path(::testing::TempDir() + prefix + "-XXXXXX") {
        EXPECT_NE(::mkdtemp(path.data()), nullptr) << path;
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // A name inside the directory.
    std::string operator/(const std::string& name) const { return path + "/" + name; }
    std::vector<std::string> files() const { return filesIn(path); }

    std::string path;
};
