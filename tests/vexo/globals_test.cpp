// Accessors of host globals and the ring client, in process against a fake global function.
// How accessors of one global share its acquisition is checked by the host's module life tests.
#include <gtest/gtest.h>
#include <lwsdk/lwcomring.h>
#include <lwsdk/lwmessage.h>
#include <vexo/globals.h>
#include <vexo/server.h>

#include <string>
#include <vector>

#include "fake_global.h"

namespace {

// Installs the fake as the frame's global function for one test.
class GlobalsTest : public ::testing::Test {
  protected:
    void SetUp() override { vexo::SuperGlobal = &FakeGlobals::global; }
    void TearDown() override { vexo::SuperGlobal = nullptr; }
    FakeGlobals fake;
};

TEST_F(GlobalsTest, MissingGlobalIsUnavailableNeverReleasedAndSkipsCalls) {
    {
        vexo::InstanceUpdate update;
        EXPECT_FALSE(update.available());
        EXPECT_FALSE(update.update("ShaderHandler", this));
        EXPECT_EQ(vexo::InstanceUpdate::usageCount(), 0u);
        vexo::LWMessage none;
        none.error("header", "text");  // must not crash
        EXPECT_FALSE(none.available());
    }
    EXPECT_EQ(fake.uses["Instance Update"].releases, 0);
    EXPECT_EQ(fake.uses["Info Messages 2"].releases, 0);
}

std::vector<std::string> g_updates;
int recordUpdate(const char* cls, void*) {
    g_updates.push_back(cls);
    return 0;
}

extern const char kNameA[] = "Fake Funcs A";
extern const char kNameB[] = "Fake Funcs B";

TEST_F(GlobalsTest, FunctionGlobalsAreCalledThroughTheirPointerAndNamesTellAccessorsApart) {
    fake.records["Instance Update"] = reinterpret_cast<void*>(&recordUpdate);
    g_updates.clear();
    vexo::InstanceUpdate update;
    EXPECT_TRUE(update.update("ShaderHandler", this));
    EXPECT_FALSE(update.update(nullptr, this));
    EXPECT_EQ(g_updates, std::vector<std::string>{"ShaderHandler"});

    // Named accessors of one type reach different globals.
    int a = 1, b = 2;
    fake.records[kNameA] = &a;
    fake.records[kNameB] = &b;
    vexo::nGlobalBase<int, kNameA> accessorA;
    vexo::nGlobalBase<int, kNameB> accessorB;
    ASSERT_TRUE(accessorA.available());
    EXPECT_EQ(*accessorA.getGlobal(), 1);
    EXPECT_EQ(*accessorB.getGlobal(), 2);
    EXPECT_EQ((vexo::nGlobalBase<int, kNameA>::usageCount()), 1u);
}

// A fake ring with one client slot; attaching fails while `g_refuse` is set.
struct RingClient {
    std::string topic;
    void* data = nullptr;
    LWRingEventFunc cb = nullptr;
} g_client;
bool g_refuse = false;
st_LWComRing g_fakeRing = {[](const char* topic, void* data, LWRingEventFunc cb) {
                               return g_refuse ? 0 : (g_client = {topic, data, cb}, 1);
                           },
                           [](const char* topic, void* data) {
                               if (g_client.topic == topic && g_client.data == data) g_client = {};
                           },
                           [](const char* topic, int code, void* data) {
                               if (g_client.cb && g_client.topic == topic)
                                   g_client.cb(g_client.data, const_cast<char*>("port"), code,
                                               data);
                           }};

struct Listener : vexo::comRingCommunicator {
    std::vector<int> codes;
    void* lastData = nullptr;
    void RingEvent(void*, int code, void* data) override {
        codes.push_back(code);
        lastData = data;
    }
};

TEST_F(GlobalsTest, RingClientHearsItsTopicUntilDestroyedButNotWhenCopiedOrRefused) {
    fake.records["LW Communication Ring"] = &g_fakeRing;
    int payload = 7;
    {
        Listener listener;
        ASSERT_TRUE(listener.attach("topic"));
        EXPECT_EQ(listener.topic(), "topic");
        Listener copy(listener);
        EXPECT_FALSE(copy.attached());
        EXPECT_EQ(g_client.data, static_cast<vexo::comRingCommunicator*>(&listener));
        vexo::comRingCommunicator sender;
        sender.send("topic", 1, &payload);
        sender.send("other", 2, nullptr);
        EXPECT_EQ(listener.codes, std::vector<int>{1});
        EXPECT_EQ(listener.lastData, &payload);
        EXPECT_TRUE(copy.codes.empty());
    }
    EXPECT_EQ(g_client.cb, nullptr) << "detached when destroyed";

    g_refuse = true;
    Listener listener;
    EXPECT_FALSE(listener.attach("topic"));
    EXPECT_TRUE(listener.topic().empty());
    g_refuse = false;
    g_fakeRing.ringMessage("topic", 1, nullptr);
    EXPECT_TRUE(listener.codes.empty());
}

}  // namespace
