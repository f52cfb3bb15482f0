// Workbench: the main window's model. It builds the window from main_form(),
// receives every notification, runs the start-up sequence and owns the parts
// that make up the workspace: the fields, the worker slots, the background
// threads and the window thread's engine instance.
//
// The class only dispatches; each concern lives in its own unit:
//   fields.h          records, input parse, redisplay, base change
//   worker_slot.h     the nine slots, start/pause/stop, entry protocol
//   progress_display  the log display loop
//   config_file.h     SAVE CFG / LOAD CFG
//   window_actions    CLEAR ECC/KEY, Rev., ABOUT, EXIT, curve type
//   commands.h        the registry later actions add themselves to
//
// Threads: construct, start and destroy on the window thread. Members that write
// to the window may be called from any thread (the window marshals the call).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <mutex>
#include <thread>
#include <typeindex>
#include <unordered_map>
#include <vector>

#include "engine/big.h"
#include "platform/clock.h"
#include "platform/form.h"
#include "platform/system_info.h"
#include "platform/threads.h"
#include "platform/window.h"
#include "workbench/commands.h"
#include "workbench/controls.h"
#include "workbench/fields.h"
#include "workbench/worker_slot.h"

struct WorkbenchOptions {
    Clock* clock = nullptr;          // default: system_clock()
    SystemInfo* info = nullptr;      // default: system_info()
    /// The command table to use; default: the process-wide command_registry().
    const CommandRegistry* registry = nullptr;
    /// Start the registered background threads (meter, self test, pollers).
    bool background_threads = true;
    /// Start the progress-log display loop.
    bool display_loop = true;
    /// Gather entropy and seed the generators at start-up.
    bool seed_entropy = true;
};

/// CurveType values.
enum CurveKind : int { kCurveGFp = 0, kCurveGF2m = 1 };

class Workbench final : public EventSink {
   public:
    explicit Workbench(Window& window, WorkbenchOptions options = {});
    ~Workbench() override;
    Workbench(const Workbench&) = delete;
    Workbench& operator=(const Workbench&) = delete;

    /// Builds the window and runs the start-up sequence. Call once.
    void start();

    Window& window() { return m_window; }
    Fields& fields() { return m_fields; }
    WorkerSlots& workers() { return m_workers; }
    Clock& clock() { return *m_clock; }
    SystemInfo& info() { return *m_info; }
    const CommandRegistry& registry() const { return m_registry; }

    // ---- state ----------------------------------------------------------------------
    int display_base() const { return m_fields.display_base(); }
    int curve_type() const { return m_curve_type.load(); }
    /// A small box read as an unsigned decimal; 0 when unreadable.
    unsigned box_value(ControlId id);
    /// m, a, b, c of the polynomial boxes, with c taken as 0 when b is 0.
    struct Poly {
        int m, a, b, c;
    };
    Poly polynomial();
    /// Six working integers of the window thread's instance (allocated at start-up).
    big working(int i) { return m_working[static_cast<size_t>(i)]; }

    // ---- panes ------------------------------------------------------------------------
    /// Replaces the large pane's text (one action, one message).
    void set_large_pane(std::string_view text);
    /// Adds a line to the large pane (engine errors, file errors).
    void append_large_pane_line(std::string_view line);
    void set_status(std::string_view text);
    /// "Cost" := format_elapsed(ms).
    void set_cost(uint32_t ms);

    // ---- window-thread commands ---------------------------------------------------------
    /// Runs the action of a button as if clicked (window thread).
    void press(ControlId id);
    void apply_curve_type(int type);
    void change_number_base(int list_index);
    void clear_ecc();
    void clear_key();
    void reverse_field(int index);
    void show_about();
    /// EXIT: stops the background threads, asks running workers to stop and
    /// closes the window (the program then ends without waiting for workers).
    void exit();
    bool exit_requested() const { return m_exit.load(); }

    /// True once start-up has finished and the display loop is polling.
    bool ready() const;
    /// True while a worker thread is alive or any display still has to show
    /// its output (the batch front end waits for this to become false).
    bool busy() const;

    // ---- EventSink ------------------------------------------------------------------------
    void on_event(const Event& e) override;

    /// The about text.
    static const char* about_text();

    /// Per-window state of an action file (created on first use, destroyed with
    /// the workbench after its threads have ended). T needs a constructor taking
    /// Workbench&.
    template <class T>
    T& extension() {
        std::lock_guard<std::mutex> lock(m_extension_mutex);
        auto& slot = m_extensions[std::type_index(typeid(T))];
        if (!slot) slot = std::shared_ptr<void>(new T(*this), [](void* p) { delete static_cast<T*>(p); });
        return *static_cast<T*>(slot.get());
    }

   private:
    friend class WorkerSlots;
    void dispatch(const Event& e);
    void on_click(ControlId id);
    void on_check(ControlId id);
    void start_background();
    void stop_background();
    void report_engine_error();

    Window& m_window;
    WorkbenchOptions m_options;
    Clock* m_clock;
    SystemInfo* m_info;
    CommandRegistry m_registry;
    Fields m_fields;
    WorkerSlots m_workers;
    engine_instance* m_engine = nullptr;
    std::array<big, 6> m_working{};
    std::atomic<int> m_curve_type{kCurveGFp};
    std::atomic<bool> m_exit{false};
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_seed_typing_blocked{true};

    struct Background {
        BackgroundSpec spec;
        std::unique_ptr<StopToken> stop;
        std::thread thread;
    };
    std::vector<std::unique_ptr<Background>> m_background;
    StopToken m_display_stop;
    std::thread m_display_thread;
    std::atomic<bool> m_display_ready{false};
    friend void log_display_loop(Workbench& wb, StopToken& stop, std::atomic<bool>& ready);

    std::mutex m_extension_mutex;
    std::unordered_map<std::type_index, std::shared_ptr<void>> m_extensions;  // destroyed first
};

/// Opens an engine instance for the calling thread set up as the workbench's:
/// 2,176 binary digits, I/O base 16, I/O buffer 560, radix point and error
/// control on.
engine_instance* open_workbench_engine();
