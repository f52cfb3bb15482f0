// Polynomials over GF(2^m) (the instance's current basis), and the same
// polynomials reduced modulo one modulus polynomial per thread: the twins of
// PolyP and PolyModP (poly_p.h), with Gf2Elem coefficients.
//
// Poly2 is a singly linked list of terms sorted by strictly decreasing exponent
// with no zero coefficients; the empty list is 0 and its degree() is 0.
// Products: term by term when either factor has degree below 16 (a square
// forms each cross term once; in characteristic 2 doubled cross terms vanish, so
// a square is the sum of the squared terms), from degree 16 on dense arrays and
// the Karatsuba product gf2_poly_mul. Division: long division by the leading
// coefficient's inverse. Subtraction is addition.
//
// PolyMod2 is a Poly2 of degree below that of the thread's modulus polynomial.
// From modulus degree 16 on, set_modulus keeps the reversed modulus R and
// I = R^-1 mod x^(n-1), and products are reduced by
// q = reverse(truncate(reverse(P)*I)), P - q*F with Karatsuba products; below
// 16, and for short quotients, by long division.
//
// Without a basis (error 27) or while an engine error is recorded, the dense
// operations give 0 and the coefficient operations are inert.
#pragma once

#include "engine/poly_p.h"
#include "engine/values.h"

struct PolyTerm2 {
    Gf2Elem c;
    int n = 0;
    PolyTerm2* next = nullptr;
};

class Poly2 {
   public:
    Poly2() = default;
    /// The constant v.
    Poly2(int v);  // NOLINT(google-explicit-constructor)
    explicit Poly2(const Gf2Elem& c);
    Poly2(const Poly2& o);
    Poly2(Poly2&& o) noexcept : m_head(o.m_head) { o.m_head = nullptr; }
    Poly2& operator=(const Poly2& o);
    Poly2& operator=(Poly2&& o) noexcept;
    /// The constant v.
    Poly2& operator=(int v);
    ~Poly2() { clear(); }

    /// Adds c*x^n. A zero c changes nothing; a term that becomes zero is removed.
    /// The search starts at `hint` (a node of this list with exponent >= n, e.g.
    /// the node the previous call returned) when given, else at the head, so
    /// terms added in decreasing order cost O(1) each. Returns the node holding
    /// x^n, or, when it was removed or c is zero, a node before that place
    /// (nullptr when there is none): either may be passed as the next hint.
    PolyTerm2* add_term(const Gf2Elem& c, int n, PolyTerm2* hint = nullptr);
    /// Coefficient of x^i (zero when absent).
    Gf2Elem coeff(int i) const;
    int degree() const { return m_head != nullptr ? m_head->n : 0; }
    bool is_zero() const { return m_head == nullptr; }
    /// True for the constant 1.
    bool is_one() const;
    void clear();
    /// Number of terms.
    int terms() const;
    const PolyTerm2* head() const { return m_head; }

    Poly2& operator+=(const Poly2& o);
    Poly2& operator-=(const Poly2& o);
    Poly2& operator*=(const Poly2& o);
    Poly2& operator*=(const Gf2Elem& c);
    /// Divides by the leading coefficient (no change for 0).
    void make_monic();

   private:
    friend class PolyBuilder2;
    PolyTerm2* m_head = nullptr;
};

Poly2 operator-(const Poly2& f);
Poly2 operator+(const Poly2& f, const Poly2& g);
Poly2 operator-(const Poly2& f, const Poly2& g);
Poly2 operator*(const Poly2& f, const Poly2& g);
Poly2 operator*(const Poly2& f, const Gf2Elem& c);
Poly2 operator*(const Gf2Elem& c, const Poly2& f);
/// Every coefficient divided by c (0 when c is 0).
Poly2 operator/(const Poly2& f, const Gf2Elem& c);
/// Quotient of long division (error 2 and 0 for a zero divisor).
Poly2 operator/(const Poly2& f, const Poly2& g);
/// Remainder of long division (error 2 and 0 for a zero divisor).
Poly2 operator%(const Poly2& f, const Poly2& g);
bool operator==(const Poly2& f, const Poly2& g);
bool operator!=(const Poly2& f, const Poly2& g);
/// q = f / g and r = f mod g (error 2, q = r = 0 for a zero g).
void divrem(const Poly2& f, const Poly2& g, Poly2& q, Poly2& r);
/// x^n f(1/x): the coefficient of x^i moves to x^(n-i); terms above x^n are dropped.
Poly2 reverse(const Poly2& f, int n);
/// f mod x^n.
Poly2 truncate(const Poly2& f, int n);
/// f * x^n; for n < 0 the terms below x^-n are dropped and the rest moved down.
Poly2 shift(const Poly2& f, int n);
/// f^-1 mod x^n by Newton's iteration (0 when f(0) = 0 or n < 1).
Poly2 inverse_series(const Poly2& f, int n);
/// The monic gcd of f and g (0 when both are 0), by Euclid's algorithm.
Poly2 gcd(const Poly2& f, const Poly2& g);

// ---- residues modulo the modulus polynomial ----------------------------------------------

class PolyMod2 {
   public:
    PolyMod2() = default;
    /// f reduced modulo the modulus.
    PolyMod2(const Poly2& f);  // NOLINT(google-explicit-constructor)
    PolyMod2(Poly2&& f);       // NOLINT(google-explicit-constructor)
    PolyMod2(const PolyMod2& o) = default;
    PolyMod2(PolyMod2&& o) noexcept = default;
    PolyMod2& operator=(const PolyMod2& o) = default;
    PolyMod2& operator=(PolyMod2&& o) noexcept = default;
    PolyMod2& operator=(const Poly2& f);
    PolyMod2& operator=(Poly2&& f);

    const Poly2& poly() const { return m_f; }
    Gf2Elem coeff(int i) const { return m_f.coeff(i); }
    int degree() const { return m_f.degree(); }
    bool is_zero() const { return m_f.is_zero(); }
    bool is_one() const { return m_f.is_one(); }

    PolyMod2& operator+=(const PolyMod2& o);
    PolyMod2& operator-=(const PolyMod2& o);
    PolyMod2& operator*=(const PolyMod2& o);

   private:
    friend class PolyModAccess2;
    Poly2 m_f;
};

PolyMod2 operator-(const PolyMod2& f);
PolyMod2 operator+(const PolyMod2& f, const PolyMod2& g);
PolyMod2 operator-(const PolyMod2& f, const PolyMod2& g);
PolyMod2 operator*(const PolyMod2& f, const PolyMod2& g);
PolyMod2 operator*(const PolyMod2& f, const Gf2Elem& c);
PolyMod2 operator*(const Gf2Elem& c, const PolyMod2& f);
PolyMod2 operator/(const PolyMod2& f, const Gf2Elem& c);
/// f + c (the constant term).
PolyMod2 operator+(const PolyMod2& f, const Gf2Elem& c);
PolyMod2 operator-(const PolyMod2& f, const Gf2Elem& c);
bool operator==(const PolyMod2& f, const PolyMod2& g);
bool operator!=(const PolyMod2& f, const PolyMod2& g);

/// Makes f the calling thread's modulus polynomial (with the data for fast
/// reduction from degree 16 on). A zero f leaves every residue 0.
void set_modulus(const Poly2& f);
/// The current modulus polynomial.
const Poly2& poly_modulus_2();
/// f^e mod the modulus: e = 0 gives 1 (0 when the modulus is a constant); e = 1
/// f reduced; a base of degree below 16 by left-to-right square-and-multiply,
/// otherwise a sliding window of width 5 over f, f^3, ..., f^31. After every
/// squaring and multiplication the abort check (set_poly_abort_check) is asked;
/// when it answers true the partial result is returned at once (to be discarded).
/// Error 10 for a negative e. The abort check is the one set_poly_abort_check
/// (poly_p.h) installs.
PolyMod2 pow(const PolyMod2& f, const BigInt& e);
/// f(g) mod the modulus by the baby-step giant-step method (gf2_dotprod for
/// the blocks, Horner's rule in g^b between them).
PolyMod2 compose(const PolyMod2& f, const PolyMod2& g);
/// The monic gcd of f and the modulus.
Poly2 gcd(const PolyMod2& f);

