// The four get-comment nodes through the real host: what reaches their outputs for objects with
// and without a value, the "Default" input and the panel default (animated or not), their
// panels with the key popup, and their blocks and copies.
#include <gtest/gtest.h>
#include "lwhost/scene/envelopes.h"

#include <string>

#include "bundle_fixtures.h"
#include "comments/comment_nodes.h"

namespace {

using lwhost::GraphNode;
using V3 = vexo::Vector3<double>;

std::string setting(const std::string& name) {
    return "{ Setting\n  CommentName \"" + name + "\"\n}\n";
}

class CommentNodesTest : public bundle_test::GraphTest {
  protected:
    CommentNodesTest() {
        h.scene.setParent(cube, ball);
        h.scene.item(ball)->comments = {"*s:rough=0.25;", "#v:offset=1,2,3;", "#c:tint=1,0.5,0;",
                                        "#i:index=12.7;"};
        h.scene.item(cube)->comments = {"#S:Rough=0.75;", "#i:count=3;"};
    }
    void feedDefault(GraphNode* from, GraphNode* to) {
        connect(from, from->outputs.front()->name, to, "Default");
    }
    // The node's output for a sample of the object; a scalar or an integer is the first value.
    template <class T>
    std::array<T, 3> sample(GraphNode* node, LWItemID object) {
        access.objID = object;
        std::array<T, 3> v{{-1, -1, -1}};
        evaluate(node, "", v.data());
        return v;
    }
    double scalar(GraphNode* node, LWItemID object) { return sample<double>(node, object)[0]; }
    int integer(GraphNode* node, LWItemID object) { return sample<int>(node, object)[0]; }
    V3 vector(GraphNode* node, LWItemID object) { return V3(sample<double>(node, object).data()); }

    LWItemID ball = h.scene.addObject("Ball", lwhost::ObjectData());
    LWItemID cube = h.scene.addObject("Cube", lwhost::ObjectData());
    LWItemID plain = h.scene.addObject("Plain", lwhost::ObjectData());
};

TEST_F(CommentNodesTest, EachKindOutputsTheShadedObjectsValueOrItsDefault) {
    GraphNode* s = make(kGetScalarCommentName, setting("rough"));
    GraphNode* v = make(kGetVectorCommentName, setting("offset"));
    GraphNode* c = make(kGetColourCommentName, setting("tint"));
    GraphNode* i = make(kGetIntegerCommentName, setting("index|count"));
    for (GraphNode* node : {s, v, c, i}) newTime(node);
    EXPECT_EQ(scalar(s, ball), 0.25);
    EXPECT_EQ(scalar(s, plain), 0.0);
    EXPECT_EQ(vector(v, ball), V3(1, 2, 3));
    EXPECT_EQ(vector(c, ball), V3(1, 0.5, 0));
    EXPECT_EQ(integer(i, ball), 12);
    EXPECT_EQ(integer(i, plain), 0);

    // Objects without a value take what the "Default" input gives.
    feedDefault(make("ScalarConstant", "Value 0.5\n"), s);
    feedDefault(make("IntegerConstant", "Value 7\n"), i);
    feedDefault(make("ColourConstant", "Colour 0.25 0.5 0.75\n"), c);
    EXPECT_EQ(scalar(s, plain), 0.5);
    EXPECT_EQ(scalar(s, ball), 0.25);
    EXPECT_EQ(integer(i, plain), 7);
    EXPECT_EQ(vector(c, plain), V3(0.25, 0.5, 0.75));
}

TEST_F(CommentNodesTest, PanelPicksKeysFromTheSceneAndHidesADefaultThatIsConnected) {
    GraphNode* s = make(kGetScalarCommentName);
    lwhost::XPanel& p = panel(s);
    EXPECT_EQ(p.popupItems(kCommentName), (std::vector<std::string>{"Rough", "rough"}));
    ASSERT_TRUE(p.choose(kCommentName, 0)) << p.lastError();
    EXPECT_EQ(p.value(kCommentName).s, "Rough");
    newTime(s);
    EXPECT_EQ(scalar(s, ball), 0.25) << "the key matches without regard to case";

    ASSERT_TRUE(p.setFloat(kCommentDefault, 0.4)) << p.lastError();
    newTime(s, 2);
    EXPECT_EQ(scalar(s, plain), 0.4);
    const lwhost::PanelValue before = p.value(kCommentDefault);
    EXPECT_TRUE(before.present);
    EXPECT_EQ(h.host.envelopes().parmOwner(static_cast<LWVParmID>(before.raw)),
              kGetScalarCommentName);
    feedDefault(make("ScalarConstant", "Value 0.5\n"), s);
    EXPECT_FALSE(p.value(kCommentDefault).present);
    EXPECT_TRUE(p.click(kCommentAbout)) << p.lastError();
    ASSERT_NE(p.draw(kCommentLogo), nullptr);

    GraphNode* i = make(kGetIntegerCommentName);
    lwhost::XPanel& ip = panel(i);
    EXPECT_EQ(ip.popupItems(kCommentName), (std::vector<std::string>{"count", "index"}));
    ASSERT_TRUE(ip.setInt(kCommentDefault, -4));
    newTime(i);
    EXPECT_EQ(integer(i, plain), -4);
    EXPECT_EQ(panel(make(kGetVectorCommentName)).popupItems(kCommentName),
              std::vector<std::string>{"offset"});
}

TEST_F(CommentNodesTest, EnvelopeDefaultsFollowTheFrameAndTheIntegerStaysConstant) {
    GraphNode* v = make(kGetVectorCommentName, setting("none"));
    lwhost::XPanel& p = panel(v);
    ASSERT_TRUE(p.setVector(kCommentDefault, 1, 2, 3)) << p.lastError();
    LWEnvelopeID envs[3] = {};
    lwhost::Envelopes::vparmRecord()->getEnv(static_cast<LWVParmID>(p.value(kCommentDefault).raw),
                                             envs);
    ASSERT_NE(envs[2], nullptr);
    const st_LWEnvelopeFuncs* env = lwhost::Envelopes::envelopeRecord();
    env->createKey(envs[2], 0.0, 0.0);
    env->createKey(envs[2], 1.0, 10.0);
    newTime(v, 0);
    EXPECT_EQ(vector(v, ball), V3(1, 2, 0));
    newTime(v, 30, 1.0);
    EXPECT_EQ(vector(v, ball), V3(1, 2, 10));

    GraphNode* i = make(kGetIntegerCommentName, "{ Setting\n  Default 5\n}\n");
    newTime(i, 0);
    EXPECT_EQ(integer(i, plain), 5);
    newTime(i, 30, 1.0);
    EXPECT_EQ(integer(i, plain), 5);
}

TEST_F(CommentNodesTest, BlocksAndCopiesKeepTheNameAndTheAnimatedDefault) {
    GraphNode* s = make(kGetScalarCommentName, setting("rough"));
    lwhost::XPanel& p = panel(s);
    ASSERT_TRUE(p.setFloat(kCommentDefault, 0.625));
    const std::string text = saved(s);
    EXPECT_EQ(text.find("{ Setting\n  CommentName \"rough\"\n  { Default"), 0u) << text;

    GraphNode* loaded = make(kGetScalarCommentName, "Other 1\n" + text);
    EXPECT_EQ(saved(loaded), text);
    newTime(loaded);
    EXPECT_EQ(scalar(loaded, plain), 0.625) << "the loaded default is in use";
    EXPECT_EQ(scalar(loaded, cube), 0.75);

    GraphNode* copy = make(kGetScalarCommentName);
    ASSERT_EQ(copy->server->inst.copy(copy->instance, s->instance), nullptr);
    EXPECT_EQ(saved(copy), text);
    newTime(copy);
    EXPECT_EQ(scalar(copy, plain), 0.625);
    EXPECT_EQ(copy->inputs.size(), 1u) << "a copy adds no second input";

    GraphNode* i =
        make(kGetIntegerCommentName, "{ Setting\n  CommentName \"n\"\n  Default 4294967295\n}\n");
    EXPECT_EQ(saved(i), "{ Setting\n  CommentName \"n\"\n  Default 4294967295\n}\n");
    newTime(i);
    EXPECT_EQ(integer(i, plain), -1);
}

}  // namespace
