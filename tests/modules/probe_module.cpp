// A module built with the frame, whose servers let the tests drive the frame from inside a
// module loaded by the real host.
#include <vexo/globals.h>
#include <vexo/server.h>
#include <vexo/utility.h>

#include <memory>
#include <vector>

#include "probe_protocol.h"

namespace {

struct Recorder : vexo::comRingCommunicator {
    void RingEvent(void* port, int code, void*) override;
};

// Module-wide state of the probe; destroyed when the module unloads.
struct ProbeState {
    std::vector<std::unique_ptr<vexo::LWMessage>> messages;
    std::vector<std::unique_ptr<Recorder>> recorders;
    int events = 0;
    int lastEvent = 0;
    const char* lastPort = nullptr;
};
ProbeState g_state;

void Recorder::RingEvent(void* port, int code, void*) {
    ++g_state.events;
    g_state.lastEvent = code;
    g_state.lastPort = static_cast<const char*>(port);
}

template <const char* Name>
struct Transient : vexo::nGlobalBase<void, Name> {};
extern const char kTransientName[] = "Probe Transient";

int probeActivate(long, LWGlobalFunc global, void* local, void*) {
    vexo::SetSuperGlobal(global);
    auto* req = static_cast<ProbeRequest*>(local);
    if (!req) return LWACTIVATE_BADLOCAL;
    switch (req->op) {
        case PROBE_IDENTITY:
            break;
        case PROBE_HOLD_MESSAGES:
            g_state.messages.push_back(std::make_unique<vexo::LWMessage>());
            break;
        case PROBE_RING_ATTACH: {
            auto r = std::make_unique<Recorder>();
            req->attached = r->attach(req->text);
            g_state.recorders.push_back(std::move(r));
            break;
        }
        case PROBE_RING_SEND:
            qrv::Singleton<vexo::comRingCommunicator>::Instance().send(req->text, req->code,
                                                                       req->data);
            break;
        case PROBE_RING_DROP:
            g_state.recorders.clear();
            break;
        case PROBE_UPDATE: {
            vexo::InstanceUpdate update;
            update.update(req->text, req->data);
            break;
        }
        case PROBE_TRANSIENT_ACCESSOR: {
            Transient<kTransientName> accessor;
            req->attached = accessor.available();
            break;
        }
        default:
            return LWACTIVATE_FAILED;
    }
    req->productInfo = vexo::LightWave::productInfo;
    req->systemID = vexo::LightWave::systemID;
    req->messagesAvailable = vexo::messageService() && vexo::messageService()->available();
    req->messageUsage = vexo::GlobalBase<st_LWMessageFuncs>::usageCount();
    req->events = g_state.events;
    req->lastEvent = g_state.lastEvent;
    req->lastPort = g_state.lastPort;
    return LWACTIVATE_OK;
}

vexo::ServerRegistration probe("ProbeHandler", "probe", probeActivate, nullptr);

}  // namespace
