// The lwhost command line: global options, the table of commands, shared helpers.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "lwhost/core/identity.h"

namespace lwhost {
class Host;
struct Message;
}  // namespace lwhost

namespace lwhost::cli {

class InputFiles;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the command ran and failed
constexpr int kExitUsage = 2;    // bad command line or bad input

struct GlobalOptions {
    HostIdentity identity;
    bool quiet = false;
    std::string config;             // --config FILE; empty: the default file if present
    std::vector<std::string> dirs;  // --dir TYPE=PATH, in order
    int alertLevel = -1;            // --alert-level N; -1: from the configuration
};

// Applies the configuration file, then --dir and --alert-level, to a new host. Every command
// calls it before it loads anything; false after printing "FILE:LINE: why" or the option's
// problem (the command then exits with kExitUsage). The file read joins `inputs`.
bool configureHost(Host& host, const GlobalOptions& options, InputFiles* inputs = nullptr);

// Whether a file can be made at `path` (true when none is given), checked before anything is
// loaded: a directory, device or pipe is refused, and so is a place where no file can be made.
// False after printing why (the command then exits with kExitUsage).
bool canWriteOutput(const std::string& path);

// Arguments of one command after the global options were taken out.
class Args {
  public:
    explicit Args(std::vector<std::string> args) : m_args(std::move(args)) {}
    bool empty() const { return m_pos >= m_args.size(); }
    const std::string& peek() const { return m_args[m_pos]; }
    std::string next() { return m_args[m_pos++]; }
    // For "--name VALUE": takes VALUE, or reports a usage error and returns false.
    bool value(const std::string& option, std::string& out);

  private:
    std::vector<std::string> m_args;
    size_t m_pos = 0;
};

struct Command {
    const char* name;
    const char* summary;  // one line for the overview
    const char* help;     // the command's own --help text
    int (*run)(Args& args, const GlobalOptions& options);
};

const std::vector<Command>& commands();

// Reports a usage error with a hint and returns kExitUsage.
int usageError(const std::string& command, const std::string& message);

// A message a plug-in showed, as standard error shows it: "lwhost: KIND: LINE1 LINE2", with
// control characters escaped (plug-ins quote scene names and comments).
std::string messageLine(const Message& message);
// Shows every message as a plug-in leaves it on standard error (with --quiet only errors).
void echoMessages(Host& host, const GlobalOptions& options);

// Directory of the running lwhost binary, with a trailing slash.
std::string programDirectory();
// The bundle next to the binary.
std::string defaultModulePath();

int runServers(Args& args, const GlobalOptions& options);
int runRender(Args& args, const GlobalOptions& options);
int runInfo(Args& args, const GlobalOptions& options);
int runScript(Args& args, const GlobalOptions& options);

}  // namespace lwhost::cli
