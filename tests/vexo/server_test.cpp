// The plug-in list, the module record's entry points and SetSuperGlobal, in process.
#include <gtest/gtest.h>
#include <lwsdk/lwhostinfo.h>
#include <lwsdk/lwmessage.h>
#include <vexo/globals.h>
#include <vexo/server.h>

#include <cstring>

#include "fake_global.h"

extern "C" st_ModuleDescriptor _mod_descrip;

namespace {

int g_hookCalls = 0;
void hook() {
    ++g_hookCalls;
}

class ServerListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        vexo::LWServer::pluginList().clear();
        vexo::LWServer::startupList().clear();
        vexo::LWServer::shutdownList().clear();
        g_hookCalls = 0;
    }
    void TearDown() override { SetUp(); }
};

bool isNullRecord(const st_ServerRecord& r) {
    st_ServerRecord zero;
    std::memset(&zero, 0, sizeof zero);
    return std::memcmp(&r, &zero, sizeof r) == 0;
}

TEST_F(ServerListTest, ArrayEndsWithANullRecordEvenWhenEmptyAndStartupAndShutdownRunTheHooks) {
    st_ServerRecord* array = vexo::LWServer::Startup();
    ASSERT_NE(array, nullptr);
    EXPECT_TRUE(isNullRecord(array[0]));
    EXPECT_EQ(_mod_descrip.serverDefs, array);
    vexo::LWServer::Shutdown(array);
    EXPECT_EQ(_mod_descrip.serverDefs, nullptr);

    // Startup and shutdown run their hooks; a null array only runs the hooks.
    vexo::LWServer::startupList().push_back(hook);
    vexo::LWServer::shutdownList().push_back(hook);
    vexo::LWServer::shutdownList().push_back(hook);
    array = vexo::LWServer::Startup();
    EXPECT_EQ(g_hookCalls, 1);
    vexo::LWServer::Shutdown(array);
    EXPECT_EQ(g_hookCalls, 3);
    vexo::LWServer::Shutdown(nullptr);
    EXPECT_EQ(g_hookCalls, 5);
}

// The frame's module-wide state outlives a test, so one test walks the whole sequence, and ends by
// making the frame forget the host.
TEST(SetSuperGlobalTest, AcquiresMessagesOnceRefreshesIdentityEveryCallAndForgetsAll) {
    FakeGlobals fake;
    st_LWMessageFuncs messages{};
    fake.records["Info Messages 2"] = &messages;
    fake.records["Product Info"] = reinterpret_cast<void*>(uintptr_t{LWPRODUCT_MAKE(9, 6, 0)});
    fake.records["System ID"] = reinterpret_cast<void*>(uintptr_t{0x10000042});

    // An accessor built before any activation has no global function: it is empty.
    ASSERT_EQ(vexo::SuperGlobal, nullptr);
    {
        vexo::LWMessage early;
        EXPECT_FALSE(early.available());
    }
    EXPECT_EQ(fake.uses.count("Info Messages 2"), 0u);

    vexo::SetSuperGlobal(&FakeGlobals::global);
    EXPECT_EQ(fake.uses["Info Messages 2"].acquires, 1);
    ASSERT_NE(vexo::messageService(), nullptr);
    EXPECT_TRUE(vexo::messageService()->available());

    fake.records["Product Info"] = reinterpret_cast<void*>(uintptr_t{LWPRODUCT_MAKE(11, 0, 0)});
    fake.records["System ID"] = nullptr;
    vexo::SetSuperGlobal(&FakeGlobals::global);
    EXPECT_EQ(fake.uses["Info Messages 2"].acquires, 1);
    EXPECT_EQ(fake.uses["Product Info"].reads, 2);
    EXPECT_EQ(fake.uses["System ID"].reads, 2);
    EXPECT_EQ(vexo::LightWave::majorVersion(), 11u);
    EXPECT_EQ(vexo::LightWave::systemType(), 0u);

    vexo::ForgetHost();
    EXPECT_EQ(fake.uses["Info Messages 2"].releases, 1);
    EXPECT_EQ(vexo::SuperGlobal, nullptr);
    EXPECT_EQ(vexo::messageService(), nullptr);
    EXPECT_EQ(vexo::LightWave::productInfo, 0u);
}

}  // namespace
