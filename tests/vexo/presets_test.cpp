// Presets through the real host in process ("File IO", form panels, messages) with the host's
// directories, file requester and alert level faked, every location inside a temporary directory.
#include <lwsdk/lwdialog.h>
#include <vexo/presets.h>
#include "lwhost/ui/xpanel.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "frame_test.h"
#include "run_program.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using lwhost::MessageKind;

constexpr unsigned kMenu = 0x805;
const st_LWBlockIdent kIds[] = {{LWID_MAKE('L', 'A', 'B', 'L'), "Label"}, {0, nullptr}};

// A handler with one setting.
struct Settings : vexo::PresetHandler {
    std::string label = "plain";
    int loads = 0;
    const char* loadError = nullptr;
    const char* saveError = nullptr;

    const char* SavePreset(vexo::SaveState& s) override {
        s.writeStrBlk(kIds[0], label);
        return saveError;
    }
    const char* LoadPreset(vexo::LoadState& s) override {
        ++loads;
        while (LWID id = s.findBlk(kIds)) {
            if (id == kIds[0].id) s.readStr(label);
            s.endBlk();
        }
        return loadError;
    }
};

// Presets of the bundle bound to a handler.
struct Bound {
    Settings settings;
    vexo::SimplePreset presets{"MasterHandler", "lumavex"};
    Bound() { presets.SetHandler(&settings); }
};

std::map<std::string, std::string> g_dirs;
const char* fakeDirInfo(const char* type) {
    auto it = g_dirs.find(type ? type : "");
    return it == g_dirs.end() ? nullptr : it->second.c_str();
}
template <class T>
T takeFront(std::vector<T>& v) {
    T a = v.front();
    v.erase(v.begin());
    return a;
}

class PresetsTest : public FrameTest {
  protected:
    void SetUp() override {
        for (const char* d : {"install", "settings", "content", "global"})
            fs::create_directories(root + "/" + d);
        g_dirs = {{"Install", root + "/install"},
                  {"Settings", root + "/settings/"},
                  {"Content", root + "/content"}};
        // The default "Global" location is a system directory: tests keep it here.
        writeConfig("install", "Global " + root + "/global\n");
        host.globals().publish(LWDIRINFOFUNC_GLOBAL, reinterpret_cast<void*>(&fakeDirInfo));
        host.messages().setAnswerer([this](MessageKind, const lwhost::Message& m) {
            questions.push_back(m.line1 + "|" + m.line2);
            return answers.empty() ? 0 : takeFront(answers);
        });
        host.xpanels().setModalDriver([this](lwhost::XPanel& panel) {
            ++posts;
            if (forms.empty()) return 0;
            takeFront(forms)(panel);
            return formResults.empty() ? 1 : takeFront(formResults);
        });
    }

    void writeConfig(const std::string& dir, const std::string& text) {
        std::ofstream(root + "/" + dir + "/SimplePresetPaths.cfg", std::ios::binary) << text;
    }
    std::string presetDir(const std::string& location) const {
        return root + "/" + location + "/SimplePresets/MasterHandler/lumavex";
    }
    std::string userFile() const { return presetDir("settings") + "/Soft.cfg"; }
    // Queues the save form filled with a name and a location index, closed with OK.
    void fillSaveForm(const std::string& name, int type) {
        forms.push_back([name, type](lwhost::XPanel& p) {
            p.setString(0x800, name);
            p.setInt(0x801, type);
        });
    }
    void savePreset(vexo::SimplePreset& presets, const std::string& name, int type) {
        fillSaveForm(name, type);
        presets.doSavePreset();
    }
    // Menu texts as the host shows them.
    static Strings menu(vexo::SimplePreset& presets) {
        Strings items;
        for (int i = 0, n = presets.popCount(); i < n; ++i) items.push_back(presets.popName(i));
        return items;
    }
    // Preset names found by a scan, sorted, with their file names when asked.
    static Strings scanned(vexo::SimplePreset& presets, bool withFile = false) {
        Strings names;
        presets.popCount();
        for (const vexo::PresetEntry& e : presets.collection().entries())
            names.push_back(e.name() +
                            (withFile ? " " + fs::path(e.file()).filename().string() : ""));
        std::sort(names.begin(), names.end());
        return names;
    }
    Strings messagesOf(MessageKind kind) {
        Strings out;
        for (const lwhost::Message& m : host.messages().all())
            if (m.kind == kind) out.push_back(m.line2.empty() ? m.line1 : m.line1 + "|" + m.line2);
        return out;
    }

    TempDir temp{"vexo-presets"};
    const std::string root = temp.path;
    std::vector<std::function<void(lwhost::XPanel&)>> forms;
    std::vector<int> formResults;  // 1 OK, 0 cancel; empty: OK
    std::vector<int> answers;      // answers of the asking dialogs
    Strings questions;
    int posts = 0;
};

// Location indices in key order: Content, Global, User.
enum { kContent = 0, kGlobal = 1, kUser = 2 };

const Strings kCommands = {
    "---------------------------------",          "\x03(c:Nc_HILIGHT)Save as Preset...",
    "\x03(c:Nc_HILIGHT)Delete Preset...",         "\x03(c:Nc_HILIGHT)Load Settings from File...",
    "\x03(c:Nc_HILIGHT)Save Settings to File...",
};

TEST(PresetPathsTest, ParsesKeysAndDirectoriesAndNamesUnusableLines) {
    std::string text =
        "\xEF\xBB\xBFglobal /g/dir\n# comment line\n leading /skipped\nnospace\nEmpty \n"
        "two words /rest of it\r\nUser /a\nUSER /b\n";
    text += std::string("Bad /x\0y\n", 9);
    text += "Long /" + std::string(vexo::maxPresetPathLine, 'a') + "\n";
    text += "\xff\xfe\x01 \x80junk\nlast /no/newline";
    vexo::PresetPaths parsed = vexo::parsePresetPaths(text);
    EXPECT_EQ(parsed.locations, (std::map<std::string, std::string>{{"Global", "/g/dir"},
                                                                    {"Two", "words /rest of it"},
                                                                    {"User", "/b"},
                                                                    {"\xff\xfe\x01", "\x80junk"},
                                                                    {"Last", "/no/newline"}}));
    ASSERT_EQ(parsed.problems.size(), 2u);
    EXPECT_EQ(parsed.problems[0].line, 9);
    EXPECT_EQ(parsed.problems[1].line, 10);
}

TEST_F(PresetsTest, PathMapReadsInstallSettingsAndContentInOrderAndSurvivesJunk) {
    writeConfig("install", "Global " + root + "/global\nShared /from/install\n");
    writeConfig("settings", "shared /from/settings\nStudio /studio\n");
    writeConfig("content", "studio /from/content\n");
    vexo::pathMap.Load();
    EXPECT_EQ(vexo::pathMap.map(),
              (std::map<std::string, std::string>{{"Content", root + "/content/"},
                                                  {"Global", root + "/global"},
                                                  {"Shared", "/from/settings"},
                                                  {"Studio", "/from/content"},
                                                  {"User", root + "/settings/"}}));

    std::string junk(5000, '\0');
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 7919) % 256);
    writeConfig("settings", junk);
    vexo::pathMap.Load();
    vexo::pathMap.Load();
    EXPECT_EQ(vexo::pathMap.directory("Global"), root + "/global");
    Strings warnings = messagesOf(MessageKind::Warning);
    ASSERT_FALSE(warnings.empty());
    EXPECT_NE(warnings[0].find(root + "/settings/SimplePresetPaths.cfg line "), std::string::npos);
    for (const lwhost::Message& m : host.messages().all()) EXPECT_EQ(m.count, 1u) << "warned once";
    vexo::pathMap.Reset();
    EXPECT_EQ(vexo::pathMap.directory("Global"), vexo::PathMap::globalDirectory());
}

TEST_F(PresetsTest, SaveFormDefaultsThenSavedPresetsAreListedAlignedAndChoosingOneLoadsIt) {
    Bound b;
    EXPECT_EQ(menu(b.presets), kCommands);
    EXPECT_STREQ(b.presets.popName(-1), "");
    forms.push_back([&](lwhost::XPanel& p) {
        EXPECT_EQ(p.value(0x800).s, "none");
        EXPECT_EQ(p.popupItems(0x801), (Strings{"Content", "Global", "User"}));
    });
    formResults.push_back(0);
    b.presets.doSavePreset();
    EXPECT_EQ(posts, 1);
    EXPECT_FALSE(fs::exists(presetDir("global")));

    savePreset(b.presets, "Soft", kUser);
    EXPECT_EQ(messagesOf(MessageKind::Info), Strings{"Preset saved: " + userFile()});
    savePreset(b.presets, "Hard", kGlobal);
    // "Global" and "User": the longest key has 6 characters.
    Strings want = {"[Global]\x03(a:48)Hard", "[User]\x03(a:48)Soft"};
    want.insert(want.end(), kCommands.begin(), kCommands.end());
    EXPECT_EQ(menu(b.presets), want);
    EXPECT_STREQ(b.presets.collection().popName(0), "Hard");

    // Chosen from the panel's menu, a preset loads and the panel is refreshed.
    b.settings.label = "bright";
    savePreset(b.presets, "Bright", kContent);
    b.settings.label = "changed";
    const st_LWXPanelControl controls[] = {{kMenu, "Presets", "vPopCmd"}, {0, nullptr, nullptr}};
    vexo::XPanel owner;
    LWXPanelID id = owner.create(LWXP_VIEW, controls, true);
    b.presets.Setup(id, kMenu);
    lwhost::XPanel* panel = host.xpanels().find(id);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->popupItems(kMenu)[0], "[Content]\x03(a:56)Bright");
    const unsigned refreshes = panel->refreshCount();
    host.messages().clear();
    ASSERT_TRUE(panel->chooseCommand(kMenu, 0)) << panel->lastError();
    EXPECT_EQ(b.settings.label, "bright");
    EXPECT_GT(panel->refreshCount(), refreshes);
    EXPECT_EQ(messagesOf(MessageKind::Info), Strings{"Loaded Preset: Bright"});
    b.settings.label = "changed";
    b.presets.popCommand(kMenu + 1, 0);  // another control's command
    EXPECT_EQ(b.settings.label, "changed");

    // A location lists its presets in file-name order, whatever order the system lists them in.
    for (const char* name : {"Zeta", "Alpha", "Mid"}) savePreset(b.presets, name, kUser);
    Strings user;
    b.presets.popCount();
    for (const vexo::PresetEntry& e : b.presets.collection().entries())
        if (e.key() == "User") user.push_back(e.name());
    EXPECT_EQ(user, (Strings{"Alpha", "Mid", "Soft", "Zeta"}));
}

TEST_F(PresetsTest, UnsafeOrEmptyNamesNeverLeaveTheirDirectoryAndFailedSavesClaimNoSuccess) {
    Bound b;
    for (const char* name : {"a/b:c", "../../escape", "..\\up|*?\"<>%+~", ".dot"})
        savePreset(b.presets, name, kContent);
    const std::string dir = presetDir("content");
    for (const char* file : {"a_b_c", "_._.._escape", "_._up_________", "_dot"})
        EXPECT_TRUE(fs::exists(dir + "/" + file + ".cfg")) << file;  // "_dot": not hidden
    EXPECT_FALSE(fs::exists(root + "/escape.cfg"));
    EXPECT_FALSE(fs::exists(root + "/content/SimplePresets/MasterHandler/escape.cfg"));
    EXPECT_EQ(scanned(b.presets), (Strings{"../../escape", "..\\up|*?\"<>%+~", ".dot", "a/b:c"}));
    EXPECT_EQ(vexo::SimplePreset::safeFileName("a\tb\nc\x7f\x01"
                                               "d"),
              "a_b_c__d");

    host.messages().clear();
    savePreset(b.presets, "", kContent);
    EXPECT_FALSE(fs::exists(dir + "/.cfg"));
    b.settings.saveError = "settings are locked";
    savePreset(b.presets, "Soft", kUser);
    EXPECT_TRUE(messagesOf(MessageKind::Info).empty());
    EXPECT_EQ(messagesOf(MessageKind::Error),
              (Strings{"Error saving Preset: the preset has no name.",
                       "Error saving Preset: settings are locked|" + userFile()}));
}

TEST_F(PresetsTest, OverwriteYesReplacesNoShowsTheFormAgainCancelEndsExpertNeverAsks) {
    Bound b;
    savePreset(b.presets, "Soft", kUser);
    const std::string before = readWholeFile(userFile());
    b.settings.label = "second";
    answers.push_back(LWMSG_CANCEL);
    posts = 0;
    savePreset(b.presets, "Soft", kUser);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(readWholeFile(userFile()), before);

    answers.push_back(LWMSG_YNC_NO);
    fillSaveForm("Soft", kUser);
    forms.push_back([&](lwhost::XPanel& p) {
        EXPECT_EQ(p.value(0x800).s, "Soft");
        EXPECT_EQ(p.value(0x801).i, kUser);
    });
    formResults = {1, 0};
    b.presets.doSavePreset();
    EXPECT_EQ(posts, 3) << "the form came again";
    EXPECT_EQ(readWholeFile(userFile()), before);

    answers.push_back(LWMSG_YNC_YES);
    savePreset(b.presets, "Soft", kUser);
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_EQ(questions[2],
              "Save Preset|Are you sure you want to overwrite preset?\n" + userFile());
    EXPECT_NE(readWholeFile(userFile()).find("second"), std::string::npos);

    session.dialogs().setAlertLevel(LWALERT_EXPERT);
    b.settings.label = "third";
    savePreset(b.presets, "Soft", kUser);
    EXPECT_NE(readWholeFile(userFile()).find("third"), std::string::npos);
    b.presets.popCount();
    forms.push_back([](lwhost::XPanel& p) { p.setInt(0x800, 0); });
    b.presets.doDeletePreset();
    EXPECT_FALSE(fs::exists(userFile()));
    EXPECT_EQ(questions.size(), 3u);
}

TEST_F(PresetsTest, DefaultPresetLoadsQuietlyAndCopiesNeverShareHandlerOrPanel) {
    {
        Bound first;
        first.settings.label = "from default";
        savePreset(first.presets, "My DEFAULT look", kContent);
    }
    host.messages().clear();
    Bound b;
    EXPECT_EQ(b.settings.label, "from default");
    EXPECT_TRUE(host.messages().all().empty());

    b.presets.Setup(reinterpret_cast<LWXPanelID>(0x1234), kMenu);
    vexo::SimplePreset copy(b.presets);
    EXPECT_EQ(copy.handler(), nullptr);
    EXPECT_EQ(copy.panelId(), nullptr);
    fillSaveForm("Orphan", kContent);
    copy.doSavePreset();  // without a handler nothing is saved
    EXPECT_FALSE(fs::exists(presetDir("content") + "/Orphan.cfg"));
    Settings other;
    copy.bindHandler(&other);
    EXPECT_EQ(other.loads, 0) << "bound without loading";
    vexo::SimplePreset assigned("MasterHandler", "lumavex");
    assigned.SetHandler(&other);
    assigned = b.presets;
    EXPECT_EQ(assigned.handler(), &other);
    EXPECT_EQ(assigned.panelId(), nullptr);
}

TEST_F(PresetsTest, DeleteAsksWithTheDisplayNameHonoursTheAnswerAndReportsFailure) {
    Bound b;
    savePreset(b.presets, "Soft", kUser);
    b.presets.popCount();
    forms.push_back([&](lwhost::XPanel& p) {
        EXPECT_EQ(p.popupItems(0x800), Strings{"[User]\x03(a:32)Soft"});
    });
    answers = {LWMSG_NO, LWMSG_YES};
    b.presets.doDeletePreset();
    EXPECT_TRUE(fs::exists(userFile()));
    EXPECT_EQ(questions, Strings{"Delete Preset|Are you sure you want to delete the preset?\n"
                                 "[User]\x03(a:32)Soft"});
    forms.push_back([](lwhost::XPanel&) {});
    b.presets.doDeletePreset();
    EXPECT_FALSE(fs::exists(userFile()));
    EXPECT_EQ(menu(b.presets), kCommands);

    // Gone while the form is open: nothing to ask about, and deletion fails.
    savePreset(b.presets, "Soft", kUser);
    b.presets.popCount();
    questions.clear();
    forms.push_back([&](lwhost::XPanel&) { fs::remove(userFile()); });
    b.presets.doDeletePreset();
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(messagesOf(MessageKind::Error), Strings{"Error Deleting file:|" + userFile()});
}

TEST_F(PresetsTest, ScanSkipsBrokenFilesAndLoadingThemNeverClaimsSuccess) {
    Bound b;
    savePreset(b.presets, "Same", kContent);
    const std::string dir = presetDir("content");
    const std::string good = readWholeFile(dir + "/Same.cfg");
    const std::pair<const char*, std::string> files[] = {
        {"Copy.cfg", good},
        {"truncated.cfg", good.substr(0, good.size() / 2)},
        {"notes.txt", "just some text\n"},
        {"junk.cfg", std::string("\0\xff\x01PRES", 8)},
        {"empty.cfg", ""},
        {".hidden.cfg", good},
        {"Bare.cfg", "{ Preset\n}\n"},
        {"nameonly.cfg", "Name \"x\"\n"}};
    for (const auto& [name, text] : files)
        std::ofstream(dir + "/" + name, std::ios::binary) << text;
    fs::create_directory(dir + "/folder.cfg");

    Strings found = scanned(b.presets, true);
    // A truncated file may still hold its "Preset" block opening; it must only not crash.
    found.erase(std::remove(found.begin(), found.end(), "Same truncated.cfg"), found.end());
    EXPECT_EQ(found, (Strings{"Bare Bare.cfg", "Same Copy.cfg", "Same Same.cfg"}));

    host.messages().clear();
    for (const char* name : {"junk", "truncated", "missing", "nameonly"})
        b.presets.doLoadPreset(dir + "/" + name + ".cfg", false);
    b.settings.loadError = "bad value";
    b.presets.doLoadPreset(dir + "/Same.cfg", false);
    EXPECT_TRUE(messagesOf(MessageKind::Info).empty());
    const Strings errors = messagesOf(MessageKind::Error);
    ASSERT_GE(errors.size(), 2u);
    EXPECT_EQ(errors[errors.size() - 2],
              "Error loading Preset: the file holds no preset.|" + dir + "/nameonly.cfg");
    EXPECT_EQ(errors.back(), "Error loading Preset: bad value|" + dir + "/Same.cfg");
}

TEST_F(PresetsTest, SettingsFilesSaveAndLoadThroughTheRequester) {
    Bound b;
    b.presets.Setup(nullptr, kMenu);
    const std::string file = root + "/content/shots/look.cfg";
    fs::create_directories(root + "/content/shots");
    b.settings.label = "exported";
    choose(file);
    b.presets.popCommand(kMenu, vexo::SimplePreset::SaveFile);  // no presets: N = 0
    EXPECT_EQ(messagesOf(MessageKind::Info), Strings{"Saved Preset As: " + file});
    EXPECT_EQ(vexo::SimplePreset::grabPresetName(file, ""), file);

    // Again: the question shows the name inside the content directory; No asks for a file again.
    choose(file);
    choose(file);
    answers = {LWMSG_YNC_NO, LWMSG_CANCEL};
    b.presets.doSaveAsPreset();
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0],
              "Save Preset|Are you sure you want to overwrite preset?\nshots/look.cfg");
    EXPECT_TRUE(session.dialogs().queueEmpty());

    host.messages().clear();
    b.settings.label = "other";
    choose(file);
    b.presets.popCount();
    b.presets.popCommand(kMenu, vexo::SimplePreset::LoadFile);
    EXPECT_EQ(b.settings.label, "exported");
    EXPECT_EQ(messagesOf(MessageKind::Info), Strings{"Loaded Preset: " + file});
}

TEST_F(PresetsTest, UnknownKeysUseTheContentDirectoryAndNoDirectoryIsNeverTheRoot) {
    g_dirs.erase("Settings");
    Bound b;
    EXPECT_EQ(b.presets.makeFilePath("User"), "");
    savePreset(b.presets, "Soft", kUser);
    EXPECT_FALSE(fs::exists("/SimplePresets"));
    EXPECT_EQ(b.presets.makeFilePath("Studio"), presetDir("content"));
    EXPECT_EQ(vexo::pathMap.directory("Studio"), root + "/content/");
    EXPECT_EQ(b.presets.makeFileName("x", 99), presetDir("content") + "/x.cfg");
    EXPECT_EQ(messagesOf(MessageKind::Error).size(), 1u);
}

TEST_F(PresetsTest, SavesThatDoNotLandAreErrorsNotSuccess) {
    Bound b;
    session.dialogs().setAlertLevel(LWALERT_EXPERT);  // no overwrite questions
    const std::string folder = root + "/content/folder.cfg";
    for (const std::string& dir : {userFile(), folder}) fs::create_directories(dir);
    savePreset(b.presets, "Soft", kUser);
    choose(folder);
    b.presets.doSaveAsPreset();
    // A full disk: the file-size limit stops the writes.
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit tiny{8, limit.rlim_max};
    ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &tiny);
    savePreset(b.presets, "Hard", kContent);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::signal(SIGXFSZ, SIG_DFL);

    // A folder is refused when the save opens; a full disk when the file does not land.
    const std::string refused = "Error saving Preset: the file cannot be opened for writing.|";
    const std::string why = "Error saving Preset: the file could not be written.|";
    EXPECT_TRUE(messagesOf(MessageKind::Info).empty());
    EXPECT_EQ(messagesOf(MessageKind::Error), (Strings{refused + userFile(), refused + folder,
                                                       why + presetDir("content") + "/Hard.cfg"}));
}

TEST_F(PresetsTest, PipesAndMissingFilesNeverBlockAndAreReported) {
    ::alarm(60);  // an open that blocks would hang: end the run instead
    Bound b;
    savePreset(b.presets, "Soft", kUser);
    const std::string pipe = presetDir("settings") + "/Pipe.cfg";
    const std::string config = root + "/settings/SimplePresetPaths.cfg";
    for (const std::string& name : {pipe, config}) ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0);
    EXPECT_EQ(scanned(b.presets), Strings{"Soft"});
    EXPECT_EQ(messagesOf(MessageKind::Warning), Strings{"Preset locations: file skipped|" + config +
                                                        ": not a regular file; ignored"});

    host.messages().clear();
    b.presets.doLoadPreset(pipe, false);
    b.presets.doLoadPreset(root + "/missing.cfg", false);
    EXPECT_EQ(messagesOf(MessageKind::Error),
              (Strings{"Error loading Preset: not a regular file.|" + pipe,
                       "Error loading Preset: the file does not exist.|" + root + "/missing.cfg"}));
    answers.push_back(LWMSG_YNC_YES);
    savePreset(b.presets, "Pipe", kUser);
    // The host refuses to replace what is not a regular file; the pipe stays as it was.
    EXPECT_TRUE(fs::is_fifo(pipe)) << "a save never replaces a pipe";
    ::alarm(0);
}

TEST_F(PresetsTest, SaveFormPreselectsALocationTheUserCanWrite) {
    std::ofstream(root + "/blocker") << "a file where folders should be";
    const struct {
        std::string settings, content;
        int type;
    } rows[] = {
        {root + "/settings/", root + "/content", kUser},
        {root + "/blocker/settings", root + "/content", kContent},
        {root + "/blocker/settings", root + "/blocker/content", kGlobal},
    };
    for (const auto& row : rows) {
        g_dirs["Settings"] = row.settings;
        g_dirs["Content"] = row.content;
        Bound b;
        int shown = -1;
        forms.push_back([&shown](lwhost::XPanel& p) { shown = p.value(0x801).i; });
        formResults.push_back(0);
        b.presets.doSavePreset();
        EXPECT_EQ(shown, row.type) << row.settings << " " << row.content;
    }
    // Every other test keeps "Global" in its own directory: the environment may stay changed.
    ::setenv("XDG_CONFIG_DIRS", "relative/conf:/opt/conf:/etc/xdg", 1);
    EXPECT_EQ(vexo::PathMap::globalDirectory(), "/opt/conf");
}

}  // namespace
