// The name picker and the two-list selection dialog through the real host, driven by its queue of
// user actions; each "print" action records both lists.
#include <gtest/gtest.h>
#include <lwsdk/lwitem.h>
#include <vexo/items.h>
#include "lwhost/core/messages.h"

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "bundle_fixtures.h"
#include "toolkit/pickers.h"
#include "toolkit/selection_entry.h"

namespace {

using bundle_test::Kind;

class Names : public vexo::PopUpCallback {
  public:
    std::vector<std::string> names;
    explicit Names(std::vector<std::string> n) : names(std::move(n)) {}
    int popCount() override { return static_cast<int>(names.size()); }
    const char* popName(int i) override {
        return i >= 0 && i < popCount() ? names[static_cast<size_t>(i)].c_str() : nullptr;
    }
};

TEST(SelectionEntryTest, OrdersByNameBytewiseWithPrefixesFirst) {
    // Bytes, not letters: capitals first, bytes above 127 last.
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"ab", "abc", true}, {"abc", "ab", false},    {"abc", "b", true},
        {"B", "ab", true},   {"b", "\xC3\xA9", true}, {"ab", "ab", false}};
    for (const auto& [a, b, less] : cases)
        EXPECT_EQ(SelectionEntry(a) < SelectionEntry(b), less) << a << " < " << b;
}

class PickerTest : public bundle_test::SceneTest {
  protected:
    std::ostringstream printed;
    SelectionList dialog;  // made once the frame's globals reach the host

    void SetUp() override {
        host.dialogs().setOutput(&printed);
        SelectionList::setClock(nullptr);
        SelectionList::forgetClick();
    }
    void TearDown() override {
        SelectionList::forgetClick();
        EXPECT_TRUE(host.dialogs().errors().empty()) << host.dialogs().errors().front();
    }

    void click(const std::string& list, int row, int qualifiers = 0) {
        bundle_test::queue(host, Kind::Click, list, "", row, qualifiers);
    }
    void press(const std::string& button) { queue(Kind::Press, button); }
    void print() { queue(Kind::Print); }
    void fill(const std::vector<std::pair<std::string, bool>>& entries) {
        for (const auto& e : entries)
            dialog.add(vexo::makeReference<SelectionEntry>(e.first, e.second));
    }
    // Each printed panel as its lists' rows, highlighted ones marked '*': "a *b|c".
    std::vector<std::string> states() const {
        std::vector<std::string> out;
        std::istringstream in(printed.str());
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("panel ", 0) == 0) {
                out.emplace_back();
            } else if (line.rfind("  list \"Selected\"", 0) == 0) {
                out.back() += "|";
            } else if (line.rfind("    ", 0) == 0 && line.size() > 6 && !out.empty()) {
                std::string& s = out.back();
                if (!s.empty() && s.back() != '|') s += ' ';
                s += (line[4] == '*' ? "*" : "") + line.substr(6);
            }
        }
        return out;
    }
    std::vector<std::string> chosen() {
        std::vector<std::string> out;
        for (const auto& e : dialog.entries()) out.push_back(e->name());
        return out;
    }
    std::vector<std::string> warnings() {
        std::vector<std::string> out;
        for (const lwhost::Message& m : host.messages().all())
            if (m.kind == lwhost::MessageKind::Warning)
                out.push_back(m.line1 + " x" + std::to_string(m.count));
        return out;
    }
};

TEST_F(PickerTest, NamePickerAppendsOrReplacesTheLastClickedNameAndCancelKeepsThePattern) {
    Names source({"Ball", "Cube", "Floor"});
    NamePicker picker(&source);
    std::string pattern = "B*";
    click("", 2);
    click("", 1);
    queue(Kind::SavePng, bundle_test::pictureDir() + "/name_picker.png");
    press("Append");
    EXPECT_EQ(picker.modifyFilter("Pick Item", &pattern), GenericPicker::Append);
    EXPECT_EQ(pattern, "B*|Cube");
    EXPECT_EQ(host.dialogs().shown().back().title, "Pick Item:B*");

    click("", 0);
    click("", 2);
    press("Replace");
    EXPECT_EQ(picker.modifyFilter("Pick", &pattern), GenericPicker::Replace);
    EXPECT_EQ(pattern, "Floor");
    click("", 1);
    press("Cancel");
    EXPECT_EQ(picker.modifyFilter("Pick", &pattern), GenericPicker::Cancelled);
    click("", 1);  // closed without a button: cancelled too
    EXPECT_EQ(picker.modifyFilter("Pick", &pattern), GenericPicker::Cancelled);
    EXPECT_EQ(pattern, "Floor");
    press("Append");  // nothing picked: a trailing bar
    EXPECT_EQ(picker.modifyFilter("Pick", &pattern), GenericPicker::Append);
    EXPECT_EQ(pattern, "Floor|");
}

TEST_F(PickerTest, ALightPickerInASceneWithoutLightsStillOffersNone) {
    st_LWItemInfo items{};
    items.first = [](int type, LWItemID) {
        return type == LWI_OBJECT ? itemHandle(1) : LWITEM_NULL;
    };
    items.next = [](LWItemID) { return LWITEM_NULL; };
    items.name = [](LWItemID id) -> const char* { return id == itemHandle(1) ? "Ball" : nullptr; };
    host.globals().publish(LWITEMINFO_GLOBAL, &items);
    vexo::LWItemCallback lights(LWI_LIGHT, true);
    NamePicker picker(&lights);
    std::string pattern = "Key*";
    click("", 0);
    press("Append");
    EXPECT_EQ(picker.modifyFilter("Pick Light", &pattern), GenericPicker::Append);
    EXPECT_EQ(pattern, "Key*|(none)");
}

TEST_F(PickerTest, AnEmptySourceOrInputWarnsAndOpensNothing) {
    Names none({});
    NamePicker picker(&none);
    std::string pattern = "x";
    EXPECT_EQ(picker.modifyFilter("Pick", &pattern), 0);
    EXPECT_EQ(NamePicker(nullptr).Open("Pick"), 0);
    EXPECT_EQ(dialog.Open("Select Items"), 0);
    EXPECT_EQ(pattern, "x");
    EXPECT_TRUE(host.dialogs().shown().empty());
    EXPECT_EQ(warnings(), std::vector<std::string>{"There are no items to select. x3"});
}

TEST_F(PickerTest, SelectionListSortsBothListsAndReturnsWhatSelectedHolds) {
    for (const char* name : {"Light", "Ball", "Camera", "Floor"})
        dialog.add(vexo::makeReference<ItemEntry>(name, LWITEM_NULL, std::string(name) == "Light"));
    print();
    click("Unselected", 0);
    click("Unselected", 2, IQ_CTRL);
    queue(Kind::SavePng, bundle_test::pictureDir() + "/selection_list.png");
    press("Select");
    print();
    press("Ok");
    EXPECT_EQ(dialog.Open("Select Items"), 1);
    EXPECT_EQ(states(),
              (std::vector<std::string>{"Ball Camera Floor|Light", "Camera|Ball Floor Light"}));
    EXPECT_EQ(chosen(), (std::vector<std::string>{"Ball", "Floor", "Light"}));
}

TEST_F(PickerTest, PlainControlAndShiftClicksHighlightRows) {
    fill({{"a", false}, {"b", false}, {"c", false}, {"d", false}, {"e", false}});
    // A shift click without an anchor does nothing; one back up from the anchor keeps the others.
    const std::pair<int, int> clicks[] = {
        {1, IQ_SHIFT}, {3, IQ_SHIFT}, {2, IQ_CTRL}, {0, IQ_SHIFT}, {4, 0}};
    for (const auto& [row, qualifiers] : clicks) {
        click("Unselected", row, qualifiers);
        print();
    }
    press("Cancel");
    EXPECT_EQ(dialog.Open("Pick"), 0);
    EXPECT_EQ(states(), (std::vector<std::string>{"a b c d e|", "a *b *c *d e|", "a *b c *d e|",
                                                  "*a *b *c *d e|", "a b c d *e|"}));
}

TEST_F(PickerTest, SelectDeselectAndTheAllButtonsMoveRowsAndKeepBothListsSorted) {
    fill({{"d", false}, {"b", false}, {"a", true}, {"c", false}, {"e", true}});
    click("Unselected", 0);           // b
    click("Unselected", 2, IQ_CTRL);  // d
    press("Select");
    click("Selected", 3);           // e
    click("Selected", 0, IQ_CTRL);  // a
    press("Deselect");
    press("Deselect");  // nothing highlighted: nothing moves
    print();
    press("Swap All");
    print();
    press("Deselect All");
    press("Select All");
    print();
    press("Deselect All");
    click("Unselected", 0);
    press("Select");  // a moves; row 0 is now b, and clicking it is no double click
    click("Unselected", 0);
    print();
    press("Ok");
    EXPECT_EQ(dialog.Open("Pick"), 1);
    EXPECT_EQ(states(),
              (std::vector<std::string>{"a c e|b d", "b d|a c e", "|a b c d e", "*b c d e|a"}));
    EXPECT_EQ(chosen(), std::vector<std::string>{"a"});
    EXPECT_TRUE(dialog.entries()[0]->selected()) << "the dialog leaves the flags alone";
}

TEST_F(PickerTest, ADoubleClickMovesEveryHighlightedRowOfThatList) {
    fill({{"a", false}, {"b", false}, {"c", false}, {"d", true}});
    click("Unselected", 0);
    click("Unselected", 2, IQ_CTRL);
    click("Unselected", 2, IQ_CTRL);  // the same row again at once: double
    print();
    click("Selected", 1);
    click("Selected", 1);
    print();
    press("Ok");
    EXPECT_EQ(dialog.Open("Pick"), 1);
    EXPECT_EQ(states(), (std::vector<std::string>{"b|a c d", "b c|a d"}));
    EXPECT_EQ(chosen(), (std::vector<std::string>{"a", "d"}));
}

// Double clicks are timed with a wall clock: a pause between two clicks counts even though the
// process uses no processor time while it waits.
TEST_F(PickerTest, ClicksAPauseApartAreNoDoubleClickOnTheWallClock) {
    fill({{"a", false}, {"b", false}, {"c", false}});
    click("Unselected", 1);
    click("Unselected", 1);  // at once: a double click moves b
    click("Unselected", 0);
    lwhost::UserAction wait;
    wait.kind = Kind::Wait;
    wait.ms = 850;
    host.dialogs().queue(wait);
    click("Unselected", 0);  // the same row after a pause: a plain click
    print();
    press("Ok");
    EXPECT_EQ(dialog.Open("Pick"), 1);
    EXPECT_EQ(states(), std::vector<std::string>{"*a c|b"});
    EXPECT_EQ(chosen(), std::vector<std::string>{"b"});
}

}  // namespace
