// QtWindow: the window interface on Qt 6 Widgets. A fixed-size QDialog whose
// controls are built from a FormSpec at their pixel positions, in a monospace
// font.
//
// Control mapping: label -> QLabel, edit -> QLineEdit (typing limit and digit
// filter by a validator, so that text the program sets is never cut), pane ->
// read-only QPlainTextEdit, button -> QPushButton, check box, radio button,
// list -> QComboBox, group box -> QGroupBox (a frame under the controls).
// Program-set texts raise text_changed directly; user edits through textEdited.
// Panes and labels keep the exact text the program set ("\r\n" included) and
// show it with plain line ends.
//
// Calls from other threads are queued to the GUI thread and waited for
// (WindowThreadQueue); the close box and Escape raise close_requested instead of
// closing.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/window.h"
#include "platform/window_thread.h"

class QWidget;
class QDialog;
class QObject;

class QtWindow final : public Window {
   public:
    QtWindow();
    ~QtWindow() override;

    void build(const FormSpec& form, EventSink* sink) override;
    /// Shows the window (non-blocking).
    void show_window();
    /// Called once when close() ends the window (the program quits its loop).
    void set_on_closed(std::function<void()> fn) { m_on_closed = std::move(fn); }
    QWidget* widget();
    QWidget* control(ControlId id);

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

   private:
    QtWindow(std::shared_ptr<WindowThreadQueue> queue, QtWindow* owner);
    struct Impl;
    template <class F>
    auto sync(F&& f) -> decltype(f());
    std::shared_ptr<WindowThreadQueue> m_queue;
    QtWindow* m_owner = nullptr;
    std::unique_ptr<Impl> m_impl;
    std::unique_ptr<QtWindow> m_dialog;
    std::function<void()> m_on_closed;
};
