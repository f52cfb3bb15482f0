// The point operations the kangaroo searches need, for the two kinds of curve,
// so that one search body serves both (internal to numtheory).
#pragma once

#include "engine/big.h"
#include "engine/ecp.h"
#include "engine/epoint.h"

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
    /// x = the affine x-coordinate of P as an integer (0 for infinity).
    static void get_x(epoint* p, big x) { epoint_get(p, x, x); }
    static void add(epoint* p, epoint* q) { ecurve_add(p, q); }
    static void twice(epoint* p) { ecurve_double(p); }
    static void multi_add(int m, epoint** x, epoint** w) { ecurve_multi_add(m, x, w); }
    static void mult(const big_rec* e, epoint* p, epoint* r) { ecurve_mult(e, p, r); }
    static bool equal(epoint* p, epoint* q) { return epoint_equal(p, q); }
    static void copy(const epoint* p, epoint* q) { epoint_copy(p, q); }
};

}  // namespace nt
