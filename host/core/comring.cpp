#include "lwhost/core/comring.h"

#include "lwhost/core/host.h"

namespace lwhost {

int ComRing::attach(const char* topic, void* clientData, LWRingEventFunc callback) {
    if (!topic || !callback) return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    Topic& t = m_topics[topic];
    for (Client& c : t.clients) {
        if (c.data == clientData) {
            c.callback = callback;
            return 1;
        }
    }
    t.clients.push_back(Client{clientData, callback});
    return 1;
}

void ComRing::detach(const char* topic, void* clientData) {
    if (!topic) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_topics.find(topic);
    if (it == m_topics.end()) return;
    auto& clients = it->second.clients;
    for (auto c = clients.begin(); c != clients.end(); ++c) {
        if (c->data == clientData) {
            clients.erase(c);
            return;
        }
    }
}

bool ComRing::isAttached(const std::string& topic, void* data, LWRingEventFunc callback) const {
    auto it = m_topics.find(topic);
    if (it == m_topics.end()) return false;
    for (const Client& c : it->second.clients)
        if (c.data == data && c.callback == callback) return true;
    return false;
}

void ComRing::send(const char* topic, int eventCode, void* eventData) {
    if (!topic) return;
    std::vector<Client> snapshot;
    void* portData = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_topics.try_emplace(topic).first;
        ++it->second.sent;
        snapshot = it->second.clients;
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
int ringAttach(const char* topic, void* data, LWRingEventFunc cb) {
    Host* host = Host::current();
    return host ? host->ring().attach(topic, data, cb) : 0;
}
void ringDetach(const char* topic, void* data) {
    if (Host* host = Host::current()) host->ring().detach(topic, data);
}
void ringMessage(const char* topic, int code, void* data) {
    if (Host* host = Host::current()) host->ring().send(topic, code, data);
}
}
const st_LWComRing kComRing = {ringAttach, ringDetach, ringMessage};
}  // namespace

const st_LWComRing* ComRing::record() {
    return &kComRing;
}

}  // namespace lwhost
