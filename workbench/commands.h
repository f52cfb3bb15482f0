// The command table: what each button, check box, text change and background
// task of the main window runs.
//
// Actions register themselves, each in its own source file, with
// KORVATH_ACTIONS; the window class never lists them:
//
//     KORVATH_ACTIONS(register_key_actions) {
//         registry.window_action(ctl::new_k, new_private_key);      // window thread
//         registry.worker_entry(5, new_base_point);                 // worker slot 5
//     }
//
// The registry is filled during static initialisation (korvath_workbench is an
// object library, so every registering file is linked) and read by each
// Workbench when it is created. A button without a registered action stays
// disabled.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/threads.h"

class Workbench;
class WorkerRun;

/// A window-thread action.
using WindowAction = std::function<void(Workbench&)>;
/// The entry routine of a worker slot; runs on the worker thread.
using WorkerEntry = std::function<void(WorkerRun&)>;
/// A background thread started at start-up; returns when `stop` is requested.
using BackgroundTask = std::function<void(Workbench&, StopToken& stop)>;

struct BackgroundSpec {
    int order = 0;  // start-up order: 0 meter, 1 self test, 2 factoring poller, 3 log display
    std::string name;
    ThreadPriority priority = ThreadPriority::normal;
    BackgroundTask run;
    /// True while the task still has output to show (the batch front end waits
    /// for it after a worker ends); may be empty.
    std::function<bool()> busy;
};

class CommandRegistry {
   public:
    void window_action(ControlId button, WindowAction fn) { m_window[button] = std::move(fn); }
    void worker_entry(int slot, WorkerEntry fn) { m_entries[slot] = std::move(fn); }
    /// The own stop request of a slot whose stop method is its engine's stop word
    /// (slot 4, factoring).
    void stop_request(int slot, std::function<void()> fn) { m_stop[slot] = std::move(fn); }
    /// Runs after the window's own handling of a check-box click.
    void check_hook(ControlId box, WindowAction fn) { m_check[box] = std::move(fn); }
    /// Runs when the text of an edit that is not a number field changes.
    void text_hook(ControlId edit, WindowAction fn) { m_text[edit] = std::move(fn); }
    void background(BackgroundSpec spec) { m_background.push_back(std::move(spec)); }
    /// Drops every background task whose name is not listed (tests).
    void keep_backgrounds(const std::vector<std::string>& names);
    /// Seeding of the generators at start-up (run in place of its steps 7 and 9
    /// when the workbench seeds at all).
    void seeding(WindowAction fn) { m_seeding.push_back(std::move(fn)); }
    /// Opens the signature test dialog over the main window; "T&EST" runs it once
    /// its checks pass (nothing is opened while no dialog is registered).
    void signature_dialog(WindowAction fn) { m_signature_dialog = std::move(fn); }

    const WindowAction* find_window_action(ControlId id) const { return find(m_window, id); }
    const WorkerEntry* find_entry(int slot) const { return find(m_entries, slot); }
    const std::function<void()>* find_stop(int slot) const { return find(m_stop, slot); }
    const WindowAction* find_check(ControlId id) const { return find(m_check, id); }
    const WindowAction* find_text(ControlId id) const { return find(m_text, id); }
    /// Background tasks in start-up order.
    std::vector<BackgroundSpec> backgrounds() const;
    const std::vector<WindowAction>& seedings() const { return m_seeding; }
    const WindowAction* find_signature_dialog() const { return m_signature_dialog ? &m_signature_dialog : nullptr; }

   private:
    template <class M>
    static const typename M::mapped_type* find(const M& m, int key) {
        auto it = m.find(key);
        return it == m.end() ? nullptr : &it->second;
    }
    std::map<int, WindowAction> m_window;
    std::map<int, WorkerEntry> m_entries;
    std::map<int, std::function<void()>> m_stop;
    std::map<int, WindowAction> m_check;
    std::map<int, WindowAction> m_text;
    std::vector<BackgroundSpec> m_background;
    std::vector<WindowAction> m_seeding;
    WindowAction m_signature_dialog;
};

/// The process-wide registry the actions register into.
CommandRegistry& command_registry();

struct RegisterActions {
    explicit RegisterActions(void (*fn)(CommandRegistry&)) { fn(command_registry()); }
};

#define KORVATH_ACTIONS(name)                                  \
    static void name(CommandRegistry& registry);               \
    static const RegisterActions name##_registration{name};   \
    static void name([[maybe_unused]] CommandRegistry& registry)
