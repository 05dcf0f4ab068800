// Scene reader fuzzing: any text either fails with one located message or reads into a scene
// that writes out, reads back and writes out again byte for byte. Files are never opened.
#include "lwhost/scene/scene_file.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    lwhost::SceneFile io;
    io.allowExternalFiles = false;
    io.maxPoints = 1 << 20;
    const std::string text(reinterpret_cast<const char*>(data), size);
    lwhost::Scene scene;
    std::string error;
    if (!io.read(text, "fuzz.lws", "", scene, error)) {
        if (error.rfind("fuzz.lws:", 0) != 0 || error.find('\n') != std::string::npos)
            __builtin_trap();
        return 0;
    }
    std::string first, second;
    if (!io.write(scene, first, error)) __builtin_trap();
    lwhost::Scene again;
    if (!io.read(first, "first.lws", "", again, error)) __builtin_trap();
    if (!io.write(again, second, error) || second != first) __builtin_trap();
    return 0;
}
