#include "lwhost/io/quoted_text.h"

#include <cstring>

namespace lwhost {

namespace {

bool isControl(unsigned char c) {
    return (c < 0x20 && c != '\t') || c == 0x7f;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A character a block file could hold in a word, shown as it is in its messages.
bool isWordChar(char c) {
    auto u = static_cast<unsigned char>(c);
    return u > ' ' && u != 0x7f && c != '{' && c != '}' && c != '"' && c != '#';
}

constexpr const char* kLineControl = "control character in the line";
constexpr const char* kBadHex = "\\x needs two hexadecimal digits";

}  // namespace

// Fields: escapes, refuseZero, wordEnds, comments, lineControls, then the words for each fault.

// Scene statements: words end at blanks only; \x00 is refused.
const QuoteRules kSceneQuotes{
    true,
    true,
    "",
    true,
    true,
    {"unterminated text", "control character in a text; write it as an escape", "unknown escape \\",
     " in a text", true, kBadHex, "a text may not hold a zero character", kLineControl}};

// Script lines: a quote or '#' also ends a word.
const QuoteRules kScriptQuotes{
    true,
    false,
    "\"#",
    true,
    true,
    {"a text has no closing quote", "control character in a text (write it as an escape)",
     "unknown escape \\", "", true, kBadHex, kBadHex, kLineControl}};

// Block files: \x00 is refused; the reader finds words itself and reads only texts here.
const QuoteRules kBlockQuotes{
    true,
    true,
    "",
    true,
    true,
    {"a text without its closing quote", "control character in a text (write it as an escape)",
     "a text holds the unknown escape \\", "", false, "a text holds a bad \\x escape",
     "a text holds a bad \\x escape", kLineControl}};

// Layout command lines: no escapes, so that file names keep their backslashes; no comments.
const QuoteRules kCommandQuotes{false,
                                false,
                                "\"",
                                false,
                                false,
                                {"a text has no closing quote", "control character in a text", "",
                                 "", true, "", "", kLineControl}};

std::string formatLocated(const Located& where) {
    if (where.file.empty())
        return where.line > 0 ? "line " + std::to_string(where.line) + ": " + where.text
                              : where.text;
    if (where.line > 0) return where.file + ":" + std::to_string(where.line) + ": " + where.text;
    return where.file + ": " + where.text;
}

bool readQuoted(std::string_view text, std::size_t& pos, const QuoteRules& rules, std::string* out,
                std::string& why, bool checkEscapes) {
    const QuoteWords& words = rules.words;
    const auto fail = [&](const char* what) {
        why = what;
        return false;
    };
    const std::size_t size = text.size();
    std::size_t i = pos + 1;
    while (i < size) {
        const char c = text[i++];
        if (c == '"') {
            // Without escapes, two quotes inside stand for one.
            if (rules.escapes || i >= size || text[i] != '"') {
                pos = i;
                return true;
            }
            ++i;
        } else if (c == '\n') {
            break;
        } else if (isControl(static_cast<unsigned char>(c))) {
            return fail(words.control);
        } else if (c == '\\' && rules.escapes) {
            if (i >= size) break;
            const char e = text[i++];
            if (!checkEscapes) continue;
            char decoded = e;
            switch (e) {
                case '"':
                case '\\':
                    break;
                case 'n':
                    decoded = '\n';
                    break;
                case 't':
                    decoded = '\t';
                    break;
                case 'r':
                    decoded = '\r';
                    break;
                case 'x': {
                    const int hi = i < size ? hexDigit(text[i]) : -1;
                    const int lo = i + 1 < size ? hexDigit(text[i + 1]) : -1;
                    if (hi < 0 || lo < 0) return fail(words.badHex);
                    if (hi == 0 && lo == 0 && rules.refuseZero) return fail(words.zero);
                    decoded = static_cast<char>(hi * 16 + lo);
                    i += 2;
                    break;
                }
                default:
                    why = words.unknownEscape;
                    why += words.oddEscapeShown || isWordChar(e) ? e : '?';
                    why += words.escapeEnd;
                    return false;
            }
            if (out) *out += decoded;
            continue;
        }
        if (out) *out += c;
    }
    return fail(words.unclosed);
}

bool splitQuotedLine(std::string_view line, const QuoteRules& rules,
                     std::vector<QuotedToken>& tokens, std::string& why) {
    std::size_t used = 0;
    const auto add = [&](bool quoted) -> QuotedToken& {
        if (used == tokens.size()) tokens.emplace_back();
        QuotedToken& t = tokens[used++];
        t.text.clear();
        t.quoted = quoted;
        return t;
    };
    const auto endsWord = [&](char c) {
        return c == ' ' || c == '\t' || (c != 0 && std::strchr(rules.wordEnds, c));
    };
    std::size_t i = 0;
    bool ok = true;
    while (ok && i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t') {
            ++i;
        } else if (c == '#' && rules.comments) {
            break;
        } else if (c == '"') {
            ok = readQuoted(line, i, rules, &add(true).text, why);
        } else {
            const std::size_t begin = i;
            for (; i < line.size() && !endsWord(line[i]); ++i)
                if (rules.lineControls && isControl(static_cast<unsigned char>(line[i]))) {
                    why = rules.words.lineControl;
                    ok = false;
                    break;
                }
            if (ok) add(false).text.assign(line.data() + begin, i - begin);
        }
    }
    tokens.resize(used);
    return ok;
}

}  // namespace lwhost
