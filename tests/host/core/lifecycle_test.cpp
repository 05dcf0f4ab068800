// A module's whole life driven through the real host: load, activate, globals, ring, shutdown,
// unload; and what the host keeps of it.
#include <gtest/gtest.h>
#include <lwsdk/lwhostinfo.h>
#include "lwhost/core/host.h"

#include "modules/probe_protocol.h"
#include "test_paths.h"

namespace {

class LifecycleTest : public ::testing::Test {
  protected:
    void SetUp() override { load(); }

    void load() {
        lwhost::LoadResult result;
        module = host->loadModule(testModule("probe_module"), result);
        ASSERT_NE(module, nullptr) << result.message;
    }

    ProbeRequest probe(int op, const char* text = nullptr, int code = 0, void* data = nullptr) {
        ProbeRequest req{};
        req.op = op;
        req.text = text;
        req.code = code;
        req.data = data;
        EXPECT_EQ(host->activate("ProbeHandler", "probe", 1, &req), 0);
        return req;
    }

    std::unique_ptr<lwhost::Host> host = std::make_unique<lwhost::Host>();
    lwhost::Module* module = nullptr;
};

TEST_F(LifecycleTest, ActivationHandsTheHostIdentityToTheFrame) {
    lwhost::HostIdentity id;
    std::string error;
    ASSERT_TRUE(id.setVersion("9.5", error));
    id.systemType = 1;
    host->setIdentity(id);
    ProbeRequest req = probe(PROBE_IDENTITY);
    EXPECT_EQ(LWPRODUCT_MAJOR(req.productInfo), 9u);
    EXPECT_EQ(LWPRODUCT_MINOR(req.productInfo), 5u);
    EXPECT_EQ(LWSYSTEM_TYPE(req.systemID), 1u);
    EXPECT_TRUE(req.messagesAvailable);
    EXPECT_EQ(host->globals().use("Product Info").reads, 1u);
}

TEST_F(LifecycleTest, NothingIsHeldAfterTheModuleIsUnloadedAndMissingGlobalsOnlyCountMisses) {
    // An accessor of a missing global counts a miss and never releases it.
    ProbeRequest transient = probe(PROBE_TRANSIENT_ACCESSOR, "Probe Transient");
    EXPECT_FALSE(transient.attached);
    EXPECT_EQ(host->globals().use("Probe Transient").misses, 1u);
    EXPECT_EQ(host->globals().use("Probe Transient").releases, 0u);

    probe(PROBE_IDENTITY);
    ProbeRequest held = probe(PROBE_HOLD_MESSAGES);
    EXPECT_EQ(held.messageUsage, 2u);  // the frame's own accessor and the probe's
    probe(PROBE_RING_ATTACH, "topic");
    probe(PROBE_UPDATE, "ShaderHandler", 0, this);
    EXPECT_FALSE(host->globals().held().empty());

    host->unloadModules();
    EXPECT_TRUE(host->globals().held().empty())
        << "still held: " << ::testing::PrintToString(host->globals().held());
    lwhost::GlobalUse messages = host->globals().use("Info Messages 2");
    EXPECT_EQ(messages.acquires, 2u);
    EXPECT_EQ(messages.releases, 1u);              // released once, by the last accessor
    EXPECT_EQ(host->ring().clients("topic"), 0u);  // the kept communicator detached
    ASSERT_EQ(host->updates().all().size(), 1u);
    EXPECT_EQ(host->updates().all()[0].className, "ShaderHandler");
}

TEST_F(LifecycleTest, RingEventsReachAttachedClientsOnly) {
    ProbeRequest first = probe(PROBE_RING_ATTACH, "qrvLumavexComRing");
    EXPECT_TRUE(first.attached);
    probe(PROBE_RING_ATTACH, "qrvLumavexComRing");
    probe(PROBE_RING_ATTACH, "elsewhere");
    EXPECT_EQ(host->ring().clients("qrvLumavexComRing"), 2u);

    ProbeRequest sent = probe(PROBE_RING_SEND, "qrvLumavexComRing", 1);
    EXPECT_EQ(sent.events, 2);
    EXPECT_EQ(sent.lastEvent, 1);
    EXPECT_STREQ(sent.lastPort, "qrvLumavexComRing");

    probe(PROBE_RING_DROP);
    EXPECT_EQ(host->ring().clients("qrvLumavexComRing"), 0u);
    ProbeRequest after = probe(PROBE_RING_SEND, "qrvLumavexComRing", 2);
    EXPECT_EQ(after.events, 2);
    EXPECT_EQ(host->ring().sent("qrvLumavexComRing"), 2u);
}

TEST_F(LifecycleTest, ReloadStartsTheModuleAfresh) {
    probe(PROBE_RING_ATTACH, "topic");
    host->unloadModules();
    load();
    // A module still mapped from before would remember its event count and clients.
    ProbeRequest req = probe(PROBE_RING_SEND, "topic", 5);
    EXPECT_EQ(req.events, 0);
    EXPECT_EQ(host->globals().use("Info Messages 2").acquires, 2u);
}

}  // namespace
