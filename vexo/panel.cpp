#include "vexo/panel.h"

#include <algorithm>

namespace vexo {

template <>
const char* const GlobalBase<st_LWPanelFuncs>::m_globalName = LWPANELFUNCS_GLOBAL;

// ---- PanelControl -----------------------------------------------------------------------------

void PanelControl::set(int tag, LWValue& value) const {
    if (m_id && m_id->set) m_id->set(m_id, static_cast<cTag>(tag), &value);
}

LWValue PanelControl::get(int tag) const {
    LWValue value{};
    value.type = LWV_NONE;
    if (m_id && m_id->get) m_id->get(m_id, static_cast<cTag>(tag), &value);
    return value;
}

void PanelControl::Set(int tag, int n) const {
    LWValue value{};
    value.intv = {LWV_INT, n};
    set(tag, value);
}

void PanelControl::Set(int tag, void* p) const {
    LWValue value{};
    value.ptr = {LWV_PTR, p};
    set(tag, value);
}

int PanelControl::GetInt(int tag) const {
    const LWValue value = get(tag);
    return value.type == LWV_INT ? value.intv.value : 0;
}

void* PanelControl::GetPtr(int tag) const {
    const LWValue value = get(tag);
    if (value.type == LWV_PTR) return value.ptr.ptr;
    if (value.type == LWV_STR) return const_cast<char*>(value.str.buf);
    return nullptr;
}

std::string PanelControl::label() const {
    const LWValue value = get(CTL_LABEL);
    return value.type == LWV_STR && value.str.buf ? value.str.buf : "";
}

void PanelControl::moveTo(int x, int y) const {
    Set(CTL_X, x);
    Set(CTL_Y, y);
}

void PanelControl::MoveBelow(const PanelControl& other, int gap) const {
    moveTo(other.x(), other.y() + other.height() + gap);
}

void PanelControl::MoveRightOf(const PanelControl& other, int gap) const {
    moveTo(other.x() + other.width() + gap, other.y());
}

LWPanelID PanelControl::panel() const {
    return static_cast<LWPanelID>(GetPtr(CTL_PANEL));
}

void PanelControl::redraw() const {
    if (m_id && m_id->draw) m_id->draw(m_id, DR_REFRESH);
}

void PanelControl::setEvent(LWCtlEventFunc* func) const {
    LWValue value{};
    value.func = {LWV_FUNC, reinterpret_cast<void (*)(void)>(func)};
    set(CTL_USEREVENT, value);
}

void PanelControl::setDraw(LWCtlDrawFunc* func) const {
    LWValue value{};
    value.func = {LWV_FUNC, reinterpret_cast<void (*)(void)>(func)};
    set(CTL_USERDRAW, value);
}

// ---- LWPanel ----------------------------------------------------------------------------------

LWPanel::LWPanel(const std::string& title) {
    create(title);
}

LWPanel::~LWPanel() {
    if (m_owns) destroy();
}

LWPanelID LWPanel::create(const std::string& title) {
    if (m_owns) destroy();
    m_id = nullptr;
    m_owns = false;
    m_title = title;
    if (!available()) return nullptr;
    m_id = globPtr->create(const_cast<char*>(m_title.c_str()), nullptr);
    m_owns = m_id != nullptr;
    if (m_id) PAN_SETPTR(globPtr, m_id, PAN_USERDATA, this);
    return m_id;
}

void LWPanel::destroy() {
    // Forgotten first: destroying may call back into this wrapper.
    LWPanelID id = m_id;
    m_id = nullptr;
    m_owns = false;
    if (id && available()) globPtr->destroy(id);
}

int LWPanel::open(int flags) const {
    return (m_id && available()) ? globPtr->open(m_id, flags) : 0;
}

void LWPanel::close(int result) const {
    if (!m_id || !available()) return;
    PAN_SET(globPtr, m_id, PAN_RESULT, result);
    globPtr->close(m_id);
}

void LWPanel::redraw(DrMode mode) const {
    if (m_id && available()) globPtr->draw(m_id, mode);
}

int LWPanel::getInt(int attribute) const {
    int value = 0;
    if (m_id && available()) globPtr->get(m_id, static_cast<pTag>(attribute), &value);
    return value;
}

void LWPanel::setInt(int attribute, int value) const {
    if (m_id && available()) PAN_SET(globPtr, m_id, static_cast<pTag>(attribute), value);
}

void* LWPanel::userData() const {
    void* data = nullptr;
    if (m_id && available()) globPtr->get(m_id, PAN_USERDATA, &data);
    return data;
}

void LWPanel::setCallback(int tag, void (*func)()) const {
    if (m_id && available())
        PAN_SETPTR(globPtr, m_id, static_cast<pTag>(tag), reinterpret_cast<void*>(func));
}

PanelControl LWPanel::add(const char* type, ControlDesc& desc, const char* label) const {
    if (!m_id || !available()) return PanelControl();
    const PanelControl control(
        globPtr->addControl(m_id, const_cast<char*>(type), &desc, const_cast<char*>(label)));
    control.Set(CTL_USERDATA, static_cast<void*>(control.id()));
    return control;
}

PanelControl LWPanel::listBox(const char* label, int width, int rows, LWCtlNameFunc* name,
                              LWCtlCountFunc* count) const {
    ControlDesc desc{};
    desc.listbox = {LWCD_LISTBOX, width, rows, 0, count, name};
    return add(LWCTL_LISTBOX, desc, label);
}

PanelControl LWPanel::button(const char* label, int width) const {
    ControlDesc desc{};
    desc.button = {LWCD_BUTTON, width};
    return add(LWCTL_BUTTON, desc, label);
}

PanelControl LWPanel::canvas(const char* label, int width, int height) const {
    ControlDesc desc{};
    desc.canvas = {LWCD_CANVAS, width, height};
    return add(LWCTL_CANVAS, desc, label);
}

PanelControl LWPanel::text(const char* label, const char** lines) const {
    ControlDesc desc{};
    desc.text = {LWCD_TEXT, 0, lines};
    return add(LWCTL_TEXT, desc, label);
}

const DrawFuncs* LWPanel::drawFuncs() const {
    return available() ? globPtr->drawFuncs : nullptr;
}

LWPanel* LWPanel::wrapperOf(LWPanelID panel) {
    if (!panel) return nullptr;
    PanelFuncs funcs;
    if (!funcs.available()) return nullptr;
    void* data = nullptr;
    funcs.getGlobal()->get(panel, PAN_USERDATA, &data);
    return static_cast<LWPanel*>(data);
}

// ---- AboutPanel -------------------------------------------------------------------------------

AboutPanel::AboutPanel(const std::string& title, const char** lines, const unsigned char* image,
                       int width, int height)
    : LWPanel(title),
      m_lines(lines),
      m_image(width > 0 && height > 0 ? image : nullptr),
      m_width(m_image ? width : 0),
      m_height(m_image ? height : 0) {
    static const char* const noLines[] = {nullptr};
    if (!m_lines) m_lines = const_cast<const char**>(noLines);
    if (!id()) return;
    if (m_image) {
        m_canvas = canvas("", m_width, m_height);
        m_canvas.setDraw(&PanelControlAdaptor<AboutPanel>::cb_Draw);
    }
    m_text = text("", m_lines);
    if (m_canvas) {
        m_text.MoveBelow(m_canvas, 4);
        const int panelWidth = std::max(getInt(PAN_W), m_text.x() + m_text.width());
        m_canvas.Set(CTL_X, std::max(0, (panelWidth - m_canvas.width()) / 2));
    }
}

int AboutPanel::Open() {
    return open(PANF_BLOCKING | PANF_FRAME);
}

void AboutPanel::controlDraw(PanelControl& control, DrMode) {
    const DrawFuncs* draw = drawFuncs();
    if (!draw || !m_image || control != m_canvas) return;
    const int left = control.x();
    const int top = control.y();
    const int w = control.width();
    const int h = control.height();
    draw->drawRGBBox(id(), 255, 255, 255, left, top, w, h);
    // Stored bottom row first, blue-green-red.
    const int x0 = left + (w - m_width) / 2;
    const int y0 = top + (h - m_height) / 2;
    for (int row = 0; row < m_height; ++row) {
        const unsigned char* p = m_image + static_cast<size_t>(row) * m_width * 3;
        const int y = y0 + m_height - 1 - row;
        for (int x = 0; x < m_width; ++x, p += 3)
            draw->drawRGBPixel(id(), p[2], p[1], p[0], x0 + x, y);
    }
}

}  // namespace vexo
