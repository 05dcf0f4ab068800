// Sets and maps that a node rebuilds once per frame on the main thread and render threads only
// read: sorted vectors, so that a rebuild reuses the storage of the last one (nothing is asked of
// the heap once the scene's size has been seen) and a lookup is a binary search without a lock.
// Entries are added in any order during the rebuild; seal() orders them before the first lookup.
#pragma once

#include <lwsdk/lwtypes.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qrv {

// Item IDs met during one walk of the scene: open addressing in one array, kept from walk to
// walk. No item has the ID 0, which marks a free slot.
class SeenItems {
  public:
    void clear() {
        std::fill(m_slots.begin(), m_slots.end(), LWItemID{});
        m_count = 0;
    }
    // Whether the item is new; from now on it is seen.
    bool insert(LWItemID item) {
        if ((m_count + 1) * 2 > m_slots.size()) grow();
        const size_t mask = m_slots.size() - 1;
        for (size_t i = slot(item, mask);; i = (i + 1) & mask) {
            if (m_slots[i] == item) return false;
            if (!m_slots[i]) {
                m_slots[i] = item;
                ++m_count;
                return true;
            }
        }
    }

  private:
    static size_t slot(LWItemID item, size_t mask) {
        const uint64_t bits = reinterpret_cast<uintptr_t>(item);
        return static_cast<size_t>((bits * 0x9E3779B97F4A7C15ull) >> 32) & mask;
    }
    void grow() {
        std::vector<LWItemID> old(std::max<size_t>(64, m_slots.size() * 2), LWItemID{});
        old.swap(m_slots);
        m_count = 0;
        for (LWItemID item : old)
            if (item) insert(item);
    }

    std::vector<LWItemID> m_slots;  // a power of two long, at most half full
    size_t m_count = 0;
};

// Texts held elsewhere (a scene reading), by view: open addressing in one array, kept from frame
// to frame. The texts must outlive the set's use.
class ViewSet {
  public:
    void clear() {
        std::fill(m_slots.begin(), m_slots.end(), Slot{});
        m_count = 0;
    }
    // Whether the text is new; from now on it is in the set.
    bool insert(std::string_view text) {
        if ((m_count + 1) * 2 > m_slots.size()) grow();
        Slot& slot = find(text);
        if (slot.used) return false;
        slot = Slot{text, true};
        ++m_count;
        return true;
    }
    bool contains(std::string_view text) const {
        if (m_slots.empty()) return false;
        return const_cast<ViewSet*>(this)->find(text).used;
    }
    bool empty() const { return m_count == 0; }

  private:
    struct Slot {
        std::string_view text;
        bool used = false;
    };
    Slot& find(std::string_view text) {
        const size_t mask = m_slots.size() - 1;
        for (size_t i = std::hash<std::string_view>()(text) & mask;; i = (i + 1) & mask)
            if (!m_slots[i].used || m_slots[i].text == text) return m_slots[i];
    }
    void grow() {
        std::vector<Slot> old(std::max<size_t>(64, m_slots.size() * 2));
        old.swap(m_slots);
        m_count = 0;
        for (const Slot& slot : old)
            if (slot.used) insert(slot.text);
    }

    std::vector<Slot> m_slots;  // a power of two long, at most half full
    size_t m_count = 0;
};

// Item IDs.
class IdSet {
  public:
    void clear() { m_ids.clear(); }
    void add(LWItemID id) { m_ids.push_back(id); }
    void seal() {
        // Scene walks mostly add IDs in order already: checked in one pass before sorting.
        if (!std::is_sorted(m_ids.begin(), m_ids.end())) std::sort(m_ids.begin(), m_ids.end());
        m_ids.erase(std::unique(m_ids.begin(), m_ids.end()), m_ids.end());
    }

    bool contains(LWItemID id) const { return std::binary_search(m_ids.begin(), m_ids.end(), id); }
    size_t count(LWItemID id) const { return contains(id) ? 1 : 0; }
    size_t size() const { return m_ids.size(); }
    bool empty() const { return m_ids.empty(); }
    auto begin() const { return m_ids.begin(); }
    auto end() const { return m_ids.end(); }
    bool operator==(const IdSet& other) const { return m_ids == other.m_ids; }

  private:
    std::vector<LWItemID> m_ids;
};

// One value per item ID. Setting an item again replaces its value.
template <class V>
class IdMap {
  public:
    void clear() { m_entries.clear(); }
    void set(LWItemID id, const V& value) {
        // Values of one item usually come one after another.
        if (!m_entries.empty() && m_entries.back().first == id)
            m_entries.back().second = value;
        else
            m_entries.emplace_back(id, value);
    }
    void seal() {
        // The last value set for an item is the one kept.
        const auto byId = [](const Entry& a, const Entry& b) { return a.first < b.first; };
        if (!std::is_sorted(m_entries.begin(), m_entries.end(), byId))
            std::stable_sort(m_entries.begin(), m_entries.end(), byId);
        auto kept = m_entries.begin();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (kept != m_entries.begin() && std::prev(kept)->first == it->first)
                std::prev(kept)->second = it->second;
            else
                *kept++ = *it;
        }
        m_entries.erase(kept, m_entries.end());
    }

    const V* find(LWItemID id) const {
        auto it = std::lower_bound(m_entries.begin(), m_entries.end(), id,
                                   [](const Entry& e, LWItemID key) { return e.first < key; });
        return it != m_entries.end() && it->first == id ? &it->second : nullptr;
    }
    bool contains(LWItemID id) const { return find(id) != nullptr; }
    size_t size() const { return m_entries.size(); }
    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }
    // The values as an ordered map, for inspection.
    std::map<LWItemID, V> toMap() const { return {m_entries.begin(), m_entries.end()}; }

  private:
    using Entry = std::pair<LWItemID, V>;
    std::vector<Entry> m_entries;
};

// Names, compared byte for byte; looked up by a view without building a string.
class NameSet {
  public:
    void clear() {
        m_text.clear();
        m_names.clear();
    }
    void add(std::string_view name) {
        m_names.push_back(
            {static_cast<uint32_t>(m_text.size()), static_cast<uint32_t>(name.size())});
        m_text.append(name);
    }
    void seal() {
        const auto less = [this](Piece a, Piece b) { return view(a) < view(b); };
        const auto same = [this](Piece a, Piece b) { return view(a) == view(b); };
        std::sort(m_names.begin(), m_names.end(), less);
        m_names.erase(std::unique(m_names.begin(), m_names.end(), same), m_names.end());
    }

    bool contains(std::string_view name) const {
        auto it = std::lower_bound(m_names.begin(), m_names.end(), name,
                                   [this](Piece p, std::string_view key) { return view(p) < key; });
        return it != m_names.end() && view(*it) == name;
    }
    size_t count(std::string_view name) const { return contains(name) ? 1 : 0; }
    size_t size() const { return m_names.size(); }
    bool empty() const { return m_names.empty(); }
    std::string_view operator[](size_t i) const { return view(m_names[i]); }

  private:
    struct Piece {
        uint32_t at, size;
    };
    std::string_view view(Piece p) const { return {m_text.data() + p.at, p.size}; }

    std::string m_text;
    std::vector<Piece> m_names;
};

}  // namespace qrv
