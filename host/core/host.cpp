#include "lwhost/core/host.h"

#include <lwsdk/lwcommand.h>
#include <lwsdk/lwcomring.h>
#include <lwsdk/lwglobsrv.h>
#include <lwsdk/lwhostinfo.h>
#include <lwsdk/lwmessage.h>

#include <atomic>

namespace lwhost {

namespace {
std::atomic<Host*> g_current{nullptr};

extern "C" void* hostGlobal(const char* name, int use) {
    Host* host = g_current.load(std::memory_order_acquire);
    return host ? host->globals().request(name, use) : nullptr;
}

// "Instance Update": recorded, and told to whoever listens (a node instance's change is an edit
// of its graph).
extern "C" void hostInstanceUpdate(const char* className, void* instance) {
    Host* host = g_current.load(std::memory_order_acquire);
    if (host) host->updates().record(className, instance);
}

// Records are handed out as plain pointers; plug-ins never write through them.
template <class T>
void* asRecord(const T* record) {
    return const_cast<T*>(record);
}
template <class R, class... A>
void* asRecord(R (*function)(A...)) {
    return reinterpret_cast<void*>(function);
}
}  // namespace

Host::Host(const HostIdentity& identity) : m_identity(identity) {
    m_previous = g_current.exchange(this);
    publishIdentity();
    m_globals.publish(LWMESSAGEFUNCS_GLOBAL, asRecord(MessageLog::record()));
    m_globals.publish(LWCOMRING_GLOBAL, asRecord(ComRing::record()));
    m_globals.publish(LWCOMMANDFUNC_GLOBAL, asRecord(CommandProcessor::function()));
    m_globals.publish(LWINSTUPDATE_GLOBAL, asRecord(&hostInstanceUpdate));
    m_globals.setFallback([this](const std::string& name, int) { return moduleGlobal(name); });
}

Host::~Host() {
    // While still current: what the modules left behind may call back into the host.
    unloadModules();
    m_globals.setFallback(nullptr);
    Host* self = this;
    g_current.compare_exchange_strong(self, m_previous);
}

Host* Host::current() {
    return g_current.load(std::memory_order_acquire);
}

LWGlobalFunc Host::globalFunction() {
    return &hostGlobal;
}

void Host::setIdentity(const HostIdentity& identity) {
    m_identity = identity;
    publishIdentity();
    if (m_identityListener) m_identityListener();
}

void Host::publishIdentity() {
    m_globals.publish(LWPRODUCTINFO_GLOBAL,
                      reinterpret_cast<void*>(static_cast<uintptr_t>(m_identity.productInfo())));
    m_globals.publish(LWSYSTEMID_GLOBAL,
                      reinterpret_cast<void*>(static_cast<uintptr_t>(m_identity.systemID())));
}

Module* Host::loadModule(const std::string& path, LoadResult& result) {
    auto module = Module::load(path, result);
    if (!module) return nullptr;
    m_modules.push_back(std::move(module));
    return m_modules.back().get();
}

void Host::unloadModules() {
    while (!m_modules.empty()) {
        m_modules.back()->unload();
        m_modules.pop_back();
    }
}

const st_ServerRecord* Host::findServer(const std::string& className,
                                        const std::string& name) const {
    for (const auto& m : m_modules)
        if (const st_ServerRecord* r = m->find(className, name)) return r;
    return nullptr;
}

int Host::activate(const std::string& className, const std::string& name, int version, void* local,
                   void* serverData) {
    const st_ServerRecord* r = findServer(className, name);
    if (!r) return -1;
    return r->activate(version, &hostGlobal, local, serverData);
}

void* Host::moduleGlobal(const std::string& name) {
    for (const auto& m : m_modules) {
        const st_ServerRecord* r = m->find(LWGLOBALSRV_CLASS, name);
        if (!r || !r->activate) continue;
        st_LWGlobalService service{name.c_str(), nullptr};
        if (r->activate(LWGLOBALSRV_VERSION, &hostGlobal, &service, nullptr) == LWACTIVATE_OK &&
            service.data)
            return service.data;
    }
    return nullptr;
}

}  // namespace lwhost
