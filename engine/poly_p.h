// Polynomials over GF(p) (p the instance's current modulus), and the same
// polynomials reduced modulo one modulus polynomial per thread.
//
// PolyP is a singly linked list of terms (a ModInt coefficient in Montgomery form
// and an exponent), sorted by strictly decreasing exponent, with no zero
// coefficients. The empty list is 0; degree() is the head's exponent, 0 for the
// zero polynomial (is_zero tells it from a constant).
//
// Products: term by term when either factor has degree below 16 (a square forms
// each cross term once and doubles it); from degree 16 on, dense coefficient
// arrays and the transform product of fft.h (a squaring transforms once).
// Division: classical long division by the leading coefficient's inverse.
//
// PolyModP is a PolyP of degree below that of the thread's modulus polynomial,
// set by set_modulus. From modulus degree 16 on, set_modulus also keeps the
// reversed modulus R and I = R^-1 mod x^(n-1), with their transforms, and
// products are reduced by q = reverse(truncate(reverse(P)*I)), P - q*F
// (Montgomery's reciprocal method); below 16, and whenever the quotient is short,
// by long division.
//
// All values use the calling thread's engine instance and its current modulus
// p; changing p invalidates them, and the modulus polynomial with them. When no
// modulus is set (error 20) or an engine error is recorded, the dense operations
// give 0 and the coefficient operations are inert.
#pragma once

#include "engine/values.h"

struct PolyTermP {
    ModInt c;
    int n = 0;
    PolyTermP* next = nullptr;
};

class PolyP {
   public:
    PolyP() = default;
    /// The constant v.
    PolyP(int v);  // NOLINT(google-explicit-constructor)
    explicit PolyP(const ModInt& c);
    PolyP(const PolyP& o);
    PolyP(PolyP&& o) noexcept : m_head(o.m_head) { o.m_head = nullptr; }
    PolyP& operator=(const PolyP& o);
    PolyP& operator=(PolyP&& o) noexcept;
    /// The constant v.
    PolyP& operator=(int v);
    ~PolyP() { clear(); }

    /// Adds c*x^n. A zero c changes nothing; a term that becomes zero is removed.
    /// The search starts at `hint` (a node of this list with exponent >= n, e.g.
    /// the node the previous call returned) when given, else at the head, so
    /// terms added in decreasing order cost O(1) each. Returns the node holding
    /// x^n, or, when it was removed or c is zero, a node before that place
    /// (nullptr when there is none): either may be passed as the next hint.
    PolyTermP* add_term(const ModInt& c, int n, PolyTermP* hint = nullptr);
    /// Coefficient of x^i (zero when absent).
    ModInt coeff(int i) const;
    int degree() const { return m_head != nullptr ? m_head->n : 0; }
    bool is_zero() const { return m_head == nullptr; }
    /// True for the constant 1.
    bool is_one() const;
    void clear();
    /// Number of terms.
    int terms() const;
    const PolyTermP* head() const { return m_head; }

    PolyP& operator+=(const PolyP& o);
    PolyP& operator-=(const PolyP& o);
    PolyP& operator*=(const PolyP& o);
    PolyP& operator*=(const ModInt& c);
    /// Divides by the leading coefficient (no change for 0).
    void make_monic();

   private:
    friend class PolyBuilderP;
    PolyTermP* m_head = nullptr;
};

PolyP operator-(const PolyP& f);
PolyP operator+(const PolyP& f, const PolyP& g);
PolyP operator-(const PolyP& f, const PolyP& g);
PolyP operator*(const PolyP& f, const PolyP& g);
PolyP operator*(const PolyP& f, const ModInt& c);
PolyP operator*(const ModInt& c, const PolyP& f);
/// Every coefficient divided by c (0 when c is 0).
PolyP operator/(const PolyP& f, const ModInt& c);
/// Quotient of long division (error 2 and 0 for a zero divisor).
PolyP operator/(const PolyP& f, const PolyP& g);
/// Remainder of long division (error 2 and 0 for a zero divisor).
PolyP operator%(const PolyP& f, const PolyP& g);
bool operator==(const PolyP& f, const PolyP& g);
bool operator!=(const PolyP& f, const PolyP& g);
/// q = f / g and r = f mod g (error 2, q = r = 0 for a zero g).
void divrem(const PolyP& f, const PolyP& g, PolyP& q, PolyP& r);
/// x^n f(1/x): the coefficient of x^i moves to x^(n-i); terms above x^n are dropped.
PolyP reverse(const PolyP& f, int n);
/// f mod x^n.
PolyP truncate(const PolyP& f, int n);
/// f * x^n; for n < 0 the terms below x^-n are dropped and the rest moved down.
PolyP shift(const PolyP& f, int n);
/// f^-1 mod x^n by Newton's iteration (0 when f(0) = 0 or n < 1).
PolyP inverse_series(const PolyP& f, int n);
/// The monic gcd of f and g (0 when both are 0), by Euclid's algorithm.
PolyP gcd(const PolyP& f, const PolyP& g);

// ---- residues modulo the modulus polynomial ----------------------------------------------

class PolyModP {
   public:
    PolyModP() = default;
    /// f reduced modulo the modulus.
    PolyModP(const PolyP& f);  // NOLINT(google-explicit-constructor)
    PolyModP(PolyP&& f);       // NOLINT(google-explicit-constructor)
    PolyModP(const PolyModP& o) = default;
    PolyModP(PolyModP&& o) noexcept = default;
    PolyModP& operator=(const PolyModP& o) = default;
    PolyModP& operator=(PolyModP&& o) noexcept = default;
    PolyModP& operator=(const PolyP& f);
    PolyModP& operator=(PolyP&& f);

    const PolyP& poly() const { return m_f; }
    ModInt coeff(int i) const { return m_f.coeff(i); }
    int degree() const { return m_f.degree(); }
    bool is_zero() const { return m_f.is_zero(); }
    bool is_one() const { return m_f.is_one(); }

    PolyModP& operator+=(const PolyModP& o);
    PolyModP& operator-=(const PolyModP& o);
    PolyModP& operator*=(const PolyModP& o);

   private:
    friend class PolyModAccessP;
    PolyP m_f;
};

PolyModP operator-(const PolyModP& f);
PolyModP operator+(const PolyModP& f, const PolyModP& g);
PolyModP operator-(const PolyModP& f, const PolyModP& g);
PolyModP operator*(const PolyModP& f, const PolyModP& g);
PolyModP operator*(const PolyModP& f, const ModInt& c);
PolyModP operator*(const ModInt& c, const PolyModP& f);
PolyModP operator/(const PolyModP& f, const ModInt& c);
/// f + c (the constant term).
PolyModP operator+(const PolyModP& f, const ModInt& c);
PolyModP operator-(const PolyModP& f, const ModInt& c);
bool operator==(const PolyModP& f, const PolyModP& g);
bool operator!=(const PolyModP& f, const PolyModP& g);

/// Makes f the calling thread's modulus polynomial (with the data for fast
/// reduction from degree 16 on). A zero f leaves every residue 0.
void set_modulus(const PolyP& f);
/// The current modulus polynomial.
const PolyP& poly_modulus_p();
/// f^e mod the modulus: e = 0 gives 1 (0 when the modulus is a constant); e = 1
/// f reduced; a base of degree below 16 by left-to-right square-and-multiply,
/// otherwise a sliding window of width 5 over f, f^3, ..., f^31. After every
/// squaring and multiplication the abort check (set_poly_abort_check) is asked;
/// when it answers true the partial result is returned at once (to be discarded).
/// Error 10 for a negative e.
PolyModP pow(const PolyModP& f, const BigInt& e);
/// f(g) mod the modulus by the baby-step giant-step method (nres_dotprod for
/// the blocks, Horner's rule in g^b between them).
PolyModP compose(const PolyModP& f, const PolyModP& g);
/// The monic gcd of f and the modulus.
PolyP gcd(const PolyModP& f);

/// Sets the calling thread's abort check for pow (nullptr: none). The number
/// theory engines pass their stop test, so that a long powering ends promptly.
void set_poly_abort_check(bool (*check)());
