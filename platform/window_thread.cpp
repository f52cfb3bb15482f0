#include "platform/window_thread.h"

WindowThreadQueue::WindowThreadQueue() : m_owner(std::this_thread::get_id()) {}

WindowThreadQueue::~WindowThreadQueue() { set_closing(); }

bool WindowThreadQueue::call(const std::function<void()>& fn) {
    if (on_owner_thread()) {
        fn();
        return true;
    }
    auto task = std::make_shared<Task>();
    task->fn = fn;
    task->waited = true;
    std::function<void()> wakeup;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closing) return false;
        m_tasks.push_back(task);
        wakeup = m_wakeup;
    }
    m_queued.notify_all();
    if (wakeup) wakeup();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_done.wait(lock, [&] { return task->done || task->dropped; });
    return task->done;
}

void WindowThreadQueue::post(std::function<void()> fn) {
    auto task = std::make_shared<Task>();
    task->fn = std::move(fn);
    std::function<void()> wakeup;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closing) return;
        m_tasks.push_back(task);
        wakeup = m_wakeup;
    }
    m_queued.notify_all();
    if (wakeup) wakeup();
}

int WindowThreadQueue::pump() {
    int n = 0;
    for (;;) {
        std::shared_ptr<Task> task;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_tasks.empty() || m_closing) break;
            task = m_tasks.front();
            m_tasks.pop_front();
        }
        task->fn();
        ++n;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            task->done = true;
        }
        m_done.notify_all();
    }
    return n;
}

int WindowThreadQueue::wait_and_pump(std::chrono::milliseconds timeout) {
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_queued.wait_for(lock, timeout, [&] { return !m_tasks.empty() || m_closing; });
    }
    return pump();
}

void WindowThreadQueue::set_wakeup(std::function<void()> wakeup) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_wakeup = std::move(wakeup);
}

void WindowThreadQueue::set_closing() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closing = true;
        for (auto& t : m_tasks) t->dropped = true;
        m_tasks.clear();
    }
    m_done.notify_all();
    m_queued.notify_all();
}

bool WindowThreadQueue::closing() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closing;
}
