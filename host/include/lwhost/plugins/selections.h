// What each selection node selects: the scene's plug-ins are stepped to a frame as a render
// steps them, then every node graph's selection, light group and comment nodes are asked, through
// the plug-in interface alone, what they built for that frame.
//
//   - Selection nodes (an integer "Logic" output): its output is evaluated with a host-made access
//     record for every polygon of every object; members are the object and surface pairs it
//     answers 1 for. When polygons of one surface answer differently, or the node's "Logic" or
//     "Invert" input is connected, the answer depends on the sample: the node's line says so and
//     shows its stored settings (a weight map and its threshold, for example).
//   - Light group nodes: while their outputs are evaluated, the host's probe calls the
//     illumination function the node hands to its connected inputs once for every light of the
//     scene; members are the lights that reach the host's own function through its wrappers.
//     Shaders get one sample per object and surface, so that a light filter a shader puts around
//     a whole graph (the override's global light group) is listed as "(around the graph)".
//   - Comment nodes: every output, evaluated for every object, as "OBJECT: OUTPUT VALUE".
//
// A plug-in's graph (not a surface's own) acts only where the shader of the scene's master
// (Plugins::masterShaders) is: selected surfaces without it are marked. A node that selects or
// passes nothing by a name pattern shows its settings and how patterns match.
//
// Main thread only, while nothing renders.
#pragma once

#include <string>
#include <vector>

namespace lwhost {

class Plugins;

struct ExplainedNode {
    std::string name;                  // the node's name in its graph
    std::string line;                  // the node's line, without indentation
    std::vector<std::string> notes;    // lines beneath it about how it answers
    std::vector<std::string> members;  // the lines beneath them: what it selects
    // Beside each member of a selection, when not empty: a selected surface of a plug-in's graph
    // that carries no shader of the graph's master ("no qrvLumavex shader: not overridden").
    std::vector<std::string> marks;
};

struct ExplainedGraph {
    std::string line;  // the graph's line
    std::vector<ExplainedNode> nodes;
};

// Steps the scene to `frame` and explains every node graph; false with `error` when a plug-in
// refused to step.
bool explainSelections(Plugins& plugins, int frame, std::vector<ExplainedGraph>& out,
                       std::string& error);
// The readable listing: a header, a line per graph, per node (two spaces in) and per note and
// member (four spaces in).
std::string formatSelections(int frame, const std::vector<ExplainedGraph>& graphs);

}  // namespace lwhost
