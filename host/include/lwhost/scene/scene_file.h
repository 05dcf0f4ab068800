// Scene files (.lws): a line-oriented text format of this host's own.
//
//     LWHostScene 1                           first statement: format and version
//     FrameRange 1 60                         first and last frame
//     FramesPerSecond 30
//     Plugin MasterHandler qrvLumavex         a master plug-in ("Disabled" may follow)
//       ...                                   its blocks, kept as written
//     EndPlugin
//     Null "Rig"                              items: Object, Null, Light, Camera, each with a
//       Position 0 1 0                        name and ended by End; in scene order
//       Rotation 90 0 0                       heading pitch bank, degrees
//       Scale 1 1 1
//       Parent "Other"                        by name; "Parent NAME N" picks the N-th item of
//       Comment "#s:roughness=0.25;"          that name; one comment line per statement
//     End
//     Object "Floor"
//       Plane "Floor" 10 10                   geometry, one of: Plane SURFACE X Z,
//                                             Box SURFACE X Y Z, Sphere SURFACE RADIUS
//                                             [SEGMENTS], File PATH (OBJ, relative to this
//                                             file's directory), or Point X Y Z lines with
//                                             Polygon SURFACE P0 P1 P2 [P3] lines (points
//                                             counted from 0)
//       WeightMap "Fade"                      a weight map on the object's points:
//         Ramp Y 0 2 0 1                      AXIS FROM TO LOW HIGH, generated values
//         Value 3 0.25                        POINT VALUE, a continuous value
//         PolygonValue 0 3 1                  POLYGON POINT VALUE, a discontinuous value
//       End
//     End
//     Light "Key"                             Type distant|point, Colour R G B, Intensity I
//     Camera "Camera"                         FieldOfView DEGREES (horizontal)
//     Surface "Floor" "Floor"                 surface NAME of object file FILE, after the
//       Colour 0.8 0.8 0.8                    objects; Luminosity, Diffuse, Specular, ...
//       Plugin ShaderHandler qrvLumavex       its shaders in order
//       EndPlugin
//       NodeGraph on                          its node graph: on or off, then its blocks
//       EndNodeGraph
//     End
//
// Texts are quoted ("..." with \" \\ \n \t \r \xHH escapes) or single words; '#' outside a
// text starts a comment; indentation is free. A plug-in section's lines are kept verbatim
// (without their common indentation) up to its end line at brace depth 0; braces and quotes
// inside must balance. A node graph section that meets its surface's End first was never ended.
// The file may begin with a UTF-8 byte-order mark.
//
// Reading is all or nothing: a scene is read into a fresh one and swapped in only when every
// statement, file and reference checked out. A failure gives one message "FILE:LINE: why".
#pragma once

#include <functional>
#include <string>

#include "lwhost/scene/scene.h"

namespace lwhost {

enum class PluginKind { Master, Shader, NodeGraph };

// One plug-in section of a scene: its text as the file holds it, and the instance the plug-in
// host made of it (SceneFile itself only reads and writes the text).
struct PluginSection {
    PluginKind kind;
    std::string server;   // server name; empty for node graphs
    LWSurfaceID surface;  // shaders and node graphs: their surface; 0 for masters
    PluginData* data;     // text, line and instance
};

class SceneFile {
  public:
    // Text and scene only: plug-in sections are read and written as their text (a node graph
    // section is written when its text is not empty or the graph is on). The plug-in host
    // turns sections into instances after reading and stores their blocks before writing.
    // False refuses "File" statements (reading untrusted text without touching files).
    bool allowExternalFiles = true;
    // Most points all objects of a scene may have together; a scene with more is refused.
    size_t maxPoints = size_t(1) << 25;

    // Reads the file into `scene` (replaced only on success).
    bool load(const std::string& path, Scene& scene, std::string& error) const;
    // Reads scene text; `fileName` names it in messages, OBJ paths are relative to `baseDir`
    // (empty: the current directory).
    bool read(const std::string& text, const std::string& fileName, const std::string& baseDir,
              Scene& scene, std::string& error) const;
    // The scene as text.
    bool write(const Scene& scene, std::string& text, std::string& error) const;
    // Replaces the file `path` names whole (see lwhost/io/atomic_file.h): a failed save leaves
    // the previous file as it was, and a directory, device or pipe there is refused.
    bool save(const std::string& path, const Scene& scene, std::string& error) const;

    // Calls `f` for every plug-in section of the scene, in file order.
    static void forEachPlugin(Scene& scene, const std::function<void(PluginSection&)>& f);
};

// Largest scene file read.
constexpr size_t kMaxSceneFileBytes = 256u << 20;
// Most items a scene file may declare.
constexpr size_t kMaxSceneItems = 1u << 20;

}  // namespace lwhost
