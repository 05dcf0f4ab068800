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
constexpr int kModal = PANF_BLOCKING | PANF_NOBUTT;

// Control attributes through the control's own record, as a plug-in reads and writes them.
int ctlInt(LWControlID c, cTag tag) {
    LWValue v{};
    c->get(c, tag, &v);
    return v.type == LWV_INT ? v.intv.value : -999;
}
void* ctlPtr(LWControlID c, cTag tag) {
    LWValue v{};
    c->get(c, tag, &v);
    return v.type == LWV_PTR   ? v.ptr.ptr
           : v.type == LWV_STR ? const_cast<char*>(v.str.buf)
                               : nullptr;
}
void ctlSet(LWControlID c, cTag tag, int n) {
    LWValue v{};
    v.intv = {LWV_INT, n};
    c->set(c, tag, &v);
}
template <class F>
void ctlSetFunc(LWControlID c, cTag tag, F* fn) {
    LWValue v{};
    v.func = {LWV_FUNC, reinterpret_cast<void (*)(void)>(fn)};
    c->set(c, tag, &v);
}
void ctlSetData(LWControlID c, void* data) {
    LWValue v{};
    v.ptr = {LWV_PTR, data};
    c->set(c, CTL_USERDATA, &v);
}
int panInt(const st_LWPanelFuncs* pf, LWPanelID panel, pTag tag) {
    int n = -999;
    pf->get(panel, tag, &n);
    return n;
}
LWControlID add(const st_LWPanelFuncs* pf, LWPanelID panel, const char* type, ControlDesc desc,
                const char* label) {
    return pf->addControl(panel, const_cast<char*>(type), &desc, const_cast<char*>(label));
}

// A plug-in's panel: a list of names with a highlight flag each, and its callbacks.
struct FakePlugin {
    st_LWPanelFuncs* pf = nullptr;
    LWPanelID panel = nullptr;
    std::vector<std::string> names{"Alpha", "\x03(c:Nc_HILIGHT)Beta", "Gamma"};
    std::vector<std::string> log;
    LWControlID list = nullptr, ok = nullptr, cancel = nullptr;

    static FakePlugin* self(void* data) { return static_cast<FakePlugin*>(data); }
    static int count(void* data) { return static_cast<int>(self(data)->names.size()); }
    static char* name(void* data, int index) {
        const auto& names = self(data)->names;
        return const_cast<char*>(index < 0 || index >= static_cast<int>(names.size())
                                     ? ""
                                     : names[static_cast<size_t>(index)].c_str());
    }
    static void event(LWControlID control, void* data) {
        FakePlugin* p = self(data);
        LWPanelID panel = ctlPtr(control, CTL_PANEL);
        p->log.push_back(static_cast<const char*>(ctlPtr(control, CTL_LABEL)) +
                         (" " + std::to_string(ctlInt(control, CTL_VALUE))) + " q" +
                         std::to_string(panInt(p->pf, panel, PAN_QUALIFIERS)));
        if (control == p->ok || control == p->cancel) {
            PAN_SET(p->pf, panel, PAN_RESULT, control == p->ok ? LWPAN_OK : LWPAN_CANCELLED);
            p->pf->close(panel);
        }
    }
    static void hook(LWPanelID, void* data) { self(data)->log.push_back("hook"); }
    static void drawCanvas(LWControlID control, void* data, DrMode mode) {
        const st_LWPanelFuncs* pf = self(data)->pf;
        self(data)->log.push_back("draw " + std::to_string(mode));
        LWPanelID panel = ctlPtr(control, CTL_PANEL);
        const int x = ctlInt(control, CTL_X), y = ctlInt(control, CTL_Y);
        pf->drawFuncs->drawRGBBox(panel, 255, 0, 0, x, y, 10, 10);
        pf->drawFuncs->drawRGBPixel(panel, 0, 0, 255, x + 12, y + 1);
        pf->drawFuncs->drawLine(panel, SYSTEM_Ic(7), x, y + 12, x + 9, y + 12);
    }

    void build(const char* title) {
        panel = pf->create(const_cast<char*>(title), nullptr);
        PAN_SETPTR(pf, panel, PAN_USERDATA, this);
        ControlDesc desc{};
        desc.listbox = {LWCD_LISTBOX, 150, 5, 0, &count, &name};
        list = add(pf, panel, LWCTL_LISTBOX, desc, "Names");
        desc.button = {LWCD_BUTTON, 0};
        ok = add(pf, panel, LWCTL_BUTTON, desc, "\x03(g:8)Ok\x03(j:2)");
        desc.button = {LWCD_BUTTON, 60};
        cancel = add(pf, panel, LWCTL_BUTTON, desc, "Cancel");
        for (LWControlID c : {list, ok, cancel}) {
            ctlSetFunc(c, CTL_USEREVENT, &event);
            ctlSetData(c, this);
        }
        for (pTag when : {PAN_USEROPEN, PAN_USERCLOSE})
            PAN_SETPTR(pf, panel, when, reinterpret_cast<void*>(&hook));
    }
};

class HostPanelsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plugin.pf = static_cast<st_LWPanelFuncs*>(
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
    queue(K::Click, "Names", "Gamma", IQ_SHIFT);
    queue(K::Click, "Names", "Beta", IQ_CTRL);  // matched without its colour code
    queue(K::Press, "Ok");
    queue(K::Press, "Cancel");  // left over: the panel closed before
    EXPECT_EQ(pf->open(plugin.panel, kModal | PANF_FRAME), LWPAN_OK);
    EXPECT_EQ(panInt(pf, plugin.panel, PAN_RESULT), LWPAN_OK);
    EXPECT_EQ(plugin.log, (std::vector<std::string>{
                              "hook", "Names 2 q" + std::to_string(IQ_SHIFT | IQ_MOUSE_LEFT),
                              "Names 1 q" + std::to_string(IQ_CTRL | IQ_MOUSE_LEFT),
                              "\x03(g:8)Ok\x03(j:2) 0 q" + std::to_string(IQ_MOUSE_LEFT), "hook"}));
    EXPECT_EQ(panInt(pf, plugin.panel, PAN_QUALIFIERS), 0) << "only during callbacks";
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
    EXPECT_EQ(pf->open(plugin.panel, PANF_BLOCKING), LWPAN_OK);
    queue(K::Press, "OK");
    EXPECT_EQ(pf->open(plugin.panel, kModal), LWPAN_CANCELLED);

    // Opened without blocking, handle runs what is queued for it and leaves it open; blocking,
    // until it closes.
    host.dialogs().clearQueue();
    plugin.log.clear();
    EXPECT_EQ(pf->handle(plugin.panel, 0), -1) << "not open";
    EXPECT_EQ(pf->open(plugin.panel, PANF_NOBUTT), 1);
    queue(K::Click, "Names", "Alpha");
    EXPECT_EQ(pf->handle(plugin.panel, 0), 1);
    queue(K::Press, "Ok");
    EXPECT_EQ(pf->handle(plugin.panel, LWPANH_BLOCKING), 0);
    EXPECT_EQ(plugin.log, (std::vector<std::string>{"hook", "Names 0 q32",
                                                    "\x03(g:8)Ok\x03(j:2) 0 q32", "hook"}));
    EXPECT_EQ(panInt(pf, plugin.panel, PAN_RESULT), LWPAN_OK);
    pf->destroy(plugin.panel);
    EXPECT_EQ(host.classicPanels().size(), 0u);
}

TEST_F(HostPanelsTest, ControlsStackPrintAsTextAndCanvasesDrawAnImageSavedAsPng) {
    plugin.build("Pick \x03(c:x)codes");
    const st_LWPanelFuncs* pf = plugin.pf;
    EXPECT_EQ(ctlInt(plugin.ok, CTL_X), ctlInt(plugin.list, CTL_X));
    EXPECT_GE(ctlInt(plugin.ok, CTL_Y), ctlInt(plugin.list, CTL_Y) + ctlInt(plugin.list, CTL_H));
    EXPECT_EQ(ctlInt(plugin.cancel, CTL_W), 60);
    ctlSet(plugin.cancel, CTL_X, 100);
    EXPECT_GE(panInt(pf, plugin.panel, PAN_W), 160) << "the panel grows with its controls";
    const char* lines[] = {"First line", "\x03(i:IMG)Second", nullptr};
    ControlDesc desc{};
    desc.text = {LWCD_TEXT, 0, lines};
    const LWControlID about = add(pf, plugin.panel, LWCTL_TEXT, desc, "About");
    // The controls in the order they were added.
    std::vector<LWControlID> walked;
    for (LWControlID c = pf->nextControl(plugin.panel, nullptr); c;
         c = pf->nextControl(plugin.panel, c))
        walked.push_back(c);
    EXPECT_EQ(walked, (std::vector<LWControlID>{plugin.list, plugin.ok, plugin.cancel, about}));
    const std::string text = host.classicPanels().find(plugin.panel)->print();
    EXPECT_NE(
        text.find("list \"Names\" rows 3, clicked -1\n      Alpha\n    * Beta\n      Gamma\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("button \"Ok\"\n  button \"Cancel\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("text \"About\"\n    First line\n    Second\n"), std::string::npos) << text;
    EXPECT_EQ(text.find('\x03'), std::string::npos);

    desc.canvas = {LWCD_CANVAS, 40, 20};
    LWControlID canvas = add(pf, plugin.panel, LWCTL_CANVAS, desc, "");
    ctlSetFunc(canvas, CTL_USERDRAW, &FakePlugin::drawCanvas);
    ctlSetData(canvas, &plugin);
    const int x = ctlInt(canvas, CTL_X), y = ctlInt(canvas, CTL_Y);
    pf->drawFuncs->drawRGBBox(plugin.panel, 0, 255, 0, 0, 0, 50, 50);
    EXPECT_TRUE(host.classicPanels().find(plugin.panel)->image().empty()) << "outside a draw";
    plugin.log.clear();
    pf->draw(plugin.panel, DR_RENDER);
    canvas->draw(canvas, DR_REFRESH);  // one control, over the drawing
    EXPECT_EQ(plugin.log, (std::vector<std::string>{"draw 1", "draw 3"}));
    const lwhost::Image& image = host.classicPanels().find(plugin.panel)->image();
    EXPECT_EQ(image.width(), panInt(pf, plugin.panel, PAN_W));
    EXPECT_EQ(image.pixel(x + 5, y + 5), lwhost::Rgb(255, 0, 0));
    EXPECT_EQ(image.pixel(x + 12, y + 1), lwhost::Rgb(0, 0, 255));
    EXPECT_EQ(image.pixel(x + 9, y + 12), lwhost::Rgb(255, 255, 255)) << "SYSTEM_Ic(7): white";
    char codes[] = "\x03(g:2)ab";
    EXPECT_EQ(pf->drawFuncs->textWidth(plugin.panel, codes), lwhost::Image::textWidth("ab") + 2);
    EXPECT_EQ(pf->drawFuncs->dispMetrics()->textHeight, lwhost::Image::textHeight());

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
    LWPanelID panel = ctlPtr(control, CTL_PANEL);
    PAN_SET(g_pf, panel, PAN_RESULT, LWPAN_OK);
    g_pf->close(panel);
}
void destroyOnClose(LWPanelID panel, void*) {
    g_pf->destroy(panel);
}

TEST_F(HostPanelsTest, DestroyedPanelsAreRefusedAndOneDestroyedByItsCallbackEndsTheLoop) {
    plugin.build("Pick");
    const st_LWPanelFuncs* pf = g_pf = plugin.pf;
    pf->destroy(plugin.panel);
    // The stale control's record is still there to call; it answers nothing.
    EXPECT_EQ(ctlInt(plugin.list, CTL_VALUE), -999);
    void* title = &title;
    pf->get(plugin.panel, PAN_TITLE, &title);
    EXPECT_EQ(title, &title) << "nothing written";
    EXPECT_EQ(pf->open(plugin.panel, PANF_BLOCKING), 0);
    pf->destroy(nullptr);
    EXPECT_EQ(host.classicPanels().errors().size(), 3u);

    // Controls the host cannot make, and values of the wrong kind, are refused and reported.
    char goneTitle[] = "Gone";
    LWPanelID panel = pf->create(goneTitle, nullptr);
    ControlDesc desc{};
    desc.button = {LWCD_BUTTON, 0};
    EXPECT_EQ(add(pf, panel, "SliderControl", desc, "x"), nullptr);
    EXPECT_EQ(add(pf, panel, LWCTL_CANVAS, desc, "x"), nullptr) << "a button's description";
    EXPECT_EQ(pf->addControl(panel, const_cast<char*>(LWCTL_LISTBOX), nullptr, nullptr), nullptr);
    const LWControlID go = add(pf, panel, LWCTL_BUTTON, desc, "Go");
    ctlSetFunc(go, CTL_X, &closeOwnPanel);
    EXPECT_EQ(ctlInt(go, CTL_X), 8) << "a function is not a position";
    const auto& errors = host.classicPanels().errors();
    ASSERT_EQ(errors.size(), 7u);
    EXPECT_EQ(errors[3], "addControl: unknown control type \"SliderControl\"");
    EXPECT_EQ(errors[6], "control set: attribute 0 takes a value of type 1");

    ctlSetFunc(go, CTL_USEREVENT, &closeOwnPanel);
    PAN_SETPTR(pf, panel, PAN_USERCLOSE, reinterpret_cast<void*>(&destroyOnClose));
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
    EXPECT_EQ(plugin.log[1], "Names 2 q" + std::to_string(IQ_SHIFT | IQ_CTRL | IQ_MOUSE_LEFT));
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
