// The reference in docs/ names every node server, root input and script verb there is, and
// `lwhost run --help` every script verb: the lists come from the code's own tables, read through
// the real host with the bundle loaded, so a server, input or verb added without its
// documentation fails here.
#include <gtest/gtest.h>
#include <lwsdk/lwnode.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "bundle_fixtures.h"
#include "lwhost/script/script.h"
#include "run_program.h"

namespace {

// Every docs/*.md file, one after another.
std::string allDocs() {
    std::string text;
    for (const auto& entry : std::filesystem::directory_iterator(DOCS_DIR)) {
        if (entry.path().extension() != ".md") continue;
        std::ifstream in(entry.path());
        text.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        text += "\n";
    }
    return text;
}

// Whether the verb begins an entry of the help's verb list: a line, or an item after ", ".
bool listed(const std::string& help, const std::string& verb) {
    for (size_t at = help.find(verb); at != std::string::npos; at = help.find(verb, at + 1)) {
        const size_t end = at + verb.size();
        if (end < help.size() && help[end] != ' ' && help[end] != ',' && help[end] != '\n')
            continue;
        const size_t lineStart = help.rfind('\n', at) + 1;
        if (help.find_first_not_of(' ', lineStart) == at || help.compare(at - 2, 2, ", ") == 0)
            return true;
    }
    return false;
}

// Whether the name stands in the text as a name of its own: opening a code span or a quotation,
// or beginning a line or a heading, and not running on into a longer word.
bool documented(const std::string& text, const std::string& name) {
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
        const size_t end = at + name.size();
        if (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) ||
                                  text[end] == '-' || text[end] == '_'))
            continue;
        const size_t lineStart = text.rfind('\n', at) + 1;  // npos + 1 is the text's start
        const bool opens = at > 0 && (text[at - 1] == '`' || text[at - 1] == '"');
        if (opens || text.find_first_not_of(" #", lineStart) == at) return true;
    }
    return false;
}

TEST(ReferenceDocsTest, NamesEveryNodeServerRootInputAndScriptVerb) {
    std::ostringstream out;
    override_test::OverrideHost h;
    ASSERT_NE(h.table, nullptr);
    h.table->ns_subscribe();  // the first subscription builds the override graph
    ASSERT_NE(h.graph(), nullptr);

    std::vector<std::string> servers = h.host.nodes().serverNames();
    for (const st_ServerRecord* r : h.module->records())
        if (std::string(r->className) == LWNODE_HCLASS) servers.push_back(r->name);
    std::vector<std::string> rootInputs;
    for (const auto& input : h.graph()->rootInputs) rootInputs.push_back(input->name);
    h.table->ns_unsubscribe();
    lwhost::Script script;
    lwhost::ScriptEnvironment env{h.host, h.session.plugins(), h.session.commands(), out, "",
                                  false};
    lwhost::defineLayoutVerbs(script, env);
    lwhost::defineDialogVerbs(script, env);
    lwhost::defineSelectionVerbs(script, env);

    const std::string docs = allDocs();
    EXPECT_FALSE(documented(docs, "qrvNoSuchServer"));
    const std::pair<const char*, std::vector<std::string>> lists[] = {
        {"node server", servers}, {"root input", rootInputs}, {"script verb", script.names()}};
    for (const auto& [what, names] : lists) {
        EXPECT_FALSE(names.empty()) << what;
        for (const std::string& name : names)
            EXPECT_TRUE(documented(docs, name))
                << "the " << what << " \"" << name << "\" is not in docs/*.md";
    }
    const ProgramResult help = runProgram(lwhostProgram() + " run --help");
    ASSERT_EQ(help.status, 0) << help.err;
    for (const std::string& verb : script.names())
        EXPECT_TRUE(listed(help.out, verb)) << "lwhost run --help does not list \"" << verb << "\"";
}

}  // namespace
