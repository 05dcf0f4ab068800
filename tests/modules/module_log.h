// The notes a test module keeps of what the host did to it, read through its log server:
// activate that with a pointer to a `const char*` as local record to receive the text (one note
// per line); server data "clear" empties it first.
#pragma once

#include <vexo/server.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace module_log {

inline std::string text;

inline void note(const std::string& line) {
    text += line + "\n";
}

// A handle as the tests print it: its whole value.
inline std::string hex(const void* handle) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llX",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle)));
    return buf;
}

inline std::string hex(unsigned value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", value);
    return buf;
}

inline int activate(long, LWGlobalFunc, void* local, void* serverData) {
    if (serverData && std::strcmp(static_cast<const char*>(serverData), "clear") == 0) text.clear();
    if (local) *static_cast<const char**>(local) = text.c_str();
    return LWACTIVATE_OK;
}

}  // namespace module_log
