// Classic panels ("LWPanelServices"): a panel wrapper, a control wrapper, the callback
// interfaces a panel's handler implements and the trampolines that reach them, and the About
// panel.
//
// A panel's user data is its LWPanel wrapper; the handler of a callback is that wrapper cast to
// the handler class T (which derives from LWPanel). Every control the wrapper adds keeps its own
// ID as its user data, so that the list callbacks, which get only that, can find the control,
// its panel and so the handler.
#pragma once

#include <lwsdk/lwpanel.h>

#include <exception>
#include <string>

#include "vexo/adaptor.h"
#include "vexo/globals.h"

namespace vexo {

template <>
const char* const GlobalBase<st_LWPanelFuncs>::m_globalName;

// "LWPanelServices".
class PanelFuncs : public GlobalBase<st_LWPanelFuncs> {};

using DrMode = ::DrMode;

// One control, through the functions of its own record. Every call is skipped without a
// control.
class PanelControl {
  public:
    PanelControl() = default;
    explicit PanelControl(LWControlID id) : m_id(id) {}

    LWControlID id() const { return m_id; }
    explicit operator bool() const { return m_id != nullptr; }
    bool operator==(const PanelControl& o) const { return m_id == o.m_id; }
    bool operator!=(const PanelControl& o) const { return m_id != o.m_id; }

    // Attributes by tag (CTL_*). GetPtr also reads texts (CTL_LABEL).
    void Set(int tag, int value) const;
    void Set(int tag, void* value) const;
    int GetInt(int tag) const;
    void* GetPtr(int tag) const;
    std::string label() const;

    int x() const { return GetInt(CTL_X); }
    int y() const { return GetInt(CTL_Y); }
    int width() const { return GetInt(CTL_W); }
    int height() const { return GetInt(CTL_H); }
    void moveTo(int x, int y) const;
    // Left edge on other's, top edge `gap` under other's bottom edge.
    void MoveBelow(const PanelControl& other, int gap) const;
    // Top edge on other's, left edge `gap` right of other's right edge.
    void MoveRightOf(const PanelControl& other, int gap) const;

    // The panel holding the control (null when unknown).
    LWPanelID panel() const;
    void redraw() const;
    // The callbacks; each gets the control and its user data.
    void setEvent(LWCtlEventFunc* func) const;
    void setDraw(LWCtlDrawFunc* func) const;

  private:
    void set(int tag, LWValue& value) const;
    LWValue get(int tag) const;

    LWControlID m_id = nullptr;
};

// One panel. An owning wrapper destroys its panel when it goes; a wrapper made from an ID owns
// nothing. The panel's user data is the wrapper that created it.
class LWPanel : protected PanelFuncs {
  public:
    LWPanel() = default;
    explicit LWPanel(LWPanelID id) : m_id(id) {}
    // Creates the panel.
    explicit LWPanel(const std::string& title);
    LWPanel(const LWPanel&) = delete;
    LWPanel& operator=(const LWPanel&) = delete;
    ~LWPanel() override;

    using PanelFuncs::available;

    LWPanelID id() const { return m_id; }
    const std::string& title() const { return m_title; }
    bool owns() const { return m_owns; }

    // Creates a panel titled `title`, first destroying one this wrapper owns; null when the
    // host lacks the service or refuses.
    LWPanelID create(const std::string& title);
    void destroy();

    // Opens with PANF_* flags; see st_LWPanelFuncs::open. 0 without a panel.
    int open(int flags) const;
    // Closes with `result` (LWPAN_OK or LWPAN_CANCELLED) as the result of a blocking open.
    void close(int result) const;
    void redraw(DrMode mode = DR_RENDER) const;

    int getInt(int attribute) const;
    void setInt(int attribute, int value) const;
    void* userData() const;
    int qualifiers() const { return getInt(PAN_QUALIFIERS); }

    // Controls, each with its own ID as user data; empty when the panel or the host refuses.
    PanelControl listBox(const char* label, int width, int rows, LWCtlNameFunc* name,
                         LWCtlCountFunc* count) const;
    PanelControl button(const char* label, int width = 0) const;
    PanelControl canvas(const char* label, int width, int height) const;
    PanelControl text(const char* label, const char** lines) const;

    const DrawFuncs* drawFuncs() const;

    // The panel wrapper stored as the panel's user data (null when none).
    static LWPanel* wrapperOf(LWPanelID panel);

    // Installs a panel callback (PAN_USER*, PAN_MOUSE*); its data is the panel's user data,
    // this wrapper.
    void setCallback(int tag, void (*func)()) const;

  private:
    PanelControl add(const char* type, ControlDesc& desc, const char* label) const;

    LWPanelID m_id = nullptr;
    std::string m_title;
    bool m_owns = false;
};

// What a panel's handler implements; every operation does nothing by default.
class LWPanelCallbacks {
  public:
    virtual ~LWPanelCallbacks() = default;
    virtual void panelDraw(const LWPanel&, DrMode) {}
    virtual void panelActivate(const LWPanel&) {}
    virtual void panelOpen(const LWPanel&) {}
    virtual void panelClose(const LWPanel&) {}
    virtual void panelMouseButton(const LWPanel&, int /*qualifiers*/, int /*x*/, int /*y*/) {}
    virtual void panelMouseMove(const LWPanel&, int /*qualifiers*/, int /*x*/, int /*y*/) {}
    virtual void panelKeyDown(const LWPanel&, unsigned short /*key*/) {}
    virtual void panelKeyUp(const LWPanel&, unsigned short /*key*/) {}
};

// What the handler of a panel's controls implements.
class LWPanelControlCallBacks {
  public:
    virtual ~LWPanelControlCallBacks() = default;
    virtual void controlEvent(PanelControl&) {}
    virtual int controlCount(PanelControl) { return 0; }
    virtual const char* controlName(PanelControl, int /*index*/) { return ""; }
    virtual void controlDraw(PanelControl&, DrMode) {}
};

// The handler of `panel`: its user data as a T, or null.
template <class T>
T* getEventHandler(LWPanelID panel) {
    return dynamic_cast<T*>(LWPanel::wrapperOf(panel));
}

namespace detail {

// Runs `call` on the handler behind `data` (a panel wrapper) inside the frame's exception
// shield; nothing without a handler.
template <class T, class Call>
void panelCall(void* data, const char* where, Call&& call) {
    T* handler = data ? dynamic_cast<T*>(static_cast<LWPanel*>(data)) : nullptr;
    if (!handler) return;
    shield(Dialog{where}, [&] { call(*handler); });
}

}  // namespace detail

// Panel callbacks: `data` is the panel's user data, the wrapper.
template <class T>
void cb_PanDraw(LWPanelID, void* data, DrMode mode) {
    detail::panelCall<T>(data, "LWPanelCallbacks::panelDraw()",
                         [&](T& h) { h.panelDraw(h, mode); });
}
template <class T>
void cb_PanActivate(LWPanelID, void* data) {
    detail::panelCall<T>(data, "LWPanelCallbacks::panelActivate()",
                         [](T& h) { h.panelActivate(h); });
}
template <class T>
void cb_PanOpen(LWPanelID, void* data) {
    detail::panelCall<T>(data, "LWPanelCallbacks::panelOpen()", [](T& h) { h.panelOpen(h); });
}
template <class T>
void cb_PanClose(LWPanelID, void* data) {
    detail::panelCall<T>(data, "LWPanelCallbacks::panelClose()", [](T& h) { h.panelClose(h); });
}
template <class T>
void cb_PanMouseButton(LWPanelID, void* data, int qualifiers, int x, int y) {
    detail::panelCall<T>(data, "LWPanelCallbacks::panelMouseButton()",
                         [&](T& h) { h.panelMouseButton(h, qualifiers, x, y); });
}
template <class T>
void cb_PanMouseMove(LWPanelID, void* data, int qualifiers, int x, int y) {
    detail::panelCall<T>(data, "LWPanelCallbacks::panelMouseMove()",
                         [&](T& h) { h.panelMouseMove(h, qualifiers, x, y); });
}
template <class T>
void cb_PanKeyDown(LWPanelID, void* data, unsigned short key) {
    detail::panelCall<T>(data, "LWPanelCallbacks::panelKeyDown()",
                         [&](T& h) { h.panelKeyDown(h, key); });
}
template <class T>
void cb_PanKeyUp(LWPanelID, void* data, unsigned short key) {
    detail::panelCall<T>(data, "LWPanelCallbacks::panelKeyUp()",
                         [&](T& h) { h.panelKeyUp(h, key); });
}

// Control callbacks. The event and draw callbacks get the control; the list callbacks get the
// control's user data, which LWPanel makes the control's own ID.
template <class T>
struct PanelControlAdaptor {
    static void cb_Event(LWControlID control, void*) {
        call(control, "LWPanelControlCallBacks::controlEvent()", [&](T& h) {
            PanelControl c(control);
            h.controlEvent(c);
        });
    }
    static void cb_Draw(LWControlID control, void*, DrMode mode) {
        call(control, "LWPanelControlCallBacks::controlDraw()", [&](T& h) {
            PanelControl c(control);
            h.controlDraw(c, mode);
        });
    }
    static int cb_Count(void* data) {
        int count = 0;
        const PanelControl c(static_cast<LWControlID>(data));
        call(c.id(), "LWPanelControlCallBacks::controlCount()",
             [&](T& h) { count = h.controlCount(c); });
        return count;
    }
    // The host's name functions return char*; the text stays the handler's.
    static char* cb_Name(void* data, int index) {
        const char* name = nullptr;
        const PanelControl c(static_cast<LWControlID>(data));
        call(c.id(), "LWPanelControlCallBacks::controlName()",
             [&](T& h) { name = h.controlName(c, index); });
        return const_cast<char*>(name ? name : "");
    }

  private:
    template <class Call>
    static void call(LWControlID control, const char* where, Call&& body) {
        if (!control) return;
        const LWPanelID panel = PanelControl(control).panel();
        T* handler = getEventHandler<T>(panel);
        if (!handler) return;
        shield(Dialog{where}, [&] { body(*handler); });
    }
};

// Installs every panel callback of T on `panel`, with the wrapper as data.
template <class T>
void installPanelCallbacks(const LWPanel& panel) {
    using Fn = void (*)();
    panel.setCallback(PAN_USERDRAW, reinterpret_cast<Fn>(&cb_PanDraw<T>));
    panel.setCallback(PAN_USEROPEN, reinterpret_cast<Fn>(&cb_PanOpen<T>));
    panel.setCallback(PAN_USERCLOSE, reinterpret_cast<Fn>(&cb_PanClose<T>));
    panel.setCallback(PAN_USERACTIVATE, reinterpret_cast<Fn>(&cb_PanActivate<T>));
    panel.setCallback(PAN_MOUSEBUTTON, reinterpret_cast<Fn>(&cb_PanMouseButton<T>));
    panel.setCallback(PAN_MOUSEMOVE, reinterpret_cast<Fn>(&cb_PanMouseMove<T>));
    panel.setCallback(PAN_USERKEYS, reinterpret_cast<Fn>(&cb_PanKeyDown<T>));
    panel.setCallback(PAN_USERKEYUPS, reinterpret_cast<Fn>(&cb_PanKeyUp<T>));
}

// A modal panel showing text lines and, optionally, an image above them. The image is stored
// bottom row first, three bytes per pixel in the order blue, green, red. Lines and image stay
// the caller's and must outlive the panel.
class AboutPanel : public LWPanel, public LWPanelControlCallBacks {
  public:
    AboutPanel(const std::string& title, const char** lines, const unsigned char* image = nullptr,
               int width = 0, int height = 0);

    // Opens modally; the host's result (LWPAN_OK or LWPAN_CANCELLED), 0 without a panel.
    int Open();

    void controlDraw(PanelControl& control, DrMode mode) override;

    const PanelControl& canvasControl() const { return m_canvas; }
    const PanelControl& textControl() const { return m_text; }

  private:
    const char** m_lines;
    const unsigned char* m_image;
    int m_width;
    int m_height;
    PanelControl m_canvas;
    PanelControl m_text;
};

}  // namespace vexo
