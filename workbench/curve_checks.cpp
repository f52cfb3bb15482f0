#include "workbench/curve_checks.h"

#include <algorithm>
#include <cstdio>

#include "engine/ec2.h"
#include "engine/ecp.h"
#include "engine/modular.h"

// ---- CurvePoint -------------------------------------------------------------------------------

CurvePoint::CurvePoint(bool binary) : m_binary(binary), m_block(point_block_alloc(1)), m_p(nullptr) {
    if (m_block != nullptr) m_p = point_block_item(m_block, 0);
}

CurvePoint::~CurvePoint() { point_block_free(m_block, 1); }

void CurvePoint::set_infinity() {
    if (m_p == nullptr) return;
    if (m_binary)
        epoint2_set(nullptr, nullptr, 0, m_p);
    else
        epoint_set(nullptr, nullptr, 0, m_p);
}

bool CurvePoint::set(const BigInt& x, const BigInt& y) {
    if (m_p == nullptr) return false;
    // x and y must be different numbers: the same number means the compressed form.
    const bool ok = m_binary ? epoint2_set(x.get(), y.get(), 0, m_p) : epoint_set(x.get(), y.get(), 0, m_p);
    if (!ok) set_infinity();
    return ok;
}

bool CurvePoint::set_compressed(const BigInt& x, int bit) {
    if (m_p == nullptr) return false;
    const bool ok = m_binary ? epoint2_set(x.get(), x.get(), bit, m_p) : epoint_set(x.get(), x.get(), bit, m_p);
    if (!ok) set_infinity();
    return ok;
}

void CurvePoint::get(BigInt& x, BigInt& y) {
    if (m_p == nullptr) {
        x = 0;
        y = 0;
        return;
    }
    if (m_binary)
        epoint2_get(m_p, x.get(), y.get());
    else
        epoint_get(m_p, x.get(), y.get());
}

bool CurvePoint::is_infinity() const { return m_p == nullptr || m_p->marker == EPOINT_INFINITY; }

void CurvePoint::mul(const BigInt& e, CurvePoint& r) {
    if (m_p == nullptr || r.m_p == nullptr) return;
    if (m_binary)
        ecurve2_mult(e.get(), m_p, r.m_p);
    else
        ecurve_mult(e.get(), m_p, r.m_p);
}

void CurvePoint::mul2(const BigInt& l, CurvePoint& g, const BigInt& h, CurvePoint& q, CurvePoint& r) {
    if (g.m_p == nullptr || q.m_p == nullptr || r.m_p == nullptr) return;
    if (g.m_binary)
        ecurve2_mult2(l.get(), g.m_p, h.get(), q.m_p, r.m_p);
    else
        ecurve_mult2(l.get(), g.m_p, h.get(), q.m_p, r.m_p);
}

// ---- curves -------------------------------------------------------------------------------------

void init_gfp_curve(const BigInt& A, const BigInt& B, const BigInt& P) { ecurve_init(A.get(), B.get(), P.get(), 1); }

bool init_gf2m_curve(int m, int a, int b, int c, const BigInt& A, const BigInt& B) {
    return ecurve2_init(m, a, b, c, A.get(), B.get(), true, 1);
}

std::string validate_gfp_curve(BigInt& A, BigInt& B, const BigInt& P) {
    if (bits(P) <= 2) return "bits(P) is too small.";
    if (!isprime(P.get())) return "P is not prime.";
    A %= P;
    B %= P;
    const BigInt d = (4 * (pow(A, 3) % P) + (27 * (B * B) % P)) % P;
    if (d.is_zero()) return "Not Allowed! delta = 4A^3+27B^2 = 0\r\n";
    return "";
}

namespace {

// The part of the order test after the curve is current; `where` ends the
// "not on the Curve" message and `on_curve` is the text before "*** But".
std::string test_order(bool binary, const BigInt& bound, const BigInt& N, const BigInt& x, const BigInt& y,
                       bool given, int tries, const std::string& where, const std::string& on_curve) {
    CurvePoint point(binary), product(binary);
    if (given) {
        if (!point.set(x, y)) return "G(x,y) is not on the Curve over " + where + "\r\n";
        point.mul(N, product);
        if (!product.is_infinity()) return on_curve + "\r\n*** But Order != " + N.text() + "\r\n";
        return "";
    }
    tries = std::clamp(tries, 10, 20);
    char head[64];
    for (int i = 1; i <= tries; ++i) {
        std::snprintf(head, sizeof head, "Test %d of %d Tries, this Point\r\n", i, tries);
        // Every valid curve has a point of some abscissa below the bound; the
        // draw stops when the engine has recorded an error and computes no more.
        BigInt px;
        do {
            px = rand(bound);
            if (engine_error() != 0) return std::string(head) + "*** Order != " + N.text() + "\r\n";
        } while (!point.set_compressed(px, 0));
        point.mul(N, product);
        if (!product.is_infinity()) return std::string(head) + "*** Order != " + N.text() + "\r\n";
    }
    return "";
}

}  // namespace

std::string test_point_order_gfp(const BigInt& A, const BigInt& B, const BigInt& P, const BigInt& N,
                                 const BigInt& x, const BigInt& y, bool given, int tries) {
    init_gfp_curve(A, B, P);
    return test_order(false, P, N, x, y, given, tries, "GF(p)", "G(x,y) is on Curve");
}

std::string test_point_order_gf2m(int m, int a, int b, int c, const BigInt& A, const BigInt& B,
                                  const BigInt& N, const BigInt& x, const BigInt& y, bool given, int tries) {
    BigInt P;
    expb2(m, P.get());
    const BigInt a2 = A % P, a6 = B % P;
    const std::string field = "GF(2^" + std::to_string(m) + ")";
    if (!init_gf2m_curve(m, a, b, c, a2, a6)) return "Illegal Curve Parameters over " + field + "\r\n";
    return test_order(true, P, N, x, y, given, tries, field, "G(x,y) is on Curve over " + field);
}
