// Lenstra's elliptic curve method on Montgomery curves B y^2 = x^3 + A x^2 + x,
// x-only arithmetic in projective (X : Z) coordinates, Suyama's parametrisation.
//
// Curve with parameter sigma: u = sigma^2 - 5, v = 4 sigma, start point
// (u^3 : v^3), (A + 2) / 4 = (v - u)^3 (3u + v) / (16 u^3 v). Such a curve has a
// point of order 12 modulo every prime, which makes its order smoother.
//
// Phase 1 multiplies the point by e_q for every prime q below LIMIT1 (the prime
// powers of P-1). Phase 2 writes each prime q up to LIMIT2 as 2310k +- b with b
// coprime to 2310 and b <= 1155, and collects X(kD) - x(bQ) Z(kD) with D = 2310Q
// and the baby points x(bQ) normalised to Z = 1: the factor vanishes modulo p when
// (2310k - b)Q or (2310k + b)Q is the neutral element modulo p.
#include <memory>
#include <new>
#include <vector>

#include "numtheory/factor_internal.h"
#include "numtheory/factor_methods.h"

using factor_detail::Bigs;
using factor_detail::format;

namespace {

enum class CurveResult { none, found, prime_left, stopped };

struct Curve {
    big a24;
    big t1, t2, t3, t4;
};

// (x2 : z2) = 2 (x : z). Outputs may alias the inputs.
void xdbl(const Curve& c, big x, big z, big x2, big z2) {
    nres_modadd(x, z, c.t1);
    nres_modmult(c.t1, c.t1, c.t1);
    nres_modsub(x, z, c.t2);
    nres_modmult(c.t2, c.t2, c.t2);
    nres_modsub(c.t1, c.t2, c.t3);
    nres_modmult(c.t1, c.t2, x2);
    nres_modmult(c.a24, c.t3, c.t4);
    nres_modadd(c.t4, c.t2, c.t4);
    nres_modmult(c.t3, c.t4, z2);
}

// (x3 : z3) = P1 + P2 where P1 - P2 = (xd : zd). x3, z3 may alias P1 or P2, not
// the difference.
void xadd(const Curve& c, big x1, big z1, big x2, big z2, big xd, big zd, big x3, big z3) {
    nres_modsub(x1, z1, c.t1);
    nres_modadd(x2, z2, c.t2);
    nres_modmult(c.t1, c.t2, c.t1);
    nres_modadd(x1, z1, c.t3);
    nres_modsub(x2, z2, c.t4);
    nres_modmult(c.t3, c.t4, c.t3);
    nres_modadd(c.t1, c.t3, c.t2);
    nres_modmult(c.t2, c.t2, c.t2);
    nres_modsub(c.t1, c.t3, c.t4);
    nres_modmult(c.t4, c.t4, c.t4);
    nres_modmult(zd, c.t2, x3);
    nres_modmult(xd, c.t4, z3);
}

// Montgomery ladder: (x : z) = e (x : z), e >= 1. r0, r1 and d are scratch pairs.
// Also leaves (e + 1)(x : z) in (r1x : r1z).
void ladder(const Curve& c, uint64_t e, big x, big z, big r1x, big r1z, big dx, big dz) {
    big_copy(x, dx);
    big_copy(z, dz);
    xdbl(c, dx, dz, r1x, r1z);
    int top = 63;
    while (((e >> top) & 1u) == 0) --top;
    for (int i = top - 1; i >= 0; --i) {
        if ((e >> i) & 1u) {
            xadd(c, x, z, r1x, r1z, dx, dz, x, z);
            xdbl(c, r1x, r1z, r1x, r1z);
        } else {
            xadd(c, x, z, r1x, r1z, dx, dz, r1x, r1z);
            xdbl(c, x, z, x, z);
        }
    }
}

class EcmRun {
   public:
    EcmRun(big n, int limit1, int limit2, FactorReport& report, Bigs& table)
        : m_n(n), m_limit1(limit1), m_limit2(limit2), m_report(report), m_table(table), m_v(25),
          m_inv(240) {}

    bool ok() const { return m_v.ok() && m_inv.ok(); }
    CurveResult run_curve(uint32_t sigma);

   private:
    // take_gcd with the run's outcome: 1 factor, 2 g = N.
    int gcd(big x) {
        const int r = factor_detail::take_gcd(x, m_n, m_v[19], m_report);  // m_v[19]: the gcd
        if (r == 1) m_found_here = true;
        return r;
    }
    bool prime_left() { return factor_detail::prp_default(m_n); }

    big m_n;
    int m_limit1, m_limit2;
    FactorReport& m_report;
    Bigs& m_table;
    Bigs m_v;
    Bigs m_inv;
    bool m_found_here = false;

   public:
    bool found_any = false;
};

CurveResult EcmRun::run_curve(uint32_t sigma) {
    m_found_here = false;
    big mod = m_v[0], x = m_v[1], z = m_v[2], rx = m_v[3], rz = m_v[4], dx = m_v[5], dz = m_v[6];
    big s = m_v[7], u = m_v[8], w = m_v[9], num = m_v[10], den = m_v[11], acc = m_v[12];
    big gx = m_v[13], gz = m_v[14], px = m_v[15], pz = m_v[16], bx = m_v[17], bz = m_v[18];
    big a24 = m_v[20];
    Curve c{a24, m_v[21], m_v[22], m_v[23], m_v[24]};

    big_copy(m_n, mod);
    prepare_monty(mod);

    // Suyama: u = sigma^2 - 5, v = 4 sigma.
    big_from_uint(sigma, s);
    nres(s, s);
    nres_modmult(s, s, u);
    big_from_int(5, w);
    nres(w, w);
    nres_modsub(u, w, u);            // u
    nres_premult(s, 4, s);           // v
    nres_modmult(u, u, x);
    nres_modmult(x, u, x);           // x0 = u^3
    nres_modmult(s, s, z);
    nres_modmult(z, s, z);           // z0 = v^3
    nres_modsub(s, u, w);
    nres_modmult(w, w, num);
    nres_modmult(num, w, num);       // (v - u)^3
    nres_premult(u, 3, w);
    nres_modadd(w, s, w);
    nres_modmult(num, w, num);       // (v - u)^3 (3u + v)
    nres_premult(x, 16, den);
    nres_modmult(den, s, den);       // 16 u^3 v
    if (nres_moddiv(num, den, rx) != 1) {
        // 16 u^3 v shares a factor with N.
        const int r = gcd(den);
        if (r == 1) return prime_left() ? CurveResult::prime_left : CurveResult::found;
        return CurveResult::none;
    }
    big_copy(rx, a24);

    // Phase 1.
    const std::vector<uint32_t> primes1 = factor_detail::primes_below(static_cast<uint32_t>(m_limit1));
    for (uint32_t q : primes1) {
        if (m_report.stop_requested()) return CurveResult::stopped;
        ladder(c, factor_detail::phase1_power(q), x, z, rx, rz, dx, dz);
    }
    {
        const int r = gcd(z);
        if (r == 1) {
            if (prime_left()) return CurveResult::prime_left;
        } else if (r == 2) {
            return m_found_here ? CurveResult::found : CurveResult::none;
        }
    }

    // Baby steps: bQ for odd b <= 1155, X in table[b - 1], Z in table[b].
    Bigs& t = m_table;
    big_copy(x, t[0]);
    big_copy(z, t[1]);
    xdbl(c, x, z, px, pz);  // 2Q
    xadd(c, t[0], t[1], px, pz, x, z, t[2], t[3]);  // 3Q = 1Q + 2Q, difference Q
    for (int b = 5; b <= 1155; b += 2)
        xadd(c, t[b - 3], t[b - 2], px, pz, t[b - 5], t[b - 4], t[b - 1], t[b]);
    // Normalise the 240 baby points with b coprime to 2310.
    std::vector<int> used;
    for (int b = 1; b <= 1155; b += 2)
        if (b % 3 && b % 5 && b % 7 && b % 11) used.push_back(b);
    std::vector<big> zs, invs;
    for (size_t i = 0; i < used.size(); ++i) {
        zs.push_back(t[used[i]]);
        invs.push_back(m_inv[static_cast<int>(i)]);
    }
    if (!nres_multi_inverse(static_cast<int>(zs.size()), zs.data(), invs.data())) {
        // Some multiple bQ is the neutral element modulo a prime of N.
        big_copy(zs[0], acc);
        for (size_t i = 1; i < zs.size(); ++i) nres_modmult(acc, zs[i], acc);
        const int r = gcd(acc);
        if (r == 1 && prime_left()) return CurveResult::prime_left;
        return m_found_here ? CurveResult::found : CurveResult::none;
    }
    for (size_t i = 0; i < used.size(); ++i) nres_modmult(t[used[i] - 1], invs[i], t[used[i] - 1]);

    // Giant step D = 2310 Q.
    big_copy(x, dx);
    big_copy(z, dz);
    ladder(c, 2310, dx, dz, rx, rz, bx, bz);  // (dx : dz) = D
    big_from_int(1, acc);
    nres(acc, acc);
    const uint32_t last1 = primes1.empty() ? 2 : primes1.back();
    factor_detail::PrimeRange range(last1, static_cast<uint32_t>(m_limit2));
    uint32_t k = 0, q = 0, last_q = last1;
    long steps = 0;
    int outcome = 0;  // 1 prime left, 2 degenerate
    auto gcd_step = [&](uint32_t prime) {
        const int r = gcd(acc);
        if (r == 2) {
            m_report.set_status(format("ECM degenerate case...\r\nL2=0x%08X\r\nP2=0x%08X\r\n",
                                       static_cast<unsigned>(m_limit2), prime),
                                kStatusEcm);
            return 2;
        }
        if (r == 1 && prime_left()) return 1;
        m_report.set_status(format("L2=0x%08X\r\nP2=0x%08X\r\n", static_cast<unsigned>(m_limit2), prime),
                            kStatusEcm);
        return 0;
    };
    while ((q = range.next()) != 0) {
        if (m_report.stop_requested()) return CurveResult::stopped;
        const uint32_t kk = (q + 1155) / 2310;
        const uint32_t b = q > 2310 * kk ? q - 2310 * kk : 2310 * kk - q;
        if (kk != k) {
            if (k != 0 && kk == k + 1) {
                // (k+1)D = kD + D, difference (k-1)D.
                xadd(c, gx, gz, dx, dz, px, pz, bx, bz);
                big_copy(gx, px);
                big_copy(gz, pz);
                big_copy(bx, gx);
                big_copy(bz, gz);
            } else {
                // (k-1)D and kD by a ladder from D.
                big_copy(dx, px);
                big_copy(dz, pz);
                if (kk > 1) {
                    ladder(c, kk - 1, px, pz, gx, gz, bx, bz);
                } else {
                    big_copy(dx, gx);
                    big_copy(dz, gz);
                }
            }
            k = kk;
        }
        nres_modmult(t[static_cast<int>(b) - 1], gz, w);
        nres_modsub(gx, w, w);
        nres_modmult(acc, w, acc);
        last_q = q;
        ++steps;
        if (steps == 1 || steps % kPhase2GcdInterval == 0) {
            outcome = gcd_step(q);
            if (outcome != 0) break;
        }
    }
    if (outcome == 0 && steps > 1 && steps % kPhase2GcdInterval != 0) outcome = gcd_step(last_q);
    if (outcome == 1) return CurveResult::prime_left;
    return m_found_here ? CurveResult::found : CurveResult::none;
}

}  // namespace

uint32_t ecm_clamp_curves(uint64_t count) {
    if (count == 0) return 1;
    if (count >= 1737075662u) return 1737075661u;
    return static_cast<uint32_t>(count);
}

uint32_t ecm_clamp_k(uint64_t k) {
    if (k <= 8) return 9;
    if (k >= 305419897u) return 305419896u;
    return static_cast<uint32_t>(k);
}

int factor_ecm(big n, int limit1, int limit2, const std::function<uint32_t()>& curve_count, uint32_t first_k,
               FactorReport& report) {
    if (limit1 < 10000 || limit1 > 46340) limit1 = 10000;
    if (limit2 < 185360 || limit2 > (1 << 30)) limit2 = kEcmLimit2;
    std::unique_ptr<Bigs> table(new (std::nothrow) Bigs(kPhase2TableSize));
    if (!table || !table->ok()) {
        report.set_status(format("Error do_lenstra_ecm : NOT Enough Memory new ModInt[%d]...", kPhase2TableSize),
                          kStatusEcm);
        return kFactorNone;
    }
    if (big_len(n) == 0 || (n->w[0] & 1u) == 0) return kFactorNone;
    EcmRun run(n, limit1, limit2, report, *table);
    if (!run.ok()) return kFactorNone;
    uint64_t k = first_k;
    bool found = false;
    for (uint32_t i = 1;; ++i) {
        const uint32_t count = ecm_clamp_curves(curve_count());
        if (i > count) break;
        if (report.stop_requested()) return kFactorStopped;
        report.set_status(format("ECM %u/%u curves\r\nK=%u\r\n", i, count, static_cast<unsigned>(k)), kStatusEcm);
        const CurveResult r = run.run_curve(static_cast<uint32_t>(k));
        ++k;
        if (r == CurveResult::stopped) return kFactorStopped;
        if (r == CurveResult::prime_left) return kFactorPrime;
        if (r == CurveResult::found) found = true;
    }
    return found ? kFactorFound : kFactorNone;
}
