#include "pickers.h"

#include <vexo/files.h>
#include <vexo/globals.h>
#include <vexo/persistence.h>

#include <algorithm>
#include <utility>

const char* const kNothingToSelect = "There are no items to select.";

namespace {

constexpr int kGap = 4;
constexpr int kModalFlags = PANF_BLOCKING | PANF_FRAME | PANF_NOBUTT;  // 0x45
const char* const kHighlight = "\x03(c:Nc_HILIGHT)";

void warnNothingToSelect() {
    vexo::LWMessage messages;
    messages.warning(kNothingToSelect);
}

int bottomOf(const vexo::PanelControl& c) {
    return c.y() + c.height();
}

}  // namespace

// ---- GenericPicker ----------------------------------------------------------------------------

int GenericPicker::Open(const std::string& title) {
    m_result = Cancelled;
    m_picked.clear();
    if (!m_source || m_source->popCount() <= 0) {
        warnNothingToSelect();
        return Cancelled;
    }
    if (!create(title)) return Cancelled;
    vexo::installPanelCallbacks<GenericPicker>(*this);

    using Adaptor = vexo::PanelControlAdaptor<GenericPicker>;
    m_list = listBox("", listWidth, listRows, &Adaptor::cb_Name, &Adaptor::cb_Count);
    m_list.setEvent(&Adaptor::cb_Event);
    m_cancel = button("Cancel");
    m_append = button("Append");
    m_replace = button("Replace");
    for (const vexo::PanelControl* b : {&m_cancel, &m_append, &m_replace})
        b->setEvent(&Adaptor::cb_Event);

    // One row under the list: "Cancel" at the left, "Replace" flush with the list's right
    // edge, "Append" just left of it.
    m_cancel.MoveBelow(m_list, kGap);
    m_replace.moveTo(m_list.x() + m_list.width() - m_replace.width(), m_cancel.y());
    m_append.moveTo(m_replace.x() - kGap - m_append.width(), m_cancel.y());

    open(kModalFlags);
    return m_result;
}

void GenericPicker::controlEvent(vexo::PanelControl& control) {
    if (control == m_list) {
        // Only the last clicked name stays picked.
        m_picked.clear();
        const int row = control.GetInt(CTL_VALUE);
        if (m_source && row >= 0 && row < m_source->popCount()) {
            if (const char* name = m_source->popName(row)) m_picked.insert(name);
        }
        return;
    }
    if (control == m_cancel) {
        m_result = Cancelled;
    } else if (control == m_replace) {
        m_result = Replace;
    } else if (control == m_append) {
        m_result = Append;
    } else {
        return;
    }
    close(m_result == Cancelled ? LWPAN_CANCELLED : LWPAN_OK);
}

int GenericPicker::controlCount(vexo::PanelControl control) {
    return control == m_list && m_source ? m_source->popCount() : 0;
}

const char* GenericPicker::controlName(vexo::PanelControl control, int index) {
    if (control != m_list || !m_source || index < 0) return "";
    const char* name = m_source->popName(index);
    return name ? name : "";
}

// ---- NamePicker -------------------------------------------------------------------------------

int NamePicker::modifyFilter(const std::string& title, std::string* pattern) {
    if (!pattern) return Cancelled;
    const int result = Open(title + ":" + *pattern);
    if (result == Cancelled) return result;
    std::string changed = result == Append ? *pattern + "|" : std::string();
    bool first = true;
    for (const std::string& name : m_picked) {
        if (!first) changed += "|";
        changed += name;
        first = false;
    }
    // Refused whole, as a typed pattern is: the pattern stays as it was.
    if (!vexo::acceptText(changed, std::string("The pattern after \"") +
                                       (result == Append ? "Append" : "Replace") + "\""))
        return Cancelled;
    *pattern = std::move(changed);
    return result;
}

// ---- SelectionList ----------------------------------------------------------------------------

const char* const SelectionList::selectLabel = "\x03(g:8)Select\x03(j:2)\x03(i:MIMG_RIGHTARROW)";
const char* const SelectionList::deselectLabel = "\x03(i:MIMG_LEFTARROW)\x03(g:2)Deselect";
const char* const SelectionList::selectAllLabel =
    "\x03(g:8)Select All\x03(j:2)\x03(i:MIMG_RIGHTARROW)";
const char* const SelectionList::deselectAllLabel = "\x03(i:MIMG_LEFTARROW)\x03(g:2)Deselect All";
const char* const SelectionList::swapAllLabel =
    "\x03(i:MIMG_LEFTARROW)\x03(g:2)Swap All\x03(j:2)\x03(i:MIMG_RIGHTARROW)";

namespace {

// The last click in any selection list of the process, for telling double clicks.
struct LastClick {
    LWControlID control = nullptr;
    int row = -1;
    int64_t time = 0;
};
LastClick g_lastClick;
SelectionList::Clock g_clock = nullptr;

int64_t now() {
    // A monotonic wall clock: processor time would let two slow clicks pass as a double click
    // while the process sleeps between them.
    return g_clock ? g_clock() : vexo::clickClockMs();
}

}  // namespace

void SelectionList::setClock(Clock clock) {
    g_clock = clock;
}

void SelectionList::forgetClick() {
    g_lastClick = LastClick();
}

int SelectionList::Open(const std::string& title) {
    m_result = 0;
    m_unselected.clear();
    m_selected.clear();
    m_unselectedAnchor = m_selectedAnchor = -1;
    if (m_input.empty()) {
        warnNothingToSelect();
        return 0;
    }
    for (const Entry& entry : m_input) {
        if (!entry) continue;
        entry->setHighlighted(false);
        (entry->selected() ? m_selected : m_unselected).push_back(entry);
    }
    std::stable_sort(m_unselected.begin(), m_unselected.end(), sortEntry);
    std::stable_sort(m_selected.begin(), m_selected.end(), sortEntry);

    if (!create(title)) return 0;
    vexo::installPanelCallbacks<SelectionList>(*this);

    using Adaptor = vexo::PanelControlAdaptor<SelectionList>;
    m_unselectedList =
        listBox("Unselected", listWidth, listRows, &Adaptor::cb_Name, &Adaptor::cb_Count);
    m_select = button(selectLabel);
    m_deselect = button(deselectLabel);
    m_selectAll = button(selectAllLabel);
    m_deselectAll = button(deselectAllLabel);
    m_swapAll = button(swapAllLabel);
    m_selectedList =
        listBox("Selected", listWidth, listRows, &Adaptor::cb_Name, &Adaptor::cb_Count);
    m_cancel = button("Cancel");
    m_ok = button("Ok");
    for (const vexo::PanelControl* c : {&m_unselectedList, &m_selectedList, &m_select, &m_deselect,
                                        &m_selectAll, &m_deselectAll, &m_swapAll, &m_cancel, &m_ok})
        c->setEvent(&Adaptor::cb_Event);

    // The button column between the lists, every button as wide as the widest.
    const vexo::PanelControl* column[] = {&m_select, &m_deselect, &m_selectAll, &m_deselectAll,
                                          &m_swapAll};
    int columnWidth = 0;
    for (const vexo::PanelControl* b : column) columnWidth = std::max(columnWidth, b->width());
    const vexo::PanelControl* previous = nullptr;
    for (const vexo::PanelControl* b : column) {
        b->Set(CTL_W, columnWidth);
        if (previous) {
            b->MoveBelow(*previous, kGap);
        } else {
            b->MoveRightOf(m_unselectedList, kGap);
        }
        previous = b;
    }
    m_selectedList.MoveRightOf(m_select, kGap);

    // "Cancel" at the left under everything, "Ok" flush with the "Selected" list's right edge.
    const int below =
        std::max({bottomOf(m_unselectedList), bottomOf(m_swapAll), bottomOf(m_selectedList)}) +
        kGap;
    m_cancel.moveTo(m_unselectedList.x(), below);
    m_ok.moveTo(m_selectedList.x() + m_selectedList.width() - m_ok.width(), below);

    open(kModalFlags);
    m_input = m_selected;
    return m_result;
}

SelectionList::Entries* SelectionList::listOf(const vexo::PanelControl& control) {
    if (!control) return nullptr;
    if (control == m_unselectedList) return &m_unselected;
    if (control == m_selectedList) return &m_selected;
    return nullptr;
}

int* SelectionList::anchorOf(const vexo::PanelControl& control) {
    if (!control) return nullptr;
    if (control == m_unselectedList) return &m_unselectedAnchor;
    if (control == m_selectedList) return &m_selectedAnchor;
    return nullptr;
}

void SelectionList::SelectInList(vexo::PanelControl& list) {
    Entries* entries = listOf(list);
    int* anchor = anchorOf(list);
    if (!entries || !anchor) return;
    const int size = static_cast<int>(entries->size());
    int row = list.GetInt(CTL_VALUE);
    if (row < 0 || row >= size) row = -1;
    const int64_t time = now();

    // The second click on one row of one list, soon enough: move the highlighted entries.
    if (row >= 0 && g_lastClick.control == list.id() && g_lastClick.row == row &&
        time >= g_lastClick.time && vexo::isDoubleClick(time - g_lastClick.time)) {
        if (entries == &m_unselected) {
            MoveSelection(m_unselected, m_selected);
        } else {
            MoveSelection(m_selected, m_unselected);
        }
        forgetClick();
        *anchor = -1;
        return;
    }

    const int qualifiers = this->qualifiers();
    if (qualifiers & IQ_SHIFT) {
        // Extends the highlight from the anchor to the clicked row.
        if (*anchor >= 0 && row >= 0) {
            const int from = std::min(std::min(*anchor, size - 1), row);
            const int to = std::max(std::min(*anchor, size - 1), row);
            for (int i = from; i <= to; ++i)
                (*entries)[static_cast<size_t>(i)]->setHighlighted(true);
        }
    } else if (qualifiers & IQ_CTRL) {
        if (row >= 0) {
            SelectionEntry& entry = *(*entries)[static_cast<size_t>(row)];
            entry.setHighlighted(!entry.highlighted());
        }
    } else {
        for (const Entry& entry : *entries) entry->setHighlighted(false);
        if (row >= 0) (*entries)[static_cast<size_t>(row)]->setHighlighted(true);
    }

    *anchor = row;
    g_lastClick.control = list.id();
    g_lastClick.row = row;
    g_lastClick.time = time;
    redraw();
}

void SelectionList::MoveSelection(Entries& from, Entries& to) {
    Entries kept;
    kept.reserve(from.size());
    for (Entry& entry : from) {
        if (entry->highlighted()) {
            entry->setHighlighted(false);
            to.push_back(std::move(entry));
        } else {
            kept.push_back(std::move(entry));
        }
    }
    from.swap(kept);
    std::stable_sort(to.begin(), to.end(), sortEntry);
    listsChanged();
    redrawLists();
}

void SelectionList::listsChanged() {
    m_unselectedAnchor = m_selectedAnchor = -1;
    forgetClick();
}

void SelectionList::redrawLists() const {
    m_unselectedList.redraw();
    m_selectedList.redraw();
}

void SelectionList::controlEvent(vexo::PanelControl& control) {
    if (listOf(control)) {
        SelectInList(control);
        return;
    }
    if (control == m_select) {
        MoveSelection(m_unselected, m_selected);
    } else if (control == m_deselect) {
        MoveSelection(m_selected, m_unselected);
    } else if (control == m_selectAll || control == m_deselectAll) {
        const bool selecting = control == m_selectAll;
        Entries& from = selecting ? m_unselected : m_selected;
        Entries& to = selecting ? m_selected : m_unselected;
        to.insert(to.begin(), from.begin(), from.end());
        from.clear();
        std::stable_sort(to.begin(), to.end(), sortEntry);
        listsChanged();
        redrawLists();
    } else if (control == m_swapAll) {
        m_unselected.swap(m_selected);
        listsChanged();
        redrawLists();
    } else if (control == m_cancel) {
        m_result = 0;
        close(LWPAN_CANCELLED);
    } else if (control == m_ok) {
        m_result = 1;
        close(LWPAN_OK);
    }
}

int SelectionList::controlCount(vexo::PanelControl control) {
    const Entries* entries = listOf(control);
    return entries ? static_cast<int>(entries->size()) : 0;
}

const char* SelectionList::controlName(vexo::PanelControl control, int index) {
    const Entries* entries = listOf(control);
    if (!entries || index < 0 || index >= static_cast<int>(entries->size())) return "";
    const SelectionEntry& entry = *(*entries)[static_cast<size_t>(index)];
    m_scratch = entry.highlighted() ? kHighlight + entry.name() : entry.name();
    return m_scratch.c_str();
}
