// Path strings, directories, the host's standard directories and its file requester, in process
// against a fake global function and a temporary directory.
#include <gtest/gtest.h>
#include <lwsdk/lwdialog.h>
#include <vexo/files.h>
#include <vexo/server.h>

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "fake_global.h"

namespace {

namespace fs = std::filesystem;

// The host's directories as the fake "Directory Info" reports them.
std::map<std::string, std::string> g_dirs;
const char* fakeDirInfo(const char* type) {
    auto it = g_dirs.find(type ? type : "");
    return it == g_dirs.end() ? nullptr : it->second.c_str();
}

// What the fake "File Request 2" does: the answer it gives and the record it saw.
struct FakeRequester {
    int served = 1;
    int result = LWFREQ_CONFIRMED;
    std::string chosen;
    int version = 0;
    st_LWFileReqLocal seen{};
};
FakeRequester g_requester;
int fakeFileRequest(int version, st_LWFileReqLocal* req) {
    g_requester.version = version;
    g_requester.seen = *req;
    std::snprintf(req->fullName, static_cast<size_t>(req->bufLen), "%s",
                  g_requester.chosen.c_str());
    req->result = g_requester.result;
    return g_requester.served;
}

class FilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char templ[] = "/tmp/vexo-files-XXXXXX";
        ASSERT_NE(::mkdtemp(templ), nullptr);
        root = templ;
        g_dirs.clear();
        g_requester = FakeRequester();
        fake.records[LWDIRINFOFUNC_GLOBAL] = reinterpret_cast<void*>(&fakeDirInfo);
        fake.records[LWFILEREQFUNC_GLOBAL] = reinterpret_cast<void*>(&fakeFileRequest);
        vexo::SuperGlobal = &FakeGlobals::global;
    }
    void TearDown() override {
        vexo::SuperGlobal = nullptr;
        fs::remove_all(root);
    }

    FakeGlobals fake;
    std::string root;
};

TEST(PathStringsTest, TrimCutsSetCharactersFromBothEndsOnly) {
    EXPECT_EQ(vexo::trim("  a b \t", " \t"), "a b");
    EXPECT_EQ(vexo::trim("xxxx", "x"), "");
    EXPECT_EQ(vexo::trim("", "x"), "");
    EXPECT_EQ(vexo::trim("abc", ""), "abc");
}

TEST(PathStringsTest, TrimTrailRemovesEverySlashAndBackslashAtTheEnd) {
    std::string dir = "a/b//";
    vexo::trimTrail(dir);
    EXPECT_EQ(dir, "a/b");
    std::string mixed = "c:\\x\\/";
    vexo::trimTrail(mixed);
    EXPECT_EQ(mixed, "c:\\x");
    std::string lone = "/";
    vexo::trimTrail(lone);
    EXPECT_EQ(lone, "");
    EXPECT_EQ(std::string(vexo::fSeps), "/\\");
}

TEST(PathStringsTest, StripExtensionCutsAtTheLastDot) {
    EXPECT_EQ(vexo::stripExtension("a.b.cfg"), "a.b");
    EXPECT_EQ(vexo::stripExtension("plain"), "plain");
    EXPECT_EQ(vexo::stripExtension(".cfg"), "");
}

TEST(PathStringsTest, DoubleClickIsBelow800MillisecondsOnAMonotonicClock) {
    EXPECT_TRUE(vexo::isDoubleClick(0));
    EXPECT_TRUE(vexo::isDoubleClick(799));
    EXPECT_FALSE(vexo::isDoubleClick(800));
    const int64_t first = vexo::clickClockMs();
    EXPECT_GE(vexo::clickClockMs(), first);
}

TEST_F(FilesTest, MakeAllDirectoriesCreatesEachParentButNotTheLastComponent) {
    const std::string file = root + "/one/two/three/file.cfg";
    vexo::makeAllDirectories(file);
    EXPECT_TRUE(vexo::isDirectory(root + "/one"));
    EXPECT_TRUE(vexo::isDirectory(root + "/one/two/three"));
    EXPECT_FALSE(fs::exists(file));
    // Again over existing directories, and with doubled slashes: no harm.
    vexo::makeAllDirectories(root + "/one//two/four/");
    EXPECT_TRUE(vexo::isDirectory(root + "/one/two/four"));
}

TEST_F(FilesTest, MakeAllDirectoriesLeavesTheProcessMaskAsItWas) {
    const mode_t before = ::umask(022);
    vexo::makeAllDirectories(root + "/m/x");
    EXPECT_EQ(::umask(before), 022u);
}

TEST_F(FilesTest, MakeAllDirectoriesBelowAFileFailsQuietly) {
    std::ofstream(root + "/blocker") << "x";
    vexo::makeAllDirectories(root + "/blocker/sub/file");
    EXPECT_FALSE(vexo::isDirectory(root + "/blocker/sub"));
    EXPECT_FALSE(vexo::isDirectory(root + "/blocker"));
    EXPECT_FALSE(vexo::isDirectory(root + "/missing"));
}

TEST_F(FilesTest, DirectoryListsEntriesWithoutDotAndDotDot) {
    std::ofstream(root + "/a.cfg") << "x";
    std::ofstream(root + "/.hidden") << "x";
    fs::create_directory(root + "/sub");
    vexo::Directory dir(root);
    ASSERT_TRUE(dir.exists());
    std::set<std::string> names;
    while (const char* entry = dir.getEntry()) names.insert(entry);
    EXPECT_EQ(names, (std::set<std::string>{"a.cfg", ".hidden", "sub"}));
    EXPECT_EQ(dir.getEntry(), nullptr);

    vexo::Directory missing(root + "/none");
    EXPECT_FALSE(missing.exists());
    EXPECT_EQ(missing.getEntry(), nullptr);
}

TEST_F(FilesTest, GetDirectoryAppendsOneSlashOnlyWhenNeeded) {
    g_dirs["Content"] = "/data/content";
    g_dirs["Settings"] = "/data/settings/";
    g_dirs["Win"] = "c:\\data\\";
    vexo::DirInfo info("Content");
    EXPECT_STREQ(info.GetDirectory(), "/data/content/");
    EXPECT_STREQ(info.GetDirectory("Settings"), "/data/settings/");
    EXPECT_STREQ(info.GetDirectory("Win"), "c:\\data\\");
    EXPECT_STREQ(info.GetDirectory("Unknown"), "");
}

TEST_F(FilesTest, DirectoryInfoWithoutTheHostGlobalIsEmpty) {
    fake.records.erase(LWDIRINFOFUNC_GLOBAL);
    vexo::DirInfo info("Content");
    EXPECT_STREQ(info.GetDirectory(), "");
    EXPECT_EQ(info.stripPath("/a/b"), "/a/b");
    vexo::FileName name("/a/b/c.cfg");
    EXPECT_EQ(name.getPath(), "/a/b");
    EXPECT_FALSE(name.isInside());
}

TEST_F(FilesTest, StripPathCutsTheContentDirectoryAndOneSlash) {
    g_dirs["Content"] = "/data/content";
    vexo::DirInfo info("Content");
    EXPECT_EQ(info.stripPath("/data/content/scenes/a.lws"), "scenes/a.lws");
    EXPECT_EQ(info.stripPath("/elsewhere/a.lws"), "/elsewhere/a.lws");
    EXPECT_EQ(vexo::DirInfo().stripPath("/data/content/a"), "/data/content/a");
}

TEST_F(FilesTest, FileNameInsideTheContentDirectoryIsRelative) {
    g_dirs["Content"] = "/data/content";
    vexo::FileName name("/data/content/scenes/sub/shot.lws");
    EXPECT_EQ(name.getFileName(), "shot.lws");
    EXPECT_EQ(name.getPath(), "scenes/sub");
    EXPECT_TRUE(name.isInside());
    EXPECT_EQ(name.getRelativeName(), "scenes/sub/shot.lws");
}

TEST_F(FilesTest, FileNameOutsideTheContentDirectoryKeepsItsPath) {
    g_dirs["Content"] = "/data/content";
    vexo::FileName name("/other/place\\shot.lws");
    EXPECT_EQ(name.getFileName(), "shot.lws");
    EXPECT_EQ(name.getPath(), "/other/place");
    EXPECT_FALSE(name.isInside());
    EXPECT_EQ(name.getRelativeName(), "/other/place/shot.lws");

    vexo::FileName bare("shot.lws");
    EXPECT_EQ(bare.getFileName(), "shot.lws");
    EXPECT_EQ(bare.getPath(), "");
    EXPECT_EQ(bare.getRelativeName(), "shot.lws");
}

TEST_F(FilesTest, FileNameUsesItsOwnBaseDirectoryType) {
    g_dirs["Content"] = "/data/content";
    g_dirs["Objects"] = "/data/objects/";
    vexo::FileName name("/data/objects/car/body.lwo", "Objects");
    EXPECT_TRUE(name.isInside());
    EXPECT_EQ(name.getPath(), "car");
    name.setFullName("/data/content/car/body.lwo");
    EXPECT_FALSE(name.isInside());
}

TEST_F(FilesTest, ExistsMeansReadable) {
    std::ofstream(root + "/a.cfg") << "x";
    EXPECT_TRUE(vexo::FileName::Exists(root + "/a.cfg"));
    EXPECT_FALSE(vexo::FileName::Exists(root + "/b.cfg"));
    EXPECT_FALSE(vexo::FileName::Exists(""));
}

TEST_F(FilesTest, FileRequestPassesItsRecordAndReportsTheConfirmedChoice) {
    g_dirs["Content"] = "/data/content";
    vexo::FileRequest2 req(LWFREQ_SAVE, "Save Settings", "Settings|*.cfg");
    EXPECT_EQ(req.record().bufLen, 1024);
    EXPECT_EQ(req.record().path[0], 0);
    g_requester.chosen = "/data/content/presets/a.cfg";
    ASSERT_TRUE(req.Post());
    EXPECT_EQ(g_requester.version, 3);
    EXPECT_EQ(g_requester.seen.reqType, LWFREQ_SAVE);
    EXPECT_STREQ(g_requester.seen.title, "Save Settings");
    EXPECT_STREQ(g_requester.seen.fileType, "Settings|*.cfg");
    EXPECT_EQ(g_requester.seen.pickName, nullptr);
    EXPECT_STREQ(req.fullName(), "/data/content/presets/a.cfg");
    EXPECT_EQ(req.getFullName(), "presets/a.cfg");
}

TEST_F(FilesTest, FileRequestIsFalseWhenCancelledUnservedOrMissing) {
    vexo::FileRequest2 req(LWFREQ_LOAD, "Load Settings", "Settings|*.cfg");
    g_requester.result = LWFREQ_CANCELLED;
    EXPECT_FALSE(req.Post());
    g_requester.result = LWFREQ_CONFIRMED;
    g_requester.served = 0;
    EXPECT_FALSE(req.Post());
    fake.records.erase(LWFILEREQFUNC_GLOBAL);
    vexo::FileRequest2 none(LWFREQ_LOAD, "Load Settings", "Settings|*.cfg");
    EXPECT_FALSE(none.Post());
}

TEST_F(FilesTest, CopiedFileRequestHasBuffersOfItsOwn) {
    vexo::FileRequest2 req(LWFREQ_LOAD, "Load Settings", "Settings|*.cfg");
    g_requester.chosen = "/first.cfg";
    ASSERT_TRUE(req.Post());
    vexo::FileRequest2 copy(req);
    EXPECT_STREQ(copy.fullName(), "/first.cfg");
    EXPECT_NE(copy.record().fullName, req.record().fullName);
    EXPECT_EQ(copy.record().fullName, copy.fullName());
    g_requester.chosen = "/second.cfg";
    ASSERT_TRUE(copy.Post());
    EXPECT_STREQ(req.fullName(), "/first.cfg");

    vexo::FileRequest2 assigned(LWFREQ_SAVE, "Save Settings", nullptr);
    assigned = req;
    EXPECT_NE(assigned.record().path, req.record().path);
    EXPECT_NE(assigned.record().baseName, req.record().baseName);
    EXPECT_STREQ(assigned.fullName(), "/first.cfg");
}

}  // namespace
