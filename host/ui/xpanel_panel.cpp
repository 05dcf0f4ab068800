// One panel: its values, rules, layout and the actions a user takes on it.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "lwhost/ui/inline_text.h"
#include "lwhost/ui/user_action.h"
#include "lwhost/ui/xpanel.h"

namespace lwhost {

namespace {

constexpr size_t kMaxText = 1u << 20;  // longest text taken from a plug-in
constexpr int kMaxPopupItems = 10000;  // most pop-up items asked for

std::string hexId(unsigned id) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", id);
    return buf;
}

std::string quote(const std::string& s) {
    return PanelValue::ofString(s).text();
}

std::string boundedText(const void* p) {
    const char* s = static_cast<const char*>(p);
    return std::string(s, strnlen(s, kMaxText));
}

bool startsWith(const std::string& s, const char* prefix) {
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

}  // namespace

XPanel::XPanel(XPanels& owner, uintptr_t serial, int type)
    : m_owner(owner), m_serial(serial), m_type(type) {}

const PanelControl* XPanel::control(unsigned cid) const {
    for (const PanelControl& c : m_controls)
        if (c.id == cid) return &c;
    return nullptr;
}

PanelControl* XPanel::findControl(unsigned cid) {
    for (PanelControl& c : m_controls)
        if (c.id == cid) return &c;
    return nullptr;
}

int XPanel::findGroupIndex(unsigned gid) const {
    for (size_t n = 0; n < m_groups.size(); ++n)
        if (m_groups[n].id == gid) return static_cast<int>(n);
    return -1;
}

const PanelGroup* XPanel::group(unsigned gid) const {
    int n = findGroupIndex(gid);
    return n < 0 ? nullptr : &m_groups[static_cast<size_t>(n)];
}

void* XPanel::data(unsigned id) const {
    auto it = m_data.find(id);
    return it == m_data.end() ? nullptr : it->second;
}

void XPanel::deleteControl(unsigned cid) {
    m_controls.erase(std::remove_if(m_controls.begin(), m_controls.end(),
                                    [cid](const PanelControl& c) { return c.id == cid; }),
                     m_controls.end());
    m_form.erase(cid);
}

// ---- structure --------------------------------------------------------------------------------

// Each item's group: the first group that lists it.
std::map<unsigned, unsigned> XPanel::parents() const {
    std::map<unsigned, unsigned> parent;
    for (const PanelGroup& g : m_groups)
        for (unsigned m : g.members)
            if (m != g.id && parent.find(m) == parent.end()) parent[m] = g.id;
    return parent;
}

bool XPanel::covers(const std::map<unsigned, unsigned>& parents, unsigned target,
                    unsigned cid) const {
    unsigned id = cid;
    // Bounded walk: groups that contain each other must not loop.
    for (size_t steps = 0; steps <= m_groups.size(); ++steps) {
        if (id == target) return true;
        auto it = parents.find(id);
        if (it == parents.end()) return false;
        id = it->second;
    }
    return false;
}

bool XPanel::ruleAllows(const PanelRule& rule) {
    const int v = value(rule.source).ruleValue();
    const bool on = rule.hasMap ? mapEntry(rule.map, v) != 0 : v != 0;
    return rule.invert ? !on : on;
}

unsigned XPanel::stackShows(unsigned gid) {
    const PanelGroup* g = group(gid);
    if (!g) return 0;
    const int v = value(g->source).ruleValue();
    // Reading the value may have changed the panel: find the stack again.
    g = group(gid);
    if (!g) return 0;
    if (g->hasMap && (v < 0 || static_cast<size_t>(v) >= g->map.size())) return 0;
    const int position = g->hasMap ? g->map[static_cast<size_t>(v)] : v;
    if (position < 0 || static_cast<size_t>(position) >= g->members.size()) return 0;
    return g->members[static_cast<size_t>(position)];
}

EnableState XPanel::enabled(unsigned cid) {
    XPanels::Busy busy(m_owner);
    if (!control(cid)) return EnableState{false, ""};
    const auto par = parents();
    // Rules are copied one by one: a get function may add hints while they are evaluated.
    for (size_t k = 0; k < m_rules.size(); ++k) {
        const PanelRule rule = m_rules[k];
        bool named = false;
        for (unsigned t : rule.targets) named = named || covers(par, t, cid);
        if (named && !ruleAllows(rule)) return EnableState{false, rule.message};
    }
    return EnableState{};
}

bool XPanel::visible(unsigned cid) {
    XPanels::Busy busy(m_owner);
    if (!control(cid)) return false;
    const auto par = parents();
    // Hidden when a stack above it shows another member. Bounded walk: groups that contain
    // each other must not loop.
    unsigned id = cid;
    for (size_t steps = 0; steps <= m_groups.size(); ++steps) {
        auto it = par.find(id);
        if (it == par.end()) return true;
        const PanelGroup* g = group(it->second);
        if (g && g->stack && stackShows(it->second) != id) return false;
        id = it->second;
    }
    return true;
}

void XPanel::layoutItem(unsigned id, int depth, const std::map<unsigned, unsigned>& parents,
                        std::vector<LayoutEntry>& out, std::vector<unsigned>& path) {
    const bool divided = std::find(m_dividers.begin(), m_dividers.end(), id) != m_dividers.end();
    if (control(id)) {
        if (!visible(id)) return;
        out.push_back({LayoutEntry::Kind::Control, id, depth});
        if (divided) out.push_back({LayoutEntry::Kind::Divider, 0, depth});
        return;
    }
    const PanelGroup* g = group(id);
    if (!g || std::find(path.begin(), path.end(), id) != path.end()) return;
    const bool stack = g->stack;
    // A stack stands for the one member it shows, at its own depth.
    const std::vector<unsigned> members =
        stack ? std::vector<unsigned>{stackShows(id)} : g->members;
    path.push_back(id);
    std::vector<LayoutEntry> inner;
    for (unsigned m : members) {
        auto it = parents.find(m);
        if (it != parents.end() && it->second == id)
            layoutItem(m, stack ? depth : depth + 1, parents, inner, path);
    }
    path.pop_back();
    // A group whose controls are all hidden or gone is not shown.
    const bool shown = std::any_of(inner.begin(), inner.end(), [](const LayoutEntry& e) {
        return e.kind == LayoutEntry::Kind::Control;
    });
    if (!shown) return;
    if (!stack) out.push_back({LayoutEntry::Kind::GroupBegin, id, depth});
    out.insert(out.end(), inner.begin(), inner.end());
    if (!stack) out.push_back({LayoutEntry::Kind::GroupEnd, id, depth});
    if (divided) out.push_back({LayoutEntry::Kind::Divider, 0, depth});
}

std::vector<LayoutEntry> XPanel::layout() {
    XPanels::Busy busy(m_owner);
    const auto par = parents();
    std::vector<unsigned> top;
    auto addTop = [&](unsigned id) {
        if (std::find(top.begin(), top.end(), id) == top.end()) top.push_back(id);
    };
    for (unsigned id : m_order)
        if ((control(id) || group(id)) && par.find(id) == par.end()) addTop(id);
    // Items the order leaves out follow in control order; a group comes where its first
    // control is.
    for (const PanelControl& c : m_controls) {
        unsigned id = c.id;
        for (size_t steps = 0; steps <= m_groups.size(); ++steps) {
            auto it = par.find(id);
            if (it == par.end()) break;
            id = it->second;
        }
        if (par.find(id) == par.end()) addTop(id);
    }
    std::vector<LayoutEntry> out;
    std::vector<unsigned> path;
    for (unsigned id : top) layoutItem(id, 0, par, out, path);
    return out;
}

std::vector<unsigned> XPanel::layoutOrder() {
    std::vector<unsigned> ids;
    for (const LayoutEntry& e : layout())
        if (e.kind == LayoutEntry::Kind::Control) ids.push_back(e.id);
    return ids;
}

// ---- values -----------------------------------------------------------------------------------

void* XPanel::formSlot(unsigned cid, ValueKind kind) {
    auto it = m_form.find(cid);
    if (it == m_form.end()) return nullptr;
    FormSlot& slot = it->second;
    switch (kind) {
        case ValueKind::Int:
            return &slot.i;
        case ValueKind::Float:
        case ValueKind::Vector:
            return slot.v;
        case ValueKind::String:
            return &slot.s[0];
        case ValueKind::Envelope:
        case ValueKind::Opaque:
            return slot.raw;
        case ValueKind::None:
            return nullptr;
    }
    return nullptr;
}

void XPanel::storeForm(unsigned cid, ValueKind kind, const void* value) {
    if (!value) {
        m_form.erase(cid);
        return;
    }
    FormSlot& slot = m_form[cid];
    switch (kind) {
        case ValueKind::Int:
            slot.i = *static_cast<const int*>(value);
            break;
        case ValueKind::Float:
            slot.v[0] = *static_cast<const double*>(value);
            break;
        case ValueKind::Vector:
            std::memcpy(slot.v, value, sizeof slot.v);
            break;
        case ValueKind::String:
            slot.s = boundedText(value);
            break;
        case ValueKind::Envelope:
        case ValueKind::Opaque:
            slot.raw = const_cast<void*>(value);
            break;
        case ValueKind::None:
            break;
    }
}

PanelValue XPanel::value(unsigned cid) {
    XPanels::Busy busy(m_owner);
    const PanelControl* c = control(cid);
    PanelValue out;
    if (!c) return out;
    out.kind = c->kind();
    const std::string type = c->dataType.empty() ? c->type : c->dataType;
    if (out.kind == ValueKind::None) return out;
    void* p = nullptr;
    if (isView()) {
        if (!m_get) return out;
        LWXPanelGetFn* get = m_get;
        p = get(m_instance, cid);
    } else {
        p = formSlot(cid, out.kind);
    }
    if (!p) return out;
    out.present = true;
    switch (out.kind) {
        case ValueKind::Int:
            out.i = *static_cast<const int*>(p);
            break;
        case ValueKind::Float:
            out.v[0] = *static_cast<const double*>(p);
            break;
        case ValueKind::Vector:
            std::memcpy(out.v, p, sizeof out.v);
            break;
        case ValueKind::String:
            out.s = boundedText(p);
            break;
        case ValueKind::Envelope: {
            out.raw = p;
            out.envelopeVector = startsWith(type, "float3") || startsWith(type, "color") ||
                                 startsWith(type, "distance3") || startsWith(type, "percent3");
            const auto& read = m_owner.envelopeAccess().read;
            out.envelopeRead = read && read(p, out.v);
            break;
        }
        case ValueKind::Opaque:
            out.raw = p;
            break;
        case ValueKind::None:
            break;
    }
    return out;
}

std::vector<std::pair<unsigned, PanelValue>> XPanel::values() {
    XPanels::Busy busy(m_owner);
    std::vector<std::pair<unsigned, PanelValue>> out;
    for (unsigned id : layoutOrder()) {
        const PanelControl* c = control(id);
        if (c && c->kind() != ValueKind::None) out.emplace_back(id, value(id));
    }
    return out;
}

std::vector<std::string> XPanel::popupItems(unsigned cid) {
    XPanels::Busy busy(m_owner);
    const PanelControl* c = control(cid);
    if (!c) return {};
    if (c->hasItems) return c->items;
    if (!c->popCount) return {};
    LWXPanelPopCntFn* count = c->popCount;
    LWXPanelPopNameFn* name = c->popName;
    void* popData = data(cid);
    const int n = std::min(std::max(count(popData), 0), kMaxPopupItems);
    std::vector<std::string> items;
    for (int i = 0; i < n; ++i) {
        const char* text = name ? name(popData, i) : nullptr;
        items.push_back(text ? boundedText(text) : std::string());
    }
    return items;
}

void XPanel::refresh() {
    XPanels::Busy busy(m_owner);
    ++m_refreshes;
    std::vector<unsigned> ids;
    for (const PanelControl& c : m_controls)
        if (c.kind() != ValueKind::None) ids.push_back(c.id);
    for (unsigned id : ids) value(id);
}

// ---- user actions -----------------------------------------------------------------------------

bool XPanel::fail(const std::string& why) {
    m_lastError = why;
    return false;
}

bool XPanel::usable(unsigned cid, const PanelControl*& c) {
    m_lastError.clear();
    if (m_destroyed) return fail("the panel is destroyed");
    if (!control(cid)) return fail("no control " + hexId(cid));
    if (!visible(cid)) return fail("control " + hexId(cid) + " is hidden");
    const EnableState state = enabled(cid);
    if (!state.enabled)
        return fail("control " + hexId(cid) + " is disabled" +
                    (state.message.empty() ? "" : ": " + state.message));
    // Rules read values through the plug-in, which may have changed the panel meanwhile.
    if (m_destroyed) return fail("the panel is destroyed");
    c = control(cid);
    return c ? true : fail("no control " + hexId(cid));
}

LWXPRefreshCode XPanel::notifyChange(unsigned cid, int event) {
    if (m_destroyed || !m_changeNotify) return LWXPRC_NONE;
    LWXPanelChangeNotifyFn* notify = m_changeNotify;
    return notify(id(), cid, cid, event);
}

void XPanel::refreshIf(int rc) {
    if (rc != LWXPRC_NONE && !m_destroyed) refresh();
}

bool XPanel::setValue(unsigned cid, const PanelValue& given, bool dragging) {
    XPanels::Busy busy(m_owner);
    const PanelControl* c = nullptr;
    if (!usable(cid, c)) return false;
    const ValueKind kind = c->kind();
    if (kind == ValueKind::None) return fail("control " + hexId(cid) + " carries no value");
    const int event = dragging ? LWXPEVENT_TRACK : LWXPEVENT_VALUE;

    PanelValue v = given;
    if (v.kind == ValueKind::Int && (kind == ValueKind::Float || kind == ValueKind::Envelope)) {
        v.kind = ValueKind::Float;
        v.v[0] = v.i;
    }
    if (kind == ValueKind::Envelope) {
        // The host edits the parameter itself; the plug-in only hears of the change.
        if (v.kind != ValueKind::Float && v.kind != ValueKind::Vector)
            return fail("an envelope control takes a number or a vector");
        const auto& write = m_owner.envelopeAccess().write;
        if (!write) return fail("the host has no envelope access");
        const PanelValue current = value(cid);
        if (!current.raw) return fail("control " + hexId(cid) + " has no parameter");
        if (!write(current.raw, v.v)) return fail("the parameter refused the value");
        refreshIf(notifyChange(cid, event));
        return true;
    }
    if (v.kind != kind)
        return fail(std::string("control ") + hexId(cid) + " takes " + valueKindName(kind) +
                    ", not " + valueKindName(v.kind));
    // A pop-up sends only the index of one of its items.
    if (kind == ValueKind::Int && (c->hasItems || c->popCount)) {
        const std::string label = c->label;
        const size_t items = popupItems(cid).size();
        if (v.i < 0 || static_cast<size_t>(v.i) >= items)
            return fail("pop-up " + quote(label) +
                        (items ? " has items 0 to " + std::to_string(items - 1)
                               : std::string(" has no items")) +
                        ", not " + std::to_string(v.i));
        c = control(cid);
        if (!c) return fail("control " + hexId(cid) + " went away");
    }

    int number = v.i;
    double numbers[3] = {v.v[0], v.v[1], v.v[2]};
    std::vector<char> text(v.s.begin(), v.s.end());
    text.push_back('\0');
    void* pointer = nullptr;
    switch (kind) {
        case ValueKind::Int:
            pointer = &number;
            break;
        case ValueKind::Float:
        case ValueKind::Vector:
            pointer = numbers;
            break;
        case ValueKind::String:
            pointer = text.data();
            break;
        default:
            pointer = v.raw;
            break;
    }

    int rc = LWXPRC_NONE;
    if (isView()) {
        if (!m_set) return fail("the panel has no set function");
        LWXPanelSetFn* set = m_set;
        rc = set(m_instance, cid, pointer);
    } else {
        storeForm(cid, kind, pointer);
    }
    if (notifyChange(cid, event) != LWXPRC_NONE) rc = LWXPRC_DFLT;
    if (m_destroyed) return true;

    // Controls tied to this one are read again, as the host redraws them.
    std::vector<unsigned> reread;
    const auto par = parents();
    for (const PanelLink& link : m_links) {
        if (link.source != cid) continue;
        for (const PanelControl& other : m_controls)
            for (unsigned t : link.targets)
                if (covers(par, t, other.id)) reread.push_back(other.id);
    }
    for (unsigned id : reread) value(id);
    refreshIf(rc);
    return true;
}

bool XPanel::setInt(unsigned cid, int value, bool dragging) {
    return setValue(cid, PanelValue::ofInt(value), dragging);
}

bool XPanel::setFloat(unsigned cid, double value, bool dragging) {
    return setValue(cid, PanelValue::ofFloat(value), dragging);
}

bool XPanel::setVector(unsigned cid, double x, double y, double z, bool dragging) {
    return setValue(cid, PanelValue::ofVector(x, y, z), dragging);
}

bool XPanel::setString(unsigned cid, const std::string& value) {
    return setValue(cid, PanelValue::ofString(value));
}

bool XPanel::click(unsigned cid) {
    XPanels::Busy busy(m_owner);
    const PanelControl* c = nullptr;
    if (!usable(cid, c)) return false;
    if (!c->clickable()) return fail("control " + hexId(cid) + " is not a button");
    if (LWXPanelBtnClickFn* button = c->button) button(id(), static_cast<int>(cid));
    refreshIf(notifyChange(cid, LWXPEVENT_HIT));
    return true;
}

bool XPanel::chooseCommand(unsigned cid, int index) {
    XPanels::Busy busy(m_owner);
    const PanelControl* c = nullptr;
    if (!usable(cid, c)) return false;
    if (!c->isCommand()) return fail("control " + hexId(cid) + " is not a command pop-up");
    const size_t count = popupItems(cid).size();
    if (index < 0 || static_cast<size_t>(index) >= count)
        return fail("control " + hexId(cid) + " has no item " + std::to_string(index));
    c = control(cid);
    if (!c || m_destroyed) return fail("control " + hexId(cid) + " went away");
    if (LWXPanelPopCmdFn* command = c->popCommand) command(id(), static_cast<int>(cid), index);
    refreshIf(notifyChange(cid, LWXPEVENT_HIT));
    return true;
}

bool XPanel::choose(unsigned cid, int index) {
    XPanels::Busy busy(m_owner);
    const PanelControl* c = control(cid);
    if (!c) return fail("no control " + hexId(cid));
    const ValueKind kind = c->kind();
    if (c->isCommand() && kind == ValueKind::None) return chooseCommand(cid, index);
    if (kind != ValueKind::Int && kind != ValueKind::String)
        return fail("control " + hexId(cid) + " is not a pop-up");
    const std::vector<std::string> items = popupItems(cid);
    if (index < 0 || static_cast<size_t>(index) >= items.size())
        return fail("control " + hexId(cid) + " has no item " + std::to_string(index));
    return kind == ValueKind::Int
               ? setValue(cid, PanelValue::ofInt(index))
               : setValue(cid, PanelValue::ofString(items[static_cast<size_t>(index)]));
}

std::pair<int, int> XPanel::defaultDrawSize(const std::string& controlType) {
    if (controlType == "dThumbnail") return {240, 130};
    return {200, 100};
}

bool XPanel::zoom(unsigned cid, int x, int y, int clickCount) {
    XPanels::Busy busy(m_owner);
    const PanelControl* c = nullptr;
    if (!usable(cid, c)) return false;
    LWXPanelControlZoomFn* zoomFn = c->zoom;
    if (!zoomFn) return fail("control " + hexId(cid) + " takes no clicks");
    auto size = c->image.empty() ? defaultDrawSize(c->type)
                                 : std::make_pair(c->image.width(), c->image.height());
    int region[4] = {0, 0, size.first, size.second};
    zoomFn(id(), cid, x, y, region, clickCount);
    return true;
}

const Image* XPanel::draw(unsigned cid, int width, int height) {
    XPanels::Busy busy(m_owner);
    m_lastError.clear();
    const PanelControl* c = control(cid);
    if (!c) {
        fail("no control " + hexId(cid));
        return nullptr;
    }
    LWXPanelControlDrawFn* drawFn = c->draw;
    if (!drawFn) {
        fail("control " + hexId(cid) + " has no draw function");
        return nullptr;
    }
    if (width <= 0 || height <= 0) std::tie(width, height) = defaultDrawSize(c->type);
    Image canvas(width, height, XPanels::colour(LWXPCOL_BACKGROUND));
    m_owner.m_drawTargets.push_back(&canvas);
    drawFn(id(), cid, &canvas, canvas.width(), canvas.height());
    auto& targets = m_owner.m_drawTargets;
    targets.erase(std::remove(targets.begin(), targets.end(), &canvas), targets.end());
    PanelControl* after = findControl(cid);
    if (m_destroyed || !after) {
        fail("control " + hexId(cid) + " went away while drawn");
        return nullptr;
    }
    after->image = std::move(canvas);
    return &after->image;
}

const Image* XPanel::image(unsigned cid) const {
    const PanelControl* c = control(cid);
    return (c && !c->image.empty()) ? &c->image : nullptr;
}

// ---- text -------------------------------------------------------------------------------------

std::string XPanel::print() {
    XPanels::Busy busy(m_owner);
    std::ostringstream out;
    out << "panel " << m_serial << ' ' << quote(m_title) << (isView() ? " view" : " form")
        << (m_open ? " open" : " closed") << '\n';
    for (const LayoutEntry& e : layout()) {
        const std::string indent(static_cast<size_t>(e.depth) * 2, ' ');
        switch (e.kind) {
            case LayoutEntry::Kind::Divider:
                out << indent << "----\n";
                break;
            case LayoutEntry::Kind::GroupEnd:
                break;
            case LayoutEntry::Kind::GroupBegin: {
                const PanelGroup* g = group(e.id);
                out << indent << "group " << hexId(e.id) << ' ' << quote(g ? g->label : "") << '\n';
                break;
            }
            case LayoutEntry::Kind::Control: {
                const PanelControl* c = control(e.id);
                if (!c) break;
                const std::string type = c->type;
                out << indent << hexId(e.id) << ' ' << quote(c->label) << ' ' << type;
                if (c->kind() != ValueKind::None) {
                    const PanelValue v = value(e.id);
                    out << " = ";
                    if (v.present && v.kind == ValueKind::Int && type == "iBoolean") {
                        out << (v.i ? "on" : "off");
                    } else if (v.present && v.kind == ValueKind::Int && type == "iPopChoice") {
                        const auto items = popupItems(e.id);
                        out << v.i;
                        if (v.i >= 0 && static_cast<size_t>(v.i) < items.size())
                            out << ' ' << quote(printInlineText(items[static_cast<size_t>(v.i)]));
                    } else {
                        out << v.text();
                    }
                }
                const EnableState state = enabled(e.id);
                if (!state.enabled)
                    out << " [disabled"
                        << (state.message.empty() ? "" : ": " + scriptOneLine(state.message))
                        << ']';
                out << '\n';
                break;
            }
        }
    }
    return out.str();
}

}  // namespace lwhost
