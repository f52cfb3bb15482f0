// trap_kangaroo: one tame kangaroo sets a trap, one wild kangaroo runs into it.
#include <cstdint>

#include "engine/modular.h"
#include "numtheory/curve_ops.h"
#include "numtheory/kangaroo.h"
#include "numtheory/nt_support.h"
#include "numtheory/progress_log.h"

namespace nt {

namespace {

constexpr int kBlockPoints = 42;  // up to 40 table points, the trap, the wild kangaroo
constexpr int kMaxTable = 40;

template <class Ops>
int trap_search(big result, epoint* G, epoint* R, const big_rec* L, const big_rec* H) {
    PointBlock blk(kBlockPoints);
    if (!blk.ok()) {
        log_append(format("memalloc(%d) error, kangaroo error...\r\n", kBlockPoints));
        return 0;
    }
    Num x;
    if (engine_error() != 0) return 1;
    epoint* trap = blk[kMaxTable];
    epoint* wild = blk[kMaxTable + 1];

    // leaps = floor(sqrt(|H - L|)) + 1, as a 32-bit word.
    subtract(H, L, result);
    big_set_sign(1, result);
    nroot(result, 2, result);
    incr(result, 1, result);
    const uint32_t leaps = low32(result);

    // Jump distances 1, 2, 4, ... until their mean passes leaps/4. (Formed in
    // 64 bits: in 32 bits 2^(i+2) wraps to 0 for bands past 2^60 and the table
    // would never stop growing.)
    uint64_t distance[kMaxTable] = {1};
    int m = 1;
    if (leaps > 15) {
        for (int i = 1; i < kMaxTable; ++i) {
            distance[i] = uint64_t{1} << i;
            m = i + 1;
            if (leaps / 4 < (uint64_t{1} << (i + 2)) / static_cast<uint64_t>(m)) break;
        }
    }
    Ops::copy(G, blk[0]);
    for (int i = 1; i < m; ++i) {
        Ops::copy(blk[i - 1], blk[i]);
        Ops::twice(blk[i]);
    }
    log_append(format("\r\nsetting trap, LEAPS = %08X....\r\n", leaps));

    // Tame run from H*G. The stop request is honoured here too, so that a long
    // tame run does not hold up STOP.
    Ops::mult(H, G, trap);
    uint64_t dn = 0;
    for (uint32_t s = 0; s < leaps; ++s) {
        if (abort_requested() || engine_error() != 0) return 1;
        Ops::get_x(trap, x);
        const int j = Ops::step_index(x, m);
        Ops::add(blk[j], trap);
        dn += distance[j];
    }
    log_append("trap set!\r\n");
    Ops::get_x(G, x);
    const std::string gx = text(x);
    Ops::get_x(R, x);
    log_append(format("G(x)=%s\r\nQ(x)=%s\r\n", gx.c_str(), text(x).c_str()));

    // Wild run from R until it lands on the trap or has travelled dn + 2*(H - L).
    // A logarithm in [L, H] is met after at most dn + (H - L), so the bound
    // loses none; it keeps the run as short as the tame one's order of length.
    // (A bound of dn + 2*H would let a wild kangaroo that missed the trap run
    // on for ages when H is large, and dn alone, for H past 64 bits, would
    // find nothing but H itself.)
    subtract(H, L, x);
    big_set_sign(1, x);
    const uint64_t band = fits64(x) ? low64(x) : UINT64_MAX;
    const uint64_t twice_band = band > UINT64_MAX / 2 ? UINT64_MAX : 2 * band;
    const uint64_t bound = dn > UINT64_MAX - twice_band ? UINT64_MAX : dn + twice_band;
    // H as a 64-bit number (0 when it does not fit), for the printed x = dn + H - dm.
    const uint64_t b64 = fits64(H) && !big_is_negative(H) ? low64(H) : 0;
    Ops::copy(R, wild);
    uint64_t dm = 0;
    bool found = false;
    for (;;) {
        Ops::get_x(wild, x);
        const int j = Ops::step_index(x, m);
        Ops::add(blk[j], wild);
        dm += distance[j];
        if (Ops::equal(wild, trap)) {
            found = true;
            break;
        }
        if (abort_requested() || engine_error() != 0) return 1;
        if (dm > bound) break;
    }
    if (!found) {
        log_append("trap stepped over\r\n");
        return 1;
    }

    // k = H + dn - dm.
    Num k;
    big_from_u64(dn, x);
    add(H, x, k);
    big_from_u64(dm, x);
    subtract(k, x, k);
    log_append(format("Found! dn = %llX, dm = %llX, x= %llX, Discrete log:\r\n",
                      static_cast<unsigned long long>(dn), static_cast<unsigned long long>(dm),
                      static_cast<unsigned long long>(dn + b64 - dm)));
    log_append(text(k) + "\r\n");
    return 1;
}

}  // namespace

}  // namespace nt

int trap_kangaroo(big result, epoint* G, epoint* R, const big_rec* L, const big_rec* H) {
    return nt::trap_search<nt::GfpOps>(result, G, R, L, H);
}

int trap_kangaroo2(big result, epoint* G, epoint* R, const big_rec* L, const big_rec* H) {
    return nt::trap_search<nt::Gf2mOps>(result, G, R, L, H);
}
