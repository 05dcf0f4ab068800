// What the nodes that confine something by a chosen filter (the filter node, the light group
// node) share: one filter object per kind for the node's whole life, so that switching "Filter
// by" keeps each filter's settings; the current filter; "Pass Through"; the "Filter by" pop-up
// and the panel rules that follow it, both derived from the node's table of choices; the items
// the current filter uses; the picker button; and the "PassThrough", "FilterType" and "Filter"
// blocks.
//
// The node names its table, its controls and its renumbering rule as static members (see
// FilterNode and LightGroupNode). Everything here runs on the main thread; the node's Evaluate
// reads steppedFilter() and passThrough() on render threads.
//
// A panel change takes effect at the next step: render threads evaluate the filter that was
// current at the last NewTime (or load), with the selection that step built, so "Filter by"
// changes nothing they read until the host steps the node again.
#pragma once

#include <lwsdk/lwio.h>
#include <lwsdk/lwxpanel.h>
#include <vexo/node.h>
#include <vexo/persistence.h>
#include <vexo/utility.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <set>
#include <vector>

#include "logo.h"

// What a kind of filter shows and allows in its node's panel.
enum FilterUses : unsigned {
    kUsesText = 1u << 0,       // the "Filter" text and its group
    kUsesPick = 1u << 1,       // "Pick..." is enabled
    kUsesChildren = 1u << 2,   // "Include Children" is enabled
    kUsesWeightMap = 1u << 3,  // the weight-map group is shown instead of the text group
};

// One entry of a node's "Filter by" pop-up; the node's table lists them in pop-up order.
template <class Node, class F>
struct FilterChoice {
    unsigned type;      // stored in the "FilterType" block and keying the filters; 0 is none
    const char* label;  // the pop-up text
    unsigned uses;      // FilterUses
    vexo::Reference<F> (*make)(Node* node);  // null for none
};

// Makes the filter of a choice.
template <class Node, class F, class Kind>
vexo::Reference<F> makeFilter(Node* node) {
    return vexo::makeReference<Kind>(node);
}
template <class Node, class F, class Kind>
vexo::Reference<F> makeOwnerlessFilter(Node*) {
    return vexo::makeReference<Kind>();
}

// Which filters learn of items the host renumbered.
enum class Renumbering { CurrentFilter, EveryFilter };

// The panel controls the hosting code answers or refers to.
struct FilterControls {
    unsigned filterBy, passThrough, text, pick, logo, about;
};

// The panel rules of an owner of filters, derived from its table of choices and its controls
// (Owner::kChoices, kChoiceCount, kControls): the filter hosting nodes and the global light
// group share them.
template <class Owner, class F>
struct FilterPanelHints {
    using Choice = FilterChoice<Owner, F>;

    // `tag` (LWXPT_SHOW_IN, LWXPT_ENABLE_IN, LWXPT_DISABLE_IN) on the pop-up positions whose
    // choice passes `chosen`, for `targets`. SHOW_IN takes no message.
    template <class Pred>
    static void appendRule(std::vector<void*>& hints, unsigned tag, const char* message,
                           Pred chosen, std::initializer_list<unsigned> targets) {
        hints.push_back(LWXP_INT(tag));
        hints.push_back(LWXP_INT(Owner::kControls.filterBy));
        if (tag != LWXPT_SHOW_IN) hints.push_back(LWXP_TEXT(message));
        std::vector<void*> values;
        for (unsigned i = 0; i < Owner::kChoiceCount; ++i)
            if (chosen(Owner::kChoices[i])) values.push_back(LWXP_INT(i));
        hints.push_back(LWXP_INT(values.size()));
        hints.insert(hints.end(), values.begin(), values.end());
        for (unsigned target : targets) hints.push_back(LWXP_INT(target));
        hints.push_back(LWXP_INT(0));
    }
    static bool isNone(const Choice& c) { return c.make == nullptr; }

    // The rules every hosting panel has, after the owner's own layout and rules: "Filter" and
    // "Pick..." need a filter, "Pick..." a filter with a picker; a change of "Filter by" refreshes
    // `refreshed`; the pop-up's texts; the buttons and the logo. The modelling application has
    // no scene to pick from, so no "Pick...". Ends the list.
    static void append(std::vector<void*>& hints, std::initializer_list<unsigned> refreshed) {
        const FilterControls& c = Owner::kControls;
        appendRule(hints, LWXPT_DISABLE_IN, nullptr, isNone, {c.text, c.pick});
        appendRule(hints, LWXPT_ENABLE_IN, nullptr,
                   [](const Choice& k) { return k.uses & kUsesPick; }, {c.pick});
        hints.push_back(LWXP_INT(LWXPT_REFRESH_ON));
        hints.push_back(LWXP_INT(c.filterBy));
        for (unsigned target : refreshed) hints.push_back(LWXP_INT(target));
        hints.push_back(LWXP_INT(0));
        hints.push_back(LWXP_INT(LWXPT_STRING_LIST));
        hints.push_back(LWXP_INT(c.filterBy));
        for (unsigned i = 0; i < Owner::kChoiceCount; ++i)
            hints.push_back(LWXP_TEXT(Owner::kChoices[i].label));
        hints.push_back(nullptr);
        using Panel = vexo::XPanelInterface;
        const void* tail[] = {LWXP_INT(LWXPT_BUTTON_NOTIFY),
                              LWXP_INT(c.pick),
                              LWXP_FUNC(&Panel::LWXPanelBtnClickFunc),
                              LWXP_INT(LWXPT_BUTTON_NOTIFY),
                              LWXP_INT(c.about),
                              LWXP_FUNC(&showAbout),
                              LWXP_INT(LWXPT_DRAW_FUNC),
                              LWXP_INT(c.logo),
                              LWXP_FUNC(&Panel::LWXPanelControlDrawFunc)};
        for (const void* hint : tail) hints.push_back(const_cast<void*>(hint));
        if (vexo::LightWave::isModeler()) {
            hints.push_back(LWXP_INT(LWXPT_DELETE));
            hints.push_back(LWXP_INT(c.pick));
        }
        hints.push_back(LWXP_INT(LWXPT_END));
    }
};

template <class Node, class F>
class FilterHostingNode : public vexo::XPanelNodeHandler {
  public:
    using Choice = FilterChoice<Node, F>;

    // The stored type at a pop-up position and back; none and position 0 for anything unknown.
    static unsigned typeOfPopup(unsigned index) {
        return index < Node::kChoiceCount ? Node::kChoices[index].type : 0;
    }
    static unsigned popupOfType(unsigned type) {
        for (unsigned i = 0; i < Node::kChoiceCount; ++i)
            if (Node::kChoices[i].type == type) return i;
        return 0;
    }

    const char* NewTime(int frame, double time) override {
        vexo::XPanelNodeHandler::NewTime(frame, time);
        if (F* current = m_current.get()) current->NewTime(frame, time);
        m_stepped = m_current.get();
        return nullptr;
    }

    // The current filter's items, null-terminated; the array lives until the next call.
    const LWItemID* UseItems() override {
        std::set<LWItemID> used;
        if (F* current = m_current.get()) current->UseItems(used);
        m_usedItems.assign(used.begin(), used.end());
        m_usedItems.push_back(LWITEM_NULL);
        return m_usedItems.data();
    }

    // Pairs (old, new) up to an old ID of none; a later pair for the same ID wins.
    void ChangeID(const LWItemID* pairs) override {
        if (!pairs) return;
        if (Node::kRenumbering == Renumbering::CurrentFilter && !m_current) return;
        std::map<LWItemID, LWItemID> ids;
        for (const LWItemID* pair = pairs; pair[0]; pair += 2) ids[pair[0]] = pair[1];
        if (Node::kRenumbering == Renumbering::CurrentFilter) {
            m_current->ChangeID(ids);
        } else {
            // A list that is not shown now must still name the right items when chosen again.
            for (auto& entry : m_filters) entry.second->ChangeID(ids);
        }
    }

    void* DataGet(unsigned id) override {
        if (id == Node::kControls.filterBy)
            return intValue(static_cast<int>(popupOfType(m_filterType)));
        if (id == Node::kControls.passThrough) return intValue(m_passThrough ? 1 : 0);
        return m_current ? m_current->DataGet(id) : nullptr;
    }

    int DataSet(unsigned id, void* value) override {
        if (id == Node::kControls.filterBy) {
            if (value) m_filterType = typeOfPopup(static_cast<unsigned>(*static_cast<int*>(value)));
            selectFilter();
            return 1;
        }
        if (id == Node::kControls.passThrough) {
            m_passThrough = value && *static_cast<int*>(value) != 0;
            return 1;
        }
        return m_current ? m_current->DataSet(id, value) : 1;
    }

    void ButtonClick(unsigned id) override {
        if (id == Node::kControls.pick && selectFilter()) m_current->DisplayPicker(m_panel);
    }

    void ControlDraw(unsigned id, vexo::XPDrawArea& area) override {
        if (id == Node::kControls.logo) drawLogo(area);
    }

    // "PassThrough", the node's own blocks, "FilterType", and the current filter nested in
    // "Filter" (nothing to nest without one).
    const char* Save(const vexo::SaveState& state) override {
        state.writeU1Blk(kPassThroughBlock, m_passThrough ? 1 : 0);
        SaveSettings(state);
        state.writeU4Blk(kFilterTypeBlock, m_filterType);
        return selectFilter() ? state.WriteItem(kFilterBlock, *m_current, false) : nullptr;
    }

    // Blocks of the node's table in any order; fields no block sets keep their values. The
    // result is that of the last filter read.
    const char* Load(const vexo::LoadState& state) override {
        const char* result = nullptr;
        while (const LWID id = state.findBlk(m_blocks)) {
            uint8_t flag = 0;
            if (id == kPassThroughBlock.id) {
                if (state.readU1(flag)) m_passThrough = flag == 1;
            } else if (id == kFilterTypeBlock.id) {
                if (state.readU4(m_filterType) && selectFilter()) FilterTypeLoaded(*m_current);
            } else if (id == kFilterBlock.id) {
                // The first failure stands: a later block read well does not hide it.
                const char* read = m_current ? state.read(*m_current) : nullptr;
                if (!result) result = read;
            } else {
                LoadSetting(state, id, result);
            }
            state.endBlk();
        }
        m_stepped = m_current.get();
        return result;
    }

    // Makes the filter of the filter type current; whether there is one.
    bool selectFilter() {
        auto it = m_filters.find(m_filterType);
        m_current = it == m_filters.end() ? vexo::Reference<F>() : it->second;
        return static_cast<bool>(m_current);
    }

    unsigned filterType() const { return m_filterType; }
    bool passThrough() const { return m_passThrough; }
    F* currentFilter() const { return m_current.get(); }
    // The filter render threads evaluate: the current one as of the last step or load.
    F* steppedFilter() const { return m_stepped; }
    F* filter(unsigned type) const {
        auto it = m_filters.find(type);
        return it == m_filters.end() ? nullptr : it->second.get();
    }

  protected:
    // `blocks` is the node's block table, which lists the three blocks above among its own.
    FilterHostingNode(void* context, const st_LWBlockIdent* blocks)
        : vexo::XPanelNodeHandler(context), m_blocks(blocks) {}
    ~FilterHostingNode() override { releaseFilters(); }

    // Copies the hosting state; each filter is copied by the node's copyFilter.
    FilterHostingNode& operator=(const FilterHostingNode& other) {
        vexo::XPanelNodeHandler::operator=(other);
        m_filterType = other.m_filterType;
        m_passThrough = other.m_passThrough;
        m_current.reset();
        std::map<unsigned, vexo::Reference<F>> copies;
        for (const auto& entry : other.m_filters)
            copies[entry.first] = static_cast<Node&>(*this).copyFilter(*entry.second);
        m_filters.swap(copies);
        selectFilter();
        m_stepped = m_current.get();
        return *this;
    }

    // One filter per choice of the table, made in table order; selects the current one.
    void makeFilters(Node* node) {
        for (unsigned i = 0; i < Node::kChoiceCount; ++i)
            if (Node::kChoices[i].make)
                m_filters[Node::kChoices[i].type] = Node::kChoices[i].make(node);
        selectFilter();
        m_stepped = m_current.get();
    }
    void releaseFilters() {
        m_stepped = nullptr;
        m_current.reset();
        m_filters.clear();
    }
    template <class Visit>
    void forEachFilter(Visit&& visit) {
        for (auto& entry : m_filters) visit(*entry.second);
    }

    // Hooks of Save and Load for the node's own blocks.
    virtual void SaveSettings(const vexo::SaveState&) {}
    virtual void LoadSetting(const vexo::LoadState&, LWID, const char*&) {}
    virtual void FilterTypeLoaded(F&) {}

    // ---- panel hints derived from the table (see FilterPanelHints) ----------------------------

    template <class Pred>
    static void appendRule(std::vector<void*>& hints, unsigned tag, const char* message,
                           Pred chosen, std::initializer_list<unsigned> targets) {
        FilterPanelHints<Node, F>::appendRule(hints, tag, message, chosen, targets);
    }
    static void appendHostingHints(std::vector<void*>& hints,
                                   std::initializer_list<unsigned> refreshed) {
        FilterPanelHints<Node, F>::append(hints, refreshed);
    }

    // What DataGet hands out; the host reads it before the next call (main thread).
    static int* intValue(int value) {
        static int held;
        held = value;
        return &held;
    }

    unsigned m_filterType = 0;
    bool m_passThrough = false;

  private:
    static constexpr st_LWBlockIdent kPassThroughBlock = {LWID_MAKE('T', 'H', 'R', 'U'),
                                                          "PassThrough"};
    static constexpr st_LWBlockIdent kFilterTypeBlock = {LWID_MAKE('F', 'T', 'Y', 'P'),
                                                         "FilterType"};
    static constexpr st_LWBlockIdent kFilterBlock = {LWID_MAKE('F', 'L', 'T', 'R'), "Filter"};

    const st_LWBlockIdent* m_blocks;
    std::map<unsigned, vexo::Reference<F>> m_filters;
    vexo::Reference<F> m_current;
    F* m_stepped = nullptr;  // one of m_filters, or null
    std::vector<LWItemID> m_usedItems{LWITEM_NULL};
};
