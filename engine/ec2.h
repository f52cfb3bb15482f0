// Points on the current curve over GF(2^m).
//
// Ordinary curves: y^2 + x*y = x^3 + A*x^2 + B (B != 0 for a non-singular curve).
// Supersingular curves (selected by a negative m in ecurve2_init):
// y^2 + y = x^3 + A*x + B. Koblitz curves are the ordinary curves with B = 1 and
// A in {0, 1}; their scalar products walk a tau-adic form of the scalar, tau
// being the Frobenius map (x, y) -> (x^2, y^2).
//
// Coordinates are field elements (gf2m.h) in the points' x, y (and z) bigs. The
// marker is that of epoint.h: normalised points hold affine x, y; general points
// (projective mode only) hold Lopez-Dahab X, Y, Z with x = X/Z and y = Y/Z^2 on
// ordinary curves and x = X/Z, y = Y/Z on supersingular ones. The point at
// infinity has marker EPOINT_INFINITY and zero coordinates.
//
// In projective mode ordinary curves add and double in Lopez-Dahab coordinates
// (no inversion); supersingular curves always compute in affine coordinates and
// keep Z = 1. A point from a block allocated in affine mode has no z; results
// stored into it are normalised.
//
// Every routine records its trace identifier and does nothing while an error is
// recorded; a routine that needs a basis records error 27 when none is set.
//
// Formulas: Hankerson, Menezes and Vanstone, "Guide to Elliptic Curve
// Cryptography" (2004), 3.1.2 and 3.2.3; Lopez and Dahab, "Improved algorithms
// for elliptic curve arithmetic in GF(2^n)" (SAC 1998); Solinas, "Efficient
// arithmetic on Koblitz curves" (2000) for the tau-adic form.
#pragma once

#include "engine/big.h"
#include "engine/epoint.h"

/// Makes the curve with coefficients A, B over the basis (m, a, b, c) current.
/// Clears the Koblitz and supersingular flags; a negative m selects the
/// supersingular form (A must be 1 and B at most 1, else false) with m = -m;
/// negative A or B gives false; prepare_basis(m, a, b, c, check) must succeed.
/// A and B are stored reduced (short forms in curve_a_small/curve_b_small when
/// below 2^30, otherwise the marker 2^30); ordinary curves with B = 1 and A in
/// {0, 1} are flagged Koblitz. mode 1 selects affine coordinates, any other mode
/// (0 or 2) projective ones.
bool ecurve2_init(int m, int a, int b, int c, const big_rec* A, const big_rec* B, bool check,
                  int mode);

/// Sets P. x and y both null: infinity, true. x and y different bigs: P = (x, y)
/// when it lies on the curve, else false. x and y the same big (compressed form):
/// the point with that x whose y/x (supersingular: y) has bit 0 equal to `bit`;
/// for x = 0 on an ordinary curve y = sqrt(B) whatever the bit; false when x is
/// not the x of a curve point. Coordinates are reduced first. On false P is
/// unchanged; no error is recorded for points off the curve.
bool epoint2_set(const big_rec* x, const big_rec* y, int bit, epoint* P);
/// Normalises P and writes x (when not null) and y (when not null and not the
/// same big as x). Returns bit 0 of y/x (0 when x = 0; supersingular: bit 0 of
/// y). Infinity gives x = y = 0 and 0; -1 when P cannot be normalised.
int epoint2_get(epoint* P, big x, big y);
/// A general point becomes affine (x = X/Z, y = Y/Z^2; supersingular y = Y/Z)
/// with Z = 1; false (and P set to infinity) when Z = 0. Always true for
/// normalised points and infinity.
bool epoint2_norm(epoint* P);
/// Q = P (no-op when the same point or Q is null).
void epoint2_copy(const epoint* P, epoint* Q);
/// True when P and Q are the same point (two infinities are equal), compared
/// without normalising.
bool epoint2_comp(const epoint* P, const epoint* Q);
/// P = -P: y = x + y (projective: Y + X*Z; supersingular: y + 1, projective
/// Y + Z). Infinity stays infinity.
void epoint2_negate(epoint* P);

/// Q = Q + P. P and Q the same point: doubling. Q infinity: Q = P; P infinity: Q
/// unchanged. In affine mode a real addition or doubling with a finite result
/// returns the slope of the line used (a workspace big valid until the next
/// engine call); otherwise, and always in projective mode, the result is null.
big ecurve2_add(epoint* P, epoint* Q);
/// Q = Q - P (P and Q the same point: Q = infinity). P is left as it was.
void ecurve2_sub(epoint* P, epoint* Q);
/// w[i] = w[i] + x[i] for m pairs with one shared field inversion; the results
/// are normalised. Pairs that need a doubling or give infinity are added one by
/// one. x[i] and w[j] must be distinct points.
void ecurve2_multi_add(int m, epoint** x, epoint** w);
/// R = e*P for any signed e (R may be P). Ordinary curves: signed digits from e
/// and 3e in windows of up to 5 with the 11 odd multiples P..21P; Koblitz curves:
/// tau-adic non-adjacent form of e reduced modulo tau^m - 1, walked with the
/// Frobenius map. The user hook, if set, is called once per window.
void ecurve2_mult(const big_rec* e, epoint* P, epoint* R);
/// R = e*P + f*Q (R may be P or Q): joint signed digits with P + Q and P - Q
/// stored (Koblitz curves: joint tau-adic forms).
void ecurve2_mult2(const big_rec* e, epoint* P, const big_rec* f, epoint* Q, epoint* R);
