// -e and --script of render and info: statements run on the loaded scene, never saved.
#include "edits.h"

#include "cli.h"
#include "inputs.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/session/session.h"
#include "lwhost/ui/dialogs.h"

namespace lwhost::cli {

namespace {
constexpr char kLineName[] = "-e";
}  // namespace

SceneEdits::SceneEdits() : m_out(nullptr) {}
SceneEdits::~SceneEdits() = default;

bool SceneEdits::take(const std::string& option, Args& args, const char* command, bool& ok) {
    ok = true;
    if (option != "-e" && option != "--script") return false;
    std::string value;
    if (option == "-e") {
        // One statement per -e: its number names it in messages.
        if (!args.value(option, value) || value.find_first_of("\r\n") != std::string::npos) {
            usageError(command, "-e needs one STATEMENT (one line)");
            ok = false;
        } else {
            m_lines.push_back(value);
        }
    } else if (!args.value(option, value) || value.empty()) {
        usageError(command, "--script needs a FILE");
        ok = false;
    } else {
        m_files.push_back(value);
    }
    return true;
}

std::string SceneEdits::describe() const {
    std::string text;
    for (const std::string& file : m_files) text += "--script " + file + "\n";
    for (const std::string& line : m_lines) text += "-e " + line + "\n";
    return text;
}

void SceneEdits::addInputs(InputFiles& inputs) const {
    for (const std::string& file : m_files) inputs.add("the script", file);
}

bool SceneEdits::prepare(Session& session, std::string& error) {
    m_session = &session;
    m_env = std::make_unique<ScriptEnvironment>(ScriptEnvironment{
        session.host(), session.plugins(), session.commands(), m_out, std::string(), false});
    defineLayoutVerbs(m_script, *m_env);
    defineDialogVerbs(m_script, *m_env);
    defineSelectionVerbs(m_script, *m_env);
    for (const std::string& file : m_files) {
        std::string text;
        Source source{file, {}};
        if (!Script::readFile(file, text, error) ||
            !m_script.parse(text, file, source.statements, error))
            return false;
        m_sources.push_back(std::move(source));
    }
    if (m_lines.empty()) return true;
    // The -e statements as the lines of one script: line N is the N-th -e.
    std::string text;
    for (const std::string& line : m_lines) text += line + "\n";
    Source source{kLineName, {}};
    if (!m_script.parse(text, kLineName, source.statements, error)) return false;
    m_sources.push_back(std::move(source));
    return true;
}

bool SceneEdits::apply(std::ostream& out, std::string& error) {
    if (!m_session) return true;
    // Errors shown while the scene or a preset loaded were reported there already: the
    // statements are not asked to expect them.
    Dialogs& dialogs = m_session->host().dialogs();
    DialogRecord shown;
    while (dialogs.uncheckedError(shown) && dialogs.checkNext(true, shown)) {
    }
    m_out.rdbuf(out.rdbuf());
    bool ok = true;
    for (const Source& source : m_sources) {
        ok = m_script.run(source.statements, source.name, error);
        if (!ok) break;
    }
    m_out.rdbuf(nullptr);
    // A panel left open would hear the render; the user closes it first.
    m_session->plugins().closePanel();
    return ok;
}

}  // namespace lwhost::cli
