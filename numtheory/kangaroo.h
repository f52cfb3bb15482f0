// Pollard's lambda ("kangaroo") searches on the current curve.
//
// herd_kangaroo finds n in a band with n = residue (mod modulus) and n*P equal
// to a target: the group order of a random point in point counting (target the
// point at infinity, band the Hasse interval), a multiple of the order of G, or
// the logarithm k of R to the base G in a user band. Five tame and five wild
// kangaroos jump through a table of 2^i * modulus * P; points whose x is a
// multiple of a power of two D are traps, kept in two stores of 80 (one per
// herd); a tame and a wild trap on the same point give n. All ten jumps of a
// step share one field inversion.
//
// trap_kangaroo is the single tame, single wild search for k with k*G = R in
// [L, H]: the tame kangaroo runs sqrt(H - L) jumps from H*G and leaves its trap,
// the wild one runs from R until it lands on the trap or has gone too far.
//
// Both write their narrative into the progress log and return at once, without
// further output, when a stop is requested (abort_requested()). The GF(2^m)
// forms (suffix 2) work on the current GF(2^m) curve (ec2.h); the others on the
// current GF(p) curve (ecp.h). The caller sets the curve up in affine mode.
//
// J. M. Pollard, "Kangaroos, Monopoly and discrete logarithms", J. Cryptology
// 13 (2000); P. C. van Oorschot and M. J. Wiener, "Parallel collision search
// with cryptanalytic applications", J. Cryptology 12 (1999).
#pragma once

#include "engine/big.h"
#include "engine/epoint.h"

/// What a point count or kangaroo search is asked for.
enum class KangarooMode : int {
    count_points = 0,    // the number of points of the curve
    order_multiple = 1,  // n in [lower, upper] with n*G at infinity
    logarithm = 2,       // k in [lower, upper] with k*G = R
};

/// Herd search over the current GF(p) curve. q is the field size p; residue and
/// modulus (> 0) restrict n to one class. Mode count_points ignores G, R, lower
/// and upper (the band is q + 1 -+ (2*floor(sqrt(q)) + 3)); order_multiple uses G,
/// logarithm G and R (plain coordinates) and both the band [lower, upper].
/// The value found is stored in result before its check; result is left as it
/// was when nothing is found (stop, G or R off the curve, trap store full).
void herd_kangaroo(big result, const big_rec* q, const big_rec* residue, const big_rec* modulus,
                   KangarooMode mode, const big_rec* Gx, const big_rec* Gy, const big_rec* Rx,
                   const big_rec* Ry, const big_rec* lower, const big_rec* upper);
/// The same over the current GF(2^m) curve, q = 2^m.
void herd_kangaroo2(big result, const big_rec* q, const big_rec* residue,
                    const big_rec* modulus, KangarooMode mode, const big_rec* Gx,
                    const big_rec* Gy, const big_rec* Rx, const big_rec* Ry,
                    const big_rec* lower, const big_rec* upper);

/// Single-trap search for k in [L, H] with k*G = R on the current GF(p) curve;
/// the answer is reported in the log only. result is working space. Returns 0
/// when its points could not be allocated, 1 otherwise.
int trap_kangaroo(big result, epoint* G, epoint* R, const big_rec* L, const big_rec* H);
/// The same over the current GF(2^m) curve.
int trap_kangaroo2(big result, epoint* G, epoint* R, const big_rec* L, const big_rec* H);
