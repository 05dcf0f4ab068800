// The master's scene editing: adding or removing the override shader on every surface through
// host commands, and switching surfaces' own node graphs off for a render.
#include <vexo/items.h>
#include <vexo/node.h>
#include <vexo/server.h>

#include <lwsdk/lwcommand.h>
#include <lwsdk/lwitem.h>
#include <lwsdk/lwobject.h>

#include <set>
#include <string>
#include <vector>

#include "master.h"

void GlobalShaderMaster::applyShader(bool add) {
    // Hosts before 10 crash on surfaces with several shaders: let the artist back out.
    if (vexo::LightWave::majorVersion() < 10) {
        vexo::LWMessage* messages = vexo::messageService();
        const st_LWMessageFuncs* m =
            messages && messages->available() ? messages->getGlobal() : nullptr;
        const int answer =
            m && m->okCancel
                ? m->okCancel("lumavex: Add/Remove Shader",
                              "\x03(j:1)*** WARNING ***\nThis function will crash Layout if "
                              "surfaces have more than one shader applied!\nThis issue has been "
                              "fixed in LightWave 3D 9.6.1",
                              "Would you like to continue adding/removing the shader?")
                : LWMSG_CANCEL;
        if (answer != LWMSG_OK) return;
    }

    vexo::ItemInfo items;
    vexo::ObjectInfo objects;
    vexo::LWSurface surfaces;
    int counter = 0;
    std::vector<std::string> failed;
    std::set<std::string> filesDone;  // clones share their file's surfaces: one round each
    for (LWItemID object = items.first(LWI_OBJECT); object; object = items.next(object)) {
        const st_LWObjectInfo* info = objects.available() ? objects.getGlobal() : nullptr;
        if (!info || info->numPoints(object) <= 0) continue;
        const char* file = info->filename(object);
        if (!file || !filesDone.insert(file).second) continue;
        for (const vexo::LWSurface& surface : surfaces.byObject(file)) {
            const char* name = surface.name();
            if (!name) name = "";
            if (add)
                vexo::SendCommand("StatusMsg", "Applying qrvLumavex to %s", name);
            else
                vexo::SendCommand("StatusMsg", "Removing qrvLumavex from %s", name);
            // Only a surface that really became the current one is changed, and only one whose
            // every command succeeded is counted.
            bool done = vexo::SendCommand("Surf_SetSurf " + vexo::quoteArgument(name) + " " +
                                          vexo::quoteArgument(file)) == LWCMD_OK;
            done = done && vexo::SendCommand("Surf_RemShader qrvLumavex") == LWCMD_OK;
            if (add) done = done && vexo::SendCommand("Surf_AddShader qrvLumavex") == LWCMD_OK;
            if (done)
                ++counter;
            else
                failed.push_back(name);
        }
    }
    vexo::LWMessage* messages = vexo::messageService();
    if (counter > 0) {
        const std::string text = std::string(add ? "Applied" : "Removed") + " lumavex " +
                                 (add ? "to " : "from ") + std::to_string(counter) + " surfaces.";
        if (messages)
            messages->info(text.c_str(), "Please save all objects to make the changes permanent");
    }
    if (!failed.empty()) {
        const std::string text = std::string("lumavex could not be ") +
                                 (add ? "applied to " : "removed from ") +
                                 std::to_string(failed.size()) + " surfaces.";
        // The first few, so that the message stays short in a large scene.
        constexpr size_t kNamed = 10;
        std::string names;
        for (size_t i = 0; i < failed.size() && i < kNamed; ++i)
            names += (i == 0 ? "" : ", ") + failed[i];
        if (failed.size() > kNamed) names += ", ...";
        if (messages) messages->error(text.c_str(), names.c_str());
    }
}

void GlobalShaderMaster::disableNodes() {
    vexo::LWSurface surfaces;
    if (!surfaces.available()) return;
    const st_LWSurfaceFuncs* sf = surfaces.getGlobal();
    for (LWSurfaceID s = surfaces.first(); s; s = surfaces.next(s)) {
        vexo::NodeEditor editor(static_cast<NodeEditorID>(sf->getNodeEditor(s)));
        if (!editor.id() || (editor.state() & 0xFFFF) == 0) continue;
        editor.setState(0);
        m_switchedOff.push_back(s);
    }
}

void GlobalShaderMaster::enableNodes() {
    vexo::LWSurface surfaces;
    const st_LWSurfaceFuncs* sf = surfaces.available() ? surfaces.getGlobal() : nullptr;
    while (!m_switchedOff.empty()) {
        const LWSurfaceID s = m_switchedOff.back();
        if (sf) {
            vexo::NodeEditor editor(static_cast<NodeEditorID>(sf->getNodeEditor(s)));
            if (editor.id()) editor.setState(1);
        }
        m_switchedOff.pop_back();
    }
}
