// Pattern lists as artists type them: alternatives, anchoring, case, "?", stars that take one or
// more characters, sets and ranges, escapes, and patterns that can never match.
#include <gtest/gtest.h>
#include <toolkit/wildcard.h>

#include <string>
#include <vector>

namespace {

struct Case {
    const char* patterns;
    const char* name;
    bool matches;
};

TEST(WildcardTest, PatternListsMatchWholeNamesIgnoringCase) {
    const Case cases[] = {
        {"", "cube", false},
        {"||", "cube", false},
        {"*", "", false},
        {"Cube|Sphere", "cube", true},
        {"Cube|Sphere", "SPHERE", true},
        {"Cube | Sphere", "cube", false},
        {"Cube | Sphere", "sphere", false},
        {"Cube | Sphere", "cube ", true},
        {"ball", "ball2", false},
        {"ball", "myball", false},
        {"Light", "LIGHT", true},
        {"[A-Z]*", "Key1", true},
        {"[A-C]", "b", true},
        {"|ball||", "BALL", true},
        {"*AB", "xaAb", true},
        {"*ab", "ab", false},
        {"Part*1", "PART21x", false},
        {"*p*1|x", "aPbP21", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qrv::wildcmp(c.patterns, c.name), c.matches) << c.patterns << " / " << c.name;
}

TEST(WildcardTest, QuestionMarksAndStarsTakeCharactersSetsRangesAndEscapes) {
    const Case cases[] = {
        {"a?c", "abc", true},   {"a?c", "ac", false},       {"a?c", "abbc", false},
        {"a*c", "abc", true},   {"a*c", "abbbc", true},     {"a*c", "ac", false},
        {"*b", "ab", true},     {"*b", "b", false},         {"abc*", "abc", false},
        {"abc?", "abc", false}, {"a*", "ab", true},         {"a*", "a", false},
        {"*", "x", true},       {"**", "x", false},         {"**", "xy", true},
        {"*.*", "a.b.c", true}, {"*a*b", "xaxaxb", true},   {"*a*b", "xaxaxbx", false},
        {"[abc]x", "bx", true}, {"[abc]x", "dx", false},    {"[a-c]", "b", true},
        {"[-a]", "-", true},    {"[a-]", "a", false},       {"[c-a]", "b", false},
        {"[c-a]", "c", false},  {"[!a]", "!", true},        {"[!a]", "a", true},
        {"[\\]]", "]", true},   {"[]", "]", false},         {"[]]", "]", false},
        {"ab[c", "abc", false}, {"ab[c", "ab[c", false},    {"\\*", "*", true},
        {"\\*", "x", false},    {"ab\\", "ab", false},      {"ab\\", "ab\\", false},
        {"[a-c-e]", "d", true}, {"[\\--/]", ".", true},     {"[z-a-c]", "b", true},
        {"[zz-a]", "z", true},  {"[\x80-a]", "\x90", true}, {"[a-\x80]", "b", false},
        {"[a\\", "a", false},   {"*ab", "aab", true},       {"*ab", "abab", true},
        {"[a-c]", "c", true},   {"Key[1-3]", "Key3", true}, {"Key[1-3]", "Key4", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qrv::wildcard(c.patterns, c.name), c.matches) << c.patterns << " / " << c.name;
}

TEST(WildcardTest, TokenizeDropsEmptyPiecesAndKeepsBlanks) {
    EXPECT_EQ(qrv::tokenize("|a | b||c|", "|"), (std::vector<std::string>{"a ", " b", "c"}));
    EXPECT_EQ(qrv::tokenize(",;", ",;"), std::vector<std::string>{});
    std::string mixed = "Key_Light\xC4";
    qrv::lowercase(mixed);
    EXPECT_EQ(mixed, "key_light\xC4");
}

TEST(WildcardTest, ManyStarsAgainstALongNameFinishQuickly) {
    // Plain recursion would try every split of the name between the stars.
    const std::string pattern = "*a*a*a*a*a*a*a*a*a*a*a*a*b";
    EXPECT_FALSE(qrv::wildcard(pattern, std::string(5000, 'a')));
    EXPECT_TRUE(qrv::wildcard(pattern, std::string(5000, 'a') + "b"));
    EXPECT_FALSE(qrv::wildcard(std::string(100000, '*'), std::string(99999, 'a')));
}

}  // namespace
