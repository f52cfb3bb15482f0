// Curve generation and point count: the check boxes "S160/L" and "Hash/H"
// (seed and derived value made afresh or taken from their fields), "&GENERATE"
// (worker slot 0) and "GET &NP" (worker slot 1).
#include <algorithm>

#include "workbench/action_support.h"
#include "workbench/commands.h"
#include "workbench/generation.h"
#include "workbench/workbench.h"

namespace {

/// The bit size generation works with: CurveBits (GF(p)) or m (GF(2^m)),
/// clamped to 3..1024.
int generation_bits(Workbench& wb) {
    const unsigned v = wb.box_value(wb.curve_type() == kCurveGF2m ? ctl::m_box : ctl::curve_bits);
    return static_cast<int>(std::clamp(v, 3u, 1024u));
}

/// With both boxes clear, S and H are always fresh and consistent; a ticked box
/// keeps the user's value.
void refresh_seed_and_hash(Workbench& wb, bool new_s, bool new_h) {
    BigInt S;
    if (new_s) {
        S = random_exact_bits(160);
        store_value(wb, ctl::S, S);
    } else {
        S = read_value(wb, ctl::S);
    }
    if (new_h) store_value(wb, ctl::H, derive_from_seed(S, generation_bits(wb), wb.curve_type()));
    wb.fields().redisplay_changed_fields();
}

}  // namespace

KORVATH_ACTIONS(register_generation_actions) {
    registry.check_hook(ctl::check_s, [](Workbench& wb) {
        refresh_seed_and_hash(wb, !wb.window().checked(ctl::check_s), !wb.window().checked(ctl::check_h));
    });
    registry.check_hook(ctl::check_h,
                        [](Workbench& wb) { refresh_seed_and_hash(wb, false, !wb.window().checked(ctl::check_h)); });
}
