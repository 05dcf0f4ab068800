// The host's dialogs as plug-ins reach them: asking messages, "File Request 2", posted forms,
// "Directory Info" and "LW Interface Info 5", answered from the queue of user actions.
#include <gtest/gtest.h>
#include <lwsdk/lwdialog.h>
#include <lwsdk/lwmessage.h>
#include <lwsdk/lwtypes.h>
#include <lwsdk/lwxpanel.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "host_services.h"

namespace {

using Kind = lwhost::UserAction::Kind;

class HostDialogsTest : public ::testing::Test {
  protected:
    void queue(Kind kind, const std::string& text = "", const char* origin = "queued at line 9") {
        lwhost::UserAction a;
        a.kind = kind;
        a.text = a.control = text;
        a.controlArg = {text, true};
        a.origin = origin;
        host.dialogs().queue(a);
    }
    template <class T>
    T global(const char* name) {
        return reinterpret_cast<T>(host.globals().request(name, LWGLOBAL_ACQUIRE));
    }
    std::vector<std::string> answers() {
        std::vector<std::string> out;
        for (const lwhost::DialogRecord& r : host.dialogs().shown()) out.push_back(r.answer);
        return out;
    }

    HostServices services;
    lwhost::Host& host = services.host;
};

TEST_F(HostDialogsTest, AskingDialogsTakeFittingQueuedAnswersElseTheCautiousOne) {
    auto* msg = global<const st_LWMessageFuncs*>(LWMESSAGEFUNCS_GLOBAL);
    for (const char* answer : {"yes", "no", "ok"}) queue(Kind::Answer, answer);
    EXPECT_EQ(msg->yesNoCan("Save Preset", "Overwrite?", "/p/a.cfg"), LWMSG_YNC_YES);
    EXPECT_EQ(msg->yesNoCan("Save Preset", "Overwrite?", "/p/a.cfg"), LWMSG_YNC_NO);
    EXPECT_EQ(msg->okCancel("Go", "Sure?", nullptr), LWMSG_OK);
    // Nothing queued: cancel, or no.
    EXPECT_EQ(msg->yesNoCan("Save Preset", "Overwrite?", nullptr), LWMSG_CANCEL);
    EXPECT_EQ(msg->yesNo("Delete Preset", "Delete?", "[User]\x03(a:48)Mine"), LWMSG_NO);
    EXPECT_EQ(msg->okCancel("Go", "Sure?", nullptr), LWMSG_CANCEL);
    const lwhost::DialogRecord first = host.dialogs().shown().at(0);
    EXPECT_EQ(first.kind + "|" + first.title + "|" + first.text,
              "yes/no/cancel|Save Preset|Overwrite?\n/p/a.cfg");
    // Recorded as shown: the inline alignment code puts the name in its column.
    EXPECT_EQ(host.dialogs().shown().at(4).text, "Delete?\n[User]  Mine");
    EXPECT_EQ(answers(), (std::vector<std::string>{"yes", "no", "ok", "cancel", "no", "cancel"}));
    EXPECT_TRUE(host.dialogs().errors().empty());

    // An answer that does not fit, or another action at the head, is reported.
    queue(Kind::Answer, "cancel");
    EXPECT_EQ(msg->yesNo("Delete Preset", "Delete?", nullptr), LWMSG_NO);
    queue(Kind::Press, "Ok", "queued at line 4");
    EXPECT_EQ(msg->yesNo("Delete Preset", "Delete?", nullptr), LWMSG_NO);
    EXPECT_EQ(host.dialogs().queued(), 1u) << "the press stays for whoever can take it";
    EXPECT_EQ(host.dialogs().takeErrors(),
              (std::vector<std::string>{
                  "queued at line 9: the yes/no dialog \"Delete Preset\" cannot be answered "
                  "\"cancel\"",
                  "queued at line 4: the queued action 'press \"Ok\"' met the yes/no dialog "
                  "\"Delete Preset\", which cannot take it"}));

    // Slot 7 asks yes / no / yes to all: its yes and no are not the yes/no dialog's 1 and 0.
    host.dialogs().clearQueue();
    queue(Kind::Answer, "yes");
    EXPECT_EQ(msg->yesNoAll("Replace", "All of them?", nullptr), LWMSG_YNC_YES);
    EXPECT_EQ(msg->yesNoAll("Replace", "All of them?", nullptr), LWMSG_CANCEL);
    EXPECT_EQ(host.dialogs().shown().back().kind, "yes/no/all");
}

TEST_F(HostDialogsTest, FileRequestsTakeQueuedPathsAndAreCancelledOtherwise) {
    auto* request = global<LWFileReqFunc*>(LWFILEACTIVATEFUNC_GLOBAL);
    ASSERT_NE(request, nullptr);
    host.dialogs().setDirectory("Content", "/work/content/");
    char path[1024], base[1024], full[1024];
    st_LWFileReqLocal r{};
    auto ask = [&](int type = FREQ_LOAD, int bufLen = 1024) {
        r = st_LWFileReqLocal{type, 7,    "Load Settings", "Settings|*.cfg", path,
                              base, full, bufLen,          nullptr};
        path[0] = base[0] = full[0] = '\0';
        return request(LWFILEREQ_VERSION, &r);
    };

    queue(Kind::File, "/tmp/presets/a.cfg");
    EXPECT_EQ(request(2, &r), 0) << "only version 3 is served";
    EXPECT_EQ(ask(), 1);
    EXPECT_EQ(r.result, LWFREQ_CONFIRMED);
    EXPECT_EQ(std::string(full) + "|" + path + "|" + base, "/tmp/presets/a.cfg|/tmp/presets|a.cfg");
    queue(Kind::File, "mine/b.cfg");  // typed without a directory: under Content
    ask(FREQ_SAVE);
    EXPECT_STREQ(full, "/work/content/mine/b.cfg");

    queue(Kind::FileCancel);
    ask();
    EXPECT_EQ(r.result, LWFREQ_CANCELLED);
    ask();
    EXPECT_EQ(r.result, LWFREQ_CANCELLED) << "nothing queued";
    // A path that does not fit the plug-in's buffer is refused, not cut to another name.
    queue(Kind::File, "/tmp/a/much/longer/path.cfg");
    ask(FREQ_SAVE, 10);
    EXPECT_EQ(r.result, LWFREQ_CANCELLED);
    EXPECT_EQ(host.dialogs().takeErrors().size(), 1u);

    // The refused version showed nothing.
    EXPECT_EQ(answers(), (std::vector<std::string>{"/tmp/presets/a.cfg", "/work/content/mine/b.cfg",
                                                   "cancelled", "cancelled", "cancelled"}));
    EXPECT_EQ(host.dialogs().shown()[0].kind + "|" + host.dialogs().shown()[0].text,
              "file request|Settings|*.cfg");
}

TEST_F(HostDialogsTest, PostedFormsTakeFieldsFromTheQueueUntilOkOrCancel) {
    auto* xp = global<const st_LWXPanelFuncs*>(LWXPANELFUNCS_GLOBAL);
    st_LWXPanelControl controls[] = {
        {0x800, "Preset", "sPresetText"}, {0x801, "Type", "iPopChoice"}, {0, nullptr, nullptr}};
    st_LWXPanelDataDesc data[] = {
        {0x800, "Preset", "string"}, {0x801, "Type", "integer"}, {0, nullptr, nullptr}};
    LWXPanelID form = xp->create(LWXP_FORM, controls);
    xp->describe(form, data, nullptr, nullptr);
    auto set = [&](lwhost::ScriptArg control, lwhost::ScriptArg value) {
        lwhost::UserAction a;
        a.kind = Kind::FormSet;
        a.controlArg = control;
        a.values = {value};
        host.dialogs().queue(a);
    };

    set({"Preset", true}, {"Mine", true});
    set({"0x801", false}, {"2", false});  // a control by its ID
    queue(Kind::FormOk);
    EXPECT_EQ(xp->post(form), 1);
    EXPECT_STREQ(static_cast<const char*>(xp->formGet(form, 0x800)), "Mine");
    EXPECT_EQ(*static_cast<int*>(xp->formGet(form, 0x801)), 2);
    queue(Kind::FormCancel);
    EXPECT_EQ(xp->post(form), 0);
    EXPECT_EQ(xp->post(form), 0) << "nothing queued: cancelled";

    set({"Nothing", true}, {"x", true});
    EXPECT_EQ(xp->post(form), 0);
    const std::vector<std::string> errors = host.dialogs().takeErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("no control labelled \"Nothing\""), std::string::npos) << errors[0];
    EXPECT_EQ(answers().at(0), "ok");
}

// A button of a posted form runs while the form is up; a dialog it opens takes the actions
// queued after the press, and the form then goes on with the rest.
lwhost::Host* g_pressHost = nullptr;
std::vector<int> g_pressAnswers;
void askOnPress(LWXPanelID, int) {
    g_pressAnswers.push_back(
        g_pressHost->dialogs().answer(lwhost::MessageKind::YesNo, "Sure?", ""));
}

TEST_F(HostDialogsTest, PostedFormsPressButtonsWhoseDialogsTakeTheActionsQueuedAfter) {
    auto* xp = global<const st_LWXPanelFuncs*>(LWXPANELFUNCS_GLOBAL);
    st_LWXPanelControl controls[] = {
        {0x800, "Pick...", "vButton"}, {0x801, "Type", "iPopChoice"}, {0, nullptr, nullptr}};
    LWXPanelID form = xp->create(LWXP_FORM, controls);
    void* hints[] = {LWXP_INT(XPTAG_BUTNOTIFY), LWXP_INT(0x800), LWXP_FUNC(&askOnPress),
                     LWXP_INT(XPTAG_END)};
    xp->hint(form, 0, hints);
    g_pressHost = &host;
    queue(Kind::FormPress, "Pick...");
    queue(Kind::Answer, "yes");
    queue(Kind::FormOk);
    EXPECT_EQ(xp->post(form), 1);
    EXPECT_EQ(g_pressAnswers, std::vector<int>{LWMSG_YES});
    EXPECT_TRUE(host.dialogs().queueEmpty());

    queue(Kind::FormPress, "Type");
    EXPECT_EQ(xp->post(form), 0);
    const std::vector<std::string> errors = host.dialogs().takeErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("is not a button"), std::string::npos) << errors[0];
}

TEST_F(HostDialogsTest, DirectoriesAndAlertLevelComeFromDefaultsOptionsAndWholeConfigFiles) {
    auto* dirs = global<LWDirInfoFunc*>(LWDIRINFOFUNC_GLOBAL);
    auto* ui = global<const st_LWInterfaceInfo*>(LWINTERFACEINFO_GLOBAL);
    ASSERT_TRUE(dirs && ui);
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_STREQ(dirs("Content"), cwd);
    EXPECT_EQ(std::string(dirs("Scenes")), std::string(cwd) + "/Scenes");
    EXPECT_EQ(dirs("Nowhere"), nullptr);
    EXPECT_EQ(dirs(nullptr), nullptr);
    ::setenv("XDG_CONFIG_HOME", "/cfg/home", 1);
    EXPECT_STREQ(dirs("Settings"), "/cfg/home/lwhost");
    EXPECT_EQ(ui->alertLevel, LWALERT_BEGINNER);

    lwhost::Dialogs& d = host.dialogs();
    const char* before = dirs("content");
    std::string error;
    ASSERT_TRUE(d.setDirectoryOption("Content=/data/proj//", error)) << error;
    EXPECT_STREQ(dirs("OUTPUT"), "/data/proj/Renders");
    EXPECT_STREQ(before, cwd) << "texts handed out earlier stay readable";
    EXPECT_FALSE(d.setDirectoryOption("Con tent=/x", error));
    EXPECT_FALSE(d.setDirectoryOption("Content=", error));

    ASSERT_TRUE(
        d.parseConfig("\xEF\xBB\xBF  directory Presets  /p/with space  \r\n# mine\n\n"
                      "alert-level 2\ndirectory Images rel/imgs\n",
                      "/etc/lw/host.cfg", error))
        << error;
    EXPECT_STREQ(dirs("presets"), "/p/with space");
    EXPECT_STREQ(dirs("Images"), "/etc/lw/rel/imgs") << "relative to the file";
    EXPECT_EQ(ui->alertLevel, LWALERT_EXPERT);
    const std::pair<std::string, std::string> bad[] = {
        {"alert-level 1\ncolour red\n", "c.cfg:2: unknown setting \"colour\""},
        {"alert-level 3\n", "c.cfg:1: 'alert-level' takes 0, 1 or 2, found \"3\""},
        {"\ndirectory Scenes\n", "c.cfg:2: 'directory Scenes' needs a PATH"},
        {"directory a/b /x\n", "c.cfg:1: 'directory' needs a TYPE"},
        {std::string("directory Scenes /x\0y\n", 22), "c.cfg:1: the line holds control"},
        {"# ok\ndirectory Scenes /" + std::string(5000, 'a') + "\n",
         "c.cfg:2: the line is longer than 4096 bytes"}};
    for (const auto& [text, message] : bad) {
        EXPECT_FALSE(d.parseConfig(text, "c.cfg", error)) << text;
        EXPECT_EQ(error.compare(0, message.size(), message), 0) << error;
    }
    EXPECT_EQ(ui->alertLevel, LWALERT_EXPERT) << "nothing of a bad file is applied";
    EXPECT_FALSE(d.loadConfig("/nonexistent/lwhost.cfg", error));
    EXPECT_EQ(error, "/nonexistent/lwhost.cfg: cannot be read");
    EXPECT_FALSE(d.setAlertLevel(-1));
}

}  // namespace
