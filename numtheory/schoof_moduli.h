// The small moduli of a Schoof count and the combination of their residues
// (internal to numtheory; the tests use it directly).
//
// A count finds the trace t = q + 1 - NP modulo a list of small primes and
// prime powers whose product leaves about 2^e candidates for NP in the Hasse
// interval, and lets the kangaroo search find NP among them.
#pragma once

#include <vector>

#include "engine/big.h"

namespace nt {

struct SchoofModuli {
    std::vector<int> list;  // ascending; list[0] = 2; the first `aw` are the primes
                            // that also appear as a prime power further on
    int aw = 0;
    int primes = 0;   // how many primes the walk took
    int largest = 0;  // the largest of them
};

/// The walk over the primes 2, 3, 5, ... for field size q, with
/// d = max(floor(sqrt(q / 2^e)), 256): primes are multiplied into a running
/// product while it is at most d; after each new prime q_i every earlier prime
/// q_k whose next power is below q_i is raised once more (for binary fields the
/// power of 2 is raised while 2^(exponent+1) < 16*q_i). The list holds the
/// primes and, inserted in order, every raised power q_k^exponent.
SchoofModuli choose_moduli(const big_rec* q, int e, bool binary);

/// The exponent e of a GF(p) count for a p of `bits` bits.
int schoof_e_gfp(int bits);
/// The exponent e of a GF(2^m) count.
int schoof_e_gf2m(int m);

/// If l is a power q^k (k >= 2) of a prime q, returns q; else 0.
int prime_power_base(int l);

/// x = the value modulo prod(moduli) with the given residues (Chinese
/// remainder theorem over pairwise coprime moduli), and M = that product.
/// Empty lists give x = 0, M = 1.
void crt_combine(const std::vector<int>& moduli, const std::vector<int>& residues, big x, big M);

}  // namespace nt
