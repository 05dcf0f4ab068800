// Handler classes: every server instance is one object of a handler class, and the host holds
// only its address. The adaptors (adaptor.h) fill the host's callback records with functions
// that forward to these virtual operations.
#pragma once

#include <lwsdk/lwcommand.h>
#include <lwsdk/lwhandler.h>
#include <lwsdk/lwmaster.h>
#include <lwsdk/lwshader.h>
#include <lwsdk/lwxpanel.h>

#include <exception>
#include <string>

#include "vexo/globals.h"
#include "vexo/items.h"
#include "vexo/persistence.h"
#include "vexo/xpanel.h"

namespace vexo {

// The frame's exception: one message.
class exception : public std::exception {
  public:
    explicit exception(std::string message) : m_message(std::move(message)) {}
    const char* what() const noexcept override { return m_message.c_str(); }

  private:
    std::string m_message;
};

class InstanceHandler : public virtual Storeable {
  public:
    explicit InstanceHandler(const char* hostClass = nullptr) : m_hostClass(hostClass) {}
    InstanceHandler(const InstanceHandler& o)
        : Storeable(o), m_description(o.m_description), m_hostClass(o.m_hostClass) {}
    InstanceHandler& operator=(const InstanceHandler& o) {
        m_description = o.m_description;
        return *this;
    }
    ~InstanceHandler() override = default;

    virtual const char* DescLn() { return m_description.c_str(); }

    // Tells the host this instance changed, when the host offers "Instance Update".
    void instanceUpdate();

    const char* hostClass() const { return m_hostClass; }

  protected:
    std::string m_description;
    const char* m_hostClass;  // "MasterHandler", "ShaderHandler" or "NodeHandler"
    InstanceUpdate m_instanceUpdate;
};

class ItemHandler {
  public:
    virtual ~ItemHandler() = default;
    virtual const LWItemID* UseItems() { return m_tracker.useItems(); }
    virtual void ChangeID(const LWItemID* pairs) { m_tracker.changeID(pairs); }

  protected:
    LWItemTracker m_tracker;
};

class RenderHandler {
  public:
    virtual ~RenderHandler() = default;
    virtual const char* Init(int mode) {
        m_renderMode = mode;
        return nullptr;
    }
    virtual void Cleanup() {}
    virtual const char* NewTime(int frame, double time) {
        m_frame = frame;
        m_time = time;
        return nullptr;
    }

  protected:
    int m_frame = 0;
    double m_time = 0.0;
    int m_renderMode = 0;
};

class MasterHandler : public InstanceHandler, public ItemHandler {
  public:
    MasterHandler() : InstanceHandler(LWMASTER_HCLASS) {}
    virtual double Event(const st_LWMasterAccess* access);
    virtual unsigned Flags() { return 0; }
};

class ShaderHandler : public InstanceHandler, public ItemHandler, public RenderHandler {
  public:
    explicit ShaderHandler(void* context = nullptr)
        : InstanceHandler(LWSHADER_HCLASS), m_context(context) {}
    virtual void Evaluate(st_LWShaderAccess* access) = 0;
    virtual unsigned Flags() { return 0; }

    void* context() const { return m_context; }

  protected:
    void* m_context;  // what the instance was created for: its surface
};

class XPanelMasterHandler : public MasterHandler, public XPanelInterface {};

class XPanelShaderHandler : public ShaderHandler, public XPanelInterface {
  public:
    explicit XPanelShaderHandler(void* context = nullptr) : ShaderHandler(context) {}
};

// A command server: built for one activation with the host's generic local record.
class LayoutGenericHandler {
  public:
    explicit LayoutGenericHandler(st_LWLayoutGeneric* local) : m_local(local) {}
    virtual ~LayoutGenericHandler() = default;
    virtual int Activate() = 0;

    // Opens the panel of a server of the class on the item (LWITEM_NULL: the scene), applying
    // the server first when it is not there.
    void editServer(const char* className, const char* serverName, LWItemID item);

  protected:
    int evaluate(const std::string& command);
    st_LWLayoutGeneric* m_local;
};

// `text` as one argument of a command line: in double quotes, each double quote doubled.
std::string quoteArgument(const std::string& text);
// Sends a command line through "LW Command Interface"; 2 without the command function.
int SendCommand(const std::string& command);
// Sends `command`, a blank and the arguments formatted with `format` (null: `command` alone).
// Lines of any length are sent whole.
int SendCommand(const char* command, const char* format, ...) __attribute__((format(printf, 2, 3)));

namespace detail {
// Lets SendCommand read the command function again from the next host (ForgetHost).
void forgetCommandFunction();
}  // namespace detail

}  // namespace vexo
