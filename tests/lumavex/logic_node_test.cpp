// The boolean logic node through the real host: every operation with check boxes and connected
// inputs, unknown operations, the panel blanking connected inputs, and its blocks.
#include <gtest/gtest.h>
#include "lwhost/io/blockio.h"
#include "lwhost/ui/xpanel.h"

#include <string>

#include "logic_node.h"
#include "override_fixture.h"

namespace {

using lwhost::GraphNode;

class LogicNodeTest : public ::testing::Test {
  protected:
    LogicNodeTest() { graph = h.host.nodes().createEditor("Surface", "logic", nullptr, nullptr); }
    ~LogicNodeTest() override { h.host.nodes().destroyEditor(graph); }

    GraphNode* make(const std::string& server, const std::string& settings = "") {
        return override_test::addNode(h.host, *graph, server, settings);
    }
    void feed(GraphNode* node, const std::string& input, int value) {
        std::string error;
        GraphNode* constant = make("IntegerConstant", "Value " + std::to_string(value) + "\n");
        EXPECT_TRUE(h.host.nodes().connect(constant, "Value", node, input, error)) << error;
    }
    int out(GraphNode* node) {
        lwhost::GraphInput* in = h.host.nodes().addRootInput(
            *graph, LWNODE_INTEGER, "in" + std::to_string(++roots), nullptr);
        std::string error;
        EXPECT_TRUE(h.host.nodes().connect(node->output("Out"), in, error)) << error;
        LWNodalAccess_t access{};
        int v = -1;
        lwhost::NodeSystem::evaluate(in, &access, &v);
        return v;
    }

    override_test::OverrideHost h;
    lwhost::NodeGraph* graph = nullptr;
    int roots = 0;
};

TEST_F(LogicNodeTest, OperationsCombineCheckBoxesAndConnectedInputs) {
    struct Case {
        const char* settings;
        int a, b;  // -1: unconnected
        int expected;
    };
    const Case cases[] = {
        {"", -1, -1, 0},
        {"Operation 1\n", 1, -1, 1},
        {"Operation 1\n", 0, -1, 0},
        {"Operation 1\nInputB 1\n", 0, -1, 1},
        {"Operation 2\n", 1, 1, 0},
        {"Operation 2\nInvert 1\n", 1, 1, 1},
        {"Operation 3\nInputA 1\nInputB 1\n", 1, 0, 0},  // unknown: AND
        {"InputA 1\nInputB 1\n", 5, -1, 1},              // any non-zero is true
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.settings) + std::to_string(c.a) + std::to_string(c.b));
        GraphNode* node = make("qrvBoolLogic", c.settings);
        if (c.a >= 0) feed(node, "A", c.a);
        if (c.b >= 0) feed(node, "B", c.b);
        EXPECT_EQ(out(node), c.expected);
    }
}

TEST_F(LogicNodeTest, ConnectedInputBlanksItsCheckBoxWhichComesBackOnDisconnect) {
    GraphNode* node = make("qrvBoolLogic", "InputA 1\n");
    st_LWInterface local{node->instance, nullptr, nullptr};
    ASSERT_EQ(h.host.activate(LWNODE_ICLASS, "qrvBoolLogic", 4, &local), LWACTIVATE_OK);
    lwhost::XPanel* panel = h.host.xpanels().find(local.panel);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->popupItems(LogicNode::kOperation),
              (std::vector<std::string>{"A AND B", "A OR B", "A XOR B"}));
    feed(node, "A", 0);
    EXPECT_FALSE(panel->value(LogicNode::kInputA).present);
    EXPECT_TRUE(panel->value(LogicNode::kInputB).present);
    h.host.nodes().disconnect(node->input("A"));
    EXPECT_EQ(panel->value(LogicNode::kInputA).i, 1);
    ASSERT_TRUE(panel->setInt(LogicNode::kOperation, 2));
    ASSERT_TRUE(panel->setInt(LogicNode::kInvert, 1));
    EXPECT_EQ(out(node), 0);  // not (1 XOR 0)
}

TEST_F(LogicNodeTest, BlocksRoundTripInTheirOrder) {
    GraphNode* node = make("qrvBoolLogic", "InputB 1\nOperation 2\nInvert 2\n");
    lwhost::MemorySaveState state(LWIO_TEXT);
    ASSERT_EQ(node->server->inst.save(node->instance, state.record()), nullptr);
    state.finish();
    EXPECT_EQ(state.bytes(), "Operation 2\nInputA 0\nInputB 1\nInvert 0\n");
}

}  // namespace
