// "LWPanelServices": headless classic panels.
//
// Plug-ins build panels of list boxes, buttons, canvases and text through the record and open
// them; the host draws each panel into an image it keeps (controls first, canvases through
// their draw callbacks, then the panel's draw callback on top) and prints it as text. A
// blocking open runs the user actions queued in Dialogs (clicks on list rows, button presses,
// waits) until a callback closes the panel; with nothing left queued it closes as cancelled.
//
// Panels and controls are handed out as serial numbers, not addresses: a stale ID reaching
// the host is found unknown instead of read. A panel destroyed inside one of its callbacks
// stays in memory until the outermost call into the host returns. Main thread only.
#pragma once

#include <lwsdk/lwpanel.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lwhost/io/image.h"

namespace lwhost {

class Host;
class ClassicPanels;
struct UserAction;

struct ClassicControl {
    enum class Kind { List, Button, Canvas, Text };
    uintptr_t serial = 0;
    Kind kind = Kind::Button;
    std::string label;  // as given, codes included
    int x = 0, y = 0, w = 0, h = 0;
    int rows = 0;    // list: visible rows
    int value = -1;  // list: the row last clicked
    LWCtlNameFunc* name = nullptr;
    LWCtlCountFunc* count = nullptr;
    void* listData = nullptr;
    LWCtlEventFunc* event = nullptr;
    void* eventData = nullptr;
    LWCtlDrawFunc* draw = nullptr;
    void* drawData = nullptr;
    void* userData = nullptr;
    std::vector<std::string> lines;  // text
    int mouseX = 0, mouseY = 0;

    LWControlID id() const { return reinterpret_cast<LWControlID>(serial); }
    static const char* kindName(Kind kind);
};

class ClassicPanel {
  public:
    ClassicPanel(ClassicPanels& owner, uintptr_t serial, std::string title);
    ClassicPanel(const ClassicPanel&) = delete;
    ClassicPanel& operator=(const ClassicPanel&) = delete;

    LWPanelID id() const { return reinterpret_cast<LWPanelID>(m_serial); }
    const std::string& title() const { return m_title; }
    bool isOpen() const { return m_open; }
    bool destroyed() const { return m_destroyed; }
    int openFlags() const { return m_flags; }
    int result() const { return m_result; }
    int width() const;
    int height() const;
    const std::vector<ClassicControl>& controls() const { return m_controls; }
    ClassicControl* control(LWControlID id);
    // A control of a kind by its label with inline codes stripped; null when none.
    ClassicControl* findControl(ClassicControl::Kind kind, const std::string& label);
    // A list's rows as the plug-in gives them now (codes included).
    std::vector<std::string> rows(const ClassicControl& list);

    // Attributes as the record reads and writes them (PAN_*); false for unknown ones.
    bool getInt(int attribute, int& out) const;
    bool setInt(int attribute, int value);
    bool getPtr(int attribute, void*& out) const;
    bool setPtr(int attribute, void* value);
    bool setCallback(int which, void (*func)(void), void* data);
    void* userData() const { return m_userData; }
    int qualifiers() const { return m_qualifiers; }

    // Draws the whole panel into its image (calls the plug-in's draw callbacks).
    void redraw(int drawMode = LWDR_REFRESH);
    // Draws one control over the current image (the whole panel when nothing is drawn yet).
    void redrawControl(LWControlID control);
    const Image& image() const { return m_image; }

    // User actions; each returns false with lastError() saying why.
    bool clickRow(const std::string& list, int row, int qualifiers);
    bool clickRow(const std::string& list, const std::string& row, int qualifiers);
    bool press(const std::string& button);
    void mouseButton(int qualifiers, int x, int y);
    void keyDown(unsigned short key);

    // The panel as text: title and state, then each control; list rows without their codes,
    // highlighted rows marked with '*'.
    std::string print();
    const std::string& lastError() const { return m_lastError; }

  private:
    friend class ClassicPanels;

    bool fail(const std::string& why);
    void fireEvent(ClassicControl& c, int qualifiers);
    void drawControl(ClassicControl& c, int drawMode);

    struct Callback {
        void (*func)(void) = nullptr;
        void* data = nullptr;
    };

    ClassicPanels& m_owner;
    uintptr_t m_serial;
    std::string m_title;
    bool m_open = false;
    bool m_modal = false;
    bool m_destroyed = false;
    int m_flags = 0;
    int m_result = LWPAN_CANCELLED;
    int m_x = 0, m_y = 0, m_w = 0, m_h = 0;  // w, h: 0 grows with the controls
    void* m_userData = nullptr;
    int m_qualifiers = 0;
    int m_mouseX = 0, m_mouseY = 0;
    std::map<int, Callback> m_callbacks;
    std::vector<ClassicControl> m_controls;
    Image m_image;
    std::string m_lastError;
};

class ClassicPanels {
  public:
    explicit ClassicPanels(Host& host);
    // Drops every panel without calling plug-ins: their modules are gone by then.
    ~ClassicPanels();
    ClassicPanels(const ClassicPanels&) = delete;
    ClassicPanels& operator=(const ClassicPanels&) = delete;

    static const st_LWPanelFuncs* record();
    Host& host() { return m_host; }

    ClassicPanel* find(LWPanelID id);
    // The control and the panel holding it; null when either is unknown.
    ClassicControl* findControl(LWControlID id, ClassicPanel** panel = nullptr);
    // The most recently created panel still alive, or null.
    ClassicPanel* latest();
    // The modal panel running queued actions now (innermost), or null.
    ClassicPanel* modal();
    size_t size() const { return m_panels.size(); }

    // The last drawing and text of the most recently drawn panel, kept after it is destroyed.
    const Image& lastImage() const { return m_lastImage; }
    const std::string& lastTitle() const { return m_lastTitle; }
    std::string lastPrint() const { return m_lastPrint; }

    // Problems met: unknown panels or controls, drawing outside a draw callback.
    static constexpr size_t kMaxErrors = 1000;
    const std::vector<std::string>& errors() const { return m_errors; }
    void error(const std::string& text);

    // What the record's entries do.
    LWPanelID create(const char* title);
    void destroy(LWPanelID panel);
    int open(LWPanelID panel, int flags);
    void close(LWPanelID panel, int result);
    LWControlID addControl(LWPanelID panel, ClassicControl control);
    // The image a drawing function paints into, or null outside a draw callback of the panel.
    Image* drawTarget(LWPanelID panel);

    class Busy {
      public:
        explicit Busy(ClassicPanels& owner) : m_owner(owner) { ++m_owner.m_busy; }
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

      private:
        ClassicPanels& m_owner;
    };

  private:
    friend class ClassicPanel;

    int runModal(ClassicPanel& panel);
    // Runs one queued action on the modal panel; false when it ends the loop with an error.
    bool perform(ClassicPanel& panel, const UserAction& action);
    void keepLast(ClassicPanel& panel);

    Host& m_host;
    uintptr_t m_nextSerial = 1;
    std::map<uintptr_t, std::unique_ptr<ClassicPanel>> m_panels;
    std::map<uintptr_t, uintptr_t> m_controlPanels;  // control serial -> panel serial
    std::vector<std::unique_ptr<ClassicPanel>> m_graveyard;
    std::vector<uintptr_t> m_modal;
    std::vector<uintptr_t> m_drawing;  // panels inside a draw callback
    unsigned m_busy = 0;
    Image m_lastImage;
    std::string m_lastTitle;
    std::string m_lastPrint;
    std::vector<std::string> m_errors;
};

}  // namespace lwhost
