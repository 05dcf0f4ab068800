// Item references, the tracker and the scene pop-ups, against a small fake scene published as
// the host's globals.
#include <gtest/gtest.h>
#include <vexo/items.h>
#include <vexo/server.h>
#include "lwhost/core/host.h"
#include "lwhost/io/blockio.h"
#include "lwhost/session/session.h"

#include <string>
#include <vector>

namespace {

// Items in host order: ID, type, name.
struct FakeItem {
    LWItemID id;
    int type;
    std::string name;
};

struct FakeScene {
    static std::vector<FakeItem>& items() {
        static std::vector<FakeItem> list;
        return list;
    }
    static const FakeItem* find(LWItemID id) {
        for (const FakeItem& i : items())
            if (i.id == id) return &i;
        return nullptr;
    }
    static LWItemID first(int type, LWItemID) {
        for (const FakeItem& i : items())
            if (i.type == type) return i.id;
        return 0;
    }
    static LWItemID next(LWItemID id) {
        const FakeItem* cur = find(id);
        bool after = false;
        for (const FakeItem& i : items()) {
            if (after && i.type == cur->type) return i.id;
            if (&i == cur) after = true;
        }
        return 0;
    }
    static const char* name(LWItemID id) {
        const FakeItem* i = find(id);
        return i ? i->name.c_str() : nullptr;
    }
    // Objects by index: file names "/obj/<name>.obj", reference names "<name>".
    static std::vector<std::string>& files() {
        static std::vector<std::string> list;
        return list;
    }
    static int numObjects() { return static_cast<int>(files().size()); }
    static const char* filename(int i) {
        return i >= 0 && i < numObjects() ? files()[static_cast<size_t>(i)].c_str() : nullptr;
    }
    static const char* refName(int i) {
        static std::string scratch;
        const char* f = filename(i);
        if (!f) return nullptr;
        scratch = std::string(f).substr(5);
        scratch = scratch.substr(0, scratch.size() - 4);
        return scratch.c_str();
    }
    static int numVMaps(LWID) { return 0; }
    static const char* vmapName(LWID, int) { return nullptr; }
    static LWSurfaceID sfirst() { return 1; }
    static LWSurfaceID snext(LWSurfaceID s) { return s < 2 ? s + 1 : 0; }
    static const char* sname(LWSurfaceID s) {
        return s == 1 ? "Floor" : (s == 2 ? "Wall" : nullptr);
    }
    static const LWSurfaceID* byObject(const char* object) {
        static const LWSurfaceID both[] = {2, 1, 0};
        return std::string(object) == "/obj/room.obj" ? both : nullptr;
    }
};

class ItemsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FakeScene::items() = {
            {0x2001, LWI_LIGHT, "Key"}, {0x2009, LWI_LIGHT, "Light"}, {0x1003, LWI_OBJECT, "Box"}};
        FakeScene::files() = {"/obj/room.obj", "/obj/box.obj"};
        info.first = &FakeScene::first;
        info.next = &FakeScene::next;
        info.name = &FakeScene::name;
        objectFuncs.numObjects = &FakeScene::numObjects;
        objectFuncs.filename = &FakeScene::filename;
        objectFuncs.refName = &FakeScene::refName;
        objectFuncs.userName = &FakeScene::refName;
        objectFuncs.numVMaps = &FakeScene::numVMaps;
        objectFuncs.vmapName = &FakeScene::vmapName;
        surfaceFuncs.first = &FakeScene::sfirst;
        surfaceFuncs.next = &FakeScene::snext;
        surfaceFuncs.name = &FakeScene::sname;
        surfaceFuncs.byObject = &FakeScene::byObject;
        host.globals().publish("LW Item Info 3", &info);
        host.globals().publish("Scene Objects 4", &objectFuncs);
        host.globals().publish("Surface Functions 3", &surfaceFuncs);
        vexo::SetSuperGlobal(lwhost::Host::globalFunction());
    }

    // Saves `item` in the text encoding and loads the text into a fresh reference.
    static vexo::LWItem roundTrip(vexo::LWItem& item, std::string* text = nullptr) {
        lwhost::MemorySaveState save(LWIO_TEXT);
        item.Save(vexo::SaveState(save.record()));
        save.finish();
        if (text) *text = save.bytes();
        lwhost::MemoryLoadState load(save.bytes(), LWIO_TEXT);
        vexo::LWItem loaded;
        loaded.Load(vexo::LoadState(load.record()));
        return loaded;
    }

    lwhost::Session session;
    lwhost::Host& host = session.host();
    st_LWItemInfo info{};
    st_LWObjectFuncs objectFuncs{};
    st_LWSurfaceFuncs surfaceFuncs{};
};

TEST_F(ItemsTest, ReferenceFindsItsItemByNameAfterIDsChanged) {
    FakeScene::items()[1].id = 0x2007;  // "Light" had ID 7 when saved
    vexo::LWItem stored(0x2007, LWI_LIGHT);
    // Save while the scene still calls it "Light" with the old ID.
    std::string saved;
    {
        lwhost::MemorySaveState save(LWIO_TEXT);
        stored.Save(vexo::SaveState(save.record()));
        save.finish();
        saved = save.bytes();
    }
    EXPECT_NE(saved.find("Item \"Light\""), std::string::npos) << saved;
    FakeScene::items()[1].id = 0x2009;  // the reloaded scene numbers it 9
    lwhost::MemoryLoadState load(saved, LWIO_TEXT);
    vexo::LWItem loaded;
    loaded.Load(vexo::LoadState(load.record()));
    EXPECT_EQ(loaded.id(), 0x2009u);
    EXPECT_EQ(loaded.type(), LWI_LIGHT);
}

TEST_F(ItemsTest, DuplicateNamesResolveToTheFirstInHostOrder) {
    FakeScene::items()[0].name = "Light";
    vexo::LWItem ref(0x2009, LWI_LIGHT);
    EXPECT_EQ(roundTrip(ref).id(), 0x2001u);
}

TEST_F(ItemsTest, ReferenceWithoutIDSavesNoneAndUnknownNameKeepsTheStoredID) {
    vexo::LWItem none(LWITEM_NULL, LWI_LIGHT);
    std::string text;
    vexo::LWItem loaded = roundTrip(none, &text);
    EXPECT_NE(text.find("\"(none)\""), std::string::npos) << text;
    EXPECT_EQ(loaded.id(), LWITEM_NULL);

    // A name the scene no longer has: the loaded ID stays for the host's renumbering.
    vexo::LWItem gone(0x2005, LWI_LIGHT);
    FakeScene::items().push_back({0x2005, LWI_LIGHT, "Gone"});
    std::string saved;
    {
        lwhost::MemorySaveState save(LWIO_BINARY);
        gone.Save(vexo::SaveState(save.record()));
        save.finish();
        saved = save.bytes();
    }
    FakeScene::items().pop_back();
    lwhost::MemoryLoadState load(saved, LWIO_BINARY);
    vexo::LWItem reloaded;
    reloaded.Load(vexo::LoadState(load.record()));
    EXPECT_EQ(reloaded.id(), 0x2005u);
}

TEST_F(ItemsTest, TrackerAnswersUseItemsAndFollowsChainedRenumbering) {
    vexo::LWItemTracker tracker;
    const LWItemID* empty = tracker.useItems();
    EXPECT_EQ(empty[0], LWITEM_NULL);

    vexo::LWItem a(10), b(20);
    tracker.trackItem(a);
    tracker.trackItem(b);
    tracker.trackItem(nullptr);
    const LWItemID* ids = tracker.useItems();
    EXPECT_EQ(ids[0], 10u);
    EXPECT_EQ(ids[1], 20u);
    EXPECT_EQ(ids[2], LWITEM_NULL);

    const LWItemID pairs[] = {10, 15, 15, 30, 20, 25, 0, 0};
    tracker.changeID(pairs);
    tracker.changeID(nullptr);
    EXPECT_EQ(a.id(), 30u);  // 10 -> 15 -> 30
    EXPECT_EQ(b.id(), 25u);

    tracker.unTrackItem(a);
    tracker.unTrackItem(nullptr);
    EXPECT_EQ(tracker.useItems()[0], 25u);
    EXPECT_EQ(tracker.size(), 1u);
}

TEST_F(ItemsTest, ItemPopUpListsItemsAfterTheNoneEntry) {
    vexo::LWItemCallback lights(LWI_LIGHT, true, "(none)");
    ASSERT_EQ(lights.popCount(), 3);
    EXPECT_STREQ(lights.popName(0), "(none)");
    EXPECT_STREQ(lights.popName(1), "Key");
    EXPECT_STREQ(lights.popName(2), "Light");
    EXPECT_STREQ(lights.popName(3), "(none)");  // past the end

    vexo::LWItemCallback cameras(LWI_CAMERA, true, "(none)");
    EXPECT_EQ(cameras.popCount(), 1);
    EXPECT_STREQ(cameras.popName(0), "(none)");
}

TEST_F(ItemsTest, ItemInfoCountsAndFindsItemsAndServers) {
    vexo::ItemInfo items;
    EXPECT_EQ(items.CountItems(LWI_LIGHT), 2);
    EXPECT_EQ(items.GetItemN(LWI_LIGHT, 1)->id(), 0x2009u);
    EXPECT_EQ(items.GetItemN(LWI_LIGHT, 5)->id(), LWITEM_NULL);
}

TEST_F(ItemsTest, ObjectsAreFoundByFileNameOrOnTheModelerByReferenceName) {
    vexo::SceneObjects objects;
    EXPECT_EQ(objects.findObject("/obj/box.obj"), 1);
    EXPECT_EQ(objects.findObject("box"), -1);
    vexo::SceneObjectReference<false> popup;
    EXPECT_EQ(popup.popCount(), 2);
    EXPECT_STREQ(popup.popName(0), "room");

    lwhost::HostIdentity modeler;
    modeler.systemType = 1;
    host.setIdentity(modeler);
    vexo::SetSuperGlobal(lwhost::Host::globalFunction());
    EXPECT_EQ(objects.findObject("box"), 1);
    EXPECT_EQ(objects.findObject("/obj/box.obj"), -1);
}

TEST_F(ItemsTest, SurfacePopUpsAndVertexMapsAnswerEmptyPastTheEnd) {
    vexo::SurfaceReference<false> all;
    EXPECT_EQ(all.popCount(), 2);
    EXPECT_STREQ(all.popName(1), "Wall");
    EXPECT_STREQ(all.popName(2), "");
    EXPECT_STREQ(all.popName(-1), "");

    vexo::VMapCallbacks weights(LWVMAP_WGHT, true);
    EXPECT_EQ(weights.popCount(), 1);
    EXPECT_STREQ(weights.popName(0), "(none)");

    vexo::LWSurface surfaces;
    std::set<vexo::LWSurface> room = surfaces.byObject("/obj/room.obj");
    ASSERT_EQ(room.size(), 2u);
    EXPECT_EQ(room.begin()->id(), 1u);  // ordered by ID
    EXPECT_TRUE(surfaces.byObject("/obj/none.obj").empty());
}

}  // namespace
