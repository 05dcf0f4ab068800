#include "vexo/shading.h"

namespace vexo {

template <>
const char* const GlobalBase<qrvNodalShadingFuncs>::m_globalName = QRV_SHADING_GLOBAL;

namespace {
// The table just acquired, when it is complete enough to subscribe to.
qrvNodalShadingFuncs* subscribable(qrvNodalShadingFuncs* table) {
    return table && table->ns_subscribe && table->ns_unsubscribe ? table : nullptr;
}
}  // namespace

qrvShadingGlobal::qrvShadingGlobal() : m_table(subscribable(getGlobal())) {
    if (m_table) m_table->ns_subscribe();
}

qrvShadingGlobal::qrvShadingGlobal(const qrvShadingGlobal& other)
    : GlobalBase<qrvNodalShadingFuncs>(other),
      Storeable(other),
      m_table(subscribable(getGlobal())) {
    if (m_table) m_table->ns_subscribe();
}

qrvShadingGlobal::~qrvShadingGlobal() {
    // Unsubscribe before the base releases the global.
    if (m_table) m_table->ns_unsubscribe();
}

const char* qrvShadingGlobal::Load(const LoadState& state) {
    return m_table && m_table->ns_load ? m_table->ns_load(state.record()) : nullptr;
}

const char* qrvShadingGlobal::Save(const SaveState& state) {
    return m_table && m_table->ns_save ? m_table->ns_save(state.record()) : nullptr;
}

}  // namespace vexo
