// The window interface: what the workbench may do with a window built from a
// FormSpec. Implemented by the Qt window (platform/qt) and by the in-memory
// HeadlessWindow used by tests and the batch front end.
//
// Threads. Every member may be called from any thread. A call from another
// thread runs on the window thread and returns when it is done, as a message sent
// to a window does; notifications it raises run there too, synchronously. Once
// the window is closing, calls from other threads return at once without effect
// (reads give empty values), so background threads can never block shutdown.
//
// Notifications. set_text on an edit raises text_changed synchronously, always
// (also when the text is unchanged); so does typing. set_checked, list_select and
// the other setters raise nothing. Clicks, list selections by the user and close
// requests raise the matching event.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/form.h"

/// One filter pair of a file picker: display name and pattern ("Txt(*.txt)", "*.txt").
struct FileFilter {
    std::string name;
    std::string pattern;
};

class Window {
   public:
    virtual ~Window() = default;

    /// Creates the controls of `form`; notifications go to `sink` (may be null).
    virtual void build(const FormSpec& form, EventSink* sink) = 0;

    // ---- controls by identifier ---------------------------------------------------
    virtual std::string text(ControlId id) = 0;
    virtual void set_text(ControlId id, std::string_view text) = 0;
    /// The text read as an unsigned decimal number: leading blanks skipped, digits
    /// up to the first non-digit; nullopt when there is no digit or it overflows
    /// 32 bits.
    std::optional<unsigned> value(ControlId id);
    void set_value(ControlId id, unsigned v);

    virtual void set_caption(ControlId id, std::string_view caption) = 0;
    virtual std::string caption(ControlId id) = 0;
    virtual void enable(ControlId id, bool on) = 0;
    virtual bool enabled(ControlId id) = 0;
    virtual void show(ControlId id, bool on) = 0;
    virtual bool shown(ControlId id) = 0;
    virtual void set_read_only(ControlId id, bool on) = 0;
    virtual bool read_only(ControlId id) = 0;
    virtual void set_limit(ControlId id, int chars) = 0;
    virtual int limit(ControlId id) = 0;
    virtual void set_checked(ControlId id, bool on) = 0;
    virtual bool checked(ControlId id) = 0;

    // ---- lists ----------------------------------------------------------------------
    virtual void list_clear(ControlId id) = 0;
    virtual void list_add(ControlId id, std::string_view entry) = 0;
    virtual std::vector<std::string> list_entries(ControlId id) = 0;
    /// Selects entry `index` (-1: no selection); raises nothing.
    virtual void list_select(ControlId id, int index) = 0;
    virtual int list_selection(ControlId id) = 0;

    // ---- panes ------------------------------------------------------------------------
    virtual void scroll_to_end(ControlId id) = 0;

    // ---- window-level -------------------------------------------------------------------
    /// A modal message box with an OK button.
    virtual void message_box(std::string_view title, std::string_view text) = 0;
    /// The platform's open / save file pickers; nullopt when cancelled.
    virtual std::optional<std::string> pick_open_file(const std::vector<FileFilter>& filters) = 0;
    virtual std::optional<std::string> pick_save_file(const std::vector<FileFilter>& filters) = 0;

    /// Opens a modal dialog built from `form` over this window and returns it at
    /// once; its notifications go to `sink` (on the window thread). The dialog is
    /// modal: the owner's controls receive no input until it is closed with
    /// close_dialog() or by the user (close_requested, then the sink closes it).
    virtual Window* open_dialog(const FormSpec& form, EventSink* sink) = 0;
    /// Closes and destroys a dialog opened by open_dialog.
    virtual void close_dialog(Window* dialog) = 0;
    /// The open modal dialog, if any.
    virtual Window* active_dialog() = 0;

    /// Runs fn on the window thread and waits for it (runs it directly when called
    /// there). Returns false without running it when the window is closing.
    virtual bool run_on_window_thread(const std::function<void()>& fn) = 0;
    /// Queues fn to run on the window thread later; never waits.
    virtual void post(std::function<void()> fn) = 0;
    virtual bool on_window_thread() const = 0;

    /// Ends the window's life: from now on calls from other threads return at
    /// once, and the platform's event loop (if any) ends.
    virtual void close() = 0;
    virtual bool closing() const = 0;
};
