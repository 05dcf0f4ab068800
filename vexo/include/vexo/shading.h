// The override's shared services: the function table that the "Global" server
// "qrvLumavexServices" hands to whoever acquires it, and the accessor through which the bundle's
// servers reach it. Every accessor object is one subscription: the first builds the one override
// graph, the last destroys it.
#pragma once

#include <lwsdk/lwio.h>
#include <lwsdk/lwshaderaccess.h>
#include <vexo/globals.h>
#include <vexo/persistence.h>

#define QRV_SHADING_GLOBAL "qrvLumavexServices"
#define QRV_SHADING_API_VERSION 2              // what ns_getApiVersion answers
#define QRV_COMRING_TOPIC "qrvLumavexComRing"  // ring topic of the services' events
#define QRV_EVENT_GRAPH_CHANGED 1              // the override graph was edited
#define QRV_EVENT_QUERY_CONTEXT 2              // data points to a context; a shader of it clears it

// The table, in slot order. Slot 6 holds the evaluation for the host version that activated
// the server last. Slots 6, 7, 11, 13 and 14 run on render threads; all others on the main
// thread. Error texts are null for success.
extern "C" typedef struct qrvNodalShadingFuncs {
    int (*ns_getApiVersion)(void);
    void (*ns_subscribe)(void);
    void (*ns_unsubscribe)(void);
    const char* (*ns_init)(int mode);
    void (*ns_done)(void);
    const char* (*ns_newTime)(int frame, double time);
    void (*ns_evaluate)(st_LWShaderAccess* sa);
    unsigned int (*ns_flags)(void);
    int (*ns_isEnabled)(void);
    void (*ns_enable)(unsigned short state);
    void (*ns_openEditor)(void);
    st_LWShaderAccess* (*ns_getShaderAccess)(void);
    void (*ns_reset)(void);
    void* (*ns_pushGlobalLightGroup)(LWNodalAccess_t* access);
    void (*ns_popGlobalLightGroup)(void* handle);
    int (*ns_lg_newTime)(int frame, double time);
    const char* (*ns_lg_load)(const st_LWLoadState* state);
    const char* (*ns_lg_save)(const st_LWSaveState* state);
    void (*ns_useGlobalLightGroup)(int on);
    int (*ns_usesGlobalLightGroup)(void);
    void (*ns_DisplayLightGroup)(void);
    const char* (*ns_load)(const st_LWLoadState* state);
    const char* (*ns_save)(const st_LWSaveState* state);
} qrvNodalShadingFuncs;

namespace vexo {

template <>
const char* const GlobalBase<qrvNodalShadingFuncs>::m_globalName;

// One subscription to the services. Without the table (host too old, server missing) the
// accessor is unavailable, subscribes nothing, and callers must test available() first.
class qrvShadingGlobal : public GlobalBase<qrvNodalShadingFuncs>, public Storeable {
  public:
    qrvShadingGlobal();
    qrvShadingGlobal(const qrvShadingGlobal& other);
    qrvShadingGlobal& operator=(const qrvShadingGlobal&) { return *this; }
    ~qrvShadingGlobal() override;

    // The graph as a stored item: ns_load / ns_save with the host record.
    const char* Load(const LoadState& state) override;
    const char* Save(const SaveState& state) override;

    bool subscribed() const { return m_table != nullptr; }

  private:
    // The table this object subscribed on, so that it unsubscribes exactly once even when a
    // later accessor's acquisition failed and emptied the shared pointer.
    qrvNodalShadingFuncs* m_table = nullptr;
};

}  // namespace vexo
