#include "lwhost/ui/dialogs.h"

#include <lwsdk/lwmessage.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "lwhost/core/host.h"
#include "lwhost/ui/panels.h"
#include "lwhost/ui/xpanel.h"

namespace lwhost {

namespace {

std::string quote(const std::string& text) {
    return scriptQuote(text);
}

std::string qualifierText(int qualifiers) {
    std::string out;
    if (qualifiers & 0x2) out += "shift";
    if (qualifiers & 0x1) out += out.empty() ? "ctrl" : "+ctrl";
    if (qualifiers & 0x4) out += out.empty() ? "alt" : "+alt";
    return out;
}

const char* kindName(UserAction::Kind kind) {
    switch (kind) {
        case UserAction::Kind::Click:
            return "click";
        case UserAction::Kind::Press:
            return "press";
        case UserAction::Kind::Wait:
            return "wait";
        case UserAction::Kind::Answer:
            return "answer";
        case UserAction::Kind::File:
            return "file";
        case UserAction::Kind::FileCancel:
            return "file-cancel";
        case UserAction::Kind::FormSet:
            return "form-set";
        case UserAction::Kind::FormPress:
            return "form-press";
        case UserAction::Kind::FormOk:
            return "form-ok";
        case UserAction::Kind::FormCancel:
            return "form-cancel";
        case UserAction::Kind::SavePng:
            return "save-png";
        case UserAction::Kind::Print:
            return "print";
    }
    return "?";
}

// Copies `text` into a plug-in's buffer, cut to its size, always terminated.
void fill(char* buffer, int size, const std::string& text) {
    if (!buffer || size <= 0) return;
    const size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

}  // namespace

std::string UserAction::describe() const {
    std::string out = kindName(kind);
    switch (kind) {
        case Kind::Click:
            out += " " + quote(control) + " " +
                   (rowIndex >= 0 ? std::to_string(rowIndex) : quote(row));
            if (qualifiers) out += " " + qualifierText(qualifiers);
            break;
        case Kind::Press:
        case Kind::FormPress:
            out += " " + quote(control);
            break;
        case Kind::Wait:
            out += " " + std::to_string(ms);
            break;
        case Kind::Answer:
            out += " " + text;
            break;
        case Kind::File:
        case Kind::SavePng:
            out += " " + quote(text);
            break;
        case Kind::FormSet:
            out += " " + quote(control);
            for (const ScriptArg& v : values) out += " " + (v.quoted ? quote(v.text) : v.text);
            break;
        default:
            break;
    }
    return out;
}

// ---- the service ------------------------------------------------------------------------

namespace {

extern "C" int fileRequestEntry(int version, st_LWFileReqLocal* request) {
    Host* host = Host::current();
    return host ? host->dialogs().fileRequest(version, request) : 0;
}

extern "C" const char* directoryEntry(const char* type) {
    Host* host = Host::current();
    return host ? host->dialogs().directoryText(type) : nullptr;
}

// "LW Interface Info 5" beyond the time and alert level: this host has no interactive layout, so
// nothing is selected, every item is shown, uncoloured and at the schematic's origin.
const LWItemID kNoSelection[] = {LWITEM_NULL};
extern "C" unsigned int interfaceItemFlags(LWItemID) {
    return 0;
}
extern "C" void interfaceSchemaPos(LWItemID, double* x, double* y) {
    if (x) *x = 0.0;
    if (y) *y = 0.0;
}
extern "C" int interfaceItemVis(LWItemID) {
    return 1;
}
extern "C" int interfaceItemColor(LWItemID) {
    return 0;
}

}  // namespace

LWFileReqFunc* Dialogs::fileRequestFunction() {
    return &fileRequestEntry;
}

LWDirInfoFunc* Dialogs::directoryFunction() {
    return &directoryEntry;
}

Dialogs::Dialogs(Host& host)
    : m_host(host),
      m_interface{0.0,
                  kNoSelection,
                  &interfaceItemFlags,
                  0,
                  0,
                  1,
                  0,
                  &interfaceSchemaPos,
                  &interfaceItemVis,
                  0u,
                  0u,
                  0,
                  &interfaceItemColor,
                  LWALERT_BEGINNER} {
    m_host.attach(this);
    m_host.globals().publish(LWFILEACTIVATEFUNC_GLOBAL, reinterpret_cast<void*>(&fileRequestEntry));
    m_host.globals().publish(LWDIRINFOFUNC_GLOBAL, reinterpret_cast<void*>(&directoryEntry));
    m_host.globals().publish(LWINTERFACEINFO_GLOBAL, &m_interface);
    m_host.messages().setAnswerer(
        [this](MessageKind kind, const Message& m) { return answer(kind, m.line1, m.line2); });
    m_host.messages().setWatcher([this](const Message& m) {
        if (m.kind == MessageKind::Error) logError(m);
    });
    m_host.xpanels().setModalDriver([this](XPanel& form) { return driveForm(form); });
}

Dialogs::~Dialogs() {
    m_host.attach(static_cast<Dialogs*>(nullptr));
    m_host.messages().setAnswerer(nullptr);
    m_host.messages().setWatcher(nullptr);
    m_host.xpanels().setModalDriver(nullptr);
    m_host.globals().withdraw(LWFILEACTIVATEFUNC_GLOBAL);
    m_host.globals().withdraw(LWDIRINFOFUNC_GLOBAL);
    m_host.globals().withdraw(LWINTERFACEINFO_GLOBAL);
}

void Dialogs::queue(UserAction action) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back(std::move(action));
}

bool Dialogs::queueEmpty() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queue.empty();
}

size_t Dialogs::queued() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queue.size();
}

std::vector<UserAction> Dialogs::pending() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::vector<UserAction>(m_queue.begin(), m_queue.end());
}

void Dialogs::clearQueue() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.clear();
}

bool Dialogs::take(const std::vector<UserAction::Kind>& kinds, const std::string& consumer,
                   UserAction& out) {
    for (;;) {
        long long sleepMs = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_queue.empty()) return false;
            const UserAction& head = m_queue.front();
            if (head.kind == UserAction::Kind::Wait) {
                sleepMs = head.ms;
                m_queue.pop_front();
            } else {
                for (UserAction::Kind k : kinds) {
                    if (head.kind != k) continue;
                    out = head;
                    m_queue.pop_front();
                    return true;
                }
                if (m_errors.size() < 1000)
                    m_errors.push_back((head.origin.empty() ? "" : head.origin + ": ") +
                                       "the queued action '" + head.describe() + "' met " +
                                       consumer + ", which cannot take it");
                return false;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
    }
}

void Dialogs::error(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_errors.size() < 1000) m_errors.push_back(text);
}

std::vector<std::string> Dialogs::errors() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_errors;
}

std::vector<std::string> Dialogs::takeErrors() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> out;
    out.swap(m_errors);
    return out;
}

size_t Dialogs::log(DialogRecord record) {
    std::lock_guard<std::mutex> lock(m_mutex);
    // A plug-in asking in a loop must not exhaust memory: later dialogs go unrecorded.
    if (m_shown.size() >= kMaxShown) return kMaxShown;
    record.line = m_line;
    m_shown.push_back(std::move(record));
    return m_shown.size() - 1;
}

void Dialogs::setLine(int line) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_line = line;
}

void Dialogs::logError(const Message& raw) {
    // Kept as the dialog shows it, inline codes read.
    const Message message{raw.kind, printInlineText(raw.line1), printInlineText(raw.line2),
                          raw.count};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // A render failing on every sample shows one error many times: it is checked once.
        for (size_t index : m_uncheckedErrors)
            if (m_shown[index].title == message.line1 && m_shown[index].text == message.line2)
                return;
        if (m_shown.size() >= kMaxShown) {
            // Unrecorded, but never lost: it stays unchecked.
            if (m_lostErrors.empty())
                m_lostErrors.push_back({"error", message.line1, message.line2, "", m_line});
            return;
        }
    }
    const size_t index = log({"error", message.line1, message.line2, "", 0});
    std::lock_guard<std::mutex> lock(m_mutex);
    if (index < m_shown.size()) m_uncheckedErrors.push_back(index);
}

bool Dialogs::checkNext(bool error, DialogRecord& out) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (error) {
        if (m_uncheckedErrors.empty()) return false;
        out = m_shown[m_uncheckedErrors.front()];
        m_uncheckedErrors.pop_front();
        return true;
    }
    while (m_nextChecked < m_shown.size() && m_shown[m_nextChecked].kind == "error")
        ++m_nextChecked;
    if (m_nextChecked >= m_shown.size()) return false;
    out = m_shown[m_nextChecked++];
    return true;
}

bool Dialogs::uncheckedError(DialogRecord& out) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_uncheckedErrors.empty())
        out = m_shown[m_uncheckedErrors.front()];
    else if (!m_lostErrors.empty())
        out = m_lostErrors.front();
    else
        return false;
    return true;
}

void Dialogs::setAnswer(size_t index, const std::string& answer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (index < m_shown.size()) m_shown[index].answer = answer;
}

std::vector<DialogRecord> Dialogs::shown() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_shown;
}

// ---- asking messages ----------------------------------------------------------------------

int Dialogs::answer(MessageKind kind, const std::string& title, const std::string& text) {
    const size_t logged =
        log({messageKindName(kind), printInlineText(title), printInlineText(text), ""});
    // The cautious answers: cancel where there is one, else no.
    int result = kind == MessageKind::YesNo ? LWMSG_NO : LWMSG_CANCEL;
    std::string given = kind == MessageKind::YesNo ? "no" : "cancel";
    UserAction action;
    if (take({UserAction::Kind::Answer},
             std::string("the ") + messageKindName(kind) + " dialog " + quote(title), action)) {
        const std::string& a = action.text;
        bool fits = true;
        switch (kind) {
            case MessageKind::OkCancel:
                fits = a == "ok" || a == "cancel";
                if (fits) result = a == "ok" ? LWMSG_OK : LWMSG_CANCEL;
                break;
            case MessageKind::YesNo:
                fits = a == "yes" || a == "no";
                if (fits) result = a == "yes" ? LWMSG_YES : LWMSG_NO;
                break;
            case MessageKind::YesNoCancel:
            case MessageKind::YesNoAll:  // no scripted answer says "yes to all"
                fits = a == "yes" || a == "no" || a == "cancel";
                if (fits)
                    result = a == "yes" ? LWMSG_YNC_YES : a == "no" ? LWMSG_YNC_NO : LWMSG_CANCEL;
                break;
            default:
                fits = false;
        }
        if (fits)
            given = a;
        else
            error((action.origin.empty() ? "" : action.origin + ": ") + "the " +
                  messageKindName(kind) + " dialog " + quote(title) + " cannot be answered " +
                  quote(a));
    }
    setAnswer(logged, given);
    return result;
}

// ---- posted forms -------------------------------------------------------------------------

int Dialogs::driveForm(XPanel& form) {
    const LWXPanelID id = form.id();
    const std::string title = printInlineText(form.title());
    const size_t logged = log({"form", title, "", ""});
    const std::string consumer = "the form " + quote(title);
    int result = 0;
    for (;;) {
        UserAction action;
        if (!take({UserAction::Kind::FormSet, UserAction::Kind::FormPress, UserAction::Kind::FormOk,
                   UserAction::Kind::FormCancel},
                  consumer, action))
            break;
        if (action.kind == UserAction::Kind::FormOk) {
            result = 1;
            break;
        }
        if (action.kind == UserAction::Kind::FormCancel) break;
        XPanel* panel = m_host.xpanels().find(id);
        if (!panel) break;  // the form went away under a change notification
        const std::string where = action.origin.empty() ? "" : action.origin + ": ";
        unsigned cid = 0;
        PanelValue value;
        std::string why;
        const bool press = action.kind == UserAction::Kind::FormPress;
        if (!scriptPanelControl(*panel, action.controlArg, cid, why) ||
            (!press && !scriptPanelValue(*panel, cid, action.values, 0, value, why))) {
            error(where + consumer + ": " + why);
            break;
        }
        // A button may open dialogs of its own, which take their actions from the queue next.
        XPanels::Busy busy(m_host.xpanels());
        if (!(press ? panel->click(cid) : panel->setValue(cid, value))) {
            error(where + consumer + ": " + panel->lastError());
            break;
        }
    }
    setAnswer(logged, result ? "ok" : "cancelled");
    return result;
}

// ---- the file requester -------------------------------------------------------------------

int Dialogs::fileRequest(int version, st_LWFileReqLocal* request) {
    if (version != LWFILEREQ_VERSION || !request) return 0;
    FileRequestRecord record;
    record.version = version;
    record.reqType = request->reqType;
    record.title = request->title ? request->title : "";
    record.fileType = request->fileType ? request->fileType : "";
    const size_t logged = log({"file request", printInlineText(record.title), record.fileType, ""});

    UserAction action;
    request->result = LWFREQ_CANCELLED;
    if (take({UserAction::Kind::File, UserAction::Kind::FileCancel},
             "the file request " + quote(record.title), action) &&
        action.kind == UserAction::Kind::File) {
        std::string full = action.text;
        // Names the user types without a directory are taken from the content directory.
        if (!full.empty() && full[0] != '/') {
            std::string content;
            if (directory("Content", content)) full = content + "/" + full;
        }
        if (request->bufLen <= 0 || full.size() >= static_cast<size_t>(request->bufLen) ||
            !request->fullName) {
            // A name cut to fit the plug-in's buffer would name another file: refuse it.
            error((action.origin.empty() ? "" : action.origin + ": ") + "the file request " +
                  quote(record.title) + " has room for " +
                  std::to_string(std::max(0, request->bufLen - 1)) + " bytes, the path " +
                  quote(full) + " is longer");
        } else {
            const size_t sep = full.find_last_of("/\\");
            const std::string path = sep == std::string::npos ? "" : full.substr(0, sep);
            const std::string base = sep == std::string::npos ? full : full.substr(sep + 1);
            fill(request->fullName, request->bufLen, full);
            fill(request->path, request->bufLen, request->reqType == FREQ_DIRECTORY ? full : path);
            fill(request->baseName, request->bufLen,
                 request->reqType == FREQ_DIRECTORY ? "" : base);
            request->result = LWFREQ_CONFIRMED;
            record.fullName = full;
        }
    }
    record.result = request->result;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastRequest = record;
        ++m_fileRequests;
    }
    setAnswer(logged, record.result == LWFREQ_CONFIRMED ? record.fullName : "cancelled");
    return 1;
}

}  // namespace lwhost
