// The point operations the kangaroo searches need, for the two kinds of curve,
// so that one search body serves both (internal to numtheory).
#pragma once

#include "engine/big.h"
#include "engine/ec2.h"
#include "engine/ecp.h"
#include "engine/epoint.h"
#include "engine/modular.h"

namespace nt {

/// Points of the current GF(p) curve (coordinates in Montgomery form).
struct GfpOps {
    /// P = (x, y) when it lies on the curve (plain coordinates).
    static bool set_xy(const big_rec* x, const big_rec* y, epoint* p) {
        return epoint_set(x, y, 0, p);
    }
    static void set_infinity(epoint* p) { epoint_set(nullptr, nullptr, 0, p); }
    /// P = the point with x whose y has parity `bit`; false when x is no x-coordinate.
    static bool set_x(const big_rec* x, int bit, epoint* p) { return epoint_set(x, x, bit, p); }
    /// x = the affine x-coordinate of P as an integer (0 for infinity). The
    /// searches keep their points affine, so only x is converted back.
    static void get_x(epoint* p, big x) {
        if (p->marker == EPOINT_INFINITY)
            big_zero(x);
        else if (p->marker == EPOINT_NORMALIZED)
            redc(p->x, x);
        else
            epoint_get(p, x, x);
    }
    static void add(epoint* p, epoint* q) { ecurve_add(p, q); }
    static void twice(epoint* p) { ecurve_double(p); }
    static void multi_add(int m, epoint** x, epoint** w) { ecurve_multi_add(m, x, w); }
    static void mult(const big_rec* e, epoint* p, epoint* r) { ecurve_mult(e, p, r); }
    static bool equal(epoint* p, epoint* q) { return epoint_equal(p, q); }
    static void copy(const epoint* p, epoint* q) { epoint_copy(p, q); }
    /// The walk's jump index for a point with x-coordinate x: x mod m.
    static int step_index(const big_rec* x, int m) { return remain(x, m); }
    /// Whether the point is a trap: x is a multiple of D = 2^nbits.
    static bool distinguished(const big_rec* x, int nbits) {
        return (big_to_u64(x) & ((uint64_t{1} << nbits) - 1)) == 0;
    }
};

/// Points of the current GF(2^m) curve (coordinates are bit strings).
struct Gf2mOps {
    static bool set_xy(const big_rec* x, const big_rec* y, epoint* p) {
        return epoint2_set(x, y, 0, p);
    }
    static void set_infinity(epoint* p) { epoint2_set(nullptr, nullptr, 0, p); }
    /// P = the point with x whose y/x has bit 0 equal to `bit` (x = 0: (0, sqrt(B))).
    static bool set_x(const big_rec* x, int bit, epoint* p) { return epoint2_set(x, x, bit, p); }
    static void get_x(epoint* p, big x) { epoint2_get(p, x, nullptr); }
    static void add(epoint* p, epoint* q) { ecurve2_add(p, q); }
    static void twice(epoint* p) { ecurve2_add(p, p); }
    static void multi_add(int m, epoint** x, epoint** w) { ecurve2_multi_add(m, x, w); }
    static void mult(const big_rec* e, epoint* p, epoint* r) { ecurve2_mult(e, p, r); }
    static bool equal(epoint* p, epoint* q) { return epoint2_comp(p, q); }
    static void copy(const epoint* p, epoint* q) { epoint2_copy(p, q); }
    // The walk does not read x's bits directly: the trace of x is a fixed sum of
    // a few of its bits (bit 0 and some high ones for the bases in use), and on
    // the points a count or a search visits it is often constant (Tr(x) = Tr(A)
    // on every point of 2E). Read plainly, bit 0 would then be the same on every
    // point: with Tr(A) = 1 no point would ever be a trap and the search would
    // never end, with Tr(A) = 0 traps would come twice as often as planned, and
    // half of the jump table would go unused whenever m is even. A
    // multiplicative hash of x's low 64 bits (not linear over GF(2), so no
    // linear relation among the bits can fix it) feeds both decisions instead.
    static uint64_t mix(const big_rec* x) { return big_to_u64(x) * 0x9E3779B97F4A7C15ull; }
    static int step_index(const big_rec* x, int m) {
        return static_cast<int>(((mix(x) >> 16) & 0xFFFFFFFFu) % static_cast<uint32_t>(m));
    }
    static bool distinguished(const big_rec* x, int nbits) {
        return nbits == 0 || (mix(x) >> (64 - nbits)) == 0;
    }
};

}  // namespace nt
