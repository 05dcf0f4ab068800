// The scene-query globals: "LW Item Info 3", "LW Object Info 4", "Scene Objects 4" and
// "Surface Functions 3", answered from a Scene.
//
// A SceneGlobals publishes the four records in its host's globals table and withdraws them when
// destroyed. The records' functions carry no context: they answer from the scene of the
// current host (Host::current()), and answer "nothing" (0, null, -1) when that host has no
// SceneGlobals.
#pragma once

#include <lwsdk/lwitem.h>
#include <lwsdk/lwobject.h>
#include <lwsdk/lwsurface.h>

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "lwhost/scene/scene.h"

namespace lwhost {

class Host;

class SceneGlobals {
  public:
    SceneGlobals(Host& host, Scene& scene);
    ~SceneGlobals();
    SceneGlobals(const SceneGlobals&) = delete;
    SceneGlobals& operator=(const SceneGlobals&) = delete;

    Scene& scene() { return m_scene; }

    static const st_LWItemInfo* itemInfo();
    static const st_LWObjectInfo* objectInfo();
    static const st_LWObjectFuncs* objectFuncs();
    static const st_LWSurfaceFuncs* surfaceFuncs();
    // Collects the names of the vertex maps plug-ins look up on the calling thread into `names`
    // (null stops); returns the list collected into before. What tells a selection that answers
    // per point from one that answers per object.
    static std::set<std::string>* watchVMapLookups(std::set<std::string>* names);

    // Null-ended surface ID lists, kept until the scene's revision changes so that the pointers
    // handed to plug-ins stay valid meanwhile.
    LWSurfaceID* surfacesByObject(const std::string& objectFile);
    LWSurfaceID* surfacesByName(const std::string& name, const std::string* objectFile);

    // The scene's object files: each distinct file name of the object items, in order of first
    // appearance, known by its first object item (null past the end). Kept like the lists.
    int objectFileCount();
    LWItemID objectFileItem(int index);

  private:
    void dropStaleLists();
    void readObjectFiles();

    Host& m_host;
    Scene& m_scene;
    std::mutex m_listMutex;
    uint64_t m_listRevision = 0;
    std::map<std::string, std::vector<LWSurfaceID>> m_byObject;
    std::map<std::pair<std::string, std::string>, std::vector<LWSurfaceID>> m_byName;
    std::vector<LWItemID> m_objectFiles;
    bool m_objectFilesRead = false;
};

}  // namespace lwhost
