// Nanoseconds per evaluation of the shading override on one thread, through the real host and
// the bundle module: an empty graph, one connected constant, all 23 root inputs fed by
// constants, a colour confined by a filter node selecting by item name, a whole selection graph
// (with its heap allocations per sample), and a Lambert node under the global light group and
// nested light group nodes. The sample is a 9.6 shader access record filled by hand.
#include <benchmark/benchmark.h>
#include <vexo/shading.h>
#include "lwhost/core/handles.h"
#include "lwhost/core/host.h"
#include "lwhost/io/blockio.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/scene/scene.h"
#include "lwhost/scene/scene_globals.h"
#include "lwhost/session/session.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "alloc_counter.h"

namespace {

class Override {
  public:
    Override() {
        lwhost::LoadResult result;
        if (!host.loadModule(LUMAVEX_MODULE, result)) fail(result.message);
        table = static_cast<qrvNodalShadingFuncs*>(
            host.globals().request(QRV_SHADING_GLOBAL, LWGLOBAL_ACQUIRE));
        if (!table) fail("no services table");
        lwhost::MasterSlot master;
        master.server = "qrvLumavex";
        scene.masters().push_back(master);
        table->ns_subscribe();
        table->ns_init(LWINIT_RENDER);
        graph = host.nodes().findEditor("lumavex: Global Surface Override");
        if (!graph) fail("no override graph");
    }
    ~Override() {
        table->ns_done();
        table->ns_unsubscribe();
    }

    void feed(const char* input, const char* server, const std::string& settings) {
        std::string error;
        lwhost::GraphNode* node = host.nodes().addNode(*graph, server, error);
        if (!node) fail(error);
        lwhost::MemoryLoadState state(settings, LWIO_ASCII);
        node->server->inst.load(node->instance, state.record());
        if (!host.nodes().connect(node->outputs.front().get(), graph->rootInput(input), error))
            fail(error);
    }

    lwhost::GraphNode* node(const char* server, const std::string& settings) {
        std::string error;
        lwhost::GraphNode* n = host.nodes().addNode(*graph, server, error);
        if (!n) fail(error);
        lwhost::MemoryLoadState state(settings, LWIO_ASCII);
        n->server->inst.load(n->instance, state.record());
        return n;
    }
    void connect(lwhost::GraphNode* from, const char* output, lwhost::GraphNode* to,
                 const char* input) {
        std::string error;
        if (!host.nodes().connect(from, output, to, input, error)) fail(error);
    }

    void feedAll() {
        feed("Colour", "ColourConstant", "Colour 0.5 0.25 0.125\n");
        for (const char* input :
             {"Diffuse", "Luminosity", "Specular", "Glossiness", "Reflection", "Transparency",
              "Refraction Index", "Translucency", "Colour Highlights", "Colour Filter",
              "Diffuse Sharpness", "Additive Transparency", "Reflection Blurring",
              "Refraction Blurring"})
            feed(input, "ScalarConstant", "Value 0.5\n");
        feed("Normal", "VectorConstant", "Value 0 0 1\n");
        feed("Override", "IntegerConstant", "Value 1\n");
        for (const char* input :
             {"Diffuse Shading", "Specular Shading", "Reflection Shading", "Refraction Shading"})
            feed(input, "ColourConstant", "Colour 0.25 0.25 0.25\n");
        feed("Material", "Material", "Transparency 0.125\n");
        feed("Colour Override", "ColourConstant", "Colour 1 0 0\n");
    }

    static void fail(const std::string& why) {
        std::fprintf(stderr, "override_bench: %s\n", why.c_str());
        std::exit(1);
    }

    lwhost::Session session;
    lwhost::Host& host = session.host();
    lwhost::Scene& scene = session.scene();
    qrvNodalShadingFuncs* table = nullptr;
    lwhost::NodeGraph* graph = nullptr;
};

st_LWShaderAccess96 handFilled() {
    st_LWShaderAccess96 record{};
    st_LWShaderAccess& sa = record.base.base;
    sa.sx = 320;
    sa.sy = 240;
    record.base.subsx = record.base.subsy = 0.5;
    sa.wPos[2] = 5.0;
    sa.raySource[2] = -1.0;
    sa.rayLength = 6.0;
    sa.gNorm[2] = sa.wNorm[2] = sa.wNorm0[2] = -1.0;
    sa.cosine = 1.0;
    sa.spotSize = 0.01;
    for (int i = 0; i < 3; ++i) sa.oXfrm[i * 4] = sa.wXfrm[i * 4] = 1.0;
    sa.objID = lwhost::handleOf<LWItemID>(0x10000001u);
    sa.color[0] = sa.color[1] = sa.color[2] = 0.8;
    sa.diffuse = 1.0;
    sa.roughness = 0.4;
    sa.eta = 1.0;
    sa.flags = LWRT_CAMERA;
    return record;
}

void run(benchmark::State& state, Override& o,
         LWItemID object = lwhost::handleOf<LWItemID>(0x10000001u)) {
    // The render starts once the graph is complete, as in a render.
    o.table->ns_init(LWINIT_RENDER);
    st_LWShaderAccess96 surface = handFilled();
    surface.base.base.objID = object;
    st_LWShaderAccess96 record = surface;
    for (auto _ : state) {
        record.base.base.roughness = surface.base.base.roughness;
        o.table->ns_evaluate(&record.base.base);
        benchmark::DoNotOptimize(record);
    }
}

void BM_OverrideEmptyGraph(benchmark::State& state) {
    Override o;
    run(state, o);
}
BENCHMARK(BM_OverrideEmptyGraph);

void BM_OverrideOneConstant(benchmark::State& state) {
    Override o;
    o.feed("Diffuse", "ScalarConstant", "Value 0.5\n");
    run(state, o);
}
BENCHMARK(BM_OverrideOneConstant);

void BM_OverrideAllInputs(benchmark::State& state) {
    Override o;
    o.feedAll();
    run(state, o);
}
BENCHMARK(BM_OverrideAllInputs);

// Arg 1: the shaded object is selected (the "new" colour), 0: it is not (the "base" colour).
void BM_OverrideFilterNode(benchmark::State& state) {
    Override o;
    const LWItemID ball = o.scene.addNull("Ball");
    const LWItemID box = o.scene.addNull("Box");
    lwhost::GraphNode* filter =
        o.node("qrvFilter", "FilterType 2\n{ Filter\n  FilterString \"ball|sphere*\"\n}\n");
    o.connect(o.node("ColourConstant", "Colour 1 0 0\n"), "Colour", filter, "newColour");
    o.connect(o.node("ColourConstant", "Colour 0 0 1\n"), "Colour", filter, "baseColour");
    o.connect(filter, "Colour", nullptr, "Colour");
    filter->server->rend.newTime(filter->instance, 1, 0.0);
    run(state, o, state.range(0) ? ball : box);
}
BENCHMARK(BM_OverrideFilterNode)->Arg(1)->Arg(0);

// A whole selection graph: a surface-name filter AND an item-name filter into the "Override"
// gate; the item filter's colour takes a constant where it selects and the surface's own colour
// (the expose-surface node) elsewhere. The shaded polygon of "Ball" is selected by both.
void BM_OverrideSelectionGraph(benchmark::State& state) {
    Override o;
    lwhost::ObjectData data;
    data.fileName = "ball.lwo";
    data.mesh.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    data.mesh.addPolygon("Skin", {0, 1, 2});
    const LWItemID ball = o.scene.addObject("Ball", std::move(data));
    lwhost::GraphNode* surface =
        o.node("qrvFilter", "FilterType 1\n{ Filter\n  FilterString \"sk*|paint\"\n}\n");
    lwhost::GraphNode* item =
        o.node("qrvFilter", "FilterType 2\n{ Filter\n  FilterString \"ball|sphere*\"\n}\n");
    lwhost::GraphNode* both = o.node("qrvBoolLogic", "");
    o.connect(surface, "Logic", both, "A");
    o.connect(item, "Logic", both, "B");
    o.connect(both, "Out", nullptr, "Override");
    o.connect(o.node("ColourConstant", "Colour 1 0 0\n"), "Colour", item, "newColour");
    o.connect(o.node("qrvExposeSurface", ""), "Colour", item, "baseColour");
    o.connect(item, "Colour", nullptr, "Colour");
    o.table->ns_init(LWINIT_RENDER);
    o.table->ns_newTime(1, 0.0);
    st_LWShaderAccess96 surfaceSample = handFilled();
    surfaceSample.base.base.objID = ball;
    surfaceSample.base.base.polygon = lwhost::handleOf<LWPolID>(1);
    surfaceSample.base.base.verts[0] = lwhost::handleOf<LWPntID>(1);
    surfaceSample.base.base.verts[1] = lwhost::handleOf<LWPntID>(2);
    surfaceSample.base.base.verts[2] = lwhost::handleOf<LWPntID>(3);
    surfaceSample.base.base.weights[0] = surfaceSample.base.base.weights[1] = 0.25f;
    surfaceSample.base.base.weights[2] = 0.5f;
    st_LWShaderAccess96 record = surfaceSample;
    o.table->ns_evaluate(&record.base.base);  // the thread's first sample may set up its state
    alloc_counter::start();
    for (auto _ : state) {
        record.base.base.roughness = surfaceSample.base.base.roughness;
        o.table->ns_evaluate(&record.base.base);
        benchmark::DoNotOptimize(record);
    }
    state.counters["allocations_per_sample"] =
        static_cast<double>(alloc_counter::stop()) / static_cast<double>(state.iterations());
    if (record.base.base.color[0] != 1.0 || record.base.base.color[1] != 0.0)
        Override::fail("the selection graph did not select the ball");
}
BENCHMARK(BM_OverrideSelectionGraph);

}  // namespace

namespace {

// Every light reaches the sample at full strength from straight ahead.
int fullLight(LWItemID, const double*, double* direction, double* colour) {
    direction[0] = direction[1] = 0.0;
    direction[2] = -1.0;
    colour[0] = colour[1] = colour[2] = 0.25;
    return 1;
}
int fullLightNormal(LWItemID light, LWRenderData, const double* position, double* direction,
                    const double*, double* colour) {
    return fullLight(light, position, direction, colour);
}

// A Lambert node lighting "Diffuse Shading" under three lights. Arg 0: no light group; 1: the
// global light group, taking "Key", in use by the override; 2: as 1, with a light group node
// and a global light group node nested between the Lambert node and the root.
void BM_OverrideGlobalLightGroup(benchmark::State& state) {
    Override o;
    for (const char* name : {"Key", "Fill", "Rim"}) o.scene.addLight(name);
    lwhost::GraphNode* lambert = o.node("Lambert", "");
    lwhost::GraphNode* top = lambert;
    if (state.range(0) == 2) {
        lwhost::GraphNode* group =
            o.node("qrvLightGroup", "FilterType 2\n{ Filter\n  FilterString \"Key|Rim\"\n}\n");
        lwhost::GraphNode* global = o.node("qrvGlobalLightGroup", "");
        o.connect(lambert, "Colour", group, "Colour");
        o.connect(group, "Colour", global, "Colour");
        top = global;
    }
    o.connect(top, "Colour", nullptr, "Diffuse Shading");
    if (state.range(0) > 0) {
        lwhost::MemoryLoadState blocks(
            "FilterType 2\n{ Filter\n  FilterString \"Key\"\n}\nUseByLV 1\n", LWIO_ASCII);
        o.table->ns_lg_load(blocks.record());
    }
    o.table->ns_init(LWINIT_RENDER);
    o.table->ns_newTime(1, 0.0);
    st_LWShaderAccess96 surface = handFilled();
    surface.base.base.illuminate = fullLight;
    surface.base.illuminateNormal = fullLightNormal;
    st_LWShaderAccess96 record = surface;
    for (auto _ : state) {
        record.base.base.roughness = surface.base.base.roughness;
        o.table->ns_evaluate(&record.base.base);
        benchmark::DoNotOptimize(record);
    }
    if (record.base.diffuse_shade[0] != (state.range(0) > 0 ? 0.25 : 0.75))
        Override::fail("the group let the wrong lights through");
}
BENCHMARK(BM_OverrideGlobalLightGroup)->Arg(0)->Arg(1)->Arg(2);

}  // namespace
