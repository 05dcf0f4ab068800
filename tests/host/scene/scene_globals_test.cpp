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

    // Each value by its code; unknown items and codes write zeros.
    struct Case {
        LWItemID item;
        LWItemParam which;
        int axis;
        double expected;
    };
    const LWItemID camera = named("Camera");
    const LWItemID unknown = reinterpret_cast<LWItemID>(uintptr_t{0x10000999u});
    for (const Case& c : std::vector<Case>{{crate, LWIP_POSITION, 0, -2},
                                           {crate, LWIP_W_POSITION, 1, 0.5},  // the rig lifts it
                                           {crate, LWIP_ROTATION, 0, 30},
                                           {crate, LWIP_SCALING, 0, 1},
                                           {crate, LWIP_RIGHT, 1, 0},
                                           {camera, LWIP_FORWARD, 2, 0.984808},
                                           {camera, LWIP_W_FORWARD, 2, 0.984808},
                                           {camera, LWIP_W_UP, 1, 0.984808},
                                           {camera, LWIP_W_RIGHT, 0, 1},
                                           {crate, LWIP_PIVOT, 0, 0},
                                           {crate, 99, 0, 0},
                                           {unknown, LWIP_POSITION, 0, 0}}) {
        double v[3] = {9, 9, 9};
        items->param(c.item, c.which, 0.0, v);
        EXPECT_NEAR(v[c.axis], c.expected, 1e-6) << c.which;
    }
    EXPECT_EQ(items->target(crate), LWITEM_NULL);
    EXPECT_EQ(items->goal(crate), LWITEM_NULL);
    double low[3] = {7, 7, 7}, high[3] = {7, 7, 7};
    EXPECT_EQ(items->limits(crate, LWIP_POSITION, low, high), 0u);
    EXPECT_EQ(low[0], 7);
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
    EXPECT_EQ(mesh->polType(mesh, pol(1)), LWPOLY_FACE);
    EXPECT_EQ(mesh->polType(mesh, pol(7)), 0u);
    float pos[3];
    mesh->pntBasePos(mesh, corner, pos);
    EXPECT_FLOAT_EQ(pos[0], 0.5f);
    mesh->pntOtherPos(mesh, corner, pos);
    EXPECT_FLOAT_EQ(pos[0], 0.5f);
    mesh->pntBasePos(mesh, nullptr, pos);
    EXPECT_FLOAT_EQ(pos[0], 0.0f);

    // Scans visit every element in order and stop at the first non-zero answer.
    struct Visits {
        std::vector<uint32_t> keys;
        size_t stopAfter;
        int record(uint32_t key) {
            keys.push_back(key);
            return keys.size() == stopAfter ? 42 : 0;
        }
    };
    Visits points{{}, 0}, polygons{{}, 2};
    EXPECT_EQ(
        mesh->scanPoints(
            mesh,
            [](void* d, LWPntID p) { return static_cast<Visits*>(d)->record(lwhost::keyOf(p)); },
            &points),
        0);
    EXPECT_EQ(points.keys.size(), 8u);
    EXPECT_EQ(points.keys.back(), 8u);
    EXPECT_EQ(
        mesh->scanPolys(
            mesh,
            [](void* d, LWPolID p) { return static_cast<Visits*>(d)->record(lwhost::keyOf(p)); },
            &polygons),
        42);
    EXPECT_EQ(polygons.keys, (std::vector<uint32_t>{1, 2}));

    EXPECT_EQ(mesh->pntVLookup(mesh, LWVMAP_WGHT, "Fade"), nullptr);  // the floor's map
    float value = -1;
    EXPECT_EQ(mesh->pntVGet(mesh, pnt(2), &value), 0);  // nothing selected yet
    void* dirt = mesh->pntVLookup(mesh, LWVMAP_WGHT, "Dirt");
    ASSERT_NE(dirt, nullptr);
    EXPECT_EQ(mesh->pntVGet(mesh, pnt(2), &value), 1);  // the lookup selected it
    EXPECT_EQ(mesh->pntVSelect(mesh, nullptr), 0);
    // By map, whatever the selection; a map of another mesh reads nothing.
    ASSERT_EQ(mesh->pntVIDGet(mesh, pnt(2), &value, dirt), 1);
    EXPECT_FLOAT_EQ(value, 0.5f);
    ASSERT_EQ(mesh->pntVPIDGet(mesh, pnt(1), pol(1), &value, dirt), 1);
    EXPECT_FLOAT_EQ(value, 0.25f);
    int notAMap = 0;
    EXPECT_EQ(mesh->pntVIDGet(mesh, pnt(2), &value, &notAMap), 0);
    EXPECT_EQ(mesh->pntVSelect(mesh, &notAMap), 0);
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

    // A clone of a file adds no object: objects are the scene's files, in order.
    lwhost::ObjectData clone;
    clone.fileName = "pyramid.obj";
    clone.refName = "pyramid";
    scene.addObject("Pyramid (2)", clone);
    ASSERT_EQ(sceneObjects->numObjects(), 5);
    const int pyramid = 4;
    EXPECT_STREQ(sceneObjects->filename(pyramid), "pyramid.obj");
    EXPECT_STREQ(sceneObjects->userName(pyramid), "Pyramid");  // its first object's name
    EXPECT_STREQ(sceneObjects->refName(pyramid), "pyramid");
    EXPECT_STREQ(sceneObjects->filename(1), "Rig");  // a null takes its item name
    EXPECT_EQ(sceneObjects->filename(5), nullptr);
    EXPECT_EQ(sceneObjects->userName(-1), nullptr);

    // One layer, 0, holding the file's geometry.
    EXPECT_EQ(sceneObjects->maxLayers(pyramid), 1);
    EXPECT_EQ(sceneObjects->maxLayers(5), 0);
    EXPECT_EQ(sceneObjects->layerExists(pyramid, 0), 1);
    EXPECT_EQ(sceneObjects->layerExists(pyramid, 1), 0);
    EXPECT_EQ(sceneObjects->layerVis(pyramid, 0), 1);
    EXPECT_STREQ(sceneObjects->layerName(pyramid, 0), "");
    EXPECT_EQ(sceneObjects->layerName(5, 0), nullptr);
    EXPECT_EQ(sceneObjects->layerMesh(pyramid, 1), nullptr);
    st_LWMeshInfo* layer = sceneObjects->layerMesh(pyramid, 0);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->numPoints(layer), 5);
    layer->destroy(layer);

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

    // Settings by name, each reaching its own value; unknown names and surfaces read nothing.
    lwhost::SurfaceSettings& settings = scene.surface(chrome[0])->settings;
    const std::pair<const char*, int> byName[] = {{SURF_LUMI, LWSURF_LUMINOSITY},
                                                  {SURF_DIFF, LWSURF_DIFFUSE},
                                                  {SURF_SPEC, LWSURF_SPECULAR},
                                                  {SURF_REFL, LWSURF_REFLECTION},
                                                  {SURF_TRAN, LWSURF_TRANSPARENCY},
                                                  {SURF_TRNL, LWSURF_TRANSLUCENCY},
                                                  {SURF_RIND, LWSURF_REFRACTION_INDEX},
                                                  {SURF_GLOS, LWSURF_GLOSSINESS},
                                                  {SURF_SHRP, LWSURF_DIFFUSE_SHARPNESS},
                                                  {SURF_RBLR, LWSURF_REFLECTION_BLURRING},
                                                  {SURF_TBLR, LWSURF_REFRACTION_BLURRING},
                                                  {SURF_CLRF, LWSURF_COLOUR_FILTER},
                                                  {SURF_CLRH, LWSURF_COLOUR_HIGHLIGHTS},
                                                  {SURF_ADTR, LWSURF_ADDITIVE_TRANSPARENCY}};
    for (const auto& [name, channel] : byName) settings.set(channel, 10.0 + channel);
    for (const auto& [name, channel] : byName) {
        const double* value = surfaces->getFlt(chrome[0], name);
        ASSERT_NE(value, nullptr) << name;
        EXPECT_EQ(*value, 10.0 + channel) << name;
    }
    const double* rgb = surfaces->getFlt(chrome[0], SURF_COLR);
    ASSERT_NE(rgb, nullptr);
    EXPECT_DOUBLE_EQ(rgb[2], 0.95);
    EXPECT_EQ(surfaces->getFlt(chrome[0], "Reflection"), nullptr);
    EXPECT_EQ(surfaces->getFlt(chrome[0], nullptr), nullptr);
    EXPECT_EQ(surfaces->getFlt(nullptr, SURF_DIFF), nullptr);

    // Unsupported members answer nothing; saving a library reports an error.
    EXPECT_EQ(surfaces->create("Ball", "New"), nullptr);
    EXPECT_EQ(surfaces->getInt(chrome[0], SURF_DIFF), 0);
    EXPECT_EQ(surfaces->getEnv(chrome[0], SURF_DIFF), nullptr);
    EXPECT_EQ(surfaces->createLib(), nullptr);
    EXPECT_NE(surfaces->saveLib(nullptr, "x.lib"), nullptr);

    // Shaders of a surface are reached through the object's item.
    EXPECT_STREQ(items->server(named("Ball"), "ShaderHandler", 1), "qrvLumavex");
    EXPECT_EQ(surfaces->getNodeEditor(chrome[0]), nullptr);
    int editor = 0;
    scene.surface(chrome[0])->nodes.data.instance = &editor;
    EXPECT_EQ(static_cast<void*>(surfaces->getNodeEditor(chrome[0])), &editor);
}

TEST_F(SceneGlobalsTest, RenumberedItemsAndReplacedScenesAnswerOnlyUnderCurrentIds) {
    LWItemID crate = named("Crate");
    LWSurfaceID wood = surfaces->byObject("Crate")[0];
    EXPECT_STREQ(sceneObjects->userName(2), "Crate");
    auto pairs = scene.renumber();
    EXPECT_STREQ(sceneObjects->userName(2), "Crate");  // the object files follow new IDs
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
