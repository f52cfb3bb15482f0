// Modular exponentiation, Lucas sequences and square roots modulo a prime.
#include <cstring>

#include "engine/internal.h"
#include "engine/kernels.h"
#include "engine/modular.h"
#include "engine/modular_internal.h"

using engine_detail::kMontMaxLimbs;
using engine_detail::MontParams;
using engine_detail::u64;

namespace {

inline int word_bit(const uint32_t* e, int i) { return static_cast<int>((e[i / 32] >> (i % 32)) & 1u); }

void copy_limbs(u64* d, const u64* s, int L) { std::memcpy(d, s, sizeof(u64) * static_cast<size_t>(L)); }

// The pair (V_m, V_(m+1)) of the Lucas sequence V_0 = 2, V_1 = P,
// V_(k+1) = P*V_k - V_(k-1), by the ladder V_2k = V_k^2 - 2,
// V_(2k+1) = V_k*V_(k+1) - P. All values in Montgomery form.
void lucas_pair(const MontParams& p, const u64* P, const uint32_t* m, int mn, u64* vm, u64* vm1) {
    const int L = p.limbs;
    u64 two[kMontMaxLimbs], a[kMontMaxLimbs], b[kMontMaxLimbs], t[kMontMaxLimbs];
    engine_detail::mont_add_raw(p, two, p.one, p.one);
    copy_limbs(a, two, L);
    copy_limbs(b, P, L);
    for (int i = mp_bits_raw(m, mn) - 1; i >= 0; --i) {
        engine_detail::mont_mul_raw(p, t, a, b);
        engine_detail::mont_sub_raw(p, t, t, P);
        if (word_bit(m, i)) {
            copy_limbs(a, t, L);
            engine_detail::mont_sqr_raw(p, b, b);
            engine_detail::mont_sub_raw(p, b, b, two);
        } else {
            copy_limbs(b, t, L);
            engine_detail::mont_sqr_raw(p, a, a);
            engine_detail::mont_sub_raw(p, a, a, two);
        }
    }
    copy_limbs(vm, a, L);
    copy_limbs(vm1, b, L);
}

// Jacobi symbol of the Montgomery residue a against the modulus.
int mont_jacobi(engine_instance* e, const MontParams& p, const u64* a) {
    u64 t[2 * kMontMaxLimbs] = {};
    copy_limbs(t, a, p.limbs);
    u64 plain[kMontMaxLimbs];
    engine_detail::mont_redc_raw(p, plain, t);
    ScratchFrame f(e);
    big x = f.number();
    engine_detail::mont_store(p, plain, x);
    return jack(x, e->modulus);
}

// x^e mod n (or kmag^e with the sign kneg when x is null) by plain
// multiplication and division, on words; any n > 0.
void plain_powmod(engine_instance* e, const big_rec* x, const uint32_t* ew, int en,
                  uint32_t kmag, bool kneg, const big_rec* n, big w) {
    const int nn = big_len(n);
    const int xl = x != nullptr ? big_len(x) : 1;
    ScratchFrame f(e);
    const int cap = 2 * (nn > xl ? nn : xl) + 4;
    uint32_t* base = f.words(static_cast<size_t>(cap));
    uint32_t* acc = f.words(static_cast<size_t>(cap));
    uint32_t* prod = f.words(static_cast<size_t>(cap));
    uint32_t* scratch = f.words(static_cast<size_t>(2 * cap + 4));
    // n in 0-suffixed form for the remainder helper
    auto reduce = [&](const uint32_t* a, int an, uint32_t* r) -> int {
        an = mp_norm_len_raw(a, an);
        if (an < nn || (an == nn && mp_cmp_raw(a, an, n->w, nn) < 0)) {
            std::memmove(r, a, sizeof(uint32_t) * static_cast<size_t>(an));
            return an;
        }
        if (nn == 1) {
            r[0] = mp_mod1_raw(a, an, n->w[0]);
            return r[0] ? 1 : 0;
        }
        uint32_t* rem = scratch + an + nn + 2;
        mp_divmod_raw(nullptr, rem, a, an, n->w, nn, scratch);
        std::memcpy(r, rem, sizeof(uint32_t) * static_cast<size_t>(nn));
        return mp_norm_len_raw(r, nn);
    };
    int bn = 0;
    bool neg = false;
    if (x != nullptr) {
        bn = reduce(x->w, big_len(x), base);
        neg = big_is_negative(x);
    } else if (kmag != 0) {
        base[0] = kmag;
        bn = reduce(base, 1, base);
        neg = kneg;
    }
    if (neg && bn != 0) {  // base = n - base
        std::memset(prod, 0, sizeof(uint32_t) * static_cast<size_t>(nn));
        mp_sub_raw(prod, n->w, nn, base, bn);
        bn = mp_norm_len_raw(prod, nn);
        std::memcpy(base, prod, sizeof(uint32_t) * static_cast<size_t>(nn));
    }
    acc[0] = 1;
    int an = reduce(acc, 1, acc);
    for (int i = mp_bits_raw(ew, en) - 1; i >= 0; --i) {
        if (an != 0) {
            std::memset(prod, 0, sizeof(uint32_t) * static_cast<size_t>(2 * an));
            mp_sqr_raw(prod, acc, an);
            std::memset(acc, 0, sizeof(uint32_t) * static_cast<size_t>(cap));
            an = reduce(prod, 2 * an, acc);
        }
        if (word_bit(ew, i)) {
            if (an == 0 || bn == 0) {
                an = 0;
            } else {
                std::memset(prod, 0, sizeof(uint32_t) * static_cast<size_t>(an + bn));
                mp_mul_raw(prod, acc, an, base, bn);
                std::memset(acc, 0, sizeof(uint32_t) * static_cast<size_t>(cap));
                an = reduce(prod, an + bn, acc);
            }
        }
    }
    engine_detail::big_set_words(w, acc, an, false);
}

bool check_exponent(const big_rec* e) {
    if (engine_detail::refuse_fraction(e)) return false;
    if (big_is_negative(e)) {
        report_error(10);
        return false;
    }
    return true;
}

// -n/+n window limits of the sliding window, by exponent length.
int window_bits(int bits) {
    if (bits <= 8) return 1;
    if (bits <= 24) return 2;
    if (bits <= 80) return 3;
    if (bits <= 240) return 4;
    if (bits <= 672) return 5;
    return 6;
}

}  // namespace

namespace engine_detail {

void mont_pow_raw(const MontParams& p, u64* r, const u64* a, const uint32_t* e, int en) {
    const int L = p.limbs;
    const int bits = mp_bits_raw(e, en);
    if (bits == 0) {
        copy_limbs(r, p.one, L);
        return;
    }
    const int wb = window_bits(bits);
    // table[i] = a^(2i+1)
    u64 table[32][kMontMaxLimbs];
    copy_limbs(table[0], a, L);
    if (wb > 1) {
        u64 a2[kMontMaxLimbs];
        mont_sqr_raw(p, a2, a);
        for (int i = 1; i < (1 << (wb - 1)); ++i) mont_mul_raw(p, table[i], table[i - 1], a2);
    }
    u64 acc[kMontMaxLimbs];
    bool first = true;
    int i = bits - 1;
    while (i >= 0) {
        if (!word_bit(e, i)) {
            mont_sqr_raw(p, acc, acc);
            --i;
            continue;
        }
        int j = i - wb + 1;
        if (j < 0) j = 0;
        while (!word_bit(e, j)) ++j;
        int val = 0;
        for (int b = i; b >= j; --b) val = (val << 1) | word_bit(e, b);
        if (first) {
            copy_limbs(acc, table[val >> 1], L);
            first = false;
        } else {
            for (int s = 0; s < i - j + 1; ++s) mont_sqr_raw(p, acc, acc);
            mont_mul_raw(p, acc, acc, table[val >> 1]);
        }
        i = j - 1;
    }
    copy_limbs(r, acc, L);
}

}  // namespace engine_detail

// ---- Montgomery residues ------------------------------------------------------------------

void nres_powmod(const big_rec* x, const big_rec* e, big w) {
    TraceScope t(ID_NRES_POWMOD);
    if (!t.ok() || !check_exponent(e)) return;
    const MontParams* p = engine_detail::mont_current(t.instance());
    if (p == nullptr) return;
    u64 a[kMontMaxLimbs];
    engine_detail::mont_load_residue(*p, x, a);
    engine_detail::mont_pow_raw(*p, a, a, e->w, big_len(e));
    engine_detail::mont_store(*p, a, w);
}

void nres_powltr(int k, const big_rec* e, big w) {
    TraceScope t(ID_NRES_POWLTR);
    if (!t.ok() || !check_exponent(e)) return;
    const MontParams* p = engine_detail::mont_current(t.instance());
    if (p == nullptr) return;
    const int L = p->limbs;
    const int bits = mp_bits_raw(e->w, big_len(e));
    u64 acc[kMontMaxLimbs];
    const uint32_t m = k < 0 ? 0u - static_cast<uint32_t>(k) : static_cast<uint32_t>(k);
    if (bits == 0) {
        copy_limbs(acc, p->one, L);
    } else {
        // Left to right: square, then multiply by the small base.
        engine_detail::mont_mul_word_raw(*p, acc, p->one, m);
        for (int i = bits - 2; i >= 0; --i) {
            engine_detail::mont_sqr_raw(*p, acc, acc);
            if (word_bit(e->w, i)) engine_detail::mont_mul_word_raw(*p, acc, acc, m);
        }
        if (k < 0 && word_bit(e->w, 0)) engine_detail::mont_neg_raw(*p, acc, acc);
    }
    engine_detail::mont_store(*p, acc, w);
}

void nres_lucas(const big_rec* pp, const big_rec* r, big vp, big v) {
    TraceScope t(ID_NRES_LUCAS);
    if (!t.ok() || engine_detail::refuse_fraction(r)) return;
    engine_instance* e = t.instance();
    const MontParams* p = engine_detail::mont_current(e);
    if (p == nullptr) return;
    const int L = p->limbs;
    u64 P[kMontMaxLimbs], a[kMontMaxLimbs], b[kMontMaxLimbs];
    engine_detail::mont_load_residue(*p, pp, P);
    const int rn = big_len(r);
    if (rn == 0) {
        // V_0 = 2 and V_-1 = V_1 = P
        engine_detail::mont_add_raw(*p, a, p->one, p->one);
        copy_limbs(b, P, L);
        engine_detail::mont_store(*p, b, vp);
        engine_detail::mont_store(*p, a, v);
        return;
    }
    ScratchFrame f(e);
    uint32_t* m = f.words(static_cast<size_t>(rn) + 1);
    std::memcpy(m, r->w, sizeof(uint32_t) * static_cast<size_t>(rn));
    if (big_is_negative(r)) {
        // V_-k = V_k: v = V_|r|, vp = V_(|r|+1)
        lucas_pair(*p, P, m, rn, a, b);
        engine_detail::mont_store(*p, b, vp);
        engine_detail::mont_store(*p, a, v);
        return;
    }
    mp_sub1_raw(m, m, rn, 1);
    lucas_pair(*p, P, m, rn, a, b);
    engine_detail::mont_store(*p, a, vp);
    engine_detail::mont_store(*p, b, v);
}

bool nres_sqroot(const big_rec* x, big w) {
    TraceScope t(ID_NRES_SQROOT);
    if (!t.ok()) return false;
    engine_instance* e = t.instance();
    const MontParams* pp = engine_detail::mont_current(e);
    if (pp == nullptr) return false;
    const MontParams& p = *pp;
    const int L = p.limbs;
    u64 a[kMontMaxLimbs], r[kMontMaxLimbs], P[kMontMaxLimbs], d[kMontMaxLimbs];
    engine_detail::mont_load_residue(p, x, a);
    if (engine_detail::mont_is_zero_raw(a, L)) {
        big_zero(w);
        return true;
    }
    if (mont_jacobi(e, p, a) != 1) {
        big_zero(w);
        return false;
    }
    u64 two[kMontMaxLimbs], four[kMontMaxLimbs];
    engine_detail::mont_add_raw(p, two, p.one, p.one);
    engine_detail::mont_add_raw(p, four, two, two);
    if (engine_detail::mont_cmp_raw(a, p.one, L) == 0 || engine_detail::mont_cmp_raw(a, four, L) == 0) {
        copy_limbs(r, engine_detail::mont_cmp_raw(a, p.one, L) == 0 ? p.one : two, L);
        engine_detail::mont_store(p, r, w);
        return true;
    }
    // t = (n + c - 2)/4 with c = n mod 4.
    const int k = p.words;
    ScratchFrame f(e);
    uint32_t* tw = f.words(static_cast<size_t>(k) + 1);
    std::memcpy(tw, e->modulus->w, sizeof(uint32_t) * static_cast<size_t>(k));
    const uint32_t c = tw[0] & 3u;
    if (c == 3)
        mp_add1_raw(tw, tw, k + 1, 1);
    else
        mp_sub1_raw(tw, tw, k, 1);
    mp_shr_raw(tw, tw, k + 1, 2);
    const int tn = mp_norm_len_raw(tw, k + 1);
    u64 vt[kMontMaxLimbs], vt1[kMontMaxLimbs];
    bool ok = true;
    if (c == 3) {
        // w = V_t(x + 1/x) / (1 + 1/x)
        u64 inv[kMontMaxLimbs];
        ok = engine_detail::mont_inverse(e, p, a, inv, nullptr);
        if (ok) {
            engine_detail::mont_add_raw(p, P, a, inv);
            lucas_pair(p, P, tw, tn, vt, vt1);
            engine_detail::mont_add_raw(p, d, p.one, inv);
            ok = engine_detail::mont_inverse(e, p, d, d, nullptr);
            if (ok) engine_detail::mont_mul_raw(p, r, vt, d);
        }
    } else {
        // The least i >= 1 with (x*i^2 - 4 / n) = -1; w = V_t(x*i^2 - 2) / i. The
        // search is bounded: a composite modulus (a square, say) may have no such i.
        ok = false;
        for (uint32_t i = 1; i < 1000; ++i) {
            u64 b[kMontMaxLimbs];
            engine_detail::mont_mul_word_raw(p, b, a, i * i);
            engine_detail::mont_sub_raw(p, d, b, four);
            if (mont_jacobi(e, p, d) != -1) continue;
            engine_detail::mont_sub_raw(p, P, b, two);
            lucas_pair(p, P, tw, tn, vt, vt1);
            copy_limbs(r, vt, L);
            if (i > 1) {
                u64 iv[kMontMaxLimbs];
                engine_detail::mont_mul_word_raw(p, iv, p.one, i);
                ok = engine_detail::mont_inverse(e, p, iv, iv, nullptr);
                if (ok) engine_detail::mont_mul_raw(p, r, r, iv);
            } else {
                ok = true;
            }
            break;
        }
    }
    // Final check: r^2 = x.
    if (ok) {
        engine_detail::mont_sqr_raw(p, d, r);
        ok = engine_detail::mont_cmp_raw(d, a, L) == 0;
    }
    if (!ok) {
        big_zero(w);
        return false;
    }
    engine_detail::mont_store(p, r, w);
    return true;
}

// ---- plain numbers -------------------------------------------------------------------------

void powmod(const big_rec* x, const big_rec* e, const big_rec* n, big w) {
    TraceScope t(ID_POWMOD);
    if (!t.ok()) return;
    if (engine_detail::refuse_fraction(x) || engine_detail::refuse_fraction(n) || !check_exponent(e))
        return;
    if (n == w) {
        report_error(7);
        return;
    }
    if (big_is_negative(n) || big_is_zero(n)) {
        report_error(19);
        return;
    }
    engine_instance* inst = t.instance();
    if ((n->w[0] & 1u) != 0 && !(big_len(n) == 1 && n->w[0] == 1)) {
        ScratchFrame f(inst);
        big v = f.number();
        prepare_monty(n);
        nres(x, v);
        nres_powmod(v, e, v);
        redc(v, w);
        return;
    }
    // Even modulus (or 1): plain arithmetic, the current modulus untouched.
    plain_powmod(inst, x, e->w, big_len(e), 0, false, n, w);
}

void powltr(int k, const big_rec* e, const big_rec* n, big w) {
    TraceScope t(ID_POWLTR);
    if (!t.ok()) return;
    if (engine_detail::refuse_fraction(n) || !check_exponent(e)) return;
    if (n == w) {
        report_error(7);
        return;
    }
    if (big_is_negative(n) || big_is_zero(n)) {
        report_error(19);
        return;
    }
    engine_instance* inst = t.instance();
    if ((n->w[0] & 1u) != 0 && !(big_len(n) == 1 && n->w[0] == 1)) {
        ScratchFrame f(inst);
        big v = f.number();
        prepare_monty(n);
        nres_powltr(k, e, v);
        redc(v, w);
        return;
    }
    const uint32_t m = k < 0 ? 0u - static_cast<uint32_t>(k) : static_cast<uint32_t>(k);
    plain_powmod(inst, nullptr, e->w, big_len(e), m, k < 0, n, w);
}

bool sqroot(const big_rec* x, const big_rec* p, big w) {
    TraceScope t(ID_SQROOT);
    if (!t.ok()) return false;
    if (big_is_zero(p) || (p->w[0] & 1u) == 0) {
        big_zero(w);
        return false;
    }
    prepare_monty(p);
    if (engine_error() != 0) return false;
    ScratchFrame f(t.instance());
    big v = f.number();
    nres(x, v);
    const bool ok = nres_sqroot(v, v);
    redc(v, w);
    return ok;
}
