// Entries of the two-list selection dialog: a name, the dialog's highlight flag and the
// "selected" flag, held through vexo::Reference. Item entries also carry the item's ID.
#pragma once

#include <lwsdk/lwtypes.h>
#include <vexo/utility.h>

#include <string>
#include <utility>

class SelectionEntry : public vexo::ReferenceCounted {
  public:
    explicit SelectionEntry(std::string name, bool selected = false)
        : m_name(std::move(name)), m_selected(selected) {}
    ~SelectionEntry() override;

    const std::string& name() const { return m_name; }
    void setName(const std::string& name) { m_name = name; }
    // Belongs to the dialog showing the entry.
    bool highlighted() const { return m_highlighted; }
    void setHighlighted(bool on) { m_highlighted = on; }
    bool selected() const { return m_selected; }
    void setSelected(bool on) { m_selected = on; }

    // By name, byte by byte; a name that is a prefix of another comes first.
    bool operator<(const SelectionEntry& other) const;

  private:
    std::string m_name;
    bool m_highlighted = false;
    bool m_selected;
};

// The order of the dialog's lists.
bool sortEntry(const vexo::Reference<SelectionEntry>& a, const vexo::Reference<SelectionEntry>& b);

class ItemEntry : public SelectionEntry {
  public:
    ItemEntry(std::string name, LWItemID item, bool selected = false)
        : SelectionEntry(std::move(name), selected), m_item(item) {}

    LWItemID item() const { return m_item; }

  private:
    LWItemID m_item;
};
