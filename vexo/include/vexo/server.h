// The module's server list, its two entry points and the host access values every
// activate function refreshes.
#pragma once

#include <lwsdk/lwhostinfo.h>
#include <lwsdk/lwmodule.h>

#include <cstdint>
#include <vector>

namespace vexo {

class LWMessage;

// The host's global function as last handed to an activate function (null before any).
extern LWGlobalFunc SuperGlobal;

namespace LightWave {
extern uint32_t systemID;     // "System ID" as last read
extern uint32_t productInfo;  // "Product Info" as last read

inline unsigned majorVersion() {
    return LWPRODUCT_MAJOR(productInfo);
}
inline unsigned minorVersion() {
    return LWPRODUCT_MINOR(productInfo);
}
inline unsigned systemType() {
    return LWSYSTEM_TYPE(systemID);
}
// True when the host is at least major.minor.
inline bool atLeast(unsigned major, unsigned minor) {
    return majorVersion() > major || (majorVersion() == major && minorVersion() >= minor);
}
// The modelling application: no item callbacks, no picker buttons.
inline bool isModeler() {
    return (systemID & LWSYSTEM_TYPEBITS) == LWSYSTEM_MODELER;
}
}  // namespace LightWave

// Stores the host's global function; the first call also acquires the message service.
// Every call re-reads "System ID" and "Product Info".
void SetSuperGlobal(LWGlobalFunc global);

// The module-wide message service accessor created by the first SetSuperGlobal (null before).
LWMessage* messageService();

// Forgets the host: releases the message service, drops the global function, the identity and
// the command function kept from the host. Unloading the module does as much; a program that
// links the frame and meets several hosts in turn (the tests) calls it before a host goes.
void ForgetHost();

class LWServer {
  public:
    using Hook = void (*)();

    // Lists created on first use; they live as long as the module.
    static std::vector<st_ServerRecord>& pluginList();
    static std::vector<Hook>& startupList();
    static std::vector<Hook>& shutdownList();

    // Appends one record. Called from static initialisation of the server units.
    static void AddPlugin(const char* className, const char* name, LWActivateFunc activate,
                          const st_ServerTagInfo* tags);

    // The module record's entry points.
    static st_ServerRecord* Startup();
    static void Shutdown(st_ServerRecord* array);

    LWServer() = delete;
};

// Registers a server at static initialisation: `static vexo::ServerRegistration reg{...};`
struct ServerRegistration {
    ServerRegistration(const char* className, const char* name, LWActivateFunc activate,
                       const st_ServerTagInfo* tags) {
        LWServer::AddPlugin(className, name, activate, tags);
    }
};

}  // namespace vexo
