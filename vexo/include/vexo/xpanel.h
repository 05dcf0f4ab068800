// Panel binding: the "LWXPanel" accessor, a panel wrapper, the handler interface whose virtual
// operations the host's panel callbacks reach, drawing areas and pop-up list providers.
#pragma once

#include <lwsdk/lwxpanel.h>

#include <cstdint>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "vexo/globals.h"
#include "vexo/shield.h"

namespace vexo {

template <>
const char* const GlobalBase<st_LWXPanelFuncs>::m_globalName;

// "LWXPanel".
class XPanelFuncs : public GlobalBase<st_LWXPanelFuncs> {};

// One host panel. Every call is skipped without the global or without a panel. An owning
// wrapper destroys its panel when it goes; a copy owns nothing.
class XPanel : private XPanelFuncs {
  public:
    XPanel() = default;
    // Wraps a panel of someone else's (never destroys it).
    explicit XPanel(LWXPanelID id) : m_id(id) {}
    XPanel(const XPanel& other);
    XPanel& operator=(const XPanel& other);
    ~XPanel() override;

    using XPanelFuncs::available;

    LWXPanelID id() const { return m_id; }
    bool owns() const { return m_owns; }
    // Forgets the panel without destroying it: the host destroyed it.
    void forget();
    const st_LWXPDrawFuncs* drawFuncs() const;

    // Creates a panel of `type` (LWXP_VIEW, LWXP_FORM), first destroying one this wrapper owns.
    // The host only reads the lists handed to create and describe.
    LWXPanelID create(int type, const st_LWXPanelControl* controls, bool owned);
    void destroy();
    void describe(const st_LWXPanelDataDesc* data, LWXPanelGetFn* get, LWXPanelSetFn* set) const;
    void hint(unsigned id, void** hints) const;
    void* getData(unsigned id) const;
    void setData(unsigned id, void* data) const;
    void viewInst(void* instance) const;
    void viewRefresh() const;
    void formSet(unsigned cid, void* value) const;
    void* formGet(unsigned cid) const;
    int post() const;
    int open() const;

    // Typed values through formSet / formGet.
    void setInt(unsigned cid, int value) const;
    void setFloat(unsigned cid, double value) const;
    void setString(unsigned cid, const char* value) const;
    int getInt(unsigned cid, int fallback = 0) const;
    const char* getString(unsigned cid) const;  // null when there is none

    // The data stored under `id` of any panel (null for a null panel).
    static void* dataOf(LWXPanelID panel, unsigned id);

  private:
    LWXPanelID m_id = nullptr;  // null when there is no panel
    bool m_owns = false;
};

class XPDrawArea;

// What a handler with a panel implements; the static callbacks below forward to it.
class XPanelInterface {
  public:
    XPanelInterface() = default;
    // A copy has no panel of its own.
    XPanelInterface(const XPanelInterface&) {}
    XPanelInterface& operator=(const XPanelInterface&) { return *this; }

    virtual void* DataGet(unsigned id);
    virtual int DataSet(unsigned id, void* value);
    virtual void ButtonClick(unsigned id);
    virtual void ChangeNotify(void* panel, unsigned controlId, unsigned valueId, int event);
    virtual void PanelDestroyNotify();
    virtual void ControlDraw(unsigned id, XPDrawArea& area);
    virtual void ControlZoom(unsigned id, int x, int y, int* region, int clickCount);
    virtual LWXPanelID CreateViewXPanel(st_LWXPanelControl* controls, st_LWXPanelDataDesc* data,
                                        void** hints, bool owned);
    // Destroys an owned panel while this object can still take its destroy notification.
    virtual ~XPanelInterface();
    virtual int Interface(int version, st_LWInterface* local, void* serverData);

    XPanel& panel() { return m_panel; }
    const XPanel& panel() const { return m_panel; }

    // Host callbacks. Each finds its handler in handlerOf; without one it does nothing and
    // returns 0. IDs the handler cannot hold (above 32 bits) reach no handler either.
    static void* CB_DataGet(void* instance, unsigned long id);
    static LWXPRefreshCode CB_DataSet(void* instance, unsigned long id, void* value);
    static void LWXPanelDestroyNotifyFunc(void* panelData);
    static LWXPRefreshCode LWXPanelChangeNotifyFunc(LWXPanelID panel, unsigned long controlId,
                                                    unsigned long valueId, int event);
    static void LWXPanelBtnClickFunc(LWXPanelID panel, int controlId);
    static void LWXPanelControlDrawFunc(LWXPanelID panel, unsigned long controlId,
                                        LWXPDrAreaID region, int width, int height);
    static void LWXPanelControlZoomFunc(LWXPanelID panel, unsigned long controlId, int x, int y,
                                        int* region, int clickCount);

    // The handler of a callback: the instance when given, else the data under id 0 of panel.
    static XPanelInterface* handlerOf(LWXPanelID panel, void* instance);

  protected:
    XPanel m_panel;

  private:
    // The label of a text control of the view panel, or null for other values.
    const std::string* textLabel(unsigned id) const;

    // The text values of the view panel and their labels: a text longer than kMaxTextBytes is
    // refused before DataSet sees it.
    std::vector<std::pair<unsigned, std::string>> m_texts;
};

// The area a drawn control's ControlDraw receives. Drawing is clipped to the area.
class XPDrawArea {
  public:
    XPDrawArea(LWXPanelID panel, const st_LWXPDrawFuncs* funcs, LWXPDrawRegion region, int width,
               int height)
        : m_panel(panel), m_funcs(funcs), m_region(region), m_width(width), m_height(height) {}

    XPanel& panel() { return m_panel; }
    const st_LWXPDrawFuncs* funcs() const { return m_funcs; }
    LWXPDrawRegion region() const { return m_region; }
    int width() const { return m_width; }
    int height() const { return m_height; }

    void point(int x, int y, int r, int g, int b) const;
    void box(int x, int y, int w, int h, int r, int g, int b) const;
    // The whole area in one colour.
    void fill(int r, int g, int b) const { box(0, 0, m_width, m_height, r, g, b); }
    // Text with its top left at x, y in a host colour (LWXPCOL_*).
    void text(int x, int y, const char* text, int colour) const;
    // Text whose right edge is `right`.
    void textRight(int right, int y, const char* text, int colour) const;
    int textWidth(const char* text) const;
    int textHeight(const char* text = "") const;

  private:
    XPanel m_panel;  // not owning
    const st_LWXPDrawFuncs* m_funcs;
    LWXPDrawRegion m_region;
    int m_width;
    int m_height;
};

// Lists the items of a pop-up. A pop-up is given PopCount and PopName, which the host calls
// with the control's data: the provider is stored there with setData under the control's ID.
class PopUpCallback {
  public:
    virtual ~PopUpCallback() = default;
    virtual int popCount() = 0;
    virtual const char* popName(int index) = 0;

    // `data` is the PopUpCallback; null yields 0 and null.
    static int PopCount(void* data);
    static const char* PopName(void* data, int index);
    // The same for a control whose data is a T (a PopUpCallback), such as a handler that also
    // takes the control's pop-up commands.
    template <class T>
    static int PopCountOf(void* data) {
        return PopCount(data ? static_cast<PopUpCallback*>(static_cast<T*>(data)) : nullptr);
    }
    template <class T>
    static const char* PopNameOf(void* data, int index) {
        return PopName(data ? static_cast<PopUpCallback*>(static_cast<T*>(data)) : nullptr, index);
    }
};

// A hint list in the host's published encoding, built hint by hint: each hint is its tag and
// exactly the arguments the tag counts (checked when compiled), then the ID list the tag calls
// for (see lwxpanel.h). list() ends it. Texts, maps and string lists are handed over as
// pointers: they must live as long as the panel (the host may keep them), so callers pass
// static arrays. A map is an int array ended by LWXP_MAP_END.
class XPanelHints {
  public:
    using Ids = std::vector<unsigned>;

    // id 0: the panel's title.
    XPanelHints& label(unsigned id, const char* text);
    XPanelHints& title(const char* text) { return label(0, text); }
    XPanelHints& group(unsigned gid, const Ids& members);
    // The listed items first within group gid (0: the panel's top level).
    XPanelHints& order(unsigned gid, const Ids& ids);
    // A divider after each listed item of group gid (0: the top level).
    XPanelHints& dividers(unsigned gid, const Ids& after);
    // The targets are enabled only while the source allows: its value is not 0, or with a map
    // map[value] is not 0. disable() is the reverse rule.
    XPanelHints& enable(unsigned source, const int* map, const char* message, const Ids& targets);
    XPanelHints& disable(unsigned source, const int* map, const char* message, const Ids& targets);
    // Shows the member at position map[value] of the source, or none.
    XPanelHints& stack(unsigned gid, unsigned source, const int* map, const Ids& members);
    // A change of the source makes the host read the targets again.
    XPanelHints& link(unsigned source, const Ids& targets);
    XPanelHints& button(unsigned cid, LWXPanelBtnClickFn* click);
    XPanelHints& draw(unsigned cid, LWXPanelControlDrawFn* draw);
    XPanelHints& zoom(unsigned cid, LWXPanelControlZoomFn* zoom);
    XPanelHints& popUp(unsigned cid, LWXPanelPopCntFn* count, LWXPanelPopNameFn* name);
    // A null-ended array of texts.
    XPanelHints& strings(unsigned cid, const char* const* texts);
    XPanelHints& popCommand(unsigned cid, LWXPanelPopCmdFn* command);
    XPanelHints& remove(unsigned cid);
    XPanelHints& changeNotify(LWXPanelChangeNotifyFn* notify);
    // `notify` gets `data`, or the panel's data under id 0 when data is null.
    XPanelHints& destroyNotify(LWXPanelDestroyNotifyFn* notify, void* data = nullptr);

    // The list, ended by XPTAG_END; valid until the next hint is added.
    void** list();

  private:
    template <unsigned Tag, class... Args>
    XPanelHints& add(const Ids* ids, Args... args) {
        static_assert(sizeof...(Args) == LWXP_TAG_ARGS(Tag), "the tag counts other arguments");
        if (m_ended) m_items.pop_back();  // the end comes after the new hint
        m_ended = false;
        m_items.push_back(item(Tag));
        (m_items.push_back(item(args)), ...);
        if (LWXP_TAG_LIST(Tag)) {
            if (ids)
                for (unsigned id : *ids) m_items.push_back(item(id));
            m_items.push_back(nullptr);
        }
        return *this;
    }
    static void* item(unsigned long n) {
        return reinterpret_cast<void*>(static_cast<uintptr_t>(n));
    }
    static void* item(unsigned n) { return item(static_cast<unsigned long>(n)); }
    static void* item(int n) { return reinterpret_cast<void*>(static_cast<intptr_t>(n)); }
    static void* item(const void* p) { return const_cast<void*>(p); }
    template <class R, class... A>
    static void* item(R (*fn)(A...)) {
        return reinterpret_cast<void*>(fn);
    }

    std::vector<void*> m_items;
    bool m_ended = false;  // m_items ends with XPTAG_END
};

// Forwards a command pop-up's choice to the handler stored (as a T*) under the control's ID.
template <class T>
class PopCmdCallback {
  public:
    virtual ~PopCmdCallback() = default;

    static void PopCommand(void* panel, int controlId, int command) {
        shield(Dialog{"PopCmdCallback::PopCommand()"}, [&] {
            void* data = XPanel::dataOf(panel, static_cast<unsigned>(controlId));
            if (T* handler = static_cast<T*>(data)) handler->popCommand(controlId, command);
        });
    }
};

}  // namespace vexo
