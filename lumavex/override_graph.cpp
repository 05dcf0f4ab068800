#include "override_graph.h"

#include <atomic>
#include <cmath>
#include <cstring>

namespace qrv {

// ---- module-wide state -----------------------------------------------------------------------

// The root first: it is destroyed last, after the editor that points at it.
shaderRoot globalRoot;
int usageCount = 0;
std::unique_ptr<vexo::NodeEditor> globalNode;
std::unique_ptr<vexo::ChannelGroup> globalChannelGroup;
std::unique_ptr<OverrideLightGroup> glg;
bool masterDisabled = false;
LightGroupFactory lightGroupFactory = nullptr;

std::unique_ptr<vexo::LWNodeInput> inColour, inDiffuse, inLuminosity, inSpecular, inGlossiness,
    inReflection, inTransp, inIOR, inTranslucency, inNormal, inColHighlights, inColFilter,
    inDiffSharpness, inAddTransparency, inReflBlurring, inRefrBlurring, inEnable, inDiffShade,
    inSpecShade, inReflShade, inRefrShade, inMaterial, inOverride;

const char* const kEditorTitle = "Surface";
const char* const kEditorName = "lumavex: Global Surface Override";
const char* const kChannelGroupName = "lumavex";

namespace {

// The sample being evaluated on this thread. A plain pointer: no construction, no destructor,
// so it costs nothing to reach and nothing when the module unloads.
thread_local st_LWShaderAccess* tlsCache = nullptr;

struct RootInputDef {
    std::unique_ptr<vexo::LWNodeInput>* holder;
    const char* label;
    ConnectionType type;
};

const RootInputDef kRootInputs[] = {
    {&inColour, "Colour", LWNODE_COLOUR},
    {&inDiffuse, "Diffuse", LWNODE_SCALAR},
    {&inLuminosity, "Luminosity", LWNODE_SCALAR},
    {&inSpecular, "Specular", LWNODE_SCALAR},
    {&inGlossiness, "Glossiness", LWNODE_SCALAR},
    {&inReflection, "Reflection", LWNODE_SCALAR},
    {&inTransp, "Transparency", LWNODE_SCALAR},
    {&inIOR, "Refraction Index", LWNODE_SCALAR},
    {&inTranslucency, "Translucency", LWNODE_SCALAR},
    {&inNormal, "Normal", LWNODE_VECTOR},
    {&inColHighlights, "Colour Highlights", LWNODE_SCALAR},
    {&inColFilter, "Colour Filter", LWNODE_SCALAR},
    {&inDiffSharpness, "Diffuse Sharpness", LWNODE_SCALAR},
    {&inAddTransparency, "Additive Transparency", LWNODE_SCALAR},
    {&inReflBlurring, "Reflection Blurring", LWNODE_SCALAR},
    {&inRefrBlurring, "Refraction Blurring", LWNODE_SCALAR},
    {&inEnable, "Override", LWNODE_INTEGER},
    {&inDiffShade, "Diffuse Shading", LWNODE_COLOUR},
    {&inSpecShade, "Specular Shading", LWNODE_COLOUR},
    {&inReflShade, "Reflection Shading", LWNODE_COLOUR},
    {&inRefrShade, "Refraction Shading", LWNODE_COLOUR},
    {&inMaterial, "Material", LWNODE_MATERIAL},
    {&inOverride, "Colour Override", LWNODE_COLOUR},
};

// The root inputs as the evaluation reaches them: the host's input IDs in table order and the
// host's evaluate function, read once when the graph is built. An input the host refused has a
// null ID and is skipped.
enum RootSlot {
    kColour,
    kDiffuse,
    kLuminosity,
    kSpecular,
    kGlossiness,
    kReflection,
    kTransp,
    kIOR,
    kTranslucency,
    kNormal,
    kColHighlights,
    kColFilter,
    kDiffSharpness,
    kAddTransparency,
    kReflBlurring,
    kRefrBlurring,
    kEnable,
    kDiffShade,
    kSpecShade,
    kReflShade,
    kRefrShade,
    kMaterial,
    kOverride,
    kRootSlots
};
static_assert(sizeof kRootInputs / sizeof kRootInputs[0] == kRootSlots, "one slot per input");

struct RootInputIDs {
    int (*evaluate)(NodeInputID input, LWNodalAccess_t* access, void* value) = nullptr;
    int (*isConnected)(NodeInputID input) = nullptr;
    NodeInputID id[kRootSlots] = {};
};
RootInputIDs g_inputs;
static_assert(kRootSlots <= 32, "one bit per root input");

// The connected root inputs, one bit per slot. Written on the main thread between renders,
// read by render threads.
std::atomic<uint32_t> g_connected{0};

constexpr uint32_t bit(RootSlot slot) {
    return 1u << slot;
}

// Evaluates the input into `value` when `mask` says it is connected; an unconnected input
// leaves `value` alone, as the host's evaluation would.
inline void eval(uint32_t mask, RootSlot slot, LWNodalAccess_t* na, void* value) {
    if (mask & bit(slot)) g_inputs.evaluate(g_inputs.id[slot], na, value);
}

// Material value layout: diffuse, specular, reflection, refraction shading colours, then
// transparency.
constexpr int kMatDiffuse = 0;
constexpr int kMatSpecular = 3;
constexpr int kMatReflection = 6;
constexpr int kMatRefraction = 9;
constexpr int kMatTransparency = 12;

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
// a counterpart in the shader access record are set to zero here.
void fill(const st_LWShaderAccess& sa, LWNodalAccess_t& na) {
    na.uv[0] = na.uv[1] = 0.0;
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
    na.illuminateNormal = sa.illuminateNormal;
    na.illuminateSample = sa.illuminateSample;
    na.illuminateSampleNormal = sa.illuminateSampleNormal;
    na.rayTrace = sa.rayTrace;
    na.rayCast = sa.rayCast;
    na.rayShade = sa.rayShade;
    na.context = sa.context;
    na.bounces = sa.bounces;
    na.sourceID = sa.sourceID;
    na.objID = sa.objID;
    na.polNum = sa.polNum;
    na.polygon = sa.polygon;
    for (int k = 0; k < 4; ++k) {
        na.verts[k] = sa.verts[k];
        na.weights[k] = sa.weights[k];
        na.vertsWPos[k][0] = sa.vertsWPos[k][0];
        na.vertsWPos[k][1] = sa.vertsWPos[k][1];
        na.vertsWPos[k][2] = sa.vertsWPos[k][2];
    }
    na.flags = sa.flags;
}

void fill(const st_LWShaderAccess95& sa, LWNodalAccess95_t& na) {
    fill(sa.base, na.base);
    na.rayType = sa.rayType;
    na.subPixel[0] = sa.subPixel[0];
    na.subPixel[1] = sa.subPixel[1];
}

void fill(const st_LWShaderAccess96& sa, LWNodalAccess96_t& na) {
    fill(sa.base, na.base);
    na.time = sa.time;
    na.sampleIndex = sa.sampleIndex;
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

// The 9.3 prefix of every layout.
inline LWNodalAccess_t* prefix(LWNodalAccess_t& na) {
    return &na;
}
inline LWNodalAccess_t* prefix(LWNodalAccess95_t& na) {
    return &na.base;
}
inline LWNodalAccess_t* prefix(LWNodalAccess96_t& na) {
    return &na.base.base;
}
inline st_LWShaderAccess* prefix(st_LWShaderAccess& sa) {
    return &sa;
}
inline st_LWShaderAccess* prefix(st_LWShaderAccess95& sa) {
    return &sa.base;
}
inline st_LWShaderAccess* prefix(st_LWShaderAccess96& sa) {
    return &sa.base.base;
}

// Roughness is the inverse of glossiness. A glossiness that is not a positive finite number has
// no roughness: the surface's stays.
inline void roundTripRoughness(st_LWShaderAccess& sa, double glossiness) {
    if (glossiness > 0.0 && std::isfinite(glossiness)) sa.roughness = 1.0 / glossiness;
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
template <class SA, class NA>
void evaluateSample(st_LWShaderAccess* record) {
    if (!record || !globalNode || masterDisabled) return;
    if ((globalNode->state() & 0xFFFFu) == 0) return;
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

    const bool lightGroup = glg && glg->useByOverride;
    void* handle = lightGroup ? ns_pushGlobalLightGroup(na) : nullptr;

    int gate = 1;
    eval(mask, kEnable, na, &gate);
    if (gate != 0) {
        double material[LWNODE_MATERIAL_DOUBLES];
        copy3(material + kMatDiffuse, sa->diffuseShade);
        copy3(material + kMatSpecular, sa->specularShade);
        copy3(material + kMatReflection, sa->reflectionShade);
        copy3(material + kMatRefraction, sa->refractionShade);
        material[kMatTransparency] = sa->transparency;

        eval(mask, kColour, na, sa->color);
        eval(mask, kLuminosity, na, &sa->luminous);
        eval(mask, kDiffuse, na, &sa->diffuse);
        eval(mask, kSpecular, na, &sa->specular);
        double glossiness = 1.0 / sa->roughness;
        eval(mask, kGlossiness, na, &glossiness);
        roundTripRoughness(*sa, glossiness);
        eval(mask, kReflection, na, &sa->mirror);
        eval(mask, kTransp, na, &material[kMatTransparency]);
        eval(mask, kIOR, na, &sa->eta);
        eval(mask, kTranslucency, na, &sa->translucency);
        eval(mask, kNormal, na, sa->wNorm);
        eval(mask, kColHighlights, na, &sa->colourHighlights);
        eval(mask, kColFilter, na, &sa->colourFilter);
        eval(mask, kDiffSharpness, na, &sa->diffuseSharpness);
        eval(mask, kAddTransparency, na, &sa->additiveTransparency);
        eval(mask, kReflBlurring, na, &sa->reflectionBlur);
        eval(mask, kRefrBlurring, na, &sa->refractionBlur);

        // A connected shading input wins over the material for its colour.
        eval(mask, kMaterial, na, material);
        eval(mask, kDiffShade, na, material + kMatDiffuse);
        eval(mask, kSpecShade, na, material + kMatSpecular);
        eval(mask, kReflShade, na, material + kMatReflection);
        eval(mask, kRefrShade, na, material + kMatRefraction);

        copy3(sa->diffuseShade, material + kMatDiffuse);
        copy3(sa->specularShade, material + kMatSpecular);
        copy3(sa->reflectionShade, material + kMatReflection);
        copy3(sa->refractionShade, material + kMatRefraction);
        sa->transparency = material[kMatTransparency];

        if (mask & (bit(kMaterial) | bit(kReflShade))) sa->mirror = 1.0;

        if (mask & bit(kOverride)) {
            double colour[3] = {0.0, 0.0, 0.0};
            eval(mask, kOverride, na, colour);
            sa->replacementPercentage = 1.0;
            copy3(sa->replacementColour, colour);
        }
    }

    if (lightGroup) ns_popGlobalLightGroup(handle);
}

}  // namespace

// ---- building the graph ----------------------------------------------------------------------

void createNodeEditor() {
    auto group = std::make_unique<vexo::ChannelGroup>(false);
    group->create(kChannelGroupName, nullptr);
    globalChannelGroup = std::move(group);

    auto editor = std::make_unique<vexo::NodeEditor>();
    editor->create(kEditorTitle, kEditorName, &globalRoot, LWNODE_PREVIEW_COLOUR);
    editor->setChannelGroup(globalChannelGroup->id());
    editor->setUpdateFunc(&nodeEditorUpdate);
    RootInputIDs ids;
    for (int slot = 0; slot < kRootSlots; ++slot) {
        const RootInputDef& input = kRootInputs[slot];
        *input.holder = input.type == LWNODE_SCALAR
                            ? editor->addScalarInput(input.label, nullptr)
                            : editor->addInput(input.type, input.label, nullptr);
        ids.id[slot] = (*input.holder)->id();
        if (const LWNodeInputFuncs_t* funcs = (*input.holder)->funcs()) {
            ids.evaluate = funcs->evaluate;
            ids.isConnected = funcs->isConnected;
        }
    }
    if (!ids.evaluate || !ids.isConnected) ids = RootInputIDs{};
    globalNode = std::move(editor);
    g_inputs = ids;
    refreshRootConnections();
}

void refreshRootConnections() {
    uint32_t mask = 0;
    for (int slot = 0; slot < kRootSlots; ++slot) {
        NodeInputID id = g_inputs.id[slot];
        if (id && g_inputs.isConnected && g_inputs.isConnected(id) != 0)
            mask |= bit(static_cast<RootSlot>(slot));
    }
    g_connected.store(mask, std::memory_order_relaxed);
}

void destroyNodeEditor() {
    g_inputs = RootInputIDs{};
    g_connected.store(0, std::memory_order_relaxed);
    // Taken out of the globals before anything is destroyed: nodes in the graph hold
    // subscriptions, and the last of them to go calls back in here from inside the editor's
    // destruction; that call must find nothing left to destroy.
    std::unique_ptr<vexo::NodeEditor> editor(globalNode.release());
    std::unique_ptr<vexo::ChannelGroup> group(globalChannelGroup.release());
    // The editor goes first: its nodes may still look at the channel group while they go.
    editor.reset();
    group.reset();
}

namespace {

// Nodes of the bundle left in the graph when the module unloads keep the count above zero, so
// nobody else destroys the graph. Constructed after the globals above, this runs before they go.
struct UnloadGuard {
    ~UnloadGuard() { destroyNodeEditor(); }
} g_unloadGuard;

}  // namespace

// ---- render threads --------------------------------------------------------------------------

st_LWShaderAccess* currentShaderAccess() {
    return tlsCache;
}

void ns_evaluate(st_LWShaderAccess* sa) {
    evaluateSample<st_LWShaderAccess, LWNodalAccess_t>(sa);
}

void ns_evaluate95(st_LWShaderAccess* sa) {
    evaluateSample<st_LWShaderAccess95, LWNodalAccess95_t>(sa);
}

void ns_evaluate96(st_LWShaderAccess* sa) {
    evaluateSample<st_LWShaderAccess96, LWNodalAccess96_t>(sa);
}

unsigned int ns_flags() {
    if (!globalNode || masterDisabled || (globalNode->state() & 0xFFFFu) == 0) return 0;
    unsigned int flags = LWSHF_RAYTRACE;
    if (connected(inMaterial)) {
        flags |= LWSHF_MATERIAL;
    } else {
        if (connected(inDiffShade)) flags |= LWSHF_DIFFUSE_SHADING;
        if (connected(inSpecShade)) flags |= LWSHF_SPECULAR_SHADING;
        if (connected(inReflShade)) flags |= LWSHF_REFLECTION_SHADING;
        if (connected(inRefrShade)) flags |= LWSHF_REFRACTION_SHADING;
    }
    if (connected(inNormal)) flags |= LWSHF_NORMAL;
    if (connected(inColour)) flags |= LWSHF_COLOUR;
    if (connected(inLuminosity)) flags |= LWSHF_LUMINOSITY;
    if (connected(inDiffuse)) flags |= LWSHF_DIFFUSE;
    if (connected(inSpecular)) flags |= LWSHF_SPECULAR;
    if (connected(inReflection)) flags |= LWSHF_MIRROR;
    if (connected(inTransp)) flags |= LWSHF_TRANSPARENCY;
    if (connected(inIOR)) flags |= LWSHF_REFRACTION_INDEX;
    if (connected(inGlossiness)) flags |= LWSHF_ROUGHNESS;
    if (connected(inTranslucency)) flags |= LWSHF_TRANSLUCENCY;
    return flags;
}

}  // namespace qrv

// ---- the root node ---------------------------------------------------------------------------

void shaderRoot::rootPreview(void*, LWNodalAccess_t* access, double* colour) {
    using namespace qrv;
    if (!colour) return;
    if (connected(inOverride)) {
        double c[3] = {0.0, 0.0, 0.0};
        inOverride->evaluate(access, c);
        copy3(colour, c);
        return;
    }
    if (!inMaterial) return;
    double m[LWNODE_MATERIAL_DOUBLES] = {};
    inMaterial->evaluate(access, m);
    inDiffShade->evaluate(access, m + kMatDiffuse);
    inSpecShade->evaluate(access, m + kMatSpecular);
    inReflShade->evaluate(access, m + kMatReflection);
    inRefrShade->evaluate(access, m + kMatRefraction);
    for (int i = 0; i < 3; ++i)
        colour[i] = m[kMatReflection + i] + m[kMatDiffuse + i] + m[kMatRefraction + i] +
                    m[kMatSpecular + i];
}

void setGlobalLightGroupFactory(LightGroupFactory factory) {
    qrv::lightGroupFactory = factory;
}
