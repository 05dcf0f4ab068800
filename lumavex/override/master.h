// The scene's handle on the override: its enable switch, the storage of the shared graph and
// of the global light group, presets, the scene-editing commands, and the switching off of
// surfaces' own node graphs around a render.
#pragma once

#include <lwsdk/lwsurface.h>
#include <vexo/handler.h>
#include <vexo/presets.h>
#include <vexo/shading.h>

#include <deque>
#include <string>

class GlobalShaderMaster : public vexo::XPanelMasterHandler, public vexo::PresetHandler {
  public:
    enum : unsigned {
        kNodalGraph = 0x800,
        kEnabled = 0x801,
        kSceneEditing = 0x802,
        kDisableSurfaceNodes = 0x803,
        kPresets = 0x805,
        kLogo = 0x806,
        kAbout = 0x807,
        kEditLightGroup = 0x808,
        kUseLightGroup = 0x809,
        kLightGroupGroup = 0x80a,
        kGraphGroup = 0x80b,
    };

    GlobalShaderMaster(void* priv, void* context, std::string* error);
    GlobalShaderMaster(const GlobalShaderMaster& other);
    GlobalShaderMaster& operator=(const GlobalShaderMaster& other);
    ~GlobalShaderMaster() override;

    const char* Load(const vexo::LoadState& state) override { return LoadSettings(state, false); }
    const char* Save(const vexo::SaveState& state) override { return SaveSettings(state, false); }
    const char* LoadPreset(vexo::LoadState& state) override { return LoadSettings(state, true); }
    const char* SavePreset(vexo::SaveState& state) override { return SaveSettings(state, true); }

    const char* LoadSettings(const vexo::LoadState& state, bool preset);
    const char* SaveSettings(const vexo::SaveState& state, bool preset);

    double Event(const st_LWMasterAccess* access) override;
    // Renumbered items also reach the global light group's lists.
    void ChangeID(const LWItemID* pairs) override;
    unsigned Flags() override;

    int Interface(int version, st_LWInterface* local, void* serverData) override;
    void* DataGet(unsigned id) override;
    int DataSet(unsigned id, void* value) override;
    void ButtonClick(unsigned id) override;
    void ControlDraw(unsigned id, vexo::XPDrawArea& area) override;
    void popCommand(int control, int item);

    // "Add All Shaders" (true) and "Remove All Shaders" (false).
    void applyShader(bool add);
    // Switches every enabled surface node graph off, and back on.
    void disableNodes();
    void enableNodes();

    bool disableSurfaceNodes() const { return m_disableSurfaceNodes; }
    size_t switchedOff() const { return m_switchedOff.size(); }

    // Master plug-ins of the bundle alive in the process.
    static int liveCount() { return Counted::count; }

  private:
    // Counts the instances: the graph is emptied only when the last master goes, and a
    // "default" preset loads only into a master that is alone.
    struct Counted {
        Counted() { ++count; }
        Counted(const Counted&) { ++count; }
        Counted& operator=(const Counted&) { return *this; }
        ~Counted() { --count; }
        static int count;
    };

    qrvNodalShadingFuncs* services() const {
        return m_services.available() ? m_services.getGlobal() : nullptr;
    }

    Counted m_counted;
    vexo::qrvShadingGlobal m_services;
    bool m_disableSurfaceNodes = false;
    std::deque<LWSurfaceID> m_switchedOff;  // used as a stack
    vexo::SimplePreset m_presets;
};
