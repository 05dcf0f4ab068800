// Comment value line fuzzing: any comment, read line by line, is split and its values read
// without crashing or hanging. A line is a value line exactly when it holds a marker, ":", "="
// and ";"; the type and key come trimmed, and every value read is a finite number.
#include <comments/comment_store.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool has(const std::string& text, char c) {
    return text.find(c) != std::string::npos;
}

void line(const std::string& text) {
    std::string type, key, value;
    bool inherit = false;
    const bool ok = qrv::parseComment(text, type, key, value, inherit);
    const bool marked = has(text, '#') || has(text, '*');
    check(ok == (marked && has(text, ':') && has(text, '=') && has(text, ';')));
    if (!ok) return;
    check(inherit == !has(text, '#'));
    check(qrv::trimComment(type) == type && qrv::trimComment(key) == key);
    check(value.size() < text.size() && key.size() < text.size());

    check(std::isfinite(qrv::readCommentScalar(value)));
    const vexo::Vector3<double> v = qrv::readCommentVector(value);
    check(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
    (void)qrv::readCommentInteger(value);
    (void)qrv::commentTypeLetter(type);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= input.size()) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos) end = input.size();
        line(input.substr(start, end - start));
        start = end + 1;
    }
    return 0;
}
