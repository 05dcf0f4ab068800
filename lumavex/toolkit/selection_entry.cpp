#include "selection_entry.h"

#include <algorithm>
#include <cstring>

SelectionEntry::~SelectionEntry() = default;

bool SelectionEntry::operator<(const SelectionEntry& other) const {
    // Compared as unsigned bytes, whatever the signedness of char.
    const size_t n = std::min(m_name.size(), other.m_name.size());
    const int c = std::memcmp(m_name.data(), other.m_name.data(), n);
    if (c != 0) return c < 0;
    return m_name.size() < other.m_name.size();
}

bool sortEntry(const vexo::Reference<SelectionEntry>& a, const vexo::Reference<SelectionEntry>& b) {
    // Empty references sort last.
    if (!a || !b) return a && !b;
    return *a < *b;
}
