// The item filters of the filter node against a scene of the real host: per-frame selection,
// panel values, storage, the host's renumbering and the pickers.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "alloc_counter.h"
#include "bundle_fixtures.h"
#include "selection/filter_node.h"
#include "selection/item_filters.h"

namespace {

using bundle_test::Kind;
using bundle_test::loadText;
using bundle_test::saveText;

// Rig (null) > Arm (null) > Lamp (light), Ball; Clone shares Ball's file; Crate has comments.
class ItemFiltersTest : public bundle_test::SceneTest {
  protected:
    LWItemID rig = scene.addNull("Rig");
    LWItemID arm = scene.addNull("Arm");
    LWItemID lamp = scene.addLight("Lamp");
    LWItemID ball = object("Ball", "ball.obj");
    LWItemID clone = object("Clone", "ball.obj");
    LWItemID crate = object("Crate", "crate.obj");

    void SetUp() override {
        scene.setParent(arm, rig);
        scene.setParent(lamp, arm);
        scene.setParent(ball, arm);
        scene.item(crate)->comments = {"size 2", "Glass"};
    }
    LWItemID object(const std::string& name, const std::string& file) {
        lwhost::ObjectData data;
        data.fileName = file;
        return scene.addObject(name, data);
    }
    static bool selects(Filter& filter, LWItemID item) {
        LWNodalAccess_t access{};
        access.objID = item;
        return filter.Evaluate(&access);
    }
    // Names of the items whose samples the filter selects after a frame change, in scene order.
    std::string selection(Filter& filter) {
        filter.NewTime(1, 0.0);
        std::string out;
        for (size_t i = 0; i < scene.itemCount(); ++i)
            if (selects(filter, scene.itemAt(i).id))
                out += (out.empty() ? "" : " ") + scene.itemAt(i).name;
        return out;
    }
    static void set(Filter& filter, const std::string& pattern, bool children) {
        filter.DataSet(kFilterText, const_cast<char*>(pattern.c_str()));
        int on = children ? 1 : 0;
        filter.DataSet(kIncludeChildren, &on);
    }
};

TEST_F(ItemFiltersTest, ItemNameSelectsMatchingObjectsAndWithChildrenEveryDescendant) {
    ItemNameFilter filter(nullptr);
    EXPECT_EQ(selection(filter), "") << "an empty pattern list selects nothing";
    set(filter, "RIG|c*", false);
    EXPECT_EQ(selection(filter), "Rig Clone Crate");
    set(filter, "rig", true);
    EXPECT_EQ(selection(filter), "Rig Arm Lamp Ball") << "lights too, and Ball whatever its name";
    EXPECT_FALSE(filter.Evaluate(nullptr));

    alloc_counter::Scope count;
    EXPECT_TRUE(selects(filter, ball));
    EXPECT_EQ(count.stop(), 0);
}

TEST_F(ItemFiltersTest, ObjectNameMatchesTheObjectFilesUserNameAndItemCommentWholeLines) {
    ObjectFilter filter(nullptr);
    set(filter, "ball", true);
    EXPECT_EQ(selection(filter), "Ball Clone") << "Clone's file is Ball's";
    set(filter, "clone|rig", true);
    EXPECT_EQ(selection(filter), "Rig");

    ItemCommentFilter comments(nullptr);
    set(comments, "*", false);
    EXPECT_EQ(selection(comments), "Crate") << "objects without comments never match";
    set(comments, "size", false);
    EXPECT_EQ(selection(comments), "") << "the line is not split into key and value";
    scene.item(rig)->comments = {"x", "rigged"};
    set(comments, "glass|rigged", true);
    EXPECT_EQ(selection(comments), "Rig Arm Lamp Ball Crate");
}

TEST_F(ItemFiltersTest, ItemListSelectsItsItemsAndFollowsRenumberingAndDeletion) {
    ItemListFilter filter(nullptr);
    std::set<LWItemID> used{itemHandle(1234)};
    filter.UseItems(used);
    EXPECT_TRUE(used.empty());
    EXPECT_EQ(selection(filter), "");
    EXPECT_EQ(filter.DataGet(kFilterText), nullptr);
    filter.setItems({arm, crate});
    set(filter, "Ball", true);
    EXPECT_EQ(filter.filterString(), "") << "the list has no pattern";
    EXPECT_EQ(selection(filter), "Arm Lamp Ball Crate");

    std::map<LWItemID, LWItemID> ids = bundle_test::renumber(scene);
    const LWItemID newArm = ids[arm];
    ids[crate] = LWITEM_NULL;  // deleted
    filter.ChangeID(ids);
    filter.UseItems(used);
    EXPECT_EQ(used, std::set<LWItemID>{newArm});
    EXPECT_TRUE(selects(filter, newArm)) << "before the next frame change too";
    EXPECT_EQ(selection(filter), "Arm Lamp Ball");
}

TEST_F(ItemFiltersTest,
       SavedFiltersLoadTheirSettingsAListIsReplacedAndFoundByNameAndCopiesKeepAll) {
    ItemNameFilter named(nullptr);
    set(named, "B*|\"x\"", true);
    const std::string text = saveText(named);
    ItemCommentFilter comments(nullptr);
    loadText(comments, text);
    EXPECT_EQ(comments.filterString(), "B*|\"x\"");
    EXPECT_TRUE(comments.includeChildren());

    ItemListFilter list(nullptr);
    list.setItems({lamp, crate});
    const std::string stored = saveText(list);
    EXPECT_EQ(stored.find("FilterString"), std::string::npos) << stored;
    std::map<LWItemID, LWItemID> ids = bundle_test::renumber(scene);
    ItemListFilter loaded(nullptr);
    loaded.setItems({ids[ball]});
    loadText(loaded, stored);
    EXPECT_EQ(loaded.items(), (std::set<LWItemID>{ids[lamp], ids[crate]}));
    loaded.setIncludeChildren(true);
    loaded.NewTime(1, 0.0);
    alignas(FilterNode) unsigned char node[sizeof(FilterNode)];
    vexo::Reference<Filter> copy(loaded.Copy(reinterpret_cast<FilterNode*>(node)));
    auto* same = dynamic_cast<ItemListFilter*>(copy.get());
    ASSERT_TRUE(same && same->node() == reinterpret_cast<FilterNode*>(node));
    EXPECT_EQ(same->items(), loaded.items());
    EXPECT_EQ(same->selected(), loaded.selected());
    EXPECT_TRUE(same->includeChildren());
    loadText(loaded, text);  // a pattern from another filter's block is kept but not shown
    EXPECT_EQ(loaded.filterString(), "B*|\"x\"");
    EXPECT_TRUE(loaded.items().empty());
}

TEST_F(ItemFiltersTest, ItemListPickerReplacesTheListOnlyWhenConfirmed) {
    ItemListFilter list(nullptr);
    list.setItems({crate, lamp});
    for (const std::string button : {"Cancel", "Ok"}) {
        queue(Kind::Click, "Unselected", "Ball");
        queue(Kind::Press, "Select");
        queue(Kind::Press, button);
        list.DisplayPicker();
        // Confirmed, the list is what the dialog held: the lamp is no object.
        EXPECT_EQ(list.items(), (button == "Ok" ? std::set<LWItemID>{ball, crate}
                                                : std::set<LWItemID>{crate, lamp}));
    }
    EXPECT_TRUE(host.dialogs().errors().empty()) << host.dialogs().errors().front();
}

}  // namespace
