// count_points_gf2m: start-up checks, the direct count of small fields with
// its random-point check, the kangaroo range, and Schoof's residues finished by
// the kangaroo search, with the anomaly and embedding-degree warnings.
#include "engine/ec2.h"
#include "engine/gf2m.h"
#include "engine/modular.h"
#include "numtheory/nt_support.h"
#include "numtheory/point_count.h"
#include "numtheory/progress_log.h"
#include "numtheory/schoof.h"
#include "numtheory/schoof_moduli.h"

namespace nt {

namespace {

constexpr int kDirectM = 11;    // counted point by point up to here
constexpr int kKangarooM = 55;  // the kangaroo alone up to here
constexpr int kMovSteps = 50;

// NP = 2 + 2 * #{x != 0 : x is the x-coordinate of a point}; then NP must
// kill a random point. False (with the log line) when it does not.
bool direct_count(big result, const big_rec* q) {
    Num x, np;
    PointBlock pt(2);
    if (engine_error() != 0 || !pt.ok()) return false;
    uint64_t n = 2;  // infinity and (0, sqrt(B))
    const uint32_t size = low32(q);
    for (uint32_t v = 1; v < size; ++v) {
        big_from_uint(v, x);
        if (epoint2_set(x, x, 0, pt[0])) n += 2;
    }
    big_from_u64(n, np);
    do {
        bigrand(q, x);
    } while (!epoint2_set(x, x, 0, pt[0]) && engine_error() == 0);
    ecurve2_mult(np, pt[0], pt[1]);
    if (pt[1]->marker != EPOINT_INFINITY) {
        log_append("Sanity Check 2 Failed. NOT FOUND ZERO POINT, HALT BUG.\r\n");
        return false;
    }
    big_copy(np, result);
    classify_count(np);
    return true;
}

// The warnings after a completed count.
void final_checks(const big_rec* np, const big_rec* q) {
    if (big_compare(np, q) == 0) {
        log_append("WARNING: Curve is anomalous, NP = 2^M\r\n");
        return;
    }
    // Embedding degree against NP without its factors 2.
    Num odd;
    big_copy(np, odd);
    while (big_len(odd) > 0 && (low32(odd) & 1u) == 0) subdiv(odd, 2, odd);
    if (big_is_zero(odd)) return;
    const bool prime = isprime(odd);
    const int steps = unit_power(q, odd, kMovSteps);
    if (steps == 0) return;
    const int i = steps - 1;  // the log counts the multiplications from 0
    if (i == 1 || prime)
        log_append(format("WARNING: Curve fails MOV condition, k= %d\r\n", i));
    else
        log_append(format("WARNING: Curve fails MOV condition, k<= %d\r\n", i));
}

}  // namespace

}  // namespace nt

void count_points_gf2m(big result, int m, int a, int b, int c, const big_rec* A, const big_rec* B,
                       KangarooMode mode, const big_rec* Gx, const big_rec* Gy, const big_rec* Rx,
                       const big_rec* Ry, const big_rec* lower, const big_rec* upper) {
    using namespace nt;
    if (engine_current() == nullptr || engine_error() != 0) return;
    gprime(10000);
    if (!ecurve2_init(m, a, b, c, A, B, true, 1) || engine_error() != 0) {
        log_append("Illegal Curve Parameters\r\n");
        return;
    }
    Num Ar, Br, root, q;
    gf2_reduce(A, Ar);
    gf2_reduce(B, Br);
    // sqrt(B) = B^(2^(m-1)), and Tr(A): the values the rest of the count rests on.
    big_copy(Br, root);
    for (int i = 1; i < m; ++i) gf2_square(root, root);
    log_append(format("Counting the number of points (NP) on the curve\r\ny^2 + xy = x^3 + %s *x + %s mod (2^%d)\r\n",
                      text(Ar).c_str(), text(Br).c_str(), m));
    if (big_is_zero(Br)) {
        log_append("Not Allowed! B = 0\r\n");
        return;
    }
    expb2(m, q);
    const bool count = mode == KangarooMode::count_points;
    Num zero, one(1), two(2);

    if (count && m <= kDirectM) {
        if (!direct_count(result, q)) return;
    } else if (!count || m <= kKangarooM) {
        // A count searches the even classes only: (0, sqrt(B)) has order 2.
        // The band searches take every class: the order of G or the logarithm
        // of R need not be even.
        herd_kangaroo2(result, q, zero, count ? two.get() : one.get(), mode, Gx, Gy, Rx, Ry, lower,
                       upper);
        if (!count || abort_requested() || engine_error() != 0) return;
    } else {
        const SchoofModuli mods = choose_moduli(q, schoof_e_gf2m(m), true);
        log_append(format("%d primes used (plus largest prime powers), largest is %d \r\n", mods.primes,
                          mods.largest));
        TraceResidues res;
        if (!schoof_residues_gf2m(Ar, Br, m, mods, res)) return;
        Num M, residue;
        count_class(mods, res, q, residue, M);
        herd_kangaroo2(result, q, residue, M, KangarooMode::count_points, zero, zero, zero, zero, zero,
                       zero);
        if (abort_requested() || engine_error() != 0) return;
    }
    final_checks(result, q);
}
