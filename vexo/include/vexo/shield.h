// The exception shield: every function the host (or another plug-in) can call into the module
// runs its body through shield(), so that no exception of any type unwinds into the host. Each
// entry point says how it reports a failure and what it then returns:
//   Dialog{where, value}   shows the host's error dialog, "An exception occured in <where>:" and
//                          the message, then returns `value` (nothing for a void entry);
//   Returned{where, kept}  hands the message back as the entry's result (an error text);
//   ErrorOut{where, kept, err}  stores the message in *err and returns null.
// An exception not derived from std::exception is reported the same way with the message
// "An unknown exception occured in <where>". The failure path allocates nothing, so a failed
// allocation is reported like any other failure; the normal path adds only the try block.
#pragma once

#include <cstddef>
#include <exception>

namespace vexo {

// Room for a message handed back to the host. It stays readable after the entry returns and is
// replaced by the entry's next failure; longer messages are cut.
constexpr std::size_t kKeptTextSize = 1024;

template <class R = void>
struct Dialog {
    const char* where;
    R value;
};
template <>
struct Dialog<void> {
    const char* where;
};
Dialog(const char*)->Dialog<void>;
template <class R>
Dialog(const char*, R) -> Dialog<R>;

struct Returned {
    const char* where;
    char* kept;  // kKeptTextSize bytes
};

struct ErrorOut {
    const char* where;
    char* kept;  // kKeptTextSize bytes
    const char** err;
};

namespace detail {

// The host's error dialog with the header for `where`; skipped without a message service.
void showFailure(const char* where, const char* message) noexcept;
// Copies `message` (or, when null, the unknown-exception text for `where`) into `kept`.
const char* keepFailure(char* kept, const char* where, const char* message) noexcept;

template <class R>
R failed(const Dialog<R>& report, const char* message) noexcept {
    showFailure(report.where, message);
    return report.value;
}
inline void failed(const Dialog<void>& report, const char* message) noexcept {
    showFailure(report.where, message);
}
inline const char* failed(const Returned& report, const char* message) noexcept {
    return keepFailure(report.kept, report.where, message);
}
inline std::nullptr_t failed(const ErrorOut& report, const char* message) noexcept {
    const char* text = keepFailure(report.kept, report.where, message);
    if (report.err) *report.err = text;
    return nullptr;
}

// A kept text per owner class and entry kind.
template <class Owner, int Kind>
char* keptText() {
    static char text[kKeptTextSize];
    return text;
}

}  // namespace detail

// Runs `body` and returns its result; on any exception reports it as `report` says and returns
// the entry's failure value instead.
// Always inlined, so that an entry is one function with its body: no call is added per sample.
template <class Report, class Body>
__attribute__((always_inline)) inline auto shield(const Report& report, Body&& body) noexcept
    -> decltype(body()) {
    using R = decltype(body());
    try {
        return body();
    } catch (const std::exception& e) {
        return static_cast<R>(detail::failed(report, e.what()));
    } catch (...) {
        return static_cast<R>(detail::failed(report, nullptr));
    }
}

}  // namespace vexo
