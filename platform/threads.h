// Thread services: priorities, sleeping and a stop-aware sleep for background
// loops.
//
// Priorities follow the window's five entries and map to Linux scheduling:
// idle -> SCHED_IDLE, below_normal -> nice +5, normal -> nice 0, above_normal ->
// nice -5, highest -> nice -10. A priority the system refuses (no privilege) is
// left as it was, without a message.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

enum class ThreadPriority { idle, below_normal, normal, above_normal, highest };

/// Applies `p` to the calling thread; false when the system refused it.
bool set_current_thread_priority(ThreadPriority p);
/// The calling thread's priority as last set here (normal when never set).
ThreadPriority current_thread_priority();

void sleep_ms(unsigned ms);

/// A stop flag that background loops sleep on: request_stop() wakes every
/// sleeper at once.
class StopToken {
   public:
    void request_stop();
    bool stop_requested() const { return m_stop.load(std::memory_order_acquire); }
    /// Sleeps up to ms; returns false when stopped (at once or during the sleep).
    bool sleep_ms(unsigned ms);

   private:
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_cv;
};
