// The override's surface shader and its server records.
#include "shader.h"

#include <vexo/adaptor.h>
#include <vexo/server.h>

#include <lwsdk/lwmodule.h>

#include "toolkit/logo.h"
#include "toolkit/panel_table.h"

GlobalShader::GlobalShader(void*, void* context, std::string*)
    : vexo::XPanelShaderHandler(context) {
    listen();
}

GlobalShader::GlobalShader(const GlobalShader& other)
    : vexo::Storeable(other),
      vexo::XPanelShaderHandler(other),
      vexo::comRingCommunicator(other),
      m_services(other.m_services) {
    listen();
}

GlobalShader::~GlobalShader() {
    detach();
}

// Every edit of the graph arrives as ring event 1; a refused topic just leaves us deaf.
void GlobalShader::listen() {
    attach(QRV_COMRING_TOPIC);
}

const char* GlobalShader::Init(int mode) {
    RenderHandler::Init(mode);
    return m_services.available() ? m_services.getGlobal()->ns_init(mode) : nullptr;
}

void GlobalShader::Cleanup() {
    if (m_services.available()) m_services.getGlobal()->ns_done();
}

const char* GlobalShader::NewTime(int frame, double time) {
    RenderHandler::NewTime(frame, time);
    return m_services.available() ? m_services.getGlobal()->ns_newTime(frame, time) : nullptr;
}

unsigned GlobalShader::Flags() {
    return m_services.available() ? m_services.getGlobal()->ns_flags() : 0u;
}

void GlobalShader::Evaluate(st_LWShaderAccess* sa) {
    if (m_services.available()) m_services.getGlobal()->ns_evaluate(sa);
}

int GlobalShader::Interface(int, st_LWInterface* local, void*) {
    static PanelTables tables{
        logoRow(kLogo),
        {kNodalGraph, "Nodal Graph", "vButton"},
        aboutRow(kAbout),
    };
    vexo::XPanelHints hints;
    logoAndAbout(hints.button(kNodalGraph, &LWXPanelBtnClickFunc), kLogo, kAbout);
    LWXPanelID panel = CreateViewXPanel(tables.controls(), tables.values(), hints.list(), false);
    if (local) local->panel = panel;
    return 0;
}

void GlobalShader::ButtonClick(unsigned id) {
    if (id == kNodalGraph && m_services.available()) m_services.getGlobal()->ns_openEditor();
}

void GlobalShader::ControlDraw(unsigned id, vexo::XPDrawArea& area) {
    if (id == kLogo) drawLogo(area);
}

void GlobalShader::RingEvent(void*, int eventCode, void* eventData) {
    switch (eventCode) {
        case QRV_EVENT_GRAPH_CHANGED:
            if (m_hostClass && m_instanceUpdate.available())
                m_instanceUpdate.update(m_hostClass, this);
            break;
        case QRV_EVENT_QUERY_CONTEXT:
            // A sender asks whether a shader exists for its context: we clear it to say yes.
            if (eventData && *static_cast<void**>(eventData) == m_context)
                *static_cast<void**>(eventData) = nullptr;
            break;
        default:
            break;
    }
}

namespace {

const st_ServerTagInfo kTags[] = {
    {"qorvan lumavex", LWTAG_USERNAME}, {"qorvan lumavex", LWTAG_BUTTONNAME}, {nullptr, 0}};

vexo::ServerRegistration g_handler(LWSHADER_HCLASS, "qrvLumavex",
                                   &vexo::ShaderAdaptor<GlobalShader, 6, 4>::Activate, kTags);
vexo::ServerRegistration g_interface(LWSHADER_ICLASS, "qrvLumavex",
                                     &vexo::XPanelAdaptor<GlobalShader>::Interface, kTags);

}  // namespace
