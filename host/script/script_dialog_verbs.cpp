// The verbs that queue user actions for modal panels and dialogs, check what was shown, and
// set the host's directories and alert level.
#include <lwsdk/lwpanel.h>

#include <memory>
#include <ostream>

#include "lwhost/core/host.h"
#include "lwhost/io/png.h"
#include "lwhost/script/script.h"
#include "lwhost/ui/dialogs.h"
#include "lwhost/ui/panels.h"

namespace lwhost {

namespace {

constexpr long long kMaxWaitMs = 60000;

std::string origin(const ScriptStatement& s) {
    return "queued at line " + std::to_string(s.line);
}

// A user action of `kind` queued from statement `s`; `text` is its path, answer or file name.
UserAction action(const ScriptStatement& s, UserAction::Kind kind, std::string text = {}) {
    UserAction a;
    a.kind = kind;
    a.text = std::move(text);
    a.origin = origin(s);
    a.line = s.line;
    return a;
}

// "shift", "ctrl", "alt" joined by '+'.
bool qualifiers(const std::string& text, int& out, std::string& why) {
    out = 0;
    size_t at = 0;
    while (at <= text.size()) {
        size_t plus = text.find('+', at);
        if (plus == std::string::npos) plus = text.size();
        const std::string word = text.substr(at, plus - at);
        if (word == "shift")
            out |= IQ_SHIFT;
        else if (word == "ctrl")
            out |= IQ_CTRL;
        else if (word == "alt")
            out |= IQ_ALT;
        else {
            why = "qualifiers are shift, ctrl and alt joined by '+', not " + scriptQuote(text);
            return false;
        }
        at = plus + 1;
    }
    return true;
}

// Kinds as scripts name them, and as the dialog log records them.
bool dialogKind(const std::string& text, std::string& out) {
    static const std::pair<const char*, const char*> kKinds[] = {
        {"panel", "panel"},
        {"form", "form"},
        {"file", "file request"},
        {"yes-no", "yes/no"},
        {"yes-no-cancel", "yes/no/cancel"},
        {"ok-cancel", "ok/cancel"},
        {"error", "error"},
    };
    for (const auto& [name, kind] : kKinds) {
        if (text != name) continue;
        out = kind;
        return true;
    }
    return false;
}

bool textMatches(const std::string& all, const std::string& wanted) {
    if (all == wanted) return true;
    size_t at = 0;
    while (at <= all.size()) {
        size_t nl = all.find('\n', at);
        if (nl == std::string::npos) nl = all.size();
        if (all.compare(at, nl - at, wanted) == 0 && nl - at == wanted.size()) return true;
        at = nl + 1;
    }
    return false;
}

std::string describe(const DialogRecord& r) {
    return r.kind + " " + scriptQuote(r.title) + (r.text.empty() ? "" : " " + scriptQuote(r.text));
}

// An error not checked: false with where and why, naming the verb that checks it. `line` is
// left as it is for an error no statement showed, which `outside` says when it came.
bool errorsChecked(const Dialogs& d, const char* outside, int& line, std::string& why) {
    DialogRecord r;
    if (!d.uncheckedError(r)) return true;
    if (r.line > 0) line = r.line;
    why = "the error " + scriptQuote(r.title) +
          (r.text.empty() ? "" : " (" + scriptQuote(r.text) + ")") + " was shown" +
          (r.line > 0 ? "" : outside) + " and not expected (expect dialog error " +
          scriptQuote(r.title) + ")";
    return false;
}

// The classic panel a panel verb works on: the modal one, else the latest alive.
ClassicPanel* classicPanel(Host& host) {
    ClassicPanels& panels = host.classicPanels();
    if (ClassicPanel* p = panels.modal()) return p;
    return panels.latest();
}

void defineQueueVerbs(Script& script, ScriptEnvironment& env) {
    Dialogs& d = env.host.dialogs();
    script.define("queue click", 2, 3, "LIST ROW [shift|ctrl|alt]",
                  [&d](const ScriptStatement& s, std::string& why) {
                      UserAction a = action(s, UserAction::Kind::Click);
                      a.control = s.args[0].text;
                      long long index = -1;
                      if (!s.args[1].quoted && scriptInt(s.args[1].text, index)) {
                          if (index < 0 || index > 1 << 30) {
                              why = "rows count from 0";
                              return false;
                          }
                          a.rowIndex = static_cast<int>(index);
                      } else {
                          a.row = s.args[1].text;
                      }
                      if (s.args.size() == 3 && !qualifiers(s.args[2].text, a.qualifiers, why))
                          return false;

                      d.queue(std::move(a));
                      return true;
                  });
    script.define("queue press", 1, 1, "BUTTON", [&d](const ScriptStatement& s, std::string&) {
        UserAction a = action(s, UserAction::Kind::Press);
        a.control = s.args[0].text;
        d.queue(std::move(a));
        return true;
    });
    script.define("queue wait", 1, 1, "MS", [&d](const ScriptStatement& s, std::string& why) {
        long long ms = -1;
        if (s.args[0].quoted || !scriptInt(s.args[0].text, ms) || ms < 0 || ms > kMaxWaitMs) {
            why = "a wait takes 0 to " + std::to_string(kMaxWaitMs) + " milliseconds, not " +
                  scriptQuote(s.args[0].text);
            return false;
        }
        UserAction a = action(s, UserAction::Kind::Wait);
        a.ms = ms;
        d.queue(std::move(a));
        return true;
    });
    script.define("queue answer", 1, 1, "ok|cancel|yes|no",
                  [&d](const ScriptStatement& s, std::string& why) {
                      const std::string& t = s.args[0].text;
                      if (t != "ok" && t != "cancel" && t != "yes" && t != "no") {
                          why = "an answer is ok, cancel, yes or no, not " + scriptQuote(t);
                          return false;
                      }
                      d.queue(action(s, UserAction::Kind::Answer, t));
                      return true;
                  });
    script.define("queue file", 1, 1, "PATH", [&d](const ScriptStatement& s, std::string& why) {
        if (s.args[0].text.empty()) {
            why = "the path is empty (queue file-cancel cancels a file request)";
            return false;
        }
        d.queue(action(s, UserAction::Kind::File, s.args[0].text));
        return true;
    });
    auto plain = [&d](UserAction::Kind kind) {
        return [&d, kind](const ScriptStatement& s, std::string&) {
            d.queue(action(s, kind));
            return true;
        };
    };
    script.define("queue file-cancel", 0, 0, "", plain(UserAction::Kind::FileCancel));
    script.define("queue form-ok", 0, 0, "", plain(UserAction::Kind::FormOk));
    script.define("queue form-cancel", 0, 0, "", plain(UserAction::Kind::FormCancel));
    script.define("queue print", 0, 0, "", plain(UserAction::Kind::Print));
    script.define("queue form-set", 2, 4, "CONTROL VALUE...",
                  [&d](const ScriptStatement& s, std::string&) {
                      UserAction a = action(s, UserAction::Kind::FormSet);
                      a.control = s.args[0].text;
                      a.controlArg = s.args[0];
                      a.values.assign(s.args.begin() + 1, s.args.end());
                      d.queue(std::move(a));
                      return true;
                  });
    script.define("queue form-press", 1, 1, "BUTTON", [&d](const ScriptStatement& s, std::string&) {
        UserAction a = action(s, UserAction::Kind::FormPress);
        a.control = s.args[0].text;
        a.controlArg = s.args[0];
        d.queue(std::move(a));
        return true;
    });
    script.define("queue save-png", 1, 1, "PATH",
                  [&d, &env](const ScriptStatement& s, std::string& why) {
                      if (!env.allowSave) {
                          why = "saving is off";
                          return false;
                      }
                      if (s.args[0].text.empty()) {
                          why = "the path is empty";
                          return false;
                      }
                      d.queue(action(s, UserAction::Kind::SavePng, s.args[0].text));
                      return true;
                  });
    script.define("queue clear", 0, 0, "", [&d](const ScriptStatement&, std::string&) {
        d.clearQueue();
        return true;
    });
}

void defineCheckVerbs(Script& script, ScriptEnvironment& env) {
    Dialogs& d = env.host.dialogs();
    // Dialogs are checked in the order they were shown, errors in their own: each check takes
    // the next one.
    script.define(
        "expect dialog", 2, 3, "KIND \"TITLE\" [\"TEXT\"]",
        [&d](const ScriptStatement& s, std::string& why) {
            std::string kind;
            if (!dialogKind(s.args[0].text, kind)) {
                why =
                    "dialog kinds are panel, form, file, yes-no, yes-no-cancel, ok-cancel and "
                    "error, not " +
                    scriptQuote(s.args[0].text);
                return false;
            }
            const bool error = kind == "error";
            DialogRecord r;
            if (!d.checkNext(error, r)) {
                why = "expected the " + kind + " " + scriptQuote(s.args[1].text) + ", " +
                      (error ? "no error" : "no dialog") + " was shown that was not checked yet";
                return false;
            }
            if (r.kind == kind && r.title == s.args[1].text &&
                (s.args.size() < 3 || textMatches(r.text, s.args[2].text)))
                return true;
            why = "expected the " + kind + " " + scriptQuote(s.args[1].text) +
                  (s.args.size() < 3 ? "" : " with " + scriptQuote(s.args[2].text)) +
                  ", the next " + (error ? "error" : "dialog") + " shown was " + describe(r);
            return false;
        });
    script.define("expect dialogs", 1, 1, "N", [&d](const ScriptStatement& s, std::string& why) {
        long long n = -1;
        if (s.args[0].quoted || !scriptInt(s.args[0].text, n) || n < 0) {
            why = "expected a count, found " + scriptQuote(s.args[0].text);
            return false;
        }
        const size_t shown = d.shown().size();
        if (shown == static_cast<unsigned long long>(n)) return true;
        why =
            "expected " + std::to_string(n) + " dialogs, " + std::to_string(shown) + " were shown";
        return false;
    });
    script.define(
        "expect file-request", 2, 2, "\"TITLE\" \"PATH\"|cancelled",
        [&d](const ScriptStatement& s, std::string& why) {
            if (d.fileRequests() == 0) {
                why = "no file request was made";
                return false;
            }
            const FileRequestRecord r = d.lastFileRequest();
            const bool wantCancel = !s.args[1].quoted && s.args[1].text == "cancelled";
            const std::string got =
                r.result == LWFREQ_CONFIRMED ? scriptQuote(r.fullName) : "cancelled";
            if (r.title == s.args[0].text &&
                (wantCancel ? r.result != LWFREQ_CONFIRMED
                            : r.result == LWFREQ_CONFIRMED && r.fullName == s.args[1].text))
                return true;
            why = "expected the file request " + scriptQuote(s.args[0].text) + " " +
                  (wantCancel ? "cancelled" : scriptQuote(s.args[1].text)) + ", the last one was " +
                  scriptQuote(r.title) + " " + got;
            return false;
        });
    script.define("expect queue-empty", 0, 0, "", [&d](const ScriptStatement&, std::string& why) {
        const std::vector<UserAction> left = d.pending();
        if (left.empty()) return true;
        why = std::to_string(left.size()) + " queued actions were not used, the first '" +
              left.front().describe() + "' (" + left.front().origin + ")";
        return false;
    });
}

void defineSettingVerbs(Script& script, ScriptEnvironment& env) {
    Dialogs& d = env.host.dialogs();
    script.define("set alert-level", 1, 1, "0|1|2",
                  [&d](const ScriptStatement& s, std::string& why) {
                      long long level = -1;
                      if (s.args[0].quoted || !scriptInt(s.args[0].text, level) || level < 0 ||
                          level > 2 || !d.setAlertLevel(static_cast<int>(level))) {
                          why = "the alert level is 0, 1 or 2, not " + scriptQuote(s.args[0].text);
                          return false;
                      }
                      return true;
                  });
    script.define("set directory", 2, 2, "TYPE PATH",
                  [&d](const ScriptStatement& s, std::string& why) {
                      return d.setDirectoryOption(s.args[0].text + "=" + s.args[1].text, why);
                  });
}

void defineClassicPanelVerbs(Script& script, ScriptEnvironment& env) {
    script.define("panel save-png", 1, 1, "PATH",
                  [&env](const ScriptStatement& s, std::string& why) {
                      if (!env.allowSave) {
                          why = "saving is off";
                          return false;
                      }
                      ClassicPanels& panels = env.host.classicPanels();
                      const Image* image = &panels.lastImage();
                      if (ClassicPanel* p = classicPanel(env.host)) {
                          p->redraw(DR_RENDER);
                          if (p->destroyed()) {
                              why = "the panel went away while drawing";
                              return false;
                          }
                          image = &p->image();
                      }
                      if (image->empty()) {
                          why = "no classic panel was drawn";
                          return false;
                      }
                      return writePng(s.args[0].text, *image, why);
                  });
    script.define(
        "panel print-classic", 0, 0, "", [&env](const ScriptStatement&, std::string& why) {
            ClassicPanel* p = classicPanel(env.host);
            const std::string text = p ? p->print() : env.host.classicPanels().lastPrint();
            if (text.empty()) {
                why = "no classic panel was shown";
                return false;
            }
            env.out << text;
            return true;
        });
}

}  // namespace

void defineDialogVerbs(Script& script, ScriptEnvironment& env) {
    Dialogs& d = env.host.dialogs();
    d.setOutput(&env.out);
    d.setAllowSave(env.allowSave);
    // Every verb defined so far may open dialogs: a statement fails when a queued action met
    // a dialog that could not take it.
    for (const std::string& name : script.names()) {
        const Script::Verb* verb = script.find(name);
        if (!verb) continue;
        Script::Verb copy = *verb;
        Script::Handler inner = copy.handler;
        script.define(name, copy.minArgs, copy.maxArgs, copy.usage,
                      [inner, &d](const ScriptStatement& s, std::string& why) {
                          const bool ok = inner(s, why);
                          const std::vector<std::string> errors = d.takeErrors();
                          if (errors.empty()) return ok;
                          const std::string more =
                              errors.size() > 1
                                  ? " (and " + std::to_string(errors.size() - 1) + " more)"
                                  : "";
                          why = ok || why.empty() ? errors.front() + more
                                                  : why + "; " + errors.front() + more;
                          return false;
                      });
    }
    // An error nobody expected stops the run before anything but a check runs, and keeps any
    // save from writing.
    script.setStatementCheck([&d](const ScriptStatement& s, int& line, std::string& why) {
        if (s.verb.compare(0, 7, "expect ") != 0 &&
            !errorsChecked(d, " while the scene loaded", line, why))
            return false;
        d.setLine(s.line);
        return true;
    });
    // Earlier errors stopped the run already: what is left came while saving.
    env.mayWrite = [&d](std::string& why) {
        int line = 0;
        return errorsChecked(d, " while the scene was saved", line, why);
    };
    // Actions queued for dialogs that never came are a script that did not do what it says.
    script.setEndCheck([&d](int& line, std::string& why) {
        d.setLine(0);
        if (!errorsChecked(d, " while the scene loaded", line, why)) return false;
        const std::vector<UserAction> left = d.pending();
        if (left.empty()) return true;
        if (left.front().line > 0) line = left.front().line;
        why = "the queued action '" + left.front().describe() + "' was never used" +
              (left.size() > 1 ? " (nor " + std::to_string(left.size() - 1) + " after it)" : "");
        d.clearQueue();  // they belong to the script that ended
        return false;
    });
    defineQueueVerbs(script, env);
    defineCheckVerbs(script, env);
    defineSettingVerbs(script, env);
    defineClassicPanelVerbs(script, env);
}

}  // namespace lwhost
