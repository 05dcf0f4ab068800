// Replacing files whole: what is not a regular file is refused untouched, links lead to the file
// that is replaced, and a signal that ends the process takes the temporary with it.
#include "lwhost/io/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "run_program.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
  protected:
    std::string path(const std::string& name) const { return dir / name; }
    static bool replace(const std::string& file, const std::string& text, std::string& why) {
        lwhost::AtomicFile out;
        return out.open(file, why) && out.write(text.data(), text.size(), why) && out.commit(why);
    }

    TempDir dir{"atomic_file_test"};
};

TEST_F(AtomicFileTest, WhatIsNotARegularFileIsRefusedAndLeftAsItWas) {
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir(path("dir").c_str(), 0700), 0);
    ASSERT_EQ(::symlink("pipe", path("to-pipe").c_str()), 0);
    ASSERT_EQ(::symlink("loop", path("loop").c_str()), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path("socket").c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    struct Case {
        const char* name;
        const char* reason;
    } cases[] = {
        {"pipe", "is a pipe, not a regular file"},
        {"dir", "is a directory, not a regular file"},
        {"dir/", "names a directory"},
        {"socket", "is a socket, not a regular file"},
        {"to-pipe", "a pipe, not a regular file"},
        {"loop", "too many symbolic links"},
        {"device", "is a character device, not a regular file"},
    };
    // A device node of our own where this user may make one (never one of the machine's).
    const bool devices = ::mknod(path("device").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    for (const Case& c : cases) {
        if (std::string(c.name) == "device" && !devices) continue;
        struct stat before, after;
        ::lstat(path(c.name).c_str(), &before);
        const size_t count = dir.files().size();
        std::string why;
        EXPECT_FALSE(replace(path(c.name), "new", why)) << c.name;
        EXPECT_NE(why.find(c.reason), std::string::npos) << c.name << ": " << why;
        ASSERT_EQ(::lstat(path(c.name).c_str(), &after), 0) << c.name;
        EXPECT_EQ(after.st_mode, before.st_mode) << c.name;
        EXPECT_EQ(after.st_ino, before.st_ino) << c.name;
        EXPECT_EQ(dir.files().size(), count) << c.name << ": no temporary left";
    }
    ::close(sock);
}

TEST_F(AtomicFileTest, LinksAreFollowedAndTheFileTheyNameIsReplacedKeepingItsMode) {
    ASSERT_EQ(::mkdir(path("real").c_str(), 0700), 0);
    std::ofstream(path("real/scene.lws")) << "old";
    ASSERT_EQ(::chmod(path("real/scene.lws").c_str(), 0640), 0);
    // A relative link to a link: each is taken from the directory it is in.
    ASSERT_EQ(::symlink("scene.lws", path("real/inner").c_str()), 0);
    ASSERT_EQ(::symlink("real/inner", path("outer").c_str()), 0);
    ASSERT_EQ(::symlink("real/new.lws", path("dangling").c_str()), 0);

    std::string why;
    ASSERT_TRUE(replace(path("outer"), "new", why)) << why;
    ASSERT_TRUE(replace(path("dangling"), "made", why)) << why;
    EXPECT_TRUE(fs::is_symlink(path("outer")));
    EXPECT_TRUE(fs::is_symlink(path("real/inner")));
    EXPECT_EQ(readWholeFile(path("real/scene.lws")), "new");
    EXPECT_EQ(readWholeFile(path("real/new.lws")), "made");
    struct stat st;
    ASSERT_EQ(::stat(path("real/scene.lws").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(dir.files().size(), 3u);
    EXPECT_EQ(filesIn(path("real")).size(), 3u);
}

TEST_F(AtomicFileTest, ASignalThatEndsTheProcessRemovesTheTemporary) {
    std::ofstream(path("scene.lws")) << "old";
    for (int signal : {SIGINT, SIGTERM}) {
        // Handlers stay off signals the program ignores (a background job's SIGINT).
        struct sigaction current {};
        ::sigaction(signal, nullptr, &current);
        if (current.sa_handler == SIG_IGN) continue;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            lwhost::AtomicFile out;
            std::string why;
            const std::string half(1 << 20, 'x');
            if (!out.open(path("scene.lws"), why) || !out.write(half.data(), half.size(), why))
                ::_exit(3);
            ::raise(signal);
            ::_exit(4);  // the signal did not end the process
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(dir.files().size(), 1u) << "the temporary of signal " << signal << " is left";
        EXPECT_EQ(readWholeFile(path("scene.lws")), "old");
    }
}

}  // namespace
