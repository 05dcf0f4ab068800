// lwhost: the stand-in host's command-line program.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli.h"
#include "inputs.h"
#include "lwhost/core/host.h"
#include "lwhost/core/platform.h"
#include "lwhost/script/script.h"
#include "lwhost/ui/dialogs.h"
#include "lwhost/ui/inline_text.h"

namespace lwhost::cli {

namespace {

const char* kGlobalHelpStart =
    "Global options (accepted before or after the command):\n"
    "  --host-version MAJOR.MINOR  host product version to report (default 11.6; 0..15 each)\n"
    "  --modeler                   report the modelling application's system type (1)\n"
    "  --quiet                     print only errors\n"
    "  --config FILE               host configuration (default: SETTINGS/lwhost.cfg if it\n"
    "                              exists; lines 'directory TYPE PATH', 'alert-level N')\n"
    "  --dir TYPE=PATH             a directory \"Directory Info\" reports (repeatable; Content\n"
    "                              defaults to the current directory, Settings to\n";
const char* kGlobalHelpEnd =
    "  --alert-level N             the alert level reported to plug-ins (0, 1 or 2; default 0)\n"
    "  -h, --help                  show help (after a command: that command's help)\n";

std::string globalHelp() {
    return kGlobalHelpStart + std::string(30, ' ') + platform::userSettingsDirectoryText() + ")\n" +
           kGlobalHelpEnd;
}

void printOverview(std::ostream& out) {
    out << "usage: lwhost [GLOBAL OPTIONS] COMMAND [OPTIONS]\n\n"
           "The stand-in host: loads plug-in modules and drives their servers.\n\nCommands:\n";
    for (const Command& c : commands()) {
        char line[128];
        std::snprintf(line, sizeof line, "  %-10s %s\n", c.name, c.summary);
        out << line;
    }
    out << "\n" << globalHelp() << "\nRun 'lwhost COMMAND --help' for a command's options.\n";
}

}  // namespace

bool Args::value(const std::string& option, std::string& out) {
    if (empty()) return false;
    out = next();
    (void)option;
    return true;
}

namespace {

bool applyOptions(Host& host, const GlobalOptions& options, InputFiles* inputs,
                  std::string& error) {
    Dialogs& dialogs = host.dialogs();
    // Directories named on the command line count while the configuration file is read.
    for (const std::string& dir : options.dirs)
        if (!dialogs.setDirectoryOption(dir, error)) return false;
    std::string config = options.config;
    if (config.empty()) {
        const std::string fallback = dialogs.defaultConfigPath();
        platform::FileInfo info;
        std::string ignored;
        if (platform::fileStatus(fallback, info, ignored)) config = fallback;
    }
    if (!config.empty() && !dialogs.loadConfig(config, error)) return false;
    if (inputs) inputs->add("the configuration", config);
    // The command line wins over the file.
    for (const std::string& dir : options.dirs)
        if (!dialogs.setDirectoryOption(dir, error)) return false;
    if (options.alertLevel >= 0 && !dialogs.setAlertLevel(options.alertLevel)) {
        error = "--alert-level takes 0, 1 or 2";
        return false;
    }
    return true;
}

}  // namespace

bool configureHost(Host& host, const GlobalOptions& options, InputFiles* inputs) {
    std::string error;
    if (applyOptions(host, options, inputs, error)) return true;
    std::cerr << "lwhost: " << error << "\n";
    return false;
}

int usageError(const std::string& command, const std::string& message) {
    std::cerr << "lwhost" << (command.empty() ? "" : " " + command) << ": " << message << "\n"
              << "Try 'lwhost " << (command.empty() ? "" : command + " ") << "--help'.\n";
    return kExitUsage;
}

std::string messageLine(const Message& m) {
    const std::string line2 = printInlineText(m.line2);
    return "lwhost: " + std::string(messageKindName(m.kind)) + ": " +
           scriptOneLine(printInlineText(m.line1)) +
           (line2.empty() ? "" : " " + scriptOneLine(line2));
}

std::string programDirectory() {
    const std::string path = platform::executablePath();
    if (path.empty()) return "./";
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

std::string defaultModulePath() {
    return programDirectory() + "lumavex.p";
}

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"servers", "list the server records of a plug-in module",
         "usage: lwhost servers [--module PATH]\n\n"
         "Loads the module, calls its startup and prints its server records in order:\n"
         "position, class, server name and tags (code:\"text\").\n\n"
         "Options:\n"
         "  --module PATH   module to load (default: lumavex.p next to lwhost)\n",
         &runServers},
        {"render", "render a scene's frames to PNG or EXR images",
         "usage: lwhost render SCENE -o OUT.png|OUT.exr [OPTIONS]\n\n"
         "Loads the module and the scene with its plug-ins and renders it through the scene's\n"
         "camera: master plug-ins hear the render start and end, shaders and surface node graphs\n"
         "run for every sample. A progress bar shows on a terminal; a summary line ends the "
         "run.\n\n"
         "Options:\n"
         "  -o, --output OUT.png  image to write, PNG or (OUT.exr) OpenEXR (temporary file, then\n"
         "                        renamed; a link is followed, a directory, device or pipe\n"
         "                        refused, and so is a file the render reads, or an extension\n"
         "                        other than .png and .exr);\n"
         "                        a run of '#' in the file name takes the padded frame number;\n"
         "                        DIR/ names the images after the scene (DIR/SCENE.png)\n"
         "  --frame N             frame to render (default: the scene's first)\n"
         "  --frames A-B          render frames A to B as one render, to OUT_0001.png, ...\n"
         "  --pass NAME=PRESET    after the scene as loaded (pass \"scene\"), render it again\n"
         "                        with PRESET loaded into its master plug-in, to\n"
         "                        DIR/SCENE_NAME.png; PRESET is a name the master's Presets\n"
         "                        menu lists, or a settings file (a path with '/' or .cfg);\n"
         "                        with OUT.exr each pass is a layer of one file per frame\n"
         "  --depth D             8 or 16 bits per channel for PNG (default 8), half or float\n"
         "                        for EXR (default half); EXR holds linear, unclamped values\n"
         "  --alpha               PNG with alpha: the pixel's coverage by geometry (EXR always)\n"
         "  -e STATEMENT          a script statement run after the scene loads and, for each\n"
         "                        pass, after its preset is loaded (repeatable; nothing saved)\n"
         "  --script FILE         a script's statements, likewise, before the -e ones\n"
         "  --add-shaders         put the master's shader on every surface for this render, as\n"
         "                        its \"Add All Shaders\" does (the scene file is not changed);\n"
         "                        without it, a master whose shader no surface carries is\n"
         "                        warned about\n"
         "  --width W, --height H image size in pixels (default 640x480; 1..8192)\n"
         "  --samples N           camera samples per pixel (default 1; 1..4096)\n"
         "  --threads N           render threads (default: one per processor)\n"
         "  --module PATH         module to load (default: lumavex.p next to lwhost)\n\n"
         "Exit status: 0 success; 1 a plug-in failed the render, memory ran out, or an image or\n"
         "standard output could not be written; 2 a bad command line, module, scene, frame,\n"
         "pass or output path (nothing written).\n",
         &runRender},
        {"info", "describe a scene: items, objects, surfaces, lights, plug-ins, selections",
         "usage: lwhost info SCENE [--frame N] [--graph-dot FILE] [-e STATEMENT]...\n"
         "                  [--script FILE]... [--module PATH]\n\n"
         "Loads the module and the scene with its plug-ins, as run and render do, and prints\n"
         "its items as a hierarchy (IDs, types, comments), its objects (file, points, polygons,\n"
         "weight maps), surfaces (settings, shaders), lights, cameras, frame range and master\n"
         "plug-ins with the settings they hold. A bad scene prints FILE:LINE: and the problem,\n"
         "and exits with status 2.\n\n"
         "Options:\n"
         "  --frame N       also step the scene to frame N and list every node graph's nodes with\n"
         "                  what each selection, light group and comment node built\n"
         "  --graph-dot FILE  also write every node graph (the override's, each surface's own)\n"
         "                  to FILE in Graphviz's DOT language (dot -Tsvg FILE draws it)\n"
         "  -e STATEMENT    a script statement run on the loaded scene before it is listed\n"
         "                  (repeatable; nothing is saved)\n"
         "  --script FILE   a script's statements, likewise, before the -e ones\n"
         "  --module PATH   module to load (default: lumavex.p next to lwhost)\n",
         &runInfo},
        {"run", "load a scene with its plug-ins, run a script against it, save it",
         "usage: lwhost run SCENE SCRIPT [-o OUT] [--module PATH]...\n\n"
         "Loads the modules and the scene, creates the scene's plug-in instances and runs the\n"
         "script: one statement per line, '#' comments, texts in double quotes. Verbs (all of\n"
         "them in docs/reference.md; the graph verbs in docs/scripting-graphs.md):\n"
         "  command \"LINE\"                 run a host command line (must answer OK)\n"
         "  generic NAME                   run a LayoutGeneric server\n"
         "  panel open CLASS POSITION      open a plug-in's panel: MasterHandler N,\n"
         "                                 ShaderHandler N, NodeHandler NODE\n"
         "  panel set CONTROL VALUE...     set a control (label, or ID as a number)\n"
         "  panel click CONTROL            hit a button\n"
         "  panel popcmd CONTROL ITEM      choose a command pop-up's item (index or text)\n"
         "  panel items CONTROL            list a pop-up's items with their indices\n"
         "  panel print, panel close       print or close the open panel\n"
         "  panel save-png PATH, panel print-classic   the last classic panel's image or text\n"
         "  save [PATH]                    save the scene (default: the -o path)\n"
         "  print \"TEXT\"                   print a line\n"
         "  set alert-level N, set directory TYPE PATH   what plug-ins are told\n"
         "  queue click LIST ROW [shift|ctrl|alt], queue press BUTTON, queue wait MS,\n"
         "  queue answer ok|cancel|yes|no, queue file PATH, queue file-cancel,\n"
         "  queue form-set CONTROL VALUE..., queue form-press BUTTON, queue form-ok,\n"
         "  queue form-cancel, queue save-png PATH, queue print, queue clear\n"
         "                                 the user's actions at modal panels and dialogs\n"
         "  graph surface SURFACE, graph state on|off, graph add SERVER NAME,\n"
         "  graph remove NODE, graph rename NODE NEW-NAME,\n"
         "  graph connect NODE OUTPUT TO-NODE INPUT, graph root NODE OUTPUT ROOT-INPUT,\n"
         "  graph disconnect NODE INPUT, graph unroot ROOT-INPUT,\n"
         "  graph set NODE SETTING NUMBER..., graph list, graph print [--dot]\n"
         "                                 edit or show the open node editor's graph\n"
         "  node set NODE CONTROL VALUE...  open a node's panel and set one of its controls\n"
         "  explain FRAME                  what each selection node selects at FRAME\n"
         "  expect command-count N, expect last-command \"LINE\", expect status \"TEXT\",\n"
         "  expect message \"TEXT\", expect panel-value CONTROL VALUE..., expect masters N,\n"
         "  expect shaders SURFACE N, expect dialog KIND \"TITLE\" [\"TEXT\"], expect dialogs N,\n"
         "  expect file-request \"TITLE\" \"PATH\"|cancelled, expect queue-empty,\n"
         "  expect connection NODE OUTPUT TO-NODE INPUT, expect root NODE OUTPUT ROOT-INPUT,\n"
         "  expect node-value NODE SETTING NUMBER..., expect graph-nodes N,\n"
         "  expect selection FRAME \"NODE\" [\"MEMBER\"...]\n"
         "                                 fail the run unless it is so\n\n"
         "Options:\n"
         "  -o, --output OUT  save the scene there after a successful run (temporary file,\n"
         "                    then renamed; a link is followed, a directory, device or pipe\n"
         "                    refused before the run, and so is a file the run reads: the\n"
         "                    scene, the script, a module, the configuration)\n"
         "  --module PATH     module to load; repeatable (default: lumavex.p next to lwhost)\n\n"
         "Exit status: 0 success; 1 a statement failed (SCRIPT:LINE: why), queued actions\n"
         "were left unused, or the scene or standard output could not be written; 2 a bad\n"
         "command line, output path, script (SCRIPT:LINE: why), module or scene\n"
         "(SCENE:LINE: why).\n",
         &runScript},
    };
    return table;
}

int main(int argc, char** argv) {
    GlobalOptions options;
    const Command* command = nullptr;
    std::vector<std::string> rest;
    bool wantHelp = false;

    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        std::string cmdName = command ? command->name : "";
        if (a == "-h" || a == "--help") {
            wantHelp = true;
        } else if (a == "--modeler") {
            options.identity.systemType = 1;
        } else if (a == "--quiet") {
            options.quiet = true;
        } else if (a == "--host-version" || a.rfind("--host-version=", 0) == 0) {
            std::string value;
            if (a == "--host-version") {
                if (i + 1 >= argc) return usageError(cmdName, "--host-version needs MAJOR.MINOR");
                value = argv[++i];
            } else {
                value = a.substr(std::strlen("--host-version="));
            }
            std::string error;
            if (!options.identity.setVersion(value, error)) return usageError(cmdName, error);
        } else if (a == "--config" || a == "--dir" || a == "--alert-level") {
            if (i + 1 >= argc) return usageError(cmdName, a + " needs a value");
            const std::string value = argv[++i];
            if (a == "--config") {
                if (value.empty()) return usageError(cmdName, "--config needs a FILE");
                options.config = value;
            } else if (a == "--dir") {
                const size_t eq = value.find('=');
                if (eq == std::string::npos || eq + 1 == value.size() ||
                    !Dialogs::validDirectoryType(value.substr(0, eq)))
                    return usageError(cmdName, "--dir takes TYPE=PATH, not " + scriptQuote(value));
                options.dirs.push_back(value);
            } else {
                long long level = -1;
                if (!scriptInt(value, level) || level < 0 || level > 2)
                    return usageError(cmdName,
                                      "--alert-level takes 0, 1 or 2, not " + scriptQuote(value));
                options.alertLevel = static_cast<int>(level);
            }
        } else if (!command && !a.empty() && a[0] != '-') {
            for (const Command& c : commands())
                if (a == c.name) command = &c;
            if (!command) return usageError("", "unknown command '" + a + "'");
        } else if (!command) {
            return usageError("", "unknown option '" + a + "'");
        } else {
            rest.push_back(a);
        }
    }

    if (!command) {
        if (wantHelp) {
            printOverview(std::cout);
            return kExitOk;
        }
        printOverview(std::cerr);
        return kExitUsage;
    }
    if (wantHelp) {
        std::cout << command->help << "\n" << globalHelp();
        return kExitOk;
    }
    Args args(std::move(rest));
    // What escapes a command is reported here, after its files were put back as they were (the
    // temporaries of unfinished replacements go as the command unwinds).
    try {
        return command->run(args, options);
    } catch (const std::bad_alloc&) {
        std::cerr << "lwhost: " << command->name << ": out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "lwhost: " << command->name << ": " << e.what() << "\n";
    }
    return kExitFailure;
}

// Standard output is the command's result: when it cannot be written (a full disk, a closed
// pipe) the command failed, whatever it did besides.
int finishOutput(int status) {
    errno = 0;
    std::cout.flush();
    int why = errno;
    if (std::fflush(stdout) != 0 && why == 0) why = errno;
    if (std::cout.good() && !std::ferror(stdout)) return status;
    std::cerr << "lwhost: cannot write standard output"
              << (why ? std::string(": ") + std::strerror(why) : std::string()) << "\n";
    return status == kExitOk ? kExitFailure : status;
}

}  // namespace lwhost::cli

int main(int argc, char** argv) {
    lwhost::platform::holdStandardStreams();
    return lwhost::cli::finishOutput(lwhost::cli::main(argc, argv));
}
