// Image names of lwhost render: the directory form, the '#' pattern, the plain file.
#include "output_names.h"

#include <cctype>
#include <cstdio>

namespace lwhost::cli {

namespace {

constexpr int kPlainWidth = 4;  // OUT_0001.png and DIR/SCENE_0001.png
constexpr int kMaxWidth = 10;   // every int fits

bool sameIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return i == a.size() && !b[i];
}

// The format a file name says: ".png" or ".exr" in any case; a name without an extension is a
// PNG file (the frame number's '#' run does not count as one: "shot.####"). Any other extension
// ("x.jpg") is refused: whatever opens the file would read it as that format.
bool checkExtension(const std::string& output, size_t nameStart, ImageFormat& format,
                    std::string& why) {
    format = ImageFormat::Png;
    const size_t dot = output.rfind('.');
    if (dot == std::string::npos || dot <= nameStart || output.find('#', dot) != std::string::npos)
        return true;
    const std::string extension = output.substr(dot + 1);
    if (sameIgnoringCase(extension, "png")) return true;
    if (sameIgnoringCase(extension, "exr")) {
        format = ImageFormat::Exr;
        return true;
    }
    why = "-o " + output + ": unknown image extension '." + extension + "' (accepted: .png, .exr)";
    return false;
}

// The scene file's name without its directory and its last extension.
std::string sceneStem(const std::string& path) {
    const size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

}  // namespace

bool OutputNames::parse(const std::string& output, const std::string& scenePath, bool range,
                        bool passes, std::string& why) {
    *this = OutputNames();
    // Only a trailing '/' asks for the directory form: a directory named like an image is
    // refused as a target, not filled.
    m_directory = output.back() == '/';
    if (m_directory && output.find('#') != std::string::npos) {
        why = "-o " + output + ": '#' stands for the frame number only in the file name";
        return false;
    }
    if (m_directory) {
        m_head = output + sceneStem(scenePath);
        m_tail = ".png";
        m_width = range ? kPlainWidth : 0;
        return true;
    }
    const size_t slash = output.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t hash = output.find('#');
    if (hash != std::string::npos && hash < nameStart) {
        why = "-o " + output + ": '#' stands for the frame number only in the file name";
        return false;
    }
    if (!checkExtension(output, nameStart, m_format, why)) return false;
    // An EXR file holds every pass as a layer of its own.
    if (passes && m_format != ImageFormat::Exr) {
        why =
            "--pass needs -o DIR/ or an .exr file (so that each pass has a file or a layer of "
            "its own)";
        return false;
    }
    m_layered = passes;
    if (hash != std::string::npos) {
        const size_t end = output.find_first_not_of('#', hash);
        if (end != std::string::npos && output.find('#', end) != std::string::npos) {
            why = "-o " + output + ": the frame number takes one run of '#', not several";
            return false;
        }
        const size_t width = (end == std::string::npos ? output.size() : end) - hash;
        if (width > static_cast<size_t>(kMaxWidth)) {
            why = "-o " + output + ": at most 10 '#' for the frame number";
            return false;
        }
        m_head = output.substr(0, hash);
        m_tail = output.substr(hash + width);
        m_width = static_cast<int>(width);
        return true;
    }
    if (!range) {
        m_head = output;
        return true;
    }
    // A range without a pattern: the number goes before the extension, if there is one.
    const size_t dot = output.rfind('.');
    const bool extension = dot != std::string::npos && dot > nameStart;
    m_head = (extension ? output.substr(0, dot) : output) + "_";
    m_tail = extension ? output.substr(dot) : "";
    m_width = kPlainWidth;
    return true;
}

std::string OutputNames::file(const std::string& pass, int frame) const {
    std::string name = m_head;
    if (m_directory && !pass.empty() && !m_layered) name += "_" + pass;
    if (m_width > 0) {
        char number[32];
        std::snprintf(number, sizeof number, "%s%0*d", m_directory ? "_" : "", m_width, frame);
        name += number;
    }
    return name + m_tail;
}

}  // namespace lwhost::cli
