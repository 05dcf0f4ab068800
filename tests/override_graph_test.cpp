// The override graph through the real host: what evaluating a sample writes for each root input,
// the "Override" gate, the material and shading-colour precedence, the flags, the channel group's
// name, the root preview, the three record layouts, the current-sample copy under nesting,
// several threads at once, and evaluation without heap allocation.
#include <gtest/gtest.h>
#include <lwhost/envelopes.h>

#include <array>
#include <cstring>
#include <iterator>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "alloc_counter.h"
#include "override_fixture.h"

namespace {

using lwhost::NodeSystem;
using override_test::OverrideHost;
using override_test::version;

// A sample with a distinct value in every field the surface sets.
st_LWShaderAccess96 sample(double seed = 0.0) {
    st_LWShaderAccess96 record;
    std::memset(&record, 0, sizeof record);
    st_LWShaderAccess& sa = record.base.base;
    double v = seed;
    auto put = [&v](double* p, int n) {
        for (int i = 0; i < n; ++i) p[i] = (v += 0.01);
    };
    put(&sa.sx, 1);
    put(&sa.sy, 1);
    put(sa.oPos, 3);
    put(sa.gNorm, 3);
    put(&sa.spotSize, 1);
    put(&sa.rayLength, 1);
    put(&sa.cosine, 1);
    put(sa.oXfrm, 9);
    put(sa.wXfrm, 9);
    put(sa.wNorm0, 3);
    put(&sa.bumpHeight, 1);
    put(sa.color, 3);
    for (double* field : {&sa.luminous, &sa.diffuse, &sa.specular, &sa.mirror, &sa.transparency,
                          &sa.eta, &sa.translucency, &sa.colourHighlights, &sa.colourFilter,
                          &sa.diffuseSharpness, &sa.additiveTransparency, &sa.reflectionBlur,
                          &sa.refractionBlur, &sa.replacementPercentage})
        put(field, 1);
    put(sa.replacementColour, 3);
    put(sa.diffuseShade, 3);
    put(sa.specularShade, 3);
    put(sa.refractionShade, 3);
    put(sa.reflectionShade, 3);
    sa.raySource[0] = sa.raySource[1] = 0.0;
    sa.raySource[2] = -1.0;
    sa.wPos[0] = sa.wPos[1] = sa.wPos[2] = 0.0;
    sa.wNorm[0] = sa.wNorm[1] = 0.0;
    sa.wNorm[2] = -1.0;
    sa.roughness = 0.3;
    sa.objID = 0x10000003u;
    sa.polNum = 7;
    sa.flags = LWSAMPLE_CAMERA;
    sa.bounces = 2;
    sa.verts[1] = static_cast<LWPntID>(0x55);
    sa.weights[1] = 0.75f;
    sa.vertsWPos[3][2] = 9.5f;
    record.base.rayType = LWRAY_REFLECTION;
    record.base.subPixel[0] = 0.25;
    record.base.subPixel[1] = 0.75;
    record.time = 0.0125;
    record.sampleIndex = 3;
    return record;
}

// The bundle with a master plug-in, subscribed and started for a render.
class OverrideGraphTest : public ::testing::Test {
  protected:
    explicit OverrideGraphTest(const lwhost::HostIdentity& identity = lwhost::HostIdentity())
        : h(identity) {}
    void SetUp() override {
        ASSERT_NE(h.table, nullptr);
        h.addMaster();
        h.table->ns_subscribe();
        ASSERT_NE(h.graph(), nullptr);
        ASSERT_EQ(h.table->ns_init(LWINIT_RENDER), nullptr);
    }
    void TearDown() override {
        if (!h.table) return;
        h.table->ns_done();
        h.table->ns_unsubscribe();
    }
    st_LWShaderAccess& evaluate(st_LWShaderAccess96& record) {
        h.table->ns_evaluate(&record.base.base);
        return record.base.base;
    }
    static void expect3(const double* v, double a, double b, double c, const char* what) {
        EXPECT_EQ(v[0], a) << what;
        EXPECT_EQ(v[1], b) << what;
        EXPECT_EQ(v[2], c) << what;
    }

    OverrideHost h;
};

TEST_F(OverrideGraphTest, EmptyGraphKeepsTheSurfaceValuesExceptTheRoughnessRoundTrip) {
    EXPECT_EQ(h.table->ns_flags(), LWSHF_RAYTRACE);
    st_LWShaderAccess96 record = sample();
    st_LWShaderAccess96 before;
    std::memcpy(&before, &record, sizeof record);
    evaluate(record);
    before.base.base.roughness = 1.0 / (1.0 / 0.3);
    EXPECT_EQ(std::memcmp(&before, &record, sizeof record), 0);
    EXPECT_EQ(h.table->ns_getShaderAccess(), nullptr);
}

TEST_F(OverrideGraphTest, GateAtZeroKeepsTheWholeSampleAndUnconnectedGateApplies) {
    h.feedColour("Colour", 0.5, 0.25, 0.125);
    st_LWShaderAccess96 record = sample();
    evaluate(record);
    expect3(record.base.base.color, 0.5, 0.25, 0.125, "ungated");

    h.feedInteger("Override", 0);
    record = sample();
    st_LWShaderAccess96 before;
    std::memcpy(&before, &record, sizeof record);
    evaluate(record);
    EXPECT_EQ(std::memcmp(&before, &record, sizeof record), 0) << "not even the roughness";

    h.feedInteger("Override", 3);
    record = sample();
    evaluate(record);
    expect3(record.base.base.color, 0.5, 0.25, 0.125, "gate open");
}

TEST_F(OverrideGraphTest, EveryInputWritesItsOwnField) {
    h.feedColour("Colour", 0.5, 0.25, 0.125);
    h.feedScalar("Diffuse", 0.25);
    h.feedScalar("Luminosity", 0.375);
    h.feedScalar("Specular", 0.5);
    h.feedScalar("Glossiness", 4.0);
    h.feedScalar("Reflection", 0.625);
    h.feedScalar("Transparency", 0.75);
    h.feedScalar("Refraction Index", 1.5);
    h.feedScalar("Translucency", 0.875);
    h.feed("Normal", h.node("VectorConstant", "Value 0 1 0\n"));
    h.feedScalar("Colour Highlights", 0.0625);
    h.feedScalar("Colour Filter", 0.125);
    h.feedScalar("Diffuse Sharpness", 0.1875);
    h.feedScalar("Additive Transparency", 0.3125);
    h.feedScalar("Reflection Blurring", 0.4375);
    h.feedScalar("Refraction Blurring", 0.5625);
    h.feedColour("Diffuse Shading", 1, 0, 0);
    h.feedColour("Specular Shading", 0, 1, 0);
    h.feedColour("Reflection Shading", 0, 0, 1);
    h.feedColour("Refraction Shading", 1, 1, 0);

    st_LWShaderAccess96 record = sample();
    const st_LWShaderAccess& sa = evaluate(record);
    expect3(sa.color, 0.5, 0.25, 0.125, "colour");
    EXPECT_EQ(sa.diffuse, 0.25);
    EXPECT_EQ(sa.luminous, 0.375);
    EXPECT_EQ(sa.specular, 0.5);
    EXPECT_EQ(sa.roughness, 0.25);
    EXPECT_EQ(sa.mirror, 1.0) << "a connected reflection shading forces full mirror";
    EXPECT_EQ(sa.transparency, 0.75);
    EXPECT_EQ(sa.eta, 1.5);
    EXPECT_EQ(sa.translucency, 0.875);
    expect3(sa.wNorm, 0, 1, 0, "normal");
    EXPECT_EQ(sa.colourHighlights, 0.0625);
    EXPECT_EQ(sa.colourFilter, 0.125);
    EXPECT_EQ(sa.diffuseSharpness, 0.1875);
    EXPECT_EQ(sa.additiveTransparency, 0.3125);
    EXPECT_EQ(sa.reflectionBlur, 0.4375);
    EXPECT_EQ(sa.refractionBlur, 0.5625);
    // Each shading colour reaches its namesake, although the two records order them apart.
    expect3(sa.diffuseShade, 1, 0, 0, "diffuse shading");
    expect3(sa.specularShade, 0, 1, 0, "specular shading");
    expect3(sa.reflectionShade, 0, 0, 1, "reflection shading");
    expect3(sa.refractionShade, 1, 1, 0, "refraction shading");
    EXPECT_EQ(sa.replacementPercentage, sample().base.base.replacementPercentage);
}

TEST_F(OverrideGraphTest, ReflectionIsKeptUntilAReflectionShadingForcesMirror) {
    h.feedScalar("Reflection", 0.625);
    h.feedColour("Refraction Shading", 1, 1, 0);
    st_LWShaderAccess96 record = sample();
    const st_LWShaderAccess& sa = evaluate(record);
    EXPECT_EQ(sa.mirror, 0.625);
    expect3(sa.refractionShade, 1, 1, 0, "refraction shading");
    EXPECT_EQ(sa.reflectionShade[1], sample().base.base.reflectionShade[1]);

    h.feedColour("Reflection Shading", 0.5, 0.5, 0.25);
    record = sample();
    evaluate(record);
    EXPECT_EQ(sa.mirror, 1.0);
    expect3(sa.reflectionShade, 0.5, 0.5, 0.25, "reflection shading");
}

TEST_F(OverrideGraphTest, ShadingInputsWinOverTheMaterialAndMaterialForcesMirror) {
    h.feed("Material", h.node("Material",
                              "DiffuseShading 0.125 0.25 0.375\n"
                              "SpecularShading 0.5 0.625 0.75\n"
                              "ReflectionShading 1 2 3\n"
                              "RefractionShading 4 5 6\n"
                              "Transparency 0.25\n"));
    h.feedColour("Diffuse Shading", 0, 0, 1);
    h.feedScalar("Transparency", 0.75);  // evaluated before the material, which replaces it
    EXPECT_EQ(h.table->ns_flags(), LWSHF_RAYTRACE | LWSHF_MATERIAL);

    st_LWShaderAccess96 record = sample();
    const st_LWShaderAccess& sa = evaluate(record);
    expect3(sa.diffuseShade, 0, 0, 1, "diffuse shading");
    expect3(sa.specularShade, 0.5, 0.625, 0.75, "specular");
    expect3(sa.reflectionShade, 1, 2, 3, "reflection");
    expect3(sa.refractionShade, 4, 5, 6, "refraction");
    EXPECT_EQ(sa.transparency, 0.25);
    EXPECT_EQ(sa.mirror, 1.0);
}

TEST_F(OverrideGraphTest, ColourOverrideReplacesTheWholeColour) {
    h.feedColour("Colour Override", 0.25, 0.5, 1.0);
    EXPECT_EQ(h.table->ns_flags(), LWSHF_RAYTRACE);
    for (double seed : {0.0, 0.5}) {
        st_LWShaderAccess96 record = sample(seed);
        const st_LWShaderAccess& sa = evaluate(record);
        EXPECT_EQ(sa.replacementPercentage, 1.0);
        expect3(sa.replacementColour, 0.25, 0.5, 1.0, "replacement");
    }
}

TEST_F(OverrideGraphTest, EachConnectedInputAddsItsFlag) {
    struct Case {
        const char* input;
        ConnectionType type;
        unsigned flag;
    };
    const Case cases[] = {
        {"Colour", LWNODE_COLOUR, 0x2},
        {"Diffuse", LWNODE_SCALAR, 0x8},
        {"Luminosity", LWNODE_SCALAR, 0x4},
        {"Specular", LWNODE_SCALAR, 0x10},
        {"Glossiness", LWNODE_SCALAR, 0x100},
        {"Reflection", LWNODE_SCALAR, 0x20},
        {"Transparency", LWNODE_SCALAR, 0x40},
        {"Refraction Index", LWNODE_SCALAR, 0x80},
        {"Translucency", LWNODE_SCALAR, 0x200},
        {"Normal", LWNODE_VECTOR, 0x1},
        {"Colour Highlights", LWNODE_SCALAR, 0},
        {"Colour Filter", LWNODE_SCALAR, 0},
        {"Diffuse Sharpness", LWNODE_SCALAR, 0},
        {"Additive Transparency", LWNODE_SCALAR, 0},
        {"Reflection Blurring", LWNODE_SCALAR, 0},
        {"Refraction Blurring", LWNODE_SCALAR, 0},
        {"Override", LWNODE_INTEGER, 0},
        {"Diffuse Shading", LWNODE_COLOUR, 0x800},
        {"Specular Shading", LWNODE_COLOUR, 0x1000},
        {"Reflection Shading", LWNODE_COLOUR, 0x4000},
        {"Refraction Shading", LWNODE_COLOUR, 0x2000},
        {"Material", LWNODE_MATERIAL, 0x7C40},
        {"Colour Override", LWNODE_COLOUR, 0},
    };
    ASSERT_EQ(h.graph()->rootInputs.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        lwhost::GraphInput* input = h.graph()->rootInputs[i].get();
        EXPECT_EQ(input->name, c.input) << "root inputs in order";
        EXPECT_EQ(input->type, c.type) << c.input;
        const char* server = c.type == LWNODE_MATERIAL  ? "Material"
                             : c.type == LWNODE_INTEGER ? "IntegerConstant"
                             : c.type == LWNODE_VECTOR  ? "VectorConstant"
                                                        : "ColourConstant";
        h.feed(c.input, h.node(server, c.type == LWNODE_INTEGER ? "Value 1\n" : ""));
        EXPECT_EQ(h.table->ns_flags(), LWSHF_RAYTRACE | c.flag) << c.input;
        h.host.nodes().disconnect(input);
    }
    // The material's flags cover the shading colours: no extra bit for a shading input beside it.
    h.feedColour("Diffuse Shading", 1, 1, 1);
    h.feed("Material", h.node("Material"));
    EXPECT_EQ(h.table->ns_flags(), LWSHF_RAYTRACE | LWSHF_MATERIAL);
}

TEST_F(OverrideGraphTest, GlossinessThatHasNoRoughnessKeepsTheSurfaces) {
    h.feedScalar("Glossiness", 0.0);
    st_LWShaderAccess96 record = sample();
    EXPECT_EQ(evaluate(record).roughness, 0.3);
    record = sample();
    record.base.base.roughness = 0.0;  // an unconnected glossiness would be infinite
    h.host.nodes().disconnect(h.graph()->rootInput("Glossiness"));
    EXPECT_EQ(evaluate(record).roughness, 0.0);
}

TEST_F(OverrideGraphTest, RootPreviewShowsColourOverrideElseTheShadingSum) {
    NodeSystem& nodes = h.host.nodes();
    EXPECT_EQ(nodes.rootPreviewColour(*h.graph()), (std::array<double, 4>{{0, 0, 0, 1}}));
    h.feed("Material", h.node("Material",
                              "DiffuseShading 0.125 0 0\n"
                              "SpecularShading 0 0.25 0\n"
                              "ReflectionShading 0 0 0.5\n"
                              "RefractionShading 0.5 0.5 0\n"));
    h.feedColour("Specular Shading", 0, 0.5, 0);
    // The preview ignores the gate and the enable state.
    h.feedInteger("Override", 0);
    h.table->ns_enable(0);
    EXPECT_EQ(nodes.rootPreviewColour(*h.graph()), (std::array<double, 4>{{0.625, 1.0, 0.5, 1}}));
    h.feedColour("Colour Override", 0.25, 0.75, 1);
    EXPECT_EQ(nodes.rootPreviewColour(*h.graph()), (std::array<double, 4>{{0.25, 0.75, 1, 1}}));
}

TEST(OverrideChannelGroupTest, GraphTakesTheFirstFreeGroupName) {
    OverrideHost h;
    ASSERT_NE(h.table, nullptr);
    h.host.envelopes().createGroup(nullptr, "lumavex");
    h.host.envelopes().createGroup(nullptr, "lumavex(0)");
    h.host.envelopes().createGroup(nullptr, "lumavex(2)");
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
int g_layout = 96;

struct Seen {
    double sx = -1.0;          // of the current-sample copy; -1 without one
    double colour = -1.0;      // its colour's red
    LWNodalAccess96_t access;  // the nodal record, as far as the host's layout goes
};
std::vector<Seen> g_seen;

struct Probe {
    NodeOutputID out;
};

LWInstance probeCreate(void*, void* context, LWError*) {
    return new Probe{
        NodeSystem::outputFuncs()->create(static_cast<NodeID>(context), LWNODE_SCALAR, "Value")};
}
void probeDestroy(LWInstance instance) {
    delete static_cast<Probe*>(instance);
}
void probeEvaluate(LWInstance, LWNodalAccess_t* access, NodeOutputID, NodeValue value) {
    Seen seen;
    std::memset(&seen.access, 0, sizeof seen.access);
    const size_t size = g_layout == 93   ? sizeof(LWNodalAccess_t)
                        : g_layout == 95 ? sizeof(LWNodalAccess95_t)
                                         : sizeof(LWNodalAccess96_t);
    std::memcpy(&seen.access, access, size);
    if (const st_LWShaderAccess* current = g_table->ns_getShaderAccess()) {
        seen.sx = current->sx;
        seen.colour = current->color[0];
    }
    g_seen.push_back(seen);
    const double v = 0.5;
    NodeSystem::outputFuncs()->setValue(value, &v);
}
int probeActivate(int version, LWGlobalFunc, void* local, void*) {
    if (version != 1) return LWACTIVATE_BADVERSION;
    auto* handler = static_cast<st_LWNodeHandler*>(local);
    handler->inst->create = probeCreate;
    handler->inst->destroy = probeDestroy;
    handler->evaluate = probeEvaluate;
    return LWACTIVATE_OK;
}

void addProbe(OverrideHost& h) {
    h.host.nodes().addServer("probe", "Probe", &probeActivate);
    g_table = h.table;
    g_seen.clear();
    h.feed("Luminosity", h.node("probe"));
}

void expectBaseFields(const LWNodalAccess_t& na, const st_LWShaderAccess& sa) {
    EXPECT_EQ(na.sx, sa.sx);
    EXPECT_EQ(na.sy, sa.sy);
    EXPECT_EQ(na.oPos[1], sa.oPos[1]);
    EXPECT_EQ(na.gNorm[2], sa.gNorm[2]);
    EXPECT_EQ(na.wNorm0[0], sa.wNorm0[0]);
    EXPECT_EQ(na.rayLength, sa.rayLength);
    EXPECT_EQ(na.spotSize, sa.spotSize);
    EXPECT_EQ(na.cosine, sa.cosine);
    EXPECT_EQ(na.bumpHeight, sa.bumpHeight);
    EXPECT_EQ(na.oXfrm[8], sa.oXfrm[8]);
    EXPECT_EQ(na.wXfrm[4], sa.wXfrm[4]);
    EXPECT_EQ(na.uv[0], 0.0);
    EXPECT_EQ(na.objID, sa.objID);
    EXPECT_EQ(na.polNum, sa.polNum);
    EXPECT_EQ(na.bounces, sa.bounces);
    EXPECT_EQ(na.verts[1], sa.verts[1]);
    EXPECT_EQ(na.weights[1], sa.weights[1]);
    EXPECT_EQ(na.vertsWPos[3][2], sa.vertsWPos[3][2]);
    EXPECT_EQ(na.flags, sa.flags);
    EXPECT_EQ(na.rayTrace, sa.rayTrace);
}

// Each host hands out its own record layout, exactly as large as its version makes it.
TEST(OverrideLayoutTest, EachEvaluationReadsAndFillsItsHostsRecords) {
    for (auto [major, minor, layout] : {std::tuple<unsigned, unsigned, int>{9, 4, 93},
                                        std::tuple<unsigned, unsigned, int>{9, 5, 95},
                                        std::tuple<unsigned, unsigned, int>{10, 2, 96}}) {
        SCOPED_TRACE(layout);
        OverrideHost h(version(major, minor));
        ASSERT_NE(h.table, nullptr);
        h.addMaster();
        h.table->ns_subscribe();
        h.table->ns_init(LWINIT_RENDER);
        g_layout = layout;
        addProbe(h);

        const st_LWShaderAccess96 full = sample();
        const size_t size = layout == 93   ? sizeof(st_LWShaderAccess)
                            : layout == 95 ? sizeof(st_LWShaderAccess95)
                                           : sizeof(st_LWShaderAccess96);
        // Exactly the host's size on the heap, so that a sanitizer sees any access beyond it.
        std::vector<unsigned char> bytes(size);
        std::memcpy(bytes.data(), &full, size);
        auto* sa = reinterpret_cast<st_LWShaderAccess*>(bytes.data());
        h.table->ns_evaluate(sa);
        EXPECT_EQ(sa->luminous, 0.5);

        ASSERT_EQ(g_seen.size(), 1u);
        const LWNodalAccess96_t& na = g_seen[0].access;
        expectBaseFields(na.base.base, full.base.base);
        EXPECT_EQ(g_seen[0].sx, full.base.base.sx);
        if (layout >= 95) {
            EXPECT_EQ(na.base.rayType, LWRAY_REFLECTION);
            EXPECT_EQ(na.base.subPixel[1], 0.75);
        }
        if (layout == 96) {
            EXPECT_EQ(na.time, 0.0125);
            EXPECT_EQ(na.sampleIndex, 3);
        }
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
    EXPECT_EQ(h.table->ns_getShaderAccess(), nullptr);

    st_LWShaderAccess96 outer = sample();
    outer.base.base.rayTrace = &nestedRayTrace;
    const double surfaceRed = outer.base.base.color[0];
    evaluate(outer);

    // The inner sample's probe ran first, inside the ray; the outer one after the ray returned,
    // seeing its own sample as the surface set it, not the ray's colour written meanwhile.
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].sx, 777.0);
    EXPECT_EQ(g_seen[0].colour, sample(1.0).base.base.color[0]);
    EXPECT_EQ(g_seen[1].sx, sample().base.base.sx);
    EXPECT_EQ(g_seen[1].colour, surfaceRed);
    EXPECT_EQ(outer.base.base.color[0], 0.25);
    EXPECT_EQ(h.table->ns_getShaderAccess(), nullptr);
}

// ---- threads and allocation -----------------------------------------------------------------

// Connects all 23 inputs to constants; returns nothing, the sample results are checked by the
// callers.
void connectAll(OverrideHost& h) {
    h.feedColour("Colour", 0.5, 0.25, 0.125);
    for (const char* input :
         {"Diffuse", "Luminosity", "Specular", "Glossiness", "Reflection", "Transparency",
          "Refraction Index", "Translucency", "Colour Highlights", "Colour Filter",
          "Diffuse Sharpness", "Additive Transparency", "Reflection Blurring",
          "Refraction Blurring"})
        h.feedScalar(input, 0.5);
    h.feed("Normal", h.node("VectorConstant", "Value 0 0 1\n"));
    h.feedInteger("Override", 1);
    for (const char* input :
         {"Diffuse Shading", "Specular Shading", "Reflection Shading", "Refraction Shading"})
        h.feedColour(input, 0.25, 0.25, 0.25);
    h.feed("Material", h.node("Material", "Transparency 0.125\n"));
    h.feedColour("Colour Override", 1, 0, 0);
}

TEST(RenderOverrideThreads, ThreadsEvaluateTheirOwnSamplesAtOnce) {
    OverrideHost h;
    ASSERT_NE(h.table, nullptr);
    h.addMaster();
    h.table->ns_subscribe();
    h.table->ns_init(LWINIT_RENDER);
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

    std::vector<int> wrong(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int n = 0; n < kSamples; ++n) {
                st_LWShaderAccess96 record = at(n);
                h.table->ns_evaluate(&record.base.base);
                const st_LWShaderAccess& got = record.base.base;
                const st_LWShaderAccess& want = expected[static_cast<size_t>(n)].base.base;
                if (got.color[0] != want.color[0] || got.color[2] != want.color[2] ||
                    got.roughness != want.roughness || got.diffuse != 0.25 ||
                    h.table->ns_getShaderAccess() != nullptr)
                    ++wrong[static_cast<size_t>(t)];
            }
        });
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < 4; ++t) EXPECT_EQ(wrong[static_cast<size_t>(t)], 0) << "thread " << t;
    h.table->ns_done();
    h.table->ns_unsubscribe();
}

TEST_F(OverrideGraphTest, EvaluationAllocatesNothing) {
    connectAll(h);
    EXPECT_EQ(h.table->ns_flags(), 0x7FFFu);
    st_LWShaderAccess96 record = sample();
    evaluate(record);  // the thread's first evaluation may set up its thread-local storage
    EXPECT_EQ(record.base.base.replacementPercentage, 1.0);

    double sink = 0.0;
    alloc_counter::start();
    for (int n = 0; n < 10000; ++n) {
        record = sample();
        record.base.base.wPos[0] = n;
        evaluate(record);
        sink += record.base.base.diffuse;
    }
    EXPECT_EQ(alloc_counter::stop(), 0);
    EXPECT_EQ(sink, 5000.0);
}

}  // namespace
