// Texts in double quotes and the words around them, as the host's text formats read them, and
// errors that name the place in a file they are about.
//
// Every format reads a quoted text the same way; what differs is kept in its QuoteRules:
//   - backslash escapes \" \\ \n \t \r \xHH (scene files, scripts, block files), or none at all
//     with two quotes inside standing for one (layout command lines, where file names keep
//     their backslashes);
//   - whether \x00 is refused (texts that end up as C strings);
//   - how the words between texts end, whether '#' begins a comment, and the format's own
//     words for each fault.
// Control characters other than the tab, and DEL, are refused between quotes by every format:
// a text that holds one is written with an escape.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lwhost {

// What went wrong and where: a file's name (empty for text handed over without it), a line
// (0 when none is known) and what was wrong.
struct Located {
    std::string file;
    long line = 0;
    std::string text;
};

// "FILE:LINE: text"; "FILE: text" without a line; "line LINE: text" without a file; the text
// alone with neither.
std::string formatLocated(const Located& where);

// A format's words for each fault.
struct QuoteWords {
    const char* unclosed;  // the line or data ends before the closing quote
    const char* control;   // a control character or DEL between the quotes
    // A backslash before a character that is no escape: `unknownEscape`, the character, then
    // `escapeEnd`. With `oddEscapeShown` false a character that could not stand in a word is
    // shown as '?'.
    const char* unknownEscape;
    const char* escapeEnd;
    bool oddEscapeShown;
    const char* badHex;       // \x without two hexadecimal digits
    const char* zero;         // \x00 where it is refused
    const char* lineControl;  // a control character outside quotes
};

struct QuoteRules {
    // Backslash escapes; without them a text is taken as it is, "" inside standing for one.
    bool escapes = true;
    // \x00 is refused.
    bool refuseZero = false;
    // Characters besides blanks (space, tab) that end a word.
    const char* wordEnds = "";
    // '#' where a word would begin ends the line.
    bool comments = true;
    // Control characters outside quotes are refused.
    bool lineControls = true;
    QuoteWords words;
};

// Each reader's rules.
extern const QuoteRules kSceneQuotes;    // scene file statements
extern const QuoteRules kScriptQuotes;   // script lines
extern const QuoteRules kBlockQuotes;    // block files in the text encoding
extern const QuoteRules kCommandQuotes;  // layout command lines

// Reads the quoted text whose opening quote is at text[pos]: on success `pos` is just past the
// closing quote and `out` (when given) holds the text decoded. A line break before the closing
// quote leaves the text unclosed. `checkEscapes` false only finds the text's end: a backslash
// then takes the next character, whatever it is (for a scan whose reader checks escapes later).
// False with the rules' words in `why`.
bool readQuoted(std::string_view text, std::size_t& pos, const QuoteRules& rules, std::string* out,
                std::string& why, bool checkEscapes = true);

struct QuotedToken {
    std::string text;
    bool quoted = false;  // written as a text in double quotes
};

// Splits one line (without its line break) into words and quoted texts. `tokens` keeps the
// storage of its earlier tokens, so that a reader splitting many lines allocates little. False
// with the rules' words in `why`.
bool splitQuotedLine(std::string_view line, const QuoteRules& rules,
                     std::vector<QuotedToken>& tokens, std::string& why);

}  // namespace lwhost
