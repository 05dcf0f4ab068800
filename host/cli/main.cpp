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
#include "lwhost/io/atomic_file.h"
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

bool canWriteOutput(const std::string& path) {
    std::string error;
    if (path.empty() || canWriteBeside(path, error)) return true;
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

void echoMessages(Host& host, const GlobalOptions& options) {
    host.messages().setEcho([&options](const Message& m) {
        if (options.quiet && m.kind != MessageKind::Error) return;
        std::cerr << messageLine(m) << "\n";
    });
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
