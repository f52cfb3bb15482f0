// The two runtime prime tables read by the factoring methods.
//
// Each table is an array of 32-bit words: word 0 is kPrimeTableMarker once the
// table is built, word 1 is 2, and the odd primes up to the sieve limit x + 1
// follow in increasing order. So the 64K table (x = 65536) holds 6543 primes
// ending with 65537, and the 1024K table (x = 1048576) 82025 primes ending with
// 1048573.
//
// The process builds each table once, on first use, under a once-flag: the
// start-up self test asks for both right away, and a factoring run that starts
// before it has finished waits for the build instead of reading a half-written
// table.
#pragma once

#include <cstdint>

/// Word 0 of a built table.
constexpr uint32_t kPrimeTableMarker = 0x4B505442u;  // "KPTB"

constexpr int kPrimes64K = 6543;
constexpr int kPrimes1024K = 82025;
constexpr uint32_t kLimit64K = 65536;
constexpr uint32_t kLimit1024K = 1048576;

/**
 * Sieves the odd numbers 3 .. x + 1 and writes the marker, 2 and the odd primes
 * into table[0 .. words - 1].
 *
 * Returns 0 when built (or when table[0] already holds the marker: nothing is
 * done), 1 when the number of primes found plus the marker is not `words` (the
 * table is left untouched), 2 when the sieve's bit array cannot be allocated.
 * x must be at least 2.
 */
int build_prime_table(uint32_t* table, int words, uint32_t x);

/// Which runtime table.
enum class RuntimeTable { k64K, k1024K };

/// Builds the runtime table on first call (every later call waits for that
/// build and then returns at once) and returns the build's error code.
int prepare_runtime_table(RuntimeTable which);

/**
 * The runtime table for a prime count: the 1024K table for 82025, the 64K table
 * for any other count. Builds it on first use. The returned pointer addresses
 * word 0 (the marker); primes start at index 1. nullptr when the build failed.
 */
const uint32_t* select_prime_table(int prime_count);
