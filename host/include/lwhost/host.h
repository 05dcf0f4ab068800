// The stand-in host: its identity, its globals and services, and the modules it loaded.
// One host is current at a time; the C functions handed to plug-ins reach it through current().
#pragma once

#include <lwsdk/lwtypes.h>

#include <memory>
#include <string>
#include <vector>

#include "lwhost/comring.h"
#include "lwhost/commands.h"
#include "lwhost/globals.h"
#include "lwhost/identity.h"
#include "lwhost/loader.h"
#include "lwhost/messages.h"

namespace lwhost {

class FileIO;
class XPanels;
class Envelopes;
class ClassicPanels;
class Dialogs;
class NodeSystem;

class Host {
public:
    explicit Host(const HostIdentity& identity = HostIdentity());
    // Unloads every module before the host's globals go away.
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    static Host* current();
    // The global function handed to every activate call.
    static LWGlobalFunc globalFunction();

    const HostIdentity& identity() const { return m_identity; }
    void setIdentity(const HostIdentity& identity);

    GlobalsRegistry& globals() { return m_globals; }
    MessageLog& messages() { return m_messages; }
    ComRing& ring() { return m_ring; }
    CommandProcessor& commands() { return m_commands; }
    InstanceUpdates& updates() { return m_updates; }
    FileIO& fileIO() { return *m_fileIO; }
    XPanels& xpanels() { return *m_xpanels; }
    Envelopes& envelopes() { return *m_envelopes; }
    ClassicPanels& classicPanels() { return *m_classicPanels; }
    // The user-action queue, dialogs shown, file requests, directories and alert level.
    Dialogs& dialogs() { return *m_dialogs; }
    // Node editors and the node globals; lives until the modules are unloaded.
    NodeSystem& nodes() { return *m_nodes; }

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
    // Services with more state; each publishes its own globals when constructed.
    std::unique_ptr<FileIO> m_fileIO;
    std::unique_ptr<XPanels> m_xpanels;
    std::unique_ptr<Envelopes> m_envelopes;
    std::unique_ptr<ClassicPanels> m_classicPanels;
    std::unique_ptr<Dialogs> m_dialogs;  // after XPanels and the message log it answers for
    // Host editors go before the modules that supply their nodes; plug-ins' editors go while
    // their modules unload, so the system outlives the modules.
    std::unique_ptr<NodeSystem> m_nodes;
    // Last: modules go first, while every service above still exists.
    std::vector<std::unique_ptr<Module>> m_modules;
    Host* m_previous = nullptr;
};

}  // namespace lwhost
