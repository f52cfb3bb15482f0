#include "workbench/workbench.h"

#include <cstdio>

#include "numtheory/progress_log.h"
#include "workbench/number_text.h"

void log_display_loop(Workbench& wb, StopToken& stop, std::atomic<bool>& ready);

engine_instance* open_workbench_engine() {
    engine_instance* e = engine_open(2176, 2);
    if (e == nullptr) return nullptr;
    e->radix_point = true;
    e->io_base = 16;
    set_io_buffer_size(560);
    e->error_control = true;
    return e;
}

const char* Workbench::about_text() {
    return "KORVATH\r\nCreated by tovrel\r\nContact: tovrel at the KORVATH project page\r\nHave a good day :)";
}

Workbench::Workbench(Window& window, WorkbenchOptions options)
    : m_window(window),
      m_options(options),
      m_clock(options.clock ? options.clock : &system_clock()),
      m_info(options.info ? options.info : &system_info()),
      m_registry(options.registry ? *options.registry : command_registry()),
      m_fields(window),
      m_workers(*this) {
    m_engine = open_workbench_engine();
}

Workbench::~Workbench() {
    // Close the window first: a background thread or worker blocked in a window
    // call returns at once, so every thread can be joined.
    m_window.close();
    stop_background();
    m_workers.shutdown();
    {
        std::lock_guard<std::mutex> lock(m_extension_mutex);
        m_extensions.clear();
    }
    if (m_engine != nullptr && engine_current() == m_engine) {
        for (big& x : m_working) {
            big_free(x);
            x = nullptr;
        }
        engine_teardown();
    }
}

void Workbench::start() {
    Window& w = m_window;
    w.build(main_form(), this);
    // 1.
    const uint32_t start = m_clock->tick_ms();
    // 2.
    w.list_clear(ctl::number_base);
    for (int b : kDisplayBases) w.list_add(ctl::number_base, std::to_string(b));
    w.list_clear(ctl::thread_priority);
    for (const char* p : kPriorityEntries) w.list_add(ctl::thread_priority, p);
    // 3.
    for (ControlId id : std::initializer_list<ControlId>{ctl::pau, ctl::type, ctl::stop, ctl::pause}) w.enable(id, false);
    // 4., 5.
    m_workers.reset();
    // 6. The window thread's engine instance is open (constructor): I/O base 16,
    // buffer 560; six working integers.
    for (big& x : m_working)
        if (x == nullptr) x = big_alloc(0);
    // 7.-9. Seeding of both generators, error control on (set when opened),
    // records reset, entropy gathered.
    raw_rand_seed(static_cast<uint32_t>(m_clock->tsc()));
    m_fields.reset();
    if (m_options.seed_entropy)
        for (const WindowAction& seed : m_registry.seedings()) seed(*this);
    // 10. Field lock and redisplay guard exist with the fields; the Base64 table
    // is built on first use.
    m_fields.clear_guard();
    // 11.
    start_background();
    // 12. Icons come with the platform's window.
    // 13.
    w.set_limit(ctl::curve_bits, 4);
    w.set_value(ctl::curve_bits, 64);
    w.list_select(ctl::thread_priority, 2);
    w.list_select(ctl::number_base, 1);
    // 14.
    w.list_clear(ctl::curve_type);
    w.list_add(ctl::curve_type, "GF(P)");
    w.list_add(ctl::curve_type, "GF(2^M)");
    w.set_value(ctl::m_box, 63);
    w.set_value(ctl::a_box, 5);
    w.set_value(ctl::b_box, 0);
    w.set_value(ctl::c_box, 0);
    w.set_limit(ctl::m_box, 4);
    w.set_limit(ctl::a_box, 3);
    w.set_limit(ctl::b_box, 3);
    w.set_limit(ctl::c_box, 3);
    w.list_select(ctl::curve_type, 0);
    apply_curve_type(kCurveGFp);
    // 15.
    w.set_value(ctl::ecm_k, 101);
    w.set_value(ctl::ecm_n, 50);
    // 16.
    m_seed_typing_blocked.store(true);
    w.set_text(ctl::seed_padding, "Type any chars here into rng seed hashing as you like :) ...");
    w.set_limit(ctl::seed_padding, 256);
    w.set_limit(ctl::rng_salt, 256);
    // 17.
    w.set_read_only(ctl::field_edit(ctl::S), !w.checked(ctl::check_s));
    w.set_read_only(ctl::field_edit(ctl::H), !w.checked(ctl::check_h));
    // 18.
    for (int i = 0; i < ctl::kFieldCount; ++i) w.set_limit(ctl::field_edit(i), 256);
    // Buttons whose action is not part of this build stay disabled.
    m_workers.set_button_layout(kNoControl, ButtonLayout::idle);
    // 19.
    show_about();
    // 20.
    set_cost(m_clock->tick_ms() - start);
    // 21.
    m_seed_typing_blocked.store(false);
    m_started.store(true);
}

void Workbench::start_background() {
    if (m_options.background_threads) {
        for (const BackgroundSpec& spec : m_registry.backgrounds()) {
            auto bg = std::make_unique<Background>();
            bg->spec = spec;
            bg->stop = std::make_unique<StopToken>();
            Background* raw = bg.get();
            bg->thread = std::thread([this, raw] {
                set_current_thread_priority(raw->spec.priority);
                raw->spec.run(*this, *raw->stop);
            });
            m_background.push_back(std::move(bg));
        }
    }
    if (m_options.display_loop)
        m_display_thread = std::thread([this] { log_display_loop(*this, m_display_stop, m_display_ready); });
}

void Workbench::stop_background() {
    m_display_stop.request_stop();
    for (auto& bg : m_background) bg->stop->request_stop();
    if (m_display_thread.joinable()) m_display_thread.join();
    for (auto& bg : m_background)
        if (bg->thread.joinable()) bg->thread.join();
    m_background.clear();
}

bool Workbench::ready() const {
    return m_started.load() && (!m_options.display_loop || m_display_ready.load());
}

bool Workbench::busy() const {
    if (m_workers.worker_alive()) return true;
    if (run_state() == RunState::finished) return true;
    for (const auto& bg : m_background)
        if (bg->spec.busy && bg->spec.busy()) return true;
    return false;
}

unsigned Workbench::box_value(ControlId id) { return m_window.value(id).value_or(0); }

Workbench::Poly Workbench::polynomial() {
    Poly p{static_cast<int>(box_value(ctl::m_box)), static_cast<int>(box_value(ctl::a_box)),
           static_cast<int>(box_value(ctl::b_box)), static_cast<int>(box_value(ctl::c_box))};
    if (p.b == 0) p.c = 0;
    return p;
}

// ---- panes ------------------------------------------------------------------------------------

void Workbench::set_large_pane(std::string_view text) {
    engine_checkpoint();
    m_window.set_text(ctl::large_pane, text);
}

void Workbench::append_large_pane_line(std::string_view line) {
    engine_checkpoint();
    std::string t = m_window.text(ctl::large_pane);
    if (!t.empty() && (t.size() < 2 || t.compare(t.size() - 2, 2, "\r\n") != 0)) t += "\r\n";
    t.append(line);
    t += "\r\n";
    m_window.set_text(ctl::large_pane, t);
    m_window.scroll_to_end(ctl::large_pane);
}

void Workbench::set_status(std::string_view text) {
    engine_checkpoint();
    m_window.set_text(ctl::status_pane, text);
}

void Workbench::set_cost(uint32_t ms) {
    engine_checkpoint();
    m_window.set_text(ctl::cost, format_elapsed(ms));
}

void Workbench::report_engine_error() {
    const int code = engine_error();
    if (code == 0) return;
    std::string msg = error_message(code);
    while (!msg.empty() && (msg.back() == '\n' || msg.back() == ' ')) msg.pop_back();
    char head[32];
    std::snprintf(head, sizeof head, "Engine error %d: ", code);
    append_large_pane_line(std::string(head) + msg);
}

// ---- notifications -----------------------------------------------------------------------------

void Workbench::on_event(const Event& e) {
    // Each action starts with the error number of the window's instance cleared
    // and reports an error it ends with. A notification raised inside another
    // action (a field rewritten by it) keeps that action's error for it.
    const int outer = engine_error();
    engine_clear_error();
    dispatch(e);
    if (engine_current() != nullptr) {
        if (engine_error() != 0 && !m_exit.load()) report_engine_error();
        engine_current()->error_number = outer;
    }
}

void Workbench::press(ControlId id) { on_event(Event{id, EventKind::clicked}); }

void Workbench::dispatch(const Event& e) {
    switch (e.kind) {
        case EventKind::clicked:
            if (e.id == ctl::check_s || e.id == ctl::check_h || e.id == ctl::check_p)
                on_check(e.id);
            else
                on_click(e.id);
            break;
        case EventKind::text_changed: {
            const int field = ctl::field_of_edit(e.id);
            if (field >= 0) {
                m_fields.parse_input(field);
            } else if (const WindowAction* hook = m_registry.find_text(e.id)) {
                if (!(e.id == ctl::seed_padding && m_seed_typing_blocked.load())) (*hook)(*this);
            }
            break;
        }
        case EventKind::selection_changed:
            if (e.id == ctl::number_base)
                change_number_base(m_window.list_selection(ctl::number_base));
            else if (e.id == ctl::thread_priority)
                m_workers.set_worker_priority(m_window.list_selection(ctl::thread_priority));
            else if (e.id == ctl::curve_type)
                apply_curve_type(m_window.list_selection(ctl::curve_type));
            break;
        case EventKind::close_requested:
            exit();
            break;
    }
}

void Workbench::on_click(ControlId id) {
    if (const WindowAction* action = m_registry.find_window_action(id)) {
        (*action)(*this);
        return;
    }
    for (int s = 0; s < kSlotCount; ++s) {
        if (slot_info(s).button == id) {
            if (m_registry.find_entry(s) != nullptr) m_workers.start_worker(s);
            return;
        }
    }
}

void Workbench::on_check(ControlId id) {
    // The seed and hash fields are editable exactly while their box is ticked.
    if (id == ctl::check_s) m_window.set_read_only(ctl::field_edit(ctl::S), !m_window.checked(id));
    if (id == ctl::check_h) m_window.set_read_only(ctl::field_edit(ctl::H), !m_window.checked(id));
    if (const WindowAction* hook = m_registry.find_check(id)) (*hook)(*this);
}

// ---- window-thread commands ----------------------------------------------------------------------

void Workbench::change_number_base(int list_index) {
    if (list_index < 0 || list_index >= 5) return;
    const int new_base = kDisplayBases[list_index];
    if (new_base == display_base()) return;
    if (m_workers.any_running()) return;  // refused without a message
    m_window.enable(ctl::rev_np, new_base == 16);
    m_window.enable(ctl::rev_p, new_base == 16);
    m_fields.change_base(new_base, false);
}

void Workbench::apply_curve_type(int type) {
    if (type != kCurveGFp && type != kCurveGF2m) return;
    const bool gf2m = type == kCurveGF2m;
    set_large_pane(gf2m ? "Curve over GF(2^M)" : "Curve over GF(P)");
    for (ControlId id : std::initializer_list<ControlId>{ctl::list_poly, ctl::chk_poly, ctl::find_poly, ctl::poly_title, ctl::m_label, ctl::a_label,
                         ctl::b_label, ctl::c_label, ctl::m_box, ctl::a_box, ctl::b_box, ctl::c_box})
        m_window.show(id, gf2m);
    for (ControlId id : std::initializer_list<ControlId>{ctl::get_ab, ctl::curve_bits_label, ctl::curve_bits, ctl::field_edit(ctl::P),
                         ctl::field_counter(ctl::P), ctl::check_p, ctl::rev_p})
        m_window.show(id, !gf2m);
    set_status("");
    m_window.set_caption(ctl::curve_group, gf2m ? "Curve over GF(2^m) Y^2 + X*Y = X^3 + a2*X^2 + a6 (mod 2^m)"
                                                : "Curve over GF(P) Y^2 = X^3 + A*X + B (mod P)");
    m_window.set_caption(ctl::poly_text, gf2m ? "Trinomial: f(t)=t^m + t^a + 1 (b=0)\r\n"
                                                "Pentanomial: t^m + t^a + t^b + t^c + 1"
                                              : "");
    m_curve_type.store(type);
}

void Workbench::clear_ecc() {
    for (int i : {ctl::NP, ctl::A, ctl::B, ctl::P, ctl::H, ctl::S}) m_fields.clear_field(i);
}

void Workbench::clear_key() {
    for (int i : {ctl::Q, ctl::K, ctl::GX, ctl::GY, ctl::RX, ctl::RY}) m_fields.clear_field(i);
}

void Workbench::reverse_field(int index) {
    const FieldRecord r = m_fields.record(index);
    m_window.set_text(ctl::field_edit(index), reverse_hex_bytes(r.magnitude));
}

void Workbench::show_about() { set_large_pane(about_text()); }

void Workbench::exit() {
    m_exit.store(true);
    m_workers.request_shutdown();
    m_display_stop.request_stop();
    for (auto& bg : m_background) bg->stop->request_stop();
    m_window.close();
}
