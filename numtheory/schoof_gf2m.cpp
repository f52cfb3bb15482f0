// Schoof's algorithm over GF(2^m) for the ordinary curve
// y^2 + x y = x^3 + A x^2 + B, q = 2^m.
//
// Odd moduli l work in GF(2^m)[x]/(f_l) with the characteristic-2 division
// polynomials (f_0 = 0, f_1 = 1, f_2 = x, f_3 = x^4 + x^3 + B, f_4 = x^6 + B x^2,
// f_(2k+1) = f_(k+2) f_k^3 + f_(k-1) f_(k+1)^3,
// f_(2k) = f_k (f_(k+2) f_(k-1)^2 + f_(k-2) f_(k+1)^2) / x, f_(-1) = 1).
// Every point Q that is a function of the generic torsion point (x, y) has
// y(Q) = (x(Q)/x) y + alpha(Q) with alpha a function of x alone, so a point is
// held as the fractions x(Q) and alpha(Q). For [n](x, y):
//   x([n])     = x + f_(n-1) f_(n+1) / f_n^2,
//   alpha([n]) = x + (x + 1) f_(n-1) f_(n+1) / f_n^2 + f_(n-2) f_(n+1)^2 / (x f_n^3);
// for Frobenius, y^q = (x^q / x) y + u with u from m squarings of y; and a sum
// P1 + P2 has lambda = y/x + l0, l0 = (alpha1 + alpha2)/(x1 + x2),
//   x3 = l0^2 + l0 + c/x^2 + x1 + x2 + A (c = x^3 + A x^2 + B),
//   alpha3 = l0 (x1 + x3) + x3 + alpha1.
//
// Powers of 2 from 4 on: E[2^k] is cyclic and Frobenius acts on it as an odd
// lambda with t = lambda (mod 2^k) (since q = 0 mod 2^k). The x-coordinates of
// the points of order 2^k are the roots of h_k (h_2 = x + B^(1/4),
// h_k(x) = x^d h~_(k-1)(x + sqrt(B)/x) with d = deg h_(k-1) and h~ the
// coefficient-wise square root); lambda is found up to sign by walking
// x([lambda](x)) for odd lambda with x(P+Q) = x(P-Q) + x(P)x(Q)/(x(P)+x(Q))^2
// against x^q, and the sign by NP mod 4 (0 when Tr(A) = 0, else 2).
#include <algorithm>
#include <string>
#include <vector>

#include "engine/gf2m.h"
#include "engine/modular.h"
#include "engine/poly_2.h"
#include "engine/values.h"
#include "numtheory/nt_support.h"
#include "numtheory/progress_log.h"
#include "numtheory/schoof.h"

namespace nt {

namespace {

// A point as fractions: x = xn/xd, alpha = an/ad.
struct Frac2 {
    PolyMod2 xn, xd, an, ad;
    bool infinity = false;
};

bool same(const PolyMod2& a, const PolyMod2& b, const PolyMod2& c, const PolyMod2& d) {
    return (a * b + c * d).is_zero();  // a*b == c*d in characteristic 2
}

class Schoof2 {
   public:
    Schoof2(const big_rec* A, const big_rec* B, int m);
    bool run(const SchoofModuli& mods, TraceResidues& out);

   private:
    const Poly2& f(int n);
    const Poly2& sq(int n);
    const Poly2& cube(int n);
    void extend(int n);
    PolyMod2 fr(int n) { return n < 0 ? PolyMod2(Poly2(1)) : PolyMod2(f(n)); }
    Frac2 multiple(int n);
    PolyMod2 x_gap(int i, const PolyMod2& XP);
    // u with y^q = (x^q/x) y + u, modulo the current modulus; false when stopped.
    bool frobenius_y(PolyMod2& u);
    // x^-1 modulo the current modulus (its constant term is not 0).
    PolyMod2 x_inverse();
    const PolyMod2& g(int n);
    Frac2 frobenius_sum(int l, int k, const PolyMod2& XPP, const PolyMod2& u2);
    bool two_eigenvalues(int l, int k, const Poly2& G, const PolyMod2& XP, TraceResidues& out,
                         size_t t);
    // The residue modulo 2^k; false when stopped.
    bool power_of_two(int l, TraceResidues& out, size_t t);

    BigInt m_q;
    int m_m;
    Gf2Elem m_a, m_b;
    Poly2 m_x, m_c;
    std::vector<Poly2> m_f, m_f2, m_f3;
    int m_bound = 0;
    std::vector<PolyMod2> m_g;
    PolyMod2 m_xpinv;
};

Schoof2::Schoof2(const big_rec* A, const big_rec* B, int m)
    : m_q(pow(BigInt(2), m)), m_m(m), m_a(BigInt(A)), m_b(BigInt(B)) {
    m_x.add_term(Gf2Elem(1), 1);
    m_c.add_term(Gf2Elem(1), 3);
    m_c.add_term(m_a, 2);
    m_c.add_term(m_b, 0);
    m_f.resize(5);
    m_f[1] = Poly2(1);
    m_f[2] = m_x;
    m_f[3].add_term(Gf2Elem(1), 4);
    m_f[3].add_term(Gf2Elem(1), 3);
    m_f[3].add_term(m_b, 0);
    m_f[4].add_term(Gf2Elem(1), 6);
    m_f[4].add_term(m_b, 2);
}

const Poly2& Schoof2::f(int n) {
    extend(n);
    return m_f[static_cast<size_t>(n)];
}

const Poly2& Schoof2::sq(int n) {
    while (static_cast<int>(m_f2.size()) <= std::min(n, m_bound)) {
        const Poly2& fi = f(static_cast<int>(m_f2.size()));
        m_f2.push_back(fi * fi);
    }
    if (n <= m_bound) return m_f2[static_cast<size_t>(n)];
    static thread_local Poly2 tmp;
    tmp = f(n) * f(n);
    return tmp;
}

const Poly2& Schoof2::cube(int n) {
    while (static_cast<int>(m_f3.size()) <= std::min(n, m_bound)) {
        const int i = static_cast<int>(m_f3.size());
        m_f3.push_back(sq(i) * f(i));
    }
    if (n <= m_bound) return m_f3[static_cast<size_t>(n)];
    static thread_local Poly2 tmp;
    tmp = f(n) * f(n) * f(n);
    return tmp;
}

void Schoof2::extend(int n) {
    while (static_cast<int>(m_f.size()) <= n && engine_error() == 0) {
        const int k = static_cast<int>(m_f.size());
        const int h = k / 2;
        Poly2 v;
        if (k % 2 == 1)
            v = f(h + 2) * cube(h) + f(h - 1) * cube(h + 1);
        else
            v = shift(f(h) * (f(h + 2) * sq(h - 1) + f(h - 2) * sq(h + 1)), -1);  // exact: / x
        m_f.push_back(std::move(v));
    }
}

Frac2 Schoof2::multiple(int n) {
    Frac2 r;
    const PolyMod2 fn = fr(n), fm1 = fr(n - 1), fp1 = fr(n + 1), X(m_x);
    const PolyMod2 fn2 = fn * fn, fn3 = fn2 * fn, cross = fm1 * fp1;
    r.xd = fn2;
    r.xn = X * fn2 + cross;
    r.ad = X * fn3;
    r.an = X * X * fn3 + (X * X + X) * cross * fn + fr(n - 2) * fp1 * fp1;
    return r;
}

PolyMod2 Schoof2::x_gap(int i, const PolyMod2& XP) {
    return (XP + PolyMod2(m_x)) * PolyMod2(sq(i)) + PolyMod2(f(i - 1) * f(i + 1));
}

bool Schoof2::frobenius_y(PolyMod2& u) {
    // (u + b y)^2 = (u^2 + b^2 c) + (b^2 x) y, from u = 0, b = 1, m times.
    const PolyMod2 c(m_c), X(m_x);
    PolyMod2 b(Poly2(1));
    u = PolyMod2();
    for (int j = 0; j < m_m; ++j) {
        const PolyMod2 b2 = b * b;
        u = u * u + b2 * c;
        b = b2 * X;
        if (abort_requested()) return false;
    }
    return true;
}

PolyMod2 Schoof2::x_inverse() {
    // F = x Q + F(0), so x * Q / F(0) = 1 modulo F.
    const Poly2& F = poly_modulus_2();
    return PolyMod2(shift(F, -1) / F.coeff(0));
}

const PolyMod2& Schoof2::g(int n) {
    while (static_cast<int>(m_g.size()) <= n) {
        const int k = static_cast<int>(m_g.size());
        const int h = k / 2;
        PolyMod2 v;
        if (k % 2 == 1) {
            const PolyMod2 gh = g(h), gh1 = g(h + 1);
            v = g(h + 2) * gh * gh * gh + g(h - 1) * gh1 * gh1 * gh1;
        } else {
            const PolyMod2 gm1 = g(h - 1), gp1 = g(h + 1);
            v = g(h) * (g(h + 2) * gm1 * gm1 + g(h - 2) * gp1 * gp1) * m_xpinv;
        }
        m_g.push_back(std::move(v));
    }
    return m_g[static_cast<size_t>(n)];
}

Frac2 Schoof2::frobenius_sum(int l, int k, const PolyMod2& XPP, const PolyMod2& u2) {
    const Frac2 K = multiple(k);
    Frac2 S;
    const PolyMod2 dx = XPP * K.xd + K.xn;  // (x1 + x2) * xd
    if (dx.is_zero()) {
        if (same(u2, K.ad, K.an, PolyMod2(Poly2(1)))) {
            const int j = (2 * k) % l;  // phi^2 = [k]: the sum is [2k]
            if (j == 0) {
                S.infinity = true;
                return S;
            }
            return multiple(j);
        }
        S.infinity = true;  // phi^2 = -[k]
        return S;
    }
    const PolyMod2 X(m_x), X2 = X * X, c(m_c);
    const PolyMod2 Ln = (u2 * K.ad + K.an) * K.xd;
    const PolyMod2 Ld = dx * K.ad;
    const PolyMod2 Ld2 = Ld * Ld, Ld2x2 = Ld2 * X2;
    S.xd = Ld2x2 * K.xd;
    S.xn = (Ln * Ln + Ln * Ld) * X2 * K.xd + c * Ld2 * K.xd + dx * Ld2x2 + S.xd * m_a;
    S.an = Ln * (XPP * S.xd + S.xn) + Ld * S.xn + u2 * Ld * S.xd;
    S.ad = Ld * S.xd;
    return S;
}

bool Schoof2::two_eigenvalues(int l, int k, const Poly2& G, const PolyMod2& XP, TraceResidues& out,
                              size_t t) {
    set_modulus(G);
    log_step(4, "Y^P ");
    PolyMod2 u;
    const bool done = frobenius_y(u);
    log_drop(4);
    if (stop_point(kAbort1, done)) return false;
    const PolyMod2 XPg(XP.poly());
    return search_eigenvalues(l, k, kAbort3, out, t, [&](int i) {
        const Poly2 on = gcd(x_gap(i, XPg).poly(), G);
        if (on.degree() < 1) return Match::none;
        // phi = +-[i] on the factor `on`; alpha tells the sign.
        const Frac2 K = multiple(i);
        const Poly2 plus = gcd((u * K.ad + K.an).poly(), on);
        return plus.degree() < 1 ? Match::minus : Match::plus;
    });
}

bool Schoof2::power_of_two(int l, TraceResidues& out, size_t t) {
    // h_2 = x + B^(1/4), then h_j(x) = x^d h~_(j-1)(x + sqrt(B)/x).
    const Gf2Elem sb = sqrt(m_b);
    Poly2 h;
    h.add_term(Gf2Elem(1), 1);
    h.add_term(sqrt(sb), 0);
    Poly2 step;  // x^2 + sqrt(B)
    step.add_term(Gf2Elem(1), 2);
    step.add_term(sb, 0);
    for (int j = 8; j <= l; j *= 2) {
        const int d = h.degree();
        Poly2 next, pw(1);
        for (int i = 0; i <= d; ++i) {
            next += shift(pw, d - i) * sqrt(h.coeff(i));
            pw = pw * step;
        }
        h = std::move(next);
    }
    set_modulus(h);
    log_append("X^P ");
    const PolyMod2 X(m_x), XQ = pow(X, m_q);
    log_drop(4);
    if (stop_point(kAbort3)) return false;
    // x([lambda]) for odd lambda = 1, 3, ... as Xl/Zl, with x([2]) = (x^4 + B)/x^2.
    const PolyMod2 X2n = X * X * X * X + m_b, X2d = X * X;
    PolyMod2 prevN = X, prevD(Poly2(1)), curN = X, curD(Poly2(1));
    int found = 0;
    for (int lam = 1; lam < l / 2; lam += 2) {
        if (same(XQ, curD, curN, PolyMod2(Poly2(1)))) {
            found = lam;
            break;
        }
        const PolyMod2 N = curN * X2n * curD * X2d;
        PolyMod2 Dd = curN * X2d + X2n * curD;
        Dd = Dd * Dd;
        const PolyMod2 nextN = prevN * Dd + N * prevD, nextD = prevD * Dd;
        prevN = curN;
        prevD = curD;
        curN = nextN;
        curD = nextD;
    }
    log_append(format("NP mod %d = ", l));
    if (found == 0) {
        log_unknown_residue(" \r\n");
        return true;
    }
    // NP = 1 - lambda (mod 2^k); the sign of lambda by NP mod 4.
    const int np4 = gf2_trace(m_a.get()) == 0 ? 0 : 2;
    int lambda = found;
    if (mod_l(1 - lambda, 4) != np4) lambda = l - found;
    settle_residue(out, t, lambda % l, mod_l(1 - lambda, l));
    return true;
}

bool Schoof2::run(const SchoofModuli& mods, TraceResidues& out) {
    const size_t n = mods.list.size();
    out.tau.assign(n, 0);
    out.known.assign(n, 0);
    // t = q + 1 - NP is odd: NP is even (the point (0, sqrt(B)) has order 2).
    record_residue(out, 0, 1);
    int largest = 2;
    for (int l : mods.list)
        if (l % 2 == 1) largest = std::max(largest, l);
    m_bound = (largest + 1) / 2 + 1;
    for (size_t t = 1; t < n; ++t) {
        if (engine_error() != 0) return true;
        const int l = mods.list[t];
        if (l % 2 == 0) {
            if (!power_of_two(l, out, t)) return false;
            continue;
        }
        const int k = m_q % l;
        const int base = prime_power_base(l);
        extend(l + 1);
        std::vector<char> cand(static_cast<size_t>(l / 2 + 1), 1);
        set_modulus(f(l));
        log_append("X^P ");
        const PolyMod2 XP = pow(PolyMod2(m_x), m_q);
        if (stop_point(kAbort3)) return false;
        if (base == 0) {
            log_step(4, "GCD ");
            PolyMod2 prod(Poly2(1));
            for (int i = 1; i <= (l - 1) / 2; ++i) prod = prod * x_gap(i, XP);
            const Poly2 G = gcd(prod);
            if (G.degree() == l - 1) {
                if (!two_eigenvalues(l, k, G, XP, out, t)) return false;
                continue;
            }
            narrow_by_eigenvalues(cand, l, k, G.degree() >= 1);
        } else {
            narrow_by_base(cand, l, base, mods, out);
        }
        log_step(4, "Y^P ");
        PolyMod2 u;
        const bool u_done = frobenius_y(u);
        m_xpinv = pow(x_inverse(), m_q);  // 1/x^q = (1/x)^q
        log_step(4, "X^PP ");
        if (stop_point(kAbort3, u_done)) return false;
        const PolyMod2 XPP = l >= 40 ? pow(XP, m_q) : compose(XP, XP);
        log_step(5, "Y^PP ");
        if (stop_point(kAbort3)) return false;
        // y^(q^2) = (x^(q^2)/x) y + u(x^q) + u x^(q^2) / x^q.
        const PolyMod2 uXP = l >= 40 ? pow(u, m_q) : compose(u, XP);
        const PolyMod2 u2 = uXP + u * XPP * m_xpinv;
        log_drop(5);

        const Frac2 S = frobenius_sum(l, k, XPP, u2);
        log_append(format("NP mod %d = ", l));
        const int np_plus = mod_l(k + 1, l);
        if (S.infinity) {
            settle_residue(out, t, 0, np_plus);
            continue;
        }
        m_g.clear();
        m_g.emplace_back(Poly2());
        m_g.emplace_back(Poly2(1));
        m_g.push_back(XP);
        const PolyMod2 XP2 = XP * XP, XP3 = XP2 * XP, XP4 = XP2 * XP2;
        m_g.push_back(XP4 + XP3 + m_b);
        m_g.push_back(XP4 * XP2 + XP2 * m_b);
        const PolyMod2 uxi = u * m_xpinv;
        const bool settled = search_candidates(l, np_plus, cand, out, t, [&](int tau) {
            const PolyMod2 gt = g(tau), gm1 = g(tau - 1), gp1 = g(tau + 1);
            const PolyMod2 Td = gt * gt, cross = gm1 * gp1;
            const PolyMod2 Tn = XP * Td + cross;
            if (!same(S.xn, Td, Tn, S.xd)) return Match::none;
            const PolyMod2 gm2 = tau >= 2 ? g(tau - 2) : PolyMod2(Poly2(1));
            const PolyMod2 Ad = Td * gt;
            const PolyMod2 An = Tn * gt * uxi + XP * Ad + (XP + Gf2Elem(1)) * cross * gt +
                                gm2 * gp1 * gp1 * m_xpinv;
            return same(S.an, Ad, An, S.ad) ? Match::plus : Match::minus;
        });
        if (!settled) return false;
    }
    return true;
}

}  // namespace

bool schoof_residues_gf2m(const big_rec* A, const big_rec* B, int m, const SchoofModuli& mods,
                          TraceResidues& out) {
    PolyAbortScope abort_scope;
    Schoof2 s(A, B, m);
    return s.run(mods, out);
}

}  // namespace nt
