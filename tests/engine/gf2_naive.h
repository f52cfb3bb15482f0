// Naive GF(2)[x] arithmetic for the GF(2^m) tests: polynomials as vectors of
// 64-bit words (bit i = coefficient of x^i), products by shifting and adding one
// bit at a time, reduction by cancelling the top bit one at a time. Slow and
// obviously right; independent of the engine's kernels.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/big.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/test_rng.h"

namespace naive {

using Poly = std::vector<uint64_t>;

inline int deg(const Poly& a) {
    for (int i = static_cast<int>(a.size()) - 1; i >= 0; --i)
        if (a[i]) return 64 * i + 63 - __builtin_clzll(a[i]);
    return -1;
}
inline bool bit(const Poly& a, int i) {
    return i >= 0 && i / 64 < static_cast<int>(a.size()) && ((a[i / 64] >> (i % 64)) & 1);
}
inline void flip(Poly& a, int i) {
    if (i / 64 >= static_cast<int>(a.size())) a.resize(i / 64 + 1, 0);
    a[i / 64] ^= 1ull << (i % 64);
}
inline void trim(Poly& a) {
    while (!a.empty() && a.back() == 0) a.pop_back();
}
// a ^= b * x^s
inline void add_shifted(Poly& a, const Poly& b, int s) {
    const int db = deg(b);
    if (db < 0) return;
    if (static_cast<int>(a.size()) < (db + s) / 64 + 2) a.resize((db + s) / 64 + 2, 0);
    const int w = s / 64, r = s % 64;
    for (int i = 0; i <= db / 64; ++i) {
        a[i + w] ^= b[i] << r;
        if (r) a[i + w + 1] ^= b[i] >> (64 - r);
    }
}
inline Poly add(Poly a, const Poly& b) {
    if (a.size() < b.size()) a.resize(b.size(), 0);
    for (size_t i = 0; i < b.size(); ++i) a[i] ^= b[i];
    trim(a);
    return a;
}
inline Poly mul(const Poly& a, const Poly& b) {
    Poly r;
    for (int i = 0; i <= deg(b); ++i)
        if (bit(b, i)) add_shifted(r, a, i);
    trim(r);
    return r;
}
inline Poly mod(Poly a, const Poly& f) {
    const int df = deg(f);
    for (int d = deg(a); d >= df; --d)
        if (bit(a, d)) add_shifted(a, f, d - df);
    trim(a);
    return a;
}
inline Poly mulmod(const Poly& a, const Poly& b, const Poly& f) { return mod(mul(a, b), f); }
inline Poly one() { return Poly{1}; }
inline bool is_zero(const Poly& a) { return deg(a) < 0; }

/// The basis polynomial x^m + x^a (+ x^b + x^c) + 1 (b = 0: trinomial).
inline Poly basis(int m, int a, int b, int c) {
    Poly f;
    flip(f, m);
    flip(f, a);
    if (b > 0) {
        flip(f, b);
        flip(f, c);
    }
    flip(f, 0);
    trim(f);
    return f;
}

/// Tr(a) = a + a^2 + ... + a^(2^(m-1)), as the constant it is for irreducible f.
inline int trace(const Poly& a, const Poly& f) {
    const int m = deg(f);
    Poly t = mod(a, f), s = t;
    for (int i = 1; i < m; ++i) {
        t = mulmod(t, t, f);
        s = add(s, t);
    }
    return deg(s) == 0 ? 1 : 0;
}

inline Poly from_big(const big_rec* x) {
    Poly p;
    const int n = big_len(x);
    for (int i = 0; i < n; ++i) {
        if (i % 2 == 0) p.push_back(0);
        p.back() |= static_cast<uint64_t>(x->w[i]) << (32 * (i % 2));
    }
    trim(p);
    return p;
}

inline void to_big(const Poly& p, big x) {
    std::vector<uint32_t> w;
    for (uint64_t v : p) {
        w.push_back(static_cast<uint32_t>(v));
        w.push_back(static_cast<uint32_t>(v >> 32));
    }
    testsupport::set_words(x, w);
}

/// A random polynomial of degree below `bits`, biased towards runs of equal bits.
inline Poly random(testsupport::TestRng& rng, int bits) {
    const int nb = rng.coin() ? bits : rng.interesting_bits(bits);
    const auto w = rng.words_with_bits(nb);
    Poly p;
    for (size_t i = 0; i < w.size(); ++i) {
        if (i % 2 == 0) p.push_back(0);
        p.back() |= static_cast<uint64_t>(w[i]) << (32 * (i % 2));
    }
    trim(p);
    return p;
}

/// True when f has no factor of degree 1..deg(f)/2 (trial division by every
/// polynomial of those degrees).
inline bool irreducible_by_trial(const Poly& f) {
    const int m = deg(f);
    for (int d = 1; d <= m / 2; ++d)
        for (uint64_t g = 1ull << d; g < (2ull << d); ++g)
            if (deg(mod(f, Poly{g})) < 0) return false;
    return true;
}

}  // namespace naive
