// Limb kernels: arithmetic on little-endian arrays of 32-bit words with explicit
// word counts. No allocation, no trace, no error state; the preconditions below
// are the caller's duty (checked with ENGINE_CHECK in verify builds).
//
// "Normalised count" means the top word is non-zero (or the count is 0).
#pragma once

#include <cstdint>

/// Count with leading zero words dropped.
int mp_norm_len_raw(const uint32_t* a, int n);
/// Compares magnitudes given by normalised counts: +1, 0, -1.
int mp_cmp_raw(const uint32_t* a, int an, const uint32_t* b, int bn);
/// r[0..an-1] = a + b for an >= bn; returns the carry out. r may alias a or b.
uint32_t mp_add_raw(uint32_t* r, const uint32_t* a, int an, const uint32_t* b, int bn);
/// r[0..an-1] = a - b for an >= bn; returns the borrow out. r may alias a or b.
uint32_t mp_sub_raw(uint32_t* r, const uint32_t* a, int an, const uint32_t* b, int bn);
/// r[0..an-1] = a + c; returns the carry out. r may alias a.
uint32_t mp_add1_raw(uint32_t* r, const uint32_t* a, int an, uint32_t c);
/// r[0..an-1] = a - c; returns the borrow out. r may alias a.
uint32_t mp_sub1_raw(uint32_t* r, const uint32_t* a, int an, uint32_t c);
/// r[0..an-1] = a*m; returns the high word. r may alias a.
uint32_t mp_mul1_raw(uint32_t* r, const uint32_t* a, int an, uint32_t m);
/// r[0..an-1] += a*m; returns the carry word. r must not overlap a unless equal.
uint32_t mp_addmul1_raw(uint32_t* r, const uint32_t* a, int an, uint32_t m);
/// r[0..an+bn-1] = a*b. r must not overlap a or b. an, bn >= 1.
void mp_mul_raw(uint32_t* r, const uint32_t* a, int an, const uint32_t* b, int bn);
/// r[0..2an-1] = a^2. r must not overlap a. an >= 1.
void mp_sqr_raw(uint32_t* r, const uint32_t* a, int an);
/// q[0..an-1] = a / d, returns a mod d (d != 0). q may alias a.
uint32_t mp_divmod1_raw(uint32_t* q, const uint32_t* a, int an, uint32_t d);
/// a mod d without a quotient (d != 0).
uint32_t mp_mod1_raw(const uint32_t* a, int an, uint32_t d);
/// Long division (Knuth D): q[0..an-bn] = a / b and r[0..bn-1] = a mod b, for
/// normalised b with bn >= 2 and an >= bn. q or r may be null when not wanted.
/// scratch holds an + bn + 2 words. No output may overlap an input.
void mp_divmod_raw(uint32_t* q, uint32_t* r, const uint32_t* a, int an, const uint32_t* b, int bn,
                   uint32_t* scratch);
/// r[0..n-1] = a << bits (0 <= bits < 32); returns the bits shifted out. r may alias a.
uint32_t mp_shl_raw(uint32_t* r, const uint32_t* a, int n, int bits);
/// r[0..n-1] = a >> bits (0 <= bits < 32); returns the bits shifted out (at the
/// top of the word). r may alias a.
uint32_t mp_shr_raw(uint32_t* r, const uint32_t* a, int n, int bits);
/// Number of bits of a normalised a.
int mp_bits_raw(const uint32_t* a, int n);
