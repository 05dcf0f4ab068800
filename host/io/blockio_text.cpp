// Block data in the text encoding (LWIO_ASCII): lines of tokens, values and quoted texts.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "blockio_encoding.h"

namespace lwhost {

namespace {

using namespace blockio;

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

std::string quoted(std::string_view s) {
    constexpr std::size_t kShown = 40;
    std::string out = "\"";
    for (char c : s.substr(0, kShown))
        out += static_cast<unsigned char>(c) < ' ' || c == 0x7f ? '?' : c;
    if (s.size() > kShown) out += "...";
    return out + "\"";
}

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
        const int n = deliverText(m_text, buf, size);
        consume();
        return n;
    }

    LWID readId(const st_LWBlockIdent* list) override {
        if (!idReadable(list)) return 0;
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
    Located at(std::string what) const override { return {{}, position(), std::move(what)}; }

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
        m_text.clear();
        std::string why;
        if (readQuoted(m_data, m_pos, kBlockQuotes, &m_text, why)) return true;
        damage(why);
        return false;
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

}  // namespace

namespace blockio {

std::unique_ptr<MemorySaveState::Writer> textWriter(int indent) {
    return std::make_unique<TextWriter>(indent);
}

std::unique_ptr<MemoryLoadState::Reader> textReader(std::string bytes, int firstLine) {
    return std::make_unique<TextReader>(std::move(bytes), firstLine);
}

}  // namespace blockio

}  // namespace lwhost
