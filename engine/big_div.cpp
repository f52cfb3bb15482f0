// Division, the multiply-add-divide routine, powers, gcd, Jacobi symbol, shifts.
#include <cstring>

#include "engine/big.h"
#include "engine/internal.h"
#include "engine/kernels.h"

using engine_detail::big_set_words;
using engine_detail::refuse_fraction;

namespace engine_detail {

// q = a / b and r = a mod b on magnitudes (b non-zero, normalised counts).
// q has room for an + 1 words, r for bn words; counts of the results returned.
void divmod_words(engine_instance* e, const uint32_t* a, int an, const uint32_t* b, int bn,
                  uint32_t* q, int* qn, uint32_t* r, int* rn) {
    if (an < bn) {
        if (q) *qn = 0;
        if (r) {
            std::memcpy(r, a, sizeof(uint32_t) * static_cast<size_t>(an));
            *rn = an;
        }
        return;
    }
    if (bn == 1) {
        ScratchFrame f(e);
        uint32_t* qq = q ? q : f.words(static_cast<size_t>(an));
        const uint32_t rem = mp_divmod1_raw(qq, a, an, b[0]);
        if (q) *qn = mp_norm_len_raw(q, an);
        if (r) {
            r[0] = rem;
            *rn = rem ? 1 : 0;
        }
        return;
    }
    ScratchFrame f(e);
    uint32_t* scratch = f.words(static_cast<size_t>(an + bn + 2));
    mp_divmod_raw(q, r, a, an, b, bn, scratch);
    if (q) *qn = mp_norm_len_raw(q, an - bn + 1);
    if (r) *rn = mp_norm_len_raw(r, bn);
}

// g = gcd(a, b) of magnitudes by Euclid's algorithm; returns its word count.
int gcd_words(engine_instance* e, const uint32_t* a, int an, const uint32_t* b, int bn, uint32_t* g) {
    ScratchFrame f(e);
    const int cap = (an > bn ? an : bn) + 1;
    uint32_t* u = f.words(static_cast<size_t>(cap));
    uint32_t* v = f.words(static_cast<size_t>(cap));
    uint32_t* r = f.words(static_cast<size_t>(cap));
    std::memcpy(u, a, sizeof(uint32_t) * static_cast<size_t>(an));
    std::memcpy(v, b, sizeof(uint32_t) * static_cast<size_t>(bn));
    int un = an, vn = bn;
    while (vn != 0) {
        int rn = 0;
        divmod_words(e, u, un, v, vn, nullptr, nullptr, r, &rn);
        std::swap(u, v);
        un = vn;
        std::swap(v, r);
        vn = rn;
    }
    std::memcpy(g, u, sizeof(uint32_t) * static_cast<size_t>(un));
    return un;
}

}  // namespace engine_detail

using engine_detail::divmod_words;
using engine_detail::gcd_words;

void divide(big x, const big_rec* y, big z) {
    TraceScope t(ID_DIVIDE);
    if (!t.ok()) return;
    if (x == y) {
        report_error(7);
        return;
    }
    if (refuse_fraction(x) || refuse_fraction(y)) return;
    const int xn = big_len(x), yn = big_len(y);
    if (yn == 0) {
        report_error(2);
        return;
    }
    const bool xneg = big_is_negative(x), yneg = big_is_negative(y);
    ScratchFrame f(t.instance());
    uint32_t* q = f.words(static_cast<size_t>(xn) + 1);
    uint32_t* r = f.words(static_cast<size_t>(yn) + 1);
    int qn = 0, rn = 0;
    divmod_words(t.instance(), x->w, xn, y->w, yn, q, &qn, r, &rn);
    if (y == z) {  // remainder only
        big_set_words(x, r, rn, xneg);
    } else if (x == z) {  // quotient only
        big_set_words(z, q, qn, xneg != yneg);
    } else {
        big_set_words(x, r, rn, xneg);
        big_set_words(z, q, qn, xneg != yneg);
    }
}

void mad(const big_rec* x, const big_rec* y, const big_rec* z, const big_rec* w, big q, big r) {
    TraceScope t(ID_MAD);
    if (!t.ok()) return;
    if (w == r) {
        report_error(7);
        return;
    }
    if (refuse_fraction(x) || refuse_fraction(y) || refuse_fraction(z) || refuse_fraction(w))
        return;
    engine_instance* e = t.instance();
    const int xn = big_len(x), yn = big_len(y), zn = big_len(z), wn = big_len(w);
    if (wn == 0) {
        report_error(2);
        return;
    }
    ScratchFrame f(e);
    // T = x*y (+ z), signed, at double length.
    int tn = xn + yn;
    const int cap = (tn > zn ? tn : zn) + 2;
    uint32_t* tw = f.words(static_cast<size_t>(cap));
    bool tneg = big_is_negative(x) != big_is_negative(y);
    if (xn == 0 || yn == 0) {
        tn = 0;
        tneg = false;
    } else if (x == y) {
        mp_sqr_raw(tw, x->w, xn);
    } else {
        mp_mul_raw(tw, x->w, xn, y->w, yn);
    }
    tn = mp_norm_len_raw(tw, tn);
    if (z != x && z != y && zn != 0) {
        const bool zneg = big_is_negative(z);
        if (tn == 0) {
            std::memcpy(tw, z->w, sizeof(uint32_t) * static_cast<size_t>(zn));
            tn = zn;
            tneg = zneg;
        } else if (zneg == tneg) {
            if (tn >= zn) {
                tw[tn] = mp_add_raw(tw, tw, tn, z->w, zn);
                tn = mp_norm_len_raw(tw, tn + 1);
            } else {
                uint32_t* s = f.words(static_cast<size_t>(zn) + 1);
                s[zn] = mp_add_raw(s, z->w, zn, tw, tn);
                std::memcpy(tw, s, sizeof(uint32_t) * static_cast<size_t>(zn + 1));
                tn = mp_norm_len_raw(tw, zn + 1);
            }
        } else {
            const int c = mp_cmp_raw(tw, tn, z->w, zn);
            if (c >= 0) {
                mp_sub_raw(tw, tw, tn, z->w, zn);
                tn = mp_norm_len_raw(tw, tn);
            } else {
                uint32_t* s = f.words(static_cast<size_t>(zn));
                mp_sub_raw(s, z->w, zn, tw, tn);
                std::memcpy(tw, s, sizeof(uint32_t) * static_cast<size_t>(zn));
                tn = mp_norm_len_raw(tw, zn);
                tneg = zneg;
            }
        }
        if (tn == 0) tneg = false;
    }
    uint32_t* qw = f.words(static_cast<size_t>(tn) + 2);
    uint32_t* rw = f.words(static_cast<size_t>(wn) + 1);
    int qn = 0, rn = 0;
    divmod_words(e, tw, tn, w->w, wn, qw, &qn, rw, &rn);
    const bool qneg = tneg != big_is_negative(w);
    if (q == r) {
        big_set_words(q, qw, qn, qneg);
        return;
    }
    big_set_words(q, qw, qn, qneg);
    big_set_words(r, rw, rn, tneg);
}

int normalise(const big_rec* x, big y) {
    TraceScope t(ID_NORMALISE);
    if (!t.ok() || refuse_fraction(x)) return 0;
    const int n = big_len(x);
    if (n == 0) {
        big_zero(y);
        return 0;
    }
    const int s = __builtin_clz(x->w[n - 1]);
    ScratchFrame f(t.instance());
    uint32_t* r = f.words(static_cast<size_t>(n));
    mp_shl_raw(r, x->w, n, s);
    big_set_words(y, r, n, big_is_negative(x));
    return s;
}

void power(const big_rec* x, int n, big z, big w) {
    TraceScope t(ID_POWER);
    if (!t.ok() || refuse_fraction(x)) return;
    if (n < 0) {
        report_error(10);
        return;
    }
    if (big_is_zero(x)) {
        big_zero(w);
        return;
    }
    const bool reduce = z != w;
    ScratchFrame f(t.instance());
    big base = f.number();
    big acc = f.number();
    big quot = f.number();
    big_copy(x, base);
    big_from_int(1, acc);
    // divide(a, z, z) leaves only the remainder a mod z in a (1 mod z too, so
    // that x^0 mod 1 is 0). Products of two residues are reduced through mad,
    // which works at double length, so a modulus of full precision is fine.
    if (reduce) {
        divide(base, z, z);
        divide(acc, z, z);
    }
    auto step = [&](big a, const big_rec* b) {
        if (reduce)
            mad(a, b, a, z, quot, a);  // z-slot equal to a: nothing added
        else
            multiply(a, b, a);
    };
    while (n > 0 && engine_error() == 0) {
        if (n & 1) step(acc, base);
        n >>= 1;
        if (n > 0) step(base, base);
    }
    if (engine_error() == 0) big_copy(acc, w);
}

int egcd(const big_rec* x, const big_rec* y, big z) {
    TraceScope t(ID_EGCD);
    if (!t.ok() || refuse_fraction(x) || refuse_fraction(y)) return 0;
    const int xn = big_len(x), yn = big_len(y);
    ScratchFrame f(t.instance());
    uint32_t* g = f.words(static_cast<size_t>(xn > yn ? xn : yn) + 1);
    const int gn = gcd_words(t.instance(), x->w, xn, y->w, yn, g);
    big_set_words(z, g, gn, false);
    return big_int_size(z);
}

int jack(const big_rec* a, const big_rec* n) {
    TraceScope t(ID_JACK);
    if (!t.ok() || refuse_fraction(a) || refuse_fraction(n)) return 0;
    const int nn = big_len(n);
    if (nn == 0 || big_is_negative(n) || (n->w[0] & 1u) == 0) return 0;
    engine_instance* e = t.instance();
    ScratchFrame f(e);
    const int cap = (big_len(a) > nn ? big_len(a) : nn) + 1;
    uint32_t* u = f.words(static_cast<size_t>(cap));
    uint32_t* v = f.words(static_cast<size_t>(cap));
    uint32_t* r = f.words(static_cast<size_t>(cap));
    // u = a mod n (non-negative), v = n.
    int un = 0, vn = nn;
    std::memcpy(v, n->w, sizeof(uint32_t) * static_cast<size_t>(nn));
    divmod_words(e, a->w, big_len(a), n->w, nn, nullptr, nullptr, u, &un);
    if (big_is_negative(a) && un != 0) {
        mp_sub_raw(u, n->w, nn, u, un);
        un = mp_norm_len_raw(u, nn);
    }
    int result = 1;
    while (un != 0) {
        // strip factors of two: (2/v) = -1 when v = 3, 5 (mod 8)
        int twos = 0;
        int lead = 0;
        while (u[lead] == 0) ++lead;
        if (lead > 0) {
            std::memmove(u, u + lead, sizeof(uint32_t) * static_cast<size_t>(un - lead));
            std::memset(u + un - lead, 0, sizeof(uint32_t) * static_cast<size_t>(lead));
            un -= lead;
            twos += 32 * lead;
        }
        const int k = __builtin_ctz(u[0]);
        mp_shr_raw(u, u, un, k);
        un = mp_norm_len_raw(u, un);
        twos += k;
        const uint32_t v8 = v[0] & 7u;
        if ((twos & 1) && (v8 == 3 || v8 == 5)) result = -result;
        // reciprocity: flip when both are 3 mod 4
        if ((u[0] & 3u) == 3 && (v[0] & 3u) == 3) result = -result;
        int rn = 0;
        divmod_words(e, v, vn, u, un, nullptr, nullptr, r, &rn);
        std::swap(v, u);
        vn = un;
        std::swap(u, r);
        un = rn;
    }
    return (vn == 1 && v[0] == 1) ? result : 0;
}

int logb2(const big_rec* x) {
    TraceScope t(ID_LOGB2);
    if (!t.ok() || refuse_fraction(x)) return 0;
    return mp_bits_raw(x->w, big_len(x));
}

void expb2(int n, big x) {
    TraceScope t(ID_EXPB2);
    if (!t.ok()) return;
    if (n < 0) {
        report_error(10);
        return;
    }
    if (n / 32 + 1 > t.instance()->precision_words) {
        report_error(3);
        return;
    }
    big_zero(x);
    x->w[n / 32] = 1u << (n % 32);
    x->len = static_cast<uint32_t>(n / 32 + 1);
}

void word_shift(const big_rec* x, int n, big w) {
    TraceScope t(ID_WORD_SHIFT);
    if (!t.ok() || refuse_fraction(x)) return;
    const int xn = big_len(x);
    const bool neg = big_is_negative(x);
    if (xn == 0) {
        big_zero(w);
        return;
    }
    if (n >= 0) {
        if (xn + n > t.instance()->precision_words) {
            report_error(3);
            return;
        }
        ScratchFrame f(t.instance());
        uint32_t* r = f.words(static_cast<size_t>(xn + n));
        std::memcpy(r + n, x->w, sizeof(uint32_t) * static_cast<size_t>(xn));
        big_set_words(w, r, xn + n, neg);
        return;
    }
    const int drop = -n;
    if (drop >= xn) {
        big_zero(w);
        return;
    }
    ScratchFrame f(t.instance());
    uint32_t* r = f.words(static_cast<size_t>(xn - drop));
    std::memcpy(r, x->w + drop, sizeof(uint32_t) * static_cast<size_t>(xn - drop));
    big_set_words(w, r, xn - drop, neg);
}
