#include "comment_store.h"

#include <lwsdk/lwmodule.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>
#include <string_view>
#include <type_traits>

#include "toolkit/panel_data.h"
#include "toolkit/scene_scan.h"
#include "toolkit/wildcard.h"

// ---- the value line syntax ----

namespace {

const char* const kBlanks = " \t\r";

std::string_view trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// The text after `open` up to `close`; to the end when `close` stands before `open`.
std::string_view piece(std::string_view line, size_t open, size_t close) {
    const size_t start = open + 1;
    return close >= start ? line.substr(start, close - start) : line.substr(start);
}

// One number at the start of the text, read as stream extraction in the classic locale reads
// it (white space skipped, one leading '+' allowed, the rest ignored) but without building a
// stream, which would cost more than the whole rest of a frame's comment reading. 0 when the
// text does not start with a number or the number does not fit; infinities and not-a-numbers
// are no numbers here either.
template <class T>
T readNumber(std::string_view text) {
    size_t at = text.find_first_not_of(" \t\n\v\f\r");
    if (at == std::string_view::npos) return 0;
    if (text[at] == '+' && ++at < text.size() && (text[at] == '+' || text[at] == '-')) return 0;
    T value = 0;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    (void)end;
    if (error != std::errc()) return 0;
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(value)) return 0;
    }
    return value;
}

char commentLetter(std::string_view type) {
    if (type.empty()) return 0;
    const char c = type[0];
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

namespace qrv {

std::string trimComment(const std::string& text) {
    return std::string(trimmed(text));
}

bool parseCommentView(std::string_view text, std::string_view& type, std::string_view& key,
                      std::string_view& value, bool& inherit) {
    inherit = false;
    const std::string_view line = trimmed(text);
    size_t marker = line.find('#');
    if (marker == std::string_view::npos) {
        marker = line.find('*');
        if (marker == std::string_view::npos) return false;
        inherit = true;
    }
    const size_t colon = line.find(':');
    const size_t equals = line.find('=');
    const size_t end = line.find(';');
    if (colon == std::string_view::npos || equals == std::string_view::npos ||
        end == std::string_view::npos)
        return false;
    type = trimmed(piece(line, marker, colon));
    key = trimmed(piece(line, colon, equals));
    value = piece(line, equals, end);
    return true;
}

bool parseComment(std::string_view text, std::string& type, std::string& key, std::string& value,
                  bool& inherit) {
    std::string_view t, k, v;
    if (!parseCommentView(text, t, k, v, inherit)) return false;
    // Assigned, not built: the callers' strings keep their storage from line to line.
    type.assign(t);
    key.assign(k);
    value.assign(v);
    return true;
}

char commentTypeLetter(const std::string& type) {
    return commentLetter(type);
}

double readCommentScalar(std::string_view text) {
    return readNumber<double>(text);
}

int32_t readCommentInteger(std::string_view text) {
    return readNumber<int32_t>(text);
}

vexo::Vector3<double> readCommentVector(std::string_view text) {
    vexo::Vector3<double> result;
    std::string_view rest = text, part;
    bool more = true;  // a piece is left to read
    for (int i = 0; i < 3; ++i) {
        // Once the text has run out, the last piece read stands for the missing ones.
        if (more) {
            const size_t comma = rest.find(',');
            part = rest.substr(0, comma);
            more = comma != std::string_view::npos;
            if (more) rest.remove_prefix(comma + 1);
        }
        result[i] = readNumber<double>(part);
    }
    return result;
}

const CommentScan& CommentScan::current(const vexo::ItemInfo& items,
                                        const st_LWObjectInfo* objects) {
    static SharedReading<CommentScan> shared;
    return shared.get([&](CommentScan& scan) { scan.read(items, objects); });
}

void CommentScan::read(const vexo::ItemInfo& items, const st_LWObjectInfo* objectInfo) {
    m_visits.clear();
    m_lines.clear();
    m_text.clear();
    // Walked with a list of pending visits rather than recursion, so that a deep hierarchy
    // cannot exhaust the stack. Every item is queued once at most, so a hierarchy or a child
    // list that loops cannot hang the walk.
    std::vector<Pending>& pending = m_pending;
    SeenItems& queued = m_queued;
    pending.clear();
    queued.clear();
    // The objects' lines as the filters of the step read them; other items' from the host.
    const ObjectScan& objects = ObjectScan::current(items, objectInfo);
    for (const ObjectScan::Object& object : objects.objects())
        if (!object.parent && queued.insert(object.id)) pending.push_back({object.id, -1});
    std::reverse(pending.begin(), pending.end());

    std::vector<LWItemID>& children = m_children;
    std::string_view type, key, value;
    while (!pending.empty()) {
        const Pending visit = pending.back();
        pending.pop_back();
        const auto index = static_cast<int32_t>(m_visits.size());
        m_visits.push_back({visit.item, visit.from, static_cast<uint32_t>(m_lines.size()), 0});
        auto parse = [&](std::string_view text) {
            Line line{};
            if (!parseCommentView(text, type, key, value, line.inherit)) return;
            line.letter = commentLetter(type);
            // Key and value are pieces of one line: the stretch holding both is kept at once.
            // A blank key has no place in the line: it is taken where the value starts.
            if (key.empty()) key = value.substr(0, 0);
            const char* first = std::min(key.data(), value.data());
            const char* last = std::max(key.data() + key.size(), value.data() + value.size());
            const auto base = static_cast<uint32_t>(m_text.size());
            m_text.append(first, static_cast<size_t>(last - first));
            line.key = base + static_cast<uint32_t>(key.data() - first);
            line.keySize = static_cast<uint32_t>(key.size());
            line.value = base + static_cast<uint32_t>(value.data() - first);
            line.valueSize = static_cast<uint32_t>(value.size());
            m_lines.push_back(line);
            ++m_visits.back().lineCount;
        };
        if (const ObjectScan::Object* object = objects.find(visit.item)) {
            for (uint32_t n = 0; n < object->lineCount; ++n) parse(objects.line(*object, n));
        } else {
            for (int tag = 1;; ++tag) {
                const char* text = items.tag(visit.item, tag);
                if (!text) break;
                parse(text);
            }
        }
        children.clear();
        for (LWItemID child = items.firstChild(visit.item); child;
             child = items.nextChild(visit.item, child)) {
            if (!queued.insert(child)) break;
            children.push_back(child);
        }
        // Pushed last first, so that the first child is visited first.
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            pending.push_back({*it, index});
    }
}

}  // namespace qrv

// ---- CommentStore ----

const st_LWBlockIdent kCommentBlocks[] = {
    {LWID_MAKE('N', 'A', 'M', 'E'), "CommentName"},
    {LWID_MAKE('D', 'F', 'L', 'T'), "Default"},
    {0, nullptr},
};

CommentStore::~CommentStore() = default;

CommentStore& CommentStore::operator=(const CommentStore& other) {
    if (this != &other) m_commentName = other.m_commentName;
    return *this;
}

void CommentStore::Init(vexo::NodeHandler* node, const char* serverName) {
    (void)serverName;
    m_node = node;
    if (!node) return;
    m_default = node->addInput(m_connection, "Default", &vexo::NodeHandler::CB_NodeInputEvent);
    m_output = node->addOutput(m_connection, m_outputName);
}

void CommentStore::createParm(vexo::VParm& parm, int type, const char* name,
                              vexo::NodeHandler* node, const char* serverName) {
    const LWChanGroupID group = node ? node->channelGroup() : nullptr;
    // In the node's channel group when it has one; else without a group; else value only.
    if (!parm.create(type, name, serverName, group) && group)
        parm.create(type, name, serverName, nullptr);
}

size_t CommentStore::valueCount() const {
    return countValues();
}

int CommentStore::popCount() {
    std::set<std::string> keys;
    std::string type, key, value;
    bool inherit = false;
    for (LWItemID object = m_items.first(LWI_OBJECT); object; object = m_items.next(object)) {
        for (int tag = 1;; ++tag) {
            const char* line = m_items.tag(object, tag);
            if (!line) break;
            // An empty key cannot be picked usefully; it is left out.
            if (qrv::parseComment(line, type, key, value, inherit) &&
                qrv::commentTypeLetter(type) == m_type && !key.empty())
                keys.insert(key);
        }
    }
    m_names.assign(keys.begin(), keys.end());
    return static_cast<int>(m_names.size());
}

const char* CommentStore::popName(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_names.size()) return "";
    return m_names[static_cast<size_t>(index)].c_str();
}

void CommentStore::NewTime(int, double time) {
    m_time = time;
    refreshDefault(time);
    clearValues();
    std::string pattern = qrv::trimComment(m_commentName);
    qrv::lowercase(pattern);
    collect(pattern);
    sealValues();
}

void CommentStore::collect(const std::string& pattern) {
    const qrv::CommentScan& scan = qrv::CommentScan::current(
        m_items, m_objectInfo.available() ? m_objectInfo.getGlobal() : nullptr);
    const qrv::PatternList patterns(pattern);
    const auto& visits = scan.visits();
    // Per visit, the line handed down to its children; a visit comes after the one that
    // queued it, so the parent's entry is final when its children are reached.
    m_inherited.assign(visits.size(), nullptr);
    // Objects mostly carry the same keys: a key like the one before is not matched again.
    std::string_view lastKey;
    bool lastMatched = false;
    const auto matches = [&](std::string_view key) {
        if (lastKey.data() == nullptr || key != lastKey) lastMatched = patterns.matches(key);
        lastKey = key;
        return lastMatched;
    };
    for (size_t i = 0; i < visits.size(); ++i) {
        const qrv::CommentScan::Visit& visit = visits[i];
        const qrv::CommentScan::Line* inherited =
            visit.from >= 0 ? m_inherited[static_cast<size_t>(visit.from)] : nullptr;
        if (inherited) storeValue(visit.item, scan.value(*inherited));
        for (uint32_t n = 0; n < visit.lineCount; ++n) {
            const qrv::CommentScan::Line& line = scan.line(visit.firstLine + n);
            if (line.letter != m_type || !matches(scan.key(line))) continue;
            if (line.inherit) inherited = &line;
            storeValue(visit.item, scan.value(line));
        }
        m_inherited[i] = inherited;
    }
}

void* CommentStore::DataGet(unsigned id) {
    switch (id) {
        case kCommentName:
            return const_cast<char*>(m_commentName.c_str());
        case kCommentDefault:
            // The connected input decides; the panel shows no value.
            return defaultConnected() ? nullptr : defaultData();
        default:
            return nullptr;
    }
}

int CommentStore::DataSet(unsigned id, void* value) {
    switch (id) {
        case kCommentName:
            m_commentName = value ? static_cast<const char*>(value) : "";
            break;
        case kCommentDefault:
            setDefaultData(value);
            break;
        default:
            break;
    }
    return 1;
}

const char* CommentStore::Save(const vexo::SaveState& state) {
    state.writeStrBlk(kCommentBlocks[0], m_commentName);
    saveDefault(state);
    return nullptr;
}

const char* CommentStore::Load(const vexo::LoadState& state) {
    const char* result = nullptr;
    while (const LWID id = state.findBlk(kCommentBlocks)) {
        // The first failure stands: a later block read well does not hide it.
        if (id == kCommentBlocks[0].id) {
            if (!state.readStr(m_commentName) && state.textTooLong() && !result)
                result = vexo::textTooLong("the comment node", "CommentName");
        } else if (id == kCommentBlocks[1].id) {
            const char* read = loadDefault(state);
            if (!result) result = read;
        }
        state.endBlk();
    }
    return result;
}

// ---- ColourCommentStore ----

ColourCommentStore::ColourCommentStore() : VectorCommentStore('c') {
    m_outputName = "Colour";
    m_parmType = vexo::VParm::Colour;
    m_parmName = "Default Colour";
}

// ---- IntegerCommentStore ----

namespace {

PanelData<int> g_integerDefault;

}  // namespace

void* IntegerCommentStore::defaultData() {
    return g_integerDefault(m_kept);
}

void IntegerCommentStore::setDefaultData(void* value) {
    if (value) m_kept = *static_cast<const int*>(value);
}

void IntegerCommentStore::saveDefault(const vexo::SaveState& state) {
    state.writeU4Blk(kCommentBlocks[1], static_cast<uint32_t>(m_kept));
}

const char* IntegerCommentStore::loadDefault(const vexo::LoadState& state) {
    uint32_t stored = 0;
    if (state.readU4(stored)) m_kept = static_cast<int32_t>(stored);
    return nullptr;
}
