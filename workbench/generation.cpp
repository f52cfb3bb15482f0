#include "workbench/generation.h"

#include <cstdint>

#include "engine/hash.h"
#include "engine/modular.h"
#include "engine/strong_rng.h"
#include "random/entropy.h"

namespace {

// A strong generator seeded afresh, wiped however its user leaves (a stopped
// worker unwinds through it).
struct FreshGenerator {
    strong_generator g;
    FreshGenerator() { entropy().seed_strong_generator(&g); }
    ~FreshGenerator() { strong_generator_wipe(&g); }
    FreshGenerator(const FreshGenerator&) = delete;
    FreshGenerator& operator=(const FreshGenerator&) = delete;
};

BigInt power_of_two(int n) {
    BigInt x;
    expb2(n, x.get());
    return x;
}

}  // namespace

BigInt random_exact_bits(int n) {
    BigInt x;
    if (n <= 1) return x;
    FreshGenerator rng;
    const BigInt bound = power_of_two(n);
    do {
        strong_bigrand(&rng.g, bound.get(), x.get());
    } while (bits(x) != n && engine_error() == 0);
    return x;
}

BigInt seed_hash(const BigInt& S) {
    BigInt x = S;
    big_set_sign(1, x.get());
    if (bits(x) > 160) x %= power_of_two(160);
    uint8_t bytes[20] = {};
    x.to_bytes(20, bytes, true);
    uint8_t digest[kSha1Bytes];
    sha1_ctx ctx;
    sha1_init(&ctx);
    sha1_process_bytes(&ctx, bytes, sizeof bytes);
    sha1_hash(&ctx, digest);
    return BigInt(digest, kSha1Bytes);
}

BigInt derive_from_seed(const BigInt& S, int bits_wanted, int type) {
    BigInt W;
    if (bits_wanted < 1) return W;
    const BigInt two160 = power_of_two(160);
    BigInt s = S;
    if (bits(s) > 160) s %= two160;
    W = seed_hash(s);
    const int c = (bits_wanted - 1) % 160 + (type == 1 ? 1 : 0);
    if (c < 1)
        W = 0;
    else
        W %= power_of_two(c);
    for (int i = 1; i <= (bits_wanted - 1) / 160; ++i) {
        BigInt next = (s + i) % two160;
        W = W * two160 + seed_hash(next);
    }
    return W;
}

BigInt next_prime_3mod4(const BigInt& x) {
    BigInt y = x;
    if (big_is_negative(y.get())) y = 0;
    const int r = y % 12;
    y += 19 - r;  // y = 7 (mod 12)
    for (;;) {
        y += 4;  // 11 (mod 12)
        if (isprime(y.get()) || engine_error() != 0) return y;
        y += 8;  // 7 (mod 12)
        if (isprime(y.get()) || engine_error() != 0) return y;
    }
}

PrimeModulus make_prime_modulus(int bits_wanted) {
    PrimeModulus result;
    if (bits_wanted <= 64) {
        result.P = next_prime_3mod4(random_exact_bits(bits_wanted));
        return result;
    }
    BigInt q = random_exact_bits(bits_wanted - 6);
    result.tries = 0;
    for (;;) {
        ++result.tries;
        nxprime(q.get(), q.get());
        for (int k = 48; k <= 76; k += 4) {
            result.P = k * q - 1;
            if (isprime(result.P.get())) return result;
        }
        if (engine_error() != 0) return result;
    }
}
