// GF(2^m) field description, inversion, square roots, trace, quadratic equations
// and conversion between raw words and bigs.
#include <cstring>
#include <utility>

#include "engine/big.h"
#include "engine/gf2m_kernels.h"

namespace {

// Keeps the even-indexed bits of x, packed into the low 32 bits.
inline uint64_t even_bits(uint64_t x) {
    x &= 0x5555555555555555ull;
    x = (x | (x >> 1)) & 0x3333333333333333ull;
    x = (x | (x >> 2)) & 0x0F0F0F0F0F0F0F0Full;
    x = (x | (x >> 4)) & 0x00FF00FF00FF00FFull;
    x = (x | (x >> 8)) & 0x0000FFFF0000FFFFull;
    x = (x | (x >> 16)) & 0x00000000FFFFFFFFull;
    return x;
}

// r ^= a << j for a of an words; r has room for an + j/64 + 1 words.
inline void xor_shifted(uint64_t* r, const uint64_t* a, int an, int j) {
    const int w = j >> 6, s = j & 63;
    if (s == 0) {
        for (int i = 0; i < an; ++i) r[i + w] ^= a[i];
        return;
    }
    uint64_t carry = 0;
    for (int i = 0; i < an; ++i) {
        r[i + w] ^= (a[i] << s) | carry;
        carry = a[i] >> (64 - s);
    }
    r[an + w] ^= carry;
}

int top_bit(uint64_t v) { return 63 - __builtin_clzll(v); }

}  // namespace

// ---- description ------------------------------------------------------------------------

void gf2_field_describe(gf2_field_raw* f, int m, int a, int b, int c) {
    // The terms below x^m, cancelling in pairs as the bit pattern does.
    int t[4] = {}, nt = 0;
    auto toggle = [&](int e) {
        for (int i = 0; i < nt; ++i)
            if (t[i] == e) {
                t[i] = t[--nt];
                return;
            }
        t[nt++] = e;
    };
    toggle(a);
    if (b > 0) {
        toggle(b);
        toggle(c);
    }
    toggle(0);
    for (int i = 1; i < nt; ++i)  // descending
        for (int k = i; k > 0 && t[k] > t[k - 1]; --k) std::swap(t[k], t[k - 1]);
    f->m = m;
    f->words = (m + 63) / 64;
    f->count = nt;
    for (int i = 0; i < 4; ++i) f->exps[i] = i < nt ? t[i] : 0;
    f->sqrt_x = nullptr;
    f->trace_mask = nullptr;
    gf2_select_kernels(f);
}

bool gf2_field_current(gf2_field_raw* f) {
    const engine_instance* e = engine_current();
    if (e == nullptr || e->basis_m <= 0) return false;
    gf2_field_describe(f, e->basis_m, e->basis_a, e->basis_b, e->basis_c);
    f->sqrt_x = e->gf2_sqrt_x;
    f->trace_mask = e->gf2_trace_mask;
    return true;
}

int gf2_degree_raw(const uint64_t* a, int n) {
    for (int i = n - 1; i >= 0; --i)
        if (a[i] != 0) return 64 * i + top_bit(a[i]);
    return -1;
}

// ---- inversion ------------------------------------------------------------------------------
//
// Extended Euclid over GF(2)[x] (Hankerson, Menezes, Vanstone, "Guide to Elliptic
// Curve Cryptography", Algorithm 2.48): with u = a, v = f, g1 = 1, g2 = 0 the
// invariants g1*a = u and g2*a = v (mod f) hold; each step cancels the top bit
// of the larger of u, v, until u = 1. Degrees of g1, g2 stay below m.

bool gf2_inv_raw(const gf2_field_raw* f, uint64_t* r, const uint64_t* a) {
    const int n = f->words;
    // Room for f (m + 1 bits) plus the carry word a shifted xor may touch.
    constexpr int kCap = kGf2MaxWords + 4;
    uint64_t u[kCap] = {}, v[kCap] = {}, g1[kCap] = {}, g2[kCap] = {};
    gf2_copy_raw(u, a, n);
    v[f->m >> 6] |= 1ull << (f->m & 63);
    for (int k = 0; k < f->count; ++k) v[f->exps[k] >> 6] ^= 1ull << (f->exps[k] & 63);
    g1[0] = 1;
    uint64_t *pu = u, *pv = v, *p1 = g1, *p2 = g2;
    int du = gf2_degree_raw(pu, n), dv = f->m;
    if (du < 0) return false;
    int lu = du / 64 + 1, lv = dv / 64 + 1;  // words in use
    int l1 = 1, l2 = 1;
    while (du > 0) {
        int j = du - dv;
        if (j < 0) {
            std::swap(pu, pv);
            std::swap(p1, p2);
            std::swap(du, dv);
            std::swap(lu, lv);
            std::swap(l1, l2);
            j = -j;
        }
        xor_shifted(pu, pv, lv, j);
        xor_shifted(p1, p2, l2, j);
        const int grown = l2 + j / 64 + 1;
        if (grown > l1) l1 = grown;
        while (l1 > 1 && p1[l1 - 1] == 0) --l1;
        while (lu > 0 && pu[lu - 1] == 0) --lu;
        if (lu == 0) return false;  // gcd(a, f) = v != 1: f is reducible
        du = 64 * (lu - 1) + top_bit(pu[lu - 1]);
    }
    gf2_copy_raw(r, p1, n);
    return true;
}

// ---- square root, trace, quadratic equations --------------------------------------------

void gf2_sqrt_raw(const gf2_field_raw* f, uint64_t* r, const uint64_t* a) {
    const int n = f->words;
    uint64_t ev[kGf2MaxWords] = {}, od[kGf2MaxWords] = {};
    for (int i = 0; i < n; ++i) {
        const uint64_t e = even_bits(a[i]), o = even_bits(a[i] >> 1);
        ev[i / 2] |= e << (32 * (i & 1));
        od[i / 2] |= o << (32 * (i & 1));
    }
    gf2_mulmod_raw(f, od, od, f->sqrt_x);
    gf2_add_raw(r, ev, od, n);
}

int gf2_trace_raw(const gf2_field_raw* f, const uint64_t* a) {
    uint64_t v = 0;
    for (int i = 0; i < f->words; ++i) v ^= a[i] & f->trace_mask[i];
    return __builtin_parityll(v);
}

bool gf2_quad_solve_raw(const gf2_field_raw* f, uint64_t* z, const uint64_t* a) {
    const int n = f->words;
    uint64_t s[kGf2MaxWords] = {};
    if (f->m & 1) {
        // Half trace: sum of a^(4^i), i = 0..(m-1)/2.
        uint64_t t[kGf2MaxWords];
        gf2_copy_raw(t, a, n);
        gf2_copy_raw(s, a, n);
        for (int i = 0; i < (f->m - 1) / 2; ++i) {
            gf2_sqrmod_raw(f, t, t);
            gf2_sqrmod_raw(f, t, t);
            gf2_add_raw(s, s, t, n);
        }
    } else {
        // tau of trace 1; then z = sum_{i=1}^{m-1} (sum_{j=i}^{m-1} tau^(2^j)) a^(2^i),
        // formed by the recurrence z <- z^2 + w^2 tau, w <- w^2 + a.
        uint64_t tau[kGf2MaxWords] = {};
        bool found = false;
        for (int attempt = 0; attempt < 256 && !found; ++attempt) {
            for (int i = 0; i < n; ++i)
                tau[i] = static_cast<uint64_t>(raw_rand_next()) |
                         static_cast<uint64_t>(raw_rand_next()) << 32;
            if (f->m & 63) tau[n - 1] &= (1ull << (f->m & 63)) - 1;
            found = gf2_trace_raw(f, tau) == 1;
        }
        if (!found) return false;  // no element of trace 1: f is not irreducible
        uint64_t w[kGf2MaxWords], t[kGf2MaxWords];
        gf2_copy_raw(w, a, n);
        for (int i = 1; i < f->m; ++i) {
            gf2_sqrmod_raw(f, s, s);
            gf2_sqrmod_raw(f, t, w);
            gf2_mulmod_raw(f, t, t, tau);
            gf2_add_raw(s, s, t, n);
            gf2_sqrmod_raw(f, w, w);
            gf2_add_raw(w, w, a, n);
        }
    }
    uint64_t chk[kGf2MaxWords];
    gf2_sqrmod_raw(f, chk, s);
    gf2_add_raw(chk, chk, s, n);
    if (!gf2_equal_raw(chk, a, n)) return false;
    gf2_copy_raw(z, s, n);
    return true;
}

// ---- conversion ---------------------------------------------------------------------------------

bool gf2_load_raw(const big_rec* x, uint64_t* out, int n) {
    const int len = x == nullptr ? 0 : big_len(x);
    if (len > 2 * n) return false;
    for (int i = 0; i < n; ++i) {
        const uint64_t lo = 2 * i < len ? x->w[2 * i] : 0;
        const uint64_t hi = 2 * i + 1 < len ? x->w[2 * i + 1] : 0;
        out[i] = lo | hi << 32;
    }
    return true;
}

void gf2_load_reduced_raw(const gf2_field_raw* f, const big_rec* x, uint64_t* out) {
    const int len = x == nullptr ? 0 : big_len(x);
    const int n = f->words;
    if (len <= 2 * n) {
        gf2_load_raw(x, out, n);
        if (gf2_degree_raw(out, n) >= f->m) gf2_reduce_raw(f, out, n);
        return;
    }
    ScratchFrame sf(engine_current());
    const int tn = (len + 1) / 2;
    auto* t = reinterpret_cast<uint64_t*>(sf.words(2 * static_cast<size_t>(tn)));
    gf2_load_raw(x, t, tn);
    gf2_reduce_raw(f, t, tn);
    gf2_copy_raw(out, t, n);
}

void gf2_store_raw(const uint64_t* a, int n, big x) {
    const int old = big_len(x);
    int len = 2 * n;
    while (len > 0 && static_cast<uint32_t>(a[(len - 1) / 2] >> (32 * ((len - 1) & 1))) == 0) --len;
    for (int i = 0; i < len; ++i) x->w[i] = static_cast<uint32_t>(a[i / 2] >> (32 * (i & 1)));
    for (int i = len; i < old; ++i) x->w[i] = 0;
    x->len = static_cast<uint32_t>(len);
}
