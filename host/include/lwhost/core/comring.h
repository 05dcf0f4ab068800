// "LW Communication Ring": named topics; an event sent on a topic reaches every attached client.
#pragma once

#include <lwsdk/lwcomring.h>

#include <list>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>

namespace lwhost {

class ComRing {
  public:
    // 1 when attached; 0 for a null topic or callback. Attaching a client twice to one topic
    // keeps one attachment with the newer callback.
    int attach(const char* topic, void* clientData, LWRingEventFunc callback);
    void detach(const char* topic, void* clientData);
    // Calls every client attached when the send starts and still attached when its turn comes,
    // so a client may detach itself or others from inside its callback.
    void send(const char* topic, int eventCode, void* eventData);

    size_t clients(const std::string& topic) const;
    unsigned sent(const std::string& topic) const;

    static const st_LWComRing* record();

  private:
    struct Client {
        void* data;
        LWRingEventFunc callback;
    };
    // Clients in attach order, and found by their data without a walk over the list, so that
    // attaching and detaching cost the same among thousands of clients (one per shader).
    struct Topic {
        std::list<Client> clients;
        std::unordered_map<void*, std::list<Client>::iterator> byData;
        unsigned sent = 0;
    };
    bool isAttached(const std::string& topic, void* data, LWRingEventFunc callback) const;

    mutable std::mutex m_mutex;
    std::map<std::string, Topic> m_topics;  // node-based: topic names stay put for portData
};

}  // namespace lwhost
