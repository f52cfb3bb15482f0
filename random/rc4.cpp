#include "random/rc4.h"

#include <utility>

void rc4_key(Rc4& rc4, const uint8_t* key, size_t n) {
    for (int x = 0; x < 256; ++x) rc4.S[x] = static_cast<uint8_t>(x);
    rc4.i = rc4.j = 0;
    if (n == 0) return;
    uint8_t j = 0;
    for (size_t x = 0; x < 256; ++x) {
        j = static_cast<uint8_t>(j + rc4.S[x] + key[x % n]);
        std::swap(rc4.S[x], rc4.S[j]);
    }
}

void rc4_xor(Rc4& rc4, uint8_t* buf, size_t n) {
    for (size_t k = 0; k < n; ++k) {
        rc4.i = static_cast<uint8_t>(rc4.i + 1);
        rc4.j = static_cast<uint8_t>(rc4.j + rc4.S[rc4.i]);
        std::swap(rc4.S[rc4.i], rc4.S[rc4.j]);
        buf[k] ^= rc4.S[static_cast<uint8_t>(rc4.S[rc4.i] + rc4.S[rc4.j])];
    }
}
