// The master plug-in: settings block, panel, presets, notifications, and its server records.
#include "master.h"

#include <vexo/adaptor.h>
#include <vexo/server.h>

#include <lwsdk/lwmaster.h>
#include <lwsdk/lwmodule.h>

#include <memory>
#include <optional>

#include "override_graph.h"
#include "toolkit/logo.h"
#include "toolkit/panel_data.h"
#include "toolkit/panel_table.h"

namespace {

#define LWID4(a, b, c, d) LWID_MAKE(a, b, c, d)

// The settings block, in the order the loader looks for them.
const st_LWBlockIdent kSettings[] = {
    {LWID4('V', 'E', 'R', 'S'), "Version"},
    {LWID4('E', 'N', 'A', 'B'), "Enabled"},
    {LWID4('N', 'O', 'D', 'S'), "Nodes"},
    {LWID4('S', 'N', 'O', 'D'), "DisableSurfaceNodes"},
    {LWID4('L', 'T', 'G', 'P'), "LightGroup"},
    {LWID4('S', 'T', 'O', 'P'), "EndPlugin"},
    {0, nullptr},
};
enum { kVersion, kEnable, kNodes, kSurfaceNodes, kLightGroup, kEnd };

// The settings block version this code writes and knows.
constexpr int16_t kSettingsVersion = 1;

const char* const kSceneEditingItems[] = {"Add All Shaders", "Remove All Shaders", nullptr};

PanelData<int> g_value;

// Settings read from a block, applied only once the whole block has been read without error.
struct PendingSettings {
    std::optional<unsigned short> enable;
    std::optional<bool> disableSurfaceNodes;
    std::unique_ptr<qrv::StagedGraph> graph;
    std::unique_ptr<qrv::StagedLightGroup> lightGroup;
};

// A block written by a newer version loses what this one does not know when it is saved again.
void warnNewerVersion(int16_t version) {
    static bool warned = false;
    if (warned) return;
    warned = true;
    const std::string known = std::to_string(kSettingsVersion);
    const std::string text = "These lumavex settings are of version " + std::to_string(version) +
                             "; this plug-in knows version " + known + ".";
    const std::string consequence =
        "Saving them writes version " + known + " and drops what it does not know.";
    if (vexo::LWMessage* messages = vexo::messageService())
        messages->warning(text.c_str(), consequence.c_str());
}

}  // namespace

int GlobalShaderMaster::Counted::count = 0;

GlobalShaderMaster::GlobalShaderMaster(void*, void*, std::string*)
    : m_presets("MasterHandler", "lumavex") {
    if (!m_services.available()) throw vexo::exception("Global qrvLumavexServices not available.");
    m_description = "qorvan lumavex";
    // A second master must not replace the scene's graph with the default preset.
    if (liveCount() == 1)
        m_presets.SetHandler(this);
    else
        m_presets.bindHandler(this);
}

GlobalShaderMaster::GlobalShaderMaster(const GlobalShaderMaster& other)
    : vexo::Storeable(other),
      vexo::XPanelMasterHandler(other),
      vexo::PresetHandler(other),
      m_counted(other.m_counted),
      m_services(other.m_services),
      m_disableSurfaceNodes(other.m_disableSurfaceNodes),
      m_switchedOff(other.m_switchedOff),
      m_presets(other.m_presets) {
    m_presets.bindHandler(this);
}

GlobalShaderMaster& GlobalShaderMaster::operator=(const GlobalShaderMaster& other) {
    if (this == &other) return *this;
    vexo::XPanelMasterHandler::operator=(other);
    m_disableSurfaceNodes = other.m_disableSurfaceNodes;
    m_switchedOff = other.m_switchedOff;
    return *this;
}

GlobalShaderMaster::~GlobalShaderMaster() {
    // A scene that loses its last master starts the next one with an empty graph and the global
    // light group at "none" and off; the settings of a master that remains stay.
    if (liveCount() > 1) return;
    if (qrvNodalShadingFuncs* ns = services()) ns->ns_reset();
    qrv::resetLightGroup();
    qrv::forgetStep();
}

const char* GlobalShaderMaster::SaveSettings(const vexo::SaveState& state, bool) {
    qrvNodalShadingFuncs* ns = services();
    state.writeI2Blk(kSettings[kVersion], kSettingsVersion);
    state.writeU1Blk(kSettings[kEnable], ns && ns->ns_isEnabled() != 0 ? 1 : 0);
    // A part that could not be written whole fails the save; the first failure is told.
    const char* result = state.WriteItem(kSettings[kNodes], m_services, false);
    state.writeU1Blk(kSettings[kSurfaceNodes], m_disableSurfaceNodes ? 1 : 0);
    state.beginBlk(kSettings[kLightGroup], false);
    const char* lightGroup = ns ? ns->ns_lg_save(state.record()) : nullptr;
    if (!result) result = lightGroup;
    state.endBlk();
    return result;
}

// All or nothing: the block is read whole before anything changes, the graph and the global
// light group into copies aside, so that a block failing anywhere leaves the enable state, the
// flag, the graph and the light group as they were.
const char* GlobalShaderMaster::LoadSettings(const vexo::LoadState& state, bool) {
    qrvNodalShadingFuncs* ns = services();
    PendingSettings pending;
    const char* error = nullptr;
    while (!error) {
        const LWID id = state.findBlk(kSettings);
        if (id == 0 || id == kSettings[kEnd].id) break;
        if (id == kSettings[kVersion].id) {
            int16_t version = 0;
            if (!state.readI2(version))
                error = "the settings hold an unreadable \"Version\".";
            else if (version > kSettingsVersion)
                warnNewerVersion(version);
        } else if (id == kSettings[kEnable].id) {
            uint8_t enabled = 0;
            if (!state.readU1(enabled))
                error = "the settings hold an unreadable \"Enabled\".";
            else
                pending.enable = enabled == 1 ? 1 : 0;
        } else if (id == kSettings[kNodes].id) {
            if (ns) {
                pending.graph = std::make_unique<qrv::StagedGraph>();
                error = pending.graph->load(state);
            }
        } else if (id == kSettings[kSurfaceNodes].id) {
            uint8_t flag = 0;
            if (!state.readU1(flag))
                error = "the settings hold an unreadable \"DisableSurfaceNodes\".";
            else
                pending.disableSurfaceNodes = flag == 1;
        } else if (id == kSettings[kLightGroup].id) {
            pending.lightGroup = std::make_unique<qrv::StagedLightGroup>();
            error = pending.lightGroup->load(state);
        }
        state.endBlk();
    }
    if (error) return error;

    if (pending.graph) pending.graph->commit();
    if (pending.lightGroup) pending.lightGroup->commit();
    qrv::forgetStep();
    if (pending.enable && ns) ns->ns_enable(*pending.enable);
    if (pending.disableSurfaceNodes) m_disableSurfaceNodes = *pending.disableSurfaceNodes;
    return nullptr;
}

double GlobalShaderMaster::Event(const st_LWMasterAccess* access) {
    if (!access || !m_disableSurfaceNodes) return 0.0;
    if (access->eventCode == LWEVNT_NOTIFY_RENDER_STARTING) disableNodes();
    if (access->eventCode == LWEVNT_NOTIFY_RENDER_COMPLETE) enableNodes();
    return 0.0;
}

void GlobalShaderMaster::ChangeID(const LWItemID* pairs) {
    vexo::XPanelMasterHandler::ChangeID(pairs);
    qrv::lightGroupChangeID(pairs);
    qrv::forgetStep();  // the steps' sets hold the old IDs
}

unsigned GlobalShaderMaster::Flags() {
    return LWMASTF_RECEIVE_NOTIFICATIONS;
}

int GlobalShaderMaster::Interface(int, st_LWInterface* local, void*) {
    static PanelTables tables{
        logoRow(kLogo),
        {kPresets, "Presets", "vPopCmd", "integer"},
        {kEnabled, "Global Shading Enabled", "iBoolean", "integer"},
        {kNodalGraph, "Nodal Graph...", "vButton"},
        {kDisableSurfaceNodes, "Disable Surface Nodes", "iBoolean", "integer"},
        {kUseLightGroup, "Use Global Light Group", "iBoolean", "integer"},
        {kEditLightGroup, "Edit Global Light Group...", "vButton"},
        {kSceneEditing, "Scene Editing", "vPopCmd"},
        aboutRow(kAbout),
    };
    vexo::XPanelHints hints;
    hints.group(kGraphGroup, {kEnabled, kNodalGraph, kDisableSurfaceNodes})
        .group(kLightGroupGroup, {kUseLightGroup, kEditLightGroup})
        .order(0, {kLogo, kPresets, kGraphGroup, kLightGroupGroup, kSceneEditing, kAbout})
        .dividers(0, {kPresets, kGraphGroup, kLightGroupGroup})
        .button(kNodalGraph, &LWXPanelBtnClickFunc)
        .button(kEditLightGroup, &LWXPanelBtnClickFunc);
    logoAndAbout(hints, kLogo, kAbout)
        .strings(kSceneEditing, kSceneEditingItems)
        .popCommand(kSceneEditing, &vexo::PopCmdCallback<GlobalShaderMaster>::PopCommand);
    LWXPanelID panel = CreateViewXPanel(tables.controls(), tables.values(), hints.list(), true);
    if (panel) {
        m_panel.setData(kSceneEditing, this);
        m_presets.Setup(panel, kPresets);
    }
    if (local) local->panel = panel;
    return 0;
}

void* GlobalShaderMaster::DataGet(unsigned id) {
    qrvNodalShadingFuncs* ns = services();
    switch (id) {
        case kDisableSurfaceNodes:
            return g_value(m_disableSurfaceNodes ? 1 : 0);
        case kUseLightGroup:
            return g_value(ns && ns->ns_usesGlobalLightGroup() != 0 ? 1 : 0);
        case kEnabled:
            return g_value(ns && (ns->ns_isEnabled() & 0xFFFF) != 0 ? 1 : 0);
        default:
            return nullptr;
    }
}

int GlobalShaderMaster::DataSet(unsigned id, void* value) {
    qrvNodalShadingFuncs* ns = services();
    const bool on = value && *static_cast<int*>(value) != 0;
    switch (id) {
        case kDisableSurfaceNodes:
            m_disableSurfaceNodes = on;
            break;
        case kUseLightGroup:
            if (ns) ns->ns_useGlobalLightGroup(on ? 1 : 0);
            break;
        case kEnabled:
            if (ns) ns->ns_enable(on ? 1 : 0);
            break;
        default:
            break;
    }
    return 1;
}

void GlobalShaderMaster::ButtonClick(unsigned id) {
    qrvNodalShadingFuncs* ns = services();
    if (!ns) return;
    if (id == kNodalGraph) ns->ns_openEditor();
    if (id == kEditLightGroup) ns->ns_DisplayLightGroup();
}

void GlobalShaderMaster::ControlDraw(unsigned id, vexo::XPDrawArea& area) {
    if (id == kLogo) drawLogo(area);
}

void GlobalShaderMaster::popCommand(int control, int item) {
    if (control != static_cast<int>(kSceneEditing)) return;
    if (item == 0) applyShader(true);
    if (item == 1) applyShader(false);
}

namespace {

const st_ServerTagInfo kTags[] = {
    {"qorvan lumavex", LWTAG_USERNAME}, {"qorvan lumavex", LWTAG_BUTTONNAME}, {nullptr, 0}};

vexo::ServerRegistration g_handler(LWMASTER_HCLASS, "qrvLumavex",
                                   &vexo::MasterAdaptor<GlobalShaderMaster, 4, 4, 0>::Activate,
                                   kTags);
vexo::ServerRegistration g_interface(LWMASTER_ICLASS, "qrvLumavex",
                                     &vexo::XPanelAdaptor<GlobalShaderMaster>::Interface, kTags);

}  // namespace
