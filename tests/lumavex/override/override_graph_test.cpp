// The override graph through the real host: what evaluating a sample writes for each root input,
// the "Override" gate, the material and shading-colour precedence, the flags, the channel group's
// name, the root preview, the three record layouts, the current-sample copy under nesting,
// several threads at once, and evaluation through every node kind without heap allocation.
#include <gtest/gtest.h>
#include "lwhost/scene/envelopes.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "alloc_counter.h"
#include "bundle_fixtures.h"

namespace {

using lwhost::NodeSystem;
using override_test::OverrideHost;
using override_test::version;
using SA = st_LWShaderAccess;

using SA5 = st_LWShaderAccess95;

// Runs of doubles without gaps: oPos to wXfrm, wNorm to roughness, wNorm0 to difSharpness,
// replacement_percentage to refractionBlur, and the four shading colours.
struct DoubleRun {
    size_t offset, count;
};
constexpr DoubleRun kRuns[] = {{offsetof(SA, oPos), 33},
                               {offsetof(SA, wNorm), 13},
                               {offsetof(SA, wNorm0), 9},
                               {offsetof(SA, replacement_percentage), 6},
                               {offsetof(SA5, diffuse_shade), 12}};
static_assert(offsetof(SA, objID) == offsetof(SA, oPos) + 33 * sizeof(double));
static_assert(offsetof(SA, illuminate) == offsetof(SA, wNorm) + 13 * sizeof(double));
static_assert(offsetof(SA, verts) == offsetof(SA, wNorm0) + 9 * sizeof(double));
static_assert(sizeof(SA) == offsetof(SA, replacement_percentage) + 6 * sizeof(double));
static_assert(offsetof(SA5, illuminateSample) ==
              offsetof(SA5, diffuse_shade) + 12 * sizeof(double));

// A sample with a distinct value in every double the surface sets.
st_LWShaderAccess96 sample(double seed = 0.0) {
    st_LWShaderAccess96 record;
    std::memset(&record, 0, sizeof record);
    SA& sa = record.base.base;
    double v = seed;
    for (const DoubleRun& run : kRuns) {
        auto* first =
            reinterpret_cast<double*>(reinterpret_cast<unsigned char*>(&record) + run.offset);
        for (size_t i = 0; i < run.count; ++i) first[i] = (v += 0.01);
    }
    sa.sx = 320;
    sa.sy = 240;
    record.base.incomingEta = 1.0;
    for (double* p : {sa.raySource, sa.wPos, sa.wNorm}) p[0] = p[1] = p[2] = 0.0;
    sa.raySource[2] = sa.wNorm[2] = -1.0;
    sa.roughness = 0.3;
    sa.objID = itemHandle(0x10000003u);
    sa.polNum = 7;
    sa.flags = LWRT_CAMERA;
    sa.bounces = 2;
    sa.verts[1] = pointHandle(0x55);
    sa.weights[1] = 0.75f;
    sa.vertsWPos[3][2] = 9.5f;
    record.base.subsx = 0.25;
    record.base.subsy = 0.75;
    return record;
}

void expect3(const double* v, double a, double b, double c, const char* what) {
    EXPECT_EQ(std::vector<double>(v, v + 3), (std::vector<double>{a, b, c})) << what;
}

class OverrideGraphTest : public bundle_test::RenderingTest {
  protected:
    // Evaluates a fresh sample into `rec`.
    const SA& shade(double seed = 0.0) {
        rec = sample(seed);
        h.table->ns_evaluate(&rec.base.base);
        return rec.base.base;
    }
    bool recordIs(const st_LWShaderAccess96& want) {
        return std::memcmp(&want, &rec, sizeof rec) == 0;
    }
    // Feeds every root input from a constant of its type: scalars 0.5, the gate open, colour
    // override red. The sources, in the order of the inputs.
    std::vector<lwhost::GraphNode*> feedAll() {
        const std::map<ConnectionType, std::pair<const char*, const char*>> constants = {
            {LWNODE_COLOUR, {"ColourConstant", "Colour 1 0 0\n"}},
            {LWNODE_SCALAR, {"ScalarConstant", "Value 0.5\n"}},
            {LWNODE_VECTOR, {"VectorConstant", "Value 0 0 1\n"}},
            {LWNODE_INTEGER, {"IntegerConstant", "Value 1\n"}},
            {LWNODE_MATERIAL, {"Material", "Transparency 0.125\n"}}};
        std::vector<lwhost::GraphNode*> sources;
        for (const auto& input : h.graph()->rootInputs) {
            const auto [server, settings] = constants.at(input->type);
            sources.push_back(h.node(server, settings));
            h.feed(input->name, sources.back());
        }
        return sources;
    }

    st_LWShaderAccess96 rec;
};

TEST_F(OverrideGraphTest, EmptyGraphRoundTripsOnlyRoughnessAndAGateAtZeroKeepsEverything) {
    EXPECT_EQ(h.table->ns_flags(), LWSHF_RAYTRACE);
    st_LWShaderAccess96 want = sample();
    want.base.base.roughness = 1.0 / (1.0 / 0.3);
    shade();
    EXPECT_TRUE(recordIs(want));

    h.feedColour("Colour", 0.5, 0.25, 0.125);
    expect3(shade().color, 0.5, 0.25, 0.125, "unconnected gate");
    h.feedInteger("Override", 0);
    shade();
    EXPECT_TRUE(recordIs(sample())) << "not even the roughness";
    h.feedInteger("Override", 3);
    expect3(shade().color, 0.5, 0.25, 0.125, "gate open");
}

TEST_F(OverrideGraphTest, EveryInputWritesItsOwnFieldAndReflectionShadingForcesMirror) {
    // Each scalar input and its field; glossiness 4 is roughness 0.25.
    const std::pair<const char*, double SA::*> scalars[] = {
        {"Luminosity", &SA::luminous},
        {"Diffuse", &SA::diffuse},
        {"Specular", &SA::specular},
        {"Reflection", &SA::mirror},
        {"Transparency", &SA::transparency},
        {"Refraction Index", &SA::eta},
        {"Glossiness", &SA::roughness},
        {"Translucency", &SA::translucency},
        {"Colour Highlights", &SA::colorHL},
        {"Colour Filter", &SA::colorFL},
        {"Diffuse Sharpness", &SA::difSharpness},
        {"Additive Transparency", &SA::addTransparency},
        {"Reflection Blurring", &SA::reflectionBlur},
        {"Refraction Blurring", &SA::refractionBlur}};
    int i = 0;
    for (const auto& scalar : scalars) h.feedScalar(scalar.first, ++i == 7 ? 4.0 : 0.0625 * i);
    // The shading colours are ordered apart in the two records: each must reach its namesake.
    using Field = double* (*)(st_LWShaderAccess96&);
    const std::pair<const char*, Field> colours[] = {
        {"Colour", [](st_LWShaderAccess96& r) { return r.base.base.color; }},
        {"Diffuse Shading", [](st_LWShaderAccess96& r) { return r.base.diffuse_shade; }},
        {"Specular Shading", [](st_LWShaderAccess96& r) { return r.base.specular_shade; }},
        {"Refraction Shading", [](st_LWShaderAccess96& r) { return r.base.refract_shade; }}};
    for (size_t c = 0; c < std::size(colours); ++c) h.feedColour(colours[c].first, c, 0.5, 0.25);
    h.feed("Normal", h.node("VectorConstant", "Value 0 1 0\n"));

    const SA& sa = shade();
    for (i = 1; i <= 14; ++i)
        EXPECT_EQ(sa.*scalars[i - 1].second, i == 7 ? 0.25 : 0.0625 * i) << scalars[i - 1].first;
    for (size_t c = 0; c < std::size(colours); ++c)
        expect3(colours[c].second(rec), c, 0.5, 0.25, colours[c].first);
    expect3(sa.wNorm, 0, 1, 0, "normal");
    EXPECT_EQ(sa.replacement_percentage, sample().base.base.replacement_percentage);
    EXPECT_EQ(rec.base.reflect_shade[1], sample().base.reflect_shade[1]);

    h.feedColour("Reflection Shading", 0.5, 0.5, 0.25);
    shade();
    EXPECT_EQ(sa.mirror, 1.0);
    expect3(rec.base.reflect_shade, 0.5, 0.5, 0.25, "reflection shading");
}

TEST_F(OverrideGraphTest, ShadingInputsWinOverTheMaterialAndColourOverrideReplacesTheColour) {
    h.feed("Material", h.node("Material",
                              "DiffuseShading 0.125 0.25 0.375\nSpecularShading 0.5 0.625 0.75\n"
                              "ReflectionShading 1 2 3\nRefractionShading 4 5 6\n"
                              "Transparency 0.25\n"));
    h.feedColour("Diffuse Shading", 0, 0, 1);
    h.feedScalar("Transparency", 0.75);  // evaluated before the material, which replaces it
    const SA& sa = shade();
    expect3(rec.base.diffuse_shade, 0, 0, 1, "diffuse shading");
    expect3(rec.base.specular_shade, 0.5, 0.625, 0.75, "specular");
    expect3(rec.base.reflect_shade, 1, 2, 3, "reflection");
    expect3(rec.base.refract_shade, 4, 5, 6, "refraction");
    EXPECT_EQ(sa.transparency, 0.25);
    EXPECT_EQ(sa.mirror, 1.0);

    h.feedColour("Colour Override", 0.25, 0.5, 1.0);
    shade(0.5);
    EXPECT_EQ(sa.replacement_percentage, 1.0);
    expect3(sa.replacement_color, 0.25, 0.5, 1.0, "replacement");
}

TEST_F(OverrideGraphTest, FlagsAreThoseOfTheConnectedInputsForRandomConnections) {
    std::string names, types;  // types by their values: Colour, Scalar, Vector, Integer, Material
    for (const auto& input : h.graph()->rootInputs) {
        names += input->name + "|";
        types += std::string("-CSVI-M").at(input->type);
    }
    EXPECT_EQ(names,
              "Colour|Diffuse|Luminosity|Specular|Glossiness|Reflection|Transparency|"
              "Refraction Index|Translucency|Normal|Colour Highlights|Colour Filter|"
              "Diffuse Sharpness|Additive Transparency|Reflection Blurring|Refraction Blurring|"
              "Override|Diffuse Shading|Specular Shading|Reflection Shading|Refraction Shading|"
              "Material|Colour Override|");
    ASSERT_EQ(types, "CSSSSSSSSVSSSSSSICCCCMC");
    // Per root input in order, its flag; the material's cover the four shading colours'.
    const unsigned flags[] = {0x2,   0x8,   0x4,    0x10,   0x100,  0x20,   0x40, 0x80,
                              0x200, 0x1,   0,      0,      0,      0,      0,    0,
                              0,     0x800, 0x1000, 0x4000, 0x2000, 0x7C40, 0};
    const std::vector<lwhost::GraphNode*> sources = feedAll();
    // Every input alone, then random sets; each connection set is a fresh mask.
    std::mt19937 random(7);
    for (int round = 0; round < 23 + 60; ++round) {
        const uint32_t set = round < 23 ? 1u << round : random() & 0x7FFFFFu;
        unsigned want = LWSHF_RAYTRACE;
        for (size_t i = 0; i < types.size(); ++i) {
            lwhost::GraphInput* input = h.graph()->rootInputs[i].get();
            if (set >> i & 1) {
                std::string error;
                ASSERT_TRUE(
                    h.host.nodes().connect(sources[i]->outputs.front().get(), input, error));
                want |= flags[i];
            } else if (input->source) {
                h.host.nodes().disconnect(input);
            }
        }
        EXPECT_EQ(h.table->ns_flags(), want) << std::hex << set;
    }
}

TEST_F(OverrideGraphTest, GlossinessAtOrBelowZeroGivesTheRoughestFiniteRoughness) {
    for (const auto& [glossiness, roughness] : {std::pair<double, double>{4.0, 0.25},
                                                {0.0, std::numeric_limits<double>::max()},
                                                {-2.0, std::numeric_limits<double>::max()}}) {
        h.feedScalar("Glossiness", glossiness);
        EXPECT_EQ(shade().roughness, roughness) << glossiness;
    }
    h.host.nodes().disconnect(h.graph()->rootInput("Glossiness"));
    rec = sample();
    rec.base.base.roughness = 0.0;  // an unconnected glossiness would be infinite
    h.table->ns_evaluate(&rec.base.base);
    EXPECT_EQ(rec.base.base.roughness, 0.0);
}

TEST_F(OverrideGraphTest, RootPreviewShowsColourOverrideElseTheShadingSum) {
    auto preview = [&] { return h.host.nodes().rootPreviewColour(*h.graph()); };
    EXPECT_EQ(preview(), (std::array<double, 3>{{0, 0, 0}}));
    h.feed("Material", h.node("Material",
                              "DiffuseShading 0.125 0 0\nSpecularShading 0 0.25 0\n"
                              "ReflectionShading 0 0 0.5\nRefractionShading 0.5 0.5 0\n"));
    h.feedColour("Specular Shading", 0, 0.5, 0);
    // The preview ignores the gate and the enable state.
    h.feedInteger("Override", 0);
    h.table->ns_enable(0);
    EXPECT_EQ(preview(), (std::array<double, 3>{{0.625, 1.0, 0.5}}));
    h.feedColour("Colour Override", 0.25, 0.75, 1);
    EXPECT_EQ(preview(), (std::array<double, 3>{{0.25, 0.75, 1}}));
}

TEST(OverrideChannelGroupTest, GraphTakesTheFirstFreeGroupName) {
    OverrideHost h;
    ASSERT_NE(h.table, nullptr);
    for (const char* taken : {"lumavex", "lumavex(0)", "lumavex(2)"})
        h.host.envelopes().createGroup(nullptr, taken);
    h.table->ns_subscribe();
    ASSERT_NE(h.graph(), nullptr);
    EXPECT_STREQ(h.host.envelopes().groupName(h.graph()->group), "lumavex(1)");
    // A replaced graph leaves its group and takes a new one.
    h.table->ns_reset();
    EXPECT_STREQ(h.host.envelopes().groupName(h.graph()->group), "lumavex(3)");
    h.table->ns_unsubscribe();
}

// ---- a probe node: what the graph's nodes see --------------------------------------------------

qrvNodalShadingFuncs* g_table = nullptr;
size_t g_layoutSize = sizeof(LWNodalAccess96_t);

struct Seen {
    double sx = -1.0;            // of the current-sample copy; -1 without one
    double colour = -1.0;        // its colour's red
    LWNodalAccess96_t access{};  // the nodal record, as far as the host's layout goes
};
std::vector<Seen> g_seen;

void probeEvaluate(LWInstance, LWNodalAccess_t* access, NodeOutputID, NodeValue value) {
    Seen seen;
    std::memcpy(&seen.access, access, g_layoutSize);
    if (const SA* current = g_table->ns_getShaderAccess()) {
        seen.sx = current->sx;
        seen.colour = current->color[0];
    }
    g_seen.push_back(seen);
    double v = 0.5;
    NodeSystem::outputFuncs()->setValue(value, &v);
}
int probeActivate(long version, LWGlobalFunc, void* local, void*) {
    if (version != 1) return LWACTIVATE_BADVERSION;
    auto* handler = static_cast<st_LWNodeHandler*>(local);
    handler->inst->create = [](void*, void* context, LWError*) -> LWInstance {
        NodeSystem::outputFuncs()->create(static_cast<NodeID>(context), LWNODE_SCALAR, "Value");
        return context;
    };
    handler->inst->destroy = [](LWInstance) {};
    handler->evaluate = probeEvaluate;
    return LWACTIVATE_OK;
}

void addProbe(OverrideHost& h) {
    h.host.nodes().addServer("probe", "Probe", &probeActivate);
    g_table = h.table;
    g_seen.clear();
    h.feed("Luminosity", h.node("probe"));
}

void expectBaseFields(const LWNodalAccess_t& na, const SA& sa) {
    auto same = [](const double* a, const double* b, int n) { return std::equal(a, a + n, b); };
    EXPECT_EQ(std::make_pair(na.sx, na.sy), std::make_pair(sa.sx, sa.sy));
    EXPECT_TRUE(same(na.oPos, sa.oPos, 9)) << "oPos to gNorm";
    EXPECT_TRUE(same(na.wNorm0, sa.wNorm0, 3));
    EXPECT_TRUE(same(na.raySource, sa.raySource, 3));
    EXPECT_TRUE(same(na.oXfrm, sa.oXfrm, 18)) << "both transforms";
    EXPECT_EQ(std::make_tuple(na.rayLength, na.spotSize, na.cosine, na.bumpHeight),
              std::make_tuple(sa.rayLength, sa.spotSize, sa.cosine, sa.bumpHeight));
    EXPECT_EQ(std::make_tuple(na.objID, na.polNum, na.bounces, na.flags, na.verts[1]),
              std::make_tuple(sa.objID, sa.polNum, sa.bounces, sa.flags, sa.verts[1]));
    EXPECT_EQ(na.weights[1], sa.weights[1]);
    EXPECT_EQ(na.vertsWPos[3][2], sa.vertsWPos[3][2]);
    EXPECT_EQ(na.rayTrace, sa.rayTrace);
}

// Each host hands out its own record layout, exactly as large as its version makes it.
TEST(OverrideLayoutTest, EachEvaluationReadsAndFillsItsHostsRecords) {
    using Layout = std::tuple<lwhost::HostIdentity, size_t, size_t>;
    for (auto [identity, size, nodal] :
         {Layout{version(9, 4), sizeof(SA), sizeof(LWNodalAccess_t)},
          Layout{version(9, 5), sizeof(st_LWShaderAccess95), sizeof(LWNodalAccess95_t)},
          Layout{version(10, 2), sizeof(st_LWShaderAccess96), sizeof(LWNodalAccess96_t)}}) {
        SCOPED_TRACE(size);
        OverrideHost h(identity);
        ASSERT_NE(h.table, nullptr);
        h.addMaster();
        h.table->ns_subscribe();
        h.table->ns_init(LWINIT_RENDER);
        g_layoutSize = nodal;
        addProbe(h);

        const st_LWShaderAccess96 full = sample();
        // Exactly the host's size on the heap, so that a sanitizer sees any access beyond it.
        std::vector<unsigned char> bytes(size);
        std::memcpy(bytes.data(), &full, size);
        auto* sa = reinterpret_cast<SA*>(bytes.data());
        h.table->ns_evaluate(sa);
        EXPECT_EQ(sa->luminous, 0.5);

        ASSERT_EQ(g_seen.size(), 1u);
        const LWNodalAccess96_t& na = g_seen[0].access;
        expectBaseFields(na.base.base, full.base.base);
        EXPECT_EQ(g_seen[0].sx, full.base.base.sx);
        // The sub-pixel position reaches the nodes where the shader record has it.
        EXPECT_EQ(na.base.base.subsy, size >= sizeof(st_LWShaderAccess95) ? 0.75 : 0.0);
        h.table->ns_done();
        h.table->ns_unsubscribe();
    }
}

// ---- nesting: a ray fired from inside the graph shades another sample on this thread ---------

thread_local int t_rayDepth = 0;

double nestedRayTrace(const double*, const double*, double colour[3]) {
    if (t_rayDepth > 0) return -1.0;
    ++t_rayDepth;
    st_LWShaderAccess96 inner = sample(1.0);
    inner.base.base.sx = 777.0;
    inner.base.base.rayTrace = &nestedRayTrace;
    g_table->ns_evaluate(&inner.base.base);
    --t_rayDepth;
    colour[0] = 0.25;
    colour[1] = colour[2] = 0.0;
    return 1.0;
}

TEST_F(OverrideGraphTest, CurrentSampleCopyNestsAroundARayShadingAnotherSample) {
    addProbe(h);
    h.feed("Colour", h.node("Ray"));
    rec = sample();
    rec.base.base.rayTrace = &nestedRayTrace;
    h.table->ns_evaluate(&rec.base.base);

    // The inner sample's probe ran first, inside the ray; the outer one after the ray returned,
    // seeing its own sample as the surface set it, not the ray's colour written meanwhile.
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].sx, 777.0);
    EXPECT_EQ(g_seen[0].colour, sample(1.0).base.base.color[0]);
    EXPECT_EQ(g_seen[1].sx, sample().base.base.sx);
    EXPECT_EQ(g_seen[1].colour, sample().base.base.color[0]);
    EXPECT_EQ(rec.base.base.color[0], 0.25);
    EXPECT_EQ(h.table->ns_getShaderAccess(), nullptr);
}

// ---- threads and allocation -----------------------------------------------------------------

using RenderOverrideThreads = OverrideGraphTest;

TEST_F(RenderOverrideThreads, ThreadsEvaluateTheirOwnSamplesAtOnce) {
    h.feed("Colour", h.node("Checker"));
    h.feedScalar("Diffuse", 0.25);
    h.feed("Glossiness", h.node("Checker"));
    constexpr int kSamples = 400;
    auto at = [](int n) {
        st_LWShaderAccess96 record = sample();
        record.base.base.wPos[0] = 0.37 * n;
        record.base.base.wPos[1] = -0.11 * n;
        return record;
    };
    std::vector<st_LWShaderAccess96> expected;
    for (int n = 0; n < kSamples; ++n) {
        expected.push_back(at(n));
        h.table->ns_evaluate(&expected.back().base.base);
    }

    // Each thread's records must come back byte for byte as this thread's did.
    std::vector<int> wrong(4, 0);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < wrong.size(); ++t)
        threads.emplace_back([&, t] {
            for (int n = 0; n < kSamples; ++n) {
                st_LWShaderAccess96 record = at(n);
                h.table->ns_evaluate(&record.base.base);
                if (std::memcmp(&record, &expected[static_cast<size_t>(n)], sizeof record) != 0 ||
                    h.table->ns_getShaderAccess() != nullptr)
                    ++wrong[t];
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

// Every light reaches the sample from straight ahead.
int headOn(LWItemID, const double*, double* direction, double* colour) {
    direction[0] = direction[1] = 0.0;
    direction[2] = -1.0;
    colour[0] = colour[1] = colour[2] = 0.5;
    return 1;
}

TEST_F(OverrideGraphTest, EvaluationThroughEveryNodeKindAllocatesNothing) {
    lwhost::ObjectData ball;
    ball.fileName = "ball.lwo";
    ball.mesh.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    ASSERT_TRUE(ball.mesh.addPolygon("Skin", {0, 1, 2}));
    ball.mesh.weightMaps.emplace_back();
    ball.mesh.weightMaps.back().name = "A weight map named at length";
    for (uint32_t p = 0; p < 3; ++p) ball.mesh.weightMaps.back().setValue(p, 1.0f);
    const LWItemID id = h.scene.addObject("Ball", std::move(ball));
    h.scene.item(id)->comments = {"#s:rough=0.25;", "#c:tint=1 0 0;", "#v:dir=0 0 1;",
                                  "#i:count=1;"};
    h.scene.addLight("Key");

    // A filter node of each kind, each selecting the ball, feeds a scalar from its selection.
    const std::pair<const char*, std::string> filters[] = {
        {"Diffuse", "FilterType 1\n{ Filter\n  FilterString \"sk*\"\n}\n"},
        {"Luminosity", "FilterType 2\n{ Filter\n  FilterString \"b*\"\n}\n"},
        {"Specular", "FilterType 3\n{ Filter\n  FilterString \"ball\"\n}\n"},
        {"Reflection", "FilterType 4\n{ Filter\n  WeightMap \"A weight map named at length\"\n}\n"},
        {"Translucency", "FilterType 5\n{ Filter\n  FilterString \"#s:*\"\n}\n"},
        {"Transparency",
         "FilterType 6\n{ Filter\n  { Object\n    Name \"ball.lwo\"\n    Surface \"Skin\"\n"
         "  }\n}\n"},
        {"Colour Filter", "FilterType 7\n{ Filter\n  Surface \"Skin\"\n}\n"},
        {"Additive Transparency", "FilterType 8\n"},
    };
    std::vector<lwhost::GraphNode*> selecting;
    for (const auto& [input, settings] : filters) {
        selecting.push_back(h.node("qrvFilter", settings));
        h.feed(input, selecting.back());
    }
    lwhost::GraphNode* both = h.node("qrvBoolLogic");
    std::string error;
    ASSERT_TRUE(h.host.nodes().connect(selecting[0]->output("Logic"), both->input("A"), error));
    ASSERT_TRUE(h.host.nodes().connect(selecting[1]->output("Logic"), both->input("B"), error));
    h.feed("Override", both);
    h.feed("Colour", h.node("qrvExposeSurface"));
    lwhost::GraphNode* lambert = h.node("Lambert");
    lwhost::GraphNode* group =
        h.node("qrvLightGroup", "FilterType 2\n{ Filter\n  FilterString \"K*\"\n}\n");
    lwhost::GraphNode* global = h.node("qrvGlobalLightGroup");
    ASSERT_TRUE(h.host.nodes().connect(lambert->output("Colour"), group->input("Colour"), error));
    ASSERT_TRUE(h.host.nodes().connect(group->output("Colour"), global->input("Colour"), error));
    h.feed("Diffuse Shading", global);
    for (const auto& [input, server, name] :
         {std::tuple{"Colour Highlights", "qrvGetScalarComment", "rough"},
          {"Specular Shading", "qrvGetColourComment", "tint"},
          {"Normal", "qrvGetVectorComment", "dir"},
          {"Diffuse Sharpness", "qrvGetIntegerComment", "count"}})
        h.feed(input,
               h.node(server, std::string("{ Setting\n  CommentName \"") + name + "\"\n}\n"));
    ASSERT_EQ(h.table->ns_init(LWINIT_RENDER), nullptr);
    ASSERT_EQ(h.table->ns_newTime(1, 0.0), nullptr);

    auto ballSample = [&] {
        st_LWShaderAccess96 record = sample();
        SA& sa = record.base.base;
        sa.objID = id;
        sa.polygon = polygonHandle(1);
        for (int k = 0; k < 3; ++k) {
            sa.verts[k] = pointHandle(static_cast<uint32_t>(k) + 1);
            sa.weights[k] = 1.0f / 3.0f;
        }
        sa.verts[3] = 0;
        sa.illuminate = headOn;
        return record;
    };
    // The thread's first evaluation may set up its thread-local storage.
    rec = ballSample();
    h.table->ns_evaluate(&rec.base.base);
    EXPECT_EQ(rec.base.base.diffuse, 1.0) << "the surface-name filter selects the ball";
    EXPECT_EQ(rec.base.base.mirror, 1.0) << "so does the weight-map filter";

    double sink = 0.0;
    alloc_counter::start();
    for (int n = 0; n < 1000; ++n) {
        rec = ballSample();
        h.table->ns_evaluate(&rec.base.base);
        sink += rec.base.base.transparency;
    }
    EXPECT_EQ(alloc_counter::stop(), 0);
    EXPECT_EQ(sink, 1000.0) << "the surface list by object selects the ball";
}

// The graph steps once per frame however many shaders ask: a scene edit shows at the next
// frame, a render start or an edit of a node's settings at the next call.
TEST_F(OverrideGraphTest, NodesOfOneStepSeeTheSameSceneAndTheNextStepSeesItsEdits) {
    const LWItemID parent = h.scene.addObject("Parent", lwhost::ObjectData());
    const LWItemID child = h.scene.addObject("Child", lwhost::ObjectData());
    h.scene.setParent(child, parent);
    h.scene.item(parent)->comments = {"*s:a=0.5;", "#s:b=0.125;"};
    h.scene.item(child)->comments = {"#s:b=0.25;"};
    auto comment = [](const char* key) {
        return std::string("{ Setting\n  CommentName \"") + key + "\"\n}\n";
    };
    auto filter = [](int type, const char* pattern) {
        return "FilterType " + std::to_string(type) + "\n{ Filter\n  FilterString \"" + pattern +
               "\"\n}\n";
    };
    lwhost::GraphNode* luminosity = h.node("qrvGetScalarComment", comment("a"));
    h.feed("Luminosity", luminosity);
    h.feed("Diffuse", h.node("qrvGetScalarComment", comment("b")));
    h.feed("Specular", h.node("qrvFilter", filter(5, "#s:a=0.75;")));
    h.feed("Reflection", h.node("qrvFilter", filter(2, "kid")));
    auto shadeChild = [&] {
        rec = sample();
        SA& sa = rec.base.base;
        sa.objID = child;
        h.table->ns_evaluate(&sa);
        return std::vector<double>{sa.luminous, sa.diffuse, sa.specular, sa.mirror};
    };
    ASSERT_EQ(h.table->ns_newTime(1, 0.0), nullptr);
    EXPECT_EQ(shadeChild(), (std::vector<double>{0.5, 0.25, 0, 0}))
        << "inherited, then its own line";
    h.scene.item(child)->comments = {"#s:a=0.75;"};
    h.scene.item(child)->name = "Kid";
    ASSERT_EQ(h.table->ns_newTime(1, 0.0), nullptr);
    EXPECT_EQ(shadeChild(), (std::vector<double>{0.5, 0.25, 0, 0}))
        << "a second shader at frame 1 does not step again";
    ASSERT_EQ(h.table->ns_newTime(2, 0.0), nullptr);
    EXPECT_EQ(shadeChild(), (std::vector<double>{0.75, 0, 1, 1}))
        << "the scene as it is at frame 2";

    h.scene.item(child)->comments = {"#s:a=0.25;"};
    h.host.nodes().instanceChanged(luminosity->instance);  // its settings edited
    ASSERT_EQ(h.table->ns_newTime(2, 0.0), nullptr);
    EXPECT_EQ(shadeChild(), (std::vector<double>{0.25, 0, 0, 1})) << "stepped after the edit";
    h.scene.item(child)->comments = {"#s:a=0.75;"};
    ASSERT_EQ(h.table->ns_init(LWINIT_RENDER), nullptr);
    ASSERT_EQ(h.table->ns_newTime(2, 0.0), nullptr);
    EXPECT_EQ(shadeChild(), (std::vector<double>{0.75, 0, 1, 1})) << "stepped after a new start";
}

}  // namespace
