// The name picker and the two-list selection dialog, driven by scripted clicks on a fake panel
// service.
#include <gtest/gtest.h>
#include <lwhost/dialogs.h>
#include <lwhost/host.h>
#include <lwhost/panels.h>
#include <lwsdk/lwitem.h>
#include <sys/stat.h>
#include <vexo/items.h>
#include <vexo/server.h>

#include <sstream>
#include <string>
#include <vector>

#include "fake_panels.h"
#include "pickers.h"
#include "selection_entry.h"

namespace {

using Kind = FakePanels::Kind;
const std::string kHi = "\x03(c:Nc_HILIGHT)";

class Names : public vexo::PopUpCallback {
  public:
    std::vector<std::string> names;
    explicit Names(std::vector<std::string> n) : names(std::move(n)) {}
    int popCount() override { return static_cast<int>(names.size()); }
    const char* popName(int i) override {
        return i >= 0 && i < popCount() ? names[static_cast<size_t>(i)].c_str() : nullptr;
    }
};

class PickerTest : public ::testing::Test {
  protected:
    PanelTestHost host;
    FakePanels& ui = host.panels;
    // Before any member of a derived fixture acquires a global.
    PickerTest() { vexo::SetSuperGlobal(&FakeGlobals::global); }
    void SetUp() override {
        SelectionList::setClock(&FakePanels::readClock);
        SelectionList::forgetClick();
    }
    void TearDown() override {
        SelectionList::setClock(nullptr);
        SelectionList::forgetClick();
    }
};

// ---- Entries ----------------------------------------------------------------------------------

TEST(SelectionEntryTest, OrdersByNameBytewiseWithPrefixesFirst) {
    SelectionEntry ab("ab"), abc("abc"), b("b"), upper("B"), high("\xC3\xA9");
    EXPECT_TRUE(ab < abc);
    EXPECT_FALSE(abc < ab);
    EXPECT_TRUE(abc < b);
    EXPECT_TRUE(upper < ab);  // bytes, not letters
    EXPECT_TRUE(b < high);    // bytes above 127 sort last
    EXPECT_FALSE(ab < ab);

    vexo::Reference<SelectionEntry> item = vexo::makeReference<ItemEntry>("Light", 7u, true);
    EXPECT_EQ(item->useCount(), 1u);
    EXPECT_TRUE(item->selected());
    EXPECT_FALSE(item->highlighted());
    EXPECT_EQ(static_cast<ItemEntry&>(*item).item(), 7u);
}

// ---- Name picker ------------------------------------------------------------------------------

TEST_F(PickerTest, NamePickerLaysOutItsListAndButtonsAndAppendsTheLastClickedName) {
    Names source({"Ball", "Cube", "Floor"});
    NamePicker picker(&source);
    std::string pattern = "B*";
    ui.then([&] {
        FakePanels::Control* list = ui.findLatest(Kind::List, "");
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->w, 250);
        EXPECT_EQ(list->rows, 20);
        EXPECT_EQ(ui.rows(*list), source.names);
        const FakePanels::Control* cancel = ui.findLatest(Kind::Button, "Cancel");
        const FakePanels::Control* append = ui.findLatest(Kind::Button, "Append");
        const FakePanels::Control* replace = ui.findLatest(Kind::Button, "Replace");
        ASSERT_TRUE(cancel && append && replace);
        EXPECT_EQ(cancel->x, list->x);
        EXPECT_EQ(cancel->y, list->y + list->h + 4);
        EXPECT_EQ(replace->x + replace->w, list->x + list->w);
        EXPECT_EQ(append->x + append->w + 4, replace->x);
        EXPECT_EQ(append->y, cancel->y);
        EXPECT_EQ(replace->y, cancel->y);
    });
    ui.click("", 2);
    ui.click("", 1);
    ui.press("Append");
    EXPECT_EQ(picker.modifyFilter("Pick Item", &pattern), GenericPicker::Append);
    EXPECT_EQ(pattern, "B*|Cube");
    EXPECT_EQ(ui.latest()->title, "Pick Item:B*");
    EXPECT_EQ(ui.latest()->flags, 0x45);
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(PickerTest, ReplaceKeepsOnlyTheLastClickedNameAndCancelKeepsThePattern) {
    Names source({"Ball", "Cube", "Floor"});
    NamePicker picker(&source);
    std::string pattern = "old";
    ui.click("", 0);
    ui.click("", 2);
    ui.press("Replace");
    EXPECT_EQ(picker.modifyFilter("Pick Object", &pattern), GenericPicker::Replace);
    EXPECT_EQ(pattern, "Floor");

    ui.click("", 1);
    ui.press("Cancel");
    EXPECT_EQ(picker.modifyFilter("Pick Object", &pattern), GenericPicker::Cancelled);
    EXPECT_EQ(pattern, "Floor");

    // Closing the window any other way cancels too.
    ui.click("", 1);
    EXPECT_EQ(picker.modifyFilter("Pick Object", &pattern), GenericPicker::Cancelled);
    EXPECT_EQ(pattern, "Floor");
}

TEST_F(PickerTest, AppendingWithNothingPickedLeavesATrailingBar) {
    Names source({"Ball"});
    NamePicker picker(&source);
    std::string pattern = "a*";
    ui.press("Append");
    EXPECT_EQ(picker.modifyFilter("Pick", &pattern), GenericPicker::Append);
    EXPECT_EQ(pattern, "a*|");
    // A click past the rows picks nothing either.
    ui.click("", 5);
    ui.press("Replace");
    EXPECT_EQ(picker.modifyFilter("Pick", &pattern), GenericPicker::Replace);
    EXPECT_EQ(pattern, "");
}

TEST_F(PickerTest, ALightPickerInASceneWithoutLightsStillOffersNone) {
    // An item service whose scene holds one object and no lights.
    st_LWItemInfo items{};
    items.first = [](int type, LWItemID) -> LWItemID { return type == LWI_OBJECT ? 1u : 0u; };
    items.next = [](LWItemID) -> LWItemID { return 0; };
    items.name = [](LWItemID id) -> const char* { return id == 1 ? "Ball" : nullptr; };
    host.globals.records[LWITEMINFO_GLOBAL] = &items;

    vexo::LWItemCallback lights(LWI_LIGHT, true);
    NamePicker picker(&lights);
    std::string pattern = "Key*";
    ui.then([&] {
        EXPECT_EQ(ui.rows(*ui.findLatest(Kind::List, "")), std::vector<std::string>{"(none)"});
    });
    ui.click("", 0);
    ui.press("Append");
    EXPECT_EQ(picker.modifyFilter("Pick Light", &pattern), GenericPicker::Append);
    EXPECT_EQ(pattern, "Key*|(none)");
}

TEST_F(PickerTest, AnEmptySourceWarnsAndOpensNothing) {
    Names none({});
    NamePicker picker(&none);
    std::string pattern = "x";
    EXPECT_EQ(picker.modifyFilter("Pick", &pattern), 0);
    NamePicker sourceless(nullptr);
    EXPECT_EQ(sourceless.Open("Pick"), 0);
    EXPECT_EQ(pattern, "x");
    EXPECT_TRUE(ui.panels.empty());
    EXPECT_EQ(host.messages.warnings, std::vector<std::string>(2, "There are no items to select."));
}

// ---- Selection list ---------------------------------------------------------------------------

class SelectionListTest : public PickerTest {
  protected:
    SelectionList dialog;

    void fill(const std::vector<std::pair<std::string, bool>>& entries) {
        for (const auto& e : entries)
            dialog.add(vexo::makeReference<SelectionEntry>(e.first, e.second));
    }
    // The rows of a list, highlighted ones marked with '*' (and checked for the exact code).
    std::vector<std::string> shown(const std::string& list) {
        std::vector<std::string> out;
        FakePanels::Control* c = ui.findLatest(Kind::List, list);
        if (!c) return {"no list " + list};
        for (const std::string& row : ui.rows(*c)) {
            if (row.compare(0, kHi.size(), kHi) == 0) {
                out.push_back("*" + row.substr(kHi.size()));
            } else {
                out.push_back(row);
            }
        }
        return out;
    }
    void expectRows(std::vector<std::string> unselected, std::vector<std::string> selected) {
        ui.then([=] {
            EXPECT_EQ(shown("Unselected"), unselected);
            EXPECT_EQ(shown("Selected"), selected);
        });
    }
    static std::vector<std::string> names(const SelectionList::Entries& entries) {
        std::vector<std::string> out;
        for (const auto& e : entries) out.push_back(e->name());
        return out;
    }
};

TEST_F(SelectionListTest, DistributesSortedEntriesAndLaysOutListsAndLabelledButtons) {
    fill({{"Cube", false}, {"Light", true}, {"Ball", false}, {"Camera", true}, {"Floor", false}});
    expectRows({"Ball", "Cube", "Floor"}, {"Camera", "Light"});
    ui.then([&] {
        const FakePanels::Control* unsel = ui.findLatest(Kind::List, "Unselected");
        const FakePanels::Control* sel = ui.findLatest(Kind::List, "Selected");
        ASSERT_TRUE(unsel && sel);
        EXPECT_EQ(unsel->w, 300);
        EXPECT_EQ(unsel->rows, 25);
        EXPECT_EQ(sel->w, 300);
        EXPECT_EQ(sel->rows, 25);
        const char* labels[] = {
            "\x03(g:8)Select\x03(j:2)\x03(i:MIMG_RIGHTARROW)",
            "\x03(i:MIMG_LEFTARROW)\x03(g:2)Deselect",
            "\x03(g:8)Select All\x03(j:2)\x03(i:MIMG_RIGHTARROW)",
            "\x03(i:MIMG_LEFTARROW)\x03(g:2)Deselect All",
            "\x03(i:MIMG_LEFTARROW)\x03(g:2)Swap All\x03(j:2)\x03(i:MIMG_RIGHTARROW)"};
        const FakePanels::Control* previous = nullptr;
        for (const char* label : labels) {
            const FakePanels::Control* b = ui.findLatest(Kind::Button, stripCodes(label));
            ASSERT_NE(b, nullptr) << stripCodes(label);
            EXPECT_EQ(b->label, label);
            EXPECT_GT(b->x, unsel->x + unsel->w);
            EXPECT_LT(b->x + b->w, sel->x);
            if (previous) {
                EXPECT_EQ(b->y, previous->y + previous->h + 4);
                EXPECT_EQ(b->x, previous->x);
            } else {
                EXPECT_EQ(b->y, unsel->y);
            }
            previous = b;
        }
        EXPECT_EQ(sel->y, unsel->y);
        const FakePanels::Control* cancel = ui.findLatest(Kind::Button, "Cancel");
        const FakePanels::Control* ok = ui.findLatest(Kind::Button, "Ok");
        ASSERT_TRUE(cancel && ok);
        EXPECT_EQ(cancel->x, unsel->x);
        EXPECT_GT(cancel->y, unsel->y + unsel->h);
        EXPECT_EQ(ok->y, cancel->y);
        EXPECT_EQ(ok->x + ok->w, sel->x + sel->w);
    });
    ui.press("Ok");
    EXPECT_EQ(dialog.Open("Select Items"), 1);
    EXPECT_EQ(ui.latest()->title, "Select Items");
    EXPECT_EQ(ui.latest()->flags, 0x45);
    EXPECT_EQ(names(dialog.entries()), (std::vector<std::string>{"Camera", "Light"}));
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(SelectionListTest, PlainControlAndShiftClicksHighlightRows) {
    fill({{"a", false}, {"b", false}, {"c", false}, {"d", false}, {"e", false}});
    ui.click("Unselected", 1);
    expectRows({"a", "*b", "c", "d", "e"}, {});
    ui.click("Unselected", 3, LWQUAL_SHIFT);
    expectRows({"a", "*b", "*c", "*d", "e"}, {});
    ui.click("Unselected", 2, LWQUAL_CTRL);
    expectRows({"a", "*b", "c", "*d", "e"}, {});
    ui.then([&] { EXPECT_EQ(dialog.unselectedAnchor(), 2); });
    ui.click("Unselected", 0, LWQUAL_SHIFT);  // back up from the anchor, keeping the others
    expectRows({"*a", "*b", "*c", "*d", "e"}, {});
    ui.click("Unselected", 4);
    expectRows({"a", "b", "c", "d", "*e"}, {});
    ui.press("Cancel");
    EXPECT_EQ(dialog.Open("Pick"), 0);
}

TEST_F(SelectionListTest, ShiftClickWithoutAnAnchorHighlightsNothing) {
    fill({{"a", false}, {"b", false}});
    ui.then([&] { EXPECT_EQ(dialog.unselectedAnchor(), -1); });
    ui.click("Unselected", 1, LWQUAL_SHIFT);
    expectRows({"a", "b"}, {});
    ui.then([&] { EXPECT_EQ(dialog.unselectedAnchor(), 1); });
    ui.press("Cancel");
    dialog.Open("Pick");
}

TEST_F(SelectionListTest, SelectAndDeselectMoveHighlightedRowsAndKeepBothListsSorted) {
    fill({{"d", false}, {"b", false}, {"a", true}, {"c", false}, {"e", true}});
    ui.click("Unselected", 0);               // b
    ui.click("Unselected", 2, LWQUAL_CTRL);  // d
    ui.press("Select");
    expectRows({"c"}, {"a", "b", "d", "e"});
    ui.click("Selected", 3);               // e
    ui.click("Selected", 0, LWQUAL_CTRL);  // a
    ui.press("Deselect");
    expectRows({"a", "c", "e"}, {"b", "d"});
    ui.press("Deselect");  // nothing highlighted: nothing moves
    expectRows({"a", "c", "e"}, {"b", "d"});
    ui.press("Ok");
    EXPECT_EQ(dialog.Open("Pick"), 1);
    EXPECT_EQ(names(dialog.entries()), (std::vector<std::string>{"b", "d"}));
    // The dialog leaves the entries' selected flags alone.
    for (const auto& e : dialog.entries()) EXPECT_EQ(e->selected(), false) << e->name();
}

TEST_F(SelectionListTest, ADoubleClickMovesEveryHighlightedRowOfThatList) {
    fill({{"a", false}, {"b", false}, {"c", false}, {"d", true}});
    ui.click("Unselected", 0);
    ui.click("Unselected", 2, LWQUAL_CTRL);
    ui.tick(300);
    ui.click("Unselected", 2, LWQUAL_CTRL);  // second click on the same row, soon: double
    expectRows({"b"}, {"a", "c", "d"});
    ui.then([&] { EXPECT_EQ(dialog.unselectedAnchor(), -1); });
    // The double click was forgotten: a third click soon after is a plain click.
    ui.tick(100);
    ui.click("Selected", 1);
    ui.tick(799);
    ui.click("Selected", 1);
    expectRows({"b", "c"}, {"a", "d"});
    ui.press("Ok");
    EXPECT_EQ(dialog.Open("Pick"), 1);
    EXPECT_EQ(names(dialog.entries()), (std::vector<std::string>{"a", "d"}));
}

TEST_F(SelectionListTest, SlowClicksOrClicksOnOtherRowsAreNoDoubleClick) {
    fill({{"a", false}, {"b", false}, {"c", false}});
    ui.click("Unselected", 1);
    ui.tick(800);
    ui.click("Unselected", 1);
    expectRows({"a", "*b", "c"}, {});
    ui.tick(5000);
    ui.click("Unselected", 1);
    expectRows({"a", "*b", "c"}, {});
    ui.tick(10);
    ui.click("Unselected", 2);
    expectRows({"a", "b", "*c"}, {});
    ui.press("Cancel");
    EXPECT_EQ(dialog.Open("Pick"), 0);
}

TEST_F(SelectionListTest, AClickAfterTheListsChangedIsNoDoubleClick) {
    fill({{"a", false}, {"b", false}, {"c", false}});
    ui.click("Unselected", 0);
    ui.press("Select");  // a moves; row 0 is now b
    ui.tick(50);
    ui.click("Unselected", 0);
    expectRows({"*b", "c"}, {"a"});
    ui.press("Cancel");
    dialog.Open("Pick");
}

TEST_F(SelectionListTest, SwapAllTwiceRestoresAndSelectAllThenOkReturnsEveryEntry) {
    fill({{"c", true}, {"a", false}, {"d", false}, {"b", true}});
    ui.press("Swap All");
    expectRows({"b", "c"}, {"a", "d"});
    ui.press("Swap All");
    expectRows({"a", "d"}, {"b", "c"});
    ui.press("Deselect All");
    expectRows({"a", "b", "c", "d"}, {});
    ui.press("Select All");
    expectRows({}, {"a", "b", "c", "d"});
    ui.press("Ok");
    EXPECT_EQ(dialog.Open("Pick"), 1);
    EXPECT_EQ(names(dialog.entries()), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(SelectionListTest, AnEmptyInputWarnsAndReturnsZero) {
    EXPECT_EQ(dialog.Open("Select Items"), 0);
    EXPECT_TRUE(ui.panels.empty());
    EXPECT_EQ(host.messages.warnings, std::vector<std::string>{"There are no items to select."});
}

TEST_F(SelectionListTest, ListRowsOutOfRangeAndHeadersAreEmpty) {
    fill({{"a", false}});
    ui.then([&] {
        FakePanels::Control* list = ui.findLatest(Kind::List, "Unselected");
        EXPECT_STREQ(list->name(list->listData, -1), "");
        EXPECT_STREQ(list->name(list->listData, 1), "");
        EXPECT_EQ(list->count(list->listData), 1);
    });
    ui.click("Unselected", 7);  // below the last row: clears the highlight
    expectRows({"a"}, {});
    ui.press("Cancel");
    dialog.Open("Pick");
}

}  // namespace

// ---- Through the host -------------------------------------------------------------------------

namespace {

class HostPickerTest : public ::testing::Test {
  protected:
    lwhost::Host host;
    std::ostringstream printed;

    void SetUp() override {
        vexo::SetSuperGlobal(lwhost::Host::globalFunction());
        host.dialogs().setOutput(&printed);
        SelectionList::setClock(nullptr);
        SelectionList::forgetClick();
    }
    void TearDown() override { SelectionList::forgetClick(); }

    void queue(lwhost::UserAction::Kind kind, const std::string& control = "", int row = -1,
               int qualifiers = 0) {
        lwhost::UserAction a;
        a.kind = kind;
        a.control = control;
        a.rowIndex = row;
        a.qualifiers = qualifiers;
        host.dialogs().queue(a);
    }
    void click(const std::string& list, int row, int qualifiers = 0) {
        queue(lwhost::UserAction::Kind::Click, list, row, qualifiers);
    }
    void press(const std::string& button) { queue(lwhost::UserAction::Kind::Press, button); }
    void wait(long long ms) {
        lwhost::UserAction a;
        a.kind = lwhost::UserAction::Kind::Wait;
        a.ms = ms;
        host.dialogs().queue(a);
    }
    void savePng(const std::string& name) {
        const std::string dir = std::string(::testing::TempDir()) + "lumavex_pictures";
        ::mkdir(dir.c_str(), 0755);
        lwhost::UserAction a;
        a.kind = lwhost::UserAction::Kind::SavePng;
        a.text = dir + "/" + name;
        host.dialogs().queue(a);
    }
};

TEST_F(HostPickerTest, NamePickerAppendsTheClickedNameThroughTheHost) {
    Names source({"Ball", "Cube", "Floor"});
    NamePicker picker(&source);
    std::string pattern = "B*";
    click("", 1);
    savePng("name_picker.png");
    press("Append");
    EXPECT_EQ(picker.modifyFilter("Pick Item", &pattern), GenericPicker::Append);
    EXPECT_EQ(pattern, "B*|Cube");
    EXPECT_TRUE(host.dialogs().errors().empty()) << host.dialogs().errors().front();
    EXPECT_TRUE(host.classicPanels().errors().empty());
}

TEST_F(HostPickerTest, SelectionListMovesRowsThroughTheHost) {
    SelectionList dialog;
    for (const char* name : {"Light", "Ball", "Camera", "Floor"})
        dialog.add(vexo::makeReference<ItemEntry>(name, 0u, std::string(name) == "Light"));
    click("Unselected", 0);
    click("Unselected", 2, LWQUAL_CTRL);
    queue(lwhost::UserAction::Kind::Print);
    savePng("selection_list.png");
    press("Select");
    press("Ok");
    EXPECT_EQ(dialog.Open("Select Items"), 1);
    std::vector<std::string> names;
    for (const auto& e : dialog.entries()) names.push_back(e->name());
    EXPECT_EQ(names, (std::vector<std::string>{"Ball", "Floor", "Light"}));
    const std::string text = printed.str();
    EXPECT_NE(text.find("    * Ball\n      Camera\n    * Floor\n"), std::string::npos) << text;
    EXPECT_NE(text.find("button \"Select All\""), std::string::npos) << text;
    EXPECT_TRUE(host.dialogs().errors().empty());
}

// Double clicks are timed with a wall clock: a pause between two clicks counts even though the
// process uses no processor time while it waits.
TEST_F(HostPickerTest, ClicksAPauseApartAreNoDoubleClickOnTheWallClock) {
    SelectionList dialog;
    for (const char* name : {"a", "b", "c"}) dialog.add(vexo::makeReference<SelectionEntry>(name));
    click("Unselected", 1);
    click("Unselected", 1);  // at once: a double click moves b
    click("Unselected", 0);
    wait(850);
    click("Unselected", 0);  // the same row after a pause: a plain click
    queue(lwhost::UserAction::Kind::Print);
    press("Ok");
    EXPECT_EQ(dialog.Open("Pick"), 1);
    ASSERT_EQ(dialog.entries().size(), 1u);
    EXPECT_EQ(dialog.entries()[0]->name(), "b");
    EXPECT_NE(printed.str().find("    * a\n      c\n"), std::string::npos) << printed.str();
}

}  // namespace
