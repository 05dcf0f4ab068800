// Scene persistence: the load/save interface of stored objects, thin wrappers of the host's load
// and save records, and files opened through "File IO".
//
// Block conventions every stored class follows:
//   - a flat sequence of blocks at its own level, each opened with an ID of its own list and
//     closed at once;
//   - a scalar setting is one leaf block with one value: a boolean as one u8 (true only when it
//     is 1), an integer or enumeration as one u32, a version as one i16, a number as one float, a
//     name as one text;
//   - a sub-object is written with WriteItem into a nested (non-leaf) block;
//   - loading loops: findBlk over the class's list, read by ID, endBlk, until findBlk gives 0;
//     missing blocks leave construction defaults, and older layouts keep being read.
#pragma once

#include <lwsdk/lwio.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "vexo/globals.h"

namespace vexo {

class LoadState;
class SaveState;

// Longest text, in bytes, a stored setting holds (filter patterns, picked names, comment names,
// item and preset names). Texts are held to it where they are entered; a longer stored text
// fails its load rather than being cut.
constexpr int kMaxTextBytes = 1023;

// Whether a text may be entered: when it is longer than kMaxTextBytes the user is told that
// `what` ("The text for \"Filter\"") is too long and that nothing changed, and false is returned.
bool acceptText(std::string_view text, const std::string& what);
// The error of a stored text longer than kMaxTextBytes: `owner`'s "`token`" is longer than the
// limit. Kept for the life of the process, as the host may read an error text at any time.
const char* textTooLong(const char* owner, const char* token);

// Anything that stores itself in blocks. Both operations return an error text, null on success.
class Storeable {
  public:
    virtual ~Storeable() = default;
    virtual const char* Load(const LoadState& state);
    virtual const char* Save(const SaveState& state);
};

// Blocks of item references: "ITEM" "Item", "ITID" "ItemID", "ITTY" "ItemType"; zero-ended.
extern const st_LWBlockIdent item_root[];
// Blocks of presets: "VERS" "Version", "PRES" "Preset", "NAME" "Name"; zero-ended.
extern const st_LWBlockIdent idroot[];

// The entry of a zero-ended list with that ID, or null.
const st_LWBlockIdent* FindIdent(const st_LWBlockIdent* list, LWID id);

// Writes through the host's save record. Holds only the record pointer; copied freely. Every
// operation does nothing when the record is null.
class SaveState {
  public:
    explicit SaveState(const st_LWSaveState* state = nullptr) : m_state(state) {}

    const st_LWSaveState* record() const { return m_state; }
    bool valid() const { return m_state != nullptr; }
    int ioMode() const;

    void writeU1(const uint8_t* values, int n) const;
    void writeI2(const int16_t* values, int n) const;
    void writeU4(const uint32_t* values, int n) const;
    void writeFP(const float* values, int n) const;
    void writeU1(uint8_t value) const { writeU1(&value, 1); }
    void writeI2(int16_t value) const { writeI2(&value, 1); }
    void writeU4(uint32_t value) const { writeU4(&value, 1); }
    void writeFP(float value) const { writeFP(&value, 1); }
    void writeStr(const char* text) const;
    void writeStr(const std::string& text) const { writeStr(text.c_str()); }
    // One u8: 1 for true, 0 for false.
    void writeBool(bool value) const { writeU1(static_cast<uint8_t>(value ? 1 : 0)); }

    void beginBlk(const st_LWBlockIdent& ident, bool leaf) const;
    void beginBlk(const st_LWBlockIdent* ident, bool leaf) const;
    void endBlk() const;

    // A nested block holding `item`'s own blocks; the item's result.
    const char* WriteItem(const st_LWBlockIdent& ident, Storeable& item, bool leaf) const;
    const char* WriteItem(const st_LWBlockIdent* ident, Storeable& item, bool leaf) const;
    // Owned sub-objects; a null item writes an empty block.
    const char* WriteItem(const st_LWBlockIdent& ident, Storeable* item, bool leaf) const;
    const char* WriteItem(const st_LWBlockIdent* ident, Storeable* item, bool leaf) const;

    // Scalar settings: one leaf block holding one value.
    void writeBoolBlk(const st_LWBlockIdent& ident, bool value) const;
    void writeU1Blk(const st_LWBlockIdent& ident, uint8_t value) const;
    void writeI2Blk(const st_LWBlockIdent& ident, int16_t value) const;
    void writeU4Blk(const st_LWBlockIdent& ident, uint32_t value) const;
    void writeFPBlk(const st_LWBlockIdent& ident, float value) const;
    void writeStrBlk(const st_LWBlockIdent& ident, const char* text) const;
    void writeStrBlk(const st_LWBlockIdent& ident, const std::string& text) const {
        writeStrBlk(ident, text.c_str());
    }

  private:
    const st_LWSaveState* m_state;
};

// Reads through the host's load record and keeps the result of the last value read (0 at
// construction): the host's return value, the number of values read or -1. A failed read leaves
// the caller's variable unchanged. With a null record every read fails and findBlk gives 0.
class LoadState {
  public:
    explicit LoadState(const st_LWLoadState* state = nullptr) : m_state(state) {}

    const st_LWLoadState* record() const { return m_state; }
    bool valid() const { return m_state != nullptr; }
    int ioMode() const;
    int result() const { return m_result; }

    int readU1(uint8_t* values, int n) const;
    int readI2(int16_t* values, int n) const;
    int readU4(uint32_t* values, int n) const;
    int readFP(float* values, int n) const;
    // One value; true when it was read.
    bool readU1(uint8_t& value) const;
    bool readI2(int16_t& value) const;
    bool readU4(uint32_t& value) const;
    bool readFP(float& value) const;
    // One u8: true only when it is 1.
    bool readBool(bool& value) const;
    // One text into buf (size bytes with the terminator): cut to size - 1 characters, the rest
    // skipped. Returns the characters stored or -1.
    int readStr(char* buf, int size) const;
    // One text of at most `limit` bytes; true when it was read. A longer text is never cut:
    // the read fails, `text` keeps its value and textTooLong() says so.
    bool readStr(std::string& text, int limit = kMaxTextBytes) const;
    // The last readStr into a std::string failed because the text was longer than its limit.
    bool textTooLong() const { return m_tooLong; }

    // Enters the next block of this level whose ID is in `list`; 0 when none is left.
    LWID findBlk(const st_LWBlockIdent* list) const;
    // Leaves the current block, skipping what was not read.
    void endBlk() const;

    // Loads a sub-object from the block the caller has found; the caller ends the block.
    const char* read(Storeable& item) const { return item.Load(*this); }

  private:
    int store(int result) const { return m_result = result; }

    const st_LWLoadState* m_state;
    mutable int m_result = 0;
    mutable bool m_tooLong = false;
};

template <>
const char* const GlobalBase<st_LWFileIOFuncs>::m_globalName;

// A block file opened through "File IO" in the text encoding: for writing (mode 0) or reading
// (mode 1). Closed when destroyed. The record is null when the file could not be opened.
class File : public GlobalBase<st_LWFileIOFuncs> {
  public:
    static constexpr int Writing = 0;
    static constexpr int Reading = 1;

    File(const char* name, int mode);
    File(const std::string& name, int mode) : File(name.c_str(), mode) {}
    ~File() override;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    int mode() const { return m_mode; }
    bool isOpen() const { return m_save != nullptr || m_load != nullptr; }
    st_LWSaveState* saveRecord() const { return m_save; }
    st_LWLoadState* loadRecord() const { return m_load; }

    // Saves `item` into a file opened for writing; an error text when it is not one.
    const char* Save(Storeable& item);
    // Loads `item` from a file opened for reading with a fresh load state.
    const char* Load(Storeable& item);

  private:
    int m_mode;
    st_LWSaveState* m_save = nullptr;
    st_LWLoadState* m_load = nullptr;
};

}  // namespace vexo
