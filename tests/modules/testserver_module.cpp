// A module built with the frame whose master, shader and generic servers note what the host
// does to them, so that tests can watch the host drive plug-in instances through the real
// loader. The notes are read through the "TestServerLog" "log" server (module_log.h).
//
//   "MasterHandler" "testmaster"   settings Value (u4), Enabled (u1), Name (text), Flags (u4,
//                                  default 2) and Target (an item reference); a "Fail" block makes
//                                  its load fail. Its event runs "StatusMsg event 0xCODE" through
//                                  the access record. Panel: Value, Enabled, Name, button Bump
//                                  (adds 1 to Value), command pop-up "Scene Editing" with "Add
//                                  Shaders" / "Remove Shaders" (every surface, as the bundle does).
//   "MasterHandler" "testrefuse"   refuses to be created.
//   "ShaderHandler" "testshader"   setting Tint (float); init fails for a negative tint. Panel:
//                                  Tint.
//   "ShaderHandler" "versionprobe" notes the version it is asked for and refuses it.
//   "LayoutGeneric" "testgeneric"  opens the settings of "testmaster" (applying it when missing).
#include <vexo/adaptor.h>
#include <vexo/handler.h>
#include <vexo/items.h>
#include <vexo/persistence.h>
#include <vexo/server.h>
#include <vexo/xpanel.h>

#include <cstdint>
#include <string>

#include "module_log.h"

namespace {

using module_log::hex;
using module_log::note;

std::string contextText(const void* context) {
    return std::to_string(reinterpret_cast<uintptr_t>(context));
}

constexpr LWID kValue = LWID_MAKE('V', 'A', 'L', 'U');
constexpr LWID kEnabled = LWID_MAKE('E', 'N', 'A', 'B');
constexpr LWID kName = LWID_MAKE('N', 'A', 'M', 'E');
constexpr LWID kFlags = LWID_MAKE('F', 'L', 'A', 'G');
constexpr LWID kTarget = LWID_MAKE('T', 'R', 'G', 'T');
constexpr LWID kFail = LWID_MAKE('F', 'A', 'I', 'L');
constexpr LWID kTint = LWID_MAKE('T', 'I', 'N', 'T');

const st_LWBlockIdent kMasterBlocks[] = {{kValue, "Value"}, {kEnabled, "Enabled"}, {kName, "Name"},
                                         {kFlags, "Flags"}, {kTarget, "Target"},   {kFail, "Fail"},
                                         {0, nullptr}};
const st_LWBlockIdent kShaderBlocks[] = {{kTint, "Tint"}, {0, nullptr}};

enum MasterControl : unsigned {
    kValueControl = 0x800,
    kEnabledControl,
    kNameControl,
    kBumpControl,
    kEditingControl
};
constexpr unsigned kTintControl = 0x900;
const char kShaderName[] = "testshader";

class TestMaster : public vexo::XPanelMasterHandler {
  public:
    TestMaster(void*, void* context, std::string*) {
        m_description = "test master";
        m_tracker.trackItem(m_target);
        note(std::string("master create context=") + (context ? "set" : "null"));
    }
    TestMaster(const TestMaster&) = delete;
    TestMaster& operator=(const TestMaster& o) {
        m_value = o.m_value;
        m_enabled = o.m_enabled;
        m_name = o.m_name;
        m_flags = o.m_flags;
        m_target = o.m_target;
        return *this;
    }
    ~TestMaster() override { note("master destroy value=" + std::to_string(m_value)); }

    const char* Load(const vexo::LoadState& state) override {
        bool fail = false;
        while (LWID id = state.findBlk(kMasterBlocks)) {
            uint32_t u = 0;
            bool b = false;
            if (id == kValue && state.readU4(u)) m_value = static_cast<int>(u);
            if (id == kEnabled && state.readBool(b)) m_enabled = b ? 1 : 0;
            if (id == kName) state.readStr(m_name);
            if (id == kFlags && state.readU4(u)) m_flags = u;
            if (id == kTarget) state.read(m_target);
            fail = fail || id == kFail;
            state.endBlk();
        }
        note("master load value=" + std::to_string(m_value) + " target=" + hex(m_target.id()));
        return fail ? "told to fail by its settings" : nullptr;
    }

    const char* Save(const vexo::SaveState& state) override {
        state.writeU4Blk(kMasterBlocks[0], static_cast<uint32_t>(m_value));
        state.writeBoolBlk(kMasterBlocks[1], m_enabled != 0);
        state.writeStrBlk(kMasterBlocks[2], m_name);
        state.writeU4Blk(kMasterBlocks[3], m_flags);
        if (m_target.id() != LWITEM_NULL) state.WriteItem(kMasterBlocks[4], m_target, false);
        return nullptr;
    }

    double Event(const st_LWMasterAccess* access) override {
        note("master event " + hex(static_cast<unsigned>(access->eventCode)));
        if (access->evaluate)
            access->evaluate(
                access->data,
                ("StatusMsg event " + hex(static_cast<unsigned>(access->eventCode))).c_str());
        return 0.0;
    }
    unsigned Flags() override { return m_flags; }
    void ChangeID(const LWItemID* pairs) override {
        vexo::MasterHandler::ChangeID(pairs);
        note("master changeID target=" + hex(m_target.id()));
    }

    int Interface(int, st_LWInterface* local, void*) override {
        st_LWXPanelControl controls[] = {{kValueControl, "Value", "integer"},
                                         {kEnabledControl, "Enabled", "iBoolean"},
                                         {kNameControl, "Name", "string"},
                                         {kBumpControl, "Bump", "vButton"},
                                         {kEditingControl, "Scene Editing", "vPopCmd"},
                                         {0, nullptr, nullptr}};
        st_LWXPanelDataDesc data[] = {{kValueControl, "Value", "integer"},
                                      {kEnabledControl, "Enabled", "integer"},
                                      {kNameControl, "Name", "string"},
                                      {0, nullptr, nullptr}};
        static const char* const editing[] = {"Add Shaders", "Remove Shaders", nullptr};
        vexo::XPanelHints hints;
        hints.title("Test Master")
            .button(kBumpControl, &vexo::XPanelInterface::LWXPanelBtnClickFunc)
            .strings(kEditingControl, editing)
            .popCommand(kEditingControl, &vexo::PopCmdCallback<TestMaster>::PopCommand);
        if (!CreateViewXPanel(controls, data, hints.list(), true)) return LWACTIVATE_FAILED;
        panel().setData(kEditingControl, static_cast<void*>(this));
        local->panel = panel().id();
        return LWACTIVATE_OK;
    }

    void* DataGet(unsigned id) override {
        if (id == kValueControl) return &m_value;
        if (id == kEnabledControl) return &m_enabled;
        return id == kNameControl ? const_cast<char*>(m_name.c_str()) : nullptr;
    }
    int DataSet(unsigned id, void* value) override {
        if (!value) return LWXPRC_NONE;
        if (id == kValueControl) m_value = *static_cast<int*>(value);
        if (id == kEnabledControl) m_enabled = *static_cast<int*>(value) != 0;
        if (id == kNameControl) m_name = static_cast<const char*>(value);
        return LWXPRC_DFLT;
    }
    void ButtonClick(unsigned id) override {
        if (id == kBumpControl) ++m_value;
    }

    // The bundle's scene-wide shader edit, surface by surface.
    void popCommand(int, int command) {
        vexo::LWSurface surfaces;
        for (LWSurfaceID id = surfaces.first(); id; id = surfaces.next(id)) {
            vexo::LWSurface surface(id);
            const char* name = surface.name();
            const char* object = surface.objectName();
            vexo::SendCommand(std::string("Surf_SetSurf \"") + (name ? name : "") + "\" \"" +
                              (object ? object : "") + "\"");
            vexo::SendCommand(std::string("Surf_RemShader ") + kShaderName);
            if (command == 0) vexo::SendCommand(std::string("Surf_AddShader ") + kShaderName);
        }
    }

  private:
    int m_value = 0;
    int m_enabled = 0;
    std::string m_name;
    unsigned m_flags = LWMASTF_RECEIVE_NOTIFICATIONS;
    vexo::LWItem m_target;
};

class RefusingMaster : public vexo::MasterHandler {
  public:
    RefusingMaster(void*, void*, std::string* error) {
        *error = "the test server refuses to start";
    }
};

class TestShader : public vexo::XPanelShaderHandler {
  public:
    TestShader(void*, void* context, std::string*) : vexo::XPanelShaderHandler(context) {
        note("shader create context=" + contextText(context));
    }
    TestShader(const TestShader&) = delete;
    TestShader& operator=(const TestShader& o) {
        m_tint = o.m_tint;
        return *this;
    }
    ~TestShader() override { note("shader destroy context=" + contextText(m_context)); }

    const char* Load(const vexo::LoadState& state) override {
        while (LWID id = state.findBlk(kShaderBlocks)) {
            if (id == kTint) state.readFP(m_tint);
            state.endBlk();
        }
        return nullptr;
    }
    const char* Save(const vexo::SaveState& state) override {
        state.writeFPBlk(kShaderBlocks[0], m_tint);
        return nullptr;
    }

    void Evaluate(st_LWShaderAccess*) override {}
    const char* Init(int mode) override {
        note("shader init context=" + contextText(m_context) + " mode=" + std::to_string(mode));
        return m_tint < 0 ? "negative tint" : RenderHandler::Init(mode);
    }
    const char* NewTime(int frame, double time) override {
        note("shader newtime context=" + contextText(m_context) +
             " frame=" + std::to_string(frame));
        return RenderHandler::NewTime(frame, time);
    }
    void Cleanup() override { note("shader cleanup context=" + contextText(m_context)); }

    int Interface(int, st_LWInterface* local, void*) override {
        st_LWXPanelControl controls[] = {{kTintControl, "Tint", "float"}, {0, nullptr, nullptr}};
        st_LWXPanelDataDesc data[] = {{kTintControl, "Tint", "float"}, {0, nullptr, nullptr}};
        if (!CreateViewXPanel(controls, data, nullptr, true)) return LWACTIVATE_FAILED;
        local->panel = panel().id();
        return LWACTIVATE_OK;
    }
    void* DataGet(unsigned id) override {
        m_shown = m_tint;
        return id == kTintControl ? &m_shown : nullptr;
    }
    int DataSet(unsigned id, void* value) override {
        if (id == kTintControl && value) m_tint = static_cast<float>(*static_cast<double*>(value));
        return LWXPRC_NONE;
    }

  private:
    float m_tint = 1.0f;
    double m_shown = 1.0;
};

class TestGeneric : public vexo::LayoutGenericHandler {
  public:
    explicit TestGeneric(st_LWLayoutGeneric* local) : vexo::LayoutGenericHandler(local) {}
    int Activate() override {
        editServer(LWMASTER_HCLASS, "testmaster", LWITEM_NULL);
        return 0;
    }
};

int versionProbe(long version, LWGlobalFunc global, void*, void*) {
    vexo::SetSuperGlobal(global);
    note("shader activate version=" + std::to_string(version));
    return LWACTIVATE_BADVERSION;
}

const st_ServerTagInfo kTags[] = {{"Test server", LWTAG_USERNAME}, {nullptr, 0}};

vexo::ServerRegistration g_servers[] = {
    {"LayoutGeneric", "testgeneric", &vexo::LayoutGenericAdaptor<TestGeneric>::Activate, kTags},
    {LWMASTER_HCLASS, "testmaster", &vexo::MasterAdaptor<TestMaster, 4, 4, 0>::Activate, kTags},
    {LWMASTER_ICLASS, "testmaster", &vexo::XPanelAdaptor<TestMaster>::Interface, kTags},
    {LWMASTER_HCLASS, "testrefuse", &vexo::MasterAdaptor<RefusingMaster, 4, 4, 0>::Activate, kTags},
    {LWSHADER_HCLASS, kShaderName, &vexo::ShaderAdaptor<TestShader, 6, 4>::Activate, kTags},
    {LWSHADER_ICLASS, kShaderName, &vexo::XPanelAdaptor<TestShader>::Interface, kTags},
    {LWSHADER_HCLASS, "versionprobe", &versionProbe, kTags},
    {"TestServerLog", "log", &module_log::activate, nullptr}};

}  // namespace
