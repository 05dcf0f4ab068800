// The host's panels driven as a user would, with a small fake plug-in made of C callbacks.
#include <gtest/gtest.h>
#include <lwsdk/lwxpanel.h>

#include <cstdint>
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
    LWXPRefreshCode setResult = LWXPRC_NONE;
    const st_LWXPanelFuncs* funcs = nullptr;
    LWXPanelID destroyFromButton = nullptr;

    static inline FakePlugin* current = nullptr;
    FakePlugin() { current = this; }
    ~FakePlugin() { current = nullptr; }

    static void* get(void*, unsigned long vid) {
        FakePlugin& f = *current;
        ++f.gets;
        if (f.ints.count(vid)) return &f.ints[vid];
        if (f.floats.count(vid)) return &f.floats[vid];
        if (f.vectors.count(vid)) return f.vectors[vid].data();
        if (f.strings.count(vid)) return &f.strings[vid][0];
        if (f.raw.count(vid)) return f.raw[vid];
        return nullptr;
    }
    static LWXPRefreshCode set(void*, unsigned long vid, void* value) {
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
    static LWXPRefreshCode change(LWXPanelID, unsigned long cid, unsigned long vid, int event) {
        current->log.push_back("change " + std::to_string(cid) + " " + std::to_string(vid) + " " +
                               std::to_string(event));
        return LWXPRC_NONE;
    }
    static void button(LWXPanelID panel, int cid) {
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
        return data ? static_cast<int>(static_cast<std::vector<std::string>*>(data)->size()) : 0;
    }
    static const char* popName(void* data, int i) {
        if (!data) return nullptr;
        auto& items = *static_cast<std::vector<std::string>*>(data);
        return i < static_cast<int>(items.size()) ? items[i].c_str() : nullptr;
    }
    static void drawLogo(LWXPanelID, unsigned long, LWXPDrAreaID region, int w, int h) {
        const st_LWXPDrawFuncs* d = current->funcs->drawf;
        d->drawRGBBox(region, 255, 255, 255, 0, 0, w, h);
        d->drawRGBBox(region, 255, 0, 0, 10, 10, 4, 3);
        d->drawRGBPixel(region, 0, 0, 300, w - 1, h - 1);      // blue clamped to 255
        d->drawRGBBox(region, 0, 255, 0, -5, -1, 1 << 30, 2);  // clipped, not overflowing
    }
    static void drawPalette(LWXPanelID, unsigned long, LWXPDrAreaID region, int w, int h) {
        const st_LWXPDrawFuncs* d = current->funcs->drawf;
        d->drawBox(region, LWXPCOL_WHITE, 0, 0, w, h);
        d->drawLine(region, LWXPCOL_BLACK, 0, 0, 9, 3);
        // Lines far beyond the area cost no more than their visible part.
        d->drawLine(region, LWXPCOL_BLACK, 20, -2000000000, 20, 2000000000);
        d->drawLine(region, LWXPCOL_BLACK, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
        d->drawPixel(region, LWXPCOL_HILIGHT, 5, 30);
        d->drawBorder(region, 1, 40, 40, 10, 10);  // sunken
    }
};

// Hint list entries: an integer, a function, a text.
const auto I = [](uintptr_t v) { return reinterpret_cast<void*>(v); };
const auto Fn = [](auto* f) { return reinterpret_cast<void*>(f); };
const auto T = [](const char* s) { return static_cast<void*>(const_cast<char*>(s)); };
// An array the host only reads: a map or a string list.
const auto A = [](const void* p) { return const_cast<void*>(p); };

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
        // The host only reads the lists.
        LWXPanelID id = xp->create(LWXP_VIEW, const_cast<st_LWXPanelControl*>(controls));
        xp->describe(id, const_cast<st_LWXPanelDataDesc*>(data), &FakePlugin::get,
                     &FakePlugin::set);
        xp->viewInst(id, &plugin);
        void* notify[] = {I(XPTAG_CHGNOTIFY), Fn(&FakePlugin::change), nullptr};
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
const char* const kEditing[] = {"Add All Shaders", "Remove All Shaders", nullptr};
// clang-format on

TEST_F(XPanelHostTest, PublishesTheRecordAndLaysOutGroupsOrderAndDividers) {
    plugin.ints = {{0x801, 1}, {0x803, 0}, {0x809, 1}};
    // clang-format off
    void* hints[] = {
        I(XPTAG_LABEL), I(0), T("qorvan lumavex"), I(0),
        I(XPTAG_GROUP), I(0x80b), I(0x801), I(0x800), I(0x803), nullptr,
        I(XPTAG_GROUP), I(0x80a), I(0x809), I(0x808), nullptr,
        I(XPTAG_LABEL), I(0x80a), T("Light"), I(0),
        I(XPTAG_ORDER), I(0), I(0x806), I(0x805), I(0x80b), I(0x80a), I(0x802), I(0x807), nullptr,
        I(XPTAG_DIVADD), I(0), I(0x805), I(0x80b), I(0x80a), nullptr,
        I(XPTAG_STRLIST), I(0x802), A(kEditing), I(0),
        I(XPTAG_END)};
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
    void* hints[] = {I(XPTAG_GROUP), I(100),          I(4), I(2),
                     nullptr,        I(XPTAG_ORDER),  I(0), I(5),
                     nullptr,        I(XPTAG_DELETE), I(3), nullptr};
    lwhost::XPanel* panel = &view(controls, hints);
    // 5 first as ordered; then 1; the group where its first control (2) stands, members in
    // the group's order.
    EXPECT_EQ(panel->layoutOrder(), (std::vector<unsigned>{5, 1, 4, 2}));
    EXPECT_EQ(panel->control(3), nullptr);
    // An order within a group puts the listed members first.
    void* inGroup[] = {I(XPTAG_ORDER), I(100), I(2), nullptr, nullptr};
    xp->hint(panel->id(), 0, inGroup);
    EXPECT_EQ(panel->layoutOrder(), (std::vector<unsigned>{5, 1, 2, 4}));
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
    void* hints[] = {I(XPTAG_BUTNOTIFY), I(5), Fn(&FakePlugin::button),
                     I(XPTAG_LINK), I(4), I(6), nullptr, nullptr};
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

    plugin.setResult = LWXPRC_DFLT;
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
    static const char* const kinds[] = {"none", "Surface", "Item", "Comment", nullptr};
    static const int picks[] = {0, 1, 1, LWXP_MAP_END};  // "Comment" lies past the map: off
    static const int items[] = {0, 0, 1, 0, LWXP_MAP_END};
    // clang-format off
    void* hints[] = {
        I(XPTAG_STRLIST), I(0x9000), A(kinds), I(0),
        I(XPTAG_GROUP), I(0x90a0), I(0x9004), I(0x9006), nullptr,
        I(XPTAG_ENABLE), I(0x9001), nullptr, T(pass), I(1), I(0x9000), I(0x90a0), I(0x9005), nullptr,
        I(XPTAG_ENABLE), I(0x9000), nullptr, nullptr, I(0), I(0x90a0), nullptr,
        I(XPTAG_ENABLE), I(0x9000), A(picks), nullptr, I(0), I(0x9006), nullptr,
        I(XPTAG_ENABLE), I(0x9000), A(items), T("Only available if you filter by Item"), I(0),
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

TEST_F(XPanelHostTest, StacksShowOneGroupInTheirPlace) {
    const st_LWXPanelControl controls[] = {{1, "Kind", "iPopChoice"},
                                           {2, "Text", "string"},
                                           {3, "Map", "iPopChoice"},
                                           {4, "Level", "float"},
                                           {0, nullptr, nullptr}};
    plugin.ints = {{1, 0}, {3, 0}};
    plugin.strings[2] = "";
    plugin.floats[4] = 0;
    // Kind 1 and 8 show group 10, kind 7 group 11, the others neither.
    static const int shown[] = {2, 0, 2, 2, 2, 2, 2, 1, 0, LWXP_MAP_END};
    // clang-format off
    void* hints[] = {
        I(XPTAG_GROUP), I(10), I(2), nullptr,
        I(XPTAG_GROUP), I(11), I(3), I(4), nullptr,
        I(XPTAG_DIVADD), I(0), I(11), nullptr,
        I(XPTAG_STACK), I(12), I(1), A(shown), I(10), I(11), nullptr,
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
    plugin.ints[1] = 100;  // past the map
    EXPECT_EQ(panel.layoutOrder(), std::vector<unsigned>{1});
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
    xp->setData(panel.id(), 1, &presets);
    // clang-format off
    void* hints[] = {
        I(XPTAG_POPFUNCS), I(1), Fn(&FakePlugin::popCount), Fn(&FakePlugin::popName),
        I(XPTAG_POPFUNCS), I(3), Fn(&FakePlugin::popCount), Fn(&FakePlugin::popName),
        I(XPTAG_STRLIST), I(2), A(kEditing), I(0),
        I(XPTAG_POPCMDFUNC), I(2), Fn(&FakePlugin::command),
        nullptr};
    // clang-format on
    xp->hint(panel.id(), 0, hints);
    EXPECT_TRUE(panel.popupItems(3).empty());
    xp->setData(panel.id(), 3, &maps);

    EXPECT_EQ(panel.popupItems(1), presets);
    EXPECT_EQ(panel.popupItems(3), maps) << "the functions get the control's data of the time";
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
    void* hints[] = {I(XPTAG_LABEL), I(1),      T("First"),     I(0), I(0x12345678),
                     I(1),           T("junk"), I(XPTAG_LABEL), I(1), T("Never")};  // no end
    lwhost::XPanel& panel = view(controls, hints);
    const LWXPanelID id = panel.id();
    EXPECT_EQ(panel.control(1)->label, "First");
    ASSERT_EQ(panels.errors().size(), 1u);
    EXPECT_NE(panels.errors()[0].find("unknown tag 0x12345678"), std::string::npos);

    // Published tags the host does not act on are stepped over by their argument counts; an
    // unsupported one is recorded.
    panels.clearErrors();
    void* readOver[] = {I(XPTAG_MIN),   I(1), I(5),          I(XPTAG_ADD), I(7),
                        T("x"),         I(8), I(XPTAG_LEFT), I(1),         nullptr,
                        I(XPTAG_LABEL), I(0), T("Kept"),     I(0),         I(XPTAG_END)};
    xp->hint(id, 0, readOver);
    EXPECT_EQ(panel.title(), "Kept");
    ASSERT_EQ(panels.errors().size(), 1u);
    EXPECT_NE(panels.errors()[0].find("XPTAG_ADD is not supported"), std::string::npos);

    // A map without its end is cut off and its rule dropped; the list goes on.
    panels.clearErrors();
    std::vector<int> endless(5000, 1);
    void* longMap[] = {I(XPTAG_ENABLE), I(1),           endless.data(), nullptr,    I(0), I(1),
                       nullptr,         I(XPTAG_LABEL), I(0),           T("After"), I(0), nullptr};
    xp->hint(id, 0, longMap);
    EXPECT_TRUE(panel.rules().empty());
    EXPECT_EQ(panel.title(), "After");
    EXPECT_EQ(panels.errors().size(), 1u);

    panels.clearErrors();
    void* unknownControl[] = {I(XPTAG_LABEL), I(99),     T("x"), I(0),   I(XPTAG_LABEL),
                              I(0),           T("Kept"), I(0),   nullptr};
    xp->hint(id, 0, unknownControl);
    EXPECT_EQ(panel.title(), "Kept") << "an unknown control is reported, the list goes on";
    EXPECT_EQ(panels.errors().size(), 1u);

    // A list applied to one control: a control argument of 0 stands for it.
    void* forControl[] = {I(XPTAG_LABEL), nullptr, T("Own"), I(0), nullptr};
    xp->hint(id, 1, forControl);
    EXPECT_EQ(panel.control(1)->label, "Own");

    // Nested lists apply in place; one that nests itself stops at a bounded depth.
    panels.clearErrors();
    void* inner[] = {I(XPTAG_LABEL), I(1), T("Nested"), I(0), nullptr};
    void* outer[] = {I(XPTAG_NEST), inner, nullptr};
    xp->hint(id, 0, outer);
    EXPECT_EQ(panel.control(1)->label, "Nested");
    void* selfNested[] = {I(XPTAG_NEST), nullptr, nullptr};
    selfNested[1] = selfNested;
    xp->hint(id, 0, selfNested);
    EXPECT_EQ(panels.errors().size(), 1u);
}

TEST_F(XPanelHostTest, DestroyNotifiesOnceAndSurvivesDestructionFromACallback) {
    const st_LWXPanelControl controls[] = {{1, "Close", "vButton"}, {0, nullptr, nullptr}};
    void* hints[] = {I(XPTAG_DESTROYNOTIFY),
                     Fn(&FakePlugin::destroyed),
                     nullptr,
                     I(XPTAG_BUTNOTIFY),
                     I(1),
                     Fn(&FakePlugin::button),
                     nullptr};
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

    // Data given with the notification is what it gets.
    char given[] = "given";
    void* withData[] = {I(XPTAG_DESTROYNOTIFY), Fn(&FakePlugin::destroyed), given, nullptr};
    EXPECT_TRUE(panels.userClose(view(controls, withData).id()));
    EXPECT_EQ(plugin.log.back(), "destroyed given");

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
    LWXPanelID id = xp->create(LWXP_FORM, const_cast<st_LWXPanelControl*>(controls));
    xp->describe(id, const_cast<st_LWXPanelDataDesc*>(data), nullptr, nullptr);
    EXPECT_EQ(xp->formGet(id, 0x800), nullptr);
    char none[] = "none";
    int one = 1;
    xp->formSet(id, 0x800, none);
    xp->formSet(id, 0x801, &one);
    EXPECT_STREQ(static_cast<const char*>(xp->formGet(id, 0x800)), "none");
    EXPECT_EQ(*static_cast<int*>(xp->formGet(id, 0x801)), 1);
    xp->formSet(id, 0x100000800ul, &one);  // wider than an ID: names no control
    EXPECT_EQ(xp->formGet(id, 0x100000801ul), nullptr);

    EXPECT_EQ(xp->post(id), 0) << "without a driver a posted form is cancelled";
    // Values the driver gives are the dialogs' tests'.
    panels.setModalDriver([](lwhost::XPanel& form) { return form.isOpen() ? 1 : 0; });
    EXPECT_EQ(xp->post(id), 1);
    EXPECT_FALSE(panels.find(id)->isOpen());
    for (int type : {0, 7})
        EXPECT_EQ(xp->create(type, const_cast<st_LWXPanelControl*>(controls)), nullptr) << type;
}

TEST_F(XPanelHostTest, DrawnControlsDrawIntoTheImageTheHostKeeps) {
    const st_LWXPanelControl controls[] = {{0x806, "", "dThumbnail"}, {0, nullptr, nullptr}};
    void* hints[] = {I(XPTAG_DRAWCBFUNC), I(0x806), Fn(&FakePlugin::drawLogo), nullptr};
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

TEST_F(XPanelHostTest, PaletteBoxesLinesAndBordersDrawInHostColoursInsideTheArea) {
    const st_LWXPanelControl controls[] = {{1, "", "dThumbnail"}, {0, nullptr, nullptr}};
    void* hints[] = {I(XPTAG_DRAWCBFUNC), I(1), Fn(&FakePlugin::drawPalette), nullptr};
    const lwhost::Image* image = view(controls, hints).draw(1, 100, 80);
    ASSERT_NE(image, nullptr);
    const lwhost::Rgb black = lwhost::XPanels::colour(LWXPCOL_BLACK);
    const lwhost::Rgb white = lwhost::XPanels::colour(LWXPCOL_WHITE);
    const struct {
        int x, y;
        lwhost::Rgb colour;
    } expected[] = {
        {0, 0, black},
        {3, 1, black},
        {9, 3, black},
        {4, 0, white},
        {20, 79, black},
        {60, 60, black},
        {61, 60, white},
        {5, 30, lwhost::XPanels::colour(LWXPCOL_HILIGHT)},
        {40, 40, lwhost::XPanels::colour(LWXPCOL_SHADOW)},
        {49, 49, lwhost::XPanels::colour(LWXPCOL_LIGHT)},
        {46, 43, white},
    };
    for (const auto& e : expected) EXPECT_EQ(image->pixel(e.x, e.y), e.colour) << e.x << "," << e.y;
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
