// The frame's panel binding against the real host in process.
#include <vexo/xpanel.h>
#include "lwhost/ui/xpanel.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "frame_test.h"

namespace {

class Presets : public vexo::PopUpCallback {
  public:
    std::vector<std::string> names = {"Bright", "Dark"};
    int popCount() override { return static_cast<int>(names.size()); }
    const char* popName(int index) override {
        return index >= 0 && index < popCount() ? names[static_cast<size_t>(index)].c_str()
                                                : nullptr;
    }
};

Presets g_presets;

st_LWXPanelControl g_controls[] = {{1, "Enabled", "iBoolean"},   {2, "Name", "string"},
                                   {3, "Fragile", "integer"},    {4, "Go", "vButton"},
                                   {5, "", "dThumbnail"},        {6, "Scene Editing", "vPopCmd"},
                                   {7, "Preset", "sPresetText"}, {0, nullptr, nullptr}};
st_LWXPanelDataDesc g_data[] = {{1, "Enabled", "integer"},
                                {2, "Name", "string"},
                                {3, "Fragile", "integer"},
                                {7, "Preset", "string"},
                                {0, nullptr, nullptr}};

using XI = vexo::XPanelInterface;
using PU = vexo::PopUpCallback;
const char* const g_editing[] = {"Add All Shaders", "Remove All Shaders", nullptr};

class TestHandler : public vexo::XPanelInterface {
  public:
    int enabled = 0;
    std::string name = "abc";
    std::string preset = "none";
    std::vector<std::string> log;
    void* lastPanel = nullptr;

    // The pop-up's provider is the data of its control.
    LWXPanelID build(bool owned) {
        vexo::XPanelHints hints;
        hints.button(4, &XI::LWXPanelBtnClickFunc)
            .draw(5, &XI::LWXPanelControlDrawFunc)
            .strings(6, g_editing)
            .popCommand(6, &vexo::PopCmdCallback<TestHandler>::PopCommand)
            .popUp(7, &PU::PopCount, &PU::PopName);
        LWXPanelID id = CreateViewXPanel(g_controls, g_data, hints.list(), owned);
        if (id) m_panel.setData(7, static_cast<PU*>(&g_presets));
        return id;
    }

    void* DataGet(unsigned id) override {
        if (id == 1) return &enabled;
        if (id == 2) return &name[0];
        return id == 7 ? &preset[0] : nullptr;
    }
    int DataSet(unsigned id, void* value) override {
        if (id == 3) throw std::runtime_error("bad value");
        if (id == 1) enabled = *static_cast<int*>(value) != 0;
        if (id == 2) name = static_cast<char*>(value);
        if (id == 7) preset = static_cast<char*>(value);
        log.push_back("set " + std::to_string(id));
        return 1;
    }
    void ButtonClick(unsigned id) override { log.push_back("button " + std::to_string(id)); }
    void ChangeNotify(void* panel, unsigned c, unsigned v, int event) override {
        lastPanel = panel;
        log.push_back("change " + std::to_string(c) + " " + std::to_string(v) + " " +
                      std::to_string(event));
    }
    void PanelDestroyNotify() override {
        log.push_back("destroy notify");
        XPanelInterface::PanelDestroyNotify();
    }
    void ControlDraw(unsigned id, vexo::XPDrawArea& area) override {
        log.push_back("draw " + std::to_string(id) + " " + std::to_string(area.width()) + "x" +
                      std::to_string(area.height()));
        area.fill(255, 255, 255);
        area.box(2, 2, 3, 3, 0, 0, 255);
        area.point(0, 0, 255, 0, 0);
    }
    void popCommand(int control, int command) {
        log.push_back("popCommand " + std::to_string(control) + " " + std::to_string(command));
    }
};

class PanelBindingTest : public FrameTest {
  protected:
    lwhost::XPanels& panels = host.xpanels();
};

TEST_F(PanelBindingTest, ViewPanelBindsTheHandlerAndOnlyAnOwnedOneHasADestroyNotify) {
    TestHandler h;
    LWXPanelID id = h.build(true);
    ASSERT_NE(id, nullptr);
    EXPECT_EQ(h.panel().id(), id);
    lwhost::XPanel* panel = panels.find(id);
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->hasChangeNotify());
    EXPECT_TRUE(panel->hasDestroyNotify());
    EXPECT_TRUE(panels.errors().empty());

    {
        TestHandler other;
        id = other.build(false);
        EXPECT_TRUE(panels.find(id)->hasChangeNotify());
        EXPECT_FALSE(panels.find(id)->hasDestroyNotify());
    }
    EXPECT_NE(panels.find(id), nullptr) << "a panel not owned is left to the host";
    EXPECT_EQ(panels.calls("destroy"), 0u);
}

TEST_F(PanelBindingTest, UserActionsAndDrawingReachTheHandlerAndItsExceptionsBecomeDialogs) {
    TestHandler h;
    LWXPanelID id = h.build(false);
    lwhost::XPanel& panel = *panels.find(id);
    EXPECT_TRUE(panel.setInt(1, 5));
    EXPECT_EQ(h.enabled, 1) << "booleans are taken as value not 0";
    EXPECT_TRUE(panel.setString(2, "wood*"));
    EXPECT_EQ(h.name, "wood*");
    EXPECT_TRUE(panel.click(4));
    EXPECT_EQ(h.lastPanel, id);
    EXPECT_TRUE(panel.setInt(1, 0, true));
    EXPECT_EQ(h.log,
              (std::vector<std::string>{"set 1", "change 1 1 2", "set 2", "change 2 2 2",
                                        "button 4", "change 4 4 3", "set 1", "change 1 1 1"}));
    // The panel reads the handler's values afresh; a null value shows as none.
    EXPECT_EQ(panel.value(1).i, 0);
    EXPECT_EQ(panel.value(2).s, "wood*");
    EXPECT_FALSE(panel.value(3).present);
    EXPECT_EQ(panel.value(7).s, "none");

    EXPECT_TRUE(panel.setInt(3, 1));  // DataSet throws
    const std::vector<lwhost::Message> shown = host.messages().all();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, lwhost::MessageKind::Error);
    EXPECT_EQ(shown[0].line1, "An exception occured in XPanelInterface::DataSet():");
    EXPECT_EQ(shown[0].line2, "bad value");

    // A drawn control reaches ControlDraw with a draw area of its size.
    h.log.clear();
    const lwhost::Image* image = panel.draw(5, 64, 32);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(h.log, std::vector<std::string>{"draw 5 64x32"});
    EXPECT_EQ(image->pixel(0, 0), lwhost::Rgb(255, 0, 0));
    EXPECT_EQ(image->pixel(1, 1), lwhost::Rgb(255, 255, 255));
    EXPECT_EQ(image->pixel(2, 2), lwhost::Rgb(0, 0, 255));
    EXPECT_EQ(image->pixel(4, 4), lwhost::Rgb(0, 0, 255));
    EXPECT_EQ(image->pixel(5, 5), lwhost::Rgb(255, 255, 255));
}

TEST_F(PanelBindingTest, RebuildDestroysTheOwnedPanelAndAfterTheHostDestroysOneTheHandlerWorks) {
    {
        TestHandler h;
        LWXPanelID first = h.build(true);
        LWXPanelID second = h.build(true);
        EXPECT_NE(first, second);
        EXPECT_EQ(panels.find(first), nullptr) << "the earlier owned panel is not leaked";
        EXPECT_EQ(panels.size(), 1u);
        EXPECT_EQ(h.log, std::vector<std::string>{"destroy notify"});
        EXPECT_EQ(h.panel().id(), second);

        h.enabled = 1;
        EXPECT_TRUE(panels.userClose(second));
        EXPECT_EQ(h.log, (std::vector<std::string>{"destroy notify", "destroy notify"}));
        EXPECT_EQ(h.panel().id(), nullptr);
        EXPECT_FALSE(h.panel().owns());
        EXPECT_EQ(vexo::XPanelInterface::CB_DataGet(&h, 1), &h.enabled);
    }
    EXPECT_EQ(panels.calls("destroy"), 1u) << "none sent for the panel the host destroyed";
    EXPECT_EQ(panels.size(), 0u);
    EXPECT_TRUE(panels.errors().empty());
    EXPECT_FALSE(host.globals().use(LWXPANELFUNCS_GLOBAL).held);
}

TEST_F(PanelBindingTest, PopUpsListTheirProviderAndPopCommandReachesOnlyAStoredHandler) {
    EXPECT_EQ(vexo::PopUpCallback::PopCount(nullptr), 0);
    EXPECT_EQ(vexo::PopUpCallback::PopName(nullptr, 0), nullptr);

    TestHandler h;
    LWXPanelID id = h.build(false);
    lwhost::XPanel& panel = *panels.find(id);
    EXPECT_EQ(panel.popupItems(7), g_presets.names);
    EXPECT_TRUE(panel.choose(7, 1));
    EXPECT_EQ(h.preset, "Dark");
    EXPECT_EQ(panel.popupItems(6),
              (std::vector<std::string>{"Add All Shaders", "Remove All Shaders"}));

    h.log.clear();
    EXPECT_TRUE(panel.chooseCommand(6, 1));
    EXPECT_EQ(h.log, std::vector<std::string>{"change 6 6 3"}) << "nothing stored under 6";
    vexo::PopCmdCallback<TestHandler>::PopCommand(nullptr, 6, 0);
    vexo::PopCmdCallback<TestHandler>::PopCommand(id, 99, 0);

    h.panel().setData(6, &h);
    h.log.clear();
    EXPECT_TRUE(panel.chooseCommand(6, 1));
    EXPECT_EQ(h.log, (std::vector<std::string>{"popCommand 6 1", "change 6 6 3"}));
}

TEST_F(PanelBindingTest, FormPanelWrapperOwnsItsPanelAndItsCopyOwnsNothing) {
    st_LWXPanelControl controls[] = {
        {0x800, "Preset", "sPresetText"}, {0x801, "Type", "iPopChoice"}, {0, nullptr, nullptr}};
    {
        vexo::XPanel form;
        ASSERT_NE(form.create(LWXP_FORM, controls, true), nullptr);
        EXPECT_EQ(form.getInt(0x802, -1), -1) << "no such control";
        vexo::XPanel copy(form);
        EXPECT_EQ(copy.id(), nullptr) << "a copy owns nothing";
    }
    EXPECT_EQ(panels.size(), 0u);
}

TEST_F(PanelBindingTest, MissingGlobalLeavesTheHandlerWithoutAPanel) {
    host.globals().withdraw(LWXPANELFUNCS_GLOBAL);
    {
        TestHandler h;
        EXPECT_EQ(h.build(true), nullptr);
        EXPECT_EQ(h.panel().id(), nullptr);
        EXPECT_EQ(h.Interface(4, nullptr, nullptr), 0);
        EXPECT_EQ(vexo::XPanelInterface::CB_DataGet(nullptr, 1), nullptr);
        EXPECT_EQ(vexo::XPanelInterface::CB_DataSet(nullptr, 1, nullptr), 0);
        vexo::XPanelInterface::LWXPanelBtnClickFunc(nullptr, 4);  // no handler: nothing
        EXPECT_TRUE(h.log.empty());
    }
    EXPECT_EQ(host.globals().use(LWXPANELFUNCS_GLOBAL).releases, 0u);
}

}  // namespace
