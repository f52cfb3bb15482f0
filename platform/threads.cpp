#include "platform/threads.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

namespace {
thread_local ThreadPriority t_priority = ThreadPriority::normal;

int nice_of(ThreadPriority p) {
    switch (p) {
        case ThreadPriority::below_normal: return 5;
        case ThreadPriority::above_normal: return -5;
        case ThreadPriority::highest: return -10;
        default: return 0;
    }
}
}  // namespace

bool set_current_thread_priority(ThreadPriority p) {
    // On Linux nice values and SCHED_IDLE apply per thread (tid), not per process.
    const pid_t tid = static_cast<pid_t>(syscall(SYS_gettid));
    sched_param param{};
    param.sched_priority = 0;
    if (p == ThreadPriority::idle) {
        if (sched_setscheduler(tid, SCHED_IDLE, &param) != 0) return false;
    } else {
        if (sched_getscheduler(tid) == SCHED_IDLE && sched_setscheduler(tid, SCHED_OTHER, &param) != 0)
            return false;
        if (setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice_of(p)) != 0) return false;
    }
    t_priority = p;
    return true;
}

ThreadPriority current_thread_priority() { return t_priority; }

void sleep_ms(unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void StopToken::request_stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop.store(true, std::memory_order_release);
    }
    m_cv.notify_all();
}

bool StopToken::sleep_ms(unsigned ms) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_stop.load(); });
}
