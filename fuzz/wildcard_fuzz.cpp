// Wildcard fuzzing: any pattern list and name give an answer without crashing or hanging, and
// for short inputs that answer equals a direct step-by-step recursive matcher (stars taking one
// or more characters). Input: the pattern list, a NUL byte, then the name.
#include <toolkit/wildcard.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Expands a set the plain way: a string of members, ranges counted upwards as signed bytes.
bool referenceSet(const std::string& text, char c, bool& ok) {
    std::string members;
    bool canTakeBack = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') {
            if (i + 1 == text.size()) return ok = false;
            members += text[++i];
            canTakeBack = true;
        } else if (text[i] == '-' && i > 0) {
            if (i + 1 == text.size()) return ok = false;
            const int lo = static_cast<signed char>(text[i - 1]);
            const int hi = static_cast<signed char>(text[++i]);
            if (canTakeBack) members.erase(members.size() - 1);
            for (int b = lo; b <= hi; ++b) members += static_cast<char>(b);
            canTakeBack = lo <= hi;
        } else {
            members += text[i];
            canTakeBack = true;
        }
    }
    return members.find(c) != std::string::npos;
}

bool reference(const std::string& pat, size_t p, const std::string& name, size_t n) {
    while (p < pat.size()) {
        if (n == name.size()) return false;
        const char c = pat[p];
        if (c == '?') {
            ++p, ++n;
        } else if (c == '*') {
            for (size_t i = n + 1; i <= name.size(); ++i)
                if (reference(pat, p + 1, name, i)) return true;
            return false;
        } else if (c == '[') {
            size_t end = p + 1;
            while (end < pat.size() && pat[end] != ']') {
                if (pat[end] == '\\' && ++end == pat.size()) return false;
                ++end;
            }
            if (end >= pat.size()) return false;
            bool ok = true;
            const bool member = referenceSet(pat.substr(p + 1, end - p - 1), name[n], ok);
            if (!ok || !member) return false;
            p = end + 1, ++n;
        } else if (c == '\\') {
            if (p + 1 == pat.size() || pat[p + 1] != name[n]) return false;
            p += 2, ++n;
        } else {
            if (c != name[n]) return false;
            ++p, ++n;
        }
    }
    return n == name.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string patterns = input.substr(0, split);
    const std::string name = split == std::string::npos ? "" : input.substr(split + 1);
    const bool answer = qrv::wildcmp(patterns, name);

    // The reference backtracks blindly, so compare only where that stays cheap.
    if (std::count(patterns.begin(), patterns.end(), '*') > 4 || name.size() > 32) return 0;
    std::string lowerPatterns = patterns, lowerName = name;
    qrv::lowercase(lowerPatterns);
    qrv::lowercase(lowerName);
    bool expected = false;
    for (const std::string& alternative : qrv::tokenize(lowerPatterns, "|"))
        expected = expected || reference(alternative, 0, lowerName, 0);
    if (answer != expected) std::abort();
    return 0;
}
