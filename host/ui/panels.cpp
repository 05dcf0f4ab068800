#include "lwhost/ui/panels.h"

#include <lwsdk/lwxpanel.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <sstream>

#include "lwhost/core/host.h"
#include "lwhost/io/png.h"
#include "lwhost/ui/dialogs.h"
#include "lwhost/ui/inline_text.h"
#include "lwhost/ui/xpanel.h"

namespace lwhost {

namespace {

constexpr int kMargin = 8;
constexpr int kGap = 4;
constexpr int kLabelHeight = 14;  // a list box's label above its rows
constexpr int kButtonHeight = 20;
constexpr int kMaxSize = 4096;
constexpr int kMaxRows = 1000;
constexpr size_t kMaxLines = 1000;

int rowHeight() {
    return Image::textHeight() + 5;
}

int clampSize(int value, int fallback) {
    if (value <= 0) return fallback;
    return std::min(value, kMaxSize);
}

// A row the plug-in shows in the selection colour: a colour code naming the highlight.
bool highlighted(const std::string& raw) {
    for (size_t at = raw.find("\x03(c:"); at != std::string::npos;
         at = raw.find("\x03(c:", at + 1)) {
        const size_t end = raw.find(')', at);
        std::string name =
            raw.substr(at + 4, end == std::string::npos ? std::string::npos : end - at - 4);
        for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        if (name.find("HILIGHT") != std::string::npos) return true;
    }
    return false;
}

std::string quote(const std::string& text) {
    return scriptQuote(text);
}

}  // namespace

const char* ClassicControl::kindName(Kind kind) {
    switch (kind) {
        case Kind::List:
            return "list";
        case Kind::Button:
            return "button";
        case Kind::Canvas:
            return "canvas";
        case Kind::Text:
            return "text";
    }
    return "?";
}

bool ClassicControl::kindOf(const char* type, Kind& out) {
    static const struct {
        const char* name;
        Kind kind;
    } kTypes[] = {{LWCTL_LISTBOX, Kind::List},
                  {LWCTL_BUTTON, Kind::Button},
                  {LWCTL_CANVAS, Kind::Canvas},
                  {LWCTL_TEXT, Kind::Text}};
    for (const auto& t : kTypes)
        if (type && std::strcmp(type, t.name) == 0) {
            out = t.kind;
            return true;
        }
    return false;
}

// ---- one panel --------------------------------------------------------------------------

ClassicPanel::ClassicPanel(ClassicPanels& owner, uintptr_t serial, std::string title)
    : m_owner(owner), m_serial(serial), m_title(std::move(title)) {}

int ClassicPanel::width() const {
    if (m_w > 0) return m_w;
    int w = 100;
    for (const ClassicControl& c : m_controls) w = std::max(w, c.x + c.w + kMargin);
    return std::min(w, kMaxSize);
}

int ClassicPanel::height() const {
    if (m_h > 0) return m_h;
    int h = 40;
    for (const ClassicControl& c : m_controls) h = std::max(h, c.y + c.h + kMargin);
    return std::min(h, kMaxSize);
}

ClassicControl* ClassicPanel::control(LWControlID id) {
    for (ClassicControl& c : m_controls)
        if (c.record == id) return &c;
    return nullptr;
}

ClassicControl* ClassicPanel::findControl(ClassicControl::Kind kind, const std::string& label) {
    for (ClassicControl& c : m_controls)
        if (c.kind == kind &&
            (stripInlineCodes(c.label) == label || printInlineText(c.label) == label))
            return &c;
    return nullptr;
}

std::vector<std::string> ClassicPanel::rows(const ClassicControl& list) {
    std::vector<std::string> out;
    if (list.kind != ClassicControl::Kind::List || !list.count) return out;
    ClassicPanels::Busy busy(m_owner);
    LWCtlCountFunc* count = list.count;
    LWCtlNameFunc* name = list.name;
    void* data = list.userData;
    const int n = std::min(count(data), 1 << 20);
    for (int i = 0; i < n && !m_destroyed; ++i) {
        const char* text = name ? name(data, i) : nullptr;
        out.push_back(text ? text : "");
    }
    return out;
}

bool ClassicPanel::fail(const std::string& why) {
    m_lastError = why;
    return false;
}

template <class F>
F* ClassicPanel::callback(int tag) const {
    const auto cb = m_callbacks.find(tag);
    return cb == m_callbacks.end() ? nullptr : reinterpret_cast<F*>(cb->second);
}

void ClassicPanel::drawControl(ClassicControl& c, DrMode mode) {
    Image& img = m_image;
    const Rgb text = XPanels::colour(LWXPCOL_TEXT);
    const Rgb face = XPanels::colour(LWXPCOL_FACE);
    switch (c.kind) {
        case ClassicControl::Kind::List: {
            drawInlineText(img, c.x, c.y + 2, c.w, c.label, text);
            const int top = c.y + kLabelHeight;
            img.fillRect(c.x, top, c.w, c.h - kLabelHeight, XPanels::colour(LWXPCOL_SHADOW));
            img.fillRect(c.x + 1, top + 1, c.w - 2, c.h - kLabelHeight - 2,
                         XPanels::colour(LWXPCOL_WHITE));
            const LWControlID id = c.id();
            const std::vector<std::string> all = rows(c);
            ClassicControl* still = m_destroyed ? nullptr : control(id);
            if (!still) return;
            // Scrolled so that the clicked row shows.
            const int first = std::max(0, std::min(still->value - still->rows + 1,
                                                   static_cast<int>(all.size()) - still->rows));
            for (int r = 0; r < still->rows && first + r < static_cast<int>(all.size()); ++r) {
                const std::string& raw = all[static_cast<size_t>(first + r)];
                const int y = top + 2 + r * rowHeight();
                if (highlighted(raw))
                    img.fillRect(still->x + 2, y, still->w - 4, rowHeight(),
                                 XPanels::colour(LWXPCOL_HILIGHT));
                // The highlight shows as the row's background: the text keeps its colour.
                drawInlineText(img, still->x + 4, y + 2, still->w - 8, raw, text, false);
            }
            return;
        }
        case ClassicControl::Kind::Button: {
            img.fillRect(c.x, c.y, c.w, c.h, XPanels::colour(LWXPCOL_SHADOW));
            img.fillRect(c.x, c.y, c.w - 1, c.h - 1, XPanels::colour(LWXPCOL_LIGHT));
            img.fillRect(c.x + 1, c.y + 1, c.w - 2, c.h - 2, face);
            // A label is centred unless its codes justify it themselves.
            const int top = c.y + (c.h - Image::textHeight()) / 2;
            if (c.label.find("\x03(j:") != std::string::npos)
                drawInlineText(img, c.x + 4, top, c.w - 8, c.label, text);
            else
                drawInlineText(img, c.x + (c.w - inlineTextWidth(c.label)) / 2, top, 0, c.label,
                               text);
            return;
        }
        case ClassicControl::Kind::Text: {
            int y = c.y + 2;
            for (const std::string& line : c.lines) {
                drawInlineText(img, c.x + 2, y, c.w - 4, line, text);
                y += rowHeight();
            }
            return;
        }
        case ClassicControl::Kind::Canvas: {
            if (!c.draw) return;
            ClassicPanels::Busy busy(m_owner);
            LWCtlDrawFunc* draw = c.draw;
            void* data = c.userData;
            const LWControlID id = c.id();
            m_owner.m_drawing.push_back(m_serial);
            draw(id, data, mode);
            m_owner.m_drawing.pop_back();
            return;
        }
    }
}

void ClassicPanel::redraw(DrMode mode) {
    ClassicPanels::Busy busy(m_owner);
    m_image = Image(width(), height(), XPanels::colour(LWXPCOL_BACKGROUND));
    // Callbacks may add or remove controls: walk by ID.
    std::vector<LWControlID> ids;
    for (const ClassicControl& c : m_controls) ids.push_back(c.id());
    for (LWControlID cid : ids) {
        if (m_destroyed) return;
        if (ClassicControl* c = control(cid)) drawControl(*c, mode);
    }
    if (m_destroyed) return;
    if (auto* draw = callback<LWPanDrawFunc>(PAN_USERDRAW)) {
        m_owner.m_drawing.push_back(m_serial);
        draw(id(), m_userData, mode);
        m_owner.m_drawing.pop_back();
    }
    if (!m_destroyed) m_owner.keepLast(*this);
}

bool ClassicPanel::get(int tag, void* out) const {
    int value = 0;
    switch (tag) {
        case PAN_TITLE:
            *static_cast<void**>(out) = const_cast<char*>(m_title.c_str());
            return true;
        case PAN_USERDATA:
            *static_cast<void**>(out) = m_userData;
            return true;
        case PAN_X:
            value = m_x;
            break;
        case PAN_Y:
            value = m_y;
            break;
        case PAN_W:
            value = width();
            break;
        case PAN_H:
            value = height();
            break;
        case PAN_QUALIFIERS:
            value = m_qualifiers;
            break;
        case PAN_MOUSEX:
            value = m_mouseX;
            break;
        case PAN_MOUSEY:
            value = m_mouseY;
            break;
        case PAN_RESULT:
            value = m_result;
            break;
        default:
            return false;
    }
    *static_cast<int*>(out) = value;
    return true;
}

bool ClassicPanel::set(int tag, void* value) {
    const int n = static_cast<int>(reinterpret_cast<intptr_t>(value));
    switch (tag) {
        case PAN_X:
            m_x = n;
            return true;
        case PAN_Y:
            m_y = n;
            return true;
        case PAN_W:
            m_w = std::max(0, std::min(n, kMaxSize));
            return true;
        case PAN_H:
            m_h = std::max(0, std::min(n, kMaxSize));
            return true;
        case PAN_RESULT:
            m_result = n;
            return true;
        case PAN_USERDATA:
            m_userData = value;
            return true;
        case PAN_USERDRAW:
        case PAN_USEROPEN:
        case PAN_USERCLOSE:
        case PAN_USERACTIVATE:
        case PAN_MOUSEBUTTON:
        case PAN_MOUSEMOVE:
        case PAN_USERKEYS:
        case PAN_USERKEYUPS:
            m_callbacks[tag] = value;
            return true;
    }
    return false;
}

void ClassicPanel::redrawControl(LWControlID id, DrMode mode) {
    ClassicControl* c = control(id);
    if (!c) return;
    if (m_image.empty()) {
        redraw(DR_RENDER);
        return;
    }
    ClassicPanels::Busy busy(m_owner);
    drawControl(*c, mode);
    if (!m_destroyed) m_owner.keepLast(*this);
}

void ClassicPanel::fireEvent(ClassicControl& c, int qualifiers) {
    if (!c.event) return;
    ClassicPanels::Busy busy(m_owner);
    LWCtlEventFunc* event = c.event;
    void* data = c.userData;
    m_qualifiers = qualifiers | IQ_MOUSE_LEFT;
    event(c.id(), data);
    if (!m_destroyed) m_qualifiers = 0;
}

bool ClassicPanel::clickRow(const std::string& list, int row, int qualifiers) {
    ClassicControl* c = findControl(ClassicControl::Kind::List, list);
    if (!c) return fail("panel " + quote(m_title) + " has no list box " + quote(list));
    const LWControlID cid = c->id();
    const size_t n = rows(*c).size();
    c = m_destroyed ? nullptr : control(cid);
    if (!c) return fail("the list box " + quote(list) + " went away");
    if (row < 0 || static_cast<size_t>(row) >= n)
        return fail("the list box " + quote(list) + " has " + std::to_string(n) + " rows, no row " +
                    std::to_string(row));
    c->value = row;
    c->mouseX = 4;
    c->mouseY = kLabelHeight + 2 + (std::min(row, c->rows - 1)) * rowHeight() + rowHeight() / 2;
    m_mouseX = c->x + c->mouseX;
    m_mouseY = c->y + c->mouseY;
    fireEvent(*c, qualifiers);
    return true;
}

bool ClassicPanel::clickRow(const std::string& list, const std::string& row, int qualifiers) {
    ClassicControl* c = findControl(ClassicControl::Kind::List, list);
    if (!c) return fail("panel " + quote(m_title) + " has no list box " + quote(list));
    const std::vector<std::string> all = rows(*c);
    for (size_t i = 0; i < all.size(); ++i)
        if (stripInlineCodes(all[i]) == row || printInlineText(all[i]) == row)
            return clickRow(list, static_cast<int>(i), qualifiers);
    return fail("the list box " + quote(list) + " has no row " + quote(row));
}

bool ClassicPanel::press(const std::string& button) {
    ClassicControl* c = findControl(ClassicControl::Kind::Button, button);
    if (!c) {
        // The host's own buttons, when the panel has them.
        if (m_open && !(m_flags & PANF_NOBUTT)) {
            if (button == "OK" || button == "Ok") {
                m_owner.close(id(), LWPAN_OK);
                return true;
            }
            if (button == "Cancel") {
                m_owner.close(id(), LWPAN_CANCELLED);
                return true;
            }
        }
        return fail("panel " + quote(m_title) + " has no button " + quote(button));
    }
    c->mouseX = c->w / 2;
    c->mouseY = c->h / 2;
    m_mouseX = c->x + c->mouseX;
    m_mouseY = c->y + c->mouseY;
    fireEvent(*c, 0);
    return true;
}

void ClassicPanel::mouseButton(int qualifiers, int x, int y) {
    auto* mouse = callback<LWPanMouseFunc>(PAN_MOUSEBUTTON);
    if (!mouse) return;
    ClassicPanels::Busy busy(m_owner);
    m_qualifiers = qualifiers;
    m_mouseX = x;
    m_mouseY = y;
    mouse(id(), m_userData, qualifiers, x, y);
    if (!m_destroyed) m_qualifiers = 0;
}

void ClassicPanel::keyDown(unsigned short key) {
    auto* keys = callback<LWPanKeyFunc>(PAN_USERKEYS);
    if (!keys) return;
    ClassicPanels::Busy busy(m_owner);
    keys(id(), m_userData, key);
}

std::string ClassicPanel::print() {
    std::ostringstream out;
    out << "panel " << quote(m_title) << " " << width() << "x" << height()
        << (m_open ? (m_modal ? " open modal" : " open") : " closed") << "\n";
    std::vector<LWControlID> ids;
    for (const ClassicControl& c : m_controls) ids.push_back(c.id());
    for (LWControlID cid : ids) {
        if (m_destroyed) break;
        ClassicControl* c = control(cid);
        if (!c) continue;
        out << "  " << ClassicControl::kindName(c->kind) << " " << quote(printInlineText(c->label));
        if (c->kind == ClassicControl::Kind::Canvas) out << " " << c->w << "x" << c->h;
        if (c->kind == ClassicControl::Kind::List) {
            const int value = c->value;
            const std::vector<std::string> all = rows(*c);
            out << " rows " << all.size() << ", clicked " << value << "\n";
            for (const std::string& raw : all)
                out << "    " << (highlighted(raw) ? "* " : "  ")
                    << scriptOneLine(printInlineText(raw)) << "\n";
            continue;
        }
        out << "\n";
        if (c->kind == ClassicControl::Kind::Text)
            for (const std::string& line : c->lines)
                out << "    " << scriptOneLine(printInlineText(line)) << "\n";
    }
    if (m_open && !(m_flags & PANF_NOBUTT)) out << "  host buttons \"OK\" \"Cancel\"\n";
    return out.str();
}

// ---- the service ------------------------------------------------------------------------

ClassicPanels::Busy::~Busy() {
    if (--m_owner.m_busy == 0) {
        auto dead = std::move(m_owner.m_graveyard);
        m_owner.m_graveyard.clear();
    }
}

void ClassicPanels::error(const std::string& text) {
    if (m_errors.size() < kMaxErrors) m_errors.push_back(text);
}

ClassicPanel* ClassicPanels::find(LWPanelID id) {
    const auto it = m_panels.find(reinterpret_cast<uintptr_t>(id));
    return it == m_panels.end() ? nullptr : it->second.get();
}

ClassicControl* ClassicPanels::findControl(LWControlID id, ClassicPanel** panel) {
    const auto it = m_controlPanels.find(id);
    if (it == m_controlPanels.end()) return nullptr;
    ClassicPanel* p = find(reinterpret_cast<LWPanelID>(it->second));
    if (!p) return nullptr;
    if (panel) *panel = p;
    return p->control(id);
}

ClassicPanel* ClassicPanels::latest() {
    return m_panels.empty() ? nullptr : m_panels.rbegin()->second.get();
}

ClassicPanel* ClassicPanels::modal() {
    for (auto it = m_modal.rbegin(); it != m_modal.rend(); ++it)
        if (ClassicPanel* p = find(reinterpret_cast<LWPanelID>(*it))) return p;
    return nullptr;
}

void ClassicPanels::keepLast(ClassicPanel& panel) {
    m_lastImage = panel.m_image;
    m_lastTitle = panel.m_title;
}

LWPanelID ClassicPanels::create(const char* title) {
    const uintptr_t serial = m_nextSerial++;
    m_panels[serial] = std::make_unique<ClassicPanel>(*this, serial, title ? title : "");
    return reinterpret_cast<LWPanelID>(serial);
}

void ClassicPanels::destroy(LWPanelID id) {
    ClassicPanel* p = find(id);
    if (!p) {
        if (id) error("destroy: unknown panel");
        return;
    }
    Busy busy(*this);
    if (p->m_open) close(id, LWPAN_CANCELLED);
    p = find(id);
    if (!p) return;  // destroyed by its close callback
    p->m_destroyed = true;
    for (const ClassicControl& c : p->m_controls) m_controlPanels.erase(c.record);
    const auto it = m_panels.find(reinterpret_cast<uintptr_t>(id));
    m_graveyard.push_back(std::move(it->second));
    m_panels.erase(it);
}

int ClassicPanels::open(LWPanelID id, int flags) {
    ClassicPanel* p = find(id);
    if (!p) {
        error("open: unknown panel");
        return 0;
    }
    if (p->m_open) {
        error("open: panel " + quote(p->m_title) + " is open already");
        return 0;
    }
    Busy busy(*this);
    p->m_open = true;
    p->m_flags = flags;
    p->m_modal = (flags & PANF_BLOCKING) != 0;
    p->m_result = LWPAN_CANCELLED;
    for (int tag : {PAN_USEROPEN, PAN_USERACTIVATE}) {
        if (auto* hook = p->callback<LWPanHookFunc>(tag)) hook(id, p->m_userData);
        if (!(p = find(id)) || !p->m_open) break;
    }
    if (p && p->m_open) p->redraw(DR_RENDER);
    if (!(flags & PANF_BLOCKING)) return p && p->m_open ? 1 : 0;
    if (!p) return LWPAN_CANCELLED;
    return runModal(*p);
}

int ClassicPanels::handle(LWPanelID id, int flags) {
    ClassicPanel* p = find(id);
    if (!p || !p->m_open) {
        error("handle: " +
              std::string(p ? "panel " + quote(p->m_title) + " is not open" : "unknown panel"));
        return -1;
    }
    if (p->m_modal) {
        error("handle: panel " + quote(p->m_title) + " runs modally already");
        return -1;
    }
    Busy busy(*this);
    if (flags & LWPANH_BLOCKING) {
        runModal(*p);
    } else {
        m_modal.push_back(reinterpret_cast<uintptr_t>(id));
        runQueued(*p, false);
        m_modal.erase(std::find(m_modal.begin(), m_modal.end(), reinterpret_cast<uintptr_t>(id)));
    }
    p = find(id);
    return p && p->m_open ? 1 : 0;
}

namespace {

// What a classic panel takes from the queue.
const std::vector<UserAction::Kind> kPanelActions = {
    UserAction::Kind::Click, UserAction::Kind::Press, UserAction::Kind::SavePng,
    UserAction::Kind::Print};

}  // namespace

void ClassicPanels::runQueued(ClassicPanel& panel, bool untilClosed) {
    Dialogs& dialogs = m_host.dialogs();
    const LWPanelID id = panel.id();
    const std::string consumer = "the panel " + quote(panel.m_title);
    for (;;) {
        ClassicPanel* p = find(id);
        if (!p || !p->m_open) return;
        if (!untilClosed) {
            const std::vector<UserAction> pending = dialogs.pending();
            if (pending.empty() || std::find(kPanelActions.begin(), kPanelActions.end(),
                                             pending.front().kind) == kPanelActions.end())
                return;
        }
        UserAction action;
        if (!dialogs.take(kPanelActions, consumer, action) || !perform(*p, action)) {
            close(id, LWPAN_CANCELLED);
            return;
        }
    }
}

int ClassicPanels::runModal(ClassicPanel& panel) {
    Dialogs& dialogs = m_host.dialogs();
    const LWPanelID id = panel.id();
    const size_t logged = dialogs.log({"panel", panel.m_title, "", ""});
    panel.m_modal = true;
    m_modal.push_back(reinterpret_cast<uintptr_t>(id));
    runQueued(panel, true);
    m_modal.erase(std::find(m_modal.begin(), m_modal.end(), reinterpret_cast<uintptr_t>(id)));
    // The panel is in memory while busy, even when a callback destroyed it.
    const int result = panel.m_result;
    panel.m_modal = false;
    dialogs.setAnswer(logged, result == LWPAN_OK ? "ok" : "cancelled");
    return result;
}

bool ClassicPanels::perform(ClassicPanel& panel, const UserAction& action) {
    Dialogs& dialogs = m_host.dialogs();
    const std::string where = action.origin.empty() ? "" : action.origin + ": ";
    bool done = true;
    switch (action.kind) {
        case UserAction::Kind::Click:
            done = action.rowIndex >= 0
                       ? panel.clickRow(action.control, action.rowIndex, action.qualifiers)
                       : panel.clickRow(action.control, action.row, action.qualifiers);
            break;
        case UserAction::Kind::Press:
            done = panel.press(action.control);
            break;
        case UserAction::Kind::SavePng: {
            if (!dialogs.allowSave()) {
                dialogs.error(where + "saving is off");
                return false;
            }
            panel.redraw(DR_RENDER);
            std::string why;
            if (!writePng(action.text, panel.m_image, why)) {
                dialogs.error(where + why);
                return false;
            }
            return true;
        }
        case UserAction::Kind::Print: {
            const std::string text = panel.print();
            if (std::ostream* out = dialogs.output()) *out << text;
            return true;
        }
        default:
            return false;
    }
    if (!done) dialogs.error(where + action.describe() + ": " + panel.lastError());
    return done;
}

void ClassicPanels::close(LWPanelID id, int result) {
    ClassicPanel* p = find(id);
    if (!p) {
        error("close: unknown panel");
        return;
    }
    if (!p->m_open) return;
    Busy busy(*this);
    p->m_open = false;
    p->m_result = result;
    m_lastPrint = p->print();
    keepLast(*p);
    if (auto* hook = p->callback<LWPanHookFunc>(PAN_USERCLOSE)) hook(id, p->m_userData);
}

LWControlID ClassicPanels::addControl(LWPanelID id, ClassicControl control) {
    ClassicPanel* p = find(id);
    if (!p) {
        error("addControl: unknown panel");
        return nullptr;
    }
    if (p->m_controls.empty()) {
        control.x = kMargin;
        control.y = kMargin;
    } else {
        const ClassicControl& prev = p->m_controls.back();
        control.x = prev.x;
        control.y = prev.y + prev.h + kGap;
    }
    m_records.push_back(std::make_unique<LWControl>(m_controlTemplate));
    control.record = m_records.back().get();
    m_controlPanels[control.record] = reinterpret_cast<uintptr_t>(id);
    p->m_controls.push_back(std::move(control));
    return p->m_controls.back().id();
}

LWControlID ClassicPanels::nextControl(LWPanelID id, LWControlID after) {
    ClassicPanel* p = find(id);
    if (!p) {
        error("nextControl: unknown panel");
        return nullptr;
    }
    auto& controls = p->m_controls;
    auto it = controls.begin();
    if (after) {
        it = std::find_if(controls.begin(), controls.end(),
                          [after](const ClassicControl& c) { return c.record == after; });
        if (it == controls.end()) {
            error("nextControl: the control is not on panel " + quote(p->m_title));
            return nullptr;
        }
        ++it;
    }
    return it == controls.end() ? nullptr : it->id();
}

Image* ClassicPanels::drawTarget(LWPanelID id) {
    const auto serial = reinterpret_cast<uintptr_t>(id);
    if (std::find(m_drawing.begin(), m_drawing.end(), serial) == m_drawing.end()) return nullptr;
    ClassicPanel* p = find(id);
    return p ? &p->m_image : nullptr;
}

// ---- the record -------------------------------------------------------------------------

namespace {

ClassicPanels* service() {
    Host* host = Host::current();
    return host ? &host->classicPanels() : nullptr;
}

ClassicPanel* panelOf(LWPanelID id, const char* entry) {
    ClassicPanels* s = service();
    if (!s) return nullptr;
    ClassicPanel* p = s->find(id);
    if (!p) s->error(std::string(entry) + ": unknown panel");
    return p;
}

ClassicControl* controlOf(LWControlID id, const char* entry, ClassicPanel** panel = nullptr) {
    ClassicPanels* s = service();
    if (!s) return nullptr;
    ClassicControl* c = s->findControl(id, panel);
    if (!c) s->error(std::string(entry) + ": unknown control");
    return c;
}

Image* target(LWPanelID panel) {
    ClassicPanels* s = service();
    return s ? s->drawTarget(panel) : nullptr;
}

// Text and palette colours: SYSTEM_Ic(i) by the table in lwpanel.h, anything else as an XPanel
// palette colour (the two services share the palette).
Rgb paletteColour(int c) {
    static const int kSystem[] = {LWXPCOL_BACKGROUND, LWXPCOL_FACE,  LWXPCOL_LIGHT,
                                  LWXPCOL_SHADOW,     LWXPCOL_TEXT,  LWXPCOL_DIMTEXT,
                                  LWXPCOL_HILIGHT,    LWXPCOL_WHITE, LWXPCOL_BLACK};
    const int i = c - SYSTEM_Ic(0);
    if (i >= 0 && i < static_cast<int>(std::size(kSystem))) return XPanels::colour(kSystem[i]);
    return XPanels::colour(c);
}

// A one-pixel line from (x, y) to (x2, y2), ends included.
void drawLineInto(Image& img, int x, int y, int x2, int y2, Rgb colour) {
    const int dx = std::abs(x2 - x), dy = -std::abs(y2 - y);
    const int sx = x < x2 ? 1 : -1, sy = y < y2 ? 1 : -1;
    // Bounded by the longer side: ends far outside the panel cannot run on for long.
    for (int err = dx + dy, steps = std::min(std::max(dx, -dy), 2 * kMaxSize); steps >= 0;
         --steps) {
        img.setPixel(x, y, colour);
        const int e2 = 2 * err;
        if (e2 >= dy) err += dy, x += sx;
        if (e2 <= dx) err += dx, y += sy;
    }
}

extern "C" {

void drPixel(LWPanelID panel, int c, int x, int y) {
    if (Image* img = target(panel)) img->setPixel(x, y, paletteColour(c));
}
void drRGBPixel(LWPanelID panel, int r, int g, int b, int x, int y) {
    if (Image* img = target(panel)) img->setPixel(x, y, Rgb::clamped(r, g, b));
}
void drLine(LWPanelID panel, int c, int x, int y, int x2, int y2) {
    if (Image* img = target(panel)) drawLineInto(*img, x, y, x2, y2, paletteColour(c));
}
void drBox(LWPanelID panel, int c, int x, int y, int w, int h) {
    if (Image* img = target(panel)) img->fillRect(x, y, w, h, paletteColour(c));
}
void drRGBBox(LWPanelID panel, int r, int g, int b, int x, int y, int w, int h) {
    if (Image* img = target(panel)) img->fillRect(x, y, w, h, Rgb::clamped(r, g, b));
}
// A frame one pixel wide: raised (lit top and left) for a positive indent, sunk for a negative
// one, flat in the shaded colour for 0.
void drBorder(LWPanelID panel, int indent, int x, int y, int w, int h) {
    Image* img = target(panel);
    if (!img || w <= 0 || h <= 0) return;
    const Rgb light = XPanels::colour(LWXPCOL_LIGHT), shade = XPanels::colour(LWXPCOL_SHADOW);
    const Rgb topLeft = indent > 0 ? light : shade, bottomRight = indent < 0 ? light : shade;
    img->fillRect(x, y, w, 1, topLeft);
    img->fillRect(x, y, 1, h, topLeft);
    img->fillRect(x, y + h - 1, w, 1, bottomRight);
    img->fillRect(x + w - 1, y, 1, h, bottomRight);
}
int drTextWidth(LWPanelID, char* text) {
    return text ? inlineTextWidth(text) : 0;
}
void drText(LWPanelID panel, char* text, int colour, int x, int y) {
    Image* img = target(panel);
    if (img && text) drawInlineText(*img, x, y, 0, text, paletteColour(colour));
}
const LWDisplayMetrics* drMetrics() {
    // A headless display of a common size; text as the panels draw it.
    static const LWDisplayMetrics metrics = {1920, 1080, Image::textHeight(),
                                             Image::textHeight() - 2};
    return &metrics;
}

LWPanelID pCreate(char* title, void*) {
    ClassicPanels* s = service();
    return s ? s->create(title) : nullptr;
}
void pDestroy(LWPanelID panel) {
    if (ClassicPanels* s = service()) s->destroy(panel);
}
int pOpen(LWPanelID panel, int flags) {
    ClassicPanels* s = service();
    return s ? s->open(panel, flags) : 0;
}
int pHandle(LWPanelID panel, int flags) {
    ClassicPanels* s = service();
    return s ? s->handle(panel, flags) : -1;
}
void pDraw(LWPanelID panel, DrMode mode) {
    if (ClassicPanel* p = panelOf(panel, "draw")) p->redraw(mode);
}
void pClose(LWPanelID panel) {
    if (ClassicPanel* p = panelOf(panel, "close")) service()->close(panel, p->result());
}
void pGet(LWPanelID panel, pTag tag, void* out) {
    ClassicPanel* p = panelOf(panel, "get");
    if (!p) return;
    if (!out)
        service()->error("get: no place for panel attribute " + std::to_string(tag));
    else if (!p->get(tag, out))
        service()->error("get: unknown panel attribute " + std::to_string(tag));
}
void pSet(LWPanelID panel, pTag tag, void* value) {
    ClassicPanel* p = panelOf(panel, "set");
    if (p && !p->set(tag, value))
        service()->error("set: panel attribute " + std::to_string(tag) + " cannot be set");
}

// A control of the kind `type` names, from its description (null takes the defaults, but a
// list box needs its functions).
LWControl* pAddControl(LWPanelID panel, char* type, ControlDesc* desc, char* label) {
    ClassicPanels* s = service();
    if (!s) return nullptr;
    ClassicControl c;
    if (!ClassicControl::kindOf(type, c.kind)) {
        s->error("addControl: unknown control type " + quote(type ? type : ""));
        return nullptr;
    }
    static const int kDescType[] = {LWCD_LISTBOX, LWCD_BUTTON, LWCD_CANVAS, LWCD_TEXT};
    const int descType = kDescType[static_cast<int>(c.kind)];
    if (desc && desc->type != descType) {
        s->error("addControl: the description of a " + quote(type) + " has type " +
                 std::to_string(desc->type) + ", not " + std::to_string(descType));
        return nullptr;
    }
    c.label = label ? label : "";
    switch (c.kind) {
        case ClassicControl::Kind::List:
            if (!desc || !desc->listbox.countFn || !desc->listbox.nameFn) {
                s->error("addControl: a list box needs its count and name functions");
                return nullptr;
            }
            c.rows = desc->listbox.visItems <= 0 ? 10 : std::min(desc->listbox.visItems, kMaxRows);
            c.w = clampSize(desc->listbox.width, 200);
            c.h = kLabelHeight + c.rows * rowHeight() + 4;
            c.count = desc->listbox.countFn;
            c.name = desc->listbox.nameFn;
            break;
        case ClassicControl::Kind::Button:
            c.w = clampSize(desc ? desc->button.width : 0, inlineTextWidth(c.label) + 16);
            c.h = kButtonHeight;
            c.value = 0;
            break;
        case ClassicControl::Kind::Canvas:
            c.w = clampSize(desc ? desc->canvas.width : 0, 100);
            c.h = clampSize(desc ? desc->canvas.height : 0, 100);
            c.value = 0;
            break;
        case ClassicControl::Kind::Text: {
            int w = 0;
            const char** lines = desc ? desc->text.text : nullptr;
            for (size_t i = 0; lines && lines[i] && i < kMaxLines; ++i) {
                c.lines.push_back(lines[i]);
                w = std::max(w, inlineTextWidth(lines[i]));
            }
            c.w = clampSize(desc && desc->text.width > 0 ? desc->text.width : w + 4, 20);
            c.h = clampSize(static_cast<int>(c.lines.size()) * rowHeight() + 4, 16);
            c.value = 0;
            break;
        }
    }
    return s->addControl(panel, std::move(c));
}
LWControl* pNextControl(LWPanelID panel, LWControlID control) {
    ClassicPanels* s = service();
    return s ? s->nextControl(panel, control) : nullptr;
}

void cDraw(LWControlID control, DrMode mode) {
    ClassicPanel* panel = nullptr;
    if (controlOf(control, "control draw", &panel)) panel->redrawControl(control, mode);
}

void cGet(LWControlID control, cTag tag, LWValue* value) {
    ClassicPanel* panel = nullptr;
    ClassicControl* c = controlOf(control, "control get", &panel);
    if (!c || !value) return;
    auto integer = [value](int n) {
        value->intv.type = LWV_INT;
        value->intv.value = n;
    };
    auto pointer = [value](void* p) {
        value->ptr.type = LWV_PTR;
        value->ptr.ptr = p;
    };
    switch (tag) {
        case CTL_X:
            return integer(c->x);
        case CTL_Y:
            return integer(c->y);
        case CTL_W:
            return integer(c->w);
        case CTL_H:
            return integer(c->h);
        case CTL_VALUE:
            return integer(c->kind == ClassicControl::Kind::List ? c->value : 0);
        case CTL_MOUSEX:
            return integer(c->mouseX);
        case CTL_MOUSEY:
            return integer(c->mouseY);
        case CTL_LABEL:
            value->str.type = LWV_STR;
            value->str.buf = c->label.c_str();
            return;
        case CTL_USERDATA:
            return pointer(c->userData);
        case CTL_PANEL:
            return pointer(panel->id());
        default:
            value->type = LWV_NONE;
            service()->error("control get: unknown control attribute " + std::to_string(tag));
    }
}

void cSet(LWControlID control, cTag tag, LWValue* value) {
    ClassicControl* c = controlOf(control, "control set");
    if (!c) return;
    // Each attribute takes one kind of value: another kind is refused, never misread.
    const int want = tag == CTL_USERDATA                           ? LWV_PTR
                     : tag == CTL_USEREVENT || tag == CTL_USERDRAW ? LWV_FUNC
                                                                   : LWV_INT;
    if (!value || value->type != want) {
        service()->error("control set: attribute " + std::to_string(tag) +
                         " takes a value of type " + std::to_string(want));
        return;
    }
    const int n = want == LWV_INT ? value->intv.value : 0;
    switch (tag) {
        case CTL_X:
            c->x = std::max(0, std::min(n, kMaxSize));
            break;
        case CTL_Y:
            c->y = std::max(0, std::min(n, kMaxSize));
            break;
        case CTL_W:
            c->w = clampSize(n, 1);
            break;
        case CTL_H:
            c->h = clampSize(n, 1);
            break;
        case CTL_VALUE:
            if (c->kind == ClassicControl::Kind::List) c->value = std::max(-1, n);
            break;
        case CTL_USERDATA:
            c->userData = value->ptr.ptr;
            break;
        case CTL_USEREVENT:
            c->event = reinterpret_cast<LWCtlEventFunc*>(value->func.fn);
            break;
        case CTL_USERDRAW:
            c->draw = reinterpret_cast<LWCtlDrawFunc*>(value->func.fn);
            break;
        default:
            service()->error("control set: control attribute " + std::to_string(tag) +
                             " cannot be set");
    }
}

}  // extern "C"

const DrawFuncs kDrawFuncs = {drPixel,  drRGBPixel,  drLine, drBox,    drRGBBox,
                              drBorder, drTextWidth, drText, drMetrics};

const st_LWPanelFuncs kPanelFuncs = {
    pCreate, pDestroy,    pOpen,        pHandle, pDraw,   pClose,  pGet,
    pSet,    pAddControl, pNextControl, nullptr, nullptr, nullptr,
};

}  // namespace

const LWControl ClassicPanels::m_controlTemplate = {cDraw, cGet, cSet, nullptr};

ClassicPanels::ClassicPanels(Host& host)
    : m_host(host), m_record(kPanelFuncs), m_drawFuncs(kDrawFuncs) {
    m_record.drawFuncs = &m_drawFuncs;
    m_host.attach(this);
    m_host.globals().publish(LWPANELFUNCS_GLOBAL, &m_record);
}

ClassicPanels::~ClassicPanels() {
    m_host.attach(static_cast<ClassicPanels*>(nullptr));
    m_host.globals().withdraw(LWPANELFUNCS_GLOBAL);
}

}  // namespace lwhost
