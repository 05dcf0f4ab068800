// The comment value line syntax, the value readers, and the stores' per-frame collection and
// key popup against a scene of the real host (stores without a node).
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "bundle_fixtures.h"
#include "comments/comment_store.h"

namespace {

using V3 = vexo::Vector3<double>;

// Whether the line parses, then its type, key, value and whether it is handed down.
using Parsed = std::tuple<bool, std::string, std::string, std::string, bool>;

Parsed parse(const std::string& line) {
    std::string type = "-", key = "-", value = "-";
    bool inherit = false;
    const bool ok = qrv::parseComment(line, type, key, value, inherit);
    return {ok, type, key, value, inherit};
}

TEST(CommentLineTest, SplitsValueLinesAtTheFirstOfEachDelimiter) {
    struct Case {
        const char* line;
        Parsed expected;
    };
    const Case cases[] = {
        {"#s:roughness=0.25;", {true, "s", "roughness", "0.25", false}},
        {" \t*colour : tint = 1, 0.5, 0 ; note\r", {true, "colour", "tint", " 1, 0.5, 0 ", true}},
        {"#i:index=3;#s:other=4;", {true, "i", "index", "3", false}},
        // A "#" anywhere makes the line plain, even after a "*".
        {"*x#v:d=1;", {true, "v", "d", "1", false}},
        // A closing delimiter before its opening one: the piece runs to the end of the line.
        {"k=1;#s:x", {true, "s", "x", "1", false}},
        {"#s:=;", {true, "s", "", "", false}},
    };
    for (const Case& c : cases) EXPECT_EQ(parse(c.line), c.expected) << c.line;
    for (const char* line : {"#s:k=1", "#s k=1;", "#s:k 1;", "s:k=1;", "", "   ", "#", ";;;"})
        EXPECT_FALSE(std::get<0>(parse(line))) << '"' << line << '"';
    EXPECT_EQ(qrv::commentTypeLetter("Scalar"), 's');
    EXPECT_EQ(qrv::commentTypeLetter(""), 0);
}

TEST(CommentLineTest, ReadsNumbersIntegersAndVectorsAsStreamsDo) {
    // Out of range is no number, neither is "nan"; an empty piece of a vector is read as 0.
    const std::pair<const char*, double> scalars[] = {
        {" 0.25abc", 0.25}, {"-1e2", -100.0}, {"abc", 0.0}, {"1e999", 0.0}, {"nan", 0.0}};
    for (const auto& [text, value] : scalars)
        EXPECT_EQ(qrv::readCommentScalar(text), value) << text;
    const std::pair<const char*, int> integers[] = {
        {"12.7", 12}, {" -3 ", -3}, {"x1", 0}, {"99999999999", 0}};
    for (const auto& [text, value] : integers)
        EXPECT_EQ(qrv::readCommentInteger(text), value) << text;
    const std::pair<const char*, V3> vectors[] = {{"0.5", V3(0.5, 0.5, 0.5)},  {"1,2", V3(1, 2, 2)},
                                                  {"1, 2, 3, 4", V3(1, 2, 3)}, {"", V3(0, 0, 0)},
                                                  {"a,2,b", V3(0, 2, 0)},      {"1,", V3(1, 0, 0)}};
    for (const auto& [text, value] : vectors)
        EXPECT_EQ(qrv::readCommentVector(text), value) << text;
}

// Rig (object) > Arm (null) > Hand (object) > Finger (object); Lamp (light) > Bulb (object);
// Box (object) > Lid (object).
class CommentStoreTest : public bundle_test::SceneTest {
  protected:
    LWItemID rig = object("Rig");
    LWItemID arm = scene.addNull("Arm");
    LWItemID hand = object("Hand");
    LWItemID finger = object("Finger");
    LWItemID lamp = scene.addLight("Lamp");
    LWItemID bulb = object("Bulb");
    LWItemID box = object("Box");
    LWItemID lid = object("Lid");

    void SetUp() override {
        scene.setParent(arm, rig);
        scene.setParent(hand, arm);
        scene.setParent(finger, hand);
        scene.setParent(bulb, lamp);
        scene.setParent(lid, box);
    }
    LWItemID object(const std::string& name) { return scene.addObject(name, lwhost::ObjectData()); }
    void comment(LWItemID item, std::vector<std::string> lines) {
        scene.item(item)->comments = std::move(lines);
    }
    template <class Store>
    void collect(Store& store, const std::string& name) {
        store.setCommentName(name);
        store.NewTime(1, 0.0);
    }
};

TEST_F(CommentStoreTest, StarLinesHandTheirValueDownAndOwnLinesOverrideIt) {
    comment(rig, {"*s:k=1;", "#s:k=9;"});
    comment(hand, {"#s:k=2;"});
    comment(box, {"#s:k=3;"});
    comment(bulb, {"#s:k=4;"});
    ScalarCommentStore store;
    collect(store, "k");
    const std::map<LWItemID, double> expected = {
        {rig, 9}, {arm, 1}, {hand, 2}, {finger, 1}, {box, 3}};
    EXPECT_EQ(store.values(), expected)
        << "Finger inherits past Hand's plain line; Lid gets nothing under a plain line; Bulb "
           "is under a light, outside every root object's hierarchy";

    // Later lines win, and a star further down replaces the inherited value.
    comment(hand, {"#s:k=2;", "*s:k=5;", "#s:k=6;"});
    store.NewTime(2, 0.0);
    EXPECT_EQ(store.values().at(hand), 6.0);
    EXPECT_EQ(store.values().at(finger), 5.0);
}

TEST_F(CommentStoreTest, KeysAndTypesMatchWithoutCaseAndPatternsTakeAlternatives) {
    comment(rig, {"#S:Roughness=1;", "#scalar:other=2;", "#v:roughness=3;", "note: a=b;"});
    comment(box, {"#s:a=1;", "#s:b=2;"});
    comment(lid, {"#s:b=2;", "#s:a=1;"});
    ScalarCommentStore store;
    collect(store, " roughness\t");
    EXPECT_EQ(store.values(), (std::map<LWItemID, double>{{rig, 1}}));
    collect(store, "a|b");
    EXPECT_EQ(store.values(), (std::map<LWItemID, double>{{box, 2}, {lid, 1}}));
    collect(store, "");
    EXPECT_EQ(store.valueCount(), 0u) << "an empty name matches no key";

    VectorCommentStore vectors;
    collect(vectors, "rough*");
    EXPECT_EQ(vectors.values(), (std::map<LWItemID, V3>{{rig, V3(3, 3, 3)}}));
    ColourCommentStore colours;
    comment(box, {"#c:tint=2,0.5;", "#colour:x=1;"});
    collect(colours, "tint");
    EXPECT_EQ(colours.values(), (std::map<LWItemID, V3>{{box, V3(2, 0.5, 0.5)}}))
        << "colours are not scaled";
    IntegerCommentStore integers;
    comment(lid, {"#i:n=12.7;", "#Integer:m=x;"});
    collect(integers, "n|m");
    EXPECT_EQ(integers.values(), (std::map<LWItemID, int32_t>{{lid, 0}}));
    EXPECT_FALSE(integers.hasValue(box));
}

TEST_F(CommentStoreTest, PopupListsTheKeysOfItsKindInEveryObjectSortedAndUnique) {
    ScalarCommentStore store;
    EXPECT_EQ(store.popCount(), 0);
    comment(finger, {"#s:beta=1;", "#s:Alpha=2;", "#i:gamma=3;", "#s: =1;"});
    comment(bulb, {"*s:beta=4;", "#s:alpha=5;"});
    comment(lamp, {"#s:light=1;"});
    ASSERT_EQ(store.popCount(), 3);
    EXPECT_EQ(store.names(), (std::vector<std::string>{"Alpha", "alpha", "beta"}))
        << "objects anywhere, not lights; keys as written";
    EXPECT_STREQ(store.popName(3), "");
    EXPECT_STREQ(store.popName(-1), "");
}

}  // namespace
