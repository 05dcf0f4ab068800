// Every test program gets a temporary folder of its own (::testing::TempDir() and TempDir
// below it), and every test must leave it as empty as it found it: a test that leaves files
// there fails, naming them, and they are removed so that the next test starts clean. The folder
// goes when the program ends.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

struct PrivateTemp : ::testing::EmptyTestEventListener {
    std::string path;

    PrivateTemp() {
        const char* base = std::getenv("TMPDIR");
        path = std::string(base && *base == '/' ? base : "/tmp") + "/lumavex-tests-XXXXXX";
        if (!::mkdtemp(path.data())) {
            path.clear();
            return;
        }
        ::setenv("TEST_TMPDIR", path.c_str(), 1);
        ::testing::UnitTest::GetInstance()->listeners().Append(this);
    }

    void OnTestEnd(const ::testing::TestInfo&) override {
        std::string left;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(path, ec)) {
            left += " " + entry.path().filename().string();
            fs::remove_all(entry.path(), ec);
        }
        if (!left.empty()) ADD_FAILURE() << "the test left in the temporary folder:" << left;
    }
};

// Removes the folder at exit; gtest owns (and never frees before exit) the listener.
struct Remover {
    PrivateTemp* temp = new PrivateTemp;
    ~Remover() {
        std::error_code ec;
        if (!temp->path.empty()) fs::remove_all(temp->path, ec);
    }
} g_remover;

}  // namespace
