#include "lwhost/ui/user_action.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "lwhost/ui/inline_text.h"
#include "lwhost/ui/xpanel.h"

namespace lwhost {

namespace {

// The length of the well-formed UTF-8 sequence at `at`, or 0.
size_t utf8Length(const std::string& text, size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const size_t n = lead >= 0xc2 && lead <= 0xdf   ? 2
                     : lead >= 0xe0 && lead <= 0xef ? 3
                     : lead >= 0xf0 && lead <= 0xf4 ? 4
                                                    : 0;
    if (n == 0 || at + n > text.size()) return 0;
    for (size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xc0) != 0x80) return 0;
    return n;
}

// Control characters as escapes: C0 and DEL, and the C1 controls, whether encoded in UTF-8 or
// as stray bytes (a terminal may take U+009B or the byte 0x9B as ESC '['). Line breaks and tabs
// stay when `keepLines` is set.
std::string escapeControls(const std::string& text, bool keepLines) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    auto hex = [&out](unsigned char u) {
        out += "\\x";
        out += digits[u >> 4];
        out += digits[u & 15];
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const unsigned char u = static_cast<unsigned char>(c);
        if (keepLines && (c == '\n' || c == '\t')) {
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (u < 0x20 || u == 0x7f) {
            hex(u);
        } else if (u < 0x80) {
            out += c;
        } else if (const size_t n = utf8Length(text, i); n > 0) {
            if (u == 0xc2 && static_cast<unsigned char>(text[i + 1]) <= 0x9f) {
                hex(u);
                hex(static_cast<unsigned char>(text[i + 1]));
            } else {
                out.append(text, i, n);
            }
            i += n - 1;
        } else if (u <= 0x9f) {
            hex(u);
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string scriptOneLine(const std::string& text) {
    return escapeControls(text, false);
}

std::string terminalText(const std::string& text) {
    return escapeControls(text, true);
}

std::string scriptQuote(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '"' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return "\"" + scriptOneLine(escaped) + "\"";
}

bool scriptInt(const std::string& text, long long& out) {
    if (text.empty()) return false;
    const char* s = text.c_str();
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (!hex && !(s[0] == '-' || (s[0] >= '0' && s[0] <= '9'))) return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(s, &end, hex ? 16 : 10);
    if (errno || *end) return false;
    out = v;
    return true;
}

bool scriptNumber(const std::string& text, double& out) {
    if (text.empty()) return false;
    char c = text[0];
    if (!(c == '-' || c == '+' || c == '.' || (c >= '0' && c <= '9'))) return false;
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (errno || *end || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool scriptPanelControl(XPanel& panel, const ScriptArg& arg, unsigned& cid, std::string& why) {
    long long id = 0;
    if (!arg.quoted && scriptInt(arg.text, id)) {
        if (id > 0 && id <= 0xffffffffLL && panel.control(static_cast<unsigned>(id))) {
            cid = static_cast<unsigned>(id);
            return true;
        }
        why = "the panel has no control " + arg.text;
        return false;
    }
    const PanelControl* found = nullptr;
    for (const PanelControl& c : panel.controls()) {
        if (c.label != arg.text) continue;
        if (found) {
            why = "several controls are labelled " + scriptQuote(arg.text) + ": name one by its ID";
            return false;
        }
        found = &c;
    }
    if (!found) {
        why = "the panel has no control labelled " + scriptQuote(arg.text);
        return false;
    }
    cid = found->id;
    return true;
}

namespace {

bool onOff(const std::string& text, int& out) {
    if (text == "on" || text == "yes" || text == "true")
        out = 1;
    else if (text == "off" || text == "no" || text == "false")
        out = 0;
    else
        return false;
    return true;
}

}  // namespace

bool scriptPanelValue(XPanel& panel, unsigned cid, const std::vector<ScriptArg>& args, size_t first,
                      PanelValue& value, std::string& why) {
    if (first >= args.size()) {
        why = "a value is missing";
        return false;
    }
    const PanelControl* control = panel.control(cid);
    const ValueKind kind = control ? control->kind() : ValueKind::None;
    const size_t n = args.size() - first;
    const std::string& text = args[first].text;
    auto expected = [&](const std::string& what) {
        why = "control " + scriptQuote(control ? control->label : "") + " takes " + what;
        return false;
    };
    switch (kind) {
        case ValueKind::Int: {
            if (n != 1) return expected("one integer");
            long long v = 0;
            int flag = 0;
            if (!args[first].quoted && scriptInt(text, v) && v >= INT32_MIN && v <= INT32_MAX) {
                value = PanelValue::ofInt(static_cast<int>(v));
                return true;
            }
            if (!args[first].quoted && onOff(text, flag)) {
                value = PanelValue::ofInt(flag);
                return true;
            }
            // A pop-up's item by its text: as the plug-in gave it, as printed, or without codes.
            const std::vector<std::string> items = panel.popupItems(cid);
            for (size_t i = 0; i < items.size(); ++i) {
                if (items[i] == text || printInlineText(items[i]) == text ||
                    stripInlineCodes(items[i]) == text) {
                    value = PanelValue::ofInt(static_cast<int>(i));
                    return true;
                }
            }
            return expected(items.empty() ? "an integer or on/off"
                                          : "an integer or an item's text");
        }
        case ValueKind::Float:
        case ValueKind::Envelope:
        case ValueKind::Vector: {
            double v[3] = {0, 0, 0};
            size_t numbers = 0;
            for (size_t i = first; i < args.size(); ++i) {
                if (numbers >= 3 || !scriptNumber(args[i].text, v[numbers]))
                    return expected(kind == ValueKind::Vector ? "three numbers" : "a number");
                ++numbers;
            }
            if (kind == ValueKind::Vector || (kind == ValueKind::Envelope && numbers == 3)) {
                if (numbers != 3) return expected("three numbers");
                value = PanelValue::ofVector(v[0], v[1], v[2]);
            } else {
                if (numbers != 1) return expected("a number");
                value = PanelValue::ofFloat(v[0]);
            }
            return true;
        }
        case ValueKind::String:
            if (n != 1) return expected("one text");
            value = PanelValue::ofString(text);
            return true;
        case ValueKind::None:
        case ValueKind::Opaque:
            break;
    }
    why = "control " + scriptQuote(control ? control->label : "") +
          " carries no value a script can give";
    return false;
}

}  // namespace lwhost
