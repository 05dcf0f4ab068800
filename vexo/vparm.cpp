#include "vexo/vparm.h"

namespace vexo {

template <>
const char* const GlobalBase<st_LWVParmFuncs>::m_globalName = LWVPARMFUNCS_GLOBAL;

VParm::VParm(int type, const char* name, const char* serverName, LWChanGroupID group, double value)
    : VParm(type, name, serverName, group, Vector3<double>(value, value, value)) {}

VParm::VParm(int type, const char* name, const char* serverName, LWChanGroupID group,
             const Vector3<double>& value)
    : Vector3<double>(value) {
    create(type, name, serverName, group);
}

VParm::VParm(int type, const char* name, const char* serverName, const ChannelGroup& group,
             double value)
    : VParm(type, name, serverName, group.id(), value) {}

VParm::VParm(int type, const char* name, const char* serverName, const ChannelGroup& group,
             const Vector3<double>& value)
    : VParm(type, name, serverName, group.id(), value) {}

VParm::~VParm() {
    destroy();
}

void VParm::destroy() {
    if (hostReady()) getGlobal()->destroy(m_parm);
    m_parm = nullptr;
}

VParm& VParm::operator=(const VParm& other) {
    if (this == &other) return *this;
    Vector3<double>::operator=(other);
    if (hostReady() && other.m_parm)
        getGlobal()->copy(m_parm, other.m_parm);
    else
        setValue(other.value());
    return *this;
}

bool VParm::create(int type, const char* name, const char* serverName, LWChanGroupID group) {
    destroy();
    if (!available()) return false;
    const st_LWVParmFuncs* host = getGlobal();
    LWVParmID parm = host->create(type, LWVPDT_NOTXTR);
    if (!parm) return false;
    host->setup(parm, name, group, nullptr, nullptr, serverName, nullptr);
    m_parm = parm;
    setValue(value());
    return true;
}

bool VParm::evaluate(LWTime time) {
    if (!hostReady()) return false;
    // The host writes one value per channel and answers a texture opacity, not a count: what
    // it leaves alone keeps the current value.
    double v[3] = {x, y, z};
    getGlobal()->getVal(m_parm, time, nullptr, v);
    x = v[0];
    y = v[1];
    z = v[2];
    return true;
}

void VParm::setValue(const Vector3<double>& value) {
    Vector3<double>::operator=(value);
    if (!hostReady()) return;
    double v[3] = {x, y, z};
    getGlobal()->setVal(m_parm, v);
}

const char* VParm::Load(const LoadState& state) {
    return hostReady() ? getGlobal()->load(m_parm, state.record()) : nullptr;
}

const char* VParm::Save(const SaveState& state) {
    return hostReady() ? getGlobal()->save(m_parm, state.record()) : nullptr;
}

}  // namespace vexo
