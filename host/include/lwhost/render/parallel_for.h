// The one place where render work is shared out: indices handed to render threads by one
// shared counter, the calling thread waiting (and reporting progress) until they are done.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace lwhost {

// Runs `body(index)` for every index below `count` on `threads` render threads that take the
// next index from one shared counter; the calling thread waits, calling `waiting(done)` now and
// then. False when no thread could be started. An exception thrown by `body` on a render thread
// (where it would end the program) stops the work: the threads finish the indices they hold,
// and the first such exception is thrown again on the calling thread.
template <class Body, class Waiting>
bool parallelFor(size_t count, int threads, Body&& body, Waiting&& waiting) {
    constexpr auto kProgressInterval = std::chrono::milliseconds(100);
    std::atomic<size_t> next{0};
    std::atomic<size_t> done{0};
    // Wakes the waiting thread as soon as the work is done or failed, not at its next tick.
    std::mutex finishedMutex;
    std::condition_variable finished;
    std::exception_ptr failure;  // under finishedMutex
    auto stop = [&](std::exception_ptr why) {
        next.store(count);
        std::lock_guard<std::mutex> lock(finishedMutex);
        if (!failure) failure = why;
        finished.notify_all();
    };
    auto worker = [&]() {
        try {
            for (size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
                body(i);
                if (done.fetch_add(1, std::memory_order_acq_rel) + 1 == count) {
                    std::lock_guard<std::mutex> lock(finishedMutex);
                    finished.notify_all();
                }
            }
        } catch (...) {
            stop(std::current_exception());
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(static_cast<size_t>(threads));
    try {
        for (int t = 0; t < threads; ++t) pool.emplace_back(worker);
    } catch (const std::system_error&) {
        if (pool.empty()) return false;
    } catch (...) {
        if (pool.empty()) throw;
    }
    try {
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(finishedMutex);
                finished.wait_for(lock, kProgressInterval, [&] {
                    return failure || done.load(std::memory_order_acquire) >= count;
                });
                if (failure) break;
            }
            const size_t reached = done.load(std::memory_order_acquire);
            waiting(reached);
            if (reached >= count) break;
        }
    } catch (...) {
        stop(std::current_exception());  // from `waiting`: the threads still have to end
    }
    for (std::thread& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);
    return true;
}

}  // namespace lwhost
