// Point addition over GF(2^m): ecurve2_add, ecurve2_sub, ecurve2_multi_add.
#include <algorithm>

#include "engine/ec2.h"
#include "engine/ec2_internal.h"
#include "engine/internal.h"

using namespace ec2;

namespace {

// The workspace number that carries the slope ecurve2_add returns.
constexpr int kSlopeWorkspace = 7;

bool is_normalised(const Curve& c, const epoint* P) {
    if (P->marker != EPOINT_GENERAL || P->z == nullptr) return true;
    (void)c;
    return big_len(P->z) == 1 && P->z->w[0] == 1;
}

// Q = Q + P on loaded curves; returns the slope big or null.
big add_points(const Curve& c, engine_instance* e, epoint* P, epoint* Q) {
    if (P->marker == EPOINT_INFINITY) return nullptr;
    if (Q->marker == EPOINT_INFINITY) {
        epoint2_copy(P, Q);
        return nullptr;
    }
    if (!c.projective) {
        Aff p, q;
        load_aff(c, P, &p);
        load_aff(c, Q, &q);
        uint64_t slope[kW];
        const bool real = P == Q ? aff_dbl(c, q, &q, slope) : aff_add(c, p, q, &q, slope);
        store_aff(c, q, Q);
        if (!real || q.inf) return nullptr;
        big s = e->workspace[kSlopeWorkspace];
        gf2_store_raw(slope, c.n, s);
        return s;
    }
    Point q;
    load_point(c, Q, &q);
    if (P == Q) {
        ld_dbl(c, q.p, &q.p);
    } else if (is_normalised(c, P)) {
        Aff p;
        load_aff(c, P, &p);
        ld_add_mixed(c, q.p, p, &q.p);
    } else if (is_normalised(c, Q)) {
        Point p;
        Aff qa;
        load_point(c, P, &p);
        load_aff(c, Q, &qa);
        ld_add_mixed(c, p.p, qa, &q.p);
    } else {
        Point p;
        load_point(c, P, &p);
        ld_add(c, q.p, p.p, &q.p);
    }
    store_point(c, q, Q);
    return nullptr;
}

}  // namespace

big ecurve2_add(epoint* P, epoint* Q) {
    TraceScope trace(ID_ECURVE2_ADD);
    if (!trace.ok() || P == nullptr || Q == nullptr) return nullptr;
    Curve c;
    if (!curve_current(&c)) return nullptr;
    return add_points(c, trace.instance(), P, Q);
}

void ecurve2_sub(epoint* P, epoint* Q) {
    TraceScope trace(ID_ECURVE2_SUB);
    if (!trace.ok() || P == nullptr || Q == nullptr) return;
    if (P == Q) {
        Aff inf{};
        inf.inf = true;
        store_aff(Curve{}, inf, Q);
        return;
    }
    Curve c;
    if (!curve_current(&c)) return;
    epoint2_negate(P);
    add_points(c, trace.instance(), P, Q);
    epoint2_negate(P);
}

void ecurve2_multi_add(int m, epoint** x, epoint** w) {
    TraceScope trace(ID_ECURVE2_MULTI_ADD);
    if (!trace.ok() || m <= 0 || x == nullptr || w == nullptr) return;
    Curve c;
    if (!curve_current(&c)) return;
    engine_instance* e = trace.instance();
    // Pairs are taken in chunks so that the scratch stays bounded; each chunk
    // costs one inversion.
    constexpr int kChunk = 32;
    Aff p[kChunk], q[kChunk];
    uint64_t dx[kChunk][kW], pre[kChunk][kW];
    for (int base = 0; base < m; base += kChunk) {
        const int k = std::min(kChunk, m - base);
        bool batch[kChunk];
        uint64_t acc[kW];
        gf2_zero_raw(acc, c.n);
        acc[0] = 1;
        int count = 0;
        for (int i = 0; i < k; ++i) {
            epoint* X = x[base + i];
            epoint* W = w[base + i];
            batch[i] = false;
            if (X == nullptr || W == nullptr || X == W || X->marker == EPOINT_INFINITY ||
                W->marker == EPOINT_INFINITY)
                continue;
            load_aff(c, X, &p[i]);
            load_aff(c, W, &q[i]);
            if (p[i].inf || q[i].inf) continue;
            gf2_add_raw(dx[i], p[i].x, q[i].x, c.n);
            if (gf2_is_zero_raw(dx[i], c.n)) continue;  // doubling or infinity
            batch[i] = true;
            gf2_copy_raw(pre[i], acc, c.n);
            fmul(c, acc, acc, dx[i]);
            ++count;
        }
        if (count > 0 && !gf2_inv_raw(&c.f, acc, acc)) count = 0;
        for (int i = k - 1; i >= 0; --i) {
            epoint* X = x[base + i];
            epoint* W = w[base + i];
            if (X == nullptr || W == nullptr) continue;
            if (!batch[i] || count == 0) {
                add_points(c, e, X, W);
                if (W->marker == EPOINT_GENERAL) {
                    Aff a;
                    load_aff(c, W, &a);
                    store_aff(c, a, W);
                }
                continue;
            }
            uint64_t inv[kW], l[kW], t[kW], x3[kW], y3[kW];
            fmul(c, inv, acc, pre[i]);
            fmul(c, acc, acc, dx[i]);
            gf2_add_raw(t, p[i].y, q[i].y, c.n);
            fmul(c, l, t, inv);
            fsqr(c, x3, l);
            fadd(c, x3, x3, dx[i]);
            if (!c.supersingular) {
                fadd(c, x3, x3, l);
                fadd(c, x3, x3, c.a);
                fadd(c, t, q[i].x, x3);
                fmul(c, y3, l, t);
                fadd(c, y3, y3, x3);
                fadd(c, y3, y3, q[i].y);
            } else {
                fadd(c, t, q[i].x, x3);
                fmul(c, y3, l, t);
                fadd(c, y3, y3, q[i].y);
                y3[0] ^= 1;
            }
            Aff r;
            gf2_copy_raw(r.x, x3, c.n);
            gf2_copy_raw(r.y, y3, c.n);
            r.inf = false;
            store_aff(c, r, W);
        }
    }
}
