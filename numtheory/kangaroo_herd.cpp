// herd_kangaroo: five tame and five wild kangaroos with distinguished-point
// traps, for GF(p) and GF(2^m) curves (one body, two sets of point operations
// and texts).
#include <cstdint>

#include "engine/modular.h"
#include "numtheory/curve_ops.h"
#include "numtheory/kangaroo.h"
#include "numtheory/nt_support.h"
#include "numtheory/progress_log.h"

namespace nt {

namespace {

constexpr int kHerdSize = 5;                 // kangaroos per herd
constexpr int kRoos = 2 * kHerdSize;         // tame 0..4, wild 5..9
constexpr int kTrapsPerHerd = 80;
constexpr int kMaxTable = 50;
constexpr int kChecks = 20;                  // random points of the confirmation
constexpr int kBandTries = 3;                // tries of a band search

// Texts that differ between the two forms.
struct HerdTexts {
    const char* table_line;
    const char* release_line;
    const char* overflow_line;
};

// Point indices in the search's block.
constexpr int kTable = 0;
constexpr int kRoo = kTable + kMaxTable;
constexpr int kBase = kRoo + kRoos;
constexpr int kTarget = kBase + 1;
constexpr int kCheck = kTarget + 1;
constexpr int kTrap = kCheck + 1;
constexpr int kPoints = kTrap + 2 * kTrapsPerHerd;

// Draws x uniformly below q until it is the x-coordinate of a curve point and
// sets P to the point with that x and y-bit 0.
template <class Ops>
bool random_point(const big_rec* q, big x, epoint* p) {
    for (;;) {
        bigrand(q, x);
        if (engine_error() != 0) return false;
        if (Ops::set_x(x, 0, p)) return true;
    }
}

template <class Ops>
void herd_search(const HerdTexts& tx, big result, const big_rec* q, const big_rec* residue,
                 const big_rec* modulus, KangarooMode mode, const big_rec* Gx, const big_rec* Gy,
                 const big_rec* Rx, const big_rec* Ry, const big_rec* lower_in,
                 const big_rec* upper_in) {
    engine_instance* e = engine_current();
    if (e == nullptr || e->error_number != 0) return;
    if (e->small_primes == nullptr) gprime(1000);

    Num lower, upper, middle, w, leaps, n, x, mod, t;
    Num start[kRoos], dist[kRoos], distance[kMaxTable];
    Num trap_dist[2 * kTrapsPerHerd];
    int trap_roo[2 * kTrapsPerHerd] = {};
    PointBlock pt(kPoints);
    if (engine_error() != 0 || !pt.ok()) return;
    epoint* base = pt[kBase];
    epoint* target = pt[kTarget];
    epoint* roo[kRoos];
    epoint* jump[kRoos];
    for (int k = 0; k < kRoos; ++k) roo[k] = pt[kRoo + k];

    big_copy(modulus, mod);
    if (big_sign(mod) < 0 || big_is_zero(mod)) big_from_int(1, mod);
    const bool count = mode == KangarooMode::count_points;

    for (int attempt = 1;; ++attempt) {
        log_append(format("Pollard Lambda (kangaroo) algorithm, try %d\r\n", attempt));

        // Base point, target and band.
        if (count) {
            if (!random_point<Ops>(q, x, base)) return;
            Ops::set_infinity(target);
            nroot(q, 2, t);
            premult(t, 2, t);
            incr(t, 3, t);  // 2*floor(sqrt(q)) + 3
            incr(q, 1, n);
            subtract(n, t, lower);
            add(n, t, upper);
        } else {
            if (!Ops::set_xy(Gx, Gy, base)) return;
            if (mode == KangarooMode::logarithm) {
                if (!Ops::set_xy(Rx, Ry, target)) return;
            }
            big_copy(lower_in, lower);
            big_copy(upper_in, upper);
        }

        // Sizes: w classes of the residue in the band, sqrt(w) leaps per kangaroo.
        subtract(upper, lower, t);
        if (big_sign(t) < 0 && !big_is_zero(t)) {
            log_append("Empty search band: the upper bound is below the lower bound\r\n");
            return;
        }
        big_copy(t, w);
        divide(w, mod, w);
        incr(w, 1, w);
        nroot(w, 2, leaps);
        // leaps/16 must fit the 32-bit distinguishing word: leaps < 2^35.
        int nbits = 0;
        const uint64_t leaps64 = logb2(leaps) <= 35 ? low64(leaps) : 0;
        for (uint64_t v = leaps64 / 16; v != 0; v >>= 1) ++nbits;
        const uint64_t mean = 5 * leaps64 / 2;
        if (logb2(leaps) > 35 || nbits >= 32) {
            log_append("Band too wide for the kangaroo search\r\n");
            return;
        }
        const uint32_t d = uint32_t{1} << nbits;

        // Jump table: distances 2^i * modulus until their mean passes `mean`.
        int m = 0;
        uint64_t s = 1;
        for (;;) {
            ++m;
            big_from_u64(s, t);
            multiply(t, mod, distance[m - 1]);
            s *= 2;
            if (2 * s / static_cast<uint64_t>(m) > mean || m == kMaxTable) break;
        }
        log_append(format(tx.table_line, text(leaps).c_str(), d,
                          static_cast<unsigned>(m)));
        Ops::mult(mod, base, pt[kTable]);
        for (int i = 1; i < m; ++i) {
            Ops::copy(pt[kTable + i - 1], pt[kTable + i]);
            Ops::twice(pt[kTable + i]);
        }

        // Middle of the band, moved onto the residue class.
        add(upper, lower, middle);
        subdiv(middle, 2, middle);
        if (!is_one(mod)) {
            big_copy(middle, t);
            divide(t, mod, mod);  // t = middle mod modulus
            add(middle, mod, middle);
            add(middle, residue, middle);
            subtract(middle, t, middle);
        }

        // Release: tame i at middle + 13*modulus*i, wild i at 13*modulus*i + target
        // (both moved by (try - 1)*modulus in a repeated band search).
        for (int i = 0; i < kHerdSize; ++i) {
            premult(mod, 13 * i + (count ? 0 : attempt - 1), t);
            add(middle, t, start[i]);
            big_copy(t, start[kHerdSize + i]);
        }
        for (int k = 0; k < kRoos; ++k) {
            Ops::mult(start[k], base, roo[k]);
            if (k >= kHerdSize) Ops::add(target, roo[k]);
            big_zero(dist[k]);
        }
        log_append(format(tx.release_line, kHerdSize, kHerdSize));

        // The herds jump until a tame and a wild trap coincide.
        int traps[2] = {0, 0};
        int hit_tame = -1, hit_wild = -1;
        bool overflow = false;
        while (hit_tame < 0 && !overflow) {
            for (int k = 0; k < kRoos; ++k) {
                if (abort_requested() || engine_error() != 0) return;
                Ops::get_x(roo[k], x);
                const int j = Ops::step_index(x, m);
                if (Ops::distinguished(x, nbits)) {
                    const int h = k < kHerdSize ? 0 : 1;
                    if (traps[h] == kTrapsPerHerd) {
                        overflow = true;
                        break;
                    }
                    log_append(h == 0 ? "." : "+");
                    const int slot = h * kTrapsPerHerd + traps[h]++;
                    Ops::copy(roo[k], pt[kTrap + slot]);
                    big_copy(dist[k], trap_dist[slot]);
                    trap_roo[slot] = k;
                    const int other = (1 - h) * kTrapsPerHerd;
                    for (int u = 0; u < traps[1 - h]; ++u) {
                        if (Ops::equal(pt[kTrap + slot], pt[kTrap + other + u])) {
                            hit_tame = h == 0 ? slot : other + u;
                            hit_wild = h == 0 ? other + u : slot;
                            break;
                        }
                    }
                    if (hit_tame >= 0) break;
                }
                add(dist[k], distance[j], dist[k]);
                jump[k] = pt[kTable + j];
            }
            if (hit_tame >= 0 || overflow) break;
            Ops::multi_add(kRoos, jump, roo);
        }
        log_append("\r\n");
        // A full trap store ends the try (about one try in a hundred). A count
        // starts again from a new random point. The band searches have no
        // random element, so their next try moves every start by one more
        // modulus, which gives new paths; after three tries a band search gives
        // up (most likely the band holds no solution).
        if (overflow) {
            log_append(tx.overflow_line);
            if (count || attempt < kBandTries) continue;
            return;
        }

        // n = tame start + tame distance - wild start - wild distance.
        add(start[trap_roo[hit_tame]], trap_dist[hit_tame], n);
        subtract(n, start[trap_roo[hit_wild]], n);
        subtract(n, trap_dist[hit_wild], n);
        big_copy(n, result);
        Ops::mult(n, base, pt[kCheck]);
        const bool hit = Ops::equal(pt[kCheck], target);
        if (!count) {
            log_append(format("k = %s\r\n", text(n).c_str()));
            log_append(hit ? "Check OK, k * G = R.\r\n" : "Check Failed, k * G != R.\r\n");
            return;
        }
        if (!hit) {
            log_append(format("NP = %s\r\n", text(n).c_str()));
            log_append("Check Failed, np * G != ZERO.\r\n");
            return;
        }
        classify_count(n);

        // Confirmation: NP must kill 20 random points.
        bool confirmed = true;
        for (int i = 0; i < kChecks && confirmed; ++i) {
            if (!random_point<Ops>(q, x, pt[kCheck])) return;
            Ops::mult(n, pt[kCheck], pt[kCheck]);
            confirmed = pt[kCheck]->marker == EPOINT_INFINITY;
        }
        if (confirmed) return;
        log_append("Failed 20 random points checks, G*nrp != ZERO\r\n");
    }
}

}  // namespace

}  // namespace nt

void herd_kangaroo(big result, const big_rec* q, const big_rec* residue, const big_rec* modulus,
                   KangarooMode mode, const big_rec* Gx, const big_rec* Gy, const big_rec* Rx,
                   const big_rec* Ry, const big_rec* lower, const big_rec* upper) {
    static const nt::HerdTexts texts = {
        "leaps %s, disting 0X%08X, table size %u\r\n",
        "Releasing %d Tame and %d Wild Kangaroos\r\n",
        "Failed - this should not happen! - maybe trying again\r\n",
    };
    nt::herd_search<nt::GfpOps>(texts, result, q, residue, modulus, mode, Gx, Gy, Rx, Ry, lower,
                                upper);
}

void herd_kangaroo2(big result, const big_rec* q, const big_rec* residue,
                    const big_rec* modulus, KangarooMode mode, const big_rec* Gx,
                    const big_rec* Gy, const big_rec* Rx, const big_rec* Ry,
                    const big_rec* lower, const big_rec* upper) {
    static const nt::HerdTexts texts = {
        "leaps %s, disting 0X%08X, table size %d\r\n",
        "Releasing %d Tame & %d Wild Kangaroos\r\n",
        "Failed - this should not happen! - trying again\r\n",
    };
    nt::herd_search<nt::Gf2mOps>(texts, result, q, residue, modulus, mode, Gx, Gy, Rx, Ry, lower,
                                 upper);
}
