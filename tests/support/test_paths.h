// Where the build put the programs and modules the tests load, and loading one.
#pragma once

#include <gtest/gtest.h>
#include "lwhost/core/host.h"

#include <string>

inline std::string testModule(const std::string& name) {
    return std::string(TEST_MODULE_DIR) + "/" + name + ".p";
}
inline std::string lumavexModule() {
    return LUMAVEX_MODULE;
}
inline std::string lwhostProgram() {
    return LWHOST_PROGRAM;
}

// Loads the module at `path` into the host; the loader's message when it fails.
inline ::testing::AssertionResult loads(lwhost::Host& host, const std::string& path) {
    lwhost::LoadResult result;
    if (host.loadModule(path, result)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << result.message;
}
