// Pollard P-1 and Williams P+1 in one frame.
//
// Phase 1 computes x = a^E (P-1) or x = V_E(P0) (P+1, Lucas sequence) with E the
// product of the prime powers e_q for q below LIMIT1. Phase 2 works for both on
// Lucas values: with v = x + 1/x (P-1) or v = x (P+1), V_m(v) = y^m + y^-m for
// the y whose order is sought, so V_G(v) - V_b(v) vanishes modulo p when the
// order divides G - b or G + b. A prime q of phase 2 is written q = 2310k +- b
// with b <= 1155 coprime to 2310 (a residue above 1155 is folded onto the next
// giant step), and each contributes the factor V_2310k(v) - V_b(v).
#include <memory>
#include <new>

#include "numtheory/factor_internal.h"
#include "numtheory/factor_methods.h"

using factor_detail::Bigs;
using factor_detail::format;

namespace {

struct FrameTexts {
    const char* no_memory;
    const char* degenerate;
    const char* progress;
    int code;
    int tries;
};

const FrameTexts kPm1Texts{
    "Error do_pollard : NOT Enough Memory new ModInt[%d]...",
    "Pollard P-1 degenerate case...\r\nL2=0x%08X\r\nP2=0x%08X\r\n",
    "Pollard P-1[L2]\r\nNTRYS %d/%d\r\nL2=0x%08X\r\nP2=0x%08X\r\n",
    kStatusPm1,
    2,
};

const FrameTexts kPp1Texts{
    "Error do_williams : NOT Enough Memory new ModInt[%d]...",
    "Williams P+1 degenerate case...\r\nL2=0x%08X\r\nP2=0x%08X\r\n",
    "Williams P+1[L2]\r\nNTRYS %d/%d\r\nL2=0x%08X\r\nP2=0x%08X\r\n",
    kStatusPp1,
    3,
};

// Phase 1 applies the collected exponent whenever it grows past this many bits.
constexpr int kExponentBatchBits = 1536;

enum class Outcome { go_on, found_prime, degenerate, stopped };

int run_frame(big n, int limit1, int limit2, FactorReport& report, bool plus1) {
    const FrameTexts& tx = plus1 ? kPp1Texts : kPm1Texts;
    if (limit1 < 10000 || limit1 > 46340) limit1 = 10000;
    if (limit2 < 185360 || limit2 > (1 << 30)) limit2 = kPm1Limit2;
    if (factor_detail::prp3(n)) return kFactorPrime;
    if (big_len(n) == 0 || (n->w[0] & 1u) == 0) return kFactorNone;

    std::unique_ptr<Bigs> table(new (std::nothrow) Bigs(kPhase2TableSize));
    if (!table || !table->ok()) {
        report.set_status(format(tx.no_memory, kPhase2TableSize), tx.code);
        return kFactorNone;
    }
    Bigs v(14);
    if (!v.ok()) return kFactorNone;
    big mod = v[0], x = v[1], e = v[2], g = v[3], one = v[4], two = v[5], w = v[6], acc = v[7];
    big gk = v[8], gkm1 = v[9], t = v[10], val = v[11], v2 = v[12], tmp = v[13];

    const std::vector<uint32_t> primes1 = factor_detail::primes_below(static_cast<uint32_t>(limit1));
    const uint32_t last1 = primes1.empty() ? 2 : primes1.back();
    bool found = false;

    for (int attempt = 0; attempt < tx.tries; ++attempt) {
        if (report.stop_requested()) return kFactorStopped;
        big_copy(n, mod);
        prepare_monty(mod);
        big_from_int(1, one);
        nres(one, one);
        big_from_int(2, two);
        nres(two, two);
        big_from_int(plus1 ? attempt + 8 : attempt + 2, x);
        nres(x, x);

        // Phase 1.
        auto apply = [&]() {
            if (plus1) {
                nres_lucas(x, e, tmp, t);
                big_copy(t, x);
            } else {
                nres_powmod(x, e, x);
            }
            big_from_int(1, e);
        };
        big_from_int(1, e);
        for (uint32_t q : primes1) {
            premult(e, static_cast<int>(factor_detail::phase1_power(q)), e);
            if (logb2(e) >= kExponentBatchBits) {
                if (report.stop_requested()) return kFactorStopped;
                apply();
            }
        }
        apply();
        nres_modsub(x, plus1 ? two : one, t);
        const int r1 = factor_detail::take_gcd(t, n, g, report);
        if (r1 == 1) {
            found = true;
            if (factor_detail::prp3(n)) return kFactorFound;
        } else if (r1 == 2) {
            continue;  // every prime of N at once: another start may separate them
        }

        // Phase 2 on v.
        if (plus1) {
            big_copy(x, val);
        } else {
            if (nres_moddiv(one, x, t) != 1) continue;
            nres_modadd(x, t, val);
        }
        // Baby steps V_j(v) for odd j <= 1155.
        nres_modmult(val, val, v2);
        nres_modsub(v2, two, v2);
        big_copy(val, (*table)[1]);
        nres_modmult(val, v2, t);
        nres_modsub(t, val, (*table)[3]);
        for (int j = 5; j < kPhase2TableSize; j += 2) {
            nres_modmult((*table)[j - 2], v2, t);
            nres_modsub(t, (*table)[j - 4], (*table)[j]);
        }
        // Giant step W = V_2310(v); V_k(W) = V_2310k(v).
        big_from_int(2310, t);
        nres_lucas(val, t, tmp, w);

        factor_detail::PrimeRange range(last1, static_cast<uint32_t>(limit2));
        big_copy(one, acc);
        long steps = 0;
        uint32_t k = 0;
        uint32_t q = 0, last_q = last1;
        Outcome outcome = Outcome::go_on;
        auto gcd_step = [&](uint32_t prime) {
            const int r = factor_detail::take_gcd(acc, n, g, report);
            if (r == 2) {
                report.set_status(format(tx.degenerate, static_cast<unsigned>(limit2), prime), tx.code);
                return Outcome::degenerate;
            }
            if (r == 1) {
                found = true;
                if (factor_detail::prp3(n)) return Outcome::found_prime;
            }
            report.set_status(format(tx.progress, attempt + 1, tx.tries, static_cast<unsigned>(limit2), prime),
                              tx.code);
            return Outcome::go_on;
        };
        while ((q = range.next()) != 0) {
            if (report.stop_requested()) return kFactorStopped;
            const uint32_t kk = (q + 1155) / 2310;
            const uint32_t b = q > 2310 * kk ? q - 2310 * kk : 2310 * kk - q;
            if (kk != k) {
                if (k != 0 && kk == k + 1) {
                    nres_modmult(gk, w, t);
                    nres_modsub(t, gkm1, t);
                    big_copy(gk, gkm1);
                    big_copy(t, gk);
                } else {
                    big_from_uint(kk, t);
                    nres_lucas(w, t, gkm1, gk);
                }
                k = kk;
            }
            nres_modsub(gk, (*table)[static_cast<int>(b)], t);
            nres_modmult(acc, t, acc);
            last_q = q;
            ++steps;
            if (steps == 1 || steps % kPhase2GcdInterval == 0) {
                outcome = gcd_step(q);
                if (outcome != Outcome::go_on) break;
            }
        }
        // The steps since the last gcd are not wasted: one more gcd at the end.
        if (outcome == Outcome::go_on && steps % kPhase2GcdInterval != 0 && steps > 1)
            outcome = gcd_step(last_q);
        if (outcome == Outcome::found_prime) return kFactorFound;
        if (outcome == Outcome::degenerate) return kFactorNone;
    }
    return found ? kFactorFound : kFactorNone;
}

}  // namespace

int factor_pm1(big n, int limit1, int limit2, FactorReport& report) {
    return run_frame(n, limit1, limit2, report, false);
}

int factor_pp1(big n, int limit1, int limit2, FactorReport& report) {
    return run_frame(n, limit1, limit2, report, true);
}
