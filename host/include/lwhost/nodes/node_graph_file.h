// Node graphs in block-structured files: what "NodeEditorFuncs" save and load write and read, and
// the NodeGraph sections of scene files.
//
// Blocks, shown in the text encoding (meant to be written by hand as well):
//
//     Version 1                                   optional; newer versions are refused
//     { Node "Checker" "Checker (1)"              a node: its server's name, then its name in
//       Colour1 1 1 1                             the graph (unique); the node's own blocks
//       Size 0.5                                  follow inside
//     }
//     { Node "Mix" "Mix (1)"
//     }
//     Connect "Mix (1)" "A" "Checker (1)" "Colour"   input "A" of "Mix (1)" is fed by output
//                                                 "Colour" of "Checker (1)"
//     Root "Colour" "Mix (1)" "Colour"             the root's input "Colour" is fed by output
//                                                 "Colour" of "Mix (1)"
//
// Nodes are written in graph order, then the connections of each node's inputs in node and
// input order, then those of the root's inputs. On reading, connections may come in any order,
// before or after the nodes they name.
//
// Reading is all or nothing: nodes are made and loaded aside (names as the editor allows them, at
// most kMaxNodeNameBytes, never cut), every connection is checked (node, input and output names,
// types, cycles, chains deeper than kMaxEvaluationDepth, an input fed twice), and only then does
// the graph replace the old one. A failure leaves the graph as it was and says what is wrong,
// with the line when the reader knows it.
#pragma once

#include <lwsdk/lwio.h>

#include <string>
#include <vector>

#include "lwhost/io/blockio.h"
#include "lwhost/nodes/nodes.h"
#include "lwhost/scene/scene_file.h"

namespace lwhost {

// Block IDs of a graph.
extern const st_LWBlockIdent kGraphBlocks[];  // "VERS" "Version", "NODE" "Node", "CONN" "Connect",
                                              // "ROOT" "Root"; zero-ended
constexpr int kGraphVersion = 1;

// Writes the graph's blocks; false with `error` when a node's save failed (the rest is
// written).
bool writeGraph(NodeGraph& graph, const st_LWSaveState* save, std::string& error);
// Reads a graph into `graph`. `source` (may be null) is the in-memory reader behind `load`: it
// names lines in messages ("line N: ..."), tells damaged data apart from the end and learns which
// node left a block unread.
bool readGraph(NodeGraph& graph, const st_LWLoadState* load, MemoryLoadState* source,
               std::string& error);
// The same with the failure's line apart; a failure is also reported to `source`.
bool readGraph(NodeGraph& graph, const st_LWLoadState* load, MemoryLoadState* source,
               Located& problem);

// A graph as section text (text encoding, no indentation) and back. `firstLine` is the line
// number of the text's first line in its file.
bool saveGraphText(NodeGraph& graph, std::string& text, std::string& error);
// The graphs as one picture in Graphviz's DOT language: each editor a cluster labelled with its
// title and name, each node a box with its name, server and first settings as its saved block
// holds them, each connection an arrow from the output's node labelled "OUTPUT > INPUT", the
// connected root inputs arrows into the editor's "Root".
std::string graphDot(const std::vector<NodeGraph*>& graphs);
// On success `unread` (when given) receives the blocks no reader asked for.
bool loadGraphText(NodeGraph& graph, const std::string& text, int firstLine, std::string& error,
                   std::vector<UnreadBlock>* unread = nullptr);
bool loadGraphText(NodeGraph& graph, const std::string& text, int firstLine, Located& problem,
                   std::vector<UnreadBlock>* unread = nullptr);

// The scene file's NodeGraph sections: a surface whose section has text or is switched on gets
// an editor (createSurfaceEditor) loaded from the text and kept in data->instance.
std::string loadSurfaceGraph(NodeSystem& system, Scene& scene, PluginSection& section,
                             std::vector<UnreadBlock>* unread = nullptr);
// The same with the failure's line apart; false when it failed.
bool loadSurfaceGraph(NodeSystem& system, Scene& scene, PluginSection& section, Located& problem,
                      std::vector<UnreadBlock>* unread = nullptr);
std::string saveSurfaceGraph(NodeSystem& system, const PluginSection& section, std::string& text);
void releaseSurfaceGraph(NodeSystem& system, PluginSection& section);

}  // namespace lwhost
