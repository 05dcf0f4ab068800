#include "alloc_counter.h"

#include <dlfcn.h>

#include <cstdlib>
#include <new>

namespace {

thread_local bool t_counting = false;
thread_local long t_allocations = 0;
thread_local long t_failIn = -1;  // allocations left before the one that fails; -1: none fails

template <class F>
F replaced(const char* symbol) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, symbol));
}
using Plain = void* (*)(std::size_t);
using Quiet = void* (*)(std::size_t, const std::nothrow_t&);
using Aligned = void* (*)(std::size_t, std::align_val_t);

// Whether this allocation is the one to fail.
bool failsNow() {
    return t_failIn >= 0 && t_failIn-- == 0;
}

template <class F, class... A>
void* forward(F next, A... args) {
    if (t_counting) ++t_allocations;
    if (!next) std::abort();
    return next(args...);
}

}  // namespace

namespace alloc_counter {

void start() {
    t_allocations = 0;
    t_counting = true;
}

long stop() {
    t_counting = false;
    return t_allocations;
}

void failAfter(long n) {
    t_failIn = n;
}

bool failed() {
    return t_failIn < 0;
}

}  // namespace alloc_counter

void* operator new(std::size_t size) {
    static const Plain next = replaced<Plain>("_Znwm");
    if (failsNow()) throw std::bad_alloc();
    return forward(next, size);
}
void* operator new[](std::size_t size) {
    static const Plain next = replaced<Plain>("_Znam");
    if (failsNow()) throw std::bad_alloc();
    return forward(next, size);
}
void* operator new(std::size_t size, const std::nothrow_t& tag) noexcept {
    static const Quiet next = replaced<Quiet>("_ZnwmRKSt9nothrow_t");
    return failsNow() ? nullptr : forward(next, size, tag);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    static const Quiet next = replaced<Quiet>("_ZnamRKSt9nothrow_t");
    return failsNow() ? nullptr : forward(next, size, tag);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    static const Aligned next = replaced<Aligned>("_ZnwmSt11align_val_t");
    if (failsNow()) throw std::bad_alloc();
    return forward(next, size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    static const Aligned next = replaced<Aligned>("_ZnamSt11align_val_t");
    if (failsNow()) throw std::bad_alloc();
    return forward(next, size, alignment);
}
