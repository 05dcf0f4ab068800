// The override graph: one host node editor whose root node has the 23 shading inputs, the
// module-wide state kept around it (private to its unit, reached through the functions below),
// and the evaluation that applies the graph to one shading sample.
//
// Everything here is module-wide. The graph is built and destroyed on the main thread; the
// evaluation, the flags and the current-sample lookup run on render threads and only read it.
#pragma once

#include <lwsdk/lwnode.h>
#include <lwsdk/lwshaderaccess.h>
#include <vexo/node.h>
#include <vexo/persistence.h>
#include <vexo/shading.h>

#include <memory>

// The scene-wide light group, as the services drive it. The light group's own unit derives its
// class from this one and installs a factory with setGlobalLightGroupFactory while the module's
// statics are initialised; without a factory no light group exists and every light-group slot
// of the services answers as for a missing group.
class OverrideLightGroup {
  public:
    virtual ~OverrideLightGroup() = default;
    virtual int NewTime(int frame, double time) = 0;
    virtual const char* Load(const vexo::LoadState& state) = 0;
    virtual const char* Save(const vexo::SaveState& state) = 0;
    virtual void Interface() = 0;  // opens its panel
    // Whether a filter is chosen: push and pop do nothing without one.
    virtual bool hasCurrentFilter() const = 0;
    // Installs the group's illumination wrappers on `access` and returns the record that was in
    // force on this thread; pop puts that record back and restores the access record.
    virtual void* push(LWNodalAccess_t* access) = 0;
    virtual void pop(void* handle) = 0;
    // The host renumbered items: pairs (old, new) up to an old ID of none.
    virtual void ChangeID(const LWItemID* pairs) = 0;
    // Back to "none" and off, every filter at its defaults.
    virtual void reset() = 0;
    // Takes the settings of `staged`, a group of the same class that a load filled aside.
    virtual void adopt(OverrideLightGroup& staged) = 0;

    bool useByOverride = false;
};
using LightGroupFactory = std::unique_ptr<OverrideLightGroup> (*)();
void setGlobalLightGroupFactory(LightGroupFactory factory);

namespace qrv {

// ---- module-wide state (main thread writes, render threads read) -----------------------------
//
// One graph and one light group for the whole module, private to the graph's unit. Subscriptions
// are counted: the first builds the graph and, with a factory installed, the light group; the
// last destroys both.

// Counted before anything can fail: a subscriber whose graph could not be built still
// unsubscribes later. An unsubscription without a subscription is ignored.
void subscribe();
void unsubscribe();
// The graph in use, or null.
vexo::NodeEditor* graph();
// The scene-wide light group, or null (no subscriber, or no factory).
OverrideLightGroup* lightGroup();
// Set at render start: the evaluation leaves every sample alone while the scene's master is
// missing or switched off.
void setMasterDisabled(bool disabled);

// The master's hold on the light group, as it has on the graph: back to "none" and off; items
// renumbered. Each does nothing without a group.
void resetLightGroup();
void lightGroupChangeID(const LWItemID* pairs);

// Names the graph's editor and channel group are created with.
extern const char* const kEditorTitle;       // "Surface"
extern const char* const kEditorName;        // "lumavex: Global Surface Override"
extern const char* const kChannelGroupName;  // "lumavex"

// Replaces the graph in use with a new, empty one (channel group, editor and root inputs).
void resetGraph();

// A part of the override loaded beside the one in use, for settings loads that must change
// nothing when they fail; a part never committed is thrown away.
template <class Part>
class Staged {
  public:
    Staged();
    ~Staged();
    Staged(const Staged&) = delete;
    Staged& operator=(const Staged&) = delete;

    // Null or an error text, valid until the next failed staged load.
    const char* load(const vexo::LoadState& state);
    void commit();

  private:
    std::unique_ptr<Part> m_part;
};
// The graph, built in the channel group of the one in use: commit() puts it in place of the
// current graph, keeping the enable state.
struct BuiltGraph;
using StagedGraph = Staged<BuiltGraph>;
// A light group of the factory's class: commit() hands its settings to the group in use. Without
// a group in use it reads nothing and commits nothing.
using StagedLightGroup = Staged<OverrideLightGroup>;

// Notes which root inputs are connected, so that the evaluation skips the others without a
// call into the host. Called on the main thread whenever the graph may have changed: after it
// is built, edited or loaded, and at render start.
void refreshRootConnections();
// Installed as the editor's update callback: tells every shader that the graph changed.
void nodeEditorUpdate(NodeEditorID editor);

// The graph and the global light group step once per frame, however many instances ask: the
// first NewTime after a render start, another time or an edit steps them, later calls at that
// time get the first call's answer. Called whenever what a step builds may have gone stale.
void forgetStep();

// ---- render threads --------------------------------------------------------------------------

// The untouched copy of the sample being evaluated on this thread, or null.
st_LWShaderAccess* currentShaderAccess();

// Slot 6 of the services: one per host record layout (9.3 and 9.4, 9.5, 9.6 onward), each
// behind the exception shield already.
void ns_evaluate(st_LWShaderAccess* sa);
void ns_evaluate95(st_LWShaderAccess* sa);
void ns_evaluate96(st_LWShaderAccess* sa);
unsigned int ns_flags();

// Light-group push and pop as the services' slots 13 and 14.
void* ns_pushGlobalLightGroup(LWNodalAccess_t* access);
void ns_popGlobalLightGroup(void* handle);

}  // namespace qrv
