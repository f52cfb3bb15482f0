// PolyMod2: residues modulo the thread's modulus polynomial over GF(2^m),
// reduction by the reciprocal series, powering and composition.
#include <algorithm>
#include <utility>
#include <vector>

#include "engine/gf2m.h"
#include "engine/internal.h"
#include "engine/poly_2_internal.h"
#include "engine/poly_common.h"

using engine_detail::Gf2Vec;

namespace {

constexpr int kRecipDegree = 16;
constexpr int kShortQuotient = 32;

// The modulus F of degree n, and from degree 16 on I = reverse(F)^-1 mod x^(n-1).
struct Modulus2 {
    Poly2 f;
    int n = -1;  // -1: the zero polynomial, residues are not reduced
    Gf2Vec F, I;
};

thread_local Modulus2 t_mod2;

// a (m <= 2n - 1 elements) mod F by the reciprocal series; the low n elements
// of a become the remainder.
void reduce_reciprocal(Gf2Vec& a, int m) {
    const int n = t_mod2.n;
    Gf2Vec top(n - 1);  // reversed top: top[j] = a[2n - 2 - j]
    for (int j = 0; j < n - 1; ++j) {
        const int src = 2 * n - 2 - j;
        if (src < m) big_copy(a[src], top[j]);
    }
    Gf2Vec qrev = engine_detail::gf2_dense_mul(top, n - 1, t_mod2.I, t_mod2.I.size());
    Gf2Vec q(n - 1);
    for (int j = 0; j < n - 1; ++j) big_copy(qrev[n - 2 - j], q[j]);
    const Gf2Vec qf = engine_detail::gf2_dense_mul(q, n - 1, t_mod2.F, n + 1);
    for (int i = 0; i < n; ++i) gf2_add(a[i], qf[i], a[i]);
    a.shrink(n);
}

// d mod F, trimmed.
void reduce_dense(Gf2Vec& d) {
    const int n = t_mod2.n;
    d.trim();
    int m = d.size();
    if (n < 0 || m <= n) return;
    if (n == 0) {
        d.shrink(0);
        return;
    }
    if (n >= kRecipDegree && m - n > kShortQuotient) {
        // Fold the top 2n - 1 elements down until the rest fits one step.
        while (m > 2 * n - 1) {
            const int low = m - (2 * n - 1);
            Gf2Vec window(2 * n - 1);
            for (int i = 0; i < 2 * n - 1; ++i) big_copy(d[low + i], window[i]);
            reduce_reciprocal(window, 2 * n - 1);
            for (int i = 0; i < 2 * n - 1; ++i) big_copy(i < n ? window[i] : nullptr, d[low + i]);
            m = low + n;
            d.shrink(m);
        }
        reduce_reciprocal(d, m);
    } else {
        engine_detail::gf2_dense_divrem(d, m, t_mod2.F, n + 1, nullptr);
        d.shrink(n);
    }
    d.trim();
}

Gf2Vec mulmod(const Gf2Vec& a, const Gf2Vec& b) {
    if (a.size() == 0 || b.size() == 0 || t_mod2.n == 0) return Gf2Vec();
    Gf2Vec p = engine_detail::gf2_dense_mul(a, a.size(), b, b.size());
    reduce_dense(p);
    return p;
}

Poly2 reduce_poly(Poly2 f) {
    if (t_mod2.n < 0 || f.is_zero() || f.degree() < t_mod2.n) return f;
    if (!engine_detail::gf2_ready()) return Poly2();
    Gf2Vec d = engine_detail::gf2_from_poly(f);
    reduce_dense(d);
    return engine_detail::poly_from_gf2(d);
}

}  // namespace

void set_modulus(const Poly2& f) {
    Modulus2& m = t_mod2;
    m.f = f;
    m.n = f.is_zero() ? -1 : f.degree();
    m.F = Gf2Vec();
    m.I = Gf2Vec();
    if (m.n < 0 || !engine_detail::gf2_ready()) return;
    m.F = engine_detail::gf2_from_poly(f);
    if (m.n < kRecipDegree) return;
    m.I = engine_detail::gf2_from_poly(inverse_series(reverse(f, m.n), m.n - 1), m.n - 1);
}

const Poly2& poly_modulus_2() { return t_mod2.f; }

PolyMod2::PolyMod2(const Poly2& f) : m_f(reduce_poly(f)) {}
PolyMod2::PolyMod2(Poly2&& f) : m_f(reduce_poly(std::move(f))) {}
PolyMod2& PolyMod2::operator=(const Poly2& f) {
    m_f = reduce_poly(f);
    return *this;
}
PolyMod2& PolyMod2::operator=(Poly2&& f) {
    m_f = reduce_poly(std::move(f));
    return *this;
}
PolyMod2& PolyMod2::operator+=(const PolyMod2& o) {
    m_f += o.m_f;
    return *this;
}
PolyMod2& PolyMod2::operator-=(const PolyMod2& o) {
    m_f -= o.m_f;
    return *this;
}
PolyMod2& PolyMod2::operator*=(const PolyMod2& o) { return *this = *this * o; }

PolyMod2 operator-(const PolyMod2& f) { return f; }
PolyMod2 operator+(const PolyMod2& f, const PolyMod2& g) { return PolyMod2(f.poly() + g.poly()); }
PolyMod2 operator-(const PolyMod2& f, const PolyMod2& g) { return PolyMod2(f.poly() + g.poly()); }

PolyMod2 operator*(const PolyMod2& f, const PolyMod2& g) {
    if (f.is_zero() || g.is_zero() || !engine_detail::gf2_ready()) return PolyMod2();
    const Gf2Vec a = engine_detail::gf2_from_poly(f.poly());
    if (&f == &g || f == g) return PolyMod2(engine_detail::poly_from_gf2(mulmod(a, a)));
    return PolyMod2(engine_detail::poly_from_gf2(mulmod(a, engine_detail::gf2_from_poly(g.poly()))));
}

PolyMod2 operator*(const PolyMod2& f, const Gf2Elem& c) { return PolyMod2(f.poly() * c); }
PolyMod2 operator*(const Gf2Elem& c, const PolyMod2& f) { return PolyMod2(f.poly() * c); }
PolyMod2 operator/(const PolyMod2& f, const Gf2Elem& c) { return PolyMod2(f.poly() / c); }
PolyMod2 operator+(const PolyMod2& f, const Gf2Elem& c) { return PolyMod2(f.poly() + Poly2(c)); }
PolyMod2 operator-(const PolyMod2& f, const Gf2Elem& c) { return PolyMod2(f.poly() + Poly2(c)); }
bool operator==(const PolyMod2& f, const PolyMod2& g) { return f.poly() == g.poly(); }
bool operator!=(const PolyMod2& f, const PolyMod2& g) { return f.poly() != g.poly(); }

PolyMod2 pow(const PolyMod2& f, const BigInt& e) {
    if (big_is_negative(e.get())) {
        if (engine_error() == 0) report_error(10);
        return PolyMod2();
    }
    if (e.is_zero()) return PolyMod2(Poly2(1));
    if (!engine_detail::gf2_ready()) return PolyMod2();
    if (bits(e) == 1 || f.is_zero()) return f;
    const Gf2Vec r = engine_detail::poly_pow_window(
        engine_detail::gf2_from_poly(f.poly()), e, f.degree() < kRecipDegree, engine_detail::poly_abort_check(),
        [](const Gf2Vec& a, const Gf2Vec& b, bool /*square*/) { return mulmod(a, b); });
    return PolyMod2(engine_detail::poly_from_gf2(r));
}

PolyMod2 compose(const PolyMod2& f, const PolyMod2& g) {
    if (!engine_detail::gf2_ready()) return PolyMod2();
    const Gf2Vec fd = engine_detail::gf2_from_poly(f.poly());
    const int nf = fd.size();
    if (nf <= 1) return f;
    const int n = t_mod2.n >= 0 ? t_mod2.n : nf - 1;
    int b = 1;
    while (b * b < n + 1) ++b;
    std::vector<Gf2Vec> powers(static_cast<size_t>(b));
    powers[0] = engine_detail::gf2_from_poly(Poly2(1));
    reduce_dense(powers[0]);
    const Gf2Vec gd = engine_detail::gf2_from_poly(g.poly());
    for (int j = 1; j < b; ++j) powers[static_cast<size_t>(j)] = mulmod(powers[static_cast<size_t>(j - 1)], gd);
    const Gf2Vec giant = mulmod(powers[static_cast<size_t>(b - 1)], gd);
    int cols = 1;
    for (const Gf2Vec& d : powers) cols = std::max(cols, d.size());
    // Column c of the powers as an array of b bigs (zero where a power is short).
    const Gf2Vec zero(1);
    std::vector<big> gcol(static_cast<size_t>(cols) * b);
    for (int col = 0; col < cols; ++col)
        for (int j = 0; j < b; ++j) {
            const Gf2Vec& d = powers[static_cast<size_t>(j)];
            gcol[static_cast<size_t>(col) * b + j] = col < d.size() ? d[col] : zero[0];
        }
    Gf2Vec r;
    const int blocks = (nf + b - 1) / b;
    for (int blk = blocks - 1; blk >= 0; --blk) {
        const int cnt = std::min(b, nf - blk * b);
        Gf2Vec s(cols);
        for (int col = 0; col < cols; ++col)
            gf2_dotprod(cnt, fd.data() + blk * b, gcol.data() + static_cast<size_t>(col) * b, s[col]);
        if (r.size() == 0) {
            r = std::move(s);
        } else {
            r = mulmod(r, giant);
            if (r.size() < cols) {
                Gf2Vec wider(cols);
                for (int i = 0; i < r.size(); ++i) big_copy(r[i], wider[i]);
                r = std::move(wider);
            }
            for (int col = 0; col < cols; ++col) gf2_add(r[col], s[col], r[col]);
        }
        r.trim();
        engine_checkpoint();
    }
    reduce_dense(r);
    return PolyMod2(engine_detail::poly_from_gf2(r));
}

Poly2 gcd(const PolyMod2& f) { return gcd(f.poly(), t_mod2.f); }
