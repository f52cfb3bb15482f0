// The RC4 keystream generator, as published: a 256-byte permutation S and two
// index bytes i and j that persist between calls.
#pragma once

#include <cstddef>
#include <cstdint>

struct Rc4 {
    uint8_t S[256] = {};
    uint8_t i = 0;
    uint8_t j = 0;
};

/// Keys the state with n bytes (n >= 1): S := identity, i = j = 0, then the
/// key schedule.
void rc4_key(Rc4& rc4, const uint8_t* key, size_t n);
/// XORs the next n keystream bytes into buf.
void rc4_xor(Rc4& rc4, uint8_t* buf, size_t n);
