// The lwhost program as a user meets it: listing servers, help, and bad command lines.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "run_program.h"
#include "temp_dir.h"
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
    // Every reason the loader gives is the loader's tests'.
    const std::pair<std::string, std::string> cases[] = {
        {testModule("bad_sync"), "wrong sync word"},
        {"/nonexistent/x.p", "no such module file"},
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

// A module path names a file from the current directory, never one the library path finds.
TEST(LwhostCliTest, AModuleWithoutASlashIsTheFileInTheCurrentDirectory) {
    const TempDir temp("lwhost_cli");
    const std::string work = temp / "work", lib = temp / "lib";
    std::filesystem::create_directories(work);
    std::filesystem::create_directories(lib);
    std::filesystem::copy_file(testModule("order_module"), lib + "/m.p");
    std::filesystem::copy_file(testModule("order_module"), work + "/good.p");
    std::ofstream(work + "/m.p") << "not a module\n";
    const std::pair<std::string, int> rows[] = {{"m.p", 2}, {"good.p", 0}};
    for (const auto& [module, status] : rows) {
        const ProgramResult r = runProgram("cd " + work + " && LD_LIBRARY_PATH=" + lib + " " +
                                           lwhostProgram() + " servers --module " + module);
        EXPECT_EQ(r.status, status) << module << "\n" << r.err;
        if (status != 0) {
            EXPECT_NE(r.err.find("m.p: not a loadable module"), std::string::npos) << r.err;
        }
    }
}

TEST(LwhostCliTest, UsageErrorsExitTwoWithAHintAndHelpIsNoError) {
    for (const char* args :
         {"", "info", "frobnicate", "--bogus servers", "servers --bogus", "servers --module",
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

// Every command reads and checks the configuration and the directory and alert options alike,
// before it loads or writes anything.
TEST(LwhostCliTest, EveryCommandRefusesABadConfigurationOrOption) {
    const TempDir temp("lwhost_cli");
    const std::string& dir = temp.path;
    std::ofstream(dir + "/scene.lws") << "LWHostScene 1\n";
    std::ofstream(dir + "/a.lwscript") << "print \"x\"\n";
    std::ofstream(dir + "/bad.cfg") << "# settings\nvolume 11\n";
    const std::string commands[] = {
        "info " + dir + "/scene.lws",
        "servers",
        "render " + dir + "/scene.lws -o " + dir + "/out.png",
        "run " + dir + "/scene.lws " + dir + "/a.lwscript",
    };
    const std::pair<std::string, std::string> options[] = {
        {"--config " + dir + "/missing.cfg", dir + "/missing.cfg: cannot be read"},
        {"--config " + dir + "/bad.cfg", dir + "/bad.cfg:2: unknown setting \"volume\""},
        {"--config " + dir, dir + ": not a regular file"},
        {"--dir Content", "--dir takes TYPE=PATH"},
        {"--alert-level 3", "--alert-level takes 0, 1 or 2"},
    };
    for (const std::string& command : commands) {
        for (const auto& [option, message] : options) {
            ProgramResult r = lwhost(option + " " + command);
            EXPECT_EQ(r.status, 2) << option << " " << command;
            EXPECT_NE(r.err.find(message), std::string::npos) << command << "\n" << r.err;
            EXPECT_EQ(r.out, "") << command;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/out.png"));
}

// What a command prints is its result: standard output that cannot be written (a full disk, a
// pipe nobody reads, a closed descriptor) fails every command, said on standard error.
TEST(LwhostCliTest, StandardOutputThatCannotBeWrittenFailsTheCommand) {
    const TempDir temp("lwhost_cli");
    const std::string& dir = temp.path;
    std::ofstream(dir + "/scene.lws")
        << "LWHostScene 1\nObject \"Floor\"\n  Plane \"Floor\" 4 4\nEnd\n"
           "Light \"Sun\"\nEnd\nCamera \"Camera\"\nEnd\n";
    std::ofstream(dir + "/a.lwscript") << "print \"x\"\n";
    const std::string scene = dir + "/scene.lws ";
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    // Ignored here, so also in the program: writing to the pipe fails instead of ending it.
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    const std::string commands[] = {
        "--help", "servers", "info " + scene, "run " + scene + dir + "/a.lwscript",
        "render " + scene + "-o " + dir + "/out.png --width 4 --height 3"};
    const std::string outputs[] = {">/dev/full", ">&-", ">&" + std::to_string(ends[1])};
    for (const std::string& command : commands) {
        for (const std::string& to : outputs) {
            const ProgramResult r =
                runProgram("{ " + lwhostProgram() + " " + command + " " + to + "; }");
            EXPECT_EQ(r.status, 1) << command << " " << to << "\n" << r.err;
            EXPECT_NE(r.err.find("lwhost: cannot write standard output"), std::string::npos)
                << command << " " << to << "\n"
                << r.err;
        }
    }
    std::signal(SIGPIPE, previous);
    ::close(ends[1]);
}

// Every file lwhost reads by name is opened only when it is a regular file: a pipe given as
// one is refused at once. The program runs under `timeout`, so a wait fails instead of hanging.
TEST(LwhostCliTest, APipeGivenAsAnInputIsRefusedWithoutWaiting) {
    const TempDir temp("lwhost_cli");
    const std::string& dir = temp.path;
    std::filesystem::create_directories(dir + "/settings");
    for (const char* pipe : {"/pipe", "/settings/lwhost.cfg"})
        ASSERT_EQ(::mkfifo((dir + pipe).c_str(), 0600), 0);
    std::ofstream(dir + "/scene.lws") << "LWHostScene 1\n";
    std::ofstream(dir + "/object.lws") << "LWHostScene 1\nObject \"O\"\n  File \"pipe\"\nEnd\n";
    const std::string scene = dir + "/scene.lws", pipe = dir + "/pipe";
    const std::pair<std::string, std::string> rows[] = {
        {"info " + pipe, pipe},
        {"run " + scene + " " + pipe, pipe},
        {"info " + dir + "/object.lws", pipe},
        {"--config " + pipe + " info " + scene, pipe + ": not a regular file"},
        {"--dir Settings=" + dir + "/settings info " + scene, "lwhost.cfg: not a regular file"},
        {"servers --module " + pipe, pipe + ": not a regular file"},
        {"render " + std::string(EXAMPLES_DIR) + "/demo.lws -o " + dir + "/ --pass a=" + pipe,
         pipe + ": not a regular file"},
    };
    for (const auto& [args, message] : rows) {
        const ProgramResult r = runProgram("timeout 60 " + lwhostProgram() + " " + args);
        EXPECT_EQ(r.status, 2) << args << "\n" << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << args << "\n" << r.err;
    }
}

// Texts from a scene, a script or a plug-in reach the terminal with their control characters
// escaped: info, print, pop-up items, classic panels (a picker's rows) and plug-in messages.
TEST(LwhostCliTest, UserTextsReachTheTerminalEscaped) {
    const TempDir temp("lwhost_cli");
    const std::string& dir = temp.path;
    std::ofstream(dir + "/scene.lws")
        << "LWHostScene 1\nPlugin MasterHandler qrvLumavex\nEndPlugin\n"
           "Object \"Ball\\x1b[2J\"\n  Comment \"#\\x1b]0;owned\\x07\"\n"
           "  Sphere \"Chrome\\x9b\" 0.5 8\nEnd\nLight \"Key\\x1b[31m\"\nEnd\n";
    std::ofstream(dir + "/a.lwscript")
        << "print \"red \\x1b[31m\\r\\xc2\\x9b2J\"\n"
           "panel open MasterHandler 1\n"
           "queue form-set Preset \"Evil\\x1b[2J\"\nqueue form-set Type User\nqueue form-ok\n"
           "panel popcmd Presets \"Save as Preset...\"\npanel items Presets\n"
           "panel popcmd Presets 0\n"
           "queue form-set \"Filter by\" \"Light Name\"\nqueue form-press \"Pick...\"\n"
           "queue print\n"
           "panel click \"Edit Global Light Group...\"\npanel print-classic\n";
    const ProgramResult info = lwhost("info " + dir + "/scene.lws");
    const ProgramResult run = lwhost("--dir Settings=" + dir + " --dir Content=" + dir + " run " +
                                     dir + "/scene.lws " + dir + "/a.lwscript");
    ASSERT_EQ(info.status, 0) << info.err;
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(info.out.find("\"Ball\\x1b[2J\""), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("comment 1: #\\x1b]0;owned\\x07"), std::string::npos) << info.out;
    EXPECT_EQ(run.out.rfind("red \\x1b[31m\\r\\xc2\\x9b2J\n", 0), 0u) << run.out;
    EXPECT_NE(run.out.find(" [User]    Evil\\x1b[2J\n"), std::string::npos) << run.out;
    // The picker's rows, printed while it is shown and again after it closed.
    const std::string row = "Key\\x1b[31m\n";
    const size_t first = run.out.find(row);
    EXPECT_NE(first, std::string::npos) << run.out;
    EXPECT_NE(run.out.find(row, first + 1), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("Loaded Preset: Evil\\x1b[2J\n"), std::string::npos) << run.err;
    for (const std::string& out : {info.out, run.out, run.err})
        for (char c : {'\x1b', '\x07', '\r', '\x9b'})
            EXPECT_EQ(out.find(c), std::string::npos) << out;
}

}  // namespace
