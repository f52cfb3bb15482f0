// WindowThreadQueue: runs work on the window thread on behalf of other threads,
// the way a message sent to a window is processed by the thread that owns it.
//
// The owner thread is the one that constructs the queue. call() from any other
// thread queues the task and blocks until the owner has run it in pump(); call()
// on the owner runs the task at once. After set_closing() every waiting and every
// later call from another thread returns false without running its task, so a
// window thread that is shutting down never deadlocks with a background thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class WindowThreadQueue {
   public:
    WindowThreadQueue();
    ~WindowThreadQueue();
    WindowThreadQueue(const WindowThreadQueue&) = delete;
    WindowThreadQueue& operator=(const WindowThreadQueue&) = delete;

    bool on_owner_thread() const { return std::this_thread::get_id() == m_owner; }

    /// Runs fn on the owner thread and waits; false when closing.
    bool call(const std::function<void()>& fn);
    /// Queues fn for the owner thread without waiting (dropped when closing).
    void post(std::function<void()> fn);
    /// Owner only: runs every queued task; returns how many ran.
    int pump();
    /// Owner only: waits up to `timeout` for a task, then pumps.
    int wait_and_pump(std::chrono::milliseconds timeout);

    /// Called (from any thread) whenever a task is queued: an event loop uses it
    /// to schedule a pump on the owner thread.
    void set_wakeup(std::function<void()> wakeup);

    void set_closing();
    bool closing() const;

   private:
    struct Task {
        std::function<void()> fn;
        bool done = false;
        bool dropped = false;
        bool waited = false;
    };
    std::thread::id m_owner;
    mutable std::mutex m_mutex;
    std::condition_variable m_queued;
    std::condition_variable m_done;
    std::deque<std::shared_ptr<Task>> m_tasks;
    std::function<void()> m_wakeup;
    bool m_closing = false;
};
