// Time sources: the 32-bit millisecond tick count, the high-resolution counter
// with its frequency, and the processor's time-stamp counter.
//
// SystemClock reads steady_clock (tick = milliseconds truncated to 32 bits;
// counter = nanoseconds at 10^9 per second) and the TSC with rdtsc on x86-64
// (steady_clock nanoseconds elsewhere). ManualClock is the tests' fake: its
// readings move only when told to.
#pragma once

#include <atomic>
#include <cstdint>

class Clock {
   public:
    virtual ~Clock() = default;
    virtual uint32_t tick_ms() = 0;
    /// Counter frequency in Hz; 0 when there is no high-resolution counter.
    virtual uint64_t perf_frequency() = 0;
    virtual uint64_t perf_counter() = 0;
    virtual uint64_t tsc() = 0;
};

class SystemClock final : public Clock {
   public:
    uint32_t tick_ms() override;
    uint64_t perf_frequency() override { return 1000000000ull; }
    uint64_t perf_counter() override;
    uint64_t tsc() override;
};

/// The process's system clock.
Clock& system_clock();

class ManualClock final : public Clock {
   public:
    uint32_t tick_ms() override { return m_ms.load(); }
    uint64_t perf_frequency() override { return m_frequency.load(); }
    uint64_t perf_counter() override { return m_counter.load(); }
    uint64_t tsc() override { return m_tsc.fetch_add(m_tsc_step.load()); }

    void set_tick(uint32_t ms) { m_ms = ms; }
    void advance_ms(uint32_t ms) {
        m_ms += ms;
        m_counter += static_cast<uint64_t>(ms) * (m_frequency.load() / 1000);
    }
    void set_frequency(uint64_t hz) { m_frequency = hz; }
    void set_tsc(uint64_t v, uint64_t step_per_read = 1) {
        m_tsc = v;
        m_tsc_step = step_per_read;
    }

   private:
    std::atomic<uint32_t> m_ms{0};
    std::atomic<uint64_t> m_frequency{1000000000ull};
    std::atomic<uint64_t> m_counter{0};
    std::atomic<uint64_t> m_tsc{0};
    std::atomic<uint64_t> m_tsc_step{1};
};
