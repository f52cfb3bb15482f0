// The worker slot with test entry routines that poll the engine's checkpoints:
// refusals, pause and resume, the three stop methods, priorities, the entry
// protocol and the progress-log display.
#include <atomic>
#include <thread>

#include "numtheory/progress_log.h"
#include "tests/workbench/fixture.h"
#include "workbench/number_text.h"

namespace {

using namespace std::chrono_literals;

// What the test entries report, and how they are released.
struct Probe {
    std::atomic<long> ticks{0};
    std::atomic<bool> release{false};
    std::atomic<bool> stop_word{false};
    std::atomic<bool> abort_seen{false};
    std::atomic<int> priority{-1};
    std::atomic<bool> own_instance{false};
    void reset() {
        ticks = 0;
        release = false;
        stop_word = false;
        abort_seen = false;
        priority = -1;
        own_instance = false;
    }
};
Probe probe;
engine_instance* window_instance = nullptr;

enum class Mode { spin, abort_request, stop_word, log_lines, refuse, engine_error };

// A number freed by its destructor: a worker that is stopped unwinds through it.
struct Owned {
    big x = big_alloc(0);
    ~Owned() { big_free(x); }
};

// An entry routine: begins, works in small traced steps until released (or until
// its stop method tells it to end), then writes NP and finishes.
void test_entry(WorkerRun& run, Mode mode) {
    Workbench& wb = run.workbench();
    const engine_instance* e = engine_current();
    probe.own_instance = e != nullptr && e != window_instance && e->io_base == 16 && e->io_buffer_size == 560 &&
                         e->error_control && e->precision_words == 69;
    if (mode == Mode::refuse) {
        run.refuse("Error, P is not Prime.");
        return;
    }
    const bool uses_log = mode == Mode::log_lines;
    run.begin(uses_log);
    Owned owned;
    big v = owned.x;
    if (mode == Mode::engine_error) {
        Owned zero;
        divide(v, zero.x, zero.x);
    }
    while (!probe.release.load()) {
        incr(v, 1, v);  // a traced routine: the checkpoint
        ++probe.ticks;
        probe.priority = static_cast<int>(current_thread_priority());
        if (uses_log) log_append_line("line " + std::to_string(probe.ticks.load()));
        if (mode == Mode::abort_request && abort_requested()) probe.abort_seen = true;
        if (mode == Mode::stop_word && probe.stop_word.load()) break;
        std::this_thread::sleep_for(1ms);
    }
    if (mode == Mode::abort_request && abort_requested()) wb.set_status("thread exit ok");
    if (uses_log || mode == Mode::abort_request) set_run_state(RunState::finished);
    wb.fields().store_field(ctl::NP, v);
    wb.fields().redisplay_changed_fields();
    run.finish();
}

CommandRegistry test_registry() {
    CommandRegistry r = command_registry();
    r.worker_entry(5, [](WorkerRun& run) { test_entry(run, Mode::spin); });
    r.worker_entry(3, [](WorkerRun& run) { test_entry(run, Mode::spin); });
    r.worker_entry(1, [](WorkerRun& run) { test_entry(run, Mode::abort_request); });
    r.worker_entry(4, [](WorkerRun& run) { test_entry(run, Mode::stop_word); });
    r.stop_request(4, [] { probe.stop_word = true; });
    r.worker_entry(2, [](WorkerRun& run) { test_entry(run, Mode::log_lines); });
    r.worker_entry(7, [](WorkerRun& run) { test_entry(run, Mode::refuse); });
    r.worker_entry(0, [](WorkerRun& run) { test_entry(run, Mode::engine_error); });
    return r;
}

class WorkerSlot : public testsupport::WorkbenchTest {
   protected:
    void SetUp() override {
        probe.reset();
        registry = test_registry();
        start(false, &registry);
        window_instance = engine_current();
        set_run_state(RunState::idle);
    }
    void TearDown() override {
        probe.release = true;
        wb.reset();
    }
    SlotState state(int slot) { return wb->workers().state(slot); }
    bool wait_state(int slot, SlotState s) {
        return pump_until([&] { return state(slot) == s; });
    }
    bool wait_ticks(long more) {
        const long target = probe.ticks.load() + more;
        return pump_until([&] { return probe.ticks.load() >= target; });
    }
    bool wait_ended() {
        return pump_until([&] { return !wb->workers().worker_alive(); });
    }
    void expect_idle_layout() {
        EXPECT_FALSE(win->enabled(ctl::stop));
        EXPECT_FALSE(win->enabled(ctl::pause));
        EXPECT_EQ(win->caption(ctl::pause), "&PAUSE");
        for (ControlId id : {ctl::new_g, ctl::get_np, ctl::about, ctl::curve_type, ctl::find_poly, ctl::factor_np})
            EXPECT_TRUE(win->enabled(id)) << id;
    }
    CommandRegistry registry;
};

TEST_F(WorkerSlot, RunRefuseAnotherAndFinish) {
    ASSERT_TRUE(win->choose(ctl::curve_type, 1));  // FIND POLY is a GF(2^m) button
    expect_idle_layout();
    ASSERT_TRUE(win->click(ctl::new_g));
    ASSERT_TRUE(wait_state(5, SlotState::running));
    EXPECT_EQ(status(), "Generating G(x,y) with Order Q, pease be patient...");
    // Busy layout: own button, ABOUT and CurveType off; FIND POLY, SAVE CFG on.
    EXPECT_TRUE(win->enabled(ctl::stop));
    EXPECT_TRUE(win->enabled(ctl::pause));
    for (ControlId id : {ctl::new_g, ctl::about, ctl::curve_type, ctl::get_np, ctl::factor_np})
        EXPECT_FALSE(win->enabled(id)) << id;
    for (ControlId id : {ctl::find_poly, ctl::save_cfg, ctl::load_cfg, ctl::clear_ecc, ctl::exit_button})
        EXPECT_TRUE(win->enabled(id)) << id;
    EXPECT_TRUE(probe.own_instance.load());

    // FIND POLY stays enabled but is refused; the running worker goes on.
    ASSERT_TRUE(win->click(ctl::find_poly));
    EXPECT_EQ(pane(), "Another thread is still running or paused ...");
    EXPECT_TRUE(wait_ticks(3));
    EXPECT_EQ(state(3), SlotState::idle);

    // A base change is refused while the worker runs: the fields keep base 16.
    ASSERT_TRUE(choose_base(10));
    EXPECT_EQ(wb->display_base(), 16);

    clock.advance_ms(61234);
    probe.release = true;
    ASSERT_TRUE(wait_ended());
    EXPECT_EQ(state(5), SlotState::finished);
    EXPECT_EQ(win->text(ctl::cost), "1m 1s 234ms");
    EXPECT_NE(value(ctl::NP), "0");
    EXPECT_EQ(text(ctl::NP), value(ctl::NP));  // redrawn in base 16
    expect_idle_layout();
    EXPECT_EQ(status(), "");

    // The next start releases the finished slot.
    probe.release = false;
    ASSERT_TRUE(win->click(ctl::new_g));
    ASSERT_TRUE(wait_state(5, SlotState::running));
}

TEST_F(WorkerSlot, PauseStopsProgressAndResumeContinues) {
    ASSERT_TRUE(win->choose(ctl::curve_type, 1));
    ASSERT_TRUE(win->click(ctl::new_g));
    ASSERT_TRUE(wait_state(5, SlotState::running));
    ASSERT_TRUE(wait_ticks(3));
    ASSERT_TRUE(win->click(ctl::pause));
    EXPECT_EQ(state(5), SlotState::paused);
    EXPECT_EQ(win->caption(ctl::pause), "RES&UME");
    EXPECT_FALSE(win->enabled(ctl::stop));
    EXPECT_EQ(status(), "Thread paused, idle now, you can resume later...");
    std::this_thread::sleep_for(30ms);  // the worker reaches its next checkpoint
    const long frozen = probe.ticks.load();
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(probe.ticks.load(), frozen);

    // A paused worker refuses new starts; a base change is allowed while paused.
    ASSERT_TRUE(win->click(ctl::find_poly));
    EXPECT_EQ(pane(), "Another thread is still running or paused ...");

    ASSERT_TRUE(win->click(ctl::pause));
    EXPECT_EQ(state(5), SlotState::running);
    EXPECT_EQ(win->caption(ctl::pause), "&PAUSE");
    EXPECT_TRUE(win->enabled(ctl::stop));
    EXPECT_EQ(status(), "Thread resumes running...");
    EXPECT_TRUE(wait_ticks(5));
}

TEST_F(WorkerSlot, PriorityAppliesToRunningNotToPaused) {
    ASSERT_TRUE(win->click(ctl::new_g));
    ASSERT_TRUE(wait_ticks(2));
    EXPECT_EQ(probe.priority.load(), static_cast<int>(ThreadPriority::normal));
    ASSERT_TRUE(win->choose(ctl::thread_priority, 1));  // "Bellow Normal/6": nice +5
    ASSERT_TRUE(pump_until([] { return probe.priority.load() == static_cast<int>(ThreadPriority::below_normal); }));
    ASSERT_TRUE(win->click(ctl::pause));
    ASSERT_TRUE(win->choose(ctl::thread_priority, 2));
    ASSERT_TRUE(win->click(ctl::pause));
    ASSERT_TRUE(wait_ticks(5));
    EXPECT_EQ(probe.priority.load(), static_cast<int>(ThreadPriority::below_normal));
}

TEST_F(WorkerSlot, StopEndsAtOnceAndWritesNothing) {
    ASSERT_TRUE(win->click(ctl::new_g));
    ASSERT_TRUE(wait_ticks(3));
    win->set_text(ctl::cost, "before");
    win->set_text(ctl::large_pane, "before");
    ASSERT_TRUE(win->click(ctl::stop));
    EXPECT_EQ(state(5), SlotState::finished);
    EXPECT_EQ(status(), "Thread stopped. CPU is Idle .");
    expect_idle_layout();
    ASSERT_TRUE(wait_ended());
    const long after = probe.ticks.load();
    probe.release = true;
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(probe.ticks.load(), after);
    EXPECT_EQ(value(ctl::NP), "0");
    EXPECT_EQ(win->text(ctl::cost), "before");
    EXPECT_EQ(pane(), "before");
    // The stopped slot does not block the next start.
    probe.release = false;
    ASSERT_TRUE(win->click(ctl::new_g));
    ASSERT_TRUE(wait_state(5, SlotState::running));
}

TEST_F(WorkerSlot, StopByAbortRequestRunsDown) {
    ASSERT_TRUE(win->click(ctl::get_np));
    ASSERT_TRUE(wait_state(1, SlotState::running));
    EXPECT_EQ(status(), "Computering Number of Points, please be patient...");
    ASSERT_TRUE(win->click(ctl::stop));
    EXPECT_EQ(status(), "Wait for get_np thread exiting...");
    EXPECT_TRUE(abort_requested());
    // Buttons are usable at once, but starts are refused until the run-down.
    EXPECT_TRUE(win->enabled(ctl::get_np));
    EXPECT_FALSE(win->enabled(ctl::stop));
    ASSERT_TRUE(pump_until([] { return probe.abort_seen.load(); }));
    ASSERT_TRUE(win->click(ctl::new_g));
    EXPECT_EQ(pane(), "Another thread is still running or paused ...");
    EXPECT_EQ(state(1), SlotState::running);
    probe.release = true;
    ASSERT_TRUE(wait_ended());
    EXPECT_EQ(state(1), SlotState::finished);
    EXPECT_NE(value(ctl::NP), "0");
    EXPECT_EQ(status(), "");  // the idle layout empties the pane after "thread exit ok"
    EXPECT_EQ(run_state(), RunState::finished);
}

TEST_F(WorkerSlot, StopByOwnStopWord) {
    ASSERT_TRUE(win->click(ctl::factor_np));
    ASSERT_TRUE(wait_state(4, SlotState::running));
    ASSERT_TRUE(win->click(ctl::stop));
    EXPECT_EQ(status(), "Wait for factor thread exiting...");
    EXPECT_FALSE(abort_requested());
    ASSERT_TRUE(wait_ended());
    EXPECT_TRUE(probe.stop_word.load());
    EXPECT_EQ(state(4), SlotState::finished);
    EXPECT_NE(value(ctl::NP), "0");
}

TEST_F(WorkerSlot, BoxRangesRefuseEverySlot) {
    const struct {
        ControlId box;
        const char* value;
        ControlId button;
        const char* message;
    } cases[] = {
        {ctl::curve_bits, "2", ctl::new_g, "GF(P): Curve Bits size should be: 3 <= bits <= 1024 "},
        {ctl::curve_bits, "1025", ctl::get_np, "GF(P): Curve Bits size should be: 3 <= bits <= 1024 "},
        {ctl::m_box, "1025", ctl::generate, "GF(2^M): M should be: 3 <= M <= 1024 "},
        {ctl::m_box, "", ctl::new_g, "GF(2^M): M should be: 3 <= M <= 1024 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        win->set_text(ctl::curve_bits, "64");
        win->set_text(ctl::m_box, "63");
        win->set_text(c.box, c.value);
        win->set_text(ctl::large_pane, "");
        ASSERT_TRUE(win->click(c.button));
        EXPECT_EQ(pane(), c.message);
        EXPECT_FALSE(wb->workers().worker_alive());
        EXPECT_FALSE(win->enabled(ctl::stop));
    }
}

TEST_F(WorkerSlot, RefusalBeforeBeginLeavesSlotIdle) {
    win->set_text(ctl::cost, "before");
    ASSERT_TRUE(win->click(ctl::get_ab));
    ASSERT_TRUE(wait_ended());
    EXPECT_EQ(pane(), "Error, P is not Prime.");
    EXPECT_EQ(state(7), SlotState::idle);
    EXPECT_EQ(win->text(ctl::cost), "before");
    expect_idle_layout();
}

TEST_F(WorkerSlot, EngineErrorOfAWorkerIsReported) {
    win->set_text(ctl::large_pane, "");
    ASSERT_TRUE(win->click(ctl::generate));
    ASSERT_TRUE(wait_state(0, SlotState::running));
    probe.release = true;
    ASSERT_TRUE(wait_ended());
    EXPECT_NE(pane().find("Engine error 2: Division by zero attempted\r\n"), std::string::npos) << pane();
    // The window's own instance is untouched.
    EXPECT_EQ(engine_error(), 0);
}

class LoggingWorker : public WorkerSlot {
   protected:
    void SetUp() override {
        probe.reset();
        set_run_state(RunState::idle);
        registry = test_registry();
        start(true, &registry);
        window_instance = engine_current();
        ASSERT_TRUE(pump_until([&] { return wb->ready(); }));
    }
};

TEST_F(LoggingWorker, DisplayLoopShowsLogAndClosingLine) {
    win->choose(ctl::curve_type, 1);
    ASSERT_TRUE(win->click(ctl::list_poly));
    ASSERT_TRUE(wait_ticks(3));
    ASSERT_TRUE(pump_until([&] { return pane().rfind("line ", 0) == 0; }));
    EXPECT_TRUE(pump_until([&] { return win->scroll_count(ctl::large_pane) > 0; }));
    probe.release = true;
    ASSERT_TRUE(pump_until([&] { return !wb->busy(); }));
    const std::string p = pane();
    const std::string closing = "\r\n*** Done, Thread EXIT ***\r\n";
    ASSERT_GE(p.size(), closing.size());
    EXPECT_EQ(p.substr(p.size() - closing.size()), closing);
    EXPECT_EQ(p.rfind("line 1\r\n", 0), 0u);
    EXPECT_EQ(run_state(), RunState::idle);
}

TEST_F(LoggingWorker, StopKeepsTheLogWithoutClosingLine) {
    win->choose(ctl::curve_type, 1);
    ASSERT_TRUE(win->click(ctl::list_poly));
    ASSERT_TRUE(pump_until([&] { return pane().rfind("line ", 0) == 0; }));
    ASSERT_TRUE(win->click(ctl::stop));
    ASSERT_TRUE(wait_ended());
    win->pump_for(200ms);
    const std::string p = pane();
    EXPECT_EQ(p.find("Done, Thread EXIT"), std::string::npos);
    EXPECT_EQ(p.rfind("line 1\r\n", 0), 0u);
    EXPECT_EQ(run_state(), RunState::running);  // an ended worker leaves it as it was
}

}  // namespace
