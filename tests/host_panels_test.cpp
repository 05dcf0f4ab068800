// "LWPanelServices" driven through its function table as a plug-in would, with the user's
// actions taken from the host's queue.
#include <gtest/gtest.h>
#include <lwhost/dialogs.h>
#include <lwhost/host.h>
#include <lwhost/layout_commands.h>
#include <lwhost/panels.h>
#include <lwhost/plugins.h>
#include <lwhost/png.h>
#include <lwhost/scene.h>
#include <lwhost/script.h>
#include <lwsdk/lwpanel.h>
#include <lwsdk/lwtypes.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// A plug-in's panel: a list of names with a highlight flag each, and its callbacks.
struct FakePlugin {
    const st_LWPanelFuncs* pf = nullptr;
    LWPanelID panel = nullptr;
    std::vector<std::string> names{"Alpha", "Beta", "Gamma"};
    std::vector<bool> lit{false, true, false};
    std::vector<std::string> log;
    std::string row;  // kept for the name callback's return value
    LWControlID list = nullptr, ok = nullptr, cancel = nullptr, canvas = nullptr;

    static int count(void* data) { return static_cast<int>(self(data)->names.size()); }
    static const char* name(void* data, int index) {
        FakePlugin* p = self(data);
        if (index < 0 || index >= static_cast<int>(p->names.size())) return "";
        p->row = (p->lit[index] ? "\x03(c:Nc_HILIGHT)" : "") + p->names[index];
        return p->row.c_str();
    }
    static void event(LWControlID control, void* data) {
        FakePlugin* p = self(data);
        LWPanelID panel = static_cast<LWPanelID>(p->pf->ctlGetPtr(control, CTL_PANEL));
        const int quals = p->pf->getInt(panel, PAN_QUALIFIERS);
        const std::string label = static_cast<const char*>(p->pf->ctlGetPtr(control, CTL_LABEL));
        p->log.push_back(label + " " + std::to_string(p->pf->ctlGetInt(control, CTL_VALUE)) + " q" +
                         std::to_string(quals));
        if (control == p->ok) p->pf->close(panel, LWPAN_OK);
        if (control == p->cancel) p->pf->close(panel, LWPAN_CANCELLED);
    }
    static void hook(LWPanelID, void* data) { self(data)->log.push_back("hook"); }
    static void drawCanvas(LWControlID control, void* data, int) {
        FakePlugin* p = self(data);
        LWPanelID panel = static_cast<LWPanelID>(p->pf->ctlGetPtr(control, CTL_PANEL));
        const int x = p->pf->ctlGetInt(control, CTL_X), y = p->pf->ctlGetInt(control, CTL_Y);
        p->pf->drawFuncs->drawRGBBox(panel, 255, 0, 0, x, y, 10, 10);
        p->pf->drawFuncs->drawRGBPixel(panel, 0, 0, 255, x + 12, y + 1);
    }
    static FakePlugin* self(void* data) { return static_cast<FakePlugin*>(data); }

    void build(const char* title) {
        panel = pf->create(title, nullptr);
        list = pf->listBox(panel, "Names", 150, 5, &name, &count, this);
        ok = pf->button(panel, "\x03(g:8)Ok\x03(j:2)", 0);
        cancel = pf->button(panel, "Cancel", 60);
        for (LWControlID c : {list, ok, cancel}) pf->ctlSetEvent(c, &event, this);
        pf->setCallback(panel, LWPANCB_OPEN, reinterpret_cast<void (*)(void)>(&hook), this);
        pf->setCallback(panel, LWPANCB_CLOSE, reinterpret_cast<void (*)(void)>(&hook), this);
    }
};

class HostPanelsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plugin.pf = static_cast<const st_LWPanelFuncs*>(
            host.globals().request(LWPANELFUNCS_GLOBAL, LWGLOBAL_ACQUIRE));
        ASSERT_NE(plugin.pf, nullptr);
    }
    void queue(lwhost::UserAction::Kind kind, const std::string& control = "",
               const std::string& row = "", int qualifiers = 0) {
        lwhost::UserAction a;
        a.kind = kind;
        a.control = control;
        a.row = row;
        a.qualifiers = qualifiers;
        host.dialogs().queue(a);
    }

    lwhost::Host host;
    FakePlugin plugin;
};

TEST_F(HostPanelsTest, QueuedClicksReachTheEventCallbackWithQualifiersUntilAButtonCloses) {
    plugin.build("Pick");
    using K = lwhost::UserAction::Kind;
    queue(K::Click, "Names", "Gamma", LWQUAL_SHIFT);
    queue(K::Click, "Names", "Beta", LWQUAL_CTRL);  // matched without its colour code
    queue(K::Press, "Ok");
    queue(K::Press, "Cancel");  // left over: the panel closed before

    const int result =
        plugin.pf->open(plugin.panel, LWPANF_BLOCKING | LWPANF_FRAME | LWPANF_NOBUTT);
    EXPECT_EQ(result, LWPAN_OK);
    EXPECT_EQ(plugin.pf->getInt(plugin.panel, PAN_RESULT), LWPAN_OK);
    const std::vector<std::string> expected = {
        "hook", "Names 2 q" + std::to_string(LWQUAL_SHIFT | LWQUAL_LMB),
        "Names 1 q" + std::to_string(LWQUAL_CTRL | LWQUAL_LMB),
        "\x03(g:8)Ok\x03(j:2) 0 q" + std::to_string(LWQUAL_LMB), "hook"};
    EXPECT_EQ(plugin.log, expected);
    EXPECT_EQ(plugin.pf->getInt(plugin.panel, PAN_QUALIFIERS), 0) << "only during callbacks";
    EXPECT_EQ(host.dialogs().queued(), 1u);
    EXPECT_TRUE(host.dialogs().errors().empty());

    const std::vector<lwhost::DialogRecord> shown = host.dialogs().shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, "panel");
    EXPECT_EQ(shown[0].title, "Pick");
    EXPECT_EQ(shown[0].answer, "ok");
    plugin.pf->destroy(plugin.panel);
    EXPECT_EQ(host.classicPanels().size(), 0u);
}

TEST_F(HostPanelsTest, AnEmptyQueueOrAWrongActionClosesTheModalPanelAsCancelled) {
    plugin.build("Pick");
    EXPECT_EQ(plugin.pf->open(plugin.panel, LWPANF_BLOCKING | LWPANF_NOBUTT), LWPAN_CANCELLED);
    EXPECT_EQ(plugin.log, (std::vector<std::string>{"hook", "hook"}));
    EXPECT_TRUE(host.dialogs().errors().empty());

    // A question's answer at the head is not the panel's to take: it stays, and is reported.
    lwhost::UserAction answer;
    answer.kind = lwhost::UserAction::Kind::Answer;
    answer.text = "yes";
    answer.origin = "queued at line 3";
    host.dialogs().queue(answer);
    EXPECT_EQ(plugin.pf->open(plugin.panel, LWPANF_BLOCKING | LWPANF_NOBUTT), LWPAN_CANCELLED);
    EXPECT_EQ(host.dialogs().queued(), 1u);
    const std::vector<std::string> errors = host.dialogs().takeErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0],
              "queued at line 3: the queued action 'answer yes' met the panel \"Pick\", which "
              "cannot take it");

    // An unknown row is an error too, and the panel is cancelled.
    host.dialogs().clearQueue();
    queue(lwhost::UserAction::Kind::Click, "Names", "Delta");
    EXPECT_EQ(plugin.pf->open(plugin.panel, LWPANF_BLOCKING | LWPANF_NOBUTT), LWPAN_CANCELLED);
    ASSERT_EQ(host.dialogs().errors().size(), 1u);
    EXPECT_NE(host.dialogs().errors()[0].find("has no row \"Delta\""), std::string::npos);

    // The host's own OK button exists only on a panel opened with it.
    host.dialogs().clearQueue();
    queue(lwhost::UserAction::Kind::Press, "OK");
    EXPECT_EQ(plugin.pf->open(plugin.panel, LWPANF_BLOCKING), LWPAN_OK);
    queue(lwhost::UserAction::Kind::Press, "OK");
    EXPECT_EQ(plugin.pf->open(plugin.panel, LWPANF_BLOCKING | LWPANF_NOBUTT), LWPAN_CANCELLED);
}

TEST_F(HostPanelsTest, ControlsWithoutPositionStackAndThePanelPrintsAsText) {
    plugin.build("Pick \x03(c:x)codes");
    const st_LWPanelFuncs* pf = plugin.pf;
    const int listBottom = pf->ctlGetInt(plugin.list, CTL_Y) + pf->ctlGetInt(plugin.list, CTL_H);
    EXPECT_EQ(pf->ctlGetInt(plugin.ok, CTL_X), pf->ctlGetInt(plugin.list, CTL_X));
    EXPECT_GT(pf->ctlGetInt(plugin.ok, CTL_Y), listBottom - 1);
    EXPECT_EQ(pf->ctlGetInt(plugin.cancel, CTL_W), 60);
    pf->ctlSetInt(plugin.cancel, CTL_X, 100);
    pf->ctlSetInt(plugin.cancel, CTL_Y, pf->ctlGetInt(plugin.ok, CTL_Y));
    EXPECT_GE(pf->getInt(plugin.panel, PAN_W), 160) << "the panel grows with its controls";
    const char* lines[] = {"First line", "\x03(i:IMG)Second", nullptr};
    pf->text(plugin.panel, "About", lines);
    EXPECT_EQ(pf->ctlGetInt(plugin.list, CTL_VALUE), -1);

    const std::string text = host.classicPanels().find(plugin.panel)->print();
    EXPECT_NE(
        text.find("list \"Names\" rows 3, clicked -1\n      Alpha\n    * Beta\n      Gamma\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("button \"Ok\"\n  button \"Cancel\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("text \"About\"\n    First line\n    Second\n"), std::string::npos) << text;
    EXPECT_EQ(text.find('\x03'), std::string::npos);
}

TEST_F(HostPanelsTest, CanvasesDrawIntoThePanelImageWhichSavesAsPng) {
    plugin.build("Logo");
    const st_LWPanelFuncs* pf = plugin.pf;
    plugin.canvas = pf->canvas(plugin.panel, "", 40, 20);
    pf->ctlSetDraw(plugin.canvas, &FakePlugin::drawCanvas, &plugin);
    const int x = pf->ctlGetInt(plugin.canvas, CTL_X), y = pf->ctlGetInt(plugin.canvas, CTL_Y);

    // Outside a draw callback the drawing functions do nothing.
    pf->drawFuncs->drawRGBBox(plugin.panel, 0, 255, 0, 0, 0, 50, 50);
    EXPECT_TRUE(host.classicPanels().find(plugin.panel)->image().empty());

    pf->draw(plugin.panel, LWDR_REFRESH);
    const lwhost::Image& image = host.classicPanels().find(plugin.panel)->image();
    EXPECT_EQ(image.width(), pf->getInt(plugin.panel, PAN_W));
    EXPECT_EQ(image.pixel(x + 5, y + 5), lwhost::Rgb(255, 0, 0));
    EXPECT_EQ(image.pixel(x + 12, y + 1), lwhost::Rgb(0, 0, 255));
    EXPECT_EQ(pf->drawFuncs->textHeight(plugin.panel, "x"), lwhost::Image::textHeight());
    EXPECT_EQ(pf->drawFuncs->textWidth(plugin.panel, "\x03(g:2)ab"),
              lwhost::Image::textWidth("ab"));

    const std::string path = ::testing::TempDir() + "/panel_" + std::to_string(::getpid()) + ".png";
    lwhost::RgbImage back;
    std::string error;
    // The queue saves the modal panel's drawing too.
    lwhost::UserAction save;
    save.kind = lwhost::UserAction::Kind::SavePng;
    save.text = path;
    host.dialogs().queue(save);
    pf->open(plugin.panel, LWPANF_BLOCKING | LWPANF_NOBUTT);
    ASSERT_TRUE(lwhost::readPng(path, back, error)) << error;
    EXPECT_EQ(back.width, image.width());
    EXPECT_EQ(back.pixel(x + 5, y + 5)[0], 255);
    std::remove(path.c_str());
}

TEST_F(HostPanelsTest, StaleAndForeignIdsAreRefusedWithoutReadingThem) {
    plugin.build("Pick");
    const st_LWPanelFuncs* pf = plugin.pf;
    LWControlID list = plugin.list;
    pf->destroy(plugin.panel);
    EXPECT_EQ(pf->ctlGetInt(list, CTL_VALUE), 0);
    EXPECT_EQ(pf->getPtr(plugin.panel, PAN_TITLE), nullptr);
    EXPECT_EQ(pf->open(plugin.panel, LWPANF_BLOCKING), 0);
    pf->destroy(nullptr);
    EXPECT_EQ(host.classicPanels().errors().size(), 3u);
}

// A panel whose close callback destroys it: the modal loop must not touch it afterwards.
struct SelfDestroying {
    static const st_LWPanelFuncs* pf;
    static void event(LWControlID control, void*) {
        pf->close(static_cast<LWPanelID>(pf->ctlGetPtr(control, CTL_PANEL)), LWPAN_OK);
    }
    static void closed(LWPanelID panel, void*) { pf->destroy(panel); }
};
const st_LWPanelFuncs* SelfDestroying::pf = nullptr;

TEST_F(HostPanelsTest, APanelDestroyedByItsOwnCallbackEndsTheModalLoopSafely) {
    SelfDestroying::pf = plugin.pf;
    LWPanelID panel = plugin.pf->create("Gone", nullptr);
    LWControlID b = plugin.pf->button(panel, "Go", 0);
    plugin.pf->ctlSetEvent(b, &SelfDestroying::event, nullptr);
    plugin.pf->setCallback(panel, LWPANCB_CLOSE,
                           reinterpret_cast<void (*)(void)>(&SelfDestroying::closed), nullptr);
    queue(lwhost::UserAction::Kind::Press, "Go");
    EXPECT_EQ(plugin.pf->open(panel, LWPANF_BLOCKING | LWPANF_NOBUTT), LWPAN_OK);
    EXPECT_EQ(host.classicPanels().size(), 0u);
    EXPECT_EQ(host.classicPanels().lastTitle(), "Gone");
}

}  // namespace

namespace {

// The dialog verbs of lwhost run against a panel opened by a statement, in process.
TEST_F(HostPanelsTest, ScriptsQueueActionsForAPanelAndReportActionsItCannotTake) {
    lwhost::Scene scene;
    lwhost::Plugins plugins(host, scene);
    lwhost::LayoutCommands commands(host, plugins);
    std::ostringstream out;
    lwhost::ScriptEnvironment env{host, plugins, commands, out, "", true};
    lwhost::Script script;
    lwhost::defineLayoutVerbs(script, env);
    int result = -1;
    script.define("pick", 0, 0, "", [&](const lwhost::ScriptStatement&, std::string&) {
        plugin.build("Pick");
        result = plugin.pf->open(plugin.panel, LWPANF_BLOCKING | LWPANF_NOBUTT);
        return true;
    });
    lwhost::defineDialogVerbs(script, env);

    std::string error;
    EXPECT_EQ(script.execute("queue click Names 2 shift\n"
                             "queue wait 1\n"
                             "queue print\n"
                             "queue press Ok\n"
                             "pick\n"
                             "expect dialog panel \"Pick\"\n"
                             "expect queue-empty\n"
                             "panel print-classic\n",
                             "t.lwscript", error),
              lwhost::Script::Result::Ok)
        << error;
    EXPECT_EQ(result, LWPAN_OK);
    EXPECT_EQ(plugin.log[1], "Names 2 q" + std::to_string(LWQUAL_SHIFT | LWQUAL_LMB));
    EXPECT_NE(out.str().find("panel \"Pick\" 166x"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("open modal"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("closed"), std::string::npos) << out.str();

    EXPECT_EQ(script.execute("queue answer yes\npick\n", "t.lwscript", error),
              lwhost::Script::Result::Failed);
    EXPECT_EQ(error,
              "t.lwscript:2: queued at line 1: the queued action 'answer yes' met the panel "
              "\"Pick\", which cannot take it");
    EXPECT_EQ(script.execute("queue clear\nexpect dialog form \"Pick\"\n", "t.lwscript", error),
              lwhost::Script::Result::Failed);
    EXPECT_EQ(error,
              "t.lwscript:2: expected the form \"Pick\", the next dialog shown was panel "
              "\"Pick\"");
    EXPECT_EQ(script.execute("queue click Names 1 meta\n", "t.lwscript", error),
              lwhost::Script::Result::Failed);
    EXPECT_EQ(error,
              "t.lwscript:1: qualifiers are shift, ctrl and alt joined by '+', not \"meta\"");
}

}  // namespace
