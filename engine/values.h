// Value classes over the engine's numbers and points, so that arithmetic can be
// written as expressions.
//
//   BigInt  one big: a signed integer of the instance's precision
//   ModInt  one big in Montgomery form: a residue modulo the current modulus
//           (modular.h); 0 is the zero big
//   PointP  one point (a block of one) on the current GF(p) curve (ecp.h)
//   Gf2Elem one big read as a bit string: an element of the current GF(2^m)
//           (gf2m.h)
//   Point2  one point (a block of one) on the current GF(2^m) curve (ec2.h)
//
// Every value owns its storage from construction to destruction; copies allocate
// again and copy, destructors wipe and release. Storage is obtained even while an
// engine error is recorded, so that after an error values stay usable and their
// operations are merely inert (the engine routines they call return at once);
// they never crash on a missing handle. Operators compute into a fresh value and
// return it. All values use the calling thread's current instance, and ModInt and
// PointP depend on its current modulus and curve: changing those invalidates the
// values made under them.
//
// No class here has virtual functions or a type tag.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/big.h"
#include "engine/epoint.h"

// ---- BigInt ------------------------------------------------------------------------------

class BigInt {
   public:
    BigInt();
    BigInt(int v);  // NOLINT(google-explicit-constructor): integers mix freely
    /// A copy of x (zero for null).
    explicit BigInt(const big_rec* x);
    /// The unsigned big-endian number in bytes[0..len-1] (bytes_to_big).
    BigInt(const uint8_t* bytes, int len);
    BigInt(const BigInt& o);
    BigInt(BigInt&& o) noexcept;
    BigInt& operator=(const BigInt& o);
    /// Swaps storage with o (o stays a valid value).
    BigInt& operator=(BigInt&& o) noexcept;
    BigInt& operator=(int v);
    ~BigInt();

    /// The engine handle (valid for the value's lifetime).
    big get() const { return m_x; }

    bool is_zero() const { return big_is_zero(m_x); }
    /// Negates in place.
    void negate();
    /// Text in the instance's io_base: cotstr into the I/O buffer, then copied
    /// into out (at most size bytes, NUL included). Returns the characters
    /// copied before the NUL (0 and "" after an error, e.g. 17 when the text
    /// does not fit the I/O buffer).
    int text(char* out, size_t size) const;
    std::string text() const;
    /// |x| big-endian (big_to_bytes); returns the byte count.
    int to_bytes(int max, uint8_t* out, bool justify) const;

    BigInt& operator+=(const BigInt& o);
    BigInt& operator-=(const BigInt& o);
    BigInt& operator*=(const BigInt& o);
    BigInt& operator/=(const BigInt& o);
    BigInt& operator%=(const BigInt& o);
    BigInt& operator+=(int n);
    BigInt& operator-=(int n);
    BigInt& operator*=(int n);
    BigInt& operator/=(int n);
    BigInt& operator++();
    BigInt& operator--();

   private:
    big m_x;
};

BigInt operator-(const BigInt& x);
BigInt operator+(const BigInt& x, const BigInt& y);
BigInt operator-(const BigInt& x, const BigInt& y);
BigInt operator*(const BigInt& x, const BigInt& y);
/// Quotient truncated towards zero (divide); error 2 on division by zero.
BigInt operator/(const BigInt& x, const BigInt& y);
/// Remainder with the sign of x (divide).
BigInt operator%(const BigInt& x, const BigInt& y);
BigInt operator+(const BigInt& x, int n);
BigInt operator+(int n, const BigInt& x);
BigInt operator-(const BigInt& x, int n);
BigInt operator-(int n, const BigInt& x);
BigInt operator*(const BigInt& x, int n);
BigInt operator*(int n, const BigInt& x);
/// x / n truncated (subdiv).
BigInt operator/(const BigInt& x, int n);
/// x mod n with the sign of x (remain).
int operator%(const BigInt& x, int n);

bool operator==(const BigInt& x, const BigInt& y);
bool operator!=(const BigInt& x, const BigInt& y);
bool operator<(const BigInt& x, const BigInt& y);
bool operator>(const BigInt& x, const BigInt& y);
bool operator<=(const BigInt& x, const BigInt& y);
bool operator>=(const BigInt& x, const BigInt& y);

/// x^n (power without modulus; expint when x fits a small int). Error 10 for n < 0.
BigInt pow(const BigInt& x, int n);
/// x^n mod m (power with modulus).
BigInt pow(const BigInt& x, int n, const BigInt& m);
/// x^y mod m (powmod; an odd m becomes the current modulus).
BigInt pow(const BigInt& x, const BigInt& y, const BigInt& m);
/// x*y mod m (mad).
BigInt modmult(const BigInt& x, const BigInt& y, const BigInt& m);
/// x^-1 mod m (xgcd); when not invertible, the cofactor xgcd leaves.
BigInt inverse(const BigInt& x, const BigInt& m);
/// Integer square root, truncated (nroot with n = 2).
BigInt sqrt(const BigInt& x);
/// A square root of x modulo the odd prime p (sqroot; p becomes the current
/// modulus); 0 when there is none.
BigInt sqrt(const BigInt& x, const BigInt& p);
/// Uniform in 0..w-1 from the raw generator (bigrand).
BigInt rand(const BigInt& w);
/// Number of bits (logb2).
int bits(const BigInt& x);

// ---- ModInt ------------------------------------------------------------------------------

class ModInt {
   public:
    /// Zero.
    ModInt();
    /// v mod n in Montgomery form (0 stays the zero big).
    ModInt(int v);  // NOLINT(google-explicit-constructor)
    /// x mod n in Montgomery form (nres).
    explicit ModInt(const BigInt& x);
    ModInt(const ModInt& o);
    ModInt(ModInt&& o) noexcept;
    ModInt& operator=(const ModInt& o);
    ModInt& operator=(ModInt&& o) noexcept;
    ModInt& operator=(int v);
    ~ModInt();

    /// The Montgomery residue's handle.
    big get() const { return m_x; }
    /// The plain residue (redc).
    BigInt to_big() const;
    explicit operator BigInt() const { return to_big(); }

    bool is_zero() const { return big_is_zero(m_x); }
    /// True when the residue is 1 (R mod n in Montgomery form).
    bool is_one() const;

    ModInt& operator+=(const ModInt& o);
    ModInt& operator-=(const ModInt& o);
    ModInt& operator*=(const ModInt& o);
    ModInt& operator/=(const ModInt& o);
    ModInt& operator*=(int k);

   private:
    big m_x;
};

ModInt operator-(const ModInt& x);
ModInt operator+(const ModInt& x, const ModInt& y);
ModInt operator-(const ModInt& x, const ModInt& y);
ModInt operator*(const ModInt& x, const ModInt& y);
/// x / y (nres_moddiv; 0 when y has no inverse).
ModInt operator/(const ModInt& x, const ModInt& y);
ModInt operator+(const ModInt& x, int n);
ModInt operator+(int n, const ModInt& x);
ModInt operator-(const ModInt& x, int n);
ModInt operator-(int n, const ModInt& x);
/// k*x (nres_premult).
ModInt operator*(const ModInt& x, int k);
ModInt operator*(int k, const ModInt& x);
ModInt operator/(const ModInt& x, int n);
bool operator==(const ModInt& x, const ModInt& y);
bool operator!=(const ModInt& x, const ModInt& y);

/// x^e (nres_powmod; nres_powltr for e of an int's size is not needed: the
/// exponent is plain). Error 10 for a negative exponent.
ModInt pow(const ModInt& x, int e);
ModInt pow(const ModInt& x, const BigInt& e);
/// A square root (nres_sqroot); 0 when x is not a square.
ModInt sqrt(const ModInt& x);
/// True and root = a square root when x is a square; false and root = 0 otherwise.
bool sqrt(const ModInt& x, ModInt& root);

// ---- PointP ------------------------------------------------------------------------------

/// Makes (A, B, p) the current GF(p) curve (ecurve_init); mode 1 affine, 0 or 2
/// projective.
void ecurve_init(const BigInt& a, const BigInt& b, const BigInt& p, int mode);

class PointP {
   public:
    /// The point at infinity.
    PointP();
    PointP(const PointP& o);
    PointP(PointP&& o) noexcept;
    PointP& operator=(const PointP& o);
    PointP& operator=(PointP&& o) noexcept;
    ~PointP();

    epoint* get() const { return m_p; }

    /// (x, y) when it lies on the curve (epoint_set); false otherwise, and the
    /// point is then left at infinity.
    bool set(const BigInt& x, const BigInt& y);
    /// The point with abscissa x and a y of parity lsb (compressed form); false
    /// when x^3 + Ax + B is not a square (the point is then infinity).
    bool set(const BigInt& x, int lsb);
    /// Coordinates (plain; zero for infinity); returns the compression bit.
    int get(BigInt& x, BigInt& y) const;
    /// The abscissa; returns the compression bit.
    int get(BigInt& x) const;
    bool is_infinity() const { return m_p->marker == EPOINT_INFINITY; }
    /// Makes the point infinity.
    void clear();

    PointP& operator+=(const PointP& o);
    PointP& operator-=(const PointP& o);

   private:
    void* m_block;
    epoint* m_p;
};

PointP operator-(const PointP& p);
PointP operator+(const PointP& p, const PointP& q);
PointP operator-(const PointP& p, const PointP& q);
bool operator==(const PointP& p, const PointP& q);
bool operator!=(const PointP& p, const PointP& q);
/// e*P (ecurve_mult).
PointP mul(const BigInt& e, const PointP& p);
/// e*P + f*Q (ecurve_mult2).
PointP mul(const BigInt& e, const PointP& p, const BigInt& f, const PointP& q);
/// w[i] += x[i] for m pairs with one shared inversion (ecurve_multi_add).
void multi_add(int m, const PointP* x, PointP* w);

// ---- Gf2Elem -----------------------------------------------------------------------------

class Gf2Elem {
   public:
    /// Zero.
    Gf2Elem();
    /// The bit pattern of v (v >= 0), reduced when a basis is set.
    Gf2Elem(int v);  // NOLINT(google-explicit-constructor)
    /// The bit string x (its magnitude), reduced.
    explicit Gf2Elem(const BigInt& x);
    Gf2Elem(const Gf2Elem& o);
    Gf2Elem(Gf2Elem&& o) noexcept;
    Gf2Elem& operator=(const Gf2Elem& o);
    Gf2Elem& operator=(Gf2Elem&& o) noexcept;
    ~Gf2Elem();

    big get() const { return m_x; }
    /// The bit string as an integer.
    BigInt to_big() const { return BigInt(m_x); }
    explicit operator BigInt() const { return to_big(); }
    bool is_zero() const { return big_is_zero(m_x); }
    bool is_one() const { return big_len(m_x) == 1 && m_x->w[0] == 1; }

    Gf2Elem& operator+=(const Gf2Elem& o);
    Gf2Elem& operator*=(const Gf2Elem& o);

   private:
    big m_x;
};

/// x + y (gf2_add); subtraction is the same.
Gf2Elem operator+(const Gf2Elem& x, const Gf2Elem& y);
Gf2Elem operator-(const Gf2Elem& x, const Gf2Elem& y);
/// -x = x.
Gf2Elem operator-(const Gf2Elem& x);
/// x * y (gf2_mul; a square when x and y are the same value).
Gf2Elem operator*(const Gf2Elem& x, const Gf2Elem& y);
/// x / y (x times gf2_inverse(y)); 0 when y is 0.
Gf2Elem operator/(const Gf2Elem& x, const Gf2Elem& y);
bool operator==(const Gf2Elem& x, const Gf2Elem& y);
bool operator!=(const Gf2Elem& x, const Gf2Elem& y);
/// The square root (gf2_sqrt; every element has exactly one).
Gf2Elem sqrt(const Gf2Elem& x);
/// x^e by squaring and multiplying (e >= 0; negative e gives 0 and error 10).
Gf2Elem pow(const Gf2Elem& x, const BigInt& e);

// ---- Point2 ------------------------------------------------------------------------------

/// Makes the curve y^2 + xy = x^3 + Ax^2 + B over the basis (m, a, b, c) current
/// (ecurve2_init; basis checked for irreducibility); false when refused.
bool ecurve2_init(int m, int a, int b, int c, const BigInt& A, const BigInt& B, int mode);

class Point2 {
   public:
    /// The point at infinity.
    Point2();
    Point2(const Point2& o);
    Point2(Point2&& o) noexcept;
    Point2& operator=(const Point2& o);
    Point2& operator=(Point2&& o) noexcept;
    ~Point2();

    epoint* get() const { return m_p; }

    /// (x, y) when it lies on the curve (epoint2_set); false otherwise, and the
    /// point is then left at infinity.
    bool set(const BigInt& x, const BigInt& y);
    /// The point with abscissa x and compression bit `bit`; false when there is
    /// none (the point is then infinity).
    bool set(const BigInt& x, int bit);
    /// Coordinates (zero for infinity); returns the compression bit.
    int get(BigInt& x, BigInt& y) const;
    int get(BigInt& x) const;
    bool is_infinity() const { return m_p->marker == EPOINT_INFINITY; }
    void clear();

    Point2& operator+=(const Point2& o);
    Point2& operator-=(const Point2& o);

   private:
    void* m_block;
    epoint* m_p;
};

Point2 operator-(const Point2& p);
Point2 operator+(const Point2& p, const Point2& q);
Point2 operator-(const Point2& p, const Point2& q);
bool operator==(const Point2& p, const Point2& q);
bool operator!=(const Point2& p, const Point2& q);
/// e*P (ecurve2_mult).
Point2 mul(const BigInt& e, const Point2& p);
/// e*P + f*Q (ecurve2_mult2).
Point2 mul(const BigInt& e, const Point2& p, const BigInt& f, const Point2& q);
/// w[i] += x[i] for m pairs with one shared inversion (ecurve2_multi_add).
void multi_add(int m, const Point2* x, Point2* w);
