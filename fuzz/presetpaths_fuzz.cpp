// Preset location configuration fuzzing: any bytes parse without crashing into locations whose
// keys are normalised single words and whose directories are non-empty single lines without NUL
// bytes; problems name lines that exist.
#include <vexo/presets.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const vexo::PresetPaths parsed = vexo::parsePresetPaths(text);
    const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    for (const auto& location : parsed.locations) {
        const std::string& key = location.first;
        const std::string& dir = location.second;
        if (key.empty() || dir.empty()) std::abort();
        if (key.find_first_of(std::string(" \n\0", 3)) != std::string::npos) std::abort();
        if (dir.find_first_of(std::string("\n\0", 2)) != std::string::npos) std::abort();
        if (key.size() + dir.size() + 1 > vexo::maxPresetPathLine) std::abort();
        if (vexo::normalisePresetKey(key) != key) std::abort();
    }
    for (const vexo::PresetPathProblem& problem : parsed.problems)
        if (problem.line < 1 || static_cast<size_t>(problem.line) > lines || problem.reason.empty())
            std::abort();
    return 0;
}
