// The two background threads that keep stirring the entropy state: the CPU
// meter (runs for the life of the main window, shows the clock rate in "CPU"
// and the seed block in "RNG Salt") and the seed-typing worker (runs 10 to 17
// rounds after each edit of "Seed Padding").
//
// They reach the window only through EntropyView, so this directory stays free
// of the workbench's controls.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "platform/threads.h"
#include "random/entropy.h"

class EntropyView {
   public:
    virtual ~EntropyView() = default;
    /// The "Seed Padding" text.
    virtual std::string seed_padding() = 0;
    virtual void show_salt(const std::string& text) = 0;
    virtual void show_cpu(const std::string& text) = 0;
    virtual void large_pane(const std::string& text) = 0;
    /// Enables "Pau" and "Type".
    virtual void enable_meter_buttons() = 0;
};

class CpuMeter {
   public:
    CpuMeter(EntropyState& state, EntropyView& view) : m_state(state), m_view(view) {}
    /// The thread's body; returns when `stop` is requested.
    void run(StopToken& stop);
    /// "Pau": suspends the meter between two rounds (never inside the seed
    /// lock) or resumes it.
    void toggle_suspend();
    bool suspended() const { return m_suspended.load(); }
    /// "Type": what "RNG Salt" shows (off: the seed block; on: 127 characters).
    void toggle_type() { m_type.store(!m_type.load()); }
    bool type_on() const { return m_type.load(); }
    /// Rounds completed (tests).
    long rounds() const { return m_rounds.load(); }

   private:
    EntropyState& m_state;
    EntropyView& m_view;
    std::mutex m_lock;  // the meter's own lock around its counter readings
    std::mutex m_suspend_mutex;
    std::condition_variable m_suspend_cv;
    std::atomic<bool> m_suspended{false};
    std::atomic<bool> m_type{false};
    std::atomic<long> m_rounds{0};
};

class SeedTyping {
   public:
    SeedTyping(EntropyState& state, EntropyView& view) : m_state(state), m_view(view) {}
    ~SeedTyping();
    /// Starts the typing rounds unless they are already running; false then.
    bool start();
    bool running() const { return m_running.load(); }
    /// Ends a running thread at its next round and waits for it.
    void stop();

   private:
    void run();
    EntropyState& m_state;
    EntropyView& m_view;
    std::atomic<bool> m_running{false};
    StopToken m_stop;
    std::thread m_thread;
    std::mutex m_mutex;
};
