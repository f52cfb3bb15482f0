// The coefficient-list logic shared by the polynomials over GF(p) (PolyP,
// PolyModP) and over GF(2^m) (Poly2, PolyMod2) (engine internals).
//
// A list is the singly linked chain of terms behind a polynomial class: terms
// sorted by strictly decreasing exponent, no zero coefficient, nullptr for 0.
// PolyList<Poly, Builder> holds the routines over such lists; Poly is the
// polynomial class, Builder its friend that appends terms at the tail (derived
// from TermAppender). Coefficients in characteristic 2 (Gf2Elem) skip the
// negations: there subtraction is addition.
//
// poly_pow_window is the powering driver of both residue classes over their dense
// representations. The field-specific parts (dense forms, transform and
// Karatsuba products, reduction) stay with each field.
#pragma once

#include <algorithm>
#include <cstddef>
#include <type_traits>
#include <utility>
#include <vector>

#include "engine/big.h"
#include "engine/instance.h"
#include "engine/values.h"

namespace engine_detail {

/// Products with a factor of degree below this are formed term by term.
constexpr int kPolyTermDegree = 16;

/// Frees every term of the list at head; head becomes nullptr.
template <class Term>
void terms_free(Term*& head) {
    Term* t = head;
    head = nullptr;
    while (t != nullptr) {
        Term* next = t->next;
        delete t;
        t = next;
    }
}

/// Appends terms at the tail of the list at `head` (emptied on construction),
/// each exponent below every one before it and each coefficient non-zero.
template <class Term>
class TermAppender {
   public:
    using Coeff = decltype(Term::c);

    explicit TermAppender(Term*& head) : m_head(head) { terms_free(m_head); }
    /// Appends c*x^n.
    void append(const Coeff& c, int n) { link(new Term{c, n, nullptr}); }
    void append(Coeff&& c, int n) {
        auto* t = new Term{Coeff(), n, nullptr};
        t->c = std::move(c);
        link(t);
    }

   private:
    void link(Term* t) {
        if (m_tail == nullptr) {
            m_head = t;
        } else {
            m_tail->next = t;
        }
        m_tail = t;
    }
    Term*& m_head;
    Term* m_tail = nullptr;
};

template <class Poly, class Builder>
struct PolyList {
    using Term = std::remove_const_t<std::remove_pointer_t<decltype(std::declval<const Poly&>().head())>>;
    using Coeff = decltype(Term::c);
    static constexpr bool kCharTwo = std::is_same_v<Coeff, Gf2Elem>;

    // ---- the list at a head pointer (for the member functions) ----

    /** The list of the constant c (empty for 0) at head, which must be empty. */
    static void set_constant(Term*& head, Coeff&& c) {
        if (!c.is_zero()) head = new Term{std::move(c), 0, nullptr};
    }

    static int count(const Term* head) {
        int n = 0;
        for (const Term* t = head; t != nullptr; t = t->next) ++n;
        return n;
    }

    static bool is_one(const Term* head) {
        return head != nullptr && head->next == nullptr && head->n == 0 && head->c.is_one();
    }

    /** Coefficient of x^i (zero when absent). */
    static Coeff coeff(const Term* head, int i) {
        for (const Term* t = head; t != nullptr && t->n >= i; t = t->next)
            if (t->n == i) return t->c;
        return Coeff();
    }

    /**
     * Adds c*x^n to the list at head, searching from `hint` (a node with
     * exponent >= n) when given. Returns the node holding x^n or, when it was
     * removed or c is zero, the node before that place (nullptr when none).
     */
    static Term* add_term(Term*& head, const Coeff& c, int n, Term* hint) {
        Term* prev = nullptr;
        Term* cur = head;
        if (hint != nullptr && hint->n > n) {
            prev = hint;
            cur = hint->next;
        }
        while (cur != nullptr && cur->n > n) {
            prev = cur;
            cur = cur->next;
        }
        if (c.is_zero()) return cur != nullptr && cur->n == n ? cur : prev;
        if (cur != nullptr && cur->n == n) {
            cur->c += c;
            if (!cur->c.is_zero()) return cur;
            // Unlink the cancelled term; a hint at the term itself has no
            // predecessor at hand, so look for it from the head.
            if (prev == nullptr && cur != head) {
                prev = head;
                while (prev->next != cur) prev = prev->next;
            }
            (prev == nullptr ? head : prev->next) = cur->next;
            delete cur;
            return prev;
        }
        auto* t = new Term{c, n, cur};
        (prev == nullptr ? head : prev->next) = t;
        return t;
    }

    // ---- whole polynomials ----

    /** A copy of f. */
    static Poly copy(const Poly& f) {
        Poly r;
        Builder b(r);
        for (const Term* t = f.head(); t != nullptr; t = t->next) b.append(t->c, t->n);
        return r;
    }

    /** f + g, or f - g when `subtract`, by merging the two lists. */
    static Poly merge(const Poly& f, const Poly& g, bool subtract) {
        Poly r;
        Builder b(r);
        const Term* s = f.head();
        const Term* t = g.head();
        while (s != nullptr || t != nullptr) {
            if (t == nullptr || (s != nullptr && s->n > t->n)) {
                b.append(s->c, s->n);
                s = s->next;
            } else if (s == nullptr || t->n > s->n) {
                if (kCharTwo || !subtract) {
                    b.append(t->c, t->n);
                } else {
                    b.append(-t->c, t->n);
                }
                t = t->next;
            } else {
                Coeff c = kCharTwo || !subtract ? s->c + t->c : s->c - t->c;
                if (!c.is_zero()) b.append(std::move(c), s->n);
                s = s->next;
                t = t->next;
            }
        }
        return r;
    }

    static Poly negate(const Poly& f) {
        Poly r;
        Builder b(r);
        for (const Term* t = f.head(); t != nullptr; t = t->next) b.append(-t->c, t->n);
        return r;
    }

    static bool equal(const Poly& f, const Poly& g) {
        const Term* s = f.head();
        const Term* t = g.head();
        for (; s != nullptr && t != nullptr; s = s->next, t = t->next)
            if (s->n != t->n || s->c != t->c) return false;
        return s == nullptr && t == nullptr;
    }

    /** Every coefficient times c. */
    static Poly scale(const Poly& f, const Coeff& c) {
        Poly r;
        if (c.is_zero()) return r;
        Builder b(r);
        for (const Term* t = f.head(); t != nullptr; t = t->next) {
            Coeff v = t->c * c;
            if (!v.is_zero()) b.append(std::move(v), t->n);
        }
        return r;
    }

    /** Every coefficient divided by c (0 when c is 0). */
    static Poly divide(const Poly& f, const Coeff& c) {
        if (c.is_zero()) return Poly();
        return scale(f, Coeff(1) / c);
    }

    /** f divided by its leading coefficient (no change for 0 or a monic f). */
    static void make_monic(Poly& f) {
        if (f.is_zero() || f.head()->c.is_one()) return;
        f = divide(f, Coeff(f.head()->c));
    }

    /**
     * f*g term by term; the rows (one per term of the shorter list) go down in
     * exponent, and each row starts behind the first place of the row before.
     */
    static Poly multiply_terms(const Poly& f, const Poly& g) {
        const Poly& outer = f.terms() <= g.terms() ? f : g;
        const Poly& inner = &outer == &f ? g : f;
        Poly r;
        Term* row = nullptr;
        for (const Term* s = outer.head(); s != nullptr; s = s->next) {
            Term* hint = row;
            bool first = true;
            for (const Term* t = inner.head(); t != nullptr; t = t->next) {
                hint = r.add_term(s->c * t->c, s->n + t->n, hint);
                if (first) {
                    row = hint;
                    first = false;
                }
            }
        }
        return r;
    }

    /**
     * f*g: term by term when a factor has degree below kPolyTermDegree
     * (square_terms(f) for a square), otherwise dense(square) of the field.
     */
    template <class SquareTerms, class Dense>
    static Poly product(const Poly& f, const Poly& g, SquareTerms&& square_terms, Dense&& dense) {
        if (f.is_zero() || g.is_zero()) return Poly();
        const bool square = &f == &g || equal(f, g);
        if (square) {
            if (f.degree() < kPolyTermDegree) return square_terms(f);
        } else if (f.degree() < kPolyTermDegree || g.degree() < kPolyTermDegree) {
            return multiply_terms(f, g);
        }
        return dense(square);
    }

    /**
     * The cases of divrem that need no division: a zero g (error 2, q = r = 0),
     * an engine that is not ready (ready() is asked only for a non-zero g;
     * q = r = 0), and f of degree below g (q = 0, r = f). True when q and r are
     * settled.
     */
    template <class Ready>
    static bool divrem_settled(const Poly& f, const Poly& g, Poly& q, Poly& r, Ready&& ready) {
        if (g.is_zero()) {
            if (engine_error() == 0) report_error(2);
            q.clear();
            r.clear();
            return true;
        }
        if (!ready()) {
            q.clear();
            r.clear();
            return true;
        }
        if (f.is_zero() || f.degree() < g.degree()) {
            Poly copy_f(f);
            q.clear();
            r = std::move(copy_f);
            return true;
        }
        return false;
    }

    static Poly quotient(const Poly& f, const Poly& g) {
        Poly q, r;
        divrem(f, g, q, r);
        return q;
    }

    static Poly remainder(const Poly& f, const Poly& g) {
        Poly q, r;
        divrem(f, g, q, r);
        return r;
    }

    /** x^n f(1/x), terms above x^n dropped. */
    static Poly reverse(const Poly& f, int n) {
        Poly r;
        // Images come in increasing order, so each one lands at the head: O(1).
        for (const Term* t = f.head(); t != nullptr; t = t->next)
            if (t->n <= n) r.add_term(t->c, n - t->n);
        return r;
    }

    /** f mod x^n. */
    static Poly truncate(const Poly& f, int n) {
        Poly r;
        Builder b(r);
        for (const Term* t = f.head(); t != nullptr; t = t->next)
            if (t->n < n) b.append(t->c, t->n);
        return r;
    }

    /** f * x^n, the terms that would go below x^0 dropped. */
    static Poly shift(const Poly& f, int n) {
        Poly r;
        Builder b(r);
        for (const Term* t = f.head(); t != nullptr; t = t->next)
            if (t->n + n >= 0) b.append(t->c, t->n + n);
        return r;
    }
};

/**
 * True when powering must stop: an error is recorded (the rest would be inert)
 * or `check` (may be null) says so. Runs the worker checkpoint first.
 */
inline bool poly_stop_requested(bool (*check)()) {
    engine_checkpoint();
    return engine_error() != 0 || (check != nullptr && check());
}

/**
 * base^e for e >= 2 over a dense residue type D, with mul(a, b, square) giving
 * a*b mod the modulus (`square` when b is a). A short base (`short_base`) goes
 * left to right from the top bit: one square per bit, one cheap product by the
 * base per set bit. Otherwise a sliding window of width 5 over base, base^3,
 * ..., base^31. After every product `check` is asked through
 * poly_stop_requested; when it stops the partial result is returned at once.
 */
template <class D, class Mul>
D poly_pow_window(const D& base, const BigInt& e, bool short_base, bool (*check)(), Mul&& mul) {
    const int nbits = bits(e);
    auto bit = [&](int i) { return big_test_bit(e.get(), i) != 0; };
    D r;
    if (short_base) {
        r = base;
        for (int i = nbits - 2; i >= 0; --i) {
            r = mul(r, r, true);
            if (poly_stop_requested(check)) break;
            if (bit(i)) {
                r = mul(r, base, false);
                if (poly_stop_requested(check)) break;
            }
        }
        return r;
    }
    constexpr int kWidth = 5;
    std::vector<D> odd(1u << (kWidth - 1));
    odd[0] = base;
    const D sq = mul(base, base, true);
    bool stopped = poly_stop_requested(check);
    for (size_t i = 1; i < odd.size() && !stopped; ++i) {
        odd[i] = mul(odd[i - 1], sq, false);
        stopped = poly_stop_requested(check);
    }
    bool have = false;
    for (int i = nbits - 1; i >= 0 && !stopped;) {
        if (!bit(i)) {
            r = mul(r, r, true);
            stopped = poly_stop_requested(check);
            --i;
            continue;
        }
        int j = std::max(i - kWidth + 1, 0);
        while (!bit(j)) ++j;
        int value = 0;
        for (int b = i; b >= j; --b) value = 2 * value + (bit(b) ? 1 : 0);
        if (!have) {
            r = odd[static_cast<size_t>(value / 2)];
            have = true;
        } else {
            for (int b = i; b >= j && !stopped; --b) {
                r = mul(r, r, true);
                stopped = poly_stop_requested(check);
            }
            if (stopped) break;
            r = mul(r, odd[static_cast<size_t>(value / 2)], false);
            stopped = poly_stop_requested(check);
        }
        i = j - 1;
    }
    return r;
}

}  // namespace engine_detail
