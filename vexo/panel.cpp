#include "vexo/panel.h"

#include <algorithm>

namespace vexo {

template <>
const char* const GlobalBase<st_LWPanelFuncs>::m_globalName = LWPANELFUNCS_GLOBAL;

// ---- PanelControl -----------------------------------------------------------------------------

void PanelControl::Set(int tag, int value) const {
    if (m_id && available()) globPtr->ctlSetInt(m_id, tag, value);
}

void PanelControl::Set(int tag, void* value) const {
    if (m_id && available()) globPtr->ctlSetPtr(m_id, tag, value);
}

int PanelControl::GetInt(int tag) const {
    return (m_id && available()) ? globPtr->ctlGetInt(m_id, tag) : 0;
}

void* PanelControl::GetPtr(int tag) const {
    return (m_id && available()) ? globPtr->ctlGetPtr(m_id, tag) : nullptr;
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
    if (m_id && available()) globPtr->ctlRedraw(m_id);
}

void PanelControl::setEvent(LWCtlEventFunc* func, void* data) const {
    if (m_id && available()) globPtr->ctlSetEvent(m_id, func, data);
}

void PanelControl::setDraw(LWCtlDrawFunc* func, void* data) const {
    if (m_id && available()) globPtr->ctlSetDraw(m_id, func, data);
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
    m_id = globPtr->create(m_title.c_str(), nullptr);
    m_owns = m_id != nullptr;
    if (m_id) globPtr->setPtr(m_id, PAN_USERDATA, this);
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
    if (m_id && available()) globPtr->close(m_id, result);
}

void LWPanel::redraw(DrMode mode) const {
    if (m_id && available()) globPtr->draw(m_id, mode);
}

int LWPanel::getInt(int attribute) const {
    return (m_id && available()) ? globPtr->getInt(m_id, attribute) : 0;
}

void LWPanel::setInt(int attribute, int value) const {
    if (m_id && available()) globPtr->setInt(m_id, attribute, value);
}

void* LWPanel::userData() const {
    return (m_id && available()) ? globPtr->getPtr(m_id, PAN_USERDATA) : nullptr;
}

void LWPanel::setCallback(int which, void (*func)()) const {
    if (m_id && available()) globPtr->setCallback(m_id, which, func, const_cast<LWPanel*>(this));
}

PanelControl LWPanel::listBox(const char* label, int width, int rows, LWCtlNameFunc* name,
                              LWCtlCountFunc* count, void* data) const {
    if (!m_id || !available()) return PanelControl();
    return PanelControl(globPtr->listBox(m_id, label, width, rows, name, count, data));
}

PanelControl LWPanel::button(const char* label, int width) const {
    if (!m_id || !available()) return PanelControl();
    return PanelControl(globPtr->button(m_id, label, width));
}

PanelControl LWPanel::canvas(const char* label, int width, int height) const {
    if (!m_id || !available()) return PanelControl();
    return PanelControl(globPtr->canvas(m_id, label, width, height));
}

PanelControl LWPanel::text(const char* label, const char** lines) const {
    if (!m_id || !available()) return PanelControl();
    return PanelControl(globPtr->text(m_id, label, lines));
}

const st_LWPanelDrawFuncs* LWPanel::drawFuncs() const {
    return available() ? globPtr->drawFuncs : nullptr;
}

LWPanel* LWPanel::wrapperOf(LWPanelID panel) {
    if (!panel) return nullptr;
    PanelFuncs funcs;
    if (!funcs.available()) return nullptr;
    return static_cast<LWPanel*>(funcs.getGlobal()->getPtr(panel, PAN_USERDATA));
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
        m_canvas.setDraw(&PanelControlAdaptor<AboutPanel>::cb_Draw, this);
    }
    m_text = text("", m_lines);
    if (m_canvas) {
        m_text.MoveBelow(m_canvas, 4);
        const int panelWidth = std::max(getInt(PAN_W), m_text.x() + m_text.width());
        m_canvas.Set(CTL_X, std::max(0, (panelWidth - m_canvas.width()) / 2));
    }
}

int AboutPanel::Open() {
    return open(LWPANF_BLOCKING | LWPANF_FRAME);
}

void AboutPanel::controlDraw(PanelControl& control, DrMode) {
    const st_LWPanelDrawFuncs* draw = drawFuncs();
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
