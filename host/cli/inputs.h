// The files a command reads, so that none of its outputs replaces one: an image or a scene
// written over the scene, the script, the module or the configuration would lose it. Files are
// told apart by device and file number (inode) with links followed, so a link or another spelling
// of an input is caught as well.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lwhost {
class Scene;
}

namespace lwhost::cli {

class InputFiles {
  public:
    // `what` names the input in messages ("the scene"); a path naming nothing is not kept (it
    // cannot be replaced, and reading it fails on its own).
    void add(const std::string& what, const std::string& path);
    // The OBJ files of a scene read from `scenePath` (named relative to its directory).
    void addObjects(const Scene& scene, const std::string& scenePath);
    // False with "cannot write OUTPUT: it is WHAT PATH, which this run reads" when `output`
    // names one of the inputs.
    bool mayWrite(const std::string& output, std::string& error) const;

  private:
    struct Input {
        std::string what;
        std::string path;
        uint64_t device;
        uint64_t file;
    };
    std::vector<Input> m_inputs;
};

}  // namespace lwhost::cli
