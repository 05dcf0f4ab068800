// Explaining the override graph from lwhost: what each node selects at a frame, graph errors at
// their own line (alike for info, run and render), and blocks a plug-in never read.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "run_program.h"
#include "temp_dir.h"
#include "test_paths.h"

namespace {

// Line 3 is the master's "Plugin" line; the graph's blocks follow from line 7.
const char kHead[] =
    "LWHostScene 1\n"
    "FrameRange 1 10\n"
    "Plugin MasterHandler qrvLumavex\n"
    "  Version 1\n"
    "  Enabled 1\n"
    "  { Nodes\n";
const char kTail[] =
    "  }\n"
    "EndPlugin\n"
    "Object \"Floor\"\n  Plane \"Floor\" 10 10\n  Comment \"#s:rough=0.8;\"\n"
    "  WeightMap \"Fade\"\n    Ramp Z -5 5 1 0\n  End\nEnd\n"
    "Object \"Ball\"\n  Sphere \"Chrome\" 0.5 8\n  Comment \"hero\"\nEnd\n"
    "Object \"Box\"\n  Box \"Wood\" 1 1 1\nEnd\n"
    "Light \"Key\"\n  Type distant\nEnd\nLight \"Rim\"\n  Type distant\nEnd\n";

class LwhostExplainTest : public ::testing::Test {
  protected:
    void scene(const std::string& graph, const std::string& surfaces = "") {
        std::ofstream(dir + "/scene.lws") << kHead << graph << kTail << surfaces;
    }
    ProgramResult lwhost(const std::string& args) {
        return runProgram(lwhostProgram() + " --dir Settings=" + dir + "/settings " + args);
    }
    ProgramResult script(const std::string& text) {
        std::ofstream(dir + "/a.lwscript") << text;
        return lwhost("run " + dir + "/scene.lws " + dir + "/a.lwscript");
    }

    TempDir temp{"lwhost_explain"};
    const std::string dir = temp.path;
};

TEST_F(LwhostExplainTest, EveryKindOfNodeListsWhatItBuilt) {
    scene(
        "    { Node \"qrvFilter\" \"BySurface\"\n      FilterType 1\n"
        "      { Filter\n        FilterString \"Ch*\"\n      }\n    }\n"
        "    { Node \"qrvFilter\" \"ByItem\"\n      FilterType 2\n"
        "      { Filter\n        FilterString \"Box|Floor\"\n      }\n    }\n"
        "    { Node \"qrvFilter\" \"ByObject\"\n      FilterType 3\n"
        "      { Filter\n        FilterString \"B*\"\n      }\n    }\n"
        "    { Node \"qrvFilter\" \"ByComment\"\n      FilterType 5\n"
        "      { Filter\n        FilterString \"hero\"\n      }\n    }\n"
        // The threshold falls from 0.9 to 0.1 by frame 9; the floor's centre weighs 0.5.
        "    { Node \"qrvFilter\" \"ByWeight\"\n      FilterType 4\n"
        "      { Filter\n        WeightMap \"Fade\"\n        { WeightThreshold\n"
        "          { Channel\n            KeyCount 2\n            Key 0 0.9\n"
        "            Key 0.3 0.1\n          }\n        }\n      }\n    }\n"
        "    { Node \"qrvFilter\" \"BySceneList\"\n      FilterType 7\n"
        "      { Filter\n        Surface \"Wood\"\n      }\n    }\n"
        "    { Node \"qrvFilter\" \"ByObjectList\"\n      FilterType 6\n      { Filter\n"
        "        { Object\n          Name \"Box\"\n          Surface \"Wood\"\n        }\n"
        "      }\n    }\n"
        "    { Node \"qrvFilter\" \"ByItemList\"\n      FilterType 8\n      { Filter\n"
        "        { Items\n          Item \"Ball\"\n          ItemType 0\n        }\n"
        "      }\n    }\n"
        "    { Node \"qrvBoolLogic\" \"Both\"\n      Operation 0\n    }\n"
        "    { Node \"qrvLightGroup\" \"RimOnly\"\n      FilterType 2\n"
        "      { Filter\n        FilterString \"Rim\"\n      }\n    }\n"
        "    { Node \"Lambert\" \"Lit\"\n    }\n"
        "    { Node \"qrvGetScalarComment\" \"Rough\"\n"
        "      { Setting\n        CommentName \"rough\"\n      }\n    }\n"
        "    Connect \"Both\" \"A\" \"ByItem\" \"Logic\"\n"
        "    Connect \"Both\" \"B\" \"ByObject\" \"Logic\"\n"
        "    Connect \"RimOnly\" \"Colour\" \"Lit\" \"Colour\"\n");
    const ProgramResult r = script(
        "explain 1\n"
        "expect selection 1 \"BySurface\" \"Ball / Chrome\"\n"
        "expect selection 1 \"ByItem\" \"Floor / Floor\" \"Box / Wood\"\n"
        "expect selection 1 \"ByObject\" \"Ball / Chrome\" \"Box / Wood\"\n"
        "expect selection 1 \"ByComment\" \"Ball / Chrome\"\n"
        "expect selection 1 \"BySceneList\" \"Box / Wood\"\n"
        "expect selection 1 \"ByObjectList\" \"Box / Wood\"\n"
        "expect selection 1 \"ByItemList\" \"Ball / Chrome\"\n"
        "expect selection 1 \"Both\" \"Box / Wood\"\n"
        "expect selection 1 \"ByWeight\"\n"
        "expect selection 10 \"ByWeight\" \"Floor / Floor\"\n"
        "expect selection 1 \"RimOnly\" \"Rim\"\n"
        "expect selection 1 \"Rough\" \"Floor: Scalar 0.8\" \"Ball: Scalar 0\" \"Box: Scalar "
        "0\"\n");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_NE(r.out.find("\"ByWeight\" qrvFilter: selects 0 of 3 surfaces; depends on the sample "
                         "(it reads the weight map \"Fade\" per point)\n    settings: "),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("WeightMap \"Fade\" { WeightThreshold"), std::string::npos) << r.out;
    // The same listing from info.
    const ProgramResult info = lwhost("info " + dir + "/scene.lws --frame 1");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("  \"RimOnly\" qrvLightGroup: passes 1 of 2 lights\n    Rim\n"),
              std::string::npos)
        << info.out;
    // The override's global light group stands around the whole graph of this example.
    const ProgramResult example =
        lwhost("info " + std::string(EXAMPLES_DIR) + "/light_groups.lws --frame 1");
    EXPECT_NE(example.out.find("  (around the graph): passes 2 of 3 lights\n    Key\n    Rim\n"),
              std::string::npos)
        << example.out << example.err;
    // A failed expectation names what the node lists.
    const ProgramResult wrong = script("expect selection 1 \"BySurface\" \"Box / Wood\"\n");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("it lists \"Ball / Chrome\""), std::string::npos) << wrong.err;
}

// Only the chrome carries the override's shader: what the override selects elsewhere is marked
// (not in a surface's own graph), and a pattern that selects nothing says how patterns match.
TEST_F(LwhostExplainTest, InfoMarksSelectedSurfacesWithoutTheShaderAndEmptyPatterns) {
    const std::string own =
        "    { Node \"qrvFilter\" \"Own\"\n      FilterType 2\n"
        "      { Filter\n        FilterString \"Box\"\n      }\n    }\n";
    scene(
        "    { Node \"qrvFilter\" \"ByItem\"\n      FilterType 2\n"
        "      { Filter\n        FilterString \"Ball|Box\"\n      }\n    }\n"
        "    { Node \"qrvFilter\" \"Blanks\"\n      FilterType 2\n"
        "      { Filter\n        FilterString \"Ball | Box\"\n      }\n    }\n"
        "    { Node \"qrvLightGroup\" \"RimBlank\"\n      FilterType 2\n"
        "      { Filter\n        FilterString \"Rim \"\n      }\n    }\n"
        "    { Node \"Lambert\" \"Lit\"\n    }\n"
        "    Connect \"RimBlank\" \"Colour\" \"Lit\" \"Colour\"\n",
        "Surface \"Chrome\" \"Ball\"\n  Plugin ShaderHandler qrvLumavex\n  EndPlugin\nEnd\n"
        "Surface \"Wood\" \"Box\"\n  NodeGraph on\n" +
            own + "  EndNodeGraph\nEnd\n");
    const ProgramResult r = lwhost("info " + dir + "/scene.lws --frame 1");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string advice =
        "    nothing matches: a pattern is matched whole (\"Ball\" is not \"Ball2\": write "
        "\"Ball*\") and blanks count (\"Ball | Rock\" is \"Ball \" or \" Rock\")\n";
    for (const std::string& part : {
             std::string("\"ByItem\" qrvFilter: selects 2 of 3 surfaces\n    Ball / Chrome\n"
                         "    Box / Wood  (no qrvLumavex shader: not overridden)\n"),
             std::string("\"Own\" qrvFilter: selects 1 of 3 surfaces\n    Box / Wood\n"),
             std::string("\"Blanks\" qrvFilter: selects 0 of 3 surfaces\n    settings: "),
             "FilterString \"Ball | Box\" IncludeChildren 0 }\n" + advice,
             "\"RimBlank\" qrvLightGroup: passes 0 of 2 lights\n    settings: PassThrough 0 "
             "FilterType 2 { Filter FilterString \"Rim \" }\n" +
                 advice,
         })
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
}

TEST_F(LwhostExplainTest, ExpectSelectionRefusesANodeNameTwoGraphsShare) {
    const std::string twin = "    { Node \"qrvFilter\" \"Twin\"\n    }\n";
    scene(twin, "Surface \"Wood\" \"Box\"\n  NodeGraph on\n" + twin + "  EndNodeGraph\nEnd\n");
    const ProgramResult r = script("expect selection 1 \"Twin\" \"Ball / Chrome\"\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("2 graphs hold a node named \"Twin\""), std::string::npos) << r.err;
}

// A bad graph, in the master's block or a surface's, is refused at its own line, once, with the
// same message and status by every command that loads scenes (each refusal is the graph file's).
TEST_F(LwhostExplainTest, GraphErrorsNameTheirLineAlikeForInfoRunAndRender) {
    const std::string node = "    { Node \"qrvFilter\" \"F\"\n    }\n";  // lines 7 and 8
    const std::string surface =
        "Surface \"Wood\" \"Box\"\n  NodeGraph on\n    Root \"Colour\" \"Nobody\" \"Colour\"\n"
        "  EndNodeGraph\nEnd\n";
    const struct {
        std::string graph, surfaces, where, why;
    } rows[] = {
        {node + "    Connect \"F\" \"Logic\" \"Ghost\" \"Logic\"\n", "",
         ":9: ", "no node is named"},
        {"", surface, ":31: ", "no node is named \"Nobody\""},
        // A host node's value that does not read, at its own line.
        {"    { Node \"Checker\" \"T\"\n      Size 0,6\n    }\n", "",
         ":8: ", "node \"T\": \"Size\" takes 1 number"},
    };
    for (const auto& row : rows) {
        scene(row.graph, row.surfaces);
        std::ofstream(dir + "/a.lwscript") << "print \"ran\"\n";
        const std::string file = dir + "/scene.lws";
        for (const std::string& command :
             {"info " + file, "run " + file + " " + dir + "/a.lwscript",
              "render " + file + " -o " + dir + "/out.png"}) {
            const ProgramResult r = lwhost(command);
            EXPECT_EQ(r.status, 2) << command;
            const std::string head = "lwhost: " + file + row.where;
            EXPECT_NE(r.err.find(head), std::string::npos) << command << "\n" << r.err;
            EXPECT_NE(r.err.find(row.why), std::string::npos) << r.err;
            EXPECT_EQ(r.err.find(file, r.err.find(head) + head.size()), std::string::npos) << r.err;
            EXPECT_EQ(r.out, "") << command;
        }
    }
}

TEST_F(LwhostExplainTest, AMisspeltTokenIsReportedAndTheLoadGoesOn) {
    const struct {
        std::string graph, surfaces, warning;
    } rows[] = {
        {"    { Node \"qrvFilter\" \"F\"\n      FilterType 2\n"
         "      { Filter\n        FilterStrng \"Ball\"\n      }\n    }\n",
         "", ":10: FilterStrng: not read by qrvFilter"},
        {"    Conect \"A\" \"B\" \"C\" \"D\"\n", "", ":7: Conect: not read by the node graph"},
        {"",
         "Surface \"Wood\" \"Box\"\n  NodeGraph on\n    { Node \"Checker\" \"T\"\n      Sise 2\n"
         "    }\n  EndNodeGraph\nEnd\n",
         ":32: Sise: not read by Checker"},
    };
    for (const auto& row : rows) {
        scene(row.graph, row.surfaces);
        const ProgramResult r = lwhost("info " + dir + "/scene.lws");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("warning: " + dir + "/scene.lws" + row.warning + "\n"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.err.find("warning", r.err.find("warning") + 1), std::string::npos) << r.err;
    }
}

}  // namespace
