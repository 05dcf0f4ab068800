#include "vexo/server.h"

#include <lwsdk/lwhostinfo.h>

#include <cstring>
#include <memory>
#include <new>

#include "vexo/globals.h"
#include "vexo/handler.h"
#include "vexo/shield.h"

namespace vexo {

LWGlobalFunc SuperGlobal = nullptr;

namespace LightWave {
uint32_t systemID = 0;
uint32_t productInfo = 0;
}  // namespace LightWave

namespace {
// Destroyed when the module unloads, which releases "Info Messages 2".
std::unique_ptr<LWMessage> g_messages;
}  // namespace

LWMessage* messageService() {
    return g_messages.get();
}

void SetSuperGlobal(LWGlobalFunc global) {
    SuperGlobal = global;
    if (!g_messages) g_messages = std::make_unique<LWMessage>();
    if (!global) return;
    // The host returns these two values as the pointer itself.
    LightWave::systemID = static_cast<uint32_t>(
        reinterpret_cast<uintptr_t>(global(LWSYSTEMID_GLOBAL, LWGLOBAL_READ)));
    LightWave::productInfo = static_cast<uint32_t>(
        reinterpret_cast<uintptr_t>(global(LWPRODUCTINFO_GLOBAL, LWGLOBAL_READ)));
}

void ForgetHost() {
    g_messages.reset();  // released through the global function while it is still known
    SuperGlobal = nullptr;
    LightWave::systemID = 0;
    LightWave::productInfo = 0;
    detail::forgetCommandFunction();
}

// Function-local statics: built on first use from any unit's static initialisation, destroyed
// with the module, and reachable until then.
std::vector<st_ServerRecord>& LWServer::pluginList() {
    static std::vector<st_ServerRecord> list;
    return list;
}

std::vector<LWServer::Hook>& LWServer::startupList() {
    static std::vector<Hook> list;
    return list;
}

std::vector<LWServer::Hook>& LWServer::shutdownList() {
    static std::vector<Hook> list;
    return list;
}

void LWServer::AddPlugin(const char* className, const char* name, LWActivateFunc activate,
                         const st_ServerTagInfo* tags) {
    pluginList().push_back(st_ServerRecord{className, name, activate, tags});
}

}  // namespace vexo

extern "C" {
// The one symbol the module exports (see the module's version script).
__attribute__((visibility("default")))
st_ModuleDescriptor _mod_descrip = {LWMODULE_SYNC,
                                    LWMODULE_SYSVERSION,
                                    LWMODULE_MACHINE,
                                    &vexo::LWServer::Startup,
                                    &vexo::LWServer::Shutdown,
                                    nullptr};
}

namespace vexo {

// A hook that throws fails the start (null records) and is reported like any entry's failure.
st_ServerRecord* LWServer::Startup() {
    return shield(Dialog<st_ServerRecord*>{"LWServer::Startup()", nullptr},
                  []() -> st_ServerRecord* {
                      for (Hook hook : startupList()) hook();
                      const auto& list = pluginList();
                      auto* array = new (std::nothrow) st_ServerRecord[list.size() + 1];
                      if (!array) return nullptr;
                      for (size_t i = 0; i < list.size(); ++i) array[i] = list[i];
                      std::memset(&array[list.size()], 0, sizeof(st_ServerRecord));
                      _mod_descrip.serverDefs = array;
                      return array;
                  });
}

void LWServer::Shutdown(st_ServerRecord* array) {
    shield(Dialog{"LWServer::Shutdown()"}, [array] {
        if (array) {
            if (_mod_descrip.serverDefs == array) _mod_descrip.serverDefs = nullptr;
            delete[] array;
        }
        for (Hook hook : shutdownList()) hook();
    });
}

}  // namespace vexo
