// Block-structured data in memory: the save and load records of sdk/lwsdk/lwio.h over a byte
// string, in either encoding. "File IO" is built on these; the scene reader and writer use them to
// embed a plug-in's blocks in a larger file.
//
// Text encoding (LWIO_ASCII), meant to be written by hand as well:
//
//     Version 3                      a leaf block: its token, then its values, on one line
//     Name "Key \"light\""           texts in double quotes; escapes \" \\ \n \t \r \xHH
//     { Filter 1                     a nested block: "{", its token, values on the same line
//       Mode 2                       inner blocks indented two spaces a level
//       7 8                          values of the enclosing block after an inner one
//     }                              ends the nested block
//     # a comment, to the end of the line
//
//   - A token is a word: a letter or '_' first, then any characters but white space, braces,
//     '"' and '#'. The writer uses the ident's token, or its four ID characters when the token is
//     not a word; the reader matches a word against each listed ident the same way.
//   - Integers are decimal; floats are written in the shortest form that reads back exactly
//     ("+inf", "-inf", "+nan" for the special values); an integer also reads as a float. A value
//     of the wrong kind or out of range for the read fails that read (-1) and stays unread.
//     Raw bytes (write/read) are written as the integers 0..255; an ID value (writeID) as its
//     block token, which readID matches against its list as findBlk does.
//   - A text holds no line break or other control character but the tab, nor DEL: the writer
//     writes them as escapes, the reader refuses them (see quoted_text.h).
//   - A leaf's values end at the end of its line; a nested block ends at its "}".
//   - Blocks nest at most kMaxBlockDepth deep; deeper data counts as damaged.
//
// Binary encoding (LWIO_BINARY), all numbers big-endian:
//
//     item   := block | values
//     block  := ID (u32, never 0) size (u32) content[size & 0x7fffffff]
//               size bit 31 clear: a leaf; its content is raw values.
//               size bit 31 set:   a nested block; its content is a sequence of items.
//     values := 0 (u32) size (u32, bit 31 clear) raw values[size]
//               values written directly into a nested block or at the top level.
//     raw values: raw bytes, I1 and U1 as 1 byte, I2 and U2 as 2, I4 and U4 as 4 (whatever the
//               size of long in memory), float as its IEEE-754 bits in 4, an ID value as its 4
//               ID bytes; a text as its bytes and a 0 byte.
//   A file is a sequence of items. Binary values carry no kinds: a read takes the next bytes.
//
// Reads never go past the data: every size is checked against the bytes left in its parent before
// it is used, a damaged item stops all further reading (reads -1, findBlk 0) and failed() says why.
// Data cut off inside an open block is damaged. Whoever hands data to a plug-in checks it whole
// first (MemoryLoadState::check), so that a load never applies the part before the damage.
#pragma once

#include <lwsdk/lwio.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "lwhost/io/quoted_text.h"

namespace lwhost {

// Deepest nesting of blocks either encoding reads or writes.
constexpr int kMaxBlockDepth = 1024;

// Writes blocks into memory.
class MemorySaveState {
  public:
    // `indent`: spaces put before every text line, for embedding in a larger text file at that
    // indentation. Throws std::invalid_argument for an unknown io mode.
    explicit MemorySaveState(int ioMode, int indent = 0);
    ~MemorySaveState();
    MemorySaveState(const MemorySaveState&) = delete;
    MemorySaveState& operator=(const MemorySaveState&) = delete;

    st_LWSaveState* record();
    int ioMode() const;
    // What was written and not yet handed to the sink. Blocks still open are incomplete: call
    // finish() first.
    const std::string& bytes() const;
    // Closes every block left open.
    void finish();
    // A write could not be represented (a block too large, nesting too deep, an ident without a
    // usable token) or the sink refused bytes.
    bool failed() const;
    std::string error() const;

    // Hands finished top-level items to `sink` whenever no block is open and at least `threshold`
    // bytes are waiting; bytes() then keeps only the rest. A sink returning false fails the state.
    void setSink(std::function<bool(const std::string&)> sink, std::size_t threshold);
    // Hands everything waiting to the sink now; false without a sink, while a block is open
    // (call finish() first) or once the state failed.
    bool flush();

    class Writer;

  private:
    std::unique_ptr<Writer> m_writer;
    st_LWSaveState m_record;
};

// A block a reader passed over while looking for others (text encoding only): its token was in
// none of the lists the reader asked for. `reader` is who was reading then (see setReader).
struct UnreadBlock {
    long line = 0;
    std::string token;
    std::string reader;
};

// Reads blocks from memory (a copy of the bytes).
class MemoryLoadState {
  public:
    // `firstLine`: the line number of the first text line, so that errors name lines of the file
    // the bytes were cut from. Throws std::invalid_argument for an unknown io mode.
    MemoryLoadState(std::string bytes, int ioMode, int firstLine = 1);
    ~MemoryLoadState();
    MemoryLoadState(const MemoryLoadState&) = delete;
    MemoryLoadState& operator=(const MemoryLoadState&) = delete;

    st_LWLoadState* record();
    int ioMode() const;
    // Walks the whole data once, before anything is read, for its structure: every block
    // closed, every size within its parent, tokens and texts well formed, nesting at most
    // kMaxBlockDepth deep. False when the data is damaged anywhere: it is then damaged() from
    // the start, so that nothing of it reaches a plug-in, and error() says where. Values are not
    // looked at; one of the wrong kind still fails only its own read.
    bool check();
    // A read failed or the data is damaged.
    bool failed() const;
    // The data is damaged: nothing more is read.
    bool damaged() const;
    // The first thing that went wrong and where ("line 12: ..." for text, "offset 40: ..." for
    // binary); empty when nothing did.
    std::string error() const;
    // The same with its line apart (text); a binary offset stays in the text, the line 0.
    Located problem() const;
    // A reader reading on through this state's record (a node graph inside a plug-in's blocks)
    // leaves where it failed here, so that whoever passes its error on can name the line.
    void report(Located problem);
    const Located& reported() const;
    // The text line or binary offset the reader is at now.
    long position() const;
    // How many texts read so far filled the reader's whole buffer (as long as it holds, or
    // longer and cut), and the line or offset of the n-th of them (0 past the first few). A
    // reader that fails its load after one most likely refused that text for its length.
    size_t filledTexts() const;
    long filledTextAt(size_t n) const;

    // Names who reads from now on, so that blocks passed over are charged to it; returns the
    // name before, for putting it back.
    std::string setReader(std::string name);
    // Blocks passed over whose token the reader charged with them never asked for, in order.
    std::vector<UnreadBlock> unread() const;
    // The state whose record this is, or null for records of other readers.
    static MemoryLoadState* behind(const st_LWLoadState* record);

    class Reader;

  private:
    std::unique_ptr<Reader> m_reader;
    st_LWLoadState m_record;
};

}  // namespace lwhost
