#include "workbench/controls.h"

#include <string>

namespace {

using namespace ctl;

constexpr int kRow = 26;     // field row pitch
constexpr int kEditH = 22;
constexpr int kWinW = 904;

struct FormBuilder {
    FormSpec f;
    ControlSpec& add(ControlId id, ControlKind kind, std::string caption, Rect r) {
        ControlSpec c;
        c.id = id;
        c.kind = kind;
        c.caption = std::move(caption);
        c.rect = r;
        f.controls.push_back(c);
        return f.controls.back();
    }
    void label(ControlId id, std::string caption, Rect r) { add(id, ControlKind::label, std::move(caption), r); }
    ControlSpec& edit(ControlId id, std::string name, Rect r, int limit = 0, bool digits = false,
                      bool read_only = false) {
        ControlSpec& c = add(id, ControlKind::edit, "", r);
        c.name = std::move(name);
        c.limit = limit;
        c.digits_only = digits;
        c.read_only = read_only;
        return c;
    }
    void button(ControlId id, std::string caption, Rect r) { add(id, ControlKind::button, std::move(caption), r); }
    void list(ControlId id, std::string name, Rect r) {
        ControlSpec& c = add(id, ControlKind::list, "", r);
        c.name = std::move(name);
    }
};

// One number field row: caption (label or check box), edit, counter, and the
// optional "Rev." button.
void field_row(FormBuilder& b, int index, const char* caption, int y, ControlId check, ControlId rev) {
    if (check != kNoControl) {
        ControlSpec& c = b.add(check, ControlKind::check_box, caption, Rect{12, y, 84, kEditH});
        c.name = std::string("check:") + caption;
    } else {
        b.label(field_label(index), caption, Rect{12, y + 3, 84, 16});
    }
    b.edit(field_edit(index), caption, Rect{98, y, 644, kEditH}, 256);
    b.edit(field_counter(index), "", Rect{746, y, 48, kEditH}, 0, false, true);
    if (rev != kNoControl) b.button(rev, "Rev.", Rect{798, y, 48, kEditH});
}

FormSpec build() {
    FormBuilder b;
    b.f.title = "KORVATH v1.02";
    b.f.width = kWinW;

    // ---- General Settings ------------------------------------------------------------
    b.add(settings_group, ControlKind::group_box, "General Settings", Rect{4, 2, kWinW - 8, 100});
    b.add(program_icon, ControlKind::icon, "", Rect{12, 20, 32, 32});
    b.label(program_label, "KORVATH\nby tovrel", Rect{48, 20, 78, 32});
    b.label(curve_bits_label, "CurveBits", Rect{132, 23, 72, 16});
    b.edit(curve_bits, "CurveBits", Rect{206, 20, 52, kEditH}, 4, true);
    b.label(number_base_label, "NumberBase", Rect{268, 23, 80, 16});
    b.list(number_base, "NumberBase", Rect{350, 19, 64, 24});
    b.label(priority_label, "ThreadPriority", Rect{424, 23, 110, 16});
    b.list(thread_priority, "ThreadPriority", Rect{536, 19, 150, 24});
    b.label(cpu_label, "CPU", Rect{696, 23, 28, 16});
    b.edit(cpu, "CPU", Rect{726, 20, 166, kEditH}, 0, false, true);

    b.label(ecm_n_label, "ecm_n", Rect{132, 49, 44, 16});
    b.edit(ecm_n, "ecm_n", Rect{178, 46, 80, kEditH}, 0, true);
    b.label(ecm_k_label, "ecm_k", Rect{268, 49, 44, 16});
    b.edit(ecm_k, "ecm_k", Rect{314, 46, 100, kEditH}, 0, true);
    b.label(cost_label, "Cost", Rect{424, 49, 40, 16});
    b.edit(cost, "Cost", Rect{466, 46, 220, kEditH}, 0, false, true);
    b.button(pau, "Pau", Rect{726, 46, 80, kEditH});
    b.button(type, "Type", Rect{812, 46, 80, kEditH});

    b.label(seed_padding_label, "Seed Padding", Rect{12, 75, 96, 16});
    b.edit(seed_padding, "Seed Padding", Rect{110, 72, 330, kEditH}, 256);
    b.label(rng_salt_label, "RNG Salt", Rect{450, 75, 66, 16});
    b.edit(rng_salt, "RNG Salt", Rect{518, 72, 374, kEditH}, 256, false, true);

    // ---- Curve type, polynomial and the curve group ------------------------------------
    b.label(curve_type_label, "CurveType", Rect{8, 113, 72, 16});
    b.list(curve_type, "CurveType", Rect{82, 109, 96, 24});
    b.label(poly_title, "Irreducible Polynomial f(t)", Rect{188, 113, 208, 16});
    b.label(m_label, "m", Rect{404, 113, 12, 16});
    b.edit(m_box, "m", Rect{418, 110, 52, kEditH}, 4, true);
    b.label(a_label, "a", Rect{480, 113, 12, 16});
    b.edit(a_box, "a", Rect{494, 110, 44, kEditH}, 3, true);
    b.label(b_label, "b", Rect{548, 113, 12, 16});
    b.edit(b_box, "b", Rect{562, 110, 44, kEditH}, 3, true);
    b.label(c_label, "c", Rect{616, 113, 12, 16});
    b.edit(c_box, "c", Rect{630, 110, 44, kEditH}, 3, true);
    b.button(clear_ecc, "&CLEAR ECC", Rect{772, 109, 120, 24});
    b.label(poly_text, "", Rect{188, 136, 600, 30});

    const int cg = 168;
    b.add(curve_group, ControlKind::group_box, "F(p)", Rect{4, cg, kWinW - 8, 6 * kRow + 28});
    field_row(b, S, "S160/L", cg + 20 + 0 * kRow, check_s, kNoControl);
    field_row(b, H, "Hash/H", cg + 20 + 1 * kRow, check_h, kNoControl);
    field_row(b, NP, "NP", cg + 20 + 2 * kRow, kNoControl, rev_np);
    field_row(b, A, "A/a2", cg + 20 + 3 * kRow, kNoControl, kNoControl);
    field_row(b, B, "B/a6", cg + 20 + 4 * kRow, kNoControl, kNoControl);
    field_row(b, P, "P", cg + 20 + 5 * kRow, check_p, rev_p);

    const int cb = cg + 6 * kRow + 34;  // curve buttons
    const ControlId row1[] = {generate, get_np, get_ord, get_ab, list_poly, chk_poly};
    const char* row1c[] = {"&GENERATE", "GET &NP", "GET ORD", "GET AB", "L&IST POLY", "C&HK POLY"};
    for (int i = 0; i < 6; ++i) b.button(row1[i], row1c[i], Rect{8 + i * 148, cb, 140, 24});
    const ControlId row2[] = {find_poly, factor_np, kangaroo, save_cfg, load_cfg};
    const char* row2c[] = {"F&IND POLY", "&FACTOR NP", "Kangaroo k*G=R", "SAVE CFG", "LOAD CFG"};
    for (int i = 0; i < 5; ++i) b.button(row2[i], row2c[i], Rect{8 + i * 148, cb + 28, 140, 24});

    // ---- Key pairs ---------------------------------------------------------------------
    const int kg = cb + 60;
    b.add(key_group, ControlKind::group_box, "KeyPairs", Rect{4, kg, kWinW - 8, 6 * kRow + 28});
    b.button(clear_key, "C&LEAR KEY", Rect{772, kg + 20, 120, 24});
    const int keys[] = {Q, K, GX, GY, RX, RY};
    const char* keyc[] = {"Q[Order]", "k[Priv]", "Gx[Base]", "Gy[Base]", "Rx[Pub]", "Ry[Pub]"};
    for (int i = 0; i < 6; ++i) {
        const int y = kg + 20 + i * kRow;
        b.label(field_label(keys[i]), keyc[i], Rect{12, y + 3, 84, 16});
        b.edit(field_edit(keys[i]), keyc[i], Rect{98, y, 620, kEditH}, 256);
        b.edit(field_counter(keys[i]), "", Rect{722, y, 44, kEditH}, 0, false, true);
    }
    const int kb = kg + 6 * kRow + 34;
    const ControlId krow1[] = {chk_order, test, rand_g, new_k, new_g};
    const char* krow1c[] = {"CHK &ORDER", "T&EST", "&RAND G", "NEW &K", "NE&W G"};
    for (int i = 0; i < 5; ++i) b.button(krow1[i], krow1c[i], Rect{8 + i * 148, kb, 140, 24});
    const ControlId krow2[] = {calc_r, lg_hr, chk_gy, chk_ry};
    const char* krow2c[] = {"C&ALC R", "L*G+H*R", "CHK Gy", "CHK Ry"};
    for (int i = 0; i < 4; ++i) b.button(krow2[i], krow2c[i], Rect{8 + i * 148, kb + 28, 140, 24});

    // ---- Panes and worker controls -----------------------------------------------------
    const int pb = kb + 60;
    ControlSpec& lp = b.add(large_pane, ControlKind::multi_edit, "", Rect{4, pb, 590, 150});
    lp.read_only = true;
    lp.name = "large pane";
    ControlSpec& sp = b.add(status_pane, ControlKind::multi_edit, "", Rect{600, pb, kWinW - 604, 118});
    sp.read_only = true;
    sp.name = "status pane";
    const int bw = (kWinW - 604 - 3 * 4) / 4;
    b.button(pause, "&PAUSE", Rect{600, pb + 124, bw, 26});
    b.button(stop, "&STOP", Rect{600 + (bw + 4), pb + 124, bw, 26});
    b.button(about, "ABOUT", Rect{600 + 2 * (bw + 4), pb + 124, bw, 26});
    b.button(exit_button, "EXIT", Rect{600 + 3 * (bw + 4), pb + 124, bw, 26});
    b.f.height = pb + 156;
    return b.f;
}

}  // namespace

const FormSpec& main_form() {
    static const FormSpec form = build();
    return form;
}
