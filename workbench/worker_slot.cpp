#include "workbench/worker_slot.h"

#include "engine/instance.h"
#include "numtheory/progress_log.h"
#include "workbench/controls.h"
#include "workbench/number_text.h"
#include "workbench/workbench.h"

namespace {

// Thrown at a checkpoint of a worker that was ended at once; caught only by the
// worker's outermost frame.
struct WorkerStopped {};

const SlotInfo kSlots[kSlotCount] = {
    {ctl::generate, "Generating Elliptic Curve, please be patient...", StopMethod::end_at_once, ""},
    {ctl::get_np, "Computering Number of Points, please be patient...", StopMethod::abort_request,
     "Wait for get_np thread exiting..."},
    {ctl::list_poly, "Listing Irreducible Polynomial, please be patient...", StopMethod::end_at_once, ""},
    {ctl::find_poly, "Find Irreducible Polynomial for G(x,y), please be patient...", StopMethod::end_at_once, ""},
    {ctl::factor_np, "Factoring NP, please be patient...", StopMethod::own_stop_word,
     "Wait for factor thread exiting..."},
    {ctl::new_g, "Generating G(x,y) with Order Q, pease be patient...", StopMethod::end_at_once, ""},
    {ctl::get_ord, "Computering Order G / or K please be patient...", StopMethod::abort_request,
     "Wait for get_ord thread exiting..."},
    {ctl::get_ab, "Computering A,B from P, G(x,y), R(x,y)...", StopMethod::end_at_once, ""},
    {ctl::kangaroo, "Kangaroo Solve ECDLP:\r\nk*G(x,y)=R(x,y)", StopMethod::abort_request,
     "Wait for Kangaroo_KG thread exiting..."},
};

// Controls the busy layout disables and the idle layout enables again.
const ControlId kBusyDisabled[] = {
    ctl::about,   ctl::curve_type, ctl::generate, ctl::get_np, ctl::get_ord, ctl::get_ab,
    ctl::list_poly, ctl::chk_poly, ctl::factor_np, ctl::chk_order, ctl::test, ctl::rand_g,
    ctl::new_k,   ctl::new_g,      ctl::calc_r,   ctl::chk_gy, ctl::chk_ry,  ctl::lg_hr,
    ctl::kangaroo,
};

}  // namespace

const char* const kPriorityEntries[5] = {"Idle/4", "Bellow Normal/6", "Normal/8", "Above Normal/10", "High/13"};

ThreadPriority priority_of_entry(int index) {
    switch (index) {
        case 0: return ThreadPriority::idle;
        case 1: return ThreadPriority::below_normal;
        case 3: return ThreadPriority::above_normal;
        case 4: return ThreadPriority::highest;
        default: return ThreadPriority::normal;
    }
}

const SlotInfo& slot_info(int slot) { return kSlots[slot]; }

// ---- WorkerRun ---------------------------------------------------------------------------

ControlId WorkerRun::own_button() const { return kSlots[m_slot].button; }

void WorkerRun::begin(bool uses_log) {
    engine_checkpoint();
    m_start = m_wb.clock().tick_ms();
    m_slots.set_button_layout(own_button(), ButtonLayout::busy);
    m_slots.transition(m_slot, SlotState::idle, SlotState::running);
    m_begun = true;
    if (uses_log) {
        log_clear();
        set_run_state(RunState::running);
    }
}

void WorkerRun::refuse(std::string_view message) {
    engine_checkpoint();
    m_wb.set_large_pane(message);
    m_slots.set_button_layout(own_button(), ButtonLayout::idle);
    m_refused = true;
}

void WorkerRun::finish() {
    engine_checkpoint();
    m_slots.set_button_layout(own_button(), ButtonLayout::finished);
    if (!m_slots.transition(m_slot, SlotState::running, SlotState::finished))
        m_slots.transition(m_slot, SlotState::paused, SlotState::finished);
    m_wb.set_cost(m_wb.clock().tick_ms() - m_start);
    m_finished = true;
}

// ---- worker checkpoint ----------------------------------------------------------------------

void WorkerSlots::Worker::update_poll() {
    poll.store(kill.load() || pause.load() || priority.load() >= 0, std::memory_order_release);
}

void WorkerSlots::Worker::checkpoint() {
    std::unique_lock<std::mutex> lock(mutex);
    if (kill.load()) throw WorkerStopped{};
    const int p = priority.exchange(-1);
    if (p >= 0) set_current_thread_priority(priority_of_entry(p));
    // A paused worker sleeps here and uses no processor time until resumed.
    cv.wait(lock, [&] { return !pause.load() || kill.load(); });
    if (kill.load()) throw WorkerStopped{};
    update_poll();
}

void WorkerSlots::poll_handler(engine_instance*, void* context) { static_cast<Worker*>(context)->checkpoint(); }

// ---- slots -----------------------------------------------------------------------------------

WorkerSlots::~WorkerSlots() { shutdown(); }

void WorkerSlots::reset() {
    for (auto& s : m_state) s.store(SlotState::idle);
    m_pause_flag.store(false);
}

bool WorkerSlots::transition(int slot, SlotState from, SlotState to) {
    return m_state[static_cast<size_t>(slot)].compare_exchange_strong(from, to);
}

bool WorkerSlots::any_running() const {
    for (const auto& s : m_state)
        if (s.load() == SlotState::running) return true;
    return false;
}

bool WorkerSlots::any_running_or_paused() const {
    for (const auto& s : m_state) {
        const SlotState v = s.load();
        if (v == SlotState::running || v == SlotState::paused) return true;
    }
    return false;
}

bool WorkerSlots::worker_alive() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& w : m_workers)
        if (w && !w->ended.load()) return true;
    for (const auto& w : m_retired)
        if (!w->ended.load()) return true;
    return false;
}

void WorkerSlots::reap() {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_retired.begin(); it != m_retired.end();) {
        if ((*it)->ended.load()) {
            if ((*it)->thread.joinable()) (*it)->thread.join();
            it = m_retired.erase(it);
        } else {
            ++it;
        }
    }
}

void WorkerSlots::start_worker(int slot) {
    if (slot < 0 || slot >= kSlotCount) return;
    Window& win = m_wb.window();
    // A worker whose entry has not yet marked its slot running counts as running
    // too, so two quick presses never start two workers.
    bool live_unstarted = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int i = 0; i < kSlotCount; ++i)
            if (m_workers[i] && !m_workers[i]->ended.load() && state(i) == SlotState::idle) live_unstarted = true;
    }
    if (any_running_or_paused() || live_unstarted) {
        m_wb.set_large_pane("Another thread is still running or paused ...");
        return;
    }
    reap();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int i = 0; i < kSlotCount; ++i) {
            if (state(i) != SlotState::finished && !(m_workers[i] && m_workers[i]->ended.load())) continue;
            // Release the handle. A worker that is still writing its last words
            // ("Cost") is never joined here: it may be waiting for this thread.
            if (m_workers[i]) {
                if (m_workers[i]->ended.load()) {
                    if (m_workers[i]->thread.joinable()) m_workers[i]->thread.join();
                } else {
                    m_retired.push_back(m_workers[i]);
                }
                m_workers[i].reset();
            }
            set_state(i, SlotState::idle);
        }
    }
    const unsigned bits = m_wb.box_value(ctl::curve_bits);
    if (bits < 3 || bits > 1024) {
        m_wb.set_large_pane("GF(P): Curve Bits size should be: 3 <= bits <= 1024 ");
        return;
    }
    const unsigned m = m_wb.box_value(ctl::m_box);
    if (m < 3 || m > 1024) {
        m_wb.set_large_pane("GF(2^M): M should be: 3 <= M <= 1024 ");
        return;
    }
    const WorkerEntry* entry = m_wb.registry().find_entry(slot);
    if (entry == nullptr) return;

    auto w = std::make_shared<Worker>();
    w->slot = slot;
    win.enable(ctl::stop, true);
    win.enable(ctl::pause, true);
    win.set_caption(ctl::pause, "&PAUSE");
    // A new worker is never paused: a pause pressed just as the last worker
    // ended must not turn the next PAUSE into a resume.
    m_pause_flag.store(false);
    m_wb.set_status(kSlots[slot].start_message);
    const ThreadPriority prio = priority_of_entry(win.list_selection(ctl::thread_priority));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_workers[static_cast<size_t>(slot)] = w;
    }
    w->thread = std::thread([this, w, prio] { run(w, prio); });
}

void WorkerSlots::run(std::shared_ptr<Worker> w, ThreadPriority initial) {
    set_current_thread_priority(initial);
    engine_instance* e = open_workbench_engine();
    if (e != nullptr) {
        e->poll_flag = &w->poll;
        e->poll_handler = &WorkerSlots::poll_handler;
        e->poll_context = w.get();
    }
    WorkerRun run(m_wb, *this, w->slot);
    try {
        if (const WorkerEntry* entry = m_wb.registry().find_entry(w->slot)) (*entry)(run);
        // The entry routine's protocol, completed where it left a step out.
        if (!run.begun() && !run.ended()) {
            engine_checkpoint();
            set_button_layout(run.own_button(), ButtonLayout::idle);
        } else if (run.begun() && !run.ended()) {
            run.finish();
        }
        if (engine_error() != 0) {
            engine_checkpoint();
            m_wb.report_engine_error();
        }
    } catch (const WorkerStopped&) {
        // Ended at once: the slot was marked finished by STOP; write nothing.
    }
    if (e != nullptr) engine_teardown();
    w->ended.store(true);
}

void WorkerSlots::toggle_pause() {
    Window& win = m_wb.window();
    if (!m_pause_flag.load()) {
        m_pause_flag.store(true);
        win.set_caption(ctl::pause, "RES&UME");
        for (int i = 0; i < kSlotCount; ++i) {
            if (!transition(i, SlotState::running, SlotState::paused)) continue;
            std::shared_ptr<Worker> w;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                w = m_workers[static_cast<size_t>(i)];
            }
            if (w) {
                std::lock_guard<std::mutex> lock(w->mutex);
                w->pause.store(true);
                w->update_poll();
            }
            win.enable(ctl::stop, false);
            m_wb.set_status("Thread paused, idle now, you can resume later...");
        }
    } else {
        m_pause_flag.store(false);
        win.set_caption(ctl::pause, "&PAUSE");
        for (int i = 0; i < kSlotCount; ++i) {
            if (!transition(i, SlotState::paused, SlotState::running)) continue;
            std::shared_ptr<Worker> w;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                w = m_workers[static_cast<size_t>(i)];
            }
            if (w) {
                {
                    std::lock_guard<std::mutex> lock(w->mutex);
                    w->pause.store(false);
                    w->update_poll();
                }
                w->cv.notify_all();
            }
            win.enable(ctl::stop, true);
            m_wb.set_status("Thread resumes running...");
        }
    }
}

void WorkerSlots::set_worker_priority(int index) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int i = 0; i < kSlotCount; ++i) {
        if (state(i) != SlotState::running || !m_workers[i]) continue;
        Worker& w = *m_workers[i];
        std::lock_guard<std::mutex> wl(w.mutex);
        w.priority.store(index);
        w.update_poll();
    }
}

void WorkerSlots::stop_worker() {
    std::string message;
    for (int i = 0; i < kSlotCount; ++i) {
        const SlotState s = state(i);
        if (s != SlotState::running && s != SlotState::paused) continue;
        switch (kSlots[i].stop) {
            case StopMethod::abort_request:
                set_run_state(RunState::abort_requested);
                message = kSlots[i].wait_text;
                break;
            case StopMethod::own_stop_word:
                if (const auto* fn = m_wb.registry().find_stop(i)) (*fn)();
                message = kSlots[i].wait_text;
                break;
            case StopMethod::end_at_once: {
                std::shared_ptr<Worker> w;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    w = std::move(m_workers[static_cast<size_t>(i)]);
                    if (w) m_retired.push_back(w);
                }
                if (w) {
                    {
                        std::lock_guard<std::mutex> lock(w->mutex);
                        w->kill.store(true);
                        w->update_poll();
                    }
                    w->cv.notify_all();
                }
                set_state(i, SlotState::finished);
                message = "Thread stopped. CPU is Idle .";
                break;
            }
        }
    }
    set_button_layout(kNoControl, ButtonLayout::idle);
    if (!message.empty()) m_wb.set_status(message);
}

void WorkerSlots::set_button_layout(ControlId own, ButtonLayout layout) {
    engine_checkpoint();
    Window& win = m_wb.window();
    auto has_action = [&](ControlId id) {
        if (id == ctl::curve_type || id == ctl::about) return true;
        if (m_wb.registry().find_window_action(id) != nullptr) return true;
        for (int s = 0; s < kSlotCount; ++s)
            if (kSlots[s].button == id) return m_wb.registry().find_entry(s) != nullptr;
        return false;
    };
    switch (layout) {
        case ButtonLayout::busy:
            if (own != kNoControl) win.enable(own, false);
            win.enable(ctl::stop, true);
            win.enable(ctl::pause, true);
            for (ControlId id : kBusyDisabled) win.enable(id, false);
            break;
        case ButtonLayout::finished:
            if (own != kNoControl) win.enable(own, has_action(own));
            [[fallthrough]];
        case ButtonLayout::idle:
            win.enable(ctl::stop, false);
            win.enable(ctl::pause, false);
            win.set_caption(ctl::pause, "&PAUSE");
            for (ControlId id : kBusyDisabled) win.enable(id, has_action(id));
            // FIND POLY stays usable while busy, but is disabled as its own button.
            win.enable(ctl::find_poly, has_action(ctl::find_poly));
            m_wb.set_status("");
            break;
    }
}

void WorkerSlots::request_shutdown() {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& w : m_workers) {
        if (!w) continue;
        {
            std::lock_guard<std::mutex> wl(w->mutex);
            w->kill.store(true);
            w->update_poll();
        }
        w->cv.notify_all();
    }
}

void WorkerSlots::shutdown() {
    std::vector<std::shared_ptr<Worker>> all;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto& w : m_workers)
            if (w) all.push_back(std::move(w));
        for (auto& w : m_retired) all.push_back(std::move(w));
        m_retired.clear();
    }
    for (auto& w : all) {
        {
            std::lock_guard<std::mutex> lock(w->mutex);
            w->kill.store(true);
            w->update_poll();
        }
        w->cv.notify_all();
    }
    for (auto& w : all)
        if (w->thread.joinable()) w->thread.join();
}
