// Plug-in instances at work: scene edits, item renumbering, master events, the shader render
// calls and panels.
#include <lwsdk/lwcommand.h>
#include <lwsdk/lwxpanel.h>

#include <algorithm>
#include <set>

#include "lwhost/core/host.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/ui/xpanel.h"

namespace lwhost {

namespace {

// Most item IDs read from one instance's use-items list: a list without its end stops here.
constexpr size_t kMaxUsedItems = 1u << 20;

// The evaluate function of the master access record.
extern "C" int evaluateForMaster(void* data, const char* line) {
    return data ? static_cast<Plugins*>(data)->evaluate(line) : LWCMD_FAILED;
}

}  // namespace

int Plugins::evaluate(const char* line) {
    return m_host.commands().execute(line);
}

bool Plugins::editable(std::string& error) const {
    if (m_walking == 0) return true;
    error = "the scene's plug-ins are being loaded or released";
    return false;
}

// ---- masters acting through shaders ----------------------------------------------------------

std::vector<std::string> Plugins::masterShaders() const {
    std::vector<std::string> names;
    for (const MasterSlot& m : m_scene.masters()) {
        if (m.disabled || !m_host.findServer(LWSHADER_HCLASS, m.server)) continue;
        if (std::find(names.begin(), names.end(), m.server) == names.end())
            names.push_back(m.server);
    }
    return names;
}

bool carriesShader(const Surface& surface, const std::string& server) {
    for (const ShaderSlot& slot : surface.shaders)
        if (slot.server == server) return true;
    return false;
}

size_t surfacesCarrying(const Scene& scene, const std::string& server) {
    size_t n = 0;
    for (size_t i = 0; i < scene.surfaceCount(); ++i)
        n += carriesShader(scene.surfaceAt(i), server);
    return n;
}

// ---- scene edits ------------------------------------------------------------------------------

bool Plugins::applyMaster(const std::string& name, std::string& error) {
    if (!editable(error)) return false;
    void* instance = create(PluginKind::Master, name, masterContext(), error);
    if (!instance) return false;
    MasterSlot slot;
    slot.server = name;
    slot.data.instance = instance;
    m_scene.masters().push_back(std::move(slot));
    m_scene.touch();
    return true;
}

bool Plugins::removeMaster(int position, std::string& error) {
    if (!editable(error)) return false;
    std::vector<MasterSlot>& masters = m_scene.masters();
    if (position < 1 || static_cast<size_t>(position) > masters.size()) {
        error = "no master plug-in at position " + std::to_string(position);
        return false;
    }
    // Out of the scene first: the instance may look at the scene while it goes.
    void* instance = masters[static_cast<size_t>(position - 1)].data.instance;
    masters.erase(masters.begin() + (position - 1));
    m_scene.touch();
    if (instance) destroy(instance);
    return true;
}

bool Plugins::addShader(LWSurfaceID surface, const std::string& name, std::string& error) {
    if (!editable(error)) return false;
    Surface* s = m_scene.surface(surface);
    if (!s) {
        error = "no such surface";
        return false;
    }
    for (const ShaderSlot& slot : s->shaders)
        if (slot.server == name) return true;
    void* instance = create(PluginKind::Shader, name, shaderContext(surface), error);
    if (!instance) return false;
    // Found again: creating ran plug-in code.
    s = m_scene.surface(surface);
    if (!s) {
        destroy(instance);
        error = "the surface went away";
        return false;
    }
    ShaderSlot slot;
    slot.server = name;
    slot.data.instance = instance;
    s->shaders.push_back(std::move(slot));
    m_scene.touch();
    return true;
}

bool Plugins::removeShader(LWSurfaceID surface, const std::string& name) {
    std::string ignored;
    if (!editable(ignored)) return false;
    Surface* s = m_scene.surface(surface);
    if (!s) return false;
    // Slots leave the surface before their instances are destroyed.
    std::vector<void*> instances;
    bool removed = false;
    for (auto it = s->shaders.begin(); it != s->shaders.end();) {
        if (it->server != name) {
            ++it;
            continue;
        }
        if (it->data.instance) instances.push_back(it->data.instance);
        it = s->shaders.erase(it);
        removed = true;
    }
    if (removed) m_scene.touch();
    for (void* instance : instances) destroy(instance);
    return removed;
}

// ---- items ------------------------------------------------------------------------------------

std::vector<std::pair<PluginKind, void*>> Plugins::liveInstances() {
    std::vector<std::pair<PluginKind, void*>> out;
    SceneFile::forEachPlugin(m_scene, [&](PluginSection& section) {
        if (section.kind != PluginKind::NodeGraph && alive(section.data->instance))
            out.emplace_back(section.kind, section.data->instance);
    });
    return out;
}

std::vector<std::pair<LWItemID, LWItemID>> Plugins::renumber() {
    std::vector<std::pair<LWItemID, LWItemID>> pairs = m_scene.renumber();
    changeIDs(pairs);
    return pairs;
}

void Plugins::changeIDs(const std::vector<std::pair<LWItemID, LWItemID>>& pairs) {
    std::vector<LWItemID> flat;
    flat.reserve(2 * pairs.size() + 2);
    for (const auto& p : pairs) {
        if (p.first == LWITEM_NULL) break;
        flat.push_back(p.first);
        flat.push_back(p.second);
    }
    flat.push_back(LWITEM_NULL);
    flat.push_back(LWITEM_NULL);
    for (const auto& live : liveInstances()) {
        const HandlerServer* s = serverOf(live.second);
        if (s && s->item.changeID) s->item.changeID(live.second, flat.data());
    }
    // Node instances in every graph follow the renumbering as well.
    if (NodeSystem* nodes = NodeSystem::current()) nodes->changeID(flat.data());
}

std::vector<LWItemID> Plugins::usedItems() {
    std::vector<LWItemID> out;
    std::set<LWItemID> seen;
    for (const auto& live : liveInstances()) {
        const HandlerServer* s = serverOf(live.second);
        if (!s || !s->item.useItems) continue;
        const LWItemID* ids = s->item.useItems(live.second);
        for (size_t i = 0; ids && i < kMaxUsedItems && ids[i] != LWITEM_NULL; ++i)
            if (seen.insert(ids[i]).second) out.push_back(ids[i]);
    }
    return out;
}

// ---- events and the render cycle --------------------------------------------------------------

int Plugins::sendMasterEvent(int code, void* data) {
    const unsigned wanted =
        code == LWEVNT_NOTIFY_RENDER_STARTING || code == LWEVNT_NOTIFY_RENDER_COMPLETE
            ? LWMASTF_RECEIVE_NOTIFICATIONS
            : LWMASTF_LAYOUT;
    // Taken first: an event may run commands that change the scene's masters.
    std::vector<void*> masters;
    for (const MasterSlot& m : m_scene.masters())
        if (!m.disabled && alive(m.data.instance)) masters.push_back(m.data.instance);
    int called = 0;
    for (void* instance : masters) {
        const HandlerServer* s = serverOf(instance);
        if (!s || !s->master.event) continue;
        const unsigned flags = s->master.flags ? s->master.flags(instance) : 0u;
        if (!(flags & wanted) || !alive(instance)) continue;
        st_LWMasterAccess access{code,
                                 data,
                                 this,
                                 CommandProcessor::lookupFunction(),
                                 CommandProcessor::executeFunction(),
                                 &evaluateForMaster};
        s->master.event(instance, &access);
        ++called;
    }
    return called;
}

std::string Plugins::shaderCall(const char* what,
                                const std::function<LWError(const HandlerServer&, void*)>& call) {
    struct Target {
        LWSurfaceID surface;
        void* instance;
    };
    std::vector<Target> targets;
    for (size_t i = 0; i < m_scene.surfaceCount(); ++i) {
        const Surface& s = m_scene.surfaceAt(i);
        for (const ShaderSlot& slot : s.shaders)
            if (alive(slot.data.instance)) targets.push_back(Target{s.id, slot.data.instance});
    }
    for (const Target& t : targets) {
        const HandlerServer* s = serverOf(t.instance);
        if (!s) continue;
        if (LWError err = call(*s, t.instance)) {
            const Surface* surface = m_scene.surface(t.surface);
            return (surface ? surface->name : std::string("(surface)")) + ": " + s->name + ": " +
                   what + ": " + err;
        }
    }
    return std::string();
}

std::string Plugins::initShaders(int mode) {
    return shaderCall("init", [mode](const HandlerServer& s, void* instance) -> LWError {
        return s.rend.init ? s.rend.init(instance, mode) : nullptr;
    });
}

std::string Plugins::newTimeShaders(LWFrame frame, LWTime time) {
    return shaderCall("newTime", [frame, time](const HandlerServer& s, void* instance) -> LWError {
        return s.rend.newTime ? s.rend.newTime(instance, frame, time) : nullptr;
    });
}

void Plugins::cleanupShaders() {
    shaderCall("cleanup", [](const HandlerServer& s, void* instance) -> LWError {
        if (s.rend.cleanup) s.rend.cleanup(instance);
        return nullptr;
    });
}

// ---- panels -----------------------------------------------------------------------------------

bool Plugins::openPanel(const std::string& handlerClass, int position, std::string& error) {
    if (position < 1) {
        error = "positions count from 1";
        return false;
    }
    void* instance = nullptr;
    if (handlerClass == LWMASTER_HCLASS) {
        const auto& masters = m_scene.masters();
        if (static_cast<size_t>(position) > masters.size()) {
            error = "the scene has " + std::to_string(masters.size()) + " master plug-ins";
            return false;
        }
        instance = masters[static_cast<size_t>(position) - 1].data.instance;
    } else if (handlerClass == LWSHADER_HCLASS) {
        int n = 0;
        for (LWSurfaceID id : m_currentSurfaces) {
            const Surface* s = m_scene.surface(id);
            if (!s) continue;
            for (const ShaderSlot& slot : s->shaders)
                if (++n == position) instance = slot.data.instance;
        }
        if (position > n) {
            error = "the current surfaces carry " + std::to_string(n) + " shaders";
            return false;
        }
    } else {
        error = "no panels for class \"" + handlerClass + "\"";
        return false;
    }
    if (!alive(instance)) {
        error = handlerClass + " at position " + std::to_string(position) +
                " has no instance: its module is not loaded";
        return false;
    }
    return openPanelOf(instance, error);
}

bool Plugins::showInterface(const std::string& iface, const std::string& name, void* instance,
                            void*& shown, std::string& error) {
    shown = nullptr;
    if (!m_host.findServer(iface, name)) {
        error = "no loaded module offers the " + iface + " server \"" + name + "\"";
        return false;
    }
    st_LWInterface local{instance, nullptr, nullptr, nullptr};
    const int result = m_host.activate(iface, name, kPanelInterfaceVersion, &local);
    if (result != LWACTIVATE_OK) {
        error = iface + " \"" + name + "\" answered " + std::to_string(result);
        return false;
    }
    if (local.panel) {
        XPanel* panel = m_host.xpanels().find(local.panel);
        if (!panel || panel->destroyed()) {
            error = iface + " \"" + name + "\" handed back a panel the host does not know";
            return false;
        }
        panel->open();
        m_panel = shown = local.panel;
        return true;
    }
    if (local.options) {
        if (const char* err = local.options(instance)) {
            error = err;
            return false;
        }
        return true;
    }
    error = iface + " \"" + name + "\" offers no panel";
    return false;
}

bool Plugins::openPanelOf(void* instance, std::string& error) {
    const HandlerServer* s = serverOf(instance);
    if (!s) {
        error = "not an instance of this host";
        return false;
    }
    const std::string name = s->name;
    void* shown = nullptr;
    if (!showInterface(interfaceClassName(s->kind), name, instance, shown, error)) return false;
    if (!shown) return true;
    auto it = m_instances.find(instance);
    if (it == m_instances.end()) {
        m_panel = nullptr;
        error = "the instance went away while its panel was made";
        return false;
    }
    std::vector<void*>& panels = it->second.panels;
    // Forget panels that are gone; panel IDs are never reused.
    panels.erase(std::remove_if(panels.begin(), panels.end(),
                                [this](void* id) { return !m_host.xpanels().find(id); }),
                 panels.end());
    if (std::find(panels.begin(), panels.end(), shown) == panels.end()) panels.push_back(shown);
    return true;
}

bool Plugins::openNodePanel(GraphNode& node, std::string& error) {
    if (!node.instance || !node.server) {
        error = "node " + quoted(node.name) + " has no instance";
        return false;
    }
    if (node.server->builtIn) {
        error = "node " + quoted(node.name) + " is one of the host's own nodes: its settings " +
                "are set with 'graph set'";
        return false;
    }
    // Copied: the node may go while its server answers.
    const std::string name = node.server->name;
    void* shown = nullptr;
    return showInterface(interfaceClassName(PluginKind::NodeGraph), name, node.instance, shown,
                         error);
}

XPanel* Plugins::panel() {
    if (!m_panel) return nullptr;
    XPanel* p = m_host.xpanels().find(m_panel);
    if (!p || p->destroyed()) {
        m_panel = nullptr;
        return nullptr;
    }
    return p;
}

bool Plugins::closePanel() {
    if (!panel()) return false;
    void* id = m_panel;
    m_panel = nullptr;
    m_host.xpanels().userClose(id);
    return true;
}

}  // namespace lwhost
