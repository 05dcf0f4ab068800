#include "vexo/globals.h"

#include <lwsdk/lwtypes.h>

#include "vexo/server.h"
#include "vexo/shield.h"

namespace vexo {

template <>
const char* const GlobalBase<st_LWMessageFuncs>::m_globalName = LWMESSAGEFUNCS_GLOBAL;
template <>
const char* const GlobalBase<st_LWComRing>::m_globalName = LWCOMRING_GLOBAL;
template <>
const char* const GlobalBase<LWInstUpdate>::m_globalName = LWINSTUPDATE_GLOBAL;

namespace detail {

void* acquireGlobal(const char* name) {
    // An accessor built before any activation has no global function: as for a missing global.
    return SuperGlobal ? SuperGlobal(name, LWGLOBAL_ACQUIRE) : nullptr;
}

void releaseGlobal(const char* name) {
    if (SuperGlobal) SuperGlobal(name, LWGLOBAL_RELEASE);
}

}  // namespace detail

void LWMessage::info(const char* line1, const char* line2) const {
    if (available()) globPtr->info(line1, line2);
}

void LWMessage::error(const char* line1, const char* line2) const {
    if (available()) globPtr->error(line1, line2);
}

void LWMessage::warning(const char* line1, const char* line2) const {
    if (available()) globPtr->warning(line1, line2);
}

bool InstanceUpdate::update(const char* className, void* instance) const {
    if (!available() || !className) return false;
    globPtr(className, instance);
    return true;
}

comRingCommunicator::~comRingCommunicator() {
    detach();
}

bool comRingCommunicator::attach(const char* topic) {
    detach();
    if (!available() || !topic) return false;
    // The ring takes topics as char*; it is handed the communicator's own copy.
    m_topic = topic;
    if (globPtr->ringAttach(m_topic.data(), this, &comRingCommunicator::RingEventCB) == 0) {
        m_topic.clear();
        return false;
    }
    return true;
}

void comRingCommunicator::detach() {
    if (m_topic.empty()) return;
    if (available()) globPtr->ringDetach(m_topic.data(), this);
    m_topic.clear();
}

void comRingCommunicator::send(const char* topic, int eventCode, void* eventData) const {
    if (!available() || !topic) return;
    std::string name(topic);  // the ring takes a char*
    globPtr->ringMessage(name.data(), eventCode, eventData);
}

void comRingCommunicator::RingEvent(void*, int, void*) {}

void comRingCommunicator::RingEventCB(void* clientData, void* portData, int eventCode,
                                      void* eventData) {
    if (!clientData) return;
    shield(Dialog{"comRingCommunicator::RingEvent()"}, [&] {
        static_cast<comRingCommunicator*>(clientData)->RingEvent(portData, eventCode, eventData);
    });
}

}  // namespace vexo
