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
#define KORVATH_CLMUL_INLINE __attribute__((target("pclmul,sse2"), always_inline)) inline

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

// The same with the count fixed, fully unrolled.
template <int D>
KORVATH_CLMUL_INLINE void combine_fixed(uint64_t* r, const __m128i* acc) {
    uint64_t carry = 0;
#pragma GCC unroll 32
    for (int k = 0; k < D; ++k) {
        const uint64_t lo = static_cast<uint64_t>(_mm_cvtsi128_si64(acc[k]));
        const uint64_t hi =
            static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(acc[k], acc[k])));
        r[k] = lo ^ carry;
        carry = hi;
    }
    r[D] = carry;
}

template <int N>
KORVATH_CLMUL_INLINE void mul_clmul_body(uint64_t* r, const uint64_t* a, const uint64_t* b) {
    __m128i acc[2 * N - 1];
#pragma GCC unroll 32
    for (int k = 0; k < 2 * N - 1; ++k) acc[k] = _mm_setzero_si128();
    __m128i bv[N];
#pragma GCC unroll 16
    for (int j = 0; j < N; ++j) bv[j] = _mm_cvtsi64_si128(static_cast<long long>(b[j]));
#pragma GCC unroll 16
    for (int i = 0; i < N; ++i) {
        const __m128i av = _mm_cvtsi64_si128(static_cast<long long>(a[i]));
#pragma GCC unroll 16
        for (int j = 0; j < N; ++j)
            acc[i + j] = _mm_xor_si128(acc[i + j], _mm_clmulepi64_si128(av, bv[j], 0x00));
    }
    combine_fixed<2 * N - 1>(r, acc);
}

template <int N>
KORVATH_CLMUL_TARGET void mul_clmul_fixed(uint64_t* r, const uint64_t* a, const uint64_t* b, int) {
    mul_clmul_body<N>(r, a, b);
}

// Polynomial product by output coefficient: the diagonal sums of every
// coefficient product landing on output k stay in registers until k is done.
template <int N>
KORVATH_CLMUL_TARGET void poly_leaf_clmul(uint64_t* out, const uint64_t* x, const uint64_t* y, int count,
                                          int) {
    for (int k = 0; k < 2 * count - 1; ++k) {
        __m128i acc[2 * N - 1];
#pragma GCC unroll 32
        for (int d = 0; d < 2 * N - 1; ++d) acc[d] = _mm_setzero_si128();
        const int lo = k - count + 1 > 0 ? k - count + 1 : 0, hi = k < count - 1 ? k : count - 1;
        for (int i = lo; i <= hi; ++i) {
            const uint64_t* a = x + i * N;
            const uint64_t* b = y + (k - i) * N;
            __m128i bv[N];
#pragma GCC unroll 16
            for (int j = 0; j < N; ++j) bv[j] = _mm_cvtsi64_si128(static_cast<long long>(b[j]));
#pragma GCC unroll 16
            for (int u = 0; u < N; ++u) {
                const __m128i av = _mm_cvtsi64_si128(static_cast<long long>(a[u]));
#pragma GCC unroll 16
                for (int j = 0; j < N; ++j)
                    acc[u + j] = _mm_xor_si128(acc[u + j], _mm_clmulepi64_si128(av, bv[j], 0x00));
            }
        }
        combine_fixed<2 * N - 1>(out + k * 2 * N, acc);
    }
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

namespace {

void poly_leaf_generic(uint64_t* out, const uint64_t* x, const uint64_t* y, int count, int n) {
    const gf2_mul_fn mul = gf2_mul_kernel(n);
    uint64_t t[2 * kGf2MaxWords];
    for (int k = 0; k < 2 * count - 1; ++k) {
        uint64_t* o = out + k * 2 * n;
        for (int w = 0; w < 2 * n; ++w) o[w] = 0;
        const int lo = k - count + 1 > 0 ? k - count + 1 : 0, hi = k < count - 1 ? k : count - 1;
        for (int i = lo; i <= hi; ++i) {
            mul(t, x + i * n, y + (k - i) * n, n);
            for (int w = 0; w < 2 * n; ++w) o[w] ^= t[w];
        }
    }
}

}  // namespace

gf2_poly_leaf_fn gf2_poly_leaf_kernel(int n) {
#ifdef KORVATH_HAVE_CLMUL_KERNEL
    static constexpr gf2_poly_leaf_fn kLeaves[] = {
        nullptr,            poly_leaf_clmul<1>, poly_leaf_clmul<2>, poly_leaf_clmul<3>,
        poly_leaf_clmul<4>, poly_leaf_clmul<5>, poly_leaf_clmul<6>, poly_leaf_clmul<7>,
        poly_leaf_clmul<8>, poly_leaf_clmul<9>};
    if (clmul_usable() && n <= 9) return kLeaves[n];
#endif
    return poly_leaf_generic;
}

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

namespace {

// Folds words tn-1 .. first of t down (every gap m - e at least 64): word j
// sits at bit 64j, and its bits move to 64j - d for each d = m - e, which is
// word j - d/64 shifted right by d mod 64 plus the spill into the word below.
template <int K>
inline void fold_words(uint64_t* t, int tn, int first, const int* dw, const int* ds) {
    for (int j = tn - 1; j >= first; --j) {
        const uint64_t v = t[j];
        t[j] = 0;
        for (int k = 0; k < K; ++k) {
            const int w = j - dw[k], sh = ds[k];
            if (sh == 0) {
                t[w] ^= v;
            } else {
                t[w] ^= v >> sh;
                t[w - 1] ^= v << (64 - sh);
            }
        }
    }
}

}  // namespace

void gf2_reduce_raw(const gf2_field_raw* f, uint64_t* t, int tn) {
    const int m = f->m;
    const int mw = m >> 6, mb = m & 63;
    const int gap = m - f->exps[0];
    while (tn > f->words && t[tn - 1] == 0) --tn;
    if (gap >= 64) {
        const int first = mb == 0 ? mw : mw + 1;
        int dw[4], ds[4];
        for (int k = 0; k < f->count; ++k) {
            dw[k] = (m - f->exps[k]) >> 6;
            ds[k] = (m - f->exps[k]) & 63;
        }
        switch (f->count) {
            case 1: fold_words<1>(t, tn, first, dw, ds); break;
            case 2: fold_words<2>(t, tn, first, dw, ds); break;
            case 3: fold_words<3>(t, tn, first, dw, ds); break;
            case 4: fold_words<4>(t, tn, first, dw, ds); break;
            default:
                for (int j = tn - 1; j >= first; --j) t[j] = 0;  // f = x^m
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

// ---- modular products specialised by size ---------------------------------------------------
//
// For the common sizes (up to 9 words, m <= 576) and bases whose gaps m - e are all
// at least 64 the product (or square), the fold and the copy are one function
// with the size fixed at compile time; everything else goes through the generic
// kernels above.

namespace {

template <int N>
inline void reduce_fixed(const gf2_field_raw* f, uint64_t* t) {
    const int m = f->m, mw = m >> 6, mb = m & 63;
    const int first = mb == 0 ? mw : mw + 1;
    int dw[4], ds[4];
    const int count = f->count;
    for (int k = 0; k < count; ++k) {
        dw[k] = (m - f->exps[k]) >> 6;
        ds[k] = (m - f->exps[k]) & 63;
    }
    if (count == 4) fold_words<4>(t, 2 * N, first, dw, ds);
    else if (count == 2) fold_words<2>(t, 2 * N, first, dw, ds);
    else if (count == 3) fold_words<3>(t, 2 * N, first, dw, ds);
    else fold_words<1>(t, 2 * N, first, dw, ds);
    if (mb != 0) {
        const uint64_t v = t[mw] >> mb;
        t[mw] &= (1ull << mb) - 1;
        for (int k = 0; k < count; ++k) {
            const int e = f->exps[k], w = e >> 6, sh = e & 63;
            t[w] ^= v << sh;
            if (sh != 0) t[w + 1] ^= v >> (64 - sh);
        }
    }
}

template <int N>
void sqrmod_fixed(const gf2_field_raw* f, uint64_t* r, const uint64_t* a) {
    uint64_t t[2 * N];
    for (int i = 0; i < N; ++i) {
        t[2 * i] = spread32(static_cast<uint32_t>(a[i]));
        t[2 * i + 1] = spread32(static_cast<uint32_t>(a[i] >> 32));
    }
    reduce_fixed<N>(f, t);
    for (int i = 0; i < N; ++i) r[i] = t[i];
}

template <int N>
void mulmod_portable_fixed(const gf2_field_raw* f, uint64_t* r, const uint64_t* a, const uint64_t* b) {
    uint64_t t[2 * N] = {};
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j) {
            uint64_t lo, hi;
            clmul64_soft(a[i], b[j], &lo, &hi);
            t[i + j] ^= lo;
            t[i + j + 1] ^= hi;
        }
    reduce_fixed<N>(f, t);
    for (int i = 0; i < N; ++i) r[i] = t[i];
}

#ifdef KORVATH_HAVE_CLMUL_KERNEL
// Reduction by multiplication: with r = f - x^m (degree below 128, so r = r0 +
// r1 x^64) and t = h x^m + l, t = h r + l (mod f). Each pass multiplies the
// part at and above x^m by r with carry-less products and adds it below; the
// degree falls by m - deg(r) >= 64 per pass, so two passes suffice for the
// standard bases. All words live in registers: no read-modify-write chains.
// Needs m mod 64 != 0 (the top word is word N - 1).
template <int N>
KORVATH_CLMUL_INLINE void reduce_clmul(const gf2_field_raw* f, uint64_t* t, uint64_t* out) {
    const int mb = f->m & 63;
    const uint64_t mask = (1ull << mb) - 1;
    uint64_t r0 = 0, r1 = 0;
    for (int k = 0; k < f->count; ++k) {
        const int e = f->exps[k];
        if (e < 64) r0 ^= 1ull << e;
        else r1 ^= 1ull << (e - 64);
    }
    uint64_t lo[N], h[N + 1];
#pragma GCC unroll 16
    for (int i = 0; i < N; ++i) lo[i] = t[i];
    lo[N - 1] &= mask;
#pragma GCC unroll 16
    for (int i = 0; i < N; ++i) h[i] = (t[N - 1 + i] >> mb) | (t[N + i] << (64 - mb));
    h[N] = t[2 * N - 1] >> mb;
    const __m128i vr0 = _mm_cvtsi64_si128(static_cast<long long>(r0));
    const __m128i vr1 = _mm_cvtsi64_si128(static_cast<long long>(r1));
    for (;;) {
        // p = h * r, N + 3 words
        __m128i acc[N + 2];
#pragma GCC unroll 16
        for (int k = 0; k < N + 2; ++k) acc[k] = _mm_setzero_si128();
#pragma GCC unroll 16
        for (int i = 0; i <= N; ++i) {
            const __m128i hv = _mm_cvtsi64_si128(static_cast<long long>(h[i]));
            acc[i] = _mm_xor_si128(acc[i], _mm_clmulepi64_si128(hv, vr0, 0x00));
            if (r1 != 0) acc[i + 1] = _mm_xor_si128(acc[i + 1], _mm_clmulepi64_si128(hv, vr1, 0x00));
        }
        uint64_t p[N + 3];
        combine_fixed<N + 2>(p, acc);
#pragma GCC unroll 16
        for (int i = 0; i < N - 1; ++i) lo[i] ^= p[i];
        lo[N - 1] ^= p[N - 1] & mask;
        uint64_t any = 0;
#pragma GCC unroll 16
        for (int i = 0; i <= N; ++i) {
            const uint64_t a0 = i < 4 ? p[N - 1 + i] : 0, a1 = i < 3 ? p[N + i] : 0;
            h[i] = (a0 >> mb) | (a1 << (64 - mb));
            any |= h[i];
        }
        if (any == 0) break;
    }
    for (int i = 0; i < N; ++i) out[i] = lo[i];
}

template <int N>
KORVATH_CLMUL_TARGET void mulmod_clmul_fixed(const gf2_field_raw* f, uint64_t* r, const uint64_t* a,
                                             const uint64_t* b) {
    uint64_t t[2 * N];
    mul_clmul_body<N>(t, a, b);
    reduce_clmul<N>(f, t, r);
}

template <int N>
KORVATH_CLMUL_TARGET void sqrmod_clmul_fixed(const gf2_field_raw* f, uint64_t* r, const uint64_t* a) {
    uint64_t t[2 * N];
#pragma GCC unroll 16
    for (int i = 0; i < N; ++i) {
        t[2 * i] = spread32(static_cast<uint32_t>(a[i]));
        t[2 * i + 1] = spread32(static_cast<uint32_t>(a[i] >> 32));
    }
    reduce_clmul<N>(f, t, r);
}

// Products reduced by the shift-and-add fold, for bases the multiplication
// reduction does not cover.
template <int N>
KORVATH_CLMUL_TARGET void mulmod_clmul_fold_fixed(const gf2_field_raw* f, uint64_t* r, const uint64_t* a,
                                                  const uint64_t* b) {
    uint64_t t[2 * N];
    mul_clmul_body<N>(t, a, b);
    reduce_fixed<N>(f, t);
    for (int i = 0; i < N; ++i) r[i] = t[i];
}
#endif

void mulmod_generic(const gf2_field_raw* f, uint64_t* r, const uint64_t* a, const uint64_t* b) {
    uint64_t t[2 * kGf2MaxWords];
    const int n = f->words;
    f->mul(t, a, b, n);
    gf2_reduce_raw(f, t, 2 * n);
    gf2_copy_raw(r, t, n);
}

void sqrmod_generic(const gf2_field_raw* f, uint64_t* r, const uint64_t* a) {
    uint64_t t[2 * kGf2MaxWords];
    const int n = f->words;
    gf2_sqr_raw(t, a, n);
    gf2_reduce_raw(f, t, 2 * n);
    gf2_copy_raw(r, t, n);
}

template <int... Ns>
struct FixedTables {
    static constexpr gf2_sqrmod_fn sqr[] = {nullptr, sqrmod_fixed<Ns>...};
    static constexpr gf2_mulmod_fn soft[] = {nullptr, mulmod_portable_fixed<Ns>...};
#ifdef KORVATH_HAVE_CLMUL_KERNEL
    static constexpr gf2_mulmod_fn fast[] = {nullptr, mulmod_clmul_fixed<Ns>...};
    static constexpr gf2_sqrmod_fn fast_sqr[] = {nullptr, sqrmod_clmul_fixed<Ns>...};
    static constexpr gf2_mulmod_fn fast_fold[] = {nullptr, mulmod_clmul_fold_fixed<Ns>...};
#endif
};
using Fixed = FixedTables<1, 2, 3, 4, 5, 6, 7, 8, 9>;
constexpr int kFixedMod = 9;

}  // namespace

void gf2_select_kernels(gf2_field_raw* f) {
    const int n = f->words;
    f->mul = gf2_mul_kernel(n);
    f->mulmod = mulmod_generic;
    f->sqrmod = sqrmod_generic;
    const int gap = f->m - f->exps[0];
    if (n > kFixedMod || gap < 64 || f->count == 0) return;
    f->sqrmod = Fixed::sqr[n];
#ifdef KORVATH_HAVE_CLMUL_KERNEL
    if (clmul_usable()) {
        // Reduction by multiplication when r = f - x^m fits two words and the
        // top word is partial; the fold otherwise.
        if (f->exps[0] < 128 && (f->m & 63) != 0) {
            f->mulmod = Fixed::fast[n];
            f->sqrmod = Fixed::fast_sqr[n];
        } else {
            f->mulmod = Fixed::fast_fold[n];
        }
        return;
    }
#endif
    f->mulmod = Fixed::soft[n];
}
