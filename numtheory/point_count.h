// Point counting: the number NP of points (infinity included) of a curve over
// GF(p) or GF(2^m), with its progress narrative in the progress log.
//
// Small fields are counted directly, middle-sized ones by the herd kangaroo
// search alone, and large ones by Schoof's algorithm over small primes and prime
// powers, whose combined residue the kangaroo search finishes. The same entries
// serve the kangaroo's band searches (KangarooMode order_multiple and
// logarithm), which go to the kangaroo whatever the field size.
//
// Both run on a worker thread with its own engine instance; they leave the curve
// of their field current (affine coordinates). A stop request (abort_requested)
// is honoured at the points the narrative names and inside the kangaroo; the
// result is then left as it was. Their answer is in result; every outcome,
// warning and refusal is a line of the log.
//
// R. Schoof, "Elliptic curves over finite fields and the computation of square
// roots mod p", Math. Comp. 44 (1985); R. Schoof, "Counting points on elliptic
// curves over finite fields", J. Th. Nombres Bordeaux 7 (1995); A. Menezes,
// S. Vanstone and R. Zuccherato, "Counting points on elliptic curves over
// F_2^m", Math. Comp. 60 (1993).
#pragma once

#include "engine/big.h"
#include "numtheory/kangaroo.h"

/// NP of y^2 = x^3 + A*x + B over GF(p) (mode count_points), or the kangaroo's
/// n with n*G = O / k with k*G = R in [lower, upper] (the other modes; G, R are
/// plain coordinates, ignored in mode count_points).
void count_points_gfp(big result, const big_rec* A, const big_rec* B, const big_rec* p,
                      KangarooMode mode, const big_rec* Gx, const big_rec* Gy, const big_rec* Rx,
                      const big_rec* Ry, const big_rec* lower, const big_rec* upper);

/// NP of y^2 + x*y = x^3 + A*x^2 + B over GF(2^m) with the basis
/// x^m + x^a + x^b + x^c + 1 (b = c = 0: the trinomial x^m + x^a + 1); other
/// arguments as count_points_gfp.
void count_points_gf2m(big result, int m, int a, int b, int c, const big_rec* A, const big_rec* B,
                       KangarooMode mode, const big_rec* Gx, const big_rec* Gy, const big_rec* Rx,
                       const big_rec* Ry, const big_rec* lower, const big_rec* upper);
