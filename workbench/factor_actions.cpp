// FACTOR NP (worker slot 4), its stop word, the factoring display poller and the
// start-up self test.
//
// The factoring run writes its own factor list and status text
// (numtheory/factor_report.h); the poller copies them into the two panes. The
// self test (random/self_test.h) reaches the prime tables, the progress log,
// the factor list and the window through the view below.
#include <string>

#include "engine/big.h"
#include "numtheory/factor_driver.h"
#include "numtheory/factor_report.h"
#include "numtheory/prime_tables.h"
#include "numtheory/progress_log.h"
#include "random/self_test.h"
#include "workbench/commands.h"
#include "workbench/workbench.h"

namespace {

// An engine number of the calling thread's instance, freed on every exit path.
class Owned {
   public:
    Owned() : m_x(big_alloc(0)) {}
    ~Owned() { big_free(m_x); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    operator big() const { return m_x; }

   private:
    big m_x;
};

void factor_worker(WorkerRun& run) {
    Workbench& wb = run.workbench();
    FactorReport& report = factor_report();
    Owned n;
    if (n == nullptr) return;
    wb.fields().read_field(ctl::NP, n);  // the magnitude text in base 16, signed
    if (big_is_negative(n)) big_negate(n, n);
    run.begin();
    if (logb2(n) <= 1) {
        wb.set_large_pane("N is too small...");
        // The finished layout empties the status pane: the refusal goes after it.
        run.finish();
        wb.set_status("No joking...");
        return;
    }
    FactorInputs in;
    in.ecm_curves = [&wb] { return static_cast<uint64_t>(wb.box_value(ctl::ecm_n)); };
    in.ecm_k = [&wb] { return static_cast<uint64_t>(wb.box_value(ctl::ecm_k)); };
    in.before_final = [&run] { run.finish(); };
    factor_driver(n, in, report);
    if (!run.ended()) run.finish();
}

bool shows_status_text(int code) { return code == kStatusHeader || (code >= 16 && code <= 21); }
bool is_final(int code) { return code == kStatusStopped || code == kStatusExhausted || code == kStatusFactored; }

// The factoring display poller: after 50 ms it clears both buffers, then every
// few milliseconds shows the factor list when it has grown and the status text
// when a new one is posted; a final status shows both and starts over.
void factor_poller(Workbench& wb, StopToken& stop) {
    FactorReport& report = factor_report();
    Window& w = wb.window();
    for (;;) {
        if (!stop.sleep_ms(50)) return;
        report.clear_if_idle();
        int shown = 0;
        for (;;) {
            if (!stop.sleep_ms(5)) return;
            const int count = report.line_count();
            if (count < shown) shown = 0;  // a new run cleared the list
            if (count > shown) {
                w.set_text(ctl::large_pane, report.list_text());
                w.scroll_to_end(ctl::large_pane);
                shown = count;
            }
            const int code = report.status_code();
            if (shows_status_text(code)) {
                w.set_text(ctl::status_pane, report.status_text());
                report.acknowledge_status(code, kStatusShown);
            } else if (is_final(code)) {
                w.set_text(ctl::large_pane, report.list_text());
                w.scroll_to_end(ctl::large_pane);
                w.set_text(ctl::status_pane, report.status_text());
                if (report.acknowledge_status(code, kStatusIdle)) break;
            }
        }
    }
}

bool poller_busy() {
    const int code = factor_report().status_code();
    return shows_status_text(code) || is_final(code);
}

class WindowSelfTestView final : public SelfTestView {
   public:
    explicit WindowSelfTestView(Workbench& wb) : m_wb(wb) {}
    int build_prime_table(bool large) override {
        return prepare_runtime_table(large ? RuntimeTable::k1024K : RuntimeTable::k64K);
    }
    void clear_log() override { log_clear(); }
    void report_failure(const std::string& text) override {
        set_run_state(RunState::running);
        std::string line = text;
        if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) line.resize(line.size() - 2);
        factor_report().add_line(line);
        set_run_state(RunState::abort_requested);
    }
    void show_status(const std::string& text) override {
        m_wb.set_status(text);
        m_wb.window().scroll_to_end(ctl::status_pane);
    }
    void message_box(const std::string& title, const std::string& text) override {
        m_wb.window().message_box(title, text);
    }

   private:
    Workbench& m_wb;
};

void self_test_thread(Workbench& wb, StopToken& stop) {
    // Its own engine instance: the benchmark's curves never meet the window's
    // or a worker's state.
    if (open_workbench_engine() == nullptr) return;
    WindowSelfTestView view(wb);
    run_self_test(view, wb.clock(), stop);
    engine_teardown();
}

}  // namespace

KORVATH_ACTIONS(register_factor_actions) {
    registry.worker_entry(4, factor_worker);
    registry.stop_request(4, [] { factor_report().request_stop(); });

    BackgroundSpec self_test;
    self_test.order = 1;
    self_test.name = "self test";
    self_test.priority = ThreadPriority::highest;
    self_test.run = self_test_thread;
    registry.background(std::move(self_test));

    BackgroundSpec poller;
    poller.order = 2;
    poller.name = "factoring poller";
    poller.priority = ThreadPriority::normal;
    poller.run = factor_poller;
    poller.busy = poller_busy;
    registry.background(std::move(poller));
}
