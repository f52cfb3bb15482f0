// Curve arithmetic over GF(2^m) on raw 64-bit words, shared by the ec2_*.cpp
// files. Not part of the engine's interface.
//
// Points are affine (Ec2Aff) or Lopez-Dahab (Ec2Proj: x = X/Z, y = Y/Z^2), each
// with an explicit infinity flag; coordinates of finite points are reduced
// elements of `words` words. Outputs of the group operations may alias inputs.
#pragma once

#include <cstdint>

#include "engine/ec2.h"
#include "engine/gf2m_kernels.h"

namespace ec2 {

constexpr int kW = kGf2MaxWords;

struct Curve {
    gf2_field_raw f;
    int n;              // words of an element
    uint64_t a[kW];     // A
    uint64_t b[kW];     // B
    int a_kind;         // 0: A = 0, 1: A = 1, 2: other
    bool b_one;         // B = 1
    bool supersingular;
    bool koblitz;
    bool projective;    // ordinary curves in Lopez-Dahab coordinates
};

struct Aff {
    uint64_t x[kW];
    uint64_t y[kW];
    bool inf;
};

struct Proj {
    uint64_t x[kW];
    uint64_t y[kW];
    uint64_t z[kW];
    bool inf;
};

/// The current curve; false (error 27 recorded) when no basis is set.
bool curve_current(Curve* c);

// ---- field shorthands ----------------------------------------------------------------------

inline void fmul(const Curve& c, uint64_t* r, const uint64_t* a, const uint64_t* b) {
    gf2_mulmod_raw(&c.f, r, a, b);
}
inline void fsqr(const Curve& c, uint64_t* r, const uint64_t* a) { gf2_sqrmod_raw(&c.f, r, a); }
inline void fadd(const Curve& c, uint64_t* r, const uint64_t* a, const uint64_t* b) {
    gf2_add_raw(r, a, b, c.n);
}
/// r = A*a (cheap for A = 0 or 1).
void fmul_a(const Curve& c, uint64_t* r, const uint64_t* a);
/// r = B*a (cheap for B = 1).
void fmul_b(const Curve& c, uint64_t* r, const uint64_t* a);

// ---- affine group law ----------------------------------------------------------------------

/// r = p + q; `slope` (may be null) receives the slope of the line when a real
/// addition or doubling gives a finite point; returns whether it did.
bool aff_add(const Curve& c, const Aff& p, const Aff& q, Aff* r, uint64_t* slope);
/// r = 2p; slope as aff_add.
bool aff_dbl(const Curve& c, const Aff& p, Aff* r, uint64_t* slope);
void aff_neg(const Curve& c, Aff* p);
/// r = tau(p) = (x^2, y^2).
void aff_frob(const Curve& c, const Aff& p, Aff* r);
/// True when p lies on the curve.
bool aff_on_curve(const Curve& c, const Aff& p);

// ---- Lopez-Dahab group law (ordinary curves) --------------------------------------------

void ld_from_aff(const Curve& c, const Aff& p, Proj* r);
/// r = 2p.
void ld_dbl(const Curve& c, const Proj& p, Proj* r);
/// r = p + q for affine q.
void ld_add_mixed(const Curve& c, const Proj& p, const Aff& q, Proj* r);
/// r = p + q.
void ld_add(const Curve& c, const Proj& p, const Proj& q, Proj* r);
void ld_neg(const Curve& c, Proj* p);
void ld_frob(const Curve& c, const Proj& p, Proj* r);
/// r = p as an affine point; false when Z is not invertible (r = infinity).
bool ld_to_aff(const Curve& c, const Proj& p, Aff* r);
/// out[i] = pts[i] as affine points with one inversion for all.
void ld_to_aff_batch(const Curve& c, const Proj* pts, int count, Aff* out);

// ---- points of the curve in either form ------------------------------------------------------

/// The working form of the current mode: Lopez-Dahab for projective ordinary
/// curves, affine (Z = 1) otherwise.
struct Point {
    Proj p;
};
void pt_from_aff(const Curve& c, const Aff& a, Point* r);
void pt_dbl(const Curve& c, const Point& p, Point* r);
void pt_add_aff(const Curve& c, const Point& p, const Aff& q, Point* r);
void pt_frob(const Curve& c, const Point& p, Point* r);

// ---- epoint conversion ----------------------------------------------------------------------

/// P as an affine point (general points are normalised on the way, P itself is
/// left alone); false when a general P has Z = 0.
bool load_aff(const Curve& c, const epoint* P, Aff* r);
/// P in the working form.
bool load_point(const Curve& c, const epoint* P, Point* r);
void store_aff(const Curve& c, const Aff& a, epoint* P);
/// Stores a working-form point; general in projective mode (normalised when P
/// has no z).
void store_point(const Curve& c, const Point& p, epoint* P);

// ---- scalars ----------------------------------------------------------------------------------

/// Non-adjacent form of |k| (digits -1, 0, 1, least significant first) from the
/// bits of 3k and k; returns the digit count (0 for k = 0). `digits` has room for
/// 32 * (big_len(k) + 1) entries.
int naf_digits(const big_rec* k, int8_t* digits);
/// Koblitz curves: coefficients coef[0..m-1] with |k| P = sum coef[j] tau^j P for
/// every point P: the tau-adic non-adjacent form of |k| reduced modulo
/// tau^m - 1, its digit positions folded modulo m.
void tau_coefficients(const Curve& c, const big_rec* k, int16_t* coef);

}  // namespace ec2
