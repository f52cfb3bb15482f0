// The factoring methods run by the factoring driver.
//
// Each method takes the running N (odd, with no prime factor below 65537 when
// the driver calls it) and divides it in place as it finds factors: for every
// factor g with 1 < g < N it sets N := N / g and records g in the report's
// factor list. A method ends as soon as the remaining N passes a probable-prime
// test with three random bases. Every method reads the report's stop word
// between steps and returns kFactorStopped when it is raised; progress goes to
// the report's status text with the method's code.
//
// All work is done modulo N in Montgomery form on the calling thread's engine
// instance (which must be open, with error control on). A method that finds a
// factor keeps computing modulo the N it started with and takes its gcds with
// the current N, so no state has to be converted after a split.
//
// References: J. M. Pollard, "A Monte Carlo method for factorization" (1975) and
// "Theorems on factorization and primality testing" (1974); R. P. Brent, "An
// improved Monte Carlo factorization algorithm" (1980); H. C. Williams, "A p+1
// method of factoring" (1982); H. W. Lenstra, "Factoring integers with elliptic
// curves" (1987); P. L. Montgomery, "Speeding the Pollard and elliptic curve
// methods of factorization" (1987); R. D. Silverman, "The multiple polynomial
// quadratic sieve" (1987).
#pragma once

#include <cstdint>
#include <functional>

#include "engine/big.h"
#include "numtheory/factor_report.h"

/// Default bounds of the driver.
constexpr int kPm1Limit1 = 10000;
constexpr int kPm1Limit2 = 11259375;
constexpr int kEcmLimit2 = 22518750;
/// Residues in the phase-2 table of P-1, P+1 and ECM.
constexpr int kPhase2TableSize = 1156;
/// Phase 2 takes a gcd at its first step and then every this many steps.
constexpr int kPhase2GcdInterval = 32100;

/**
 * Trial division by the 64K runtime table (2 .. 65537, in order): for each prime
 * q, stops when N <= q; while N > q and q divides N, records "P-%X" with q and
 * divides. Returns the number of factors recorded. N must be at least 2.
 */
int factor_trial_division(big n, FactorReport& report);

/**
 * Pollard rho in Brent's form on f(y) = y^2 + 3 from y = 3: cycle lengths 1, 2,
 * 4, ...; differences multiplied in batches of at most 10 before one gcd; a
 * batch whose gcd is N is replayed one step at a time (and a sequence that
 * collapses modulo N as a whole restarts from the next starting value). After a
 * split the search goes on with the cofactor and the same iteration count.
 * Every 100 iterations: "Pollard Rho\r\n%d of %d tries.\r\n" (code 17).
 * Returns kFactorStopped, kFactorFound (factor recorded and N now passes the
 * three-base test), kFactorRhoTries (more iterations than `tries`; factors may
 * have been recorded before).
 */
int factor_rho(big n, int tries, FactorReport& report);

/**
 * Pollard P-1: two tries with bases 2 and 3. Phase 1 raises the base to e_q for
 * every prime q below limit1, with e_q = q^2 multiplied by q while e_q < 2^30/q;
 * phase 2 covers the primes above the last phase-1 prime up to limit2 with the
 * 2310 wheel. limit1 outside 10000..46340 becomes 10000, limit2 outside
 * 185360..2^30 becomes 11259375. Returns kFactorPrime at once when N passes the
 * three-base test, kFactorStopped, kFactorFound or kFactorNone.
 */
int factor_pm1(big n, int limit1, int limit2, FactorReport& report);

/// Williams P+1: three tries with the Lucas sequence started from 8, 9, 10;
/// otherwise as factor_pm1.
int factor_pp1(big n, int limit1, int limit2, FactorReport& report);

/// Curve count and first curve parameter of ECM after the limits: a count of 0
/// becomes 1 and one of 1737075662 or more 1737075661; K of 8 or less becomes
/// 9 and one of 305419897 or more 305419896.
uint32_t ecm_clamp_curves(uint64_t count);
uint32_t ecm_clamp_k(uint64_t k);

/**
 * Lenstra's ECM on Montgomery curves with Suyama's parametrisation: curve i
 * (i = 1 .. count, the count re-read through `curve_count` before each curve)
 * uses sigma = K, then K := K + 1. Phase 1 with the prime powers of factor_pm1
 * up to limit1, phase 2 on the 2310 wheel up to limit2. limit1 outside
 * 10000..46340 becomes 10000, limit2 outside 185360..2^30 becomes 22518750.
 * Returns kFactorPrime (a factor left N prime), kFactorStopped, kFactorFound or
 * kFactorNone.
 */
int factor_ecm(big n, int limit1, int limit2, const std::function<uint32_t()>& curve_count,
               uint32_t first_k, FactorReport& report);

/**
 * The multiple-polynomial quadratic sieve with the Knuth-Schroeppel multiplier,
 * single large primes and incremental elimination over GF(2). Returns
 * kFactorPrime when N is prime, kFactorRefused for N of more than 330 bits or
 * a square kN (whose root is then recorded and divided out), kFactorStopped,
 * kFactorFound or kFactorNone.
 */
int factor_mpqs(big n, FactorReport& report);
