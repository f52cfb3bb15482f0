// Dense polynomial kernels over GF(p): products, long division, gcd.
#include <cstring>
#include <utility>

#include "engine/internal.h"
#include "engine/kernels.h"
#include "engine/poly_p_internal.h"

namespace engine_detail {

namespace {

// Coefficients below this many on either side are multiplied term by term.
constexpr int kDenseThreshold = 17;

bool coeff_zero(const u64* a, int L) {
    for (int j = 0; j < L; ++j)
        if (a[j] != 0) return false;
    return true;
}

// out = acc * R^-1 mod p for a sum acc (2L + 1 limbs) of products of residues.
void redc_sum(const MontParams& p, const u64* acc, u64* out) {
    const int L = p.limbs, k = p.words;
    uint32_t words[4 * kMontMaxLimbs + 2];
    std::memcpy(words, acc, sizeof(u64) * static_cast<size_t>(2 * L + 1));
    uint32_t n32[kMontMaxWords + 2];
    std::memcpy(n32, p.n, sizeof(uint32_t) * static_cast<size_t>(k));
    const int hn = mp_norm_len_raw(words + k, 4 * L + 2 - k);
    if (mp_cmp_raw(words + k, hn, n32, k) >= 0) {
        u64 low[2 * kMontMaxLimbs] = {};
        mont_reduce_words_raw(p, low, words, 4 * L + 2);
        mont_redc_raw(p, out, low);
    } else {
        mont_redc_raw(p, out, acc);
    }
}

// acc (2L + 1 limbs) += prod (2L limbs).
inline void acc_add(u64* acc, const u64* prod, int L2) {
    u64 c = 0;
    for (int j = 0; j < L2; ++j) {
        const u64 s = acc[j] + c;
        c = s < c;
        acc[j] = s + prod[j];
        c += acc[j] < prod[j];
    }
    acc[L2] += c;
}

}  // namespace

PolyCtx poly_ctx() {
    PolyCtx c;
    engine_instance* e = engine_current();
    if (e == nullptr || e->error_number != 0) return c;
    if (big_is_zero(e->modulus)) {
        report_error(20);
        return c;
    }
    c.e = e;
    c.p = e->mont_params;
    c.L = c.p->limbs;
    return c;
}

int ceil_log2(int m) {
    int l = 0;
    while ((1 << l) < m) ++l;
    return l;
}

void dense_trim(DenseP& d, int L) {
    size_t n = d.size() / static_cast<size_t>(L);
    while (n > 0 && coeff_zero(d.data() + (n - 1) * static_cast<size_t>(L), L)) --n;
    d.resize(n * static_cast<size_t>(L));
}

DenseP dense_from_poly(const PolyCtx& c, const PolyP& f, int min_len) {
    const int len = f.is_zero() ? 0 : f.degree() + 1;
    DenseP d(static_cast<size_t>(len > min_len ? len : min_len) * static_cast<size_t>(c.L), 0);
    for (const PolyTermP* t = f.head(); t != nullptr; t = t->next)
        mont_load_residue(*c.p, t->c.get(), d.data() + static_cast<size_t>(t->n) * c.L);
    return d;
}

void dense_mul_school(const PolyCtx& c, const u64* a, int na, const u64* b, int nb, u64* out) {
    const int L = c.L, W = 2 * L + 1;
    const int m = na + nb - 1;
    WipedVector<u64> acc(static_cast<size_t>(m) * W, 0);
    u64 prod[2 * kMontMaxLimbs];
    for (int i = 0; i < na; ++i) {
        const u64* ai = a + static_cast<size_t>(i) * L;
        if (coeff_zero(ai, L)) continue;
        for (int j = 0; j < nb; ++j) {
            const u64* bj = b + static_cast<size_t>(j) * L;
            if (coeff_zero(bj, L)) continue;
            mont_prod_raw(*c.p, prod, ai, bj);
            acc_add(acc.data() + static_cast<size_t>(i + j) * W, prod, 2 * L);
        }
    }
    for (int i = 0; i < m; ++i)
        redc_sum(*c.p, acc.data() + static_cast<size_t>(i) * W, out + static_cast<size_t>(i) * L);
}

void dense_mul(const PolyCtx& c, const u64* a, int na, const u64* b, int nb, u64* out,
               bool square) {
    if (na == 0 || nb == 0) return;
    if (na < kDenseThreshold || nb < kDenseThreshold) {
        dense_mul_school(c, a, na, b, nb, out);
        return;
    }
    const int m = na + nb - 1;
    const FftPlan plan = fft_plan(c.e, ceil_log2(m), *c.p);
    if (plan.k == 0) {
        dense_mul_school(c, a, na, b, nb, out);
        return;
    }
    uint32_t* x = fft_work(plan, 0);
    fft_load(plan, a, na, c.L, x);
    fft_forward(plan, x);
    if (square) {
        fft_pointwise(plan, x, x);
    } else {
        uint32_t* y = fft_work(plan, 1);
        fft_load(plan, b, nb, c.L, y);
        fft_forward(plan, y);
        fft_pointwise(plan, x, y);
    }
    fft_inverse(plan, x);
    fft_store(plan, *c.p, x, 0, m, out);
}

bool dense_divrem(const PolyCtx& c, u64* a, int na, const u64* b, int nb, u64* q) {
    const int L = c.L;
    const MontParams& p = *c.p;
    if (na < nb) return true;
    u64 inv[kMontMaxLimbs];
    const u64* lead = b + static_cast<size_t>(nb - 1) * L;
    const bool monic = mont_cmp_raw(lead, p.one, L) == 0;
    if (!monic && !mont_inverse(c.e, p, lead, inv, nullptr)) return false;
    u64 t[kMontMaxLimbs], prod[kMontMaxLimbs];
    for (int i = na - 1; i >= nb - 1; --i) {
        u64* ai = a + static_cast<size_t>(i) * L;
        const int shift = i - (nb - 1);
        u64* qi = q != nullptr ? q + static_cast<size_t>(shift) * L : nullptr;
        if (coeff_zero(ai, L)) {
            if (qi != nullptr) std::memset(qi, 0, sizeof(u64) * static_cast<size_t>(L));
            continue;
        }
        if (monic) {
            std::memcpy(t, ai, sizeof(u64) * static_cast<size_t>(L));
        } else {
            mont_mul_raw(p, t, ai, inv);
        }
        if (qi != nullptr) std::memcpy(qi, t, sizeof(u64) * static_cast<size_t>(L));
        for (int j = 0; j < nb - 1; ++j) {
            const u64* bj = b + static_cast<size_t>(j) * L;
            u64* aj = a + static_cast<size_t>(shift + j) * L;
            mont_mul_raw(p, prod, t, bj);
            mont_sub_raw(p, aj, aj, prod);
        }
        std::memset(ai, 0, sizeof(u64) * static_cast<size_t>(L));
    }
    return true;
}

void dense_rem(const PolyCtx& c, DenseP& a, const DenseP& b) {
    const int na = dense_len(a, c.L), nb = dense_len(b, c.L);
    if (na >= nb) {
        if (!dense_divrem(c, a.data(), na, b.data(), nb, nullptr)) {
            a.clear();
            return;
        }
        a.resize(static_cast<size_t>(nb - 1) * c.L);
    }
    dense_trim(a, c.L);
}

DenseP dense_gcd(const PolyCtx& c, DenseP a, DenseP b) {
    const int L = c.L;
    dense_trim(a, L);
    dense_trim(b, L);
    while (!b.empty()) {
        engine_checkpoint();
        dense_rem(c, a, b);
        std::swap(a, b);
    }
    if (a.empty()) return a;
    // Monic: divide by the leading coefficient.
    const int n = dense_len(a, L);
    u64 inv[kMontMaxLimbs];
    if (!mont_inverse(c.e, *c.p, a.data() + static_cast<size_t>(n - 1) * L, inv, nullptr)) {
        a.clear();
        return a;
    }
    for (int i = 0; i < n; ++i) {
        u64* ai = a.data() + static_cast<size_t>(i) * L;
        mont_mul_raw(*c.p, ai, ai, inv);
    }
    return a;
}

}  // namespace engine_detail
