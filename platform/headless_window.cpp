#include "platform/headless_window.h"

#include <cctype>
#include <thread>
#include <type_traits>

namespace {

std::string strip_mnemonic(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&' && i + 1 < s.size()) {
            out += s[++i];  // "&&" is a literal "&"
            continue;
        }
        out += s[i];
    }
    return out;
}

bool is_text_control(ControlKind k) { return k == ControlKind::edit || k == ControlKind::multi_edit; }

}  // namespace

HeadlessWindow::HeadlessWindow() : m_queue(std::make_shared<WindowThreadQueue>()) {}

HeadlessWindow::HeadlessWindow(std::shared_ptr<WindowThreadQueue> queue, HeadlessWindow* owner)
    : m_queue(std::move(queue)), m_owner(owner) {}

HeadlessWindow::~HeadlessWindow() {
    if (m_owner == nullptr) m_queue->set_closing();
}

template <class F>
auto HeadlessWindow::sync(F&& f) -> decltype(f()) {
    using R = decltype(f());
    if (m_queue->on_owner_thread()) return f();
    if constexpr (std::is_void_v<R>) {
        m_queue->call([&] { f(); });
    } else {
        R r{};
        m_queue->call([&] { r = f(); });
        return r;
    }
}

void HeadlessWindow::build(const FormSpec& form, EventSink* sink) {
    sync([&] {
        m_form = form;
        m_sink = sink;
        m_controls.clear();
        for (const ControlSpec& c : form.controls) {
            Control ctl;
            ctl.spec = c;
            if (!is_text_control(c.kind) && c.kind != ControlKind::list) ctl.text = c.caption;
            m_controls[c.id] = ctl;
        }
    });
}

HeadlessWindow::Control* HeadlessWindow::get(ControlId id) {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : &it->second;
}

void HeadlessWindow::notify(ControlId id, EventKind kind) {
    if (m_sink != nullptr) m_sink->on_event(Event{id, kind});
}

std::string HeadlessWindow::text(ControlId id) {
    return sync([&] {
        Control* c = get(id);
        return c ? c->text : std::string();
    });
}

void HeadlessWindow::set_text(ControlId id, std::string_view t) {
    sync([&] {
        Control* c = get(id);
        if (c == nullptr) return;
        c->text.assign(t);
        if (is_text_control(c->spec.kind)) notify(id, EventKind::text_changed);
    });
}

void HeadlessWindow::set_caption(ControlId id, std::string_view caption) {
    sync([&] {
        if (Control* c = get(id)) c->text.assign(caption);
    });
}

std::string HeadlessWindow::caption(ControlId id) {
    return sync([&] {
        Control* c = get(id);
        return c ? c->text : std::string();
    });
}

void HeadlessWindow::enable(ControlId id, bool on) {
    sync([&] {
        if (Control* c = get(id)) c->spec.enabled = on;
    });
}

bool HeadlessWindow::enabled(ControlId id) {
    return sync([&] {
        Control* c = get(id);
        return c != nullptr && c->spec.enabled;
    });
}

void HeadlessWindow::show(ControlId id, bool on) {
    sync([&] {
        if (Control* c = get(id)) c->spec.visible = on;
    });
}

bool HeadlessWindow::shown(ControlId id) {
    return sync([&] {
        Control* c = get(id);
        return c != nullptr && c->spec.visible;
    });
}

void HeadlessWindow::set_read_only(ControlId id, bool on) {
    sync([&] {
        if (Control* c = get(id)) c->spec.read_only = on;
    });
}

bool HeadlessWindow::read_only(ControlId id) {
    return sync([&] {
        Control* c = get(id);
        return c != nullptr && c->spec.read_only;
    });
}

void HeadlessWindow::set_limit(ControlId id, int chars) {
    sync([&] {
        if (Control* c = get(id)) c->spec.limit = chars;
    });
}

int HeadlessWindow::limit(ControlId id) {
    return sync([&] {
        Control* c = get(id);
        return c ? c->spec.limit : 0;
    });
}

void HeadlessWindow::set_checked(ControlId id, bool on) {
    sync([&] {
        Control* c = get(id);
        if (c == nullptr) return;
        if (on && c->spec.kind == ControlKind::radio_button)
            for (auto& [oid, o] : m_controls)
                if (o.spec.kind == ControlKind::radio_button) o.checked = false;
        c->checked = on;
    });
}

bool HeadlessWindow::checked(ControlId id) {
    return sync([&] {
        Control* c = get(id);
        return c != nullptr && c->checked;
    });
}

void HeadlessWindow::list_clear(ControlId id) {
    sync([&] {
        if (Control* c = get(id)) {
            c->entries.clear();
            c->selection = -1;
            c->text.clear();
        }
    });
}

void HeadlessWindow::list_add(ControlId id, std::string_view entry) {
    sync([&] {
        if (Control* c = get(id)) c->entries.emplace_back(entry);
    });
}

std::vector<std::string> HeadlessWindow::list_entries(ControlId id) {
    return sync([&] {
        Control* c = get(id);
        return c ? c->entries : std::vector<std::string>();
    });
}

void HeadlessWindow::list_select(ControlId id, int index) {
    sync([&] {
        Control* c = get(id);
        if (c == nullptr) return;
        if (index < 0 || index >= static_cast<int>(c->entries.size())) {
            c->selection = -1;
            c->text.clear();
        } else {
            c->selection = index;
            c->text = c->entries[static_cast<size_t>(index)];
        }
    });
}

int HeadlessWindow::list_selection(ControlId id) {
    return sync([&] {
        Control* c = get(id);
        return c ? c->selection : -1;
    });
}

void HeadlessWindow::scroll_to_end(ControlId id) {
    sync([&] {
        if (Control* c = get(id)) ++c->scrolls;
    });
}

int HeadlessWindow::scroll_count(ControlId id) {
    return sync([&] {
        Control* c = get(id);
        return c ? c->scrolls : 0;
    });
}

void HeadlessWindow::message_box(std::string_view title, std::string_view t) {
    sync([&] { m_messages.push_back(Message{std::string(title), std::string(t)}); });
}

std::optional<std::string> HeadlessWindow::next_file_answer() {
    if (m_file_answers.empty()) return std::nullopt;
    auto a = m_file_answers.front();
    m_file_answers.pop_front();
    return a;
}

std::optional<std::string> HeadlessWindow::pick_open_file(const std::vector<FileFilter>&) {
    return sync([&] { return next_file_answer(); });
}

std::optional<std::string> HeadlessWindow::pick_save_file(const std::vector<FileFilter>&) {
    return sync([&] { return next_file_answer(); });
}

void HeadlessWindow::queue_file_answer(std::optional<std::string> path) {
    sync([&] { m_file_answers.push_back(std::move(path)); });
}

Window* HeadlessWindow::open_dialog(const FormSpec& form, EventSink* sink) {
    return sync([&]() -> Window* {
        m_dialog.reset(new HeadlessWindow(m_queue, this));
        m_dialog->build(form, sink);
        return m_dialog.get();
    });
}

void HeadlessWindow::close_dialog(Window* dialog) {
    sync([&] {
        if (dialog != nullptr && dialog == m_dialog.get()) m_dialog.reset();
    });
}

Window* HeadlessWindow::active_dialog() {
    return sync([&]() -> Window* { return m_dialog.get(); });
}

bool HeadlessWindow::run_on_window_thread(const std::function<void()>& fn) { return m_queue->call(fn); }

void HeadlessWindow::post(std::function<void()> fn) { m_queue->post(std::move(fn)); }

bool HeadlessWindow::on_window_thread() const { return m_queue->on_owner_thread(); }

void HeadlessWindow::close() {
    if (m_owner != nullptr) {
        m_owner->close_dialog(this);
        return;
    }
    m_closed = true;
    m_queue->set_closing();
}

bool HeadlessWindow::closing() const { return m_queue->closing(); }

bool HeadlessWindow::type_text(ControlId id, std::string_view t) {
    Control* c = get(id);
    if (c == nullptr || blocked() || !is_text_control(c->spec.kind) || !c->spec.enabled ||
        !c->spec.visible || c->spec.read_only)
        return false;
    std::string typed;
    for (char ch : t) {
        if (c->spec.digits_only && !std::isdigit(static_cast<unsigned char>(ch))) continue;
        if (c->spec.limit > 0 && static_cast<int>(typed.size()) >= c->spec.limit) break;
        typed += ch;
    }
    c->text = typed;
    notify(id, EventKind::text_changed);
    return true;
}

bool HeadlessWindow::click(ControlId id) {
    Control* c = get(id);
    if (c == nullptr || blocked() || !c->spec.enabled || !c->spec.visible) return false;
    switch (c->spec.kind) {
        case ControlKind::button:
            break;
        case ControlKind::check_box:
            c->checked = !c->checked;
            break;
        case ControlKind::radio_button:
            set_checked(id, true);
            break;
        default:
            return false;
    }
    notify(id, EventKind::clicked);
    return true;
}

bool HeadlessWindow::choose(ControlId id, int index) {
    Control* c = get(id);
    if (c == nullptr || blocked() || c->spec.kind != ControlKind::list || !c->spec.enabled ||
        !c->spec.visible || index < 0 || index >= static_cast<int>(c->entries.size()))
        return false;
    list_select(id, index);
    notify(id, EventKind::selection_changed);
    return true;
}

void HeadlessWindow::request_close() { notify(kNoControl, EventKind::close_requested); }

ControlId HeadlessWindow::find(std::string_view name) const {
    // Names first (edits, lists, "check:" boxes), then button and check-box
    // captions with or without "&"; a visible control wins over a hidden one.
    for (int pass = 0; pass < 2; ++pass) {
        ControlId hidden = kNoControl;
        for (const ControlSpec& spec : m_form.controls) {
            const Control& c = m_controls.at(spec.id);
            bool match;
            if (pass == 0) {
                match = !spec.name.empty() && spec.name == name;
            } else {
                const bool captioned = spec.kind == ControlKind::button || spec.kind == ControlKind::check_box ||
                                       spec.kind == ControlKind::radio_button;
                match = captioned && (c.text == name || strip_mnemonic(c.text) == name);
            }
            if (!match) continue;
            if (c.spec.visible) return spec.id;
            if (hidden == kNoControl) hidden = spec.id;
        }
        if (hidden != kNoControl) return hidden;
    }
    return kNoControl;
}

void HeadlessWindow::pump_for(std::chrono::milliseconds d) {
    const auto end = std::chrono::steady_clock::now() + d;
    while (std::chrono::steady_clock::now() < end) m_queue->wait_and_pump(std::chrono::milliseconds(2));
}

bool HeadlessWindow::pump_until(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        m_queue->pump();
        if (pred()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        m_queue->wait_and_pump(std::chrono::milliseconds(2));
    }
}
