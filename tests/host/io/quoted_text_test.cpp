// The one quoted-text lexer: every reader refuses DEL between quotes, with its own words.
#include "lwhost/io/quoted_text.h"
#include <gtest/gtest.h>
#include "lwhost/io/blockio.h"

#include <string>
#include <vector>

namespace {

using lwhost::formatLocated;

// Each reader's rules, as a line of it holding DEL in a text; the block reader also as itself,
// on a text cut from line 10 of a larger file.
TEST(QuotedTextTest, EveryReaderRefusesDelInATextNamingFileAndLine) {
    const std::string line =
        "Name \"a\x7f"
        "b\"";
    const struct {
        const char* reader;
        const lwhost::QuoteRules& rules;
        bool checkEscapes;  // false: the scene's brace scan, which only finds a text's end
        const char* expected;
    } rows[] = {
        {"scene file", lwhost::kSceneQuotes, true,
         "f:3: control character in a text; write it as an escape"},
        {"scene text helpers", lwhost::kSceneQuotes, false,
         "f:3: control character in a text; write it as an escape"},
        {"script", lwhost::kScriptQuotes, true,
         "f:3: control character in a text (write it as an escape)"},
        {"block file", lwhost::kBlockQuotes, true,
         "f:3: control character in a text (write it as an escape)"},
        {"layout command", lwhost::kCommandQuotes, true, "f:3: control character in a text"},
    };
    for (const auto& row : rows) {
        std::string why;
        size_t pos = line.find('"');
        std::vector<lwhost::QuotedToken> tokens;
        const bool ok = row.checkEscapes
                            ? lwhost::splitQuotedLine(line, row.rules, tokens, why)
                            : lwhost::readQuoted(line, pos, row.rules, nullptr, why, false);
        EXPECT_FALSE(ok) << row.reader;
        EXPECT_EQ(formatLocated({"f", 3, why}), row.expected) << row.reader;
    }

    lwhost::MemoryLoadState state("Alpha 1\n" + line + "\n", LWIO_ASCII, 10);
    EXPECT_FALSE(state.check());
    lwhost::Located problem = state.problem();
    problem.file = "f";
    EXPECT_EQ(formatLocated(problem), "f:11: control character in a text (write it as an escape)");
}

}  // namespace
