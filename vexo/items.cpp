#include "vexo/items.h"

#include <cstring>

#include "vexo/server.h"

namespace vexo {

template <>
const char* const GlobalBase<st_LWItemInfo>::m_globalName = LWITEMINFO_GLOBAL;
template <>
const char* const GlobalBase<st_LWObjectInfo>::m_globalName = LWOBJECTINFO_GLOBAL;
template <>
const char* const GlobalBase<st_LWObjectFuncs>::m_globalName = LWOBJECTFUNCS_GLOBAL;
template <>
const char* const GlobalBase<st_LWSurfaceFuncs>::m_globalName = LWSURFACEFUNCS_GLOBAL;

// --- ItemInfo

LWItemID ItemInfo::first(int type) const {
    return available() ? globPtr->first(type, LWITEM_NULL) : LWITEM_NULL;
}
LWItemID ItemInfo::next(LWItemID item) const {
    return available() && item ? globPtr->next(item) : LWITEM_NULL;
}
LWItemID ItemInfo::firstChild(LWItemID item) const {
    return available() && item ? globPtr->firstChild(item) : LWITEM_NULL;
}
LWItemID ItemInfo::nextChild(LWItemID parent, LWItemID child) const {
    return available() && parent && child ? globPtr->nextChild(parent, child) : LWITEM_NULL;
}
LWItemID ItemInfo::parent(LWItemID item) const {
    return available() && item ? globPtr->parent(item) : LWITEM_NULL;
}
const char* ItemInfo::name(LWItemID item) const {
    return available() && item ? globPtr->name(item) : nullptr;
}
const char* ItemInfo::tag(LWItemID item, int tag) const {
    return available() && item && tag > 0 ? globPtr->getTag(item, tag) : nullptr;
}

int ItemInfo::CountItems(int type) const {
    int n = 0;
    for (LWItemID id = first(type); id; id = next(id)) ++n;
    return n;
}

std::unique_ptr<LWItem> ItemInfo::GetItemN(int type, int n) const {
    LWItemID id = first(type);
    for (int i = 0; id && i < n; ++i) id = next(id);
    auto item = std::make_unique<LWItem>(n < 0 ? LWITEM_NULL : id, type);
    return item;
}

int ItemInfo::findServer(const char* className, const char* serverName, LWItemID item) const {
    if (!available() || !className || !serverName) return 0;
    for (int position = 1;; ++position) {
        const char* name = globPtr->server(item, className, position);
        if (!name) return 0;
        if (std::strcmp(name, serverName) == 0) return position;
    }
}

// --- LWItem

namespace {
const st_LWBlockIdent& itemIdent(LWID id) {
    return *FindIdent(item_root, id);
}
constexpr LWID kItem = LWID_MAKE('I', 'T', 'E', 'M');
constexpr LWID kItemID = LWID_MAKE('I', 'T', 'I', 'D');
constexpr LWID kItemType = LWID_MAKE('I', 'T', 'T', 'Y');
}  // namespace

LWItem& LWItem::operator=(const LWItem& other) {
    m_id = other.m_id;
    m_type = other.m_type;
    m_name = other.m_name;
    return *this;
}

std::string LWItem::name() const {
    const char* n = m_info.name(m_id);
    return n ? n : m_name;
}

const char* LWItem::Save(const SaveState& state) {
    // Refresh the stored name so a reload can find the item by name.
    if (!LightWave::isModeler()) {
        if (m_id) {
            if (const char* n = m_info.name(m_id)) m_name = n;
        } else {
            m_name = "(none)";
        }
    }
    // The host names items freely: a name longer than a load reads would come back as
    // another item's, or as none.
    if (m_name.size() > static_cast<size_t>(kMaxTextBytes))
        return textTooLong("an item reference", "Item");
    if (!m_name.empty()) state.writeStrBlk(itemIdent(kItem), m_name);
    // The ID block keeps its 32-bit form: the low 32 bits of the handle, a record of which
    // item it was; loading goes by the name alone, since handles differ from run to run.
    state.writeU4Blk(itemIdent(kItemID),
                     static_cast<uint32_t>(reinterpret_cast<uintptr_t>(m_id) & 0xFFFFFFFFu));
    state.writeU4Blk(itemIdent(kItemType), static_cast<uint32_t>(m_type));
    return nullptr;
}

const char* LWItem::Load(const LoadState& state) {
    const char* error = nullptr;
    while (LWID id = state.findBlk(item_root)) {
        switch (id) {
            case kItem: {
                std::string text;
                if (state.readStr(text))
                    m_name = text;
                else if (state.textTooLong() && !error)
                    error = textTooLong("an item reference", "Item");
                break;
            }
            case kItemID:  // a handle from another run: never one of this run's
                break;
            case kItemType: {
                uint32_t v;
                if (state.readU4(v)) m_type = static_cast<int>(v);
                break;
            }
            default:
                break;
        }
        state.endBlk();
    }
    if (error) return error;
    // Handles change between sessions: find the item again by name (the first match wins); a
    // name no item carries holds no item.
    m_id = LWITEM_NULL;
    if (!LightWave::isModeler() && !m_name.empty()) {
        for (LWItemID id = m_info.first(m_type); id; id = m_info.next(id)) {
            const char* n = m_info.name(id);
            if (n && m_name == n) {
                m_id = id;
                break;
            }
        }
    }
    return nullptr;
}

// --- LWItemTracker

void LWItemTracker::trackItem(LWItem* item) {
    if (item) m_items.push_back(item);
}

void LWItemTracker::unTrackItem(LWItem* item) {
    if (!item) return;
    for (auto it = m_items.begin(); it != m_items.end(); ++it) {
        if (*it == item) {
            m_items.erase(it);
            return;
        }
    }
}

void LWItemTracker::refresh() {
    m_ids.clear();
    m_ids.reserve(m_items.size() + 1);
    for (LWItem* item : m_items) m_ids.push_back(item->id());
    m_ids.push_back(LWITEM_NULL);
}

const LWItemID* LWItemTracker::useItems() {
    refresh();
    return m_ids.data();
}

void LWItemTracker::changeID(const LWItemID* pairs) {
    if (!pairs) return;
    for (LWItem* item : m_items) {
        LWItemID id = item->id();
        for (const LWItemID* p = pairs; p[0] != LWITEM_NULL; p += 2)
            if (p[0] == id) id = p[1];
        item->setID(id);
    }
}

// --- LWItemCallback

LWItemCallback::LWItemCallback(int type, bool withNone, std::string noneText)
    : LWItem(LWITEM_NULL, type),
      m_listType(type),
      m_withNone(withNone),
      m_noneText(std::move(noneText)) {}

int LWItemCallback::popCount() {
    return m_items.CountItems(m_listType) + (m_withNone ? 1 : 0);
}

const char* LWItemCallback::popName(int index) {
    if (LightWave::isModeler()) return "(none)";
    if (m_withNone) {
        if (index == 0) return m_noneText.c_str();
        --index;
    }
    std::unique_ptr<LWItem> item = m_items.GetItemN(m_listType, index);
    const char* n = item->id() ? m_items.name(item->id()) : nullptr;
    m_scratch = n ? n : "(none)";
    return m_scratch.c_str();
}

// --- SceneObjects

int SceneObjects::count() const {
    return available() ? globPtr->numObjects() : 0;
}

int SceneObjects::findObject(const char* name) const {
    if (!available() || !name) return -1;
    bool modeler = LightWave::isModeler();
    int n = globPtr->numObjects();
    for (int i = 0; i < n; ++i) {
        const char* candidate = modeler ? globPtr->refName(i) : globPtr->filename(i);
        if (candidate && std::strcmp(candidate, name) == 0) return i;
    }
    return -1;
}

std::unordered_map<std::string, int> SceneObjects::objectIndexes() const {
    std::unordered_map<std::string, int> indexes;
    if (!available()) return indexes;
    const bool modeler = LightWave::isModeler();
    const int n = globPtr->numObjects();
    for (int i = 0; i < n; ++i) {
        const char* candidate = modeler ? globPtr->refName(i) : globPtr->filename(i);
        if (candidate) indexes.emplace(candidate, i);
    }
    return indexes;
}

const char* SceneObjects::fileName(int index) const {
    return available() ? globPtr->filename(index) : nullptr;
}

const char* SceneObjects::userName(int index) const {
    return available() ? globPtr->userName(index) : nullptr;
}

// --- LWSurface

const char* LWSurface::name() const {
    return available() && m_id ? globPtr->name(m_id) : nullptr;
}

const char* LWSurface::objectName() const {
    return available() && m_id ? globPtr->sceneObject(m_id) : nullptr;
}

LWSurfaceID LWSurface::first() const {
    return available() ? globPtr->first() : 0;
}

LWSurfaceID LWSurface::next(LWSurfaceID s) const {
    return available() && s ? globPtr->next(s) : 0;
}

std::set<LWSurface> LWSurface::byObject(const char* objectName) const {
    std::set<LWSurface> result;
    if (!available() || !objectName) return result;
    const LWSurfaceID* ids = globPtr->byObject(objectName);
    for (; ids && *ids; ++ids) result.insert(LWSurface(*ids));
    return result;
}

// --- VMapCallbacks

int VMapCallbacks::popCount() {
    int n = available() ? globPtr->numVMaps(m_type) : 0;
    return n + (m_withNone ? 1 : 0);
}

const char* VMapCallbacks::popName(int index) {
    if (m_withNone) {
        if (index == 0) return "(none)";
        --index;
    }
    const char* n = available() && index >= 0 ? globPtr->vmapName(m_type, index) : nullptr;
    return n ? n : "";
}

}  // namespace vexo
