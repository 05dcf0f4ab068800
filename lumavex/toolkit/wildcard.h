// Case-insensitive wildcard pattern lists for the selection filters: "|" separates alternatives,
// each anchored at both ends. "?" takes one character, "*" one or more, "[...]" one member of a
// set with ranges ("a-z"; a leading "-" is a member), and "\" makes the next character plain.
// Matching runs on the main thread when filters rebuild their per-frame sets.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qrv {

// One step of an alternative: a literal byte, "?", a star, or a set of member bytes.
struct PatternStep {
    enum Kind { Literal, Any, Star, Set };
    explicit PatternStep(Kind k, char c = 0) : kind(k), literal(c) {}
    Kind kind;
    char literal;
    std::string members;
};

// A pattern list compiled once, so that a frame's many names are matched without compiling it
// again for each: matches(name) is wildcmp(patterns, name).
class PatternList {
  public:
    explicit PatternList(std::string patterns);
    bool matches(std::string_view name) const;

  private:
    struct Alternative {
        std::vector<PatternStep> steps;
        bool star = false;  // whether a step is a star
        size_t tail = 0;    // steps after the last star
    };
    std::vector<Alternative> m_alternatives;  // lower-cased; those that compile
};

// ASCII "A"-"Z" become "a"-"z"; every other byte stays.
void lowercase(std::string& text);

// Pieces between runs of delimiter characters; never an empty piece.
std::vector<std::string> tokenize(const std::string& text, const std::string& delimiters);

// True if the name matches any alternative of the pattern list, ignoring letter case.
bool wildcmp(std::string patterns, std::string name);

// One alternative against the whole name, case-sensitively.
bool wildcard(const std::string& pattern, const std::string& name);

// The rest of the pattern from `p` against the rest of the name from `n`.
bool match_remainder(const std::string& pattern, std::string::const_iterator p,
                     const std::string& name, std::string::const_iterator n);

}  // namespace qrv
