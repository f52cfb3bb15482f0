// Curve generation and point count: the check boxes "S160/L" and "Hash/H"
// (seed and derived value made afresh or taken from their fields), "&GENERATE"
// (worker slot 0) and "GET &NP" (worker slot 1).
//
// GENERATE is ended at once by STOP (its prime searches and its count pass the
// engine's checkpoints) and writes its fields only at its end, so a stopped run
// leaves the workspace as it was. GET NP's count is asked to stop through the
// progress log's abort request.
#include <algorithm>

#include "engine/modular.h"
#include "numtheory/point_count.h"
#include "numtheory/progress_log.h"
#include "workbench/action_support.h"
#include "workbench/curve_checks.h"
#include "workbench/polynomial.h"
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

/// GENERATE's count polls the abort request but is no slot STOP asks to stop
/// that way: a request still raised is left over from a search that ended as
/// STOP was pressed, and must not cut the count short.
void clear_stale_abort() {
    if (abort_requested()) set_run_state(RunState::idle);
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

/// GENERATE over GF(p): P from the "P" field or made, then seeds until
/// -27/H is a square modulo P; B is its root, A = -3.
void generate_gfp(WorkerRun& run) {
    Workbench& wb = run.workbench();
    run.begin();
    const bool use_s = wb.window().checked(ctl::check_s), use_h = wb.window().checked(ctl::check_h);
    const bool use_p = wb.window().checked(ctl::check_p);
    const int bits_wanted = generation_bits(wb);
    BigInt P;
    int prime_tries = 1;
    if (use_p) {
        P = read_value(wb, ctl::P);
    } else if (bits_wanted >= 32 && bits_wanted <= 384) {
        PrimeModulus pm = make_prime_modulus(bits_wanted);
        P = pm.P;
        prime_tries = pm.tries;
    } else {
        P = random_exact_bits(bits_wanted);
    }
    // 2 and 3 are primes no curve y^2 = x^3 - 3x + B can use (3 divides the
    // discriminant; over GF(2) no square root is found): they are replaced too.
    if (P < 5 || !isprime(P.get())) P = next_prime_3mod4(P);

    const BigInt A = -3;
    BigInt S, H, B;
    bool fresh_s = false, fresh_h = false;
    int seed_tries = 0;
    for (bool retry = false;; retry = true) {
        ++seed_tries;
        if (retry || !use_s) {
            S = random_exact_bits(160);
            fresh_s = true;
        } else {
            S = read_value(wb, ctl::S);
        }
        if (retry || !use_h) {
            H = derive_from_seed(S, bits_wanted, 0);
            fresh_h = true;
        } else {
            H = read_value(wb, ctl::H);
        }
        BigInt h = H % P;
        if (h < 0) h += P;
        const BigInt t = (4 * h + 27) % P;
        if (!h.is_zero() && !t.is_zero()) {
            // u = A^3 / H; B^2 = u gives H B^2 = A^3 = -27.
            BigInt u = (pow(A, 3) % P) * inverse(h, P) % P;
            if (u < 0) u += P;
            if (sqroot(u.get(), P.get(), B.get())) break;
        }
        // A recorded engine error stops every computation: no curve comes.
        if (engine_error() != 0) return;
    }
    const bool counted = bits(P) <= 64;
    BigInt np, zero;
    clear_stale_abort();
    if (counted)
        count_points_gfp(np.get(), A.get(), B.get(), P.get(), KangarooMode::count_points, zero.get(), zero.get(),
                         zero.get(), zero.get(), zero.get(), zero.get());
    if (fresh_s) store_value(wb, ctl::S, S);
    if (fresh_h) store_value(wb, ctl::H, H);
    if (counted && !np.is_zero()) store_value(wb, ctl::NP, np);
    store_value(wb, ctl::P, P);
    store_value(wb, ctl::A, A);
    store_value(wb, ctl::B, B);
    wb.fields().redisplay_changed_fields();
    if (!counted || np.is_zero()) empty_field(wb, ctl::NP);
    wb.set_large_pane(printf_text("Done GF(P) Curve, Prime Modulus P is %d bits.\r\nseedtries %d, prime tries %d.",
                                  bits(P), seed_tries, prime_tries));
    run.finish();
}

/// GENERATE over GF(2^m): a6 from the seed, a random a2 of up to 31 bits.
void generate_gf2m(WorkerRun& run) {
    Workbench& wb = run.workbench();
    const Workbench::Poly f = wb.polynomial();
    const std::string refusal = check_polynomial(f.m, f.a, f.b, f.c);
    if (!refusal.empty()) {
        run.refuse(refusal);
        return;
    }
    run.begin();
    const int bits_wanted = generation_bits(wb);
    BigInt P;
    expb2(f.m, P.get());
    BigInt S, H;
    const bool fresh_s = !wb.window().checked(ctl::check_s), fresh_h = !wb.window().checked(ctl::check_h);
    S = fresh_s ? random_exact_bits(160) : read_value(wb, ctl::S);
    H = fresh_h ? derive_from_seed(S, bits_wanted, 1) : read_value(wb, ctl::H);
    const BigInt A = random_exact_bits(std::min(f.m, 31));
    // a6 is a bit string: a negative H typed into a ticked "Hash/H" gives its
    // residue, not a negative coefficient no curve accepts.
    BigInt B = H % P;
    if (B < 0) B += P;
    const bool counted = f.m <= 64;
    BigInt np, zero;
    clear_stale_abort();
    if (counted)
        count_points_gf2m(np.get(), f.m, f.a, f.b, f.c, A.get(), B.get(), KangarooMode::count_points, zero.get(),
                          zero.get(), zero.get(), zero.get(), zero.get(), zero.get());
    if (fresh_s) store_value(wb, ctl::S, S);
    if (fresh_h) store_value(wb, ctl::H, H);
    if (counted && !np.is_zero()) store_value(wb, ctl::NP, np);
    store_value(wb, ctl::A, A);
    store_value(wb, ctl::B, B);
    wb.fields().redisplay_changed_fields();
    // No count (m > 64), or none possible (B = 0): NP is emptied.
    if (!counted || np.is_zero()) empty_field(wb, ctl::NP);
    wb.set_large_pane("Done GF(2^" + std::to_string(f.m) + ") Curve, " + format_polynomial(f.m, f.a, f.b, f.c));
    run.finish();
}

/// GET NP: accepts the NP at hand when random points confirm it, otherwise
/// counts.
void count_points(WorkerRun& run) {
    Workbench& wb = run.workbench();
    run.begin();
    const BigInt np_read = read_value(wb, ctl::NP);
    CurveSetup s;
    std::string message = curve_setup(wb, s);
    BigInt np = np_read;
    if (message.empty() && s.binary && s.B.is_zero()) message = "Not Allowed in GF(2^M), B=0\r\n";
    if (message.empty()) {
        if (s.binary) expb2(s.m, s.P.get());
        s.A %= s.P;
        s.B %= s.P;
        const BigInt delta = 2 * sqrt(s.P);
        const BigInt low = s.P + 1 - delta - 3, high = s.P + 1 + delta + 3;
        if (np.is_zero()) np = 2;
        if (s.binary && np > 1)
            while (np < low) np *= 2;
        const BigInt none;
        auto confirmed = [&](const BigInt& n) {
            return (s.binary ? test_point_order_gf2m(s.m, s.a, s.b, s.c, s.A, s.B, n, none, none, false, 10)
                             : test_point_order_gfp(s.A, s.B, s.P, n, none, none, false, 10))
                .empty();
        };
        bool accepted;
        if (s.binary) {
            accepted = confirmed(np);
        } else {
            accepted = np >= low && np <= high && confirmed(np);
            if (!accepted) {
                np = s.P + 1;
                accepted = confirmed(np);
            }
        }
        if (accepted) {
            message = s.binary ? "CurveType GF(2^" + std::to_string(s.m) + "), NP = " + hex(np) + "\r\n"
                               : "CurveType GF(P), NP = " + hex(np) + "\r\n";
        } else {
            log_clear();
            set_run_state(RunState::running);
            BigInt counted;
            if (s.binary)
                count_points_gf2m(counted.get(), s.m, s.a, s.b, s.c, s.A.get(), s.B.get(), KangarooMode::count_points,
                                  none.get(), none.get(), none.get(), none.get(), none.get(), none.get());
            else
                count_points_gfp(counted.get(), s.A.get(), s.B.get(), s.P.get(), KangarooMode::count_points,
                                 none.get(), none.get(), none.get(), none.get(), none.get(), none.get());
            // A stopped count found nothing: NP keeps the value it had.
            const bool aborted = abort_requested();
            np = aborted || counted.is_zero() ? np_read : counted;
            if (aborted) wb.set_status("thread exit ok");
            set_run_state(RunState::finished);
        }
    }
    if (!message.empty()) wb.set_large_pane(message);
    store_value(wb, ctl::NP, np);
    wb.fields().redisplay_changed_fields();
    run.finish();
}

void generate_curve(WorkerRun& run) {
    if (run.workbench().curve_type() == kCurveGF2m)
        generate_gf2m(run);
    else
        generate_gfp(run);
}

}  // namespace

KORVATH_ACTIONS(register_generation_actions) {
    registry.check_hook(ctl::check_s, [](Workbench& wb) {
        refresh_seed_and_hash(wb, !wb.window().checked(ctl::check_s), !wb.window().checked(ctl::check_h));
    });
    registry.check_hook(ctl::check_h,
                        [](Workbench& wb) { refresh_seed_and_hash(wb, false, !wb.window().checked(ctl::check_h)); });
    registry.worker_entry(0, generate_curve);
    registry.worker_entry(1, count_points);
}
