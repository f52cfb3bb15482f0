// The progress log: one text buffer through which workers and the number-theory
// engines report progress, with the run state beside it.
//
// The buffer holds at most kLogCapacity bytes and stays NUL-terminated, so the
// whole text can be shown as one string. Ordinary appends keep the length at or
// below kLogAppendLimit; only the display loop's closing line may use the room up
// to kLogClosingLimit. An append that would pass its limit is dropped whole, never
// cut.
//
// Threads: the worker appends, the display loop reads and the window thread
// (STOP) writes the run state. The text is guarded by a mutex, the run state is an
// atomic word; every routine here may be called from any thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

/// Run state of the logged work.
enum class RunState : int {
    idle = 0,             // set by the display loop after each finished display
    abort_requested = 1,  // set by STOP; engines poll abort_requested()
    running = 2,          // set by a worker when its logged work starts
    finished = 3,         // set by a worker when its logged work has ended
};

constexpr size_t kLogCapacity = 65536;
constexpr size_t kLogAppendLimit = 65472;
constexpr size_t kLogClosingLimit = 65532;

class ProgressLog {
   public:
    /// Empties the log.
    void clear();
    /// Appends text unless it is empty or the length would pass `limit`.
    void append(std::string_view text, size_t limit = kLogAppendLimit);
    /// Appends text followed by "\r\n", as one unit under the append limit.
    void append_line(std::string_view text);
    /// Appends exactly w characters: text padded with blanks or cut to w. Dropped
    /// when w < 1 or the length would pass the append limit.
    void append_width(std::string_view text, int w);
    /// n <= 0: nothing; n < length: removes the last n characters; else clears.
    void drop(long n);

    /// The whole text.
    std::string text() const;
    size_t length() const;
    /// Length and the last four bytes before the end (zero-padded when shorter):
    /// the display loop redraws when either differs from what it last showed.
    struct Mark {
        size_t length = 0;
        char tail[4] = {0, 0, 0, 0};
        bool operator==(const Mark&) const = default;
    };
    Mark mark() const;

    RunState run_state() const { return m_state.load(std::memory_order_acquire); }
    void set_run_state(RunState s);
    /// The display loop's reset after a finished run: when the run state is
    /// finished or idle, it becomes idle and the log is emptied, in one step; a
    /// run that has already started again keeps its log and state.
    void settle();

   private:
    mutable std::mutex m_mutex;
    std::string m_text;  // never longer than kLogClosingLimit
    std::atomic<RunState> m_state{RunState::idle};
};

/// The process-wide log shared by the worker, the engines and the display loop.
ProgressLog& progress_log();

// Free-function interface used by the engines (all act on progress_log()).
void log_clear();
void log_append(std::string_view text);
void log_append_line(std::string_view text);
void log_append_width(std::string_view text, int w);
void log_drop(long n);
RunState run_state();
void set_run_state(RunState s);
/// True while the run state is abort_requested.
bool abort_requested();
