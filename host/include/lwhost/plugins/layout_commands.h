// The host's scene-editing commands, defined on the host's command processor, and the running
// of "LayoutGeneric" servers.
//
//   ApplyServer CLASS NAME      adds a master plug-in (CLASS must be "MasterHandler") with a new
//                               instance
//   EditServer CLASS POSITION   opens the panel of the server at POSITION (from 1) of the class:
//                               "MasterHandler" among the scene's masters, "ShaderHandler" among
//                               the shaders of the current surfaces
//   RemoveServer CLASS POSITION removes the master plug-in at POSITION (CLASS must be
//                               "MasterHandler") and destroys its instance
//   Surf_SetSurf NAME [FILE]    makes the surfaces named NAME (of the object file FILE when
//                               given) the current ones; none found leaves no current surface,
//                               so that later surface commands fail rather than act on the
//                               surfaces chosen before
//   Surf_AddShader SERVER       adds the shader to every current surface that lacks it (a
//                               surface carries a server at most once; adding again is no error)
//   Surf_RemShader SERVER       removes the shader from every current surface (none there is no
//                               error)
//
// Arguments are separated by blanks; a text in double quotes is one argument, taken as it is up
// to the closing double quote, two double quotes inside standing for one (backslashes are not
// escapes, so those in file names stay). A text may not hold control characters but the tab.
// Results: LWCMD_OK; LWCMD_FAILED for bad arguments or a refused edit; unknown verbs
// LWCMD_UNKNOWN (the command processor's answer). "StatusMsg" belongs to the command processor.
#pragma once

#include <lwsdk/lwcommand.h>

#include <string>
#include <vector>

namespace lwhost {

class Host;
class Plugins;

// The version the host activates "LayoutGeneric" servers with.
constexpr int kLayoutGenericVersion = 1;

class LayoutCommands {
  public:
    LayoutCommands(Host& host, Plugins& plugins);
    // The verbs answer LWCMD_UNKNOWN again: they must not reach a destroyed object.
    ~LayoutCommands();
    LayoutCommands(const LayoutCommands&) = delete;
    LayoutCommands& operator=(const LayoutCommands&) = delete;

    // Runs a "LayoutGeneric" server with a local record whose evaluate runs host command lines
    // and whose saveScene / loadScene save and load the scene with its plug-ins. -1 when no
    // loaded module offers it, else its activate result.
    int runGeneric(const std::string& name);

    // Splits command arguments as described above; false for an unterminated text or one
    // holding a control character.
    static bool splitArguments(const std::string& text, std::vector<std::string>& out);

    // The local record's functions (the C callbacks reach these).
    int evaluate(const char* line);
    int saveScene(const char* file);
    int loadScene(const char* file);

  private:
    int applyServer(const std::vector<std::string>& args);
    int editServer(const std::vector<std::string>& args);
    int removeServer(const std::vector<std::string>& args);
    int setSurface(const std::vector<std::string>& args);
    int addShader(const std::vector<std::string>& args);
    int removeShader(const std::vector<std::string>& args);

    Host& m_host;
    Plugins& m_plugins;
};

}  // namespace lwhost
