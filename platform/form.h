// Forms: the description of a window's controls, from which every platform
// implementation builds its window, and the notifications a window sends back.
//
// A control is named by a ControlId, an integer the form's owner chooses (unique
// within one form). Geometry is in pixels of the window's client area; a control
// inside a group box is still placed in window coordinates.
#pragma once

#include <string>
#include <vector>

using ControlId = int;
constexpr ControlId kNoControl = -1;

enum class ControlKind {
    label,        // static text
    edit,         // single-line text box
    multi_edit,   // multi-line text box (panes): scrolls, scroll_to_end
    button,       // push button
    check_box,
    radio_button,
    list,         // drop-down list of fixed entries
    group_box,    // frame with a caption
    icon,         // the program's icon
};

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

struct ControlSpec {
    ControlId id = kNoControl;
    ControlKind kind = ControlKind::label;
    std::string caption;  // label/button/check/group text ("&" marks the mnemonic)
    Rect rect;
    bool read_only = false;
    bool digits_only = false;  // edit accepts decimal digits only when typed
    int limit = 0;             // typing limit in characters, 0 = none
    bool enabled = true;
    bool visible = true;
    // Batch/automation name of an edit, list or box (its caption lives in a
    // separate label); empty when the control has none.
    std::string name;
};

struct FormSpec {
    std::string title;
    int width = 0, height = 0;
    std::string font_family = "Courier New";  // a monospace font; platforms may substitute
    int font_points = 8;
    std::vector<ControlSpec> controls;

    const ControlSpec* find(ControlId id) const {
        for (const ControlSpec& c : controls)
            if (c.id == id) return &c;
        return nullptr;
    }
};

enum class EventKind {
    clicked,            // button pressed, check box or radio button clicked
    text_changed,       // edit text changed (typed, or set by the program)
    selection_changed,  // list selection changed by the user
    close_requested,    // close box or cancel key (id is kNoControl)
};

struct Event {
    ControlId id = kNoControl;
    EventKind kind = EventKind::clicked;
};

/// Receives a window's notifications, always on the window thread.
class EventSink {
   public:
    virtual ~EventSink() = default;
    virtual void on_event(const Event& e) = 0;
};
