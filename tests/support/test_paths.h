// Where the build put the programs and modules the tests load.
#pragma once

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
