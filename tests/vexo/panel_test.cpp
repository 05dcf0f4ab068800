// The classic panel wrappers, their callback trampolines and the About panel, through the real
// host's panel service.
#include <vexo/globals.h>
#include <vexo/panel.h>
#include "lwhost/core/messages.h"
#include "lwhost/ui/panels.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "frame_test.h"

namespace {

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
using Adaptor = vexo::PanelControlAdaptor<Recorder>;

class PanelTest : public FrameTest {
  protected:
    std::unique_ptr<vexo::LWMessage> messages;
    void SetUp() override {
        // The frame's message service is module-wide: point it at this host.
        messages = std::make_unique<vexo::LWMessage>();
    }
    lwhost::ClassicPanel& panel(const vexo::LWPanel& p) {
        return *host.classicPanels().find(p.id());
    }
    void addList(Recorder& rec) {
        rec.list = rec.listBox("Names", 200, 5, &Adaptor::cb_Name, &Adaptor::cb_Count);
        rec.list.setEvent(&Adaptor::cb_Event);
    }
};

TEST_F(PanelTest, ATitledWrapperOwnsItsPanelAViewDoesNotAndAnAboutPanelMayHaveOnlyText) {
    {
        vexo::LWPanel owner("Pick Item");
        ASSERT_NE(owner.id(), nullptr);
        EXPECT_EQ(vexo::LWPanel::wrapperOf(owner.id()), &owner);
        { vexo::LWPanel view(owner.id()); }
        EXPECT_EQ(host.classicPanels().size(), 1u);
    }
    EXPECT_EQ(host.classicPanels().size(), 0u);

    // An About panel without an image holds only the text.
    const char* lines[] = {"lumavex", "A shading override.", nullptr};
    vexo::AboutPanel about("About", lines);
    EXPECT_FALSE(about.canvasControl());
    const std::string text = panel(about).print();
    EXPECT_NE(text.find("closed\n  text \"\"\n    lumavex\n    A shading override.\n"),
              std::string::npos)
        << text;
    // A null line array is an empty text, not a crash.
    vexo::AboutPanel empty("About", nullptr, nullptr, 0, 0);
    EXPECT_TRUE(panel(empty).controls()[0].lines.empty());

    // Without the panel service nothing is created and calls are skipped.
    host.globals().withdraw(LWPANELFUNCS_GLOBAL);
    vexo::LWPanel nothing("Nothing");
    EXPECT_EQ(nothing.id(), nullptr);
    EXPECT_FALSE(nothing.button("Ok"));
    EXPECT_EQ(nothing.open(PANF_BLOCKING), 0);
}

TEST_F(PanelTest, ControlsMoveBelowAndRightOfOthersWithAGap) {
    vexo::LWPanel p("Layout");
    vexo::PanelControl a = p.button("Alpha", 50);
    vexo::PanelControl b = p.button("Beta", 30);
    a.Set(CTL_X, 10);
    a.Set(CTL_Y, 20);
    a.Set(CTL_H, 25);
    b.MoveBelow(a, 4);
    EXPECT_EQ(b.x(), 10);
    EXPECT_EQ(b.y(), 20 + 25 + 4);
    b.MoveRightOf(a, 6);
    EXPECT_EQ(b.x(), 10 + 50 + 6);
    EXPECT_EQ(b.y(), 20);
    EXPECT_EQ(vexo::PanelControl().GetInt(CTL_X), 0);
}

TEST_F(PanelTest, CallbacksReachTheWrapperIgnoreNullUserDataAndStopExceptionsAtTheShield) {
    Recorder rec("Callbacks");
    vexo::installPanelCallbacks<Recorder>(rec);
    addList(rec);
    lwhost::ClassicPanel& p = panel(rec);
    p.redraw(DR_GHOST);
    p.mouseButton(IQ_SHIFT, 3, 4);
    p.keyDown(65);
    vexo::cb_PanMouseMove<Recorder>(rec.id(), static_cast<vexo::LWPanel*>(&rec), 0, 5, 6);
    vexo::cb_PanKeyUp<Recorder>(rec.id(), static_cast<vexo::LWPanel*>(&rec), 65);
    const lwhost::ClassicControl& list =
        *p.findControl(lwhost::ClassicControl::Kind::List, "Names");
    EXPECT_EQ(p.rows(list), (std::vector<std::string>{"other", "second", "other"}));
    ASSERT_TRUE(p.clickRow("Names", 1, 0)) << p.lastError();
    EXPECT_EQ(rec.list.label(), "Names");
    EXPECT_EQ(rec.log, (std::vector<std::string>{"draw 2 self", "button 2 3,4", "down 65",
                                                 "move 5,6", "up 65", "event list"}));

    rec.fail = true;
    p.keyDown(1);
    p.rows(list);
    p.clickRow("Names", 0, 0);
    std::vector<std::string> errors;
    for (const lwhost::Message& m : host.messages().all())
        if (m.kind == lwhost::MessageKind::Error) errors.push_back(m.line1 + " / " + m.line2);
    EXPECT_EQ(errors,
              (std::vector<std::string>{
                  "An exception occured in LWPanelCallbacks::panelKeyDown(): / key refused",
                  "An exception occured in LWPanelControlCallBacks::controlName(): / name refused",
                  "An exception occured in LWPanelControlCallBacks::controlEvent(): / event "
                  "refused"}));

    rec.log.clear();
    vexo::cb_PanDraw<Recorder>(rec.id(), nullptr, DR_RENDER);
    vexo::cb_PanKeyDown<Recorder>(rec.id(), nullptr, 1);
    Adaptor::cb_Event(nullptr, nullptr);
    EXPECT_STREQ(Adaptor::cb_Name(nullptr, 0), "");
    // A list whose panel lost its user data, or a control of a destroyed panel, finds no
    // handler.
    p.set(PAN_USERDATA, nullptr);
    EXPECT_EQ(Adaptor::cb_Count(rec.list.id()), 0);
    LWControlID stale = nullptr;
    {
        Recorder gone("Gone");
        addList(gone);
        stale = gone.list.id();
    }
    EXPECT_EQ(Adaptor::cb_Count(stale), 0);
    EXPECT_TRUE(rec.log.empty());
}

}  // namespace
