#include "light_filters.h"

#include <vector>

#include "toolkit/pickers.h"
#include "toolkit/selection_entry.h"
#include "toolkit/wildcard.h"

const st_LWBlockIdent kLightFilterBlocks[] = {
    {LWID_MAKE('F', 'T', 'S', 'T'), "FilterString"},
    {LWID_MAKE('I', 'T', 'M', 'S'), "Items"},
    {0, nullptr},
};

// ---- LightFilterBlocks ----

const char* LightFilterBlocks::read(const vexo::LoadState& state) {
    const char* error = nullptr;
    while (!error) {
        const LWID id = state.findBlk(kLightFilterBlocks);
        if (!id) break;
        if (id == kLightFilterBlocks[kLightBlockFilterString].id) {
            std::string text;
            if (state.readStr(text))
                pattern = text;
            else if (state.textTooLong())
                error = vexo::textTooLong("the light filter", "FilterString");
            else
                error = "the light filter holds an unreadable \"FilterString\".";
        } else if (id == kLightFilterBlocks[kLightBlockItems].id) {
            vexo::LWItem item(LWITEM_NULL, LWI_LIGHT);
            error = state.read(item);
            if (item.id() != LWITEM_NULL) items.insert(item.id());
        }
        state.endBlk();
    }
    return error;
}

// ---- LightFilter ----

const char* LightFilter::Load(const vexo::LoadState& state) {
    LightFilterBlocks blocks;
    if (const char* error = blocks.read(state)) return error;
    take(blocks);
    return nullptr;
}

void LightFilter::DisplayPicker(vexo::XPanel& panel) {
    DisplayPicker();
    panel.setString(kLightFilterText, m_filterString.c_str());
}

// ---- LightListFilter ----

vexo::Reference<LightFilter> LightListFilter::Copy() const {
    return vexo::makeReference<LightListFilter>(*this);
}

void LightListFilter::NewTime(int, double) {
    m_lights = m_picked;
}

void* LightListFilter::DataGet(unsigned) {
    return nullptr;
}

int LightListFilter::DataSet(unsigned, void*) {
    return 1;
}

void LightListFilter::UseItems(std::set<LWItemID>& items) {
    if (&items != &m_picked) items = m_picked;
}

void LightListFilter::ChangeID(std::map<LWItemID, LWItemID>& ids) {
    // A null ID would also end the host's null-terminated list of used items early.
    LightSet renumbered;
    for (LWItemID id : m_picked) {
        auto found = ids.find(id);
        const LWItemID now = found == ids.end() ? id : found->second;
        if (now != LWITEM_NULL) renumbered.insert(now);
    }
    m_picked.swap(renumbered);
}

void LightListFilter::DisplayPicker() {
    pickItems(m_picked, "Select Lights", "A picked light's name", [&](auto add) {
        forEachLight([&](LWItemID light) {
            const char* name = m_items.name(light);
            add(light, name ? name : "(none)");
        });
    });
}

const char* LightListFilter::Save(const vexo::SaveState& state) {
    if (!namesFit(m_picked, LWI_LIGHT)) return vexo::textTooLong("the light filter", "Item");
    for (LWItemID id : m_picked) {
        vexo::LWItem item(id, LWI_LIGHT);
        state.WriteItem(kLightFilterBlocks[kLightBlockItems], item, false);
    }
    return nullptr;
}

void LightListFilter::take(const LightFilterBlocks& blocks) {
    m_picked = blocks.items;
    m_lights.clear();
}

// ---- LightNameFilter ----

vexo::Reference<LightFilter> LightNameFilter::Copy() const {
    return vexo::makeReference<LightNameFilter>(*this);
}

void LightNameFilter::NewTime(int, double) {
    m_lights.clear();
    const qrv::PatternList patterns(m_filterString);
    forEachLight([&](LWItemID light) {
        const char* name = m_items.name(light);
        if (patterns.matches(name ? name : "")) m_lights.insert(light);
    });
}

void* LightNameFilter::DataGet(unsigned vid) {
    return vid == kLightFilterText ? const_cast<char*>(m_filterString.c_str()) : nullptr;
}

int LightNameFilter::DataSet(unsigned vid, void* value) {
    if (vid == kLightFilterText) m_filterString = value ? static_cast<const char*>(value) : "";
    return 1;
}

void LightNameFilter::DisplayPicker() {
    NamePicker(&m_choices).modifyFilter("Pick Light Name", &m_filterString);
}

const char* LightNameFilter::Save(const vexo::SaveState& state) {
    state.writeStrBlk(kLightFilterBlocks[kLightBlockFilterString], m_filterString);
    return nullptr;
}

void LightNameFilter::take(const LightFilterBlocks& blocks) {
    if (blocks.pattern) m_filterString = *blocks.pattern;
    m_lights.clear();
}

// ---- LightCommentFilter ----

vexo::Reference<LightFilter> LightCommentFilter::Copy() const {
    return vexo::makeReference<LightCommentFilter>(*this);
}

void LightCommentFilter::NewTime(int, double) {
    m_lights.clear();
    forEachLight([this](LWItemID light) {
        if (filterComment(light)) m_lights.insert(light);
    });
}

bool LightCommentFilter::filterComment(LWItemID light) const {
    for (int tag = 1;; ++tag) {
        const char* line = m_items.tag(light, tag);
        if (!line) return false;
        if (qrv::wildcmp(m_filterString, line)) return true;
    }
}

// ---- lightStorage ----

void lightStorage::init(LWNodalAccess_t* record, const LightSet* set, LWIlluminateFunc* wrap,
                        LWIlluminateNormalFunc* wrapNormal, LWIlluminateSampleFunc* wrapSample,
                        LWIlluminateSampleNormalFunc* wrapSampleNormal) {
    lights = set;
    access = record;
    illuminate = record->illuminate;
    illuminateNormal = record->illuminateNormal;
    illuminateSample = record->illuminateSample;
    illuminateSampleNormal = record->illuminateSampleNormal;
    record->illuminate = wrap;
    record->illuminateNormal = wrapNormal;
    record->illuminateSample = wrapSample;
    record->illuminateSampleNormal = wrapSampleNormal;
}

void lightStorage::cleanup() const {
    if (!access) return;
    access->illuminate = illuminate;
    access->illuminateNormal = illuminateNormal;
    access->illuminateSample = illuminateSample;
    access->illuminateSampleNormal = illuminateSampleNormal;
}
