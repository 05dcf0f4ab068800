// A map from nonzero IDs to values in one flat array, found with one probe in the common case:
// the scene looks its items and surfaces up by ID for every host call a plug-in makes, tens of
// thousands of times a frame. Entries are never removed; a renumbering builds a new index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

namespace lwhost {

template <class Id, class Value>
class IdIndex {
  public:
    const Value* find(Id id) const {
        if (id == Id() || m_slots.empty()) return nullptr;
        for (size_t at = slotOf(id);; at = (at + 1) & mask()) {
            const Slot& s = m_slots[at];
            if (s.id == id) return &s.value;
            if (s.id == Id()) return nullptr;
        }
    }
    Value* find(Id id) { return const_cast<Value*>(std::as_const(*this).find(id)); }
    bool contains(Id id) const { return find(id) != nullptr; }
    size_t size() const { return m_size; }

    // Sets the value of `id` (never the zero ID), adding it when new.
    void set(Id id, Value value) {
        reserve(m_size + 1);
        for (size_t at = slotOf(id);; at = (at + 1) & mask()) {
            Slot& s = m_slots[at];
            if (s.id == Id()) {
                s = Slot{id, std::move(value)};
                ++m_size;
                return;
            }
            if (s.id == id) {
                s.value = std::move(value);
                return;
            }
        }
    }

    // Room for `count` entries without growing: at most half the slots are used.
    void reserve(size_t count) {
        if (2 * count <= m_slots.size()) return;
        size_t slots = 16;
        while (slots < 2 * count) slots *= 2;
        std::vector<Slot> old(slots);
        old.swap(m_slots);
        m_size = 0;
        for (Slot& s : old)
            if (s.id != Id()) set(s.id, std::move(s.value));
    }

    void swap(IdIndex& other) noexcept {
        m_slots.swap(other.m_slots);
        std::swap(m_size, other.m_size);
    }

  private:
    struct Slot {
        Id id = Id();
        Value value{};
    };
    size_t mask() const { return m_slots.size() - 1; }
    // IDs are mostly consecutive serials: a multiplicative hash spreads them over the slots.
    size_t slotOf(Id id) const {
        uint64_t bits;
        if constexpr (std::is_pointer_v<Id>)
            bits = reinterpret_cast<uintptr_t>(id);
        else
            bits = static_cast<uint64_t>(id);
        return static_cast<size_t>((bits * 0x9E3779B97F4A7C15ull) >> 32) & mask();
    }

    std::vector<Slot> m_slots;  // a power of two in size, or empty
    size_t m_size = 0;
};

}  // namespace lwhost
