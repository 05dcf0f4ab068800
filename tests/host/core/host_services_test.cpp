// The host's own services, without a module: globals table, identity, messages, ring, commands.
#include <gtest/gtest.h>
#include <lwsdk/lwhostinfo.h>
#include "lwhost/core/host.h"

#include <string>
#include <vector>

namespace {

TEST(GlobalsRegistryTest, TracksAcquireReleaseAndHeldPerNameAndAsksAFallbackForOthers) {
    lwhost::GlobalsRegistry reg;
    int record = 0;
    reg.publish("Thing", &record);
    EXPECT_EQ(reg.request("Thing", LWGLOBAL_ACQUIRE), &record);
    EXPECT_EQ(reg.request("Thing", LWGLOBAL_ACQUIRE), &record);
    EXPECT_EQ(reg.held(), std::vector<std::string>{"Thing"});
    EXPECT_EQ(reg.request("Thing", LWGLOBAL_RELEASE), nullptr);
    EXPECT_TRUE(reg.held().empty());
    EXPECT_EQ(reg.request("Thing", LWGLOBAL_READ), &record);
    lwhost::GlobalUse use = reg.use("Thing");
    EXPECT_EQ(use.acquires, 2u);
    EXPECT_EQ(use.releases, 1u);
    EXPECT_EQ(use.reads, 1u);

    EXPECT_EQ(reg.request("Unknown", LWGLOBAL_ACQUIRE), nullptr);
    EXPECT_EQ(reg.use("Unknown").misses, 1u);
    EXPECT_FALSE(reg.use("Unknown").held);
    EXPECT_EQ(reg.request(nullptr, LWGLOBAL_ACQUIRE), nullptr);
    EXPECT_EQ(reg.request("Thing", 7), nullptr);  // unknown use code

    // A fallback answers names the table lacks.
    int offered = 0;
    std::vector<std::string> asked;
    reg.setFallback([&](const std::string& name, int) -> void* {
        asked.push_back(name);
        return name == "Plug-in Global" ? &offered : nullptr;
    });
    EXPECT_EQ(reg.request("Plug-in Global", LWGLOBAL_ACQUIRE), &offered);
    EXPECT_TRUE(reg.use("Plug-in Global").held);
    EXPECT_EQ(reg.request("Nobody", LWGLOBAL_READ), nullptr);
    reg.request("Plug-in Global", LWGLOBAL_RELEASE);  // releases are not forwarded
    EXPECT_EQ(asked, (std::vector<std::string>{"Plug-in Global", "Nobody"}));
}

TEST(HostIdentityTest, ParsesVersionsAndRefusesWhatDoesNotFit) {
    lwhost::HostIdentity id;
    std::string error;
    EXPECT_TRUE(id.setVersion("9.3", error));
    EXPECT_EQ(id.major, 9u);
    EXPECT_EQ(id.minor, 3u);
    EXPECT_TRUE(id.setVersion("15.15", error));
    for (const char* bad :
         {"16.0", "9.16", "9", "9.", ".5", "9.5.1", "a.b", "", "-1.0", "9.5x", "0009.5"}) {
        lwhost::HostIdentity keep;
        EXPECT_FALSE(keep.setVersion(bad, error)) << bad;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(keep.versionText(), "11.6") << "a refused version must leave the identity";
    }
}

TEST(MessageLogTest, AskingDialogsGiveTheCautiousAnswerWithoutAnAnswerer) {
    lwhost::Host host;
    const st_LWMessageFuncs* msg = lwhost::MessageLog::record();
    EXPECT_EQ(msg->okCancel("Title", "Really?", nullptr), LWMSG_CANCEL);
    EXPECT_EQ(msg->yesNo("Title", "Really?", nullptr), LWMSG_NO);
    EXPECT_EQ(msg->yesNoCan("Title", "Really?", nullptr), LWMSG_CANCEL);
    host.messages().setAnswerer([](lwhost::MessageKind, const lwhost::Message&) { return 2; });
    EXPECT_EQ(msg->yesNoCan("Title", "Really?", nullptr), LWMSG_YNC_YES);
    // Every question is kept, even when asked twice.
    EXPECT_EQ(host.messages().size(), 4u);
    EXPECT_EQ(host.messages().all()[0].line1, "Title");
}

TEST(MessageLogTest, EchoSeesEachDistinctMessageOnce) {
    lwhost::MessageLog log;
    std::vector<std::string> echoed;
    log.setEcho([&](const lwhost::Message& m) { echoed.push_back(m.line1 + "|" + m.line2); });
    for (int i = 0; i < 1000; ++i) log.show(lwhost::MessageKind::Error, "header", "same");
    log.show(lwhost::MessageKind::Error, "header", "other");
    log.show(lwhost::MessageKind::Warning, "header", "same");
    log.show(lwhost::MessageKind::Info, nullptr, nullptr);
    EXPECT_EQ(echoed.size(), 4u);
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log.all()[0].count, 1000u);
}

struct RingClient {
    explicit RingClient(lwhost::ComRing* r) : ring(r) {}
    lwhost::ComRing* ring;
    RingClient* detachOnEvent = nullptr;  // itself or another client
    std::vector<int> codes;
    static void cb(void* data, void*, int code, void*) {
        auto* self = static_cast<RingClient*>(data);
        self->codes.push_back(code);
        if (self->detachOnEvent) self->ring->detach("t", self->detachOnEvent);
    }
};

TEST(ComRingTest, ClientsMayDetachThemselvesOrOthersFromInsideTheirCallback) {
    lwhost::ComRing ring;
    RingClient a(&ring), b(&ring);
    a.detachOnEvent = &a;
    EXPECT_EQ(ring.attach("t", &a, RingClient::cb), 1);
    EXPECT_EQ(ring.attach("t", &b, RingClient::cb), 1);
    EXPECT_EQ(ring.attach("t", &b, RingClient::cb), 1);  // no double attachment
    EXPECT_EQ(ring.clients("t"), 2u);
    ring.send("t", 1, nullptr);
    ring.send("t", 2, nullptr);
    EXPECT_EQ(a.codes, std::vector<int>{1});
    EXPECT_EQ(b.codes, (std::vector<int>{1, 2}));
    EXPECT_EQ(ring.attach(nullptr, &a, RingClient::cb), 0);
    EXPECT_EQ(ring.attach("t", &a, nullptr), 0);

    // A client detached by another mid-send is skipped.
    lwhost::ComRing other;
    RingClient killer(&other), victim(&other);
    killer.detachOnEvent = &victim;
    other.attach("t", &killer, RingClient::cb);
    other.attach("t", &victim, RingClient::cb);
    other.send("t", 1, nullptr);
    EXPECT_TRUE(victim.codes.empty());
}

TEST(CommandProcessorTest, RecordsEveryLineAndRunsKnownVerbs) {
    lwhost::Host host;
    LWCommandFunc* run = lwhost::CommandProcessor::function();
    EXPECT_EQ(run("StatusMsg Applying qrvLumavex to Floor"), LWCMD_OK);
    EXPECT_EQ(run("NoSuchCommand 1 2"), LWCMD_UNKNOWN);
    EXPECT_EQ(run("   "), LWCMD_FAILED);
    EXPECT_EQ(run(nullptr), LWCMD_FAILED);
    EXPECT_EQ(host.commands().lines().size(), 3u);
    EXPECT_EQ(host.commands().statusMessages(),
              std::vector<std::string>{"Applying qrvLumavex to Floor"});
    std::string seen;
    host.commands().define("Surf_SetSurf", [&](const std::string& a) {
        seen = a;
        return LWCMD_OK;
    });
    EXPECT_EQ(run("Surf_SetSurf Floor"), LWCMD_OK);
    EXPECT_EQ(seen, "Floor");
}

// The command records' lookup and execute: a code per verb that runs it, none for others.
TEST(CommandProcessorTest, LookedUpCodesRunTheirVerbWithoutArguments) {
    lwhost::Host host;
    auto* lookup = lwhost::CommandProcessor::lookupFunction();
    auto* execute = lwhost::CommandProcessor::executeFunction();
    int runs = 0;
    host.commands().define("Surf_SetSurf", [&](const std::string&) {
        ++runs;
        return LWCMD_OK;
    });
    const LWCommandCode status = lookup(nullptr, "StatusMsg");
    const LWCommandCode set = lookup(nullptr, "Surf_SetSurf");
    EXPECT_NE(status, 0);
    EXPECT_NE(set, status);
    EXPECT_EQ(lookup(nullptr, "Surf_SetSurf"), set) << "one code per verb";
    for (const char* none : {"NoSuchCommand", "", static_cast<const char*>(nullptr)})
        EXPECT_EQ(lookup(nullptr, none), 0) << (none ? none : "null");
    EXPECT_EQ(execute(nullptr, set, 0, nullptr, nullptr), LWCMD_OK);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(host.commands().lines().back(), "Surf_SetSurf");
    EXPECT_EQ(execute(nullptr, set, 1, nullptr, nullptr), LWCMD_FAILED);
    for (LWCommandCode bad : {0, -1, set + status + 1})
        EXPECT_EQ(execute(nullptr, bad, 0, nullptr, nullptr), LWCMD_UNKNOWN) << bad;
    EXPECT_EQ(runs, 1);
}

TEST(HostTest, TheGlobalFunctionReachesTheCurrentHostOnly) {
    LWGlobalFunc global = lwhost::Host::globalFunction();
    EXPECT_EQ(global("Info Messages 2", LWGLOBAL_READ), nullptr);  // no host yet
    {
        lwhost::Host host;
        EXPECT_NE(global("Info Messages 2", LWGLOBAL_READ), nullptr);
        EXPECT_EQ(lwhost::Host::current(), &host);
    }
    EXPECT_EQ(lwhost::Host::current(), nullptr);
}

}  // namespace
