// Schoof's algorithm over GF(p): the trace of Frobenius modulo small primes and
// prime powers l, computed in GF(p)[x]/(f_l) with the division polynomials f_n.
//
// Stored division polynomials: f_n = psi_n for odd n, psi_n / y for even n, so
// that all are polynomials in x (y^2 = Y = x^3 + A x + B). A point whose
// coordinates are functions of the generic l-torsion point (x, y) is held as
// fractions x = xn/xd and y = y * yn/yd; for [n](x, y):
//   x([n]) = x - f_(n-1) f_(n+1) o_n / (f_n^2 e_n),
//   y([n]) = y (f_(n+2) f_(n-1)^2 - f_(n-2) f_(n+1)^2) / (4 f_n^3 e_n^2),
// with e_n = Y, o_n = 1 for even n and e_n = 1, o_n = Y for odd n, f_(-1) = -1.
// Equalities are tested cross-multiplied, so that zero divisors of the ring
// (points where a denominator vanishes) never need an inversion.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/modular.h"
#include "engine/poly_p.h"
#include "engine/values.h"
#include "numtheory/nt_support.h"
#include "numtheory/progress_log.h"
#include "numtheory/schoof.h"

namespace nt {

namespace {

// A point as fractions over the ring: x = xn/xd, y = y * yn/yd.
struct Frac {
    PolyModP xn, xd, yn, yd;
    bool infinity = false;
};

bool same(const PolyModP& a, const PolyModP& b, const PolyModP& c, const PolyModP& d) {
    return (a * b - c * d).is_zero();  // a*b == c*d
}

// f(z) modulo the modulus polynomial, by Horner's rule over f's terms.
PolyModP eval_at(const PolyP& f, const PolyModP& z) {
    PolyModP r;
    int prev = -1;
    for (const PolyTermP* t = f.head(); t != nullptr; t = t->next) {
        if (prev >= 0)
            for (int i = t->n; i < prev; ++i) r = r * z;
        r = r + t->c;
        prev = t->n;
    }
    for (int i = 0; i < prev; ++i) r = r * z;
    return r;
}

class SchoofP {
   public:
    SchoofP(const big_rec* A, const big_rec* B, const big_rec* p, bool special);
    bool run(const SchoofModuli& mods, TraceResidues& out);

   private:
    // Division polynomials (plain), their squares and cubes up to m_bound.
    const PolyP& f(int n);
    const PolyP& sq(int n);
    const PolyP& cube(int n);
    void extend(int n);
    // f_n reduced, with f_(-1) = -1.
    PolyModP fr(int n) { return n < 0 ? PolyModP(PolyP(-1)) : PolyModP(f(n)); }
    // [n](x, y) as fractions modulo the current modulus polynomial.
    Frac multiple(int n, const PolyModP& Ym, const PolyModP& YYm);
    // x([i]) numerator difference XP - x([i]) (denominator f_i^2 e_i).
    PolyModP x_gap(int i, const PolyModP& XP, const PolyModP& Ym);
    // The images f_n(XP) of the division polynomials, by their recurrence.
    const PolyModP& g(int n);

    void mod_two(TraceResidues& out);
    // The two-eigenvalue case of prime l: the eigenvalue found on a factor of
    // G settles t mod l. False when stopped.
    bool two_eigenvalues(int l, int k, const PolyP& G, const PolyModP& XP, TraceResidues& out,
                         size_t t);
    // phi^2 + [k] over GF(p)[x]/(f_l).
    Frac frobenius_sum(int l, int k, const PolyModP& XP, const PolyModP& XPP, const PolyModP& YPP,
                       const PolyModP& Ym, const PolyModP& YYm);

    BigInt m_p;
    ModInt m_a, m_b, m_half;
    bool m_special;
    PolyP m_x, m_Y, m_YY;
    std::vector<PolyP> m_f, m_f2, m_f3;
    int m_bound = 0;
    // Images under Frobenius for the current modulus.
    std::vector<PolyModP> m_g;
    std::vector<char> m_g_done;
    PolyModP m_gYY;  // Y(XP)^2
};

SchoofP::SchoofP(const big_rec* A, const big_rec* B, const big_rec* p, bool special)
    : m_p(p), m_a(BigInt(A)), m_b(BigInt(B)), m_half(ModInt(1) / ModInt(2)), m_special(special) {
    m_x.add_term(ModInt(1), 1);
    m_Y.add_term(ModInt(1), 3);
    m_Y.add_term(m_a, 1);
    m_Y.add_term(m_b, 0);
    m_YY = m_Y * m_Y;
    // f_0 .. f_4.
    m_f.resize(5);
    m_f[1] = PolyP(1);
    m_f[2] = PolyP(2);
    const ModInt a2 = m_a * m_a, ab = m_a * m_b;
    m_f[3].add_term(ModInt(3), 4);
    m_f[3].add_term(m_a * 6, 2);
    m_f[3].add_term(m_b * 12, 1);
    m_f[3].add_term(-a2, 0);
    m_f[4].add_term(ModInt(4), 6);
    m_f[4].add_term(m_a * 20, 4);
    m_f[4].add_term(m_b * 80, 3);
    m_f[4].add_term(-(a2 * 20), 2);
    m_f[4].add_term(-(ab * 16), 1);
    m_f[4].add_term(-(a2 * m_a * 4) - m_b * m_b * 32, 0);
}

const PolyP& SchoofP::f(int n) {
    extend(n);
    return m_f[static_cast<size_t>(n)];
}

const PolyP& SchoofP::sq(int n) {
    if (n <= m_bound) {
        while (static_cast<int>(m_f2.size()) <= n) {
            const PolyP& fi = f(static_cast<int>(m_f2.size()));
            m_f2.push_back(fi * fi);
        }
        return m_f2[static_cast<size_t>(n)];
    }
    static thread_local PolyP tmp;
    tmp = f(n) * f(n);
    return tmp;
}

const PolyP& SchoofP::cube(int n) {
    if (n <= m_bound) {
        while (static_cast<int>(m_f3.size()) <= n) {
            const int i = static_cast<int>(m_f3.size());
            m_f3.push_back(sq(i) * f(i));
        }
        return m_f3[static_cast<size_t>(n)];
    }
    static thread_local PolyP tmp;
    tmp = sq(n) * f(n);
    return tmp;
}

void SchoofP::extend(int n) {
    while (static_cast<int>(m_f.size()) <= n && engine_error() == 0) {
        const int k = static_cast<int>(m_f.size());
        const int m = k / 2;
        PolyP v;
        if (k % 2 == 1) {
            if (m % 2 == 0)
                v = m_YY * f(m + 2) * cube(m) - f(m - 1) * cube(m + 1);
            else
                v = f(m + 2) * cube(m) - m_YY * f(m - 1) * cube(m + 1);
        } else {
            v = f(m) * (f(m + 2) * sq(m - 1) - f(m - 2) * sq(m + 1)) * m_half;
        }
        m_f.push_back(std::move(v));
    }
}

Frac SchoofP::multiple(int n, const PolyModP& Ym, const PolyModP& YYm) {
    Frac r;
    const bool even = n % 2 == 0;
    const PolyModP fn = fr(n), fm1 = fr(n - 1), fp1 = fr(n + 1);
    const PolyModP fn2 = fn * fn;
    r.xd = even ? fn2 * Ym : fn2;
    PolyModP cross = fm1 * fp1;
    if (!even) cross = cross * Ym;
    r.xn = PolyModP(m_x) * r.xd - cross;
    r.yn = fr(n + 2) * fm1 * fm1 - fr(n - 2) * fp1 * fp1;
    r.yd = fn2 * fn * ModInt(4);
    if (even) r.yd = r.yd * YYm;
    return r;
}

PolyModP SchoofP::x_gap(int i, const PolyModP& XP, const PolyModP& Ym) {
    const bool even = i % 2 == 0;
    PolyModP a = (XP - PolyModP(m_x)) * PolyModP(sq(i));
    if (even) a = a * Ym;
    PolyModP b = PolyModP(f(i - 1) * f(i + 1));
    if (!even) b = b * Ym;
    return a + b;
}

const PolyModP& SchoofP::g(int n) {
    while (static_cast<int>(m_g.size()) <= n) {
        const int k = static_cast<int>(m_g.size());
        const int m = k / 2;
        PolyModP v;
        if (k % 2 == 1) {
            const PolyModP gm = g(m), gm1 = g(m + 1);
            if (m % 2 == 0)
                v = m_gYY * g(m + 2) * gm * gm * gm - g(m - 1) * gm1 * gm1 * gm1;
            else
                v = g(m + 2) * gm * gm * gm - m_gYY * g(m - 1) * gm1 * gm1 * gm1;
        } else {
            const PolyModP gm1 = g(m - 1), gp1 = g(m + 1);
            v = g(m) * (g(m + 2) * gm1 * gm1 - g(m - 2) * gp1 * gp1) * m_half;
        }
        m_g.push_back(std::move(v));
    }
    return m_g[static_cast<size_t>(n)];
}

void SchoofP::mod_two(TraceResidues& out) {
    // t is odd exactly when Y has no root: gcd(x^p - x, Y) = 1.
    set_modulus(m_Y);
    const PolyModP XP = pow(PolyModP(m_x), m_p);
    const PolyP G = gcd(XP - PolyModP(m_x));
    record_residue(out, 0, G.is_one() ? 1 : 0);
    const int np2 = out.tau[0];  // (p + 1 - t) mod 2 with p odd
    log_append("NP mod 2 = ");
    log_append_width(std::to_string(np2), 5);
    log_append(np2 == 1 ? " \r\n" : " ***\r\n");
}

bool SchoofP::two_eigenvalues(int l, int k, const PolyP& G, const PolyModP& XP,
                              TraceResidues& out, size_t t) {
    set_modulus(G);
    log_step(4, "Y^P ");
    const PolyModP Yg(m_Y), YYg(m_YY), XPg(XP.poly());
    const PolyModP YP = pow(Yg, (m_p - 1) / 2);
    log_drop(4);
    if (stop_point(kAbort2)) return false;
    return search_eigenvalues(l, k, kAbort1, out, t, [&](int i) {
        const PolyP on = gcd(x_gap(i, XPg, Yg).poly(), G);
        if (on.degree() < 1) return Match::none;
        // phi = +-[i] on the factor `on`; the y-coordinates tell the sign.
        const Frac K = multiple(i, Yg, YYg);
        const PolyP plus = gcd((YP * K.yd - K.yn).poly(), on);
        return plus.degree() < 1 ? Match::minus : Match::plus;
    });
}

Frac SchoofP::frobenius_sum(int l, int k, const PolyModP& XP, const PolyModP& XPP,
                            const PolyModP& YPP, const PolyModP& Ym, const PolyModP& YYm) {
    (void)XP;
    Frac K = multiple(k, Ym, YYm);
    Frac S;
    if ((XPP * K.xd - K.xn).is_zero()) {
        // phi^2 = +-[k] on the whole l-torsion.
        if ((YPP * K.yd - K.yn).is_zero()) {
            const int j = (2 * k) % l;  // phi^2 + [k] = [2k]
            if (j == 0) {
                S.infinity = true;
                return S;
            }
            return multiple(j, Ym, YYm);
        }
        S.infinity = true;  // phi^2 = -[k]
        return S;
    }
    // Chord through phi^2 = (XPP, y YPP) and [k] = (xn/xd, y yn/yd): slope y Ln/Ld.
    const PolyModP Ln = (K.yn - YPP * K.yd) * K.xd;
    const PolyModP Ld = (K.xn - XPP * K.xd) * K.yd;
    const PolyModP Ld2 = Ld * Ld;
    S.xd = Ld2 * K.xd;
    S.xn = Ym * Ln * Ln * K.xd - Ld2 * (XPP * K.xd + K.xn);
    S.yn = Ln * (XPP * S.xd - S.xn) - YPP * Ld * S.xd;
    S.yd = Ld * S.xd;
    return S;
}

bool SchoofP::run(const SchoofModuli& mods, TraceResidues& out) {
    const size_t n = mods.list.size();
    out.tau.assign(n, 0);
    out.known.assign(n, 0);
    int largest = 2;
    for (int l : mods.list) largest = std::max(largest, l);
    m_bound = (largest + 1) / 2 + 1;
    mod_two(out);
    const BigInt half = (m_p - 1) / 2, p1 = m_p + 1;
    for (size_t t = 1; t < n; ++t) {
        if (engine_error() != 0) return true;
        const int l = mods.list[t];
        const int k = m_p % l;
        const int base = prime_power_base(l);
        extend(l + 1);
        std::vector<char> cand(static_cast<size_t>(l / 2 + 1), 1);
        set_modulus(f(l));
        const PolyModP Ym(m_Y), YYm(m_YY);
        log_append("X^P ");
        const PolyModP XP = pow(PolyModP(m_x), m_p);
        if (stop_point(kAbort1)) return false;
        if (base == 0 && !m_special) {
            log_step(4, "GCD ");
            PolyModP prod(PolyP(1));
            for (int i = 1; i <= (l - 1) / 2; ++i) prod = prod * x_gap(i, XP, Ym);
            const PolyP G = gcd(prod);
            if (G.degree() == l - 1) {
                if (!two_eigenvalues(l, k, G, XP, out, t)) return false;
                continue;
            }
            narrow_by_eigenvalues(cand, l, k, G.degree() >= 1);
        }
        if (base != 0) narrow_by_base(cand, l, base, mods, out);
        log_step(4, "Y^P ");
        const PolyModP YP = pow(Ym, half);
        log_step(4, "X^PP ");
        if (stop_point(kAbort3)) return false;
        const PolyModP XPP = l >= 40 ? pow(XP, m_p) : compose(XP, XP);
        log_step(5, "Y^PP ");
        if (stop_point(kAbort3)) return false;
        const PolyModP YPP = l >= 40 ? pow(YP, p1) : YP * compose(YP, XP);
        log_drop(5);

        const Frac S = frobenius_sum(l, k, XP, XPP, YPP, Ym, YYm);
        log_append(format("NP mod %d = ", l));
        const int np_plus = mod_l(k + 1, l);
        if (S.infinity) {
            settle_residue(out, t, 0, np_plus);
            continue;
        }

        // [tau] phi for the candidates, from f_i(XP) made by the recurrence.
        const PolyModP Yphi = XP * XP * XP + XP * m_a + m_b;
        m_gYY = Yphi * Yphi;
        m_g.clear();
        m_g.emplace_back(PolyP());
        m_g.emplace_back(PolyP(1));
        m_g.emplace_back(PolyP(2));
        m_g.push_back(eval_at(f(3), XP));
        m_g.push_back(eval_at(f(4), XP));
        const bool settled = search_candidates(l, np_plus, cand, out, t, [&](int tau) {
            const bool even = tau % 2 == 0;
            const PolyModP gt = g(tau), gm1 = g(tau - 1), gp1 = g(tau + 1);
            PolyModP Td = gt * gt;
            if (even) Td = Td * Yphi;
            PolyModP cross = gm1 * gp1;
            if (!even) cross = cross * Yphi;
            const PolyModP Tn = XP * Td - cross;
            if (!same(S.xn, Td, Tn, S.xd)) return Match::none;
            const PolyModP gm2 = tau >= 2 ? g(tau - 2) : PolyModP(PolyP(-1));
            const PolyModP Un = YP * (g(tau + 2) * gm1 * gm1 - gm2 * gp1 * gp1);
            PolyModP Ud = gt * gt * gt * ModInt(4);
            if (even) Ud = Ud * m_gYY;
            return same(S.yn, Ud, Un, S.yd) ? Match::plus : Match::minus;
        });
        if (!settled) return false;
    }
    return true;
}

}  // namespace

bool schoof_residues_gfp(const big_rec* A, const big_rec* B, const big_rec* p, bool special,
                         const SchoofModuli& mods, TraceResidues& out) {
    PolyAbortScope abort_scope;
    SchoofP s(A, B, p, special);
    return s.run(mods, out);
}

}  // namespace nt
