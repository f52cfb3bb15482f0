// Points on the current curve y^2 = x^3 + A*x + B over GF(p).
//
// The curve lives in the engine instance: ecurve_init makes p the current
// modulus and stores A and B (Montgomery residues in curve_a/curve_b, with the
// short forms curve_a_small/curve_b_small: the value itself when it fits below
// 2^30 in magnitude, for A also -d when A = p - d with small d, otherwise the
// marker +-2^30). Point coordinates are Montgomery residues modulo p.
//
// Coordinate modes: affine (1), with one modular division per addition, as the
// workbench uses everywhere; projective (0 or 2), Jacobian x = X/Z^2, y = Y/Z^3,
// with the a = -3 doubling when A's short form is -3.
//
// Unless a routine says otherwise, a point argument may be the same point as
// another argument. A non-invertible denominator (p not prime) makes the point
// involved infinity and records error 28.
#pragma once

#include "engine/big.h"
#include "engine/epoint.h"

/// Makes (A, B, p) the current curve in coordinate mode `mode` (1 affine; 0 or 2
/// projective). A and B are plain integers (any sign).
void ecurve_init(const big_rec* a, const big_rec* b, const big_rec* p, int mode);

/// x and y both null: P = infinity, true. Different x and y: P = (x, y) when it
/// lies on the curve (true), else false (P's coordinates are overwritten, its
/// marker left as it was). x and y the same big: P = (x, y) with y the square
/// root of x^3 + Ax + B whose plain parity is lsb; false when there is none.
/// x and y are plain integers.
bool epoint_set(const big_rec* x, const big_rec* y, int lsb, epoint* p);
/// Infinity: x = y = 0, returns 0. Otherwise normalises P, x = plain x and (when
/// a different big) y = plain y; returns the least significant bit of y, or -1
/// if normalisation failed.
int epoint_get(epoint* p, big x, big y);
/// Plain X, Y, Z (any output may be null); affine points report Z = 1.
void epoint_getxyz(const epoint* p, big x, big y, big z);
/// Projective to affine (Z = 1). False, P = infinity and error 28 when Z has no
/// inverse. Always true in affine mode.
bool epoint_norm(epoint* p);
/// Q = P (no-op when the same or Q is null).
void epoint_copy(const epoint* p, epoint* q);
/// Point equality (two infinities are equal).
bool epoint_equal(epoint* p, epoint* q);
/// P = -P.
void epoint_negate(epoint* p);

/// Q = Q + P (doubling when P and Q are the same point). Returns the slope of
/// the line used after a real affine addition or doubling with a finite result
/// (a workspace residue valid until the next engine call); otherwise nullptr.
/// Projective formulas form no slope and always return nullptr.
big ecurve_add(epoint* p, epoint* q);
/// Q = Q - P (P unchanged; Q = infinity when they are the same point).
void ecurve_sub(epoint* p, epoint* q);
/// P = 2P.
void ecurve_double(epoint* p);
/// w[i] = w[i] + x[i] for m pairs with one shared field inversion (affine).
void ecurve_multi_add(int m, epoint** x, epoint** w);
/// R = e*P for any signed e (signed-digit window of 5 with 11 stored odd
/// multiples; the instance's user hook runs once per window). R may be P.
void ecurve_mult(const big_rec* e, epoint* p, epoint* r);
/// R = e*P + f*Q by a joint signed-digit walk with P+Q and P-Q precomputed.
void ecurve_mult2(const big_rec* e, epoint* p, const big_rec* f, epoint* q, epoint* r);
/// w = x^3 + A*x + B (Montgomery residues).
void curve_rhs(const big_rec* x, big w);
