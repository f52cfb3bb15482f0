// The group law over GF(2^m) on raw words: affine (ordinary and supersingular)
// and Lopez-Dahab formulas, and conversion to and from epoints.
#include <cstring>

#include "engine/ec2_internal.h"
#include "engine/internal.h"

namespace ec2 {

namespace {

inline void copy(const Curve& c, uint64_t* r, const uint64_t* a) { gf2_copy_raw(r, a, c.n); }
inline bool is_zero(const Curve& c, const uint64_t* a) { return gf2_is_zero_raw(a, c.n); }
inline bool equal(const Curve& c, const uint64_t* a, const uint64_t* b) {
    return gf2_equal_raw(a, b, c.n);
}
inline void set_one(const Curve& c, uint64_t* r) {
    gf2_zero_raw(r, c.n);
    r[0] = 1;
}

void set_inf(Aff* r) {
    r->inf = true;
    std::memset(r->x, 0, sizeof r->x);
    std::memset(r->y, 0, sizeof r->y);
}

void set_inf(Proj* r) {
    r->inf = true;
    std::memset(r->x, 0, sizeof r->x);
    std::memset(r->y, 0, sizeof r->y);
    std::memset(r->z, 0, sizeof r->z);
}

}  // namespace

bool curve_current(Curve* c) {
    engine_instance* e = engine_current();
    if (!gf2_field_current(&c->f)) {
        report_error(27);
        return false;
    }
    c->n = c->f.words;
    gf2_load_reduced_raw(&c->f, e->curve_a, c->a);
    gf2_load_reduced_raw(&c->f, e->curve_b, c->b);
    c->a_kind = gf2_is_zero_raw(c->a, c->n) ? 0 : gf2_is_one_raw(c->a, c->n) ? 1 : 2;
    c->b_one = gf2_is_one_raw(c->b, c->n);
    c->supersingular = e->supersingular;
    c->koblitz = e->koblitz && !e->supersingular;
    c->projective = e->coord_mode != 1 && !e->supersingular;
    return true;
}

void fmul_a(const Curve& c, uint64_t* r, const uint64_t* a) {
    if (c.a_kind == 0) gf2_zero_raw(r, c.n);
    else if (c.a_kind == 1) copy(c, r, a);
    else fmul(c, r, a, c.a);
}

void fmul_b(const Curve& c, uint64_t* r, const uint64_t* a) {
    if (c.b_one) copy(c, r, a);
    else fmul(c, r, a, c.b);
}

// ---- affine -------------------------------------------------------------------------------------

bool aff_dbl(const Curve& c, const Aff& p, Aff* r, uint64_t* slope) {
    if (p.inf) {
        set_inf(r);
        return false;
    }
    uint64_t l[kW], t[kW], x3[kW], y3[kW];
    if (c.supersingular) {
        // lambda = x^2 + A; x3 = lambda^2; y3 = lambda (x + x3) + y + 1.
        fsqr(c, l, p.x);
        fadd(c, l, l, c.a);
        fsqr(c, x3, l);
        fadd(c, t, p.x, x3);
        fmul(c, y3, l, t);
        fadd(c, y3, y3, p.y);
        y3[0] ^= 1;
    } else {
        if (is_zero(c, p.x)) {  // (0, sqrt(B)) has order 2
            set_inf(r);
            return false;
        }
        // lambda = x + y/x; x3 = lambda^2 + lambda + A; y3 = x^2 + (lambda + 1) x3.
        if (!gf2_inv_raw(&c.f, t, p.x)) {
            set_inf(r);
            return false;
        }
        fmul(c, l, t, p.y);
        fadd(c, l, l, p.x);
        fsqr(c, x3, l);
        fadd(c, x3, x3, l);
        fadd(c, x3, x3, c.a);
        l[0] ^= 1;
        fmul(c, y3, l, x3);
        l[0] ^= 1;
        fsqr(c, t, p.x);
        fadd(c, y3, y3, t);
    }
    if (slope) copy(c, slope, l);
    copy(c, r->x, x3);
    copy(c, r->y, y3);
    r->inf = false;
    return true;
}

bool aff_add(const Curve& c, const Aff& p, const Aff& q, Aff* r, uint64_t* slope) {
    if (p.inf) {
        if (r != &q) *r = q;
        return false;
    }
    if (q.inf) {
        if (r != &p) *r = p;
        return false;
    }
    uint64_t dx[kW], dy[kW], l[kW], t[kW], x3[kW], y3[kW];
    fadd(c, dx, p.x, q.x);
    fadd(c, dy, p.y, q.y);
    if (is_zero(c, dx)) {
        if (is_zero(c, dy)) return aff_dbl(c, p, r, slope);
        set_inf(r);  // q = -p
        return false;
    }
    if (!gf2_inv_raw(&c.f, t, dx)) {
        set_inf(r);
        return false;
    }
    fmul(c, l, dy, t);
    fsqr(c, x3, l);
    fadd(c, x3, x3, dx);  // x1 + x2
    if (!c.supersingular) {
        // x3 = lambda^2 + lambda + x1 + x2 + A; y3 = lambda (x1 + x3) + x3 + y1.
        fadd(c, x3, x3, l);
        fadd(c, x3, x3, c.a);
        fadd(c, t, p.x, x3);
        fmul(c, y3, l, t);
        fadd(c, y3, y3, x3);
        fadd(c, y3, y3, p.y);
    } else {
        // x3 = lambda^2 + x1 + x2; y3 = lambda (x1 + x3) + y1 + 1.
        fadd(c, t, p.x, x3);
        fmul(c, y3, l, t);
        fadd(c, y3, y3, p.y);
        y3[0] ^= 1;
    }
    if (slope) copy(c, slope, l);
    copy(c, r->x, x3);
    copy(c, r->y, y3);
    r->inf = false;
    return true;
}

void aff_neg(const Curve& c, Aff* p) {
    if (p->inf) return;
    if (c.supersingular) p->y[0] ^= 1;
    else fadd(c, p->y, p->y, p->x);
}

void aff_frob(const Curve& c, const Aff& p, Aff* r) {
    if (p.inf) {
        set_inf(r);
        return;
    }
    fsqr(c, r->x, p.x);
    fsqr(c, r->y, p.y);
    r->inf = false;
}

bool aff_on_curve(const Curve& c, const Aff& p) {
    if (p.inf) return true;
    uint64_t l[kW], r[kW], t[kW];
    if (c.supersingular) {
        // y^2 + y = x^3 + A x + B
        fsqr(c, l, p.y);
        fadd(c, l, l, p.y);
        fsqr(c, t, p.x);
        fadd(c, t, t, c.a);
        fmul(c, r, t, p.x);
        fadd(c, r, r, c.b);
    } else {
        // y^2 + x y = x^3 + A x^2 + B, i.e. y (y + x) = x^2 (x + A) + B
        fadd(c, t, p.y, p.x);
        fmul(c, l, t, p.y);
        fadd(c, t, p.x, c.a);
        fsqr(c, r, p.x);
        fmul(c, r, r, t);
        fadd(c, r, r, c.b);
    }
    return equal(c, l, r);
}

// ---- Lopez-Dahab ------------------------------------------------------------------------------

void ld_from_aff(const Curve& c, const Aff& p, Proj* r) {
    if (p.inf) {
        set_inf(r);
        return;
    }
    copy(c, r->x, p.x);
    copy(c, r->y, p.y);
    set_one(c, r->z);
    r->inf = false;
}

void ld_dbl(const Curve& c, const Proj& p, Proj* r) {
    if (p.inf) {
        set_inf(r);
        return;
    }
    // Z3 = X1^2 Z1^2; X3 = X1^4 + B Z1^4;
    // Y3 = B Z1^4 Z3 + X3 (A Z3 + Y1^2 + B Z1^4).
    uint64_t z2[kW], x2[kW], bz4[kW], z3[kW], x3[kW], t[kW], u[kW];
    fsqr(c, z2, p.z);
    fsqr(c, x2, p.x);
    fmul(c, z3, z2, x2);
    if (is_zero(c, z3)) {  // X1 = 0: the point of order 2
        set_inf(r);
        return;
    }
    fsqr(c, bz4, z2);
    fmul_b(c, bz4, bz4);
    fsqr(c, x3, x2);
    fadd(c, x3, x3, bz4);
    fsqr(c, t, p.y);
    fadd(c, t, t, bz4);
    fmul_a(c, u, z3);
    fadd(c, t, t, u);
    fmul(c, t, t, x3);
    fmul(c, u, bz4, z3);
    fadd(c, r->y, t, u);
    copy(c, r->x, x3);
    copy(c, r->z, z3);
    r->inf = false;
}

void ld_add_mixed(const Curve& c, const Proj& p, const Aff& q, Proj* r) {
    if (q.inf) {
        if (r != &p) *r = p;
        return;
    }
    if (p.inf) {
        ld_from_aff(c, q, r);
        return;
    }
    // A = y2 Z1^2 + Y1; B = x2 Z1 + X1; C = Z1 B; D = B^2 (C + a Z1^2);
    // Z3 = C^2; E = A C; X3 = A^2 + D + E; F = X3 + x2 Z3; G = (x2 + y2) Z3^2;
    // Y3 = (E + Z3) F + G.
    uint64_t z2[kW], A[kW], B[kW], C[kW], D[kW], t[kW], z3[kW], E[kW], x3[kW];
    fsqr(c, z2, p.z);
    fmul(c, A, q.y, z2);
    fadd(c, A, A, p.y);
    fmul(c, B, q.x, p.z);
    fadd(c, B, B, p.x);
    if (is_zero(c, B)) {
        if (is_zero(c, A)) {
            Proj qq;
            ld_from_aff(c, q, &qq);
            ld_dbl(c, qq, r);
        } else {
            set_inf(r);
        }
        return;
    }
    fmul(c, C, p.z, B);
    fmul_a(c, t, z2);
    fadd(c, t, t, C);
    fsqr(c, D, B);
    fmul(c, D, D, t);
    fsqr(c, z3, C);
    fmul(c, E, A, C);
    fsqr(c, x3, A);
    fadd(c, x3, x3, D);
    fadd(c, x3, x3, E);
    // F = X3 + x2 Z3 (in t), G = (x2 + y2) Z3^2 (in D)
    fmul(c, t, q.x, z3);
    fadd(c, t, t, x3);
    fadd(c, D, q.x, q.y);
    uint64_t z4[kW];
    fsqr(c, z4, z3);
    fmul(c, D, D, z4);
    fadd(c, E, E, z3);
    fmul(c, E, E, t);
    fadd(c, r->y, E, D);
    copy(c, r->x, x3);
    copy(c, r->z, z3);
    r->inf = false;
}

void ld_add(const Curve& c, const Proj& p, const Proj& q, Proj* r) {
    if (q.inf) {
        if (r != &p) *r = p;
        return;
    }
    if (p.inf) {
        if (r != &q) *r = q;
        return;
    }
    // A = Y1 Z2^2 + Y2 Z1^2; B = X1 Z2 + X2 Z1; C = Z1 Z2 B;
    // X3 = A^2 + C (A + B^2 + a C); Z3 = C^2;
    // Y3 = Z3 Z2 B (A X1 + Y1 Z2 B) + X3 (A C + Z3).
    uint64_t z1s[kW], z2s[kW], A[kW], B[kW], C[kW], t[kW], u[kW], x3[kW], z3[kW], zb[kW];
    fsqr(c, z1s, p.z);
    fsqr(c, z2s, q.z);
    fmul(c, A, p.y, z2s);
    fmul(c, t, q.y, z1s);
    fadd(c, A, A, t);
    fmul(c, B, p.x, q.z);
    fmul(c, t, q.x, p.z);
    fadd(c, B, B, t);
    if (is_zero(c, B)) {
        if (is_zero(c, A)) ld_dbl(c, p, r);
        else set_inf(r);
        return;
    }
    fmul(c, zb, q.z, B);  // Z2 B
    fmul(c, C, p.z, zb);
    fsqr(c, t, B);
    fadd(c, t, t, A);
    fmul_a(c, u, C);
    fadd(c, t, t, u);
    fmul(c, t, t, C);
    fsqr(c, x3, A);
    fadd(c, x3, x3, t);
    fsqr(c, z3, C);
    // Y3
    fmul(c, t, p.y, zb);
    fmul(c, u, A, p.x);
    fadd(c, t, t, u);
    fmul(c, t, t, zb);
    fmul(c, t, t, z3);
    fmul(c, u, A, C);
    fadd(c, u, u, z3);
    fmul(c, u, u, x3);
    fadd(c, r->y, t, u);
    copy(c, r->x, x3);
    copy(c, r->z, z3);
    r->inf = false;
}

void ld_neg(const Curve& c, Proj* p) {
    if (p->inf) return;
    uint64_t t[kW];
    fmul(c, t, p->x, p->z);
    fadd(c, p->y, p->y, t);
}

void ld_frob(const Curve& c, const Proj& p, Proj* r) {
    if (p.inf) {
        set_inf(r);
        return;
    }
    fsqr(c, r->x, p.x);
    fsqr(c, r->y, p.y);
    fsqr(c, r->z, p.z);
    r->inf = false;
}

bool ld_to_aff(const Curve& c, const Proj& p, Aff* r) {
    if (p.inf) {
        set_inf(r);
        return true;
    }
    uint64_t zi[kW], zi2[kW];
    if (!gf2_inv_raw(&c.f, zi, p.z)) {
        set_inf(r);
        return false;
    }
    fsqr(c, zi2, zi);
    fmul(c, r->x, p.x, zi);
    fmul(c, r->y, p.y, zi2);
    r->inf = false;
    return true;
}

void ld_to_aff_batch(const Curve& c, const Proj* pts, int count, Aff* out) {
    // Prefix products of the Z of the finite points, one inversion, then walk back.
    const int n = c.n;
    uint64_t acc[kW], t[kW];
    int last = -1;
    set_one(c, acc);
    // out[i].x temporarily holds the prefix product before point i.
    for (int i = 0; i < count; ++i) {
        if (pts[i].inf) continue;
        copy(c, out[i].x, acc);
        fmul(c, acc, acc, pts[i].z);
        last = i;
    }
    if (last < 0) {
        for (int i = 0; i < count; ++i) set_inf(&out[i]);
        return;
    }
    if (!gf2_inv_raw(&c.f, acc, acc)) {  // cannot happen for an irreducible basis
        for (int i = 0; i < count; ++i) ld_to_aff(c, pts[i], &out[i]);
        return;
    }
    for (int i = count - 1; i >= 0; --i) {
        if (pts[i].inf) {
            set_inf(&out[i]);
            continue;
        }
        uint64_t zi[kW];
        fmul(c, zi, acc, out[i].x);        // 1/Z_i
        fmul(c, acc, acc, pts[i].z);       // drop Z_i from the running inverse
        fmul(c, out[i].x, pts[i].x, zi);
        fsqr(c, t, zi);
        fmul(c, out[i].y, pts[i].y, t);
        out[i].inf = false;
    }
    (void)n;
}

// ---- working form -----------------------------------------------------------------------------

namespace {

void to_aff(const Curve& c, const Point& p, Aff* a) {
    a->inf = p.p.inf;
    copy(c, a->x, p.p.x);
    copy(c, a->y, p.p.y);
}

void from_aff(const Curve& c, const Aff& a, Point* p) {
    p->p.inf = a.inf;
    copy(c, p->p.x, a.x);
    copy(c, p->p.y, a.y);
    set_one(c, p->p.z);
}

}  // namespace

void pt_from_aff(const Curve& c, const Aff& a, Point* r) { from_aff(c, a, r); }

void pt_dbl(const Curve& c, const Point& p, Point* r) {
    if (c.projective) {
        ld_dbl(c, p.p, &r->p);
        return;
    }
    Aff a;
    to_aff(c, p, &a);
    aff_dbl(c, a, &a, nullptr);
    from_aff(c, a, r);
}

void pt_add_aff(const Curve& c, const Point& p, const Aff& q, Point* r) {
    if (c.projective) {
        ld_add_mixed(c, p.p, q, &r->p);
        return;
    }
    Aff a;
    to_aff(c, p, &a);
    aff_add(c, a, q, &a, nullptr);
    from_aff(c, a, r);
}

void pt_frob(const Curve& c, const Point& p, Point* r) {
    if (c.projective) {
        ld_frob(c, p.p, &r->p);
        return;
    }
    Aff a;
    to_aff(c, p, &a);
    aff_frob(c, a, &a);
    from_aff(c, a, r);
}

// ---- epoint conversion --------------------------------------------------------------------------

bool load_aff(const Curve& c, const epoint* P, Aff* r) {
    if (P->marker == EPOINT_INFINITY) {
        set_inf(r);
        return true;
    }
    gf2_load_reduced_raw(&c.f, P->x, r->x);
    gf2_load_reduced_raw(&c.f, P->y, r->y);
    r->inf = false;
    if (P->marker == EPOINT_NORMALIZED || P->z == nullptr) return true;
    uint64_t z[kW], zi[kW];
    gf2_load_reduced_raw(&c.f, P->z, z);
    if (gf2_is_one_raw(z, c.n)) return true;
    if (!gf2_inv_raw(&c.f, zi, z)) {
        set_inf(r);
        return false;
    }
    fmul(c, r->x, r->x, zi);
    if (!c.supersingular) fsqr(c, zi, zi);
    fmul(c, r->y, r->y, zi);
    return true;
}

bool load_point(const Curve& c, const epoint* P, Point* r) {
    if (c.projective && P->marker == EPOINT_GENERAL && P->z != nullptr) {
        gf2_load_reduced_raw(&c.f, P->x, r->p.x);
        gf2_load_reduced_raw(&c.f, P->y, r->p.y);
        gf2_load_reduced_raw(&c.f, P->z, r->p.z);
        r->p.inf = gf2_is_zero_raw(r->p.z, c.n);
        return !r->p.inf;
    }
    Aff a;
    const bool ok = load_aff(c, P, &a);
    from_aff(c, a, r);
    return ok;
}

void store_aff(const Curve& c, const Aff& a, epoint* P) {
    if (a.inf) {
        P->marker = EPOINT_INFINITY;
        big_zero(P->x);
        big_zero(P->y);
        if (P->z) big_zero(P->z);
        return;
    }
    gf2_store_raw(a.x, c.n, P->x);
    gf2_store_raw(a.y, c.n, P->y);
    if (P->z) big_from_int(1, P->z);
    P->marker = EPOINT_NORMALIZED;
}

void store_point(const Curve& c, const Point& p, epoint* P) {
    if (p.p.inf) {
        Aff a;
        set_inf(&a);
        store_aff(c, a, P);
        return;
    }
    if (!c.projective || P->z == nullptr || gf2_is_one_raw(p.p.z, c.n)) {
        Aff a;
        if (c.projective) ld_to_aff(c, p.p, &a);
        else to_aff(c, p, &a);
        store_aff(c, a, P);
        return;
    }
    gf2_store_raw(p.p.x, c.n, P->x);
    gf2_store_raw(p.p.y, c.n, P->y);
    gf2_store_raw(p.p.z, c.n, P->z);
    P->marker = EPOINT_GENERAL;
}

}  // namespace ec2
