// Dense polynomial arithmetic over GF(2^m) behind Poly2 and PolyMod2 (engine
// internals). A dense polynomial is an array of full-precision bigs carved from
// one block (no allocation per coefficient), as gf2_poly_mul takes them.
#pragma once

#include <vector>

#include "engine/fft.h"
#include "engine/poly_2.h"
#include "engine/poly_p_internal.h"

namespace engine_detail {

/// `size` zero field elements in one block. Moves keep the bigs in place.
class Gf2Vec {
   public:
    Gf2Vec() = default;
    explicit Gf2Vec(int count);
    Gf2Vec(const Gf2Vec& o);
    Gf2Vec(Gf2Vec&&) noexcept = default;
    Gf2Vec& operator=(const Gf2Vec& o);
    Gf2Vec& operator=(Gf2Vec&&) noexcept = default;

    int size() const { return m_count; }
    big operator[](int i) const { return m_ptrs[static_cast<size_t>(i)]; }
    big* data() { return m_ptrs.data(); }
    const big* data() const { return m_ptrs.data(); }
    /// Keeps the first `count` elements (count <= size) as the logical size;
    /// the ones dropped are zeroed.
    void shrink(int count);
    /// Drops leading zeros.
    void trim();

   private:
    int m_count = 0;
    WipedVector<uint32_t> m_words;
    std::vector<big_rec> m_recs;
    std::vector<big> m_ptrs;
};

/// True when a basis is set and no error is recorded (records error 27 when
/// there is no basis).
bool gf2_ready();
/// f as max(deg + 1, min_len) elements.
Gf2Vec gf2_from_poly(const Poly2& f, int min_len = 0);
/// The polynomial of the first count elements of d.
Poly2 poly_from_gf2(const Gf2Vec& d, int count);
inline Poly2 poly_from_gf2(const Gf2Vec& d) { return poly_from_gf2(d, d.size()); }
/// a*b (na + nb - 1 elements); the first na / nb elements of a and b are used.
Gf2Vec gf2_dense_mul(const Gf2Vec& a, int na, const Gf2Vec& b, int nb);
/// Long division of a (na elements, destroyed) by b (nb elements, top non-zero):
/// q (na - nb + 1 elements, may be null), remainder in a[0 .. nb-2].
void gf2_dense_divrem(Gf2Vec& a, int na, const Gf2Vec& b, int nb, Gf2Vec* q);
/// Monic gcd.
Gf2Vec gf2_dense_gcd(Gf2Vec a, Gf2Vec b);

}  // namespace engine_detail
