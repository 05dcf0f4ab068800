// Command lines plug-ins send ("LW Command Interface", a generic server's evaluate) and the
// instance changes they report ("Instance Update").
#pragma once

#include <lwsdk/lwcommand.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace lwhost {

class CommandProcessor {
  public:
    // A verb's handler receives the text after the verb and its separating blank.
    using Handler = std::function<int(const std::string& arguments)>;

    CommandProcessor();

    void define(const std::string& verb, Handler handler);
    // Records the line, then runs its verb: LWCMD_OK, LWCMD_UNKNOWN for an unknown verb,
    // LWCMD_FAILED for a null or empty line or when the handler refuses.
    int execute(const char* line);

    const std::vector<std::string>& lines() const { return m_lines; }
    const std::vector<std::string>& statusMessages() const { return m_status; }
    void clear();

    // The code of a defined verb for executeCode, the same for every lookup; 0 for others.
    LWCommandCode lookup(const char* verb);
    // Runs the verb with that code as a line without arguments; LWCMD_UNKNOWN for a code lookup
    // never gave, LWCMD_FAILED when arguments are given (their values are opaque here).
    int executeCode(LWCommandCode code, int argc);

    // The function "LW Command Interface" returns; it runs lines on the current host.
    static LWCommandFunc* function();
    // The lookup and execute functions of the command records (the generic local, the master
    // access); they run on the current host and ignore their data argument.
    using LookupFunc = LWCommandCode(void* data, const char* verb);
    using ExecuteFunc = int(void* data, LWCommandCode code, int argc, const DynaValue* argv,
                            DynaValue* result);
    static LookupFunc* lookupFunction();
    static ExecuteFunc* executeFunction();

  private:
    std::map<std::string, Handler> m_verbs;
    std::vector<std::string> m_codes;  // code n names m_codes[n - 1]
    std::vector<std::string> m_lines;
    std::vector<std::string> m_status;
};

struct InstanceChange {
    std::string className;
    void* instance;
};

class InstanceUpdates {
  public:
    // Keeps the change and tells the listener (the node system: a node instance's change is an
    // edit of its graph).
    void record(const char* className, void* instance);
    void setListener(std::function<void(const char* className, void* instance)> listener) {
        m_listener = std::move(listener);
    }
    const std::vector<InstanceChange>& all() const { return m_changes; }
    void clear() { m_changes.clear(); }

    static LWInstUpdate* function();

  private:
    std::vector<InstanceChange> m_changes;
    std::function<void(const char*, void*)> m_listener;
};

}  // namespace lwhost
