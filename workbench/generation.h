// The numbers curve generation is made of: random numbers of an exact bit
// length, the seed-derived value H (SHA-1 of a 160-bit seed in the manner of
// ANSI X9.62), and prime moduli that are 3 mod 4.
//
// A GF(p) curve y^2 = x^3 - 3x + B is chosen with H*B^2 = (-3)^3 (mod P), so
// that B follows verifiably from the seed; a GF(2^m) curve takes a6 = H mod 2^m.
//
// Threads: any thread with a current engine instance. The random numbers come
// from freshly seeded strong generators (random/entropy.h).
#pragma once

#include "engine/values.h"

/// A random number of exactly n bits (top bit set) from a freshly seeded strong
/// generator; 0 for n <= 1.
BigInt random_exact_bits(int n);

/// SHA-1 of S mod 2^160 written as 20 bytes big-endian, read back as a
/// big-endian integer (the sign of S is ignored).
BigInt seed_hash(const BigInt& S);

/// H from the seed S: W = seed_hash(S) cut to ((bits - 1) mod 160) bits, plus
/// one for type 1; then for i = 1 .. (bits - 1) div 160, W = W*2^160 +
/// seed_hash(S + i). At most bits - 1 bits for type 0 (GF(p)), bits bits for
/// type 1 (GF(2^m)); 0 for bits < 1.
BigInt derive_from_seed(const BigInt& S, int bits, int type);

/// The first prime = 7 or 11 (mod 12) from x + 23 - (x mod 12) on, so a prime
/// = 3 (mod 4) above x (x below 0 counts as 0).
BigInt next_prime_3mod4(const BigInt& x);

struct PrimeModulus {
    BigInt P;
    int tries = 1;
};
/// A prime = 3 (mod 4) of about `bits` bits. Up to 64 bits: next_prime_3mod4 of
/// a random bits-bit number (tries 1). Above: k*q - 1 for the first k of 48, 52,
/// ..., 76 that gives a prime, q running through the primes above a random
/// (bits - 6)-bit number; tries counts the q tried. The result may have one bit
/// fewer or more than asked.
PrimeModulus make_prime_modulus(int bits);
