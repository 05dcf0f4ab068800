// How a piece of work grows with the scene: seconds for one size and for ten times that size,
// reported as the counters seconds_small, seconds_large and their ratio (about 10 when the work
// is linear).
//
// Every measurement runs in a child process forked for it, so that each starts from the same
// state, a heap that never held a larger run, as a user's lwhost process does; a run that
// followed another in one process would find its memory already mapped and its caches warm. Each
// size counts the median of five runs, the sizes taking turns, so that one disturbed run does not
// decide the ratio.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {

// The calling thread's processor time, user and system: what the work cost, without the time
// other processes on the machine took from it.
struct Clock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<Clock>;
    static constexpr bool is_steady = true;
    static time_point now() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return time_point(std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec));
    }
};

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// `seconds(size)` in a child process; negative when it failed or the child did not report.
template <class Seconds>
double isolated(const Seconds& seconds, int size) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        const double s = seconds(size);
        const bool sent = write(pipeEnds[1], &s, sizeof s) == static_cast<ssize_t>(sizeof s);
        _exit(sent ? 0 : 1);
    }
    close(pipeEnds[1]);
    double s = -1;
    const bool got = child > 0 && read(pipeEnds[0], &s, sizeof s) == static_cast<ssize_t>(sizeof s);
    close(pipeEnds[0]);
    int status = 0;
    if (child > 0) waitpid(child, &status, 0);
    return got && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? s : -1;
}

// `seconds(size)` answers the seconds the work took for `size`, negative on failure.
template <class Seconds>
void scaling(benchmark::State& state, int small, const Seconds& seconds) {
    constexpr int kRounds = 5;
    for (auto _ : state) {
        std::vector<double> runs[2];
        for (int round = 0; round < kRounds; ++round)
            for (int large = 0; large < 2; ++large) {
                const double s = isolated(seconds, large ? 10 * small : small);
                if (s < 0) {
                    state.SkipWithError("the host refused the work");
                    return;
                }
                runs[large].push_back(s);
            }
        for (std::vector<double>& r : runs) std::sort(r.begin(), r.end());
        state.counters["seconds_small"] = runs[0][kRounds / 2];
        state.counters["seconds_large"] = runs[1][kRounds / 2];
        state.counters["ratio"] = runs[1][kRounds / 2] / runs[0][kRounds / 2];
    }
}

}  // namespace bench
