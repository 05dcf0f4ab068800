// The standard verbs of the script language: host commands, generic servers, panels,
// expectations, saving and printing.
#include <lwsdk/lwcommand.h>

#include <cmath>
#include <cstdint>
#include <ostream>

#include "lwhost/core/host.h"
#include "lwhost/plugins/layout_commands.h"
#include "lwhost/plugins/plugins.h"
#include "lwhost/script/script.h"
#include "lwhost/ui/dialogs.h"
#include "lwhost/ui/inline_text.h"
#include "lwhost/ui/xpanel.h"

namespace lwhost {

namespace {

const char* commandResultName(int result) {
    switch (result) {
        case LWCMD_OK:
            return "ok";
        case LWCMD_UNKNOWN:
            return "unknown command";
        case LWCMD_NOSERVICE:
            return "no service";
        case LWCMD_FAILED:
            return "failed";
    }
    return "unexpected result";
}

std::string quoted(const std::string& text) {
    return scriptQuote(text);
}

bool count(const ScriptArg& arg, long long& out, std::string& why) {
    if (!arg.quoted && scriptInt(arg.text, out) && out >= 0) return true;
    why = "expected a count, found " + quoted(arg.text);
    return false;
}

}  // namespace

namespace {

bool findControl(XPanel& panel, const ScriptArg& arg, unsigned& cid, std::string& why) {
    return scriptPanelControl(panel, arg, cid, why);
}

bool parseValue(XPanel& panel, unsigned cid, const std::vector<ScriptArg>& args, size_t first,
                PanelValue& value, std::string& why) {
    return scriptPanelValue(panel, cid, args, first, value, why);
}

bool close(double a, double b) {
    return std::fabs(a - b) <= 1e-6 * std::fmax(1.0, std::fmax(std::fabs(a), std::fabs(b)));
}

bool sameValue(const PanelValue& held, const PanelValue& wanted) {
    if (!held.present) return false;
    switch (held.kind) {
        case ValueKind::Int:
            return wanted.kind == ValueKind::Int && held.i == wanted.i;
        case ValueKind::Float:
            return wanted.kind == ValueKind::Float && close(held.v[0], wanted.v[0]);
        case ValueKind::Envelope:
            if (!held.envelopeRead) return false;
            if (wanted.kind == ValueKind::Float)
                return !held.envelopeVector && close(held.v[0], wanted.v[0]);
            [[fallthrough]];
        case ValueKind::Vector:
            return wanted.kind == ValueKind::Vector && close(held.v[0], wanted.v[0]) &&
                   close(held.v[1], wanted.v[1]) && close(held.v[2], wanted.v[2]);
        case ValueKind::String:
            return wanted.kind == ValueKind::String && held.s == wanted.s;
        case ValueKind::None:
        case ValueKind::Opaque:
            break;
    }
    return false;
}

// The open panel, or false with the reason.
bool openPanel(ScriptEnvironment& env, XPanel*& panel, std::string& why) {
    panel = env.plugins.panel();
    if (panel) return true;
    why = "no panel is open";
    return false;
}

// A panel action: the panel stays in memory until its error was read, even when the action
// destroyed it.
template <class Action>
bool panelAction(ScriptEnvironment& env, XPanel& panel, std::string& why, Action action) {
    XPanels::Busy busy(env.host.xpanels());
    if (action()) return true;
    why = panel.lastError();
    return false;
}

void definePanelVerbs(Script& script, ScriptEnvironment& env) {
    script.define("panel open", 2, 2, "CLASS POSITION",
                  [&env](const ScriptStatement& s, std::string& why) {
                      long long position = 0;
                      if (!count(s.args[1], position, why)) return false;
                      if (position < 1 || position > INT32_MAX) {
                          why = "positions count from 1";
                          return false;
                      }
                      return env.plugins.openPanel(s.args[0].text, static_cast<int>(position), why);
                  });
    script.define(
        "panel set", 2, 4, "CONTROL VALUE", [&env](const ScriptStatement& s, std::string& why) {
            XPanel* panel = nullptr;
            unsigned cid = 0;
            PanelValue value;
            if (!openPanel(env, panel, why) || !findControl(*panel, s.args[0], cid, why) ||
                !parseValue(*panel, cid, s.args, 1, value, why))
                return false;
            return panelAction(env, *panel, why, [&] { return panel->setValue(cid, value); });
        });
    script.define("panel click", 1, 1, "CONTROL",
                  [&env](const ScriptStatement& s, std::string& why) {
                      XPanel* panel = nullptr;
                      unsigned cid = 0;
                      if (!openPanel(env, panel, why) || !findControl(*panel, s.args[0], cid, why))
                          return false;
                      return panelAction(env, *panel, why, [&] { return panel->click(cid); });
                  });
    script.define(
        "panel popcmd", 2, 2, "CONTROL ITEM", [&env](const ScriptStatement& s, std::string& why) {
            XPanel* panel = nullptr;
            unsigned cid = 0;
            if (!openPanel(env, panel, why) || !findControl(*panel, s.args[0], cid, why))
                return false;
            long long index = -1;
            if (s.args[1].quoted || !scriptInt(s.args[1].text, index)) {
                const std::vector<std::string> items = panel->popupItems(cid);
                // Items are matched as printed, or without their inline codes.
                for (size_t i = 0; i < items.size() && index < 0; ++i)
                    if (items[i] == s.args[1].text ||
                        stripInlineCodes(items[i]) == s.args[1].text ||
                        printInlineText(items[i]) == s.args[1].text)
                        index = static_cast<long long>(i);
                if (index < 0) {
                    why = "the pop-up has no item " + quoted(s.args[1].text);
                    return false;
                }
            }
            if (index < 0 || index > INT32_MAX) {
                why = "no item " + s.args[1].text;
                return false;
            }
            return panelAction(env, *panel, why,
                               [&] { return panel->chooseCommand(cid, static_cast<int>(index)); });
        });
    script.define("panel print", 0, 0, "", [&env](const ScriptStatement&, std::string& why) {
        XPanel* panel = nullptr;
        if (!openPanel(env, panel, why)) return false;
        std::string text = panel->print();
        if (!text.empty() && text.back() != '\n') text += '\n';
        env.out << text;
        return true;
    });
    // The items a pop-up offers now, one per line with its index, as printed.
    script.define("panel items", 1, 1, "CONTROL",
                  [&env](const ScriptStatement& s, std::string& why) {
                      XPanel* panel = nullptr;
                      unsigned cid = 0;
                      if (!openPanel(env, panel, why) || !findControl(*panel, s.args[0], cid, why))
                          return false;
                      const std::vector<std::string> items = panel->popupItems(cid);
                      for (size_t i = 0; i < items.size(); ++i)
                          env.out << i << " " << scriptOneLine(printInlineText(items[i])) << "\n";
                      return true;
                  });
    script.define("panel close", 0, 0, "", [&env](const ScriptStatement&, std::string& why) {
        if (env.plugins.closePanel()) return true;
        why = "no panel is open";
        return false;
    });
}

void defineExpectVerbs(Script& script, ScriptEnvironment& env) {
    script.define(
        "expect command-count", 1, 1, "N", [&env](const ScriptStatement& s, std::string& why) {
            long long n = 0;
            if (!count(s.args[0], n, why)) return false;
            const size_t ran = env.host.commands().lines().size();
            if (ran == static_cast<unsigned long long>(n)) return true;
            why =
                "expected " + std::to_string(n) + " command lines, " + std::to_string(ran) + " ran";
            return false;
        });
    script.define("expect last-command", 1, 1, "\"LINE\"",
                  [&env](const ScriptStatement& s, std::string& why) {
                      const auto& lines = env.host.commands().lines();
                      if (!lines.empty() && lines.back() == s.args[0].text) return true;
                      why = "expected the last command line " + quoted(s.args[0].text) + ", " +
                            (lines.empty() ? "none ran" : "it was " + quoted(lines.back()));
                      return false;
                  });
    script.define("expect status", 1, 1, "\"TEXT\"",
                  [&env](const ScriptStatement& s, std::string& why) {
                      const auto& status = env.host.commands().statusMessages();
                      if (!status.empty() && status.back() == s.args[0].text) return true;
                      why = "expected the status message " + quoted(s.args[0].text) + ", " +
                            (status.empty() ? "there was none" : "it was " + quoted(status.back()));
                      return false;
                  });
    script.define(
        "expect message", 1, 1, "\"TEXT\"", [&env](const ScriptStatement& s, std::string& why) {
            const std::vector<Message> all = env.host.messages().all();
            const std::string shown = all.empty() ? "" : printInlineText(all.back().line1);
            if (!all.empty() && (all.back().line1 == s.args[0].text || shown == s.args[0].text))
                return true;
            why = "expected the message " + quoted(s.args[0].text) + ", " +
                  (all.empty() ? "there was none" : "it was " + quoted(shown));
            return false;
        });
    script.define("expect panel-value", 2, 4, "CONTROL VALUE",
                  [&env](const ScriptStatement& s, std::string& why) {
                      XPanel* panel = nullptr;
                      unsigned cid = 0;
                      PanelValue wanted;
                      if (!openPanel(env, panel, why) ||
                          !findControl(*panel, s.args[0], cid, why) ||
                          !parseValue(*panel, cid, s.args, 1, wanted, why))
                          return false;
                      const PanelValue held = panel->value(cid);
                      if (sameValue(held, wanted)) return true;
                      why = "control " + quoted(s.args[0].text) + " holds " + held.text() +
                            ", not " + wanted.text();
                      return false;
                  });
    script.define("expect masters", 1, 1, "N", [&env](const ScriptStatement& s, std::string& why) {
        long long n = 0;
        if (!count(s.args[0], n, why)) return false;
        const size_t held = env.plugins.scene().masters().size();
        if (held == static_cast<unsigned long long>(n)) return true;
        why = "expected " + std::to_string(n) + " master plug-ins, the scene has " +
              std::to_string(held);
        return false;
    });
    script.define("expect shaders", 2, 2, "SURFACE N",
                  [&env](const ScriptStatement& s, std::string& why) {
                      long long n = 0;
                      if (!count(s.args[1], n, why)) return false;
                      const Scene& scene = env.plugins.scene();
                      size_t held = 0;
                      bool found = false;
                      for (size_t i = 0; i < scene.surfaceCount(); ++i) {
                          if (scene.surfaceAt(i).name != s.args[0].text) continue;
                          found = true;
                          held += scene.surfaceAt(i).shaders.size();
                      }
                      if (!found) {
                          why = "the scene has no surface " + quoted(s.args[0].text);
                          return false;
                      }
                      if (held == static_cast<unsigned long long>(n)) return true;
                      why = "expected " + std::to_string(n) + " shaders on " +
                            quoted(s.args[0].text) + ", found " + std::to_string(held);
                      return false;
                  });
}

}  // namespace

void defineLayoutVerbs(Script& script, ScriptEnvironment& env) {
    script.define("command", 1, 1, "\"LINE\"", [&env](const ScriptStatement& s, std::string& why) {
        const int result = env.host.commands().execute(s.args[0].text.c_str());
        if (result == LWCMD_OK) return true;
        why = "the host answered " + std::to_string(result) + " (" + commandResultName(result) +
              ") to " + quoted(s.args[0].text);
        return false;
    });
    script.define("generic", 1, 1, "NAME", [&env](const ScriptStatement& s, std::string& why) {
        const int result = env.commands.runGeneric(s.args[0].text);
        if (result == 0) return true;
        why =
            result < 0
                ? "no loaded module offers the LayoutGeneric server " + quoted(s.args[0].text)
                : "LayoutGeneric " + quoted(s.args[0].text) + " answered " + std::to_string(result);
        return false;
    });
    script.define("save", 0, 1, "[PATH]", [&env](const ScriptStatement& s, std::string& why) {
        if (!env.allowSave) {
            why = "saving is off";
            return false;
        }
        const std::string path = s.args.empty() ? env.outputPath : s.args[0].text;
        if (path.empty()) {
            why = "no path to save to: give one, or run with -o";
            return false;
        }
        return env.plugins.saveScene(path, why, env.mayWrite);
    });
    script.define("print", 1, 1, "\"TEXT\"", [&env](const ScriptStatement& s, std::string&) {
        env.out << terminalText(s.args[0].text) << "\n";
        return true;
    });
    definePanelVerbs(script, env);
    defineExpectVerbs(script, env);
    defineGraphVerbs(script, env);
}

}  // namespace lwhost
