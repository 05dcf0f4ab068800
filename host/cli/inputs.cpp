// The files a command reads, by identity.
#include "inputs.h"

#include "lwhost/core/platform.h"
#include "lwhost/scene/scene.h"

namespace lwhost::cli {

void InputFiles::add(const std::string& what, const std::string& path) {
    platform::FileInfo info;
    std::string ignored;
    if (path.empty() || !platform::fileStatus(path, info, ignored)) return;
    m_inputs.push_back(Input{what, path, info.device, info.file});
}

void InputFiles::addObjects(const Scene& scene, const std::string& scenePath) {
    // Object files are named as the scene reader takes them: from the scene's directory.
    const size_t slash = scenePath.rfind('/');
    const std::string base =
        slash == std::string::npos ? "" : scenePath.substr(0, slash == 0 ? 1 : slash);
    for (size_t i = 0; i < scene.objectCount(); ++i) {
        const GeometrySource& source = scene.item(scene.objectAt(i))->object.source;
        if (source.kind != GeometryKind::ObjFile || source.path.empty()) continue;
        add("the object file", platform::absolutePath(source.path) || base.empty()
                                   ? source.path
                                   : base + "/" + source.path);
    }
}

bool InputFiles::mayWrite(const std::string& output, std::string& error) const {
    platform::FileInfo info;
    std::string ignored;
    if (!platform::fileStatus(output, info, ignored)) return true;
    for (const Input& in : m_inputs) {
        if (in.device != info.device || in.file != info.file) continue;
        error = "cannot write " + output + ": it is " + in.what + " " + in.path +
                ", which this run reads";
        return false;
    }
    return true;
}

}  // namespace lwhost::cli
