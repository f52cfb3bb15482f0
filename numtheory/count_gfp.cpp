// count_points_gfp: start-up checks, the direct count of small fields, the
// kangaroo-only range, and Schoof's residues finished by the kangaroo search,
// with the warnings about anomalous, supersingular and low-embedding curves.
#include "engine/ecp.h"
#include "engine/modular.h"
#include "numtheory/nt_support.h"
#include "numtheory/point_count.h"
#include "numtheory/progress_log.h"
#include "numtheory/schoof.h"
#include "numtheory/schoof_moduli.h"

namespace nt {

namespace {

constexpr int kDirectBits = 13;   // counted point by point up to here
constexpr int kKangarooBits = 55; // the kangaroo alone up to here
constexpr int kMovDegrees = 49;

// w = x mod p in 0..p-1.
void reduce(const big_rec* x, const big_rec* p, big w) {
    Num t;
    big_copy(x, w);
    big_copy(p, t);
    divide(w, t, t);  // w = x mod p (sign of x)
    if (big_is_negative(w)) add(w, p, w);
}

// w = x*y mod p (plain residues).
void mulmod(const big_rec* x, const big_rec* y, const big_rec* p, big w) {
    Num q;
    mad(x, y, x, p, q, w);
}

// NP = 1 + sum over x of (1 + (x^3 + A x + B | p)) for p below 2^13.
void direct_count(big result, const big_rec* A, const big_rec* B, const big_rec* p) {
    const int pi = low32(p) == 0 ? 0 : static_cast<int>(low32(p));
    Num ar, br;
    reduce(A, p, ar);
    reduce(B, p, br);
    const long long a = low32(ar), b = low32(br);
    long long np = 1;
    for (long long x = 0; x < pi; ++x) {
        const long long v = ((x * x % pi) * x + a * x + b) % pi;
        np += 1 + small_jacobi(static_cast<int>(v), pi);
    }
    big_from_u64(static_cast<uint64_t>(np), result);
    if (isprime(result))
        log_append(format("NP (Prime) = %s\r\n", text(result).c_str()));
    else
        log_append(format("NP (Composite)= %s\r\n", text(result).c_str()));
}

// The warnings after a completed Schoof count.
void final_checks(const big_rec* np, const big_rec* p) {
    Num s;
    subtract(np, p, s);
    if (big_is_zero(s)) {
        log_append("WARNING: Curve is anomalous, np = p, HOT!!!\r\n");
        return;
    }
    if (is_one(s) && !big_is_negative(s)) log_append("WARNING: Curve is supersingular, np = p+1, HOT!!!\r\n");
    // Embedding degree: the least K with p^K = 1 mod NP, up to 49.
    const bool prime = isprime(np);
    const int K = unit_power(p, np, kMovDegrees);
    if (K == 0) return;
    if (K == 1 || prime)
        log_append(format("WARNING: Curve fails MOV condition - K = %d \r\n", K));
    else
        log_append(format("WARNING: Curve fails MOV condition - K <= %d \r\n", K));
}

}  // namespace

}  // namespace nt

void count_points_gfp(big result, const big_rec* A, const big_rec* B, const big_rec* p,
                      KangarooMode mode, const big_rec* Gx, const big_rec* Gy, const big_rec* Rx,
                      const big_rec* Ry, const big_rec* lower, const big_rec* upper) {
    using namespace nt;
    if (engine_current() == nullptr || engine_error() != 0) return;
    gprime(10000);
    if (!isprime(p)) {
        log_append_line("P is not prime!");
        return;
    }
    const int bits = logb2(p);
    log_append(format("Counting the number of points (NP) on the curve\r\ny^2 = x^3 + %s *x + %s mod %s\r\n",
                      text(A).c_str(), text(B).c_str(), text(p).c_str()));

    // D = -16 (4A^3 + 27B^2) and j = -110592 A^3 / D, modulo p.
    Num a, b, a3, t, D, j, q;
    reduce(A, p, a);
    reduce(B, p, b);
    mulmod(a, a, p, a3);
    mulmod(a3, a, p, a3);
    premult(a3, 4, t);
    mulmod(b, b, p, D);
    premult(D, 27, D);
    add(t, D, D);
    premult(D, -16, D);
    reduce(D, p, D);
    if (big_is_zero(D)) {
        log_append("Not Allowed! 4A^3+27B^2 = 0\r\n");
        return;
    }
    premult(a3, -110592, t);
    reduce(t, p, t);
    xgcd(D, p, D, D, D);  // D = 1/D mod p
    mulmod(t, D, p, j);
    log_append(format("j-invariant = %s\r\n", text(j).c_str()));
    big_from_int(1728, t);
    reduce(t, p, t);
    const bool special = big_is_zero(j) || big_compare(j, t) == 0;
    if (special) log_append("Anomalous curve! j-invariant = 0 or (64*27), A or B = 0\r\n");

    const bool count = mode == KangarooMode::count_points;
    if (count && bits <= kDirectBits) {
        direct_count(result, A, B, p);
        return;
    }
    ecurve_init(A, B, p, 1);
    Num zero, one(1);
    if (!count || bits <= kKangarooBits) {
        herd_kangaroo(result, p, zero, one, mode, Gx, Gy, Rx, Ry, lower, upper);
        return;
    }

    // Schoof.
    const SchoofModuli mods = choose_moduli(p, schoof_e_gfp(bits), false);
    log_append(format("%d primes used (plus largest prime powers), largest is %d\r\n", mods.primes,
                      mods.largest));
    TraceResidues res;
    if (!schoof_residues_gfp(A, B, p, special, mods, res)) return;
    ecurve_init(A, B, p, 1);  // the polynomial work left p current; make the curve current again
    Num M, residue;
    count_class(mods, res, p, residue, M);
    herd_kangaroo(result, p, residue, M, KangarooMode::count_points, zero, zero, zero, zero, zero,
                  zero);
    if (abort_requested() || engine_error() != 0) return;
    final_checks(result, p);
}
