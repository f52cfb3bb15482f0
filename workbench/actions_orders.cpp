// The "KeyPairs" actions that run in the worker slot: NEW G (slot 5), GET ORD
// (slot 6), GET AB (slot 7) and "Kangaroo k*G=R" (slot 8).
//
// NEW G and GET AB are ended at once by STOP (their computations pass the
// engine's checkpoints); GET ORD and the kangaroo search are asked to stop
// through the progress log's abort request, which their engines poll.
#include "engine/modular.h"
#include "numtheory/kangaroo.h"
#include "numtheory/point_count.h"
#include "numtheory/progress_log.h"
#include "random/entropy.h"
#include "workbench/action_support.h"
#include "workbench/commands.h"
#include "workbench/curve_checks.h"
#include "workbench/workbench.h"

namespace {

/// The widened Hasse interval [P + 1 - delta - 3, P + 1 + delta + 3] with
/// delta = 2*floor(sqrt(P)).
struct HasseBand {
    BigInt low, high;
    explicit HasseBand(const BigInt& P) {
        const BigInt delta = 2 * sqrt(P);
        low = P + 1 - delta - 3;
        high = P + 1 + delta + 3;
    }
};

/// The checks and the search of NEW G after the curve set-up; returns the
/// message, and G in (gx, gy) when one was made.
std::string make_base_point(CurveSetup& s, const BigInt& np_field, const BigInt& q, BigInt& gx, BigInt& gy,
                            bool& made) {
    made = false;
    if (!isprime(q.get())) return "Order Q is not Prime!";
    const BigInt h = np_field / q;  // the cofactor
    if (h * q != np_field) return "Order Q is not a Factor of NP!";
    if (s.binary && s.B.is_zero()) return "Not Allowed in GF(2^M), B=0\r\n";
    if (s.binary) expb2(s.m, s.P.get());
    s.A %= s.P;
    s.B %= s.P;
    const HasseBand band(s.P);
    // Over GF(2^m) an NP given without its factors of 2 is brought into the band
    // for the checks only.
    BigInt np = np_field;
    if (s.binary && np > 1)
        while (np < band.low) np *= 2;
    if (np < band.low || np > band.high) return "NP is not correct in (p-delta, p+delta).\r\n";
    const BigInt none;
    std::string message = s.binary ? test_point_order_gf2m(s.m, s.a, s.b, s.c, s.A, s.B, np, none, none, false, 10)
                                   : test_point_order_gfp(s.A, s.B, s.P, np, none, none, false, 10);
    if (!message.empty()) return message;

    // A random point times the cofactor, until it is not the point at infinity
    // and Q sends it there. If Q does not divide the real group order this
    // never ends; STOP ends the worker at once (every pass runs through the
    // engine's checkpoints).
    init_curve(s, false);
    CurvePoint point(s.binary), t(s.binary);
    BigInt x;
    for (;;) {
        if (engine_error() != 0) return "";  // reported as an engine error; no G
        strong_random_below(s.P.get(), x.get());
        if (!point.set_compressed(x, 0)) continue;
        point.mul(h, t);
        if (t.is_infinity()) continue;
        t.get(gx, gy);
        const std::string order = s.binary
                                      ? test_point_order_gf2m(s.m, s.a, s.b, s.c, s.A, s.B, q, gx, gy, true, 0)
                                      : test_point_order_gfp(s.A, s.B, s.P, q, gx, gy, true, 0);
        if (order.empty()) break;
    }
    made = true;
    return "Done New G(x,y),its Order Q\r\n" + hex(q) + "\r\n";
}

void new_base_point(WorkerRun& run) {
    Workbench& wb = run.workbench();
    run.begin();
    CurveSetup s;
    const BigInt np = read_value(wb, ctl::NP), q = read_value(wb, ctl::Q);
    std::string message = curve_setup(wb, s);
    BigInt gx, gy;
    bool made = false;
    if (message.empty()) message = make_base_point(s, np, q, gx, gy, made);
    if (made) {
        store_value(wb, ctl::GX, gx);
        store_value(wb, ctl::GY, gy);
        wb.fields().redisplay_changed_fields();
    }
    if (!message.empty()) wb.set_large_pane(message);
    run.finish();
}

// GET AB: A and B of the GF(p) curve through G and R, whatever the curve type.
void coefficients_from_points(WorkerRun& run) {
    Workbench& wb = run.workbench();
    const BigInt P = read_value(wb, ctl::P);
    const BigInt x1 = read_value(wb, ctl::GX), y1 = read_value(wb, ctl::GY);
    const BigInt x2 = read_value(wb, ctl::RX), y2 = read_value(wb, ctl::RY);
    if (!(x1 < P && x2 < P && y1 < P && y2 < P)) {
        run.refuse("Error, G(x,y), R(x,y), both x,y-coordinate must < P.");
        return;
    }
    // Abscissas equal modulo P (one of them typed negative) are the same
    // x-coordinate: x1 - x2 has no inverse and the result would be wrong.
    if (x1 == x2 || (P > 1 && ((x1 - x2) % P).is_zero())) {
        run.refuse("Error, G(x,y), R(x,y), x-coordinate must be different.");
        return;
    }
    if (!isprime(P.get())) {
        run.refuse("Error, P is not Prime.");
        return;
    }
    run.begin();
    // y^2 - x^3 = A x + B at both points.
    const BigInt t1 = (y1 * y1 - (x1 * x1 % P) * x1) % P;
    const BigInt t2 = (y2 * y2 - (x2 * x2 % P) * x2) % P;
    BigInt A = ((t1 - t2) * inverse((x1 - x2) % P, P)) % P;
    BigInt B = (t1 - A * x1) % P;
    if (A < 0) A += P;
    if (B < 0) B += P;
    wb.set_large_pane("A=\r\n" + hex(A) + "\r\nB=\r\n" + hex(B) + "\r\n");
    run.finish();
}


/// GET ORD: with G on the curve and R not, the n in [L, H] with n*G = O (into
/// Q); with both, the k with k*G = R (into k).
void search_order_or_key(WorkerRun& run) {
    Workbench& wb = run.workbench();
    const BigInt gx = read_value(wb, ctl::GX), gy = read_value(wb, ctl::GY);
    const BigInt rx = read_value(wb, ctl::RX), ry = read_value(wb, ctl::RY);
    const BigInt lower = read_value(wb, ctl::S), upper = read_value(wb, ctl::H);
    BigInt limit;
    const BigInt width = upper - lower;
    expb2(16, limit.get());
    if (width < limit) {
        run.refuse("L/H BAND for Kangaroo Algorithm must >= 16 bits");
        return;
    }
    expb2(65, limit.get());
    if (width > limit) {
        run.refuse("L/H BAND for Kangaroo Algorithm must <= 65 bits");
        return;
    }
    run.begin();
    CurveSetup s;
    std::string message = curve_setup(wb, s);
    if (message.empty() && s.binary && s.B.is_zero()) message = "Not Allowed in GF(2^M), B=0\r\n";
    if (message.empty()) {
        init_curve(s, false);  // a refused GF(2^m) curve shows as G off the curve
        CurvePoint g(s.binary), r(s.binary);
        const bool g_ok = !gx.is_zero() && g.set(gx, gy);
        const bool r_ok = !rx.is_zero() && r.set(rx, ry);
        if (!g_ok) {
            message = "Error G(x,y)";
        } else {
            const KangarooMode mode = r_ok ? KangarooMode::logarithm : KangarooMode::order_multiple;
            log_clear();
            set_run_state(RunState::running);
            // The search stores its answer here; L - 1 left in place (below every
            // n it looks for) means none was found.
            const BigInt none = lower - 1;
            BigInt found = none;
            if (s.binary)
                count_points_gf2m(found.get(), s.m, s.a, s.b, s.c, s.A.get(), s.B.get(), mode, gx.get(), gy.get(),
                                  rx.get(), ry.get(), lower.get(), upper.get());
            else
                count_points_gfp(found.get(), s.A.get(), s.B.get(), s.P.get(), mode, gx.get(), gy.get(), rx.get(),
                                 ry.get(), lower.get(), upper.get());
            // A stopped search stores nothing, and it ends its run like any
            // other, so that no abort request outlives it.
            const bool aborted = abort_requested();
            if (aborted) wb.set_status("thread exit ok");
            set_run_state(RunState::finished);
            // n = 0 sends every point to infinity: a band without a multiple of
            // the order of G ends there, and it is no order.
            const bool trivial = mode == KangarooMode::order_multiple && !(found > 0);
            if (!aborted && found != none && !trivial) {
                store_value(wb, mode == KangarooMode::logarithm ? ctl::K : ctl::Q, found);
                wb.fields().redisplay_changed_fields();
            }
        }
    }
    if (!message.empty()) wb.set_large_pane(message);
    run.finish();
}

/// "Kangaroo k*G=R": one tame and one wild kangaroo for k in [L, H]; the answer
/// is reported in the progress log only.
void kangaroo_logarithm(WorkerRun& run) {
    Workbench& wb = run.workbench();
    run.begin();
    const BigInt q = read_value(wb, ctl::Q);
    const BigInt gx = read_value(wb, ctl::GX), gy = read_value(wb, ctl::GY);
    const BigInt rx = read_value(wb, ctl::RX), ry = read_value(wb, ctl::RY);
    const BigInt lower = read_value(wb, ctl::S), upper = read_value(wb, ctl::H);
    CurveSetup s;
    std::string message = curve_setup(wb, s);
    if (message.empty())
        message = s.binary ? test_point_order_gf2m(s.m, s.a, s.b, s.c, s.A, s.B, q, gx, gy, true, 0)
                           : test_point_order_gfp(s.A, s.B, s.P, q, gx, gy, true, 0);
    // The order test left the curve current. A point R off the curve has no
    // logarithm: searching for it would report the logarithm of some other point.
    CurvePoint g(s.binary), r(s.binary);
    if (message.empty() && !r.set(rx, ry)) message = "Point R(x,y) is not OK.";
    if (!message.empty()) {
        wb.set_large_pane(message);
        run.finish();
        return;
    }
    g.set(gx, gy);
    log_clear();
    set_run_state(RunState::running);
    log_append("Kangaroo k*G(x,y)=R(x,y)\r\nG(x), R(x), Order,klow=\r\n" + hex(gx) + "\r\n" + hex(rx) + "\r\n" + hex(q) +
               "\r\n" + hex(lower) + "\r\n");
    BigInt work;
    if (s.binary)
        trap_kangaroo2(work.get(), g.get(), r.get(), lower.get(), upper.get());
    else
        trap_kangaroo(work.get(), g.get(), r.get(), lower.get(), upper.get());
    if (abort_requested()) wb.set_status("thread exit ok");
    set_run_state(RunState::finished);
    run.finish();
}

}  // namespace

KORVATH_ACTIONS(register_order_actions) {
    registry.worker_entry(5, new_base_point);
    registry.worker_entry(6, search_order_or_key);
    registry.worker_entry(7, coefficients_from_points);
    registry.worker_entry(8, kangaroo_logarithm);
}
