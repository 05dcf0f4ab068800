// Filters of the filter node that select by scene item: by item name, by object name, by item
// comment and from a picked list of items. Each builds the set of selected item IDs once per frame
// in NewTime; Evaluate only asks whether the object being shaded is in that set.
#pragma once

#include <vexo/items.h>

#include <map>
#include <set>
#include <vector>

#include "filter.h"
#include "toolkit/frame_sets.h"
#include "toolkit/scene_scan.h"

// "Item Name": objects whose item name matches the pattern list, with their descendants when
// "Include Children" is on.
class ItemNameFilter : public Filter {
  public:
    explicit ItemNameFilter(FilterHost* node);
    ItemNameFilter(const ItemNameFilter& other);

    const char* Save(const vexo::SaveState& state) override;
    void DisplayPicker() override;
    using Filter::DisplayPicker;

    vexo::Reference<Filter> Copy(FilterHost* node) const override;
    bool Evaluate(LWNodalAccess_t* access) override;
    void NewTime(int frame, double time) override;
    void* DataGet(unsigned id) override;
    int DataSet(unsigned id, void* value) override;
    const char* LegacyLoad(const vexo::LoadState& state, unsigned blockId) override;
    void PreLoad() override;

    bool includeChildren() const { return m_includeChildren; }
    void setIncludeChildren(bool on) { m_includeChildren = on; }
    const qrv::IdSet& selected() const { return m_selected; }

  protected:
    // Every object of the scene in host order.
    template <class F>
    void forEachObject(F&& visit) const {
        for (LWItemID id = m_items.first(LWI_OBJECT); id; id = m_items.next(id)) visit(id);
    }
    // The objects as read for this step of the graph (shared with the other filters).
    const qrv::ObjectScan& objectScan() const;
    // Starts the frame's selection; seal() it after the last select.
    void beginSelection();
    // Selects the item, and its descendants when "Include Children" is on.
    void select(LWItemID item);
    // Selects every descendant of the item, of any type.
    void addChildren(LWItemID item);

    vexo::ItemInfo m_items;
    vexo::ObjectInfo m_objectInfo;
    vexo::LWItemCallback m_choices{LWI_OBJECT, true};
    qrv::IdSet m_selected;
    qrv::SeenItems m_seen;            // the items selected so far this frame
    std::vector<LWItemID> m_parents;  // addChildren's, kept for its storage
    bool m_includeChildren = false;
};

// "Object Name": objects whose scene object's user name matches the pattern list. Children are
// not added, whatever "Include Children" says.
class ObjectFilter : public ItemNameFilter {
  public:
    explicit ObjectFilter(FilterHost* node);
    ObjectFilter(const ObjectFilter& other);

    void DisplayPicker() override;
    using Filter::DisplayPicker;
    vexo::Reference<Filter> Copy(FilterHost* node) const override;
    void NewTime(int frame, double time) override;

  private:
    vexo::SceneObjectReference<false> m_objects;
    qrv::ViewSet m_decided, m_files;  // NewTime's: files met, files whose objects are selected
};

// "Item Comment": objects with a comment line matching the pattern list.
class ItemCommentFilter : public ItemNameFilter {
  public:
    explicit ItemCommentFilter(FilterHost* node);
    ItemCommentFilter(const ItemCommentFilter& other);

    vexo::Reference<Filter> Copy(FilterHost* node) const override;
    void NewTime(int frame, double time) override;
};

// "Item List": the items the user picked in the selection dialog. The list is the saved
// configuration; the selected set is rebuilt from it each frame.
class ItemListFilter : public ItemNameFilter {
  public:
    explicit ItemListFilter(FilterHost* node);
    ItemListFilter(const ItemListFilter& other);

    const char* Save(const vexo::SaveState& state) override;
    void DisplayPicker() override;
    using Filter::DisplayPicker;

    vexo::Reference<Filter> Copy(FilterHost* node) const override;
    void NewTime(int frame, double time) override;
    void* DataGet(unsigned id) override;
    int DataSet(unsigned id, void* value) override;
    const char* LegacyLoad(const vexo::LoadState& state, unsigned blockId) override;
    void PreLoad() override;
    void UseItems(std::set<LWItemID>& items) override;
    void ChangeID(std::map<LWItemID, LWItemID>& ids) override;

    const std::set<LWItemID>& items() const { return m_list; }
    void setItems(const std::set<LWItemID>& items) { m_list = items; }

  private:
    std::set<LWItemID> m_list;
};
