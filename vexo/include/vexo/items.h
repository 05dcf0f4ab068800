// Scene items, objects and surfaces as the bundle sees them: references that survive ID changes
// and reloads, the tracker that answers the host's use-items and change-ID calls, pop-up lists
// of items, objects, vertex maps and surfaces, and the few scene queries the servers make.
#pragma once

#include <lwsdk/lwitem.h>
#include <lwsdk/lwobject.h>
#include <lwsdk/lwsurface.h>

#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "vexo/globals.h"
#include "vexo/persistence.h"
#include "vexo/xpanel.h"

namespace vexo {

template <>
const char* const GlobalBase<st_LWItemInfo>::m_globalName;
template <>
const char* const GlobalBase<st_LWObjectInfo>::m_globalName;
template <>
const char* const GlobalBase<st_LWObjectFuncs>::m_globalName;
template <>
const char* const GlobalBase<st_LWSurfaceFuncs>::m_globalName;

class LWItem;

// "LW Item Info 3". Every query answers "nothing" without the global.
class ItemInfo : public GlobalBase<st_LWItemInfo> {
  public:
    LWItemID first(int type) const;
    LWItemID next(LWItemID item) const;
    LWItemID firstChild(LWItemID item) const;
    LWItemID nextChild(LWItemID parent, LWItemID child) const;
    LWItemID parent(LWItemID item) const;
    const char* name(LWItemID item) const;  // null when unknown
    // Comment line `tag` (from 1); null past the last line.
    const char* tag(LWItemID item, int tag) const;

    int CountItems(int type) const;
    // The item after n steps from the first of the type; its ID is null when the list is
    // shorter. Owned by the caller.
    std::unique_ptr<LWItem> GetItemN(int type, int n) const;
    // 1-based position of the server of the class with that name on the item (null: the
    // scene), or 0.
    int findServer(const char* className, const char* serverName, LWItemID item) const;
};

// A reference to an item: its ID, type and name. Stored with its name so that a reload finds
// the item again even when IDs changed.
class LWItem : public Storeable {
  public:
    LWItem() = default;
    explicit LWItem(LWItemID id, int type = LWI_OBJECT) : m_id(id), m_type(type) {}
    LWItem(const LWItem& other)
        : Storeable(other), m_id(other.m_id), m_type(other.m_type), m_name(other.m_name) {}
    LWItem& operator=(const LWItem& other);
    ~LWItem() override = default;

    LWItemID id() const { return m_id; }
    void setID(LWItemID id) { m_id = id; }
    int type() const { return m_type; }
    void setType(int type) { m_type = type; }
    const std::string& storedName() const { return m_name; }
    // The host's current name, or the stored one when the host has none.
    std::string name() const;

    bool operator==(const LWItem& o) const { return m_id == o.m_id; }
    bool operator!=(const LWItem& o) const { return m_id != o.m_id; }
    bool operator<(const LWItem& o) const { return m_id < o.m_id; }

    const char* Load(const LoadState& state) override;
    const char* Save(const SaveState& state) override;

  protected:
    ItemInfo m_info;

  private:
    LWItemID m_id = LWITEM_NULL;
    int m_type = LWI_OBJECT;
    std::string m_name;
};

// The item references a handler uses, so that it can answer the host's use-items request and
// follow its renumbering. References are not owned.
class LWItemTracker {
  public:
    void trackItem(LWItem& item) { trackItem(&item); }
    void trackItem(LWItem* item);
    void unTrackItem(LWItem& item) { unTrackItem(&item); }
    void unTrackItem(LWItem* item);

    void refresh();
    const LWItemID* useItems();
    void changeID(const LWItemID* pairs);

    size_t size() const { return m_items.size(); }

  private:
    std::vector<LWItem*> m_items;
    std::vector<LWItemID> m_ids;  // the array last handed to the host, null-ended
};

// A pop-up of the items of one type, optionally led by a "none" entry.
class LWItemCallback : public PopUpCallback, public LWItem {
  public:
    explicit LWItemCallback(int type = LWI_OBJECT, bool withNone = true,
                            std::string noneText = "(none)");
    int popCount() override;
    const char* popName(int index) override;

    int listedType() const { return m_listType; }

  private:
    ItemInfo m_items;
    int m_listType;
    bool m_withNone;
    std::string m_noneText;
    std::string m_scratch;  // the last name handed out
};

// "Scene Objects 4": the scene's object files (clones of one file share an entry).
class SceneObjects : public GlobalBase<st_LWObjectFuncs> {
  public:
    int count() const;
    // Index of the object whose file name equals `name` (on the modelling application the
    // record's name there), or -1.
    int findObject(const char* name) const;
    // findObject for every name at once: the first index of each name, read in one pass, for
    // callers that look up many objects.
    std::unordered_map<std::string, int> objectIndexes() const;
    const char* fileName(int index) const;
    const char* userName(int index) const;
};

// A pop-up of the scene's object files by user name. WithNone adds a leading "(none)" entry.
template <bool WithNone>
class SceneObjectReference : public PopUpCallback, public SceneObjects {
  public:
    int popCount() override { return count() + (WithNone ? 1 : 0); }
    const char* popName(int index) override {
        if (WithNone) {
            if (index == 0) return "(none)";
            --index;
        }
        const char* name = userName(index);
        return name ? name : "";
    }
};

// "LW Object Info 4", used directly by its callers.
class ObjectInfo : public GlobalBase<st_LWObjectInfo> {};

// "Surface Functions 3" plus one surface. Ordered by ID, so it can be kept in sets.
class LWSurface : public GlobalBase<st_LWSurfaceFuncs> {
  public:
    LWSurface() = default;
    explicit LWSurface(LWSurfaceID id) : m_id(id) {}
    LWSurface(const LWSurface& o) : GlobalBase<st_LWSurfaceFuncs>(o), m_id(o.m_id) {}
    LWSurface& operator=(const LWSurface& o) {
        m_id = o.m_id;
        return *this;
    }

    LWSurfaceID id() const { return m_id; }
    void setID(LWSurfaceID id) { m_id = id; }
    const char* name() const;  // null when unknown
    const char* objectName() const;

    LWSurfaceID first() const;
    LWSurfaceID next(LWSurfaceID s) const;
    // The surfaces the host lists for the object; empty when none.
    std::set<LWSurface> byObject(const char* objectName) const;

    bool operator<(const LWSurface& o) const { return m_id < o.m_id; }
    bool operator==(const LWSurface& o) const { return m_id == o.m_id; }
    bool operator!=(const LWSurface& o) const { return m_id != o.m_id; }

  private:
    LWSurfaceID m_id = 0;
};

// A pop-up of the vertex maps of one type, optionally led by "(none)".
class VMapCallbacks : public PopUpCallback, public SceneObjects {
  public:
    explicit VMapCallbacks(LWID type = LWVMAP_WGHT, bool withNone = true)
        : m_type(type), m_withNone(withNone) {}
    int popCount() override;
    const char* popName(int index) override;

    LWID mapType() const { return m_type; }
    bool withNone() const { return m_withNone; }

  private:
    LWID m_type;
    bool m_withNone;
};

// A pop-up of every surface of the scene in host order. WithNone adds a leading "(none)".
template <bool WithNone>
class SurfaceReference : public PopUpCallback, public LWSurface {
  public:
    int popCount() override {
        int n = 0;
        for (LWSurfaceID s = first(); s; s = next(s)) ++n;
        return n + (WithNone ? 1 : 0);
    }
    const char* popName(int index) override {
        if (WithNone) {
            if (index == 0) return "(none)";
            --index;
        }
        if (index < 0) return "";
        LWSurfaceID s = first();
        for (int i = 0; s && i < index; ++i) s = next(s);
        const char* n = s && available() ? getGlobal()->name(s) : nullptr;
        return n ? n : "";
    }
};

}  // namespace vexo
