// The scene model: items and hierarchy, transforms, comments, renumbering, geometry and weight
// maps, OBJ files, surfaces and server queries.
#include "lwhost/scene/scene.h"
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "temp_dir.h"

namespace {

using lwhost::ItemType;
using lwhost::Mesh;
using lwhost::Scene;
using lwhost::Vec3;

void expectNear(const Vec3& v, double x, double y, double z) {
    EXPECT_NEAR(v.x, x, 1e-9);
    EXPECT_NEAR(v.y, y, 1e-9);
    EXPECT_NEAR(v.z, z, 1e-9);
}

// A value a plug-in could hold where a handle belongs: a small index or a 32-bit cut of one.
LWItemID notAHandle(uintptr_t bits) {
    return reinterpret_cast<LWItemID>(bits);
}

TEST(SceneTest, ItemsOfATypeAreListedInSceneOrderUnderHandlesThatAreNoIndices) {
    Scene scene;
    LWItemID a = scene.addNull("A");
    LWItemID key = scene.addLight("Key");
    LWItemID cam = scene.addCamera("Camera");
    LWItemID b = scene.addObject("B", lwhost::ObjectData());
    LWItemID fill = scene.addLight("Fill");

    // Object indices are checked through the scene globals on the example scene.
    EXPECT_EQ(scene.first(ItemType::Object), a);
    EXPECT_EQ(scene.next(a), b);
    EXPECT_EQ(scene.next(b), LWITEM_NULL);
    EXPECT_EQ(scene.next(key), fill);
    EXPECT_EQ(std::set<LWItemID>({a, key, cam, b, fill}).size(), 5u);
    EXPECT_EQ(scene.next(notAHandle(0x12345678u)), LWITEM_NULL);

    // Handles are the same from run to run (files and pictures must not change), yet neither
    // small nor 32-bit: a plug-in that keeps one in fewer bits, or counts items by index, gets
    // nothing for what it kept.
    Scene again;
    EXPECT_EQ(again.addNull("A"), a);
    for (LWItemID id : {a, key, cam}) {
        const uintptr_t bits = reinterpret_cast<uintptr_t>(id);
        EXPECT_GT(bits, 0xFFFFu);
        if (sizeof(void*) == 8) {
            EXPECT_GT(bits, 0xFFFFFFFFu);
            EXPECT_EQ(scene.item(notAHandle(bits & 0xFFFFFFFFu)), nullptr);
        }
    }
    for (uintptr_t index = 0; index < 6; ++index)
        EXPECT_EQ(scene.item(notAHandle(index)), nullptr) << index;
}

TEST(SceneTest, ChildrenFollowSceneOrderWhateverOrderTheyWereParentedIn) {
    Scene scene;
    LWItemID parent = scene.addNull("Parent");
    LWItemID a = scene.addNull("A");
    LWItemID light = scene.addLight("L");
    LWItemID c = scene.addNull("C");
    ASSERT_TRUE(scene.setParent(c, parent));
    ASSERT_TRUE(scene.setParent(light, parent));
    ASSERT_TRUE(scene.setParent(a, parent));

    // The walk plug-ins make: each next child is found from the one before, as siblings come
    // and go.
    const auto walk = [&scene](LWItemID of) {
        std::vector<LWItemID> children;
        for (LWItemID i = scene.firstChild(of); i; i = scene.nextChild(of, i))
            children.push_back(i);
        return children;
    };
    EXPECT_EQ(walk(parent), (std::vector<LWItemID>{a, light, c}));
    EXPECT_EQ(scene.depth(light), 1);

    ASSERT_TRUE(scene.setParent(light, a));
    EXPECT_EQ(walk(parent), (std::vector<LWItemID>{a, c}));
    EXPECT_EQ(walk(a), std::vector<LWItemID>{light});
    EXPECT_EQ(scene.nextChild(parent, light), LWITEM_NULL);
    EXPECT_EQ(scene.depth(light), 2);
    ASSERT_TRUE(scene.setParent(light, LWITEM_NULL));
    EXPECT_EQ(scene.parent(light), LWITEM_NULL);
    EXPECT_TRUE(scene.item(a)->children.empty());
    ASSERT_TRUE(scene.setParent(light, parent));
    ASSERT_TRUE(scene.setParent(a, LWITEM_NULL));
    EXPECT_EQ(walk(parent), (std::vector<LWItemID>{light, c}));
}

TEST(SceneTest, ParentingRefusesCyclesUnknownItemsAndTooDeepHierarchies) {
    Scene scene;
    LWItemID a = scene.addNull("A"), b = scene.addNull("B"), c = scene.addNull("C");
    ASSERT_TRUE(scene.setParent(b, a));
    ASSERT_TRUE(scene.setParent(c, b));
    std::string why;
    EXPECT_FALSE(scene.setParent(a, c, &why));
    EXPECT_NE(why.find("cycle"), std::string::npos);
    EXPECT_FALSE(scene.setParent(a, a, &why));
    EXPECT_FALSE(scene.setParent(a, notAHandle(0x10000999u), &why));
    EXPECT_FALSE(scene.setParent(notAHandle(0x10000999u), a, &why));
    EXPECT_EQ(scene.parent(a), LWITEM_NULL);

    // A chain at the depth limit takes no further level, from below or from above.
    Scene deep;
    LWItemID top = deep.addNull("top"), last = top;
    for (int i = 0; i < lwhost::kMaxHierarchyDepth; ++i) {
        LWItemID n = deep.addNull("n");
        ASSERT_TRUE(deep.setParent(n, last));
        last = n;
    }
    EXPECT_EQ(deep.depth(last), lwhost::kMaxHierarchyDepth);
    LWItemID extra = deep.addNull("extra");
    EXPECT_FALSE(deep.setParent(extra, last, &why));
    EXPECT_NE(why.find("deeper"), std::string::npos);
    EXPECT_FALSE(deep.setParent(top, extra, &why));
}

TEST(SceneTest, WorldMatrixAppliesParentTransformsAndTheRotationConventions) {
    Scene scene;
    LWItemID parent = scene.addNull("P");
    LWItemID child = scene.addNull("C");
    scene.setParent(child, parent);
    scene.item(parent)->transform.position = {0, 1, 0};
    scene.item(parent)->transform.rotation = {90, 0, 0};  // heading: +Z turns to +X
    scene.item(parent)->transform.scale = {2, 2, 2};
    scene.item(child)->transform.position = {0, 0, 1};

    lwhost::Matrix4 world = scene.worldMatrix(child);
    expectNear(lwhost::transformPoint(world, {}), 2, 1, 0);
    expectNear(lwhost::normalized(lwhost::transformDirection(world, {0, 0, 1})), 1, 0, 0);

    lwhost::Transform pitch;
    pitch.rotation = {0, 90, 0};  // +Z turns to -Y
    expectNear(lwhost::transformDirection(pitch.matrix(), {0, 0, 1}), 0, -1, 0);
    lwhost::Transform bank;
    bank.rotation = {0, 0, 90};  // +X turns to -Y
    expectNear(lwhost::transformDirection(bank.matrix(), {1, 0, 0}), 0, -1, 0);
}

TEST(SceneTest, RenumberingGivesEveryItemAnUnusedIdAndKeepsTheHierarchy) {
    Scene scene;
    LWItemID p = scene.addNull("P");
    LWItemID l = scene.addLight("L");
    LWItemID c = scene.addCamera("C");
    scene.setParent(l, p);
    scene.setParent(c, l);
    std::set<LWItemID> everUsed{p, l, c};

    for (int round = 0; round < 3; ++round) {
        uint64_t before = scene.revision();
        auto pairs = scene.renumber();
        ASSERT_EQ(pairs.size(), 4u);
        EXPECT_EQ(pairs.back(), (std::pair<LWItemID, LWItemID>{LWITEM_NULL, LWITEM_NULL}));
        EXPECT_NE(scene.revision(), before);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_TRUE(everUsed.insert(pairs[i].second).second) << "ID reused";
            EXPECT_EQ(scene.item(pairs[i].first), nullptr);
            EXPECT_EQ(scene.item(pairs[i].second), &scene.itemAt(i));
        }
        p = pairs[0].second;
        l = pairs[1].second;
        c = pairs[2].second;
        EXPECT_EQ(scene.parent(l), p);
        EXPECT_EQ(scene.parent(c), l);
        EXPECT_EQ(scene.firstChild(p), l);
        EXPECT_EQ(scene.first(ItemType::Camera), c);
    }
}

TEST(SceneTest, WeightMapsGiveContinuousValuesAndPolygonValuesThatOverrideThem) {
    Mesh mesh = lwhost::makePlane("S", 2, 2);  // points at x = -1 and x = 1
    lwhost::WeightMap map;
    map.name = "W";
    map.setValue(2, 0.9f);
    map.polygonValues[{0, 1}] = 0.25f;
    mesh.weightMaps.push_back(map);
    const lwhost::WeightMap& w = *mesh.weightMap("W");

    float v = -1;
    EXPECT_TRUE(mesh.weight(w, 2, v));
    EXPECT_FLOAT_EQ(v, 0.9f);
    EXPECT_FALSE(mesh.weight(w, 0, v));  // no value, no ramp
    EXPECT_FALSE(mesh.weight(w, 99, v));
    EXPECT_TRUE(Mesh::polygonWeight(w, 0, 1, v));
    EXPECT_FLOAT_EQ(v, 0.25f);
    EXPECT_FALSE(Mesh::polygonWeight(w, 0, 2, v));

    // A ramp along X from 0 to 1 gives 0.5 at x = 0; points beyond the ends are clamped;
    // explicit values still win.
    lwhost::WeightMap& r = *mesh.weightMap("W");
    r.ramp = {0, -2, 2, 0.0f, 1.0f};
    for (uint32_t p = 0; p < 4; ++p) {
        ASSERT_TRUE(mesh.weight(r, p, v));
        if (p == 2)
            EXPECT_FLOAT_EQ(v, 0.9f);
        else
            EXPECT_FLOAT_EQ(v, mesh.points[p].x < 0 ? 0.25f : 0.75f);
    }
    r.ramp = {0, 0, 0.5, 1.0f, 0.0f};  // falling ramp; x = -1 is before its start
    EXPECT_TRUE(mesh.weight(r, 0, v));
    EXPECT_FLOAT_EQ(v, mesh.points[0].x < 0 ? 1.0f : 0.0f);
}

TEST(SceneTest, PrimitivesAreClosedMeshesWhosePolygonsFaceOutwards) {
    auto facesOut = [](const Mesh& m) {
        for (const lwhost::Polygon& p : m.polygons) {
            const Vec3 &a = m.points[p.points[0]], &b = m.points[p.points[1]],
                       &c = m.points[p.points[2]];
            Vec3 e1{b.x - a.x, b.y - a.y, b.z - a.z}, e2{c.x - a.x, c.y - a.y, c.z - a.z};
            Vec3 n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
            Vec3 centre;
            for (int i = 0; i < p.size; ++i) {
                centre.x += m.points[p.points[i]].x / p.size;
                centre.y += m.points[p.points[i]].y / p.size;
                centre.z += m.points[p.points[i]].z / p.size;
            }
            if (n.x * centre.x + n.y * centre.y + n.z * centre.z <= 0) return false;
        }
        return true;
    };
    Mesh plane = lwhost::makePlane("P", 4, 2);
    ASSERT_EQ(plane.points.size(), 4u);
    ASSERT_EQ(plane.polygons.size(), 1u);
    const lwhost::Polygon& q = plane.polygons[0];
    Vec3 a = plane.points[q.points[0]], b = plane.points[q.points[1]],
         c = plane.points[q.points[2]];
    EXPECT_GT((b.z - a.z) * (c.x - a.x) - (b.x - a.x) * (c.z - a.z), 0);  // normal's y: up

    Mesh box = lwhost::makeBox("B", {1, 2, 3});
    EXPECT_EQ(box.points.size(), 8u);
    EXPECT_EQ(box.polygons.size(), 6u);
    EXPECT_TRUE(facesOut(box));

    Mesh sphere = lwhost::makeSphere("S", 1, 8);
    EXPECT_EQ(sphere.points.size(), 2u + 3u * 8u);
    EXPECT_EQ(sphere.polygons.size(), 8u + 2u * 8u + 8u);
    EXPECT_TRUE(facesOut(sphere));
    EXPECT_EQ(sphere.surfaces, std::vector<std::string>{"S"});
}

TEST(SceneTest, ObjMaterialsNameSurfacesAndGiveTheirFirstSettings) {
    const TempDir dir("scene");
    std::ofstream(dir / "t.mtl") << "newmtl Red\nKd 1 0 0\nNs 1024\nd 0.25\nNi 1.5\n";
    std::ofstream(dir / "t.obj")
        << "mtllib t.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0.5 2 0\n"
           "f 1 2 3\nusemtl Red\nf -5/1 -4 -3 -2 -1\nusemtl Blue\nf 1 2 3 4\n";
    lwhost::ObjGeometry obj;
    std::string error;
    ASSERT_TRUE(lwhost::loadObjFile(dir / "t.obj", obj, error)) << error;
    EXPECT_EQ(obj.mesh.points.size(), 5u);
    // The pentagon becomes a fan of three triangles.
    ASSERT_EQ(obj.mesh.polygons.size(), 5u);
    EXPECT_EQ(obj.mesh.surfaces, (std::vector<std::string>{"Default", "Red", "Blue"}));
    EXPECT_EQ(obj.mesh.polygons[1].size, 3);
    EXPECT_EQ(obj.mesh.polygons[4].size, 4);
    EXPECT_EQ(obj.mesh.surfaces[obj.mesh.polygons[3].surface], "Red");
    ASSERT_EQ(obj.materials.count("Red"), 1u);
    const lwhost::SurfaceSettings& red = obj.materials["Red"];
    EXPECT_EQ(red.colour, (Vec3{1, 0, 0}));
    EXPECT_DOUBLE_EQ(red.get(LWSURF_TRANSPARENCY), 0.75);
    EXPECT_DOUBLE_EQ(red.get(LWSURF_REFRACTION_INDEX), 1.5);
    EXPECT_DOUBLE_EQ(red.get(LWSURF_GLOSSINESS), 1.0);

    // Two objects from one file share its surfaces; the one without a material keeps defaults.
    Scene scene;
    lwhost::ObjectData data;
    data.source.kind = lwhost::GeometryKind::ObjFile;
    data.source.path = "t.obj";
    data.mesh = obj.mesh;
    LWItemID first = scene.addObject("One", data, &obj.materials);
    scene.addObject("Two", data, &obj.materials);
    EXPECT_EQ(scene.surfaceCount(), 3u);
    EXPECT_EQ(scene.item(first)->object.fileName, "t.obj");
    EXPECT_EQ(scene.item(first)->object.refName, "t");
    const lwhost::Surface* s = scene.findSurface("Red", "t.obj");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->settings.colour, (Vec3{1, 0, 0}));
    EXPECT_EQ(scene.findSurface("Blue", "t.obj")->settings.colour,
              lwhost::SurfaceSettings().colour);
    EXPECT_EQ(scene.polygonSurface(first, 3), s->id);
    EXPECT_EQ(scene.surfacesOf("t.obj").size(), 3u);
}

TEST(SceneTest, ObjWithoutItsMaterialFileStillNamesSurfaces) {
    const TempDir dir("scene");
    std::ofstream(dir / "a.obj")
        << "mtllib gone.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nusemtl Paint\nf 1 2 3\n";
    lwhost::ObjGeometry obj;
    std::string error;
    ASSERT_TRUE(lwhost::loadObjFile(dir / "a.obj", obj, error)) << error;
    EXPECT_EQ(obj.mesh.surfaces, std::vector<std::string>{"Paint"});
    EXPECT_TRUE(obj.materials.empty());
    EXPECT_FALSE(lwhost::loadObjFile(dir / "missing.obj", obj, error));
    EXPECT_FALSE(lwhost::loadObjFile(dir.path, obj, error));  // a directory is not an OBJ file
}

TEST(SceneTest, ServersArePositionedPerClassOnTheSceneAndOnObjectSurfaces) {
    Scene scene;
    scene.masters().push_back({"First", false, {}});
    scene.masters().push_back({"Second", true, {}});
    lwhost::ObjectData data;
    data.source.kind = lwhost::GeometryKind::Inline;
    data.mesh = lwhost::makeBox("A", {1, 1, 1});
    data.mesh.points.push_back({0, 0, 0});
    data.mesh.addPolygon("B", {0, 1, 8});
    LWItemID box = scene.addObject("Box", data);
    scene.findSurface("A", "Box")->shaders.push_back({"ShadeA", {}});
    scene.findSurface("B", "Box")->shaders.push_back({"ShadeB1", {}});
    scene.findSurface("B", "Box")->shaders.push_back({"ShadeB2", {}});

    EXPECT_STREQ(scene.serverName(LWITEM_NULL, "MasterHandler", 2), "Second");
    EXPECT_EQ(scene.serverFlags(LWITEM_NULL, "MasterHandler", 2), LWSRVF_DISABLED);
    for (int outside : {0, 3})
        EXPECT_EQ(scene.serverName(LWITEM_NULL, "MasterHandler", outside), nullptr) << outside;
    EXPECT_EQ(scene.serverName(LWITEM_NULL, "ShaderHandler", 1), nullptr);

    EXPECT_STREQ(scene.serverName(box, "ShaderHandler", 1), "ShadeA");
    EXPECT_STREQ(scene.serverName(box, "ShaderHandler", 3), "ShadeB2");
    EXPECT_EQ(scene.serverName(box, "ShaderHandler", 4), nullptr);
    EXPECT_EQ(scene.serverName(box, "MasterHandler", 1), nullptr);
}

// Missing vertices, and what a lax loader would read as a wrong vertex, as 0 or as nothing.
TEST(SceneTest, ObjFilesTheLoaderWouldMisreadAreRefusedNamingFileAndLine) {
    const TempDir dir("scene");
    const std::string tri = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    const struct {
        std::string text;
        const char* error;
    } cases[] = {
        {tri + "f 1 2 3\nf 1 2 9\n",
         ", line 5: face 2 names a vertex that does not exist (the file has 3)"},
        {tri + "f 1 2\n", ", line 4: face 1 has fewer than 3 points"},
        {tri + "f 1 2 4294967298\n", ", line 4: face 1: \"4294967298\" is not a vertex number"},
        {tri + "\nf 1 2 3\nf 1 2 -4294967295\n",
         ", line 6: face 2: \"-4294967295\" is not a vertex number"},
        {"v 0 0 0\r\nv nan 0 0\r\n", ", line 2: the coordinate \"nan\" is not a finite number"},
        {tri + "v 1 2\n", ", line 4: a vertex needs three coordinates, found 2"},
        {"# made by hand\n" + std::string("\x7f"
                                          "ELF\x02\x01\x01\0\0\0",
                                          10),
         ", line 2: not a text file (it holds the byte 0x7f)"},
    };
    for (const auto& c : cases) {
        std::ofstream(dir / "bad.obj", std::ios::binary) << c.text;
        lwhost::ObjGeometry obj;
        std::string error;
        EXPECT_FALSE(lwhost::loadObjFile(dir / "bad.obj", obj, error)) << c.text;
        EXPECT_EQ(error, "OBJ file \"" + (dir / "bad.obj") + "\"" + c.error);
    }
}

}  // namespace
