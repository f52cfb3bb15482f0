// Curve set-up and the checks the key actions, curve generation and the point
// count share: the validation of a GF(p) curve and the order test of a point,
// and CurvePoint, one point of the current curve of either kind.
//
// The checks return the one message to show, or an empty text when the curve or
// point passes. Numbers inside messages are upper-case hexadecimal (the
// instance's io_base, 16 at rest). Curves are set up in affine coordinates, and
// GF(2^m) curves with the basis check on.
//
// Threads: any thread with a current engine instance. The current curve of that
// instance is replaced.
#pragma once

#include <string>

#include "engine/epoint.h"
#include "engine/values.h"

/// One point of the current curve, GF(p) (Montgomery coordinates, ecp.h) or
/// GF(2^m) (ec2.h), in a block of its own; starts as the point at infinity.
/// Make the curve current (affine) before creating points. While an engine error
/// is recorded the point may have no storage: it then stays at infinity and its
/// operations do nothing.
class CurvePoint {
   public:
    explicit CurvePoint(bool binary);
    ~CurvePoint();
    CurvePoint(const CurvePoint&) = delete;
    CurvePoint& operator=(const CurvePoint&) = delete;

    /// (x, y) when it lies on the curve; otherwise false and the point at infinity.
    bool set(const BigInt& x, const BigInt& y);
    /// The point with abscissa x and y-bit `bit` (the engine's compressed form);
    /// otherwise false and the point at infinity.
    bool set_compressed(const BigInt& x, int bit);
    /// Affine coordinates (0, 0 for infinity).
    void get(BigInt& x, BigInt& y);
    bool is_infinity() const;
    /// r = e * this (any signed e); r may be this point.
    void mul(const BigInt& e, CurvePoint& r);
    /// r = l * g + h * q by the engine's double-scalar multiplication.
    static void mul2(const BigInt& l, CurvePoint& g, const BigInt& h, CurvePoint& q, CurvePoint& r);
    epoint* get() const { return m_p; }

   private:
    void set_infinity();
    bool m_binary;
    void* m_block;
    epoint* m_p;
};

/// Makes (A, B, P) the current GF(p) curve (affine).
void init_gfp_curve(const BigInt& A, const BigInt& B, const BigInt& P);
/// Makes the GF(2^m) curve with coefficients A, B over the basis (m, a, b, c)
/// current (affine, basis checked); false when the engine refuses it (negative
/// A or B, illegal or reducible basis).
bool init_gf2m_curve(int m, int a, int b, int c, const BigInt& A, const BigInt& B);

/// Checks, in this order: "bits(P) is too small." (P of at most 2 bits), "P is
/// not prime.", then A and B are reduced modulo P in place (the engine's
/// remainder, which keeps the sign) and "Not Allowed! delta = 4A^3+27B^2 = 0\r\n"
/// when 4A^3 + 27B^2 = 0 (mod P).
std::string validate_gfp_curve(BigInt& A, BigInt& B, const BigInt& P);

/// The order test of a point on the GF(p) curve (A, B, P), which it makes
/// current. With `given`: (x, y) must lie on the curve and N*(x, y) be the point
/// at infinity. Without: `tries` (clamped to 10..20) random points, x drawn below
/// P from the engine's plain generator until the point with that x and y-bit 0
/// exists, must each be sent to infinity by N.
std::string test_point_order_gfp(const BigInt& A, const BigInt& B, const BigInt& P, const BigInt& N,
                                 const BigInt& x, const BigInt& y, bool given, int tries);
/// The same on the GF(2^m) curve (A, B reduced modulo 2^m) over the basis
/// (m, a, b, c); "Illegal Curve Parameters over GF(2^%d)\r\n" when the curve
/// cannot be set up.
std::string test_point_order_gf2m(int m, int a, int b, int c, const BigInt& A, const BigInt& B,
                                  const BigInt& N, const BigInt& x, const BigInt& y, bool given, int tries);
