// The whole host, assembled in one place: the core, then every service layer in order, then the
// scene with its plug-ins and the layout commands. Torn down in the reverse order, with the
// modules unloaded while every service they may call still exists and the node system outlives
// them (plug-ins' node editors go while their modules unload).
//
// lwhost's commands, the benchmarks, the fuzz targets that need a whole host and the whole-host
// tests build the host through a Session; tests of one layer build only that layer.
#pragma once

#include <memory>
#include <string>

#include "lwhost/core/host.h"

namespace lwhost {

// The services up to the node system are declared by the core.
class Scene;
class SceneGlobals;
class Plugins;
class LayoutCommands;

class Session {
  public:
    explicit Session(const HostIdentity& identity = HostIdentity());
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Host& host() { return m_host; }
    FileIO& fileIO() { return *m_fileIO; }
    XPanels& xpanels() { return *m_xpanels; }
    Envelopes& envelopes() { return *m_envelopes; }
    ClassicPanels& classicPanels() { return *m_classicPanels; }
    Dialogs& dialogs() { return *m_dialogs; }
    NodeSystem& nodes() { return *m_nodes; }
    Scene& scene() { return *m_scene; }
    SceneGlobals& sceneGlobals() { return *m_sceneGlobals; }
    Plugins& plugins() { return *m_plugins; }
    LayoutCommands& commands() { return *m_commands; }

    // Loads and keeps a module; false with the loader's message naming what is wrong.
    bool loadModule(const std::string& path, std::string& error);

  private:
    Host m_host;
    std::unique_ptr<FileIO> m_fileIO;
    std::unique_ptr<XPanels> m_xpanels;
    std::unique_ptr<Envelopes> m_envelopes;
    std::unique_ptr<ClassicPanels> m_classicPanels;
    std::unique_ptr<Dialogs> m_dialogs;  // after XPanels and the message log it answers for
    std::unique_ptr<NodeSystem> m_nodes;
    std::unique_ptr<Scene> m_scene;
    std::unique_ptr<SceneGlobals> m_sceneGlobals;
    std::unique_ptr<Plugins> m_plugins;
    std::unique_ptr<LayoutCommands> m_commands;
};

}  // namespace lwhost
