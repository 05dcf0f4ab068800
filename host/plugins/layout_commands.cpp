// The host's scene-editing commands and the running of "LayoutGeneric" servers.
#include "lwhost/plugins/layout_commands.h"

#include <lwsdk/lwmaster.h>
#include <lwsdk/lwshader.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

#include "lwhost/core/host.h"
#include "lwhost/io/quoted_text.h"
#include "lwhost/plugins/plugins.h"

namespace lwhost {

namespace {

const char* const kVerbs[] = {"ApplyServer",  "EditServer",     "RemoveServer",
                              "Surf_SetSurf", "Surf_AddShader", "Surf_RemShader"};

// The LayoutCommands whose generic server runs now: the local record's scene functions have no
// data argument, and the record lives only while the server runs.
LayoutCommands* g_running = nullptr;

// The C functions of the generic local record; data is the LayoutCommands.
extern "C" int genericEvaluate(void* data, const char* line) {
    return data ? static_cast<LayoutCommands*>(data)->evaluate(line) : LWCMD_FAILED;
}
extern "C" int genericSaveScene(const char* file) {
    return g_running ? g_running->saveScene(file) : 0;
}
extern "C" int genericLoadScene(const char* file, const char*) {
    return g_running ? g_running->loadScene(file) : 0;
}

bool positiveInt(const std::string& text, int& out) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (errno || *end || v < 1 || v > INT_MAX) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

LayoutCommands::LayoutCommands(Host& host, Plugins& plugins) : m_host(host), m_plugins(plugins) {
    using Member = int (LayoutCommands::*)(const std::vector<std::string>&);
    const Member members[] = {&LayoutCommands::applyServer,  &LayoutCommands::editServer,
                              &LayoutCommands::removeServer, &LayoutCommands::setSurface,
                              &LayoutCommands::addShader,    &LayoutCommands::removeShader};
    for (size_t i = 0; i < sizeof members / sizeof members[0]; ++i) {
        Member member = members[i];
        m_host.commands().define(kVerbs[i], [this, member](const std::string& text) {
            std::vector<std::string> args;
            if (!splitArguments(text, args)) return LWCMD_FAILED;
            return (this->*member)(args);
        });
    }
}

LayoutCommands::~LayoutCommands() {
    if (g_running == this) g_running = nullptr;
    // The command processor cannot forget a verb; an answer of "unknown" is the same to senders.
    for (const char* verb : kVerbs)
        m_host.commands().define(verb, [](const std::string&) { return LWCMD_UNKNOWN; });
}

bool LayoutCommands::splitArguments(const std::string& text, std::vector<std::string>& out) {
    out.clear();
    std::vector<QuotedToken> tokens;
    std::string why;
    if (!splitQuotedLine(text, kCommandQuotes, tokens, why)) return false;
    for (QuotedToken& t : tokens) out.push_back(std::move(t.text));
    return true;
}

int LayoutCommands::evaluate(const char* line) {
    return m_host.commands().execute(line);
}

int LayoutCommands::saveScene(const char* file) {
    std::string error;
    return file && m_plugins.saveScene(file, error) ? 1 : 0;
}

int LayoutCommands::loadScene(const char* file) {
    std::string error;
    return file && m_plugins.loadScene(file, error) ? 1 : 0;
}

int LayoutCommands::runGeneric(const std::string& name) {
    if (!m_host.findServer("LayoutGeneric", name)) return -1;
    st_LWLayoutGeneric local{&genericSaveScene,
                             &genericLoadScene,
                             this,
                             CommandProcessor::lookupFunction(),
                             CommandProcessor::executeFunction(),
                             &genericEvaluate};
    // Put back however the server ends: a generic server may run another one.
    struct Running {
        LayoutCommands* previous;
        explicit Running(LayoutCommands* now) : previous(std::exchange(g_running, now)) {}
        ~Running() { g_running = previous; }
    } running(this);
    return m_host.activate("LayoutGeneric", name, kLayoutGenericVersion, &local);
}

int LayoutCommands::applyServer(const std::vector<std::string>& args) {
    if (args.size() != 2 || args[0] != LWMASTER_HCLASS) return LWCMD_FAILED;
    std::string error;
    return m_plugins.applyMaster(args[1], error) ? LWCMD_OK : LWCMD_FAILED;
}

int LayoutCommands::editServer(const std::vector<std::string>& args) {
    int position = 0;
    if (args.size() != 2 || !positiveInt(args[1], position)) return LWCMD_FAILED;
    std::string error;
    return m_plugins.openPanel(args[0], position, error) ? LWCMD_OK : LWCMD_FAILED;
}

int LayoutCommands::removeServer(const std::vector<std::string>& args) {
    int position = 0;
    if (args.size() != 2 || args[0] != LWMASTER_HCLASS || !positiveInt(args[1], position))
        return LWCMD_FAILED;
    std::string error;
    return m_plugins.removeMaster(position, error) ? LWCMD_OK : LWCMD_FAILED;
}

int LayoutCommands::setSurface(const std::vector<std::string>& args) {
    std::vector<LWSurfaceID>& current = m_plugins.currentSurfaces();
    current.clear();
    if (args.empty() || args.size() > 2 || args[0].empty()) return LWCMD_FAILED;
    const Scene& scene = m_plugins.scene();
    // With its object named, the surface is one index lookup, not a walk over the scene.
    if (args.size() == 2) {
        if (const Surface* s = scene.findSurface(args[0], args[1])) current.push_back(s->id);
        return current.empty() ? LWCMD_FAILED : LWCMD_OK;
    }
    for (size_t i = 0; i < scene.surfaceCount(); ++i) {
        const Surface& s = scene.surfaceAt(i);
        if (s.name == args[0] && (args.size() == 1 || s.objectFile == args[1]))
            current.push_back(s.id);
    }
    return current.empty() ? LWCMD_FAILED : LWCMD_OK;
}

int LayoutCommands::addShader(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].empty()) return LWCMD_FAILED;
    const std::vector<LWSurfaceID> surfaces = m_plugins.currentSurfaces();
    if (surfaces.empty()) return LWCMD_FAILED;
    std::string error;
    for (LWSurfaceID id : surfaces)
        if (!m_plugins.addShader(id, args[0], error)) return LWCMD_FAILED;
    return LWCMD_OK;
}

int LayoutCommands::removeShader(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].empty()) return LWCMD_FAILED;
    const std::vector<LWSurfaceID> surfaces = m_plugins.currentSurfaces();
    if (surfaces.empty()) return LWCMD_FAILED;
    for (LWSurfaceID id : surfaces) m_plugins.removeShader(id, args[0]);
    return LWCMD_OK;
}

}  // namespace lwhost
