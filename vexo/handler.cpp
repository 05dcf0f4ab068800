#include "vexo/handler.h"

#include <cstdarg>
#include <cstdio>

#include "vexo/server.h"

namespace vexo {

void InstanceHandler::instanceUpdate() {
    if (m_hostClass) m_instanceUpdate.update(m_hostClass, this);
}

double MasterHandler::Event(const st_LWMasterAccess*) {
    return 0.0;
}

int LayoutGenericHandler::evaluate(const std::string& command) {
    if (!m_local || !m_local->evaluate) return LWCMD_NOSERVICE;
    return m_local->evaluate(m_local->data, command.c_str());
}

void LayoutGenericHandler::editServer(const char* className, const char* serverName,
                                      LWItemID item) {
    ItemInfo info;
    int position = info.findServer(className, serverName, item);
    if (position == 0) {
        evaluate(std::string("ApplyServer ") + className + " " + serverName);
        position = info.findServer(className, serverName, item);
    }
    evaluate(std::string("EditServer ") + className + " " + std::to_string(position));
}

namespace {

// Reads "LW Command Interface" once and keeps the answer for the module's life. A call before
// any activation has no global function to ask, so it does not count as the one read.
struct KeptCommand {
    LWCommandFunc* function = nullptr;
    bool read = false;
    LWCommandFunc* get() {
        if (!read && SuperGlobal) {
            function =
                reinterpret_cast<LWCommandFunc*>(SuperGlobal(LWCOMMANDFUNC_GLOBAL, LWGLOBAL_READ));
            read = true;
        }
        return function;
    }
};
KeptCommand g_command;           // for the plain form
KeptCommand g_formattedCommand;  // for the formatted form

}  // namespace

namespace detail {
void forgetCommandFunction() {
    g_command = KeptCommand();
    g_formattedCommand = KeptCommand();
}
}  // namespace detail

namespace {

LWCommandFunc* commandFunction() {
    return g_command.get();
}
LWCommandFunc* formattedCommandFunction() {
    return g_formattedCommand.get();
}

// The formatted form's buffers: module-wide, main thread only, grown to fit.
std::string g_argumentBuffer;
std::string g_lineBuffer;

}  // namespace

std::string quoteArgument(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

int SendCommand(const std::string& command) {
    LWCommandFunc* send = commandFunction();
    return send ? send(command.c_str()) : LWCMD_NOSERVICE;
}

int SendCommand(const char* command, const char* format, ...) {
    LWCommandFunc* send = formattedCommandFunction();
    if (!send) return LWCMD_NOSERVICE;
    if (!command) return LWCMD_FAILED;
    if (!format) return send(command);

    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (length < 0) {
        va_end(again);
        return LWCMD_FAILED;
    }
    g_argumentBuffer.resize(static_cast<size_t>(length) + 1);
    std::vsnprintf(&g_argumentBuffer[0], g_argumentBuffer.size(), format, again);
    va_end(again);
    g_argumentBuffer.resize(static_cast<size_t>(length));

    g_lineBuffer = command;
    g_lineBuffer += ' ';
    g_lineBuffer += g_argumentBuffer;
    return send(g_lineBuffer.c_str());
}

}  // namespace vexo
