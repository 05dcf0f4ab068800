// Node graphs built by scripts through lwhost run: the example scripts, filter nodes of every
// kind through their panels and pickers, surface graphs, and edits that are refused.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "lwhost/io/png.h"
#include "run_program.h"
#include "temp_dir.h"
#include "test_paths.h"

namespace {

// `text` with `from` (which it must hold) replaced by `to`.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// The line of the text's first `marker`, counted from 1.
int lineOf(const std::string& text, const std::string& marker) {
    const size_t at = text.find(marker);
    EXPECT_NE(at, std::string::npos) << marker;
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
}

// Opens the override's graph as a user does.
const char* const kOpenGraph = "panel open MasterHandler 1\npanel click \"Nodal Graph...\"\n";

class LwhostGraphTest : public ::testing::Test {
  protected:
    // Runs a script (an example's name, or text written to a file) on a scene (an example's
    // name or a path), saving to out.lws.
    ProgramResult run(const std::string& scene, const std::string& script, bool text = false) {
        std::string path = EXAMPLES_DIR + ("/" + script);
        if (text) {
            path = dir + "/t.lwscript";
            std::ofstream(path) << script;
        }
        const std::string scenePath =
            scene.find('/') == std::string::npos ? EXAMPLES_DIR + ("/" + scene) : scene;
        return runProgram(lwhostProgram() + " --dir Content=" + dir + " run " + scenePath + " " +
                          path + " -o " + dir + "/out.lws");
    }
    bool saved() const { return ::access((dir + "/out.lws").c_str(), F_OK) == 0; }
    // Writes a scene into the work directory; its path.
    std::string scene(const std::string& name, const std::string& text) const {
        std::ofstream(dir + "/" + name) << text;
        return dir + "/" + name;
    }

    TempDir temp{"lwhost_graph"};
    const std::string dir = temp.path;
};

TEST_F(LwhostGraphTest, ExampleScriptsBuildTheirGraphsAndTheDemoGraphEqualsTheStoredOne) {
    const std::string print = std::string(kOpenGraph) + "graph print\n";
    const ProgramResult stored = run("demo.lws", print, true);
    ASSERT_EQ(stored.status, 0) << stored.err;
    ASSERT_NE(stored.out.find("{ Node \"Checker\" \"Tiles\""), std::string::npos) << stored.out;

    ASSERT_EQ(run("demo.lws", "demo_graph.lwscript").status, 0);
    // Moved aside: a run never saves over the scene it loaded.
    std::filesystem::rename(dir + "/out.lws", dir + "/built.lws");
    const ProgramResult rebuilt = run(dir + "/built.lws", print, true);
    ASSERT_EQ(rebuilt.status, 0) << rebuilt.err;
    EXPECT_EQ(rebuilt.out, stored.out);

    // The other two check what they built with expect verbs of their own.
    for (const char* example :
         {"demo.lws selection.lwscript", "comment_values.lws comment_values.lwscript"}) {
        const std::string pair = example;
        const size_t blank = pair.find(' ');
        const ProgramResult r = run(pair.substr(0, blank), pair.substr(blank + 1));
        EXPECT_EQ(r.status, 0) << example << ": " << r.err;
    }
}

TEST_F(LwhostGraphTest, FilterNodesOfEveryKindAreBuiltThroughTheirPanelsAndPickers) {
    // Per kind: the node, the "Filter by" item, what the panel and pickers take, and a line the
    // stored graph must hold.
    struct Row {
        const char* node;
        const char* kind;
        const char* actions;
        const char* stored;
    };
    const Row rows[] = {
        {"SO", "Surface List (by Object)",
         "queue click Unselected \"Floor -> Floor\"\nqueue press Select\nqueue press Ok\n"
         "panel click Pick...\n",
         "    { Object\n      Name \"Floor\"\n      Surface \"Floor\"\n"},
        {"SS", "Surface List (by Scene)",
         "queue click Unselected Wood\nqueue press Select\nqueue press Ok\npanel click Pick...\n",
         "  FilterType 7\n  { Filter\n    Surface \"Wood\"\n"},
        {"SN", "Surface Name",
         "queue click \"\" Chrome\nqueue press Replace\npanel click Pick...\n"
         "expect panel-value Filter Chrome\n",
         "FilterString \"Chrome\""},
        {"IL", "Item List",
         "panel set \"Include Children\" on\nqueue click Unselected Rig\nqueue press Select\n"
         "queue press Ok\npanel click Pick...\n",
         "    IncludeChildren 1\n    { Items\n      Item \"Rig\"\n"},
        {"IN", "Item Name",
         "queue click \"\" Crate\nqueue press Replace\npanel click Pick...\n"
         "expect panel-value Filter Crate\n",
         "  FilterType 2\n  { Filter\n    FilterString \"Crate\"\n"},
        {"ON", "Object Name",
         "queue click \"\" Ball\nqueue press Replace\npanel click Pick...\n"
         "queue click \"\" Floor\nqueue press Append\npanel click Pick...\n"
         "expect panel-value Filter \"Ball|Floor\"\n",
         "FilterString \"Ball|Floor\""},
        {"WM", "Weight Map Value",
         "panel set \"Weight Map\" Fade\npanel set \"Weight Threshold\" 0.25\n"
         "expect panel-value \"Weight Threshold\" 0.25\n",
         "    WeightMap \"Fade\"\n"},
        {"IC", "Item Comment",
         "panel set Filter hero\npanel set \"Include Children\" on\n"
         "expect panel-value Filter hero\n",
         "  FilterType 5\n  { Filter\n    FilterString \"hero\"\n    IncludeChildren 1\n"},
    };
    std::string script = kOpenGraph;
    for (const Row& row : rows)
        script += std::string("graph add qrvFilter ") + row.node + "\npanel open NodeHandler " +
                  row.node + "\npanel set \"Filter by\" \"" + row.kind + "\"\n" + row.actions;
    // Joined as a user joins selections: two filters into a logic node, and that into a third.
    script +=
        "graph add qrvBoolLogic Both\ngraph connect SN Logic Both A\ngraph connect IN Logic Both "
        "B\npanel open NodeHandler IC\npanel set \"Logic Operation\" \"Logic AND Filter\"\n"
        "graph connect Both Out IC Logic\ngraph root IC Logic Override\n"
        "expect connection Both Out IC Logic\nexpect root IC Logic Override\n"
        "expect queue-empty\ngraph print\n";

    const ProgramResult r = run("basic.lws", script, true);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const Row& row : rows) EXPECT_NE(r.out.find(row.stored), std::string::npos) << row.kind;
    EXPECT_NE(r.out.find("Root \"Override\" \"IC\" \"Logic\""), std::string::npos) << r.out;
}

TEST_F(LwhostGraphTest, SurfaceGraphIsBuiltEditedAndSavedWithTheScene) {
    const ProgramResult r =
        run("basic.lws",
            "graph surface Floor\ngraph state on\n"
            "graph add Checker T\ngraph add ColourConstant C\n"
            "graph connect C Colour T \"Colour 1\"\ngraph root T Colour Colour\n"
            "graph set C Colour 1 0 0\ngraph rename T Tiles\n"
            "expect connection C Colour Tiles \"Colour 1\"\n"
            "graph remove C\ngraph set Tiles Size 2\n"
            "expect node-value Tiles Size 2\nexpect graph-nodes 1\nsave\n",
            true);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string scene = readWholeFile(dir + "/out.lws");
    EXPECT_NE(scene.find("  NodeGraph on\n    Version 1\n    { Node \"Checker\" \"Tiles\"\n"
                         "      Colour1 1 1 1\n      Colour2 0 0 0\n      Size 2\n    }\n"
                         "    Root \"Colour\" \"Tiles\" \"Colour\"\n  EndNodeGraph\n"),
              std::string::npos)
        << scene;
}

// Edits the host itself refuses: a graph of a surface name several surfaces share or none has,
// and a pop-up value outside its items (the host's pop-ups send only the index of one). The
// script stops at that line and saves nothing.
TEST_F(LwhostGraphTest, EditsTheHostCannotMakeStopTheScriptAndSaveNothing) {
    const std::string popUp =
        std::string(kOpenGraph) + "graph add qrvFilter F\npanel open NodeHandler F\npanel set ";
    const struct {
        const char* scene;
        std::string script;
        const char* message;
    } rows[] = {
        {"comment_values.lws", "graph surface Paint", "1: 3 surfaces are named \"Paint\""},
        {"comment_values.lws", "graph surface Nope", "1: the scene has no surface \"Nope\""},
        {"basic.lws", popUp + "\"Logic Operation\" 7",
         "5: pop-up \"Logic Operation\" has items 0 to 3, not 7"},
        {"basic.lws", popUp + "\"Logic Operation\" -1",
         "5: pop-up \"Logic Operation\" has items 0 to 3, not -1"},
        {"basic.lws", popUp + "\"Filter by\" 99",
         "5: pop-up \"Filter by\" has items 0 to 8, not 99"},
    };
    for (const auto& row : rows) {
        const ProgramResult r = run(row.scene, row.script + "\nsave\n", true);
        EXPECT_EQ(r.status, 1) << row.script;
        EXPECT_NE(r.err.find(std::string("t.lwscript:") + row.message), std::string::npos)
            << row.script << ": " << r.err;
        EXPECT_FALSE(saved()) << row.script;
    }
}

// A text is held to the 1023 bytes a load reads back whole: refused where it is entered (typed,
// appended by a picker, picked) with the value kept, and a longer one stored in a scene fails
// the load at its line instead of being cut (a cut pattern selects nothing, a cut name finds
// nothing).
TEST_F(LwhostGraphTest, TextsLongerThanALoadReadsAreRefusedWhereEnteredAndWhereStored) {
    const std::string longText(1024, 'x');
    const std::string base = readWholeFile(EXAMPLES_DIR + std::string("/light_groups.lws"));
    // An object and a surface named by a long text, for the pickers.
    const std::string named = replaced(
        base, "Object \"Twin\"",
        "Object \"" + longText + "\"\n  Sphere \"" + longText + "\" 1 8\nEnd\n\nObject \"Twin\"");
    const std::string pick = "queue press Select\nqueue press Ok\npanel click Pick...\n";
    const struct {
        std::string actions;  // on a filter node "F" of the "Item Name" kind
        std::string refused;  // the text the graph must not hold afterwards
        std::string message;
    } entered[] = {
        {"panel set Filter \"" + longText + "\"\nexpect panel-value Filter \"\"\n", longText,
         "The text for \"Filter\" is 1024 bytes long"},
        {"panel set Filter " + std::string(1020, 'x') +
             "\nqueue click \"\" Ball\nqueue press Append\npanel click Pick...\n",
         std::string(1020, 'x') + "|Ball", "The pattern after \"Append\" is 1025 bytes long"},
        {"panel set \"Filter by\" \"Surface List (by Scene)\"\nqueue click Unselected \"" +
             longText + "\"\n" + pick,
         longText, "A picked surface's name is 1024 bytes long"},
        {"panel set \"Filter by\" \"Item List\"\nqueue click Unselected \"" + longText + "\"\n" +
             pick,
         longText, "A picked item's name is 1024 bytes long"},
        {"graph add qrvGetScalarComment C\npanel open NodeHandler C\n"
         "panel set \"Scalar Comment Name\" \"" +
             longText + "\"\n",
         longText, "The text for \"Scalar Comment Name\" is 1024 bytes long"},
    };
    const std::string path = scene("named.lws", named);
    const char* const kLimit = "; texts hold at most 1023 bytes.";
    const auto quoted = [](const std::string& text) {
        std::string q = "\"";
        for (char c : text) q += c == '"' ? std::string("\\\"") : std::string(1, c);
        return q + "\"";
    };
    for (const auto& row : entered) {
        const ProgramResult r =
            run(path,
                std::string(kOpenGraph) + "graph add qrvFilter F\npanel open NodeHandler F\n" +
                    "panel set \"Filter by\" \"Item Name\"\n" + row.actions +
                    "expect dialog error " + quoted(row.message + kLimit) + "\ngraph print\n",
                true);
        EXPECT_NE(r.err.find("error: " + row.message), std::string::npos) << row.message << r.err;
        EXPECT_EQ(r.err.find("t.lwscript:"), std::string::npos) << row.message << r.err;
        EXPECT_NE(r.out.find("{ Node \"qrvFilter\" \"F\""), std::string::npos) << row.message;
        EXPECT_EQ(r.out.find(row.refused), std::string::npos) << row.message;
    }

    const std::string filter = "      FilterType 2\n      { Filter\n        FilterString \"Ball\"";
    const struct {
        std::string from, to;
        const char* marker;  // on the line the load fails at
        std::string message;
    } stored[] = {
        {"FilterString \"Ball\"", "FilterString \"" + longText + "\"", "FilterString \"xx",
         "node \"Ball only\": the filter's \"FilterString\" is longer than 1023 bytes."},
        {"FilterString \"Key|Rim\"", "FilterString \"" + longText + "\"", "FilterString \"xx",
         "the light filter's \"FilterString\" is longer than 1023 bytes."},
        {filter, "      FilterType 7\n      { Filter\n        Surface \"" + longText + "\"",
         "Surface \"xx", "node \"Ball only\": the filter's \"Surface\" is longer than 1023 bytes."},
        {filter,
         "      FilterType 8\n      { Filter\n        { Items\n          Item \"" + longText +
             "\"\n        }",
         "Item \"xx",
         "node \"Ball only\": an item reference's \"Item\" is longer than 1023 bytes."},
        {"    { Node \"Lambert\"",
         "    { Node \"qrvGetScalarComment\" \"C\"\n      { Setting\n        CommentName \"" +
             longText + "\"\n      }\n    }\n    { Node \"Lambert\"",
         "CommentName \"xx", "node \"C\": the comment node's \"CommentName\" is longer"},
    };
    for (const auto& row : stored) {
        const std::string text = replaced(base, row.from, row.to);
        const ProgramResult r = runProgram(lwhostProgram() + " info " + scene("s.lws", text));
        EXPECT_EQ(r.status, 2) << row.message;
        EXPECT_NE(r.err.find("s.lws:" + std::to_string(lineOf(text, row.marker)) +
                             ": MasterHandler qrvLumavex: " + row.message),
                  std::string::npos)
            << r.err;
    }
    // As long as a load reads back, a text is taken whole.
    const std::string longest =
        replaced(base, "FilterString \"Ball\"", "FilterString \"" + longText.substr(1) + "\"");
    const ProgramResult r = runProgram(lwhostProgram() + " info " + scene("s.lws", longest));
    EXPECT_EQ(r.status, 0) << r.err;
}

// Node names are held to the 4095 bytes the graph loader reads back, and chains of nodes (each
// feeding the next) to the 256 the evaluator follows, which took a longer chain's far end as
// unconnected (a red chain of 257 nodes rendered white): refused when entered, connected or
// loaded, at their line.
TEST_F(LwhostGraphTest, NodeNamesAndChainsBeyondWhatLoadsAndEvaluatesAreRefused) {
    // A colour constant, then Multiply nodes each fed by the one before: `nodes` in all.
    const auto chain = [](int nodes, const std::string& first) {
        std::string script = "graph add ColourConstant \"" + first + "\"\n";
        for (int i = 1; i < nodes; ++i) script += "graph add Multiply M" + std::to_string(i) + "\n";
        script += "graph connect \"" + first + "\" Colour M1 A\n";
        for (int i = 2; i < nodes; ++i)
            script += "graph connect M" + std::to_string(i - 1) + " Colour M" + std::to_string(i) +
                      " A\n";
        return script;
    };
    const std::string longName(4096, 'n');
    const struct {
        std::string script;  // after the graph's opening and "graph add Checker Tiles"
        int line;
        const char* message;
    } edits[] = {
        {"graph add Checker \"" + longName + "\"", 4,
         "a node name holds at most 4095 bytes, not 4096"},
        {"graph rename Tiles \"" + longName + "\"", 4,
         "a node name holds at most 4095 bytes, not 4096"},
        {chain(257, "C"), 3 + 257 + 256,
         "connecting the colour output \"Colour\" of \"M255\" to the colour input \"A\" of "
         "\"M256\" would make a chain of more than 256 nodes"},
    };
    for (const auto& row : edits) {
        const ProgramResult r =
            run("light_groups.lws",
                std::string(kOpenGraph) + "graph add Checker Tiles\n" + row.script, true);
        EXPECT_EQ(r.status, 1) << row.message;
        EXPECT_NE(r.err.find("t.lwscript:" + std::to_string(row.line) + ": " + row.message),
                  std::string::npos)
            << r.err.substr(0, 300);
    }

    // The same in a surface's graph as stored.
    const std::string base = readWholeFile(EXAMPLES_DIR + std::string("/light_groups.lws"));
    const auto graph = [&base](const std::string& blocks) {
        return replaced(base, "  Diffuse 0.8\n",
                        "  Diffuse 0.8\n  NodeGraph on\n" + blocks + "  EndNodeGraph\n");
    };
    std::string links;
    std::string nodes = "    { Node \"ColourConstant\" \"C\"\n    }\n";
    for (int i = 1; i <= 256; ++i) {
        const std::string m = "\"M" + std::to_string(i) + "\"";
        nodes += "    { Node \"Multiply\" " + m + "\n    }\n";
        links += "    Connect " + m + " \"A\" " +
                 (i == 1 ? std::string("\"C\"") : "\"M" + std::to_string(i - 1) + "\"") +
                 " \"Colour\"\n";
    }
    const struct {
        std::string text;
        const char* marker;
        const char* message;
    } loads[] = {
        {graph(nodes + links), "Connect \"M256\"", "would make a chain of more than 256 nodes"},
        {graph("    { Node \"Checker\" \"" + longName + "\"\n    }\n"), "{ Node \"Checker\"",
         "a name is longer than 4095 bytes"},
    };
    for (const auto& row : loads) {
        const ProgramResult r = runProgram(lwhostProgram() + " info " + scene("s.lws", row.text));
        EXPECT_EQ(r.status, 2) << row.message;
        EXPECT_NE(r.err.find("s.lws:" + std::to_string(lineOf(row.text, row.marker)) + ": "),
                  std::string::npos)
            << r.err.substr(0, 300);
        EXPECT_NE(r.err.find(row.message), std::string::npos) << r.err.substr(0, 300);
    }

    // At both limits a graph is made, saved, loaded and evaluated whole: the floor's red chain
    // of 256 nodes, the first named with 4095 bytes, renders red.
    const ProgramResult made = run(
        "light_groups.lws",
        "graph surface Floor\ngraph state on\n" + chain(256, longName.substr(1)) + "graph set \"" +
            longName.substr(1) + "\" Colour 1 0 0\ngraph root M255 Colour Colour\nsave\n",
        true);
    ASSERT_EQ(made.status, 0) << made.err.substr(0, 300);
    const ProgramResult shot =
        runProgram(lwhostProgram() + " render " + dir +
                   "/out.lws --width 4 --height 3 --quiet -o " + dir + "/floor.png");
    ASSERT_EQ(shot.status, 0) << shot.err.substr(0, 300);
    lwhost::RgbImage image;
    std::string error;
    ASSERT_TRUE(lwhost::readPng(dir + "/floor.png", image, error)) << error;
    const uint8_t* floor = image.pixel(1, 2);
    EXPECT_GT(floor[0], 0);
    EXPECT_EQ(floor[1], 0);
    EXPECT_EQ(floor[2], 0);
}

TEST_F(LwhostGraphTest, BadEditsStopTheScriptAtTheirLineAndSaveNothing) {
    // Line 4 of each script, refused when it runs (status 1; malformed lines are refused before
    // anything runs in the run command's tests). The editor's own refusals are its tests'.
    const std::pair<const char*, const char*> rows[] = {
        {"graph add Checker Tiles", "the graph already has a node named \"Tiles\""},
        {"graph rename Tiles \"\"", "a node needs a name"},
        {"graph add Checker \"a\\nb\"", "holds a control character"},
        {"graph disconnect Tiles Size", "input \"Size\" of \"Tiles\" is not connected"},
        {"graph unroot Colour", "the root's input \"Colour\" is not connected"},
        {"graph remove Nope", "has no node \"Nope\""},
        // A misspelt name is told with the names there are: the node's, or the servers (the
        // host's, then the module's).
        {"graph connect Tiles Colour Tiles Colour1",
         "node \"Tiles\" has no input \"Colour1\" (its inputs: \"Colour 1\", \"Colour 2\", "
         "\"Size\")"},
        {"graph add Chekcer X", "Lambert, Blinn, qrvFilter, qrvBoolLogic, "},
        {"graph set Tiles Size 1 2", "\"Size\" takes 1 number"},
        // Saved as a float, 1e300 would come back as infinity.
        {"graph set Tiles Size 1e300",
         "\"Size\" takes 1 number from -3.40282e+38 to 3.40282e+38, not 1e+300"},
        {"graph set Tiles Colour1 x 1 1", "expected a number, found \"x\""},
        {"graph set Tiles Colr 1", "has no setting \"Colr\" (it has: Colour1, Colour2"},
        {"graph state maybe", "expected on or off"},
        {"expect node-value Tiles Size 2", "node \"Tiles\" holds Size 1, not 2"},
        {"expect root Tiles Colour Colour", "it is not connected"},
        {"panel open NodeHandler Tiles", "is one of the host's own nodes"},
        {"graph list", "no node editor is open"},  // run without opening one
    };
    for (const auto& [line, message] : rows) {
        const bool open = line != rows[std::size(rows) - 1].first;
        const std::string script = (open ? std::string(kOpenGraph) + "graph add Checker Tiles\n"
                                         : "print 1\nprint 2\nprint 3\n") +
                                   line + "\nsave\n";
        const ProgramResult r = run("basic.lws", script, true);
        EXPECT_EQ(r.status, 1) << line;
        EXPECT_EQ(r.err.find("lwhost: " + dir + "/t.lwscript:4: "), 0u) << line << ": " << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << line << ": " << r.err;
        EXPECT_FALSE(saved()) << line;
    }
}

// The demo's graphs as a picture: info writes every editor, graph print --dot the open one, with
// the same text for it.
TEST_F(LwhostGraphTest, DemoGraphsInTheDotLanguage) {
    const char* const kOverride =
        "  subgraph cluster_e0 {\n"
        "    label=\"Surface: lumavex: Global Surface Override\";\n"
        "    e0n0 [label=\"Tiles\\nChecker\\nColour1 0.1 0.55 0.6\\nColour2 0.95 0.88 "
        "0.7\\nSize 0.6\"];\n"
        "    e0n1 [label=\"Shine\\nScalarConstant\\nValue 0.9\"];\n"
        "    e0root [label=\"Root\", shape=doubleoctagon];\n"
        "    e0n0 -> e0root [label=\"Colour > Colour\"];\n"
        "    e0n1 -> e0root [label=\"Value > Specular\"];\n"
        "  }\n";
    const std::string head =
        "digraph \"node graphs\" {\n  rankdir=LR;\n  fontname=\"Helvetica\";\n"
        "  node [shape=box, style=rounded, fontname=\"Helvetica\", fontsize=10];\n"
        "  edge [fontname=\"Helvetica\", fontsize=9];\n";
    const std::string floor =
        "  subgraph cluster_e1 {\n"
        "    label=\"Surface: Floor\";\n"
        "    e1n0 [label=\"Tiles\\nChecker\\nColour1 0.8 0.76 0.7\\nColour2 0.45 0.42 "
        "0.4\\nSize 0.5\"];\n"
        "    e1root [label=\"Root\", shape=doubleoctagon];\n"
        "    e1n0 -> e1root [label=\"Colour > Colour\"];\n"
        "  }\n";
    const ProgramResult info = runProgram(lwhostProgram() + " --quiet info " + EXAMPLES_DIR +
                                          "/demo.lws --graph-dot " + dir + "/demo.dot");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(readWholeFile(dir + "/demo.dot"), head + kOverride + floor + "}\n");
    const ProgramResult printed = run("demo.lws",
                                      std::string(kOpenGraph) +
                                          "graph print --dot\n"
                                          "graph print -dot\n",
                                      true);
    EXPECT_EQ(printed.out, head + kOverride + "}\n");
    EXPECT_NE(printed.err.find("t.lwscript:4: expected --dot or nothing, found \"-dot\""),
              std::string::npos)
        << printed.err;
}

}  // namespace
