// Item references, the tracker and the scene pop-ups, against the example scene in the real
// host: objects Floor, Rig (a null), Crate, Ball and Pyramid (from pyramid.obj, surfaces Stone
// and Gold), lights Sun and Fill, weight maps Fade and Dirt.
#include <vexo/items.h>
#include "lwhost/io/blockio.h"
#include "lwhost/scene/scene.h"
#include "lwhost/scene/scene_file.h"

#include <set>
#include <string>
#include <vector>

#include "frame_test.h"

namespace {

class ItemsTest : public FrameTest {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(
            lwhost::SceneFile().load(std::string(EXAMPLES_DIR) + "/basic.lws", scene, error))
            << error;
    }
    LWItemID named(const char* name) { return scene.findItems(name).at(0); }

    static std::string saved(vexo::LWItem& item, int mode = LWIO_ASCII) {
        lwhost::MemorySaveState save(mode);
        item.Save(vexo::SaveState(save.record()));
        save.finish();
        return save.bytes();
    }
    static vexo::LWItem loaded(const std::string& bytes, int mode = LWIO_ASCII) {
        lwhost::MemoryLoadState load(bytes, mode);
        vexo::LWItem item;
        item.Load(vexo::LoadState(load.record()));
        return item;
    }

    lwhost::Scene& scene = session.scene();
};

TEST_F(ItemsTest, ReferencesFindTheirItemByNameOrKeepTheirIDAndTheTrackerFollowsRenumbering) {
    vexo::LWItem stored(named("Fill"), LWI_LIGHT);
    const std::string text = saved(stored);
    EXPECT_NE(text.find("Item \"Fill\""), std::string::npos) << text;
    scene.renumber();  // the reloaded scene numbers it anew
    vexo::LWItem reloaded = loaded(text);
    EXPECT_EQ(reloaded.id(), named("Fill"));
    EXPECT_EQ(reloaded.type(), LWI_LIGHT);

    vexo::LWItem second(scene.addLight("Sun"), LWI_LIGHT);
    EXPECT_EQ(loaded(saved(second)).id(), named("Sun"));

    vexo::LWItem none(LWITEM_NULL, LWI_LIGHT);
    const std::string noneText = saved(none);
    EXPECT_NE(noneText.find("\"(none)\""), std::string::npos) << noneText;
    EXPECT_EQ(loaded(noneText).id(), LWITEM_NULL);

    // A name the scene no longer has holds no item: a stored ID from another run could only
    // name some other item, or none, in this one.
    LWItemID id = scene.addLight("Gone");
    vexo::LWItem gone(id, LWI_LIGHT);
    const std::string bytes = saved(gone, LWIO_BINARY);
    scene.item(id)->name = "Renamed";
    EXPECT_EQ(loaded(bytes, LWIO_BINARY).id(), LWITEM_NULL);

    // The tracker answers the host's use-items question and follows chained renumbering.
    vexo::LWItemTracker tracker;
    const LWItemID* empty = tracker.useItems();
    EXPECT_EQ(empty[0], LWITEM_NULL);

    // The tracker treats handles as opaque: any distinct values do here.
    auto h = [](uintptr_t n) { return reinterpret_cast<LWItemID>(n); };
    vexo::LWItem a(h(10)), b(h(20));
    tracker.trackItem(a);
    tracker.trackItem(b);
    tracker.trackItem(nullptr);
    const LWItemID* ids = tracker.useItems();
    EXPECT_EQ(std::vector<LWItemID>(ids, ids + 3),
              (std::vector<LWItemID>{h(10), h(20), LWITEM_NULL}));

    const LWItemID pairs[] = {h(10), h(15), h(15), h(30), h(20), h(25), LWITEM_NULL, LWITEM_NULL};
    tracker.changeID(pairs);
    tracker.changeID(nullptr);
    EXPECT_EQ(a.id(), h(30));  // 10 -> 15 -> 30
    EXPECT_EQ(b.id(), h(25));

    tracker.unTrackItem(a);
    tracker.unTrackItem(nullptr);
    EXPECT_EQ(tracker.useItems()[0], h(25));
    EXPECT_EQ(tracker.size(), 1u);
}

TEST_F(ItemsTest, ItemPopUpListsItemsAfterTheNoneEntryAndItemInfoCountsAndFindsThem) {
    vexo::LWItemCallback lights(LWI_LIGHT, true, "(none)");
    ASSERT_EQ(lights.popCount(), 3);
    EXPECT_STREQ(lights.popName(0), "(none)");
    EXPECT_STREQ(lights.popName(1), "Sun");
    EXPECT_STREQ(lights.popName(2), "Fill");
    EXPECT_STREQ(lights.popName(3), "(none)");  // past the end

    vexo::ItemInfo items;
    EXPECT_EQ(items.CountItems(LWI_LIGHT), 2);
    EXPECT_EQ(items.GetItemN(LWI_LIGHT, 1)->id(), named("Fill"));
    EXPECT_EQ(items.GetItemN(LWI_LIGHT, 5)->id(), LWITEM_NULL);
    EXPECT_EQ(items.findServer("MasterHandler", "qrvLumavex", LWITEM_NULL), 1);
}

TEST_F(ItemsTest, ScenePopUpsAnswerEmptyPastTheEndAndObjectsAreFoundByFileOrModelerName) {
    vexo::SurfaceReference<false> all;
    EXPECT_EQ(all.popCount(), 5);
    EXPECT_STREQ(all.popName(1), "Wood");
    EXPECT_STREQ(all.popName(5), "");
    EXPECT_STREQ(all.popName(-1), "");

    vexo::VMapCallbacks weights(LWVMAP_WGHT, true);
    EXPECT_EQ(weights.popCount(), 3);
    EXPECT_STREQ(weights.popName(0), "(none)");
    EXPECT_STREQ(weights.popName(2), "Dirt");
    EXPECT_STREQ(weights.popName(3), "");

    vexo::LWSurface surfaces;
    std::set<vexo::LWSurface> pyramid = surfaces.byObject("pyramid.obj");
    ASSERT_EQ(pyramid.size(), 2u);
    EXPECT_STREQ(pyramid.begin()->name(), "Stone");
    EXPECT_TRUE(surfaces.byObject("none.obj").empty());

    vexo::SceneObjects objects;
    EXPECT_EQ(objects.findObject("pyramid.obj"), 4);
    EXPECT_EQ(objects.findObject("pyramid"), -1);
    vexo::SceneObjectReference<false> popup;
    EXPECT_EQ(popup.popCount(), 5);
    EXPECT_STREQ(popup.popName(4), "Pyramid");

    lwhost::HostIdentity modeler;
    modeler.systemType = 1;
    host.setIdentity(modeler);
    vexo::SetSuperGlobal(lwhost::Host::globalFunction());
    EXPECT_EQ(objects.findObject("pyramid"), 4);
    EXPECT_EQ(objects.findObject("pyramid.obj"), -1);
}

}  // namespace
