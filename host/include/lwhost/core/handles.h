// The handles the host gives plug-ins for items, surfaces, points and polygons. A handle is
// pointer-sized and carries a 32-bit host key in its low bits under a fixed tag in its high
// bits: never an address (saved files and pictures stay the same from run to run) and never a
// small integer (a plug-in that keeps one in 32 bits or uses it as an index gets nothing back
// for it, at once, instead of another item).
#pragma once

#include <cstdint>
#include <type_traits>

namespace lwhost {

constexpr uintptr_t kHandleTag =
    static_cast<uintptr_t>(sizeof(void*) >= 8 ? 0x4C48'0000'0000'0000ull : 0);

// The handle of a key; key 0 is the null handle.
template <class Handle>
Handle handleOf(uint32_t key) {
    static_assert(std::is_pointer_v<Handle>);
    return key ? reinterpret_cast<Handle>(kHandleTag | key) : Handle();
}

// The key a handle carries; 0 for null and for anything the host did not hand out.
template <class Handle>
uint32_t keyOf(Handle handle) {
    static_assert(std::is_pointer_v<Handle>);
    const uintptr_t bits = reinterpret_cast<uintptr_t>(handle);
    if (bits >> 32 << 32 != kHandleTag && sizeof(void*) >= 8) return 0;
    return static_cast<uint32_t>(bits);
}

}  // namespace lwhost
