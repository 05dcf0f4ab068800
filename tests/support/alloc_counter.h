// Counts the program's operator new calls on the calling thread while asked to, and can make
// one of them fail. The one replacement of the global operator new lives in alloc_counter.cpp; it
// forwards every call to the definition it replaces (the C++ library's, or a sanitizer's), so
// deletes still match. Modules the tests load reach the same operator new, so their allocations
// count as well.
#pragma once

namespace alloc_counter {

// Starts counting on this thread, from zero.
void start();
// Stops counting on this thread and returns the number of allocations since start().
long stop();

// Makes the allocation after the next `n` on this thread fail, once: operator new throws
// std::bad_alloc, the nothrow forms return null. failed() tells whether it has happened.
void failAfter(long n);
bool failed();

// Counts until stop() or the end of the scope, whichever comes first.
class Scope {
  public:
    Scope() { start(); }
    ~Scope() { alloc_counter::stop(); }
    long stop() { return alloc_counter::stop(); }
};

}  // namespace alloc_counter
