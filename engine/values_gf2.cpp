// Gf2Elem and Point2: elements of the current GF(2^m) and points on the current
// curve over it.
#include <utility>
#include <vector>

#include "engine/ec2.h"
#include "engine/gf2m.h"
#include "engine/internal.h"
#include "engine/values.h"

using engine_detail::big_alloc_value;
using engine_detail::big_free_value;

namespace {

// Reduces x in place when a basis is set (inputs may be any bit string).
void reduce_if_basis(big x) {
    const engine_instance* e = engine_current();
    if (e != nullptr && e->basis_m > 0 && !big_is_zero(x)) gf2_reduce(x, x);
}

}  // namespace

// ---- Gf2Elem -------------------------------------------------------------------------------

Gf2Elem::Gf2Elem() : m_x(big_alloc_value(0)) {}
Gf2Elem::Gf2Elem(int v) : m_x(big_alloc_value(v < 0 ? -v : v)) { reduce_if_basis(m_x); }
Gf2Elem::Gf2Elem(const BigInt& x) : m_x(big_alloc_value(0)) {
    big_copy(x.get(), m_x);
    if (big_is_negative(m_x)) big_negate(m_x, m_x);
    reduce_if_basis(m_x);
}
Gf2Elem::Gf2Elem(const Gf2Elem& o) : m_x(big_alloc_value(0)) { big_copy(o.m_x, m_x); }
Gf2Elem::Gf2Elem(Gf2Elem&& o) noexcept : m_x(big_alloc_value(0)) { std::swap(m_x, o.m_x); }
Gf2Elem& Gf2Elem::operator=(const Gf2Elem& o) {
    big_copy(o.m_x, m_x);
    return *this;
}
Gf2Elem& Gf2Elem::operator=(Gf2Elem&& o) noexcept {
    std::swap(m_x, o.m_x);
    return *this;
}
Gf2Elem::~Gf2Elem() { big_free_value(m_x); }

Gf2Elem& Gf2Elem::operator+=(const Gf2Elem& o) {
    gf2_add(m_x, o.m_x, m_x);
    return *this;
}
Gf2Elem& Gf2Elem::operator*=(const Gf2Elem& o) {
    gf2_mul(m_x, o.m_x, m_x);
    return *this;
}

Gf2Elem operator+(const Gf2Elem& x, const Gf2Elem& y) {
    Gf2Elem r;
    gf2_add(x.get(), y.get(), r.get());
    return r;
}
Gf2Elem operator-(const Gf2Elem& x, const Gf2Elem& y) { return x + y; }
Gf2Elem operator-(const Gf2Elem& x) { return x; }
Gf2Elem operator*(const Gf2Elem& x, const Gf2Elem& y) {
    Gf2Elem r;
    if (&x == &y) {
        gf2_square(x.get(), r.get());
    } else {
        gf2_mul(x.get(), y.get(), r.get());
    }
    return r;
}
Gf2Elem operator/(const Gf2Elem& x, const Gf2Elem& y) {
    Gf2Elem inv;
    if (!gf2_inverse(y.get(), inv.get())) return Gf2Elem();
    return x * inv;
}
bool operator==(const Gf2Elem& x, const Gf2Elem& y) { return big_compare(x.get(), y.get()) == 0; }
bool operator!=(const Gf2Elem& x, const Gf2Elem& y) { return !(x == y); }

Gf2Elem sqrt(const Gf2Elem& x) {
    Gf2Elem r;
    gf2_sqrt(x.get(), r.get());
    return r;
}

Gf2Elem pow(const Gf2Elem& x, const BigInt& e) {
    if (big_is_negative(e.get())) {
        if (engine_error() == 0) report_error(10);
        return Gf2Elem();
    }
    Gf2Elem r(1);
    for (int i = bits(e) - 1; i >= 0; --i) {
        gf2_square(r.get(), r.get());
        if (big_test_bit(e.get(), i)) gf2_mul(r.get(), x.get(), r.get());
    }
    return r;
}

// ---- Point2 --------------------------------------------------------------------------------

namespace {

void make_point(void*& block, epoint*& p) {
    block = engine_detail::point_block_alloc_value(1);
    p = block != nullptr ? point_block_item(block, 0) : engine_detail::point_inert();
}

}  // namespace

bool ecurve2_init(int m, int a, int b, int c, const BigInt& A, const BigInt& B, int mode) {
    return ecurve2_init(m, a, b, c, A.get(), B.get(), true, mode);
}

Point2::Point2() { make_point(m_block, m_p); }
Point2::Point2(const Point2& o) {
    make_point(m_block, m_p);
    epoint2_copy(o.m_p, m_p);
}
Point2::Point2(Point2&& o) noexcept {
    make_point(m_block, m_p);
    std::swap(m_block, o.m_block);
    std::swap(m_p, o.m_p);
}
Point2& Point2::operator=(const Point2& o) {
    if (m_block != nullptr) epoint2_copy(o.m_p, m_p);
    return *this;
}
Point2& Point2::operator=(Point2&& o) noexcept {
    std::swap(m_block, o.m_block);
    std::swap(m_p, o.m_p);
    return *this;
}
Point2::~Point2() { point_block_free(m_block, 1); }

bool Point2::set(const BigInt& x, const BigInt& y) {
    if (m_block == nullptr) return false;
    if (epoint2_set(x.get(), y.get(), 0, m_p)) return true;
    m_p->marker = EPOINT_INFINITY;
    return false;
}

bool Point2::set(const BigInt& x, int bit) {
    if (m_block == nullptr) return false;
    if (epoint2_set(x.get(), x.get(), bit, m_p)) return true;
    m_p->marker = EPOINT_INFINITY;
    return false;
}

int Point2::get(BigInt& x, BigInt& y) const { return epoint2_get(m_p, x.get(), y.get()); }
int Point2::get(BigInt& x) const { return epoint2_get(m_p, x.get(), x.get()); }

void Point2::clear() {
    if (m_block != nullptr) m_p->marker = EPOINT_INFINITY;
}

Point2& Point2::operator+=(const Point2& o) {
    if (m_block != nullptr) ecurve2_add(o.m_p, m_p);
    return *this;
}
Point2& Point2::operator-=(const Point2& o) {
    if (m_block != nullptr) ecurve2_sub(o.m_p, m_p);
    return *this;
}

Point2 operator-(const Point2& p) {
    Point2 r(p);
    if (!r.is_infinity()) epoint2_negate(r.get());
    return r;
}
Point2 operator+(const Point2& p, const Point2& q) {
    Point2 r(p);
    r += q;
    return r;
}
Point2 operator-(const Point2& p, const Point2& q) {
    Point2 r(p);
    r -= q;
    return r;
}
bool operator==(const Point2& p, const Point2& q) { return epoint2_comp(p.get(), q.get()); }
bool operator!=(const Point2& p, const Point2& q) { return !(p == q); }

Point2 mul(const BigInt& e, const Point2& p) {
    Point2 r;
    ecurve2_mult(e.get(), p.get(), r.get());
    return r;
}

Point2 mul(const BigInt& e, const Point2& p, const BigInt& f, const Point2& q) {
    Point2 r;
    ecurve2_mult2(e.get(), p.get(), f.get(), q.get(), r.get());
    return r;
}

void multi_add(int m, const Point2* x, Point2* w) {
    if (m < 1) return;
    std::vector<epoint*> xs(static_cast<size_t>(m)), ws(static_cast<size_t>(m));
    for (int i = 0; i < m; ++i) {
        xs[static_cast<size_t>(i)] = x[i].get();
        ws[static_cast<size_t>(i)] = w[i].get();
    }
    ecurve2_multi_add(m, xs.data(), ws.data());
}
