#include "lwhost/scene/scene_file_text.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "lwhost/io/quoted_text.h"

namespace lwhost::scenetext {

bool scanBraces(const std::string& line, int& depth, std::string& error) {
    for (size_t i = 0; i < line.size();) {
        char c = line[i];
        if (c == '"') {
            // Only the text's end matters here; the block reader checks its escapes.
            if (!readQuoted(line, i, kSceneQuotes, nullptr, error, false)) return false;
            continue;
        }
        if (c == '#') break;
        if (c == '{') {
            ++depth;
        } else if (c == '}' && --depth < 0) {
            error = "'}' without a matching '{'";
            return false;
        }
        ++i;
    }
    return true;
}

std::string firstWord(const std::string& line) {
    size_t b = line.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    size_t e = line.find_first_of(" \t#", b);
    return line.substr(b, e == std::string::npos ? std::string::npos : e - b);
}

std::string dedent(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    std::optional<std::string> indent;
    for (const std::string& l : lines) {
        size_t n = l.find_first_not_of(" \t");
        if (n == std::string::npos) continue;
        if (!indent) {
            indent = l.substr(0, n);
            continue;
        }
        size_t k = 0;
        while (k < indent->size() && k < n && (*indent)[k] == l[k]) ++k;
        indent->resize(k);
    }
    std::string out;
    for (const std::string& l : lines) {
        if (l.find_first_not_of(" \t") != std::string::npos) out += l.substr(indent->size());
        out += '\n';
    }
    return out;
}

std::string quote(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                if (c < 0x20 || c == 0x7f) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02X", c);
                    out += hex;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string word(const std::string& text) {
    bool simple =
        !text.empty() && (std::isalpha(static_cast<unsigned char>(text[0])) || text[0] == '_');
    for (unsigned char c : text)
        if (!std::isalnum(c) && c != '_' && c != '-' && c != '.') simple = false;
    if (text == "Disabled") simple = false;
    return simple ? text : quote(text);
}

std::string number(double value) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

std::string number(float value) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

}  // namespace lwhost::scenetext
