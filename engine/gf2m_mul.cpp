// Carry-less products, table squaring and sparse reduction for GF(2^m).
#include <atomic>
#include <cstring>

#include "engine/gf2m_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KORVATH_HAVE_CLMUL_KERNEL 1
#endif

namespace {

// ---- portable 64x64 -> 128 carry-less product ------------------------------------------
//
// A 4-bit window over a: the table holds the 16 multiples of b's low 61 bits (so no
// multiple overflows 64 bits), and b's top three bits are added separately with
// masks (no branches on data).
inline void clmul64_soft(uint64_t a, uint64_t b, uint64_t* lo, uint64_t* hi) {
    const uint64_t b0 = b & 0x1FFFFFFFFFFFFFFFull;
    uint64_t tab[16];
    tab[0] = 0;
    tab[1] = b0;
    for (int i = 2; i < 16; i += 2) {
        tab[i] = tab[i / 2] << 1;
        tab[i + 1] = tab[i] ^ b0;
    }
    uint64_t l = tab[a & 15], h = 0;
    for (int s = 4; s < 64; s += 4) {
        const uint64_t t = tab[(a >> s) & 15];
        l ^= t << s;
        h ^= t >> (64 - s);
    }
    for (int k = 61; k < 64; ++k) {
        const uint64_t mask = 0 - ((b >> k) & 1);
        l ^= (a << k) & mask;
        h ^= (a >> (64 - k)) & mask;
    }
    *lo = l;
    *hi = h;
}

void mul_portable(uint64_t* r, const uint64_t* a, const uint64_t* b, int n) {
    for (int i = 0; i < 2 * n; ++i) r[i] = 0;
    for (int i = 0; i < n; ++i) {
        if (a[i] == 0) continue;
        for (int j = 0; j < n; ++j) {
            uint64_t lo, hi;
            clmul64_soft(a[i], b[j], &lo, &hi);
            r[i + j] ^= lo;
            r[i + j + 1] ^= hi;
        }
    }
}

#ifdef KORVATH_HAVE_CLMUL_KERNEL

#define KORVATH_CLMUL_TARGET __attribute__((target("pclmul,sse2")))

KORVATH_CLMUL_TARGET inline __m128i clmul(uint64_t a, uint64_t b) {
    return _mm_clmulepi64_si128(_mm_cvtsi64_si128(static_cast<long long>(a)),
                                _mm_cvtsi64_si128(static_cast<long long>(b)), 0x00);
}

// Writes the 2N-1 diagonal sums acc[k] = xor of a_i*b_j over i + j = k as words:
// r[k] = low(acc[k]) ^ high(acc[k-1]).
KORVATH_CLMUL_TARGET inline void combine_diagonals(uint64_t* r, const __m128i* acc, int diag) {
    uint64_t carry = 0;
    for (int k = 0; k < diag; ++k) {
        const uint64_t lo = static_cast<uint64_t>(_mm_cvtsi128_si64(acc[k]));
        const uint64_t hi =
            static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(acc[k], acc[k])));
        r[k] = lo ^ carry;
        carry = hi;
    }
    r[diag] = carry;
}

template <int N>
KORVATH_CLMUL_TARGET void mul_clmul_fixed(uint64_t* r, const uint64_t* a, const uint64_t* b, int) {
    __m128i acc[2 * N - 1];
    for (int k = 0; k < 2 * N - 1; ++k) acc[k] = _mm_setzero_si128();
    __m128i bv[N];
    for (int j = 0; j < N; ++j) bv[j] = _mm_cvtsi64_si128(static_cast<long long>(b[j]));
    for (int i = 0; i < N; ++i) {
        const __m128i av = _mm_cvtsi64_si128(static_cast<long long>(a[i]));
        for (int j = 0; j < N; ++j)
            acc[i + j] = _mm_xor_si128(acc[i + j], _mm_clmulepi64_si128(av, bv[j], 0x00));
    }
    combine_diagonals(r, acc, 2 * N - 1);
}

KORVATH_CLMUL_TARGET void mul_clmul_any(uint64_t* r, const uint64_t* a, const uint64_t* b, int n) {
    __m128i acc[2 * kGf2MaxWords - 1];
    for (int k = 0; k < 2 * n - 1; ++k) acc[k] = _mm_setzero_si128();
    for (int i = 0; i < n; ++i) {
        if (a[i] == 0) continue;
        for (int j = 0; j < n; ++j) acc[i + j] = _mm_xor_si128(acc[i + j], clmul(a[i], b[j]));
    }
    combine_diagonals(r, acc, 2 * n - 1);
}

constexpr int kFixedKernels = 9;
constexpr gf2_mul_fn kClmulFixed[kFixedKernels + 1] = {
    nullptr,
    mul_clmul_fixed<1>, mul_clmul_fixed<2>, mul_clmul_fixed<3>,
    mul_clmul_fixed<4>, mul_clmul_fixed<5>, mul_clmul_fixed<6>,
    mul_clmul_fixed<7>, mul_clmul_fixed<8>, mul_clmul_fixed<9>,
};

bool detect_clmul() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul") != 0;
}

#else

bool detect_clmul() { return false; }

#endif

std::atomic<bool> g_force_portable{false};

bool clmul_usable() {
    static const bool have = detect_clmul();
    return have && !g_force_portable.load(std::memory_order_relaxed);
}

// Spreads the 8 bits of a byte to the even positions of 16 bits (squaring).
struct SpreadTable {
    uint16_t v[256];
    constexpr SpreadTable() : v() {
        for (int i = 0; i < 256; ++i) {
            uint16_t s = 0;
            for (int k = 0; k < 8; ++k)
                if ((i >> k) & 1) s = static_cast<uint16_t>(s | (1u << (2 * k)));
            v[i] = s;
        }
    }
};
constexpr SpreadTable kSpread;

inline uint64_t spread32(uint32_t x) {
    return static_cast<uint64_t>(kSpread.v[x & 0xFF]) |
           static_cast<uint64_t>(kSpread.v[(x >> 8) & 0xFF]) << 16 |
           static_cast<uint64_t>(kSpread.v[(x >> 16) & 0xFF]) << 32 |
           static_cast<uint64_t>(kSpread.v[x >> 24]) << 48;
}

// t[pos..pos+63] ^= v, for words below tn.
inline void xor_at(uint64_t* t, int tn, uint64_t v, int pos) {
    const int w = pos >> 6, s = pos & 63;
    t[w] ^= v << s;
    if (s != 0 && w + 1 < tn) t[w + 1] ^= v >> (64 - s);
}

// Bits lo..lo+width-1 of t (width <= 64).
inline uint64_t get_bits(const uint64_t* t, int tn, int lo, int width) {
    const int w = lo >> 6, s = lo & 63;
    uint64_t v = t[w] >> s;
    if (s != 0 && w + 1 < tn) v |= t[w + 1] << (64 - s);
    return width == 64 ? v : v & ((1ull << width) - 1);
}

}  // namespace

// ---- products ------------------------------------------------------------------------------

bool gf2_clmul_available() {
#ifdef KORVATH_HAVE_CLMUL_KERNEL
    static const bool have = detect_clmul();
    return have;
#else
    return false;
#endif
}

bool gf2_force_portable(bool on) { return g_force_portable.exchange(on); }

gf2_mul_fn gf2_mul_kernel(int n) {
#ifdef KORVATH_HAVE_CLMUL_KERNEL
    if (clmul_usable()) return n <= kFixedKernels ? kClmulFixed[n] : mul_clmul_any;
#endif
    (void)n;
    return mul_portable;
}

void gf2_mul_raw(uint64_t* r, const uint64_t* a, const uint64_t* b, int n) {
    gf2_mul_kernel(n)(r, a, b, n);
}

void gf2_mul_raw_portable(uint64_t* r, const uint64_t* a, const uint64_t* b, int n) {
    mul_portable(r, a, b, n);
}

void gf2_mul_raw_clmul(uint64_t* r, const uint64_t* a, const uint64_t* b, int n) {
#ifdef KORVATH_HAVE_CLMUL_KERNEL
    mul_clmul_any(r, a, b, n);
#else
    mul_portable(r, a, b, n);
#endif
}

void gf2_sqr_raw(uint64_t* r, const uint64_t* a, int n) {
    for (int i = 0; i < n; ++i) {
        r[2 * i] = spread32(static_cast<uint32_t>(a[i]));
        r[2 * i + 1] = spread32(static_cast<uint32_t>(a[i] >> 32));
    }
}

// ---- reduction -------------------------------------------------------------------------------
//
// x^m = x^e1 + ... + x^ek modulo f, so a word v at bit position p >= m is removed
// by clearing it and adding v at p - m + e for every e. When the gap m - e1 is at
// least 64 a whole word lands strictly below the word it came from, so one pass
// from the top word down clears everything at m and above. Otherwise the bits are
// moved in chunks of m - e1 bits, each of which lands strictly below itself.

void gf2_reduce_raw(const gf2_field_raw* f, uint64_t* t, int tn) {
    const int m = f->m;
    const int mw = m >> 6, mb = m & 63;
    const int gap = m - f->exps[0];
    while (tn > f->words && t[tn - 1] == 0) --tn;
    if (gap >= 64) {
        const int first = mb == 0 ? mw : mw + 1;
        for (int j = tn - 1; j >= first; --j) {
            const uint64_t v = t[j];
            if (v == 0) continue;
            t[j] = 0;
            const int base = 64 * j - m;
            for (int k = 0; k < f->count; ++k) xor_at(t, tn, v, base + f->exps[k]);
        }
        if (mb != 0 && mw < tn) {
            const uint64_t v = t[mw] >> mb;
            if (v != 0) {
                t[mw] &= (1ull << mb) - 1;
                for (int k = 0; k < f->count; ++k) xor_at(t, tn, v, f->exps[k]);
            }
        }
    } else {
        int hi = tn > 0 ? 64 * (tn - 1) + 64 - __builtin_clzll(t[tn - 1] | 1) : 0;
        while (hi > m) {
            const int lo = hi - gap > m ? hi - gap : m;
            const int width = hi - lo;
            const uint64_t v = get_bits(t, tn, lo, width);
            if (v != 0) {
                for (int k = 0; k < f->count; ++k) xor_at(t, tn, v, lo - m + f->exps[k]);
                // clear the chunk itself
                xor_at(t, tn, v, lo);
            }
            hi = lo;
        }
    }
    for (int i = f->words; i < tn; ++i) t[i] = 0;
}

void gf2_mulmod_raw(const gf2_field_raw* f, uint64_t* r, const uint64_t* a, const uint64_t* b) {
    uint64_t t[2 * kGf2MaxWords];
    const int n = f->words;
    f->mul(t, a, b, n);
    gf2_reduce_raw(f, t, 2 * n);
    gf2_copy_raw(r, t, n);
}

void gf2_sqrmod_raw(const gf2_field_raw* f, uint64_t* r, const uint64_t* a) {
    uint64_t t[2 * kGf2MaxWords];
    const int n = f->words;
    gf2_sqr_raw(t, a, n);
    gf2_reduce_raw(f, t, 2 * n);
    gf2_copy_raw(r, t, n);
}
