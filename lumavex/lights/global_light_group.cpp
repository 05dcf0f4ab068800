// The global light group: its filters, blocks and panel, the per-thread records of its
// installations, and the factory through which the services create it.
#include "global_light_group.h"

#include <lwsdk/lwio.h>
#include <vexo/handler.h>

#include <cstdint>
#include <vector>

#include "toolkit/logo.h"
#include "toolkit/panel_data.h"
#include "toolkit/panel_table.h"

namespace {

// The group's blocks inside the master's "LightGroup" block, in the order the reader looks for
// them.
const st_LWBlockIdent kBlocks[] = {
    {LWID_MAKE('F', 'T', 'Y', 'P'), "FilterType"},
    {LWID_MAKE('F', 'L', 'T', 'R'), "Filter"},
    {LWID_MAKE('U', 'S', 'L', 'V'), "UseByLV"},
    {0, nullptr},
};
enum { kFilterTypeBlock, kFilterBlock, kUseBlock };

// Holds "Filter" and "Pick..." (an ID of no control).
constexpr unsigned kFilterGroup = 0x9010;

const char* const kTitle = "Edit Global Light Group";

// ---- per-thread installation records ---------------------------------------------------------

// A stack of records per render thread. Pushes and pops nest strictly, so the record popped is
// always the top one; past the fixed slots records come from the heap.
struct RecordStack {
    lightStorage slots[GlobalLightGroup::kRecordsPerThread];
    int used = 0;

    lightStorage* acquire() {
        if (used < GlobalLightGroup::kRecordsPerThread) {
            lightStorage* record = &slots[used++];
            *record = lightStorage();
            return record;
        }
        lightStorage* record = new lightStorage();
        ++used;
        return record;
    }
    void release(lightStorage* record) {
        if (used > 0) --used;
        if (record < slots || record >= slots + GlobalLightGroup::kRecordsPerThread) delete record;
    }
};

thread_local RecordStack t_records;

std::unique_ptr<OverrideLightGroup> makeGlobalLightGroup() {
    return std::make_unique<GlobalLightGroup>();
}

// The services create the group through this factory from their first subscription on.
struct Installer {
    Installer() { setGlobalLightGroupFactory(&makeGlobalLightGroup); }
} g_installer;

PanelData<int> g_value;

}  // namespace

GlobalLightGroup::GlobalLightGroup() {
    makeFilters();
}

GlobalLightGroup::~GlobalLightGroup() = default;

void GlobalLightGroup::makeFilters() {
    Filters filters;
    for (const Choice& choice : kChoices)
        if (choice.make) filters[choice.type] = choice.make(this);
    m_current.reset();
    m_filters.swap(filters);
    selectFilter();
}

bool GlobalLightGroup::selectFilter() {
    auto it = m_filters.find(m_filterType);
    m_current = it == m_filters.end() ? vexo::Reference<LightFilter>() : it->second;
    return static_cast<bool>(m_current);
}

LightFilter* GlobalLightGroup::filter(unsigned type) const {
    auto it = m_filters.find(type);
    return it == m_filters.end() ? nullptr : it->second.get();
}

void GlobalLightGroup::reset() {
    m_filterType = kLightFilterNone;
    useByOverride = false;
    m_lights.clear();
    makeFilters();
}

// A staged load set the type, the switch and the chosen filter only: the other filters keep
// their settings here, as after a load in place.
void GlobalLightGroup::adopt(OverrideLightGroup& staged) {
    auto& other = static_cast<GlobalLightGroup&>(staged);
    m_filterType = other.m_filterType;
    useByOverride = other.useByOverride;
    if (LightFilter* chosen = other.filter(m_filterType))
        m_filters[m_filterType] = vexo::Reference<LightFilter>(chosen);
    selectFilter();
}

// ---- frames, blocks, renumbering -------------------------------------------------------------

int GlobalLightGroup::NewTime(int frame, double time) {
    m_lights.clear();
    if (LightFilter* current = m_current.get()) {
        current->NewTime(frame, time);
        m_lights = current->lights();
    }
    return 0;
}

const char* GlobalLightGroup::Save(const vexo::SaveState& state) {
    state.writeU4Blk(kBlocks[kFilterTypeBlock], m_filterType);
    const char* result =
        selectFilter() ? state.WriteItem(kBlocks[kFilterBlock], *m_current, false) : nullptr;
    state.writeU1Blk(kBlocks[kUseBlock], useByOverride ? 1 : 0);
    return result;
}

// Read aside and taken only when the whole block read cleanly, so that a failed load changes
// nothing. The "Filter" block may come before "FilterType": it is kept and given to the filter
// of the type read. A load sets the type, the switch and the chosen filter; the other filters
// keep their settings.
const char* GlobalLightGroup::Load(const vexo::LoadState& state) {
    uint32_t type = kLightFilterNone;
    uint8_t use = 0;
    LightFilterBlocks filterBlocks;
    const char* error = nullptr;
    while (!error) {
        const LWID id = state.findBlk(kBlocks);
        if (!id) break;
        if (id == kBlocks[kFilterTypeBlock].id) {
            if (!state.readU4(type)) error = "the light group holds an unreadable \"FilterType\".";
        } else if (id == kBlocks[kFilterBlock].id) {
            filterBlocks = LightFilterBlocks();
            error = filterBlocks.read(state);
        } else if (id == kBlocks[kUseBlock].id) {
            if (!state.readU1(use)) error = "the light group holds an unreadable \"UseByLV\".";
        }
        state.endBlk();
    }
    if (error) return error;

    for (const Choice& choice : kChoices) {
        if (choice.type != type || !choice.make) continue;
        vexo::Reference<LightFilter> chosen = choice.make(this);
        chosen->take(filterBlocks);
        m_filters[type] = chosen;
    }
    m_filterType = type;
    useByOverride = use == 1;
    selectFilter();
    return nullptr;
}

void GlobalLightGroup::ChangeID(const LWItemID* pairs) {
    if (!pairs) return;
    std::map<LWItemID, LWItemID> ids;
    for (const LWItemID* pair = pairs; pair[0]; pair += 2) ids[pair[0]] = pair[1];
    // A list that is not shown now must still name the right lights when chosen again.
    for (auto& entry : m_filters) entry.second->ChangeID(ids);
}

// ---- render threads --------------------------------------------------------------------------

void* GlobalLightGroup::push(LWNodalAccess_t* access) {
    lightStorage& record = *t_records.acquire();
    if (access) return GlobalLightGroupHooks::install(record, access, &m_lights);
    // Nothing to install on; the record still keeps pushes and pops paired.
    record.previous = GlobalLightGroupHooks::current();
    GlobalLightGroupHooks::makeCurrent(&record);
    return record.previous;
}

void GlobalLightGroup::pop(void* handle) {
    lightStorage* record = GlobalLightGroupHooks::current();
    if (!record) return;
    GlobalLightGroupHooks::remove(*record);
    GlobalLightGroupHooks::makeCurrent(static_cast<lightStorage*>(handle));
    t_records.release(record);
}

// ---- the panel -------------------------------------------------------------------------------

void GlobalLightGroup::Interface() {
    using Hints = FilterPanelHints<GlobalLightGroup, LightFilter>;
    static PanelTables tables{
        logoRow(kLogo), Hints::filterByRow(), Hints::textRow(), Hints::pickRow(), aboutRow(kAbout),
    };
    vexo::XPanelHints hints;
    hints.title(kTitle)
        .group(kFilterGroup, {kFilterText, kPick})
        .order(0, {kLogo, kFilterBy, kFilterGroup, kAbout});
    Hints::append(hints, {kFilterText, kPick});
    // Made afresh for each showing and gone when it closes: nothing is left calling back.
    if (!CreateViewXPanel(tables.controls(), tables.values(), hints.list(), true)) return;
    // The panel sets values as they change; Cancel puts back the type and every filter (a pick
    // in the list included) as they were when it opened.
    const unsigned type = m_filterType;
    Filters before;
    for (const auto& entry : m_filters) before[entry.first] = entry.second->Copy();
    const int answer = m_panel.post();
    m_panel.destroy();
    if (answer == 1) return;
    m_filters.swap(before);
    m_filterType = type;
    selectFilter();
}

void* GlobalLightGroup::DataGet(unsigned id) {
    if (id == kFilterBy) {
        int index = 0;
        for (unsigned i = 0; i < kChoiceCount; ++i)
            if (kChoices[i].type == m_filterType) index = static_cast<int>(i);
        return g_value(index);
    }
    return m_current ? m_current->DataGet(id) : nullptr;
}

int GlobalLightGroup::DataSet(unsigned id, void* value) {
    if (id == kFilterBy) {
        if (value) {
            const int index = *static_cast<int*>(value);
            m_filterType = index >= 0 && static_cast<unsigned>(index) < kChoiceCount
                               ? kChoices[index].type
                               : kLightFilterNone;
        }
        selectFilter();
        return 1;
    }
    return m_current ? m_current->DataSet(id, value) : 1;
}

void GlobalLightGroup::ButtonClick(unsigned id) {
    if (id == kPick && selectFilter()) m_current->DisplayPicker(m_panel);
}

void GlobalLightGroup::ControlDraw(unsigned id, vexo::XPDrawArea& area) {
    if (id == kLogo) drawLogo(area);
}
