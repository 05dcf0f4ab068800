// Path strings, directories, the host's standard directories and its file requester, in process
// against a fake global function and a temporary directory.
#include <gtest/gtest.h>
#include <lwsdk/lwdialog.h>
#include <vexo/files.h>
#include <vexo/server.h>

#include <sys/stat.h>

#include <cstdlib>
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

TEST(PathStringsTest, TrimTrimTrailAndStripExtensionCutOnlyAtTheEnds) {
    EXPECT_EQ(vexo::trim("  a b \t", " \t"), "a b");
    EXPECT_EQ(vexo::trim("xxxx", "x"), "");
    EXPECT_EQ(vexo::trim("abc", ""), "abc");
    for (auto [in, out] :
         {std::pair<std::string, std::string>{"a/b//", "a/b"}, {"c:\\x\\/", "c:\\x"}, {"/", ""}}) {
        vexo::trimTrail(in);
        EXPECT_EQ(in, out);
    }
    EXPECT_EQ(vexo::stripExtension("a.b.cfg"), "a.b");
    EXPECT_EQ(vexo::stripExtension("plain"), "plain");
    EXPECT_EQ(vexo::stripExtension(".cfg"), "");
}

TEST(PathStringsTest, DoubleClickIsBelow800MillisecondsOnAMonotonicClock) {
    EXPECT_TRUE(vexo::isDoubleClick(799));
    EXPECT_FALSE(vexo::isDoubleClick(800));
    const int64_t first = vexo::clickClockMs();
    EXPECT_GE(vexo::clickClockMs(), first);
}

TEST_F(FilesTest, MakeAllDirectoriesCreatesEachParentKeepsTheMaskAndFailsQuietlyBelowAFile) {
    const std::string file = root + "/one/two/three/file.cfg";
    const mode_t mask = ::umask(022);
    vexo::makeAllDirectories(file);
    EXPECT_EQ(::umask(mask), 022u);
    EXPECT_TRUE(vexo::isDirectory(root + "/one/two/three"));
    EXPECT_FALSE(fs::exists(file));
    vexo::makeAllDirectories(root + "/one//two/four/");
    EXPECT_TRUE(vexo::isDirectory(root + "/one/two/four"));

    std::ofstream(root + "/blocker") << "x";
    vexo::makeAllDirectories(root + "/blocker/sub/file");
    EXPECT_FALSE(vexo::isDirectory(root + "/blocker/sub"));
    EXPECT_FALSE(vexo::isDirectory(root + "/blocker"));
}

TEST_F(FilesTest, MadeDirectoriesFollowTheUsersMask) {
    for (const mode_t mask : {022u, 077u}) {
        const std::string dir = root + "/mask" + std::to_string(mask) + "/";
        const mode_t previous = ::umask(mask);
        vexo::makeAllDirectories(dir);
        ::umask(previous);
        struct stat st;
        ASSERT_EQ(::stat(dir.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0777 & ~mask) << std::oct << mask;
    }
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
    EXPECT_TRUE(vexo::FileName::Exists(root + "/a.cfg"));
    EXPECT_FALSE(vexo::FileName::Exists(root + "/b.cfg"));
    EXPECT_FALSE(vexo::FileName::Exists(""));
}

TEST_F(FilesTest, DirectoriesGetOneSlashAndPathsInsideContentAreRelative) {
    g_dirs["Content"] = "/data/content";
    g_dirs["Settings"] = "/data/settings/";
    g_dirs["Win"] = "c:\\data\\";
    g_dirs["Objects"] = "/data/objects/";
    vexo::DirInfo info("Content");
    EXPECT_STREQ(info.GetDirectory(), "/data/content/");
    EXPECT_STREQ(info.GetDirectory("Settings"), "/data/settings/");
    EXPECT_STREQ(info.GetDirectory("Win"), "c:\\data\\");
    EXPECT_STREQ(info.GetDirectory("Unknown"), "");
    EXPECT_EQ(info.stripPath("/data/content/scenes/a.lws"), "scenes/a.lws");
    EXPECT_EQ(info.stripPath("/elsewhere/a.lws"), "/elsewhere/a.lws");

    vexo::FileName inside("/data/content/scenes/sub/shot.lws");
    EXPECT_EQ(inside.getFileName(), "shot.lws");
    EXPECT_EQ(inside.getPath(), "scenes/sub");
    EXPECT_TRUE(inside.isInside());
    EXPECT_EQ(inside.getRelativeName(), "scenes/sub/shot.lws");
    vexo::FileName outside("/other/place\\shot.lws");
    EXPECT_EQ(outside.getFileName(), "shot.lws");
    EXPECT_FALSE(outside.isInside());
    EXPECT_EQ(outside.getRelativeName(), "/other/place/shot.lws");
    vexo::FileName bare("shot.lws");
    EXPECT_EQ(bare.getPath(), "");
    EXPECT_EQ(bare.getRelativeName(), "shot.lws");
    vexo::FileName object("/data/objects/car/body.lwo", "Objects");
    EXPECT_EQ(object.getPath(), "car");
    object.setFullName("/data/content/car/body.lwo");
    EXPECT_FALSE(object.isInside());

    fake.records.erase(LWDIRINFOFUNC_GLOBAL);
    EXPECT_STREQ(vexo::DirInfo("Content").GetDirectory(), "");
    EXPECT_FALSE(vexo::FileName("/data/content/c.cfg").isInside());
}

TEST_F(FilesTest, FileRequestPassesItsRecordAndIsTrueOnlyForAConfirmedChoice) {
    g_dirs["Content"] = "/data/content";
    vexo::FileRequest2 req(LWFREQ_SAVE, "Save Settings", "Settings|*.cfg");
    g_requester.chosen = "/data/content/presets/a.cfg";
    ASSERT_TRUE(req.Post());
    EXPECT_EQ(g_requester.version, 3);
    EXPECT_EQ(g_requester.seen.reqType, LWFREQ_SAVE);
    EXPECT_STREQ(g_requester.seen.title, "Save Settings");
    EXPECT_STREQ(g_requester.seen.fileType, "Settings|*.cfg");
    EXPECT_EQ(g_requester.seen.bufLen, 1024);
    EXPECT_STREQ(req.fullName(), "/data/content/presets/a.cfg");
    EXPECT_EQ(req.getFullName(), "presets/a.cfg");

    g_requester.result = LWFREQ_CANCELLED;
    EXPECT_FALSE(req.Post());
    g_requester.result = LWFREQ_CONFIRMED;
    g_requester.served = 0;
    EXPECT_FALSE(req.Post());
    fake.records.erase(LWFILEREQFUNC_GLOBAL);
    EXPECT_FALSE(vexo::FileRequest2(LWFREQ_LOAD, "Load Settings", "Settings|*.cfg").Post());
}

TEST_F(FilesTest, CopiedFileRequestHasBuffersOfItsOwn) {
    vexo::FileRequest2 req(LWFREQ_LOAD, "Load Settings", "Settings|*.cfg");
    g_requester.chosen = "/first.cfg";
    ASSERT_TRUE(req.Post());
    vexo::FileRequest2 copy(req);
    EXPECT_STREQ(copy.fullName(), "/first.cfg");
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
