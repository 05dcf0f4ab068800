// Path strings, directories, the host's standard directories and its file requester, in process
// against the real host with its directories faked (as a host may answer them, with or without
// trailing separators) and a temporary directory.
#include <lwsdk/lwdialog.h>
#include <vexo/files.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "frame_test.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

// The host's directories as the fake "Directory Info" reports them.
std::map<std::string, std::string> g_dirs;
const char* fakeDirInfo(const char* type) {
    auto it = g_dirs.find(type ? type : "");
    return it == g_dirs.end() ? nullptr : it->second.c_str();
}

class FilesTest : public FrameTest {
  protected:
    void SetUp() override {
        g_dirs.clear();
        host.globals().publish(LWDIRINFOFUNC_GLOBAL, reinterpret_cast<void*>(&fakeDirInfo));
    }

    TempDir temp{"vexo-files"};
    const std::string root = temp.path;
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

TEST_F(FilesTest, MakeAllDirectoriesKeepsTheMaskAndFailsQuietlyBelowAFileAndListingSkipsDots) {
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

    // Made directories take 0777 under the user's mask, never more.
    for (const mode_t umaskBits : {022u, 077u}) {
        const std::string dir = root + "/umaskBits" + std::to_string(umaskBits) + "/";
        const mode_t previous = ::umask(umaskBits);
        vexo::makeAllDirectories(dir);
        ::umask(previous);
        struct stat st;
        ASSERT_EQ(::stat(dir.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0777 & ~umaskBits) << std::oct << umaskBits;
    }

    // A directory lists its entries without "." and "..".
    fs::remove_all(root);
    fs::create_directory(root);
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

    host.globals().withdraw(LWDIRINFOFUNC_GLOBAL);
    EXPECT_STREQ(vexo::DirInfo("Content").GetDirectory(), "");
    EXPECT_FALSE(vexo::FileName("/data/content/c.cfg").isInside());
}

TEST_F(FilesTest, FileRequestPassesItsRecordIsTrueOnlyForAConfirmedChoiceAndCopiesOwnBuffers) {
    g_dirs["Content"] = "/data/content";
    vexo::FileRequest2 req(FREQ_SAVE, "Save Settings", "Settings|*.cfg");
    choose("/data/content/presets/a.cfg");
    ASSERT_TRUE(req.Post());
    const lwhost::FileRequestRecord& seen = session.dialogs().lastFileRequest();
    EXPECT_EQ(seen.version, 3);
    EXPECT_EQ(seen.reqType, FREQ_SAVE);
    EXPECT_EQ(seen.title, "Save Settings");
    EXPECT_EQ(seen.fileType, "Settings|*.cfg");
    EXPECT_STREQ(req.fullName(), "/data/content/presets/a.cfg");
    EXPECT_EQ(req.getFullName(), "presets/a.cfg");
    EXPECT_FALSE(req.Post()) << "nothing chosen: cancelled";

    // A copy has buffers of its own.
    choose("/first.cfg");
    ASSERT_TRUE(req.Post());
    vexo::FileRequest2 copy(req);
    EXPECT_STREQ(copy.fullName(), "/first.cfg");
    EXPECT_EQ(copy.record().fullName, copy.fullName());
    choose("/second.cfg");
    ASSERT_TRUE(copy.Post());
    EXPECT_STREQ(req.fullName(), "/first.cfg");

    vexo::FileRequest2 assigned(FREQ_SAVE, "Save Settings", nullptr);
    assigned = req;
    EXPECT_NE(assigned.record().path, req.record().path);
    EXPECT_NE(assigned.record().baseName, req.record().baseName);
    EXPECT_STREQ(assigned.fullName(), "/first.cfg");

    // A host that does not serve the request, though it says confirmed.
    host.globals().publish(LWFILEACTIVATEFUNC_GLOBAL,
                           reinterpret_cast<void*>(+[](int, st_LWFileReqLocal* r) {
                               r->result = LWFREQ_CONFIRMED;
                               return 0;
                           }));
    EXPECT_FALSE(vexo::FileRequest2(FREQ_LOAD, "Load Settings", "Settings|*.cfg").Post());
    host.globals().withdraw(LWFILEACTIVATEFUNC_GLOBAL);
    EXPECT_FALSE(vexo::FileRequest2(FREQ_LOAD, "Load Settings", "Settings|*.cfg").Post());
}

}  // namespace
