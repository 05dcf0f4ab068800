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
    // Global options are accepted after the command too.
    ProgramResult r =
        lwhost("servers --module " + testModule("order_module") + " --host-version 9.3 --modeler");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("3 server records"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  1  OrderHandler"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("0:\"A\" 0x70000:\"grp/A\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  3  OrderHandler     b1"), std::string::npos) << r.out;
    // Without --module: the bundle next to the program.
    r = lwhost("servers");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("lumavex.p"), std::string::npos);
}

TEST(LwhostCliTest, BadModulesExitTwoWithOneLineNamingFileAndReason) {
    const std::string text = ::testing::TempDir() + "/text_module.p";
    std::ofstream(text) << "plain text\n";
    const std::pair<std::string, std::string> cases[] = {
        {testModule("bad_sync"), "wrong sync word"},
        {testModule("bad_version"), "unsupported system version"},
        {testModule("bad_machine"), "wrong machine code"},
        {testModule("no_descriptor"), "has no module record"},
        {"/nonexistent/x.p", "no such module file"},
        {text, "not a loadable module"},
    };
    for (const auto& [module, reason] : cases) {
        ProgramResult r = lwhost("servers --module " + module);
        EXPECT_EQ(r.status, 2) << module;
        EXPECT_EQ(r.err.rfind("lwhost: " + module + ": ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

TEST(LwhostCliTest, UsageErrorsExitTwoWithAHintAndHelpIsNoError) {
    for (const char* args :
         {"", "frobnicate", "--bogus servers", "servers --bogus", "servers --module",
          "--host-version 16.0 servers", "--host-version servers", "servers --host-version 9.x"}) {
        ProgramResult r = lwhost(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_FALSE(r.err.empty()) << args;
    }
    ProgramResult r = lwhost("servers extra");
    EXPECT_NE(r.err.find("Try 'lwhost servers --help'"), std::string::npos) << r.err;
    for (const char* args : {"--help", "servers --help", "run --help"}) {
        r = lwhost(args);
        EXPECT_EQ(r.status, 0) << args;
        EXPECT_EQ(r.out.rfind("usage: lwhost ", 0), 0u) << r.out;
    }
}

}  // namespace
