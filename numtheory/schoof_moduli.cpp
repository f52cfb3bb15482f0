#include "numtheory/schoof_moduli.h"

#include <algorithm>

#include "engine/modular.h"
#include "numtheory/nt_support.h"

namespace nt {

int schoof_e_gfp(int bits) {
    if (bits <= 100) return 48;
    if (bits <= 120) return 56;
    if (bits <= 140) return 64;
    if (bits <= 200) return 72;
    return 80;
}

int schoof_e_gf2m(int m) {
    if (m <= 100) return 48;
    if (m <= 120) return 56;
    if (m <= 160) return 64;
    if (m <= 200) return 72;
    return 80;
}

SchoofModuli choose_moduli(const big_rec* q, int e, bool binary) {
    SchoofModuli out;
    Num d, t, product(1), limit;
    if (engine_error() != 0) return out;
    // d = floor(sqrt(q / 2^e)), at least 256.
    expb2(e, t);
    big_copy(q, d);
    divide(d, t, d);
    nroot(d, 2, d);
    big_from_int(256, t);
    if (big_compare(d, t) < 0) big_copy(t, d);

    const std::vector<int>& primes = primes_below_65536();
    std::vector<int> exps;
    size_t i = 0;
    while (big_compare(product, d) <= 0 && i < primes.size() && engine_error() == 0) {
        const int qi = primes[i];
        exps.push_back(1);
        premult(product, qi, product);
        for (size_t k = 0; k < i; ++k) {
            const int qk = primes[k];
            // Raise q_k while its next power stays below the bound (which, for
            // odd primes, happens at most once per new prime).
            const long long bound = (binary && qk == 2) ? 16LL * qi : qi;
            for (;;) {
                long long next = 1;
                for (int r = 0; r <= exps[k]; ++r) next *= qk;
                if (next >= bound) break;
                premult(product, qk, product);
                ++exps[k];
                if (!(binary && qk == 2)) break;
            }
        }
        ++i;
    }
    out.primes = static_cast<int>(i);
    out.largest = i > 0 ? primes[i - 1] : 0;
    out.list.assign(primes.begin(), primes.begin() + static_cast<long>(i));
    for (size_t k = 0; k < exps.size() && exps[k] > 1; ++k) {
        int power = 1;
        for (int r = 0; r < exps[k]; ++r) power *= primes[k];
        out.list.insert(std::upper_bound(out.list.begin(), out.list.end(), power), power);
        ++out.aw;
    }
    return out;
}

int prime_power_base(int l) {
    for (int q = 2; q * q <= l; ++q) {
        if (l % q != 0) continue;
        int v = l;
        while (v % q == 0) v /= q;
        return v == 1 ? q : 0;
    }
    return 0;
}

void crt_combine(const std::vector<int>& moduli, const std::vector<int>& residues, big x, big M) {
    big_from_int(1, M);
    big_zero(x);
    if (moduli.empty()) return;
    for (int m : moduli) premult(M, m, M);
    small_crt_ctx ctx;
    if (!small_crt_init(&ctx, static_cast<int>(moduli.size()), moduli.data())) return;
    small_crt(&ctx, residues.data(), x);
    small_crt_free(&ctx);
}

}  // namespace nt
