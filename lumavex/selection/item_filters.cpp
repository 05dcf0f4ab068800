#include "item_filters.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "toolkit/pickers.h"
#include "toolkit/selection_entry.h"
#include "toolkit/wildcard.h"

namespace {

bool isBlock(unsigned blockId, FilterBlock block) {
    return blockId == kFilterBlocks[block].id;
}

}  // namespace

// ---- ItemNameFilter ----

ItemNameFilter::ItemNameFilter(FilterHost* node) : Filter(node) {}

ItemNameFilter::ItemNameFilter(const ItemNameFilter& other)
    : Filter(other),
      m_choices(other.m_choices),
      m_selected(other.m_selected),
      m_includeChildren(other.m_includeChildren) {}

const qrv::ObjectScan& ItemNameFilter::objectScan() const {
    return qrv::ObjectScan::current(m_items,
                                    m_objectInfo.available() ? m_objectInfo.getGlobal() : nullptr);
}

vexo::Reference<Filter> ItemNameFilter::Copy(FilterHost* node) const {
    return copyOf(*this, node);
}

bool ItemNameFilter::Evaluate(LWNodalAccess_t* access) {
    return access && m_selected.contains(access->objID);
}

void ItemNameFilter::NewTime(int, double) {
    beginSelection();
    const qrv::PatternList patterns(m_filter);
    const qrv::ObjectScan& scan = objectScan();
    for (const qrv::ObjectScan::Object& object : scan.objects())
        if (patterns.matches(scan.text(object.name))) select(object.id);
    m_selected.seal();
}

void ItemNameFilter::beginSelection() {
    m_selected.clear();
    m_seen.clear();
}

void ItemNameFilter::select(LWItemID item) {
    // An item seen before has had its descendants added already when they are wanted.
    if (!m_seen.insert(item)) return;
    m_selected.add(item);
    if (m_includeChildren) addChildren(item);
}

void ItemNameFilter::addChildren(LWItemID item) {
    // Walked with a list of pending parents rather than recursion, so that a deep hierarchy
    // cannot exhaust the stack. An item already seen has had (or will have) its own
    // descendants added, which also stops a cyclic hierarchy from looping.
    m_parents.assign(1, item);
    while (!m_parents.empty()) {
        const LWItemID parent = m_parents.back();
        m_parents.pop_back();
        for (LWItemID child = m_items.firstChild(parent); child;
             child = m_items.nextChild(parent, child)) {
            if (!m_seen.insert(child)) continue;
            m_selected.add(child);
            m_parents.push_back(child);
        }
    }
}

void* ItemNameFilter::DataGet(unsigned id) {
    if (id == kIncludeChildren) return filterIntValue(m_includeChildren ? 1 : 0);
    return Filter::DataGet(id);
}

int ItemNameFilter::DataSet(unsigned id, void* value) {
    if (id != kIncludeChildren) return Filter::DataSet(id, value);
    if (value) m_includeChildren = *static_cast<const int*>(value) != 0;
    return 1;
}

void ItemNameFilter::DisplayPicker() {
    NamePicker(&m_choices).modifyFilter("Pick Item", &m_filter);
}

const char* ItemNameFilter::Save(const vexo::SaveState& state) {
    state.writeStrBlk(kFilterBlocks[kBlockFilterString], m_filter);
    state.writeBoolBlk(kFilterBlocks[kBlockIncludeChildren], m_includeChildren);
    return nullptr;
}

const char* ItemNameFilter::LegacyLoad(const vexo::LoadState& state, unsigned blockId) {
    if (isBlock(blockId, kBlockIncludeChildren)) {
        state.readBool(m_includeChildren);
    } else if (isBlock(blockId, kBlockFilterString)) {
        if (!state.readStr(m_filter) && state.textTooLong())
            return vexo::textTooLong("the filter", "FilterString");
    }
    return nullptr;
}

void ItemNameFilter::PreLoad() {
    beginSelection();
}

// ---- ObjectFilter ----

ObjectFilter::ObjectFilter(FilterHost* node) : ItemNameFilter(node) {}

ObjectFilter::ObjectFilter(const ObjectFilter& other)
    : ItemNameFilter(other), m_objects(other.m_objects) {}

vexo::Reference<Filter> ObjectFilter::Copy(FilterHost* node) const {
    return copyOf(*this, node);
}

void ObjectFilter::NewTime(int, double) {
    beginSelection();
    if (!m_objectInfo.available() || !m_objectInfo.getGlobal()) return;
    // Each object file's user name is matched once (should a host list a file twice, its first
    // entry decides); the file leads to the object items loaded from it.
    const qrv::PatternList patterns(m_filter);
    const qrv::SceneObjectScan& files =
        qrv::SceneObjectScan::current(m_objects.available() ? m_objects.getGlobal() : nullptr);
    m_decided.clear();
    m_files.clear();
    for (const qrv::SceneObjectScan::Entry& entry : files.entries()) {
        const std::string_view file = files.text(entry.file);
        if (m_decided.insert(file) && patterns.matches(files.text(entry.userName)))
            m_files.insert(file);
    }
    const qrv::ObjectScan& scan = objectScan();
    if (!m_files.empty())
        for (const qrv::ObjectScan::Object& object : scan.objects())
            if (object.file.present() && m_files.contains(scan.text(object.file)))
                m_selected.add(object.id);
    m_selected.seal();
}

void ObjectFilter::DisplayPicker() {
    NamePicker(&m_objects).modifyFilter("Pick Object", &m_filter);
}

// ---- ItemCommentFilter ----

ItemCommentFilter::ItemCommentFilter(FilterHost* node) : ItemNameFilter(node) {}

ItemCommentFilter::ItemCommentFilter(const ItemCommentFilter& other) : ItemNameFilter(other) {}

vexo::Reference<Filter> ItemCommentFilter::Copy(FilterHost* node) const {
    return copyOf(*this, node);
}

void ItemCommentFilter::NewTime(int, double) {
    beginSelection();
    const qrv::PatternList patterns(m_filter);
    const qrv::ObjectScan& scan = objectScan();
    for (const qrv::ObjectScan::Object& object : scan.objects()) {
        // Whole lines are matched; the first matching line decides.
        for (uint32_t n = 0; n < object.lineCount; ++n) {
            if (patterns.matches(scan.line(object, n))) {
                select(object.id);
                break;
            }
        }
    }
    m_selected.seal();
}

// ---- ItemListFilter ----

ItemListFilter::ItemListFilter(FilterHost* node) : ItemNameFilter(node) {}

ItemListFilter::ItemListFilter(const ItemListFilter& other)
    : ItemNameFilter(other), m_list(other.m_list) {}

vexo::Reference<Filter> ItemListFilter::Copy(FilterHost* node) const {
    return copyOf(*this, node);
}

void ItemListFilter::NewTime(int, double) {
    beginSelection();
    for (LWItemID item : m_list) select(item);
    m_selected.seal();
}

void* ItemListFilter::DataGet(unsigned id) {
    return id == kIncludeChildren ? ItemNameFilter::DataGet(id) : nullptr;
}

int ItemListFilter::DataSet(unsigned id, void* value) {
    return id == kIncludeChildren ? ItemNameFilter::DataSet(id, value) : 1;
}

void ItemListFilter::DisplayPicker() {
    pickItems(m_list, "Select Items", "A picked item's name", [&](auto add) {
        forEachObject([&](LWItemID object) {
            const char* name = m_items.name(object);
            add(object, name ? name : "");
        });
    });
}

const char* ItemListFilter::Save(const vexo::SaveState& state) {
    if (!namesFit(m_list, LWI_OBJECT)) return vexo::textTooLong("the filter", "Item");
    state.writeBoolBlk(kFilterBlocks[kBlockIncludeChildren], m_includeChildren);
    const st_LWItemInfo* info = m_items.getGlobal();
    for (LWItemID id : m_list) {
        // The type lets a reload find the item by name among the items of its kind.
        int type = info && info->type ? info->type(id) : LWI_OBJECT;
        if (type == LWI_NONE) type = LWI_OBJECT;
        vexo::LWItem item(id, type);
        state.WriteItem(kFilterBlocks[kBlockItems], item, false);
    }
    return nullptr;
}

const char* ItemListFilter::LegacyLoad(const vexo::LoadState& state, unsigned blockId) {
    if (isBlock(blockId, kBlockItems)) {
        vexo::LWItem item;
        const char* error = state.read(item);
        if (item.id() != LWITEM_NULL) m_list.insert(item.id());
        return error;
    }
    return ItemNameFilter::LegacyLoad(state, blockId);
}

void ItemListFilter::PreLoad() {
    ItemNameFilter::PreLoad();
    m_list.clear();
}

void ItemListFilter::UseItems(std::set<LWItemID>& items) {
    items = m_list;
}

void ItemListFilter::ChangeID(std::map<LWItemID, LWItemID>& ids) {
    // An item renumbered to no ID was deleted and leaves the list. The selected set follows as
    // well, so that samples shaded before the next frame change find the new IDs.
    auto renumbered = [&ids](LWItemID id) {
        auto found = ids.find(id);
        return found == ids.end() ? id : found->second;
    };
    std::set<LWItemID> list;
    for (LWItemID id : m_list)
        if (const LWItemID now = renumbered(id)) list.insert(now);
    m_list.swap(list);
    qrv::IdSet selected;
    for (LWItemID id : m_selected)
        if (const LWItemID now = renumbered(id)) selected.add(now);
    selected.seal();
    m_selected = selected;
}
