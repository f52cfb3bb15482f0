// Products of polynomials over GF(2^m) given as arrays of coefficients.
//
// Karatsuba over the coefficient arrays: the coefficients of the three half-size
// products are kept unreduced (2*words 64-bit words each) and combined by
// exclusive or, so each output coefficient is reduced exactly once at the end.
// The unreduced values live in the words of the output bigs and of the caller's
// work bigs; they are read and written through memcpy, as 64-bit words.
#include <algorithm>
#include <cstring>

#include "engine/gf2m.h"
#include "engine/gf2m_kernels.h"
#include "engine/internal.h"

namespace {

// Below this many coefficients the product is formed term by term.
constexpr int kLeaf = 16;

struct PolyCtx {
    int nw;                 // words of a reduced coefficient
    gf2_poly_leaf_fn leaf;  // schoolbook kernel for the leaves
};

inline void load(const big_rec* b, uint64_t* out, int n) {
    if (b == nullptr) {
        gf2_zero_raw(out, n);
        return;
    }
    std::memcpy(out, b->w, sizeof(uint64_t) * static_cast<size_t>(n));
}

inline void store(big b, const uint64_t* v, int n) {
    std::memcpy(b->w, v, sizeof(uint64_t) * static_cast<size_t>(n));
}

// b ^= v (n words).
inline void xor_into(big b, const uint64_t* v, int n) {
    uint64_t t[2 * kGf2MaxWords];
    std::memcpy(t, b->w, sizeof(uint64_t) * static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) t[i] ^= v[i];
    std::memcpy(b->w, t, sizeof(uint64_t) * static_cast<size_t>(n));
}

// out[0..2n-2] = x * y unreduced, schoolbook.
void leaf(const PolyCtx& c, int n, const big* x, const big* y, big* out) {
    const int nw = c.nw, pw = 2 * nw;
    uint64_t xa[kLeaf * kGf2MaxWords / 2], ya[kLeaf * kGf2MaxWords / 2];
    uint64_t acc[(2 * kLeaf - 1) * kGf2MaxWords];
    for (int i = 0; i < n; ++i) {
        load(x[i], xa + i * nw, nw);
        load(y[i], ya + i * nw, nw);
    }
    // (GCC cannot see that the loads above fill the first n*nw words.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
    c.leaf(acc, xa, ya, n, nw);
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
    for (int k = 0; k < 2 * n - 1; ++k) store(out[k], acc + k * pw, pw);
}

// out[0..2n-2] = x * y unreduced; pool holds work_size(n) bigs.
void karatsuba(const PolyCtx& c, int n, const big* x, const big* y, big* out, big* pool) {
    if (n <= kLeaf) {
        leaf(c, n, x, y, out);
        return;
    }
    const int nw = c.nw, pw = 2 * nw;
    const int h = n / 2, h2 = n - h;
    karatsuba(c, h, x, y, out, pool);  // P0 = low * low
    uint64_t zero[2 * kGf2MaxWords] = {};
    store(out[2 * h - 1], zero, pw);
    karatsuba(c, h2, x + h, y + h, out + 2 * h, pool);  // P2 = high * high
    big* sx = pool;
    big* sy = pool + h2;
    big* p1 = pool + 2 * h2;
    big* rest = pool + 4 * h2 - 1;
    uint64_t a[kGf2MaxWords], b[kGf2MaxWords];
    for (int i = 0; i < h2; ++i) {
        load(x[h + i], a, nw);
        load(y[h + i], b, nw);
        if (i < h) {
            uint64_t t[kGf2MaxWords];
            load(x[i], t, nw);
            for (int k = 0; k < nw; ++k) a[k] ^= t[k];
            load(y[i], t, nw);
            for (int k = 0; k < nw; ++k) b[k] ^= t[k];
        }
        store(sx[i], a, nw);
        store(sy[i], b, nw);
    }
    karatsuba(c, h2, sx, sy, p1, rest);  // P1 = (low + high) * (low + high)
    // middle = P1 - P0 - P2, added at x^h. The middle is complete before it is
    // added, because adding it overwrites P0's upper half.
    uint64_t m[2 * kGf2MaxWords], t[2 * kGf2MaxWords];
    for (int k = 0; k < 2 * h2 - 1; ++k) {
        load(p1[k], m, pw);
        if (k < 2 * h - 1) {
            load(out[k], t, pw);
            for (int i = 0; i < pw; ++i) m[i] ^= t[i];
        }
        load(out[2 * h + k], t, pw);
        for (int i = 0; i < pw; ++i) m[i] ^= t[i];
        store(p1[k], m, pw);
    }
    for (int k = 0; k < 2 * h2 - 1; ++k) {
        load(p1[k], m, pw);
        xor_into(out[h + k], m, pw);
    }
}

// Reduces the unreduced coefficient held in b's first 2*nw 64-bit words and
// makes b a proper big again.
void finish(const gf2_field_raw* f, big b, int used32) {
    const int nw = f->words;
    const int old = std::max(big_len(b), used32);  // b's length from before the product
    uint64_t t[2 * kGf2MaxWords];
    load(b, t, 2 * nw);
    gf2_reduce_raw(f, t, 2 * nw);
    for (int i = 0; i < old; ++i) b->w[i] = 0;
    b->len = 0;
    gf2_store_raw(t, nw, b);
}

// A reduced coefficient that fits 2*nw 32-bit words?
bool is_reduced(const gf2_field_raw* f, const big_rec* x) {
    if (x == nullptr) return true;
    const int len = big_len(x);
    if (len == 0) return true;
    if (len > 2 * f->words) return false;
    const int bits = 32 * (len - 1) + 32 - __builtin_clz(x->w[len - 1]);
    return bits <= f->m;
}

// Schoolbook product reducing operands on load: for unreduced inputs and for
// fields too wide for unreduced products to fit a big.
void poly_mul_plain(const gf2_field_raw* f, int n, const big* x, const big* y, big* w) {
    const int nw = f->words;
    for (int k = 0; k < 2 * n - 1; ++k) {
        uint64_t acc[2 * kGf2MaxWords] = {}, t[2 * kGf2MaxWords], a[kGf2MaxWords], b[kGf2MaxWords];
        const int lo = std::max(0, k - n + 1), hi = std::min(k, n - 1);
        for (int i = lo; i <= hi; ++i) {
            if (x[i] == nullptr || y[k - i] == nullptr) continue;
            gf2_load_reduced_raw(f, x[i], a);
            gf2_load_reduced_raw(f, y[k - i], b);
            f->mul(t, a, b, nw);
            for (int j = 0; j < 2 * nw; ++j) acc[j] ^= t[j];
        }
        gf2_reduce_raw(f, acc, 2 * nw);
        gf2_store_raw(acc, nw, w[k]);
    }
}

}  // namespace

int gf2_poly_mul_work_size(int n) {
    int need = 0;
    while (n > kLeaf) {
        const int h2 = n - n / 2;
        need += 4 * h2 - 1;
        n = h2;
    }
    return need;
}

void gf2_poly_mul(int n, big* work, const big* x, const big* y, big* w) {
    engine_instance* e = engine_current();
    if (e == nullptr || e->error_number != 0 || n <= 0) return;
    if (w == x || w == y) {
        report_error(7);
        return;
    }
    gf2_field_raw f;
    if (!gf2_field_current(&f)) {
        report_error(27);
        return;
    }
    const int nw = f.words;
    const int block = static_cast<int>(big_block_words(e));
    bool fast = 4 * nw <= block && 2 * nw <= kGf2MaxWords && (work != nullptr || gf2_poly_mul_work_size(n) == 0);
    for (int i = 0; i < n && fast; ++i) fast = is_reduced(&f, x[i]) && is_reduced(&f, y[i]);
    if (!fast) {
        poly_mul_plain(&f, n, x, y, w);
        return;
    }
    const PolyCtx c{nw, gf2_poly_leaf_kernel(nw)};
    karatsuba(c, n, x, y, w, work);
    for (int k = 0; k < 2 * n - 1; ++k) finish(&f, w[k], 4 * nw);
    const int used = gf2_poly_mul_work_size(n);
    for (int i = 0; i < used; ++i) {
        std::memset(work[i]->w, 0, sizeof(uint32_t) * 4 * static_cast<size_t>(nw));
        work[i]->len = 0;
    }
}
