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

LWCommandCode CommandProcessor::lookup(const char* verb) {
    if (!verb || m_verbs.find(verb) == m_verbs.end()) return 0;
    for (size_t i = 0; i < m_codes.size(); ++i)
        if (m_codes[i] == verb) return static_cast<LWCommandCode>(i + 1);
    m_codes.emplace_back(verb);
    return static_cast<LWCommandCode>(m_codes.size());
}

int CommandProcessor::executeCode(LWCommandCode code, int argc) {
    if (code < 1 || static_cast<size_t>(code) > m_codes.size()) return LWCMD_UNKNOWN;
    if (argc != 0) return LWCMD_FAILED;
    return execute(m_codes[static_cast<size_t>(code) - 1].c_str());
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
extern "C" void instanceUpdate(const char* className, void* instance) {
    if (Host* host = Host::current()) host->updates().record(className, instance);
}
extern "C" LWCommandCode lookupCommand(void*, const char* verb) {
    Host* host = Host::current();
    return host ? host->commands().lookup(verb) : 0;
}
extern "C" int executeCommand(void*, LWCommandCode code, int argc, const DynaValue*, DynaValue*) {
    Host* host = Host::current();
    return host ? host->commands().executeCode(code, argc) : LWCMD_FAILED;
}
}  // namespace

LWCommandFunc* CommandProcessor::function() {
    return &runCommand;
}

CommandProcessor::LookupFunc* CommandProcessor::lookupFunction() {
    return &lookupCommand;
}

CommandProcessor::ExecuteFunc* CommandProcessor::executeFunction() {
    return &executeCommand;
}

void InstanceUpdates::record(const char* className, void* instance) {
    m_changes.push_back(InstanceChange{className ? className : "", instance});
    if (m_listener) m_listener(className, instance);
}

LWInstUpdate* InstanceUpdates::function() {
    return &instanceUpdate;
}

}  // namespace lwhost
