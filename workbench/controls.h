// Control identifiers of the main window, and the form that describes it.
//
// The twelve number fields are addressed by their index (0 NP .. 11 S160/L): each
// has an edit, a read-only counter showing the bit length of its value, and a
// caption (a label, or the check box of fields 3, 10 and 11).
#pragma once

#include "platform/form.h"

namespace ctl {

constexpr int kFieldCount = 12;
enum FieldIndex : int {
    NP = 0, A = 1, B = 2, P = 3, Q = 4, K = 5, GX = 6, GY = 7, RX = 8, RY = 9, H = 10, S = 11,
};

constexpr ControlId field_edit(int i) { return 100 + i; }
constexpr ControlId field_counter(int i) { return 120 + i; }
constexpr ControlId field_label(int i) { return 140 + i; }
/// The field index of an edit id, or -1.
constexpr int field_of_edit(ControlId id) { return (id >= 100 && id < 112) ? id - 100 : -1; }

enum : ControlId {
    // General Settings
    settings_group = 1, program_icon, program_label,
    curve_bits_label, curve_bits,
    number_base_label, number_base,
    priority_label, thread_priority,
    ecm_n_label, ecm_n, ecm_k_label, ecm_k,
    cost_label, cost, cpu_label, cpu,
    seed_padding_label, seed_padding, pau, type, rng_salt_label, rng_salt,
    // Curve
    curve_type_label, curve_type, poly_title, poly_text,
    m_label, m_box, a_label, a_box, b_label, b_box, c_label, c_box,
    clear_ecc, curve_group,
    check_p, check_h, check_s,
    rev_np, rev_p,
    generate, get_np, get_ord, get_ab, list_poly, chk_poly, find_poly, factor_np, kangaroo,
    save_cfg, load_cfg,
    // Key pairs
    clear_key, key_group,
    chk_order, test, rand_g, new_k, new_g, calc_r, lg_hr, chk_gy, chk_ry,
    // Bottom
    large_pane, status_pane, pause, stop, about, exit_button,
};

}  // namespace ctl

/// The main window's form: every group, caption, list, typing limit, read-only
/// state and position. Lists are filled by the start-up sequence.
const FormSpec& main_form();
