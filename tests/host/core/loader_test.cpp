// Loading modules through the real dynamic loader: good ones, malformed ones, and unloading.
#include <gtest/gtest.h>
#include "lwhost/core/host.h"

#include <cstdio>
#include <fstream>

#include "test_paths.h"

namespace {

using lwhost::LoadResult;
using lwhost::LoadStatus;
using lwhost::Module;

TEST(LoaderTest, MalformedModulesTextFilesAndDirectoriesAreRefusedNamingFileAndReason) {
    const std::string text = ::testing::TempDir() + "/not_a_module.p";
    std::ofstream(text) << "this is text, not a shared object\n";
    const struct {
        std::string path;
        LoadStatus status;
        const char* reason;  // part of the message
    } cases[] = {{testModule("bad_sync"), LoadStatus::BadSync, "sync word 0x12345678"},
                 {testModule("bad_version"), LoadStatus::BadVersion, "system version 2"},
                 {testModule("bad_machine"), LoadStatus::BadMachine, "machine code 0x00000200"},
                 {testModule("no_descriptor"), LoadStatus::NoDescriptor, "_mod_descrip"},
                 {testModule("no_startup"), LoadStatus::NoEntryPoints, "no startup"},
                 {testModule("null_startup"), LoadStatus::StartupFailed, "no server records"},
                 {testModule("missing_file"), LoadStatus::NotFound, "no such module file"},
                 {text, LoadStatus::NotLoadable, ": not a loadable module"},
                 {::testing::TempDir(), LoadStatus::NotLoadable, ""}};
    for (const auto& c : cases) {
        LoadResult result;
        EXPECT_EQ(Module::load(c.path, result), nullptr) << c.path;
        EXPECT_EQ(result.status, c.status) << c.path;
        EXPECT_NE(result.message.find(c.path), std::string::npos) << result.message;
        EXPECT_NE(result.message.find(c.reason), std::string::npos) << result.message;
    }
    std::remove(text.c_str());
}

TEST(LoaderTest, RecordsFollowTheLinkOrderOfTheServerUnitsAndModulesLoadSideBySide) {
    lwhost::Host host;
    LoadResult result;
    Module* module = host.loadModule(testModule("order_module"), result);
    ASSERT_NE(module, nullptr) << result.message;
    const auto& records = module->records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_STREQ(records[0]->className, "OrderHandler");
    EXPECT_STREQ(records[0]->name, "a1");
    EXPECT_STREQ(records[1]->className, "OrderInterface");
    EXPECT_STREQ(records[2]->name, "b1");
    EXPECT_EQ(lwhost::formatTags(records[0]->tagInfo), "0:\"A\" 0x70000:\"grp/A\"");
    EXPECT_EQ(lwhost::formatTags(records[2]->tagInfo), "");
    EXPECT_EQ(host.findServer("OrderInterface", "a1"), records[1]);
    EXPECT_EQ(host.findServer("OrderInterface", "b1"), nullptr);
    EXPECT_EQ(host.activate("OrderHandler", "nothing", 1, nullptr), -1);

    ASSERT_NE(host.loadModule(testModule("probe_module"), result), nullptr) << result.message;
    EXPECT_NE(host.findServer("ProbeHandler", "probe"), nullptr);
    EXPECT_EQ(host.findServer("OrderInterface", "a1"), records[1]);
    host.unloadModules();
    EXPECT_TRUE(host.modules().empty());
}

}  // namespace
