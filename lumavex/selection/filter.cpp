#include "filter.h"

#include "toolkit/panel_data.h"

#define LWID4(a, b, c, d) LWID_MAKE(a, b, c, d)

const st_LWBlockIdent kFilterBlocks[] = {
    {LWID4('F', 'T', 'S', 'T'), "FilterString"},
    {LWID4('F', 'C', 'H', 'I'), "IncludeChildren"},
    {LWID4('W', 'M', 'A', 'P'), "WeightMap"},
    {LWID4('W', 'T', 'H', 'R'), "WeightThreshold"},
    {LWID4('I', 'T', 'M', 'S'), "Items"},
    {LWID4('S', 'R', 'F', 'S'), "Surface"},
    {LWID4('O', 'B', 'J', 'T'), "Object"},
    {LWID4('N', 'A', 'M', 'E'), "Name"},
    {0, nullptr},
};

const char* Filter::Load(const vexo::LoadState& state) {
    PreLoad();
    const char* result = nullptr;
    while (const LWID id = state.findBlk(kFilterBlocks)) {
        // The first failure stands: a later block read well does not hide it.
        const char* read = LegacyLoad(state, id);
        if (!result) result = read;
        state.endBlk();
    }
    return result;
}

void* Filter::DataGet(unsigned id) {
    return id == kFilterText ? const_cast<char*>(m_filter.c_str()) : nullptr;
}

int Filter::DataSet(unsigned id, void* value) {
    if (id == kFilterText) m_filter = value ? static_cast<const char*>(value) : "";
    return 1;
}

void Filter::DisplayPicker(vexo::XPanel& panel) {
    DisplayPicker();
    panel.setString(kFilterText, m_filter.c_str());
}

int* filterIntValue(int value) {
    static PanelData<int> held;
    return held(value);
}
