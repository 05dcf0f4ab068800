// The script language of "lwhost run": statements that drive the host as a user would.
//
//     # a comment, to the end of the line
//     command "Surf_SetSurf \"Floor\" \"Floor\""   a verb, then its arguments
//     panel set "Global Shading Enabled" on        verbs may have two words
//
//   - One statement per line. Arguments are words (any characters but blanks, '"' and '#') or
//     texts in double quotes with the escapes \" \\ \n \t \r and \xHH (control characters but the
//     tab, and DEL, only as escapes). A '#' outside a text ends the line.
//   - The verb is the first word, or the first two words when a two-word verb of that name is
//     defined ("panel open", "expect status"). Every verb states how many arguments it takes.
//   - A script is read whole and checked (verbs, argument counts, texts) before anything runs;
//     running stops at the first statement that fails. Every error reads "SCRIPT:LINE: why".
//
// The verbs are a table: Script::define adds one, so other parts of the host add theirs without
// touching the reader. defineLayoutVerbs (below) adds the standard ones.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "lwhost/ui/user_action.h"

namespace lwhost {

class Host;
class Plugins;
class LayoutCommands;
class XPanel;
struct PanelValue;

// Largest script read.
constexpr size_t kMaxScriptBytes = 16u << 20;

struct ScriptStatement {
    int line = 0;
    std::string verb;  // one or two words, as defined
    std::vector<ScriptArg> args;
};

class Script {
  public:
    // Runs one statement; false with the reason in `why` stops the run.
    using Handler = std::function<bool(const ScriptStatement& statement, std::string& why)>;
    struct Verb {
        size_t minArgs = 0;
        size_t maxArgs = 0;
        std::string usage;  // the arguments, as shown in messages ("CONTROL VALUE")
        Handler handler;
    };
    enum class Result { Ok, BadScript, Failed };

    // Runs after the last statement succeeded; false with the reason and the line to name fails
    // the run (what a script left undone).
    using EndCheck = std::function<bool(int& line, std::string& why)>;
    void setEndCheck(EndCheck check) { m_endCheck = std::move(check); }
    // Runs before every statement; false with the reason and the line to name fails the run
    // there, the statement not run.
    using StatementCheck =
        std::function<bool(const ScriptStatement& statement, int& line, std::string& why)>;
    void setStatementCheck(StatementCheck check) { m_statementCheck = std::move(check); }

    // Adds or replaces a verb of one word or two words separated by one blank.
    void define(const std::string& name, size_t minArgs, size_t maxArgs, std::string usage,
                Handler handler);
    const Verb* find(const std::string& name) const;
    // Every verb name in order.
    std::vector<std::string> names() const;

    // Reads a script; on the first error returns false with "SCRIPT:LINE: why".
    bool parse(const std::string& text, const std::string& fileName,
               std::vector<ScriptStatement>& out, std::string& error) const;
    // Runs statements in order, stopping at the first failure ("SCRIPT:LINE: why", one line:
    // control characters in the reason are written as escapes).
    bool run(const std::vector<ScriptStatement>& statements, const std::string& fileName,
             std::string& error) const;
    // Parses, then runs: BadScript when it did not parse, Failed when a statement failed.
    Result execute(const std::string& text, const std::string& fileName, std::string& error) const;

    // Reads a script file (at most kMaxScriptBytes); false with "PATH: why".
    static bool readFile(const std::string& path, std::string& text, std::string& error);
    // Splits one line into arguments; false with the reason for a bad text.
    static bool splitLine(const std::string& line, std::vector<ScriptArg>& out, std::string& why);

  private:
    std::map<std::string, Verb> m_verbs;
    EndCheck m_endCheck;
    StatementCheck m_statementCheck;
};

// What the standard verbs work on.
struct ScriptEnvironment {
    Host& host;
    Plugins& plugins;
    LayoutCommands& commands;
    std::ostream& out;       // where print and panel print write
    std::string outputPath;  // where save without a path writes; empty: nowhere
    bool allowSave = true;   // false refuses save (scripts from untrusted sources)
    // Asked by save before it writes (defineDialogVerbs sets it): false with the reason writes
    // nothing.
    std::function<bool(std::string& why)> mayWrite = nullptr;
};

// Adds the verbs:
//   command "LINE"                     runs a host command line; fails unless it answers OK
//   generic NAME                       runs a "LayoutGeneric" server; fails unless it answers 0
//   panel open CLASS POSITION          opens a server's panel ("EditServer" without the record);
//                                      "panel open NodeHandler NODE" a node's of the open editor
//   panel set CONTROL VALUE...         sets a control of the open panel (three numbers for a
//                                      vector; on/off for integers; an item's text for a pop-up)
//   panel click CONTROL                hits a button
//   panel popcmd CONTROL ITEM          chooses a command pop-up's item, by index or text
//   panel print                        prints the open panel
//   panel items CONTROL                lists a pop-up's items with their indices
//   panel close                        closes it as the user does
//   expect command-count N             N command lines ran so far
//   expect last-command "LINE"         the last command line was LINE
//   expect status "TEXT"               the last status message was TEXT
//   expect message "TEXT"              the last message a plug-in showed has TEXT as first line
//   expect panel-value CONTROL VALUE...  a control of the open panel holds VALUE
//   expect masters N                   the scene has N master plug-ins
//   expect shaders SURFACE N           surfaces named SURFACE carry N shaders in all
//   save [PATH]                        saves the scene (to the output path when none given)
//   print "TEXT"                       prints TEXT and a line break
// CONTROL is a control's label, or its ID as a number (123 or 0x7b) when not quoted.
// It also adds the graph verbs (defineGraphVerbs).
void defineLayoutVerbs(Script& script, ScriptEnvironment& env);

// Adds the verbs that edit the node editor whose window is open, as the user's edits do
// (docs/scripting-graphs.md):
//   graph surface SURFACE              opens the surface's own node editor
//   graph state on|off                 switches the open editor's graph on or off
//   graph add SERVER NAME              adds a node of the server under that name
//   graph remove NODE | graph rename NODE NEW-NAME
//   graph connect NODE OUTPUT TO-NODE INPUT   feeds an input from an output
//   graph root NODE OUTPUT ROOT-INPUT  feeds a root input
//   graph disconnect NODE INPUT | graph unroot ROOT-INPUT
//   graph set NODE SETTING NUMBER...   sets a host node's setting ("Colour1", "Size", "Value")
//   graph list | graph print [--dot]   lists the graph, or prints it as its file blocks (or
//                                      in Graphviz's DOT language)
//   expect connection NODE OUTPUT TO-NODE INPUT | expect root NODE OUTPUT ROOT-INPUT
//   expect node-value NODE SETTING NUMBER...  | expect graph-nodes N
//   node set NODE CONTROL VALUE...     opens the panel of the node NODE (of the open editor, else
//                                      the only one of that name) and sets a control, as
//                                      panel set does
// and lets "panel open NodeHandler NODE" open a node's panel.
void defineGraphVerbs(Script& script, ScriptEnvironment& env);

// Adds the verbs of modal panels and dialogs. Modal things a plug-in opens take the queued
// actions in order (see dialogs.h); nothing queued means cancel (or no).
//   queue click LIST ROW [shift|ctrl|alt]  clicks a row of a classic panel's list box: ROW is
//                                      the row's text without inline codes, or its index when
//                                      a number not in quotes; qualifiers join with '+'
//   queue press BUTTON                 presses a classic panel's button by its label ("OK" and
//                                      "Cancel" reach the host's own buttons when it has them)
//   queue wait MS                      sleeps 0..60000 ms before the next action
//   queue answer ok|cancel|yes|no      answers an asking dialog
//   queue file PATH                    confirms a file request (a relative PATH lies in the
//                                      Content directory); queue file-cancel cancels one
//   queue form-set CONTROL VALUE...    sets a field of a posted form (as panel set)
//   queue form-press BUTTON            hits a button of a posted form; what it opens takes
//                                      the actions queued after it
//   queue form-ok | queue form-cancel  closes a posted form
//   queue save-png PATH | queue print  saves or prints the modal classic panel
//   queue clear                        drops every queued action
//   expect dialog KIND "TITLE" ["TEXT"]  the next dialog not yet checked: KIND is panel, form,
//                                      file, yes-no, yes-no-cancel or ok-cancel; TEXT is its
//                                      text or one of its lines. KIND error checks the next
//                                      error message not yet checked (TITLE its first line,
//                                      TEXT its second): errors have their own order
//   expect dialogs N                   N dialogs were shown in all, errors too
//   expect file-request "TITLE" "PATH"|cancelled  the last file request and its answer
//   expect queue-empty                 every queued action was used
//   set alert-level 0|1|2              the alert level "LW Interface Info 5" reports
//   set directory TYPE PATH            a directory "Directory Info" reports
//   panel save-png PATH                saves the modal (else latest, else last closed) classic
//                                      panel's image
//   panel print-classic                prints that classic panel as text
// Every verb defined before this call also fails when a queued action met a dialog that could
// not take it (a press at a question, an unknown row): "SCRIPT:LINE: queued at line N: why".
// A script that ends with queued actions no dialog took fails at the line that queued the first.
// An error message (a plug-in's, or the host's about a damaged file) must be checked with expect
// dialog error before any statement but an expect verb runs, and before the script ends; until
// then nothing more runs and no save writes. The run fails at the line that showed it.
void defineDialogVerbs(Script& script, ScriptEnvironment& env);

// Adds the verbs that explain what selection nodes select (see plugins/selections.h):
//   explain FRAME                      steps the scene to FRAME and prints every graph's nodes
//                                      with what each selection, light group and comment node
//                                      built (the listing of "lwhost info --frame")
//   expect selection FRAME "NODE" ["MEMBER"...]  the node named NODE lists exactly these
//                                      members at FRAME, in order (none: it selects nothing);
//                                      refused when several graphs hold a node of that name
void defineSelectionVerbs(Script& script, ScriptEnvironment& env);

}  // namespace lwhost
