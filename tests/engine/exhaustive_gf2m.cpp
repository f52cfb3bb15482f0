// Exhaustive checks on tiny binary fields and curves.
//
// Fields: every irreducible trinomial and pentanomial of degree 2..10 (found by
// trial division), every element: square against multiply, inverse, square
// root, trace and the quadratic equation z^2 + z = a, against naive arithmetic.
// Curves (m <= 8): every point found by brute force over all (x, y); the group
// law against a naive affine implementation written here, P + (-P) = O,
// associativity, and n P = O for the point count n, in affine and projective
// coordinates, for ordinary, Koblitz and supersingular curves.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/ec2.h"
#include "engine/gf2m.h"
#include "tests/engine/gf2_naive.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/test_rng.h"

using testsupport::Big;
using testsupport::EngineTest;
using testsupport::TestRng;

namespace {

struct Basis {
    int m, a, b, c;
};

// Every irreducible trinomial and pentanomial of degree m.
std::vector<Basis> irreducible_bases(int m) {
    std::vector<Basis> out;
    for (int a = 1; a < m; ++a)
        if (naive::irreducible_by_trial(naive::basis(m, a, 0, 0))) out.push_back({m, a, 0, 0});
    for (int a = 3; a < m; ++a)
        for (int b = 2; b < a; ++b)
            for (int c = 1; c < b; ++c)
                if (naive::irreducible_by_trial(naive::basis(m, a, b, c))) out.push_back({m, a, b, c});
    return out;
}

// Elements of tiny fields as plain integers with shift-and-xor arithmetic.
struct Tiny {
    naive::Poly f;
    int m;
    uint64_t mul(uint64_t a, uint64_t b) const {
        uint64_t r = 0;
        for (int i = 0; i < m; ++i)
            if ((b >> i) & 1) r ^= a << i;
        for (int d = 2 * m - 2; d >= m; --d)
            if ((r >> d) & 1) r ^= f[0] << (d - m);
        return r;
    }
    uint64_t inv(uint64_t a) const {  // a^(2^m - 2)
        uint64_t r = 1, p = a;
        for (uint64_t e = (1ull << m) - 2; e; e >>= 1) {
            if (e & 1) r = mul(r, p);
            p = mul(p, p);
        }
        return r;
    }
    int trace(uint64_t a) const {
        uint64_t s = a, t = a;
        for (int i = 1; i < m; ++i) {
            t = mul(t, t);
            s ^= t;
        }
        return static_cast<int>(s);
    }
};

uint64_t value(const Big& x) {
    const naive::Poly p = naive::from_big(x);
    return p.empty() ? 0 : p[0];
}

class Gf2Exhaustive : public EngineTest, public ::testing::WithParamInterface<int> {};

TEST_P(Gf2Exhaustive, EveryElementOfEverySmallField) {
    const std::vector<Basis> bases = irreducible_bases(GetParam());
    ASSERT_FALSE(bases.empty());
    Big x, y, w;
    for (const Basis& bs : bases) {
        SCOPED_TRACE(testing::Message() << bs.m << "," << bs.a << "," << bs.b << "," << bs.c);
        ASSERT_TRUE(prepare_basis(bs.m, bs.a, bs.b, bs.c, true));
        const Tiny t{naive::basis(bs.m, bs.a, bs.b, bs.c), bs.m};
        const uint64_t q = 1ull << bs.m;
        // z^2 + z over all z: the set of solvable right-hand sides.
        std::set<uint64_t> solvable;
        for (uint64_t z = 0; z < q; ++z) solvable.insert(t.mul(z, z) ^ z);
        for (uint64_t a = 0; a < q; ++a) {
            big_from_uint(static_cast<uint32_t>(a), x);
            const uint64_t sq = t.mul(a, a);
            gf2_square(x, w);
            ASSERT_EQ(value(w), sq) << a;
            gf2_mul(x, x, w);
            ASSERT_EQ(value(w), sq) << a;
            gf2_sqrt(x, w);
            ASSERT_EQ(t.mul(value(w), value(w)), a) << a;
            if (a != 0) {
                ASSERT_TRUE(gf2_inverse(x, w));
                ASSERT_EQ(value(w), t.inv(a)) << a;
            }
            ASSERT_EQ(gf2_trace(x), t.trace(a)) << a;
            const bool has = solvable.count(a) != 0;
            ASSERT_EQ(has, t.trace(a) == 0) << a;
            big_zero(w);
            ASSERT_EQ(gf2_quad_solve(x, w), has) << a;
            if (has) {
                ASSERT_EQ(t.mul(value(w), value(w)) ^ value(w), a) << a;
            }
        }
        // All products for the smallest fields, a sample for the others.
        TestRng rng = TestRng::for_test(static_cast<uint64_t>(bs.m * 1000 + bs.a * 100 + bs.b * 10 + bs.c));
        const int pairs = bs.m <= 6 ? static_cast<int>(q * q) : 2000;
        for (int i = 0; i < pairs; ++i) {
            const uint64_t a = bs.m <= 6 ? static_cast<uint64_t>(i) / q : rng.below(q);
            const uint64_t b = bs.m <= 6 ? static_cast<uint64_t>(i) % q : rng.below(q);
            big_from_uint(static_cast<uint32_t>(a), x);
            big_from_uint(static_cast<uint32_t>(b), y);
            gf2_mul(x, y, w);
            ASSERT_EQ(value(w), t.mul(a, b)) << a << "*" << b;
        }
    }
    EXPECT_EQ(engine_error(), 0);
}

INSTANTIATE_TEST_SUITE_P(Degrees, Gf2Exhaustive, ::testing::Range(2, 11));

// ---- curves -------------------------------------------------------------------------------------

struct Pt {
    bool inf;
    uint64_t x, y;
    bool operator==(const Pt& o) const { return inf == o.inf && (inf || (x == o.x && y == o.y)); }
    bool operator<(const Pt& o) const {
        if (inf != o.inf) return inf;
        return x != o.x ? x < o.x : y < o.y;
    }
};

// A tiny curve with naive affine arithmetic.
struct TinyCurve {
    Tiny t;
    uint64_t A, B;
    bool super;
    std::vector<uint64_t> inverse;  // inverse[a] = 1/a

    TinyCurve(Tiny tiny, uint64_t a, uint64_t b, bool s) : t(std::move(tiny)), A(a), B(b), super(s) {
        for (uint64_t x = 0; x < (1ull << t.m); ++x) inverse.push_back(x ? t.inv(x) : 0);
    }

    bool on(uint64_t x, uint64_t y) const {
        if (super) return (t.mul(y, y) ^ y) == (t.mul(t.mul(x, x), x) ^ t.mul(A, x) ^ B);
        return (t.mul(y, y) ^ t.mul(x, y)) == (t.mul(t.mul(x, x), x) ^ t.mul(A, t.mul(x, x)) ^ B);
    }
    Pt neg(Pt p) const {
        if (!p.inf) p.y ^= super ? 1 : p.x;
        return p;
    }
    Pt add(Pt p, Pt q) const {
        if (p.inf) return q;
        if (q.inf) return p;
        uint64_t l;
        if (p.x == q.x) {
            if (p.y != q.y || (!super && p.x == 0)) return Pt{true, 0, 0};
            // doubling
            l = super ? t.mul(p.x, p.x) ^ A : p.x ^ t.mul(p.y, inverse[p.x]);
        } else {
            l = t.mul(p.y ^ q.y, inverse[p.x ^ q.x]);
        }
        uint64_t x3 = t.mul(l, l) ^ p.x ^ q.x;
        if (!super) x3 ^= l ^ A;
        uint64_t y3 = t.mul(l, p.x ^ x3) ^ p.y;
        y3 ^= super ? 1 : x3;
        return Pt{false, x3, y3};
    }
};

Pt read(epoint* P) {
    if (P->marker == EPOINT_INFINITY) return Pt{true, 0, 0};
    Big x, y;
    epoint2_get(P, x, y);
    return Pt{false, value(x), value(y)};
}

class EpointOwner {
   public:
    EpointOwner() : m_p(epoint_init()) {}
    ~EpointOwner() { epoint_free(m_p); }
    EpointOwner(const EpointOwner&) = delete;
    EpointOwner& operator=(const EpointOwner&) = delete;
    operator epoint*() const { return m_p; }

   private:
    epoint* m_p;
};

void set_point(const Pt& p, epoint* P) {
    if (p.inf) {
        epoint2_set(nullptr, nullptr, 0, P);
        return;
    }
    Big x, y;
    big_from_uint(static_cast<uint32_t>(p.x), x);
    big_from_uint(static_cast<uint32_t>(p.y), y);
    ASSERT_TRUE(epoint2_set(x, y, 0, P));
}

void check_curve(const Basis& bs, uint64_t A, uint64_t B, bool super, int mode) {
    SCOPED_TRACE(testing::Message() << "m=" << bs.m << " A=" << A << " B=" << B << (super ? " super" : "")
                                    << " mode=" << mode);
    Big a, b;
    big_from_uint(static_cast<uint32_t>(A), a);
    big_from_uint(static_cast<uint32_t>(B), b);
    ASSERT_TRUE(ecurve2_init(super ? -bs.m : bs.m, bs.a, bs.b, bs.c, a, b, true, mode));
    const TinyCurve tc(Tiny{naive::basis(bs.m, bs.a, bs.b, bs.c), bs.m}, A, B, super);
    const uint64_t q = 1ull << bs.m;
    std::vector<Pt> pts{Pt{true, 0, 0}};
    Big x, y;
    EpointOwner P, Q, R, S;
    for (uint64_t px = 0; px < q; ++px) {
        std::vector<uint64_t> ys;
        for (uint64_t py = 0; py < q; ++py) {
            big_from_uint(static_cast<uint32_t>(px), x);
            big_from_uint(static_cast<uint32_t>(py), y);
            const bool on = tc.on(px, py);
            ASSERT_EQ(epoint2_set(x, y, 0, P), on) << px << "," << py;
            if (on) {
                pts.push_back(Pt{false, px, py});
                ys.push_back(py);
            }
        }
        // Compressed form: both points of this x (or the single one) come back.
        for (int bit : {0, 1}) {
            big_from_uint(static_cast<uint32_t>(px), x);
            const bool ok = epoint2_set(x, x, bit, P);
            ASSERT_EQ(ok, !ys.empty()) << px;
            if (ok) {
                const Pt got = read(P);
                ASSERT_TRUE(tc.on(got.x, got.y));
                if (ys.size() == 2) {
                    ASSERT_EQ(epoint2_get(P, x, y), bit) << px;
                }
            }
        }
    }
    const uint64_t n = pts.size();
    const auto order = static_cast<int>(n);
    Big nb;
    big_from_uint(static_cast<uint32_t>(n), nb);
    TestRng rng = TestRng::for_test(static_cast<uint64_t>(bs.m * 131 + static_cast<int>(A) * 7 + static_cast<int>(B)));
    const bool all_pairs = bs.m <= 5;
    const int pairs = all_pairs ? order * order : 1000;
    for (int i = 0; i < pairs; ++i) {
        const Pt& p = pts[all_pairs ? i / order : rng.below(n)];
        const Pt& r = pts[all_pairs ? i % order : rng.below(n)];
        set_point(p, P);
        set_point(r, Q);
        ecurve2_add(P, Q);  // Q = r + p
        ASSERT_EQ(read(Q), tc.add(r, p));
        set_point(r, Q);
        ecurve2_sub(P, Q);  // Q = r - p
        ASSERT_EQ(read(Q), tc.add(r, tc.neg(p)));
    }
    for (const Pt& p : pts) {
        set_point(p, P);
        epoint2_copy(P, Q);
        epoint2_negate(Q);
        ASSERT_EQ(read(Q), tc.neg(p));
        ecurve2_add(P, Q);
        ASSERT_TRUE(read(Q).inf);
        ecurve2_mult(nb, P, R);  // n P = O
        ASSERT_TRUE(read(R).inf) << p.x << "," << p.y;
    }
    // Associativity on random triples, through projective sums when in that mode.
    for (int i = 0; i < 200; ++i) {
        const Pt &p = pts[rng.below(n)], &r = pts[rng.below(n)], &s = pts[rng.below(n)];
        set_point(p, P);
        set_point(r, Q);
        set_point(s, R);
        ecurve2_add(P, Q);  // Q = p + r
        ecurve2_add(R, Q);  // Q = (p + r) + s
        set_point(r, S);
        ecurve2_add(R, S);  // S = r + s
        ecurve2_add(P, S);  // S = p + (r + s)
        ASSERT_TRUE(epoint2_comp(Q, S));
        ASSERT_EQ(read(Q), read(S));
    }
    // k P for every k up to n and a few past it and below 0, against repeated
    // naive addition; and k P + l Q.
    for (int trial = 0; trial < 2; ++trial) {
        const Pt p = pts[rng.below(n)], r = pts[rng.below(n)];
        set_point(p, P);
        set_point(r, Q);
        Pt acc{true, 0, 0};
        for (int k = 0; k <= order + 3; ++k) {
            Big kb(k), mk(-k);
            ecurve2_mult(kb, P, R);
            ASSERT_EQ(read(R), acc) << "k=" << k;
            ecurve2_mult(mk, P, R);
            ASSERT_EQ(read(R), tc.neg(acc)) << "k=-" << k;
            const int l = static_cast<int>(rng.below(n + 5));
            Pt lr{true, 0, 0};
            for (int j = 0; j < l; ++j) lr = tc.add(lr, r);
            Big lb(l);
            ecurve2_mult2(kb, P, lb, Q, S);
            ASSERT_EQ(read(S), tc.add(acc, lr)) << "k=" << k << " l=" << l;
            acc = tc.add(acc, p);
        }
    }
    ASSERT_EQ(engine_error(), 0);
}

class Ec2Exhaustive : public EngineTest, public ::testing::WithParamInterface<std::tuple<int, int>> {};

TEST_P(Ec2Exhaustive, GroupLawOnEverySmallCurveKind) {
    const int m = std::get<0>(GetParam()), mode = std::get<1>(GetParam());
    TestRng rng = TestRng::for_test(static_cast<uint64_t>(41 + m));
    const std::vector<Basis> of_m = irreducible_bases(m);
    const Basis& bs = of_m[rng.below(of_m.size())];
    const uint64_t q = 1ull << m;
    // Koblitz curves (A = 0, 1 with B = 1), an ordinary curve with random A and
    // B, and for odd m the supersingular curves.
    check_curve(bs, 0, 1, false, mode);
    check_curve(bs, 1, 1, false, mode);
    check_curve(bs, rng.below(q), 1 + rng.below(q - 1), false, mode);
    if (m & 1) {
        check_curve(bs, 1, 0, true, mode);
        check_curve(bs, 1, 1, true, mode);
    }
}

std::string curve_case_name(const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
    return "m" + std::to_string(std::get<0>(info.param)) +
           (std::get<1>(info.param) == 1 ? "_affine" : "_projective");
}

INSTANTIATE_TEST_SUITE_P(Small, Ec2Exhaustive,
                         ::testing::Combine(::testing::Range(3, 9), ::testing::Values(1, 0)),
                         curve_case_name);

}  // namespace
