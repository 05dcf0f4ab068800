// Presets through the real host in process ("File IO", form panels, messages) with the host's
// directories, file requester and alert level faked, every location inside a temporary directory.
#include <gtest/gtest.h>
#include <lwhost/host.h>
#include <lwhost/xpanel.h>
#include <lwsdk/lwdialog.h>
#include <vexo/presets.h>
#include <vexo/server.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr unsigned kMenu = 0x805;

const st_LWBlockIdent kIds[] = {
    {LWID_MAKE('G', 'A', 'I', 'N'), "Gain"},
    {LWID_MAKE('L', 'A', 'B', 'L'), "Label"},
    {0, nullptr},
};

// A handler with two settings.
struct Settings : vexo::PresetHandler {
    float gain = 1.0f;
    std::string label = "plain";
    int loads = 0;
    const char* loadError = nullptr;
    const char* saveError = nullptr;

    const char* SavePreset(vexo::SaveState& s) override {
        s.writeFPBlk(kIds[0], gain);
        s.writeStrBlk(kIds[1], label);
        return saveError;
    }
    const char* LoadPreset(vexo::LoadState& s) override {
        ++loads;
        while (LWID id = s.findBlk(kIds)) {
            if (id == kIds[0].id) s.readFP(gain);
            if (id == kIds[1].id) s.readStr(label);
            s.endBlk();
        }
        return loadError;
    }
};

std::map<std::string, std::string> g_dirs;
const char* fakeDirInfo(const char* type) {
    auto it = g_dirs.find(type ? type : "");
    return it == g_dirs.end() ? nullptr : it->second.c_str();
}

std::vector<std::string> g_chosen;  // answers of the file requester, in order; empty: cancel
int fakeFileRequest(int, st_LWFileReqLocal* req) {
    req->result = LWFREQ_CANCELLED;
    if (g_chosen.empty()) return 1;
    std::snprintf(req->fullName, static_cast<size_t>(req->bufLen), "%s", g_chosen.front().c_str());
    g_chosen.erase(g_chosen.begin());
    req->result = LWFREQ_CONFIRMED;
    return 1;
}

st_LWInterfaceInfo g_interface{};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class PresetsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char templ[] = "/tmp/vexo-presets-XXXXXX";
        ASSERT_NE(::mkdtemp(templ), nullptr);
        root = templ;
        for (const char* d : {"install", "settings", "content", "global"})
            fs::create_directories(root + "/" + d);
        g_dirs = {{"Install", root + "/install"},
                  {"Settings", root + "/settings/"},
                  {"Content", root + "/content"}};
        // The default "Global" location is a system directory: tests keep it here.
        writeConfig("install", "Global " + root + "/global\n");
        g_chosen.clear();
        g_interface = st_LWInterfaceInfo{};
        host.globals().publish(LWDIRINFOFUNC_GLOBAL, reinterpret_cast<void*>(&fakeDirInfo));
        host.globals().publish(LWFILEREQFUNC_GLOBAL, reinterpret_cast<void*>(&fakeFileRequest));
        host.globals().publish(LWINTERFACEINFO_GLOBAL, &g_interface);
        host.messages().setAnswerer([this](lwhost::MessageKind, const lwhost::Message& m) {
            questions.push_back(m.line1 + "|" + m.line2);
            return answers.empty() ? 0 : takeFront(answers);
        });
        host.xpanels().setModalDriver([this](lwhost::XPanel& panel) {
            ++posts;
            if (forms.empty()) return 0;
            auto fill = forms.front();
            forms.erase(forms.begin());
            fill(panel);
            return formResults.empty() ? 1 : takeFront(formResults);
        });
        vexo::SetSuperGlobal(lwhost::Host::globalFunction());
    }
    void TearDown() override { fs::remove_all(root); }

    static int takeFront(std::vector<int>& v) {
        int a = v.front();
        v.erase(v.begin());
        return a;
    }
    void writeConfig(const std::string& dir, const std::string& text) {
        std::ofstream(root + "/" + dir + "/SimplePresetPaths.cfg", std::ios::binary) << text;
    }
    std::string presetDir(const std::string& location) const {
        return root + "/" + location + "/SimplePresets/MasterHandler/lumavex";
    }
    // Queues the save form filled with a name and a location index, closed with OK.
    void fillSaveForm(const std::string& name, int type) {
        forms.push_back([name, type](lwhost::XPanel& p) {
            p.setString(0x800, name);
            p.setInt(0x801, type);
        });
    }
    // Menu texts as the host shows them.
    std::vector<std::string> menu(vexo::SimplePreset& presets) {
        std::vector<std::string> items;
        const int n = presets.popCount();
        for (int i = 0; i < n; ++i) items.push_back(presets.popName(i));
        return items;
    }
    std::vector<std::string> messagesOf(lwhost::MessageKind kind) {
        std::vector<std::string> out;
        for (const lwhost::Message& m : host.messages().all())
            if (m.kind == kind) out.push_back(m.line2.empty() ? m.line1 : m.line1 + "|" + m.line2);
        return out;
    }
    void savePreset(vexo::SimplePreset& presets, const std::string& name, int type) {
        fillSaveForm(name, type);
        presets.doSavePreset();
    }

    lwhost::Host host;
    std::string root;
    std::vector<std::function<void(lwhost::XPanel&)>> forms;
    std::vector<int> formResults;  // 1 OK, 0 cancel; empty: OK
    std::vector<int> answers;      // answers of the asking dialogs
    std::vector<std::string> questions;
    int posts = 0;
};

// Location indices in key order: Content, Global, User.
enum { kContent = 0, kGlobal = 1, kUser = 2 };

const std::string kCommands[] = {
    "---------------------------------",          "\x03(c:Nc_HILIGHT)Save as Preset...",
    "\x03(c:Nc_HILIGHT)Delete Preset...",         "\x03(c:Nc_HILIGHT)Load Settings from File...",
    "\x03(c:Nc_HILIGHT)Save Settings to File...",
};

TEST(PresetPathsTest, ParsesKeysDirectoriesAndSkipsUnusableLines) {
    const std::string text =
        "# comment line\n"
        "global /g/dir\n"
        " leading /skipped\n"
        "nospace\n"
        "Empty \n"
        "two words /rest of it\r\n"
        "mIXED /m\n"
        "last /no/newline";
    vexo::PresetPaths parsed = vexo::parsePresetPaths(text);
    EXPECT_EQ(parsed.locations, (std::map<std::string, std::string>{{"Global", "/g/dir"},
                                                                    {"Two", "words /rest of it"},
                                                                    {"Mixed", "/m"},
                                                                    {"Last", "/no/newline"}}));
    EXPECT_TRUE(parsed.problems.empty());
}

TEST(PresetPathsTest, LaterLineOfOneKeyWins) {
    vexo::PresetPaths parsed = vexo::parsePresetPaths("User /a\nUSER /b\n");
    EXPECT_EQ(parsed.locations.at("User"), "/b");
}

TEST(PresetPathsTest, NulBytesAndOverlongLinesAreSkippedAndNamed) {
    std::string text = "Good /g\n";
    text += std::string("Bad /x\0y\n", 9);
    text += "Long /" + std::string(vexo::maxPresetPathLine, 'a') + "\n";
    text += "\xff\xfe\x01 \x80junk\n";
    vexo::PresetPaths parsed = vexo::parsePresetPaths(text);
    ASSERT_EQ(parsed.problems.size(), 2u);
    EXPECT_EQ(parsed.problems[0].line, 2);
    EXPECT_EQ(parsed.problems[1].line, 3);
    EXPECT_EQ(parsed.locations.count("Good"), 1u);
    EXPECT_EQ(parsed.locations.count("Long"), 0u);
    EXPECT_EQ(parsed.locations.at("\xff\xfe\x01"), "\x80junk");
}

TEST(PresetPathsTest, KeyNormalisationCapitalisesWords) {
    EXPECT_EQ(vexo::normalisePresetKey("gLOBAL"), "Global");
    EXPECT_EQ(vexo::normalisePresetKey("my studio"), "My Studio");
    EXPECT_EQ(vexo::normalisePresetKey(""), "");
}

TEST_F(PresetsTest, PathMapReadsInstallSettingsAndContentInOrder) {
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
    EXPECT_STREQ(vexo::pathMap.popName(0), "Content");
    EXPECT_STREQ(vexo::pathMap.popName(5), "");
    vexo::pathMap.Reset();
    EXPECT_EQ(vexo::pathMap.directory("Global"), "/Library/Preferences/LightWave3D");
}

TEST_F(PresetsTest, JunkConfigurationIsSurvivedAndWarnedOnce) {
    std::string junk(5000, '\0');
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 7919) % 256);
    writeConfig("settings", junk);
    vexo::pathMap.Load();
    vexo::pathMap.Load();
    EXPECT_EQ(vexo::pathMap.directory("Global"), root + "/global");
    std::vector<std::string> warnings = messagesOf(lwhost::MessageKind::Warning);
    ASSERT_FALSE(warnings.empty());
    EXPECT_NE(warnings[0].find(root + "/settings/SimplePresetPaths.cfg line "), std::string::npos);
    for (const lwhost::Message& m : host.messages().all()) EXPECT_EQ(m.count, 1u);
}

TEST_F(PresetsTest, EmptyMenuHoldsTheSeparatorAndFourCommands) {
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    std::vector<std::string> items = menu(presets);
    EXPECT_EQ(items, std::vector<std::string>(std::begin(kCommands), std::end(kCommands)));
    EXPECT_STREQ(presets.popName(5), "");
    EXPECT_STREQ(presets.popName(-1), "");
}

TEST_F(PresetsTest, SavedPresetIsListedWithItsLocationAndAlignment) {
    Settings settings;
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&settings);
    savePreset(presets, "Soft", kUser);
    const std::string file = presetDir("settings") + "/Soft.cfg";
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(messagesOf(lwhost::MessageKind::Info),
              std::vector<std::string>{"Preset saved: " + file});
    EXPECT_EQ(posts, 1);

    savePreset(presets, "Hard", kGlobal);
    std::vector<std::string> items = menu(presets);
    ASSERT_EQ(items.size(), 7u);
    // "Global" and "User": the longest key has 6 characters.
    EXPECT_EQ(items[0], "[Global]\x03(a:48)Hard");
    EXPECT_EQ(items[1], "[User]\x03(a:48)Soft");
    EXPECT_EQ(items[2], kCommands[0]);
    EXPECT_EQ(items[6], kCommands[4]);
    // The save form lists plain names and the location keys.
    EXPECT_STREQ(presets.collection().popName(0), "Hard");
}

TEST_F(PresetsTest, SaveFormHasItsTitleControlsAndDefaults) {
    Settings settings;
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&settings);
    presets.popCount();
    std::string title, name;
    int type = -1;
    std::vector<std::string> types;
    forms.push_back([&](lwhost::XPanel& p) {
        title = p.title();
        name = p.value(0x800).s;
        type = p.value(0x801).i;
        types = p.popupItems(0x801);
        EXPECT_EQ(p.control(0x800)->type, "sPresetText");
    });
    formResults.push_back(0);
    presets.doSavePreset();
    EXPECT_EQ(title, "Save Preset");
    EXPECT_EQ(name, "none");
    EXPECT_EQ(type, 1);
    EXPECT_EQ(types, (std::vector<std::string>{"Content", "Global", "User"}));
    EXPECT_FALSE(fs::exists(presetDir("global")));
    EXPECT_TRUE(host.messages().all().empty());
}

TEST_F(PresetsTest, ChoosingAPresetLoadsItAndRefreshesThePanel) {
    Settings settings;
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&settings);
    settings.gain = 2.5f;
    settings.label = "bright";
    savePreset(presets, "Bright", kContent);
    settings.gain = 0.0f;
    settings.label = "changed";

    const st_LWXPanelControl controls[] = {{kMenu, "Presets", "vPopCmd"}, {0, nullptr, nullptr}};
    vexo::XPanel owner;
    LWXPanelID id = owner.create(LWXP_VIEW, controls, true);
    ASSERT_NE(id, nullptr);
    presets.Setup(id, kMenu);
    lwhost::XPanel* panel = host.xpanels().find(id);
    ASSERT_NE(panel, nullptr);
    std::vector<std::string> items = panel->popupItems(kMenu);
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0], "[Content]\x03(a:56)Bright");
    const unsigned refreshes = panel->refreshCount();
    host.messages().clear();

    ASSERT_TRUE(panel->chooseCommand(kMenu, 0)) << panel->lastError();
    EXPECT_EQ(settings.gain, 2.5f);
    EXPECT_EQ(settings.label, "bright");
    EXPECT_GT(panel->refreshCount(), refreshes);
    EXPECT_EQ(messagesOf(lwhost::MessageKind::Info),
              std::vector<std::string>{"Loaded Preset: Bright"});

    // Another control's commands are not the menu's.
    settings.gain = 0.0f;
    presets.popCommand(kMenu + 1, 0);
    EXPECT_EQ(settings.gain, 0.0f);
}

TEST_F(PresetsTest, NameSeparatorsBecomeUnderscoresAndStayInTheirDirectory) {
    Settings settings;
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&settings);
    savePreset(presets, "a/b:c", kContent);
    savePreset(presets, "../../escape", kContent);
    savePreset(presets, "..\\up|*?\"<>%+~", kContent);
    const std::string dir = presetDir("content");
    EXPECT_TRUE(fs::exists(dir + "/a_b_c.cfg"));
    EXPECT_TRUE(fs::exists(dir + "/_._.._escape.cfg"));
    EXPECT_TRUE(fs::exists(dir + "/_._up_________.cfg"));
    EXPECT_FALSE(fs::exists(root + "/escape.cfg"));
    EXPECT_FALSE(fs::exists(root + "/content/SimplePresets/MasterHandler/escape.cfg"));

    std::vector<std::string> names;
    presets.popCount();
    for (const vexo::PresetEntry& e : presets.collection().entries()) names.push_back(e.name());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"../../escape", "..\\up|*?\"<>%+~", "a/b:c"}));
}

TEST_F(PresetsTest, OverwriteYesReplacesThePreset) {
    Settings settings;
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&settings);
    savePreset(presets, "Soft", kUser);
    settings.label = "second";
    answers.push_back(LWMSG_YNC_YES);
    savePreset(presets, "Soft", kUser);
    const std::string file = presetDir("settings") + "/Soft.cfg";
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], "Save Preset|Are you sure you want to overwrite preset?\n" + file);
    EXPECT_NE(slurp(file).find("second"), std::string::npos);
}

TEST_F(PresetsTest, OverwriteNoShowsTheFormAgainWithWhatWasTyped) {
    Settings settings;
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&settings);
    savePreset(presets, "Soft", kUser);
    const std::string before = slurp(presetDir("settings") + "/Soft.cfg");
    settings.label = "second";

    answers.push_back(LWMSG_YNC_NO);
    fillSaveForm("Soft", kUser);
    std::string shownName;
    int shownType = -1;
    forms.push_back([&](lwhost::XPanel& p) {
        shownName = p.value(0x800).s;
        shownType = p.value(0x801).i;
    });
    formResults = {1, 0};
    posts = 0;
    presets.doSavePreset();
    EXPECT_EQ(posts, 2);
    EXPECT_EQ(shownName, "Soft");
    EXPECT_EQ(shownType, kUser);
    EXPECT_EQ(slurp(presetDir("settings") + "/Soft.cfg"), before);
}

TEST_F(PresetsTest, OverwriteCancelEndsWithoutWriting) {
    Settings settings;
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&settings);
    savePreset(presets, "Soft", kUser);
    const std::string before = slurp(presetDir("settings") + "/Soft.cfg");
    settings.label = "second";
    host.messages().clear();
    answers.push_back(LWMSG_CANCEL);
    posts = 0;
    savePreset(presets, "Soft", kUser);
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(slurp(presetDir("settings") + "/Soft.cfg"), before);
    EXPECT_TRUE(messagesOf(lwhost::MessageKind::Info).empty());
}

TEST_F(PresetsTest, ExpertAlertLevelOverwritesAndDeletesWithoutAsking) {
    Settings settings;
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&settings);
    savePreset(presets, "Soft", kUser);
    g_interface.alertLevel = LWALERT_EXPERT;
    settings.label = "second";
    savePreset(presets, "Soft", kUser);
    EXPECT_NE(slurp(presetDir("settings") + "/Soft.cfg").find("second"), std::string::npos);

    presets.popCount();
    forms.push_back([](lwhost::XPanel& p) { p.setInt(0x800, 0); });
    presets.doDeletePreset();
    EXPECT_FALSE(fs::exists(presetDir("settings") + "/Soft.cfg"));
    EXPECT_TRUE(questions.empty());
}

TEST_F(PresetsTest, SaveThatCannotWriteReportsAnErrorNotSuccess) {
    std::ofstream(root + "/blocker") << "a file where a directory should be";
    writeConfig("install", "Global " + root + "/blocker/global\n");
    Settings settings;
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&settings);
    savePreset(presets, "Soft", kGlobal);
    EXPECT_TRUE(messagesOf(lwhost::MessageKind::Info).empty());
    std::vector<std::string> errors = messagesOf(lwhost::MessageKind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("Error saving Preset: ", 0), 0u);
    EXPECT_NE(errors[0].find(root + "/blocker/global/SimplePresets"), std::string::npos);
}

TEST_F(PresetsTest, HandlerSaveErrorIsReportedNotSaved) {
    Settings settings;
    settings.saveError = "settings are locked";
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&settings);
    savePreset(presets, "Soft", kUser);
    EXPECT_TRUE(messagesOf(lwhost::MessageKind::Info).empty());
    EXPECT_EQ(messagesOf(lwhost::MessageKind::Error),
              std::vector<std::string>{"Error saving Preset: settings are locked|" +
                                       presetDir("settings") + "/Soft.cfg"});
}

TEST_F(PresetsTest, DefaultPresetIsLoadedQuietlyWhenTheHandlerIsSet) {
    Settings first;
    first.label = "from default";
    {
        vexo::SimplePreset presets("MasterHandler", "lumavex");
        presets.SetHandler(&first);
        savePreset(presets, "My DEFAULT look", kContent);
    }
    host.messages().clear();
    Settings second;
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&second);
    EXPECT_EQ(second.label, "from default");
    EXPECT_TRUE(host.messages().all().empty());

    // A copy is bound without loading anything.
    Settings third;
    vexo::SimplePreset copy(presets);
    EXPECT_EQ(copy.handler(), nullptr);
    EXPECT_EQ(copy.panelId(), nullptr);
    copy.bindHandler(&third);
    EXPECT_EQ(third.loads, 0);
    EXPECT_NE(copy.loadRequest().record().fullName, presets.loadRequest().record().fullName);
}

TEST_F(PresetsTest, CopiesNeverShareHandlerOrPanel) {
    Settings a, b;
    vexo::SimplePreset first("MasterHandler", "lumavex");
    first.SetHandler(&a);
    first.Setup(reinterpret_cast<LWXPanelID>(0x1234), kMenu);
    vexo::SimplePreset second("MasterHandler", "lumavex");
    second.SetHandler(&b);
    second = first;
    EXPECT_EQ(second.handler(), &b);
    EXPECT_EQ(second.panelId(), nullptr);
    vexo::SimplePreset copy(first);
    EXPECT_EQ(copy.handler(), nullptr);
    // Without a handler nothing is saved.
    fillSaveForm("Orphan", kContent);
    copy.doSavePreset();
    EXPECT_FALSE(fs::exists(presetDir("content") + "/Orphan.cfg"));
}

TEST_F(PresetsTest, DeleteAsksWithTheDisplayNameAndHonoursTheAnswer) {
    Settings settings;
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&settings);
    savePreset(presets, "Soft", kUser);
    const std::string file = presetDir("settings") + "/Soft.cfg";
    presets.popCount();

    std::vector<std::string> shown;
    forms.push_back([&](lwhost::XPanel& p) {
        shown = p.popupItems(0x800);
        EXPECT_EQ(p.title(), "Delete Preset");
    });
    answers.push_back(LWMSG_NO);
    presets.doDeletePreset();
    EXPECT_EQ(shown, std::vector<std::string>{"[User]\x03(a:32)Soft"});
    EXPECT_FALSE(vexo::PresetCollection::showDecorated);
    EXPECT_TRUE(fs::exists(file));
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0],
              "Delete Preset|Are you sure you want to delete the preset?\n[User]\x03(a:32)Soft");

    forms.push_back([](lwhost::XPanel&) {});
    answers.push_back(LWMSG_YES);
    presets.doDeletePreset();
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(menu(presets).size(), 5u);
}

TEST_F(PresetsTest, FailedDeletionIsReported) {
    Settings settings;
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&settings);
    savePreset(presets, "Soft", kUser);
    presets.popCount();
    const std::string file = presetDir("settings") + "/Soft.cfg";
    // Gone while the form is open: nothing to ask about, and deletion fails.
    forms.push_back([&](lwhost::XPanel&) { fs::remove(file); });
    presets.doDeletePreset();
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(messagesOf(lwhost::MessageKind::Error),
              std::vector<std::string>{"Error Deleting file:|" + file});
}

TEST_F(PresetsTest, ScanSkipsBrokenFilesAndKeepsDuplicateNames) {
    Settings settings;
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&settings);
    savePreset(presets, "Same", kContent);
    const std::string dir = presetDir("content");
    fs::copy_file(dir + "/Same.cfg", dir + "/Copy.cfg");
    const std::string good = slurp(dir + "/Same.cfg");
    std::ofstream(dir + "/truncated.cfg", std::ios::binary) << good.substr(0, good.size() / 2);
    std::ofstream(dir + "/notes.txt") << "just some text\n";
    std::ofstream(dir + "/junk.cfg", std::ios::binary) << std::string("\0\xff\x01PRES", 8);
    std::ofstream(dir + "/empty.cfg");
    std::ofstream(dir + "/.hidden.cfg", std::ios::binary) << good;
    fs::create_directory(dir + "/folder.cfg");

    presets.popCount();
    std::vector<std::string> files;
    for (const vexo::PresetEntry& e : presets.collection().entries()) {
        EXPECT_EQ(e.name(), "Same");
        files.push_back(fs::path(e.file()).filename());
    }
    std::sort(files.begin(), files.end());
    // A truncated file may still hold its "Preset" block opening; it must only not crash.
    files.erase(std::remove(files.begin(), files.end(), "truncated.cfg"), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"Copy.cfg", "Same.cfg"}));

    // Loading what is not a preset never says it loaded one.
    std::ofstream(dir + "/nameonly.cfg") << "Name \"x\"\n";
    host.messages().clear();
    presets.doLoadPreset(dir + "/junk.cfg", false);
    presets.doLoadPreset(dir + "/truncated.cfg", false);
    presets.doLoadPreset(dir + "/missing.cfg", false);
    EXPECT_TRUE(messagesOf(lwhost::MessageKind::Info).empty());
    host.messages().clear();
    presets.doLoadPreset(dir + "/nameonly.cfg", false);
    EXPECT_EQ(messagesOf(lwhost::MessageKind::Error),
              std::vector<std::string>{"Error loading Preset: the file holds no preset.|" + dir +
                                       "/nameonly.cfg"});
}

TEST_F(PresetsTest, PresetWithoutANameBlockIsListedByItsFileName) {
    std::ofstream(root + "/plain.cfg") << "x";
    const std::string dir = presetDir("content");
    fs::create_directories(dir);
    std::ofstream(dir + "/Bare.cfg") << "{ Preset\n}\n";
    Settings settings;
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&settings);
    EXPECT_TRUE(vexo::SimplePreset::isPreset(dir + "/Bare.cfg"));
    EXPECT_FALSE(vexo::SimplePreset::isPreset(root + "/plain.cfg"));
    EXPECT_EQ(vexo::SimplePreset::grabPresetName(dir + "/Bare.cfg", "fallback"), "fallback");
    presets.popCount();
    ASSERT_EQ(presets.collection().entries().size(), 1u);
    EXPECT_EQ(presets.collection().entries()[0].name(), "Bare");
}

TEST_F(PresetsTest, HandlerLoadErrorIsShown) {
    Settings settings;
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&settings);
    savePreset(presets, "Soft", kUser);
    host.messages().clear();
    settings.loadError = "bad value";
    presets.doLoadPreset(presetDir("settings") + "/Soft.cfg", false);
    EXPECT_EQ(messagesOf(lwhost::MessageKind::Error),
              std::vector<std::string>{"Error loading Preset: bad value"});
    EXPECT_TRUE(messagesOf(lwhost::MessageKind::Info).empty());
}

TEST_F(PresetsTest, SettingsFilesSaveAndLoadThroughTheRequester) {
    Settings settings;
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&settings);
    presets.Setup(nullptr, kMenu);
    const std::string file = root + "/content/shots/look.cfg";
    fs::create_directories(root + "/content/shots");
    settings.label = "exported";
    g_chosen = {file};
    presets.popCommand(kMenu, vexo::SimplePreset::SaveFile);  // no presets: N = 0
    EXPECT_EQ(messagesOf(lwhost::MessageKind::Info),
              std::vector<std::string>{"Saved Preset As: " + file});
    EXPECT_EQ(vexo::SimplePreset::grabPresetName(file, ""), file);

    // Again: the question shows the name inside the content directory; No asks for a file again.
    g_chosen = {file, file};
    answers = {LWMSG_YNC_NO, LWMSG_CANCEL};
    presets.doSaveAsPreset();
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0],
              "Save Preset|Are you sure you want to overwrite preset?\nshots/look.cfg");
    EXPECT_TRUE(g_chosen.empty());

    host.messages().clear();
    settings.label = "other";
    g_chosen = {file};
    presets.popCount();
    presets.popCommand(kMenu, 0 + vexo::SimplePreset::LoadFile);
    EXPECT_EQ(settings.label, "exported");
    EXPECT_EQ(messagesOf(lwhost::MessageKind::Info),
              std::vector<std::string>{"Loaded Preset: " + file});
}

TEST_F(PresetsTest, UnknownLocationKeyJoinsTheMapWithTheContentDirectory) {
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    EXPECT_EQ(presets.makeFilePath("Studio"), presetDir("content"));
    EXPECT_EQ(vexo::pathMap.directory("Studio"), root + "/content/");
    EXPECT_EQ(presets.makeFileName("x", 99), presetDir("content") + "/x.cfg");
}

TEST_F(PresetsTest, LocationWithoutADirectoryNeverBecomesTheRoot) {
    g_dirs.erase("Settings");
    Settings settings;
    vexo::SimplePreset presets("MasterHandler", "lumavex");
    presets.SetHandler(&settings);
    EXPECT_EQ(presets.makeFilePath("User"), "");
    savePreset(presets, "Soft", kUser);
    EXPECT_FALSE(fs::exists("/SimplePresets"));
    EXPECT_EQ(messagesOf(lwhost::MessageKind::Error).size(), 1u);
}

}  // namespace
