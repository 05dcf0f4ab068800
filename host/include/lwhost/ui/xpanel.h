// "LWXPanel": headless property panels that the host can drive as a user would.
//
// Plug-ins build panels through the record (create, describe, hint, ...); scripts and tests
// drive them through XPanel: read every value through the plug-in's get function, set values,
// hit buttons, choose pop-up items and commands, ask what is enabled, draw drawn controls into
// images, and print the whole panel as text.
//
// User actions send the change notification with LWXPEVENT_TRACK (1) while a value is being
// dragged, LWXPEVENT_VALUE (2) when a value change is done, and LWXPEVENT_HIT (3) for a button
// hit or a chosen pop-up command; the value ID passed is the control ID.
//
// Plug-in callbacks may call back into the host, even destroy the panel they belong to: a
// destroyed panel stays in memory until the outermost call into the host returns, and every
// action checks after each callback that its panel and control still exist.
// Main thread only.
#pragma once

#include <lwsdk/lwxpanel.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "lwhost/io/image.h"

namespace lwhost {

class Host;
class XPanels;

enum class ValueKind { None, Int, Float, Vector, String, Envelope, Opaque };

const char* valueKindName(ValueKind kind);
// The kind of value a data or control type carries (see lwxpanel.h).
ValueKind valueKindOf(const std::string& type);

// A control's value as the host read it.
struct PanelValue {
    ValueKind kind = ValueKind::None;
    bool present = false;         // false: no value (the get function returned null)
    int i = 0;                    // Int
    double v[3] = {0, 0, 0};      // Float (v[0]), Vector, and Envelope when it could be read
    std::string s;                // String
    void* raw = nullptr;          // Envelope: the parameter ID; Opaque: the pointer as given
    bool envelopeRead = false;    // Envelope: v holds the parameter's value
    bool envelopeVector = false;  // Envelope: three components, not one

    static PanelValue ofInt(int value);
    static PanelValue ofFloat(double value);
    static PanelValue ofVector(double x, double y, double z);
    static PanelValue ofString(const std::string& value);

    // What enable and show rules compare: the int of integer kinds; 1 or 0 for the others
    // (present and not zero or empty, or not).
    int ruleValue() const;
    // "3", "0.5", "(1, 0, 0.5)", "\"text\"", "0.5 (envelope)", "(none)".
    std::string text() const;
};

struct EnableState {
    bool enabled = true;
    std::string message;  // given by the rule that disables the control, if any
};

// One control as the host keeps it.
struct PanelControl {
    unsigned id = 0;
    std::string label;
    std::string type;      // control class
    std::string dataType;  // from the data description; empty when not described
    LWXPanelBtnClickFn* button = nullptr;
    LWXPanelControlDrawFn* draw = nullptr;
    LWXPanelControlZoomFn* zoom = nullptr;
    LWXPanelPopCntFn* popCount = nullptr;  // both get the control's data (setData under id)
    LWXPanelPopNameFn* popName = nullptr;
    bool hasItems = false;  // a fixed string list was given
    std::vector<std::string> items;
    LWXPanelPopCmdFn* popCommand = nullptr;
    Image image;  // the last drawing of a drawn control

    ValueKind kind() const;
    bool clickable() const { return button != nullptr || type == "vButton"; }
    bool isCommand() const { return popCommand != nullptr || type == "vPopCmd"; }
};

// What an int map of a hint says for a source value: the entry, or 0 outside the map.
int mapEntry(const std::vector<int>& map, int value);

// A group, or a stack: a group that shows one member at a time, chosen by a control's value.
struct PanelGroup {
    unsigned id = 0;
    std::string label;
    std::vector<unsigned> members;  // controls and groups, in order
    bool stack = false;
    unsigned source = 0;  // stack: the control whose value chooses
    bool hasMap = false;  // stack: value -> member position through map, else value itself
    std::vector<int> map;
};

// Targets are enabled only while the source's value allows (see XPTAG_ENABLE).
struct PanelRule {
    unsigned source = 0;
    bool hasMap = false;
    std::vector<int> map;
    bool invert = false;
    std::string message;
    std::vector<unsigned> targets;  // controls or groups
};

// A change of the source makes the host read the targets again.
struct PanelLink {
    unsigned source = 0;
    std::vector<unsigned> targets;
};

struct LayoutEntry {
    enum class Kind { Control, GroupBegin, GroupEnd, Divider };
    Kind kind = Kind::Control;
    unsigned id = 0;  // control or group; 0 for a divider
    int depth = 0;    // groups enclosing the entry (stacks do not count)
};

class XPanel {
  public:
    XPanel(XPanels& owner, uintptr_t serial, int type);
    XPanel(const XPanel&) = delete;
    XPanel& operator=(const XPanel&) = delete;

    LWXPanelID id() const { return reinterpret_cast<LWXPanelID>(m_serial); }
    uintptr_t serial() const { return m_serial; }
    int type() const { return m_type; }
    bool isView() const { return m_type == LWXP_VIEW; }
    const std::string& title() const { return m_title; }
    bool isOpen() const { return m_open; }
    bool destroyed() const { return m_destroyed; }

    const std::vector<PanelControl>& controls() const { return m_controls; }
    const PanelControl* control(unsigned cid) const;
    const std::vector<PanelGroup>& groups() const { return m_groups; }
    const PanelGroup* group(unsigned gid) const;
    const std::vector<PanelRule>& rules() const { return m_rules; }
    const std::vector<PanelLink>& links() const { return m_links; }
    int dialogType() const { return m_dialogType; }  // XPTAG_DLOGTYPE, 0 when not given
    void* data(unsigned id) const;
    void* viewInstance() const { return m_instance; }
    bool hasChangeNotify() const { return m_changeNotify != nullptr; }
    bool hasDestroyNotify() const { return m_destroyNotify != nullptr; }
    unsigned refreshCount() const { return m_refreshes; }

    // Visible controls, groups and dividers in layout order.
    std::vector<LayoutEntry> layout();
    // The visible controls' IDs in layout order.
    std::vector<unsigned> layoutOrder();

    // A control's value now: through the get function (view panels) or the host's copy (forms).
    PanelValue value(unsigned cid);
    // Every visible control that carries a value, in layout order.
    std::vector<std::pair<unsigned, PanelValue>> values();
    EnableState enabled(unsigned cid);
    bool visible(unsigned cid);
    // A pop-up's items: the fixed list, or asked afresh from the pop-up functions.
    std::vector<std::string> popupItems(unsigned cid);

    // User actions. Each returns false, with lastError() saying why, when the control is
    // missing, hidden, disabled or cannot take the action.
    bool setValue(unsigned cid, const PanelValue& value, bool dragging = false);
    bool setInt(unsigned cid, int value, bool dragging = false);
    bool setFloat(unsigned cid, double value, bool dragging = false);
    bool setVector(unsigned cid, double x, double y, double z, bool dragging = false);
    bool setString(unsigned cid, const std::string& value);
    bool click(unsigned cid);
    // Pop-up item `index`: the index of an integer pop-up, the item's text for a string
    // control, the command of a command pop-up.
    bool choose(unsigned cid, int index);
    bool chooseCommand(unsigned cid, int index);
    // A click at x, y inside a drawn control (its zoom function).
    bool zoom(unsigned cid, int x, int y, int clickCount = 1);
    // Draws a drawn control at a size (0: its type's default size) into the image the host
    // keeps for it; null when the control has no draw function.
    const Image* draw(unsigned cid, int width = 0, int height = 0);
    const Image* image(unsigned cid) const;
    static std::pair<int, int> defaultDrawSize(const std::string& controlType);

    // Reads every value again, as the host does after a refresh.
    void refresh();
    void open() { m_open = true; }
    void close() { m_open = false; }

    // The panel as text: a header, then one line per visible control in layout order with
    // label, type, value and enabled state; groups indent their members; "----" is a divider.
    std::string print();

    const std::string& lastError() const { return m_lastError; }

  private:
    friend class XPanels;

    PanelControl* findControl(unsigned cid);
    int findGroupIndex(unsigned gid) const;
    void applyHints(unsigned listId, void** hints, int depth = 0);
    // The member a stack shows, or 0 for none.
    unsigned stackShows(unsigned gid);
    void deleteControl(unsigned cid);
    std::map<unsigned, unsigned> parents() const;
    bool covers(const std::map<unsigned, unsigned>& parents, unsigned target, unsigned cid) const;
    bool ruleAllows(const PanelRule& rule);
    void layoutItem(unsigned id, int depth, const std::map<unsigned, unsigned>& parents,
                    std::vector<LayoutEntry>& out, std::vector<unsigned>& path);
    bool fail(const std::string& why);
    bool usable(unsigned cid, const PanelControl*& control);
    // The change notification's answer; LWXPRC_NONE without one.
    LWXPRefreshCode notifyChange(unsigned cid, int event);
    // Reads every value again after an answer other than LWXPRC_NONE.
    void refreshIf(int rc);
    void* formSlot(unsigned cid, ValueKind kind);
    void storeForm(unsigned cid, ValueKind kind, const void* value);

    struct FormSlot {
        int i = 0;
        double v[3] = {0, 0, 0};
        std::string s;
        void* raw = nullptr;
    };

    XPanels& m_owner;
    uintptr_t m_serial;
    int m_type;
    std::string m_title;
    bool m_open = false;
    bool m_destroying = false;
    bool m_destroyed = false;
    std::vector<PanelControl> m_controls;
    std::vector<PanelGroup> m_groups;
    std::vector<unsigned> m_order;
    std::vector<unsigned> m_dividers;
    std::vector<PanelRule> m_rules;
    std::vector<PanelLink> m_links;
    int m_dialogType = 0;
    std::map<unsigned, void*> m_data;
    std::map<unsigned, FormSlot> m_form;
    void* m_instance = nullptr;
    LWXPanelGetFn* m_get = nullptr;
    LWXPanelSetFn* m_set = nullptr;
    LWXPanelChangeNotifyFn* m_changeNotify = nullptr;
    LWXPanelDestroyNotifyFn* m_destroyNotify = nullptr;
    void* m_destroyData = nullptr;  // null: the data under id 0 at the time
    unsigned m_refreshes = 0;
    std::string m_lastError;
};

class XPanels {
  public:
    // Drives a modal panel (post) and returns its result: 1 OK, 0 cancelled. Without one, a
    // posted panel is closed at once as cancelled.
    using ModalDriver = std::function<int(XPanel& panel)>;
    // Reaches the animated parameters behind envelope controls; either may be empty.
    struct EnvelopeAccess {
        std::function<bool(void* parm, double value[3])> read;
        std::function<bool(void* parm, const double value[3])> write;
    };

    explicit XPanels(Host& host);
    // Drops every panel without calling plug-ins: their modules are gone by then.
    ~XPanels();
    XPanels(const XPanels&) = delete;
    XPanels& operator=(const XPanels&) = delete;

    static const st_LWXPanelFuncs* record();
    // The colour of a host colour index (LWXPCOL_*); black for unknown ones.
    static Rgb colour(int index);

    XPanel* find(LWXPanelID id);
    // The most recently created panel still alive, or null.
    XPanel* latest();
    std::vector<LWXPanelID> ids() const;
    size_t size() const { return m_panels.size(); }

    // Destroys a panel as the host does: the destroy notification first, then it is gone.
    bool destroy(LWXPanelID id);
    // The user closes the panel's window: closed, then destroyed.
    bool userClose(LWXPanelID id);

    void setModalDriver(ModalDriver driver) { m_modalDriver = std::move(driver); }
    void setEnvelopeAccess(EnvelopeAccess access) { m_envelopes = std::move(access); }
    const EnvelopeAccess& envelopeAccess() const { return m_envelopes; }

    // Calls plug-ins made of one entry of the record, by its field name ("create", "hint").
    unsigned calls(const std::string& entry) const;
    // Problems met: unknown panels, unknown hint tags, refused hints. At most kMaxErrors kept.
    static constexpr size_t kMaxErrors = 1000;
    const std::vector<std::string>& errors() const { return m_errors; }
    void clearErrors() { m_errors.clear(); }
    void error(const std::string& text);

    // What the record's entries do. IDs above 32 bits name no control and no data.
    LWXPanelID create(int type, const st_LWXPanelControl* controls);
    void pluginDestroy(LWXPanelID panel);
    void describe(LWXPanelID panel, const st_LWXPanelDataDesc* data, LWXPanelGetFn* get,
                  LWXPanelSetFn* set);
    void hint(LWXPanelID panel, unsigned long id, void** hints);
    void* getData(LWXPanelID panel, unsigned long id);
    void setData(LWXPanelID panel, unsigned long id, void* data);
    void viewInst(LWXPanelID panel, void* instance);
    void viewRefresh(LWXPanelID panel);
    void formSet(LWXPanelID panel, unsigned long cid, void* value);
    void* formGet(LWXPanelID panel, unsigned long cid);
    int post(LWXPanelID panel);
    int open(LWXPanelID panel);
    // The image behind a draw region while its draw function runs; null for any other handle.
    Image* drawTarget(LWXPDrAreaID region);

    // Keeps destroyed panels alive until the outermost call that may reach plug-ins returns.
    class Busy {
      public:
        explicit Busy(XPanels& owner) : m_owner(owner) { ++m_owner.m_busy; }
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

      private:
        XPanels& m_owner;
    };

  private:
    friend class XPanel;

    XPanel* known(LWXPanelID panel, const char* entry);
    // Whether an ID from a plug-in fits the host's 32-bit IDs; records the error when not.
    bool fits(unsigned long id, const char* entry);
    static constexpr unsigned long kMaxId = 0xFFFFFFFFul;
    void count(const char* entry) { ++m_calls[entry]; }

    Host& m_host;
    uintptr_t m_nextSerial = 1;
    std::map<uintptr_t, std::unique_ptr<XPanel>> m_panels;
    std::vector<std::unique_ptr<XPanel>> m_graveyard;
    unsigned m_busy = 0;
    std::vector<Image*> m_drawTargets;
    std::map<std::string, unsigned> m_calls;
    std::vector<std::string> m_errors;
    size_t m_droppedErrors = 0;
    ModalDriver m_modalDriver;
    EnvelopeAccess m_envelopes;
};

}  // namespace lwhost
