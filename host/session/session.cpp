#include "lwhost/session/session.h"

#include "lwhost/io/fileio.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/plugins/layout_commands.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/scene/envelopes.h"
#include "lwhost/scene/scene.h"
#include "lwhost/scene/scene_globals.h"
#include "lwhost/ui/dialogs.h"
#include "lwhost/ui/panels.h"
#include "lwhost/ui/xpanel.h"

namespace lwhost {

Session::Session(const HostIdentity& identity) : m_host(identity) {
    m_fileIO = std::make_unique<FileIO>(m_host);
    m_xpanels = std::make_unique<XPanels>(m_host);
    m_envelopes = std::make_unique<Envelopes>(m_host);
    // Envelope controls show and edit the host's own parameters, as the application's panels
    // do (frame 0's value).
    XPanels::EnvelopeAccess parms;
    Envelopes* envelopes = m_envelopes.get();
    parms.read = [envelopes](void* parm, double out[3]) {
        return envelopes->getValue(static_cast<LWVParmID>(parm), 0.0, out) != 0;
    };
    parms.write = [envelopes](void* parm, const double in[3]) {
        return envelopes->setValue(static_cast<LWVParmID>(parm), in) != 0;
    };
    m_xpanels->setEnvelopeAccess(std::move(parms));
    m_classicPanels = std::make_unique<ClassicPanels>(m_host);
    m_dialogs = std::make_unique<Dialogs>(m_host);
    m_nodes = std::make_unique<NodeSystem>(m_host);
    m_scene = std::make_unique<Scene>();
    m_sceneGlobals = std::make_unique<SceneGlobals>(m_host, *m_scene);
    m_plugins = std::make_unique<Plugins>(m_host, *m_scene);
    m_commands = std::make_unique<LayoutCommands>(m_host, *m_plugins);
}

Session::~Session() {
    // Commands and instances go while their modules are still loaded.
    m_commands.reset();
    m_plugins.reset();
    // Host editors go before the modules that supply their nodes; the modules go while every
    // service they may call (the scene globals among them) still exists.
    m_nodes->destroyHostEditors();
    m_host.unloadModules();
    m_sceneGlobals.reset();
    m_scene.reset();
    m_nodes.reset();
    m_dialogs.reset();
    m_classicPanels.reset();
    m_xpanels->setEnvelopeAccess({});
    m_envelopes.reset();
    m_xpanels.reset();
    m_fileIO.reset();
}

bool Session::loadModule(const std::string& path, std::string& error) {
    LoadResult result;
    if (m_host.loadModule(path, result)) return true;
    error = result.message;
    return false;
}

}  // namespace lwhost
