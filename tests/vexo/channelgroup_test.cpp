// vexo::ChannelGroup against the real host: naming on clashes, ownership, missing globals.
#include <vexo/channelgroup.h>
#include <vexo/vparm.h>
#include "lwhost/scene/envelopes.h"

#include <memory>
#include <string>
#include <vector>

#include "frame_test.h"

namespace {

class ChannelGroupTest : public FrameTest {
  protected:
    std::vector<std::string> topLevelNames() {
        std::vector<std::string> names;
        const st_LWChannelInfo* ci = lwhost::Envelopes::channelRecord();
        for (LWChanGroupID g = ci->nextGroup(nullptr, nullptr); g; g = ci->nextGroup(nullptr, g))
            names.push_back(ci->groupName(g));
        return names;
    }
    LWChanGroupID hostGroup(LWChanGroupID parent, const char* name) {
        return lwhost::Envelopes::envelopeRecord()->createGroup(parent, name);
    }
};

TEST_F(ChannelGroupTest, ClashingNamesTakeTheFirstFreeCounter) {
    hostGroup(nullptr, "lumavex");
    hostGroup(nullptr, "lumavex(0)");
    LWChanGroupID other = hostGroup(nullptr, "other");
    hostGroup(other, "lumavex(1)");    // a clash only among siblings counts
    hostGroup(nullptr, "Lumavex(2)");  // names match exactly, case included

    vexo::ChannelGroup group(false);
    ASSERT_TRUE(group.create("lumavex"));
    EXPECT_EQ(group.name(), "lumavex(1)");
    vexo::ChannelGroup next("lumavex", nullptr, false);
    EXPECT_EQ(next.name(), "lumavex(2)");
    vexo::ChannelGroup fresh("fresh", nullptr);
    EXPECT_EQ(fresh.name(), "fresh");
    EXPECT_EQ(topLevelNames(),
              (std::vector<std::string>{"lumavex", "lumavex(0)", "other", "Lumavex(2)",
                                        "lumavex(1)", "lumavex(2)", "fresh"}));

    vexo::ChannelGroup child("lumavex(1)", other);
    EXPECT_EQ(child.name(), "lumavex(1)(0)");
    EXPECT_EQ(lwhost::Envelopes::channelRecord()->groupParent(child), other);
}

TEST_F(ChannelGroupTest,
       OwnedGroupsLeaveWithTheirWrapperParametersOutliveThemAndNoGlobalsMakeNone) {
    std::unique_ptr<vexo::VParm> level;
    {
        vexo::ChannelGroup owned("owned", nullptr, true);
        vexo::ChannelGroup kept("kept", nullptr, false);
        level = std::make_unique<vexo::VParm>(vexo::VParm::Float, "Level", "qrvTest", owned, 0.5);
        ASSERT_TRUE(level->exists());
    }
    EXPECT_EQ(topLevelNames(), std::vector<std::string>{"kept"});
    EXPECT_TRUE(level->evaluate(1.0));
    EXPECT_EQ(level->x, 0.5);
    level.reset();
    EXPECT_FALSE(host.globals().use(LWCHANNELINFO_GLOBAL).held);
    EXPECT_FALSE(host.globals().use(LWENVELOPEFUNCS_GLOBAL).held);

    // Without the globals nothing is created.
    host.globals().withdraw(LWENVELOPEFUNCS_GLOBAL);
    vexo::ChannelGroup group("lumavex", nullptr);
    EXPECT_EQ(group.id(), nullptr);
    EXPECT_EQ(group.name(), "");
    host.globals().withdraw(LWCHANNELINFO_GLOBAL);
    vexo::ChannelGroup none(true);
    EXPECT_FALSE(none.create("lumavex"));
    EXPECT_EQ(none.freeName("lumavex", nullptr), "lumavex");
    EXPECT_EQ(host.envelopes().groupCount(), 1u) << "only \"kept\"";
}

}  // namespace
