// The binary field GF(2^m) over the instance's current basis.
//
// Elements are bigs read as bit strings: bit i of the number is the coefficient
// of x^i and addition is exclusive or. A reduced element has fewer than m bits.
// Signs are ignored (the magnitude is the bit string). The basis is the
// trinomial x^m + x^a + 1 (b = c = 0) or the pentanomial x^m + x^a + x^b + x^c + 1,
// set by prepare_basis and held in the instance (basis_m/a/b/c, its bit pattern
// in `modulus`, and derived data for square roots and traces).
//
// The field routines carry no trace identifier; like every engine routine they
// do nothing while an error is recorded. Outputs may be the same big as inputs
// unless a routine says otherwise. Inputs need not be reduced: routines that
// need a basis reduce them first. Results of the multiplicative routines are
// reduced. Temporaries live on the stack or in the scratch arena.
//
// Arithmetic after Hankerson, Menezes and Vanstone, "Guide to Elliptic Curve
// Cryptography" (2004), chapter 2.3.
#pragma once

#include "engine/big.h"

// ---- basis ----------------------------------------------------------------------------------

/// Makes x^m + x^a + x^b + x^c + 1 (b = 0: the trinomial x^m + x^a + 1, c ignored)
/// the current basis. Calling it again with the current basis returns true at once
/// (a checking call on a basis that was set without the check runs the test).
/// With `check` set the polynomial must pass the irreducibility test (Ben-Or:
/// gcd(x^(2^i) + x, f) = 1 for i = 1..m/2).
/// Errors: 19 unless m > 0, 0 < a < m, 0 <= b < a and 0 <= c < m; 3 when
/// precision_words < m/32 + 1 (or m is past the kernels' 2,304 bits); 24 when
/// the check finds a factor. On any failure no basis is current afterwards.
bool prepare_basis(int m, int a, int b, int c, bool check);

// ---- field routines ---------------------------------------------------------------------------

/// w = x + y (exclusive or); x and y the same big gives 0. Needs no basis.
void gf2_add(const big_rec* x, const big_rec* y, big w);
/// w = x + n: n's 32-bit pattern xored into the low word. Needs no basis.
void gf2_incr(const big_rec* x, int n, big w);
/// w = x^2 mod the basis (table spreading, then reduction). Error 27 without basis.
void gf2_square(const big_rec* x, big w);
/// w = x*y mod the basis; a null or zero operand gives 0 (x and y the same big
/// squares). Error 27 without basis.
void gf2_mul(const big_rec* x, const big_rec* y, big w);
/// w = x mod the basis. Error 27 without basis.
void gf2_reduce(const big_rec* x, big w);
/// w = sqrt(x) (every element has exactly one). Error 27 without basis.
void gf2_sqrt(const big_rec* x, big w);
/// w = 1/x mod the basis; false (w unchanged) for x = 0 or when no basis is set
/// (error 27).
bool gf2_inverse(const big_rec* x, big w);
/// w[i] = 1/x[i] for m elements with a single inversion (Montgomery's trick);
/// false (w unchanged) when some x[i] is 0. Error 7 when x and w are the same
/// array; 27 without basis. w[i] may be the same big as x[i]; otherwise no w[i]
/// may be one of the x[j].
bool gf2_multi_inverse(int m, const big* x, big* w);
/// Tr(x) = x + x^2 + ... + x^(2^(m-1)), 0 or 1 (0 and error 27 without basis).
int gf2_trace(const big_rec* x);
/// Bit 0 of x.
int gf2_lsb(const big_rec* x);
/// z with z^2 + z = a; false (z unchanged) when there is none, which is exactly
/// when Tr(a) = 1. Odd m: the half trace; even m: a construction from a random
/// element of trace 1 drawn from the engine's raw generator. Every answer is
/// checked. Error 27 without basis.
bool gf2_quad_solve(const big_rec* a, big z);
/// w = sum of x[i]*y[i] for i < m, reduced once. Error 27 without basis.
void gf2_dotprod(int m, const big* x, const big* y, big w);
/// x = x * x^n without reduction (n < 0 shifts right, dropping bits). Error 3 when
/// the result needs more than the precision.
void gf2_shift_left(big x, int n);

// ---- polynomials over GF(2^m) ---------------------------------------------------------------

/// Product of two polynomials over GF(2^m) given as coefficient arrays of n
/// elements each: w[0..2n-2] = x * y. Karatsuba on unreduced coefficient
/// products; each output coefficient is reduced once. The inputs should be
/// reduced (unreduced ones are accepted through a slower path); null entries
/// count as 0. `work` holds gf2_poly_mul_work_size(n) full-precision bigs of
/// scratch, returned as zero. w must not share bigs with x, y or work (error 7
/// when w is the same array as x or y). Error 27 without basis.
void gf2_poly_mul(int n, big* work, const big* x, const big* y, big* w);
/// Number of work bigs gf2_poly_mul needs for n coefficients (at most 4n + 8).
int gf2_poly_mul_work_size(int n);
