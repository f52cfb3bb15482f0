// Dense polynomial arithmetic over GF(p) behind PolyP and PolyModP (engine
// internals). A dense polynomial is an array of coefficients of L limbs each
// (coefficient i at limbs [i*L, (i+1)*L)), Montgomery residues below p.
#pragma once

#include <cstdint>

#include "engine/fft.h"
#include "engine/modular_internal.h"
#include "engine/poly_p.h"

namespace engine_detail {

using DenseP = WipedVector<u64>;

/// The instance and modulus the dense routines work with; ok() is false when
/// there is no instance, no modulus or an error is recorded.
struct PolyCtx {
    engine_instance* e = nullptr;
    const MontParams* p = nullptr;
    int L = 0;
    bool ok() const { return p != nullptr; }
};
PolyCtx poly_ctx();

/// Coefficient count of d.
inline int dense_len(const DenseP& d, int L) { return static_cast<int>(d.size()) / L; }
/// Drops leading zero coefficients.
void dense_trim(DenseP& d, int L);
/// f as a dense array of max(f.degree() + 1, min_len) coefficients (0 for 0
/// unless min_len asks for more).
DenseP dense_from_poly(const PolyCtx& c, const PolyP& f, int min_len = 0);
/// The polynomial of the count coefficients at d.
PolyP poly_from_dense(const PolyCtx& c, const u64* d, int count);
inline PolyP poly_from_dense(const PolyCtx& c, const DenseP& d) {
    return poly_from_dense(c, d.data(), dense_len(d, c.L));
}

/// out (na + nb - 1 coefficients) = a*b; `square` when a and b are the same.
/// Schoolbook below 17 coefficients on either side, otherwise the transform
/// product (schoolbook again when no transform serves).
void dense_mul(const PolyCtx& c, const u64* a, int na, const u64* b, int nb, u64* out,
               bool square);
/// Schoolbook product with one reduction per output coefficient.
void dense_mul_school(const PolyCtx& c, const u64* a, int na, const u64* b, int nb, u64* out);
/// Long division of a (na coefficients, destroyed) by b (nb coefficients, top one
/// non-zero): q (na - nb + 1 coefficients, may be null) and the remainder left in
/// a[0 .. nb-2]. False when the leading coefficient has no inverse.
bool dense_divrem(const PolyCtx& c, u64* a, int na, const u64* b, int nb, u64* q);
/// a = a mod b, trimmed.
void dense_rem(const PolyCtx& c, DenseP& a, const DenseP& b);
/// Monic gcd of a and b (both destroyed).
DenseP dense_gcd(const PolyCtx& c, DenseP a, DenseP b);
/// out = the Montgomery residue 1.
inline void dense_one(const PolyCtx& c, u64* out) {
    for (int j = 0; j < c.L; ++j) out[j] = c.p->one[j];
}

/// The abort check set_poly_abort_check installed (nullptr: none).
bool (*poly_abort_check())();

/// Transform length exponent for products of m coefficients.
int ceil_log2(int m);

}  // namespace engine_detail
