#include "wildcard.h"

#include <cstddef>

namespace qrv {
namespace {

// A pattern that cannot match at all (unterminated set, trailing backslash, set ending in "-")
// compiles to nothing and reports failure, since every step must be passed for a match.
using Step = PatternStep;

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Expands the text between "[" and "]" into its member bytes, left to right. A range takes back
// the member its lower bound appended, then appends lo..hi counting upwards as signed bytes.
bool expandSet(const std::string& text, std::string& members) {
    members.clear();
    bool lastIsLowerBound = false;  // the last member appended is the raw byte before the next "-"
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            if (i + 1 == text.size()) return false;
            members += text[++i];
            lastIsLowerBound = true;
        } else if (c == '-' && i > 0) {
            if (i + 1 == text.size()) return false;
            const signed char lo = static_cast<signed char>(text[i - 1]);
            const signed char hi = static_cast<signed char>(text[++i]);
            // After a reversed range there is no lower-bound member to take back.
            if (lastIsLowerBound) members.pop_back();
            for (int b = lo; b <= hi; ++b) members += static_cast<char>(b);
            lastIsLowerBound = lo <= hi;
        } else {
            members += c;
            lastIsLowerBound = true;
        }
    }
    return true;
}

bool compile(const std::string& pattern, size_t from, std::vector<Step>& steps) {
    for (size_t p = from; p < pattern.size(); ++p) {
        const char c = pattern[p];
        if (c == '?') {
            steps.emplace_back(Step::Any);
        } else if (c == '*') {
            steps.emplace_back(Step::Star);
        } else if (c == '[') {
            size_t end = p + 1;
            while (end < pattern.size() && pattern[end] != ']') {
                if (pattern[end] == '\\' && ++end == pattern.size()) return false;
                ++end;
            }
            if (end >= pattern.size()) return false;
            Step set(Step::Set);
            if (!expandSet(pattern.substr(p + 1, end - p - 1), set.members)) return false;
            steps.push_back(std::move(set));
            p = end;
        } else if (c == '\\') {
            if (p + 1 == pattern.size()) return false;
            steps.emplace_back(Step::Literal, pattern[++p]);
        } else {
            steps.emplace_back(Step::Literal, c);
        }
    }
    return true;
}

bool takes(const Step& step, char c) {
    switch (step.kind) {
        case Step::Literal:
            return step.literal == c;
        case Step::Set:
            return step.members.find(c) != std::string::npos;
        default:
            return true;
    }
}

// A star is one character followed by any number more, so the classic backtracking over the
// most recent star applies: it never revisits an earlier star and takes at most
// steps x name length comparisons, whatever the pattern.
// `fold` lower-cases the name's bytes as they are read.
template <bool fold>
bool matchSteps(const std::vector<Step>& steps, std::string_view name, size_t n) {
    size_t s = 0;
    size_t starStep = std::string::npos, starName = 0;
    // Past a star, the name's characters that the literal after it cannot take would only
    // fail and come back to the star: the star takes them at once.
    auto skipToLiteral = [&] {
        if (s < steps.size() && steps[s].kind == Step::Literal)
            while (n < name.size() && (fold ? lower(name[n]) : name[n]) != steps[s].literal) ++n;
        starName = n;
    };
    while (n < name.size()) {
        if (s < steps.size() && steps[s].kind == Step::Star) {
            starStep = s++;
            ++n;  // the one character the star must take
            skipToLiteral();
        } else if (s < steps.size() && takes(steps[s], fold ? lower(name[n]) : name[n])) {
            ++s;
            ++n;
        } else if (starStep != std::string::npos) {
            s = starStep + 1;
            n = starName + 1;
            skipToLiteral();
        } else {
            return false;
        }
    }
    // A star or any other step left over needs at least one more character.
    return s == steps.size() && n == name.size();
}

}  // namespace

void lowercase(std::string& text) {
    for (char& c : text) c = lower(c);
}

PatternList::PatternList(std::string patterns) {
    lowercase(patterns);
    for (const std::string& text : tokenize(patterns, "|")) {
        Alternative alternative;
        if (!compile(text, 0, alternative.steps)) continue;
        for (const Step& step : alternative.steps) {
            if (step.kind == Step::Star) {
                alternative.star = true;
                alternative.tail = 0;
            } else {
                ++alternative.tail;
            }
        }
        m_alternatives.push_back(std::move(alternative));
    }
}

bool PatternList::matches(std::string_view name) const {
    for (const Alternative& a : m_alternatives) {
        // Every step takes one character at least, and exactly one when there is no star.
        const size_t steps = a.steps.size();
        if (name.size() < steps || (!a.star && name.size() != steps)) continue;
        // The steps after the last star take the name's last characters, one each.
        bool tail = true;
        for (size_t k = 1; tail && a.star && k <= a.tail; ++k)
            tail = takes(a.steps[steps - k], lower(name[name.size() - k]));
        if (tail && matchSteps<true>(a.steps, name, 0)) return true;
    }
    return false;
}

std::vector<std::string> tokenize(const std::string& text, const std::string& delimiters) {
    std::vector<std::string> pieces;
    size_t start = text.find_first_not_of(delimiters);
    while (start != std::string::npos) {
        const size_t end = text.find_first_of(delimiters, start);
        pieces.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        start = text.find_first_not_of(delimiters, end);
    }
    return pieces;
}

bool wildcmp(std::string patterns, std::string name) {
    return PatternList(std::move(patterns)).matches(name);
}

bool wildcard(const std::string& pattern, const std::string& name) {
    return match_remainder(pattern, pattern.begin(), name, name.begin());
}

bool match_remainder(const std::string& pattern, std::string::const_iterator p,
                     const std::string& name, std::string::const_iterator n) {
    std::vector<Step> steps;
    if (!compile(pattern, static_cast<size_t>(p - pattern.begin()), steps)) return false;
    return matchSteps<false>(steps, name, static_cast<size_t>(n - name.begin()));
}

}  // namespace qrv
