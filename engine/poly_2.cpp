// Poly2: term lists over GF(2^m), their merge, term-by-term products and the
// routes into the dense kernels.
#include "engine/poly_2.h"

#include <utility>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/gf2m.h"
#include "engine/internal.h"
#include "engine/poly_2_internal.h"
#include "engine/poly_common.h"

using engine_detail::Gf2Vec;

// Builds a list in decreasing order by appending at the tail.
class PolyBuilder2 : public engine_detail::TermAppender<PolyTerm2> {
   public:
    explicit PolyBuilder2(Poly2& f) : TermAppender(f.m_head) {}
};

using List = engine_detail::PolyList<Poly2, PolyBuilder2>;

namespace engine_detail {

Poly2 poly_from_gf2(const Gf2Vec& d, int count) {
    Poly2 f;
    PolyBuilder2 b(f);
    for (int i = count - 1; i >= 0; --i) {
        if (big_is_zero(d[i])) continue;
        Gf2Elem m;
        big_copy(d[i], m.get());
        b.append(std::move(m), i);
    }
    return f;
}

}  // namespace engine_detail

// ---- the list ---------------------------------------------------------------------------

Poly2::Poly2(int v) { *this = v; }

Poly2::Poly2(const Gf2Elem& c) {
    if (!c.is_zero()) m_head = new PolyTerm2{c, 0, nullptr};
}

Poly2::Poly2(const Poly2& o) { *this = o; }

Poly2& Poly2::operator=(const Poly2& o) {
    if (this == &o) return *this;
    Poly2 copy = List::copy(o);
    std::swap(m_head, copy.m_head);
    return *this;
}

Poly2& Poly2::operator=(Poly2&& o) noexcept {
    std::swap(m_head, o.m_head);
    return *this;
}

Poly2& Poly2::operator=(int v) {
    clear();
    List::set_constant(m_head, Gf2Elem(v));
    return *this;
}

void Poly2::clear() { engine_detail::terms_free(m_head); }
int Poly2::terms() const { return List::count(m_head); }
bool Poly2::is_one() const { return List::is_one(m_head); }
Gf2Elem Poly2::coeff(int i) const { return List::coeff(m_head, i); }
PolyTerm2* Poly2::add_term(const Gf2Elem& c, int n, PolyTerm2* hint) {
    return List::add_term(m_head, c, n, hint);
}

// ---- sums and scaling (subtraction is addition) ------------------------------------------

Poly2 operator-(const Poly2& f) { return List::negate(f); }
Poly2 operator+(const Poly2& f, const Poly2& g) { return List::merge(f, g, false); }
Poly2 operator-(const Poly2& f, const Poly2& g) { return List::merge(f, g, true); }
Poly2& Poly2::operator+=(const Poly2& o) { return *this = List::merge(*this, o, false); }
Poly2& Poly2::operator-=(const Poly2& o) { return *this = List::merge(*this, o, true); }
bool operator==(const Poly2& f, const Poly2& g) { return List::equal(f, g); }
bool operator!=(const Poly2& f, const Poly2& g) { return !List::equal(f, g); }

Poly2 operator*(const Poly2& f, const Gf2Elem& c) { return List::scale(f, c); }
Poly2 operator*(const Gf2Elem& c, const Poly2& f) { return List::scale(f, c); }
Poly2& Poly2::operator*=(const Gf2Elem& c) { return *this = List::scale(*this, c); }
Poly2 operator/(const Poly2& f, const Gf2Elem& c) { return List::divide(f, c); }
void Poly2::make_monic() { List::make_monic(*this); }

// ---- dense arrays -----------------------------------------------------------------------

namespace engine_detail {

Gf2Vec::Gf2Vec(int count) : m_count(count) {
    engine_instance* e = engine_current();
    const size_t block = e != nullptr ? big_block_words(e) : 2;
    const size_t n = static_cast<size_t>(count > 0 ? count : 0);
    m_words.assign(n * block, 0);
    m_recs.resize(n);
    m_ptrs.resize(n);
    for (size_t i = 0; i < n; ++i) {
        m_recs[i] = big_rec{0, m_words.data() + i * block};
        m_ptrs[i] = &m_recs[i];
    }
}

Gf2Vec::Gf2Vec(const Gf2Vec& o) : Gf2Vec(o.m_count) {
    for (int i = 0; i < m_count; ++i) big_copy(o[i], (*this)[i]);
}

Gf2Vec& Gf2Vec::operator=(const Gf2Vec& o) {
    if (this != &o) *this = Gf2Vec(o);
    return *this;
}

void Gf2Vec::shrink(int count) {
    if (count < 0) count = 0;
    for (int i = count; i < m_count; ++i) big_zero((*this)[i]);
    if (count < m_count) m_count = count;
}

void Gf2Vec::trim() {
    int n = m_count;
    while (n > 0 && big_is_zero((*this)[n - 1])) --n;
    m_count = n;
}

bool gf2_ready() {
    engine_instance* e = engine_current();
    if (e == nullptr || e->error_number != 0) return false;
    if (e->basis_m <= 0) {
        report_error(27);
        return false;
    }
    return true;
}

Gf2Vec gf2_from_poly(const Poly2& f, int min_len) {
    const int len = f.is_zero() ? 0 : f.degree() + 1;
    Gf2Vec d(len > min_len ? len : min_len);
    for (const PolyTerm2* t = f.head(); t != nullptr; t = t->next) big_copy(t->c.get(), d[t->n]);
    return d;
}

namespace {

constexpr int kDenseThreshold = 17;

// Reusable scratch of gf2_poly_mul (returned zeroed by it), per thread.
thread_local Gf2Vec t_work;

}  // namespace

Gf2Vec gf2_dense_mul(const Gf2Vec& a, int na, const Gf2Vec& b, int nb) {
    if (na == 0 || nb == 0) return Gf2Vec();
    const int m = na + nb - 1;
    if (na < kDenseThreshold || nb < kDenseThreshold) {
        // Term by term, one reduction per coefficient: c_k = sum a_i b_(k-i).
        Gf2Vec r(m);
        std::vector<big> brev(static_cast<size_t>(nb));
        for (int j = 0; j < nb; ++j) brev[static_cast<size_t>(j)] = b[nb - 1 - j];
        for (int k = 0; k < m; ++k) {
            const int lo = k >= nb ? k - nb + 1 : 0, hi = k < na ? k : na - 1;
            gf2_dotprod(hi - lo + 1, a.data() + lo, brev.data() + (nb - 1 - k + lo), r[k]);
        }
        return r;
    }
    // Karatsuba on equal lengths: the shorter operand is zero-padded.
    const int n = std::max(na, nb);
    const Gf2Vec* x = &a;
    const Gf2Vec* y = &b;
    Gf2Vec pa, pb;
    if (a.size() != n || na != n) {
        pa = Gf2Vec(n);
        for (int i = 0; i < na; ++i) big_copy(a[i], pa[i]);
        x = &pa;
    }
    if (b.size() != n || nb != n) {
        pb = Gf2Vec(n);
        for (int i = 0; i < nb; ++i) big_copy(b[i], pb[i]);
        y = &pb;
    }
    const int need = gf2_poly_mul_work_size(n);
    if (t_work.size() < need) t_work = Gf2Vec(need);
    Gf2Vec w(2 * n - 1);
    gf2_poly_mul(n, t_work.data(), x->data(), y->data(), w.data());
    w.shrink(m);
    return w;
}

void gf2_dense_divrem(Gf2Vec& a, int na, const Gf2Vec& b, int nb, Gf2Vec* q) {
    if (na < nb) return;
    BigInt inv, t, prod;
    const bool monic = b[nb - 1]->len == 1 && b[nb - 1]->w[0] == 1;
    if (!monic && !gf2_inverse(b[nb - 1], inv.get())) return;
    for (int i = na - 1; i >= nb - 1; --i) {
        const int shift = i - (nb - 1);
        if (big_is_zero(a[i])) continue;
        if (monic) {
            big_copy(a[i], t.get());
        } else {
            gf2_mul(a[i], inv.get(), t.get());
        }
        if (q != nullptr) big_copy(t.get(), (*q)[shift]);
        for (int j = 0; j < nb - 1; ++j) {
            if (big_is_zero(b[j])) continue;
            gf2_mul(t.get(), b[j], prod.get());
            gf2_add(a[shift + j], prod.get(), a[shift + j]);
        }
        big_zero(a[i]);
    }
}

Gf2Vec gf2_dense_gcd(Gf2Vec a, Gf2Vec b) {
    a.trim();
    b.trim();
    while (b.size() > 0) {
        engine_checkpoint();
        const int na = a.size(), nb = b.size();
        if (na >= nb) {
            gf2_dense_divrem(a, na, b, nb, nullptr);
            a.shrink(nb - 1);
        }
        a.trim();
        std::swap(a, b);
        if (engine_error() != 0) return Gf2Vec();
    }
    if (a.size() == 0) return a;
    BigInt inv;
    if (!gf2_inverse(a[a.size() - 1], inv.get())) return Gf2Vec();
    for (int i = 0; i < a.size(); ++i) gf2_mul(a[i], inv.get(), a[i]);
    return a;
}

}  // namespace engine_detail

// ---- products -----------------------------------------------------------------------------

namespace {

// f*f term by term: the cross terms appear twice and cancel in characteristic 2,
// so the square is the sum of the squared terms.
Poly2 square_terms(const Poly2& f) {
    Poly2 r;
    PolyBuilder2 b(r);
    for (const PolyTerm2* s = f.head(); s != nullptr; s = s->next) {
        Gf2Elem c = s->c * s->c;
        if (!c.is_zero()) b.append(std::move(c), 2 * s->n);
    }
    return r;
}

}  // namespace

Poly2 operator*(const Poly2& f, const Poly2& g) {
    return List::product(f, g, square_terms, [&](bool square) {
        if (!engine_detail::gf2_ready()) return Poly2();
        const Gf2Vec a = engine_detail::gf2_from_poly(f);
        const Gf2Vec b = square ? a : engine_detail::gf2_from_poly(g);
        return engine_detail::poly_from_gf2(engine_detail::gf2_dense_mul(a, a.size(), b, b.size()));
    });
}

Poly2& Poly2::operator*=(const Poly2& o) { return *this = *this * o; }

// ---- division -----------------------------------------------------------------------------

void divrem(const Poly2& f, const Poly2& g, Poly2& q, Poly2& r) {
    if (List::divrem_settled(f, g, q, r, engine_detail::gf2_ready)) return;
    Gf2Vec a = engine_detail::gf2_from_poly(f);
    const Gf2Vec b = engine_detail::gf2_from_poly(g);
    Gf2Vec qd(a.size() - b.size() + 1);
    engine_detail::gf2_dense_divrem(a, a.size(), b, b.size(), &qd);
    q = engine_detail::poly_from_gf2(qd);
    r = engine_detail::poly_from_gf2(a, b.size() - 1);
}

Poly2 operator/(const Poly2& f, const Poly2& g) { return List::quotient(f, g); }
Poly2 operator%(const Poly2& f, const Poly2& g) { return List::remainder(f, g); }

// ---- series and shifts ------------------------------------------------------------------

Poly2 reverse(const Poly2& f, int n) { return List::reverse(f, n); }
Poly2 truncate(const Poly2& f, int n) { return List::truncate(f, n); }
Poly2 shift(const Poly2& f, int n) { return List::shift(f, n); }

Poly2 inverse_series(const Poly2& f, int n) {
    if (n < 1 || !engine_detail::gf2_ready()) return Poly2();
    const Gf2Vec fd = engine_detail::gf2_from_poly(f);
    if (fd.size() == 0 || big_is_zero(fd[0])) return Poly2();
    int target = 1;
    while (target < n) target *= 2;
    Gf2Vec g(1);
    if (!gf2_inverse(fd[0], g[0])) return Poly2();
    // In characteristic 2 Newton's step g(2 - f g) is f g^2.
    for (int prec = 2; prec <= target; prec *= 2) {
        const int ng = g.size();
        Gf2Vec g2 = engine_detail::gf2_dense_mul(g, ng, g, ng);
        g2.shrink(std::min(g2.size(), prec));
        const int nf = std::min(fd.size(), prec);
        Gf2Vec h = engine_detail::gf2_dense_mul(fd, nf, g2, g2.size());
        h.shrink(std::min(h.size(), prec));
        g = std::move(h);
        engine_checkpoint();
    }
    g.shrink(std::min(g.size(), n));
    return engine_detail::poly_from_gf2(g);
}

Poly2 gcd(const Poly2& f, const Poly2& g) {
    if (!engine_detail::gf2_ready()) return Poly2();
    return engine_detail::poly_from_gf2(
        engine_detail::gf2_dense_gcd(engine_detail::gf2_from_poly(f), engine_detail::gf2_from_poly(g)));
}
