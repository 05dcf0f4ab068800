// What a scripted user does to the host's modal dialogs: one action of the queue the dialogs
// consume (see dialogs.h), with its words as the script wrote them, and how such words name
// panel controls and values.
#pragma once

#include <string>
#include <vector>

#include "lwhost/io/quoted_text.h"

namespace lwhost {

class XPanel;
struct PanelValue;

// One word of a statement: a bare word or a text in double quotes.
using ScriptArg = QuotedToken;

struct UserAction {
    enum class Kind {
        Click,       // a row of a list box: control label, row (label or index), qualifiers
        Press,       // a button by its label
        Wait,        // sleep `ms` milliseconds
        Answer,      // an asking dialog: answer is "ok", "cancel", "yes" or "no"
        File,        // a file request confirmed with `text` as the chosen path
        FileCancel,  // a file request cancelled
        FormSet,     // a field of a posted form: control label (or ID), value words
        FormPress,   // a button of a posted form: control label (or ID)
        FormOk,      // closes a posted form with OK
        FormCancel,  // closes a posted form as cancelled
        SavePng,     // saves the modal classic panel's image to `text`
        Print,       // prints the modal classic panel as text
    };
    Kind kind = Kind::Wait;
    std::string control;   // Click, Press, FormSet, FormPress: the control's label (codes stripped)
    ScriptArg controlArg;  // FormSet, FormPress: as written, so a number names a control ID
    std::string row;       // Click: the row's text (codes stripped)
    int rowIndex = -1;     // Click: the row by index when >= 0
    int qualifiers = 0;    // Click: IQ_CTRL, IQ_SHIFT, IQ_ALT
    long long ms = 0;      // Wait
    std::string text;      // Answer, File, SavePng
    std::vector<ScriptArg> values;  // FormSet
    std::string origin;             // where it was queued ("queued at line N"), for messages
    int line = 0;                   // the script line that queued it; 0: not from a script

    // "press \"Ok\"", "answer yes", ...: how messages name it.
    std::string describe() const;
};

// A text on one line: line breaks, tabs and other control characters (also the C1 controls,
// U+0080..U+009F or stray bytes 0x80..0x9F) as escapes, so that nothing read from a file or a
// plug-in drives the terminal.
std::string scriptOneLine(const std::string& text);
// The same with line breaks and tabs kept: for texts printed as lines.
std::string terminalText(const std::string& text);

// A text as a script writes it: in double quotes, with escapes for quotes, backslashes and
// control characters, so that it stays on one line.
std::string scriptQuote(const std::string& text);

// Number arguments: decimal integers (or 0x hexadecimal), and decimal numbers.
bool scriptInt(const std::string& text, long long& out);
bool scriptNumber(const std::string& text, double& out);

// A property panel's control named by a script argument: its ID when a number not in quotes
// (123 or 0x7b), else its label. False with the reason.
bool scriptPanelControl(XPanel& panel, const ScriptArg& arg, unsigned& cid, std::string& why);
// The value a control takes from args[first..]: one integer, on/off or a pop-up item's text
// for integers; one number or three; one text. False with the reason.
bool scriptPanelValue(XPanel& panel, unsigned cid, const std::vector<ScriptArg>& args, size_t first,
                      PanelValue& value, std::string& why);

}  // namespace lwhost
