// The strong random generator: a lagged subtractive generator over 37 words
// with a borrow whose output is never used directly. 128 successive outputs
// (their low bytes) are compressed with SHA-1 into a 20-byte pool, and numbers
// are drawn byte by byte from the pool, which is refilled after its 20th byte.
//
// Seeding hashes the raw entropy with SHA-1 and mixes each of the five digest
// words, then the time value, into the table (strong_generator_mix), running a
// data-dependent number of discarded steps after each. Re-seeding clears the
// whole state first. A generator has no lock: its user serialises access.
#pragma once

#include <cstdint>

#include "engine/big.h"

struct strong_generator {
    uint32_t table[37];
    int32_t index;     // position in table (0..36)
    uint32_t borrow;   // 0 or 1
    int32_t pool_pos;  // next unread byte of pool (0..19)
    uint8_t pool[20];  // the last SHA-1 output
};

/// Seeds rng from raw_len bytes of raw entropy (none when raw_len <= 0) and a
/// 32-bit time value, replacing the whole previous state.
void strong_generator_init(strong_generator* rng, int raw_len, const uint8_t* raw, uint32_t tod);
/// The next pool byte; the pool is refilled after its 20th byte.
uint8_t strong_generator_byte(strong_generator* rng);
/// x = a random number in 0..w-1: pool bytes are appended (t = 256 t + byte)
/// until t >= w, then x = t mod w. A bound w <= 0 gives x = 0 without drawing.
void strong_bigrand(strong_generator* rng, const big_rec* w, big x);
/// Mixes the seed word w into the table (index and borrow reset) and returns
/// the count c in 263..525; the seeding then runs c + (table[0] mod 2^16) mod c
/// discarded steps.
int strong_generator_mix(strong_generator* rng, uint32_t w);
/// Wipes the state (for a generator about to be released).
void strong_generator_wipe(strong_generator* rng);
