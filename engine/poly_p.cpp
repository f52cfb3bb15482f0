// PolyP: term lists over GF(p), their merge, term-by-term products and the
// routes into the dense kernels.
#include "engine/poly_p.h"

#include <utility>

#include "engine/internal.h"
#include "engine/poly_p_internal.h"

using engine_detail::DenseP;
using engine_detail::PolyCtx;
using engine_detail::dense_len;
using engine_detail::poly_ctx;

// Builds a list in decreasing order by appending at the tail.
class PolyBuilderP {
   public:
    explicit PolyBuilderP(PolyP& f) : m_f(f) {
        m_f.clear();
        m_tail = nullptr;
    }
    /// Appends c*x^n (n below every exponent so far; c non-zero).
    void append(const ModInt& c, int n) { link(new PolyTermP{c, n, nullptr}); }
    void append(ModInt&& c, int n) {
        auto* t = new PolyTermP{ModInt(), n, nullptr};
        t->c = std::move(c);
        link(t);
    }

   private:
    void link(PolyTermP* t) {
        if (m_tail == nullptr) {
            m_f.m_head = t;
        } else {
            m_tail->next = t;
        }
        m_tail = t;
    }
    PolyP& m_f;
    PolyTermP* m_tail = nullptr;
};

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
    PolyP copy;
    PolyBuilderP b(copy);
    for (const PolyTermP* t = o.m_head; t != nullptr; t = t->next) b.append(t->c, t->n);
    std::swap(m_head, copy.m_head);
    return *this;
}

PolyP& PolyP::operator=(PolyP&& o) noexcept {
    std::swap(m_head, o.m_head);
    return *this;
}

PolyP& PolyP::operator=(int v) {
    clear();
    ModInt c(v);
    if (!c.is_zero()) m_head = new PolyTermP{std::move(c), 0, nullptr};
    return *this;
}

void PolyP::clear() {
    PolyTermP* t = m_head;
    m_head = nullptr;
    while (t != nullptr) {
        PolyTermP* next = t->next;
        delete t;
        t = next;
    }
}

int PolyP::terms() const {
    int n = 0;
    for (const PolyTermP* t = m_head; t != nullptr; t = t->next) ++n;
    return n;
}

bool PolyP::is_one() const {
    return m_head != nullptr && m_head->next == nullptr && m_head->n == 0 && m_head->c.is_one();
}

ModInt PolyP::coeff(int i) const {
    for (const PolyTermP* t = m_head; t != nullptr && t->n >= i; t = t->next)
        if (t->n == i) return t->c;
    return ModInt();
}

PolyTermP* PolyP::add_term(const ModInt& c, int n, PolyTermP* hint) {
    PolyTermP* prev = nullptr;
    PolyTermP* cur = m_head;
    if (hint != nullptr && hint->n > n) {
        prev = hint;
        cur = hint->next;
    }
    if (c.is_zero()) {
        while (cur != nullptr && cur->n > n) {
            prev = cur;
            cur = cur->next;
        }
        return cur != nullptr && cur->n == n ? cur : prev;
    }
    while (cur != nullptr && cur->n > n) {
        prev = cur;
        cur = cur->next;
    }
    if (cur != nullptr && cur->n == n) {
        cur->c += c;
        if (!cur->c.is_zero()) return cur;
        // Unlink the cancelled term; a hint at the term itself has no
        // predecessor at hand, so look for it from the head.
        if (prev == nullptr && cur != m_head) {
            prev = m_head;
            while (prev->next != cur) prev = prev->next;
        }
        (prev == nullptr ? m_head : prev->next) = cur->next;
        delete cur;
        return prev;
    }
    auto* t = new PolyTermP{c, n, cur};
    (prev == nullptr ? m_head : prev->next) = t;
    return t;
}

// ---- sums -------------------------------------------------------------------------------

namespace {

// f + sign*g by merging the two lists.
PolyP merge(const PolyP& f, const PolyP& g, bool subtract) {
    PolyP r;
    PolyBuilderP b(r);
    const PolyTermP* s = f.head();
    const PolyTermP* t = g.head();
    while (s != nullptr || t != nullptr) {
        if (t == nullptr || (s != nullptr && s->n > t->n)) {
            b.append(s->c, s->n);
            s = s->next;
        } else if (s == nullptr || t->n > s->n) {
            b.append(subtract ? -t->c : t->c, t->n);
            t = t->next;
        } else {
            ModInt c = subtract ? s->c - t->c : s->c + t->c;
            if (!c.is_zero()) b.append(std::move(c), s->n);
            s = s->next;
            t = t->next;
        }
    }
    return r;
}

}  // namespace

PolyP operator-(const PolyP& f) {
    PolyP r;
    PolyBuilderP b(r);
    for (const PolyTermP* t = f.head(); t != nullptr; t = t->next) b.append(-t->c, t->n);
    return r;
}
PolyP operator+(const PolyP& f, const PolyP& g) { return merge(f, g, false); }
PolyP operator-(const PolyP& f, const PolyP& g) { return merge(f, g, true); }
PolyP& PolyP::operator+=(const PolyP& o) { return *this = merge(*this, o, false); }
PolyP& PolyP::operator-=(const PolyP& o) { return *this = merge(*this, o, true); }

bool operator==(const PolyP& f, const PolyP& g) {
    const PolyTermP* s = f.head();
    const PolyTermP* t = g.head();
    for (; s != nullptr && t != nullptr; s = s->next, t = t->next)
        if (s->n != t->n || s->c != t->c) return false;
    return s == nullptr && t == nullptr;
}
bool operator!=(const PolyP& f, const PolyP& g) { return !(f == g); }

// ---- scaling ---------------------------------------------------------------------------

PolyP operator*(const PolyP& f, const ModInt& c) {
    PolyP r;
    if (c.is_zero()) return r;
    PolyBuilderP b(r);
    for (const PolyTermP* t = f.head(); t != nullptr; t = t->next) {
        ModInt v = t->c * c;
        if (!v.is_zero()) b.append(std::move(v), t->n);
    }
    return r;
}
PolyP operator*(const ModInt& c, const PolyP& f) { return f * c; }
PolyP& PolyP::operator*=(const ModInt& c) { return *this = *this * c; }

PolyP operator/(const PolyP& f, const ModInt& c) {
    if (c.is_zero()) return PolyP();
    return f * (ModInt(1) / c);
}

void PolyP::make_monic() {
    if (m_head == nullptr || m_head->c.is_one()) return;
    *this = *this / ModInt(m_head->c);
}

// ---- products -----------------------------------------------------------------------------

namespace {

constexpr int kTermDegree = 16;

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

// f*g term by term; the rows (one per term of the shorter list) go down in
// exponent, and each row starts behind the first place of the row before.
PolyP multiply_terms(const PolyP& f, const PolyP& g) {
    const PolyP& outer = f.terms() <= g.terms() ? f : g;
    const PolyP& inner = &outer == &f ? g : f;
    PolyP r;
    PolyTermP* row = nullptr;
    for (const PolyTermP* s = outer.head(); s != nullptr; s = s->next) {
        PolyTermP* hint = row;
        bool first = true;
        for (const PolyTermP* t = inner.head(); t != nullptr; t = t->next) {
            hint = r.add_term(s->c * t->c, s->n + t->n, hint);
            if (first) {
                row = hint;
                first = false;
            }
        }
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
    if (f.is_zero() || g.is_zero()) return PolyP();
    const bool square = &f == &g || f == g;
    if (square) {
        if (f.degree() < kTermDegree) return square_terms(f);
        return multiply_dense(f, f, true);
    }
    if (f.degree() < kTermDegree || g.degree() < kTermDegree) return multiply_terms(f, g);
    return multiply_dense(f, g, false);
}

PolyP& PolyP::operator*=(const PolyP& o) { return *this = *this * o; }

// ---- division -----------------------------------------------------------------------------

void divrem(const PolyP& f, const PolyP& g, PolyP& q, PolyP& r) {
    if (g.is_zero()) {
        if (engine_error() == 0) report_error(2);
        q.clear();
        r.clear();
        return;
    }
    const PolyCtx c = poly_ctx();
    if (!c.ok()) {
        q.clear();
        r.clear();
        return;
    }
    if (f.is_zero() || f.degree() < g.degree()) {
        PolyP copy(f);
        q.clear();
        r = std::move(copy);
        return;
    }
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

PolyP operator/(const PolyP& f, const PolyP& g) {
    PolyP q, r;
    divrem(f, g, q, r);
    return q;
}

PolyP operator%(const PolyP& f, const PolyP& g) {
    PolyP q, r;
    divrem(f, g, q, r);
    return r;
}

// ---- series and shifts ------------------------------------------------------------------

PolyP reverse(const PolyP& f, int n) {
    PolyP r;
    // Images come in increasing order, so each one lands at the head: O(1).
    for (const PolyTermP* t = f.head(); t != nullptr; t = t->next)
        if (t->n <= n) r.add_term(t->c, n - t->n);
    return r;
}

PolyP truncate(const PolyP& f, int n) {
    PolyP r;
    PolyBuilderP b(r);
    for (const PolyTermP* t = f.head(); t != nullptr; t = t->next)
        if (t->n < n) b.append(t->c, t->n);
    return r;
}

PolyP shift(const PolyP& f, int n) {
    PolyP r;
    PolyBuilderP b(r);
    for (const PolyTermP* t = f.head(); t != nullptr; t = t->next)
        if (t->n + n >= 0) b.append(t->c, t->n + n);
    return r;
}

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
