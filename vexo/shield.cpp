#include "vexo/shield.h"

#include <cstdio>

#include "vexo/globals.h"
#include "vexo/server.h"

namespace vexo {
namespace detail {

namespace {

void unknownText(char* out, std::size_t size, const char* where) noexcept {
    std::snprintf(out, size, "An unknown exception occured in %s", where ? where : "");
}

}  // namespace

void showFailure(const char* where, const char* message) noexcept {
    LWMessage* messages = messageService();
    if (!messages || !messages->available()) return;
    char header[256];
    std::snprintf(header, sizeof header, "An exception occured in %s:", where ? where : "");
    char unknown[256];
    if (!message) {
        unknownText(unknown, sizeof unknown, where);
        message = unknown;
    }
    messages->error(header, message);
}

const char* keepFailure(char* kept, const char* where, const char* message) noexcept {
    if (message)
        std::snprintf(kept, kKeptTextSize, "%s", message);
    else
        unknownText(kept, kKeptTextSize, where);
    return kept;
}

}  // namespace detail
}  // namespace vexo
