// The stand-in host's core: its identity, its globals, the modules it loaded, and where the
// services of the layers above are found. One host is current at a time; the C functions handed
// to plug-ins reach it, and through it those services, with current().
//
// The core makes none of the higher services. Each of them registers itself here while it lives
// (the session builds them all, in order); the core keeps plain pointers and forward
// declarations only.
#pragma once

#include <lwsdk/lwtypes.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lwhost/core/commands.h"
#include "lwhost/core/comring.h"
#include "lwhost/core/globals.h"
#include "lwhost/core/identity.h"
#include "lwhost/core/loader.h"
#include "lwhost/core/messages.h"

namespace lwhost {

class FileIO;
class XPanels;
class Envelopes;
class ClassicPanels;
class Dialogs;
class NodeSystem;
class SceneGlobals;

class Host {
  public:
    explicit Host(const HostIdentity& identity = HostIdentity());
    // Unloads the modules still loaded. The higher services must be gone, or the session must
    // have unloaded the modules while they still existed.
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    static Host* current();
    // The global function handed to every activate call.
    static LWGlobalFunc globalFunction();

    const HostIdentity& identity() const { return m_identity; }
    // Republishes the identity and tells the listeners (the node-input record depends on it).
    void setIdentity(const HostIdentity& identity);
    void setIdentityListener(std::function<void()> listener) {
        m_identityListener = std::move(listener);
    }

    GlobalsRegistry& globals() { return m_globals; }
    MessageLog& messages() { return m_messages; }
    ComRing& ring() { return m_ring; }
    CommandProcessor& commands() { return m_commands; }
    InstanceUpdates& updates() { return m_updates; }

    // ---- services of the layers above, each registered while it lives ----
    FileIO& fileIO() { return *m_fileIO; }
    XPanels& xpanels() { return *m_xpanels; }
    Envelopes& envelopes() { return *m_envelopes; }
    ClassicPanels& classicPanels() { return *m_classicPanels; }
    // The user-action queue, dialogs shown, file requests, directories and alert level.
    Dialogs& dialogs() { return *m_dialogs; }
    // Node editors and the node globals; must outlive the modules.
    NodeSystem& nodes() { return *m_nodes; }
    // Registers a service (or, with null, takes it back).
    void attach(FileIO* service) { m_fileIO = service; }
    void attach(XPanels* service) { m_xpanels = service; }
    void attach(Envelopes* service) { m_envelopes = service; }
    void attach(ClassicPanels* service) { m_classicPanels = service; }
    void attach(Dialogs* service) { m_dialogs = service; }
    void attach(NodeSystem* service) { m_nodes = service; }
    // The scene queries answer from it; render threads read it, without a lock, while it
    // lives (it is made and destroyed on the main thread, outside renders). Null when none.
    void attach(SceneGlobals* service) { m_sceneGlobals.store(service, std::memory_order_release); }
    SceneGlobals* sceneGlobals() const { return m_sceneGlobals.load(std::memory_order_acquire); }

    // Loads and keeps a module; null with `result` saying why.
    Module* loadModule(const std::string& path, LoadResult& result);
    const std::vector<std::unique_ptr<Module>>& modules() const { return m_modules; }
    // Unloads in reverse order of loading.
    void unloadModules();

    // The first loaded record of that class and name, or null.
    const st_ServerRecord* findServer(const std::string& className, const std::string& name) const;
    // Activates a server. -1 when no module offers it.
    int activate(const std::string& className, const std::string& name, int version, void* local,
                 void* serverData = nullptr);
    // A global offered by a loaded module's "Global" server of that name (activated with a
    // global-service record), or null. What the globals table falls back on.
    void* moduleGlobal(const std::string& name);

  private:
    void publishIdentity();

    HostIdentity m_identity;
    GlobalsRegistry m_globals;
    MessageLog m_messages;
    ComRing m_ring;
    CommandProcessor m_commands;
    InstanceUpdates m_updates;
    std::function<void()> m_identityListener;
    // Registered services, not owned.
    FileIO* m_fileIO = nullptr;
    XPanels* m_xpanels = nullptr;
    Envelopes* m_envelopes = nullptr;
    ClassicPanels* m_classicPanels = nullptr;
    Dialogs* m_dialogs = nullptr;
    NodeSystem* m_nodes = nullptr;
    std::atomic<SceneGlobals*> m_sceneGlobals{nullptr};
    std::vector<std::unique_ptr<Module>> m_modules;
    Host* m_previous = nullptr;
};

}  // namespace lwhost
