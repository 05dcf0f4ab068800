#include "override_graph.h"

#include <vexo/adaptor.h>
#include <vexo/channelgroup.h>

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>

namespace {

// The root node of the override graph. Only the preview differs from the base behaviour.
class shaderRoot : public vexo::RootNode {
  public:
    // Colour Override when connected; otherwise the sum of the four shading colours of the
    // material inputs.
    void rootPreview(void* data, LWNodalAccess_t* access, double* colour) override;
};

// Installed while other units' statics initialise, in whichever order they run: a plain pointer
// with constant initialisation, which no dynamic initialiser can overwrite.
LightGroupFactory g_lightGroupFactory = nullptr;

}  // namespace

namespace qrv {

const char* const kEditorTitle = "Surface";
const char* const kEditorName = "lumavex: Global Surface Override";
const char* const kChannelGroupName = "lumavex";

namespace {

// The sample being evaluated on this thread. A plain pointer: no construction, no destructor,
// so it costs nothing to reach and nothing when the module unloads.
thread_local st_LWShaderAccess* tlsCache = nullptr;

// Material value layout: diffuse, specular, reflection, refraction shading colours, then
// transparency.
constexpr int kMatDiffuse = 0;
constexpr int kMatSpecular = 3;
constexpr int kMatReflection = 6;
constexpr int kMatRefraction = 9;
constexpr int kMatTransparency = 12;

// Where the evaluation puts what an input gives, `at` bytes into it.
enum class Write : uint8_t {
    Sample,       // the shader access record: the field is replaced
    Material,     // the material value, written back to the record's namesakes
    Glossiness,   // the inverse of roughness
    Replacement,  // the replacement colour, taken at full share
    Gate,         // the integer that decides whether the sample is overridden at all
};

// One root input: its label and connection type, where evaluation step `step` writes it, the
// shader flags it adds while connected, and whether it sets the mirror level to 1. Listed in
// the order the inputs are created. Record fields are given by their offset in the 9.3 record,
// which the 9.5 and 9.6 records begin with.
struct RootInput {
    const char* label;
    ConnectionType type;
    unsigned step;
    Write write;
    size_t at;
    unsigned flags;
    bool forcesMirror;
};

#define SA_FIELD(field) offsetof(st_LWShaderAccess, field)
#define MAT(index) ((index) * sizeof(double))

constexpr RootInput kRootInputs[] = {
    {"Colour", LWNODE_COLOUR, 1, Write::Sample, SA_FIELD(color), LWSHF_COLOUR, false},
    {"Diffuse", LWNODE_SCALAR, 3, Write::Sample, SA_FIELD(diffuse), LWSHF_DIFFUSE, false},
    {"Luminosity", LWNODE_SCALAR, 2, Write::Sample, SA_FIELD(luminous), LWSHF_LUMINOUS, false},
    {"Specular", LWNODE_SCALAR, 4, Write::Sample, SA_FIELD(specular), LWSHF_SPECULAR, false},
    {"Glossiness", LWNODE_SCALAR, 5, Write::Glossiness, 0, LWSHF_ROUGH, false},
    {"Reflection", LWNODE_SCALAR, 6, Write::Sample, SA_FIELD(mirror), LWSHF_MIRROR, false},
    {"Transparency", LWNODE_SCALAR, 7, Write::Material, MAT(kMatTransparency), LWSHF_TRANSP, false},
    {"Refraction Index", LWNODE_SCALAR, 8, Write::Sample, SA_FIELD(eta), LWSHF_ETA, false},
    {"Translucency", LWNODE_SCALAR, 9, Write::Sample, SA_FIELD(translucency), LWSHF_TRANSLUCENT,
     false},
    {"Normal", LWNODE_VECTOR, 10, Write::Sample, SA_FIELD(wNorm), LWSHF_NORMAL, false},
    {"Colour Highlights", LWNODE_SCALAR, 11, Write::Sample, SA_FIELD(colorHL), 0, false},
    {"Colour Filter", LWNODE_SCALAR, 12, Write::Sample, SA_FIELD(colorFL), 0, false},
    {"Diffuse Sharpness", LWNODE_SCALAR, 13, Write::Sample, SA_FIELD(difSharpness), 0, false},
    {"Additive Transparency", LWNODE_SCALAR, 14, Write::Sample, SA_FIELD(addTransparency), 0,
     false},
    {"Reflection Blurring", LWNODE_SCALAR, 15, Write::Sample, SA_FIELD(reflectionBlur), 0, false},
    {"Refraction Blurring", LWNODE_SCALAR, 16, Write::Sample, SA_FIELD(refractionBlur), 0, false},
    {"Override", LWNODE_INTEGER, 0, Write::Gate, 0, 0, false},
    // A connected shading input wins over the material for its colour: evaluated after it.
    {"Diffuse Shading", LWNODE_COLOUR, 18, Write::Material, MAT(kMatDiffuse), LWSHF_DIFFUSE_SHADE,
     false},
    {"Specular Shading", LWNODE_COLOUR, 19, Write::Material, MAT(kMatSpecular),
     LWSHF_SPECULAR_SHADE, false},
    {"Reflection Shading", LWNODE_COLOUR, 20, Write::Material, MAT(kMatReflection),
     LWSHF_REFLECT_SHADE, true},
    {"Refraction Shading", LWNODE_COLOUR, 21, Write::Material, MAT(kMatRefraction),
     LWSHF_REFRACT_SHADE, false},
    {"Material", LWNODE_MATERIAL, 17, Write::Material, 0, LWSHF_MATERIAL, true},
    {"Colour Override", LWNODE_COLOUR, 22, Write::Replacement, 0, 0, false},
};
#undef SA_FIELD
#undef MAT

constexpr unsigned kRootInputCount = sizeof kRootInputs / sizeof kRootInputs[0];
static_assert(kRootInputCount <= 32, "one bit of the connection mask per input");

// What evaluation step `step` does, from the table.
struct Step {
    Write write = Write::Gate;
    size_t at = 0;
};
struct Steps {
    Step step[kRootInputCount];
    unsigned flags[kRootInputCount] = {};  // per step
    uint32_t forcesMirror = 0;             // steps that set the mirror level
    uint32_t replaces = 0;                 // steps that write the replacement colour
    uint32_t glossiness = 0;               // the step that writes the glossiness
    unsigned rows = 0;                     // one bit per step that some row takes
};
constexpr Steps stepsOf() {
    Steps s{};
    for (unsigned r = 0; r < kRootInputCount; ++r) {
        const RootInput& in = kRootInputs[r];
        s.step[in.step] = Step{in.write, in.at};
        s.flags[in.step] = in.flags;
        if (in.forcesMirror) s.forcesMirror |= 1u << in.step;
        if (in.write == Write::Replacement) s.replaces |= 1u << in.step;
        if (in.write == Write::Glossiness) s.glossiness |= 1u << in.step;
        s.rows |= 1u << in.step;
    }
    return s;
}
constexpr Steps kSteps = stepsOf();
static_assert(kSteps.rows == (1ull << kRootInputCount) - 1, "every input has a step of its own");
static_assert(kSteps.step[0].write == Write::Gate, "the gate is evaluated first");
static_assert(static_cast<int>(Write::Gate) == 4, "every other write has a place per sample");

// The root inputs as the evaluation reaches them: the host's input IDs by evaluation step and
// the host's evaluate function, read once when the graph is built. An input the host refused
// has a null ID and is never connected.
struct RootInputIDs {
    int (*evaluate)(NodeInputID input, LWNodalAccess_t* access, void* value) = nullptr;
    int (*check)(NodeInputID input) = nullptr;
    NodeInputID id[kRootInputCount] = {};
};
RootInputIDs g_inputs;

// The connected root inputs, one bit per evaluation step. Written on the main thread between
// renders, read by render threads.
std::atomic<uint32_t> g_connected{0};

void destroyNodeEditor();

// The module's one graph and light group. The root first: it is destroyed last, after the editor
// that points at it. Nodes of the bundle left in the graph when the module unloads keep the count
// above zero, so nobody else destroys the graph: the state does, before its members go.
struct OverrideState {
    shaderRoot globalRoot;
    int usageCount = 0;
    std::unique_ptr<vexo::NodeEditor> globalNode;
    std::unique_ptr<vexo::ChannelGroup> globalChannelGroup;
    std::unique_ptr<OverrideLightGroup> glg;
    bool masterDisabled = false;
    // The root inputs, by row of kRootInputs.
    std::unique_ptr<vexo::LWNodeInput> rootInputs[kRootInputCount];

    ~OverrideState() { destroyNodeEditor(); }
};
OverrideState g_state;

constexpr uint32_t kGate = 1u;  // step 0

inline void copy3(double* to, const double* from) {
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
}

template <int N>
inline void copyN(double* to, const double* from) {
    for (int i = 0; i < N; ++i) to[i] = from[i];
}

inline bool connected(const std::unique_ptr<vexo::LWNodeInput>& input) {
    return input && input->connected();
}

// ---- nodal access records from shader access records -----------------------------------------

// Every field of the nodal record is written, so it needs no clearing first: the fields without
// a counterpart in the shader access record of the same version are set to zero here.
void fill(const st_LWShaderAccess& sa, LWNodalAccess_t& na) {
    na.sx = sa.sx;
    na.sy = sa.sy;
    copy3(na.oPos, sa.oPos);
    copy3(na.wPos, sa.wPos);
    copy3(na.gNorm, sa.gNorm);
    copy3(na.wNorm, sa.wNorm);
    copy3(na.wNorm0, sa.wNorm0);
    copy3(na.raySource, sa.raySource);
    na.rayLength = sa.rayLength;
    na.spotSize = sa.spotSize;
    na.cosine = sa.cosine;
    na.bumpHeight = sa.bumpHeight;
    copyN<9>(na.oXfrm, sa.oXfrm);
    copyN<9>(na.wXfrm, sa.wXfrm);
    na.illuminate = sa.illuminate;
    na.illuminateSample = nullptr;
    na.rayTrace = sa.rayTrace;
    na.rayCast = sa.rayCast;
    na.rayShade = sa.rayShade;
    na.rayTraceMode = nullptr;
    na.bounces = sa.bounces;
    na.sourceID = sa.sourceID;
    na.objID = sa.objID;
    na.polNum = sa.polNum;
    for (int k = 0; k < 4; ++k) {
        na.verts[k] = sa.verts[k];
        na.weights[k] = sa.weights[k];
        na.vertsWPos[k][0] = sa.vertsWPos[k][0];
        na.vertsWPos[k][1] = sa.vertsWPos[k][1];
        na.vertsWPos[k][2] = sa.vertsWPos[k][2];
    }
    na.polygon = sa.polygon;
    na.incomingEta = 0.0;
    na.ResourceContextIndex = 0;
    na.flags = sa.flags;
    na.randomData = nullptr;
    na.randomFloat = nullptr;
    na.illuminateNormal = nullptr;
    na.illuminateSampleNormal = nullptr;
    na.subsx = na.subsy = 0.0;
    na.rayDir[0] = na.rayDir[1] = na.rayDir[2] = 0.0;
    na.rayTraceData = nullptr;
    na.rayTraceShade = nullptr;
    na.render = nullptr;
    na.getVal = nullptr;
    na.setVal = nullptr;
}

void fill(const st_LWShaderAccess95& sa, LWNodalAccess95_t& nodal) {
    fill(sa.base, nodal.base);
    LWNodalAccess_t& na = nodal.base;
    na.illuminateSample = sa.illuminateSample;
    na.rayTraceMode = sa.rayTraceMode;
    na.incomingEta = sa.incomingEta;
    na.ResourceContextIndex = sa.ResourceContextIndex;
    na.randomData = sa.randomData;
    na.randomFloat = sa.randomFloat;
    na.illuminateNormal = sa.illuminateNormal;
    na.illuminateSampleNormal = sa.illuminateSampleNormal;
    na.subsx = sa.subsx;
    na.subsy = sa.subsy;
    copy3(na.rayDir, sa.rayDir);
    na.rayTraceData = sa.rayTraceData;
    na.rayTraceShade = sa.rayTraceShade;
    na.render = sa.render;
}

void fill(const st_LWShaderAccess96& sa, LWNodalAccess96_t& na) {
    fill(sa.base, na.base);
    na.base.base.getVal = sa.getVal;
    na.base.base.setVal = sa.setVal;
    na.outsiz = 0;
    na.VertexIndexes = nullptr;
    na.instanceID = sa.instanceID;
    na.samplerState = sa.samplerState;
    na.getSamplerRange = sa.getSamplerRange;
    na.getSample2D = sa.getSample2D;
    na.getSample1D = sa.getSample1D;
}

// The four shading colours; a version 4 record has none.
inline st_LWShaderAccess95* shading(st_LWShaderAccess&) {
    return nullptr;
}
inline st_LWShaderAccess95* shading(st_LWShaderAccess95& sa) {
    return &sa;
}
inline st_LWShaderAccess95* shading(st_LWShaderAccess96& sa) {
    return &sa.base;
}

// Copies a whole record through the library's copy: fixed-size copies of this size would
// otherwise be inlined as string instructions, which start slowly.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((noipa))
#else
__attribute__((noinline))
#endif
void copyRecord(void* to, const void* from, size_t size) {
    std::memcpy(to, from, size);
}

// The 9.3 prefix of every layout: each later record begins with the one before it, as `base`.
template <class Record>
inline auto* prefix(Record& record) {
    if constexpr (std::is_same_v<Record, LWNodalAccess_t> ||
                  std::is_same_v<Record, st_LWShaderAccess>)
        return &record;
    else
        return prefix(record.base);
}

// Roughness is the inverse of glossiness. A glossiness that is not a positive finite number has
// no roughness: the surface's stays.
inline void roundTripRoughness(st_LWShaderAccess& sa, double glossiness) {
    if (glossiness > 0.0 && std::isfinite(glossiness)) sa.roughness = 1.0 / glossiness;
}

// A connected glossiness of 0 or below asks for the broadest highlight: the roughest finite
// roughness, as a glossiness just above 0 gives.
inline void applyGlossiness(st_LWShaderAccess& sa, double glossiness) {
    if (glossiness <= 0.0)
        sa.roughness = std::numeric_limits<double>::max();
    else
        roundTripRoughness(sa, glossiness);
}

// Restores the thread's current sample however the evaluation ends.
struct CurrentSample {
    explicit CurrentSample(st_LWShaderAccess* sample) : previous(tlsCache) { tlsCache = sample; }
    ~CurrentSample() { tlsCache = previous; }
    CurrentSample(const CurrentSample&) = delete;
    CurrentSample& operator=(const CurrentSample&) = delete;
    st_LWShaderAccess* previous;
};

// One sample, for the host whose records are SA (shader access) and NA (nodal access). Works on
// stack copies only: nothing is allocated and no lock is taken.
// Inlined into its shield, which then is the whole evaluation.
template <class SA, class NA>
__attribute__((always_inline)) inline void evaluateSample(st_LWShaderAccess* record) {
    if (!record || !g_state.globalNode || g_state.masterDisabled) return;
    if ((g_state.globalNode->state() & 0xFFFFu) == 0) return;
    if (!g_inputs.evaluate) return;  // the host gave no input record

    SA& full = *reinterpret_cast<SA*>(record);
    st_LWShaderAccess* sa = record;

    // With nothing connected no node runs, so nothing can see the snapshot, the nodal record
    // or the light group: of the whole evaluation only the roughness round trip is left.
    const uint32_t mask = g_connected.load(std::memory_order_relaxed);
    if (mask == 0) {
        roundTripRoughness(*sa, 1.0 / sa->roughness);
        return;
    }

    // Nodes asking for the sample during this evaluation see it as the surface set it.
    SA snapshot;
    copyRecord(&snapshot, &full, sizeof snapshot);
    CurrentSample current(prefix(snapshot));

    NA nodal;
    fill(full, nodal);
    LWNodalAccess_t* na = prefix(nodal);

    const bool lightGroup = g_state.glg && g_state.glg->useByOverride;
    void* handle = lightGroup ? ns_pushGlobalLightGroup(na) : nullptr;

    int gate = 1;
    if (mask & kGate) g_inputs.evaluate(g_inputs.id[0], na, &gate);
    if (gate != 0) {
        st_LWShaderAccess95* const shades = shading(full);
        double material[LWNODE_MATERIAL_DOUBLES] = {};
        if (shades) {
            copy3(material + kMatDiffuse, shades->diffuse_shade);
            copy3(material + kMatSpecular, shades->specular_shade);
            copy3(material + kMatReflection, shades->reflect_shade);
            copy3(material + kMatRefraction, shades->refract_shade);
        }
        material[kMatTransparency] = sa->transparency;
        double glossiness = 1.0 / sa->roughness;

        double colour[3] = {0.0, 0.0, 0.0};
        char* const places[] = {reinterpret_cast<char*>(sa), reinterpret_cast<char*>(material),
                                reinterpret_cast<char*>(&glossiness),
                                reinterpret_cast<char*>(colour)};

        // The connected inputs in step order; an unconnected one would leave its place alone.
        for (uint32_t steps = mask & ~kGate; steps != 0; steps &= steps - 1) {
            const unsigned n = static_cast<unsigned>(__builtin_ctz(steps));
            const Step& step = kSteps.step[n];
            g_inputs.evaluate(g_inputs.id[n], na, places[static_cast<int>(step.write)] + step.at);
        }
        if (mask & kSteps.replaces) {
            sa->replacement_percentage = 1.0;
            copy3(sa->replacement_color, colour);
        }
        if (mask & kSteps.glossiness)
            applyGlossiness(*sa, glossiness);
        else
            roundTripRoughness(*sa, glossiness);

        if (shades) {
            copy3(shades->diffuse_shade, material + kMatDiffuse);
            copy3(shades->specular_shade, material + kMatSpecular);
            copy3(shades->reflect_shade, material + kMatReflection);
            copy3(shades->refract_shade, material + kMatRefraction);
        }
        sa->transparency = material[kMatTransparency];

        if (mask & kSteps.forcesMirror) sa->mirror = 1.0;
    }

    if (lightGroup) ns_popGlobalLightGroup(handle);
}

constexpr char kEvaluateName[] = "ns_evaluate()";

}  // namespace

// ---- building the graph ----------------------------------------------------------------------

// A graph with its root inputs, before it is put in place; `group` is null when the graph shares
// the channel group of the graph in use.
struct BuiltGraph {
    std::unique_ptr<vexo::ChannelGroup> group;
    std::unique_ptr<vexo::NodeEditor> editor;
    std::unique_ptr<vexo::LWNodeInput> inputs[kRootInputCount];
    RootInputIDs ids;
};

namespace {

// Builds an empty graph aside, in the channel group `shared` when given. Otherwise it makes its
// own group, owned until the graph is put in place, so that a graph thrown away takes it along.
std::unique_ptr<BuiltGraph> buildGraph(LWChanGroupID shared) {
    auto built = std::make_unique<BuiltGraph>();
    LWChanGroupID group = shared;
    if (!group) {
        built->group = std::make_unique<vexo::ChannelGroup>(true);
        built->group->create(kChannelGroupName, nullptr);
        group = built->group->id();
    }

    built->editor = std::make_unique<vexo::NodeEditor>();
    vexo::NodeEditor& editor = *built->editor;
    editor.create(kEditorTitle, kEditorName, &g_state.globalRoot, NPT_RENDER);
    editor.setChannelGroup(group);
    editor.setUpdateFunc(&nodeEditorUpdate);
    RootInputIDs& ids = built->ids;
    for (unsigned r = 0; r < kRootInputCount; ++r) {
        const RootInput& input = kRootInputs[r];
        std::unique_ptr<vexo::LWNodeInput>& made = built->inputs[r];
        made = input.type == LWNODE_SCALAR ? editor.addScalarInput(input.label, nullptr)
                                           : editor.addInput(input.type, input.label, nullptr);
        ids.id[input.step] = made->id();
        if (const LWNodeInputFuncs_t* funcs = made->funcs()) {
            ids.evaluate = funcs->evaluate;
            ids.check = funcs->check;
        }
    }
    if (!ids.evaluate || !ids.check) ids = RootInputIDs{};
    return built;
}

// Puts a built graph in place of none; everything is stored together. A group of its own stays
// in the host's channel tree when the graph is replaced later.
void install(BuiltGraph& built) {
    if (built.group) {
        built.group->setOwned(false);
        g_state.globalChannelGroup = std::move(built.group);
    }
    for (unsigned r = 0; r < kRootInputCount; ++r)
        g_state.rootInputs[r] = std::move(built.inputs[r]);
    g_state.globalNode = std::move(built.editor);
    g_inputs = built.ids;
    refreshRootConnections();
}

std::string g_stagedError;  // the text a failed staged load hands out

void createNodeEditor() {
    install(*buildGraph(nullptr));
}

void destroyNodeEditor() {
    g_inputs = RootInputIDs{};
    g_connected.store(0, std::memory_order_relaxed);
    // Taken out of the state before anything is destroyed: nodes in the graph hold
    // subscriptions, and the last of them to go calls back in here from inside the editor's
    // destruction; that call must find nothing left to destroy.
    std::unique_ptr<vexo::NodeEditor> editor(g_state.globalNode.release());
    std::unique_ptr<vexo::ChannelGroup> group(g_state.globalChannelGroup.release());
    // The editor goes first: its nodes may still look at the channel group while they go.
    editor.reset();
    group.reset();
}

}  // namespace

void subscribe() {
    ++g_state.usageCount;
    if (g_state.globalNode) return;
    // The graph and the light group are stored only once both are made.
    std::unique_ptr<OverrideLightGroup> lightGroup =
        g_lightGroupFactory ? g_lightGroupFactory() : nullptr;
    createNodeEditor();
    g_state.glg = std::move(lightGroup);
}

// The last real subscriber still finds the graph to destroy: the count never goes negative.
void unsubscribe() {
    if (g_state.usageCount <= 0) return;
    if (--g_state.usageCount > 0) return;
    destroyNodeEditor();
    g_state.glg.reset();
}

vexo::NodeEditor* graph() {
    return g_state.globalNode.get();
}

OverrideLightGroup* lightGroup() {
    return g_state.glg.get();
}

void setMasterDisabled(bool disabled) {
    g_state.masterDisabled = disabled;
}

void resetGraph() {
    destroyNodeEditor();
    createNodeEditor();
}

void resetLightGroup() {
    if (g_state.glg) g_state.glg->reset();
}

void lightGroupChangeID(const LWItemID* pairs) {
    if (g_state.glg) g_state.glg->ChangeID(pairs);
}

namespace {

// What each staged part does. The graph goes in the channel group of the graph in use, so that
// loading settings over and over leaves no groups behind; the light group is made only while
// one is in use to take its settings.
std::unique_ptr<BuiltGraph> stagedPart(BuiltGraph*) {
    return buildGraph(g_state.globalChannelGroup ? g_state.globalChannelGroup->id() : nullptr);
}
std::unique_ptr<OverrideLightGroup> stagedPart(OverrideLightGroup*) {
    return g_state.glg && g_lightGroupFactory ? g_lightGroupFactory() : nullptr;
}

const char* loadPart(BuiltGraph& graph, const vexo::LoadState& state) {
    const char* error = graph.editor->Load(state);
    if (!error) return nullptr;
    // The host's text belongs to the staged editor, which may go before the caller reads it.
    g_stagedError = error;
    return g_stagedError.c_str();
}
const char* loadPart(OverrideLightGroup& group, const vexo::LoadState& state) {
    return group.Load(state);
}

// Installed once: what is left of a committed graph is empty.
void commitPart(BuiltGraph& graph) {
    if (!graph.editor) return;
    const bool had = g_state.globalNode != nullptr;
    const unsigned state = had ? g_state.globalNode->state() & 0xFFFFu : 0u;
    // A shared channel group outlives the editor that goes.
    std::unique_ptr<vexo::ChannelGroup> shared;
    if (!graph.group) shared = std::move(g_state.globalChannelGroup);
    destroyNodeEditor();
    if (shared) g_state.globalChannelGroup = std::move(shared);
    install(graph);
    if (had) g_state.globalNode->setState(state);
}
void commitPart(OverrideLightGroup& group) {
    if (g_state.glg) g_state.glg->adopt(group);
}

// The editor goes before a channel group of its own, as in destroyNodeEditor.
void releasePart(BuiltGraph& graph) {
    graph.editor.reset();
}
void releasePart(OverrideLightGroup&) {}

}  // namespace

template <class Part>
Staged<Part>::Staged() : m_part(stagedPart(static_cast<Part*>(nullptr))) {}

template <class Part>
Staged<Part>::~Staged() {
    if (m_part) releasePart(*m_part);
}

template <class Part>
const char* Staged<Part>::load(const vexo::LoadState& state) {
    return m_part ? loadPart(*m_part, state) : nullptr;
}

template <class Part>
void Staged<Part>::commit() {
    if (m_part) commitPart(*m_part);
}

template class Staged<BuiltGraph>;
template class Staged<OverrideLightGroup>;

void refreshRootConnections() {
    uint32_t mask = 0;
    for (unsigned step = 0; step < kRootInputCount; ++step) {
        NodeInputID id = g_inputs.id[step];
        if (id && g_inputs.check && g_inputs.check(id) != 0) mask |= 1u << step;
    }
    g_connected.store(mask, std::memory_order_relaxed);
}

// ---- render threads --------------------------------------------------------------------------

st_LWShaderAccess* currentShaderAccess() {
    return tlsCache;
}

// Shielded here rather than where the table is filled, so that the shield and the sample's work
// are one function. Each entry starts on a cache line, so that a sample's cost does not hang on
// where the linker happens to place it.
__attribute__((aligned(64))) void ns_evaluate(st_LWShaderAccess* sa) {
    vexo::ShieldedFunction<&evaluateSample<st_LWShaderAccess, LWNodalAccess_t>,
                           kEvaluateName>::call(sa);
}

__attribute__((aligned(64))) void ns_evaluate95(st_LWShaderAccess* sa) {
    vexo::ShieldedFunction<&evaluateSample<st_LWShaderAccess95, LWNodalAccess95_t>,
                           kEvaluateName>::call(sa);
}

__attribute__((aligned(64))) void ns_evaluate96(st_LWShaderAccess* sa) {
    vexo::ShieldedFunction<&evaluateSample<st_LWShaderAccess96, LWNodalAccess96_t>,
                           kEvaluateName>::call(sa);
}

void* ns_pushGlobalLightGroup(LWNodalAccess_t* access) {
    OverrideLightGroup* group = g_state.glg.get();
    return group && group->hasCurrentFilter() ? group->push(access) : nullptr;
}

void ns_popGlobalLightGroup(void* handle) {
    OverrideLightGroup* group = g_state.glg.get();
    if (group && group->hasCurrentFilter()) group->pop(handle);
}

unsigned int ns_flags() {
    const vexo::NodeEditor* graph = g_state.globalNode.get();
    if (!graph || g_state.masterDisabled || (graph->state() & 0xFFFFu) == 0) return 0;
    // The material's flags cover the four shading colours, so no input's bits need masking.
    unsigned int flags = LWSHF_RAYTRACE;
    for (uint32_t steps = g_connected.load(std::memory_order_relaxed); steps != 0;
         steps &= steps - 1)
        flags |= kSteps.flags[__builtin_ctz(steps)];
    return flags;
}

namespace {

// The first row that writes `write` with an input of connection type `type`.
constexpr unsigned rowOf(Write write, ConnectionType type) {
    for (unsigned r = 0; r < kRootInputCount; ++r)
        if (kRootInputs[r].write == write && kRootInputs[r].type == type) return r;
    return kRootInputCount;
}
constexpr unsigned kReplacementRow = rowOf(Write::Replacement, LWNODE_COLOUR);
constexpr unsigned kMaterialRow = rowOf(Write::Material, LWNODE_MATERIAL);
static_assert(kReplacementRow < kRootInputCount && kMaterialRow < kRootInputCount,
              "the preview shows the replacement colour or the material");

}  // namespace

}  // namespace qrv

// ---- the root node ---------------------------------------------------------------------------

void shaderRoot::rootPreview(void*, LWNodalAccess_t* access, double* colour) {
    using namespace qrv;
    if (!colour) return;
    const std::unique_ptr<vexo::LWNodeInput>* inputs = g_state.rootInputs;
    if (connected(inputs[kReplacementRow])) {
        double c[3] = {0.0, 0.0, 0.0};
        inputs[kReplacementRow]->evaluate(access, c);
        copy3(colour, c);
        return;
    }
    if (!inputs[kMaterialRow]) return;
    double m[LWNODE_MATERIAL_DOUBLES] = {};
    inputs[kMaterialRow]->evaluate(access, m);
    // The shading colours in table order, each into its place of the material.
    for (unsigned r = 0; r < kRootInputCount; ++r)
        if (kRootInputs[r].write == Write::Material && kRootInputs[r].type == LWNODE_COLOUR)
            inputs[r]->evaluate(access, m + kRootInputs[r].at / sizeof(double));
    for (int i = 0; i < 3; ++i)
        colour[i] = m[kMatReflection + i] + m[kMatDiffuse + i] + m[kMatRefraction + i] +
                    m[kMatSpecular + i];
}

void setGlobalLightGroupFactory(LightGroupFactory factory) {
    g_lightGroupFactory = factory;
}
