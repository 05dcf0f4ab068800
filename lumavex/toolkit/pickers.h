// The modal pickers the filters and nodes open: the name picker (one name from a list,
// appended to or replacing a wildcard pattern) and the two-list selection dialog.
#pragma once

#include <vexo/items.h>
#include <vexo/panel.h>
#include <vexo/persistence.h>
#include <vexo/xpanel.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "selection_entry.h"

// Shown instead of a dialog with nothing to pick.
extern const char* const kNothingToSelect;

// A list of names from a pop-up source and the buttons "Cancel", "Append" and "Replace".
class GenericPicker : public vexo::LWPanel,
                      public vexo::LWPanelCallbacks,
                      public vexo::LWPanelControlCallBacks {
  public:
    enum Result { Cancelled = 0, Replace = 1, Append = 2 };
    static constexpr int listWidth = 250;
    static constexpr int listRows = 20;

    // The source is not owned.
    explicit GenericPicker(vexo::PopUpCallback* source = nullptr) : m_source(source) {}

    void setSource(vexo::PopUpCallback* source) { m_source = source; }
    // Shows the picker; Cancelled, Replace or Append.
    int Open(const std::string& title);

    // The name of the row clicked last (at most one).
    const std::set<std::string>& picked() const { return m_picked; }
    int result() const { return m_result; }

    void controlEvent(vexo::PanelControl& control) override;
    int controlCount(vexo::PanelControl control) override;
    const char* controlName(vexo::PanelControl control, int index) override;

  protected:
    vexo::PopUpCallback* m_source;
    vexo::PanelControl m_list;
    vexo::PanelControl m_cancel;
    vexo::PanelControl m_append;
    vexo::PanelControl m_replace;
    std::set<std::string> m_picked;
    int m_result = Cancelled;
};

class NamePicker : public GenericPicker {
  public:
    using GenericPicker::GenericPicker;

    // Opens the picker titled `title` + ":" + the pattern. "Append" adds "|" and the picked
    // name to the pattern, "Replace" makes the pattern the picked name, "Cancel" leaves it.
    // Returns the picker's result.
    int modifyFilter(const std::string& title, std::string* pattern);
};

// Moves entries between an "Unselected" and a "Selected" list. The caller fills entries(); when
// the dialog closes, entries() holds what "Selected" held, to be used when Open returned 1.
class SelectionList : public vexo::LWPanel,
                      public vexo::LWPanelCallbacks,
                      public vexo::LWPanelControlCallBacks {
  public:
    using Entry = vexo::Reference<SelectionEntry>;
    using Entries = std::vector<Entry>;
    // Milliseconds of a monotonic clock.
    using Clock = int64_t (*)();

    static constexpr int listWidth = 300;
    static constexpr int listRows = 25;

    // Button labels, with the host's inline codes.
    static const char* const selectLabel;
    static const char* const deselectLabel;
    static const char* const selectAllLabel;
    static const char* const deselectAllLabel;
    static const char* const swapAllLabel;

    Entries& entries() { return m_input; }
    void add(Entry entry) { m_input.push_back(std::move(entry)); }

    // 0 cancelled, 1 confirmed.
    int Open(const std::string& title);

    // A click in one of the two lists: double click, plain, shift or control click.
    void SelectInList(vexo::PanelControl& list);
    // Moves the highlighted entries of `from` to `to`, unhighlighted, and sorts `to`.
    void MoveSelection(Entries& from, Entries& to);

    void controlEvent(vexo::PanelControl& control) override;
    int controlCount(vexo::PanelControl control) override;
    const char* controlName(vexo::PanelControl control, int index) override;

    const Entries& unselected() const { return m_unselected; }
    const Entries& selected() const { return m_selected; }
    int unselectedAnchor() const { return m_unselectedAnchor; }
    int selectedAnchor() const { return m_selectedAnchor; }
    int result() const { return m_result; }

    // The clock double clicks are timed with (null: vexo::clickClockMs); for tests.
    static void setClock(Clock clock);
    // Forgets the last click, shared by every selection list of the process.
    static void forgetClick();

  private:
    // The entries and anchor of a list control; null for other controls.
    Entries* listOf(const vexo::PanelControl& control);
    int* anchorOf(const vexo::PanelControl& control);
    // The lists' contents changed: rows no longer mean what they meant.
    void listsChanged();
    void redrawLists() const;

    Entries m_input;
    Entries m_unselected;
    Entries m_selected;
    int m_unselectedAnchor = -1;
    int m_selectedAnchor = -1;
    vexo::PanelControl m_unselectedList;
    vexo::PanelControl m_selectedList;
    vexo::PanelControl m_select;
    vexo::PanelControl m_deselect;
    vexo::PanelControl m_selectAll;
    vexo::PanelControl m_deselectAll;
    vexo::PanelControl m_swapAll;
    vexo::PanelControl m_cancel;
    vexo::PanelControl m_ok;
    int m_result = 0;
    std::string m_scratch;  // the last row text handed out
};

// An item list picked in "Select ...": `list(add)` calls add(item, name) for every item the
// dialog offers, those in `picked` start selected. Confirmed, `picked` becomes what the dialog
// selected, unless a selected name could not be stored by name (`what` names it in the message).
template <class List>
void pickItems(std::set<LWItemID>& picked, const std::string& title, const std::string& what,
               List&& list) {
    SelectionList dialog;
    list([&](LWItemID item, const char* name) {
        dialog.add(vexo::makeReference<ItemEntry>(name, item, picked.count(item) != 0));
    });
    if (dialog.Open(title) != 1) return;
    std::set<LWItemID> chosen;
    for (const SelectionList::Entry& entry : dialog.entries()) {
        if (!entry) continue;
        // The list is stored by the items' names.
        if (!vexo::acceptText(entry->name(), what)) return;
        chosen.insert(static_cast<const ItemEntry*>(entry.get())->item());
    }
    picked.swap(chosen);
}

// Whether every picked item's name fits what a load reads: the host may have renamed an item
// since it was picked, and a longer name is not written to be cut. `type` is the items' kind.
inline bool namesFit(const std::set<LWItemID>& items, int type) {
    for (LWItemID id : items)
        if (vexo::LWItem(id, type).name().size() > static_cast<size_t>(vexo::kMaxTextBytes))
            return false;
    return true;
}
