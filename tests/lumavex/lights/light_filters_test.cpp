// Light filters against a scene of the real host (per-frame sets, panel values, storage,
// renumbering, pickers), and the illumination hooks against fake illumination functions.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <thread>

#include "alloc_counter.h"
#include "bundle_fixtures.h"
#include "lights/light_filters.h"

namespace {

using bundle_test::holdsFakes;
using bundle_test::Kind;
using bundle_test::loadText;
using bundle_test::saveText;

// Key, Fill and Rim are lights; Ball is an object named like a light pattern would match.
class LightFiltersTest : public bundle_test::SceneTest {
  protected:
    LWItemID key = scene.addLight("Key");
    LWItemID fill = scene.addLight("Fill");
    LWItemID ball = scene.addNull("Ball");
    LWItemID rim = scene.addLight("Rim");

    // Names of the lights in the filter's set after a frame change, in scene order.
    std::string selection(LightFilter& filter) {
        filter.NewTime(1, 0.0);
        std::string out;
        for (size_t i = 0; i < scene.itemCount(); ++i)
            if (filter.lights().count(scene.itemAt(i).id))
                out += (out.empty() ? "" : " ") + scene.itemAt(i).name;
        return out;
    }
    static void set(LightFilter& filter, const std::string& pattern) {
        EXPECT_EQ(filter.DataSet(kLightFilterText, const_cast<char*>(pattern.c_str())), 1);
    }
};

TEST_F(LightFiltersTest, NameFilterSelectsLightsWhoseNameMatchesAndNothingForAnEmptyPattern) {
    LightNameFilter filter;
    EXPECT_EQ(selection(filter), "") << "an empty pattern list matches nothing";
    set(filter, "KEY|r*|ball");
    EXPECT_EQ(selection(filter), "Key Rim") << "objects are never lights";
    EXPECT_EQ(filter.DataGet(0x9000), nullptr);
    EXPECT_EQ(filter.DataSet(0x9000, const_cast<char*>("x")), 1);
    set(filter, "nothing");
    EXPECT_EQ(selection(filter), "") << "the set is rebuilt, not added to";
}

TEST_F(LightFiltersTest, CommentFilterMatchesWholeCommentLines) {
    scene.item(key)->comments = {"group warm", "Main"};
    scene.item(rim)->comments = {"group cold"};
    scene.item(ball)->comments = {"group warm"};
    LightCommentFilter filter;
    set(filter, "group *");
    EXPECT_EQ(selection(filter), "Key Rim") << "Fill has no comment lines";
    set(filter, "group");
    EXPECT_EQ(selection(filter), "") << "a line is matched as a whole";
    set(filter, "MAIN|nothing");
    EXPECT_EQ(selection(filter), "Key");
    EXPECT_FALSE(filter.filterComment(fill));
}

TEST_F(LightFiltersTest, ListFilterKeepsItsPicksAndFollowsRenumberingAndDeletion) {
    LightListFilter filter;
    std::set<LWItemID> used{itemHandle(1234)};
    filter.UseItems(used);
    EXPECT_TRUE(used.empty());
    filter.setItems({fill, rim});
    set(filter, "Key");
    EXPECT_EQ(filter.DataGet(kLightFilterText), nullptr) << "the list shows no pattern";
    EXPECT_EQ(filter.filterString(), "");
    EXPECT_EQ(selection(filter), "Fill Rim");
    filter.UseItems(used);
    EXPECT_EQ(used, (std::set<LWItemID>{fill, rim}));

    std::map<LWItemID, LWItemID> ids = bundle_test::renumber(scene);
    const LWItemID newFill = ids[fill];
    ids[rim] = LWITEM_NULL;  // deleted
    filter.ChangeID(ids);
    EXPECT_EQ(filter.items(), std::set<LWItemID>{newFill}) << "no null ID is kept";
    EXPECT_EQ(selection(filter), "Fill");
}

TEST_F(LightFiltersTest, StoredFiltersLoadTheirOwnBlocksFindLightsByNameAndCopiesAreDeep) {
    LightNameFilter named;
    set(named, "K*|\"quoted\"");
    const std::string text = saveText(named);
    LightCommentFilter comments;
    loadText(comments, text);
    EXPECT_EQ(comments.filterString(), "K*|\"quoted\"");

    LightListFilter list;
    list.setItems({key, rim});
    const std::string stored = saveText(list);
    EXPECT_EQ(stored.find("FilterString"), std::string::npos) << stored;
    std::map<LWItemID, LWItemID> ids = bundle_test::renumber(scene);
    LightListFilter loaded;
    loaded.setItems({ids[fill]});
    loaded.NewTime(1, 0.0);
    loadText(loaded, stored);
    EXPECT_EQ(loaded.items(), (std::set<LWItemID>{ids[key], ids[rim]}));
    EXPECT_TRUE(loaded.lights().empty()) << "loading empties the set until the next frame";

    loadText(named, stored);  // another kind's blocks are skipped
    EXPECT_EQ(named.filterString(), "K*|\"quoted\"");
    named.NewTime(1, 0.0);
    vexo::Reference<LightFilter> copy(named.Copy());
    ASSERT_NE(dynamic_cast<LightNameFilter*>(copy.get()), nullptr);
    EXPECT_EQ(copy->lights(), named.lights());
    set(named, "Rim");
    EXPECT_EQ(copy->filterString(), "K*|\"quoted\"");
    vexo::Reference<LightFilter> listCopy(loaded.Copy());
    loaded.setItems({});
    EXPECT_EQ(static_cast<LightListFilter*>(listCopy.get())->items().size(), 2u);
    EXPECT_NE(
        dynamic_cast<LightCommentFilter*>(vexo::Reference<LightFilter>(comments.Copy()).get()),
        nullptr);
}

TEST_F(LightFiltersTest, PickersChangeTheFilterOnlyWhenConfirmed) {
    LightListFilter list;
    list.setItems({rim});
    for (const std::string button : {"Cancel", "Ok"}) {
        queue(Kind::Click, "Unselected", "Key");
        queue(Kind::Press, "Select");
        queue(Kind::Press, button);
        list.DisplayPicker();
        const std::set<LWItemID> kept{rim}, picked{key, rim};
        EXPECT_EQ(list.items(), button == "Ok" ? picked : kept) << button;
    }

    LightNameFilter named;
    set(named, "Key");
    queue(Kind::Click, "", "Rim");
    queue(Kind::Press, "Append");
    vexo::XPanel none;  // no panel to show the pattern in
    named.DisplayPicker(none);
    EXPECT_EQ(named.filterString(), "Key|Rim");
    EXPECT_EQ(host.dialogs().shown().back().title, "Pick Light Name:Key");
    named.DisplayPicker();  // nothing queued: cancelled
    EXPECT_EQ(named.filterString(), "Key|Rim");
    EXPECT_TRUE(host.dialogs().errors().empty()) << host.dialogs().errors().front();
}

// ---- hooks ---------------------------------------------------------------------------------

// Fake illumination: lights 1 to 6, light n giving (n, 2n, 3n); every call is counted.
LWNodalAccess_t fakeAccess() {
    bundle_test::fakeLights.clear();
    for (uint32_t n = 1; n <= 6; ++n)
        bundle_test::fakeLights[itemHandle(n)] = {1.0 * n, 2.0 * n, 3.0 * n};
    return bundle_test::fakeAccess();
}

// Sums the first component of every sample handed back.
int addSample(void* data, LWItemID, const double*, const double* colour) {
    *static_cast<double*>(data) += colour[0];
    return 1;
}

// What the access record reports for a light through each of the four forms: the first colour
// component of the plain forms and the sampled sum of the sample forms, -1 where a form said 0.
std::array<double, 4> seen(LWNodalAccess_t& access, LWItemID light) {
    const double position[3] = {}, normal[3] = {0, 1, 0};
    double direction[3] = {}, colour[2][3] = {{-1, -1, -1}, {-1, -1, -1}}, sum[2] = {0, 0};
    const bool said[4] = {
        access.illuminate(light, position, direction, colour[0]) != 0,
        access.illuminateNormal(light, nullptr, position, direction, normal, colour[1]) != 0,
        access.illuminateSample(light, position, direction, addSample, &sum[0]) != 0,
        access.illuminateSampleNormal(light, nullptr, position, normal, addSample, &sum[1]) != 0};
    return {said[0] ? colour[0][0] : -colour[0][2] - 1, said[1] ? colour[1][0] : -colour[1][2] - 1,
            said[2] ? sum[0] : -1 - sum[0], said[3] ? sum[1] : -1 - sum[1]};
}
// A light that passes shows n in every form; a dark one shows -1 everywhere (colour zeroed,
// callback never called).
bool passes(LWNodalAccess_t& access, uint32_t light) {
    const std::array<double, 4> s = seen(access, itemHandle(light));
    const double n = light;
    if (s == std::array<double, 4>{{n, n, n, n}}) return true;
    EXPECT_EQ(s, (std::array<double, 4>{{-1, -1, -1, -1}})) << "light " << light;
    return false;
}

// A second user of the hooks, as the scene-wide light group is.
struct OtherGroupTag;
using OtherGroup = IlluminationHooks<OtherGroupTag>;

LightSet lights(std::initializer_list<uint32_t> keys) {
    LightSet set;
    for (uint32_t key : keys) set.insert(itemHandle(key));
    return set;
}

TEST(IlluminationHooksTest, LightsOutsideTheGroupAreDarkInEveryFormUntilTheHookGoes) {
    LWNodalAccess_t access = fakeAccess();
    const LightSet group = lights({2, 5});
    {
        LightGroup::Scope hooks(&access, &group);
        ASSERT_TRUE(hooks.installed());
        bundle_test::fakeCalls = 0;
        EXPECT_TRUE(passes(access, 2));
        EXPECT_TRUE(passes(access, 5));
        EXPECT_FALSE(passes(access, 3));
        EXPECT_EQ(bundle_test::fakeCalls, 8) << "dark lights never reach the host";
    }
    EXPECT_TRUE(holdsFakes(access));
    EXPECT_EQ(LightGroup::current(), nullptr);
    EXPECT_TRUE(passes(access, 3));

    const LightSet empty;
    LightGroup::Scope skipped(nullptr, &empty);
    EXPECT_FALSE(skipped.installed());
    LightGroup::Scope transparent(&access, nullptr);
    EXPECT_FALSE(transparent.installed());
}

TEST(IlluminationHooksTest, NestedGroupsLetThroughOnlyTheLightsOfEveryGroupAndUnwindExactly) {
    LWNodalAccess_t access = fakeAccess();
    const LightSet outer = lights({1, 2, 3}), middle = lights({2, 3, 4}), inner = lights({3, 4, 5});
    {
        LightGroup::Scope a(&access, &outer);
        OtherGroup::Scope b(&access, &middle);  // the other user in between
        LightGroup::Scope c(&access, &inner);
        for (uint32_t light : {1u, 2u, 4u, 5u}) EXPECT_FALSE(passes(access, light)) << light;
        EXPECT_TRUE(passes(access, 3));
    }
    EXPECT_TRUE(holdsFakes(access));
    EXPECT_EQ(LightGroup::current(), nullptr);
    EXPECT_EQ(OtherGroup::current(), nullptr);

    {
        // A group whose saved function is missing reports no light rather than failing.
        LWNodalAccess_t bare{};
        LightGroup::Scope hooks(&bare, &outer);
        EXPECT_FALSE(passes(bare, 1));
    }
    double colour[3] = {7, 7, 7}, direction[3];
    const double position[3] = {};
    EXPECT_EQ(LightGroup::illuminate(itemHandle(1), position, direction, colour), 0)
        << "no hook in force";
    EXPECT_EQ(colour[1], 0.0);
}

// The wrappers are entries the host calls: an exception from a sample callback stops there,
// reads as an unlit sample, and the group stays in force.
TEST(IlluminationHooksTest, AThrowingSampleCallbackStopsAtTheHookAndLeavesItInForce) {
    LWNodalAccess_t access = fakeAccess();
    const LightSet group = lights({2});
    LightGroup::Scope hooks(&access, &group);
    const double position[3] = {}, normal[3] = {0, 1, 0};
    double direction[3] = {};
    auto throwing = [](void*, LWItemID, const double*, const double*) -> int { throw 7; };
    EXPECT_EQ(access.illuminateSample(itemHandle(2), position, direction, throwing, nullptr), 0.0);
    EXPECT_EQ(
        access.illuminateSampleNormal(itemHandle(2), nullptr, position, normal, throwing, nullptr),
        0.0);
    EXPECT_TRUE(passes(access, 2));
    EXPECT_FALSE(passes(access, 3));
}

TEST(IlluminationHooksTest, HandleStyleInstallAndRemovePairAndAllocateNothing) {
    LWNodalAccess_t access = fakeAccess();
    const LightSet group = lights({4});
    lightStorage first, second;
    alloc_counter::Scope count;
    EXPECT_EQ(OtherGroup::install(first, &access, &group), nullptr);
    EXPECT_EQ(OtherGroup::install(second, &access, &group), &first);
    const bool lit = passes(access, 4), dark = !passes(access, 6);
    OtherGroup::remove(second);
    EXPECT_EQ(OtherGroup::current(), &first);
    OtherGroup::remove(first);
    EXPECT_EQ(count.stop(), 0);
    EXPECT_TRUE(lit && dark);
    EXPECT_TRUE(holdsFakes(access));
}

TEST(IlluminationHooksTest, AHookIsPrivateToItsThread) {
    LWNodalAccess_t access = fakeAccess();
    const LightSet group = lights({1});
    LightGroup::Scope hooks(&access, &group);
    bool otherThreadHadRecord = true;
    std::thread([&] { otherThreadHadRecord = LightGroup::current() != nullptr; }).join();
    EXPECT_FALSE(otherThreadHadRecord);
    EXPECT_NE(LightGroup::current(), nullptr);
}

}  // namespace
