// Values written into item comments, such as '#s:roughness=0.25;' on an object, and the stores
// that collect them once per frame for the get-comment nodes.
//
// A value line is   marker type ":" key "=" value ";"   where the marker is "#" (the item's own
// value) or "*" (handed down to every descendant too), the type's first letter picks the kind
// ("s" scalar, "v" vector, "c" colour, "i" integer) and text after the ";" is ignored.
//
// A store walks the scene in NewTime (main thread) and keeps one value per item ID; Evaluate
// (render threads) only looks the shaded object up in that map. The walk and the line parsing
// are shared: one CommentScan per graph step serves every store in it.
#pragma once

#include <vexo/items.h>
#include <vexo/node.h>
#include <vexo/persistence.h>
#include <vexo/utility.h>
#include <vexo/vparm.h>
#include <vexo/xpanel.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "toolkit/frame_sets.h"

namespace qrv {

// The text without blanks, tabs and carriage returns at either end.
std::string trimComment(const std::string& text);

// Splits a comment line into its parts; false when it is not a value line. Each delimiter is
// the first of its kind in the line, and a "#" anywhere makes the line plain even after a "*".
// A closing delimiter that stands before its opening one makes the piece run to the line's end.
// The type and key come trimmed, the value as written.
bool parseComment(std::string_view line, std::string& type, std::string& key, std::string& value,
                  bool& inherit);

// The store letter a type word selects: its first letter, lower-cased; 0 for an empty word.
char commentTypeLetter(const std::string& type);

// The view form of parseComment: the pieces point into `line`.
bool parseCommentView(std::string_view line, std::string_view& type, std::string_view& key,
                      std::string_view& value, bool& inherit);

// One number from the start of the text (leading white space skipped, the rest ignored); 0 when
// the text does not start with a number or the number does not fit.
double readCommentScalar(std::string_view text);
// One decimal integer ('12.7' gives 12), under the same rules.
int32_t readCommentInteger(std::string_view text);
// Three comma-separated numbers; missing pieces repeat the last one read ("1,2" gives 1, 2, 2),
// unreadable pieces give 0 and pieces after the third are ignored.
vexo::Vector3<double> readCommentVector(std::string_view text);

// The items the stores visit, in visiting order (every root object, then depth first through
// its children, each item once), with the value lines of their comments parsed. The text is
// copied: a host may reuse the buffer of a comment line at its next query.
class CommentScan {
  public:
    struct Line {
        char letter;  // commentTypeLetter of the type
        bool inherit;
        uint32_t key, keySize, value, valueSize;  // offsets into the scan's text
    };
    struct Visit {
        LWItemID item;
        int32_t from;  // the visit that queued this one; -1 for a root object
        uint32_t firstLine, lineCount;
    };

    // Main thread: the scan of the scene as it is now, shared by the stores of one graph step
    // (SceneStep); outside a step every call reads afresh.
    static const CommentScan& current(const vexo::ItemInfo& items, const st_LWObjectInfo* objects);

    const std::vector<Visit>& visits() const { return m_visits; }
    const Line& line(size_t index) const { return m_lines[index]; }
    std::string_view key(const Line& l) const { return {m_text.data() + l.key, l.keySize}; }
    std::string_view value(const Line& l) const { return {m_text.data() + l.value, l.valueSize}; }

  private:
    void read(const vexo::ItemInfo& items, const st_LWObjectInfo* objects);

    std::vector<Visit> m_visits;
    std::vector<Line> m_lines;
    std::string m_text;
    // The walk's own, kept from reading to reading for their storage.
    struct Pending {
        LWItemID item;
        int32_t from;
    };
    std::vector<Pending> m_pending;
    std::vector<LWItemID> m_children;
    SeenItems m_queued;
};

}  // namespace qrv

// Panel values of the get-comment nodes.
enum CommentControl : unsigned {
    kCommentDefault = 0x9000,
    kCommentName = 0x9001,
    kCommentLogo = 0x9002,
    kCommentAbout = 0x9003,
};

// Blocks of a store: "NAME" "CommentName", "DFLT" "Default".
extern const st_LWBlockIdent kCommentBlocks[];

// The common part of the four stores: the key pattern, the popup of keys found in the scene,
// the scene walk, the "Default" input, the output and the blocks.
class CommentStore : public vexo::PopUpCallback, public vexo::Storeable {
  public:
    explicit CommentStore(char type) : m_type(type) {}
    // A store's input and output belong to its node: copies take the settings only.
    CommentStore(const CommentStore&) = delete;
    ~CommentStore() override;

    // The keys of this kind in the comments of every object, unique and byte-wise sorted.
    int popCount() override;
    const char* popName(int index) override;

    // Parses the text as this store's kind and sets the item's value.
    virtual void storeValue(LWItemID item, std::string_view text) = 0;
    // The comment name and the default; not the node, its input or its output.
    CommentStore& operator=(const CommentStore& other);
    // Adds the "Default" input and the output to the node and creates the default parameter
    // owned by `serverName` in the node's channel group.
    virtual void Init(vexo::NodeHandler* node, const char* serverName);
    // Render threads: the shaded object's value, else the "Default" input over the default.
    virtual void Evaluate(LWNodalAccess_t* access, void* output, NodeValue value) = 0;
    // Main thread: the default at `time`, then every value of the scene afresh.
    virtual void NewTime(int frame, double time);

    const char* Save(const vexo::SaveState& state) override;
    const char* Load(const vexo::LoadState& state) override;

    // kCommentName: the pattern text; kCommentDefault: the default, or null while the
    // "Default" input is connected.
    virtual void* DataGet(unsigned id);
    virtual int DataSet(unsigned id, void* value);

    char type() const { return m_type; }
    const std::string& commentName() const { return m_commentName; }
    void setCommentName(const std::string& name) { m_commentName = name; }
    const std::vector<std::string>& names() const { return m_names; }
    // Whether the last NewTime found a value for the item.
    virtual bool hasValue(LWItemID item) const = 0;
    size_t valueCount() const;

  protected:
    virtual void clearValues() = 0;
    // Orders the values collected for lookups; after the last storeValue of a frame.
    virtual void sealValues() = 0;
    virtual size_t countValues() const = 0;
    // Brings the kept default to `time`.
    virtual void refreshDefault(double time) = 0;
    virtual void saveDefault(const vexo::SaveState& state) = 0;
    virtual const char* loadDefault(const vexo::LoadState& state) = 0;
    virtual void* defaultData() = 0;
    virtual void setDefaultData(void* value) = 0;
    // Creates the default parameter (scalar, vector and colour stores).
    static void createParm(vexo::VParm& parm, int type, const char* name, vexo::NodeHandler* node,
                           const char* serverName);

    bool defaultConnected() const { return m_default && m_default->connected(); }
    const vexo::LWNodeInput* defaultInput() const { return m_default.get(); }
    const vexo::LWNodeOutput* output() const { return m_output.get(); }

    // Set by the derived stores' Init.
    ConnectionType m_connection = LWNODE_SCALAR;
    const char* m_outputName = "";
    double m_time = 0.0;

  private:
    // Walks every root object's hierarchy, storing the values that apply to each item.
    void collect(const std::string& pattern);

    std::vector<std::string> m_names;
    std::vector<const qrv::CommentScan::Line*> m_inherited;  // collect's, kept for its storage
    char m_type;
    std::string m_commentName;
    vexo::NodeHandler* m_node = nullptr;  // not owned
    std::unique_ptr<vexo::LWNodeInput> m_default;
    std::unique_ptr<vexo::LWNodeOutput> m_output;
    vexo::ItemInfo m_items;
    vexo::ObjectInfo m_objectInfo;  // for the scene reading shared with the filters
};

// The last comment value parsed: objects mostly inherit or repeat the same line, parsed once.
template <class V>
class LastParsed {
  public:
    template <class Parse>
    const V& get(std::string_view text, Parse parse) {
        if (!m_valid || text != m_text) {
            m_value = parse(text);
            m_text.assign(text);
            m_valid = true;
        }
        return m_value;
    }

  private:
    std::string m_text;
    V m_value{};
    bool m_valid = false;
};

// The values of one kind of comment per object, parsed by `Parse`, and the node's output: the
// shaded object's value, else the "Default" input over the default in force.
template <class V, V (*Parse)(std::string_view)>
class TypedCommentStore : public CommentStore {
  public:
    void storeValue(LWItemID item, std::string_view text) override {
        m_values.set(item, m_parsed.get(text, Parse));
    }
    void Evaluate(LWNodalAccess_t* access, void* output, NodeValue value) override {
        const vexo::LWNodeOutput* out = this->output();
        if (!out || !out->is(output)) return;
        const V* found = access ? m_values.find(access->objID) : nullptr;
        const vexo::LWNodeInput* in = found ? nullptr : defaultInput();
        if constexpr (std::is_same_v<V, vexo::Vector3<double>>) {
            double result[3];
            (found ? *found : m_kept).copyTo(result);
            if (in) in->evaluate(access, result);
            out->setVector(value, result);
        } else {
            V result = found ? *found : m_kept;
            if (in) in->evaluate(access, &result);
            if constexpr (std::is_same_v<V, double>)
                out->setScalar(value, result);
            else
                out->setInteger(value, result);
        }
    }
    bool hasValue(LWItemID item) const override { return m_values.contains(item); }

    // The values as a map, for inspection.
    std::map<LWItemID, V> values() const { return m_values.toMap(); }

  protected:
    TypedCommentStore(char type, ConnectionType connection, const char* outputName)
        : CommentStore(type) {
        m_connection = connection;
        m_outputName = outputName;
    }
    TypedCommentStore& operator=(const TypedCommentStore& other) {
        if (this == &other) return *this;
        CommentStore::operator=(other);
        m_kept = other.m_kept;
        m_values = other.m_values;
        return *this;
    }

    void clearValues() override { m_values.clear(); }
    void sealValues() override { m_values.seal(); }
    size_t countValues() const override { return m_values.size(); }

    V m_kept{};  // the default in force

  private:
    qrv::IdMap<V> m_values;
    LastParsed<V> m_parsed;
};

// A default that is an envelope (`parmType`) in the node's channel group.
template <class V, V (*Parse)(std::string_view)>
class EnvelopeCommentStore : public TypedCommentStore<V, Parse> {
  public:
    void Init(vexo::NodeHandler* node, const char* serverName) override {
        CommentStore::Init(node, serverName);
        CommentStore::createParm(m_parm, m_parmType, m_parmName, node, serverName);
    }
    vexo::VParm& defaultParm() { return m_parm; }
    const V& keptDefault() const { return this->m_kept; }

  protected:
    EnvelopeCommentStore(char type, ConnectionType connection, const char* outputName, int parmType,
                         const char* parmName)
        : TypedCommentStore<V, Parse>(type, connection, outputName),
          m_parmType(parmType),
          m_parmName(parmName) {}
    EnvelopeCommentStore& operator=(const EnvelopeCommentStore& other) {
        if (this == &other) return *this;
        TypedCommentStore<V, Parse>::operator=(other);
        m_parm = other.m_parm;
        return *this;
    }

    void refreshDefault(double time) override {
        m_parm.evaluate(time);
        if constexpr (std::is_same_v<V, double>)
            this->m_kept = m_parm.x;
        else
            this->m_kept = m_parm.value();
    }
    void saveDefault(const vexo::SaveState& state) override {
        state.WriteItem(kCommentBlocks[1], m_parm, false);
    }
    const char* loadDefault(const vexo::LoadState& state) override {
        const char* error = state.read(m_parm);
        // Evaluation reads the kept value: bring it up to the loaded envelope.
        refreshDefault(this->m_time);
        return error;
    }
    void* defaultData() override { return m_parm.id(); }
    void setDefaultData(void*) override {}

    int m_parmType;
    const char* m_parmName;

  private:
    vexo::VParm m_parm;
};

// "Default Scalar", a float envelope; output "Scalar".
class ScalarCommentStore : public EnvelopeCommentStore<double, qrv::readCommentScalar> {
  public:
    ScalarCommentStore()
        : EnvelopeCommentStore('s', LWNODE_SCALAR, "Scalar", vexo::VParm::Float, "Default Scalar") {
    }
};

// "Default Vector", a float-vector envelope; output "Vector". Input and output are colour
// connections, which carry the same three numbers.
class VectorCommentStore
    : public EnvelopeCommentStore<vexo::Vector3<double>, qrv::readCommentVector> {
  public:
    explicit VectorCommentStore(char type = 'v')
        : EnvelopeCommentStore(type, LWNODE_COLOUR, "Vector", vexo::VParm::FloatVector,
                               "Default Vector") {}
};

// "Default Colour", a colour envelope; output "Colour". Values are taken as written.
class ColourCommentStore : public VectorCommentStore {
  public:
    ColourCommentStore();
};

// A plain integer default; output "Integer".
class IntegerCommentStore : public TypedCommentStore<int32_t, qrv::readCommentInteger> {
  public:
    IntegerCommentStore() : TypedCommentStore('i', LWNODE_INTEGER, "Integer") {}

    int32_t defaultValue() const { return m_kept; }
    void setDefaultValue(int32_t value) { m_kept = value; }

  protected:
    void refreshDefault(double) override {}
    void saveDefault(const vexo::SaveState& state) override;
    const char* loadDefault(const vexo::LoadState& state) override;
    void* defaultData() override;
    void setDefaultData(void* value) override;
};
