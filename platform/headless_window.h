// HeadlessWindow: an in-memory window built from a FormSpec, for tests and the
// batch front end. It keeps every control's state (text, caption, enabled,
// visible, read-only, limit, check, list entries and selection) and raises the
// same notifications as the Qt window.
//
// The window thread is the thread that constructs it. Calls from other threads
// wait until that thread pumps (pump, pump_for, pump_until): a test or the batch
// front end pumps while it waits for a worker.
//
// User input is simulated with type_text, click, choose and request_close; each
// refuses (returns false) what a user could not do: a disabled, hidden or
// read-only control, or any control of a window under an open modal dialog.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/window.h"
#include "platform/window_thread.h"

class HeadlessWindow final : public Window {
   public:
    /// A main window: owns its window-thread queue.
    HeadlessWindow();
    ~HeadlessWindow() override;

    void build(const FormSpec& form, EventSink* sink) override;
    const FormSpec& form() const { return m_form; }

    // ---- Window ------------------------------------------------------------------
    std::string text(ControlId id) override;
    void set_text(ControlId id, std::string_view text) override;
    void set_caption(ControlId id, std::string_view caption) override;
    std::string caption(ControlId id) override;
    void enable(ControlId id, bool on) override;
    bool enabled(ControlId id) override;
    void show(ControlId id, bool on) override;
    bool shown(ControlId id) override;
    void set_read_only(ControlId id, bool on) override;
    bool read_only(ControlId id) override;
    void set_limit(ControlId id, int chars) override;
    int limit(ControlId id) override;
    void set_checked(ControlId id, bool on) override;
    bool checked(ControlId id) override;
    void list_clear(ControlId id) override;
    void list_add(ControlId id, std::string_view entry) override;
    std::vector<std::string> list_entries(ControlId id) override;
    void list_select(ControlId id, int index) override;
    int list_selection(ControlId id) override;
    void scroll_to_end(ControlId id) override;
    void message_box(std::string_view title, std::string_view text) override;
    std::optional<std::string> pick_open_file(const std::vector<FileFilter>& filters) override;
    std::optional<std::string> pick_save_file(const std::vector<FileFilter>& filters) override;
    Window* open_dialog(const FormSpec& form, EventSink* sink) override;
    void close_dialog(Window* dialog) override;
    Window* active_dialog() override;
    bool run_on_window_thread(const std::function<void()>& fn) override;
    void post(std::function<void()> fn) override;
    bool on_window_thread() const override;
    void close() override;
    bool closing() const override;

    // ---- simulated user input (window thread) ---------------------------------------
    /// Replaces an edit's text as typed: characters past the typing limit and, in a
    /// digits-only box, non-digits are refused; raises text_changed.
    bool type_text(ControlId id, std::string_view text);
    /// Presses a button, or toggles a check box / selects a radio button; raises clicked.
    bool click(ControlId id);
    /// Selects list entry `index` as the user would; raises selection_changed.
    bool choose(ControlId id, int index);
    /// The close box / cancel key: raises close_requested.
    void request_close();

    /// The control whose name or caption (compared with and without "&") is
    /// `name`; visible controls first. kNoControl when none.
    ControlId find(std::string_view name) const;
    /// The open dialog as a HeadlessWindow (null when none).
    HeadlessWindow* dialog() { return m_dialog.get(); }

    // ---- window thread ------------------------------------------------------------------
    int pump() { return m_queue->pump(); }
    /// Pumps for `d`.
    void pump_for(std::chrono::milliseconds d);
    /// Pumps until pred() holds (checked between pumps) or the timeout passes;
    /// returns pred().
    bool pump_until(const std::function<bool()>& pred, std::chrono::milliseconds timeout);

    // ---- what the user saw ------------------------------------------------------------
    struct Message {
        std::string title, text;
    };
    std::vector<Message> messages() const { return m_messages; }
    /// Answers for the next file pickers, in order (nullopt = cancelled).
    void queue_file_answer(std::optional<std::string> path);
    int scroll_count(ControlId id);

   private:
    explicit HeadlessWindow(std::shared_ptr<WindowThreadQueue> queue, HeadlessWindow* owner);

    struct Control {
        ControlSpec spec;
        std::string text;  // edit/pane text, label/button/group caption
        std::vector<std::string> entries;
        int selection = -1;
        bool checked = false;
        int scrolls = 0;
    };
    Control* get(ControlId id);
    template <class F>
    auto sync(F&& f) -> decltype(f());
    bool blocked() const { return m_dialog != nullptr; }
    void notify(ControlId id, EventKind kind);
    std::optional<std::string> next_file_answer();

    std::shared_ptr<WindowThreadQueue> m_queue;
    HeadlessWindow* m_owner = nullptr;
    FormSpec m_form;
    EventSink* m_sink = nullptr;
    std::map<ControlId, Control> m_controls;
    std::unique_ptr<HeadlessWindow> m_dialog;
    std::vector<Message> m_messages;
    std::deque<std::optional<std::string>> m_file_answers;
    bool m_closed = false;
};
