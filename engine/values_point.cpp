// PointP: points on the current GF(p) curve, each in a block of its own.
#include <utility>
#include <vector>

#include "engine/ecp.h"
#include "engine/internal.h"
#include "engine/values.h"

namespace {

// A block of one point, or the shared inert point when none could be had.
void make_point(void*& block, epoint*& p) {
    block = engine_detail::point_block_alloc_value(1);
    p = block != nullptr ? point_block_item(block, 0) : engine_detail::point_inert();
}

}  // namespace

void ecurve_init(const BigInt& a, const BigInt& b, const BigInt& p, int mode) {
    ecurve_init(a.get(), b.get(), p.get(), mode);
}

PointP::PointP() { make_point(m_block, m_p); }
PointP::PointP(const PointP& o) {
    make_point(m_block, m_p);
    epoint_copy(o.m_p, m_p);
}
PointP::PointP(PointP&& o) noexcept {
    make_point(m_block, m_p);
    std::swap(m_block, o.m_block);
    std::swap(m_p, o.m_p);
}
PointP& PointP::operator=(const PointP& o) {
    if (m_block != nullptr) epoint_copy(o.m_p, m_p);
    return *this;
}
PointP& PointP::operator=(PointP&& o) noexcept {
    std::swap(m_block, o.m_block);
    std::swap(m_p, o.m_p);
    return *this;
}
PointP::~PointP() { point_block_free(m_block, 1); }

bool PointP::set(const BigInt& x, const BigInt& y) {
    if (m_block == nullptr) return false;
    if (epoint_set(x.get(), y.get(), 0, m_p)) return true;
    m_p->marker = EPOINT_INFINITY;
    return false;
}

bool PointP::set(const BigInt& x, int lsb) {
    if (m_block == nullptr) return false;
    if (epoint_set(x.get(), x.get(), lsb, m_p)) return true;
    m_p->marker = EPOINT_INFINITY;
    return false;
}

int PointP::get(BigInt& x, BigInt& y) const { return epoint_get(m_p, x.get(), y.get()); }

int PointP::get(BigInt& x) const { return epoint_get(m_p, x.get(), x.get()); }

void PointP::clear() {
    if (m_block != nullptr) m_p->marker = EPOINT_INFINITY;
}

PointP& PointP::operator+=(const PointP& o) {
    if (m_block != nullptr) ecurve_add(o.m_p, m_p);
    return *this;
}

PointP& PointP::operator-=(const PointP& o) {
    if (m_block != nullptr) ecurve_sub(o.m_p, m_p);
    return *this;
}

PointP operator-(const PointP& p) {
    PointP r(p);
    if (!r.is_infinity()) epoint_negate(r.get());
    return r;
}
PointP operator+(const PointP& p, const PointP& q) {
    PointP r(p);
    r += q;
    return r;
}
PointP operator-(const PointP& p, const PointP& q) {
    PointP r(p);
    r -= q;
    return r;
}
bool operator==(const PointP& p, const PointP& q) { return epoint_equal(p.get(), q.get()); }
bool operator!=(const PointP& p, const PointP& q) { return !(p == q); }

PointP mul(const BigInt& e, const PointP& p) {
    PointP r;
    ecurve_mult(e.get(), p.get(), r.get());
    return r;
}

PointP mul(const BigInt& e, const PointP& p, const BigInt& f, const PointP& q) {
    PointP r;
    ecurve_mult2(e.get(), p.get(), f.get(), q.get(), r.get());
    return r;
}

void multi_add(int m, const PointP* x, PointP* w) {
    if (m < 1) return;
    std::vector<epoint*> xs(static_cast<size_t>(m)), ws(static_cast<size_t>(m));
    for (int i = 0; i < m; ++i) {
        xs[static_cast<size_t>(i)] = x[i].get();
        ws[static_cast<size_t>(i)] = w[i].get();
    }
    ecurve_multi_add(m, xs.data(), ws.data());
}
