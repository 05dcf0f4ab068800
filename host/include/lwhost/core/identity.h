// Who the host says it is: product version and system type, as "Product Info" and "System ID"
// report them.
#pragma once

#include <cstdint>
#include <string>

namespace lwhost {

struct HostIdentity {
    unsigned major = 11;       // product version, 0..15
    unsigned minor = 6;        // 0..15
    unsigned build = 0;        // 0..4095
    unsigned systemType = 0;   // LWSYSTEM_TYPE: 0 Layout, 1 the modelling application
    uint32_t serial = 0x0001;  // low bits of "System ID"

    uint32_t productInfo() const;
    uint32_t systemID() const;
    std::string versionText() const;  // "11.6"

    // Parses "MAJOR.MINOR" into this identity. A version outside the 4-bit fields, or text that
    // is not two decimal numbers, is refused with a reason in `error`.
    bool setVersion(const std::string& text, std::string& error);
};

}  // namespace lwhost
