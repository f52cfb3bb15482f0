// Montgomery kernels on 64-bit limbs: the inner loops of modular arithmetic.
//
// The engine's numbers are arrays of 32-bit words; these kernels see a modulus
// of k words as L = ceil(k/2) little-endian 64-bit limbs (the words copied with
// memcpy, the top half of the last limb zero when k is odd). R stays 2^(32k), so
// every result equals the word-by-word Montgomery result:
//   - k even: L reduction steps of 64 bits;
//   - k odd ("half"): L-1 steps of 64 bits and one final step of 32 bits.
// Products are formed first (Comba column sums, separate squaring), then reduced
// by product scanning (Koc, Acar, Kaliski, "Analyzing and comparing Montgomery
// multiplication algorithms", IEEE Micro 1996).
//
// For k = 16*2^j words (L = 8*2^j limbs) the product is formed by Karatsuba
// splitting down to unrolled 8x8-limb Comba products and reduced with the
// full-length nfull = -n^-1 mod R: m = (t mod R)*nfull mod R, r = (t + m*n)/R.
//
// No allocation, no trace, no error state. Inputs are residues below n unless a
// routine says otherwise; outputs are below n. Outputs may alias inputs.
#pragma once

#include <cstdint>

namespace engine_detail {

using u64 = uint64_t;

/// Limbs of the largest modulus (69 words -> 35 limbs), with one spare.
constexpr int kMontMaxLimbs = 36;

struct MontParams {
    int words = 0;     // k: 32-bit words of n
    int limbs = 0;     // L = (k + 1) / 2
    bool half = false; // k odd: the last reduction step is a 32-bit one
    bool kara = false; // k = 16*2^j: Karatsuba-Comba products, full-length reduction
    uint32_t ninv32 = 0;  // -n^-1 mod 2^32
    u64 ninv = 0;         // -n^-1 mod 2^64
    u64 n[kMontMaxLimbs];
    u64 nfull[kMontMaxLimbs];  // -n^-1 mod R (kara only)
    u64 one[kMontMaxLimbs];    // R mod n: 1 in Montgomery form
    u64 r2[kMontMaxLimbs];     // R^2 mod n: converts into Montgomery form
};

/// True when k words is one of the Karatsuba-Comba sizes (16, 32, 64, ...).
inline bool mont_is_kara_size(int k) { return k >= 16 && (k & (k - 1)) == 0; }

/// -a^-1 mod 2^32 for odd a.
uint32_t mont_ndash32_raw(uint32_t a);
/// Largest modulus in words the kernels take.
constexpr int kMontMaxWords = 2 * kMontMaxLimbs - 2;

/// Fills p for the odd modulus n >= 3 of k normalised words (k <= kMontMaxWords).
/// `ninv32` must be -n^-1 mod 2^32; `nfull_words` (k words, -n^-1 mod R) is used
/// when k is a Karatsuba size and may be null otherwise, or null to compute it.
void mont_params_set(MontParams* p, const uint32_t* n, int k, uint32_t ninv32,
                     const uint32_t* nfull_words);
/// Writes -n^-1 mod 2^(32k) for odd n of k words (k even, a Karatsuba size).
void mont_nfull_raw(uint32_t* out, const uint32_t* n, int k);

/// r = a*b*R^-1 mod n.
void mont_mul_raw(const MontParams& p, u64* r, const u64* a, const u64* b);
/// r = a^2*R^-1 mod n.
void mont_sqr_raw(const MontParams& p, u64* r, const u64* a);
/// The same, forced onto the word-size path (no Karatsuba), for tests.
void mont_mul_basic_raw(const MontParams& p, u64* r, const u64* a, const u64* b);
void mont_sqr_basic_raw(const MontParams& p, u64* r, const u64* a);
/// t[0..2L-1] = a*b (plain product, by the path the modulus size selects).
void mont_prod_raw(const MontParams& p, u64* t, const u64* a, const u64* b);
/// r = a*k mod n for a word k (a below n).
void mont_mul_word_raw(const MontParams& p, u64* r, const u64* a, uint32_t k);
/// r = a mod n for a value of `words` words (any length).
void mont_reduce_words_raw(const MontParams& p, u64* r, const uint32_t* a, int words);
/// r = t*R^-1 mod n for t < n*R given as 2L limbs (t is not changed).
void mont_redc_raw(const MontParams& p, u64* r, const u64* t);
/// r = a + b mod n, r = a - b mod n, r = -a mod n.
void mont_add_raw(const MontParams& p, u64* r, const u64* a, const u64* b);
void mont_sub_raw(const MontParams& p, u64* r, const u64* a, const u64* b);
void mont_neg_raw(const MontParams& p, u64* r, const u64* a);
/// +1, 0, -1 comparing L-limb values.
int mont_cmp_raw(const u64* a, const u64* b, int limbs);
bool mont_is_zero_raw(const u64* a, int limbs);

/// Lehmer's extended Euclid: g = gcd(a, m) and, when g = 1, inv = a^-1 mod m in
/// 0..m-1 (returns g == 1; inv = 0 otherwise). a < m, m > 0, both L limbs.
bool mont_inverse_raw(const u64* a, const u64* m, int L, u64* inv, u64* g);

/// Karatsuba-Comba product of n = 8*2^j limbs: r[0..2n-1] = a*b, r = a^2.
/// r must not overlap the inputs.
void kara_mul_raw(u64* r, const u64* a, const u64* b, int n);
void kara_sqr_raw(u64* r, const u64* a, int n);

/// d[0..limbs-1] = the first `words` words of w, zero-extended.
void mont_load_raw(u64* d, const uint32_t* w, int words, int limbs);

}  // namespace engine_detail
