// Montgomery kernels on 64-bit limbs (see mont_kernels.h).
//
// Column sums use a three-limb accumulator (c0, c1, c2). The fixed sizes of
// one to eight limbs are instantiated from the same bodies with a constant
// limb count, so the compiler unrolls them completely.
#include "engine/mont_kernels.h"

#include <bit>
#include <cstring>

#include "engine/kernels.h"

#if defined(__x86_64__)
#include <x86intrin.h>
#endif

namespace engine_detail {

static_assert(std::endian::native == std::endian::little,
              "32-bit words are regrouped into 64-bit limbs by memcpy");

namespace {

__extension__ typedef unsigned __int128 u128;
__extension__ typedef __int128 i128;

#define MONT_INLINE inline __attribute__((always_inline))

// (c2:c1:c0) += a*b.
MONT_INLINE void mac(u64& c0, u64& c1, u64& c2, u64 a, u64 b) {
    const u128 p = static_cast<u128>(a) * b;
    const u128 t = ((static_cast<u128>(c1) << 64) | c0) + p;
    c2 += t < p;
    c0 = static_cast<u64>(t);
    c1 = static_cast<u64>(t >> 64);
}

// (c2:c1:c0) += 2*a*b.
MONT_INLINE void mac2(u64& c0, u64& c1, u64& c2, u64 a, u64 b) {
    u128 p = static_cast<u128>(a) * b;
    c2 += static_cast<u64>(p >> 127);
    p <<= 1;
    const u128 t = ((static_cast<u128>(c1) << 64) | c0) + p;
    c2 += t < p;
    c0 = static_cast<u64>(t);
    c1 = static_cast<u64>(t >> 64);
}

// (c2:c1:c0) += a.
MONT_INLINE void acc1(u64& c0, u64& c1, u64& c2, u64 a) {
    const u128 t = ((static_cast<u128>(c1) << 64) | c0) + a;
    c2 += t < a;
    c0 = static_cast<u64>(t);
    c1 = static_cast<u64>(t >> 64);
}

MONT_INLINE void shift(u64& c0, u64& c1, u64& c2) {
    c0 = c1;
    c1 = c2;
    c2 = 0;
}

// t[0..2L-1] = a*b by columns.
MONT_INLINE void comba_mul_body(int L, u64* t, const u64* a, const u64* b) {
    u64 c0 = 0, c1 = 0, c2 = 0;
#pragma GCC unroll 16
    for (int k = 0; k < 2 * L - 1; ++k) {
        const int lo = k < L ? 0 : k - L + 1;
        const int hi = k < L ? k : L - 1;
#pragma GCC unroll 16
        for (int i = lo; i <= hi; ++i) mac(c0, c1, c2, a[i], b[k - i]);
        t[k] = c0;
        shift(c0, c1, c2);
    }
    t[2 * L - 1] = c0;
}

// t[0..2L-1] = a^2: doubled cross products plus the diagonal.
MONT_INLINE void comba_sqr_body(int L, u64* t, const u64* a) {
    u64 c0 = 0, c1 = 0, c2 = 0;
#pragma GCC unroll 16
    for (int k = 0; k < 2 * L - 1; ++k) {
        const int lo = k < L ? 0 : k - L + 1;
#pragma GCC unroll 16
        for (int i = lo; i < k - i; ++i) mac2(c0, c1, c2, a[i], a[k - i]);
        if ((k & 1) == 0) mac(c0, c1, c2, a[k / 2], a[k / 2]);
        t[k] = c0;
        shift(c0, c1, c2);
    }
    t[2 * L - 1] = c0;
}

// t[0..L-1] = a*b mod 2^(64L).
MONT_INLINE void comba_mullo_body(int L, u64* t, const u64* a, const u64* b) {
    u64 c0 = 0, c1 = 0, c2 = 0;
#pragma GCC unroll 16
    for (int k = 0; k < L; ++k) {
#pragma GCC unroll 16
        for (int i = 0; i <= k; ++i) mac(c0, c1, c2, a[i], b[k - i]);
        t[k] = c0;
        shift(c0, c1, c2);
    }
}

// r = a - n when that is non-negative or `carry` is set, else r = a (L limbs).
MONT_INLINE void final_sub_body(int L, u64* r, const u64* a, u64 carry, const u64* n) {
    u64 d[kMontMaxLimbs];
    u64 borrow = 0;
#pragma GCC unroll 16
    for (int i = 0; i < L; ++i) {
        const u128 s = static_cast<u128>(a[i]) - n[i] - borrow;
        d[i] = static_cast<u64>(s);
        borrow = static_cast<u64>(s >> 64) & 1;
    }
    // Keep the difference when it did not borrow, or when the borrow is paid by
    // the carry limb above a.
    const u64 keep = (carry | (borrow ^ 1)) != 0 ? ~u64{0} : 0;
#pragma GCC unroll 16
    for (int i = 0; i < L; ++i) r[i] = (d[i] & keep) | (a[i] & ~keep);
}

// r = t*R^-1 mod n by product scanning; t has 2L limbs, t < n*R.
// Column i < L fixes m[i] so that the column's low limb vanishes; in the half
// case the last of them is a 32-bit step and the output starts 32 bits into
// column L-1.
MONT_INLINE void redc_body(int L, bool half, const u64* n, u64 ninv, uint32_t ninv32, u64* r,
                           const u64* t) {
    u64 m[kMontMaxLimbs];
    u64 out[kMontMaxLimbs + 1];
    u64 c0 = 0, c1 = 0, c2 = 0;
#pragma GCC unroll 16
    for (int i = 0; i < L; ++i) {
        acc1(c0, c1, c2, t[i]);
#pragma GCC unroll 16
        for (int j = 0; j < i; ++j) mac(c0, c1, c2, m[j], n[i - j]);
        if (half && i == L - 1) {
            m[i] = static_cast<uint32_t>(static_cast<uint32_t>(c0) * ninv32);
            mac(c0, c1, c2, m[i], n[0]);
            out[0] = c0;  // low 32 bits are zero now
        } else {
            m[i] = c0 * ninv;
            mac(c0, c1, c2, m[i], n[0]);
        }
        shift(c0, c1, c2);
    }
    const int o = half ? 1 : 0;
#pragma GCC unroll 16
    for (int i = L; i < 2 * L; ++i) {
        acc1(c0, c1, c2, t[i]);
#pragma GCC unroll 16
        for (int j = i - L + 1; j < L; ++j) mac(c0, c1, c2, m[j], n[i - j]);
        out[i - L + o] = c0;
        shift(c0, c1, c2);
    }
    u64 carry = c0;
    if (half) {
        // t + m*n < 2^(128L - 63): the value fits in out[0..L], shifted by 32.
#pragma GCC unroll 16
        for (int i = 0; i < L; ++i) out[i] = (out[i] >> 32) | (out[i + 1] << 32);
        carry = 0;
    }
    final_sub_body(L, r, out, carry, n);
}

template <int L, bool H>
void mont_mul_fixed(const MontParams& p, u64* r, const u64* a, const u64* b) {
    u64 t[2 * L];
    comba_mul_body(L, t, a, b);
    redc_body(L, H, p.n, p.ninv, p.ninv32, r, t);
}

template <int L, bool H>
void mont_sqr_fixed(const MontParams& p, u64* r, const u64* a) {
    u64 t[2 * L];
    comba_sqr_body(L, t, a);
    redc_body(L, H, p.n, p.ninv, p.ninv32, r, t);
}

void mont_mul_generic(const MontParams& p, u64* r, const u64* a, const u64* b) {
    u64 t[2 * kMontMaxLimbs];
    comba_mul_body(p.limbs, t, a, b);
    redc_body(p.limbs, p.half, p.n, p.ninv, p.ninv32, r, t);
}

void mont_sqr_generic(const MontParams& p, u64* r, const u64* a) {
    u64 t[2 * kMontMaxLimbs];
    comba_sqr_body(p.limbs, t, a);
    redc_body(p.limbs, p.half, p.n, p.ninv, p.ninv32, r, t);
}

using MulFn = void (*)(const MontParams&, u64*, const u64*, const u64*);
using SqrFn = void (*)(const MontParams&, u64*, const u64*);

constexpr MulFn kMulFixed[2][9] = {
    {mont_mul_generic, mont_mul_fixed<1, false>, mont_mul_fixed<2, false>,
     mont_mul_fixed<3, false>, mont_mul_fixed<4, false>, mont_mul_fixed<5, false>,
     mont_mul_fixed<6, false>, mont_mul_fixed<7, false>, mont_mul_fixed<8, false>},
    {mont_mul_generic, mont_mul_fixed<1, true>, mont_mul_fixed<2, true>, mont_mul_fixed<3, true>,
     mont_mul_fixed<4, true>, mont_mul_fixed<5, true>, mont_mul_fixed<6, true>,
     mont_mul_fixed<7, true>, mont_mul_fixed<8, true>},
};
constexpr SqrFn kSqrFixed[2][9] = {
    {mont_sqr_generic, mont_sqr_fixed<1, false>, mont_sqr_fixed<2, false>,
     mont_sqr_fixed<3, false>, mont_sqr_fixed<4, false>, mont_sqr_fixed<5, false>,
     mont_sqr_fixed<6, false>, mont_sqr_fixed<7, false>, mont_sqr_fixed<8, false>},
    {mont_sqr_generic, mont_sqr_fixed<1, true>, mont_sqr_fixed<2, true>, mont_sqr_fixed<3, true>,
     mont_sqr_fixed<4, true>, mont_sqr_fixed<5, true>, mont_sqr_fixed<6, true>,
     mont_sqr_fixed<7, true>, mont_sqr_fixed<8, true>},
};

// ---- Karatsuba ------------------------------------------------------------------


MONT_INLINE u64 add_n(u64* r, const u64* a, const u64* b, int n) {
#if defined(__x86_64__)
    unsigned char c = 0;
#pragma GCC unroll 32
    for (int i = 0; i < n; ++i) {
        unsigned long long s;
        c = _addcarry_u64(c, a[i], b[i], &s);
        r[i] = s;
    }
    return c;
#else
    u64 c = 0;
    for (int i = 0; i < n; ++i) {
        const u128 s = static_cast<u128>(a[i]) + b[i] + c;
        r[i] = static_cast<u64>(s);
        c = static_cast<u64>(s >> 64);
    }
    return c;
#endif
}

MONT_INLINE u64 sub_n(u64* r, const u64* a, const u64* b, int n) {
#if defined(__x86_64__)
    unsigned char c = 0;
#pragma GCC unroll 32
    for (int i = 0; i < n; ++i) {
        unsigned long long s;
        c = _subborrow_u64(c, a[i], b[i], &s);
        r[i] = s;
    }
    return c;
#else
    u64 c = 0;
    for (int i = 0; i < n; ++i) {
        const u128 s = static_cast<u128>(a[i]) - b[i] - c;
        r[i] = static_cast<u64>(s);
        c = static_cast<u64>(s >> 64) & 1;
    }
    return c;
#endif
}

// r = |a - b| over n limbs; returns 1 when a < b.
template <int N>
MONT_INLINE int sub_abs(u64* r, const u64* a, const u64* b) {
    int i = N - 1;
    while (i >= 0 && a[i] == b[i]) --i;
    if (i < 0) {
        std::memset(r, 0, sizeof(u64) * N);
        return 0;
    }
    if (a[i] > b[i]) {
        sub_n(r, a, b, N);
        return 0;
    }
    sub_n(r, b, a, N);
    return 1;
}

// Adds the N-limb value t plus the signed extra limb `top` into r at offset N/2
// of a 2N-limb product (the final value is known to fit).
template <int N>
MONT_INLINE void add_middle(u64* r, const u64* t, int64_t top) {
    constexpr int h = N / 2;
    const u64 c = add_n(r + h, r + h, t, N);
    u128 s = static_cast<u128>(c) + static_cast<u128>(static_cast<i128>(top));
    for (int i = h + N; i < 2 * N; ++i) {
        s += r[i];
        r[i] = static_cast<u64>(s);
        s = static_cast<u128>(static_cast<i128>(s) >> 64);
    }
}

// The recursion is instantiated per size so that every loop has a constant
// trip count; the workspace holds 3N limbs per level.
template <int N>
void kara_mul_t(u64* r, const u64* a, const u64* b, u64* ws) {
    if constexpr (N == 8) {
        comba_mul_body(8, r, a, b);
        (void)ws;
    } else {
        constexpr int h = N / 2;
        kara_mul_t<h>(r, a, b, ws);
        kara_mul_t<h>(r + N, a + h, b + h, ws);
        u64* da = ws;
        u64* db = ws + h;
        u64* p = ws + N;
        u64* t = ws + 2 * N;
        const int sa = sub_abs<h>(da, a, a + h);  // a0 - a1
        const int sb = sub_abs<h>(db, b + h, b);  // b1 - b0
        kara_mul_t<h>(p, da, db, ws + 3 * N);
        // a0*b1 + a1*b0 = a0*b0 + a1*b1 + (a0 - a1)*(b1 - b0)
        int64_t top = static_cast<int64_t>(add_n(t, r, r + N, N));
        if (sa == sb)
            top += static_cast<int64_t>(add_n(t, t, p, N));
        else
            top -= static_cast<int64_t>(sub_n(t, t, p, N));
        add_middle<N>(r, t, top);
    }
}

template <int N>
void kara_sqr_t(u64* r, const u64* a, u64* ws) {
    if constexpr (N == 8) {
        comba_sqr_body(8, r, a);
        (void)ws;
    } else {
        constexpr int h = N / 2;
        kara_sqr_t<h>(r, a, ws);
        kara_sqr_t<h>(r + N, a + h, ws);
        u64* da = ws;
        u64* p = ws + N;
        u64* t = ws + 2 * N;
        sub_abs<h>(da, a, a + h);
        kara_sqr_t<h>(p, da, ws + 3 * N);
        // 2*a0*a1 = a0^2 + a1^2 - (a0 - a1)^2
        int64_t top = static_cast<int64_t>(add_n(t, r, r + N, N));
        top -= static_cast<int64_t>(sub_n(t, t, p, N));
        add_middle<N>(r, t, top);
    }
}

// r[0..N-1] = a*b mod 2^(64N).
template <int N>
void kara_mullo_t(u64* r, const u64* a, const u64* b, u64* ws) {
    if constexpr (N == 8) {
        comba_mullo_body(8, r, a, b);
        (void)ws;
    } else {
        constexpr int h = N / 2;
        u64* lo = ws;  // h limbs
        kara_mul_t<h>(r, a, b, ws + h);  // a0*b0 fills all N limbs
        kara_mullo_t<h>(lo, a + h, b, ws + h);
        add_n(r + h, r + h, lo, h);
        kara_mullo_t<h>(lo, a, b + h, ws + h);
        add_n(r + h, r + h, lo, h);
    }
}

void kara_mul_rec(u64* r, const u64* a, const u64* b, int n, u64* ws) {
    switch (n) {
        case 8: kara_mul_t<8>(r, a, b, ws); break;
        case 16: kara_mul_t<16>(r, a, b, ws); break;
        default: kara_mul_t<32>(r, a, b, ws); break;
    }
}

void kara_sqr_rec(u64* r, const u64* a, int n, u64* ws) {
    switch (n) {
        case 8: kara_sqr_t<8>(r, a, ws); break;
        case 16: kara_sqr_t<16>(r, a, ws); break;
        default: kara_sqr_t<32>(r, a, ws); break;
    }
}

void kara_mullo_rec(u64* r, const u64* a, const u64* b, int n, u64* ws) {
    switch (n) {
        case 8: kara_mullo_t<8>(r, a, b, ws); break;
        case 16: kara_mullo_t<16>(r, a, b, ws); break;
        default: kara_mullo_t<32>(r, a, b, ws); break;
    }
}

// Workspace of the recursion: 3n + 3n/2 + ... < 6n limbs plus the base case.
constexpr int kKaraWs = 6 * kMontMaxLimbs + 64;

// r = t*R^-1 mod n with the full-length inverse: m = (t mod R)*nfull mod R,
// r = (t + m*n)/R. t + m*n has low half zero: it is exactly R (carry 1) unless
// t mod R is zero.
void kara_redc(const MontParams& p, u64* r, const u64* t) {
    const int L = p.limbs;
    u64 ws[kKaraWs];
    u64 m[kMontMaxLimbs];
    u64 mn[2 * kMontMaxLimbs];
    kara_mullo_rec(m, t, p.nfull, L, ws);
    kara_mul_rec(mn, m, p.n, L, ws);
    u64 out[kMontMaxLimbs];
    u64 carry = add_n(out, t + L, mn + L, L);
    const u64 low_nonzero = mont_is_zero_raw(t, L) ? 0 : 1;
    u64 c = low_nonzero;
    for (int i = 0; i < L && c; ++i) {
        out[i] += 1;
        c = out[i] == 0;
    }
    carry += c;
    final_sub_body(L, r, out, carry, p.n);
}

}  // namespace

// ---- set-up -----------------------------------------------------------------------

uint32_t mont_ndash32_raw(uint32_t a) {
    // Newton: x = a^-1 mod 2^(2^i) doubles its correct bits each step; x = a is
    // right to 3 bits for odd a.
    uint32_t x = a;
    for (int i = 0; i < 4; ++i) x *= 2u - a * x;
    return 0u - x;
}

void mont_load_raw(u64* d, const uint32_t* w, int words, int limbs) {
    int i = 0;
    for (; 2 * i + 1 < words; ++i) d[i] = w[2 * i] | static_cast<u64>(w[2 * i + 1]) << 32;
    if (2 * i < words) {
        d[i] = w[2 * i];
        ++i;
    }
    for (; i < limbs; ++i) d[i] = 0;
}

void mont_nfull_raw(uint32_t* out, const uint32_t* n, int k) {
    // Newton on limbs: x <- x*(2 - n*x) mod 2^(64L), starting from the 64-bit
    // inverse; schoolbook low products are enough for a set-up step.
    const int L = (k + 1) / 2;
    u64 nl[kMontMaxLimbs], x[kMontMaxLimbs], t[kMontMaxLimbs], u[kMontMaxLimbs];
    mont_load_raw(nl, n, k, L);
    u64 x0 = nl[0];
    for (int i = 0; i < 6; ++i) x0 *= 2 - nl[0] * x0;
    std::memset(x, 0, sizeof(x));
    x[0] = x0;
    auto mullo = [L](u64* r, const u64* a, const u64* b) {
        std::memset(r, 0, sizeof(u64) * static_cast<size_t>(L));
        for (int i = 0; i < L; ++i) {
            u64 c = 0;
            for (int j = 0; i + j < L; ++j) {
                const u128 s = static_cast<u128>(a[i]) * b[j] + r[i + j] + c;
                r[i + j] = static_cast<u64>(s);
                c = static_cast<u64>(s >> 64);
            }
        }
    };
    for (int bits = 64; bits < 64 * L; bits *= 2) {
        mullo(t, nl, x);  // t = n*x
        // u = 2 - t
        u64 borrow = 0;
        for (int i = 0; i < L; ++i) {
            const u128 s = static_cast<u128>(i == 0 ? 2 : 0) - t[i] - borrow;
            u[i] = static_cast<u64>(s);
            borrow = static_cast<u64>(s >> 64) & 1;
        }
        mullo(t, x, u);
        std::memcpy(x, t, sizeof(u64) * static_cast<size_t>(L));
    }
    // out = -x mod 2^(64L)
    u64 borrow = 0;
    for (int i = 0; i < L; ++i) {
        const u128 s = static_cast<u128>(0) - x[i] - borrow;
        t[i] = static_cast<u64>(s);
        borrow = static_cast<u64>(s >> 64) & 1;
    }
    std::memcpy(out, t, sizeof(uint32_t) * static_cast<size_t>(k));
}

void mont_params_set(MontParams* p, const uint32_t* n, int k, uint32_t ninv32,
                     const uint32_t* nfull_words) {
    p->words = k;
    p->limbs = (k + 1) / 2;
    p->half = (k & 1) != 0;
    p->kara = mont_is_kara_size(k);
    p->ninv32 = ninv32;
    mont_load_raw(p->n, n, k, p->limbs);
    // Lift -n^-1 from 2^32 to 2^64: with y = n^-1 mod 2^32, y*(2 - n*y) is the
    // inverse mod 2^64.
    const u64 y = static_cast<uint32_t>(0u - ninv32);
    const u64 inv = y * (2 - p->n[0] * y);
    p->ninv = 0 - inv;
    // R mod n and R^2 mod n by long division.
    uint32_t w[4 * kMontMaxLimbs + 2];
    std::memset(w, 0, sizeof(uint32_t) * static_cast<size_t>(2 * k + 1));
    w[k] = 1;
    mont_reduce_words_raw(*p, p->one, w, k + 1);
    w[k] = 0;
    w[2 * k] = 1;
    mont_reduce_words_raw(*p, p->r2, w, 2 * k + 1);
    if (p->kara) {
        if (nfull_words != nullptr) {
            mont_load_raw(p->nfull, nfull_words, k, p->limbs);
        } else {
            mont_nfull_raw(w, n, k);
            mont_load_raw(p->nfull, w, k, p->limbs);
        }
    }
}

// ---- products -----------------------------------------------------------------------

void mont_mul_basic_raw(const MontParams& p, u64* r, const u64* a, const u64* b) {
    const int L = p.limbs;
    (L <= 8 ? kMulFixed[p.half][L] : mont_mul_generic)(p, r, a, b);
}

void mont_sqr_basic_raw(const MontParams& p, u64* r, const u64* a) {
    const int L = p.limbs;
    (L <= 8 ? kSqrFixed[p.half][L] : mont_sqr_generic)(p, r, a);
}

void mont_mul_raw(const MontParams& p, u64* r, const u64* a, const u64* b) {
    if (p.kara) {
        u64 t[2 * kMontMaxLimbs];
        u64 ws[kKaraWs];
        kara_mul_rec(t, a, b, p.limbs, ws);
        kara_redc(p, r, t);
        return;
    }
    mont_mul_basic_raw(p, r, a, b);
}

void mont_sqr_raw(const MontParams& p, u64* r, const u64* a) {
    if (p.kara) {
        u64 t[2 * kMontMaxLimbs];
        u64 ws[kKaraWs];
        kara_sqr_rec(t, a, p.limbs, ws);
        kara_redc(p, r, t);
        return;
    }
    mont_sqr_basic_raw(p, r, a);
}

void mont_prod_raw(const MontParams& p, u64* t, const u64* a, const u64* b) {
    if (p.kara) {
        u64 ws[kKaraWs];
        kara_mul_rec(t, a, b, p.limbs, ws);
        return;
    }
    comba_mul_body(p.limbs, t, a, b);
}

void mont_reduce_words_raw(const MontParams& p, u64* r, const uint32_t* a, int words) {
    const int k = p.words;
    uint32_t n32[2 * kMontMaxLimbs];
    uint32_t rem[2 * kMontMaxLimbs];
    std::memcpy(n32, p.n, sizeof(uint32_t) * static_cast<size_t>(k));
    std::memset(rem, 0, sizeof(rem));
    const int an = mp_norm_len_raw(a, words);
    if (an < k || (an == k && mp_cmp_raw(a, an, n32, k) < 0)) {
        std::memcpy(rem, a, sizeof(uint32_t) * static_cast<size_t>(an));
    } else if (k == 1) {
        rem[0] = mp_mod1_raw(a, an, n32[0]);
    } else {
        // From the top in chunks of at most 2k words: rem = (rem*2^(32c) + chunk)
        // mod n, so that any input length fits the fixed buffers.
        uint32_t scratch[8 * kMontMaxLimbs + 8];  // cn + k + 2 <= 4k + 2 words
        uint32_t cur[6 * kMontMaxLimbs + 2];      // a chunk of 2k words and rem (k)
        int hi = an;
        int rn = 0;
        while (hi > 0) {
            const int c = hi < 2 * k ? hi : 2 * k;
            std::memcpy(cur, a + hi - c, sizeof(uint32_t) * static_cast<size_t>(c));
            std::memcpy(cur + c, rem, sizeof(uint32_t) * static_cast<size_t>(rn));
            const int cn = mp_norm_len_raw(cur, c + rn);
            std::memset(rem, 0, sizeof(rem));
            if (cn < k || (cn == k && mp_cmp_raw(cur, cn, n32, k) < 0))
                std::memcpy(rem, cur, sizeof(uint32_t) * static_cast<size_t>(cn));
            else
                mp_divmod_raw(nullptr, rem, cur, cn, n32, k, scratch);
            rn = mp_norm_len_raw(rem, k);
            hi -= c;
        }
    }
    mont_load_raw(r, rem, k, p.limbs);
}

void mont_mul_word_raw(const MontParams& p, u64* r, const u64* a, uint32_t k) {
    const int L = p.limbs;
    u64 t[kMontMaxLimbs + 1];
    u64 c = 0;
    for (int i = 0; i < L; ++i) {
        const u128 s = static_cast<u128>(a[i]) * k + c;
        t[i] = static_cast<u64>(s);
        c = static_cast<u64>(s >> 64);
    }
    t[L] = c;
    uint32_t w[2 * kMontMaxLimbs + 2];
    std::memcpy(w, t, sizeof(u64) * static_cast<size_t>(L + 1));
    mont_reduce_words_raw(p, r, w, 2 * L + 2);
}

void mont_redc_raw(const MontParams& p, u64* r, const u64* t) {
    if (p.kara) {
        kara_redc(p, r, t);
        return;
    }
    redc_body(p.limbs, p.half, p.n, p.ninv, p.ninv32, r, t);
}

void kara_mul_raw(u64* r, const u64* a, const u64* b, int n) {
    u64 ws[kKaraWs];
    kara_mul_rec(r, a, b, n, ws);
}

void kara_sqr_raw(u64* r, const u64* a, int n) {
    u64 ws[kKaraWs];
    kara_sqr_rec(r, a, n, ws);
}

// ---- additive operations --------------------------------------------------------------

int mont_cmp_raw(const u64* a, const u64* b, int limbs) {
    for (int i = limbs - 1; i >= 0; --i)
        if (a[i] != b[i]) return a[i] > b[i] ? 1 : -1;
    return 0;
}

bool mont_is_zero_raw(const u64* a, int limbs) {
    u64 o = 0;
    for (int i = 0; i < limbs; ++i) o |= a[i];
    return o == 0;
}

void mont_add_raw(const MontParams& p, u64* r, const u64* a, const u64* b) {
    u64 s[kMontMaxLimbs];
    const u64 c = add_n(s, a, b, p.limbs);
    final_sub_body(p.limbs, r, s, c, p.n);
}

void mont_sub_raw(const MontParams& p, u64* r, const u64* a, const u64* b) {
    const int L = p.limbs;
    u64 s[kMontMaxLimbs];
    const u64 borrow = sub_n(s, a, b, L);
    if (borrow)
        add_n(r, s, p.n, L);
    else
        std::memcpy(r, s, sizeof(u64) * static_cast<size_t>(L));
}

void mont_neg_raw(const MontParams& p, u64* r, const u64* a) {
    const int L = p.limbs;
    if (mont_is_zero_raw(a, L)) {
        std::memset(r, 0, sizeof(u64) * static_cast<size_t>(L));
        return;
    }
    sub_n(r, p.n, a, L);
}

}  // namespace engine_detail
