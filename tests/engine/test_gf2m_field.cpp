// GF(2^m) field routines against the naive shift-and-xor reference, over the
// bases of the standard binary curves and a few small or word-aligned ones, with
// both the PCLMULQDQ and the portable product kernel.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "engine/gf2m.h"
#include "engine/gf2m_kernels.h"
#include "tests/engine/gf2_naive.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/standard_curves.h"
#include "tests/support/test_rng.h"

using testsupport::Big;
using testsupport::EngineTest;
using testsupport::TestRng;

namespace {

struct Basis {
    int m, a, b, c;
    std::string name() const {
        return "m" + std::to_string(m) + "_" + std::to_string(a) + "_" + std::to_string(b) + "_" +
               std::to_string(c);
    }
};

// The polynomials of the standard binary curves, plus small ones, ones whose
// gap m - a is below a word (reduced by the chunked path) and word-aligned m.
std::vector<Basis> test_bases() {
    std::vector<Basis> out = {{7, 1, 0, 0}, {7, 6, 0, 0},   {8, 4, 3, 1},  {63, 1, 0, 0},
                              {63, 62, 0, 0}, {64, 4, 3, 1}, {128, 7, 2, 1}};
    std::set<std::vector<int>> seen;
    for (const auto& c : testsupport::standard_curves()) {
        if (!c.binary || !seen.insert(c.poly_exponents).second) continue;
        const auto& e = c.poly_exponents;
        if (e.size() == 3) out.push_back({e[0], e[1], 0, 0});
        else out.push_back({e[0], e[1], e[2], e[3]});
    }
    return out;
}

class Gf2Field : public EngineTest, public ::testing::WithParamInterface<std::tuple<Basis, bool>> {
   protected:
    void SetUp() override {
        EngineTest::SetUp();
        m_prev = gf2_force_portable(std::get<1>(GetParam()));
        const Basis& b = std::get<0>(GetParam());
        ASSERT_TRUE(prepare_basis(b.m, b.a, b.b, b.c, true)) << engine_error();
        f = naive::basis(b.m, b.a, b.b, b.c);
        m = b.m;
    }
    void TearDown() override {
        gf2_force_portable(m_prev);
        EngineTest::TearDown();
    }
    naive::Poly f;
    int m = 0;

   private:
    bool m_prev = false;
};

naive::Poly P(const Big& x) { return naive::from_big(x); }

TEST_P(Gf2Field, ProductsSquaresAndReductionMatchNaive) {
    SCOPED_TRACE(testsupport::test_seed_note());
    TestRng rng = TestRng::for_test(static_cast<uint64_t>(m) * 7 + 1);
    const int iters = testsupport::test_iters(m <= 128 ? 40 : 12);
    Big x, y, w;
    for (int it = 0; it < iters; ++it) {
        const naive::Poly a = naive::random(rng, m), b = naive::random(rng, m);
        const naive::Poly ab = naive::mulmod(a, b, f), aa = naive::mulmod(a, a, f);
        naive::to_big(a, x);
        naive::to_big(b, y);
        gf2_mul(x, y, w);
        ASSERT_EQ(P(w), ab);
        ASSERT_TRUE(testsupport::is_canonical(w));
        gf2_mul(y, x, w);
        ASSERT_EQ(P(w), ab);
        gf2_square(x, w);
        ASSERT_EQ(P(w), aa);
        gf2_mul(x, x, w);
        ASSERT_EQ(P(w), aa);
        // aliasing: output the same as either input, or both
        gf2_mul(x, y, x);
        ASSERT_EQ(P(x), ab);
        naive::to_big(a, x);
        gf2_mul(x, y, y);
        ASSERT_EQ(P(y), ab);
        naive::to_big(b, y);
        gf2_mul(x, x, x);
        ASSERT_EQ(P(x), aa);
        naive::to_big(a, x);
        gf2_square(x, x);
        ASSERT_EQ(P(x), aa);
        naive::to_big(a, x);
        gf2_add(x, y, w);
        ASSERT_EQ(P(w), naive::add(a, b));
        gf2_add(x, x, w);
        ASSERT_TRUE(big_is_zero(w));

        // Unreduced inputs, up to twice the degree and up to the full precision.
        const naive::Poly u = naive::random(rng, 2 * m), v = naive::random(rng, 32 * 68);
        naive::to_big(u, x);
        gf2_reduce(x, w);
        ASSERT_EQ(P(w), naive::mod(u, f));
        naive::to_big(v, x);
        gf2_reduce(x, x);
        ASSERT_EQ(P(x), naive::mod(v, f));
        naive::to_big(u, x);
        gf2_mul(x, y, w);
        ASSERT_EQ(P(w), naive::mulmod(naive::mod(u, f), b, f));
        ASSERT_EQ(engine_error(), 0);
    }
    // A zero or null operand gives 0.
    naive::to_big(naive::random(rng, m), x);
    big_zero(y);
    gf2_mul(x, y, w);
    EXPECT_TRUE(big_is_zero(w));
    gf2_mul(nullptr, x, w);
    EXPECT_TRUE(big_is_zero(w));
}

TEST_P(Gf2Field, InverseAndSquareRootMatchNaive) {
    SCOPED_TRACE(testsupport::test_seed_note());
    TestRng rng = TestRng::for_test(static_cast<uint64_t>(m) * 7 + 2);
    const int iters = testsupport::test_iters(m <= 128 ? 30 : 10);
    Big x, w;
    for (int it = 0; it < iters; ++it) {
        const naive::Poly a = naive::random(rng, m);
        naive::to_big(a, x);
        ASSERT_TRUE(gf2_inverse(x, w));
        ASSERT_EQ(naive::mulmod(a, P(w), f), naive::one());
        gf2_sqrt(x, w);
        ASSERT_EQ(naive::mulmod(P(w), P(w), f), a);
        ASSERT_TRUE(testsupport::is_canonical(w));
        gf2_sqrt(x, x);  // in place
        ASSERT_EQ(P(x), P(w));
        naive::to_big(a, x);
        ASSERT_TRUE(gf2_inverse(x, x));
        ASSERT_EQ(naive::mulmod(a, P(x), f), naive::one());
    }
    // 1/0 does not exist: false, output untouched.
    Big zero(0), keep("ABC");
    EXPECT_FALSE(gf2_inverse(zero, keep));
    EXPECT_EQ(keep.hex(), "ABC");
    EXPECT_EQ(engine_error(), 0);
}

TEST_P(Gf2Field, TraceAndQuadraticEquationsMatchNaive) {
    SCOPED_TRACE(testsupport::test_seed_note());
    TestRng rng = TestRng::for_test(static_cast<uint64_t>(m) * 7 + 3);
    const int iters = testsupport::test_iters(m <= 128 ? 16 : 3);
    Big x, z, w;
    int solvable = 0, unsolvable = 0;
    for (int it = 0; it < iters; ++it) {
        // a = s^2 + s always has a solution; a + g (g of trace 1) never has one.
        const naive::Poly s = naive::random(rng, m);
        const naive::Poly a = naive::add(naive::mulmod(s, s, f), s);
        naive::Poly g = naive::random(rng, m);
        const int tg = naive::trace(g, f);
        naive::to_big(g, x);
        ASSERT_EQ(gf2_trace(x), tg);
        for (const naive::Poly& target : {a, naive::add(a, g)}) {
            naive::to_big(target, x);
            const int t = naive::trace(target, f);
            ASSERT_EQ(gf2_trace(x), t);
            Big keep("1234");
            big_copy(keep, z);
            const bool ok = gf2_quad_solve(x, z);
            ASSERT_EQ(ok, t == 0);
            if (ok) {
                ++solvable;
                ASSERT_EQ(naive::add(naive::mulmod(P(z), P(z), f), P(z)), target);
            } else {
                ++unsolvable;
                ASSERT_EQ(z.hex(), "1234");
            }
        }
        ASSERT_EQ(gf2_lsb(x), naive::bit(naive::add(a, g), 0) ? 1 : 0);
    }
    EXPECT_GT(solvable, 0);
    EXPECT_EQ(engine_error(), 0);
}

TEST_P(Gf2Field, DotProductMultiInverseShiftAndIncrement) {
    SCOPED_TRACE(testsupport::test_seed_note());
    TestRng rng = TestRng::for_test(static_cast<uint64_t>(m) * 7 + 4);
    constexpr int kN = 7;
    Big xs[kN], ys[kN], ws[kN];
    big xb[kN], yb[kN], wb[kN];
    naive::Poly sum, xp[kN];
    for (int i = 0; i < kN; ++i) {
        xp[i] = naive::random(rng, m);
        const naive::Poly yp = naive::random(rng, m);
        naive::to_big(xp[i], xs[i]);
        naive::to_big(yp, ys[i]);
        xb[i] = xs[i];
        yb[i] = i == 3 ? xs[i].get() : ys[i].get();  // one squared term
        wb[i] = ws[i];
        sum = naive::add(sum, naive::mulmod(xp[i], i == 3 ? xp[i] : yp, f));
    }
    Big w;
    gf2_dotprod(kN, xb, yb, w);
    EXPECT_EQ(P(w), sum);

    ASSERT_TRUE(gf2_multi_inverse(kN, xb, wb));
    for (int i = 0; i < kN; ++i) EXPECT_EQ(naive::mulmod(xp[i], P(ws[i]), f), naive::one()) << i;
    // In place, element by element.
    ASSERT_TRUE(gf2_multi_inverse(kN, xb, xb) == false);
    EXPECT_EQ(engine_error(), 7);
    engine_clear_error();
    // A zero element: false, nothing written.
    big_zero(xs[4]);
    for (auto& v : ws) big_from_int(5, v);
    EXPECT_FALSE(gf2_multi_inverse(kN, xb, wb));
    for (auto& v : ws) EXPECT_EQ(v.hex(), "5");

    // Shifts without reduction, both ways.
    const naive::Poly a = naive::random(rng, m);
    for (int n : {0, 1, 31, 32, 33, 64, 100, -1, -33, -m - 5}) {
        naive::to_big(a, w);
        gf2_shift_left(w, n);
        naive::Poly expect;
        if (n >= 0) {
            naive::add_shifted(expect, a, n);
        } else {
            for (int i = -n; i <= naive::deg(a); ++i)
                if (naive::bit(a, i)) naive::flip(expect, i + n);
        }
        naive::trim(expect);
        EXPECT_EQ(P(w), expect) << "shift " << n;
        EXPECT_TRUE(testsupport::is_canonical(w));
    }
    naive::to_big(a, w);
    gf2_shift_left(w, 32 * 69);  // past the precision
    EXPECT_EQ(engine_error(), 3);
    engine_clear_error();

    // Increment: exclusive or into the low word.
    naive::to_big(a, w);
    gf2_incr(w, 0x55, w);
    naive::Poly expect = a;
    if (expect.empty()) expect.push_back(0);
    expect[0] ^= 0x55;
    naive::trim(expect);
    EXPECT_EQ(P(w), expect);
    Big one(1);
    gf2_incr(one, 1, w);
    EXPECT_TRUE(big_is_zero(w));
    EXPECT_TRUE(testsupport::is_canonical(w));
}

std::string field_name(const ::testing::TestParamInfo<std::tuple<Basis, bool>>& info) {
    return std::get<0>(info.param).name() + (std::get<1>(info.param) ? "_portable" : "_fast");
}

INSTANTIATE_TEST_SUITE_P(Bases, Gf2Field,
                         ::testing::Combine(::testing::ValuesIn(test_bases()), ::testing::Bool()),
                         field_name);

// ---- kernels -------------------------------------------------------------------------------

class Gf2Kernels : public EngineTest {};

TEST_F(Gf2Kernels, WordProductsMatchNaiveOnEveryKernel) {
    SCOPED_TRACE(testsupport::test_seed_note());
    TestRng rng = TestRng::for_test(11);
    for (int n = 1; n <= 12; ++n) {
        for (int it = 0; it < testsupport::test_iters(20); ++it) {
            uint64_t a[12], b[12], r[24];
            naive::Poly pa, pb;
            for (int i = 0; i < n; ++i) {
                const int kind = static_cast<int>(rng.below(4));
                a[i] = kind == 0 ? ~0ull : rng.next64();
                b[i] = kind == 1 ? ~0ull : kind == 2 ? 1ull << 63 : rng.next64();
                pa.push_back(a[i]);
                pb.push_back(b[i]);
            }
            naive::trim(pa);
            naive::trim(pb);
            naive::Poly expect = naive::mul(pa, pb);
            auto check = [&](const char* which) {
                naive::Poly got(r, r + 2 * n);
                naive::trim(got);
                ASSERT_EQ(got, expect) << which << " n=" << n;
            };
            gf2_mul_raw_portable(r, a, b, n);
            check("portable");
            if (gf2_clmul_available()) {
                gf2_mul_raw_clmul(r, a, b, n);
                check("clmul");
            }
            gf2_mul_raw(r, a, b, n);
            check("dispatch");
            gf2_sqr_raw(r, a, n);
            expect = naive::mul(pa, pa);
            check("square");
        }
    }
}

TEST_F(Gf2Kernels, RoutinesNeedABasis) {
    Big x(3), y(5), w(7);
    gf2_add(x, y, w);  // needs none
    EXPECT_EQ(w.hex(), "6");
    EXPECT_EQ(gf2_lsb(y), 1);
    gf2_mul(x, y, w);
    EXPECT_EQ(engine_error(), 27);
    EXPECT_EQ(w.hex(), "6");
    // Sticky: nothing computes while the error is recorded.
    gf2_add(x, x, w);
    EXPECT_EQ(w.hex(), "6");
    using Call = void (*)(big, big);
    const Call calls[] = {
        [](big a, big r) { gf2_square(a, r); },
        [](big a, big r) { gf2_reduce(a, r); },
        [](big a, big r) { gf2_sqrt(a, r); },
        [](big a, big r) { gf2_inverse(a, r); },
        [](big a, big r) { gf2_quad_solve(a, r); },
        [](big a, big) { gf2_trace(a); },
        [](big a, big r) {
            big xs[1] = {a}, ys[1] = {a};
            gf2_dotprod(1, xs, ys, r);
        },
    };
    for (Call call : calls) {
        engine_clear_error();
        call(x, w);
        EXPECT_EQ(engine_error(), 27);
    }
}

}  // namespace

// Fields wider than the size-specialised kernels (more than 9 words), where
// products, reduction and polynomial products take the generic paths; 1279 is
// also wider than an unreduced product can be held in a big.
TEST_F(Gf2Kernels, WideFieldsTakeTheGenericPaths) {
    SCOPED_TRACE(testsupport::test_seed_note());
    TestRng rng = TestRng::for_test(12);
    for (const Basis b : {Basis{607, 105, 0, 0}, Basis{1279, 216, 0, 0}}) {
        SCOPED_TRACE(b.name());
        ASSERT_TRUE(prepare_basis(b.m, b.a, b.b, b.c, true));
        const naive::Poly f = naive::basis(b.m, b.a, b.b, b.c);
        Big x, y, w;
        for (int it = 0; it < testsupport::test_iters(3); ++it) {
            const naive::Poly pa = naive::random(rng, b.m), pb = naive::random(rng, b.m);
            naive::to_big(pa, x);
            naive::to_big(pb, y);
            gf2_mul(x, y, w);
            EXPECT_EQ(naive::from_big(w), naive::mulmod(pa, pb, f));
            gf2_square(x, w);
            EXPECT_EQ(naive::from_big(w), naive::mulmod(pa, pa, f));
            ASSERT_TRUE(gf2_inverse(x, w));
            EXPECT_EQ(naive::mulmod(pa, naive::from_big(w), f), naive::one());
            gf2_sqrt(x, w);
            EXPECT_EQ(naive::mulmod(naive::from_big(w), naive::from_big(w), f), pa);
        }
        // A polynomial product against the schoolbook of field products.
        constexpr int n = 20;
        std::vector<big> xs(n), ys(n), ws(2 * n - 1), work(gf2_poly_mul_work_size(n));
        std::vector<naive::Poly> px(n), py(n);
        for (auto* v : {&xs, &ys, &ws, &work})
            for (big& e : *v) e = big_alloc(0);
        for (int i = 0; i < n; ++i) {
            px[i] = naive::random(rng, b.m);
            py[i] = naive::random(rng, b.m);
            naive::to_big(px[i], xs[i]);
            naive::to_big(py[i], ys[i]);
        }
        gf2_poly_mul(n, work.data(), xs.data(), ys.data(), ws.data());
        for (int k = 0; k < 2 * n - 1; k += 7) {
            naive::Poly expect;
            for (int i = 0; i < n; ++i)
                if (k - i >= 0 && k - i < n) expect = naive::add(expect, naive::mulmod(px[i], py[k - i], f));
            EXPECT_EQ(naive::from_big(ws[k]), expect) << k;
        }
        for (auto* v : {&xs, &ys, &ws, &work})
            for (big e : *v) big_free(e);
        EXPECT_EQ(engine_error(), 0);
    }
}
