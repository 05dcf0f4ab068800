// Render passes: reading --pass and loading a pass's preset through the master's own menu; and
// --add-shaders, through the master's "Scene Editing" menu.
#include "passes.h"

#include <filesystem>

#include "lwhost/core/host.h"
#include "lwhost/core/platform.h"
#include "lwhost/io/regular_file.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/session/session.h"
#include "lwhost/ui/dialogs.h"
#include "lwhost/ui/inline_text.h"
#include "lwhost/ui/user_action.h"
#include "lwhost/ui/xpanel.h"

namespace lwhost::cli {

namespace {

constexpr char kPresetsControl[] = "Presets";
constexpr char kLoadFromFile[] = "Load Settings from File...";
constexpr char kLoaded[] = "Loaded Preset: ";
constexpr char kSceneEditingControl[] = "Scene Editing";
constexpr char kAddAllShaders[] = "Add All Shaders";
constexpr size_t kMaxPassName = 64;

// The menu item naming the preset (or command): its plain name or "[Location]Name"; -1 when
// none does.
int presetItem(const std::vector<std::string>& items, const std::string& preset) {
    for (size_t i = 0; i < items.size(); ++i) {
        const std::string shown = stripInlineCodes(items[i]);
        if (shown == preset || printInlineText(items[i]) == preset) return static_cast<int>(i);
        const size_t close = shown.find(']');
        if (!shown.empty() && shown[0] == '[' && close != std::string::npos &&
            shown.compare(close + 1, std::string::npos, preset) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

// The presets the menu lists, as shown: its items before the separator that leads to the
// commands.
std::string presetList(const std::vector<std::string>& items) {
    std::string list;
    for (const std::string& item : items) {
        const std::string shown = stripInlineCodes(item);
        if (!shown.empty() && shown.find_first_not_of('-') == std::string::npos) break;
        list += (list.empty() ? "" : ", ") + scriptQuote(shown);
    }
    return list.empty() ? "it lists none" : "it lists " + list;
}

// What the master said while loading: "Loaded Preset: ..." once more, or why not. Only the
// pass's own preset counts: listing the menu reads every preset, and a damaged one elsewhere is
// reported then without failing the pass. Of the errors, the one locating the damage in the
// pass's file (`file`, or the file the master names) is the reason given.
bool loadedMessage(const std::vector<Message>& before, const std::vector<Message>& after,
                   std::string file, std::string& why) {
    bool loaded = false;
    std::vector<const Message*> errors;
    for (size_t i = 0; i < after.size(); ++i) {
        if (i < before.size() && after[i].count == before[i].count) continue;
        if (after[i].kind == MessageKind::Error) errors.push_back(&after[i]);
        if (after[i].line1.rfind(kLoaded, 0) == 0) loaded = true;
    }
    if (loaded) return true;
    const Message* reason = errors.empty() ? nullptr : errors.back();
    if (file.empty() && reason) file = reason->line2;
    for (const Message* e : errors)
        if (!file.empty() && e->line1.rfind(file + ":", 0) == 0) reason = e;
    why = !reason ? "the master plug-in loaded nothing"
                  : printInlineText(reason->line1) +
                        (reason->line2.empty() ? "" : " " + printInlineText(reason->line2));
    return false;
}

// Takes back out of the log the errors shown since `before`: the pass's own message gives why.
void dropNewErrors(MessageLog& log, const std::vector<Message>& before) {
    std::vector<Message> kept;
    const std::vector<Message> after = log.all();
    for (size_t i = 0; i < after.size(); ++i) {
        if (after[i].kind != MessageKind::Error)
            kept.push_back(after[i]);
        else if (i < before.size())
            kept.push_back(before[i]);  // shown before, maybe once more since: as it was
    }
    log.replace(std::move(kept));
}

bool chooseFromMenu(Session& session, const RenderPass& pass, std::string& why) {
    XPanel* panel = session.plugins().panel();
    unsigned cid = 0;
    if (!panel || !scriptPanelControl(*panel, ScriptArg{kPresetsControl, true}, cid, why))
        return false;
    int item = -1;
    std::string file;  // the settings file, as the master is handed it
    const std::vector<std::string> items = panel->popupItems(cid);
    if (!settingsFile(pass).empty()) {
        // The file requester takes the path as a user types it; relative to where lwhost runs.
        // Only a regular file is opened: a pipe would wait for a writer for good.
        std::error_code ec;
        const std::filesystem::path path = std::filesystem::absolute(pass.preset, ec);
        FileStatus status;
        std::string reason = "no such file";
        const int fd = ec ? -1 : openRegularFile(path.string(), status, reason);
        if (fd < 0) {
            why = "cannot read the settings file " + pass.preset + ": " + reason;
            return false;
        }
        platform::closeFile(fd);
        item = presetItem(items, kLoadFromFile);
        UserAction chosen;
        chosen.kind = UserAction::Kind::File;
        file = path.string();
        chosen.text = file;
        chosen.origin = "--pass " + pass.name;
        session.dialogs().queue(chosen);
    } else {
        item = presetItem(items, pass.preset);
        if (item < 0) {
            why = "the master's \"Presets\" menu lists no preset \"" + pass.preset +
                  "\" (names are case-sensitive; " + presetList(items) + ")";
            return false;
        }
    }
    Host& host = session.host();
    const std::vector<Message> before = host.messages().all();
    bool chosen = false;
    {
        XPanels::Busy busy(host.xpanels());
        chosen = panel->chooseCommand(cid, item);
        if (!chosen) why = panel->lastError();
    }
    const bool unused = !session.dialogs().queueEmpty();
    session.dialogs().clearQueue();
    session.dialogs().takeErrors();
    if (!chosen) return false;
    if (unused) {
        why = "the master did not ask for the settings file";
        return false;
    }
    if (loadedMessage(before, host.messages().all(), file, why)) return true;
    dropNewErrors(host.messages(), before);
    return false;
}

}  // namespace

std::string settingsFile(const RenderPass& pass) {
    const std::string& preset = pass.preset;
    const bool file = preset.find('/') != std::string::npos ||
                      (preset.size() > 4 && preset.compare(preset.size() - 4, 4, ".cfg") == 0);
    return file ? preset : std::string();
}

bool addPass(const std::string& text, std::vector<RenderPass>& passes, std::string& why) {
    const size_t eq = text.find('=');
    RenderPass pass;
    if (eq != std::string::npos) {
        pass.name = text.substr(0, eq);
        pass.preset = text.substr(eq + 1);
    }
    if (pass.name.empty() || pass.preset.empty()) {
        why = "--pass needs NAME=PRESET, not '" + text + "'";
        return false;
    }
    if (pass.name.size() > kMaxPassName ||
        pass.name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                    "0123456789-_") != std::string::npos) {
        why = "pass name '" + pass.name + "': letters, digits, '-' and '_' only, at most 64";
        return false;
    }
    if (pass.name == kScenePass) {
        why = "pass name 'scene' is the render of the scene as loaded";
        return false;
    }
    for (const RenderPass& p : passes) {
        if (p.name == pass.name) {
            why = "pass '" + pass.name + "' is named twice";
            return false;
        }
    }
    passes.push_back(pass);
    return true;
}

bool loadPassPreset(Session& session, const RenderPass& pass, std::string& why) {
    Plugins& plugins = session.plugins();
    if (plugins.scene().masters().empty()) {
        why = "pass '" + pass.name + "': the scene has no master plug-in to load a preset into";
        return false;
    }
    if (!plugins.openPanel("MasterHandler", 1, why)) {
        why = "pass '" + pass.name + "': " + why;
        return false;
    }
    const bool ok = chooseFromMenu(session, pass, why);
    plugins.closePanel();
    if (!ok) why = "pass '" + pass.name + "': " + pass.preset + ": " + why;
    return ok;
}

bool addAllShaders(Session& session, std::string& shader, size_t& surfaces, std::string& why) {
    Plugins& plugins = session.plugins();
    const std::vector<std::string> shaders = plugins.masterShaders();
    if (shaders.empty()) {
        why = "--add-shaders: the scene has no master plug-in that acts through a shader";
        return false;
    }
    shader = shaders.front();
    if (!plugins.openPanel("MasterHandler", 1, why)) {
        why = "--add-shaders: " + why;
        return false;
    }
    Host& host = session.host();
    const size_t before = host.messages().size();
    XPanel* panel = plugins.panel();
    unsigned cid = 0;
    bool chosen =
        panel && scriptPanelControl(*panel, ScriptArg{kSceneEditingControl, true}, cid, why);
    if (chosen) {
        const int item = presetItem(panel->popupItems(cid), kAddAllShaders);
        // Hosts before 10 are asked first whether to go on: the command line said so.
        UserAction ok;
        ok.kind = UserAction::Kind::Answer;
        ok.text = "ok";
        ok.origin = "--add-shaders";
        session.dialogs().queue(ok);
        XPanels::Busy busy(host.xpanels());
        chosen = item >= 0 && panel->chooseCommand(cid, item);
        if (!chosen) why = item < 0 ? "no \"Add All Shaders\" command" : panel->lastError();
    }
    session.dialogs().clearQueue();
    session.dialogs().takeErrors();
    plugins.closePanel();
    if (!chosen) {
        why = "--add-shaders: " + why;
        return false;
    }
    // The master's report asks to save the objects, which this run never does: only its errors
    // are kept.
    const std::vector<Message> shown = host.messages().all();
    bool errors = false;
    for (size_t i = before; i < shown.size(); ++i) errors |= shown[i].kind == MessageKind::Error;
    if (!errors) host.messages().truncate(before);
    surfaces = surfacesCarrying(plugins.scene(), shader);
    return true;
}

}  // namespace lwhost::cli
