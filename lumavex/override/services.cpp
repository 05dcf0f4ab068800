// The shading services: the "Global" server "qrvLumavexServices" and the one function table it
// hands out. The state sits module-wide behind the graph's functions (override_graph.h), so
// every acquirer in the host talks to the same override graph.
#include <lwsdk/lwglobsrv.h>
#include <lwsdk/lwitem.h>
#include <lwsdk/lwmaster.h>
#include <vexo/adaptor.h>
#include <vexo/handler.h>
#include <vexo/items.h>
#include <vexo/server.h>
#include <vexo/utility.h>

#include <cstring>
#include <exception>
#include <memory>
#include <string>

#include "override_graph.h"
#include "toolkit/scene_scan.h"

namespace {

using namespace qrv;

const char* const kMasterServer = "qrvLumavex";

int ns_getApiVersion() {
    return QRV_SHADING_API_VERSION;
}

void ns_subscribe() {
    subscribe();
}

void ns_unsubscribe() {
    unsubscribe();
}

// Whether the scene lacks an enabled master plug-in of the bundle.
bool masterMissingOrDisabled() {
    vexo::ItemInfo info;
    const int index = info.findServer(LWMASTER_HCLASS, kMasterServer, LWITEM_NULL);
    if (index == 0) return true;
    const st_LWItemInfo* funcs = info.getGlobal();
    if (!funcs || !funcs->serverFlags) return false;
    return (funcs->serverFlags(LWITEM_NULL, LWMASTER_HCLASS, index) & LWSRVF_DISABLED) != 0;
}

// The edits a step saw (forgetStep's count) and the time it stepped to. A step is reused by a
// later call with the same key: nothing edited since it began, the same time.
struct StepKey {
    unsigned generation = 0;  // 0 is never current
    int frame = 0;
    double time = 0;
    bool operator==(const StepKey& o) const {
        return generation == o.generation && frame == o.frame && time == o.time;
    }
};
unsigned g_generation = 1;

StepKey keyOf(int frame, double time) {
    return {g_generation, frame, time};
}

// The light group's last step and its answer; the graph's last step and its error text.
StepKey g_lightsStep, g_graphStep;
int g_lightsAnswer = 0;
bool g_graphFailed = false;
std::string g_graphError;

int stepLights(int frame, double time) {
    const StepKey key = keyOf(frame, time);
    if (key == g_lightsStep) return g_lightsAnswer;
    g_lightsStep = {};
    OverrideLightGroup* group = lightGroup();
    g_lightsAnswer = group ? group->NewTime(frame, time) : 0;
    if (key.generation == g_generation) g_lightsStep = key;  // not when edited meanwhile
    return g_lightsAnswer;
}

const char* ns_init(int mode) {
    forgetStep();
    // The modelling application has no master plug-ins: the flag keeps its value there.
    if (!vexo::LightWave::isModeler()) setMasterDisabled(masterMissingOrDisabled());
    qrv::refreshRootConnections();
    vexo::NodeEditor* editor = graph();
    return editor ? editor->renderInit(mode) : nullptr;
}

void ns_done() {
    if (vexo::NodeEditor* editor = graph()) editor->renderCleanup();
}

const char* ns_newTime(int frame, double time) {
    const StepKey key = keyOf(frame, time);
    if (!(key == g_graphStep)) {
        g_graphStep = {};
        // The scene stands still while the graph steps: its nodes share one reading of it.
        const qrv::SceneStep step;
        stepLights(frame, time);
        vexo::NodeEditor* editor = graph();
        const char* error = editor ? editor->renderNewTime(frame, time) : nullptr;
        g_graphFailed = error != nullptr;
        g_graphError = error ? error : "";
        if (key.generation == g_generation) g_graphStep = key;  // not when edited meanwhile
    }
    return g_graphFailed ? g_graphError.c_str() : nullptr;
}

int ns_isEnabled() {
    vexo::NodeEditor* editor = graph();
    return editor ? static_cast<int>(editor->state() & 0xFFFFu) : 0;
}

void ns_enable(unsigned short state) {
    if (vexo::NodeEditor* editor = graph()) editor->setState(state);
}

void ns_openEditor() {
    if (vexo::NodeEditor* editor = graph()) editor->openWindow();
}

st_LWShaderAccess* ns_getShaderAccess() {
    return currentShaderAccess();
}

void ns_reset() {
    forgetStep();
    resetGraph();
}

// ---- the scene-wide light group: every slot answers as for a missing group without one ------

int ns_lg_newTime(int frame, double time) {
    return stepLights(frame, time);
}

const char* ns_lg_load(const st_LWLoadState* state) {
    forgetStep();
    OverrideLightGroup* group = lightGroup();
    return group ? group->Load(vexo::LoadState(state)) : nullptr;
}

const char* ns_lg_save(const st_LWSaveState* state) {
    OverrideLightGroup* group = lightGroup();
    return group ? group->Save(vexo::SaveState(state)) : nullptr;
}

void ns_useGlobalLightGroup(int on) {
    forgetStep();
    if (OverrideLightGroup* group = lightGroup()) group->useByOverride = on != 0;
}

int ns_usesGlobalLightGroup() {
    OverrideLightGroup* group = lightGroup();
    return group && group->useByOverride ? 1 : 0;
}

void ns_DisplayLightGroup() {
    if (OverrideLightGroup* group = lightGroup()) group->Interface();
    forgetStep();  // the panel edits the group
}

// ---- the graph as a stored item --------------------------------------------------------------

const char* ns_load(const st_LWLoadState* state) {
    forgetStep();
    vexo::NodeEditor* editor = graph();
    if (!editor) return nullptr;
    const char* result = editor->Load(vexo::LoadState(state));
    qrv::refreshRootConnections();
    return result;
}

const char* ns_save(const st_LWSaveState* state) {
    vexo::NodeEditor* editor = graph();
    return editor ? editor->Save(vexo::SaveState(state)) : nullptr;
}

// The slots in table order, each behind the frame's exception shield: no failure unwinds into
// the host or another plug-in. S(slot) is shielded here, P(slot) is shielded already.
// clang-format off
#define QRV_SLOTS(S, P)                                                                  \
    S(ns_getApiVersion) S(ns_subscribe) S(ns_unsubscribe) S(ns_init) S(ns_done)          \
    S(ns_newTime) P(ns_evaluate) S(ns_flags) S(ns_isEnabled) S(ns_enable)                \
    S(ns_openEditor) S(ns_getShaderAccess) S(ns_reset) S(ns_pushGlobalLightGroup)        \
    S(ns_popGlobalLightGroup) S(ns_lg_newTime) S(ns_lg_load) S(ns_lg_save)               \
    S(ns_useGlobalLightGroup) S(ns_usesGlobalLightGroup) S(ns_DisplayLightGroup)         \
    S(ns_load) S(ns_save)
// clang-format on
#define QRV_SLOT_NAME(slot) constexpr char slot##_name[] = #slot "()";
#define QRV_NO_NAME(slot)
#define QRV_SHIELDED(slot) &vexo::ShieldedFunction<&slot, slot##_name>::call,
#define QRV_PLAIN(slot) &slot,
QRV_SLOTS(QRV_SLOT_NAME, QRV_NO_NAME)

// The one table; slot 6 is set by each activation for the host's record layout.
qrvNodalShadingFuncs g_table = {QRV_SLOTS(QRV_SHIELDED, QRV_PLAIN)};

// The evaluation for the running host's record layout; null before 9.3.
void (*evaluationFor(unsigned major, unsigned minor))(st_LWShaderAccess*) {
    if (major < 9 || (major == 9 && minor < 3)) return nullptr;
    if (major == 9 && minor <= 4) return qrv::ns_evaluate;
    if (major == 9 && minor == 5) return qrv::ns_evaluate95;
    return qrv::ns_evaluate96;
}

}  // namespace

namespace qrv {

void forgetStep() {
    if (++g_generation == 0) ++g_generation;
}

void nodeEditorUpdate(NodeEditorID) {
    vexo::shield(vexo::Dialog{"nodeEditorUpdate()"}, [] {
        forgetStep();
        qrv::refreshRootConnections();
        qrv::Singleton<vexo::comRingCommunicator>::Instance().send(
            QRV_COMRING_TOPIC, QRV_EVENT_GRAPH_CHANGED, nullptr);
    });
}

}  // namespace qrv

// The services' activate function: hands out the table to hosts from 9.3 on.
extern "C" int qrvNodalShadingGlobal(long version, LWGlobalFunc global, void* local, void*) {
    if (version < 1) return LWACTIVATE_BADVERSION;
    return vexo::shield(vexo::Dialog{"qrvNodalShadingGlobal()", LWACTIVATE_FAILED}, [&]() -> int {
        vexo::SetSuperGlobal(global);
        auto* service = static_cast<st_LWGlobalService*>(local);
        if (!service) return LWACTIVATE_BADLOCAL;
        service->data = nullptr;
        if (!service->id || std::strcmp(service->id, QRV_SHADING_GLOBAL) != 0)
            return LWACTIVATE_BADVERSION;
        auto evaluate =
            evaluationFor(vexo::LightWave::majorVersion(), vexo::LightWave::minorVersion());
        if (!evaluate) return LWACTIVATE_BADVERSION;
        g_table.ns_evaluate = evaluate;
        service->data = &g_table;
        return LWACTIVATE_OK;
    });
}

namespace {

const st_ServerTagInfo kTags[] = {
    {"qorvan lumavex", LWTAG_BUTTONNAME},
    {"qorvan lumavex", LWTAG_USERNAME},
    {nullptr, 0},
};

struct Registration {
    Registration() {
        vexo::LWServer::AddPlugin(LWGLOBALSRV_CLASS, QRV_SHADING_GLOBAL, &qrvNodalShadingGlobal,
                                  kTags);
    }
} g_registration;

}  // namespace
