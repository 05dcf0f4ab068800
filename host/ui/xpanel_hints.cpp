// Reading hint lists (the tag encoding is documented in lwxpanel.h).
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "lwhost/ui/xpanel.h"

namespace lwhost {

namespace {

// A list that never ends is cut off here rather than read without bound; so are maps and
// string lists.
constexpr size_t kMaxHintItems = 1u << 16;
constexpr size_t kMaxMapEntries = 4096;
constexpr size_t kMaxStrings = 10000;
constexpr int kMaxNesting = 8;

struct TagName {
    uint32_t tag;
    const char* name;
    bool quiet;  // read over without a record: it only shapes what a screen would show
};

// Every published tag. The host acts on some (see applyHints); the others are read over.
const TagName kTagNames[] = {
    {XPTAG_NEST, "XPTAG_NEST", false},
    {XPTAG_CALL, "XPTAG_CALL", false},
    {XPTAG_LABEL, "XPTAG_LABEL", false},
    {XPTAG_CLASS, "XPTAG_CLASS", false},
    {XPTAG_ADD, "XPTAG_ADD", false},
    {XPTAG_DELETE, "XPTAG_DELETE", false},
    {XPTAG_CHGNOTIFY, "XPTAG_CHGNOTIFY", false},
    {XPTAG_FOCUS, "XPTAG_FOCUS", false},
    {XPTAG_DESTROYNOTIFY, "XPTAG_DESTROYNOTIFY", false},
    {XPTAG_AUTORESTORE, "XPTAG_AUTORESTORE", false},
    {XPTAG_VALUE, "XPTAG_VALUE", false},
    {XPTAG_LINK, "XPTAG_LINK", false},
    {XPTAG_IMMUPD, "XPTAG_IMMUPD", true},
    {XPTAG_TRACK, "XPTAG_TRACK", true},
    {XPTAG_ORIENT, "XPTAG_ORIENT", true},
    {XPTAG_MIN, "XPTAG_MIN", true},
    {XPTAG_MAX, "XPTAG_MAX", true},
    {XPTAG_STEP, "XPTAG_STEP", true},
    {XPTAG_RANGE, "XPTAG_RANGE", true},
    {XPTAG_SENS, "XPTAG_SENS", true},
    {XPTAG_STRLIST, "XPTAG_STRLIST", false},
    {XPTAG_HARDMINMAX, "XPTAG_HARDMINMAX", true},
    {XPTAG_CLRMINMAX, "XPTAG_CLRMINMAX", true},
    {XPTAG_BUTNOTIFY, "XPTAG_BUTNOTIFY", false},
    {XPTAG_POPCMDFUNC, "XPTAG_POPCMDFUNC", false},
    {XPTAG_POPFUNCS, "XPTAG_POPFUNCS", false},
    {XPTAG_INTXFORM, "XPTAG_INTXFORM", false},
    {XPTAG_DRAWCBFUNC, "XPTAG_DRAWCBFUNC", false},
    {XPTAG_ZOOMCBFUNC, "XPTAG_ZOOMCBFUNC", false},
    {XPTAG_VECLABEL, "XPTAG_VECLABEL", true},
    {XPTAG_CTRLFRONT, "XPTAG_CTRLFRONT", true},
    {XPTAG_CTRLCFG, "XPTAG_CTRLCFG", true},
    {XPTAG_XREQCFG, "XPTAG_XREQCFG", false},
    {XPTAG_ALIAS, "XPTAG_ALIAS", false},
    {XPTAG_UNALIAS, "XPTAG_UNALIAS", false},
    {XPTAG_ENABLE, "XPTAG_ENABLE", false},
    {XPTAG_GROUP, "XPTAG_GROUP", false},
    {XPTAG_ORDER, "XPTAG_ORDER", false},
    {XPTAG_STACK, "XPTAG_STACK", false},
    {XPTAG_TABS, "XPTAG_TABS", false},
    {XPTAG_LEFT, "XPTAG_LEFT", true},
    {XPTAG_NARROW, "XPTAG_NARROW", true},
    {XPTAG_DIVADD, "XPTAG_DIVADD", false},
    {XPTAG_DIVREM, "XPTAG_DIVREM", false},
    {XPTAG_BORDER, "XPTAG_BORDER", true},
    {XPTAG_DLOGTYPE, "XPTAG_DLOGTYPE", false},
};

const TagName* publishedTag(uint32_t tag) {
    for (const TagName& t : kTagNames)
        if (t.tag == tag) return &t;
    return nullptr;
}

std::string hexTag(uint32_t tag) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", tag);
    return buf;
}

// Walks one list item by item; every item is pointer-sized.
class HintReader {
  public:
    explicit HintReader(void** items) : m_items(items) {}

    bool next(void*& item) {
        if (m_pos >= kMaxHintItems) {
            m_overrun = true;
            return false;
        }
        item = m_items[m_pos++];
        return true;
    }
    bool overrun() const { return m_overrun; }

  private:
    void** m_items;
    size_t m_pos = 0;
    bool m_overrun = false;
};

// An ID item; 0 for anything wider than the host's IDs, which names nothing.
unsigned asId(void* item) {
    const uintptr_t v = reinterpret_cast<uintptr_t>(item);
    return v > 0xFFFFFFFFu ? 0 : static_cast<unsigned>(v);
}
int asInt(void* item) {
    return static_cast<int>(reinterpret_cast<intptr_t>(item));
}
std::string asText(void* item) {
    return item ? std::string(static_cast<const char*>(item),
                              strnlen(static_cast<const char*>(item), 1u << 20))
                : "";
}
template <class F>
F* asFunc(void* item) {
    return reinterpret_cast<F*>(item);
}

}  // namespace

int mapEntry(const std::vector<int>& map, int value) {
    if (value < 0 || static_cast<size_t>(value) >= map.size()) return 0;
    return map[static_cast<size_t>(value)];
}

void XPanel::applyHints(unsigned listId, void** hints, int depth) {
    HintReader in(hints);
    auto complain = [&](const std::string& why) {
        m_owner.error("hint: panel " + std::to_string(m_serial) + ": " + why);
    };
    // A control argument of 0 stands for the control the list is about.
    auto cidOf = [&](void* item) {
        const unsigned cid = asId(item);
        return cid ? cid : listId;
    };
    auto controlFor = [&](unsigned cid, const char* tagName) -> PanelControl* {
        PanelControl* c = findControl(cid);
        if (!c) complain(std::string(tagName) + " names unknown control " + std::to_string(cid));
        return c;
    };
    // An int map up to its negative end; false when it is too long.
    auto readMap = [&](void* item, std::vector<int>& out, const char* tagName) {
        const int* map = static_cast<const int*>(item);
        for (size_t n = 0; map[n] >= 0; ++n) {
            if (n == kMaxMapEntries) {
                complain(std::string(tagName) + " map not ended within " +
                         std::to_string(kMaxMapEntries) + " entries");
                return false;
            }
            out.push_back(map[n]);
        }
        return true;
    };
    // A group or stack ID must name no control and not be 0.
    auto freeGroupId = [&](unsigned gid) {
        if (gid != 0 && !control(gid)) return true;
        complain("group ID " + std::to_string(gid) + " is not free");
        return false;
    };
    auto storeGroup = [&](PanelGroup g) {
        const int n = findGroupIndex(g.id);
        if (n >= 0) {
            g.label = m_groups[static_cast<size_t>(n)].label;
            m_groups[static_cast<size_t>(n)] = std::move(g);
        } else {
            m_groups.push_back(std::move(g));
        }
    };

    void* item = nullptr;
    std::vector<void*> a;
    std::vector<unsigned> ids;
    while (in.next(item)) {
        const uint32_t tag = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(item));
        if (tag == XPTAG_END) return;
        const TagName* known = publishedTag(tag);
        if (!known) {
            // Its arguments cannot be trusted, so nothing after it can be read safely.
            complain("unknown tag " + hexTag(tag) + "; rest of list ignored");
            return;
        }
        // The fixed arguments, then the IDs up to a 0 where the tag has them.
        a.assign(LWXP_TAG_ARGS(tag), nullptr);
        bool complete = true;
        for (void*& arg : a) complete = complete && in.next(arg);
        ids.clear();
        if (complete && LWXP_TAG_LIST(tag)) {
            complete = false;
            while (in.next(item)) {
                if (!item) {
                    complete = true;
                    break;
                }
                ids.push_back(asId(item));
            }
        }
        if (!complete) break;

        switch (tag) {
            case XPTAG_LABEL: {
                const unsigned id = asId(a[0]);
                if (id == 0 && listId == 0) {
                    m_title = asText(a[1]);
                } else if (PanelControl* c = findControl(cidOf(a[0]))) {
                    c->label = asText(a[1]);
                } else if (int n = findGroupIndex(id); n >= 0) {
                    m_groups[static_cast<size_t>(n)].label = asText(a[1]);
                } else {
                    complain("XPTAG_LABEL names unknown control " + std::to_string(id));
                }
                break;
            }
            case XPTAG_GROUP:
            case XPTAG_STACK: {
                PanelGroup g;
                g.id = asId(a[0]);
                g.members = ids;
                if (tag == XPTAG_STACK) {
                    g.stack = true;
                    g.source = cidOf(a[1]);
                    g.hasMap = a[2] != nullptr;
                    if (g.hasMap && !readMap(a[2], g.map, known->name)) break;
                }
                if (freeGroupId(g.id)) storeGroup(std::move(g));
                break;
            }
            case XPTAG_ORDER: {
                const unsigned gid = asId(a[0]);
                if (gid == 0) {
                    m_order = ids;
                    break;
                }
                const int n = findGroupIndex(gid);
                if (n < 0) {
                    complain("XPTAG_ORDER names unknown group " + std::to_string(gid));
                    break;
                }
                // The listed members first, in the order given, then the rest as they were.
                std::vector<unsigned>& members = m_groups[static_cast<size_t>(n)].members;
                std::vector<unsigned> ordered;
                for (unsigned id : ids)
                    if (std::find(members.begin(), members.end(), id) != members.end() &&
                        std::find(ordered.begin(), ordered.end(), id) == ordered.end())
                        ordered.push_back(id);
                for (unsigned id : members)
                    if (std::find(ordered.begin(), ordered.end(), id) == ordered.end())
                        ordered.push_back(id);
                members = std::move(ordered);
                break;
            }
            case XPTAG_DIVADD:
                for (unsigned id : ids)
                    if (std::find(m_dividers.begin(), m_dividers.end(), id) == m_dividers.end())
                        m_dividers.push_back(id);
                break;
            case XPTAG_DIVREM:
                for (unsigned id : ids)
                    m_dividers.erase(std::remove(m_dividers.begin(), m_dividers.end(), id),
                                     m_dividers.end());
                break;
            case XPTAG_ENABLE: {
                PanelRule rule;
                rule.source = cidOf(a[0]);
                rule.hasMap = a[1] != nullptr;
                if (rule.hasMap && !readMap(a[1], rule.map, known->name)) break;
                rule.message = asText(a[2]);
                rule.invert = asInt(a[3]) != 0;
                rule.targets = ids;
                m_rules.push_back(std::move(rule));
                break;
            }
            case XPTAG_LINK:
                m_links.push_back(PanelLink{cidOf(a[0]), ids});
                break;
            case XPTAG_BUTNOTIFY:
                if (PanelControl* c = controlFor(cidOf(a[0]), known->name))
                    c->button = asFunc<LWXPanelBtnClickFn>(a[1]);
                break;
            case XPTAG_DRAWCBFUNC:
                if (PanelControl* c = controlFor(cidOf(a[0]), known->name))
                    c->draw = asFunc<LWXPanelControlDrawFn>(a[1]);
                break;
            case XPTAG_ZOOMCBFUNC:
                if (PanelControl* c = controlFor(cidOf(a[0]), known->name))
                    c->zoom = asFunc<LWXPanelControlZoomFn>(a[1]);
                break;
            case XPTAG_POPCMDFUNC:
                if (PanelControl* c = controlFor(cidOf(a[0]), known->name))
                    c->popCommand = asFunc<LWXPanelPopCmdFn>(a[1]);
                break;
            case XPTAG_POPFUNCS:
                if (PanelControl* c = controlFor(cidOf(a[0]), known->name)) {
                    c->popCount = asFunc<LWXPanelPopCntFn>(a[1]);
                    c->popName = asFunc<LWXPanelPopNameFn>(a[2]);
                    c->hasItems = false;
                    c->items.clear();
                }
                break;
            case XPTAG_STRLIST: {
                std::vector<std::string> items;
                if (const char* const* texts = static_cast<const char* const*>(a[1])) {
                    for (size_t n = 0; texts[n]; ++n) {
                        if (n == kMaxStrings) {
                            complain("XPTAG_STRLIST not ended within " +
                                     std::to_string(kMaxStrings) + " texts");
                            items.clear();
                            break;
                        }
                        items.push_back(asText(const_cast<char*>(texts[n])));
                    }
                }
                if (PanelControl* c = controlFor(cidOf(a[0]), known->name)) {
                    c->items = std::move(items);
                    c->hasItems = true;
                }
                break;
            }
            case XPTAG_DELETE:
                if (controlFor(cidOf(a[0]), known->name)) deleteControl(cidOf(a[0]));
                break;
            case XPTAG_CHGNOTIFY:
                m_changeNotify = asFunc<LWXPanelChangeNotifyFn>(a[0]);
                break;
            case XPTAG_DESTROYNOTIFY:
                m_destroyNotify = asFunc<LWXPanelDestroyNotifyFn>(a[0]);
                m_destroyData = a[1];
                break;
            case XPTAG_DLOGTYPE:
                m_dialogType = asInt(a[0]);
                break;
            case XPTAG_NEST:
                if (!a[0]) break;
                if (depth >= kMaxNesting) {
                    complain("XPTAG_NEST deeper than " + std::to_string(kMaxNesting));
                    break;
                }
                applyHints(listId, static_cast<void**>(a[0]), depth + 1);
                break;
            default:
                if (!known->quiet)
                    complain(std::string(known->name) + " is not supported; read over");
                break;
        }
    }
    if (in.overrun()) complain("list not ended within " + std::to_string(kMaxHintItems) + " items");
}

}  // namespace lwhost
