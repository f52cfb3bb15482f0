// Curve set-up and single points over GF(2^m): set, get, normalise, copy,
// compare, negate.
#include "engine/ec2.h"
#include "engine/ec2_internal.h"
#include "engine/gf2m.h"
#include "engine/internal.h"

using namespace ec2;

namespace {

// Short form of a field coefficient: the value when below 2^30, else the marker.
int32_t short_form(const uint64_t* v, int n) {
    for (int i = 1; i < n; ++i)
        if (v[i] != 0) return 1 << 30;
    return v[0] < (1ull << 30) ? static_cast<int32_t>(v[0]) : 1 << 30;
}

}  // namespace

bool ecurve2_init(int m, int a, int b, int c, const big_rec* A, const big_rec* B, bool check,
                  int mode) {
    TraceScope trace(ID_ECURVE2_INIT);
    if (!trace.ok()) return false;
    engine_instance* e = trace.instance();
    e->koblitz = false;
    e->supersingular = false;
    bool super = false;
    if (m < 0) {
        super = true;
        m = -m;
        // y^2 + y = x^3 + x + B with B in {0, 1}.
        if (A == nullptr || big_is_negative(A) || big_len(A) != 1 || A->w[0] != 1) return false;
        if (B != nullptr && (big_is_negative(B) || big_len(B) > 1 || (big_len(B) == 1 && B->w[0] > 1)))
            return false;
    }
    if ((A != nullptr && big_is_negative(A)) || (B != nullptr && big_is_negative(B))) return false;
    if (!prepare_basis(m, a, b, c, check)) return false;
    gf2_field_raw f;
    gf2_field_current(&f);
    uint64_t av[kGf2MaxWords], bv[kGf2MaxWords];
    gf2_load_reduced_raw(&f, A, av);
    gf2_load_reduced_raw(&f, B, bv);
    gf2_store_raw(av, f.words, e->curve_a);
    gf2_store_raw(bv, f.words, e->curve_b);
    e->curve_a_small = short_form(av, f.words);
    e->curve_b_small = short_form(bv, f.words);
    e->supersingular = super;
    e->koblitz = !super && gf2_is_one_raw(bv, f.words) &&
                 (gf2_is_zero_raw(av, f.words) || gf2_is_one_raw(av, f.words));
    e->coord_mode = mode == 1 ? 1 : 0;
    return true;
}

bool epoint2_set(const big_rec* x, const big_rec* y, int bit, epoint* P) {
    TraceScope trace(ID_EPOINT2_SET);
    if (!trace.ok() || P == nullptr) return false;
    if (x == nullptr && y == nullptr) {
        store_aff(Curve{}, Aff{{}, {}, true}, P);
        return true;
    }
    Curve c;
    if (!curve_current(&c)) return false;
    if (x == nullptr) return false;
    Aff pt;
    pt.inf = false;
    gf2_load_reduced_raw(&c.f, x, pt.x);
    const int n = c.n;
    if (y != nullptr && y != x) {
        gf2_load_reduced_raw(&c.f, y, pt.y);
        if (!aff_on_curve(c, pt)) return false;
        store_aff(c, pt, P);
        return true;
    }
    if (y == nullptr) return false;
    // Compressed: recover y from x and the bit.
    uint64_t rhs[kW], t[kW], z[kW];
    if (c.supersingular) {
        // z^2 + z = x^3 + A x + B, y = z
        fsqr(c, t, pt.x);
        fadd(c, t, t, c.a);
        fmul(c, rhs, t, pt.x);
        fadd(c, rhs, rhs, c.b);
        if (!gf2_quad_solve_raw(&c.f, z, rhs)) return false;
        if (static_cast<int>(z[0] & 1) != (bit & 1)) z[0] ^= 1;
        gf2_copy_raw(pt.y, z, n);
    } else if (gf2_is_zero_raw(pt.x, n)) {
        gf2_sqrt_raw(&c.f, pt.y, c.b);
    } else {
        // z^2 + z = x + A + B/x^2, y = z x
        fsqr(c, t, pt.x);
        if (!gf2_inv_raw(&c.f, t, t)) return false;
        fmul(c, rhs, t, c.b);
        fadd(c, rhs, rhs, pt.x);
        fadd(c, rhs, rhs, c.a);
        if (!gf2_quad_solve_raw(&c.f, z, rhs)) return false;
        if (static_cast<int>(z[0] & 1) != (bit & 1)) z[0] ^= 1;
        fmul(c, pt.y, z, pt.x);
    }
    store_aff(c, pt, P);
    return true;
}

bool epoint2_norm(epoint* P) {
    TraceScope trace(ID_EPOINT2_NORM);
    if (!trace.ok() || P == nullptr) return false;
    if (P->marker != EPOINT_GENERAL) return true;
    Curve c;
    if (!curve_current(&c)) return false;
    Aff a;
    const bool ok = load_aff(c, P, &a);
    store_aff(c, a, P);
    return ok;
}

int epoint2_get(epoint* P, big x, big y) {
    TraceScope trace(ID_EPOINT2_GET);
    if (!trace.ok() || P == nullptr) return 0;
    if (P->marker == EPOINT_INFINITY) {
        if (x) big_zero(x);
        if (y && y != x) big_zero(y);
        return 0;
    }
    Curve c;
    if (!curve_current(&c)) return -1;
    Aff a;
    if (!load_aff(c, P, &a)) {
        store_aff(c, a, P);
        return -1;
    }
    if (P->marker == EPOINT_GENERAL) store_aff(c, a, P);
    if (x) gf2_store_raw(a.x, c.n, x);
    if (y && y != x) gf2_store_raw(a.y, c.n, y);
    if (c.supersingular) return static_cast<int>(a.y[0] & 1);
    if (gf2_is_zero_raw(a.x, c.n)) return 0;
    uint64_t t[kW];
    gf2_inv_raw(&c.f, t, a.x);
    fmul(c, t, t, a.y);
    return static_cast<int>(t[0] & 1);
}

void epoint2_copy(const epoint* P, epoint* Q) {
    if (P == nullptr || Q == nullptr || P == Q) return;
    engine_instance* e = engine_current();
    if (e == nullptr || e->error_number != 0) return;
    if (P->marker == EPOINT_GENERAL && (Q->z == nullptr || P->z == nullptr)) {
        // Q cannot hold Z: copy the normalised point.
        Curve c;
        if (!curve_current(&c)) return;
        Aff a;
        load_aff(c, P, &a);
        store_aff(c, a, Q);
        return;
    }
    big_copy(P->x, Q->x);
    big_copy(P->y, Q->y);
    if (Q->z) {
        if (P->z) big_copy(P->z, Q->z);
        else if (P->marker == EPOINT_NORMALIZED) big_from_int(1, Q->z);
        else big_zero(Q->z);
    }
    Q->marker = P->marker;
}

bool epoint2_comp(const epoint* P, const epoint* Q) {
    TraceScope trace(ID_EPOINT2_COMP);
    if (!trace.ok() || P == nullptr || Q == nullptr) return false;
    if (P == Q) return true;
    const bool pinf = P->marker == EPOINT_INFINITY, qinf = Q->marker == EPOINT_INFINITY;
    if (pinf || qinf) return pinf && qinf;
    Curve c;
    if (!curve_current(&c)) return false;
    // Cross-multiplied comparison: X1 Z2 = X2 Z1 and Y1 Z2^k = Y2 Z1^k (k = 2
    // for Lopez-Dahab, 1 for the supersingular projective form).
    const bool pg = P->marker == EPOINT_GENERAL && P->z != nullptr;
    const bool qg = Q->marker == EPOINT_GENERAL && Q->z != nullptr;
    uint64_t px[kW], py[kW], pz[kW], qx[kW], qy[kW], qz[kW];
    gf2_load_reduced_raw(&c.f, P->x, px);
    gf2_load_reduced_raw(&c.f, P->y, py);
    gf2_load_reduced_raw(&c.f, Q->x, qx);
    gf2_load_reduced_raw(&c.f, Q->y, qy);
    gf2_zero_raw(pz, c.n);
    gf2_zero_raw(qz, c.n);
    pz[0] = qz[0] = 1;
    if (pg) gf2_load_reduced_raw(&c.f, P->z, pz);
    if (qg) gf2_load_reduced_raw(&c.f, Q->z, qz);
    uint64_t l[kW], r[kW];
    fmul(c, l, px, qz);
    fmul(c, r, qx, pz);
    if (!gf2_equal_raw(l, r, c.n)) return false;
    uint64_t zp[kW], zq[kW];
    gf2_copy_raw(zp, pz, c.n);
    gf2_copy_raw(zq, qz, c.n);
    if (!c.supersingular) {
        fsqr(c, zp, pz);
        fsqr(c, zq, qz);
    }
    fmul(c, l, py, zq);
    fmul(c, r, qy, zp);
    return gf2_equal_raw(l, r, c.n);
}

void epoint2_negate(epoint* P) {
    TraceScope trace(ID_EPOINT2_NEGATE);
    if (!trace.ok() || P == nullptr || P->marker == EPOINT_INFINITY) return;
    Curve c;
    if (!curve_current(&c)) return;
    uint64_t x[kW], y[kW], z[kW];
    gf2_load_reduced_raw(&c.f, P->x, x);
    gf2_load_reduced_raw(&c.f, P->y, y);
    const bool general = P->marker == EPOINT_GENERAL && P->z != nullptr;
    if (general) gf2_load_reduced_raw(&c.f, P->z, z);
    if (c.supersingular) {
        // y + 1, projective Y + Z
        if (general) fadd(c, y, y, z);
        else y[0] ^= 1;
    } else if (general) {
        fmul(c, z, x, z);
        fadd(c, y, y, z);
    } else {
        fadd(c, y, y, x);
    }
    gf2_store_raw(y, c.n, P->y);
}
