// The shading services through the real host: which hosts get the table and which evaluation,
// subscriptions and the one graph, reset, the master plug-in test at render start, the ring
// event on graph edits, the accessor's subscription and storage, and the slots' answers without
// a graph or light group.
#include <gtest/gtest.h>
#include <lwsdk/lwglobsrv.h>
#include "lwhost/core/comring.h"
#include "lwhost/scene/envelopes.h"

#include <set>
#include <string>

#include "alloc_counter.h"
#include "bundle_fixtures.h"
#include "frame_test.h"

namespace {

using override_test::OverrideHost;
using override_test::version;

// The bundle in a host of the current version, its table acquired.
class ServicesTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(h.table, nullptr); }
    OverrideHost h;
};

TEST(ServicesHostTest, TableGoesToHostsFrom93WithTheEvaluationOfTheirRecordLayout) {
    struct Case {
        unsigned major, minor;
        int layout;  // 0 none, 93, 95, 96
    };
    // Each host loads the module afresh, possibly at another address, so evaluations are told
    // apart by their offset from another slot of the same load.
    long evaluation[3] = {0, 0, 0};
    for (Case c : {Case{8, 15, 0}, Case{9, 2, 0}, Case{9, 3, 93}, Case{9, 4, 93}, Case{9, 5, 95},
                   Case{9, 6, 96}, Case{9, 15, 96}, Case{10, 0, 96}, Case{15, 3, 96}}) {
        SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
        OverrideHost h(version(c.major, c.minor));
        if (c.layout == 0) {
            EXPECT_EQ(h.table, nullptr);
            EXPECT_EQ(h.host.globals().use(QRV_SHADING_GLOBAL).misses, 1u);
            continue;
        }
        ASSERT_NE(h.table, nullptr);
        EXPECT_EQ(h.table->ns_getApiVersion(), 2);
        EXPECT_EQ(h.host.globals().use(QRV_SHADING_GLOBAL).acquires, 1u);
        auto& seen = evaluation[c.layout == 93 ? 0 : c.layout == 95 ? 1 : 2];
        const long offset = reinterpret_cast<long>(h.table->ns_evaluate) -
                            reinterpret_cast<long>(h.table->ns_getApiVersion);
        if (!seen) seen = offset;
        EXPECT_EQ(offset, seen);
    }
    EXPECT_EQ(std::set<long>(evaluation, evaluation + 3).size(), 3u) << "three evaluations";
}

TEST_F(ServicesTest, ServerRefusesOtherNamesAndVersionZero) {
    st_LWGlobalService other{"qrvSomethingElse", reinterpret_cast<void*>(1)};
    EXPECT_EQ(h.host.activate(LWGLOBALSRV_CLASS, QRV_SHADING_GLOBAL, 1, &other), 1);
    EXPECT_EQ(other.data, nullptr);
    st_LWGlobalService right{QRV_SHADING_GLOBAL, nullptr};
    EXPECT_EQ(h.host.activate(LWGLOBALSRV_CLASS, QRV_SHADING_GLOBAL, 0, &right), 1);
    EXPECT_EQ(right.data, nullptr);
    EXPECT_EQ(h.host.activate(LWGLOBALSRV_CLASS, QRV_SHADING_GLOBAL, 1, &right), 0);
    EXPECT_EQ(right.data, h.table);
}

TEST_F(ServicesTest, SubscribersShareOneGraphThatTheLastOneDestroys) {
    EXPECT_EQ(h.graph(), nullptr);
    h.table->ns_subscribe();
    h.table->ns_subscribe();
    ASSERT_NE(h.graph(), nullptr);
    EXPECT_EQ(h.host.nodes().editorCount(), 1u);
    h.node("ScalarConstant");

    h.table->ns_unsubscribe();
    ASSERT_NE(h.graph(), nullptr);
    EXPECT_EQ(h.graph()->nodes.size(), 1u);
    const LWChanGroupID group = h.graph()->group;
    ASSERT_NE(group, nullptr);

    h.table->ns_unsubscribe();
    EXPECT_EQ(h.graph(), nullptr);
    // The channel group stays in the host's tree.
    EXPECT_STREQ(h.host.envelopes().groupName(group), "lumavex");

    // A stray unsubscription does not unbalance the count.
    h.table->ns_unsubscribe();
    h.table->ns_subscribe();
    ASSERT_NE(h.graph(), nullptr);
    EXPECT_TRUE(h.graph()->nodes.empty());
    h.table->ns_unsubscribe();
    EXPECT_EQ(h.graph(), nullptr);
}

TEST_F(ServicesTest, ResetEmptiesTheGraphAndKeepsSubscribersAndEditsSendEventOneOnTheRing) {
    h.table->ns_openEditor();  // nothing without a graph
    h.table->ns_subscribe();
    h.table->ns_subscribe();
    h.table->ns_openEditor();
    EXPECT_EQ(h.graph()->windowOpens, 1u);
    const unsigned before = h.host.ring().sent(QRV_COMRING_TOPIC);
    lwhost::GraphNode* constant = h.node("ColourConstant");
    h.feed("Colour", constant);
    EXPECT_EQ(h.host.ring().sent(QRV_COMRING_TOPIC), before + 2);
    h.host.nodes().removeNode(constant);
    EXPECT_EQ(h.host.ring().sent(QRV_COMRING_TOPIC), before + 3);

    h.node("ScalarConstant");
    h.table->ns_enable(0);
    h.table->ns_reset();
    EXPECT_EQ(h.host.nodes().editorCount(), 1u);
    EXPECT_TRUE(h.graph()->nodes.empty());
    EXPECT_EQ(h.table->ns_isEnabled(), 1);
    h.table->ns_unsubscribe();
    EXPECT_NE(h.graph(), nullptr);
    h.table->ns_unsubscribe();
    EXPECT_EQ(h.graph(), nullptr);
}

TEST_F(ServicesTest, RenderStartLooksForAnEnabledMasterAndEnableSwitchesTheOverrideOff) {
    EXPECT_EQ(h.table->ns_isEnabled(), 0) << "no graph";
    h.table->ns_subscribe();
    EXPECT_EQ(h.table->ns_init(LWINIT_RENDER), nullptr);
    EXPECT_EQ(h.table->ns_flags(), 0u) << "no master plug-in";
    h.addMaster(false, "someOtherMaster");
    h.addMaster();
    h.table->ns_init(LWINIT_RENDER);
    EXPECT_EQ(h.table->ns_flags(), LWSHF_RAYTRACE);
    EXPECT_EQ(h.table->ns_isEnabled(), 1);
    h.table->ns_enable(0);
    EXPECT_EQ(h.table->ns_isEnabled(), 0);
    EXPECT_EQ(h.table->ns_flags(), 0u);
    h.table->ns_enable(1);
    h.scene.masters().back().disabled = true;
    h.table->ns_init(LWINIT_RENDER);
    EXPECT_EQ(h.table->ns_flags(), 0u) << "disabled master plug-in";
    h.table->ns_done();
    h.table->ns_unsubscribe();
}

TEST(ServicesHostTest, ModellingApplicationKeepsTheMasterState) {
    OverrideHost modeller(version(11, 6, 1));
    ASSERT_NE(modeller.table, nullptr);
    modeller.table->ns_subscribe();
    // No master anywhere, but the modelling application does not look.
    EXPECT_EQ(modeller.table->ns_init(LWINIT_PREVIEW), nullptr);
    EXPECT_EQ(modeller.table->ns_flags(), LWSHF_RAYTRACE);
    modeller.table->ns_unsubscribe();
}

TEST_F(ServicesTest, SlotsAnswerNothingWithoutGraphOrLightGroup) {
    LWNodalAccess_t access{};
    EXPECT_EQ(h.table->ns_getShaderAccess(), nullptr);
    EXPECT_EQ(h.table->ns_newTime(1, 0.0), nullptr);
    h.table->ns_done();
    EXPECT_EQ(h.table->ns_load(nullptr), nullptr);
    EXPECT_EQ(h.table->ns_save(nullptr), nullptr);

    // Without a subscription no light group exists: its slots leave the access record alone.
    EXPECT_EQ(h.table->ns_pushGlobalLightGroup(&access), nullptr);
    h.table->ns_popGlobalLightGroup(nullptr);
    EXPECT_EQ(access.illuminate, nullptr);
    EXPECT_EQ(h.table->ns_lg_newTime(1, 0.0), 0);
    EXPECT_EQ(h.table->ns_lg_load(nullptr), nullptr);
    EXPECT_EQ(h.table->ns_lg_save(nullptr), nullptr);
    h.table->ns_useGlobalLightGroup(1);
    EXPECT_EQ(h.table->ns_usesGlobalLightGroup(), 0);
    h.table->ns_DisplayLightGroup();
}

TEST_F(ServicesTest, AllocationFailingInsideASubscriptionIsReportedAndLeavesNoHalfGraph) {
    // Each allocation of a first subscription fails in turn, until one runs through. The host
    // answers a failure inside its own functions as a refusal; the others reach the shield. A
    // failed subscription still counts, so its unsubscription leaves nothing behind.
    long failures = 0, reported = 0;
    for (long n = 0;; ++n) {
        SCOPED_TRACE(n);
        h.host.messages().clear();
        alloc_counter::failAfter(n);
        h.table->ns_subscribe();
        if (!alloc_counter::failed()) break;
        ++failures;
        for (const lwhost::Message& m : h.host.messages().all()) {
            EXPECT_EQ(m.line1, "An exception occured in ns_subscribe():");
            EXPECT_EQ(m.line2, "std::bad_alloc");
            ++reported;
        }
        h.table->ns_unsubscribe();
        EXPECT_EQ(h.host.nodes().editorCount(), 0u);
    }
    alloc_counter::failAfter(-1);
    EXPECT_GT(failures, 23) << "at least one allocation per root input";
    EXPECT_GT(reported, 23);
    ASSERT_NE(h.graph(), nullptr);
    EXPECT_EQ(h.graph()->rootInputs.size(), 23u);

    h.table->ns_unsubscribe();
    EXPECT_EQ(h.host.nodes().editorCount(), 0u);
}

// The frame's accessor, in this process, against the module's table.
TEST_F(ServicesTest, AccessorIsOneSubscriptionAndStoresTheGraph) {
    const ForgetsHost forgets;
    vexo::SetSuperGlobal(lwhost::Host::globalFunction());
    std::string saved;
    {
        vexo::qrvShadingGlobal first;
        ASSERT_TRUE(first.available());
        ASSERT_NE(h.graph(), nullptr);
        auto copy = std::make_unique<vexo::qrvShadingGlobal>(first);
        EXPECT_TRUE(copy->subscribed());
        copy.reset();
        ASSERT_NE(h.graph(), nullptr) << "the first subscription still holds the graph";

        h.feedScalar("Diffuse", 0.25);
        saved = bundle_test::saveText(first);
        EXPECT_NE(saved.find("Root \"Diffuse\""), std::string::npos) << saved;
    }
    EXPECT_EQ(h.graph(), nullptr);
    // The accessors' two acquisitions end in one release.
    EXPECT_EQ(h.host.globals().use(QRV_SHADING_GLOBAL).releases, 1u);

    vexo::qrvShadingGlobal again;
    ASSERT_NE(h.graph(), nullptr);
    EXPECT_TRUE(h.graph()->nodes.empty());
    bundle_test::loadText(again, saved);
    EXPECT_EQ(h.graph()->nodes.size(), 1u);
    EXPECT_NE(h.graph()->rootInput("Diffuse")->source, nullptr);
}

TEST(ServicesHostTest, AccessorWithoutTheServicesSubscribesNothing) {
    lwhost::Session session(version(9, 2));
    lwhost::Host& host = session.host();
    ASSERT_TRUE(loads(host, lumavexModule()));
    const ForgetsHost forgets;
    vexo::SetSuperGlobal(lwhost::Host::globalFunction());
    {
        vexo::qrvShadingGlobal services;
        EXPECT_FALSE(services.available());
        EXPECT_FALSE(services.subscribed());
        EXPECT_EQ(services.Save(vexo::SaveState()), nullptr);
    }
    EXPECT_EQ(host.nodes().editorCount(), 0u);
    EXPECT_EQ(host.globals().use(QRV_SHADING_GLOBAL).releases, 0u);
}

}  // namespace
