// PolyP: term lists over GF(p), their merge, term-by-term products and the
// routes into the dense kernels.
#include "engine/poly_p.h"

#include <utility>

#include "engine/internal.h"
#include "engine/poly_common.h"
#include "engine/poly_p_internal.h"

using engine_detail::DenseP;
using engine_detail::PolyCtx;
using engine_detail::dense_len;
using engine_detail::poly_ctx;

// Builds a list in decreasing order by appending at the tail.
class PolyBuilderP : public engine_detail::TermAppender<PolyTermP> {
   public:
    explicit PolyBuilderP(PolyP& f) : TermAppender(f.m_head) {}
};

using List = engine_detail::PolyList<PolyP, PolyBuilderP>;

namespace engine_detail {

PolyP poly_from_dense(const PolyCtx& c, const u64* d, int count) {
    PolyP f;
    PolyBuilderP b(f);
    for (int i = count - 1; i >= 0; --i) {
        const u64* ci = d + static_cast<size_t>(i) * c.L;
        bool zero = true;
        for (int j = 0; j < c.L && zero; ++j) zero = ci[j] == 0;
        if (zero) continue;
        ModInt m;
        mont_store(*c.p, ci, m.get());
        b.append(std::move(m), i);
    }
    return f;
}

}  // namespace engine_detail

// ---- the list ---------------------------------------------------------------------------

PolyP::PolyP(int v) { *this = v; }

PolyP::PolyP(const ModInt& c) {
    if (!c.is_zero()) m_head = new PolyTermP{c, 0, nullptr};
}

PolyP::PolyP(const PolyP& o) { *this = o; }

PolyP& PolyP::operator=(const PolyP& o) {
    if (this == &o) return *this;
    PolyP copy = List::copy(o);
    std::swap(m_head, copy.m_head);
    return *this;
}

PolyP& PolyP::operator=(PolyP&& o) noexcept {
    std::swap(m_head, o.m_head);
    return *this;
}

PolyP& PolyP::operator=(int v) {
    clear();
    List::set_constant(m_head, ModInt(v));
    return *this;
}

void PolyP::clear() { engine_detail::terms_free(m_head); }
int PolyP::terms() const { return List::count(m_head); }
bool PolyP::is_one() const { return List::is_one(m_head); }
ModInt PolyP::coeff(int i) const { return List::coeff(m_head, i); }
PolyTermP* PolyP::add_term(const ModInt& c, int n, PolyTermP* hint) {
    return List::add_term(m_head, c, n, hint);
}

// ---- sums and scaling ---------------------------------------------------------------------

PolyP operator-(const PolyP& f) { return List::negate(f); }
PolyP operator+(const PolyP& f, const PolyP& g) { return List::merge(f, g, false); }
PolyP operator-(const PolyP& f, const PolyP& g) { return List::merge(f, g, true); }
PolyP& PolyP::operator+=(const PolyP& o) { return *this = List::merge(*this, o, false); }
PolyP& PolyP::operator-=(const PolyP& o) { return *this = List::merge(*this, o, true); }
bool operator==(const PolyP& f, const PolyP& g) { return List::equal(f, g); }
bool operator!=(const PolyP& f, const PolyP& g) { return !List::equal(f, g); }

PolyP operator*(const PolyP& f, const ModInt& c) { return List::scale(f, c); }
PolyP operator*(const ModInt& c, const PolyP& f) { return List::scale(f, c); }
PolyP& PolyP::operator*=(const ModInt& c) { return *this = List::scale(*this, c); }
PolyP operator/(const PolyP& f, const ModInt& c) { return List::divide(f, c); }
void PolyP::make_monic() { List::make_monic(*this); }

// ---- products -----------------------------------------------------------------------------

namespace {

// f*f term by term: each square once, each cross term once and doubled.
PolyP square_terms(const PolyP& f) {
    PolyP r;
    for (const PolyTermP* s = f.head(); s != nullptr; s = s->next) {
        PolyTermP* hint = r.add_term(s->c * s->c, 2 * s->n);
        for (const PolyTermP* t = s->next; t != nullptr; t = t->next)
            hint = r.add_term((s->c * t->c) * 2, s->n + t->n, hint);
    }
    return r;
}

PolyP multiply_dense(const PolyP& f, const PolyP& g, bool square) {
    const PolyCtx c = poly_ctx();
    if (!c.ok()) return PolyP();
    const DenseP a = engine_detail::dense_from_poly(c, f);
    const DenseP b = square ? DenseP() : engine_detail::dense_from_poly(c, g);
    const int na = dense_len(a, c.L), nb = square ? na : dense_len(b, c.L);
    DenseP out(static_cast<size_t>(na + nb - 1) * c.L, 0);
    engine_detail::dense_mul(c, a.data(), na, square ? a.data() : b.data(), nb, out.data(), square);
    return engine_detail::poly_from_dense(c, out);
}

}  // namespace

PolyP operator*(const PolyP& f, const PolyP& g) {
    return List::product(f, g, square_terms, [&](bool square) { return multiply_dense(f, g, square); });
}

PolyP& PolyP::operator*=(const PolyP& o) { return *this = *this * o; }

// ---- division -----------------------------------------------------------------------------

void divrem(const PolyP& f, const PolyP& g, PolyP& q, PolyP& r) {
    PolyCtx c;
    if (List::divrem_settled(f, g, q, r, [&] { return (c = poly_ctx()).ok(); })) return;
    DenseP a = engine_detail::dense_from_poly(c, f);
    const DenseP b = engine_detail::dense_from_poly(c, g);
    const int na = dense_len(a, c.L), nb = dense_len(b, c.L);
    DenseP qd(static_cast<size_t>(na - nb + 1) * c.L, 0);
    if (!engine_detail::dense_divrem(c, a.data(), na, b.data(), nb, qd.data())) {
        q.clear();
        r.clear();
        return;
    }
    q = engine_detail::poly_from_dense(c, qd);
    r = engine_detail::poly_from_dense(c, a.data(), nb - 1);
}

PolyP operator/(const PolyP& f, const PolyP& g) { return List::quotient(f, g); }
PolyP operator%(const PolyP& f, const PolyP& g) { return List::remainder(f, g); }

// ---- series and shifts ------------------------------------------------------------------

PolyP reverse(const PolyP& f, int n) { return List::reverse(f, n); }
PolyP truncate(const PolyP& f, int n) { return List::truncate(f, n); }
PolyP shift(const PolyP& f, int n) { return List::shift(f, n); }

PolyP inverse_series(const PolyP& f, int n) {
    using engine_detail::u64;
    const PolyCtx c = poly_ctx();
    if (!c.ok() || n < 1) return PolyP();
    const int L = c.L;
    const DenseP fd = engine_detail::dense_from_poly(c, f);
    const int nf = dense_len(fd, L);
    if (nf == 0) return PolyP();
    u64 inv[engine_detail::kMontMaxLimbs];
    if (!engine_detail::mont_inverse(c.e, *c.p, fd.data(), inv, nullptr)) return PolyP();
    int target = 1;
    while (target < n) target *= 2;
    DenseP g(inv, inv + L);
    u64 two[engine_detail::kMontMaxLimbs];
    engine_detail::mont_add_raw(*c.p, two, c.p->one, c.p->one);
    for (int prec = 2; prec <= target; prec *= 2) {
        // g = g*(2 - f*g) mod x^prec
        const int ng = dense_len(g, L);
        const int nft = nf < prec ? nf : prec;
        DenseP t(static_cast<size_t>(nft + ng - 1) * L, 0);
        engine_detail::dense_mul(c, fd.data(), nft, g.data(), ng, t.data(), false);
        t.resize(static_cast<size_t>(prec) * L, 0);
        for (int i = 0; i < prec; ++i) {
            u64* ti = t.data() + static_cast<size_t>(i) * L;
            engine_detail::mont_neg_raw(*c.p, ti, ti);
        }
        engine_detail::mont_add_raw(*c.p, t.data(), t.data(), two);
        DenseP u(static_cast<size_t>(prec + ng - 1) * L, 0);
        engine_detail::dense_mul(c, g.data(), ng, t.data(), prec, u.data(), false);
        u.resize(static_cast<size_t>(prec) * L);
        g.swap(u);
        engine_checkpoint();
    }
    g.resize(static_cast<size_t>(n < target ? n : target) * L);
    return engine_detail::poly_from_dense(c, g);
}

PolyP gcd(const PolyP& f, const PolyP& g) {
    const PolyCtx c = poly_ctx();
    if (!c.ok()) return PolyP();
    DenseP r = engine_detail::dense_gcd(c, engine_detail::dense_from_poly(c, f),
                                        engine_detail::dense_from_poly(c, g));
    return engine_detail::poly_from_dense(c, r);
}
