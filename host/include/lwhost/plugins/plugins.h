// Plug-in instances in the scene: the host activates the "MasterHandler" and "ShaderHandler"
// servers of its loaded modules, creates one instance per master plug-in and per shader on a
// surface, loads and saves their blocks inside scene files, hands them renumbered item IDs,
// sends masters their events, drives shaders through the render cycle and opens their panels.
//
// Creation contexts:
//   masters  the Scene object this Plugins works on (its address never changes);
//   shaders  the surface's LWSurfaceID as a pointer-sized integer (see lwshader.h); surface IDs
//            are never reused, so the context names the same surface for the instance's life.
//
// Scene files. loadScene / readScene read the file without plug-ins, release the instances of
// the scene being replaced (after keeping their blocks as text), put the new scene in place and
// only then create and load its instances, so that plug-ins see the new scene through the scene
// globals while loading and a plug-in whose destruction resets shared state cannot wipe what a
// new instance just loaded. A failure puts the old scene back and rebuilds its instances from
// the kept text. Saving first stores every instance's blocks as its section's text, then
// writes the scene through SceneFile.
//
// A section whose server no loaded module offers (or whose server refused activation) keeps its
// text: the scene stays loadable and saves the section unchanged. The host warns once per
// server through its message log.
//
// Main thread only. Destroy a Plugins before the host unloads the modules its instances use.
#pragma once

#include <lwsdk/lwhandler.h>
#include <lwsdk/lwmaster.h>
#include <lwsdk/lwshader.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "lwhost/scene/scene.h"
#include "lwhost/scene/scene_file.h"

namespace lwhost {

class Host;
class XPanel;
struct GraphNode;
struct UnreadBlock;
struct HostIdentity;

// Versions the host asks its servers for.
constexpr int kMasterHandlerVersion = 4;
constexpr int kPanelInterfaceVersion = 4;  // "MasterInterface", "ShaderInterface"
// "ShaderHandler": 4 on hosts 9.3 and 9.4 (and older), 5 on 9.5, 6 from 9.6 on.
int shaderHandlerVersion(const HostIdentity& identity);

// The handler class of a section kind and the class of its panel server.
const char* handlerClassName(PluginKind kind);    // "MasterHandler", "ShaderHandler", "NodeHandler"
const char* interfaceClassName(PluginKind kind);  // "MasterInterface", "ShaderInterface", ...

// One activated handler server and the records it filled. Kept at a fixed address for the life
// of the Plugins, since the filled records point into it.
struct HandlerServer {
    PluginKind kind = PluginKind::Master;
    std::string name;
    int version = 0;  // asked for
    int result = -1;  // activate's answer; -1 when no loaded module offers the server
    st_LWInstanceFuncs inst{};
    st_LWItemFuncs item{};
    st_LWRenderFuncs rend{};
    st_LWMasterHandler master{};
    st_LWShaderHandler shader{};

    // Activated and able to create instances.
    bool usable() const { return result == LWACTIVATE_OK && inst.create != nullptr; }
};

// Whether the surface carries a shader of the server; how many of the scene's surfaces do.
bool carriesShader(const Surface& surface, const std::string& server);
size_t surfacesCarrying(const Scene& scene, const std::string& server);

class Plugins {
  public:
    Plugins(Host& host, Scene& scene);
    // Destroys every instance still alive.
    ~Plugins();
    Plugins(const Plugins&) = delete;
    Plugins& operator=(const Plugins&) = delete;

    Host& host() { return m_host; }
    Scene& scene() { return m_scene; }

    // ---- servers ----
    // The server's records, activating it on first use (once per server). Null when it cannot
    // make instances, with the reason in `why`.
    const HandlerServer* server(PluginKind kind, const std::string& name,
                                std::string* why = nullptr);

    // ---- instances ----
    void* masterContext() { return &m_scene; }
    static void* shaderContext(LWSurfaceID surface);
    static LWSurfaceID surfaceOfContext(const void* context);

    // A new instance of the server for the context; null with the server's text in `error`.
    void* create(PluginKind kind, const std::string& server, void* context, std::string& error);
    // A new instance of the same server as `from`, for `context`, holding a copy of it.
    void* copy(void* from, void* context, std::string& error);
    // Destroys an instance this object made (closing its panels first); others are ignored.
    void destroy(void* instance);
    bool alive(void* instance) const { return m_instances.count(instance) != 0; }
    // The server an instance was made from, or null.
    const HandlerServer* serverOf(void* instance) const;
    // The instance's one-line description ("" when it gives none).
    std::string description(void* instance);
    // Loads blocks from text (LWIO_ASCII) whose first line is line `firstLine` of its file. On
    // failure `line` is the line the problem was met at (or `firstLine - 1` when unknown). On
    // success `unread` (when given) receives the blocks no reader asked for.
    bool load(void* instance, const std::string& text, int firstLine, int& line, std::string& error,
              std::vector<UnreadBlock>* unread = nullptr);
    // Writes the instance's blocks as text.
    bool save(void* instance, std::string& text, std::string& error);
    size_t instanceCount() const { return m_instances.size(); }

    // ---- scene sections ----
    // Creates a section's instance and loads its blocks. Node graphs and sections of servers the
    // modules lack stay text. Returns the problem ("" for success) and the file line it is at.
    std::string loadSection(PluginSection& section, const std::string& fileName, int& line);
    // The section's text: its instance's blocks, or the kept text when it has none.
    std::string saveSection(const PluginSection& section, std::string& text);
    void releaseSection(PluginSection& section);
    // Every section's text becomes its instance's blocks as they are now; false with the
    // first failure.
    bool storeSections(std::string& error);

    bool loadScene(const std::string& path, std::string& error);
    bool readScene(const std::string& text, const std::string& fileName, const std::string& baseDir,
                   std::string& error);
    // Through SceneFile::save: a temporary file renamed over `path`. `mayWrite`, when given, is
    // asked once the plug-ins stored their sections (which may show messages): false with the
    // reason writes nothing.
    using WriteCheck = std::function<bool(std::string& why)>;
    bool saveScene(const std::string& path, std::string& error,
                   const WriteCheck& mayWrite = nullptr);
    bool writeScene(std::string& text, std::string& error);
    // Releases every instance of the scene; with `keepText` each section first keeps its
    // instance's blocks as text.
    void releaseAll(bool keepText);

    // ---- scene edits ----
    // Edits are refused while the sections are walked (loading or releasing their instances),
    // so that a plug-in cannot pull a section from under the host.
    // Adds a master plug-in of the server to the scene with a new instance.
    bool applyMaster(const std::string& server, std::string& error);
    // Takes the master at `position` (from 1) out of the scene and destroys its instance.
    bool removeMaster(int position, std::string& error);
    // Adds the shader to the surface with a new instance. A surface carries a server at most
    // once: adding one it has already changes nothing.
    bool addShader(LWSurfaceID surface, const std::string& server, std::string& error);
    // Removes the server's shaders from the surface; false when it had none.
    bool removeShader(LWSurfaceID surface, const std::string& server);
    // The surfaces the "Surf_*" commands act on, in order.
    std::vector<LWSurfaceID>& currentSurfaces() { return m_currentSurfaces; }

    // ---- masters acting through shaders ----
    // A master whose server name a loaded module also offers as a "ShaderHandler" acts only on
    // the surfaces carrying that shader (a scene-wide override and its per-surface half). The
    // names of such shaders for the scene's enabled masters, each once, in master order.
    std::vector<std::string> masterShaders() const;

    // ---- items ----
    // Renumbers the scene's items and hands the pairs to every instance's changeID.
    std::vector<std::pair<LWItemID, LWItemID>> renumber();
    void changeIDs(const std::vector<std::pair<LWItemID, LWItemID>>& pairs);
    // Every item ID any instance says it uses, in instance order, without repeats.
    std::vector<LWItemID> usedItems();

    // ---- events and the render cycle ----
    // Calls `event` of every enabled master whose flags ask for the event: 0x111 and 0x112 need
    // LWMASTF_RECEIVE_NOTIFICATIONS, all others LWMASTF_LAYOUT. The access record's evaluate runs
    // host command lines. Returns the number of masters called.
    int sendMasterEvent(int code, void* data);
    // Shader render calls, surface by surface. init and newTime stop at the first error and
    // return it as "SURFACE: SERVER: text" (empty when all succeeded); the caller runs
    // cleanupShaders afterwards either way.
    std::string initShaders(int mode);
    std::string newTimeShaders(LWFrame frame, LWTime time);
    void cleanupShaders();

    // ---- panels ----
    // Opens the panel of the server at `position` (from 1) of the class: "MasterHandler" counts
    // the scene's masters, "ShaderHandler" the shaders of the current surfaces, surface by
    // surface.
    bool openPanel(const std::string& handlerClass, int position, std::string& error);
    // Activates the instance's "...Interface" server and holds the panel it returns open.
    bool openPanelOf(void* instance, std::string& error);
    // The same for a node of any editor, through its "NodeInterface" server. The node owns the
    // panel: it goes when the node does.
    bool openNodePanel(GraphNode& node, std::string& error);
    // The panel opened last, while it exists.
    XPanel* panel();
    // The user closes the current panel; false when none is open.
    bool closePanel();

    // Runs a command line on the host (what evaluate functions handed to plug-ins do).
    int evaluate(const char* line);

  private:
    struct Instance {
        HandlerServer* server = nullptr;
        std::vector<void*> panels;  // panels opened for it
    };

    // Marks a walk over the scene's sections for as long as it lives.
    struct SectionWalk {
        explicit SectionWalk(Plugins& p) : plugins(p) { ++plugins.m_walking; }
        ~SectionWalk() { --plugins.m_walking; }
        SectionWalk(const SectionWalk&) = delete;
        SectionWalk& operator=(const SectionWalk&) = delete;
        Plugins& plugins;
    };
    bool editable(std::string& error) const;
    // Activates the interface server for the instance and opens what it hands back: a panel is
    // held open (its ID in `shown`), an options function is called.
    bool showInterface(const std::string& iface, const std::string& name, void* instance,
                       void*& shown, std::string& error);

    HandlerServer* activate(PluginKind kind, const std::string& name);
    void warnMissing(const PluginSection& section, const std::string& fileName,
                     const std::string& why);
    void warnUnread(const std::vector<UnreadBlock>& unread, const std::string& fileName);
    bool adopt(Scene& fresh, const std::string& fileName, std::string& error);
    // Masters and shaders of the scene in file order: (section kind, instance).
    std::vector<std::pair<PluginKind, void*>> liveInstances();
    std::string shaderCall(const char* what,
                           const std::function<LWError(const HandlerServer&, void*)>& call);

    Host& m_host;
    Scene& m_scene;
    std::map<std::pair<PluginKind, std::string>, std::unique_ptr<HandlerServer>> m_servers;
    std::unordered_map<void*, Instance> m_instances;
    std::set<std::pair<PluginKind, std::string>> m_warned;
    std::vector<LWSurfaceID> m_currentSurfaces;
    void* m_panel = nullptr;  // LWXPanelID of the panel opened last
    int m_walking = 0;        // section walks under way
};

}  // namespace lwhost
