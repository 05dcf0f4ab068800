// The host's calls into the system (POSIX side): what file status reports, exclusive creation
// and replacement, and where the user's settings go.
#include "lwhost/core/platform.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

namespace platform = lwhost::platform;
using platform::FileType;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(PlatformTest, FileStatusTellsKindsApartFollowingLinksOrNot) {
    const std::string dir = ::testing::TempDir() + "/platform_kinds";
    ASSERT_EQ(::mkdir(dir.c_str(), 0777), 0);
    const std::string file = dir + "/file", fifo = dir + "/fifo", link = dir + "/link",
                      dangling = dir + "/dangling";
    std::ofstream(file) << "12345";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("file", link.c_str()), 0);
    ASSERT_EQ(::symlink("nothing", dangling.c_str()), 0);
    const struct {
        std::string path;
        bool follow;
        FileType type;
        bool ok;
    } cases[] = {
        {file, true, FileType::Regular, true},
        {dir, true, FileType::Directory, true},
        {fifo, true, FileType::Pipe, true},
        {"/dev/null", true, FileType::CharDevice, true},
        {link, true, FileType::Regular, true},
        {link, false, FileType::Link, true},
        {dangling, true, FileType::Missing, false},
        {dangling, false, FileType::Link, true},
        {dir + "/missing", true, FileType::Missing, false},
        {file + "/below", true, FileType::Unknown, false},  // not a directory
    };
    for (const auto& c : cases) {
        platform::FileInfo info;
        std::string why;
        EXPECT_EQ(platform::fileStatus(c.path, info, why, c.follow), c.ok) << c.path;
        EXPECT_EQ(info.type, c.type) << c.path << " follow " << c.follow;
        EXPECT_EQ(why.empty(), c.ok) << c.path << ": " << why;
    }
    platform::FileInfo viaLink, direct;
    std::string why;
    ASSERT_TRUE(platform::fileStatus(link, viaLink, why));
    ASSERT_TRUE(platform::fileStatus(file, direct, why));
    EXPECT_EQ(viaLink.device, direct.device);
    EXPECT_EQ(viaLink.file, direct.file);
    EXPECT_EQ(direct.size, 5u);
    std::string target;
    EXPECT_TRUE(platform::readLink(link, target, why));
    EXPECT_EQ(target, "file");
    EXPECT_FALSE(platform::readLink(file, target, why));
    for (const std::string& path : {file, fifo, link, dangling}) std::remove(path.c_str());
    ::rmdir(dir.c_str());
}

TEST(PlatformTest, NewFilesAreExclusiveAndReplacementTakesTheTargetsPlace) {
    const std::string a = ::testing::TempDir() + "/platform_a",
                      b = ::testing::TempDir() + "/platform_b";
    std::ofstream(b) << "old";
    std::string why;
    bool exists = true;
    const int fd = platform::createNewFile(a, exists, why);
    ASSERT_GE(fd, 0) << why;
    EXPECT_FALSE(exists);
    EXPECT_TRUE(platform::writeAll(fd, "new\r\n", 5, why));
    EXPECT_TRUE(platform::syncFile(fd, why));
    EXPECT_TRUE(platform::closeFile(fd));
    EXPECT_EQ(platform::createNewFile(a, exists, why), -1);
    EXPECT_TRUE(exists);
    EXPECT_EQ(platform::createNewFile(::testing::TempDir() + "/none/x", exists, why), -1);
    EXPECT_FALSE(exists);
    EXPECT_TRUE(platform::replaceFile(a, b, why)) << why;
    EXPECT_EQ(slurp(b), "new\r\n");
    platform::FileInfo info;
    EXPECT_FALSE(platform::fileStatus(a, info, why));
    EXPECT_EQ(info.type, FileType::Missing);
    platform::removeFile(b.c_str());
    EXPECT_FALSE(platform::fileStatus(b, info, why));
}

// Sets an environment variable for the test's length; an unset one is unset again.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        const char* old = std::getenv(name);
        m_had = old != nullptr;
        if (old) m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_had)
            ::setenv(m_name, m_old.c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* m_name;
    bool m_had = false;
    std::string m_old;
};

TEST(PlatformTest, SettingsGoUnderAnAbsoluteXdgConfigHomeElseUnderHome) {
    const std::string cwd = platform::currentDirectory();
    const struct {
        const char* xdg;
        const char* home;
        std::string settings;
    } cases[] = {
        {"/x/config", "/home/u", "/x/config/lwhost"},
        {"/x/config//", "/home/u", "/x/config/lwhost"},
        {"relative", "/home/u", "/home/u/.config/lwhost"},
        {"", "/home/u/", "/home/u/.config/lwhost"},
        {nullptr, "/home/u", "/home/u/.config/lwhost"},
        {nullptr, "", cwd + "/.config/lwhost"},
        {nullptr, nullptr, cwd + "/.config/lwhost"},
    };
    for (const auto& c : cases) {
        ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        ScopedEnv home("HOME", c.home);
        EXPECT_EQ(platform::userSettingsDirectory(), c.settings)
            << (c.xdg ? c.xdg : "(unset)") << " " << (c.home ? c.home : "(unset)");
    }
    EXPECT_TRUE(platform::absolutePath("/a"));
    EXPECT_FALSE(platform::absolutePath("a/b"));
    EXPECT_FALSE(platform::absolutePath("C:/a"));
    EXPECT_FALSE(platform::absolutePath(""));
}

}  // namespace
