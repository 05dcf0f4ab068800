// A fake "LWPanelServices" for in-process tests of classic panels: panels and controls kept in
// tables, a blocking open that runs a script of user actions (row clicks with qualifiers,
// button presses, clock ticks), and drawing into an image. Also a fake "Info Messages 2" that
// keeps every line shown. Published through FakeGlobals (fake_global.h).
#pragma once

#include <lwhost/image.h>
#include <lwsdk/lwmessage.h>
#include <lwsdk/lwpanel.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fake_global.h"

// A text without its inline codes (0x03 "(letter:argument)").
inline std::string stripCodes(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\x03' && i + 1 < text.size() && text[i + 1] == '(') {
            const size_t end = text.find(')', i);
            if (end != std::string::npos) {
                i = end;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

struct FakeMessages {
    std::vector<std::string> warnings, errors, infos;
    st_LWMessageFuncs record{};

    static FakeMessages*& current() {
        static FakeMessages* p = nullptr;
        return p;
    }
    static std::string join(const char* a, const char* b) {
        return std::string(a ? a : "") + (b ? std::string(" / ") + b : "");
    }
    FakeMessages() {
        current() = this;
        record.info = [](const char* a, const char* b) { current()->infos.push_back(join(a, b)); };
        record.error = [](const char* a, const char* b) {
            current()->errors.push_back(join(a, b));
        };
        record.warning = [](const char* a, const char* b) {
            current()->warnings.push_back(join(a, b));
        };
    }
    ~FakeMessages() { current() = nullptr; }
};

struct FakePanels {
    enum class Kind { List, Button, Canvas, Text };
    struct Control {
        Kind kind = Kind::Button;
        LWPanelID panel = nullptr;
        std::string label;
        int x = 0, y = 0, w = 0, h = 0;
        int rows = 0;
        int value = -1;
        LWCtlNameFunc* name = nullptr;
        LWCtlCountFunc* count = nullptr;
        void* listData = nullptr;
        LWCtlEventFunc* event = nullptr;
        void* eventData = nullptr;
        LWCtlDrawFunc* draw = nullptr;
        void* drawData = nullptr;
        void* userData = nullptr;
        std::vector<std::string> lines;
    };
    struct Panel {
        std::string title;
        void* userData = nullptr;
        std::map<int, std::pair<void (*)(), void*>> callbacks;
        std::vector<LWControlID> controls;
        bool open = false, destroyed = false;
        int flags = 0, result = LWPAN_CANCELLED, qualifiers = 0, draws = 0;
        lwhost::Image image;
    };
    struct Action {
        enum Type { Click, Press, Tick, Call } type;
        std::string control;  // list or button label, codes stripped
        int row = -1;
        int qualifiers = 0;
        int64_t ms = 0;
        std::function<void()> call;  // Call: runs while the panel is open (checks)
    };

    std::map<LWPanelID, Panel> panels;
    std::map<LWControlID, Control> controls;
    std::vector<Action> script;
    std::vector<std::string> errors;  // actions that found no control
    int64_t clock = 1000000;          // what the selection list's test clock reads
    LWPanelID drawing = nullptr;      // the panel inside a draw callback
    uintptr_t nextId = 1;
    st_LWPanelDrawFuncs drawRecord{};
    st_LWPanelFuncs record{};

    static FakePanels*& current() {
        static FakePanels* p = nullptr;
        return p;
    }
    static int64_t readClock() { return current()->clock; }

    FakePanels();
    ~FakePanels() { current() = nullptr; }

    // ---- scripting ----
    void click(const std::string& list, int row, int qualifiers = 0) {
        script.push_back({Action::Click, list, row, qualifiers, 0, nullptr});
    }
    void press(const std::string& button) {
        script.push_back({Action::Press, button, -1, 0, 0, nullptr});
    }
    void tick(int64_t ms) { script.push_back({Action::Tick, "", -1, 0, ms, nullptr}); }
    void then(std::function<void()> call) {
        script.push_back({Action::Call, "", -1, 0, 0, std::move(call)});
    }

    // ---- inspection ----
    Panel* latest() { return panels.empty() ? nullptr : &panels.rbegin()->second; }
    LWPanelID latestId() const { return panels.empty() ? nullptr : panels.rbegin()->first; }
    Control* find(LWPanelID panel, Kind kind, const std::string& label) {
        auto p = panels.find(panel);
        if (p == panels.end()) return nullptr;
        for (LWControlID id : p->second.controls) {
            Control& c = controls[id];
            if (c.kind == kind && stripCodes(c.label) == label) return &c;
        }
        return nullptr;
    }
    Control* findLatest(Kind kind, const std::string& label) {
        return find(latestId(), kind, label);
    }
    // A list's rows as the plug-in gives them (codes included).
    std::vector<std::string> rows(const Control& list) {
        std::vector<std::string> out;
        const int n = list.count ? list.count(list.listData) : 0;
        for (int i = 0; i < n; ++i) {
            const char* r = list.name ? list.name(list.listData, i) : nullptr;
            out.push_back(r ? r : "(null)");
        }
        return out;
    }

    // Runs the panel's draw: canvases first, then the panel's own draw callback.
    void redraw(LWPanelID id, int mode = LWDR_REFRESH) {
        Panel& p = panels[id];
        ++p.draws;
        p.image = lwhost::Image(std::max(1, width(p)), std::max(1, height(p)),
                                lwhost::Rgb(160, 160, 160));
        LWPanelID outer = drawing;
        drawing = id;
        for (LWControlID cid : p.controls) {
            Control& c = controls[cid];
            if (c.draw) c.draw(cid, c.drawData, mode);
        }
        auto cb = p.callbacks.find(LWPANCB_DRAW);
        if (cb != p.callbacks.end())
            reinterpret_cast<LWPanDrawFunc*>(cb->second.first)(id, cb->second.second, mode);
        drawing = outer;
    }

    int width(const Panel& p) {
        int w = 0;
        for (LWControlID id : p.controls) w = std::max(w, controls[id].x + controls[id].w);
        return w + 8;
    }
    int height(const Panel& p) {
        int h = 0;
        for (LWControlID id : p.controls) h = std::max(h, controls[id].y + controls[id].h);
        return h + 8;
    }

  private:
    static FakePanels& self() { return *current(); }

    LWControlID add(LWPanelID panel, Control c) {
        auto p = panels.find(panel);
        if (p == panels.end()) return nullptr;
        c.panel = panel;
        // Under the previous control, as the host places new controls.
        c.x = 8;
        c.y = 8;
        if (!p->second.controls.empty()) {
            const Control& prev = controls[p->second.controls.back()];
            c.y = prev.y + prev.h + 6;
        }
        auto id = reinterpret_cast<LWControlID>(nextId++);
        controls[id] = c;
        p->second.controls.push_back(id);
        return id;
    }

    void perform(LWPanelID id, const Action& a) {
        Panel& p = panels[id];
        if (a.type == Action::Tick) {
            clock += a.ms;
            return;
        }
        if (a.type == Action::Call) {
            a.call();
            return;
        }
        Control* c = find(id, a.type == Action::Click ? Kind::List : Kind::Button, a.control);
        if (!c) {
            errors.push_back("no control " + a.control);
            return;
        }
        LWControlID cid = nullptr;
        for (auto& entry : controls)
            if (&entry.second == c) cid = entry.first;
        if (a.type == Action::Click) c->value = a.row;
        p.qualifiers = a.qualifiers;
        if (c->event) c->event(cid, c->eventData);
        panels[id].qualifiers = 0;
    }

    int open(LWPanelID id, int flags) {
        auto it = panels.find(id);
        if (it == panels.end()) return 0;
        it->second.open = true;
        it->second.flags = flags;
        it->second.result = LWPAN_CANCELLED;
        redraw(id);
        if (!(flags & LWPANF_BLOCKING)) return 1;
        while (panels[id].open && !script.empty()) {
            Action a = script.front();
            script.erase(script.begin());
            perform(id, a);
        }
        // Nothing left to do: the user closes the window.
        if (panels[id].open) panels[id].open = false;
        return panels[id].result;
    }
};

inline FakePanels::FakePanels() {
    current() = this;
    drawRecord.drawRGBPixel = [](LWPanelID panel, int r, int g, int b, int x, int y) {
        if (self().drawing != panel) return;
        self().panels[panel].image.setPixel(x, y, lwhost::Rgb::clamped(r, g, b));
    };
    drawRecord.drawRGBBox = [](LWPanelID panel, int r, int g, int b, int x, int y, int w, int h) {
        if (self().drawing != panel) return;
        self().panels[panel].image.fillRect(x, y, w, h, lwhost::Rgb::clamped(r, g, b));
    };
    drawRecord.drawText = [](LWPanelID panel, const char* text, int, int x, int y) {
        if (self().drawing != panel || !text) return;
        self().panels[panel].image.drawText(x, y, text, lwhost::Rgb(0, 0, 0));
    };
    drawRecord.textWidth = [](LWPanelID, const char* text) {
        return lwhost::Image::textWidth(text ? text : "");
    };
    drawRecord.textHeight = [](LWPanelID, const char*) { return lwhost::Image::textHeight(); };

    record.version = LWPANELS_API_VERSION;
    record.drawFuncs = &drawRecord;
    record.create = [](const char* title, void*) {
        auto id = reinterpret_cast<LWPanelID>(self().nextId++);
        self().panels[id].title = title ? title : "";
        return id;
    };
    record.destroy = [](LWPanelID panel) {
        auto it = self().panels.find(panel);
        if (it == self().panels.end()) return;
        it->second.open = false;
        it->second.destroyed = true;
    };
    record.open = [](LWPanelID panel, int flags) { return self().open(panel, flags); };
    record.close = [](LWPanelID panel, int result) {
        auto it = self().panels.find(panel);
        if (it == self().panels.end() || !it->second.open) return;
        it->second.open = false;
        it->second.result = result;
    };
    record.draw = [](LWPanelID panel, int mode) {
        if (self().panels.count(panel)) self().redraw(panel, mode);
    };
    record.getInt = [](LWPanelID panel, int attribute) {
        auto it = self().panels.find(panel);
        if (it == self().panels.end()) return 0;
        switch (attribute) {
            case PAN_W:
                return self().width(it->second);
            case PAN_H:
                return self().height(it->second);
            case PAN_QUALIFIERS:
                return it->second.qualifiers;
            case PAN_RESULT:
                return it->second.result;
            default:
                return 0;
        }
    };
    record.setInt = [](LWPanelID, int, int) {};
    record.getPtr = [](LWPanelID panel, int attribute) -> void* {
        auto it = self().panels.find(panel);
        if (it == self().panels.end()) return nullptr;
        if (attribute == PAN_USERDATA) return it->second.userData;
        if (attribute == PAN_TITLE) return const_cast<char*>(it->second.title.c_str());
        return nullptr;
    };
    record.setPtr = [](LWPanelID panel, int attribute, void* value) {
        auto it = self().panels.find(panel);
        if (it != self().panels.end() && attribute == PAN_USERDATA) it->second.userData = value;
    };
    record.setCallback = [](LWPanelID panel, int which, void (*func)(), void* data) {
        auto it = self().panels.find(panel);
        if (it != self().panels.end()) it->second.callbacks[which] = {func, data};
    };
    record.listBox = [](LWPanelID panel, const char* label, int width, int rows,
                        LWCtlNameFunc* name, LWCtlCountFunc* count, void* data) {
        Control c;
        c.kind = Kind::List;
        c.label = label ? label : "";
        c.w = width > 0 ? width : 200;
        c.rows = rows > 0 ? rows : 10;
        c.h = 20 + c.rows * 14;
        c.name = name;
        c.count = count;
        c.listData = data;
        return self().add(panel, c);
    };
    record.button = [](LWPanelID panel, const char* label, int width) {
        Control c;
        c.kind = Kind::Button;
        c.label = label ? label : "";
        c.w = width > 0 ? width : lwhost::Image::textWidth(stripCodes(c.label)) + 20;
        c.h = 20;
        return self().add(panel, c);
    };
    record.canvas = [](LWPanelID panel, const char* label, int width, int height) {
        Control c;
        c.kind = Kind::Canvas;
        c.label = label ? label : "";
        c.w = width;
        c.h = height;
        return self().add(panel, c);
    };
    record.text = [](LWPanelID panel, const char* label, const char** lines) {
        Control c;
        c.kind = Kind::Text;
        c.label = label ? label : "";
        for (const char** l = lines; l && *l; ++l) c.lines.push_back(*l);
        for (const std::string& l : c.lines) c.w = std::max(c.w, lwhost::Image::textWidth(l));
        c.h = static_cast<int>(c.lines.size()) * 12;
        return self().add(panel, c);
    };
    record.ctlGetInt = [](LWControlID id, int attribute) {
        auto it = self().controls.find(id);
        if (it == self().controls.end()) return 0;
        const Control& c = it->second;
        switch (attribute) {
            case CTL_X:
                return c.x;
            case CTL_Y:
                return c.y;
            case CTL_W:
                return c.w;
            case CTL_H:
                return c.h;
            case CTL_VALUE:
                return c.kind == Kind::List ? c.value : 0;
            default:
                return 0;
        }
    };
    record.ctlSetInt = [](LWControlID id, int attribute, int value) {
        auto it = self().controls.find(id);
        if (it == self().controls.end()) return;
        Control& c = it->second;
        if (attribute == CTL_X) c.x = value;
        if (attribute == CTL_Y) c.y = value;
        if (attribute == CTL_W) c.w = value;
        if (attribute == CTL_H) c.h = value;
        if (attribute == CTL_VALUE) c.value = value;
    };
    record.ctlGetPtr = [](LWControlID id, int attribute) -> void* {
        auto it = self().controls.find(id);
        if (it == self().controls.end()) return nullptr;
        if (attribute == CTL_PANEL) return it->second.panel;
        if (attribute == CTL_USERDATA) return it->second.userData;
        if (attribute == CTL_LABEL) return const_cast<char*>(it->second.label.c_str());
        return nullptr;
    };
    record.ctlSetPtr = [](LWControlID id, int attribute, void* value) {
        auto it = self().controls.find(id);
        if (it != self().controls.end() && attribute == CTL_USERDATA) it->second.userData = value;
    };
    record.ctlSetEvent = [](LWControlID id, LWCtlEventFunc* func, void* data) {
        auto it = self().controls.find(id);
        if (it == self().controls.end()) return;
        it->second.event = func;
        it->second.eventData = data;
    };
    record.ctlSetDraw = [](LWControlID id, LWCtlDrawFunc* func, void* data) {
        auto it = self().controls.find(id);
        if (it == self().controls.end()) return;
        it->second.draw = func;
        it->second.drawData = data;
    };
    record.ctlRedraw = [](LWControlID) {};
}

// The globals a panel test needs: the panel service and the message service.
struct PanelTestHost {
    FakeGlobals globals;
    FakePanels panels;
    FakeMessages messages;
    PanelTestHost() {
        globals.records[LWPANELFUNCS_GLOBAL] = &panels.record;
        globals.records[LWMESSAGEFUNCS_GLOBAL] = &messages.record;
    }
};
