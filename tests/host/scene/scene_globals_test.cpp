// The four scene-query globals answered by the real host from a scene, as plug-ins reach them.
#include "lwhost/scene/scene_globals.h"

#include <gtest/gtest.h>
#include "lwhost/core/handles.h"
#include "lwhost/core/host.h"
#include "lwhost/scene/scene_file.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "test_paths.h"

namespace {

// Point and polygon handles as this host makes them: the index + 1 under the handle tag.
LWPntID pnt(uint32_t indexPlusOne) {
    return lwhost::handleOf<LWPntID>(indexPlusOne);
}
LWPolID pol(uint32_t indexPlusOne) {
    return lwhost::handleOf<LWPolID>(indexPlusOne);
}

using lwhost::Scene;

template <class T>
const T* acquire(const char* name) {
    return static_cast<const T*>(lwhost::Host::globalFunction()(name, LWGLOBAL_ACQUIRE));
}

class SceneGlobalsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(
            lwhost::SceneFile().load(std::string(EXAMPLES_DIR) + "/basic.lws", scene, error))
            << error;
        ASSERT_TRUE(items && objects && sceneObjects && surfaces);
    }
    LWItemID named(const char* name) { return scene.findItems(name).at(0); }

    lwhost::Host host;
    Scene scene;
    std::optional<lwhost::SceneGlobals> globals{std::in_place, host, scene};
    const st_LWItemInfo* items = acquire<st_LWItemInfo>(LWITEMINFO_GLOBAL);
    const st_LWObjectInfo* objects = acquire<st_LWObjectInfo>(LWOBJECTINFO_GLOBAL);
    const st_LWObjectFuncs* sceneObjects = acquire<st_LWObjectFuncs>(LWOBJECTFUNCS_GLOBAL);
    const st_LWSurfaceFuncs* surfaces = acquire<st_LWSurfaceFuncs>(LWSURFACEFUNCS_GLOBAL);
};

TEST_F(SceneGlobalsTest, GlobalsAreWithdrawnWithTheirSceneAndOldRecordsThenAnswerNothing) {
    LWItemID floor = named("Floor");
    EXPECT_STREQ(items->name(floor), "Floor");
    globals.reset();
    for (const char* name :
         {LWITEMINFO_GLOBAL, LWOBJECTINFO_GLOBAL, LWOBJECTFUNCS_GLOBAL, LWSURFACEFUNCS_GLOBAL})
        EXPECT_EQ(lwhost::Host::globalFunction()(name, LWGLOBAL_READ), nullptr) << name;
    EXPECT_EQ(items->name(floor), nullptr);
    EXPECT_EQ(items->first(LWI_OBJECT, LWITEM_NULL), LWITEM_NULL);
    EXPECT_EQ(sceneObjects->numObjects(), 0);
    EXPECT_EQ(objects->meshInfo(floor, 0), nullptr);
    EXPECT_EQ(surfaces->first(), nullptr);
}

TEST_F(SceneGlobalsTest, ItemInfoWalksTypesChildrenNamesCommentsAndPositions) {
    std::vector<std::string> objectNames;
    for (LWItemID i = items->first(LWI_OBJECT, LWITEM_NULL); i; i = items->next(i))
        objectNames.push_back(items->name(i));
    EXPECT_EQ(objectNames, (std::vector<std::string>{"Floor", "Rig", "Crate", "Ball", "Pyramid"}));
    LWItemID sun = items->first(LWI_LIGHT, LWITEM_NULL);
    EXPECT_STREQ(items->name(sun), "Sun");
    EXPECT_STREQ(items->name(items->next(sun)), "Fill");
    EXPECT_EQ(items->type(sun), LWI_LIGHT);
    EXPECT_EQ(items->type(items->first(LWI_CAMERA, LWITEM_NULL)), LWI_CAMERA);
    EXPECT_EQ(items->first(LWI_BONE, LWITEM_NULL), LWITEM_NULL);
    EXPECT_EQ(items->first(LWI_OBJECT, named("Rig")), LWITEM_NULL);
    EXPECT_EQ(items->type(reinterpret_cast<LWItemID>(uintptr_t{0x70000001u})), LWI_NONE);

    LWItemID rig = named("Rig");
    LWItemID crate = items->firstChild(rig);
    EXPECT_STREQ(items->name(crate), "Crate");
    EXPECT_STREQ(items->name(items->nextChild(rig, crate)), "Ball");
    EXPECT_EQ(items->nextChild(rig, items->nextChild(rig, crate)), LWITEM_NULL);
    EXPECT_EQ(items->parent(crate), rig);
    EXPECT_EQ(items->parent(rig), LWITEM_NULL);

    EXPECT_STREQ(items->getTag(rig, 1), "*c:tint=1, 0.8, 0.6;");
    EXPECT_STREQ(items->getTag(rig, 2), "hero");
    // Comment lines count from 1.
    for (int outside : {0, 3}) EXPECT_EQ(items->getTag(rig, outside), nullptr) << outside;
    EXPECT_EQ(items->getTag(crate, 1), nullptr);
    EXPECT_EQ(items->getTag(reinterpret_cast<LWItemID>(uintptr_t{0x10000999u}), 1), nullptr);

    double v[3] = {9, 9, 9};
    ASSERT_EQ(items->param(crate, LWIP_POSITION, 0.0, v), 1);
    EXPECT_DOUBLE_EQ(v[0], -2);
    ASSERT_EQ(items->param(crate, LWIP_W_POSITION, 0.0, v), 1);
    EXPECT_DOUBLE_EQ(v[1], 0.5);  // the rig lifts it
    ASSERT_EQ(items->param(crate, LWIP_ROTATION, 0.0, v), 1);
    EXPECT_DOUBLE_EQ(v[0], 30);
    ASSERT_EQ(items->param(named("Camera"), LWIP_FORWARD, 0.0, v), 1);
    EXPECT_NEAR(v[2], 0.984808, 1e-6);
    EXPECT_EQ(items->param(crate, 99, 0.0, v), 0);
    EXPECT_EQ(
        items->param(reinterpret_cast<LWItemID>(uintptr_t{0x10000999u}), LWIP_POSITION, 0.0, v), 0);
}

TEST_F(SceneGlobalsTest, ItemInfoFindsServersByClassAndPositionWithTheirFlags) {
    // Positions and classes are the scene's tests'; here the record reaches them.
    EXPECT_STREQ(items->server(LWITEM_NULL, "MasterHandler", 1), "qrvLumavex");
    scene.masters()[0].disabled = true;
    EXPECT_EQ(items->serverFlags(LWITEM_NULL, "MasterHandler", 1), LWSRVF_DISABLED);
    EXPECT_STREQ(items->server(named("Ball"), "ShaderHandler", 1), "qrvLumavex");
    EXPECT_EQ(items->server(LWITEM_NULL, nullptr, 1), nullptr);
}

TEST_F(SceneGlobalsTest, MeshInfoReadsGeometrySurfaceTagsAndBothKindsOfWeights) {
    LWItemID crate = named("Crate");
    EXPECT_STREQ(objects->filename(crate), "Crate");
    EXPECT_STREQ(objects->filename(named("Pyramid")), "pyramid.obj");
    EXPECT_EQ(objects->numPoints(crate), 8);
    EXPECT_EQ(objects->numPolygons(crate), 6);
    EXPECT_EQ(objects->numPoints(named("Rig")), 0);
    EXPECT_EQ(objects->filename(named("Sun")), nullptr);
    EXPECT_EQ(objects->meshInfo(named("Sun"), 0), nullptr);

    st_LWMeshInfo* mesh = objects->meshInfo(crate, 0);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->numPoints(mesh), 8);
    EXPECT_EQ(mesh->polSize(mesh, pol(1)), 4);
    EXPECT_EQ(mesh->polSize(mesh, pol(7)), 0);
    LWPntID corner = mesh->polVertex(mesh, pol(1), 0);
    EXPECT_EQ(corner, pnt(1));  // point index 0
    EXPECT_EQ(mesh->polVertex(mesh, pol(1), 4), nullptr);
    EXPECT_STREQ(mesh->polTag(mesh, pol(1), LWPTAG_SURF), "Wood");
    EXPECT_EQ(mesh->polTag(mesh, pol(1), LWID_MAKE('P', 'A', 'R', 'T')), nullptr);
    float pos[3];
    ASSERT_EQ(mesh->pntBasePos(mesh, corner, pos), 1);
    EXPECT_FLOAT_EQ(pos[0], 0.5f);
    EXPECT_EQ(mesh->pntBasePos(mesh, nullptr, pos), 0);

    EXPECT_EQ(mesh->pntVLookup(mesh, LWVMAP_WGHT, "Fade"), nullptr);  // the floor's map
    LWVMapID dirt = mesh->pntVLookup(mesh, LWVMAP_WGHT, "Dirt");
    ASSERT_NE(dirt, nullptr);
    float value = -1;
    EXPECT_EQ(mesh->pntVGet(mesh, pnt(1), &value), 0);  // nothing selected yet
    EXPECT_EQ(mesh->pntVSelect(mesh, dirt), 1);
    ASSERT_EQ(mesh->pntVGet(mesh, pnt(2), &value), 1);
    EXPECT_FLOAT_EQ(value, 0.5f);
    EXPECT_EQ(mesh->pntVGet(mesh, pnt(3), &value), 0);
    ASSERT_EQ(mesh->pntVPGet(mesh, pnt(1), pol(1), &value), 1);
    EXPECT_FLOAT_EQ(value, 0.25f);
    EXPECT_EQ(mesh->pntVPGet(mesh, pnt(2), pol(1), &value), 0);  // continuous value applies there
    EXPECT_EQ(mesh->pntVSelect(mesh, nullptr), 0);
    mesh->destroy(mesh);

    // Each request has its own selection.
    st_LWMeshInfo* a = objects->meshInfo(named("Floor"), 0);
    st_LWMeshInfo* b = objects->meshInfo(named("Floor"), 1);
    a->pntVSelect(a, a->pntVLookup(a, LWVMAP_WGHT, "Fade"));
    EXPECT_EQ(a->pntVGet(a, pnt(1), &value), 1);
    EXPECT_EQ(b->pntVGet(b, pnt(1), &value), 0);
    a->destroy(a);
    b->destroy(b);
}

TEST_F(SceneGlobalsTest, SceneObjectsKeepFileUserAndModellerNamesAtTheirFixedEntries) {
    // Entries counted from 1: the second is the file name, the 13th the user name and the 14th
    // the name in the modelling application.
    EXPECT_EQ(offsetof(st_LWObjectFuncs, filename), 1 * sizeof(void*));
    EXPECT_EQ(offsetof(st_LWObjectFuncs, userName), 12 * sizeof(void*));
    EXPECT_EQ(offsetof(st_LWObjectFuncs, refName), 13 * sizeof(void*));

    ASSERT_EQ(sceneObjects->numObjects(), 5);
    int pyramid = sceneObjects->objectIndex(named("Pyramid"));
    EXPECT_EQ(pyramid, 4);
    EXPECT_EQ(sceneObjects->item(pyramid), named("Pyramid"));
    EXPECT_STREQ(sceneObjects->filename(pyramid), "pyramid.obj");
    EXPECT_STREQ(sceneObjects->userName(pyramid), "Pyramid");
    EXPECT_STREQ(sceneObjects->refName(pyramid), "pyramid");
    EXPECT_STREQ(sceneObjects->filename(1), "Rig");  // a null takes its item name
    EXPECT_EQ(sceneObjects->filename(5), nullptr);
    EXPECT_EQ(sceneObjects->userName(-1), nullptr);
    EXPECT_EQ(sceneObjects->objectIndex(named("Sun")), -1);
    EXPECT_EQ(sceneObjects->numPoints(pyramid), 5);
    EXPECT_EQ(sceneObjects->numSurfaces(pyramid), 2);
    EXPECT_STREQ(sceneObjects->surfaceName(pyramid, 1), "Gold");
    EXPECT_EQ(sceneObjects->surfaceName(pyramid, 2), nullptr);

    ASSERT_EQ(sceneObjects->numVMaps(LWVMAP_WGHT), 2);
    EXPECT_STREQ(sceneObjects->vmapName(LWVMAP_WGHT, 0), "Fade");
    EXPECT_STREQ(sceneObjects->vmapName(LWVMAP_WGHT, 1), "Dirt");
    EXPECT_EQ(sceneObjects->vmapName(LWVMAP_WGHT, 2), nullptr);
    EXPECT_EQ(sceneObjects->vmapDim(LWVMAP_WGHT, 1), 1);
    EXPECT_EQ(sceneObjects->numVMaps(0), 2);
    EXPECT_EQ(sceneObjects->vmapType(0), LWVMAP_WGHT);
    EXPECT_EQ(sceneObjects->numVMaps(LWID_MAKE('T', 'X', 'U', 'V')), 0);
}

TEST_F(SceneGlobalsTest, SurfaceFunctionsListSurfacesByObjectAndNameWithTheirSettings) {
    std::vector<std::string> names;
    for (LWSurfaceID s = surfaces->first(); s; s = surfaces->next(s))
        names.push_back(surfaces->name(s));
    EXPECT_EQ(names, (std::vector<std::string>{"Floor", "Wood", "Chrome", "Stone", "Gold"}));

    const LWSurfaceID* ofPyramid = surfaces->byObject("pyramid.obj");
    ASSERT_NE(ofPyramid, nullptr);
    ASSERT_NE(ofPyramid[0], nullptr);
    EXPECT_STREQ(surfaces->name(ofPyramid[0]), "Stone");
    EXPECT_STREQ(surfaces->name(ofPyramid[1]), "Gold");
    EXPECT_EQ(ofPyramid[2], nullptr);
    EXPECT_EQ(surfaces->byObject("nothing")[0], nullptr);
    EXPECT_EQ(surfaces->byObject(nullptr), nullptr);

    const LWSurfaceID* chrome = surfaces->byName("Chrome", nullptr);
    ASSERT_NE(chrome[0], nullptr);
    EXPECT_EQ(chrome[1], nullptr);
    EXPECT_EQ(surfaces->byName("Chrome", "Ball")[0], chrome[0]);
    EXPECT_EQ(surfaces->byName("Chrome", "Crate")[0], nullptr);
    EXPECT_STREQ(surfaces->sceneObject(chrome[0]), "Ball");
    EXPECT_DOUBLE_EQ(surfaces->getFlt(chrome[0], LWSURF_REFLECTION), 0.6);
    EXPECT_DOUBLE_EQ(surfaces->getFlt(chrome[0], LWSURF_FLOAT_COUNT), 0.0);
    double rgb[3];
    ASSERT_EQ(surfaces->getColour(chrome[0], rgb), 1);
    EXPECT_DOUBLE_EQ(rgb[2], 0.95);
    EXPECT_STREQ(surfaces->server(chrome[0], 1), "qrvLumavex");
    EXPECT_EQ(surfaces->server(chrome[0], 2), nullptr);
    EXPECT_EQ(surfaces->getNodeEditor(chrome[0]), nullptr);
    int editor = 0;
    scene.surface(chrome[0])->nodes.data.instance = &editor;
    EXPECT_EQ(surfaces->getNodeEditor(chrome[0]), &editor);
}

TEST_F(SceneGlobalsTest, RenumberedItemsAndReplacedScenesAnswerOnlyUnderCurrentIds) {
    LWItemID crate = named("Crate");
    LWSurfaceID wood = surfaces->byObject("Crate")[0];
    auto pairs = scene.renumber();
    EXPECT_EQ(items->name(crate), nullptr);
    ASSERT_EQ(pairs[2].first, crate);
    LWItemID renamed = pairs[2].second;
    EXPECT_STREQ(items->name(renamed), "Crate");
    EXPECT_EQ(items->parent(renamed), pairs[1].second);

    // Loading the scene again gives new surfaces: an ID kept from before answers nothing.
    std::string error;
    ASSERT_TRUE(lwhost::SceneFile().load(std::string(EXAMPLES_DIR) + "/basic.lws", scene, error))
        << error;
    EXPECT_EQ(surfaces->name(wood), nullptr);
    EXPECT_STREQ(surfaces->name(surfaces->byObject("Crate")[0]), "Wood");
}

}  // namespace
