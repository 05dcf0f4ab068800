// Block data in the binary encoding (LWIO_BINARY): sized items, all numbers big-endian.
#include <algorithm>
#include <cstring>

#include "blockio_encoding.h"

namespace lwhost {

namespace {

using namespace blockio;

constexpr uint32_t kNestedBit = 0x80000000u;
constexpr uint32_t kSizeMask = 0x7fffffffu;
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

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
        const int n = deliverText(std::string_view(p, len), buf, size);
        m_pos += len + 1;
        return n;
    }

    LWID readId(const st_LWBlockIdent* list) override {
        if (!idReadable(list)) return 0;
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
    Located at(std::string what) const override {
        return {{}, 0, "offset " + std::to_string(m_pos) + ": " + what};
    }

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

}  // namespace

namespace blockio {

std::unique_ptr<MemorySaveState::Writer> binaryWriter() {
    return std::make_unique<BinaryWriter>();
}

std::unique_ptr<MemoryLoadState::Reader> binaryReader(std::string bytes) {
    return std::make_unique<BinaryReader>(std::move(bytes));
}

}  // namespace blockio

}  // namespace lwhost
