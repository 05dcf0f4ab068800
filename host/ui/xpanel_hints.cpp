// Reading hint lists (the tag encoding is documented in lwxpanel.h).
#include <cstdio>

#include "lwhost/ui/xpanel.h"

namespace lwhost {

namespace {

// A list that never ends is cut off here rather than read without bound.
constexpr size_t kMaxHintItems = 1u << 16;

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

unsigned asId(void* item) {
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(item));
}
int asInt(void* item) {
    return static_cast<int>(reinterpret_cast<intptr_t>(item));
}
std::string asText(void* item) {
    return item ? static_cast<const char*>(item) : "";
}
template <class F>
F* asFunc(void* item) {
    return reinterpret_cast<F*>(item);
}

}  // namespace

void XPanel::applyHints(unsigned listId, void** hints) {
    HintReader in(hints);
    auto complain = [&](const std::string& why) {
        m_owner.error("hint: panel " + std::to_string(m_serial) + ": " + why);
    };
    // A control argument of 0 stands for the control the list is about.
    auto cidOf = [&](void* item) {
        const unsigned cid = asId(item);
        return cid ? cid : listId;
    };
    auto controlFor = [&](unsigned cid, uint32_t tag) -> PanelControl* {
        PanelControl* c = findControl(cid);
        if (!c) complain("tag " + hexTag(tag) + " names unknown control " + std::to_string(cid));
        return c;
    };
    // IDs up to the 0 that ends them; false when the list ran out first.
    auto readIds = [&](std::vector<unsigned>& out) {
        void* item = nullptr;
        while (in.next(item)) {
            if (!item) return true;
            out.push_back(asId(item));
        }
        return false;
    };
    auto readValues = [&](std::vector<int>& out, uint32_t tag) {
        void* item = nullptr;
        if (!in.next(item)) return false;
        const int n = asInt(item);
        if (n < 0 || n > LWXP_MAX_VALUES) {
            complain("tag " + hexTag(tag) + " lists " + std::to_string(n) +
                     " values; rest of list ignored");
            return false;
        }
        for (int k = 0; k < n; ++k) {
            if (!in.next(item)) return false;
            out.push_back(asInt(item));
        }
        return true;
    };

    void* item = nullptr;
    void* a[3] = {nullptr, nullptr, nullptr};
    auto args = [&](int n) {
        for (int k = 0; k < n; ++k)
            if (!in.next(a[k])) return false;
        return true;
    };

    while (in.next(item)) {
        const uint32_t tag = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(item));
        bool ok = true;
        switch (tag) {
            case LWXPT_END:
                return;
            case LWXPT_TITLE:
                if ((ok = args(1))) m_title = asText(a[0]);
                break;
            case LWXPT_LABEL:
                if ((ok = args(2)))
                    if (PanelControl* c = controlFor(cidOf(a[0]), tag)) c->label = asText(a[1]);
                break;
            case LWXPT_GROUP: {
                PanelGroup g;
                if (!(ok = args(2) && readIds(g.members))) break;
                g.id = asId(a[0]);
                g.label = asText(a[1]);
                if (g.id == 0 || control(g.id)) {
                    complain("group ID " + std::to_string(g.id) + " is not free");
                    break;
                }
                const int n = findGroupIndex(g.id);
                if (n >= 0)
                    m_groups[static_cast<size_t>(n)] = std::move(g);
                else
                    m_groups.push_back(std::move(g));
                break;
            }
            case LWXPT_ORDER: {
                std::vector<unsigned> order;
                if ((ok = readIds(order))) m_order = std::move(order);
                break;
            }
            case LWXPT_DIVIDER:
                if ((ok = args(1))) m_dividers.push_back(cidOf(a[0]));
                break;
            case LWXPT_ENABLE_NONZERO:
            case LWXPT_DISABLE_NONZERO:
            case LWXPT_ENABLE_IN:
            case LWXPT_DISABLE_IN:
            case LWXPT_SHOW_IN:
            case LWXPT_REFRESH_ON: {
                PanelRule rule;
                rule.kind = tag == LWXPT_ENABLE_NONZERO    ? PanelRule::Kind::EnableNonZero
                            : tag == LWXPT_DISABLE_NONZERO ? PanelRule::Kind::DisableNonZero
                            : tag == LWXPT_ENABLE_IN       ? PanelRule::Kind::EnableIn
                            : tag == LWXPT_DISABLE_IN      ? PanelRule::Kind::DisableIn
                            : tag == LWXPT_SHOW_IN         ? PanelRule::Kind::ShowIn
                                                           : PanelRule::Kind::RefreshOn;
                if (!(ok = args(1))) break;
                rule.source = cidOf(a[0]);
                const bool hasMessage = tag != LWXPT_SHOW_IN && tag != LWXPT_REFRESH_ON;
                if (hasMessage) {
                    if (!(ok = args(1))) break;
                    rule.message = asText(a[0]);
                }
                const bool hasValues =
                    tag == LWXPT_ENABLE_IN || tag == LWXPT_DISABLE_IN || tag == LWXPT_SHOW_IN;
                if (hasValues && !(ok = readValues(rule.values, tag))) break;
                if (!(ok = readIds(rule.targets))) break;
                m_rules.push_back(std::move(rule));
                break;
            }
            case LWXPT_BUTTON_NOTIFY:
                if ((ok = args(2)))
                    if (PanelControl* c = controlFor(cidOf(a[0]), tag))
                        c->button = asFunc<LWXPanelBtnClickFn>(a[1]);
                break;
            case LWXPT_DRAW_FUNC:
                if ((ok = args(2)))
                    if (PanelControl* c = controlFor(cidOf(a[0]), tag))
                        c->draw = asFunc<LWXPanelControlDrawFn>(a[1]);
                break;
            case LWXPT_ZOOM_FUNC:
                if ((ok = args(2)))
                    if (PanelControl* c = controlFor(cidOf(a[0]), tag))
                        c->zoom = asFunc<LWXPanelControlZoomFn>(a[1]);
                break;
            case LWXPT_POPCMD_FUNC:
                if ((ok = args(2)))
                    if (PanelControl* c = controlFor(cidOf(a[0]), tag))
                        c->popCommand = asFunc<LWXPanelPopCmdFn>(a[1]);
                break;
            case LWXPT_POPUP_FUNCS: {
                void* data = nullptr;
                if (!(ok = args(3) && in.next(data))) break;
                if (PanelControl* c = controlFor(cidOf(a[0]), tag)) {
                    c->popCount = asFunc<LWXPanelPopCntFn>(a[1]);
                    c->popName = asFunc<LWXPanelPopNameFn>(a[2]);
                    c->popData = data;
                    c->hasItems = false;
                    c->items.clear();
                }
                break;
            }
            case LWXPT_STRING_LIST: {
                if (!(ok = args(1))) break;
                const unsigned cid = cidOf(a[0]);
                std::vector<std::string> items;
                ok = false;
                while (in.next(item)) {
                    if (!item) {
                        ok = true;
                        break;
                    }
                    items.push_back(asText(item));
                }
                if (!ok) break;
                if (PanelControl* c = controlFor(cid, tag)) {
                    c->items = std::move(items);
                    c->hasItems = true;
                }
                break;
            }
            case LWXPT_DELETE:
                if ((ok = args(1)) && controlFor(cidOf(a[0]), tag)) deleteControl(cidOf(a[0]));
                break;
            case LWXPT_CHANGE_NOTIFY:
                if ((ok = args(1))) m_changeNotify = asFunc<LWXPanelChangeNotifyFn>(a[0]);
                break;
            case LWXPT_DESTROY_NOTIFY:
                if ((ok = args(1))) m_destroyNotify = asFunc<LWXPanelDestroyNotifyFn>(a[0]);
                break;
            default:
                // Its arguments are unknown, so nothing after it can be read safely.
                complain("unknown tag " + hexTag(tag) + "; rest of list ignored");
                return;
        }
        if (!ok) break;
    }
    if (in.overrun()) complain("list not ended within " + std::to_string(kMaxHintItems) + " items");
}

}  // namespace lwhost
