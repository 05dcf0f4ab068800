// Script fuzzing: any text either fails to read with one located message, or runs against an
// empty scene on a host without modules (saving off) and either succeeds or stops with one
// located message. Nothing is written to files.
#include "lwhost/core/host.h"
#include "lwhost/plugins/layout_commands.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/scene/scene_globals.h"
#include "lwhost/script/script.h"
#include "lwhost/session/session.h"

#include <cstdint>
#include <sstream>
#include <string>

namespace {

struct Environment {
    lwhost::Session session;
    lwhost::Host& host = session.host();
    lwhost::Plugins& plugins = session.plugins();
    lwhost::LayoutCommands& commands = session.commands();
    std::ostringstream out;
    lwhost::ScriptEnvironment env{host, plugins, commands, out, "", false};
    lwhost::Script script;

    Environment() {
        lwhost::defineLayoutVerbs(script, env);
        lwhost::defineSelectionVerbs(script, env);
    }

    // Each input starts from the same state.
    void reset() {
        host.commands().clear();
        host.messages().clear();
        plugins.closePanel();
        plugins.currentSurfaces().clear();
        out.str(std::string());
    }
};

bool located(const std::string& error) {
    return error.rfind("fuzz.lwscript:", 0) == 0 && error.find('\n') == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Environment* e = new Environment();
    e->reset();
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<lwhost::ScriptStatement> statements;
    std::string error;
    if (!e->script.parse(text, "fuzz.lwscript", statements, error)) {
        if (!located(error)) __builtin_trap();
        return 0;
    }
    for (const lwhost::ScriptStatement& s : statements) {
        const lwhost::Script::Verb* verb = e->script.find(s.verb);
        if (!verb || s.args.size() < verb->minArgs || s.args.size() > verb->maxArgs)
            __builtin_trap();
    }
    if (!e->script.run(statements, "fuzz.lwscript", error) && !located(error)) __builtin_trap();
    return 0;
}
