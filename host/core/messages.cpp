#include "lwhost/core/messages.h"

#include "lwhost/core/host.h"

namespace lwhost {

const char* messageKindName(MessageKind kind) {
    switch (kind) {
        case MessageKind::Info:
            return "info";
        case MessageKind::Error:
            return "error";
        case MessageKind::Warning:
            return "warning";
        case MessageKind::OkCancel:
            return "ok/cancel";
        case MessageKind::YesNo:
            return "yes/no";
        case MessageKind::YesNoCancel:
            return "yes/no/cancel";
        case MessageKind::YesNoAll:
            return "yes/no/all";
    }
    return "?";
}

void MessageLog::setEcho(Echo echo) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_echo = std::move(echo);
}

void MessageLog::setAnswerer(Answerer answerer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answerer = std::move(answerer);
}

void MessageLog::setWatcher(Echo watcher) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_watcher = std::move(watcher);
}

namespace {
int cautiousAnswer(MessageKind kind) {
    switch (kind) {
        case MessageKind::OkCancel:
            return LWMSG_CANCEL;
        case MessageKind::YesNo:
            return LWMSG_NO;
        case MessageKind::YesNoCancel:
        case MessageKind::YesNoAll:
            return LWMSG_CANCEL;
        default:
            return 0;
    }
}

bool asks(MessageKind kind) {
    return kind == MessageKind::OkCancel || kind == MessageKind::YesNo ||
           kind == MessageKind::YesNoCancel || kind == MessageKind::YesNoAll;
}
}  // namespace

int MessageLog::show(MessageKind kind, const char* line1, const char* line2) {
    Message msg{kind, line1 ? line1 : "", line2 ? line2 : "", 1};
    Echo echo;
    Answerer answerer;
    Echo watcher;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        bool repeated = false;
        // Only messages that ask nothing are folded: each question is its own event.
        if (!asks(kind)) {
            for (Message& m : m_messages) {
                if (m.kind == kind && m.line1 == msg.line1 && m.line2 == msg.line2) {
                    ++m.count;
                    repeated = true;
                    break;
                }
            }
        }
        if (!repeated) {
            m_messages.push_back(msg);
            echo = m_echo;
        }
        answerer = m_answerer;
        watcher = m_watcher;
    }
    if (echo) echo(msg);
    if (!asks(kind)) {
        if (watcher) watcher(msg);
        return 0;
    }
    return answerer ? answerer(kind, msg) : cautiousAnswer(kind);
}

std::vector<Message> MessageLog::all() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

size_t MessageLog::size() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages.size();
}

void MessageLog::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.clear();
}

void MessageLog::truncate(size_t count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (count < m_messages.size()) m_messages.resize(count);
}

void MessageLog::replace(std::vector<Message> messages) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages = std::move(messages);
}

namespace {
int showOnHost(MessageKind kind, const char* title, const char* line1, const char* line2) {
    Host* host = Host::current();
    if (!host) return cautiousAnswer(kind);
    // Asking dialogs carry a title; it becomes the first line and the texts follow.
    if (title) {
        std::string first = title;
        std::string second = line1 ? line1 : "";
        if (line2 && *line2) second += second.empty() ? line2 : std::string("\n") + line2;
        return host->messages().show(kind, first.c_str(), second.c_str());
    }
    return host->messages().show(kind, line1, line2);
}

extern "C" {
void msgInfo(const char* a, const char* b) {
    showOnHost(MessageKind::Info, nullptr, a, b);
}
void msgError(const char* a, const char* b) {
    showOnHost(MessageKind::Error, nullptr, a, b);
}
void msgWarning(const char* a, const char* b) {
    showOnHost(MessageKind::Warning, nullptr, a, b);
}
int msgOkCancel(const char* t, const char* a, const char* b) {
    return showOnHost(MessageKind::OkCancel, t ? t : "", a, b);
}
int msgYesNo(const char* t, const char* a, const char* b) {
    return showOnHost(MessageKind::YesNo, t ? t : "", a, b);
}
int msgYesNoCan(const char* t, const char* a, const char* b) {
    return showOnHost(MessageKind::YesNoCancel, t ? t : "", a, b);
}
int msgYesNoAll(const char* t, const char* a, const char* b) {
    return showOnHost(MessageKind::YesNoAll, t ? t : "", a, b);
}
}

const st_LWMessageFuncs kMessageFuncs = {msgInfo,  msgError,    msgWarning, msgOkCancel,
                                         msgYesNo, msgYesNoCan, msgYesNoAll};
}  // namespace

const st_LWMessageFuncs* MessageLog::record() {
    return &kMessageFuncs;
}

}  // namespace lwhost
