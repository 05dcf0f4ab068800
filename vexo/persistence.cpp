#include "vexo/persistence.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>
#include <set>
#include <vector>

namespace vexo {

namespace {
// U4 values handed to or taken from the host per call, converted on the stack.
constexpr int kWideChunk = 64;
}  // namespace

template <>
const char* const GlobalBase<st_LWFileIOFuncs>::m_globalName = LWFILEIOFUNCS_GLOBAL;

const st_LWBlockIdent item_root[] = {
    {LWID_MAKE('I', 'T', 'E', 'M'), "Item"},
    {LWID_MAKE('I', 'T', 'I', 'D'), "ItemID"},
    {LWID_MAKE('I', 'T', 'T', 'Y'), "ItemType"},
    {0, nullptr},
};

const st_LWBlockIdent idroot[] = {
    {LWID_MAKE('V', 'E', 'R', 'S'), "Version"},
    {LWID_MAKE('P', 'R', 'E', 'S'), "Preset"},
    {LWID_MAKE('N', 'A', 'M', 'E'), "Name"},
    {0, nullptr},
};

bool acceptText(std::string_view text, const std::string& what) {
    if (text.size() <= static_cast<size_t>(kMaxTextBytes)) return true;
    const std::string line = what + " is " + std::to_string(text.size()) +
                             " bytes long; texts hold at most " + std::to_string(kMaxTextBytes) +
                             " bytes.";
    LWMessage().error(line.c_str(), "Nothing was changed.");
    return false;
}

const char* textTooLong(const char* owner, const char* token) {
    // One text per owner and token, never freed: the host may read an error text at any time.
    static std::mutex mutex;
    static std::set<std::string> texts;
    const std::string text = std::string(owner) + "'s \"" + token + "\" is longer than " +
                             std::to_string(kMaxTextBytes) + " bytes.";
    std::lock_guard<std::mutex> lock(mutex);
    return texts.insert(text).first->c_str();
}

const st_LWBlockIdent* FindIdent(const st_LWBlockIdent* list, LWID id) {
    if (!list || id == 0) return nullptr;
    for (; list->id != 0; ++list)
        if (list->id == id) return list;
    return nullptr;
}

const char* Storeable::Load(const LoadState&) {
    return nullptr;
}

const char* Storeable::Save(const SaveState&) {
    return nullptr;
}

// ---- SaveState

int SaveState::ioMode() const {
    return m_state ? m_state->ioMode : -1;
}

void SaveState::writeU1(const uint8_t* values, int n) const {
    if (m_state && values && n > 0) m_state->writeU1(m_state->writeData, values, n);
}

void SaveState::writeI2(const int16_t* values, int n) const {
    if (m_state && values && n > 0) m_state->writeI2(m_state->writeData, values, n);
}

void SaveState::writeU4(const uint32_t* values, int n) const {
    if (!m_state || !values || n <= 0) return;
    // The host takes U4 values as unsigned long; handed over in pieces through the stack.
    unsigned long wide[kWideChunk];
    for (int done = 0; done < n;) {
        const int count = std::min(n - done, kWideChunk);
        std::copy(values + done, values + done + count, wide);
        m_state->writeU4(m_state->writeData, wide, count);
        done += count;
    }
}

void SaveState::writeFP(const float* values, int n) const {
    if (m_state && values && n > 0) m_state->writeFP(m_state->writeData, values, n);
}

void SaveState::writeStr(const char* text) const {
    if (m_state) m_state->writeStr(m_state->writeData, text ? text : "");
}

void SaveState::beginBlk(const st_LWBlockIdent& ident, bool leaf) const {
    if (m_state) m_state->beginBlk(m_state->writeData, &ident, leaf ? 1 : 0);
}

void SaveState::beginBlk(const st_LWBlockIdent* ident, bool leaf) const {
    if (ident) beginBlk(*ident, leaf);
}

void SaveState::endBlk() const {
    if (m_state) m_state->endBlk(m_state->writeData);
}

const char* SaveState::WriteItem(const st_LWBlockIdent& ident, Storeable& item, bool leaf) const {
    beginBlk(ident, leaf);
    const char* result = item.Save(*this);
    endBlk();
    return result;
}

const char* SaveState::WriteItem(const st_LWBlockIdent* ident, Storeable& item, bool leaf) const {
    return ident ? WriteItem(*ident, item, leaf) : nullptr;
}

const char* SaveState::WriteItem(const st_LWBlockIdent& ident, Storeable* item, bool leaf) const {
    beginBlk(ident, leaf);
    const char* result = item ? item->Save(*this) : nullptr;
    endBlk();
    return result;
}

const char* SaveState::WriteItem(const st_LWBlockIdent* ident, Storeable* item, bool leaf) const {
    return ident ? WriteItem(*ident, item, leaf) : nullptr;
}

void SaveState::writeBoolBlk(const st_LWBlockIdent& ident, bool value) const {
    beginBlk(ident, true);
    writeBool(value);
    endBlk();
}

void SaveState::writeU1Blk(const st_LWBlockIdent& ident, uint8_t value) const {
    beginBlk(ident, true);
    writeU1(value);
    endBlk();
}

void SaveState::writeI2Blk(const st_LWBlockIdent& ident, int16_t value) const {
    beginBlk(ident, true);
    writeI2(value);
    endBlk();
}

void SaveState::writeU4Blk(const st_LWBlockIdent& ident, uint32_t value) const {
    beginBlk(ident, true);
    writeU4(value);
    endBlk();
}

void SaveState::writeFPBlk(const st_LWBlockIdent& ident, float value) const {
    beginBlk(ident, true);
    writeFP(value);
    endBlk();
}

void SaveState::writeStrBlk(const st_LWBlockIdent& ident, const char* text) const {
    beginBlk(ident, true);
    writeStr(text);
    endBlk();
}

// ---- LoadState

int LoadState::ioMode() const {
    return m_state ? m_state->ioMode : -1;
}

int LoadState::readU1(uint8_t* values, int n) const {
    return store(m_state ? m_state->readU1(m_state->readData, values, n) : -1);
}

int LoadState::readI2(int16_t* values, int n) const {
    return store(m_state ? m_state->readI2(m_state->readData, values, n) : -1);
}

int LoadState::readU4(uint32_t* values, int n) const {
    if (!m_state) return store(-1);
    unsigned long wide[kWideChunk];
    if (!values || n <= 0)
        return store(m_state->readU4(m_state->readData, values ? wide : nullptr, n));
    // The host reads U4 values into unsigned long, 32 bits zero-extended; taken in pieces through
    // the stack, only as many as were read stored.
    int total = 0;
    while (total < n) {
        const int want = std::min(n - total, kWideChunk);
        const int got = m_state->readU4(m_state->readData, wide, want);
        if (got < 0) return store(total > 0 ? total : -1);
        for (int i = 0; i < got; ++i) values[total + i] = static_cast<uint32_t>(wide[i]);
        total += got;
        if (got < want) break;
    }
    return store(total);
}

int LoadState::readFP(float* values, int n) const {
    return store(m_state ? m_state->readFP(m_state->readData, values, n) : -1);
}

bool LoadState::readU1(uint8_t& value) const {
    uint8_t v = 0;
    if (readU1(&v, 1) != 1) return false;
    value = v;
    return true;
}

bool LoadState::readI2(int16_t& value) const {
    int16_t v = 0;
    if (readI2(&v, 1) != 1) return false;
    value = v;
    return true;
}

bool LoadState::readU4(uint32_t& value) const {
    uint32_t v = 0;
    if (readU4(&v, 1) != 1) return false;
    value = v;
    return true;
}

bool LoadState::readFP(float& value) const {
    float v = 0;
    if (readFP(&v, 1) != 1) return false;
    value = v;
    return true;
}

bool LoadState::readBool(bool& value) const {
    uint8_t v = 0;
    if (!readU1(v)) return false;
    value = v == 1;
    return true;
}

int LoadState::readStr(char* buf, int size) const {
    return store(m_state ? m_state->readStr(m_state->readData, buf, size) : -1);
}

bool LoadState::readStr(std::string& text, int limit) const {
    m_tooLong = false;
    limit = std::clamp(limit, 0, std::numeric_limits<int>::max() - 2);
    // Room for one byte more than the limit: a text that fills it is longer than the limit,
    // which the host's read, cutting to the buffer, would not say otherwise. Small texts go
    // through the stack.
    char small[256];
    std::vector<char> large;
    char* buf = small;
    if (limit + 2 > static_cast<int>(sizeof small)) {
        large.resize(static_cast<size_t>(limit) + 2);
        buf = large.data();
    }
    int n = readStr(buf, limit + 2);
    if (n < 0) return false;
    if (n > limit) {
        m_tooLong = true;
        return false;
    }
    // Texts are written back as C strings: what follows a NUL byte would be lost on the next
    // save, and two texts differing only there would become one.
    text.assign(buf, strnlen(buf, static_cast<size_t>(n)));
    return true;
}

LWID LoadState::findBlk(const st_LWBlockIdent* list) const {
    return m_state && list ? m_state->findBlk(m_state->readData, list) : 0;
}

void LoadState::endBlk() const {
    if (m_state) m_state->endBlk(m_state->readData);
}

// ---- File

File::File(const char* name, int mode) : m_mode(mode) {
    if (!available() || !name) return;
    if (mode == Writing)
        m_save = globPtr->openSave(name, LWIO_ASCII);
    else if (mode == Reading)
        m_load = globPtr->openLoad(name, LWIO_ASCII);
}

File::~File() {
    if (!available()) return;
    if (m_save) globPtr->closeSave(m_save);
    if (m_load) globPtr->closeLoad(m_load);
}

const char* File::Save(Storeable& item) {
    if (!m_save) return "The file is not open for writing.";
    return item.Save(SaveState(m_save));
}

const char* File::Load(Storeable& item) {
    if (!m_load) return "The file is not open for reading.";
    return item.Load(LoadState(m_load));
}

}  // namespace vexo
