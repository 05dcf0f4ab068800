#include "lwhost/ui/panels.h"

#include <lwsdk/lwxpanel.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
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
    const auto serial = reinterpret_cast<uintptr_t>(id);
    for (ClassicControl& c : m_controls)
        if (c.serial == serial) return &c;
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
    void* data = list.listData;
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

void ClassicPanel::drawControl(ClassicControl& c, int drawMode) {
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
            const uintptr_t serial = c.serial;
            const std::vector<std::string> all = rows(c);
            ClassicControl* still = m_destroyed ? nullptr : control(c.id());
            if (!still || still->serial != serial) return;
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
            void* data = c.drawData;
            const LWControlID id = c.id();
            m_owner.m_drawing.push_back(m_serial);
            draw(id, data, drawMode);
            m_owner.m_drawing.pop_back();
            return;
        }
    }
}

void ClassicPanel::redraw(int drawMode) {
    ClassicPanels::Busy busy(m_owner);
    m_image = Image(width(), height(), XPanels::colour(LWXPCOL_BACKGROUND));
    // Callbacks may add or remove controls: walk by serial.
    std::vector<uintptr_t> serials;
    for (const ClassicControl& c : m_controls) serials.push_back(c.serial);
    for (uintptr_t serial : serials) {
        if (m_destroyed) return;
        if (ClassicControl* c = control(reinterpret_cast<LWControlID>(serial)))
            drawControl(*c, drawMode);
    }
    if (m_destroyed) return;
    const auto cb = m_callbacks.find(LWPANCB_DRAW);
    if (cb != m_callbacks.end() && cb->second.func) {
        auto* draw = reinterpret_cast<LWPanDrawFunc*>(cb->second.func);
        m_owner.m_drawing.push_back(m_serial);
        draw(id(), cb->second.data, drawMode);
        m_owner.m_drawing.pop_back();
    }
    if (!m_destroyed) m_owner.keepLast(*this);
}

bool ClassicPanel::getInt(int attribute, int& out) const {
    switch (attribute) {
        case PAN_X:
            out = m_x;
            return true;
        case PAN_Y:
            out = m_y;
            return true;
        case PAN_W:
            out = width();
            return true;
        case PAN_H:
            out = height();
            return true;
        case PAN_QUALIFIERS:
            out = m_qualifiers;
            return true;
        case PAN_MOUSEX:
            out = m_mouseX;
            return true;
        case PAN_MOUSEY:
            out = m_mouseY;
            return true;
        case PAN_RESULT:
            out = m_result;
            return true;
    }
    return false;
}

bool ClassicPanel::setInt(int attribute, int value) {
    switch (attribute) {
        case PAN_X:
            m_x = value;
            return true;
        case PAN_Y:
            m_y = value;
            return true;
        case PAN_W:
            m_w = std::max(0, std::min(value, kMaxSize));
            return true;
        case PAN_H:
            m_h = std::max(0, std::min(value, kMaxSize));
            return true;
    }
    return false;
}

bool ClassicPanel::getPtr(int attribute, void*& out) const {
    if (attribute == PAN_TITLE) {
        out = const_cast<char*>(m_title.c_str());
        return true;
    }
    if (attribute == PAN_USERDATA) {
        out = m_userData;
        return true;
    }
    return false;
}

bool ClassicPanel::setPtr(int attribute, void* value) {
    if (attribute != PAN_USERDATA) return false;
    m_userData = value;
    return true;
}

bool ClassicPanel::setCallback(int which, void (*func)(void), void* data) {
    if (which < LWPANCB_DRAW || which > LWPANCB_KEYUP) return false;
    m_callbacks[which] = {func, data};
    return true;
}

void ClassicPanel::redrawControl(LWControlID id) {
    ClassicControl* c = control(id);
    if (!c) return;
    if (m_image.empty()) {
        redraw(LWDR_REFRESH);
        return;
    }
    ClassicPanels::Busy busy(m_owner);
    drawControl(*c, LWDR_REFRESH);
    if (!m_destroyed) m_owner.keepLast(*this);
}

void ClassicPanel::fireEvent(ClassicControl& c, int qualifiers) {
    if (!c.event) return;
    ClassicPanels::Busy busy(m_owner);
    LWCtlEventFunc* event = c.event;
    void* data = c.eventData;
    m_qualifiers = qualifiers | LWQUAL_LMB;
    event(c.id(), data);
    if (!m_destroyed) m_qualifiers = 0;
}

bool ClassicPanel::clickRow(const std::string& list, int row, int qualifiers) {
    ClassicControl* c = findControl(ClassicControl::Kind::List, list);
    if (!c) return fail("panel " + quote(m_title) + " has no list box " + quote(list));
    const uintptr_t serial = c->serial;
    const size_t n = rows(*c).size();
    c = m_destroyed ? nullptr : control(reinterpret_cast<LWControlID>(serial));
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
        if (m_open && !(m_flags & LWPANF_NOBUTT)) {
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
    const auto cb = m_callbacks.find(LWPANCB_MOUSEBUTTON);
    if (cb == m_callbacks.end() || !cb->second.func) return;
    ClassicPanels::Busy busy(m_owner);
    m_qualifiers = qualifiers;
    m_mouseX = x;
    m_mouseY = y;
    reinterpret_cast<LWPanMouseFunc*>(cb->second.func)(id(), cb->second.data, qualifiers, x, y);
    if (!m_destroyed) m_qualifiers = 0;
}

void ClassicPanel::keyDown(unsigned short key) {
    const auto cb = m_callbacks.find(LWPANCB_KEYDOWN);
    if (cb == m_callbacks.end() || !cb->second.func) return;
    ClassicPanels::Busy busy(m_owner);
    reinterpret_cast<LWPanKeyFunc*>(cb->second.func)(id(), cb->second.data, key);
}

std::string ClassicPanel::print() {
    std::ostringstream out;
    out << "panel " << quote(m_title) << " " << width() << "x" << height()
        << (m_open ? (m_modal ? " open modal" : " open") : " closed") << "\n";
    std::vector<uintptr_t> serials;
    for (const ClassicControl& c : m_controls) serials.push_back(c.serial);
    for (uintptr_t serial : serials) {
        if (m_destroyed) break;
        ClassicControl* c = control(reinterpret_cast<LWControlID>(serial));
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
    if (m_open && !(m_flags & LWPANF_NOBUTT)) out << "  host buttons \"OK\" \"Cancel\"\n";
    return out.str();
}

// ---- the service ------------------------------------------------------------------------

ClassicPanels::ClassicPanels(Host& host) : m_host(host) {
    m_host.attach(this);
    m_host.globals().publish(LWPANELFUNCS_GLOBAL, const_cast<st_LWPanelFuncs*>(record()));
}

ClassicPanels::~ClassicPanels() {
    m_host.attach(static_cast<ClassicPanels*>(nullptr));
    m_host.globals().withdraw(LWPANELFUNCS_GLOBAL);
}

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
    const auto it = m_controlPanels.find(reinterpret_cast<uintptr_t>(id));
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
    for (const ClassicControl& c : p->m_controls) m_controlPanels.erase(c.serial);
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
    p->m_modal = (flags & LWPANF_BLOCKING) != 0;
    p->m_result = LWPAN_CANCELLED;
    for (int which : {LWPANCB_OPEN, LWPANCB_ACTIVATE}) {
        const auto cb = p->m_callbacks.find(which);
        if (cb != p->m_callbacks.end() && cb->second.func)
            reinterpret_cast<LWPanHookFunc*>(cb->second.func)(id, cb->second.data);
        if (!(p = find(id)) || !p->m_open) break;
    }
    if (p && p->m_open) p->redraw(LWDR_REFRESH);
    if (!(flags & LWPANF_BLOCKING)) return p && p->m_open ? 1 : 0;
    if (!p) return LWPAN_CANCELLED;
    return runModal(*p);
}

int ClassicPanels::runModal(ClassicPanel& panel) {
    Dialogs& dialogs = m_host.dialogs();
    const LWPanelID id = panel.id();
    const std::string title = panel.m_title;
    const size_t logged = dialogs.log({"panel", title, "", ""});
    m_modal.push_back(reinterpret_cast<uintptr_t>(id));
    const std::string consumer = "the panel " + quote(title);
    for (;;) {
        ClassicPanel* p = find(id);
        if (!p || !p->m_open) break;
        UserAction action;
        const bool got = dialogs.take({UserAction::Kind::Click, UserAction::Kind::Press,
                                       UserAction::Kind::SavePng, UserAction::Kind::Print},
                                      consumer, action);
        if (!got || !perform(*p, action)) {
            close(id, LWPAN_CANCELLED);
            break;
        }
    }
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
            panel.redraw(LWDR_REFRESH);
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
    const auto cb = p->m_callbacks.find(LWPANCB_CLOSE);
    if (cb != p->m_callbacks.end() && cb->second.func)
        reinterpret_cast<LWPanHookFunc*>(cb->second.func)(id, cb->second.data);
}

LWControlID ClassicPanels::addControl(LWPanelID id, ClassicControl control) {
    ClassicPanel* p = find(id);
    if (!p) {
        error("control: unknown panel");
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
    control.serial = m_nextSerial++;
    m_controlPanels[control.serial] = reinterpret_cast<uintptr_t>(id);
    p->m_controls.push_back(std::move(control));
    return p->m_controls.back().id();
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

extern "C" {

void drRGBPixel(LWPanelID panel, int r, int g, int b, int x, int y) {
    if (Image* img = target(panel)) img->setPixel(x, y, Rgb::clamped(r, g, b));
}
void drRGBBox(LWPanelID panel, int r, int g, int b, int x, int y, int w, int h) {
    if (Image* img = target(panel)) img->fillRect(x, y, w, h, Rgb::clamped(r, g, b));
}
void drText(LWPanelID panel, const char* text, int colour, int x, int y) {
    Image* img = target(panel);
    if (img && text) drawInlineText(*img, x, y, 0, text, XPanels::colour(colour));
}
int drTextWidth(LWPanelID, const char* text) {
    return text ? inlineTextWidth(text) : 0;
}
int drTextHeight(LWPanelID, const char*) {
    return Image::textHeight();
}

LWPanelID pCreate(const char* title, void*) {
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
void pClose(LWPanelID panel, int result) {
    if (ClassicPanels* s = service()) s->close(panel, result);
}
void pDraw(LWPanelID panel, int mode) {
    if (ClassicPanel* p = panelOf(panel, "draw")) p->redraw(mode);
}

int pGetInt(LWPanelID panel, int attribute) {
    ClassicPanel* p = panelOf(panel, "getInt");
    int value = 0;
    if (p && !p->getInt(attribute, value))
        service()->error("getInt: unknown panel attribute " + std::to_string(attribute));
    return value;
}
void pSetInt(LWPanelID panel, int attribute, int value) {
    ClassicPanel* p = panelOf(panel, "setInt");
    if (p && !p->setInt(attribute, value))
        service()->error("setInt: panel attribute " + std::to_string(attribute) + " cannot be set");
}
void* pGetPtr(LWPanelID panel, int attribute) {
    ClassicPanel* p = panelOf(panel, "getPtr");
    void* value = nullptr;
    if (p && !p->getPtr(attribute, value))
        service()->error("getPtr: unknown panel attribute " + std::to_string(attribute));
    return value;
}
void pSetPtr(LWPanelID panel, int attribute, void* value) {
    ClassicPanel* p = panelOf(panel, "setPtr");
    if (p && !p->setPtr(attribute, value))
        service()->error("setPtr: panel attribute " + std::to_string(attribute) + " cannot be set");
}
void pSetCallback(LWPanelID panel, int which, void (*func)(void), void* data) {
    ClassicPanel* p = panelOf(panel, "setCallback");
    if (p && !p->setCallback(which, func, data))
        service()->error("setCallback: unknown callback " + std::to_string(which));
}

LWControlID pListBox(LWPanelID panel, const char* label, int width, int rows, LWCtlNameFunc* name,
                     LWCtlCountFunc* count, void* data) {
    ClassicPanels* s = service();
    if (!s) return nullptr;
    ClassicControl c;
    c.kind = ClassicControl::Kind::List;
    c.label = label ? label : "";
    c.rows = rows <= 0 ? 10 : std::min(rows, kMaxRows);
    c.w = clampSize(width, 200);
    c.h = kLabelHeight + c.rows * rowHeight() + 4;
    c.name = name;
    c.count = count;
    c.listData = data;
    return s->addControl(panel, std::move(c));
}
LWControlID pButton(LWPanelID panel, const char* label, int width) {
    ClassicPanels* s = service();
    if (!s) return nullptr;
    ClassicControl c;
    c.kind = ClassicControl::Kind::Button;
    c.label = label ? label : "";
    c.w = clampSize(width, inlineTextWidth(c.label) + 16);
    c.h = kButtonHeight;
    c.value = 0;
    return s->addControl(panel, std::move(c));
}
LWControlID pCanvas(LWPanelID panel, const char* label, int width, int height) {
    ClassicPanels* s = service();
    if (!s) return nullptr;
    ClassicControl c;
    c.kind = ClassicControl::Kind::Canvas;
    c.label = label ? label : "";
    c.w = clampSize(width, 100);
    c.h = clampSize(height, 100);
    c.value = 0;
    return s->addControl(panel, std::move(c));
}
LWControlID pText(LWPanelID panel, const char* label, const char** lines) {
    ClassicPanels* s = service();
    if (!s) return nullptr;
    ClassicControl c;
    c.kind = ClassicControl::Kind::Text;
    c.label = label ? label : "";
    int w = 0;
    for (size_t i = 0; lines && lines[i] && i < kMaxLines; ++i) {
        c.lines.push_back(lines[i]);
        w = std::max(w, inlineTextWidth(lines[i]));
    }
    c.w = clampSize(w + 4, 20);
    c.h = clampSize(static_cast<int>(c.lines.size()) * rowHeight() + 4, 16);
    c.value = 0;
    return s->addControl(panel, std::move(c));
}

int cGetInt(LWControlID control, int attribute) {
    ClassicControl* c = controlOf(control, "ctlGetInt");
    if (!c) return 0;
    switch (attribute) {
        case CTL_X:
            return c->x;
        case CTL_Y:
            return c->y;
        case CTL_W:
            return c->w;
        case CTL_H:
            return c->h;
        case CTL_VALUE:
            return c->kind == ClassicControl::Kind::List ? c->value : 0;
        case CTL_MOUSEX:
            return c->mouseX;
        case CTL_MOUSEY:
            return c->mouseY;
        default:
            service()->error("ctlGetInt: unknown control attribute " + std::to_string(attribute));
            return 0;
    }
}
void cSetInt(LWControlID control, int attribute, int value) {
    ClassicControl* c = controlOf(control, "ctlSetInt");
    if (!c) return;
    switch (attribute) {
        case CTL_X:
            c->x = std::max(0, std::min(value, kMaxSize));
            break;
        case CTL_Y:
            c->y = std::max(0, std::min(value, kMaxSize));
            break;
        case CTL_W:
            c->w = clampSize(value, 1);
            break;
        case CTL_H:
            c->h = clampSize(value, 1);
            break;
        case CTL_VALUE:
            if (c->kind == ClassicControl::Kind::List) c->value = std::max(-1, value);
            break;
        default:
            service()->error("ctlSetInt: control attribute " + std::to_string(attribute) +
                             " cannot be set");
    }
}
void* cGetPtr(LWControlID control, int attribute) {
    ClassicPanel* panel = nullptr;
    ClassicControl* c = controlOf(control, "ctlGetPtr", &panel);
    if (!c) return nullptr;
    switch (attribute) {
        case CTL_LABEL:
            return const_cast<char*>(c->label.c_str());
        case CTL_USERDATA:
            return c->userData;
        case CTL_PANEL:
            return panel->id();
        default:
            service()->error("ctlGetPtr: unknown control attribute " + std::to_string(attribute));
            return nullptr;
    }
}
void cSetPtr(LWControlID control, int attribute, void* value) {
    ClassicControl* c = controlOf(control, "ctlSetPtr");
    if (!c) return;
    if (attribute == CTL_USERDATA)
        c->userData = value;
    else
        service()->error("ctlSetPtr: control attribute " + std::to_string(attribute) +
                         " cannot be set");
}
void cSetEvent(LWControlID control, LWCtlEventFunc* func, void* data) {
    if (ClassicControl* c = controlOf(control, "ctlSetEvent")) {
        c->event = func;
        c->eventData = data;
    }
}
void cSetDraw(LWControlID control, LWCtlDrawFunc* func, void* data) {
    if (ClassicControl* c = controlOf(control, "ctlSetDraw")) {
        c->draw = func;
        c->drawData = data;
    }
}
void cRedraw(LWControlID control) {
    ClassicPanel* panel = nullptr;
    if (controlOf(control, "ctlRedraw", &panel)) panel->redrawControl(control);
}

}  // extern "C"

const st_LWPanelDrawFuncs kDrawFuncs = {drRGBPixel, drRGBBox, drText, drTextWidth, drTextHeight};

const st_LWPanelFuncs kPanelFuncs = {
    LWPANELS_API_VERSION,
    &kDrawFuncs,
    pCreate,
    pDestroy,
    pOpen,
    pClose,
    pDraw,
    pGetInt,
    pSetInt,
    pGetPtr,
    pSetPtr,
    pSetCallback,
    pListBox,
    pButton,
    pCanvas,
    pText,
    cGetInt,
    cSetInt,
    cGetPtr,
    cSetPtr,
    cSetEvent,
    cSetDraw,
    cRedraw,
};

}  // namespace

const st_LWPanelFuncs* ClassicPanels::record() {
    return &kPanelFuncs;
}

}  // namespace lwhost
