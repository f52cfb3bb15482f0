// Curve arithmetic over GF(p): affine formulas with one division per addition,
// Jacobian formulas (add-2007-bl, madd-2007-bl, dbl-2001-b for a = -3,
// dbl-2007-bl otherwise; see the Explicit-Formulas Database), and signed-digit
// window scalar multiplication.
#include "engine/ecp.h"

#include <cstring>

#include "engine/internal.h"
#include "engine/kernels.h"
#include "engine/modular.h"

namespace {

constexpr int kMarker = 1 << 30;  // short form "use the full residue"

engine_instance* inst() { return engine_current(); }
bool projective() { return inst()->coord_mode != 1; }

inline void fmul(const big_rec* a, const big_rec* b, big r) { nres_modmult(a, b, r); }
inline void fsqr(const big_rec* a, big r) { nres_modmult(a, a, r); }
inline void fadd(const big_rec* a, const big_rec* b, big r) { nres_modadd(a, b, r); }
inline void fsub(const big_rec* a, const big_rec* b, big r) { nres_modsub(a, b, r); }

// Short form of v modulo p: v itself when |v| < 2^30, for A also -d when
// v = p - d with d < 2^30, otherwise the marker (with v's sign).
int short_form(const big_rec* v, const big_rec* p, bool allow_negative_offset, big scratch,
               big modulus) {
    const int s = big_int_size(v);
    if (s != kMarker && s != -kMarker) return s;
    if (allow_negative_offset) {
        big_copy(v, scratch);
        big_copy(p, modulus);
        divide(scratch, modulus, modulus);  // scratch = v mod p (sign of v)
        if (big_is_negative(scratch)) add(scratch, p, scratch);
        subtract(p, scratch, scratch);  // d = p - (v mod p)
        const int d = big_int_size(scratch);
        if (d > 0 && d < kMarker) return -d;
    }
    return big_is_negative(v) ? -kMarker : kMarker;
}

// A point carved from a scratch frame (no heap): lives until the frame ends.
epoint* scratch_point(ScratchFrame& f) {
    auto* p = reinterpret_cast<epoint*>(f.words((sizeof(epoint) + 3) / 4));
    p->x = f.number();
    p->y = f.number();
    p->z = projective() ? f.number() : nullptr;
    p->marker = EPOINT_INFINITY;
    return p;
}

void set_infinity(epoint* p) {
    p->marker = EPOINT_INFINITY;
    big_zero(p->x);
    big_zero(p->y);
    if (p->z) big_zero(p->z);
}

void copy_point(const epoint* p, epoint* q) {
    if (q == nullptr || p == q) return;
    big_copy(p->x, q->x);
    big_copy(p->y, q->y);
    if (q->z) {
        if (p->z)
            big_copy(p->z, q->z);
        else
            big_zero(q->z);
    }
    q->marker = p->marker;
}

// w = residue of 1 (R mod p).
void mont_one(big w) {
    ScratchFrame f(inst());
    big one = f.number();
    big_from_int(1, one);
    nres(one, w);
}

// ---- affine ----------------------------------------------------------------------

big affine_double(epoint* p) {
    engine_instance* e = inst();
    if (big_is_zero(p->y)) {
        set_infinity(p);
        return nullptr;
    }
    big lambda = e->workspace[7];
    ScratchFrame f(e);
    big t = f.number(), u = f.number();
    fsqr(p->x, t);
    fadd(t, t, u);
    fadd(u, t, t);                        // 3x^2
    fadd(t, e->curve_a, t);               // + A
    fadd(p->y, p->y, u);                  // 2y
    if (nres_moddiv(t, u, lambda) != 1) {
        set_infinity(p);
        report_error(28);
        return nullptr;
    }
    fsqr(lambda, t);
    fsub(t, p->x, t);
    fsub(t, p->x, t);                     // x3 = lambda^2 - 2x
    fsub(p->x, t, u);
    fmul(lambda, u, u);
    fsub(u, p->y, p->y);                  // y3 = lambda (x - x3) - y
    big_copy(t, p->x);
    p->marker = EPOINT_NORMALIZED;
    return lambda;
}

// q = q + p for distinct point objects, both finite and affine.
big affine_add(const epoint* p, epoint* q) {
    engine_instance* e = inst();
    ScratchFrame f(e);
    big dx = f.number(), dy = f.number(), t = f.number();
    fsub(p->y, q->y, dy);
    fsub(p->x, q->x, dx);
    if (big_is_zero(dx)) {
        if (big_is_zero(dy)) return affine_double(q);
        set_infinity(q);
        return nullptr;
    }
    big lambda = e->workspace[7];
    if (nres_moddiv(dy, dx, lambda) != 1) {
        set_infinity(q);
        report_error(28);
        return nullptr;
    }
    fsqr(lambda, t);
    fsub(t, p->x, t);
    fsub(t, q->x, t);                     // x3 = lambda^2 - x1 - x2
    fsub(q->x, t, dx);
    fmul(lambda, dx, dx);
    fsub(dx, q->y, q->y);                 // y3 = lambda (x2 - x3) - y2
    big_copy(t, q->x);
    q->marker = EPOINT_NORMALIZED;
    return lambda;
}

// ---- Jacobian ---------------------------------------------------------------------

void jacobian_double(epoint* p) {
    engine_instance* e = inst();
    if (big_is_zero(p->y)) {
        set_infinity(p);
        return;
    }
    ScratchFrame f(e);
    big z = f.number();
    if (p->marker == EPOINT_NORMALIZED)
        mont_one(z);
    else
        big_copy(p->z, z);
    big t1 = f.number(), t2 = f.number(), t3 = f.number(), t4 = f.number();
    if (e->curve_a_small == -3) {
        // delta = Z^2, gamma = Y^2, beta = X gamma, alpha = 3 (X - delta)(X + delta)
        fsqr(z, t1);                       // delta
        fsqr(p->y, t2);                    // gamma
        fmul(p->x, t2, t3);                // beta
        fsub(p->x, t1, t4);
        fadd(p->x, t1, p->x);              // X no longer needed
        fmul(t4, p->x, t4);
        fadd(t4, t4, p->x);
        fadd(p->x, t4, t4);                // alpha
        fadd(p->y, z, p->z);
        fsqr(p->z, p->z);
        fsub(p->z, t2, p->z);
        fsub(p->z, t1, p->z);              // Z3 = (Y + Z)^2 - gamma - delta
        fsqr(t4, p->x);
        fadd(t3, t3, t1);
        fadd(t1, t1, t1);                  // 4 beta
        fadd(t1, t1, p->y);                // 8 beta
        fsub(p->x, p->y, p->x);            // X3 = alpha^2 - 8 beta
        fsub(t1, p->x, t1);                // 4 beta - X3
        fmul(t4, t1, t1);
        fsqr(t2, t2);                      // gamma^2
        fadd(t2, t2, t2);
        fadd(t2, t2, t2);
        fadd(t2, t2, t2);                  // 8 gamma^2
        fsub(t1, t2, p->y);
    } else {
        big yy = f.number(), s = f.number();
        fsqr(p->x, t1);                    // XX
        fsqr(p->y, yy);                    // YY
        fsqr(yy, t2);                      // YYYY
        fsqr(z, t3);                       // ZZ
        fadd(p->x, yy, s);
        fsqr(s, s);
        fsub(s, t1, s);
        fsub(s, t2, s);
        fadd(s, s, s);                     // S = 2 ((X + YY)^2 - XX - YYYY)
        fadd(t1, t1, t4);
        fadd(t4, t1, t4);                  // 3 XX
        fsqr(t3, t1);
        fmul(t1, e->curve_a, t1);
        fadd(t4, t1, t4);                  // M = 3 XX + a ZZ^2
        fadd(p->y, z, p->z);
        fsqr(p->z, p->z);
        fsub(p->z, yy, p->z);
        fsub(p->z, t3, p->z);              // Z3 = (Y + Z)^2 - YY - ZZ
        fsqr(t4, p->x);
        fsub(p->x, s, p->x);
        fsub(p->x, s, p->x);               // X3 = M^2 - 2S
        fsub(s, p->x, t1);
        fmul(t4, t1, t1);
        fadd(t2, t2, t2);
        fadd(t2, t2, t2);
        fadd(t2, t2, t2);                  // 8 YYYY
        fsub(t1, t2, p->y);
    }
    p->marker = EPOINT_GENERAL;
}

// q = q + p for distinct point objects, both finite, Jacobian.
void jacobian_add(const epoint* p, epoint* q) {
    engine_instance* e = inst();
    ScratchFrame f(e);
    big u1 = f.number(), u2 = f.number(), s1 = f.number(), s2 = f.number(), t = f.number();
    const bool pn = p->marker == EPOINT_NORMALIZED, qn = q->marker == EPOINT_NORMALIZED;
    // U1 = X_q Z_p^2, S1 = Y_q Z_p^3, U2 = X_p Z_q^2, S2 = Y_p Z_q^3
    if (pn) {
        big_copy(q->x, u1);
        big_copy(q->y, s1);
    } else {
        fsqr(p->z, t);
        fmul(q->x, t, u1);
        fmul(t, p->z, t);
        fmul(q->y, t, s1);
    }
    if (qn) {
        big_copy(p->x, u2);
        big_copy(p->y, s2);
    } else {
        fsqr(q->z, t);
        fmul(p->x, t, u2);
        fmul(t, q->z, t);
        fmul(p->y, t, s2);
    }
    fsub(u2, u1, u2);  // H
    fsub(s2, s1, s2);  // r
    if (big_is_zero(u2)) {
        if (big_is_zero(s2)) {
            jacobian_double(q);
        } else {
            set_infinity(q);
        }
        return;
    }
    // Z3 = Z_q Z_p H
    if (qn && pn) {
        big_copy(u2, q->z);
    } else if (qn) {
        fmul(p->z, u2, q->z);
    } else {
        if (!pn) fmul(q->z, p->z, q->z);
        fmul(q->z, u2, q->z);
    }
    big hh = f.number();
    fsqr(u2, hh);          // HH
    fmul(u2, hh, u2);      // HHH
    fmul(u1, hh, u1);      // V = U1 HH
    fsqr(s2, t);
    fsub(t, u2, t);
    fsub(t, u1, t);
    fsub(t, u1, q->x);     // X3 = r^2 - HHH - 2V
    fsub(u1, q->x, u1);
    fmul(s2, u1, u1);
    fmul(s1, u2, s1);
    fsub(u1, s1, q->y);    // Y3 = r (V - X3) - S1 HHH
    q->marker = EPOINT_GENERAL;
}

// Q = Q + P without tracing; returns the slope in affine mode.
big add_points(epoint* p, epoint* q) {
    if (p->marker == EPOINT_INFINITY) return nullptr;
    if (q->marker == EPOINT_INFINITY) {
        copy_point(p, q);
        return nullptr;
    }
    if (!projective()) {
        if (p == q) return affine_double(q);
        return affine_add(p, q);
    }
    if (p == q)
        jacobian_double(q);
    else
        jacobian_add(p, q);
    return nullptr;
}

void negate_point(epoint* p) {
    if (p->marker == EPOINT_INFINITY || big_is_zero(p->y)) return;
    nres_negate(p->y, p->y);
}

void double_point(epoint* p) {
    if (p->marker == EPOINT_INFINITY) return;
    if (projective())
        jacobian_double(p);
    else
        affine_double(p);
}

bool normalise_point(epoint* p) {
    if (!projective() || p->marker != EPOINT_GENERAL) return true;
    engine_instance* e = inst();
    ScratchFrame f(e);
    big one = f.number(), zi = f.number(), t = f.number();
    mont_one(one);
    if (nres_moddiv(one, p->z, zi) != 1) {
        set_infinity(p);
        report_error(28);
        return false;
    }
    fsqr(zi, t);
    fmul(p->x, t, p->x);
    fmul(t, zi, t);
    fmul(p->y, t, p->y);
    big_copy(one, p->z);
    p->marker = EPOINT_NORMALIZED;
    return true;
}

// Signed digits of e (e > 0): d[j] = bit_{j+1}(3e) - bit_{j+1}(e), the
// non-adjacent form, least significant first. Returns the digit count. 3e is
// formed on raw words so that a scalar at full precision does not overflow.
int naf_digits(const big_rec* e, int8_t* d) {
    ScratchFrame f(inst());
    const int n = big_len(e);
    uint32_t* h = f.words(static_cast<size_t>(n) + 2);
    h[n] = mp_shl_raw(h, e->w, n, 1);
    h[n + 1] = mp_add_raw(h, h, n + 1, e->w, n);
    const int bits = mp_bits_raw(h, mp_norm_len_raw(h, n + 2));
    auto bit = [](const uint32_t* w, int i) { return static_cast<int>((w[i / 32] >> (i % 32)) & 1u); };
    for (int j = 0; j + 1 < bits; ++j)
        d[j] = static_cast<int8_t>(bit(h, j + 1) - (j + 1 < 32 * n ? bit(e->w, j + 1) : 0));
    return bits > 1 ? bits - 1 : 0;
}

}  // namespace

// ---- public routines -----------------------------------------------------------------

void ecurve_init(const big_rec* a, const big_rec* b, const big_rec* p, int mode) {
    TraceScope t(ID_ECURVE_INIT);
    if (!t.ok()) return;
    engine_instance* e = t.instance();
    prepare_monty(p);
    if (e->error_number) return;
    ScratchFrame f(e);
    big s = f.number(), m = f.number();
    e->curve_a_small = short_form(a, p, true, s, m);
    e->curve_b_small = short_form(b, p, false, s, m);
    // The residues are kept in every case: the formulas read them directly.
    nres(a, e->curve_a);
    nres(b, e->curve_b);
    e->coord_mode = (mode == 1) ? 1 : 0;
}

void curve_rhs(const big_rec* x, big w) {
    engine_instance* e = inst();
    ScratchFrame f(e);
    big t = f.number();
    fsqr(x, t);
    fadd(t, e->curve_a, t);
    fmul(t, x, t);
    fadd(t, e->curve_b, w);
}

bool epoint_set(const big_rec* x, const big_rec* y, int lsb, epoint* p) {
    TraceScope t(ID_EPOINT_SET);
    if (!t.ok()) return false;
    if (x == nullptr && y == nullptr) {
        set_infinity(p);
        return true;
    }
    if (x == nullptr || y == nullptr) return false;
    engine_instance* e = t.instance();
    ScratchFrame f(e);
    big rhs = f.number(), xr = f.number();
    nres(x, xr);
    curve_rhs(xr, rhs);
    if (x == y) {
        big root = f.number();
        if (!nres_sqroot(rhs, root)) return false;
        big plain = f.number();
        redc(root, plain);
        if ((big_len(plain) ? (plain->w[0] & 1u) : 0u) != static_cast<uint32_t>(lsb & 1))
            nres_negate(root, root);
        big_copy(xr, p->x);
        big_copy(root, p->y);
    } else {
        big yr = f.number(), y2 = f.number();
        nres(y, yr);
        fsqr(yr, y2);
        big_copy(xr, p->x);
        big_copy(yr, p->y);
        if (big_compare(y2, rhs) != 0) return false;
    }
    if (p->z) mont_one(p->z);
    p->marker = EPOINT_NORMALIZED;
    return e->error_number == 0;
}

int epoint_get(epoint* p, big x, big y) {
    TraceScope t(ID_EPOINT_GET);
    if (!t.ok()) return 0;
    if (p->marker == EPOINT_INFINITY) {
        big_zero(x);
        if (y != nullptr && y != x) big_zero(y);
        return 0;
    }
    if (!normalise_point(p)) return -1;
    ScratchFrame f(t.instance());
    big yp = f.number();
    redc(p->y, yp);
    redc(p->x, x);
    if (y != nullptr && y != x) big_copy(yp, y);
    return big_len(yp) ? static_cast<int>(yp->w[0] & 1u) : 0;
}

void epoint_getxyz(const epoint* p, big x, big y, big z) {
    TraceScope t(ID_EPOINT_GETXYZ);
    if (!t.ok()) return;
    if (p->marker == EPOINT_INFINITY) {
        if (x) big_zero(x);
        if (y) big_zero(y);
        if (z) big_zero(z);
        return;
    }
    if (x) redc(p->x, x);
    if (y) redc(p->y, y);
    if (z) {
        if (p->z == nullptr || p->marker == EPOINT_NORMALIZED)
            big_from_int(1, z);
        else
            redc(p->z, z);
    }
}

bool epoint_norm(epoint* p) {
    TraceScope t(ID_EPOINT_NORM);
    if (!t.ok()) return false;
    return normalise_point(p);
}

void epoint_copy(const epoint* p, epoint* q) { copy_point(p, q); }

bool epoint_equal(epoint* p, epoint* q) {
    if (p == q) return true;
    const bool pi = p->marker == EPOINT_INFINITY, qi = q->marker == EPOINT_INFINITY;
    if (pi || qi) return pi && qi;
    if (!projective() || (p->marker == EPOINT_NORMALIZED && q->marker == EPOINT_NORMALIZED))
        return big_compare(p->x, q->x) == 0 && big_compare(p->y, q->y) == 0;
    // Cross-multiply: X_p Z_q^2 = X_q Z_p^2 and Y_p Z_q^3 = Y_q Z_p^3.
    ScratchFrame f(inst());
    big zp = f.number(), zq = f.number(), a = f.number(), b = f.number(), t2 = f.number();
    if (p->marker == EPOINT_NORMALIZED) mont_one(zp); else big_copy(p->z, zp);
    if (q->marker == EPOINT_NORMALIZED) mont_one(zq); else big_copy(q->z, zq);
    fsqr(zq, t2);
    fmul(p->x, t2, a);
    fmul(t2, zq, t2);
    fmul(p->y, t2, t2);
    fsqr(zp, b);
    fmul(q->x, b, zq);
    if (big_compare(a, zq) != 0) return false;
    fmul(b, zp, b);
    fmul(q->y, b, b);
    return big_compare(t2, b) == 0;
}

void epoint_negate(epoint* p) {
    TraceScope t(ID_EPOINT_NEGATE);
    if (!t.ok()) return;
    negate_point(p);
}

big ecurve_add(epoint* p, epoint* q) {
    TraceScope t(ID_ECURVE_ADD);
    if (!t.ok()) return nullptr;
    return add_points(p, q);
}

void ecurve_double(epoint* p) {
    TraceScope t(ID_ECURVE_ADD);
    if (!t.ok()) return;
    double_point(p);
}

void ecurve_sub(epoint* p, epoint* q) {
    TraceScope t(ID_ECURVE_SUB);
    if (!t.ok()) return;
    if (p == q) {
        set_infinity(q);
        return;
    }
    negate_point(p);
    add_points(p, q);
    negate_point(p);
}

void ecurve_multi_add(int m, epoint** x, epoint** w) {
    TraceScope t(ID_ECURVE_MULTI_ADD);
    if (!t.ok() || m < 1) return;
    engine_instance* e = t.instance();
    if (projective() || m == 1) {
        for (int i = 0; i < m; ++i) add_points(x[i], w[i]);
        return;
    }
    ScratchFrame f(e);
    big* dx = reinterpret_cast<big*>(f.words(static_cast<size_t>(m) * sizeof(big) / 4 + 2));
    big* inv = reinterpret_cast<big*>(f.words(static_cast<size_t>(m) * sizeof(big) / 4 + 2));
    bool* plain = reinterpret_cast<bool*>(f.words(static_cast<size_t>(m) / 4 + 2));
    int k = 0;
    for (int i = 0; i < m; ++i) {
        dx[k] = f.number();
        inv[k] = f.number();
        plain[i] = x[i]->marker != EPOINT_INFINITY && w[i]->marker != EPOINT_INFINITY && x[i] != w[i];
        if (plain[i]) {
            fsub(x[i]->x, w[i]->x, dx[k]);
            if (big_is_zero(dx[k])) plain[i] = false;  // doubling or infinity: one by one
        }
        if (plain[i]) ++k;
    }
    if (k > 0 && !nres_multi_inverse(k, dx, inv)) {
        // A dx shares a factor with p: add one by one, which records error 28.
        for (int i = 0; i < m; ++i) add_points(x[i], w[i]);
        return;
    }
    big lambda = f.number(), t1 = f.number(), t2 = f.number();
    int j = 0;
    for (int i = 0; i < m; ++i) {
        if (!plain[i]) {
            add_points(x[i], w[i]);
            continue;
        }
        epoint* q = w[i];
        fsub(x[i]->y, q->y, t1);
        fmul(t1, inv[j++], lambda);
        fsqr(lambda, t1);
        fsub(t1, x[i]->x, t1);
        fsub(t1, q->x, t1);
        fsub(q->x, t1, t2);
        fmul(lambda, t2, t2);
        fsub(t2, q->y, q->y);
        big_copy(t1, q->x);
        q->marker = EPOINT_NORMALIZED;
    }
}

void ecurve_mult(const big_rec* e, epoint* p, epoint* r) {
    TraceScope t(ID_ECURVE_MULT);
    if (!t.ok()) return;
    engine_instance* in = t.instance();
    if (big_is_zero(e) || p->marker == EPOINT_INFINITY) {
        set_infinity(r);
        return;
    }
    if (!normalise_point(p)) {
        set_infinity(r);
        return;
    }
    ScratchFrame f(in);
    big k = f.number();
    big_copy(e, k);
    epoint* base = scratch_point(f);
    copy_point(p, base);
    if (big_is_negative(k)) {
        big_set_sign(1, k);
        negate_point(base);
    }
    if (big_len(k) == 1 && k->w[0] == 1) {
        copy_point(base, r);
        return;
    }
    // Odd multiples P, 3P, ..., 21P.
    constexpr int kTable = 11;
    epoint* table[kTable];
    epoint* two = scratch_point(f);
    copy_point(base, two);
    double_point(two);
    for (int i = 0; i < kTable; ++i) table[i] = scratch_point(f);
    copy_point(base, table[0]);
    for (int i = 1; i < kTable; ++i) {
        copy_point(table[i - 1], table[i]);
        add_points(two, table[i]);
    }
    // Digits of the signed-digit form, most significant first, in windows of
    // at most five digits whose value lies in -21..21.
    auto* d = reinterpret_cast<int8_t*>(f.words(static_cast<size_t>(in->precision_words) * 8 + 4));
    const int n = naf_digits(k, d);
    epoint* acc = scratch_point(f);
    int j = n - 1;
    while (j >= 0) {
        if (d[j] == 0) {
            double_point(acc);
            --j;
            continue;
        }
        int w = j + 1 < 5 ? j + 1 : 5;
        int v = 0;
        for (; w >= 1; --w) {
            if (d[j - w + 1] == 0) continue;
            v = 0;
            for (int i = 0; i < w; ++i) v = 2 * v + d[j - i];
            if (v <= 21 && v >= -21) break;
        }
        for (int i = 0; i < w; ++i) double_point(acc);
        epoint* entry = table[(v < 0 ? -v : v) / 2];
        if (v < 0) negate_point(entry);
        add_points(entry, acc);
        if (v < 0) negate_point(entry);
        j -= w;
        if (in->user_hook != nullptr) in->user_hook();
    }
    copy_point(acc, r);
}

void ecurve_mult2(const big_rec* e, epoint* p, const big_rec* fk, epoint* q, epoint* r) {
    TraceScope t(ID_ECURVE_MULT2);
    if (!t.ok()) return;
    engine_instance* in = t.instance();
    if (big_is_zero(e)) {
        ecurve_mult(fk, q, r);
        return;
    }
    if (big_is_zero(fk)) {
        ecurve_mult(e, p, r);
        return;
    }
    ScratchFrame f(in);
    big ke = f.number(), kf = f.number();
    big_copy(e, ke);
    big_copy(fk, kf);
    epoint* pp = scratch_point(f);
    epoint* qq = scratch_point(f);
    copy_point(p, pp);
    copy_point(q, qq);
    if (!normalise_point(pp) || !normalise_point(qq)) {
        set_infinity(r);
        return;
    }
    if (big_is_negative(ke)) {
        big_set_sign(1, ke);
        negate_point(pp);
    }
    if (big_is_negative(kf)) {
        big_set_sign(1, kf);
        negate_point(qq);
    }
    epoint* sum = scratch_point(f);
    epoint* diff = scratch_point(f);
    copy_point(qq, sum);
    add_points(pp, sum);  // P + Q
    copy_point(pp, diff);
    negate_point(qq);
    add_points(qq, diff);  // P - Q
    negate_point(qq);
    const size_t cap = static_cast<size_t>(in->precision_words) * 32 + 8;
    auto* de = reinterpret_cast<int8_t*>(f.words(cap / 4 + 1));
    auto* df = reinterpret_cast<int8_t*>(f.words(cap / 4 + 1));
    std::memset(de, 0, cap);
    std::memset(df, 0, cap);
    const int ne = naf_digits(ke, de), nf = naf_digits(kf, df);
    epoint* acc = scratch_point(f);
    for (int j = (ne > nf ? ne : nf) - 1; j >= 0; --j) {
        double_point(acc);
        const int a = de[j], b = df[j];
        if (a == 0 && b == 0) continue;
        epoint* add_pt;
        bool neg;
        if (b == 0) {
            add_pt = pp;
            neg = a < 0;
        } else if (a == 0) {
            add_pt = qq;
            neg = b < 0;
        } else if (a == b) {
            add_pt = sum;
            neg = a < 0;
        } else {
            add_pt = diff;  // a = -b: a(P - Q)
            neg = a < 0;
        }
        if (neg) negate_point(add_pt);
        add_points(add_pt, acc);
        if (neg) negate_point(add_pt);
    }
    copy_point(acc, r);
}
