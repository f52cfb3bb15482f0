// Small-prime table, trial division, the Miller-Rabin test and next prime.
//
// The primality test works on its own limb copy of the candidate, so it leaves
// the instance's current modulus alone.
#include <cstdlib>
#include <cstring>

#include "engine/internal.h"
#include "engine/kernels.h"
#include "engine/modular.h"
#include "engine/modular_internal.h"

using engine_detail::kMontMaxLimbs;
using engine_detail::MontParams;
using engine_detail::u64;

namespace {

void free_prime_table(engine_instance* e) {
    if (e->small_primes == nullptr) return;
    int n = 0;
    while (e->small_primes[n] != 0) ++n;
    engine_wipe(e->small_primes, (static_cast<size_t>(n) + 1) * sizeof(int32_t));
    std::free(e->small_primes);
    e->small_primes = nullptr;
}

// A Miller-Rabin witness: a raw word as a signed int modulo 2^30 (and modulo x
// when x is below 2^30), drawn again until it is at least 2.
uint32_t draw_witness(const big_rec* x) {
    const bool small = big_len(x) == 1 && x->w[0] < (1u << 30);
    for (;;) {
        int32_t a = static_cast<int32_t>(raw_rand_next()) % (1 << 30);
        if (small) a %= static_cast<int32_t>(x->w[0]);
        if (a >= 2) return static_cast<uint32_t>(a);
    }
}

// n - 1 = 2^s * d; d written into dw (k words), its word count returned.
int split_odd(const big_rec* n, uint32_t* dw, int* s) {
    const int k = big_len(n);
    std::memcpy(dw, n->w, sizeof(uint32_t) * static_cast<size_t>(k));
    mp_sub1_raw(dw, dw, k, 1);
    int z = 0;
    int lead = 0;
    while (dw[lead] == 0) ++lead;
    z = 32 * lead + __builtin_ctz(dw[lead]);
    std::memmove(dw, dw + lead, sizeof(uint32_t) * static_cast<size_t>(k - lead));
    std::memset(dw + k - lead, 0, sizeof(uint32_t) * static_cast<size_t>(lead));
    mp_shr_raw(dw, dw, k, z % 32);
    *s = z;
    return mp_norm_len_raw(dw, k);
}

// Miller-Rabin rounds on odd x > 2 (x above the kernel limit is refused as
// composite: no number of the workbench's precision gets there).
bool mr_rounds(engine_instance* e, const big_rec* x, int rounds, bool hook) {
    const int k = big_len(x);
    if (k > engine_detail::kMontMaxWords) return false;
    MontParams p;
    engine_detail::mont_params_set(&p, x->w, k, engine_detail::mont_ndash32_raw(x->w[0]), nullptr);
    ScratchFrame f(e);
    uint32_t* d = f.words(static_cast<size_t>(k));
    int s = 0;
    const int dn = split_odd(x, d, &s);
    for (int r = 0; r < rounds; ++r) {
        if (!engine_detail::miller_rabin_round(p, draw_witness(x), d, dn, s)) return false;
        if (hook && e->user_hook != nullptr && !e->user_hook()) return false;
    }
    return true;
}

}  // namespace

namespace engine_detail {

bool miller_rabin_round(const MontParams& p, uint32_t a, const uint32_t* d, int dn, int s) {
    const int L = p.limbs;
    u64 y[kMontMaxLimbs], minus1[kMontMaxLimbs];
    mont_mul_word_raw(p, y, p.one, a);  // a in Montgomery form
    mont_pow_raw(p, y, y, d, dn);
    mont_neg_raw(p, minus1, p.one);
    if (mont_cmp_raw(y, p.one, L) == 0 || mont_cmp_raw(y, minus1, L) == 0) return true;
    for (int j = 1; j < s; ++j) {
        mont_sqr_raw(p, y, y);
        if (mont_cmp_raw(y, minus1, L) == 0) return true;
        if (mont_cmp_raw(y, p.one, L) == 0) return false;
    }
    return false;
}

}  // namespace engine_detail

void gprime(int maxp) {
    TraceScope t(ID_GPRIME);
    if (!t.ok()) return;
    engine_instance* e = t.instance();
    if (maxp <= 0) {
        free_prime_table(e);
        return;
    }
    if (maxp >= (1 << 30)) {
        report_error(14);
        return;
    }
    free_prime_table(e);
    // Sieve over the L odd numbers 3, 5, ..., 2L + 1: entry i stands for 2i + 3.
    const int L = maxp < 1000 ? 500 : (maxp + 1) / 2;
    auto* composite = static_cast<unsigned char*>(engine_alloc(static_cast<size_t>(L), 1));
    if (composite == nullptr) return;
    int count = 0;
    for (int i = 0; i < L; ++i) {
        if (composite[i]) continue;
        ++count;
        const int64_t q = 2 * static_cast<int64_t>(i) + 3;
        for (int64_t j = (q * q - 3) / 2; j < L; j += q) composite[j] = 1;
    }
    auto* table = static_cast<int32_t*>(engine_alloc(static_cast<size_t>(count) + 2, sizeof(int32_t)));
    if (table == nullptr) {
        engine_free(composite);
        return;
    }
    int n = 0;
    table[n++] = 2;
    for (int i = 0; i < L; ++i)
        if (!composite[i]) table[n++] = 2 * i + 3;
    table[n] = 0;
    engine_free(composite);
    e->small_primes = table;
}

int trial_division(const big_rec* x, big y) {
    TraceScope t(ID_TRIAL_DIVISION);
    if (!t.ok() || engine_detail::refuse_fraction(x)) return 0;
    engine_instance* e = t.instance();
    const bool same = x == y;
    big_copy(x, y);
    // Nothing below 2 is prime.
    if (big_is_negative(x) || big_len(x) == 0 || (big_len(x) == 1 && x->w[0] < 2)) return 0;
    if (e->small_primes == nullptr) gprime(1000);
    if (e->small_primes == nullptr) return 0;
    for (const int32_t* pp = e->small_primes; *pp != 0; ++pp) {
        const uint32_t p = static_cast<uint32_t>(*pp);
        while (mp_mod1_raw(y->w, big_len(y), p) == 0) {
            if (same) return (big_len(y) == 1 && y->w[0] == p) ? 1 : 0;
            if (big_len(y) == 1 && y->w[0] == p) return 1;  // y / p = 1
            const int n = big_len(y);
            mp_divmod1_raw(y->w, y->w, n, p);
            y->len = static_cast<uint32_t>(mp_norm_len_raw(y->w, n));
        }
        // p >= y / p: no prime factor of y is left below its square root.
        if (big_len(y) <= 2 && p >= big_to_u64(y) / p) return 1;
    }
    return 2;
}

bool isprime(const big_rec* x) {
    TraceScope t(ID_ISPRIME);
    if (!t.ok()) return true;  // an error is already recorded
    if (engine_detail::refuse_fraction(x)) return true;
    if (big_is_negative(x) || big_len(x) == 0 || (big_len(x) == 1 && x->w[0] <= 1)) return false;
    engine_instance* e = t.instance();
    ScratchFrame f(e);
    big y = f.number();
    big_copy(x, y);
    const int td = trial_division(y, y);
    if (td == 0) return false;
    if (td == 1) return true;
    int rounds = e->prime_trials < 100 ? e->prime_trials : 100;
    const int bits = mp_bits_raw(x->w, big_len(x));
    if (bits > 220) rounds = rounds * 10 / (bits - 210) + 2;
    return mr_rounds(e, x, rounds, true);
}

bool nxprime(const big_rec* w, big x) {
    TraceScope t(ID_NXPRIME);
    if (!t.ok() || engine_detail::refuse_fraction(w)) return false;
    engine_instance* e = t.instance();
    if (big_is_negative(w) || big_len(w) == 0 || (big_len(w) == 1 && w->w[0] <= 1)) {
        big_from_int(2, x);
        return true;
    }
    ScratchFrame f(e);
    big c = f.number();
    big_copy(w, c);
    incr(c, (c->w[0] & 1u) ? 2 : 1, c);
    while (engine_error() == 0 && !isprime(c)) {
        if (e->user_hook != nullptr && !e->user_hook()) return false;
        incr(c, 2, c);
    }
    big_copy(c, x);
    return true;
}

bool quick_is_prime(const big_rec* x, int rounds) {
    engine_instance* e = engine_current();
    if (e == nullptr || big_is_negative(x) || big_len(x) == 0 || (x->len & kBigDenMask) != 0)
        return false;
    if (big_len(x) == 1 && x->w[0] < (1u << 30)) {
        const uint32_t n = x->w[0];
        if (n < 2) return false;
        if (n < 4) return true;
        if ((n & 1u) == 0) return false;
        for (uint32_t q = 3; q <= n / q; q += 2)
            if (n % q == 0) return false;
        return true;
    }
    if ((x->w[0] & 1u) == 0) return false;
    if (rounds < 1 || rounds > 10) rounds = e->prime_trials;
    if (rounds > 50) rounds = 50;
    if (rounds < 1) rounds = 1;
    return mr_rounds(e, x, rounds, false);
}
