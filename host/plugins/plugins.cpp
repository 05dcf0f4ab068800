// Plug-in instances: servers, creation and destruction, blocks, and scene files.
#include "lwhost/plugins/plugins.h"

#include <lwsdk/lwio.h>

#include <cstdlib>
#include <exception>

#include "lwhost/core/host.h"
#include "lwhost/core/identity.h"
#include "lwhost/io/blockio.h"
#include "lwhost/nodes/node_graph_file.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/ui/xpanel.h"

namespace lwhost {

namespace {

std::string located(const std::string& fileName, int line, const std::string& message) {
    return formatLocated({fileName, line, message});
}

// A problem's line, when it names one, becomes the line to report; its text the error.
void take(const Located& problem, int& line, std::string& what) {
    if (problem.line > 0) line = static_cast<int>(problem.line);
    what = problem.text;
}

std::string label(const HandlerServer& server) {
    return std::string(handlerClassName(server.kind)) + " " + server.name;
}

}  // namespace

int shaderHandlerVersion(const HostIdentity& identity) {
    if (identity.major < 9 || (identity.major == 9 && identity.minor <= 4)) return 4;
    if (identity.major == 9 && identity.minor == 5) return 5;
    return 6;
}

const char* handlerClassName(PluginKind kind) {
    switch (kind) {
        case PluginKind::Master:
            return LWMASTER_HCLASS;
        case PluginKind::Shader:
            return LWSHADER_HCLASS;
        case PluginKind::NodeGraph:
            break;
    }
    return "NodeHandler";
}

const char* interfaceClassName(PluginKind kind) {
    switch (kind) {
        case PluginKind::Master:
            return LWMASTER_ICLASS;
        case PluginKind::Shader:
            return LWSHADER_ICLASS;
        case PluginKind::NodeGraph:
            break;
    }
    return "NodeInterface";
}

Plugins::Plugins(Host& host, Scene& scene) : m_host(host), m_scene(scene) {}

Plugins::~Plugins() {
    releaseAll(false);
    // Instances made outside the scene's sections.
    while (!m_instances.empty()) destroy(m_instances.begin()->first);
}

// ---- servers ----------------------------------------------------------------------------------

HandlerServer* Plugins::activate(PluginKind kind, const std::string& name) {
    auto key = std::make_pair(kind, name);
    auto it = m_servers.find(key);
    if (it != m_servers.end()) return it->second.get();

    auto server = std::make_unique<HandlerServer>();
    server->kind = kind;
    server->name = name;
    void* local = nullptr;
    if (kind == PluginKind::Master) {
        server->version = kMasterHandlerVersion;
        server->master.inst = &server->inst;
        server->master.item = &server->item;
        local = &server->master;
    } else if (kind == PluginKind::Shader) {
        server->version = shaderHandlerVersion(m_host.identity());
        server->shader.inst = &server->inst;
        server->shader.item = &server->item;
        server->shader.rend = &server->rend;
        local = &server->shader;
    }
    // Kept before activating, so that a server asking for itself meanwhile finds the entry.
    HandlerServer* kept = server.get();
    m_servers.emplace(key, std::move(server));
    if (local) kept->result = m_host.activate(handlerClassName(kind), name, kept->version, local);
    return kept;
}

const HandlerServer* Plugins::server(PluginKind kind, const std::string& name, std::string* why) {
    const HandlerServer* s = activate(kind, name);
    if (s->usable()) return s;
    if (why) {
        const std::string cls = handlerClassName(kind);
        if (s->result == -1)
            *why = "no loaded module offers the " + cls + " server \"" + name + "\"";
        else if (s->result != LWACTIVATE_OK)
            *why = cls + " \"" + name + "\" refused activation for version " +
                   std::to_string(s->version) + " (result " + std::to_string(s->result) + ")";
        else
            *why = cls + " \"" + name + "\" gave no create function";
    }
    return nullptr;
}

// ---- instances --------------------------------------------------------------------------------

void* Plugins::shaderContext(LWSurfaceID surface) {
    return surface;
}

LWSurfaceID Plugins::surfaceOfContext(const void* context) {
    return const_cast<void*>(context);
}

void* Plugins::create(PluginKind kind, const std::string& name, void* context, std::string& error) {
    std::string why;
    if (!server(kind, name, &why)) {
        error = why;
        return nullptr;
    }
    HandlerServer* s = activate(kind, name);
    LWError err = nullptr;
    void* instance = s->inst.create(s->inst.priv, context, &err);
    if (!instance) {
        error = err && *err ? err : "the server made no instance";
        return nullptr;
    }
    m_instances[instance] = Instance{s, {}};
    return instance;
}

void* Plugins::copy(void* from, void* context, std::string& error) {
    auto it = m_instances.find(from);
    if (it == m_instances.end()) {
        error = "not an instance of this host";
        return nullptr;
    }
    HandlerServer* s = it->second.server;
    if (!s->inst.copy) {
        error = label(*s) + " cannot copy its instances";
        return nullptr;
    }
    void* to = create(s->kind, s->name, context, error);
    if (!to) return nullptr;
    if (LWError err = s->inst.copy(to, from)) {
        error = err;
        destroy(to);
        return nullptr;
    }
    return to;
}

void Plugins::destroy(void* instance) {
    auto it = m_instances.find(instance);
    if (it == m_instances.end()) return;
    // The host closes an instance's panels before the instance goes, so that no panel is left
    // calling into a destroyed object.
    std::vector<void*> panels = std::move(it->second.panels);
    HandlerServer* s = it->second.server;
    m_instances.erase(it);
    for (void* id : panels) {
        if (id == m_panel) m_panel = nullptr;
        XPanel* p = m_host.xpanels().find(id);
        if (p && !p->destroyed()) m_host.xpanels().destroy(id);
    }
    if (s->inst.destroy) s->inst.destroy(instance);
}

const HandlerServer* Plugins::serverOf(void* instance) const {
    auto it = m_instances.find(instance);
    return it == m_instances.end() ? nullptr : it->second.server;
}

std::string Plugins::description(void* instance) {
    const HandlerServer* s = serverOf(instance);
    if (!s || !s->inst.descln) return std::string();
    const char* text = s->inst.descln(instance);
    return text ? text : "";
}

bool Plugins::load(void* instance, const std::string& text, int firstLine, int& line,
                   std::string& error, std::vector<UnreadBlock>* unread) {
    line = firstLine - 1;
    const HandlerServer* s = serverOf(instance);
    if (!s) {
        error = "not an instance of this host";
        return false;
    }
    if (!s->inst.load) return true;
    try {
        MemoryLoadState state(text, LWIO_ASCII, firstLine);
        // Damaged blocks never reach the plug-in, so that it applies nothing of them.
        if (!state.check()) {
            take(state.problem(), line, error);
            return false;
        }
        state.setReader(s->name);
        LWError err = s->inst.load(instance, state.record());
        if (state.damaged()) {
            take(state.problem(), line, error);
            return false;
        }
        if (err) {
            // A plug-in that fails after a read failed, or after a text filled its buffer (too
            // long for it), most likely fails because of it; the host's graph reader, whose
            // error the plug-in hands on (a graph's bad connection), knows the line better still.
            std::string ignored;
            if (state.failed())
                take(state.problem(), line, ignored);
            else if (state.filledTexts() > 0)
                line = static_cast<int>(state.filledTextAt(0));
            error = err;
            if (err == formatLocated(state.reported())) take(state.reported(), line, error);
            return false;
        }
        if (unread) *unread = state.unread();
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

bool Plugins::save(void* instance, std::string& text, std::string& error) {
    const HandlerServer* s = serverOf(instance);
    if (!s) {
        error = "not an instance of this host";
        return false;
    }
    text.clear();
    if (!s->inst.save) return true;
    try {
        MemorySaveState state(LWIO_ASCII);
        LWError err = s->inst.save(instance, state.record());
        state.finish();
        if (err) {
            error = err;
            return false;
        }
        if (state.failed()) {
            error = state.error();
            return false;
        }
        text = state.bytes();
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

// ---- scene sections ---------------------------------------------------------------------------

void Plugins::warnMissing(const PluginSection& section, const std::string& fileName,
                          const std::string& why) {
    if (!m_warned.insert(std::make_pair(section.kind, section.server)).second) return;
    std::string where =
        fileName.empty() ? std::string() : located(fileName, section.data->line, "");
    m_host.messages().show(MessageKind::Warning,
                           (where + why + "; its sections are kept as they are").c_str(), "");
}

void Plugins::warnUnread(const std::vector<UnreadBlock>& unread, const std::string& fileName) {
    // A misspelt token is skipped by its reader without a word: say which and where. Scenes
    // restored after a failed load (no file name) were warned about when first loaded.
    if (fileName.empty()) return;
    for (const UnreadBlock& b : unread)
        m_host.messages().show(
            MessageKind::Warning,
            located(fileName, static_cast<int>(b.line), b.token + ": not read by " + b.reader)
                .c_str(),
            "");
}

std::string Plugins::loadSection(PluginSection& section, const std::string& fileName, int& line) {
    line = section.data->line;
    // A section already loaded stays as it is.
    if (section.data->instance) return std::string();
    // Surface graphs get an editor of the host's node system, so that plug-ins reach them
    // through the surface's node editor.
    std::vector<UnreadBlock> unread;
    if (section.kind == PluginKind::NodeGraph) {
        // The graph's own line is the one to name, not the section's.
        Located problem;
        if (loadSurfaceGraph(m_host.nodes(), m_scene, section, problem, &unread)) {
            warnUnread(unread, fileName);
            return std::string();
        }
        std::string what;
        take(problem, line, what);
        return what;
    }
    std::string why;
    const HandlerServer* s = server(section.kind, section.server, &why);
    if (!s) {
        warnMissing(section, fileName, why);
        return std::string();
    }
    void* context =
        section.kind == PluginKind::Master ? masterContext() : shaderContext(section.surface);
    std::string error;
    void* instance = create(section.kind, section.server, context, error);
    if (!instance) return label(*s) + ": cannot create an instance: " + error;
    if (!load(instance, section.data->text, section.data->line + 1, line, error, &unread)) {
        destroy(instance);
        return label(*s) + ": " + error;
    }
    section.data->instance = instance;
    warnUnread(unread, fileName);
    return std::string();
}

std::string Plugins::saveSection(const PluginSection& section, std::string& text) {
    void* instance = section.data->instance;
    if (section.kind == PluginKind::NodeGraph)
        return saveSurfaceGraph(m_host.nodes(), section, text);
    if (!instance || !alive(instance)) {
        text = section.data->text;
        return std::string();
    }
    std::string error;
    if (!save(instance, text, error)) return label(*serverOf(instance)) + ": " + error;
    return std::string();
}

void Plugins::releaseSection(PluginSection& section) {
    void* instance = section.data->instance;
    if (section.kind == PluginKind::NodeGraph) {
        releaseSurfaceGraph(m_host.nodes(), section);
        return;
    }
    if (!alive(instance)) return;
    section.data->instance = nullptr;
    destroy(instance);
}

bool Plugins::storeSections(std::string& error) {
    std::string failure;
    SceneFile::forEachPlugin(m_scene, [&](PluginSection& section) {
        if (!failure.empty()) return;
        std::string text;
        failure = saveSection(section, text);
        if (failure.empty()) section.data->text = text;
    });
    error = failure;
    return failure.empty();
}

void Plugins::releaseAll(bool keepText) {
    SectionWalk walk(*this);
    SceneFile::forEachPlugin(m_scene, [&](PluginSection& section) {
        void* instance = section.data->instance;
        if (section.kind == PluginKind::NodeGraph) {
            if (!instance) return;
            if (keepText) {
                std::string text;
                if (saveSurfaceGraph(m_host.nodes(), section, text).empty())
                    section.data->text = text;
            }
            releaseSection(section);
            return;
        }
        if (!alive(instance)) return;
        if (keepText) {
            std::string text, error;
            if (save(instance, text, error)) section.data->text = text;
        }
        releaseSection(section);
    });
}

bool Plugins::adopt(Scene& fresh, const std::string& fileName, std::string& error) {
    SectionWalk walk(*this);
    // 1. The old scene's instances go first, each leaving its blocks as text.
    releaseAll(true);
    const std::vector<LWSurfaceID> selection = m_currentSurfaces;
    // 2. The new scene takes its place, so plug-ins see it while they load.
    m_scene.swap(fresh);
    m_currentSurfaces.clear();
    // 3. Its instances, in file order.
    std::string failure;
    SceneFile::forEachPlugin(m_scene, [&](PluginSection& section) {
        if (!failure.empty()) return;
        int line = 0;
        std::string why = loadSection(section, fileName, line);
        if (!why.empty()) failure = located(fileName, line, why);
    });
    if (failure.empty()) return true;

    // A failed load leaves the old scene: its instances come back from the text they left.
    releaseAll(false);
    m_scene.swap(fresh);
    m_currentSurfaces = selection;
    SceneFile::forEachPlugin(m_scene, [&](PluginSection& section) {
        int line = 0;
        std::string why = loadSection(section, std::string(), line);
        if (!why.empty())
            m_host.messages().show(MessageKind::Warning, ("cannot restore " + why).c_str(), "");
    });
    error = failure;
    return false;
}

bool Plugins::loadScene(const std::string& path, std::string& error) {
    if (!editable(error)) return false;
    SceneFile io;
    Scene fresh;
    if (!io.load(path, fresh, error)) return false;
    return adopt(fresh, path, error);
}

bool Plugins::readScene(const std::string& text, const std::string& fileName,
                        const std::string& baseDir, std::string& error) {
    if (!editable(error)) return false;
    SceneFile io;
    Scene fresh;
    if (!io.read(text, fileName, baseDir, fresh, error)) return false;
    return adopt(fresh, fileName, error);
}

bool Plugins::saveScene(const std::string& path, std::string& error, const WriteCheck& mayWrite) {
    if (!storeSections(error)) return false;
    if (mayWrite && !mayWrite(error)) {
        error = path + ": not saved: " + error;
        return false;
    }
    return SceneFile().save(path, m_scene, error);
}

bool Plugins::writeScene(std::string& text, std::string& error) {
    if (!storeSections(error)) return false;
    return SceneFile().write(m_scene, text, error);
}

}  // namespace lwhost
