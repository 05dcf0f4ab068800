// Light groups: the filters that decide which lights of the scene belong to a group, and the
// illumination hooks that make the lights outside a group dark for whatever is evaluated
// upstream of the hook.
//
// A filter rebuilds its set of light IDs once per frame in NewTime (main thread). During shading
// a hook swaps the four illumination functions of the nodal access record for wrappers that look
// the light up in that set and forward only the lights that belong to it; the hook puts the
// record's own functions back when the evaluation is done. Each user of the hooks (the light
// group node, the scene-wide light group) instantiates IlluminationHooks with a tag of its own,
// so that each has its own per-thread record and its own wrappers.
#pragma once

#include <lwsdk/lwshaderaccess.h>
#include <vexo/items.h>
#include <vexo/persistence.h>
#include <vexo/shield.h>
#include <vexo/utility.h>
#include <vexo/xpanel.h>

#include <map>
#include <optional>
#include <set>
#include <string>

#include "toolkit/filter_hosting.h"

using LightSet = std::set<LWItemID>;

// The "Filter" string control of every panel that shows a light filter.
constexpr unsigned kLightFilterText = 0x9003;

// Blocks inside the owner's "FLTR" block.
extern const st_LWBlockIdent kLightFilterBlocks[];
enum LightFilterBlock {
    kLightBlockFilterString,  // "FTST" "FilterString"
    kLightBlockItems,         // "ITMS" "Items"
};

// The settings a filter's blocks hold, read whole before any filter takes them: a block that
// cannot be read then changes no filter, and an owner that reads the block before it knows the
// filter's kind can hand it on once it does.
struct LightFilterBlocks {
    std::optional<std::string> pattern;  // "FilterString"
    LightSet items;                      // "Items", found again by name
    // The blocks in any order; blocks of other kinds are skipped. Null or an error text.
    const char* read(const vexo::LoadState& state);
};

// Which lights belong to a group. Held through vexo::Reference by its owner.
class LightFilter : public vexo::Storeable, public vexo::ReferenceCounted {
  public:
    LightFilter() = default;
    LightFilter(const LightFilter& other)
        : vexo::Storeable(other),
          vexo::ReferenceCounted(other),
          m_filterString(other.m_filterString),
          m_lights(other.m_lights) {}
    LightFilter& operator=(const LightFilter&) = delete;

    // Reads the filter's blocks whole (see LightFilterBlocks), then takes them; a block that
    // cannot be read changes nothing.
    const char* Load(const vexo::LoadState& state) override;
    // Takes the settings read from blocks (the list its items, the pattern filters a pattern when
    // the blocks hold one) and empties the light set until the next frame.
    virtual void take(const LightFilterBlocks& blocks) = 0;
    const char* Save(const vexo::SaveState& state) override = 0;
    // Opens the filter's picker (modal); the base has none.
    virtual void DisplayPicker() {}
    ~LightFilter() override = default;

    // A new filter of the same class and settings.
    virtual vexo::Reference<LightFilter> Copy() const = 0;
    // Rebuilds the set of lights that belong to the group at this frame.
    virtual void NewTime(int frame, double time) = 0;
    // Only kLightFilterText is answered, by the pattern filters.
    virtual void* DataGet(unsigned vid) = 0;
    virtual int DataSet(unsigned vid, void* value) = 0;
    // DisplayPicker(), then the (possibly changed) pattern into the panel's "Filter".
    virtual void DisplayPicker(vexo::XPanel& panel);
    // The items the filter depends on; only the list filter has any.
    virtual void UseItems(std::set<LWItemID>& items) { (void)items; }
    virtual void ChangeID(std::map<LWItemID, LWItemID>& ids) { (void)ids; }

    const std::string& filterString() const { return m_filterString; }
    void setFilterString(const std::string& text) { m_filterString = text; }
    // Valid from one NewTime to the next; read by render threads.
    const LightSet& lights() const { return m_lights; }

  protected:
    // Every light of the scene in host order.
    template <class F>
    void forEachLight(F&& visit) const {
        for (LWItemID id = m_items.first(LWI_LIGHT); id; id = m_items.next(id)) visit(id);
    }

    vexo::ItemInfo m_items;
    std::string m_filterString;  // the pattern list; empty for the list filter
    LightSet m_lights;
};

// "Light List": the lights the user picked in the selection dialog.
class LightListFilter : public LightFilter {
  public:
    LightListFilter() = default;
    LightListFilter(const LightListFilter& other) : LightFilter(other), m_picked(other.m_picked) {}

    const char* Save(const vexo::SaveState& state) override;
    void DisplayPicker() override;
    using LightFilter::DisplayPicker;
    vexo::Reference<LightFilter> Copy() const override;
    void NewTime(int frame, double time) override;
    void* DataGet(unsigned vid) override;
    int DataSet(unsigned vid, void* value) override;
    void UseItems(std::set<LWItemID>& items) override;
    // Replaces renumbered IDs; an ID renumbered to none (a deleted light) leaves the list.
    void ChangeID(std::map<LWItemID, LWItemID>& ids) override;

    void take(const LightFilterBlocks& blocks) override;

    const LightSet& items() const { return m_picked; }
    void setItems(const LightSet& items) { m_picked = items; }

  private:
    LightSet m_picked;
};

// "Light Name": lights whose name matches the pattern list.
class LightNameFilter : public LightFilter {
  public:
    LightNameFilter() = default;
    LightNameFilter(const LightNameFilter& other)
        : LightFilter(other), m_choices(other.m_choices) {}

    const char* Save(const vexo::SaveState& state) override;
    void DisplayPicker() override;
    using LightFilter::DisplayPicker;
    vexo::Reference<LightFilter> Copy() const override;
    void NewTime(int frame, double time) override;
    void* DataGet(unsigned vid) override;
    int DataSet(unsigned vid, void* value) override;
    void take(const LightFilterBlocks& blocks) override;

  protected:
    vexo::LWItemCallback m_choices{LWI_LIGHT, true};
};

// "Light Comment": lights with a comment line that matches the pattern list as a whole.
class LightCommentFilter : public LightNameFilter {
  public:
    LightCommentFilter() = default;
    LightCommentFilter(const LightCommentFilter& other) = default;

    vexo::Reference<LightFilter> Copy() const override;
    void NewTime(int frame, double time) override;
    // Whether one of the light's comment lines matches the pattern.
    bool filterComment(LWItemID light) const;
};

// ---- illumination hooks ------------------------------------------------------------------------

// One installation of a hook on a nodal access record: the group's lights, the four functions
// the record held before, the access record itself and the installation in force on the same
// thread before this one. Lives on the installing caller's stack (or in its per-thread storage).
struct lightStorage {
    const LightSet* lights = nullptr;
    LWIlluminateFunc* illuminate = nullptr;
    LWIlluminateNormalFunc* illuminateNormal = nullptr;
    LWIlluminateSampleFunc* illuminateSample = nullptr;
    LWIlluminateSampleNormalFunc* illuminateSampleNormal = nullptr;
    LWNodalAccess_t* access = nullptr;
    lightStorage* previous = nullptr;

    // Keeps `set` and the access record's four functions, then writes the wrappers into it.
    void init(LWNodalAccess_t* record, const LightSet* set, LWIlluminateFunc* wrap,
              LWIlluminateNormalFunc* wrapNormal, LWIlluminateSampleFunc* wrapSample,
              LWIlluminateSampleNormalFunc* wrapSampleNormal);
    // Writes the kept functions back into the access record.
    void cleanup() const;
    bool passes(LWItemID light) const { return lights && lights->find(light) != lights->end(); }
};

// The hooks of one user. Tag only tells users apart.
//
// A light passes a wrapper when it is in the set of the innermost installation and the function
// that installation replaced lets it through. The wrapper calls that function with the
// installation before it in force, so that a hook nested inside another of the same kind (a light
// group inside a light group) forwards to the outer wrappers, which consult the outer set: a
// light then passes only when it is in every enclosing group, and forwarding always ends at the
// host's own functions.
//
// Render threads: no lock, no allocation; the per-thread record is a thread_local pointer.
template <class Tag>
class IlluminationHooks {
  public:
    // The installation in force on this thread, or null.
    static lightStorage* current() { return t_current; }
    // Puts `storage` in force on this thread (a handle kept from install).
    static void makeCurrent(lightStorage* storage) { t_current = storage; }

    // Installs `storage` on `access` for `lights` and makes it the one in force; returns the one
    // in force before (also kept in storage.previous).
    // The storage usually lives on the caller's stack; remove() takes it out of force before
    // it goes, which the compiler cannot see through a Scope.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdangling-pointer"
#endif
    static lightStorage* install(lightStorage& storage, LWNodalAccess_t* access,
                                 const LightSet* lights) {
        storage.init(access, lights, &illuminate, &illuminateNormal, &illuminateSample,
                     &illuminateSampleNormal);
        storage.previous = t_current;
        t_current = &storage;
        return storage.previous;
    }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
    // Undoes install: the installation before it is in force again and the access record holds
    // the functions it held before.
    static void remove(lightStorage& storage) {
        t_current = storage.previous;
        storage.cleanup();
    }

    // Installed for its lifetime, unless constructed with a null access record or null lights.
    class Scope {
      public:
        Scope(LWNodalAccess_t* access, const LightSet* lights) {
            if (!access || !lights) return;
            install(m_storage, access, lights);
            m_installed = true;
        }
        ~Scope() {
            if (m_installed) remove(m_storage);
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        bool installed() const { return m_installed; }

      private:
        lightStorage m_storage;
        bool m_installed = false;
    };

    // The wrappers, with the host's signatures. They are entries the host calls, so each runs
    // in the shield; a failure reads as an unlit sample.
    static int illuminate(LWItemID light, const double position[3], double direction[3],
                          double colour[3]) {
        return vexo::shield(vexo::Dialog{"IlluminationHooks::illuminate()", 0}, [&] {
            lightStorage* record = t_current;
            if (record && record->passes(light) && record->illuminate) {
                Forwarding f(record);
                return record->illuminate(light, position, direction, colour);
            }
            dark(colour);
            return 0;
        });
    }
    static int illuminateNormal(LWItemID light, LWRenderData context, const double position[3],
                                double direction[3], const double normal[3], double colour[3]) {
        return vexo::shield(vexo::Dialog{"IlluminationHooks::illuminateNormal()", 0}, [&] {
            lightStorage* record = t_current;
            if (record && record->passes(light) && record->illuminateNormal) {
                Forwarding f(record);
                return record->illuminateNormal(light, context, position, direction, normal,
                                                colour);
            }
            dark(colour);
            return 0;
        });
    }
    static double illuminateSample(LWItemID light, const double position[3], double direction[3],
                                   LightSampleFunc* callback, void* data) {
        return vexo::shield(vexo::Dialog{"IlluminationHooks::illuminateSample()", 0.0}, [&] {
            lightStorage* record = t_current;
            if (record && record->passes(light) && record->illuminateSample) {
                Forwarding f(record);
                return record->illuminateSample(light, position, direction, callback, data);
            }
            return 0.0;
        });
    }
    static double illuminateSampleNormal(LWItemID light, LWRenderData context,
                                         const double position[3], const double normal[3],
                                         LightSampleFunc* callback, void* data) {
        return vexo::shield(vexo::Dialog{"IlluminationHooks::illuminateSampleNormal()", 0.0}, [&] {
            lightStorage* record = t_current;
            if (record && record->passes(light) && record->illuminateSampleNormal) {
                Forwarding f(record);
                return record->illuminateSampleNormal(light, context, position, normal, callback,
                                                      data);
            }
            return 0.0;
        });
    }

  private:
    // While a wrapper forwards, the installation before the forwarding one is in force.
    class Forwarding {
      public:
        explicit Forwarding(lightStorage* record) : m_record(record) {
            t_current = record->previous;
        }
        ~Forwarding() { t_current = m_record; }
        Forwarding(const Forwarding&) = delete;
        Forwarding& operator=(const Forwarding&) = delete;

      private:
        lightStorage* m_record;
    };

    static void dark(double colour[3]) {
        if (colour) colour[0] = colour[1] = colour[2] = 0.0;
    }

    static thread_local lightStorage* t_current;
};

template <class Tag>
thread_local lightStorage* IlluminationHooks<Tag>::t_current = nullptr;

// The light group node's hooks.
struct LightGroupHooksTag;
using LightGroup = IlluminationHooks<LightGroupHooksTag>;

// ---- "Filter by" ---------------------------------------------------------------------------

// The kinds of light filter as stored; "Filter by" lists them in this order.
enum LightFilterType : unsigned {
    kLightFilterNone = 0,
    kLightFilterList = 1,
    kLightFilterName = 2,
    kLightFilterComment = 3,
    kLightFilterTypeCount = 4,
};

// "Filter by" of every owner of light filters (the light group node, the scene-wide group):
// stored type, label, panel use and filter, in pop-up order.
template <class Owner>
inline const FilterChoice<Owner, LightFilter> kLightFilterChoices[kLightFilterTypeCount] = {
    {kLightFilterNone, "none", 0, nullptr},
    {kLightFilterList, "Light List", kUsesText | kUsesPick,
     makeOwnerlessFilter<Owner, LightFilter, LightListFilter>},
    {kLightFilterName, "Light Name", kUsesText | kUsesPick,
     makeOwnerlessFilter<Owner, LightFilter, LightNameFilter>},
    {kLightFilterComment, "Light Comment", kUsesText,
     makeOwnerlessFilter<Owner, LightFilter, LightCommentFilter>},
};
