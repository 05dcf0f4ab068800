#include "lwhost/scene/envelope_curve.h"

#include <algorithm>
#include <cmath>

namespace lwhost {

namespace {

constexpr LWID kValue = LWID_MAKE('V', 'A', 'L', 'U');
constexpr LWID kCount = LWID_MAKE('N', 'K', 'E', 'Y');
constexpr LWID kKey = LWID_MAKE('K', 'E', 'Y', ' ');

const st_LWBlockIdent kIdents[] = {
    {kValue, "Value"}, {kCount, "KeyCount"}, {kKey, "Key"}, {0, nullptr}};

bool before(const EnvelopeKey& a, const EnvelopeKey& b) {
    return a.time < b.time;
}

}  // namespace

const st_LWBlockIdent* EnvelopeCurve::idents() {
    return kIdents;
}

double EnvelopeCurve::evaluate(double time) const {
    if (m_keys.empty()) return m_constant;
    if (!(time > m_keys.front().time)) return m_keys.front().value;  // also a NaN time
    if (time >= m_keys.back().time) return m_keys.back().value;
    // The first key after `time`; one before it exists since time > the first key's time.
    auto after = std::upper_bound(m_keys.begin(), m_keys.end(), time,
                                  [](double t, const EnvelopeKey& k) { return t < k.time; });
    const EnvelopeKey& a = *(after - 1);
    const EnvelopeKey& b = *after;
    double f = (time - a.time) / (b.time - a.time);
    return a.value + (b.value - a.value) * f;
}

const EnvelopeKey* EnvelopeCurve::find(uintptr_t id) const {
    if (id == 0) return nullptr;
    for (const EnvelopeKey& k : m_keys)
        if (k.id == id) return &k;
    return nullptr;
}

const EnvelopeKey* EnvelopeCurve::findAt(double time) const {
    EnvelopeKey probe;
    probe.time = time;
    auto it = std::lower_bound(m_keys.begin(), m_keys.end(), probe, before);
    return it != m_keys.end() && it->time == time ? &*it : nullptr;
}

const EnvelopeKey* EnvelopeCurve::next(uintptr_t id) const {
    if (id == 0) return m_keys.empty() ? nullptr : &m_keys.front();
    const EnvelopeKey* k = find(id);
    if (!k || k == &m_keys.back()) return nullptr;
    return k + 1;
}

const EnvelopeKey* EnvelopeCurve::previous(uintptr_t id) const {
    if (id == 0) return m_keys.empty() ? nullptr : &m_keys.back();
    const EnvelopeKey* k = find(id);
    if (!k || k == &m_keys.front()) return nullptr;
    return k - 1;
}

uintptr_t EnvelopeCurve::setKey(double time, double value, uintptr_t newId) {
    if (!std::isfinite(time) || !std::isfinite(value)) return 0;
    EnvelopeKey key{newId, time, value};
    auto it = std::lower_bound(m_keys.begin(), m_keys.end(), key, before);
    if (it != m_keys.end() && it->time == time) {
        it->value = value;
        return it->id;
    }
    m_keys.insert(it, key);
    return newId;
}

bool EnvelopeCurve::removeKey(uintptr_t id) {
    const EnvelopeKey* k = find(id);
    if (!k) return false;
    m_keys.erase(m_keys.begin() + (k - m_keys.data()));
    return true;
}

bool EnvelopeCurve::moveKey(uintptr_t id, double time) {
    const EnvelopeKey* k = find(id);
    if (!k || !std::isfinite(time)) return false;
    if (k->time == time) return true;
    if (findAt(time)) return false;
    EnvelopeKey moved = *k;
    moved.time = time;
    m_keys.erase(m_keys.begin() + (k - m_keys.data()));
    m_keys.insert(std::lower_bound(m_keys.begin(), m_keys.end(), moved, before), moved);
    return true;
}

bool EnvelopeCurve::setKeyValue(uintptr_t id, double value) {
    if (!std::isfinite(value)) return false;
    const EnvelopeKey* k = find(id);
    if (!k) return false;
    m_keys[static_cast<size_t>(k - m_keys.data())].value = value;
    return true;
}

void EnvelopeCurve::save(const st_LWSaveState& save) const {
    // The count comes first, so data cut anywhere after it is caught by the count check.
    // More keys than a U4 holds fail the save rather than come back as fewer.
    const unsigned long count = m_keys.size();
    save.beginBlk(save.writeData, &kIdents[1], 1);
    save.writeU4(save.writeData, &count, 1);
    save.endBlk(save.writeData);
    float constant = static_cast<float>(m_constant);
    save.beginBlk(save.writeData, &kIdents[0], 1);
    save.writeFP(save.writeData, &constant, 1);
    save.endBlk(save.writeData);
    for (const EnvelopeKey& k : m_keys) {
        float pair[2] = {static_cast<float>(k.time), static_cast<float>(k.value)};
        save.beginBlk(save.writeData, &kIdents[2], 1);
        save.writeFP(save.writeData, pair, 2);
        save.endBlk(save.writeData);
    }
}

const char* EnvelopeCurve::load(const st_LWLoadState& load, EnvelopeCurve& out) {
    double constant = out.m_constant;
    bool counted = false;
    unsigned long count = 0;
    bool found = false;
    std::vector<EnvelopeKey> keys;
    while (LWID id = load.findBlk(load.readData, kIdents)) {
        found = true;
        int got = 0, want = 1;
        float values[2] = {0, 0};
        if (id == kCount) {
            got = load.readU4(load.readData, &count, 1);
            counted = true;
        } else {
            want = id == kValue ? 1 : 2;
            got = load.readFP(load.readData, values, want);
        }
        load.endBlk(load.readData);
        if (got != want || !std::isfinite(values[0]) || !std::isfinite(values[1]))
            return "damaged envelope block";
        if (id == kValue)
            constant = values[0];
        else if (id == kKey)
            keys.push_back(EnvelopeKey{0, values[0], values[1]});
    }
    // Nothing there (an empty block, or data cut before its first block): nothing changes.
    if (!found) return nullptr;
    // The count is only compared, never used to allocate; a mismatch means blocks were lost,
    // which a reader that stops at damage would otherwise report as the end of the list.
    if (counted && keys.size() != count) return "envelope keys do not match their count";
    // One sort keeps a file with keys out of order at n log n; of keys sharing a time the one
    // read last wins, as with setKey.
    std::stable_sort(keys.begin(), keys.end(), before);
    std::vector<EnvelopeKey> unique;
    unique.reserve(keys.size());
    for (const EnvelopeKey& k : keys) {
        if (!unique.empty() && unique.back().time == k.time)
            unique.back() = k;
        else
            unique.push_back(k);
    }
    out.m_constant = constant;
    out.m_keys = std::move(unique);
    return nullptr;
}

}  // namespace lwhost
