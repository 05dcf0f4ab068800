#include "vexo/xpanel.h"

#include <string>

#include "vexo/persistence.h"
#include "vexo/server.h"

namespace vexo {

template <>
const char* const GlobalBase<st_LWXPanelFuncs>::m_globalName = LWXPANELFUNCS_GLOBAL;

// ---- XPanel -----------------------------------------------------------------------------------

XPanel::XPanel(const XPanel& other) : XPanelFuncs(other) {}

XPanel& XPanel::operator=(const XPanel&) {
    return *this;
}

XPanel::~XPanel() {
    if (m_owns) destroy();
}

void XPanel::forget() {
    m_id = nullptr;
    m_owns = false;
}

const st_LWXPDrawFuncs* XPanel::drawFuncs() const {
    return available() ? globPtr->drawf : nullptr;
}

LWXPanelID XPanel::create(int type, const st_LWXPanelControl* controls, bool owned) {
    if (m_owns) destroy();
    forget();
    if (!available()) return nullptr;
    m_id = globPtr->create(type, const_cast<st_LWXPanelControl*>(controls));
    m_owns = owned && m_id != nullptr;
    return m_id;
}

void XPanel::destroy() {
    // Forgotten first: the destroy notification may reach this wrapper again.
    LWXPanelID id = m_id;
    forget();
    if (id && available()) globPtr->destroy(id);
}

void XPanel::describe(const st_LWXPanelDataDesc* data, LWXPanelGetFn* get,
                      LWXPanelSetFn* set) const {
    if (m_id && available())
        globPtr->describe(m_id, const_cast<st_LWXPanelDataDesc*>(data), get, set);
}

void XPanel::hint(unsigned id, void** hints) const {
    if (m_id && available()) globPtr->hint(m_id, id, hints);
}

void* XPanel::getData(unsigned id) const {
    return (m_id && available()) ? globPtr->getData(m_id, id) : nullptr;
}

void XPanel::setData(unsigned id, void* data) const {
    if (m_id && available()) globPtr->setData(m_id, id, data);
}

void XPanel::viewInst(void* instance) const {
    if (m_id && available()) globPtr->viewInst(m_id, instance);
}

void XPanel::viewRefresh() const {
    if (m_id && available()) globPtr->viewRefresh(m_id);
}

void XPanel::formSet(unsigned cid, void* value) const {
    if (m_id && available()) globPtr->formSet(m_id, cid, value);
}

void* XPanel::formGet(unsigned cid) const {
    return (m_id && available()) ? globPtr->formGet(m_id, cid) : nullptr;
}

int XPanel::post() const {
    return (m_id && available()) ? globPtr->post(m_id) : 0;
}

int XPanel::open() const {
    return (m_id && available()) ? globPtr->open(m_id) : 0;
}

void XPanel::setInt(unsigned cid, int value) const {
    formSet(cid, &value);
}

void XPanel::setFloat(unsigned cid, double value) const {
    formSet(cid, &value);
}

void XPanel::setString(unsigned cid, const char* value) const {
    formSet(cid, const_cast<char*>(value ? value : ""));
}

int XPanel::getInt(unsigned cid, int fallback) const {
    const void* value = formGet(cid);
    return value ? *static_cast<const int*>(value) : fallback;
}

const char* XPanel::getString(unsigned cid) const {
    return static_cast<const char*>(formGet(cid));
}

void* XPanel::dataOf(LWXPanelID panel, unsigned id) {
    if (!panel) return nullptr;
    XPanelFuncs funcs;
    return funcs.available() ? funcs.getGlobal()->getData(panel, id) : nullptr;
}

// ---- XPanelInterface --------------------------------------------------------------------------

namespace {

// Every panel callback of the interface ends here: find the handler, call it, and keep
// exceptions on this side.
// The handler's IDs are 32 bits; a wider one names none of its controls.
bool handlerId(unsigned long id) {
    return id <= 0xFFFFFFFFul;
}

template <class R, class Call>
R forward(LWXPanelID panel, void* instance, const char* where, R fallback, Call call) {
    return shield(Dialog<R>{where, fallback}, [&]() -> R {
        XPanelInterface* handler = XPanelInterface::handlerOf(panel, instance);
        return handler ? call(*handler) : fallback;
    });
}

}  // namespace

void* XPanelInterface::DataGet(unsigned) {
    return nullptr;
}

int XPanelInterface::DataSet(unsigned, void*) {
    return 0;
}

void XPanelInterface::ButtonClick(unsigned) {}

void XPanelInterface::ChangeNotify(void*, unsigned, unsigned, int) {}

void XPanelInterface::PanelDestroyNotify() {
    m_panel.forget();
}

void XPanelInterface::ControlDraw(unsigned, XPDrawArea&) {}

void XPanelInterface::ControlZoom(unsigned, int, int, int*, int) {}

LWXPanelID XPanelInterface::CreateViewXPanel(st_LWXPanelControl* controls,
                                             st_LWXPanelDataDesc* data, void** hints, bool owned) {
    // 1. The view panel, remembered with its ownership, and its text values: those the data
    //    description calls texts, or whose control is of a text type when it has none.
    if (!m_panel.create(LWXP_VIEW, controls, owned)) return nullptr;
    m_texts.clear();
    for (const st_LWXPanelControl* c = controls; c && c->cid; ++c) {
        const char* type = c->ctrlclass;
        for (const st_LWXPanelDataDesc* d = data; d && d->vid; ++d)
            if (d->vid == c->cid) type = d->datatype;
        if (type && type[0] == 's' && handlerId(c->cid))
            m_texts.emplace_back(static_cast<unsigned>(c->cid), c->label ? c->label : "");
    }
    // 2. Values go through this object's DataGet and DataSet.
    m_panel.describe(data, &CB_DataGet, &CB_DataSet);
    // 3. This object is both the view instance and the panel's data, where callbacks that
    //    receive only the panel find it.
    void* self = static_cast<XPanelInterface*>(this);
    m_panel.viewInst(self);
    m_panel.setData(0, self);
    // 4. The handler's own hints.
    if (hints) m_panel.hint(0, hints);
    // 5. Changes reach ChangeNotify.
    m_panel.hint(0, XPanelHints().changeNotify(&LWXPanelChangeNotifyFunc).list());
    // 6. An owned panel tells this object (the data under id 0) when the host destroys it.
    if (owned) m_panel.hint(0, XPanelHints().destroyNotify(&LWXPanelDestroyNotifyFunc).list());
    return m_panel.id();
}

XPanelInterface::~XPanelInterface() {
    // While this base is being destroyed the notification reaches the base operation, which
    // only forgets the panel.
    if (m_panel.owns()) m_panel.destroy();
}

int XPanelInterface::Interface(int, st_LWInterface*, void*) {
    return 0;
}

XPanelInterface* XPanelInterface::handlerOf(LWXPanelID panel, void* instance) {
    if (instance) return static_cast<XPanelInterface*>(instance);
    return static_cast<XPanelInterface*>(XPanel::dataOf(panel, 0));
}

void* XPanelInterface::CB_DataGet(void* instance, unsigned long id) {
    if (!instance || !handlerId(id)) return nullptr;
    return forward<void*>(
        nullptr, instance, "XPanelInterface::DataGet()", nullptr,
        [id](XPanelInterface& h) { return h.DataGet(static_cast<unsigned>(id)); });
}

const std::string* XPanelInterface::textLabel(unsigned id) const {
    for (const auto& [cid, label] : m_texts)
        if (cid == id) return &label;
    return nullptr;
}

LWXPRefreshCode XPanelInterface::CB_DataSet(void* instance, unsigned long vid, void* value) {
    if (!instance || !handlerId(vid)) return LWXPRC_NONE;
    const unsigned id = static_cast<unsigned>(vid);
    return forward(
        nullptr, instance, "XPanelInterface::DataSet()", LWXPRC_NONE,
        [id, value](XPanelInterface& h) {
            // Refused whole, never cut; the host reads the value it keeps again.
            const std::string* label = h.textLabel(id);
            if (label && value &&
                !acceptText(static_cast<const char*>(value), "The text for \"" + *label + "\""))
                return LWXPRC_DFLT;
            return static_cast<LWXPRefreshCode>(h.DataSet(id, value));
        });
}

void XPanelInterface::LWXPanelDestroyNotifyFunc(void* panelData) {
    if (!panelData) return;
    forward(nullptr, panelData, "XPanelInterface::PanelDestroyNotify()", 0, [](XPanelInterface& h) {
        h.PanelDestroyNotify();
        return 0;
    });
}

LWXPRefreshCode XPanelInterface::LWXPanelChangeNotifyFunc(LWXPanelID panel, unsigned long controlId,
                                                          unsigned long valueId, int event) {
    if (!handlerId(controlId) || !handlerId(valueId)) return LWXPRC_NONE;
    forward(panel, nullptr, "XPanelInterface::ChangeNotify()", 0, [&](XPanelInterface& h) {
        h.ChangeNotify(panel, static_cast<unsigned>(controlId), static_cast<unsigned>(valueId),
                       event);
        return 0;
    });
    return LWXPRC_NONE;
}

void XPanelInterface::LWXPanelBtnClickFunc(LWXPanelID panel, int controlId) {
    forward(panel, nullptr, "XPanelInterface::ButtonClick()", 0, [&](XPanelInterface& h) {
        h.ButtonClick(static_cast<unsigned>(controlId));
        return 0;
    });
}

void XPanelInterface::LWXPanelControlDrawFunc(LWXPanelID panel, unsigned long controlId,
                                              LWXPDrAreaID region, int width, int height) {
    if (!handlerId(controlId)) return;
    forward(panel, nullptr, "XPanelInterface::ControlDraw()", 0, [&](XPanelInterface& h) {
        XPDrawArea area(panel, h.panel().drawFuncs(), region, width, height);
        h.ControlDraw(static_cast<unsigned>(controlId), area);
        return 0;
    });
}

void XPanelInterface::LWXPanelControlZoomFunc(LWXPanelID panel, unsigned long controlId, int x,
                                              int y, int* region, int clickCount) {
    if (!handlerId(controlId)) return;
    forward(panel, nullptr, "XPanelInterface::ControlZoom()", 0, [&](XPanelInterface& h) {
        h.ControlZoom(static_cast<unsigned>(controlId), x, y, region, clickCount);
        return 0;
    });
}

// ---- XPDrawArea -------------------------------------------------------------------------------

void XPDrawArea::point(int x, int y, int r, int g, int b) const {
    if (m_funcs) m_funcs->drawRGBPixel(m_region, r, g, b, x, y);
}

void XPDrawArea::box(int x, int y, int w, int h, int r, int g, int b) const {
    if (m_funcs) m_funcs->drawRGBBox(m_region, r, g, b, x, y, w, h);
}

// The host only reads the texts handed to its draw functions.
void XPDrawArea::text(int x, int y, const char* text, int colour) const {
    if (m_funcs && text) m_funcs->drawText(m_region, const_cast<char*>(text), colour, x, y);
}

void XPDrawArea::textRight(int right, int y, const char* text, int colour) const {
    this->text(right - textWidth(text), y, text, colour);
}

int XPDrawArea::textWidth(const char* text) const {
    return (m_funcs && text) ? m_funcs->textWidth(m_region, const_cast<char*>(text)) : 0;
}

int XPDrawArea::textHeight(const char* text) const {
    return m_funcs ? m_funcs->textHeight(m_region, const_cast<char*>(text ? text : "")) : 0;
}

// ---- PopUpCallback ----------------------------------------------------------------------------

int PopUpCallback::PopCount(void* data) {
    if (!data) return 0;
    return shield(Dialog{"PopUpCallback::PopCount()", 0},
                  [&] { return static_cast<PopUpCallback*>(data)->popCount(); });
}

const char* PopUpCallback::PopName(void* data, int index) {
    if (!data) return nullptr;
    return shield(Dialog<const char*>{"PopUpCallback::PopName()", nullptr},
                  [&] { return static_cast<PopUpCallback*>(data)->popName(index); });
}

// ---- XPanelHints ------------------------------------------------------------------------------

XPanelHints& XPanelHints::label(unsigned id, const char* text) {
    return add<XPTAG_LABEL>(nullptr, id, static_cast<const void*>(text), 0);
}

XPanelHints& XPanelHints::group(unsigned gid, const Ids& members) {
    return add<XPTAG_GROUP>(&members, gid);
}

XPanelHints& XPanelHints::order(unsigned gid, const Ids& ids) {
    return add<XPTAG_ORDER>(&ids, gid);
}

XPanelHints& XPanelHints::dividers(unsigned gid, const Ids& after) {
    return add<XPTAG_DIVADD>(&after, gid);
}

XPanelHints& XPanelHints::enable(unsigned source, const int* map, const char* message,
                                 const Ids& targets) {
    return add<XPTAG_ENABLE>(&targets, source, static_cast<const void*>(map),
                             static_cast<const void*>(message), 0);
}

XPanelHints& XPanelHints::disable(unsigned source, const int* map, const char* message,
                                  const Ids& targets) {
    return add<XPTAG_ENABLE>(&targets, source, static_cast<const void*>(map),
                             static_cast<const void*>(message), 1);
}

XPanelHints& XPanelHints::stack(unsigned gid, unsigned source, const int* map, const Ids& members) {
    return add<XPTAG_STACK>(&members, gid, source, static_cast<const void*>(map));
}

XPanelHints& XPanelHints::link(unsigned source, const Ids& targets) {
    return add<XPTAG_LINK>(&targets, source);
}

XPanelHints& XPanelHints::button(unsigned cid, LWXPanelBtnClickFn* click) {
    return add<XPTAG_BUTNOTIFY>(nullptr, cid, click);
}

XPanelHints& XPanelHints::draw(unsigned cid, LWXPanelControlDrawFn* drawFn) {
    return add<XPTAG_DRAWCBFUNC>(nullptr, cid, drawFn);
}

XPanelHints& XPanelHints::zoom(unsigned cid, LWXPanelControlZoomFn* zoomFn) {
    return add<XPTAG_ZOOMCBFUNC>(nullptr, cid, zoomFn, 0);
}

XPanelHints& XPanelHints::popUp(unsigned cid, LWXPanelPopCntFn* count, LWXPanelPopNameFn* name) {
    return add<XPTAG_POPFUNCS>(nullptr, cid, count, name);
}

XPanelHints& XPanelHints::strings(unsigned cid, const char* const* texts) {
    return add<XPTAG_STRLIST>(nullptr, cid, static_cast<const void*>(texts), 0);
}

XPanelHints& XPanelHints::popCommand(unsigned cid, LWXPanelPopCmdFn* command) {
    return add<XPTAG_POPCMDFUNC>(nullptr, cid, command);
}

XPanelHints& XPanelHints::remove(unsigned cid) {
    return add<XPTAG_DELETE>(nullptr, cid);
}

XPanelHints& XPanelHints::changeNotify(LWXPanelChangeNotifyFn* notify) {
    return add<XPTAG_CHGNOTIFY>(nullptr, notify);
}

XPanelHints& XPanelHints::destroyNotify(LWXPanelDestroyNotifyFn* notify, void* data) {
    return add<XPTAG_DESTROYNOTIFY>(nullptr, notify, static_cast<const void*>(data));
}

void** XPanelHints::list() {
    if (!m_ended) m_items.push_back(nullptr);
    m_ended = true;
    return m_items.data();
}

}  // namespace vexo
