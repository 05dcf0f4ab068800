// vexo::VParm against the real host: creation, values at times, copies, persistence, and a
// host without "LWVParmFuncs 2".
#include <vexo/persistence.h>
#include <vexo/vparm.h>
#include "lwhost/io/blockio.h"
#include "lwhost/scene/envelopes.h"

#include "frame_test.h"

namespace {

using vexo::VParm;
using V3 = vexo::Vector3<double>;

class VParmTest : public FrameTest {
  protected:
    const st_LWEnvelopeFuncs* env = lwhost::Envelopes::envelopeRecord();
    LWEnvelopeID channel(const VParm& p, int index) {
        LWEnvelopeID envs[3] = {};
        lwhost::Envelopes::vparmRecord()->getEnv(p.id(), envs);
        return envs[index];
    }

    vexo::ChannelGroup group{"node", nullptr};
};

TEST_F(VParmTest, CreatesAHostParameterHoldingItsValueAndDestroysItWithTheGlobal) {
    {
        VParm tint(VParm::Colour, "Tint", "qrvTest", group, V3(0.1, 0.2, 0.3));
        ASSERT_TRUE(tint.exists());
        EXPECT_EQ(host.envelopes().parmType(tint.id()), LWVP_COLOR);
        EXPECT_EQ(host.envelopes().parmGroup(tint.id()), group.id());
        EXPECT_EQ(host.envelopes().parmOwner(tint.id()), "qrvTest");
        tint.x = tint.y = tint.z = 0;
        EXPECT_TRUE(tint.evaluate(5.0));
        EXPECT_EQ(tint.value(), V3(0.1, 0.2, 0.3));

        VParm mix(VParm::Percent, "Mix", "qrvTest", group.id(), 0.5);
        EXPECT_EQ(host.envelopes().parmCount(), 2u);
        EXPECT_TRUE(host.globals().use(LWVPARMFUNCS_GLOBAL).held);
    }
    EXPECT_EQ(host.envelopes().parmCount(), 0u);
    EXPECT_EQ(host.envelopes().envelopeCount(), 0u);
    EXPECT_FALSE(host.globals().use(LWVPARMFUNCS_GLOBAL).held);
}

TEST_F(VParmTest, EvaluateFollowsTheEnvelopeAtEachTimeAndAssignmentCopiesEnvelopesAndValues) {
    VParm offset(VParm::FloatVector, "Offset", "qrvTest", group, V3(1, 2, 3));
    env->createKey(channel(offset, 2), 0.0, 0.0);
    env->createKey(channel(offset, 2), 1.0, 10.0);
    offset.evaluate(0.5);
    EXPECT_EQ(offset.value(), V3(1, 2, 5));

    offset.setValue(V3(7, 8, 9));
    offset.evaluate(0.25);
    EXPECT_EQ(offset.value(), V3(7, 8, 2.5)) << "the set value holds where there are no keys";

    VParm from(VParm::Float, "A", "qrvTest", group, 2.0);
    env->createKey(channel(from, 0), 0.0, 0.0);
    env->createKey(channel(from, 0), 2.0, 4.0);
    VParm to(VParm::Float, "B", "qrvTest", group, 9.0);
    to = from;
    EXPECT_EQ(to.x, 2.0);
    to.evaluate(2.0);
    EXPECT_EQ(to.x, 4.0);
    EXPECT_NE(channel(to, 0), channel(from, 0)) << "each keeps its own envelope";
}

TEST_F(VParmTest, ParametersTheHostDoesNotMakeKeepTheirValueAndLeaveTheHostAlone) {
    // A refused type.
    VParm odd(0x30, "Odd", "qrvTest", group, 8.0);
    EXPECT_FALSE(odd.exists());
    EXPECT_EQ(odd.x, 8.0);
    VParm hosted(VParm::Float, "H", "qrvTest", group, 3.0);
    hosted = odd;
    hosted.evaluate(0.0);
    EXPECT_EQ(hosted.x, 8.0) << "the copied value must survive the next evaluate";

    EXPECT_TRUE(odd.create(VParm::Float, "Odd", "qrvTest", LWChanGroupID(nullptr)));
    EXPECT_TRUE(odd.exists()) << "a later create may still succeed";

    // A host without the parameter global.
    host.globals().withdraw(LWVPARMFUNCS_GLOBAL);
    VParm bare(VParm::Colour, "C", "qrvTest", group, V3(0.5, 0.6, 0.7));
    EXPECT_FALSE(bare.exists());
    EXPECT_EQ(bare.value(), V3(0.5, 0.6, 0.7));
    EXPECT_FALSE(bare.evaluate(1.0));
    EXPECT_EQ(bare.value(), V3(0.5, 0.6, 0.7));

    lwhost::MemorySaveState save(LWIO_ASCII);
    EXPECT_EQ(bare.Save(vexo::SaveState(save.record())), nullptr);
    EXPECT_EQ(save.bytes(), "");
    lwhost::MemoryLoadState load("{ Channel\n  Value 1\n}\n", LWIO_ASCII);
    EXPECT_EQ(bare.Load(vexo::LoadState(load.record())), nullptr);
    EXPECT_EQ(bare.value(), V3(0.5, 0.6, 0.7));

    bare = hosted;
    EXPECT_EQ(bare.x, 8.0);
    EXPECT_EQ(host.envelopes().parmCount(), 2u);
}

TEST_F(VParmTest, SaveAndLoadThroughANestedBlockKeepTheEnvelopeInBothEncodings) {
    const st_LWBlockIdent ident[] = {{LWID_MAKE('P', 'A', 'R', 'M'), "Parm"}, {0, nullptr}};
    VParm source(VParm::Colour, "Tint", "qrvTest", group, V3(0.25, 0.5, 0.75));
    env->createKey(channel(source, 0), 0.0, 0.0);
    env->createKey(channel(source, 0), 4.0, 1.0);
    for (int mode : {LWIO_ASCII, LWIO_BINARY}) {
        lwhost::MemorySaveState save(mode);
        vexo::SaveState(save.record()).WriteItem(ident[0], source, false);
        save.finish();

        VParm target(VParm::Colour, "Tint", "qrvTest", group, V3());
        lwhost::MemoryLoadState load(save.bytes(), mode);
        vexo::LoadState state(load.record());
        ASSERT_EQ(state.findBlk(ident), ident[0].id);
        EXPECT_EQ(state.read(target), nullptr);
        state.endBlk();
        EXPECT_FALSE(load.failed()) << load.error();
        for (double t : {-1.0, 1.0, 3.0, 8.0}) {
            source.evaluate(t);
            target.evaluate(t);
            EXPECT_EQ(target.value(), source.value()) << mode << " " << t;
        }
    }
}

}  // namespace
