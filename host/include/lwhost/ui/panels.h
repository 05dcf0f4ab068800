// "LWPanelServices": headless classic panels.
//
// Plug-ins build panels of list boxes, buttons, canvases and text through the record and open
// them; the host draws each panel into an image it keeps (controls first, canvases through
// their draw callbacks, then the panel's draw callback on top) and prints it as text. A
// blocking open runs the user actions queued in Dialogs (clicks on list rows, button presses,
// waits) until a callback closes the panel; with nothing left queued it closes as cancelled.
//
// Panels are handed out as serial numbers, not addresses, so a stale panel ID is found unknown
// instead of read. A control is the address of its record, which the host keeps until it shuts
// down: a stale control ID still points at a record, whose functions find it unknown. A panel
// destroyed inside one of its callbacks stays in memory until the outermost call into the host
// returns. Main thread only.
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
    LWControl* record = nullptr;  // the control's ID; owned by ClassicPanels
    Kind kind = Kind::Button;
    std::string label;  // as given, codes included
    int x = 0, y = 0, w = 0, h = 0;
    int rows = 0;    // list: visible rows
    int value = -1;  // list: the row last clicked
    LWCtlNameFunc* name = nullptr;
    LWCtlCountFunc* count = nullptr;
    LWCtlEventFunc* event = nullptr;
    LWCtlDrawFunc* draw = nullptr;
    void* userData = nullptr;        // the data of every callback of the control
    std::vector<std::string> lines;  // text
    int mouseX = 0, mouseY = 0;

    LWControlID id() const { return record; }
    static const char* kindName(Kind kind);
    // The kind a control-type name (LWCTL_*) makes; false for names the host does not know.
    static bool kindOf(const char* type, Kind& out);
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

    // Attributes as the record's get and set read and write them (see lwpanel.h): get writes an
    // int or a pointer through `out`, set takes the value itself. False for unknown tags.
    bool get(int tag, void* out) const;
    bool set(int tag, void* value);
    void* userData() const { return m_userData; }
    int qualifiers() const { return m_qualifiers; }

    // Draws the whole panel into its image (calls the plug-in's draw callbacks).
    void redraw(DrMode mode = DR_RENDER);
    // Draws one control over the current image (the whole panel when nothing is drawn yet).
    void redrawControl(LWControlID control, DrMode mode = DR_REFRESH);
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
    void drawControl(ClassicControl& c, DrMode mode);
    // The plug-in's callback for a PAN_USER* or PAN_MOUSE* tag, as F; null when none is set.
    template <class F>
    F* callback(int tag) const;

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
    std::map<int, void*> m_callbacks;  // PAN_USER*, PAN_MOUSE* -> function
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

    // The record handed to plug-ins: writable, since user_data and globalFun are theirs.
    st_LWPanelFuncs* record() { return &m_record; }
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
    // Runs the queued actions on an open panel: with LWPANH_BLOCKING until it closes, otherwise
    // until the queue holds nothing for it. 1 while it stays open, 0 once closed, -1 when the
    // panel is unknown or not open.
    int handle(LWPanelID panel, int flags);
    void close(LWPanelID panel, int result);
    LWControlID addControl(LWPanelID panel, ClassicControl control);
    LWControlID nextControl(LWPanelID panel, LWControlID after);
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
    // Runs queued actions on an open panel until it closes or, unless `untilClosed`, until the
    // queue's head is not for it; an empty queue closes it as cancelled only when `untilClosed`.
    void runQueued(ClassicPanel& panel, bool untilClosed);
    // Runs one queued action on the modal panel; false when it ends the loop with an error.
    bool perform(ClassicPanel& panel, const UserAction& action);
    void keepLast(ClassicPanel& panel);

    Host& m_host;
    uintptr_t m_nextSerial = 1;
    std::map<uintptr_t, std::unique_ptr<ClassicPanel>> m_panels;
    std::map<const LWControl*, uintptr_t> m_controlPanels;  // control -> panel serial
    // Every control record ever made: kept so that a stale control ID never dangles.
    std::vector<std::unique_ptr<LWControl>> m_records;
    static const LWControl m_controlTemplate;  // the functions of every control record
    st_LWPanelFuncs m_record;
    DrawFuncs m_drawFuncs;
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
