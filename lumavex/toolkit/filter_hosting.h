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
#include <map>
#include <set>
#include <vector>

#include "logo.h"
#include "panel_data.h"
#include "panel_table.h"

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
// group share them. Maps and texts handed to the host live as long as the module.
template <class Owner, class F>
struct FilterPanelHints {
    using Choice = FilterChoice<Owner, F>;

    // A map over the pop-up positions: 1 where the choice uses `what` (FilterUses), or, for
    // `what` 0, where the choice is none; 0 elsewhere.
    static const int* usesMap(unsigned what) {
        static std::map<unsigned, std::vector<int>> maps;
        auto [it, made] = maps.try_emplace(what);
        if (made) {
            for (unsigned i = 0; i < Owner::kChoiceCount; ++i) {
                const Choice& c = Owner::kChoices[i];
                it->second.push_back(what ? ((c.uses & what) ? 1 : 0) : (c.make ? 0 : 1));
            }
            it->second.push_back(LWXP_MAP_END);
        }
        return it->second.data();
    }
    // The pop-up's texts, ended by null.
    static const char* const* labels() {
        static const std::vector<const char*> texts = [] {
            std::vector<const char*> t;
            for (unsigned i = 0; i < Owner::kChoiceCount; ++i)
                t.push_back(Owner::kChoices[i].label);
            t.push_back(nullptr);
            return t;
        }();
        return texts.data();
    }

    // The rows of the controls the hosting code answers, for the owner's PanelTables.
    static constexpr PanelRow passThroughRow() {
        return {Owner::kControls.passThrough, "Pass Through", "iBoolean", "integer"};
    }
    static constexpr PanelRow filterByRow() {
        return {Owner::kControls.filterBy, "Filter by", "iPopChoice", "integer"};
    }
    static constexpr PanelRow textRow() {
        return {Owner::kControls.text, "Filter", "string", "string"};
    }
    static constexpr PanelRow pickRow() { return {Owner::kControls.pick, "Pick...", "vButton"}; }

    // The rules every hosting panel has, after the owner's own layout and rules: "Filter" and
    // "Pick..." need a filter, "Pick..." a filter with a picker; a change of "Filter by" refreshes
    // `refreshed`; the pop-up's texts; the buttons and the logo. The modelling application has
    // no scene to pick from, so no "Pick...".
    static void append(vexo::XPanelHints& hints, const std::vector<unsigned>& refreshed) {
        const FilterControls& c = Owner::kControls;
        using Panel = vexo::XPanelInterface;
        hints.disable(c.filterBy, usesMap(0), nullptr, {c.text, c.pick})
            .enable(c.filterBy, usesMap(kUsesPick), nullptr, {c.pick})
            .link(c.filterBy, refreshed)
            .strings(c.filterBy, labels())
            .button(c.pick, &Panel::LWXPanelBtnClickFunc);
        logoAndAbout(hints, c.logo, c.about);
        if (vexo::LightWave::isModeler()) hints.remove(c.pick);
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

    // ---- panel rows and hints derived from the table (see FilterPanelHints) -------------------

    using PanelHints = FilterPanelHints<Node, F>;

    static const int* usesMap(unsigned what) { return FilterPanelHints<Node, F>::usesMap(what); }
    static void appendHostingHints(vexo::XPanelHints& hints,
                                   const std::vector<unsigned>& refreshed) {
        FilterPanelHints<Node, F>::append(hints, refreshed);
    }

    // What DataGet hands out; the host reads it before the next call (main thread).
    static int* intValue(int value) {
        static PanelData<int> held;
        return held(value);
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
