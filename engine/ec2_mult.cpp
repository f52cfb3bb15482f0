// Scalar products over GF(2^m): ecurve2_mult and ecurve2_mult2.
//
// Ordinary curves walk the non-adjacent form of the scalar in windows of up to
// five digits over the odd multiples P, 3P, ..., 21P; Koblitz curves walk the
// folded tau-adic coefficients (ec2_koblitz.cpp) with the Frobenius map in place
// of doubling. The multiples are kept affine so that every addition in the walk
// is a mixed one; in projective mode they are formed in Lopez-Dahab coordinates
// and normalised together with one inversion.
#include <algorithm>
#include <cstdlib>

#include "engine/ec2_internal.h"
#include "engine/internal.h"

namespace ec2 {

int naf_digits(const big_rec* k, int8_t* digits) {
    const int len = big_len(k);
    if (len == 0) return 0;
    // h = 3k, one word longer; digit i = bit(h, i+1) - bit(k, i+1).
    ScratchFrame sf(engine_current());
    uint32_t* h = sf.words(static_cast<size_t>(len) + 1);
    uint64_t carry = 0;
    const int hl = len + 1;
    for (int i = 0; i < hl; ++i) {
        const uint64_t kw = i < len ? k->w[i] : 0;
        carry += 3 * kw;
        h[i] = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    auto bit = [](const uint32_t* w, int n, int i) {
        return (i >> 5) < n ? static_cast<int>((w[i >> 5] >> (i & 31)) & 1) : 0;
    };
    const int count = 32 * hl - 1;
    int top = 0;
    for (int i = 0; i < count; ++i) {
        digits[i] = static_cast<int8_t>(bit(h, hl, i + 1) - bit(k->w, len, i + 1));
        if (digits[i] != 0) top = i + 1;
    }
    return top;
}

}  // namespace ec2

using namespace ec2;

namespace {

constexpr int kTable = 11;  // odd multiples P, 3P, ..., 21P

void call_hook(const engine_instance* e) {
    if (e->user_hook != nullptr) e->user_hook();
}

// t[i] = (2i + 1) p for i < count, affine.
void odd_multiples(const Curve& c, const Aff& p, int count, Aff* t) {
    t[0] = p;
    if (count <= 1) return;
    if (!c.projective) {
        Aff p2;
        aff_dbl(c, p, &p2, nullptr);
        for (int i = 1; i < count; ++i) aff_add(c, t[i - 1], p2, &t[i], nullptr);
        return;
    }
    Proj lp, l2;
    ld_from_aff(c, p, &lp);
    ld_dbl(c, lp, &l2);
    Aff p2;
    ld_to_aff(c, l2, &p2);
    Proj lt[kTable];
    lt[0] = lp;
    for (int i = 1; i < count; ++i) ld_add_mixed(c, lt[i - 1], p2, &lt[i]);
    ld_to_aff_batch(c, lt + 1, count - 1, t + 1);
}

// Adds sign * t[idx] to r (r infinity: sets it).
inline void add_entry(const Curve& c, Point* r, const Aff& entry, bool negative) {
    if (!negative) {
        pt_add_aff(c, *r, entry, r);
        return;
    }
    Aff n = entry;
    aff_neg(c, &n);
    pt_add_aff(c, *r, n, r);
}

// r = k p for the magnitude of k (ordinary curves).
void mult_window(const Curve& c, const engine_instance* e, const big_rec* k, const Aff& p,
                 Point* r) {
    ScratchFrame sf(engine_current());
    auto* d = reinterpret_cast<int8_t*>(sf.words((static_cast<size_t>(big_len(k)) + 2) * 8));
    const int top = naf_digits(k, d);
    // First pass: the windows, to learn how many multiples are needed.
    int need = 1;
    for (int i = top - 1; i >= 0;) {
        if (d[i] == 0) {
            --i;
            continue;
        }
        int j = std::max(i - 4, 0);
        while (d[j] == 0) ++j;
        int v = 0;
        for (int t = i; t >= j; --t) v = 2 * v + d[t];
        need = std::max(need, std::abs(v) / 2 + 1);
        i = j - 1;
    }
    Aff table[kTable];
    odd_multiples(c, p, need, table);
    r->p.inf = true;
    bool first = true;
    for (int i = top - 1; i >= 0;) {
        if (d[i] == 0) {
            if (!first) pt_dbl(c, *r, r);
            --i;
            continue;
        }
        int j = std::max(i - 4, 0);
        while (d[j] == 0) ++j;
        int v = 0;
        for (int t = i; t >= j; --t) v = 2 * v + d[t];
        if (!first)
            for (int t = i; t >= j; --t) pt_dbl(c, *r, r);
        add_entry(c, r, table[std::abs(v) / 2], v < 0);
        first = false;
        call_hook(e);
        i = j - 1;
    }
}

// Up to three multiples of p, affine: m[1] = p, m[2] = 2p, m[3] = 3p.
void small_multiples(const Curve& c, const Aff& p, int need, Aff* m) {
    m[1] = p;
    if (need >= 2) aff_dbl(c, p, &m[2], nullptr);
    if (need >= 3) aff_add(c, m[2], p, &m[3], nullptr);
}

// r += v * (multiples of p), |v| any size.
void add_multiple(const Curve& c, Point* r, const Aff* mult, int v) {
    const bool neg = v < 0;
    int left = std::abs(v);
    while (left > 0) {
        const int step = std::min(left, 3);
        add_entry(c, r, mult[step], neg);
        left -= step;
    }
}

int max_abs(const int16_t* coef, int m) {
    int need = 0;
    for (int j = 0; j < m; ++j) need = std::max(need, std::abs(static_cast<int>(coef[j])));
    return std::min(need, 3);
}

// r = k p on a Koblitz curve.
void mult_tau(const Curve& c, const engine_instance* e, const big_rec* k, const Aff& p, Point* r) {
    const int m = c.f.m;
    ScratchFrame sf(engine_current());
    auto* coef = reinterpret_cast<int16_t*>(sf.words(static_cast<size_t>(m) / 2 + 2));
    tau_coefficients(c, k, coef);
    const int need = max_abs(coef, m);
    r->p.inf = true;
    if (need <= 1) {
        // Digits 0 and +-1 only (the usual case): walk from the bottom, adding
        // tau^j P to r, so the Frobenius map runs on the affine point (two
        // squarings) instead of the accumulator.
        int last = m - 1;
        while (last > 0 && coef[last] == 0) --last;
        Aff t = p;
        for (int j = 0; j <= last; ++j) {
            if (coef[j] != 0) {
                add_entry(c, r, t, coef[j] < 0);
                call_hook(e);
            }
            if (j < last) aff_frob(c, t, &t);
        }
        return;
    }
    Aff mult[4];
    small_multiples(c, p, need, mult);
    for (int j = m - 1; j >= 0; --j) {
        if (!r->p.inf) pt_frob(c, *r, r);
        if (coef[j] != 0) {
            add_multiple(c, r, mult, coef[j]);
            call_hook(e);
        }
    }
}

bool scalar_is_zero(const big_rec* k) { return k == nullptr || big_is_zero(k); }

}  // namespace

void ecurve2_mult(const big_rec* e, epoint* P, epoint* R) {
    TraceScope trace(ID_ECURVE2_MULT);
    if (!trace.ok() || P == nullptr || R == nullptr) return;
    Curve c;
    if (!curve_current(&c)) return;
    Aff p;
    Point r;
    r.p.inf = true;
    if (scalar_is_zero(e) || P->marker == EPOINT_INFINITY || !load_aff(c, P, &p) || p.inf) {
        store_point(c, r, R);
        return;
    }
    if (big_is_negative(e)) aff_neg(c, &p);
    if (big_len(e) == 1 && e->w[0] == 1) {
        store_aff(c, p, R);
        return;
    }
    if (c.koblitz) mult_tau(c, trace.instance(), e, p, &r);
    else mult_window(c, trace.instance(), e, p, &r);
    store_point(c, r, R);
}

void ecurve2_mult2(const big_rec* e, epoint* P, const big_rec* f, epoint* Q, epoint* R) {
    TraceScope trace(ID_ECURVE2_MULT2);
    if (!trace.ok() || P == nullptr || Q == nullptr || R == nullptr) return;
    Curve c;
    if (!curve_current(&c)) return;
    Aff p, q;
    bool use_p = !scalar_is_zero(e) && P->marker != EPOINT_INFINITY && load_aff(c, P, &p) && !p.inf;
    bool use_q = !scalar_is_zero(f) && Q->marker != EPOINT_INFINITY && load_aff(c, Q, &q) && !q.inf;
    Point r;
    r.p.inf = true;
    if (!use_p && !use_q) {
        store_point(c, r, R);
        return;
    }
    if (use_p && big_is_negative(e)) aff_neg(c, &p);
    if (use_q && big_is_negative(f)) aff_neg(c, &q);
    engine_instance* inst = trace.instance();
    if (!use_p || !use_q) {
        const big_rec* k = use_p ? e : f;
        const Aff& base = use_p ? p : q;
        if (c.koblitz) mult_tau(c, inst, k, base, &r);
        else mult_window(c, inst, k, base, &r);
        store_point(c, r, R);
        return;
    }
    ScratchFrame sf(inst);
    if (c.koblitz) {
        const int m = c.f.m;
        auto* ce = reinterpret_cast<int16_t*>(sf.words(static_cast<size_t>(m) / 2 + 2));
        auto* cf = reinterpret_cast<int16_t*>(sf.words(static_cast<size_t>(m) / 2 + 2));
        tau_coefficients(c, e, ce);
        tau_coefficients(c, f, cf);
        Aff mp[4], mq[4];
        small_multiples(c, p, max_abs(ce, m), mp);
        small_multiples(c, q, max_abs(cf, m), mq);
        for (int j = m - 1; j >= 0; --j) {
            if (!r.p.inf) pt_frob(c, r, &r);
            if (ce[j] != 0) add_multiple(c, &r, mp, ce[j]);
            if (cf[j] != 0) add_multiple(c, &r, mq, cf[j]);
            if (ce[j] != 0 || cf[j] != 0) call_hook(inst);
        }
        store_point(c, r, R);
        return;
    }
    // Joint signed digits over P, Q, P + Q and P - Q.
    const size_t room = (static_cast<size_t>(std::max(big_len(e), big_len(f))) + 2) * 8;
    auto* de = reinterpret_cast<int8_t*>(sf.words(room));
    auto* df = reinterpret_cast<int8_t*>(sf.words(room));
    const int te = naf_digits(e, de), tf = naf_digits(f, df);
    for (int i = te; i < tf; ++i) de[i] = 0;
    for (int i = tf; i < te; ++i) df[i] = 0;
    Aff sum, diff, nq = q;
    aff_add(c, p, q, &sum, nullptr);
    aff_neg(c, &nq);
    aff_add(c, p, nq, &diff, nullptr);
    const int top = std::max(te, tf);
    for (int i = top - 1; i >= 0; --i) {
        if (!r.p.inf) pt_dbl(c, r, &r);
        const int a = de[i], b = df[i];
        if (a == 0 && b == 0) continue;
        if (a != 0 && b != 0) add_entry(c, &r, a == b ? sum : diff, a < 0);
        else if (a != 0) add_entry(c, &r, p, a < 0);
        else add_entry(c, &r, q, b < 0);
    }
    store_point(c, r, R);
}
