// The display loop of the progress log: copies the log into the large pane while
// a worker logs, and adds the closing line when the logged work has finished.
#include <atomic>

#include "numtheory/progress_log.h"
#include "workbench/workbench.h"

namespace {

void show_log(Workbench& wb) {
    Window& w = wb.window();
    w.set_text(ctl::large_pane, progress_log().text());
    w.scroll_to_end(ctl::large_pane);
}

}  // namespace

void log_display_loop(Workbench& wb, StopToken& stop, std::atomic<bool>& ready) {
    for (;;) {
        // 1. Consume the finished run just shown. A run that already started in
        // the meantime keeps its log and state.
        if (!stop.sleep_ms(50)) return;
        progress_log().settle();
        ready.store(true);
        ProgressLog::Mark last = progress_log().mark();
        // 2.
        for (;;) {
            if (!stop.sleep_ms(10)) return;
            const RunState s = run_state();
            if (s == RunState::running || s == RunState::abort_requested) {
                if (!stop.sleep_ms(60)) return;
                const ProgressLog::Mark m = progress_log().mark();
                if (!(m == last)) {
                    show_log(wb);
                    last = m;
                }
            } else if (s == RunState::finished) {
                if (!stop.sleep_ms(50)) return;
                progress_log().append("\r\n*** Done, Thread EXIT ***\r\n", kLogClosingLimit);
                show_log(wb);
                break;
            }
        }
    }
}
