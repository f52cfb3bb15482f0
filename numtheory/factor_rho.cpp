// Pollard rho with Brent's cycle search.
#include "numtheory/factor_internal.h"
#include "numtheory/factor_methods.h"

using factor_detail::Bigs;
using factor_detail::format;

namespace {

constexpr int kBatch = 10;
constexpr int kFirstStart = 3;
constexpr int kAddend = 3;

}  // namespace

int factor_rho(big n, int tries, FactorReport& report) {
    if (big_len(n) == 0 || (n->w[0] & 1u) == 0 || (big_len(n) == 1 && n->w[0] < 3)) return kFactorRhoTries;
    Bigs v(9);
    if (!v.ok()) return kFactorNone;
    big mod = v[0], x = v[1], y = v[2], ys = v[3], q = v[4], d = v[5], c = v[6], g = v[7], one = v[8];
    big_copy(n, mod);
    prepare_monty(mod);
    big_from_int(kAddend, c);
    nres(c, c);
    big_from_int(1, one);
    nres(one, one);

    int start = kFirstStart;
    int iter = 0;
    auto step = [&](big z) {  // z := z^2 + 3
        nres_modmult(z, z, z);
        nres_modadd(z, c, z);
    };
    // One iteration counted; false when the run must end (stop or out of tries).
    int result = 0;
    auto count = [&]() {
        if (report.stop_requested()) {
            result = kFactorStopped;
            return false;
        }
        ++iter;
        if (iter > tries) {
            result = kFactorRhoTries;
            return false;
        }
        if (iter % 100 == 0) report.set_status(format("Pollard Rho\r\n%d of %d tries.\r\n", iter, tries), kStatusRho);
        return true;
    };

restart:
    big_from_int(start, y);
    nres(y, y);
    big_copy(one, q);
    for (long r = 1;; r *= 2) {
        big_copy(y, x);
        for (long i = 0; i < r; ++i) {
            if (!count()) return result;
            step(y);
        }
        for (long k = 0; k < r; k += kBatch) {
            big_copy(y, ys);
            const long m = r - k < kBatch ? r - k : kBatch;
            for (long i = 0; i < m; ++i) {
                if (!count()) return result;
                step(y);
                nres_modsub(x, y, d);
                nres_modmult(q, d, q);
            }
            int t = factor_detail::take_gcd(q, n, g, report);
            if (t == 2) {
                // The batch hit every prime of N at once: replay it step by step.
                for (long i = 0; i < m && t != 1; ++i) {
                    step(ys);
                    nres_modsub(x, ys, d);
                    t = factor_detail::take_gcd(d, n, g, report);
                    if (t == 2) break;  // x = ys modulo N: the sequence collapsed
                }
                if (t != 1) {
                    // The sequence cycles modulo every prime of N at once: start
                    // again from the next value, keeping the iteration count.
                    ++start;
                    goto restart;
                }
            }
            if (t == 1) {
                if (factor_detail::prp3(n)) return kFactorFound;
                big_copy(one, q);
            }
        }
    }
}
