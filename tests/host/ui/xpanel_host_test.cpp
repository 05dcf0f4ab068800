// The host's panels driven as a user would, with a small fake plug-in made of C callbacks.
#include <gtest/gtest.h>
#include <lwsdk/lwxpanel.h>

#include <map>
#include <string>
#include <vector>
#include "host_services.h"

namespace {

// The plug-in side: values by ID and a record of every callback.
struct FakePlugin {
    std::map<unsigned, int> ints;
    std::map<unsigned, double> floats;
    std::map<unsigned, std::string> strings;
    std::map<unsigned, std::vector<double>> vectors;
    std::map<unsigned, void*> raw;  // envelope controls: the parameter ID
    std::vector<std::string> log;
    unsigned gets = 0;
    int setResult = LWXPRC_NONE;
    const st_LWXPanelFuncs* funcs = nullptr;
    LWXPanelID destroyFromButton = nullptr;

    static inline FakePlugin* current = nullptr;
    FakePlugin() { current = this; }
    ~FakePlugin() { current = nullptr; }

    static void* get(void*, unsigned vid) {
        FakePlugin& f = *current;
        ++f.gets;
        if (f.ints.count(vid)) return &f.ints[vid];
        if (f.floats.count(vid)) return &f.floats[vid];
        if (f.vectors.count(vid)) return f.vectors[vid].data();
        if (f.strings.count(vid)) return &f.strings[vid][0];
        if (f.raw.count(vid)) return f.raw[vid];
        return nullptr;
    }
    static int set(void*, unsigned vid, void* value) {
        FakePlugin& f = *current;
        if (f.ints.count(vid)) f.ints[vid] = *static_cast<int*>(value);
        if (f.floats.count(vid)) f.floats[vid] = *static_cast<double*>(value);
        if (f.strings.count(vid)) f.strings[vid] = static_cast<char*>(value);
        if (f.vectors.count(vid)) {
            const double* v = static_cast<double*>(value);
            f.vectors[vid].assign(v, v + 3);
        }
        f.log.push_back("set " + std::to_string(vid));
        return f.setResult;
    }
    static void change(LWXPanelID, unsigned cid, unsigned vid, int event) {
        current->log.push_back("change " + std::to_string(cid) + " " + std::to_string(vid) + " " +
                               std::to_string(event));
    }
    static void button(LWXPanelID panel, unsigned cid) {
        current->log.push_back("button " + std::to_string(cid));
        if (current->destroyFromButton == panel) current->funcs->destroy(panel);
    }
    static void destroyed(void* data) {
        current->log.push_back(std::string("destroyed ") + static_cast<const char*>(data));
    }
    static void command(LWXPanelID, int cid, int cmd) {
        current->log.push_back("command " + std::to_string(cid) + " " + std::to_string(cmd));
    }
    static int popCount(void* data) {
        return static_cast<int>(static_cast<std::vector<std::string>*>(data)->size());
    }
    static const char* popName(void* data, int i) {
        auto& items = *static_cast<std::vector<std::string>*>(data);
        return i < static_cast<int>(items.size()) ? items[i].c_str() : nullptr;
    }
    static void drawLogo(LWXPanelID, unsigned, LWXPDrawRegion region, int w, int h) {
        const st_LWXPDrawFuncs* d = current->funcs->drawf;
        d->drawRGBBox(region, 255, 255, 255, 0, 0, w, h);
        d->drawRGBBox(region, 255, 0, 0, 10, 10, 4, 3);
        d->drawRGBPixel(region, 0, 0, 300, w - 1, h - 1);      // blue clamped to 255
        d->drawRGBBox(region, 0, 255, 0, -5, -1, 1 << 30, 2);  // clipped, not overflowing
    }
};

// Hint list entries: an integer, a function, a text.
const auto I = [](uintptr_t v) { return reinterpret_cast<void*>(v); };
const auto Fn = [](auto* f) { return reinterpret_cast<void*>(f); };
const auto T = [](const char* s) { return static_cast<void*>(const_cast<char*>(s)); };

class XPanelHostTest : public ::testing::Test {
  protected:
    HostServices services;
    lwhost::Host& host = services.host;
    lwhost::XPanels& panels = host.xpanels();
    const st_LWXPanelFuncs* xp = static_cast<const st_LWXPanelFuncs*>(
        host.globals().request(LWXPANELFUNCS_GLOBAL, LWGLOBAL_READ));
    FakePlugin plugin;

    void SetUp() override { plugin.funcs = xp; }

    // A view of the plug-in's values telling it of changes, with `hints` applied.
    lwhost::XPanel& view(const st_LWXPanelControl* controls, void** hints = nullptr,
                         const st_LWXPanelDataDesc* data = nullptr) {
        LWXPanelID id = xp->create(LWXP_VIEW, controls);
        xp->describe(id, data, &FakePlugin::get, &FakePlugin::set);
        xp->viewInst(id, &plugin);
        void* notify[] = {I(LWXPT_CHANGE_NOTIFY), Fn(&FakePlugin::change), nullptr};
        xp->hint(id, 0, notify);
        if (hints) xp->hint(id, 0, hints);
        return *panels.find(id);
    }
};

// A panel laid out like the master's: groups, order, dividers, buttons, a command pop-up.
// clang-format off
const st_LWXPanelControl kMaster[] = {
    {0x806, "", "dThumbnail"}, {0x805, "Presets", "vPopCmd"},
    {0x801, "Global Shading Enabled", "iBoolean"}, {0x800, "Nodal Graph...", "vButton"},
    {0x803, "Disable Surface Nodes", "iBoolean"}, {0x809, "Use Global Light Group", "iBoolean"},
    {0x808, "Edit Global Light Group...", "vButton"}, {0x802, "Scene Editing", "vPopCmd"},
    {0x807, "About...", "vButton"}, {0, nullptr, nullptr}};
const st_LWXPanelDataDesc kMasterData[] = {
    {0x805, "Presets", "integer"}, {0x801, "Enabled", "integer"}, {0x803, "Disable", "integer"},
    {0x809, "UseGroup", "integer"}, {0, nullptr, nullptr}};
// clang-format on

TEST_F(XPanelHostTest, PublishesTheRecordAndLaysOutGroupsOrderAndDividers) {
    plugin.ints = {{0x801, 1}, {0x803, 0}, {0x809, 1}};
    // clang-format off
    void* hints[] = {
        I(LWXPT_TITLE), T("qorvan lumavex"),
        I(LWXPT_GROUP), I(0x80b), nullptr, I(0x801), I(0x800), I(0x803), nullptr,
        I(LWXPT_GROUP), I(0x80a), T("Light"), I(0x809), I(0x808), nullptr,
        I(LWXPT_ORDER), I(0x806), I(0x805), I(0x80b), I(0x80a), I(0x802), I(0x807), nullptr,
        I(LWXPT_DIVIDER), I(0x805), I(LWXPT_DIVIDER), I(0x80b), I(LWXPT_DIVIDER), I(0x80a),
        I(LWXPT_STRING_LIST), I(0x802), T("Add All Shaders"), T("Remove All Shaders"), nullptr,
        I(LWXPT_END)};
    // clang-format on
    lwhost::XPanel& panel = view(kMaster, hints, kMasterData);
    EXPECT_EQ(panel.print(),
              "panel 1 \"qorvan lumavex\" view closed\n"
              "0x806 \"\" dThumbnail\n"
              "0x805 \"Presets\" vPopCmd\n"
              "----\n"
              "group 0x80b \"\"\n"
              "  0x801 \"Global Shading Enabled\" iBoolean = on\n"
              "  0x800 \"Nodal Graph...\" vButton\n"
              "  0x803 \"Disable Surface Nodes\" iBoolean = off\n"
              "----\n"
              "group 0x80a \"Light\"\n"
              "  0x809 \"Use Global Light Group\" iBoolean = on\n"
              "  0x808 \"Edit Global Light Group...\" vButton\n"
              "----\n"
              "0x802 \"Scene Editing\" vPopCmd\n"
              "0x807 \"About...\" vButton\n");
    EXPECT_TRUE(panels.errors().empty());
}

TEST_F(XPanelHostTest, ItemsTheOrderLeavesOutFollowInControlOrderAndDeletedOnesVanish) {
    const st_LWXPanelControl controls[] = {{1, "a", "iBoolean"}, {2, "b", "iBoolean"},
                                           {3, "c", "vButton"},  {4, "d", "vButton"},
                                           {5, "e", "string"},   {0, nullptr, nullptr}};
    void* hints[] = {I(LWXPT_GROUP), I(100),          nullptr,        I(4),
                     I(2),           nullptr,         I(LWXPT_ORDER), I(5),
                     nullptr,        I(LWXPT_DELETE), I(3),           nullptr};
    lwhost::XPanel* panel = &view(controls, hints);
    // 5 first as ordered; then 1; the group where its first control (2) stands, members in
    // the group's order.
    EXPECT_EQ(panel->layoutOrder(), (std::vector<unsigned>{5, 1, 4, 2}));
    EXPECT_EQ(panel->control(3), nullptr);
}

TEST_F(XPanelHostTest, ValuesTravelAsTypedPointersWithChangeEventsAndRefreshes) {
    const st_LWXPanelControl controls[] = {
        {1, "On", "iBoolean"}, {2, "Amount", "float"}, {3, "Tint", "color"}, {4, "Name", "string"},
        {5, "Go", "vButton"},  {6, "Shown", "string"}, {0, nullptr, nullptr}};
    plugin.ints[1] = 0;
    plugin.floats[2] = 0.25;
    plugin.vectors[3] = {0.1, 0.2, 0.3};
    plugin.strings[4] = "abc";
    plugin.strings[6] = "x";
    // clang-format off
    void* hints[] = {I(LWXPT_BUTTON_NOTIFY), I(5), Fn(&FakePlugin::button),
                     I(LWXPT_REFRESH_ON), I(4), I(6), nullptr, nullptr};
    // clang-format on
    lwhost::XPanel& panel = view(controls, hints);

    EXPECT_EQ(panel.value(2).text(), "0.25");
    EXPECT_EQ(panel.value(3).text(), "(0.1, 0.2, 0.3)");
    EXPECT_EQ(panel.value(4).text(), "\"abc\"");
    EXPECT_FALSE(panel.value(5).present);

    EXPECT_TRUE(panel.setFloat(2, 0.5, true));  // dragging, then the final change
    EXPECT_TRUE(panel.setInt(2, 1));            // an integer is taken as a number
    EXPECT_EQ(plugin.log,
              (std::vector<std::string>{"set 2", "change 2 2 1", "set 2", "change 2 2 2"}));
    EXPECT_TRUE(panel.setVector(3, 1, 0, 0.5));
    EXPECT_TRUE(panel.setInt(1, 1));
    EXPECT_DOUBLE_EQ(plugin.floats[2], 1.0);
    EXPECT_EQ(plugin.vectors[3], (std::vector<double>{1, 0, 0.5}));
    EXPECT_EQ(plugin.ints[1], 1);

    plugin.log.clear();
    const unsigned getsBefore = plugin.gets;
    EXPECT_TRUE(panel.setString(4, "new name"));
    EXPECT_EQ(plugin.strings[4], "new name");
    EXPECT_EQ(plugin.gets - getsBefore, 1u) << "the control tied to 4 is read again";
    EXPECT_TRUE(panel.click(5));
    EXPECT_EQ(plugin.log,
              (std::vector<std::string>{"set 4", "change 4 4 2", "button 5", "change 5 5 3"}));

    EXPECT_FALSE(panel.setString(2, "text"));
    EXPECT_NE(panel.lastError().find("takes float"), std::string::npos);
    EXPECT_FALSE(panel.click(1));
    EXPECT_FALSE(panel.setInt(5, 1));

    plugin.setResult = LWXPRC_REFRESH;
    const unsigned refreshes = panel.refreshCount();
    EXPECT_TRUE(panel.setInt(1, 0));
    EXPECT_EQ(panel.refreshCount(), refreshes + 1);
}

// The filter node's rules: pass through disables most controls; "Filter" needs a filter type;
// "Include Children" only for item filters, with its own message.
TEST_F(XPanelHostTest, EnableRulesGiveTheFirstDisablingRulesMessage) {
    const st_LWXPanelControl controls[] = {
        {0x9001, "Pass Through", "iBoolean"}, {0x9000, "Filter by", "iPopChoice"},
        {0x9004, "Filter", "string"},         {0x9005, "Include Children", "iBoolean"},
        {0x9006, "Pick...", "vButton"},       {0, nullptr, nullptr}};
    plugin.ints = {{0x9001, 0}, {0x9000, 0}, {0x9005, 0}};
    plugin.strings[0x9004] = "";
    const char* pass = "This node is set to pass through";
    // clang-format off
    void* hints[] = {
        I(LWXPT_STRING_LIST), I(0x9000), T("none"), T("Surface"), T("Item"), T("Comment"), nullptr,
        I(LWXPT_GROUP), I(0x90a0), nullptr, I(0x9004), I(0x9006), nullptr,
        I(LWXPT_DISABLE_NONZERO), I(0x9001), T(pass), I(0x9000), I(0x90a0), I(0x9005), nullptr,
        I(LWXPT_ENABLE_NONZERO), I(0x9000), nullptr, I(0x90a0), nullptr,
        I(LWXPT_ENABLE_IN), I(0x9000), nullptr, I(2), I(1), I(2), I(0x9006), nullptr,
        I(LWXPT_ENABLE_IN), I(0x9000), T("Only available if you filter by Item"), I(1), I(2),
            I(0x9005), nullptr,
        nullptr};
    // clang-format on
    lwhost::XPanel& panel = view(controls, hints);

    EXPECT_FALSE(panel.enabled(0x9004).enabled);
    EXPECT_EQ(panel.enabled(0x9004).message, "");
    EXPECT_EQ(panel.enabled(0x9005).message, "Only available if you filter by Item");
    EXPECT_FALSE(panel.setString(0x9004, "*"));
    EXPECT_TRUE(panel.choose(0x9000, 3));  // "Comment": text yes, picker no
    EXPECT_EQ(plugin.ints[0x9000], 3);
    EXPECT_TRUE(panel.enabled(0x9004).enabled);
    EXPECT_FALSE(panel.enabled(0x9006).enabled);
    EXPECT_TRUE(panel.choose(0x9000, 2));
    EXPECT_TRUE(panel.enabled(0x9006).enabled);
    EXPECT_TRUE(panel.enabled(0x9005).enabled);

    // Pass through disables everything but itself, each with its message.
    EXPECT_TRUE(panel.setInt(0x9001, 1));
    EXPECT_FALSE(panel.click(0x9006));
    EXPECT_EQ(panel.lastError(), "control 0x9006 is disabled: " + std::string(pass));
    const std::string off = " [disabled: " + std::string(pass) + "]\n";
    EXPECT_EQ(panel.print(),
              "panel 1 \"\" view closed\n"
              "0x9001 \"Pass Through\" iBoolean = on\n"
              "0x9000 \"Filter by\" iPopChoice = 2 \"Item\"" +
                  off + "group 0x90a0 \"\"\n  0x9004 \"Filter\" string = \"\"" + off +
                  "  0x9006 \"Pick...\" vButton" + off +
                  "0x9005 \"Include Children\" iBoolean = off" + off);
}

TEST_F(XPanelHostTest, ShowRulesHideControlsAndWholeGroups) {
    const st_LWXPanelControl controls[] = {{1, "Kind", "iPopChoice"},
                                           {2, "Text", "string"},
                                           {3, "Map", "iPopChoice"},
                                           {4, "Level", "float"},
                                           {0, nullptr, nullptr}};
    plugin.ints = {{1, 0}, {3, 0}};
    plugin.strings[2] = "";
    plugin.floats[4] = 0;
    // clang-format off
    void* hints[] = {
        I(LWXPT_GROUP), I(10), nullptr, I(2), nullptr,
        I(LWXPT_GROUP), I(11), nullptr, I(3), I(4), nullptr,
        I(LWXPT_DIVIDER), I(11),
        I(LWXPT_SHOW_IN), I(1), I(2), I(1), I(8), I(10), nullptr,
        I(LWXPT_SHOW_IN), I(1), I(1), I(7), I(11), nullptr,
        nullptr};
    // clang-format on
    lwhost::XPanel& panel = view(controls, hints);
    EXPECT_EQ(panel.layoutOrder(), std::vector<unsigned>{1});
    EXPECT_FALSE(panel.setFloat(4, 1));
    EXPECT_NE(panel.lastError().find("hidden"), std::string::npos);
    plugin.ints[1] = 7;
    EXPECT_EQ(panel.layoutOrder(), (std::vector<unsigned>{1, 3, 4}));
    std::vector<lwhost::LayoutEntry> entries = panel.layout();
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries.back().kind, lwhost::LayoutEntry::Kind::Divider);
    plugin.ints[1] = 8;
    EXPECT_EQ(panel.layoutOrder(), (std::vector<unsigned>{1, 2}));
}

TEST_F(XPanelHostTest, PopUpsListFixedOrAskedItemsAndCommandsReachTheirFunction) {
    const st_LWXPanelControl controls[] = {{1, "Preset", "sPresetText"},
                                           {2, "Scene Editing", "vPopCmd"},
                                           {3, "Map", "iPopChoice"},
                                           {0, nullptr, nullptr}};
    plugin.strings[1] = "none";
    plugin.ints[3] = 0;
    std::vector<std::string> presets = {"Bright", "Dark"};
    std::vector<std::string> maps = {"(none)", "Weight"};
    lwhost::XPanel& panel = view(controls);
    xp->setData(panel.id(), 3, &maps);
    // clang-format off
    void* hints[] = {
        I(LWXPT_POPUP_FUNCS), I(1), Fn(&FakePlugin::popCount), Fn(&FakePlugin::popName), &presets,
        I(LWXPT_POPUP_FUNCS), I(3), Fn(&FakePlugin::popCount), Fn(&FakePlugin::popName), nullptr,
        I(LWXPT_STRING_LIST), I(2), T("Add All Shaders"), T("Remove All Shaders"), nullptr,
        I(LWXPT_POPCMD_FUNC), I(2), Fn(&FakePlugin::command),
        nullptr};
    // clang-format on
    xp->hint(panel.id(), 0, hints);

    EXPECT_EQ(panel.popupItems(1), presets);
    EXPECT_EQ(panel.popupItems(3), maps) << "null pop-up data: the control's own data";
    presets.push_back("Third");
    EXPECT_EQ(panel.popupItems(1).size(), 3u) << "items are asked afresh";
    EXPECT_TRUE(panel.choose(1, 2));
    EXPECT_EQ(plugin.strings[1], "Third");
    EXPECT_TRUE(panel.choose(3, 1));
    EXPECT_EQ(plugin.ints[3], 1);
    EXPECT_NE(panel.print().find("0x3 \"Map\" iPopChoice = 1 \"Weight\""), std::string::npos);

    plugin.log.clear();
    EXPECT_TRUE(panel.choose(2, 1));
    EXPECT_FALSE(panel.chooseCommand(2, 2));
    EXPECT_FALSE(panel.choose(3, 5));
    EXPECT_EQ(plugin.log, (std::vector<std::string>{"command 2 1", "change 2 2 3"}));
}

TEST_F(XPanelHostTest, UnknownTagStopsTheListWithoutHarmAndIsRecorded) {
    const st_LWXPanelControl controls[] = {{1, "One", "vButton"}, {0, nullptr, nullptr}};
    void* hints[] = {
        I(LWXPT_LABEL), I(1),           T("First"), I(0x12345678), I(1),
        T("junk"),      I(LWXPT_LABEL), I(1),       T("Never")};  // no end: must not be read
    lwhost::XPanel& panel = view(controls, hints);
    const LWXPanelID id = panel.id();
    EXPECT_EQ(panel.control(1)->label, "First");
    ASSERT_EQ(panels.errors().size(), 1u);
    EXPECT_NE(panels.errors()[0].find("unknown tag 0x12345678"), std::string::npos);

    panels.clearErrors();
    void* tooMany[] = {I(LWXPT_ENABLE_IN),     I(1),           nullptr,
                       I(LWXP_MAX_VALUES + 1), I(LWXPT_TITLE), T("Never")};
    xp->hint(id, 0, tooMany);
    EXPECT_EQ(panel.title(), "");
    EXPECT_EQ(panels.errors().size(), 1u);

    panels.clearErrors();
    void* unknownControl[] = {I(LWXPT_LABEL), I(99), T("x"), I(LWXPT_TITLE), T("Kept"), nullptr};
    xp->hint(id, 0, unknownControl);
    EXPECT_EQ(panel.title(), "Kept") << "an unknown control is reported, the list goes on";
    EXPECT_EQ(panels.errors().size(), 1u);

    // A list applied to one control: a control argument of 0 stands for it.
    void* forControl[] = {I(LWXPT_LABEL), nullptr, T("Own"), nullptr};
    xp->hint(id, 1, forControl);
    EXPECT_EQ(panel.control(1)->label, "Own");
}

TEST_F(XPanelHostTest, DestroyNotifiesOnceAndSurvivesDestructionFromACallback) {
    const st_LWXPanelControl controls[] = {{1, "Close", "vButton"}, {0, nullptr, nullptr}};
    void* hints[] = {I(LWXPT_DESTROY_NOTIFY), Fn(&FakePlugin::destroyed),
                     I(LWXPT_BUTTON_NOTIFY),  I(1),
                     Fn(&FakePlugin::button), nullptr};
    lwhost::XPanel* panel = &view(controls, hints);
    const LWXPanelID id = panel->id();
    char name[] = "panel data";
    xp->setData(id, 0, name);
    panel->open();

    // A user closing a panel closes then destroys it; the one before becomes the latest.
    const LWXPanelID second = view(controls, hints).id();
    char secondName[] = "second";
    xp->setData(second, 0, secondName);
    EXPECT_EQ(xp->open(second), 1);
    EXPECT_TRUE(panels.find(second)->isOpen());
    EXPECT_TRUE(panels.userClose(second));
    EXPECT_EQ(plugin.log.back(), "destroyed second");
    EXPECT_EQ(panels.latest(), panel);
    EXPECT_FALSE(panels.userClose(second));

    plugin.destroyFromButton = id;
    plugin.log.clear();
    EXPECT_TRUE(panel->click(1));
    EXPECT_EQ(plugin.log, (std::vector<std::string>{"button 1", "destroyed panel data"}))
        << "no change notification for a panel destroyed by its button";
    EXPECT_EQ(panels.find(id), nullptr);
    EXPECT_EQ(panels.latest(), nullptr);

    // Every entry with the dead ID is refused and recorded, not followed.
    xp->destroy(id);
    xp->setData(id, 0, nullptr);
    EXPECT_EQ(xp->getData(id, 0), nullptr);
    xp->viewRefresh(id);
    EXPECT_EQ(panels.errors().size(), 4u);
    EXPECT_EQ(panels.calls("destroy"), 2u);
}

TEST_F(XPanelHostTest, FormPanelsKeepValuesInTheHostAndPostRunsTheModalDriver) {
    const st_LWXPanelControl controls[] = {
        {0x800, "Preset", "sPresetText"}, {0x801, "Type", "iPopChoice"}, {0, nullptr, nullptr}};
    const st_LWXPanelDataDesc data[] = {
        {0x800, "Preset", "string"}, {0x801, "Type", "integer"}, {0, nullptr, nullptr}};
    LWXPanelID id = xp->create(LWXP_FORM, controls);
    xp->describe(id, data, nullptr, nullptr);
    EXPECT_EQ(xp->getValue(id, 0x800), nullptr);
    char none[] = "none";
    int one = 1;
    xp->setValue(id, 0x800, none);
    xp->setValue(id, 0x801, &one);
    EXPECT_STREQ(static_cast<const char*>(xp->getValue(id, 0x800)), "none");
    EXPECT_EQ(*static_cast<int*>(xp->getValue(id, 0x801)), 1);

    EXPECT_EQ(xp->post(id), 0) << "without a driver a posted form is cancelled";
    // Values the driver gives are the dialogs' tests'.
    panels.setModalDriver([](lwhost::XPanel& form) { return form.isOpen() ? 1 : 0; });
    EXPECT_EQ(xp->post(id), 1);
    EXPECT_FALSE(panels.find(id)->isOpen());
    EXPECT_EQ(xp->create(7, controls), nullptr);
}

TEST_F(XPanelHostTest, DrawnControlsDrawIntoTheImageTheHostKeeps) {
    const st_LWXPanelControl controls[] = {{0x806, "", "dThumbnail"}, {0, nullptr, nullptr}};
    void* hints[] = {I(LWXPT_DRAW_FUNC), I(0x806), Fn(&FakePlugin::drawLogo), nullptr};
    lwhost::XPanel& panel = view(controls, hints);
    EXPECT_EQ(panel.image(0x806), nullptr);

    const lwhost::Image* image = panel.draw(0x806);
    ASSERT_NE(image, nullptr);
    const auto size = lwhost::XPanel::defaultDrawSize("dThumbnail");
    EXPECT_EQ(image->width(), size.first);
    EXPECT_EQ(image->height(), size.second);
    EXPECT_EQ(image->pixel(5, 5), lwhost::Rgb(255, 255, 255));
    EXPECT_EQ(image->pixel(10, 10), lwhost::Rgb(255, 0, 0));
    EXPECT_EQ(image->pixel(13, 12), lwhost::Rgb(255, 0, 0));
    EXPECT_EQ(image->pixel(14, 12), lwhost::Rgb(255, 255, 255));
    EXPECT_EQ(image->pixel(size.first - 1, size.second - 1), lwhost::Rgb(0, 0, 255));
    EXPECT_EQ(image->pixel(100, 0), lwhost::Rgb(0, 255, 0));

    // A region handle kept after its draw function returned draws nothing.
    xp->drawf->drawRGBBox(const_cast<lwhost::Image*>(image), 0, 0, 0, 0, 0, 5, 5);
    EXPECT_EQ(panels.errors().size(), 1u);
}

TEST_F(XPanelHostTest, EnvelopeControlsShowAndTakeValuesThroughTheEnvelopeAccess) {
    const st_LWXPanelControl controls[] = {
        {1, "Threshold", "percent-env"}, {2, "Tint", "color-env"}, {0, nullptr, nullptr}};
    double parm1[3] = {0.5, 0, 0};
    double parm2[3] = {1, 0.5, 0};
    plugin.raw[1] = parm1;
    plugin.raw[2] = parm2;
    lwhost::XPanel& panel = view(controls);
    EXPECT_EQ(panel.value(1).text(), "(envelope)");
    EXPECT_FALSE(panel.setFloat(1, 0.25));

    lwhost::XPanels::EnvelopeAccess access;
    access.read = [](void* parm, double out[3]) {
        for (int k = 0; k < 3; ++k) out[k] = static_cast<double*>(parm)[k];
        return true;
    };
    access.write = [](void* parm, const double in[3]) {
        for (int k = 0; k < 3; ++k) static_cast<double*>(parm)[k] = in[k];
        return true;
    };
    panels.setEnvelopeAccess(access);
    EXPECT_EQ(panel.value(1).text(), "0.5 (envelope)");
    EXPECT_EQ(panel.value(2).text(), "(1, 0.5, 0) (envelope)");
    plugin.log.clear();
    EXPECT_TRUE(panel.setFloat(1, 0.25));
    EXPECT_DOUBLE_EQ(parm1[0], 0.25);
    EXPECT_EQ(plugin.log, std::vector<std::string>{"change 1 1 2"}) << "set is not called";
}

TEST(ImageTest, ClipsEverythingAndClampsColours) {
    lwhost::Image image(4, 3, lwhost::Rgb(1, 2, 3));
    image.fillRect(-100, 1, 1000, 1, lwhost::Rgb::clamped(-5, 300, 7));
    EXPECT_EQ(image.pixel(3, 1), lwhost::Rgb(0, 255, 7));
    EXPECT_EQ(image.pixel(3, 2), lwhost::Rgb(1, 2, 3));
    EXPECT_EQ(image.pixel(4, 0), lwhost::Rgb()) << "outside reads black";
    image.drawText(2147483000, 2147483000, "far away", lwhost::Rgb());
    image.drawText(-2147483000, 0, "far away", lwhost::Rgb());
    EXPECT_EQ(lwhost::Image(-1, 5).width(), 0);
    EXPECT_EQ(lwhost::Image(1 << 20, 1).width(), lwhost::Image::kMaxSide);
}

}  // namespace
