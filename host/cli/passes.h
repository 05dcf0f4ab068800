// Render passes: the scene rendered once as loaded and then once per pass, each pass from the
// scene as loaded with a preset loaded into its master plug-in the way a user loads one.
//
// PRESET is a settings file when it holds a '/' or ends in ".cfg" (loaded through the menu's
// "Load Settings from File..."); otherwise it is a preset the master's "Presets" menu lists,
// by its name ("Clay") or with its location ("[User]Clay"); when several locations list the
// name, the first listed wins.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace lwhost {
class Session;
}

namespace lwhost::cli {

struct RenderPass {
    std::string name;    // in file names: SCENE_NAME.png
    std::string preset;  // empty: the scene as loaded
};

// The render of the scene as loaded, named like a pass in file names.
constexpr char kScenePass[] = "scene";

// Adds "NAME=PRESET" to `passes`; false with the reason for a bad or repeated name.
bool addPass(const std::string& text, std::vector<RenderPass>& passes, std::string& why);

// The settings file the pass loads (relative to the current directory); empty for a preset the
// menu lists by name.
std::string settingsFile(const RenderPass& pass);

// Loads the pass's preset into the scene's first master through its panel's "Presets" menu,
// then closes the panel. False with the reason when the scene has no master, the menu lists no
// such preset, the file does not open or the master refuses it.
bool loadPassPreset(Session& session, const RenderPass& pass, std::string& why);

// Puts the shader of the scene's first master on every surface, for this run only, as the
// master panel's "Scene Editing" > "Add All Shaders" does (a question older hosts ask first is
// answered ok). `shader` and `surfaces` say which shader and how many surfaces carry it now.
// False with the reason when the scene has no master acting through a shader or the command
// fails.
bool addAllShaders(Session& session, std::string& shader, size_t& surfaces, std::string& why);

}  // namespace lwhost::cli
