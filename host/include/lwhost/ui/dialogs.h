// The host's dialogs, driven by a queue of scripted user actions, and its configuration.
//
// Modal things a plug-in opens (classic panels, posted property forms, asking messages, the
// file requester) take what the "user" does from one queue, in order. Each consumer takes the
// actions it understands from the head: a classic panel clicks rows and presses buttons, a form
// sets fields and ends with OK or cancel, an asking message takes an answer, the file requester
// a path or a cancel. A wait at the head is slept (really: plug-ins time double clicks) by
// whoever finds it. Nothing queued means the cautious choice: panels and forms close as
// cancelled, questions are answered cancel or no, file requests are cancelled. An action of the
// wrong kind at the head is left in place and recorded as an error, which scripts report.
//
// Also here: "File Request 2" (version 3), "Directory Info" (the host's standard directories,
// from defaults, a configuration file and options) and "LW Interface Info 5" (alert level).
#pragma once

#include <lwsdk/lwdialog.h>

#include <deque>
#include <iosfwd>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "lwhost/core/messages.h"
#include "lwhost/ui/inline_text.h"
#include "lwhost/ui/user_action.h"

namespace lwhost {

class Host;
class XPanel;

// One dialog the host showed: an asking message, a file request, a modal panel or form, or an
// error message.
struct DialogRecord {
    std::string kind;    // "yes/no", "yes/no/cancel", "ok/cancel", "file request", "panel", "form",
                         // "error"
    std::string title;   // an error's first line
    std::string text;    // the texts, one per line; a file request's file type; an error's second
    std::string answer;  // "yes", "no", "cancel", "ok", a path, "cancelled"
    int line = 0;        // the script line whose statement showed it; 0 outside statements
};

struct FileRequestRecord {
    int version = 0;
    int reqType = 0;
    std::string title;
    std::string fileType;
    int result = LWFREQ_CANCELLED;
    std::string fullName;
};

class Dialogs {
  public:
    // Publishes "File Request 2", "Directory Info" and "LW Interface Info 5", answers the
    // host's asking messages and drives posted forms.
    explicit Dialogs(Host& host);
    ~Dialogs();
    Dialogs(const Dialogs&) = delete;
    Dialogs& operator=(const Dialogs&) = delete;

    // ---- the action queue ----
    void queue(UserAction action);
    bool queueEmpty() const;
    size_t queued() const;
    std::vector<UserAction> pending() const;
    void clearQueue();
    // Takes the head when it is of one of `kinds`; sleeps through waits on the way. False when
    // the queue is empty or, with an error recorded, when the head is of another kind.
    bool take(const std::vector<UserAction::Kind>& kinds, const std::string& consumer,
              UserAction& out);
    // Errors met while consuming (wrong kinds, unknown controls); takeErrors empties the list.
    void error(const std::string& text);
    std::vector<std::string> errors() const;
    std::vector<std::string> takeErrors();
    // Where Print actions write; null: nowhere.
    void setOutput(std::ostream* out) { m_out = out; }
    std::ostream* output() const { return m_out; }
    // Whether SavePng actions may write files.
    void setAllowSave(bool allow) { m_allowSave = allow; }
    bool allowSave() const { return m_allowSave; }

    // ---- what was shown ----
    // Adds a record and returns its index, for setAnswer once the dialog closes. At most
    // kMaxShown are kept.
    static constexpr size_t kMaxShown = 100000;
    size_t log(DialogRecord record);
    void setAnswer(size_t index, const std::string& answer);
    std::vector<DialogRecord> shown() const;
    // The script line whose statement runs now (0: none); records logged from now on take it.
    void setLine(int line);
    // Every error message shown is logged as an "error" dialog; one shown again before it was
    // checked is not logged again.
    void logError(const Message& message);
    // Dialogs are checked in the order shown, errors and the other kinds each in their own
    // order. The next of the family not yet checked, now checked; false when there is none.
    bool checkNext(bool error, DialogRecord& out);
    // The first error not yet checked (also one shown after kMaxShown records, which cannot be
    // checked); false when there is none.
    bool uncheckedError(DialogRecord& out) const;
    const FileRequestRecord& lastFileRequest() const { return m_lastRequest; }
    unsigned fileRequests() const { return m_fileRequests; }

    // ---- configuration ----
    // Case-insensitive types; a path set here wins over defaults and derived directories.
    void setDirectory(const std::string& type, const std::string& path);
    // The directory of a type, or false for an unknown type. Defaults: Content is the current
    // directory; Scenes, Objects, Images and Output lie under Content ("Scenes", "Objects",
    // "Images", "Renders"); Settings is $XDG_CONFIG_HOME/lwhost (or ~/.config/lwhost); Install
    // and Plug-ins (also asked for as Plugins) are the running program's directory; Temp is
    // $TMPDIR or /tmp.
    bool directory(const std::string& type, std::string& path) const;
    // The text "Directory Info" hands out: stable until the configuration changes; null for an
    // unknown type.
    const char* directoryText(const char* type);
    static const std::vector<std::string>& knownDirectoryTypes();
    // Letters, digits, '-' and '_', at most 64 characters.
    static bool validDirectoryType(const std::string& type);
    // "TYPE=PATH" as the --dir option gives it; relative paths are taken from the current
    // directory. False with the reason.
    bool setDirectoryOption(const std::string& option, std::string& error);
    // Alert level 0..2 (LWALERT_*); false for others.
    bool setAlertLevel(int level);
    int alertLevel() const { return m_interface.alertLevel; }
    void setCurrentTime(double seconds) { m_interface.curTime = seconds; }

    // Reads a configuration file: one setting a line, '#' comments and blank lines skipped:
    //     directory TYPE PATH      (PATH is the rest of the line, blanks inside kept)
    //     alert-level N
    // Nothing is applied unless the whole file is good; false with "FILE:LINE: why".
    bool loadConfig(const std::string& path, std::string& error);
    bool parseConfig(const std::string& text, const std::string& fileName, std::string& error);
    // Where lwhost looks for its configuration when none is named: Settings + "/lwhost.cfg".
    std::string defaultConfigPath() const;

    // ---- services ----
    // What "File Request 2" does.
    int fileRequest(int version, st_LWFileReqLocal* request);
    // The asking messages' answer: the queued answer or the cautious one.
    int answer(MessageKind kind, const std::string& title, const std::string& text);
    // Drives a posted form: fields from FormSet actions and buttons from FormPress actions, then
    // FormOk or FormCancel.
    int driveForm(XPanel& form);

    static LWFileReqFunc* fileRequestFunction();
    static LWDirInfoFunc* directoryFunction();
    const st_LWInterfaceInfo* interfaceInfo() const { return &m_interface; }

  private:
    Host& m_host;
    mutable std::mutex m_mutex;
    std::deque<UserAction> m_queue;
    std::vector<std::string> m_errors;
    std::vector<DialogRecord> m_shown;
    int m_line = 0;
    size_t m_nextChecked = 0;                // of the dialogs other than errors
    std::deque<size_t> m_uncheckedErrors;    // indices in m_shown, in order
    std::vector<DialogRecord> m_lostErrors;  // shown when the log was full: at most one kept
    FileRequestRecord m_lastRequest;
    unsigned m_fileRequests = 0;
    std::map<std::string, std::string> m_dirs;  // canonical type -> path
    // Texts handed out, never moved or freed before the host goes: plug-ins may hold them.
    std::deque<std::string> m_dirTextStore;
    std::map<std::string, const std::string*> m_dirTexts;
    st_LWInterfaceInfo m_interface;
    std::ostream* m_out = nullptr;
    bool m_allowSave = true;
};

}  // namespace lwhost
