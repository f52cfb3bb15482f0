// GF(2^m) kernels: arithmetic on elements held as little-endian arrays of 64-bit
// words, bit i = coefficient of x^i. No allocation, no trace, no error state; the
// preconditions below are the caller's duty.
//
// A reduced element of GF(2^m) has `words` = ceil(m/64) words with every bit at
// position m and above zero. Unreduced products of two reduced elements take
// 2*words words. The field is given by gf2_field_raw, which describes the basis
// x^m + x^e1 + ... + x^ek (k <= 4 terms below x^m, the constant term included
// when present) and carries the data prepare_basis derives from it.
//
// Carry-less word products use the processor's PCLMULQDQ instruction when it is
// present (chosen once at run time) and a portable 4-bit window method otherwise.
#pragma once

#include <cstdint>

#include "engine/instance.h"

/// r[0..2n-1] = a*b over GF(2)[x] for n-word a and b (no reduction).
using gf2_mul_fn = void (*)(uint64_t* r, const uint64_t* a, const uint64_t* b, int n);

struct gf2_field_raw;
/// r = a*b mod f (r may alias a or b).
using gf2_mulmod_fn = void (*)(const gf2_field_raw* f, uint64_t* r, const uint64_t* a,
                               const uint64_t* b);
/// r = a^2 mod f (r may alias a).
using gf2_sqrmod_fn = void (*)(const gf2_field_raw* f, uint64_t* r, const uint64_t* a);

/// The basis and its derived data.
struct gf2_field_raw {
    int m;                       // degree of the basis
    int words;                   // 64-bit words of a reduced element
    int count;                   // terms of the basis below x^m
    int exps[4];                 // their exponents, descending
    const uint64_t* sqrt_x;      // sqrt(x) mod f (words); null while being set up
    const uint64_t* trace_mask;  // bit i set when Tr(x^i) = 1; null while being set up
    gf2_mul_fn mul;              // product kernel for `words`-word operands
    gf2_mulmod_fn mulmod;        // modular product, specialised for the size and form
    gf2_sqrmod_fn sqrmod;        // modular square, likewise
};

// ---- field description ---------------------------------------------------------------

/// Describes the basis (m, a, b, c) as prepare_basis reads it (b = 0: trinomial
/// x^m + x^a + 1; otherwise x^m + x^a + x^b + x^c + 1 with equal terms cancelling).
/// sqrt_x and trace_mask are left null. Preconditions: 0 < a < m, 0 <= b, c < m,
/// m <= 64*kGf2MaxWords.
void gf2_field_describe(gf2_field_raw* f, int m, int a, int b, int c);
/// Describes the current instance's basis; false when none is set.
bool gf2_field_current(gf2_field_raw* f);

// ---- products ------------------------------------------------------------------------

/// r[0..2n-1] = a*b (carry-less, unreduced) with the fastest available kernel.
/// r must not overlap a or b; 1 <= n <= kGf2MaxWords.
void gf2_mul_raw(uint64_t* r, const uint64_t* a, const uint64_t* b, int n);
/// The same with the portable kernel (always available).
void gf2_mul_raw_portable(uint64_t* r, const uint64_t* a, const uint64_t* b, int n);
/// The same with PCLMULQDQ; only when gf2_clmul_available().
void gf2_mul_raw_clmul(uint64_t* r, const uint64_t* a, const uint64_t* b, int n);
/// True when the processor has PCLMULQDQ and the kernel is compiled in.
bool gf2_clmul_available();
/// Makes gf2_mul_raw (and the field descriptions made afterwards) use the portable
/// kernel even when PCLMULQDQ is present; returns the previous setting. For tests
/// and benchmarks.
bool gf2_force_portable(bool on);
/// The product kernel gf2_mul_raw would use for n-word operands.
gf2_mul_fn gf2_mul_kernel(int n);
/// Chooses f->mul, f->mulmod and f->sqrmod for the described basis (part of
/// gf2_field_describe).
void gf2_select_kernels(gf2_field_raw* f);
/// Product of two polynomials with count coefficients of n words each, stored
/// one after the other in x and y: out receives the 2*count - 1 unreduced
/// coefficients of the product, 2n words each. No overlap; count >= 1.
using gf2_poly_leaf_fn = void (*)(uint64_t* out, const uint64_t* x, const uint64_t* y, int count,
                                  int n);
/// The fastest such kernel for n-word coefficients.
gf2_poly_leaf_fn gf2_poly_leaf_kernel(int n);
/// r[0..2n-1] = a^2 by spreading bits through a 256-entry table. r must not
/// overlap a.
void gf2_sqr_raw(uint64_t* r, const uint64_t* a, int n);

// ---- reduction and field operations ----------------------------------------------------

/// Reduces t[0..tn-1] modulo the basis in place: t[0..words-1] receives the
/// reduced element and t[words..tn-1] is cleared. tn >= words.
void gf2_reduce_raw(const gf2_field_raw* f, uint64_t* t, int tn);
/// r = a*b mod f for reduced a, b. r may alias a or b.
inline void gf2_mulmod_raw(const gf2_field_raw* f, uint64_t* r, const uint64_t* a,
                           const uint64_t* b) {
    f->mulmod(f, r, a, b);
}
/// r = a^2 mod f. r may alias a.
inline void gf2_sqrmod_raw(const gf2_field_raw* f, uint64_t* r, const uint64_t* a) {
    f->sqrmod(f, r, a);
}
/// r = 1/a mod f by the extended Euclidean algorithm over GF(2)[x]; false (r
/// untouched) when a = 0 or a shares a factor with a reducible f. r may alias a.
bool gf2_inv_raw(const gf2_field_raw* f, uint64_t* r, const uint64_t* a);
/// r = sqrt(a) = even(a) + sqrt(x)*odd(a). Needs f->sqrt_x. r may alias a.
void gf2_sqrt_raw(const gf2_field_raw* f, uint64_t* r, const uint64_t* a);
/// Tr(a) (0 or 1) as the parity of a & trace_mask. Needs f->trace_mask.
int gf2_trace_raw(const gf2_field_raw* f, const uint64_t* a);
/// A z with z^2 + z = a: the half trace for odd m; for even m the construction
/// with a random element of trace 1 drawn from the engine's raw generator. True
/// exactly when the z found satisfies the equation; z is written only then. z may
/// alias a.
bool gf2_quad_solve_raw(const gf2_field_raw* f, uint64_t* z, const uint64_t* a);

// ---- small helpers -----------------------------------------------------------------------

inline void gf2_copy_raw(uint64_t* r, const uint64_t* a, int n) {
    for (int i = 0; i < n; ++i) r[i] = a[i];
}
inline void gf2_zero_raw(uint64_t* r, int n) {
    for (int i = 0; i < n; ++i) r[i] = 0;
}
inline void gf2_add_raw(uint64_t* r, const uint64_t* a, const uint64_t* b, int n) {
    for (int i = 0; i < n; ++i) r[i] = a[i] ^ b[i];
}
inline bool gf2_is_zero_raw(const uint64_t* a, int n) {
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) v |= a[i];
    return v == 0;
}
inline bool gf2_is_one_raw(const uint64_t* a, int n) {
    uint64_t v = a[0] ^ 1;
    for (int i = 1; i < n; ++i) v |= a[i];
    return v == 0;
}
inline bool gf2_equal_raw(const uint64_t* a, const uint64_t* b, int n) {
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) v |= a[i] ^ b[i];
    return v == 0;
}
/// Degree of a (n words), -1 for zero.
int gf2_degree_raw(const uint64_t* a, int n);

// ---- conversion to and from big ------------------------------------------------------------

/// Reads |x| as a bit string into out[0..n-1]; false (out untouched) when x has
/// bits at position 64n or above.
bool gf2_load_raw(const big_rec* x, uint64_t* out, int n);
/// Reads |x| reduced modulo f into out[0..f->words-1] (x may be any length).
void gf2_load_reduced_raw(const gf2_field_raw* f, const big_rec* x, uint64_t* out);
/// x = the bit string a[0..n-1] (normalised, zero above the length). The caller
/// makes sure it fits the precision.
void gf2_store_raw(const uint64_t* a, int n, big x);
