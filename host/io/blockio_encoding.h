// What the text and the binary encodings of block data share: the kinds of values a read or write
// carries, how IDs appear as words, and the writer's and the reader's halves of a state that
// are the same for both. Each encoding's writer and reader live in a source of their own.
#pragma once

#include <lwsdk/lwio.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lwhost/io/blockio.h"
#include "lwhost/io/quoted_text.h"

namespace lwhost {

namespace blockio {

// What a read or write call carries; see lwio.h for each kind's C element type.
enum class Kind { Raw, I1, U1, I2, U2, I4, U4, FP };

// The i-th value of an array of the kind's C element type, widened. I4 and U4 arrays are checked
// for range before they get here (fitsFourBytes).
inline int64_t integerAt(Kind kind, const void* values, int i) {
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
inline void storeInteger(Kind kind, void* out, int i, int64_t v) {
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

// A token's first character, any of its characters, and a whole token (see blockio.h).
inline bool isWordStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
inline bool isWordChar(char c) {
    auto u = static_cast<unsigned char>(c);
    return u > ' ' && u != 0x7f && c != '{' && c != '}' && c != '"' && c != '#';
}
inline bool isWord(std::string_view s) {
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
inline std::string_view tokenWord(const st_LWBlockIdent& ident, IdChars& scratch) {
    if (ident.token && isWord(ident.token)) return ident.token;
    scratch = IdChars(ident.id);
    return isWord(scratch.view()) ? scratch.view() : std::string_view();
}

// How an ID appears in messages: its characters when printable, else hex.
std::string describeId(LWID id);

// What a read of the kind expected, for messages.
const char* kindName(Kind kind);

}  // namespace blockio

class MemorySaveState::Writer {
  public:
    explicit Writer(int ioMode) : m_ioMode(ioMode) {}
    virtual ~Writer() = default;

    virtual void values(blockio::Kind kind, const void* values, int n) = 0;
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

class MemoryLoadState::Reader {
  public:
    Reader(std::string bytes, int ioMode) : m_data(std::move(bytes)), m_ioMode(ioMode) {}
    virtual ~Reader() = default;

    // n values into out; the count read or -1.
    virtual int values(blockio::Kind kind, void* out, int n) = 0;
    virtual int text(char* buf, int size) = 0;
    // One ID value in the list, consumed; 0 (and nothing consumed) otherwise.
    virtual LWID readId(const st_LWBlockIdent* list) = 0;
    virtual LWID find(const st_LWBlockIdent* list) = 0;
    virtual void end() = 0;
    virtual int depth() const = 0;
    virtual long position() const = 0;
    // Walks the whole structure, then returns to the start; false when it is damaged.
    virtual bool check() = 0;
    // `what` went wrong here: at a text line, or at a binary offset named in the text.
    virtual Located at(std::string what) const = 0;

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
        blockio::IdChars scratch(0);
        for (; list && list->id != 0; ++list)
            asked.emplace(reader, std::string(blockio::tokenWord(*list, scratch)));
    }
    void passOver(long line, std::string_view token) {
        if (!sweeping) passed.push_back({line, std::string(token), reader});
    }

    bool failed() const { return m_failed; }
    bool damaged() const { return m_damaged; }
    const Located& problem() const { return m_problem; }
    Located reported;  // where a reader riding on this one failed

    // A text read filled the caller's whole buffer; where, for the first few.
    void noteFilled(long at) {
        constexpr size_t kKept = 16;
        if (m_filled.size() < kKept) m_filled.push_back(at);
        ++m_filledCount;
    }
    size_t filledTexts() const { return m_filledCount; }
    long filledTextAt(size_t n) const { return n < m_filled.size() ? m_filled[n] : 0; }

    // Hands a text read to the caller's buffer of `size` bytes, cut to fit, noting a text that
    // fills it; the characters stored.
    int deliverText(std::string_view text, char* buf, int size) {
        const std::size_t room = static_cast<std::size_t>(size - 1);
        if (text.size() >= room) noteFilled(position());
        const std::size_t n = std::min(text.size(), room);
        std::memcpy(buf, text.data(), n);
        buf[n] = 0;
        return static_cast<int>(n);
    }

    // Whether an ID read may go on: the data is sound and a list was given.
    bool idReadable(const st_LWBlockIdent* list) {
        if (damaged()) return false;
        if (!list) readFailed("an ID read without a list");
        return list != nullptr;
    }

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
        m_problem = at(what);
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
    Located m_problem;
    std::vector<long> m_filled;
    size_t m_filledCount = 0;
};

namespace blockio {

// Each encoding's writer and reader (blockio_text.cpp, blockio_binary.cpp).
std::unique_ptr<MemorySaveState::Writer> textWriter(int indent);
std::unique_ptr<MemorySaveState::Writer> binaryWriter();
std::unique_ptr<MemoryLoadState::Reader> textReader(std::string bytes, int firstLine);
std::unique_ptr<MemoryLoadState::Reader> binaryReader(std::string bytes);

}  // namespace blockio

}  // namespace lwhost
