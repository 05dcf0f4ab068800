// "Directory Info" and "LW Interface Info 5": the host's standard directories and alert level,
// from defaults, the configuration file and command-line options.
#include <cctype>

#include "lwhost/core/host.h"
#include "lwhost/core/platform.h"
#include "lwhost/io/regular_file.h"
#include "lwhost/ui/dialogs.h"

namespace lwhost {

namespace {

constexpr size_t kMaxConfigBytes = 1u << 20;
constexpr size_t kMaxConfigLine = 4096;

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string currentDirectory() {
    return platform::currentDirectory();
}

std::string programDirectory() {
    const std::string path = platform::executablePath();
    if (path.empty()) return currentDirectory();
    const size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

// Without trailing separators (the root stays "/"); relative paths taken from `base`.
std::string normalised(const std::string& path, const std::string& base) {
    std::string out = path;
    if (!out.empty() && !platform::absolutePath(out)) out = base + "/" + out;
    while (out.size() > 1 && (out.back() == '/' || out.back() == '\\')) out.pop_back();
    return out;
}

bool hasControlCharacters(const std::string& text) {
    for (unsigned char c : text)
        if ((c < 0x20 && c != '\t') || c == 0x7f) return true;
    return false;
}

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// How a type is kept: case-insensitive, "Plugins" standing for the published "Plug-ins".
std::string directoryKey(const std::string& type) {
    std::string key = lower(type);
    return key == "plugins" ? "plug-ins" : key;
}

// Directories that lie under Content unless set: type and sub-directory.
const std::pair<const char*, const char*> kUnderContent[] = {
    {"Scenes", "Scenes"},     {"Objects", "Objects"},   {"Images", "Images"},
    {"Surfaces", "Surfaces"}, {"Motions", "Motions"},   {"Envelopes", "Envelopes"},
    {"Output", "Renders"},    {"Previews", "Previews"},
};

}  // namespace

const std::vector<std::string>& Dialogs::knownDirectoryTypes() {
    static const std::vector<std::string> types = {
        "Install",  "Plug-ins", "Settings",  "Content", "Scenes",   "Objects", "Images",
        "Surfaces", "Motions",  "Envelopes", "Output",  "Previews", "Temp"};
    return types;
}

bool Dialogs::validDirectoryType(const std::string& type) {
    if (type.empty() || type.size() > 64) return false;
    for (unsigned char c : type)
        if (!std::isalnum(c) && c != '-' && c != '_') return false;
    return true;
}

void Dialogs::setDirectory(const std::string& type, const std::string& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dirs[directoryKey(type)] = normalised(path, currentDirectory());
}

bool Dialogs::setDirectoryOption(const std::string& option, std::string& error) {
    const size_t eq = option.find('=');
    const std::string type = option.substr(0, eq);
    if (eq == std::string::npos || !validDirectoryType(type)) {
        error = "--dir takes TYPE=PATH (TYPE of letters, digits, '-' and '_'), not " +
                scriptQuote(option);
        return false;
    }
    const std::string path = option.substr(eq + 1);
    if (path.empty() || hasControlCharacters(path)) {
        error = "--dir " + type + " needs a path without control characters";
        return false;
    }
    setDirectory(type, path);
    return true;
}

bool Dialogs::directory(const std::string& type, std::string& path) const {
    const std::string key = directoryKey(type);
    std::map<std::string, std::string> dirs;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        dirs = m_dirs;
    }
    const auto set = dirs.find(key);
    if (set != dirs.end()) {
        path = set->second;
        return true;
    }
    if (key == "content") {
        path = currentDirectory();
        return true;
    }
    if (key == "settings") {
        path = platform::userSettingsDirectory();
        return true;
    }
    if (key == "install" || key == "plug-ins") {
        path = programDirectory();
        return true;
    }
    if (key == "temp") {
        path = platform::temporaryDirectory();
        return true;
    }
    for (const auto& [name, sub] : kUnderContent) {
        if (key != lower(name)) continue;
        std::string content;
        directory("Content", content);
        path = (content == "/" ? "" : content) + "/" + sub;
        return true;
    }
    return false;
}

const char* Dialogs::directoryText(const char* type) {
    if (!type) return nullptr;
    std::string path;
    if (!directory(type, path)) return nullptr;
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string*& kept = m_dirTexts[directoryKey(type)];
    if (!kept || *kept != path) {
        m_dirTextStore.push_back(path);
        kept = &m_dirTextStore.back();
    }
    return kept->c_str();
}

bool Dialogs::setAlertLevel(int level) {
    if (level < LWALERT_BEGINNER || level > LWALERT_EXPERT) return false;
    m_interface.alertLevel = level;
    return true;
}

std::string Dialogs::defaultConfigPath() const {
    std::string settings;
    directory("Settings", settings);
    return settings + "/lwhost.cfg";
}

bool Dialogs::loadConfig(const std::string& path, std::string& error) {
    std::string text, why;
    switch (readRegularFile(path, kMaxConfigBytes, text, why)) {
        case FileStatus::Ok:
            return parseConfig(text, path, error);
        case FileStatus::NotRegular:
            error = path + ": not a regular file";
            break;
        case FileStatus::TooLarge:
            error = path + ": larger than " + std::to_string(kMaxConfigBytes) + " bytes";
            break;
        default:
            error = path + ": cannot be read";
            break;
    }
    return false;
}

bool Dialogs::parseConfig(const std::string& text, const std::string& fileName,
                          std::string& error) {
    const size_t slash = fileName.rfind('/');
    const std::string base = slash == std::string::npos ? currentDirectory()
                             : slash == 0               ? std::string("/")
                             : platform::absolutePath(fileName)
                                 ? fileName.substr(0, slash)
                                 : normalised(fileName.substr(0, slash), currentDirectory());
    std::map<std::string, std::string> dirs;
    int alert = -1;
    int number = 0;
    // Editors may begin a UTF-8 file with a byte-order mark.
    size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (at < text.size()) {
        ++number;
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto fail = [&](const std::string& why) {
            error = fileName + ":" + std::to_string(number) + ": " + why;
            return false;
        };
        if (line.size() > kMaxConfigLine)
            return fail("the line is longer than " + std::to_string(kMaxConfigLine) + " bytes");
        if (hasControlCharacters(line))
            return fail("the line holds control characters (is this a text file?)");
        line = trimmed(line);
        if (line.empty() || line[0] == '#') continue;
        const size_t space = line.find_first_of(" \t");
        const std::string key = line.substr(0, space);
        const std::string rest = space == std::string::npos ? "" : trimmed(line.substr(space));
        if (key == "directory") {
            const size_t gap = rest.find_first_of(" \t");
            const std::string type = rest.substr(0, gap);
            const std::string path = gap == std::string::npos ? "" : trimmed(rest.substr(gap));
            if (!validDirectoryType(type))
                return fail("'directory' needs a TYPE of letters, digits, '-' and '_', found " +
                            scriptQuote(type));
            if (path.empty()) return fail("'directory " + type + "' needs a PATH");
            dirs[directoryKey(type)] = normalised(path, base);
        } else if (key == "alert-level") {
            long long level = -1;
            if (!scriptInt(rest, level) || level < LWALERT_BEGINNER || level > LWALERT_EXPERT)
                return fail("'alert-level' takes 0, 1 or 2, found " + scriptQuote(rest));
            alert = static_cast<int>(level);
        } else {
            return fail("unknown setting " + scriptQuote(key) +
                        " (settings: directory TYPE PATH, alert-level N)");
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& [type, path] : dirs) m_dirs[type] = path;
    }
    if (alert >= 0) setAlertLevel(alert);
    return true;
}

}  // namespace lwhost
