// The lwhost program as a user meets it: listing servers, help, and bad command lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "run_program.h"
#include "test_paths.h"

namespace {

ProgramResult lwhost(const std::string& args) {
    return runProgram(lwhostProgram() + " " + args);
}

TEST(LwhostCliTest, ServersListsRecordsWithPositionClassNameAndTags) {
    ProgramResult r = lwhost("servers --module " + testModule("order_module"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("3 server records"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  1  OrderHandler"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("0:\"A\" 0x70000:\"grp/A\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  3  OrderHandler     b1"), std::string::npos) << r.out;
}

TEST(LwhostCliTest, ServersDefaultsToTheBundleNextToTheProgram) {
    ProgramResult r = lwhost("servers");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("lumavex.p"), std::string::npos);
}

TEST(LwhostCliTest, BadModulesExitTwoWithOneLineNamingFileAndReason) {
    struct Case {
        std::string module;
        std::string reason;
    } cases[] = {
        {testModule("bad_sync"), "wrong sync word"},
        {testModule("bad_version"), "unsupported system version"},
        {testModule("bad_machine"), "wrong machine code"},
        {testModule("no_descriptor"), "has no module record"},
        {"/nonexistent/x.p", "no such module file"},
    };
    for (const Case& c : cases) {
        ProgramResult r = lwhost("servers --module " + c.module);
        EXPECT_EQ(r.status, 2) << c.module;
        EXPECT_EQ(r.err.rfind("lwhost: " + c.module + ": ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

TEST(LwhostCliTest, TextFileAsModuleIsRefused) {
    std::string path = ::testing::TempDir() + "/text_module.p";
    std::ofstream(path) << "plain text\n";
    ProgramResult r = lwhost("servers --module " + path);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(path + ": not a loadable module"), std::string::npos) << r.err;
}

TEST(LwhostCliTest, UsageErrorsExitTwoWithAHint) {
    for (const char* args :
         {"", "frobnicate", "--bogus servers", "servers --bogus", "servers --module",
          "--host-version 16.0 servers", "--host-version servers", "servers --host-version 9.x"}) {
        ProgramResult r = lwhost(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_FALSE(r.err.empty()) << args;
    }
    ProgramResult r = lwhost("servers extra");
    EXPECT_NE(r.err.find("Try 'lwhost servers --help'"), std::string::npos) << r.err;
}

TEST(LwhostCliTest, HelpExplainsEveryCommandAndOption) {
    ProgramResult overview = lwhost("--help");
    EXPECT_EQ(overview.status, 0);
    for (const char* word : {"servers", "--host-version", "--modeler"})
        EXPECT_NE(overview.out.find(word), std::string::npos) << word;
    ProgramResult servers = lwhost("servers --help");
    EXPECT_EQ(servers.status, 0);
    EXPECT_NE(servers.out.find("--module PATH"), std::string::npos);
}

TEST(LwhostCliTest, GlobalOptionsAreAcceptedAfterTheCommand) {
    ProgramResult r =
        lwhost("servers --module " + testModule("order_module") + " --host-version 9.3 --modeler");
    EXPECT_EQ(r.status, 0) << r.err;
}

}  // namespace
