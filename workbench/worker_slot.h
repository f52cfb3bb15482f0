// The worker slot: nine fixed slots, one background worker at a time.
//
// Each slot has a button, a start message, a stop method and a state (idle,
// running, paused, finished). A worker runs its slot's entry routine on its own
// std::thread with its own engine instance (opened as the window's, torn down at
// its end). Pause and stop work through the engine's checkpoint, which runs at
// every traced routine entry and at engine_checkpoint():
//   - pause blocks the worker at its next checkpoint on a condition variable;
//   - a stop of the slots ended at once (0, 2, 3, 5, 7) makes the next checkpoint
//     throw a private exception that only the worker's outermost frame catches;
//     the worker then writes nothing more (field and pane writes are
//     checkpoints too);
//   - slots 1, 6, 8 get the log's abort request; slot 4 its engine's stop word.
//
// Slot states, the pause flag and the request words are atomics; the windows's
// controls are written through the window (any thread).
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/form.h"
#include "platform/threads.h"

class Workbench;

constexpr int kSlotCount = 9;

enum class SlotState : int { idle = 0, running = 1, paused = 2, finished = 3 };
enum class StopMethod { end_at_once, abort_request, own_stop_word };
enum class ButtonLayout { busy, finished, idle };

struct SlotInfo {
    ControlId button;
    const char* start_message;
    StopMethod stop;
    const char* wait_text;  // status text after STOP (abort request, stop word)
};
/// The fixed slot table (slot 0..8).
const SlotInfo& slot_info(int slot);

/// The "ThreadPriority" entries, in list order, and their mapping.
extern const char* const kPriorityEntries[5];
ThreadPriority priority_of_entry(int index);

class WorkerSlots;

/// What an entry routine works with: its slot, the workbench and the protocol
/// steps every entry routine follows.
class WorkerRun {
   public:
    WorkerRun(Workbench& wb, WorkerSlots& table, int slot) : m_wb(wb), m_slots(table), m_slot(slot) {}
    Workbench& workbench() { return m_wb; }
    int slot() const { return m_slot; }
    ControlId own_button() const;

    /// Start of the work: note the tick, busy layout, slot running; with
    /// `uses_log` also log_clear() and run state running.
    void begin(bool uses_log = false);
    /// Refusal before begin(): large pane := message, idle layout; the slot
    /// stays idle and no "Cost" is written.
    void refuse(std::string_view message);
    /// End of the work (after the results were written): finished layout, slot
    /// finished, "Cost" := elapsed time since begin().
    void finish();

    bool begun() const { return m_begun; }
    bool ended() const { return m_finished || m_refused; }
    uint32_t start_tick() const { return m_start; }

   private:
    Workbench& m_wb;
    WorkerSlots& m_slots;
    int m_slot;
    uint32_t m_start = 0;
    bool m_begun = false;
    bool m_finished = false;
    bool m_refused = false;
};

class WorkerSlots {
   public:
    explicit WorkerSlots(Workbench& wb) : m_wb(wb) {}
    ~WorkerSlots();
    WorkerSlots(const WorkerSlots&) = delete;
    WorkerSlots& operator=(const WorkerSlots&) = delete;

    /// All slots idle, pause flag clear (start-up).
    void reset();

    void start_worker(int slot);
    void toggle_pause();
    void stop_worker();
    /// "ThreadPriority" changed to entry `index`: applies to running workers at
    /// their next checkpoint; paused ones keep theirs; the next start uses it.
    void set_worker_priority(int index);
    void set_button_layout(ControlId own, ButtonLayout layout);

    SlotState state(int slot) const { return m_state[static_cast<size_t>(slot)].load(); }
    bool any_running() const;
    bool any_running_or_paused() const;
    bool pause_flag() const { return m_pause_flag.load(); }
    /// True while a worker thread has not ended (stopped workers running down
    /// included).
    bool worker_alive() const;

    /// Ends every worker: stop at the next checkpoint whatever the slot, resume
    /// paused ones, then join. Window calls from workers must not block (close
    /// the window first, or keep pumping it).
    void shutdown();
    /// Asks every worker to end at its next checkpoint, without waiting (EXIT).
    void request_shutdown();

   private:
    friend class WorkerRun;
    struct Worker {
        int slot = 0;
        std::thread thread;
        std::atomic<bool> poll{false};
        std::atomic<bool> kill{false};
        std::atomic<bool> pause{false};
        std::atomic<int> priority{-1};  // pending priority entry, -1 none
        std::atomic<bool> ended{false};
        std::mutex mutex;
        std::condition_variable cv;
        void update_poll();  // under mutex
        void checkpoint();
    };
    static void poll_handler(struct engine_instance* e, void* context);
    void run(std::shared_ptr<Worker> w, ThreadPriority initial);
    void set_state(int slot, SlotState s) { m_state[static_cast<size_t>(slot)].store(s); }
    bool transition(int slot, SlotState from, SlotState to);
    void reap();

    Workbench& m_wb;
    std::array<std::atomic<SlotState>, kSlotCount> m_state{};
    std::atomic<bool> m_pause_flag{false};
    mutable std::mutex m_mutex;  // guards the worker lists
    std::array<std::shared_ptr<Worker>, kSlotCount> m_workers{};
    std::vector<std::shared_ptr<Worker>> m_retired;  // ended at once, running down
};
