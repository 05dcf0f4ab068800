// Accessors of host globals and the ring client, in process against the real host. How accessors
// of one global share and release their acquisition is checked by the host's module life tests.
#include <gtest/gtest.h>
#include <lwsdk/lwcomring.h>
#include <vexo/globals.h>
#include <vexo/server.h>
#include "lwhost/core/host.h"

#include <vector>

namespace {

// The host's global function for the frame, without the module-wide message service.
class GlobalsTest : public ::testing::Test {
  protected:
    void SetUp() override { vexo::SuperGlobal = lwhost::Host::globalFunction(); }
    void TearDown() override { vexo::SuperGlobal = nullptr; }
    lwhost::Host host;
};

extern const char kNameA[] = "Fake Funcs A";
extern const char kNameB[] = "Fake Funcs B";

TEST_F(GlobalsTest, FunctionGlobalsAreCalledNamesTellAccessorsApartAndMissingOnesAreSkipped) {
    EXPECT_TRUE(vexo::InstanceUpdate().update("ShaderHandler", this));
    EXPECT_FALSE(vexo::InstanceUpdate().update(nullptr, this));
    EXPECT_EQ(host.updates().all().size(), 1u) << "a null class is not sent";

    // Named accessors of one type reach different globals.
    int a = 1, b = 2;
    host.globals().publish(kNameA, &a);
    host.globals().publish(kNameB, &b);
    vexo::nGlobalBase<int, kNameA> accessorA;
    vexo::nGlobalBase<int, kNameB> accessorB;
    ASSERT_TRUE(accessorA.available());
    EXPECT_EQ(*accessorA.getGlobal(), 1);
    EXPECT_EQ(*accessorB.getGlobal(), 2);
    // An accessor whose acquisition failed holds nothing, so going it releases nothing.
    host.globals().withdraw(kNameA);
    { vexo::nGlobalBase<int, kNameA> failed; }
    EXPECT_EQ(host.globals().use(kNameA).releases, 0u) << "accessorA still holds it";

    // A missing global is unavailable and its calls are skipped.
    host.globals().withdraw(LWINSTUPDATE_GLOBAL);
    host.globals().withdraw("Info Messages 2");
    vexo::InstanceUpdate update;
    EXPECT_FALSE(update.available());
    EXPECT_FALSE(update.update("ShaderHandler", this));
    vexo::LWMessage none;
    none.error("header", "text");  // must not crash
    EXPECT_FALSE(none.available());
}

struct Listener : vexo::comRingCommunicator {
    std::vector<int> codes;
    void* lastData = nullptr;
    void RingEvent(void*, int code, void* data) override {
        codes.push_back(code);
        lastData = data;
    }
};

TEST_F(GlobalsTest, RingClientHearsItsTopicUntilDestroyedButNotWhenCopiedOrRefused) {
    int payload = 7;
    {
        Listener listener;
        ASSERT_TRUE(listener.attach("topic"));
        Listener copy(listener);
        EXPECT_FALSE(copy.attached());
        EXPECT_EQ(host.ring().clients("topic"), 1u);
        vexo::comRingCommunicator sender;
        sender.send("topic", 1, &payload);
        sender.send("other", 2, nullptr);
        EXPECT_EQ(listener.codes, std::vector<int>{1});
        EXPECT_EQ(listener.lastData, &payload);
        EXPECT_TRUE(copy.codes.empty());
    }

    // A ring that refuses every client.
    st_LWComRing refusing = *lwhost::ComRing::record();
    refusing.ringAttach = [](char*, void*, LWRingEventFunc) { return 0; };
    host.globals().publish(LWCOMRING_GLOBAL, &refusing);
    Listener listener;
    EXPECT_FALSE(listener.attach("topic"));
    EXPECT_TRUE(listener.topic().empty());
    EXPECT_EQ(host.ring().clients("topic"), 0u);
}

}  // namespace
