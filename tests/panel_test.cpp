// The classic panel wrappers, their callback trampolines and the About panel, against a fake
// panel service.
#include <gtest/gtest.h>
#include <lwhost/png.h>
#include <sys/stat.h>
#include <vexo/globals.h>
#include <vexo/panel.h>
#include <vexo/server.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "fake_panels.h"

namespace {

using Kind = FakePanels::Kind;

class Recorder : public vexo::LWPanel,
                 public vexo::LWPanelCallbacks,
                 public vexo::LWPanelControlCallBacks {
  public:
    explicit Recorder(const std::string& title) : vexo::LWPanel(title) {}
    std::vector<std::string> log;
    bool fail = false;
    vexo::PanelControl list;

    void panelDraw(const vexo::LWPanel& p, vexo::DrMode mode) override {
        log.push_back("draw " + std::to_string(mode) + (p.id() == id() ? " self" : " other"));
    }
    void panelOpen(const vexo::LWPanel&) override { log.push_back("open"); }
    void panelClose(const vexo::LWPanel&) override { log.push_back("close"); }
    void panelActivate(const vexo::LWPanel&) override { log.push_back("activate"); }
    void panelMouseButton(const vexo::LWPanel&, int q, int x, int y) override {
        log.push_back("button " + std::to_string(q) + " " + std::to_string(x) + "," +
                      std::to_string(y));
    }
    void panelMouseMove(const vexo::LWPanel&, int, int x, int y) override {
        log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    }
    void panelKeyDown(const vexo::LWPanel&, unsigned short key) override {
        if (fail) throw std::runtime_error("key refused");
        log.push_back("down " + std::to_string(key));
    }
    void panelKeyUp(const vexo::LWPanel&, unsigned short key) override {
        log.push_back("up " + std::to_string(key));
    }
    void controlEvent(vexo::PanelControl& c) override {
        if (fail) throw std::runtime_error("event refused");
        log.push_back(std::string("event ") + (c == list ? "list" : "other"));
    }
    int controlCount(vexo::PanelControl c) override { return c == list ? 3 : 0; }
    const char* controlName(vexo::PanelControl c, int index) override {
        if (fail) throw std::runtime_error("name refused");
        return c == list && index == 1 ? "second" : "other";
    }
};

class PanelTest : public ::testing::Test {
  protected:
    PanelTestHost host;
    std::unique_ptr<vexo::LWMessage> messages;
    void SetUp() override {
        vexo::SetSuperGlobal(&FakeGlobals::global);
        // The frame's message service is module-wide; this points it at this test's fake even
        // when earlier tests of the process used another.
        messages = std::make_unique<vexo::LWMessage>();
    }

    template <class F>
    F* callback(LWPanelID panel, int which) {
        return reinterpret_cast<F*>(host.panels.panels[panel].callbacks[which].first);
    }
};

TEST_F(PanelTest, ATitledWrapperCreatesItsPanelHoldsItselfAsUserDataAndDestroysIt) {
    LWPanelID id = nullptr;
    {
        vexo::LWPanel panel("Pick Item");
        id = panel.id();
        ASSERT_NE(id, nullptr);
        EXPECT_TRUE(panel.owns());
        EXPECT_EQ(panel.title(), "Pick Item");
        EXPECT_EQ(host.panels.panels[id].title, "Pick Item");
        EXPECT_EQ(vexo::LWPanel::wrapperOf(id), &panel);
        {
            vexo::LWPanel view(id);  // wraps, never destroys
            EXPECT_FALSE(view.owns());
        }
        EXPECT_FALSE(host.panels.panels[id].destroyed);
    }
    EXPECT_TRUE(host.panels.panels[id].destroyed);
}

TEST_F(PanelTest, WithoutThePanelServiceNothingIsCreatedAndCallsAreSkipped) {
    host.globals.records.erase(LWPANELFUNCS_GLOBAL);
    vexo::LWPanel panel("Nothing");
    EXPECT_EQ(panel.id(), nullptr);
    EXPECT_FALSE(panel.button("Ok"));
    EXPECT_EQ(panel.open(LWPANF_BLOCKING), 0);
    EXPECT_TRUE(host.panels.panels.empty());
}

TEST_F(PanelTest, ControlsMoveBelowAndRightOfOthersWithAGap) {
    vexo::LWPanel panel("Layout");
    vexo::PanelControl a = panel.button("Alpha", 50);
    vexo::PanelControl b = panel.button("Beta", 30);
    a.Set(CTL_X, 10);
    a.Set(CTL_Y, 20);
    a.Set(CTL_H, 25);
    b.MoveBelow(a, 4);
    EXPECT_EQ(b.GetInt(CTL_X), 10);
    EXPECT_EQ(b.GetInt(CTL_Y), 20 + 25 + 4);
    b.MoveRightOf(a, 6);
    EXPECT_EQ(b.x(), 10 + 50 + 6);
    EXPECT_EQ(b.y(), 20);
    EXPECT_EQ(b.panel(), panel.id());
    EXPECT_FALSE(vexo::PanelControl());
    EXPECT_EQ(vexo::PanelControl().GetInt(CTL_X), 0);
}

TEST_F(PanelTest, PanelCallbacksReachTheWrapperAndIgnoreNullUserData) {
    Recorder rec("Callbacks");
    vexo::installPanelCallbacks<Recorder>(rec);
    LWPanelID id = rec.id();
    auto& cbs = host.panels.panels[id].callbacks;
    ASSERT_EQ(cbs.size(), 8u);
    for (auto& cb : cbs) EXPECT_EQ(cb.second.second, static_cast<vexo::LWPanel*>(&rec));

    host.panels.redraw(id, LWDR_ERASE);
    callback<LWPanHookFunc>(id, LWPANCB_OPEN)(id, cbs[LWPANCB_OPEN].second);
    callback<LWPanHookFunc>(id, LWPANCB_ACTIVATE)(id, cbs[LWPANCB_ACTIVATE].second);
    callback<LWPanMouseFunc>(id, LWPANCB_MOUSEBUTTON)(id, cbs[LWPANCB_MOUSEBUTTON].second,
                                                      LWQUAL_SHIFT, 3, 4);
    callback<LWPanMouseFunc>(id, LWPANCB_MOUSEMOVE)(id, cbs[LWPANCB_MOUSEMOVE].second, 0, 5, 6);
    callback<LWPanKeyFunc>(id, LWPANCB_KEYDOWN)(id, cbs[LWPANCB_KEYDOWN].second, 65);
    callback<LWPanKeyFunc>(id, LWPANCB_KEYUP)(id, cbs[LWPANCB_KEYUP].second, 65);
    callback<LWPanHookFunc>(id, LWPANCB_CLOSE)(id, cbs[LWPANCB_CLOSE].second);
    EXPECT_EQ(rec.log, (std::vector<std::string>{"draw 1 self", "open", "activate", "button 2 3,4",
                                                 "move 5,6", "down 65", "up 65", "close"}));

    rec.log.clear();
    vexo::cb_PanDraw<Recorder>(id, nullptr, 0);
    vexo::cb_PanKeyDown<Recorder>(id, nullptr, 1);
    vexo::PanelControlAdaptor<Recorder>::cb_Event(nullptr, nullptr);
    EXPECT_EQ(vexo::PanelControlAdaptor<Recorder>::cb_Count(nullptr), 0);
    EXPECT_STREQ(vexo::PanelControlAdaptor<Recorder>::cb_Name(nullptr, 0), "");
    EXPECT_TRUE(rec.log.empty());
}

TEST_F(PanelTest, ListCallbacksFindTheHandlerThroughTheControlsPanel) {
    Recorder rec("Lists");
    using Adaptor = vexo::PanelControlAdaptor<Recorder>;
    rec.list = rec.listBox("Names", 200, 5, &Adaptor::cb_Name, &Adaptor::cb_Count, &rec.list);
    rec.list.setEvent(&Adaptor::cb_Event, nullptr);
    FakePanels::Control* list = host.panels.findLatest(Kind::List, "Names");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(host.panels.rows(*list), (std::vector<std::string>{"other", "second", "other"}));
    list->event(rec.list.id(), nullptr);
    EXPECT_EQ(rec.log, std::vector<std::string>{"event list"});

    // A list whose panel lost its user data, or a control of no panel, finds no handler.
    host.panels.panels[rec.id()].userData = nullptr;
    EXPECT_EQ(Adaptor::cb_Count(&rec.list), 0);
    vexo::PanelControl stray(reinterpret_cast<LWControlID>(uintptr_t{999}));
    EXPECT_EQ(Adaptor::cb_Count(&stray), 0);
}

TEST_F(PanelTest, ExceptionsInCallbacksAreShownAndStopAtTheShield) {
    Recorder rec("Faults");
    vexo::installPanelCallbacks<Recorder>(rec);
    using Adaptor = vexo::PanelControlAdaptor<Recorder>;
    rec.list = rec.listBox("Names", 200, 5, &Adaptor::cb_Name, &Adaptor::cb_Count, &rec.list);
    rec.fail = true;
    EXPECT_NO_THROW(vexo::cb_PanKeyDown<Recorder>(rec.id(), static_cast<vexo::LWPanel*>(&rec), 1));
    EXPECT_NO_THROW(Adaptor::cb_Event(rec.list.id(), nullptr));
    EXPECT_STREQ(Adaptor::cb_Name(&rec.list, 1), "");
    ASSERT_EQ(host.messages.errors.size(), 3u);
    EXPECT_EQ(host.messages.errors[0],
              "An exception occured in LWPanelCallbacks::panelKeyDown(): / key refused");
    EXPECT_EQ(host.messages.errors[1],
              "An exception occured in LWPanelControlCallBacks::controlEvent(): / event refused");
    EXPECT_EQ(host.messages.errors[2],
              "An exception occured in LWPanelControlCallBacks::controlName(): / name refused");
}

// A 4 x 3 test image, bottom row first, blue-green-red: pixel (x, row) = (10x, 20row, 200).
std::vector<unsigned char> testImage() {
    std::vector<unsigned char> image;
    for (int row = 0; row < 3; ++row)
        for (int x = 0; x < 4; ++x) {
            image.push_back(200);
            image.push_back(static_cast<unsigned char>(20 * row));
            image.push_back(static_cast<unsigned char>(10 * x));
        }
    return image;
}

const char* kLines[] = {"lumavex", "A shading override.", "Copyright the lumavex developers",
                        nullptr};

TEST_F(PanelTest, AboutPanelShowsTheImageCentredAboveTheText) {
    const std::vector<unsigned char> image = testImage();
    vexo::AboutPanel about("About", kLines, image.data(), 4, 3);
    ASSERT_NE(about.id(), nullptr);
    FakePanels::Panel& panel = host.panels.panels[about.id()];
    ASSERT_EQ(panel.controls.size(), 2u);
    const FakePanels::Control& canvas = host.panels.controls[panel.controls[0]];
    const FakePanels::Control& text = host.panels.controls[panel.controls[1]];
    EXPECT_EQ(canvas.kind, Kind::Canvas);
    EXPECT_EQ(canvas.w, 4);
    EXPECT_EQ(canvas.h, 3);
    EXPECT_EQ(text.kind, Kind::Text);
    EXPECT_EQ(text.lines, (std::vector<std::string>{kLines[0], kLines[1], kLines[2]}));
    EXPECT_GT(text.y, canvas.y + canvas.h - 1);
    // Centred over the text, which is the widest control.
    EXPECT_EQ(canvas.x, (host.panels.width(panel) - 4) / 2);

    EXPECT_EQ(about.Open(), LWPAN_CANCELLED);
    EXPECT_EQ(panel.flags & LWPANF_BLOCKING, LWPANF_BLOCKING);
    // Rows bottom first: the top row on screen is stored row 2.
    EXPECT_EQ(panel.image.pixel(canvas.x, canvas.y), lwhost::Rgb(0, 40, 200));
    EXPECT_EQ(panel.image.pixel(canvas.x + 3, canvas.y + 2), lwhost::Rgb(30, 0, 200));
    EXPECT_EQ(panel.image.pixel(canvas.x + 1, canvas.y + 1), lwhost::Rgb(10, 20, 200));

    std::string dir = std::string(::testing::TempDir()) + "lumavex_pictures";
    ::mkdir(dir.c_str(), 0755);
    std::string error;
    EXPECT_TRUE(lwhost::writePng(dir + "/about_fake_panel.png", panel.image, error)) << error;
}

TEST_F(PanelTest, AboutPanelWithoutImageHoldsOnlyTheText) {
    vexo::AboutPanel about("About", kLines);
    FakePanels::Panel& panel = host.panels.panels[about.id()];
    ASSERT_EQ(panel.controls.size(), 1u);
    EXPECT_EQ(host.panels.controls[panel.controls[0]].kind, Kind::Text);
    EXPECT_FALSE(about.canvasControl());
    EXPECT_EQ(about.Open(), LWPAN_CANCELLED);

    // A null line array is an empty text, not a crash.
    vexo::AboutPanel empty("About", nullptr, nullptr, 0, 0);
    EXPECT_TRUE(host.panels.controls[host.panels.panels[empty.id()].controls[0]].lines.empty());
}

}  // namespace
