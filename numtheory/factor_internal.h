// Helpers shared by the factoring methods (numtheory sources only).
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/big.h"
#include "engine/modular.h"
#include "numtheory/factor_report.h"

namespace factor_detail {

/// printf-style text.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

/// A set of engine numbers owned for the lifetime of the object (wiped and freed
/// by the destructor).
class Bigs {
   public:
    explicit Bigs(int count);
    ~Bigs();
    Bigs(const Bigs&) = delete;
    Bigs& operator=(const Bigs&) = delete;
    big operator[](int i) const { return m_v[static_cast<size_t>(i)]; }
    /// False when an allocation failed.
    bool ok() const { return m_ok; }

   private:
    std::vector<big> m_v;
    bool m_ok = true;
};

/// The three-base probable-prime test of the methods.
inline bool prp3(const big_rec* n) { return quick_is_prime(n, 3); }
/// The default probable-prime test of the driver (the engine's test).
inline bool prp_default(const big_rec* n) { return isprime(n); }

/// True when x = 1 or x = n (no proper factor).
bool is_trivial_divisor(const big_rec* g, const big_rec* n);

/**
 * g = gcd(x, n). When 1 < g < n: n := n / g, g recorded in the report's factor
 * list, returns 1. Returns 0 when g = 1 and 2 when g = n (x = 0 included).
 */
int take_gcd(const big_rec* x, big n, big g, FactorReport& report);

/// Splits off a known divisor 1 < g < n: n := n / g, g recorded. False (nothing
/// done) when g is not a proper divisor.
bool split_off(big n, const big_rec* g, FactorReport& report);

/// Odd primes in (lo, hi] in increasing order, by a segmented sieve over the 64K
/// runtime table (hi below 2^32).
class PrimeRange {
   public:
    PrimeRange(uint32_t lo, uint32_t hi);
    /// The next prime, or 0 when the range is used up.
    uint32_t next();

   private:
    void fill_segment();
    uint64_t m_hi;
    uint64_t m_seg_lo;      // odd number standing for bit 0 of the segment
    std::vector<uint8_t> m_composite;
    size_t m_pos = 0;
    bool m_done = false;
};

/// The phase-1 exponent of the prime q: q^2, multiplied by q while below 2^30/q.
uint32_t phase1_power(uint32_t q);

/// The primes of the 64K runtime table below `limit` (ascending).
std::vector<uint32_t> primes_below(uint32_t limit);

}  // namespace factor_detail
