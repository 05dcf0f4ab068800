// The verbs that explain what selection nodes select: a listing, and an expectation a script can
// assert.
#include <ostream>

#include "lwhost/plugins/plugins.h"
#include "lwhost/plugins/selections.h"
#include "lwhost/script/script.h"

namespace lwhost {

namespace {

bool frameOf(const ScriptArg& arg, int& frame, std::string& why) {
    long long n = 0;
    if (!arg.quoted && scriptInt(arg.text, n) && n >= -1000000 && n <= 1000000) {
        frame = static_cast<int>(n);
        return true;
    }
    why = "expected a frame number, found " + scriptQuote(arg.text);
    return false;
}

std::string listed(const std::vector<std::string>& members) {
    if (members.empty()) return "nothing";
    std::string out;
    for (const std::string& m : members) out += (out.empty() ? "" : ", ") + scriptQuote(m);
    return out;
}

}  // namespace

void defineSelectionVerbs(Script& script, ScriptEnvironment& env) {
    script.define("explain", 1, 1, "FRAME", [&env](const ScriptStatement& s, std::string& why) {
        int frame = 0;
        if (!frameOf(s.args[0], frame, why)) return false;
        std::vector<ExplainedGraph> graphs;
        if (!explainSelections(env.plugins, frame, graphs, why)) return false;
        env.out << formatSelections(frame, graphs);
        return true;
    });
    script.define("expect selection", 2, 1000, "FRAME \"NODE\" [\"MEMBER\"...]",
                  [&env](const ScriptStatement& s, std::string& why) {
                      int frame = 0;
                      if (!frameOf(s.args[0], frame, why)) return false;
                      std::vector<ExplainedGraph> graphs;
                      if (!explainSelections(env.plugins, frame, graphs, why)) return false;
                      std::vector<std::string> wanted;
                      for (size_t i = 2; i < s.args.size(); ++i) wanted.push_back(s.args[i].text);
                      // A name two graphs share would check whichever comes first: refused.
                      const ExplainedNode* found = nullptr;
                      std::string holders;
                      size_t named = 0;
                      for (const ExplainedGraph& g : graphs)
                          for (const ExplainedNode& n : g.nodes) {
                              if (n.name != s.args[1].text) continue;
                              if (named++ == 0) found = &n;
                              holders += (holders.empty() ? "" : "; ") + g.line;
                          }
                      if (!found) {
                          why = "no graph holds a node named " + scriptQuote(s.args[1].text);
                          return false;
                      }
                      if (named > 1) {
                          why = std::to_string(named) + " graphs hold a node named " +
                                scriptQuote(s.args[1].text) + " (" + holders + ")";
                          return false;
                      }
                      if (found->members == wanted) return true;
                      why = "expected " + scriptQuote(found->name) + " to list " + listed(wanted) +
                            " at frame " + std::to_string(frame) + ", it lists " +
                            listed(found->members);
                      return false;
                  });
}

}  // namespace lwhost
