// PolyModP: residues modulo the thread's modulus polynomial, reduction by the
// reciprocal series, powering and composition.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "engine/internal.h"
#include "engine/kernels.h"
#include "engine/modular.h"
#include "engine/poly_common.h"
#include "engine/poly_p_internal.h"

using engine_detail::DenseP;
using engine_detail::FftPlan;
using engine_detail::PolyCtx;
using engine_detail::WipedVector;
using engine_detail::dense_len;
using engine_detail::poly_ctx;
using engine_detail::u64;

namespace {

// From this modulus degree on, products are reduced by the reciprocal series.
constexpr int kRecipDegree = 16;
// Quotients of at most this many coefficients are cheaper by long division.
constexpr int kShortQuotient = 32;

// The modulus polynomial F of degree n and, from degree 16 on, its dense form,
// I = reverse(F)^-1 mod x^(n-1), and the transforms of both for the current
// transform tables (remade when the tables or the product size change).
struct ModulusP {
    PolyP f;
    int n = -1;  // -1: the zero polynomial, residues are not reduced
    DenseP F, I;
    uint64_t generation = 0;
    int log_n = -1;
    int k = 0;
    WipedVector<uint32_t> tF, tI;
};

thread_local ModulusP t_mod;
thread_local bool (*t_abort)() = nullptr;

void ensure_transforms(const PolyCtx& c, const FftPlan& plan) {
    ModulusP& m = t_mod;
    if (m.generation == plan.t->generation && m.log_n == plan.log_n && m.k == plan.k) return;
    m.tF.assign(plan.words(), 0);
    m.tI.assign(plan.words(), 0);
    engine_detail::fft_load(plan, m.F.data(), m.n + 1, c.L, m.tF.data());
    engine_detail::fft_forward(plan, m.tF.data());
    engine_detail::fft_load(plan, m.I.data(), dense_len(m.I, c.L), c.L, m.tI.data());
    engine_detail::fft_forward(plan, m.tI.data());
    m.generation = plan.t->generation;
    m.log_n = plan.log_n;
    m.k = plan.k;
}

// The plan for reductions modulo F (products of up to 2n - 1 coefficients).
FftPlan modulus_plan(const PolyCtx& c) {
    FftPlan plan = engine_detail::fft_plan(c.e, engine_detail::ceil_log2(2 * t_mod.n - 1), *c.p);
    if (plan.k != 0) ensure_transforms(c, plan);
    return plan;
}

// a (m coefficients, m <= 2n - 1) mod F by the reciprocal series: the low n
// coefficients of a become the remainder. False when no transform serves.
bool reduce_reciprocal(const PolyCtx& c, u64* a, int m) {
    const int n = t_mod.n, L = c.L;
    const FftPlan plan = modulus_plan(c);
    if (plan.k == 0) return false;
    DenseP top(static_cast<size_t>(n - 1) * L, 0);
    std::copy(a + static_cast<size_t>(n) * L, a + static_cast<size_t>(m) * L, top.begin());
    uint32_t* y = engine_detail::fft_work(plan, 1);
    engine_detail::fft_load_reversed(plan, top.data(), n - 1, L, y);
    engine_detail::fft_forward(plan, y);
    engine_detail::fft_pointwise(plan, y, t_mod.tI.data());
    engine_detail::fft_inverse(plan, y);
    engine_detail::fft_store(plan, *c.p, y, 0, n - 1, top.data());  // reversed quotient
    engine_detail::fft_load_reversed(plan, top.data(), n - 1, L, y);
    engine_detail::fft_forward(plan, y);
    engine_detail::fft_pointwise(plan, y, t_mod.tF.data());
    engine_detail::fft_inverse(plan, y);
    DenseP qf(static_cast<size_t>(n) * L);
    engine_detail::fft_store(plan, *c.p, y, 0, n, qf.data());
    for (int i = 0; i < n; ++i)
        engine_detail::mont_sub_raw(*c.p, a + static_cast<size_t>(i) * L, a + static_cast<size_t>(i) * L,
                                    qf.data() + static_cast<size_t>(i) * L);
    return true;
}

// d mod F (d trimmed or not), trimmed.
void reduce_dense(const PolyCtx& c, DenseP& d) {
    const int n = t_mod.n, L = c.L;
    engine_detail::dense_trim(d, L);
    int m = dense_len(d, L);
    if (n < 0 || m <= n) return;
    if (n == 0) {
        d.clear();
        return;
    }
    bool done = false;
    if (n >= kRecipDegree && m - n > kShortQuotient) {
        // Fold the top 2n - 1 coefficients down until the rest fits one step.
        done = true;
        while (done && m > 2 * n - 1) {
            const int low = m - (2 * n - 1);
            done = reduce_reciprocal(c, d.data() + static_cast<size_t>(low) * L, 2 * n - 1);
            if (!done) break;  // nothing was changed: long division takes over
            std::fill(d.begin() + static_cast<ptrdiff_t>(low + n) * L, d.end(), 0);
            m = low + n;
            d.resize(static_cast<size_t>(m) * L);
        }
        if (done) done = reduce_reciprocal(c, d.data(), m);
        if (done) d.resize(static_cast<size_t>(n) * L);
    }
    if (!done) {
        if (!engine_detail::dense_divrem(c, d.data(), m, t_mod.F.data(), n + 1, nullptr)) {
            d.clear();
            return;
        }
        d.resize(static_cast<size_t>(n) * L);
    }
    engine_detail::dense_trim(d, L);
}

// a*b mod F for reduced a and b.
DenseP mulmod(const PolyCtx& c, const DenseP& a, const DenseP& b, bool square) {
    const int L = c.L, n = t_mod.n;
    const int na = dense_len(a, L), nb = square ? na : dense_len(b, L);
    if (na == 0 || nb == 0 || n == 0) return DenseP();
    const u64* bd = square ? a.data() : b.data();
    const int m = na + nb - 1;
    if (n >= kRecipDegree && m - n > kShortQuotient && na >= 17 && nb >= 17 && m <= 2 * n - 1) {
        const FftPlan plan = modulus_plan(c);
        if (plan.k != 0) {
            // Product, reversed top times I, quotient times F; the low part of
            // the remainder is taken straight from the residues of the product.
            uint32_t* x = engine_detail::fft_work(plan, 0);
            uint32_t* y = engine_detail::fft_work(plan, 1);
            engine_detail::fft_load(plan, a.data(), na, L, x);
            engine_detail::fft_forward(plan, x);
            if (square) {
                engine_detail::fft_pointwise(plan, x, x);
            } else {
                engine_detail::fft_load(plan, bd, nb, L, y);
                engine_detail::fft_forward(plan, y);
                engine_detail::fft_pointwise(plan, x, y);
            }
            engine_detail::fft_inverse(plan, x);
            DenseP top(static_cast<size_t>(n - 1) * L, 0);
            engine_detail::fft_store(plan, *c.p, x, static_cast<size_t>(n), m - n, top.data());
            engine_detail::fft_load_reversed(plan, top.data(), n - 1, L, y);
            engine_detail::fft_forward(plan, y);
            engine_detail::fft_pointwise(plan, y, t_mod.tI.data());
            engine_detail::fft_inverse(plan, y);
            engine_detail::fft_store(plan, *c.p, y, 0, n - 1, top.data());
            engine_detail::fft_load_reversed(plan, top.data(), n - 1, L, y);
            engine_detail::fft_forward(plan, y);
            engine_detail::fft_pointwise(plan, y, t_mod.tF.data());
            engine_detail::fft_inverse(plan, y);
            DenseP r(static_cast<size_t>(n) * L);
            engine_detail::fft_store_diff(plan, *c.p, x, y, 0, n, r.data());
            engine_detail::dense_trim(r, L);
            return r;
        }
    }
    DenseP p(static_cast<size_t>(m) * L, 0);
    engine_detail::dense_mul(c, a.data(), na, bd, nb, p.data(), square);
    reduce_dense(c, p);
    return p;
}

PolyP reduce_poly(PolyP f) {
    if (t_mod.n < 0 || f.is_zero() || f.degree() < t_mod.n) return f;
    const PolyCtx c = poly_ctx();
    if (!c.ok()) return PolyP();
    DenseP d = engine_detail::dense_from_poly(c, f);
    reduce_dense(c, d);
    return engine_detail::poly_from_dense(c, d);
}

}  // namespace

// ---- the modulus -------------------------------------------------------------------------

void set_modulus(const PolyP& f) {
    ModulusP& m = t_mod;
    m.f = f;
    m.n = f.is_zero() ? -1 : f.degree();
    m.F.clear();
    m.I.clear();
    m.tF.clear();
    m.tI.clear();
    m.generation = 0;
    m.log_n = -1;
    m.k = 0;
    if (m.n < 0) return;
    const PolyCtx c = poly_ctx();
    if (!c.ok()) return;
    m.F = engine_detail::dense_from_poly(c, f);
    if (m.n < kRecipDegree) return;
    m.I = engine_detail::dense_from_poly(c, inverse_series(reverse(f, m.n), m.n - 1), m.n - 1);
}

const PolyP& poly_modulus_p() { return t_mod.f; }

void set_poly_abort_check(bool (*check)()) { t_abort = check; }

namespace engine_detail {
bool (*poly_abort_check())() { return t_abort; }
}  // namespace engine_detail

// ---- residues ----------------------------------------------------------------------------

PolyModP::PolyModP(const PolyP& f) : m_f(reduce_poly(f)) {}
PolyModP::PolyModP(PolyP&& f) : m_f(reduce_poly(std::move(f))) {}

PolyModP& PolyModP::operator=(const PolyP& f) {
    m_f = reduce_poly(f);
    return *this;
}
PolyModP& PolyModP::operator=(PolyP&& f) {
    m_f = reduce_poly(std::move(f));
    return *this;
}

PolyModP& PolyModP::operator+=(const PolyModP& o) {
    m_f += o.m_f;
    return *this;
}
PolyModP& PolyModP::operator-=(const PolyModP& o) {
    m_f -= o.m_f;
    return *this;
}
PolyModP& PolyModP::operator*=(const PolyModP& o) { return *this = *this * o; }

PolyModP operator-(const PolyModP& f) { return PolyModP(-f.poly()); }
PolyModP operator+(const PolyModP& f, const PolyModP& g) { return PolyModP(f.poly() + g.poly()); }
PolyModP operator-(const PolyModP& f, const PolyModP& g) { return PolyModP(f.poly() - g.poly()); }

PolyModP operator*(const PolyModP& f, const PolyModP& g) {
    if (f.is_zero() || g.is_zero()) return PolyModP();
    const PolyCtx c = poly_ctx();
    if (!c.ok()) return PolyModP();
    const bool square = &f == &g || f == g;
    const DenseP a = engine_detail::dense_from_poly(c, f.poly());
    const DenseP b = square ? DenseP() : engine_detail::dense_from_poly(c, g.poly());
    return PolyModP(engine_detail::poly_from_dense(c, mulmod(c, a, b, square)));
}

PolyModP operator*(const PolyModP& f, const ModInt& c) { return PolyModP(f.poly() * c); }
PolyModP operator*(const ModInt& c, const PolyModP& f) { return PolyModP(f.poly() * c); }
PolyModP operator/(const PolyModP& f, const ModInt& c) { return PolyModP(f.poly() / c); }
PolyModP operator+(const PolyModP& f, const ModInt& c) { return PolyModP(f.poly() + PolyP(c)); }
PolyModP operator-(const PolyModP& f, const ModInt& c) { return PolyModP(f.poly() - PolyP(c)); }
bool operator==(const PolyModP& f, const PolyModP& g) { return f.poly() == g.poly(); }
bool operator!=(const PolyModP& f, const PolyModP& g) { return f.poly() != g.poly(); }

// ---- powering ----------------------------------------------------------------------------

PolyModP pow(const PolyModP& f, const BigInt& e) {
    if (big_is_negative(e.get())) {
        if (engine_error() == 0) report_error(10);
        return PolyModP();
    }
    if (e.is_zero()) return PolyModP(PolyP(1));
    const PolyCtx c = poly_ctx();
    if (!c.ok()) return PolyModP();
    if (bits(e) == 1 || f.is_zero()) return f;
    const DenseP r = engine_detail::poly_pow_window(
        engine_detail::dense_from_poly(c, f.poly()), e, f.degree() < kRecipDegree, t_abort,
        [&](const DenseP& a, const DenseP& b, bool square) { return mulmod(c, a, b, square); });
    return PolyModP(engine_detail::poly_from_dense(c, r));
}

// ---- composition ---------------------------------------------------------------------------

PolyModP compose(const PolyModP& f, const PolyModP& g) {
    const PolyCtx c = poly_ctx();
    if (!c.ok()) return PolyModP();
    const int L = c.L, k = c.p->words;
    const DenseP fd = engine_detail::dense_from_poly(c, f.poly());
    const int nf = dense_len(fd, L);
    if (nf <= 1) return f;
    const int n = t_mod.n >= 0 ? t_mod.n : nf - 1;
    int b = 1;
    while (b * b < n + 1) ++b;
    // Baby steps g^0 .. g^(b-1), giant step g^b.
    std::vector<DenseP> powers(static_cast<size_t>(b));
    powers[0] = DenseP(c.p->one, c.p->one + L);
    reduce_dense(c, powers[0]);
    const DenseP gd = engine_detail::dense_from_poly(c, g.poly());
    for (int j = 1; j < b; ++j) powers[static_cast<size_t>(j)] = mulmod(c, powers[static_cast<size_t>(j - 1)], gd, false);
    const DenseP giant = mulmod(c, powers[static_cast<size_t>(b - 1)], gd, false);
    int cols = 1;
    for (const DenseP& d : powers) cols = std::max(cols, dense_len(d, L));

    // Engine numbers over word copies: column c of the powers is
    // headers[c*b .. c*b + b-1], coefficient i of f is fheads[i].
    WipedVector<uint32_t> words(static_cast<size_t>(cols) * b * k + static_cast<size_t>(nf) * k, 0);
    std::vector<big_rec> recs(static_cast<size_t>(cols) * b + static_cast<size_t>(nf));
    std::vector<big> gptr(static_cast<size_t>(cols) * b), fptr(static_cast<size_t>(nf));
    auto make = [&](size_t slot, const u64* limbs) {
        uint32_t* w = words.data() + slot * static_cast<size_t>(k);
        if (limbs != nullptr) std::memcpy(w, limbs, sizeof(uint32_t) * static_cast<size_t>(k));
        recs[slot] = big_rec{static_cast<uint32_t>(mp_norm_len_raw(w, k)), w};
        return &recs[slot];
    };
    for (int col = 0; col < cols; ++col)
        for (int j = 0; j < b; ++j) {
            const DenseP& d = powers[static_cast<size_t>(j)];
            const u64* limbs = col < dense_len(d, L) ? d.data() + static_cast<size_t>(col) * L : nullptr;
            gptr[static_cast<size_t>(col) * b + j] = make(static_cast<size_t>(col) * b + j, limbs);
        }
    for (int i = 0; i < nf; ++i)
        fptr[static_cast<size_t>(i)] = make(static_cast<size_t>(cols) * b + i, fd.data() + static_cast<size_t>(i) * L);

    BigInt tmp;
    DenseP r;
    const int blocks = (nf + b - 1) / b;
    for (int blk = blocks - 1; blk >= 0; --blk) {
        const int cnt = std::min(b, nf - blk * b);
        DenseP s(static_cast<size_t>(cols) * L, 0);
        for (int col = 0; col < cols; ++col) {
            nres_dotprod(cnt, fptr.data() + static_cast<size_t>(blk) * b,
                         gptr.data() + static_cast<size_t>(col) * b, tmp.get());
            engine_detail::mont_load_residue(*c.p, tmp.get(), s.data() + static_cast<size_t>(col) * L);
        }
        if (r.empty()) {
            r = std::move(s);
        } else {
            r = mulmod(c, r, giant, false);
            r.resize(std::max(r.size(), s.size()), 0);
            for (int col = 0; col < cols; ++col)
                engine_detail::mont_add_raw(*c.p, r.data() + static_cast<size_t>(col) * L,
                                            r.data() + static_cast<size_t>(col) * L,
                                            s.data() + static_cast<size_t>(col) * L);
        }
        engine_detail::dense_trim(r, L);
        engine_checkpoint();
    }
    reduce_dense(c, r);
    return PolyModP(engine_detail::poly_from_dense(c, r));
}

PolyP gcd(const PolyModP& f) { return gcd(f.poly(), t_mod.f); }
