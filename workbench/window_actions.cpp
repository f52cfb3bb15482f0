// The window's own commands: CLEAR ECC, CLEAR KEY, the two "Rev." buttons,
// ABOUT, EXIT, PAUSE and STOP.
#include "workbench/commands.h"
#include "workbench/workbench.h"

KORVATH_ACTIONS(register_window_actions) {
    registry.window_action(ctl::clear_ecc, [](Workbench& wb) { wb.clear_ecc(); });
    registry.window_action(ctl::clear_key, [](Workbench& wb) { wb.clear_key(); });
    registry.window_action(ctl::rev_np, [](Workbench& wb) { wb.reverse_field(ctl::NP); });
    registry.window_action(ctl::rev_p, [](Workbench& wb) { wb.reverse_field(ctl::P); });
    registry.window_action(ctl::about, [](Workbench& wb) { wb.show_about(); });
    registry.window_action(ctl::exit_button, [](Workbench& wb) { wb.exit(); });
    registry.window_action(ctl::pause, [](Workbench& wb) { wb.workers().toggle_pause(); });
    registry.window_action(ctl::stop, [](Workbench& wb) { wb.workers().stop_worker(); });
}
