// Arithmetic modulo the instance's current odd modulus n, primes and roots.
//
// Residues are kept in Montgomery form x*R mod n with R = 2^(32k), k the word
// length of n; nothing marks them, callers track which numbers are in which form.
// Every nres_* result lies in 0..n-1. The current modulus is instance state: any
// routine here (and powmod, sqroot) may replace it.
//
// Products use word-by-word Montgomery reduction with a one-word n'; for moduli
// of 16*2^j words the product is formed by Karatsuba splitting down to 16x16-word
// Comba products and reduced with the full-length n^-1 (same residues).
#pragma once

#include <cstdint>

#include "engine/big.h"

// ---- set-up and conversion ---------------------------------------------------------

/// Makes n the current modulus; returns n' = -n^-1 mod 2^32 (cached when n is
/// already current). Error 19 for n < 3 or even n (the previous modulus stays).
uint32_t prepare_monty(const big_rec* n);
/// y = x*R mod n (x reduced first, negatives made positive). Error 20 without modulus.
void nres(const big_rec* x, big y);
/// y = x*R^-1 mod n.
void redc(const big_rec* x, big y);

// ---- Montgomery residues -------------------------------------------------------------

void nres_modadd(const big_rec* x, const big_rec* y, big w);
void nres_modsub(const big_rec* x, const big_rec* y, big w);
void nres_negate(const big_rec* x, big w);
/// w = k*x mod n for a small int k.
void nres_premult(const big_rec* x, int k, big w);
/// w = x*y*R^-1 mod n (x and y the same big squares).
void nres_modmult(const big_rec* x, const big_rec* y, big w);
/// w = x/y mod n; returns 1 when y is invertible, otherwise w = 0 and the gcd's
/// big_int_size. Error 7 when x and y are the same big.
int nres_moddiv(const big_rec* x, const big_rec* y, big w);
/// w[i] = 1/x[i] for m residues with one inversion; false (and every w[i] = 0)
/// when it fails. Error 7 when the arrays are the same; no w[i] may be one of
/// the x[j] (w holds the running products).
bool nres_multi_inverse(int m, const big* x, big* w);
/// w = sum x[i]*y[i], reduced once at the end.
void nres_dotprod(int m, const big* x, const big* y, big w);
/// w = x^e (e a plain big; error 10 when negative), sliding window.
void nres_powmod(const big_rec* x, const big_rec* e, big w);
/// w = k^e for a small int base k.
void nres_powltr(int k, const big_rec* e, big w);
/// v = V_r(p), vp = V_(r-1)(p) (Lucas sequence V_0 = 2, V_1 = p); p, vp, v in
/// Montgomery form, r plain.
void nres_lucas(const big_rec* p, const big_rec* r, big vp, big v);
/// w = a square root of x modulo a prime modulus (Montgomery form) by Lucas
/// sequences, checked by squaring; false and w = 0 for a non-residue (or when
/// the modulus turns out composite).
/// Inputs of every nres_* routine are expected in 0..n-1; others are reduced
/// first (slower), a fraction is error 12.
bool nres_sqroot(const big_rec* x, big w);

// ---- plain numbers -------------------------------------------------------------------

/// w = x^e mod n. Odd n goes through Montgomery form (and becomes the current
/// modulus); even n uses plain arithmetic and leaves the modulus alone.
/// n = 1 gives 0 by plain arithmetic. Errors 10 (e < 0), 7 (n and w the same
/// big), 19 (n <= 0).
void powmod(const big_rec* x, const big_rec* e, const big_rec* n, big w);
/// w = k^e mod n for a small int k.
void powltr(int k, const big_rec* e, const big_rec* n, big w);
/// w = sqrt(x) mod the odd prime p (plain form); makes p current. False and w = 0
/// for a non-residue or even p.
bool sqroot(const big_rec* x, const big_rec* p, big w);
/// z = gcd(x, y) >= 0, xd*x + yd*y = z with |xd| < |y|/z (when y != 0). When
/// xd, yd and z are the same big it receives x^-1 mod |y| in 0..|y|-1 (the
/// cofactor of x when they are not coprime). Other coinciding outputs are
/// written yd, xd, z in that order (the last one stays). Returns big_int_size of
/// the gcd, so 1 means coprime.
int xgcd(const big_rec* x, const big_rec* y, big xd, big yd, big z);
/// x = uniform random in 0..w-1 from the raw generator.
void bigrand(const big_rec* w, big x);
/// Builds the zero-terminated small-prime table of the primes up to about maxp
/// (at least those below 1000); maxp <= 0 frees it. Error 14 for maxp >= 2^30.
void gprime(int maxp);
/// 0 composite, 1 prime, 2 undecided; y = x with its small factors divided out.
int trial_division(const big_rec* x, big y);
/// Probabilistic primality (trial division, then Miller-Rabin rounds with
/// witnesses from the raw generator; the user hook runs after each round and
/// answers false by returning false). True at once while an error is recorded.
/// Leaves the current modulus alone.
bool isprime(const big_rec* x);
/// x = the smallest prime > w (2 for w <= 1); false only if the user hook stops it.
bool nxprime(const big_rec* w, big x);

// ---- single-word helpers (untraced) ------------------------------------------------------

/// a^-1 mod m in 0..m-1 (any sign of a); 0 when not invertible or m < 2.
int small_inverse(int a, int m);
/// Jacobi symbol (a/n) for odd n > 0; 0 for even n; 1 for n = 1.
int small_jacobi(int a, int n);
/// a^e mod m (e < 0 uses the inverse of a); 0 when m < 2.
int small_powmod(int a, int e, int m);
/// A square root of a modulo the prime p (Tonelli-Shanks); 0 when p divides a
/// or a is a non-residue, 1 when a = 1 mod p.
int small_sqrt(int a, int p);

/// Chinese-remainder context over pairwise-coprime int moduli.
struct small_crt_ctx {
    int count = 0;
    int* moduli = nullptr;
    int* inverses = nullptr;  // count*(count-1)/2 pairwise inverses
    int* work = nullptr;
};
/// False (and the context empty) for count < 1, a modulus below 2, moduli that
/// are not pairwise coprime or no memory.
bool small_crt_init(small_crt_ctx* ctx, int count, const int* moduli);
/// x = the unique value in 0..prod(moduli)-1 with the given residues.
void small_crt(small_crt_ctx* ctx, const int* residues, big x);
void small_crt_free(small_crt_ctx* ctx);

/// Exact below 2^30 (odd trial division); otherwise Miller-Rabin rounds
/// (rounds outside 1..10 mean prime_trials; at most 50) without trial division.
bool quick_is_prime(const big_rec* x, int rounds);
