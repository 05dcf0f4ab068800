#include "lwhost/io/blockio.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <vector>

namespace lwhost {

namespace {

constexpr uint32_t kNestedBit = 0x80000000u;
constexpr uint32_t kSizeMask = 0x7fffffffu;
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// What a read or write call carries; see lwio.h for each kind's C element type.
enum class Kind { Raw, I1, U1, I2, U2, I4, U4, FP };

// Bytes one value takes in the binary encoding, whatever its C type in memory.
std::size_t elementSize(Kind kind) {
    switch (kind) {
        case Kind::Raw:
        case Kind::I1:
        case Kind::U1:
            return 1;
        case Kind::I2:
        case Kind::U2:
            return 2;
        default:
            return 4;
    }
}

// The values an integer kind holds in the file.
struct Range {
    int64_t lo, hi;
};
Range elementRange(Kind kind) {
    switch (kind) {
        case Kind::I1:
            return {-128, 127};
        case Kind::I2:
            return {-32768, 32767};
        case Kind::U2:
            return {0, 65535};
        case Kind::I4:
            return {-2147483648LL, 2147483647LL};
        case Kind::U4:
            return {0, 4294967295LL};
        default:  // raw bytes and U1
            return {0, 255};
    }
}

// The i-th value of an array of the kind's C element type, widened. I4 and U4 arrays are checked
// for range before they get here (fitsFourBytes).
int64_t integerAt(Kind kind, const void* values, int i) {
    switch (kind) {
        case Kind::Raw:
            return static_cast<unsigned char>(static_cast<const char*>(values)[i]);
        case Kind::I1:
            return static_cast<signed char>(static_cast<const char*>(values)[i]);
        case Kind::U1:
            return static_cast<const unsigned char*>(values)[i];
        case Kind::I2:
            return static_cast<const short*>(values)[i];
        case Kind::U2:
            return static_cast<const unsigned short*>(values)[i];
        case Kind::I4:
            return static_cast<int64_t>(static_cast<const long*>(values)[i]);
        case Kind::U4:
            return static_cast<int64_t>(static_cast<const unsigned long*>(values)[i] & 0xffffffffu);
        case Kind::FP:
            break;
    }
    return 0;
}

// Stores v, within the kind's range, as the i-th element of the kind's C type: I1 sign-extends
// into its char, I4 into its long, U4 zero-extends into its unsigned long.
void storeInteger(Kind kind, void* out, int i, int64_t v) {
    switch (kind) {
        case Kind::Raw:
        case Kind::I1:
            static_cast<char*>(out)[i] = static_cast<char>(static_cast<unsigned char>(v & 0xff));
            break;
        case Kind::U1:
            static_cast<unsigned char*>(out)[i] = static_cast<unsigned char>(v);
            break;
        case Kind::I2:
            static_cast<short*>(out)[i] = static_cast<short>(v);
            break;
        case Kind::U2:
            static_cast<unsigned short*>(out)[i] = static_cast<unsigned short>(v);
            break;
        case Kind::I4:
            static_cast<long*>(out)[i] = static_cast<long>(v);
            break;
        case Kind::U4:
            static_cast<unsigned long*>(out)[i] = static_cast<unsigned long>(v);
            break;
        case Kind::FP:
            break;
    }
}

// The binary element `u` (its size's low bytes) as a value of the kind.
int64_t decodeInteger(Kind kind, uint32_t u) {
    switch (kind) {
        case Kind::I1:
            return static_cast<int8_t>(u);
        case Kind::I2:
            return static_cast<int16_t>(u);
        case Kind::I4:
            return static_cast<int32_t>(u);
        default:
            return u;
    }
}

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

bool isWordStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isWordChar(char c) {
    auto u = static_cast<unsigned char>(c);
    return u > ' ' && u != 0x7f && c != '{' && c != '}' && c != '"' && c != '#';
}

bool isWord(std::string_view s) {
    if (s.empty() || !isWordStart(s[0])) return false;
    for (char c : s)
        if (!isWordChar(c)) return false;
    return true;
}

// The four ID characters as text.
struct IdChars {
    char c[5];
    explicit IdChars(LWID id) {
        for (int i = 0; i < 4; ++i) c[i] = static_cast<char>((id >> (24 - 8 * i)) & 0xff);
        c[4] = 0;
    }
    std::string_view view() const { return std::string_view(c, 4); }
};

// The word an ident is written as in text: its token, else its ID characters; empty when neither
// is a word.
std::string_view tokenWord(const st_LWBlockIdent& ident, IdChars& scratch) {
    if (ident.token && isWord(ident.token)) return ident.token;
    scratch = IdChars(ident.id);
    return isWord(scratch.view()) ? scratch.view() : std::string_view();
}

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

void putU32(std::string& out, uint32_t v) {
    char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                 static_cast<char>(v)};
    out.append(b, 4);
}

void patchU32(std::string& out, std::size_t at, uint32_t v) {
    out[at] = static_cast<char>(v >> 24);
    out[at + 1] = static_cast<char>(v >> 16);
    out[at + 2] = static_cast<char>(v >> 8);
    out[at + 3] = static_cast<char>(v);
}

uint32_t getU32(const char* p) {
    auto b = reinterpret_cast<const unsigned char*>(p);
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
}

uint32_t floatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

float bitsFloat(uint32_t u) {
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

}  // namespace

// ============================================================================================
// Writing

class MemorySaveState::Writer {
  public:
    explicit Writer(int ioMode) : m_ioMode(ioMode) {}
    virtual ~Writer() = default;

    virtual void values(Kind kind, const void* values, int n) = 0;
    virtual void text(const char* text) = 0;
    // One ID as a value (writeID).
    virtual void id(const st_LWBlockIdent* ident) = 0;
    virtual void begin(const st_LWBlockIdent* ident, bool leaf) = 0;
    virtual void end() = 0;
    virtual int depth() const = 0;
    // Makes every byte written so far final, as far as no block is open.
    virtual void settle() = 0;

    int ioMode() const { return m_ioMode; }
    const std::string& bytes() const { return m_out; }
    bool failed() const { return m_failed; }
    const std::string& error() const { return m_error; }

    void fail(const std::string& what) {
        if (m_failed) return;
        m_failed = true;
        m_error = what;
    }

    void finish() {
        while (depth() > 0) end();
        settle();
    }

    void setSink(std::function<bool(const std::string&)> sink, std::size_t threshold) {
        m_sink = std::move(sink);
        m_threshold = threshold;
    }

    // Only whole top-level items leave: open blocks still have sizes and lines to complete.
    bool flush() {
        if (!m_sink || depth() > 0) return false;
        settle();
        // A failed save is abandoned anyway; its bytes need not be kept or written.
        if (!m_failed && !m_out.empty() && !m_sink(m_out)) fail("the data could not be written");
        m_out.clear();
        return !m_failed;
    }

    // After each entry: hands whole top-level items to the sink once enough are waiting.
    void afterEntry() {
        if (m_sink && depth() == 0 && m_out.size() >= m_threshold) flush();
    }

  protected:
    std::string m_out;

  private:
    int m_ioMode;
    bool m_failed = false;
    std::string m_error;
    std::function<bool(const std::string&)> m_sink;
    std::size_t m_threshold = 0;
};

namespace {

class TextWriter final : public MemorySaveState::Writer {
  public:
    explicit TextWriter(int indent) : Writer(LWIO_ASCII), m_indent(indent < 0 ? 0 : indent) {}

    void values(Kind kind, const void* values, int n) override {
        char buf[64];
        for (int i = 0; i < n; ++i)
            value(kind == Kind::FP ? real(buf, static_cast<const float*>(values)[i])
                                   : number(buf, integerAt(kind, values, i)));
    }

    void id(const st_LWBlockIdent* ident) override {
        IdChars scratch(0);
        std::string_view word;
        if (!ident || ident->id == 0)
            fail("an ID was written without an ident");
        else if ((word = tokenWord(*ident, scratch)).empty())
            fail("the ID " + describeId(ident->id) + " has no token usable in text");
        else
            value(word);
    }

    void text(const char* text) override {
        valueStart();
        m_out += '"';
        for (const char* p = text; *p; ++p) {
            char c = *p;
            switch (c) {
                case '"':
                    m_out += "\\\"";
                    break;
                case '\\':
                    m_out += "\\\\";
                    break;
                case '\n':
                    m_out += "\\n";
                    break;
                case '\t':
                    m_out += "\\t";
                    break;
                case '\r':
                    m_out += "\\r";
                    break;
                default:
                    if (static_cast<unsigned char>(c) < ' ' || c == 0x7f) {
                        char hex[8];
                        std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
                        m_out += hex;
                    } else {
                        m_out += c;
                    }
            }
        }
        m_out += '"';
    }

    void begin(const st_LWBlockIdent* ident, bool leaf) override {
        IdChars scratch(0);
        std::string_view word;
        if (!ident || ident->id == 0)
            fail("a block was begun without an ident");
        else if ((word = tokenWord(*ident, scratch)).empty())
            fail("block " + describeId(ident->id) + " has no token usable in text");
        if (word.empty()) word = "_";
        if (static_cast<int>(m_frames.size()) >= kMaxBlockDepth)
            fail("blocks nest deeper than " + std::to_string(kMaxBlockDepth));
        // A block inside a leaf turns the leaf into a nested block: its line gains the "{".
        if (!m_frames.empty() && m_frames.back().leaf) {
            m_out.insert(m_frames.back().start, "{ ");
            m_frames.back().leaf = false;
        }
        lineStart();
        std::size_t start = m_out.size();
        if (!leaf) m_out += "{ ";
        m_out += word;
        m_frames.push_back({start, leaf});
    }

    void end() override {
        if (m_frames.empty()) return;
        Frame f = m_frames.back();
        m_frames.pop_back();
        if (f.leaf) {
            lineEnd();
            return;
        }
        lineStart();
        m_out += '}';
        lineEnd();
    }

    int depth() const override { return static_cast<int>(m_frames.size()); }

    void settle() override {
        if (m_frames.empty()) lineEnd();
    }

  private:
    struct Frame {
        std::size_t start;  // where the block's line starts after the indentation
        bool leaf;
    };

    template <class T>
    static std::string_view number(char* buf, T v) {
        auto r = std::to_chars(buf, buf + 32, v);
        return std::string_view(buf, static_cast<std::size_t>(r.ptr - buf));
    }

    static std::string_view real(char* buf, float v) {
        if (std::isnan(v)) return "+nan";
        if (std::isinf(v)) return v > 0 ? "+inf" : "-inf";
        auto r = std::to_chars(buf, buf + 64, v);
        return std::string_view(buf, static_cast<std::size_t>(r.ptr - buf));
    }

    void lineStart() {
        lineEnd();
        m_out.append(static_cast<std::size_t>(m_indent) + 2 * m_frames.size(), ' ');
        m_lineOpen = true;
    }

    void lineEnd() {
        if (!m_lineOpen) return;
        m_out += '\n';
        m_lineOpen = false;
    }

    // Values join the open line of their block, or start a line of their own.
    void valueStart() {
        if (m_lineOpen)
            m_out += ' ';
        else
            lineStart();
    }

    void value(std::string_view v) {
        valueStart();
        m_out += v;
    }

    int m_indent;
    bool m_lineOpen = false;  // the last line belongs to the innermost open block (or the top)
    std::vector<Frame> m_frames;
};

class BinaryWriter final : public MemorySaveState::Writer {
  public:
    BinaryWriter() : Writer(LWIO_BINARY) { m_frames.push_back({0, false, kNone}); }

    void values(Kind kind, const void* values, int n) override {
        const std::size_t size = elementSize(kind);
        valuesStart();
        std::size_t at = m_out.size();
        m_out.resize(at + size * static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i, at += size) {
            const uint32_t v = kind == Kind::FP ? floatBits(static_cast<const float*>(values)[i])
                                                : static_cast<uint32_t>(integerAt(kind, values, i));
            if (size == 4)
                patchU32(m_out, at, v);
            else if (size == 2) {
                m_out[at] = static_cast<char>(v >> 8);
                m_out[at + 1] = static_cast<char>(v);
            } else {
                m_out[at] = static_cast<char>(v);
            }
        }
        valuesEnd();
    }

    void id(const st_LWBlockIdent* ident) override {
        if (!ident || ident->id == 0) fail("an ID was written without an ident");
        valuesStart();
        putU32(m_out, ident ? ident->id : 0);
        valuesEnd();
    }

    void text(const char* text) override {
        valuesStart();
        m_out.append(text, std::strlen(text) + 1);
        valuesEnd();
    }

    void begin(const st_LWBlockIdent* ident, bool leaf) override {
        if (!ident || ident->id == 0) fail("a block was begun without an ident");
        if (depth() >= kMaxBlockDepth)
            fail("blocks nest deeper than " + std::to_string(kMaxBlockDepth));
        Frame& f = m_frames.back();
        if (f.leaf) {
            // A block inside a leaf turns the leaf into a nested block: its values become a
            // values item.
            std::size_t content = f.header + 8;
            std::string header;
            putU32(header, 0);
            putU32(header, sizeField(m_out.size() - content, false));
            m_out.insert(content, header);
            f.leaf = false;
        }
        f.run = kNone;
        m_frames.push_back({m_out.size(), leaf, kNone});
        putU32(m_out, ident ? ident->id : 0);
        putU32(m_out, 0);
    }

    void end() override {
        if (m_frames.size() <= 1) return;
        Frame f = m_frames.back();
        m_frames.pop_back();
        patchU32(m_out, f.header + 4, sizeField(m_out.size() - f.header - 8, !f.leaf));
        m_frames.back().run = kNone;
    }

    int depth() const override { return static_cast<int>(m_frames.size()) - 1; }

    void settle() override {
        if (m_frames.size() == 1) m_frames.back().run = kNone;
    }

  private:
    struct Frame {
        std::size_t header;  // offset of the block's ID
        bool leaf;
        std::size_t run;  // offset of the open values item of a nested block, or kNone
    };

    uint32_t sizeField(std::size_t size, bool nested) {
        if (size > kSizeMask) {
            fail("a block holds more than " + std::to_string(kSizeMask) + " bytes");
            size = kSizeMask;
        }
        return static_cast<uint32_t>(size) | (nested ? kNestedBit : 0);
    }

    // Values of a nested block or of the top go into a values item.
    void valuesStart() {
        Frame& f = m_frames.back();
        if (f.leaf || f.run != kNone) return;
        f.run = m_out.size();
        putU32(m_out, 0);
        putU32(m_out, 0);
    }

    // The values item's size is kept current, so bytes() is whole whenever no block is open.
    void valuesEnd() {
        Frame& f = m_frames.back();
        if (f.run != kNone) patchU32(m_out, f.run + 4, sizeField(m_out.size() - f.run - 8, false));
    }

    std::vector<Frame> m_frames;  // [0] is the top level
};

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

template <class T, Kind K>
void writeValues(void* data, const T* values, int n) {
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
    if (ioMode == LWIO_ASCII)
        m_writer = std::make_unique<TextWriter>(indent);
    else if (ioMode == LWIO_BINARY)
        m_writer = std::make_unique<BinaryWriter>();
    else
        throw std::invalid_argument("unknown io mode " + std::to_string(ioMode));
    m_record.ioMode = ioMode;
    m_record.writeData = m_writer.get();
    m_record.write = &writeValues<char, Kind::Raw>;
    m_record.writeI1 = &writeValues<char, Kind::I1>;
    m_record.writeI2 = &writeValues<short, Kind::I2>;
    m_record.writeI4 = &writeValues<long, Kind::I4>;
    m_record.writeU1 = &writeValues<unsigned char, Kind::U1>;
    m_record.writeU2 = &writeValues<unsigned short, Kind::U2>;
    m_record.writeU4 = &writeValues<unsigned long, Kind::U4>;
    m_record.writeFP = &writeValues<float, Kind::FP>;
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

class MemoryLoadState::Reader {
  public:
    Reader(std::string bytes, int ioMode) : m_data(std::move(bytes)), m_ioMode(ioMode) {}
    virtual ~Reader() = default;

    // n values into out; the count read or -1.
    virtual int values(Kind kind, void* out, int n) = 0;
    virtual int text(char* buf, int size) = 0;
    // One ID value in the list, consumed; 0 (and nothing consumed) otherwise.
    virtual LWID readId(const st_LWBlockIdent* list) = 0;
    virtual LWID find(const st_LWBlockIdent* list) = 0;
    virtual void end() = 0;
    virtual int depth() const = 0;
    virtual long position() const = 0;
    // Walks the whole structure, then returns to the start; false when it is damaged.
    virtual bool check() = 0;
    // How a position is named in messages.
    virtual std::string where() const = 0;

    int ioMode() const { return m_ioMode; }
    MemoryLoadState* owner = nullptr;
    std::string reader;  // who reads now, for unread blocks
    std::vector<UnreadBlock> passed;
    std::set<std::pair<std::string, std::string>> asked;  // (reader, token)
    bool sweeping = false;                                // check() walks without reading

    // The tokens of a list the reader looks for; a loop asking with one list costs one look.
    void ask(const st_LWBlockIdent* list) {
        if (sameAsLast(list)) return;
        m_lastList.clear();
        for (const st_LWBlockIdent* i = list; i && i->id != 0; ++i)
            m_lastList.emplace_back(i->id, i->token);
        m_lastListReader = reader;
        IdChars scratch(0);
        for (; list && list->id != 0; ++list)
            asked.emplace(reader, std::string(tokenWord(*list, scratch)));
    }
    void passOver(long line, std::string_view token) {
        if (!sweeping) passed.push_back({line, std::string(token), reader});
    }

    bool failed() const { return m_failed; }
    bool damaged() const { return m_damaged; }
    const std::string& error() const { return m_error; }

    // A text read filled the caller's whole buffer; where, for the first few.
    void noteFilled(long at) {
        constexpr size_t kKept = 16;
        if (m_filled.size() < kKept) m_filled.push_back(at);
        ++m_filledCount;
    }
    size_t filledTexts() const { return m_filledCount; }
    long filledTextAt(size_t n) const { return n < m_filled.size() ? m_filled[n] : 0; }

    // A read that could not be done; later reads may still succeed.
    int readFailed(const std::string& what) {
        note(what);
        return -1;
    }

    // The data cannot be followed any further: every later read fails.
    void damage(const std::string& what) {
        note(what);
        m_damaged = true;
    }

    void note(const std::string& what) {
        if (m_failed) return;
        m_failed = true;
        m_error = where() + ": " + what;
    }

  protected:
    const std::string m_data;

  private:
    bool sameAsLast(const st_LWBlockIdent* list) const {
        if (reader != m_lastListReader || m_lastList.empty()) return false;
        size_t n = 0;
        for (; list && list->id != 0; ++list, ++n)
            if (n >= m_lastList.size() || m_lastList[n].first != list->id ||
                m_lastList[n].second != list->token)
                return false;
        return n == m_lastList.size();
    }

    std::vector<std::pair<LWID, const char*>> m_lastList;  // idents and token pointers
    std::string m_lastListReader;
    int m_ioMode;
    bool m_failed = false;
    bool m_damaged = false;
    std::string m_error;
    std::vector<long> m_filled;
    size_t m_filledCount = 0;
};

namespace {

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

std::string quoted(std::string_view s) {
    constexpr std::size_t kShown = 40;
    std::string out = "\"";
    for (char c : s.substr(0, kShown))
        out += static_cast<unsigned char>(c) < ' ' || c == 0x7f ? '?' : c;
    if (s.size() > kShown) out += "...";
    return out + "\"";
}

class TextReader final : public MemoryLoadState::Reader {
  public:
    TextReader(std::string bytes, int firstLine)
        : Reader(std::move(bytes), LWIO_ASCII), m_firstLine(firstLine), m_line(firstLine) {}

    int values(Kind kind, void* out, int n) override {
        if (damaged()) return -1;
        if (!out || n < 0) return readFailed("a read without a buffer");
        int count = 0;
        while (count < n) {
            const Lexeme& l = peekValue();
            if (l.kind != Lex::Number || !parse(kind, lexText(l), out, count)) {
                if (count > 0 || damaged()) break;
                return readFailed(std::string("expected ") + kindName(kind) + ", found " +
                                  describe(l));
            }
            consume();
            ++count;
        }
        return count > 0 || n == 0 ? count : -1;
    }

    int text(char* buf, int size) override {
        if (damaged()) return -1;
        if (!buf || size <= 0) return readFailed("a text read without a buffer");
        const Lexeme& l = peekValue();
        if (l.kind != Lex::Text)
            return damaged() ? -1 : readFailed("expected a text, found " + describe(l));
        std::size_t n = std::min(m_text.size(), static_cast<std::size_t>(size - 1));
        if (m_text.size() >= static_cast<std::size_t>(size - 1)) noteFilled(position());
        std::memcpy(buf, m_text.data(), n);
        buf[n] = 0;
        consume();
        return static_cast<int>(n);
    }

    LWID readId(const st_LWBlockIdent* list) override {
        if (damaged()) return 0;
        if (!list) {
            readFailed("an ID read without a list");
            return 0;
        }
        const Lexeme& l = peekValue();
        if (l.kind == Lex::Word)
            if (LWID id = match(lexText(l), list)) {
                consume();
                return id;
            }
        if (!damaged()) readFailed("expected one of the IDs asked for, found " + describe(l));
        return 0;
    }

    LWID find(const st_LWBlockIdent* list) override {
        if (damaged() || !list) return 0;
        if (!m_frames.empty() && m_frames.back().leaf) return 0;
        ask(list);
        for (;;) {
            const Lexeme& l = peek();
            switch (l.kind) {
                case Lex::Newline:
                case Lex::Number:
                case Lex::Text:
                    consume();
                    break;
                case Lex::Bad:
                    return 0;
                case Lex::End:
                    if (!m_frames.empty()) unclosed(m_frames.back().line);
                    return 0;
                case Lex::Close:
                    if (m_frames.empty()) damage("'}' without an open block");
                    return 0;
                case Lex::Word: {
                    Lexeme word = l;
                    consume();
                    if (LWID id = match(lexText(word), list)) {
                        m_frames.push_back({true, word.line});
                        return id;
                    }
                    passOver(word.line, lexText(word));
                    skipLeaf();
                    break;
                }
                case Lex::Open: {
                    long line = l.line;
                    consume();
                    if (!openToken()) return 0;
                    Lexeme word = peek();
                    consume();
                    if (LWID id = match(lexText(word), list)) {
                        if (!deeper(1)) return 0;
                        m_frames.push_back({false, line});
                        return id;
                    }
                    passOver(line, lexText(word));
                    if (!skipNested(line)) return 0;
                    break;
                }
            }
        }
    }

    void end() override {
        if (m_frames.empty()) return;
        Frame f = m_frames.back();
        if (!damaged()) {
            if (f.leaf)
                skipLeaf();
            else
                skipNested(f.line);
        }
        m_frames.pop_back();
    }

    int depth() const override { return static_cast<int>(m_frames.size()); }
    long position() const override { return m_havePeek ? m_peek.line : m_line; }

    bool check() override {
        // Looking for no block at the top level skips every block, through the end.
        static const st_LWBlockIdent kNoBlock[] = {{0, nullptr}};
        sweeping = true;
        if (!damaged()) find(kNoBlock);
        sweeping = false;
        m_pos = 0;
        m_line = m_firstLine;
        m_havePeek = false;
        m_frames.clear();
        return !damaged();
    }
    std::string where() const override { return "line " + std::to_string(position()); }

  private:
    enum class Lex { End, Newline, Open, Close, Word, Number, Text, Bad };
    struct Lexeme {
        Lex kind = Lex::End;
        std::size_t begin = 0, end = 0;  // the lexeme's bytes; a text's decoded form is m_text
        long line = 0;
    };
    struct Frame {
        bool leaf;
        long line;  // where the block begins
    };

    // What a read met instead of the value it wanted.
    std::string describe(const Lexeme& l) const {
        switch (l.kind) {
            case Lex::Number:
                return quoted(lexText(l));
            case Lex::Text:
                return "a text";
            case Lex::Word:
                if (m_frames.empty() || !m_frames.back().leaf)
                    return "the block " + quoted(lexText(l));
                return "the word " + quoted(lexText(l));
            default:
                return "no more values";
        }
    }

    std::string_view lexText(const Lexeme& l) const {
        return std::string_view(m_data).substr(l.begin, l.end - l.begin);
    }

    const Lexeme& peek() {
        if (!m_havePeek) {
            lex(m_peek);
            m_havePeek = true;
        }
        return m_peek;
    }

    void consume() {
        // The end and damaged data stay where they are.
        if (m_peek.kind != Lex::End && m_peek.kind != Lex::Bad) m_havePeek = false;
    }

    // The next value of the current block: newlines end a leaf's values, not a nested block's.
    const Lexeme& peekValue() {
        bool leaf = !m_frames.empty() && m_frames.back().leaf;
        while (!leaf && peek().kind == Lex::Newline) consume();
        return peek();
    }

    // The next lexeme; white space and comments between lexemes are passed over.
    void lex(Lexeme& l) {
        const std::size_t size = m_data.size();
        while (m_pos < size) {
            char c = m_data[m_pos];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f')
                ++m_pos;
            else if (c == '#')
                while (m_pos < size && m_data[m_pos] != '\n') ++m_pos;
            else
                break;
        }
        l.line = m_line;
        l.begin = m_pos;
        if (m_pos >= size) {
            l.kind = Lex::End;
        } else if (char c = m_data[m_pos]; c == '\n') {
            ++m_pos;
            ++m_line;
            l.kind = Lex::Newline;
        } else if (c == '{') {
            ++m_pos;
            l.kind = Lex::Open;
        } else if (c == '}') {
            ++m_pos;
            l.kind = Lex::Close;
        } else if (c == '"') {
            l.kind = lexText() ? Lex::Text : Lex::Bad;
        } else if (isWordChar(c)) {
            while (m_pos < size && isWordChar(m_data[m_pos])) ++m_pos;
            l.kind = isWordStart(c) ? Lex::Word : Lex::Number;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02x", static_cast<unsigned char>(c));
            damage(std::string("unexpected character ") + hex);
            l.kind = Lex::Bad;
        }
        l.end = m_pos;
    }

    // Decodes a quoted text into m_text; false (and damaged) when it is broken.
    bool lexText() {
        const std::size_t size = m_data.size();
        ++m_pos;
        m_text.clear();
        while (m_pos < size) {
            char c = m_data[m_pos++];
            if (c == '"') return true;
            if (c == '\n') break;
            if (c != '\\') {
                m_text += c;
                continue;
            }
            if (m_pos >= size) break;
            char e = m_data[m_pos++];
            switch (e) {
                case '"':
                    m_text += '"';
                    break;
                case '\\':
                    m_text += '\\';
                    break;
                case 'n':
                    m_text += '\n';
                    break;
                case 't':
                    m_text += '\t';
                    break;
                case 'r':
                    m_text += '\r';
                    break;
                case 'x': {
                    int v = 0;
                    if (size - m_pos < 2 || !hexDigit(m_data[m_pos], v) ||
                        !hexDigit(m_data[m_pos + 1], v) || v == 0) {
                        damage("a text holds a bad \\x escape");
                        return false;
                    }
                    m_pos += 2;
                    m_text += static_cast<char>(v);
                    break;
                }
                default:
                    damage(std::string("a text holds the unknown escape \\") +
                           (isWordChar(e) ? std::string(1, e) : std::string("?")));
                    return false;
            }
        }
        damage("a text without its closing quote");
        return false;
    }

    static bool hexDigit(char c, int& v) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v * 16 + d;
        return true;
    }

    static bool parse(Kind kind, std::string_view s, void* out, int index) {
        if (kind == Kind::FP) {
            // from_chars takes no '+'; "+-1" is not a number.
            bool plus = !s.empty() && s[0] == '+';
            if (plus) s.remove_prefix(1);
            if (s.empty() || (plus && s[0] == '-')) return false;
            float f = 0;
            auto r = std::from_chars(s.data(), s.data() + s.size(), f);
            if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
            static_cast<float*>(out)[index] = f;
            return true;
        }
        bool negative = false;
        if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
            negative = s[0] == '-';
            s.remove_prefix(1);
        }
        if (s.empty() || s.size() > 12) return false;
        int64_t v = 0;
        for (char c : s) {
            if (c < '0' || c > '9') return false;
            v = v * 10 + (c - '0');
        }
        if (negative) v = -v;
        const Range range = elementRange(kind);
        if (v < range.lo || v > range.hi) return false;
        storeInteger(kind, out, index, v);
        return true;
    }

    static LWID match(std::string_view word, const st_LWBlockIdent* list) {
        IdChars scratch(0);
        for (; list->id != 0; ++list)
            if (tokenWord(*list, scratch) == word) return list->id;
        return 0;
    }

    bool deeper(int extra) {
        if (static_cast<int>(m_frames.size()) + extra <= kMaxBlockDepth) return true;
        damage("blocks nest deeper than " + std::to_string(kMaxBlockDepth));
        return false;
    }

    void unclosed(long line) {
        damage("the block begun at line " + std::to_string(line) + " has no closing '}'");
    }

    // After "{": its token must follow.
    bool openToken() {
        if (peek().kind == Lex::Word) return true;
        if (!damaged()) damage("'{' is not followed by a block token");
        return false;
    }

    // The rest of a leaf: up to its line end, or a brace that belongs to the enclosing blocks.
    void skipLeaf() {
        for (;;) {
            switch (peek().kind) {
                case Lex::Newline:
                    consume();
                    return;
                case Lex::End:
                case Lex::Open:
                case Lex::Close:
                case Lex::Bad:
                    return;
                default:
                    consume();
            }
        }
    }

    // The rest of a nested block begun at `line`, through its "}". Counts nesting instead of
    // recursing.
    bool skipNested(long line) {
        int nesting = 1;
        for (;;) {
            const Lexeme& l = peek();
            switch (l.kind) {
                case Lex::Bad:
                    return false;
                case Lex::End:
                    unclosed(line);
                    return false;
                case Lex::Open:
                    consume();
                    if (!openToken() || !deeper(nesting + 1)) return false;
                    ++nesting;
                    break;
                case Lex::Close:
                    consume();
                    if (--nesting == 0) return true;
                    break;
                default:
                    consume();
            }
        }
    }

    std::size_t m_pos = 0;
    const long m_firstLine;
    long m_line;
    Lexeme m_peek;
    bool m_havePeek = false;
    std::string m_text;  // the decoded text of the peeked lexeme
    std::vector<Frame> m_frames;
};

class BinaryReader final : public MemoryLoadState::Reader {
  public:
    explicit BinaryReader(std::string bytes) : Reader(std::move(bytes), LWIO_BINARY) {
        m_frames.push_back({m_data.size(), false, 0});
    }

    int values(Kind kind, void* out, int n) override {
        if (damaged()) return -1;
        if (!out || n < 0) return readFailed("a read without a buffer");
        const std::size_t size = elementSize(kind);
        int count = 0;
        while (count < n && available() >= size) {
            const auto* p = reinterpret_cast<const unsigned char*>(m_data.data() + m_pos);
            const uint32_t u = size == 4   ? getU32(m_data.data() + m_pos)
                               : size == 2 ? (uint32_t(p[0]) << 8) | p[1]
                                           : p[0];
            if (kind == Kind::FP)
                static_cast<float*>(out)[count] = bitsFloat(u);
            else
                storeInteger(kind, out, count, decodeInteger(kind, u));
            m_pos += size;
            ++count;
        }
        if (count > 0 || n == 0) return count;
        if (damaged()) return -1;
        return readFailed(std::string("expected ") + kindName(kind) + ", found " +
                          (available() > 0 ? "too few bytes" : "no more values"));
    }

    int text(char* buf, int size) override {
        if (damaged()) return -1;
        if (!buf || size <= 0) return readFailed("a text read without a buffer");
        std::size_t avail = available();
        if (avail == 0) return damaged() ? -1 : readFailed("expected a text, found no more values");
        const char* p = m_data.data() + m_pos;
        auto z = static_cast<const char*>(std::memchr(p, 0, avail));
        if (!z) return readFailed("a text without its ending 0 byte");
        std::size_t len = static_cast<std::size_t>(z - p);
        std::size_t n = std::min(len, static_cast<std::size_t>(size - 1));
        if (len >= static_cast<std::size_t>(size - 1)) noteFilled(position());
        std::memcpy(buf, p, n);
        buf[n] = 0;
        m_pos += len + 1;
        return static_cast<int>(n);
    }

    LWID readId(const st_LWBlockIdent* list) override {
        if (damaged()) return 0;
        if (!list) {
            readFailed("an ID read without a list");
            return 0;
        }
        if (available() < 4) {
            if (!damaged()) readFailed("expected an ID, found no more values");
            return 0;
        }
        const LWID id = getU32(m_data.data() + m_pos);
        for (const st_LWBlockIdent* e = list; e->id != 0; ++e)
            if (e->id == id) {
                m_pos += 4;
                return id;
            }
        readFailed("the ID " + describeId(id) + " is not one of those asked for");
        return 0;
    }

    LWID find(const st_LWBlockIdent* list) override {
        if (damaged() || !list) return 0;
        Frame& f = m_frames.back();
        if (f.leaf) return 0;
        if (f.runEnd > m_pos) m_pos = f.runEnd;
        for (;;) {
            Item item;
            if (!nextItem(item)) return 0;
            if (item.id == 0) {
                m_pos = item.end;
                continue;
            }
            for (const st_LWBlockIdent* e = list; e->id != 0; ++e) {
                if (e->id != item.id) continue;
                if (depth() >= kMaxBlockDepth) {
                    damage("blocks nest deeper than " + std::to_string(kMaxBlockDepth));
                    return 0;
                }
                m_pos = item.content;
                m_frames.push_back({item.end, !item.nested, 0});
                return item.id;
            }
            m_pos = item.end;
        }
    }

    void end() override {
        if (m_frames.size() <= 1) return;
        m_pos = m_frames.back().end;
        m_frames.pop_back();
        m_frames.back().runEnd = 0;
    }

    int depth() const override { return static_cast<int>(m_frames.size()) - 1; }
    long position() const override { return static_cast<long>(m_pos); }

    bool check() override {
        m_pos = 0;
        while (!damaged()) {
            if (m_pos >= m_frames.back().end) {
                if (m_frames.size() == 1) break;
                m_pos = m_frames.back().end;
                m_frames.pop_back();
                continue;
            }
            Item item;
            if (!nextItem(item)) break;
            if (item.id == 0 || !item.nested) {
                m_pos = item.end;
                continue;
            }
            if (depth() >= kMaxBlockDepth) {
                damage("blocks nest deeper than " + std::to_string(kMaxBlockDepth));
                break;
            }
            m_frames.push_back({item.end, false, 0});
            m_pos = item.content;
        }
        m_frames.resize(1);
        m_frames.back().runEnd = 0;
        m_pos = 0;
        return !damaged();
    }
    std::string where() const override { return "offset " + std::to_string(m_pos); }

  private:
    struct Frame {
        std::size_t end;     // one past the block's content
        bool leaf;           // content is raw values
        std::size_t runEnd;  // end of the values item being read in a nested block, else 0
    };
    struct Item {
        LWID id;
        bool nested;
        std::size_t content, end;
    };

    // The item at m_pos within the current block; false at its end or when it is damaged.
    bool nextItem(Item& item) {
        const Frame& f = m_frames.back();
        if (m_pos >= f.end) return false;
        if (f.end - m_pos < 8) {
            damage("an item header is cut short (" + std::to_string(f.end - m_pos) +
                   " bytes left)");
            return false;
        }
        const char* p = m_data.data() + m_pos;
        item.id = getU32(p);
        uint32_t field = getU32(p + 4);
        std::size_t size = field & kSizeMask;
        item.nested = (field & kNestedBit) != 0;
        item.content = m_pos + 8;
        if (size > f.end - item.content) {
            damage((item.id ? "block " + describeId(item.id) : std::string("a values item")) +
                   " of " + std::to_string(size) + " bytes runs past " +
                   (m_frames.size() > 1 ? "its parent" : "the data") + " (" +
                   std::to_string(f.end - item.content) + " bytes left)");
            return false;
        }
        if (item.id == 0 && item.nested) {
            damage("a values item is marked as nested");
            return false;
        }
        item.end = item.content + size;
        return true;
    }

    // Bytes of values readable now: the rest of a leaf, or of the values item at hand in a
    // nested block (entering the next one when the previous is used up).
    std::size_t available() {
        Frame& f = m_frames.back();
        if (f.leaf) return f.end - m_pos;
        for (;;) {
            if (f.runEnd > m_pos) return f.runEnd - m_pos;
            f.runEnd = 0;
            // Only a values item may follow; a block ends the values of this stretch.
            if (m_pos >= f.end) return 0;
            if (f.end - m_pos >= 8 && getU32(m_data.data() + m_pos) != 0) return 0;
            Item item;
            if (!nextItem(item)) return 0;
            m_pos = item.content;
            f.runEnd = item.end;
        }
    }

    std::vector<Frame> m_frames;  // [0] is the top level
    std::size_t m_pos = 0;
};

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

template <class T, Kind K>
int readValues(void* data, T* values, int n) {
    return onReader(data, -1, [&](MemoryLoadState::Reader& r) { return r.values(K, values, n); });
}

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
    if (ioMode == LWIO_ASCII)
        m_reader = std::make_unique<TextReader>(std::move(bytes), firstLine);
    else if (ioMode == LWIO_BINARY)
        m_reader = std::make_unique<BinaryReader>(std::move(bytes));
    else
        throw std::invalid_argument("unknown io mode " + std::to_string(ioMode));
    m_reader->owner = this;
    m_record.ioMode = ioMode;
    m_record.readData = m_reader.get();
    m_record.read = &readValues<char, Kind::Raw>;
    m_record.readI1 = &readValues<char, Kind::I1>;
    m_record.readI2 = &readValues<short, Kind::I2>;
    m_record.readI4 = &readValues<long, Kind::I4>;
    m_record.readU1 = &readValues<unsigned char, Kind::U1>;
    m_record.readU2 = &readValues<unsigned short, Kind::U2>;
    m_record.readU4 = &readValues<unsigned long, Kind::U4>;
    m_record.readFP = &readValues<float, Kind::FP>;
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
    return m_reader->error();
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
