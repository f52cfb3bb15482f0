// Current modulus, conversion to and from Montgomery form, and the additive,
// multiplicative and inverting operations on Montgomery residues.
#include <cstring>

#include "engine/internal.h"
#include "engine/kernels.h"
#include "engine/modular.h"
#include "engine/modular_internal.h"
#include "engine/mont_kernels.h"

using engine_detail::MontParams;
using engine_detail::u64;

namespace engine_detail {

const MontParams* mont_current(engine_instance* e) {
    if (big_is_zero(e->modulus)) {
        report_error(20);
        return nullptr;
    }
    return e->mont_params;
}

namespace {

// Word i of the limb array v.
inline uint32_t limb_word(const u64* v, int i) {
    return static_cast<uint32_t>(v[i / 2] >> (32 * (i & 1)));
}

// x (k words) < n, comparing from the top word (usually decided at once).
inline bool below_modulus(const MontParams& p, const uint32_t* x) {
    for (int i = p.words - 1; i >= 0; --i) {
        const uint32_t nw = limb_word(p.n, i);
        if (x[i] != nw) return x[i] < nw;
    }
    return false;
}

}  // namespace

void mont_load_residue(const MontParams& p, const big_rec* x, u64* out) {
    const int k = p.words;
    const int xn = big_len(x);
    if ((x->len & ~kBigLenMask) == 0 && (xn < k || (xn == k && below_modulus(p, x->w)))) {
        mont_load_raw(out, x->w, xn, p.limbs);
        return;
    }
    // Out of range: reduce into 0..n-1 (negatives made positive). A fraction is
    // refused with error 12 and read as zero.
    if (refuse_fraction(x)) {
        std::memset(out, 0, sizeof(u64) * static_cast<size_t>(p.limbs));
        return;
    }
    mont_reduce_words_raw(p, out, x->w, xn);
    if (big_is_negative(x)) mont_neg_raw(p, out, out);
}

void mont_store(const MontParams& p, const u64* v, big w) {
    const int k = p.words;
    const int old = big_len(w) + static_cast<int>((w->len & kBigDenMask) >> 16);
    int top = 0;
    for (int i = 0; i < k; ++i) {
        const uint32_t word = limb_word(v, i);
        w->w[i] = word;
        if (word != 0) top = i + 1;
    }
    for (int i = k; i < old; ++i) w->w[i] = 0;
    w->len = static_cast<uint32_t>(top);
}

bool mont_inverse(engine_instance* e, const MontParams& p, const u64* a, u64* out, big gcd) {
    // aR -> a (one reduction), a^-1 by Lehmer's Euclid, then a^-1*R.
    (void)e;
    const int L = p.limbs;
    u64 t[2 * kMontMaxLimbs] = {};
    std::memcpy(t, a, sizeof(u64) * static_cast<size_t>(L));
    u64 plain[kMontMaxLimbs], inv[kMontMaxLimbs], g[kMontMaxLimbs];
    mont_redc_raw(p, plain, t);
    const bool ok = mont_inverse_raw(plain, p.n, L, inv, g);
    if (gcd != nullptr) mont_store(p, g, gcd);
    if (!ok) {
        std::memset(out, 0, sizeof(u64) * static_cast<size_t>(L));
        return false;
    }
    mont_mul_raw(p, out, inv, p.r2);
    return true;
}

}  // namespace engine_detail

using engine_detail::mont_current;
using engine_detail::mont_load_residue;
using engine_detail::mont_store;

// ---- set-up and conversion -------------------------------------------------------------

uint32_t prepare_monty(const big_rec* n) {
    TraceScope t(ID_PREPARE_MONTY);
    if (!t.ok()) return 0;
    engine_instance* e = t.instance();
    if (!big_is_zero(e->modulus) && big_compare(n, e->modulus) == 0) return e->mont_ndash;
    if (engine_detail::refuse_fraction(n)) return 0;
    const int k = big_len(n);
    if (big_is_negative(n) || k == 0 || (k == 1 && n->w[0] < 3) || (n->w[0] & 1u) == 0) {
        report_error(19);
        return 0;
    }
    if (k > engine_detail::kMontMaxWords) {
        report_error(14);
        return 0;
    }
    e->modulus_mod8 = static_cast<int32_t>(n->w[0] & 7u);
    e->small_qnr = e->modulus_mod8 == 3 ? -1 : (e->modulus_mod8 == 5 || e->modulus_mod8 == 7) ? -2 : 0;
    e->montgomery = true;
    e->mont_ndash = engine_detail::mont_ndash32_raw(n->w[0]);
    e->modulus_pow2_words = engine_detail::mont_is_kara_size(k);
    big_zero(e->mont_ndash_full);
    if (e->modulus_pow2_words) {
        engine_detail::mont_nfull_raw(e->mont_ndash_full->w, n->w, k);
        e->mont_ndash_full->len = static_cast<uint32_t>(mp_norm_len_raw(e->mont_ndash_full->w, k));
    }
    big_copy(n, e->modulus);
    // mont_r_shift = n * 2^(32k), 2k words: its block was made double width.
    big_zero(e->mont_r_shift);
    std::memcpy(e->mont_r_shift->w + k, n->w, sizeof(uint32_t) * static_cast<size_t>(k));
    e->mont_r_shift->len = static_cast<uint32_t>(2 * k);
    engine_detail::mont_params_set(e->mont_params, n->w, k, e->mont_ndash,
                                   e->modulus_pow2_words ? e->mont_ndash_full->w : nullptr);
    return e->mont_ndash;
}

void nres(const big_rec* x, big y) {
    TraceScope t(ID_NRES);
    if (!t.ok()) return;
    const MontParams* p = mont_current(t.instance());
    if (p == nullptr) return;
    u64 a[engine_detail::kMontMaxLimbs];
    mont_load_residue(*p, x, a);
    engine_detail::mont_mul_raw(*p, a, a, p->r2);
    mont_store(*p, a, y);
}

void redc(const big_rec* x, big y) {
    TraceScope t(ID_REDC);
    if (!t.ok()) return;
    const MontParams* p = mont_current(t.instance());
    if (p == nullptr) return;
    const int k = p->words, L = p->limbs;
    u64 tl[2 * engine_detail::kMontMaxLimbs] = {};
    const int xn = big_len(x);
    // A non-negative x below n*R (a residue or a product of two) is reduced as it
    // stands; anything else is first brought into 0..n-1.
    bool direct = (x->len & ~kBigLenMask) == 0 && xn <= 2 * k;
    if (direct && xn > k) {
        uint32_t n32[engine_detail::kMontMaxWords + 2];
        std::memcpy(n32, p->n, sizeof(uint32_t) * static_cast<size_t>(k));
        direct = mp_cmp_raw(x->w + k, mp_norm_len_raw(x->w + k, xn - k), n32, k) < 0;
    }
    if (direct)
        std::memcpy(tl, x->w, sizeof(uint32_t) * static_cast<size_t>(xn));
    else
        mont_load_residue(*p, x, tl);
    u64 r[engine_detail::kMontMaxLimbs];
    engine_detail::mont_redc_raw(*p, r, tl);
    (void)L;
    mont_store(*p, r, y);
}

// ---- Montgomery residues ------------------------------------------------------------------

void nres_modadd(const big_rec* x, const big_rec* y, big w) {
    TraceScope t(ID_NRES_MODADD);
    if (!t.ok()) return;
    const MontParams* p = mont_current(t.instance());
    if (p == nullptr) return;
    u64 a[engine_detail::kMontMaxLimbs], b[engine_detail::kMontMaxLimbs];
    mont_load_residue(*p, x, a);
    mont_load_residue(*p, y, b);
    engine_detail::mont_add_raw(*p, a, a, b);
    mont_store(*p, a, w);
}

void nres_modsub(const big_rec* x, const big_rec* y, big w) {
    TraceScope t(ID_NRES_MODSUB);
    if (!t.ok()) return;
    const MontParams* p = mont_current(t.instance());
    if (p == nullptr) return;
    u64 a[engine_detail::kMontMaxLimbs], b[engine_detail::kMontMaxLimbs];
    mont_load_residue(*p, x, a);
    mont_load_residue(*p, y, b);
    engine_detail::mont_sub_raw(*p, a, a, b);
    mont_store(*p, a, w);
}

void nres_negate(const big_rec* x, big w) {
    TraceScope t(ID_NRES_NEGATE);
    if (!t.ok()) return;
    const MontParams* p = mont_current(t.instance());
    if (p == nullptr) return;
    u64 a[engine_detail::kMontMaxLimbs];
    mont_load_residue(*p, x, a);
    engine_detail::mont_neg_raw(*p, a, a);
    mont_store(*p, a, w);
}

void nres_premult(const big_rec* x, int k, big w) {
    TraceScope t(ID_NRES_PREMULT);
    if (!t.ok()) return;
    const MontParams* p = mont_current(t.instance());
    if (p == nullptr) return;
    u64 a[engine_detail::kMontMaxLimbs];
    mont_load_residue(*p, x, a);
    const uint32_t m = k < 0 ? 0u - static_cast<uint32_t>(k) : static_cast<uint32_t>(k);
    engine_detail::mont_mul_word_raw(*p, a, a, m);
    if (k < 0) engine_detail::mont_neg_raw(*p, a, a);
    mont_store(*p, a, w);
}

void nres_modmult(const big_rec* x, const big_rec* y, big w) {
    TraceScope t(ID_NRES_MODMULT);
    if (!t.ok()) return;
    const MontParams* p = mont_current(t.instance());
    if (p == nullptr) return;
    u64 a[engine_detail::kMontMaxLimbs], b[engine_detail::kMontMaxLimbs];
    mont_load_residue(*p, x, a);
    if (x == y) {
        engine_detail::mont_sqr_raw(*p, a, a);
    } else {
        mont_load_residue(*p, y, b);
        engine_detail::mont_mul_raw(*p, a, a, b);
    }
    mont_store(*p, a, w);
}

int nres_moddiv(const big_rec* x, const big_rec* y, big w) {
    TraceScope t(ID_NRES_MODDIV);
    if (!t.ok()) return 0;
    if (x == y) {
        report_error(7);
        return 0;
    }
    engine_instance* e = t.instance();
    const MontParams* p = mont_current(e);
    if (p == nullptr) return 0;
    u64 a[engine_detail::kMontMaxLimbs], b[engine_detail::kMontMaxLimbs];
    mont_load_residue(*p, x, a);
    mont_load_residue(*p, y, b);
    ScratchFrame f(e);
    big g = f.number();
    if (!engine_detail::mont_inverse(e, *p, b, b, g)) {
        big_zero(w);
        return big_int_size(g);
    }
    engine_detail::mont_mul_raw(*p, a, a, b);
    mont_store(*p, a, w);
    return 1;
}

bool nres_multi_inverse(int m, const big* x, big* w) {
    TraceScope t(ID_NRES_MULTI_INVERSE);
    if (!t.ok()) return false;
    if (x == w) {
        report_error(7);
        return false;
    }
    engine_instance* e = t.instance();
    const MontParams* p = mont_current(e);
    if (p == nullptr || m <= 0) return p != nullptr;
    // Running products x0, x0*x1, ... go into w; one inversion; then backwards
    // w[i] = inv * w[i-1] and inv = inv * x[i].
    u64 acc[engine_detail::kMontMaxLimbs], v[engine_detail::kMontMaxLimbs];
    mont_load_residue(*p, x[0], acc);
    mont_store(*p, acc, w[0]);
    for (int i = 1; i < m; ++i) {
        mont_load_residue(*p, x[i], v);
        engine_detail::mont_mul_raw(*p, acc, acc, v);
        mont_store(*p, acc, w[i]);
    }
    u64 inv[engine_detail::kMontMaxLimbs];
    if (!engine_detail::mont_inverse(e, *p, acc, inv, nullptr)) {
        for (int i = 0; i < m; ++i) big_zero(w[i]);
        return false;
    }
    for (int i = m - 1; i > 0; --i) {
        mont_load_residue(*p, w[i - 1], v);
        u64 r[engine_detail::kMontMaxLimbs];
        engine_detail::mont_mul_raw(*p, r, inv, v);
        mont_load_residue(*p, x[i], v);
        engine_detail::mont_mul_raw(*p, inv, inv, v);
        mont_store(*p, r, w[i]);
    }
    mont_store(*p, inv, w[0]);
    return true;
}

void nres_dotprod(int m, const big* x, const big* y, big w) {
    TraceScope t(ID_NRES_DOTPROD);
    if (!t.ok()) return;
    const MontParams* p = mont_current(t.instance());
    if (p == nullptr) return;
    const int L = p->limbs;
    // Sum of the full products in 2L limbs plus a carry limb.
    u64 sum[2 * engine_detail::kMontMaxLimbs + 1] = {};
    for (int i = 0; i < m; ++i) {
        u64 a[engine_detail::kMontMaxLimbs], b[engine_detail::kMontMaxLimbs];
        u64 prod[2 * engine_detail::kMontMaxLimbs];
        mont_load_residue(*p, x[i], a);
        mont_load_residue(*p, y[i], b);
        engine_detail::mont_prod_raw(*p, prod, a, b);
        u64 c = 0;
        for (int j = 0; j < 2 * L; ++j) {
            const u64 s = sum[j] + c;
            c = s < c;
            sum[j] = s + prod[j];
            c += sum[j] < prod[j];
        }
        sum[2 * L] += c;
    }
    // One reduction: below n*R it goes straight through, otherwise it is first
    // brought below n.
    const int k = p->words;
    u64 r[engine_detail::kMontMaxLimbs];
    uint32_t words[4 * engine_detail::kMontMaxLimbs + 2];
    std::memcpy(words, sum, sizeof(u64) * static_cast<size_t>(2 * L + 1));
    uint32_t n32[engine_detail::kMontMaxWords + 2];
    std::memcpy(n32, p->n, sizeof(uint32_t) * static_cast<size_t>(k));
    const int hn = mp_norm_len_raw(words + k, 4 * L + 2 - k);
    if (mp_cmp_raw(words + k, hn, n32, k) >= 0) {
        u64 low[2 * engine_detail::kMontMaxLimbs] = {};
        engine_detail::mont_reduce_words_raw(*p, low, words, 4 * L + 2);
        engine_detail::mont_redc_raw(*p, r, low);
    } else {
        engine_detail::mont_redc_raw(*p, r, sum);
    }
    mont_store(*p, r, w);
}
