#include "vexo/presets.h"

#include <lwsdk/lwmessage.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <set>

#include "os/os.h"

namespace vexo {

int PresetEntry::longest = 0;
bool PresetCollection::showDecorated = false;
PathMap pathMap;

namespace {

const st_LWBlockIdent& kVersion = idroot[0];
const st_LWBlockIdent& kPreset = idroot[1];
const st_LWBlockIdent& kName = idroot[2];
const st_LWBlockIdent kPresetOnly[] = {idroot[1], {0, nullptr}};
const st_LWBlockIdent kNameOnly[] = {idroot[2], {0, nullptr}};

// Form controls of the save and delete dialogs.
constexpr unsigned kFormPreset = 0x800;
constexpr unsigned kFormType = 0x801;

// The menu after the presets.
const char* const kSeparator = "---------------------------------";
const char* const kCommandItems[] = {
    "\003(c:Nc_HILIGHT)Save as Preset...",
    "\003(c:Nc_HILIGHT)Delete Preset...",
    "\003(c:Nc_HILIGHT)Load Settings from File...",
    "\003(c:Nc_HILIGHT)Save Settings to File...",
};

const char* const kSettingsFiles = "Settings|*.cfg";

// Read at most this much of one configuration file.
constexpr size_t kMaxConfigBytes = 1 << 20;

bool asciiUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool asciiLower(char c) {
    return c >= 'a' && c <= 'z';
}
char toUpper(char c) {
    return asciiLower(c) ? static_cast<char>(c - 'a' + 'A') : c;
}
char toLower(char c) {
    return asciiUpper(c) ? static_cast<char>(c - 'A' + 'a') : c;
}

bool containsDefault(const std::string& name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), toLower);
    return lower.find("default") != std::string::npos;
}

void showInfo(const std::string& line1, const char* line2 = nullptr) {
    LWMessage().info(line1.c_str(), line2);
}

void showError(const std::string& line1, const char* line2 = nullptr) {
    LWMessage().error(line1.c_str(), line2);
}

// The asking dialogs; without the host's message service they give the cautious answer.
int askYesNoCancel(const char* title, const char* line1, const char* line2) {
    LWMessage messages;
    const st_LWMessageFuncs* f = messages.getGlobal();
    return f && f->yesNoCan ? f->yesNoCan(title, line1, line2) : LWMSG_CANCEL;
}

int askYesNo(const char* title, const char* line1, const char* line2) {
    LWMessage messages;
    const st_LWMessageFuncs* f = messages.getGlobal();
    return f && f->yesNo ? f->yesNo(title, line1, line2) : LWMSG_NO;
}

bool skipQuestions() {
    return InterfaceInfo().alertLevel() > LWALERT_INTERMEDIATE;
}

// Problems of configuration files are shown once per module, not at every menu opening. Line 0
// is the whole file.
void reportProblem(const std::string& path, const PresetPathProblem& problem) {
    static std::set<std::string> reported;
    std::string text = path + (problem.line > 0 ? " line " + std::to_string(problem.line) : "") +
                       ": " + problem.reason;
    if (!reported.insert(text).second) return;
    LWMessage().warning(
        problem.line > 0 ? "Preset locations: line skipped" : "Preset locations: file skipped",
        text.c_str());
}

// Only regular files are opened: a pipe or a device among the presets must not block the host.
bool isRegularFile(const std::string& path) {
    return os::kindOf(path) == os::FileKind::Regular;
}

// Whether presets can be saved under `dir`: it, or the nearest folder above it that exists, is
// a folder the user may write to.
bool canSaveUnder(std::string dir) {
    trimTrail(dir);
    while (!dir.empty()) {
        const os::FileKind kind = os::kindOf(dir);
        if (kind != os::FileKind::Missing) return os::writableDirectory(dir);
        const size_t slash = dir.find_last_of(fSeps);
        if (slash == std::string::npos || slash == 0) return false;
        dir.erase(slash);
    }
    return false;
}

}  // namespace

// ---- PresetEntry, PresetCollection ------------------------------------------------------------

PresetEntry::PresetEntry(std::string name, std::string file, std::string key)
    : m_name(std::move(name)), m_file(std::move(file)), m_key(std::move(key)) {
    longest = std::max(longest, static_cast<int>(8 * m_key.size()));
}

const std::string& PresetEntry::displayName() {
    if (m_display.empty())
        m_display = "[" + m_key + "]\003(a:" + std::to_string(longest) + ")" + m_name;
    return m_display;
}

const char* PresetCollection::popName(int index) {
    if (index < 0 || index >= popCount()) return "";
    PresetEntry& entry = m_entries[static_cast<size_t>(index)];
    return showDecorated ? entry.displayName().c_str() : entry.name().c_str();
}

// ---- Configuration ----------------------------------------------------------------------------

std::string normalisePresetKey(const std::string& key) {
    std::string out(key);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = (i == 0 || out[i - 1] == ' ') ? toUpper(out[i]) : toLower(out[i]);
    return out;
}

PresetPaths parsePresetPaths(const std::string& text) {
    PresetPaths result;
    // Editors may begin a UTF-8 file with a byte-order mark.
    size_t begin = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    int number = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) end = text.size();
        ++number;
        size_t length = end - begin;
        if (length > 0 && text[end - 1] == '\r') --length;
        const size_t next = end + 1;

        if (length > maxPresetPathLine) {
            result.problems.push_back(
                {number, "longer than " + std::to_string(maxPresetPathLine) + " characters"});
        } else {
            std::string line = text.substr(begin, length);
            size_t space = line.find(' ');
            if (line.find('\0') != std::string::npos) {
                result.problems.push_back({number, "holds a NUL byte"});
            } else if (!line.empty() && line[0] != '#' && space != std::string::npos && space > 0 &&
                       space + 1 < line.size()) {
                result.locations[normalisePresetKey(line.substr(0, space))] =
                    line.substr(space + 1);
            }
        }
        begin = next;
    }
    return result;
}

// ---- PathMap ----------------------------------------------------------------------------------

std::string PathMap::globalDirectory() {
    return os::systemConfigDirectory();
}

void PathMap::Reset() {
    m_map.clear();
    DirInfo dirs;
    m_map["Global"] = globalDirectory();
    m_map["User"] = dirs.GetDirectory("Settings");
    m_map["Content"] = dirs.GetDirectory("Content");
}

bool PathMap::LoadFile(const std::string& path) {
    std::string text, why;
    bool cut = false;
    if (!os::readRegularFile(path, kMaxConfigBytes, text, cut, why)) {
        if (!why.empty()) reportProblem(path, {0, why});
        return false;
    }
    // A file cut at the limit may end inside a line: that line is not used either.
    if (cut) text.erase(text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1);
    PresetPaths parsed = parsePresetPaths(text);
    if (cut) {
        const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
        parsed.problems.push_back({lines + 1, "the file is larger than " +
                                                  std::to_string(kMaxConfigBytes) +
                                                  " bytes; the rest is ignored"});
    }
    for (auto& location : parsed.locations) m_map[location.first] = location.second;
    for (const PresetPathProblem& problem : parsed.problems) reportProblem(path, problem);
    return true;
}

void PathMap::Load() {
    Reset();
    DirInfo dirs;
    for (const char* type : {"Install", "Settings", "Content"}) {
        std::string dir = dirs.GetDirectory(type);
        if (!dir.empty()) LoadFile(dir + configName);
    }
}

const char* PathMap::popName(int index) {
    if (index < 0 || index >= popCount()) return "";
    auto it = m_map.begin();
    std::advance(it, index);
    return it->first.c_str();
}

std::string PathMap::directory(const std::string& key) const {
    auto it = m_map.find(key);
    return it == m_map.end() ? std::string() : it->second;
}

std::string PathMap::keyAt(int index) const {
    if (index < 0 || index >= static_cast<int>(m_map.size())) return std::string();
    auto it = m_map.begin();
    std::advance(it, index);
    return it->first;
}

// ---- SimplePreset -----------------------------------------------------------------------------

SimplePreset::SimplePreset(const char* className, const char* pluginName)
    : m_pluginName(pluginName ? pluginName : ""),
      m_className(className ? className : ""),
      m_loadReq(FREQ_LOAD, "Load Settings", kSettingsFiles),
      m_saveReq(FREQ_SAVE, "Save Settings", kSettingsFiles) {
    pathMap.Load();
}

SimplePreset::SimplePreset(const SimplePreset& other)
    : PopUpCallback(other),
      PopCmdCallback<SimplePreset>(other),
      m_pluginName(other.m_pluginName),
      m_className(other.m_className),
      m_collection(other.m_collection),
      m_xpanel(other.m_xpanel),
      m_loadReq(other.m_loadReq),
      m_saveReq(other.m_saveReq) {}

SimplePreset& SimplePreset::operator=(const SimplePreset& other) {
    if (this == &other) return *this;
    m_pluginName = other.m_pluginName;
    m_className = other.m_className;
    m_collection = other.m_collection;
    m_loadReq = other.m_loadReq;
    m_saveReq = other.m_saveReq;
    return *this;
}

void SimplePreset::SetHandler(PresetHandler* handler) {
    m_handler = handler;
    ScanAll();
    for (const PresetEntry& entry : m_collection.entries()) {
        if (!containsDefault(entry.name())) continue;
        doLoadPreset(entry.file(), true);
        break;
    }
}

void SimplePreset::Setup(LWXPanelID panel, unsigned control) {
    m_panelId = panel;
    m_control = control;
    XPanel owner(panel);
    // The control's data is this object, for its items and for its commands alike.
    owner.hint(0, XPanelHints()
                      .popUp(control, &PopUpCallback::PopCountOf<SimplePreset>,
                             &PopUpCallback::PopNameOf<SimplePreset>)
                      .popCommand(control, &PopCmdCallback<SimplePreset>::PopCommand)
                      .list());
    owner.setData(control, static_cast<void*>(this));
}

void SimplePreset::ScanAll() {
    m_collection.entries().clear();
    PresetEntry::longest = 0;
    std::vector<std::string> keys;
    for (const auto& location : pathMap.map()) keys.push_back(location.first);
    for (const std::string& key : keys) ScanPresets(key);
}

int SimplePreset::popCount() {
    pathMap.Load();
    ScanAll();
    return m_collection.popCount() + Commands;
}

const char* SimplePreset::popName(int index) {
    const int n = m_collection.popCount();
    if (index < 0) return "";
    if (index < n) return m_collection.entries()[static_cast<size_t>(index)].displayName().c_str();
    if (index == n + Separator) return kSeparator;
    if (index < n + Commands) return kCommandItems[index - n - 1];
    return "";
}

void SimplePreset::popCommand(int control, int index) {
    if (static_cast<unsigned>(control) != m_control || index < 0) return;
    const int n = m_collection.popCount();
    if (index < n) {
        const std::string file = m_collection.entries()[static_cast<size_t>(index)].file();
        doLoadPreset(file, false);
        XPanel(m_panelId).viewRefresh();
        return;
    }
    switch (index - n) {
        case SaveAs:
            doSavePreset();
            break;
        case Delete:
            doDeletePreset();
            break;
        case LoadFile:
            if (m_loadReq.Post()) {
                doLoadPreset(m_loadReq.fullName(), false);
                XPanel(m_panelId).viewRefresh();
            }
            break;
        case SaveFile:
            doSaveAsPreset();
            break;
        default:
            break;
    }
}

// ---- Files ------------------------------------------------------------------------------------

const char* SimplePreset::SavePreset(SaveState& state, const std::string& name) {
    state.writeI2Blk(kVersion, 1);
    state.writeStrBlk(kName, name);
    state.beginBlk(kPreset, false);
    const char* result = m_handler ? m_handler->SavePreset(state) : "The presets have no handler.";
    state.endBlk();
    return result;
}

const char* SimplePreset::LoadPreset(LoadState& state, std::string& name) {
    const char* result = nullptr;
    bool nameTooLong = false;
    while (LWID id = state.findBlk(idroot)) {
        if (id == kName.id) {
            if (!state.readStr(name) && state.textTooLong() && !nameTooLong) {
                nameTooLong = true;
                if (!result) result = textTooLong("the preset", "Name");
            }
        } else if (id == kPreset.id && !nameTooLong) {
            const char* error =
                m_handler ? m_handler->LoadPreset(state) : "The presets have no handler.";
            if (!result) result = error;
        } else if (id == kVersion.id) {
            int16_t version = 0;
            state.readI2(version);
        }
        state.endBlk();
    }
    return result;
}

bool SimplePreset::isPreset(const std::string& file) {
    if (!isRegularFile(file)) return false;
    File f(file, File::Reading);
    if (!f.isOpen()) return false;
    LoadState state(f.loadRecord());
    return state.findBlk(kPresetOnly) != 0;
}

std::string SimplePreset::grabPresetName(const std::string& file, const std::string& name) {
    if (!isRegularFile(file)) return name;
    File f(file, File::Reading);
    if (!f.isOpen()) return name;
    LoadState state(f.loadRecord());
    std::string found;
    if (state.findBlk(kNameOnly) && state.readStr(found)) return found;
    return name;
}

std::string SimplePreset::makeFilePath(const std::string& key) const {
    std::string dir;
    if (pathMap.has(key)) {
        dir = pathMap.directory(key);
    } else {
        dir = DirInfo().GetDirectory("Content");
        if (!key.empty()) pathMap.set(key, dir);
    }
    // A location without a directory has no presets; it must not become the root directory.
    if (dir.empty()) return std::string();
    trimTrail(dir);
    return dir + "/SimplePresets/" + m_className + "/" + m_pluginName;
}

std::string SimplePreset::safeFileName(const std::string& name) {
    static const std::string unsafe = "\"%*+/:<>?\\|~";
    std::string out(name);
    for (char& c : out)
        if (unsafe.find(c) != std::string::npos || static_cast<unsigned char>(c) < 0x20 ||
            c == 0x7f)
            c = '_';
    // A leading dot would hide the file from the scan.
    if (!out.empty() && out[0] == '.') out[0] = '_';
    return out;
}

std::string SimplePreset::makeFileName(const std::string& name, int locationIndex) const {
    std::string key = pathMap.keyAt(locationIndex);
    if (key.empty()) key = "Content";
    std::string path = makeFilePath(key);
    if (path.empty()) return std::string();
    return path + "/" + safeFileName(name) + ".cfg";
}

int SimplePreset::writableLocation() const {
    // The form lists the keys in the map's order.
    std::vector<std::string> keys;
    for (const auto& location : pathMap.map()) keys.push_back(location.first);
    auto indexOf = [&keys](const std::string& key) {
        return static_cast<int>(std::find(keys.begin(), keys.end(), key) - keys.begin());
    };
    std::vector<std::string> order = {"User", "Content"};
    for (const std::string& key : keys)
        if (key != "User" && key != "Content" && key != "Global") order.push_back(key);
    order.push_back("Global");
    for (const std::string& key : order) {
        const int index = indexOf(key);
        if (index == static_cast<int>(keys.size())) continue;
        const std::string dir = makeFilePath(key);
        if (!dir.empty() && canSaveUnder(dir)) return index;
    }
    const int user = indexOf("User");
    return user < static_cast<int>(keys.size()) ? user : 0;
}

void SimplePreset::ScanPresets(const std::string& key) {
    const std::string path = makeFilePath(key);
    if (path.empty()) return;
    // In file-name order: systems list folders in orders of their own (by hash on most Linux
    // file systems), and the menu must read the same everywhere.
    std::vector<std::string> entries;
    Directory dir(path);
    while (const char* entry = dir.getEntry())
        if (entry[0] != '.') entries.emplace_back(entry);
    std::sort(entries.begin(), entries.end());
    for (const std::string& entry : entries) {
        const std::string file = path + "/" + entry;
        if (!isPreset(file)) continue;  // regular files only
        std::string name = grabPresetName(file, stripExtension(entry));
        m_collection.entries().emplace_back(std::move(name), file, key);
    }
}

// ---- Operations -------------------------------------------------------------------------------

void SimplePreset::doLoadPreset(const std::string& file, bool quiet) {
    if (os::kindOf(file) == os::FileKind::Missing) {
        showError("Error loading Preset: the file does not exist.", file.c_str());
        return;
    }
    if (!isRegularFile(file)) {
        showError("Error loading Preset: not a regular file.", file.c_str());
        return;
    }
    File f(file, File::Reading);
    if (!f.isOpen()) {
        showError("Error loading Preset: the file cannot be read.", file.c_str());
        return;
    }
    // A file that opens but holds no settings must not be reported as loaded.
    if (!isPreset(file)) {
        showError("Error loading Preset: the file holds no preset.", file.c_str());
        return;
    }
    LoadState state(f.loadRecord());
    std::string name;
    if (const char* error = LoadPreset(state, name))
        showError(std::string("Error loading Preset: ") + error, file.c_str());
    else if (!quiet)
        showInfo("Loaded Preset: " + name);
}

// Writes the preset and says so. Saved is said only when the file is really there: written
// anew (the host puts a save in place only once it is complete, and a failed one leaves what
// was there before) and holding the preset.
bool SimplePreset::writePreset(const std::string& file, const std::string& name,
                               const char* savedText, const std::string& shownName) {
    const os::FileStamp before = os::stamp(file);
    bool opened = false;
    std::string error;
    {
        File f(file, File::Writing);
        opened = f.isOpen();
        if (opened) {
            SaveState state(f.saveRecord());
            if (const char* e = SavePreset(state, name)) error = e;
        }
    }
    if (!opened) {
        showError("Error saving Preset: the file cannot be opened for writing.", file.c_str());
        return false;
    }
    if (!error.empty()) {
        showError("Error saving Preset: " + error, file.c_str());
        return false;
    }
    const os::FileStamp after = os::stamp(file);
    if (!after.exists || !after.regular || after == before || !isPreset(file)) {
        showError("Error saving Preset: the file could not be written.", file.c_str());
        return false;
    }
    showInfo(savedText + shownName);
    return true;
}

void SimplePreset::doSavePreset() {
    if (!m_handler) return;
    XPanel form;
    const st_LWXPanelControl controls[] = {{kFormPreset, "Preset", "sPresetText"},
                                           {kFormType, "Type", "iPopChoice"},
                                           {0, nullptr, nullptr}};
    const st_LWXPanelDataDesc data[] = {
        {kFormPreset, "Preset", "string"}, {kFormType, "Type", "integer"}, {0, nullptr, nullptr}};
    if (!form.create(LWXP_FORM, controls, true)) return;
    form.describe(data, nullptr, nullptr);
    PresetCollection::showDecorated = false;
    form.hint(0, XPanelHints()
                     .title("Save Preset")
                     .popUp(kFormPreset, &PopUpCallback::PopCount, &PopUpCallback::PopName)
                     .popUp(kFormType, &PopUpCallback::PopCount, &PopUpCallback::PopName)
                     .list());
    form.setData(kFormPreset, static_cast<PopUpCallback*>(&m_collection));
    form.setData(kFormType, static_cast<PopUpCallback*>(&pathMap));

    std::string name = "none";
    int type = writableLocation();
    for (;;) {
        form.setString(kFormPreset, name.c_str());
        form.setInt(kFormType, type);
        if (form.post() != 1) return;
        const char* typed = form.getString(kFormPreset);
        name = typed ? typed : "";
        type = form.getInt(kFormType, type);

        if (name.empty()) {
            showError("Error saving Preset: the preset has no name.");
            return;
        }
        if (!acceptText(name, "The preset name")) return;
        const std::string file = makeFileName(name, type);
        if (file.empty()) {
            showError("Error saving Preset: the location has no directory.",
                      pathMap.keyAt(type).c_str());
            return;
        }
        if (!skipQuestions() && FileName::Exists(file)) {
            int answer = askYesNoCancel("Save Preset", "Are you sure you want to overwrite preset?",
                                        file.c_str());
            if (answer == LWMSG_CANCEL) return;
            if (answer == LWMSG_YNC_NO) continue;
        }
        makeAllDirectories(file);
        writePreset(file, name, "Preset saved: ", file);
        return;
    }
}

void SimplePreset::doSaveAsPreset() {
    if (!m_handler) return;
    for (;;) {
        if (!m_saveReq.Post()) return;
        const std::string chosen = m_saveReq.fullName();
        if (chosen.empty()) return;
        // The file's name is the preset's name.
        if (!acceptText(chosen, "The preset name")) return;
        if (!skipQuestions() && FileName::Exists(chosen)) {
            const std::string relative = m_saveReq.getFullName();
            int answer = askYesNoCancel("Save Preset", "Are you sure you want to overwrite preset?",
                                        relative.c_str());
            if (answer == LWMSG_CANCEL) return;
            if (answer == LWMSG_YNC_NO) continue;
        }
        writePreset(chosen, chosen, "Saved Preset As: ", chosen);
        return;
    }
}

void SimplePreset::doDeletePreset() {
    XPanel form;
    const st_LWXPanelControl controls[] = {{kFormPreset, "Preset", "iPopChoice"},
                                           {0, nullptr, nullptr}};
    const st_LWXPanelDataDesc data[] = {{kFormPreset, "Preset", "integer"}, {0, nullptr, nullptr}};
    if (!form.create(LWXP_FORM, controls, true)) return;
    form.describe(data, nullptr, nullptr);
    form.hint(0, XPanelHints()
                     .title("Delete Preset")
                     .popUp(kFormPreset, &PopUpCallback::PopCount, &PopUpCallback::PopName)
                     .list());
    form.setData(kFormPreset, static_cast<PopUpCallback*>(&m_collection));
    form.setInt(kFormPreset, 0);

    PresetCollection::showDecorated = true;
    const int ok = form.post();
    PresetCollection::showDecorated = false;
    if (ok != 1) return;

    const int index = form.getInt(kFormPreset, -1);
    if (index < 0 || index >= m_collection.popCount()) return;
    PresetEntry& entry = m_collection.entries()[static_cast<size_t>(index)];
    const std::string file = entry.file();
    if (!skipQuestions() && FileName::Exists(file)) {
        if (askYesNo("Delete Preset", "Are you sure you want to delete the preset?",
                     entry.displayName().c_str()) != LWMSG_YES)
            return;
    }
    if (std::remove(file.c_str()) != 0) showError("Error Deleting file:", file.c_str());
}

}  // namespace vexo
