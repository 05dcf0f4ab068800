#include "lwhost/core/identity.h"

#include <lwsdk/lwhostinfo.h>

#include <cctype>

namespace lwhost {

uint32_t HostIdentity::productInfo() const {
    return LWPRODUCT_MAKE(major, minor, build);
}

uint32_t HostIdentity::systemID() const {
    return ((static_cast<uint32_t>(systemType) << 28) & LWSYSTEM_TYPEBITS) |
           (serial & LWSYSTEM_SERIALBITS);
}

std::string HostIdentity::versionText() const {
    return std::to_string(major) + "." + std::to_string(minor);
}

namespace {
// Reads a decimal number of at most three digits; false on anything else.
bool readNumber(const std::string& text, size_t& pos, unsigned& value) {
    size_t start = pos;
    value = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        if (pos - start >= 3) return false;
        value = value * 10 + static_cast<unsigned>(text[pos] - '0');
        ++pos;
    }
    return pos > start;
}
}  // namespace

bool HostIdentity::setVersion(const std::string& text, std::string& error) {
    size_t pos = 0;
    unsigned maj = 0, min = 0;
    if (!readNumber(text, pos, maj) || pos >= text.size() || text[pos] != '.' ||
        !readNumber(text, ++pos, min) || pos != text.size()) {
        error = "host version '" + text + "' is not MAJOR.MINOR (for example 11.6)";
        return false;
    }
    if (maj > 15 || min > 15) {
        error = "host version '" + text + "' does not fit the product info (major and minor 0..15)";
        return false;
    }
    major = maj;
    minor = min;
    return true;
}

}  // namespace lwhost
