// The filter node through the real host: which values reach its outputs for each combination of
// filter result, logic operation, invert and pass through; its panel; its blocks in the current
// and the older layout.
#include <gtest/gtest.h>

#include <atomic>
#include <iterator>
#include <string>
#include <thread>

#include "bundle_fixtures.h"
#include "selection/filter_node.h"

namespace {

using lwhost::GraphNode;
using lwhost::NodeSystem;

class FilterNodeTest : public bundle_test::GraphTest {
  protected:
    // A filter node with a red "new" and a blue "base" colour; new time at frame 1.
    GraphNode* filter(const std::string& settings = "") {
        GraphNode* node = make("qrvFilter", settings);
        connect(make("ColourConstant", "Colour 1 0 0\n"), "Colour", node, "newColour");
        connect(make("ColourConstant", "Colour 0 0 1\n"), "Colour", node, "baseColour");
        newTime(node, 1, 1.0 / 30);
        return node;
    }
    int logic(GraphNode* node, LWItemID object = 0) {
        access.objID = object;
        int v = -1;
        evaluate(node, "Logic", &v);
        return v;
    }
    double red(GraphNode* node) {
        double c[3] = {-1, -1, -1};
        evaluate(node, "Colour", c);
        return c[2] == 1.0 ? 0.0 : c[0];  // 1 for "new", 0 for "base"
    }

    LWItemID ball = h.scene.addNull("Ball"), box = h.scene.addNull("Box");
};

TEST_F(FilterNodeTest, LogicInvertAndPassThroughCombineWithTheFilterResultUnconnectedGiveZero) {
    struct Case {
        const char* settings;
        int object;  // 0: the box, 1: the ball
        int expected;
    };
    const Case cases[] = {
        {"", 0, 1},                                                      // a new node: everything
        {"FilterType 2\n{ Filter\n  FilterString \"Ball\"\n}\n", 0, 0},  // Item Name, the box
        {"FilterType 2\n{ Filter\n  FilterString \"Ball\"\n}\n", 1, 1},
        {"LogicOperation 2\n", 0, 1},  // OR with the default 1
        {"LogicOperation 2\nFilterType 2\n{ Filter\n  FilterString \"Ball\"\n}\n", 0, 1},
        {"LogicOperation 1\nFilterType 2\n{ Filter\n  FilterString \"Ball\"\n}\n", 0, 0},
        {"LogicOperation 3\nFilterType 2\n{ Filter\n  FilterString \"Ball\"\n}\n", 1, 0},
        {"PassThrough 1\n", 0, 0},
        {"LogicOperation 1\nFilterType 2\n{ Filter\n  FilterString \"Ball\"\n}\n", 1, 1},
        {"LogicOperation 3\n", 0, 0},  // XOR with 1 inverts
        {"Invert 1\n", 0, 0},
        {"PassThrough 1\nInvert 1\nLogicOperation 2\n", 0, 0},
        {"FilterType 99\n", 0, 1},  // an unknown type selects nothing
    };
    for (const Case& c : cases) {
        GraphNode* node = filter(c.settings);
        SCOPED_TRACE(c.settings);
        EXPECT_EQ(logic(node, c.object ? ball : box), c.expected);
        EXPECT_EQ(red(node), c.expected);
        double scalar = -1;
        evaluate(node, "Scalar", &scalar);
        EXPECT_EQ(scalar, 0.0) << "no scalar input is connected";
    }
}

TEST_F(FilterNodeTest, ConnectedInputsOverrideLogicDefaultAndInvertCheckbox) {
    GraphNode* node = filter("LogicOperation 1\nInvert 1\n");
    lwhost::XPanel& p = panel(node);
    EXPECT_TRUE(p.value(kInvertFilter).present);
    connect(make("IntegerConstant", "Value 0\n"), "Value", node, "Logic");
    EXPECT_EQ(logic(node), 1);  // (true AND 0), inverted by the checkbox
    connect(make("IntegerConstant", "Value 0\n"), "Value", node, "Invert");
    EXPECT_EQ(logic(node), 0);
    EXPECT_FALSE(p.value(kInvertFilter).present);
}

TEST_F(FilterNodeTest, EveryFilterByPositionStoresItsTypeAndShowsItsControls) {
    GraphNode* node = filter();
    lwhost::XPanel& p = panel(node);
    // Per pop-up position: its label, the stored type, and for "Filter", "Include Children",
    // "Pick..." and "Weight Map": hidden (-), shown disabled (d) or shown enabled (e).
    struct Position {
        const char* label;
        unsigned type;
        const char* controls;
    };
    const Position positions[] = {
        {"none", 0, "----"},
        {"Surface List (by Object)", 6, "ede-"},
        {"Surface List (by Scene)", 7, "ede-"},
        {"Surface Name", 1, "ede-"},
        {"Item List", 8, "eee-"},
        {"Item Name", 2, "eee-"},
        {"Object Name", 3, "eee-"},
        {"Weight Map Value", 4, "---e"},
        {"Item Comment", 5, "eed-"},
    };
    const unsigned controls[] = {kFilterText, kIncludeChildren, kPick, kWeightMap};
    ASSERT_EQ(p.popupItems(kFilterBy).size(), std::size(positions));
    for (unsigned i = 0; i < std::size(positions); ++i) {
        const Position& at = positions[i];
        SCOPED_TRACE(at.label);
        EXPECT_EQ(p.popupItems(kFilterBy)[i], at.label);
        EXPECT_EQ(FilterNode::typeOfPopup(FilterNode::popupOfType(at.type)), at.type);
        ASSERT_TRUE(p.setInt(kFilterBy, static_cast<int>(i))) << p.lastError();
        EXPECT_NE(saved(node).find("FilterType " + std::to_string(at.type) + "\n"),
                  std::string::npos);
        std::string shown;
        for (unsigned id : controls)
            shown += !p.visible(id) ? '-' : p.enabled(id).enabled ? 'e' : 'd';
        EXPECT_EQ(shown, at.controls);
        EXPECT_EQ(p.visible(kWeightThreshold), at.controls[3] != '-');
        if (at.controls[1] == 'd') {
            EXPECT_EQ(p.enabled(kIncludeChildren).message, "Only available if you filter by Item");
        }
    }
    EXPECT_EQ(FilterNode::typeOfPopup(99), 0u);
    ASSERT_TRUE(p.setInt(kPassThrough, 1));
    for (unsigned id : {kLogicOperation, kFilterBy, kFilterText, kPick, kInvertFilter})
        EXPECT_EQ(p.enabled(id).message, "This node is set to pass through") << id;
    EXPECT_TRUE(p.enabled(kFilterAbout).enabled);
}

TEST_F(FilterNodeTest, AStoredLogicOperationOutsideThePopUpIsRefused) {
    for (const char* settings :
         {"LogicOperation 7\n",
          "LogicOperation 4\nFilterType 5\n{ Filter\n  FilterString \"x\"\n}\n"}) {
        std::string error;
        GraphNode* node = h.host.nodes().addNode(*graph, "qrvFilter", error);
        ASSERT_NE(node, nullptr) << error;
        lwhost::MemoryLoadState state(settings, LWIO_ASCII);
        const char* result = node->server->inst.load(node->instance, state.record());
        EXPECT_STREQ(result ? result : "",
                     "the filter node holds an unreadable \"LogicOperation\".")
            << settings;
    }
}

TEST_F(FilterNodeTest, SavesTheStoredTypeAndReadsBothLayouts) {
    GraphNode* node = filter("FilterType 5\n{ Filter\n  FilterString \"shiny\"\n}\n");
    const std::string text = saved(node);
    EXPECT_NE(text.find("FilterType 5"), std::string::npos) << text;
    EXPECT_NE(text.find("FilterString \"shiny\""), std::string::npos) << text;
    EXPECT_EQ(saved(filter(text)), text);
    // Older files: the filter's blocks directly in the node's, after the type.
    GraphNode* old = filter("FilterType 2\nFilterString \"Ball\"\n");
    EXPECT_NE(saved(old).find("FilterString \"Ball\""), std::string::npos);
}

TEST_F(FilterNodeTest, CopiesKeepOneThresholdInputAndTheFilterSettings) {
    GraphNode* source = filter("FilterType 2\n{ Filter\n  FilterString \"Ball\"\n}\n");
    GraphNode* copy = filter();
    ASSERT_EQ(copy->server->inst.copy(copy->instance, source->instance), nullptr);
    newTime(copy);
    EXPECT_EQ(logic(copy, ball), 1);
    EXPECT_EQ(logic(copy, box), 0);
    int thresholds = 0;
    for (const auto& input : copy->inputs) thresholds += input->name == "weightThreshold";
    EXPECT_EQ(thresholds, 1);
    EXPECT_EQ(copy->inputs.front()->name, "weightThreshold");

    lwhost::XPanel& p = panel(copy);
    ASSERT_TRUE(p.setInt(kFilterBy, 7));
    EXPECT_TRUE(p.value(kWeightThreshold).present);
    connect(make("ScalarConstant", "Value 0.2\n"), "Value", copy, "weightThreshold");
    EXPECT_FALSE(p.value(kWeightThreshold).present);
}

class ModellerNodeTest : public bundle_test::GraphTest {
  protected:
    ModellerNodeTest() : GraphTest(override_test::version(10, 0, 1)) {}
};

// The modelling application has no scene to pick from or to edit a light group of.
TEST_F(ModellerNodeTest, ModellingApplicationHasNoPickOrEditButton) {
    const struct {
        const char* server;
        unsigned gone, kept;
    } rows[] = {{"qrvFilter", kPick, kFilterText},
                {"qrvGlobalLightGroup", 0x9005, 0x9001}};  // its "Edit..." and "Pass Through"
    for (const auto& row : rows) {
        lwhost::XPanel& p = panel(make(row.server));
        EXPECT_EQ(p.control(row.gone), nullptr) << row.server;
        EXPECT_NE(p.control(row.kept), nullptr) << row.server;
    }
}

TEST_F(FilterNodeTest, ItemListNotShownWhileTheHostRenumbersSelectsTheSameItemAfterwards) {
    GraphNode* node =
        filter("FilterType 8\n{ Filter\n  { Items\n    Item \"Ball\"\n    ItemType 0\n  }\n}\n");
    EXPECT_EQ(logic(node, ball), 1);
    lwhost::XPanel& p = panel(node);
    ASSERT_TRUE(p.setInt(kFilterBy, 5));  // "Item Name"
    std::map<LWItemID, LWItemID> ids = renumberNodes();
    ASSERT_TRUE(p.setInt(kFilterBy, 4));  // "Item List" again
    node->server->rend.newTime(node->instance, 1, 0.0);
    EXPECT_EQ(logic(node, ids[ball]), 1);
}

// During a render a sample sees the selection of the last step: a panel change between steps
// shows at the next one, and frees nothing a render thread may be reading meanwhile.
TEST_F(FilterNodeTest, PanelChangesDuringARenderShowAtTheNextStep) {
    lwhost::ObjectData plate;
    plate.source.kind = lwhost::GeometryKind::Inline;
    plate.fileName = "objects/plate.obj";
    plate.mesh.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    ASSERT_TRUE(plate.mesh.addPolygon("Paint", {0, 1, 2}));
    plate.mesh.weightMaps.emplace_back().name = "Heat";
    for (uint32_t p : {0u, 1u, 2u}) plate.mesh.weightMaps[0].setValue(p, 1.0f);
    access.objID = h.scene.addObject("Plate", plate);
    access.polygon = polygonHandle(1);
    for (int k = 0; k < 3; ++k) {
        access.verts[k] = pointHandle(static_cast<uint32_t>(k) + 1);
        access.weights[k] = 1.0f / 3;
    }
    const std::string paint = "FilterType 1\n{ Filter\n  FilterString \"Paint\"\n}\n";
    const struct {
        const char* what;
        std::string settings;
        unsigned control;
        lwhost::PanelValue value;
    } changes[] = {
        {"weight map", "FilterType 4\n{ Filter\n  WeightMap \"Heat\"\n}\n", kWeightMap,
         lwhost::PanelValue::ofInt(0)},
        {"filter by", paint, kFilterBy, lwhost::PanelValue::ofInt(5)},  // "Item Name", no pattern
        {"pattern", paint, kFilterText, lwhost::PanelValue::ofString("Wood")},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.what);
        GraphNode* node = make("qrvFilter", c.settings);
        lwhost::GraphInput* in = root(node, "Logic");
        lwhost::XPanel& p = panel(node);
        auto selected = [&] {
            LWNodalAccess_t a = access;
            int v = -1;
            NodeSystem::evaluate(in, &a, &v);
            return v;
        };
        ASSERT_EQ(node->server->rend.init(node->instance, LWINIT_RENDER), nullptr);
        newTime(node);
        ASSERT_EQ(selected(), 1);

        // A render thread samples while the panel changes, and after it.
        std::atomic<bool> changed{false};
        std::atomic<int> after{0}, wrong{0};
        std::thread render([&] {
            while (after < 50) {
                const bool late = changed;
                if (selected() != 1) ++wrong;
                if (late) ++after;
            }
        });
        EXPECT_TRUE(p.setValue(c.control, c.value)) << p.lastError();
        changed = true;
        render.join();
        EXPECT_EQ(wrong, 0);

        newTime(node, 2, 2.0 / 30);
        EXPECT_EQ(selected(), 0);
        node->server->rend.cleanup(node->instance);
    }
}

}  // namespace
