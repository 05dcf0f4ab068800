#include "lwhost/core/comring.h"

#include <iterator>
#include <vector>

#include "lwhost/core/host.h"

namespace lwhost {

int ComRing::attach(const char* topic, void* clientData, LWRingEventFunc callback) {
    if (!topic || !callback) return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    Topic& t = m_topics[topic];
    auto found = t.byData.find(clientData);
    if (found != t.byData.end()) {
        found->second->callback = callback;
        return 1;
    }
    t.clients.push_back(Client{clientData, callback});
    try {
        t.byData.emplace(clientData, std::prev(t.clients.end()));
    } catch (...) {
        t.clients.pop_back();
        throw;
    }
    return 1;
}

void ComRing::detach(const char* topic, void* clientData) {
    if (!topic) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_topics.find(topic);
    if (it == m_topics.end()) return;
    Topic& t = it->second;
    auto found = t.byData.find(clientData);
    if (found == t.byData.end()) return;
    t.clients.erase(found->second);
    t.byData.erase(found);
}

bool ComRing::isAttached(const std::string& topic, void* data, LWRingEventFunc callback) const {
    auto it = m_topics.find(topic);
    if (it == m_topics.end()) return false;
    auto found = it->second.byData.find(data);
    return found != it->second.byData.end() && found->second->callback == callback;
}

void ComRing::send(const char* topic, int eventCode, void* eventData) {
    if (!topic) return;
    std::vector<Client> snapshot;
    void* portData = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_topics.try_emplace(topic).first;
        ++it->second.sent;
        snapshot.assign(it->second.clients.begin(), it->second.clients.end());
        portData = const_cast<char*>(it->first.c_str());
    }
    for (const Client& c : snapshot) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!isAttached(topic, c.data, c.callback)) continue;
        }
        c.callback(c.data, portData, eventCode, eventData);
    }
}

size_t ComRing::clients(const std::string& topic) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_topics.find(topic);
    return it == m_topics.end() ? 0 : it->second.clients.size();
}

unsigned ComRing::sent(const std::string& topic) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_topics.find(topic);
    return it == m_topics.end() ? 0 : it->second.sent;
}

namespace {
extern "C" {
int ringAttach(char* topic, void* data, LWRingEventFunc cb) {
    Host* host = Host::current();
    return host ? host->ring().attach(topic, data, cb) : 0;
}
void ringDetach(char* topic, void* data) {
    if (Host* host = Host::current()) host->ring().detach(topic, data);
}
void ringMessage(char* topic, int code, void* data) {
    if (Host* host = Host::current()) host->ring().send(topic, code, data);
}
}
const st_LWComRing kComRing = {ringAttach, ringDetach, ringMessage};
}  // namespace

const st_LWComRing* ComRing::record() {
    return &kComRing;
}

}  // namespace lwhost
