// Script statements that edit the scene for one run of render or info, from -e STATEMENT
// (repeatable) and --script FILE (repeatable): the script files first, in the order given, then
// the -e statements in order. They run after the scene loads and, in a render with passes,
// again for each pass after its preset is loaded. Nothing is saved: `save` is refused.
// A statement that fails stops the command; messages read "FILE:LINE: why", and "-e:N: why"
// for the N-th -e.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "lwhost/script/script.h"

namespace lwhost {
class Session;
}

namespace lwhost::cli {

class InputFiles;

class SceneEdits {
  public:
    SceneEdits();
    ~SceneEdits();
    SceneEdits(const SceneEdits&) = delete;
    SceneEdits& operator=(const SceneEdits&) = delete;

    // Takes "-e STATEMENT" or "--script FILE" when `option` is one: true then, with `ok` false
    // after a usage error for `command` was reported.
    bool take(const std::string& option, class Args& args, const char* command, bool& ok);
    bool empty() const { return m_files.empty() && m_lines.empty(); }
    // The edits as a command line gives them, one per line ("--script FILE", "-e STATEMENT").
    std::string describe() const;
    // The script files, as inputs no output may replace.
    void addInputs(InputFiles& inputs) const;

    // Reads the files and checks every statement against the session's verbs; false with
    // "FILE:LINE: why". Call once, before anything loads.
    bool prepare(Session& session, std::string& error);
    // Runs the statements on the scene as it is now; `print` and the panels' prints go to
    // `out`. False with "FILE:LINE: why".
    bool apply(std::ostream& out, std::string& error);

  private:
    struct Source {
        std::string name;
        std::vector<ScriptStatement> statements;
    };
    std::vector<std::string> m_files;
    std::vector<std::string> m_lines;
    std::vector<Source> m_sources;
    Session* m_session = nullptr;
    std::ostream m_out;  // where the script's prints go now
    std::unique_ptr<ScriptEnvironment> m_env;
    Script m_script;
};

}  // namespace lwhost::cli
