#include "lwhost/ui/xpanel.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "lwhost/core/host.h"
#include "lwhost/ui/inline_text.h"
#include "lwhost/ui/user_action.h"

namespace lwhost {

// ---- value kinds and values -------------------------------------------------------------

const char* valueKindName(ValueKind kind) {
    switch (kind) {
        case ValueKind::None:
            return "none";
        case ValueKind::Int:
            return "integer";
        case ValueKind::Float:
            return "float";
        case ValueKind::Vector:
            return "vector";
        case ValueKind::String:
            return "string";
        case ValueKind::Envelope:
            return "envelope";
        case ValueKind::Opaque:
            return "opaque";
    }
    return "?";
}

ValueKind valueKindOf(const std::string& type) {
    static const char* const kFloats[] = {"float", "percent", "distance", "angle", "time"};
    static const char* const kVectors[] = {"float3", "distance3", "percent3", "color"};
    const std::string env = "-env";
    if (type.size() > env.size() && type.compare(type.size() - env.size(), env.size(), env) == 0)
        return ValueKind::Envelope;
    if (type == "integer") return ValueKind::Int;
    for (const char* t : kFloats)
        if (type == t) return ValueKind::Float;
    for (const char* t : kVectors)
        if (type == t) return ValueKind::Vector;
    if (type.empty()) return ValueKind::None;
    switch (type[0]) {
        case 'i':
            return ValueKind::Int;
        case 's':
            return ValueKind::String;
        case 'v':
        case 'd':
            return ValueKind::None;  // actions and drawn areas
        default:
            return ValueKind::Opaque;
    }
}

ValueKind PanelControl::kind() const {
    const ValueKind own = valueKindOf(type);
    // Actions and drawn areas carry no value whatever their description says.
    if (own == ValueKind::None) return ValueKind::None;
    if (!dataType.empty()) {
        const ValueKind described = valueKindOf(dataType);
        if (described != ValueKind::None) return described;
    }
    return own;
}

PanelValue PanelValue::ofInt(int value) {
    PanelValue v;
    v.kind = ValueKind::Int;
    v.present = true;
    v.i = value;
    return v;
}

PanelValue PanelValue::ofFloat(double value) {
    PanelValue v;
    v.kind = ValueKind::Float;
    v.present = true;
    v.v[0] = value;
    return v;
}

PanelValue PanelValue::ofVector(double x, double y, double z) {
    PanelValue v;
    v.kind = ValueKind::Vector;
    v.present = true;
    v.v[0] = x;
    v.v[1] = y;
    v.v[2] = z;
    return v;
}

PanelValue PanelValue::ofString(const std::string& value) {
    PanelValue v;
    v.kind = ValueKind::String;
    v.present = true;
    v.s = value;
    return v;
}

int PanelValue::ruleValue() const {
    if (!present) return 0;
    switch (kind) {
        case ValueKind::Int:
            return i;
        case ValueKind::Float:
            return v[0] != 0.0 ? 1 : 0;
        case ValueKind::Vector:
            return (v[0] != 0.0 || v[1] != 0.0 || v[2] != 0.0) ? 1 : 0;
        case ValueKind::String:
            return s.empty() ? 0 : 1;
        case ValueKind::Envelope:
        case ValueKind::Opaque:
            return raw ? 1 : 0;
        case ValueKind::None:
            return 0;
    }
    return 0;
}

namespace {
std::string number(double d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", d);
    return buf;
}

std::string triple(const double* v) {
    return "(" + number(v[0]) + ", " + number(v[1]) + ", " + number(v[2]) + ")";
}

}  // namespace

std::string PanelValue::text() const {
    if (!present) return "(none)";
    switch (kind) {
        case ValueKind::Int:
            return std::to_string(i);
        case ValueKind::Float:
            return number(v[0]);
        case ValueKind::Vector:
            return triple(v);
        case ValueKind::String:
            return scriptQuote(s);
        case ValueKind::Envelope:
            if (!envelopeRead) return "(envelope)";
            return (envelopeVector ? triple(v) : number(v[0])) + " (envelope)";
        case ValueKind::Opaque:
            return "(value)";
        case ValueKind::None:
            return "(none)";
    }
    return "(none)";
}

// ---- the record handed to plug-ins ----------------------------------------------------------

namespace {

// Every entry reaches the current host's panels here; without a host it does nothing.
XPanels* service() {
    Host* host = Host::current();
    return host ? &host->xpanels() : nullptr;
}

extern "C" {
LWXPanelID xpCreate(int type, st_LWXPanelControl* controls) {
    XPanels* s = service();
    return s ? s->create(type, controls) : nullptr;
}
void xpDestroy(LWXPanelID panel) {
    if (XPanels* s = service()) s->pluginDestroy(panel);
}
void xpDescribe(LWXPanelID panel, st_LWXPanelDataDesc* data, LWXPanelGetFunc* get,
                LWXPanelSetFunc* set) {
    if (XPanels* s = service()) s->describe(panel, data, get, set);
}
void xpHint(LWXPanelID panel, unsigned long id, LWXPanelHint* hints) {
    if (XPanels* s = service()) s->hint(panel, id, hints);
}
void* xpGetData(LWXPanelID panel, unsigned long id) {
    XPanels* s = service();
    return s ? s->getData(panel, id) : nullptr;
}
void xpSetData(LWXPanelID panel, unsigned long id, void* data) {
    if (XPanels* s = service()) s->setData(panel, id, data);
}
void* xpFormGet(LWXPanelID panel, unsigned long vid) {
    XPanels* s = service();
    return s ? s->formGet(panel, vid) : nullptr;
}
void xpFormSet(LWXPanelID panel, unsigned long vid, void* value) {
    if (XPanels* s = service()) s->formSet(panel, vid, value);
}
void xpViewInst(LWXPanelID panel, void* instance) {
    if (XPanels* s = service()) s->viewInst(panel, instance);
}
void xpViewRefresh(LWXPanelID panel) {
    if (XPanels* s = service()) s->viewRefresh(panel);
}
int xpPost(LWXPanelID panel) {
    XPanels* s = service();
    return s ? s->post(panel) : 0;
}
int xpOpen(LWXPanelID panel) {
    XPanels* s = service();
    return s ? s->open(panel) : 0;
}
}

Image* region(LWXPDrAreaID r) {
    XPanels* s = service();
    return s ? s->drawTarget(r) : nullptr;
}

// The pixels of a line from (x, y) to (x2, y2), both ends included, visited only where they
// can fall inside the image: far ends cost nothing.
void drawLineIn(Image& image, int x, int y, int x2, int y2, Rgb colour) {
    const int64_t dx = int64_t{x2} - x;
    const int64_t dy = int64_t{y2} - y;
    const bool alongX = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    const int64_t from = alongX ? std::min(x, x2) : std::min(y, y2);
    const int64_t to = alongX ? std::max(x, x2) : std::max(y, y2);
    const int64_t side = alongX ? image.width() : image.height();
    const int64_t first = std::max<int64_t>(from, 0);
    const int64_t last = std::min<int64_t>(to, side - 1);
    for (int64_t major = first; major <= last; ++major) {
        // The minor coordinate, rounded to the nearest pixel.
        const int64_t steps = alongX ? dx : dy;
        const int64_t start = alongX ? x : y;
        const int64_t minorStart = alongX ? y : x;
        const int64_t minorSpan = alongX ? dy : dx;
        int64_t minor = minorStart;
        if (steps != 0) {
            // Rounded to nearest; 128 bits hold the product of two 33-bit spans.
            const __int128 num = static_cast<__int128>(major - start) * minorSpan * 2 + steps;
            const __int128 den = static_cast<__int128>(steps) * 2;
            __int128 q = num / den;
            if (num % den != 0 && ((num < 0) != (den < 0))) --q;  // floor for either sign
            minor = minorStart + static_cast<int64_t>(q);
        }
        if (minor < INT32_MIN || minor > INT32_MAX) continue;
        if (alongX)
            image.setPixel(static_cast<int>(major), static_cast<int>(minor), colour);
        else
            image.setPixel(static_cast<int>(minor), static_cast<int>(major), colour);
    }
}

extern "C" {
void xpDrawPixel(LWXPDrAreaID r, int c, int x, int y) {
    if (Image* image = region(r)) image->setPixel(x, y, XPanels::colour(c));
}
void xpDrawRGBPixel(LWXPDrAreaID r, int red, int green, int blue, int x, int y) {
    if (Image* image = region(r)) image->setPixel(x, y, Rgb::clamped(red, green, blue));
}
void xpDrawLine(LWXPDrAreaID r, int c, int x, int y, int x2, int y2) {
    if (Image* image = region(r)) drawLineIn(*image, x, y, x2, y2, XPanels::colour(c));
}
void xpDrawBox(LWXPDrAreaID r, int c, int x, int y, int w, int h) {
    if (Image* image = region(r)) image->fillRect(x, y, w, h, XPanels::colour(c));
}
void xpDrawRGBBox(LWXPDrAreaID r, int red, int green, int blue, int x, int y, int w, int h) {
    if (Image* image = region(r)) image->fillRect(x, y, w, h, Rgb::clamped(red, green, blue));
}
void xpDrawBorder(LWXPDrAreaID r, int indent, int x, int y, int w, int h) {
    Image* image = region(r);
    if (!image || w <= 0 || h <= 0) return;
    const Rgb light = XPanels::colour(LWXPCOL_LIGHT);
    const Rgb shadow = XPanels::colour(LWXPCOL_SHADOW);
    const Rgb topLeft = indent ? shadow : light;
    const Rgb bottomRight = indent ? light : shadow;
    image->fillRect(x, y, w, 1, topLeft);
    image->fillRect(x, y, 1, h, topLeft);
    const int64_t right = int64_t{x} + w - 1;
    const int64_t bottom = int64_t{y} + h - 1;
    if (bottom <= INT32_MAX) image->fillRect(x, static_cast<int>(bottom), w, 1, bottomRight);
    if (right <= INT32_MAX) image->fillRect(static_cast<int>(right), y, 1, h, bottomRight);
}
int xpTextWidth(LWXPDrAreaID, char* text) {
    return text ? inlineTextWidth(text) : 0;
}
int xpTextHeight(LWXPDrAreaID, char*) {
    return Image::textHeight();
}
void xpDrawText(LWXPDrAreaID r, char* text, int colour, int x, int y) {
    Image* image = region(r);
    if (image && text) drawInlineText(*image, x, y, 0, text, XPanels::colour(colour));
}
}

st_LWXPDrawFuncs kDrawFuncs = {xpDrawPixel,  xpDrawRGBPixel, xpDrawLine,   xpDrawBox, xpDrawRGBBox,
                               xpDrawBorder, xpTextWidth,    xpTextHeight, xpDrawText};

const st_LWXPanelFuncs kPanelFuncs = {LWXPANEL_API_VERSION,
                                      &kDrawFuncs,
                                      xpCreate,
                                      xpDestroy,
                                      xpDescribe,
                                      xpHint,
                                      xpGetData,
                                      xpSetData,
                                      xpFormGet,
                                      xpFormSet,
                                      xpViewInst,
                                      xpViewRefresh,
                                      xpPost,
                                      xpOpen};

}  // namespace

const st_LWXPanelFuncs* XPanels::record() {
    return &kPanelFuncs;
}

Rgb XPanels::colour(int index) {
    switch (index) {
        case LWXPCOL_BACKGROUND:
            return Rgb(160, 160, 160);
        case LWXPCOL_FACE:
            return Rgb(200, 200, 200);
        case LWXPCOL_LIGHT:
            return Rgb(230, 230, 230);
        case LWXPCOL_SHADOW:
            return Rgb(90, 90, 90);
        case LWXPCOL_TEXT:
            return Rgb(0, 0, 0);
        case LWXPCOL_DIMTEXT:
            return Rgb(120, 120, 120);
        case LWXPCOL_HILIGHT:
            return Rgb(240, 200, 80);
        case LWXPCOL_WHITE:
            return Rgb(255, 255, 255);
        case LWXPCOL_BLACK:
            return Rgb(0, 0, 0);
        case LWXPCOL_DRAWTEXT:
            return Rgb(64, 64, 64);
        default:
            return Rgb(0, 0, 0);
    }
}

// ---- the service ------------------------------------------------------------------------------

XPanels::XPanels(Host& host) : m_host(host) {
    m_host.attach(this);
    m_host.globals().publish(LWXPANELFUNCS_GLOBAL, const_cast<st_LWXPanelFuncs*>(record()));
}

XPanels::~XPanels() {
    m_host.attach(static_cast<XPanels*>(nullptr));
    m_host.globals().withdraw(LWXPANELFUNCS_GLOBAL);
}

XPanels::Busy::~Busy() {
    if (--m_owner.m_busy == 0) {
        // Destructors of panels call no plug-in, so nothing re-enters while the list is freed.
        auto dead = std::move(m_owner.m_graveyard);
        m_owner.m_graveyard.clear();
    }
}

void XPanels::error(const std::string& text) {
    if (m_errors.size() < kMaxErrors)
        m_errors.push_back(text);
    else
        ++m_droppedErrors;
}

unsigned XPanels::calls(const std::string& entry) const {
    auto it = m_calls.find(entry);
    return it == m_calls.end() ? 0 : it->second;
}

XPanel* XPanels::find(LWXPanelID id) {
    auto it = m_panels.find(reinterpret_cast<uintptr_t>(id));
    return it == m_panels.end() ? nullptr : it->second.get();
}

XPanel* XPanels::latest() {
    return m_panels.empty() ? nullptr : m_panels.rbegin()->second.get();
}

std::vector<LWXPanelID> XPanels::ids() const {
    std::vector<LWXPanelID> out;
    for (const auto& p : m_panels) out.push_back(p.second->id());
    return out;
}

XPanel* XPanels::known(LWXPanelID panel, const char* entry) {
    count(entry);
    XPanel* p = find(panel);
    if (!p) error(std::string(entry) + ": unknown panel");
    return p;
}

bool XPanels::destroy(LWXPanelID id) {
    XPanel* p = find(id);
    if (!p || p->m_destroying) return false;
    Busy busy(*this);
    p->m_destroying = true;
    if (LWXPanelDestroyNotifyFn* notify = p->m_destroyNotify)
        notify(p->m_destroyData ? p->m_destroyData : p->data(0));
    auto it = m_panels.find(reinterpret_cast<uintptr_t>(id));
    if (it == m_panels.end()) return true;
    it->second->m_destroyed = true;
    it->second->m_open = false;
    m_graveyard.push_back(std::move(it->second));
    m_panels.erase(it);
    return true;
}

void XPanels::pluginDestroy(LWXPanelID panel) {
    if (known(panel, "destroy")) destroy(panel);
}

bool XPanels::userClose(LWXPanelID id) {
    XPanel* p = find(id);
    if (!p) return false;
    p->close();
    return destroy(id);
}

LWXPanelID XPanels::create(int type, const st_LWXPanelControl* controls) {
    count("create");
    if (type != LWXP_VIEW && type != LWXP_FORM) {
        error("create: unknown panel type " + std::to_string(type));
        return nullptr;
    }
    auto panel = std::make_unique<XPanel>(*this, m_nextSerial++, type);
    // A list that never ends is cut off rather than read without bound.
    constexpr size_t kMaxControls = 65536;
    for (size_t n = 0; controls && controls[n].cid != 0; ++n) {
        if (n == kMaxControls) {
            error("create: control list not ended after " + std::to_string(kMaxControls));
            break;
        }
        const st_LWXPanelControl& c = controls[n];
        if (c.cid > kMaxId) {
            error("create: control ID " + std::to_string(c.cid) + " is too large");
            continue;
        }
        if (panel->findControl(static_cast<unsigned>(c.cid))) {
            error("create: control " + std::to_string(c.cid) + " listed twice");
            continue;
        }
        PanelControl control;
        control.id = static_cast<unsigned>(c.cid);
        control.label = c.label ? c.label : "";
        control.type = c.ctrlclass ? c.ctrlclass : "";
        panel->m_controls.push_back(std::move(control));
    }
    LWXPanelID id = panel->id();
    m_panels[panel->serial()] = std::move(panel);
    return id;
}

void XPanels::describe(LWXPanelID panel, const st_LWXPanelDataDesc* data, LWXPanelGetFn* get,
                       LWXPanelSetFn* set) {
    XPanel* p = known(panel, "describe");
    if (!p) return;
    p->m_get = get;
    p->m_set = set;
    for (PanelControl& c : p->m_controls) c.dataType.clear();
    constexpr size_t kMaxValues = 65536;
    for (size_t n = 0; data && data[n].vid != 0 && n < kMaxValues; ++n)
        if (PanelControl* c = data[n].vid <= kMaxId
                                  ? p->findControl(static_cast<unsigned>(data[n].vid))
                                  : nullptr)
            c->dataType = data[n].datatype ? data[n].datatype : "";
}

bool XPanels::fits(unsigned long id, const char* entry) {
    if (id <= kMaxId) return true;
    error(std::string(entry) + ": ID " + std::to_string(id) + " is too large");
    return false;
}

void XPanels::hint(LWXPanelID panel, unsigned long id, void** hints) {
    XPanel* p = known(panel, "hint");
    if (p && hints && fits(id, "hint")) p->applyHints(static_cast<unsigned>(id), hints);
}

void* XPanels::getData(LWXPanelID panel, unsigned long id) {
    XPanel* p = known(panel, "getData");
    return p && fits(id, "getData") ? p->data(static_cast<unsigned>(id)) : nullptr;
}

void XPanels::setData(LWXPanelID panel, unsigned long id, void* data) {
    XPanel* p = known(panel, "setData");
    if (p && fits(id, "setData")) p->m_data[static_cast<unsigned>(id)] = data;
}

void XPanels::viewInst(LWXPanelID panel, void* instance) {
    if (XPanel* p = known(panel, "viewInst")) p->m_instance = instance;
}

void XPanels::viewRefresh(LWXPanelID panel) {
    if (XPanel* p = known(panel, "viewRefresh")) p->refresh();
}

void XPanels::formSet(LWXPanelID panel, unsigned long vid, void* value) {
    XPanel* p = known(panel, "formSet");
    if (!p || !fits(vid, "formSet")) return;
    const unsigned cid = static_cast<unsigned>(vid);
    const PanelControl* c = p->control(cid);
    if (!c || c->kind() == ValueKind::None) {
        error("formSet: control " + std::to_string(cid) + " carries no value");
        return;
    }
    if (!p->isView()) {
        p->storeForm(cid, c->kind(), value);
        return;
    }
    if (!p->m_set) return;
    Busy busy(*this);
    LWXPanelSetFn* set = p->m_set;
    set(p->m_instance, cid, value);
    if (XPanel* still = find(panel)) still->refresh();
}

void* XPanels::formGet(LWXPanelID panel, unsigned long vid) {
    XPanel* p = known(panel, "formGet");
    if (!p || !fits(vid, "formGet")) return nullptr;
    const unsigned cid = static_cast<unsigned>(vid);
    const PanelControl* c = p->control(cid);
    if (!c) return nullptr;
    if (!p->isView()) return p->formSlot(cid, c->kind());
    if (!p->m_get) return nullptr;
    Busy busy(*this);
    return p->m_get(p->m_instance, cid);
}

int XPanels::post(LWXPanelID panel) {
    XPanel* p = known(panel, "post");
    if (!p) return 0;
    if (p->m_open) {
        error("post: panel is open already");
        return 0;
    }
    Busy busy(*this);
    p->m_open = true;
    int result = m_modalDriver ? m_modalDriver(*p) : 0;
    if (XPanel* still = find(panel)) still->m_open = false;
    return result;
}

int XPanels::open(LWXPanelID panel) {
    XPanel* p = known(panel, "open");
    if (!p) return 0;
    p->m_open = true;
    return 1;
}

Image* XPanels::drawTarget(LWXPDrAreaID region) {
    for (Image* image : m_drawTargets)
        if (image == region) return image;
    error("draw: unknown region");
    return nullptr;
}

}  // namespace lwhost
