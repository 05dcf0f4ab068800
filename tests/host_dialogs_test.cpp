// The host's dialogs as plug-ins reach them: asking messages, "File Request 2", posted forms,
// "Directory Info" and "LW Interface Info 5", answered from the queue of user actions.
#include <gtest/gtest.h>
#include <lwhost/dialogs.h>
#include <lwhost/host.h>
#include <lwhost/xpanel.h>
#include <lwsdk/lwdialog.h>
#include <lwsdk/lwmessage.h>
#include <lwsdk/lwtypes.h>
#include <lwsdk/lwxpanel.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "run_program.h"
#include "test_paths.h"

namespace {

using Kind = lwhost::UserAction::Kind;

class HostDialogsTest : public ::testing::Test {
  protected:
    void queue(Kind kind, const std::string& text = "") {
        lwhost::UserAction a;
        a.kind = kind;
        a.text = text;
        a.origin = "queued at line 9";
        host.dialogs().queue(a);
    }
    template <class T>
    T global(const char* name) {
        return reinterpret_cast<T>(host.globals().request(name, LWGLOBAL_ACQUIRE));
    }

    lwhost::Host host;
};

TEST_F(HostDialogsTest, AskingDialogsTakeFittingQueuedAnswersElseTheCautiousOne) {
    auto* msg = global<const st_LWMessageFuncs*>(LWMESSAGEFUNCS_GLOBAL);
    queue(Kind::Answer, "yes");
    queue(Kind::Answer, "no");
    queue(Kind::Answer, "ok");
    EXPECT_EQ(msg->yesNoCancel("Save Preset", "Overwrite?", "/p/a.cfg"), LWMSG_YNC_YES);
    EXPECT_EQ(msg->yesNoCancel("Save Preset", "Overwrite?", "/p/a.cfg"), LWMSG_YNC_NO);
    EXPECT_EQ(msg->okCancel("Go", "Sure?", nullptr), LWMSG_OK);
    // Nothing queued: cancel, or no.
    EXPECT_EQ(msg->yesNoCancel("Save Preset", "Overwrite?", nullptr), LWMSG_CANCEL);
    EXPECT_EQ(msg->yesNo("Delete Preset", "Delete?", "Mine"), LWMSG_NO);
    EXPECT_EQ(msg->okCancel("Go", "Sure?", nullptr), LWMSG_CANCEL);

    const std::vector<lwhost::DialogRecord> shown = host.dialogs().shown();
    ASSERT_EQ(shown.size(), 6u);
    EXPECT_EQ(shown[0].kind, "yes/no/cancel");
    EXPECT_EQ(shown[0].title, "Save Preset");
    EXPECT_EQ(shown[0].text, "Overwrite?\n/p/a.cfg");
    EXPECT_EQ(shown[0].answer, "yes");
    EXPECT_EQ(shown[5].answer, "cancel");
    EXPECT_TRUE(host.dialogs().errors().empty());

    // An answer that does not fit, or another action at the head, is reported.
    queue(Kind::Answer, "cancel");
    EXPECT_EQ(msg->yesNo("Delete Preset", "Delete?", nullptr), LWMSG_NO);
    lwhost::UserAction press;
    press.kind = Kind::Press;
    press.control = "Ok";
    press.origin = "queued at line 4";
    host.dialogs().queue(press);
    EXPECT_EQ(msg->yesNo("Delete Preset", "Delete?", nullptr), LWMSG_NO);
    EXPECT_EQ(host.dialogs().queued(), 1u) << "the press stays for whoever can take it";
    const std::vector<std::string> errors = host.dialogs().takeErrors();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0],
              "queued at line 9: the yes/no dialog \"Delete Preset\" cannot be answered "
              "\"cancel\"");
    EXPECT_EQ(errors[1],
              "queued at line 4: the queued action 'press \"Ok\"' met the yes/no dialog "
              "\"Delete Preset\", which cannot take it");
}

struct Request {
    char path[1024] = "";
    char base[1024] = "";
    char full[1024] = "";
    st_LWFileReqLocal local{};
    explicit Request(int type, int bufLen = 1024) {
        local.reqType = type;
        local.title = "Load Settings";
        local.fileType = "Settings|*.cfg";
        local.path = path;
        local.baseName = base;
        local.fullName = full;
        local.bufLen = bufLen;
        local.result = 7;
    }
};

TEST_F(HostDialogsTest, FileRequestsTakeQueuedPathsAndAreCancelledOtherwise) {
    auto* request = global<LWFileReqFunc*>(LWFILEREQFUNC_GLOBAL);
    ASSERT_NE(request, nullptr);
    host.dialogs().setDirectory("Content", "/work/content/");

    queue(Kind::File, "/tmp/presets/a.cfg");
    Request r(LWFREQ_LOAD);
    EXPECT_EQ(request(2, &r.local), 0) << "only version 3 is served";
    EXPECT_EQ(request(LWFILEREQ_VERSION, &r.local), 1);
    EXPECT_EQ(r.local.result, LWFREQ_CONFIRMED);
    EXPECT_STREQ(r.full, "/tmp/presets/a.cfg");
    EXPECT_STREQ(r.path, "/tmp/presets");
    EXPECT_STREQ(r.base, "a.cfg");
    EXPECT_EQ(host.dialogs().lastFileRequest().title, "Load Settings");

    queue(Kind::File, "mine/b.cfg");  // typed without a directory: under Content
    Request relative(LWFREQ_SAVE);
    request(LWFILEREQ_VERSION, &relative.local);
    EXPECT_STREQ(relative.full, "/work/content/mine/b.cfg");

    queue(Kind::FileCancel);
    Request cancelled(LWFREQ_LOAD);
    request(LWFILEREQ_VERSION, &cancelled.local);
    EXPECT_EQ(cancelled.local.result, LWFREQ_CANCELLED);
    Request empty(LWFREQ_LOAD);
    request(LWFILEREQ_VERSION, &empty.local);
    EXPECT_EQ(empty.local.result, LWFREQ_CANCELLED);
    EXPECT_EQ(host.dialogs().lastFileRequest().result, LWFREQ_CANCELLED);

    // A path that does not fit the plug-in's buffer is refused, not cut to another name.
    queue(Kind::File, "/tmp/a/much/longer/path.cfg");
    Request small(LWFREQ_SAVE, 10);
    request(LWFILEREQ_VERSION, &small.local);
    EXPECT_EQ(small.local.result, LWFREQ_CANCELLED);
    EXPECT_EQ(host.dialogs().takeErrors().size(), 1u);

    const std::vector<lwhost::DialogRecord> shown = host.dialogs().shown();
    ASSERT_EQ(shown.size(), 5u) << "the refused version showed nothing";
    EXPECT_EQ(shown[0].kind, "file request");
    EXPECT_EQ(shown[0].text, "Settings|*.cfg");
    EXPECT_EQ(shown[0].answer, "/tmp/presets/a.cfg");
    EXPECT_EQ(shown[2].answer, "cancelled");
}

TEST_F(HostDialogsTest, PostedFormsTakeFieldsFromTheQueueUntilOkOrCancel) {
    auto* xp = global<const st_LWXPanelFuncs*>(LWXPANELFUNCS_GLOBAL);
    const st_LWXPanelControl controls[] = {
        {0x800, "Preset", "sPresetText"}, {0x801, "Type", "iPopChoice"}, {0, nullptr, nullptr}};
    const st_LWXPanelDataDesc data[] = {
        {0x800, "Preset", "string"}, {0x801, "Type", "integer"}, {0, nullptr, nullptr}};
    LWXPanelID form = xp->create(LWXP_FORM, controls);
    xp->describe(form, data, nullptr, nullptr);

    lwhost::UserAction set;
    set.kind = Kind::FormSet;
    set.controlArg = {"Preset", true};
    set.values = {{"Mine", true}};
    host.dialogs().queue(set);
    set.controlArg = {"0x801", false};
    set.values = {{"2", false}};
    host.dialogs().queue(set);
    queue(Kind::FormOk);
    EXPECT_EQ(xp->post(form), 1);
    EXPECT_STREQ(static_cast<const char*>(xp->getValue(form, 0x800)), "Mine");
    EXPECT_EQ(*static_cast<int*>(xp->getValue(form, 0x801)), 2);

    queue(Kind::FormCancel);
    EXPECT_EQ(xp->post(form), 0);
    EXPECT_EQ(xp->post(form), 0) << "nothing queued: cancelled";

    set.controlArg = {"Nothing", true};
    host.dialogs().queue(set);
    EXPECT_EQ(xp->post(form), 0);
    const std::vector<std::string> errors = host.dialogs().takeErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("no control labelled \"Nothing\""), std::string::npos) << errors[0];

    const std::vector<lwhost::DialogRecord> shown = host.dialogs().shown();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].answer, "ok");
}

TEST_F(HostDialogsTest, DirectoryInfoAnswersFromDefaultsAndSettingsAndNullForUnknownTypes) {
    auto* dirs = global<LWDirInfoFunc*>(LWDIRINFOFUNC_GLOBAL);
    ASSERT_NE(dirs, nullptr);
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_STREQ(dirs("Content"), cwd);
    EXPECT_EQ(std::string(dirs("Scenes")), std::string(cwd) + "/Scenes");
    EXPECT_EQ(dirs("Nowhere"), nullptr);
    EXPECT_EQ(dirs(nullptr), nullptr);

    ::setenv("XDG_CONFIG_HOME", "/cfg/home", 1);
    EXPECT_STREQ(dirs("Settings"), "/cfg/home/lwhost");

    const char* before = dirs("content");
    std::string error;
    ASSERT_TRUE(host.dialogs().setDirectoryOption("Content=/data/proj//", error)) << error;
    EXPECT_STREQ(dirs("Content"), "/data/proj");
    EXPECT_STREQ(dirs("OUTPUT"), "/data/proj/Renders");
    EXPECT_STREQ(before, cwd) << "texts handed out earlier stay readable";
    EXPECT_FALSE(host.dialogs().setDirectoryOption("Con tent=/x", error));
    EXPECT_FALSE(host.dialogs().setDirectoryOption("Content=", error));
}

TEST_F(HostDialogsTest, ConfigurationFilesApplyWholeOrReportTheBadLine) {
    auto* dirs = global<LWDirInfoFunc*>(LWDIRINFOFUNC_GLOBAL);
    auto* ui = global<const st_LWInterfaceInfo*>(LWINTERFACEINFO_GLOBAL);
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(ui->alertLevel, LWALERT_BEGINNER);
    lwhost::Dialogs& d = host.dialogs();
    std::string error;
    ASSERT_TRUE(
        d.parseConfig("# mine\n\n  directory Presets  /p/with space  \r\n"
                      "alert-level 2\ndirectory Images rel/imgs\n",
                      "/etc/lw/host.cfg", error))
        << error;
    EXPECT_STREQ(dirs("presets"), "/p/with space");
    EXPECT_STREQ(dirs("Images"), "/etc/lw/rel/imgs") << "relative to the file";
    EXPECT_EQ(ui->alertLevel, LWALERT_EXPERT);

    const std::string longLine = "directory Scenes /" + std::string(5000, 'a') + "\n";
    const std::pair<std::string, std::string> bad[] = {
        {"alert-level 1\ncolour red\n", "c.cfg:2: unknown setting \"colour\""},
        {"alert-level 3\n", "c.cfg:1: 'alert-level' takes 0, 1 or 2, found \"3\""},
        {"\ndirectory Scenes\n", "c.cfg:2: 'directory Scenes' needs a PATH"},
        {"directory a/b /x\n", "c.cfg:1: 'directory' needs a TYPE"},
        {std::string("directory Scenes /x\0y\n", 22), "c.cfg:1: the line holds control"},
        {"# ok\n" + longLine, "c.cfg:2: the line is longer than 4096 bytes"},
    };
    for (const auto& [text, message] : bad) {
        EXPECT_FALSE(d.parseConfig(text, "c.cfg", error)) << text;
        EXPECT_EQ(error.compare(0, message.size(), message), 0) << error;
    }
    EXPECT_EQ(ui->alertLevel, LWALERT_EXPERT) << "nothing of a bad file is applied";
    EXPECT_STREQ(dirs("Images"), "/etc/lw/rel/imgs");

    EXPECT_FALSE(d.loadConfig("/nonexistent/lwhost.cfg", error));
    EXPECT_EQ(error, "/nonexistent/lwhost.cfg: cannot be read");
    EXPECT_TRUE(d.setAlertLevel(1));
    EXPECT_EQ(ui->alertLevel, 1);
    EXPECT_FALSE(d.setAlertLevel(-1));
}

// lwhost run end to end: options, configuration and the dialog verbs reach the host.
class DialogsCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = ::testing::TempDir() + "/dialogs_" + std::to_string(::getpid());
        ::mkdir(dir.c_str(), 0755);
        write("scene.lws", "LWHostScene 1\n");
    }
    void TearDown() override {
        for (const char* f : {"scene.lws", "a.lwscript", "bad.cfg"})
            std::remove((dir + "/" + f).c_str());
        ::rmdir(dir.c_str());
    }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir + "/" + name, std::ios::binary) << text;
    }
    ProgramResult run(const std::string& options) {
        return runProgram(lwhostProgram() + " " + options + " run " + dir + "/scene.lws " + dir +
                          "/a.lwscript --module " + testModule("testserver_module"));
    }
    std::string dir;
};

TEST_F(DialogsCliTest, ScriptsQueueActionsAndCheckTheHostsSettings) {
    write("a.lwscript",
          "expect dialogs 0\n"
          "queue click \"Names\" Beta shift+ctrl\n"
          "queue answer yes\n"
          "queue clear\n"
          "expect queue-empty\n"
          "set alert-level 1\n"
          "set directory Scenes /s\n");
    ProgramResult r = run("--alert-level 2 --dir Content=/c");
    EXPECT_EQ(r.status, 0) << r.err;

    write("a.lwscript", "queue answer maybe\n");
    r = run("");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("a.lwscript:1: an answer is ok, cancel, yes or no, not \"maybe\""),
              std::string::npos)
        << r.err;

    write("a.lwscript", "queue press Ok\nexpect queue-empty\n");
    r = run("");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("a.lwscript:2: 1 queued actions were not used"), std::string::npos)
        << r.err;

    write("bad.cfg", "alert-level 1\n\x01\x02 binary\n");
    r = run("--config " + dir + "/bad.cfg");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(dir + "/bad.cfg:2: the line holds control characters"), std::string::npos)
        << r.err;
    r = run("--alert-level 5");
    EXPECT_EQ(r.status, 2);
    r = run("--dir Content");
    EXPECT_EQ(r.status, 2);
}

}  // namespace
