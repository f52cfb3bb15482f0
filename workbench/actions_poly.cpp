// The polynomial buttons of GF(2^m) curves: "C&HK POLY" (window thread),
// "L&IST POLY" (worker slot 2) and "F&IND POLY" (worker slot 3).
//
// Both workers are ended at once by STOP: their loops run through traced engine
// routines and log appends, which are the worker's checkpoints.
#include "engine/ec2.h"
#include "numtheory/progress_log.h"
#include "workbench/action_support.h"
#include "workbench/commands.h"
#include "workbench/curve_checks.h"
#include "workbench/polynomial.h"
#include "workbench/workbench.h"

namespace {

void check_poly_command(Workbench& wb) {
    const Workbench::Poly p = wb.polynomial();
    std::string message = check_polynomial(p.m, p.a, p.b, p.c);
    if (message.empty())
        message = (p.b != 0 ? "Pentanomial: " : "Trinomial: ") + format_polynomial(p.m, p.a, p.b, p.c) +
                  " is irreducible.";
    wb.set_large_pane(message);
}

/// Calls visit(a, b, c, tried) for every pentanomial t^m + t^a + t^b + t^c + 1
/// with m > a > b > c >= 1, in the order of a, then b, then c; stops when visit
/// returns true. Returns whether it was stopped.
template <class Visit>
bool for_each_pentanomial(int m, long& tried, Visit visit) {
    for (int a = 3; a <= m - 1; ++a)
        for (int b = 2; b <= a - 1; ++b)
            for (int c = 1; c <= b - 1; ++c) {
                ++tried;
                if (visit(a, b, c)) return true;
            }
    return false;
}

void list_polynomials(WorkerRun& run) {
    Workbench& wb = run.workbench();
    run.begin(true);
    const int m = wb.polynomial().m;
    int n = 0;
    for (int a = 1; a <= m - 1; ++a) {
        if (!is_irreducible(m, a, 0, 0)) continue;
        ++n;
        log_append_width(printf_text("T3[%d]", n), 8);
        log_append(format_polynomial(m, a, 0, 0) + "\r\n");
    }
    log_append(printf_text("Check All %d Trinomial, %d valid.\r\n", m - 1, n));
    long tried = 0;
    int valid = 0;
    for_each_pentanomial(m, tried, [&](int a, int b, int c) {
        if (!is_irreducible(m, a, b, c)) return false;
        ++valid;
        log_append_width(printf_text("T5[%d]", valid), 8);
        log_append(format_polynomial(m, a, b, c) + "\r\n");
        if (valid < 20) return false;
        log_append(printf_text("Check %ld Pentanomial, %d valid, ingore left.\r\n", tried, 20));
        return true;
    });
    set_run_state(RunState::finished);
    run.finish();
}

// True when (Gx, Gy) lies on y^2 + xy = x^3 + A x^2 + B over the basis (m, a, b, c).
bool point_fits(int m, int a, int b, int c, const BigInt& A, const BigInt& B, const BigInt& gx, const BigInt& gy) {
    if (!init_gf2m_curve(m, a, b, c, A, B)) return false;
    CurvePoint g(true);
    return g.set(gx, gy);
}

void find_polynomial(WorkerRun& run) {
    Workbench& wb = run.workbench();
    const int m = wb.polynomial().m;
    const BigInt gx = read_value(wb, ctl::GX), gy = read_value(wb, ctl::GY);
    const BigInt A = read_value(wb, ctl::A), B = read_value(wb, ctl::B);
    if (B.is_zero()) {
        run.refuse("Not Allowed! B = 0\r\n");
        return;
    }
    if (gx.is_zero() || gy.is_zero()) {
        run.refuse("Not Allowed! G(x,y) = 0\r\n");
        return;
    }
    run.begin(true);
    int n = 0;
    bool found = false;
    for (int a = 1; a <= m - 1 && !found; ++a) {
        if (!is_irreducible(m, a, 0, 0)) continue;
        ++n;
        log_append_width(printf_text("T3[%d]", n), 15);
        log_append(format_polynomial(m, a, 0, 0) + "\r\n");
        if (point_fits(m, a, 0, 0, A, B, gx, gy)) {
            log_append("*** Find this poly for G(x,y) ***\r\n");
            log_append(printf_text("Check %d Trinomial, the %d is OK.\r\n", a, n));
            found = true;
        }
    }
    if (!found) {
        log_append(printf_text("Check All %d Trinomial, %d valid, No Curve for this G(x,y).\r\n", m - 1, n));
        long tried = 0;
        int valid = 0;
        found = for_each_pentanomial(m, tried, [&](int a, int b, int c) {
            if (!is_irreducible(m, a, b, c)) return false;
            ++valid;
            // Progress: the first 20 in full, then dots, then a running count
            // that replaces itself (the first one replaces 15 of the dots).
            if (valid <= 20) {
                log_append_width(printf_text("T5[%d]", valid), 15);
                log_append(format_polynomial(m, a, b, c) + "\r\n");
            } else if (valid <= 100) {
                log_append(".");
            } else {
                log_drop(15);
                log_append_width(printf_text("\r\nT5[%08d]", valid), 15);
            }
            if (!point_fits(m, a, b, c, A, B, gx, gy)) return false;
            log_append("\r\n*** Find this poly for G(x,y) ***\r\n");
            log_append(printf_text("Check %ld Pentanomial, the %d is OK.\r\n", tried, valid));
            log_append_width(printf_text("T5[%d]", valid), 15);
            log_append(format_polynomial(m, a, b, c) + "\r\n");
            return true;
        });
        if (!found)
            log_append(printf_text(
                "\r\n*** Checked All %ld Pentanomial, valid %d, No Curve for this G(x,y) ***\r\n", tried, valid));
    }
    set_run_state(RunState::finished);
    run.finish();
}

}  // namespace

KORVATH_ACTIONS(register_polynomial_actions) {
    registry.window_action(ctl::chk_poly, check_poly_command);
    registry.worker_entry(2, list_polynomials);
    registry.worker_entry(3, find_polynomial);
}
