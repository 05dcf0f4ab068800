// One envelope's keys and constant, its value at a time, and its blocks in a block file.
#pragma once

#include <lwsdk/lwio.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lwhost {

struct EnvelopeKey {
    uintptr_t id = 0;  // the handle plug-ins hold; unique within the host
    double time = 0;
    double value = 0;
};

class EnvelopeCurve {
  public:
    // Linear between the keys around `time`, constant outside them; the constant without keys.
    double evaluate(double time) const;

    double constant() const { return m_constant; }
    void setConstant(double value) { m_constant = value; }

    // In time order, one per time.
    const std::vector<EnvelopeKey>& keys() const { return m_keys; }
    const EnvelopeKey* find(uintptr_t id) const;
    const EnvelopeKey* findAt(double time) const;
    // The key after `id` (0: the first), or null.
    const EnvelopeKey* next(uintptr_t id) const;
    // The key before `id` (0: the last), or null.
    const EnvelopeKey* previous(uintptr_t id) const;

    // A new key at `time` with handle `newId`, or the existing key at that time takes the
    // value and keeps its handle. Returns the key's handle; 0 when time or value is not finite.
    uintptr_t setKey(double time, double value, uintptr_t newId);
    bool removeKey(uintptr_t id);
    void clearKeys() { m_keys.clear(); }
    // False for an unknown key, a time that is not finite or one another key holds.
    bool moveKey(uintptr_t id, double time);
    bool setKeyValue(uintptr_t id, double value);
    // Gives every key a new handle from `nextId` (called once per key).
    template <class NextId>
    void renumber(NextId nextId) {
        for (EnvelopeKey& k : m_keys) k.id = nextId();
    }

    // Writes the "NKEY" key count, the "VALU" block, then one "KEY " block per key.
    void save(const st_LWSaveState& save) const;
    // Reads those blocks from the current level into `out`: keys read replace out's keys (their
    // handles are 0 until renumbered), a missing "VALU" block keeps out's constant, and a level
    // without any of the blocks changes nothing. On damaged data, or keys that do not match a
    // "NKEY" count, returns the reason and leaves `out` unchanged.
    static const char* load(const st_LWLoadState& load, EnvelopeCurve& out);

    static const st_LWBlockIdent* idents();

  private:
    double m_constant = 0;
    std::vector<EnvelopeKey> m_keys;
};

}  // namespace lwhost
