// Block data in memory: the save and load states, the C functions of their records, and what
// both encodings share. The encodings themselves are blockio_text.cpp and blockio_binary.cpp.
#include "lwhost/io/blockio.h"

#include <cstdio>
#include <stdexcept>
#include <type_traits>

#include "blockio_encoding.h"

namespace lwhost {

namespace blockio {

// How an ID appears in messages: its characters when printable, else hex.
std::string describeId(LWID id) {
    IdChars chars(id);
    bool printable = true;
    for (int i = 0; i < 4; ++i) printable &= chars.c[i] >= ' ' && chars.c[i] < 0x7f;
    if (printable) return "'" + std::string(chars.view()) + "'";
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08x", static_cast<unsigned>(id));
    return hex;
}

const char* kindName(Kind kind) {
    switch (kind) {
        case Kind::Raw:
            return "a byte 0..255";
        case Kind::I1:
            return "an integer -128..127";
        case Kind::U1:
            return "an integer 0..255";
        case Kind::I2:
            return "an integer -32768..32767";
        case Kind::U2:
            return "an integer 0..65535";
        case Kind::I4:
            return "an integer -2147483648..2147483647";
        case Kind::U4:
            return "an integer 0..4294967295";
        case Kind::FP:
            return "a number";
    }
    return "a value";
}

}  // namespace blockio

namespace {

using blockio::Kind;

// Whether every value of a `long` or `unsigned long` array fits the four bytes of an I4 or U4
// element; always so where those types are four bytes.
template <class T>
bool fitsFourBytes(const T* values, int n) {
    if constexpr (sizeof(T) > 4) {
        for (int i = 0; i < n; ++i) {
            if constexpr (std::is_signed_v<T>) {
                if (values[i] < INT32_MIN || values[i] > INT32_MAX) return false;
            } else {
                if (values[i] > UINT32_MAX) return false;
            }
        }
    }
    return true;
}

// The half of a state that handles the io mode's encoding; an unknown mode is refused.
template <class Half, class Text, class Binary>
std::unique_ptr<Half> encodingFor(int ioMode, Text text, Binary binary) {
    if (ioMode == LWIO_ASCII) return text();
    if (ioMode == LWIO_BINARY) return binary();
    throw std::invalid_argument("unknown io mode " + std::to_string(ioMode));
}

// Points a record's eight value slots at Values::fn for the kind each carries: the save and the
// load record list them in one order.
template <class Values, class Raw, class I1, class I2, class I4, class U1, class U2, class U4,
          class FP>
void setValueSlots(Raw& raw, I1& i1, I2& i2, I4& i4, U1& u1, U2& u2, U4& u4, FP& fp) {
    raw = &Values::template fn<char, Kind::Raw>;
    i1 = &Values::template fn<char, Kind::I1>;
    i2 = &Values::template fn<short, Kind::I2>;
    i4 = &Values::template fn<long, Kind::I4>;
    u1 = &Values::template fn<unsigned char, Kind::U1>;
    u2 = &Values::template fn<unsigned short, Kind::U2>;
    u4 = &Values::template fn<unsigned long, Kind::U4>;
    fp = &Values::template fn<float, Kind::FP>;
}

// ============================================================================================
// Writing

// Every save callback: finds the writer, keeps exceptions out of the plug-in, then lets the
// sink take finished items.
template <class Fn>
void onWriter(void* data, Fn&& fn) {
    auto* w = static_cast<MemorySaveState::Writer*>(data);
    if (!w) return;
    try {
        fn(*w);
        w->afterEntry();
    } catch (const std::exception& e) {
        w->fail(e.what());
    } catch (...) {
        w->fail("an unknown error while writing");
    }
}

// The save record's value functions, one per kind and C element type.
struct ValueWrites {
    template <class T, Kind K>
    static void fn(void* data, const T* values, int n) {
        onWriter(data, [&](MemorySaveState::Writer& w) {
            if (!values || n <= 0) return;
            // A value the file's four bytes cannot hold would come back as another one.
            if ((K == Kind::I4 || K == Kind::U4) && !fitsFourBytes(values, n)) {
                w.fail(std::string("a value does not fit the four bytes of an ") +
                       (K == Kind::I4 ? "I4" : "U4") + " element");
                return;
            }
            w.values(K, values, n);
        });
    }
};

void writeIdent(void* data, const st_LWBlockIdent* ident) {
    onWriter(data, [&](MemorySaveState::Writer& w) { w.id(ident); });
}

void writeText(void* data, const char* text) {
    onWriter(data, [&](MemorySaveState::Writer& w) { w.text(text ? text : ""); });
}

void beginBlock(void* data, const st_LWBlockIdent* ident, int leaf) {
    onWriter(data, [&](MemorySaveState::Writer& w) { w.begin(ident, leaf != 0); });
}

void endBlock(void* data) {
    onWriter(data, [](MemorySaveState::Writer& w) { w.end(); });
}

int writeDepth(void* data) {
    auto* w = static_cast<MemorySaveState::Writer*>(data);
    return w ? w->depth() : 0;
}

}  // namespace

MemorySaveState::MemorySaveState(int ioMode, int indent) {
    m_writer = encodingFor<Writer>(
        ioMode, [&] { return blockio::textWriter(indent); },
        [] { return blockio::binaryWriter(); });
    m_record.ioMode = ioMode;
    m_record.writeData = m_writer.get();
    setValueSlots<ValueWrites>(m_record.write, m_record.writeI1, m_record.writeI2, m_record.writeI4,
                               m_record.writeU1, m_record.writeU2, m_record.writeU4,
                               m_record.writeFP);
    m_record.writeStr = &writeText;
    m_record.writeID = &writeIdent;
    m_record.beginBlk = &beginBlock;
    m_record.endBlk = &endBlock;
    m_record.depth = &writeDepth;
}

MemorySaveState::~MemorySaveState() = default;

st_LWSaveState* MemorySaveState::record() {
    return &m_record;
}
int MemorySaveState::ioMode() const {
    return m_writer->ioMode();
}
const std::string& MemorySaveState::bytes() const {
    return m_writer->bytes();
}
void MemorySaveState::finish() {
    m_writer->finish();
}
bool MemorySaveState::failed() const {
    return m_writer->failed();
}
std::string MemorySaveState::error() const {
    return m_writer->error();
}
bool MemorySaveState::flush() {
    return m_writer->flush();
}

void MemorySaveState::setSink(std::function<bool(const std::string&)> sink, std::size_t threshold) {
    m_writer->setSink(std::move(sink), threshold);
}

// ============================================================================================
// Reading

namespace {

// Every load callback: finds the reader and keeps exceptions out of the plug-in.
template <class R, class Fn>
R onReader(void* data, R fallback, Fn&& fn) {
    auto* r = static_cast<MemoryLoadState::Reader*>(data);
    if (!r) return fallback;
    try {
        return fn(*r);
    } catch (const std::exception& e) {
        r->damage(e.what());
    } catch (...) {
        r->damage("an unknown error while reading");
    }
    return fallback;
}

// The load record's value functions, one per kind and C element type.
struct ValueReads {
    template <class T, Kind K>
    static int fn(void* data, T* values, int n) {
        return onReader(data, -1,
                        [&](MemoryLoadState::Reader& r) { return r.values(K, values, n); });
    }
};

int readText(void* data, char* buf, int size) {
    return onReader(data, -1, [&](MemoryLoadState::Reader& r) { return r.text(buf, size); });
}

LWID readIdent(void* data, const st_LWBlockIdent* list) {
    return onReader(data, LWID(0), [&](MemoryLoadState::Reader& r) { return r.readId(list); });
}

LWID findBlock(void* data, const st_LWBlockIdent* list) {
    return onReader(data, LWID(0), [&](MemoryLoadState::Reader& r) { return r.find(list); });
}

void leaveBlock(void* data) {
    onReader(data, 0, [](MemoryLoadState::Reader& r) {
        r.end();
        return 0;
    });
}

int readDepth(void* data) {
    return onReader(data, 0, [](MemoryLoadState::Reader& r) { return r.depth(); });
}

}  // namespace

MemoryLoadState::MemoryLoadState(std::string bytes, int ioMode, int firstLine) {
    m_reader = encodingFor<Reader>(
        ioMode, [&] { return blockio::textReader(std::move(bytes), firstLine); },
        [&] { return blockio::binaryReader(std::move(bytes)); });
    m_reader->owner = this;
    m_record.ioMode = ioMode;
    m_record.readData = m_reader.get();
    setValueSlots<ValueReads>(m_record.read, m_record.readI1, m_record.readI2, m_record.readI4,
                              m_record.readU1, m_record.readU2, m_record.readU4, m_record.readFP);
    m_record.readStr = &readText;
    m_record.readID = &readIdent;
    m_record.findBlk = &findBlock;
    m_record.endBlk = &leaveBlock;
    m_record.depth = &readDepth;
}

MemoryLoadState::~MemoryLoadState() = default;

st_LWLoadState* MemoryLoadState::record() {
    return &m_record;
}
int MemoryLoadState::ioMode() const {
    return m_reader->ioMode();
}
bool MemoryLoadState::failed() const {
    return m_reader->failed();
}
bool MemoryLoadState::damaged() const {
    return m_reader->damaged();
}
bool MemoryLoadState::check() {
    try {
        return m_reader->check();
    } catch (const std::exception& e) {
        m_reader->damage(e.what());
    }
    return false;
}
std::string MemoryLoadState::error() const {
    return formatLocated(m_reader->problem());
}
Located MemoryLoadState::problem() const {
    return m_reader->problem();
}
void MemoryLoadState::report(Located problem) {
    m_reader->reported = std::move(problem);
}
const Located& MemoryLoadState::reported() const {
    return m_reader->reported;
}
long MemoryLoadState::position() const {
    return m_reader->position();
}
size_t MemoryLoadState::filledTexts() const {
    return m_reader->filledTexts();
}
long MemoryLoadState::filledTextAt(size_t n) const {
    return m_reader->filledTextAt(n);
}

std::string MemoryLoadState::setReader(std::string name) {
    std::swap(name, m_reader->reader);
    return name;
}

std::vector<UnreadBlock> MemoryLoadState::unread() const {
    std::vector<UnreadBlock> out;
    for (const UnreadBlock& b : m_reader->passed)
        if (!m_reader->asked.count({b.reader, b.token})) out.push_back(b);
    return out;
}

MemoryLoadState* MemoryLoadState::behind(const st_LWLoadState* record) {
    if (!record || record->findBlk != &findBlock || !record->readData) return nullptr;
    return static_cast<Reader*>(record->readData)->owner;
}

}  // namespace lwhost
