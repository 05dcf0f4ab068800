// The surface and weight-map filters of the filter node against the real host's scene: per-frame
// selection, evaluation of samples, save and load, and the "Select Surfaces" dialog.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "bundle_fixtures.h"
#include "selection/surface_filters.h"
#include "toolkit/pickers.h"

namespace {

using bundle_test::Kind;
using bundle_test::loadText;
using bundle_test::saveText;
using lwhost::Mesh;
using lwhost::ObjectData;

// A quad (points 1-4, surface `quad`) and a triangle (points 1, 2, 5, surface `tri`); "Heat"
// holds 1.0 on every point but point 3, which has 0.4 only on the quad.
ObjectData object(const std::string& file, const std::string& quad, const std::string& tri) {
    ObjectData data;
    data.source.kind = lwhost::GeometryKind::Inline;
    data.fileName = file;
    Mesh& m = data.mesh;
    m.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}};
    EXPECT_TRUE(m.addPolygon(quad, {0, 1, 2, 3}));
    EXPECT_TRUE(m.addPolygon(tri, {0, 1, 4}));
    lwhost::WeightMap heat;
    heat.name = "Heat";
    for (uint32_t p : {0u, 1u, 3u, 4u}) heat.setValue(p, 1.0f);
    heat.polygonValues[{0u, 2u}] = 0.4f;
    m.weightMaps.push_back(heat);
    return data;
}

class SurfaceFiltersTest : public bundle_test::SceneTest {
  protected:
    std::ostringstream printed;
    LWItemID ball = scene.addObject("Ball", object("objects/ball.obj", "Paint", "Rubber"));
    LWItemID ballClone = scene.addObject("Ball (2)", object("objects/ball.obj", "Paint", "Rubber"));
    LWItemID box = scene.addObject("Box", object("other\\box.obj", "Paint", "Mats/Wood"));

    void SetUp() override { host.dialogs().setOutput(&printed); }

    // A sample on polygon `polygon` (1 quad, 2 triangle) of `item`, weighted evenly over its
    // points.
    // Polygon and points by index + 1: polygon 1 is the quad.
    static LWNodalAccess_t sample(LWItemID item, uint32_t polygon) {
        LWNodalAccess_t a{};
        a.objID = item;
        a.polygon = polygonHandle(polygon);
        const int n = polygon == 1 ? 4 : 3;
        const uint32_t quad[4] = {1, 2, 3, 4}, tri[4] = {1, 2, 5, 0};
        for (int k = 0; k < n; ++k) {
            a.verts[k] = pointHandle(polygon == 1 ? quad[k] : tri[k]);
            a.weights[k] = 1.0f / static_cast<float>(n);
        }
        return a;
    }
    bool selects(Filter& f, LWItemID item, uint32_t polygon) {
        LWNodalAccess_t a = sample(item, polygon);
        return f.Evaluate(&a);
    }
    // The samples on the quads (:q) and triangles (:t) of the three objects that `f` selects.
    std::string selected(Filter& f) {
        std::string out;
        for (LWItemID item : {ball, ballClone, box})
            for (uint32_t polygon : {1u, 2u})
                if (selects(f, item, polygon))
                    out += (out.empty() ? "" : " ") + scene.item(item)->name +
                           (polygon == 1 ? ":q" : ":t");
        return out;
    }
};

TEST_F(SurfaceFiltersTest,
       SurfaceNameSelectsMatchingSurfacesOfEveryObjectAndNothingWithoutPolygon) {
    SurfaceNameFilter f(nullptr);
    f.DataSet(kFilterText, const_cast<char*>("PAINT|mats/*"));
    f.NewTime(0, 0);
    EXPECT_EQ(selected(f), "Ball:q Ball (2):q Box:q Box:t");
    EXPECT_FALSE(selects(f, ball, 0));
    EXPECT_FALSE(selects(f, itemHandle(0x7777), 1));

    vexo::Reference<Filter> copy(f.Copy(nullptr));
    f.DataSet(kFilterText, const_cast<char*>("nothing"));
    f.NewTime(0, 0);
    EXPECT_EQ(selected(f), "");
    EXPECT_EQ(selected(*copy), "Ball:q Ball (2):q Box:q Box:t");

    // During a render the meshes taken stay from frame to frame; each frame selects by its own
    // pattern all the same.
    f.renderStarts();
    for (const auto& [pattern, want] :
         {std::pair{"Rubber", "Ball:t Ball (2):t"},
          {"nothing", ""},
          {"mats/*", "Box:t"},
          {"Rubber|Paint", "Ball:q Ball:t Ball (2):q Ball (2):t Box:q"}}) {
        f.DataSet(kFilterText, const_cast<char*>(pattern));
        f.NewTime(1, 0);
        EXPECT_EQ(selected(f), want) << pattern;
    }
    f.renderEnds();
}

TEST_F(SurfaceFiltersTest, SceneListRoundTripReplacesThePicksInMemory) {
    SurfaceSceneListFilter f(nullptr);
    f.setPickedNames({"Rubber", "Mats/Wood"});
    const std::string saved = saveText(f);
    EXPECT_EQ(saved.find("FilterString"), std::string::npos);

    SurfaceSceneListFilter loaded(nullptr);
    loaded.setPickedNames({"Paint"});
    loadText(loaded, saved);
    loaded.NewTime(0, 0);
    EXPECT_EQ(selected(loaded), "Ball:t Ball (2):t Box:t");
    EXPECT_EQ(loaded.DataGet(kFilterText), nullptr);
}

TEST_F(SurfaceFiltersTest, ObjectListFollowsTheObjectFileThroughSaveAndLoad) {
    SurfaceObjectListFilter f(nullptr);
    vexo::LWSurface surfaces;
    SurfaceObjectListFilter::Picks picks;
    for (LWSurfaceID s = surfaces.first(); s; s = surfaces.next(s)) {
        vexo::LWSurface surface(s);
        const std::string name = surface.name();
        if (name == "Mats/Wood" ||
            (name == "Paint" && std::string(surface.objectName()) == "objects/ball.obj"))
            picks[SurfaceObjectListFilter::objectKey(surface.objectName())].insert(surface);
    }
    f.setPickedSurfaces(picks);
    f.NewTime(0, 0);
    // Paint on Ball's clone, of the same file, but not on Box, of another.
    EXPECT_EQ(selected(f), "Ball:q Ball (2):q Box:t");

    // Separators in surface names: stored after the last one, and found again by it.
    // With a key matching no scene object.
    const std::string saved =
        saveText(f) + "{ Object\n  Name \"gone.obj\"\n  Surface \"Paint\"\n}\n";
    EXPECT_NE(saved.find("\"Wood\""), std::string::npos) << saved;

    SurfaceObjectListFilter loaded(nullptr);
    loadText(loaded, saved);
    EXPECT_TRUE(loaded.pickedSurfaces().empty());
    ASSERT_EQ(loaded.loadedNames().size(), 3u);
    // Saved again before any frame: the unresolved names are kept.
    SurfaceObjectListFilter again(nullptr);
    loadText(again, saveText(loaded));
    EXPECT_EQ(again.loadedNames(), loaded.loadedNames());

    loaded.NewTime(0, 0);
    EXPECT_TRUE(loaded.loadedNames().empty());
    EXPECT_EQ(loaded.pickedSurfaces().size(), 2u);
    EXPECT_EQ(loaded.pickedSurfaces().count("gone.obj"), 0u);
    EXPECT_EQ(selected(loaded), "Ball:q Ball (2):q Box:t");
}

TEST_F(SurfaceFiltersTest, ObjectListDialogNamesRowsByObjectAndPicksUnderTheObjectKey) {
    SurfaceObjectListFilter f(nullptr);
    queue(Kind::Click, "Unselected", "Box -> Mats/Wood");
    queue(Kind::Press, "Select");
    queue(Kind::Print);
    queue(Kind::Press, "Ok");
    f.DisplayPicker();
    EXPECT_NE(printed.str().find("Ball -> Rubber"), std::string::npos) << printed.str();
    ASSERT_EQ(f.pickedSurfaces().size(), 1u);
    const auto& [key, surfaces] = *f.pickedSurfaces().begin();
    EXPECT_EQ(key, "box.obj");
    ASSERT_EQ(surfaces.size(), 1u);
    EXPECT_STREQ(surfaces.begin()->name(), "Mats/Wood");
}

TEST_F(SurfaceFiltersTest, WeightMapComparesTheInterpolatedValueWithTheThreshold) {
    WeightMapFilter f(nullptr);
    EXPECT_EQ(*static_cast<int*>(f.DataGet(kWeightMap)), 0);
    int heat = 1;
    f.DataSet(kWeightMap, &heat);
    EXPECT_EQ(f.mapName(), "Heat");
    f.NewTime(0, 0);
    EXPECT_DOUBLE_EQ(f.thresholdValue(), 0.5);

    EXPECT_TRUE(selects(f, ball, 2));  // a triangle: values 1.0, fourth slot empty
    LWNodalAccess_t a = sample(ball, 1);
    a.weights[0] = a.weights[1] = a.weights[3] = 0;
    a.weights[2] = 1;
    EXPECT_FALSE(f.Evaluate(&a));  // the quad's own 0.4 at point 3
    a.polygon = polygonHandle(2);
    EXPECT_FALSE(f.Evaluate(&a));  // point 3 has no value off the quad
    a.polygon = nullptr;
    EXPECT_FALSE(f.Evaluate(&a));

    f.threshold().setValue(0.3);
    f.NewTime(0, 0);
    EXPECT_TRUE(selects(f, ball, 1));
    vexo::Reference<Filter> copy(f.Copy(nullptr));
    WeightMapFilter loaded(nullptr);
    loadText(loaded, saveText(*copy));
    EXPECT_NEAR(loaded.thresholdValue(), 0.3, 1e-6);
    loaded.NewTime(0, 1);
    EXPECT_TRUE(selects(loaded, ball, 1));

    int none = 0;
    f.DataSet(kWeightMap, &none);
    EXPECT_EQ(f.mapName(), "");
    EXPECT_TRUE(selects(f, ball, 2)) << "the map of the last step until the next";
    f.NewTime(0, 0);
    EXPECT_FALSE(selects(f, ball, 2));
}

}  // namespace
