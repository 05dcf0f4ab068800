// The script language: reading, the verb table and running with fake verbs, then the standard
// verbs against the real host with the test server module.
#include "lwhost/script/script.h"
#include <gtest/gtest.h>
#include "lwhost/plugins/layout_commands.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scene_plugins.h"

namespace {

using lwhost::Script;
using lwhost::ScriptArg;
using lwhost::ScriptStatement;

// A table of fake verbs that note what ran.
struct FakeVerbs {
    Script script;
    std::vector<std::string> ran;

    FakeVerbs() {
        auto noting = [this](const ScriptStatement& s, std::string&) {
            std::string line = s.verb;
            for (const ScriptArg& a : s.args) line += "|" + a.text + (a.quoted ? "'" : "");
            ran.push_back(line);
            return true;
        };
        script.define("go", 0, 2, "[A [B]]", noting);
        script.define("panel open", 2, 2, "CLASS POSITION", noting);
        script.define("panel close", 0, 0, "", noting);
        script.define("fail", 0, 0, "", [](const ScriptStatement&, std::string& why) {
            why = "told to";
            return false;
        });
        script.define("throw", 0, 0, "", [](const ScriptStatement&, std::string&) -> bool {
            throw std::runtime_error("thrown");
        });
    }
    Script::Result execute(const std::string& text, std::string& error) {
        return script.execute(text, "s.lwscript", error);
    }
};

TEST(ScriptTest, LinesSplitIntoWordsAndTextsWithEscapesUpToAComment) {
    std::vector<ScriptArg> args;
    std::string why;
    ASSERT_TRUE(
        Script::splitLine("  set\t\"a \\\"b\\\" \\\\ \\n\\t\\x41\"x \"#\" y#z \"w\"", args, why));
    ASSERT_EQ(args.size(), 5u);
    EXPECT_EQ(args[0].text, "set");
    EXPECT_FALSE(args[0].quoted);
    EXPECT_EQ(args[1].text, "a \"b\" \\ \n\tA");
    EXPECT_TRUE(args[1].quoted);
    EXPECT_EQ(args[2].text, "x");  // a text ends a word
    EXPECT_EQ(args[3].text, "#");  // '#' in a text is kept
    EXPECT_EQ(args[4].text, "y");  // outside one it ends the line

    const std::pair<const char*, const char*> bad[] = {
        {"go \"open", "a text has no closing quote"},
        {"go \"a\\q\"", "unknown escape \\q"},
        {"go \"\\x4\"", "\\x needs two hexadecimal digits"},
        {"go \"end\\", "a text has no closing quote"},
        {"go a\x01", "control character in the line"},
        {"go \"a\x01\"", "control character in a text (write it as an escape)"}};
    for (const auto& [line, reason] : bad) {
        EXPECT_FALSE(Script::splitLine(line, args, why)) << line;
        EXPECT_EQ(why, reason) << line;
    }
}

TEST(ScriptTest, StatementsFindOneAndTwoWordVerbsAndCheckTheirArguments) {
    FakeVerbs f;
    std::string error;
    ASSERT_EQ(f.execute("# start\r\n\ngo\r\ngo panel \"x\"\npanel open A 2  # why\n"
                        "panel close\n",
                        error),
              Script::Result::Ok)
        << error;
    EXPECT_EQ(f.ran,
              (std::vector<std::string>{"go", "go|panel|x'", "panel open|A|2", "panel close"}));

    const std::pair<const char*, const char*> bad[] = {
        {"go\nstop", "s.lwscript:2: unknown verb 'stop'"},
        {"go\n\n\"go\"", "s.lwscript:3: a statement begins with a verb, not a text"},
        {"panel", "s.lwscript:1: 'panel' needs one of: close, open"},
        {"panel shut", "s.lwscript:1: unknown 'panel' verb 'shut' (known: close, open)"},
        {"panel open A",
         "s.lwscript:1: 'panel open' takes 2 arguments (panel open CLASS "
         "POSITION), found 1"},
        {"go 1 2 3", "s.lwscript:1: 'go' takes 0 to 2 arguments (go [A [B]]), found 3"},
        {"go \"x", "s.lwscript:1: a text has no closing quote"},
    };
    for (const auto& [text, message] : bad) {
        f.ran.clear();
        EXPECT_EQ(f.execute(text, error), Script::Result::BadScript) << text;
        EXPECT_EQ(error, message);
        EXPECT_TRUE(f.ran.empty()) << "nothing runs before the whole script was read";
    }
}

TEST(ScriptTest, ARunStopsAtTheFirstFailingStatementAndNamesIt) {
    FakeVerbs f;
    std::string error;
    EXPECT_EQ(f.execute("go\n\nfail\ngo", error), Script::Result::Failed);
    EXPECT_EQ(error, "s.lwscript:3: told to");
    EXPECT_EQ(f.ran, std::vector<std::string>{"go"});
    EXPECT_EQ(f.execute("throw", error), Script::Result::Failed);
    EXPECT_EQ(error, "s.lwscript:1: thrown");
}

TEST(ScriptTest, NumbersAreDecimalOrHexadecimal) {
    long long i = 0;
    double d = 0;
    EXPECT_TRUE(lwhost::scriptInt("0x801", i));
    EXPECT_EQ(i, 0x801);
    EXPECT_TRUE(lwhost::scriptInt("-12", i));
    EXPECT_EQ(i, -12);
    for (const char* no : {"", "12a", "0x", "x12", " 1", "99999999999999999999"})
        EXPECT_FALSE(lwhost::scriptInt(no, i)) << no;
    EXPECT_TRUE(lwhost::scriptNumber("-0.25", d));
    EXPECT_EQ(d, -0.25);
    for (const char* no : {"", "nan", "inf", "1e999", "1.5x"})
        EXPECT_FALSE(lwhost::scriptNumber(no, d)) << no;
}

TEST(ScriptTest, ScriptFilesAreReadWholeAndMissingOnesNamed) {
    const std::string path = ::testing::TempDir() + "/read.lwscript";
    std::ofstream(path) << "print \"x\"\n";
    std::string text, error;
    ASSERT_TRUE(Script::readFile(path, text, error)) << error;
    EXPECT_EQ(text, "print \"x\"\n");
    EXPECT_FALSE(Script::readFile(path + ".missing", text, error));
    EXPECT_EQ(error, path + ".missing: no such script file");
    EXPECT_FALSE(Script::readFile(::testing::TempDir(), text, error));
    std::remove(path.c_str());
}

// The standard verbs on a host with the test server module and a small scene.
class ScriptVerbsTest : public ::testing::Test, protected ScenePlugins {
  protected:
    void SetUp() override {
        ASSERT_TRUE(loads(host, testModule("testserver_module")));
        std::string error;
        ASSERT_TRUE(plugins.readScene(
            "LWHostScene 1\nPlugin MasterHandler testmaster\n  Value 5\nEndPlugin\n"
            "Object \"Ball\"\n  Sphere \"Chrome\" 0.5 8\nEnd\n",
            "t.lws", "", error))
            << error;
        lwhost::defineLayoutVerbs(script, env);
    }
    Script::Result run(const std::string& text, std::string& error) {
        return script.execute(text, "v.lwscript", error);
    }
    void runOk(const std::string& text) {
        std::string error;
        EXPECT_EQ(run(text, error), Script::Result::Ok) << error;
    }
    std::string failure(const std::string& text) {
        std::string error;
        EXPECT_EQ(run(text, error), Script::Result::Failed) << text;
        return error;
    }

    lwhost::LayoutCommands commands{host, plugins};
    std::ostringstream out;
    lwhost::ScriptEnvironment env{host, plugins, commands, out, "", true};
    Script script;
};

TEST_F(ScriptVerbsTest, PanelVerbsDriveTheOpenPanelByLabelOrId) {
    runOk(
        "panel open MasterHandler 1\n"
        "expect panel-value Value 5\n"
        "panel set 0x800 8\n"
        "panel click Bump\n"
        "expect panel-value \"Value\" 9\n"
        "panel set Enabled on\n"
        "expect panel-value 2049 1\n"
        "panel set Name \"a \\\"quoted\\\" name\"\n"
        "expect panel-value Name \"a \\\"quoted\\\" name\"\n"
        "panel popcmd \"Scene Editing\" \"Add Shaders\"\n"
        "expect shaders Chrome 1\n"
        "panel popcmd \"Scene Editing\" 1\n"
        "expect shaders Chrome 0\n"
        "panel print\n"
        "panel close\n");
    EXPECT_NE(out.str().find("0x800 \"Value\" integer = 9\n"), std::string::npos) << out.str();
    EXPECT_EQ(plugins.panel(), nullptr);

    EXPECT_EQ(failure("panel click Bump"), "v.lwscript:1: no panel is open");
    EXPECT_EQ(failure("panel close"), "v.lwscript:1: no panel is open");
    EXPECT_EQ(failure("panel open MasterHandler 2"),
              "v.lwscript:1: the scene has 1 master plug-ins");
    EXPECT_EQ(failure("panel open MasterHandler x"), "v.lwscript:1: expected a count, found \"x\"");

    runOk("panel open MasterHandler 1");
    EXPECT_EQ(failure("print \"a\"\npanel set Nothing 1"),
              "v.lwscript:2: the panel has no control labelled \"Nothing\"");
    const std::pair<const char*, const char*> refused[] = {
        {"panel set 0x999 1", "the panel has no control 0x999"},
        {"panel set Value many", "control \"Value\" takes an integer or on/off"},
        {"panel set Bump 1", "control \"Bump\" carries no value a script can give"},
        {"panel popcmd \"Scene Editing\" \"Paint\"", "the pop-up has no item \"Paint\""},
        {"expect panel-value Value 1", "control \"Value\" holds 9, not 1"}};
    for (const auto& [text, message] : refused)
        EXPECT_EQ(failure(text), std::string("v.lwscript:1: ") + message);
}

TEST_F(ScriptVerbsTest, CommandGenericAndExpectVerbsCheckWhatTheHostDid) {
    runOk(
        "command \"StatusMsg first\"\n"
        "expect status first\n"
        "expect command-count 1\n"
        "generic testgeneric\n"
        "expect last-command \"EditServer MasterHandler 1\"\n"
        "expect command-count 2\n"
        "expect masters 1\n"
        "expect panel-value Value 5\n"
        "print \"done \\x21\"\n");
    EXPECT_EQ(out.str(), "done !\n");

    const std::pair<const char*, const char*> refused[] = {
        {"command \"Bogus 1\"", "the host answered 1 (unknown command) to \"Bogus 1\""},
        {"command \"Surf_SetSurf Nothing\"",
         "the host answered 3 (failed) to \"Surf_SetSurf Nothing\""},
        {"generic nothing", "no loaded module offers the LayoutGeneric server \"nothing\""},
        {"expect status second", "expected the status message \"second\", it was \"first\""},
        {"expect masters 2", "expected 2 master plug-ins, the scene has 1"},
        {"expect shaders Wood 0", "the scene has no surface \"Wood\""},
        {"expect message \"x\"", "expected the message \"x\", there was none"},
        {"expect command-count -1", "expected a count, found \"-1\""}};
    for (const auto& [text, message] : refused)
        EXPECT_EQ(failure(text), std::string("v.lwscript:1: ") + message);
}

// A save that succeeds is checked through the program: the example scripts save.
TEST_F(ScriptVerbsTest, SaveSaysWhyItCannotSave) {
    EXPECT_EQ(failure("save"), "v.lwscript:1: no path to save to: give one, or run with -o");
    EXPECT_NE(failure("save \"/no/such/dir/x.lws\"").find("v.lwscript:1: "), std::string::npos);
    env.outputPath = ::testing::TempDir() + "/never.lws";
    env.allowSave = false;
    EXPECT_EQ(failure("save"), "v.lwscript:1: saving is off");
}

TEST_F(ScriptVerbsTest, ActionsQueuedForDialogsThatNeverCameFailAtTheLineThatQueuedThem) {
    lwhost::defineDialogVerbs(script, env);
    runOk("queue answer yes\nqueue clear\nprint \"done\"\n");
    const std::pair<const char*, const char*> cases[] = {
        {"print \"a\"\nqueue press Ok\n",
         "v.lwscript:2: the queued action 'press \"Ok\"' was never used"},
        {"queue answer yes\nqueue wait 1\n\nprint \"b\"\n",
         "v.lwscript:1: the queued action 'answer yes' was never used (nor 1 after it)"},
    };
    for (const auto& [text, message] : cases) EXPECT_EQ(failure(text), message);
    runOk("print \"the queue starts empty again\"\nexpect queue-empty\n");
}

// An error message stops the run at the first statement after it that is not a check, or at the
// end, unless the script expects it. Errors have their own order; one shown again before it was
// checked is checked once.
TEST_F(ScriptVerbsTest, ErrorsShownMustBeExpectedBeforeAnythingElseRuns) {
    script.define("oops", 1, 1, "TITLE", [this](const ScriptStatement& s, std::string&) {
        for (int i = 0; i < 2; ++i)
            host.messages().show(lwhost::MessageKind::Error, s.args[0].text.c_str(), "why");
        host.messages().show(lwhost::MessageKind::YesNo, "Sure?", "");
        return true;
    });
    lwhost::defineDialogVerbs(script, env);
    runOk("oops A\nexpect dialog error A why\noops A\nexpect dialog error A\nprint \"on\"\n");
    const std::string unexpected =
        ": the error \"A\" (\"why\") was shown and not expected (expect dialog error \"A\")";
    const std::pair<const char*, std::string> cases[] = {
        {"oops A\nexpect dialogs 6\nprint \"x\"\n", "v.lwscript:1" + unexpected},
        {"print \"x\"\n\noops A\n", "v.lwscript:3" + unexpected},
        {"oops A\nexpect dialog error B\n",
         "v.lwscript:2: expected the error \"B\", the next error shown was error \"A\" \"why\""},
        {"expect dialog error A\n",
         "v.lwscript:1: expected the error \"A\", no error was shown that was not checked yet"},
    };
    for (const auto& [text, message] : cases) {
        EXPECT_EQ(failure(text), message);
        std::string left;
        run("expect dialog error A\n", left);  // what the case left unchecked
    }
}

}  // namespace
