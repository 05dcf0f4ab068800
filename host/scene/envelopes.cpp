#include "lwhost/scene/envelopes.h"

#include <algorithm>
#include <set>

#include "lwhost/core/host.h"

namespace lwhost {

namespace {

constexpr LWID kChannelBlock = LWID_MAKE('C', 'H', 'A', 'N');
const st_LWBlockIdent kParmIdents[] = {{kChannelBlock, "Channel"}, {0, nullptr}};

template <class Handle>
uintptr_t serial(Handle handle) {
    return reinterpret_cast<uintptr_t>(handle);
}
template <class Handle>
Handle handle(uintptr_t serial) {
    return reinterpret_cast<Handle>(serial);
}

bool canLoad(const st_LWLoadState* load) {
    return load && load->findBlk && load->endBlk && load->readFP && load->readU4;
}
bool canSave(const st_LWSaveState* save) {
    return save && save->beginBlk && save->endBlk && save->writeFP && save->writeU4;
}

// The channel kind of a parameter type's channels.
int channelKind(int type) {
    return type == LWVP_PERCENT ? LWET_PERCENT : LWET_FLOAT;
}

bool knownKind(int type) {
    return type == LWET_FLOAT || type == LWET_DISTANCE || type == LWET_PERCENT ||
           type == LWET_ANGLE;
}

// Channel name suffixes of the three-channel types.
const char* suffix(int type, size_t index) {
    static const char* const xyz[] = {".X", ".Y", ".Z"};
    static const char* const rgb[] = {".R", ".G", ".B"};
    if (Envelopes::channelCount(type) != 3 || index > 2) return "";
    return type == LWVP_COLOR ? rgb[index] : xyz[index];
}

// The first handle after `after` (0: from the start) whose object satisfies `pred`.
template <class Map, class Pred>
uintptr_t nextMatching(const Map& map, uintptr_t after, Pred pred) {
    for (auto it = after ? map.upper_bound(after) : map.begin(); it != map.end(); ++it)
        if (pred(it->second)) return it->first;
    return 0;
}

}  // namespace

Envelopes::Envelopes(Host& host) : m_host(host) {
    m_host.attach(this);
    m_host.globals().publish(LWVPARMFUNCS_GLOBAL, const_cast<st_LWVParmFuncs*>(vparmRecord()));
    m_host.globals().publish(LWCHANNELINFO_GLOBAL, const_cast<st_LWChannelInfo*>(channelRecord()));
    m_host.globals().publish(LWENVELOPEFUNCS_GLOBAL,
                             const_cast<st_LWEnvelopeFuncs*>(envelopeRecord()));
}

Envelopes::~Envelopes() {
    m_host.attach(static_cast<Envelopes*>(nullptr));
    m_host.globals().withdraw(LWVPARMFUNCS_GLOBAL);
    m_host.globals().withdraw(LWCHANNELINFO_GLOBAL);
    m_host.globals().withdraw(LWENVELOPEFUNCS_GLOBAL);
}

int Envelopes::channelCount(int type) {
    switch (type) {
        case LWVP_FLOAT:
        case LWVP_PERCENT:
            return 1;
        case LWVP_VECTOR:
        case LWVP_COLOR:
            return 3;
        default:
            return 0;
    }
}

// ---- lookups ----

const Envelopes::Group* Envelopes::group(uintptr_t id) const {
    auto it = m_groups.find(id);
    return it == m_groups.end() ? nullptr : &it->second;
}

Envelopes::Channel* Envelopes::channel(uintptr_t id) {
    auto it = m_channels.find(id);
    return it == m_channels.end() ? nullptr : &it->second;
}

const Envelopes::Channel* Envelopes::channel(uintptr_t id) const {
    auto it = m_channels.find(id);
    return it == m_channels.end() ? nullptr : &it->second;
}

Envelopes::Parm* Envelopes::parm(uintptr_t id) {
    auto it = m_parms.find(id);
    return it == m_parms.end() ? nullptr : &it->second;
}

const Envelopes::Parm* Envelopes::parm(uintptr_t id) const {
    auto it = m_parms.find(id);
    return it == m_parms.end() ? nullptr : &it->second;
}

void Envelopes::copyCurve(Channel& to, const Channel& from) {
    if (&to == &from) return;
    replaceCurve(to, from.curve);
}

void Envelopes::replaceCurve(Channel& to, EnvelopeCurve curve) {
    to.curve = std::move(curve);
    to.curve.renumber([this] { return nextId(); });
    ++to.age;
}

// ---- groups ----

LWChanGroupID Envelopes::createGroup(LWChanGroupID parent, const char* name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!name || (parent && !group(serial(parent)))) return nullptr;
    uintptr_t id = nextId();
    m_groups[id] = Group{name, serial(parent)};
    return handle<LWChanGroupID>(id);
}

void Envelopes::destroyGroup(LWChanGroupID g) {
    std::lock_guard<std::mutex> lock(m_mutex);
    uintptr_t root = serial(g);
    if (!group(root)) return;
    // A child is always created after its parent, so one pass in handle order finds the
    // whole subtree.
    std::set<uintptr_t> doomed{root};
    for (auto it = m_groups.upper_bound(root); it != m_groups.end(); ++it)
        if (doomed.count(it->second.parent)) doomed.insert(it->first);
    for (auto& c : m_channels)
        if (doomed.count(c.second.group)) c.second.group = 0;
    for (auto& p : m_parms)
        if (doomed.count(p.second.group)) p.second.group = 0;
    for (uintptr_t id : doomed) m_groups.erase(id);
}

LWChanGroupID Envelopes::nextGroup(LWChanGroupID parent, LWChanGroupID g) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    uintptr_t p = serial(parent);
    if (p && !group(p)) return nullptr;
    if (g) {
        const Group* current = group(serial(g));
        if (!current || current->parent != p) return nullptr;
    }
    return handle<LWChanGroupID>(
        nextMatching(m_groups, serial(g), [p](const Group& o) { return o.parent == p; }));
}

const char* Envelopes::groupName(LWChanGroupID g) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Group* found = group(serial(g));
    return found ? found->name.c_str() : nullptr;
}

LWChanGroupID Envelopes::groupParent(LWChanGroupID g) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Group* found = group(serial(g));
    return found ? handle<LWChanGroupID>(found->parent) : nullptr;
}

// ---- channels ----

LWChannelID Envelopes::nextChannel(LWChanGroupID parent, LWChannelID c) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    uintptr_t g = serial(parent);
    if (g && !group(g)) return nullptr;
    if (c) {
        const Channel* current = channel(serial(c));
        if (!current || current->group != g) return nullptr;
    }
    return handle<LWChannelID>(
        nextMatching(m_channels, serial(c), [g](const Channel& o) { return o.group == g; }));
}

const char* Envelopes::channelName(LWChannelID c) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Channel* found = channel(serial(c));
    return found ? found->name.c_str() : nullptr;
}

LWChanGroupID Envelopes::channelParent(LWChannelID c) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Channel* found = channel(serial(c));
    return found ? handle<LWChanGroupID>(found->group) : nullptr;
}

int Envelopes::channelType(LWChannelID c) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Channel* found = channel(serial(c));
    return found ? found->type : 0;
}

LWEnvelopeID Envelopes::channelEnvelope(LWChannelID c) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return channel(serial(c)) ? handle<LWEnvelopeID>(serial(c)) : nullptr;
}

// ---- envelopes ----

LWEnvelopeID Envelopes::createEnvelope(LWChanGroupID g, const char* name, int type) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!name || !knownKind(type) || (g && !group(serial(g)))) return nullptr;
    uintptr_t id = nextId();
    Channel& c = m_channels[id];
    c.name = name;
    c.group = serial(g);
    c.type = type;
    return handle<LWEnvelopeID>(id);
}

void Envelopes::destroyEnvelope(LWEnvelopeID envelope) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Channel* c = channel(serial(envelope));
    if (c && c->parm == 0) m_channels.erase(serial(envelope));
}

const char* Envelopes::copyEnvelope(LWEnvelopeID to, LWEnvelopeID from) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Channel* target = channel(serial(to));
    const Channel* source = channel(serial(from));
    if (!target || !source) return "unknown envelope";
    copyCurve(*target, *source);
    return nullptr;
}

const char* Envelopes::loadEnvelope(LWEnvelopeID envelope, const st_LWLoadState* load) {
    if (!canLoad(load)) return "no load record";
    EnvelopeCurve curve;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const Channel* c = channel(serial(envelope));
        if (!c) return "unknown envelope";
        curve = c->curve;
    }
    if (const char* error = EnvelopeCurve::load(*load, curve)) return error;
    std::lock_guard<std::mutex> lock(m_mutex);
    Channel* c = channel(serial(envelope));
    if (!c) return "unknown envelope";
    replaceCurve(*c, std::move(curve));
    return nullptr;
}

const char* Envelopes::saveEnvelope(LWEnvelopeID envelope, const st_LWSaveState* save) {
    if (!canSave(save)) return "no save record";
    EnvelopeCurve curve;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const Channel* c = channel(serial(envelope));
        if (!c) return "unknown envelope";
        curve = c->curve;
    }
    curve.save(*save);
    return nullptr;
}

double Envelopes::evaluate(LWEnvelopeID envelope, double time) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Channel* c = channel(serial(envelope));
    return c ? c->curve.evaluate(time) : 0.0;
}

int Envelopes::envelopeAge(LWEnvelopeID envelope) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Channel* c = channel(serial(envelope));
    return c ? static_cast<int>(c->age) : 0;
}

LWEnvKeyID Envelopes::createKey(LWEnvelopeID envelope, double time, double value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Channel* c = channel(serial(envelope));
    if (!c) return nullptr;
    uintptr_t id = c->curve.setKey(time, value, m_nextId);
    if (id == m_nextId) ++m_nextId;
    if (id) ++c->age;
    return handle<LWEnvKeyID>(id);
}

void Envelopes::destroyKey(LWEnvelopeID envelope, LWEnvKeyID key) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Channel* c = channel(serial(envelope));
    if (c && c->curve.removeKey(serial(key))) ++c->age;
}

LWEnvKeyID Envelopes::findKey(LWEnvelopeID envelope, double time) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Channel* c = channel(serial(envelope));
    const EnvelopeKey* k = c ? c->curve.findAt(time) : nullptr;
    return k ? handle<LWEnvKeyID>(k->id) : nullptr;
}

LWEnvKeyID Envelopes::nextKey(LWEnvelopeID envelope, LWEnvKeyID key) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Channel* c = channel(serial(envelope));
    const EnvelopeKey* k = c ? c->curve.next(serial(key)) : nullptr;
    return k ? handle<LWEnvKeyID>(k->id) : nullptr;
}

LWEnvKeyID Envelopes::prevKey(LWEnvelopeID envelope, LWEnvKeyID key) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Channel* c = channel(serial(envelope));
    const EnvelopeKey* k = c ? c->curve.previous(serial(key)) : nullptr;
    return k ? handle<LWEnvKeyID>(k->id) : nullptr;
}

int Envelopes::keyGet(LWEnvelopeID envelope, LWEnvKeyID key, int tag, double* value) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Channel* c = channel(serial(envelope));
    const EnvelopeKey* k = c ? c->curve.find(serial(key)) : nullptr;
    if (!k || !value) return 0;
    switch (tag) {
        case LWKEY_TIME:
            *value = k->time;
            return 1;
        case LWKEY_VALUE:
            *value = k->value;
            return 1;
        default:
            return 0;
    }
}

int Envelopes::keySet(LWEnvelopeID envelope, LWEnvKeyID key, int tag, double value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Channel* c = channel(serial(envelope));
    if (!c) return 0;
    bool done = false;
    switch (tag) {
        case LWKEY_TIME:
            done = c->curve.moveKey(serial(key), value);
            break;
        case LWKEY_VALUE:
            done = c->curve.setKeyValue(serial(key), value);
            break;
        default:
            break;
    }
    if (done) ++c->age;
    return done ? 1 : 0;
}

int Envelopes::envelopeGet(LWEnvelopeID envelope, int tag, void* value) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Channel* c = channel(serial(envelope));
    if (!c || !value || tag != LWENVTAG_KEYCOUNT) return 0;
    *static_cast<int*>(value) = static_cast<int>(c->curve.keys().size());
    return 1;
}

// ---- parameters ----

LWVParmID Envelopes::createParm(int type, int texture) {
    int count = channelCount(type);
    if (count == 0 || texture != LWVP_NOTEXTURE) return nullptr;
    std::lock_guard<std::mutex> lock(m_mutex);
    uintptr_t id = nextId();
    Parm& p = m_parms[id];
    p.type = type;
    for (int i = 0; i < count; ++i) {
        uintptr_t c = nextId();
        m_channels[c].parm = id;
        m_channels[c].type = channelKind(type);
        p.channels.push_back(c);
    }
    return handle<LWVParmID>(id);
}

void Envelopes::destroyParm(LWVParmID id) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Parm* p = parm(serial(id));
    if (!p) return;
    for (uintptr_t c : p->channels) m_channels.erase(c);
    m_parms.erase(serial(id));
}

bool Envelopes::setupParm(LWVParmID id, const char* channelName, LWChanGroupID g, void* texContext,
                          LWVParmEventFunc event, const char* pluginName, void* userData) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Parm* p = parm(serial(id));
    if (!p) return false;
    p->name = channelName ? channelName : "";
    p->plugin = pluginName ? pluginName : "";
    p->group = group(serial(g)) ? serial(g) : 0;
    p->texContext = texContext;
    p->event = event;
    p->userData = userData;
    for (size_t i = 0; i < p->channels.size(); ++i) {
        Channel& c = m_channels[p->channels[i]];
        c.name = p->name + suffix(p->type, i);
        c.group = p->group;
    }
    return true;
}

const char* Envelopes::loadParm(LWVParmID id, const st_LWLoadState* load) {
    if (!canLoad(load)) return "no load record";
    // Work on copies, so the load record is called without the lock and a damaged channel
    // leaves every channel as it was.
    std::vector<EnvelopeCurve> curves;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const Parm* p = parm(serial(id));
        if (!p) return "unknown parameter";
        for (uintptr_t c : p->channels) curves.push_back(m_channels[c].curve);
    }
    std::vector<bool> read(curves.size(), false);
    size_t index = 0;
    while (load->findBlk(load->readData, kParmIdents)) {
        const char* error = nullptr;
        if (index < curves.size()) {
            error = EnvelopeCurve::load(*load, curves[index]);
            read[index] = true;
        }
        ++index;
        load->endBlk(load->readData);
        if (error) return error;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    const Parm* p = parm(serial(id));
    if (!p || p->channels.size() != curves.size()) return "unknown parameter";
    for (size_t i = 0; i < curves.size(); ++i) {
        if (read[i]) replaceCurve(m_channels[p->channels[i]], std::move(curves[i]));
    }
    return nullptr;
}

const char* Envelopes::saveParm(LWVParmID id, const st_LWSaveState* save) {
    if (!canSave(save)) return "no save record";
    std::vector<EnvelopeCurve> curves;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const Parm* p = parm(serial(id));
        if (!p) return "unknown parameter";
        for (uintptr_t c : p->channels) curves.push_back(m_channels[c].curve);
    }
    for (const EnvelopeCurve& curve : curves) {
        save->beginBlk(save->writeData, &kParmIdents[0], 0);
        curve.save(*save);
        save->endBlk(save->writeData);
    }
    return nullptr;
}

int Envelopes::getValue(LWVParmID id, double time, double* value) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Parm* p = parm(serial(id));
    if (!p || !value) return 0;
    for (size_t i = 0; i < p->channels.size(); ++i)
        value[i] = channel(p->channels[i])->curve.evaluate(time);
    return static_cast<int>(p->channels.size());
}

int Envelopes::setValue(LWVParmID id, const double* value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Parm* p = parm(serial(id));
    if (!p || !value) return 0;
    for (size_t i = 0; i < p->channels.size(); ++i) {
        Channel* c = channel(p->channels[i]);
        c->curve.setConstant(value[i]);
        ++c->age;
    }
    return static_cast<int>(p->channels.size());
}

const char* Envelopes::copyParm(LWVParmID to, LWVParmID from) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Parm* target = parm(serial(to));
    const Parm* source = parm(serial(from));
    if (!target || !source) return "unknown parameter";
    size_t n = std::min(target->channels.size(), source->channels.size());
    for (size_t i = 0; i < n; ++i)
        copyCurve(*channel(target->channels[i]), *channel(source->channels[i]));
    return nullptr;
}

int Envelopes::parmState(LWVParmID id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Parm* p = parm(serial(id));
    if (!p) return 0;
    for (uintptr_t c : p->channels)
        if (!channel(c)->curve.keys().empty()) return LWVPSF_ENV;
    return 0;
}

void Envelopes::setParmState(LWVParmID id, int state) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Parm* p = parm(serial(id));
    if (!p) return;
    for (uintptr_t c : p->channels) {
        Channel& ch = *channel(c);
        const bool keyed = !ch.curve.keys().empty();
        if ((state & LWVPSF_ENV) && !keyed) {
            // A key holding the value keeps what the channel answers at every time.
            if (ch.curve.setKey(0.0, ch.curve.constant(), m_nextId)) ++m_nextId;
            ++ch.age;
        } else if (!(state & LWVPSF_ENV) && keyed) {
            ch.curve.clearKeys();
            ++ch.age;
        }
    }
}

LWChanGroupID Envelopes::parmGroup(LWVParmID id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Parm* p = parm(serial(id));
    return p ? handle<LWChanGroupID>(p->group) : nullptr;
}

int Envelopes::parmEnvelopes(LWVParmID id, LWEnvelopeID* envelopes) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Parm* p = parm(serial(id));
    if (!p || !envelopes) return 0;
    for (size_t i = 0; i < p->channels.size(); ++i)
        envelopes[i] = handle<LWEnvelopeID>(p->channels[i]);
    return static_cast<int>(p->channels.size());
}

int Envelopes::parmType(LWVParmID id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Parm* p = parm(serial(id));
    return p ? p->type : 0;
}

std::string Envelopes::parmOwner(LWVParmID id) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Parm* p = parm(serial(id));
    return p ? p->plugin : std::string();
}

size_t Envelopes::groupCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_groups.size();
}

size_t Envelopes::envelopeCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_channels.size();
}

size_t Envelopes::parmCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_parms.size();
}

}  // namespace lwhost
