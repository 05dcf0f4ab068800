// A fresh directory under /tmp for one test, removed with everything in it when the test ends.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

struct TempDir {
    explicit TempDir(const std::string& prefix) : path("/tmp/" + prefix + "-XXXXXX") {
        EXPECT_NE(::mkdtemp(path.data()), nullptr) << path;
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // A name inside the directory.
    std::string operator/(const std::string& name) const { return path + "/" + name; }

    std::string path;
};
