// A panel's control table and value table from one list of rows, each control once: what it
// shows and, when it holds a value, the value's type (the value takes the control's label).
#pragma once

#include <lwsdk/lwxpanel.h>

#include <initializer_list>
#include <vector>

struct PanelRow {
    unsigned id;
    const char* label;
    const char* control;          // "iBoolean", "vButton", ...
    const char* value = nullptr;  // "integer", "string", ...; null for a control without one
};

// The rows every panel of the bundle has: the logo thumbnail first, "About..." last.
constexpr PanelRow logoRow(unsigned id) {
    return {id, "", "dThumbnail"};
}
constexpr PanelRow aboutRow(unsigned id) {
    return {id, "About...", "vButton"};
}

// Both tables in the rows' order, each ended by a row of zeros. The host keeps pointers into
// them while the panel lives: hold the object as long as the panels it made (a static).
class PanelTables {
  public:
    PanelTables(std::initializer_list<PanelRow> rows) {
        for (const PanelRow& row : rows) {
            m_controls.push_back({row.id, row.label, row.control});
            if (row.value) m_values.push_back({row.id, row.label, row.value});
        }
        m_controls.push_back({0, nullptr, nullptr});
        m_values.push_back({0, nullptr, nullptr});
    }
    PanelTables(const PanelTables&) = delete;
    PanelTables& operator=(const PanelTables&) = delete;

    st_LWXPanelControl* controls() { return m_controls.data(); }
    st_LWXPanelDataDesc* values() { return m_values.data(); }

  private:
    std::vector<st_LWXPanelControl> m_controls;
    std::vector<st_LWXPanelDataDesc> m_values;
};
