// Named presets of a handler's settings, offered through one pop-up command control: pick a
// preset to load it, or save, delete, load from and save to an arbitrary file.
//
// Presets live in "<location>/SimplePresets/<class>/<plug-in>/<name>.cfg" under a few named
// locations ("Content", "Global", "User", and any that "SimplePresetPaths.cfg" adds). The files
// are read afresh each time the menu opens.
#pragma once

#include <lwsdk/lwxpanel.h>

#include <map>
#include <string>
#include <vector>

#include "vexo/files.h"
#include "vexo/persistence.h"
#include "vexo/xpanel.h"

namespace vexo {

// What a handler with presets implements: writing and reading its settings block. Both return
// an error text, null on success.
class PresetHandler {
  public:
    virtual ~PresetHandler() = default;
    virtual const char* LoadPreset(LoadState& state) = 0;
    virtual const char* SavePreset(SaveState& state) = 0;
};

// One preset found on disk.
class PresetEntry {
  public:
    PresetEntry(std::string name, std::string file, std::string key);

    const std::string& name() const { return m_name; }
    const std::string& file() const { return m_file; }
    const std::string& key() const { return m_key; }
    // "[key]" and an alignment code that starts every name in one column of the menu.
    const std::string& displayName();

    // 8 x the longest key of the entries made since the last menu rebuild.
    static int longest;

  private:
    std::string m_name;
    std::string m_file;     // full path
    std::string m_display;  // built on first request
    std::string m_key;
};

// The presets found, as a pop-up list of plain or display names.
class PresetCollection : public PopUpCallback {
  public:
    int popCount() override { return static_cast<int>(m_entries.size()); }
    const char* popName(int index) override;

    std::vector<PresetEntry>& entries() { return m_entries; }
    const std::vector<PresetEntry>& entries() const { return m_entries; }

    // Lists display names instead of plain names while set.
    static bool showDecorated;

  private:
    std::vector<PresetEntry> m_entries;
};

// One line of "SimplePresetPaths.cfg" that could not be used and deserves a word.
struct PresetPathProblem {
    int line;            // from 1
    std::string reason;  // what was wrong
};

struct PresetPaths {
    std::map<std::string, std::string> locations;  // key -> directory
    std::vector<PresetPathProblem> problems;
};

// Parses the text of a location configuration file. "#" starts a comment line; otherwise the key
// is the text before the first space and the directory everything after it (a final "\r" is
// dropped). Lines with no space, an empty key or an empty directory are skipped silently; lines
// holding a NUL byte or longer than maxPresetPathLine bytes are skipped as problems. A later
// line overrides an earlier one of the same key.
PresetPaths parsePresetPaths(const std::string& text);
constexpr size_t maxPresetPathLine = 4096;
// A key as the map holds it: first character and every one after a space upper case, the others
// lower case (ASCII letters only).
std::string normalisePresetKey(const std::string& key);

// The preset locations: key -> directory, in byte order of the keys; also the pop-up list of the
// keys.
class PathMap : public PopUpCallback {
  public:
    static constexpr const char* configName = "SimplePresetPaths.cfg";
    // The "Global" location: this platform's system-wide configuration folder (the first
    // absolute directory of $XDG_CONFIG_DIRS, else /etc/xdg).
    static std::string globalDirectory();

    // Reset(), then the configuration files of the host's "Install", "Settings" and "Content"
    // directories in that order, later lines overriding earlier ones.
    void Load();
    // Only the three standard locations.
    void Reset();
    // Merges the lines of one configuration file; false when it cannot be read. Only a regular
    // file is read, never waiting: anything else of that name is reported once and ignored.
    bool LoadFile(const std::string& path);

    int popCount() override { return static_cast<int>(m_map.size()); }
    // Key `index`, "" beyond the end.
    const char* popName(int index) override;

    const std::map<std::string, std::string>& map() const { return m_map; }
    void set(const std::string& key, const std::string& directory) { m_map[key] = directory; }
    bool has(const std::string& key) const { return m_map.count(key) != 0; }
    // The directory of `key`; "" when unknown.
    std::string directory(const std::string& key) const;
    // Key `index`, "" beyond the end.
    std::string keyAt(int index) const;

  private:
    std::map<std::string, std::string> m_map;
};

// The module-wide preset locations, empty until first loaded.
extern PathMap pathMap;

// The preset menu of one handler.
//
// Copies: a copy (constructed or assigned) never keeps a pointer to another object's handler or
// panel, and its requesters have buffers of their own. A copy-constructed SimplePreset has no
// handler and no panel: the owner binds its own handler with bindHandler() (no scan, no
// "default" auto-load) and its panel with Setup() when it builds one. An assigned SimplePreset
// keeps its own handler, panel and control.
class SimplePreset : public PopUpCallback, public PopCmdCallback<SimplePreset> {
  public:
    // Command items after the presets, relative to the number of presets.
    enum { Separator = 0, SaveAs = 1, Delete = 2, LoadFile = 3, SaveFile = 4, Commands = 5 };

    SimplePreset(const char* className, const char* pluginName);
    SimplePreset(const SimplePreset& other);
    SimplePreset& operator=(const SimplePreset& other);
    ~SimplePreset() override = default;

    // Binds the handler, scans every location, and loads quietly the first preset whose name
    // contains "default" in any letter case.
    void SetHandler(PresetHandler* handler);
    // Binds the handler only.
    void bindHandler(PresetHandler* handler) { m_handler = handler; }
    PresetHandler* handler() const { return m_handler; }

    // Installs the menu on `control` of the owner's panel.
    void Setup(LWXPanelID panel, unsigned control);
    LWXPanelID panelId() const { return m_panelId; }
    unsigned control() const { return m_control; }

    int popCount() override;
    const char* popName(int index) override;
    void popCommand(int control, int index);

    void doLoadPreset(const std::string& file, bool quiet);
    void doSavePreset();
    void doSaveAsPreset();
    void doDeletePreset();

    // The location the save form offers first: the first of "User", "Content", the others and
    // "Global" under whose folder the user can create files; "User" when there is none.
    int writableLocation() const;
    // Adds the presets of one location to the collection (regular files only).
    void ScanPresets(const std::string& key);
    // Every location in key order into an emptied collection.
    void ScanAll();

    const char* SavePreset(SaveState& state, const std::string& name);
    const char* LoadPreset(LoadState& state, std::string& name);

    // True when the file opens through the host's file I/O and has a top-level "Preset" block.
    static bool isPreset(const std::string& file);
    // The directory of the presets of location `key` ("" when it has none).
    std::string makeFilePath(const std::string& key) const;
    // The file of preset `name` in the location at `locationIndex` of the path map.
    std::string makeFileName(const std::string& name, int locationIndex) const;
    // `name` as a file name: characters that are not safe in one, control characters among
    // them, replaced by "_".
    static std::string safeFileName(const std::string& name);
    // The "Name" block of the file; `name` when there is none.
    static std::string grabPresetName(const std::string& file, const std::string& name);

    PresetCollection& collection() { return m_collection; }
    const FileRequest2& loadRequest() const { return m_loadReq; }
    const FileRequest2& saveRequest() const { return m_saveReq; }

  private:
    bool writePreset(const std::string& file, const std::string& name, const char* savedText,
                     const std::string& shownName);

    std::string m_pluginName;
    std::string m_className;
    PresetHandler* m_handler = nullptr;
    unsigned m_control = 0;
    PresetCollection m_collection;
    XPanelFuncs m_xpanel;
    LWXPanelID m_panelId = nullptr;
    FileRequest2 m_loadReq;
    FileRequest2 m_saveReq;
};

}  // namespace vexo
