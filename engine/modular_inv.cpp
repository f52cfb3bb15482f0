// Extended Euclid for xgcd (any size up to the precision; the modular
// inverse of Montgomery residues is Lehmer's, in mont_inverse.cpp).
#include <cstring>

#include "engine/internal.h"
#include "engine/kernels.h"
#include "engine/modular.h"
#include "engine/modular_internal.h"

namespace {

// r = a mod b, q = a / b (q may be null) on magnitudes; b normalised, bn >= 1.
void divmod_any(const uint32_t* a, int an, const uint32_t* b, int bn, uint32_t* q, int* qn,
                uint32_t* r, int* rn, uint32_t* scratch) {
    if (an < bn || (an == bn && mp_cmp_raw(a, an, b, bn) < 0)) {
        std::memmove(r, a, sizeof(uint32_t) * static_cast<size_t>(an));
        *rn = an;
        if (q) *qn = 0;
        return;
    }
    if (bn == 1) {
        uint32_t* qq = q ? q : scratch;
        r[0] = mp_divmod1_raw(qq, a, an, b[0]);
        *rn = r[0] ? 1 : 0;
        if (q) *qn = mp_norm_len_raw(q, an);
        return;
    }
    mp_divmod_raw(q, r, a, an, b, bn, scratch);
    *rn = mp_norm_len_raw(r, bn);
    if (q) *qn = mp_norm_len_raw(q, an - bn + 1);
}

// Euclid on b and a mod b, keeping the cofactor s of a: s*a = g (mod b).
// The cofactors alternate in sign, so only magnitudes are kept:
// |s_(i+1)| = |s_(i-1)| + q_i*|s_i|, and s_j is positive for odd j.
// Returns the cofactor's sign (true = negative); s and g hold cap words.
bool euclid_words(engine_instance* e, const uint32_t* a, int an, const uint32_t* b, int bn,
                  uint32_t* g, int* gn, uint32_t* s, int* sn) {
    ScratchFrame f(e);
    const int cap = (an > bn ? an : bn) + 3;
    uint32_t* r0 = f.words(static_cast<size_t>(cap));
    uint32_t* r1 = f.words(static_cast<size_t>(cap));
    uint32_t* r2 = f.words(static_cast<size_t>(cap));
    uint32_t* s0 = f.words(static_cast<size_t>(cap));
    uint32_t* s1 = f.words(static_cast<size_t>(cap));
    uint32_t* s2 = f.words(static_cast<size_t>(2 * cap));
    uint32_t* q = f.words(static_cast<size_t>(cap));
    uint32_t* scratch = f.words(static_cast<size_t>(2 * cap + 4));
    int r0n = bn, r1n = 0, r2n = 0, s0n = 0, s1n = 1, s2n = 0, qn = 0;
    std::memcpy(r0, b, sizeof(uint32_t) * static_cast<size_t>(bn));
    divmod_any(a, an, b, bn, nullptr, nullptr, r1, &r1n, scratch);
    s1[0] = 1;
    int idx = 1;  // index of r1 and s1 in the remainder sequence
    while (r1n != 0) {
        divmod_any(r0, r0n, r1, r1n, q, &qn, r2, &r2n, scratch);
        // s2 = s0 + q*s1 (magnitudes)
        std::memset(s2, 0, sizeof(uint32_t) * static_cast<size_t>(qn + s1n + 1));
        mp_mul_raw(s2, q, qn, s1, s1n);
        s2n = qn + s1n;
        if (s0n > 0) {
            s2[s2n] = mp_add_raw(s2, s2, s2n, s0, s0n);
            ++s2n;
        }
        s2n = mp_norm_len_raw(s2, s2n);
        std::swap(r0, r1);
        std::swap(r1, r2);
        r0n = r1n;
        r1n = r2n;
        std::swap(s0, s1);
        std::swap(s1, s2);
        s0n = s1n;
        s1n = s2n;
        std::memset(s2, 0, sizeof(uint32_t) * static_cast<size_t>(cap));
        ++idx;
    }
    std::memcpy(g, r0, sizeof(uint32_t) * static_cast<size_t>(r0n));
    *gn = r0n;
    std::memcpy(s, s0, sizeof(uint32_t) * static_cast<size_t>(s0n));
    *sn = s0n;
    return s0n != 0 && ((idx - 1) & 1) == 0;
}

}  // namespace


int xgcd(const big_rec* x, const big_rec* y, big xd, big yd, big z) {
    TraceScope t(ID_XGCD);
    if (!t.ok()) return 0;
    if (engine_detail::refuse_fraction(x) || engine_detail::refuse_fraction(y)) return 0;
    engine_instance* e = t.instance();
    const int xn = big_len(x), yn = big_len(y);
    const bool xneg = big_is_negative(x), yneg = big_is_negative(y);
    ScratchFrame f(e);
    const int cap = xn + yn + 4;
    uint32_t* g = f.words(static_cast<size_t>(cap));
    uint32_t* xdw = f.words(static_cast<size_t>(cap));
    uint32_t* ydw = f.words(static_cast<size_t>(cap));
    uint32_t* tmp = f.words(static_cast<size_t>(cap));
    uint32_t* q = f.words(static_cast<size_t>(cap));
    uint32_t* scratch = f.words(static_cast<size_t>(2 * cap + 4));
    int gn = 0, xdn = 0, ydn = 0;
    bool ydneg = false;
    if (yn == 0) {
        // gcd(x, 0) = |x| = sign(x)*x
        std::memcpy(g, x->w, sizeof(uint32_t) * static_cast<size_t>(xn));
        gn = xn;
        if (xn != 0) {
            xdw[0] = 1;
            xdn = 1;
        }
    } else {
        uint32_t* s = f.words(static_cast<size_t>(cap));
        int sn = 0;
        const bool sneg = euclid_words(e, x->w, xn, y->w, yn, g, &gn, s, &sn);
        // xd' = s mod (|y|/g) in 0..|y|/g - 1
        uint32_t* yg = f.words(static_cast<size_t>(cap));
        int ygn = 0, rn = 0;
        divmod_any(y->w, yn, g, gn, yg, &ygn, tmp, &rn, scratch);
        divmod_any(s, sn, yg, ygn, nullptr, nullptr, xdw, &xdn, scratch);
        if (sneg && xdn != 0) {
            mp_sub_raw(xdw, yg, ygn, xdw, xdn);
            xdn = mp_norm_len_raw(xdw, ygn);
        }
        // yd' = (g - xd'*|x|)/|y|, exact
        int pn = 0;
        std::memset(tmp, 0, sizeof(uint32_t) * static_cast<size_t>(cap));
        if (xdn != 0 && xn != 0) {
            mp_mul_raw(tmp, xdw, xdn, x->w, xn);
            pn = mp_norm_len_raw(tmp, xdn + xn);
        }
        if (mp_cmp_raw(tmp, pn, g, gn) >= 0) {
            mp_sub_raw(tmp, tmp, pn, g, gn);
            ydneg = true;
        } else {
            uint32_t* d = f.words(static_cast<size_t>(cap));
            mp_sub_raw(d, g, gn, tmp, pn);
            std::memcpy(tmp, d, sizeof(uint32_t) * static_cast<size_t>(gn));
            pn = gn;
        }
        pn = mp_norm_len_raw(tmp, pn);
        int r2n = 0;
        uint32_t* r2 = f.words(static_cast<size_t>(cap));
        divmod_any(tmp, pn, y->w, yn, q, &ydn, r2, &r2n, scratch);
        if (ydn > 0) std::memcpy(ydw, q, sizeof(uint32_t) * static_cast<size_t>(ydn));
        if (ydn == 0) ydneg = false;
    }
    using engine_detail::big_set_words;
    const bool xd_negative = xneg && xdn != 0;
    const bool yd_negative = (ydneg != yneg) && ydn != 0;
    if (xd == yd && yd == z) {
        // x^-1 mod |y| (or the cofactor of x when they are not coprime), in 0..|y|-1
        if (xd_negative && yn != 0) {
            mp_sub_raw(tmp, y->w, yn, xdw, xdn);
            big_set_words(z, tmp, yn, false);
        } else {
            big_set_words(z, xdw, xdn, xd_negative);
        }
    } else {
        big_set_words(yd, ydw, ydn, yd_negative);
        big_set_words(xd, xdw, xdn, xd_negative);
        big_set_words(z, g, gn, false);
    }
    uint32_t small = 0;
    if (gn == 0) return 0;
    if (gn > 1 || g[0] >= (1u << 30)) return 1 << 30;
    small = g[0];
    return static_cast<int>(small);
}
