#include "lwhost/core/commands.h"

#include "lwhost/core/host.h"

namespace lwhost {

CommandProcessor::CommandProcessor() {
    define("StatusMsg", [this](const std::string& text) {
        m_status.push_back(text);
        return LWCMD_OK;
    });
}

void CommandProcessor::define(const std::string& verb, Handler handler) {
    m_verbs[verb] = std::move(handler);
}

int CommandProcessor::execute(const char* line) {
    if (!line) return LWCMD_FAILED;
    std::string text(line);
    m_lines.push_back(text);
    size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return LWCMD_FAILED;
    size_t end = text.find_first_of(" \t", start);
    std::string verb =
        text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::string arguments = end == std::string::npos ? std::string() : text.substr(end + 1);
    auto it = m_verbs.find(verb);
    if (it == m_verbs.end()) return LWCMD_UNKNOWN;
    return it->second(arguments);
}

void CommandProcessor::clear() {
    m_lines.clear();
    m_status.clear();
}

namespace {
extern "C" int runCommand(const char* line) {
    Host* host = Host::current();
    return host ? host->commands().execute(line) : LWCMD_FAILED;
}
extern "C" int instanceUpdate(const char* className, void* instance) {
    if (Host* host = Host::current()) host->updates().record(className, instance);
    return 0;
}
}  // namespace

LWCommandFunc* CommandProcessor::function() {
    return &runCommand;
}

void InstanceUpdates::record(const char* className, void* instance) {
    m_changes.push_back(InstanceChange{className ? className : "", instance});
    if (m_listener) m_listener(className, instance);
}

LWInstUpdate* InstanceUpdates::function() {
    return &instanceUpdate;
}

}  // namespace lwhost
