#include "platform/clock.h"

#include <chrono>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace {
uint64_t steady_ns() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}
}  // namespace

uint32_t SystemClock::tick_ms() { return static_cast<uint32_t>(steady_ns() / 1000000u); }

uint64_t SystemClock::perf_counter() { return steady_ns(); }

uint64_t SystemClock::tsc() {
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    return steady_ns();
#endif
}

Clock& system_clock() {
    static SystemClock clock;
    return clock;
}
