// Typed access to host globals. Every accessor object acquires its global when constructed and
// the last live accessor of a global releases it; the pointer and the count are module-wide.
#pragma once

#include <lwsdk/lwcommand.h>
#include <lwsdk/lwcomring.h>
#include <lwsdk/lwmessage.h>

#include <cstdint>
#include <string>

namespace vexo {

// Common base of the accessors, so that differently typed ones can be held alike.
class genericGlobal {
  public:
    virtual ~genericGlobal() = default;
};

namespace detail {
// Acquires `name` through the current global function; null when there is none or the host
// lacks it.
void* acquireGlobal(const char* name);
void releaseGlobal(const char* name);
}  // namespace detail

// One instantiation per host record type T. T may be a function type: then getGlobal() is the
// function pointer the host published.
template <class T>
class GlobalBase : public genericGlobal {
  public:
    GlobalBase() {
        globPtr = reinterpret_cast<T*>(detail::acquireGlobal(m_globalName));
        m_counted = globPtr != nullptr;
        if (m_counted) ++usage_count;
    }
    GlobalBase(const GlobalBase&) : GlobalBase() {}
    GlobalBase& operator=(const GlobalBase&) { return *this; }
    ~GlobalBase() override {
        if (m_counted && --usage_count == 0) detail::releaseGlobal(m_globalName);
    }

    virtual bool available() const { return globPtr != nullptr; }
    virtual T* getGlobal() const { return globPtr; }

    static uint64_t usageCount() { return usage_count; }
    static const char* globalName() { return m_globalName; }

  protected:
    static const char* const m_globalName;
    static T* globPtr;
    static uint64_t usage_count;

  private:
    bool m_counted = false;  // this object's acquisition succeeded and is in usage_count
};

template <class T>
T* GlobalBase<T>::globPtr = nullptr;
template <class T>
uint64_t GlobalBase<T>::usage_count = 0;

// Like GlobalBase but the global's name is a template argument, so two accessors of one record
// type can reach different globals.
template <class T, const char* Name>
class nGlobalBase : public genericGlobal {
  public:
    nGlobalBase() {
        globPtr = reinterpret_cast<T*>(detail::acquireGlobal(Name));
        m_counted = globPtr != nullptr;
        if (m_counted) ++usage_count;
    }
    nGlobalBase(const nGlobalBase&) : nGlobalBase() {}
    nGlobalBase& operator=(const nGlobalBase&) { return *this; }
    ~nGlobalBase() override {
        if (m_counted && --usage_count == 0) detail::releaseGlobal(Name);
    }

    virtual bool available() const { return globPtr != nullptr; }
    virtual T* getGlobal() const { return globPtr; }

    static uint64_t usageCount() { return usage_count; }
    static const char* globalName() { return Name; }

  protected:
    static T* globPtr;
    static uint64_t usage_count;

  private:
    bool m_counted = false;
};

template <class T, const char* Name>
T* nGlobalBase<T, Name>::globPtr = nullptr;
template <class T, const char* Name>
uint64_t nGlobalBase<T, Name>::usage_count = 0;

// Names of the globals the frame reaches; each is defined once in globals.cpp.
template <>
const char* const GlobalBase<st_LWMessageFuncs>::m_globalName;
template <>
const char* const GlobalBase<st_LWComRing>::m_globalName;
template <>
const char* const GlobalBase<LWInstUpdate>::m_globalName;

// "Info Messages 2". Every call is skipped when the host lacks the service.
class LWMessage : public GlobalBase<st_LWMessageFuncs> {
  public:
    void info(const char* line1, const char* line2 = nullptr) const;
    void error(const char* line1, const char* line2 = nullptr) const;
    void warning(const char* line1, const char* line2 = nullptr) const;
};

// "Instance Update": tells the host an instance of a class changed.
class InstanceUpdate : public GlobalBase<LWInstUpdate> {
  public:
    // Returns false when the host lacks the function.
    bool update(const char* className, void* instance) const;
};

// A client of "LW Communication Ring".
class comRingCommunicator : public GlobalBase<st_LWComRing> {
  public:
    comRingCommunicator() = default;
    // A copy is a separate client: it is not attached.
    comRingCommunicator(const comRingCommunicator& other) : GlobalBase<st_LWComRing>(other) {}
    comRingCommunicator& operator=(const comRingCommunicator&) { return *this; }
    ~comRingCommunicator() override;

    // Attaches to `topic`; false (and no topic kept) when the host refuses or lacks the ring.
    bool attach(const char* topic);
    void detach();
    // Sends an event on `topic` to every attached client.
    void send(const char* topic, int eventCode, void* eventData) const;

    const std::string& topic() const { return m_topic; }
    bool attached() const { return !m_topic.empty(); }

    virtual void RingEvent(void* portData, int eventCode, void* eventData);

    static void RingEventCB(void* clientData, void* portData, int eventCode, void* eventData);

  private:
    std::string m_topic;  // empty when not attached
};

}  // namespace vexo
