// lwhost run: load modules and a scene, run a script against them, optionally save the scene.
#include <iostream>

#include "cli.h"
#include "inputs.h"
#include "lwhost/core/host.h"
#include "lwhost/io/atomic_file.h"
#include "lwhost/plugins/layout_commands.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/script/script.h"
#include "lwhost/session/session.h"

namespace lwhost::cli {

int runScript(Args& args, const GlobalOptions& options) {
    std::vector<std::string> modules;
    std::vector<std::string> positional;
    std::string output;
    while (!args.empty()) {
        std::string a = args.next();
        if (a == "--module") {
            std::string path;
            if (!args.value(a, path)) return usageError("run", "--module needs a PATH");
            modules.push_back(path);
        } else if (a == "-o" || a == "--output") {
            if (!args.value(a, output) || output.empty())
                return usageError("run", a + " needs a PATH");
        } else if (!a.empty() && a[0] == '-') {
            return usageError("run", "unknown option '" + a + "'");
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) return usageError("run", "needs a SCENE and a SCRIPT");
    const std::string& scenePath = positional[0];
    const std::string& scriptPath = positional[1];
    if (modules.empty()) modules.push_back(defaultModulePath());

    // The script is checked whole before anything is loaded.
    std::string text, error;
    if (!Script::readFile(scriptPath, text, error)) {
        std::cerr << "lwhost: " << error << "\n";
        return kExitUsage;
    }

    // Where the scene goes is checked before anything runs: a directory, device or pipe is
    // refused, and so is a place where no file can be made.
    if (!canWriteOutput(output)) return kExitUsage;

    Session session(options.identity);
    Host& host = session.host();
    InputFiles inputs;
    if (!configureHost(host, options, &inputs)) return kExitUsage;
    inputs.add("the scene", scenePath);
    inputs.add("the script", scriptPath);
    for (const std::string& path : modules) inputs.add("the module", path);
    echoMessages(host, options);
    for (const std::string& path : modules) {
        if (!session.loadModule(path, error)) {
            std::cerr << "lwhost: " << error << "\n";
            return kExitUsage;
        }
    }

    Plugins& plugins = session.plugins();
    LayoutCommands& commands = session.commands();
    ScriptEnvironment env{host, plugins, commands, std::cout, output, true};
    Script script;
    defineLayoutVerbs(script, env);
    defineDialogVerbs(script, env);
    defineSelectionVerbs(script, env);

    std::vector<ScriptStatement> statements;
    if (!script.parse(text, scriptPath, statements, error)) {
        std::cerr << "lwhost: " << error << "\n";
        return kExitUsage;
    }
    if (!plugins.loadScene(scenePath, error)) {
        std::cerr << "lwhost: " << error << "\n";
        return kExitUsage;
    }
    // The scene is saved elsewhere than onto a file the run reads, the scene itself included.
    inputs.addObjects(session.scene(), scenePath);
    if (!output.empty() && !inputs.mayWrite(output, error)) {
        std::cerr << "lwhost: " << error << "\n";
        return kExitUsage;
    }
    if (!script.run(statements, scriptPath, error)) {
        std::cout.flush();
        std::cerr << "lwhost: " << error << "\n";
        return kExitFailure;
    }
    // A run in which an error was shown and not expected failed: the script stopped there (its
    // end check), and an error shown while saving writes nothing either.
    if (!output.empty() && !plugins.saveScene(output, error, env.mayWrite)) {
        std::cerr << "lwhost: " << error << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace lwhost::cli
