// The boolean logic node through the real host: every operation with check boxes and connected
// inputs, unknown operations, the panel blanking connected inputs, and its blocks.
#include <gtest/gtest.h>

#include <string>

#include "bundle_fixtures.h"
#include "selection/logic_node.h"

namespace {

using lwhost::GraphNode;

class LogicNodeTest : public bundle_test::GraphTest {
  protected:
    void feed(GraphNode* node, const std::string& input, int value) {
        connect(make("IntegerConstant", "Value " + std::to_string(value) + "\n"), "Value", node,
                input);
    }
    int out(GraphNode* node) {
        int v = -1;
        evaluate(node, "Out", &v);
        return v;
    }
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
    lwhost::XPanel& p = panel(node);
    feed(node, "A", 0);
    EXPECT_FALSE(p.value(LogicNode::kInputA).present);
    EXPECT_TRUE(p.value(LogicNode::kInputB).present);
    h.host.nodes().disconnect(node->input("A"));
    EXPECT_EQ(p.value(LogicNode::kInputA).i, 1);
    ASSERT_TRUE(p.setInt(LogicNode::kOperation, 2));
    ASSERT_TRUE(p.setInt(LogicNode::kInvert, 1));
    EXPECT_EQ(out(node), 0);  // not (1 XOR 0)
}

TEST_F(LogicNodeTest, BlocksRoundTripInTheirOrder) {
    GraphNode* node = make("qrvBoolLogic", "InputB 1\nOperation 2\nInvert 2\n");
    EXPECT_EQ(saved(node), "Operation 2\nInputA 0\nInputB 1\nInvert 0\n");
}

}  // namespace
