// Animated parameters: the values behind the envelope-capable panel controls ("float-env",
// "float3-env", "percent-env", "color-env"), with their envelopes kept by the host.
#pragma once

#include <lwsdk/lwvparm.h>

#include "vexo/channelgroup.h"
#include "vexo/globals.h"
#include "vexo/persistence.h"
#include "vexo/utility.h"

namespace vexo {

template <>
const char* const GlobalBase<st_LWVParmFuncs>::m_globalName;

// The current value is the Vector3 (scalar types use x); owners refresh it with evaluate() in
// NewTime and read it during rendering. When creation failed (no "LWVParmFuncs 2", or the host
// refused) the parameter keeps its value but has no envelope: load, save, copy and evaluate
// leave the host alone.
class VParm : private GlobalBase<st_LWVParmFuncs>, public Vector3<double>, public Storeable {
  public:
    // Type codes (LWVP_*).
    static constexpr int Float = LWVP_FLOAT;
    static constexpr int FloatVector = LWVP_VECTOR;
    static constexpr int Percent = LWVP_PERCENT;
    static constexpr int Colour = LWVP_COLOR;

    // No host parameter until create; the value is 0.
    VParm() = default;
    // Store the value (a single value goes to all three components) and call create.
    VParm(int type, const char* name, const char* serverName, LWChanGroupID group, double value);
    VParm(int type, const char* name, const char* serverName, LWChanGroupID group,
          const Vector3<double>& value);
    VParm(int type, const char* name, const char* serverName, const ChannelGroup& group,
          double value);
    VParm(int type, const char* name, const char* serverName, const ChannelGroup& group,
          const Vector3<double>& value);
    // Destroys the host parameter.
    ~VParm() override;
    // A host parameter has one owner; copies are made by assignment into a created parameter.
    VParm(const VParm&) = delete;
    // Copies the envelopes in the host when both parameters exist, and the value always. A
    // source without a host parameter gives its value to this one's host parameter as well, so
    // that the next evaluate does not bring the old value back.
    VParm& operator=(const VParm& other);

    // Creates the host parameter (no texture), sets it up with the channel name `name` in
    // `group` for the plug-in `serverName`, and writes the current value into it. A parameter
    // created before is destroyed first. False when the global is missing or the host refuses.
    bool create(int type, const char* name, const char* serverName, LWChanGroupID group);
    bool create(int type, const char* name, const char* serverName, const ChannelGroup& group) {
        return create(type, name, serverName, group.id());
    }

    // Refreshes the value from the host at `time`; false (value unchanged) without a host
    // parameter.
    bool evaluate(LWTime time);
    // Sets the value here and, when there is one, in the host parameter (what its channels
    // answer without keys).
    void setValue(double value) { setValue(Vector3<double>(value, value, value)); }
    void setValue(const Vector3<double>& value);
    const Vector3<double>& value() const { return *this; }

    // The host parameter, null when creation failed; what a panel's DataGet hands the host for
    // an envelope control.
    LWVParmID id() const { return m_parm; }
    bool exists() const { return m_parm != nullptr; }

    // The host reads and writes the envelopes; nothing happens without a host parameter.
    const char* Load(const LoadState& state) override;
    const char* Save(const SaveState& state) override;

  private:
    void destroy();
    bool hostReady() const { return m_parm && available(); }

    LWVParmID m_parm = nullptr;  // null when creation failed
};

}  // namespace vexo
