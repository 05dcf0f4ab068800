// "LWPanelServices" driven through its function table as a plug-in would, with the user's
// actions taken from the host's queue.
#include <gtest/gtest.h>
#include <lwsdk/lwpanel.h>
#include <lwsdk/lwtypes.h>
#include <unistd.h>
#include "lwhost/io/png.h"
#include "lwhost/plugins/layout_commands.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/scene/scene.h"
#include "lwhost/script/script.h"

#include <sstream>
#include <string>
#include <vector>
#include "host_services.h"

namespace {

using K = lwhost::UserAction::Kind;
constexpr int kModal = LWPANF_BLOCKING | LWPANF_NOBUTT;

// A plug-in's panel: a list of names with a highlight flag each, and its callbacks.
struct FakePlugin {
    const st_LWPanelFuncs* pf = nullptr;
    LWPanelID panel = nullptr;
    std::vector<std::string> names{"Alpha", "\x03(c:Nc_HILIGHT)Beta", "Gamma"};
    std::vector<std::string> log;
    LWControlID list = nullptr, ok = nullptr, cancel = nullptr;

    static FakePlugin* self(void* data) { return static_cast<FakePlugin*>(data); }
    static int count(void* data) { return static_cast<int>(self(data)->names.size()); }
    static const char* name(void* data, int index) {
        const auto& names = self(data)->names;
        return index < 0 || index >= static_cast<int>(names.size()) ? "" : names[index].c_str();
    }
    static void event(LWControlID control, void* data) {
        FakePlugin* p = self(data);
        LWPanelID panel = static_cast<LWPanelID>(p->pf->ctlGetPtr(control, CTL_PANEL));
        p->log.push_back(static_cast<const char*>(p->pf->ctlGetPtr(control, CTL_LABEL)) +
                         (" " + std::to_string(p->pf->ctlGetInt(control, CTL_VALUE))) + " q" +
                         std::to_string(p->pf->getInt(panel, PAN_QUALIFIERS)));
        if (control == p->ok) p->pf->close(panel, LWPAN_OK);
        if (control == p->cancel) p->pf->close(panel, LWPAN_CANCELLED);
    }
    static void hook(LWPanelID, void* data) { self(data)->log.push_back("hook"); }
    static void drawCanvas(LWControlID control, void* data, int) {
        const st_LWPanelFuncs* pf = self(data)->pf;
        LWPanelID panel = static_cast<LWPanelID>(pf->ctlGetPtr(control, CTL_PANEL));
        const int x = pf->ctlGetInt(control, CTL_X), y = pf->ctlGetInt(control, CTL_Y);
        pf->drawFuncs->drawRGBBox(panel, 255, 0, 0, x, y, 10, 10);
        pf->drawFuncs->drawRGBPixel(panel, 0, 0, 255, x + 12, y + 1);
    }

    void build(const char* title) {
        panel = pf->create(title, nullptr);
        list = pf->listBox(panel, "Names", 150, 5, &name, &count, this);
        ok = pf->button(panel, "\x03(g:8)Ok\x03(j:2)", 0);
        cancel = pf->button(panel, "Cancel", 60);
        for (LWControlID c : {list, ok, cancel}) pf->ctlSetEvent(c, &event, this);
        for (int when : {LWPANCB_OPEN, LWPANCB_CLOSE})
            pf->setCallback(panel, when, reinterpret_cast<void (*)(void)>(&hook), this);
    }
};

class HostPanelsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plugin.pf = static_cast<const st_LWPanelFuncs*>(
            host.globals().request(LWPANELFUNCS_GLOBAL, LWGLOBAL_ACQUIRE));
        ASSERT_NE(plugin.pf, nullptr);
    }
    void queue(K kind, const std::string& control = "", const std::string& row = "",
               int qualifiers = 0, const std::string& text = "") {
        lwhost::UserAction a;
        a.kind = kind;
        a.control = control;
        a.row = row;
        a.qualifiers = qualifiers;
        a.text = text;
        a.origin = "queued at line 3";
        host.dialogs().queue(a);
    }

    HostServices services;
    lwhost::Host& host = services.host;
    FakePlugin plugin;
};

TEST_F(HostPanelsTest, ModalPanelTakesQueuedClicksUntilAButtonClosesElseItIsCancelled) {
    plugin.build("Pick");
    const st_LWPanelFuncs* pf = plugin.pf;
    queue(K::Click, "Names", "Gamma", LWQUAL_SHIFT);
    queue(K::Click, "Names", "Beta", LWQUAL_CTRL);  // matched without its colour code
    queue(K::Press, "Ok");
    queue(K::Press, "Cancel");  // left over: the panel closed before
    EXPECT_EQ(pf->open(plugin.panel, kModal | LWPANF_FRAME), LWPAN_OK);
    EXPECT_EQ(pf->getInt(plugin.panel, PAN_RESULT), LWPAN_OK);
    EXPECT_EQ(plugin.log, (std::vector<std::string>{
                              "hook", "Names 2 q" + std::to_string(LWQUAL_SHIFT | LWQUAL_LMB),
                              "Names 1 q" + std::to_string(LWQUAL_CTRL | LWQUAL_LMB),
                              "\x03(g:8)Ok\x03(j:2) 0 q" + std::to_string(LWQUAL_LMB), "hook"}));
    EXPECT_EQ(pf->getInt(plugin.panel, PAN_QUALIFIERS), 0) << "only during callbacks";
    EXPECT_EQ(host.dialogs().queued(), 1u);
    ASSERT_EQ(host.dialogs().shown().size(), 1u);
    EXPECT_EQ(host.dialogs().shown()[0].answer, "ok");

    // An empty queue cancels.
    host.dialogs().clearQueue();
    plugin.log.clear();
    EXPECT_EQ(pf->open(plugin.panel, kModal), LWPAN_CANCELLED);
    EXPECT_EQ(plugin.log, (std::vector<std::string>{"hook", "hook"}));
    EXPECT_TRUE(host.dialogs().errors().empty());

    // A question's answer at the head is not the panel's to take: it stays, and is reported
    // (the message is checked through the script verbs below).
    queue(K::Answer, "", "", 0, "yes");
    EXPECT_EQ(pf->open(plugin.panel, kModal), LWPAN_CANCELLED);
    EXPECT_EQ(host.dialogs().queued(), 1u);
    EXPECT_EQ(host.dialogs().takeErrors().size(), 1u);

    // So is an unknown row.
    host.dialogs().clearQueue();
    queue(K::Click, "Names", "Delta");
    EXPECT_EQ(pf->open(plugin.panel, kModal), LWPAN_CANCELLED);
    ASSERT_EQ(host.dialogs().errors().size(), 1u);
    EXPECT_NE(host.dialogs().errors()[0].find("has no row \"Delta\""), std::string::npos);

    // The host's own OK button exists only on a panel opened with it.
    host.dialogs().clearQueue();
    queue(K::Press, "OK");
    EXPECT_EQ(pf->open(plugin.panel, LWPANF_BLOCKING), LWPAN_OK);
    queue(K::Press, "OK");
    EXPECT_EQ(pf->open(plugin.panel, kModal), LWPAN_CANCELLED);
    pf->destroy(plugin.panel);
    EXPECT_EQ(host.classicPanels().size(), 0u);
}

TEST_F(HostPanelsTest, ControlsStackPrintAsTextAndCanvasesDrawAnImageSavedAsPng) {
    plugin.build("Pick \x03(c:x)codes");
    const st_LWPanelFuncs* pf = plugin.pf;
    EXPECT_EQ(pf->ctlGetInt(plugin.ok, CTL_X), pf->ctlGetInt(plugin.list, CTL_X));
    EXPECT_GE(pf->ctlGetInt(plugin.ok, CTL_Y),
              pf->ctlGetInt(plugin.list, CTL_Y) + pf->ctlGetInt(plugin.list, CTL_H));
    EXPECT_EQ(pf->ctlGetInt(plugin.cancel, CTL_W), 60);
    pf->ctlSetInt(plugin.cancel, CTL_X, 100);
    EXPECT_GE(pf->getInt(plugin.panel, PAN_W), 160) << "the panel grows with its controls";
    const char* lines[] = {"First line", "\x03(i:IMG)Second", nullptr};
    pf->text(plugin.panel, "About", lines);
    const std::string text = host.classicPanels().find(plugin.panel)->print();
    EXPECT_NE(
        text.find("list \"Names\" rows 3, clicked -1\n      Alpha\n    * Beta\n      Gamma\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("button \"Ok\"\n  button \"Cancel\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("text \"About\"\n    First line\n    Second\n"), std::string::npos) << text;
    EXPECT_EQ(text.find('\x03'), std::string::npos);

    LWControlID canvas = pf->canvas(plugin.panel, "", 40, 20);
    pf->ctlSetDraw(canvas, &FakePlugin::drawCanvas, &plugin);
    const int x = pf->ctlGetInt(canvas, CTL_X), y = pf->ctlGetInt(canvas, CTL_Y);
    pf->drawFuncs->drawRGBBox(plugin.panel, 0, 255, 0, 0, 0, 50, 50);
    EXPECT_TRUE(host.classicPanels().find(plugin.panel)->image().empty()) << "outside a draw";
    pf->draw(plugin.panel, LWDR_REFRESH);
    const lwhost::Image& image = host.classicPanels().find(plugin.panel)->image();
    EXPECT_EQ(image.width(), pf->getInt(plugin.panel, PAN_W));
    EXPECT_EQ(image.pixel(x + 5, y + 5), lwhost::Rgb(255, 0, 0));
    EXPECT_EQ(image.pixel(x + 12, y + 1), lwhost::Rgb(0, 0, 255));
    EXPECT_EQ(pf->drawFuncs->textWidth(plugin.panel, "\x03(g:2)ab"),
              lwhost::Image::textWidth("ab") + 2);

    // The queue saves the modal panel's drawing.
    const std::string path = ::testing::TempDir() + "/panel_" + std::to_string(::getpid()) + ".png";
    queue(K::SavePng, "", "", 0, path);
    pf->open(plugin.panel, kModal);
    lwhost::RgbImage back;
    std::string error;
    ASSERT_TRUE(lwhost::readPng(path, back, error)) << error;
    EXPECT_EQ(back.width, image.width());
    EXPECT_EQ(back.pixel(x + 5, y + 5)[0], 255);
    std::remove(path.c_str());
}

// A panel whose close callback destroys it: the modal loop must not touch it afterwards.
const st_LWPanelFuncs* g_pf = nullptr;
void closeOwnPanel(LWControlID control, void*) {
    g_pf->close(static_cast<LWPanelID>(g_pf->ctlGetPtr(control, CTL_PANEL)), LWPAN_OK);
}
void destroyOnClose(LWPanelID panel, void*) {
    g_pf->destroy(panel);
}

TEST_F(HostPanelsTest, DestroyedPanelsAreRefusedAndOneDestroyedByItsCallbackEndsTheLoop) {
    plugin.build("Pick");
    const st_LWPanelFuncs* pf = g_pf = plugin.pf;
    pf->destroy(plugin.panel);
    EXPECT_EQ(pf->ctlGetInt(plugin.list, CTL_VALUE), 0);
    EXPECT_EQ(pf->getPtr(plugin.panel, PAN_TITLE), nullptr);
    EXPECT_EQ(pf->open(plugin.panel, LWPANF_BLOCKING), 0);
    pf->destroy(nullptr);
    EXPECT_EQ(host.classicPanels().errors().size(), 3u);

    LWPanelID panel = pf->create("Gone", nullptr);
    pf->ctlSetEvent(pf->button(panel, "Go", 0), &closeOwnPanel, nullptr);
    pf->setCallback(panel, LWPANCB_CLOSE, reinterpret_cast<void (*)(void)>(&destroyOnClose),
                    nullptr);
    queue(K::Press, "Go");
    EXPECT_EQ(pf->open(panel, kModal), LWPAN_OK);
    EXPECT_EQ(host.classicPanels().size(), 0u);
    EXPECT_EQ(host.classicPanels().lastTitle(), "Gone");
}

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
        result = plugin.pf->open(plugin.panel, kModal);
        return true;
    });
    lwhost::defineDialogVerbs(script, env);
    auto run = [&](const char* text, std::string& error) {
        return script.execute(text, "t.lwscript", error) == lwhost::Script::Result::Ok;
    };

    std::string error;
    EXPECT_TRUE(
        run("expect dialogs 0\nqueue click Names 2 shift+ctrl\nqueue wait 1\nqueue print\n"
            "queue press Ok\npick\nexpect dialog panel \"Pick\"\nexpect queue-empty\n"
            "panel print-classic\nset alert-level 1\nset directory Scenes /s\n",
            error))
        << error;
    EXPECT_EQ(result, LWPAN_OK);
    EXPECT_EQ(plugin.log[1], "Names 2 q" + std::to_string(LWQUAL_SHIFT | LWQUAL_CTRL | LWQUAL_LMB));
    EXPECT_NE(out.str().find("panel \"Pick\" 166x"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("open modal"), std::string::npos) << out.str();
    EXPECT_EQ(host.dialogs().alertLevel(), 1);
    std::string scenes;
    EXPECT_TRUE(host.dialogs().directory("Scenes", scenes));
    EXPECT_EQ(scenes, "/s");

    const std::pair<const char*, const char*> refused[] = {
        {"queue answer yes\npick\n",
         "t.lwscript:2: queued at line 1: the queued action 'answer yes' met the panel "
         "\"Pick\", which cannot take it"},
        {"queue clear\nexpect dialog form \"Pick\"\n",
         "t.lwscript:2: expected the form \"Pick\", the next dialog shown was panel \"Pick\""},
        {"queue click Names 1 meta\n",
         "t.lwscript:1: qualifiers are shift, ctrl and alt joined by '+', not \"meta\""},
        {"queue answer maybe\n", "t.lwscript:1: an answer is ok, cancel, yes or no, not \"maybe\""},
        {"queue press Ok\nexpect queue-empty\n",
         "t.lwscript:2: 1 queued actions were not used, the first 'press \"Ok\"' (queued at line "
         "1)"},
    };
    for (const auto& [text, message] : refused) {
        EXPECT_FALSE(run(text, error)) << text;
        EXPECT_EQ(error, message);
    }
}

}  // namespace
