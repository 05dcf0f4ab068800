// The scene's one global light group: a light filter chosen and set up in its own modal panel
// "Edit Global Light Group", applied around the whole override graph when the master's "Use
// Global Light Group" is on, and around the input of every global light group node.
//
// The services create it with their first subscription and destroy it with the last; everything
// else reaches it through their light-group slots. Applying it swaps the illumination functions
// of a nodal access record for wrappers that let only the group's lights through
// (IlluminationHooks with a tag of its own); each installation is a record from a per-thread
// stack, so pushing and popping allocate nothing unless the nesting runs deeper than the stack.
#pragma once

#include <lwsdk/lwshaderaccess.h>
#include <vexo/persistence.h>
#include <vexo/utility.h>
#include <vexo/xpanel.h>

#include <map>

#include "light_filters.h"
#include "override/override_graph.h"
#include "toolkit/filter_hosting.h"

struct GlobalLightGroupHooksTag;
using GlobalLightGroupHooks = IlluminationHooks<GlobalLightGroupHooksTag>;

class GlobalLightGroup : public OverrideLightGroup, public vexo::XPanelInterface {
  public:
    enum Control : unsigned {
        kFilterBy = 0x9000,
        kFilterText = kLightFilterText,
        kPick = 0x9005,
        kLogo = 0x9008,
        kAbout = 0x9009,
    };
    using Choice = FilterChoice<GlobalLightGroup, LightFilter>;
    static constexpr unsigned kChoiceCount = kLightFilterTypeCount;
    static constexpr const Choice (&kChoices)[kChoiceCount] = kLightFilterChoices<GlobalLightGroup>;
    // No "Pass Through": the group is switched by its users.
    static constexpr FilterControls kControls = {kFilterBy, 0, kFilterText, kPick, kLogo, kAbout};

    // Installations one render thread holds without allocating; deeper nesting allocates.
    static constexpr int kRecordsPerThread = 16;

    GlobalLightGroup();
    ~GlobalLightGroup() override;
    GlobalLightGroup(const GlobalLightGroup&) = delete;
    GlobalLightGroup& operator=(const GlobalLightGroup&) = delete;

    // ---- what the services forward ----
    // Rebuilds the current filter's lights and takes them as the group's; 0.
    int NewTime(int frame, double time) override;
    // "FilterType", the current filter nested in "Filter", "UseByLV"; read in any order, and
    // all or nothing: an unreadable value changes nothing. A block that lacks the type or the
    // switch leaves the group at "none" or off; the filters not chosen keep their settings.
    const char* Load(const vexo::LoadState& state) override;
    const char* Save(const vexo::SaveState& state) override;
    // Opens "Edit Global Light Group" modally; Cancel leaves the group as it was.
    void Interface() override;
    using vexo::XPanelInterface::Interface;
    bool hasCurrentFilter() const override { return static_cast<bool>(m_current); }
    void* push(LWNodalAccess_t* access) override;
    void pop(void* handle) override;
    void ChangeID(const LWItemID* pairs) override;
    void reset() override;
    void adopt(OverrideLightGroup& staged) override;

    // ---- the panel ----
    void* DataGet(unsigned id) override;
    int DataSet(unsigned id, void* value) override;
    void ButtonClick(unsigned id) override;
    void ControlDraw(unsigned id, vexo::XPDrawArea& area) override;

    unsigned filterType() const { return m_filterType; }
    LightFilter* filter(unsigned type) const;
    const LightSet& lights() const { return m_lights; }

  private:
    void makeFilters();
    bool selectFilter();

    using Filters = std::map<unsigned, vexo::Reference<LightFilter>>;

    Filters m_filters;
    vexo::Reference<LightFilter> m_current;
    unsigned m_filterType = kLightFilterNone;
    // The group's lights at the current frame: rebuilt on the main thread, read by render
    // threads.
    LightSet m_lights;
};
